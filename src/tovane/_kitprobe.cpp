// _kitprobe: a small module that exercises the native kit from tests.
//
//     def sample(a, b=1, *args, c, d: str = "dee", **kwargs) -> tuple: ...
//     async def twice(x: int): return x * 2
//     def make_class(name, bases, members=None, doc=None, outer=None): ...
//     ...
#include "kit/kit.hpp"

#include <string>
#include <vector>

namespace {

using namespace kit;

// def sample(a, b=1, *args, c, d: str = "dee", **kwargs) -> tuple:
//     return (a, b, c, d, args, kwargs)
const Def sample{"def sample(a, b=1, *args, c, d: str = \"dee\", **kwargs) -> tuple",
                 [](PyObject* a, PyObject* b, PyObject* args, PyObject* c, PyObject* d, PyObject* kwargs) {
                     return tuple_of(a, b, c, d, args, kwargs);
                 },
                 {.doc = "Return the bound arguments."}};

// async def twice(x: int):
//     if isinstance(x, BaseException) or is an exception class: raise x
//     return x * 2
const Def twice{"async def twice(x: int)", [](PyObject* x) -> Ref {
                    if (PyExceptionInstance_Check(x) || PyExceptionClass_Check(x)) raise(x);
                    Ref two = integer(2);
                    return mul(x, two);
                }};

// async def call_async(fn):
//     return fn()
const Def call_async{"async def call_async(fn)", [](PyObject* fn) { return call(fn); }};

// The members every probe class gets.

// def echo(self, x: int = 1) -> tuple:
//     return (self, x, __class__)
const Def Probe_echo{"def echo(self, x: int = 1) -> tuple",
                     [](const Frame& f, PyObject* self, PyObject* x) {
                         return tuple_of(self, x, f.owner() ? f.owner() : Py_None);
                     },
                     {.doc = "Echo the arguments."}};

// def sizeHint(self):            (a Qt virtual)
//     return self.hint
const Def Probe_sizeHint{"def sizeHint(self)", [](PyObject* self) { return getattr(self, KIT_STR("hint")); }};

// def resizeEvent(self, event):  (a Qt virtual)
//     self.resizes.append(event.size())
const Def Probe_resizeEvent{"def resizeEvent(self, event)", [](PyObject* self, PyObject* event) {
                                Ref size = call_method(event, KIT_STR("size"));
                                append(getattr(self, KIT_STR("resizes")), size);
                            }};

// def describe(self):
//     return f"probe({super().describe()})"
const Def Probe_describe{"def describe(self)", [](const Frame& f, PyObject* self) {
                             Ref inner = call(f.super_attr(self, KIT_STR("describe")));
                             return strf("probe(%S)", inner.get());
                         }};

// def __private(self):
//     return "private"
const Def Probe__private{"def __private(self)", [](PyObject*) { return str("private"); }};

// def record(self, *args):       (a slot for signals)
//     self.log.append(args)
const Def Probe_record{"def record(self, *args)",
                       [](PyObject* self, PyObject* args) { append(getattr(self, KIT_STR("log")), args); }};

// def make_class(name, bases, members=None, doc=None, outer=None):
//     class <name>(*bases):
//         """<doc>"""
//         <members>
//         def echo ... def record    (above)
const Def make_class{
    "def make_class(name, bases, members=None, doc=None, outer=None)",
    [](PyObject* name, PyObject* bases, PyObject* members, PyObject* doc, PyObject* outer) {
        Ref name_text = str_of(name);
        ClassOptions options;
        if (doc != Py_None) options.doc = utf8(doc);
        if (outer != Py_None) options.outer = utf8(outer);
        ClassBuilder cls(utf8(name_text), bases, options);
        if (members != Py_None) {
            PyObject *key, *value;
            Py_ssize_t pos = 0;
            while (PyDict_Next(members, &pos, &key, &value)) cls.attr(utf8(key), value);
        }
        cls.def(Probe_echo);
        cls.def(Probe_sizeHint);
        cls.def(Probe_resizeEvent);
        cls.def(Probe_describe);
        cls.def(Probe__private);
        cls.def(Probe_record);
        return cls.build();
    }};

// def raise_while_handling(first, second):
//     try:
//         raise first
//     except BaseException:
//         second()       # whatever this raises carries `first` as its context
//         raise RuntimeError("handler finished without raising")
const Def raise_while_handling{"def raise_while_handling(first, second)", [](PyObject* first, PyObject* second) {
                                   try {
                                       raise(first);
                                   } catch (const Error&) {
                                       Handling handled;
                                       call(second);
                                       raise(PyExc_RuntimeError, "handler finished without raising");
                                   }
                               }};

// def raise_it(exc):
//     raise exc
const Def raise_it{"def raise_it(exc)", [](PyObject* exc) { raise(exc); }};

// def raise_it_from(exc, cause):
//     raise exc from cause
const Def raise_it_from{"def raise_it_from(exc, cause)", [](PyObject* exc, PyObject* cause) { raise_from(exc, cause); }};

// def recurse(fn):
//     return fn(fn)               (a native calling natives, no Python frame between)
const Def recurse{"def recurse(fn)", [](PyObject* fn) { return call(fn, fn); }};

// def check_version(major, minor): the frame's interpreter-version check
const Def probe_check_version{"def check_version(major, minor)", [](PyObject* major, PyObject* minor) {
                                  int r = kit::check_version(static_cast<int>(as_long(major)),
                                                             static_cast<int>(as_long(minor)), "_kitprobe");
                                  if (r < 0) throw_error();
                              }};

// def unpack_call(f, args, kwargs):
//     return f(*args, x=1, **kwargs)
const Def unpack_call{"def unpack_call(f, args, kwargs)", [](PyObject* f, PyObject* args, PyObject* kwargs) {
                          Ref one = integer(1);
                          return call_unpacked(f, args, {{"x", one}}, kwargs);
                      }};

// def bind(module, *names):
//     from <module> import <names...>      (into this module)
const Def bind{"def bind(module, *names)", [](PyObject* module, PyObject* names) {
                   std::vector<ImportName> wanted;
                   for (Py_ssize_t i = 0; i < PyTuple_GET_SIZE(names); i++)
                       wanted.emplace_back(utf8(PyTuple_GET_ITEM(names, i)));
                   from_import(utf8(module), wanted);
               }};

// def cached():
//     return <one object made on first use>
const Def cached{"def cached()", [] { return Ref::borrow(KIT_CACHED(new_list())); }};

// def kwonly(a, b=2, *, c, d=4):
//     return (a, b, c, d)
const Def kwonly{"def kwonly(a, b=2, *, c, d=4)",
                 [](PyObject* a, PyObject* b, PyObject* c, PyObject* d) { return tuple_of(a, b, c, d); }};

// def call_then_return(hook, *, value="default"):
//     hook()
//     return value          (a keyword-only default the hook may replace)
const Def call_then_return{"def call_then_return(hook, *, value=\"default\")", [](PyObject* hook, PyObject* value) {
                               call(hook);
                               return Ref::borrow(value);
                           }};

// def iterate_all(iterable):
//     result = []
//     for item in iterable:
//         result.append(item)
//     return result
const Def iterate_all{"def iterate_all(iterable)", [](PyObject* iterable) {
                          Ref result = new_list();
                          for (Ref item : iterate(iterable)) append(result, item);
                          return result;
                      }};

// A table-driven function reads its slots through Args; unpacking the wrong
// number is an error, never a misread slot.
//     def unpack_two(a, b, c): ...
Ref unpack_two(const Args& a) {
    auto [first, second] = a.unpack<2>();
    return tuple_of(first, second);
}

void body() {
    from_import("typing", {"Optional"});
    kit::def(sample);
    kit::def(twice);
    kit::def(call_async);
    kit::def(make_class);
    kit::def(raise_while_handling);
    kit::def(raise_it);
    kit::def(raise_it_from);
    kit::def(recurse);
    kit::def(probe_check_version);
    kit::def(unpack_call);
    kit::def(bind);
    kit::def(cached);
    kit::def(kwonly);
    kit::def(call_then_return);
    kit::def(iterate_all);
    kit::def(FuncSpec{.name = "unpack_two", .impl = unpack_two, .params = {"a", "b", "c"}});
    set_global("function_type", reinterpret_cast<PyObject*>(function_type()));
    set_global("coroutine_type", reinterpret_cast<PyObject*>(coroutine_type()));
}

}  // namespace

KIT_MODULE(_kitprobe, body, .doc = "Exercises the native kit.")
