"""The data grid: DataGrid, a table view with a frozen last column, row drag and drop and cell widgets."""

# The annotations are the module's own texts, bare generics (Callable, Dict, State) included.
# mypy: disable-error-code="type-arg"

from typing import Any, Callable, ClassVar, Mapping, Optional, Sequence

from PySide6.QtCore import QAbstractItemModel, QMetaObject, QModelIndex, QPersistentModelIndex, Qt, Signal
from PySide6.QtGui import QDropEvent, QPainter, QResizeEvent
from PySide6.QtWidgets import (QAbstractItemDelegate, QAbstractItemView, QHeaderView, QProxyStyle, QStyle, QStyleOption,
                               QTableView, QWidget)

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
