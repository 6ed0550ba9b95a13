// GiGdipImage decodes a new picture into the memory of the former one when they have the same
// size: whatever is reused, the pixels must be exactly those of the new file, premultiplied.
#include "graph/qt/gigdipimage.h"

#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

/// What the file holds, decoded by Qt and converted the plain way.
QImage expectedPixels(const QString& path)
{
    QImageReader reader(path);
    reader.setAutoTransform(false);
    return reader.read().convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

QImage pattern(QSize size, QImage::Format format, int seed)
{
    QImage img(size, format);
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x)
            img.setPixelColor(x, y,
                QColor((x * 7 + seed) % 256, (y * 5 + seed * 3) % 256, (x + y + seed) % 256,
                    format == QImage::Format_ARGB32 ? (x * 3 + y) % 256 : 255));
    }
    return img;
}

struct Files {
    QTemporaryDir dir;
    QString write(const char* name, const QImage& img, const char* format)
    {
        const QString path = dir.filePath(QString::fromLatin1(name));
        QImageWriter writer(path, format);
        writer.setQuality(95);
        return writer.write(img) ? path : QString();
    }
};

} // namespace

TEST(GiGdipImageReuse, EachLoadShowsItsOwnFileWhateverMemoryItReuses)
{
    Files f;
    ASSERT_TRUE(f.dir.isValid());
    const QSize size(64, 48);
    const QString jpegA = f.write("a.jpg", pattern(size, QImage::Format_RGB32, 1), "jpeg");
    const QString jpegB = f.write("b.jpg", pattern(size, QImage::Format_RGB32, 90), "jpeg");
    const QString alpha = f.write("alpha.png", pattern(size, QImage::Format_ARGB32, 5), "png");
    const QString gray
        = f.write("gray.png", pattern(size, QImage::Format_RGB32, 7).convertToFormat(QImage::Format_Grayscale8), "png");
    const QString other = f.write("other.png", pattern(QSize(30, 20), QImage::Format_RGB32, 3), "png");
    const QString broken = f.dir.filePath("broken.jpg");
    {
        QFile file(broken);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        QFile src(jpegA);
        ASSERT_TRUE(src.open(QIODevice::ReadOnly));
        file.write(src.read(200)); // a header that promises the same size, then nothing
    }
    for (const QString& p : { jpegA, jpegB, alpha, gray, other })
        ASSERT_FALSE(p.isEmpty());

    // Sequences as the layout view runs them: one holder, cleared and loaded again and again.
    const struct {
        const char* name;
        QString path;
        bool loads;
    } steps[] = {
        { "first jpeg", jpegA, true },
        { "same size jpeg", jpegB, true },
        { "same size with alpha", alpha, true },
        { "jpeg after alpha", jpegA, true },
        { "grayscale of the same size", gray, true },
        { "jpeg after grayscale", jpegB, true },
        { "broken file of the same size", broken, false },
        { "jpeg after a failure", jpegA, true },
        { "another size", other, true },
        { "back to the first size", jpegB, true },
    };
    GiGdipImage img;
    for (const auto& step : steps) {
        SCOPED_TRACE(step.name);
        img.clear();
        EXPECT_TRUE(img.isEmpty());
        EXPECT_EQ(img.width(), 0);
        EXPECT_EQ(img.load(step.path), step.loads);
        if (!step.loads) {
            EXPECT_TRUE(img.isEmpty());
            continue;
        }
        const QImage expected = expectedPixels(step.path);
        ASSERT_EQ(img.image().format(), QImage::Format_ARGB32_Premultiplied);
        ASSERT_EQ(img.image().size(), expected.size());
        EXPECT_TRUE(img.image() == expected);
    }
}

TEST(GiGdipImageReuse, ASameSizedPictureIsDecodedIntoTheFormerMemory)
{
    Files f;
    ASSERT_TRUE(f.dir.isValid());
    const QString a = f.write("a.jpg", pattern(QSize(320, 200), QImage::Format_RGB32, 1), "jpeg");
    const QString b = f.write("b.jpg", pattern(QSize(320, 200), QImage::Format_RGB32, 2), "jpeg");
    GiGdipImage img(a);
    ASSERT_FALSE(img.isEmpty());
    const uchar* first = img.image().constBits();
    img.clear();
    ASSERT_TRUE(img.load(b));
    EXPECT_EQ(img.image().constBits(), first);
    ASSERT_TRUE(img.load(a)); // load alone replaces the picture in place too
    EXPECT_EQ(img.image().constBits(), first);

    // A picture still shared elsewhere is never written into.
    const QImage kept = img.image();
    ASSERT_TRUE(img.load(b));
    EXPECT_TRUE(kept == expectedPixels(a));
    EXPECT_TRUE(img.image() == expectedPixels(b));
}
