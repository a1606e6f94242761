"""Parameters of FormHelperText: validation and storage."""

from __future__ import annotations

from collections.abc import Sequence
from typing import Any, Callable, Dict, Union

from tovane.hooks import State
from tovane.material.utils.validate_params import NoneType
from tovane.material.utils.validated_attr import ValidatedAttr, assign_params, refuse_unknown_params

_FILE_PATH = "tovane.material.drevasse"


def _attr(name: str, signature: object, valid_values: Sequence[object] | None = None) -> ValidatedAttr:
    return ValidatedAttr(param_name=name, file_path=_FILE_PATH, supported_signatures=signature,
                         valid_values=valid_values)


class Serializer:
    """Mixin storing the helper text's keyword parameters as ``_<name>``."""

    VALID_VARIANTS = ["standard", "outlined", "filled"]
    VALID_MARGINS = ["dense"]
    _DEFAULTS = {"text": None, "error": False, "disabled": False, "required": False,
                 "variant": "standard", "margin": None, "id": None, "sx": None}

    _text = _attr("text", Union[State, str, Callable, NoneType])
    _error = _attr("error", Union[State, bool, str, NoneType])
    _disabled = _attr("disabled", Union[State, bool])
    _required = _attr("required", bool)
    _variant = _attr("variant", Union[State, str], VALID_VARIANTS)
    _margin = _attr("margin", Union[str, NoneType], VALID_MARGINS)
    _id = _attr("id", Union[str, NoneType])
    _sx = _attr("sx", Union[State, Dict, Callable, NoneType])

    def __init__(self, **kwargs: Any) -> None:
        refuse_unknown_params(self, _FILE_PATH, self._DEFAULTS, kwargs)
        assign_params(self, self._DEFAULTS, kwargs)
