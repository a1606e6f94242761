"""Time picker: a picker built on the library's TimePickerBase."""

from functools import cache

from PySide6.QtCore import QSignalBlocker, QTime
from PySide6.QtWidgets import QHBoxLayout, QPushButton, QTimeEdit

from ._common import caption, page, page_frame, section, toggle


@cache
def _time_edit_picker_class():
    from tovane.material.time_picker._cadrell import TimePickerBase

    class TimeEditPicker(TimePickerBase):
        """A time picker on a QTimeEdit: hours and minutes, seconds on request.

        ``timeChanged`` is emitted whenever the time changes, from the editor
        or from ``setTime``.
        """

        def __init__(self, parent=None, showSeconds=False):
            super().__init__(parent=parent, showSeconds=showSeconds)
            self._edit = QTimeEdit(self)
            self._edit.timeChanged.connect(self.setTime)
            layout = QHBoxLayout(self)
            layout.setContentsMargins(0, 0, 0, 0)
            layout.addWidget(self._edit)
            self._apply_format()

        def setTime(self, time):
            time = QTime(time)
            changed = time != self._time
            self._time = time
            if self._edit.time() != time:
                with QSignalBlocker(self._edit):
                    self._edit.setTime(time)
            if changed:
                self.timeChanged.emit(QTime(time))

        def setSecondVisible(self, isVisible):
            self._isSecondVisible = isVisible
            self._apply_format()

        def _apply_format(self):
            self._edit.setDisplayFormat("HH:mm:ss" if self._isSecondVisible else "HH:mm")

    TimeEditPicker.__module__ = "tovane.gallery"
    return TimeEditPicker


@page("time-picker", "Time picker")
def time_picker_page(ctx):
    picker_cls = _time_edit_picker_class()
    widget, layout = page_frame(
        "Time picker",
        "A time picker built on the library's TimePickerBase: setTime and setSecondVisible "
        "drive a time editor, and every change is announced with timeChanged.")

    picker = picker_cls()
    picker.setMinimumWidth(140)
    last = caption("timeChanged has not been emitted yet")

    def on_changed(time):
        fmt = "HH:mm:ss" if picker.isSecondVisible() else "HH:mm"
        last.setText(f"timeChanged({time.toString(fmt)}); getTime() returns "
                     f"{picker.getTime().toString(fmt)}; isSecondVisible() returns {picker.isSecondVisible()!r}")

    picker.timeChanged.connect(on_changed)
    picker.setTime(QTime(10, 30, 15))

    seconds = toggle(ctx, widget, None, None, None, False, "Show seconds")

    def on_seconds(checked):
        picker.setSecondVisible(checked)
        on_changed(picker.getTime())

    seconds.toggled.connect(on_seconds)
    row = QHBoxLayout()
    row.setSpacing(10)
    row.addWidget(picker)
    row.addWidget(seconds)
    for text, time in (("Noon", QTime(12, 0)), ("Half past six", QTime(18, 30))):
        button = QPushButton(text)
        button.clicked.connect(lambda _=False, t=time: picker.setTime(t))
        row.addWidget(button)
    row.addStretch(1)
    layout.addWidget(section("TimeEditPicker()"))
    layout.addLayout(row)
    layout.addWidget(last)

    layout.addSpacing(12)
    layout.addWidget(section("TimeEditPicker(showSeconds=True)"))
    with_seconds = picker_cls(showSeconds=True)
    with_seconds.setMinimumWidth(140)
    with_seconds.setTime(QTime(23, 59, 58))
    row = QHBoxLayout()
    row.addWidget(with_seconds)
    note = caption("starts with the seconds column shown")
    note.setWordWrap(False)
    row.addWidget(note)
    row.addStretch(1)
    layout.addLayout(row)
    layout.addStretch(1)
    return widget
