"""The switch: ``Switch`` (a painted on/off control) on the native parameter
serializer ``_serializer.Serializer``."""

from __future__ import annotations

from tovane._lazy import exports as _exports

TYPE_CHECKING = False
if TYPE_CHECKING:
    from .switch import Switch

__all__ = ["Switch"]
# Loaded on first use, so that importing the serializer alone does not load
# the widget.
__getattr__, __dir__ = _exports(__name__, globals(), {"Switch": f"{__name__}.switch"}, __all__)
