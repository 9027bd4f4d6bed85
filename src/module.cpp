// Module initialization: the framework's public names, the network command
// base class and `math`, then the catalog's classes in catalog order.
#include "runtime/build.hpp"

#include <new>

namespace pdi {
namespace {

// The module body's imports, run as Python runs them (the same names, order
// and errors), in the module namespace.
void import_framework(PyObject* module_dict) {
    py::object code = steal(Py_CompileString("from rlx.rlx import *\n"
                                             "from rlx.private_network_commands import UWBNetworkCommandItem\n"
                                             "import math\n",
                                             "<private_data_items>", Py_file_input));
    steal(PyEval_EvalCode(code.ptr(), module_dict, module_dict));
}

State& state(PyObject* module) { return *static_cast<State*>(PyModule_GetState(module)); }

// Py_mod_exec: the names and the method type into the module's state, then the namespace as the module
// body would make it. An error while the catalog is built propagates unchanged (no other ImportError).
int exec_module(PyObject* module) {
    return guarded([module] {
        State& s = state(module);
#if PY_VERSION_HEX >= 0x030C0000
        s.slots.watcher = -1;
#endif
        intern_names(s.names);
        s.body_names = static_cast<PyObject**>(PyMem_Calloc(kCatalog.names, sizeof(PyObject*)));
        if (!s.body_names) throw std::bad_alloc();
        kCatalog.intern_names(s.body_names, s.names);
        s.method_type = new_method_type(module);
        PyObject* d = PyModule_GetDict(module);
        import_framework(d);
        build_catalog(Home{module, &s, d});
    }) ? 0 : -1;
}

// The state's references that can close a cycle: the method type and the slot cache's methods. The names
// go with the module object alone (m_free): a method run while a cycle is collected still reads them.
int traverse_module(PyObject* module, visitproc visit, void* arg) {
    State& s = state(module);
    Py_VISIT(s.method_type);
#if PY_VERSION_HEX >= 0x030C0000
    for (auto& row : s.slots.entries) {
        for (SlotCache::Entry& e : row) Py_VISIT(e.method);
    }
    Py_VISIT(s.slots.serial_class);
#endif
    return 0;
}

int clear_module(PyObject* module) {
    State& s = state(module);
    Py_CLEAR(s.method_type);
#if PY_VERSION_HEX >= 0x030C0000
    for (auto& row : s.slots.entries) {
        for (SlotCache::Entry& e : row) {
            e.type = nullptr;
            Py_CLEAR(e.method);
        }
    }
    Py_CLEAR(s.slots.serial_class);
#endif
    return 0;
}

void free_module(void* module) {
    auto* m = static_cast<PyObject*>(module);
    clear_module(m);
    State& s = state(m);
#if PY_VERSION_HEX >= 0x030C0000
    if (s.slots.watcher >= 0 && PyDict_ClearWatcher(s.slots.watcher) < 0) PyErr_WriteUnraisable(m);
#endif
    if (s.body_names) release_names(s.body_names, kCatalog.names);
    PyMem_Free(s.body_names);
    release_names(reinterpret_cast<PyObject**>(&s.names), sizeof(Names) / sizeof(PyObject*));
}

// The interpreter takes the slots and the definition by non-const pointer.
PyModuleDef_Slot module_slots[] = {  // NOLINT(cppcoreguidelines-avoid-non-const-global-variables)
    {Py_mod_exec, reinterpret_cast<void*>(exec_module)},
#if PY_VERSION_HEX >= 0x030C0000
    // Nothing is shared between interpreters: every object is the module state's or its namespace's.
    {Py_mod_multiple_interpreters, Py_MOD_PER_INTERPRETER_GIL_SUPPORTED},
#endif
    {0, nullptr},
};

}  // namespace

// The slots compare a class's module definition with its address.
PyModuleDef module_def = {  // NOLINT(cppcoreguidelines-avoid-non-const-global-variables)
    PyModuleDef_HEAD_INIT, "private_data_items",
    "Catalog of the private data item types of the RLX data protocol.", sizeof(State),
    nullptr, module_slots, traverse_module, clear_module, free_module,
};

}  // namespace pdi

// Multi-phase initialization: each import makes a module object of its own.
PyMODINIT_FUNC PyInit_private_data_items() { return PyModuleDef_Init(&pdi::module_def); }
