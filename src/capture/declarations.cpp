// `_capture.declarations(module)`: what the rows of the catalog module declare, asked of the module's
// shared object (src/declarations.cpp), so that the tool reads the layouts instead of finding them out.
#include "capture/capture.hpp"

#if __has_include(<dlfcn.h>)
#include <dlfcn.h>
#endif

namespace pdi {

PyObject* declarations(PyObject*, PyObject* module) {
    if (!PyModule_Check(module)) {
        PyErr_Format(PyExc_TypeError, "declarations() takes a module, not %.100s", Py_TYPE(module)->tp_name);
        return nullptr;
    }
#if __has_include(<dlfcn.h>)
    // The entry point of the shared object that made `module`. None for a module of Python code, a built-in
    // one or a catalog built without it (nor without the loader's look-ups): the tool then finds it all out.
    PyModuleDef* def = PyModule_GetDef(module);
    Dl_info info{};
    if (def && dladdr(def, &info) && info.dli_fname) {
        // Loaded already (it holds the module's definition): this only finds it, and closing leaves it loaded.
        if (void* handle = dlopen(info.dli_fname, RTLD_LAZY | RTLD_NOLOAD)) {
            void* found = dlsym(handle, "rlx_pdi_declarations_v1");
            dlclose(handle);
            if (found) return reinterpret_cast<PyObject* (*)(PyObject*)>(found)(module);
        }
    }
#endif
    Py_RETURN_NONE;
}

}  // namespace pdi
