// flintor: the toggle button, a Button that stays down when pressed.
//
//     class ToggleButton(Button):
//         def __init__(self, icon: "Optional[Iconify]" = ":/round/resource_tovane/round/access_time.svg",
//                      text: "Optional[Union[str, State, Callable]]" = None,
//                      value: "Optional[object]" = None, selected: "bool" = False,
//                      *args, **kwargs):
//             self._icon = icon
//             self._value = value
//             self._selected = selected
//             self._args = args
//             self._kwargs = kwargs
//
//         def renderUi(self, ctx: "RenderContext", parent: "Optional[QWidget]" = None) -> "QWidget":
//             super().__init__(*self._args, startIcon=self._icon, value=self._value, **self._kwargs)
//             super().renderUi(ctx=ctx, parent=parent)
//             self.setObjectName(f"ToggleButton-{id(self)}")
//             self._setup_flintor()
//
//         def _setup_flintor(self):
//             self.setCheckable(True)
//             if self._selected:
//                 super().set_selected(True)
//
// The Button constructor runs in renderUi, not in __init__: construction only
// stores the parameters, the render pass builds the Qt widget.
#include "kit/kit.hpp"

namespace {

using namespace kit;

// def __init__(self, icon=..., text=None, value=None, selected=False, *args, **kwargs)
Ref ToggleButton__init__(const Args& a) {
    PyObject* self = a[0];
    setattr(self, KIT_STR("_icon"), a[1]);
    setattr(self, KIT_STR("_value"), a[3]);
    setattr(self, KIT_STR("_selected"), a[4]);
    setattr(self, KIT_STR("_args"), a[5]);
    setattr(self, KIT_STR("_kwargs"), a[6]);
    return none();
}

// def renderUi(self, ctx, parent=None)
Ref ToggleButton_renderUi(const Args& a) {
    PyObject* self = a[0];
    Ref base = super(a.owner(), self);

    // super().__init__(*self._args, startIcon=self._icon, value=self._value, **self._kwargs)
    Ref init = getattr(base, KIT_STR("__init__"));
    Ref args = getattr(self, KIT_STR("_args"));
    Ref icon = getattr(self, KIT_STR("_icon"));
    Ref value = getattr(self, KIT_STR("_value"));
    Ref extra = getattr(self, KIT_STR("_kwargs"));
    call_unpacked(init, args, {{"startIcon", icon}, {"value", value}}, extra);

    // super().renderUi(ctx=ctx, parent=parent)
    Ref render = getattr(base, KIT_STR("renderUi"));
    call_kw(render, {}, {{"ctx", a[1]}, {"parent", a[2]}});

    // self.setObjectName(f"ToggleButton-{id(self)}")
    Ref identity = Ref::steal(PyLong_FromVoidPtr(self));
    Ref name = Ref::steal(PyUnicode_FromFormat("ToggleButton-%S", identity.get()));
    call_method(self, KIT_STR("setObjectName"), name);

    call_method(self, KIT_STR("_setup_flintor"));
    return none();
}

// def _setup_flintor(self)
Ref ToggleButton__setup_flintor(const Args& a) {
    PyObject* self = a[0];
    call_method(self, KIT_STR("setCheckable"), Py_True);
    Ref selected = getattr(self, KIT_STR("_selected"));
    if (truthy(selected)) {
        Ref set_selected = getattr(super(a.owner(), self), KIT_STR("set_selected"));
        call(set_selected, Py_True);
    }
    return none();
}

void body() {
    from_import("typing", {"Optional", "Callable", "Union"});
    from_import("PySide6.QtWidgets", {"QWidget"});
    from_import("tovane.material.iconify", {"Iconify"});
    from_import("tovane.material.button", {"Button"});
    from_import("tovane.hooks", {"State"});
    from_import("tovane.material.component", {"Component", "RenderContext"});

    Ref button = KIT_GLOBAL("Button");
    ClassBuilder cls("ToggleButton", {button.get()});
    cls.def({"__init__",
             ToggleButton__init__,
             {"self", Param("icon", Str(":/round/resource_tovane/round/access_time.svg"), "Optional[Iconify]"),
              Param("text", None, "Optional[Union[str, State, Callable]]"), Param("value", None, "Optional[object]"),
              Param("selected", Bool(false), "bool"), VarArgs("args"), VarKw("kwargs")}});
    cls.def({"renderUi",
             ToggleButton_renderUi,
             {"self", Param("ctx", "RenderContext"), Param("parent", None, "Optional[QWidget]")},
             nullptr,
             "QWidget"});
    cls.def({"_setup_flintor", ToggleButton__setup_flintor, {"self"}});
    Ref toggle = cls.build();
    set_global("ToggleButton", toggle);
}

}  // namespace

KIT_MODULE(flintor, "flintor", "flintor", nullptr, body)
