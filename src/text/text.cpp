// The text buffer (see text.hpp): what does not fit its buffer, the
// conversions that ask the interpreter, and the end of a text.
#include "text/text.hpp"

#include "text/float_text.hpp"

#include <cmath>
#include <cstdio>

namespace pdi {

namespace {

// What plain() asks a value's formatting with, made when first needed.
struct Formatting {
    PyObject* name;    // "__format__", interned
    PyObject* object;  // object.__format__, which formats with an empty format as str() does
    PyObject* empty;   // the empty format
};

const Formatting& formatting() {
    static const Formatting made = [] {
        PyObject* name = check(PyUnicode_InternFromString("__format__"));
        PyObject* empty = check(PyUnicode_InternFromString(""));
        PyObject* object = nullptr;
        check_status(PyType_Lookup(&PyBaseObject_Type, name, &object));  // held for the process
        return Formatting{name, object, empty};
    }();
    return made;
}

// Whether v's class keeps object's formatting: the class's own __format__
// (looked up as attribute access finds it; a failed look-up counts as another).
bool object_formatting(PyObject* v, const Formatting& f) {
    if (!f.object) return false;
    PyObject* found = nullptr;
    if (PyType_Lookup(Py_TYPE(v), f.name, &found) < 0) PyErr_Clear();
    const bool same = found == f.object;
    Py_XDECREF(found);
    return same;
}

}  // namespace

void Text::flush() {
    // The writer overallocates as it grows: a long text is copied a bounded
    // number of times over, however many buffers it spills.
    if (!w_ && !(w_ = PyUnicodeWriter_Create(0))) throw PyErr{};
    if (len_) check_status(PyUnicodeWriter_WriteASCII(w_, buf_, len_));
    len_ = 0;
}

// What does not fit the buffer: the buffer moves into the writer first.
Text& Text::spill(const char* s, Py_ssize_t n) {
    flush();
    if (n > kSize) {
        check_status(PyUnicodeWriter_WriteASCII(w_, s, n));
        return *this;
    }
    std::memcpy(buf_, s, static_cast<std::size_t>(n));
    len_ = n;
    return *this;
}

// A str that is not ASCII: into the writer, after what came before.
Text& Text::wide(PyObject* unicode) {
    flush();
    check_status(PyUnicodeWriter_WriteStr(w_, unicode));
    return *this;
}

Text& Text::hex_bytes(const unsigned char* p, Py_ssize_t n) {
    static const char digits[] = "0123456789abcdef";
    while (n > 0) {
        Py_ssize_t room = (kSize - len_) / 2;
        if (room == 0) {
            flush();
            room = kSize / 2;
        }
        const Py_ssize_t take = n < room ? n : room;
        char* out = buf_ + len_;
        for (Py_ssize_t i = 0; i < take; ++i) {
            *out++ = digits[p[i] >> 4];
            *out++ = digits[p[i] & 15];
        }
        len_ += 2 * take;
        p += take;
        n -= take;
    }
    return *this;
}

// Python's text of a float ("{}" and str()).
Text& Text::real(double v) {
    char out[40] = {};
    return ascii(out, float_text(v, out));
}

void Text::format(PyObject* v, const char* format_spec) {
    py::object fmt = steal(PyUnicode_FromString(format_spec));
    py::object s = steal(PyObject_Format(v, fmt.ptr()));
    str(s.ptr());
}

// An exact int in 64 bits is written here, a longer one by the interpreter.
Text& Text::long_integer(PyObject* v) {
    int overflow = 0;
    const long long x = PyLong_AsLongLongAndOverflow(v, &overflow);
    if (overflow) return str_of(v);
    if (x == -1 && PyErr_Occurred()) throw PyErr{};
    return integer(x);
}

// Exact floats and strs are converted here; anything else (a subclass
// included) by its own formatting.
Text& Text::plain_other(PyObject* v) {
    if (PyFloat_CheckExact(v)) return real(PyFloat_AS_DOUBLE(v));
    if (PyUnicode_CheckExact(v)) return str(v);
    // A class that keeps object's formatting formats with an empty format as str() does.
    const Formatting& f = formatting();
    const bool as_str = object_formatting(v, f);
    py::object s = steal(as_str ? PyObject_Str(v) : PyObject_Format(v, f.empty));
    return str(s.ptr());
}

Text& Text::repr(PyObject* v) {
    if (PyLong_CheckExact(v) || PyFloat_CheckExact(v)) return plain(v);
    py::object s = steal(PyObject_Repr(v));
    return str(s.ptr());
}

Text& Text::hex(PyObject* v, int digits) {
    if (PyLong_CheckExact(v)) {
        int overflow = 0;
        const long long x = PyLong_AsLongLongAndOverflow(v, &overflow);
        if (!overflow && x >= 0) {
            char buf[24];
            auto r = std::to_chars(buf, buf + sizeof buf, x, 16);
            const int n = static_cast<int>(r.ptr - buf);
            for (int i = 0; i < n; ++i) {
                if (buf[i] >= 'a') buf[i] = static_cast<char>(buf[i] - 'a' + 'A');
            }
            static const char zeros[] = "0000000000000000";
            if (n < digits) ascii(zeros, digits - n);
            return ascii(buf, n);
        }
    }
    char format_spec[8];
    (void)std::snprintf(format_spec, sizeof format_spec, "0%dX", digits);
    format(v, format_spec);
    return *this;
}

// Fixed point without fractional digits: the nearest whole number, ties to
// even, from the exact value of the double; a negative value that rounds to
// zero keeps its sign.
Text& Text::fixed0(double v) {
    if (std::isfinite(v) && std::fabs(v) < 9.0e18) {
        const double whole = std::nearbyint(v);  // the default rounding: to nearest, ties to even
        if (whole == 0 && std::signbit(v)) return ascii("-0");
        return integer(static_cast<long long>(whole));
    }
    // Beyond a 64-bit whole number, infinite or not a number: the interpreter's conversion.
    char* s = PyOS_double_to_string(v, 'f', 0, 0, nullptr);
    if (!s) throw PyErr{};
    struct Free {
        char* p;
        ~Free() { PyMem_Free(p); }
    } release{s};
    return ascii(s, static_cast<Py_ssize_t>(std::strlen(s)));
}

Text& Text::fixed0(PyObject* v) {
    if (PyFloat_CheckExact(v)) return fixed0(PyFloat_AS_DOUBLE(v));
    format(v, ".0f");
    return *this;
}

Text& Text::append(Text& other) {
    if (!other.w_) {
        ascii(other.buf_, other.len_);
        other.len_ = 0;
        return *this;
    }
    py::object s = other.finish();
    return str(s.ptr());
}

py::object Text::finish() {
    if (!w_) {
        const Py_ssize_t n = len_;
        len_ = 0;
        // One character: the interpreter's shared string of it, nothing allocated.
        if (n == 1) return steal(PyUnicode_FromOrdinal(static_cast<unsigned char>(buf_[0])));
        py::object out = steal(PyUnicode_New(n, 127));
        std::memcpy(PyUnicode_1BYTE_DATA(out.ptr()), buf_, static_cast<std::size_t>(n));
        return out;
    }
    flush();
    PyUnicodeWriter* w = w_;
    w_ = nullptr;
    return steal(PyUnicodeWriter_Finish(w));  // frees the writer, whatever the outcome
}

}  // namespace pdi
