// Class statements.  ClassBuilder does what the interpreter does for
//
//     class Name(*bases):
//         """doc"""
//         <members in body order>
//
// it finds the most derived metaclass of the bases, asks it for the namespace
// (__prepare__), fills in __module__, __qualname__ and __doc__, then the
// members in order (class-private names mangled), and calls the metaclass
// with name, bases and namespace.
#pragma once

#include "function.hpp"

#include <string>
#include <vector>

namespace kit {

class ClassBuilder {
public:
    // outer: the qualified name of an enclosing class for nested classes.
    ClassBuilder(const char* name, std::initializer_list<PyObject*> bases,
                 const char* doc = nullptr, const std::string& outer = {});

    const std::string& qualname() const noexcept { return qualname_; }

    // name = value
    ClassBuilder& attr(const char* name, PyObject* value);
    // def name(...): ...
    ClassBuilder& def(FuncSpec spec);
    // @property getter (and optionally @name.setter)
    ClassBuilder& property(FuncSpec getter, const FuncSpec* setter = nullptr);
    // @classmethod / @staticmethod
    ClassBuilder& classmethod(FuncSpec spec);
    ClassBuilder& staticmethod(FuncSpec spec);

    Ref build();

private:
    Ref mangled(const char* name) const;
    Ref method(const FuncSpec& spec);

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
