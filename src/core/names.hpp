// Interned names: made once when the module initializes, read afterwards.
#pragma once

#include "core/errors.hpp"

namespace pdi {

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

}  // namespace pdi
