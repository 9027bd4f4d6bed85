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

/* The leanest constructor C can give a plain class: its init slot replaced
 * by a function that stores the seven positional arguments under their names
 * (no keyword handling, no look-up of __init__, no binding). */
static int slot_init(PyObject* self, PyObject* args, PyObject* kwds) {
    (void)kwds;
    if (!PyTuple_Check(args) || PyTuple_GET_SIZE(args) != 7) {
        PyErr_SetString(PyExc_TypeError, "seven arguments");
        return -1;
    }
    for (int i = 0; i < 7; i++) {
        if (PyObject_GenericSetAttr(self, names[i], PyTuple_GET_ITEM(args, i)) < 0) return -1;
    }
    return 0;
}

/* lean_init(cls): gives the plain class cls the constructor above. */
static PyObject* lean_init(PyObject* module, PyObject* cls) {
    (void)module;
    if (!PyType_Check(cls) || !(((PyTypeObject*)cls)->tp_flags & Py_TPFLAGS_HEAPTYPE))
        return PyErr_Format(PyExc_TypeError, "a class made by type()");
    ((PyTypeObject*)cls)->tp_init = slot_init;
    Py_RETURN_NONE;
}

/* The leanest text C can give a plain class: its str slot replaced by a
 * function that returns one prepared string, doing no work at all. */
static PyObject* constant_text;

static PyObject* slot_str(PyObject* self) {
    (void)self;
    Py_INCREF(constant_text);
    return constant_text;
}

/* lean_str(cls): gives the plain class cls the text above. */
static PyObject* lean_str(PyObject* module, PyObject* cls) {
    (void)module;
    if (!PyType_Check(cls) || !(((PyTypeObject*)cls)->tp_flags & Py_TPFLAGS_HEAPTYPE))
        return PyErr_Format(PyExc_TypeError, "a class made by type()");
    ((PyTypeObject*)cls)->tp_str = slot_str;
    Py_RETURN_NONE;
}

static PyMethodDef methods[] = {
    {"lean_str", lean_str, METH_O, NULL},
    {"lean_init", lean_init, METH_O, NULL},
    {"stores", (PyCFunction)(void (*)(void))stores, METH_FASTCALL, NULL},
    {"calls", (PyCFunction)(void (*)(void))calls, METH_FASTCALL, NULL},
    {NULL},
};
static struct PyModuleDef def = {PyModuleDef_HEAD_INIT, "host_bounds", NULL, -1, methods};

PyMODINIT_FUNC PyInit_host_bounds(void) {
    const char* text[] = {"a", "b", "c", "d", "e", "f", "g"};
    for (int i = 0; i < 7; i++) names[i] = PyUnicode_InternFromString(text[i]);
    constant_text = PyUnicode_InternFromString("5");
    return PyModule_Create(&def);
}
