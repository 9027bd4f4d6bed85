// What the builder and the runtime share: the method object and the calls that make methods for a class.
#pragma once

#include "core/state.hpp"
#include "runtime/call.hpp"

#include <unordered_map>
#include <vector>

namespace pdi {

// Interns the rows' strings while the catalog is built, each once: found again by its address (the
// compiler keeps one copy of equal literals), without decoding or hashing its text.
class Interner {
public:
    // Borrowed: held as long as the interner.
    PyObject* operator()(const char* s) {
        py::object& made = made_[s];
        if (!made) made = steal(PyUnicode_InternFromString(s));
        return made.ptr();
    }
    // A new reference.
    py::object ref(const char* s) { return borrow((*this)(s)); }

private:
    std::unordered_map<const char*, py::object> made_{4096};
};

// The module a method is made for: the object, its state and its namespace.
struct Home {
    PyObject* module;
    State* state;
    PyObject* globals;
};

// Builds every class of the catalog into the module's namespace, in catalog order.
void build_catalog(const Home& home);

// The method type of a module object.
PyObject* new_method_type(PyObject* module);
// Adds the methods of `decl`, an entry of table `t`, to the class namespace `ns`; `made` receives them.
void add_methods(PyObject* ns, const Table& t, const ClassSpec& decl, const Home& home, Interner& intern,
                 std::vector<py::object>& made);
// Gives a class whose own `__init__`, `__str__` or `__repr__` is a method the slot that runs it directly.
void use_direct_slots(PyObject* cls, PyObject* module);
// Tells a method the class that defines it.
void set_defining_class(PyObject* method, PyObject* cls);

py::object record_init_body(Call& c);

// The name under which the framework (or this module) binds an attribute kind.
const char* kind_name(Kind k) noexcept;
// Every class entry of the tables, in catalog order.
struct Entry {
    const Table* table;
    const ClassSpec* row;
};
std::vector<Entry> catalog_entries();

}  // namespace pdi
