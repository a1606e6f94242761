"""Slider demonstration: DemoWidget, plain and styled sliders and range sliders side by side."""

from typing import ClassVar

from PySide6 import QtWidgets as QtW
from PySide6.QtCore import QMetaObject

QSS: str
"""The style sheet of the styled sliders."""
SYSTEM_QSS: str
"""The platform look with a coloured handle."""

class DemoWidget(QtW.QWidget):
    """A window of horizontal and vertical sliders and range sliders, plain and styled."""

    staticMetaObject: ClassVar[QMetaObject]
    def __init__(self) -> None:
        """Build the sliders, their labels and layouts, and place the window."""
