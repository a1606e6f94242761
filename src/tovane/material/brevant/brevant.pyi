"""Widget foundation: the PyWidgetBase mixin and the WidgetSetter runnable."""

# The annotations are the module's own texts, bare generics (Callable, Dict, State) included.
# mypy: disable-error-code="type-arg"

from typing import Any, Callable, Dict, Optional, Union

from PySide6.QtCore import QEvent, QPoint, QRunnable, QSize
from PySide6.QtGui import QEnterEvent, QFocusEvent, QMouseEvent, QPaintEvent, QResizeEvent

from tovane.hooks import State

class WidgetSetter(QRunnable):
    """A runnable that calls one function, printing a message if it fails."""

    fn: Callable[[], object]
    def __init__(self, fn: Callable[[], object]) -> None:
        """Keep the function to call."""
    async def run(self) -> None:  # type: ignore[override]  # a coroutine, awaited on the event loop
        """Call the function; a failure is printed, not raised."""

class PyWidgetBase:
    """Mixin after a Qt widget class: sx sizes and positions, callbacks, tooltips, deferred tasks."""

    def __init__(
        self,
        parent: Any = None,
        onMouseEnter: Optional[Callable] = None,
        onMouseLeave: Optional[Callable] = None,
        onMousePress: Optional[Callable] = None,
        onMouseRelease: Optional[Callable] = None,
        onFocusIn: Optional[Callable] = None,
        onFocusOut: Optional[Callable] = None,
        tooltip: Optional[str] = None,
        tooltipPlacement: Optional[str] = "top",
        tooltipLeaveDelay: Optional[int] = 0,
        *args: Any,
        **kwargs: Any,
    ) -> None:
        """Store the callbacks and tooltip settings, then set up sx sizes and positioning."""
    def _setUpUi(self, **kwargs: Any) -> None:
        """The same set-up as __init__, from keyword parameters."""
    def _do_task_async(self, fn: Callable[[], object]) -> None:
        """Run a function later on the event loop, through a WidgetSetter."""
    def _PyWidgetBase__setup_vh_or_vw_height_width(self) -> None:
        """Follow the main window's size when the sx height or width is in vh or vw."""
    def _update_height_vh_on_mainwindow_resize(self, new_size: QSize) -> None:
        """Resize after the main window did, for vh and vw sizes."""
    def _installTooltipFilter(self) -> None:
        """Install the tooltip filter when a tooltip is set."""
    def _getTranslatedText(self, input: Any) -> Optional[str]:
        """The text of a string, a State or a text source, translated where it is a source."""
    def setupPseudoClasses(self, sx: dict) -> None:
        """Store the hover and focus styles of an sx mapping as style-sheet text."""
    def set_styleFn(self, styleFn: Any) -> None:
        """Keep the function that builds the widget's styles."""
    def _update_component_styles(self, theme: Any, component_styles: Any) -> None:
        """Take the component styles given, else the theme's components."""
    def _on_destroyed(self) -> None:
        """Called when the widget is destroyed; does nothing here."""
    def _setup_sx_position(self, sx: Optional[Union[Callable, str, Dict]]) -> None:
        """Keep the sx value and follow it when it is a State."""
    def _initialize_positioning(self) -> None:
        """Register with the relatively positioned ancestor when sx asks for absolute positioning."""
    def _parse_size_value(self, val: Any, parent_size: int) -> int:
        """A size in pixels from a number, a fraction, a percent, vh, vw or px value."""
    def _update_size_from_sx(self) -> None:
        """Apply the sx width and height."""
    def _PyWidgetBase__get_sx_dict(self) -> Optional[dict]:
        """The sx mapping, resolved from a callable or a State."""
    def _PyWidgetBase__contvert_to_percent_value(self, value: Any) -> Optional[float]:
        """A fraction or percent text as a percentage."""
    def _get_float_or_percent_sx_value(self, key: Any) -> Optional[float]:
        """The sx value of a key as a percentage."""
    def _apply_float_and_percent_sx_value(self) -> None:
        """Resize to the percentages of the parent's size that sx gives."""
    def _on_sx_changed(self) -> None:
        """Re-apply sizes and positions after the sx State changed."""
    def _get_position_from_sx(self) -> Optional[str]:
        """The sx "position" value."""
    def _get_sx_value(self, key: str) -> Optional[Union[str, int]]:
        """The sx value of a key."""
    def _add_absolute_child(self, child: "PyWidgetBase") -> None:
        """Keep an absolutely positioned child."""
    def _remove_absolute_child(self, child: "PyWidgetBase") -> None:
        """Forget an absolutely positioned child."""
    def update_absolute_position(self) -> None:
        """Move to the sx offsets inside the relatively positioned ancestor."""
    def _ajustPositionBaseOnParentMarginValue(self, pos: QPoint) -> QPoint:
        """Shift a position by the ancestor's sx margins."""
    def update_absolute_children(self) -> None:
        """Reposition the absolutely positioned children."""
    def resizeEvent(self, event: QResizeEvent) -> None:
        """Re-apply sx sizes and reposition absolute children."""
    def paintEvent(self, event: QPaintEvent) -> None:
        """Paint the style sheet's background, then the Qt base."""
    def enterEvent(self, event: QEnterEvent) -> None:
        """Call onMouseEnter, then the Qt base."""
    def leaveEvent(self, event: QEvent) -> None:
        """Call onMouseLeave, then the Qt base."""
    def mousePressEvent(self, event: QMouseEvent) -> None:
        """Call onMousePress, then the Qt base."""
    def mouseReleaseEvent(self, event: QMouseEvent) -> None:
        """Call onMouseRelease, then the Qt base."""
    def focusInEvent(self, event: QFocusEvent) -> None:
        """Call onFocusIn, then the Qt base."""
    def focusOutEvent(self, event: QFocusEvent) -> None:
        """Call onFocusOut, then the Qt base."""
