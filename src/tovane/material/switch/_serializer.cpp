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

// def __init__(self, parent=None, label=None, ..., value=None, **kwargs):
//     self._label = label
//     ...
//     self._value = value
// The slots are self, parent, one per parameter of the table, kwargs.
constexpr std::size_t kFirstParameter = 2;

Ref Serializer__init__(const Args& a) {
    PyObject* const* slot = a.slots();
    PyObject* self = slot[0];
    const auto& names = attribute_names();
    for (std::size_t i = 0; i < names.size(); i++) setattr(self, names[i], slot[kFirstParameter + i]);
    return none();
}

// def _get_<name>(self):
//     return self._<name>.value if isinstance(self._<name>, State) else self._<name>
// (one body for every plain getter; the function's data is the attribute name)
Ref Serializer__get(const Args& a) {
    auto [self] = a.unpack<1>();
    return current(getattr(self, a.data()));
}

// def _get_color(self):
//     color = self._color.value if isinstance(self._color, State) else self._color
//     return color if color in self.VALID_COLORS or isinstance(color, str) else "primary"
const Def Serializer__get_color{"def _get_color(self)", [](PyObject* self) {
                                    Ref color = current(getattr(self, KIT_STR("_color")));
                                    Ref valid = getattr(self, KIT_STR("VALID_COLORS"));
                                    if (contains(valid, color) || PyUnicode_Check(color.get())) return color;
                                    return str("primary");
                                }};

// def _get_size(self):
//     size = self._size.value if isinstance(self._size, State) else self._size
//     return size if size in self.VALID_SIZES else "small"
const Def Serializer__get_size{"def _get_size(self)", [](PyObject* self) {
                                   Ref size = current(getattr(self, KIT_STR("_size")));
                                   if (contains(getattr(self, KIT_STR("VALID_SIZES")), size)) return size;
                                   return str("small");
                               }};

// def _get_edge(self):
//     edge = self._edge.value if isinstance(self._edge, State) else self._edge
//     return edge if edge in self.VALID_EDGES else False
const Def Serializer__get_edge{"def _get_edge(self)", [](PyObject* self) {
                                   Ref edge = current(getattr(self, KIT_STR("_edge")));
                                   if (contains(getattr(self, KIT_STR("VALID_EDGES")), edge)) return edge;
                                   return boolean(false);
                               }};

void body() {
    from_import("typing", {"Any", "Dict", "List", "Callable", "Optional", "Union"});
    from_import("PySide6.QtWidgets", {"QWidget"});
    from_import("tovane.hooks", {"State"});
    from_import("tovane.material.utils.validated_attr", {"ValidatedAttr"});
    set_global("NoneType", reinterpret_cast<PyObject*>(Py_TYPE(Py_None)));

    ClassBuilder cls("Serializer", {},
                     {.doc = "\n    Mixin dành cho Switch để validate toàn bộ parameters\n"
                             "    thông qua descriptor ValidatedAttr.\n    "});
    Ref file_path = str("tovane.material.switch");
    cls.attr("_FILE_PATH", file_path);
    Ref colors = str_list({"default", "primary", "secondary", "error", "info", "success", "warning"});
    Ref sizes = str_list({"small", "medium"});
    Ref edges = str_list({"start", "end"});
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
        Ref signatures = item(union_, members);
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
    cls.def(FuncSpec{.name = "__init__", .impl = Serializer__init__, .params = params});

    for (std::size_t i = 0; i < parameters().size(); i++) {
        const Parameter& p = parameters()[i];
        switch (p.fallback) {
            case Fallback::Color: cls.def(Serializer__get_color); continue;
            case Fallback::Size: cls.def(Serializer__get_size); continue;
            case Fallback::Edge: cls.def(Serializer__get_edge); continue;
            case Fallback::None: break;
        }
        std::string getter = std::string("_get_") + p.name;
        cls.def(FuncSpec{.name = getter.c_str(), .impl = Serializer__get, .params = {"self"}, .data = names[i]});
    }
    cls.define();
}

}  // namespace

KIT_MODULE(_serializer, body, .short_name = "switch._serializer")
