"""The data grid: DataGrid, a table view with a frozen last column, row drag and drop and cell widgets."""

# The annotations are the module's own texts, bare generics (Callable, Dict, State) included.
# mypy: disable-error-code="type-arg"

from typing import Any, Callable, ClassVar, Mapping, Optional, Sequence

from PySide6.QtCore import (QAbstractItemModel, QEvent, QItemSelectionModel, QMetaObject, QModelIndex, QObject,
                            QPersistentModelIndex, QPoint, Qt, Signal)
from PySide6.QtGui import QAction, QDropEvent, QPainter, QResizeEvent
from PySide6.QtWidgets import (QAbstractItemDelegate, QAbstractItemView, QHeaderView, QMenu, QProxyStyle, QStyle,
                               QStyleOption, QTableView, QWidget)

from tovane.material.brevant import PyWidgetBase

from .frozen_column import FrozenColumn
from .marquel_model import DataGridModel

class DataGrid(QTableView, PyWidgetBase):
    """A table view of row records with an optional frozen last column, cell widgets and a theme style sheet."""

    staticMetaObject: ClassVar[QMetaObject]
    setIndexWidgetSignal: ClassVar[Signal]
    """Carries a QModelIndex whose cell widget is to be placed; queued to the GUI thread from a worker."""

    class DropmarkerStyle(QProxyStyle):
        """A proxy style that draws the item-view drop indicator across the whole row."""

        staticMetaObject: ClassVar[QMetaObject]
        def drawPrimitive(
            self, element: QStyle.PrimitiveElement, option: QStyleOption, painter: QPainter,
            widget: Optional[QWidget] = None,
        ) -> None:
            """Draw the drop indicator from the left edge to the widget's width; anything else as it comes."""

    _columns: Sequence[Mapping[str, Any]]
    _rows: Sequence[Any]
    _model: DataGridModel
    _frozenColumn: Optional[FrozenColumn]
    lastCol: int
    last_drop_row: None
    theme: Any
    header: QHeaderView
    _horizontalHeader: QHeaderView
    profile_id_selected: Any
    _spans: bool
    _cellWidgetsOnDemand: bool
    _cellWidgets: list[tuple[QPersistentModelIndex, QTableView]]
    _sortedBy: tuple[int, Qt.SortOrder]
    _sorting: bool
    _fitting: bool
    _userSized: set[int]
    def __init__(
        self,
        columns: Sequence[Mapping[str, Any]],
        rows: Sequence[Any],
        checkboxSelection: Any = False,
        disableRowSelectionOnClick: Any = False,
        context: Any = None,
        id: str = None,  # type: ignore[assignment]
        isDense: bool = None,  # type: ignore[assignment]
        isManyRows: bool = None,  # type: ignore[assignment]
        fullWidth: bool = True,
        tableHead: list = None,  # type: ignore[assignment]
        singleSelection: bool = False,
        stretchLastSection: bool = False,
        model: Any = None,
        selectionChanged: Callable = None,  # type: ignore[assignment]
        itemDelegates: Optional[Sequence[QAbstractItemDelegate]] = None,
        backgroundColor: str = "#ffffff",
        isFrozenLastColumn: Any = None,
    ) -> None:
        """Store the parameters, build the model and set the view up."""
    def _thread_set_index_widget(self) -> None:
        """Emit setIndexWidgetSignal for every cell, column by column; safe on a worker thread."""
    def _set_index_widget(self, index: QModelIndex) -> None:
        """Place the widget the column's renderCell makes for the row's record."""
    def setupUi(self) -> None:
        """Configure the view: drag and drop, overlay, model, headers, selection, rows, theme."""
    def _set_stylesheet(self, component_styled: Any = None) -> None:
        """Rebuild the style sheet from the theme."""
    def update_model(self, model: Optional[QAbstractItemModel] = None) -> None:
        """Bind a model (the grid's own by default) to the view and the overlay."""
    def configUiTableView(self) -> None:
        """Reapply the header and viewport settings."""
    def updateSectionWidth(self, logicalIndex: int, oldSize: int, newSize: int) -> None:
        """Follow a column width change in the overlay."""
    def updateSectionHeight(self, logicalIndex: int, oldSize: int, newSize: int) -> None:
        """Copy a row height change to the overlay."""
    def resizeEvent(self, event: QResizeEvent) -> None:
        """Resize, then place the overlay again."""
    def moveCursor(
        self, cursorAction: QAbstractItemView.CursorAction, modifiers: Qt.KeyboardModifier
    ) -> QModelIndex:
        """Qt's cursor move, scrolling a column out from under the overlay when moving left."""
    def scrollTo(  # type: ignore[override]  # the hint is required
        self, index: QModelIndex | QPersistentModelIndex, hint: QAbstractItemView.ScrollHint
    ) -> None:
        """Scroll to an index left of the frozen column; never for the frozen column."""
    def updateFrozenTableGeometry(self) -> None:
        """Place the overlay over its column, or at the viewport's right edge when the table is wider."""
    def cellButtonClicked(self, data: str) -> None:
        """Keep the id (column 1) of the row named by a "name_row" text as profile_id_selected."""
    def dropEvent(self, event: QDropEvent) -> None:
        """Qt's drop, then accept the event (as not dropped when the model refused it)."""
    def getselectedRowsFast(self) -> list[int]:
        """The distinct rows of selectedIndexes(), ascending."""
    def setSelectionModel(self, selectionModel: QItemSelectionModel) -> None:
        """Qt's, then the headers get selection models of their own (they see no selection)."""
    def setSpan(self, row: int, column: int, rowSpanCount: int, columnSpanCount: int) -> None:
        """Qt's, noting that the grid may have spans."""
    def clearSpans(self) -> None:
        """Qt's, noting that the grid has no spans."""
    def setCellWidgetsOnDemand(self, on: bool = True) -> None:
        """Place the widgets of the renderCell columns for the rows in view and a few around them only."""
    def cellWidgetsOnDemand(self) -> bool:
        """Whether the grid places cell widgets for the rows in view only."""
    def _place_cell_widgets(self) -> None:
        """Place the cell widgets of the rows in and near the view; release those far out of it."""
    def updateGeometries(self) -> None:
        """Qt's, then the cell widgets on demand."""
    def verticalScrollbarValueChanged(self, value: int) -> None:
        """Qt's, then the cell widgets on demand."""
    def _fit_flex_columns(self) -> None:
        """Give each flex column its share of the width the other columns leave."""
    def setSortingEnabled(self, enable: bool) -> None:
        """Qt's; header clicks then sort through _sort_from_header."""
    def sortByColumn(self, column: int, order: Qt.SortOrder) -> None:
        """Qt's: show the sort indicator and sort once; column -1 gives back the order given."""
    def _sort_from_header(self, logicalIndex: int, order: Qt.SortOrder) -> None:
        """A header click: sort, or put the indicator back for a column that is not sortable."""
    def _column_menu(self, logicalIndex: int) -> Optional[QMenu]:
        """The header's menu for a column: sort, unsort, hide, show all (None when disabled)."""
    def _column_menu_chosen(self, action: QAction) -> None:
        """Carry out what a column menu's action stands for."""
    def _show_column_menu(self, pos: QPoint) -> None:
        """Pop the column menu up for the header section at pos."""
    def _current_row_changed(self, current: QModelIndex, previous: QModelIndex) -> None:
        """The current row's cell widgets become the Tab stops after the grid."""
    def eventFilter(self, watched: QObject, event: QEvent) -> bool:
        """Enter presses the focused button of a cell widget; Escape goes back to the grid."""
