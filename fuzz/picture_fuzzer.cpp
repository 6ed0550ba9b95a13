// Fuzzes picture loading: GiGdipImage::load on a file holding the input.
//
// The decoders (Qt's plug-ins, libpng, libjpeg) carry no coverage instrumentation, so libFuzzer
// would see every input take the same path through our code and keep almost none of them. The
// target therefore reports what the reader made of each input (its format, the decoded pixel
// format, the error, size classes) as extra coverage counters, so that inputs reaching different
// decoder states are kept and mutated further.
//
// For every input: the holder is either empty (size 0 x 0, no resolution) or holds a
// premultiplied ARGB picture within the pixel limit whose sizes and resolutions agree; composing
// it on a background gives an opaque image of the same size.
#include "fuzz_check.h"
#include "graph/qt/gigdipimage.h"

#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QString>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

QString g_path;

constexpr std::size_t kExtraCounters = 4096;
// libFuzzer reads counters in this section as coverage of its own.
__attribute__((section("__libfuzzer_extra_counters"))) std::uint8_t g_counters[kExtraCounters];

void count(std::uint64_t feature)
{
    feature ^= feature >> 29;
    feature *= 0xbf58476d1ce4e5b9ull;
    feature ^= feature >> 32;
    std::uint8_t& c = g_counters[feature % kExtraCounters];
    if (c < 255)
        ++c;
}

int sizeClass(int v) { return v <= 0 ? 0 : 1 + std::min(30, 31 - __builtin_clz(static_cast<unsigned>(v))); }

// What the reader makes of the file, as counters: format name, header size, decoded format and
// error, each alone and combined.
void countReaderState(const QString& path)
{
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    reader.setAutoTransform(false);
    const QByteArray format = reader.format();
    const std::uint64_t formatHash = qHash(format);
    const QSize size = reader.size();
    const std::uint64_t sizeHash
        = std::uint64_t(sizeClass(size.width())) << 8 | std::uint64_t(sizeClass(size.height()));
    count(1ull << 60 | formatHash);
    count(2ull << 60 | formatHash << 16 | sizeHash);
    count(3ull << 60 | formatHash << 16 | std::uint64_t(reader.imageFormat()));
    if (reader.supportsOption(QImageIOHandler::Animation))
        count(4ull << 60 | formatHash << 16 | std::uint64_t(reader.imageCount() & 0xFF));
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    // Image format plug-ins (JPEG) are found through the application object.
    static std::unique_ptr<QCoreApplication> app(new QCoreApplication(*argc, *argv));
    const char* base
        = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : (std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp");
    std::string dir = std::string(base) + "/lindqua-picture-XXXXXX";
    FUZZ_CHECK(::mkdtemp(dir.data()) != nullptr);
    // No extension: the format must come from the bytes, as for the view's temporary copy.
    g_path = QString::fromStdString(dir + "/picture");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    {
        QFile file(g_path);
        FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        FUZZ_CHECK(file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size)) == qint64(size));
    }

    countReaderState(g_path);
    GiGdipImage picture;
    const bool loaded = picture.load(g_path);
    FUZZ_CHECK(loaded == !picture.isEmpty());
    count(5ull << 60 | std::uint64_t(loaded) << 16 | std::uint64_t(sizeClass(picture.width())) << 8
        | std::uint64_t(sizeClass(picture.height())));
    if (!loaded) {
        FUZZ_CHECK(picture.width() == 0 && picture.height() == 0);
        FUZZ_CHECK(picture.horizontalDpi() == 0 && picture.verticalDpi() == 0);
        FUZZ_CHECK(picture.himetricWidth() == 0 && picture.himetricHeight() == 0);
        FUZZ_CHECK(picture.createBitmapHandle(GiRgba(255, 255, 255, 255)).isNull());
        return 0;
    }
    FUZZ_CHECK(picture.width() > 0 && picture.height() > 0);
    FUZZ_CHECK(std::int64_t(picture.width()) * picture.height() <= GiGdipImage::kMaxPixels);
    FUZZ_CHECK(picture.image().format() == QImage::Format_ARGB32_Premultiplied);
    FUZZ_CHECK(picture.horizontalDpi() >= 1 && picture.verticalDpi() >= 1);
    FUZZ_CHECK(picture.himetricWidth() >= 0 && picture.himetricHeight() >= 0);

    // Composing touches every pixel: keep it to pictures that are cheap to walk.
    if (std::int64_t(picture.width()) * picture.height() <= 1 << 20) {
        const QImage composed = picture.createBitmapHandle(GiRgba(10, 20, 30, 255));
        FUZZ_CHECK(composed.size() == picture.image().size());
        FUZZ_CHECK(!composed.hasAlphaChannel());
    }
    return 0;
}
