#include "klass.hpp"

#include "detail.hpp"
#include "errors.hpp"
#include "module.hpp"

namespace kit {

Ref most_derived_metaclass(PyObject* bases) {
    PyTypeObject* winner = &PyType_Type;
    Py_ssize_t n = PyTuple_GET_SIZE(bases);
    for (Py_ssize_t i = 0; i < n; i++) {
        PyTypeObject* t = Py_TYPE(PyTuple_GET_ITEM(bases, i));
        if (PyType_IsSubtype(winner, t)) continue;
        if (PyType_IsSubtype(t, winner)) {
            winner = t;
            continue;
        }
        raise(PyExc_TypeError,
              "metaclass conflict: the metaclass of a derived class must be a (non-strict) subclass of the "
              "metaclasses of all its bases");
    }
    return Ref::borrow(reinterpret_cast<PyObject*>(winner));
}

ClassBuilder::ClassBuilder(const char* name, std::initializer_list<PyObject*> bases, ClassOptions options)
    : name_(name) {
    Ref t = tuple(bases);
    prepare(t, options);
}

ClassBuilder::ClassBuilder(const char* name, PyObject* bases, ClassOptions options) : name_(name) {
    Ref t = Ref::steal(PySequence_Tuple(bases));
    prepare(t, options);
}

void ClassBuilder::prepare(PyObject* bases, ClassOptions options) {
    qualname_ = options.outer ? std::string(options.outer) + "." + name_ : name_;
    bases_ = Ref::borrow(bases);
    meta_ = most_derived_metaclass(bases_);
    Ref name_obj = str(name_.c_str());
    Ref prepare = getattr_or_null(meta_, KIT_STR("__prepare__"));
    ns_ = prepare ? call(prepare, name_obj, bases_) : new_dict();
    Ref qn = str(qualname_.c_str());
    check(PyObject_SetItem(ns_, KIT_STR("__module__"), detail::current_short_name()));
    check(PyObject_SetItem(ns_, KIT_STR("__qualname__"), qn));
    if (options.doc) {
        Ref d = str(options.doc);
        check(PyObject_SetItem(ns_, KIT_STR("__doc__"), d));
    }
}

Ref ClassBuilder::mangled(const std::string& name) const {
    // Python's private-name mangling: __x -> _Class__x (not for dunders).
    std::string n = name;
    bool priv = n.size() > 2 && n.compare(0, 2, "__") == 0 &&
                !(n.size() >= 4 && n.compare(n.size() - 2, 2, "__") == 0) && n.find('.') == std::string::npos;
    if (priv) {
        std::size_t s = name_.find_first_not_of('_');
        if (s != std::string::npos) n = "_" + name_.substr(s) + n;
    }
    return Ref::borrow(intern(n.c_str()));
}

ClassBuilder& ClassBuilder::attr(const char* name, PyObject* value) {
    check(PyObject_SetItem(ns_, mangled(name), value));
    return *this;
}

Ref ClassBuilder::keep(Ref function) {
    functions_.push_back(function);
    return function;
}

Ref ClassBuilder::function(const Def& def) { return keep(make_function(def, qualname_ + "." + def_name(def))); }

ClassBuilder& ClassBuilder::def(const Def& def) {
    Ref f = function(def);
    return attr(def_name(def).c_str(), f);
}

ClassBuilder& ClassBuilder::def(const FuncSpec& spec) {
    Ref f = keep(make_function(spec, qualname_ + "." + spec.name));
    return attr(spec.name, f);
}

ClassBuilder& ClassBuilder::property(const Def& getter, const Def* setter) {
    Ref g = function(getter);
    Ref prop = call(reinterpret_cast<PyObject*>(&PyProperty_Type), g.get());
    if (setter) {
        Ref s = function(*setter);
        prop = call_method(prop, KIT_STR("setter"), s.get());
    }
    return attr(def_name(getter).c_str(), prop);
}

ClassBuilder& ClassBuilder::classmethod(const Def& def) {
    Ref cm = Ref::steal(PyClassMethod_New(function(def)));
    return attr(def_name(def).c_str(), cm);
}

ClassBuilder& ClassBuilder::staticmethod(const Def& def) {
    Ref sm = Ref::steal(PyStaticMethod_New(function(def)));
    return attr(def_name(def).c_str(), sm);
}

ClassBuilder& ClassBuilder::lru_cached_classmethod(const Def& def, int maxsize) {
    Ref decorator = call_kw(KIT_GLOBAL("lru_cache"), {}, {{KIT_STR("maxsize"), integer(maxsize)}});
    Ref cached = call(decorator, function(def));
    return attr(def_name(def).c_str(), call(KIT_GLOBAL("classmethod"), cached));
}

Ref ClassBuilder::build() {
    Ref name_obj = str(name_.c_str());
    Ref cls = call(meta_, name_obj, bases_, ns_);
    for (Ref& f : functions_) detail::set_owner(f, cls);
    functions_.clear();
    return cls;
}

Ref ClassBuilder::define() {
    Ref cls = build();
    set_global(name_.c_str(), cls);
    return cls;
}

}  // namespace kit
