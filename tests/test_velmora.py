"""HumanProxyModel and _human_key: natural ordering and per-column filters.

The Python functions below are the definitions the native module implements;
the differential tests hold the module to them over arbitrary strings.
"""

import inspect
import re

import pytest
from hypothesis import HealthCheck, example, given, settings
from hypothesis import strategies as st
from PySide6.QtCore import QAbstractListModel, QModelIndex, QSortFilterProxyModel, Qt
from PySide6.QtGui import QStandardItem, QStandardItemModel
from PySide6.QtWidgets import QListView, QTableView

from leakcheck import assert_no_leak

from tovane.material.marquel import _velmora
from tovane.material.marquel._velmora import HumanProxyModel, _human_key

# Assigning `filters` calls invalidateFilter(), which PySide 6.12 marks as
# deprecated; the call is what the property does.
pytestmark = pytest.mark.filterwarnings(r"ignore:.*QSortFilterProxyModel\.invalidateFilter\(\).*:DeprecationWarning")
ROOT = QModelIndex()


def reference_key(key):
    parts = re.split(r"(\d*\.\d+|\d+)", key)
    return tuple(e.swapcase() if i % 2 == 0 else float(e) for i, e in enumerate(parts))


def reference_accepts(filters, cells):
    for column, text in filters:
        if 0 <= column < len(cells):
            if text not in cells[column]:
                return False
    return True


def make_model(rows):
    """A QStandardItemModel of rows of display values (None: no item)."""
    model = QStandardItemModel(len(rows), max(len(r) for r in rows))
    for r, row in enumerate(rows):
        for c, value in enumerate(row):
            if value is not None:
                item = QStandardItem()
                item.setData(value, Qt.ItemDataRole.DisplayRole)
                model.setItem(r, c, item)
    return model


def proxy_for(model, cls=HumanProxyModel):
    proxy = cls()
    proxy.setSourceModel(model)
    return proxy


def shown(proxy, column=0):
    return [proxy.index(r, column).data() for r in range(proxy.rowCount())]


class Values(QAbstractListModel):
    """A list model whose display data are arbitrary Python objects."""

    def __init__(self, items):
        super().__init__()
        self.items = items

    def rowCount(self, parent=ROOT):
        return len(self.items)

    def data(self, index, role=Qt.ItemDataRole.DisplayRole):
        return self.items[index.row()]


# Letters of several scripts (with case maps that change length or depend on
# context), decimal digits of other scripts, dots, signs, long digit runs.
ALPHABET = "aAzZßẞﬁİıKkΣσςΑαЖжǅ日0123456789٠١٣٩०९０９\U0001D7CE\U0001D7D7....--++  _"
pieces = st.one_of(
    st.text(ALPHABET, max_size=12),
    st.text("0123456789", min_size=15, max_size=40),  # beyond double precision
    st.builds("{}.{}".format, st.integers(0, 10**20), st.integers(0, 10**25)),
    st.text(max_size=4),
)
texts = st.lists(pieces, max_size=5).map("".join)
# Two strings sharing a prefix, so that comparisons reach their later parts.
pairs = st.tuples(texts, texts, texts).map(lambda t: (t[0] + t[1], t[0] + t[2]))


class TestHumanKey:
    @settings(max_examples=800)
    @given(texts)
    @example("file10.txt 10 apples ver1.2.3 -5")
    @example("ß1ﬁ2İ ΑΣ ΑΣα Σ1Σ")
    @example("1" * 400 + "." + "9" * 400)
    def test_matches_the_definition(self, s):
        ours, theirs = _human_key(s), reference_key(s)
        assert ours == theirs and [type(e) for e in ours] == [type(e) for e in theirs]

    def test_str_subclass_is_read_as_its_text(self):
        class Tagged(str):
            def swapcase(self):
                return "never called"

        assert _human_key(Tagged("Ab12c")) == ("aB", 12.0, "C")

    @pytest.mark.parametrize("value", [5, None, b"a1", bytearray(b"a1"), ["a1"]])
    def test_non_str_raises_what_re_split_raises(self, value):
        with pytest.raises(TypeError) as theirs:
            re.split(r"(\d*\.\d+|\d+)", value)
        with pytest.raises(TypeError, match=re.escape(str(theirs.value))):
            _human_key(value)


@pytest.fixture(scope="module")
def pair_model(qapp):
    model = make_model([[""], [""]])
    return model, proxy_for(model)


def less_both_ways(pair_model, a, b):
    model, proxy = pair_model
    model.item(0, 0).setText(a)
    model.item(1, 0).setText(b)
    left, right = model.index(0, 0), model.index(1, 0)
    return proxy.lessThan(left, right), proxy.lessThan(right, left)


class TestLessThan:
    @settings(max_examples=800, suppress_health_check=[HealthCheck.function_scoped_fixture])
    @given(pairs)
    @example(("ß", "SS"))
    @example(("ßa", "ßb"))
    @example(("aΣ~", "aΣb"))  # the same capital sigma, final (ς) on the left only
    @example(("K", "k"))  # Kelvin sign: the same swapcase as 'K'
    @example(("x9999999999999999", "x10000000000000000"))  # equal as floats
    @example(("٣", "3"))
    @example(("a1.5", "a1.50"))  # equal keys: neither is less
    @example(("zebra", "Apple"))
    def test_matches_the_definition(self, pair_model, ab):
        lt, gt = less_both_ways(pair_model, *ab)
        ka, kb = map(reference_key, ab)
        assert (lt, gt) == (ka < kb, kb < ka)
        assert not (lt and gt) and (lt or gt or ka == kb)

    def test_other_types_get_the_base_comparison(self, qapp):
        values = [10, 9, "10", "9", 2.5, "a2", None]
        model = make_model([[v] for v in values])
        proxy, plain = proxy_for(model), proxy_for(model, QSortFilterProxyModel)
        for i, a in enumerate(values):
            for j, b in enumerate(values):
                if not type(a) is type(b) is str:
                    left, right = model.index(i, 0), model.index(j, 0)
                    assert proxy.lessThan(left, right) == plain.lessThan(left, right), (a, b)

    def test_type_equality_is_evaluated_as_written(self, qapp):
        # A metaclass claiming equality with str sends the values to the key.
        class Meta(type):
            __eq__ = lambda cls, other: True  # noqa: E731
            __hash__ = type.__hash__

        class Odd(metaclass=Meta):
            pass

        model = Values([Odd(), Odd()])
        with pytest.raises(TypeError, match="expected string or bytes-like object, got 'Odd'"):
            proxy_for(model).lessThan(model.index(0), model.index(1))


class TestSorting:
    def test_natural_order_in_a_table_view(self, qapp, capfd):
        model = make_model([["item10", 3], ["item2", 1], ["Item1", 2], ["file 9.txt", 5], ["file 10.txt", 4]])
        proxy = proxy_for(model)
        view = QTableView()
        view.setModel(proxy)
        view.setSortingEnabled(True)
        view.sortByColumn(0, Qt.SortOrder.AscendingOrder)
        assert shown(proxy) == ["file 9.txt", "file 10.txt", "item2", "item10", "Item1"]
        view.sortByColumn(0, Qt.SortOrder.DescendingOrder)
        assert shown(proxy) == ["Item1", "item10", "item2", "file 10.txt", "file 9.txt"]
        view.sortByColumn(1, Qt.SortOrder.AscendingOrder)  # ints: Qt's own order
        assert shown(proxy, 1) == [1, 2, 3, 4, 5]
        mixed = proxy_for(make_model([["b2"], [7], ["b10"], [None], ["a1"], [3]]))
        mixed.sort(0)
        assert [v for v in shown(mixed) if isinstance(v, str)] == ["a1", "b2", "b10"]
        assert capfd.readouterr().err == ""

    def test_agrees_with_a_stable_sort_by_the_key(self, qapp):
        words = ["v1.10", "v1.9", "V1.9", "a", "", "10", "9 lives", "b07", "b7", "b007x", "x.5",
                 "x0.25", "ΣΑ2", "σα10", "straße3", "STRASSE3", "٣ apples", "3 apples"]
        proxy = proxy_for(make_model([[w] for w in words]))
        view = QListView()
        view.setModel(proxy)
        proxy.sort(0)
        assert shown(proxy) == sorted(words, key=reference_key)


ROWS = [
    ["alpha", "x1", "red"],
    ["Alpha", "x2", "green"],
    ["beta", "y1", "red"],
    ["alphabet", "y2", "blue"],
    ["gamma", "x3", "Red"],
]


@pytest.fixture
def table(qapp):
    proxy = proxy_for(make_model(ROWS))
    view = QTableView()
    view.setModel(proxy)
    return proxy, view


class TestFilters:
    def test_the_list_object_is_stored_and_read_back(self, table):
        fresh = HumanProxyModel()
        assert not hasattr(fresh, "_filters")
        assert fresh.filters == [] and fresh.filters is fresh.filters is fresh._filters
        proxy, view = table  # the view's first rowCount() read `filters` already
        assert proxy._filters == []
        pairs = [(0, "alpha")]
        proxy.filters = pairs
        assert proxy.filters is pairs and view.model().rowCount() == 2
        pairs.append((2, "blue"))  # in place: no re-filtering until asked
        assert shown(proxy) == ["alpha", "alphabet"]
        proxy.invalidateFilter()
        assert shown(proxy) == ["alphabet"]

    @pytest.mark.parametrize("filters", [
        [(0, "alpha")],
        [(0, "a"), (2, "red")],  # AND of the pairs
        [(1, "x"), (2, "re"), (0, "a")],
        [(2, "Red")],  # case-sensitive
        [(99, "nothing"), (-1, "nothing"), (3, "nothing")],  # out of range: ignored
    ])
    def test_rows_kept_are_the_definitions(self, table, filters):
        proxy, _ = table
        proxy.filters = filters
        assert shown(proxy) == [row[0] for row in ROWS if reference_accepts(filters, row)]

    def test_filters_set_before_the_source_and_kept_over_a_reset(self, qapp):
        proxy = HumanProxyModel()
        proxy.filters = [(0, "alpha")]
        model = make_model(ROWS)
        proxy.setSourceModel(model)
        assert shown(proxy) == ["alpha", "alphabet"]
        model.beginResetModel()
        model.endResetModel()
        assert shown(proxy) == ["alpha", "alphabet"]

    def test_a_subclass_hiding_a_column_has_fewer_columns(self, qapp, capfd):
        class Hiding(HumanProxyModel):
            def filterAcceptsColumn(self, column, parent):
                return column != 1

        proxy = Hiding()
        proxy.filters = [(0, "a"), (2, "red")]  # 2 is outside the proxy's two columns
        proxy.setSourceModel(make_model(ROWS))
        assert proxy.columnCount() == 2
        assert shown(proxy) == [row[0] for row in ROWS if "a" in row[0]]
        assert capfd.readouterr().err == ""

    def test_a_column_count_set_on_the_instance_is_asked(self, table):
        proxy, _ = table
        proxy.filters = [(2, "no such text")]
        proxy.columnCount = lambda *args: 1  # column 2 is now out of range
        proxy.invalidateFilter()
        assert shown(proxy) == [row[0] for row in ROWS]

    def test_python_overrides_of_the_source_are_called(self, qapp):
        class Shifted(QStandardItemModel):
            def index(self, row, column, parent=ROOT):  # column 0 reads column 2
                return super().index(row, 2 if column == 0 else column, parent)

        shifted = Shifted(len(ROWS), 3)
        for r, row in enumerate(ROWS):
            for c, value in enumerate(row):
                shifted.setItem(r, c, QStandardItem(value))
        plain = make_model(ROWS)
        plain.index = lambda row, column, parent: QStandardItemModel.index(plain, row, 1, parent)
        for model, text, rows in [(shifted, "red", [0, 2]), (plain, "x", [0, 1, 4])]:
            proxy = proxy_for(model)
            proxy.filters = [(0, text)]
            assert [proxy.mapToSource(proxy.index(r, 0)).row() for r in range(proxy.rowCount())] == rows

    @pytest.mark.parametrize("filters", [[5], [(0,)], [(0, "a", "b")], ["abc"], [("x", "a")], [(None, "a")]])
    def test_malformed_filters_raise_the_definitions_error(self, qapp, filters):
        proxy = proxy_for(make_model(ROWS))
        proxy._filters = filters  # without re-filtering through Qt
        with pytest.raises(Exception) as theirs:
            reference_accepts(filters, ROWS[0])
        with pytest.raises(type(theirs.value), match=re.escape(str(theirs.value))):
            proxy.filterAcceptsRow(0, ROOT)

    def test_the_first_failing_pair_ends_the_test(self, qapp):
        proxy = proxy_for(make_model(ROWS))
        proxy._filters = [(0, "beta"), 5]
        assert proxy.filterAcceptsRow(0, ROOT) is False
        with pytest.raises(TypeError, match="cannot unpack non-iterable int object"):
            proxy.filterAcceptsRow(2, ROOT)

    def test_cells_without_text_are_matched_by_what_they_show(self, qapp, capfd):
        # None shows as "", a number as its str(); containers keep `in`.
        proxy = proxy_for(make_model([["a", 42], ["b", None], ["c", 2.5], ["d", "x4"]]))
        view = QTableView()
        view.setModel(proxy)
        for text, kept in [("", "abcd"), ("4", "ad"), ("2.5", "c"), ("x", "d"), ("None", "")]:
            proxy.filters = [(1, text)]
            assert "".join(shown(proxy)) == kept, text
        assert capfd.readouterr().err == ""
        proxy._filters = [(1, 4)]  # a text that is no str is still an error
        with pytest.raises(TypeError, match="requires string as left operand"):
            proxy.filterAcceptsRow(1, ROOT)
        lists = proxy_for(Values([["red", "blue"], ("green",)]))
        lists.filters = [(0, "blue")]
        assert lists.rowCount() == 1 and lists.filterAcceptsRow(0, ROOT) and not lists.filterAcceptsRow(1, ROOT)


class TestSurface:
    def test_module_and_class_bodies(self):
        names = {"re", "QSortFilterProxyModel", "_human_key", "HumanProxyModel"}
        assert [n for n in vars(_velmora) if n in names] == ["re", "QSortFilterProxyModel", "_human_key",
                                                             "HumanProxyModel"]
        assert HumanProxyModel.__bases__ == (QSortFilterProxyModel,) and HumanProxyModel.__module__ == "_velmora"
        body = [n for n in vars(HumanProxyModel) if n in {"lessThan", "filters", "filterAcceptsRow", "__init__"}]
        assert body == ["lessThan", "filters", "filterAcceptsRow"]

    def test_functions(self):
        prop = vars(HumanProxyModel)["filters"]
        assert isinstance(prop, property)
        for fn, qualname, signature in [
            (_human_key, "_human_key", "(key)"),
            (HumanProxyModel.lessThan, "HumanProxyModel.lessThan", "(self, source_left, source_right)"),
            (prop.fget, "HumanProxyModel.filters", "(self)"),
            (prop.fset, "HumanProxyModel.filters", "(self, value)"),
            (HumanProxyModel.filterAcceptsRow, "HumanProxyModel.filterAcceptsRow", "(self, sourceRow, sourceParent)"),
        ]:
            assert (fn.__qualname__, fn.__module__, str(inspect.signature(fn))) == (qualname, "_velmora", signature)

    def test_subclasses_reach_lessthan_through_super(self, qapp):
        calls = []

        class Logged(HumanProxyModel):
            def lessThan(self, left, right):
                calls.append(left.row())
                return super().lessThan(left, right)

        proxy = proxy_for(make_model([["b10"], ["b9"], ["a"]]), Logged)
        proxy.sort(0)
        assert shown(proxy) == ["a", "b9", "b10"] and calls


class TestLeaks:
    def test_human_key(self):
        assert_no_leak(lambda: _human_key("file10.txt v1.2.3 ß ΑΣ ١٢ " + "7" * 30))

        def rejected():
            try:
                _human_key(5)
            except TypeError:
                pass

        assert_no_leak(rejected, calls=30_000)

    def test_less_than_and_filter(self, qapp):
        model = make_model([["file10.txt", None], ["file9.txt", 4], ["straße", "x"], ["STRASSE", 7], [3, "y"]])
        proxy = proxy_for(model)
        ix = [model.index(r, 0) for r in range(5)]
        assert_no_leak(lambda: proxy.lessThan(ix[0], ix[1]))  # in place
        assert_no_leak(lambda: proxy.lessThan(ix[2], ix[3]))  # through the keys
        assert_no_leak(lambda: proxy.lessThan(ix[4], ix[1]), calls=50_000)  # base class
        proxy.filters = [(0, "e"), (1, "4"), (9, "z")]
        assert_no_leak(lambda: proxy.filterAcceptsRow(1, ROOT), calls=50_000)
        assert_no_leak(lambda: proxy.filterAcceptsRow(0, ROOT), calls=50_000)

        def malformed():
            proxy._filters = [(0, "e"), (1,)]
            try:
                proxy.filterAcceptsRow(1, ROOT)
            except ValueError:
                pass

        assert_no_leak(malformed, calls=30_000)
