"""Observable values and effects bound to the lifetime of a widget."""

from __future__ import annotations

import weakref
from collections.abc import Callable, Iterable
from types import MethodType
from typing import Any, Generic, TypeVar, overload

from PySide6.QtCore import QObject, Signal, Slot


T = TypeVar("T")


def _same(old: object, new: object) -> bool:
    if old is new:
        return True
    if type(old) is not type(new):
        return False
    try:
        return bool(old == new)
    except Exception:  # objects whose comparison fails or is ambiguous
        return False


class State(QObject, Generic[T]):
    """An observable value: ``valueChanged`` carries the new value after each change.

    Assigning the same object, or an equal value of the same type, emits
    nothing (1 -> True does emit); after mutating a held object call ``notify()``.
    ``State[int]`` is the type of a State holding an int (``State(0)`` is
    inferred as one).
    """

    valueChanged = Signal(object)

    @overload
    def __init__(self: State[Any], initial: None = None, parent: QObject | None = None) -> None: ...
    @overload
    def __init__(self, initial: T, parent: QObject | None = None) -> None: ...
    def __init__(self, initial: Any = None, parent: QObject | None = None) -> None:
        super().__init__(parent)
        self._value: T = initial

    @property
    def value(self) -> T:
        """The current value; assigning a different one emits ``valueChanged``."""
        return self._value

    @value.setter
    def value(self, new: T) -> None:
        if _same(self._value, new):
            return
        self._value = new
        self.valueChanged.emit(new)

    def notify(self) -> None:
        """Emit ``valueChanged`` with the current value."""
        self.valueChanged.emit(self._value)

    def __repr__(self) -> str:
        return f"State({self._value!r})"


class _Effect(QObject):
    """Runs a callback for its dependencies; dies with its parent widget."""

    def __init__(self, callback: Callable[[], object], parent: QObject | None) -> None:
        super().__init__(parent)
        # A bound method of the parent is held weakly, so that the effect (kept
        # alive by its Qt parent) does not keep the parent's wrapper alive.
        self._callback: Callable[[], Callable[[], object] | None]
        if isinstance(callback, MethodType) and parent is not None and callback.__self__ is parent:
            self._callback = weakref.WeakMethod(callback)
        else:
            self._callback = lambda: callback
        self._disposed = False

    @Slot()
    def run(self) -> None:
        fn = None if self._disposed else self._callback()
        if fn is not None:
            fn()

    def dispose(self) -> None:
        """Stop reacting; the callback is not called again."""
        self._disposed = True


def useEffect(callback: Callable[[], object], dependencies: Iterable[object] | None = (),
              component: object = None) -> _Effect:
    """Run ``callback()`` now and after each change of any dependency.

    Dependencies are objects with a ``valueChanged`` signal (``State``, the
    theme's ``state``); other values never change and are ignored. With a
    QObject ``component`` the effect is a Qt child of it and is disconnected
    when the component is destroyed. Returns the effect (``dispose()`` stops it).
    """
    if not callable(callback):
        raise TypeError(f"useEffect() callback must be callable, got {type(callback).__name__}")
    sources = [d for d in (dependencies or ()) if hasattr(d, "valueChanged")]
    owner = component if isinstance(component, QObject) else None
    if owner is None:  # no widget to die with: live as long as the first dependency
        owner = next((d for d in sources if isinstance(d, QObject)), None)
    effect = _Effect(callback, owner)
    for dep in sources:
        dep.valueChanged.connect(effect.run)
    effect.run()
    return effect
