/* The floor under the record constructors: a constructor stores each of its
 * values as an instance attribute, and the interpreter's C API offers stores
 * by name only. Built and run by bench/host_bounds.py. */
#define PY_SSIZE_T_CLEAN
#include <Python.h>

static PyObject* names[7];

/* stores(cls, value, rounds): per round, cls() and seven attribute stores on
 * the new instance through PyObject_GenericSetAttr, the cheapest store the C
 * API has; no call, argument binding or method dispatch is paid. */
static PyObject* stores(PyObject* module, PyObject* const* args, Py_ssize_t nargs) {
    (void)module;
    if (nargs != 3) return PyErr_Format(PyExc_TypeError, "stores(cls, value, rounds)");
    const long rounds = PyLong_AsLong(args[2]);
    for (long r = 0; r < rounds; r++) {
        PyObject* o = PyObject_CallNoArgs(args[0]);
        if (!o) return NULL;
        for (int i = 0; i < 7; i++) {
            if (PyObject_GenericSetAttr(o, names[i], args[1]) < 0) {
                Py_DECREF(o);
                return NULL;
            }
        }
        Py_DECREF(o);
    }
    Py_RETURN_NONE;
}

/* calls(cls, value, rounds): per round, cls(value, ... seven times): the
 * whole constructor of a class, called from C like the loop above. */
static PyObject* calls(PyObject* module, PyObject* const* args, Py_ssize_t nargs) {
    (void)module;
    if (nargs != 3) return PyErr_Format(PyExc_TypeError, "calls(cls, value, rounds)");
    const long rounds = PyLong_AsLong(args[2]);
    PyObject* values[7] = {args[1], args[1], args[1], args[1], args[1], args[1], args[1]};
    for (long r = 0; r < rounds; r++) {
        PyObject* o = PyObject_Vectorcall(args[0], values, 7, NULL);
        if (!o) return NULL;
        Py_DECREF(o);
    }
    Py_RETURN_NONE;
}

static PyMethodDef methods[] = {
    {"stores", (PyCFunction)(void (*)(void))stores, METH_FASTCALL, NULL},
    {"calls", (PyCFunction)(void (*)(void))calls, METH_FASTCALL, NULL},
    {NULL},
};
static struct PyModuleDef def = {PyModuleDef_HEAD_INIT, "host_bounds", NULL, -1, methods};

PyMODINIT_FUNC PyInit_host_bounds(void) {
    const char* text[] = {"a", "b", "c", "d", "e", "f", "g"};
    for (int i = 0; i < 7; i++) names[i] = PyUnicode_InternFromString(text[i]);
    return PyModule_Create(&def);
}
