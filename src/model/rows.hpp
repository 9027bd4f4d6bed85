// The rows that declare the catalog: one ClassSpec per class (place in the catalog order, name, kind, type
// code, documentation string, layout as AttrSpec, methods as MethodSpec). A method row is a recurring
// behaviour the runtime carries out from its data alone, or names a hand-written body. Each catalog/*.inc
// holds one table; the builder and the runtime read the rows as they stand.
#pragma once

#include "core/errors.hpp"

#include <cstddef>
#include <cstdint>
#include <initializer_list>

namespace pdi {

// A kind's bytes on the wire where its row does not give a number.
constexpr int kRest = -1, kFramework = -2, kLength = -3, kPacked = -4;

// The attribute kinds, one row each: the enumerator; the class the framework (DIDomainInfoAttr: this module)
// binds it under, resolved by name as a class body would; the type a stub gives a record constructor's
// parameter of it (a list's: of its element class, AttrSpec::element); its bytes on the wire: a number, or
// the rest of the payload, the framework kind's own choice, AttrSpec::length, the record it packs.
#define PDI_KINDS(X)                                                                                                   \
    X(U8, "DIUInt8Attr", "int", 1) X(U16, "DIUInt16Attr", "int", 2) X(U32, "DIUInt32Attr", "int", 4)                   \
    X(U64, "DIUInt64Attr", "int", 8) X(I8, "DIInt8Attr", "int", 1) X(I16, "DIInt16Attr", "int", 2)                     \
    X(I32, "DIInt32Attr", "int", 4) X(I64, "DIInt64Attr", "int", 8) X(Float, "DIFloatAttr", "float", 4)                \
    X(Double, "DIDoubleAttr", "float", 8) X(Serial, "DISerialNumberAttr", "int | NorvaneSerialNumber", 4)             \
    X(SerialList, "DISerialNumberListAttr", "list[NorvaneSerialNumber]", kRest)                                      \
    X(U16List, "DIUInt16ListAttr", "list[int]", kRest) X(List, "DIListAttr", nullptr, kRest)                          \
    X(FixedBytes, "DIFixedLengthBytesAttr", "bytes", kLength) X(FixedStr, "DIFixedLengthStrAttr", "str", kLength)      \
    X(VarBytes, "DIVariableLengthBytesAttr", "bytes", kRest) X(VarStr, "DIVariableLengthStrAttr", "str", kRest)        \
    X(Bool, "DIBoolAttr", "bool", kFramework) X(SignalStrength, "DISignalStrengthAttr", "int", kFramework)             \
    X(CondensedSignalStrength, "DICondensedSignalStrengthAttr", "int", kFramework)                                    \
    X(RxStats, "DIRxStatsAttribute", "tuple[int, int, int, int]", kFramework)                                        \
    X(DomainInfo, "DIDomainInfoAttr", "DomainInformation", kPacked)
#define PDI_KIND_ENUMERATOR(kind, name, stub, width) kind,
enum class Kind : std::uint8_t { PDI_KINDS(PDI_KIND_ENUMERATOR) Count_ };

// Record constructor flag: store the argument wrapped as NorvaneSerialNumber(value).
constexpr std::uint8_t kWrapSerial = 1;

// A layout row.
struct AttrSpec {
    const char* name;
    // List: the element class (an earlier class); else the record constructor's parameter, if not `name`.
    const char* extra = nullptr;
    Kind kind;
    std::uint8_t flags = 0;          // kWrapSerial
    std::uint16_t length = 0;        // FixedBytes / FixedStr

    constexpr AttrSpec(const char* n, Kind k, std::uint16_t len = 0, const char* x = nullptr,
                       std::uint8_t f = 0) noexcept
        : name(n), extra(x), kind(k), flags(f), length(len) {}

    constexpr const char* element() const noexcept { return kind == Kind::List ? extra : nullptr; }
    // The name of the record constructor's parameter that fills this field.
    constexpr const char* param() const noexcept { return kind != Kind::List && extra ? extra : name; }
};

// Shorthands for the table rows.
constexpr AttrSpec attr(const char* name, Kind k) noexcept { return AttrSpec{name, k}; }
constexpr AttrSpec list_of(const char* name, const char* element) noexcept { return {name, Kind::List, 0, element}; }
constexpr AttrSpec fixed_bytes(const char* name, std::uint16_t n) noexcept { return {name, Kind::FixedBytes, n}; }
constexpr AttrSpec fixed_str(const char* name, std::uint16_t n) noexcept { return {name, Kind::FixedStr, n}; }
// A serial number that a record constructor stores as NorvaneSerialNumber(value).
constexpr AttrSpec wrapped_serial(const char* name, const char* param = nullptr) noexcept {
    return AttrSpec{name, Kind::Serial, 0, param, kWrapSerial};
}
// A record field filled from a constructor parameter of another name (never a list's: does not compile).
constexpr AttrSpec renamed(AttrSpec a, const char* param) {
    if (a.kind == Kind::List) throw "a list attribute cannot be renamed: its row names the element class";
    a.extra = param;
    return a;
}

// Method rows.

// A parameter after the bound instance (or class): its name, its type in a stub, and its default.
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
// A row's parameters: a named static array (a braced list would not outlive the table's initialization).
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
struct Names;
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
// A constructor storing each argument under its parameter's name, in order (defaults for the rest).
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
// Count-bounded list: the item's `_encode` sets every count to its list's length, then returns the
// framework's encoding; its `_decode` walks `definition` and hands each bounded list at most
// count * element_size bytes of the remaining payload. element_size 0: recounted, never bounded.
constexpr MethodSpec counted(const char* list, const char* count, Py_ssize_t element_size) noexcept {
    return MethodSpec{nullptr, Does::Counted, Bind::Instance, "None", {}, nullptr, nullptr, -1, 0,
                      list, nullptr, count, element_size};
}

// The parameter of the builders that wrap a serial number.
inline constexpr Param kSerialParam[] = {{"serial_number", "int | NorvaneSerialNumber", Dflt::Required}};

// Classes.
enum class What : std::uint8_t { Item, Record, AttrKind };

constexpr std::uint8_t kNoDefinition = 1;   // class declares no `definition`
constexpr std::uint8_t kNoRecordInit = 2;   // record without the generic constructor
constexpr std::uint8_t kNoRecordStr = 4;    // record without the generic rendering

// `names`: those of the class's subsystem.
using Populate = void (*)(PyObject* ns, const Names& names);

struct ClassSpec {
    // In the catalog order: the places of all tables are 0, 1, ... once each, or it does not compile.
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

// A subsystem's table of rows.
struct Table {
    const ClassSpec* classes;
    std::size_t nclasses;
};

inline constexpr std::uint16_t kNoPlace = 0xFFFF;  // not in the catalog order

// The whole catalog (catalog.cpp): the subsystems' tables and each class's entry in catalog order.
struct Place {
    std::uint8_t table;                  // in Catalog::tables
    std::uint16_t row;                   // in that table's classes
};
struct Catalog {
    const Table* const* tables;
    const Place* order;
    std::size_t nclasses;
    // The names of every subsystem's bodies: a block of `names` object pointers that intern_names()
    // fills and names_of() finds a table's in (the shared names for a table without its own).
    std::size_t names;
    void (*intern_names)(PyObject** block, const Names& shared);
    const Names& (*names_of)(PyObject* const* block, const Names& shared, const Table& t);
    // The place of the one record without a `definition` (kNoPlace: none): a record's representation
    // shows its fields for an object whose class has no `definition`.
    std::uint16_t bare_record;
};
extern const Catalog kCatalog;

}  // namespace pdi
