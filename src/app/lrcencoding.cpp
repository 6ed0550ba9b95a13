#include "app/lrcencoding.h"

#include <cerrno>
#include <iconv.h>

namespace {

constexpr wchar_t kReplacement = 0xFFFD;

bool isAscii(std::string_view bytes) noexcept
{
    for (unsigned char c : bytes) {
        if (c >= 0x80)
            return false;
    }
    return true;
}

void widenAscii(std::string_view bytes, std::wstring& out)
{
    const std::size_t start = out.size();
    out.resize(start + bytes.size());
    wchar_t* dst = out.data() + start;
    for (unsigned char c : bytes)
        *dst++ = static_cast<wchar_t>(c);
}

bool isValidCodePoint(std::uint32_t c) noexcept { return c < 0xD800 || (c > 0xDFFF && c <= 0x10FFFF); }

// Length of the well-formed UTF-8 sequence at p (1 to 4), or 0 when the bytes there are not one.
// On success cp receives the code point.
std::size_t utf8Sequence(const unsigned char* p, std::size_t n, std::uint32_t& cp) noexcept
{
    const unsigned char b0 = p[0];
    if (b0 < 0x80) {
        cp = b0;
        return 1;
    }
    std::size_t len;
    std::uint32_t min;
    if (b0 >= 0xC2 && b0 <= 0xDF)
        len = 2, min = 0x80, cp = b0 & 0x1Fu;
    else if (b0 >= 0xE0 && b0 <= 0xEF)
        len = 3, min = 0x800, cp = b0 & 0x0Fu;
    else if (b0 >= 0xF0 && b0 <= 0xF4)
        len = 4, min = 0x10000, cp = b0 & 0x07u;
    else
        return 0;
    if (n < len)
        return 0;
    for (std::size_t i = 1; i < len; ++i) {
        if ((p[i] & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (p[i] & 0x3Fu);
    }
    return cp >= min && isValidCodePoint(cp) ? len : 0;
}

void decodeUtf8(std::string_view bytes, std::wstring& out)
{
    out.reserve(out.size() + bytes.size());
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    std::size_t n = bytes.size();
    while (n > 0) {
        std::uint32_t cp = 0;
        std::size_t len = utf8Sequence(p, n, cp);
        if (len == 0) {
            out.push_back(kReplacement);
            len = 1;
        } else {
            out.push_back(static_cast<wchar_t>(cp));
        }
        p += len;
        n -= len;
    }
}

void decodeUtf16(std::string_view bytes, bool bigEndian, std::wstring& out)
{
    out.reserve(out.size() + bytes.size() / 2 + 1);
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t units = bytes.size() / 2;
    auto unitAt = [&](std::size_t i) -> std::uint32_t {
        return bigEndian ? (std::uint32_t(p[2 * i]) << 8) | p[2 * i + 1]
                         : (std::uint32_t(p[2 * i + 1]) << 8) | p[2 * i];
    };
    for (std::size_t i = 0; i < units; ++i) {
        const std::uint32_t u = unitAt(i);
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units) {
            const std::uint32_t v = unitAt(i + 1);
            if (v >= 0xDC00 && v <= 0xDFFF) {
                out.push_back(static_cast<wchar_t>(0x10000 + ((u - 0xD800) << 10) + (v - 0xDC00)));
                ++i;
                continue;
            }
        }
        out.push_back(u >= 0xD800 && u <= 0xDFFF ? kReplacement : static_cast<wchar_t>(u));
    }
    // A stray odd byte at the end cannot be a character.
    if (bytes.size() % 2 != 0)
        out.push_back(kReplacement);
}

void encodeUtf8(std::uint32_t c, std::string& out)
{
    if (!isValidCodePoint(c))
        c = kReplacement;
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

void pushUnit(std::uint32_t u, bool bigEndian, std::string& out)
{
    const char hi = static_cast<char>(u >> 8), lo = static_cast<char>(u & 0xFF);
    if (bigEndian) {
        out.push_back(hi);
        out.push_back(lo);
    } else {
        out.push_back(lo);
        out.push_back(hi);
    }
}

void encodeUtf16(std::uint32_t c, bool bigEndian, std::string& out)
{
    if (!isValidCodePoint(c))
        c = kReplacement;
    if (c < 0x10000) {
        pushUnit(c, bigEndian, out);
    } else {
        c -= 0x10000;
        pushUnit(0xD800 + (c >> 10), bigEndian, out);
        pushUnit(0xDC00 + (c & 0x3FF), bigEndian, out);
    }
}

// One conversion descriptor per direction and thread, opened on first use. iconv descriptors
// carry shift state, so each conversion starts with a reset.
class IconvHandle {
public:
    IconvHandle(const char* to, const char* from) noexcept
        : m_cd(iconv_open(to, from))
    {
    }
    ~IconvHandle()
    {
        if (valid())
            iconv_close(m_cd);
    }
    IconvHandle(const IconvHandle&) = delete;
    IconvHandle& operator=(const IconvHandle&) = delete;

    [[nodiscard]] bool valid() const noexcept { return m_cd != reinterpret_cast<iconv_t>(-1); }
    [[nodiscard]] iconv_t get() const noexcept { return m_cd; }

private:
    iconv_t m_cd;
};

IconvHandle& gbDecoder()
{
    thread_local IconvHandle handle("WCHAR_T", "GB18030");
    return handle;
}

IconvHandle& gbEncoder()
{
    thread_local IconvHandle handle("GB18030", "WCHAR_T");
    return handle;
}

void decodeGb18030(std::string_view bytes, std::wstring& out)
{
    if (isAscii(bytes)) {
        widenAscii(bytes, out);
        return;
    }
    IconvHandle& cd = gbDecoder();
    const std::size_t start = out.size();
    // Every GB18030 character takes at least one byte, so bytes.size() characters always fit.
    out.resize(start + bytes.size());
    if (!cd.valid()) {
        // No converter: keep ASCII, mark the rest. Cannot happen with glibc's full gconv set.
        wchar_t* dst = out.data() + start;
        for (unsigned char c : bytes)
            *dst++ = c < 0x80 ? static_cast<wchar_t>(c) : kReplacement;
        return;
    }
    iconv(cd.get(), nullptr, nullptr, nullptr, nullptr);
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    char* dst = reinterpret_cast<char*>(out.data() + start);
    std::size_t dstLeft = bytes.size() * sizeof(wchar_t);
    while (inLeft > 0) {
        if (iconv(cd.get(), &in, &inLeft, &dst, &dstLeft) != static_cast<std::size_t>(-1))
            break;
        if (errno == E2BIG)
            break; // cannot happen (see the size above); stop rather than loop
        // EILSEQ or EINVAL: one byte that starts no valid character.
        *reinterpret_cast<wchar_t*>(dst) = kReplacement;
        dst += sizeof(wchar_t);
        dstLeft -= sizeof(wchar_t);
        ++in;
        --inLeft;
        iconv(cd.get(), nullptr, nullptr, nullptr, nullptr);
    }
    out.resize(static_cast<std::size_t>(reinterpret_cast<wchar_t*>(dst) - out.data()));
}

void encodeGb18030(std::wstring_view text, std::string& out)
{
    bool ascii = true;
    for (wchar_t c : text) {
        if (static_cast<std::uint32_t>(c) >= 0x80) {
            ascii = false;
            break;
        }
    }
    if (ascii) {
        for (wchar_t c : text)
            out.push_back(static_cast<char>(c));
        return;
    }
    IconvHandle& cd = gbEncoder();
    if (!cd.valid()) {
        for (wchar_t c : text)
            out.push_back(static_cast<std::uint32_t>(c) < 0x80 ? static_cast<char>(c) : '?');
        return;
    }
    iconv(cd.get(), nullptr, nullptr, nullptr, nullptr);
    const std::size_t start = out.size();
    // GB18030 needs at most four bytes per character.
    out.resize(start + text.size() * 4 + 16);
    char* in = reinterpret_cast<char*>(const_cast<wchar_t*>(text.data()));
    std::size_t inLeft = text.size() * sizeof(wchar_t);
    char* dst = out.data() + start;
    std::size_t dstLeft = out.size() - start;
    while (inLeft > 0) {
        if (iconv(cd.get(), &in, &inLeft, &dst, &dstLeft) != static_cast<std::size_t>(-1))
            break;
        if (errno == E2BIG || dstLeft == 0)
            break;
        // A value that is no character (a lone surrogate, beyond U+10FFFF): the default character.
        *dst++ = '?';
        --dstLeft;
        in += sizeof(wchar_t);
        inLeft -= sizeof(wchar_t);
        iconv(cd.get(), nullptr, nullptr, nullptr, nullptr);
    }
    iconv(cd.get(), nullptr, nullptr, &dst, &dstLeft);
    out.resize(static_cast<std::size_t>(dst - out.data()));
}

} // namespace

bool lrcIsValidUtf8(std::string_view bytes) noexcept
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    std::size_t n = bytes.size();
    while (n > 0) {
        if (*p < 0x80) {
            ++p, --n;
            continue;
        }
        std::uint32_t cp = 0;
        const std::size_t len = utf8Sequence(p, n, cp);
        if (len == 0)
            return false;
        p += len;
        n -= len;
    }
    return true;
}

LrcEncoding lrcDetectEncoding(std::string_view file) noexcept
{
    if (file.starts_with("\xEF\xBB\xBF"))
        return LrcEncoding::Utf8Bom;
    if (file.starts_with("\xFF\xFE"))
        return LrcEncoding::Utf16Le;
    if (file.starts_with("\xFE\xFF"))
        return LrcEncoding::Utf16Be;
    if (!isAscii(file) && lrcIsValidUtf8(file))
        return LrcEncoding::Utf8;
    return LrcEncoding::Gb18030;
}

std::string_view lrcByteOrderMark(LrcEncoding encoding) noexcept
{
    switch (encoding) {
    case LrcEncoding::Utf8Bom: return "\xEF\xBB\xBF";
    case LrcEncoding::Utf16Le: return "\xFF\xFE";
    case LrcEncoding::Utf16Be: return "\xFE\xFF";
    case LrcEncoding::Gb18030:
    case LrcEncoding::Utf8: break;
    }
    return {};
}

const char* lrcEncodingName(LrcEncoding encoding) noexcept
{
    switch (encoding) {
    case LrcEncoding::Gb18030: return "GB18030";
    case LrcEncoding::Utf8: return "UTF-8";
    case LrcEncoding::Utf8Bom: return "UTF-8 BOM";
    case LrcEncoding::Utf16Le: return "UTF-16LE";
    case LrcEncoding::Utf16Be: return "UTF-16BE";
    }
    return "?";
}

void lrcDecodeAppend(LrcEncoding encoding, std::string_view bytes, std::wstring& out)
{
    switch (encoding) {
    case LrcEncoding::Gb18030: decodeGb18030(bytes, out); break;
    case LrcEncoding::Utf8:
    case LrcEncoding::Utf8Bom:
        if (isAscii(bytes))
            widenAscii(bytes, out);
        else
            decodeUtf8(bytes, out);
        break;
    case LrcEncoding::Utf16Le: decodeUtf16(bytes, false, out); break;
    case LrcEncoding::Utf16Be: decodeUtf16(bytes, true, out); break;
    }
}

std::wstring lrcDecode(LrcEncoding encoding, std::string_view bytes)
{
    std::wstring out;
    lrcDecodeAppend(encoding, bytes, out);
    return out;
}

void lrcEncodeAppend(LrcEncoding encoding, std::wstring_view text, std::string& out)
{
    switch (encoding) {
    case LrcEncoding::Gb18030: encodeGb18030(text, out); break;
    case LrcEncoding::Utf8:
    case LrcEncoding::Utf8Bom:
        for (wchar_t c : text)
            encodeUtf8(static_cast<std::uint32_t>(c), out);
        break;
    case LrcEncoding::Utf16Le:
    case LrcEncoding::Utf16Be:
        for (wchar_t c : text)
            encodeUtf16(static_cast<std::uint32_t>(c), encoding == LrcEncoding::Utf16Be, out);
        break;
    }
}

std::string lrcEncode(LrcEncoding encoding, std::wstring_view text)
{
    std::string out;
    lrcEncodeAppend(encoding, text, out);
    return out;
}

void lrcEncodeAsciiAppend(LrcEncoding encoding, std::string_view ascii, std::string& out)
{
    if (lrcUnitSize(encoding) == 1) {
        out.append(ascii);
        return;
    }
    const bool bigEndian = encoding == LrcEncoding::Utf16Be;
    const std::size_t start = out.size();
    out.resize(start + 2 * ascii.size());
    char* dst = out.data() + start;
    for (char c : ascii) {
        dst[bigEndian ? 0 : 1] = 0;
        dst[bigEndian ? 1 : 0] = c;
        dst += 2;
    }
}

std::string lrcToUtf8(std::wstring_view text)
{
    std::string out;
    out.reserve(text.size());
    for (wchar_t c : text)
        encodeUtf8(static_cast<std::uint32_t>(c), out);
    return out;
}

std::wstring lrcFromUtf8(std::string_view bytes)
{
    std::wstring out;
    decodeUtf8(bytes, out);
    return out;
}
