"""List item button: ListItemButton, a clickable row of a list styled from the theme."""

# The annotations are the module's own texts, bare generics (Callable, Dict, State) included.
# mypy: disable-error-code="type-arg"

from typing import Any, Callable, ClassVar, Literal, Optional, Union

from PySide6.QtCore import QMetaObject, Signal
from PySide6.QtGui import QFocusEvent, QKeyEvent, QMouseEvent, QPaintEvent
from PySide6.QtWidgets import QPushButton, QWidget

from tovane.hooks import State
from tovane.material.component import Component, RenderContext
from tovane.material.selvon._serializer import Serializer

class ListItemButton(QPushButton, Component, Serializer):
    """A push button laying its children out in a row, selected by a flag or a shared key."""

    staticMetaObject: ClassVar[QMetaObject]
    themeChanged: ClassVar[Signal]
    """Declared with no argument; the item itself does not emit it."""
    updateStyleSheet: ClassVar[Signal]
    """Declared with one object; the item itself does not emit it."""
    VALID_ALIGN_ITEMS: list[str]
    VALID_SIZES: list[str]
    sxDict: ClassVar[Any]
    ownerState: ClassVar[dict[str, Any]]
    kwargs: dict[str, Any]
    theme: Any
    def __init__(
        self,
        parent: Optional[QWidget] = None,
        *,
        key: Any = None,
        children: Union[State, list[Any], None] = None,
        selected: Union[State, bool] = False,
        selectedKey: Any = None,
        onClick: Optional[Callable[..., object]] = None,
        disabled: bool = False,
        divider: bool = False,
        disableGutters: bool = False,
        dense: bool = False,
        alignItems: Literal["center", "flex-start"] = "center",
        focusVisibleClassName: Optional[str] = None,
        active: bool = False,
        minHeight: Optional[int] = None,
        size: Optional[Literal["small", "medium", "large"]] = "medium",
        sx: Union[State, dict[str, Any], list[Any], Callable[..., Any], str, None] = None,
    ) -> None:
        """Validate and store the parameters (an unknown name is refused); the Qt widget is built by renderUi."""
    def renderUi(self, ctx: RenderContext, parent: Optional[QWidget] = None) -> QWidget:  # type: ignore[override]
        """Build the row, its children and its effects, and return the item."""
    @classmethod
    def _setSx(cls, sx: Any) -> None:
        """Keep the sx mapping on the class."""
    @classmethod
    def _setKwargs(cls, kwargs: dict = {}) -> None:
        """Keep the parameter mapping on the class as the owner state (an exact dict)."""
    def _set_selected_key(self, value: Any = None) -> None:
        """Recompute the selection from the selected key (checkbox mode: mirror it on the checkbox)."""
    def _set_selected(self, value: Any = None) -> None:
        """Mirror the selection on the checkbox child, if any, and restyle."""
    def _get_align_items_style(self, alignItems: Any) -> str:
        """The text-align declaration of an alignItems value."""
    def focusInEvent(self, event: QFocusEvent) -> None:
        """Add the keyboard-focus outline rule once."""
    def focusOutEvent(self, event: QFocusEvent) -> None:
        """Remove the outline rule added on focus-in."""
    def mouseReleaseEvent(self, event: QMouseEvent) -> None:
        """Report the click with the item's key (again without it if that fails), then release."""
    def _activate(self) -> None:
        """Press the item as a click does (the callback with the key, then clicked); nothing when disabled."""
    def keyPressEvent(self, event: QKeyEvent) -> None:
        """Enter and Return press the item; other keys go to the push button."""
    def keyReleaseEvent(self, event: QKeyEvent) -> None:
        """Space released on a pressed item reports the click before the push button clicks."""
    def paintEvent(self, event: QPaintEvent) -> None:
        """Paint the row, and the theme's focus ring while focus came from the keyboard."""
    @classmethod
    def _getStyleSheet(cls, objectName: str, styledConfig: str = "ListItemButton") -> str:
        """The theme's rules of the item named objectName (cached, 128 entries)."""
    @classmethod
    def _getSxQss(cls, sxStr: str = "", className: str = "Box") -> str:
        """The rules of an sx mapping given as its literal text (cached, 128 entries)."""
    def _updateStylesheet(self, stylesheet: str) -> None:
        """Set the given style sheet."""
    def _setStyleSheet(self) -> None:
        """Set the state properties and the whole style sheet: theme rules, then sx rules."""
