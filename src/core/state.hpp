// The state of one catalog module object: what its methods, bodies and class
// slots use, made when the module executes, released with the module object.
#pragma once

#include "core/names.hpp"

#include <cstdint>

namespace pdi {

// The names the direct slots look up, as indexes of the slot cache.
enum SlotName : int { kInit, kStr, kRepr, kSlotNames };

#if PY_VERSION_HEX >= 0x030C0000
// What a class that defines one of these methods holds under its name, kept
// per class and slot name (3.12 and later) so that a slot call does not
// search the class's namespace. An entry is a class and the method of this
// module its own namespace holds (a new reference to the method, which holds
// the class, so the class cannot go and another take its address), used
// while the class keeps the direct slot. A dict watcher on the namespace
// drops the class's entries before any change of it takes effect, made
// through the class or behind its back. (3.11 has no watchers: its slots
// search the namespace on every call.)
// It buys 13-18 % on 3.13's texts and constructors (bench/RESULTS.md).
struct SlotCache {
    static constexpr std::size_t kEntries = 64;
    struct Entry {
        PyTypeObject* type;
        PyObject* method;
    };
    Entry entries[kSlotNames][kEntries];
    int watcher;                // -1: none (every watcher of the interpreter taken)
    std::uint64_t changes;      // calls of the watcher
};
#endif

// Each object a strong reference. Whatever reaches the state holds the
// module: a method (its `module`), a class with direct slots (its
// ht_module), so the names stay until the last of them goes.
struct State {
    Names names;              // first: the shared names
    PyObject* method_type;    // the type of the catalog's methods
    PyObject** body_names;    // the subsystems' names (kCatalog.names of them)
#if PY_VERSION_HEX >= 0x030C0000
    SlotCache slots;
#endif
};

// The definition of the catalog module (the interpreter fills in its head).
extern PyModuleDef module_def;

}  // namespace pdi
