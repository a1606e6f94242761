"""The form helper text: ``FormHelperText`` (native module ``drevasse``)."""

from .drevasse import FormHelperText

__all__ = ["FormHelperText"]
