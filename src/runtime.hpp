// What the builder and the runtime share: the method object and the calls
// that make methods for a class.
#pragma once

#include "catalog.hpp"

#include <cstdint>
#include <vector>

namespace pdi {

// Interns the tables' C strings while the catalog is built. A string met
// again at the same address (the linker keeps one copy of equal literals) is
// taken from what was made instead of being converted and looked up again.
// An open-addressed table keyed by address: no allocation per string. It is
// sized for the catalog's 874 distinct strings at two thirds full: 20 KiB,
// whose every page is fresh memory the build has to fault in (a string
// beyond three quarters full is still interned, only not cached).
class Interner {
public:
    Interner() = default;
    ~Interner() {
        for (const Slot& s : slots_) Py_XDECREF(s.made);
    }
    Interner(const Interner&) = delete;
    Interner& operator=(const Interner&) = delete;
    // Borrowed: held as long as the interner.
    PyObject* operator()(const char* s) {
        std::size_t i = ((reinterpret_cast<std::uintptr_t>(s) * 0x9E3779B97F4A7C15u) >> 32) % kSize;
        for (std::size_t probes = 0; probes < kSize; ++probes, i = i + 1 == kSize ? 0 : i + 1) {
            Slot& slot = slots_[i];
            if (slot.key == s) return slot.made;
            if (slot.key) continue;
            if (used_ * 4 >= kSize * 3) break;  // nearly full: no longer cached
            slot.made = check(PyUnicode_InternFromString(s));
            slot.key = s;
            ++used_;
            return slot.made;
        }
        PyObject* made = check(PyUnicode_InternFromString(s));
        spilled_.push_back(steal(made));
        return made;
    }
    // A new reference.
    py::object ref(const char* s) { return py::reinterpret_borrow<py::object>((*this)(s)); }

private:
    static constexpr std::size_t kSize = 1280;
    struct Slot {
        const char* key = nullptr;
        PyObject* made = nullptr;
    };
    std::vector<Slot> slots_ = std::vector<Slot>(kSize);
    std::size_t used_ = 0;
    std::vector<py::object> spilled_;
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
