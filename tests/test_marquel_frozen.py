"""The frozen column overlay: geometry, section sizes, rows lined up with the
grid, scrolling, and the grid's moveCursor/scrollTo, through real views."""

import pytest
from PySide6.QtCore import QPoint, Qt
from PySide6.QtTest import QTest
from PySide6.QtWidgets import QAbstractItemView, QStyledItemDelegate, QTableView

from marquel_reference import reference_geometry
from test_marquel import DataGrid, drop_rows, make_grid, records

pytestmark = pytest.mark.filterwarnings("ignore::DeprecationWarning")
WIDE = [{"field": f"c{i}", "headerName": f"Column {i}"} for i in range(12)]


def wide_rows(n):
    return [{f"c{i}": (r if i == 1 else f"r{r}c{i}") for i in range(12)} for r in range(n)]


def test_overlay_over_its_column_when_the_table_fits(qtbot):
    grid = make_grid(qtbot, frozen=True, size=(900, 400))
    frozen = grid._frozenColumn
    assert frozen.geometry() == reference_geometry(grid)
    assert frozen.x() == grid.columnViewportPosition(grid.lastCol)  # viewport margins are 0
    grid.setColumnWidth(0, 160)
    assert frozen.geometry() == reference_geometry(grid) and frozen.x() == grid.columnViewportPosition(3)
    grid.setColumnWidth(grid.lastCol, 150)
    assert frozen.columnWidth(grid.lastCol) == 150 and frozen.width() == 150
    assert frozen.geometry() == reference_geometry(grid)


def test_overlay_pinned_to_the_right_edge_of_a_narrow_viewport(qtbot):
    grid = make_grid(qtbot, rows=wide_rows(40), columns=WIDE, frozen=True, size=(420, 300))
    frozen = grid._frozenColumn
    for value in (0, grid.horizontalScrollBar().maximum() // 2, grid.horizontalScrollBar().maximum()):
        grid.horizontalScrollBar().setValue(value)
        assert frozen.geometry() == reference_geometry(grid)
        assert frozen.geometry().right() == grid.viewport().geometry().right()
    grid.resize(700, 300)  # Qt's resize event reaches the override
    qtbot.waitUntil(lambda: frozen.geometry() == reference_geometry(grid))
    assert frozen.geometry().right() == grid.viewport().geometry().right()


def test_overlay_hides_the_cells_it_covers(qtbot):
    # Every cell full of text, but for the frozen column's, which are empty.
    rows = [{**{f"c{i}": "W" * 30 for i in range(11)}, "c11": ""} for _ in range(3)]
    grid = make_grid(qtbot, rows=rows, columns=WIDE, frozen=True, size=(420, 300))
    grid.horizontalScrollBar().setValue(2)  # other columns run under the overlay
    frozen = grid._frozenColumn
    image = grid.grab().toImage()
    y = grid.horizontalHeader().height() + grid.rowViewportPosition(0) + grid.rowHeight(0) // 2
    under = {image.pixelColor(x, y).name() for x in range(frozen.x() + 2, frozen.geometry().right() - 2)}
    assert under == {frozen.palette().color(frozen.backgroundRole()).name()}
    beside = {image.pixelColor(x, y).name() for x in range(2, frozen.x() - 2)}
    assert len(beside) > 1  # the text the overlay covers


def test_geometry_with_moved_hidden_and_overridden_columns(qtbot):
    class Doubled(DataGrid):
        def columnWidth(self, column):
            return 2 * QTableView.columnWidth(self, column)

    for cls in (DataGrid, Doubled):
        grid = cls([dict(c) for c in WIDE], wide_rows(5), isFrozenLastColumn=True,
                   itemDelegates=[QStyledItemDelegate()])
        qtbot.addWidget(grid)
        grid.resize(2000, 300)
        grid.setColumnHidden(2, True)
        grid.updateFrozenTableGeometry()
        assert grid._frozenColumn.geometry() == reference_geometry(grid)
        grid.horizontalHeader().moveSection(0, 11)  # logical order no longer visual order
        grid.setColumnWidth(4, 37)
        assert grid._frozenColumn.geometry() == reference_geometry(grid)
        grid.lastCol = 20  # beyond the model's columns
        grid.updateFrozenTableGeometry()
        assert grid._frozenColumn.geometry() == reference_geometry(grid)


def test_rows_line_up_after_resizes_sorting_drops_and_resets(qtbot):
    grid = make_grid(qtbot, frozen=True)
    frozen = grid._frozenColumn

    def lined_up():
        count = grid.model().rowCount()
        return [frozen.rowHeight(r) for r in range(count)] == [grid.rowHeight(r) for r in range(count)]

    assert frozen.rowHeight(0) == grid.rowHeight(0) == 40 and lined_up()
    grid.setRowHeight(3, 60)
    assert frozen.rowHeight(3) == 60
    grid.sortByColumn(1, Qt.SortOrder.DescendingOrder)
    assert lined_up() and grid.rowHeight(26) == 60
    rect = grid.visualRect(grid.model().index(0, 1))
    drop_rows(grid, [26], QPoint(rect.center().x(), rect.top() + 2))
    assert grid.rowHeight(0) == 60 and lined_up()
    grid.update_model(type(grid._model)(grid, grid._columns, records(8)))
    assert lined_up() and frozen.rowHeight(7) == 40
    grid.setRowHeight(2, 70)
    grid.verticalHeader().setDefaultSectionSize(52)  # the overlay takes it when it lays itself out
    qtbot.waitUntil(lambda: frozen.verticalHeader().defaultSectionSize() == 52)
    assert lined_up() and frozen.rowHeight(5) == 52 and frozen.rowHeight(2) == 70


def test_vertical_scrolling_both_ways(qtbot):
    grid = make_grid(qtbot, rows=records(200), frozen=True)
    frozen = grid._frozenColumn
    grid.verticalScrollBar().setValue(50)
    assert frozen.verticalScrollBar().value() == 50
    frozen.verticalScrollBar().setValue(20)
    assert grid.verticalScrollBar().value() == 20
    grid.scrollToBottom()
    assert frozen.verticalScrollBar().value() == grid.verticalScrollBar().value() > 100
    assert frozen.rowAt(10) == grid.rowAt(10)  # the same rows in the same places


def test_selection_is_shared(qtbot):
    grid = make_grid(qtbot, frozen=True)
    frozen = grid._frozenColumn
    rect = frozen.visualRect(frozen.model().index(4, grid.lastCol))
    QTest.mouseClick(frozen.viewport(), Qt.MouseButton.LeftButton, pos=rect.center())
    assert grid.getselectedRowsFast() == [4]
    assert frozen.selectionModel().isRowSelected(4)


def test_move_cursor_left_keeps_clear_of_the_overlay(qtbot):
    grid = make_grid(qtbot, rows=wide_rows(20), columns=WIDE, frozen=True, size=(420, 300))
    grid.setHorizontalScrollMode(QAbstractItemView.ScrollMode.ScrollPerPixel)
    bar = grid.horizontalScrollBar()
    grid.setFocus()
    grid.setCurrentIndex(grid.model().index(2, 6))
    bar.setValue(grid.horizontalHeader().sectionPosition(6) - 120)  # column 5 starts 20 px into the view
    start = bar.value()
    action, none = QAbstractItemView.CursorAction.MoveLeft, Qt.KeyboardModifier.NoModifier
    x = grid.visualRect(QTableView.moveCursor(grid, action, none)).topLeft().x()
    width = grid._frozenColumn.columnWidth(grid.lastCol)
    assert x == 20 < width
    QTest.keyClick(grid, Qt.Key.Key_Left)  # Qt asks moveCursor
    assert grid.currentIndex().column() == 5 and bar.value() == start + x - width
    # Any other movement returns Qt's index and leaves the scroll bar alone.
    grid.setCurrentIndex(grid.model().index(2, 6))
    value = bar.value()
    down = grid.moveCursor(QAbstractItemView.CursorAction.MoveDown, none)
    assert down == QTableView.moveCursor(grid, QAbstractItemView.CursorAction.MoveDown, none)
    assert bar.value() == value


def test_scroll_to_never_scrolls_for_the_frozen_column(qtbot):
    grid = make_grid(qtbot, rows=wide_rows(100), columns=WIDE, frozen=True, size=(420, 300))
    hbar, vbar = grid.horizontalScrollBar(), grid.verticalScrollBar()
    grid.setCurrentIndex(grid.model().index(1, grid.lastCol))  # Qt scrolls to the current index
    assert hbar.value() == 0  # the column is in view already, in the overlay
    grid.scrollTo(grid.model().index(90, 11), QAbstractItemView.ScrollHint.EnsureVisible)
    assert (hbar.value(), vbar.value()) == (0, 0)
    grid.setCurrentIndex(grid.model().index(90, 8))
    assert hbar.value() > 0 and vbar.value() > 0
    with pytest.raises(TypeError):
        grid.scrollTo(grid.model().index(1, 1))


def test_grid_without_overlay_behaves_as_a_table(qtbot):
    grid = make_grid(qtbot, rows=wide_rows(50), columns=WIDE, size=(420, 300))
    grid.setColumnWidth(grid.lastCol, 150)
    grid.setRowHeight(3, 60)
    grid.resize(500, 320)
    grid.updateFrozenTableGeometry()
    grid.setCurrentIndex(grid.model().index(40, 5))
    assert grid.verticalScrollBar().value() > 0 and grid._frozenColumn is None
    QTest.keyClick(grid, Qt.Key.Key_Left)
    assert grid.currentIndex().column() == 4
