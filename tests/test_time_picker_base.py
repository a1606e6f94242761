"""The time pickers' base class."""

import inspect

import pytest
from PySide6.QtCore import QTime

from leakcheck import assert_no_leak

from tovane.material.picker_base import PickerBase
from tovane.material.time_picker._cadrell import TimePickerBase


def test_surface():
    assert TimePickerBase.__bases__ == (PickerBase,)
    assert TimePickerBase.__module__ == "_cadrell"
    assert TimePickerBase.__doc__ == " Time picker base class "
    assert TimePickerBase.setTime.__doc__ == (
        " set current time\n\n        Parameters\n        ----------\n        time: QTime\n"
        "            current time\n        ")
    assert TimePickerBase.setSecondVisible.__doc__ == " set the visibility of seconds column "
    assert TimePickerBase.setTime.__annotations__ == {"time": "QTime"}
    assert TimePickerBase.setSecondVisible.__annotations__ == {"isVisible": "bool"}
    assert str(inspect.signature(TimePickerBase.__init__)) == "(self, parent=None, showSeconds=False)"
    assert TimePickerBase.getTime.__qualname__ == "TimePickerBase.getTime"


def test_fresh_instance(qapp):
    p = TimePickerBase()
    assert p.getTime().isNull() and p.isSecondVisible() is False
    assert p.getTime() is p.getTime()  # the stored object, not a copy
    assert TimePickerBase(showSeconds=1).isSecondVisible() == 1
    assert type(TimePickerBase(showSeconds=1).isSecondVisible()) is int


def test_abstract_setters(qapp):
    p = TimePickerBase(showSeconds=True)
    with pytest.raises(NotImplementedError) as info:
        p.setTime(QTime(10, 30))
    assert info.value.args == ()
    assert p.getTime().isNull()
    with pytest.raises(NotImplementedError):
        p.setSecondVisible(False)
    assert p.isSecondVisible() is True
    with pytest.raises(TypeError, match=r"TimePickerBase\.setTime\(\) missing 1 required positional argument"):
        p.setTime()


def test_base_initialiser_gets_parent_by_keyword_first(qapp):
    from PySide6.QtWidgets import QWidget

    seen = []

    class Spy(PickerBase):
        def __init__(self, *args, **kwargs):
            seen.append((args, dict(kwargs), hasattr(self, "_time"), hasattr(self, "_isSecondVisible")))
            super().__init__(*args, **kwargs)

    class Picker(TimePickerBase, Spy):
        pass

    parent = QWidget()
    p = Picker(parent, True)
    assert seen == [((), {"parent": parent}, False, False)]
    assert p.parent() is parent and p.isSecondVisible() is True


def test_base_errors_propagate(qapp):
    class Boom(PickerBase):
        def __init__(self, **kwargs):
            raise OSError("no")

    class Picker(TimePickerBase, Boom):
        pass

    p = Picker.__new__(Picker)
    with pytest.raises(OSError):
        Picker.__init__(p)
    assert not hasattr(p, "_isSecondVisible") and not hasattr(p, "_time")


def test_concrete_picker(qtbot):
    class Picker(TimePickerBase):
        def setTime(self, time):
            self._time = time
            self.timeChanged.emit(time)

    p = Picker()
    with qtbot.waitSignal(p.timeChanged) as blocker:
        p.setTime(QTime(8, 15))
    assert blocker.args == [QTime(8, 15)]
    assert p.getTime() == QTime(8, 15)


def test_no_leaks(qapp):
    p = TimePickerBase()

    def calls():
        p.getTime()
        p.isSecondVisible()
        try:
            p.setTime(None)
        except NotImplementedError:
            pass

    assert_no_leak(calls)
    assert_no_leak(lambda: TimePickerBase(), calls=5_000, max_objects=500, max_blocks=2_000,
                   max_bytes=512 * 1024)
