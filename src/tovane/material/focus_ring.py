"""The keyboard focus ring: one look for every focusable control.

The ring is a line of the theme's ``MuiFocusRing`` colour and width along a
control's edge, shown while the control has focus that came from the
keyboard (see ``interaction.FocusVisibility``). A control that paints itself
draws it with ``draw_focus_ring`` (or ``paint_focus_ring`` with its own
painter); a widget whose painting is Qt's (a
slider, a list, a table, a scroll area, a cell widget) gets it from
``FocusRing``, a transparent widget laid over it::

    table = QTableView()
    FocusRing(table)           # the table shows the ring while it has keyboard focus
"""

from collections.abc import Callable
from typing import Any, Optional, Union, cast

from PySide6.QtCore import QEvent, QObject, QRect, QRectF, Qt
from PySide6.QtGui import QColor, QFocusEvent, QPainter, QPaintEvent, QPen
from PySide6.QtWidgets import QWidget

from tovane.material.interaction import FocusVisibility
from tovane.material.styles import parse_color, useTheme


def focus_ring_style() -> dict[str, Any]:
    """The theme's ring: ``{"color": ..., "width": px, "radius": px}``."""
    style: dict[str, Any] = useTheme().components["MuiFocusRing"]["styles"]["root"]({})
    return style


def paint_focus_ring(painter: QPainter, rect: Union[QRect, QRectF], radius: Optional[float] = None,
                     color: Optional[str] = None) -> None:
    """Draw the focus ring just inside ``rect`` (a QRect or QRectF), with
    corners of ``radius`` px and in ``color`` (defaults: the theme's; a
    control on a surface of its own, such as a light card in the dark mode,
    takes a colour that reaches 3:1 there)."""
    style = focus_ring_style()
    r, g, b, a = parse_color(style["color"] if color is None else color)
    width = float(style["width"])
    radius = float(style["radius"] if radius is None else radius)
    painter.save()
    painter.setRenderHint(QPainter.RenderHint.Antialiasing)
    painter.setPen(QPen(QColor(r, g, b, round(a * 255)), width))
    painter.setBrush(Qt.BrushStyle.NoBrush)
    half = width / 2
    painter.drawRoundedRect(QRectF(rect).adjusted(half, half, -half, -half), radius, radius)
    painter.restore()


def draw_focus_ring(widget: QWidget, radius: Optional[float] = None, color: Optional[str] = None) -> None:
    """Draw the focus ring along the edge of ``widget``, from its
    ``paintEvent`` (after the widget's own painting)."""
    painter = QPainter(widget)
    try:
        paint_focus_ring(painter, widget.rect(), radius, color)
    finally:
        painter.end()


class FocusRing(QWidget):
    """The focus ring over ``target`` (a child of it, covering it, that
    takes no mouse events and no focus), shown while ``target`` has keyboard
    focus. ``radius`` and ``color`` as for ``paint_focus_ring``; ``color``
    may be a callable giving the colour when the ring is drawn."""

    def __init__(self, target: QWidget, radius: Optional[float] = None,
                 color: Union[str, Callable[[], str], None] = None) -> None:
        super().__init__(target)
        self.setObjectName("FocusRing")
        self._radius = radius
        self._color = color
        self._visibility = FocusVisibility()
        self.setAttribute(Qt.WidgetAttribute.WA_TransparentForMouseEvents)
        self.setAttribute(Qt.WidgetAttribute.WA_NoSystemBackground)
        self.setFocusPolicy(Qt.FocusPolicy.NoFocus)
        self.hide()
        target.installEventFilter(self)

    @staticmethod
    def of(target: QWidget) -> Optional["FocusRing"]:
        """The ring installed on ``target``, or None."""
        return target.findChild(FocusRing, "FocusRing", Qt.FindChildOption.FindDirectChildrenOnly)

    def eventFilter(self, watched: QObject, event: QEvent) -> bool:
        if not isinstance(watched, QWidget):
            return False
        # FocusAboutToChange is a QFocusEvent as well, sent just before
        # FocusOut: only the focus changes themselves count.
        if event.type() == QEvent.Type.FocusIn:
            self._visibility.focusIn(cast(QFocusEvent, event))
            self._follow(watched)
        elif event.type() == QEvent.Type.FocusOut:
            self._visibility.focusOut(cast(QFocusEvent, event))
            self._follow(watched)
        elif event.type() == QEvent.Type.Resize and self.isVisible():
            self.setGeometry(watched.rect())
        return False

    def _follow(self, target: QWidget) -> None:
        if self._visibility.visible:
            self.setGeometry(target.rect())
            self.raise_()  # above the children added since (a scroll area's viewport and bars)
            self.show()
        else:
            self.hide()

    def paintEvent(self, event: QPaintEvent) -> None:
        draw_focus_ring(self, self._radius, self._color() if callable(self._color) else self._color)
