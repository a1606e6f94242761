"""Observable values and effects bound to the lifetime of a widget."""

import weakref
from types import MethodType

from PySide6.QtCore import QObject, Signal, Slot


def _same(old, new):
    if old is new:
        return True
    if type(old) is not type(new):
        return False
    try:
        return bool(old == new)
    except Exception:  # objects whose comparison fails or is ambiguous
        return False


class State(QObject):
    """An observable value: ``valueChanged`` carries the new value after each change.

    Assigning the same object, or an equal value of the same type, emits
    nothing (1 -> True does emit); after mutating a held object call ``notify()``.
    """

    valueChanged = Signal(object)

    def __init__(self, initial=None, parent=None):
        super().__init__(parent)
        self._value = initial

    @property
    def value(self):
        return self._value

    @value.setter
    def value(self, new):
        if _same(self._value, new):
            return
        self._value = new
        self.valueChanged.emit(new)

    def notify(self):
        """Emit ``valueChanged`` with the current value."""
        self.valueChanged.emit(self._value)

    def __repr__(self):
        return f"State({self._value!r})"


class _Effect(QObject):
    """Runs a callback for its dependencies; dies with its parent widget."""

    def __init__(self, callback, parent):
        super().__init__(parent)
        # A bound method of the parent is held weakly, so that the effect (kept
        # alive by its Qt parent) does not keep the parent's wrapper alive.
        if isinstance(callback, MethodType) and parent is not None and callback.__self__ is parent:
            self._callback = weakref.WeakMethod(callback)
        else:
            self._callback = lambda: callback
        self._disposed = False

    @Slot()
    def run(self):
        fn = None if self._disposed else self._callback()
        if fn is not None:
            fn()

    def dispose(self):
        """Stop reacting; the callback is not called again."""
        self._disposed = True


def useEffect(callback, dependencies=(), component=None):
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
