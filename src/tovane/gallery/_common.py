"""What the gallery's pages share: the page registry and the building blocks
of a page, all taking their type sizes, spacing and colours from the theme.

Text is a ``QLabel`` with a "variant" property (a typography entry of the
theme: "h4", "subtitle2", "body2", "caption", "code") and, for colour, a
"role" property ("caption" for secondary text, "error"); the window's style
sheet turns both into the theme's values, so a page sets no font or colour.
Spacing is ``space(n)``: n steps of the theme's 8-px grid.

Pages reflow: ``row`` wraps its controls onto new lines and ``columns``
stacks its columns where the window is narrow (see ``_reflow``). A control
is named for assistive technology by the label that ``labelled`` ties to it.
"""

from dataclasses import dataclass
from typing import Callable

from PySide6.QtCore import Qt
from PySide6.QtGui import QColor, QPalette
from PySide6.QtWidgets import (QAbstractItemView, QFrame, QLabel, QLineEdit, QSizePolicy, QTableView, QVBoxLayout,
                               QWidget)

from tovane.material.component import RenderContext
from tovane.material.styles import set_style_property, useTheme

from ._reflow import ColumnsLayout, FlowLayout

CLOCK_ICON = ":/round/resource_tovane/round/access_time.svg"


@dataclass(frozen=True)
class Page:
    key: str      # file-name friendly: "sliders"
    title: str    # shown in the navigation list
    build: Callable[[RenderContext], QWidget]


PAGES: list[Page] = []


def page(key, title, summary):
    """Register the decorated function as a gallery page.

    The function is called with the render context and a new page, headed by
    ``title`` and ``summary`` (its widget and its vertical layout, see
    ``page_frame``), and fills the layout.
    """
    def register(fill):
        if any(p.key == key for p in PAGES):
            raise ValueError(f"a gallery page with the key {key!r} exists already")

        def build(ctx):
            widget, layout = page_frame(title, summary)
            fill(ctx, widget, layout)
            return widget

        PAGES.append(Page(key, title, build))
        return fill
    return register


def space(steps=1):
    """``steps`` of the theme's spacing grid, in px (space(2) == 16)."""
    return useTheme().spacing(steps)


def page_frame(title, summary):
    """An empty page with a heading and a summary; returns (widget, layout).

    The gallery puts every page in a scroll area, so a page keeps its natural
    size in a small window instead of being squeezed.
    """
    widget = QWidget()
    widget.setObjectName("GalleryPage")
    layout = QVBoxLayout(widget)
    layout.setContentsMargins(space(3), space(3), space(3), space(3))
    layout.setSpacing(space(2))
    heading = text(title, "h4")
    heading.setObjectName("PageTitle")
    layout.addWidget(heading)
    layout.addWidget(caption(summary))
    return widget, layout


def text(content, variant="body2", role=None):
    """A label in a typography variant of the theme (and a colour role)."""
    label = QLabel(content)
    label.setWordWrap(True)
    label.setProperty("variant", variant)
    if role is not None:
        label.setProperty("role", role)
    return label


def caption(content):
    """Secondary text: summaries, notes, the state of a demonstrated control."""
    return text(content, "body2", "caption")


def section(content):
    return text(content, "subtitle2")


def code_text(content):
    label = text(content, "code")
    label.setTextInteractionFlags(Qt.TextInteractionFlag.TextSelectableByMouse)
    return label


def error_text(content):
    return text(content, "body2", "error")


def row(*items, spacing=1, stretch=True):
    """Widgets (and layouts) side by side, ``spacing`` grid steps apart,
    wrapping onto a new line where the page is too narrow. With ``stretch``
    they keep their own widths, from the left; without it, controls that
    can grow (text fields) share the width of their line."""
    layout = FlowLayout(spacing=space(spacing))
    layout.add(*items)
    if not stretch:
        for item in items:
            if isinstance(item, QWidget):
                item.setSizePolicy(QSizePolicy.Policy.Expanding, item.sizePolicy().verticalPolicy())
    return layout


def columns(count, min_width, *items, spacing=3, row_spacing=2):
    """``items`` in up to ``count`` equal columns of at least ``min_width``
    px, ``spacing`` (between rows ``row_spacing``) grid steps apart, row by
    row; one column in a narrow window."""
    layout = ColumnsLayout(count, min_width, spacing=space(spacing), rowSpacing=space(row_spacing))
    layout.add(*items)
    return layout


def labelled(label, field):
    """Tie ``label`` to ``field``: the label's text names the field for
    assistive technology (Qt's buddy). Returns ``field``."""
    label.setBuddy(field)
    return field


def card(kind="card"):
    """A framed surface for a demonstration; returns (frame, layout).

    ``kind`` "card" is the theme's paper; "preview" is a light surface in both
    themes, for a widget whose own fixed colours are made for a light page
    (call ``light_surface(frame)`` once its content is built).
    """
    frame = QFrame()
    frame.setProperty("surface", kind)
    layout = QVBoxLayout(frame)
    layout.setContentsMargins(space(2), space(2), space(2), space(2))
    layout.setSpacing(space(1))
    return frame, layout


def qt_palette(mode=None):
    """A QPalette of the theme's colours in ``mode`` (default: the current one)."""
    theme = useTheme()
    p = theme.getPalette(mode)
    colors = {
        QPalette.ColorRole.Window: p.background.default, QPalette.ColorRole.WindowText: p.text.primary,
        QPalette.ColorRole.Base: p.background.paper, QPalette.ColorRole.AlternateBase: p.background.neutral,
        QPalette.ColorRole.Text: p.text.primary, QPalette.ColorRole.Button: p.background.neutral,
        QPalette.ColorRole.ButtonText: p.text.primary, QPalette.ColorRole.PlaceholderText: p.text.secondary,
        QPalette.ColorRole.Highlight: p.primary.main, QPalette.ColorRole.HighlightedText: p.primary.contrastText,
        QPalette.ColorRole.Light: p.background.paper, QPalette.ColorRole.Midlight: p.background.neutral,
        QPalette.ColorRole.Mid: p.outline, QPalette.ColorRole.Dark: p.outline,
        QPalette.ColorRole.Shadow: "#000000", QPalette.ColorRole.ToolTipBase: p.background.paper,
        QPalette.ColorRole.ToolTipText: p.text.primary, QPalette.ColorRole.Link: p.primary.main,
    }
    pal = QPalette()
    for group in (QPalette.ColorGroup.Active, QPalette.ColorGroup.Inactive):
        for role, color in colors.items():
            pal.setColor(group, role, QColor(color))
    for role in (QPalette.ColorRole.WindowText, QPalette.ColorRole.Text, QPalette.ColorRole.ButtonText):
        pal.setColor(QPalette.ColorGroup.Disabled, role, QColor(p.text.disabled))
    return pal


# Qt's own look (Fusion) draws a slider's groove in the palette's window
# colour darkened by 40%; on the preview card it uses this window colour,
# so that the groove edge reaches 3:1 on white (#858585, 3.7:1).
PREVIEW_GROOVE_WINDOW = "#BABABA"


def light_surface(frame):
    """Give ``frame`` and everything in it the light palette: a widget palette
    set on each widget, because the window's style sheet stops a palette
    from being inherited."""
    light = qt_palette("light")
    light.setColor(QPalette.ColorRole.Window, QColor(useTheme().getPalette("light").background.paper))
    frame.setPalette(light)
    groove = QPalette(light)
    groove.setColor(QPalette.ColorRole.Window, QColor(PREVIEW_GROOVE_WINDOW))
    from PySide6.QtWidgets import QAbstractSlider

    for child in frame.findChildren(QWidget):
        child.setPalette(groove if isinstance(child, QAbstractSlider) else light)


def toggle(ctx, parent, *args, **kwargs):
    # renderUi of a toggle button builds the button and returns None: the
    # button itself is what goes into the layout.
    from tovane.material.flintor.flintor import ToggleButton

    button = ToggleButton(*args, **kwargs)
    button.renderUi(ctx, parent=parent)
    return button


def text_field(placeholder=""):
    """A one-line text input in the theme's outlined style (set by the
    window), as high as the other controls of medium size."""
    field = QLineEdit()
    field.setObjectName("GalleryField")
    field.setPlaceholderText(placeholder)
    field.setFixedHeight(useTheme().controlHeight("medium"))
    return field


def set_error(field, on):
    """Show ``field`` (a ``text_field``) in the error style, or not."""
    set_style_property(field, "error", "true" if on else "false")


def table(model):
    """A table view of ``model`` in the window's table style: whole rows
    selected, rows as high as a medium control. The arrow keys move within
    it and Tab leaves it (one stop of the Tab key, not one per cell)."""
    view = QTableView()
    view.setObjectName("GalleryTable")
    view.setTabKeyNavigation(False)
    view.setModel(model)
    view.verticalHeader().hide()
    view.verticalHeader().setDefaultSectionSize(useTheme().controlHeight("medium"))
    view.setSelectionBehavior(QAbstractItemView.SelectionBehavior.SelectRows)
    view.horizontalHeader().setDefaultAlignment(Qt.AlignmentFlag.AlignLeft | Qt.AlignmentFlag.AlignVCenter)
    return view


def button(ctx, parent, label, onClick=None, **kwargs):
    """A host ``Button`` rendered into ``parent``; ``onClick()`` on each click."""
    from tovane.material.button import Button

    widget = Button(label, **kwargs)
    ctx.render(widget, parent=parent)
    if onClick is not None:
        widget.clicked.connect(lambda _checked=False: onClick())
    return widget
