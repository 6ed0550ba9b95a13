// GiGdipImage: loading the shared test pictures and our own, sizes and resolutions, and drawing
// into a world box through GiCanvasGdip.
#include "graph/gigraphics.h"
#include "graph/giviewtransform.h"
#include "graph/qt/gicanvasgdip.h"
#include "graph/qt/gigdipimage.h"
#include "support/picture_bytes.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>

using namespace picturebytes;

namespace {

constexpr QRgb kRed = 0xFFFF0000u;
constexpr QRgb kGreen = 0xFF00FF00u;
constexpr QRgb kBlue = 0xFF0000FFu;
constexpr QRgb kBlack = 0xFF000000u;
constexpr QRgb kWhite = 0xFFFFFFFFu;

// A 40 x 40 picture in four quadrants: red top-left, green top-right, blue bottom-left, black
// bottom-right.
QImage quadrants()
{
    QImage img(40, 40, QImage::Format_RGB32);
    QPainter p(&img);
    p.fillRect(0, 0, 20, 20, Qt::red);
    p.fillRect(20, 0, 20, 20, Qt::green);
    p.fillRect(0, 20, 20, 20, Qt::blue);
    p.fillRect(20, 20, 20, 20, Qt::black);
    return img;
}

// ---- Loading --------------------------------------------------------------------------------

TEST(GiGdipImageLoad, EmptyMissingAndFailedLoadsLeaveTheHolderEmpty)
{
    GiGdipImage empty { QString() };
    EXPECT_TRUE(empty.isEmpty());
    EXPECT_EQ(empty.width(), 0);
    EXPECT_EQ(empty.height(), 0);
    EXPECT_EQ(empty.horizontalDpi(), 0);
    EXPECT_EQ(empty.himetricWidth(), 0);
    EXPECT_TRUE(empty.createBitmapHandle(GiRgba::white()).isNull());

    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString good = dir.filePath("good.png");
    ASSERT_TRUE(quadrants().save(good));
    GiGdipImage img(good);
    ASSERT_EQ(img.width(), 40);
    EXPECT_FALSE(img.load(dir.filePath("missing.png")));
    EXPECT_TRUE(img.isEmpty());

    QFile junk(dir.filePath("junk.jpg"));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("this is not a picture");
    junk.close();
    EXPECT_FALSE(img.load(junk.fileName()));
    EXPECT_TRUE(img.isEmpty());
}

TEST(GiGdipImageLoad, FormatComesFromTheBytesNotTheName)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString copy = dir.filePath("lrcA1B2.tmp");
    ASSERT_TRUE(quadrants().save(copy, "PNG"));
    GiGdipImage img;
    ASSERT_TRUE(img.load(copy));
    EXPECT_EQ(img.width(), 40);
    EXPECT_EQ(img.image().format(), QImage::Format_ARGB32_Premultiplied);
    EXPECT_EQ(img.image().pixel(5, 5), kRed);
    EXPECT_EQ(img.image().pixel(35, 35), kBlack);
}

TEST(GiGdipImageLoad, ResolutionAndSizeInHundredthsOfAMillimetre)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QImage pic(300, 150, QImage::Format_RGB32);
    pic.fill(Qt::gray);
    pic.setDotsPerMeterX(qRound(300 / 0.0254));
    pic.setDotsPerMeterY(qRound(150 / 0.0254));
    ASSERT_TRUE(pic.save(dir.filePath("dpi.png")));
    GiGdipImage img(dir.filePath("dpi.png"));
    ASSERT_FALSE(img.isEmpty());
    EXPECT_EQ(img.horizontalDpi(), 300);
    EXPECT_EQ(img.verticalDpi(), 150);
    EXPECT_NEAR(img.himetricWidth(), 2540, 1); // 1 inch
    EXPECT_NEAR(img.himetricHeight(), 2540, 1);

    // A JPEG written without a resolution reads as 96 dpi.
    QImage plain(96, 48, QImage::Format_RGB32);
    plain.fill(Qt::darkCyan);
    QImageWriter writer(dir.filePath("plain.jpg"), "jpeg");
    ASSERT_TRUE(writer.write(plain));
    GiGdipImage jpeg(dir.filePath("plain.jpg"));
    ASSERT_FALSE(jpeg.isEmpty());
    EXPECT_EQ(jpeg.horizontalDpi(), 96);
    EXPECT_EQ(jpeg.himetricWidth(), 2540);
    EXPECT_EQ(jpeg.himetricHeight(), 1270);
}

TEST(GiGdipImageLoad, ScansOf16000By12000Open)
{
    // 768 MB decoded, three times what Qt refuses by default (8,200 x 8,200 already fails there).
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("scan.png");
    {
        QImage big(16000, 12000, QImage::Format_RGB888);
        ASSERT_FALSE(big.isNull());
        big.fill(QColor(10, 20, 30));
        QImageWriter writer(path, "png");
        writer.setCompression(1);
        ASSERT_TRUE(writer.write(big));
    }
    GiGdipImage img;
    ASSERT_TRUE(img.load(path));
    EXPECT_EQ(img.width(), 16000);
    EXPECT_EQ(img.height(), 12000);
    EXPECT_EQ(img.image().format(), QImage::Format_ARGB32_Premultiplied);
    EXPECT_EQ(img.image().pixel(15999, 11999), qRgb(10, 20, 30));
}

TEST(GiGdipImageLoad, OversizedPicturesAreRefusedBeforeDecoding)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    struct Case {
        const char* name;
        std::uint32_t w, h;
    } const cases[] = { { "20000 x 20000", 20000, 20000 }, { "30000 x 30000", 30000, 30000 }, { "wide", 1000000, 1000 },
        { "overflowing", 0x7FFFFFFF, 0x7FFFFFFF } };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QFile f(dir.filePath("huge.png"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(pngClaiming(c.w, c.h));
        f.close();
        GiGdipImage img;
        EXPECT_FALSE(img.load(f.fileName()));
        EXPECT_TRUE(img.isEmpty());
    }
}

// Every picture of the shared suites either loads with the size its header gives, unturned, or
// leaves the holder empty; the corrupt PNGs are refused.
TEST(GiGdipImageLoad, SharedTestPictures)
{
    const QDir png(testDataDir("png")), jpeg(testDataDir("jpeg"));
    if (!png.exists() || !jpeg.exists())
        GTEST_SKIP() << "shared test data missing: " << LINDQUA_TESTDATA_DIR << "/png and /jpeg";
    int loaded = 0, refused = 0;
    const auto check = [&](const QString& path, bool isPng) {
        SCOPED_TRACE(path.toStdString());
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        const std::optional<QSize> header = isPng ? pngHeaderSize(bytes) : jpegFrameSize(bytes);
        GiGdipImage img;
        const bool ok = img.load(path);
        EXPECT_EQ(ok, !img.isEmpty());
        const bool corrupt = isPng && QFileInfo(path).fileName().startsWith('x');
        if (corrupt) {
            EXPECT_FALSE(ok);
        } else if (isPng) {
            EXPECT_TRUE(ok); // every valid PngSuite picture decodes
        }
        if (ok) {
            ++loaded;
            ASSERT_TRUE(header.has_value());
            EXPECT_EQ(QSize(img.width(), img.height()), *header);
            EXPECT_EQ(img.image().format(), QImage::Format_ARGB32_Premultiplied);
            EXPECT_GT(img.horizontalDpi(), 0);
            EXPECT_GT(img.himetricWidth(), 0);
            EXPECT_GT(img.himetricHeight(), 0);
        } else {
            ++refused;
            EXPECT_EQ(img.width(), 0);
        }
    };
    for (const QFileInfo& fi : png.entryInfoList({ "*.png" }, QDir::Files, QDir::Name))
        check(fi.filePath(), true);
    for (const QFileInfo& fi : jpeg.entryInfoList({ "*.jpg" }, QDir::Files, QDir::Name))
        check(fi.filePath(), false);
    EXPECT_GT(loaded, 150);
    EXPECT_GE(refused, 14);

    // EXIF orientation 8 would turn the 2 x 1 picture to 1 x 2.
    GiGdipImage turned(jpeg.filePath("orientation_rectangle.jpg"));
    EXPECT_EQ(turned.width(), 2);
    EXPECT_EQ(turned.height(), 1);
    // JFIF at 96 dpi; JFIF with an aspect ratio only reads as 96 dpi.
    EXPECT_EQ(GiGdipImage(jpeg.filePath("hopper.jpg")).verticalDpi(), 96);
    EXPECT_EQ(GiGdipImage(jpeg.filePath("testorig.jpg")).verticalDpi(), 96);
    // pHYs of 1000 dots per metre: 25.4 dpi, so 32 pixels are 32 mm.
    const GiGdipImage phys(png.filePath("cdun2c08.png"));
    EXPECT_EQ(phys.horizontalDpi(), 25);
    EXPECT_EQ(phys.himetricWidth(), 3200);
    // pHYs without a unit (aspect ratio only) reads as 96 dpi.
    EXPECT_EQ(GiGdipImage(png.filePath("cdfn2c08.png")).horizontalDpi(), 96);
}

TEST(GiGdipImageLoad, BitmapHandleComposesOnTheBackground)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QImage pic(4, 1, QImage::Format_ARGB32);
    pic.setPixel(0, 0, qRgba(0, 0, 255, 255));
    pic.setPixel(1, 0, qRgba(0, 0, 0, 0));
    pic.setPixel(2, 0, qRgba(0, 0, 255, 128));
    pic.setPixel(3, 0, qRgba(0, 255, 0, 255));
    ASSERT_TRUE(pic.save(dir.filePath("alpha.png")));
    GiGdipImage img(dir.filePath("alpha.png"));
    ASSERT_FALSE(img.isEmpty());
    const QImage handle = img.createBitmapHandle(GiRgba(255, 0, 0, 0));
    ASSERT_EQ(handle.size(), QSize(4, 1));
    EXPECT_FALSE(handle.hasAlphaChannel());
    EXPECT_EQ(handle.pixel(0, 0), kBlue);
    EXPECT_EQ(handle.pixel(1, 0), kRed);
    EXPECT_NEAR(qRed(handle.pixel(2, 0)), 127, 2);
    EXPECT_NEAR(qBlue(handle.pixel(2, 0)), 128, 2);
    EXPECT_EQ(handle.pixel(3, 0), kGreen);
}

// ---- Placement ------------------------------------------------------------------------------

TEST(GiImageRects, VisiblePartAndMatchingSource)
{
    const MgMatrix identity;
    struct Case {
        const char* name;
        MgBox box; // display coordinates (identity world-to-display)
        MgBox clip;
        bool visible;
        QRectF target, source;
        bool mirrorX, mirrorY;
    } const cases[] = {
        { "whole", MgBox(0, 0, 100, 50), MgBox(0, 0, 200, 200), true, QRectF(0, 0, 100, 50), QRectF(0, 0, 1000, 500),
            false, false },
        { "left half visible", MgBox(0, 0, 100, 50), MgBox(0, 0, 50, 200), true, QRectF(0, 0, 50, 50),
            QRectF(0, 0, 500, 500), false, false },
        { "centre quarter", MgBox(-100, -50, 100, 50), MgBox(-50, -25, 50, 25), true, QRectF(-50, -25, 100, 50),
            QRectF(250, 125, 500, 250), false, false },
        { "mirrored x, left half visible", MgBox(100, 0, 0, 50), MgBox(0, 0, 50, 200), true, QRectF(0, 0, 50, 50),
            QRectF(500, 0, 500, 500), true, false },
        { "mirrored y, top fifth visible", MgBox(0, 50, 100, 0), MgBox(0, 0, 100, 10), true, QRectF(0, 0, 100, 10),
            QRectF(0, 400, 1000, 100), false, true },
        { "outside the clip box", MgBox(0, 0, 100, 50), MgBox(150, 0, 200, 200), false, {}, {}, false, false },
        { "touching the clip box", MgBox(0, 0, 100, 50), MgBox(100, 0, 200, 200), false, {}, {}, false, false },
        { "flat box", MgBox(0, 0, 100, 0), MgBox(0, 0, 200, 200), false, {}, {}, false, false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        GiImageRects r;
        ASSERT_EQ(giImageRects(QSize(1000, 500), c.box, identity, c.clip, r), c.visible);
        if (!c.visible)
            continue;
        EXPECT_EQ(r.target, c.target);
        EXPECT_EQ(r.source, c.source);
        EXPECT_EQ(r.mirrorX, c.mirrorX);
        EXPECT_EQ(r.mirrorY, c.mirrorY);
    }
    GiImageRects r;
    EXPECT_FALSE(giImageRects(QSize(), MgBox(0, 0, 100, 50), identity, MgBox(0, 0, 200, 200), r));
}

// ---- Drawing through a canvas ---------------------------------------------------------------

class PictureDrawTest : public ::testing::Test {
protected:
    PictureDrawTest()
        : image(200, 150, QImage::Format_ARGB32_Premultiplied)
        , gs(&xf)
        , canvas(&gs)
    {
        image.fill(Qt::white);
        image.setDotsPerMeterX(3780); // 96 dpi whatever the platform's default
        image.setDotsPerMeterY(3780);
        xf.setClientSize(200, 150);
        EXPECT_TRUE(dir.isValid());
    }

    GiGdipImage save(const QImage& pic)
    {
        const QString path = dir.filePath(QString("pic%1.png").arg(++m_count));
        EXPECT_TRUE(pic.save(path));
        return GiGdipImage(path);
    }

    // The world box that maps onto the display rectangle r; flipY gives it reversed y corners.
    MgBox worldBox(const QRectF& r, bool flipX = false, bool flipY = false) const
    {
        const MgPoint lt = MgPoint(float(r.left()), float(r.top())) * xf.displayToWorld();
        const MgPoint rb = MgPoint(float(r.right()), float(r.bottom())) * xf.displayToWorld();
        // With y up the top of the display rectangle is the world box's ymax.
        MgBox b(lt.x, rb.y, rb.x, lt.y);
        if (flipX)
            std::swap(b.xmin, b.xmax);
        if (flipY)
            std::swap(b.ymin, b.ymax);
        return b;
    }

    [[nodiscard]] QRgb px(int x, int y) const { return image.pixel(x, y); }

    QTemporaryDir dir;
    QImage image;
    GiViewTransform xf;
    GiGraphics gs;
    GiCanvasGdip canvas;
    int m_count = 0;
};

TEST_F(PictureDrawTest, UprightInAWorldBoxUpsideDownWithReversedYCorners)
{
    const GiGdipImage pic = save(quadrants());
    ASSERT_FALSE(pic.isEmpty());
    const QRectF where(20, 15, 160, 120);
    ASSERT_TRUE(canvas.openPaint(&image));
    EXPECT_TRUE(pic.draw(&canvas, worldBox(where), false));
    canvas.closePaint();
    EXPECT_EQ(px(60, 45), kRed);
    EXPECT_EQ(px(140, 45), kGreen);
    EXPECT_EQ(px(60, 105), kBlue);
    EXPECT_EQ(px(140, 105), kBlack);
    EXPECT_EQ(px(10, 10), kWhite);

    image.fill(Qt::white);
    ASSERT_TRUE(canvas.openPaint(&image));
    EXPECT_TRUE(pic.draw(&canvas, worldBox(where, false, true), false));
    canvas.closePaint();
    EXPECT_EQ(px(60, 45), kBlue);
    EXPECT_EQ(px(140, 45), kBlack);
    EXPECT_EQ(px(60, 105), kRed);
    EXPECT_EQ(px(140, 105), kGreen);
}

TEST_F(PictureDrawTest, MirroredAndClippedShowsTheRightPart)
{
    const GiGdipImage pic = save(quadrants());
    const QRectF where(20, 15, 160, 120);
    const QRect leftHalf(0, 0, 100, 150);
    struct Case {
        const char* name;
        bool flipX, flipY;
        QRgb topLeft, bottomLeft;
    } const cases[] = {
        { "upright", false, false, kRed, kBlue },
        { "mirrored x", true, false, kGreen, kBlack },
        { "mirrored y", false, true, kBlue, kRed },
        { "both", true, true, kBlack, kGreen },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        image.fill(Qt::white);
        ASSERT_TRUE(canvas.openPaint(&image, nullptr, false, false, leftHalf));
        EXPECT_TRUE(pic.draw(&canvas, worldBox(where, c.flipX, c.flipY), false));
        canvas.closePaint();
        EXPECT_EQ(px(60, 45), c.topLeft);
        EXPECT_EQ(px(60, 105), c.bottomLeft);
        EXPECT_EQ(px(140, 45), kWhite); // right of the clip box
    }
}

TEST_F(PictureDrawTest, BoxOutsideTheClipBoxDrawsNothing)
{
    const GiGdipImage pic = save(quadrants());
    ASSERT_TRUE(canvas.openPaint(&image, nullptr, false, false, QRect(0, 0, 50, 50)));
    EXPECT_FALSE(pic.draw(&canvas, worldBox(QRectF(100, 80, 60, 40)), false));
    EXPECT_FALSE(pic.draw(&canvas, worldBox(QRectF(300, 0, 60, 40)), false));
    canvas.closePaint();
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            ASSERT_EQ(px(x, y), kWhite) << x << "," << y;
    // Nor outside a paint, nor when empty.
    EXPECT_FALSE(pic.draw(&canvas, worldBox(QRectF(0, 0, 60, 40)), false));
    EXPECT_FALSE(GiGdipImage().draw(&canvas, worldBox(QRectF(0, 0, 60, 40)), false));
    EXPECT_FALSE(pic.draw(nullptr, worldBox(QRectF(0, 0, 60, 40)), false));
}

TEST_F(PictureDrawTest, OnlyTheVisiblePartOfALargePictureIsRead)
{
    // 6000 x 4000: left half red, right half blue. Zoomed in on the blue half, the source
    // rectangle lies inside it and is about as large as the view.
    QImage big(6000, 4000, QImage::Format_RGB32);
    big.fill(Qt::red);
    QPainter(&big).fillRect(3000, 0, 3000, 4000, Qt::blue);
    const GiGdipImage pic = save(big);
    ASSERT_EQ(pic.width(), 6000);

    // One picture pixel per display pixel, the picture's left edge 3100 pixels left of the view.
    const QRectF where(-3100, -1000, 6000, 4000);
    const MgBox box = worldBox(where);
    GiImageRects r;
    ASSERT_TRUE(giImageRects(pic.image().size(), box, xf.worldToDisplay(), MgBox(0, 0, 200, 150), r));
    EXPECT_NEAR(r.source.left(), 3100, 0.5);
    EXPECT_NEAR(r.source.top(), 1000, 0.5);
    EXPECT_NEAR(r.source.width(), 200, 0.5);
    EXPECT_NEAR(r.source.height(), 150, 0.5);

    ASSERT_TRUE(canvas.openPaint(&image));
    EXPECT_TRUE(pic.draw(&canvas, box, false));
    canvas.closePaint();
    for (int y = 0; y < image.height(); y += 7)
        for (int x = 0; x < image.width(); x += 7)
            ASSERT_EQ(px(x, y), kBlue) << x << "," << y;
}

TEST_F(PictureDrawTest, FastScalingPicksPixelsSmoothScalingBlends)
{
    QImage two(2, 1, QImage::Format_RGB32);
    two.setPixel(0, 0, kRed);
    two.setPixel(1, 0, kBlue);
    const GiGdipImage pic = save(two);
    const QRectF where(0, 0, 200, 150);
    const auto countMixed = [&] {
        int mixed = 0;
        for (int x = 0; x < image.width(); ++x)
            mixed += px(x, 75) != kRed && px(x, 75) != kBlue;
        return mixed;
    };

    ASSERT_TRUE(canvas.openPaint(&image));
    EXPECT_TRUE(pic.draw(&canvas, worldBox(where), true));
    canvas.closePaint();
    EXPECT_EQ(countMixed(), 0);

    ASSERT_TRUE(canvas.openPaint(&image));
    EXPECT_TRUE(pic.draw(&canvas, worldBox(where), false));
    canvas.closePaint();
    EXPECT_GT(countMixed(), 10);
}

TEST_F(PictureDrawTest, BitmapHandleDrawsLikeThePicture)
{
    const GiGdipImage pic = save(quadrants());
    const QImage handle = pic.createBitmapHandle(GiRgba::white());
    ASSERT_TRUE(canvas.openPaint(&image));
    EXPECT_FALSE(canvas.drawBitmapHandle(0, 100, handle, worldBox(QRectF(20, 15, 160, 120)), false));
    EXPECT_FALSE(canvas.drawBitmapHandle(100, 100, QImage(), worldBox(QRectF(20, 15, 160, 120)), false));
    EXPECT_TRUE(canvas.drawBitmapHandle(
        pic.himetricWidth(), pic.himetricHeight(), handle, worldBox(QRectF(20, 15, 160, 120)), false));
    canvas.closePaint();
    EXPECT_EQ(px(60, 45), kRed);
    EXPECT_EQ(px(140, 105), kBlack);
}

// A canvas of another kind: it takes pictures only as bitmap handles.
class HandleCanvas : public GiCanvasWin {
public:
    explicit HandleCanvas(GiGraphics* gs)
        : GiCanvasWin(gs)
    {
    }

    void dropCachedImage(bool) override { }
    GiRgba backgroundColor() const override { return GiRgba(0, 255, 0); }
    GiRgba changeBackgroundColor(const GiRgba& c) override { return c; }
    bool strokeSegment(const GiContext*, float, float, float, float) override { return false; }
    bool strokePolyline(const GiContext*, const MgPoint*, int) override { return false; }
    bool strokeBezierChain(const GiContext*, const MgPoint*, int) override { return false; }
    bool paintPolygon(const GiContext*, const MgPoint*, int) override { return false; }
    bool paintRect(const GiContext*, float, float, float, float) override { return false; }
    bool paintEllipse(const GiContext*, float, float, float, float) override { return false; }
    bool paintPointPath(const GiContext*, int, const MgPoint*, const std::uint8_t*) override { return false; }
    bool pathOpen() override { return false; }
    bool pathFinish(const GiContext*, bool) override { return false; }
    bool pathMove(float, float) override { return false; }
    bool pathLine(float, float) override { return false; }
    bool pathBeziers(const MgPoint*, int) override { return false; }
    bool pathClose() override { return false; }
    void fillBackground() override { }
    bool drawCachedImage(float, float, bool) override { return false; }
    bool drawOtherCachedImage(const GiCanvas*, float, float, bool) override { return false; }
    void saveCachedImage(bool) override { }
    bool hasCachedImage(bool) const override { return false; }
    bool isBuffered() const override { return false; }
    int canvasKind() const override { return 7; }
    GiContext penBrushContext() const override { return {}; }
    void setClipRect(float, float, float, float) override { }
    void setSmoothing(bool) override { }
    QPaintDevice* borrowDC() override { return nullptr; }
    void returnDC(QPaintDevice*) override { }
    bool drawBitmapHandle(long w, long h, const QImage& bitmap, const MgBox& box, bool fast) override
    {
        himetricW = w, himetricH = h, handle = bitmap, boxWorld = box, wasFast = fast;
        return true;
    }

    long himetricW = 0, himetricH = 0;
    QImage handle;
    MgBox boxWorld;
    bool wasFast = false;
};

TEST(GiGdipImageDraw, OtherCanvasesGetTheBitmapHandleOnTheirBackground)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QImage pic(96, 48, QImage::Format_ARGB32);
    pic.fill(Qt::transparent);
    ASSERT_TRUE(pic.save(dir.filePath("clear.png")));
    const GiGdipImage img(dir.filePath("clear.png"));
    ASSERT_FALSE(img.isEmpty());

    GiViewTransform xf;
    GiGraphics gs(&xf);
    HandleCanvas canvas(&gs);
    const MgBox box(1, 2, 3, 4);
    EXPECT_TRUE(img.draw(&canvas, box, true));
    EXPECT_EQ(canvas.himetricW, img.himetricWidth());
    EXPECT_EQ(canvas.himetricH, img.himetricHeight());
    EXPECT_EQ(canvas.boxWorld, box);
    EXPECT_TRUE(canvas.wasFast);
    ASSERT_EQ(canvas.handle.size(), QSize(96, 48));
    EXPECT_EQ(canvas.handle.pixel(10, 10), kGreen);
}

} // namespace
