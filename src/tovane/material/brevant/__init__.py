"""The widget foundation: ``PyWidgetBase`` and ``WidgetSetter`` (native module ``brevant``)."""

from .brevant import PyWidgetBase, WidgetSetter

__all__ = ["PyWidgetBase", "WidgetSetter"]
