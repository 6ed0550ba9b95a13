// The LRC lyric file with region suffixes: reading it line by line, writing it back.
//
// A file holds one lyric row per line. A row may end in a region suffix: "@" and one to five
// groups "left|top|right|bottom" separated by ",", integer corners in model coordinates of the
// picture (x to the right, y downward, origin at the picture's top-left corner). One header
// line "[00:00.00]title@0|0|W|H" records the size W x H of the picture's coordinate space.
//
// Reading rules, applied to every physical line (ended by LF, CR LF or a lone CR, any length):
//  - the line is trimmed of " \t\r\n" at both ends; a line left empty is skipped;
//  - only the last "@" starts a suffix; "," and "|" both separate numbers in it; any other
//    non-digit separates numbers too (so "-5" reads as 5);
//  - a line whose first characters are "[00:00.00]" is the header when it is the first such
//    line; its W and H count when it has at least four numbers and the third and fourth are
//    both greater than 1. Every later such line is no row and declares nothing: it is an extra
//    header line, which writers put back verbatim after the header so that saving loses no
//    line of the file (lyric files often hold several lines at time 00:00.00);
//  - every other line is a lyric row; its numbers are taken four at a time as boxes, at most
//    five, an incomplete last group ignored.
//
// Boxes are MgBox values in model coordinates with y downward: xmin is the left edge, ymin the
// top edge, xmax the right edge and ymax the bottom edge.
//
// Every line keeps the bytes it was read with (std::string_view into the file's bytes, in the
// file's encoding), so a writer can put each row's text back exactly, whatever the encoding and
// even where the bytes are invalid in it; only the suffix is rebuilt from the boxes.
#pragma once

#include "app/lrcencoding.h"
#include "geom/mgbox.h"

#include <array>
#include <string>
#include <string_view>
#include <vector>

inline constexpr int kLrcMaxNumbers = 20; ///< numbers `ParseNumbers` takes from one suffix
inline constexpr int kLrcMaxGroups = 5; ///< region groups kept per row
inline constexpr std::wstring_view kLrcHeaderTag = L"[00:00.00]";

/// Takes the integers out of text: every maximal run of the digits 0-9 is one number, anything
/// else (a minus sign too) separates. A run beyond the 32-bit range gives 2147483647. At most
/// kLrcMaxNumbers numbers are stored in numbers; the rest of the text is ignored.
/// Returns how many were stored.
int ParseNumbers(std::wstring_view text, int numbers[kLrcMaxNumbers]) noexcept;

/// Turns suffix numbers into boxes, four at a time, at most kLrcMaxGroups: each group (x1, y1,
/// x2, y2) as floats gets 0.4 added to x2 when x1 equals x2 and to y2 when y1 equals y2, then is
/// ordered so left <= right and top <= bottom. Returns the number of boxes written to boxes.
int lrcGroupsToBoxes(const int* numbers, int count, MgBox boxes[kLrcMaxGroups]) noexcept;

/// A coordinate rounded to the nearest integer, halves away from zero (`mgRoundToInt`), clamped
/// to the 32-bit range; NaN gives 0.
[[nodiscard]] int lrcRoundCoord(float value) noexcept;

/// The group text "left|top|right|bottom" of a box (model coordinates, y down), each value by
/// lrcRoundCoord. Used for the region suffix and to show a region.
[[nodiscard]] std::wstring lrcGroupText(const MgBox& box);

/// The size suffix "@0|0|W|H" with W and H by lrcRoundCoord.
[[nodiscard]] std::wstring lrcSizeSuffix(float width, float height);

/// The header text made up for a file without a header: "[00:00.00]" followed by the file name
/// of lrcPath (after its last "/") cut before its first "."; a name without any "." gives an empty title.
[[nodiscard]] std::wstring lrcDefaultHeader(std::wstring_view lrcPath);

/// One classified line of an LRC file. The views point into the bytes given to LrcReader.
struct LrcItem {
    enum Kind {
        Header, ///< the first "[00:00.00]" line
        ExtraHeader, ///< a later "[00:00.00]" line: no row, kept only to be written back
        Row, ///< a lyric row
    };
    Kind kind = Row;
    std::string_view rawLine; ///< the trimmed line, in the file's encoding
    std::string_view rawText; ///< rawLine before its last "@" (all of it when it has none)
    bool hasSuffix = false; ///< whether rawLine holds an "@"
    // Header only: the size it declares, when it declares a usable one.
    bool hasSize = false;
    int width = 0;
    int height = 0;
    // Row only: the region boxes 1..boxCount.
    int boxCount = 0;
    std::array<MgBox, kLrcMaxGroups> boxes {};
};

/// Reads an LRC file's bytes line by line by the rules above. It never fails: every byte
/// sequence gives some rows. The bytes must outlive the reader and the items it returns.
class LrcReader {
public:
    /// file: the whole file as read from disk, byte-order mark included.
    explicit LrcReader(std::string_view file) noexcept;
    /// The items would point into a string about to be destroyed.
    explicit LrcReader(std::string&& file) = delete;

    [[nodiscard]] LrcEncoding encoding() const noexcept { return m_encoding; }

    /// The next non-blank line; false at the end of the file.
    bool next(LrcItem& item) noexcept;

    /// Decodes bytes of this file (a view from an item) into wide text.
    [[nodiscard]] std::wstring decode(std::string_view bytes) const { return lrcDecode(m_encoding, bytes); }

private:
    bool nextLine(std::string_view& line) noexcept;

    std::string_view m_file;
    std::size_t m_pos = 0;
    LrcEncoding m_encoding = LrcEncoding::Gb18030;
    bool m_seenHeader = false;
};

/// Builds an LRC file: the encoding's byte-order mark, then lines ended with CR LF (CR LF in
/// UTF-16 for the UTF-16 encodings).
class LrcWriter {
public:
    explicit LrcWriter(LrcEncoding encoding);

    [[nodiscard]] LrcEncoding encoding() const noexcept { return m_encoding; }
    void reserve(std::size_t bytes) { m_bytes.reserve(bytes); }

    /// Header line: rawText (bytes in the file's encoding, "[00:00.00]" included), then
    /// lrcSizeSuffix(width, height), then the line end.
    void writeHeader(std::string_view rawText, float width, float height);

    /// Row line: rawText (bytes in the file's encoding), then "@" and the group texts of the
    /// boxes separated by ",", then the line end. A row without boxes whose text is empty or
    /// holds an "@" gets a lone "@" after its text, so that reading it back gives the same
    /// text instead of dropping the row or cutting its text at that "@". A GB18030 text that
    /// ends in half a character gets a space before the "@", which would otherwise complete it.
    void writeRow(std::string_view rawText, const MgBox* boxes, int count);

    /// rawLine (bytes in the file's encoding) as it is, then the line end.
    void writeLine(std::string_view rawLine);

    void appendRaw(std::string_view bytes) { m_bytes.append(bytes); }
    void appendText(std::wstring_view text) { lrcEncodeAppend(m_encoding, text, m_bytes); }
    void appendAscii(std::string_view ascii) { lrcEncodeAsciiAppend(m_encoding, ascii, m_bytes); }
    void endLine() { appendAscii("\r\n"); }

    /// The file's bytes so far.
    [[nodiscard]] const std::string& bytes() const noexcept { return m_bytes; }
    /// Hands the bytes over and leaves the writer empty.
    [[nodiscard]] std::string takeBytes() noexcept { return std::move(m_bytes); }

    /// text in this file's encoding (no byte-order mark), for callers that hold only wide text.
    [[nodiscard]] std::string encode(std::wstring_view text) const { return lrcEncode(m_encoding, text); }

private:
    // rawText, kept apart from a suffix or line end that follows where the bytes would otherwise
    // run together (a GB18030 text ending in a lone lead byte, a UTF-16 text of odd size).
    void appendTextBytes(std::string_view rawText, bool suffixFollows);

    LrcEncoding m_encoding;
    std::string m_bytes;
};

/// A whole file read at once, with the header rules applied. Views point into the file bytes.
struct LrcContent {
    struct Row {
        std::string_view rawLine;
        std::string_view rawText;
        std::wstring text; ///< rawText decoded
        int boxCount = 0;
        std::array<MgBox, kLrcMaxGroups> boxes {};
    };

    LrcEncoding encoding = LrcEncoding::Gb18030;
    bool hasHeader = false;
    std::string_view rawHeaderText; ///< header line before its last "@"
    std::wstring headerText; ///< rawHeaderText decoded
    bool hasSize = false; ///< the header declares a usable W and H
    int width = 0;
    int height = 0;
    std::vector<std::string_view> extraHeaders; ///< later "[00:00.00]" lines, trimmed
    std::vector<Row> rows;
};

/// Reads the whole file (bytes must outlive the result).
[[nodiscard]] LrcContent lrcRead(std::string_view file);
/// The result would point into a string about to be destroyed.
LrcContent lrcRead(std::string&& file) = delete;

/// Writes content back: the header (its own bytes, or headerText when it has none) with the size
/// suffix of width and height, the extra header lines, then every row with its boxes.
[[nodiscard]] std::string lrcWrite(const LrcContent& content, float width, float height);
