"""DataGrid: the module and class, construction, model binding, the cell button
handler, the drop-marker style and the theme style sheet, through real views.

The helpers at the top are shared by the other test_marquel* files.
"""

import inspect
import typing
from types import SimpleNamespace

import pytest
import shiboken6
from PySide6.QtCore import QItemSelectionModel, QModelIndex, QPoint, QPointF, QRect, Qt, Signal
from PySide6.QtGui import QColor, QDragEnterEvent, QDragMoveEvent, QDropEvent, QImage, QPainter, QStandardItemModel
from PySide6.QtWidgets import (QAbstractItemView, QApplication, QHeaderView, QProxyStyle, QStyle, QStyledItemDelegate,
                               QStyleOption, QTableView, QVBoxLayout, QWidget)

from tovane.hooks import useEffect
from tovane.material.brevant import PyWidgetBase
from tovane.material.marquel import marquel
from tovane.material.marquel.frozen_column import FrozenColumn
from tovane.material.marquel.marquel_model import DataGridModel
from tovane.material.styles import useTheme

from marquel_reference import reference_geometry

DataGrid = marquel.DataGrid
pytestmark = pytest.mark.filterwarnings("ignore::DeprecationWarning")

COLUMNS = [{"field": "name", "headerName": "Name"}, {"field": "id", "headerName": "ID"},
           {"field": "city", "headerName": "City"}, {"field": "profile", "headerName": "Profile"}]


def records(n):
    return [{"name": f"name {i:03d}", "id": i, "city": f"city {i % 7}", "profile": f"profile {i}"} for i in range(n)]


def make_grid(qtbot, rows=None, columns=COLUMNS, frozen=False, size=(600, 400), **kwargs):
    """A grid over `rows` (default 30 records), sorted by id ascending, shown."""
    rows = records(30) if rows is None else rows
    if frozen:
        kwargs.setdefault("itemDelegates", [QStyledItemDelegate()])
        kwargs["isFrozenLastColumn"] = True
    grid = DataGrid([dict(c) for c in columns], rows, **kwargs)
    qtbot.addWidget(grid)
    grid.resize(*size)
    grid.show()
    if grid.model().columnCount() > 1:
        grid.sortByColumn(1, Qt.SortOrder.AscendingOrder)
    qtbot.waitExposed(grid)
    return grid


def ids(grid):
    return [grid._rows[r]["id"] for r in range(len(grid._rows))]


def drag_over(grid, pos, data):
    """The drag enter and move that Qt delivers before a drop at `pos`."""
    for kind in (QDragEnterEvent, QDragMoveEvent):
        event = kind(pos, Qt.DropAction.MoveAction, data, Qt.MouseButton.LeftButton, Qt.KeyboardModifier.NoModifier)
        QApplication.sendEvent(grid.viewport(), event)


def drop_rows(grid, rows, pos):
    """Drag model rows `rows` and drop them at viewport position `pos`, through Qt's events."""
    model = grid.model()
    data = model.mimeData([model.index(r, c) for r in rows for c in range(model.columnCount())])
    drag_over(grid, pos, data)
    event = QDropEvent(QPointF(pos), Qt.DropAction.MoveAction, data, Qt.MouseButton.LeftButton,
                       Qt.KeyboardModifier.NoModifier)
    QApplication.sendEvent(grid.viewport(), event)
    return event


# --- the module and the class ---------------------------------------------------


ADDED_MEMBERS = ["setSelectionModel", "setSpan", "clearSpans", "setCellWidgetsOnDemand", "cellWidgetsOnDemand",
                 "_place_cell_widgets", "updateGeometries", "verticalScrollbarValueChanged", "_fit_flex_columns",
                 "setSortingEnabled", "sortByColumn", "_sort_from_header", "_column_menu", "_column_menu_chosen",
                 "_show_column_menu", "_current_row_changed", "eventFilter"]


def test_module_imports_and_class_statement():
    from PySide6.QtCore import QModelIndex as QMI
    expected = [("Callable", typing.Callable), ("Qt", Qt), ("QModelIndex", QMI), ("Signal", Signal),
                ("QHeaderView", QHeaderView), ("QAbstractItemView", QAbstractItemView), ("QTableView", QTableView),
                ("QProxyStyle", QProxyStyle), ("QStyleOption", QStyleOption), ("PyWidgetBase", PyWidgetBase),
                ("useTheme", useTheme), ("useEffect", useEffect), ("FrozenColumn", FrozenColumn),
                ("DataGridModel", DataGridModel), ("DataGrid", DataGrid)]
    for name, value in expected:
        assert getattr(marquel, name) is value, name
    names = list(vars(marquel))
    assert sorted((n for n, _ in expected), key=names.index) == [n for n, _ in expected]

    assert DataGrid.__bases__ == (QTableView, PyWidgetBase)
    assert type(DataGrid) is type(QTableView) and DataGrid.__module__ == "marquel"
    members = [k for k in vars(DataGrid) if (not k.startswith("__") or k == "__init__") and k != "staticMetaObject"]
    # The grid's own members in body order, then what it adds for large models.
    assert members[:18] == [
        "setIndexWidgetSignal", "DropmarkerStyle", "__init__", "_thread_set_index_widget", "_set_index_widget",
        "setupUi", "_set_stylesheet", "update_model", "configUiTableView", "updateSectionWidth",
        "updateSectionHeight", "resizeEvent", "moveCursor", "scrollTo", "updateFrozenTableGeometry",
        "cellButtonClicked", "dropEvent", "getselectedRowsFast"]
    assert members[18:] == ADDED_MEMBERS
    for name in members[2:]:
        assert vars(DataGrid)[name].__qualname__ == f"DataGrid.{name}", name

    style = DataGrid.DropmarkerStyle
    assert style.__bases__ == (QProxyStyle,) and style.__qualname__ == "DataGrid.DropmarkerStyle"
    assert style.drawPrimitive.__qualname__ == "DataGrid.DropmarkerStyle.drawPrimitive"
    assert style.drawPrimitive.__doc__ == (
        "Draw a line across the entire row rather than just the column we're hovering over.\n"
        "      This may not always work depending on global style - for instance I think it won't\n"
        "      work on OSX.")
    assert "__init__" not in vars(style)

    assert DataGrid.__init__.__annotations__ == {
        "id": "str", "isDense": "bool", "isManyRows": "bool", "fullWidth": "bool", "tableHead": "list",
        "singleSelection": "bool", "stretchLastSection": "bool", "selectionChanged": "Callable",
        "backgroundColor": "str"}
    params = inspect.signature(DataGrid.__init__).parameters
    assert list(params)[:3] == ["self", "columns", "rows"] and params["backgroundColor"].default == "#ffffff"
    assert params["fullWidth"].default is True and params["isFrozenLastColumn"].default is None
    assert str(inspect.signature(DataGrid.scrollTo)) == "(self, index, hint)"


# --- construction -----------------------------------------------------------------


def test_defaults(qtbot):
    grid = DataGrid(COLUMNS, records(5))
    qtbot.addWidget(grid)
    assert grid._frozenColumn is None and grid.objectName() == ""
    assert grid.selectionMode() == QAbstractItemView.SelectionMode.ExtendedSelection
    assert grid.selectionBehavior() == QAbstractItemView.SelectionBehavior.SelectRows
    assert grid.isSortingEnabled() and grid.verticalHeader().isHidden() and not grid.wordWrap()
    assert grid.rowHeight(0) == 40 and grid.horizontalHeader().minimumWidth() == 200
    assert grid.horizontalHeader().defaultAlignment() == Qt.AlignmentFlag.AlignLeft
    assert grid.dragEnabled() and grid.acceptDrops() and not grid.dragDropOverwriteMode()
    assert grid.testAttribute(Qt.WidgetAttribute.WA_Hover)
    assert grid._background_color == "transparent" and grid._column_count == 4 and grid.lastCol == 3
    assert grid.last_drop_row is None and grid._is_filter_mode is False
    assert isinstance(grid._model, DataGridModel) and grid.model() is grid._model
    assert grid.header is grid.horizontalHeader() and grid._horizontalHeader is grid.horizontalHeader()
    assert grid.theme is useTheme()


def test_options(qtbot):
    single = DataGrid(COLUMNS, records(3), singleSelection=True, stretchLastSection=1, id="people",
                      backgroundColor="#000", context=object(), model=QStandardItemModel())
    qtbot.addWidget(single)
    assert single.selectionMode() == QAbstractItemView.SelectionMode.SingleSelection
    assert single.selectionBehavior() == QAbstractItemView.SelectionBehavior.SelectItems
    assert single.horizontalHeader().stretchLastSection() and single.objectName() == "people"
    assert isinstance(single.model(), DataGridModel) and single._background_color == "transparent"
    text = DataGrid(COLUMNS, records(3), stretchLastSection="yes")
    qtbot.addWidget(text)
    assert not text.horizontalHeader().stretchLastSection()
    wide = DataGrid(COLUMNS * 2, [], isDense=True)
    qtbot.addWidget(wide)
    assert wide.horizontalHeader().sectionResizeMode(5) == QHeaderView.ResizeMode.Stretch


def test_frozen_construction(qtbot):
    first, second = QStyledItemDelegate(), QStyledItemDelegate()
    grid = DataGrid(COLUMNS, records(5), itemDelegates=[first, second], isFrozenLastColumn=True)
    qtbot.addWidget(grid)
    frozen = grid._frozenColumn
    assert isinstance(frozen, FrozenColumn) and frozen.parent() is grid and frozen.lastCol == 3
    assert frozen.itemDelegateForColumn(3) is second and second.parent is frozen
    assert frozen.model() is grid.model() and frozen.selectionModel() is grid.selectionModel()
    assert frozen.focusPolicy() == Qt.FocusPolicy.NoFocus
    assert [frozen.isColumnHidden(c) for c in range(4)] == [True, True, True, False]


def test_frozen_grid_opens_no_window_and_needs_no_delegates(qtbot):
    class PeopleGrid(DataGrid):
        def __init__(self, *args, **kwargs):
            super().__init__(*args, **kwargs)
            self._pending = []

        def showEvent(self, event):
            self._pending.append("shown")  # needs the body of __init__ to have run
            super().showEvent(event)

    for delegates in (None, []):
        grid = PeopleGrid(COLUMNS, records(30), itemDelegates=delegates, isFrozenLastColumn=True)
        assert not grid.isVisible() and grid._pending == []
        assert grid._frozenColumn.itemDelegateForColumn(3) is None  # the view's own delegate serves it
        window = QWidget()
        qtbot.addWidget(window)
        QVBoxLayout(window).addWidget(grid)
        window.resize(700, 400)
        window.show()
        qtbot.waitExposed(window)
        assert grid.window() is window and grid._pending == ["shown"] and grid._frozenColumn.isVisible()
        assert grid._frozenColumn.geometry() == reference_geometry(grid)


def test_construction_errors(qtbot):
    with pytest.raises(TypeError):
        DataGrid(iter(COLUMNS), [])
    with pytest.raises(AttributeError):
        DataGrid([{"field": "a"}, ("not", "a", "mapping")], [])


def test_rebinding_connects_the_selection_callback_once_per_selection_model(qtbot):
    calls = []
    grid = make_grid(qtbot, selectionChanged=lambda selected, deselected: calls.append(selected))
    for _ in range(3):
        grid.update_model()
    grid.selectRow(2)
    assert len(calls) == 1

    other = DataGridModel(grid, COLUMNS, records(4))
    grid.update_model(other)
    grid.update_model(other)
    assert grid.model() is other
    calls.clear()
    grid.selectRow(1)
    assert len(calls) == 1


def test_rebinding_a_frozen_grid(qtbot):
    grid = make_grid(qtbot, frozen=True)
    other = DataGridModel(grid, COLUMNS, records(4))
    grid.update_model(other)
    assert grid.model() is other and grid._frozenColumn.model() is other
    assert grid._frozenColumn.selectionModel() is grid.selectionModel()
    grid.update_model()
    assert grid.model() is grid._model and grid._frozenColumn.model() is grid._model


# --- cell buttons -------------------------------------------------------------------


def test_cell_button_clicked(qtbot):
    grid = make_grid(qtbot)
    grid._main_window = SimpleNamespace(tblProfile=grid)
    grid.cellButtonClicked("open_2")
    assert grid.profile_id_selected == 2
    for text, error in (("open", IndexError), ("open_two", ValueError), ("open_999", IndexError)):
        with pytest.raises(error):
            grid.cellButtonClicked(text)
        assert grid.profile_id_selected == 2
    del grid._main_window
    with pytest.raises(AttributeError):
        grid.cellButtonClicked("open_3")
    assert grid.profile_id_selected == 2


# --- the drop-marker style ------------------------------------------------------------


def painted_columns(image, y):
    return [x for x in range(image.width()) if image.pixelColor(x, y) != QColor("white")]


def draw(element, rect, widget):
    image = QImage(200, 60, QImage.Format.Format_ARGB32)
    image.fill(QColor("white"))
    option = QStyleOption()
    option.rect = rect
    painter = QPainter(image)
    DataGrid.DropmarkerStyle().drawPrimitive(element, option, painter, widget)
    painter.end()
    return image


def test_dropmarker_style_draws_across_the_row(qapp):
    drop = QStyle.PrimitiveElement.PE_IndicatorItemViewItemDrop
    widget = QWidget()
    widget.resize(150, 60)
    line = painted_columns(draw(drop, QRect(50, 20, 40, 0), widget), 20)
    assert line[0] == 0 and line[-1] == 150
    # Without a widget the indicator starts at 0 and keeps its right edge.
    line = painted_columns(draw(drop, QRect(50, 20, 40, 0), None), 20)
    assert line[0] == 0 and line[-1] == 89
    # A null rectangle and other primitives are drawn as they come.
    assert max(painted_columns(draw(drop, QRect(), widget), 0) or [0]) < 2  # not widened
    arrow = draw(QStyle.PrimitiveElement.PE_IndicatorArrowDown, QRect(50, 10, 40, 20), widget)
    plain = sorted({x for y in range(arrow.height()) for x in painted_columns(arrow, y)})
    assert plain and plain[0] >= 50 and plain[-1] < 90


def test_view_draws_its_drop_indicator_through_the_style(qtbot):
    grid = make_grid(qtbot, columns=COLUMNS)
    grid.setStyle(DataGrid.DropmarkerStyle())
    rect = grid.visualRect(grid.model().index(5, 1))
    model = grid.model()
    drag_over(grid, QPoint(rect.center().x(), rect.top() + 2), model.mimeData([model.index(1, 0)]))
    image = grid.viewport().grab().toImage()
    background = image.pixelColor(grid.viewport().width() - 2, rect.top() + rect.height() // 2)
    row = [x for x in range(grid.viewport().width()) if image.pixelColor(x, rect.top()) != background]
    # The indicator runs from the left edge to the view's width, not just across column 1.
    assert row and row[0] == 0 and row[-1] >= grid.viewport().width() - 2


# --- the style sheet ------------------------------------------------------------------

SHEET_PARTS = [
    "\n        QWidget {\n                background-color: transparent;\n        }\n        QTableView {\n            background-color: transparent;\n            padding: 0px;\n            border: none;\n            gridline-color: transparent;\n            color: ",  # noqa: E501
    ("palette", "text", "secondary"),
    ";\n        }\n\n        QTableView::item {\n            padding-left: 0px;\n            padding-right: 5px;\n        }\n\n        QTableView::item:selected {\n            background-color: ",  # noqa: E501
    ("palette", "action", "selected"),
    ";\n            color: ",
    ("palette", "text", "primary"),  # selected cells: the secondary text falls under 4.5:1 on Qt's tint
    ";\n        }\n\n        QTableView::section {\n            background-color: transparent;\n            max-width: 30px;\n            text-align: left;\n\n        }\n\n        QTableView::horizontalHeader {\n            background-color: red;\n            color: ",  # noqa: E501
    ("palette", "text", "primary"),
    ";\n            font-size: ",
    ("typography", "button", "fontSize"),
    ";\n            font-weight: ",
    ("typography", "button", "fontWeight"),
    ";\n            line-height: ",
    ("typography", "button", "lineHeight"),
    ";\n        }\n\n        QTableView::section:horizontal {\n            background-color: transparent;\n            padding: 0px;\n            border: 1px solid red !important;\n            border-bottom: 1px solid red !important;\n        }\n\n\n        QTableView::section:vertical {\n            border: 1px solid red;\n        }\n\n        QTableView .QScrollBar:horizontal {\n            border: none;\n            background: transparent;\n            min-height: 8px;\n            border-radius: 0px;\n            max-width: 79em;\n        }\n\n        QTableView .QHeaderView::section {\n            background-color: transparent!important;\n        }\n\n      ",  # noqa: E501
]


def expected_sheet(theme):
    out = []
    for part in SHEET_PARTS:
        if isinstance(part, tuple):
            value = theme
            for name in part:
                value = getattr(value, name)
            part = format(value, "")
        out.append(part)
    return "".join(out)


def fake_theme(**button):
    ns = SimpleNamespace
    return ns(state=None, components={},
              palette=ns(text=ns(primary="#111", secondary="#222"), action=ns(selected="rgba(1, 2, 3, 0.5)")),
              typography=ns(button=ns(**{"fontSize": 14, "fontWeight": 700, "lineHeight": "24px", **button})))


def test_style_sheet_byte_for_byte(qtbot, monkeypatch):
    assert len(SHEET_PARTS) == 15
    grid = make_grid(qtbot)
    assert grid.styleSheet() == expected_sheet(useTheme())
    assert grid.styleSheet().endswith("}\n\n      ")
    theme = fake_theme()
    monkeypatch.setattr(marquel, "useTheme", lambda: theme)
    grid._set_stylesheet({"ignored": True})
    assert grid.theme is theme and grid.styleSheet() == expected_sheet(theme)
    assert "font-size: 14;" in grid.styleSheet()
    del theme.typography.button.lineHeight
    with pytest.raises(AttributeError):
        grid._set_stylesheet()
    with pytest.raises(AttributeError):
        DataGrid(COLUMNS, [])


def test_theme_switch_restyles_the_grid(qtbot):
    theme = useTheme()
    grid = make_grid(qtbot, frozen=True)
    light = grid.styleSheet()
    try:
        theme.setMode("dark")
        assert grid.styleSheet() == expected_sheet(theme) != light
    finally:
        theme.setMode("light")
    assert grid.styleSheet() == light


def test_destroyed_grid_leaves_no_theme_effect(qtbot, monkeypatch):
    theme = useTheme()
    restyled = []
    monkeypatch.setattr(marquel, "useTheme", lambda: restyled.append(1) or theme)
    grid = DataGrid(COLUMNS, records(3))
    theme.setMode("dark")
    theme.setMode("light")
    assert len(restyled) == 5  # setupUi, the effect's first run, _set_stylesheet, two switches
    shiboken6.delete(grid)
    theme.setMode("dark")  # the effect died with the grid: nothing runs on a deleted widget
    theme.setMode("light")
    assert len(restyled) == 5
