// A paint that starts from a cached image restores only what the former paint drew over it.
// Every frame of a sequence painted that way must equal, pixel for pixel, the same frame drawn
// from scratch on a canvas without caches.
#include "graph/gigraphics.h"
#include "graph/giviewtransform.h"
#include "graph/qt/gicanvasgdip.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

constexpr int kW = 320;
constexpr int kH = 240;

struct Window {
    Window()
        : device(kW, kH, QImage::Format_ARGB32_Premultiplied)
        , gs(&xf)
        , canvas(&gs)
    {
        device.fill(Qt::black);
        device.setDotsPerMeterX(3780);
        device.setDotsPerMeterY(3780);
        xf.setClientSize(kW, kH);
    }
    QImage device;
    GiViewTransform xf;
    GiGraphics gs;
    GiCanvasGdip canvas;
};

// The picture: opaque content with smoothed edges everywhere.
void drawPicture(GiCanvasGdip& c)
{
    const GiContext ground(kGiLineSolid, -3, GiRgba(20, 90, 40, 255), GiRgba(230, 220, 200, 255));
    c.paintRect(&ground, 10, 10, 300, 220);
    const GiContext blot(kGiLineSolid, -2, GiRgba(120, 0, 0, 255), GiRgba(200, 120, 60, 255));
    c.paintEllipse(&blot, 40.3f, 30.7f, 120.5f, 80.2f);
}

// The shapes: translucent regions with 1-pixel translucent outlines, as the layout view draws.
void drawShapes(GiCanvasGdip& c, int generation)
{
    const GiContext region(kGiLineSolid, 0, GiRgba(0, 255, 255, 64), GiRgba(0, 128, 255, 48));
    for (int i = 0; i < 12; ++i)
        c.paintRect(&region, 20.f + float((i * 23 + generation * 7) % 250), 20.f + float((i * 17) % 190), 40, 12);
}

// A whole frame drawn from scratch: background, picture, shapes.
void drawFrame(GiCanvasGdip& c, int generation)
{
    c.fillBackground();
    drawPicture(c);
    drawShapes(c, generation);
}

// Command feedback that moves with the frame number, in every primitive the commands use.
void drawFeedback(GiCanvasGdip& c, int frame)
{
    const float dx = float((frame * 37) % 260), dy = float((frame * 23) % 200);
    const GiContext thin(kGiLineSolid, 0, GiRgba(255, 255, 0, 160), GiRgba::none());
    const GiContext thick(kGiLineSolid, -6, GiRgba(255, 0, 255, 200), GiRgba(0, 0, 0, 60));
    const GiContext dashed(kGiLineDash, 0, GiRgba(0, 0, 0, 255), GiRgba::none());
    switch (frame % 6) {
    case 0: c.paintRect(&thin, 5 + dx, 5 + dy, 70, 40); break;
    case 1: c.strokeSegment(&thick, dx, dy, dx + 60.5f, dy + 33.3f); break;
    case 2: {
        const MgPoint pts[] = { { dx, dy }, { dx + 40, dy + 5 }, { dx + 10, dy + 30 }, { dx + 50, dy + 45 } };
        c.strokePolyline(&thick, pts, 4);
        break;
    }
    case 3: c.paintEllipse(&thick, dx - 20, dy - 10, 50, 30); break; // partly off the window at times
    case 4: {
        const MgPoint pts[] = { { dx, dy }, { dx + 80, dy - 30 }, { dx - 20, dy + 60 }, { dx + 60, dy + 40 } };
        c.strokeBezierChain(&dashed, pts, 4);
        break;
    }
    default: {
        const MgPoint pts[] = { { dx, dy }, { dx + 30, dy }, { dx + 15, dy + 28 } };
        c.paintPolygon(&thick, pts, 3);
        break;
    }
    }
}

} // namespace

TEST(GiCanvasDamage, FramesFromCachedImagesEqualFramesDrawnFromScratch)
{
    Window cached;
    Window scratch;
    int generation = 0;
    for (int frame = 0; frame < 40; ++frame) {
        SCOPED_TRACE("frame " + std::to_string(frame));
        // The layout view's paint: the cached picture with shapes, else the cached picture, else
        // the picture drawn anew; then the feedback.
        const bool regenerate = frame % 7 == 3;
        const bool viewMoved = frame % 13 == 9;
        if (regenerate)
            ++generation;
        if (regenerate)
            cached.canvas.dropCachedImage(false);
        if (viewMoved)
            cached.canvas.dropCachedImage(true);
        ASSERT_TRUE(cached.canvas.openPaint(&cached.device));
        cached.canvas.setSmoothing(true);
        cached.canvas.fillBackground();
        if (!cached.canvas.drawCachedImage(0, 0, false)) {
            if (!cached.canvas.drawCachedImage(0, 0, true)) {
                drawPicture(cached.canvas);
                cached.canvas.saveCachedImage(true);
            }
            drawShapes(cached.canvas, generation);
            cached.canvas.saveCachedImage(false);
        }
        drawFeedback(cached.canvas, frame);
        if (frame % 10 == 5) // someone drawing through the painter itself
            cached.canvas.painter()->fillRect(QRect(100, 100, 30, 30), Qt::darkGreen);
        cached.canvas.closePaint(true);

        ASSERT_TRUE(scratch.canvas.openPaint(&scratch.device));
        scratch.canvas.setSmoothing(true);
        drawFrame(scratch.canvas, generation);
        drawFeedback(scratch.canvas, frame);
        if (frame % 10 == 5)
            scratch.canvas.painter()->fillRect(QRect(100, 100, 30, 30), Qt::darkGreen);
        scratch.canvas.closePaint(true);

        ASSERT_TRUE(cached.device == scratch.device);
    }
}

TEST(GiCanvasDamage, APaintWithoutFeedbackShowsTheCachedImageExactly)
{
    Window w;
    ASSERT_TRUE(w.canvas.openPaint(&w.device));
    drawFrame(w.canvas, 0);
    w.canvas.saveCachedImage(false);
    drawFeedback(w.canvas, 1);
    w.canvas.closePaint(true);
    const QImage withFeedback = w.device.copy();

    ASSERT_TRUE(w.canvas.openPaint(&w.device));
    ASSERT_TRUE(w.canvas.drawCachedImage(0, 0, false));
    w.canvas.closePaint(true);
    EXPECT_FALSE(w.device == withFeedback);

    // The same frame from a fresh canvas that never drew feedback.
    Window fresh;
    ASSERT_TRUE(fresh.canvas.openPaint(&fresh.device));
    drawFrame(fresh.canvas, 0);
    fresh.canvas.closePaint(true);
    EXPECT_TRUE(w.device == fresh.device);
}
