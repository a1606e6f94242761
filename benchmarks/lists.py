"""Speed of the list item button's and helper text's styling against the same
composition written in Python.

    PYTHONPATH=src python benchmarks/lists.py        # from a checkout
    python benchmarks/lists.py                       # with tovane installed

One run, medians of interleaved repeats, and their ratios:

  restyle  1,000 rendered list items (a shared selected key, every fourth
           dense) and a theme switch: the time until every item has its new
           style sheet (the theme clears the caches, the effects rebuild the
           sheets), ListItemButton against a Python class of the same
           composition. Each set follows a theme of its own, so a switch
           restyles only the set being measured;
  compose  one call of the cached builders with a cold cache (cleared before
           each call) and a warm one (a hit): ListItemButton._getStyleSheet
           and FormHelperText._get_stylesheet against their Python versions.
"""

import argparse
import ast
import os
import statistics
import sys
import time
from functools import lru_cache
from typing import Callable

os.environ.setdefault("QT_QPA_PLATFORM", "offscreen")

import PySide6  # noqa: E402
import shiboken6  # noqa: E402
from PySide6.QtCore import Qt  # noqa: E402
from PySide6.QtWidgets import QApplication, QHBoxLayout, QLabel, QPushButton, QWidget  # noqa: E402

from tovane.hooks import State, useEffect  # noqa: E402
from tovane.material.component import Component, RenderContext  # noqa: E402
from tovane.material.drevasse import drevasse  # noqa: E402
from tovane.material.list_item_checkbox import ListItemCheckbox  # noqa: E402
from tovane.material.selvon import selvon  # noqa: E402
from tovane.material.selvon._serializer import Serializer  # noqa: E402
from tovane.material.styles import Theme, get_qss_style  # noqa: E402
from tovane.utils.data import deep_merge  # noqa: E402

ListItemButton = selvon.ListItemButton
FormHelperText = drevasse.FormHelperText

# --- the same composition in Python ---------------------------------------------

_python_theme = None


def python_theme():
    return _python_theme


class PythonListItemButton(QPushButton, Component, Serializer):
    def __init__(self, parent=None, *args, **kwargs):
        self._kwargs = {**kwargs, "size": self._size if self._size else "medium"}
        self.kwargs = kwargs
        Serializer.__init__(self, **self._kwargs)

    def renderUi(self, ctx, parent=None):
        super().__init__(parent)
        self.setObjectName(f"ListItemButton-{id(self)}")
        self.destroyed.connect(_forget_rules)
        if self._sx:
            self._setSx(self._sx)
        self._setKwargs(self._kwargs)
        self.setDisabled(self._disabled)
        self.setLayout(QHBoxLayout())
        self.layout().setContentsMargins(0, 0, 0, 0)
        self.setMinimumHeight(38)
        self.setCursor(Qt.CursorShape.PointingHandCursor)
        if self._minHeight:
            self.setMinimumHeight(self._minHeight)
        if self._selectedKey and isinstance(self._selectedKey, State):
            useEffect(self._set_selected, [self._selectedKey], component=self)
        if isinstance(self._selected, State):
            useEffect(self._set_selected, [self._selected], component=self)
        children = self._get_children()
        if isinstance(children, list):
            for child in children:
                if isinstance(child, Component) or hasattr(child, "renderUi"):
                    widget = child.renderUi(ctx, parent=self)
                elif isinstance(child, QWidget):
                    widget = child
                else:
                    widget = None
                if widget is not None:
                    self.layout().addWidget(widget)
        if self.findChildren(ListItemCheckbox):
            self._set_selected_key()
        self.theme = python_theme()
        useEffect(self._setStyleSheet, [self.theme.state], component=self)
        return self

    @classmethod
    def _setSx(cls, sx):
        cls.sxDict = sx

    @classmethod
    def _setKwargs(cls, kwargs: dict = {}):
        if type(kwargs) is not dict:
            raise TypeError("Argument 'kwargs' has incorrect type")
        cls.ownerState = kwargs

    def _set_selected_key(self, value=None):
        self._setStyleSheet()

    def _set_selected(self, value=None):
        self._setStyleSheet()

    def focusInEvent(self, event):
        super().focusInEvent(event)
        if self._focusVisibleClassName:
            rule = f" {self._focusVisibleClassName} {{ outline: 1px solid #000; }}"
            if not self.styleSheet().endswith(rule):
                self.setStyleSheet(self.styleSheet() + rule)

    def focusOutEvent(self, event):
        super().focusOutEvent(event)
        if self._focusVisibleClassName:
            rule = f" {self._focusVisibleClassName} {{ outline: 1px solid #000; }}"
            sheet = self.styleSheet()
            if sheet.endswith(rule):
                self.setStyleSheet(sheet[:-len(rule)])

    def mouseReleaseEvent(self, event):
        if self._onClick:
            try:
                self._onClick(self._key)
            except Exception:
                self._onClick()
        super().mouseReleaseEvent(event)

    @classmethod
    @lru_cache(maxsize=128)
    def _getStyleSheet(cls, objectName: str, styledConfig: str = "ListItemButton"):
        if type(objectName) is not str or type(styledConfig) is not str:
            raise TypeError("Argument has incorrect type")
        theme = python_theme()
        components = deep_merge(theme.components, cls.styledDict) if hasattr(cls, "styledDict") else theme.components
        ownerState = cls.ownerState if hasattr(cls, "ownerState") and cls.ownerState else {}
        root = components["MuiListItemButton"].get("styles")["root"](ownerState)
        root_qss = get_qss_style(root)
        hover_qss = get_qss_style(root["slots"]["hover"])
        selected_qss = get_qss_style(root["slots"]["selected"])
        selected_hover_qss = get_qss_style(root["slots"]["selected"]["hover"])
        divider_qss = get_qss_style(root["props"]["divider"])
        gutters_qss = get_qss_style(root["props"]["disableGutters"])
        active_qss = active_hover_qss = ""
        if root["props"].get("active"):
            active_qss = get_qss_style(root["props"]["active"])
            active_hover_qss = get_qss_style(root["props"]["active"]["slots"]["hover"])
        return f"""
                #{objectName} {{
                    {root_qss}
                }}
                #{objectName}:hover {{
                    {hover_qss}
                }}

                #{objectName}[selected=true] {{
                    {selected_qss}
                }}
                #{objectName}[selected=true]:hover {{
                    {selected_hover_qss}
                }}
                #{objectName}[divider=true] {{
                    {divider_qss}
                }}
                #{objectName}[disableGutters=true] {{
                    {gutters_qss}
                }}
                #{objectName}[active=true] {{
                    {active_qss}
                }}
                #{objectName}[active=true]:hover {{
                    {active_hover_qss}
                }}
{" " * 16}
                """

    @classmethod
    @lru_cache(maxsize=128)
    def _getSxQss(cls, sxStr: str = "", className: str = "Box"):
        result = ""
        try:
            result = get_qss_style(ast.literal_eval(sxStr), class_name=className)
        except Exception:
            pass
        return result

    def _setStyleSheet(self):
        self.setProperty("selected", "true" if self._get_selected() else "false")
        if self._divider:
            self.setProperty("divider", "true")
        if self._disableGutters:
            self.setProperty("disableGutters", "true")
        self._setKwargs(self._kwargs)
        if hasattr(self, "styledDict"):
            root = self.styledDict.get("MuiListItemButton", {}).get("styles", {}).get("root", None)
            if isinstance(root, Callable):
                root = root(self._kwargs)
            theme_qss = self._getStyleSheet(objectName=self.objectName(), styledConfig=str(root))
        else:
            theme_qss = self._getStyleSheet(objectName=self.objectName())
        sx_qss = ""
        if self._sx:
            sx_qss = self._getSxQss(sxStr=str(self._sx), className=f"#{self.objectName()}")
        self.setStyleSheet(f"""
            {theme_qss}
            {sx_qss}
        """)


def _forget_rules(*args):
    PythonListItemButton._getStyleSheet.cache_clear()


@classmethod
@lru_cache(maxsize=128)
def python_get_stylesheet(cls, error: str):
    if type(error) is not str:
        raise TypeError("Argument 'error' has incorrect type")
    components = python_theme().components
    label = components["MuiInput"].get("styles")["helperLabel"]({"color": None})
    label_qss = get_qss_style(label)
    error_qss = get_qss_style(label["slots"]["error"]) if error == "True" else ""
    return f"""
            QLabel {{
                {label_qss}
                /* MuiInput_helperLabel_slot_color_qss */
                {error_qss}
            }}
        """


class PythonHelper:
    _get_stylesheet = python_get_stylesheet


# --- measurements -----------------------------------------------------------------


def build(cls, count, host, selected):
    ctx = RenderContext()
    items = []
    for n in range(count):
        item = cls(key=n, selectedKey=selected, dense=n % 4 == 0, divider=n % 2 == 0)
        items.append(item.renderUi(ctx, parent=host))
    return items


def restyle_runner(theme, items, before_switch=None):
    def once():
        target = "dark" if theme.mode == "light" else "light"
        old = items[0].styleSheet()
        start = time.perf_counter()
        if before_switch is not None:
            before_switch()  # the theme clears only the package's builders
        theme.setMode(target)
        elapsed = time.perf_counter() - start
        if items[-1].styleSheet() == old:
            raise AssertionError("the theme switch did not restyle the items")
        return elapsed

    return once


def time_call(fn, number, repeats, prepare=None):
    """Median seconds per call of fn(), with prepare() before each call when
    given (a cold call is timed with the clearing, on both sides alike)."""
    totals = []
    for _ in range(repeats):
        start = time.perf_counter()
        if prepare is None:
            for _ in range(number):
                fn()
        else:
            for _ in range(number):
                prepare()
                fn()
        totals.append(time.perf_counter() - start)
    return statistics.median(totals) / number


def renamed(text, name):
    return text.replace(name, "ITEM")


def main(argv=None):
    global _python_theme
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--items", type=int, default=1000)
    parser.add_argument("--repeats", type=int, default=7, help="repeats of each measurement")
    args = parser.parse_args(argv)

    app = QApplication.instance() or QApplication(sys.argv[:1])  # noqa: F841
    native_theme, _python_theme = Theme(), Theme()
    patched = [(module, module.useTheme) for module in (selvon, drevasse)]
    for module, _ in patched:
        module.useTheme = lambda: native_theme  # the native set follows a theme of its own
    try:
        return _measure(args, native_theme)
    finally:
        for module, original in patched:
            module.useTheme = original


def _measure(args, native_theme):
    print(f"{args.items:,} items, medians of {args.repeats} interleaved repeats; "
          f"Python {sys.version.split()[0]}, PySide6 {PySide6.__version__}", flush=True)

    host_native, host_python = QWidget(), QWidget()
    selected_native, selected_python = State(3), State(3)
    native = build(ListItemButton, args.items, host_native, selected_native)
    python = build(PythonListItemButton, args.items, host_python, selected_python)
    runners = {
        "ListItemButton": restyle_runner(native_theme, native),
        "Python composition": restyle_runner(_python_theme, python,
                                             before_switch=PythonListItemButton._getStyleSheet.cache_clear),
    }
    times = {name: [] for name in runners}
    for _ in range(args.repeats):
        for name, once in runners.items():
            times[name].append(once())
    restyle = {name: statistics.median(t) for name, t in times.items()}
    for name, t in restyle.items():
        print(f"  restyle {name:<34}{t * 1e3:9.2f} ms for {args.items:,} items", flush=True)
    same_sheets = (native_theme.mode == _python_theme.mode and all(
        renamed(a.styleSheet(), a.objectName()) == renamed(b.styleSheet(), b.objectName())
        for a, b in zip(native, python)))

    name = "ListItemButton-1234"
    ListItemButton._setKwargs({"dense": True, "size": "medium"})
    PythonListItemButton._setKwargs({"dense": True, "size": "medium"})
    builders = {
        "_getStyleSheet": ((lambda: ListItemButton._getStyleSheet(objectName=name)),
                           ListItemButton._getStyleSheet.cache_clear,
                           (lambda: PythonListItemButton._getStyleSheet(objectName=name)),
                           PythonListItemButton._getStyleSheet.cache_clear),
        "_get_stylesheet": ((lambda: FormHelperText._get_stylesheet(error="True")),
                            FormHelperText._get_stylesheet.cache_clear,
                            (lambda: PythonHelper._get_stylesheet(error="True")),
                            PythonHelper._get_stylesheet.cache_clear),
    }
    compose = {}
    same_texts = True
    for builder, (ours, clear_ours, theirs, clear_theirs) in builders.items():
        same_texts = same_texts and ours() == theirs()
        compose[builder] = {
            "cold": (time_call(ours, 2000, args.repeats, clear_ours), time_call(theirs, 2000, args.repeats, clear_theirs)),
            "warm": (time_call(ours, 50_000, args.repeats), time_call(theirs, 50_000, args.repeats)),
        }
        for kind, (a, b) in compose[builder].items():
            print(f"  compose {builder} {kind:<5} native {a * 1e6:8.3f} us, Python {b * 1e6:8.3f} us per call")

    def line(label, ratio):
        print(f"  {label:<58}{ratio:7.2f}x")

    print("ratios (Python / native):")
    line("restyle on a theme switch", restyle["Python composition"] / restyle["ListItemButton"])
    for builder, kinds in compose.items():
        for kind, (a, b) in kinds.items():
            line(f"{builder}, {kind} cache", b / a)
    print(f"same results as the Python composition: sheets {same_sheets}, builder texts {same_texts}")
    shiboken6.delete(host_native)
    shiboken6.delete(host_python)
    return 0 if same_sheets and same_texts else 1


if __name__ == "__main__":
    sys.exit(main())
