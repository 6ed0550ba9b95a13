#include "shape/mgjsonarchive.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <limits>
#include <sstream>
#include <system_error>
#include <utility>
#include <vector>

namespace {

// ---- The document tree ----------------------------------------------------------------------

/// One JSON value. Objects keep their members in the order they were first written; numbers
/// keep whether they were written as signed or unsigned integers or as 32-bit floats.
struct Json {
    enum class Kind { Null, Bool, Int, UInt, Float, String, Array, Object };

    Kind kind = Kind::Null;
    bool boolean = false;
    std::int64_t integer = 0;
    std::uint64_t unsignedInteger = 0;
    float number = 0;
    std::string string;
    std::vector<Json> elements;
    std::vector<std::pair<std::string, Json>> members;

    static Json object()
    {
        Json j;
        j.kind = Kind::Object;
        return j;
    }
    static Json array()
    {
        Json j;
        j.kind = Kind::Array;
        return j;
    }
    static Json fromBool(bool b)
    {
        Json j;
        j.kind = Kind::Bool;
        j.boolean = b;
        return j;
    }
    static Json fromInt(std::int64_t n)
    {
        Json j;
        j.kind = Kind::Int;
        j.integer = n;
        return j;
    }
    static Json fromUInt(std::uint64_t n)
    {
        Json j;
        j.kind = Kind::UInt;
        j.unsignedInteger = n;
        return j;
    }
    /// A finite float, or null for a NaN or an infinity (JSON has no such numbers).
    static Json fromFloat(float f)
    {
        Json j;
        if (std::isfinite(f)) {
            j.kind = Kind::Float;
            j.number = f;
        }
        return j;
    }

    [[nodiscard]] bool isObject() const { return kind == Kind::Object; }
    [[nodiscard]] bool isArray() const { return kind == Kind::Array; }
    [[nodiscard]] bool isNumber() const { return kind == Kind::Int || kind == Kind::UInt || kind == Kind::Float; }

    /// The member name of an object, or null.
    [[nodiscard]] const Json* find(std::string_view name) const
    {
        for (const auto& [key, value] : members) {
            if (key == name)
                return &value;
        }
        return nullptr;
    }
    /// The member name of an object, appended as null when missing.
    Json& operator[](std::string_view name)
    {
        for (auto& [key, value] : members) {
            if (key == name)
                return value;
        }
        members.emplace_back(std::string(name), Json());
        return members.back().second;
    }
};

/// Length of the well-formed UTF-8 sequence at the start of s (shortest form, no surrogates),
/// or 0.
std::size_t utf8Length(std::string_view s)
{
    const auto b = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
    const unsigned char c = b(0);
    std::size_t n = 0;
    unsigned char lo = 0x80, hi = 0xBF;
    if (c < 0x80)
        return 1;
    if (c >= 0xC2 && c <= 0xDF)
        n = 2;
    else if (c >= 0xE0 && c <= 0xEF) {
        n = 3;
        lo = c == 0xE0 ? 0xA0 : 0x80;
        hi = c == 0xED ? 0x9F : 0xBF;
    } else if (c >= 0xF0 && c <= 0xF4) {
        n = 4;
        lo = c == 0xF0 ? 0x90 : 0x80;
        hi = c == 0xF4 ? 0x8F : 0xBF;
    } else
        return 0;
    if (s.size() < n || b(1) < lo || b(1) > hi)
        return 0;
    for (std::size_t i = 2; i < n; ++i) {
        if (b(i) < 0x80 || b(i) > 0xBF)
            return 0;
    }
    return n;
}

// ---- Reading text -----------------------------------------------------------------------------

/// A strict JSON reader (RFC 8259) over UTF-8 text. Recursion is bounded by the nesting check
/// made before parsing.
class Parser {
public:
    explicit Parser(std::string_view text)
        : m_text(text)
    {
        // A byte order mark is no part of the document.
        if (m_text.substr(0, 3) == "\xEF\xBB\xBF")
            m_pos = 3;
    }

    /// The whole text as one value; false on any fault, trailing text included.
    bool parseDocument(Json& out)
    {
        if (!parseValue(out))
            return false;
        skipSpace();
        return m_pos == m_text.size();
    }

private:
    void skipSpace()
    {
        while (m_pos < m_text.size()) {
            const char c = m_text[m_pos];
            if (c != ' ' && c != '\t' && c != '\n' && c != '\r')
                break;
            ++m_pos;
        }
    }
    bool consume(char c)
    {
        skipSpace();
        if (m_pos < m_text.size() && m_text[m_pos] == c) {
            ++m_pos;
            return true;
        }
        return false;
    }
    bool literal(std::string_view word)
    {
        if (m_text.substr(m_pos, word.size()) != word)
            return false;
        m_pos += word.size();
        return true;
    }

    bool parseValue(Json& out)
    {
        skipSpace();
        if (m_pos >= m_text.size())
            return false;
        switch (m_text[m_pos]) {
        case '{': return parseObject(out);
        case '[': return parseArray(out);
        case '"': out = Json(), out.kind = Json::Kind::String; return parseString(out.string);
        case 't': out = Json::fromBool(true); return literal("true");
        case 'f': out = Json::fromBool(false); return literal("false");
        case 'n': out = Json(); return literal("null");
        default: return parseNumber(out);
        }
    }

    bool parseObject(Json& out)
    {
        ++m_pos; // '{'
        out = Json::object();
        if (consume('}'))
            return true;
        do {
            skipSpace();
            std::string key;
            if (m_pos >= m_text.size() || m_text[m_pos] != '"' || !parseString(key) || !consume(':'))
                return false;
            // A repeated name keeps its first place and takes the later value.
            if (!parseValue(out[key]))
                return false;
        } while (consume(','));
        return consume('}');
    }

    bool parseArray(Json& out)
    {
        ++m_pos; // '['
        out = Json::array();
        if (consume(']'))
            return true;
        do {
            out.elements.emplace_back();
            if (!parseValue(out.elements.back()))
                return false;
        } while (consume(','));
        return consume(']');
    }

    bool hex4(std::uint32_t& v)
    {
        if (m_text.size() - m_pos < 4)
            return false;
        v = 0;
        for (int i = 0; i < 4; ++i) {
            const char c = m_text[m_pos++];
            v <<= 4;
            if (c >= '0' && c <= '9')
                v |= static_cast<std::uint32_t>(c - '0');
            else if (c >= 'a' && c <= 'f')
                v |= static_cast<std::uint32_t>(c - 'a' + 10);
            else if (c >= 'A' && c <= 'F')
                v |= static_cast<std::uint32_t>(c - 'A' + 10);
            else
                return false;
        }
        return true;
    }

    static void appendUtf8(std::string& s, std::uint32_t cp)
    {
        if (cp < 0x80) {
            s += static_cast<char>(cp);
        } else if (cp < 0x800) {
            s += static_cast<char>(0xC0 | (cp >> 6));
            s += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            s += static_cast<char>(0xE0 | (cp >> 12));
            s += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            s += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            s += static_cast<char>(0xF0 | (cp >> 18));
            s += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            s += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            s += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }

    bool parseString(std::string& out)
    {
        ++m_pos; // '"'
        out.clear();
        while (m_pos < m_text.size()) {
            const char c = m_text[m_pos];
            if (c == '"') {
                ++m_pos;
                return true;
            }
            if (static_cast<unsigned char>(c) < 0x20)
                return false;
            if (c != '\\') {
                const std::size_t n = utf8Length(m_text.substr(m_pos));
                if (n == 0)
                    return false;
                out.append(m_text.substr(m_pos, n));
                m_pos += n;
                continue;
            }
            if (++m_pos >= m_text.size())
                return false;
            switch (m_text[m_pos++]) {
            case '"': out += '"'; break;
            case '\\': out += '\\'; break;
            case '/': out += '/'; break;
            case 'b': out += '\b'; break;
            case 'f': out += '\f'; break;
            case 'n': out += '\n'; break;
            case 'r': out += '\r'; break;
            case 't': out += '\t'; break;
            case 'u': {
                std::uint32_t cp = 0;
                if (!hex4(cp))
                    return false;
                if (cp >= 0xD800 && cp <= 0xDBFF) {
                    // A high surrogate must be followed by an escaped low one.
                    std::uint32_t low = 0;
                    if (!literal("\\u") || !hex4(low) || low < 0xDC00 || low > 0xDFFF)
                        return false;
                    cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                } else if (cp >= 0xDC00 && cp <= 0xDFFF) {
                    return false;
                }
                appendUtf8(out, cp);
                break;
            }
            default: return false;
            }
        }
        return false;
    }

    bool parseNumber(Json& out)
    {
        const std::size_t start = m_pos;
        const auto digit = [&] { return m_pos < m_text.size() && m_text[m_pos] >= '0' && m_text[m_pos] <= '9'; };
        const bool negative = m_pos < m_text.size() && m_text[m_pos] == '-';
        if (negative)
            ++m_pos;
        if (!digit())
            return false;
        if (m_text[m_pos] == '0')
            ++m_pos;
        else
            while (digit())
                ++m_pos;
        bool integral = true;
        if (m_pos < m_text.size() && m_text[m_pos] == '.') {
            integral = false;
            ++m_pos;
            if (!digit())
                return false;
            while (digit())
                ++m_pos;
        }
        if (m_pos < m_text.size() && (m_text[m_pos] == 'e' || m_text[m_pos] == 'E')) {
            integral = false;
            ++m_pos;
            if (m_pos < m_text.size() && (m_text[m_pos] == '+' || m_text[m_pos] == '-'))
                ++m_pos;
            if (!digit())
                return false;
            while (digit())
                ++m_pos;
        }
        const char* first = m_text.data() + start;
        const char* last = m_text.data() + m_pos;
        if (integral) {
            // Integers that fit 64 bits stay exact; larger ones are read as floats below.
            if (negative) {
                std::int64_t n = 0;
                if (std::from_chars(first, last, n).ec == std::errc()) {
                    out = Json::fromInt(n);
                    return true;
                }
            } else {
                std::uint64_t n = 0;
                if (std::from_chars(first, last, n).ec == std::errc()) {
                    out = Json::fromUInt(n);
                    return true;
                }
            }
        }
        float f = 0;
        const auto [end, ec] = std::from_chars(first, last, f);
        if (ec == std::errc::result_out_of_range) {
            // Too small for a float reads as zero (or the nearest subnormal); too large is refused.
            const std::string_view num(first, static_cast<std::size_t>(last - first));
            const std::size_t ep = num.find_first_of("eE");
            const bool tiny = ep != std::string_view::npos && ep + 1 < num.size() && num[ep + 1] == '-';
            double d = 0;
            const auto rd = std::from_chars(first, last, d);
            if (rd.ec == std::errc() && std::fabs(d) < 1)
                f = static_cast<float>(d);
            else if (rd.ec == std::errc::result_out_of_range && tiny)
                f = negative ? -0.f : 0.f;
            else
                return false;
        } else if (ec != std::errc() || end != last) {
            return false;
        }
        if (!std::isfinite(f))
            return false;
        out = Json::fromFloat(f);
        return true;
    }

    std::string_view m_text;
    std::size_t m_pos = 0;
};

// ---- Writing text -----------------------------------------------------------------------------

/// The shortest text that reads back as f: plain decimal with ".0" for whole numbers up to six
/// digits before the point, "0.000ddd" down to 1e-4, otherwise d.ddde+XX.
void appendFloat(std::string& out, float f)
{
    if (f == 0) {
        out += std::signbit(f) ? "-0.0" : "0.0";
        return;
    }
    if (std::signbit(f)) {
        out += '-';
        f = -f;
    }
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, f, std::chars_format::scientific);
    const std::string_view sci(buf, static_cast<std::size_t>(res.ptr - buf));
    const std::size_t e = sci.find('e');
    std::string digits;
    for (const char c : sci.substr(0, e)) {
        if (c != '.')
            digits += c;
    }
    int exp10 = 0;
    std::from_chars(sci.data() + e + (sci[e + 1] == '+' ? 2 : 1), sci.data() + sci.size(), exp10);
    const int k = static_cast<int>(digits.size());
    const int n = exp10 + 1; // position of the decimal point after the first n digits
    constexpr int kMaxExp = std::numeric_limits<float>::digits10;
    constexpr int kMinExp = -4;
    if (k <= n && n <= kMaxExp) {
        out += digits;
        out.append(static_cast<std::size_t>(n - k), '0');
        out += ".0";
    } else if (0 < n && n <= kMaxExp) {
        out.append(digits, 0, static_cast<std::size_t>(n));
        out += '.';
        out.append(digits, static_cast<std::size_t>(n));
    } else if (kMinExp < n && n <= 0) {
        out += "0.";
        out.append(static_cast<std::size_t>(-n), '0');
        out += digits;
    } else {
        out += digits[0];
        if (k > 1) {
            out += '.';
            out.append(digits, 1);
        }
        const int x = n - 1;
        out += x < 0 ? "e-" : "e+";
        const int ax = x < 0 ? -x : x;
        if (ax < 10)
            out += '0';
        out += std::to_string(ax);
    }
}

/// s as a JSON string: quotes, backslashes and control characters escaped, any byte sequence
/// that is not UTF-8 replaced by U+FFFD.
void appendString(std::string& out, std::string_view s)
{
    out += '"';
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (c >= 0x80) {
            const std::size_t n = utf8Length(s.substr(i));
            if (n == 0) {
                out += "\xEF\xBF\xBD";
                ++i;
            } else {
                out.append(s.substr(i, n));
                i += n;
            }
            continue;
        }
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\b': out += "\\b"; break;
        case '\f': out += "\\f"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (c < 0x20) {
                static const char kHex[] = "0123456789abcdef";
                out += "\\u00";
                out += kHex[c >> 4];
                out += kHex[c & 0xF];
            } else {
                out += static_cast<char>(c);
            }
        }
        ++i;
    }
    out += '"';
}

/// v as JSON text; indent < 0 writes one line, otherwise indent spaces per level.
void appendJson(std::string& out, const Json& v, int indent, int level)
{
    const auto newline = [&](int lvl) {
        if (indent >= 0) {
            out += '\n';
            out.append(static_cast<std::size_t>(indent) * static_cast<std::size_t>(lvl), ' ');
        }
    };
    switch (v.kind) {
    case Json::Kind::Null: out += "null"; break;
    case Json::Kind::Bool: out += v.boolean ? "true" : "false"; break;
    case Json::Kind::Int: out += std::to_string(v.integer); break;
    case Json::Kind::UInt: out += std::to_string(v.unsignedInteger); break;
    case Json::Kind::Float: appendFloat(out, v.number); break;
    case Json::Kind::String: appendString(out, v.string); break;
    case Json::Kind::Array:
        if (v.elements.empty()) {
            out += "[]";
            break;
        }
        out += '[';
        for (std::size_t i = 0; i < v.elements.size(); ++i) {
            if (i > 0)
                out += ',';
            newline(level + 1);
            appendJson(out, v.elements[i], indent, level + 1);
        }
        newline(level);
        out += ']';
        break;
    case Json::Kind::Object:
        if (v.members.empty()) {
            out += "{}";
            break;
        }
        out += '{';
        for (std::size_t i = 0; i < v.members.size(); ++i) {
            if (i > 0)
                out += ',';
            newline(level + 1);
            appendString(out, v.members[i].first);
            out += indent >= 0 ? ": " : ":";
            appendJson(out, v.members[i].second, indent, level + 1);
        }
        newline(level);
        out += '}';
        break;
    }
}

struct Frame {
    Json* node;
    std::string name;
    int index;
};

// Nesting depth of the arrays and objects in text, looking past strings; stops counting once
// limit is exceeded. The parser builds its tree without recursion, but serialising and
// destroying a tree recurse, so overly deep input is refused before parsing.
int nestingDepth(std::string_view text, int limit)
{
    int depth = 0, deepest = 0;
    bool inString = false, escaped = false;
    for (const char c : text) {
        if (inString) {
            if (escaped)
                escaped = false;
            else if (c == '\\')
                escaped = true;
            else if (c == '"')
                inString = false;
        } else if (c == '"') {
            inString = true;
        } else if (c == '{' || c == '[') {
            if (++depth > deepest && (deepest = depth) > limit)
                break;
        } else if (c == '}' || c == ']') {
            --depth;
        }
    }
    return deepest;
}

// A whole number in the range of int32 or of uint32 (the latter taken as the same 32 bits).
bool toInt32(const Json& v, int& out)
{
    std::int64_t n = 0;
    if (v.kind == Json::Kind::UInt) {
        const std::uint64_t u = v.unsignedInteger;
        if (u > 0xFFFFFFFFull)
            return false;
        n = static_cast<std::int64_t>(u);
    } else if (v.kind == Json::Kind::Int) {
        n = v.integer;
    } else if (v.kind == Json::Kind::Float) {
        const double f = v.number;
        if (!(std::fabs(f) <= 4294967295.0) || f != std::trunc(f))
            return false;
        n = static_cast<std::int64_t>(f);
    } else {
        return false;
    }
    if (n < std::numeric_limits<std::int32_t>::min() || n > 0xFFFFFFFFll)
        return false;
    out = static_cast<int>(static_cast<std::uint32_t>(n));
    return true;
}

bool toFloat(const Json& v, float& out)
{
    float f = 0;
    switch (v.kind) {
    case Json::Kind::Int: f = static_cast<float>(v.integer); break;
    case Json::Kind::UInt: f = static_cast<float>(v.unsignedInteger); break;
    case Json::Kind::Float: f = v.number; break;
    default: return false;
    }
    if (!std::isfinite(f))
        return false;
    out = f;
    return true;
}

} // namespace

struct MgJsonArchive::Impl {
    Json root = Json::object();
    std::vector<Frame> path;

    Impl() { reset(); }

    void reset()
    {
        path.clear();
        path.push_back({ &root, std::string(), -1 });
    }

    [[nodiscard]] Json& current() { return *path.back().node; }

    // The member name of the current node, or null.
    [[nodiscard]] const Json* member(const char* name) { return name ? current().find(name) : nullptr; }

    // Leaves the current node when it is the one entered as (name, index).
    bool leave(const char* name, int index)
    {
        if (path.size() < 2 || !name || path.back().index != index || path.back().name != name)
            return false;
        path.pop_back();
        return true;
    }
};

MgJsonArchive::MgJsonArchive()
    : m_impl(std::make_unique<Impl>())
{
}

MgJsonArchive::~MgJsonArchive() = default;

void MgJsonArchive::clear()
{
    m_impl->root = Json::object();
    m_impl->reset();
}

bool MgJsonArchive::setText(std::string_view text)
{
    clear();
    if (nestingDepth(text, kMaxDepth) > kMaxDepth)
        return false;
    try {
        Json parsed;
        if (!Parser(text).parseDocument(parsed) || !parsed.isObject())
            return false;
        m_impl->root = std::move(parsed);
    } catch (...) { // allocation failure: nothing else throws
        clear();
        return false;
    }
    m_impl->reset();
    return true;
}

std::string MgJsonArchive::text(int indent) const
{
    try {
        std::string out;
        appendJson(out, m_impl->root, indent < 0 ? -1 : indent, 0);
        return out;
    } catch (...) {
        return std::string();
    }
}

bool MgJsonArchive::readFile(const std::string& path)
{
    std::string content;
    try {
        std::ifstream in(path, std::ios::binary);
        if (!in)
            return clear(), false;
        std::ostringstream buf;
        buf << in.rdbuf();
        if (in.bad())
            return clear(), false;
        content = buf.str();
    } catch (...) {
        clear();
        return false;
    }
    return setText(content);
}

bool MgJsonArchive::writeFile(const std::string& path) const
{
    const std::string content = text();
    if (content.empty())
        return false;
    try {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << content << '\n';
        out.close();
        return !out.fail();
    } catch (...) {
        return false;
    }
}

int MgJsonArchive::depth() const { return static_cast<int>(m_impl->path.size()) - 1; }

bool MgJsonArchive::readNode(const char* name, int index, bool ended)
{
    if (ended)
        return m_impl->leave(name, index);
    const Json* v = m_impl->member(name);
    if (!v || index < -1)
        return false;
    if (index >= 0) {
        if (!v->isArray() || static_cast<std::size_t>(index) >= v->elements.size())
            return false;
        v = &v->elements[static_cast<std::size_t>(index)];
    }
    if (!v->isObject())
        return false;
    // Reads never change the tree; the path holds mutable pointers only because writes share it.
    m_impl->path.push_back({ const_cast<Json*>(v), name, index });
    return true;
}

unsigned char MgJsonArchive::readByte(const char* name, unsigned char defValue)
{
    const Json* v = m_impl->member(name);
    int n = 0;
    if (!v || !toInt32(*v, n) || n < 0 || n > 255)
        return defValue;
    return static_cast<unsigned char>(n);
}

int MgJsonArchive::readInt(const char* name, int defValue)
{
    const Json* v = m_impl->member(name);
    int n = 0;
    return v && toInt32(*v, n) ? n : defValue;
}

bool MgJsonArchive::readBool(const char* name, bool defValue)
{
    const Json* v = m_impl->member(name);
    if (!v)
        return defValue;
    if (v->kind == Json::Kind::Bool)
        return v->boolean;
    int n = 0;
    if (toInt32(*v, n) && (n == 0 || n == 1))
        return n == 1;
    return defValue;
}

float MgJsonArchive::readFloat(const char* name, float defValue)
{
    const Json* v = m_impl->member(name);
    float f = 0;
    return v && toFloat(*v, f) ? f : defValue;
}

int MgJsonArchive::readFloatArray(const char* name, float* values, int count)
{
    const Json* v = m_impl->member(name);
    if (!v || !v->isArray() || !values || count <= 0)
        return 0;
    int n = 0;
    for (const Json& e : v->elements) {
        if (n >= count || !toFloat(e, values[n]))
            break;
        ++n;
    }
    return n;
}

bool MgJsonArchive::writeNode(const char* name, int index, bool ended)
{
    if (ended)
        return m_impl->leave(name, index);
    if (!name || index < -1)
        return false;
    Json& node = m_impl->current();
    Json* target = nullptr;
    if (index < 0) {
        Json& v = node[name];
        if (!v.isObject())
            v = Json::object();
        target = &v;
    } else {
        // A refused index must leave the document as it was.
        const Json* existing = node.find(name);
        const std::size_t size = existing && existing->isArray() ? existing->elements.size() : 0;
        const auto i = static_cast<std::size_t>(index);
        if (i > size)
            return false;
        Json& arr = node[name];
        if (!arr.isArray())
            arr = Json::array();
        if (i == arr.elements.size())
            arr.elements.push_back(Json::object());
        else if (!arr.elements[i].isObject())
            arr.elements[i] = Json::object();
        target = &arr.elements[i];
    }
    m_impl->path.push_back({ target, name, index });
    return true;
}

void MgJsonArchive::writeByte(const char* name, unsigned char value)
{
    if (name)
        m_impl->current()[name] = Json::fromUInt(value);
}

void MgJsonArchive::writeInt(const char* name, int value)
{
    if (name)
        m_impl->current()[name] = Json::fromInt(value);
}

void MgJsonArchive::writeBool(const char* name, bool value)
{
    if (name)
        m_impl->current()[name] = Json::fromBool(value);
}

void MgJsonArchive::writeFloat(const char* name, float value)
{
    if (name)
        m_impl->current()[name] = Json::fromFloat(value);
}

void MgJsonArchive::writeFloatArray(const char* name, const float* values, int count)
{
    if (!name)
        return;
    Json arr = Json::array();
    if (values && count > 0) {
        arr.elements.reserve(static_cast<std::size_t>(count));
        for (int i = 0; i < count; ++i)
            arr.elements.push_back(Json::fromFloat(values[i]));
    }
    m_impl->current()[name] = std::move(arr);
}
