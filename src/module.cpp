// Module initialization: the framework's public names, the network command
// base class and `math`, then the catalog's classes in catalog order.
#include "runtime/build.hpp"

#include <new>

namespace pdi {
namespace {

// `import <module_name>` (`fromlist` null) or `from <module_name> import ...`
// as a statement of the module body runs it: straight through the import
// system, which returns a module already in sys.modules at once.
py::object import_module(PyObject* module_dict, const char* module_name, PyObject* fromlist) {
    return steal(PyImport_ImportModuleLevel(module_name, module_dict, nullptr, fromlist, 0));
}

// `from rlx.rlx import *`: the names of __all__ when the module has one,
// otherwise every name not starting with an underscore.
void import_star(PyObject* module_dict, const char* module_name) {
    py::object fromlist = steal(Py_BuildValue("(s)", "*"));
    py::object mod = import_module(module_dict, module_name, fromlist.ptr());
    py::object names;
    if (PyObject_HasAttrString(mod.ptr(), "__all__")) {
        names = steal(PySequence_List(steal(PyObject_GetAttrString(mod.ptr(), "__all__")).ptr()));
    } else {
        py::object all = steal(PyMapping_Keys(steal(PyObject_GetAttrString(mod.ptr(), "__dict__")).ptr()));
        names = steal(PyList_New(0));
        for (Py_ssize_t i = 0; i < PyList_GET_SIZE(all.ptr()); ++i) {
            PyObject* n = PyList_GET_ITEM(all.ptr(), i);
            if (PyUnicode_Check(n) && PyUnicode_READ_CHAR(n, 0) != '_') check_status(PyList_Append(names.ptr(), n));
        }
    }
    for (Py_ssize_t i = 0; i < PyList_GET_SIZE(names.ptr()); ++i) {
        PyObject* n = PyList_GET_ITEM(names.ptr(), i);
        py::object v = steal(PyObject_GetAttr(mod.ptr(), n));
        check_status(PyDict_SetItem(module_dict, n, v.ptr()));
    }
}

// `from <module_name> import <name>`, with the interpreter's own error for a missing name.
void import_from(PyObject* module_dict, const char* module_name, const char* name) {
    py::object fromlist = steal(Py_BuildValue("(s)", name));
    py::object mod = import_module(module_dict, module_name, fromlist.ptr());
    PyObject* v = PyObject_GetAttrString(mod.ptr(), name);
    if (!v) {
        if (!PyErr_ExceptionMatches(PyExc_AttributeError)) throw PyErr{};
        PyErr_Clear();
        py::object file = steal(PyObject_GetAttrString(mod.ptr(), "__dict__"));
        PyObject* path = PyDict_GetItemString(file.ptr(), "__file__");
        py::object msg = steal(path ? PyUnicode_FromFormat("cannot import name '%s' from '%s' (%S)", name, module_name, path)
                                    : PyUnicode_FromFormat("cannot import name '%s' from '%s' (unknown location)",
                                                           name, module_name));
        py::object mod_name = steal(PyUnicode_FromString(module_name));
        PyErr_SetImportError(msg.ptr(), mod_name.ptr(), path ? path : Py_None);
        throw PyErr{};
    }
    py::object value = steal(v);
    check_status(PyDict_SetItemString(module_dict, name, value.ptr()));
}

State& state(PyObject* module) { return *static_cast<State*>(PyModule_GetState(module)); }

// Py_mod_exec: the names and the method type into the module's state, then
// the namespace as the module body would make it. An error raised while the
// catalog is built propagates unchanged (no wrapping into another ImportError).
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
        import_star(d, "rlx.rlx");
        import_from(d, "rlx.private_network_commands", "UWBNetworkCommandItem");
        py::object math = import_module(d, "math", nullptr);
        check_status(PyDict_SetItemString(d, "math", math.ptr()));
        build_catalog(Home{module, &s, d});
    }) ? 0 : -1;
}

// The state's references that can close a cycle: the method type and the
// methods the slot cache holds. The names go with the module object alone
// (m_free): a method that runs while a cycle is collected still reads them.
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
    release_names(reinterpret_cast<PyObject**>(&s.names), sizeof(Names) / sizeof(PyObject*));
}

}  // namespace

PyModuleDef& module_def() noexcept {
    static PyModuleDef_Slot slots[] = {
        {Py_mod_exec, reinterpret_cast<void*>(exec_module)},
#if PY_VERSION_HEX >= 0x030C0000
        // Nothing of the module is shared between interpreters: every object
        // it makes and uses is its own state's or its namespace's.
        {Py_mod_multiple_interpreters, Py_MOD_PER_INTERPRETER_GIL_SUPPORTED},
#endif
        {0, nullptr},
    };
    static PyModuleDef def = {
        PyModuleDef_HEAD_INIT, "private_data_items",
        "Catalog of the private data item types of the RLX data protocol.", sizeof(State),
        nullptr, slots, traverse_module, clear_module, free_module,
    };
    return def;
}

}  // namespace pdi

// Multi-phase initialization: each import makes a module object of its own.
PyMODINIT_FUNC PyInit_private_data_items() { return PyModuleDef_Init(&pdi::module_def()); }
