// The catalog: every subsystem's table in one translation unit (the .inc files are its parts, not
// headers), so that the catalog order is derived from the rows' places and checked when compiling:
// a place taken twice or left empty, or a class declared twice, does not compile.
#include "catalog/subsystem.hpp"

#include "catalog/device_control.inc"
#include "catalog/diagnostics.inc"
#include "catalog/distribution.inc"
#include "catalog/ownership.inc"
#include "catalog/radar.inc"
#include "catalog/ranging.inc"
#include "catalog/time_sync.inc"

namespace pdi {
namespace {

constexpr const Table* kTables[] = {
    &time_sync::kTable, &ranging::kTable, &radar::kTable, &ownership::kTable,
    &device_control::kTable, &distribution::kTable, &diagnostics::kTable,
};

constexpr std::size_t count_classes() noexcept {
    std::size_t n = 0;
    for (const Table* t : kTables) n += t->nclasses;
    return n;
}
constexpr std::size_t kClasses = count_classes();

struct Order {
    Place at[kClasses];
};

// Stops at the first difference: the compiler's step budget cannot pay for measuring both names.
constexpr bool same(const char* a, const char* b) noexcept {
    std::size_t i = 0;
    while (a[i] && a[i] == b[i]) ++i;
    return a[i] == b[i];
}

// Each class at its place: kClasses rows in kClasses distinct places fill them all.
constexpr Order order() {
    Order o{};
    bool taken[kClasses] = {};
    for (std::size_t t = 0; t < std::size(kTables); ++t) {
        for (std::size_t i = 0; i < kTables[t]->nclasses; ++i) {
            const ClassSpec& c = kTables[t]->classes[i];
            if (c.place >= kClasses) throw "a place beyond the catalog: they run from 0 to the classes less one";
            if (taken[c.place]) throw "two classes have one place in the catalog order";
            for (const MethodSpec& m : c.methods) {
                if (!m.returns) throw "a method row without the type of its result";
                for (const Param& q : m.params) {
                    if (!q.name || !q.type) throw "a parameter without its name or type";
                }
            }
            taken[c.place] = true;
            o.at[c.place] = Place{static_cast<std::uint8_t>(t), static_cast<std::uint16_t>(i)};
        }
    }
    for (std::size_t p = 1; p < kClasses; ++p) {
        const Place a = o.at[p];
        for (std::size_t q = 0; q < p; ++q) {
            const Place b = o.at[q];
            if (same(kTables[a.table]->classes[a.row].name, kTables[b.table]->classes[b.row].name)) {
                throw "a class declared twice";
            }
        }
    }
    return o;
}
constexpr Order kOrder = order();

constexpr std::uint16_t bare_record() {
    std::uint16_t found = kNoPlace;
    for (std::size_t p = 0; p < kClasses; ++p) {
        const ClassSpec& c = kTables[kOrder.at[p].table]->classes[kOrder.at[p].row];
        if (c.what != What::Record || !(c.flags & kNoDefinition)) continue;
        if (found != kNoPlace) throw "two records without a definition: a representation shows the fields of one";
        found = static_cast<std::uint16_t>(p);
    }
    return found;
}
constexpr std::uint16_t kBareRecord = bare_record();

// Every subsystem's names, one block of the module state.
struct BodyNamesBlock {
    device_control::BodyNames device_control;
    distribution::BodyNames distribution;
    radar::BodyNames radar;
    ranging::BodyNames ranging;
    time_sync::BodyNames time_sync;
};
constexpr std::size_t kNames = sizeof(BodyNamesBlock) / sizeof(PyObject*);
static_assert(sizeof(BodyNamesBlock) == kNames * sizeof(PyObject*), "the names are object pointers only");

void intern_names(PyObject** block, const Names& shared) {
    auto& b = *reinterpret_cast<BodyNamesBlock*>(block);
    device_control::intern_body_names(b.device_control, shared);
    distribution::intern_body_names(b.distribution, shared);
    radar::intern_body_names(b.radar, shared);
    ranging::intern_body_names(b.ranging, shared);
    time_sync::intern_body_names(b.time_sync, shared);
}

const Names& names_of(PyObject* const* block, const Names& shared, const Table& t) {
    const auto& b = *reinterpret_cast<const BodyNamesBlock*>(block);
    if (&t == &device_control::kTable) return b.device_control;
    if (&t == &distribution::kTable) return b.distribution;
    if (&t == &radar::kTable) return b.radar;
    if (&t == &ranging::kTable) return b.ranging;
    if (&t == &time_sync::kTable) return b.time_sync;
    return shared;
}

}  // namespace

const Catalog kCatalog = {kTables, kOrder.at, kClasses, kNames, intern_names, names_of, kBareRecord};

}  // namespace pdi
