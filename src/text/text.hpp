// The text buffer of both modules' str results (the catalog's texts, the capture tool's lines), converting
// values as Python's formatting does.
#pragma once

#include "core/errors.hpp"
#include "core/names.hpp"
#include "text/float_text.hpp"

#include <charconv>
#include <cstring>

namespace pdi {

// ASCII gathers in a buffer of its own, so that a short text never allocates; what does not fit moves to
// a store on the heap, as bytes while every character is ASCII and as code points from the first str that is not.
class Text {  // NOLINT(cppcoreguidelines-pro-type-member-init): filled as used (see below)
public:
    // cppcheck-suppress uninitMemberVar ; filled as used (see below)
    Text() = default;  // NOLINT(cppcoreguidelines-pro-type-member-init): as above
    // With a module's names, "{}" of a value of another kind (plain()) finds object.__format__ without a look-up.
    explicit Text(const Names& names) : names_(&names) {}  // NOLINT(cppcoreguidelines-pro-type-member-init)
    ~Text() { clear(); }
    Text(const Text&) = delete;
    Text& operator=(const Text&) = delete;

    // ASCII characters: a literal, or n characters from s.
    template <std::size_t Size>
    Text& ascii(const char (&literal)[Size]) {
        return ascii(literal, static_cast<Py_ssize_t>(Size - 1));
    }
    Text& ascii(const char* s, Py_ssize_t n) {
        if (n > kSize - len_) return spill(s, n);
        std::memcpy(buf_ + len_, s, static_cast<std::size_t>(n));
        len_ += n;
        return *this;
    }
    // A str, taken as it is.
    Text& str(PyObject* unicode) {
        if (PyUnicode_IS_ASCII(unicode)) {
            return ascii(reinterpret_cast<const char*>(PyUnicode_1BYTE_DATA(unicode)), PyUnicode_GET_LENGTH(unicode));
        }
        return wide(unicode);
    }
    // "{}" of an int: its digits counted first, then written from the last, two at a time.
    Text& integer(long long v) {
        constexpr Py_ssize_t kMost = 20;  // digits and sign of a 64-bit number
        if (len_ + kMost > kSize) flush();
        char* out = buf_ + len_;
        unsigned long long u = static_cast<unsigned long long>(v);
        if (v < 0) {
            *out++ = '-';
            u = 0 - u;
        }
        if (u < 10) {
            *out++ = static_cast<char>('0' + u);
            len_ = out - buf_;
            return *this;
        }
        static constexpr auto kPowers = powers<20>(10);
        // log10 from log2: 1233 / 4096 is just above log10(2).
        const int bits = 64 - __builtin_clzll(u);
        int t = (bits * 1233) >> 12;
        const int n = t + (u >= kPowers[t] ? 1 : 0);  // u >= 10 here, so t >= 1
        static constexpr char kPairs[] =
            "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
            "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
            "8081828384858687888990919293949596979899";
        char* p = out + n;
        while (u >= 100) {
            const std::size_t r = static_cast<std::size_t>(u % 100);
            u /= 100;
            p -= 2;
            std::memcpy(p, kPairs + 2 * r, 2);
        }
        if (u >= 10) {
            std::memcpy(p - 2, kPairs + 2 * u, 2);
        } else {
            p[-1] = static_cast<char>('0' + u);
        }
        len_ = out + n - buf_;
        return *this;
    }
    // "{}": format(v, ""). Small exact ints, the most common value, are written here, anything else out of line.
    Text& plain(PyObject* v) {
        if (PyLong_CheckExact(v)) {
#if PY_VERSION_HEX >= 0x030C0000
            // An int of one digit or none, read inline (the unstable API's compact value).
            const auto* n = reinterpret_cast<const PyLongObject*>(v);
            if (PyUnstable_Long_IsCompact(n)) return integer(PyUnstable_Long_CompactValue(n));
#else
            // Read here (the general case's call costs as much as the digits); a -1 may be beyond 64 bits.
            int overflow = 0;
            const long long x = PyLong_AsLongLongAndOverflow(v, &overflow);
            if (x != -1) return integer(x);
#endif
            return long_integer(v);
        }
        return plain_other(v);
    }
    // str(v): for exact ints, floats and strs their "{}", written without running any Python code.
    Text& as_str(PyObject* v) {
        if (PyLong_CheckExact(v)) return plain(v);  // the most common value: tested once
        return PyFloat_CheckExact(v) || PyUnicode_CheckExact(v) ? plain(v) : str_of(v);
    }
    Text& repr(PyObject* v);                         // repr(v)
    Text& hex(PyObject* v, int digits);              // "{:0<digits>X}"
    Text& hex_bytes(const unsigned char* p, Py_ssize_t n);  // n bytes as lower-case hex digits
    Text& fixed0(PyObject* v);                       // "{:.0f}"
    Text& fixed0(double v);
    Text& real(double v);                            // "{}" of a float
    Text& append(Text& other);  // the text of `other`, which is empty afterwards
    py::object finish();        // the text as a str; the text is empty afterwards
    void clear() noexcept {  // drops the text
        len_ = 0;
        if (rest_) drop();
    }

private:
    static constexpr Py_ssize_t kSize = 480;
    __attribute__((noinline)) Text& wide(PyObject* unicode);
    Text& long_integer(PyObject* v);  // an exact int
    Text& plain_other(PyObject* v);   // anything but an exact int
    Text& str_of(PyObject* v) {  // str(v) of anything
        return str(steal(PyObject_Str(v)).ptr());
    }
    Text& format(PyObject* v, const char* layout);
    // Into the store: out of line, so that the common path stays small.
    __attribute__((noinline)) void flush();
    __attribute__((noinline)) Text& spill(const char* s, Py_ssize_t n);
    void store(const char* s, Py_ssize_t n);  // n ASCII characters
    void reserve(Py_ssize_t n);               // room in the store for n more characters
    void drop() noexcept;                     // frees the store
    // Not filled in advance: only the first len_ bytes of buf_ are read, and the store's counts once it is made.
    char buf_[kSize];  // NOLINT(cppcoreguidelines-pro-type-member-init)
    Py_ssize_t len_ = 0;
    const Names* names_ = nullptr;
    void* rest_ = nullptr;  // the store: PyMem_Malloc'ed, of Py_UCS4 once wide_
    Py_ssize_t rest_len_;   // NOLINT(cppcoreguidelines-pro-type-member-init)
    Py_ssize_t rest_size_;  // NOLINT(cppcoreguidelines-pro-type-member-init): the characters it has room for
    bool wide_;             // NOLINT(cppcoreguidelines-pro-type-member-init)
};

}  // namespace pdi
