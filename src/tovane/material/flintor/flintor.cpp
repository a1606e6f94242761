// flintor: the toggle button, a Button that stays down when pressed.
//
//     from typing import Optional, Callable, Union
//     from PySide6.QtWidgets import QWidget
//     from tovane.material.iconify import Iconify
//     from tovane.material.button import Button
//     from tovane.hooks import State
//     from tovane.material.component import Component, RenderContext
//     from PySide6.QtCore import Qt
//
//     class ToggleButton(Button): ...
//
// The Button constructor runs in renderUi, not in __init__: construction only
// stores the parameters, the render pass builds the Qt widget.
//
// The toggle buttons of a QButtonGroup are one stop of the Tab key, as radio
// buttons are: Tab comes to the checked one, and the arrow keys move along
// the group (wrapping around), taking the check with them in an exclusive
// group.
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

// The step of an arrow key along a group: +1, -1, or 0 for any other key.
//     step = {Qt.Key.Key_Right: 1, Qt.Key.Key_Down: 1, Qt.Key.Key_Left: -1, Qt.Key.Key_Up: -1}.get(event.key(), 0)
//     if (event.key() in (Qt.Key.Key_Left, Qt.Key.Key_Right)
//             and self.layoutDirection() == Qt.LayoutDirection.RightToLeft):
//         step = -step
int arrow_step(PyObject* self, PyObject* key) {
    bool right = eq(key, member(KIT_GLOBAL("Qt"), "Key", "Key_Right"));
    bool left = eq(key, member(KIT_GLOBAL("Qt"), "Key", "Key_Left"));
    int step = 0;
    if (right || eq(key, member(KIT_GLOBAL("Qt"), "Key", "Key_Down")))
        step = 1;
    else if (left || eq(key, member(KIT_GLOBAL("Qt"), "Key", "Key_Up")))
        step = -1;
    if ((left || right) &&
        eq(call_method(self, KIT_STR("layoutDirection")), member(KIT_GLOBAL("Qt"), "LayoutDirection", "RightToLeft")))
        step = -step;
    return step;
}

// def keyPressEvent(self, event):
//     group = self.group()
//     step = <arrow_step above>
//     if group is None or step == 0:
//         super().keyPressEvent(event)
//         return
//     buttons = [b for b in group.buttons() if b is self or (b.isEnabled() and b.isVisible())]
//     target = buttons[(buttons.index(self) + step) % len(buttons)]
//     if target is not self:
//         if group.exclusive() and self.isChecked():
//             target.click()
//         target.setFocus(Qt.FocusReason.TabFocusReason if step > 0 else Qt.FocusReason.BacktabFocusReason)
//     event.accept()
// The buttons follow the group's order, not their places on the screen, so
// the keys keep working when a narrow window stacks them.
const Def ToggleButton_keyPressEvent{"def keyPressEvent(self, event)", [](const Frame& f, PyObject* self,
                                                                         PyObject* event) {
    refuse_none_event(event, "ToggleButton.keyPressEvent", "QKeyEvent");
    Ref group = call_method(self, KIT_STR("group"));
    int step = arrow_step(self, call_method(event, KIT_STR("key")));
    if (group.get() == Py_None || step == 0) {
        call(f.super_attr(self, KIT_STR("keyPressEvent")), event);
        return;
    }
    Ref buttons = new_list();
    Py_ssize_t own = -1;
    Ref all = call_method(group, KIT_STR("buttons"));
    for (Py_ssize_t i = 0, n = len(all); i < n; ++i) {
        Ref button = item(all, i);
        if (button.get() == self) own = len(buttons);
        if (button.get() == self || (truthy(call_method(button, KIT_STR("isEnabled"))) &&
                                     truthy(call_method(button, KIT_STR("isVisible")))))
            append(buttons, button);
    }
    if (own >= 0) {
        Py_ssize_t count = len(buttons);
        Ref target = item(buttons, ((own + step) % count + count) % count);
        if (target.get() != self) {
            if (truthy(call_method(group, KIT_STR("exclusive"))) && truthy(call_method(self, KIT_STR("isChecked"))))
                call_method(target, KIT_STR("click"));
            Ref reason = step > 0 ? member(KIT_GLOBAL("Qt"), "FocusReason", "TabFocusReason")
                                  : member(KIT_GLOBAL("Qt"), "FocusReason", "BacktabFocusReason");
            call_method(target, KIT_STR("setFocus"), reason.get());
        }
    }
    call_method(event, KIT_STR("accept"));
}};

// def focusInEvent(self, event):
//     group = self.group()
//     if (event.reason() in (Qt.FocusReason.TabFocusReason, Qt.FocusReason.BacktabFocusReason)
//             and group is not None and group.exclusive() and not self.isChecked()):
//         checked = next((b for b in group.buttons() if b.isChecked()), None)
//         if checked is not None and checked.isEnabled() and checked.isVisible():
//             checked.setFocus(event.reason())
//             return
//     super().focusInEvent(event)
// Tab into an exclusive group lands on its checked button.  (Not through
// group.checkedButton(): with PySide6 6.12 the button it returns, given focus
// from here, loses its Python attributes once the caller lets go of it.)
const Def ToggleButton_focusInEvent{"def focusInEvent(self, event)", [](const Frame& f, PyObject* self,
                                                                       PyObject* event) {
    refuse_none_event(event, "ToggleButton.focusInEvent", "QFocusEvent");
    Ref reason = call_method(event, KIT_STR("reason"));
    Ref group = call_method(self, KIT_STR("group"));
    if ((eq(reason, member(KIT_GLOBAL("Qt"), "FocusReason", "TabFocusReason")) ||
         eq(reason, member(KIT_GLOBAL("Qt"), "FocusReason", "BacktabFocusReason"))) &&
        group.get() != Py_None && truthy(call_method(group, KIT_STR("exclusive"))) &&
        !truthy(call_method(self, KIT_STR("isChecked")))) {
        Ref checked = none();
        Ref buttons = call_method(group, KIT_STR("buttons"));
        for (Py_ssize_t i = 0, n = len(buttons); i < n && checked.get() == Py_None; ++i) {
            Ref button = item(buttons, i);
            if (truthy(call_method(button, KIT_STR("isChecked")))) checked = button;
        }
        if (checked.get() != Py_None && truthy(call_method(checked, KIT_STR("isEnabled"))) &&
            truthy(call_method(checked, KIT_STR("isVisible")))) {
            call_method(checked, KIT_STR("setFocus"), reason.get());
            return;
        }
    }
    call(f.super_attr(self, KIT_STR("focusInEvent")), event);
}};

void body() {
    from_import("typing", {"Optional", "Callable", "Union"});
    from_import("PySide6.QtWidgets", {"QWidget"});
    from_import("tovane.material.iconify", {"Iconify"});
    from_import("tovane.material.button", {"Button"});
    from_import("tovane.hooks", {"State"});
    from_import("tovane.material.component", {"Component", "RenderContext"});
    from_import("PySide6.QtCore", {"Qt"});

    ClassBuilder cls("ToggleButton", {KIT_GLOBAL("Button")});
    cls.def(ToggleButton__init__);
    cls.def(ToggleButton_renderUi);
    cls.def(ToggleButton__setup_flintor);
    cls.def(ToggleButton_keyPressEvent);
    cls.def(ToggleButton_focusInEvent);
    cls.define();
}

}  // namespace

KIT_MODULE(flintor, body)
