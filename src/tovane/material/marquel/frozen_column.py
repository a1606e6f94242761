"""Overlay table showing only the grid's last column, kept in view."""

from __future__ import annotations

from PySide6.QtCore import SIGNAL, SLOT, QEvent, QItemSelectionModel, QObject, Qt
from PySide6.QtWidgets import QAbstractItemView, QFrame, QTableView, QWidget

# What the overlay watches on the grid: its viewport's paints (a new default
# row height shows there first, and Qt tells nothing else of it) and its
# header's size and visibility.
_FOLLOWED = (QEvent.Type.Paint, QEvent.Type.Show, QEvent.Type.Hide, QEvent.Type.Resize)


class FrozenColumn(QTableView):
    """Child table of a grid that shows column ``lastCol`` only and scrolls
    vertically with the grid; the grid positions it (setGeometry).

    It shows the grid's model through the grid's selection model, so both
    show one selection, and lines up with the grid row for row: the grid
    copies each row height it changes, and the overlay follows the grid's
    default row height, vertical scroll mode and header (hidden with it, as
    high as it, its labels aligned as the grid's) whenever the grid paints or
    its header changes. It paints its background in the window colour of its
    palette, as the grid's parent would (the grid itself is transparent), so
    the cells it covers do not show through.
    """

    SHEET = "QTableView, QHeaderView::section { background-color: palette(window); }"

    def __init__(self, parent: QWidget | None = None, lastCol: int = 0) -> None:
        super().__init__(parent)
        self.lastCol = lastCol
        self._scroll_linked = False
        self.setStyleSheet(self.SHEET)
        grid = self._grid()
        if grid is not None:
            grid.viewport().installEventFilter(self)
            grid.horizontalHeader().installEventFilter(self)

    def _grid(self) -> QTableView | None:
        grid = self.parent()
        return grid if isinstance(grid, QTableView) else None

    def setupUi(self) -> None:
        self.verticalHeader().hide()
        self.setFrameShape(QFrame.Shape.NoFrame)
        self.setHorizontalScrollBarPolicy(Qt.ScrollBarPolicy.ScrollBarAlwaysOff)
        self.setVerticalScrollBarPolicy(Qt.ScrollBarPolicy.ScrollBarAlwaysOff)
        self.setSelectionBehavior(QAbstractItemView.SelectionBehavior.SelectRows)
        # Tab in one of its cell widgets leaves it, as it leaves the grid
        # (the view's own Tab moves to the next cell and that cell's widget).
        self.setTabKeyNavigation(False)
        model = self.model()
        for column in range(model.columnCount() if model is not None else 0):
            self.setColumnHidden(column, column != self.lastCol)
        grid = self._grid()
        if grid is not None:
            self.setColumnWidth(self.lastCol, grid.columnWidth(self.lastCol))
        self._follow_grid()

    def configTable(self, selectionModel: QItemSelectionModel) -> None:
        """Share the grid's selection model and vertical scroll position."""
        self.setSelectionModel(selectionModel)
        grid = self._grid()
        if grid is not None and not self._scroll_linked:
            # Qt's own connections, slot to slot: no Python runs as the bars
            # move, and nothing stays behind when the grid goes (a Python
            # connection to a bound method of a Qt object leaves memory
            # behind in PySide for every connection made).
            theirs, ours = grid.verticalScrollBar(), self.verticalScrollBar()
            QObject.connect(theirs, SIGNAL("valueChanged(int)"), ours, SLOT("setValue(int)"))
            QObject.connect(ours, SIGNAL("valueChanged(int)"), theirs, SLOT("setValue(int)"))
            self._scroll_linked = True
        self._follow_grid()

    def updateGeometries(self) -> None:
        self._follow_grid()
        super().updateGeometries()

    def eventFilter(self, watched: QObject, event: QEvent) -> bool:
        grid = self._grid()
        if (event.type() == QEvent.Type.KeyPress and grid is not None and isinstance(watched, QWidget)
                and self.isAncestorOf(watched)):
            # A key in one of its cell widgets: the grid's (Enter presses, Escape goes back to the grid).
            return bool(grid.eventFilter(watched, event))
        if watched is not None and grid is not None and watched in (grid.viewport(), grid.horizontalHeader()):
            if event.type() in _FOLLOWED:
                self._follow_grid()
            return False
        return super().eventFilter(watched, event)

    def _follow_grid(self) -> None:
        """Take the grid's selection behaviour, vertical scroll mode, header
        height, visibility and label alignment, and default row height. A new
        default resizes every row, so the grid's own heights are copied again."""
        grid = self._grid()
        if grid is None:
            return
        if self.selectionMode() != grid.selectionMode():
            self.setSelectionMode(grid.selectionMode())
        if self.selectionBehavior() != grid.selectionBehavior():
            self.setSelectionBehavior(grid.selectionBehavior())
        if self.verticalScrollMode() != grid.verticalScrollMode():
            self.setVerticalScrollMode(grid.verticalScrollMode())
        theirs_header, ours_header = grid.horizontalHeader(), self.horizontalHeader()
        if ours_header.defaultAlignment() != theirs_header.defaultAlignment():
            ours_header.setDefaultAlignment(theirs_header.defaultAlignment())
        if not theirs_header.isHidden() and ours_header.minimumHeight() != theirs_header.height():
            ours_header.setFixedHeight(theirs_header.height())
            ours_header.setHidden(False)
            super().updateGeometries()  # the viewport moves to the header's new height
        elif ours_header.isHidden() != theirs_header.isHidden():
            ours_header.setHidden(theirs_header.isHidden())
            super().updateGeometries()
        ours, theirs = self.verticalHeader(), grid.verticalHeader()
        if ours.defaultSectionSize() == theirs.defaultSectionSize():
            return
        ours.setDefaultSectionSize(theirs.defaultSectionSize())
        for row in range(min(ours.count(), theirs.count())):
            if not grid.isRowHidden(row) and self.rowHeight(row) != grid.rowHeight(row):
                self.setRowHeight(row, grid.rowHeight(row))
