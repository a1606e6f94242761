"""Common widget base of the pickers."""

from __future__ import annotations

from typing import Any

from PySide6.QtWidgets import QWidget


class PickerBase(QWidget):
    """A QWidget base; ``parent`` and Qt property keywords are passed to QWidget."""

    def __init__(self, parent: QWidget | None = None, **kwargs: Any) -> None:
        super().__init__(parent, **kwargs)
