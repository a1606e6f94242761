"""DataGrid rows: drag and drop through Qt's events and the model's mime data,
getselectedRowsFast against the Python algorithm, cell widgets from a worker
thread, and leak checks."""

import threading

import pytest
import shiboken6
from hypothesis import HealthCheck, given, settings
from hypothesis import strategies as st
from PySide6.QtCore import QCoreApplication, QEvent, QItemSelection, QItemSelectionModel, QMimeData, QModelIndex, QPoint, QPointF, Qt
from PySide6.QtGui import QDropEvent, QStandardItem, QStandardItemModel
from PySide6.QtWidgets import QPushButton, QStyledItemDelegate

from leakcheck import assert_no_leak
from marquel_reference import python_rows, reference_geometry
from test_marquel import COLUMNS, DataGrid, drop_rows, ids, make_grid, records
from tovane.material.marquel.marquel_model import DataGridModel

pytestmark = pytest.mark.filterwarnings("ignore::DeprecationWarning")
Flag = QItemSelectionModel.SelectionFlag


def consistent(grid):
    """Every record's displayed values sit in the record's row."""
    return all(grid._model._data[r] == [record[c["field"]] for c in COLUMNS] for r, record in enumerate(grid._rows))


# --- drag and drop -----------------------------------------------------------------


def edge(grid, row, where):
    rect = grid.visualRect(grid.model().index(row, 1))
    return QPoint(rect.center().x(), rect.top() + 2 if where == "above" else rect.bottom() - 2)


def moved(order, dragged, before):
    """`order` with the ids `dragged` taken out and put in front of id `before` (None: at the end)."""
    rest = [i for i in order if i not in dragged]
    at = len([i for i in order[:order.index(before)] if i not in dragged]) if before is not None else len(rest)
    return rest[:at] + dragged + rest[at:]


@pytest.mark.parametrize("dragged, target, where, before", [
    ([2], 6, "above", 6),        # down, above another row
    ([6], 2, "below", 3),        # up, below another row
    ([5], 0, "above", 0),        # to the top
    ([3], 9, "below", None),     # to the bottom
    ([4], 4, "above", 4),        # on itself: nothing moves
    ([4], 4, "below", 5),
    ([4], 3, "below", 4),        # next to itself
    ([1, 2, 7], 5, "above", 5),  # several rows keep their order
    ([8, 0], 9, "below", None),
])
def test_drop_moves_records_and_values_together(qtbot, dragged, target, where, before):
    grid = make_grid(qtbot, rows=records(10))
    for row in dragged:
        grid.selectionModel().select(grid.model().index(row, 0), Flag.Select | Flag.Rows)
    event = drop_rows(grid, dragged, edge(grid, target, where))
    assert event.isAccepted() and event.dropAction() == Qt.DropAction.MoveAction
    assert ids(grid) == moved(list(range(10)), sorted(dragged), before)
    assert sorted(ids(grid)) == list(range(10)) and consistent(grid)
    # The selection went with the rows.
    assert grid.getselectedRowsFast() == sorted(ids(grid).index(i) for i in dragged)


def test_drop_below_the_last_row_and_on_a_row(qtbot):
    grid = make_grid(qtbot, rows=records(5), size=(600, 500))
    drop_rows(grid, [1], QPoint(50, grid.viewport().height() - 5))  # the empty area under the rows
    assert ids(grid) == [0, 2, 3, 4, 1] and consistent(grid)
    model = grid.model()
    data = model.mimeData([model.index(0, 0)])
    assert model.dropMimeData(data, Qt.DropAction.MoveAction, -1, -1, model.index(3, 0))  # on a row: its place
    assert ids(grid) == [2, 3, 4, 0, 1]
    data = model.mimeData([model.index(4, 0)])
    assert model.dropMimeData(data, Qt.DropAction.MoveAction, -1, -1, model.index(1, 0))
    assert ids(grid) == [2, 1, 3, 4, 0]
    assert model.dropMimeData(model.mimeData([model.index(2, 0)]), Qt.DropAction.MoveAction, -1, -1,
                              model.index(2, 1))  # on itself
    assert ids(grid) == [2, 1, 3, 4, 0] and consistent(grid)


def test_refused_drops_change_nothing_and_tell_the_source(qtbot):
    grid = make_grid(qtbot, rows=records(6))
    other = DataGridModel(None, COLUMNS, records(6))
    foreign = QMimeData()
    foreign.setText("3")
    for data in (other.mimeData([other.index(1, 0)]), foreign):
        event = QDropEvent(QPointF(edge(grid, 4, "above")), Qt.DropAction.MoveAction, data,
                           Qt.MouseButton.LeftButton, Qt.KeyboardModifier.NoModifier)
        grid.dropEvent(event)
        # Accepted, so it goes no further, but nothing was moved: a source that
        # heard "moved" would remove its rows.
        assert event.isAccepted() and event.dropAction() == Qt.DropAction.IgnoreAction
        assert ids(grid) == list(range(6))
    model = grid.model()
    tampered = QMimeData()
    tampered.setData("application/x-tovane-datagrid-rows", b'{"model": %d, "rows": [1, 99]}' % id(model))
    assert not model.canDropMimeData(tampered, Qt.DropAction.MoveAction, 0, 0, QModelIndex())
    assert not model.canDropMimeData(model.mimeData([model.index(1, 0)]), Qt.DropAction.CopyAction, 0, 0,
                                     QModelIndex())
    assert not model.removeRows(0, 1)  # what Qt asks of the source after a move: the rows are in place


def test_drop_with_row_ids_that_are_not_numbers(qtbot):
    rows = [{**r, "id": f"P-{r['id']}"} for r in records(4)]
    grid = make_grid(qtbot, rows=rows)
    drop_rows(grid, [0], edge(grid, 3, "below"))
    assert [r["id"] for r in grid._rows] == ["P-1", "P-2", "P-3", "P-0"]


def test_rows_that_cannot_be_reordered(qtbot):
    grid = DataGrid(COLUMNS, tuple(records(4)))
    qtbot.addWidget(grid)
    model = grid.model()
    assert not model.dropMimeData(model.mimeData([model.index(0, 0)]), Qt.DropAction.MoveAction, 3, 0,
                                  QModelIndex())
    assert [r["id"] for r in grid._rows] == [0, 1, 2, 3]


# --- getselectedRowsFast ----------------------------------------------------------------


class Flagged(DataGridModel):
    """Cells in `off` are not both selectable and enabled (Qt leaves them out):
    by position, no flags, selectable only, enabled only, or None (which the
    binding reads as no flags)."""

    off = frozenset()
    SHORT = (Qt.ItemFlag.NoItemFlags, Qt.ItemFlag.ItemIsSelectable, Qt.ItemFlag.ItemIsEnabled, None)

    def flags(self, index):
        if (index.row(), index.column()) in self.off:
            return self.SHORT[(index.row() + index.column()) % 4]
        return super().flags(index)


ROWS, COLS = 12, 5
cell = st.tuples(st.integers(0, ROWS - 1), st.integers(0, COLS - 1))
commands = st.sampled_from([Flag.Select, Flag.Deselect, Flag.Toggle, Flag.ClearAndSelect, Flag.Select | Flag.Rows,
                            Flag.Select | Flag.Current, Flag.Deselect | Flag.Current, Flag.Toggle | Flag.Columns])


class Standard(QStandardItemModel):
    """The same through a model of Qt's own (its cells reached as siblings)."""

    def __init__(self, parent):
        super().__init__(ROWS, COLS, parent)
        for r in range(ROWS):
            for c in range(COLS):
                self.setItem(r, c, QStandardItem(f"{r}/{c}"))

    def switch_off(self, off):
        for r in range(ROWS):
            for c in range(COLS):
                on = (r, c) not in off
                self.item(r, c).setFlags(Qt.ItemFlag.ItemIsSelectable | Qt.ItemFlag.ItemIsEnabled if on
                                         else Qt.ItemFlag.NoItemFlags)


@pytest.fixture(scope="module", params=["grid model", "flagged grid model", "standard model"])
def selection_grid(qapp, request):
    grid = DataGrid([{"field": f"c{i}"} for i in range(COLS)], [{f"c{i}": r for i in range(COLS)} for r in range(ROWS)])
    if request.param != "grid model":  # the grid's own model flags every cell alike
        grid.update_model(Flagged(grid, grid._columns, grid._rows) if request.param == "flagged grid model"
                          else Standard(grid))
    grid.setSelectionMode(grid.SelectionMode.MultiSelection)
    yield grid
    shiboken6.delete(grid)


@pytest.mark.filterwarnings("ignore:Invalid return value in function:RuntimeWarning")  # flags() of None
@settings(max_examples=150, deadline=None, suppress_health_check=[HealthCheck.function_scoped_fixture])
@given(ops=st.lists(st.tuples(cell, cell, commands), max_size=6),
       hidden_rows=st.sets(st.integers(0, ROWS - 1), max_size=4),
       hidden_columns=st.sets(st.integers(0, COLS - 1), max_size=3),
       off=st.frozensets(cell, max_size=12),
       spans=st.lists(st.tuples(cell, st.integers(1, 3), st.integers(1, 3)), max_size=2))
def test_selected_rows_equal_the_python_algorithm(selection_grid, ops, hidden_rows, hidden_columns, off, spans):
    grid, model = selection_grid, selection_grid.model()
    sm = grid.selectionModel()
    sm.clear()
    grid.clearSpans()
    for r in range(ROWS):
        grid.setRowHidden(r, r in hidden_rows)
    for c in range(COLS):
        grid.setColumnHidden(c, c in hidden_columns)
    if isinstance(model, Standard):
        model.switch_off(off)
    elif isinstance(model, Flagged):
        type(model).off = off
    for (top, left), rowspan, colspan in spans:
        grid.setSpan(top, left, min(rowspan, ROWS - top), min(colspan, COLS - left))
    for (r1, c1), (r2, c2), command in ops:
        sm.select(QItemSelection(model.index(min(r1, r2), min(c1, c2)), model.index(max(r1, r2), max(c1, c2))),
                  command)
    assert grid.getselectedRowsFast() == python_rows(grid)


def test_selected_rows_cases(qtbot):
    grid = make_grid(qtbot, rows=records(8))
    assert grid.getselectedRowsFast() == []
    for row in (4, 1):
        grid.selectionModel().select(grid.model().index(row, 0), Flag.Select | Flag.Rows)
    assert grid.getselectedRowsFast() == [1, 4] == python_rows(grid)
    grid.setRootIndex(grid.model().index(0, 0))  # not the root of the selected indexes
    assert grid.getselectedRowsFast() == python_rows(grid) == []


def test_selected_rows_honour_overrides(qtbot):
    class Picky(DataGrid):
        def selectedIndexes(self):
            return [self.model().index(r, 0) for r in (5, 2, 5, 7, 2)]

    class Hiding(DataGrid):
        def isIndexHidden(self, index):
            return index.row() == 3

    class Row:
        def __init__(self, value):
            self.value = value

        def row(self):
            return self.value

    picky = Picky(COLUMNS, records(9))
    hiding = Hiding(COLUMNS, records(9))
    for grid in (picky, hiding):
        qtbot.addWidget(grid)
        grid.selectAll()
    assert picky.getselectedRowsFast() == [2, 5, 7]
    assert hiding.getselectedRowsFast() == python_rows(hiding) == [0, 1, 2, 4, 5, 6, 7, 8]
    picky.selectedIndexes = lambda: [Row(2.5), Row(1), Row(True), Row(2.5), Row(-1)]
    assert picky.getselectedRowsFast() == [-1, 1, 2.5]
    picky.selectedIndexes = lambda: [Row(10**30), Row(3)]
    assert picky.getselectedRowsFast() == [3, 10**30]
    picky.selectedIndexes = lambda: [Row("a"), Row(1)]
    with pytest.raises(TypeError):
        picky.getselectedRowsFast()


# --- cell widgets from a worker thread -------------------------------------------------------


def test_cell_widgets_from_a_worker_thread(qtbot):
    made = []

    def render(record):
        assert threading.current_thread() is threading.main_thread()
        made.append(record["id"])
        return QPushButton(f"open {record['id']}")

    columns = [dict(COLUMNS[0], renderCell=render), COLUMNS[1], dict(COLUMNS[2], renderCell=None),
               dict(COLUMNS[3], renderCell=render)]
    grid = make_grid(qtbot, rows=records(300), columns=columns, frozen=True)
    worker = threading.Thread(target=grid._thread_set_index_widget)
    worker.start()
    qtbot.waitUntil(lambda: len(made) == 600, timeout=20_000)
    worker.join()
    order = ids(grid)
    assert made == order + order  # column 0, then the frozen column, rows in order
    model, frozen = grid.model(), grid._frozenColumn
    widgets = [grid.indexWidget(model.index(r, 0)) for r in range(300)]
    widgets += [frozen.indexWidget(model.index(r, 3)) for r in range(300)]
    assert [w.text() for w in widgets] == [f"open {i}" for i in order + order]
    assert all(grid.indexWidget(model.index(r, c)) is None for r in range(300) for c in (1, 2))
    grid.scrollToBottom()
    QCoreApplication.processEvents()
    assert grid.indexWidget(model.index(0, 0)) is widgets[0] and widgets[-1].isVisible()

    destroyed = []
    for w in widgets:
        w.destroyed.connect(lambda *_: destroyed.append(1))
    model.beginResetModel()
    model.endResetModel()
    QCoreApplication.sendPostedEvents(None, QEvent.Type.DeferredDelete)
    assert len(destroyed) == 600 and grid.indexWidget(model.index(0, 0)) is None


def test_cell_widget_errors(qtbot):
    def broken(record):
        raise RuntimeError("no widget")

    grid = make_grid(qtbot, rows=records(3), columns=[dict(COLUMNS[0], renderCell=broken)] + COLUMNS[1:])
    with pytest.raises(RuntimeError):
        grid._set_index_widget(grid.model().index(0, 0))
    with pytest.raises(IndexError):
        grid._set_index_widget(DataGridModel(None, COLUMNS * 2, records(3)).index(0, 6))


# --- leaks -----------------------------------------------------------------------------------


def test_no_leak_constructing_and_destroying_grids(qapp):
    rows = records(20)

    def build():
        grid = DataGrid(COLUMNS, rows, isFrozenLastColumn=True, itemDelegates=[QStyledItemDelegate()])
        grid.selectRow(1)
        grid.getselectedRowsFast()
        grid.close()
        shiboken6.delete(grid)

    assert_no_leak(build, calls=300, warmup=30, max_objects=200, max_blocks=2000, max_bytes=512 * 1024)


def test_no_leak_in_selection_queries_and_error_paths(qtbot):
    grid = make_grid(qtbot, rows=records(50))
    grid.selectAll()

    class Picky(DataGrid):
        def selectedIndexes(self):
            return [self.model().index(r, 0) for r in (3, 1, 3)]

    picky = Picky(COLUMNS, records(5))
    qtbot.addWidget(picky)

    def run():
        grid.getselectedRowsFast()
        picky.getselectedRowsFast()
        for text in ("open", "open_x"):
            try:
                grid.cellButtonClicked(text)
            except (IndexError, ValueError):
                pass

    assert_no_leak(run, calls=3000, warmup=100)


# --- what the model does with odd drops, and what the grid keeps -----------------------------


@pytest.mark.parametrize("dragged, target, expected", [
    ([2, 5, 7], 4, [0, 1, 3, 4, 2, 5, 7, 6, 8, 9]),  # some above the row, some below
    ([1, 2], 6, [0, 3, 4, 5, 6, 1, 2, 7, 8, 9]),     # down: they end where the row was
    ([7, 8], 3, [0, 1, 2, 7, 8, 3, 4, 5, 6, 9]),     # up: they start where the row was
    ([3, 6], 6, list(range(10))),                    # onto a dragged row: nothing moves
])
def test_rows_dropped_onto_a_row(qapp, dragged, target, expected):
    rows = [{"name": str(i), "id": i} for i in range(10)]
    model = DataGridModel(None, COLUMNS, rows)
    data = model.mimeData([model.index(r, 0) for r in dragged])
    assert model.dropMimeData(data, Qt.DropAction.MoveAction, -1, -1, model.index(target, 0))
    assert [r["id"] for r in rows] == expected


@pytest.mark.parametrize("payload", [
    b'{"model": MODEL, "rows": ' + b"[" * 100_000 + b"]" * 100_000 + b"}",  # nested past the parser's limit
    b"\xff\xfe not json", b'{"model": MODEL}', b'["model", 1]', b'{"model": MODEL, "rows": [1.5]}',
])
def test_malformed_drops_are_refused(qapp, payload):
    model = DataGridModel(None, COLUMNS, records(5))
    data = QMimeData()
    data.setData("application/x-tovane-datagrid-rows", payload.replace(b"MODEL", str(id(model)).encode()))
    assert not model.canDropMimeData(data, Qt.DropAction.MoveAction, 0, 0, QModelIndex())
    assert not model.dropMimeData(data, Qt.DropAction.MoveAction, 0, 0, QModelIndex())
    assert [r["id"] for r in model._rows] == list(range(5))


def test_rebinding_forgets_the_selection_models_of_deleted_models(qtbot):
    grid = make_grid(qtbot, rows=records(5), selectionChanged=lambda *_: None)
    for _ in range(30):
        other = DataGridModel(None, COLUMNS, records(3))
        grid.update_model(other)
        grid.update_model()
        other.deleteLater()
        QCoreApplication.sendPostedEvents(None, QEvent.Type.DeferredDelete)
    assert len(grid._selectionChangedConnections) <= 3  # not one per binding: the last ones wait for deletion
    calls = []
    grid._selectionChanged = lambda *_: calls.append(1)
    grid.update_model()
    grid.selectRow(1)
    assert calls == [1]  # still once per selection model


@pytest.mark.parametrize("past", [0, 1])
def test_overlay_geometry_with_the_frozen_column_at_or_past_the_end(qtbot, past):
    grid = make_grid(qtbot, frozen=True)
    grid.lastCol = grid.model().columnCount() + past
    grid.updateFrozenTableGeometry()
    assert grid._frozenColumn.geometry() == reference_geometry(grid)
