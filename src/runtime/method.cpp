// The method object type and the one argument binder.
#include "runtime/dispatch.hpp"

#include <cstdarg>
#include <string>

namespace pdi {

void fail(PyObject* type, const char* format, ...) {
    va_list va;
    va_start(va, format);
    PyErr_FormatV(type, format, va);
    va_end(va);
    throw PyErr{};
}

namespace {

constexpr Py_ssize_t kMaxParams = 16;

Dflt param_default(const Method* m, Py_ssize_t i) {
    return i < static_cast<Py_ssize_t>(m->row->params.size()) ? m->row->params.begin()[i].dflt : Dflt::Zero;
}

// Binds the arguments as a Python signature takes them; its TypeError texts are its own (no public API gives them).
void bind(Method* m, PyObject* const* args, Py_ssize_t npos, PyObject* kwnames, PyObject** out,
          py::object& fresh) {
    const Py_ssize_t n = PyTuple_GET_SIZE(m->params);
    if (npos > n) {
        Py_ssize_t required = 0;
        while (required < n && (param_default(m, required) == Dflt::Required ||
                                param_default(m, required) == Dflt::Positional)) {
            ++required;
        }
        if (required == n) {
            fail(PyExc_TypeError, "%U() takes %zd positional arguments but %zd were given", m->name, n + 1, npos + 1);
        }
        fail(PyExc_TypeError, "%U() takes from %zd to %zd positional arguments but %zd were given", m->name,
             required + 1, n + 1, npos + 1);
    }
    for (Py_ssize_t i = 0; i < npos; ++i) out[i] = args[i];
    for (Py_ssize_t i = npos; i < n; ++i) out[i] = nullptr;
    const Py_ssize_t nkw = kwnames ? PyTuple_GET_SIZE(kwnames) : 0;
    for (Py_ssize_t k = 0; k < nkw; ++k) {
        PyObject* key = PyTuple_GET_ITEM(kwnames, k);
        Py_ssize_t i = 0;
        while (i < n && PyTuple_GET_ITEM(m->params, i) != key) ++i;
        if (i == n) {
            i = 0;
            while (i < n && !same_name(key, PyTuple_GET_ITEM(m->params, i))) ++i;
        }
        if (i >= n || param_default(m, i) == Dflt::Positional) {
            fail(PyExc_TypeError, "%U() got an unexpected keyword argument '%U'", m->name, key);
        }
        if (out[i]) fail(PyExc_TypeError, "%U() got multiple values for argument '%U'", m->name, key);
        out[i] = args[npos + k];
    }
    // The parameters left out take their defaults.
    const Param* ps = m->row->params.begin();
    const Py_ssize_t listed = static_cast<Py_ssize_t>(m->row->params.size());
    for (Py_ssize_t i = npos; i < n; ++i) {
        if (out[i]) continue;
        switch (i < listed ? ps[i].dflt : Dflt::Zero) {
            case Dflt::Required:
            case Dflt::Positional:
                fail(PyExc_TypeError, "%U() missing required argument '%U'", m->name, PyTuple_GET_ITEM(m->params, i));
            case Dflt::Zero:
                out[i] = m->names->zero;
                break;
            case Dflt::NewList:  // at most one parameter of a row (checked when the method is made)
                fresh = steal(PyList_New(0));
                out[i] = fresh.ptr();
                break;
        }
    }
}

}  // namespace

// No binding and no C++ unwinding on the way: the common call of a constructor.
PyObject* store_positional(Method* m, PyObject* self, PyObject* const* args, Py_ssize_t nargs) {
    if (m->body == record_init_body) return store_record(m, self, args, nargs) < 0 ? nullptr : Py_NewRef(Py_None);
    PyObject* names = m->params;
    const Py_ssize_t n = PyTuple_GET_SIZE(names);
    if (m->stores_as_given) return store_given(m, names, self, args, nargs) < 0 ? nullptr : Py_NewRef(Py_None);
    const Param* p = m->row->params.begin();
    for (Py_ssize_t i = 0; i < n; ++i) {
        PyObject* made = nullptr;
        if (i >= nargs && p[i].dflt == Dflt::NewList && !(made = PyList_New(0))) return nullptr;
        const int rc = set_attr(self, PyTuple_GET_ITEM(names, i), made ? made : i < nargs ? args[i] : m->names->zero);
        Py_XDECREF(made);
        if (rc < 0) return nullptr;
    }
    Py_RETURN_NONE;
}

// `run` with the arguments to bind first.
PyObject* run_binding(Method* m, PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    if (!m->globals) return PyErr_Format(PyExc_SystemError, "%U() called after its module was torn down", m->name);
    PyObject* bound[kMaxParams];
    py::object fresh;
    if (!guarded([&] { bind(m, args, nargs, kwnames, bound, fresh); })) return nullptr;
    return dispatch(m, self, bound);
}

PyObject* method_get(PyObject* self, PyObject* obj, PyObject*) {
    return !obj || obj == Py_None ? Py_NewRef(self) : PyMethod_New(self, obj);
}

namespace {

PyObject* method_vectorcall(PyObject* callable, PyObject* const* args, size_t nargsf, PyObject* kwnames) {
    Method* m = reinterpret_cast<Method*>(callable);
    const Py_ssize_t nargs = PyVectorcall_NARGS(nargsf);
    if (nargs < 1) return PyErr_Format(PyExc_TypeError, "%U() needs its bound argument", m->name);
    return run(m, args[0], args + 1, nargs - 1, kwnames);
}

int method_traverse(PyObject* self, visitproc visit, void* arg) {
    Method* m = reinterpret_cast<Method*>(self);
    Py_VISIT(Py_TYPE(self));
    Py_VISIT(m->module);
    Py_VISIT(m->cls);
    Py_VISIT(m->globals);
    Py_VISIT(m->params);
    Py_VISIT(m->data);
    return 0;
}

// Clearing the class and the module namespace breaks the method's cycles; the module and name tuples stay.
int method_clear(PyObject* self) {
    Method* m = reinterpret_cast<Method*>(self);
    Py_CLEAR(m->cls);
    Py_CLEAR(m->globals);
    return 0;
}

void method_dealloc(PyObject* self) {
    PyObject_GC_UnTrack(self);
    method_clear(self);
    Method* m = reinterpret_cast<Method*>(self);
    Py_CLEAR(m->params);
    Py_CLEAR(m->data);
    Py_CLEAR(m->name);
    Py_CLEAR(m->module);
    PyTypeObject* type = Py_TYPE(self);
    PyObject_GC_Del(self);
    Py_DECREF(type);
}

PyObject* method_repr(PyObject* self) {
    Method* m = reinterpret_cast<Method*>(self);
    return PyUnicode_FromFormat("<method '%U' of '%s' objects>", m->name, m->owner->name);
}

PyObject* get_qualname(PyObject* self, void*) {
    Method* m = reinterpret_cast<Method*>(self);
    return PyUnicode_FromFormat("%s.%U", m->owner->name, m->name);
}

PyObject* get_objclass(PyObject* self, void*) {
    PyObject* cls = reinterpret_cast<Method*>(self)->cls;
    return Py_NewRef(cls ? cls : Py_None);
}

// The type a stub gives a record constructor's parameter filling `a`.
std::string param_type(const AttrSpec& a) {
#define PDI_KIND_STUB(kind, name, stub, width) stub,
    static constexpr const char* kTypes[] = {PDI_KINDS(PDI_KIND_STUB)};
    if (a.kind == Kind::List) return std::string("list[") + a.element() + "]";
    return kTypes[static_cast<std::size_t>(a.kind)];
}

// Calls `put(name, type, default)` for each parameter after the bound one.
template <class F>
void each_param(const Method* m, F put) {
    if (m->body == record_init_body) {
        for (const AttrSpec& a : m->owner->attrs) put(a.param(), param_type(a), Dflt::Zero);
    } else {
        for (const Param& p : m->row->params) put(p.name, std::string(p.type), p.dflt);
    }
}

// "($self, /, name, other=0)" for inspect.signature() and help(); the types are in __annotations__.
PyObject* get_text_signature(PyObject* self, void*) {
    Method* m = reinterpret_cast<Method*>(self);
    std::string sig = m->row->bind == Bind::Class ? "($cls" : "($self";
    bool slash = false;
    each_param(m, [&](const char* name, const std::string&, Dflt d) {
        if (d != Dflt::Positional && !slash) {
            sig += ", /";
            slash = true;
        }
        sig += ", ";
        sig += name;
        if (d == Dflt::Zero) sig += "=0";
        if (d == Dflt::NewList) sig += "=[]";
    });
    if (!slash) sig += ", /";
    sig += ")";
    return PyUnicode_FromStringAndSize(sig.data(), static_cast<Py_ssize_t>(sig.size()));
}

// {parameter: type, "return": type}, the types as a stub writes them.
PyObject* get_annotations(PyObject* self, void*) {
    Method* m = reinterpret_cast<Method*>(self);
    PyObject* result = nullptr;
    guarded([&] {
        py::object out = steal(PyDict_New());
        each_param(m, [&](const char* name, const std::string& type, Dflt) {
            py::object t = steal(PyUnicode_FromStringAndSize(type.data(), static_cast<Py_ssize_t>(type.size())));
            check_status(PyDict_SetItemString(out.ptr(), name, t.ptr()));
        });
        py::object returns = steal(PyUnicode_FromString(m->row->returns));
        check_status(PyDict_SetItemString(out.ptr(), "return", returns.ptr()));
        result = out.release().ptr();
    });
    return result;
}

}  // namespace

// A heap type of each module object: a static type would be shared by every interpreter.
PyObject* new_method_type(PyObject* module) {
    static PyGetSetDef getset[] = {
        {"__qualname__", get_qualname, nullptr, nullptr, nullptr},
        {"__objclass__", get_objclass, nullptr, nullptr, nullptr},
        {"__text_signature__", get_text_signature, nullptr, nullptr, nullptr},
        {"__annotations__", get_annotations, nullptr, nullptr, nullptr},
        {nullptr, nullptr, nullptr, nullptr, nullptr},
    };
    static PyMemberDef members[] = {
        {"__vectorcalloffset__", Py_T_PYSSIZET, offsetof(Method, vectorcall), Py_READONLY, nullptr},
        {"__name__", Py_T_OBJECT_EX, offsetof(Method, name), Py_READONLY, nullptr},
        {nullptr, 0, 0, 0, nullptr},
    };
    static PyType_Slot slots[] = {
        {Py_tp_call, reinterpret_cast<void*>(PyVectorcall_Call)},
        {Py_tp_descr_get, reinterpret_cast<void*>(method_get)},
        {Py_tp_traverse, reinterpret_cast<void*>(method_traverse)},
        {Py_tp_clear, reinterpret_cast<void*>(method_clear)},
        {Py_tp_dealloc, reinterpret_cast<void*>(method_dealloc)},
        {Py_tp_repr, reinterpret_cast<void*>(method_repr)},
        {Py_tp_getset, getset},
        {Py_tp_members, members},
        {0, nullptr},
    };
    static PyType_Spec method_type_def = {
        "rlx.data_items.private_data_items.method", sizeof(Method), 0,
        Py_TPFLAGS_DEFAULT | Py_TPFLAGS_HAVE_GC | Py_TPFLAGS_HAVE_VECTORCALL | Py_TPFLAGS_METHOD_DESCRIPTOR |
            Py_TPFLAGS_IMMUTABLETYPE | Py_TPFLAGS_DISALLOW_INSTANTIATION,
        slots,
    };
    return check(PyType_FromModuleAndSpec(module, &method_type_def, nullptr));
}

py::object new_method(const MethodSpec& row, const Table& t, const ClassSpec& owner, const Home& home, PyObject* data,
                      Interner& intern) {
    const Body body = row.body;
    const char* owner_name = owner.name;
    const char* row_name = row.name ? row.name : "?";
    if (row.does == Does::Body && !body) fail(PyExc_SystemError, "%s.%s has no body", owner_name, row_name);
    // The parameter names, interned: a keyword argument is then usually found by identity.
    const bool record_init = body == record_init_body;
    const auto n = static_cast<Py_ssize_t>(record_init ? owner.attrs.size() : row.params.size());
    if (n > kMaxParams) fail(PyExc_SystemError, "%s.%s has too many parameters", owner_name, row_name);
    const Param* ps = row.params.begin();
    std::size_t new_lists = 0;
    for (const Param& p : row.params) new_lists += p.dflt == Dflt::NewList;
    if (new_lists > 1) fail(PyExc_SystemError, "%s.%s has more than one list default", owner_name, row_name);
    py::object params = steal(PyTuple_New(n));
    if (record_init) {
        const AttrSpec* a = owner.attrs.begin();
        for (Py_ssize_t i = 0; i < n; ++i) PyTuple_SET_ITEM(params.ptr(), i, intern.ref(a[i].param()).release().ptr());
    } else {
        for (Py_ssize_t i = 0; i < n; ++i) PyTuple_SET_ITEM(params.ptr(), i, intern.ref(ps[i].name).release().ptr());
    }
    py::object name = intern.ref(row.name);
    Method* m = PyObject_GC_New(Method, reinterpret_cast<PyTypeObject*>(home.state->method_type));
    if (!m) throw PyErr{};
    m->vectorcall = method_vectorcall;
    m->row = &row;
    m->owner = &owner;
    // A bit-field accessor or a builder runs the runtime's own body.
    m->body = row.does == Does::Body ? body : row.does == Does::Append ? run_append : run_bitfield;
    m->name = name.release().ptr();
    m->cls = nullptr;
    m->globals = Py_NewRef(home.globals);
    m->params = params.release().ptr();
    m->data = Py_XNewRef(data);
    m->module = Py_NewRef(home.module);
    m->names = &kCatalog.names_of(home.state->body_names, home.state->names, t);
    m->positional_from = -1;
    m->stores_as_given = false;
    if (record_init) {
        m->positional_from = 0;
        m->stores_as_given = true;
        for (const AttrSpec& a : owner.attrs) m->stores_as_given = m->stores_as_given && !(a.flags & kWrapSerial);
    } else if (body == store_params_body) {
        m->positional_from = n;
        while (m->positional_from > 0 && ps[m->positional_from - 1].dflt != Dflt::Required &&
               ps[m->positional_from - 1].dflt != Dflt::Positional) {
            --m->positional_from;
        }
        m->stores_as_given = new_lists == 0;
    }
    PyObject_GC_Track(m);
    return steal(reinterpret_cast<PyObject*>(m));
}

void set_defining_class(PyObject* method, PyObject* cls) {
    Py_XSETREF(reinterpret_cast<Method*>(method)->cls, Py_NewRef(cls));
}

}  // namespace pdi
