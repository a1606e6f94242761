"""Time picker: a Material time field built on the library's TimePickerBase."""

from __future__ import annotations

from functools import cache
from typing import Any, cast

from PySide6.QtCore import QEvent, QObject, QSignalBlocker, QTime, Qt
from PySide6.QtGui import QHideEvent, QKeyEvent
from PySide6.QtWidgets import (QAbstractSpinBox, QFrame, QGridLayout, QHBoxLayout, QSizePolicy, QTimeEdit,
                               QVBoxLayout, QWidget)

from tovane.material.component import RenderContext

from ._common import CLOCK_ICON, button, caption, page, row, section, space, text


@cache
def _time_edit_picker_class() -> Any:
    from tovane.hooks import useEffect
    from tovane.material.accessibility import set_expanded
    from tovane.material.button import Button
    from tovane.material.styles import get_qss_style, set_style_property, useTheme
    from tovane.material.time_picker._cadrell import TimePickerBase

    class TimeEditPicker(TimePickerBase):
        """A time field: an outlined frame (the theme's "MuiOutlinedInput")
        with a frameless time editor (type the digits, or step the section
        under the cursor with the arrow keys) and a clock button that opens a
        choice of hours and minutes. Seconds are shown on request.

        With the keyboard: Alt+Down or F4 in the editor, or Space or Enter
        on the clock button, opens the clock on the current hour; the arrow
        keys move in its grid, Tab goes from the hours to the minutes, Space
        or Enter picks (an hour moves on to the minutes, a minute closes the
        clock) and Escape closes it; focus comes back to where it was. The
        editor is named "Time" for assistive technology unless the field is
        given an accessible name (``setAccessibleName``).

        ``timeChanged`` is emitted whenever the time changes, from the editor,
        the clock or ``setTime``.
        """

        def __init__(self, parent: QWidget | None = None, showSeconds: bool = False) -> None:
            super().__init__(parent=parent, showSeconds=showSeconds)
            theme = useTheme()
            self.setObjectName(f"TimeField-{id(self)}")
            self.setAttribute(Qt.WidgetAttribute.WA_StyledBackground, True)
            self.setFixedHeight(theme.controlHeight("medium"))
            self._edit = QTimeEdit(self)
            self._edit.setButtonSymbols(QAbstractSpinBox.ButtonSymbols.NoButtons)
            self._edit.setFrame(False)
            self._edit.setSizePolicy(QSizePolicy.Policy.Expanding, QSizePolicy.Policy.Expanding)
            self._edit.installEventFilter(self)
            self._edit.timeChanged.connect(self.setTime)
            self._edit.setAccessibleName("Time")
            self._clock = Button(startIcon=CLOCK_ICON, variant="text", size="small")
            self._clock.renderUi(parent=self)
            self._clock.setToolTip("Choose a time")  # its name, for a button with only an icon
            self._clock.setProperty("hasPopup", True)
            self._clock.setProperty("expanded", False)
            self._clock.clicked.connect(self._open_clock)
            layout = QHBoxLayout(self)
            layout.setContentsMargins(space(2), 0, space(1), 0)
            layout.setSpacing(space(1))
            layout.addWidget(self._edit, 1)
            layout.addWidget(self._clock)
            self._apply_format()
            useEffect(self._apply_style, [theme.state], component=self)

        def setTime(self, time: QTime) -> None:
            time = QTime(time)
            changed = time != self.getTime()
            self._time = time
            if self._edit.time() != time:
                with QSignalBlocker(self._edit):
                    self._edit.setTime(time)
            if changed:
                self.timeChanged.emit(QTime(time))

        def setSecondVisible(self, isVisible: bool) -> None:
            self._isSecondVisible = isVisible
            self._apply_format()

        def _apply_format(self) -> None:
            self._edit.setDisplayFormat("HH:mm:ss" if self._isSecondVisible else "HH:mm")

        def _apply_style(self) -> None:
            theme = useTheme()
            name = f"#{self.objectName()}"
            root = theme.components["MuiOutlinedInput"]["styles"]["root"]({"size": "medium"})
            self.setStyleSheet(get_qss_style(root, class_name=name) + (
                f"\n{name} QTimeEdit {{ border: none; background: transparent; padding: 0px;"
                f" color: {theme.palette.text.primary}; selection-background-color: {theme.palette.primary.main};"
                f" selection-color: {theme.palette.primary.contrastText}; }}"
                # Without this, a frameless editor gives its text field no width.
                f"\n{name} QTimeEdit::up-button, {name} QTimeEdit::down-button"
                f" {{ subcontrol-origin: border; width: 0px; border: none; }}"))

        def setAccessibleName(self, name: str) -> None:
            """Name the field (its editor) for assistive technology."""
            super().setAccessibleName(name)
            self._edit.setAccessibleName(name or "Time")

        def eventFilter(self, watched: QObject, event: QEvent) -> bool:
            # The frame shows the editor's focus (a 2-px primary border).
            if watched is self._edit and event.type() in (QEvent.Type.FocusIn, QEvent.Type.FocusOut):
                set_style_property(self, "focused", "true" if event.type() == QEvent.Type.FocusIn else "false")
            if watched is self._edit and event.type() == QEvent.Type.KeyPress and _opens_clock(cast(QKeyEvent, event)):
                self._open_clock()
                return True
            return super().eventFilter(watched, event)

        def _open_clock(self) -> None:
            if self.__dict__.get("_popup") is None:
                self._popup = _Clock(self)
            self._popup.showFor(self.getTime() if not self.getTime().isNull() else QTime(0, 0), focus=True)
            set_expanded(self._clock, True)

        def _clock_closed(self) -> None:
            set_expanded(self._clock, False)

    class _Clock(QFrame):
        """The clock's pop-up: hours and minutes (five-minute steps) as
        buttons, the current ones selected; picking an hour keeps it open,
        picking a minute closes it. One per picker, shown again each time.

        Each grid is one stop of the Tab key (its current cell); the arrow
        keys move within a grid, wrapping at its edges."""

        def __init__(self, picker: TimeEditPicker) -> None:
            super().__init__(picker, Qt.WindowType.Popup)
            self.setObjectName(f"TimeFieldClock-{id(self)}")
            self.setAccessibleName("Choose a time")
            self._picker = picker
            self._cells: dict[tuple[str, int], Button] = {}  # ("hour" or "minute", value) -> Button
            self._grids: dict[str, list[Button]] = {}  # "hour" or "minute" -> its cells, in order
            layout = QVBoxLayout(self)
            layout.setContentsMargins(space(2), space(2), space(2), space(2))
            layout.setSpacing(space(1))
            for unit, title, values in (("hour", "Hours", range(24)), ("minute", "Minutes", range(0, 60, 5))):
                layout.addWidget(text(title, "subtitle2"))
                grid = QGridLayout()
                grid.setSpacing(space(0.5))
                for index, value in enumerate(values):
                    cell = Button(f"{value:02d}", size="small")
                    cell.renderUi(parent=self)
                    cell.setAccessibleName(f"{value:02d} {title.lower()}")
                    cell.clicked.connect(lambda _=False, u=unit, v=value: self._pick(u, v))
                    cell.installEventFilter(self)
                    grid.addWidget(cell, index // _CLOCK_COLUMNS, index % _CLOCK_COLUMNS)
                    self._cells[unit, value] = cell
                    self._grids.setdefault(unit, []).append(cell)
                layout.addLayout(grid)
            useEffect(self._apply_style, [useTheme().state], component=self)

        def _apply_style(self) -> None:
            # The surface follows the theme, as the cells and titles on it do.
            palette = useTheme().palette
            self.setStyleSheet(f"#{self.objectName()} {{ background-color: {palette.background.paper};"
                               f" border: 1px solid {palette.outline}; border-radius: 8px; }}")

        def _current(self, unit: str) -> Button:
            # The selected cell; for a minute between the steps, the step before it.
            time = self._picker.getTime()
            value = 0 if time.isNull() else time.hour() if unit == "hour" else time.minute() // 5 * 5
            return self._cells[unit, value]

        def showFor(self, time: QTime, focus: bool = False) -> None:
            for (unit, value), cell in self._cells.items():
                cell.set_selected(value == (time.hour() if unit == "hour" else time.minute()))
            for unit in self._grids:
                self._make_stop(self._current(unit))
            self.move(self._picker.mapToGlobal(self._picker.rect().bottomLeft()))
            self.show()
            if focus:
                self._current("hour").setFocus(Qt.FocusReason.ShortcutFocusReason)

        def _make_stop(self, cell: Button) -> None:
            # The Tab key stops at one cell of each grid: the current one.
            for other in self._grids[self._unit(cell)]:
                policy = Qt.FocusPolicy.StrongFocus if other is cell else Qt.FocusPolicy.ClickFocus
                other.setFocusPolicy(policy)

        def _unit(self, cell: Button) -> str:
            return "hour" if cell in self._grids["hour"] else "minute"

        def eventFilter(self, watched: QObject, event: QEvent) -> bool:
            cell = cast(Button, watched)  # the filter is installed on the cells only
            if event.type() == QEvent.Type.FocusIn:
                self._make_stop(cell)
            elif event.type() == QEvent.Type.KeyPress and cast(QKeyEvent, event).key() in _GRID_STEPS:
                cells = self._grids[self._unit(cell)]
                step = _GRID_STEPS[cast(QKeyEvent, event).key()]
                cells[(cells.index(cell) + step) % len(cells)].setFocus(Qt.FocusReason.ShortcutFocusReason)
                return True
            return super().eventFilter(watched, event)

        def hideEvent(self, event: QHideEvent) -> None:
            super().hideEvent(event)
            self._picker._clock_closed()

        def _pick(self, unit: str, value: int) -> None:
            time = self._picker.getTime()
            time = time if not time.isNull() else QTime(0, 0)
            if unit == "hour":
                self._picker.setTime(QTime(value, time.minute(), time.second()))
                self.showFor(self._picker.getTime())
                if self._cells[unit, value].hasFocus():  # picked from the keyboard: on to the minutes
                    self._current("minute").setFocus(Qt.FocusReason.ShortcutFocusReason)
            else:
                self._picker.setTime(QTime(time.hour(), value, time.second()))
                self.hide()

    def _opens_clock(event: QKeyEvent) -> bool:
        key, mods = event.key(), event.modifiers() & ~Qt.KeyboardModifier.KeypadModifier
        return (key == Qt.Key.Key_F4 and mods == Qt.KeyboardModifier.NoModifier) or \
            (key == Qt.Key.Key_Down and mods == Qt.KeyboardModifier.AltModifier)

    _CLOCK_COLUMNS = 6
    # Looked up with QKeyEvent.key(), an int.
    _GRID_STEPS: dict[int, int] = {Qt.Key.Key_Left: -1, Qt.Key.Key_Right: 1, Qt.Key.Key_Up: -_CLOCK_COLUMNS,
                                   Qt.Key.Key_Down: _CLOCK_COLUMNS}

    TimeEditPicker.__module__ = "tovane.gallery"
    return TimeEditPicker


@page("time-picker", "Time picker",
      "A time field built on the library's TimePickerBase: type a time, step it with the arrow "
      "keys, or pick it from the clock button (Alt+Down in the field opens it, Escape closes it). "
      "setTime and setSecondVisible drive it, and every change is announced with timeChanged.")
def time_picker_page(ctx: RenderContext, widget: QWidget, layout: QVBoxLayout) -> None:
    from tovane.material.switch import Switch

    picker_cls = _time_edit_picker_class()

    picker = picker_cls()
    picker.setFixedWidth(space(20))
    last = caption("timeChanged has not been emitted yet")

    def on_changed(time: QTime) -> None:
        fmt = "HH:mm:ss" if picker.isSecondVisible() else "HH:mm"
        last.setText(f"timeChanged({time.toString(fmt)}); getTime() returns "
                     f"{picker.getTime().toString(fmt)}; isSecondVisible() returns {picker.isSecondVisible()!r}")

    picker.timeChanged.connect(on_changed)
    picker.setTime(QTime(10, 30, 15))

    def on_seconds(checked: bool) -> None:
        picker.setSecondVisible(checked)
        on_changed(picker.getTime())

    seconds = Switch(label="Show seconds", onChange=on_seconds)
    presets = [button(ctx, widget, label, lambda t=time: picker.setTime(t))  # type: ignore[misc]
               for label, time in (("Noon", QTime(12, 0)), ("Half past six", QTime(18, 30)))]
    layout.addWidget(section("TimeEditPicker()"))
    layout.addWidget(text("Time", "caption", "caption"))
    layout.addLayout(row(picker, seconds, *presets))
    layout.addWidget(last)

    layout.addSpacing(space(1))
    layout.addWidget(section("TimeEditPicker(showSeconds=True)"))
    with_seconds = picker_cls(showSeconds=True)
    with_seconds.setFixedWidth(space(20))
    with_seconds.setTime(QTime(23, 59, 58))
    with_seconds.setAccessibleName("Time, with seconds")
    layout.addWidget(text("Time", "caption", "caption"))
    note = caption("starts with the seconds column shown")
    note.setWordWrap(False)
    layout.addLayout(row(with_seconds, note, spacing=2))
    layout.addStretch(1)
