"""Table model over row records described by column definitions."""

from collections.abc import Mapping, Sequence

from PySide6.QtCore import QAbstractTableModel, QModelIndex, QObject, Qt

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
    value). ``_data`` holds the display value
    of every cell, one list per row. Sorting reorders a ``rows`` list in place,
    so that ``rows[r]`` stays the record of model row ``r``.
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

    def sort(self, column, order=Qt.SortOrder.AscendingOrder):
        if not isinstance(self._rows, list) or not 0 <= column < len(self._columns):
            return
        self.layoutAboutToBeChanged.emit()
        order_ = sorted(range(len(self._rows)), key=lambda r: _sort_key(self._data[r][column]),
                        reverse=order == Qt.SortOrder.DescendingOrder)
        new_row = {old: new for new, old in enumerate(order_)}
        self._rows[:] = [self._rows[r] for r in order_]
        self._data = [self._data[r] for r in order_]
        old = self.persistentIndexList()
        self.changePersistentIndexList(old, [self.index(new_row[i.row()], i.column()) for i in old])
        self.layoutChanged.emit()
