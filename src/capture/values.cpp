// The text lines of the capture tool's decode (most of the tool's own time): a field value's text and an
// item's line (the JSON lines are json.cpp's).
#include "capture/capture.hpp"

namespace pdi {

void write_hex(Text& line, PyObject* v) {
    py::object bytes = PyBytes_Check(v) ? borrow(v) : steal(PyBytes_FromObject(v));  // an array may change: a copy
    const auto* data = reinterpret_cast<const unsigned char*>(PyBytes_AS_STRING(bytes.ptr()));
    line.hex_bytes(data, PyBytes_GET_SIZE(bytes.ptr()));
}

py::object checked_str(PyObject* made, const char* what) {
    py::object text = steal(made);
    if (!PyUnicode_Check(text.ptr())) {
        PyErr_Format(PyExc_TypeError, "%s is %.100s, not str", what, Py_TYPE(text.ptr())->tp_name);
        throw PyErr{};
    }
    return text;
}

namespace {

// One level of a value's nesting (lists in lists, records in lists), bounded by the recursion limit.
struct Nested {
    explicit Nested(const char* where) {
        if (Py_EnterRecursiveCall(where)) throw PyErr{};
    }
    ~Nested() { Py_LeaveRecursiveCall(); }
    Nested(const Nested&) = delete;
    Nested& operator=(const Nested&) = delete;
};

// "[a; b; c]": the elements as the iteration gives them.
// NOLINTNEXTLINE(misc-no-recursion)
void write_list(const Texts* t, Text& line, PyObject* v) {
    const Nested in(" while writing the text of a list");
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
        for (Py_ssize_t i = 0; PyObject* next = PyIter_Next(it.ptr()); ++i) {
            py::object element = py::reinterpret_steal<py::object>(next);
            if (i) line.ascii("; ");
            write_value(t, line, element.ptr());
        }
        if (PyErr_Occurred()) throw PyErr{};
    }
    line.ascii("]");
}

// "(name=value, ...)": a record's fields, a field it lacks as None.
// NOLINTNEXTLINE(misc-no-recursion)
Text& write_fields(const Texts* t, Text& line, PyObject* v, PyObject* names) {
    const Nested in(" while writing the text of a record");
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
        write_value(t, line.str(name).ascii("="), value.ptr());
    }
    return line.ascii(")");
}

// A value of a type write_value does not know: serial numbers and subclasses of the built-in types; else the
// tool's: `other(value)`, asked once per type, gives the plan for its values: True, their own text in
// parentheses; a tuple of field names, the fields; str, their own text; else a callable.
// NOLINTNEXTLINE(misc-no-recursion)
Text& write_other(const Texts* t, Text& line, PyObject* v) {
    py::object serial = borrow(t->serial);
    const int is_serial =
        reinterpret_cast<PyObject*>(Py_TYPE(v)) == serial.ptr() ? 1 : PyObject_IsInstance(v, serial.ptr());
    if (is_serial < 0) throw PyErr{};
    if (is_serial) return write_new(line, PyObject_Str(v));
    if (PyList_Check(v) || PyTuple_Check(v)) return write_list(t, line, v), line;
    // Subclasses of the numbers and of str: as the base class writes them.
    if (PyLong_Check(v)) return write_new(line, PyLong_Type.tp_repr(v));
    if (PyFloat_Check(v)) return write_new(line, PyFloat_Type.tp_repr(v));
    if (PyUnicode_Check(v)) {
        py::object text = steal(PyObject_Str(v));
        return write_new(line, PyObject_Repr(text.ptr()));
    }
    py::object type = borrow(reinterpret_cast<PyObject*>(Py_TYPE(v)));
    py::object plans = borrow(t->plans);
    PyObject* found = PyDict_Check(plans.ptr()) ? PyDict_GetItemWithError(plans.ptr(), type.ptr()) : nullptr;
    py::object plan = found ? borrow(found) : py::object();
    if (!found) {
        if (PyErr_Occurred()) throw PyErr{};
        py::object other = borrow(t->other);
        plan = steal(PyObject_CallOneArg(other.ptr(), v));
        if (PyDict_Check(plans.ptr())) check_status(PyDict_SetItem(plans.ptr(), type.ptr(), plan.ptr()));
    }
    if (plan.ptr() == Py_True) {
        line.ascii("(");
        return write_new(line, PyObject_Str(v)).ascii(")");
    }
    if (PyTuple_Check(plan.ptr())) return write_fields(t, line, v, plan.ptr());
    if (plan.ptr() == reinterpret_cast<PyObject*>(&PyUnicode_Type)) return write_new(line, PyObject_Str(v));
    return write_new(line, PyObject_CallOneArg(plan.ptr(), v));
}

}  // namespace


// One field value (`v` held by the caller).
// NOLINTNEXTLINE(misc-no-recursion)
void write_value(const Texts* t, Text& line, PyObject* v) {
    PyTypeObject* type = Py_TYPE(v);
    if (type == &PyLong_Type) {
        line.plain(v);
    } else if (type == &PyFloat_Type) {
        line.real(PyFloat_AS_DOUBLE(v));  // float.__repr__: the shortest digits that read back to it
    } else if (type == &PyBool_Type) {
        v == Py_True ? line.ascii("True") : line.ascii("False");
    } else if (type == &PyUnicode_Type) {
        line.repr(v);
    } else if (type == &PyBytes_Type || type == &PyByteArray_Type) {
        line.ascii("h'");
        write_hex(line, v);
        line.ascii("'");
    } else if (type == &PyList_Type || type == &PyTuple_Type) {
        write_list(t, line, v);
    } else {
        write_other(t, line, v);
    }
}

// "<head> name=value ...\n", or "<head> <str(item)>\n" with the line ends in the item's text as " | ".
void write_item_line(const ItemLine* me, Text& line, PyObject* item) {
    line.str(me->head);
    if (me->names == Py_None) {
        py::object text = checked_str(PyObject_Str(item), "the text of an item");
        const Py_ssize_t nl = PyUnicode_FindChar(text.ptr(), '\n', 0, PyUnicode_GET_LENGTH(text.ptr()), 1);
        if (nl == -2) throw PyErr{};
        if (nl >= 0) {
            py::object end = steal(PyUnicode_FromString("\n"));
            py::object bar = steal(PyUnicode_FromString(" | "));
            text = steal(PyUnicode_Replace(text.ptr(), end.ptr(), bar.ptr(), -1));
        }
        line.ascii(" ").str(text.ptr());
    } else {
        py::object texts_held = texts_of(me);
        const auto* texts = reinterpret_cast<Texts*>(texts_held.ptr());
        for (Py_ssize_t i = 0; i < PyTuple_GET_SIZE(me->names); ++i) {
            py::object value = steal(PyObject_GetAttr(item, PyTuple_GET_ITEM(me->names, i)));
            write_value(texts, line.str(PyTuple_GET_ITEM(me->labels, i)), value.ptr());
        }
    }
    line.ascii("\n");
}

}  // namespace pdi
