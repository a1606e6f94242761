"""The widget gallery: one page per widget of the library, on the library's theme.

    python -m tovane.gallery                       open the gallery window
    python -m tovane.gallery --screenshots DIR     render every page, light and
                                                   dark, to PNG files in DIR

Without a display (neither DISPLAY nor WAYLAND_DISPLAY set, or
QT_QPA_PLATFORM=offscreen) the gallery cannot open a window, so it renders
the screenshots into ./screenshots instead. Either way it prints the path of
every file it wrote, one a line, and exits 0 when every page was built.

Adding a page: write a factory that takes the render context and returns the
page's widget, and register it with ``@page(key, title)``::

    @page("chips", "Chips")
    def chips_page(ctx):
        widget, layout = page_frame("Chips", "What a chip is for.")
        ...
        return widget

Pages appear in registration order. A factory that raises does not take the
gallery down: its page shows the error instead, and a screenshot run reports
it and exits 1.
"""

import argparse
import os
import sys
import traceback
from dataclasses import dataclass
from functools import cache
from pathlib import Path
from typing import Callable

import shiboken6
from PySide6.QtCore import QSignalBlocker, Qt, QTime
from PySide6.QtGui import QColor, QPalette
from PySide6.QtWidgets import (
    QApplication, QButtonGroup, QFrame, QGridLayout, QHBoxLayout, QLabel, QListWidget,
    QPushButton, QStackedWidget, QTimeEdit, QVBoxLayout, QWidget,
)

from tovane.material.component import RenderContext
from tovane.material.styles import useTheme

__all__ = ["PAGES", "Page", "page", "page_frame", "GalleryWindow", "TimeEditPicker",
           "render_screenshots", "main"]

DEFAULT_SIZE = (900, 600)
CLOCK_ICON = ":/round/resource_tovane/round/access_time.svg"


@dataclass(frozen=True)
class Page:
    key: str      # file-name friendly: "sliders"
    title: str    # shown in the navigation list
    build: Callable[[RenderContext], QWidget]


PAGES: list[Page] = []


def page(key, title):
    """Register the decorated factory as a gallery page."""
    def register(build):
        if any(p.key == key for p in PAGES):
            raise ValueError(f"a gallery page with the key {key!r} exists already")
        PAGES.append(Page(key, title, build))
        return build
    return register


def page_frame(title, summary):
    """An empty page with a heading and a summary; returns (widget, layout)."""
    widget = QWidget()
    layout = QVBoxLayout(widget)
    layout.setContentsMargins(24, 18, 24, 18)
    layout.setSpacing(10)
    heading = QLabel(title)
    heading.setObjectName("PageTitle")
    layout.addWidget(heading)
    layout.addWidget(_caption(summary))
    return widget, layout


def _caption(text):
    label = QLabel(text)
    label.setWordWrap(True)
    label.setProperty("role", "caption")
    return label


def _code(text):
    label = QLabel(text)
    label.setWordWrap(True)
    label.setTextInteractionFlags(Qt.TextInteractionFlag.TextSelectableByMouse)
    label.setProperty("role", "code")
    return label


def _section(text):
    label = QLabel(text)
    label.setProperty("role", "section")
    return label


# Pages ---------------------------------------------------------------------

@page("sliders", "Sliders")
def sliders_page(ctx):
    from tovane.material.slider.pennard import DemoWidget

    widget, layout = page_frame(
        "Sliders",
        "Plain and range sliders in the platform look (with the library's handle colour), "
        "and below them the same sliders in the library's own slider style.")
    layout.addWidget(DemoWidget(), 1)
    return widget


def _toggle(ctx, parent, *args, **kwargs):
    # renderUi of a toggle button builds the button and returns None: the
    # button itself is what goes into the layout.
    from tovane.material.flintor.flintor import ToggleButton

    button = ToggleButton(*args, **kwargs)
    button.renderUi(ctx, parent=parent)
    return button


def _checked_text(button):
    return "checked" if button.isChecked() else "not checked"


@page("toggle-buttons", "Toggle buttons")
def toggle_buttons_page(ctx):
    widget, layout = page_frame(
        "Toggle buttons",
        "Buttons that stay down when pressed. Click one to toggle it; the text next to it "
        "follows its checked state.")
    grid = QGridLayout()
    grid.setHorizontalSpacing(16)
    grid.setVerticalSpacing(14)
    grid.setColumnStretch(2, 1)
    layout.addLayout(grid)

    rows = [
        ("Default icon", "ToggleButton()", {}, ()),
        ("Default icon with a text", 'ToggleButton(CLOCK, None, None, False, "Reminders")',
         {}, (CLOCK_ICON, None, None, False, "Reminders")),
        ("Selected", "ToggleButton(selected=True)", {"selected": True}, ()),
        ("Selected with a text", 'ToggleButton(CLOCK, None, None, True, "Alarm on")',
         {}, (CLOCK_ICON, None, None, True, "Alarm on")),
    ]
    for row, (title, code, kwargs, args) in enumerate(rows):
        button = _toggle(ctx, widget, *args, **kwargs)
        state = _caption(_checked_text(button))
        button.toggled.connect(lambda _on, b=button, s=state: s.setText(_checked_text(b)))
        cell = QHBoxLayout()
        cell.setSpacing(10)
        cell.addWidget(button)
        cell.addWidget(state)
        cell.addStretch(1)
        grid.addWidget(_section(title), row, 0)
        grid.addLayout(cell, row, 1)
        grid.addWidget(_code(code), row, 2)

    layout.addSpacing(8)
    layout.addWidget(_section("A group: one choice at a time"))
    group = QButtonGroup(widget)
    group.setExclusive(True)
    row = QHBoxLayout()
    row.setSpacing(8)
    for text, value, selected in (("Day", "day", False), ("Week", "week", True), ("Month", "month", False)):
        button = _toggle(ctx, widget, None, None, value, selected, text)
        group.addButton(button)
        row.addWidget(button)
    row.addStretch(1)
    layout.addLayout(row)
    chosen = _caption("")

    def show_choice(*_):
        button = group.checkedButton()
        chosen.setText(f"value() of the checked button: {button.value()!r}" if button else "nothing checked")

    group.buttonToggled.connect(show_choice)
    show_choice()
    layout.addWidget(chosen)
    layout.addStretch(1)
    return widget


_GETTERS = ("label", "checked", "disabled", "left", "color", "size", "edge", "value")


@page("switch-parameters", "Switch parameters")
def switch_parameters_page(ctx):
    from tovane.errors import DeZidOzezuzavuvArazo
    from tovane.hooks import State
    from tovane.material.switch._serializer import Serializer

    widget, layout = page_frame(
        "Switch parameters",
        "Parameters are validated at construction. The getters read through a State and fall "
        "back where a value is out of range: any colour string is kept, an unknown size gives "
        "\"small\", an unknown edge False.")

    examples = [
        ("defaults", "Serializer()", Serializer()),
        ("plain values",
         'Serializer(label="Wi-Fi", checked=True, color="success", size="small", edge="end", value="wifi")',
         Serializer(label="Wi-Fi", checked=True, color="success", size="small", edge="end", value="wifi")),
        ("States",
         'Serializer(label=State("Bluetooth"), left=State(False), color=State("#7635DC"), '
         'size=State("large"), edge=State(None))',
         Serializer(label=State("Bluetooth"), left=State(False), color=State("#7635DC"),
                    size=State("large"), edge=State(None))),
    ]
    for heading, code, _ in examples[1:]:
        layout.addWidget(_code(f"{heading}: {code}"))
    grid = QGridLayout()
    grid.setHorizontalSpacing(18)
    grid.setVerticalSpacing(3)
    grid.addWidget(_section("getter"), 0, 0)
    for column, (heading, _, _) in enumerate(examples, start=1):
        grid.addWidget(_section(heading), 0, column)
        grid.setColumnStretch(column, 1)
    for row, name in enumerate(_GETTERS, start=1):
        getter = f"_get_{name}"
        grid.addWidget(_code(f"{getter}()"), row, 0)
        for column, (_, _, serializer) in enumerate(examples, start=1):
            grid.addWidget(QLabel(repr(getattr(serializer, getter)())), row, column)
    layout.addLayout(grid)

    layout.addSpacing(6)
    layout.addWidget(_section("Rejected values"))
    for code, kwargs in (('Serializer(color="purple")', {"color": "purple"}),
                         ('Serializer(checked="yes")', {"checked": "yes"})):
        try:
            Serializer(**kwargs)
        except DeZidOzezuzavuvArazo as error:
            outcome = f"{type(error).__name__}: {error}"
        else:
            outcome = "accepted (it should have been rejected)"
        layout.addWidget(_code(code))
        message = _caption(outcome)
        message.setProperty("role", "error")
        layout.addWidget(message)
    layout.addStretch(1)
    return widget


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

    TimeEditPicker.__module__ = __name__
    return TimeEditPicker


def __getattr__(name):
    # TimeEditPicker is built on a native module; importing the gallery should
    # not need it until a time picker is actually wanted.
    if name == "TimeEditPicker":
        return _time_edit_picker_class()
    raise AttributeError(f"module {__name__!r} has no attribute {name!r}")


@page("time-picker", "Time picker")
def time_picker_page(ctx):
    picker_cls = _time_edit_picker_class()
    widget, layout = page_frame(
        "Time picker",
        "A time picker built on the library's TimePickerBase: setTime and setSecondVisible "
        "drive a time editor, and every change is announced with timeChanged.")

    picker = picker_cls()
    picker.setMinimumWidth(140)
    last = _caption("timeChanged has not been emitted yet")

    def on_changed(time):
        fmt = "HH:mm:ss" if picker.isSecondVisible() else "HH:mm"
        last.setText(f"timeChanged({time.toString(fmt)}); getTime() returns "
                     f"{picker.getTime().toString(fmt)}; isSecondVisible() returns {picker.isSecondVisible()!r}")

    picker.timeChanged.connect(on_changed)
    picker.setTime(QTime(10, 30, 15))

    seconds = _toggle(ctx, widget, None, None, None, False, "Show seconds")

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
    layout.addWidget(_section("TimeEditPicker()"))
    layout.addLayout(row)
    layout.addWidget(last)

    layout.addSpacing(12)
    layout.addWidget(_section("TimeEditPicker(showSeconds=True)"))
    with_seconds = picker_cls(showSeconds=True)
    with_seconds.setMinimumWidth(140)
    with_seconds.setTime(QTime(23, 59, 58))
    row = QHBoxLayout()
    row.addWidget(with_seconds)
    note = _caption("starts with the seconds column shown")
    note.setWordWrap(False)
    row.addWidget(note)
    row.addStretch(1)
    layout.addLayout(row)
    layout.addStretch(1)
    return widget


# The window -----------------------------------------------------------------

def _qt_palette(theme):
    p = theme.palette
    dark = theme.mode == "dark"
    background, paper = QColor(p.background.default), QColor(p.background.paper)
    text, secondary = QColor(p.text.primary), QColor(p.text.secondary)
    pal = QPalette()
    for group in (QPalette.ColorGroup.Active, QPalette.ColorGroup.Inactive):
        pal.setColor(group, QPalette.ColorRole.Window, background)
        pal.setColor(group, QPalette.ColorRole.WindowText, text)
        pal.setColor(group, QPalette.ColorRole.Base, paper)
        pal.setColor(group, QPalette.ColorRole.AlternateBase, background)
        pal.setColor(group, QPalette.ColorRole.Text, text)
        pal.setColor(group, QPalette.ColorRole.Button, paper.lighter(130) if dark else QColor("#F4F6F8"))
        pal.setColor(group, QPalette.ColorRole.ButtonText, text)
        pal.setColor(group, QPalette.ColorRole.PlaceholderText, secondary)
        pal.setColor(group, QPalette.ColorRole.Highlight, QColor(p.primary.main))
        pal.setColor(group, QPalette.ColorRole.HighlightedText, QColor("#FFFFFF" if not dark else "#161C24"))
        pal.setColor(group, QPalette.ColorRole.Light, paper.lighter(160) if dark else QColor("#FFFFFF"))
        pal.setColor(group, QPalette.ColorRole.Midlight, paper.lighter(140) if dark else QColor("#E9ECEE"))
        pal.setColor(group, QPalette.ColorRole.Mid, QColor("#637381" if dark else "#C4CDD5"))
        pal.setColor(group, QPalette.ColorRole.Dark, QColor("#919EAB" if dark else "#919EAB"))
        pal.setColor(group, QPalette.ColorRole.Shadow, QColor("#000000"))
    pal.setColor(QPalette.ColorGroup.Disabled, QPalette.ColorRole.WindowText, QColor(p.text.disabled))
    pal.setColor(QPalette.ColorGroup.Disabled, QPalette.ColorRole.Text, QColor(p.text.disabled))
    pal.setColor(QPalette.ColorGroup.Disabled, QPalette.ColorRole.ButtonText, QColor(p.text.disabled))
    return pal


def _window_qss(theme):
    p = theme.palette
    return f"""
        QLabel#GalleryTitle {{ font-size: 17px; font-weight: 700; }}
        QLabel#PageTitle {{ font-size: 22px; font-weight: 700; }}
        QLabel[role="section"] {{ font-weight: 700; }}
        QLabel[role="caption"] {{ color: {p.text.secondary}; }}
        QLabel[role="error"] {{ color: {p.error.main}; }}
        QLabel[role="code"] {{ font-family: "DejaVu Sans Mono", monospace; font-size: 12px; }}
        QFrame#GalleryRule {{ background-color: {p.divider}; border: none; }}
        QListWidget#GalleryNav {{ background-color: {p.background.paper}; border: none;
                                  padding: 8px; outline: none; }}
        QListWidget#GalleryNav::item {{ color: {p.text.secondary}; padding: 8px 10px; border-radius: 6px; }}
        QListWidget#GalleryNav::item:hover {{ background-color: {p.action.hover}; }}
        QListWidget#GalleryNav::item:selected {{ background-color: {p.action.selected};
                                                 color: {p.primary.main}; font-weight: 700; }}
    """


class GalleryWindow(QWidget):
    """Navigation on the left, the selected page on the right, and a dark-mode
    switch in the header. Every page is built when the window is."""

    def __init__(self, pages=None, theme=None):
        super().__init__()
        self.setWindowTitle("tovane gallery")
        self.setAutoFillBackground(True)
        self.theme = theme if theme is not None else useTheme()
        self.ctx = RenderContext(theme=self.theme)
        self.pages = list(PAGES if pages is None else pages)
        self.failures = {}  # page key -> traceback text

        header = QHBoxLayout()
        header.setContentsMargins(18, 10, 18, 10)
        title = QLabel("tovane gallery")
        title.setObjectName("GalleryTitle")
        header.addWidget(title)
        header.addStretch(1)
        self.modeSwitch = _toggle(self.ctx, self, None, None, "dark", self.theme.mode == "dark", "Dark mode")
        self.modeSwitch.toggled.connect(lambda on: self.theme.setMode("dark" if on else "light"))
        header.addWidget(self.modeSwitch)

        rule = QFrame()
        rule.setObjectName("GalleryRule")
        rule.setFixedHeight(1)

        self.nav = QListWidget()
        self.nav.setObjectName("GalleryNav")
        self.nav.setFixedWidth(190)
        self.stack = QStackedWidget()
        for entry in self.pages:
            self.nav.addItem(entry.title)
            self.stack.addWidget(self._build(entry))
        self.nav.currentRowChanged.connect(self.stack.setCurrentIndex)

        body = QHBoxLayout()
        body.setContentsMargins(0, 0, 0, 0)
        body.setSpacing(0)
        body.addWidget(self.nav)
        body.addWidget(self.stack, 1)

        outer = QVBoxLayout(self)
        outer.setContentsMargins(0, 0, 0, 0)
        outer.setSpacing(0)
        outer.addLayout(header)
        outer.addWidget(rule)
        outer.addLayout(body, 1)
        if self.pages:
            self.nav.setCurrentRow(0)

        # The theme's colours reach Qt's own widgets through the application
        # palette (a widget palette does not survive a style sheet); the one
        # the application had is given back when the window goes away.
        previous = QPalette(QApplication.palette())
        self.destroyed.connect(lambda *_: QApplication.setPalette(previous))
        from tovane.hooks import useEffect
        useEffect(self._apply_theme, [self.theme.state], component=self)

    def _build(self, entry):
        try:
            widget = entry.build(self.ctx)
            if not isinstance(widget, QWidget):
                raise TypeError(f"page factory {entry.key!r} returned {type(widget).__name__}, not a QWidget")
            return widget
        except Exception:
            self.failures[entry.key] = traceback.format_exc()
            widget, layout = page_frame(entry.title, "This page could not be built:")
            error = _code(self.failures[entry.key])
            error.setProperty("role", "error")
            layout.addWidget(error)
            layout.addStretch(1)
            return widget

    def _apply_theme(self):
        QApplication.setPalette(_qt_palette(self.theme))
        self.setStyleSheet(_window_qss(self.theme))
        dark = self.theme.mode == "dark"
        if self.modeSwitch.isChecked() != dark:
            self.modeSwitch.set_selected(dark)

    def showPage(self, index):
        self.nav.setCurrentRow(index)


# Screenshots and the command line ------------------------------------------

def render_screenshots(window, directory, size=DEFAULT_SIZE, modes=("light", "dark")):
    """Render every page of ``window`` in each theme mode to DIR/NN-key-mode.png.

    Returns the paths written. The window is shown off screen (it never
    appears on a display) and the theme's mode is restored afterwards.
    """
    directory = Path(directory)
    directory.mkdir(parents=True, exist_ok=True)
    window.setAttribute(Qt.WidgetAttribute.WA_DontShowOnScreen, True)
    window.resize(*size)
    window.show()
    theme = window.theme
    original = theme.mode
    paths = []
    try:
        for mode in modes:
            theme.setMode(mode)
            for index, entry in enumerate(window.pages):
                window.showPage(index)
                QApplication.processEvents()
                image = window.grab()
                path = directory / f"{index + 1:02d}-{entry.key}-{mode}.png"
                if image.isNull() or not image.save(str(path), "PNG"):
                    raise OSError(f"could not write the screenshot {path}")
                paths.append(path)
    finally:
        theme.setMode(original)
        window.hide()
    return paths


def _headless():
    if os.environ.get("QT_QPA_PLATFORM", "").startswith("offscreen"):
        return True
    return not (os.environ.get("DISPLAY") or os.environ.get("WAYLAND_DISPLAY"))


def _size(text):
    try:
        width, height = (int(v) for v in text.lower().split("x"))
    except ValueError:
        raise argparse.ArgumentTypeError(f"expected WIDTHxHEIGHT, e.g. 900x600, not {text!r}") from None
    if width < 200 or height < 150:
        raise argparse.ArgumentTypeError(f"{text} is too small (at least 200x150)")
    return width, height


def _parser():
    parser = argparse.ArgumentParser(
        prog="python -m tovane.gallery",
        description="The tovane widget gallery. Without a display it renders every page to PNG files.")
    parser.add_argument("--screenshots", metavar="DIR",
                        help="render every page (light and dark) to PNG files in DIR and exit "
                             "(default without a display: ./screenshots)")
    parser.add_argument("--size", type=_size, default=DEFAULT_SIZE, metavar="WxH",
                        help="window size, default 900x600")
    return parser


def main(argv=None):
    args = _parser().parse_args(argv)
    headless = _headless()
    if headless:
        # Must be decided before the QApplication exists.
        os.environ.setdefault("QT_QPA_PLATFORM", "offscreen")
    app = QApplication.instance() or QApplication([sys.argv[0] if sys.argv else "tovane-gallery"])
    window = GalleryWindow()

    if args.screenshots is not None or headless:
        paths = render_screenshots(window, args.screenshots or "screenshots", size=args.size)
        for path in paths:
            print(path)
        failures = dict(window.failures)
        shiboken6.delete(window)  # now, not at the next event loop: a caller may go on using Qt
        for key, text in failures.items():
            print(f"gallery page {key!r} could not be built:\n{text}", file=sys.stderr)
        return 1 if failures else 0

    window.resize(*args.size)
    window.show()
    return app.exec()
