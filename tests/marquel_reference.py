"""The grid's algorithms written in Python: what the tests compare the grid
with, and what the grid benchmark measures it against."""

from PySide6.QtCore import QRect


def python_rows(view):
    """getselectedRowsFast: the distinct rows of selectedIndexes(), ascending."""
    rows = []
    for index in view.selectedIndexes():
        if index.row() not in rows:
            rows.append(index.row())
    rows.sort()
    return rows


def reference_geometry(grid):
    """updateFrozenTableGeometry: where the overlay belongs."""
    x_position = grid.verticalHeader().width() + grid.frameWidth()
    for c in range(grid.lastCol):
        x_position += grid.columnWidth(c)
    x_viewPort = (grid.verticalHeader().width() + grid.viewport().width() - grid.columnWidth(grid.lastCol)
                  + grid.frameWidth())
    header = grid.horizontalHeader()
    return QRect(x_position if x_position < x_viewPort else x_viewPort, grid.frameWidth(),
                 grid.columnWidth(grid.lastCol), grid.viewport().height() + (0 if header.isHidden() else header.height()))
