// Argument binding, following CPython's rules and wording (ceval.c).
//
// The binder never throws: a failure sets the interpreter's TypeError and
// returns false.  The messages are built out of line, off the call path.
#include "detail.hpp"

#include "errors.hpp"
#include "platform.hpp"

namespace kit::detail {

namespace {

// The list of quoted names as the interpreter words it: 'a', 'a' and 'b',
// 'a', 'b', and 'c'.
Ref join_names(PyObject* names) {
    Py_ssize_t len = PyList_GET_SIZE(names);
    if (len == 1) return Ref::borrow(PyList_GET_ITEM(names, 0));
    if (len == 2) return strf("%U and %U", PyList_GET_ITEM(names, 0), PyList_GET_ITEM(names, 1));
    Ref tail = strf(", %U, and %U", PyList_GET_ITEM(names, len - 2), PyList_GET_ITEM(names, len - 1));
    check(PyList_SetSlice(names, len - 2, len, nullptr));
    Ref comma = str(", ");
    Ref head = Ref::steal(PyUnicode_Join(comma, names));
    return Ref::steal(PyUnicode_Concat(head, tail));
}

KIT_COLD void missing_arguments(FunctionObject* fn, bool positional, PyObject* const* slots, int start,
                                int end) noexcept {
    try {
        Ref names = new_list();
        for (int i = start; i < end; i++) {
            if (slots[slot_of(fn, i)]) continue;
            PyObject* name = PyTuple_GET_ITEM(fn->varnames, i);
            if (!positional && fn->kwdefaults) {
                if (PyDict_GetItemWithError(fn->kwdefaults, name)) continue;
                if (PyErr_Occurred()) return;
            }
            Ref quoted = Ref::steal(PyObject_Repr(name));
            append(names, quoted);
        }
        Py_ssize_t count = PyList_GET_SIZE(names.get());
        Ref joined = join_names(names);
        PyErr_Format(PyExc_TypeError, "%U() missing %zd required %s argument%s: %U", fn->qualname, count,
                     positional ? "positional" : "keyword-only", count == 1 ? "" : "s", joined.get());
    } catch (const Error&) {
    }
}

KIT_COLD void too_many_positional(FunctionObject* fn, Py_ssize_t given, PyObject* const* slots,
                                  PyObject* defaults) noexcept {
    try {
        Py_ssize_t kwonly_given = 0;
        for (int i = fn->argcount; i < fn->argcount + fn->kwonlycount; i++)
            if (slots[slot_of(fn, i)]) kwonly_given++;
        Py_ssize_t defcount = defaults ? PyTuple_GET_SIZE(defaults) : 0;
        Ref sig;
        bool plural;
        if (defcount) {
            plural = true;
            sig = strf("from %zd to %d", fn->argcount - defcount, fn->argcount);
        } else {
            plural = fn->argcount != 1;
            sig = strf("%d", fn->argcount);
        }
        Ref kwonly_sig = kwonly_given ? strf(" positional argument%s (and %zd keyword-only argument%s)",
                                             given != 1 ? "s" : "", kwonly_given, kwonly_given != 1 ? "s" : "")
                                      : str("");
        PyErr_Format(PyExc_TypeError, "%U() takes %U positional argument%s but %zd%U %s given", fn->qualname,
                     sig.get(), plural ? "s" : "", given, kwonly_sig.get(),
                     given == 1 && !kwonly_given ? "was" : "were");
    } catch (const Error&) {
    }
}

// "Did you mean" as Python functions offer it.  The interpreter's own
// helper is the private module _suggestions of CPython 3.13 (the one its
// traceback printing uses); without it the message has no suggestion.
Ref suggestion_for(FunctionObject* fn, PyObject* keyword) noexcept {
    int total = fn->argcount + fn->kwonlycount;
    if (total == 0) return Ref();
    try {
        Ref module = Ref::steal(PyImport_ImportModule("_suggestions"));
        Ref candidates = Ref::steal(PyTuple_GetSlice(fn->varnames, 0, total));
        Ref names = Ref::steal(PySequence_List(candidates));
        Ref found = call_method(module, KIT_STR("_generate_suggestions"), names.get(), keyword);
        if (found.get() != Py_None) return found;
    } catch (const Error&) {
        PyErr_Clear();
    }
    return Ref();
}

KIT_COLD void unexpected_keyword(FunctionObject* fn, PyObject* keyword) noexcept {
    Ref suggestion = suggestion_for(fn, keyword);
    if (suggestion)
        PyErr_Format(PyExc_TypeError, "%U() got an unexpected keyword argument '%S'. Did you mean '%S'?",
                     fn->qualname, keyword, suggestion.get());
    else
        PyErr_Format(PyExc_TypeError, "%U() got an unexpected keyword argument '%S'", fn->qualname, keyword);
}

KIT_COLD void multiple_values(FunctionObject* fn, PyObject* keyword) noexcept {
    PyErr_Format(PyExc_TypeError, "%U() got multiple values for argument '%S'", fn->qualname, keyword);
}

KIT_COLD void keywords_must_be_strings(FunctionObject* fn) noexcept {
    PyErr_Format(PyExc_TypeError, "%U() keywords must be strings", fn->qualname);
}

// The slot of a keyword among the named parameters, or -1; -2 on error.
int keyword_slot(FunctionObject* fn, PyObject* key, int total) noexcept {
    for (int j = 0; j < total; j++)
        if (PyTuple_GET_ITEM(fn->varnames, j) == key) return j;
    for (int j = 0; j < total; j++) {
        int c = PyUnicode_Compare(key, PyTuple_GET_ITEM(fn->varnames, j));
        if (c == -1 && PyErr_Occurred()) return -2;
        if (c == 0) return j;
    }
    return -1;
}

}  // namespace

bool bind(FunctionObject* fn, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames, PyObject** slots,
          Made& made) noexcept {
    const int argcount = fn->argcount;
    const int total = argcount + fn->kwonlycount;
    // Where the keyword-only parameters sit: after *args when the body takes
    // *args first (slot_of, spelled out for the loops below).
    const int kwshift = fn->varargs_first ? 1 : 0;
    for (int i = 0; i < fn->nslots; i++) slots[i] = nullptr;

    Py_ssize_t n = nargs < argcount ? nargs : argcount;
    for (Py_ssize_t i = 0; i < n; i++) slots[i] = args[i];
    if (fn->varargs) {
        made.varargs = Ref::steal_or_null(PyTuple_New(nargs - n));
        if (!made.varargs) return false;
        for (Py_ssize_t i = n; i < nargs; i++) PyTuple_SET_ITEM(made.varargs.get(), i - n, Py_NewRef(args[i]));
        slots[kwshift ? argcount : total] = made.varargs;
    }
    if (fn->varkw) {
        made.varkw = Ref::steal_or_null(PyDict_New());
        if (!made.varkw) return false;
        slots[total + (fn->varargs ? 1 : 0)] = made.varkw;
    }

    if (kwnames) {
        Py_ssize_t nk = PyTuple_GET_SIZE(kwnames);
        for (Py_ssize_t k = 0; k < nk; k++) {
            PyObject* key = PyTuple_GET_ITEM(kwnames, k);
            PyObject* value = args[nargs + k];
            if (!PyUnicode_Check(key)) {
                keywords_must_be_strings(fn);
                return false;
            }
            int j = keyword_slot(fn, key, total);
            if (j == -2) return false;
            if (j == -1) {
                if (!made.varkw) {
                    unexpected_keyword(fn, key);
                    return false;
                }
                if (PyDict_SetItem(made.varkw, key, value) < 0) return false;
                continue;
            }
            PyObject*& slot = slots[j < argcount ? j : j + kwshift];
            if (slot) {
                multiple_values(fn, key);
                return false;
            }
            slot = value;
        }
    }

    if (nargs > argcount && !fn->varargs) {
        too_many_positional(fn, nargs, slots, made.defaults);
        return false;
    }

    if (nargs < argcount) {
        Py_ssize_t defcount = made.defaults ? PyTuple_GET_SIZE(made.defaults.get()) : 0;
        Py_ssize_t m = argcount - defcount;
        for (Py_ssize_t i = nargs; i < m; i++) {
            if (!slots[i]) {
                missing_arguments(fn, true, slots, 0, static_cast<int>(m));
                return false;
            }
        }
        for (Py_ssize_t i = (nargs > m ? nargs - m : 0); i < defcount; i++)
            if (!slots[m + i]) slots[m + i] = PyTuple_GET_ITEM(made.defaults.get(), i);
    }

    if (fn->kwonlycount) {
        bool missing = false;
        for (int i = argcount; i < total; i++) {
            PyObject*& slot = slots[i + kwshift];
            if (slot) continue;
            PyObject* d = nullptr;
            if (made.kwdefaults && PyDict_GetItemRef(made.kwdefaults, PyTuple_GET_ITEM(fn->varnames, i), &d) < 0)
                return false;
            if (!d) {
                missing = true;
                continue;
            }
            if (!made.kwonly_held) {
                made.kwonly_held = Ref::steal_or_null(PyTuple_New(fn->kwonlycount));
                if (!made.kwonly_held) {
                    Py_DECREF(d);
                    return false;
                }
            }
            PyTuple_SET_ITEM(made.kwonly_held.get(), i - argcount, d);  // takes the reference
            slot = d;
        }
        if (missing) {
            missing_arguments(fn, false, slots, argcount, total);
            return false;
        }
    }
    return true;
}

}  // namespace kit::detail
