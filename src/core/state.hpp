// The state of one catalog module object: what its methods, bodies and class
// slots use, made when the module executes, released with the module object.
#pragma once

#include "core/names.hpp"

#include <cstdint>

namespace pdi {

// The names the direct slots look up, as indexes of the slot cache.
enum SlotName : int { kInit, kStr, kRepr, kSlotNames };

#if PY_VERSION_HEX >= 0x030C0000
// The method a class's own namespace holds under a slot's name, per class (3.12+: dict watchers), so
// that a slot call does not search the namespace. An entry holds the method, which holds the class (no
// other class can take its address); the watcher drops it before a change of the namespace takes effect.
// It buys 13-18 % on 3.13's texts and constructors (bench/RESULTS.md).
struct SlotCache {
    static constexpr std::size_t kEntries = 64;
    struct Entry {
        PyTypeObject* type;
        PyObject* method;
    };
    Entry entries[kSlotNames][kEntries];
    int watcher;                // -1: none (every watcher of the interpreter taken)
    std::uint64_t changes;      // changes the watcher saw
};
#endif

// The texts of a one-byte record's value: str() of 0-255.
constexpr Py_ssize_t kByteTexts = 256;

// Each object a strong reference. Whatever reaches the state (a method, a
// class with direct slots) holds the module, so the names outlive them.
struct State {
    Names names;              // first: the shared names
    PyObject* method_type;    // the type of the catalog's methods
    PyObject** body_names;    // the subsystems' names (kCatalog.names of them)
    PyObject* byte_texts[kByteTexts];  // each made when first asked for
    newfunc object_new;       // object's tp_new (a class constructed directly has it)
#if PY_VERSION_HEX >= 0x030C0000
    SlotCache slots;
#endif
};

// The definition of the catalog module (the interpreter fills in its head).
extern PyModuleDef module_def;  // NOLINT(cppcoreguidelines-avoid-non-const-global-variables)

}  // namespace pdi
