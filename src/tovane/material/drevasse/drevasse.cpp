// drevasse: the helper text under a form control, styled from the theme.
//
//     from functools import lru_cache
//     from typing import Optional, Union
//     from PySide6.QtWidgets import QLabel, QWidget
//     from PySide6.QtCore import Qt
//     from tovane.hooks import State, useEffect
//     from tovane.material.styles import useTheme
//     from tovane.i18n.use_translation import translate, i18n
//     from tovane.material.styles import get_qss_style
//     from tovane.utils.translator import getTranslatedText
//     from tovane.material.component import Component, RenderContext
//     from ._serializer import Serializer
//     import shiboken6
//
//     class FormHelperText(QLabel, Component, Serializer): ...
//
// Construction only validates and stores the parameters; renderUi builds the
// label.  Its style sheet comes from a cached class-level builder keyed by
// the error flag's text; the theme clears that cache on every change before
// its state reruns the label's theme effect.  Given the field it belongs to
// (setField), the text is that field's accessible description, marked
// invalid in the error style.
#include "kit/kit.hpp"

namespace {

using namespace kit;

// def __init__(self, parent=None, *args, **kwargs):
//     Serializer.__init__(self, **kwargs)
const Def FormHelperText__init__{"def __init__(self, parent=None, *args, **kwargs)",
                                 [](PyObject* self, PyObject* /*parent*/, PyObject* /*args*/, PyObject* kwargs) {
                                     Ref init = getattr(KIT_GLOBAL("Serializer"), KIT_STR("__init__"));
                                     call_tuple(init, tuple_of(Ref::borrow(self)), kwargs);
                                 }};

// def renderUi(self, ctx: RenderContext, parent: Optional[QWidget] = None) -> QWidget:
//     super().__init__(parent)
//     self.setObjectName(f"FormHelperText-{id(self)}")
//     self.theme = useTheme()
//     self.setAttribute(Qt.WA_TransparentForMouseEvents)
//     if isinstance(self._text, State):
//         useEffect(self._updateHelperText, [self._text], component=self)
//     if isinstance(self._error, State):
//         useEffect(self._updateStyle, [self._error], component=self)
//     self._updateHelperText()
//     useEffect(self._updateStyle, [self.theme.state], component=self)
//     return self
// The theme effect restyles the label on a theme change, as the other
// components of the theme do.
const Def FormHelperText_renderUi{
    "def renderUi(self, ctx: RenderContext, parent: Optional[QWidget] = None) -> QWidget",
    [](const Frame& f, PyObject* self, PyObject* /*ctx*/, PyObject* parent) -> Ref {
        call(f.super_attr(self, KIT_STR("__init__")), parent);
        call_method(self, KIT_STR("setObjectName"), strf("FormHelperText-%S", id(self).get()));
        setattr(self, KIT_STR("theme"), call(KIT_GLOBAL("useTheme")));
        call_method(self, KIT_STR("setAttribute"),
                    getattr(KIT_GLOBAL("Qt"), KIT_STR("WA_TransparentForMouseEvents")));
        Ref text = getattr(self, KIT_STR("_text"));
        if (is_state(text)) use_effect(getattr(self, KIT_STR("_updateHelperText")), text, self);
        Ref error = getattr(self, KIT_STR("_error"));
        if (is_state(error)) use_effect(getattr(self, KIT_STR("_updateStyle")), error, self);
        call_method(self, KIT_STR("_updateHelperText"));
        Ref state = getattr(getattr(self, KIT_STR("theme")), KIT_STR("state"));
        use_effect(getattr(self, KIT_STR("_updateStyle")), state, self);
        return Ref::borrow(self);
    }};

// def _getHelperText(self):
//     return self._text.value if isinstance(self._text, State) else self._text
const Def FormHelperText__getHelperText{"def _getHelperText(self)",
                                        [](PyObject* self) { return current(getattr(self, KIT_STR("_text"))); }};

// def _getError(self):
//     return self._error.value if isinstance(self._error, State) else self._error
const Def FormHelperText__getError{"def _getError(self)",
                                   [](PyObject* self) { return current(getattr(self, KIT_STR("_error"))); }};

// self.setStyleSheet(self._get_stylesheet(error=str(self._getError())))
void apply_style_sheet(PyObject* self) {
    Ref error = str_of(call_method(self, KIT_STR("_getError")));
    Ref sheet = call_kw(getattr(self, KIT_STR("_get_stylesheet")), {}, {{"error", error}});
    call_method(self, KIT_STR("setStyleSheet"), sheet.get());
}

// def _updateHelperText(self):
//     self.setText(getTranslatedText(self._getHelperText()))
//     self.setStyleSheet(self._get_stylesheet(error=str(self._getError())))
//     self._describeField()
const Def FormHelperText__updateHelperText{"def _updateHelperText(self)", [](PyObject* self) {
    Ref text = call(KIT_GLOBAL("getTranslatedText"), call_method(self, KIT_STR("_getHelperText")));
    call_method(self, KIT_STR("setText"), text.get());
    apply_style_sheet(self);
    call_method(self, KIT_STR("_describeField"));
}};

// def _updateStyle(self):
//     self.setStyleSheet(self._get_stylesheet(error=str(self._getError())))
//     style = self.style()
//     style.unpolish(self)
//     style.polish(self)
//     self.update()
//     self._describeField()
// The sheet is rebuilt for the current error flag, so a change of the error
// State (or of the theme) shows at once, not at the next change of the text.
const Def FormHelperText__updateStyle{"def _updateStyle(self)", [](PyObject* self) {
    apply_style_sheet(self);
    Ref style = call_method(self, KIT_STR("style"));
    call_method(style, KIT_STR("unpolish"), self);
    call_method(style, KIT_STR("polish"), self);
    call_method(self, KIT_STR("update"));
    call_method(self, KIT_STR("_describeField"));
}};

// def setField(self, field: Optional[QWidget]):
//     if field is not None and not isinstance(field, QWidget):
//         raise TypeError(f"setField() argument 'field' must be a QWidget or None, not {type(field).__name__}")
//     self._field = field
//     self._describeField()
// The field the text belongs to (None: none); it keeps its description
// when the helper text lets it go.
const Def FormHelperText_setField{"def setField(self, field: Optional[QWidget])", [](PyObject* self,
                                                                                     PyObject* field) {
    if (field != Py_None && !isinstance(field, KIT_GLOBAL("QWidget")))
        raisef(PyExc_TypeError, "setField() argument 'field' must be a QWidget or None, not %.100s",
                     type_name(field));
    setattr(self, KIT_STR("_field"), field);
    call_method(self, KIT_STR("_describeField"));
}};

// def _describeField(self):
//     field = getattr(self, "_field", None)
//     if field is None or not shiboken6.isValid(field):
//         return
//     text = getTranslatedText(self._getHelperText())
//     if str(self._getError()) == "True":
//         text = f"{i18n.t('Invalid')}: {text}"
//     field.setAccessibleDescription(text)
// Qt tells assistive technology of the new description.  The error test is
// the style sheet's: the flag's text is "True".
const Def FormHelperText__describeField{"def _describeField(self)", [](PyObject* self) {
    Ref field = getattr_or_null(self, KIT_STR("_field"));
    if (!field || field.get() == Py_None) return;
    if (!truthy(call_method(KIT_GLOBAL("shiboken6"), KIT_STR("isValid"), field))) return;
    Ref text = call(KIT_GLOBAL("getTranslatedText"), call_method(self, KIT_STR("_getHelperText")));
    if (eq(str_of(call_method(self, KIT_STR("_getError"))), KIT_STR("True"))) {
        Ref invalid = call_method(KIT_GLOBAL("i18n"), KIT_STR("t"), KIT_STR("Invalid"));
        text = strf("%S: %S", invalid.get(), text.get());
    }
    call_method(field, KIT_STR("setAccessibleDescription"), text.get());
}};

// @classmethod
// @lru_cache(maxsize=128)
// def _get_stylesheet(cls, error: str):
//     components = useTheme().components
//     ownerState = {"color": None}
//     label = components["MuiInput"].get("styles")["helperLabel"](ownerState)
//     label_qss = get_qss_style(label)
//     error_qss = ""
//     if error == "True":
//         error_qss = get_qss_style(label["slots"]["error"])
//     return f"""
//             QLabel {{
//                 {label_qss}
//                 /* MuiInput_helperLabel_slot_color_qss */
//                 {error_qss}
//             }}
//         """
const Def FormHelperText__get_stylesheet{"def _get_stylesheet(cls, error: str)", [](PyObject*, PyObject* error) {
    require_exact_type(error, &PyUnicode_Type, "error");
    Ref components = getattr(call(KIT_GLOBAL("useTheme")), KIT_STR("components"));
    Ref ownerState = new_dict();
    check(PyDict_SetItem(ownerState, KIT_STR("color"), Py_None));
    Ref styles = get(item(components, KIT_STR("MuiInput")), KIT_STR("styles"));
    Ref label = call(item(styles, KIT_STR("helperLabel")), ownerState);
    Ref label_qss = call(KIT_GLOBAL("get_qss_style"), label);
    Ref error_qss = Ref::borrow(KIT_STR(""));
    if (eq(error, KIT_STR("True")))
        error_qss = call(KIT_GLOBAL("get_qss_style"), item(item(label, KIT_STR("slots")), KIT_STR("error")));
    return strf("\n            QLabel {\n                %S\n                /* MuiInput_helperLabel_slot_color_qss */"
                "\n                %S\n            }\n        ",
                label_qss.get(), error_qss.get());
}};

void body() {
    from_import("functools", {"lru_cache"});
    from_import("typing", {"Optional", "Union"});
    from_import("PySide6.QtWidgets", {"QLabel", "QWidget"});
    from_import("PySide6.QtCore", {"Qt"});
    from_import("tovane.hooks", {"State", "useEffect"});
    from_import("tovane.material.styles", {"useTheme"});
    from_import("tovane.i18n.use_translation", {"translate", "i18n"});
    from_import("tovane.material.styles", {"get_qss_style"});
    from_import("tovane.utils.translator", {"getTranslatedText"});
    from_import("tovane.material.component", {"Component", "RenderContext"});
    from_import("._serializer", {"Serializer"});
    import_module("shiboken6");

    ClassBuilder cls("FormHelperText", {KIT_GLOBAL("QLabel"), KIT_GLOBAL("Component"), KIT_GLOBAL("Serializer")});
    cls.def(FormHelperText__init__);
    cls.def(FormHelperText_renderUi);
    cls.def(FormHelperText__getHelperText);
    cls.def(FormHelperText__getError);
    cls.def(FormHelperText__updateHelperText);
    cls.def(FormHelperText__updateStyle);
    cls.def(FormHelperText_setField);
    cls.def(FormHelperText__describeField);
    cls.lru_cached_classmethod(FormHelperText__get_stylesheet, 128);
    cls.define();
}

}  // namespace

KIT_MODULE(drevasse, body)
