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

from __future__ import annotations

from dataclasses import dataclass
from typing import TYPE_CHECKING, Any, Callable

from PySide6.QtCore import QAbstractItemModel, Qt
from PySide6.QtGui import QColor, QPalette
from PySide6.QtWidgets import (QAbstractItemView, QFrame, QLabel, QLayout, QLineEdit, QSizePolicy, QTableView,
                               QVBoxLayout, QWidget)

from tovane.material.component import RenderContext
from tovane.material.styles import qt_palette, set_style_property, useTheme

if TYPE_CHECKING:
    from tovane.material.button import Button
    from tovane.material.flintor.flintor import ToggleButton

from ._reflow import ColumnsLayout, FlowLayout

CLOCK_ICON = ":/round/resource_tovane/round/access_time.svg"


@dataclass(frozen=True)
class Page:
    key: str      # file-name friendly: "sliders"
    title: str    # shown in the navigation list
    build: Callable[[RenderContext], QWidget]


PAGES: list[Page] = []

# A page's filling: (render context, page widget, its layout) -> None.
PageFill = Callable[[RenderContext, QWidget, QVBoxLayout], None]


def page(key: str, title: str, summary: str) -> Callable[[PageFill], PageFill]:
    """Register the decorated function as a gallery page.

    The function is called with the render context and a new page, headed by
    ``title`` and ``summary`` (its widget and its vertical layout, see
    ``page_frame``), and fills the layout.
    """
    def register(fill: PageFill) -> PageFill:
        if any(p.key == key for p in PAGES):
            raise ValueError(f"a gallery page with the key {key!r} exists already")

        def build(ctx: RenderContext) -> QWidget:
            widget, layout = page_frame(title, summary)
            fill(ctx, widget, layout)
            return widget

        PAGES.append(Page(key, title, build))
        return fill
    return register


def space(steps: float = 1) -> int:
    """``steps`` of the theme's spacing grid, in px (space(2) == 16)."""
    return int(useTheme().spacing(steps))


def page_frame(title: str, summary: str) -> tuple[QWidget, QVBoxLayout]:
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


def text(content: str, variant: str = "body2", role: str | None = None) -> QLabel:
    """A label in a typography variant of the theme (and a colour role)."""
    label = QLabel(content)
    label.setWordWrap(True)
    label.setProperty("variant", variant)
    if role is not None:
        label.setProperty("role", role)
    return label


def caption(content: str) -> QLabel:
    """Secondary text: summaries, notes, the state of a demonstrated control."""
    return text(content, "body2", "caption")


def section(content: str) -> QLabel:
    return text(content, "subtitle2")


def code_text(content: str) -> QLabel:
    label = text(content, "code")
    label.setTextInteractionFlags(Qt.TextInteractionFlag.TextSelectableByMouse)
    return label


def error_text(content: str) -> QLabel:
    return text(content, "body2", "error")


def row(*items: QWidget | QLayout, spacing: float = 1, stretch: bool = True) -> FlowLayout:
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


def columns(count: int, min_width: int, *items: QWidget | QLayout, spacing: float = 3,
            row_spacing: float = 2) -> ColumnsLayout:
    """``items`` in up to ``count`` equal columns of at least ``min_width``
    px, ``spacing`` (between rows ``row_spacing``) grid steps apart, row by
    row; one column in a narrow window."""
    layout = ColumnsLayout(count, min_width, spacing=space(spacing), rowSpacing=space(row_spacing))
    layout.add(*items)
    return layout


def labelled(label: QLabel, field: QWidget) -> QWidget:
    """Tie ``label`` to ``field``: the label's text names the field for
    assistive technology (Qt's buddy). Returns ``field``."""
    label.setBuddy(field)
    return field


def card(kind: str = "card") -> tuple[QFrame, QVBoxLayout]:
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


# Qt's own look (Fusion) draws a slider's groove in the palette's window
# colour darkened by 40%; on the preview card it uses this window colour,
# so that the groove edge reaches 3:1 on white (#858585, 3.7:1).
PREVIEW_GROOVE_WINDOW = "#BABABA"


def light_surface(frame: QWidget) -> None:
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


def toggle(ctx: RenderContext, parent: QWidget, *args: Any, **kwargs: Any) -> ToggleButton:
    # renderUi of a toggle button builds the button and returns None: the
    # button itself is what goes into the layout.
    from tovane.material.flintor.flintor import ToggleButton

    button = ToggleButton(*args, **kwargs)
    button.renderUi(ctx, parent=parent)
    return button


def text_field(placeholder: str = "") -> QLineEdit:
    """A one-line text input in the theme's outlined style (set by the
    window), as high as the other controls of medium size."""
    field = QLineEdit()
    field.setObjectName("GalleryField")
    field.setPlaceholderText(placeholder)
    field.setFixedHeight(useTheme().controlHeight("medium"))
    return field


def set_error(field: QWidget, on: bool) -> None:
    """Show ``field`` (a ``text_field``) in the error style, or not."""
    set_style_property(field, "error", "true" if on else "false")


def table(model: QAbstractItemModel) -> QTableView:
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


def button(ctx: RenderContext, parent: QWidget, label: str, onClick: Callable[[], object] | None = None,
           **kwargs: Any) -> Button:
    """A host ``Button`` rendered into ``parent``; ``onClick()`` on each click."""
    from tovane.material.button import Button

    widget = Button(label, **kwargs)
    ctx.render(widget, parent=parent)
    if onClick is not None:
        widget.clicked.connect(lambda _checked=False: onClick())
    return widget
