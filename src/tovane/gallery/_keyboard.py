"""The gallery with the keyboard: the Tab order of a page follows its
layouts, which is its reading order (Qt's default order is the order the
widgets were given their parent, which a page does not always build in)."""

from collections.abc import Iterable
from itertools import pairwise

from PySide6.QtCore import Qt
from PySide6.QtWidgets import QLayout, QWidget

_DIRECT = Qt.FindChildOption.FindDirectChildrenOnly


def takes_tab(widget: QWidget) -> bool:
    """Whether the Tab key stops at ``widget`` (its own focus, not a proxy's)."""
    return bool(widget.focusPolicy() & Qt.FocusPolicy.TabFocus) and widget.focusProxy() is None


def focus_chain(widget: QWidget) -> list[QWidget]:
    """The controls inside ``widget`` that the Tab key stops at, in the
    order of its layouts: a layout's items in order (a grid's row by row),
    each widget's own layout in its place, then children placed without a
    layout. A control's inside is its own business (a spin box's editor,
    a table's cell widgets) and is not entered."""
    chain: list[QWidget] = []

    def visit_layout(layout: QLayout, seen: set[QWidget]) -> None:
        for index in range(layout.count()):
            item = layout.itemAt(index)
            assert item is not None  # index < count()
            if (child := item.widget()) is not None:
                seen.add(child)
                visit(child)
            elif (inner := item.layout()) is not None:
                visit_layout(inner, seen)

    def visit(current: QWidget) -> None:
        if current.isWindow() and current is not widget:
            return
        if current is not widget and takes_tab(current):
            chain.append(current)
            return
        seen: set[QWidget] = set()
        if (layout := current.layout()) is not None:
            visit_layout(layout, seen)
        for child in current.findChildren(QWidget, options=_DIRECT):
            if child not in seen:
                visit(child)

    visit(widget)
    return chain


def set_focus_chain(widgets: Iterable[QWidget]) -> None:
    """Make the Tab key go through ``widgets`` in this order."""
    for first, second in pairwise(widgets):
        QWidget.setTabOrder(first, second)
