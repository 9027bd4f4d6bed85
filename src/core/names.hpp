// Interned names: made when a module object is executed, held by its state.
#pragma once

#include "core/errors.hpp"

namespace pdi {

// The names the runtime and the builder use, interned by each module object into its state and only
// read afterwards; a subsystem's bodies add their own (PDI_BODY_NAMES).
#define PDI_SHARED_NAMES(X)                                                                                   \
    X(__doc__) X(__init__) X(__module__) X(__name__) X(__qualname__) X(__repr__) X(__str__) X(_decode)        \
    X(_encode) X(append) X(definition) X(di_data) X(name) X(type) X(DataItemAttribute) X(RLXDataItem)         \
    X(NorvaneSerialNumber) X(__format__)

// Every member a strong reference (NULL before it is made): released as an array of PyObject*.
#define PDI_NAME_FIELD(n) PyObject* n;
struct Names {
    PDI_SHARED_NAMES(PDI_NAME_FIELD)
    PyObject* no_args;   // the empty tuple
    PyObject* zero;      // the integer 0
    PyObject* zero_float;  // the float 0.0
    PyObject* one;       // the integer 1
    PyObject* empty;     // the empty str
    PyObject* object_format;  // object.__format__
};
void intern_names(Names& n);
// The interned str a member of Names stands for: `struct_` stands for `struct`.
PyObject* intern_name(const char* member);
// Releases `n` names from `first` on (a Names or a subsystem's BodyNames).
void release_names(PyObject** first, std::size_t n) noexcept;
// `to` holds the names of `from` (new references).
void hold_names(Names& to, const Names& from) noexcept;

// In a subsystem file, before its bodies: its BodyNames (the shared names and those of the X-macro LIST),
// made into the module state by intern_body_names(), and names(c): `const auto& N = names(c);`.
#define PDI_BODY_NAMES(LIST)                                                                                  \
    struct BodyNames : ::pdi::Names {                                                                         \
        LIST(PDI_NAME_FIELD)                                                                                  \
    };                                                                                                        \
    void intern_body_names(BodyNames& n, const ::pdi::Names& shared) {                                        \
        ::pdi::hold_names(n, shared);                                                                         \
        LIST(PDI_INTERN_BODY_NAME)                                                                            \
    }                                                                                                         \
    /* A method's names are its subsystem's (kCatalog.names_of). */                                          \
    [[maybe_unused]] const BodyNames& names(const ::pdi::Names& n) {                                          \
        return static_cast<const BodyNames&>(n); /* NOLINT(cppcoreguidelines-pro-type-static-cast-downcast) */ \
    }                                                                                                         \
    [[maybe_unused]] const BodyNames& names(const ::pdi::Call& c) { return names(c.names()); }
#define PDI_INTERN_BODY_NAME(name) n.name = ::pdi::intern_name(#name);

}  // namespace pdi
