// Declaration model of the private data item catalog.
//
// Every class of the catalog is one ClassSpec: its place in the catalog
// order, its name, what it is (data item, auxiliary record or attribute
// kind), its 16-bit type code, its
// documentation string, its payload layout as a list of AttrSpec, and its
// methods as a list of MethodSpec rows. A row is either one of the recurring
// behaviours (bit-field accessor, list builder, count-bounded list), which
// the runtime carries out from the row's data alone, or a hand-written body
// for what a table cannot say. Each subsystem file (catalog/*.inc) holds one
// table of ClassSpec and the names its bodies use, evaluated at compile time
// into its packed form (see "Packed tables" below); catalog.cpp gathers the
// tables, derives the catalog order from their places and checks it; the
// builder walks that order and creates every class from its packed entry.
#pragma once

// Only the object wrappers: the binding machinery is not used, and each
// source including it would carry its code and symbols into the module.
#include <pybind11/pytypes.h>

// The newer public API functions on older interpreters.
#include "pycompat.hpp"

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <iterator>
#include <limits>
#include <string>

namespace pdi {

namespace py = pybind11;

// ---------------------------------------------------------------------------
// Attribute kinds of the framework (plus the one this module declares).
// The builder resolves each kind by its class name in the module namespace,
// once, exactly as a class body naming it would.
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

// Record constructor flag: store the argument wrapped as NorvaneSerialNumber(value).
constexpr std::uint8_t kWrapSerial = 1;

// A layout row.
struct AttrSpec {
    const char* name;
    // List: the element class, an earlier class of the catalog; any other
    // kind: the record constructor's parameter when it differs from name.
    const char* extra = nullptr;
    Kind kind;
    std::uint8_t flags = 0;          // kWrapSerial
    std::uint16_t length = 0;        // FixedBytes / FixedStr

    constexpr AttrSpec(const char* n, Kind k, std::uint16_t len = 0, const char* x = nullptr,
                       std::uint8_t f = 0) noexcept
        : name(n), extra(x), kind(k), flags(f), length(len) {}
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
    return AttrSpec{name, Kind::Serial, 0, param, kWrapSerial};
}
// A record field filled from a constructor parameter of another name (never a
// list: its row holds the element class instead; a table that tries does not compile).
constexpr AttrSpec renamed(AttrSpec a, const char* param) {
    if (a.kind == Kind::List) throw "a list attribute cannot be renamed: its row names the element class";
    a.extra = param;
    return a;
}

// ---------------------------------------------------------------------------
// Method rows.

// A parameter after the bound instance (or class): its name, its type as a
// stub writes it, and what a caller who leaves it out gets.
enum class Dflt : std::uint8_t {
    Required,        // must be given, by position or keyword
    Positional,      // must be given, by position only
    Zero,            // the integer 0
    NewList,         // a new empty list for every call
};
struct Param {
    const char* name = nullptr;
    const char* type = nullptr;
    Dflt dflt = Dflt::Zero;
};
// A row's parameter list: a named array of static storage (a braced list
// handed through a function would not outlive the table's initialization).
class Params {
public:
    constexpr Params() noexcept = default;
    template <std::size_t N>
    constexpr Params(const Param (&list)[N]) noexcept : first_(list), size_(N) {}
    constexpr const Param* begin() const noexcept { return first_; }
    constexpr const Param* end() const noexcept { return first_ + size_; }
    constexpr std::size_t size() const noexcept { return size_; }

private:
    const Param* first_ = nullptr;
    std::size_t size_ = 0;
};

// What a row does.
enum class Does : std::uint8_t {
    Body,            // a hand-written body
    Field,           // (attr AND mask) >> shift as an integer
    Flag,            // (attr AND mask) >> shift is not zero, as True or False
    Append,          // builds one element and appends it to a list, bumping its count
    Counted,         // a list bounded by a count attribute (see below)
};

enum class Bind : std::uint8_t { Instance, Class };

struct Call;
// A hand-written body: gets the call with its arguments bound, returns a new reference.
using Body = py::object (*)(Call& call);

struct MethodSpec {
    const char* name = nullptr;             // name in the class namespace; nullptr for Counted rows
    Does does = Does::Body;
    Bind bind = Bind::Instance;
    const char* returns = "None";           // the result's type as a stub writes it
    Params params = {};
    Body body = nullptr;                    // Body
    const char* attr = nullptr;             // Field, Flag: the stored attribute
    long mask = -1;                         // Field, Flag: negative for no mask
    int shift = 0;                          // Field, Flag
    const char* list = nullptr;             // Append, Counted: the list attribute
    const char* element = nullptr;          // Append: module global called with the arguments
    const char* count = nullptr;            // Append, Counted: the count attribute, or nullptr
    Py_ssize_t element_size = 0;            // Counted: bytes per element, 0 when decoding does not bound it
};

// Rows.
constexpr MethodSpec body(const char* name, Body fn, const char* returns = "None",
                          Params params = {}, Bind bind = Bind::Instance) noexcept {
    return MethodSpec{name, Does::Body, bind, returns, params, fn};
}
// A constructor that stores each argument under its parameter's name, in
// parameter order (the parameters left out take their defaults).
py::object store_params_body(Call& c);
constexpr MethodSpec constructor(Params params) noexcept {
    // cppcheck-suppress throwInNoexceptFunction ; the body is named here, not called
    return body("__init__", store_params_body, "None", params);
}
// Bit-field accessor: (attr AND mask) shifted right by shift, as an integer.
constexpr MethodSpec field(const char* name, const char* attr, long mask, int shift = 0) noexcept {
    return MethodSpec{name, Does::Field, Bind::Instance, "int", {}, nullptr, attr, mask, shift};
}
// One-bit flag: (attr AND mask) shifted right by shift is not zero.
constexpr MethodSpec flag(const char* name, const char* attr, long mask, int shift = 0) noexcept {
    return MethodSpec{name, Does::Flag, Bind::Instance, "bool", {}, nullptr, attr, mask, shift};
}
// Builder: self.<list>.append(<element>(args...)); then self.<count> += 1 when a count is named.
constexpr MethodSpec append(const char* name, const char* list, const char* element,
                            Params params, const char* count = nullptr) noexcept {
    return MethodSpec{name, Does::Append, Bind::Instance, "None", params, nullptr, nullptr, -1, 0,
                      list, element, count};
}
// Count-bounded list: the item's `_encode` first sets every count to the
// length of its list, then returns the framework's encoding; its `_decode`
// walks `definition` and hands each bounded list at most count * element_size
// bytes of the remaining payload. element_size 0: recounted, never bounded.
constexpr MethodSpec counted(const char* list, const char* count, Py_ssize_t element_size) noexcept {
    return MethodSpec{nullptr, Does::Counted, Bind::Instance, "None", {}, nullptr, nullptr, -1, 0,
                      list, nullptr, count, element_size};
}

// The parameter of the builders that wrap a serial number.
inline constexpr Param kSerialParam[] = {{"serial_number", "int | NorvaneSerialNumber", Dflt::Required}};

// ---------------------------------------------------------------------------
// Classes.
enum class What : std::uint8_t { Item, Record, AttrKind };

constexpr std::uint8_t kNoDefinition = 1;   // class declares no `definition`
constexpr std::uint8_t kNoRecordInit = 2;   // record without the generic constructor
constexpr std::uint8_t kNoRecordStr = 4;    // record without the generic rendering

using Populate = void (*)(PyObject* ns);

struct ClassSpec {
    // In the catalog order (the module namespace's): the places of all
    // tables are 0, 1, ... once each, or the catalog does not compile.
    std::uint16_t place = 0;
    const char* name = nullptr;
    What what = What::Item;
    std::uint16_t type = 0;                    // items only
    const char* doc = nullptr;                 // nullptr: no documentation string
    std::initializer_list<AttrSpec> attrs;
    std::initializer_list<MethodSpec> methods = {};
    std::uint8_t flags = 0;
    // Adds further class attributes to the namespace before creation.
    Populate populate = nullptr;
};

// Documentation strings of the catalog's classes.
#define ITEM_DOC(title) "RLX Data Item: Norvane Data Protocol " title " Data Item Definition"
#define DOTTED_DOC(title) ITEM_DOC(title) "."
#define PRIVATE_DOC(title, use) ITEM_DOC(title) ". Private.\n    " use
#define PROTECTED_DOC(title, use) ITEM_DOC(title) ". Protected.\n    " use
#define RECORD_DOC(title) title " Class Definition"

// ---------------------------------------------------------------------------
// Packed tables: what the module carries of the declarations above.
//
// A subsystem's ClassSpec rows are read at compile time only. The module
// holds their packed form: every string of the table once, in one text, and
// rows that name a string by its number. So no row holds an address the
// loader would have to relocate (each page of relocated rows is a page it
// copies and writes when the module is loaded), the rows are a third of the
// size, and a string that several rows use is interned once.

using Str = std::uint16_t;               // the number of one of the table's strings
inline constexpr Str kNoStr = 0xFFFF;    // a null string
inline constexpr std::uint8_t kNoFn = 0xFF;   // no body, no populate
inline constexpr std::uint16_t kNoPlace = 0xFFFF;

struct AttrRow {
    Str name;
    Str extra;                           // as AttrSpec::extra
    Kind kind;
    std::uint8_t flags;
    std::uint16_t length;

    constexpr Str element() const noexcept { return kind == Kind::List ? extra : kNoStr; }
    // The name of the record constructor's parameter that fills this field.
    constexpr Str param() const noexcept { return kind != Kind::List && extra != kNoStr ? extra : name; }
};

struct ParamRow {
    Str name;
    Str type;
    Dflt dflt;
};

struct MethodRow {
    std::int64_t mask;                   // Field, Flag: negative for no mask
    std::int32_t element_size;           // Counted
    Str name, returns, attr, list, element, count;
    std::uint16_t params;                // the first of its parameter rows
    std::uint8_t nparams;
    std::uint8_t body;                   // in the table's bodies; kNoFn: none
    Does does;
    Bind bind;
    std::int8_t shift;                   // Field, Flag
};

struct ClassRow {
    Str name;
    Str doc;                             // kNoStr: no documentation string
    std::uint16_t type;
    std::uint16_t place;                 // in the catalog order; kNoPlace: not in it
    std::uint16_t attrs, nattrs;         // its layout rows
    std::uint16_t methods, nmethods;     // its method rows
    What what;
    std::uint8_t flags;
    std::uint8_t populate;               // in the table's populates; kNoFn: none
};

// A packed table as the runtime reads it (the only pointers: one object per table).
struct Table {
    const char* text;                    // the strings, each ended by a zero
    const std::uint16_t* offsets;        // where each string starts in text
    std::size_t nstrings;
    const ClassRow* classes;
    std::size_t nclasses;
    const AttrRow* attrs;
    const MethodRow* methods;
    const ParamRow* params;
    const Body* bodies;
    const Populate* populates;

    constexpr const char* str(Str s) const noexcept { return s == kNoStr ? nullptr : text + offsets[s]; }
    const AttrRow* attrs_of(const ClassRow& c) const noexcept { return attrs + c.attrs; }
    const MethodRow* methods_of(const ClassRow& c) const noexcept { return methods + c.methods; }
    const ParamRow* params_of(const MethodRow& m) const noexcept { return params + m.params; }
    Body body_of(const MethodRow& m) const noexcept { return m.body == kNoFn ? nullptr : bodies[m.body]; }
    Populate populate_of(const ClassRow& c) const noexcept { return c.populate == kNoFn ? nullptr : populates[c.populate]; }
};

namespace packing {

constexpr bool same(const char* a, const char* b) noexcept {
    std::size_t i = 0;
    while (a[i] && a[i] == b[i]) ++i;
    return a[i] == b[i];
}

// Upper bounds of what a table packs into (strings counted before they are shared).
struct Counts {
    std::size_t chars = 0, strings = 0, attrs = 0, methods = 0, params = 0, bodies = 0, populates = 0;
};

template <std::size_t N>
constexpr Counts count(const ClassSpec (&decls)[N]) noexcept {
    Counts n;
    auto text = [&n](const char* s) {
        if (s) {
            n.chars += std::char_traits<char>::length(s) + 1;
            ++n.strings;
        }
    };
    for (const ClassSpec& c : decls) {
        text(c.name);
        text(c.doc);
        n.populates += c.populate != nullptr;
        for (const AttrSpec& a : c.attrs) {
            ++n.attrs;
            text(a.name);
            text(a.extra);
        }
        for (const MethodSpec& m : c.methods) {
            ++n.methods;
            n.bodies += m.body != nullptr;
            text(m.name);
            text(m.returns);
            text(m.attr);
            text(m.list);
            text(m.element);
            text(m.count);
            for (const Param& p : m.params) {
                ++n.params;
                text(p.name);
                text(p.type);
            }
        }
    }
    return n;
}

constexpr std::size_t at_least_one(std::size_t n) noexcept { return n ? n : 1; }

// `v` in a row field of type T, whose largest value stays free for "none".
template <class T>
constexpr T narrow(std::size_t v) {
    if (v >= static_cast<std::size_t>(std::numeric_limits<T>::max())) throw "a packed table outgrew its row fields";
    return static_cast<T>(v);
}

template <std::size_t NChars, std::size_t NStrings, std::size_t NClasses, std::size_t NAttrs,
          std::size_t NMethods, std::size_t NParams>
struct Rows {
    char text[NChars] = {};
    std::uint16_t offsets[NStrings] = {};
    ClassRow classes[NClasses] = {};
    AttrRow attrs[NAttrs] = {};
    MethodRow methods[NMethods] = {};
    ParamRow params[NParams] = {};
    std::size_t chars = 0, strings = 0;

    // The number of string `s`, added unless the table has it already.
    constexpr Str add(const char* s) {
        if (!s) return kNoStr;
        for (std::size_t i = 0; i < strings; ++i) {
            if (same(text + offsets[i], s)) return static_cast<Str>(i);
        }
        offsets[strings] = narrow<std::uint16_t>(chars);
        for (std::size_t j = 0;; ++j) {
            text[chars++] = s[j];
            if (!s[j]) break;
        }
        return narrow<Str>(strings++);
    }
};

// The distinct functions of one kind that a table's rows name.
template <class F, std::size_t N>
struct Fns {
    F fns[N] = {};
    std::size_t n = 0;

    constexpr std::uint8_t add(F f) {
        if (!f) return kNoFn;
        for (std::size_t i = 0; i < n; ++i) {
            if (fns[i] == f) return static_cast<std::uint8_t>(i);
        }
        fns[n] = f;
        return narrow<std::uint8_t>(n++);
    }
};

template <class R, class B, class P>
struct Packed {
    R rows;
    B bodies;
    P populates;
};

template <class R, class B, class P, std::size_t N>
constexpr Packed<R, B, P> pack(const ClassSpec (&decls)[N]) {
    Packed<R, B, P> p{};
    R& r = p.rows;
    std::size_t na = 0, nm = 0, np = 0;
    for (std::size_t i = 0; i < N; ++i) {
        const ClassSpec& c = decls[i];
        ClassRow& row = r.classes[i];
        row.name = r.add(c.name);
        row.doc = r.add(c.doc);
        row.type = c.type;
        row.place = c.place;
        row.what = c.what;
        row.flags = c.flags;
        row.populate = p.populates.add(c.populate);
        row.attrs = narrow<std::uint16_t>(na);
        row.nattrs = narrow<std::uint16_t>(c.attrs.size());
        for (const AttrSpec& a : c.attrs) r.attrs[na++] = AttrRow{r.add(a.name), r.add(a.extra), a.kind, a.flags, a.length};
        row.methods = narrow<std::uint16_t>(nm);
        row.nmethods = narrow<std::uint16_t>(c.methods.size());
        for (const MethodSpec& m : c.methods) {
            if (!m.returns) throw "a method row without the type of its result";
            MethodRow& out = r.methods[nm++];
            out.mask = m.mask;
            out.element_size = narrow<std::int32_t>(static_cast<std::size_t>(m.element_size));
            out.name = r.add(m.name);
            out.returns = r.add(m.returns);
            out.attr = r.add(m.attr);
            out.list = r.add(m.list);
            out.element = r.add(m.element);
            out.count = r.add(m.count);
            out.params = narrow<std::uint16_t>(np);
            out.nparams = narrow<std::uint8_t>(m.params.size());
            out.body = p.bodies.add(m.body);
            out.does = m.does;
            out.bind = m.bind;
            out.shift = narrow<std::int8_t>(static_cast<std::size_t>(m.shift));
            for (const Param& q : m.params) {
                if (!q.name || !q.type) throw "a parameter without its name or type";
                r.params[np++] = ParamRow{r.add(q.name), r.add(q.type), q.dflt};
            }
        }
    }
    return p;
}

template <std::size_t NClasses, const Counts& n>
using RowsFor = Rows<at_least_one(n.chars), at_least_one(n.strings), at_least_one(NClasses), at_least_one(n.attrs),
                     at_least_one(n.methods), at_least_one(n.params)>;

// What a table packs into once its strings are shared: packed first into
// room for every string as often as it is used.
template <class R, class B, class P, std::size_t N>
constexpr Counts shared(const ClassSpec (&decls)[N], Counts n) {
    const Packed<R, B, P> p = pack<R, B, P>(decls);
    n.chars = p.rows.chars;
    n.strings = p.rows.strings;
    n.bodies = p.bodies.n;
    n.populates = p.populates.n;
    return n;
}

// The packed form of the table `Decls`: its rows (no pointers, read-only data)
// and its functions (the only relocated arrays).
template <const auto& Decls>
struct Packing {
    static constexpr std::size_t N = std::size(Decls);
    static constexpr Counts bound = count(Decls);
    static constexpr Counts n = shared<RowsFor<N, bound>, Fns<Body, at_least_one(bound.bodies)>,
                                       Fns<Populate, at_least_one(bound.populates)>>(Decls, bound);
    using R = RowsFor<N, n>;
    using B = Fns<Body, at_least_one(n.bodies)>;
    using P = Fns<Populate, at_least_one(n.populates)>;
    static constexpr Packed<R, B, P> packed = pack<R, B, P>(Decls);
    static constexpr R rows = packed.rows;
    static constexpr B bodies = packed.bodies;
    static constexpr P populates = packed.populates;
};

}  // namespace packing

// The packed table of a subsystem's declarations, made at compile time.
template <const auto& Decls>
constexpr Table packed_table() noexcept {
    using P = packing::Packing<Decls>;
    return Table{P::rows.text,    P::rows.offsets, P::rows.strings, P::rows.classes, std::size(Decls),
                 P::rows.attrs,   P::rows.methods, P::rows.params,  P::bodies.fns,   P::populates.fns};
}

// The whole catalog (catalog.cpp): the subsystems' tables and each class's
// entry at its place in the catalog order.
struct Place {
    std::uint8_t table;                  // in Catalog::tables
    std::uint16_t row;                   // in that table's classes
};
struct Catalog {
    const Table* const* tables;
    const Place* order;
    std::size_t nclasses;
    void (*intern_body_names)();         // the names of every subsystem's bodies
    // The place of the one record without a `definition` (kNoPlace: none),
    // whose fields a record's representation shows for an object whose class
    // has no `definition`.
    std::uint16_t bare_record;
};
extern const Catalog kCatalog;

// Builds every class of the catalog into the module dict, in catalog order.
void build_catalog(PyObject* module_dict);

// ---------------------------------------------------------------------------
// Runtime for method bodies.
//
// Errors, one convention in both modules. A Python error is the interpreter's
// error indicator; C++ code that meets one (a CPython call returned NULL or
// -1) throws PyErr, the indicator set: check, steal, borrow and check_status
// do that for a CPython result. Every function the interpreter calls (a
// method, a slot, a module function, the module's initialization) catches at
// that boundary, through guarded() or restore_error(), and returns NULL or -1
// as CPython expects. Only the noexcept helpers of paths that must not unwind
// (get_attr, set_attr, find_global, the constructors' direct paths) return
// NULL or -1 themselves; other code calls their throwing forms (get, set,
// lookup_global). No C++ exception stands for anything but an error.
struct PyErr {};

// Called in a handler: sets the Python error that the C++ exception being
// handled stands for.
inline void restore_error() noexcept {
    try {
        throw;
    } catch (const PyErr&) {
    } catch (const std::bad_alloc&) {
        PyErr_NoMemory();
    } catch (const std::exception& e) {
        PyErr_SetString(PyExc_SystemError, e.what());
    } catch (...) {
        PyErr_SetString(PyExc_SystemError, "unknown C++ exception");
    }
}

// Runs `f`; a C++ exception ends it as the Python error it stands for, and
// then the result is false (with the error indicator set).
template <class F>
bool guarded(F&& f) noexcept {
    try {
        f();
        return true;
    } catch (...) {
        restore_error();
    }
    return false;
}

inline PyObject* check(PyObject* p) {
    if (!p) throw PyErr{};
    return p;
}
inline py::object steal(PyObject* p) { return py::reinterpret_steal<py::object>(check(p)); }
inline py::object borrow(PyObject* p) { return py::reinterpret_borrow<py::object>(check(p)); }
inline void check_status(int rc) {
    if (rc < 0) throw PyErr{};
}

// The names the runtime and the builder use, interned once when the module
// initializes and only read afterwards. A subsystem's bodies add their own
// (PDI_BODY_NAMES).
#define PDI_SHARED_NAMES(X)                                                                                   \
    X(__doc__) X(__init__) X(__module__) X(__name__) X(__qualname__) X(__repr__) X(__str__) X(_decode)        \
    X(_encode) X(append) X(definition) X(di_data) X(name) X(type) X(DataItemAttribute) X(RLXDataItem)         \
    X(NorvaneSerialNumber)

#define PDI_NAME_FIELD(n) PyObject* n;
struct Names {
    PDI_SHARED_NAMES(PDI_NAME_FIELD)
    PyObject* no_args;   // the empty tuple
    PyObject* zero;      // the integer 0
    PyObject* zero_float;  // the float 0.0
    PyObject* one;       // the integer 1
};
// Made once by intern_names() when the module initializes.
extern const Names& N;
void intern_names();
// The interned str a member of Names stands for: `struct_` stands for `struct`.
PyObject* intern_name(const char* member);

// In a subsystem file, before its bodies: `N` for them, the shared names and
// those of the X-macro LIST, and intern_body_names(), which the catalog runs
// once the shared names are made.
#define PDI_BODY_NAMES(LIST)                                                                                  \
    struct BodyNames : ::pdi::Names {                                                                         \
        LIST(PDI_NAME_FIELD)                                                                                  \
    };                                                                                                        \
    BodyNames& body_names() noexcept {                                                                        \
        static BodyNames made{};                                                                              \
        return made;                                                                                          \
    }                                                                                                         \
    const BodyNames& N = body_names();                                                                        \
    void intern_body_names() {                                                                                \
        BodyNames& n = body_names();                                                                          \
        if (n.zero) return; /* a second initialization finds them made */                                    \
        LIST(PDI_INTERN_BODY_NAME)                                                                            \
        static_cast<::pdi::Names&>(n) = ::pdi::N; /* last: its `zero` marks them made */                      \
    }
#define PDI_INTERN_BODY_NAME(name) n.name = ::pdi::intern_name(#name);

// The functions every call of a method, constructor or text runs through:
// kept together in the module's code (the linker gathers them in one hot
// section), so that a call touches a few instruction cache lines rather than
// lines spread over the whole module.
#define PDI_HOT __attribute__((hot))
// A step of those calls that is always inlined into its callers.
#define PDI_INLINE inline __attribute__((always_inline))

// A method of a catalog class: the row it carries out, the class that
// defines it and the interned names its row uses. Python code reaches none of
// it: the object has no attributes but its name, qualified name, defining
// class and text signature.
struct Method {
    PyObject_HEAD
    vectorcallfunc vectorcall;
    const Table* table;        // holds the row, its parameters and its strings
    const MethodRow* row;
    const Table* owner_table;  // holds the defining class's entry
    const ClassRow* owner;
    Body body;                 // the row's hand-written body, or nullptr
    PyObject* name;      // interned
    PyObject* cls;       // the defining class, set once it exists
    PyObject* globals;   // the module dict
    PyObject* params;    // tuple of the interned parameter names
    PyObject* data;      // tuple of what the row uses, or NULL
    // A constructor that stores its arguments: how many of them it needs at
    // least when called with positional arguments only (-1: it binds them
    // the generic way).
    Py_ssize_t positional_from;
    // Such a constructor whose every value is stored as given (no serial
    // number wrapped, no new list for a default).
    bool stores_as_given;
};

// One call of a method: the method object, the bound instance (or class) and
// the arguments bound to the row's parameters (borrowed; the defaults of
// parameters left out filled in).
struct Call {
    Method* method;
    PyObject* self;
    PyObject* const* args;       // one per parameter of the row
    // The class that defines the method (for `super()` and class-held state).
    PyObject* cls() const;
    // Item i of the row's data (interned names and numbers made with the method).
    PyObject* data(Py_ssize_t i) const { return PyTuple_GET_ITEM(method->data, i); }
    // The row's parameters: how many, and the interned name of parameter i.
    Py_ssize_t nparams() const { return PyTuple_GET_SIZE(method->params); }
    PyObject* param(Py_ssize_t i) const { return PyTuple_GET_ITEM(method->params, i); }
    // A module global (or builtin), looked up now, as Python code would: a
    // caller may have rebound it. NameError when absent.
    py::object global(PyObject* name) const;
};

// `getattr(o, name)` with an interned name: a new reference, or NULL with the
// error set. The generic attribute access is called directly when the type
// uses it (it names the object and the attribute in its AttributeError, as
// PyObject_GetAttr does for any other type's).
inline PyObject* get_attr(PyObject* o, PyObject* name) noexcept {
    return Py_TYPE(o)->tp_getattro == PyObject_GenericGetAttr ? PyObject_GenericGetAttr(o, name)
                                                              : PyObject_GetAttr(o, name);
}
// `setattr(o, name, v)` with an interned name: 0, or -1 with the error set.
// The type's store is looked up for every call, as the interpreter does (a
// value's making may have changed the class).
inline int set_attr(PyObject* o, PyObject* name, PyObject* v) noexcept {
    setattrofunc store = Py_TYPE(o)->tp_setattro;
    if (store == PyObject_GenericSetAttr) return PyObject_GenericSetAttr(o, name, v);
    return store ? store(o, name, v) : PyObject_SetAttr(o, name, v);
}
inline py::object get(PyObject* o, PyObject* name) { return steal(get_attr(o, name)); }
inline void set(PyObject* o, PyObject* name, PyObject* v) { check_status(set_attr(o, name, v)); }
// A module global or builtin, as Python code finds a name; NameError when absent.
py::object lookup_global(PyObject* globals, PyObject* name);
// The same as a new reference, or NULL with the error set.
PyObject* find_global(PyObject* globals, PyObject* name) noexcept;

// `super(<defining class>, self).<name>()`.
py::object call_super(const Call& c, PyObject* name);

// `cls()`, except that when `cls` is a plain class (made by `type`, allocated
// by object) whose constructor is the body `init` of this module, that
// constructor is skipped: the caller then sets every attribute it would have
// set, in the same order, so the instance comes out the same.
py::object new_instance(PyObject* cls, Body init);

// A length as the host's len() gives it.
Py_ssize_t length(PyObject* o);
// `data[from:to]` (0 <= from, to may be PY_SSIZE_T_MAX), as the host slices
// it; a bytes object is cut directly.
py::object slice(PyObject* data, Py_ssize_t from, Py_ssize_t to);

// The attribute walk of the framework's decoding over a snapshot of the
// class's `definition`: each entry decodes from the front of `di_data`, the
// consumed bytes are cut off, the value is stored under the entry's name;
// finally `di_data` becomes None. On a failure the attributes decoded so far
// keep their values and `di_data` holds the rest.
//
// The walk asks `chunk` what each entry gets to decode; it may also decode the
// entry itself (cutting what it consumed) and then returns its value through
// `value` with nullptr as the chunk.
struct Walk {
    virtual ~Walk() = default;
    // `data` is the whole remaining payload. Returns the chunk to decode, or
    // nullptr after setting `value` itself.
    virtual py::object chunk(const Call& c, PyObject* entry, PyObject* name, PyObject* data, py::object& value) = 0;
};
void walk_decode(const Call& c, Walk& walk);
// Calls `entry._decode(chunk)`: returns the value and sets `used`, the bytes
// consumed, which must lie within the chunk.
py::object decode_entry(PyObject* entry, PyObject* name, PyObject* chunk, Py_ssize_t& used);
// Cuts the first `n` bytes off `di_data` (`data` is its current value).
void consume(PyObject* self, PyObject* data, Py_ssize_t n);

}  // namespace pdi
