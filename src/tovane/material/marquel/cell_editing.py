"""In-place editing of the data grid's editable columns."""

from __future__ import annotations

from typing import Any

from PySide6.QtCore import QAbstractProxyModel, QEvent, QModelIndex, QObject, QPersistentModelIndex, Qt
from PySide6.QtWidgets import QLineEdit, QStyledItemDelegate, QStyleOptionViewItem, QWidget

from tovane.material.styles import set_style_property, useTheme

# The keys that commit an edit (Tab and Shift+Tab move on to the next cell).
_COMMIT = (Qt.Key.Key_Return, Qt.Key.Key_Enter, Qt.Key.Key_Tab, Qt.Key.Key_Backtab)


def source_index(index: QModelIndex | QPersistentModelIndex) -> QModelIndex:
    """An index mapped through every proxy down to the model under them."""
    # PySide converts a persistent index, which its stubs do not say.
    index = QModelIndex(index)  # type: ignore[arg-type]
    model = index.model()
    while isinstance(model, QAbstractProxyModel):
        index = model.mapToSource(index)
        model = index.model()
    return index


class CellDelegate(QStyledItemDelegate):
    """Edits a cell of an editable column in place: double-click, F2 or
    typing start the editor, Enter (or Tab, moving on) commits, Escape
    cancels.

    Text and number columns are edited as text; a text that the column's
    type does not take (one that is no number, in a number column) is not
    committed: the editor stays open, in the error style, until it is
    mended or cancelled. Date and yes/no columns get Qt's own editors. The
    value reaches the grid's model through ``setData``, which parses it for
    the column's type and stores it (see ``DataGridModel.setData``).
    """

    def __init__(self, parent: QObject | None = None) -> None:
        super().__init__(parent)
        self._editing: dict[int, QPersistentModelIndex] = {}

    @staticmethod
    def _parser(index: QModelIndex | QPersistentModelIndex) -> tuple[Any, int]:
        source = source_index(index)
        return source.model(), source.column()

    def _as_text(self, index: QModelIndex | QPersistentModelIndex) -> bool:
        model, column = self._parser(index)
        specs = getattr(model, "_specs", None)
        return specs is not None and 0 <= column < len(specs) and specs[column].kind in ("string", "number")

    def createEditor(self, parent: QWidget, option: QStyleOptionViewItem,
                     index: QModelIndex | QPersistentModelIndex) -> QWidget:
        if not self._as_text(index):
            return super().createEditor(parent, option, index)
        editor = QLineEdit(parent)
        editor.setFrame(False)
        # Opaque over the cell it edits (the grid itself is transparent).
        p = useTheme().palette
        editor.setStyleSheet(f"QLineEdit {{ background-color: {p.background.paper}; color: {p.text.primary};"
                             f" border: 2px solid {p.primary.main}; padding: 0px 4px; }}"
                             f' QLineEdit[error="true"] {{ border-color: {p.error.main}; }}')
        self._editing[id(editor)] = QPersistentModelIndex(index)
        editor.destroyed.connect(lambda _=None, key=id(editor): self._editing.pop(key, None))
        editor.textEdited.connect(lambda _text, e=editor: self._mended(e))
        return editor

    def setEditorData(self, editor: QWidget, index: QModelIndex | QPersistentModelIndex) -> None:
        if isinstance(editor, QLineEdit) and id(editor) in self._editing:
            value = index.data(Qt.ItemDataRole.EditRole)
            editor.setText("" if value is None else str(value))
            return
        super().setEditorData(editor, index)

    def setModelData(self, editor: QWidget, model: Any, index: QModelIndex | QPersistentModelIndex) -> None:
        if isinstance(editor, QLineEdit) and id(editor) in self._editing:
            model.setData(index, editor.text(), Qt.ItemDataRole.EditRole)
            return
        super().setModelData(editor, model, index)

    @staticmethod
    def _mended(editor: QLineEdit) -> None:
        set_style_property(editor, "error", "false")
        editor.setToolTip("")

    def accepts(self, editor: QLineEdit) -> bool:
        """Whether the column's type takes the editor's text."""
        index = self._editing.get(id(editor))
        if index is None or not index.isValid():
            return True
        model, column = self._parser(index)
        try:
            model.parse(column, editor.text())
        except ValueError:
            return False
        return True

    def eventFilter(self, editor: QObject, event: QEvent) -> bool:
        if (isinstance(editor, QLineEdit) and event.type() == QEvent.Type.KeyPress
                and event.key() in _COMMIT and not self.accepts(editor)):  # type: ignore[attr-defined]
            set_style_property(editor, "error", "true")
            editor.setToolTip("Not a value of this column's type")
            return True  # the key taken: the editor stays open
        return super().eventFilter(editor, event)
