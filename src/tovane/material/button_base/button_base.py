"""Bare clickable base: a flat push button with a hand cursor and a click callback."""

from __future__ import annotations

from collections.abc import Callable

from PySide6 import QtCore
from PySide6.QtWidgets import QPushButton, QWidget


class ButtonBase(QPushButton):
    """A flat push button with a pointing-hand cursor; ``onClick()`` on each click."""

    def __init__(self, text: str = "", parent: QWidget | None = None, onClick: Callable[[], object] | None = None,
                 disabled: bool = False) -> None:
        if onClick is not None and not callable(onClick):
            raise TypeError(f"onClick must be callable, got {type(onClick).__name__}")
        super().__init__(text, parent)
        self._onClick = onClick
        self.setFlat(True)
        self.setCursor(QtCore.Qt.CursorShape.PointingHandCursor)
        self.setDisabled(bool(disabled))
        self.clicked.connect(self._emitClick)

    def _emitClick(self) -> None:
        if self._onClick is not None:
            self._onClick()
