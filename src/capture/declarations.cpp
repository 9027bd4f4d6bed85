// `_capture.declarations(module)`: what the rows of the catalog module
// declare, asked of the module's shared object (src/declarations.cpp), so
// that the tool reads the layouts instead of finding them out.
#include "capture/capture.hpp"

#if __has_include(<dlfcn.h>)
#include <dlfcn.h>
#define PDI_HAVE_DLFCN 1
#endif

namespace pdi {

namespace {

using DeclarationsFn = PyObject* (*)(PyObject*);

// The entry point of the shared object that made `module`, or nullptr: a
// module of Python code, a built-in one, or a catalog built without it (or
// a system without the dynamic loader's look-ups: the tool then finds it all
// out by itself).
DeclarationsFn entry_point(PyObject* module) {
#ifndef PDI_HAVE_DLFCN
    (void)module;
    return nullptr;
#else
    PyModuleDef* def = PyModule_GetDef(module);
    if (!def) return nullptr;
    Dl_info info{};
    if (!dladdr(def, &info) || !info.dli_fname) return nullptr;
    // The object is loaded already (it holds the module's definition): this
    // only finds it, and closing the handle leaves it loaded.
    void* handle = dlopen(info.dli_fname, RTLD_LAZY | RTLD_NOLOAD);
    if (!handle) return nullptr;
    void* found = dlsym(handle, "rlx_pdi_declarations_v1");
    dlclose(handle);
    return reinterpret_cast<DeclarationsFn>(found);
#endif
}

}  // namespace

PyObject* declarations(PyObject*, PyObject* module) {
    if (!PyModule_Check(module)) {
        PyErr_Format(PyExc_TypeError, "declarations() takes a module, not %.100s", Py_TYPE(module)->tp_name);
        return nullptr;
    }
    DeclarationsFn fn = entry_point(module);
    if (!fn) Py_RETURN_NONE;
    return fn(module);
}

}  // namespace pdi
