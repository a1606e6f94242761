"""The slider demonstration module: its two style sheets and DemoWidget."""

import inspect
import types

import pytest
from PySide6 import QtCore, QtWidgets

from leakcheck import assert_no_leak

from tovane.material.slider import pennard
from qtrangeslider import QRangeSlider  # noqa: E402  (after the package's compatibility set-up)

H, V = QtCore.Qt.Orientation.Horizontal, QtCore.Qt.Orientation.Vertical
TP = QtWidgets.QSlider.TickPosition


# --- style sheets -----------------------------------------------------------

def _gradient(middle):
    return [
        "background-color: qradialgradient(spread:pad, cx:0.5, cy:0.5, radius:0.5, fx:0.5, fy:0.5,",
        ("stop:0 #00A76F,", 32),
        (middle[0], 32),
        (middle[1], 32),
        ("stop:1 rgb(255, 255, 255));", 32),
    ]


G_NORMAL = _gradient(("stop:0.48 #00A76F,", "stop:0.55 rgb(255, 255, 255),"))
G_HOVER = _gradient(("stop:0.55 #00A76F,", "stop:0.65 rgb(255, 255, 255),"))
G_PRESSED = _gradient(("stop:0.4 #00A76F,", "stop:0.5 rgb(255, 255, 255),"))


def _half(o, length, across, page, margin):
    """The rule table of one orientation ("horizontal" or "vertical")."""
    return [
        (f"QSlider:{o}", [f"min-{length}: 24px;"]),
        (f"QSlider::groove:{o}", [f"{length}: 4px;", "background-color: rgba(0, 0, 0, 100);",
                                   "border-radius: 2px;"]),
        (f"QSlider::{page}:{o}", ["background: #00A76F;", f"{length}: 4px;", "border-radius: 2px;"]),
        (f"QSlider::handle:{o}", ["border: 1px solid rgb(222, 222, 222);", f"{across}: 20px;",
                                   f"min-{length}: 24px;", f"margin: {margin};", "border-radius: 11px;",
                                   *G_NORMAL]),
        (f"QSlider::handle:{o}:hover", G_HOVER),
        (f"QSlider::handle:{o}:pressed", G_PRESSED),
        (f"QSlider::groove:{o}:disabled", ["background-color: rgba(0, 0, 0, 75);"]),
        (f"QSlider::handle:{o}:disabled", ["background-color: #808080;", "border: 5px solid #cccccc;"]),
    ]


def _sheet(halves):
    def rule(selector, declarations):
        lines = [" " * 16 + selector + " {"]
        for d in declarations:
            text, indent = d if isinstance(d, tuple) else (d, 24)
            lines.append(" " * indent + text)
        lines.append(" " * 16 + "}")
        return "\n".join(lines) + "\n"

    return "\n" + "\n\n".join("\n".join(rule(*r) for r in half) for half in halves) + " " * 8


def test_qss_matches_the_rule_table_byte_for_byte():
    expected = _sheet([_half("horizontal", "height", "width", "sub-page", "-9px 0"),
                       _half("vertical", "width", "height", "add-page", "0 -9px")])
    assert isinstance(pennard.QSS, str)
    assert pennard.QSS == expected
    # The structure the table implies, checked independently of the builder above.
    assert pennard.QSS.startswith("\n                QSlider:horizontal {\n")
    assert pennard.QSS.endswith("\n                }\n        ")
    assert pennard.QSS.count("{") == pennard.QSS.count("}") == 16
    assert "}\n\n\n                QSlider:vertical {" in pennard.QSS
    assert pennard.QSS.count("\n\n\n") == 1


def test_system_qss_is_the_exact_text():
    assert pennard.SYSTEM_QSS == (
        "\n                QSlider::handle:horizontal {\n                        background-color: #00A76F;\n"
        "                }\n                QSlider::handle:vertical {\n"
        "                        background-color: #00A76F;\n                }\n\n        ")


def test_module_surface():
    assert pennard.QRangeSlider is QRangeSlider
    assert pennard.QtCore is QtCore and pennard.QtW is QtWidgets
    names = list(vars(pennard))
    assert names.index("QRangeSlider") < names.index("QtCore") < names.index("QtW") \
        < names.index("QSS") < names.index("SYSTEM_QSS") < names.index("DemoWidget")
    cls = pennard.DemoWidget
    assert cls.__bases__ == (QtWidgets.QWidget,)
    assert cls.__module__ == "pennard" and cls.__qualname__ == "DemoWidget"
    init = cls.__init__
    assert init.__qualname__ == "DemoWidget.__init__" and init.__module__ == "pennard"
    assert init.__annotations__ == {"return": "None"}
    assert list(inspect.signature(init).parameters) == ["self"]


@pytest.mark.usefixtures("qapp")
@pytest.mark.parametrize("args, kwargs", [((None,), {}), ((), {"parent": None})])
def test_constructor_takes_no_arguments(args, kwargs):
    with pytest.raises(TypeError, match=r"DemoWidget.__init__\(\) (takes 1 positional|got an unexpected)"):
        pennard.DemoWidget(*args, **kwargs)


# --- the widget -------------------------------------------------------------

def _widgets(layout):
    return [layout.itemAt(i).widget() for i in range(layout.count())]


def _margins(widget):
    m = widget.contentsMargins()
    return (m.left(), m.top(), m.right(), m.bottom())


@pytest.fixture
def demo(qapp):
    widget = pennard.DemoWidget()
    yield widget
    widget.deleteLater()


def test_layout_tree(demo):
    top = demo.layout()
    assert type(top) is QtWidgets.QHBoxLayout
    left, right = _widgets(top)
    assert top.count() == 2
    assert type(left.layout()) is QtWidgets.QVBoxLayout and type(right.layout()) is QtWidgets.QHBoxLayout
    assert _margins(left) == (2, 2, 2, 2)
    assert _margins(right) == (15, 5, 5, 0)
    assert right.layout().spacing() == 30
    assert left.parent() is demo and right.parent() is demo

    column = _widgets(left.layout())
    assert len(column) == 8  # the two styled sliders sit under their label
    labels = [column[i] for i in (0, 2, 5)]
    assert [type(w) for w in labels] == [QtWidgets.QLabel] * 3
    assert [w.text() for w in labels] == ["Regular QSlider Unstyled", "QRangeSliders Unstyled",
                                          "Styled Sliders (using same stylesheet)"]
    for label in labels:
        policy = label.sizePolicy()
        assert policy.horizontalPolicy() == policy.verticalPolicy() == QtWidgets.QSizePolicy.Policy.Maximum


# (class, orientation, value, tick position, style sheet name) in layout order
LEFT = [
    (QtWidgets.QSlider, H, 50, TP.NoTicks, "SYSTEM_QSS"),
    (QRangeSlider, H, (20, 80), TP.NoTicks, "SYSTEM_QSS"),
    (QRangeSlider, H, (11, 33, 66, 88), TP.TicksAbove, "SYSTEM_QSS"),
    (QtWidgets.QSlider, H, 50, TP.NoTicks, "QSS"),
    (QRangeSlider, H, (20, 80), TP.NoTicks, "QSS"),
]
RIGHT = [
    (QtWidgets.QSlider, V, 50, TP.NoTicks, "SYSTEM_QSS"),
    (QRangeSlider, V, (22, 77), TP.NoTicks, "SYSTEM_QSS"),
    (QtWidgets.QSlider, V, 55, TP.TicksRight, "SYSTEM_QSS"),
    (QRangeSlider, V, (22, 77), TP.TicksLeft, "SYSTEM_QSS"),
]


def _describe(slider):
    # QRangeSlider appends rules of its own to any sheet it is given.
    sheet = slider.styleSheet()
    return (type(slider), slider.orientation(), slider.value(), slider.tickPosition(),
            "QSS" if sheet.startswith(pennard.QSS) else
            "SYSTEM_QSS" if sheet.startswith(pennard.SYSTEM_QSS) else sheet)


def test_sliders(demo):
    left, right = _widgets(demo.layout())
    column = _widgets(left.layout())
    sliders = [column[i] for i in (1, 3, 4, 6, 7)]
    assert [_describe(s) for s in sliders] == LEFT
    assert [_describe(s) for s in _widgets(right.layout())] == RIGHT
    # Ranges are the widgets' defaults.
    for s in sliders + _widgets(right.layout()):
        assert (s.minimum(), s.maximum()) == (0, 99)


def test_geometry_before_show(demo):
    assert demo.geometry() == QtCore.QRect(600, 300, 580, 300)
    assert demo.isWindow() and not demo.isVisible()


def test_construction_order(qapp, monkeypatch):
    """Sliders are configured in the documented order: values, ticks, then style sheets."""
    log = []

    def recording(base):
        class Recording(base):
            def __init__(self, orientation):
                super().__init__(orientation)
                self.tag = f"{base.__name__}{len([e for e in log if e[1] == 'new'])}"
                log.append((self.tag, "new", orientation))

            def setValue(self, value):
                log.append((self.tag, "value", value))
                super().setValue(value)

            def setTickPosition(self, position):
                log.append((self.tag, "ticks", position))
                super().setTickPosition(position)

            def setStyleSheet(self, sheet):
                if hasattr(self, "tag"):  # QRangeSlider resets its sheet while it initialises
                    log.append((self.tag, "qss", "QSS" if sheet == pennard.QSS else "SYSTEM"))
                super().setStyleSheet(sheet)

        return Recording

    qtw = types.SimpleNamespace(**{n: getattr(QtWidgets, n) for n in dir(QtWidgets) if not n.startswith("_")})
    qtw.QSlider = recording(QtWidgets.QSlider)
    monkeypatch.setattr(pennard, "QtW", qtw)
    monkeypatch.setattr(pennard, "QRangeSlider", recording(QRangeSlider))
    widget = pennard.DemoWidget()
    widget.deleteLater()

    s, r = "QSlider", "QRangeSlider"
    assert log == [
        (f"{s}0", "new", H), (f"{s}0", "value", 50),
        (f"{r}1", "new", H), (f"{r}1", "value", (20, 80)),
        (f"{r}2", "new", H), (f"{r}2", "value", (11, 33, 66, 88)), (f"{r}2", "ticks", TP.TicksAbove),
        (f"{s}0", "qss", "SYSTEM"), (f"{r}1", "qss", "SYSTEM"), (f"{r}2", "qss", "SYSTEM"),
        (f"{s}3", "new", H), (f"{s}3", "value", 50), (f"{s}3", "qss", "QSS"),
        (f"{r}4", "new", H), (f"{r}4", "value", (20, 80)), (f"{r}4", "qss", "QSS"),
        (f"{s}5", "new", V), (f"{s}5", "value", 50),
        (f"{r}6", "new", V), (f"{r}6", "value", (22, 77)),
        (f"{s}5", "qss", "SYSTEM"), (f"{r}6", "qss", "SYSTEM"),
        (f"{s}7", "new", V), (f"{s}7", "value", 55), (f"{s}7", "ticks", TP.TicksRight), (f"{s}7", "qss", "SYSTEM"),
        (f"{r}8", "new", V), (f"{r}8", "value", (22, 77)), (f"{r}8", "ticks", TP.TicksLeft),
        (f"{r}8", "qss", "SYSTEM"),
    ]


def test_errors_propagate(qapp, monkeypatch):
    class Broken(QRangeSlider):
        def setValue(self, value):
            raise ValueError("no value for you")

    monkeypatch.setattr(pennard, "QRangeSlider", Broken)
    with pytest.raises(ValueError, match="no value for you"):
        pennard.DemoWidget()
    monkeypatch.delattr(pennard, "QRangeSlider")
    with pytest.raises(NameError, match="QRangeSlider"):
        pennard.DemoWidget()


def test_no_leak(qapp):
    # Qt and PySide keep a bounded amount of bookkeeping per widget class
    # (a few hundred blocks, whatever the count); a leak of even one block per
    # construction would exceed the bound below.
    assert_no_leak(lambda: pennard.DemoWidget(), calls=1_500, warmup=300, max_blocks=1_200, max_bytes=256 * 1024)
