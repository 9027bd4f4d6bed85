// What the builder and the runtime share: the method object and the calls
// that make methods for a class.
#pragma once

#include "catalog.hpp"

#include <vector>

namespace pdi {

// Readies the method types; once per process.
void ready_method_types();
// Adds the methods of `decl` to the class namespace `ns`; `made` receives them.
void add_methods(PyObject* ns, const ClassSpec& decl, PyObject* globals, std::vector<py::object>& made);
// Gives a class whose own `__init__`, `__str__` or `__repr__` is a method of
// this module the slot that runs it directly.
void use_direct_slots(PyObject* cls);
// Tells a method the class that defines it.
void set_defining_class(PyObject* method, PyObject* cls);

py::object record_init_body(Call& c);

}  // namespace pdi
