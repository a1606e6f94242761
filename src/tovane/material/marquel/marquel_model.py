"""Table model over row records described by column definitions."""

from collections.abc import Mapping, Sequence

from PySide6.QtCore import QAbstractTableModel, QByteArray, QMimeData, QModelIndex, QObject, Qt

ROWS_MIME_TYPE = "application/x-tovane-datagrid-rows"

_ALIGNMENT = {
    "left": Qt.AlignmentFlag.AlignLeft | Qt.AlignmentFlag.AlignVCenter,
    "center": Qt.AlignmentFlag.AlignCenter,
    "right": Qt.AlignmentFlag.AlignRight | Qt.AlignmentFlag.AlignVCenter,
}
# Cells are dragged whole rows at a time; drops land between rows (items
# take no drops, so Qt shows the indicator above or below a row), or on the
# empty area below the last row (the root takes them).
_CELL_FLAGS = (Qt.ItemFlag.ItemIsSelectable | Qt.ItemFlag.ItemIsEnabled | Qt.ItemFlag.ItemIsDragEnabled
               | Qt.ItemFlag.ItemNeverHasChildren)


def _json():
    """The json module, loaded by the first drag rather than with the grid."""
    import json

    return json


def _sort_key(value):
    if value is None:
        return (2, "")
    if isinstance(value, (int, float)):
        return (0, value)
    return (1, str(value).casefold())


class DataGridModel(QAbstractTableModel):
    """``DataGridModel(grid, columns, rows)``.

    Column definitions are mappings: "field" (key of the record, or the column
    position for sequence records), "headerName", "valueGetter" (record ->
    value), "align" ("left", "center", "right"). ``_data`` holds the display
    value of every cell, one list per row. Sorting and row moves reorder a
    ``rows`` list in place, so that ``rows[r]`` stays the record of model row
    ``r``.

    Rows move by drag and drop inside the view that shows the model: the
    dragged rows go, in their order, to the place between rows where they are
    dropped. Drops from elsewhere (another model, other data) are refused.
    """

    def __init__(self, grid=None, columns=(), rows=()):
        super().__init__(grid if isinstance(grid, QObject) else None)
        self._columns = list(columns)
        self._rows = rows
        self._data = self._build()

    def _cell(self, record, column):
        definition = self._columns[column]
        getter = definition.get("valueGetter")
        if callable(getter):
            return getter(record)
        if isinstance(record, Mapping):
            return record.get(definition.get("field"))
        if isinstance(record, Sequence) and not isinstance(record, str):
            return record[column] if column < len(record) else None
        return None

    def _build(self):
        return [[self._cell(record, c) for c in range(len(self._columns))] for record in self._rows]

    def rowCount(self, parent=QModelIndex()):
        return 0 if parent.isValid() else len(self._data)

    def columnCount(self, parent=QModelIndex()):
        return 0 if parent.isValid() else len(self._columns)

    def data(self, index, role=Qt.ItemDataRole.DisplayRole):
        if not index.isValid():
            return None
        if role in (Qt.ItemDataRole.DisplayRole, Qt.ItemDataRole.EditRole):
            return self._data[index.row()][index.column()]
        if role == Qt.ItemDataRole.TextAlignmentRole:
            return _ALIGNMENT.get(self._columns[index.column()].get("align"))
        return None

    def headerData(self, section, orientation, role=Qt.ItemDataRole.DisplayRole):
        if orientation == Qt.Orientation.Horizontal and 0 <= section < len(self._columns):
            definition = self._columns[section]
            if role == Qt.ItemDataRole.DisplayRole:
                return definition.get("headerName", definition.get("field"))
            return None
        if orientation == Qt.Orientation.Vertical and role == Qt.ItemDataRole.DisplayRole:
            return section + 1
        return None

    def flags(self, index):
        return _CELL_FLAGS if index.isValid() else Qt.ItemFlag.ItemIsDropEnabled

    def sort(self, column, order=Qt.SortOrder.AscendingOrder):
        if not isinstance(self._rows, list) or not 0 <= column < len(self._columns):
            return
        self._reorder(sorted(range(len(self._rows)), key=lambda r: _sort_key(self._data[r][column]),
                             reverse=order == Qt.SortOrder.DescendingOrder))

    def _reorder(self, order):
        """Put old row ``order[i]`` at row ``i``: the records, their values and
        every persistent index (selection, cell widgets) move together."""
        if order == list(range(len(order))):
            return
        self.layoutAboutToBeChanged.emit()
        new_row = {old: new for new, old in enumerate(order)}
        self._rows[:] = [self._rows[r] for r in order]
        self._data = [self._data[r] for r in order]
        old = self.persistentIndexList()
        self.changePersistentIndexList(old, [self.index(new_row[i.row()], i.column()) for i in old])
        self.layoutChanged.emit()

    # Drag and drop --------------------------------------------------------------

    def supportedDragActions(self):
        return Qt.DropAction.MoveAction

    def supportedDropActions(self):
        return Qt.DropAction.MoveAction

    def mimeTypes(self):
        return [ROWS_MIME_TYPE]

    def mimeData(self, indexes):
        """The distinct rows of ``indexes``, ascending, with this model's identity."""
        rows = sorted({i.row() for i in indexes if i.isValid() and i.model() is self})
        data = QMimeData()
        data.setData(ROWS_MIME_TYPE, QByteArray(_json().dumps({"model": id(self), "rows": rows}).encode()))
        return data

    def _dragged_rows(self, data):
        """The rows a drag of this model carries, or None."""
        if data is None or not data.hasFormat(ROWS_MIME_TYPE):
            return None
        try:
            payload = _json().loads(bytes(data.data(ROWS_MIME_TYPE)).decode())
            rows = payload["rows"]
            if payload["model"] != id(self) or not isinstance(rows, list):
                return None
        except (ValueError, KeyError, TypeError):
            return None
        if not rows or any(type(r) is not int or not 0 <= r < len(self._data) for r in rows):
            return None
        return sorted(set(rows))

    def canDropMimeData(self, data, action, row, column, parent):
        return (action == Qt.DropAction.MoveAction and isinstance(self._rows, list)
                and self._dragged_rows(data) is not None)

    def dropMimeData(self, data, action, row, column, parent):
        """Move the dragged rows to the drop position.

        ``row`` >= 0: before that row (the row count: at the end). Dropped on a
        row (``parent`` valid): into that row's place, so the dragged rows end
        where it was; on a dragged row nothing moves. Anywhere else: at the end.
        """
        if not self.canDropMimeData(data, action, row, column, parent):
            return False
        moving = self._dragged_rows(data)
        count = len(self._data)
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
        self._reorder(rest[:at] + moving + rest[at:])
        return True
