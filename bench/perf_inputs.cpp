// Makes the inputs of the performance suite in a folder given on the command line:
//
//   photo.jpg        6000 x 4000 JPEG (quality 90) with detail everywhere, as a scanned sheet
//   photo.lrc        its lyric file: a header and 50 rows x 5 regions (GB18030)
//   rows-N.lrc       N = 1024, 8192, 65535 rows x 5 regions each (GB18030)
//   bare-N.lrc       the same rows without regions, for drawing new regions into
//
// Everything is made by this program, never committed. Regions lie inside a 6000 x 4000 picture.
#include "app/lrcencoding.h"

#include <QColor>
#include <QImage>
#include <QImageWriter>
#include <QPainter>

#include <cstdio>
#include <string>

namespace {

bool writeBytes(const std::string& path, const std::string& bytes)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

/// A lyric file of rows rows in GB18030; each row gets regions groups (0..5) laid out like the
/// lines of a lyric sheet on a 6000 x 4000 picture.
std::string lyricFile(int rows, int regions)
{
    std::wstring text = L"[00:00.00]性能测试@0|0|6000|4000\r\n";
    text.reserve(static_cast<std::size_t>(rows) * 140 + 64);
    for (int r = 0; r < rows; ++r) {
        wchar_t line[200];
        const int n = r + 1;
        int len = std::swprintf(
            line, 200, L"[%02d:%02d.%02d]第%d行歌词，风吹过山岗", n / 6000 % 100, n / 100 % 60, n % 100, n);
        const int top = 40 + (r % 120) * 32;
        for (int k = 0; k < regions && len > 0; ++k) {
            const int left = 60 + k * 1180;
            len += std::swprintf(line + len, static_cast<std::size_t>(200 - len), L"%lc%d|%d|%d|%d",
                k == 0 ? L'@' : L',', left, top, left + 1100, top + 28);
        }
        if (len <= 0)
            return {};
        text.append(line, static_cast<std::size_t>(len));
        text += L"\r\n";
    }
    return lrcEncode(LrcEncoding::Gb18030, text);
}

/// A picture with gradients, text-like strokes and noise, so the JPEG is as large and as slow to
/// decode as a real scan of a lyric sheet.
bool writePhoto(const std::string& path)
{
    QImage img(6000, 4000, QImage::Format_RGB32);
    if (img.isNull())
        return false;
    std::uint32_t seed = 12345; // paper grain: a few levels of noise per channel
    for (int y = 0; y < img.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            seed = seed * 1664525u + 1013904223u;
            const int noise = static_cast<int>(seed >> 29);
            line[x] = qRgb(200 + x * 40 / 6000 + noise, 190 + y * 50 / 4000 + noise, 170 + noise);
        }
    }
    QPainter p(&img);
    p.setPen(QPen(QColor(30, 30, 40), 6));
    for (int row = 0; row < 120; ++row) {
        const int y = 60 + row * 32;
        for (int x = 80; x < 5900; x += 37)
            p.drawLine(x, y, x + 20 + (x * 7 + row) % 11, y - 14 + (x + row) % 9);
    }
    p.end();
    QImageWriter writer(QString::fromStdString(path), "jpeg");
    writer.setQuality(90);
    return writer.write(img);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    bool ok = writePhoto(dir + "/photo.jpg");
    ok = ok && writeBytes(dir + "/photo.lrc", lyricFile(50, 5));
    for (const int rows : { 1024, 8192, 65535 }) {
        ok = ok && writeBytes(dir + "/rows-" + std::to_string(rows) + ".lrc", lyricFile(rows, 5));
        ok = ok && writeBytes(dir + "/bare-" + std::to_string(rows) + ".lrc", lyricFile(rows, 0));
    }
    if (!ok) {
        std::fprintf(stderr, "perf_inputs: could not write the inputs into %s\n", dir.c_str());
        return 1;
    }
    return 0;
}
