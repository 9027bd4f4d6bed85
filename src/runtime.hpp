// What the builder and the runtime share: the method object and the calls
// that make methods for a class.
#pragma once

#include "catalog.hpp"

#include <unordered_map>
#include <vector>

namespace pdi {

// Interns the tables' C strings while the catalog is built. A string met
// again at the same address (the linker keeps one copy of equal literals) is
// taken from what was made instead of being converted and looked up again.
class Interner {
public:
    Interner() { made_.reserve(2048); }
    // Borrowed: held as long as the interner.
    PyObject* operator()(const char* s) {
        py::object& slot = made_[s];
        if (!slot) slot = steal(PyUnicode_InternFromString(s));
        return slot.ptr();
    }
    // A new reference.
    py::object ref(const char* s) { return py::reinterpret_borrow<py::object>((*this)(s)); }

private:
    std::unordered_map<const char*, py::object> made_;
};

// Readies the method types; once per process.
void ready_method_types();
// Adds the methods of `decl` to the class namespace `ns`; `made` receives them.
void add_methods(PyObject* ns, const ClassSpec& decl, PyObject* globals, Interner& intern,
                 std::vector<py::object>& made);
// Gives a class whose own `__init__`, `__str__` or `__repr__` is a method of
// this module the slot that runs it directly.
void use_direct_slots(PyObject* cls);
// Tells a method the class that defines it.
void set_defining_class(PyObject* method, PyObject* cls);

py::object record_init_body(Call& c);

}  // namespace pdi
