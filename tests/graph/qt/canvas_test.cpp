// GiCanvasGdip and GiCanvasWin drawn into QImages: the pixels, the paint cycle, cached images.
#include "graph/gigraphics.h"
#include "graph/giviewtransform.h"
#include "graph/qt/gicanvasgdip.h"

#include <QDir>
#include <QFontDatabase>
#include <QImage>
#include <QPaintEvent>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <QWidget>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <limits>
#include <string>

namespace {

constexpr QRgb kWhite = 0xFFFFFFFFu;
constexpr QRgb kBlack = 0xFF000000u;
constexpr QRgb kRed = 0xFFFF0000u;
constexpr QRgb kBlue = 0xFF0000FFu;

GiContext lineCtx(GiRgba line, int style = kGiLineSolid, float width = 0)
{
    return GiContext(style, width, line, GiRgba::none());
}

GiContext fillCtx(GiRgba fill, GiRgba line = GiRgba::none()) { return GiContext(kGiLineSolid, 0, line, fill); }

// One canvas on one GiGraphics over a white 200 x 150 image.
class CanvasTest : public ::testing::Test {
protected:
    CanvasTest()
        : image(200, 150, QImage::Format_ARGB32_Premultiplied)
        , gs(&xf)
        , canvas(&gs)
    {
        image.fill(Qt::white);
        image.setDotsPerMeterX(3780); // 96 dpi whatever the platform's default
        image.setDotsPerMeterY(3780);
        xf.setClientSize(200, 150);
    }

    [[nodiscard]] QRgb px(int x, int y) const { return image.pixel(x, y); }

    /// Clears the image to black and draws the cached image (slot 1 when second) at (x, y) in a
    /// paint of its own; whether it was drawn.
    bool showCached(bool second, float x = 0, float y = 0)
    {
        image.fill(Qt::black);
        if (!canvas.openPaint(&image))
            return false;
        const bool drawn = canvas.drawCachedImage(x, y, second);
        canvas.closePaint();
        return drawn;
    }

    // Number of pixels in row y, x in [x0, x1), that are not white.
    [[nodiscard]] int inkInRow(int y, int x0, int x1) const
    {
        int n = 0;
        for (int x = x0; x < x1; ++x)
            n += px(x, y) != kWhite;
        return n;
    }

    QImage image;
    GiViewTransform xf;
    GiGraphics gs;
    GiCanvasGdip canvas;
};

// ---- Paint cycle ----------------------------------------------------------------------------

TEST_F(CanvasTest, SecondOpenPaintBeforeCloseFails)
{
    ASSERT_TRUE(canvas.openPaint(&image));
    EXPECT_TRUE(gs.isPainting());
    EXPECT_FALSE(canvas.openPaint(&image));
    canvas.closePaint();
    EXPECT_FALSE(gs.isPainting());
    EXPECT_TRUE(canvas.openPaint(&image, nullptr, false));
    canvas.closePaint();
}

TEST_F(CanvasTest, OpenPaintFailsWhileGraphicsPaintsOrWithoutDevice)
{
    EXPECT_FALSE(canvas.openPaint(nullptr));
    gs.startPaint(MgBox(0, 0, 10, 10));
    EXPECT_FALSE(canvas.openPaint(&image));
    gs.finishPaint();
    EXPECT_FALSE(gs.isPainting());
}

TEST_F(CanvasTest, DrawingOutsideAPaintDoesNothing)
{
    const GiContext ctx = fillCtx(GiRgba(255, 0, 0), GiRgba::black());
    EXPECT_FALSE(canvas.paintRect(&ctx, 10, 10, 20, 20));
    EXPECT_FALSE(canvas.strokeSegment(&ctx, 0, 0, 50, 50));
    EXPECT_FALSE(canvas.pathOpen());
    EXPECT_FALSE(canvas.drawCachedImage(0, 0, false));
    canvas.fillBackground();
    canvas.closePaint();
    EXPECT_EQ(px(20, 20), kWhite);
}

TEST_F(CanvasTest, OpenPaintTakesTheDeviceResolution)
{
    QImage hiRes(100, 80, QImage::Format_ARGB32_Premultiplied);
    hiRes.setDotsPerMeterX(qRound(192 / 0.0254));
    hiRes.setDotsPerMeterY(qRound(192 / 0.0254));
    ASSERT_TRUE(canvas.openPaint(&hiRes));
    EXPECT_NEAR(xf.resolutionY(), 192.f, 0.5f);
    EXPECT_FALSE(gs.isPrinting());
    canvas.closePaint(false);
}

TEST_F(CanvasTest, ClipBoxFollowsThePaintRectUnlessABufferedPaintLacksCachedImage0)
{
    const QRect part(10, 20, 30, 40);
    const MgBox whole(0, 0, 200, 150), partBox(10, 20, 40, 60);
    struct Case {
        const char* name;
        bool buffered;
        bool withCache;
        MgBox expected;
    } const cases[] = {
        { "unbuffered", false, false, partBox },
        { "buffered without cached image 0", true, false, whole },
        { "buffered with cached image 0", true, true, partBox },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        canvas.dropCachedImage(true);
        if (c.withCache) {
            ASSERT_TRUE(canvas.openPaint(&image));
            canvas.saveCachedImage(false);
            canvas.closePaint(false);
            ASSERT_TRUE(canvas.hasCachedImage(false));
        }
        ASSERT_TRUE(canvas.openPaint(&image, nullptr, c.buffered, false, part));
        EXPECT_EQ(gs.clipBoxPx(), c.expected);
        canvas.closePaint(false);
    }
}

TEST_F(CanvasTest, PartialPaintAfterAViewChangeRepaintsEverything)
{
    ASSERT_TRUE(canvas.openPaint(&image));
    canvas.saveCachedImage(false);
    canvas.closePaint(false);
    ASSERT_TRUE(canvas.hasCachedImage(false));
    // The view changes: the next paint drops the cached images, so the buffer must be drawn whole.
    xf.zoomByFactor(0.5f);
    ASSERT_TRUE(canvas.openPaint(&image, nullptr, true, false, QRect(10, 10, 20, 20)));
    EXPECT_FALSE(canvas.hasCachedImage(false));
    EXPECT_EQ(gs.clipBoxPx(), MgBox(0, 0, 200, 150));
    canvas.closePaint(false);
}

TEST_F(CanvasTest, BufferedDrawingReachesTheDeviceOnlyWhenClosedWithDraw)
{
    const GiContext ctx = fillCtx(GiRgba(255, 0, 0));
    ASSERT_TRUE(canvas.openPaint(&image));
    EXPECT_TRUE(canvas.isBuffered());
    EXPECT_NE(canvas.borrowDC(), &image);
    EXPECT_TRUE(canvas.paintRect(&ctx, 10, 10, 20, 20));
    EXPECT_EQ(px(15, 15), kWhite);
    canvas.closePaint(false);
    EXPECT_EQ(px(15, 15), kWhite);

    ASSERT_TRUE(canvas.openPaint(&image));
    EXPECT_TRUE(canvas.paintRect(&ctx, 10, 10, 20, 20));
    canvas.closePaint(true);
    EXPECT_EQ(px(15, 15), kRed);
    EXPECT_EQ(px(5, 5), kWhite); // the undrawn, transparent part of the buffer leaves the device alone
    EXPECT_FALSE(canvas.isBuffered());
}

TEST_F(CanvasTest, UnbufferedDrawingGoesStraightToTheDevice)
{
    const GiContext ctx = fillCtx(GiRgba(0, 0, 255));
    ASSERT_TRUE(canvas.openPaint(&image, nullptr, false));
    EXPECT_FALSE(canvas.isBuffered());
    EXPECT_EQ(canvas.borrowDC(), &image);
    EXPECT_TRUE(canvas.paintRect(&ctx, 10, 10, 20, 20));
    canvas.closePaint(false);
    EXPECT_EQ(px(15, 15), kBlue);
}

TEST_F(CanvasTest, OverlayStartsTheBufferFromTheDeviceContent)
{
    image.fill(QColor(0, 128, 0));
    ASSERT_TRUE(canvas.openPaint(&image, nullptr, true, true));
    canvas.closePaint(true);
    EXPECT_EQ(px(100, 100), qRgb(0, 128, 0));

    // With overlay, what is drawn into the buffer blends with the device content.
    const GiContext half = fillCtx(GiRgba(255, 0, 0, 128));
    ASSERT_TRUE(canvas.openPaint(&image, nullptr, true, true));
    canvas.paintRect(&half, 0, 0, 50, 50);
    canvas.saveCachedImage(false);
    canvas.closePaint(true);
    const QRgb blended = px(10, 10);
    EXPECT_GT(qRed(blended), 100);
    EXPECT_GT(qGreen(blended), 40);
    EXPECT_EQ(qAlpha(blended), 255);
}

TEST_F(CanvasTest, PrintingDevicesDrawUnbufferedAndSkipTheBackground)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QPdfWriter pdf(dir.filePath("page.pdf"));
    ASSERT_TRUE(canvas.openPaint(&pdf, nullptr, true));
    EXPECT_TRUE(gs.isPrinting());
    EXPECT_FALSE(canvas.isBuffered());
    EXPECT_EQ(xf.widthPx(), pdf.width());
    EXPECT_EQ(xf.heightPx(), pdf.height());
    canvas.saveCachedImage(false);
    EXPECT_FALSE(canvas.hasCachedImage(false));
    const GiContext ctx = lineCtx(GiRgba::black());
    EXPECT_TRUE(canvas.strokeSegment(&ctx, 0, 0, 100, 100));
    canvas.closePaint();
    EXPECT_FALSE(gs.isPainting());
}

TEST_F(CanvasTest, HighDensityDevicesArePaintedInDeviceIndependentPixels)
{
    QImage dense(400, 300, QImage::Format_ARGB32_Premultiplied);
    dense.setDevicePixelRatio(2);
    dense.fill(Qt::white);
    const GiContext ctx = fillCtx(GiRgba(255, 0, 0), GiRgba(0, 0, 255));
    ASSERT_TRUE(canvas.openPaint(&dense));
    EXPECT_EQ(gs.clipBoxPx(), MgBox(0, 0, 200, 150));
    EXPECT_TRUE(canvas.paintRect(&ctx, 10, 10, 20, 20));
    canvas.saveCachedImage(false);
    canvas.closePaint();
    EXPECT_EQ(dense.pixel(21, 21), kBlue); // the outline, two device pixels wide
    EXPECT_EQ(dense.pixel(40, 40), kRed); // logical (20, 20)
    EXPECT_EQ(dense.pixel(63, 63), kWhite); // logical (31.5, 31.5)

    dense.fill(Qt::white);
    ASSERT_TRUE(canvas.openPaint(&dense));
    EXPECT_TRUE(canvas.drawCachedImage(0, 0, false));
    canvas.closePaint();
    EXPECT_EQ(dense.pixel(40, 40), kRed);
    EXPECT_EQ(dense.pixel(63, 63), kWhite);
}

// ---- Background ---------------------------------------------------------------------------

TEST_F(CanvasTest, BackgroundStartsWhiteAndComesFromThePaint)
{
    EXPECT_EQ(canvas.backgroundColor(), GiRgba::white());
    EXPECT_EQ(canvas.changeBackgroundColor(GiRgba(10, 20, 30, 40)), GiRgba::white());
    EXPECT_EQ(canvas.backgroundColor(), GiRgba(10, 20, 30, 40));

    // Opening a paint takes the paint's background (white for an image), keeping the alpha.
    ASSERT_TRUE(canvas.openPaint(&image));
    EXPECT_EQ(canvas.backgroundColor(), GiRgba(255, 255, 255, 40));
    canvas.changeBackgroundColor(GiRgba(0, 0, 255, 0));
    canvas.fillBackground(); // made opaque
    canvas.closePaint();
    EXPECT_EQ(px(0, 0), kBlue);
    EXPECT_EQ(px(199, 149), kBlue);

    // A stored alpha of 0 becomes 255 at the next paint.
    ASSERT_TRUE(canvas.openPaint(&image));
    EXPECT_EQ(canvas.backgroundColor(), GiRgba::white());
    canvas.closePaint(false);
}

TEST_F(CanvasTest, FillBackgroundRespectsTheClipRect)
{
    ASSERT_TRUE(canvas.openPaint(&image, nullptr, false));
    canvas.changeBackgroundColor(GiRgba(255, 0, 0));
    canvas.setClipRect(10, 10, 20, 20);
    canvas.fillBackground();
    canvas.closePaint();
    EXPECT_EQ(px(15, 15), kRed);
    EXPECT_EQ(px(25, 15), kWhite);
    EXPECT_EQ(px(5, 5), kWhite);
}

// ---- Pens, brushes and primitives ---------------------------------------------------------

TEST_F(CanvasTest, NullLineColourDrawsNoOutlineEvenWithSolidStyle)
{
    ASSERT_TRUE(canvas.openPaint(&image, nullptr, false));
    GiContext noLine(kGiLineSolid, 0, GiRgba::none(), GiRgba::none());
    EXPECT_FALSE(canvas.paintRect(&noLine, 10, 10, 30, 30));
    EXPECT_FALSE(canvas.strokeSegment(&noLine, 0, 5, 100, 5));
    noLine.setFillColor(GiRgba(0, 0, 255));
    EXPECT_TRUE(canvas.paintRect(&noLine, 10, 10, 30, 30));
    canvas.closePaint();
    EXPECT_EQ(inkInRow(5, 0, 200), 0);
    EXPECT_EQ(px(20, 20), kBlue);
    EXPECT_EQ(px(10, 10), kBlue);
    EXPECT_EQ(px(40, 20), kWhite); // where the outline's right edge would be
    EXPECT_EQ(px(20, 40), kWhite);
}

TEST_F(CanvasTest, NegativeRectSizesExtendLeftAndUpZeroSizesDrawNothing)
{
    const GiContext ctx = fillCtx(GiRgba(255, 0, 0));
    ASSERT_TRUE(canvas.openPaint(&image, nullptr, false));
    EXPECT_TRUE(canvas.paintRect(&ctx, 100, 50, -40, 20));
    EXPECT_TRUE(canvas.paintRect(&ctx, 150, 140, 10, -20));
    const QImage before = image.copy();
    EXPECT_FALSE(canvas.paintRect(&ctx, 20, 100, 0, 20));
    EXPECT_FALSE(canvas.paintRect(&ctx, 20, 100, 20, 0));
    EXPECT_FALSE(canvas.paintRect(&ctx, 20, 100, 0, 0));
    EXPECT_FALSE(canvas.paintEllipse(&ctx, 20, 100, 0, 20));
    EXPECT_EQ(image, before);
    canvas.closePaint();
    EXPECT_EQ(px(61, 55), kRed);
    EXPECT_EQ(px(99, 69), kRed);
    EXPECT_EQ(px(100, 55), kWhite);
    EXPECT_EQ(px(59, 55), kWhite);
    EXPECT_EQ(px(155, 125), kRed);
    EXPECT_EQ(px(155, 141), kWhite);
    EXPECT_EQ(px(155, 119), kWhite);
}

TEST_F(CanvasTest, NonFiniteOrHugeCoordinatesAreRefused)
{
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const GiContext ctx = fillCtx(GiRgba(255, 0, 0), GiRgba::black());
    const char16_t text[] = u"H";
    ASSERT_TRUE(canvas.openPaint(&image));
    canvas.saveCachedImage(false);
    struct Case {
        const char* name;
        float x, y, w, h;
    } const cases[] = { { "infinite x", inf, 0, 10, 10 }, { "NaN y", 0, nan, 10, 10 },
        { "infinite width", 0, 0, inf, 10 }, { "NaN height", 0, 0, 10, nan }, { "beyond int", 3e9f, 0, 10, 10 },
        { "huge negative size", 0, 0, -3e9f, 10 } };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(canvas.paintRect(&ctx, c.x, c.y, c.w, c.h));
        // The same values as positions and as a text rectangle.
        const float bad = c.x != 0 ? c.x : c.y != 0 ? c.y : c.w != 10 ? c.w : c.h;
        EXPECT_FALSE(canvas.drawCachedImage(bad, 0, false));
        EXPECT_FALSE(canvas.drawCachedImage(0, bad, false));
        EXPECT_FALSE(canvas.textOutW(canvas.borrowDC(), bad, 0, text, 1));
        EXPECT_FALSE(canvas.textOutW(canvas.borrowDC(), 0, bad, text, 1));
        const QRectF box(0, 0, bad, 10);
        EXPECT_FALSE(canvas.extTextOutW(canvas.borrowDC(), 0, 0, GiCanvasWin::kTextOpaque, &box, text, 1, nullptr));
    }
    canvas.closePaint();
    EXPECT_EQ(px(5, 5), kWhite);
}

TEST_F(CanvasTest, RectCoordinatesAreRoundedHalfAwayFromZero)
{
    const GiContext ctx = fillCtx(GiRgba(255, 0, 0));
    ASSERT_TRUE(canvas.openPaint(&image, nullptr, false));
    EXPECT_TRUE(canvas.paintRect(&ctx, 10.5f, 20.4f, 9.5f, 10.49f)); // x 11, y 20, w 10, h 10
    canvas.closePaint();
    EXPECT_EQ(px(10, 25), kWhite);
    EXPECT_EQ(px(11, 25), kRed);
    EXPECT_EQ(px(20, 25), kRed);
    EXPECT_EQ(px(21, 25), kWhite);
    EXPECT_EQ(px(15, 19), kWhite);
    EXPECT_EQ(px(15, 20), kRed);
    EXPECT_EQ(px(15, 29), kRed);
    EXPECT_EQ(px(15, 30), kWhite);
}

// The outline of paintRect with a pen below 1.5 pixels is filled edge by edge; it must cover
// exactly the pixels QPainter's aliased 1-pixel drawRect covers, whatever the colour's alpha and the smoothing, and
// blend each of them once (drawRect itself blends some corners twice).
TEST_F(CanvasTest, ThinRectOutlineCoversTheAliasedDrawRectPixelsOnce)
{
    struct Case {
        const char* name;
        QRect rect;
        GiRgba line;
        GiRgba fill;
        bool smoothing;
        float lineWidth = 0; // 30 hundredths of a millimetre are 1.13 pixels at 96 dpi
    } const cases[] = {
        { "opaque", QRect(10, 10, 20, 10), GiRgba(0, 0, 0), GiRgba::none(), true },
        { "translucent", QRect(10, 10, 20, 10), GiRgba(255, 0, 0, 100), GiRgba::none(), true },
        { "translucent filled", QRect(40, 30, 25, 17), GiRgba(0, 0, 255, 90), GiRgba(0, 200, 0, 60), false },
        { "one pixel high", QRect(5, 100, 30, 1), GiRgba(200, 0, 0, 128), GiRgba::none(), true },
        { "one pixel wide", QRect(150, 20, 1, 40), GiRgba(0, 0, 200, 128), GiRgba(9, 9, 9, 9), true },
        { "at the image edge", QRect(190, 140, 20, 20), GiRgba(0, 0, 0, 77), GiRgba::none(), true },
        { "pen of 1.13 pixels", QRect(60, 70, 33, 22), GiRgba(0, 90, 0, 200), GiRgba::none(), true, 30 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        image.fill(Qt::white);
        gs.setSmoothing(c.smoothing);
        const GiContext ctx(kGiLineSolid, 0, c.line, c.fill);
        ASSERT_TRUE(canvas.openPaint(&image, nullptr, false));
        EXPECT_TRUE(canvas.paintRect(
            &ctx, float(c.rect.x()), float(c.rect.y()), float(c.rect.width()), float(c.rect.height())));
        canvas.closePaint();

        QImage mask(image.size(), image.format());
        mask.fill(Qt::white);
        QPainter m(&mask);
        m.setPen(QPen(Qt::black, 1, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
        m.drawRect(c.rect);
        m.end();
        QImage expected(image.size(), image.format());
        expected.fill(Qt::white);
        QPainter p(&expected);
        if (!c.fill.isNull())
            p.fillRect(c.rect, QColor(c.fill.r, c.fill.g, c.fill.b, c.fill.a));
        const QColor pen(c.line.r, c.line.g, c.line.b, c.line.a);
        for (int y = 0; y < mask.height(); ++y)
            for (int x = 0; x < mask.width(); ++x)
                if (mask.pixel(x, y) != kWhite)
                    p.fillRect(QRect(x, y, 1, 1), pen);
        p.end();
        EXPECT_EQ(image, expected);
    }
}

// Even whole-pixel pens on a rectangle cover whole pixels: filled as bands they must match a
// smoothed QPainter stroke of the same rectangle.
TEST_F(CanvasTest, EvenPenRectOutlineMatchesTheSmoothedStroke)
{
    struct Case {
        const char* name;
        QRect rect;
        float pixels;
        GiRgba line;
    } const cases[] = {
        { "2 px opaque", QRect(20, 20, 60, 40), 2, GiRgba(0, 0, 255) },
        { "2 px translucent", QRect(20, 20, 60, 40), 2, GiRgba(0, 0, 255, 100) },
        { "4 px translucent", QRect(100, 30, 50, 70), 4, GiRgba(200, 0, 0, 150) },
        { "thin rectangle under a wide pen", QRect(30, 100, 3, 30), 6, GiRgba(0, 120, 0, 180) },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        image.fill(Qt::white);
        const GiContext ctx(kGiLineSolid, -c.pixels, c.line, GiRgba::none());
        ASSERT_TRUE(canvas.openPaint(&image, nullptr, false));
        EXPECT_TRUE(canvas.paintRect(
            &ctx, float(c.rect.x()), float(c.rect.y()), float(c.rect.width()), float(c.rect.height())));
        canvas.closePaint();

        QImage expected(image.size(), image.format());
        expected.fill(Qt::white);
        QPainter p(&expected);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(
            QPen(QColor(c.line.r, c.line.g, c.line.b, c.line.a), c.pixels, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
        p.drawRect(QRectF(c.rect));
        p.end();
        int worst = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QRgb a = image.pixel(x, y), b = expected.pixel(x, y);
                worst = std::max({ worst, std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                    std::abs(qBlue(a) - qBlue(b)) });
            }
        EXPECT_LE(worst, 1);
    }
}

TEST_F(CanvasTest, DashedLineLeavesGapsAndThinDashesAreNotAntialiased)
{
    struct Case {
        const char* name;
        int style;
    } const cases[] = { { "dash", kGiLineDash }, { "dot", kGiLineDot }, { "dash-dot", kGiLineDashDot },
        { "dash-dot-dot", kGiLineDashDotDot } };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        image.fill(Qt::white);
        const GiContext ctx = lineCtx(GiRgba::black(), c.style);
        ASSERT_TRUE(canvas.openPaint(&image, nullptr, false));
        EXPECT_TRUE(canvas.strokeSegment(&ctx, 10, 20, 190, 20));
        EXPECT_TRUE(canvas.strokeSegment(&ctx, 10, 40, 190, 130)); // slanted: would be smoothed
        canvas.closePaint();
        const int ink = inkInRow(20, 10, 190);
        EXPECT_GT(ink, 20);
        EXPECT_LT(ink, 170);
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                ASSERT_TRUE(px(x, y) == kWhite || px(x, y) == kBlack) << x << "," << y;
    }

    // A solid slanted line is smoothed: some pixels are partly covered.
    image.fill(Qt::white);
    const GiContext solid = lineCtx(GiRgba::black());
    ASSERT_TRUE(canvas.openPaint(&image, nullptr, false));
    canvas.strokeSegment(&solid, 10, 40, 190, 130);
    canvas.closePaint();
    bool partial = false;
    for (int y = 0; y < image.height() && !partial; ++y)
        for (int x = 0; x < image.width() && !partial; ++x)
            partial = px(x, y) != kWhite && px(x, y) != kBlack;
    EXPECT_TRUE(partial);
    EXPECT_EQ(inkInRow(20, 0, 200), 0);
}

TEST_F(CanvasTest, SolidLineHasNoGapsAndSmoothingCanBeSwitchedOff)
{
    const GiContext ctx = lineCtx(GiRgba::black());
    ASSERT_TRUE(canvas.openPaint(&image, nullptr, false));
    canvas.setSmoothing(false);
    EXPECT_TRUE(canvas.strokeSegment(&ctx, 10.f, 20.5f, 190.f, 20.5f));
    EXPECT_TRUE(canvas.strokeSegment(&ctx, 10, 40, 190, 130));
    canvas.closePaint();
    EXPECT_EQ(inkInRow(20, 10, 190), 180);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            ASSERT_TRUE(px(x, y) == kWhite || px(x, y) == kBlack) << x << "," << y;
}

TEST_F(CanvasTest, PensAndBrushesFollowTheContextAndTheCache)
{
    ASSERT_TRUE(canvas.openPaint(&image, nullptr, false));
    const GiContext red = fillCtx(GiRgba(255, 0, 0), GiRgba(0, 0, 255));
    EXPECT_TRUE(canvas.paintRect(&red, 10, 10, 20, 20));
    EXPECT_EQ(canvas.penBrushContext().fillColor(), GiRgba(255, 0, 0));
    EXPECT_EQ(canvas.penBrushContext().lineColor(), GiRgba(0, 0, 255));
    // A null context draws with the current pen and brush.
    EXPECT_TRUE(canvas.paintRect(nullptr, 50, 10, 20, 20));
    // A thick pen (-5 means 5 pixels) is centred on the edge.
    const GiContext thick = lineCtx(GiRgba(0, 0, 255), kGiLineSolid, -5);
    EXPECT_TRUE(canvas.paintRect(&thick, 100, 100, 40, 30));
    canvas.closePaint();
    EXPECT_EQ(px(60, 20), kRed);
    EXPECT_EQ(px(50, 20), kBlue);
    EXPECT_EQ(px(70, 20), kBlue);
    EXPECT_EQ(px(98, 115), kBlue);
    EXPECT_EQ(px(101, 115), kBlue);
    EXPECT_EQ(px(96, 115), kWhite);
    EXPECT_EQ(px(104, 115), kWhite);
}

TEST_F(CanvasTest, EllipsePolygonPolylineAndBezier)
{
    const GiContext fill = fillCtx(GiRgba(255, 0, 0));
    const GiContext line = lineCtx(GiRgba(0, 0, 255));
    const MgPoint triangle[] = { { 10, 140 }, { 60, 140 }, { 35, 100 } };
    const MgPoint zigzag[] = { { 100, 100 }, { 120, 140 }, { 140, 100 } };
    const MgPoint bezier[] = { { 150, 20 }, { 160, 0 }, { 180, 40 }, { 190, 20 } };
    ASSERT_TRUE(canvas.openPaint(&image, nullptr, false));
    EXPECT_TRUE(canvas.paintEllipse(&fill, 90, 60, -40, -40)); // normalised to (50, 20, 40, 40)
    EXPECT_TRUE(canvas.paintPolygon(&fill, triangle, 3));
    EXPECT_FALSE(canvas.paintPolygon(&fill, triangle, 1));
    EXPECT_TRUE(canvas.strokePolyline(&line, zigzag, 3));
    EXPECT_FALSE(canvas.strokePolyline(&line, zigzag, 1));
    EXPECT_TRUE(canvas.strokeBezierChain(&line, bezier, 4));
    EXPECT_FALSE(canvas.strokeBezierChain(&line, bezier, 3));
    // A closed figure without fill colour is outlined only.
    EXPECT_TRUE(canvas.paintPolygon(&line, triangle, 3));
    canvas.closePaint();
    EXPECT_EQ(px(70, 40), kRed);
    EXPECT_EQ(px(52, 22), kWhite); // outside the circle, inside its box
    EXPECT_EQ(px(35, 130), kRed);
    EXPECT_EQ(px(120, 120), kWhite); // the polyline is not closed or filled
    EXPECT_GT(inkInRow(20, 150, 191), 0);
}

TEST_F(CanvasTest, PointPathFollowsPolyDrawTypes)
{
    const GiContext ctx = fillCtx(GiRgba(255, 0, 0));
    // Two squares, the second inside the first: odd-even fill leaves a hole.
    const MgPoint pts[]
        = { { 10, 10 }, { 90, 10 }, { 90, 90 }, { 10, 90 }, { 30, 30 }, { 70, 30 }, { 70, 70 }, { 30, 70 } };
    const std::uint8_t types[] = { 6, 2, 2, 2 | 1, 6, 2, 2, 2 | 1 };
    const MgPoint curve[] = { { 100, 100 }, { 120, 60 }, { 160, 60 }, { 180, 100 } };
    const std::uint8_t curveTypes[] = { 6, 4, 4, 4 | 1 };
    const std::uint8_t shortRun[] = { 6, 2, 4, 4 };
    const std::uint8_t badType[] = { 6, 0, 2, 2 };
    ASSERT_TRUE(canvas.openPaint(&image, nullptr, false));
    EXPECT_TRUE(canvas.paintPointPath(&ctx, 8, pts, types));
    EXPECT_TRUE(canvas.paintPointPath(&ctx, 4, curve, curveTypes));
    EXPECT_FALSE(canvas.paintPointPath(&ctx, 4, curve, shortRun));
    EXPECT_FALSE(canvas.paintPointPath(&ctx, 4, curve, badType));
    EXPECT_FALSE(canvas.paintPointPath(&ctx, 1, curve, curveTypes));
    EXPECT_FALSE(canvas.paintPointPath(&ctx, 4, curve, nullptr));
    canvas.closePaint();
    EXPECT_EQ(px(20, 20), kRed);
    EXPECT_EQ(px(50, 50), kWhite);
    EXPECT_EQ(px(140, 90), kRed);
}

TEST_F(CanvasTest, PathBuilding)
{
    const GiContext ctx = fillCtx(GiRgba(255, 0, 0), GiRgba(0, 0, 255));
    const MgPoint arc[] = { { 160, 60 }, { 160, 100 }, { 120, 100 } };
    ASSERT_TRUE(canvas.openPaint(&image, nullptr, false));
    EXPECT_FALSE(canvas.pathMove(0, 0)); // no current path
    EXPECT_FALSE(canvas.pathFinish(&ctx, true));
    EXPECT_TRUE(canvas.pathOpen());
    EXPECT_TRUE(canvas.pathMove(10, 10));
    EXPECT_TRUE(canvas.pathLine(60, 10));
    EXPECT_TRUE(canvas.pathLine(60, 60));
    EXPECT_TRUE(canvas.pathClose());
    EXPECT_TRUE(canvas.pathFinish(&ctx, true));
    EXPECT_FALSE(canvas.pathLine(0, 0)); // finished paths are gone

    EXPECT_TRUE(canvas.pathOpen());
    EXPECT_TRUE(canvas.pathMove(120, 60));
    EXPECT_FALSE(canvas.pathBeziers(arc, 2));
    EXPECT_TRUE(canvas.pathBeziers(arc, 3));
    EXPECT_TRUE(canvas.pathClose());
    EXPECT_TRUE(canvas.pathFinish(&ctx, false)); // outline only
    canvas.closePaint();
    EXPECT_EQ(px(50, 20), kRed);
    EXPECT_EQ(px(20, 50), kWhite);
    EXPECT_EQ(px(135, 75), kWhite);
    EXPECT_EQ(qBlue(px(120, 80)), 255); // the closing line, smoothed over two pixel columns
    EXPECT_LT(qRed(px(120, 80)), 255);
}

TEST_F(CanvasTest, ClipRectLimitsDrawing)
{
    const GiContext ctx = fillCtx(GiRgba(255, 0, 0));
    ASSERT_TRUE(canvas.openPaint(&image, nullptr, false));
    canvas.setClipRect(60, 60, 20, 20); // corners in either order
    EXPECT_TRUE(canvas.paintRect(&ctx, 0, 0, 200, 150));
    canvas.closePaint();
    EXPECT_EQ(px(40, 40), kRed);
    EXPECT_EQ(px(19, 40), kWhite);
    EXPECT_EQ(px(60, 40), kWhite);
}

// ---- Cached images ------------------------------------------------------------------------

TEST_F(CanvasTest, SavingACachedImageOutsideBufferedPaintingKeepsNothing)
{
    canvas.saveCachedImage(false); // not painting at all
    EXPECT_FALSE(canvas.hasCachedImage(false));
    ASSERT_TRUE(canvas.openPaint(&image, nullptr, false));
    canvas.saveCachedImage(false);
    canvas.saveCachedImage(true);
    EXPECT_FALSE(canvas.hasCachedImage(false));
    EXPECT_FALSE(canvas.hasCachedImage(true));
    EXPECT_FALSE(canvas.drawCachedImage(0, 0, false));
    EXPECT_FALSE(canvas.drawCachedImage(0, 0, true));
    canvas.closePaint();
}

TEST_F(CanvasTest, CachedImagesSurvivePaintsAndRedrawTheFrame)
{
    const GiContext ctx = fillCtx(GiRgba(255, 0, 0), GiRgba(0, 0, 255, 128));
    ASSERT_TRUE(canvas.openPaint(&image));
    canvas.fillBackground();
    canvas.saveCachedImage(true); // background alone
    canvas.paintRect(&ctx, 20, 20, 50, 40);
    canvas.saveCachedImage(false); // with the shape
    canvas.closePaint();
    const QImage frame = image.copy();
    ASSERT_TRUE(canvas.hasCachedImage(false));
    ASSERT_TRUE(canvas.hasCachedImage(true));

    EXPECT_TRUE(showCached(false));
    EXPECT_EQ(image, frame);

    EXPECT_TRUE(showCached(true, 0.4f, -0.4f)); // rounded to (0, 0)
    EXPECT_EQ(px(30, 30), kWhite);
    EXPECT_EQ(px(0, 0), kWhite);

    // Offsets move the image; what it does not cover stays as it was.
    EXPECT_TRUE(showCached(false, 10, 5));
    EXPECT_EQ(px(5, 2), kBlack);
    EXPECT_EQ(px(40, 35), kRed);

    canvas.dropCachedImage(false);
    EXPECT_FALSE(canvas.hasCachedImage(false));
    EXPECT_TRUE(canvas.hasCachedImage(true));
    canvas.dropCachedImage(true);
    EXPECT_FALSE(canvas.hasCachedImage(true));
}

TEST_F(CanvasTest, ACachedImageIsACopyNotAView)
{
    const GiContext ctx = fillCtx(GiRgba(255, 0, 0));
    ASSERT_TRUE(canvas.openPaint(&image));
    canvas.fillBackground();
    canvas.saveCachedImage(false);
    canvas.paintRect(&ctx, 0, 0, 200, 150); // drawn after saving: not in the cached image
    canvas.closePaint();
    EXPECT_EQ(px(10, 10), kRed);
    ASSERT_TRUE(canvas.openPaint(&image));
    canvas.drawCachedImage(0, 0, false);
    canvas.saveCachedImage(false); // saving again over the same slot reuses it
    canvas.closePaint();
    EXPECT_EQ(px(10, 10), kWhite);
}

TEST_F(CanvasTest, SlotsSavedDuringAPaintServeThatPaintAndKeepTheirContent)
{
    const GiContext red = fillCtx(GiRgba(255, 0, 0)), blue = fillCtx(GiRgba(0, 0, 255));
    ASSERT_TRUE(canvas.openPaint(&image));
    canvas.fillBackground();
    canvas.paintRect(&red, 0, 0, 20, 20);
    canvas.saveCachedImage(false);
    canvas.saveCachedImage(true); // both slots hold the same frame
    EXPECT_TRUE(canvas.hasCachedImage(false));
    EXPECT_TRUE(canvas.hasCachedImage(true));
    EXPECT_TRUE(canvas.drawCachedImage(0, 0, false)); // the buffer already shows it
    EXPECT_TRUE(canvas.drawCachedImage(100, 50, true)); // the red square again, further on
    canvas.paintRect(&blue, 150, 0, 20, 20);
    canvas.closePaint();
    EXPECT_EQ(px(110, 60), kRed);
    EXPECT_EQ(px(160, 10), kBlue);

    // Each slot kept the frame as it was saved, not what was drawn after.
    for (bool second : { false, true }) {
        SCOPED_TRACE(second ? "slot 1" : "slot 0");
        EXPECT_TRUE(showCached(second));
        EXPECT_EQ(px(10, 10), kRed);
        EXPECT_EQ(px(110, 60), kWhite);
        EXPECT_EQ(px(160, 10), kWhite);
    }
}

TEST_F(CanvasTest, OpaqueFramesReachAnRgb32DeviceUnchanged)
{
    // Window backing stores are mostly RGB32: an opaque frame is copied there as it is, whether
    // it comes from the buffer or from a cached image, buffered or not.
    const GiContext ctx = fillCtx(GiRgba(255, 0, 0, 100), GiRgba(0, 128, 255, 48));
    auto paintShapes = [&] {
        canvas.fillBackground();
        for (int i = 0; i < 6; ++i)
            canvas.paintRect(&ctx, 10.f + 25.f * i, 10.f + 15.f * i, 60, 40);
    };
    ASSERT_TRUE(canvas.openPaint(&image));
    paintShapes();
    canvas.saveCachedImage(false);
    canvas.closePaint(true);
    const QImage expected = image.convertToFormat(QImage::Format_RGB32);

    struct Case {
        const char* name;
        bool buffered;
        bool fromCache;
    };
    const Case cases[] = {
        { "buffered, drawn", true, false },
        { "buffered, from the cached image", true, true },
        { "direct, from the cached image", false, true },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QImage rgb(200, 150, QImage::Format_RGB32);
        rgb.fill(Qt::black);
        rgb.setDotsPerMeterX(3780);
        rgb.setDotsPerMeterY(3780);
        ASSERT_TRUE(canvas.openPaint(&rgb, nullptr, c.buffered));
        if (c.fromCache)
            ASSERT_TRUE(canvas.drawCachedImage(0, 0, false));
        else
            paintShapes();
        canvas.closePaint(true);
        EXPECT_EQ(rgb, expected);
    }
}

TEST_F(CanvasTest, EveryBufferedPaintStartsFromAClearBuffer)
{
    const GiContext red = fillCtx(GiRgba(255, 0, 0)), blue = fillCtx(GiRgba(0, 0, 255));
    ASSERT_TRUE(canvas.openPaint(&image));
    canvas.paintRect(&red, 10, 10, 20, 20);
    canvas.closePaint();
    // A paint that draws nothing leaves the device alone.
    image.fill(Qt::black);
    ASSERT_TRUE(canvas.openPaint(&image));
    canvas.closePaint();
    EXPECT_EQ(px(15, 15), kBlack);
    // The next paint's buffer holds nothing of the former one.
    ASSERT_TRUE(canvas.openPaint(&image));
    canvas.paintRect(&blue, 100, 100, 20, 20);
    canvas.saveCachedImage(true);
    canvas.closePaint();
    EXPECT_TRUE(showCached(true));
    EXPECT_EQ(px(15, 15), kBlack);
    EXPECT_EQ(px(110, 110), kBlue);
}

TEST_F(CanvasTest, OtherCanvasCachedImageNeedsTheSameClientSize)
{
    GiViewTransform xf2;
    xf2.setClientSize(200, 150);
    GiGraphics gs2(&xf2);
    GiCanvasGdip other(&gs2);
    QImage otherImage(200, 150, QImage::Format_ARGB32_Premultiplied);
    otherImage.fill(Qt::blue);
    ASSERT_TRUE(other.openPaint(&otherImage, nullptr, true, true));
    other.saveCachedImage(false);
    other.closePaint(false);

    ASSERT_TRUE(canvas.openPaint(&image));
    EXPECT_FALSE(canvas.drawOtherCachedImage(nullptr, 0, 0, false));
    EXPECT_FALSE(canvas.drawOtherCachedImage(&other, 0, 0, true)); // slot 1 is empty
    EXPECT_TRUE(canvas.drawOtherCachedImage(&other, 0, 0, false));
    canvas.closePaint();
    EXPECT_EQ(px(100, 100), kBlue);

    xf2.setClientSize(100, 150);
    ASSERT_TRUE(canvas.openPaint(&image));
    EXPECT_FALSE(canvas.drawOtherCachedImage(&other, 0, 0, false));
    canvas.closePaint(false);
}

// ---- Device colours, resolution and text --------------------------------------------------

TEST_F(CanvasTest, NearestColourFollowsTheDeviceDepth)
{
    EXPECT_EQ(canvas.nearestColor(GiRgba(1, 2, 3, 0)), GiRgba(1, 2, 3, 255)); // not painting
    QImage rgb16(20, 20, QImage::Format_RGB16);
    ASSERT_TRUE(canvas.openPaint(&rgb16, nullptr, false));
    EXPECT_EQ(gs.deviceColors(), 65536);
    const GiRgba c = canvas.nearestColor(GiRgba(13, 130, 250, 7));
    EXPECT_EQ(c.a, 7);
    EXPECT_EQ(c.r & 0xF8, 13 & 0xF8);
    EXPECT_EQ(c.g & 0xFC, 130 & 0xFC);
    canvas.closePaint();

    QImage mono(20, 20, QImage::Format_Mono);
    ASSERT_TRUE(canvas.openPaint(&mono, nullptr, false));
    EXPECT_EQ(gs.deviceColors(), 2);
    EXPECT_EQ(canvas.nearestColor(GiRgba(250, 240, 230)), GiRgba::white());
    EXPECT_EQ(canvas.nearestColor(GiRgba(20, 10, 0)), GiRgba::black());
    canvas.closePaint();

    ASSERT_TRUE(canvas.openPaint(&image, nullptr, false));
    EXPECT_EQ(canvas.nearestColor(GiRgba(13, 130, 250, 7)), GiRgba(13, 130, 250, 7));
    canvas.closePaint();
}

TEST_F(CanvasTest, ScreenResolutionIsReadOnce)
{
    const float dpi = canvas.screenResolution();
    EXPECT_GT(dpi, 0.f);
    EXPECT_EQ(canvas.screenResolution(), dpi);
    EXPECT_EQ(gs.screenResolution(), dpi);
}

TEST_F(CanvasTest, TextIsDrawnWithItsTopLeftAtThePoint)
{
    const char16_t text[] = u"HHHH";
    EXPECT_FALSE(canvas.textOutW(nullptr, 0, 0, text, 4));
    ASSERT_TRUE(canvas.openPaint(&image));
    EXPECT_FALSE(canvas.textOutW(canvas.borrowDC(), 0, 0, nullptr, 4));
    EXPECT_FALSE(canvas.textOutA(canvas.borrowDC(), 0, 0, "HH", -1));
    const QRectF box(100, 100, 40, 20);
    canvas.changeBackgroundColor(GiRgba(0, 0, 255));
    EXPECT_TRUE(canvas.extTextOutW(
        canvas.borrowDC(), 100, 100, GiCanvasWin::kTextOpaque | GiCanvasWin::kTextClipped, &box, text, 4, nullptr));
    EXPECT_TRUE(canvas.textOutW(canvas.borrowDC(), 20.5f, 30.4f, text, 4));
    const int advances[] = { 12, 12 };
    EXPECT_TRUE(canvas.extTextOutA(canvas.borrowDC(), 20, 60, 0, nullptr, "HH", 2, advances));
    canvas.closePaint();
    EXPECT_EQ(px(139, 119), kBlue); // the opaque rectangle
    EXPECT_EQ(px(140, 120), kWhite);
    if (QFontDatabase::families().isEmpty())
        GTEST_SKIP() << "no fonts installed: text pixels not checked";
    // Nothing above the top of the cell, ink within it.
    EXPECT_EQ(inkInRow(30, 0, 200), 0);
    int ink = 0;
    for (int y = 31; y < 50; ++y)
        ink += inkInRow(y, 21, 80);
    EXPECT_GT(ink, 0);
}

} // namespace

// ---- On a widget ------------------------------------------------------------------------------

namespace {

// Paints through the canvas from its paint event, as the layout view does.
class CanvasWidget : public QWidget {
public:
    CanvasWidget()
        : gs(&xf)
        , canvas(&gs)
    {
        resize(120, 80);
    }

    void paintEvent(QPaintEvent* event) override
    {
        xf.setClientSize(width(), height());
        opened = canvas.openPaint(this, nullptr, true, overlay, event->rect());
        if (!opened)
            return;
        clipBox = gs.clipBoxPx();
        buffered = canvas.isBuffered();
        if (!canvas.hasCachedImage(false)) {
            canvas.fillBackground();
            const GiContext ctx(kGiLineSolid, 0, GiRgba(0, 0, 255), GiRgba(255, 0, 0));
            canvas.paintRect(&ctx, 10, 10, 50, 30);
            canvas.saveCachedImage(false);
            ++fullPaints;
        } else {
            canvas.drawCachedImage(0, 0, false);
        }
        canvas.closePaint(true);
    }

    GiViewTransform xf;
    GiGraphics gs;
    GiCanvasGdip canvas;
    bool overlay = false;
    bool opened = false;
    bool buffered = false;
    int fullPaints = 0;
    MgBox clipBox;
};

} // namespace

TEST(CanvasOnWidget, BufferedPaintShowsOnTheWidgetAndReusesCachedImage0)
{
    CanvasWidget w;
    const QImage first = w.grab().toImage();
    ASSERT_TRUE(w.opened);
    EXPECT_TRUE(w.buffered);
    EXPECT_EQ(w.fullPaints, 1);
    EXPECT_EQ(w.clipBox, MgBox(0, 0, 120, 80));
    EXPECT_EQ(first.pixel(30, 20), kRed);
    EXPECT_EQ(first.pixel(10, 10), kBlue);
    EXPECT_EQ(first.pixel(100, 70), first.pixel(5, 5)); // background

    // Later paints come from cached image 0, clipped to what needs repainting.
    const QImage second = w.grab(QRect(0, 0, 40, 40)).toImage();
    EXPECT_EQ(w.fullPaints, 1);
    EXPECT_EQ(w.clipBox, MgBox(0, 0, 40, 40));
    EXPECT_EQ(second.pixel(30, 20), kRed);
    EXPECT_FALSE(w.gs.isPainting());
    EXPECT_FALSE(w.canvas.openPaint(&w)); // outside its paint event a widget cannot be painted on
    EXPECT_FALSE(w.gs.isPainting());
}

namespace {

// Runs a given drawing between openPaint and closePaint in its paint event.
class OverlayWidget : public QWidget {
public:
    OverlayWidget()
        : gs(&xf)
        , canvas(&gs)
    {
        resize(100, 60);
    }

    void paintEvent(QPaintEvent* event) override
    {
        xf.setClientSize(width(), height());
        if (!canvas.openPaint(this, nullptr, true, overlay, event->rect()))
            return;
        if (draw)
            draw(canvas);
        canvas.closePaint(true);
    }

    GiViewTransform xf;
    GiGraphics gs;
    GiCanvasGdip canvas;
    bool overlay = true;
    std::function<void(GiCanvasGdip&)> draw;
};

} // namespace

TEST(CanvasOnWidget, OverlayContinuesFromTheFrameLastShown)
{
    const GiContext red = fillCtx(GiRgba(255, 0, 0)), blue = fillCtx(GiRgba(0, 0, 255));
    OverlayWidget w;
    w.draw = [&](GiCanvasGdip& c) {
        c.fillBackground();
        c.paintRect(&red, 10, 10, 20, 20);
    };
    ASSERT_EQ(w.grab().toImage().pixel(15, 15), kRed);

    // An overlay paint draws on top of what the widget last showed.
    w.draw = [&](GiCanvasGdip& c) { c.paintRect(&blue, 50, 10, 20, 20); };
    const QImage overlaid = w.grab().toImage();
    EXPECT_EQ(overlaid.pixel(15, 15), kRed);
    EXPECT_EQ(overlaid.pixel(55, 15), kBlue);

    // Without overlay the buffer starts empty.
    w.overlay = false;
    const QImage fresh = w.grab().toImage();
    EXPECT_NE(fresh.pixel(15, 15), kRed);
    EXPECT_EQ(fresh.pixel(55, 15), kBlue);
}
