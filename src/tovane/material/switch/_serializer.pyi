"""Switch parameters: the Serializer mixin, every parameter validated by a descriptor."""

# The annotations are the module's own texts, bare generics (Callable, Dict, State) included.
# mypy: disable-error-code="type-arg"

from typing import Any, Callable, ClassVar, Dict, List, Optional, Union

from PySide6.QtWidgets import QWidget

from tovane.hooks import State
from tovane.material.utils.validated_attr import ValidatedAttr

NoneType: type[None]

class Serializer:
    """Mixin of the switch: validates and stores each parameter, the getters read through a State."""

    _FILE_PATH: ClassVar[str]
    VALID_COLORS: ClassVar[list[str]]
    VALID_SIZES: ClassVar[list[str]]
    VALID_EDGES: ClassVar[list[str | bool]]
    _label: ValidatedAttr
    _disabled: ValidatedAttr
    _defaultChecked: ValidatedAttr
    _checked: ValidatedAttr
    _onChange: ValidatedAttr
    _highlight: ValidatedAttr
    _left: ValidatedAttr
    _color: ValidatedAttr
    _size: ValidatedAttr
    _onClick: ValidatedAttr
    _checkedIcon: ValidatedAttr
    _icon: ValidatedAttr
    _classes: ValidatedAttr
    _sx: ValidatedAttr
    _disableRipple: ValidatedAttr
    _edge: ValidatedAttr
    _id: ValidatedAttr
    _inputProps: ValidatedAttr
    _inputRef: ValidatedAttr
    _required: ValidatedAttr
    _slotProps: ValidatedAttr
    _slots: ValidatedAttr
    _value: ValidatedAttr
    def __init__(
        self,
        parent: Optional[QWidget] = None,
        label: Optional[Union[State, str, Callable]] = None,
        disabled: Union[State, bool] = False,
        defaultChecked: Union[State, bool] = False,
        checked: Union[State, bool] = False,
        onChange: Optional[Union[State, Callable]] = None,
        highlight: Union[State, bool] = False,
        left: Union[State, bool] = True,
        color: Optional[Union[State, str]] = 'primary',
        size: Optional[Union[State, str]] = 'medium',
        onClick: Optional[Union[State, Callable]] = None,
        checkedIcon: Optional[Union[State, QWidget]] = None,
        icon: Optional[Union[State, QWidget]] = None,
        classes: Optional[Union[State, Dict]] = None,
        sx: Optional[Union[State, List, Dict, Callable]] = None,
        disableRipple: Union[State, bool] = False,
        edge: Optional[Union[State, str, bool]] = False,
        id: Optional[Union[State, str]] = None,
        inputProps: Optional[Union[State, Dict]] = None,
        inputRef: Optional[Union[State, object]] = None,
        required: Union[State, bool] = False,
        slotProps: Optional[Union[State, Dict]] = None,
        slots: Optional[Union[State, Dict]] = None,
        value: Optional[Union[State, object]] = None,
        **kwargs: Any,
    ) -> None:
        """Validate and store each parameter as its underscore attribute."""
    def _get_label(self) -> Optional[Union[str, Callable]]:
        """The label parameter, read through a State."""
    def _get_disabled(self) -> bool:
        """The disabled parameter, read through a State."""
    def _get_defaultChecked(self) -> bool:
        """The defaultChecked parameter, read through a State."""
    def _get_checked(self) -> bool:
        """The checked parameter, read through a State."""
    def _get_onChange(self) -> Optional[Callable]:
        """The onChange parameter, read through a State."""
    def _get_highlight(self) -> bool:
        """The highlight parameter, read through a State."""
    def _get_left(self) -> bool:
        """The left parameter, read through a State."""
    def _get_color(self) -> str:
        """The colour, "primary" for anything that is not a text."""
    def _get_size(self) -> str:
        """The size if it is a valid one, else "small"."""
    def _get_onClick(self) -> Optional[Callable]:
        """The onClick parameter, read through a State."""
    def _get_checkedIcon(self) -> Optional[QWidget]:
        """The checkedIcon parameter, read through a State."""
    def _get_icon(self) -> Optional[QWidget]:
        """The icon parameter, read through a State."""
    def _get_classes(self) -> Optional[Dict]:
        """The classes parameter, read through a State."""
    def _get_sx(self) -> Optional[Union[List, Dict, Callable]]:
        """The sx parameter, read through a State."""
    def _get_disableRipple(self) -> bool:
        """The disableRipple parameter, read through a State."""
    def _get_edge(self) -> Union[str, bool]:
        """The edge if it is a valid one, else False."""
    def _get_id(self) -> Optional[str]:
        """The id parameter, read through a State."""
    def _get_inputProps(self) -> Optional[Dict]:
        """The inputProps parameter, read through a State."""
    def _get_inputRef(self) -> Optional[object]:
        """The inputRef parameter, read through a State."""
    def _get_required(self) -> bool:
        """The required parameter, read through a State."""
    def _get_slotProps(self) -> Optional[Dict]:
        """The slotProps parameter, read through a State."""
    def _get_slots(self) -> Optional[Dict]:
        """The slots parameter, read through a State."""
    def _get_value(self) -> Optional[object]:
        """The value parameter, read through a State."""
