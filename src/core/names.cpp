// The interned names of the runtime and the builder.
#include "core/names.hpp"

#include <string>

namespace pdi {

namespace {
constexpr std::size_t kNames = sizeof(Names) / sizeof(PyObject*);
static_assert(sizeof(Names) == kNames * sizeof(PyObject*), "Names holds object pointers only");
}  // namespace

PyObject* intern_name(const char* member) {
    // `struct` cannot name a C++ member: the member is `struct_`.
    std::string name(member);
    if (name.back() == '_' && name.front() != '_') name.pop_back();
    return check(PyUnicode_InternFromString(name.c_str()));
}

void intern_names(Names& n) {
#define PDI_INTERN(name) n.name = intern_name(#name);
    PDI_SHARED_NAMES(PDI_INTERN)
#undef PDI_INTERN
    n.zero_float = check(PyFloat_FromDouble(0.0));
    n.one = check(PyLong_FromLong(1));
    n.no_args = check(PyTuple_New(0));
    n.zero = check(PyLong_FromLong(0));
    n.empty = check(PyUnicode_New(0, 0));
    check_status(PyType_Lookup(&PyBaseObject_Type, n.__format__, &n.object_format));
}

void release_names(PyObject** first, std::size_t n) noexcept {
    for (std::size_t i = 0; i < n; ++i) Py_CLEAR(first[i]);
}

void hold_names(Names& to, const Names& from) noexcept {
    to = from;
    auto** p = reinterpret_cast<PyObject**>(&to);
    for (std::size_t i = 0; i < kNames; ++i) Py_XINCREF(p[i]);
}

}  // namespace pdi
