// Rectangles painted straight into the off-screen buffer must look as QPainter paints them: the
// same rectangles drawn without a buffer (through QPainter::fillRect on the device) may differ by
// at most one level per channel.
#include "graph/gigraphics.h"
#include "graph/giviewtransform.h"
#include "graph/qt/gicanvasgdip.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

constexpr int kW = 160;
constexpr int kH = 120;

QImage background()
{
    QImage img(kW, kH, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < kH; ++y) {
        for (int x = 0; x < kW; ++x)
            img.setPixel(x, y, qRgb(x * 255 / kW, y * 255 / kH, (x * y) % 256));
    }
    img.setDotsPerMeterX(3780);
    img.setDotsPerMeterY(3780);
    return img;
}

struct Case {
    const char* name;
    GiContext ctx;
    float x, y, w, h;
};

// Largest difference of one channel between a and b.
int maxDifference(const QImage& a, const QImage& b)
{
    int worst = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            worst = std::max({ worst, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                std::abs(qBlue(p) - qBlue(q)), std::abs(qAlpha(p) - qAlpha(q)) });
        }
    }
    return worst;
}

QImage paint(const Case& c, bool buffered)
{
    QImage device = background();
    GiViewTransform xf;
    xf.setClientSize(kW, kH);
    GiGraphics gs(&xf);
    GiCanvasGdip canvas(&gs);
    EXPECT_TRUE(canvas.openPaint(&device, nullptr, buffered));
    if (buffered)
        canvas.painter()->drawImage(QPoint(0, 0), background()); // the buffer starts as the device
    // Three overlapping copies, so translucent colours blend over each other too.
    for (int i = 0; i < 3; ++i)
        canvas.paintRect(&c.ctx, c.x + float(i * 7), c.y + float(i * 5), c.w, c.h);
    canvas.closePaint(true);
    return device;
}

} // namespace

TEST(GiCanvasFastRect, MatchesQPainterFillsWithinOneLevel)
{
    const GiRgba cyan64(0, 255, 255, 64), blue48(0, 128, 255, 48);
    const Case cases[] = {
        { "region colours", GiContext(kGiLineSolid, 0, cyan64, blue48), 20, 15, 60, 30 },
        { "opaque edges, translucent fill", GiContext(kGiLineSolid, 0, GiRgba(255, 0, 0, 255), blue48), 10, 10, 40,
            20 },
        { "opaque fill, translucent edges", GiContext(kGiLineSolid, 0, cyan64, GiRgba(10, 200, 30, 255)), 30, 40, 50,
            25 },
        { "fill only", GiContext(kGiLineSolid, 0, GiRgba::none(), GiRgba(200, 100, 50, 130)), 5, 5, 90, 70 },
        { "edges only", GiContext(kGiLineSolid, 0, GiRgba(250, 250, 0, 200), GiRgba::none()), 12, 22, 33, 44 },
        { "nearly transparent", GiContext(kGiLineSolid, 0, GiRgba(255, 255, 255, 1), GiRgba(0, 0, 0, 2)), 0, 0, 80,
            60 },
        { "nearly opaque", GiContext(kGiLineSolid, 0, GiRgba(9, 99, 199, 254), GiRgba(199, 99, 9, 253)), 40, 30, 20,
            10 },
        { "one pixel", GiContext(kGiLineSolid, 0, cyan64, blue48), 50, 50, 1, 1 },
        { "one pixel high", GiContext(kGiLineSolid, 0, cyan64, blue48), 50, 50, 30, 1 },
        { "negative size", GiContext(kGiLineSolid, 0, cyan64, blue48), 100, 90, -60, -40 },
        { "fractional corners", GiContext(kGiLineSolid, 0, cyan64, blue48), 20.5f, 14.49f, 33.5f, 17.51f },
        { "beyond the left and top", GiContext(kGiLineSolid, 0, cyan64, blue48), -30, -20, 70, 50 },
        { "beyond the right and bottom", GiContext(kGiLineSolid, 0, cyan64, blue48), 120, 90, 80, 60 },
        { "wholly outside", GiContext(kGiLineSolid, 0, cyan64, blue48), 400, 300, 20, 20 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QImage fast = paint(c, true);
        const QImage plain = paint(c, false);
        EXPECT_LE(maxDifference(fast, plain), 1);
        if (std::string(c.name) != "wholly outside") {
            EXPECT_FALSE(fast == background()) << "nothing was drawn";
        }
    }
}
