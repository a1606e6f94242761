// Class statements.  ClassBuilder does what the interpreter does for
//
//     class Name(*bases):
//         """doc"""
//         <members in body order>
//
// it finds the most derived metaclass of the bases, asks it for the namespace
// (__prepare__), fills in __module__, __qualname__ and __doc__, then the
// members in order (class-private names mangled), and calls the metaclass
// with name, bases and namespace.  Methods learn their class (the
// `__class__` of Python methods) once it exists.
#pragma once

#include "function.hpp"

#include <string>
#include <vector>

namespace kit {

struct ClassOptions {
    const char* doc = nullptr;    // the docstring
    const char* outer = nullptr;  // qualified name of the enclosing class, for a nested class
};

class ClassBuilder {
public:
    ClassBuilder(const char* name, std::initializer_list<PyObject*> bases, ClassOptions options = {});
    // Bases given as a tuple.
    ClassBuilder(const char* name, PyObject* bases, ClassOptions options = {});

    const std::string& qualname() const noexcept { return qualname_; }

    // name = value
    ClassBuilder& attr(const char* name, PyObject* value);
    // def name(...): ...
    ClassBuilder& def(const Def& def);
    ClassBuilder& def(const FuncSpec& spec);
    // @property (and @name.setter)
    ClassBuilder& property(const Def& getter, const Def* setter = nullptr);
    // @classmethod / @staticmethod
    ClassBuilder& classmethod(const Def& def);
    ClassBuilder& staticmethod(const Def& def);
    // @classmethod
    // @lru_cache(maxsize=maxsize)      (the module's global lru_cache)
    // def ...
    ClassBuilder& lru_cached_classmethod(const Def& def, int maxsize);
    // The function of a def in this class, not yet bound to a name: for
    // decorators (`@classmethod @lru_cache(maxsize=128) def f(cls): ...`).
    Ref function(const Def& def);

    // Make the class.
    Ref build();
    // Make the class and bind it as the module global of its name.
    Ref define();

private:
    void prepare(PyObject* bases, ClassOptions options);
    Ref mangled(const std::string& name) const;
    Ref keep(Ref function);

    std::string name_;
    std::string qualname_;
    Ref bases_;
    Ref meta_;
    Ref ns_;
    std::vector<Ref> functions_;
};

// The metaclass a class statement with these bases would use (CPython's
// rule); raises the interpreter's metaclass-conflict TypeError.
Ref most_derived_metaclass(PyObject* bases);

}  // namespace kit
