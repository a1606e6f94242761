"""Overlay table showing only the grid's last column, kept in view."""

from PySide6.QtCore import Qt
from PySide6.QtWidgets import QAbstractItemView, QFrame, QTableView


class FrozenColumn(QTableView):
    """Child table of a grid that shows column ``lastCol`` only and scrolls
    vertically with the grid; the grid positions it (setGeometry)."""

    def __init__(self, parent=None, lastCol=0):
        super().__init__(parent)
        self.lastCol = lastCol
        self._scroll_linked = False

    def setupUi(self):
        self.verticalHeader().hide()
        self.setFrameShape(QFrame.Shape.NoFrame)
        self.setHorizontalScrollBarPolicy(Qt.ScrollBarPolicy.ScrollBarAlwaysOff)
        self.setVerticalScrollBarPolicy(Qt.ScrollBarPolicy.ScrollBarAlwaysOff)
        self.setSelectionBehavior(QAbstractItemView.SelectionBehavior.SelectRows)
        model = self.model()
        for column in range(model.columnCount() if model is not None else 0):
            self.setColumnHidden(column, column != self.lastCol)
        grid = self.parent()
        if isinstance(grid, QTableView):
            self.setColumnWidth(self.lastCol, grid.columnWidth(self.lastCol))
            self.verticalHeader().setDefaultSectionSize(grid.verticalHeader().defaultSectionSize())

    def configTable(self, selectionModel):
        """Share the grid's selection model and vertical scroll position."""
        self.setSelectionModel(selectionModel)
        grid = self.parent()
        if isinstance(grid, QTableView) and not self._scroll_linked:
            grid.verticalScrollBar().valueChanged.connect(self.verticalScrollBar().setValue)
            self.verticalScrollBar().valueChanged.connect(grid.verticalScrollBar().setValue)
            self._scroll_linked = True
