// JSON lines of the capture tool.
#include "capture/capture.hpp"

#include <cmath>
#include <cstdint>
#include <cstring>

namespace pdi {

// A str as the json module's encoder writes it by default: quoted, ASCII only, every other character as
// \uXXXX (beyond the basic plane as a surrogate pair).
Text& write_json_str(Text& line, PyObject* s) {
    const Py_ssize_t n = PyUnicode_GET_LENGTH(s);
    const int kind = PyUnicode_KIND(s);
    const void* chars = PyUnicode_DATA(s);
    line.ascii("\"");
    Py_ssize_t from = 0;  // the start of the run of characters written as they are
    auto flush = [&](Py_ssize_t to) {
        if (to > from) line.ascii(static_cast<const char*>(chars) + from, to - from);  // a run is 1-byte ASCII
    };
    for (Py_ssize_t i = 0; i < n; ++i) {
        Py_UCS4 c = PyUnicode_READ(kind, chars, i);
        const bool plain = c >= ' ' && c <= '~' && c != '\\' && c != '"';
        if (plain && kind == PyUnicode_1BYTE_KIND) continue;
        flush(i);
        from = i + 1;
        if (plain) {
            const char one = static_cast<char>(c);
            line.ascii(&one, 1);
            continue;
        }
        const char* named = c == '\\' ? "\\\\" : c == '"' ? "\\\"" : c == '\b' ? "\\b" : c == '\f' ? "\\f"
                          : c == '\n' ? "\\n" : c == '\r' ? "\\r" : c == '\t' ? "\\t" : nullptr;
        if (named) {
            line.ascii(named, 2);
            continue;
        }
        static const char hex[] = "0123456789abcdef";
        auto unit = [&](Py_UCS4 u) {
            const char text[6] = {'\\', 'u', hex[(u >> 12) & 15], hex[(u >> 8) & 15], hex[(u >> 4) & 15], hex[u & 15]};
            line.ascii(text, 6);
        };
        if (c >= 0x10000) {
            c -= 0x10000;
            unit(0xD800 | (c >> 10));
            c = 0xDC00 | (c & 0x3FF);
        }
        unit(c);
    }
    flush(n);
    return line.ascii("\"");
}

namespace {

// The writers below return false, leaving the line unfinished, on a value the json module's encoder would write
// its own way, or at more than kJsonDepth arrays and objects deep (a list holding itself): the line is the tool's.
constexpr int kJsonDepth = 50;

// An exact list or tuple as an array, each element (held while written) by `write`.
template <class Write>
// NOLINTNEXTLINE(misc-no-recursion): nesting is bounded by kJsonDepth
bool write_json_list(Text& line, PyObject* v, int depth, Write write) {
    if (depth >= kJsonDepth) return false;
    line.ascii("[");
    for (Py_ssize_t i = 0; i < PySequence_Fast_GET_SIZE(v); ++i) {
        if (i) line.ascii(", ");
        py::object element = borrow(PySequence_Fast_GET_ITEM(v, i));
        if (!write(element.ptr())) return false;
    }
    return line.ascii("]"), true;
}

// Plain data (what the tool's conversion gives) as the json module's encoder writes it: None, bools,
// exact ints, finite floats, strs, lists, tuples and dicts keyed by strs; false on anything else.
// NOLINTNEXTLINE(misc-no-recursion): nesting is bounded by kJsonDepth
bool write_json_data(Text& line, PyObject* v, int depth) {
    PyTypeObject* type = Py_TYPE(v);
    if (v == Py_None) return line.ascii("null"), true;
    if (v == Py_True) return line.ascii("true"), true;
    if (v == Py_False) return line.ascii("false"), true;
    if (type == &PyUnicode_Type) return write_json_str(line, v), true;
    if (type == &PyLong_Type) return line.plain(v), true;
    if (type == &PyFloat_Type && std::isfinite(PyFloat_AS_DOUBLE(v))) return line.real(PyFloat_AS_DOUBLE(v)), true;
    if (type == &PyList_Type || type == &PyTuple_Type) {
        return write_json_list(line, v, depth,
                               // NOLINTNEXTLINE(misc-no-recursion)
                               [&](PyObject* element) { return write_json_data(line, element, depth + 1); });
    }
    if (type != &PyDict_Type || depth >= kJsonDepth) return false;
    line.ascii("{");
    Py_ssize_t pos = 0;
    PyObject* key = nullptr;
    PyObject* value = nullptr;
    Py_ssize_t written = 0;
    const Py_ssize_t size = PyDict_GET_SIZE(v);
    while (PyDict_Next(v, &pos, &key, &value)) {
        if (!PyUnicode_CheckExact(key)) return false;
        py::object k = borrow(key);
        py::object held = borrow(value);
        if (written++) line.ascii(", ");
        write_json_str(line, k.ptr()).ascii(": ");
        if (!write_json_data(line, held.ptr(), depth + 1)) return false;
        if (PyDict_GET_SIZE(v) != size) return false;  // changed while written
    }
    return line.ascii("}"), true;
}

bool write_json_fields(const ItemLine* me, Text& line, PyObject* v, PyObject* names, PyObject* labels, int depth);

// One field value as the tool converts it (`data(value)`) and then writes it: the built-in types here (as
// the conversion treats them), anything else converted by `data`.
// NOLINTNEXTLINE(misc-no-recursion)
bool write_json_value(const ItemLine* me, Text& line, PyObject* v, int depth) {
    PyTypeObject* type = Py_TYPE(v);
    if (type == &PyLong_Type || type == &PyBool_Type || type == &PyUnicode_Type) return write_json_data(line, v, depth);
    if (type == &PyFloat_Type) {
        const double x = PyFloat_AS_DOUBLE(v);
        if (std::isfinite(x)) return line.real(x), true;
        if (!std::isnan(x)) return (x > 0 ? line.ascii("\"Infinity\"") : line.ascii("\"-Infinity\"")), true;
        std::uint64_t bits = 0;
        std::memcpy(&bits, &x, sizeof bits);
        if (bits == 0x7FF8000000000000ULL) return line.ascii("\"NaN\""), true;
        char text[32];
        const int n = std::snprintf(text, sizeof text, "\"NaN(0x%016llx)\"", static_cast<unsigned long long>(bits));
        return line.ascii(text, n), true;
    }
    if (type == &PyBytes_Type || type == &PyByteArray_Type) {
        line.ascii("{\"bytes\": \"");
        write_hex(line, v);
        return line.ascii("\"}"), true;
    }
    if (type == &PyList_Type || type == &PyTuple_Type) {
        return write_json_list(line, v, depth, [&](PyObject* element) {  // NOLINT(misc-no-recursion)
            return write_json_value(me, line, element, depth + 1);
        });
    }
    const auto* texts = reinterpret_cast<const Texts*>(me->texts);  // held by write_json_line
    if (reinterpret_cast<PyObject*>(type) == texts->serial) {
        py::object number = steal(PyNumber_Long(v));
        if (!write_json_data(line.ascii("{\"serial\": "), number.ptr(), depth)) return false;
        return line.ascii("}"), true;
    }
    // A record whose conversion is the dict of its fields: a converter carrying their `names`.
    PyObject* found = PyDict_GetItemWithError(me->converters, reinterpret_cast<PyObject*>(type));  // a dict, held
    if (!found && PyErr_Occurred()) throw PyErr{};
    if (found) {
        py::object converter = borrow(found);
        PyObject* names_found = nullptr;
        if (PyObject_GetOptionalAttr(converter.ptr(), texts->names, &names_found) < 0) throw PyErr{};
        py::object names = names_found ? steal(names_found) : borrow(Py_None);
        if (PyTuple_CheckExact(names.ptr()) && PyTuple_GET_SIZE(names.ptr()) > 0) {
            return depth < kJsonDepth && write_json_fields(me, line, v, names.ptr(), nullptr, depth + 1);
        }
    }
    py::object data = borrow(me->data);
    py::object plain = steal(PyObject_CallOneArg(data.ptr(), v));
    return write_json_data(line, plain.ptr(), depth);
}

// The fields `names` of `v` as an object, all read before any is written (as the tool's conversion reads
// them); `labels` holds the text before each value, else it is written here.
// NOLINTNEXTLINE(misc-no-recursion)
bool write_json_fields(const ItemLine* me, Text& line, PyObject* v, PyObject* names, PyObject* labels, int depth) {
    const Py_ssize_t n = PyTuple_GET_SIZE(names);
    py::object values = steal(PyTuple_New(n));
    for (Py_ssize_t i = 0; i < n; ++i) {
        PyObject* name = PyTuple_GET_ITEM(names, i);
        if (!labels && !PyUnicode_CheckExact(name)) return false;  // a line function's names are strs
        PyTuple_SET_ITEM(values.ptr(), i, check(PyObject_GetAttr(v, name)));
    }
    line.ascii("{");
    for (Py_ssize_t i = 0; i < n; ++i) {
        if (i) line.ascii(", ");
        if (labels) {
            line.str(PyTuple_GET_ITEM(labels, i));
        } else {
            write_json_str(line, PyTuple_GET_ITEM(names, i)).ascii(": ");
        }
        if (!write_json_value(me, line, PyTuple_GET_ITEM(values.ptr(), i), depth)) return false;
    }
    return line.ascii("}"), true;
}

}  // namespace


// The JSON line of `item` by `me`, held by the caller so that the collector does not clear its parts meanwhile.
bool write_json_line(const ItemLine* me, Text& line, PyObject* frame, PyObject* item) {
    py::object texts = texts_of(me);  // held: its other parts are cleared with it
    py::object offset = steal(PySequence_GetItem(frame, 0));
    if (!write_json_data(line.ascii("{\"offset\": "), offset.ptr(), 0)) return false;
    line.ascii(", ").str(me->head).ascii(", \"fields\": ");
    if (!write_json_fields(me, line, item, me->names, me->labels, 0)) return false;
    if (me->own_text) {
        PyObject* text = PyObject_Str(item);
        if (text) {
            py::object held = steal(text);
            write_json_str(line.ascii(", \"text\": "), held.ptr());
        } else if (PyErr_ExceptionMatches(PyExc_Exception)) {
            PyErr_Clear();  // no text: the fields say it all
        } else {
            throw PyErr{};
        }
    }
    return line.ascii("}\n"), true;
}

}  // namespace pdi
