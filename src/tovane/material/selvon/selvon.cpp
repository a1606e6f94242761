// selvon: the list item button, a clickable row of a list styled from the theme.
//
//     import ast
//     import asyncio
//     from functools import lru_cache
//     import threading
//     from typing import Callable, Optional
//     from PySide6.QtWidgets import QHBoxLayout, QWidget, QPushButton
//     from PySide6.QtCore import Qt, Signal, QTimer
//     from tovane.utils.data import deep_merge
//     from tovane.material.button_base.button_base import ButtonBase
//     from tovane.material.list_item_checkbox import ListItemCheckbox
//     from tovane.material.styles import useTheme
//     from tovane.material.styles import get_qss_style
//     from tovane.hooks import State, useEffect
//     from tovane.material.component import Component, RenderContext
//     from ._serializer import Serializer
//     from tovane.material.accessibility import announce_state
//     from tovane.material.focus_ring import draw_focus_ring
//     from tovane.material.interaction import FocusVisibility
//
//     class ListItemButton(QPushButton, Component, Serializer): ...
//
// Construction only stores and validates the parameters; renderUi builds the
// Qt widget, its children and its effects.  The look is one style sheet on the
// item, composed by two cached class-level builders: the theme's rules keyed
// by the object name, then the item's own sx rules.  The theme clears both
// caches on every change before its state reruns the restyling effects.
// Keyboard users press an item with Space, Enter or Return, as a click does,
// and see the theme's focus ring on it; assistive technology learns of a
// change of its selection (tovane.material.accessibility describes it).
#include "kit/kit.hpp"

#include <optional>

namespace {

using namespace kit;

// The slot run when a rendered item is destroyed.  One function object serves
// every item (a new bound method per item would cost PySide a receiver each).
//
//     def forget_rules(*args):
//         clear = getattr(ListItemButton._getStyleSheet, "cache_clear", None)
//         if clear is not None:
//             clear()
const Def forget_rules{"def forget_rules(*args)", [](PyObject* /*args*/) {
                           Ref builder = getattr(KIT_GLOBAL("ListItemButton"), KIT_STR("_getStyleSheet"));
                           Ref clear = getattr_or_null(builder, KIT_STR("cache_clear"));
                           if (clear && clear.get() != Py_None) call(clear);
                       }};

PyObject* forget_rules_function() {
    return KIT_CACHED(make_function(forget_rules, "ListItemButton.renderUi.<locals>.forget_rules"));
}

// Qt.WA_TransparentForMouseEvents
Ref transparent_for_mouse() { return getattr(KIT_GLOBAL("Qt"), KIT_STR("WA_TransparentForMouseEvents")); }

// The object name (a str, kept as it is: a name need not be encodable) whose
// freshly built theme rules had an "active" variant: the builder cannot reach
// the widget, so the item that asked for the text marks itself after the
// call.  Only the GUI thread styles widgets.
Held pending_active_name;

// --- construction and rendering --------------------------------------------

// def __init__(self, parent=None, *args, **kwargs):
//     self._kwargs = {**kwargs, "size": self._size if self._size else "medium"}
//     self.kwargs = kwargs
//     Serializer.__init__(self, **self._kwargs)
const Def ListItemButton__init__{
    "def __init__(self, parent=None, *args, **kwargs)",
    [](PyObject* self, PyObject* /*parent*/, PyObject* /*args*/, PyObject* kwargs) {
        Ref stored = Ref::steal(PyDict_Copy(kwargs));
        Ref size = getattr(self, KIT_STR("_size"));
        check(PyDict_SetItem(stored, KIT_STR("size"), truthy(size) ? size.get() : KIT_STR("medium")));
        setattr(self, KIT_STR("_kwargs"), stored);
        setattr(self, KIT_STR("kwargs"), kwargs);
        Ref init = getattr(KIT_GLOBAL("Serializer"), KIT_STR("__init__"));
        call_tuple(init, tuple_of(Ref::borrow(self)), getattr(self, KIT_STR("_kwargs")));
    }};

// The widget a child contributes to the row:
//     if isinstance(child, Component) or hasattr(child, "renderUi"):
//         widget = child.renderUi(ctx, parent=self)
//     elif isinstance(child, QWidget):
//         widget = child
//     else:
//         widget = None
Ref child_widget(PyObject* self, PyObject* ctx, PyObject* child) {
    if (isinstance(child, KIT_GLOBAL("Component")) || hasattr(child, KIT_STR("renderUi")))
        return call_kw(getattr(child, KIT_STR("renderUi")), {ctx}, {{"parent", self}});
    if (isinstance(child, KIT_GLOBAL("QWidget"))) return Ref::borrow(child);
    return none();
}

// def renderUi(self, ctx: RenderContext, parent: Optional[QWidget] = None) -> QWidget:
//     super().__init__(parent)
//     self.setObjectName(f"ListItemButton-{id(self)}")
//     self.destroyed.connect(forget_rules)              # see forget_rules
//     if self._sx:
//         self._setSx(self._sx)
//     self._setKwargs(self._kwargs)
//     self.setDisabled(self._disabled)
//     self.setLayout(QHBoxLayout())
//     self.layout().setContentsMargins(0, 0, 0, 0)
//     self.setMinimumHeight(38)
//     self.setCursor(Qt.CursorShape.PointingHandCursor)
//     if self._minHeight:
//         self.setMinimumHeight(self._minHeight)
//     if self._selectedKey and isinstance(self._selectedKey, State):
//         useEffect(self._set_selected, [self._selectedKey], component=self)
//     if isinstance(self._selected, State):
//         useEffect(self._set_selected, [self._selected], component=self)
//     children = self._get_children()
//     if isinstance(children, list):
//         for child in children:
//             widget = <child_widget above>
//             if widget is not None:
//                 self.layout().addWidget(widget)
//     if self.findChildren(ListItemCheckbox):
//         self._set_selected_key()
//     self.theme = useTheme()
//     useEffect(self._setStyleSheet, [self.theme.state], component=self)
//     return self
// The theme's rules are cached by object name, and the name holds the
// identity number, which Python hands out again once this item is gone: the
// cache is cleared when the widget is destroyed, so a later item of the same
// number never gets rules built from this one's parameters.  The selection
// effects run when they are registered, before the children exist; the
// checkbox of an item selected at render time is checked once the children
// are there, so the first paint shows the selection.
const Def ListItemButton_renderUi{
    "def renderUi(self, ctx: RenderContext, parent: Optional[QWidget] = None) -> QWidget",
    [](const Frame& f, PyObject* self, PyObject* ctx, PyObject* parent) -> Ref {
        call(f.super_attr(self, KIT_STR("__init__")), parent);
        call_method(self, KIT_STR("setObjectName"), strf("ListItemButton-%S", id(self).get()));
        call_method(getattr(self, KIT_STR("destroyed")), KIT_STR("connect"), forget_rules_function());
        Ref sx = getattr(self, KIT_STR("_sx"));
        if (truthy(sx)) call_method(self, KIT_STR("_setSx"), sx.get());
        call_method(self, KIT_STR("_setKwargs"), getattr(self, KIT_STR("_kwargs")));
        call_method(self, KIT_STR("setDisabled"), getattr(self, KIT_STR("_disabled")));
        call_method(self, KIT_STR("setLayout"), call(KIT_GLOBAL("QHBoxLayout")));
        PyObject* zero = KIT_CACHED(integer(0));
        call_method(call_method(self, KIT_STR("layout")), KIT_STR("setContentsMargins"), zero, zero, zero, zero);
        call_method(self, KIT_STR("setMinimumHeight"), KIT_CACHED(integer(38)));
        Ref cursor = member(KIT_GLOBAL("Qt"), "CursorShape", "PointingHandCursor");
        call_method(self, KIT_STR("setCursor"), cursor.get());
        Ref minHeight = getattr(self, KIT_STR("_minHeight"));
        if (truthy(minHeight)) call_method(self, KIT_STR("setMinimumHeight"), minHeight.get());

        Ref selectedKey = getattr(self, KIT_STR("_selectedKey"));
        if (truthy(selectedKey) && is_state(selectedKey))
            use_effect(getattr(self, KIT_STR("_set_selected")), selectedKey, self);
        Ref selected = getattr(self, KIT_STR("_selected"));
        if (is_state(selected)) use_effect(getattr(self, KIT_STR("_set_selected")), selected, self);

        Ref children = call_method(self, KIT_STR("_get_children"));
        if (PyList_Check(children.get())) {
            for (Ref child : iterate(children)) {
                Ref widget = child_widget(self, ctx, child);
                if (widget.get() != Py_None)
                    call_method(call_method(self, KIT_STR("layout")), KIT_STR("addWidget"), widget.get());
            }
        }
        if (truthy(call_method(self, KIT_STR("findChildren"), KIT_GLOBAL("ListItemCheckbox"))))
            call_method(self, KIT_STR("_set_selected_key"));

        setattr(self, KIT_STR("theme"), call(KIT_GLOBAL("useTheme")));
        Ref state = getattr(getattr(self, KIT_STR("theme")), KIT_STR("state"));
        use_effect(getattr(self, KIT_STR("_setStyleSheet")), state, self);
        return Ref::borrow(self);
    }};

// @classmethod
// def _setSx(cls, sx):
//     cls.sxDict = sx
const Def ListItemButton__setSx{"def _setSx(cls, sx)",
                                [](PyObject* cls, PyObject* sx) { setattr(cls, KIT_STR("sxDict"), sx); }};

// @classmethod
// def _setKwargs(cls, kwargs: dict = {}):
//     cls.ownerState = kwargs
const Def ListItemButton__setKwargs{"def _setKwargs(cls, kwargs: dict = {})", [](PyObject* cls, PyObject* kwargs) {
                                        require_exact_type(kwargs, &PyDict_Type, "kwargs");
                                        setattr(cls, KIT_STR("ownerState"), kwargs);
                                    }};

// --- selection ----------------------------------------------------------------

// In checkbox mode, mirror on the first ListItemCheckbox child whether this
// item's key is among the selected keys; false when there is no such child.
//
//     if len(self.findChildren(ListItemCheckbox)):
//         item_checkbox = self.findChildren(ListItemCheckbox)[0]
//         item_checkbox.setAttribute(Qt.WA_TransparentForMouseEvents)
//         if isinstance(self._selectedKey, State):
//             if self._key in self._selectedKey.value:
//                 item_checkbox._checkbox.set_checked(True)
//             else:
//                 item_checkbox._checkbox.set_checked(False)
bool sync_checkbox(PyObject* self) {
    Ref found = call_method(self, KIT_STR("findChildren"), KIT_GLOBAL("ListItemCheckbox"));
    if (len(found) == 0) return false;
    Ref item_checkbox = item(call_method(self, KIT_STR("findChildren"), KIT_GLOBAL("ListItemCheckbox")), Py_ssize_t{0});
    call_method(item_checkbox, KIT_STR("setAttribute"), transparent_for_mouse());
    Ref selectedKey = getattr(self, KIT_STR("_selectedKey"));
    if (is_state(selectedKey)) {
        bool checked = contains(getattr(selectedKey, KIT_STR("value")), getattr(self, KIT_STR("_key")));
        call_method(getattr(item_checkbox, KIT_STR("_checkbox")), KIT_STR("set_checked"), boolean(checked));
    }
    return true;
}

// def _set_selected_key(self, value=None):
//     if <checkbox mode, see sync_checkbox>:
//         ...
//         return
//     if isinstance(self._selectedKey, State):
//         self._selected = True if self._selectedKey.value == self._key else False
//     elif self._selectedKey:
//         self._selected = True if self._selectedKey == self._key else False
//     self._setStyleSheet()
const Def ListItemButton__set_selected_key{"def _set_selected_key(self, value=None)", [](PyObject* self, PyObject*) {
    if (sync_checkbox(self)) return;
    Ref selectedKey = getattr(self, KIT_STR("_selectedKey"));
    if (is_state(selectedKey)) {
        bool same = eq(getattr(selectedKey, KIT_STR("value")), getattr(self, KIT_STR("_key")));
        setattr(self, KIT_STR("_selected"), boolean(same));
    } else if (truthy(selectedKey)) {
        bool same = eq(selectedKey, getattr(self, KIT_STR("_key")));
        setattr(self, KIT_STR("_selected"), boolean(same));
    }
    call_method(self, KIT_STR("_setStyleSheet"));
}};

// def _set_selected(self, value=None):
//     <checkbox mode: see sync_checkbox>
//     self._setStyleSheet()
const Def ListItemButton__set_selected{"def _set_selected(self, value=None)", [](PyObject* self, PyObject*) {
                                           sync_checkbox(self);
                                           call_method(self, KIT_STR("_setStyleSheet"));
                                       }};

// def _get_align_items_style(self, alignItems):
//     if alignItems == "center":
//         return "text-align: center;"
//     elif alignItems == "flex-start":
//         return "text-align: left;"
//     return ""
const Def ListItemButton__get_align_items_style{
    "def _get_align_items_style(self, alignItems)", [](PyObject*, PyObject* alignItems) -> Ref {
        if (eq(alignItems, KIT_STR("center"))) return Ref::borrow(KIT_STR("text-align: center;"));
        if (eq(alignItems, KIT_STR("flex-start"))) return Ref::borrow(KIT_STR("text-align: left;"));
        return Ref::borrow(KIT_STR(""));
    }};

// --- events ---------------------------------------------------------------------

// What both focus handlers begin with:
//     super().<handler>(event)
//     if self._focusVisibleClassName:
//         rule = f" {self._focusVisibleClassName} {{ outline: 1px solid #000; }}"
//         sheet = self.styleSheet()
// Gives the rule and the sheet, or nothing when there is no class name.
// (None, which Qt's handler would take as a null pointer, is refused first.)
struct OutlinedSheet {
    Ref rule, sheet;
    bool ends_with_rule() const { return endswith(sheet, rule); }
};
std::optional<OutlinedSheet> after_focus_event(const Frame& f, PyObject* self, PyObject* handler, PyObject* event,
                                               const char* where) {
    refuse_none_event(event, where, "QFocusEvent");
    call(f.super_attr(self, handler), event);
    Ref className = getattr(self, KIT_STR("_focusVisibleClassName"));
    if (!truthy(className)) return std::nullopt;
    return OutlinedSheet{strf(" %S { outline: 1px solid #000; }", str_of(className).get()),
                         call_method(self, KIT_STR("styleSheet"))};
}

// Whether the item shows the focus ring, told of each focus event:
//     if not hasattr(self, "_focusVisibility"):
//         self._focusVisibility = FocusVisibility()
//     self._focusVisibility.<focusIn or focusOut>(event)
//     self.update()
void track_focus(PyObject* self, PyObject* handler, PyObject* event) {
    Ref visibility = getattr_or_null(self, KIT_STR("_focusVisibility"));
    if (!visibility) {
        visibility = call(KIT_GLOBAL("FocusVisibility"));
        setattr(self, KIT_STR("_focusVisibility"), visibility);
    }
    call_method(visibility, handler, event);
    call_method(self, KIT_STR("update"));
}

// def focusInEvent(self, event):
//     super().focusInEvent(event)
//     <track_focus above, with focusIn>
//     if self._focusVisibleClassName:
//         rule = f" {self._focusVisibleClassName} {{ outline: 1px solid #000; }}"
//         if not self.styleSheet().endswith(rule):
//             self.setStyleSheet(self.styleSheet() + rule)
// The rule is appended once: a focus-in that finds it in place adds nothing.
const Def ListItemButton_focusInEvent{"def focusInEvent(self, event)", [](const Frame& f, PyObject* self,
                                                                          PyObject* event) {
    auto outlined = after_focus_event(f, self, KIT_STR("focusInEvent"), event, "ListItemButton.focusInEvent");
    track_focus(self, KIT_STR("focusIn"), event);
    if (!outlined || outlined->ends_with_rule()) return;
    call_method(self, KIT_STR("setStyleSheet"), add(outlined->sheet, outlined->rule));
}};

// def focusOutEvent(self, event):
//     super().focusOutEvent(event)
//     <track_focus above, with focusOut>
//     if self._focusVisibleClassName:
//         rule = f" {self._focusVisibleClassName} {{ outline: 1px solid #000; }}"
//         sheet = self.styleSheet()
//         if sheet.endswith(rule):
//             self.setStyleSheet(sheet[:-len(rule)])
// Focus-out gives back the sheet as it was before the outline was added (a
// restyle in between has dropped the rule already).
const Def ListItemButton_focusOutEvent{"def focusOutEvent(self, event)", [](const Frame& f, PyObject* self,
                                                                            PyObject* event) {
    auto outlined = after_focus_event(f, self, KIT_STR("focusOutEvent"), event, "ListItemButton.focusOutEvent");
    track_focus(self, KIT_STR("focusOut"), event);
    if (!outlined || !outlined->ends_with_rule()) return;
    call_method(self, KIT_STR("setStyleSheet"), drop_last(outlined->sheet, len(outlined->rule)));
}};

// What a click reports, by the mouse or by a key:
//     if self._onClick:
//         try:
//             self._onClick(self._key)
//         except Exception:
//             self._onClick()
void report_click(PyObject* self) {
    if (!truthy(getattr(self, KIT_STR("_onClick")))) return;
    try {
        call(getattr(self, KIT_STR("_onClick")), getattr(self, KIT_STR("_key")));
    } catch (const Error&) {
        if (!PyErr_ExceptionMatches(PyExc_Exception)) throw;
        Handling handled;
        call(getattr(self, KIT_STR("_onClick")));
    }
}

// def mouseReleaseEvent(self, event):
//     <report_click above>
//     super().mouseReleaseEvent(event)
// (None, which Qt's handler would take as a null pointer, is refused after
// the click handler has run.)
const Def ListItemButton_mouseReleaseEvent{"def mouseReleaseEvent(self, event)", [](const Frame& f, PyObject* self,
                                                                                    PyObject* event) {
    report_click(self);
    refuse_none_event(event, "ListItemButton.mouseReleaseEvent", "QMouseEvent");
    call(f.super_attr(self, KIT_STR("mouseReleaseEvent")), event);
}};

// def _activate(self):
//     if not self.isEnabled():
//         return
//     <report_click above>
//     self.click()
// A press from the keyboard or from assistive technology: the click
// callback with the key, then the push button's click (its clicked signal).
const Def ListItemButton__activate{"def _activate(self)", [](PyObject* self) {
    if (!truthy(call_method(self, KIT_STR("isEnabled")))) return;
    report_click(self);
    call_method(self, KIT_STR("click"));
}};

// key in (Qt.Key.Key_Enter, Qt.Key.Key_Return)
bool is_enter(PyObject* key) {
    return eq(key, member(KIT_GLOBAL("Qt"), "Key", "Key_Enter")) ||
           eq(key, member(KIT_GLOBAL("Qt"), "Key", "Key_Return"));
}

// def keyPressEvent(self, event):
//     if event.key() in (Qt.Key.Key_Enter, Qt.Key.Key_Return):
//         if not event.isAutoRepeat():
//             self._activate()
//         event.accept()
//         return
//     super().keyPressEvent(event)
// Enter and Return press the item at once; Space presses it on release,
// through keyReleaseEvent, as Qt's buttons take it.  (Qt's push button takes
// Enter only as a dialog's default button.)
const Def ListItemButton_keyPressEvent{"def keyPressEvent(self, event)", [](const Frame& f, PyObject* self,
                                                                           PyObject* event) {
    refuse_none_event(event, "ListItemButton.keyPressEvent", "QKeyEvent");
    if (is_enter(call_method(event, KIT_STR("key")))) {
        if (!truthy(call_method(event, KIT_STR("isAutoRepeat")))) call_method(self, KIT_STR("_activate"));
        call_method(event, KIT_STR("accept"));
        return;
    }
    call(f.super_attr(self, KIT_STR("keyPressEvent")), event);
}};

// def keyReleaseEvent(self, event):
//     if (event.key() == Qt.Key.Key_Space and not event.isAutoRepeat()
//             and self.isDown() and self.isEnabled()):
//         <report_click above>
//     super().keyReleaseEvent(event)
// The push button's own release of Space (while it is down) then clicks it,
// so the callback comes before the clicked signal, as for the mouse.
const Def ListItemButton_keyReleaseEvent{"def keyReleaseEvent(self, event)", [](const Frame& f, PyObject* self,
                                                                               PyObject* event) {
    refuse_none_event(event, "ListItemButton.keyReleaseEvent", "QKeyEvent");
    Ref space = member(KIT_GLOBAL("Qt"), "Key", "Key_Space");
    if (eq(call_method(event, KIT_STR("key")), space) && !truthy(call_method(event, KIT_STR("isAutoRepeat"))) &&
        truthy(call_method(self, KIT_STR("isDown"))) && truthy(call_method(self, KIT_STR("isEnabled"))))
        report_click(self);
    call(f.super_attr(self, KIT_STR("keyReleaseEvent")), event);
}};

// def paintEvent(self, event):
//     super().paintEvent(event)
//     visibility = getattr(self, "_focusVisibility", None)
//     if visibility is not None and visibility.visible and self.hasFocus():
//         draw_focus_ring(self)
// The theme's focus ring, over the row the style sheet has drawn, while the
// item has focus that came from the keyboard.
const Def ListItemButton_paintEvent{"def paintEvent(self, event)", [](const Frame& f, PyObject* self,
                                                                     PyObject* event) {
    refuse_none_event(event, "ListItemButton.paintEvent", "QPaintEvent");
    call(f.super_attr(self, KIT_STR("paintEvent")), event);
    Ref visibility = getattr_or_null(self, KIT_STR("_focusVisibility"));
    if (visibility && truthy(getattr(visibility, KIT_STR("visible"))) &&
        truthy(call_method(self, KIT_STR("hasFocus"))))
        call(KIT_GLOBAL("draw_focus_ring"), self);
}};

// --- style sheet ------------------------------------------------------------------

// The theme's rules of one item, as the f-string
//     f"""
//                 #{objectName} {{
//                     {root_qss}
//                 }}
//                 #{objectName}:hover {{
//                     {hover_qss}
//                 }}
//
//                 #{objectName}[selected=true] {{
//     ...                                                (one rule per variant)
//                 #{objectName}[active=true]:hover {{
//                     {active_hover_qss}
//                 }}
//                 """
constexpr const char* kThemeRules =
    "\n"
    "                #%U {\n                    %S\n                }\n"
    "                #%U:hover {\n                    %S\n                }\n"
    "\n"
    "                #%U[selected=true] {\n                    %S\n                }\n"
    "                #%U[selected=true]:hover {\n                    %S\n                }\n"
    "                #%U[divider=true] {\n                    %S\n                }\n"
    "                #%U[disableGutters=true] {\n                    %S\n                }\n"
    "                #%U[active=true] {\n                    %S\n                }\n"
    "                #%U[active=true]:hover {\n                    %S\n                }\n"
    "                \n"
    "                ";

Ref qss(PyObject* style) { return call(KIT_GLOBAL("get_qss_style"), style); }

// @classmethod
// @lru_cache(maxsize=128)
// def _getStyleSheet(cls, objectName: str, styledConfig: str = "ListItemButton"):
//     theme = useTheme()
//     components = deep_merge(theme.components, cls.styledDict) if hasattr(cls, "styledDict") else theme.components
//     ownerState = cls.ownerState if hasattr(cls, "ownerState") and cls.ownerState else {}
//     root = components["MuiListItemButton"].get("styles")["root"](ownerState)
//     root_qss = get_qss_style(root)
//     hover_qss = get_qss_style(root["slots"]["hover"])
//     selected_qss = get_qss_style(root["slots"]["selected"])
//     selected_hover_qss = get_qss_style(root["slots"]["selected"]["hover"])
//     divider_qss = get_qss_style(root["props"]["divider"])
//     gutters_qss = get_qss_style(root["props"]["disableGutters"])
//     active_qss = active_hover_qss = ""
//     if root["props"].get("active"):
//         <the item named objectName is marked with the property "active">
//         active_qss = get_qss_style(root["props"]["active"])
//         active_hover_qss = get_qss_style(root["props"]["active"]["slots"]["hover"])
//     return f"""...""" (kThemeRules)
const Def ListItemButton__getStyleSheet{
    "def _getStyleSheet(cls, objectName: str, styledConfig: str = \"ListItemButton\")",
    [](PyObject* cls, PyObject* objectName, PyObject* styledConfig) -> Ref {
        require_exact_type(objectName, &PyUnicode_Type, "objectName");
        require_exact_type(styledConfig, &PyUnicode_Type, "styledConfig");
        Ref theme = call(KIT_GLOBAL("useTheme"));
        Ref components = getattr(theme, KIT_STR("components"));
        if (hasattr(cls, KIT_STR("styledDict")))
            components = call(KIT_GLOBAL("deep_merge"), components, getattr(cls, KIT_STR("styledDict")));
        Ref ownerState = getattr_or_null(cls, KIT_STR("ownerState"));
        if (!ownerState || !truthy(ownerState)) ownerState = new_dict();
        Ref styles = get(item(components, KIT_STR("MuiListItemButton")), KIT_STR("styles"));
        Ref root = call(item(styles, KIT_STR("root")), ownerState);

        Ref root_qss = qss(root);
        Ref slots = item(root, KIT_STR("slots"));
        Ref hover_qss = qss(item(slots, KIT_STR("hover")));
        Ref selected_qss = qss(item(slots, KIT_STR("selected")));
        Ref selected_hover_qss = qss(item(item(slots, KIT_STR("selected")), KIT_STR("hover")));
        Ref props = item(root, KIT_STR("props"));
        Ref divider_qss = qss(item(props, KIT_STR("divider")));
        Ref gutters_qss = qss(item(props, KIT_STR("disableGutters")));
        Ref active_qss = Ref::borrow(KIT_STR(""));
        Ref active_hover_qss = Ref::borrow(KIT_STR(""));
        if (truthy(get(props, KIT_STR("active")))) {
            Ref active = item(props, KIT_STR("active"));
            active_qss = qss(active);
            active_hover_qss = qss(item(item(active, KIT_STR("slots")), KIT_STR("hover")));
            pending_active_name.set(objectName);
        }
        return strf(kThemeRules, objectName, root_qss.get(), objectName, hover_qss.get(), objectName,
                    selected_qss.get(), objectName, selected_hover_qss.get(), objectName, divider_qss.get(),
                    objectName, gutters_qss.get(), objectName, active_qss.get(), objectName,
                    active_hover_qss.get());
    }};

// @classmethod
// @lru_cache(maxsize=128)
// def _getSxQss(cls, sxStr: str = "", className: str = "Box"):
//     result = ""
//     try:
//         result = get_qss_style(ast.literal_eval(sxStr), class_name=className)
//     except Exception:
//         pass
//     return result
const Def ListItemButton__getSxQss{
    "def _getSxQss(cls, sxStr: str = \"\", className: str = \"Box\")",
    [](PyObject*, PyObject* sxStr, PyObject* className) -> Ref {
        require_exact_type(sxStr, &PyUnicode_Type, "sxStr");
        require_exact_type(className, &PyUnicode_Type, "className");
        Ref parsed = call_method(except(PyExc_Exception), KIT_GLOBAL("ast"), KIT_STR("literal_eval"), sxStr);
        Ref result = parsed ? call_kw(except(PyExc_Exception), KIT_GLOBAL("get_qss_style"), {parsed},
                                      {{"class_name", className}})
                            : Ref();
        return result ? result : Ref::borrow(KIT_STR(""));
    }};

// def _updateStylesheet(self, stylesheet):
//     self.setStyleSheet(stylesheet)
const Def ListItemButton__updateStylesheet{"def _updateStylesheet(self, stylesheet)",
                                           [](PyObject* self, PyObject* stylesheet) {
                                               call_method(self, KIT_STR("setStyleSheet"), stylesheet);
                                           }};

// def _setStyleSheet(self):
//     was = self.property("selected")
//     now = "true" if self._get_selected() else "false"
//     self.setProperty("selected", now)
//     if self._divider:
//         self.setProperty("divider", "true")
//     if self._disableGutters:
//         self.setProperty("disableGutters", "true")
//     self._setKwargs(self._kwargs)
//     if hasattr(self, "styledDict"):
//         root = self.styledDict.get("MuiListItemButton", {}).get("styles", {}).get("root", None)
//         if isinstance(root, Callable):
//             root = root(self._kwargs)
//         theme_qss = self._getStyleSheet(objectName=self.objectName(), styledConfig=str(root))
//     else:
//         theme_qss = self._getStyleSheet(objectName=self.objectName())
//     <mark the item "active" when its rules were built with an active variant>
//     sx_qss = ""
//     if self._sx:
//         sx_qss = self._getSxQss(sxStr=str(self._sx), className=f"#{self.objectName()}")
//     self.setStyleSheet(f"""
//             {theme_qss}
//             {sx_qss}
//         """)
//     if was is not None and was != now:
//         announce_state(self, "checked" if self.findChildren(ListItemCheckbox) else "selected")
// Assistive technology hears of a change of the selection (a check box
// item of its checked state).  The owner state the builder reads is this item's parameters: the class
// keeps the mapping of the last item styled, so after a theme change every
// item's rules are rebuilt from its own parameters (dense, active, ...).
const Def ListItemButton__setStyleSheet{"def _setStyleSheet(self)", [](PyObject* self) {
    bool selected = truthy(call_method(self, KIT_STR("_get_selected")));
    Ref was = call_method(self, KIT_STR("property"), KIT_STR("selected"));
    PyObject* now = selected ? KIT_STR("true") : KIT_STR("false");
    call_method(self, KIT_STR("setProperty"), KIT_STR("selected"), now);
    if (truthy(getattr(self, KIT_STR("_divider"))))
        call_method(self, KIT_STR("setProperty"), KIT_STR("divider"), KIT_STR("true"));
    if (truthy(getattr(self, KIT_STR("_disableGutters"))))
        call_method(self, KIT_STR("setProperty"), KIT_STR("disableGutters"), KIT_STR("true"));
    call_method(self, KIT_STR("_setKwargs"), getattr(self, KIT_STR("_kwargs")));

    Ref name = call_method(self, KIT_STR("objectName"));
    Ref theme_qss;
    pending_active_name.take();
    if (hasattr(self, KIT_STR("styledDict"))) {
        Ref styled = getattr(self, KIT_STR("styledDict"));
        Ref entry = get(styled, "MuiListItemButton", new_dict());
        Ref styles = get(entry, "styles", new_dict());
        Ref root = get(styles, "root", Py_None);
        if (isinstance(root, KIT_GLOBAL("Callable"))) root = call(root, getattr(self, KIT_STR("_kwargs")));
        theme_qss = call_kw(getattr(self, KIT_STR("_getStyleSheet")), {},
                            {{"objectName", name}, {"styledConfig", str_of(root)}});
    } else {
        theme_qss = call_kw(getattr(self, KIT_STR("_getStyleSheet")), {}, {{"objectName", name}});
    }
    if (pending_active_name && PyUnicode_Check(name.get())) {
        Ref marked = pending_active_name.take();
        if (equals(marked, name))
            call_method(self, KIT_STR("setProperty"), KIT_STR("active"), Py_True);
    }

    Ref sx_qss = Ref::borrow(KIT_STR(""));
    Ref sx = getattr(self, KIT_STR("_sx"));
    if (truthy(sx))
        sx_qss = call_kw(getattr(self, KIT_STR("_getSxQss")), {},
                         {{"sxStr", str_of(sx)}, {"className", strf("#%S", name.get())}});
    call_method(self, KIT_STR("setStyleSheet"),
                strf("\n            %S\n            %S\n        ", theme_qss.get(), sx_qss.get()));
    if (was.get() != Py_None && !eq(was, now)) {
        bool checkbox_mode = len(call_method(self, KIT_STR("findChildren"), KIT_GLOBAL("ListItemCheckbox"))) > 0;
        call(KIT_GLOBAL("announce_state"), self, checkbox_mode ? KIT_STR("checked") : KIT_STR("selected"));
    }
}};

void body() {
    import_module("ast");
    import_module("asyncio");
    from_import("functools", {"lru_cache"});
    import_module("threading");
    from_import("typing", {"Callable", "Optional"});
    from_import("PySide6.QtWidgets", {"QHBoxLayout", "QWidget", "QPushButton"});
    from_import("PySide6.QtCore", {"Qt", "Signal", "QTimer"});
    from_import("tovane.utils.data", {"deep_merge"});
    from_import("tovane.material.button_base.button_base", {"ButtonBase"});
    from_import("tovane.material.list_item_checkbox", {"ListItemCheckbox"});
    from_import("tovane.material.styles", {"useTheme"});
    from_import("tovane.material.styles", {"get_qss_style"});
    from_import("tovane.hooks", {"State", "useEffect"});
    from_import("tovane.material.component", {"Component", "RenderContext"});
    from_import("._serializer", {"Serializer"});
    from_import("tovane.material.accessibility", {"announce_state"});
    from_import("tovane.material.focus_ring", {"draw_focus_ring"});
    from_import("tovane.material.interaction", {"FocusVisibility"});

    ClassBuilder cls("ListItemButton", {KIT_GLOBAL("QPushButton"), KIT_GLOBAL("Component"), KIT_GLOBAL("Serializer")});
    cls.attr("themeChanged", call(KIT_GLOBAL("Signal")));
    cls.attr("updateStyleSheet", call(KIT_GLOBAL("Signal"), KIT_GLOBAL("object")));
    cls.attr("VALID_ALIGN_ITEMS", str_list({"center", "flex-start"}));
    cls.attr("VALID_SIZES", str_list({"small", "medium", "large"}));
    cls.def(ListItemButton__init__);
    cls.def(ListItemButton_renderUi);
    cls.classmethod(ListItemButton__setSx);
    cls.classmethod(ListItemButton__setKwargs);
    cls.def(ListItemButton__set_selected_key);
    cls.def(ListItemButton__set_selected);
    cls.def(ListItemButton__get_align_items_style);
    cls.def(ListItemButton_focusInEvent);
    cls.def(ListItemButton_focusOutEvent);
    cls.def(ListItemButton_mouseReleaseEvent);
    cls.def(ListItemButton__activate);
    cls.def(ListItemButton_keyPressEvent);
    cls.def(ListItemButton_keyReleaseEvent);
    cls.def(ListItemButton_paintEvent);
    cls.lru_cached_classmethod(ListItemButton__getStyleSheet, 128);
    cls.lru_cached_classmethod(ListItemButton__getSxQss, 128);
    cls.def(ListItemButton__updateStylesheet);
    cls.def(ListItemButton__setStyleSheet);
    cls.define();
    forget_rules_function();
}

}  // namespace

KIT_MODULE(selvon, body)
