"""Checkbox shown at the start of a list item (multi-selection lists)."""

from __future__ import annotations

from PySide6.QtCore import QPoint, QPointF, QRectF, QSize, Qt
from PySide6.QtGui import QColor, QPainter, QPaintEvent, QPen
from PySide6.QtWidgets import QCheckBox, QHBoxLayout, QWidget

from tovane.material.styles import useTheme

_BOX = 18  # px, the box drawn; the widget leaves 2 px around it


class _ItemCheckbox(QCheckBox):
    """A checkbox painted in the theme's colours: off, an outlined box in the
    secondary text colour; on, a box of the primary colour with a check mark
    in its contrast text (disabled: the disabled colour)."""

    def set_checked(self, checked: object) -> None:
        self.setChecked(bool(checked))

    def sizeHint(self) -> QSize:
        return QSize(_BOX + 4, _BOX + 4)

    def minimumSizeHint(self) -> QSize:
        return self.sizeHint()

    def hitButton(self, pos: QPoint) -> bool:
        return self.rect().contains(pos)

    def paintEvent(self, event: QPaintEvent) -> None:
        palette = useTheme().palette
        enabled = self.isEnabled()
        box = QRectF(0, 0, _BOX, _BOX)
        box.moveCenter(QRectF(self.rect()).center())
        painter = QPainter(self)
        painter.setRenderHint(QPainter.RenderHint.Antialiasing)
        if self.isChecked():
            painter.setPen(Qt.PenStyle.NoPen)
            painter.setBrush(QColor(palette.primary.main if enabled else palette.action.disabled))
            painter.drawRoundedRect(box, 3, 3)
            pen = QPen(QColor(palette.primary.contrastText), 2)
            pen.setCapStyle(Qt.PenCapStyle.RoundCap)
            pen.setJoinStyle(Qt.PenJoinStyle.RoundJoin)
            painter.setPen(pen)
            x, y = box.left(), box.top()
            painter.drawPolyline([QPointF(x + 4.5, y + 9.5), QPointF(x + 7.5, y + 12.5), QPointF(x + 13.5, y + 5.5)])
        else:
            painter.setPen(QPen(QColor(palette.text.secondary if enabled else palette.action.disabled), 2))
            painter.setBrush(Qt.BrushStyle.NoBrush)
            painter.drawRoundedRect(box.adjusted(1, 1, -1, -1), 2, 2)
        painter.end()


class ListItemCheckbox(QWidget):
    """A QWidget holding the checkbox ``_checkbox``; ``set_checked(bool)``."""

    def __init__(self, checked: bool = False, parent: QWidget | None = None) -> None:
        super().__init__(parent)
        self._checkbox = _ItemCheckbox(self)
        # The list item is the control (it takes focus, keys and clicks); the
        # box only shows its state.
        self._checkbox.setFocusPolicy(Qt.FocusPolicy.NoFocus)
        layout = QHBoxLayout(self)
        layout.setContentsMargins(0, 0, 0, 0)
        layout.addWidget(self._checkbox)
        self.set_checked(checked)

    def set_checked(self, checked: object) -> None:
        """Check or uncheck the box."""
        self._checkbox.set_checked(checked)

    def isChecked(self) -> bool:
        return self._checkbox.isChecked()
