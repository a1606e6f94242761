"""PyWidgetBase sizes and absolute positioning, on real widget trees, plus
differential tests of the size and offset parsers against small oracles."""

import math
import re
from unittest import mock

import pytest
from hypothesis import HealthCheck, given, settings, strategies as st
from PySide6.QtCore import QPoint, QSize, Signal
from PySide6.QtWidgets import QWidget

from tovane.hooks import State
from tovane.material.brevant import brevant
from tovane.material.brevant import PyWidgetBase
from brevant_widgets import Box




class QuietBox(QWidget, PyWidgetBase):
    """A foundation widget whose Qt resize events stay Qt's own."""

    def __init__(self, parent=None, sx=None):
        QWidget.__init__(self, parent)
        PyWidgetBase.__init__(self)
        self._setup_sx_position(sx)


class MainWindow(QWidget):
    sizeChanged = Signal(QSize)

    def resizeEvent(self, event):
        self.sizeChanged.emit(event.size())


@pytest.fixture
def main_window(qapp):
    window = MainWindow()
    window.resize(600, 800)
    qapp.mainWindow = window
    yield window
    del qapp.mainWindow


@pytest.fixture
def top(qapp):
    window = QWidget()
    window.resize(800, 600)
    window.move(30, 40)
    window.show()
    yield window
    window.close()
    window.deleteLater()


def outcome(fn, *args):
    try:
        result = fn(*args)
    except Exception as e:  # compared, exceptions included
        return ("raises", type(e), str(e))
    return ("returns", type(result), result)


# --- oracles ----------------------------------------------------------------

WIDGET_SIZE_MAX = (1 << 24) - 1  # Qt's QWIDGETSIZE_MAX


def px(value):
    """int(value) as a pixel count Qt can take: 0 when not finite, clamped."""
    if isinstance(value, float) and not math.isfinite(value):
        return 0
    return max(-WIDGET_SIZE_MAX, min(WIDGET_SIZE_MAX, int(value)))


def size_oracle(val, parent_size):
    if isinstance(val, (int, float)):
        return px(parent_size * val) if 0 < val <= 1 else px(val)
    if not isinstance(val, str):
        return 0
    s = val.strip()
    for suffix, scaled in (("%", True), ("vh", True), ("vw", True), ("px", False)):
        if s.endswith(suffix):
            try:
                p = float(s[:-len(suffix)])
            except ValueError:
                return 0
            return px(parent_size * (p / 100)) if scaled else px(p)
    try:
        p = float(s)
    except ValueError:
        return 0
    return px(p)


def offset_oracle(val, total):
    def number(text):
        try:
            return float(text)
        except ValueError:
            return 0

    if isinstance(val, (int, float)):
        return px(val)
    if not isinstance(val, str):
        return 0
    m = re.match(r"^\s*([-+]?\d+)%\s*([-+])\s*(\d+)px\s*$", val)
    if m:
        base = total * (number(m[1]) / 100)
        return px(base - number(m[3])) if m[2] == "-" else px(base + number(m[3]))
    s = val.strip()
    if s.endswith("%"):
        return px(total * (number(s[:-1]) / 100))
    if s.endswith("px"):
        return px(number(s[:-2]))
    try:
        return px(float(val))
    except Exception:
        return 0


def along(near, far, total, own):
    """Where an edge lands: the near offset wins, else the far one, else 0."""
    if near is not None:
        return offset_oracle(near, total)
    if far is not None:
        return px(total - own - offset_oracle(far, total))
    return 0


# --- generated values ---------------------------------------------------------

blanks = st.sampled_from(["", " ", "  ", "\t", "\n", "\xa0", "\u3000", "\u2003"])
digits = st.text(alphabet="0123456789\u0660\u0663\u0669\uff10\uff15\u096a\u09ec", min_size=1, max_size=4)
numbers = st.one_of(
    st.builds(lambda sign, whole, frac, exp: sign + whole + frac + exp,
              st.sampled_from(["", "+", "-", "--"]), digits,
              st.sampled_from(["", ".", ".5", ".\u0665", "_0"]),
              st.sampled_from(["", "e2", "E-3", "e400", "e", "e+1"])),
    st.sampled_from(["inf", "-inf", "nan", "Infinity", "1_000", "", ".", "abc", "0x10", "9" * 400]),
)
suffixes = st.sampled_from(["", "%", "px", "vh", "vw", "%%", " px", "p", "PX", "x%", "pxpx"])
size_texts = st.builds(lambda a, n, b, s, c: a + n + b + s + c, blanks, numbers, blanks, suffixes, blanks)
calc_texts = st.builds(lambda a, n, b, sign, c, m, d: f"{a}{n}%{b}{sign}{c}{m}px{d}",
                       blanks, numbers, blanks, st.sampled_from(["-", "+", "", "*", "+-"]), blanks, numbers, blanks)
values = st.one_of(
    st.integers(-10**20, 10**20), st.floats(), st.booleans(), size_texts, calc_texts, st.text(max_size=12),
    st.none(), st.lists(st.integers(), max_size=2), st.binary(max_size=3),
)


class TestSizeParser:
    @pytest.mark.parametrize("val, parent_size, expected", [
        (0.5, 300, 150), (1, 300, 300), (1.0, 300, 300), (2, 300, 2), (0, 300, 0), (1.5, 300, 1),
        (True, 300, 300), ("25%", 200, 50), (" 10vh ", 400, 40), ("10vw", 400, 40), ("12.9px", 0, 12),
        ("abc", 100, 0), ("7.9", 100, 7), (None, 100, 0), ([1], 100, 0), ("50 %", 100, 50),
        ("1e2", 100, 100), ("-5", 100, -5), ("-20px", 100, -20), ("x%", 100, 0),
    ])
    def test_examples(self, qapp, val, parent_size, expected):
        result = Box()._parse_size_value(val, parent_size)
        assert result == expected and type(result) is int

    def test_non_finite_sizes_are_zero_and_huge_ones_qt_sized(self, qapp):
        parse = Box()._parse_size_value
        assert [parse(v, 100) for v in ("inf", float("inf"), "nan%", "-inf px", float("nan"))] == [0] * 5
        assert parse(10**30, 100) == WIDGET_SIZE_MAX and parse("-1e300px", 100) == -WIDGET_SIZE_MAX
        assert parse(0.5, 10**40) == WIDGET_SIZE_MAX

    @settings(max_examples=600, deadline=None, suppress_health_check=[HealthCheck.function_scoped_fixture])
    @given(val=values, parent_size=st.integers(-10**6, 10**6))
    def test_agrees_with_oracle(self, qapp, val, parent_size):
        assert outcome(Box()._parse_size_value, val, parent_size) == outcome(size_oracle, val, parent_size)


class Captured(Exception):
    pass


def record_point(x, y):
    raise Captured(x, y)


class TestOffsetParser:
    """The offset parser, seen through the point update_absolute_position builds."""

    @pytest.fixture
    def placed(self, top):
        container = QuietBox(top, {"position": "relative"})
        child = Box(container, {"position": "absolute"})
        child.resize(37, 13)
        return container, child

    @staticmethod
    def point(child):
        with mock.patch.object(brevant, "QPoint", record_point):
            try:
                child.update_absolute_position()
            except Captured as c:
                x, y = c.args
                return ("returns", (type(x), type(y)), (x, y))
            except Exception as e:
                return ("raises", type(e), str(e))
        raise AssertionError("update_absolute_position made no point")

    @pytest.mark.parametrize("val, total, expected", [
        (10, 300, 10), (0.5, 300, 0), (10.9, 300, 10), ("50%", 300, 150), ("50% - 10px", 300, 140),
        ("-10%+5px", 200, -15), (" 20px ", 0, 20), ("abc", 100, 0), ("7", 100, 7), (None, 100, 0),
        ("12.5% - 3px", 200, 0), ("12.5%", 200, 25), ("10vh", 100, 0), ("+25%+4px", 100, 29), ([5], 100, 0),
    ])
    def test_examples(self, placed, val, total, expected):
        container, child = placed
        container.resize(total, 50)
        child._sx = {"position": "absolute", "left": val}
        assert self.point(child) == ("returns", (int, int), (expected, 0))

    @settings(max_examples=400, deadline=None, suppress_health_check=[HealthCheck.function_scoped_fixture])
    @given(left=values, top=values, width=st.integers(0, 3000), height=st.integers(0, 3000))
    def test_left_top_agree_with_oracle(self, placed, left, top, width, height):
        container, child = placed
        container.resize(width, height)
        child._sx = {"position": "absolute", "left": left, "top": top, "right": 1, "bottom": 1}
        expected = outcome(lambda: (along(left, 1, width, 37), along(top, 1, height, 13)))
        if expected[0] == "returns":
            expected = ("returns", (int, int), expected[2])
        assert self.point(child) == expected

    @settings(max_examples=300, deadline=None, suppress_health_check=[HealthCheck.function_scoped_fixture])
    @given(right=values, bottom=values)
    def test_right_bottom_agree_with_oracle(self, placed, right, bottom):
        container, child = placed
        container.resize(301, 199)
        child._sx = {"position": "absolute", "right": right, "bottom": bottom}
        expected = outcome(lambda: (along(None, right, 301, 37), along(None, bottom, 199, 13)))
        if expected[0] == "returns":
            expected = ("returns", (int, int), expected[2])
        assert self.point(child) == expected


# --- sizes on widgets ---------------------------------------------------------------

class TestSizes:
    def test_width_branches(self, qapp):
        w = Box(sx={"width": "50%"})
        assert (w._width_type, w._width, w.minimumWidth()) == ("%", "50%", 0)
        w = Box(sx={"width": 120})
        assert (w._width_type, w.minimumWidth()) == ("px", 120)
        parent = QWidget()
        parent.resize(400, 300)
        w = Box(parent, {"width": "30vw"})
        assert (w._width_type, w._width, w.minimumWidth(), w.width()) == ("vw", "30vw", 0, 100)
        w = Box(parent, {"width": 0.5, "height": 0.1})
        assert (w._width_type, w.minimumWidth(), w._height_type, w.minimumHeight()) == ("float", 200, "float", 30)
        w = Box(parent, {"width": 1, "height": "50% "})  # int 1 and an unstripped "%" take the pixel branch
        assert (w._width_type, w.minimumWidth(), w._height_type, w.minimumHeight()) == ("px", 400, "px", 150)
        w = Box(parent, {"width": "25%", "height": "10%"})
        assert (w.minimumWidth(), w.minimumHeight()) == (100, 30)
        w = Box(parent, {"width": [1], "height": None})
        assert (w._width_type, w._width, w.minimumWidth(), w._height_type) == ("px", [1], 0, None)

    def test_minimum_is_kept_when_the_key_goes(self, qapp):
        parent = QWidget()
        parent.resize(400, 300)
        state = State({"width": 0.25})
        w = Box(parent, state)
        assert w.minimumWidth() == 100
        state.value = {"height": 20}
        assert w.minimumWidth() == 100 and w._width == 0.25 and w.minimumHeight() == 20

    def test_vh_height_follows_the_main_window(self, main_window):
        w = Box(sx={"height": "50vh"})
        assert (w._height_type, w.minimumHeight(), w.maximumHeight()) == ("vh", 400, 400)
        main_window.resize(600, 0)
        w._update_size_from_sx()
        assert w.height() == 0 and w.maximumHeight() == 0

    def test_vh_height_without_main_window(self, qapp):
        assert not hasattr(qapp, "mainWindow")
        with pytest.raises(AttributeError, match="mainWindow"):
            Box(sx={"height": "10vh"})

    def test_vh_hook(self, main_window):
        got = []

        class Hooked(Box):
            def _update_height_vh_on_mainwindow_resize(self, new_size):
                got.append(new_size)

        w = Hooked(sx={"width": 10})
        w._PyWidgetBase__setup_vh_or_vw_height_width()
        w._sx = lambda: {"height": "20vw"}
        w._PyWidgetBase__setup_vh_or_vw_height_width()
        main_window.sizeChanged.emit(QSize(1, 2))
        assert got == []
        w._sx = State({"height": "20vh"})
        w._PyWidgetBase__setup_vh_or_vw_height_width()
        w._PyWidgetBase__setup_vh_or_vw_height_width()  # each call connects again
        main_window.sizeChanged.emit(QSize(3, 4))
        assert got == [QSize(3, 4), QSize(3, 4)]
        h = Box(sx={"height": "50vh"})
        h._PyWidgetBase__setup_vh_or_vw_height_width()
        main_window.resize(600, 300)
        assert h.height() == 400  # the stock slot recomputes nothing
        assert h._update_height_vh_on_mainwindow_resize(QSize()) is None

    def test_percent_resize(self, qapp):
        parent = QWidget()
        parent.resize(400, 300)
        w = QuietBox(parent, {})
        w.resize(80, 60)
        for sx, size in (({"width": 0.5}, (200, 60)), ({"height": "10%"}, (200, 30)),
                         ({"width": 0}, (200, 30)), ({"width": "100%", "height": 1}, (400, 300)),
                         ({"width": "%5%"}, (20, 300)), ({"width": "%5"}, (20, 300))):
            w._sx = sx
            w._apply_float_and_percent_sx_value()
            assert (w.width(), w.height()) == size, sx
        parent._flexWrap = True
        w._sx = {"width": 0.1}
        w._apply_float_and_percent_sx_value()
        assert w.width() == 20
        QuietBox(sx={"width": 0.5})._apply_float_and_percent_sx_value()  # no parent: nothing to measure

    def test_malformed_percent_propagates_out_of_resize(self, qapp):
        from tovane.errors import DeZidOzezuzavuvArazo
        parent = QWidget()
        w = QuietBox(parent, {"width": "?%"})
        with pytest.raises(DeZidOzezuzavuvArazo):
            PyWidgetBase.resizeEvent(w, None)

    def test_resize_event_applies_percentages(self, top):
        w = Box(top, {"width": "50%", "height": 0.5})
        w.show()
        w.resize(10, 10)
        assert (w.width(), w.height(), w.minimumWidth(), w.minimumHeight()) == (400, 300, 400, 300)


# --- absolute positioning -------------------------------------------------------

MARGINS = {"position": "relative", "margin": 8, "margin-left": "4px"}


class TestPositioning:
    @pytest.fixture
    def container(self, top):
        box = Box(top, dict(MARGINS))
        box.move(100, 50)
        box.resize(300, 200)
        box.show()
        return box

    @staticmethod
    def local(child, container, shift=(12, 8)):
        return (child.x() - container.x() - shift[0], child.y() - container.y() - shift[1])

    def test_relative_mark(self, top):
        state = State({"position": "relative"})
        box = Box(top, state)
        assert box._position == "relative" and box._relative_to is None
        state.value = {"position": "static"}
        assert box._position is None

    def test_child_is_registered_placed_and_shown(self, top, container):
        child = Box(container, {"position": "absolute", "right": 10})
        assert container._child_abs == [child] and child._relative_to is container
        assert child.parent() is top and child.isVisible()
        assert (child._position, child._left, child._right) == ("absolute", None, 10)
        assert self.local(child, container) == (300 - 100 - 10, 0)
        child.resize(50, 20)  # its own resize places it again
        assert self.local(child, container) == (240, 0)
        container._add_absolute_child(child)
        assert container._child_abs == [child]

    @pytest.mark.parametrize("sx, expected", [
        ({"left": 5, "right": 10}, (5, 0)),
        ({}, (0, 0)),
        ({"top": "10%", "bottom": 3}, (0, 20)),
        ({"bottom": 3, "left": "50% - 10px"}, (140, 200 - 30 - 3)),
        ({"left": "abc", "top": "7px"}, (0, 7)),
    ])
    def test_offsets(self, container, sx, expected):
        child = Box(container, {"position": "absolute", **sx})
        assert self.local(child, container) == expected

    def test_through_plain_qt_ancestor(self, top, container):
        middle = QWidget(container)
        child = Box(middle, {"position": "absolute", "left": 1, "top": 2})
        assert child._relative_to is container and child.parent() is top
        assert self.local(child, container) == (1, 2)

    def test_container_resize_and_sx_change_replace_children(self, top):
        state = State(dict(MARGINS))
        box = Box(top, state)
        box.move(100, 50)
        box.resize(300, 200)
        box.show()
        a = Box(box, {"position": "absolute", "right": 0, "bottom": 0})
        b = Box(box, {"position": "absolute", "left": "50%"})
        box.resize(400, 300)
        # margins are read only from a plain dict, not through the State
        assert self.local(a, box, (0, 0)) == (300, 270) and self.local(b, box, (0, 0)) == (200, 0)
        a.move(0, 0)
        b.move(0, 0)
        state.value = {"position": "relative", "margin-top": "5px"}
        assert self.local(a, box, (0, 0)) == (300, 270) and self.local(b, box, (0, 0)) == (200, 0)

    @pytest.mark.parametrize("sx, shift", [
        ({"margin": 8, "margin-left": "4px"}, (12, 8)),
        ({"margin": "8"}, (0, 0)),
        ({"margin": "x px"}, (0, 0)),
        ({"margin": "nanpx", "margin-top": "-3px"}, (0, -3)),
        ({"margin-top": 2.9, "margin-left": "1e1px"}, (10, 2)),
        ({"margin": True}, (1, 1)),
        ({"margin": "10%", "margin-right": 50, "margin-bottom": 9}, (0, 0)),
        ({}, (0, 0)),
    ])
    def test_margin_shift(self, qapp, sx, shift):
        owner = Box()
        owner._relative_to = Box(sx=sx)
        pos = QPoint(1, 1)
        assert owner._ajustPositionBaseOnParentMarginValue(pos) is pos
        assert (pos.x(), pos.y()) == (1 + shift[0], 1 + shift[1])

    def test_margin_needs_a_plain_dict(self, qapp):
        owner = Box()
        owner._relative_to = Box(sx=State({"margin": 5}))
        pos = QPoint(0, 0)
        owner._ajustPositionBaseOnParentMarginValue(pos)
        owner._relative_to._sx = lambda: {"margin": 5}
        owner._ajustPositionBaseOnParentMarginValue(pos)
        assert pos == QPoint(0, 0)
        owner._relative_to._sx = {"margin": float("inf"), "margin-left": 10**30}
        owner._ajustPositionBaseOnParentMarginValue(pos)
        assert pos == QPoint(WIDGET_SIZE_MAX, 0)

    def test_top_level_container_never_moves_its_child(self, qapp):
        box = Box(sx={"position": "relative", "margin": 8})
        child = Box(box, {"position": "absolute", "left": 5, "top": 5})
        assert box._child_abs == [child] and child.parent() is box and child.pos() == QPoint(0, 0)
        box.update_absolute_children()
        assert child.pos() == QPoint(0, 0)

    def test_registry_repair(self, top, container):
        other = Box(top, {"position": "relative"})
        other.move(500, 300)
        other.resize(200, 100)
        c1, c2, c3 = (Box(container, {"position": "absolute", "left": n, "top": n}) for n in (1, 2, 3))
        assert container._child_abs == [c1, c2, c3]
        c1._relative_to = other
        c2.move(0, 0)
        container.update_absolute_children()
        assert container._child_abs == [c2, c3] and other._child_abs == [c1]
        assert self.local(c1, other, (0, 0)) == (1, 1)
        assert self.local(c2, container) == (2, 2) and self.local(c3, container) == (3, 3)

    def test_non_absolute_child_is_dropped_not_handed_on(self, top, container):
        state = State({"position": "absolute", "left": 4})
        child = Box(container, state)
        keeper = Box(container, {"position": "absolute"})
        state.value = {"position": "static", "left": 4}
        assert child._relative_to is None and child._position is None and child._left is None
        assert container._child_abs == [child, keeper]
        container.update_absolute_children()
        assert container._child_abs == [keeper]

    def test_remove_child(self, top, container):
        child = Box(container, {"position": "absolute"})
        stranger = Box()
        container._remove_absolute_child(stranger)
        container._remove_absolute_child(child)
        assert container._child_abs == [] and child._relative_to is None
        child._initialize_positioning()  # searches again from its new parent
        assert child._relative_to is None and child.parent() is top

    def test_placement_preconditions(self, top, container):
        child = Box(container, {"position": "absolute", "left": 9})
        child.move(0, 0)
        child._sx = {"position": "static", "left": 9}
        child.update_absolute_position()
        child._sx = {"position": "absolute", "left": 9}
        child._relative_to = None
        child.update_absolute_position()
        assert child.pos() == QPoint(0, 0)
        child._relative_to = container
        child._sx = {"position": 5}
        with pytest.raises(TypeError, match="^Expected str, got int$"):
            child.update_absolute_position()
        with pytest.raises(TypeError, match="^Expected str, got int$"):
            child.resizeEvent(None)

    def test_container_without_sx(self, top):
        class Marked(QWidget, PyWidgetBase):
            def __init__(self, parent):
                QWidget.__init__(self, parent)
                PyWidgetBase.__init__(self)
                self._position = "relative"

        with pytest.raises(AttributeError, match="_sx"):
            Box(Marked(top), {"position": "absolute"})
