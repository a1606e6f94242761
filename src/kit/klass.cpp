#include "klass.hpp"

#include "errors.hpp"
#include "module.hpp"

namespace kit {

Ref most_derived_metaclass(PyObject* bases) {
    PyObject* winner = reinterpret_cast<PyObject*>(&PyType_Type);
    Py_ssize_t n = PyTuple_GET_SIZE(bases);
    for (Py_ssize_t i = 0; i < n; i++) {
        PyObject* t = reinterpret_cast<PyObject*>(Py_TYPE(PyTuple_GET_ITEM(bases, i)));
        PyTypeObject* w = reinterpret_cast<PyTypeObject*>(winner);
        PyTypeObject* tt = reinterpret_cast<PyTypeObject*>(t);
        if (PyType_IsSubtype(w, tt)) continue;
        if (PyType_IsSubtype(tt, w)) {
            winner = t;
            continue;
        }
        raise(PyExc_TypeError,
              "metaclass conflict: the metaclass of a derived class must be a (non-strict) subclass of the "
              "metaclasses of all its bases");
    }
    return Ref::borrow(winner);
}

ClassBuilder::ClassBuilder(const char* name, std::initializer_list<PyObject*> bases, const char* doc,
                           const std::string& outer)
    : name_(name), qualname_(outer.empty() ? std::string(name) : outer + "." + name) {
    bases_ = tuple(bases);
    meta_ = most_derived_metaclass(bases_);
    Ref name_obj = kit::str(name);
    Ref prepare = getattr_or_null(meta_, KIT_STR("__prepare__"));
    if (prepare)
        ns_ = call(prepare, name_obj, bases_);
    else
        ns_ = new_dict();
    Ref qn = kit::str(qualname_.c_str());
    check(PyObject_SetItem(ns_, KIT_STR("__module__"), short_name()));
    check(PyObject_SetItem(ns_, KIT_STR("__qualname__"), qn));
    if (doc) {
        Ref d = kit::str(doc);
        check(PyObject_SetItem(ns_, KIT_STR("__doc__"), d));
    }
}

Ref ClassBuilder::mangled(const char* name) const {
    // Python's private-name mangling: __x -> _Class__x (not for dunders).
    std::string n(name);
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

Ref ClassBuilder::method(const FuncSpec& spec) {
    Ref f = make_function(spec, qualname_ + "." + spec.name);
    functions_.push_back(f);
    return f;
}

ClassBuilder& ClassBuilder::def(FuncSpec spec) {
    Ref f = method(spec);
    return attr(spec.name, f);
}

ClassBuilder& ClassBuilder::property(FuncSpec getter, const FuncSpec* setter) {
    Ref g = method(getter);
    Ref prop = call(reinterpret_cast<PyObject*>(&PyProperty_Type), g.get());
    if (setter) {
        Ref s = method(*setter);
        prop = call_method(prop, KIT_STR("setter"), s.get());
    }
    return attr(getter.name, prop);
}

ClassBuilder& ClassBuilder::classmethod(FuncSpec spec) {
    Ref f = method(spec);
    Ref cm = Ref::steal(PyClassMethod_New(f));
    return attr(spec.name, cm);
}

ClassBuilder& ClassBuilder::staticmethod(FuncSpec spec) {
    Ref f = method(spec);
    Ref sm = Ref::steal(PyStaticMethod_New(f));
    return attr(spec.name, sm);
}

Ref ClassBuilder::build() {
    Ref name_obj = kit::str(name_.c_str());
    Ref cls = call(meta_, name_obj, bases_, ns_);
    for (Ref& f : functions_) set_owner(f, cls);
    functions_.clear();
    return cls;
}

}  // namespace kit
