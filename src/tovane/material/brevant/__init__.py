from .brevant import PyWidgetBase, WidgetSetter
