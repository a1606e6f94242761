"""The widget gallery: one page per widget of the library, on the library's theme::

    python -m tovane.gallery                       open the gallery window
    python -m tovane.gallery --screenshots DIR     render every page, light and
                                                   dark, to PNG files in DIR
    ... --size 640x420 --scale 2                   window size, device pixel ratio

Without a display (neither DISPLAY nor WAYLAND_DISPLAY set, or
QT_QPA_PLATFORM=offscreen) the gallery cannot open a window, so it renders
the screenshots into ./screenshots instead. Either way it prints the path of
every file it wrote, one a line, and exits 0 when every page was built.

Adding a page: write a module of this package with a function that fills a
page, register it with ``@page(key, title, summary)``, and name the module in
``PAGE_MODULES``. The function gets the render context and the new page (its
widget, and its layout under the heading and summary)::

    @page("chips", "Chips", "What a chip is for.")
    def chips_page(ctx, widget, layout):
        layout.addWidget(section("Filled chips"))
        ...

The window styles every page from the theme: labels made with ``text``,
``section``, ``caption`` and ``code_text`` (see ``_common``) get the theme's
type scale and colours, and each page sits in a scroll area. Pages appear in
the order of ``PAGE_MODULES``. A factory that raises does not take the
gallery down: its page shows the error instead, and a screenshot run reports
it and exits 1.

The gallery works with the keyboard alone: Tab goes through the header, the
navigation and the page in reading order (a page's order is its layouts',
see ``_keyboard``), and every control shows the theme's focus ring. In a
window narrower than ``COMPACT_BELOW`` the navigation folds away behind a
"Pages" button and the pages reflow to the width (see ``_reflow``).
"""

from __future__ import annotations

import argparse
import atexit
import importlib
import os
import sys
import traceback
import weakref
from collections.abc import Iterable, Sequence
from pathlib import Path
from typing import Any, cast

import shiboken6
from PySide6.QtCore import QEvent, QObject, Qt
from PySide6.QtGui import QImage, QKeyEvent, QPalette, QResizeEvent
from PySide6.QtWidgets import (QApplication, QFrame, QHBoxLayout, QListWidget, QScrollArea, QStackedWidget,
                               QVBoxLayout, QWidget)

from tovane.material.component import RenderContext
from tovane.material.styles import Theme, apply_theme, get_qss_style, useTheme

from ._common import PAGES, Page, code_text, page, page_frame, space, text
from ._keyboard import focus_chain, set_focus_chain

__all__ = ["PAGES", "PAGE_MODULES", "Page", "page", "page_frame", "GalleryWindow", "TimeEditPicker",
           "render_screenshots", "main"]

DEFAULT_SIZE = (900, 600)
NAV_WIDTH = 200
# Below this window width the navigation folds away behind the "Pages"
# button, and pages keep 16 px margins instead of 24.
COMPACT_BELOW = 800

# The page modules, in the order of the navigation.
PAGE_MODULES = ('sliders', 'toggle_buttons', 'switches', 'time_picker', 'lists', 'forms', 'data_grid', 'natural_order')

for _name in PAGE_MODULES:
    importlib.import_module(f"{__name__}.{_name}")


def __getattr__(name: str) -> Any:
    # TimeEditPicker is built on a native module; importing the gallery should
    # not need it until a time picker is actually wanted.
    if name == "TimeEditPicker":
        from .time_picker import _time_edit_picker_class

        return _time_edit_picker_class()
    raise AttributeError(f"module {__name__!r} has no attribute {name!r}")


# The window -----------------------------------------------------------------

def _window_qss(theme: Theme) -> str:
    """The window's style sheet: the theme's type scale for labels with a
    "variant", colours for their "role", surfaces and the navigation. Qt's
    own widgets (fields, tables, scroll bars ...) take the theme from
    ``apply_theme``."""
    p, radius = theme.palette, theme.shape.borderRadius
    rules = [get_qss_style(vars(style), class_name=f'QLabel[variant="{variant}"]')
             for variant, style in vars(theme.typography).items()]
    rules += [
        f'QLabel[role="caption"] {{ color: {p.text.secondary}; }}',
        f'QLabel[role="error"] {{ color: {p.error.main}; }}',
        f"QFrame#GalleryRule {{ background-color: {p.divider}; border: none; }}",
        f'QFrame[surface="card"] {{ background-color: {p.background.paper}; border: 1px solid {p.divider};'
        f" border-radius: {radius}px; }}",
        f'QFrame[surface="preview"] {{ background-color: #FFFFFF; border: 1px solid {p.outline};'
        f" border-radius: {radius}px; }}",
        "QScrollArea#GalleryScroll { border: none; background: transparent; }",
        f"QListWidget#GalleryNav {{ background-color: {p.background.paper}; border: none;"
        f" border-right: 1px solid {p.divider}; padding: {space(1)}px; outline: none; }}",
        f"QListWidget#GalleryNav::item {{ color: {p.text.secondary}; padding: {space(1)}px {space(2)}px;"
        f" border-radius: {radius}px; }}",
        f"QListWidget#GalleryNav::item:hover {{ background-color: {p.action.hover}; }}",
        f"QListWidget#GalleryNav::item:selected {{ background-color: {p.action.selected};"
        f" color: {p.primary.main}; }}",
    ]
    return "\n".join(rules)


# Windows still alive when the interpreter exits (after the event loop
# returns, or at the end of a script). PySide's own exit handler deletes the
# objects Python owns one by one in no particular order (a widget of the
# window's header before the window), which can crash; a window deleted
# first takes its pages down in Qt's order. Registered after QtCore was
# imported, so this runs before PySide's handler.
_live_windows: "weakref.WeakSet[GalleryWindow]" = weakref.WeakSet()


def _delete_live_windows() -> None:
    for window in list(_live_windows):
        if shiboken6.isValid(window):
            shiboken6.delete(window)


atexit.register(_delete_live_windows)


class GalleryWindow(QWidget):
    """Navigation on the left, the selected page on the right, and a dark-mode
    switch in the header. Every page is built when the window is.

    A window narrower than ``COMPACT_BELOW`` is compact: the "Pages" button
    (``menuButton``) shows the navigation in place of the page, and choosing
    a page (a click, Enter) or Escape folds it away again."""

    def __init__(self, pages: Iterable[Page] | None = None, theme: Theme | None = None) -> None:
        super().__init__()
        from tovane.hooks import useEffect
        from tovane.material.button import Button
        from tovane.material.focus_ring import FocusRing
        from tovane.material.switch import Switch

        self.setWindowTitle("tovane gallery")
        self.setAutoFillBackground(True)
        self.theme = theme if theme is not None else useTheme()
        self.ctx = RenderContext(theme=self.theme)
        self.pages = list(PAGES if pages is None else pages)
        self.failures: dict[str, str] = {}  # page key -> traceback text
        _live_windows.add(self)

        # The theme's palette, body text size and style sheet for Qt's own
        # widgets, application-wide (a widget palette does not survive a
        # style sheet); what the application had is given back when the
        # window goes away.
        binding = apply_theme(theme=self.theme)
        self.destroyed.connect(lambda *_: binding.remove())

        self._header = header = QHBoxLayout()
        header.setContentsMargins(space(3), space(1), space(3), space(1))
        header.setSpacing(space(2))
        self.menuButton = Button("Pages", size="small").renderUi(self.ctx, parent=self)
        self.menuButton.setProperty("expanded", False)
        self.menuButton.setToolTip("Show the list of pages")
        self.menuButton.clicked.connect(self.toggleNavigation)
        self.menuButton.hide()
        header.addWidget(self.menuButton)
        title = text("tovane gallery", "h6")
        title.setObjectName("GalleryTitle")
        header.addWidget(title)
        header.addStretch(1)
        self.modeSwitch = Switch(label="Dark mode", checked=self.theme.mode == "dark", edge="end")
        self.modeSwitch.toggled.connect(lambda on: self.theme.setMode("dark" if on else "light"))
        header.addWidget(self.modeSwitch)
        # The window's sheet before the navigation and the pages are built:
        # their items and labels are laid out in its sizes from the start.
        useEffect(self._apply_theme, [self.theme.state], component=self)

        rule = QFrame()
        rule.setObjectName("GalleryRule")
        rule.setFixedHeight(1)

        self.nav = QListWidget()
        self.nav.setObjectName("GalleryNav")
        self.nav.setAccessibleName("Pages")
        self.nav.setFixedWidth(NAV_WIDTH)
        FocusRing(self.nav, radius=0)
        self.nav.installEventFilter(self)
        self.stack = QStackedWidget()
        for entry in self.pages:
            self.nav.addItem(entry.title)
            scroll = self._scrolled(self._build(entry))
            scroll.setAccessibleName(entry.title)
            FocusRing(scroll, radius=0)
            self.stack.addWidget(scroll)
        self.nav.currentRowChanged.connect(self.stack.setCurrentIndex)
        self.nav.itemClicked.connect(self._chosen)
        self.nav.itemActivated.connect(self._chosen)

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
        # Tab: the header, the navigation, then the page shown, each in reading order.
        chain: list[QWidget] = [self.menuButton, self.modeSwitch, self.nav]
        for index in range(self.stack.count()):
            area = self.stack.widget(index)
            assert area is not None
            chain += [area] + focus_chain(self.page(index))
        set_focus_chain(chain)
        self._compact: bool | None = None  # None until the first fit
        self._fit_width()

    def _build(self, entry: Page) -> QWidget:
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

    @staticmethod
    def _scrolled(widget: QWidget) -> QScrollArea:
        # A page larger than the window scrolls instead of being squeezed.
        scroll = QScrollArea()
        scroll.setObjectName("GalleryScroll")
        scroll.setWidgetResizable(True)
        scroll.setFrameShape(QFrame.Shape.NoFrame)
        scroll.setWidget(widget)
        return scroll

    def page(self, index: int) -> QWidget:
        """The page widget at ``index`` (inside its scroll area)."""
        scroll = self.stack.widget(index)
        assert isinstance(scroll, QScrollArea)
        page = scroll.widget()
        assert page is not None
        return page

    def _apply_theme(self) -> None:
        self.setStyleSheet(_window_qss(self.theme))
        dark = self.theme.mode == "dark"
        if self.modeSwitch.isChecked() != dark:
            self.modeSwitch.setChecked(dark)

    def showPage(self, index: int) -> None:
        self.nav.setCurrentRow(index)

    # The compact window -----------------------------------------------------

    def isCompact(self) -> bool:
        """Whether the navigation is folded away behind the "Pages" button."""
        return bool(self._compact)

    def resizeEvent(self, event: QResizeEvent) -> None:
        super().resizeEvent(event)
        self._fit_width()

    def _fit_width(self) -> None:
        compact = self.width() < COMPACT_BELOW
        if compact == self._compact:
            return
        self._compact = compact
        margin = space(2) if compact else space(3)
        self._header.setContentsMargins(margin, space(1), margin, space(1))
        for index in range(self.stack.count()):
            layout = self.page(index).layout()
            assert layout is not None  # every page is built in a layout
            layout.setContentsMargins(margin, margin, margin, margin)
        self.menuButton.setVisible(compact)
        if compact:
            self.nav.setMinimumWidth(0)
            self.nav.setMaximumWidth(16777215)  # QWIDGETSIZE_MAX: no bound
        else:
            self.nav.setFixedWidth(NAV_WIDTH)
        self._show_navigation(not compact)

    def _show_navigation(self, shown: bool) -> None:
        self.nav.setVisible(shown)
        self.stack.setVisible(not (self._compact and shown))
        if self._compact and self.menuButton.property("expanded") != shown:
            from tovane.material.accessibility import set_expanded

            set_expanded(self.menuButton, shown)

    def toggleNavigation(self) -> None:
        """Compact window: show the navigation in place of the page, or fold it away."""
        if not self._compact:
            return
        shown = not self.nav.isVisible()
        self._show_navigation(shown)
        if shown:
            self.nav.setFocus(Qt.FocusReason.ShortcutFocusReason)

    def _chosen(self, *_: object) -> None:
        # A page chosen in the open navigation of a compact window: to the page.
        if self._compact and self.nav.isVisible():
            self._show_navigation(False)
            shown = self.stack.currentWidget()
            assert shown is not None  # the navigation lists the stack's pages
            shown.setFocus(Qt.FocusReason.ShortcutFocusReason)

    def eventFilter(self, watched: QObject, event: QEvent) -> bool:
        if (watched is self.nav and event.type() == QEvent.Type.KeyPress
                and cast(QKeyEvent, event).key() == Qt.Key.Key_Escape
                and self._compact and self.nav.isVisible()):
            self._show_navigation(False)
            self.menuButton.setFocus(Qt.FocusReason.ShortcutFocusReason)
            return True
        return super().eventFilter(watched, event)


# Screenshots and the command line ------------------------------------------

def _grab(window: QWidget, scale: float) -> QImage:
    """The window drawn at device pixel ratio ``scale`` (text and icons are
    drawn at that resolution, not scaled up)."""
    image = QImage(window.size() * scale, QImage.Format.Format_ARGB32_Premultiplied)
    image.setDevicePixelRatio(scale)
    image.fill(window.palette().color(QPalette.ColorRole.Window))
    window.render(image)
    return image


def render_screenshots(window: GalleryWindow, directory: str | os.PathLike[str], size: tuple[int, int] = DEFAULT_SIZE,
                       modes: Sequence[str] = ("light", "dark"), scale: float = 1) -> list[Path]:
    """Render every page of ``window`` in each theme mode to DIR/NN-key-mode.png.

    Returns the paths written; each image is ``size`` times ``scale`` pixels.
    The window is shown off screen (it never appears on a display) and the
    theme's mode is restored afterwards. If the window cannot take ``size``
    (it is smaller than the window's minimum size), a ``ValueError`` says so.
    """
    directory = Path(directory)
    directory.mkdir(parents=True, exist_ok=True)
    window.setAttribute(Qt.WidgetAttribute.WA_DontShowOnScreen, True)
    window.show()
    window.resize(*size)
    QApplication.processEvents()
    if (window.width(), window.height()) != tuple(size):
        minimum = window.minimumSizeHint()
        raise ValueError(f"the window cannot be {size[0]}x{size[1]}: it needs at least "
                         f"{minimum.width()}x{minimum.height()}")
    theme = window.theme
    original = theme.mode
    paths = []
    try:
        for mode in modes:
            theme.setMode(mode)
            for index, entry in enumerate(window.pages):
                window.showPage(index)
                QApplication.processEvents()
                image = _grab(window, scale)
                path = directory / f"{index + 1:02d}-{entry.key}-{mode}.png"
                if image.isNull() or not image.save(str(path), "PNG"):  # type: ignore[call-overload]  # str at run time
                    raise OSError(f"could not write the screenshot {path}")
                paths.append(path)
    finally:
        theme.setMode(original)
        window.hide()
    return paths


def _headless() -> bool:
    if os.environ.get("QT_QPA_PLATFORM", "").startswith("offscreen"):
        return True
    return not (os.environ.get("DISPLAY") or os.environ.get("WAYLAND_DISPLAY"))


def _size(text: str) -> tuple[int, int]:
    try:
        width, height = (int(v) for v in text.lower().split("x"))
    except ValueError:
        raise argparse.ArgumentTypeError(f"expected WIDTHxHEIGHT, e.g. 900x600, not {text!r}") from None
    if width < 480 or height < 320:
        raise argparse.ArgumentTypeError(f"{text} is too small: the gallery needs at least 480x320")
    return width, height


def _scale(text: str) -> float:
    try:
        value = float(text)
    except ValueError:
        raise argparse.ArgumentTypeError(f"expected a device pixel ratio such as 2, not {text!r}") from None
    if not 1 <= value <= 4:
        raise argparse.ArgumentTypeError(f"the device pixel ratio must be between 1 and 4, not {text}")
    return int(value) if value.is_integer() else value


def _parser() -> argparse.ArgumentParser:
    parser = argparse.ArgumentParser(
        prog="python -m tovane.gallery",
        description="The tovane widget gallery. Without a display it renders every page to PNG files.")
    parser.add_argument("--screenshots", metavar="DIR",
                        help="render every page (light and dark) to PNG files in DIR and exit "
                             "(default without a display: ./screenshots)")
    parser.add_argument("--size", type=_size, default=DEFAULT_SIZE, metavar="WxH",
                        help="window size in device-independent pixels, default 900x600 (at least 480x320)")
    parser.add_argument("--scale", type=_scale, default=1, metavar="RATIO",
                        help="device pixel ratio, e.g. 2 for a high-density screen: the window is laid out "
                             "at --size and screenshots are RATIO times as many pixels")
    return parser


def main(argv: Sequence[str] | None = None) -> int:
    args = _parser().parse_args(argv)
    headless = _headless()
    if headless:
        # Must be decided before the QApplication exists.
        os.environ.setdefault("QT_QPA_PLATFORM", "offscreen")
    app = QApplication.instance()
    if app is None:
        if args.scale != 1:
            os.environ["QT_SCALE_FACTOR"] = str(args.scale)
        app = QApplication([sys.argv[0] if sys.argv else "tovane-gallery"])
    window = GalleryWindow()

    if args.screenshots is not None or headless:
        try:
            paths = render_screenshots(window, args.screenshots or "screenshots", size=args.size,
                                       scale=args.scale)
        except ValueError as error:
            print(f"gallery: {error}", file=sys.stderr)
            shiboken6.delete(window)
            return 2
        for path in paths:
            print(path)
        failures = dict(window.failures)
        shiboken6.delete(window)  # now, not at the next event loop: a caller may go on using Qt
        for key, text_ in failures.items():
            print(f"gallery page {key!r} could not be built:\n{text_}", file=sys.stderr)
        return 1 if failures else 0

    window.resize(*args.size)
    window.show()
    if (window.width(), window.height()) != tuple(args.size):
        print(f"gallery: the window manager gave the window {window.width()}x{window.height()}, "
              f"not {args.size[0]}x{args.size[1]}", file=sys.stderr)
    return app.exec()
