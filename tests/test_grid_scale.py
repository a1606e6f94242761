"""The data grid at scale: cell values read on demand, the natural sort of the
grid's model, HumanProxyModel's sort passes, cell widgets on demand and the
mapping of view indexes through proxies. Each is checked against a few lines
of Python that state what it must do, or against Qt's own machinery."""

import datetime
import math
import re
import threading

import pytest
from hypothesis import HealthCheck, given, settings
from hypothesis import strategies as st
from PySide6.QtCore import QPoint, QSortFilterProxyModel, Qt
from PySide6.QtTest import QAbstractItemModelTester, QTest
from PySide6.QtWidgets import QLabel

from test_marquel import DataGrid
from tovane.material.marquel._grid_sort import column_values, moved_rows, sort_order
from tovane.material.marquel._velmora import HumanProxyModel
from tovane.material.marquel.marquel_model import DataGridModel

pytestmark = [pytest.mark.filterwarnings("ignore::DeprecationWarning"), pytest.mark.qt_log_level_fail("WARNING")]
FIXTURE = [HealthCheck.function_scoped_fixture]


# --- the oracles ----------------------------------------------------------------------


def cell(record, column, definition):
    """What a cell holds: the value the model shows and sorts."""
    if callable(definition.get("valueGetter")):
        return definition["valueGetter"](record)
    if isinstance(record, dict):
        return record.get(definition.get("field"))
    if isinstance(record, (list, tuple)):
        return record[column] if column < len(record) else None
    return None


def natural(text):
    parts = re.split(r"(\d*\.\d+|\d+)", text)
    return tuple(p.casefold() if i % 2 == 0 else float(p) for i, p in enumerate(parts))


KINDS = {"string": "text", "number": "number", "boolean": "number", "date": "date"}


def oracle_order(values, descending=False, kind="string"):
    """Positions in sorted order: by kind (the column's own first), then by
    value, None last; stable in both directions."""
    def group(v):
        if isinstance(v, float) and math.isnan(v):
            return "nan", 0
        if isinstance(v, (int, float)):
            return "number", v
        if isinstance(v, datetime.datetime):
            return "date", v.timestamp() if v.tzinfo else (v - datetime.datetime(1970, 1, 1)).total_seconds()
        if isinstance(v, datetime.date):
            return "date", (v - datetime.date(1970, 1, 1)).days * 86400.0
        if isinstance(v, str):
            return "text", natural(v)
        return "other", natural(str(v))

    kinds = ["text", "number", "nan", "date", "other"]
    own = KINDS.get(kind, "text")
    rank = [own] + [k for k in kinds if k != own]
    present = [i for i, v in enumerate(values) if v is not None]
    key = {i: (rank.index(group(values[i])[0]), group(values[i])[1]) for i in present}
    ordered = sorted(present, key=key.__getitem__, reverse=descending)
    return ordered + [i for i, v in enumerate(values) if v is None]


texts = st.text(alphabet="aAbBzZß 0123456789.-_", max_size=8)
values = st.one_of(texts, st.none(), st.integers(-10**20, 10**20), st.booleans(),
                   st.floats(allow_infinity=True), st.dates(),
                   st.datetimes(timezones=st.sampled_from([None, datetime.timezone.utc,
                                                           datetime.timezone(datetime.timedelta(hours=-3))])))


@settings(max_examples=400, deadline=None)
@given(st.lists(values, max_size=25), st.booleans(), st.sampled_from(["string", "number", "date", "boolean", "x"]))
def test_sort_order_matches_the_oracle(values, descending, kind):
    assert sort_order(values, descending, kind) == oracle_order(values, descending, kind)


def test_sort_order_examples():
    names = ["Person 10", "person 2", "Bob", "alice", None, "Person 1"]
    assert [names[i] for i in sort_order(names)] == ["alice", "Bob", "Person 1", "person 2", "Person 10", None]
    assert [names[i] for i in sort_order(names, True)] == ["Person 10", "person 2", "Person 1", "Bob", "alice", None]
    # A negative column counts from the end, as record[column] does.
    assert column_values([(1, 2, 3), [4, 5]], -1) == [3, 5]


class Touchy(int):
    """An int whose comparisons raise: the sort ends with its error."""

    def __lt__(self, other):
        raise ZeroDivisionError


def test_sort_order_of_int_subclasses_and_moved_rows():
    assert sort_order([Touchy(10**400), Touchy(-10**400)]) == [1, 0]
    with pytest.raises(ZeroDivisionError):
        sort_order([Touchy(2**70), Touchy(2**70)])

    class Row:  # read once: a second read would name another row
        reads = iter([0, 1])

        def __index__(self):
            return next(self.reads)

    assert moved_rows([2, 0, 1], [Row()]) == [1]


# --- the grid's model -------------------------------------------------------------------

records = st.lists(st.one_of(
    st.fixed_dictionaries({"name": texts, "n": st.integers(-50, 50)}, optional={"when": st.dates()}),
    st.tuples(texts, st.integers(-50, 50)), st.lists(texts, max_size=3), st.integers()), max_size=20)
COLUMNS = [{"field": "name"}, {"field": "n", "type": "number"},
           {"field": "when", "type": "date"}, {"valueGetter": lambda r: str(r)[:3]}]


@settings(max_examples=150, deadline=None, suppress_health_check=FIXTURE)
@given(records, st.lists(st.tuples(st.integers(-1, 3), st.booleans()), max_size=4))
def test_cell_values_follow_the_records_through_sorts(qapp, rows, sorts):
    given_order = list(rows)
    model = DataGridModel(None, COLUMNS, rows)
    tester = QAbstractItemModelTester(model, QAbstractItemModelTester.FailureReportingMode.Warning)
    for column, descending in sorts:
        before = list(rows)
        model.sort(column, Qt.SortOrder.DescendingOrder if descending else Qt.SortOrder.AscendingOrder)
        if column == -1:
            assert rows == given_order  # the order given, back
        else:
            shown = [cell(r, column, COLUMNS[column]) for r in before]
            kind = COLUMNS[column].get("type", "string")
            assert rows == [before[i] for i in oracle_order(shown, descending, kind)]
    eager = [[cell(r, c, d) for c, d in enumerate(COLUMNS)] for r in rows]
    assert [model._data[r] for r in range(len(rows))] == eager == list(model._data)
    assert model._data[-1:] == eager[-1:] and len(model._data) == len(rows)
    assert [model.index(r, 0).data(Qt.ItemDataRole.EditRole) for r in range(len(rows))] == [e[0] for e in eager]
    del tester


def test_rows_show_in_the_given_order_until_sorted(qtbot):
    people = [{"name": f"Person {n}", "n": n} for n in (10, 2, 1, 30)]
    given_list = list(people)
    grid = DataGrid([{"field": "name"}, {"field": "n"}], people)
    qtbot.addWidget(grid)
    assert people == given_list and grid.horizontalHeader().sortIndicatorSection() == -1
    grid.show()
    qtbot.waitExposed(grid)
    header = grid.horizontalHeader()
    QTest.mouseClick(header.viewport(), Qt.MouseButton.LeftButton, pos=QPoint(header.sectionViewportPosition(0) + 5, 5))
    assert [p["n"] for p in people] == [1, 2, 10, 30]
    assert header.sortIndicatorOrder() == Qt.SortOrder.AscendingOrder
    grid.sortByColumn(-1, Qt.SortOrder.AscendingOrder)
    assert people == given_list


# --- HumanProxyModel: one value per row and sort, the same order ---------------------------


class TodaysProxy(QSortFilterProxyModel):
    """The proxy's comparison and filter, written in Python, without sort passes."""

    filters = ()

    def lessThan(self, left, right):
        a, b = left.data(), right.data()
        if type(a) is type(b) is str:
            fold = self.sortCaseSensitivity() == Qt.CaseSensitivity.CaseInsensitive
            key = natural if fold else (lambda t: tuple(p.swapcase() if i % 2 == 0 else float(p)
                                                         for i, p in enumerate(re.split(r"(\d*\.\d+|\d+)", t))))
            return key(a) < key(b)
        return super().lessThan(left, right)

    def filterAcceptsRow(self, row, parent):
        for column, text in self.filters:
            data = self.sourceModel().index(row, column, parent).data()
            if text not in (data if isinstance(data, str) else str(data)):
                return False
        return True


mixed = st.one_of(st.text(alphabet="aAbB 0129.", max_size=5), st.integers(-3, 3), st.floats(-2, 2), st.none())


@settings(max_examples=120, deadline=None, suppress_health_check=FIXTURE)
@given(st.lists(mixed, min_size=1, max_size=30), st.booleans(), st.booleans(), st.text(alphabet="ab1", max_size=1))
def test_proxy_sorts_as_qt_does_with_the_plain_comparison(qapp, column_values, descending, folded, text):
    model = DataGridModel(None, [{"field": "v"}], [{"v": v} for v in column_values])
    ours, theirs = HumanProxyModel(), TodaysProxy()
    testers = [QAbstractItemModelTester(p, QAbstractItemModelTester.FailureReportingMode.Warning) for p in (ours, theirs)]
    order = Qt.SortOrder.DescendingOrder if descending else Qt.SortOrder.AscendingOrder
    for proxy in (ours, theirs):
        proxy.setSourceModel(model)
        if folded:
            proxy.setSortCaseSensitivity(Qt.CaseSensitivity.CaseInsensitive)
        proxy.sort(0, order)

    def rows(proxy):
        return [proxy.mapToSource(proxy.index(r, 0)).row() for r in range(proxy.rowCount())]

    assert rows(ours) == rows(theirs)
    ours.filters = [(0, text)]  # re-filtered, re-sorted, as Qt re-filters
    theirs.filters = [(0, text)]
    if hasattr(theirs, "beginFilterChange"):
        theirs.beginFilterChange()
        theirs.endFilterChange()
    else:
        theirs.invalidateFilter()
    assert rows(ours) == rows(theirs)
    del testers


# --- cell widgets -----------------------------------------------------------------------------


def people_grid(qtbot, count, **kwargs):
    people = [{"name": f"Person {n}", "n": n} for n in range(count)]
    columns = [{"field": "name", "headerName": "Name"}, {"field": "n", "headerName": "N"},
               {"field": "open", "headerName": "", "renderCell": lambda p: QLabel(p["name"])}]
    grid = DataGrid(columns, people, **kwargs)
    qtbot.addWidget(grid)
    grid.resize(500, 400)
    grid.show()
    qtbot.waitExposed(grid)
    return grid


def placed(grid):
    """For each row in view: whether its widget shows the record the row shows."""
    model, holder = grid.model(), grid._frozenColumn or grid
    first, last = grid.rowAt(0), grid.rowAt(grid.viewport().height() - 1)
    last = model.rowCount() - 1 if last < 0 else last
    return [getattr(holder.indexWidget(model.index(r, 2)), "text", lambda: None)() == model.index(r, 0).data()
            for r in range(first, last + 1) if first >= 0 and not grid.isRowHidden(r)]


@pytest.mark.parametrize("frozen", [False, True])
def test_cell_widgets_on_demand_follow_the_view(qtbot, frozen):
    grid = people_grid(qtbot, 5000, isFrozenLastColumn=frozen)
    grid.setCellWidgetsOnDemand()
    model = grid.model()
    tester = QAbstractItemModelTester(model, QAbstractItemModelTester.FailureReportingMode.Warning)
    in_view = len(placed(grid))

    def check():
        qtbot.wait(1)
        shown = placed(grid)
        assert shown and all(shown)
        assert len(grid._cellWidgets) <= 3 * in_view + 4

    check()
    grid.clearSpans()  # other state of the grid leaves the widgets alone
    assert grid.cellWidgetsOnDemand()
    grid.verticalScrollBar().setValue(2500)  # a jump
    check()
    grid.sortByColumn(0, Qt.SortOrder.DescendingOrder)  # "Person 4999" first
    check()
    assert model.index(0, 0).data() == "Person 4999"
    grid.setRowHidden(grid.rowAt(0) + 1, True)
    grid.resize(500, 700)
    check()
    proxy = HumanProxyModel()
    proxy.setSourceModel(grid._model)
    proxy_tester = QAbstractItemModelTester(proxy, QAbstractItemModelTester.FailureReportingMode.Warning)
    grid.update_model(proxy)
    proxy.filters = [(0, "Person 12")]
    check()
    proxy.sort(0, Qt.SortOrder.AscendingOrder)
    grid.verticalScrollBar().setValue(grid.verticalScrollBar().maximum())
    check()
    moving = [grid._model.index(r, 0) for r in (3, 4)]
    assert grid._model.dropMimeData(grid._model.mimeData(moving), Qt.DropAction.MoveAction, 0, 0, grid.rootIndex())
    check()
    grid.setCellWidgetsOnDemand(False)
    qtbot.wait(1)
    assert grid._cellWidgets == [] and not any(placed(grid))
    del tester, proxy_tester


def test_widgets_go_to_the_cells_that_show_their_records(qtbot):
    """Cell widgets placed through a proxy: the view's own indexes, the
    records of the rows they show."""
    grid = people_grid(qtbot, 40)
    proxy = HumanProxyModel()
    proxy.setSourceModel(grid._model)
    grid.update_model(proxy)
    proxy.sort(1, Qt.SortOrder.DescendingOrder)  # the view's row 0 shows Person 39
    worker = threading.Thread(target=grid._thread_set_index_widget)  # emits the grid's own model's indexes
    worker.start()
    worker.join()
    qtbot.waitUntil(lambda: grid.indexWidget(proxy.index(39, 2)) is not None)
    assert all(placed(grid)) and grid.indexWidget(proxy.index(0, 2)).text() == "Person 39"
    grid.setIndexWidget(proxy.index(5, 2), None)
    grid._set_index_widget(proxy.index(5, 2))  # a view index: the record its row shows
    assert grid.indexWidget(proxy.index(5, 2)).text() == proxy.index(5, 0).data() == "Person 34"
    proxy.filters = [(0, "Person 3")]
    grid._set_index_widget(grid._model.index(7, 2))  # filtered out: nothing to place, nothing rendered
    assert all(placed(grid))
