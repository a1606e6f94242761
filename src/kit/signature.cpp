// Reading a def line: "async def name(a, b: int = 1, *args, c, **kw) -> str".
//
// Annotations are kept as their source text, as `from __future__ import
// annotations` keeps them; defaults are literals, made once when the
// function is made (a {} default is one dict shared by every call, as in
// Python).  A line the reader does not understand fails the import with a
// SyntaxError that quotes it.
#include "detail.hpp"

#include "errors.hpp"
#include "platform.hpp"

#include <cctype>
#include <string_view>

namespace kit::detail {

namespace {

[[noreturn]] KIT_COLD void bad_line(const char* line, const char* why) {
    raisef(PyExc_SyntaxError, "cannot read the def line %s: %s", line, why);
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
    return s;
}

bool is_identifier(std::string_view s) {
    if (s.empty() || !(std::isalpha(static_cast<unsigned char>(s[0])) || s[0] == '_')) return false;
    for (char c : s)
        if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '_')) return false;
    return true;
}

// The position of the first `stop` character at bracket depth 0 outside
// strings, or npos.
std::size_t find_top_level(std::string_view s, std::string_view stops) {
    int depth = 0;
    char quote = 0;
    for (std::size_t i = 0; i < s.size(); i++) {
        char c = s[i];
        if (quote) {
            if (c == '\\') i++;
            else if (c == quote) quote = 0;
            continue;
        }
        if (depth == 0 && stops.find(c) != std::string_view::npos) return i;
        if (c == '\'' || c == '"') quote = c;
        else if (c == '(' || c == '[' || c == '{') depth++;
        else if (c == ')' || c == ']' || c == '}') depth--;
    }
    return std::string_view::npos;
}

// A string literal's value ('...' or "...", the common escapes).
Ref string_literal(const char* line, std::string_view text) {
    char quote = text.front();
    if (text.size() < 2 || text.back() != quote) bad_line(line, "a string default is not closed");
    std::string value;
    for (std::size_t i = 1; i + 1 < text.size(); i++) {
        char c = text[i];
        if (c != '\\') {
            value += c;
            continue;
        }
        if (++i + 1 >= text.size()) bad_line(line, "a string default ends in a backslash");
        switch (text[i]) {
            case 'n': value += '\n'; break;
            case 't': value += '\t'; break;
            case '\\': value += '\\'; break;
            case '\'': value += '\''; break;
            case '"': value += '"'; break;
            default: bad_line(line, "a string default uses an escape the reader does not know");
        }
    }
    return Ref::steal(PyUnicode_FromStringAndSize(value.data(), static_cast<Py_ssize_t>(value.size())));
}

Ref number_literal(const char* line, const std::string& text) {
    bool is_float = text.find_first_of(".eE") != std::string::npos;
    for (char c : text)
        if (!(std::isdigit(static_cast<unsigned char>(c)) || c == '-' || c == '+' || c == '.' || c == 'e' ||
              c == 'E'))
            bad_line(line, "a default is not a literal the reader knows");
    if (is_float) {
        char* end = nullptr;
        double v = PyOS_string_to_double(text.c_str(), &end, nullptr);
        if (v == -1.0 && PyErr_Occurred()) throw_error();
        if (!end || *end) bad_line(line, "a float default does not parse");
        return real(v);
    }
    char* end = nullptr;
    Ref v = Ref::steal(PyLong_FromString(text.c_str(), &end, 10));
    if (!end || *end) bad_line(line, "an int default does not parse");
    return v;
}

Ref default_value(const char* line, std::string_view text) {
    if (text == "None") return none();
    if (text == "True") return boolean(true);
    if (text == "False") return boolean(false);
    if (text == "{}") return new_dict();
    if (text == "[]") return new_list();
    if (text == "()") return Ref::steal(PyTuple_New(0));
    if (text.front() == '\'' || text.front() == '"') return string_literal(line, text);
    return number_literal(line, std::string(text));
}

Ref annotation_text(std::string_view text) {
    return Ref::steal(PyUnicode_FromStringAndSize(text.data(), static_cast<Py_ssize_t>(text.size())));
}

}  // namespace

Shape parse_def_line(const char* line) {
    std::string_view s = trim(line);
    Shape shape;
    if (s.substr(0, 6) == "async ") {
        shape.coroutine = true;
        s = trim(s.substr(6));
    }
    if (s.substr(0, 4) != "def ") bad_line(line, "it does not start with def");
    s = trim(s.substr(4));
    std::size_t open = s.find('(');
    if (open == std::string_view::npos) bad_line(line, "no parameter list");
    std::string_view name = trim(s.substr(0, open));
    if (!is_identifier(name)) bad_line(line, "the name is not an identifier");
    shape.name = std::string(name);

    std::string_view rest = s.substr(open + 1);
    std::size_t close = find_top_level(rest, ")");
    if (close == std::string_view::npos) bad_line(line, "the parameter list is not closed");
    std::string_view params = rest.substr(0, close);
    std::string_view tail = trim(rest.substr(close + 1));
    if (!tail.empty() && tail.back() == ':') tail = trim(tail.substr(0, tail.size() - 1));
    if (!tail.empty()) {
        if (tail.substr(0, 2) != "->") bad_line(line, "text after the parameter list");
        std::string_view ret = trim(tail.substr(2));
        if (ret.empty()) bad_line(line, "an empty return annotation");
        shape.returns = annotation_text(ret);
    }

    bool keyword_only = false;
    while (!trim(params).empty()) {
        std::size_t comma = find_top_level(params, ",");
        std::string_view piece = trim(params.substr(0, comma));
        params = comma == std::string_view::npos ? std::string_view() : params.substr(comma + 1);
        if (piece.empty()) bad_line(line, "an empty parameter");
        if (piece == "/") bad_line(line, "positional-only parameters are not supported");
        if (piece == "*") {
            if (keyword_only) bad_line(line, "a second *");
            keyword_only = true;
            continue;
        }
        if (!shape.params.empty() && shape.params.back().kind == Param::VarKeyword)
            bad_line(line, "a parameter follows **kwargs");
        ParamShape p;
        p.kind = keyword_only ? Param::KeywordOnly : Param::Positional;
        if (piece.substr(0, 2) == "**") {
            p.kind = Param::VarKeyword;
            piece = piece.substr(2);
        } else if (piece.front() == '*') {
            if (keyword_only) bad_line(line, "*args after * or another *args");
            p.kind = Param::VarPositional;
            keyword_only = true;
            piece = piece.substr(1);
        }
        std::size_t eq = find_top_level(piece, "=");
        std::string_view head = trim(piece.substr(0, eq));
        if (eq != std::string_view::npos) {
            if (p.kind == Param::VarPositional || p.kind == Param::VarKeyword)
                bad_line(line, "*args and **kwargs take no default");
            std::string_view text = trim(piece.substr(eq + 1));
            if (text.empty()) bad_line(line, "an empty default");
            p.dflt = default_value(line, text);
        }
        std::size_t colon = find_top_level(head, ":");
        std::string_view pname = trim(head.substr(0, colon));
        if (colon != std::string_view::npos) {
            std::string_view ann = trim(head.substr(colon + 1));
            if (ann.empty()) bad_line(line, "an empty annotation");
            p.annotation = annotation_text(ann);
        }
        if (!is_identifier(pname)) bad_line(line, "a parameter name is not an identifier");
        for (const ParamShape& other : shape.params)
            if (other.name == pname) bad_line(line, "a parameter name is repeated");
        p.name = std::string(pname);
        shape.params.push_back(std::move(p));
    }
    return shape;
}

}  // namespace kit::detail

namespace kit {

std::string def_name(const Def& def) { return detail::parse_def_line(def.line()).name; }

}  // namespace kit
