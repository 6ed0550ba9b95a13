// The baseline an LRC load is judged against: the bare cost of reading the bytes, decoding them
// from GB18030 with iconv and splitting the wide text into lines (CR LF or LF).
#pragma once

#include "app/lrcfile.h"

#include <iconv.h>
#include <string>
#include <vector>

/// The lines of the GB18030 file at path, decoded with cd (an iconv descriptor from GB18030 to
/// WCHAR_T, reset here before use).
inline std::vector<std::wstring> decodeAndSplitLines(iconv_t cd, const std::string& path)
{
    std::string bytes;
    lrcReadWholeFile(path, bytes);
    std::wstring wide(bytes.size(), L'\0');
    char* in = bytes.data();
    std::size_t inLeft = bytes.size();
    char* out = reinterpret_cast<char*>(wide.data());
    std::size_t outLeft = wide.size() * sizeof(wchar_t);
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    iconv(cd, &in, &inLeft, &out, &outLeft);
    wide.resize(wide.size() - outLeft / sizeof(wchar_t));
    std::vector<std::wstring> lines;
    std::size_t begin = 0;
    for (std::size_t i = 0; i < wide.size(); ++i) {
        if (wide[i] == L'\n') {
            const std::size_t end = i > begin && wide[i - 1] == L'\r' ? i - 1 : i;
            lines.emplace_back(wide, begin, end - begin);
            begin = i + 1;
        }
    }
    return lines;
}
