// Packed tables: the declarations (rows.hpp) as the module carries them,
// made at compile time: every string of a table once, in one text, and rows
// that name a string by its number. No row holds an address for the loader
// to relocate, the rows are a third of the size, and a shared string is
// interned once.
// It buys 3-5 % of the import against rows of pointers (bench/RESULTS.md).
#pragma once

#include "model/rows.hpp"

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <limits>
#include <string>

namespace pdi {

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
    // The names of every subsystem's bodies: a block of `names` object
    // pointers that intern_names() fills and names_of() finds a table's in
    // (the shared names for a table without names of its own).
    std::size_t names;
    void (*intern_names)(PyObject** block, const Names& shared);
    const Names& (*names_of)(PyObject* const* block, const Names& shared, const Table& t);
    // The place of the one record without a `definition` (kNoPlace: none),
    // whose fields a record's representation shows for an object whose class
    // has no `definition`.
    std::uint16_t bare_record;
};
extern const Catalog kCatalog;

}  // namespace pdi
