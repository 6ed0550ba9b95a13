#include "app/lrcformat.h"

#include "geom/mgbase.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cstring>

namespace {

constexpr std::string_view kHeaderTagAscii = "[00:00.00]";

bool isTrimUnit(std::uint32_t u) noexcept { return u == ' ' || u == '\t' || u == '\r' || u == '\n'; }

// Stores one digit run (saturating at INT_MAX). Returns false once the array is full.
struct NumberSink {
    int* numbers;
    int count = 0;
    long long value = 0;
    bool inRun = false;

    void digit(unsigned d) noexcept
    {
        if (value <= INT_MAX)
            value = value * 10 + d;
        inRun = true;
    }
    // Ends a run; false when no more numbers may be taken.
    bool separator() noexcept
    {
        if (inRun) {
            numbers[count++] = value > INT_MAX ? INT_MAX : static_cast<int>(value);
            value = 0;
            inRun = false;
        }
        return count < kLrcMaxNumbers;
    }
};

// Length of the GB18030 character at p (1, 2 or 4 bytes). A byte that starts no well-formed
// sequence counts as one character of its own, which is also how the decoder treats it.
std::size_t gbCharLength(const unsigned char* p, std::size_t n) noexcept
{
    const unsigned char b0 = p[0];
    if (b0 < 0x80 || b0 == 0x80 || b0 == 0xFF || n < 2)
        return 1;
    const unsigned char b1 = p[1];
    if (b1 >= 0x30 && b1 <= 0x39) {
        if (n >= 4 && p[2] >= 0x81 && p[2] <= 0xFE && p[3] >= 0x30 && p[3] <= 0x39)
            return 4;
        return 1;
    }
    if ((b1 >= 0x40 && b1 <= 0x7E) || (b1 >= 0x80 && b1 <= 0xFE))
        return 2;
    return 1;
}

// Reads the code units of one line in any of the file encodings, as ASCII values where the unit
// is a whole ASCII character and as 0x80 (a non-ASCII marker) otherwise.
class UnitCursor {
public:
    UnitCursor(LrcEncoding encoding, std::string_view bytes) noexcept
        : m_p(reinterpret_cast<const unsigned char*>(bytes.data()))
        , m_n(bytes.size())
        , m_encoding(encoding)
    {
    }
    [[nodiscard]] bool atEnd() const noexcept { return m_i >= m_n; }
    [[nodiscard]] std::size_t offset() const noexcept { return m_i; }
    // The current character (ASCII value or 0x80) and advance past it.
    std::uint32_t take() noexcept
    {
        switch (m_encoding) {
        case LrcEncoding::Utf16Le:
        case LrcEncoding::Utf16Be: {
            if (m_i + 1 >= m_n) {
                m_i = m_n;
                return 0x80;
            }
            const unsigned hi = m_encoding == LrcEncoding::Utf16Be ? m_p[m_i] : m_p[m_i + 1];
            const unsigned lo = m_encoding == LrcEncoding::Utf16Be ? m_p[m_i + 1] : m_p[m_i];
            m_i += 2;
            return hi == 0 && lo < 0x80 ? lo : 0x80;
        }
        case LrcEncoding::Gb18030: {
            const unsigned char b = m_p[m_i];
            m_i += gbCharLength(m_p + m_i, m_n - m_i);
            return b < 0x80 ? b : 0x80;
        }
        case LrcEncoding::Utf8:
        case LrcEncoding::Utf8Bom: break;
        }
        // In UTF-8 an ASCII byte is never part of a longer sequence.
        const unsigned char b = m_p[m_i++];
        return b < 0x80 ? b : 0x80;
    }

private:
    const unsigned char* m_p;
    std::size_t m_n;
    std::size_t m_i = 0;
    LrcEncoding m_encoding;
};

// ParseNumbers over encoded bytes.
int parseNumbersEncoded(LrcEncoding encoding, std::string_view bytes, int numbers[kLrcMaxNumbers]) noexcept
{
    NumberSink sink { numbers };
    // Digits inside a longer GB18030 character are no digits; without bytes above 0x7F there is
    // no such character.
    const bool plainBytes = lrcUnitSize(encoding) == 1
        && (encoding != LrcEncoding::Gb18030
            || std::none_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; }));
    if (plainBytes) {
        for (unsigned char c : bytes) {
            if (c >= '0' && c <= '9')
                sink.digit(c - '0');
            else if (!sink.separator())
                return sink.count;
        }
    } else {
        UnitCursor cursor(encoding, bytes);
        while (!cursor.atEnd()) {
            const std::uint32_t c = cursor.take();
            if (c >= '0' && c <= '9')
                sink.digit(c - '0');
            else if (!sink.separator())
                return sink.count;
        }
    }
    sink.separator();
    return sink.count;
}

// Offset of the last "@" of a line, or npos.
std::size_t lastAt(LrcEncoding encoding, std::string_view line) noexcept
{
    switch (encoding) {
    case LrcEncoding::Utf8:
    case LrcEncoding::Utf8Bom: return line.rfind('@');
    case LrcEncoding::Gb18030: {
        // "@" (0x40) is also a valid second byte of a two-byte character, so a candidate counts
        // only when it starts a character. Bytes 0x00-0x2F and 0x3A-0x3F are never part of a
        // longer character, so the walk that decides starts just after the last of them.
        const auto* p = reinterpret_cast<const unsigned char*>(line.data());
        std::size_t candidate = line.rfind('@');
        while (candidate != std::string_view::npos) {
            std::size_t i = candidate;
            while (i > 0 && !(p[i - 1] < 0x30 || (p[i - 1] >= 0x3A && p[i - 1] <= 0x3F)))
                --i;
            while (i < candidate)
                i += gbCharLength(p + i, line.size() - i);
            if (i == candidate || candidate == 0)
                return i == candidate ? candidate : std::string_view::npos;
            candidate = line.rfind('@', candidate - 1);
        }
        return std::string_view::npos;
    }
    case LrcEncoding::Utf16Le:
    case LrcEncoding::Utf16Be: {
        const bool be = encoding == LrcEncoding::Utf16Be;
        for (std::size_t i = line.size() & ~std::size_t(1); i >= 2; i -= 2) {
            const char hi = be ? line[i - 2] : line[i - 1];
            const char lo = be ? line[i - 1] : line[i - 2];
            if (hi == 0 && lo == '@')
                return i - 2;
        }
        return std::string_view::npos;
    }
    }
    return std::string_view::npos;
}

// Whether GB18030 text ends in the first byte of a two-byte character whose second byte is
// missing (the reader then took that byte as a character of its own).
bool endsWithLoneLead(std::string_view text) noexcept
{
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    if (n == 0 || p[n - 1] < 0x81 || p[n - 1] == 0xFF)
        return false;
    std::size_t i = n - 1;
    while (i > 0 && !(p[i - 1] < 0x30 || (p[i - 1] >= 0x3A && p[i - 1] <= 0x3F)))
        --i;
    std::size_t last = i;
    while (i < n) {
        last = i;
        i += gbCharLength(p + i, n - i);
    }
    return last == n - 1;
}

std::size_t appendInt(char* dst, int value) noexcept
{
    return static_cast<std::size_t>(std::to_chars(dst, dst + 12, value).ptr - dst);
}

// "l|t|r|b" into buf (at least 48 chars); returns the length.
std::size_t formatGroup(const MgBox& box, char* buf) noexcept
{
    std::size_t n = appendInt(buf, lrcRoundCoord(box.xmin));
    buf[n++] = '|';
    n += appendInt(buf + n, lrcRoundCoord(box.ymin));
    buf[n++] = '|';
    n += appendInt(buf + n, lrcRoundCoord(box.xmax));
    buf[n++] = '|';
    n += appendInt(buf + n, lrcRoundCoord(box.ymax));
    return n;
}

std::wstring widen(std::string_view ascii) { return std::wstring(ascii.begin(), ascii.end()); }

} // namespace

int ParseNumbers(std::wstring_view text, int numbers[kLrcMaxNumbers]) noexcept
{
    NumberSink sink { numbers };
    for (wchar_t c : text) {
        if (c >= L'0' && c <= L'9')
            sink.digit(static_cast<unsigned>(c - L'0'));
        else if (!sink.separator())
            return sink.count;
    }
    sink.separator();
    return sink.count;
}

int lrcGroupsToBoxes(const int* numbers, int count, MgBox boxes[kLrcMaxGroups]) noexcept
{
    const int groups = std::min(count / 4, kLrcMaxGroups);
    for (int k = 0; k < groups; ++k) {
        const int* g = numbers + 4 * k;
        float x1 = static_cast<float>(g[0]), y1 = static_cast<float>(g[1]);
        float x2 = static_cast<float>(g[2]), y2 = static_cast<float>(g[3]);
        // The widening of a degenerate box comes before ordering, so it always grows x2, y2.
        if (x1 == x2)
            x2 += 0.4f;
        if (y1 == y2)
            y2 += 0.4f;
        boxes[k] = MgBox(std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2));
    }
    return groups;
}

int lrcRoundCoord(float value) noexcept
{
    const double v = value;
    if (v != v)
        return 0;
    if (v >= static_cast<double>(INT_MAX))
        return INT_MAX;
    if (v <= static_cast<double>(INT_MIN))
        return INT_MIN;
    return mgRoundToInt(v);
}

std::wstring lrcGroupText(const MgBox& box)
{
    char buf[48];
    return widen(std::string_view(buf, formatGroup(box, buf)));
}

std::wstring lrcSizeSuffix(float width, float height)
{
    char buf[32] = "@0|0|";
    std::size_t n = 5;
    n += appendInt(buf + n, lrcRoundCoord(width));
    buf[n++] = '|';
    n += appendInt(buf + n, lrcRoundCoord(height));
    return widen(std::string_view(buf, n));
}

std::wstring lrcDefaultHeader(std::wstring_view lrcPath)
{
    const std::size_t slash = lrcPath.rfind(L'/');
    std::wstring_view name = slash == std::wstring_view::npos ? lrcPath : lrcPath.substr(slash + 1);
    // A name without any "." gives an empty title.
    const std::size_t dot = name.find(L'.');
    name = dot == std::wstring_view::npos ? std::wstring_view() : name.substr(0, dot);
    std::wstring header(kLrcHeaderTag);
    header += name;
    return header;
}

LrcReader::LrcReader(std::string_view file) noexcept
    : m_file(file)
    , m_encoding(lrcDetectEncoding(file))
{
    m_pos = lrcByteOrderMark(m_encoding).size();
}

bool LrcReader::nextLine(std::string_view& line) noexcept
{
    const std::size_t size = m_file.size();
    if (m_pos >= size)
        return false;
    const char* p = m_file.data();
    const std::size_t begin = m_pos;
    if (lrcUnitSize(m_encoding) == 1) {
        // memchr is much faster than a byte loop; look for CR only up to the next LF so that a
        // file without CR is not searched to its end for every line.
        const void* lf = std::memchr(p + begin, '\n', size - begin);
        const std::size_t lfPos = lf ? static_cast<std::size_t>(static_cast<const char*>(lf) - p) : size;
        const void* cr = std::memchr(p + begin, '\r', lfPos - begin);
        std::size_t i = cr ? static_cast<std::size_t>(static_cast<const char*>(cr) - p) : lfPos;
        line = m_file.substr(begin, i - begin);
        if (i < size && p[i] == '\r' && i + 1 < size && p[i + 1] == '\n')
            ++i;
        m_pos = i + 1;
        return true;
    }
    const bool be = m_encoding == LrcEncoding::Utf16Be;
    auto unitIs = [&](std::size_t i, char c) { return p[i + (be ? 0 : 1)] == 0 && p[i + (be ? 1 : 0)] == c; };
    std::size_t i = begin;
    while (i + 1 < size && !unitIs(i, '\n') && !unitIs(i, '\r'))
        i += 2;
    if (i + 1 >= size) {
        // Last line, possibly with a stray odd byte, which stays part of it.
        line = m_file.substr(begin);
        m_pos = size;
        return true;
    }
    line = m_file.substr(begin, i - begin);
    if (unitIs(i, '\r') && i + 3 < size && unitIs(i + 2, '\n'))
        i += 2;
    m_pos = i + 2;
    return true;
}

bool LrcReader::next(LrcItem& item) noexcept
{
    const std::size_t unit = lrcUnitSize(m_encoding);
    const bool be = m_encoding == LrcEncoding::Utf16Be;
    auto unitAt = [&](std::string_view s, std::size_t i) -> std::uint32_t {
        if (unit == 1)
            return static_cast<unsigned char>(s[i]);
        const auto hi = static_cast<unsigned char>(s[i + (be ? 0 : 1)]);
        const auto lo = static_cast<unsigned char>(s[i + (be ? 1 : 0)]);
        return (std::uint32_t(hi) << 8) | lo;
    };

    std::string_view line;
    while (nextLine(line)) {
        // Trim whole units; in GB18030 and UTF-8 these ASCII bytes are never part of a longer
        // character, so trimming bytes from either end is safe.
        std::size_t b = 0, e = line.size();
        while (b + unit <= e && isTrimUnit(unitAt(line, b)))
            b += unit;
        while (e >= b + unit && (e - b) % unit == 0 && isTrimUnit(unitAt(line, e - unit)))
            e -= unit;
        if (b == e)
            continue;
        line = line.substr(b, e - b);

        const std::size_t at = lastAt(m_encoding, line);
        item.rawLine = line;
        item.hasSuffix = at != std::string_view::npos;
        item.rawText = item.hasSuffix ? line.substr(0, at) : line;
        int numbers[kLrcMaxNumbers];
        const int count = item.hasSuffix ? parseNumbersEncoded(m_encoding, line.substr(at + unit), numbers) : 0;

        bool isHeader = line.size() >= kHeaderTagAscii.size() * unit;
        for (std::size_t i = 0; isHeader && i < kHeaderTagAscii.size(); ++i)
            isHeader = unitAt(line, i * unit) == static_cast<unsigned char>(kHeaderTagAscii[i]);
        if (isHeader) {
            item.boxCount = 0;
            if (m_seenHeader) {
                item.kind = LrcItem::ExtraHeader;
                item.hasSize = false;
                item.width = item.height = 0;
                return true;
            }
            m_seenHeader = true;
            item.kind = LrcItem::Header;
            item.hasSize = count >= 4 && numbers[2] > 1 && numbers[3] > 1;
            item.width = item.hasSize ? numbers[2] : 0;
            item.height = item.hasSize ? numbers[3] : 0;
            return true;
        }
        item.kind = LrcItem::Row;
        item.hasSize = false;
        item.width = item.height = 0;
        item.boxCount = lrcGroupsToBoxes(numbers, count, item.boxes.data());
        return true;
    }
    return false;
}

LrcWriter::LrcWriter(LrcEncoding encoding)
    : m_encoding(encoding)
    , m_bytes(lrcByteOrderMark(encoding))
{
}

void LrcWriter::appendTextBytes(std::string_view rawText, bool suffixFollows)
{
    m_bytes.append(rawText);
    if (lrcUnitSize(m_encoding) == 2) {
        // Only the last line of a file of odd size can hold a stray byte; pad it to a whole unit
        // so that what follows stays aligned. The unit it makes must be no character the format
        // reads: padded with a zero, a little-endian stray byte would become an ASCII character,
        // and "\n" would split the line, "]" could turn a row into a "[00:00.00]" line, "@"
        // would move the suffix, a blank would be trimmed. 0xDC makes it a lone low surrogate
        // instead. A big-endian stray byte is the high half, so a zero can only make U+0000
        // or a character beyond ASCII.
        if (rawText.size() % 2 != 0)
            m_bytes.push_back(m_encoding == LrcEncoding::Utf16Le ? '\xDC' : '\0');
    } else if (suffixFollows && m_encoding == LrcEncoding::Gb18030 && endsWithLoneLead(rawText)) {
        // A text cut after the first byte of a two-byte character would take the "@" as its
        // second byte and so lose the suffix; a space keeps them apart (and is trimmed away
        // again should the suffix ever go).
        m_bytes.push_back(' ');
    }
}

void LrcWriter::writeHeader(std::string_view rawText, float width, float height)
{
    appendTextBytes(rawText, true);
    char buf[32] = "@0|0|";
    std::size_t n = 5;
    n += appendInt(buf + n, lrcRoundCoord(width));
    buf[n++] = '|';
    n += appendInt(buf + n, lrcRoundCoord(height));
    appendAscii(std::string_view(buf, n));
    endLine();
}

void LrcWriter::writeRow(std::string_view rawText, const MgBox* boxes, int count)
{
    count = std::clamp(count, 0, kLrcMaxGroups);
    if (count == 0) {
        const bool keepAt = rawText.empty() || lastAt(m_encoding, rawText) != std::string_view::npos;
        appendTextBytes(rawText, keepAt);
        if (keepAt)
            appendAscii("@");
    } else {
        appendTextBytes(rawText, true);
        char buf[kLrcMaxGroups * 48];
        std::size_t n = 0;
        for (int k = 0; k < count; ++k) {
            buf[n++] = k == 0 ? '@' : ',';
            n += formatGroup(boxes[k], buf + n);
        }
        appendAscii(std::string_view(buf, n));
    }
    endLine();
}

void LrcWriter::writeLine(std::string_view rawLine)
{
    appendTextBytes(rawLine, false);
    endLine();
}

LrcContent lrcRead(std::string_view file)
{
    LrcContent content;
    LrcReader reader(file);
    content.encoding = reader.encoding();
    LrcItem item;
    while (reader.next(item)) {
        if (item.kind == LrcItem::Header) {
            content.hasHeader = true;
            content.rawHeaderText = item.rawText;
            content.headerText = reader.decode(item.rawText);
            content.hasSize = item.hasSize;
            content.width = item.width;
            content.height = item.height;
            continue;
        }
        if (item.kind == LrcItem::ExtraHeader) {
            content.extraHeaders.push_back(item.rawLine);
            continue;
        }
        LrcContent::Row& row = content.rows.emplace_back();
        row.rawLine = item.rawLine;
        row.rawText = item.rawText;
        row.text = reader.decode(item.rawText);
        row.boxCount = item.boxCount;
        row.boxes = item.boxes;
    }
    return content;
}

std::string lrcWrite(const LrcContent& content, float width, float height)
{
    LrcWriter writer(content.encoding);
    if (content.hasHeader) {
        writer.writeHeader(content.rawHeaderText, width, height);
    } else if (!content.headerText.empty()) {
        writer.writeHeader(writer.encode(content.headerText), width, height);
    }
    for (std::string_view line : content.extraHeaders)
        writer.writeLine(line);
    for (const LrcContent::Row& row : content.rows)
        writer.writeRow(row.rawText, row.boxes.data(), row.boxCount);
    return writer.takeBytes();
}
