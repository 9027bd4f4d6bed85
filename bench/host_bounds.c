/* The leanest C the host allows for a record's constructor and text, given
 * to plain classes: what no C implementation of these operations can beat,
 * and the loop the instruction counts of the codecs run in. Built and loaded
 * by bench/bench.py. */
#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <string.h>

/* On this interpreter an instance keeps its attributes in an array of values
 * beside the object, indexed by the keys its class shares among instances;
 * the interpreter's adaptive attribute access reads and writes that array
 * directly, and so does the leanest C. Elsewhere it takes the generic access. */
#if PY_VERSION_HEX >= 0x030B0000 && PY_VERSION_HEX < 0x030C0000 && defined(__has_include)
#if __has_include(<internal/pycore_dict.h>)
#define Py_BUILD_CORE 1
#include <internal/pycore_dict.h>
#undef Py_BUILD_CORE
#define DIRECT_VALUES 1
#endif
#endif

/* What a probed class gets: its field names and, for a constructor, each
 * field's default (None: a new empty list) and what wraps its value (None:
 * stored as it is). */
typedef struct {
    PyTypeObject* type;
    PyObject* names;
    PyObject* defaults;
    PyObject* makers;
    unsigned int version;       /* the class version the places below hold for */
    unsigned char place[32];    /* where each name sits among the values */
} Probe;

static Probe probes[64];
static int nprobes;

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
    probes[nprobes++] = (Probe){(PyTypeObject*)cls, names, defaults, makers, 0, {0}};
    return 0;
}

/* The values of `self` when its fields can be read and written there at
 * p->place (found once the names are among the class's keys, that is after
 * the first instance's generic stores); NULL for the generic way. */
static PyObject** direct_values(Probe* p, PyObject* self) {
#ifdef DIRECT_VALUES
    PyTypeObject* tp = p->type;
    PyDictValues* values = *((PyDictValues**)self - 4);
    if (Py_TYPE(self) != tp || !(tp->tp_flags & Py_TPFLAGS_MANAGED_DICT) || !values) return NULL;
    if (tp->tp_version_tag && tp->tp_version_tag == p->version) return values->values;
    PyDictKeysObject* keys = ((PyHeapTypeObject*)tp)->ht_cached_keys;
    const Py_ssize_t n = PyTuple_GET_SIZE(p->names);
    if (!keys || keys->dk_kind != DICT_KEYS_SPLIT || n > 32) return NULL;
    const PyDictUnicodeEntry* entries = DK_UNICODE_ENTRIES(keys);
    for (Py_ssize_t i = 0; i < n; i++) {
        PyObject* name = PyTuple_GET_ITEM(p->names, i);
        PyObject* found = _PyType_Lookup(tp, name);
        if (found && Py_TYPE(found)->tp_descr_set) return NULL;
        Py_ssize_t ix = 0;
        while (ix < keys->dk_nentries && entries[ix].me_key != name) ix++;
        if (ix == keys->dk_nentries) return NULL;
        p->place[i] = (unsigned char)ix;
    }
    p->version = tp->tp_version_tag;
    return p->version ? values->values : NULL;
#else
    (void)p;
    (void)self;
    return NULL;
#endif
}

/* The constructor: object's __new__ (which also readies the attribute
 * storage), then each field stored straight into the instance's values (the
 * cheapest store the C API has, PyObject_GenericSetAttr, until the class's
 * keys hold the names), the positional arguments first and the defaults
 * after; no keywords, no look-up of __init__, no binding, no check. */
static PyObject* lean_vectorcall(PyObject* cls, PyObject* const* args, size_t nargsf, PyObject* kwnames) {
    (void)kwnames;
    Probe* p = probe_of(cls);
    const Py_ssize_t nargs = PyVectorcall_NARGS(nargsf);
    PyObject* no_args = PyTuple_New(0);
    PyObject* self = p->type->tp_new(p->type, no_args, NULL);
    Py_DECREF(no_args);
    if (!self) return NULL;
    PyObject** values = direct_values(p, self);
    for (Py_ssize_t i = 0; i < PyTuple_GET_SIZE(p->names); i++) {
        PyObject* v = i < nargs ? args[i] : PyTuple_GET_ITEM(p->defaults, i);
        PyObject* maker = PyTuple_GET_ITEM(p->makers, i);
        PyObject* fresh = v == Py_None ? PyList_New(0) : maker != Py_None ? PyObject_CallOneArg(maker, v) : NULL;
        if ((v == Py_None || maker != Py_None) && !fresh) {
            Py_DECREF(self);
            return NULL;
        }
        if (values) {
            /* A fresh instance: no value there yet. */
            values[p->place[i]] = fresh ? fresh : (Py_INCREF(v), v);
            _PyDictValues_AddToInsertionOrder((PyDictValues*)values, p->place[i]);
            continue;
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

/* The text: the named fields (read straight from the instance's values) in
 * their str() forms joined by ", ", an exact int written straight into one
 * buffer, anything else through str(). */
static PyObject* lean_str_slot(PyObject* self) {
    Probe* p = probe_of((PyObject*)Py_TYPE(self));
    PyObject** values = direct_values(p, self);
    char buf[256];
    Py_ssize_t len = 0;
    for (Py_ssize_t i = 0; i < PyTuple_GET_SIZE(p->names); i++) {
        PyObject* v = values && values[p->place[i]] ? (Py_INCREF(values[p->place[i]]), values[p->place[i]])
                                                     : PyObject_GenericGetAttr(self, PyTuple_GET_ITEM(p->names, i));
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
    {"lean_constructor", (PyCFunction)(void (*)(void))lean_constructor, METH_FASTCALL, NULL},
    {"lean_str", (PyCFunction)(void (*)(void))lean_str, METH_FASTCALL, NULL},
    {NULL},
};
static struct PyModuleDef def = {PyModuleDef_HEAD_INIT, "host_bounds", NULL, -1, methods};

PyMODINIT_FUNC PyInit_host_bounds(void) { return PyModule_Create(&def); }
