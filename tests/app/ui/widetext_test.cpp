// Wide lyric text turned into Qt text: what Qt's own conversion gives for valid text, and the
// replacement character for code points that are no characters.
#include "app/ui/widetext.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <random>
#include <string>

namespace {

/// The expected text, built one code point at a time.
QString reference(const std::wstring& text)
{
    QString out;
    for (wchar_t w : text) {
        const auto c = static_cast<char32_t>(w);
        const bool valid = c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF);
        out += valid ? QString::fromUcs4(&c, 1) : QString(QChar(QChar::ReplacementCharacter));
    }
    return out;
}

/// Text from UTF-16 code units.
QString units(std::initializer_list<char16_t> u)
{
    return QString(reinterpret_cast<const QChar*>(u.begin()), static_cast<qsizetype>(u.size()));
}

} // namespace

TEST(WideText, EveryKindOfCodePoint)
{
    struct Case {
        const char* name;
        std::wstring text;
        QString expected;
    };
    const QString fffd(QChar(QChar::ReplacementCharacter));
    const Case cases[] = {
        { "empty", L"", "" },
        { "ascii", L"[00:01.00]row@1|2|3|4", "[00:01.00]row@1|2|3|4" },
        { "chinese", L"[00:02.00]疑是地上霜", "[00:02.00]疑是地上霜" },
        { "last before the surrogates", std::wstring(1, wchar_t(0xD7FF)), QString(QChar(0xD7FF)) },
        { "private use and U+FFFF", std::wstring { wchar_t(0xE000), wchar_t(0xFFFF) }, units({ 0xE000, 0xFFFF }) },
        { "beyond the basic plane", std::wstring(L"a") + wchar_t(0x1F3B5) + L"b",
            units({ u'a', 0xD83C, 0xDFB5, u'b' }) },
        { "lone surrogates", std::wstring { L'x', wchar_t(0xD800), wchar_t(0xDC00), L'y' }, "x" + fffd + fffd + "y" },
        { "beyond unicode", std::wstring { wchar_t(0x110000), L'z', wchar_t(0x7FFFFFFF) }, fffd + "z" + fffd },
        { "NUL inside", std::wstring(L"a\0b", 3), units({ u'a', 0, u'b' }) },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(wideToQString(c.text), c.expected);
        EXPECT_EQ(reference(c.text), c.expected);
    }
}

TEST(WideText, RandomTextAgreesWithTheCodePointReference)
{
    std::mt19937 rng(7);
    // Mostly common characters, now and then a surrogate, an astral or an invalid code point.
    const char32_t picks[] = { U'a', U'\u7F51', 0xD7FF, 0xD800, 0xDFFF, 0xE000, 0xFFFF, 0x10000, 0x10FFFF, 0x110000 };
    std::uniform_int_distribution<int> kind(0, 39);
    std::uniform_int_distribution<int> length(0, 40);
    for (int round = 0; round < 2000; ++round) {
        std::wstring text;
        for (int n = length(rng); n > 0; --n) {
            const int k = kind(rng);
            text += static_cast<wchar_t>(k < 10 ? picks[k] : U'\u4E00' + static_cast<char32_t>(k));
        }
        ASSERT_EQ(wideToQString(text), reference(text)) << "round " << round;
    }
}
