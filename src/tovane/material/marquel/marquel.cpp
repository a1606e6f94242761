// marquel: the data grid.
//
//     from typing import Callable
//     from PySide6.QtCore import Qt, QModelIndex, Signal
//     from PySide6.QtWidgets import QHeaderView, QAbstractItemView, QTableView, QProxyStyle, QStyleOption
//     from tovane.material.brevant import PyWidgetBase
//     from tovane.material.styles import useTheme
//     from tovane.hooks import useEffect
//     from .frozen_column import FrozenColumn
//     from .marquel_model import DataGridModel
//
//     class DataGrid(QTableView, PyWidgetBase):
//         setIndexWidgetSignal = Signal(QModelIndex)
//         class DropmarkerStyle(QProxyStyle): ...
//         ...
//
// Every method calls the others, and Qt's, through `self`, so a subclass can
// override any step.  Where the Python would ask Qt once per cell or per
// column (getselectedRowsFast, updateFrozenTableGeometry), the answer is read
// from Qt's own bookkeeping instead, as long as every method the loop would
// call is still Qt's; a subclass that overrides one of them gets the loop.
#include "kit/kit.hpp"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

namespace {

using namespace kit;

// --- small Python operations ------------------------------------------------

// operator.index(o) as a C++ number (range() takes nothing else).
long long index_value(PyObject* o) { return as_long(Ref::steal(PyNumber_Index(o))); }

// Qt's own method `name` of the class bound as the global `cls`, as the class
// holds it; looked up once.
#define QT_METHOD(cls, name) KIT_CACHED(getattr(KIT_GLOBAL(cls), KIT_STR(name)))

// The same for a class of PySide6.QtCore that the module does not import.
#define QTCORE_METHOD(cls, name) KIT_CACHED(getattr(module_attr("PySide6.QtCore", cls), KIT_STR(name)))

// self._frozenColumn, when the grid has its overlay.
Ref overlay(PyObject* self) {
    Ref frozen = getattr(self, KIT_STR("_frozenColumn"));
    return frozen.get() == Py_None ? Ref() : frozen;
}

// --- DropmarkerStyle ----------------------------------------------------------

// def drawPrimitive(self, element, option, painter, widget=None):
//     """Draw a line across the entire row rather than just the column we're hovering over. ..."""
//     if element == QProxyStyle.PrimitiveElement.PE_IndicatorItemViewItemDrop and not option.rect.isNull():
//         option_new = QStyleOption(option)
//         option_new.rect.setLeft(0)
//         if widget:
//             option_new.rect.setRight(widget.width())
//         option = option_new
//     super().drawPrimitive(element, option, painter, widget)
//
// The element is compared with the enum member itself: str() of a Qt enum
// member is its number ("43") with current PySide, so comparing texts would
// never match.
const Def DropmarkerStyle_drawPrimitive{
    "def drawPrimitive(self, element, option, painter, widget=None)",
    [](const Frame& f, PyObject* self, PyObject* element, PyObject* option, PyObject* painter, PyObject* widget) {
        Ref drop = member(KIT_GLOBAL("QProxyStyle"), "PrimitiveElement", "PE_IndicatorItemViewItemDrop");
        Ref chosen = Ref::borrow(option);
        if (eq(element, drop) && !truthy(call_method(getattr(option, KIT_STR("rect")), KIT_STR("isNull")))) {
            Ref option_new = call(KIT_GLOBAL("QStyleOption"), option);
            call_method(getattr(option_new, KIT_STR("rect")), KIT_STR("setLeft"), integer(0));
            if (truthy(widget))
                call_method(getattr(option_new, KIT_STR("rect")), KIT_STR("setRight"),
                            call_method(widget, KIT_STR("width")));
            chosen = option_new;
        }
        call(f.super_attr(self, KIT_STR("drawPrimitive")), element, chosen, painter, widget);
    },
    {.doc = "Draw a line across the entire row rather than just the column we're hovering over.\n"
            "      This may not always work depending on global style - for instance I think it won't\n"
            "      work on OSX."}};

// --- construction -----------------------------------------------------------

// def __init__(self, columns, rows, checkboxSelection=False, disableRowSelectionOnClick=False, context=None,
//              id: str = None, isDense: bool = None, isManyRows: bool = None, fullWidth: bool = True,
//              tableHead: list = None, singleSelection: bool = False, stretchLastSection: bool = False,
//              model=None, selectionChanged: Callable = None, itemDelegates=None,
//              backgroundColor: str = "#ffffff", isFrozenLastColumn=None):
//     super().__init__()
//     if id is not None:
//         self.setObjectName(id)
//     self._columns = columns
//     self._rows = rows
//     self._checkboxSelection = checkboxSelection
//     self._disableRowSelectionOnClick = disableRowSelectionOnClick
//     self._background_color = "transparent"
//     self._isDense = isDense
//     self._isManyRows = isManyRows
//     self._fullWidth = fullWidth
//     self._tableHead = tableHead
//     self._stretchLastSection = stretchLastSection
//     self._isFrozenLastColumn = isFrozenLastColumn
//     self._itemDelegates = itemDelegates
//     self._selectionChanged = selectionChanged
//     self._singleSelection = singleSelection
//     self._frozenColumn = None
//     self._is_filter_mode = False
//     self._column_count = len(self._columns)
//     self.last_drop_row = None
//     self.lastCol = len(self._columns) - 1
//     self._spans = False                  # whether setSpan was called (see getselectedRowsFast)
//     self._cellWidgetsOnDemand = False    # see setCellWidgetsOnDemand
//     self._cellWidgets = []
//     self._sortedBy = (-1, Qt.SortOrder.AscendingOrder)     # see _sort_from_header
//     self._sorting = self._fitting = False
//     self._userSized = set()              # flex columns the user has resized
//     self._model = DataGridModel(self, self._columns, self._rows)
//     self.setAttribute(Qt.WA_Hover, True)
//     self.setupUi()
//     self.setIndexWidgetSignal.connect(self._set_index_widget)
const Def DataGrid__init__{
    "def __init__(self, columns, rows, checkboxSelection=False, disableRowSelectionOnClick=False, context=None, "
    "id: str = None, isDense: bool = None, isManyRows: bool = None, fullWidth: bool = True, "
    "tableHead: list = None, singleSelection: bool = False, stretchLastSection: bool = False, model=None, "
    "selectionChanged: Callable = None, itemDelegates=None, backgroundColor: str = \"#ffffff\", "
    "isFrozenLastColumn=None)",
    [](const Frame& f, PyObject* self, PyObject* columns, PyObject* rows, PyObject* checkboxSelection,
       PyObject* disableRowSelectionOnClick, PyObject* /*context*/, PyObject* id, PyObject* isDense,
       PyObject* isManyRows, PyObject* fullWidth, PyObject* tableHead, PyObject* singleSelection,
       PyObject* stretchLastSection, PyObject* /*model*/, PyObject* selectionChanged, PyObject* itemDelegates,
       PyObject* /*backgroundColor*/, PyObject* isFrozenLastColumn) {
        call(f.super_attr(self, KIT_STR("__init__")));
        if (id != Py_None) call_method(self, KIT_STR("setObjectName"), id);
        PyObject* const stored[][2] = {
            {KIT_STR("_columns"), columns},
            {KIT_STR("_rows"), rows},
            {KIT_STR("_checkboxSelection"), checkboxSelection},
            {KIT_STR("_disableRowSelectionOnClick"), disableRowSelectionOnClick},
            {KIT_STR("_background_color"), KIT_STR("transparent")},
            {KIT_STR("_isDense"), isDense},
            {KIT_STR("_isManyRows"), isManyRows},
            {KIT_STR("_fullWidth"), fullWidth},
            {KIT_STR("_tableHead"), tableHead},
            {KIT_STR("_stretchLastSection"), stretchLastSection},
            {KIT_STR("_isFrozenLastColumn"), isFrozenLastColumn},
            {KIT_STR("_itemDelegates"), itemDelegates},
            {KIT_STR("_selectionChanged"), selectionChanged},
            {KIT_STR("_singleSelection"), singleSelection},
            {KIT_STR("_frozenColumn"), Py_None},
            {KIT_STR("_is_filter_mode"), Py_False},
        };
        for (const auto& [name, value] : stored) setattr(self, name, value);
        setattr(self, KIT_STR("_column_count"), length(getattr(self, KIT_STR("_columns"))));
        setattr(self, KIT_STR("last_drop_row"), Py_None);
        setattr(self, KIT_STR("lastCol"), sub(length(getattr(self, KIT_STR("_columns"))), KIT_CACHED(integer(1))));
        setattr(self, KIT_STR("_spans"), Py_False);
        setattr(self, KIT_STR("_cellWidgetsOnDemand"), Py_False);
        setattr(self, KIT_STR("_cellWidgets"), new_list());
        setattr(self, KIT_STR("_sortedBy"), tuple_of(integer(-1), member(KIT_GLOBAL("Qt"), "SortOrder", "AscendingOrder")));
        setattr(self, KIT_STR("_sorting"), Py_False);
        setattr(self, KIT_STR("_fitting"), Py_False);
        setattr(self, KIT_STR("_userSized"), Ref::steal(PySet_New(nullptr)));
        Ref model = call(KIT_GLOBAL("DataGridModel"), self, getattr(self, KIT_STR("_columns")),
                         getattr(self, KIT_STR("_rows")));
        setattr(self, KIT_STR("_model"), model);
        call_method(self, KIT_STR("setAttribute"), member(KIT_GLOBAL("Qt"), "WidgetAttribute", "WA_Hover"), Py_True);
        call_method(self, KIT_STR("setupUi"));
        call_method(getattr(self, KIT_STR("setIndexWidgetSignal")), KIT_STR("connect"),
                    getattr(self, KIT_STR("_set_index_widget")));
    }};

// --- cell widgets -----------------------------------------------------------

// def _thread_set_index_widget(self):
//     for i in range(len(self._columns)):
//         for j in range(len(self._rows)):
//             self.setIndexWidgetSignal.emit(self._model.index(j, i))
//
// Run on a worker thread, each emission is queued to the grid's thread.
const Def DataGrid__thread_set_index_widget{"def _thread_set_index_widget(self)", [](PyObject* self) {
    const long long columns = as_long(length(getattr(self, KIT_STR("_columns"))));
    for (long long i = 0; i < columns; i++) {
        Ref column = integer(i);
        const long long rows = as_long(length(getattr(self, KIT_STR("_rows"))));
        for (long long j = 0; j < rows; j++) {
            Ref signal = getattr(self, KIT_STR("setIndexWidgetSignal"));
            Ref index = call_method(getattr(self, KIT_STR("_model")), KIT_STR("index"), integer(j), column);
            call_method(signal, KIT_STR("emit"), index);
        }
    }
}};

// --- indexes through proxies ----------------------------------------------------

// The models from the view's down to the first that is not a proxy: the
// view's model, its source model if it is a proxy, that one's, ...
std::vector<Ref> model_chain(PyObject* self) {
    PyObject* proxy_type = KIT_CACHED(module_attr("PySide6.QtCore", "QAbstractProxyModel"));
    std::vector<Ref> chain;
    for (Ref m = call_method(self, KIT_STR("model")); m.get() != Py_None && chain.size() < 64;
         m = call_method(m, KIT_STR("sourceModel"))) {
        chain.push_back(m);
        if (!isinstance(m, proxy_type)) break;
    }
    return chain;
}

// An index of a model of the chain, mapped down to the model at the bottom
// (the grid's own, when the view shows it through proxies):
//     while isinstance(index.model(), QAbstractProxyModel):
//         index = index.model().mapToSource(index)
Ref source_of(PyObject* index) {
    PyObject* proxy_type = KIT_CACHED(module_attr("PySide6.QtCore", "QAbstractProxyModel"));
    Ref at = Ref::borrow(index);
    for (int depth = 0; depth < 64; depth++) {
        Ref model = call_method(at, KIT_STR("model"));
        if (model.get() == Py_None || !isinstance(model, proxy_type)) break;
        at = call_method(model, KIT_STR("mapToSource"), at);
    }
    return at;
}

// An index of a model of the chain, mapped up to the view's model (each
// proxy above it, from the bottom up: mapFromSource); invalid when a proxy
// filters it out.  An index of a model outside the chain is returned as it is.
Ref view_index_of(PyObject* self, PyObject* index) {
    const std::vector<Ref> chain = model_chain(self);
    Ref model = call_method(index, KIT_STR("model"));
    std::size_t at = chain.size();
    for (std::size_t k = 0; k < chain.size(); k++)
        if (chain[k].get() == model.get()) at = k;
    Ref mapped = Ref::borrow(index);
    if (at == chain.size()) return mapped;
    for (std::size_t k = at; k-- > 0;) mapped = call_method(chain[k], KIT_STR("mapFromSource"), mapped);
    return mapped;
}

// The view that shows a column's widgets: the overlay for the frozen column,
// which covers that column in the grid's place, else the grid.
Ref holder_of(PyObject* self, PyObject* column) {
    if (Ref frozen = overlay(self))
        if (eq(column, getattr(self, KIT_STR("lastCol")))) return frozen;
    return Ref::borrow(self);
}

// --- cell widgets and the keyboard ----------------------------------------------------

// The widgets in a cell widget that take focus: the widget itself and its
// descendants whose focus policy is not NoFocus.
std::vector<Ref> focus_takers(PyObject* widget) {
    PyObject* no_focus = KIT_CACHED(member(KIT_GLOBAL("Qt"), "FocusPolicy", "NoFocus"));
    std::vector<Ref> found;
    Ref all = call_method(widget, KIT_STR("findChildren"), KIT_CACHED(module_attr("PySide6.QtWidgets", "QWidget")));
    check(PyList_Insert(all, 0, widget));
    for (Ref w : iterate(all))
        if (call_method(w, KIT_STR("focusPolicy")).get() != no_focus) found.push_back(w);
    return found;
}

// The cell widgets of a view row, each with its index.
std::vector<std::pair<Ref, Ref>> row_widgets(PyObject* self, PyObject* model, PyObject* row) {
    std::vector<std::pair<Ref, Ref>> found;
    const long long columns = as_long(call_method(model, KIT_STR("columnCount")));
    for (long long c = 0; c < columns; c++) {
        Ref index = call_method(model, KIT_STR("index"), row, integer(c));
        if (!truthy(call_method(index, KIT_STR("isValid")))) continue;
        Ref holder = holder_of(self, call_method(source_of(index), KIT_STR("column")));
        Ref widget = call_method(holder, KIT_STR("indexWidget"), index);
        if (widget.get() != Py_None) found.emplace_back(widget, index);
    }
    return found;
}

// A cell widget as assistive technology and the Tab key meet it: each of
// its controls is named by its own text and the row it is in ("Open, Ada
// Achebe": the row's first cell), and described by its column and row
// ("Actions, row 3"), unless the application named it; only the current
// row's cell widgets are Tab stops (the others take focus from a click), so
// that Tab goes from the grid to the current row's controls and on.
//
//     for control in <the widget and its descendants that take focus>:
//         if not control.accessibleName():
//             own = control.text() if hasattr(control, "text") else ""
//             control.setAccessibleName(f"{own or header}, {row_title}")
//             control.setAccessibleDescription(f"{header}, row {row + 1}")
//         control.setFocusPolicy(Qt.StrongFocus if row == current else Qt.ClickFocus)
void present_cell_widget(PyObject* self, PyObject* widget, PyObject* index) {
    Ref model = call_method(index, KIT_STR("model"));
    Ref row = call_method(index, KIT_STR("row"));
    Ref header = call_method(model, KIT_STR("headerData"), call_method(index, KIT_STR("column")),
                             member(KIT_GLOBAL("Qt"), "Orientation", "Horizontal"));
    Ref header_text = header.get() == Py_None ? str("") : str_of(header);
    Ref first = call_method(call_method(index, KIT_STR("siblingAtColumn"), integer(0)), KIT_STR("data"));
    Ref title = first.get() == Py_None ? str("") : str_of(first);
    Ref current = call_method(call_method(self, KIT_STR("currentIndex")), KIT_STR("row"));
    const bool is_current = eq(current, row);
    Ref policy = is_current ? member(KIT_GLOBAL("Qt"), "FocusPolicy", "StrongFocus")
                            : member(KIT_GLOBAL("Qt"), "FocusPolicy", "ClickFocus");
    for (const Ref& control : focus_takers(widget)) {
        if (!truthy(call_method(control, KIT_STR("accessibleName")))) {
            Ref own = hasattr(control, KIT_STR("text")) ? call_method(control, KIT_STR("text")) : str("");
            Ref name = truthy(own) ? own : header_text;
            call_method(control, KIT_STR("setAccessibleName"), strf("%S, %S", name.get(), title.get()));
            call_method(control, KIT_STR("setAccessibleDescription"),
                        strf("%S, row %S", header_text.get(), add(row, KIT_CACHED(integer(1))).get()));
        }
        call_method(control, KIT_STR("setFocusPolicy"), policy);
    }
}

// def _set_index_widget(self, index):
//     source = <index mapped down to the grid's model>
//     renderCell = self._columns[source.column()].get("renderCell")
//     if renderCell:
//         shown = <index mapped up to the view's model>
//         if shown.isValid():
//             cell = renderCell(self._rows[source.row()])
//             view = self._frozenColumn if self._frozenColumn is not None and source.column() == self.lastCol else self
//             view.setIndexWidget(shown, cell)
//
// The index may be one of the grid's own model (as _thread_set_index_widget
// emits them) or of the view's model, a proxy over it: the record is that of
// the row in the grid's model, the widget goes to the cell that shows it (none
// for a row the proxy filters out).  A cell of the frozen column is covered by
// the overlay, which shows that column in the grid's place: its widget goes
// to the overlay, where it is seen and clicked, instead of under it.
const Def DataGrid__set_index_widget{"def _set_index_widget(self, index)", [](PyObject* self, PyObject* index) {
    Ref source = source_of(index);
    Ref column = call_method(source, KIT_STR("column"));
    Ref definition = item(getattr(self, KIT_STR("_columns")), column);
    Ref renderCell = get(definition, KIT_STR("renderCell"));
    if (!truthy(renderCell)) return;
    Ref shown = view_index_of(self, source);
    if (!truthy(call_method(shown, KIT_STR("isValid")))) return;
    Ref cell = call(renderCell, item(getattr(self, KIT_STR("_rows")), call_method(source, KIT_STR("row"))));
    call_method(holder_of(self, column), KIT_STR("setIndexWidget"), shown, cell);
    if (cell.get() != Py_None) present_cell_widget(self, cell, shown);
}};

// --- set-up and model binding ---------------------------------------------------

bool equals_true(PyObject* o) { return eq(o, Py_True); }

// def setupUi(self):
//     self.verticalHeader().setDefaultSectionSize(40)   # before there are rows (below)
//     self.setDragEnabled(True)
//     self.setAcceptDrops(True)
//     self.setDragDropOverwriteMode(False)
//     if self._isFrozenLastColumn == True:
//         self._frozenColumn = FrozenColumn(parent=self, lastCol=self.lastCol)
//     self.update_model(self._model)
//     self._horizontalHeader = self.horizontalHeader()
//     self._horizontalHeader.setMinimumWidth(200)
//     self.horizontalHeader().sectionResized.connect(self.updateSectionWidth)
//     self.verticalHeader().sectionResized.connect(self.updateSectionHeight)
//     if self._stretchLastSection == True:
//         self.horizontalHeader().setStretchLastSection(True)
//     if self._singleSelection:
//         self.setSelectionMode(QAbstractItemView.SelectionMode.SingleSelection)
//     else:
//         self.setSelectionBehavior(QAbstractItemView.SelectionBehavior.SelectRows)
//         self.setSelectionMode(QAbstractItemView.SelectionMode.ExtendedSelection)
//     if self._isFrozenLastColumn == True:
//         self.viewport().stackUnder(self._frozenColumn)
//     self.viewport().setContentsMargins(0, 0, 0, 0)
//     self.header = self.horizontalHeader()
//     self.header.setDefaultAlignment(Qt.AlignLeft)
//     self.verticalHeader().hide()
//     self.setViewportMargins(0, 0, 0, 0)
//     self.horizontalHeader().setSortIndicator(-1, Qt.SortOrder.AscendingOrder)
//     self.setSortingEnabled(True)
//     self.setDragEnabled(True)
//     self.setWordWrap(False)
//     self.verticalHeader().setDefaultSectionSize(40)
//     self.theme = useTheme()
//     useEffect(self._set_stylesheet, [self.theme.state], component=self)
//     self._set_stylesheet()
//     self.setEditTriggers(QAbstractItemView.EditTrigger.DoubleClicked | QAbstractItemView.EditTrigger.EditKeyPressed
//                          | QAbstractItemView.EditTrigger.AnyKeyPressed)     # editable columns only
//     self.horizontalHeader().setContextMenuPolicy(Qt.ContextMenuPolicy.CustomContextMenu)
//     self.horizontalHeader().customContextMenuRequested.connect(self._show_column_menu)
//     self.setTabKeyNavigation(False)     # Tab leaves the grid (the arrow keys move in it)
//     FocusRing(self)                     # the keyboard focus shows, above the frozen column
//
// The rows show in the order given until the user sorts: enabling sorting
// sorts by the header's indicator, which is set to no column first.  A new
// default row height resizes every row, and the header tells each resize to
// its sectionResized slots (a million calls into Python for a million rows):
// the height is set while the header has no rows yet, so that setting it
// again later changes nothing.
const Def DataGrid_setupUi{"def setupUi(self)", [](PyObject* self) {
    call_method(call_method(self, KIT_STR("verticalHeader")), KIT_STR("setDefaultSectionSize"), integer(40));
    call_method(self, KIT_STR("setDragEnabled"), Py_True);
    call_method(self, KIT_STR("setAcceptDrops"), Py_True);
    call_method(self, KIT_STR("setDragDropOverwriteMode"), Py_False);
    if (equals_true(getattr(self, KIT_STR("_isFrozenLastColumn")))) {
        Ref frozen = call_kw(KIT_GLOBAL("FrozenColumn"), {},
                             {{"parent", self}, {"lastCol", getattr(self, KIT_STR("lastCol"))}});
        setattr(self, KIT_STR("_frozenColumn"), frozen);
    }
    call_method(self, KIT_STR("update_model"), getattr(self, KIT_STR("_model")));
    setattr(self, KIT_STR("_horizontalHeader"), call_method(self, KIT_STR("horizontalHeader")));
    call_method(getattr(self, KIT_STR("_horizontalHeader")), KIT_STR("setMinimumWidth"), integer(200));
    call_method(getattr(call_method(self, KIT_STR("horizontalHeader")), KIT_STR("sectionResized")),
                KIT_STR("connect"), getattr(self, KIT_STR("updateSectionWidth")));
    call_method(getattr(call_method(self, KIT_STR("verticalHeader")), KIT_STR("sectionResized")),
                KIT_STR("connect"), getattr(self, KIT_STR("updateSectionHeight")));
    if (equals_true(getattr(self, KIT_STR("_stretchLastSection"))))
        call_method(call_method(self, KIT_STR("horizontalHeader")), KIT_STR("setStretchLastSection"), Py_True);
    Ref view = KIT_GLOBAL("QAbstractItemView");
    if (truthy(getattr(self, KIT_STR("_singleSelection")))) {
        call_method(self, KIT_STR("setSelectionMode"), member(view, "SelectionMode", "SingleSelection"));
    } else {
        call_method(self, KIT_STR("setSelectionBehavior"), member(view, "SelectionBehavior", "SelectRows"));
        call_method(self, KIT_STR("setSelectionMode"), member(view, "SelectionMode", "ExtendedSelection"));
    }
    if (equals_true(getattr(self, KIT_STR("_isFrozenLastColumn"))))
        call_method(call_method(self, KIT_STR("viewport")), KIT_STR("stackUnder"),
                    getattr(self, KIT_STR("_frozenColumn")));
    Ref no_margin = integer(0);
    call_method(call_method(self, KIT_STR("viewport")), KIT_STR("setContentsMargins"), no_margin, no_margin,
                no_margin, no_margin);
    setattr(self, KIT_STR("header"), call_method(self, KIT_STR("horizontalHeader")));
    call_method(getattr(self, KIT_STR("header")), KIT_STR("setDefaultAlignment"),
                member(KIT_GLOBAL("Qt"), "AlignmentFlag", "AlignLeft"));
    call_method(call_method(self, KIT_STR("verticalHeader")), KIT_STR("hide"));
    call_method(self, KIT_STR("setViewportMargins"), no_margin, no_margin, no_margin, no_margin);
    call_method(call_method(self, KIT_STR("horizontalHeader")), KIT_STR("setSortIndicator"), integer(-1),
                member(KIT_GLOBAL("Qt"), "SortOrder", "AscendingOrder"));
    call_method(self, KIT_STR("setSortingEnabled"), Py_True);
    call_method(self, KIT_STR("setDragEnabled"), Py_True);
    call_method(self, KIT_STR("setWordWrap"), Py_False);
    call_method(call_method(self, KIT_STR("verticalHeader")), KIT_STR("setDefaultSectionSize"), integer(40));
    setattr(self, KIT_STR("theme"), call(KIT_GLOBAL("useTheme")));
    use_effect(getattr(self, KIT_STR("_set_stylesheet")), getattr(getattr(self, KIT_STR("theme")), KIT_STR("state")),
               self);
    call_method(self, KIT_STR("_set_stylesheet"));
    Ref triggers = member(view, "EditTrigger", "DoubleClicked");
    triggers = Ref::steal(PyNumber_Or(triggers, member(view, "EditTrigger", "EditKeyPressed")));
    triggers = Ref::steal(PyNumber_Or(triggers, member(view, "EditTrigger", "AnyKeyPressed")));
    call_method(self, KIT_STR("setEditTriggers"), triggers);
    Ref header = call_method(self, KIT_STR("horizontalHeader"));
    call_method(header, KIT_STR("setContextMenuPolicy"), member(KIT_GLOBAL("Qt"), "ContextMenuPolicy", "CustomContextMenu"));
    call_method(getattr(header, KIT_STR("customContextMenuRequested")), KIT_STR("connect"),
                getattr(self, KIT_STR("_show_column_menu")));
    call_method(self, KIT_STR("setTabKeyNavigation"), Py_False);
    call(KIT_CACHED(module_attr("tovane.material.focus_ring", "FocusRing")), self);
}};

// --- the viewport's background -------------------------------------------------------

// The grid is transparent (its style sheet), so what is behind it shows
// through.  Scrolling a transparent viewport repaints all of it and what lies
// behind it; an opaque one is scrolled by moving its pixels, and only the
// rows that come into view are painted (a few calls into the model per cell,
// instead of all of them).  So the viewport is filled with the colour behind
// the grid, the window colour of its parent's palette (the application's
// while it has no parent), as long as that colour is opaque:
//
//     parent = self.parentWidget()
//     colour = (parent or QApplication).palette().color(QPalette.ColorRole.Window)
//     viewport = self.viewport()
//     if colour.alpha() == 255:
//         if not viewport.autoFillBackground() or viewport.palette().color(QPalette.ColorRole.Base) != colour:
//             palette = viewport.palette()
//             palette.setColor(QPalette.ColorRole.Base, colour)
//             viewport.setPalette(palette)
//             viewport.setAutoFillBackground(True)
//     elif viewport.autoFillBackground():
//         viewport.setAutoFillBackground(False)
void fill_viewport(PyObject* self) {
    PyObject* palette_type = KIT_CACHED(module_attr("PySide6.QtGui", "QPalette"));
    PyObject* window = KIT_CACHED(member(palette_type, "ColorRole", "Window"));
    PyObject* base = KIT_CACHED(member(palette_type, "ColorRole", "Base"));
    Ref parent = call_method(self, KIT_STR("parentWidget"));
    Ref source = parent.get() != Py_None ? parent : Ref::borrow(KIT_CACHED(module_attr("PySide6.QtWidgets", "QApplication")));
    Ref colour = call_method(call_method(source, KIT_STR("palette")), KIT_STR("color"), window);
    Ref viewport = call_method(self, KIT_STR("viewport"));
    const bool filled = truthy(call_method(viewport, KIT_STR("autoFillBackground")));
    if (as_long(call_method(colour, KIT_STR("alpha"))) != 255) {
        if (filled) call_method(viewport, KIT_STR("setAutoFillBackground"), Py_False);
        return;
    }
    Ref palette = call_method(viewport, KIT_STR("palette"));
    if (filled && eq(call_method(palette, KIT_STR("color"), base), colour)) return;
    call_method(palette, KIT_STR("setColor"), base, colour);
    call_method(viewport, KIT_STR("setPalette"), palette);
    call_method(viewport, KIT_STR("setAutoFillBackground"), Py_True);
}

// The 15 parts of the grid's style sheet: the text around the theme values.
constexpr const char* kSheetText[] = {
    "\n        QWidget {\n                background-color: transparent;\n        }\n        QTableView {\n"
    "            background-color: transparent;\n            padding: 0px;\n            border: none;\n"
    "            gridline-color: transparent;\n            color: ",
    ";\n        }\n\n        QTableView::item {\n            padding-left: 0px;\n            padding-right: 5px;\n"
    "        }\n\n        QTableView::item:selected {\n            background-color: ",
    ";\n            color: ",
    ";\n        }\n\n        QTableView::section {\n            background-color: transparent;\n"
    "            max-width: 30px;\n            text-align: left;\n\n        }\n\n        QTableView::horizontalHeader {\n"
    "            background-color: red;\n            color: ",
    ";\n            font-size: ",
    ";\n            font-weight: ",
    ";\n            line-height: ",
    ";\n        }\n\n        QTableView::section:horizontal {\n            background-color: transparent;\n"
    "            padding: 0px;\n            border: 1px solid red !important;\n"
    "            border-bottom: 1px solid red !important;\n        }\n\n\n        QTableView::section:vertical {\n"
    "            border: 1px solid red;\n        }\n\n        QTableView .QScrollBar:horizontal {\n"
    "            border: none;\n            background: transparent;\n            min-height: 8px;\n"
    "            border-radius: 0px;\n            max-width: 79em;\n        }\n\n"
    "        QTableView .QHeaderView::section {\n            background-color: transparent!important;\n"
    "        }\n\n      ",
};

// The grid's scroll bars.  The grid's sheet makes every widget in it
// transparent, scroll bar handles included; each bar's own sheet (which
// comes before the grid's) gives it a handle in the secondary text colour
// (on the grid's background, at least 4.5:1 in both modes) that turns to the
// primary text colour under the pointer, on a transparent track.
constexpr const char* kScrollBarSheet =
    "QScrollBar { background: transparent; border: none; margin: 0px; }\n"
    "QScrollBar:vertical { width: 12px; }\n"
    "QScrollBar:horizontal { height: 12px; }\n"
    "QScrollBar::handle { background-color: %U; border-radius: 4px; margin: 2px; }\n"
    "QScrollBar::handle:hover, QScrollBar::handle:pressed { background-color: %U; }\n"
    "QScrollBar::handle:vertical { min-height: 32px; }\n"
    "QScrollBar::handle:horizontal { min-width: 32px; }\n"
    "QScrollBar::add-line, QScrollBar::sub-line { width: 0px; height: 0px; border: none; background: none; }\n"
    "QScrollBar::add-page, QScrollBar::sub-page { background: none; }\n";

// theme.<first>.<second>.<third>, formatted as an f-string formats it.
Ref theme_value(PyObject* theme, Name first, Name second, Name third) {
    Ref value = getattr(getattr(getattr(theme, first.get()), second.get()), third.get());
    return Ref::steal(PyObject_Format(value, KIT_CACHED(str(""))));
}

// def _set_stylesheet(self, component_styled=None):
//     self.theme = useTheme()
//     if not component_styled:
//         component_styled = self.theme.components
//     self.setStyleSheet(f"""
//         QWidget { ... }
//         QTableView { ... color: {self.theme.palette.text.secondary}; }
//         QTableView::item:selected { background-color: {self.theme.palette.action.selected};
//                                     color: {self.theme.palette.text.primary}; }
//         ...""")                              (the parts of kSheetText around the theme values)
//     <fill_viewport(self)>
//     bars = <kScrollBarSheet with text.secondary and text.primary>
//     self.verticalScrollBar().setStyleSheet(bars)
//     self.horizontalScrollBar().setStyleSheet(bars)
const Def DataGrid__set_stylesheet{
    "def _set_stylesheet(self, component_styled=None)", [](PyObject* self, PyObject* component_styled) {
        setattr(self, KIT_STR("theme"), call(KIT_GLOBAL("useTheme")));
        if (!truthy(component_styled)) getattr(getattr(self, KIT_STR("theme")), KIT_STR("components"));
        Ref theme = getattr(self, KIT_STR("theme"));
        const Ref values[] = {
            theme_value(theme, "palette", "text", "secondary"),
            theme_value(theme, "palette", "action", "selected"),
            // Selected cells' text: Qt lays the translucent tint more than once
            // (row panel and item), under which the secondary text falls below
            // 4.5:1 in both modes; the primary text stays above 9:1.
            theme_value(theme, "palette", "text", "primary"),
            theme_value(theme, "palette", "text", "primary"),
            theme_value(theme, "typography", "button", "fontSize"),
            theme_value(theme, "typography", "button", "fontWeight"),
            theme_value(theme, "typography", "button", "lineHeight"),
        };
        Ref parts = new_list();
        for (std::size_t i = 0; i < std::size(values); i++) {
            append(parts, str(kSheetText[i]));
            append(parts, values[i]);
        }
        append(parts, str(kSheetText[std::size(values)]));
        Ref sheet = Ref::steal(PyUnicode_Join(KIT_CACHED(str("")), parts));
        call_method(self, KIT_STR("setStyleSheet"), sheet);
        fill_viewport(self);
        Ref bars = strf(kScrollBarSheet, values[0].get(), values[3].get());
        call_method(call_method(self, KIT_STR("verticalScrollBar")), KIT_STR("setStyleSheet"), bars);
        call_method(call_method(self, KIT_STR("horizontalScrollBar")), KIT_STR("setStyleSheet"), bars);
    }};

// Connect the grid's selection callback to the selection model unless it is
// connected to that model already: rebinding a model keeps its selection
// model (Qt's setModel does nothing for the model it has), and a second
// connection would run the callback twice per change.  The pairs connected
// are kept in `_selectionChangedConnections`; a pair whose selection model
// is gone (deleted with its model) is forgotten then:
//
//     connected[:] = [(m, c) for m, c in connected if shiboken6.isValid(m)]
void connect_selection_changed(PyObject* self, PyObject* callback) {
    Ref selection_model = call_method(self, KIT_STR("selectionModel"));
    if (selection_model.get() == Py_None) return;
    PyObject* name = KIT_STR("_selectionChangedConnections");
    Ref connected = getattr_or_null(self, name);
    if (!connected || !PyList_Check(connected.get())) {
        connected = new_list();
        setattr(self, name, connected);
    }
    PyObject* valid = KIT_CACHED(module_attr("shiboken6", "isValid"));
    Ref live = new_list();
    Ref pairs = Ref::steal(PyList_AsTuple(connected));
    for (Py_ssize_t i = 0; i < PyTuple_GET_SIZE(pairs.get()); i++) {
        PyObject* pair = PyTuple_GET_ITEM(pairs.get(), i);
        if (truthy(call(valid, item(pair, Py_ssize_t{0})))) append(live, pair);
    }
    check(PyList_SetSlice(connected, 0, PY_SSIZE_T_MAX, live));
    Ref pair = tuple_of(selection_model, callback);
    if (contains(connected, pair)) return;
    call_method(getattr(selection_model, KIT_STR("selectionChanged")), KIT_STR("connect"), callback);
    append(connected, pair);
}

// A header asks the selection model, for each section it paints, whether
// its whole column is selected: for a Python model, a walk over every row
// through the model's index() and flags() (100,000 rows, seconds per paint
// after a select all).  So each header of a view gets a selection model of
// its own, over the same model, in which nothing is selected: the header
// sees no selection (its sections are not highlighted) and asks nothing.
//
//     for header in (view.horizontalHeader(), view.verticalHeader()):
//         if header.selectionModel() is view.selectionModel():
//             header.setSelectionModel(QItemSelectionModel(view.model(), header))
void own_header_selections(PyObject* view) {
    Ref model = call_method(view, KIT_STR("model"));
    if (model.get() == Py_None) return;
    Ref shared = call_method(view, KIT_STR("selectionModel"));
    for (PyObject* which : {KIT_STR("horizontalHeader"), KIT_STR("verticalHeader")}) {
        Ref header = call_method(view, which);
        if (call_method(header, KIT_STR("selectionModel")).get() != shared.get()) continue;
        Ref own = call(KIT_CACHED(module_attr("PySide6.QtCore", "QItemSelectionModel")), model, header);
        call_method(header, KIT_STR("setSelectionModel"), own);
    }
}

// def setSelectionModel(self, selectionModel):
//     super().setSelectionModel(selectionModel)
//     <own_header_selections(self)>
//     selectionModel.currentChanged.connect(self._current_row_changed)
const Def DataGrid_setSelectionModel{
    "def setSelectionModel(self, selectionModel)",
    [](const Frame& f, PyObject* self, PyObject* selectionModel) {
        if (!isinstance(selectionModel, KIT_CACHED(module_attr("PySide6.QtCore", "QItemSelectionModel"))))
            raisef(PyExc_TypeError,
                   "DataGrid.setSelectionModel() argument 'selectionModel' must be a QItemSelectionModel, not %.200s",
                   type_name(selectionModel));
        call(f.super_attr(self, KIT_STR("setSelectionModel")), selectionModel);
        own_header_selections(self);
        call_method(getattr(selectionModel, KIT_STR("currentChanged")), KIT_STR("connect"),
                    getattr(self, KIT_STR("_current_row_changed")));
    }};

// def update_model(self, model=None):
//     if model == None:
//         model = self._model
//     replaced = self.selectionModel()
//     self.setModel(model)
//     if self._isFrozenLastColumn == True:
//         self._frozenColumn.setModel(model)
//         self._frozenColumn.setupUi()
//         self.updateFrozenTableGeometry()
//         self._frozenColumn.setFocusPolicy(Qt.NoFocus)
//         self._frozenColumn.configTable(self.selectionModel())
//         <own_header_selections(self._frozenColumn)>
//         if self._itemDelegates:
//             self._itemDelegates[-1].parent = self._frozenColumn
//             self._frozenColumn.setItemDelegateForColumn(self.lastCol, self._itemDelegates[-1])
//     if replaced is not None and replaced is not self.selectionModel() and replaced.parent() is self:
//         replaced.deleteLater()          # Qt leaves the view's old one to whoever made it: the grid
//     if self._selectionChanged is not None:
//         <connect self.selectionModel().selectionChanged to it, once per selection model>
//     self.configUiTableView()
//
// Without item delegates (None or empty) the overlay's column keeps Qt's own.
// The overlay is a child of the grid: it is shown with the grid, wherever the
// grid ends up, and placed whenever the grid is resized; binding a model does
// not show the grid (which, still without a parent during construction,
// would open as a window of its own).
const Def DataGrid_update_model{"def update_model(self, model=None)", [](PyObject* self, PyObject* model) {
    Ref bound = eq(model, Py_None) ? getattr(self, KIT_STR("_model")) : Ref::borrow(model);
    Ref replaced = call_method(self, KIT_STR("selectionModel"));
    call_method(self, KIT_STR("setModel"), bound);
    if (equals_true(getattr(self, KIT_STR("_isFrozenLastColumn")))) {
        PyObject* frozen = KIT_STR("_frozenColumn");
        call_method(getattr(self, frozen), KIT_STR("setModel"), bound);
        call_method(getattr(self, frozen), KIT_STR("setupUi"));
        call_method(self, KIT_STR("updateFrozenTableGeometry"));
        call_method(getattr(self, frozen), KIT_STR("setFocusPolicy"),
                    member(KIT_GLOBAL("Qt"), "FocusPolicy", "NoFocus"));
        call_method(getattr(self, frozen), KIT_STR("configTable"), call_method(self, KIT_STR("selectionModel")));
        own_header_selections(getattr(self, frozen));
        Ref delegates = getattr(self, KIT_STR("_itemDelegates"));
        if (truthy(delegates)) {
            Ref delegate = item(delegates, -1);
            setattr(delegate, KIT_STR("parent"), getattr(self, frozen));
            call_method(getattr(self, frozen), KIT_STR("setItemDelegateForColumn"), getattr(self, KIT_STR("lastCol")),
                        delegate);
        }
    }
    if (replaced.get() != Py_None && replaced.get() != call_method(self, KIT_STR("selectionModel")).get() &&
        call_method(replaced, KIT_STR("parent")).get() == self)
        call_method(replaced, KIT_STR("deleteLater"));
    Ref callback = getattr(self, KIT_STR("_selectionChanged"));
    if (callback.get() != Py_None) connect_selection_changed(self, callback);
    call_method(self, KIT_STR("configUiTableView"));
}};

// The delegate of the editable columns, one per grid (made on first need):
// text editors that refuse what the column's type does not take.
Ref cell_editor(PyObject* self) {
    Ref editor = getattr_or_null(self, KIT_STR("_cellEditor"));
    if (editor && editor.get() != Py_None) return editor;
    editor = call(KIT_CACHED(module_attr("tovane.material.marquel.cell_editing", "CellDelegate")), self);
    setattr(self, KIT_STR("_cellEditor"), editor);
    return editor;
}

// A column's number key (width, minWidth, flex): None when absent, else a
// number; anything else is refused naming the key.
Ref number_key(PyObject* definition, PyObject* key, long long column) {
    Ref value = get(definition, key);
    if (value.get() == Py_None || is_number(value)) return value;
    raisef(PyExc_TypeError, "column %lld: '%U' must be a number, not %.200s", column, key, type_name(value));
}

// A number that number_key gave (not None) as a double: OverflowError naming
// the key for an infinity or a number beyond a long long (an int beyond a
// float among them); nan is given back, for the caller to refuse or skip.
double column_number(PyObject* value, PyObject* key, long long column) {
    const double d = PyFloat_AsDouble(value);
    if (d == -1.0 && PyErr_Occurred()) {
        if (!PyErr_ExceptionMatches(PyExc_OverflowError)) throw_error();
        PyErr_Clear();
        raisef(PyExc_OverflowError, "column %lld: '%U' is out of range", column, key);
    }
    if (std::fabs(d) >= 0x1p63) raisef(PyExc_OverflowError, "column %lld: '%U' is out of range", column, key);
    return d;
}

// The same as a whole number of pixels, toward zero as int() truncates
// (ValueError for nan).
long long column_pixels(PyObject* value, PyObject* key, long long column) {
    const double d = column_number(value, key, column);
    if (std::isnan(d)) raisef(PyExc_ValueError, "column %lld: '%U' must be a number of pixels, not nan", column, key);
    return static_cast<long long>(d);
}

// def configUiTableView(self):
//     self.verticalHeader().hide()
//     self.setViewportMargins(0, 0, 0, 0)
//     self._horizontalHeader = self.horizontalHeader()
//     flexible = any(column.get("flex") for column in self._columns)
//     self.horizontalHeader().setSectionResizeMode(5, QHeaderView.Interactive if flexible else QHeaderView.Stretch)
//     for c, column in enumerate(self._columns):
//         align = column.get("align")
//         ... description, disableColumnMenu, editable, field, flex, headerAlign,
//         ... headerName, renderCell, sortable, type, valueGetter, width likewise
//         if column.get("width") is not None and not column.get("flex"):
//             self.setColumnWidth(c, max(column["width"], column.get("minWidth") or 0))
//         if column.get("editable") is True:
//             self.setItemDelegateForColumn(c, <the grid's cell editor>)
//     self._fit_flex_columns()
//
// Flex columns share the width the others leave (_fit_flex_columns), which a
// stretched section 5 would take: with flex columns, section 5 is sized
// like the others.
const Def DataGrid_configUiTableView{"def configUiTableView(self)", [](PyObject* self) {
    call_method(call_method(self, KIT_STR("verticalHeader")), KIT_STR("hide"));
    Ref no_margin = integer(0);
    call_method(self, KIT_STR("setViewportMargins"), no_margin, no_margin, no_margin, no_margin);
    setattr(self, KIT_STR("_horizontalHeader"), call_method(self, KIT_STR("horizontalHeader")));
    Ref columns = getattr(self, KIT_STR("_columns"));
    bool flexible = false;
    for (Ref column : iterate(columns))
        if (check(PyObject_HasAttrWithError(column, KIT_STR("get"))) && truthy(get(column, KIT_STR("flex"))))
            flexible = true;
    call_method(call_method(self, KIT_STR("horizontalHeader")), KIT_STR("setSectionResizeMode"), integer(5),
                flexible ? member(KIT_GLOBAL("QHeaderView"), "ResizeMode", "Interactive")
                         : member(KIT_GLOBAL("QHeaderView"), "ResizeMode", "Stretch"));
    PyObject* const keys[] = {KIT_STR("align"),      KIT_STR("description"), KIT_STR("disableColumnMenu"),
                              KIT_STR("editable"),   KIT_STR("field"),       KIT_STR("flex"),
                              KIT_STR("headerAlign"), KIT_STR("headerName"), KIT_STR("renderCell"),
                              KIT_STR("sortable"),   KIT_STR("type"),        KIT_STR("valueGetter"),
                              KIT_STR("width")};
    long long c = 0;
    for (Ref column : iterate(columns)) {
        Ref getter = getattr(column, KIT_STR("get"));
        for (PyObject* key : keys) call(getter, key);
        Ref width = number_key(column, KIT_STR("width"), c);
        Ref minimum = number_key(column, KIT_STR("minWidth"), c);
        Ref flex = number_key(column, KIT_STR("flex"), c);
        if (width.get() != Py_None && !truthy(flex)) {
            long long w = column_pixels(width, KIT_STR("width"), c);
            if (minimum.get() != Py_None) w = std::max(w, column_pixels(minimum, KIT_STR("minWidth"), c));
            call_method(self, KIT_STR("setColumnWidth"), integer(c), integer(std::max(0LL, w)));
        }
        if (get(column, KIT_STR("editable")).get() == Py_True)
            call_method(self, KIT_STR("setItemDelegateForColumn"), integer(c), cell_editor(self));
        c++;
    }
    call_method(self, KIT_STR("_fit_flex_columns"));
}};

// --- frozen column, section sizes, scrolling ------------------------------------

// def updateSectionWidth(self, logicalIndex, oldSize, newSize):
//     if self._frozenColumn is not None and logicalIndex == self.lastCol:
//         self._frozenColumn.setColumnWidth(self.lastCol, newSize)
//     self.updateFrozenTableGeometry()
//     if not self._fitting and not self.isColumnHidden(logicalIndex):     # not _fit_flex_columns' own
//         <a column narrower than its minWidth is widened to it>
//         <a flex column resized keeps its width from then on>
//         self._fit_flex_columns()
const Def DataGrid_updateSectionWidth{
    "def updateSectionWidth(self, logicalIndex, oldSize, newSize)",
    [](PyObject* self, PyObject* logicalIndex, PyObject* /*oldSize*/, PyObject* newSize) {
        if (Ref frozen = overlay(self))
            if (eq(logicalIndex, getattr(self, KIT_STR("lastCol"))))
                call_method(frozen, KIT_STR("setColumnWidth"), qt_int(getattr(self, KIT_STR("lastCol"))),
                            qt_int(newSize));
        call_method(self, KIT_STR("updateFrozenTableGeometry"));
        Ref fitting = getattr_or_null(self, KIT_STR("_fitting"));
        if ((fitting && truthy(fitting)) || !PyLong_Check(logicalIndex)) return;  // a section is an int
        if (truthy(call_method(self, KIT_STR("isColumnHidden"), logicalIndex))) return;
        Ref columns = getattr(self, KIT_STR("_columns"));
        const long long c = as_long(logicalIndex);
        if (c >= 0 && c < len(columns)) {
            Ref definition = item(columns, c);
            Ref minimum = number_key(definition, KIT_STR("minWidth"), c);
            if (minimum.get() != Py_None && lt(newSize, minimum)) {
                call_method(self, KIT_STR("setColumnWidth"), logicalIndex,
                            integer(column_pixels(minimum, KIT_STR("minWidth"), c)));
                return;  // the resize this makes fits the rest
            }
            if (truthy(get(definition, KIT_STR("flex")))) {
                Ref sized = getattr_or_null(self, KIT_STR("_userSized"));
                if (!sized || !PySet_Check(sized.get())) {
                    sized = Ref::steal(PySet_New(nullptr));
                    setattr(self, KIT_STR("_userSized"), sized);
                }
                check(PySet_Add(sized, logicalIndex));
            }
        }
        call_method(self, KIT_STR("_fit_flex_columns"));
    }};

// def _fit_flex_columns(self):
//     """Give each column with a flex its share of the width the other columns
//     leave in the viewport (at least its minWidth)."""
//     header = self.horizontalHeader()
//     flex = [(c, column["flex"], column.get("minWidth") or 0) for c, column in enumerate(self._columns)
//             if <column["flex"] is a positive number> and c < header.count()
//             and not header.isSectionHidden(c) and c not in self._userSized]
//     if not flex or self._fitting:
//         return
//     others = sum(header.sectionSize(c) for c in range(header.count())
//                  if c not in <the flex columns> and not header.isSectionHidden(c))
//     free = max(0, self.viewport().width() - others)
//     total = sum(f for _, f, _ in flex)
//     <free * f / total each, rounded down, the pixels left to the largest remainders>
//     self._fitting = True
//     try:
//         for (c, _, minimum), width in zip(flex, widths):
//             self.setColumnWidth(c, max(width, minimum))
//     finally:
//         self._fitting = False
const Def DataGrid__fit_flex_columns{"def _fit_flex_columns(self)", [](PyObject* self) {
    Ref fitting = getattr_or_null(self, KIT_STR("_fitting"));
    if (fitting && truthy(fitting)) return;
    Ref header = call_method(self, KIT_STR("horizontalHeader"));
    const long long count = as_long(call_method(header, KIT_STR("count")));
    Ref columns = getattr(self, KIT_STR("_columns"));
    const long long defined = len(columns);
    Ref sized = getattr_or_null(self, KIT_STR("_userSized"));
    struct Flex {
        long long column;
        double share;
        long long minimum;
        long long width = 0;
        double rest = 0;
    };
    std::vector<Flex> flex;
    double total = 0;
    for (long long c = 0; c < std::min(count, defined); c++) {
        Ref definition = item(columns, c);
        Ref share = number_key(definition, KIT_STR("flex"), c);
        if (share.get() == Py_None) continue;
        const double part = column_number(share, KIT_STR("flex"), c);
        if (!(part > 0)) continue;
        Ref column = integer(c);
        if (truthy(call_method(header, KIT_STR("isSectionHidden"), column))) continue;
        if (sized && PySet_Check(sized.get()) && check(PySet_Contains(sized, column))) continue;
        Ref minimum = number_key(definition, KIT_STR("minWidth"), c);
        flex.push_back({c, part, minimum.get() == Py_None ? 0 : column_pixels(minimum, KIT_STR("minWidth"), c)});
        total += part;
    }
    if (flex.empty()) return;
    long long others = 0;
    for (long long c = 0; c < count; c++) {
        if (std::any_of(flex.begin(), flex.end(), [c](const Flex& f) { return f.column == c; })) continue;
        Ref column = integer(c);
        if (truthy(call_method(header, KIT_STR("isSectionHidden"), column))) continue;
        others += as_long(call_method(header, KIT_STR("sectionSize"), column));
    }
    const long long viewport = as_long(call_method(call_method(self, KIT_STR("viewport")), KIT_STR("width")));
    const long long free = std::max(0LL, viewport - others);
    long long given = 0;
    for (Flex& f : flex) {
        const double exact = static_cast<double>(free) * f.share / total;
        f.width = static_cast<long long>(exact);
        f.rest = exact - static_cast<double>(f.width);
        given += f.width;
    }
    std::vector<Flex*> by_rest;
    for (Flex& f : flex) by_rest.push_back(&f);
    std::stable_sort(by_rest.begin(), by_rest.end(), [](const Flex* a, const Flex* b) { return a->rest > b->rest; });
    for (Flex* f : by_rest)
        if (given < free) {
            f->width++;
            given++;
        }
    setattr(self, KIT_STR("_fitting"), Py_True);
    try {
        for (const Flex& f : flex)
            call_method(self, KIT_STR("setColumnWidth"), integer(f.column), integer(std::max(f.width, f.minimum)));
    } catch (Error&) {
        Handling handled;  // finally:
        setattr(self, KIT_STR("_fitting"), Py_False);
        handled.reraise();
    }
    setattr(self, KIT_STR("_fitting"), Py_False);
}};

// def updateSectionHeight(self, logicalIndex, oldSize, newSize):
//     if self._frozenColumn is not None:
//         self._frozenColumn.setRowHeight(logicalIndex, newSize)
//
// (The numbers reach Qt as its int parameters take them: qt_int refuses what
// the binding would crash on, README's known issues.)
const Def DataGrid_updateSectionHeight{
    "def updateSectionHeight(self, logicalIndex, oldSize, newSize)",
    [](PyObject* self, PyObject* logicalIndex, PyObject* /*oldSize*/, PyObject* newSize) {
        if (Ref frozen = overlay(self))
            call_method(frozen, KIT_STR("setRowHeight"), qt_int(logicalIndex), qt_int(newSize));
    }};

// def resizeEvent(self, event):
//     super().resizeEvent(event)
//     self._fit_flex_columns()
//     self.updateFrozenTableGeometry()
const Def DataGrid_resizeEvent{"def resizeEvent(self, event)", [](const Frame& f, PyObject* self, PyObject* event) {
    call(f.super_attr(self, KIT_STR("resizeEvent")), event);
    call_method(self, KIT_STR("_fit_flex_columns"));
    call_method(self, KIT_STR("updateFrozenTableGeometry"));
}};

// def moveCursor(self, cursorAction, modifiers):
//     current = super().moveCursor(cursorAction, modifiers)
//     if (cursorAction == QAbstractItemView.MoveLeft and current.column() < self.lastCol
//             and self._frozenColumn is not None
//             and self.visualRect(current).topLeft().x() < self._frozenColumn.columnWidth(self.lastCol)):
//         newValue = (self.horizontalScrollBar().value() + self.visualRect(current).topLeft().x()
//                     - self._frozenColumn.columnWidth(self.lastCol))
//         self.horizontalScrollBar().setValue(newValue)
//     return current
Ref left_edge(PyObject* self, PyObject* index) {
    Ref rect = call_method(self, KIT_STR("visualRect"), index);
    return call_method(call_method(rect, KIT_STR("topLeft")), KIT_STR("x"));
}

const Def DataGrid_moveCursor{
    "def moveCursor(self, cursorAction, modifiers)",
    [](const Frame& f, PyObject* self, PyObject* cursorAction, PyObject* modifiers) {
        Ref current = call(f.super_attr(self, KIT_STR("moveCursor")), cursorAction, modifiers);
        if (!eq(cursorAction, member(KIT_GLOBAL("QAbstractItemView"), "CursorAction", "MoveLeft"))) return current;
        if (!lt(call_method(current, KIT_STR("column")), getattr(self, KIT_STR("lastCol")))) return current;
        Ref frozen = overlay(self);
        if (!frozen) return current;
        if (!lt(left_edge(self, current), call_method(frozen, KIT_STR("columnWidth"), getattr(self, KIT_STR("lastCol")))))
            return current;
        Ref value = call_method(call_method(self, KIT_STR("horizontalScrollBar")), KIT_STR("value"));
        Ref moved = add(value, left_edge(self, current));
        Ref width = call_method(getattr(self, KIT_STR("_frozenColumn")), KIT_STR("columnWidth"),
                                getattr(self, KIT_STR("lastCol")));
        Ref newValue = sub(moved, width);
        call_method(call_method(self, KIT_STR("horizontalScrollBar")), KIT_STR("setValue"), newValue);
        return current;
    }};

// def scrollTo(self, index, hint):
//     if index.column() < self.lastCol:
//         super().scrollTo(index, hint)
const Def DataGrid_scrollTo{"def scrollTo(self, index, hint)",
                            [](const Frame& f, PyObject* self, PyObject* index, PyObject* hint) {
                                if (lt(call_method(index, KIT_STR("column")), getattr(self, KIT_STR("lastCol"))))
                                    call(f.super_attr(self, KIT_STR("scrollTo")), index, hint);
                            }};

// sum(self.columnWidth(c) for c in range(lastCol)), added up as Python adds.
//
// While columnWidth is Qt's, column c's width is the size of the header's
// section c (0 when hidden); while the sections are in their logical order,
// the sizes of the sections before `lastCol` add up to that section's
// position, which the header keeps.  Otherwise every width is asked.
Ref widths_before(PyObject* self, PyObject* lastCol) {
    const long long last = index_value(lastCol);
    if (last <= 0) return integer(0);
    if (finds_method(self, KIT_STR("columnWidth"), QT_METHOD("QTableView", "columnWidth"))) {
        Ref header = call(QT_METHOD("QTableView", "horizontalHeader"), self);
        if (!truthy(call(QT_METHOD("QHeaderView", "sectionsMoved"), header)) &&
            last < as_long(call(QT_METHOD("QHeaderView", "count"), header)))
            return call(QT_METHOD("QHeaderView", "sectionPosition"), header, integer(last));
    }
    Ref width = getattr(self, KIT_STR("columnWidth"));
    Ref total = integer(0);
    for (long long c = 0; c < last; c++) total = add(total, call(width, integer(c)));
    return total;
}

// def updateFrozenTableGeometry(self):
//     x_position = self.verticalHeader().width() + self.frameWidth()
//     for c in range(self.lastCol):
//         x_position += self.columnWidth(c)
//     x_viewPort = (self.verticalHeader().width() + self.viewport().width()
//                   - self.columnWidth(self.lastCol) + self.frameWidth())
//     if self._frozenColumn is not None:
//         header = self.horizontalHeader()
//         self._frozenColumn.setGeometry(x_position if x_position < x_viewPort else x_viewPort,
//                                        self.frameWidth(), self.columnWidth(self.lastCol),
//                                        self.viewport().height() + (0 if header.isHidden() else header.height()))
//
// (A hidden header keeps its last height; the overlay, which hides its own
// header with the grid's, is then exactly as high as the viewport.)
const Def DataGrid_updateFrozenTableGeometry{"def updateFrozenTableGeometry(self)", [](PyObject* self) {
    auto header_width = [&] { return call_method(call_method(self, KIT_STR("verticalHeader")), KIT_STR("width")); };
    auto frame = [&] { return call_method(self, KIT_STR("frameWidth")); };
    auto last_width = [&] { return call_method(self, KIT_STR("columnWidth"), getattr(self, KIT_STR("lastCol"))); };
    Ref x_position = add(header_width(), frame());
    x_position = add(x_position, widths_before(self, getattr(self, KIT_STR("lastCol"))));
    Ref x_viewPort = add(header_width(), call_method(call_method(self, KIT_STR("viewport")), KIT_STR("width")));
    x_viewPort = add(sub(x_viewPort, last_width()), frame());
    Ref frozen = overlay(self);
    if (!frozen) return;
    Ref x = lt(x_position, x_viewPort) ? x_position : x_viewPort;
    Ref y = frame();
    Ref width = last_width();
    Ref header = call_method(self, KIT_STR("horizontalHeader"));
    Ref height = call_method(call_method(self, KIT_STR("viewport")), KIT_STR("height"));
    if (!truthy(call_method(header, KIT_STR("isHidden")))) height = add(height, call_method(header, KIT_STR("height")));
    call_method(frozen, KIT_STR("setGeometry"), x, y, width, height);
}};

// --- cell buttons, drops, selection ---------------------------------------------

// def cellButtonClicked(self, data):
//     pieces = data.split("_")
//     btn_name = pieces[0]
//     index_row = int(pieces[1])
//     id_profile = self.model().index(index_row, 1).data()
//     self._main_window.tblProfile._model._data[index_row][3]
//     self.profile_id_selected = id_profile
const Def DataGrid_cellButtonClicked{"def cellButtonClicked(self, data)", [](PyObject* self, PyObject* data) {
    Ref pieces = call_method(data, KIT_STR("split"), KIT_STR("_"));
    item(pieces, Py_ssize_t{0});  // btn_name, not used further
    Ref index_row = to_int(item(pieces, 1));
    Ref index = call_method(call_method(self, KIT_STR("model")), KIT_STR("index"), index_row, KIT_CACHED(integer(1)));
    Ref id_profile = call_method(index, KIT_STR("data"));
    Ref main_window = getattr(self, KIT_STR("_main_window"));
    Ref rows = getattr(getattr(getattr(main_window, KIT_STR("tblProfile")), KIT_STR("_model")), KIT_STR("_data"));
    item(item(rows, index_row), 3);
    setattr(self, KIT_STR("profile_id_selected"), id_profile);
}};

// def dropEvent(self, event):
//     super().dropEvent(event)
//     if not event.isAccepted():
//         event.setDropAction(Qt.DropAction.IgnoreAction)
//     event.accept()
//
// The base class accepts the event when the model took the drop.  When it
// did not, the drag source learns that nothing was dropped: a source told
// that its rows were moved removes them.  (None, which Qt's handler would
// take as a null pointer, is refused first.)
const Def DataGrid_dropEvent{"def dropEvent(self, event)", [](const Frame& f, PyObject* self, PyObject* event) {
    refuse_none_event(event, "DataGrid.dropEvent", "QDropEvent");
    call(f.super_attr(self, KIT_STR("dropEvent")), event);
    if (!truthy(call_method(event, KIT_STR("isAccepted"))))
        call_method(event, KIT_STR("setDropAction"), member(KIT_GLOBAL("Qt"), "DropAction", "IgnoreAction"));
    call_method(event, KIT_STR("accept"));
}};

// The distinct rows, ascending, as a list of int.
Ref sorted_list(std::vector<long long>& rows) {
    if (!std::is_sorted(rows.begin(), rows.end())) std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    Ref out = new_list();
    for (long long row : rows) append(out, integer(row));
    return out;
}

// The Python algorithm over what selectedIndexes() returned:
//
//     rows = []
//     for index in indexes:
//         if index.row() not in rows:
//             rows.append(index.row())
//     rows.sort()
//
// Rows that are ints are gathered and sorted natively; any other row value
// goes the Python way, with its own == and <.
Ref rows_of_indexes(PyObject* indexes) {
    std::vector<Ref> found;
    std::vector<long long> values;
    bool plain = true;
    for (Ref index : iterate(indexes)) {
        Ref row = call_method(index, KIT_STR("row"));
        if (plain && PyLong_CheckExact(row.get())) {
            int overflow = 0;
            long long v = PyLong_AsLongLongAndOverflow(row, &overflow);
            if (v == -1 && PyErr_Occurred()) throw_error();
            if (!overflow) values.push_back(v);
            else plain = false;
        } else {
            plain = false;
        }
        found.push_back(row);
    }
    if (plain) return sorted_list(values);
    Ref rows = new_list();
    for (const Ref& row : found)
        if (!contains(rows, row)) append(rows, row);
    check(PyList_Sort(rows));
    return rows;
}

// (flags & Qt.ItemIsSelectable) and (flags & Qt.ItemIsEnabled): what Qt asks
// of a cell before its selection model lists it (None, which the binding
// reads as no flags, passes neither).  A model answers most cells with the
// same flags object; the verdict on the last one is kept (flags are
// immutable values).
struct FlagsTest {
    Ref last;
    bool verdict = false;

    bool operator()(PyObject* flags) {
        if (flags == last.get()) return verdict;
        if (flags == Py_None) return false;  // the binding reads None as no flags
        PyObject* selectable = KIT_CACHED(member(KIT_GLOBAL("Qt"), "ItemFlag", "ItemIsSelectable"));
        PyObject* enabled = KIT_CACHED(member(KIT_GLOBAL("Qt"), "ItemFlag", "ItemIsEnabled"));
        Ref bits = PyLong_Check(flags) ? Ref::borrow(flags) : getattr_or_null(flags, KIT_STR("value"));
        if (bits && PyLong_Check(bits.get())) {
            const long long v = as_long(bits);
            verdict = (v & as_long(KIT_CACHED(getattr(selectable, KIT_STR("value"))))) &&
                      (v & as_long(KIT_CACHED(getattr(enabled, KIT_STR("value")))));
        } else {
            verdict = truthy(Ref::steal(PyNumber_And(flags, selectable))) &&
                      truthy(Ref::steal(PyNumber_And(flags, enabled)));
        }
        last = Ref::borrow(flags);
        return verdict;
    }
};

// The cells of one selection range, reached as Qt reaches them: as siblings
// of the range's top-left index.  In a table model that keeps Qt's index()
// and sibling(), a sibling is index(row, column), which checks the row and
// column against rowCount() and columnCount() (asked of Python in a Python
// model) before making the index; once the whole range is known to lie
// inside the model, the index is made directly (createIndex, as Qt's index()
// makes it).
class RangeCells {
public:
    RangeCells(PyObject* model, PyObject* top_left, long long top, long long left, long long bottom,
               long long right) {
        direct_ = PyType_HasFeature(Py_TYPE(model), Py_TPFLAGS_HEAPTYPE) && top >= 0 && left >= 0 &&
                  finds_method(model, KIT_STR("index"), QTCORE_METHOD("QAbstractTableModel", "index")) &&
                  finds_method(model, KIT_STR("sibling"), QTCORE_METHOD("QAbstractTableModel", "sibling")) &&
                  bottom < as_long(call_method(model, KIT_STR("rowCount"))) &&
                  right < as_long(call_method(model, KIT_STR("columnCount")));
        model_ = Ref::borrow(model);
        sibling_ = direct_ ? Ref() : getattr(top_left, KIT_STR("sibling"));
    }

    Ref at(PyObject* row, PyObject* column) const {
        if (direct_) return call(QTCORE_METHOD("QAbstractItemModel", "createIndex"), model_, row, column);
        return call(sibling_, row, column);
    }

private:
    bool direct_ = false;
    Ref model_, sibling_;
};

// Whether the model flags every valid cell selectable and enabled: the
// grid's own model does, while its flags() is its class's.
bool every_cell_selectable(PyObject* model) {
    return finds_method(model, KIT_STR("flags"), KIT_CACHED(getattr(KIT_GLOBAL("DataGridModel"), KIT_STR("flags"))));
}

// The rows of one range whose cells are all selectable, while the view hides
// a cell only with its row or its column (Qt's isIndexHidden, no spans): the
// rows that are not hidden, when a column of the range is not.  The headers
// answer for hidden rows and columns; a header without hidden sections is
// not asked row by row.
void rows_by_headers(PyObject* self, long long top, long long left, long long bottom, long long right,
                     std::vector<long long>& rows) {
    PyObject* column_hidden = QT_METHOD("QTableView", "isColumnHidden");
    bool shown = false;
    for (long long c = left; c <= right && !shown; c++) shown = !truthy(call(column_hidden, self, integer(c)));
    if (!shown) return;
    Ref vertical = call(QT_METHOD("QTableView", "verticalHeader"), self);
    if (as_long(call(QT_METHOD("QHeaderView", "hiddenSectionCount"), vertical)) == 0) {
        for (long long r = top; r <= bottom; r++) rows.push_back(r);
        return;
    }
    PyObject* row_hidden = QT_METHOD("QTableView", "isRowHidden");
    for (long long r = top; r <= bottom; r++)
        if (!truthy(call(row_hidden, self, integer(r)))) rows.push_back(r);
}

// The rows of Qt's QTableView.selectedIndexes(), range by range.
//
// Qt lists, for every range of the selection model's selection (invalid
// ranges and ranges without a model left out), each cell the model flags
// selectable and enabled, and the view keeps those that it does not hide
// (isIndexHidden: hidden rows and columns, cells covered by a span) and whose
// parent is the view's root.  A row is one of the result as soon as one of
// its cells passes, so each row is asked about until one does.
Ref rows_of_selection(PyObject* self) {
    Ref selection_model = call(QT_METHOD("QAbstractItemView", "selectionModel"), self);
    if (selection_model.get() == Py_None) return new_list();
    Ref root = call(QT_METHOD("QAbstractItemView", "rootIndex"), self);
    Ref selection = call_method(selection_model, KIT_STR("selection"));
    Ref hidden = getattr(self, KIT_STR("isIndexHidden"));
    Ref spans = getattr_or_null(self, KIT_STR("_spans"));
    const bool plain_hiding = finds_method(self, KIT_STR("isIndexHidden"), QT_METHOD("QTableView", "isIndexHidden")) &&
                              spans && !truthy(spans);
    FlagsTest passes;
    std::vector<long long> rows;
    for (Ref range : iterate(selection)) {
        if (!truthy(call_method(range, KIT_STR("isValid")))) continue;
        Ref model = call_method(range, KIT_STR("model"));
        if (model.get() == Py_None) continue;
        if (!eq(call_method(range, KIT_STR("parent")), root)) continue;
        const long long top = as_long(call_method(range, KIT_STR("top")));
        const long long bottom = as_long(call_method(range, KIT_STR("bottom")));
        const long long left = as_long(call_method(range, KIT_STR("left")));
        const long long right = as_long(call_method(range, KIT_STR("right")));
        if (plain_hiding && every_cell_selectable(model)) {
            rows_by_headers(self, top, left, bottom, right, rows);
            continue;
        }
        const RangeCells cells(model, call_method(range, KIT_STR("topLeft")), top, left, bottom, right);
        Ref flags = getattr(model, KIT_STR("flags"));
        std::vector<Ref> columns;
        for (long long c = left; c <= right; c++) columns.push_back(integer(c));
        for (long long r = top; r <= bottom; r++) {
            Ref row = integer(r);
            for (const Ref& column : columns) {
                Ref index = cells.at(row, column);
                if (!passes(call(flags, index))) continue;
                if (truthy(call(hidden, index))) continue;
                rows.push_back(r);
                break;
            }
        }
    }
    return sorted_list(rows);
}

// def getselectedRowsFast(self):
//     selectedRows = []
//     for index in self.selectedIndexes():
//         if index.row() not in selectedRows:
//             selectedRows.append(index.row())
//     selectedRows.sort()
//     return selectedRows
//
// While selectedIndexes is Qt's, the rows come from the selection ranges
// (rows_of_selection), in time linear in the rows selected, without a list
// of every selected cell; a selectedIndexes of a subclass is asked.
const Def DataGrid_getselectedRowsFast{"def getselectedRowsFast(self)", [](PyObject* self) {
    if (finds_method(self, KIT_STR("selectedIndexes"), QT_METHOD("QTableView", "selectedIndexes")))
        return rows_of_selection(self);
    return rows_of_indexes(call_method(self, KIT_STR("selectedIndexes")));
}};

// def setSpan(self, row, column, rowSpanCount, columnSpanCount):
//     super().setSpan(row, column, rowSpanCount, columnSpanCount)
//     self._spans = True
//
// A cell under a span is hidden; getselectedRowsFast asks about each cell
// once the grid may have spans.
const Def DataGrid_setSpan{
    "def setSpan(self, row, column, rowSpanCount, columnSpanCount)",
    [](const Frame& f, PyObject* self, PyObject* row, PyObject* column, PyObject* rowSpanCount,
       PyObject* columnSpanCount) {
        call(f.super_attr(self, KIT_STR("setSpan")), qt_int(row), qt_int(column), qt_int(rowSpanCount),
             qt_int(columnSpanCount));
        setattr(self, KIT_STR("_spans"), Py_True);
    }};

// def clearSpans(self):
//     super().clearSpans()
//     self._spans = False
const Def DataGrid_clearSpans{"def clearSpans(self)", [](const Frame& f, PyObject* self) {
                                  call(f.super_attr(self, KIT_STR("clearSpans")));
                                  setattr(self, KIT_STR("_spans"), Py_False);
                              }};

// def _current_row_changed(self, current, previous):
//     """The Tab stops follow the current row: its cell widgets' controls
//     take Tab focus, the previous row's only a click's; the Tab order goes
//     from the grid through the current row's controls."""
//     for row, index in ((previous.row(), previous), (current.row(), current)):
//         for widget, view in <the cell widgets of that row>:
//             <present_cell_widget(self, widget, index)>
//     controls = <the current row's controls, in column order>
//     for first, second in pairwise([self] + controls):
//         QWidget.setTabOrder(first, second)
const Def DataGrid__current_row_changed{
    "def _current_row_changed(self, current, previous)",
    [](PyObject* self, PyObject* current, PyObject* previous) {
        Ref model = call_method(self, KIT_STR("model"));
        if (model.get() == Py_None) return;
        std::vector<Ref> stops;
        for (PyObject* index : {previous, current}) {
            if (!truthy(call_method(index, KIT_STR("isValid")))) continue;
            Ref row = call_method(index, KIT_STR("row"));
            for (const auto& [widget, cell] : row_widgets(self, model, row)) {
                present_cell_widget(self, widget, cell);
                if (index == current)
                    for (const Ref& control : focus_takers(widget)) stops.push_back(control);
            }
        }
        PyObject* order = KIT_CACHED(getattr(module_attr("PySide6.QtWidgets", "QWidget"), KIT_STR("setTabOrder")));
        Ref before = Ref::borrow(self);
        for (const Ref& stop : stops) {
            call(order, before, stop);
            before = stop;
        }
    }};

// def eventFilter(self, watched, event):
//     """Keys in a cell widget (the view watches each one): Enter and Return
//     press the focused button in it, Escape takes focus back to the grid."""
//     if event.type() == QEvent.Type.KeyPress and <watched is a cell widget of this grid>:
//         focused = QApplication.focusWidget()
//         if (event.key() in (Qt.Key.Key_Return, Qt.Key.Key_Enter) and isinstance(focused, QAbstractButton)
//                 and watched.isAncestorOf(focused)):
//             focused.click()
//             return True
//         if event.key() == Qt.Key.Key_Escape:
//             self.setFocus(Qt.FocusReason.ShortcutFocusReason)
//             return True
//     return super().eventFilter(watched, event)
const Def DataGrid_eventFilter{
    "def eventFilter(self, watched, event)", [](const Frame& f, PyObject* self, PyObject* watched, PyObject* event) {
        PyObject* key_press = KIT_CACHED(member(module_attr("PySide6.QtCore", "QEvent"), "Type", "KeyPress"));
        PyObject* widget_type = KIT_CACHED(module_attr("PySide6.QtWidgets", "QWidget"));
        if (isinstance(event, KIT_CACHED(module_attr("PySide6.QtCore", "QEvent"))) &&
            call_method(event, KIT_STR("type")).get() == key_press && isinstance(watched, widget_type) &&
            truthy(call_method(self, KIT_STR("isAncestorOf"), watched))) {
            Ref key = call_method(event, KIT_STR("key"));
            Ref focused = call(KIT_CACHED(getattr(module_attr("PySide6.QtWidgets", "QApplication"),
                                                  KIT_STR("focusWidget"))));
            const bool enter = eq(key, KIT_CACHED(member(KIT_GLOBAL("Qt"), "Key", "Key_Return"))) ||
                               eq(key, KIT_CACHED(member(KIT_GLOBAL("Qt"), "Key", "Key_Enter")));
            if (enter && isinstance(focused, KIT_CACHED(module_attr("PySide6.QtWidgets", "QAbstractButton"))) &&
                truthy(call_method(watched, KIT_STR("isAncestorOf"), focused))) {
                call_method(focused, KIT_STR("click"));
                return boolean(true);
            }
            if (eq(key, KIT_CACHED(member(KIT_GLOBAL("Qt"), "Key", "Key_Escape")))) {
                call_method(self, KIT_STR("setFocus"), member(KIT_GLOBAL("Qt"), "FocusReason", "ShortcutFocusReason"));
                return boolean(true);
            }
        }
        return call(f.super_attr(self, KIT_STR("eventFilter")), watched, event);
    }};

// --- cell widgets on demand ---------------------------------------------------------

// The rows in view, [first, last] (first == -1 when none is).
std::pair<long long, long long> rows_in_view(PyObject* self, PyObject* model) {
    const long long count = as_long(call_method(model, KIT_STR("rowCount")));
    const long long first = as_long(call_method(self, KIT_STR("rowAt"), integer(0)));
    if (first < 0 || count == 0) return {-1, -1};
    const long long height = as_long(call_method(call_method(self, KIT_STR("viewport")), KIT_STR("height")));
    long long last = as_long(call_method(self, KIT_STR("rowAt"), integer(std::max(0LL, height - 1))));
    if (last < 0) last = count - 1;
    return {first, last};
}

// def _place_cell_widgets(self):
//     """Cell widgets on demand: the rows in view and a few around them get
//     the widgets of the renderCell columns, rows far out of view lose theirs."""
//     model = self.model()
//     if not self.cellWidgetsOnDemand() or model is None:
//         return
//     first, last = <the rows in view>
//     span = last - first + 1
//     keep = range(first - span, last + span + 1)             # at most 3 views' worth
//     near = range(first - span // 4 - 1, last + span // 4 + 2)
//     kept = []
//     for persistent, view in self._cellWidgets:
//         if persistent.isValid() and persistent.model() is model:
//             if persistent.row() in keep:
//                 kept.append((persistent, view))
//             else:
//                 view.setIndexWidget(QModelIndex(persistent), None)
//     self._cellWidgets = kept
//     columns = [c for c in range(model.columnCount()) if <its source column has a renderCell>]
//     for row in near (within the model, rows not hidden):
//         for column in columns:
//             index = model.index(row, column)
//             view = <the overlay for the frozen column, else the grid>
//             if view.indexWidget(index) is None:
//                 source = <index mapped down to the grid's model>
//                 view.setIndexWidget(index, renderCell(self._rows[source.row()]))
//                 self._cellWidgets.append((QPersistentModelIndex(index), view))
//
// Widgets placed otherwise (setIndexWidget, _set_index_widget) are neither
// counted nor released.  A widget is released as Qt releases it
// (setIndexWidget(index, None): the view forgets it, then deletes it later).
const Def DataGrid__place_cell_widgets{"def _place_cell_widgets(self)", [](PyObject* self) {
    Ref model = call_method(self, KIT_STR("model"));
    Ref on = getattr_or_null(self, KIT_STR("_cellWidgetsOnDemand"));
    if (!on || !truthy(on) || model.get() == Py_None) return;
    PyObject* persistent_type = KIT_CACHED(module_attr("PySide6.QtCore", "QPersistentModelIndex"));
    PyObject* index_type = KIT_CACHED(module_attr("PySide6.QtCore", "QModelIndex"));
    const auto [first, last] = rows_in_view(self, model);
    const long long span = first < 0 ? 0 : last - first + 1;
    const long long keep_lo = first - span, keep_hi = first < 0 ? -1 : last + span;
    Ref placed = getattr_or_null(self, KIT_STR("_cellWidgets"));
    Ref kept = new_list();
    if (placed && PyList_Check(placed.get())) {
        Ref snapshot = Ref::steal(PyList_AsTuple(placed));
        for (Py_ssize_t i = 0; i < PyTuple_GET_SIZE(snapshot.get()); i++) {
            PyObject* entry = PyTuple_GET_ITEM(snapshot.get(), i);
            Ref persistent = item(entry, Py_ssize_t{0});
            if (!truthy(call_method(persistent, KIT_STR("isValid")))) continue;
            if (call_method(persistent, KIT_STR("model")).get() != model.get()) continue;
            const long long row = as_long(call_method(persistent, KIT_STR("row")));
            if (row >= keep_lo && row <= keep_hi) {
                append(kept, entry);
                continue;
            }
            call_method(item(entry, 1), KIT_STR("setIndexWidget"), call(index_type, persistent), Py_None);
        }
    }
    setattr(self, KIT_STR("_cellWidgets"), kept);
    if (first < 0) return;
    // The view's columns whose column in the grid's model draws widgets.
    const long long count = as_long(call_method(model, KIT_STR("rowCount")));
    const long long columns = as_long(call_method(model, KIT_STR("columnCount")));
    Ref definitions = getattr(self, KIT_STR("_columns"));
    const Py_ssize_t defined = len(definitions);
    struct Drawn {
        Ref column, render, holder;
    };
    std::vector<Drawn> drawn;
    for (long long c = 0; c < columns; c++) {
        Ref column = integer(c);
        Ref source = source_of(call_method(model, KIT_STR("index"), integer(first), column));
        const long long at = as_long(call_method(source, KIT_STR("column")));
        if (at < 0 || at >= defined) continue;
        Ref render = get(item(definitions, at), KIT_STR("renderCell"));
        if (truthy(render)) drawn.push_back({column, render, holder_of(self, integer(at))});
    }
    if (drawn.empty()) return;
    const long long lo = std::max(0LL, first - span / 4 - 1), hi = std::min(count - 1, last + span / 4 + 1);
    Ref rows = getattr(self, KIT_STR("_rows"));
    for (long long r = lo; r <= hi; r++) {
        Ref row = integer(r);
        if (truthy(call_method(self, KIT_STR("isRowHidden"), row))) continue;
        for (const Drawn& d : drawn) {
            Ref index = call_method(model, KIT_STR("index"), row, d.column);
            if (call_method(d.holder, KIT_STR("indexWidget"), index).get() != Py_None) continue;
            Ref record = item(rows, call_method(source_of(index), KIT_STR("row")));
            Ref cell = call(d.render, record);
            call_method(d.holder, KIT_STR("setIndexWidget"), index, cell);
            present_cell_widget(self, cell, index);
            append(kept, tuple_of(call(persistent_type, index), d.holder));
        }
    }
}};

// Qt calls the two methods below from inside its own work (a layout, a
// scroll): an error of a renderCell is reported as unraisable there rather
// than raised out of the virtual (a second exception raised out of a
// virtual within one call into Qt crashes the binding).
void place_from_qt(PyObject* self) {
    Ref on = getattr_or_null(self, KIT_STR("_cellWidgetsOnDemand"));
    if (!on || !truthy(on)) return;
    try {
        call_method(self, KIT_STR("_place_cell_widgets"));
    } catch (Error&) {
        PyErr_WriteUnraisable(getattr(self, KIT_STR("_place_cell_widgets")));
    }
}

// def updateGeometries(self):
//     super().updateGeometries()
//     self.updateFrozenTableGeometry()     # a header shown, hidden or restyled
//     <fill_viewport(self)>                 # a new parent, a new palette
//     if self._cellWidgetsOnDemand:
//         self._place_cell_widgets()        # an error reported, not raised
const Def DataGrid_updateGeometries{"def updateGeometries(self)", [](const Frame& f, PyObject* self) {
    call(f.super_attr(self, KIT_STR("updateGeometries")));
    call_method(self, KIT_STR("updateFrozenTableGeometry"));
    fill_viewport(self);
    place_from_qt(self);
}};

// def verticalScrollbarValueChanged(self, value):
//     super().verticalScrollbarValueChanged(value)
//     if self._cellWidgetsOnDemand:
//         self._place_cell_widgets()        # an error reported, not raised
const Def DataGrid_verticalScrollbarValueChanged{
    "def verticalScrollbarValueChanged(self, value)", [](const Frame& f, PyObject* self, PyObject* value) {
        call(f.super_attr(self, KIT_STR("verticalScrollbarValueChanged")), qt_int(value));
        place_from_qt(self);
    }};

// def setCellWidgetsOnDemand(self, on: bool = True) -> None:
//     self._cellWidgetsOnDemand = bool(on)
//     if on:
//         self._place_cell_widgets()
//     else:
//         for persistent, view in self._cellWidgets:
//             view.setIndexWidget(QModelIndex(persistent), None)
//         self._cellWidgets = []
const Def DataGrid_setCellWidgetsOnDemand{
    "def setCellWidgetsOnDemand(self, on: bool = True) -> None",
    [](PyObject* self, PyObject* on) {
        const bool wanted = truthy(on);
        setattr(self, KIT_STR("_cellWidgetsOnDemand"), boolean(wanted));
        if (wanted) {
            call_method(self, KIT_STR("_place_cell_widgets"));
            return;
        }
        Ref placed = getattr_or_null(self, KIT_STR("_cellWidgets"));
        setattr(self, KIT_STR("_cellWidgets"), new_list());
        if (!placed || !PyList_Check(placed.get())) return;
        PyObject* index_type = KIT_CACHED(module_attr("PySide6.QtCore", "QModelIndex"));
        Ref snapshot = Ref::steal(PyList_AsTuple(placed));
        for (Py_ssize_t i = 0; i < PyTuple_GET_SIZE(snapshot.get()); i++) {
            PyObject* entry = PyTuple_GET_ITEM(snapshot.get(), i);
            call_method(item(entry, 1), KIT_STR("setIndexWidget"), call(index_type, item(entry, Py_ssize_t{0})),
                        Py_None);
        }
    },
    {.doc = "Place the widgets of the renderCell columns for the rows in view and a few around them only,\n"
            "placing new ones as the view scrolls, resizes, sorts or filters and releasing those far out of\n"
            "view (on=False releases them all)."}};

// def cellWidgetsOnDemand(self) -> bool:
//     return self._cellWidgetsOnDemand
const Def DataGrid_cellWidgetsOnDemand{
    "def cellWidgetsOnDemand(self) -> bool", [](PyObject* self) {
        Ref on = getattr_or_null(self, KIT_STR("_cellWidgetsOnDemand"));
        return boolean(on && truthy(on));
    },
    {.doc = "Whether the grid places cell widgets for the rows in view only."}};

// --- sorting from the header, the column menu -------------------------------------------

// Whether a view column's definition lets the user sort by it.
bool column_sortable(PyObject* self, PyObject* logicalIndex) {
    Ref columns = getattr(self, KIT_STR("_columns"));
    if (!PyLong_Check(logicalIndex)) return true;
    const long long c = as_long(logicalIndex);
    if (c < 0 || c >= len(columns)) return true;
    return get(item(columns, c), KIT_STR("sortable"), Py_True).get() != Py_False;
}

// def setSortingEnabled(self, enable):
//     super().setSortingEnabled(enable)
//     if enable:
//         header = self.horizontalHeader()
//         header.sortIndicatorChanged.disconnect()   # the view's own sort on each click
//         header.sortIndicatorChanged.connect(self._sort_from_header)
//
// A click on a header sorts through _sort_from_header, which leaves the
// columns that cannot be sorted alone.  (Everything connected to the
// header's sortIndicatorChanged is disconnected here; connect after this.)
const Def DataGrid_setSortingEnabled{
    "def setSortingEnabled(self, enable)", [](const Frame& f, PyObject* self, PyObject* enable) {
        const bool on = truthy(enable);
        call(f.super_attr(self, KIT_STR("setSortingEnabled")), boolean(on));
        if (!on) return;
        Ref signal = getattr(call_method(self, KIT_STR("horizontalHeader")), KIT_STR("sortIndicatorChanged"));
        call_method(signal, KIT_STR("disconnect"));
        call_method(signal, KIT_STR("connect"), getattr(self, KIT_STR("_sort_from_header")));
    }};

// def sortByColumn(self, column, order):
//     self._sorting = True             # Qt's sorts once itself; the header's signal is not a click
//     try:
//         super().sortByColumn(column, order)
//     finally:
//         self._sorting = False
//     self._sortedBy = (column, order)
const Def DataGrid_sortByColumn{
    "def sortByColumn(self, column, order)", [](const Frame& f, PyObject* self, PyObject* column, PyObject* order) {
        Ref checked = qt_int(column);  // before Qt's int parameter takes it
        setattr(self, KIT_STR("_sorting"), Py_True);
        try {
            call(f.super_attr(self, KIT_STR("sortByColumn")), checked, order);
        } catch (Error&) {
            Handling handled;  // finally:
            setattr(self, KIT_STR("_sorting"), Py_False);
            handled.reraise();
        }
        setattr(self, KIT_STR("_sorting"), Py_False);
        setattr(self, KIT_STR("_sortedBy"), tuple_of(column, order));
    }};

// def _sort_from_header(self, logicalIndex, order):
//     """A click on a header: sort by its column, or, when the column's
//     definition says sortable False, put the indicator back where it was."""
//     if self._sorting or self.model() is None or not self.isSortingEnabled():
//         return                       # an indicator set while sorting is off sorts nothing, as in a QTableView
//     if <the column is sortable>:
//         self._sortedBy = (logicalIndex, order)
//         self.model().sort(logicalIndex, order)
//     else:
//         self._sorting = True
//         try:
//             self.horizontalHeader().setSortIndicator(*self._sortedBy)
//         finally:
//             self._sorting = False
const Def DataGrid__sort_from_header{
    "def _sort_from_header(self, logicalIndex, order)", [](PyObject* self, PyObject* logicalIndex, PyObject* order) {
        Ref sorting = getattr_or_null(self, KIT_STR("_sorting"));
        Ref model = call_method(self, KIT_STR("model"));
        if ((sorting && truthy(sorting)) || model.get() == Py_None) return;
        if (!truthy(call_method(self, KIT_STR("isSortingEnabled")))) return;
        if (column_sortable(self, logicalIndex)) {
            setattr(self, KIT_STR("_sortedBy"), tuple_of(logicalIndex, order));
            call_method(model, KIT_STR("sort"), qt_int(logicalIndex), order);
            return;
        }
        Ref before = getattr(self, KIT_STR("_sortedBy"));
        setattr(self, KIT_STR("_sorting"), Py_True);
        try {
            call_method(call_method(self, KIT_STR("horizontalHeader")), KIT_STR("setSortIndicator"),
                        item(before, Py_ssize_t{0}), item(before, 1));
        } catch (Error&) {
            Handling handled;  // finally:
            setattr(self, KIT_STR("_sorting"), Py_False);
            handled.reraise();
        }
        setattr(self, KIT_STR("_sorting"), Py_False);
    }};

// def _column_menu(self, logicalIndex):
//     """The header's menu for a column (None when its definition has
//     disableColumnMenu True): sort ascending, descending, unsort (greyed
//     for a column that cannot be sorted), hide the column, show them all."""
//     columns = self._columns
//     definition = columns[logicalIndex] if 0 <= logicalIndex < len(columns) else {}
//     if definition.get("disableColumnMenu") is True:
//         return None
//     sortable = definition.get("sortable", True) is not False
//     shown = sum(1 for c in range(self.horizontalHeader().count()) if not self.isColumnHidden(c))
//     menu = QMenu(self)
//     for text, data, enabled in (
//             ("Sort ascending", ("sort", logicalIndex, Qt.SortOrder.AscendingOrder), sortable),
//             ("Sort descending", ("sort", logicalIndex, Qt.SortOrder.DescendingOrder), sortable),
//             ("Unsort", ("sort", -1, Qt.SortOrder.AscendingOrder), sortable),
//             None,
//             ("Hide column", ("hide", logicalIndex, None), shown > 1),
//             ("Show all columns", ("show", -1, None), True)):
//         <a separator for None, else an action with that text, data and enabled state>
//     menu.triggered.connect(self._column_menu_chosen)
//     return menu
const Def DataGrid__column_menu{"def _column_menu(self, logicalIndex)", [](PyObject* self, PyObject* logicalIndex) {
    Ref columns = getattr(self, KIT_STR("_columns"));
    const long long c = PyLong_Check(logicalIndex) ? as_long(logicalIndex) : -1;
    Ref definition = c >= 0 && c < len(columns) ? item(columns, c) : new_dict();
    if (get(definition, KIT_STR("disableColumnMenu")).get() == Py_True) return none();
    const bool sortable = get(definition, KIT_STR("sortable"), Py_True).get() != Py_False;
    const long long count = as_long(call_method(call_method(self, KIT_STR("horizontalHeader")), KIT_STR("count")));
    long long shown = 0;
    for (long long k = 0; k < count; k++)
        if (!truthy(call_method(self, KIT_STR("isColumnHidden"), integer(k)))) shown++;
    Ref menu = call(KIT_CACHED(module_attr("PySide6.QtWidgets", "QMenu")), self);
    Ref ascending = member(KIT_GLOBAL("Qt"), "SortOrder", "AscendingOrder");
    Ref descending = member(KIT_GLOBAL("Qt"), "SortOrder", "DescendingOrder");
    struct Entry {
        const char* text;
        Ref data;
        bool enabled;
    };
    const Entry entries[] = {
        {"Sort ascending", tuple_of(KIT_STR("sort"), logicalIndex, ascending), sortable},
        {"Sort descending", tuple_of(KIT_STR("sort"), logicalIndex, descending), sortable},
        {"Unsort", tuple_of(KIT_STR("sort"), integer(-1), ascending), sortable},
        {nullptr, Ref(), false},
        {"Hide column", tuple_of(KIT_STR("hide"), logicalIndex, Py_None), shown > 1},
        {"Show all columns", tuple_of(KIT_STR("show"), integer(-1), Py_None), true},
    };
    for (const Entry& e : entries) {
        if (!e.text) {
            call_method(menu, KIT_STR("addSeparator"));
            continue;
        }
        Ref action = call_method(menu, KIT_STR("addAction"), str(e.text));
        call_method(action, KIT_STR("setData"), e.data);
        call_method(action, KIT_STR("setEnabled"), boolean(e.enabled));
    }
    call_method(getattr(menu, KIT_STR("triggered")), KIT_STR("connect"), getattr(self, KIT_STR("_column_menu_chosen")));
    return menu;
}};

// def _column_menu_chosen(self, action):
//     what, column, order = action.data()
//     if what == "sort":
//         self.sortByColumn(column, order)
//     elif what == "hide":
//         self.setColumnHidden(column, True)
//     else:
//         for c in range(self.horizontalHeader().count()):
//             self.setColumnHidden(c, False)
const Def DataGrid__column_menu_chosen{"def _column_menu_chosen(self, action)", [](PyObject* self, PyObject* action) {
    Ref data = call_method(action, KIT_STR("data"));
    Ref what = item(data, Py_ssize_t{0}), column = item(data, 1), order = item(data, 2);
    if (eq(what, KIT_STR("sort"))) {
        call_method(self, KIT_STR("sortByColumn"), column, order);
    } else if (eq(what, KIT_STR("hide"))) {
        call_method(self, KIT_STR("setColumnHidden"), qt_int(column), Py_True);
    } else {
        const long long count = as_long(call_method(call_method(self, KIT_STR("horizontalHeader")), KIT_STR("count")));
        for (long long c = 0; c < count; c++) call_method(self, KIT_STR("setColumnHidden"), integer(c), Py_False);
    }
}};

// def _show_column_menu(self, pos):
//     header = self.horizontalHeader()
//     menu = self._column_menu(header.logicalIndexAt(pos))
//     if menu is not None:
//         menu.setAttribute(Qt.WidgetAttribute.WA_DeleteOnClose)
//         menu.popup(header.viewport().mapToGlobal(pos))
const Def DataGrid__show_column_menu{"def _show_column_menu(self, pos)", [](PyObject* self, PyObject* pos) {
    if (!isinstance(pos, KIT_CACHED(module_attr("PySide6.QtCore", "QPoint"))))
        raisef(PyExc_TypeError, "DataGrid._show_column_menu() argument 'pos' must be a QPoint, not %.200s",
               type_name(pos));
    Ref header = call_method(self, KIT_STR("horizontalHeader"));
    Ref menu = call_method(self, KIT_STR("_column_menu"), call_method(header, KIT_STR("logicalIndexAt"), pos));
    if (menu.get() == Py_None) return;
    call_method(menu, KIT_STR("setAttribute"), member(KIT_GLOBAL("Qt"), "WidgetAttribute", "WA_DeleteOnClose"));
    call_method(menu, KIT_STR("popup"),
                call_method(call_method(header, KIT_STR("viewport")), KIT_STR("mapToGlobal"), pos));
}};

// --- the module body ----------------------------------------------------------

void body() {
    from_import("typing", {"Callable"});
    from_import("PySide6.QtCore", {"Qt", "QModelIndex", "Signal"});
    from_import("PySide6.QtWidgets", {"QHeaderView", "QAbstractItemView", "QTableView", "QProxyStyle", "QStyleOption"});
    from_import("tovane.material.brevant", {"PyWidgetBase"});
    from_import("tovane.material.styles", {"useTheme"});
    from_import("tovane.hooks", {"useEffect"});
    from_import(".frozen_column", {"FrozenColumn"});
    from_import(".marquel_model", {"DataGridModel"});

    ClassBuilder cls("DataGrid", {KIT_GLOBAL("QTableView"), KIT_GLOBAL("PyWidgetBase")});
    cls.attr("setIndexWidgetSignal", call(KIT_GLOBAL("Signal"), KIT_GLOBAL("QModelIndex")));

    ClassBuilder style("DropmarkerStyle", {KIT_GLOBAL("QProxyStyle")}, {.outer = "DataGrid"});
    style.def(DropmarkerStyle_drawPrimitive);
    cls.attr("DropmarkerStyle", style.build());

    cls.def(DataGrid__init__);
    cls.def(DataGrid__thread_set_index_widget);
    cls.def(DataGrid__set_index_widget);
    cls.def(DataGrid_setupUi);
    cls.def(DataGrid__set_stylesheet);
    cls.def(DataGrid_update_model);
    cls.def(DataGrid_configUiTableView);
    cls.def(DataGrid_updateSectionWidth);
    cls.def(DataGrid_updateSectionHeight);
    cls.def(DataGrid_resizeEvent);
    cls.def(DataGrid_moveCursor);
    cls.def(DataGrid_scrollTo);
    cls.def(DataGrid_updateFrozenTableGeometry);
    cls.def(DataGrid_cellButtonClicked);
    cls.def(DataGrid_dropEvent);
    cls.def(DataGrid_getselectedRowsFast);
    cls.def(DataGrid_setSelectionModel);
    cls.def(DataGrid_setSpan);
    cls.def(DataGrid_clearSpans);
    cls.def(DataGrid_setCellWidgetsOnDemand);
    cls.def(DataGrid_cellWidgetsOnDemand);
    cls.def(DataGrid__place_cell_widgets);
    cls.def(DataGrid_updateGeometries);
    cls.def(DataGrid_verticalScrollbarValueChanged);
    cls.def(DataGrid__fit_flex_columns);
    cls.def(DataGrid_setSortingEnabled);
    cls.def(DataGrid_sortByColumn);
    cls.def(DataGrid__sort_from_header);
    cls.def(DataGrid__column_menu);
    cls.def(DataGrid__column_menu_chosen);
    cls.def(DataGrid__show_column_menu);
    cls.def(DataGrid__current_row_changed);
    cls.def(DataGrid_eventFilter);
    cls.define();
}

}  // namespace

KIT_MODULE(marquel, body)
