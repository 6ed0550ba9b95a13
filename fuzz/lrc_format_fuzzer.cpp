// Fuzzes the LRC reader and writer on raw bytes.
//
// For every input: reading it, writing what was read and reading that again gives the same
// header, the same rows with the same bytes and the same regions, and writing once more gives
// the same bytes (the second save of an unchanged document changes nothing). The numbers the
// reader takes from a suffix in the file's encoding agree with ParseNumbers on the decoded text.
#include "app/lrcformat.h"
#include "fuzz_check.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

std::wstring groupTexts(const LrcContent::Row& row)
{
    std::wstring text;
    for (int k = 0; k < row.boxCount; ++k) {
        text += lrcGroupText(row.boxes[static_cast<std::size_t>(k)]);
        text += L',';
    }
    return text;
}

// The suffix numbers as ParseNumbers takes them from the decoded line: the decoded line's last
// "@" must be where the reader split it, and the boxes must match. Only for lines that decode
// cleanly: where a byte sequence is invalid the decoder resynchronises byte by byte and may show
// digits that the reader, walking whole (if ill-formed) characters, takes as part of one.
void checkSuffixAgainstDecodedText(const LrcContent& content, const LrcContent::Row& row)
{
    const std::wstring line = lrcDecode(content.encoding, row.rawLine);
    if (line.find(L'\uFFFD') != std::wstring::npos)
        return;
    const std::size_t at = line.rfind(L'@');
    if (row.rawText.size() == row.rawLine.size()) {
        FUZZ_CHECK(at == std::wstring::npos);
        FUZZ_CHECK(row.boxCount == 0);
        return;
    }
    FUZZ_CHECK(at != std::wstring::npos);
    FUZZ_CHECK(line.substr(0, at) == row.text);
    std::wstring suffix = line.substr(at + 1);
    for (wchar_t& c : suffix) {
        if (c == L',')
            c = L'|';
    }
    int numbers[kLrcMaxNumbers];
    const int count = ParseNumbers(suffix, numbers);
    FUZZ_CHECK(count >= 0 && count <= kLrcMaxNumbers);
    MgBox boxes[kLrcMaxGroups];
    const int boxCount = lrcGroupsToBoxes(numbers, count, boxes);
    FUZZ_CHECK(boxCount == row.boxCount);
    for (int k = 0; k < boxCount; ++k)
        FUZZ_CHECK(lrcGroupText(boxes[k]) == lrcGroupText(row.boxes[static_cast<std::size_t>(k)]));
}

// Row or header text bytes read back after writing: the same bytes, except that
//  - a text written bare (no suffix after it) loses trailing spaces and tabs to the reader's
//    trimming, a normalisation the format states;
//  - a GB18030 text cut after the first byte of a two-byte character gets a space between it
//    and the "@" that follows, which the character would otherwise swallow.
bool sameTextBytes(LrcEncoding encoding, std::string_view before, std::string_view after)
{
    if (after == before)
        return true;
    if (encoding == LrcEncoding::Gb18030 && after.size() == before.size() + 1 && after.back() == ' '
        && after.substr(0, before.size()) == before)
        return true;
    if (after.size() < before.size() && before.substr(0, after.size()) == after) {
        const std::wstring cut = lrcDecode(encoding, before.substr(after.size()));
        return cut.find_first_not_of(L" \t") == std::wstring::npos;
    }
    return false;
}

// The stray last byte of an odd-sized UTF-16 file: the writer pads it to a whole unit so that the
// line end after it is read as one.
bool oddUtf16(LrcEncoding encoding, std::string_view text)
{
    return lrcUnitSize(encoding) == 2 && text.size() % 2 != 0;
}

// text with that padding: 0xDC after a little-endian stray byte (a lone low surrogate), a zero
// after a big-endian one.
std::string padded(LrcEncoding encoding, std::string_view text)
{
    return std::string(text) + (encoding == LrcEncoding::Utf16Le ? '\xDC' : '\0');
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string input(reinterpret_cast<const char*>(data), size);
    LrcContent first = lrcRead(input);
    // Files are always written with a header line, made up as the document does when the file
    // had none, so a row can never come to stand first in the file (where a byte-order mark at
    // its start, or a "[00:00.00]", would change how the whole file reads).
    if (!first.hasHeader)
        first.headerText = lrcDefaultHeader(L"/lyrics/fuzz.lrc");
    for (const LrcContent::Row& row : first.rows) {
        FUZZ_CHECK(row.boxCount >= 0 && row.boxCount <= kLrcMaxGroups);
        FUZZ_CHECK(!row.rawLine.empty());
        checkSuffixAgainstDecodedText(first, row);
    }

    // The picture's size stands in when the header declares none, as the document does.
    const float width = first.hasSize ? static_cast<float>(first.width) : 800.0f;
    const float height = first.hasSize ? static_cast<float>(first.height) : 600.0f;
    const std::string written = lrcWrite(first, width, height);

    const LrcContent second = lrcRead(written);
    // The one change of encoding possible is between the two that carry no mark, GB18030 and
    // UTF-8, which are told apart by the bytes: when the only bytes that decided it sat in the
    // parts the writer drops (suffixes, later headers), the file written comes back as the other.
    // Its bytes are kept, but their reading changes, and with it where "@" splits a line (0x40
    // is a second byte of a two-byte GB18030 character). From then on the file is stable.
    if (second.encoding != first.encoding) {
        auto unmarked = [](LrcEncoding e) { return e == LrcEncoding::Gb18030 || e == LrcEncoding::Utf8; };
        FUZZ_CHECK(unmarked(first.encoding) && unmarked(second.encoding));
        std::string settled = lrcWrite(second, width, height);
        for (int round = 0; round < 2; ++round)
            settled = lrcWrite(lrcRead(settled), width, height);
        FUZZ_CHECK(lrcWrite(lrcRead(settled), width, height) == settled);
        return 0;
    }
    // Later "[00:00.00]" lines come back as they were, after the header.
    FUZZ_CHECK(second.extraHeaders.size() == first.extraHeaders.size());
    for (std::size_t i = 0; i < first.extraHeaders.size(); ++i) {
        const std::string_view a = first.extraHeaders[i];
        const std::string_view b = second.extraHeaders[i];
        FUZZ_CHECK(b == a || (oddUtf16(first.encoding, a) && b == padded(first.encoding, a)));
    }
    FUZZ_CHECK(second.hasHeader);
    if (!first.hasHeader) {
        FUZZ_CHECK(second.headerText == first.headerText);
    } else {
        if (oddUtf16(first.encoding, first.rawHeaderText)) {
            FUZZ_CHECK(second.rawHeaderText == padded(first.encoding, first.rawHeaderText));
        } else {
            FUZZ_CHECK(sameTextBytes(first.encoding, first.rawHeaderText, second.rawHeaderText));
            FUZZ_CHECK(second.rawHeaderText != first.rawHeaderText || second.headerText == first.headerText);
        }
    }
    // A header without a usable size is written with the picture's.
    FUZZ_CHECK(second.hasSize);
    FUZZ_CHECK(second.width == lrcRoundCoord(width) && second.height == lrcRoundCoord(height));
    // Only the last row of an odd-sized UTF-16 file can hold a stray byte; padded, it makes a unit
    // the format does not read, so every row comes back, with its bytes.
    const bool strayRow = !first.rows.empty() && oddUtf16(first.encoding, first.rows.back().rawText);
    FUZZ_CHECK(second.rows.size() == first.rows.size());
    for (std::size_t i = 0; i < second.rows.size(); ++i) {
        const LrcContent::Row& a = first.rows[i];
        const LrcContent::Row& b = second.rows[i];
        if (oddUtf16(first.encoding, a.rawText)) {
            FUZZ_CHECK(b.rawText == padded(first.encoding, a.rawText));
        } else {
            FUZZ_CHECK(sameTextBytes(first.encoding, a.rawText, b.rawText));
            FUZZ_CHECK(b.rawText != a.rawText || b.text == a.text);
        }
        FUZZ_CHECK(b.boxCount == a.boxCount);
        FUZZ_CHECK(groupTexts(b) == groupTexts(a));
    }

    // Saving an unchanged document again changes no byte, once trimming and padding have done
    // their work: a second save at most.
    bool normalised = strayRow;
    for (std::size_t i = 0; i < second.rows.size(); ++i)
        normalised = normalised || second.rows[i].rawText != first.rows[i].rawText;
    normalised = normalised || second.rawHeaderText != first.rawHeaderText;
    const std::string again = lrcWrite(second, width, height);
    if (normalised)
        FUZZ_CHECK(lrcWrite(lrcRead(again), width, height) == again);
    else
        FUZZ_CHECK(again == written);
    return 0;
}
