"""Time picker base: TimePickerBase, the abstract base of the time pickers."""

from typing import ClassVar

from PySide6.QtCore import QMetaObject, QTime, Signal
from PySide6.QtWidgets import QWidget

from tovane.material.picker_base import PickerBase

class TimePickerBase(PickerBase):
    """Time picker base class."""

    staticMetaObject: ClassVar[QMetaObject]
    timeChanged: ClassVar[Signal]
    """Carries the new QTime; a picker emits it when its time changes."""
    def __init__(self, parent: QWidget | None = None, showSeconds: bool = False) -> None:
        """A picker holding a null time, showing seconds when asked for."""
    def getTime(self) -> QTime:
        """The current time."""
    def setTime(self, time: QTime) -> None:
        """Set the current time (each picker provides this)."""
    def isSecondVisible(self) -> bool:
        """Whether the seconds column is shown."""
    def setSecondVisible(self, isVisible: bool) -> None:
        """Set the visibility of the seconds column (each picker provides this)."""
