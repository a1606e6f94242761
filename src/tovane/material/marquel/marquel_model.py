"""Table model over row records described by column definitions."""

from __future__ import annotations

import datetime
from collections.abc import Mapping, MutableSequence, Sequence
from typing import Any

from PySide6.QtCore import (QAbstractItemModel, QAbstractTableModel, QByteArray, QDate, QLocale, QMimeData,
                            QModelIndex, QObject, QPersistentModelIndex, Qt)

from ._grid_sort import column_values, moved_rows, permuted, sort_order

# The words a yes/no column takes as an edit (case-folded).
_TRUE_WORDS = frozenset({"true", "yes", "on", "1"})
_FALSE_WORDS = frozenset({"false", "no", "off", "0", ""})

ROWS_MIME_TYPE = "application/x-tovane-datagrid-rows"

# Looked up with a definition's "align" or "headerAlign", None when it has none.
_ALIGNMENT: dict[str | None, Qt.AlignmentFlag] = {
    "left": Qt.AlignmentFlag.AlignLeft | Qt.AlignmentFlag.AlignVCenter,
    "center": Qt.AlignmentFlag.AlignCenter,
    "right": Qt.AlignmentFlag.AlignRight | Qt.AlignmentFlag.AlignVCenter,
}
# Cells are dragged whole rows at a time; drops land between rows (items
# take no drops, so Qt shows the indicator above or below a row), or on the
# empty area below the last row (the root takes them).
_CELL_FLAGS = (Qt.ItemFlag.ItemIsSelectable | Qt.ItemFlag.ItemIsEnabled | Qt.ItemFlag.ItemIsDragEnabled
               | Qt.ItemFlag.ItemNeverHasChildren)
_EDITABLE_FLAGS = _CELL_FLAGS | Qt.ItemFlag.ItemIsEditable
_TYPES = ("string", "number", "date", "boolean")
CHECK_MARK = "\u2713"

# Roles as the ints Qt passes to data() and headerData().
_DISPLAY = Qt.ItemDataRole.DisplayRole.value
_EDIT = Qt.ItemDataRole.EditRole.value
_ALIGN = Qt.ItemDataRole.TextAlignmentRole.value
_TOOLTIP = Qt.ItemDataRole.ToolTipRole.value
_INITIAL_SORT = Qt.ItemDataRole.InitialSortOrderRole.value
_ROOT = QModelIndex()
_LAYOUT_SIGNATURE = "QList<QPersistentModelIndex>,QAbstractItemModel::LayoutChangeHint"


def _json() -> Any:
    """The json module, loaded by the first drag rather than with the grid."""
    import json

    return json


def _fits(value: Any, kind: str) -> bool:
    """Whether a value is of its column's type."""
    if kind == "number":
        return isinstance(value, (int, float))
    if kind == "date":
        return isinstance(value, datetime.date)
    if kind == "boolean":
        return isinstance(value, bool)
    return True


class Column:
    """One column definition, read once: what the model asks of it per cell."""

    __slots__ = ("index", "definition", "field", "getter", "formatter", "setter", "kind", "align", "header",
                 "header_align", "description", "sortable", "editable")

    def __init__(self, index: int, definition: Mapping[str, Any]) -> None:
        get = definition.get
        self.index = index
        self.definition = definition
        self.field = get("field")
        getter = get("valueGetter")
        self.getter = getter if callable(getter) else None
        formatter = get("valueFormatter")
        self.formatter = formatter if callable(formatter) else None
        setter = get("valueSetter")
        self.setter = setter if callable(setter) else None
        kind = get("type", "string")
        self.kind = kind if kind in _TYPES else "string"
        align = get("align")
        if align is None and self.kind == "number":
            align = "right"
        elif align is None and self.kind == "boolean":
            align = "center"
        self.align = _ALIGNMENT.get(align)
        self.header = get("headerName", self.field)
        self.header_align = _ALIGNMENT.get(get("headerAlign"))
        self.description = get("description")
        self.sortable = get("sortable", True) is not False
        self.editable = get("editable") is True

    def value(self, record: Any) -> Any:
        """The cell's value: what sorts, what an editor starts from."""
        if self.getter is not None:
            return self.getter(record)
        if type(record) is dict:  # before the slower ABC check below
            return record.get(self.field)
        if isinstance(record, Mapping):
            return record.get(self.field)
        if isinstance(record, Sequence) and not isinstance(record, str):
            return record[self.index] if self.index < len(record) else None
        return None

    def display(self, value: Any) -> Any:
        """What the cell shows for its value."""
        if self.formatter is not None:
            return str(self.formatter(value))
        kind = self.kind
        if kind == "string" or value is None:
            return value
        if not _fits(value, kind):
            return str(value)
        if kind == "date":
            return QLocale().toString(QDate(value.year, value.month, value.day), QLocale.FormatType.ShortFormat)
        if kind == "boolean":
            return CHECK_MARK if value else ""
        return value


class _CellValues(Sequence[list[Any]]):
    """The model's ``_data``: row ``r`` is the list of row ``r``'s cell values.

    Nothing is stored: a row's values are read from its record when the row
    is asked for, so they are always those of the record now in that row.
    """

    __slots__ = ("_model",)

    def __init__(self, model: DataGridModel) -> None:
        self._model = model

    def __len__(self) -> int:
        return len(self._model._rows)

    def __getitem__(self, row: Any) -> Any:
        if isinstance(row, slice):
            return [self[r] for r in range(*row.indices(len(self)))]
        record = self._model._rows[row]
        return [column.value(record) for column in self._model._specs]

    def __repr__(self) -> str:
        return f"<cell values of {len(self)} rows>"


class DataGridModel(QAbstractTableModel):
    """``DataGridModel(grid, columns, rows)``.

    Column definitions are mappings: "field" (key of the record, or the column
    position for sequence records), "headerName", "valueGetter" (record ->
    value), "valueFormatter" (value -> text shown), "type" ("string",
    "number", "date", "boolean"), "align" and "headerAlign" ("left", "center",
    "right"), "description" (the header's tool tip), "sortable",
    "editable" and "valueSetter" (value, record -> new record or None).

    The records are read when a cell is shown: nothing is built per row.
    ``_data[r]`` is the list of row ``r``'s values. The rows show in the order
    given until sorted; sorting (natural, case-insensitive, None last,
    stable) and row moves reorder ``rows`` in place (when it is a list), so
    that ``rows[r]`` stays the record of model row ``r``, and every persistent
    index (the selection, cell widgets) moves with its record. Sorting by
    column -1 restores the order given.

    Rows move by drag and drop inside the view that shows the model: the
    dragged rows go, in their order, to the place between rows where they are
    dropped. Drops from elsewhere (another model, other data) are refused.
    """

    def __init__(self, grid: Any = None, columns: Sequence[Mapping[str, Any]] = (),
                 rows: Sequence[Any] = ()) -> None:
        super().__init__(grid if isinstance(grid, QObject) else None)
        self._columns = list(columns)
        self._specs = [Column(i, definition) for i, definition in enumerate(self._columns)]
        self._rows = rows
        self._data = _CellValues(self)
        self._origin: list[int] | None = None  # the given position of each row's record, once sorted
        self._sort_column, self._sort_order = -1, Qt.SortOrder.AscendingOrder

    # The table ---------------------------------------------------------------

    def rowCount(self, parent: QModelIndex | QPersistentModelIndex = _ROOT) -> int:
        return 0 if parent.isValid() else len(self._rows)

    def columnCount(self, parent: QModelIndex | QPersistentModelIndex = _ROOT) -> int:
        return 0 if parent.isValid() else len(self._specs)

    def data(self, index: QModelIndex | QPersistentModelIndex, role: int = _DISPLAY) -> Any:
        if role == _DISPLAY or role == _EDIT:
            row = index.row()
            if row < 0:
                return None
            column = self._specs[index.column()]
            value = column.value(self._rows[row])
            return value if role == _EDIT else column.display(value)
        if role == _ALIGN:
            column_index = index.column()
            return self._specs[column_index].align if column_index >= 0 else None
        return None

    def headerData(self, section: int, orientation: Qt.Orientation, role: int = _DISPLAY) -> Any:
        if orientation == Qt.Orientation.Horizontal and 0 <= section < len(self._specs):
            column = self._specs[section]
            if role == _DISPLAY:
                return column.header
            if role == _TOOLTIP:
                return column.description
            if role == _ALIGN:
                return column.header_align
            if role == _INITIAL_SORT:
                return Qt.SortOrder.AscendingOrder.value
            return None
        if orientation == Qt.Orientation.Vertical and role == _DISPLAY:
            return section + 1
        return None

    def flags(self, index: QModelIndex | QPersistentModelIndex) -> Qt.ItemFlag:
        if not index.isValid():
            return Qt.ItemFlag.ItemIsDropEnabled
        return _EDITABLE_FLAGS if self._specs[index.column()].editable else _CELL_FLAGS

    def record(self, row: int) -> Any:
        """The record of a row."""
        return self._rows[row]

    # Editing -----------------------------------------------------------------

    def parse(self, column: int, value: Any) -> Any:
        """An edited value as the column's type has it; ValueError when it is
        not one (a number column refuses text that is not a number)."""
        kind = self._specs[column].kind
        if kind == "number" and isinstance(value, str):
            text = value.strip()
            try:
                return int(text)
            except ValueError:
                return float(text)  # raises ValueError for text that is no number
        if kind == "number" and not isinstance(value, (int, float)):
            raise ValueError(f"not a number: {value!r}")
        if kind == "date" and isinstance(value, QDate):
            return datetime.date(value.year(), value.month(), value.day())
        if kind == "date" and isinstance(value, str):
            return datetime.date.fromisoformat(value.strip())
        if kind == "boolean" and isinstance(value, str):
            word = value.strip().casefold()
            if word in _TRUE_WORDS or word in _FALSE_WORDS:
                return word in _TRUE_WORDS
            raise ValueError(f"not yes or no: {value!r}")
        if kind == "boolean" and not isinstance(value, bool):
            return bool(value)
        return value

    def setData(self, index: QModelIndex | QPersistentModelIndex, value: Any, role: int = _EDIT) -> bool:
        """Commit an edit: the value is parsed for the column's type, then
        ``valueSetter(value, record)`` (whose result, when not None, replaces
        the record) or, for a mapping record, its field is set."""
        if not index.isValid() or role != _EDIT:
            return False
        row, column = index.row(), index.column()
        spec = self._specs[column]
        if not spec.editable:
            return False
        try:
            value = self.parse(column, value)
        except ValueError:
            return False
        record = self._rows[row]
        if spec.setter is not None:
            replaced = spec.setter(value, record)
            if replaced is not None:
                if not isinstance(self._rows, MutableSequence):
                    return False  # rows given as a tuple cannot take a new record
                self._rows[row] = replaced
        elif isinstance(record, dict) or (isinstance(record, Mapping) and hasattr(record, "__setitem__")):
            record[spec.field] = value
        else:
            return False
        self.dataChanged.emit(index.sibling(row, 0), index.sibling(row, len(self._specs) - 1))
        if self._sort_column >= 0:  # the edited row goes where the sort puts it
            self.sort(self._sort_column, self._sort_order)
        return True

    # Sorting -------------------------------------------------------------------

    def sort(self, column: int, order: Qt.SortOrder = Qt.SortOrder.AscendingOrder) -> None:
        """Sort the rows by a column's values (see the class); column -1 gives
        back the order given. (The grid keeps a click on the header of a
        column that is not sortable from coming here.)"""
        if not isinstance(self._rows, list):
            return
        if not 0 <= column < len(self._specs):
            if self._origin is not None:
                self._reorder(sort_order(self._origin))
            self._sort_column = -1
            return
        spec = self._specs[column]
        values = column_values(self._rows, column, spec.field, spec.getter)
        self._reorder(sort_order(values, order == Qt.SortOrder.DescendingOrder, spec.kind))
        self._sort_column, self._sort_order = column, order

    def _reorder(self, order: list[int]) -> None:
        """Put old row ``order[i]`` at row ``i``: the records and every
        persistent index (selection, cell widgets) move together."""
        rows = self._rows
        if len(order) != len(rows):
            return
        hint = QAbstractItemModel.LayoutChangeHint.VerticalSortHint
        # With the vertical-sort hint the selection model keeps one persistent
        # index per selected row, not one per selected cell.
        # (PySide's stubs do not know that a signal's overloads are picked by subscript.)
        self.layoutAboutToBeChanged[_LAYOUT_SIGNATURE].emit([], hint)  # type: ignore[index]
        assert isinstance(rows, list)
        rows[:] = permuted(rows, order)
        self._origin = permuted(self._origin, order) if self._origin is not None else list(order)
        old = self.persistentIndexList()
        if old:
            index = self.index
            rows_now = moved_rows(order, [i.row() for i in old])
            self.changePersistentIndexList(old, [index(r, i.column()) for r, i in zip(rows_now, old)])
        self.layoutChanged[_LAYOUT_SIGNATURE].emit([], hint)  # type: ignore[index]

    # Drag and drop --------------------------------------------------------------

    def supportedDragActions(self) -> Qt.DropAction:
        return Qt.DropAction.MoveAction

    def supportedDropActions(self) -> Qt.DropAction:
        return Qt.DropAction.MoveAction

    def mimeTypes(self) -> list[str]:
        return [ROWS_MIME_TYPE]

    def mimeData(self, indexes: Sequence[QModelIndex]) -> QMimeData:
        """The distinct rows of ``indexes``, ascending, with this model's identity."""
        rows = sorted({i.row() for i in indexes if i.isValid() and i.model() is self})
        data = QMimeData()
        data.setData(ROWS_MIME_TYPE, QByteArray(_json().dumps({"model": id(self), "rows": rows}).encode()))
        return data

    def _dragged_rows(self, data: QMimeData | None) -> list[int] | None:
        """The rows a drag of this model carries, or None. A payload that
        cannot be read (whatever reading it raises, a nesting too deep for
        the parser included) is refused."""
        if data is None or not data.hasFormat(ROWS_MIME_TYPE):
            return None
        try:
            # QByteArray is a buffer, which PySide's stubs do not say.
            payload = _json().loads(bytes(data.data(ROWS_MIME_TYPE)).decode())  # type: ignore[call-overload]
            rows = payload["rows"]
            if payload["model"] != id(self) or not isinstance(rows, list):
                return None
        except Exception:  # noqa: BLE001 - any malformed payload is refused
            return None
        if not rows or any(type(r) is not int or not 0 <= r < len(self._rows) for r in rows):
            return None
        return sorted(set(rows))

    def canDropMimeData(self, data: QMimeData | None, action: Qt.DropAction, row: int, column: int,
                        parent: QModelIndex | QPersistentModelIndex) -> bool:
        return (action == Qt.DropAction.MoveAction and isinstance(self._rows, list)
                and self._dragged_rows(data) is not None)

    def dropMimeData(self, data: QMimeData | None, action: Qt.DropAction, row: int, column: int,
                     parent: QModelIndex | QPersistentModelIndex) -> bool:
        """Move the dragged rows to the drop position.

        ``row`` >= 0: before that row (the row count: at the end). Dropped on a
        row (``parent`` valid): into that row's place, so the dragged rows end
        where it was; on a dragged row nothing moves. Anywhere else: at the end.
        """
        if not self.canDropMimeData(data, action, row, column, parent):
            return False
        moving = self._dragged_rows(data)
        assert moving is not None
        count = len(self._rows)
        if parent.isValid():
            target = parent.row()
            if target in moving:
                return True
            destination = target if target < moving[0] else target + 1
        elif 0 <= row <= count:
            destination = row
        else:
            destination = count
        moved = set(moving)
        rest = [r for r in range(count) if r not in moved]
        at = destination - sum(1 for r in moving if r < destination)
        order = rest[:at] + moving + rest[at:]
        if order != list(range(count)):
            self._reorder(order)
            # The rows are in the order the user dragged them to now: a later
            # edit does not sort them back.
            self._sort_column = -1
        return True
