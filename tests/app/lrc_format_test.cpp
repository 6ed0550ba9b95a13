// The LRC text format: numbers, groups, line classification, encodings, writing and round trips.
#include "app/lrcformat.h"
#include "support/file_helpers.h"

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

namespace {

using testfiles::folderEntries;
using testfiles::readFile;
using testfiles::writeFile;

std::vector<int> numbersOf(std::wstring_view text)
{
    int numbers[kLrcMaxNumbers];
    const int n = ParseNumbers(text, numbers);
    return { numbers, numbers + n };
}

std::string textsOf(const LrcContent& c)
{
    std::string out;
    for (const auto& row : c.rows) {
        out += std::string(row.rawText);
        out += '/';
        out += std::to_string(row.boxCount);
        out += ';';
    }
    return out;
}

// Row b was read back from the writing of row a: its text bytes are a's, except that a bare
// text (no suffix written after it) loses its trailing blanks to the reader's trimming.
void expectSameText(const LrcContent::Row& a, const LrcContent::Row& b)
{
    const bool bare = a.boxCount == 0 && !a.text.empty() && a.text.find(L'@') == std::wstring::npos;
    if (!bare) {
        EXPECT_EQ(b.rawText, a.rawText);
        EXPECT_EQ(b.text, a.text);
        return;
    }
    std::wstring trimmed = a.text;
    while (!trimmed.empty() && (trimmed.back() == L' ' || trimmed.back() == L'\t'))
        trimmed.pop_back();
    EXPECT_EQ(b.text, trimmed);
    EXPECT_TRUE(a.rawText.starts_with(b.rawText));
}

} // namespace

TEST(LrcParseNumbers, Table)
{
    struct Case {
        const char* name;
        std::wstring_view text;
        std::vector<int> expected;
    };
    const Case cases[] = {
        { "empty", L"", {} },
        { "plain", L"120|41|381|72", { 120, 41, 381, 72 } },
        { "minus only separates", L"-5|7|20|30", { 5, 7, 20, 30 } },
        { "letters separate", L"a1bb22c333", { 1, 22, 333 } },
        { "largest int", L"2147483647", { INT_MAX } },
        { "one beyond the range", L"2147483648", { INT_MAX } },
        { "very long run", L"123456789012345678901234567890|7", { INT_MAX, 7 } },
        { "leading zeros", L"007|0", { 7, 0 } },
        { "full-width digits are not digits", L"\xFF11\xFF12|3", { 3 } },
        { "at most twenty", L"1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20,21,22",
            { 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20 } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(numbersOf(c.text), c.expected);
    }
}

TEST(LrcGroups, BoxesFromNumbers)
{
    struct Case {
        const char* name;
        std::vector<int> numbers;
        std::vector<MgBox> expected;
    };
    const Case cases[] = {
        { "ordered", { 1, 2, 3, 4 }, { MgBox(1, 2, 3, 4) } },
        { "reversed corners are ordered", { 300, 80, 100, 20 }, { MgBox(100, 20, 300, 80) } },
        { "degenerate grows before ordering", { 10, 10, 10, 10 }, { MgBox(10, 10, 10.4f, 10.4f) } },
        { "degenerate in x only", { 10, 30, 10, 20 }, { MgBox(10, 20, 10.4f, 30) } },
        { "incomplete last group ignored", { 1, 2, 3, 4, 5, 6, 7 }, { MgBox(1, 2, 3, 4) } },
        { "nothing", {}, {} },
        { "six groups keep five", { 0, 0, 1, 1, 0, 0, 2, 2, 0, 0, 3, 3, 0, 0, 4, 4, 0, 0, 5, 5, 0, 0, 6, 6 },
            { MgBox(0, 0, 1, 1), MgBox(0, 0, 2, 2), MgBox(0, 0, 3, 3), MgBox(0, 0, 4, 4), MgBox(0, 0, 5, 5) } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MgBox boxes[kLrcMaxGroups];
        const int n = lrcGroupsToBoxes(c.numbers.data(), static_cast<int>(c.numbers.size()), boxes);
        ASSERT_EQ(n, static_cast<int>(c.expected.size()));
        for (int k = 0; k < n; ++k) {
            EXPECT_EQ(boxes[k].xmin, c.expected[k].xmin);
            EXPECT_EQ(boxes[k].ymin, c.expected[k].ymin);
            EXPECT_EQ(boxes[k].xmax, c.expected[k].xmax);
            EXPECT_EQ(boxes[k].ymax, c.expected[k].ymax);
        }
    }
}

TEST(LrcGroups, GroupTextRoundsHalvesAwayFromZero)
{
    struct Case {
        const char* name;
        MgBox box;
        std::wstring_view expected;
    };
    const Case cases[] = {
        { "worked example", MgBox(120.4f, 40.6f, 380.5f, 72.2f), L"120|41|381|72" },
        { "widened degenerate box", MgBox(10, 10, 10.4f, 10.4f), L"10|10|10|10" },
        { "negative halves", MgBox(-2.5f, -0.5f, 0.5f, 1.49f), L"-3|-1|1|1" },
        { "beyond the int range is clamped", MgBox(-3e9f, 0, 2147483648.0f, 1e30f),
            L"-2147483648|0|2147483647|2147483647" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(lrcGroupText(c.box), c.expected);
    }
    EXPECT_EQ(lrcRoundCoord(std::numeric_limits<float>::quiet_NaN()), 0);
    EXPECT_EQ(lrcSizeSuffix(800, 600), L"@0|0|800|600");
    EXPECT_EQ(lrcSizeSuffix(799.5f, -0.5f), L"@0|0|800|-1");
}

TEST(LrcHeader, DefaultTitleFromFileName)
{
    EXPECT_EQ(lrcDefaultHeader(L"/pics/song.lrc"), L"[00:00.00]song");
    EXPECT_EQ(lrcDefaultHeader(L"/pics/a.b.lrc"), L"[00:00.00]a");
    // A name without any "." gives an empty title.
    EXPECT_EQ(lrcDefaultHeader(L"/pi.cs/noext"), L"[00:00.00]");
    EXPECT_EQ(lrcDefaultHeader(L"歌词.lrc"), L"[00:00.00]歌词");
    EXPECT_EQ(lrcDefaultHeader(L"/pics/.hidden.lrc"), L"[00:00.00]");
}

TEST(LrcReader, ClassifiesLines)
{
    struct Case {
        const char* name;
        std::string file;
        std::string rows; // "rawText/boxCount;" per row
        bool hasHeader;
        std::string header;
    };
    const std::string longText(300, 'x');
    const Case cases[] = {
        { "empty file", "", "", false, "" },
        { "blank lines only", "  \r\n\t\n\r\n \r", "", false, "" },
        { "text with an at but no numbers", "Tom@home\n", "Tom/0;", false, "" },
        { "suffix only", "@10|20|30|40\n", "/1;", false, "" },
        { "header tag later in the line is a row", "x[00:00.00]y@0|0|5|5\n", "x[00:00.00]y/1;", false, "" },
        { "second header dropped", "[00:00.00]a@0|0|8|6\n[00:00.00]b@0|0|9|9\nrow\n", "row/0;", true, "[00:00.00]a" },
        { "header after rows still counts", "row\n[00:00.00]t@0|0|8|6\n", "row/0;", true, "[00:00.00]t" },
        { "commas and bars mix", "r@1,2,3,4|5|6,7,8\n", "r/2;", false, "" },
        { "only the last at splits", "a@b@1|2|3|4\n", "a@b/1;", false, "" },
        { "trimmed both ends, inner text kept", " \t [00:01.00] a  b \t@1|2|3|4  \r\n", "[00:01.00] a  b \t/1;", false,
            "" },
        { "lone CR ends a line", "a\rb\rc", "a/0;b/0;c/0;", false, "" },
        { "CR CR LF gives no extra row", "a\r\r\nb\r\r\n", "a/0;b/0;", false, "" },
        { "mixed line ends", "a\nb\r\nc\rd", "a/0;b/0;c/0;d/0;", false, "" },
        { "long line stays one row", longText + "@1|1|2|2,3|3|4|4,5|5|6|6,7|7|8|8,9|9|10|10,11|11|12|12\n",
            longText + "/5;", false, "" },
        { "no final line end", "a\nb", "a/0;b/0;", false, "" },
        { "NUL bytes are text", std::string("a\0b\n", 4), std::string("a\0b/0;", 6), false, "" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const LrcContent content = lrcRead(c.file);
        EXPECT_EQ(textsOf(content), c.rows);
        EXPECT_EQ(content.hasHeader, c.hasHeader);
        EXPECT_EQ(std::string(content.rawHeaderText), c.header);
    }
}

TEST(LrcReader, HeaderSizeRule)
{
    struct Case {
        const char* name;
        std::string line;
        bool hasSize;
        int width, height;
    };
    const Case cases[] = {
        { "usual", "[00:00.00]song@0|0|800|600", true, 800, 600 },
        { "first two ignored", "[00:00.00]song@7|9|640|480", true, 640, 480 },
        { "one by one is no size", "[00:00.00]song@0|0|1|1", false, 0, 0 },
        { "one side of one is no size", "[00:00.00]song@0|0|800|1", false, 0, 0 },
        { "fewer than four numbers", "[00:00.00]song@0|0|800", false, 0, 0 },
        { "no suffix", "[00:00.00]song", false, 0, 0 },
        { "commas", "[00:00.00]song@0,0,2,3", true, 2, 3 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string file = c.line + "\r\n";
        const LrcContent content = lrcRead(file);
        ASSERT_TRUE(content.hasHeader);
        EXPECT_EQ(content.hasSize, c.hasSize);
        EXPECT_EQ(content.width, c.width);
        EXPECT_EQ(content.height, c.height);
        EXPECT_TRUE(content.rows.empty());
    }
}

TEST(LrcWorkedExample, ReadAndWriteSong)
{
    const std::string file = readFile(std::filesystem::path(LINDQUA_APP_FIXTURES) / "song.lrc");
    ASSERT_FALSE(file.empty()) << "fixture song.lrc missing";
    LrcContent content = lrcRead(file);
    EXPECT_FALSE(content.hasHeader);
    ASSERT_EQ(content.rows.size(), 2u);
    EXPECT_EQ(content.rows[0].text, L"[00:12.50]Morning light on the river");
    EXPECT_EQ(content.rows[1].text, L"[00:17.80]Wind across the hill");
    EXPECT_EQ(content.rows[0].boxCount, 0);

    content.headerText = lrcDefaultHeader(L"/pictures/song.lrc");
    content.rows[0].boxCount = 2;
    content.rows[0].boxes[0] = MgBox(120.4f, 40.6f, 380.5f, 72.2f);
    content.rows[0].boxes[1] = MgBox(96, 80, 300, 110);
    const std::string written = lrcWrite(content, 800, 600);
    EXPECT_EQ(written,
        "[00:00.00]song@0|0|800|600\r\n"
        "[00:12.50]Morning light on the river@120|41|381|72,96|80|300|110\r\n"
        "[00:17.80]Wind across the hill\r\n");

    const LrcContent back = lrcRead(written);
    ASSERT_TRUE(back.hasHeader);
    EXPECT_EQ(back.headerText, L"[00:00.00]song");
    EXPECT_TRUE(back.hasSize);
    EXPECT_EQ(back.width, 800);
    ASSERT_EQ(back.rows.size(), 2u);
    ASSERT_EQ(back.rows[0].boxCount, 2);
    EXPECT_EQ(lrcGroupText(back.rows[0].boxes[0]), L"120|41|381|72");
    EXPECT_EQ(lrcGroupText(back.rows[0].boxes[1]), L"96|80|300|110");
    EXPECT_EQ(back.rows[1].boxCount, 0);
}

TEST(LrcWriter, RowRules)
{
    struct Case {
        const char* name;
        std::string line;
        std::string written;
    };
    const Case cases[] = {
        { "text at suffix dropped", "Tom@home", "Tom\r\n" },
        { "reversed group written ordered", "r@300|80|100|20", "r@100|20|300|80\r\n" },
        { "degenerate group written back as read", "r@10|10|10|10", "r@10|10|10|10\r\n" },
        { "minus dropped", "r@-5|7|20|30", "r@5|7|20|30\r\n" },
        { "sixth group dropped", "r@1|1|2|2,1|1|3|3,1|1|4|4,1|1|5|5,1|1|6|6,1|1|7|7",
            "r@1|1|2|2,1|1|3|3,1|1|4|4,1|1|5|5,1|1|6|6\r\n" },
        // Writing these as bare text would lose the row or cut its text on the next reading.
        { "empty text keeps its row", "@", "@\r\n" },
        { "text holding an at keeps it", "a@b@", "a@b@\r\n" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const LrcContent content = lrcRead(c.line);
        const std::string written = lrcWrite(content, 0, 0);
        EXPECT_EQ(written, c.written);
        const LrcContent again = lrcRead(written);
        EXPECT_EQ(textsOf(again), textsOf(content));
    }
}

TEST(LrcWriter, LaterHeaderLinesAreNoRowsButAreKept)
{
    const std::string file = "[00:00.00]a@0|0|8|6\n[00:00.00] b@0|0|9|9 \nrow\n[00:00.00]c\n";
    const LrcContent content = lrcRead(file);
    ASSERT_EQ(content.rows.size(), 1u);
    EXPECT_EQ(content.width, 8);
    EXPECT_EQ(content.extraHeaders, (std::vector<std::string_view> { "[00:00.00] b@0|0|9|9", "[00:00.00]c" }));
    const std::string written = lrcWrite(content, 8, 6);
    EXPECT_EQ(written, "[00:00.00]a@0|0|8|6\r\n[00:00.00] b@0|0|9|9\r\n[00:00.00]c\r\nrow\r\n");
    EXPECT_EQ(lrcWrite(lrcRead(written), 8, 6), written);
}

TEST(LrcEncoding, Detection)
{
    struct Case {
        const char* name;
        std::string bytes;
        LrcEncoding expected;
    };
    const Case cases[] = {
        { "empty", "", LrcEncoding::Gb18030 },
        { "ascii", "[00:01.00]abc\n", LrcEncoding::Gb18030 },
        { "gbk", "\xD6\xD0\xCE\xC4\n", LrcEncoding::Gb18030 },
        { "utf-8", "\xE4\xB8\xAD\xE6\x96\x87\n", LrcEncoding::Utf8 },
        { "utf-8 with bom",
            "\xEF\xBB\xBF"
            "abc",
            LrcEncoding::Utf8Bom },
        { "utf-16le",
            "\xFF\xFE"
            "a\0",
            LrcEncoding::Utf16Le },
        { "utf-16be", "\xFE\xFF\0a", LrcEncoding::Utf16Be },
        { "overlong utf-8 is not utf-8", "\xC0\xAF", LrcEncoding::Gb18030 },
        { "truncated utf-8 is not utf-8", "ab\xE4\xB8", LrcEncoding::Gb18030 },
        { "surrogate in utf-8 is not utf-8", "\xED\xA0\x80", LrcEncoding::Gb18030 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(lrcDetectEncoding(c.bytes), c.expected);
    }
}

TEST(LrcEncoding, DecodeAndEncodeEachEncoding)
{
    struct Case {
        const char* name;
        LrcEncoding encoding;
        std::string bytes;
        std::wstring text;
    };
    const Case cases[] = {
        { "gb18030 two-byte", LrcEncoding::Gb18030, "\xD6\xD0\xCE\xC4", L"中文" },
        { "gb18030 four-byte beyond the BMP", LrcEncoding::Gb18030, "\x95\x32\x82\x36", L"\U00020000" },
        { "gb18030 euro", LrcEncoding::Gb18030, "\xA2\xE3", L"\x20AC" },
        { "utf-8", LrcEncoding::Utf8, "a\xE4\xB8\xAD\xF0\x9F\x98\x80", L"a中\U0001F600" },
        { "utf-16le surrogates", LrcEncoding::Utf16Le, std::string("a\0\x3D\xD8\x00\xDE", 6), L"a\U0001F600" },
        { "utf-16be", LrcEncoding::Utf16Be, std::string("\x4E\x2D\0a", 4), L"中a" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(lrcDecode(c.encoding, c.bytes), c.text);
        EXPECT_EQ(lrcEncode(c.encoding, c.text), c.bytes);
    }
}

TEST(LrcEncoding, InvalidBytesDecodeToReplacementsWithoutLosingOthers)
{
    struct Case {
        const char* name;
        LrcEncoding encoding;
        std::string bytes;
        std::wstring text;
    };
    const Case cases[] = {
        { "gb18030 0xFF", LrcEncoding::Gb18030,
            "a\xFF"
            "b",
            L"a\xFFFD"
            L"b" },
        { "gb18030 0x80", LrcEncoding::Gb18030,
            "\x80"
            "a",
            L"\xFFFD"
            L"a" },
        { "gb18030 lead at end", LrcEncoding::Gb18030, "a\xD6", L"a\xFFFD" },
        { "gb18030 bad four-byte", LrcEncoding::Gb18030,
            "\x81\x30"
            "a",
            L"\xFFFD"
            L"0a" },
        { "utf-8 stray continuation", LrcEncoding::Utf8,
            "a\x80"
            "b",
            L"a\xFFFD"
            L"b" },
        { "utf-16 lone surrogate", LrcEncoding::Utf16Le,
            std::string("\x00\xD8"
                        "a\0",
                4),
            L"\xFFFD"
            L"a" },
        { "utf-16 odd byte", LrcEncoding::Utf16Le, std::string("a\0b", 3), L"a\xFFFD" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(lrcDecode(c.encoding, c.bytes), c.text);
    }
    // What GB18030 cannot encode becomes the default character.
    EXPECT_EQ(lrcEncode(LrcEncoding::Gb18030, std::wstring(L"a") + wchar_t(0xD800) + L"b"), "a?b");
}

TEST(LrcReader, Gb18030TrailBytesAreNotSyntax)
{
    // 0x81 0x40 is one character whose second byte is "@"; 0x95 0x32 0x82 0x36 holds digits.
    const std::string file = "\x81\x40\n"
                             "\x81\x40@1|2|3|4\x95\x32\x82\x36\n"
                             "a\x81\x7C"
                             "b@5|6|7|8\n";
    const LrcContent c = lrcRead(file);
    ASSERT_EQ(c.encoding, LrcEncoding::Gb18030);
    ASSERT_EQ(c.rows.size(), 3u);
    EXPECT_EQ(c.rows[0].rawText, "\x81\x40");
    EXPECT_EQ(c.rows[0].boxCount, 0);
    EXPECT_EQ(c.rows[1].rawText, "\x81\x40");
    ASSERT_EQ(c.rows[1].boxCount, 1);
    EXPECT_EQ(lrcGroupText(c.rows[1].boxes[0]), L"1|2|3|4");
    EXPECT_EQ(c.rows[2].rawText,
        "a\x81\x7C"
        "b");
    EXPECT_EQ(c.rows[2].boxCount, 1);
    EXPECT_EQ(lrcWrite(c, 0, 0),
        "\x81\x40\r\n\x81\x40@1|2|3|4\r\na\x81\x7C"
        "b@5|6|7|8\r\n");
}

TEST(LrcReader, Gb18030LastAtIsFoundByCharacters)
{
    struct Case {
        const char* name;
        std::string line;
        std::string text;
        int boxes;
    };
    const Case cases[] = {
        { "two-byte character then at", "\xD6\xD0@1|2|3|4", "\xD6\xD0", 1 },
        { "at completes a lead byte", "\xD6\xD0\x81@1|2|3|4", "\xD6\xD0\x81@1|2|3|4", 0 },
        { "last at byte is a trail, an earlier one counts", "a@1|2|3|4\x81@", "a", 1 },
        { "invalid byte then at", "\xFF@1|2|3|4", "\xFF", 1 },
        { "four-byte character then at", "\x95\x32\x82\x36@1|2|3|4", "\x95\x32\x82\x36", 1 },
        { "broken four-byte start", "\x81\x30\x81@1|2|3|4", "\x81\x30\x81@1|2|3|4", 0 },
        { "long run of two-byte characters", "\xB8\xE8\xB4\xCA\xB8\xE8\xB4\xCA@5|6|7|8",
            "\xB8\xE8\xB4\xCA\xB8\xE8\xB4\xCA", 1 },
        { "odd run: the at is a trail", "\xB8\xE8\xB4\xCA\xB8@5|6|7|8", "\xB8\xE8\xB4\xCA\xB8@5|6|7|8", 0 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string file = c.line + "\n";
        const LrcContent content = lrcRead(file);
        ASSERT_EQ(content.encoding, LrcEncoding::Gb18030);
        ASSERT_EQ(content.rows.size(), 1u);
        EXPECT_EQ(content.rows[0].rawText, c.text);
        EXPECT_EQ(content.rows[0].boxCount, c.boxes);
        // The decoded text agrees with the split: the at that was taken is no character of it.
        EXPECT_EQ(content.rows[0].text, lrcDecode(LrcEncoding::Gb18030, c.text));
    }
}

TEST(LrcWriter, TextAndSuffixStayApart)
{
    struct Case {
        const char* name;
        std::string file;
        std::string written;
    };
    const Case cases[] = {
        // "\xD6" alone ends the text; "\xD6@" would be one character.
        { "gb18030 text ending in half a character", "\xD6\xD0\xD6 @1|2|3|4\n", "\xD6\xD0\xD6 @1|2|3|4\r\n" },
        { "gb18030 bare text ending in half a character", "[00:00.00]\xD6\n\xD6\n",
            "[00:00.00]\xD6 @0|0|5|5\r\n\xD6\r\n" },
        { "gb18030 text ending in a whole character", "\xD6\xD0@1|2|3|4\n", "\xD6\xD0@1|2|3|4\r\n" },
        // The stray byte is padded into a lone surrogate, no character the format reads.
        { "utf-16 odd size",
            std::string("\xFF\xFE"
                        "a\0"
                        "b",
                5),
            std::string("\xFF\xFE"
                        "a\0"
                        "b\xDC\r\0\n\0",
                10) },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LrcContent content = lrcRead(c.file);
        const std::string written = lrcWrite(content, 5, 5);
        EXPECT_EQ(written, c.written);
    }
    // A region drawn on a row whose text ends in half a character survives saving and loading.
    const std::string file = "[00:00.00]t@0|0|5|5\n\xD6\xD0\xD6\n";
    LrcContent content = lrcRead(file);
    ASSERT_EQ(content.rows.size(), 1u);
    content.rows[0].boxCount = 1;
    content.rows[0].boxes[0] = MgBox(1, 2, 3, 4);
    const std::string written = lrcWrite(content, 5, 5);
    const LrcContent back = lrcRead(written);
    ASSERT_EQ(back.rows.size(), 1u);
    EXPECT_EQ(back.rows[0].boxCount, 1);
    EXPECT_EQ(back.rows[0].rawText, "\xD6\xD0\xD6 ");
}

TEST(LrcReader, Utf16FilesReadAndWriteInUtf16)
{
    for (LrcEncoding enc : { LrcEncoding::Utf16Le, LrcEncoding::Utf16Be }) {
        SCOPED_TRACE(lrcEncodingName(enc));
        const std::wstring text = L"[00:00.00]标题@0|0|640|480\n歌词一@1|2|3|4, 5|6|7|8\r\n\n  第二行 \r最后";
        const std::string file = std::string(lrcByteOrderMark(enc)) + lrcEncode(enc, text);
        const LrcContent c = lrcRead(file);
        EXPECT_EQ(c.encoding, enc);
        EXPECT_EQ(c.headerText, L"[00:00.00]标题");
        EXPECT_TRUE(c.hasSize);
        EXPECT_EQ(c.width, 640);
        ASSERT_EQ(c.rows.size(), 3u);
        EXPECT_EQ(c.rows[0].text, L"歌词一");
        EXPECT_EQ(c.rows[0].boxCount, 2);
        EXPECT_EQ(c.rows[1].text, L"第二行");
        EXPECT_EQ(c.rows[2].text, L"最后");
        const std::wstring expected = L"[00:00.00]标题@0|0|640|480\r\n歌词一@1|2|3|4,5|6|7|8\r\n第二行\r\n最后\r\n";
        EXPECT_EQ(lrcWrite(c, 640, 480), std::string(lrcByteOrderMark(enc)) + lrcEncode(enc, expected));
    }
}

TEST(LrcReader, InvalidBytesAreWrittenBackExactly)
{
    struct Case {
        const char* name;
        std::string file;
    };
    const Case cases[] = {
        { "gb18030 with stray bytes", "[00:00.00]t\xFF@0|0|8|8\r\nab\xFF\xD6@1|2|3|4\r\n\xFE\r\n" },
        { "utf-8 bom with broken sequences", "\xEF\xBB\xBF\xE4\xB8@1|2|3|4\r\nok\xC0\r\n" },
        { "utf-16le with a lone surrogate",
            std::string("\xFF\xFE\x00\xD8@\0"
                        "1\0|\0"
                        "2\0|\0"
                        "3\0|\0"
                        "4\0\r\0\n\0",
                24) },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const LrcContent content = lrcRead(c.file);
        EXPECT_EQ(lrcWrite(content, 8, 8), c.file);
    }
}

namespace {

// A random line of text built from pieces that exercise the format's syntax.
std::wstring randomLine(std::mt19937& rng)
{
    static const std::wstring_view pieces[] = {
        L"[00:12.50]",
        L"[00:00.00]",
        L"歌词",
        L"𠀀",
        L"é",
        L"Tom",
        L" ",
        L"\t",
        L"@",
        L",",
        L"|",
        L"-",
        L"0",
        L"7",
        L"123",
        L"99999999999",
        L"x",
        L"·",
    };
    std::wstring line;
    const int n = std::uniform_int_distribution<int>(0, 10)(rng);
    for (int i = 0; i < n; ++i)
        line += pieces[std::uniform_int_distribution<std::size_t>(0, std::size(pieces) - 1)(rng)];
    if (std::bernoulli_distribution(0.5)(rng)) {
        line += L"@";
        const int groups = std::uniform_int_distribution<int>(0, 7)(rng);
        for (int g = 0; g < groups; ++g) {
            for (int k = 0; k < 4; ++k) {
                if (g + k > 0)
                    line += std::bernoulli_distribution(0.5)(rng) ? L"|" : L",";
                line += std::to_wstring(std::uniform_int_distribution<int>(0, 5000)(rng));
            }
        }
    }
    return line;
}

} // namespace

TEST(LrcRoundTrip, GeneratedFiles)
{
    std::mt19937 rng(20261207);
    const LrcEncoding encodings[]
        = { LrcEncoding::Gb18030, LrcEncoding::Utf8, LrcEncoding::Utf8Bom, LrcEncoding::Utf16Le, LrcEncoding::Utf16Be };
    const std::wstring_view ends[] = { L"\n", L"\r\n", L"\r", L"\r\r\n", L"\n\n" };
    for (int trial = 0; trial < 400; ++trial) {
        const LrcEncoding enc = encodings[trial % std::size(encodings)];
        std::wstring text;
        const int lines = std::uniform_int_distribution<int>(0, 12)(rng);
        for (int i = 0; i < lines; ++i) {
            text += randomLine(rng);
            text += ends[std::uniform_int_distribution<std::size_t>(0, std::size(ends) - 1)(rng)];
        }
        std::string file = std::string(lrcByteOrderMark(enc)) + lrcEncode(enc, text);
        if (enc == LrcEncoding::Utf8 && lrcDetectEncoding(file) != LrcEncoding::Utf8)
            continue; // pure ASCII: read as GB18030, covered by that encoding
        SCOPED_TRACE(testing::Message() << "trial " << trial << " " << lrcEncodingName(enc));

        const LrcContent first = lrcRead(file);
        ASSERT_EQ(first.encoding, enc);
        const std::string written = lrcWrite(first, 320, 240);
        const LrcContent second = lrcRead(written);
        EXPECT_EQ(second.encoding, enc);
        EXPECT_EQ(second.hasHeader, first.hasHeader);
        if (first.hasHeader) {
            EXPECT_EQ(second.rawHeaderText, first.rawHeaderText);
        }
        ASSERT_EQ(second.rows.size(), first.rows.size());
        for (std::size_t r = 0; r < first.rows.size(); ++r) {
            const auto& a = first.rows[r];
            const auto& b = second.rows[r];
            expectSameText(a, b);
            ASSERT_EQ(b.boxCount, a.boxCount);
            for (int k = 0; k < a.boxCount; ++k)
                EXPECT_EQ(b.boxes[k], a.boxes[k]);
        }
        // Once normalised (trailing blanks of bare texts trimmed by the second reading), writing
        // is a fixed point.
        const std::string again = lrcWrite(second, 320, 240);
        EXPECT_EQ(lrcWrite(lrcRead(again), 320, 240), again);
    }
}

TEST(LrcRoundTrip, ArbitraryBytes)
{
    // Any bytes read, write and read back to the same rows and boxes, row texts byte for byte
    // (bare texts less trailing blanks). Only the encoding may change on the second reading,
    // when what made the file invalid UTF-8 was in a dropped line or suffix.
    std::mt19937 rng(4242);
    const std::string_view pieces[] = { "\n", "\r", "\r\n", "@", "|", ",", "0", "7", "42", " ", "\t", "[00:00.00]",
        "\x81", "\x40", "\xD6\xD0", "\xE4\xB8\xAD", "\xFF", "\0", "a" };
    const std::string_view starts[] = { "", "", "\xEF\xBB\xBF", "\xFF\xFE", "\xFE\xFF" };
    for (int trial = 0; trial < 3000; ++trial) {
        std::string file(starts[std::uniform_int_distribution<std::size_t>(0, std::size(starts) - 1)(rng)]);
        const int n = std::uniform_int_distribution<int>(0, 60)(rng);
        for (int i = 0; i < n; ++i) {
            if (std::bernoulli_distribution(0.2)(rng))
                file.push_back(static_cast<char>(std::uniform_int_distribution<int>(0, 255)(rng)));
            else
                file += pieces[std::uniform_int_distribution<std::size_t>(0, std::size(pieces) - 1)(rng)];
        }
        SCOPED_TRACE(testing::Message() << "trial " << trial);
        const LrcContent first = lrcRead(file);
        const std::string written = lrcWrite(first, 9, 9);
        const LrcContent second = lrcRead(written);
        ASSERT_EQ(second.rows.size(), first.rows.size());
        EXPECT_EQ(second.hasHeader, first.hasHeader);
        const bool oddUtf16 = lrcUnitSize(first.encoding) == 2 && file.size() % 2 != 0;
        for (std::size_t r = 0; r < first.rows.size(); ++r) {
            const auto& a = first.rows[r];
            const auto& b = second.rows[r];
            ASSERT_EQ(b.boxCount, a.boxCount);
            for (int k = 0; k < a.boxCount; ++k)
                EXPECT_EQ(b.boxes[k], a.boxes[k]);
            if (oddUtf16 && r + 1 == first.rows.size())
                continue; // its stray last byte was padded to a whole unit
            if (second.encoding == first.encoding)
                expectSameText(a, b);
            else
                EXPECT_TRUE(a.rawText.starts_with(b.rawText));
        }
    }
}

TEST(LrcSharedData, EveryFileReadsAndRoundTrips)
{
    const std::filesystem::path dir = std::filesystem::path(LINDQUA_TESTDATA_DIR) / "lrc";
    if (!std::filesystem::is_directory(dir))
        GTEST_SKIP() << "shared LRC test data missing: " << dir << " (expected ../shared/testdata beside the clone)";
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        if (entry.path().extension() != ".lrc")
            continue;
        ++files;
        SCOPED_TRACE(entry.path().filename().string());
        const std::string file = readFile(entry.path());
        const LrcContent first = lrcRead(file);
        EXPECT_FALSE(first.rows.empty());
        for (const auto& row : first.rows)
            EXPECT_EQ(row.text.find(L'\xFFFD'), std::wstring::npos) << "undecodable text in a valid file";
        const std::string written = lrcWrite(first, 100, 100);
        const LrcContent second = lrcRead(written);
        EXPECT_EQ(second.encoding, first.encoding);
        ASSERT_EQ(second.rows.size(), first.rows.size());
        for (std::size_t r = 0; r < first.rows.size(); ++r) {
            const auto& a = first.rows[r];
            const auto& b = second.rows[r];
            expectSameText(a, b);
            EXPECT_EQ(b.boxCount, a.boxCount);
        }
        const std::string again = lrcWrite(second, 100, 100);
        EXPECT_EQ(lrcWrite(lrcRead(again), 100, 100), again);
    }
    EXPECT_GT(files, 0) << "no .lrc files in " << dir;
}

TEST(LrcSharedData, LineEndVariantsGiveTheSameRows)
{
    const std::filesystem::path dir = std::filesystem::path(LINDQUA_TESTDATA_DIR) / "lrc";
    if (!std::filesystem::is_directory(dir))
        GTEST_SKIP() << "shared LRC test data missing: " << dir;
    const std::string lf = readFile(dir / "leejkee-lyric-parser_chengquan.lrc");
    const LrcContent base = lrcRead(lf);
    ASSERT_GT(base.rows.size(), 10u);
    for (const char* name : { "derived_chengquan_cr_only.lrc", "derived_chengquan_crcrlf.lrc" }) {
        SCOPED_TRACE(name);
        const std::string bytes = readFile(dir / name);
        const LrcContent other = lrcRead(bytes);
        ASSERT_EQ(other.rows.size(), base.rows.size());
        for (std::size_t r = 0; r < base.rows.size(); ++r)
            EXPECT_EQ(other.rows[r].text, base.rows[r].text);
    }
    const std::string utf16File = readFile(dir / "navidrome_bom-utf16-test.lrc");
    const LrcContent utf16 = lrcRead(utf16File);
    EXPECT_EQ(utf16.encoding, LrcEncoding::Utf16Le);
    ASSERT_FALSE(utf16.rows.empty());
    EXPECT_EQ(utf16.rows[0].text.substr(0, 10), L"[00:18.80]");
    const std::string gbFile = readFile(dir / "own_gb18030_fourbyte.lrc");
    const LrcContent gb = lrcRead(gbFile);
    EXPECT_EQ(gb.encoding, LrcEncoding::Gb18030);
    ASSERT_GE(gb.rows.size(), 2u);
    EXPECT_EQ(gb.rows[1].text.substr(10, 2), L"\U00020000\U00020001");
}
