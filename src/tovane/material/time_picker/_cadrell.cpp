// _cadrell: the base class of the time pickers.
//
//     from PySide6.QtCore import Signal, QTime
//     from tovane.material.picker_base import PickerBase
//
//     class TimePickerBase(PickerBase):
//         """ Time picker base class """
//         timeChanged = Signal(QTime)
//         ...
#include "kit/kit.hpp"

namespace {

using namespace kit;

// def __init__(self, parent=None, showSeconds=False):
//     super().__init__(parent=parent)
//     self._isSecondVisible = showSeconds
//     self._time = QTime()
const Def TimePickerBase__init__{
    "def __init__(self, parent=None, showSeconds=False)",
    [](const Frame& f, PyObject* self, PyObject* parent, PyObject* showSeconds) {
        call_kw(f.super_attr(self, KIT_STR("__init__")), {}, {{"parent", parent}});
        setattr(self, KIT_STR("_isSecondVisible"), showSeconds);
        setattr(self, KIT_STR("_time"), call(KIT_GLOBAL("QTime")));
    }};

// def getTime(self):
//     return self._time
const Def TimePickerBase_getTime{"def getTime(self)", [](PyObject* self) { return getattr(self, KIT_STR("_time")); }};

// def setTime(self, time: QTime):
//     """ set current time ... """
//     raise NotImplementedError
const Def TimePickerBase_setTime{
    "def setTime(self, time: QTime)", [](PyObject*, PyObject*) { raise(PyExc_NotImplementedError); },
    {.doc = " set current time\n\n        Parameters\n        ----------\n        time: QTime\n"
            "            current time\n        "}};

// def isSecondVisible(self):
//     return self._isSecondVisible
const Def TimePickerBase_isSecondVisible{"def isSecondVisible(self)",
                                         [](PyObject* self) { return getattr(self, KIT_STR("_isSecondVisible")); }};

// def setSecondVisible(self, isVisible: bool):
//     """ set the visibility of seconds column """
//     raise NotImplementedError
const Def TimePickerBase_setSecondVisible{"def setSecondVisible(self, isVisible: bool)",
                                          [](PyObject*, PyObject*) { raise(PyExc_NotImplementedError); },
                                          {.doc = " set the visibility of seconds column "}};

void body() {
    from_import("PySide6.QtCore", {"Signal", "QTime"});
    from_import("tovane.material.picker_base", {"PickerBase"});

    ClassBuilder cls("TimePickerBase", {KIT_GLOBAL("PickerBase")}, {.doc = " Time picker base class "});
    cls.attr("timeChanged", call(KIT_GLOBAL("Signal"), KIT_GLOBAL("QTime")));
    cls.def(TimePickerBase__init__);
    cls.def(TimePickerBase_getTime);
    cls.def(TimePickerBase_setTime);
    cls.def(TimePickerBase_isSecondVisible);
    cls.def(TimePickerBase_setSecondVisible);
    cls.define();
}

}  // namespace

KIT_MODULE(_cadrell, body)
