"""A time picker on TimePickerBase: a QTimeEdit that reports through timeChanged."""

from PySide6.QtCore import QTime
from PySide6.QtWidgets import QApplication, QHBoxLayout, QTimeEdit, QWidget

from tovane.material import TimePickerBase, apply_theme


class SpinTimePicker(TimePickerBase):
    """The base holds the time and the seconds flag; a picker shows them."""

    def __init__(self, parent: QWidget | None = None, showSeconds: bool = False) -> None:
        super().__init__(parent=parent, showSeconds=showSeconds)
        self._edit = QTimeEdit(self)
        QHBoxLayout(self).addWidget(self._edit)
        self._edit.timeChanged.connect(self.setTime)
        self.setSecondVisible(showSeconds)

    def setTime(self, time: QTime) -> None:
        if time != self._time:
            self._time = QTime(time)
            self._edit.setTime(time)
            self.timeChanged.emit(QTime(time))

    def setSecondVisible(self, isVisible: bool) -> None:
        self._isSecondVisible = isVisible
        self._edit.setDisplayFormat("HH:mm:ss" if isVisible else "HH:mm")


app = QApplication([])
apply_theme(app)
picker = SpinTimePicker()
picker.timeChanged.connect(lambda time: print("time:", time.toString("HH:mm")))
picker.setTime(QTime(10, 30))
assert picker.getTime() == QTime(10, 30) and not picker.isSecondVisible()
picker.show()
app.exec()
