#include "ref.hpp"

#include "errors.hpp"

namespace kit {

namespace {

// What the interpreter names a callable in argument errors: "module.qualname()"
// ("qualname()" for builtins or without a module, str(x) without a qualname).
Ref function_str(PyObject* x) {
    Ref qualname = getattr_or_null(x, KIT_STR("__qualname__"));
    if (!qualname) return str_of(x);
    Ref module = getattr_or_null(x, KIT_STR("__module__"));
    if (module && module.get() != Py_None &&
        !(PyUnicode_Check(module.get()) && PyUnicode_CompareWithASCIIString(module, "builtins") == 0))
        return Ref::steal(PyUnicode_FromFormat("%S.%S()", module.get(), qualname.get()));
    return Ref::steal(PyUnicode_FromFormat("%S()", qualname.get()));
}

// The `**mapping` of a call: merge `mapping` into `into`, where a key already
// present is an error.  Errors are reported in the interpreter's words, which
// name the callable: not a mapping, or a keyword given twice.  (A non-string
// key is left for the call itself to reject.)
void merge_keywords(PyObject* func, PyObject* into, PyObject* mapping) {
    try {
        if (PyDict_Check(mapping) && Py_TYPE(mapping)->tp_iter == PyDict_Type.tp_iter) {
            PyObject *key, *value;
            Py_ssize_t pos = 0;
            while (PyDict_Next(mapping, &pos, &key, &value)) {
                // PyDict_Next hands out borrowed references that a key's
                // __eq__ could invalidate while we compare: hold them.
                Ref k = Ref::borrow(key), v = Ref::borrow(value);
                if (check(PyDict_Contains(into, k))) {
                    PyErr_SetObject(PyExc_KeyError, Ref(tuple({k.get()})).get());
                    throw_error();
                }
                check(PyDict_SetItem(into, k, v));
            }
        } else {
            Ref keys = Ref::steal(PyMapping_Keys(mapping));
            for (Ref k : iterate(keys)) {
                if (check(PyDict_Contains(into, k))) {
                    PyErr_SetObject(PyExc_KeyError, Ref(tuple({k.get()})).get());
                    throw_error();
                }
                Ref v = Ref::steal(PyObject_GetItem(mapping, k));
                check(PyDict_SetItem(into, k, v));
            }
        }
    } catch (const Error&) {
        if (PyErr_ExceptionMatches(PyExc_AttributeError)) {
            PyErr_Clear();
            Ref name = function_str(func);
            raisef(PyExc_TypeError, "%U argument after ** must be a mapping, not %.200s", name.get(),
                   Py_TYPE(mapping)->tp_name);
        }
        if (!PyErr_ExceptionMatches(PyExc_KeyError)) throw;
        Ref exc = Ref::steal_or_null(PyErr_GetRaisedException());
        Ref args = getattr(exc, KIT_STR("args"));
        if (!PyTuple_Check(args.get()) || PyTuple_GET_SIZE(args.get()) != 1) {
            PyErr_SetRaisedException(exc.release());
            throw;
        }
        // Whatever the KeyError came from (a duplicate, or the mapping's own
        // __getitem__), the interpreter reports it as a duplicate keyword.
        PyObject* key = PyTuple_GET_ITEM(args.get(), 0);
        Ref name = function_str(func);
        raisef(PyExc_TypeError, "%U got multiple values for keyword argument '%S'", name.get(), key);
    }
}

// The `*iterable` of a call, as a tuple.
Ref positional_tuple(PyObject* func, PyObject* iterable) {
    if (PyTuple_CheckExact(iterable)) return Ref::borrow(iterable);
    if (!Py_TYPE(iterable)->tp_iter && !PySequence_Check(iterable)) {
        Ref name = function_str(func);
        raisef(PyExc_TypeError, "%U argument after * must be an iterable, not %.200s", name.get(),
               Py_TYPE(iterable)->tp_name);
    }
    return Ref::steal(PySequence_Tuple(iterable));
}

}  // namespace

Ref call_unpacked(PyObject* callable, PyObject* args, std::initializer_list<Kw> keywords, PyObject* kwargs) {
    Ref merged = new_dict();
    for (const Kw& k : keywords) check(PyDict_SetItem(merged, k.name, k.value));
    if (kwargs) merge_keywords(callable, merged, kwargs);
    Ref positional = positional_tuple(callable, args);
    return call_tuple(callable, positional, merged);
}

}  // namespace kit
