// What the builder and the runtime share: the method object and the calls
// that make methods for a class.
#pragma once

#include "core/state.hpp"
#include "runtime/call.hpp"

#include <cstdint>
#include <vector>

namespace pdi {

// Interns the tables' strings while the catalog is built: each once per
// table, found again by its number without hashing.
class Interner {
public:
    Interner() = default;
    ~Interner() {
        for (const Made& t : made_) {
            for (PyObject* s : t.strings) Py_XDECREF(s);
        }
    }
    Interner(const Interner&) = delete;
    Interner& operator=(const Interner&) = delete;
    // Borrowed: held as long as the interner.
    PyObject* operator()(const Table& t, Str s) {
        std::vector<PyObject*>& made = of(t);
        if (s >= made.size()) {
            PyErr_SetString(PyExc_SystemError, "a table row names a string its table does not hold");
            throw PyErr{};
        }
        if (!made[s]) made[s] = check(PyUnicode_InternFromString(t.str(s)));
        return made[s];
    }
    // A new reference.
    py::object ref(const Table& t, Str s) { return py::reinterpret_borrow<py::object>((*this)(t, s)); }

private:
    struct Made {
        const Table* table;
        std::vector<PyObject*> strings;
    };
    // The strings made of `t`, the previous call's table tried first.
    std::vector<PyObject*>& of(const Table& t) {
        if (last_ < made_.size() && made_[last_].table == &t) return made_[last_].strings;
        for (last_ = 0; last_ < made_.size(); ++last_) {
            if (made_[last_].table == &t) return made_[last_].strings;
        }
        made_.push_back(Made{&t, std::vector<PyObject*>(t.nstrings)});
        return made_.back().strings;
    }
    std::vector<Made> made_;
    std::size_t last_ = 0;
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
// Adds the methods of `decl`, an entry of table `t`, to the class namespace
// `ns`; `made` receives them.
void add_methods(PyObject* ns, const Table& t, const ClassRow& decl, const Home& home, Interner& intern,
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
    const ClassRow* row;
};
std::vector<Entry> catalog_entries();

}  // namespace pdi
