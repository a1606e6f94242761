"""Bare clickable base: a flat push button with a hand cursor and a click callback."""

from PySide6 import QtCore
from PySide6.QtWidgets import QPushButton


class ButtonBase(QPushButton):
    def __init__(self, text="", parent=None, onClick=None, disabled=False):
        if onClick is not None and not callable(onClick):
            raise TypeError(f"onClick must be callable, got {type(onClick).__name__}")
        super().__init__(text, parent)
        self._onClick = onClick
        self.setFlat(True)
        self.setCursor(QtCore.Qt.CursorShape.PointingHandCursor)
        self.setDisabled(bool(disabled))
        self.clicked.connect(self._emitClick)

    def _emitClick(self):
        if self._onClick is not None:
            self._onClick()
