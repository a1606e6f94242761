"""Layouts that reflow: what sits side by side in a wide window stacks in a
narrow one, so that no page needs sideways scrolling.

``FlowLayout`` places its items left to right and starts a new line where
the width ends (a row of controls); ``ColumnsLayout`` places them in up to
n equal columns, as many as a minimum column width allows (cards, lists,
fields side by side). Both keep the order the items were added in, which
is the reading order, and report their height for a width, which the
gallery's scroll areas use.
"""

from typing import Any, Self

from PySide6.QtCore import QPoint, QRect, QSize, Qt
from PySide6.QtWidgets import QLayout, QLayoutItem, QWidget


class _ItemsLayout(QLayout):
    """The item list every custom layout keeps (what QLayout leaves to subclasses)."""

    def __init__(self, parent: QWidget | None = None) -> None:
        super().__init__(parent)
        self._items: list[QLayoutItem] = []
        self.setContentsMargins(0, 0, 0, 0)

    def add(self, *items: QWidget | QLayout) -> Self:
        """Add widgets and layouts, in order."""
        for item in items:
            if isinstance(item, QWidget):
                self.addWidget(item)
            else:
                self.addChildLayout(item)
                # The same parent again, through the binding: PySide then
                # hands the layout to this one (addChildLayout leaves Python
                # owning it, and at exit PySide would delete it on its own,
                # leaving this layout a dangling item).
                item.setParent(self)
                self.addItem(item)
        return self

    def addItem(self, item: QLayoutItem) -> None:
        self._items.append(item)
        self.invalidate()

    def count(self) -> int:
        return len(self._items)

    def itemAt(self, index: int) -> QLayoutItem | None:
        return self._items[index] if 0 <= index < len(self._items) else None

    def takeAt(self, index: int) -> QLayoutItem | None:
        if not 0 <= index < len(self._items):
            return None
        item = self._items.pop(index)
        self.invalidate()
        return item

    def expandingDirections(self) -> Qt.Orientation:
        return Qt.Orientation.Horizontal

    def hasHeightForWidth(self) -> bool:
        return True

    def heightForWidth(self, width: int) -> int:
        return self._place(QRect(0, 0, width, 0), move=False)

    def setGeometry(self, rect: QRect) -> None:
        super().setGeometry(rect)
        self._place(rect, move=True)

    def _place(self, rect: QRect, move: bool) -> int:
        """Lay the items out in ``rect`` (moving them only when ``move``); the height they take."""
        raise NotImplementedError

    def _shown(self) -> list[QLayoutItem]:
        return [item for item in self._items if not item.isEmpty()]

    def _inner(self, rect: QRect) -> QRect:
        m = self.contentsMargins()
        return rect.adjusted(m.left(), m.top(), -m.right(), -m.bottom())

    def _margins(self) -> QSize:
        m = self.contentsMargins()
        return QSize(m.left() + m.right(), m.top() + m.bottom())

    @staticmethod
    def _height(item: QLayoutItem, width: int) -> int:
        if item.hasHeightForWidth():
            return max(item.heightForWidth(width), item.minimumSize().height())
        return max(min(item.sizeHint().height(), item.maximumSize().height()), item.minimumSize().height())


class FlowLayout(_ItemsLayout):
    """Items left to right, ``spacing`` px apart, wrapping to a new line
    (``lineSpacing`` px below) where the width ends. Each item takes its
    preferred width (less, down to its minimum, when a line is narrower);
    items that expand horizontally share what is left of their line. Items
    are centred in the height of their line."""

    def __init__(self, parent: QWidget | None = None, spacing: int = 8, lineSpacing: int | None = None) -> None:
        super().__init__(parent)
        self._spacing = spacing
        self._lineSpacing = spacing if lineSpacing is None else lineSpacing

    def sizeHint(self) -> QSize:
        items = self._shown()
        width = sum(i.sizeHint().width() for i in items) + self._spacing * max(0, len(items) - 1)
        height = max((i.sizeHint().height() for i in items), default=0)
        return QSize(width, height) + self._margins()

    def minimumSize(self) -> QSize:
        items = self._shown()
        width = max((i.minimumSize().width() for i in items), default=0)
        height = max((i.minimumSize().height() for i in items), default=0)
        return QSize(width, height) + self._margins()

    def _place(self, rect: QRect, move: bool) -> int:
        area = self._inner(rect)
        available = max(1, area.width())
        # A line's entries are [item, width] pairs, whose widths grow in place below.
        lines: list[tuple[list[list[Any]], int]] = []
        line: list[list[Any]] = []
        used = 0
        for item in self._shown():
            width = min(max(item.sizeHint().width(), item.minimumSize().width()), item.maximumSize().width())
            width = max(min(width, available), min(item.minimumSize().width(), available))
            if line and used + self._spacing + width > available:
                lines.append((line, used))
                line, used = [], 0
            used += (self._spacing if line else 0) + width
            line.append([item, width])
        if line:
            lines.append((line, used))

        y = area.y()
        for index, (line, used) in enumerate(lines):
            growing = [entry for entry in line if entry[0].expandingDirections() & Qt.Orientation.Horizontal]
            spare = available - used
            for entry in growing:
                share = spare // len(growing)
                entry[1] = min(entry[1] + share, entry[0].maximumSize().width())
            heights = [self._height(item, width) for item, width in line]
            line_height = max(heights)
            if move:
                x = area.x()
                for (item, width), height in zip(line, heights):
                    item.setGeometry(QRect(QPoint(x, y + (line_height - height) // 2), QSize(width, height)))
                    x += width + self._spacing
            y += line_height + (self._lineSpacing if index < len(lines) - 1 else 0)
        m = self.contentsMargins()
        return y - rect.y() + m.bottom()


class ColumnsLayout(_ItemsLayout):
    """Items in up to ``columns`` equal columns, ``spacing`` px apart; as
    many columns as are at least ``minColumnWidth`` px wide (and wide enough
    for every item), so a narrow window shows one. Items fill their cell;
    rows (``rowSpacing`` px apart) are as high as their highest item."""

    def __init__(self, columns: int, minColumnWidth: int, parent: QWidget | None = None, spacing: int = 16,
                 rowSpacing: int | None = None) -> None:
        super().__init__(parent)
        self._columns = max(1, int(columns))
        self._minColumnWidth = minColumnWidth
        self._spacing = spacing
        self._rowSpacing = spacing if rowSpacing is None else rowSpacing

    def columnsFor(self, width: int) -> int:
        """How many columns the layout uses at ``width`` px (margins included)."""
        items = self._shown()
        inner = width - self._margins().width()
        narrowest = max([self._minColumnWidth] + [i.minimumSize().width() for i in items])
        fitting = (inner + self._spacing) // (narrowest + self._spacing)
        return max(1, min(self._columns, fitting, len(items) or 1))

    def sizeHint(self) -> QSize:
        items = self._shown()
        columns = min(self._columns, len(items) or 1)
        cell = max([self._minColumnWidth] + [i.sizeHint().width() for i in items])
        width = columns * cell + (columns - 1) * self._spacing + self._margins().width()
        return QSize(width, self.heightForWidth(width))

    def minimumSize(self) -> QSize:
        items = self._shown()
        width = max([self._minColumnWidth] + [i.minimumSize().width() for i in items])
        height = max((i.minimumSize().height() for i in items), default=0)
        return QSize(width, height) + self._margins()

    def _place(self, rect: QRect, move: bool) -> int:
        area = self._inner(rect)
        items = self._shown()
        columns = self.columnsFor(rect.width())
        width = max(1, (area.width() - (columns - 1) * self._spacing) // columns)
        y = area.y()
        for start in range(0, len(items), columns):
            row = items[start:start + columns]
            height = max(self._height(item, width) for item in row)
            if move:
                for column, item in enumerate(row):
                    item.setGeometry(QRect(area.x() + column * (width + self._spacing), y, width, height))
            y += height + (self._rowSpacing if start + columns < len(items) else 0)
        return y - rect.y() + self.contentsMargins().bottom()
