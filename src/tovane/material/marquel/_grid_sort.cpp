// _grid_sort: the row orders of the data grid's model, at the sizes grids
// have (a million rows): one column's values gathered and sorted without a
// Python call or a tuple per row.
//
//     def column_values(records, column, field=None, getter=None):
//         """The value of one column for each record, as the model shows it."""
//         return [cell(record) for record in records]
//
//     def sort_order(values, descending=False, kind="string"):
//         """The positions of `values` in sorted order (stable)."""
//         return sorted(range(len(values)), key=lambda i: sort_key(values[i], kind), reverse=descending)
//         # ... except that None stays last in either direction (below)
//
//     def permuted(items, order):
//         return [items[i] for i in order]
//
//     def moved_rows(order, rows):
//         new_row = {old: new for new, old in enumerate(order)}
//         return [new_row[row] for row in rows]
//
// The order of values (sort_key): by kind of value first, then within a kind
//   text                        naturally ("Person 2" before "Person 10") and
//                               without regard to case ("alice" before "Bob");
//   numbers (int, float, bool)  by value;
//   NaN                         after the numbers;
//   dates (date, datetime)      by time, an aware datetime by its UTC time;
//   anything else               by its text (str(value)), naturally;
//   None                        last.
// The column's own kind ("string" for text, "number" and "boolean" for
// numbers, "date") comes first, the others follow in the order above: a value
// that does not fit its column sorts after those that do.  Descending reverses
// the order of everything but None.  Equal values keep their order (the sort
// is stable in both directions).
#include "kit/kit.hpp"
#include "kit/natural.hpp"

#include <datetime.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

namespace {

using namespace kit;

// --- column values ---------------------------------------------------------------

// The value one column shows for one record:
//
//     if callable(getter): return getter(record)
//     if isinstance(record, Mapping): return record.get(field)
//     if isinstance(record, Sequence) and not isinstance(record, str):
//         return record[column] if column < len(record) else None
//     return None
Ref cell(PyObject* record, Py_ssize_t column, PyObject* field, PyObject* getter) {
    if (getter) return call(getter, record);
    if (PyDict_CheckExact(record)) {
        PyObject* v = PyDict_GetItemWithError(record, field);
        if (!v && PyErr_Occurred()) throw_error();
        return Ref::borrow(v ? v : Py_None);
    }
    if ((PyList_CheckExact(record) || PyTuple_CheckExact(record)) && column >= 0) {
        if (column < PySequence_Fast_GET_SIZE(record)) return Ref::borrow(PySequence_Fast_GET_ITEM(record, column));
        return none();
    }
    if (isinstance(record, KIT_CACHED(module_attr("collections.abc", "Mapping"))))
        return call_method(record, KIT_STR("get"), field);
    if (!PyUnicode_Check(record) && isinstance(record, KIT_CACHED(module_attr("collections.abc", "Sequence")))) {
        if (column < len(record)) return item(record, column);
        return none();
    }
    return none();
}

// def column_values(records, column, field=None, getter=None):
//     return [cell(record) for record in records]
const Def column_values{
    "def column_values(records, column, field=None, getter=None)",
    [](PyObject* records, PyObject* column, PyObject* field, PyObject* getter) {
        const Py_ssize_t c = PyNumber_AsSsize_t(column, PyExc_OverflowError);
        if (c == -1 && PyErr_Occurred()) throw_error();
        PyObject* call_getter = callable(getter) ? getter : nullptr;
        Ref out = new_list();
        if (PyList_CheckExact(records)) {
            // The list as it is at each step (a getter may change it), as a
            // for loop over it reads it.
            for (Py_ssize_t i = 0; i < PyList_GET_SIZE(records); i++) {
                Ref record = Ref::borrow(PyList_GET_ITEM(records, i));
                append(out, cell(record, c, field, call_getter));
            }
            return out;
        }
        for (Ref record : iterate(records)) append(out, cell(record, c, field, call_getter));
        return out;
    },
    {.doc = "The value of one column for each record, as the grid's model shows it."}};

// --- sort keys -------------------------------------------------------------------

enum Rank : unsigned char { Text, Number, NotANumber, Date, Other, Missing };

// The rank of a kind of value in a column of `kind`: the column's own kind
// first, the others in the order of the enum.
unsigned char ranked(Rank r, Rank own) {
    if (r == Missing) return 0xFF;
    if (r == own) return 0;
    return static_cast<unsigned char>(1 + r);
}

Rank own_rank(PyObject* kind) {
    if (PyUnicode_Check(kind)) {
        if (PyUnicode_CompareWithASCIIString(kind, "number") == 0) return Number;
        if (PyUnicode_CompareWithASCIIString(kind, "boolean") == 0) return Number;
        if (PyUnicode_CompareWithASCIIString(kind, "date") == 0) return Date;
    }
    return Text;  // "string", and the order of a column of unknown kind
}

// Days from 1970-01-01 to a proleptic Gregorian date.
long long days_from_civil(long long y, unsigned m, unsigned d) {
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long long>(doe) - 719468;
}

// A date or datetime as microseconds since 1970 (UTC for an aware datetime).
long long date_micros(PyObject* v) {
    long long micros = days_from_civil(PyDateTime_GET_YEAR(v), PyDateTime_GET_MONTH(v), PyDateTime_GET_DAY(v)) *
                       86400LL * 1000000LL;
    if (!PyDateTime_Check(v)) return micros;
    micros += ((PyDateTime_DATE_GET_HOUR(v) * 60LL + PyDateTime_DATE_GET_MINUTE(v)) * 60LL +
               PyDateTime_DATE_GET_SECOND(v)) * 1000000LL + PyDateTime_DATE_GET_MICROSECOND(v);
    if (PyDateTime_DATE_GET_TZINFO(v) != Py_None) {
        Ref offset = call_method(v, KIT_STR("utcoffset"));
        if (offset.get() != Py_None)
            micros -= (PyDateTime_DELTA_GET_DAYS(offset.get()) * 86400LL + PyDateTime_DELTA_GET_SECONDS(offset.get())) *
                          1000000LL + PyDateTime_DELTA_GET_MICROSECONDS(offset.get());
    }
    return micros;
}

// One value to sort: where its key lies in the buffer of keys, and the 8 key
// bytes after the prefix all keys share, which decide most comparisons.
struct Entry {
    std::uint64_t head;
    std::uint32_t offset;
    std::uint32_t size;
    std::uint32_t position;
    bool missing;
    bool number;
};

// 2**53: ints up to this size are exact as doubles.
constexpr double kExactInts = 9007199254740992.0;

// Append the key of one value (its rank byte, then what orders it within its
// kind); whether it is a number, and whether it is an int too large for a
// double, are told through the flags.
void append_value_key(std::string& keys, PyObject* v, Rank own, bool& number, bool& inexact) {
    number = false;
    if (v == Py_None) {
        keys.push_back(static_cast<char>(ranked(Missing, own)));
    } else if (PyLong_Check(v)) {
        number = true;
        keys.push_back(static_cast<char>(ranked(Number, own)));
        double d = PyLong_AsDouble(v);
        if (d == -1.0 && PyErr_Occurred()) {
            if (!PyErr_ExceptionMatches(PyExc_OverflowError)) throw_error();
            PyErr_Clear();
            // Its sign, read from the int itself (an int subclass's own
            // comparison is not run): beyond a double, it is beyond a long long.
            int overflow = 0;
            PyLong_AsLongLongAndOverflow(v, &overflow);
            if (PyErr_Occurred()) throw_error();
            d = overflow < 0 ? -HUGE_VAL : HUGE_VAL;
        }
        if (!(std::fabs(d) < kExactInts)) inexact = true;
        natural::append_double(keys, d);
    } else if (PyFloat_Check(v)) {
        const double d = PyFloat_AS_DOUBLE(v);
        const bool nan = std::isnan(d);
        number = !nan;
        keys.push_back(static_cast<char>(ranked(nan ? NotANumber : Number, own)));
        if (!nan) natural::append_double(keys, d);
    } else if (PyDate_Check(v)) {
        keys.push_back(static_cast<char>(ranked(Date, own)));
        natural::append_int64(keys, date_micros(v));
    } else if (PyUnicode_Check(v)) {
        keys.push_back(static_cast<char>(ranked(Text, own)));
        natural::append_key(keys, v, natural::Case::Fold);
    } else {
        keys.push_back(static_cast<char>(ranked(Other, own)));
        natural::append_key(keys, str_of(v), natural::Case::Fold);
    }
}

// def sort_order(values, descending=False, kind="string"):
const Def sort_order{
    "def sort_order(values, descending=False, kind=\"string\")",
    [](PyObject* values, PyObject* descending, PyObject* kind) {
        Ref seq = Ref::steal(PySequence_Fast(values, "sort_order() argument 'values' must be a sequence"));
        const Py_ssize_t n = PySequence_Fast_GET_SIZE(seq.get());
        if (n > static_cast<Py_ssize_t>(UINT32_MAX)) raise(PyExc_OverflowError, "sort_order() takes at most 2**32 values");
        PyObject** items = PySequence_Fast_ITEMS(seq.get());
        const Rank own = own_rank(kind);
        const bool reverse = truthy(descending);
        std::string keys;
        keys.reserve(static_cast<std::size_t>(n) * 16);
        std::vector<Entry> entries(static_cast<std::size_t>(n));
        bool inexact = false;  // an int too large for a double: numbers compare as Python compares them
        for (Py_ssize_t i = 0; i < n; i++) {
            const std::size_t start = keys.size();
            bool number = false;
            append_value_key(keys, items[i], own, number, inexact);
            if (keys.size() > UINT32_MAX) raise(PyExc_OverflowError, "sort_order(): the keys take more than 4 GB");
            entries[static_cast<std::size_t>(i)] = {0, static_cast<std::uint32_t>(start),
                                                    static_cast<std::uint32_t>(keys.size() - start),
                                                    static_cast<std::uint32_t>(i), items[i] == Py_None, number};
        }
        const auto* base = reinterpret_cast<const unsigned char*>(keys.data());
        // The prefix every key of a value shares, then each key's next 8 bytes
        // (zeros past its end: a key that ends there sorts first, as memcmp
        // has it, or ties and is compared whole).
        std::size_t shared = SIZE_MAX;
        const Entry* first = nullptr;
        for (const Entry& e : entries) {
            if (e.missing) continue;
            if (!first) {
                first = &e;
                shared = e.size;
                continue;
            }
            std::size_t k = 0;
            const std::size_t limit = std::min<std::size_t>(shared, e.size);
            while (k < limit && base[first->offset + k] == base[e.offset + k]) k++;
            shared = k;
        }
        if (!first) shared = 0;
        for (Entry& e : entries) {
            std::uint64_t head = 0;
            for (std::size_t k = 0; k < 8; k++) {
                const std::size_t at = shared + k;
                head = (head << 8) | (at < e.size ? base[e.offset + at] : 0);
            }
            e.head = head;
        }
        auto key_order = [&](const Entry& a, const Entry& b) -> int {
            if (a.head != b.head) return a.head < b.head ? -1 : 1;
            if (inexact && a.number && b.number) {
                // as Python compares them (an int subclass's own comparison
                // may raise: the error ends the sort)
                if (check(PyObject_RichCompareBool(items[a.position], items[b.position], Py_LT))) return -1;
                return check(PyObject_RichCompareBool(items[b.position], items[a.position], Py_LT)) ? 1 : 0;
            }
            const std::size_t skip = std::min<std::size_t>({shared + 8, a.size, b.size});
            const int c = std::memcmp(base + a.offset + skip, base + b.offset + skip,
                                      std::min(a.size, b.size) - skip);
            if (c) return c;
            return a.size < b.size ? -1 : (a.size > b.size ? 1 : 0);
        };
        std::sort(entries.begin(), entries.end(), [&](const Entry& a, const Entry& b) {
            if (a.missing != b.missing) return b.missing;
            const int c = a.missing ? 0 : key_order(a, b);
            if (c) return reverse ? c > 0 : c < 0;
            return a.position < b.position;
        });
        Ref out = new_list(n);
        for (Py_ssize_t i = 0; i < n; i++) set_item(out, i, integer(entries[static_cast<std::size_t>(i)].position));
        return out;
    },
    {.doc = "The positions of values in sorted order: by kind, naturally, None last; stable."}};

// def permuted(items, order):
//     return [items[i] for i in order]
const Def permuted{"def permuted(items, order)", [](PyObject* items, PyObject* order) {
                       Ref seq = Ref::steal(PySequence_Fast(items, "permuted() argument 'items' must be a sequence"));
                       Ref positions = Ref::steal(
                           PySequence_Fast(order, "permuted() argument 'order' must be a sequence"));
                       const Py_ssize_t n = PySequence_Fast_GET_SIZE(positions.get());
                       const Py_ssize_t size = PySequence_Fast_GET_SIZE(seq.get());
                       Ref out = new_list(n);
                       for (Py_ssize_t i = 0; i < n; i++) {
                           Py_ssize_t at = PyNumber_AsSsize_t(PySequence_Fast_GET_ITEM(positions.get(), i),
                                                              PyExc_IndexError);
                           if (at == -1 && PyErr_Occurred()) throw_error();
                           if (at < 0) at += size;
                           if (at < 0 || at >= size) raise(PyExc_IndexError, "list index out of range");
                           set_item(out, i, Ref::borrow(PySequence_Fast_GET_ITEM(seq.get(), at)));
                       }
                       return out;
                   },
                   {.doc = "[items[i] for i in order]."}};

// def moved_rows(order, rows):
//     """Where each of `rows` went when old row order[i] became row i."""
//     new_row = {old: new for new, old in enumerate(order)}
//     return [new_row[row] for row in rows]
//
// (One pass over the order, making no int per row: a sort moves a million
// rows and the persistent indexes of a few.)
const Def moved_rows{
    "def moved_rows(order, rows)", [](PyObject* order, PyObject* rows) {
        Ref positions = Ref::steal(PySequence_Fast(order, "moved_rows() argument 'order' must be a sequence"));
        Ref wanted = Ref::steal(PySequence_Fast(rows, "moved_rows() argument 'rows' must be a sequence"));
        const Py_ssize_t n = PySequence_Fast_GET_SIZE(positions.get());
        const Py_ssize_t m = PySequence_Fast_GET_SIZE(wanted.get());
        std::unordered_map<Py_ssize_t, Py_ssize_t> found;  // old row -> new row
        std::vector<Py_ssize_t> asked;                     // each of rows, read once
        asked.reserve(static_cast<std::size_t>(m));
        for (Py_ssize_t k = 0; k < m; k++) {
            const Py_ssize_t row = PyNumber_AsSsize_t(PySequence_Fast_GET_ITEM(wanted.get(), k), PyExc_IndexError);
            if (row == -1 && PyErr_Occurred()) throw_error();
            asked.push_back(row);
            found.emplace(row, -1);
        }
        for (Py_ssize_t i = 0; i < n && m; i++) {
            const Py_ssize_t old = PyNumber_AsSsize_t(PySequence_Fast_GET_ITEM(positions.get(), i), PyExc_IndexError);
            if (old == -1 && PyErr_Occurred()) throw_error();
            if (auto it = found.find(old); it != found.end()) it->second = i;
        }
        Ref out = new_list(m);
        for (Py_ssize_t k = 0; k < m; k++) {
            const Py_ssize_t row = asked[static_cast<std::size_t>(k)];
            const Py_ssize_t moved = found[row];
            if (moved < 0) raisef(PyExc_KeyError, "row %zd is not in the order", row);
            set_item(out, k, integer(moved));
        }
        return out;
    },
    {.doc = "Where each of rows went when old row order[i] became row i."}};

void body() {
    PyDateTime_IMPORT;
    if (!PyDateTimeAPI) throw_error();
    kit::def(column_values);
    kit::def(sort_order);
    kit::def(permuted);
    kit::def(moved_rows);
}

}  // namespace

KIT_MODULE(_grid_sort, body, .doc = "Row orders of the data grid's model: natural, by kind of value, stable.")
