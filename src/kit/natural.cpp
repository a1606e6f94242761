#include "natural.hpp"

#include <bit>
#include <memory>

namespace kit::natural {

double ascii_number_value(const std::string& ascii) {
    double v = PyOS_string_to_double(ascii.c_str(), nullptr, nullptr);
    if (v == -1.0 && PyErr_Occurred()) throw_error();
    return v;
}

namespace {

// What one character becomes under str.swapcase or str.casefold: up to three
// code points ('ß'.casefold() == 'ss'), or "complex" when the answer is
// longer or depends on the neighbours (the capital sigma under swapcase,
// which becomes 'ς' at the end of a word).  Asked of the str method once per
// character and remembered; the answer depends on the character alone, so
// the table never changes a result.
struct Mapped {
    Py_UCS4 cp[3];
    std::uint8_t n;  // 0: not asked yet; kComplex: see above
};
constexpr std::uint8_t kComplex = 0xFF;
constexpr Py_UCS4 kCapitalSigma = 0x3A3;

const Mapped& mapped(Py_UCS4 c, Case mode) {
    static std::unique_ptr<Mapped[]> pages[2][(0x10FFFF >> 8) + 1];
    std::unique_ptr<Mapped[]>& page = pages[mode == Case::Fold][c >> 8];
    if (!page) page.reset(new Mapped[256]());
    Mapped& slot = page[c & 0xFF];
    if (slot.n) return slot;
    if (mode == Case::Swap && c == kCapitalSigma) {
        slot.n = kComplex;
        return slot;
    }
    Ref ch = Ref::steal(PyUnicode_FromOrdinal(static_cast<int>(c)));
    Ref out = call_method(ch, mode == Case::Fold ? KIT_STR("casefold") : KIT_STR("swapcase"));
    const Py_ssize_t n = PyUnicode_GET_LENGTH(out.get());
    if (n < 1 || n > 3) {
        slot.n = kComplex;
        return slot;
    }
    for (Py_ssize_t i = 0; i < n; i++) slot.cp[i] = PyUnicode_READ_CHAR(out.get(), i);
    slot.n = static_cast<std::uint8_t>(n);
    return slot;
}

// Code point c as the bytes of c + 1 in UTF-8's scheme (extended to 0x110000):
// never a zero byte, and memcmp order is code point order.
inline void append_char(std::string& out, Py_UCS4 c) {
    const std::uint32_t v = c + 1;
    if (v < 0x80) {
        out.push_back(static_cast<char>(v));
    } else if (v < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (v >> 6)));
        out.push_back(static_cast<char>(0x80 | (v & 0x3F)));
    } else if (v < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (v >> 12)));
        out.push_back(static_cast<char>(0x80 | ((v >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (v & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (v >> 18)));
        out.push_back(static_cast<char>(0x80 | ((v >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((v >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (v & 0x3F)));
    }
}

inline Py_UCS4 ascii_mapped(Py_UCS4 c, Case mode) {
    const bool letter = (c | 0x20) >= 'a' && (c | 0x20) <= 'z';
    if (!letter) return c;
    return mode == Case::Fold ? (c | 0x20) : (c ^ 0x20);
}

// s[a:b] mapped, as characters of the key.
template <class C>
void append_text(std::string& out, PyObject* s, const C* data, Py_ssize_t a, Py_ssize_t b, Case mode) {
    const std::size_t mark = out.size();
    for (Py_ssize_t i = a; i < b; i++) {
        const Py_UCS4 c = data[i];
        if (c < 128) {
            append_char(out, ascii_mapped(c, mode));
            continue;
        }
        const Mapped& m = mapped(c, mode);
        if (m.n == kComplex) {
            // The whole part through the str method, as the key holds it.
            out.resize(mark);
            Ref part = Ref::steal(PyUnicode_Substring(s, a, b));
            Ref done = call_method(part, mode == Case::Fold ? KIT_STR("casefold") : KIT_STR("swapcase"));
            const Py_ssize_t n = PyUnicode_GET_LENGTH(done.get());
            for (Py_ssize_t k = 0; k < n; k++) append_char(out, PyUnicode_READ_CHAR(done.get(), k));
            return;
        }
        for (int k = 0; k < m.n; k++) append_char(out, m.cp[k]);
    }
}

template <class C>
void append_key_of(std::string& out, PyObject* s, const C* data, Py_ssize_t n, Case mode) {
    Py_ssize_t pos = 0;
    for (;;) {
        Span m = next_number(data, pos, n);
        append_text(out, s, data, pos, m.start, mode);
        out.push_back('\0');  // end of a text part: before any character
        if (m.start == n) {
            out.push_back('\0');  // end of the key: before a number
            return;
        }
        out.push_back('\1');
        append_double(out, number_value(data, m.start, m.end));
        pos = m.end;
    }
}

inline void append_u64(std::string& out, std::uint64_t bits) {
    for (int shift = 56; shift >= 0; shift -= 8) out.push_back(static_cast<char>((bits >> shift) & 0xFF));
}

}  // namespace

void append_key(std::string& out, PyObject* s, Case mode) {
    const Py_ssize_t n = PyUnicode_GET_LENGTH(s);
    switch (PyUnicode_KIND(s)) {
        case PyUnicode_1BYTE_KIND: return append_key_of(out, s, PyUnicode_1BYTE_DATA(s), n, mode);
        case PyUnicode_2BYTE_KIND: return append_key_of(out, s, PyUnicode_2BYTE_DATA(s), n, mode);
        default: return append_key_of(out, s, PyUnicode_4BYTE_DATA(s), n, mode);
    }
}

void append_double(std::string& out, double v) {
    if (v == 0) v = 0;  // -0.0 == 0.0
    std::uint64_t bits = std::bit_cast<std::uint64_t>(v);
    bits = (bits & 0x8000000000000000ULL) ? ~bits : (bits | 0x8000000000000000ULL);
    append_u64(out, bits);
}

void append_int64(std::string& out, std::int64_t v) {
    append_u64(out, static_cast<std::uint64_t>(v) ^ 0x8000000000000000ULL);
}

}  // namespace kit::natural
