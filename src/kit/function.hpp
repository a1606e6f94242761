// Python-level functions implemented in C++.
//
// A kit function is a real Python function as far as callers can tell: it has
// __name__, __qualname__, __module__, __doc__, __annotations__ (strings),
// __defaults__, __kwdefaults__, __dict__ and a genuine code object with the
// parameter counts, flags and names (inspect.signature and PySide's slot
// sizing read it); it binds to instances as types.MethodType and to classes
// as itself; its arguments are bound with CPython's rules and error messages.
//
// A method is written as its Python def line beside a C++ body that takes one
// PyObject* per parameter, by name:
//
//     // def setTime(self, time: QTime):
//     //     raise NotImplementedError
//     const Def TimePickerBase_setTime{"def setTime(self, time: QTime)",
//         [](PyObject* self, PyObject* time) -> Ref { raise(PyExc_NotImplementedError); }};
//
// The def line is read as Python reads one: names, defaults (literals:
// None, True, False, numbers, strings, {}, [], ()), annotations and the
// return annotation kept as their source text, `*`, `*args`, `**kwargs`, and
// `async def` for a coroutine function.  The body may take a `const Frame&`
// first (the defining class for super(), the data attached to the function),
// and returns a Ref or nothing (None).  A body that takes more or fewer
// parameters than the def line declares does not compile.
//
// Functions whose parameters come from a table are built from a FuncSpec,
// whose body receives the bound arguments as Args.
#pragma once

#include "platform.hpp"
#include "ref.hpp"

#include <array>
#include <cstddef>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

namespace kit {

namespace detail {
struct FunctionObject;
}

// What a body may know of its call besides the arguments.
class Frame {
public:
    explicit Frame(detail::FunctionObject* fn) noexcept : fn_(fn) {}
    // The class whose body defined the function (what `__class__` is in a
    // Python method); NULL for module-level functions.
    PyObject* owner() const noexcept;
    // The object attached to the function (what a closure would capture).
    PyObject* data() const noexcept;
    // super() and super().name, inside a method.
    Ref super(PyObject* self) const;
    Ref super_attr(PyObject* self, PyObject* name) const;

protected:
    detail::FunctionObject* fn_;
};

// The bound arguments of a call, borrowed for the duration of the call: one
// slot per parameter in CPython's order (positional, keyword-only, the
// *args tuple, the **kwargs dict).
class Args : public Frame {
public:
    Args(PyObject* const* v, std::size_t n, detail::FunctionObject* fn) noexcept : Frame(fn), v_(v), n_(n) {}
    PyObject* operator[](std::size_t i) const noexcept { return v_[i]; }
    std::size_t size() const noexcept { return n_; }
    PyObject* const* slots() const noexcept { return v_; }
    // auto [self, x] = a.unpack<2>(): every slot, by name; a count that is not
    // the function's raises SystemError rather than misreading a slot.
    template <std::size_t N>
    std::array<PyObject*, N> unpack() const {
        if (N != n_) wrong_unpack(N);
        std::array<PyObject*, N> out{};
        for (std::size_t i = 0; i < N; i++) out[i] = v_[i];
        return out;
    }

private:
    [[noreturn]] void wrong_unpack(std::size_t wanted) const;
    PyObject* const* v_;
    std::size_t n_;
};

using Impl = Ref (*)(const Args&);

// A default value, written as a C++ constant in a FuncSpec parameter list.
struct Default {
    enum Kind { Absent, NoneV, True, False, Int, Float, Str, Object } kind = Absent;
    long long i = 0;
    double d = 0;
    const char* s = nullptr;
    PyObject* o = nullptr;  // borrowed; the function keeps its own reference
    Ref make() const;
};
inline constexpr Default None{Default::NoneV};
inline Default Bool(bool b) { return Default{b ? Default::True : Default::False}; }
inline Default Int(long long v) { Default d{Default::Int}; d.i = v; return d; }
inline Default Float(double v) { Default d{Default::Float}; d.d = v; return d; }
inline Default Str(const char* v) { Default d{Default::Str}; d.s = v; return d; }
inline Default Obj(PyObject* v) { Default d{Default::Object}; d.o = v; return d; }

struct Param {
    enum Kind { Positional, KeywordOnly, VarPositional, VarKeyword };
    const char* name;
    Default dflt{};
    const char* annotation = nullptr;
    Kind kind = Positional;

    Param(const char* n) : name(n) {}
    Param(const char* n, Default d, const char* ann = nullptr) : name(n), dflt(d), annotation(ann) {}
    Param(const char* n, const char* ann) : name(n), annotation(ann) {}
};
inline Param KwOnly(const char* n, Default d = {}, const char* ann = nullptr) {
    Param p(n, d, ann);
    p.kind = Param::KeywordOnly;
    return p;
}
inline Param VarArgs(const char* n, const char* ann = nullptr) {
    Param p(n, Default{}, ann);
    p.kind = Param::VarPositional;
    return p;
}
inline Param VarKw(const char* n, const char* ann = nullptr) {
    Param p(n, Default{}, ann);
    p.kind = Param::VarKeyword;
    return p;
}

// A function whose parameter list is built at run time.
struct FuncSpec {
    const char* name;
    Impl impl;
    std::vector<Param> params;
    const char* doc = nullptr;
    const char* returns = nullptr;  // return annotation text, or NULL
    bool coroutine = false;         // an `async def`: calling returns a coroutine
    PyObject* data = nullptr;       // borrowed; reachable as Frame::data()
};

// --- def lines with typed bodies --------------------------------------------

namespace detail {

// The parameter slots a def line declares (bare `*` is not one); -1 when
// the text has no parameter list.  Strings and brackets in defaults and
// annotations are skipped over.
constexpr int count_slots(const char* line) {
    const char* s = line;
    while (*s && *s != '(') s++;
    if (!*s) return -1;
    int depth = 0, slots = 0, chars = 0;  // chars: non-blank characters of the current piece
    char first = 0, quote = 0;
    auto end_piece = [&] {
        if (chars && !(chars == 1 && (first == '*' || first == '/'))) slots++;
        chars = 0;
        first = 0;
    };
    for (s++; *s; s++) {
        const char c = *s;
        if (quote) {
            if (c == '\\' && s[1]) s++;
            else if (c == quote) quote = 0;
            chars++;
            continue;
        }
        if (c == ' ' || c == '\n' || c == '\t') continue;
        if (depth == 0 && c == ')') {
            end_piece();
            return slots;
        }
        if (depth == 0 && c == ',') {
            end_piece();
            continue;
        }
        if (!chars) first = c;
        chars++;
        if (c == '\'' || c == '"') quote = c;
        else if (c == '(' || c == '[' || c == '{') depth++;
        else if (c == ')' || c == ']' || c == '}') depth--;
    }
    return -1;
}

// Called only when the def line and the body disagree, from the consteval
// constructor of Def: the build then fails naming this function.
void def_line_and_body_take_different_numbers_of_parameters();
void def_line_has_no_parameter_list();

template <class T>
inline constexpr bool is_object_param = std::is_same_v<T, PyObject*>;

template <class F, class Member>
struct BodyTraits;

// [](PyObject* self, PyObject* x) -> Ref { ... }
template <class F, class R, class... P>
struct BodyTraits<F, R (F::*)(P...) const> {
    static_assert((is_object_param<P> && ...), "every parameter of a body is a PyObject*");
    static_assert(std::is_same_v<R, Ref> || std::is_void_v<R>, "a body returns a kit::Ref or nothing");
    static constexpr int arity = sizeof...(P);
    static Ref invoke(const Args& a) {
        return [&]<std::size_t... I>(std::index_sequence<I...>) -> Ref {
            if constexpr (std::is_void_v<R>) {
                F{}(a[I]...);
                return none();
            } else {
                return F{}(a[I]...);
            }
        }(std::index_sequence_for<P...>{});
    }
};

// [](const Frame& f, PyObject* self, ...) -> Ref { ... }
template <class F, class R, class... P>
struct BodyTraits<F, R (F::*)(const Frame&, P...) const> {
    static_assert((is_object_param<P> && ...), "every parameter of a body is a PyObject*");
    static_assert(std::is_same_v<R, Ref> || std::is_void_v<R>, "a body returns a kit::Ref or nothing");
    static constexpr int arity = sizeof...(P);
    static Ref invoke(const Args& a) {
        return [&]<std::size_t... I>(std::index_sequence<I...>) -> Ref {
            const Frame& f = a;
            if constexpr (std::is_void_v<R>) {
                F{}(f, a[I]...);
                return none();
            } else {
                return F{}(f, a[I]...);
            }
        }(std::index_sequence_for<P...>{});
    }
};

}  // namespace detail

struct DefOptions {
    const char* doc = nullptr;   // __doc__
    const char* data = nullptr;  // a name attached to the function, interned (Frame::data())
};

// A Def is registered where its class (or module) body lists it; one that
// nothing registers is an unused variable, which fails the build.
class KIT_WARN_UNUSED Def {
public:
    // Def{"def name(params) -> returns", [](PyObject* ...) { ... }, {.doc = "..."}}
    template <class F>
    consteval Def(const char* line, F, DefOptions options = {})
        : line_(line),
          invoke_(&detail::BodyTraits<F, decltype(&F::operator())>::invoke),
          arity_(detail::BodyTraits<F, decltype(&F::operator())>::arity),
          options_(options) {
        const int declared = detail::count_slots(line);
        if (declared < 0) detail::def_line_has_no_parameter_list();
        if (declared != arity_) detail::def_line_and_body_take_different_numbers_of_parameters();
    }

    const char* line() const noexcept { return line_; }
    Impl invoke() const noexcept { return invoke_; }
    int arity() const noexcept { return arity_; }
    const DefOptions& options() const noexcept { return options_; }

private:
    const char* line_;
    Impl invoke_;
    int arity_;
    DefOptions options_;
};

// Build a function.  qualname defaults to the name; module and globals to the
// module being executed (module.hpp).
Ref make_function(const FuncSpec& spec, const std::string& qualname = {});
Ref make_function(const Def& def, const std::string& qualname = {});
// The name a def line defines ("def name(...)" -> "name").
std::string def_name(const Def& def);

bool is_function(PyObject* o) noexcept;

// The type objects, for tests and isinstance checks.
PyTypeObject* function_type();
PyTypeObject* coroutine_type();

}  // namespace kit
