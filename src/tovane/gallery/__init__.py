"""The widget gallery: one page per widget of the library, on the library's theme.

    python -m tovane.gallery                       open the gallery window
    python -m tovane.gallery --screenshots DIR     render every page, light and
                                                   dark, to PNG files in DIR

Without a display (neither DISPLAY nor WAYLAND_DISPLAY set, or
QT_QPA_PLATFORM=offscreen) the gallery cannot open a window, so it renders
the screenshots into ./screenshots instead. Either way it prints the path of
every file it wrote, one a line, and exits 0 when every page was built.

Adding a page: write a module of this package with a factory that takes the
render context and returns the page's widget, register it with
``@page(key, title)``, and name the module in ``PAGE_MODULES``::

    @page("chips", "Chips")
    def chips_page(ctx):
        widget, layout = page_frame("Chips", "What a chip is for.")
        ...
        return widget

Pages appear in the order of ``PAGE_MODULES``. A factory that raises does not take the
gallery down: its page shows the error instead, and a screenshot run reports
it and exits 1.
"""

import argparse
import importlib
import os
import sys
import traceback
from pathlib import Path

import shiboken6
from PySide6.QtCore import Qt
from PySide6.QtGui import QColor, QPalette
from PySide6.QtWidgets import QApplication, QFrame, QHBoxLayout, QLabel, QListWidget, QStackedWidget, QVBoxLayout, QWidget

from tovane.material.component import RenderContext
from tovane.material.styles import useTheme

from ._common import PAGES, Page, code_text, page, page_frame, toggle

__all__ = ["PAGES", "PAGE_MODULES", "Page", "page", "page_frame", "GalleryWindow", "TimeEditPicker",
           "render_screenshots", "main"]

DEFAULT_SIZE = (900, 600)

# The page modules, in the order of the navigation.
PAGE_MODULES = ("sliders", "toggle_buttons", "switch_parameters", "time_picker", "lists", "forms")

for _name in PAGE_MODULES:
    importlib.import_module(f"{__name__}.{_name}")


def __getattr__(name):
    # TimeEditPicker is built on a native module; importing the gallery should
    # not need it until a time picker is actually wanted.
    if name == "TimeEditPicker":
        from .time_picker import _time_edit_picker_class

        return _time_edit_picker_class()
    raise AttributeError(f"module {__name__!r} has no attribute {name!r}")


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
        self.modeSwitch = toggle(self.ctx, self, None, None, "dark", self.theme.mode == "dark", "Dark mode")
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
            error = code_text(self.failures[entry.key])
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
