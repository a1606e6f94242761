// Natural ("human") order of text: "item2" before "item10".
//
// A text splits as re.split(r"(\d*\.\d+|\d+)", text) splits it: text parts
// and numbers alternate, a number being a run of decimal digits (any Unicode
// decimal digit, as `\d` matches) or a decimal fraction with or without
// integer digits ("3.14", ".5").  Its natural key is the tuple of the parts,
// each text part mapped (swapped or folded case), each number as float(part):
//
//     ("file", 10.0, ".txt") for "file10.txt", folded
//
// Keys compare as Python compares such tuples: element by element, text by
// code point, numbers by value, a proper prefix first.
//
// append_key writes a key as bytes whose memcmp order is that tuple order,
// so a column of texts can be sorted without building a tuple per text.
#pragma once

#include "ref.hpp"

#include <cstdint>
#include <string>

namespace kit::natural {

template <class C>
inline bool is_digit(C c) {
    if (c < 128) return c >= '0' && c <= '9';
    return Py_UNICODE_ISDECIMAL(static_cast<Py_UCS4>(c));
}

template <class C>
inline unsigned digit_value(C c) {
    if (c < 128) return static_cast<unsigned>(c - '0');
    return static_cast<unsigned>(Py_UNICODE_TODECIMAL(static_cast<Py_UCS4>(c)));
}

// The next number at or after `from`, as [start, end); start == n when there
// is none.  The first alternative of the pattern wins where both match: a
// digit run followed by '.' and a digit takes the fraction too.
struct Span {
    Py_ssize_t start, end;
};

template <class C>
inline Py_ssize_t skip_digits(const C* s, Py_ssize_t i, Py_ssize_t n) {
    while (i < n && is_digit(s[i])) i++;
    return i;
}

template <class C>
Span next_number(const C* s, Py_ssize_t from, Py_ssize_t n) {
    for (Py_ssize_t i = from; i < n; i++) {
        C c = s[i];
        if (is_digit(c)) {
            Py_ssize_t j = skip_digits(s, i + 1, n);
            if (j + 1 < n && s[j] == '.' && is_digit(s[j + 1])) j = skip_digits(s, j + 2, n);
            return {i, j};
        }
        if (c == '.' && i + 1 < n && is_digit(s[i + 1])) return {i, skip_digits(s, i + 2, n)};
    }
    return {n, n};
}

// float() of a number's digits given as ASCII ('.' and '0'..'9').
double ascii_number_value(const std::string& ascii);

// float(s[a:b]) for a matched number: decimal digits, at most one '.'.
//
// Two shortcuts give float()'s correctly rounded value exactly: an integer
// below 10**18 converts in one cast, and a fraction whose digits form an
// integer below 10**15 with at most 22 decimals is that integer divided by a
// power of ten that doubles hold exactly (one rounding).  Any other number
// goes through the interpreter's own string-to-double, as float() does.
template <class C>
double number_value(const C* s, Py_ssize_t a, Py_ssize_t b) {
    static constexpr double pow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                       1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    std::uint64_t m = 0;
    int significant = 0;
    int decimals = -1;  // -1: no '.'
    bool exact = true;
    for (Py_ssize_t i = a; i < b; i++) {
        if (s[i] == '.') {
            decimals = 0;
            continue;
        }
        unsigned d = digit_value(s[i]);
        if (significant || d) {
            if (++significant > 18) {
                exact = false;
                break;
            }
        }
        m = m * 10 + d;
        if (decimals >= 0) decimals++;
    }
    if (exact) {
        if (decimals < 0) return static_cast<double>(m);
        if (significant <= 15 && decimals <= 22) return static_cast<double>(m) / pow10[decimals];
    }
    std::string ascii;
    ascii.reserve(static_cast<std::size_t>(b - a));
    for (Py_ssize_t i = a; i < b; i++)
        ascii.push_back(s[i] == '.' ? '.' : static_cast<char>('0' + digit_value(s[i])));
    return ascii_number_value(ascii);
}

// How the text parts of a key are mapped: str.swapcase (lower case before
// capitals, the order HumanProxyModel keeps by default) or str.casefold
// (case ignored).
enum class Case { Swap, Fold };

// Append the bytes of the natural key of the str `s`.  Their memcmp order is
// the order of the key tuples.
void append_key(std::string& out, PyObject* s, Case mode);

// Append 8 bytes whose memcmp order is the order of the doubles (NaN
// aside), and the same for signed 64-bit integers.
void append_double(std::string& out, double v);
void append_int64(std::string& out, std::int64_t v);

}  // namespace kit::natural
