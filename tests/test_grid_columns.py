"""DataGrid column definitions as users write them (width, flex, type,
valueFormatter, sortable, headerAlign, description, editable, the column
menu), the overlay staying row for row with the grid, the scroll bars, and
HumanProxyModel's case options. Through real views, keys and mouse clicks."""

import datetime
import re

import pytest
from hypothesis import HealthCheck, given, settings
from hypothesis import strategies as st
from PySide6.QtCore import QDate, QLocale, QPersistentModelIndex, QPoint, Qt
from PySide6.QtGui import QColor, QContextMenuEvent
from PySide6.QtTest import QTest
from PySide6.QtWidgets import QAbstractItemView, QApplication, QLineEdit, QMenu

from marquel_reference import reference_geometry

from test_marquel import DataGrid
from tovane.material.marquel._velmora import HumanProxyModel
from tovane.material.marquel.marquel_model import CHECK_MARK, DataGridModel
from tovane.material.styles import contrast_ratio, useTheme

pytestmark = pytest.mark.filterwarnings("ignore::DeprecationWarning")
DISPLAY, ALIGN = Qt.ItemDataRole.DisplayRole, Qt.ItemDataRole.TextAlignmentRole


def shown_grid(qtbot, columns, rows, size=(600, 400), **kwargs):
    grid = DataGrid(columns, rows, **kwargs)
    qtbot.addWidget(grid)
    grid.resize(*size)
    grid.show()
    qtbot.waitExposed(grid)
    return grid


def header_click(grid, section, button=Qt.MouseButton.LeftButton):
    header = grid.horizontalHeader()
    QTest.mouseClick(header.viewport(), button, pos=QPoint(header.sectionViewportPosition(section) + 5, 5))


def names(grid, column=0):
    model = grid.model()
    return [model.index(r, column).data() for r in range(model.rowCount())]


def test_widths_flex_and_min_width(qtbot):
    columns = [{"field": "a", "width": 100}, {"field": "b", "flex": 1}, {"field": "c", "flex": 2},
               {"field": "d", "width": 30, "minWidth": 120}]
    grid = shown_grid(qtbot, columns, [{"a": 1}] * 3, size=(800, 300))

    def check():
        free = grid.viewport().width() - 100 - 120
        b, c = grid.columnWidth(1), grid.columnWidth(2)
        assert (grid.columnWidth(0), grid.columnWidth(3)) == (100, 120)
        assert b + c == free and abs(2 * b - c) <= 2  # 1:2 within a pixel

    check()
    grid.resize(1000, 300)
    qtbot.wait(1)
    check()
    grid.setColumnWidth(3, 40)  # narrower than its minWidth: widened back
    assert grid.columnWidth(3) == 120
    grid.setColumnWidth(1, 90)  # a flex column sized by hand keeps its width
    grid.resize(900, 300)
    qtbot.wait(1)
    assert grid.columnWidth(1) == 90 and grid.columnWidth(2) == grid.viewport().width() - 100 - 120 - 90
    with pytest.raises(TypeError, match="column 0: 'width' must be a number, not str"):
        DataGrid([{"field": "a", "width": "100px"}], [])
    with pytest.raises(OverflowError, match="column 0: 'width' is out of range"):
        DataGrid([{"field": "a", "width": 10**400}], [])
    with pytest.raises(ValueError, match="column 0: 'minWidth' must be a number of pixels, not nan"):
        DataGrid([{"field": "a", "width": 10, "minWidth": float("nan")}], [])


def test_types_formatters_and_headers(qtbot):
    day = datetime.date(2024, 3, 9)
    columns = [{"field": "n", "type": "number"}, {"field": "n", "type": "number", "align": "left"},
               {"field": "when", "type": "date"}, {"field": "ok", "type": "boolean"},
               {"field": "n", "valueFormatter": lambda v: f"{v:,} units", "headerAlign": "right",
                "description": "How many"}]
    rows = [{"n": 1200, "when": day, "ok": True}, {"n": "n/a", "when": "soon", "ok": False},
            {"n": 7, "when": datetime.datetime(2020, 1, 2, 13, 0), "ok": None}]
    grid = shown_grid(qtbot, columns, rows)
    model = grid.model()
    assert [model.index(r, 0).data() for r in range(3)] == [1200, "n/a", 7]  # not a number: its text
    assert model.index(0, 0).data(ALIGN) == Qt.AlignmentFlag.AlignRight | Qt.AlignmentFlag.AlignVCenter
    assert model.index(0, 1).data(ALIGN) == Qt.AlignmentFlag.AlignLeft | Qt.AlignmentFlag.AlignVCenter
    assert model.index(0, 2).data() == QLocale().toString(QDate(2024, 3, 9), QLocale.FormatType.ShortFormat)
    assert model.index(1, 2).data() == "soon"
    assert [model.index(r, 3).data() for r in range(3)] == [CHECK_MARK, "", None]
    assert model.index(0, 3).data(ALIGN) == Qt.AlignmentFlag.AlignCenter
    assert model.index(0, 4).data() == "1,200 units" and model.index(0, 4).data(Qt.ItemDataRole.EditRole) == 1200
    assert model.headerData(4, Qt.Orientation.Horizontal, Qt.ItemDataRole.ToolTipRole) == "How many"
    assert model.headerData(4, Qt.Orientation.Horizontal, ALIGN) == Qt.AlignmentFlag.AlignRight | \
        Qt.AlignmentFlag.AlignVCenter
    header_click(grid, 0)  # numbers by value, the text after them
    assert names(grid) == [7, 1200, "n/a"]
    header_click(grid, 2)  # dates by date (the text after them)
    assert [r["n"] for r in grid._rows] == [7, 1200, "n/a"]
    header_click(grid, 3)  # False before True, None last
    assert [r["ok"] for r in grid._rows] == [False, True, None]
    header_click(grid, 4)  # by the value, not the formatted text ("1,200 units" < "7 units"); text first
    assert [model.index(r, 4).data(Qt.ItemDataRole.EditRole) for r in range(3)] == ["n/a", 7, 1200]


@pytest.mark.parametrize("through_proxy", [False, True])
def test_a_column_that_cannot_be_sorted(qtbot, through_proxy):
    columns = [{"field": "name"}, {"field": "note", "sortable": False}]
    rows = [{"name": n, "note": t} for n, t in (("b", "z"), ("c", "x"), ("a", "y"))]
    grid = shown_grid(qtbot, columns, rows)
    if through_proxy:
        proxy = HumanProxyModel(grid)
        proxy.setSourceModel(grid._model)
        grid.update_model(proxy)
    header = grid.horizontalHeader()
    header_click(grid, 0)
    assert names(grid) == ["a", "b", "c"] and header.sortIndicatorSection() == 0
    header_click(grid, 1)
    assert names(grid) == ["a", "b", "c"] and header.sortIndicatorSection() == 0
    assert header.sortIndicatorOrder() == Qt.SortOrder.AscendingOrder
    header_click(grid, 0)
    assert names(grid) == ["c", "b", "a"]
    grid.setSortingEnabled(False)  # the indicator alone sorts nothing then, as in a QTableView
    header.setSortIndicator(0, Qt.SortOrder.AscendingOrder)
    assert names(grid) == ["c", "b", "a"]


def test_column_menu(qtbot):
    columns = [{"field": "name"}, {"field": "n", "type": "number"}, {"field": "x", "sortable": False},
               {"field": "y", "disableColumnMenu": True}]
    rows = [{"name": n, "n": i} for i, n in enumerate(["Person 10", "person 2", "Person 1"])]
    given_order = list(rows)
    grid = shown_grid(qtbot, columns, rows)
    header = grid.horizontalHeader()
    at = QPoint(header.sectionViewportPosition(0) + 5, 5)
    QApplication.sendEvent(header.viewport(), QContextMenuEvent(QContextMenuEvent.Reason.Mouse, at))
    menu = QApplication.activePopupWidget()
    assert isinstance(menu, QMenu)
    texts = [a.text() for a in menu.actions() if not a.isSeparator()]
    assert texts == ["Sort ascending", "Sort descending", "Unsort", "Hide column", "Show all columns"]
    menu.close()

    def choose(section, text):
        action = next(a for a in grid._column_menu(section).actions() if a.text() == text)
        assert action.isEnabled()
        action.trigger()

    choose(0, "Sort descending")
    assert names(grid) == ["Person 10", "person 2", "Person 1"] and header.sortIndicatorSection() == 0
    choose(0, "Sort ascending")
    assert names(grid) == ["Person 1", "person 2", "Person 10"]
    choose(0, "Unsort")
    assert rows == given_order and header.sortIndicatorSection() == -1
    choose(1, "Hide column")
    assert grid.isColumnHidden(1)
    choose(0, "Show all columns")
    assert not any(grid.isColumnHidden(c) for c in range(4))
    assert [a.isEnabled() for a in grid._column_menu(2).actions() if not a.isSeparator()] == \
        [False, False, False, True, True]
    assert grid._column_menu(3) is None


def edit(grid, row, column, text, key=Qt.Key.Key_Return):
    """Double-click the cell, replace its text, press ``key``; the editor or None."""
    rect = grid.visualRect(grid.model().index(row, column))
    QTest.mouseClick(grid.viewport(), Qt.MouseButton.LeftButton, pos=rect.center())
    QTest.mouseDClick(grid.viewport(), Qt.MouseButton.LeftButton, pos=rect.center())
    assert grid.state() == QAbstractItemView.State.EditingState
    editor = next(w for w in grid.viewport().findChildren(QLineEdit) if w.isVisible())
    editor.selectAll()
    QTest.keyClicks(editor, text)
    QTest.keyClick(editor, key)
    QApplication.processEvents()
    return editor if grid.state() == QAbstractItemView.State.EditingState else None


def test_editing_in_place(qtbot):
    replaced = []

    def set_email(value, record):
        replaced.append((value, record["name"]))
        return {**record, "email": value.lower()}

    columns = [{"field": "name", "editable": True}, {"field": "n", "type": "number", "editable": True},
               {"field": "email", "editable": True, "valueSetter": set_email}, {"field": "id"}]
    rows = [{"name": f"P{i}", "n": i, "email": f"p{i}@x", "id": i} for i in range(5)]
    grid = shown_grid(qtbot, columns, rows)
    changed = []
    grid.model().dataChanged.connect(lambda a, b, roles=(): changed.append((a.row(), b.row())))
    assert edit(grid, 1, 0, "Ada") is None and rows[1]["name"] == "Ada" and changed == [(1, 1)]
    stuck = edit(grid, 2, 1, "lots")  # not a number: refused, the editor stays
    assert stuck is not None and stuck.property("error") == "true" and rows[2]["n"] == 2
    QTest.keyClick(stuck, Qt.Key.Key_Tab)  # nor does Tab take it on to the next cell
    assert grid.state() == QAbstractItemView.State.EditingState and stuck.isVisible() and rows[2]["n"] == 2
    stuck.selectAll()
    QTest.keyClicks(stuck, "42")
    QTest.keyClick(stuck, Qt.Key.Key_Return)
    qtbot.waitUntil(lambda: grid.state() != QAbstractItemView.State.EditingState)
    assert rows[2]["n"] == 42 and grid.model().index(2, 1).data() == 42
    assert edit(grid, 3, 0, "Nobody", Qt.Key.Key_Escape) is None and rows[3]["name"] == "P3"  # cancelled
    assert edit(grid, 0, 2, "ADA@X") is None and replaced == [("ADA@X", "P0")] and rows[0]["email"] == "ada@x"
    assert not grid.model().flags(grid.model().index(0, 3)) & Qt.ItemFlag.ItemIsEditable
    grid.sortByColumn(1, Qt.SortOrder.AscendingOrder)  # sorted: an edited row moves to its place
    assert edit(grid, 0, 1, "100") is None
    assert [r["n"] for r in rows] == [1, 3, 4, 42, 100] and grid.model().index(4, 0).data() == "P0"



def test_edits_after_a_drag_on_yes_no_columns_and_over_tuple_rows(qapp):
    columns = [{"field": "name", "editable": True}, {"field": "on", "type": "boolean", "editable": True}]
    rows = [{"name": n, "on": False} for n in ("c", "a", "b")]
    model = DataGridModel(None, columns, rows)
    model.sort(0, Qt.SortOrder.AscendingOrder)
    # Drag "c" (now last) to the top: an edit afterwards keeps the dragged order.
    mime = model.mimeData([model.index(2, 0)])
    assert model.dropMimeData(mime, Qt.DropAction.MoveAction, 0, 0, model.index(-1, -1))
    assert model.setData(model.index(1, 0), "aa")
    assert [model.index(r, 0).data() for r in range(3)] == ["c", "aa", "b"]
    on = model.index(0, 1)
    for word, expected in (("true", True), ("false", False), (" Yes ", True), ("0", False), ("on", True)):
        assert model.setData(on, word) and on.data(Qt.ItemDataRole.EditRole) is expected, word
    assert not model.setData(on, "maybe") and on.data(Qt.ItemDataRole.EditRole) is True
    frozen = DataGridModel(None, [{"field": "name", "editable": True, "valueSetter": lambda v, r: {"name": v}}],
                           ({"name": "x"},))
    assert not frozen.setData(frozen.index(0, 0), "y")  # a tuple of rows takes no new record


def test_set_data_through_a_persistent_index(qapp):
    # The signature takes a QPersistentModelIndex too: the record changes and
    # the row is announced as it is for a plain index.
    rows = [{"name": "P0", "n": 0}, {"name": "P1", "n": 1}]
    model = DataGridModel(None, [{"field": "name"}, {"field": "n", "type": "number", "editable": True}], rows)
    changed = []
    model.dataChanged.connect(lambda a, b, roles=(): changed.append((a.row(), a.column(), b.row(), b.column())))
    assert model.setData(QPersistentModelIndex(model.index(1, 1)), "7") is True
    assert rows[1]["n"] == 7 and changed == [(1, 0, 1, 1)]

ALIGNMENT_CASES = {
    "per pixel": lambda g: (g.setVerticalScrollMode(QAbstractItemView.ScrollMode.ScrollPerPixel),
                            g.verticalScrollBar().setValue(500)),
    "per item": lambda g: g.verticalScrollBar().setValue(40),
    "header hidden": lambda g: g.horizontalHeader().hide(),
    "header resized": lambda g: g.horizontalHeader().setFixedHeight(50),
    "header restyled": lambda g: g.horizontalHeader().setStyleSheet("QHeaderView::section { padding: 12px; }"),
    "default row height": lambda g: g.verticalHeader().setDefaultSectionSize(25),
    "hidden and tall rows": lambda g: (g.setRowHidden(2, True), g.setRowHeight(4, 70)),
}


@pytest.mark.parametrize("case", ALIGNMENT_CASES)
def test_overlay_stays_row_for_row(qtbot, case):
    columns = [{"field": f"c{i}"} for i in range(4)]
    grid = shown_grid(qtbot, columns, [{f"c{i}": f"{r}/{i}" for i in range(4)} for r in range(300)],
                      isFrozenLastColumn=True)
    ALIGNMENT_CASES[case](grid)
    qtbot.wait(1)
    frozen, model = grid._frozenColumn, grid.model()
    checked = 0
    for row in range(model.rowCount()):
        ours = grid.visualRect(model.index(row, 0))
        if grid.isRowHidden(row) or ours.bottom() < 0 or ours.top() > grid.viewport().height():
            continue
        theirs = frozen.visualRect(model.index(row, 3))
        assert (grid.viewport().mapTo(grid, ours.topLeft()).y(), ours.height()) == \
            (frozen.viewport().mapTo(grid, theirs.topLeft()).y(), theirs.height()), row
        checked += 1
    assert checked > 5 and frozen.geometry() == reference_geometry(grid)
    # One header row: the overlay's label sits where the grid's labels do.
    assert frozen.horizontalHeader().defaultAlignment() == grid.horizontalHeader().defaultAlignment()


@pytest.mark.parametrize("mode", ["light", "dark"])
def test_scroll_bars_show_a_handle(qtbot, mode):
    theme = useTheme()
    theme.setMode(mode)
    try:
        grid = shown_grid(qtbot, [{"field": "a"}], [{"a": i} for i in range(500)])
        bar = grid.verticalScrollBar()
        image = bar.grab().toImage()
        handle = QColor(theme.palette.text.secondary)
        painted = {image.pixelColor(x, y).name() for x in range(image.width()) for y in range(image.height())}
        assert handle.name() in painted  # the handle is drawn in the theme's colour
        behind = QColor(theme.palette.background.default)
        assert contrast_ratio(handle.name(), behind.name()) >= 3
    finally:
        theme.setMode("light")


@pytest.mark.parametrize("mode", ["light", "dark"])
def test_cell_text_meets_aa_selected_or_not(qtbot, qapp, mode):
    """Read off the painted cells: the darkest and lightest pixels of a cell
    are its text and its background, however many tints Qt lays."""
    from tovane.material.styles import apply_theme
    theme = useTheme()
    theme.setMode(mode)
    binding = apply_theme(qapp)
    try:
        grid = shown_grid(qtbot, [{"field": "a", "width": 200}], [{"a": "Ada Lovelace"}] * 5)
        grid.selectRow(1)
        qtbot.wait(1)
        image = grid.viewport().grab().toImage()
        for row in (1, 3):
            rect = grid.visualRect(grid.model().index(row, 0))
            colours = {image.pixelColor(x, y).name() for x in range(rect.left(), rect.right())
                       for y in range(rect.top(), rect.bottom())}
            background = image.pixelColor(rect.right() - 2, rect.center().y()).name()
            assert max(contrast_ratio(c, background) for c in colours) >= 4.5, (mode, row)
    finally:
        theme.setMode("light")
        binding.remove()


# --- HumanProxyModel: case options against Python -------------------------------------------

words = st.lists(st.text(alphabet="aAbBßs 12", max_size=5), min_size=1, max_size=12)


@settings(max_examples=150, deadline=None, suppress_health_check=[HealthCheck.function_scoped_fixture])
@given(words, st.text(alphabet="aAbBßs1", max_size=2), st.booleans())
def test_filters_with_and_without_regard_to_case(qapp, cells, text, folded):
    model = DataGridModel(None, [{"field": "w"}], [{"w": w} for w in cells])
    proxy = HumanProxyModel()
    proxy.setSourceModel(model)
    if folded:
        proxy.setFilterCaseSensitivity(Qt.CaseSensitivity.CaseInsensitive)
        proxy.setSortCaseSensitivity(Qt.CaseSensitivity.CaseInsensitive)
    proxy.filters = [(0, text)]
    kept = [proxy.index(r, 0).data() for r in range(proxy.rowCount())]
    fold = str.casefold if folded else (lambda s: s)
    assert kept == [w for w in cells if fold(text) in fold(w)]
    proxy.sort(0)
    key = (lambda t: tuple(p.casefold() if i % 2 == 0 else float(p)
                           for i, p in enumerate(re.split(r"(\d*\.\d+|\d+)", t))))
    if folded:
        shown = [proxy.index(r, 0).data() for r in range(proxy.rowCount())]
        assert [key(s) for s in shown] == sorted(key(s) for s in shown)


# --- the keyboard and assistive technology ----------------------------------------------------


def test_grid_with_the_keyboard_and_assistive_technology(qtbot):
    from PySide6.QtGui import QAccessible
    from PySide6.QtWidgets import QPushButton, QVBoxLayout, QWidget

    from tovane.material.focus_ring import FocusRing

    pressed = []

    def render(record):
        button = QPushButton("Open")
        button.clicked.connect(lambda: pressed.append(record["name"]))
        return button

    window = QWidget()
    qtbot.addWidget(window)
    layout = QVBoxLayout(window)
    before, after = QLineEdit(), QPushButton("After")
    columns = [{"field": "name", "headerName": "Name"}, {"field": "n", "headerName": "N"},
               {"field": "open", "headerName": "Actions", "renderCell": render}]
    grid = DataGrid(columns, [{"name": f"P{i}", "n": i} for i in range(200)], isFrozenLastColumn=True)
    grid.setCellWidgetsOnDemand()
    for widget in (before, grid, after):
        layout.addWidget(widget)
    window.resize(500, 400)
    window.show()
    window.activateWindow()
    qtbot.waitUntil(lambda: QApplication.activeWindow() is window)
    before.setFocus()
    qtbot.waitUntil(lambda: QApplication.focusWidget() is before)

    def tab(key=Qt.Key.Key_Tab):
        QTest.keyClick(QApplication.focusWidget(), key)
        QApplication.processEvents()
        return QApplication.focusWidget()

    assert tab() is grid  # the grid, then the current row's controls, then on: not from cell to cell
    QTest.keyClick(grid, Qt.Key.Key_Down)
    QTest.keyClick(grid, Qt.Key.Key_Down)
    button = tab()
    assert isinstance(button, QPushButton) and grid.currentIndex().row() == 2
    assert button.accessibleName() == "Open, P2" and button.accessibleDescription() == "Actions, row 3"
    QTest.keyClick(button, Qt.Key.Key_Return)  # Enter presses it
    assert pressed == ["P2"]
    assert tab() is after and tab(Qt.Key.Key_Backtab) is button
    QTest.keyClick(button, Qt.Key.Key_Escape)  # back to the grid
    assert QApplication.focusWidget() is grid
    QTest.keyClick(grid, Qt.Key.Key_Right)
    QTest.keyClick(grid, Qt.Key.Key_Right)  # across the frozen column: the arrows reach it
    assert grid.currentIndex().column() == 2
    ring, overlay = grid.findChild(FocusRing), grid._frozenColumn
    assert ring.isVisible() and grid.children().index(ring) > grid.children().index(overlay)  # drawn above it

    table = QAccessible.queryAccessibleInterface(grid)
    assert table.role() == QAccessible.Role.Table
    headers = [table.child(i).text(QAccessible.Text.Name) for i in range(table.childCount())
               if table.child(i).role() == QAccessible.Role.ColumnHeader]
    assert headers[:3] == ["Name", "N", "Actions"]
