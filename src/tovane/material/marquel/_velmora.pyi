"""Natural-order sort/filter proxy model: HumanProxyModel."""

from typing import Any, ClassVar

from PySide6.QtCore import QMetaObject, QModelIndex, QPersistentModelIndex, QSortFilterProxyModel, Qt

def _human_key(key: str) -> tuple[Any, ...]:
    """The natural-order key of a text: its runs of digits as numbers, the rest case-swapped."""

class HumanProxyModel(QSortFilterProxyModel):
    """A sort/filter proxy that orders text naturally ("item2" before "item10") and filters by columns."""

    staticMetaObject: ClassVar[QMetaObject]
    _filters: list[tuple[int, str]]
    def lessThan(
        self,
        source_left: QModelIndex | QPersistentModelIndex,
        source_right: QModelIndex | QPersistentModelIndex,
    ) -> bool:
        """Natural order for two texts (case-folded under Qt.CaseInsensitive), Qt's own order for anything else."""
    @property
    def filters(self) -> list[tuple[int, str]]:
        """The (column, substring) pairs every accepted row contains."""
    @filters.setter
    def filters(self, value: list[tuple[int, str]]) -> None: ...
    def filterAcceptsRow(self, sourceRow: int, sourceParent: QModelIndex | QPersistentModelIndex) -> bool:
        """Whether each filtered column of the row contains its substring."""
    def sort(self, column: int, order: Qt.SortOrder | None = None) -> None:
        """Sort by column (ascending unless order says otherwise), each row's value asked once."""
