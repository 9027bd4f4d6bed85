/* The least C that does a record's constructor and text, given to plain
 * classes, and a domain information attribute's encoding, through the public
 * C API only: the work no C implementation of
 * these operations on this interpreter can do without. Also the loop the
 * instruction counts of the codecs run in. Built and loaded by
 * bench/bench.py for the interpreter it runs on. */
#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <string.h>

/* What a probed class gets: its field names and, for a constructor, each
 * field's default (None: a new empty list) and what wraps its value (None:
 * stored as it is). */
typedef struct {
    PyTypeObject* type;
    PyObject* names;
    PyObject* defaults;
    PyObject* makers;
} Probe;

static Probe probes[64];
static int nprobes;
static PyObject* no_args; /* the empty tuple, held for the process */

/* The newest first: the class being timed is the one made last. */
static Probe* probe_of(PyObject* cls) {
    for (int i = nprobes - 1; i >= 0; i--) {
        if ((PyObject*)probes[i].type == cls) return &probes[i];
    }
    return NULL;
}

static int add_probe(PyObject* cls, PyObject* names, PyObject* defaults, PyObject* makers) {
    if (!PyType_Check(cls) || !(((PyTypeObject*)cls)->tp_flags & Py_TPFLAGS_HEAPTYPE) || !PyTuple_Check(names) ||
        (defaults && (!PyTuple_Check(defaults) || PyTuple_GET_SIZE(defaults) != PyTuple_GET_SIZE(names))) ||
        (makers && (!PyTuple_Check(makers) || PyTuple_GET_SIZE(makers) != PyTuple_GET_SIZE(names)))) {
        PyErr_SetString(PyExc_TypeError, "a class made by type(), a tuple of names (and of defaults and makers)");
        return -1;
    }
    if (nprobes == 64) {
        PyErr_SetString(PyExc_RuntimeError, "too many probes");
        return -1;
    }
    Py_INCREF(cls);
    Py_INCREF(names);
    Py_XINCREF(defaults);
    Py_XINCREF(makers);
    probes[nprobes++] = (Probe){(PyTypeObject*)cls, names, defaults, makers};
    return 0;
}

/* The constructor: object's __new__ (which also readies the attribute
 * storage), then each field stored by the generic attribute store (the
 * cheapest store the C API has), the positional arguments first and the
 * defaults after; no keywords, no look-up of __init__, no binding, no check. */
static PyObject* lean_vectorcall(PyObject* cls, PyObject* const* args, size_t nargsf, PyObject* kwnames) {
    (void)kwnames;
    Probe* p = probe_of(cls);
    const Py_ssize_t nargs = PyVectorcall_NARGS(nargsf);
    PyObject* self = p->type->tp_new(p->type, no_args, NULL);
    if (!self) return NULL;
    for (Py_ssize_t i = 0; i < PyTuple_GET_SIZE(p->names); i++) {
        PyObject* v = i < nargs ? args[i] : PyTuple_GET_ITEM(p->defaults, i);
        PyObject* maker = PyTuple_GET_ITEM(p->makers, i);
        PyObject* fresh = v == Py_None ? PyList_New(0) : maker != Py_None ? PyObject_CallOneArg(maker, v) : NULL;
        if ((v == Py_None || maker != Py_None) && !fresh) {
            Py_DECREF(self);
            return NULL;
        }
        const int rc = PyObject_GenericSetAttr(self, PyTuple_GET_ITEM(p->names, i), fresh ? fresh : v);
        Py_XDECREF(fresh);
        if (rc < 0) {
            Py_DECREF(self);
            return NULL;
        }
    }
    return self;
}

/* lean_constructor(cls, names, defaults, makers) */
static PyObject* lean_constructor(PyObject* module, PyObject* const* args, Py_ssize_t nargs) {
    (void)module;
    if (nargs != 4 || add_probe(args[0], args[1], args[2], args[3]) < 0) return NULL;
    ((PyTypeObject*)args[0])->tp_vectorcall = lean_vectorcall;
    Py_RETURN_NONE;
}

/* The text: the named fields (read by the generic attribute read) in their
 * str() forms joined by ", ", an exact int written straight into one buffer,
 * anything else through str(). */
static PyObject* lean_str_slot(PyObject* self) {
    Probe* p = probe_of((PyObject*)Py_TYPE(self));
    char buf[512];
    Py_ssize_t len = 0;
    for (Py_ssize_t i = 0; i < PyTuple_GET_SIZE(p->names); i++) {
        if (len + 2 + 64 > (Py_ssize_t)sizeof buf) return PyErr_Format(PyExc_ValueError, "too many fields");
        PyObject* v = PyObject_GenericGetAttr(self, PyTuple_GET_ITEM(p->names, i));
        if (!v) return NULL;
        if (i) {
            memcpy(buf + len, ", ", 2);
            len += 2;
        }
        long long n;
        if (PyLong_CheckExact(v) && ((n = PyLong_AsLongLong(v)) != -1 || !PyErr_Occurred())) {
            char digits[24];
            int d = 0;
            unsigned long long u = n < 0 ? 0ULL - (unsigned long long)n : (unsigned long long)n;
            do {
                digits[d++] = (char)('0' + u % 10);
                u /= 10;
            } while (u);
            if (n < 0) buf[len++] = '-';
            while (d) buf[len++] = digits[--d];
        } else {
            PyErr_Clear();
            PyObject* s = PyObject_Str(v);
            const char* u = s ? PyUnicode_AsUTF8(s) : NULL;
            if (!u || strlen(u) > 64) {
                Py_XDECREF(s);
                Py_DECREF(v);
                return u ? PyErr_Format(PyExc_ValueError, "a long field") : NULL;
            }
            memcpy(buf + len, u, strlen(u));
            len += (Py_ssize_t)strlen(u);
            Py_DECREF(s);
        }
        Py_DECREF(v);
    }
    PyObject* text = PyUnicode_New(len, 127);
    if (text) memcpy(PyUnicode_DATA(text), buf, (size_t)len);
    return text;
}

/* lean_str(cls, names) */
static PyObject* lean_str(PyObject* module, PyObject* const* args, Py_ssize_t nargs) {
    (void)module;
    if (nargs != 2 || add_probe(args[0], args[1], NULL, NULL) < 0) return NULL;
    ((PyTypeObject*)args[0])->tp_str = lean_str_slot;
    ((PyTypeObject*)args[0])->tp_repr = lean_str_slot;  /* for a record whose representation is its text */
    Py_RETURN_NONE;
}

/* domain_encode(info): a domain information attribute's _encode, the five
 * fields read by the generic attribute read and packed as "<QQqfq" (36
 * bytes) into one bytes object. */
static PyObject* domain_encode(PyObject* module, PyObject* info) {
    static const char* const names[] = {"nt64", "domaint", "quality", "slope", "intercept"};
    static PyObject* interned[5];
    unsigned char out[36];
    size_t at = 0;
    (void)module;
    for (int i = 0; i < 5; i++) {
        if (!interned[i] && !(interned[i] = PyUnicode_InternFromString(names[i]))) return NULL;
        PyObject* v = PyObject_GenericGetAttr(info, interned[i]);
        if (!v) return NULL;
        unsigned long long bits;
        int width = 8;
        if (i == 3) {
            const float f = (float)PyFloat_AsDouble(v);
            unsigned int b;
            memcpy(&b, &f, 4);
            bits = b;
            width = 4;
        } else {
            bits = i < 2 ? PyLong_AsUnsignedLongLong(v) : (unsigned long long)PyLong_AsLongLong(v);
        }
        Py_DECREF(v);
        if (PyErr_Occurred()) return NULL;
        for (int k = 0; k < width; k++) out[at++] = (unsigned char)(bits >> (8 * k));
    }
    return PyBytes_FromStringAndSize((const char*)out, 36);
}

/* counted_loop(fn, n): calls fn() n times. The benchmark's instruction
 * count collects inside this function only (valgrind's callgrind with
 * --toggle-collect and --dump-after naming it), so each loop is counted on
 * its own. Exported under this name for that. */
PyObject* counted_loop(PyObject* module, PyObject* const* args, Py_ssize_t nargs) {
    (void)module;
    if (nargs != 2) return PyErr_Format(PyExc_TypeError, "counted_loop(fn, n)");
    const long n = PyLong_AsLong(args[1]);
    if (n == -1 && PyErr_Occurred()) return NULL;
    for (long i = 0; i < n; i++) {
        PyObject* r = PyObject_CallNoArgs(args[0]);
        if (!r) return NULL;
        Py_DECREF(r);
    }
    Py_RETURN_NONE;
}

static PyMethodDef methods[] = {
    {"counted_loop", (PyCFunction)(void (*)(void))counted_loop, METH_FASTCALL, NULL},
    {"domain_encode", domain_encode, METH_O, NULL},
    {"lean_constructor", (PyCFunction)(void (*)(void))lean_constructor, METH_FASTCALL, NULL},
    {"lean_str", (PyCFunction)(void (*)(void))lean_str, METH_FASTCALL, NULL},
    {NULL},
};
static struct PyModuleDef def = {PyModuleDef_HEAD_INIT, "host_bounds", NULL, -1, methods};

PyMODINIT_FUNC PyInit_host_bounds(void) {
    if (!no_args && !(no_args = PyTuple_New(0))) return NULL;
    return PyModule_Create(&def);
}
