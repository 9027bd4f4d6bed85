// The interned names of the runtime and the builder.
#include "core/names.hpp"

#include <string>

namespace pdi {

namespace {
Names& names() noexcept {
    static Names made{};
    return made;
}
}  // namespace

const Names& N = names();

PyObject* intern_name(const char* member) {
    // `struct` cannot name a C++ member: the member is `struct_`.
    std::string name(member);
    if (name.back() == '_' && name.front() != '_') name.pop_back();
    return check(PyUnicode_InternFromString(name.c_str()));
}

void intern_names() {
    Names& n = names();
    if (n.zero) return;  // a second initialization finds them made
#define PDI_INTERN(name) n.name = intern_name(#name);
    PDI_SHARED_NAMES(PDI_INTERN)
#undef PDI_INTERN
    n.zero_float = check(PyFloat_FromDouble(0.0));
    n.one = check(PyLong_FromLong(1));
    n.no_args = check(PyTuple_New(0));
    n.zero = check(PyLong_FromLong(0));  // last: it marks the names made
}

}  // namespace pdi
