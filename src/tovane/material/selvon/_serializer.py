"""Parameters of ListItemButton: validation, storage and resolved getters."""

from typing import Callable, Dict, List, Union

from tovane.hooks import State
from tovane.material.utils.validate_params import NoneType
from tovane.material.utils.validated_attr import ValidatedAttr, assign_params

_FILE_PATH = "tovane.material.selvon"


def _attr(name, signature, valid_values=None, **extra):
    return ValidatedAttr(param_name=name, file_path=_FILE_PATH, supported_signatures=signature,
                         valid_values=valid_values, **extra)


class Serializer:
    """Mixin storing the list item button's keyword parameters as ``_<name>``."""

    VALID_ALIGN_ITEMS = ["center", "flex-start"]
    VALID_SIZES = ["small", "medium", "large"]
    _DEFAULTS = {
        "key": None, "children": None, "selected": False, "selectedKey": None, "onClick": None,
        "disabled": False, "divider": False, "disableGutters": False, "dense": False,
        "alignItems": "center", "focusVisibleClassName": None,
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
    _minHeight = _attr("minHeight", Union[int, NoneType])
    # read by the component before the serializer runs, hence the class-level default
    _size = _attr("size", Union[str, NoneType], VALID_SIZES, default="medium")
    _sx = _attr("sx", Union[State, Dict, List, Callable, str, NoneType])

    def __init__(self, **kwargs):
        assign_params(self, self._DEFAULTS, kwargs)

    def _get_children(self):
        children = self._children
        return children.value if isinstance(children, State) else children

    def _get_selected(self):
        """Selected when the shared selected key (a State) is this key or holds it,
        else the ``selected`` flag (or the State holding it)."""
        key, shared = self._key, self._selectedKey
        if isinstance(shared, State) and key is not None:
            current = shared.value
            if isinstance(current, (list, tuple, set, frozenset)):
                return key in current
            return current == key
        selected = self._selected
        return bool(selected.value if isinstance(selected, State) else selected)
