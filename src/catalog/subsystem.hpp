// What a subsystem file sees: the rows it declares its classes with, the names and the calls of its bodies.
#pragma once

#include "model/rows.hpp"
#include "runtime/call.hpp"
#include "runtime/dispatch.hpp"

#include <algorithm>
#include <initializer_list>
#include <iterator>

namespace pdi {

// Layout rows of one attribute kind each, named after the kind.
constexpr AttrSpec u8(const char* name) noexcept { return attr(name, Kind::U8); }
constexpr AttrSpec u16(const char* name) noexcept { return attr(name, Kind::U16); }
constexpr AttrSpec u32(const char* name) noexcept { return attr(name, Kind::U32); }
constexpr AttrSpec u64(const char* name) noexcept { return attr(name, Kind::U64); }
constexpr AttrSpec i8(const char* name) noexcept { return attr(name, Kind::I8); }
constexpr AttrSpec i16(const char* name) noexcept { return attr(name, Kind::I16); }
constexpr AttrSpec i32(const char* name) noexcept { return attr(name, Kind::I32); }
constexpr AttrSpec i64(const char* name) noexcept { return attr(name, Kind::I64); }
constexpr AttrSpec f32(const char* name) noexcept { return attr(name, Kind::Float); }
constexpr AttrSpec f64(const char* name) noexcept { return attr(name, Kind::Double); }
constexpr AttrSpec boolean(const char* name) noexcept { return attr(name, Kind::Bool); }
constexpr AttrSpec serial(const char* name) noexcept { return attr(name, Kind::Serial); }
constexpr AttrSpec serial_list(const char* name) noexcept { return attr(name, Kind::SerialList); }
constexpr AttrSpec u16_list(const char* name) noexcept { return attr(name, Kind::U16List); }
constexpr AttrSpec var_bytes(const char* name) noexcept { return attr(name, Kind::VarBytes); }
constexpr AttrSpec var_str(const char* name) noexcept { return attr(name, Kind::VarStr); }
constexpr AttrSpec strength(const char* name) noexcept { return attr(name, Kind::SignalStrength); }
constexpr AttrSpec condensed_strength(const char* name) noexcept { return attr(name, Kind::CondensedSignalStrength); }
constexpr AttrSpec rx_stats(const char* name) noexcept { return attr(name, Kind::RxStats); }
constexpr AttrSpec domain_info(const char* name) noexcept { return attr(name, Kind::DomainInfo); }

// A CPython predicate's result (PyObject_IsTrue, PyObject_RichCompareBool) as a bool; -1 throws.
inline bool holds(int rc) {
    check_status(rc);
    return rc != 0;
}

// f(args...), a new reference.
inline py::object call(PyObject* f, std::initializer_list<PyObject*> args) {
    return steal(PyObject_Vectorcall(f, args.begin(), args.size(), nullptr));
}

// struct.<fn>(layout, args...) of the module global `module`: what the bodies' fast paths leave to
// it (a value out of range or of another type, data short or not bytes) it reads or says why not.
inline py::object struct_call(const Call& c, PyObject* module, PyObject* fn, const char* layout,
                              std::initializer_list<PyObject*> args) {
    py::object f = get(c.global(module).ptr(), fn);
    py::object format = steal(PyUnicode_FromString(layout));
    PyObject* all[8] = {format.ptr()};
    if (args.size() >= std::size(all)) fail(PyExc_SystemError, "struct.%U() called with too many values", fn);
    std::copy(args.begin(), args.end(), all + 1);
    return steal(PyObject_Vectorcall(f.ptr(), all, 1 + args.size(), nullptr));
}

// The n values that struct.<fn>(layout, data) unpacks, into `out`; TypeError `error` unless a tuple of n.
inline void struct_unpack(const Call& c, PyObject* module, PyObject* fn, const char* layout, PyObject* data,
                          py::object* out, Py_ssize_t n, const char* error) {
    py::object values = struct_call(c, module, fn, layout, {data});
    if (!PyTuple_Check(values.ptr()) || PyTuple_GET_SIZE(values.ptr()) != n) fail(PyExc_TypeError, error);
    for (Py_ssize_t i = 0; i < n; ++i) out[i] = borrow(PyTuple_GET_ITEM(values.ptr(), i));
}

}  // namespace pdi
