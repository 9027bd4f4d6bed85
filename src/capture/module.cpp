// The capture tool's module: the line function types and frames().
#include "capture/capture.hpp"

namespace pdi {

namespace {

CaptureState& state_of(PyObject* module) { return *static_cast<CaptureState*>(PyModule_GetState(module)); }

// False, with TypeError `text`, unless the arguments are `fit`.
bool usage(bool fit, const char* text) {
    if (!fit) PyErr_SetString(PyExc_TypeError, text);
    return fit;
}

// The new reference that `make` returns, or NULL with the error set.
template <class Make>
PyObject* returned(Make make) {
    PyObject* result = nullptr;
    guarded([&] { result = make(); });
    return result;
}

// The parts of an object of type T that can hold it in a cycle, and its traverse, clear and dealloc;
// dealloc also releases the parts that cannot (strs, tuples of strs).
template <class T, PyObject* T::*... parts>
struct Parts {
    static int traverse(PyObject* self, visitproc visit, void* arg) {
        Py_VISIT(Py_TYPE(self));
        for (PyObject* part : {reinterpret_cast<T*>(self)->*parts...}) Py_VISIT(part);
        return 0;
    }
    static int clear(PyObject* self) {
        for (PyObject** part : {&(reinterpret_cast<T*>(self)->*parts)...}) Py_CLEAR(*part);
        return 0;
    }
    // The parts set to None instead: an object that lost its parts still answers (an error, never a crash).
    static int clear_to_none(PyObject* self) {
        for (PyObject** part : {&(reinterpret_cast<T*>(self)->*parts)...}) Py_SETREF(*part, Py_NewRef(Py_None));
        return 0;
    }
    template <PyObject* T::*... acyclic>
    static void dealloc(PyObject* self) {
        PyObject_GC_UnTrack(self);
        clear(self);
        Parts<T, acyclic...>::clear(self);
        PyTypeObject* type = Py_TYPE(self);
        type->tp_free(self);
        Py_DECREF(type);
    }
};
using TextsParts = Parts<Texts, &Texts::other, &Texts::serial, &Texts::plans>;
using LineParts = Parts<ItemLine, &ItemLine::texts, &ItemLine::data, &ItemLine::fallback, &ItemLine::converters>;

// Whether `o` is a line function (of any module object).
bool is_line(PyObject* o) { return Py_TYPE(o)->tp_traverse == LineParts::traverse; }

// An item's line by `me`: JSON when it has a conversion, else text (a cleared one raises either way).
void write_line(const ItemLine* me, Text& line, PyObject* frame, PyObject* item) {
    if (!me->data) return write_item_line(me, line, item);
    if (!write_json_line(me, line, frame, item)) {
        line.clear();
        py::object fallback = borrow(me->fallback);  // not cleared while the caller holds the line function
        write_new(line, PyObject_CallFunctionObjArgs(fallback.ptr(), frame, item, nullptr), "a line");
    }
}

// The text that `write` makes, as a new str; the callable `self` is held while it runs.
template <class Write>
PyObject* one_line(PyObject* self, Write write) {
    return returned([&] {
        py::object keep = borrow(self);
        Text line;
        write(line);
        return line.finish().release().ptr();
    });
}

PyObject* texts_call(PyObject* self, PyObject* const* args, std::size_t nargsf, PyObject* kwnames) {
    const bool fit = PyVectorcall_NARGS(nargsf) == 1 && !(kwnames && PyTuple_GET_SIZE(kwnames));
    if (!usage(fit, "the text of a value takes one argument, the value")) return nullptr;
    return one_line(self, [&](Text& line) { write_value(reinterpret_cast<Texts*>(self), line, args[0]); });
}

PyObject* line_call(PyObject* self, PyObject* const* args, std::size_t nargsf, PyObject* kwnames) {
    const bool fit = PyVectorcall_NARGS(nargsf) == 2 && !(kwnames && PyTuple_GET_SIZE(kwnames));
    if (!usage(fit, "a line function takes two arguments, the frame and the item")) return nullptr;
    return one_line(self, [&](Text& line) { write_line(reinterpret_cast<ItemLine*>(self), line, args[0], args[1]); });
}

// texts.lines(frames, decode, lines, line_for, robust): the lines of a batch of frames as one str. decode(frame)
// gives an item, None (no line) or a str (the line of a frame not decoded); an item's line function is
// lines[type code], made by line_for(class, frame, item) when missing. An Exception in a line function gives
// robust(frame, item) instead; anything else drops the batch and propagates.
PyObject* texts_lines(PyObject*, PyObject* const* args, Py_ssize_t nargs) {
    const bool fit = nargs == 5 && PyList_Check(args[0]) && PyDict_Check(args[2]);
    if (!usage(fit, "lines(frames, decode, lines, line_for, robust) takes a list and a dict")) return nullptr;
    // The arguments are the caller's while the call runs.
    PyObject* frames = args[0];
    PyObject* decode = args[1];
    PyObject* lines = args[2];
    PyObject* line_for = args[3];
    PyObject* robust = args[4];
    return returned([&] {
        Text out;
        Text line;
        for (Py_ssize_t i = 0; i < PyList_GET_SIZE(frames); ++i) {
            py::object frame = borrow(PyList_GET_ITEM(frames, i));
            py::object item = steal(PyObject_CallOneArg(decode, frame.ptr()));
            if (item.ptr() == Py_None) continue;
            if (PyUnicode_CheckExact(item.ptr())) {  // a frame not decoded, as its line
                out.str(item.ptr());
                continue;
            }
            py::object code = steal(PySequence_GetItem(frame.ptr(), 1));
            PyObject* found = PyDict_GetItemWithError(lines, code.ptr());
            py::object function = found ? borrow(found) : py::object();
            if (!found) {
                if (PyErr_Occurred()) throw PyErr{};
                py::object cls = borrow(reinterpret_cast<PyObject*>(Py_TYPE(item.ptr())));
                function = steal(PyObject_CallFunctionObjArgs(line_for, cls.ptr(), frame.ptr(), item.ptr(), nullptr));
                check_status(PyDict_SetItem(lines, code.ptr(), function.ptr()));
            }
            line.clear();
            const bool done = guarded([&] {
                if (is_line(function.ptr())) {
                    write_line(reinterpret_cast<ItemLine*>(function.ptr()), line, frame.ptr(), item.ptr());
                } else {
                    write_new(line, PyObject_CallFunctionObjArgs(function.ptr(), frame.ptr(), item.ptr(), nullptr),
                              "a line");
                }
            });
            if (done) {
                out.append(line);
            } else if (PyErr_ExceptionMatches(PyExc_Exception)) {
                PyErr_Clear();
                write_new(out, PyObject_CallFunctionObjArgs(robust, frame.ptr(), item.ptr(), nullptr), "a line");
            } else {
                throw PyErr{};
            }
        }
        return out.finish().release().ptr();
    });
}

// The line function of texts.line(head, names) or, with `json`, texts.json_line(head, names, data, own_text,
// fallback, converters): the names interned, the label before each value made once (" name=", "\"name\": ").
PyObject* new_line(PyObject* texts, PyObject* const* args, bool json) {
    py::object names = borrow(Py_None);
    py::object labels = borrow(Py_None);
    if (args[1] != Py_None) {
        const Py_ssize_t n = PyTuple_GET_SIZE(args[1]);
        names = steal(PyTuple_New(n));
        labels = steal(PyTuple_New(n));
        for (Py_ssize_t i = 0; i < n; ++i) {
            PyObject* name = PyTuple_GET_ITEM(args[1], i);
            if (!PyUnicode_CheckExact(name)) {
                PyErr_SetString(PyExc_TypeError, "a field name is a str");
                throw PyErr{};
            }
            Py_INCREF(name);
            PyUnicode_InternInPlace(&name);
            PyTuple_SET_ITEM(names.ptr(), i, name);
            Text label;
            if (json) {
                write_json_str(label, name).ascii(": ");
            } else {
                label.ascii(" ").str(name).ascii("=");
            }
            PyTuple_SET_ITEM(labels.ptr(), i, label.finish().release().ptr());
        }
    }
    PyObject* module = check(PyType_GetModule(Py_TYPE(texts)));  // the one that made `texts`: its line type
    auto* made = PyObject_GC_New(ItemLine, reinterpret_cast<PyTypeObject*>(state_of(module).line_type));
    if (!made) throw PyErr{};
    made->vectorcall = line_call;
    made->texts = Py_NewRef(texts);
    made->head = Py_NewRef(args[0]);
    made->names = names.release().ptr();
    made->labels = labels.release().ptr();
    made->own_text = json && args[3] == Py_True;
    made->data = json ? Py_NewRef(args[2]) : nullptr;
    made->fallback = json ? Py_NewRef(args[4]) : nullptr;
    made->converters = json ? Py_NewRef(args[5]) : nullptr;
    PyObject_GC_Track(made);
    return reinterpret_cast<PyObject*>(made);
}

PyObject* texts_line(PyObject* self, PyObject* const* args, Py_ssize_t nargs) {
    const bool fit = nargs == 2 && PyUnicode_Check(args[0]) && (args[1] == Py_None || PyTuple_Check(args[1]));
    if (!usage(fit, "line(head, names) takes a str and a tuple of field names (or None)")) return nullptr;
    return returned([&] { return new_line(self, args, false); });
}

PyObject* texts_json_line(PyObject* self, PyObject* const* args, Py_ssize_t nargs) {
    if (!usage(nargs == 6 && PyUnicode_Check(args[0]) && PyTuple_Check(args[1]) && PyCallable_Check(args[2]) &&
                   PyBool_Check(args[3]) && PyCallable_Check(args[4]) && PyDict_Check(args[5]),
               "json_line(head, names, data, own_text, fallback, converters) takes a str, "
               "a tuple of field names, a callable, a bool, a callable and a dict")) {
        return nullptr;
    }
    return returned([&] { return new_line(self, args, true); });
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
    made->serial = Py_NewRef(serial);
    made->other = Py_NewRef(other);
    made->plans = PyDict_New();
    made->names = PyUnicode_InternFromString("names");
    if (!made->plans || !made->names) {
        Py_DECREF(made);
        return nullptr;
    }
    return reinterpret_cast<PyObject*>(made);
}

// The module's types, heap types of each module object (a static type would be shared by every interpreter).
void make_types(PyObject* module, CaptureState& state) {
    static_assert(offsetof(Texts, vectorcall) == offsetof(ItemLine, vectorcall), "one member table for both");
    static PyMemberDef members[] = {
        {"__vectorcalloffset__", Py_T_PYSSIZET, offsetof(Texts, vectorcall), Py_READONLY, nullptr},
        {nullptr, 0, 0, 0, nullptr},
    };
    static PyMethodDef texts_methods[] = {
        {"line", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(texts_line)), METH_FASTCALL,
         "line(head, names) -> the function (frame, item) -> the text line of an item of one class."},
        {"json_line", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(texts_json_line)), METH_FASTCALL,
         "json_line(head, names, data, own_text, fallback, converters) -> the function (frame, item) -> the JSON line "
         "of an item of one class."},
        {"lines", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(texts_lines)), METH_FASTCALL,
         "lines(frames, decode, lines, line_for, robust) -> the text of the decoded items of a batch of frames."},
        {nullptr, nullptr, 0, nullptr},
    };
    static PyType_Slot texts_slots[] = {
        {Py_tp_doc, const_cast<char*>("Texts(serial_class, other): the text of a field value, as the capture tool "
                                      "writes it.")},
        {Py_tp_call, reinterpret_cast<void*>(PyVectorcall_Call)},
        {Py_tp_new, reinterpret_cast<void*>(texts_new)},
        {Py_tp_traverse, reinterpret_cast<void*>(TextsParts::traverse)},
        {Py_tp_clear, reinterpret_cast<void*>(TextsParts::clear_to_none)},
        {Py_tp_dealloc, reinterpret_cast<void*>(TextsParts::dealloc<&Texts::names>)},
        {Py_tp_methods, texts_methods},
        {Py_tp_members, members},
        {0, nullptr},
    };
    static PyType_Spec texts_def = {
        "rlx.data_items._capture.Texts", sizeof(Texts), 0,
        Py_TPFLAGS_DEFAULT | Py_TPFLAGS_HAVE_GC | Py_TPFLAGS_HAVE_VECTORCALL | Py_TPFLAGS_IMMUTABLETYPE, texts_slots,
    };
    static PyType_Slot line_slots[] = {
        {Py_tp_doc, const_cast<char*>("The text line function (frame, item) of one item class; made by Texts.line().")},
        {Py_tp_call, reinterpret_cast<void*>(PyVectorcall_Call)},
        {Py_tp_traverse, reinterpret_cast<void*>(LineParts::traverse)},
        {Py_tp_clear, reinterpret_cast<void*>(LineParts::clear)},
        {Py_tp_dealloc,
         reinterpret_cast<void*>(LineParts::dealloc<&ItemLine::head, &ItemLine::names, &ItemLine::labels>)},
        {Py_tp_members, members},
        {0, nullptr},
    };
    static PyType_Spec line_def = {
        "rlx.data_items._capture.ItemLine", sizeof(ItemLine), 0,
        Py_TPFLAGS_DEFAULT | Py_TPFLAGS_HAVE_GC | Py_TPFLAGS_HAVE_VECTORCALL | Py_TPFLAGS_IMMUTABLETYPE |
            Py_TPFLAGS_DISALLOW_INSTANTIATION,
        line_slots,
    };
    py::object texts = steal(PyType_FromModuleAndSpec(module, &texts_def, nullptr));
    check_status(PyModule_AddObjectRef(module, "Texts", texts.ptr()));
    state.line_type = check(PyType_FromModuleAndSpec(module, &line_def, nullptr));
}


// frames(buf, base[, keep]) -> (frames, used[, left_out]): the complete items (u16 type code, u16 length,
// little-endian, payload) at the start of `buf` as (base + offset, type code, payload), `used` where the first
// incomplete one (or the end) starts. An item whose byte in `keep` is 0 is only counted (no tuple, no copy).
PyObject* frames(PyObject*, PyObject* const* args, Py_ssize_t nargs) {
    const bool fit = nargs >= 2 && nargs <= 3 && PyBytes_CheckExact(args[0]) && PyLong_Check(args[1]);
    if (!usage(fit, "frames(buf, base[, keep]) takes bytes, an int and a buffer")) return nullptr;
    Py_buffer keep{};
    if (nargs == 3 && PyObject_GetBuffer(args[2], &keep, PyBUF_SIMPLE) < 0) return nullptr;
    PyObject* result = returned([&] {
        if (nargs == 3 && keep.len != 65536) {
            PyErr_SetString(PyExc_ValueError, "frames: keep holds one byte per type code, 65536 bytes");
            throw PyErr{};
        }
        const Py_ssize_t base = PyLong_AsSsize_t(args[1]);
        if (base == -1 && PyErr_Occurred()) throw PyErr{};
        const auto* data = reinterpret_cast<const unsigned char*>(PyBytes_AS_STRING(args[0]));  // the caller's
        const Py_ssize_t end = PyBytes_GET_SIZE(args[0]);
        if (base < 0 || base > PY_SSIZE_T_MAX - end) {  // every offset base + pos an index, no signed overflow
            PyErr_Format(PyExc_OverflowError, "frames: base %zd and %zd bytes give offsets beyond an index", base, end);
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
                    PyBytes_FromStringAndSize(PyBytes_AS_STRING(args[0]) + pos + 4, length)));
                check_status(PyList_Append(batch.ptr(), frame.ptr()));
            }
            pos += 4 + length;
        }
        return kept != nullptr ? Py_BuildValue("(Onn)", batch.ptr(), pos, left_out)
                               : Py_BuildValue("(On)", batch.ptr(), pos);
    });
    if (nargs == 3) PyBuffer_Release(&keep);
    return result;
}

int exec_capture(PyObject* module) {
    return guarded([module] { make_types(module, state_of(module)); }) ? 0 : -1;
}

int traverse_capture(PyObject* module, visitproc visit, void* arg) {
    Py_VISIT(state_of(module).line_type);
    return 0;
}

int clear_capture(PyObject* module) {
    Py_CLEAR(state_of(module).line_type);
    return 0;
}

void free_capture(void* module) { clear_capture(static_cast<PyObject*>(module)); }

}  // namespace
}  // namespace pdi

// The interpreter finds the initialization by the module's name, `_capture`.
PyMODINIT_FUNC PyInit__capture() {  // NOLINT(bugprone-reserved-identifier)
    static PyMethodDef functions[] = {
        {"declarations", pdi::declarations, METH_O,
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
        {"frames", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(pdi::frames)), METH_FASTCALL,
         "frames(buf, base[, keep]) -> (frames, used[, left_out]): the complete items at the start of a capture's "
         "bytes."},
        {nullptr, nullptr, 0, nullptr},
    };
    static PyModuleDef_Slot slots[] = {
        {Py_mod_exec, reinterpret_cast<void*>(pdi::exec_capture)},
#if PY_VERSION_HEX >= 0x030C0000
        {Py_mod_multiple_interpreters, Py_MOD_PER_INTERPRETER_GIL_SUPPORTED},
#endif
        {0, nullptr},
    };
    static PyModuleDef def = {
        PyModuleDef_HEAD_INIT, "_capture",
        "The capture tool's framing and text lines, made in C++, and what the catalog's rows declare "
        "(declarations()).",
        sizeof(pdi::CaptureState),
        functions, slots, pdi::traverse_capture, pdi::clear_capture, pdi::free_capture,
    };
    return PyModuleDef_Init(&def);
}
