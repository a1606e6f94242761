"""Common widget base of the pickers."""

from PySide6.QtWidgets import QWidget


class PickerBase(QWidget):
    """A QWidget base; ``parent`` and Qt property keywords are passed to QWidget."""

    def __init__(self, parent=None, **kwargs):
        super().__init__(parent, **kwargs)
