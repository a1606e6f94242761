"""Row orders of the data grid's model: natural, by kind of value, stable."""

from collections.abc import Callable, Iterable, Sequence
from typing import Any, TypeVar

_T = TypeVar("_T")

def column_values(records: Iterable[Any], column: int, field: Any = None,
                  getter: Callable[[Any], Any] | None = None) -> list[Any]:
    """The value of one column for each record, as the grid's model shows it."""
def sort_order(values: Sequence[Any], descending: bool = False, kind: str = "string") -> list[int]:
    """The positions of values in sorted order: by kind, naturally, None last; stable."""
def permuted(items: Sequence[_T], order: Sequence[int]) -> list[_T]:
    """[items[i] for i in order]."""
def moved_rows(order: Sequence[int], rows: Sequence[int]) -> list[int]:
    """Where each of rows went when old row order[i] became row i."""
