"""The modules on the kit: text that is not UTF-8, exceptions that are not
Exceptions, owner state handed to the theme, expected failures that cost no
C++ throw, and helpers that live once."""

import copy
import os
import re
import shutil
import subprocess
import sys
from pathlib import Path

import pytest
from PySide6.QtCore import QPointF, Qt
from PySide6.QtGui import QMouseEvent
from PySide6.QtCore import QEvent
from PySide6.QtWidgets import QWidget

import tovane
from tovane.material.component import RenderContext
from tovane.material.drevasse.drevasse import FormHelperText
from tovane.material.selvon.selvon import ListItemButton
from tovane.material.styles import get_qss_style

ROOT = Path(__file__).resolve().parents[1]


@pytest.fixture
def host(qtbot):
    widget = QWidget()
    qtbot.addWidget(widget)
    return widget


def _release(widget):
    centre = QPointF(widget.rect().center())
    return QMouseEvent(QEvent.Type.MouseButtonRelease, centre, centre, Qt.MouseButton.LeftButton,
                       Qt.MouseButton.NoButton, Qt.KeyboardModifier.NoModifier)


# --- text that has no UTF-8 form ------------------------------------------------


class TestNamesWithoutUtf8:
    NAME = "ListItemButton-\udc80"  # a lone surrogate: a str, but not encodable

    def test_the_style_sheet_builder_returns_the_text(self, theme):
        ListItemButton._setKwargs({"active": True, "size": "medium"})
        text = ListItemButton._getStyleSheet(objectName=self.NAME)
        # Every rule names the item; the active variant is there.
        assert text.count(f"#{self.NAME}") == 8
        assert f"#{self.NAME}[active=true] {{" in text
        root = theme.components["MuiListItemButton"]["styles"]["root"]({"active": True, "size": "medium"})
        assert get_qss_style(root["props"]["active"]) in text

    def test_an_item_whose_object_name_is_not_encodable_is_styled(self, theme, host):
        marked = []

        class Item(ListItemButton):
            def objectName(self):
                return TestNamesWithoutUtf8.NAME + "-item"

            def setProperty(self, name, value):
                marked.append((name, value))
                return super().setProperty(name, value)

        item = Item(key="k", active=True)
        item.renderUi(RenderContext(), parent=host)
        # The item that asked for the active rules is marked active: the name
        # is compared as a str, never through its (missing) UTF-8 form.
        assert ("active", True) in marked


# --- exceptions that are not Exceptions -------------------------------------------


def test_an_on_click_raising_keyboard_interrupt_propagates_at_once(theme, host):
    calls = []

    def on_click(*args):
        calls.append(args)
        raise KeyboardInterrupt

    item = ListItemButton(key="k", onClick=on_click)
    item.renderUi(RenderContext(), parent=host)
    item.setDown(True)
    with pytest.raises(KeyboardInterrupt):
        item.mouseReleaseEvent(_release(item))
    assert calls == [("k",)]  # not called again without the key
    assert item.isDown()  # the push button never saw the release


# --- the owner state a theme's style function reads -------------------------------


def test_the_helper_text_hands_its_owner_state_to_the_theme(theme, host, monkeypatch):
    owners = []

    def helper_label(owner):
        owners.append(dict(owner))
        return {"color": owner["color"] or "#123456", "fontSize": 12, "slots": {"error": {"color": "#b00020"}}}

    components = copy.deepcopy(theme.components)
    components["MuiInput"]["styles"]["helperLabel"] = helper_label
    FormHelperText._get_stylesheet.cache_clear()
    monkeypatch.setattr(theme, "components", components)
    label = FormHelperText(text="hint", error=True)
    label.renderUi(RenderContext(), parent=host)
    assert owners and all(owner == {"color": None} for owner in owners)
    sheet = label.styleSheet()
    assert get_qss_style(helper_label({"color": None})) in sheet
    assert "#123456" in sheet and "#b00020" in sheet
    FormHelperText._get_stylesheet.cache_clear()


# --- expected failures cost no C++ throw -----------------------------------------

COUNTER = r"""
#define _GNU_SOURCE
#include <dlfcn.h>
static unsigned long throws;
typedef void (*throw_fn)(void*, void*, void (*)(void*));
void __cxa_throw(void* object, void* type, void (*destroy)(void*)) {
    static throw_fn real;
    if (!real) real = (throw_fn)dlsym(dlopen("libstdc++.so.6", RTLD_LAZY | RTLD_NOLOAD), "__cxa_throw");
    throws++;
    real(object, type, destroy);
    __builtin_unreachable();
}
unsigned long tovane_cxx_throws(void) { return throws; }
"""

SCRIPT = r"""
import ctypes, sys
from PySide6.QtWidgets import QApplication
app = QApplication([])
from tovane.material.brevant.brevant import PyWidgetBase
from tovane.material.selvon.selvon import ListItemButton
throws = ctypes.CDLL(sys.argv[1]).tovane_cxx_throws
throws.restype = ctypes.c_ulong

def count(fn):
    before = throws()
    fn()
    return throws() - before

def expect_type_error():
    try:
        PyWidgetBase._get_sx_value(None, 5)
    except TypeError:
        pass

def parse():
    for i in range(50):
        assert PyWidgetBase._parse_size_value(None, f"x{i}%", 100) == 0
        assert PyWidgetBase._parse_size_value(None, f"{i}vhx", 100) == 0
        assert PyWidgetBase._parse_size_value(None, f"y{i}px", 100) == 0

def malformed_sx():
    for i in range(50):
        assert ListItemButton._getSxQss(f"{{'bad': {i}", "Box") == ""

print(count(expect_type_error), count(parse), count(malformed_sx))
"""


@pytest.mark.compiler
@pytest.mark.skipif(not sys.platform.startswith("linux"), reason="counts throws through the dynamic linker")
@pytest.mark.skipif(os.environ.get("TOVANE_SANITIZE") == "ON", reason="the sanitizer runtime takes the throws")
def test_expected_failures_throw_nothing(tmp_path):
    compiler = shutil.which("cc") or shutil.which("gcc") or shutil.which("clang")
    if compiler is None:
        pytest.skip("needs a C compiler")
    library = tmp_path / "counter.so"
    (tmp_path / "counter.c").write_text(COUNTER)
    subprocess.run([compiler, "-shared", "-fPIC", "-O1", "-o", str(library), str(tmp_path / "counter.c"), "-ldl"],
                   check=True, capture_output=True)
    env = dict(os.environ, LD_PRELOAD=str(library), QT_QPA_PLATFORM="offscreen",
               PYTHONPATH=os.pathsep.join([str(Path(tovane.__file__).resolve().parents[1]),
                                           *filter(None, [os.environ.get("PYTHONPATH")])]))
    done = subprocess.run([sys.executable, "-c", SCRIPT, str(library)], capture_output=True, text=True,
                          env=env, timeout=120, cwd=tmp_path)
    assert done.returncode == 0, done.stderr
    raised, parsed, malformed = map(int, done.stdout.split())
    assert raised == 1  # the counter sees the modules' throws
    assert (parsed, malformed) == (0, 0)


# --- helpers live once -----------------------------------------------------------

MODULES = sorted((ROOT / "src" / "tovane").rglob("*.cpp"))
KIT = ROOT / "src" / "kit"
DEFINITION = re.compile(r"^(?=\S)(?:static\s+|inline\s+)?[\w:<>*&\s]+?\b(\w+)\(([^;{]*)\)\s*(?:noexcept\s*)?\{",
                        re.MULTILINE)


def _functions(text):
    """Top-level function definitions: {name: normalised body}."""
    found = {}
    for match in DEFINITION.finditer(text):
        if match.group(1) in ("if", "for", "while", "switch", "catch"):
            continue
        depth, i = 0, match.end() - 1
        while True:
            depth += {"{": 1, "}": -1}.get(text[i], 0)
            i += 1
            if depth == 0:
                break
        found[match.group(1)] = " ".join(text[match.end():i].split())
    return found


def test_the_helper_finder_finds_a_copy():
    a = _functions("bool is_state(PyObject* o) { return isinstance(o, KIT_GLOBAL(\"State\")); }\n")
    b = _functions("bool is_state(PyObject* o) {\n    return isinstance(o, KIT_GLOBAL(\"State\"));\n}\n")
    assert a == b and "is_state" in a


@pytest.mark.skipif(not MODULES, reason="needs the sources")
def test_no_helper_is_copied_between_modules_or_from_the_kit():
    kit_names = set()
    for header in KIT.glob("*.hpp"):
        kit_names |= set(re.findall(r"^(?:inline\s+)?[\w:<>*&]+\s+(\w+)\(", header.read_text(), re.MULTILINE))
    seen = {}
    for path in MODULES:
        for name, body in _functions(path.read_text()).items():
            assert name not in kit_names, f"{path.name} defines {name}, which the kit has"
            if len(body) > 40:  # a body of some substance, written twice
                other = seen.setdefault(body, path)
                assert other == path, f"{name} in {path.name} is a copy of one in {other.name}"
