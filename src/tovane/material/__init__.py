"""Material widgets. Importing this package registers the package's Qt resources.

``PyWidgetBase`` and ``WidgetSetter`` are offered here too; they are loaded
on first use, so that a widget that does not build on them (the switch, the
time picker, the proxy model, the slider demonstration) does not load the
widget foundation and asyncio with it.
"""

from tovane import resources as _resources  # noqa: F401  (registers the icon resources)

__all__ = ["PyWidgetBase", "WidgetSetter"]


def __getattr__(name):
    if name in __all__:
        from . import brevant

        value = getattr(brevant, name)
        globals()[name] = value
        return value
    raise AttributeError(f"module {__name__!r} has no attribute {name!r}")


def __dir__():
    return sorted({*globals(), *__all__})
