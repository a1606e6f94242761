"""Parameters of ListItemButton: validation, storage and resolved getters."""

from __future__ import annotations

from collections.abc import Sequence
from typing import Any, Callable, Dict, List, Union

from tovane.errors import DeZidOzezuzavuvArazo
from tovane.hooks import State
from tovane.material.utils.validate_params import NoneType, _validate_param
from tovane.material.utils.validated_attr import ValidatedAttr, assign_params, refuse_unknown_params

_FILE_PATH = "tovane.material.selvon"
_QWIDGETSIZE_MAX = (1 << 24) - 1


def _attr(name: str, signature: object, valid_values: Sequence[object] | None = None, **extra: Any) -> ValidatedAttr:
    return ValidatedAttr(param_name=name, file_path=_FILE_PATH, supported_signatures=signature,
                         valid_values=valid_values, **extra)


class _Height(ValidatedAttr):
    """A height in pixels that Qt takes as a minimum height: an int (not a bool)
    from 0 to QWIDGETSIZE_MAX, or None."""

    def __set__(self, instance: object, value: object) -> None:
        if isinstance(value, bool) or (isinstance(value, int) and not 0 <= value <= _QWIDGETSIZE_MAX):
            raise DeZidOzezuzavuvArazo(
                file_path=self.file_path, param_name=self.param_name, param_value=value,
                expected_types=[int, NoneType], error_type="INVALID_VALUE",
                message=f"expected a number of pixels from 0 to {_QWIDGETSIZE_MAX}")
        super().__set__(instance, value)


class Serializer:
    """Mixin storing the list item button's keyword parameters as ``_<name>``."""

    VALID_ALIGN_ITEMS = ["center", "flex-start"]
    VALID_SIZES = ["small", "medium", "large"]
    _DEFAULTS = {
        "key": None, "children": None, "selected": False, "selectedKey": None, "onClick": None,
        "disabled": False, "divider": False, "disableGutters": False, "dense": False,
        "alignItems": "center", "focusVisibleClassName": None, "active": False,
        "minHeight": None, "size": "medium", "sx": None,
    }

    _key = _attr("key", object)
    _children = _attr("children", object)
    _selected = _attr("selected", Union[State, bool])
    _selectedKey = _attr("selectedKey", object)
    _onClick = _attr("onClick", Union[Callable, NoneType])
    _disabled = _attr("disabled", bool)
    _divider = _attr("divider", bool)
    _disableGutters = _attr("disableGutters", bool)
    _dense = _attr("dense", bool)
    _alignItems = _attr("alignItems", str, VALID_ALIGN_ITEMS)
    _focusVisibleClassName = _attr("focusVisibleClassName", Union[str, NoneType])
    _active = _attr("active", bool)
    _minHeight = _Height(param_name="minHeight", file_path=_FILE_PATH, supported_signatures=Union[int, NoneType])
    # read by the component before the serializer runs, hence the class-level default
    _size = _attr("size", Union[str, NoneType], VALID_SIZES, default="medium")
    _sx = _attr("sx", Union[State, Dict, List, Callable, str, NoneType])

    def __init__(self, **kwargs: Any) -> None:
        # The component hands over its own "size" and keeps the caller's
        # keywords as `kwargs`: a size the caller gave is still checked.
        given = self.__dict__.get("kwargs")
        if isinstance(given, dict) and "size" in given:
            _validate_param(_FILE_PATH, "size", given["size"], Union[str, NoneType], self.VALID_SIZES)
        refuse_unknown_params(self, _FILE_PATH, self._DEFAULTS, kwargs)
        assign_params(self, self._DEFAULTS, kwargs)

    def _get_children(self) -> Any:
        children = self._children
        return children.value if isinstance(children, State) else children

    def _get_selected(self) -> bool:
        """Selected when the shared selected key (a State) is this key or holds it,
        else the ``selected`` flag (or the State holding it)."""
        key, shared = self._key, self._selectedKey
        if isinstance(shared, State) and key is not None:
            current = shared.value
            if isinstance(current, (list, tuple, set, frozenset)):
                return key in current
            return bool(current == key)
        selected = self._selected
        return bool(selected.value if isinstance(selected, State) else selected)
