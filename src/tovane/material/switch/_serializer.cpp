// switch._serializer: the switch's parameter mixin.
//
//     class Serializer:
//         _FILE_PATH = "tovane.material.switch"
//         VALID_COLORS = [...]; VALID_SIZES = [...]; VALID_EDGES = [...]
//         _label = ValidatedAttr(param_name="label", file_path=_FILE_PATH,
//                                supported_signatures=Union[State, str, Callable, NoneType])
//         ...
//         def __init__(self, parent=None, label=None, ..., value=None, **kwargs):
//             self._label = label
//             ...
//         def _get_label(self):
//             return self._label.value if isinstance(self._label, State) else self._label
//         ...
#include "kit/kit.hpp"

#include <string>
#include <vector>

namespace {

using namespace kit;

enum class Fallback { None, Color, Size, Edge };

struct Parameter {
    const char* name;
    Default dflt;
    const char* annotation;
    std::vector<const char*> signatures;  // names of the Union members, module globals or builtins
    const char* valid_values;             // class attribute holding the valid values, or NULL
    Fallback fallback;
};

const std::vector<Parameter>& parameters() {
    static const std::vector<Parameter> table = {
        {"label", None, "Optional[Union[State, str, Callable]]", {"State", "str", "Callable", "NoneType"}, nullptr, Fallback::None},
        {"disabled", Bool(false), "Union[State, bool]", {"State", "bool"}, nullptr, Fallback::None},
        {"defaultChecked", Bool(false), "Union[State, bool]", {"State", "bool"}, nullptr, Fallback::None},
        {"checked", Bool(false), "Union[State, bool]", {"State", "bool"}, nullptr, Fallback::None},
        {"onChange", None, "Optional[Union[State, Callable]]", {"State", "Callable", "NoneType"}, nullptr, Fallback::None},
        {"highlight", Bool(false), "Union[State, bool]", {"State", "bool"}, nullptr, Fallback::None},
        {"left", Bool(true), "Union[State, bool]", {"State", "bool"}, nullptr, Fallback::None},
        {"color", Str("primary"), "Optional[Union[State, str]]", {"State", "str", "NoneType"}, "VALID_COLORS", Fallback::Color},
        {"size", Str("medium"), "Optional[Union[State, str]]", {"State", "str", "NoneType"}, "VALID_SIZES", Fallback::Size},
        {"onClick", None, "Optional[Union[State, Callable]]", {"State", "Callable", "NoneType"}, nullptr, Fallback::None},
        {"checkedIcon", None, "Optional[Union[State, QWidget]]", {"State", "QWidget", "NoneType"}, nullptr, Fallback::None},
        {"icon", None, "Optional[Union[State, QWidget]]", {"State", "QWidget", "NoneType"}, nullptr, Fallback::None},
        {"classes", None, "Optional[Union[State, Dict]]", {"State", "Dict", "NoneType"}, nullptr, Fallback::None},
        {"sx", None, "Optional[Union[State, List, Dict, Callable]]", {"State", "List", "Dict", "Callable", "NoneType"}, nullptr, Fallback::None},
        {"disableRipple", Bool(false), "Union[State, bool]", {"State", "bool"}, nullptr, Fallback::None},
        {"edge", Bool(false), "Optional[Union[State, str, bool]]", {"State", "str", "bool", "NoneType"}, "VALID_EDGES", Fallback::Edge},
        {"id", None, "Optional[Union[State, str]]", {"State", "str", "NoneType"}, nullptr, Fallback::None},
        {"inputProps", None, "Optional[Union[State, Dict]]", {"State", "Dict", "NoneType"}, nullptr, Fallback::None},
        {"inputRef", None, "Optional[Union[State, object]]", {"State", "object", "NoneType"}, nullptr, Fallback::None},
        {"required", Bool(false), "Union[State, bool]", {"State", "bool"}, nullptr, Fallback::None},
        {"slotProps", None, "Optional[Union[State, Dict]]", {"State", "Dict", "NoneType"}, nullptr, Fallback::None},
        {"slots", None, "Optional[Union[State, Dict]]", {"State", "Dict", "NoneType"}, nullptr, Fallback::None},
        {"value", None, "Optional[Union[State, object]]", {"State", "object", "NoneType"}, nullptr, Fallback::None},
    };
    return table;
}

// The attribute name of each parameter ("_label", ...), interned.
std::vector<PyObject*>& attribute_names() {
    static std::vector<PyObject*> names;
    return names;
}

// self.<attr>, read through a State when one was given.
Ref resolved(PyObject* self, PyObject* attr) {
    Ref v = getattr(self, attr);
    if (isinstance(v, KIT_GLOBAL("State"))) return getattr(v, KIT_STR("value"));
    return v;
}

// def __init__(self, parent=None, label=None, ..., value=None, **kwargs)
Ref Serializer__init__(const Args& a) {
    PyObject* self = a[0];
    const auto& names = attribute_names();
    for (std::size_t i = 0; i < names.size(); i++) setattr(self, names[i], a[2 + i]);
    return none();
}

// def _get_<name>(self): the common getter; data() is the attribute name.
Ref Serializer__get(const Args& a) { return resolved(a[0], a.data()); }

// def _get_color(self)
Ref Serializer__get_color(const Args& a) {
    Ref color = resolved(a[0], KIT_STR("_color"));
    Ref valid = getattr(a[0], KIT_STR("VALID_COLORS"));
    if (contains(valid, color) || PyUnicode_Check(color.get())) return color;
    return str("primary");
}

// def _get_size(self)
Ref Serializer__get_size(const Args& a) {
    Ref size = resolved(a[0], KIT_STR("_size"));
    Ref valid = getattr(a[0], KIT_STR("VALID_SIZES"));
    if (contains(valid, size)) return size;
    return str("small");
}

// def _get_edge(self)
Ref Serializer__get_edge(const Args& a) {
    Ref edge = resolved(a[0], KIT_STR("_edge"));
    Ref valid = getattr(a[0], KIT_STR("VALID_EDGES"));
    if (contains(valid, edge)) return edge;
    return boolean(false);
}

Ref strings(std::initializer_list<const char*> items) {
    Ref l = new_list();
    for (const char* s : items) {
        Ref v = str(s);
        append(l, v);
    }
    return l;
}

void body() {
    from_import("typing", {"Any", "Dict", "List", "Callable", "Optional", "Union"});
    from_import("PySide6.QtWidgets", {"QWidget"});
    from_import("tovane.hooks", {"State"});
    from_import("tovane.material.utils.validated_attr", {"ValidatedAttr"});
    set_global("NoneType", reinterpret_cast<PyObject*>(Py_TYPE(Py_None)));

    ClassBuilder cls("Serializer", {},
                     "\n    Mixin dành cho Switch để validate toàn bộ parameters\n"
                     "    thông qua descriptor ValidatedAttr.\n    ");
    Ref file_path = str("tovane.material.switch");
    cls.attr("_FILE_PATH", file_path);
    Ref colors = strings({"default", "primary", "secondary", "error", "info", "success", "warning"});
    Ref sizes = strings({"small", "medium"});
    Ref edges = strings({"start", "end"});
    append(edges, Py_False);
    cls.attr("VALID_COLORS", colors).attr("VALID_SIZES", sizes).attr("VALID_EDGES", edges);

    auto& names = attribute_names();
    names.clear();
    Ref validated_attr = KIT_GLOBAL("ValidatedAttr");
    Ref union_ = KIT_GLOBAL("Union");
    for (const Parameter& p : parameters()) {
        std::string attr = std::string("_") + p.name;
        names.push_back(intern(attr.c_str()));
        Ref members = Ref::steal(PyTuple_New(static_cast<Py_ssize_t>(p.signatures.size())));
        for (std::size_t i = 0; i < p.signatures.size(); i++)
            PyTuple_SET_ITEM(members.get(), static_cast<Py_ssize_t>(i), global(p.signatures[i]).release());
        Ref signatures = Ref::steal(PyObject_GetItem(union_, members));
        Ref param_name = str(p.name);
        Ref descriptor;
        if (p.valid_values) {
            PyObject* valid = p.fallback == Fallback::Color ? colors.get()
                              : p.fallback == Fallback::Size ? sizes.get()
                                                             : edges.get();
            descriptor = call_kw(validated_attr, {},
                                 {{"param_name", param_name}, {"file_path", file_path},
                                  {"supported_signatures", signatures}, {"valid_values", valid}});
        } else {
            descriptor = call_kw(validated_attr, {},
                                 {{"param_name", param_name}, {"file_path", file_path},
                                  {"supported_signatures", signatures}});
        }
        cls.attr(attr.c_str(), descriptor);
    }

    std::vector<Param> params = {Param("self"), Param("parent", None)};
    for (const Parameter& p : parameters()) params.push_back(Param(p.name, p.dflt, p.annotation));
    params.push_back(VarKw("kwargs"));
    cls.def({"__init__", Serializer__init__, params});

    static std::vector<std::string> getter_names;
    getter_names.clear();
    getter_names.reserve(parameters().size());
    for (std::size_t i = 0; i < parameters().size(); i++) {
        const Parameter& p = parameters()[i];
        getter_names.push_back(std::string("_get_") + p.name);
        FuncSpec spec{getter_names.back().c_str(), Serializer__get, {Param("self")}};
        switch (p.fallback) {
            case Fallback::Color: spec.impl = Serializer__get_color; break;
            case Fallback::Size: spec.impl = Serializer__get_size; break;
            case Fallback::Edge: spec.impl = Serializer__get_edge; break;
            case Fallback::None: spec.data = names[i]; break;
        }
        cls.def(spec);
    }
    Ref serializer = cls.build();
    set_global("Serializer", serializer);
}

}  // namespace

KIT_MODULE(_serializer, "switch._serializer", "_serializer", nullptr, body)
