// _kitprobe: a small module that exercises the native kit from tests.
//
//     def sample(a, b=1, *args, c, d="dee", **kwargs) -> "tuple": ...
//     async def twice(x: "int"): return x * 2
//     def make_class(name, bases, members=None, doc=None, outer=None): ...
//     def raise_while_handling(first, second): ...
//     def check_version(major, minor): ...
#include "kit/kit.hpp"

#include <memory>
#include <string>
#include <vector>

namespace {

using namespace kit;

// Returns the bound arguments, so tests can compare binding with Python's.
Ref sample(const Args& a) { return tuple({a[0], a[1], a[2], a[3], a[4], a[5]}); }

Ref twice(const Args& a) {
    if (PyExceptionInstance_Check(a[0]) || PyExceptionClass_Check(a[0])) raise_object(a[0]);
    return Ref::steal(PyNumber_Multiply(a[0], Ref(integer(2)).get()));
}

// A method with a default: returns (self, x, __class__).
Ref Probe_echo(const Args& a) { return tuple({a[0], a[1], a.owner() ? a.owner() : Py_None}); }

// Qt virtual override: QWidget.sizeHint returns self.hint.
Ref Probe_sizeHint(const Args& a) { return getattr(a[0], KIT_STR("hint")); }

// Qt virtual override: records each resize on self.resizes.
Ref Probe_resizeEvent(const Args& a) {
    Ref log = getattr(a[0], KIT_STR("resizes"));
    Ref size = call_method(a[1], KIT_STR("size"));
    append(log, size);
    return none();
}

// super().describe() through the defining class.
Ref Probe_describe(const Args& a) {
    Ref parent = getattr(super(a.owner(), a[0]), KIT_STR("describe"));
    Ref inner = call(parent);
    return Ref::steal(PyUnicode_FromFormat("probe(%S)", inner.get()));
}

Ref Probe__private(const Args&) { return str("private"); }

// A slot for signals: appends its arguments to self.log.
Ref Probe_record(const Args& a) {
    Ref log = getattr(a[0], KIT_STR("log"));
    append(log, a[1]);
    return none();
}

Ref make_class(const Args& a) {
    Ref name_utf8 = str_of(a[0]);
    const char* name = PyUnicode_AsUTF8(name_utf8);
    if (!name) throw_error();
    Ref bases = Ref::steal(PySequence_Tuple(a[1]));
    const char* doc = nullptr;
    if (a[3] != Py_None) {
        doc = PyUnicode_AsUTF8(a[3]);
        if (!doc) throw_error();
    }
    std::string outer;
    if (a[4] != Py_None) {
        const char* o = PyUnicode_AsUTF8(a[4]);
        if (!o) throw_error();
        outer = o;
    }
    // The initializer_list form wants the bases one by one.
    std::vector<PyObject*> b(&PyTuple_GET_ITEM(bases.get(), 0),
                             &PyTuple_GET_ITEM(bases.get(), 0) + PyTuple_GET_SIZE(bases.get()));
    ClassBuilder* cls = nullptr;
    switch (b.size()) {
        case 0: cls = new ClassBuilder(name, {}, doc, outer); break;
        case 1: cls = new ClassBuilder(name, {b[0]}, doc, outer); break;
        case 2: cls = new ClassBuilder(name, {b[0], b[1]}, doc, outer); break;
        default: cls = new ClassBuilder(name, {b[0], b[1], b[2]}, doc, outer); break;
    }
    std::unique_ptr<ClassBuilder> owner(cls);
    if (a[2] != Py_None) {
        PyObject *key, *value;
        Py_ssize_t pos = 0;
        while (PyDict_Next(a[2], &pos, &key, &value)) {
            const char* k = PyUnicode_AsUTF8(key);
            if (!k) throw_error();
            cls->attr(k, value);
        }
    }
    cls->def({"echo", Probe_echo, {"self", Param("x", Int(1), "int")}, "Echo the arguments.", "tuple"});
    cls->def({"sizeHint", Probe_sizeHint, {"self"}});
    cls->def({"resizeEvent", Probe_resizeEvent, {"self", "event"}});
    cls->def({"describe", Probe_describe, {"self"}});
    cls->def({"__private", Probe__private, {"self"}});
    cls->def({"record", Probe_record, {"self", VarArgs("args")}});
    return cls->build();
}

Ref raise_while_handling(const Args& a) {
    try {
        raise_object(a[0]);
    } catch (const Error&) {
        Handling h;
        call(a[1]);  // whatever this raises carries `first` as its context
        raise(PyExc_RuntimeError, "handler finished without raising");
    }
}

Ref probe_check_version(const Args& a) {
    int r = check_version(static_cast<int>(as_long(a[0])), static_cast<int>(as_long(a[1])), "_kitprobe");
    if (r < 0) throw_error();
    return none();
}

// f(*args, x=1, **kwargs)
Ref unpack_call(const Args& a) {
    Ref one = integer(1);
    return call_unpacked(a[0], a[1], {{"x", one}}, a[2]);
}

// from <module> import <names...>, binding into this module.
Ref bind(const Args& a) {
    const char* module = PyUnicode_AsUTF8(a[0]);
    if (!module) throw_error();
    std::vector<ImportName> names;
    for (Py_ssize_t i = 0; i < PyTuple_GET_SIZE(a[1]); i++) {
        const char* n = PyUnicode_AsUTF8(PyTuple_GET_ITEM(a[1], i));
        if (!n) throw_error();
        names.emplace_back(n);
    }
    from_import(module, names);
    return none();
}

void body() {
    from_import("typing", {"Optional"});
    kit::def({"sample",
              sample,
              {"a", Param("b", Int(1)), VarArgs("args"), KwOnly("c"), KwOnly("d", Str("dee"), "str"), VarKw("kwargs")},
              "Return the bound arguments.",
              "tuple"});
    FuncSpec coro{"twice", twice, {Param("x", "int")}};
    coro.coroutine = true;
    kit::def(coro);
    kit::def({"make_class", make_class, {"name", "bases", Param("members", None), Param("doc", None), Param("outer", None)}});
    kit::def({"raise_while_handling", raise_while_handling, {"first", "second"}});
    kit::def({"unpack_call", unpack_call, {"f", "args", "kwargs"}});
    kit::def({"bind", bind, {"module", VarArgs("names")}});
    kit::def({"check_version", probe_check_version, {"major", "minor"}});
    set_global("function_type", reinterpret_cast<PyObject*>(function_type()));
    set_global("coroutine_type", reinterpret_cast<PyObject*>(coroutine_type()));
}

}  // namespace

KIT_MODULE(_kitprobe, "_kitprobe", "_kitprobe", "Exercises the native kit.", body)
