// The text buffer (see text.hpp): its store, the conversions that ask the interpreter, and the end of a text.
#include "text/text.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <new>

namespace pdi {

void Text::flush() {
    store(buf_, len_);
    len_ = 0;
}

Text& Text::spill(const char* s, Py_ssize_t n) {
    flush();
    store(s, n);
    return *this;
}

void Text::store(const char* s, Py_ssize_t n) {
    reserve(n);
    if (wide_) {
        Py_UCS4* out = static_cast<Py_UCS4*>(rest_) + rest_len_;
        for (Py_ssize_t i = 0; i < n; ++i) out[i] = static_cast<unsigned char>(s[i]);
    } else {
        std::memcpy(static_cast<char*>(rest_) + rest_len_, s, static_cast<std::size_t>(n));
    }
    rest_len_ += n;
}

// The store grows by half at least: a long text is copied a bounded number of times, however many buffers it spills.
void Text::reserve(Py_ssize_t n) {
    if (!rest_) {
        rest_len_ = rest_size_ = 0;
        wide_ = false;
    } else if (n <= rest_size_ - rest_len_) {
        return;
    }
    const Py_ssize_t unit = wide_ ? static_cast<Py_ssize_t>(sizeof(Py_UCS4)) : 1;
    const Py_ssize_t most = PY_SSIZE_T_MAX / unit;
    if (n > most - rest_len_) throw std::bad_alloc{};
    const Py_ssize_t size = std::max(rest_len_ + n, rest_size_ + std::min(rest_size_ / 2, most - rest_size_));
    void* more = PyMem_Realloc(rest_, static_cast<std::size_t>(size * unit));
    if (!more) throw std::bad_alloc{};
    rest_ = more;
    rest_size_ = size;
}

// A str that is not ASCII: the store turns to code points first.
Text& Text::wide(PyObject* unicode) {
    flush();
    const Py_ssize_t n = PyUnicode_GET_LENGTH(unicode);
    if (!wide_) {
        // Regrown for code points, then widened in place from the last character: each lands at or after its byte.
        wide_ = true;
        rest_size_ = 0;
        reserve(n);
        const auto* bytes = static_cast<const unsigned char*>(rest_);
        auto* points = static_cast<Py_UCS4*>(rest_);
        for (Py_ssize_t i = rest_len_; i-- > 0;) points[i] = bytes[i];
    }
    reserve(n);
    if (!PyUnicode_AsUCS4(unicode, static_cast<Py_UCS4*>(rest_) + rest_len_, n, 0)) throw PyErr{};
    rest_len_ += n;
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

Text& Text::real(double v) {
    char out[40] = {};
    return ascii(out, float_text(v, out));
}

Text& Text::format(PyObject* v, const char* layout) {
    py::object fmt = steal(PyUnicode_FromString(layout));
    return str(steal(PyObject_Format(v, fmt.ptr())).ptr());
}

// An exact int in 64 bits is written here, a longer one by the interpreter.
Text& Text::long_integer(PyObject* v) {
    int overflow = 0;
    const long long x = PyLong_AsLongLongAndOverflow(v, &overflow);
    if (overflow) return str_of(v);
    if (x == -1 && PyErr_Occurred()) throw PyErr{};
    return integer(x);
}

// Exact floats and strs are converted here; anything else (a subclass included) by its own formatting.
Text& Text::plain_other(PyObject* v) {
    if (PyFloat_CheckExact(v)) return real(PyFloat_AS_DOUBLE(v));
    if (PyUnicode_CheckExact(v)) return str(v);
    // format(v, ""). A class that keeps object.__format__ (as attribute access finds it; a failed look-up
    // counts as another) formats as str() does, which is called directly when the module's names are at hand.
    if (!names_) {
        py::object empty = steal(PyUnicode_New(0, 0));
        return str(steal(PyObject_Format(v, empty.ptr())).ptr());
    }
    PyObject* found = nullptr;
    if (PyType_Lookup(Py_TYPE(v), names_->__format__, &found) < 0) PyErr_Clear();
    const bool as_str = found == names_->object_format;
    Py_XDECREF(found);
    return str(steal(as_str ? PyObject_Str(v) : PyObject_Format(v, names_->empty)).ptr());
}

Text& Text::repr(PyObject* v) {
    if (PyLong_CheckExact(v) || PyFloat_CheckExact(v)) return plain(v);
    return str(steal(PyObject_Repr(v)).ptr());
}

Text& Text::hex(PyObject* v, int digits) {
    if (PyLong_CheckExact(v)) {
        int overflow = 0;
        long long x = PyLong_AsLongLongAndOverflow(v, &overflow);
        if (!overflow && x >= 0 && digits <= 16) {
            char buf[16];
            char* p = buf + sizeof buf;
            do {
                *--p = "0123456789ABCDEF"[x & 15];
                x >>= 4;
            } while (x);
            while (p > buf + sizeof buf - digits) *--p = '0';
            return ascii(p, buf + sizeof buf - p);
        }
    }
    char layout[8];
    (void)std::snprintf(layout, sizeof layout, "0%dX", digits);
    return format(v, layout);
}

// The nearest whole number, ties to even; a negative value that rounds to zero keeps its sign.
Text& Text::fixed0(double v) {
    if (std::isfinite(v) && std::fabs(v) < 9.0e18) {
        const double whole = std::nearbyint(v);  // the default rounding: to nearest, ties to even
        if (whole == 0 && std::signbit(v)) return ascii("-0");
        return integer(static_cast<long long>(whole));
    }
    return format(steal(PyFloat_FromDouble(v)).ptr(), ".0f");  // beyond 64 bits, infinite or not a number
}

Text& Text::fixed0(PyObject* v) {
    if (PyFloat_CheckExact(v)) return fixed0(PyFloat_AS_DOUBLE(v));
    return format(v, ".0f");
}

Text& Text::append(Text& other) {
    if (other.rest_) return str(other.finish().ptr());
    ascii(other.buf_, other.len_);
    other.len_ = 0;
    return *this;
}

py::object Text::finish() {
    if (!rest_) {
        const Py_ssize_t n = len_;
        len_ = 0;
        // One character: the interpreter's shared string of it, nothing allocated.
        if (n == 1) return steal(PyUnicode_FromOrdinal(static_cast<unsigned char>(buf_[0])));
        py::object out = steal(PyUnicode_New(n, 127));
        std::memcpy(PyUnicode_1BYTE_DATA(out.ptr()), buf_, static_cast<std::size_t>(n));
        return out;
    }
    flush();
    PyObject* s = nullptr;
    if (wide_) {
        s = PyUnicode_FromKindAndData(PyUnicode_4BYTE_KIND, rest_, rest_len_);
    } else if ((s = PyUnicode_New(rest_len_, 127))) {
        std::memcpy(PyUnicode_1BYTE_DATA(s), rest_, static_cast<std::size_t>(rest_len_));
    }
    clear();
    return steal(s);
}

void Text::drop() noexcept {
    PyMem_Free(rest_);
    rest_ = nullptr;
}

}  // namespace pdi
