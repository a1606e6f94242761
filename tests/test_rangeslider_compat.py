"""qtrangeslider 0.1.5 working on Python 3.13 and current PySide6.

``tovane.material.slider`` repairs the dependency when it is imported; these
tests exercise the range slider the way the slider demonstration and its users
do: values with two and four handles, signals on programmatic and user
changes, ranges, ticks, vertical orientation and painting with both of the
demonstration's style sheets.
"""

import importlib
import os
import subprocess
import sys
import textwrap
from pathlib import Path

import pytest

import tovane.material.slider as slider_pkg  # applies the qtrangeslider fixes

from PySide6 import QtCore, QtGui, QtWidgets
from PySide6.QtTest import QTest

import qtrangeslider
from qtrangeslider import QRangeSlider
from qtrangeslider import _generic_slider
from qtrangeslider.qtcompat import LooseVersion

SRC = Path(slider_pkg.__file__).resolve().parents[3]

H = QtCore.Qt.Orientation.Horizontal
V = QtCore.Qt.Orientation.Vertical
LEFT = QtCore.Qt.MouseButton.LeftButton
NO_MOD = QtCore.Qt.KeyboardModifier.NoModifier


# --- the demonstration's two style sheets -----------------------------------

SYSTEM_QSS = (
    "\n"
    "                QSlider::handle:horizontal {\n"
    "                        background-color: #00A76F;\n"
    "                }\n"
    "                QSlider::handle:vertical {\n"
    "                        background-color: #00A76F;\n"
    "                }\n"
    "\n"
    "        "
)


def _gradient(middle_stops):
    pad = " " * 32
    stops = ("stop:0 #00A76F,", *middle_stops, "stop:1 rgb(255, 255, 255));")
    return "\n".join(
        ["background-color: qradialgradient(spread:pad, cx:0.5, cy:0.5, radius:0.5, fx:0.5, fy:0.5,"]
        + [pad + stop for stop in stops]
    )


G_NORMAL = _gradient(("stop:0.48 #00A76F,", "stop:0.55 rgb(255, 255, 255),"))
G_HOVER = _gradient(("stop:0.55 #00A76F,", "stop:0.65 rgb(255, 255, 255),"))
G_PRESSED = _gradient(("stop:0.4 #00A76F,", "stop:0.5 rgb(255, 255, 255),"))


def _rule(selector, *declarations):
    lines = [f"{' ' * 16}{selector} {{"]
    lines += [f"{' ' * 24}{d}" for d in declarations]
    lines.append(f"{' ' * 16}}}")
    return "\n".join(lines)


def _half(o, page, thickness, length, margin):
    return "\n\n".join(
        [
            _rule(f"QSlider:{o}", f"min-{thickness}: 24px;"),
            _rule(
                f"QSlider::groove:{o}",
                f"{thickness}: 4px;",
                "background-color: rgba(0, 0, 0, 100);",
                "border-radius: 2px;",
            ),
            _rule(f"QSlider::{page}:{o}", "background: #00A76F;", f"{thickness}: 4px;", "border-radius: 2px;"),
            _rule(
                f"QSlider::handle:{o}",
                "border: 1px solid rgb(222, 222, 222);",
                f"{length}: 20px;",
                f"min-{thickness}: 24px;",
                f"margin: {margin};",
                "border-radius: 11px;",
                G_NORMAL,
            ),
            _rule(f"QSlider::handle:{o}:hover", G_HOVER),
            _rule(f"QSlider::handle:{o}:pressed", G_PRESSED),
            _rule(f"QSlider::groove:{o}:disabled", "background-color: rgba(0, 0, 0, 75);"),
            _rule(f"QSlider::handle:{o}:disabled", "background-color: #808080;", "border: 5px solid #cccccc;"),
        ]
    )


QSS = (
    "\n"
    + _half("horizontal", "sub-page", "height", "width", "-9px 0")
    + "\n\n\n"
    + _half("vertical", "add-page", "width", "height", "0 -9px")
    + "\n        "
)


# --- helpers -----------------------------------------------------------------

HANDLE_GREEN = QtGui.QColor("#00A76F")


def _is_handle_green(color):
    return (
        abs(color.red() - HANDLE_GREEN.red()) < 40
        and abs(color.green() - HANDLE_GREEN.green()) < 40
        and abs(color.blue() - HANDLE_GREEN.blue()) < 40
    )


def painted_handles(widget):
    """Centres (along the slider axis) of the green handles in a grab of ``widget``.

    Vertical positions are measured from the bottom, so larger values are
    further along the axis in both orientations.  A slice counts as handle
    only where the green spans more than the 4px groove, so a green groove
    page (which some Qt versions paint for vertical styled sliders) is not
    taken for a handle.
    """
    image = widget.grab().toImage()
    horizontal = widget.orientation() == H
    length = image.width() if horizontal else image.height()
    across = image.height() if horizontal else image.width()

    def green_at(i):
        count = 0
        for j in range(across):
            x, y = (i, j) if horizontal else (j, image.height() - 1 - i)
            count += _is_handle_green(image.pixelColor(x, y))
        return count > 6

    runs, start = [], None
    for i in range(length + 1):
        on = i < length and green_at(i)
        if on and start is None:
            start = i
        elif not on and start is not None:
            runs.append((start, i - 1))
            start = None
    return [((a + b) / 2, b - a + 1) for a, b in runs]


def make_slider(qtbot, orientation=H, value=(20, 80), sheet=SYSTEM_QSS, ticks=None, show=True):
    s = QRangeSlider(orientation)
    qtbot.addWidget(s)
    s.setValue(value)
    if ticks is not None:
        s.setTickPosition(ticks)
    s.setStyleSheet(sheet)
    s.resize(300, 40) if orientation == H else s.resize(40, 300)
    if show:
        s.show()
        qtbot.waitExposed(s)
    return s


def to_point(widget, along):
    """Widget coordinates of a point at ``along`` on the slider axis, mid-thickness."""
    if widget.orientation() == H:
        return QtCore.QPoint(int(along), widget.height() // 2)
    return QtCore.QPoint(widget.width() // 2, widget.height() - 1 - int(along))


class Recorder:
    def __init__(self, signal):
        self.calls = []
        signal.connect(lambda *args: self.calls.append(args))

    @property
    def values(self):
        return [args[0] for args in self.calls]


def run_python(code, **env_overrides):
    env = dict(os.environ)
    env["PYTHONPATH"] = os.pathsep.join(filter(None, [str(SRC), env.get("PYTHONPATH")]))
    env.setdefault("QT_QPA_PLATFORM", "offscreen")
    env.update(env_overrides)
    return subprocess.run(
        [sys.executable, "-c", textwrap.dedent(code)], env=env, capture_output=True, text=True, timeout=120
    )


# --- import ------------------------------------------------------------------


class TestImport:
    def test_range_slider_is_a_pyside6_slider(self):
        assert qtrangeslider.qtcompat.API_NAME == "PySide6"
        assert issubclass(QRangeSlider, QtWidgets.QSlider)

    def test_fresh_interpreter_imports_and_leaves_no_stand_in_distutils(self):
        result = run_python(
            """
            import sys
            import tovane.material.slider
            from qtrangeslider import QRangeSlider
            m = sys.modules.get("distutils")
            # either nothing, or a real distutils (setuptools) loaded from a file
            assert m is None or getattr(m, "__file__", None), m
            print("ok")
            """
        )
        assert result.returncode == 0, result.stderr
        assert result.stdout.strip() == "ok"

    def test_no_qt_api_is_left_behind_for_qasync(self):
        # qtrangeslider sets QT_API=pyqt5 when none is set; qasync, imported
        # after it, would then look for PyQt5. A QT_API the user set stays.
        result = run_python(
            """
            import os
            os.environ.pop("QT_API", None)
            import tovane.material.slider
            assert "QT_API" not in os.environ, os.environ["QT_API"]
            import qasync
            assert qasync.QtModuleName == "PySide6", qasync.QtModuleName
            print("ok")
            """
        )
        assert result.returncode == 0, result.stderr
        assert result.stdout.strip() == "ok"
        kept = run_python("import os; os.environ['QT_API'] = 'pyside6'; import tovane.material.slider; "
                          "print(os.environ['QT_API'])")
        assert kept.stdout.strip() == "pyside6", kept.stderr

    def test_an_importable_distutils_is_used_instead_of_the_stand_in(self, tmp_path):
        pkg = tmp_path / "distutils"
        pkg.mkdir()
        (pkg / "__init__.py").write_text("")
        (pkg / "version.py").write_text("class LooseVersion:\n    provided_by_test = True\n")
        result = run_python(
            f"""
            import sys
            sys.path.insert(0, {str(tmp_path)!r})
            import tovane.material.slider
            from qtrangeslider.qtcompat import LooseVersion
            print(getattr(LooseVersion, "provided_by_test", False))
            """,
            SETUPTOOLS_USE_DISTUTILS="stdlib",  # keep setuptools' hook, if installed, out of the way
        )
        assert result.returncode == 0, result.stderr
        assert result.stdout.strip() == "True"

    @pytest.mark.parametrize(
        "low, high",
        [("5.9", "5.15.2"), ("10.9", "10.10"), ("6.0", "6.12.0"), ("6.8", "6.8.1"), ("1.0a", "1.0b")],
    )
    def test_loose_version_orders_like_distutils(self, low, high):
        assert LooseVersion(low) < LooseVersion(high)
        assert LooseVersion(high) >= LooseVersion(low)
        assert not LooseVersion(high) < LooseVersion(low)
        assert LooseVersion(low) == LooseVersion(low)
        assert str(LooseVersion(high)) == high

    def test_reimporting_the_package_changes_nothing(self, qtbot):
        before = _generic_slider._GenericSlider.SliderRangeChange
        importlib.reload(slider_pkg)
        assert _generic_slider._GenericSlider.SliderRangeChange is before
        assert before is QtWidgets.QSlider.SliderChange.SliderRangeChange
        s = make_slider(qtbot, show=False)
        s.setRange(0, 50)
        assert s.value() == (20, 50)


# --- values and ranges ---------------------------------------------------------


class TestValues:
    @pytest.mark.parametrize("value", [(20, 80), (11, 33, 66, 88), (0, 99), (5, 6, 7, 8)])
    def test_set_value_round_trips_as_tuple_of_ints(self, qtbot, value):
        s = make_slider(qtbot, show=False)
        s.setValue(value)
        assert s.value() == value
        assert type(s.value()) is tuple
        assert all(type(v) is int for v in s.value())

    def test_list_input_and_out_of_range_values_are_clamped(self, qtbot):
        s = make_slider(qtbot, show=False)
        s.setValue([-5, 40, 60, 150])
        assert s.value() == (0, 40, 60, 99)

    def test_set_range_clamps_value_and_emits(self, qtbot):
        s = make_slider(qtbot, value=(20, 80), show=False)
        ranges, values = Recorder(s.rangeChanged), Recorder(s.valueChanged)
        s.setRange(0, 50)
        assert (s.minimum(), s.maximum()) == (0, 50)
        assert ranges.calls == [(0.0, 50.0)]
        assert s.value() == (20, 50)
        assert values.values == [(20, 50)]

    def test_set_minimum_and_maximum(self, qtbot):
        s = make_slider(qtbot, value=(11, 33, 66, 88), show=False)
        s.setMinimum(30)
        assert s.value() == (30, 33, 66, 88)
        s.setMaximum(60)
        assert s.value() == (30, 33, 60, 60)
        assert (s.minimum(), s.maximum()) == (30, 60)

    def test_widened_range_accepts_larger_values(self, qtbot):
        s = make_slider(qtbot, show=False)
        s.setRange(-100, 1000)
        s.setValue((-50, 500, 999))
        assert s.value() == (-50, 500, 999)


# --- signals -----------------------------------------------------------------


def _all_tuples(values, n):
    return bool(values) and all(type(v) is tuple and len(v) == n for v in values)


class TestSignals:
    def test_programmatic_change_emits_tuple(self, qtbot):
        s = make_slider(qtbot, show=False)
        rec = Recorder(s.valueChanged)
        s.setValue((11, 33, 66, 88))
        s.setValue([5, 10])
        assert rec.values == [(11, 33, 66, 88), (5, 10)]

    def test_wait_signal_sees_the_tuple(self, qtbot):
        s = make_slider(qtbot, show=False)
        with qtbot.waitSignal(s.valueChanged, timeout=1000) as blocker:
            s.setValue((1, 2))
        assert blocker.args == [(1, 2)]

    @pytest.mark.parametrize("orientation", [H, V])
    def test_dragging_a_handle_emits_tuples(self, qtbot, orientation):
        s = make_slider(qtbot, orientation, value=(20, 80))
        (low, _), (high, _) = painted_handles(s)
        moved, changed = Recorder(s.sliderMoved), Recorder(s.valueChanged)

        QTest.mousePress(s, LEFT, NO_MOD, to_point(s, low))
        QTest.mouseMove(s, to_point(s, low + 60))
        QTest.mouseRelease(s, LEFT, NO_MOD, to_point(s, low + 60))

        first, second = s.value()
        assert 20 < first < 80 and second == 80
        assert _all_tuples(moved.values, 2)
        assert _all_tuples(changed.values, 2)
        assert changed.values[-1] == s.value()
        assert not s.isSliderDown()

    def test_click_beyond_the_last_handle_moves_it(self, qtbot):
        s = make_slider(qtbot, value=(11, 33, 66, 88))
        changed = Recorder(s.valueChanged)
        QTest.mouseClick(s, LEFT, NO_MOD, to_point(s, s.width() - 2))
        assert s.value()[:3] == (11, 33, 66)
        assert s.value()[3] > 88
        assert _all_tuples(changed.values, 4)

    def test_dragging_the_bar_moves_all_handles(self, qtbot):
        s = make_slider(qtbot, value=(20, 60))
        (low, _), (high, _) = painted_handles(s)
        middle = (low + high) / 2
        changed = Recorder(s.valueChanged)
        QTest.mousePress(s, LEFT, NO_MOD, to_point(s, middle))
        QTest.mouseMove(s, to_point(s, middle + 40))
        QTest.mouseRelease(s, LEFT, NO_MOD, to_point(s, middle + 40))
        first, second = s.value()
        assert first > 20 and second - first == 40
        assert _all_tuples(changed.values, 2)

    def test_wheel_moves_all_handles(self, qtbot):
        s = make_slider(qtbot, value=(20, 60))
        changed = Recorder(s.valueChanged)
        pos = QtCore.QPointF(to_point(s, 10))
        event = QtGui.QWheelEvent(
            pos,
            QtCore.QPointF(s.mapToGlobal(pos.toPoint())),
            QtCore.QPoint(),
            QtCore.QPoint(0, 120),
            QtCore.Qt.MouseButton.NoButton,
            NO_MOD,
            QtCore.Qt.ScrollPhase.NoScrollPhase,
            False,
        )
        QtWidgets.QApplication.sendEvent(s, event)
        step = min(s.pageStep(), QtWidgets.QApplication.wheelScrollLines() * s.singleStep())
        assert s.value() == (20 + step, 60 + step)
        assert changed.values == [s.value()]

    def test_keyboard_leaves_value_and_signals_alone(self, qtbot):
        # qtrangeslider 0.1.5 has no key handling of its own: the keys reach
        # QAbstractSlider's C++ model, which the range slider does not use.
        s = make_slider(qtbot, value=(20, 60))
        changed = Recorder(s.valueChanged)
        s.setFocus()
        for key in (QtCore.Qt.Key.Key_Right, QtCore.Qt.Key.Key_PageUp, QtCore.Qt.Key.Key_End):
            QTest.keyClick(s, key)
        assert s.value() == (20, 60)
        assert changed.values == []


# --- ticks, orientation, painting -------------------------------------------------


class TestTicksAndOrientation:
    @pytest.mark.parametrize(
        "orientation, ticks",
        [
            (H, QtWidgets.QSlider.TickPosition.TicksAbove),
            (H, QtWidgets.QSlider.TickPosition.TicksBothSides),
            (V, QtWidgets.QSlider.TickPosition.TicksLeft),
            (V, QtWidgets.QSlider.TickPosition.TicksRight),
        ],
        ids=["h-above", "h-both", "v-left", "v-right"],
    )
    def test_ticks_are_kept_and_drawn(self, qtbot, orientation, ticks):
        plain = make_slider(qtbot, orientation, value=(22, 77))
        ticked = make_slider(qtbot, orientation, value=(22, 77), ticks=ticks)
        assert ticked.tickPosition() == ticks
        assert plain.grab().toImage() != ticked.grab().toImage()
        assert len(painted_handles(ticked)) == 2

    def test_vertical_slider(self, qtbot):
        s = make_slider(qtbot, V, value=(22, 77))
        assert s.orientation() == V
        assert s.value() == (22, 77)
        (low, _), (high, _) = painted_handles(s)
        assert low < high  # the lower value sits nearer the bottom


class TestPainting:
    @pytest.mark.parametrize("sheet", [SYSTEM_QSS, QSS], ids=["system", "styled"])
    @pytest.mark.parametrize(
        "orientation, value, ticks",
        [
            (H, (20, 80), None),
            (H, (11, 33, 66, 88), QtWidgets.QSlider.TickPosition.TicksAbove),
            (V, (22, 77), None),
            (V, (22, 77), QtWidgets.QSlider.TickPosition.TicksLeft),
        ],
        ids=["h-2", "h-4-ticks-above", "v-2", "v-2-ticks-left"],
    )
    def test_each_handle_is_painted_where_its_value_is(self, qtbot, sheet, orientation, value, ticks):
        s = make_slider(qtbot, orientation, value=value, sheet=sheet, ticks=ticks)
        pixmap = s.grab()
        assert not pixmap.isNull() and pixmap.size() == s.size()
        handles = painted_handles(s)
        assert len(handles) == len(value)
        length = s.width() if orientation == H else s.height()
        for (centre, size), v in zip(handles, value):
            # ``size`` is the green part only (the styled handle is a green dot
            # inside a larger white disc), hence the few pixels of slack.
            expected = size / 2 + (v - s.minimum()) / (s.maximum() - s.minimum()) * (length - size)
            assert abs(centre - expected) <= 8, (centre, expected)

    @pytest.mark.parametrize("sheet", [SYSTEM_QSS, QSS], ids=["system", "styled"])
    def test_bar_is_painted_between_outer_handles(self, qtbot, sheet):
        s = make_slider(qtbot, value=(20, 80), sheet=sheet)
        image = s.grab().toImage()
        (low, _), (high, _) = painted_handles(s)
        y = s.height() // 2
        inside = image.pixelColor(int((low + high) / 2), y)
        outside = image.pixelColor(3, y)
        assert inside != outside

    def test_style_sheets_reapplied_on_a_shown_slider_are_parsed(self, qtbot):
        # The range bar's look is taken from the style sheet when Qt reports a
        # style change, which for an already polished widget happens on each
        # setStyleSheet call.
        s = make_slider(qtbot, value=(20, 80), sheet=SYSTEM_QSS)
        s.setStyleSheet(SYSTEM_QSS)  # no groove rule: the platform bar brush stays
        assert s.barColor.style() == QtCore.Qt.BrushStyle.SolidPattern
        s.setStyleSheet(QSS)  # groove rule found: bar outline only, no fill
        assert s.barColor.style() == QtCore.Qt.BrushStyle.NoBrush
        assert len(painted_handles(s)) == 2
