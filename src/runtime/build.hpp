// What the builder and the runtime share: the method object and the calls that make methods for a class.
#pragma once

#include "core/state.hpp"
#include "runtime/call.hpp"

#include <cstdint>
#include <stdexcept>
#include <vector>

namespace pdi {

// Interns the rows' strings while the catalog is built, each once: found again by its address (the
// compiler keeps one copy of equal literals) in an open-addressed table, without decoding or hashing its
// text, nor an allocation per string (a map's nodes cost about 1 % of the import, bench/RESULTS.md).
class Interner {
public:
    // Borrowed: held as long as the interner.
    PyObject* operator()(const char* s) {
        std::size_t i = (reinterpret_cast<std::uintptr_t>(s) * 0x9E3779B97F4A7C15u >> 32) & (kSlots - 1);
        while (slots_[i].text && slots_[i].text != s) i = (i + 1) & (kSlots - 1);
        if (!slots_[i].text) {
            if (++used_ > kSlots / 2) throw std::length_error("the rows hold more strings than the interner");
            slots_[i].made = steal(PyUnicode_InternFromString(s));
            slots_[i].text = s;
        }
        return slots_[i].made.ptr();
    }
    // A new reference.
    py::object ref(const char* s) { return borrow((*this)(s)); }

private:
    static constexpr std::size_t kSlots = 4096;  // a power of two, over twice the rows' strings (about 900)
    struct Slot {
        const char* text = nullptr;
        py::object made;
    };
    std::vector<Slot> slots_ = std::vector<Slot>(kSlots);
    std::size_t used_ = 0;
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
