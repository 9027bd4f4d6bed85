// What the capture tool's module shares between its files: the value texts, the line functions, JSON.
#pragma once

#include "core/errors.hpp"
#include "text/text.hpp"

namespace pdi {

struct Texts {
    PyObject_HEAD
    vectorcallfunc vectorcall;
    PyObject* serial;   // the framework's serial number class
    PyObject* other;    // the tool's plan for the values of a type it shows (see write_other)
    PyObject* plans;    // {type: plan} of the types met so far
    PyObject* names;    // "names", the attribute of a converter that reads a record by its fields
};

// The state of a module object: the type of its line functions (Texts is in its namespace).
struct CaptureState {
    PyObject* line_type;
};

struct ItemLine {
    PyObject_HEAD
    vectorcallfunc vectorcall;
    PyObject* texts;     // the Texts it writes values with
    PyObject* head;      // "<class name> 0x<type code>"
    PyObject* names;     // tuple of the field names (interned), or None: the item's own text
    PyObject* labels;    // tuple of " <name>=" for each field (JSON: "\"<name>\": ")
    // A JSON line only (else NULL): the tool's conversion of a field value, its own line function (the line
    // where this one gives none) and {type: the conversion of its values} as `data` keeps it.
    PyObject* data;
    PyObject* fallback;
    PyObject* converters;
    bool own_text;       // JSON: the item's own text follows its fields
};


// The text of one field value (see values.cpp).
void write_value(const Texts* t, Text& line, PyObject* v);
// The bytes of a bytes or bytearray object as lower-case hex digits.
void write_hex(Text& line, PyObject* v);
// `made` (new, or NULL with the error set) if it is a str, else TypeError "<what> is <type>, not str".
py::object checked_str(PyObject* made, const char* what);
// A str that Python code made (a value's str() or repr(), a line function's line) written into the line.
inline Text& write_new(Text& line, PyObject* made, const char* what = "a text of a value") {
    return line.str(checked_str(made, what).ptr());
}
// "<head> name=value ...\n", or "<head> <str(item)>\n".
void write_item_line(const ItemLine* me, Text& line, PyObject* item);
// The Texts a line function writes with, held; ValueError once the collector has cleared the function.
inline py::object texts_of(const ItemLine* me) {
    if (!me->texts) {
        PyErr_SetString(PyExc_ValueError, "a line function whose texts were cleared");
        throw PyErr{};
    }
    return borrow(me->texts);
}
// The JSON line of `item`; false when the line is the tool's (see json.cpp).
bool write_json_line(const ItemLine* me, Text& line, PyObject* frame, PyObject* item);
// A str as the JSON encoder writes it by default.
Text& write_json_str(Text& line, PyObject* s);
// The capture module's declarations() (declarations.cpp).
PyObject* declarations(PyObject*, PyObject* module);

}  // namespace pdi
