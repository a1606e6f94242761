"""Checkbox shown at the start of a list item (multi-selection lists)."""

from PySide6.QtWidgets import QCheckBox, QHBoxLayout, QWidget


class _ItemCheckbox(QCheckBox):
    def set_checked(self, checked):
        self.setChecked(bool(checked))


class ListItemCheckbox(QWidget):
    """A QWidget holding the checkbox ``_checkbox``; ``set_checked(bool)``."""

    def __init__(self, checked=False, parent=None):
        super().__init__(parent)
        self._checkbox = _ItemCheckbox(self)
        layout = QHBoxLayout(self)
        layout.setContentsMargins(0, 0, 0, 0)
        layout.addWidget(self._checkbox)
        self.set_checked(checked)

    def set_checked(self, checked):
        self._checkbox.set_checked(checked)

    def isChecked(self):
        return self._checkbox.isChecked()
