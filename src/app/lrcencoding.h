// Byte encodings of LRC lyric files and the conversions between them and wide text.
//
// A file is GB18030 unless it proves otherwise (GB18030 reads every GBK file unchanged and can
// write every Unicode character). A file that starts with a UTF-8 byte-order mark, or that is
// valid UTF-8 and holds at least one non-ASCII byte, is UTF-8; a file that starts with a UTF-16
// byte-order mark is UTF-16 of that byte order. The encoding is kept with the document so the
// file is written back the way it came.
//
// Wide text is std::wstring holding UTF-32 code points (wchar_t is 32 bits wide on Linux).
// Conversions never fail: a byte sequence that is invalid in the encoding decodes to one
// U+FFFD per offending byte (per offending 16-bit unit in UTF-16), and a character that cannot
// be encoded is written as "?" (GB18030) or U+FFFD (UTF-8, UTF-16). The LRC reader keeps every
// line's original bytes as well, so nothing a lossy decode replaced is lost on saving.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

enum class LrcEncoding : std::uint8_t {
    Gb18030, ///< the default: GB18030, a superset of GBK and ASCII
    Utf8, ///< UTF-8 without byte-order mark
    Utf8Bom, ///< UTF-8 starting with EF BB BF
    Utf16Le, ///< UTF-16 little-endian starting with FF FE
    Utf16Be, ///< UTF-16 big-endian starting with FE FF
};

/// Encoding of a whole file's bytes by the rules above.
[[nodiscard]] LrcEncoding lrcDetectEncoding(std::string_view file) noexcept;

/// The byte-order mark that starts a file in this encoding (empty for GB18030 and plain UTF-8).
[[nodiscard]] std::string_view lrcByteOrderMark(LrcEncoding encoding) noexcept;

/// Bytes per code unit: 2 for the UTF-16 encodings, 1 otherwise.
[[nodiscard]] constexpr std::size_t lrcUnitSize(LrcEncoding encoding) noexcept
{
    return encoding == LrcEncoding::Utf16Le || encoding == LrcEncoding::Utf16Be ? 2 : 1;
}

/// Human-readable name ("GB18030", "UTF-8", "UTF-8 BOM", "UTF-16LE", "UTF-16BE").
[[nodiscard]] const char* lrcEncodingName(LrcEncoding encoding) noexcept;

/// True when bytes is well-formed UTF-8 (no overlong forms, surrogates or values above U+10FFFF).
[[nodiscard]] bool lrcIsValidUtf8(std::string_view bytes) noexcept;

/// Decodes bytes (no byte-order mark) and appends the characters to out.
void lrcDecodeAppend(LrcEncoding encoding, std::string_view bytes, std::wstring& out);

/// Decodes bytes (no byte-order mark) into a new string.
[[nodiscard]] std::wstring lrcDecode(LrcEncoding encoding, std::string_view bytes);

/// Encodes text and appends the bytes (no byte-order mark) to out.
void lrcEncodeAppend(LrcEncoding encoding, std::wstring_view text, std::string& out);

/// Encodes text into new bytes (no byte-order mark).
[[nodiscard]] std::string lrcEncode(LrcEncoding encoding, std::wstring_view text);

/// Appends ASCII text (every char below 0x80) in the encoding; faster than lrcEncodeAppend.
void lrcEncodeAsciiAppend(LrcEncoding encoding, std::string_view ascii, std::string& out);

/// UTF-8 bytes of wide text, for file names and messages; invalid code points become U+FFFD.
[[nodiscard]] std::string lrcToUtf8(std::wstring_view text);

/// Wide text of UTF-8 bytes (invalid bytes become U+FFFD), for file names and messages.
[[nodiscard]] std::wstring lrcFromUtf8(std::string_view bytes);
