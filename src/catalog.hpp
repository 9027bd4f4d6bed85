// Declaration model of the private data item catalog.
//
// Every class of the catalog is one ClassSpec: its name, what it is (data
// item, auxiliary record or attribute kind), its 16-bit type code, its
// documentation string, its payload layout as a list of AttrSpec, and the
// few methods and class attributes that the layout alone cannot say. Each
// subsystem source holds one table of ClassSpec; the builder walks the
// catalog order and creates every class from its entry.
#pragma once

#include <pybind11/pybind11.h>

#include <cstdint>
#include <initializer_list>

namespace pdi {

namespace py = pybind11;

// ---------------------------------------------------------------------------
// Attribute kinds of the framework (plus the one this module declares).
// The builder resolves each kind by its class name in the module namespace,
// exactly as a class body naming it would.
enum class Kind : std::uint8_t {
    U8, U16, U32, U64,
    I8, I16, I32, I64,
    Float, Double,
    Serial, SerialList, U16List,
    List,            // element class named by AttrSpec::element
    FixedBytes,      // length in AttrSpec::length
    FixedStr,        // length in AttrSpec::length
    VarBytes, VarStr,
    Bool, SignalStrength, CondensedSignalStrength, RxStats,
    DomainInfo,      // DIDomainInfoAttr, declared in this module
    Count_
};

// Class name of each kind, indexed by Kind.
const char* kind_name(Kind k);

// Record constructor flag: store the argument wrapped as NorvaneSerialNumber(value).
constexpr std::uint8_t kWrapSerial = 1;

struct AttrSpec {
    const char* name;
    Kind kind;
    std::uint16_t length = 0;        // FixedBytes / FixedStr
    const char* element = nullptr;   // List: element class, an earlier class of the catalog
    std::uint8_t flags = 0;          // kWrapSerial
    const char* param = nullptr;     // record constructor parameter, when it differs from name
};

// Shorthands for the table rows.
constexpr AttrSpec attr(const char* name, Kind k) noexcept { return AttrSpec{name, k}; }
constexpr AttrSpec list_of(const char* name, const char* element) noexcept {
    return AttrSpec{name, Kind::List, 0, element};
}
constexpr AttrSpec fixed_bytes(const char* name, std::uint16_t n) noexcept {
    return AttrSpec{name, Kind::FixedBytes, n};
}
constexpr AttrSpec fixed_str(const char* name, std::uint16_t n) noexcept {
    return AttrSpec{name, Kind::FixedStr, n};
}
// A serial number that a record constructor stores as NorvaneSerialNumber(value).
constexpr AttrSpec wrapped_serial(const char* name, const char* param = nullptr) noexcept {
    return AttrSpec{name, Kind::Serial, 0, nullptr, kWrapSerial, param};
}
// A record field filled from a constructor parameter of another name.
constexpr AttrSpec renamed(AttrSpec a, const char* param) noexcept { a.param = param; return a; }

// ---------------------------------------------------------------------------
// Methods.
//
// A method is a C function with the vectorcall convention. Its first
// argument is the class context (see Ctx); args[0] is the instance for an
// instance method, the class for a class method.
using FastFn = PyObject* (*)(PyObject* ctx, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames);

enum class Bind : std::uint8_t { Instance, Class };

struct MethodSpec {
    PyMethodDef def;    // name in the class namespace (may be "__init__", "__str__", ...)
    Bind bind;
};

inline PyCFunction as_cfunction(FastFn fn) noexcept {
    return reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(fn));
}
inline MethodSpec instance_method(const char* name, FastFn fn, const char* doc = nullptr) noexcept {
    return MethodSpec{{name, as_cfunction(fn), METH_FASTCALL | METH_KEYWORDS, doc}, Bind::Instance};
}
inline MethodSpec class_method(const char* name, FastFn fn, const char* doc = nullptr) noexcept {
    return MethodSpec{{name, as_cfunction(fn), METH_FASTCALL | METH_KEYWORDS, doc}, Bind::Class};
}

// The class context handed to every method: a list [module dict, class,
// field names...]. The class slot is filled right after the class is created.
struct Ctx {
    PyObject* ctx;
    PyObject* globals() const { return PyList_GET_ITEM(ctx, 0); }
    PyObject* cls() const { return PyList_GET_ITEM(ctx, 1); }
    // Names of the definition entries (a tuple of str), for records.
    PyObject* names() const { return PyList_GET_ITEM(ctx, 2); }
    // Constructor parameter names (a tuple of str), for records.
    PyObject* params() const { return PyList_GET_ITEM(ctx, 3); }
    // Per-parameter flags (bytes), for records.
    PyObject* flags() const { return PyList_GET_ITEM(ctx, 4); }
};

// ---------------------------------------------------------------------------
// Classes.
enum class What : std::uint8_t { Item, Record, AttrKind };

constexpr std::uint8_t kNoDefinition = 1;   // class declares no `definition`
constexpr std::uint8_t kNoRecordInit = 2;   // record without the generic constructor
constexpr std::uint8_t kNoRecordStr = 4;    // record without the generic rendering

struct ClassSpec {
    const char* name = nullptr;
    What what = What::Item;
    std::uint16_t type = 0;                    // items only
    const char* doc = nullptr;                 // nullptr: no documentation string
    std::initializer_list<AttrSpec> attrs;
    std::initializer_list<MethodSpec> methods = {};
    std::uint8_t flags = 0;
    // Adds further class attributes to the namespace before creation.
    void (*populate)(PyObject* ns, Ctx ctx) = nullptr;
};

// Documentation strings of the catalog's classes.
#define ITEM_DOC(title) "RLX Data Item: Norvane Data Protocol " title " Data Item Definition"
#define DOTTED_DOC(title) ITEM_DOC(title) "."
#define PRIVATE_DOC(title, use) ITEM_DOC(title) ". Private.\n    " use
#define PROTECTED_DOC(title, use) ITEM_DOC(title) ". Protected.\n    " use
#define RECORD_DOC(title) title " Class Definition"

struct Table {
    const ClassSpec* begin;
    const ClassSpec* end;
};

template <std::size_t N>
constexpr Table table(const ClassSpec (&decls)[N]) noexcept { return Table{decls, decls + N}; }

// One table per subsystem source.
extern const Table kTimeSyncTable;
extern const Table kRangingTable;
extern const Table kRadarTable;
extern const Table kOwnershipTable;
extern const Table kDeviceControlTable;
extern const Table kDistributionTable;
extern const Table kDiagnosticsTable;

// ---------------------------------------------------------------------------
// Error handling inside methods: a CPython call that fails leaves the error
// indicator set and throws PyErr; the method wrapper turns it into a NULL
// return so the error propagates unchanged.
struct PyErr {};

inline PyObject* check(PyObject* p) {
    if (!p) throw PyErr{};
    return p;
}
inline py::object steal(PyObject* p) { return py::reinterpret_steal<py::object>(check(p)); }
inline py::object borrow(PyObject* p) { return py::reinterpret_borrow<py::object>(check(p)); }
inline void check_status(int rc) {
    if (rc < 0) throw PyErr{};
}

// Wraps a method body `py::object body(Ctx, PyObject* const*, Py_ssize_t, PyObject*)`.
template <py::object (*Body)(Ctx, PyObject* const*, Py_ssize_t, PyObject*)>
PyObject* method(PyObject* ctx, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    try {
        return Body(Ctx{ctx}, args, PyVectorcall_NARGS(nargs), kwnames).release().ptr();
    } catch (const PyErr&) {
        return nullptr;
    } catch (py::error_already_set& e) {
        e.restore();
        return nullptr;
    } catch (const std::bad_alloc&) {
        PyErr_NoMemory();
        return nullptr;
    } catch (const std::exception& e) {
        PyErr_SetString(PyExc_SystemError, e.what());
        return nullptr;
    }
}

// Builds every class of the catalog into the module dict, in catalog order.
void build_catalog(PyObject* module_dict);

// Common helpers for method bodies.
// Looks up a global of the module by name (as Python code would), raising NameError if absent.
py::object global(Ctx ctx, const char* name);
// Binds the arguments after the bound one to the named parameters, by
// position first and then by keyword; `out[i]` is borrowed, or nullptr when
// parameter i was not given; the first `required` parameters must be given.
void bind_args(const char* fn, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames,
               std::initializer_list<const char*> names, PyObject** out, Py_ssize_t required);
// Requires exactly `n` positional arguments after the bound one and no keywords.
void expect_args(const char* fn, Py_ssize_t nargs, PyObject* kwnames, Py_ssize_t n);

// `super(<defining class>, self).<name>()`: the next implementation after the
// class that defines the calling method.
py::object call_super(Ctx ctx, PyObject* self, const char* name);

// A list attribute bounded by a count attribute decoded before it: the list
// is handed at most count * element_size bytes of the remaining payload.
struct ListBound {
    const char* list;
    const char* count;
    Py_ssize_t element_size;
};
// The attribute walk of the framework's decoding, with the given lists
// bounded: each entry of the class's `definition` decodes from the front of
// `di_data`, the consumed bytes are cut off, the value is stored under the
// entry's name; finally `di_data` becomes None. On a failure the attributes
// decoded so far keep their values and `di_data` holds the rest.
void bounded_decode(PyObject* self, std::initializer_list<ListBound> bounds);
// Sets the count attribute to the length of the list attribute.
void recount(PyObject* self, const char* count, const char* list);

}  // namespace pdi
