// _cadrell: the base class of the time pickers.
//
//     class TimePickerBase(PickerBase):
//         """ Time picker base class """
//         timeChanged = Signal(QTime)
//
//         def __init__(self, parent=None, showSeconds=False):
//             super().__init__(parent=parent)
//             self._isSecondVisible = showSeconds
//             self._time = QTime()
//         def getTime(self): return self._time
//         def setTime(self, time: QTime): raise NotImplementedError
//         def isSecondVisible(self): return self._isSecondVisible
//         def setSecondVisible(self, isVisible: bool): raise NotImplementedError
#include "kit/kit.hpp"

namespace {

using namespace kit;

Ref TimePickerBase__init__(const Args& a) {
    PyObject* self = a[0];
    Ref init = getattr(super(a.owner(), self), KIT_STR("__init__"));
    call_kw(init, {}, {{"parent", a[1]}});
    setattr(self, KIT_STR("_isSecondVisible"), a[2]);
    Ref time = call(KIT_GLOBAL("QTime"));
    setattr(self, KIT_STR("_time"), time);
    return none();
}

Ref TimePickerBase_getTime(const Args& a) { return getattr(a[0], KIT_STR("_time")); }

Ref TimePickerBase_isSecondVisible(const Args& a) { return getattr(a[0], KIT_STR("_isSecondVisible")); }

Ref raise_not_implemented(const Args&) { raise_object(PyExc_NotImplementedError); }

void body() {
    from_import("PySide6.QtCore", {"Signal", "QTime"});
    from_import("tovane.material.picker_base", {"PickerBase"});

    Ref picker_base = KIT_GLOBAL("PickerBase");
    ClassBuilder cls("TimePickerBase", {picker_base.get()}, " Time picker base class ");
    Ref signal = call(KIT_GLOBAL("Signal"), KIT_GLOBAL("QTime").get());
    cls.attr("timeChanged", signal);
    cls.def({"__init__", TimePickerBase__init__, {"self", Param("parent", None), Param("showSeconds", Bool(false))}});
    cls.def({"getTime", TimePickerBase_getTime, {"self"}});
    cls.def({"setTime", raise_not_implemented, {"self", Param("time", "QTime")},
             " set current time\n\n        Parameters\n        ----------\n        time: QTime\n"
             "            current time\n        "});
    cls.def({"isSecondVisible", TimePickerBase_isSecondVisible, {"self"}});
    cls.def({"setSecondVisible", raise_not_implemented, {"self", Param("isVisible", "bool")},
             " set the visibility of seconds column "});
    Ref built = cls.build();
    set_global("TimePickerBase", built);
}

}  // namespace

KIT_MODULE(_cadrell, "_cadrell", "_cadrell", nullptr, body)
