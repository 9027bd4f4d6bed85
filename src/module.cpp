// Module initialization: the framework's public names, the network command
// base class and `math`, then the catalog's classes in catalog order.
#include "runtime/build.hpp"

#include <new>

namespace pdi {
namespace {

// The module body's imports as Python statements, run as Python runs them (the same names, order and errors)
// in the module namespace `d`, for the error of a failed import_framework(): the modules are in sys.modules by
// then, so none of them runs again. Anything but an Exception propagates.
void run_imports_instead(PyObject* d) {
    if (PyErr_Occurred() && !PyErr_ExceptionMatches(PyExc_Exception)) throw PyErr{};
    PyErr_Clear();
    py::object code = steal(Py_CompileString("from rlx.rlx import *\n"
                                             "from rlx.private_network_commands import UWBNetworkCommandItem\n"
                                             "import math\n",
                                             "<private_data_items>", Py_file_input));
    steal(PyEval_EvalCode(code.ptr(), d, d));
}

py::object import_module(PyObject* d, const char* name, const char* item) {
    py::object fromlist = item ? steal(Py_BuildValue("(s)", item)) : py::object();
    return steal(PyImport_ImportModuleLevel(name, d, nullptr, fromlist.ptr(), 0));
}

// The same imports straight through the import system: compiling the statements costs 2-3 % of the import
// (bench/RESULTS.md). A name that does not copy as the statements would is left to them, for their error.
void import_framework(PyObject* d) {
    py::object rlx = import_module(d, "rlx.rlx", "*");
    const bool copied = guarded([&] {
        PyObject* all = nullptr;
        check_status(PyObject_GetOptionalAttr(rlx.ptr(), steal(PyUnicode_InternFromString("__all__")).ptr(), &all));
        py::object names = all ? steal(all) : steal(PyObject_GetAttrString(rlx.ptr(), "__dict__"));
        if (!all) names = steal(PyMapping_Keys(names.ptr()));
        if (!PyList_Check(names.ptr()) && !PyTuple_Check(names.ptr())) throw PyErr{};
        for_each(names.ptr(), [&](PyObject* n) {
            if (all || !PyUnicode_Check(n) || PyUnicode_READ_CHAR(n, 0) != '_') {
                check_status(PyDict_SetItem(d, n, steal(PyObject_GetAttr(rlx.ptr(), n)).ptr()));
            }
        });
    });
    if (!copied) return run_imports_instead(d);
    py::object commands = import_module(d, "rlx.private_network_commands", "UWBNetworkCommandItem");
    PyObject* base = PyObject_GetAttrString(commands.ptr(), "UWBNetworkCommandItem");
    if (!base) return run_imports_instead(d);
    check_status(PyDict_SetItemString(d, "UWBNetworkCommandItem", steal(base).ptr()));
    check_status(PyDict_SetItemString(d, "math", import_module(d, "math", nullptr).ptr()));
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
        s.object_new = PyBaseObject_Type.tp_new;
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
    release_names(s.byte_texts, kByteTexts);
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
