// Picture files byte by byte, for tests of the picture holder: the shared test pictures, PNG
// files made by hand, and the size a file's own header declares, read independently of Qt.
#pragma once

#include <QByteArray>
#include <QDir>
#include <QSize>
#include <QString>

#include <cstdint>
#include <optional>

namespace picturebytes {

/// A folder of the shared test data (png, jpeg, lrc).
inline QString testDataDir(const char* sub)
{
    return QDir(QStringLiteral(LINDQUA_TESTDATA_DIR)).filePath(QString::fromLatin1(sub));
}

/// v as four big-endian bytes.
inline QByteArray be32(std::uint32_t v)
{
    const char b[4] = { char(v >> 24), char(v >> 16), char(v >> 8), char(v) };
    return QByteArray(b, 4);
}

/// The big-endian 32-bit number at b[at].
inline std::uint32_t readBe32(const QByteArray& b, qsizetype at)
{
    return (std::uint32_t(std::uint8_t(b[at])) << 24) | (std::uint32_t(std::uint8_t(b[at + 1])) << 16)
        | (std::uint32_t(std::uint8_t(b[at + 2])) << 8) | std::uint32_t(std::uint8_t(b[at + 3]));
}

/// The CRC-32 a PNG chunk carries over its type and data.
inline std::uint32_t pngCrc(const QByteArray& data)
{
    std::uint32_t c = 0xFFFFFFFFu;
    for (char ch : data) {
        c ^= std::uint8_t(ch);
        for (int k = 0; k < 8; ++k)
            c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1u)));
    }
    return ~c;
}

/// A whole PNG chunk: length, type, data, CRC.
inline QByteArray pngChunk(const char* type, const QByteArray& data)
{
    const QByteArray body = QByteArray(type) + data;
    return be32(std::uint32_t(data.size())) + body + be32(pngCrc(body));
}

/// A well-formed PNG claiming width x height 8-bit RGB pixels but carrying almost no data.
inline QByteArray pngClaiming(std::uint32_t width, std::uint32_t height)
{
    const QByteArray ihdr = be32(width) + be32(height) + QByteArray("\x08\x02\x00\x00\x00", 5);
    const QByteArray idat = qCompress(QByteArray(64, '\0')).mid(4); // the zlib stream without Qt's length prefix
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + pngChunk("IHDR", ihdr) + pngChunk("IDAT", idat)
        + pngChunk("IEND", QByteArray());
}

/// The size in a PNG's IHDR, if b starts like a PNG.
inline std::optional<QSize> pngHeaderSize(const QByteArray& b)
{
    if (b.size() < 24 || !b.startsWith("\x89PNG\r\n\x1a\n") || b.mid(12, 4) != "IHDR")
        return std::nullopt;
    return QSize(int(readBe32(b, 16)), int(readBe32(b, 20)));
}

/// The size in a JPEG's first start-of-frame segment, if any.
inline std::optional<QSize> jpegFrameSize(const QByteArray& b)
{
    auto u8 = [&](qsizetype i) { return std::uint8_t(b[i]); };
    for (qsizetype i = 2; i + 9 < b.size();) {
        if (u8(i) != 0xFF) {
            ++i;
            continue;
        }
        const std::uint8_t m = u8(i + 1);
        if (m == 0xFF || m == 0x01 || (m >= 0xD0 && m <= 0xD9)) {
            ++i;
            continue;
        }
        if (m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC)
            return QSize((u8(i + 7) << 8) | u8(i + 8), (u8(i + 5) << 8) | u8(i + 6));
        i += 2 + ((u8(i + 2) << 8) | u8(i + 3));
    }
    return std::nullopt;
}

/// The size the file's own header declares: a PNG's IHDR, else a JPEG's start of frame.
inline std::optional<QSize> headerSize(const QByteArray& b)
{
    if (const std::optional<QSize> png = pngHeaderSize(b))
        return png;
    return jpegFrameSize(b);
}

} // namespace picturebytes
