"""Tooltip event filter with a leave delay."""

from __future__ import annotations

from PySide6 import QtCore, QtWidgets
from PySide6.QtCore import QEvent, QObject, QPoint, QTimer
from PySide6.QtWidgets import QWidget

# Qt (PySide6 builds all of its enums on first access) and QLabel are looked
# up when a tip is first shown, not at import: many widgets never show one.

_TIP_QSS = ("QLabel#ToolTipLabel { background-color: rgba(33, 43, 54, 230); color: #FFFFFF;"
            " padding: 4px 8px; border-radius: 6px; font-size: 12px; }")


class ToolTipFilter(QObject):
    """Shows the watched widget's ``toolTip()`` while hovered.

    Created as a Qt child of the widget, so it lives exactly as long as the
    widget. The tip appears above the widget on enter and is hidden
    ``leaveDelay`` ms after leave (at once for 0/None). Qt's own delayed tooltip
    for the widget is suppressed.
    """

    def __init__(self, widget: QWidget, leaveDelay: int | float | None = 0) -> None:
        if not isinstance(widget, QWidget):
            raise TypeError(f"ToolTipFilter() needs a QWidget, got {type(widget).__name__}")
        if leaveDelay is not None and (isinstance(leaveDelay, bool) or not isinstance(leaveDelay, (int, float))):
            raise TypeError(f"leaveDelay must be a number of ms, got {type(leaveDelay).__name__}")
        super().__init__(widget)
        self.leaveDelay = max(0, int(leaveDelay or 0))
        self._label: QtWidgets.QLabel | None = None
        self._timer = QTimer(self)
        self._timer.setSingleShot(True)
        self._timer.timeout.connect(self.hideTip)

    def eventFilter(self, watched: QObject, event: QEvent) -> bool:
        if watched is self.parent():
            kind = event.type()
            if kind == QEvent.Type.Enter:
                self.showTip()
            elif kind == QEvent.Type.Leave:
                if self.leaveDelay:
                    self._timer.start(self.leaveDelay)
                else:
                    self.hideTip()
            elif kind == QEvent.Type.ToolTip:
                return True
            elif kind in (QEvent.Type.Hide, QEvent.Type.MouseButtonPress):
                self.hideTip()
        return False

    def _widget(self) -> QWidget:
        widget = self.parent()
        assert isinstance(widget, QWidget)  # made as the widget's child
        return widget

    def showTip(self) -> None:
        self._timer.stop()
        widget = self._widget()
        text = widget.toolTip()
        if not text:
            return
        if self._label is None:
            self._label = QtWidgets.QLabel(widget, QtCore.Qt.WindowType.ToolTip)
            self._label.setObjectName("ToolTipLabel")
            self._label.setStyleSheet(_TIP_QSS)
        self._label.setText(text)
        self._label.adjustSize()
        top_left = widget.mapToGlobal(QPoint(0, 0))
        self._label.move(top_left.x() + (widget.width() - self._label.width()) // 2,
                         top_left.y() - self._label.height() - 4)
        self._label.show()

    def hideTip(self) -> None:
        self._timer.stop()
        if self._label is not None:
            self._label.hide()

    def isTipVisible(self) -> bool:
        return self._label is not None and self._label.isVisible()
