"""Two-phase component model: construct (store parameters), then renderUi."""

from __future__ import annotations

from typing import TYPE_CHECKING, Any

import shiboken6
from PySide6.QtCore import QObject
from PySide6.QtWidgets import QWidget

if TYPE_CHECKING:
    from tovane.material.styles import Theme

    # To a type checker the mixin is the widget it is mixed into.
    _WidgetMixin = QWidget
else:
    _WidgetMixin = object


class RenderContext:
    """What a render pass hands to the components it builds (theme, shared values)."""

    def __init__(self, theme: Theme | None = None, **values: Any) -> None:
        self.theme = theme
        self.values = dict(values)

    def render(self, child: object, parent: QWidget | None = None) -> QWidget | None:
        """Build ``child`` and return its widget: a Component (or anything with
        ``renderUi``) is rendered with ``parent``, a QWidget is itself, else None."""
        if isinstance(child, Component) or hasattr(child, "renderUi"):
            rendered: QWidget | None = child.renderUi(self, parent=parent)
            return rendered
        if isinstance(child, QWidget):
            if parent is not None and child.parentWidget() is not parent:
                child.setParent(parent)
            return child
        return None


class Component(_WidgetMixin):
    """Mixin placed after a Qt widget class: ``Widget(QPushButton, Component)``.

    The constructor only stores parameters; ``renderUi(ctx, parent)`` initialises
    the Qt half and builds the widget. PySide calls this ``__init__`` again,
    with keywords only, whenever the Qt initialiser runs: keywords are merged
    into ``_props`` and nothing stored before is dropped.
    """

    _props: dict[str, Any]  # the keyword parameters given

    def __init__(self, *args: Any, **kwargs: Any) -> None:
        self.__dict__.setdefault("_props", {}).update(kwargs)
        if args:
            self._props_args = args
        mro = type(self).__mro__
        following = mro[mro.index(Component) + 1]
        if following is object:
            super().__init__()
        else:  # cooperative: hand the keywords to the next mixin (a serializer)
            super().__init__(**kwargs)

    def _initQt(self, parent: QWidget | None = None) -> None:
        """Initialise the Qt half once (with ``parent``); later calls only re-parent."""
        if shiboken6.isValid(self):
            if parent is not None and self.parent() is not parent:
                self.setParent(parent)
            return
        if self.__dict__.get("_qt_initialised"):
            raise RuntimeError(f"the Qt object of this {type(self).__name__} has been deleted")
        qt_class = next((c for c in type(self).__mro__
                         if c.__module__.startswith("PySide6.") and issubclass(c, QObject)), None)
        if qt_class is None:
            raise TypeError(f"{type(self).__name__} has no Qt base class to initialise")
        qt_class.__init__(self, parent)
        self._qt_initialised = True

    def renderUi(self, ctx: RenderContext | None = None, parent: QWidget | None = None) -> QWidget:
        """Default build: initialise the Qt half, name the widget, return it."""
        self._initQt(parent)
        if not self.objectName():
            self.setObjectName(f"{type(self).__name__}-{id(self)}")
        return self
