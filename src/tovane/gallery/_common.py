"""What the gallery's pages share: the page registry and a few building blocks."""

from dataclasses import dataclass
from typing import Callable

from PySide6.QtCore import Qt
from PySide6.QtWidgets import QLabel, QVBoxLayout, QWidget

from tovane.material.component import RenderContext

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
    layout.addWidget(caption(summary))
    return widget, layout


def caption(text):
    label = QLabel(text)
    label.setWordWrap(True)
    label.setProperty("role", "caption")
    return label


def code_text(text):
    label = QLabel(text)
    label.setWordWrap(True)
    label.setTextInteractionFlags(Qt.TextInteractionFlag.TextSelectableByMouse)
    label.setProperty("role", "code")
    return label


def section(text):
    label = QLabel(text)
    label.setProperty("role", "section")
    return label


def toggle(ctx, parent, *args, **kwargs):
    # renderUi of a toggle button builds the button and returns None: the
    # button itself is what goes into the layout.
    from tovane.material.flintor.flintor import ToggleButton

    button = ToggleButton(*args, **kwargs)
    button.renderUi(ctx, parent=parent)
    return button
