"""Overlay table showing only the grid's last column, kept in view."""

from PySide6.QtCore import Qt
from PySide6.QtWidgets import QAbstractItemView, QFrame, QTableView


class FrozenColumn(QTableView):
    """Child table of a grid that shows column ``lastCol`` only and scrolls
    vertically with the grid; the grid positions it (setGeometry).

    It shows the grid's model through the grid's selection model, so both
    show one selection, and lines up with the grid row for row: the grid
    copies each row height it changes, and the overlay follows the grid's
    default row height (which the grid may set after binding the overlay)
    whenever it lays itself out. It paints its background in the window
    colour of its palette, as the grid's parent would (the grid itself is
    transparent), so the cells it covers do not show through.
    """

    SHEET = "QTableView, QHeaderView::section { background-color: palette(window); }"

    def __init__(self, parent=None, lastCol=0):
        super().__init__(parent)
        self.lastCol = lastCol
        self._scroll_linked = False
        self.setStyleSheet(self.SHEET)

    def _grid(self):
        grid = self.parent()
        return grid if isinstance(grid, QTableView) else None

    def setupUi(self):
        self.verticalHeader().hide()
        self.setFrameShape(QFrame.Shape.NoFrame)
        self.setHorizontalScrollBarPolicy(Qt.ScrollBarPolicy.ScrollBarAlwaysOff)
        self.setVerticalScrollBarPolicy(Qt.ScrollBarPolicy.ScrollBarAlwaysOff)
        self.setSelectionBehavior(QAbstractItemView.SelectionBehavior.SelectRows)
        model = self.model()
        for column in range(model.columnCount() if model is not None else 0):
            self.setColumnHidden(column, column != self.lastCol)
        grid = self._grid()
        if grid is not None:
            self.setColumnWidth(self.lastCol, grid.columnWidth(self.lastCol))
        self._follow_grid()

    def configTable(self, selectionModel):
        """Share the grid's selection model and vertical scroll position."""
        self.setSelectionModel(selectionModel)
        grid = self._grid()
        if grid is not None and not self._scroll_linked:
            grid.verticalScrollBar().valueChanged.connect(self.verticalScrollBar().setValue)
            self.verticalScrollBar().valueChanged.connect(grid.verticalScrollBar().setValue)
            self._scroll_linked = True
        self._follow_grid()

    def updateGeometries(self):
        self._follow_grid()
        super().updateGeometries()

    def _follow_grid(self):
        """Take the grid's default row height and selection behaviour. A new
        default resizes every row, so the grid's own heights are copied again."""
        grid = self._grid()
        if grid is None:
            return
        if self.selectionMode() != grid.selectionMode():
            self.setSelectionMode(grid.selectionMode())
        if self.selectionBehavior() != grid.selectionBehavior():
            self.setSelectionBehavior(grid.selectionBehavior())
        ours, theirs = self.verticalHeader(), grid.verticalHeader()
        if ours.defaultSectionSize() == theirs.defaultSectionSize():
            return
        ours.setDefaultSectionSize(theirs.defaultSectionSize())
        for row in range(min(ours.count(), theirs.count())):
            if not grid.isRowHidden(row) and self.rowHeight(row) != grid.rowHeight(row):
                self.setRowHeight(row, grid.rowHeight(row))
