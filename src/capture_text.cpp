// The text lines of the capture tool (`python3 -m rlx.data_items decode`),
// made here rather than in Python because making them is most of the tool's
// own time: the module `rlx.data_items._capture`.
//
// `Texts(serial_class, other)` is the text of one field value: numbers as the
// host writes them, text quoted as repr() quotes it, bytes as h'<hex>', serial
// numbers by their own str(), lists and tuples in brackets with "; " between
// elements (nesting kept), records in parentheses. What to do with any other
// type (records, network commands, memoryviews, objects nobody expected) the
// tool's Python code `other(value)` says once per type (see write_other).
//
// `texts.line(head, names)` is the line function of one item class:
// `line(frame, item)` gives "<head> name=value ...\n" with the fields read by
// the interned `names`, or, with `names` None, "<head> <str(item)>\n" with
// the item's line ends shown as " | ". Whatever a value's own text or an
// attribute look-up raises propagates unchanged; the tool then shows the line
// without it.
//
// `texts.json_line(head, names, data, own_text, fallback, converters)` is the
// JSON line function of one item class: `line(frame, item)` gives what the
// tool's Python `fallback(frame, item)` gives, `json.dumps({"offset": ...,
// <head>, "fields": {...}, "text": ...}, allow_nan=False)` and a line end,
// with each field value converted as the tool's `data(value)` converts it.
// Values of the host's own types are converted and written here, and so are
// records whose converter (in `converters`, as `data` keeps them) reads their
// fields; any other value is converted by `data` and its plain data written
// here. Anything the host's JSON encoder would treat in its own way (a dict
// key that is not a str, converted data of other types or with an
// out-of-range float, deep nesting) hands the whole line to `fallback`, so
// that the line, or the error, is the tool's.
#include <cmath>
#include <cstdint>
#include <cstring>
#include "catalog.hpp"
#include "text.hpp"

namespace pdi {
namespace {

// A str() or repr() result written into the line.
void write_new(Text& line, PyObject* made) {
    py::object text = steal(made);
    if (!PyUnicode_Check(text.ptr())) {
        PyErr_Format(PyExc_TypeError, "a text of a value is %.100s, not str", Py_TYPE(text.ptr())->tp_name);
        throw PyErr{};
    }
    line.str(text.ptr());
}

struct Texts {
    PyObject_HEAD
    vectorcallfunc vectorcall;
    PyObject* serial;   // the framework's serial number class
    PyObject* other;    // the tool's plan for the values of a type it shows (see write_other)
    PyObject* plans;    // {type: plan} of the types met so far
};

void write_int(Text& line, PyObject* v) {
    int overflow = 0;
    const long long x = PyLong_AsLongLongAndOverflow(v, &overflow);
    if (!overflow) {
        if (x == -1 && PyErr_Occurred()) throw PyErr{};
        line.integer(x);
        return;
    }
    write_new(line, PyLong_Type.tp_repr(v));
}

void write_value(const Texts* t, Text& line, PyObject* v);
void write_other(const Texts* t, Text& line, PyObject* v);

// "[a; b; c]": the elements as the iteration gives them.
// Values nest (lists in lists, records in lists): the host's recursion limit bounds the depth.
// NOLINTNEXTLINE(misc-no-recursion)
void write_list(const Texts* t, Text& line, PyObject* v) {
    if (Py_EnterRecursiveCall(" while writing the text of a list")) throw PyErr{};
    struct Leave {
        ~Leave() { Py_LeaveRecursiveCall(); }
    } leave;
    line.ascii("[");
    if (PyList_CheckExact(v) || PyTuple_CheckExact(v)) {
        // The sequence itself holds its elements only as long as nothing changes it: each one is held here.
        for (Py_ssize_t i = 0; i < PySequence_Fast_GET_SIZE(v); ++i) {
            if (i) line.ascii("; ");
            py::object element = borrow(PySequence_Fast_GET_ITEM(v, i));
            write_value(t, line, element.ptr());
        }
    } else {
        py::object it = steal(PyObject_GetIter(v));
        bool first = true;
        while (PyObject* next = PyIter_Next(it.ptr())) {
            py::object element = py::reinterpret_steal<py::object>(next);
            if (!first) line.ascii("; ");
            first = false;
            write_value(t, line, element.ptr());
        }
        if (PyErr_Occurred()) throw PyErr{};
    }
    line.ascii("]");
}

void write_bytes(Text& line, const char* p, Py_ssize_t n) {
    line.ascii("h'");
    line.hex_bytes(reinterpret_cast<const unsigned char*>(p), n);
    line.ascii("'");
}

// "(name=value, ...)": a record's fields, a field it lacks as None.
// Values nest (lists in lists, records in lists): the host's recursion limit bounds the depth.
// NOLINTNEXTLINE(misc-no-recursion)
void write_fields(const Texts* t, Text& line, PyObject* v, PyObject* names) {
    if (Py_EnterRecursiveCall(" while writing the text of a record")) throw PyErr{};
    struct Leave {
        ~Leave() { Py_LeaveRecursiveCall(); }
    } leave;
    line.ascii("(");
    for (Py_ssize_t i = 0; i < PyTuple_GET_SIZE(names); ++i) {
        PyObject* name = PyTuple_GET_ITEM(names, i);
        if (!PyUnicode_Check(name)) {
            PyErr_SetString(PyExc_TypeError, "a field name is a str");
            throw PyErr{};
        }
        PyObject* found = nullptr;
        if (PyObject_GetOptionalAttr(v, name, &found) < 0) throw PyErr{};
        py::object value = found ? steal(found) : borrow(Py_None);
        if (i) line.ascii(", ");
        line.str(name);
        line.ascii("=");
        write_value(t, line, value.ptr());
    }
    line.ascii(")");
}

// A value of a type left to the tool: `other(value)`, asked once per type,
// gives the plan for all values of that type: True, the value's own text in
// parentheses; a tuple of field names, the fields (write_fields); str, the
// value's own text; any other callable, its result for the value.
// Values nest (lists in lists, records in lists): the host's recursion limit bounds the depth.
// NOLINTNEXTLINE(misc-no-recursion)
void write_other(const Texts* t, Text& line, PyObject* v) {
    py::object type = borrow(reinterpret_cast<PyObject*>(Py_TYPE(v)));
    py::object plans = borrow(t->plans);
    py::object plan;
    PyObject* found = PyDict_Check(plans.ptr()) ? PyDict_GetItemWithError(plans.ptr(), type.ptr()) : nullptr;
    if (found) {
        plan = borrow(found);
    } else {
        if (PyErr_Occurred()) throw PyErr{};
        py::object other = borrow(t->other);
        plan = steal(PyObject_CallOneArg(other.ptr(), v));
        if (PyDict_Check(plans.ptr())) check_status(PyDict_SetItem(plans.ptr(), type.ptr(), plan.ptr()));
    }
    if (plan.ptr() == Py_True) {
        line.ascii("(");
        write_new(line, PyObject_Str(v));
        line.ascii(")");
    } else if (PyTuple_Check(plan.ptr())) {
        write_fields(t, line, v, plan.ptr());
    } else if (plan.ptr() == reinterpret_cast<PyObject*>(&PyUnicode_Type)) {
        write_new(line, PyObject_Str(v));
    } else {
        write_new(line, PyObject_CallOneArg(plan.ptr(), v));
    }
}

// One field value (`v` held by the caller).
// Values nest (lists in lists, records in lists): the host's recursion limit bounds the depth.
// NOLINTNEXTLINE(misc-no-recursion)
void write_value(const Texts* t, Text& line, PyObject* v) {
    PyTypeObject* type = Py_TYPE(v);
    if (type == &PyLong_Type) return write_int(line, v);
    if (type == &PyFloat_Type) {
        line.real(PyFloat_AS_DOUBLE(v));  // the host's repr(): the shortest digits that read back to it
        return;
    }
    if (type == &PyBool_Type) {
        v == Py_True ? line.ascii("True") : line.ascii("False");
        return;
    }
    if (type == &PyUnicode_Type) return write_new(line, PyObject_Repr(v));
    if (type == &PyBytes_Type) return write_bytes(line, PyBytes_AS_STRING(v), PyBytes_GET_SIZE(v));
    if (type == &PyByteArray_Type) {
        // The array may change while its text is written: a copy of it.
        py::object copy = steal(PyBytes_FromStringAndSize(PyByteArray_AS_STRING(v), PyByteArray_GET_SIZE(v)));
        return write_bytes(line, PyBytes_AS_STRING(copy.ptr()), PyBytes_GET_SIZE(copy.ptr()));
    }
    if (type == &PyList_Type || type == &PyTuple_Type) return write_list(t, line, v);
    py::object serial = borrow(t->serial);
    const int is_serial = reinterpret_cast<PyObject*>(type) == serial.ptr() ? 1 : PyObject_IsInstance(v, serial.ptr());
    if (is_serial < 0) throw PyErr{};
    if (is_serial) return write_new(line, PyObject_Str(v));
    if (PyList_Check(v) || PyTuple_Check(v)) return write_list(t, line, v);
    if (!PyBytes_Check(v) && !PyByteArray_Check(v)) {
        // Subclasses of the numbers and of str: as the base class writes them.
        if (PyLong_Check(v)) return write_new(line, PyLong_Type.tp_repr(v));
        if (PyFloat_Check(v)) return write_new(line, PyFloat_Type.tp_repr(v));
        if (PyUnicode_Check(v)) {
            py::object text = steal(PyObject_Str(v));
            return write_new(line, PyObject_Repr(text.ptr()));
        }
    }
    write_other(t, line, v);
}

// ---------------------------------------------------------------------------
// The line function of one item class.

struct ItemLine {
    PyObject_HEAD
    vectorcallfunc vectorcall;
    PyObject* texts;     // the Texts it writes values with
    PyObject* head;      // "<class name> 0x<type code>"
    PyObject* names;     // tuple of the field names (interned), or None: the item's own text
    PyObject* labels;    // tuple of " <name>=" for each field (JSON: "\"<name>\": ")
    // A JSON line only (else NULL): the tool's conversion of a field value,
    // and its own line function, which gives the line where this one does not.
    PyObject* data;
    PyObject* fallback;
    PyObject* converters;  // {type: the tool's conversion of its values}, as `data` keeps it
    bool json;           // a JSON line function
    bool own_text;       // JSON: the item's own text follows its fields
};

PyTypeObject& texts_type() {
    static PyTypeObject type{};
    return type;
}
PyTypeObject& line_type() {
    static PyTypeObject type{};
    return type;
}

// The text that `write` makes, as a new str; the callable `self` is held while it runs.
template <class Write>
PyObject* one_line(PyObject* self, Write write) {
    PyObject* result = nullptr;
    guarded([&] {
        py::object keep = borrow(self);
        Text line;
        write(line);
        result = line.finish().release().ptr();
    });
    return result;
}

PyObject* texts_call(PyObject* self, PyObject* const* args, std::size_t nargsf, PyObject* kwnames) {
    if (PyVectorcall_NARGS(nargsf) != 1 || (kwnames && PyTuple_GET_SIZE(kwnames))) {
        PyErr_SetString(PyExc_TypeError, "the text of a value takes one argument, the value");
        return nullptr;
    }
    return one_line(self, [&](Text& line) { write_value(reinterpret_cast<Texts*>(self), line, args[0]); });
}

// "<head> <str(item)>\n", line ends inside the item's text as " | ".
void write_own_text(Text& line, PyObject* item) {
    py::object text = steal(PyObject_Str(item));
    if (!PyUnicode_Check(text.ptr())) {
        PyErr_Format(PyExc_TypeError, "the text of an item is %.100s, not str", Py_TYPE(text.ptr())->tp_name);
        throw PyErr{};
    }
    const Py_ssize_t nl = PyUnicode_FindChar(text.ptr(), '\n', 0, PyUnicode_GET_LENGTH(text.ptr()), 1);
    if (nl == -2) throw PyErr{};
    if (nl >= 0) {
        py::object end = steal(PyUnicode_FromString("\n"));
        py::object bar = steal(PyUnicode_FromString(" | "));
        text = steal(PyUnicode_Replace(text.ptr(), end.ptr(), bar.ptr(), -1));
    }
    line.ascii(" ");
    line.str(text.ptr());
}

// The line of `item` by the line function `me` (held by the caller).
void write_item_line(const ItemLine* me, Text& line, PyObject* item) {
    line.str(me->head);
    if (me->names == Py_None) {
        write_own_text(line, item);
    } else {
        if (!me->texts) {
            PyErr_SetString(PyExc_ValueError, "a line function whose texts were cleared");
            throw PyErr{};
        }
        py::object texts_held = borrow(me->texts);
        const auto* texts = reinterpret_cast<Texts*>(texts_held.ptr());
        for (Py_ssize_t i = 0; i < PyTuple_GET_SIZE(me->names); ++i) {
            py::object value = steal(PyObject_GetAttr(item, PyTuple_GET_ITEM(me->names, i)));
            line.str(PyTuple_GET_ITEM(me->labels, i));
            write_value(texts, line, value.ptr());
        }
    }
    line.ascii("\n");
}

// A str that a Python line function returned, appended to the batch.
void append_text(Text& out, PyObject* made) {
    py::object text = steal(made);
    if (!PyUnicode_Check(text.ptr())) {
        PyErr_Format(PyExc_TypeError, "a line is %.100s, not str", Py_TYPE(text.ptr())->tp_name);
        throw PyErr{};
    }
    out.str(text.ptr());
}

// ---------------------------------------------------------------------------
// JSON lines.

// The writers below return false, leaving the line unfinished, on a value
// the host's JSON encoder would write in a way of its own: the line is then
// the tool's. A Python error throws PyErr, as everywhere.

constexpr int kJsonDepth = 50;  // deeper nesting (or a list holding itself): the tool's line

// "names", the attribute of a converter that reads a record by its fields (made once).
struct ConverterNames {
    PyObject* name;
};
PyObject* json_names() {
    static const ConverterNames made{check(PyUnicode_InternFromString("names"))};
    return made.name;
}

// A str as the host's JSON encoder writes it by default: quoted, ASCII only,
// every other character as \uXXXX (beyond the basic plane as a surrogate pair).
void write_json_str(Text& line, PyObject* s) {
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
        if (c >= ' ' && c <= '~' && c != '\\' && c != '"' && kind == PyUnicode_1BYTE_KIND) continue;
        flush(i);
        from = i + 1;
        if (c >= ' ' && c <= '~' && c != '\\' && c != '"') {
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
    line.ascii("\"");
}

// One level of nesting while it is written; `deeper` past kJsonDepth.
struct Depth {
    explicit Depth(int& d) : depth(d), deeper(++d > kJsonDepth) {}
    ~Depth() { --depth; }
    Depth(const Depth&) = delete;
    Depth& operator=(const Depth&) = delete;
    int& depth;
    const bool deeper;
};

// An exact list or tuple as an array, each element (held while written) by `write`.
template <class Write>
// NOLINTNEXTLINE(misc-no-recursion): nesting is bounded by Depth
bool write_json_list(Text& line, PyObject* v, int& depth, Write write) {
    Depth in(depth);
    if (in.deeper) return false;
    line.ascii("[");
    for (Py_ssize_t i = 0; i < PySequence_Fast_GET_SIZE(v); ++i) {
        if (i) line.ascii(", ");
        py::object element = borrow(PySequence_Fast_GET_ITEM(v, i));
        if (!write(element.ptr())) return false;
    }
    line.ascii("]");
    return true;
}

// Plain data (what the tool's conversion gives) as the host's JSON encoder
// writes it: None, bools, exact ints, finite floats, strs, lists, tuples and
// dicts keyed by strs; false on anything else.
// NOLINTNEXTLINE(misc-no-recursion)
bool write_json_data(Text& line, PyObject* v, int& depth) {
    PyTypeObject* type = Py_TYPE(v);
    if (v == Py_None) return line.ascii("null"), true;
    if (v == Py_True) return line.ascii("true"), true;
    if (v == Py_False) return line.ascii("false"), true;
    if (type == &PyUnicode_Type) return write_json_str(line, v), true;
    if (type == &PyLong_Type) return write_int(line, v), true;
    if (type == &PyFloat_Type && std::isfinite(PyFloat_AS_DOUBLE(v))) return line.real(PyFloat_AS_DOUBLE(v)), true;
    if (type == &PyList_Type || type == &PyTuple_Type) {
        // NOLINTNEXTLINE(misc-no-recursion): nesting is bounded by Depth
        return write_json_list(line, v, depth, [&](PyObject* element) { return write_json_data(line, element, depth); });
    }
    if (type == &PyDict_Type) {
        Depth in(depth);
        if (in.deeper) return false;
        line.ascii("{");
        Py_ssize_t pos = 0;
        PyObject* key = nullptr;
        PyObject* value = nullptr;
        bool first = true;
        const Py_ssize_t size = PyDict_GET_SIZE(v);
        while (PyDict_Next(v, &pos, &key, &value)) {
            if (!PyUnicode_CheckExact(key)) return false;
            py::object k = borrow(key);
            py::object held = borrow(value);
            if (!first) line.ascii(", ");
            first = false;
            write_json_str(line, k.ptr());
            line.ascii(": ");
            if (!write_json_data(line, held.ptr(), depth)) return false;
            if (PyDict_GET_SIZE(v) != size) return false;  // changed while written
        }
        line.ascii("}");
        return true;
    }
    return false;
}

// One field value as the tool converts it (`data(value)`) and then writes it:
// the host's own types here (as the conversion treats them), anything else
// converted by `data`.
// NOLINTNEXTLINE(misc-no-recursion)
bool write_json_value(const ItemLine* me, const Texts* texts, Text& line, PyObject* v, int& depth) {
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
        py::object copy = borrow(v);
        if (type == &PyByteArray_Type) copy = steal(PyBytes_FromObject(v));  // it may change while written
        line.ascii("{\"bytes\": \"");
        line.hex_bytes(reinterpret_cast<const unsigned char*>(PyBytes_AS_STRING(copy.ptr())), PyBytes_GET_SIZE(copy.ptr()));
        return line.ascii("\"}"), true;
    }
    if (type == &PyList_Type || type == &PyTuple_Type) {
        return write_json_list(line, v, depth,
                               // NOLINTNEXTLINE(misc-no-recursion): nesting is bounded by Depth
                               [&](PyObject* element) { return write_json_value(me, texts, line, element, depth); });
    }
    if (reinterpret_cast<PyObject*>(type) == texts->serial) {
        py::object number = steal(PyNumber_Long(v));
        line.ascii("{\"serial\": ");
        if (!write_json_data(line, number.ptr(), depth)) return false;
        return line.ascii("}"), true;
    }
    // A record whose conversion is the dict of its fields (a converter carrying their `names`): the
    // fields read first, each value then converted and written here.
    PyObject* found = PyDict_Check(me->converters) ? PyDict_GetItemWithError(me->converters,
                                                                            reinterpret_cast<PyObject*>(type))
                                                   : nullptr;
    if (!found && PyErr_Occurred()) throw PyErr{};
    if (found) {
        py::object converter = borrow(found);
        PyObject* names_found = nullptr;
        if (PyObject_GetOptionalAttr(converter.ptr(), json_names(), &names_found) < 0) throw PyErr{};
        py::object names = names_found ? steal(names_found) : borrow(Py_None);
        if (PyTuple_CheckExact(names.ptr()) && PyTuple_GET_SIZE(names.ptr()) > 0) {
            Depth in(depth);
            if (in.deeper) return false;
            const Py_ssize_t n = PyTuple_GET_SIZE(names.ptr());
            py::object values = steal(PyTuple_New(n));
            for (Py_ssize_t i = 0; i < n; ++i) {
                PyObject* name = PyTuple_GET_ITEM(names.ptr(), i);
                if (!PyUnicode_CheckExact(name)) return false;
                PyTuple_SET_ITEM(values.ptr(), i, check(PyObject_GetAttr(v, name)));
            }
            line.ascii("{");
            for (Py_ssize_t i = 0; i < n; ++i) {
                if (i) line.ascii(", ");
                write_json_str(line, PyTuple_GET_ITEM(names.ptr(), i));
                line.ascii(": ");
                if (!write_json_value(me, texts, line, PyTuple_GET_ITEM(values.ptr(), i), depth)) return false;
            }
            line.ascii("}");
            return true;
        }
    }
    py::object data = borrow(me->data);
    py::object plain = steal(PyObject_CallOneArg(data.ptr(), v));
    return write_json_data(line, plain.ptr(), depth);
}

// The JSON line of `item` by the line function `me` (held by the caller, so
// that the collector does not clear its parts while Python code runs here);
// false when the line is the tool's.
bool write_json_line(const ItemLine* me, Text& line, PyObject* frame, PyObject* item) {
    if (!me->texts || !me->data || !me->fallback || !me->converters) {
        PyErr_SetString(PyExc_ValueError, "a line function whose texts were cleared");
        throw PyErr{};
    }
    py::object texts_held = borrow(me->texts);
    const auto* texts = reinterpret_cast<Texts*>(texts_held.ptr());
    int depth = 0;
    py::object offset = steal(PySequence_GetItem(frame, 0));
    line.ascii("{\"offset\": ");
    if (!write_json_data(line, offset.ptr(), depth)) return false;
    line.ascii(", ");
    line.str(me->head);
    line.ascii(", \"fields\": {");
    const Py_ssize_t n = PyTuple_GET_SIZE(me->names);
    // All fields are read first, as the tool's conversion reads them.
    py::object values = steal(PyTuple_New(n));
    for (Py_ssize_t i = 0; i < n; ++i) {
        PyTuple_SET_ITEM(values.ptr(), i, check(PyObject_GetAttr(item, PyTuple_GET_ITEM(me->names, i))));
    }
    for (Py_ssize_t i = 0; i < n; ++i) {
        if (i) line.ascii(", ");
        line.str(PyTuple_GET_ITEM(me->labels, i));
        if (!write_json_value(me, texts, line, PyTuple_GET_ITEM(values.ptr(), i), depth)) return false;
    }
    line.ascii("}");
    if (me->own_text) {
        PyObject* text = PyObject_Str(item);
        if (text) {
            py::object held = steal(text);
            line.ascii(", \"text\": ");
            write_json_str(line, held.ptr());
        } else if (PyErr_ExceptionMatches(PyExc_Exception)) {
            PyErr_Clear();  // no text: the fields say it all
        } else {
            throw PyErr{};
        }
    }
    line.ascii("}\n");
    return true;
}

// An item's line by the line function `me`: a JSON one, or its line as text.
void write_line(const ItemLine* me, Text& line, PyObject* frame, PyObject* item) {
    if (!me->json) return write_item_line(me, line, item);
    if (!write_json_line(me, line, frame, item)) {
        line.clear();
        py::object fallback = borrow(me->fallback);  // not cleared while the caller holds the line function
        append_text(line, PyObject_CallFunctionObjArgs(fallback.ptr(), frame, item, nullptr));
    }
}

PyObject* line_call(PyObject* self, PyObject* const* args, std::size_t nargsf, PyObject* kwnames) {
    if (PyVectorcall_NARGS(nargsf) != 2 || (kwnames && PyTuple_GET_SIZE(kwnames))) {
        PyErr_SetString(PyExc_TypeError, "a line function takes two arguments, the frame and the item");
        return nullptr;
    }
    return one_line(self, [&](Text& line) { write_line(reinterpret_cast<ItemLine*>(self), line, args[0], args[1]); });
}

// texts.lines(frames, decode, lines, line_for, robust): the lines of a batch of frames, one str.
// Each frame (offset, type code, payload) is decoded by decode(frame) (None: nothing written; a str:
// the line of a frame not decoded, written as it stands); an item's line comes from lines[type code],
// made by line_for(class, frame, item) for the first item of a code. A line function that raises an
// Exception gives robust(frame, item) instead; anything else (KeyboardInterrupt) propagates and the
// batch's lines are dropped.
PyObject* texts_lines(PyObject* self, PyObject* const* args, Py_ssize_t nargs) {
    if (nargs != 5 || !PyList_Check(args[0]) || !PyDict_Check(args[2])) {
        PyErr_SetString(PyExc_TypeError, "lines(frames, decode, lines, line_for, robust) takes a list and a dict");
        return nullptr;
    }
    PyObject* result = nullptr;
    guarded([&] {
        py::object keep = borrow(self);
        py::object frames = borrow(args[0]);
        py::object decode = borrow(args[1]);
        py::object lines = borrow(args[2]);
        py::object line_for = borrow(args[3]);
        py::object robust = borrow(args[4]);
        Text out;
        Text line;
        for (Py_ssize_t i = 0; i < PyList_GET_SIZE(frames.ptr()); ++i) {
            py::object frame = borrow(PyList_GET_ITEM(frames.ptr(), i));
            py::object item = steal(PyObject_CallOneArg(decode.ptr(), frame.ptr()));
            if (item.ptr() == Py_None) continue;
            if (PyUnicode_CheckExact(item.ptr())) {  // a frame not decoded, as its line
                out.str(item.ptr());
                continue;
            }
            py::object code = steal(PySequence_GetItem(frame.ptr(), 1));
            PyObject* found = PyDict_GetItemWithError(lines.ptr(), code.ptr());
            py::object function;
            if (found) {
                function = borrow(found);
            } else {
                if (PyErr_Occurred()) throw PyErr{};
                py::object cls = borrow(reinterpret_cast<PyObject*>(Py_TYPE(item.ptr())));
                function = steal(PyObject_CallFunctionObjArgs(line_for.ptr(), cls.ptr(), frame.ptr(), item.ptr(),
                                                              nullptr));
                check_status(PyDict_SetItem(lines.ptr(), code.ptr(), function.ptr()));
            }
            line.clear();
            const bool done = guarded([&] {
                if (Py_IS_TYPE(function.ptr(), &line_type())) {
                    write_line(reinterpret_cast<ItemLine*>(function.ptr()), line, frame.ptr(), item.ptr());
                } else {
                    append_text(line, PyObject_CallFunctionObjArgs(function.ptr(), frame.ptr(), item.ptr(), nullptr));
                }
            });
            if (done) {
                out.append(line);
            } else if (PyErr_ExceptionMatches(PyExc_Exception)) {
                PyErr_Clear();
                append_text(out, PyObject_CallFunctionObjArgs(robust.ptr(), frame.ptr(), item.ptr(), nullptr));
            } else {
                throw PyErr{};
            }
        }
        result = out.finish().release().ptr();
    });
    return result;
}

// The field names of a line function, interned, and the label written before
// each value, made by `label(name)`.
template <class Label>
void field_names(PyObject* given, py::object& names, py::object& labels, Label label) {
    const Py_ssize_t n = PyTuple_GET_SIZE(given);
    names = steal(PyTuple_New(n));
    labels = steal(PyTuple_New(n));
    for (Py_ssize_t i = 0; i < n; ++i) {
        PyObject* name = PyTuple_GET_ITEM(given, i);
        if (!PyUnicode_CheckExact(name)) {
            PyErr_SetString(PyExc_TypeError, "a field name is a str");
            throw PyErr{};
        }
        Py_INCREF(name);
        PyUnicode_InternInPlace(&name);
        PyTuple_SET_ITEM(names.ptr(), i, name);
        PyTuple_SET_ITEM(labels.ptr(), i, label(name).release().ptr());
    }
}

// A new line function of `texts` with its parts (a JSON one when `data` is given).
PyObject* new_line(PyObject* texts, PyObject* head, py::object& names, py::object& labels, PyObject* data = nullptr,
                   PyObject* fallback = nullptr, PyObject* converters = nullptr, bool own_text = false) {
    auto* made = PyObject_GC_New(ItemLine, &line_type());
    if (!made) throw PyErr{};
    made->vectorcall = line_call;
    made->texts = py::object(borrow(texts)).release().ptr();
    made->head = py::object(borrow(head)).release().ptr();
    made->names = names.release().ptr();
    made->labels = labels.release().ptr();
    made->json = data != nullptr;
    made->data = data ? py::object(borrow(data)).release().ptr() : nullptr;
    made->fallback = fallback ? py::object(borrow(fallback)).release().ptr() : nullptr;
    made->converters = converters ? py::object(borrow(converters)).release().ptr() : nullptr;
    made->own_text = own_text;
    PyObject_GC_Track(made);
    return reinterpret_cast<PyObject*>(made);
}

// texts.line(head, names): the line function of one class.
PyObject* texts_line(PyObject* self, PyObject* const* args, Py_ssize_t nargs) {
    if (nargs != 2 || !PyUnicode_Check(args[0]) || !(args[1] == Py_None || PyTuple_Check(args[1]))) {
        PyErr_SetString(PyExc_TypeError, "line(head, names) takes a str and a tuple of field names (or None)");
        return nullptr;
    }
    PyObject* result = nullptr;
    guarded([&] {
        py::object names = borrow(Py_None);
        py::object labels = borrow(Py_None);
        if (args[1] != Py_None) {
            field_names(args[1], names, labels, [](PyObject* name) { return steal(PyUnicode_FromFormat(" %U=", name)); });
        }
        result = new_line(self, args[0], names, labels);
    });
    return result;
}

// texts.json_line(head, names, data, own_text, fallback, converters): the JSON line function of one class.
PyObject* texts_json_line(PyObject* self, PyObject* const* args, Py_ssize_t nargs) {
    if (nargs != 6 || !PyUnicode_Check(args[0]) || !PyTuple_Check(args[1]) || !PyCallable_Check(args[2]) ||
        !PyBool_Check(args[3]) || !PyCallable_Check(args[4]) || !PyDict_Check(args[5])) {
        PyErr_SetString(PyExc_TypeError, "json_line(head, names, data, own_text, fallback, converters) takes a str, "
                                         "a tuple of field names, a callable, a bool, a callable and a dict");
        return nullptr;
    }
    PyObject* result = nullptr;
    guarded([&] {
        py::object names;
        py::object labels;
        field_names(args[1], names, labels, [](PyObject* name) {
            Text label;
            write_json_str(label, name);
            label.ascii(": ");
            return label.finish();
        });
        result = new_line(self, args[0], names, labels, args[2], args[4], args[5], args[3] == Py_True);
    });
    return result;
}

PyObject* texts_new(PyTypeObject* type, PyObject* args, PyObject* kwds) {
    PyObject* serial = nullptr;
    PyObject* other = nullptr;
    static const char* keywords[] = {"serial_class", "other", nullptr};
    if (!PyArg_ParseTupleAndKeywords(args, kwds, "OO:Texts", const_cast<char**>(keywords), &serial, &other)) {
        return nullptr;
    }
    auto* made = reinterpret_cast<Texts*>(type->tp_alloc(type, 0));
    if (!made) return nullptr;
    made->vectorcall = texts_call;
    Py_INCREF(serial);
    made->serial = serial;
    Py_INCREF(other);
    made->other = other;
    made->plans = PyDict_New();
    if (!made->plans) {
        Py_DECREF(made);
        return nullptr;
    }
    return reinterpret_cast<PyObject*>(made);
}

int texts_traverse(PyObject* self, visitproc visit, void* arg) {
    auto* t = reinterpret_cast<Texts*>(self);
    Py_VISIT(t->serial);
    Py_VISIT(t->other);
    Py_VISIT(t->plans);
    return 0;
}
int texts_clear(PyObject* self) {
    auto* t = reinterpret_cast<Texts*>(self);
    // A Texts that lost its parts still answers: an error, never a crash.
    Py_SETREF(t->other, Py_NewRef(Py_None));
    Py_SETREF(t->serial, Py_NewRef(Py_None));
    Py_SETREF(t->plans, Py_NewRef(Py_None));
    return 0;
}
void texts_dealloc(PyObject* self) {
    PyObject_GC_UnTrack(self);
    auto* t = reinterpret_cast<Texts*>(self);
    Py_CLEAR(t->other);
    Py_CLEAR(t->serial);
    Py_CLEAR(t->plans);
    Py_TYPE(self)->tp_free(self);
}

int line_traverse(PyObject* self, visitproc visit, void* arg) {
    auto* l = reinterpret_cast<ItemLine*>(self);
    Py_VISIT(l->texts);
    Py_VISIT(l->data);
    Py_VISIT(l->fallback);
    Py_VISIT(l->converters);
    return 0;
}
int line_clear(PyObject* self) {
    auto* l = reinterpret_cast<ItemLine*>(self);
    Py_CLEAR(l->texts);
    Py_CLEAR(l->data);
    Py_CLEAR(l->fallback);
    Py_CLEAR(l->converters);
    return 0;
}
void line_dealloc(PyObject* self) {
    PyObject_GC_UnTrack(self);
    auto* l = reinterpret_cast<ItemLine*>(self);
    Py_CLEAR(l->texts);
    Py_CLEAR(l->data);
    Py_CLEAR(l->fallback);
    Py_CLEAR(l->converters);
    Py_CLEAR(l->head);
    Py_CLEAR(l->names);
    Py_CLEAR(l->labels);
    PyObject_GC_Del(self);
}

PyMethodDef* texts_methods() {
    static PyMethodDef methods[] = {
    {"line", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(texts_line)), METH_FASTCALL,
     "line(head, names) -> the function (frame, item) -> the text line of an item of one class."},
    {"json_line", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(texts_json_line)), METH_FASTCALL,
     "json_line(head, names, data, own_text, fallback, converters) -> the function (frame, item) -> the JSON line "
     "of an item "
     "of one class."},
    {"lines", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(texts_lines)), METH_FASTCALL,
     "lines(frames, decode, lines, line_for, robust) -> the text of the decoded items of a batch of frames."},
    {nullptr, nullptr, 0, nullptr},
    };
    return methods;
}

void ready_types() {
    PyTypeObject& t = texts_type();
    Py_SET_REFCNT(reinterpret_cast<PyObject*>(&t), 1);  // a static type is never freed

    t.tp_name = "rlx.data_items._capture.Texts";
    t.tp_basicsize = sizeof(Texts);
    t.tp_flags = Py_TPFLAGS_DEFAULT | Py_TPFLAGS_HAVE_GC | Py_TPFLAGS_HAVE_VECTORCALL;
    t.tp_doc = "Texts(serial_class, other): the text of a field value, as the capture tool writes it.";
    t.tp_vectorcall_offset = offsetof(Texts, vectorcall);
    t.tp_call = PyVectorcall_Call;
    t.tp_new = texts_new;
    t.tp_traverse = texts_traverse;
    t.tp_clear = texts_clear;
    t.tp_dealloc = texts_dealloc;
    t.tp_free = PyObject_GC_Del;
    t.tp_methods = texts_methods();
    check_status(PyType_Ready(&t));

    PyTypeObject& l = line_type();
    Py_SET_REFCNT(reinterpret_cast<PyObject*>(&l), 1);

    l.tp_name = "rlx.data_items._capture.ItemLine";
    l.tp_basicsize = sizeof(ItemLine);
    l.tp_flags =
        Py_TPFLAGS_DEFAULT | Py_TPFLAGS_HAVE_GC | Py_TPFLAGS_HAVE_VECTORCALL | Py_TPFLAGS_DISALLOW_INSTANTIATION;
    l.tp_doc = "The text line function (frame, item) of one item class; made by Texts.line().";
    l.tp_vectorcall_offset = offsetof(ItemLine, vectorcall);
    l.tp_call = PyVectorcall_Call;
    l.tp_traverse = line_traverse;
    l.tp_clear = line_clear;
    l.tp_dealloc = line_dealloc;
    check_status(PyType_Ready(&l));
}

}  // namespace
}  // namespace pdi

namespace pdi {

PyObject* declarations(PyObject*, PyObject* module);  // capture_declarations.cpp

namespace {

// frames(buf, base[, keep]) -> (frames, used[, left_out]): the complete items at the start of the bytes
// `buf`, each a tuple (base + its offset in buf, type code, payload), the header a u16 type code and a
// u16 payload length, little-endian; `used` is where the first incomplete item (or the end) starts. With
// `keep`, 65536 bytes by type code, an item whose byte is 0 is left out and only counted: no tuple and no
// payload copy for the items a reader has already set aside.
PyObject* frames(PyObject*, PyObject* const* args, Py_ssize_t nargs) {
    if (nargs < 2 || nargs > 3 || !PyBytes_CheckExact(args[0]) || !PyLong_Check(args[1])) {
        PyErr_SetString(PyExc_TypeError, "frames(buf, base[, keep]) takes bytes, an int and a buffer");
        return nullptr;
    }
    Py_buffer keep{};
    if (nargs == 3) {
        if (PyObject_GetBuffer(args[2], &keep, PyBUF_SIMPLE) < 0) return nullptr;
        if (keep.len != 65536) {
            PyBuffer_Release(&keep);
            PyErr_SetString(PyExc_ValueError, "frames: keep holds one byte per type code, 65536 bytes");
            return nullptr;
        }
    }
    PyObject* result = nullptr;
    guarded([&] {
        py::object buf = borrow(args[0]);
        const Py_ssize_t base = PyLong_AsSsize_t(args[1]);
        if (base == -1 && PyErr_Occurred()) throw PyErr{};
        const auto* data = reinterpret_cast<const unsigned char*>(PyBytes_AS_STRING(buf.ptr()));
        const Py_ssize_t end = PyBytes_GET_SIZE(buf.ptr());
        // Every offset base + pos must be an index: no signed overflow for any base.
        if (base < 0 || base > PY_SSIZE_T_MAX - end) {
            PyErr_Format(PyExc_OverflowError, "frames: base %zd and %zd bytes give offsets beyond an index", base,
                         end);
            throw PyErr{};
        }
        const auto* kept = static_cast<const unsigned char*>(keep.buf);
        py::object batch = steal(PyList_New(0));
        Py_ssize_t pos = 0, left_out = 0;
        while (end - pos >= 4) {
            const long code = data[pos] | data[pos + 1] << 8;
            const Py_ssize_t length = data[pos + 2] | data[pos + 3] << 8;
            if (length > end - pos - 4) break;
            if (kept != nullptr && kept[code] == 0) {
                ++left_out;
            } else {
                py::object frame = steal(Py_BuildValue(
                    "(nlN)", base + pos, code,
                    PyBytes_FromStringAndSize(PyBytes_AS_STRING(buf.ptr()) + pos + 4, length)));
                check_status(PyList_Append(batch.ptr(), frame.ptr()));
            }
            pos += 4 + length;
        }
        result = kept != nullptr ? Py_BuildValue("(Onn)", batch.ptr(), pos, left_out)
                                 : Py_BuildValue("(On)", batch.ptr(), pos);
    });
    if (nargs == 3) PyBuffer_Release(&keep);
    return result;
}

PyMethodDef* module_functions() {
    static PyMethodDef functions[] = {
    {"declarations", declarations, METH_O,
     "declarations(module) -> tuple | None: what the rows of the catalog module declare, or None when its\n"
     "shared object does not tell (a catalog built without it, any other module).\n\n"
     "One dict per class, in catalog order:\n"
     "  name        the class name\n"
     "  what        'item', 'record' or 'attribute kind'\n"
     "  type        the type code of an item, else None\n"
     "  definition  whether the class declares its own `definition` (an item without one has the\n"
     "              framework's; DomainInformation has none, its fields are what DIDomainInfoAttr packs)\n"
     "  fields      (name, kind, offset, width, element) in wire order: kind the name the framework\n"
     "              binds the attribute kind under ('DIUInt32Attr'), offset and width in bytes (offset\n"
     "              None after a field of variable width, width None for a field that takes the rest\n"
     "              of the payload; the widths the framework chooses are its kind's `size`), element\n"
     "              the name of a list's element class, else None\n"
     "  counts      (count, list, bounds): the integer field that its encoder sets to the length of\n"
     "              the list, and whether its decoder bounds the list by it\n"
     "  methods     the names of the methods the class defines\n"
     "  packs       for an attribute kind that packs a record whole, the record's class name"},
    {"frames", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(frames)), METH_FASTCALL,
     "frames(buf, base[, keep]) -> (frames, used[, left_out]): the complete items at the start of a capture's "
     "bytes."},
    {nullptr, nullptr, 0, nullptr},
    };
    return functions;
}

}  // namespace
}  // namespace pdi

// The host finds the initialization by the module's name, `_capture`.
PyMODINIT_FUNC PyInit__capture() {  // NOLINT(bugprone-reserved-identifier)
    static PyModuleDef def = {
        PyModuleDef_HEAD_INIT, "_capture",
        "The capture tool's framing and text lines, made in C++, and what the catalog's rows declare "
        "(declarations()).",
        -1,
        pdi::module_functions(), nullptr, nullptr, nullptr, nullptr,
    };
    PyObject* module = nullptr;
    const bool ok = pdi::guarded([&] {
        if (!(pdi::texts_type().tp_flags & Py_TPFLAGS_READY)) pdi::ready_types();
        pdi::py::object made = pdi::steal(PyModule_Create(&def));
        pdi::check_status(PyModule_AddObjectRef(made.ptr(), "Texts", reinterpret_cast<PyObject*>(&pdi::texts_type())));
        module = made.release().ptr();
    });
    return ok ? module : nullptr;
}
