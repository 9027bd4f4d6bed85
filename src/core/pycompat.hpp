// Newer functions of the public C API, provided here for the older
// interpreters the module builds on (3.11 on); on an interpreter that has a
// function, its own is used. Each is written with public functions only.
//
//   PyType_GetDict            3.12
//   PyObject_GetOptionalAttr  3.13
//   PyBytes_Join              3.14
//   PyUnicodeWriter_*         3.14 (Create, WriteASCII, WriteUTF8, WriteChar,
//                             WriteStr, Finish, Discard)
//   PyType_Lookup             3.15
//   Py_T_PYSSIZET, Py_T_OBJECT_EX, Py_READONLY 3.12 (from structmember.h)
#pragma once

#ifndef PY_SSIZE_T_CLEAN
#define PY_SSIZE_T_CLEAN
#endif
#include <Python.h>

#include <cstring>

#if PY_VERSION_HEX < 0x030C0000
#include <structmember.h>
#define Py_T_PYSSIZET T_PYSSIZET
#define Py_T_OBJECT_EX T_OBJECT_EX
#define Py_READONLY READONLY
#endif

// type's namespace, a new reference. On 3.12 and later the namespace of a
// static builtin type is kept by the interpreter, not in tp_dict.
#if PY_VERSION_HEX < 0x030C0000
static inline PyObject* PyType_GetDict(PyTypeObject* type) {
    Py_XINCREF(type->tp_dict);
    return type->tp_dict;
}
#endif

// getattr(obj, name) with AttributeError taken as "not there": 1 and a new
// reference in *result, 0 and NULL (no error set), or -1 with the error set.
#if PY_VERSION_HEX < 0x030D0000
static inline int PyObject_GetOptionalAttr(PyObject* obj, PyObject* name, PyObject** result) {
    *result = PyObject_GetAttr(obj, name);
    if (*result) return 1;
    if (!PyErr_ExceptionMatches(PyExc_AttributeError)) return -1;
    PyErr_Clear();
    return 0;
}
#endif

// sep.join(iterable) for a bytes separator.
#if PY_VERSION_HEX < 0x030E0000
static inline PyObject* PyBytes_Join(PyObject* sep, PyObject* iterable) {
    PyObject* join = PyUnicode_InternFromString("join");
    if (!join) return nullptr;
    PyObject* joined = PyObject_CallMethodOneArg(sep, join, iterable);
    Py_DECREF(join);
    return joined;
}
#endif

// The string writer: characters appended one piece after another, then made
// into one str. Kept as bytes while every character is ASCII (the str then
// made with one copy), as UCS-4 code points once another comes (the str then
// made in its narrowest kind).
#if PY_VERSION_HEX < 0x030E0000
struct PyUnicodeWriter {
    void* data;          // char while ascii, Py_UCS4 afterwards; PyMem_Malloc'ed
    Py_ssize_t size;     // characters written
    Py_ssize_t capacity; // characters data has room for
    bool ascii;
};

namespace pycompat {

// Room for n more characters; -1 with MemoryError set.
static inline int writer_reserve(PyUnicodeWriter* w, Py_ssize_t n) {
    if (n <= w->capacity - w->size) return 0;
    const Py_ssize_t unit = w->ascii ? 1 : static_cast<Py_ssize_t>(sizeof(Py_UCS4));
    const Py_ssize_t most = PY_SSIZE_T_MAX / unit;
    if (n > most - w->size) {
        PyErr_NoMemory();
        return -1;
    }
    Py_ssize_t want = w->size + n;
    // Grown by at least a half each time: a long text is copied a bounded
    // number of times over, however many pieces it takes.
    const Py_ssize_t more = w->capacity + w->capacity / 2;
    if (more > want && more <= most) want = more;
    void* data = PyMem_Realloc(w->data, static_cast<std::size_t>(want * unit));
    if (!data) {
        PyErr_NoMemory();
        return -1;
    }
    w->data = data;
    w->capacity = want;
    return 0;
}

// From bytes to code points, for the first character that is not ASCII.
static inline int writer_widen(PyUnicodeWriter* w) {
    const Py_ssize_t n = w->size;
    const Py_ssize_t room = w->capacity > n ? w->capacity : n + 1;
    if (room > PY_SSIZE_T_MAX / static_cast<Py_ssize_t>(sizeof(Py_UCS4))) {
        PyErr_NoMemory();
        return -1;
    }
    auto* wide = static_cast<Py_UCS4*>(PyMem_Malloc(static_cast<std::size_t>(room) * sizeof(Py_UCS4)));
    if (!wide) {
        PyErr_NoMemory();
        return -1;
    }
    const auto* bytes = static_cast<const unsigned char*>(w->data);
    for (Py_ssize_t i = 0; i < n; ++i) wide[i] = bytes[i];
    PyMem_Free(w->data);
    w->data = wide;
    w->capacity = room;
    w->ascii = false;
    return 0;
}

}  // namespace pycompat

static inline PyUnicodeWriter* PyUnicodeWriter_Create(Py_ssize_t length) {
    if (length < 0) {
        PyErr_SetString(PyExc_ValueError, "length must be positive");
        return nullptr;
    }
    auto* w = static_cast<PyUnicodeWriter*>(PyMem_Malloc(sizeof(PyUnicodeWriter)));
    if (!w) {
        PyErr_NoMemory();
        return nullptr;
    }
    *w = PyUnicodeWriter{nullptr, 0, 0, true};
    if (length && pycompat::writer_reserve(w, length) < 0) {
        PyMem_Free(w);
        return nullptr;
    }
    return w;
}

static inline void PyUnicodeWriter_Discard(PyUnicodeWriter* writer) {
    if (!writer) return;
    PyMem_Free(writer->data);
    PyMem_Free(writer);
}

// n ASCII characters (n -1: up to the terminating NUL).
static inline int PyUnicodeWriter_WriteASCII(PyUnicodeWriter* writer, const char* str, Py_ssize_t n) {
    if (n < 0) n = static_cast<Py_ssize_t>(std::strlen(str));
    if (n == 0) return 0;
    if (pycompat::writer_reserve(writer, n) < 0) return -1;
    if (writer->ascii) {
        std::memcpy(static_cast<char*>(writer->data) + writer->size, str, static_cast<std::size_t>(n));
    } else {
        Py_UCS4* out = static_cast<Py_UCS4*>(writer->data) + writer->size;
        for (Py_ssize_t i = 0; i < n; ++i) out[i] = static_cast<unsigned char>(str[i]);
    }
    writer->size += n;
    return 0;
}

static inline int PyUnicodeWriter_WriteStr(PyUnicodeWriter* writer, PyObject* obj);

// n bytes of UTF-8 (n -1: up to the terminating NUL); UnicodeDecodeError
// when they are not UTF-8.
static inline int PyUnicodeWriter_WriteUTF8(PyUnicodeWriter* writer, const char* str, Py_ssize_t n) {
    if (n < 0) n = static_cast<Py_ssize_t>(std::strlen(str));
    Py_ssize_t i = 0;
    while (i < n && !(static_cast<unsigned char>(str[i]) & 0x80)) ++i;
    if (i == n) return PyUnicodeWriter_WriteASCII(writer, str, n);
    PyObject* s = PyUnicode_DecodeUTF8(str, n, "strict");
    if (!s) return -1;
    const int rc = PyUnicodeWriter_WriteStr(writer, s);
    Py_DECREF(s);
    return rc;
}

static inline int PyUnicodeWriter_WriteChar(PyUnicodeWriter* writer, Py_UCS4 ch) {
    if (ch > 0x10FFFF) {
        PyErr_SetString(PyExc_ValueError, "character must be in range(0x110000)");
        return -1;
    }
    if (ch < 0x80) {
        const char c = static_cast<char>(ch);
        return PyUnicodeWriter_WriteASCII(writer, &c, 1);
    }
    if (writer->ascii && pycompat::writer_widen(writer) < 0) return -1;
    if (pycompat::writer_reserve(writer, 1) < 0) return -1;
    static_cast<Py_UCS4*>(writer->data)[writer->size++] = ch;
    return 0;
}

// str(obj).
static inline int PyUnicodeWriter_WriteStr(PyUnicodeWriter* writer, PyObject* obj) {
    PyObject* s = PyObject_Str(obj);
    if (!s) return -1;
    int rc = 0;
    const Py_ssize_t n = PyUnicode_GET_LENGTH(s);
    if (PyUnicode_IS_ASCII(s)) {
        rc = PyUnicodeWriter_WriteASCII(writer, reinterpret_cast<const char*>(PyUnicode_1BYTE_DATA(s)), n);
    } else if ((writer->ascii && pycompat::writer_widen(writer) < 0) || pycompat::writer_reserve(writer, n) < 0) {
        rc = -1;
    } else if (n) {
        Py_UCS4* out = static_cast<Py_UCS4*>(writer->data) + writer->size;
        if (PyUnicode_AsUCS4(s, out, n, 0)) {
            writer->size += n;
        } else {
            rc = -1;
        }
    }
    Py_DECREF(s);
    return rc;
}

// The text written, as a str; the writer is freed, whatever the outcome.
static inline PyObject* PyUnicodeWriter_Finish(PyUnicodeWriter* writer) {
    PyObject* s = nullptr;
    if (writer->ascii) {
        s = PyUnicode_New(writer->size, 127);
        if (s && writer->size) {
            std::memcpy(PyUnicode_1BYTE_DATA(s), writer->data, static_cast<std::size_t>(writer->size));
        }
    } else {
        s = PyUnicode_FromKindAndData(PyUnicode_4BYTE_KIND, writer->data, writer->size);
    }
    PyUnicodeWriter_Discard(writer);
    return s;
}
#endif

// Looks `name` up along type's method resolution order, in each class's own
// namespace, as attribute access finds a class attribute (descriptors are
// not called): 1 and a new reference in *attr, 0 and NULL when no class holds
// it, or -1 with the error set.
#if PY_VERSION_HEX < 0x030F0000
static inline int PyType_Lookup(PyTypeObject* type, PyObject* name, PyObject** attr) {
    *attr = nullptr;
    PyObject* mro = type->tp_mro;
    if (!mro || !PyTuple_Check(mro)) return 0;
    Py_INCREF(mro);  // a key's comparison may run code that replaces it
    int rc = 0;
    for (Py_ssize_t i = 0; i < PyTuple_GET_SIZE(mro) && rc == 0; ++i) {
        PyObject* base = PyTuple_GET_ITEM(mro, i);
        if (!PyType_Check(base)) continue;
#if PY_VERSION_HEX >= 0x030C0000
        // A heap type's namespace is its tp_dict; a static builtin type's
        // is held by the interpreter.
        PyObject* dict = reinterpret_cast<PyTypeObject*>(base)->tp_dict;
        if (dict) {
            Py_INCREF(dict);
        } else {
            dict = PyType_GetDict(reinterpret_cast<PyTypeObject*>(base));
        }
#else
        PyObject* dict = PyType_GetDict(reinterpret_cast<PyTypeObject*>(base));
#endif
        if (!dict) continue;
#if PY_VERSION_HEX >= 0x030D0000
        rc = PyDict_GetItemRef(dict, name, attr);
#else
        PyObject* found = PyDict_GetItemWithError(dict, name);
        if (found) {
            Py_INCREF(found);
            *attr = found;
            rc = 1;
        } else if (PyErr_Occurred()) {
            rc = -1;
        }
#endif
        Py_DECREF(dict);
    }
    Py_DECREF(mro);
    return rc;
}
#endif
