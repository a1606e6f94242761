// flintor: the toggle button, a Button that stays down when pressed.
//
//     from typing import Optional, Callable, Union
//     from PySide6.QtWidgets import QWidget
//     from tovane.material.iconify import Iconify
//     from tovane.material.button import Button
//     from tovane.hooks import State
//     from tovane.material.component import Component, RenderContext
//
//     class ToggleButton(Button): ...
//
// The Button constructor runs in renderUi, not in __init__: construction only
// stores the parameters, the render pass builds the Qt widget.
#include "kit/kit.hpp"

namespace {

using namespace kit;

// def __init__(self, icon: Optional[Iconify] = ":/round/resource_tovane/round/access_time.svg",
//              text: Optional[Union[str, State, Callable]] = None,
//              value: Optional[object] = None, selected: bool = False, *args, **kwargs):
//     self._icon = icon
//     self._value = value
//     self._selected = selected
//     self._args = args
//     self._kwargs = kwargs
//     self._text = text                # the button's text, beside its icon (renderUi)
const Def ToggleButton__init__{
    "def __init__(self, icon: Optional[Iconify] = \":/round/resource_tovane/round/access_time.svg\", "
    "text: Optional[Union[str, State, Callable]] = None, value: Optional[object] = None, "
    "selected: bool = False, *args, **kwargs)",
    [](PyObject* self, PyObject* icon, PyObject* text, PyObject* value, PyObject* selected, PyObject* args,
       PyObject* kwargs) {
        setattr(self, KIT_STR("_icon"), icon);
        setattr(self, KIT_STR("_value"), value);
        setattr(self, KIT_STR("_selected"), selected);
        setattr(self, KIT_STR("_args"), args);
        setattr(self, KIT_STR("_kwargs"), kwargs);
        setattr(self, KIT_STR("_text"), text);
    }};

// def renderUi(self, ctx: RenderContext, parent: Optional[QWidget] = None) -> QWidget:
//     if self._text is None:
//         super().__init__(*self._args, startIcon=self._icon, value=self._value, **self._kwargs)
//     else:  # a str, a State (the text follows it) or a callable, as Button takes them
//         super().__init__(*self._args, startIcon=self._icon, value=self._value, text=self._text, **self._kwargs)
//     super().renderUi(ctx=ctx, parent=parent)
//     self.setObjectName(f"ToggleButton-{id(self)}")
//     self._setup_flintor()
const Def ToggleButton_renderUi{
    "def renderUi(self, ctx: RenderContext, parent: Optional[QWidget] = None) -> QWidget",
    [](const Frame& f, PyObject* self, PyObject* ctx, PyObject* parent) {
        Ref init = f.super_attr(self, KIT_STR("__init__"));
        Ref args = getattr(self, KIT_STR("_args"));
        Ref icon = getattr(self, KIT_STR("_icon"));
        Ref value = getattr(self, KIT_STR("_value"));
        Ref extra = getattr(self, KIT_STR("_kwargs"));
        Ref text = getattr(self, KIT_STR("_text"));
        if (text.get() == Py_None) call_unpacked(init, args, {{"startIcon", icon}, {"value", value}}, extra);
        else call_unpacked(init, args, {{"startIcon", icon}, {"value", value}, {"text", text}}, extra);

        call_kw(f.super_attr(self, KIT_STR("renderUi")), {}, {{"ctx", ctx}, {"parent", parent}});
        call_method(self, KIT_STR("setObjectName"), strf("ToggleButton-%S", id(self).get()));
        call_method(self, KIT_STR("_setup_flintor"));
    }};

// def _setup_flintor(self):
//     self.setCheckable(True)
//     if self._selected:
//         super().set_selected(True)
const Def ToggleButton__setup_flintor{"def _setup_flintor(self)", [](const Frame& f, PyObject* self) {
                                          call_method(self, KIT_STR("setCheckable"), Py_True);
                                          if (truthy(getattr(self, KIT_STR("_selected"))))
                                              call(f.super_attr(self, KIT_STR("set_selected")), Py_True);
                                      }};

void body() {
    from_import("typing", {"Optional", "Callable", "Union"});
    from_import("PySide6.QtWidgets", {"QWidget"});
    from_import("tovane.material.iconify", {"Iconify"});
    from_import("tovane.material.button", {"Button"});
    from_import("tovane.hooks", {"State"});
    from_import("tovane.material.component", {"Component", "RenderContext"});

    ClassBuilder cls("ToggleButton", {KIT_GLOBAL("Button")});
    cls.def(ToggleButton__init__);
    cls.def(ToggleButton_renderUi);
    cls.def(ToggleButton__setup_flintor);
    cls.define();
}

}  // namespace

KIT_MODULE(flintor, body)
