// Wide text of the lyric document (wchar_t, UTF-32 on this platform) as Qt text.
#pragma once

#include <QString>

#include <string_view>

/// The UTF-16 form of text, for display. Lone surrogates and values beyond U+10FFFF become
/// U+FFFD (QString::fromStdWString passes the former through and mangles the latter). Text made
/// only of characters below U+D800, nearly every lyric row, is copied in one tight pass, which a
/// tree of 65,535 rows notices.
[[nodiscard]] QString wideToQString(std::wstring_view text);
