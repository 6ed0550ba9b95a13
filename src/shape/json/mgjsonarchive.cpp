#include "shape/json/mgjsonarchive.h"

#include <nlohmann/json.hpp>

#include <cmath>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <limits>
#include <sstream>
#include <vector>

namespace {

// Ordered members so a written document reads in the order it was written; 32-bit floats so
// that a value is printed as the shortest text of the float itself and parses back to the very
// same float.
using Json
    = nlohmann::basic_json<nlohmann::ordered_map, std::vector, std::string, bool, std::int64_t, std::uint64_t, float>;

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
    if (v.is_number_unsigned()) {
        const std::uint64_t u = v.get<std::uint64_t>();
        if (u > 0xFFFFFFFFull)
            return false;
        n = static_cast<std::int64_t>(u);
    } else if (v.is_number_integer()) {
        n = v.get<std::int64_t>();
    } else if (v.is_number_float()) {
        const double f = v.get<double>();
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
    if (!v.is_number())
        return false;
    const float f = v.get<float>();
    if (!std::isfinite(f))
        return false;
    out = f;
    return true;
}

Json floatValue(float f) { return std::isfinite(f) ? Json(f) : Json(nullptr); }

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
    [[nodiscard]] const Json* member(const char* name)
    {
        if (!name)
            return nullptr;
        const Json& node = current();
        const auto it = node.find(name);
        return it == node.end() ? nullptr : &*it;
    }

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
        Json parsed = Json::parse(text.begin(), text.end(), nullptr, false);
        if (parsed.is_discarded() || !parsed.is_object())
            return false;
        m_impl->root = std::move(parsed);
    } catch (...) { // allocation failure; nothing else throws with exceptions off in parse()
        clear();
        return false;
    }
    m_impl->reset();
    return true;
}

std::string MgJsonArchive::text(int indent) const
{
    try {
        return m_impl->root.dump(indent < 0 ? -1 : indent, ' ', false, Json::error_handler_t::replace);
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
        if (!v->is_array() || static_cast<std::size_t>(index) >= v->size())
            return false;
        v = &(*v)[static_cast<std::size_t>(index)];
    }
    if (!v->is_object())
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
    if (v->is_boolean())
        return v->get<bool>();
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
    if (!v || !v->is_array() || !values || count <= 0)
        return 0;
    int n = 0;
    for (const Json& e : *v) {
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
        if (!v.is_object())
            v = Json::object();
        target = &v;
    } else {
        // A refused index must leave the document as it was, so no member is made before the
        // index is known to be good.
        const auto found = node.find(name);
        const std::size_t size = found != node.end() && found->is_array() ? found->size() : 0;
        const auto i = static_cast<std::size_t>(index);
        if (i > size)
            return false;
        Json& arr = node[name];
        if (!arr.is_array())
            arr = Json::array();
        if (i == arr.size())
            arr.push_back(Json::object());
        else if (!arr[i].is_object())
            arr[i] = Json::object();
        target = &arr[i];
    }
    m_impl->path.push_back({ target, name, index });
    return true;
}

void MgJsonArchive::writeByte(const char* name, unsigned char value)
{
    if (name)
        m_impl->current()[name] = static_cast<unsigned>(value);
}

void MgJsonArchive::writeInt(const char* name, int value)
{
    if (name)
        m_impl->current()[name] = value;
}

void MgJsonArchive::writeBool(const char* name, bool value)
{
    if (name)
        m_impl->current()[name] = value;
}

void MgJsonArchive::writeFloat(const char* name, float value)
{
    if (name)
        m_impl->current()[name] = floatValue(value);
}

void MgJsonArchive::writeFloatArray(const char* name, const float* values, int count)
{
    if (!name)
        return;
    Json arr = Json::array();
    if (values && count > 0) {
        arr.get_ref<Json::array_t&>().reserve(static_cast<std::size_t>(count));
        for (int i = 0; i < count; ++i)
            arr.push_back(floatValue(values[i]));
    }
    m_impl->current()[name] = std::move(arr);
}
