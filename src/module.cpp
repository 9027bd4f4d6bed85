// Module initialization: the framework's public names, the network command
// base class and `math`, then the catalog's classes in catalog order.
#include "runtime/build.hpp"

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

void init(PyObject* module) {
    PyObject* d = PyModule_GetDict(module);
    import_star(d, "rlx.rlx");
    import_from(d, "rlx.private_network_commands", "UWBNetworkCommandItem");
    py::object math = import_module(d, "math", nullptr);
    check_status(PyDict_SetItemString(d, "math", math.ptr()));
    build_catalog(d);
}

}  // namespace
}  // namespace pdi

// Single-phase initialization; an error raised while the catalog is built
// propagates unchanged (no wrapping into another ImportError).
PyMODINIT_FUNC PyInit_private_data_items() {
    static PyModuleDef def = {
        PyModuleDef_HEAD_INIT, "private_data_items",
        "Catalog of the private data item types of the RLX data protocol.", -1,
        nullptr, nullptr, nullptr, nullptr, nullptr,
    };
    PyObject* module = PyModule_Create(&def);
    if (!module) return nullptr;
    if (pdi::guarded([module] { pdi::init(module); })) return module;
    Py_DECREF(module);
    return nullptr;
}
