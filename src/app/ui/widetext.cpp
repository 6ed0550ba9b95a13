#include "app/ui/widetext.h"

namespace {

constexpr bool isSurrogate(char32_t c) noexcept { return c - 0xD800u < 0x800u; }

} // namespace

QString wideToQString(std::wstring_view text)
{
    static_assert(sizeof(wchar_t) == 4, "the lyric document's wide text is UTF-32");
    const auto size = static_cast<qsizetype>(text.size());
    QString out(size, Qt::Uninitialized);
    char16_t* d = reinterpret_cast<char16_t*>(out.data());
    qsizetype i = 0;
    for (; i < size; ++i) {
        const auto c = static_cast<char32_t>(text[static_cast<std::size_t>(i)]);
        if (c > 0xFFFF || isSurrogate(c))
            break;
        d[i] = static_cast<char16_t>(c);
    }
    if (i == size)
        return out;

    // The rest holds astral characters (two units each) or code points that are no characters.
    qsizetype units = i;
    for (qsizetype j = i; j < size; ++j) {
        const auto c = static_cast<char32_t>(text[static_cast<std::size_t>(j)]);
        units += c >= 0x10000 && c <= 0x10FFFF ? 2 : 1;
    }
    out.resize(units);
    d = reinterpret_cast<char16_t*>(out.data());
    qsizetype o = i;
    for (; i < size; ++i) {
        const auto c = static_cast<char32_t>(text[static_cast<std::size_t>(i)]);
        if (c >= 0x10000 && c <= 0x10FFFF) {
            d[o++] = QChar::highSurrogate(c);
            d[o++] = QChar::lowSurrogate(c);
        } else {
            d[o++] = c > 0xFFFF || isSurrogate(c) ? char16_t(QChar::ReplacementCharacter) : static_cast<char16_t>(c);
        }
    }
    return out;
}
