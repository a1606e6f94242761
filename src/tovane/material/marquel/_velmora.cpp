// _velmora: a sort/filter proxy model that orders text naturally.
//
//     import re
//     from PySide6.QtCore import QSortFilterProxyModel
//
//     def _human_key(key):
//         parts = re.split(r"(\d*\.\d+|\d+)", key)
//         return tuple(e.swapcase() if i % 2 == 0 else float(e) for i, e in enumerate(parts))
//
//     class HumanProxyModel(QSortFilterProxyModel):
//         def lessThan(self, source_left, source_right):
//             data_left = source_left.data()
//             data_right = source_right.data()
//             if type(data_left) == type(data_right) == str:
//                 return _human_key(data_left) < _human_key(data_right)
//             return super().lessThan(source_left, source_right)
//
//         @property
//         def filters(self):
//             if not hasattr(self, "_filters"):
//                 self._filters = []
//             return self._filters
//
//         @filters.setter
//         def filters(self, value):
//             self._filters = value
//             self.invalidateFilter()
//
//         def filterAcceptsRow(self, sourceRow, sourceParent):
//             for column, text in self.filters:
//                 if 0 <= column < self.columnCount():  # see root_column_count
//                     ix = self.sourceModel().index(sourceRow, column, sourceParent)
//                     data = ix.data()
//                     if not _supports_in(data):        # see cell_contains
//                         data = "" if data is None else str(data)
//                     if self.filterCaseSensitivity() == Qt.CaseInsensitive and <both are str>:
//                         text, data = text.casefold(), data.casefold()
//                     if text not in data:
//                         return False
//             return True
//
// The split and the key are done here natively, with the regular
// expression's own rules: `\d` is any Unicode decimal digit, `.` the full
// stop.  lessThan compares two strings in place, part by part, without
// building either key; it falls back to comparing the two key tuples whenever
// the in-place walk cannot be exact (see compare_text and natural_less).
#include "kit/kit.hpp"
#include "kit/natural.hpp"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>

namespace {

using namespace kit;

// --- characters ----------------------------------------------------------

using natural::digit_value;
using natural::is_digit;
using natural::next_number;
using natural::number_value;
using natural::Span;

inline Py_UCS4 ascii_swapcase(Py_UCS4 c) {
    return ((c | 0x20) >= 'a' && (c | 0x20) <= 'z') ? (c ^ 0x20) : c;
}

constexpr Py_UCS4 kCapitalSigma = 0x3A3;
// Marks a character whose swapcase is not one context-free code point.
constexpr Py_UCS4 kComplex = 0xFFFFFFFF;

// chr(c).swapcase() as one code point, or kComplex when it is several
// ('ß' -> 'SS', 'ﬁ' -> 'FI', 'İ' -> 'i̇') or depends on the neighbours (the
// capital sigma, which becomes 'ς' at the end of a word and 'σ' elsewhere).
//
// str.swapcase leaves characters that are neither upper nor lower case as
// they are; for the others the full case mapping is not in the public C API,
// so it is asked of str.swapcase once per character and remembered.  The
// answer depends only on the character, so the table never changes a result.
Py_UCS4 swapcase_char(Py_UCS4 c) {
    if (c < 128) return ascii_swapcase(c);
    if (c == kCapitalSigma) return kComplex;
    if (!Py_UNICODE_ISUPPER(c) && !Py_UNICODE_ISLOWER(c)) return c;

    // Pages of 256 code points, allocated when first touched; 0 = not known
    // yet (no cased character maps to U+0000).
    static std::unique_ptr<Py_UCS4[]> pages[(0x10FFFF >> 8) + 1];
    std::unique_ptr<Py_UCS4[]>& page = pages[c >> 8];
    if (!page) page.reset(new Py_UCS4[256]());
    Py_UCS4& slot = page[c & 0xFF];
    if (!slot) {
        Ref ch = Ref::steal(PyUnicode_FromOrdinal(static_cast<int>(c)));
        Ref swapped = call_method(ch, KIT_STR("swapcase"));
        slot = PyUnicode_GET_LENGTH(swapped) == 1 ? PyUnicode_READ_CHAR(swapped.get(), 0) : kComplex;
    }
    return slot;
}

// --- the key ---------------------------------------------------------------

// s[a:b].swapcase()
template <class C>
Ref text_part(PyObject* s, const C* data, Py_ssize_t a, Py_ssize_t b) {
    bool ascii = true;
    for (Py_ssize_t i = a; i < b && ascii; i++) ascii = data[i] < 128;
    if (ascii) {
        Ref part = Ref::steal(PyUnicode_New(b - a, 127));
        Py_UCS1* out = PyUnicode_1BYTE_DATA(part.get());
        for (Py_ssize_t i = a; i < b; i++) out[i - a] = static_cast<Py_UCS1>(ascii_swapcase(data[i]));
        return part;
    }
    Ref sub = Ref::steal(PyUnicode_Substring(s, a, b));
    return call_method(sub, KIT_STR("swapcase"));
}

template <class C>
Ref human_key_of(PyObject* s, const C* data, Py_ssize_t n) {
    Py_ssize_t numbers = 0;
    for (Span m = next_number(data, 0, n); m.start < n; m = next_number(data, m.end, n)) numbers++;
    Ref key = Ref::steal(PyTuple_New(2 * numbers + 1));
    Py_ssize_t pos = 0, k = 0;
    for (;;) {
        Span m = next_number(data, pos, n);
        PyTuple_SET_ITEM(key.get(), k++, text_part(s, data, pos, m.start).release());
        if (m.start == n) break;
        PyTuple_SET_ITEM(key.get(), k++, real(number_value(data, m.start, m.end)).release());
        pos = m.end;
    }
    return key;
}

// _human_key(s) for a str (or a subclass: the split reads the characters).
Ref human_key_str(PyObject* s) {
    Py_ssize_t n = PyUnicode_GET_LENGTH(s);
    switch (PyUnicode_KIND(s)) {
        case PyUnicode_1BYTE_KIND: return human_key_of(s, PyUnicode_1BYTE_DATA(s), n);
        case PyUnicode_2BYTE_KIND: return human_key_of(s, PyUnicode_2BYTE_DATA(s), n);
        default: return human_key_of(s, PyUnicode_4BYTE_DATA(s), n);
    }
}

// Anything else is what the definition makes of it: re.split raises the
// TypeError (its own message for ints, bytes-like objects, ...).
Ref human_key_other(PyObject* key) {
    Ref parts = call_method(KIT_GLOBAL("re"), KIT_STR("split"), KIT_STR(R"((\d*\.\d+|\d+))"), key);
    Ref out = new_list();
    bool text = true;
    for (Ref e : iterate(parts)) {
        Ref v = text ? call_method(e, KIT_STR("swapcase"))
                     : call(reinterpret_cast<PyObject*>(&PyFloat_Type), e.get());
        append(out, v);
        text = !text;
    }
    return Ref::steal(PyList_AsTuple(out));
}

Ref human_key(PyObject* key) { return PyUnicode_Check(key) ? human_key_str(key) : human_key_other(key); }

// def _human_key(key): (above)
const Def _human_key{"def _human_key(key)", [](PyObject* key) { return human_key(key); }};

// _human_key(a) < _human_key(b)
bool keys_less(PyObject* a, PyObject* b) {
    Ref ka = human_key(a);
    Ref kb = human_key(b);
    return check(PyObject_RichCompareBool(ka, kb, Py_LT)) != 0;
}

// --- comparing in place ----------------------------------------------------

enum Order { Less, Equal, Greater, Undecided };

// Compare l[la:lb].swapcase() with r[ra:rb].swapcase() by code point.
// Characters equal on both sides give equal output (only the capital sigma
// depends on its neighbours), so only the first differing pair is mapped;
// when either of them has no single-code-point swapcase the walk gives up.
template <class CL, class CR>
Order compare_text(const CL* l, Py_ssize_t la, Py_ssize_t lb, const CR* r, Py_ssize_t ra, Py_ssize_t rb) {
    for (;; la++, ra++) {
        if (la == lb) return ra == rb ? Equal : Less;  // a proper prefix sorts first
        if (ra == rb) return Greater;
        Py_UCS4 x = l[la], y = r[ra];
        if (x == y && x != kCapitalSigma) continue;
        x = swapcase_char(x);
        y = swapcase_char(y);
        if (x == kComplex || y == kComplex) return Undecided;
        if (x != y) return x < y ? Less : Greater;
    }
}

// The order of the two keys, walking both strings part by part: the text
// parts by code point after the case swap, the numbers by their float value.
// When one key runs out first it is a prefix of the other, so it sorts first.
template <class CL, class CR>
Order compare_inplace(const CL* l, Py_ssize_t nl, const CR* r, Py_ssize_t nr) {
    Py_ssize_t pl = 0, pr = 0;
    for (;;) {
        Span ml = next_number(l, pl, nl);
        Span mr = next_number(r, pr, nr);
        Order text = compare_text(l, pl, ml.start, r, pr, mr.start);
        if (text != Equal) return text;
        bool more_l = ml.start < nl, more_r = mr.start < nr;
        if (!more_l || !more_r) return more_l == more_r ? Equal : (more_l ? Greater : Less);
        double vl = number_value(l, ml.start, ml.end);
        double vr = number_value(r, mr.start, mr.end);
        if (vl != vr) return vl < vr ? Less : Greater;
        pl = ml.end;
        pr = mr.end;
    }
}

template <class CL>
Order compare_with(const CL* l, Py_ssize_t nl, PyObject* r) {
    Py_ssize_t nr = PyUnicode_GET_LENGTH(r);
    switch (PyUnicode_KIND(r)) {
        case PyUnicode_1BYTE_KIND: return compare_inplace(l, nl, PyUnicode_1BYTE_DATA(r), nr);
        case PyUnicode_2BYTE_KIND: return compare_inplace(l, nl, PyUnicode_2BYTE_DATA(r), nr);
        default: return compare_inplace(l, nl, PyUnicode_4BYTE_DATA(r), nr);
    }
}

// _human_key(a) < _human_key(b) for two str objects.
bool natural_less(PyObject* a, PyObject* b) {
    Py_ssize_t na = PyUnicode_GET_LENGTH(a);
    Order o;
    switch (PyUnicode_KIND(a)) {
        case PyUnicode_1BYTE_KIND: o = compare_with(PyUnicode_1BYTE_DATA(a), na, b); break;
        case PyUnicode_2BYTE_KIND: o = compare_with(PyUnicode_2BYTE_DATA(a), na, b); break;
        default: o = compare_with(PyUnicode_4BYTE_DATA(a), na, b); break;
    }
    if (o == Undecided) return keys_less(a, b);
    return o == Less;
}

// type(a) == type(b) == str, for values that are not both exact str (a
// metaclass may define its own ==).
bool types_equal_str(PyObject* a, PyObject* b) {
    PyObject* ta = reinterpret_cast<PyObject*>(Py_TYPE(a));
    PyObject* tb = reinterpret_cast<PyObject*>(Py_TYPE(b));
    return eq(ta, tb) && eq(tb, reinterpret_cast<PyObject*>(&PyUnicode_Type));
}

// --- HumanProxyModel -------------------------------------------------------

// obj.name(*args) for the Qt objects of the hot paths.
//
// Shiboken's attribute lookup builds a bound method object for every call.
// When the lookup is Shiboken's or PySide's own, the name is found on the type
// as a method of the binding and the instance's __dict__ does not hide it,
// that lookup would end in the same method: it is called directly with obj.
// Anything else goes through the attribute, as Python does.
bool binding_getattro(getattrofunc f) {
    // Shiboken.Object's and PySide's QObject's lookups.
    static getattrofunc known[2] = {nullptr, nullptr};
    if (!known[0]) {
        known[0] = reinterpret_cast<PyTypeObject*>(module_attr("PySide6.QtCore", "QModelIndex").get())->tp_getattro;
        known[1] = reinterpret_cast<PyTypeObject*>(module_attr("PySide6.QtCore", "QObject").get())->tp_getattro;
    }
    return f == known[0] || f == known[1];
}

// The method of the binding that obj.name would end in, or NULL (borrowed;
// the type keeps it).
PyObject* binding_method(PyObject* obj, PyObject* name) {
    PyTypeObject* type = Py_TYPE(obj);
    if (!binding_getattro(type->tp_getattro)) return nullptr;
    if (type->tp_dictoffset <= 0 || (type->tp_flags & Py_TPFLAGS_MANAGED_DICT)) return nullptr;
    PyObject* method = type_lookup(type, name);
    if (!method || !Py_IS_TYPE(method, &PyMethodDescr_Type)) return nullptr;
    PyObject* dict = instance_dict(obj);
    if (dict && check(PyDict_Contains(dict, name))) return nullptr;
    return method;
}

template <class... A>
Ref call_binding(PyObject* obj, PyObject* name, const A&... args) {
    if (PyObject* method = binding_method(obj, name)) {
        Ref keep = Ref::borrow(method);
        PyObject* argv[] = {obj, static_cast<PyObject*>(args)...};
        return Ref::steal(PyObject_Vectorcall(method, argv, 1 + sizeof...(A), nullptr));
    }
    return call_method(obj, name, args...);
}

// --- sorting -----------------------------------------------------------------

using natural::Case;

// _human_key(a) < _human_key(b), or the same of the case-folded keys.
bool keys_less(PyObject* a, PyObject* b, Case mode) {
    if (mode == Case::Swap) return keys_less(a, b);
    std::string ka, kb;
    natural::append_key(ka, a, Case::Fold);
    natural::append_key(kb, b, Case::Fold);
    return ka < kb;
}

// Qt.CaseSensitivity.CaseInsensitive
PyObject* case_insensitive() {
    return KIT_CACHED(member(module_attr("PySide6.QtCore", "Qt"), "CaseSensitivity", "CaseInsensitive"));
}

// Which text order lessThan keeps: the proxy's sortCaseSensitivity,
// Qt.CaseSensitive (the default: _human_key's order) or Qt.CaseInsensitive
// (the keys' text case-folded).
Case text_order(PyObject* self) {
    return call_binding(self, KIT_STR("sortCaseSensitivity")).get() == case_insensitive() ? Case::Fold : Case::Swap;
}

// What lessThan learns of one source row of the sorted column during a sort
// pass: its display value, and for the values compared here, what they are
// compared by.  Qt's own comparison (the base class's lessThan) orders two
// ints that fit in 32 bits by value and two floats as doubles; every other
// pair of types goes to it, as before.
struct RowValue {
    enum Kind : std::uint8_t { Unknown, Text, Int, Float, Other } kind = Unknown;
    std::int64_t i = 0;
    double d = 0;
    std::string key;  // Text: the bytes of the natural key
    Ref value;
};

// One sort of a proxy, while its sort() or its filters setter runs Qt's
// machinery: Qt asks lessThan once per comparison (n log n times), and each
// row's display value and key are made once, on first need, instead of twice
// per comparison.  The source cannot change while Qt sorts; the pass ends
// with the call that opened it.  It serves the indexes of one column of one
// flat (table or list) source model, the first it sees; any other index is
// compared as outside a pass.
struct SortPass {
    PyObject* proxy;  // borrowed: the pass lives inside a call on it
    Case mode = Case::Swap;
    Ref model;
    long long column = -1;
    bool usable = true;
    std::vector<RowValue> rows;
};

std::vector<SortPass*>& passes() {
    static std::vector<SortPass*> open;
    return open;
}

class OpenSortPass {
public:
    explicit OpenSortPass(PyObject* proxy) {
        pass_.proxy = proxy;
        pass_.mode = text_order(proxy);
        passes().push_back(&pass_);
    }
    ~OpenSortPass() { std::erase(passes(), &pass_); }
    OpenSortPass(const OpenSortPass&) = delete;
    OpenSortPass& operator=(const OpenSortPass&) = delete;

private:
    SortPass pass_;
};

SortPass* pass_of(PyObject* proxy) {
    for (auto it = passes().rbegin(); it != passes().rend(); ++it)
        if ((*it)->proxy == proxy) return *it;
    return nullptr;
}

// Whether a pass serves this index, learning its model and column from the
// first; the row, when it does.
bool serves(SortPass& pass, PyObject* index, long long& row) {
    if (!pass.usable) return false;
    Ref model = call_binding(index, KIT_STR("model"));
    const long long column = as_long(call_binding(index, KIT_STR("column")));
    if (!pass.model) {
        PyObject* flat[] = {KIT_CACHED(module_attr("PySide6.QtCore", "QAbstractTableModel")),
                            KIT_CACHED(module_attr("PySide6.QtCore", "QAbstractListModel"))};
        pass.usable = isinstance(model, flat[0]) || isinstance(model, flat[1]);
        pass.model = model;
        pass.column = column;
        if (!pass.usable) return false;
    }
    if (model.get() != pass.model.get() || column != pass.column) return false;
    row = as_long(call_binding(index, KIT_STR("row")));
    return row >= 0;
}

// The value of a row (its slot made before: see lessThan).
RowValue& row_value(SortPass& pass, long long row, PyObject* index) {
    RowValue& v = pass.rows[static_cast<std::size_t>(row)];
    if (v.kind != RowValue::Unknown) return v;
    v.value = call_binding(index, KIT_STR("data"));
    PyObject* data = v.value.get();
    if (PyUnicode_CheckExact(data)) {
        natural::append_key(v.key, data, pass.mode);
        v.kind = RowValue::Text;
    } else if (PyLong_CheckExact(data)) {
        int overflow = 0;
        const long long i = PyLong_AsLongLongAndOverflow(data, &overflow);
        if (i == -1 && PyErr_Occurred()) throw_error();
        v.kind = !overflow && i >= INT32_MIN && i <= INT32_MAX ? RowValue::Int : RowValue::Other;
        v.i = i;
    } else if (PyFloat_CheckExact(data)) {
        v.kind = RowValue::Float;
        v.d = PyFloat_AS_DOUBLE(data);
    } else {
        v.kind = RowValue::Other;
    }
    return v;
}

// lessThan on the values of a pass: the same answer as without one.
enum Answer { No, Yes, AskQt };
Answer pass_less(const RowValue& l, const RowValue& r, Case mode) {
    if (l.kind == RowValue::Text && r.kind == RowValue::Text) return l.key < r.key ? Yes : No;
    if (l.kind == RowValue::Int && r.kind == RowValue::Int) return l.i < r.i ? Yes : No;
    if (l.kind == RowValue::Float && r.kind == RowValue::Float) return l.d < r.d ? Yes : No;
    if (types_equal_str(l.value, r.value)) return keys_less(l.value, r.value, mode) ? Yes : No;
    return AskQt;
}

// def lessThan(self, source_left, source_right):
//     data_left = source_left.data()
//     data_right = source_right.data()
//     if type(data_left) == type(data_right) == str:
//         return _human_key(data_left) < _human_key(data_right)   # case-folded keys under
//     return super().lessThan(source_left, source_right)           # Qt.CaseInsensitive
//
// Inside a sort pass (above) each row's value is asked once.
const Def HumanProxyModel_lessThan{
    "def lessThan(self, source_left, source_right)",
    [](const Frame& f, PyObject* self, PyObject* source_left, PyObject* source_right) {
        if (SortPass* pass = pass_of(self)) {
            long long left_row = 0, right_row = 0;
            if (serves(*pass, source_left, left_row) && serves(*pass, source_right, right_row)) {
                // Both slots first: growing the table moves the values.
                const auto needed = static_cast<std::size_t>(std::max(left_row, right_row)) + 1;
                if (pass->rows.size() < needed) pass->rows.resize(needed);
                const RowValue& l = row_value(*pass, left_row, source_left);
                const RowValue& r = row_value(*pass, right_row, source_right);
                const Answer answer = pass_less(l, r, pass->mode);
                if (answer != AskQt) return boolean(answer == Yes);
                return call_method(f.super(self), KIT_STR("lessThan"), source_left, source_right);
            }
        }
        Ref data_left = call_binding(source_left, KIT_STR("data"));
        Ref data_right = call_binding(source_right, KIT_STR("data"));
        const Case mode = text_order(self);
        if (PyUnicode_CheckExact(data_left.get()) && PyUnicode_CheckExact(data_right.get()))
            return boolean(mode == Case::Swap ? natural_less(data_left, data_right)
                                              : keys_less(data_left, data_right, mode));
        if (types_equal_str(data_left, data_right)) return boolean(keys_less(data_left, data_right, mode));
        return call_method(f.super(self), KIT_STR("lessThan"), source_left, source_right);
    }};

// def sort(self, column, order=None):
//     with <a sort pass of self>:
//         if order is None:
//             super().sort(column)
//         else:
//             super().sort(column, order)
const Def HumanProxyModel_sort{
    "def sort(self, column, order=None)", [](const Frame& f, PyObject* self, PyObject* column, PyObject* order) {
        Ref checked = qt_int(column);  // before Qt's int parameter takes it
        OpenSortPass pass(self);
        if (order == Py_None) call(f.super_attr(self, KIT_STR("sort")), checked);
        else call(f.super_attr(self, KIT_STR("sort")), checked, order);
    },
    {.doc = "Sort by column (ascending unless order says otherwise), each row's value asked once."}};

// @property
// def filters(self):
//     if not hasattr(self, "_filters"):
//         self._filters = []
//     return self._filters
const Def HumanProxyModel_filters{"def filters(self)", [](PyObject* self) {
                                      if (!hasattr(self, KIT_STR("_filters")))
                                          setattr(self, KIT_STR("_filters"), new_list());
                                      return getattr(self, KIT_STR("_filters"));
                                  }};

// @filters.setter
// def filters(self, value):
//     with <a sort pass of self>:          # the re-sort after the filter, if sorted
//         if hasattr(QSortFilterProxyModel, "beginFilterChange"):
//             self.beginFilterChange()
//             self._filters = value
//             self.endFilterChange()
//         else:                             # Qt before 6.10
//             self._filters = value
//             self.invalidateFilter()
//
// (Qt 6.10 deprecates invalidateFilter for the begin/end pair, which
// re-filters rows and columns as it does.)
const Def HumanProxyModel_filters_setter{
    "def filters(self, value)", [](PyObject* self, PyObject* value) {
        OpenSortPass pass(self);
        static const bool paired = hasattr(KIT_GLOBAL("QSortFilterProxyModel"), KIT_STR("beginFilterChange"));
        if (paired) {
            call_method(self, KIT_STR("beginFilterChange"));
            setattr(self, KIT_STR("_filters"), value);
            call_method(self, KIT_STR("endFilterChange"));
        } else {
            setattr(self, KIT_STR("_filters"), value);
            call_method(self, KIT_STR("invalidateFilter"));
        }
    }};

// column, text = item  (with the interpreter's unpacking errors)
void unpack_pair(PyObject* item, Ref& first, Ref& second) {
    if ((PyTuple_CheckExact(item) || PyList_CheckExact(item)) && Py_SIZE(item) == 2) {
        PyObject* const* items = PyTuple_CheckExact(item) ? &PyTuple_GET_ITEM(item, 0) : &PyList_GET_ITEM(item, 0);
        first = Ref::borrow(items[0]);
        second = Ref::borrow(items[1]);
        return;
    }
    Ref it = Ref::steal_or_null(PyObject_GetIter(item));
    if (!it) {
        if (PyErr_ExceptionMatches(PyExc_TypeError) && !Py_TYPE(item)->tp_iter && !PySequence_Check(item)) {
            PyErr_Clear();
            raisef(PyExc_TypeError, "cannot unpack non-iterable %.200s object", Py_TYPE(item)->tp_name);
        }
        throw_error();
    }
    Ref* targets[] = {&first, &second};
    for (int i = 0; i < 2; i++) {
        *targets[i] = Ref::steal_or_null(PyIter_Next(it));
        if (!*targets[i]) {
            if (!PyErr_Occurred()) raisef(PyExc_ValueError, "not enough values to unpack (expected 2, got %d)", i);
            throw_error();
        }
    }
    if (Ref extra = Ref::steal_or_null(PyIter_Next(it)))
        raise(PyExc_ValueError, "too many values to unpack (expected 2)");
    if (PyErr_Occurred()) throw_error();
}

// Qt's QSortFilterProxyModel.columnCount, .sourceModel and
// .filterAcceptsColumn, as the base class's MRO holds them.
enum QtMethod { ColumnCount, SourceModel, FilterAcceptsColumn };

PyObject* qt_method_name(QtMethod which) {
    switch (which) {
        case ColumnCount: return KIT_STR("columnCount");
        case SourceModel: return KIT_STR("sourceModel");
        case FilterAcceptsColumn: break;
    }
    return KIT_STR("filterAcceptsColumn");
}

PyObject* qt_method(QtMethod which) {
    auto lookup = [](QtMethod w) {
        Ref cls = KIT_GLOBAL("QSortFilterProxyModel");
        auto base = reinterpret_cast<PyTypeObject*>(cls.get());
        PyObject* method = type_lookup(base, qt_method_name(w));
        if (!method) raisef(PyExc_AttributeError, "QSortFilterProxyModel has no %U", qt_method_name(w));
        return Ref::borrow(method);
    };
    switch (which) {
        case ColumnCount: return KIT_CACHED(lookup(ColumnCount));
        case SourceModel: return KIT_CACHED(lookup(SourceModel));
        case FilterAcceptsColumn: break;
    }
    return KIT_CACHED(lookup(FilterAcceptsColumn));
}

// Whether attribute lookup on the proxy still ends at Qt's method: its class
// keeps it and the instance does not shadow it.
bool keeps_qt(PyObject* self, QtMethod which) { return finds_method(self, qt_method_name(which), qt_method(which)); }

// An invalid QModelIndex, the root of every model (QModelIndex() in Python).
PyObject* root_index() {
    return KIT_CACHED(call(module_attr("PySide6.QtCore", "QModelIndex")));
}

// model.columnCount(QModelIndex()).  QAbstractListModel's own columnCount is
// private in C++, and PySide refuses to call it; it answers 1 at the root.  A
// method of the binding is called without the argument, whose C++ default is
// that same root index (the call converts no index).
Ref source_root_columns(PyObject* model) {
    PyObject* list_column_count = KIT_CACHED(getattr(
        module_attr("PySide6.QtCore", "QAbstractListModel"),
        KIT_STR("columnCount")));
    PyObject* name = KIT_STR("columnCount");
    if (type_lookup(Py_TYPE(model), name) == list_column_count) return integer(1);
    if (PyObject* method = binding_method(model, name)) {
        Ref keep = Ref::borrow(method);
        return Ref::steal(PyObject_Vectorcall(method, &model, 1, nullptr));
    }
    return call_method(model, name, root_index());
}

// self.columnCount(), the proxy's column count at the root.
//
// Qt's columnCount() first builds the proxy's row mapping, and building it
// calls filterAcceptsRow, which would ask columnCount() again, without end,
// whenever the mapping does not exist yet (filters set before the source
// model, or after a source model reset; Qt then also overwrites the mappings
// it built on the way down, which crashes later).  So while the class keeps
// Qt's columnCount and sourceModel, the count is made the way Qt makes it,
// without the mapping: the source model's columns at the root that
// filterAcceptsColumn accepts -- all of them when that is Qt's too.  The
// source model is handed back for the index() call that follows (the same
// object a second sourceModel() would return).  A class with a columnCount
// or sourceModel of its own is asked, as written.
struct RootColumns {
    Ref count;
    Ref model;  // NULL when not fetched
};

RootColumns root_column_count(PyObject* self) {
    if (!keeps_qt(self, ColumnCount) || !keeps_qt(self, SourceModel))
        return {call_method(self, KIT_STR("columnCount")), Ref()};
    Ref model = call_binding(self, KIT_STR("sourceModel"));
    if (model.get() == Py_None)  // no source: Qt's empty model, no rows to filter
        return {call_method(self, KIT_STR("columnCount")), model};
    Ref columns = source_root_columns(model);
    if (keeps_qt(self, FilterAcceptsColumn)) return {columns, model};
    // sum(1 for c in range(columns) if self.filterAcceptsColumn(c, QModelIndex()))
    long long n = as_long(columns), accepted = 0;
    for (long long c = 0; c < n; c++) {
        Ref column = integer(c);
        if (truthy(call_method(self, KIT_STR("filterAcceptsColumn"), column, root_index()))) accepted++;
    }
    return {integer(accepted), model};
}

// Whether `x in value` is defined at all for the value's type (a container,
// an iterable or a sequence).
bool supports_in(PyObject* value) {
    PyTypeObject* t = Py_TYPE(value);
    return (t->tp_as_sequence && t->tp_as_sequence->sq_contains) || t->tp_iter || PySequence_Check(value);
}

// `text in data` for one cell.  A cell whose display data has no `in` (an
// empty cell, whose data is None, or a number) is matched through the text a
// user sees in it: None as the empty string, anything else as str(data).  So
// an empty filter text keeps such rows, as it keeps every text row, and "4"
// finds the cell holding 42; any other text rejects an empty cell.  Errors of
// the test itself (a text that is not a str, for instance) propagate.
//
// Under the proxy's Qt.CaseInsensitive filterCaseSensitivity, a text is
// looked for in a text case-folded: text.casefold() in data.casefold().
bool cell_contains(PyObject* data, PyObject* text, bool fold) {
    Ref shown = supports_in(data) ? Ref::borrow(data)
                : data == Py_None  ? Ref::steal(PyUnicode_New(0, 0))
                                   : str_of(data);
    if (fold && PyUnicode_Check(shown.get()) && PyUnicode_Check(text))
        return check(PySequence_Contains(call_method(shown, KIT_STR("casefold")),
                                         call_method(text, KIT_STR("casefold")))) != 0;
    return check(PySequence_Contains(shown, text)) != 0;
}

// Whether the proxy's filterCaseSensitivity is Qt.CaseInsensitive.
bool folds_filters(PyObject* self) {
    return call_binding(self, KIT_STR("filterCaseSensitivity")).get() == case_insensitive();
}

// def filterAcceptsRow(self, sourceRow, sourceParent): (the comment at the top)
const Def HumanProxyModel_filterAcceptsRow{
    "def filterAcceptsRow(self, sourceRow, sourceParent)",
    [](PyObject* self, PyObject* sourceRow, PyObject* sourceParent) {
        PyObject* zero = KIT_CACHED(integer(0));
        Ref filters = getattr(self, KIT_STR("filters"));
        int fold = -1;  // asked once a filter applies
        for (Ref item : iterate(filters)) {
            Ref column, text;
            unpack_pair(item, column, text);
            if (!le(zero, column)) continue;
            RootColumns columns = root_column_count(self);
            if (!lt(column, columns.count)) continue;
            Ref model = columns.model ? columns.model : call_method(self, KIT_STR("sourceModel"));
            // When index() is the binding's, the row and column reach it as it
            // takes ints: an object it cannot convert is refused here (qt_int).
            // A Python index() of the model gets them as they are.
            bool to_qt = binding_method(model, KIT_STR("index")) != nullptr;
            Ref row = to_qt ? qt_int(sourceRow) : Ref::borrow(sourceRow);
            Ref col = to_qt ? qt_int(column) : column;
            Ref ix = call_binding(model, KIT_STR("index"), row.get(), col.get(), sourceParent);
            Ref data = call_binding(ix, KIT_STR("data"));
            if (fold < 0) fold = folds_filters(self);
            if (!cell_contains(data, text, fold)) return boolean(false);
        }
        return boolean(true);
    }};

void body() {
    import_module("re");
    from_import("PySide6.QtCore", {"QSortFilterProxyModel"});
    kit::def(_human_key);

    ClassBuilder cls("HumanProxyModel", {KIT_GLOBAL("QSortFilterProxyModel")});
    cls.def(HumanProxyModel_lessThan);
    cls.property(HumanProxyModel_filters, &HumanProxyModel_filters_setter);
    cls.def(HumanProxyModel_filterAcceptsRow);
    cls.def(HumanProxyModel_sort);
    cls.define();
    // Qt's own methods, looked up now: a later change to the base class does
    // not change what "keeps Qt's method" means.
    for (QtMethod m : {ColumnCount, SourceModel, FilterAcceptsColumn}) qt_method(m);
}

}  // namespace

KIT_MODULE(_velmora, body)
