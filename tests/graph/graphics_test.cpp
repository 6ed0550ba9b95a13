// GiGraphics through a recording canvas: what reaches the canvas for each drawing operation.
#include "graph/gigraphics.h"

#include "geom/mgcurve.h"
#include "graph/giviewtransform.h"
#include "support/recording_canvas.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <random>
#include <vector>

namespace {

const GiContext kLine(kGiLineSolid, 0, GiRgba(0, 0, 255), GiRgba::none());
const GiContext kFilled(kGiLineSolid, 0, GiRgba(0, 0, 255), GiRgba(255, 255, 0, 128));

/// A 200 x 100 pixel client at 25.4 dpi: one world millimetre is one pixel, world (0, 0) lies at
/// display (100, 50), y up. The model transform flips y so that model coordinates are display
/// pixels exactly; world coordinates (inModel = false) keep y up.
class Drawing : public ::testing::Test {
protected:
    Drawing()
    {
        xf.setResolution(25.4f, 25.4f);
        xf.setClientSize(200, 100);
        xf.setModelTransform(MgMatrix(1, 0, 0, -1, -100, 50));
    }

    /// Starts a paint of the whole client area (clipPx then is (-10, -10, 210, 110)) and forgets
    /// the calls it made.
    void paint(const MgBox* clip = nullptr)
    {
        canvas.beginPaint(clip);
        canvas.clear();
    }

    GiViewTransform xf { true };
    GiGraphics gs { &xf };
    RecordingCanvas canvas { &gs };
};

void expectPoint(const MgPoint& p, float x, float y, float eps = 1e-3f)
{
    EXPECT_NEAR(p.x, x, eps);
    EXPECT_NEAR(p.y, y, eps);
}

void expectPoints(const std::vector<MgPoint>& got, const std::vector<MgPoint>& want, float eps = 1e-3f)
{
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = 0; i < want.size(); ++i) {
        SCOPED_TRACE(testing::Message() << "point " << i);
        expectPoint(got[i], want[i].x, want[i].y, eps);
    }
}

/// n points zig-zagging between y = 20 and y = 30 from x = 1, 0.015 pixels apart in x: all inside
/// the client, and every point kept by the thinning.
std::vector<MgPoint> zigzag(int n)
{
    std::vector<MgPoint> pts(static_cast<size_t>(n));
    for (size_t i = 0; i < pts.size(); ++i)
        pts[i] = MgPoint(1 + 0.015f * static_cast<float>(i), i % 2 ? 20.f : 30.f);
    return pts;
}

bool inside(const MgBox& box, const MgPoint& p, float eps = 1e-3f)
{
    return p.x >= box.xmin - eps && p.x <= box.xmax + eps && p.y >= box.ymin - eps && p.y <= box.ymax + eps;
}

// ---- Bracket, forwarding, state ------------------------------------------------------------

TEST_F(Drawing, EveryOperationOutsideAPaintAnswersFalseWithoutCallingTheCanvas)
{
    const MgPoint pts[4] = { { 10, 10 }, { 50, 10 }, { 50, 50 }, { 10, 50 } };
    const MgVector tans[4] = { { 1, 0 }, { 1, 0 }, { 1, 0 }, { 1, 0 } };
    const MgBox box(10, 10, 50, 50);
    const std::pair<const char*, std::function<bool()>> ops[] = {
        { "drawSegment", [&] { return gs.drawSegment(&kLine, pts[0], pts[2]); } },
        { "drawPolyline", [&] { return gs.drawPolyline(&kLine, 4, pts); } },
        { "drawBezierChain", [&] { return gs.drawBezierChain(&kLine, 4, pts); } },
        { "drawPolygonArea", [&] { return gs.drawPolygonArea(&kLine, 4, pts); } },
        { "drawBox", [&] { return gs.drawBox(&kLine, box); } },
        { "drawOval", [&] { return gs.drawOval(&kLine, pts[0], 5, 5); } },
        { "drawOvalInBox", [&] { return gs.drawOvalInBox(&kLine, box); } },
        { "drawOvalArc", [&] { return gs.drawOvalArc(&kLine, pts[0], 5, 5, 0, 1); } },
        { "drawRoundedBox", [&] { return gs.drawRoundedBox(&kLine, box, 3, 3); } },
        { "drawSplineCurve", [&] { return gs.drawSplineCurve(&kLine, 4, pts, tans); } },
        { "drawClosedSplineCurve", [&] { return gs.drawClosedSplineCurve(&kLine, 4, pts, tans); } },
    };
    const auto runAll = [&](const char* when) {
        for (const auto& [name, op] : ops) {
            SCOPED_TRACE(testing::Message() << name << " " << when);
            EXPECT_FALSE(op());
            EXPECT_TRUE(canvas.calls.empty()) << canvas.dump();
            canvas.clear();
        }
    };
    runAll("before any paint");
    EXPECT_FALSE(gs.isPainting());

    // The same operations do draw inside the bracket, so the test above is not vacuous.
    paint();
    for (const auto& [name, op] : ops) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(op()) << canvas.dump();
    }
    EXPECT_TRUE(gs.isPainting());
    gs.finishPaint();
    canvas.clear();
    runAll("after the paint");
}

TEST_F(Drawing, PaintReferencesNestAndAnUnmatchedFinishIsHarmless)
{
    gs.startPaint(MgBox(0, 0, 200, 100));
    gs.startPaint(MgBox(0, 0, 200, 100));
    gs.finishPaint();
    EXPECT_TRUE(gs.isPainting());
    gs.finishPaint();
    EXPECT_FALSE(gs.isPainting());
    gs.finishPaint(); // one too many
    gs.startPaint(MgBox(0, 0, 200, 100));
    EXPECT_TRUE(gs.isPainting());
    EXPECT_TRUE(gs.drawSegment(&kLine, MgPoint(1, 1), MgPoint(50, 50)));
}

TEST(GiGraphicsForwarding, WithoutCanvasEachPrimitiveAnswersItsDefault)
{
    GiViewTransform xf(true);
    GiGraphics gs(&xf);
    const MgPoint pts[4] = { { 0, 0 }, { 1, 1 }, { 2, 2 }, { 3, 3 } };
    const std::uint8_t types[4] = { 6, 2, 2, 2 };
    EXPECT_EQ(gs.screenResolution(), 96.f);
    EXPECT_TRUE(gs.backgroundColor().isNull());
    EXPECT_EQ(gs.changeBackgroundColor(GiRgba(1, 2, 3, 4)), GiRgba(1, 2, 3, 4));
    gs.dropCachedImage(true);
    EXPECT_FALSE(gs.strokeSegment(&kLine, 0, 0, 1, 1));
    EXPECT_FALSE(gs.strokePolyline(&kLine, pts, 4));
    EXPECT_FALSE(gs.strokeBezierChain(&kLine, pts, 4));
    EXPECT_FALSE(gs.paintPolygon(&kLine, pts, 4));
    EXPECT_FALSE(gs.paintRect(&kLine, 0, 0, 1, 1));
    EXPECT_FALSE(gs.paintEllipse(&kLine, 0, 0, 1, 1));
    EXPECT_FALSE(gs.paintPointPath(&kLine, 4, pts, types));
    EXPECT_FALSE(gs.pathOpen());
    EXPECT_FALSE(gs.pathFinish(&kLine, true));
    EXPECT_FALSE(gs.pathMove(0, 0));
    EXPECT_FALSE(gs.pathLine(0, 0));
    EXPECT_FALSE(gs.pathBeziers(pts + 1, 3));
    EXPECT_FALSE(gs.pathClose());
    EXPECT_EQ(gs.canvas(), nullptr);
    EXPECT_EQ(&gs.transform(), &xf);
}

TEST_F(Drawing, PrimitivesReachTheCanvasUnchanged)
{
    const MgPoint pts[4] = { { 0, 0 }, { 1, 1 }, { 2, 2 }, { 3, 3 } };
    const std::uint8_t types[4] = { 6, 2, 4, 5 };
    canvas.answer = false; // the canvas's own answer comes back
    EXPECT_FALSE(gs.strokeSegment(&kLine, 1, 2, 3, 4));
    canvas.answer = true;
    EXPECT_TRUE(gs.paintRect(nullptr, -1, -2, -3, -4));
    EXPECT_TRUE(gs.paintPointPath(&kFilled, 4, pts, types));
    EXPECT_TRUE(gs.pathBeziers(pts + 1, 3));
    EXPECT_EQ(
        canvas.ops(), (std::vector<std::string> { "strokeSegment", "paintRect", "paintPointPath", "pathBeziers" }));
    EXPECT_EQ(canvas.calls[0].args, (std::vector<float> { 1, 2, 3, 4 }));
    EXPECT_FALSE(canvas.calls[1].hasContext);
    EXPECT_EQ(canvas.calls[1].args, (std::vector<float> { -1, -2, -3, -4 }));
    EXPECT_EQ(canvas.calls[2].ctx, kFilled);
    EXPECT_EQ(canvas.calls[2].types, (std::vector<std::uint8_t> { 6, 2, 4, 5 }));
    EXPECT_EQ(canvas.calls[3].points.size(), 3u);

    canvas.background = GiRgba(9, 9, 9);
    EXPECT_EQ(gs.changeBackgroundColor(GiRgba(10, 20, 30, 0)), GiRgba(9, 9, 9));
    EXPECT_EQ(canvas.background, GiRgba(10, 20, 30, 255)); // made opaque on the way
    canvas.dpi = 120;
    EXPECT_EQ(gs.screenResolution(), 120.f);
}

TEST_F(Drawing, SmoothingIsStoredAndPassedOn)
{
    EXPECT_TRUE(gs.isSmoothing());
    EXPECT_TRUE(gs.setSmoothing(false));
    EXPECT_FALSE(gs.isSmoothing());
    EXPECT_FALSE(canvas.smoothing);
    EXPECT_FALSE(gs.setSmoothing(true));
    EXPECT_TRUE(canvas.smoothing);
}

TEST_F(Drawing, StartPaintDerivesTheClipBoxes)
{
    const MgBox clip(20, 10, 120, 60);
    paint(&clip);
    EXPECT_EQ(gs.clipBoxPx(), clip);
    // clipPx = (10, 0, 130, 70) display = model; in world (1 px = 1 mm, y up around (100, 50)).
    EXPECT_EQ(gs.clipBoxModel(), MgBox(10, 0, 130, 70));
    EXPECT_EQ(gs.clipBoxWorld(), MgBox(-90, -20, 30, 50));

    // A flat clip box still begins a paint but keeps the area of the former one.
    gs.finishPaint();
    gs.startPaint(MgBox(5, 5, 5, 80));
    EXPECT_TRUE(gs.isPainting());
    EXPECT_EQ(gs.clipBoxPx(), clip);
    EXPECT_EQ(gs.clipBoxModel(), MgBox(10, 0, 130, 70));
}

TEST_F(Drawing, ANewRevisionDropsTheCachedImagesAndRecomputesTheBoxes)
{
    paint();
    gs.finishPaint();
    gs.startPaint(MgBox(0, 0, 200, 100));
    EXPECT_EQ(canvas.count("dropCachedImage"), 0) << "same revision: nothing to drop";
    gs.finishPaint();

    // Zoom while no paint runs; then a paint with a flat clip box still sees the new mapping.
    ASSERT_TRUE(xf.zoomScale(2, nullptr, true));
    gs.startPaint(MgBox(0, 0, 0, 0));
    ASSERT_EQ(canvas.count("dropCachedImage"), 1);
    EXPECT_EQ(canvas.last("dropCachedImage")->args[0], 1.f);
    // clipPx (-10, -10, 210, 110) seen at zoom 2 about the client centre.
    EXPECT_EQ(gs.clipBoxModel(), MgBox(45, 20, 155, 80));
}

TEST_F(Drawing, AMappingChangedDuringAPaintIsHonoured)
{
    // A shape drawing under GiModelTransformScope changes the model transform mid-paint; culling
    // must use the new mapping, not the boxes computed when the paint began.
    paint();
    const MgBox farAway(1000, 1000, 1040, 1020);
    EXPECT_FALSE(gs.drawBox(&kLine, farAway));
    const MgMatrix saved = xf.modelToWorld();
    ASSERT_TRUE(xf.setModelTransform(MgMatrix(1, 0, 0, -1, -1090, 1040)));
    EXPECT_TRUE(gs.drawBox(&kLine, farAway)) << "the box lies at (10, 10)-(50, 30) now";
    const CanvasCall* rect = canvas.last("paintRect");
    ASSERT_NE(rect, nullptr);
    EXPECT_NEAR(rect->args[0], 10, 1e-3);
    EXPECT_NEAR(rect->args[1], 10, 1e-3);
    ASSERT_TRUE(xf.setModelTransform(saved));
    canvas.clear();
    EXPECT_FALSE(gs.drawBox(&kLine, farAway)) << "and culled again once the mapping is restored";
    EXPECT_TRUE(canvas.drawingOps().empty());
}

// ---- Pens and colours ----------------------------------------------------------------------

TEST(GiGraphicsPen, PenWidthPx)
{
    GiViewTransform xf(true); // 96 dpi
    GiGraphics gs(&xf);
    RecordingCanvas canvas(&gs);
    struct Case {
        const char* name;
        float width;
        bool withZoom;
        float zoom;
        float want;
    };
    const Case cases[] = {
        { "zero is the thinnest pen", 0, true, 1, 1 },
        { "negative is pixels", -3, true, 1, 3 },
        { "254 hundredths of a mm at 96 dpi", 254, false, 1, 9.6f },
        { "with zoom", 254, true, 2, 19.2f },
        { "zoom ignored", 254, false, 2, 9.6f },
        { "limited to the widest pen", 100000, false, 1, 100 },
        { "pixels limited too", -500, false, 1, 100 },
        { "raised to the thinnest pen", 10, false, 1, 1 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        xf.setFocusAndZoom(MgPoint(), c.zoom);
        EXPECT_NEAR(gs.penWidthPx(c.width, c.withZoom), c.want, 1e-4);
    }

    xf.setFocusAndZoom(MgPoint(), 1);
    gs.setMaxPenWidth(1); // every width then draws as the thinnest pen
    EXPECT_EQ(gs.penWidthPx(254, false), 1.f);
    EXPECT_EQ(gs.penWidthPx(-3, false), 1.f);
    gs.setMaxPenWidth(100);
    gs.setMinPenWidth(2);
    EXPECT_EQ(gs.penWidthPx(0, false), 2.f);
}

TEST(GiGraphicsPen, PixelWidthsGrowOnAFinerDevice)
{
    GiViewTransform xf(true);
    GiGraphics gs(&xf);
    RecordingCanvas canvas(&gs); // a screen of 96 dpi
    xf.setResolution(600, 600); // printing at 600 dpi
    EXPECT_FLOAT_EQ(gs.penWidthPx(-3, false), 3 * 600 / 96.f);
    EXPECT_FLOAT_EQ(gs.penWidthPx(0, false), 600 / 96.f);
    EXPECT_FLOAT_EQ(gs.penWidthPx(254, false), 60) << "physical widths are already device pixels";
}

TEST(GiGraphicsPen, PenColorFor)
{
    GiViewTransform xf(true);
    GiGraphics gs(&xf);
    RecordingCanvas canvas(&gs);
    canvas.nearest = [](const GiRgba& c) { return c.r > 127 ? GiRgba(255, 0, 0, c.a) : GiRgba(0, 0, 0, c.a); };
    const GiRgba orange(250, 140, 20, 200);
    struct Case {
        const char* name;
        int colors;
        GiRgba in, want;
        int nearestCalls;
    };
    const Case cases[] = {
        { "unknown device", 0, orange, orange, 0 },
        { "true colour", 1 << 24, orange, orange, 0 },
        { "7 colours: nearest", 7, orange, GiRgba(255, 0, 0, 200), 1 },
        { "8 colours: unchanged", 8, orange, orange, 0 },
        { "2 colours: gray 150 asked for its nearest", 2, GiRgba(0, 255, 0, 9), GiRgba(255, 0, 0, 9), 1 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        canvas.clear();
        gs.setDeviceColors(c.colors);
        EXPECT_EQ(gs.penColorFor(c.in), c.want);
        EXPECT_EQ(canvas.count("nearestColor"), c.nearestCalls);
    }
    // On a 2-colour device the colour turns gray before the canvas is asked about it.
    gs.setDeviceColors(2);
    canvas.nearest = nullptr;
    canvas.clear();
    EXPECT_EQ(gs.penColorFor(GiRgba(255, 0, 0)), GiRgba(77, 77, 77));
    EXPECT_EQ(canvas.last("nearestColor")->args, (std::vector<float> { 77, 77, 77, 255 }));
    EXPECT_EQ(gs.penColorFor(GiRgba(0, 0, 255, 3)), GiRgba(28, 28, 28, 3));

    GiGraphics bare(&xf);
    bare.setDeviceColors(4);
    EXPECT_EQ(bare.penColorFor(orange), orange) << "without a canvas there is no nearest colour";
}

// ---- Segments and polylines ----------------------------------------------------------------

TEST_F(Drawing, SegmentIsCulledConvertedAndClipped)
{
    paint();
    EXPECT_TRUE(gs.drawSegment(&kLine, MgPoint(-50, 50), MgPoint(100, 50)));
    const CanvasCall* c = canvas.last("strokeSegment");
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->ctx, kLine);
    expectPoints(c->points, { { -10, 50 }, { 100, 50 } });

    // World coordinates, y up: world (0, 0)-(10, 10) is display (100, 50)-(110, 40).
    EXPECT_TRUE(gs.drawSegment(&kLine, MgPoint(0, 0), MgPoint(10, 10), false));
    expectPoints(canvas.last("strokeSegment")->points, { { 100, 50 }, { 110, 40 } });

    canvas.clear();
    EXPECT_FALSE(gs.drawSegment(&kLine, MgPoint(300, 0), MgPoint(400, 90))) << "culled";
    // The box overlaps the paint area but the segment passes by its corner.
    EXPECT_FALSE(gs.drawSegment(&kLine, MgPoint(150, -100), MgPoint(300, 50))) << "clipped away";
    EXPECT_TRUE(canvas.drawingOps().empty());
}

TEST_F(Drawing, PolylineInsideTheClientIsThinnedAndSentOnce)
{
    paint();
    const MgPoint pts[] = { { 0, 0 }, { 1, 1 }, { 2, 2 }, { 10, 10 } };
    EXPECT_TRUE(gs.drawPolyline(&kLine, 4, pts));
    ASSERT_EQ(canvas.count("strokePolyline"), 1);
    expectPoints(canvas.last("strokePolyline")->points, { { 0, 0 }, { 10, 10 } });

    struct Case {
        const char* name;
        std::vector<MgPoint> in, sent;
    };
    const Case cases[] = {
        { "exactly 2 px apart is dropped", { { 10, 10 }, { 12, 12 }, { 15, 10 } }, { { 10, 10 }, { 15, 10 } } },
        { "more than 2 px in x alone is kept", { { 10, 10 }, { 12.5f, 10 }, { 12.6f, 13 } },
            { { 10, 10 }, { 12.5f, 10 }, { 12.6f, 13 } } },
        { "a last point near the previous is dropped", { { 10, 10 }, { 30, 10 }, { 31, 11 } },
            { { 10, 10 }, { 30, 10 } } },
        { "a small polyline keeps its ends", { { 10, 10 }, { 11, 10 }, { 11.5f, 11 } }, { { 10, 10 }, { 11.5f, 11 } } },
        { "small steps are measured from the last kept point, not the previous one",
            { { 10, 10 }, { 11.5f, 10 }, { 13, 10 }, { 14.5f, 10 }, { 16, 10 } },
            { { 10, 10 }, { 13, 10 }, { 16, 10 } } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        canvas.clear();
        EXPECT_TRUE(gs.drawPolyline(&kLine, static_cast<int>(c.in.size()), c.in.data()));
        ASSERT_EQ(canvas.count("strokePolyline"), 1);
        expectPoints(canvas.last("strokePolyline")->points, c.sent);
    }

    canvas.clear();
    const MgPoint same[] = { { 10, 10 }, { 10, 10 } };
    EXPECT_FALSE(gs.drawPolyline(&kLine, 2, same)) << "a single pixel position is nothing to stroke";
    EXPECT_FALSE(gs.drawPolyline(&kLine, 1, pts));
    EXPECT_FALSE(gs.drawPolyline(&kLine, 4, nullptr));
    EXPECT_TRUE(canvas.drawingOps().empty());
}

TEST_F(Drawing, PolylineCrossingThePaintAreaIsSentAsClippedRuns)
{
    paint(); // clipPx (-10, -10, 210, 110)
    const MgPoint pts[] = { { 10, 50 }, { 100, 50 }, { 100, -100 }, { 150, -100 }, { 150, 50 }, { 190, 50 } };
    EXPECT_TRUE(gs.drawPolyline(&kFilled, 6, pts));
    ASSERT_EQ(canvas.count("strokePolyline"), 2) << canvas.dump();
    expectPoints(canvas.calls[0].points, { { 10, 50 }, { 100, 50 }, { 100, -10 } });
    expectPoints(canvas.calls[1].points, { { 150, -10 }, { 150, 50 }, { 190, 50 } });

    // In and out several times through the left side; the parts outside never reach the canvas.
    canvas.clear();
    const MgPoint zig[] = { { -50, 10 }, { 50, 20 }, { -50, 30 }, { 50, 40 }, { -50, 50 } };
    EXPECT_TRUE(gs.drawPolyline(&kLine, 5, zig));
    ASSERT_EQ(canvas.count("strokePolyline"), 2) << canvas.dump();
    expectPoints(canvas.calls[0].points, { { -10, 14 }, { 50, 20 }, { -10, 26 } });
    expectPoints(canvas.calls[1].points, { { -10, 34 }, { 50, 40 }, { -10, 46 } });

    // A vertex just inside the edge is thinned against the clipped entry point before it.
    canvas.clear();
    const MgPoint edge[] = { { -50, 50 }, { -9, 51 }, { 100, 51 } };
    EXPECT_TRUE(gs.drawPolyline(&kLine, 3, edge));
    ASSERT_EQ(canvas.count("strokePolyline"), 1) << canvas.dump();
    expectPoints(canvas.calls[0].points, { { -10, 50 + 40.f / 41 }, { 100, 51 } });

    canvas.clear();
    const MgPoint outside[] = { { -100, -100 }, { -50, -80 }, { -20, -60 } };
    EXPECT_FALSE(gs.drawPolyline(&kLine, 3, outside));
    EXPECT_TRUE(canvas.drawingOps().empty());
}

TEST_F(Drawing, RandomPolylinesAndPolygonsStayInsideClipPx)
{
    // Seeded random figures around a small paint area: whatever is clipped reaches the canvas
    // inside clipPx, and every polyline vertex inside the area is drawn unless thinning dropped it.
    const MgBox clip(40, 20, 160, 80);
    const MgBox clipPx(30, 10, 170, 90);
    paint(&clip);
    std::mt19937 rng(20261207);
    std::uniform_real_distribution<float> coord(-150, 350);
    for (int round = 0; round < 200; ++round) {
        SCOPED_TRACE(testing::Message() << "round " << round);
        std::vector<MgPoint> pts(2 + round % 20);
        for (MgPoint& p : pts) {
            // Two statements: the order in which function arguments are evaluated is unspecified,
            // and the figures must not depend on the compiler.
            const float x = coord(rng);
            const float y = coord(rng) * 0.5f;
            p = MgPoint(x, y);
        }
        canvas.clear();
        gs.drawPolyline(&kLine, static_cast<int>(pts.size()), pts.data());
        const bool fastPath
            = MgBox(0, 0, 200, 100).encloses(MgBox().fromPoints(static_cast<int>(pts.size()), pts.data()));
        if (!fastPath) {
            for (const MgPoint& p : canvas.pointsOf("strokePolyline"))
                EXPECT_TRUE(inside(clipPx, p)) << p.x << "," << p.y << "\n" << canvas.dump();
        }
        // Thinning keeps a point only when it is more than 2 px in x or y from the last kept one,
        // and the last kept point may be a clipped entry point on the edge of clipPx rather than
        // the previous vertex. So:
        // - within one stroke consecutive points are more than 2 px apart in x or y (a stroke of
        //   two points is exempt: a short run keeps its end rather than vanish);
        // - a vertex more than 3 px inside clipPx (so no entry point is within 2 px of it) and more
        //   than 2 px in x or y from every earlier vertex is sent as it is;
        // - any other vertex inside clipPx is sent or lies within 2 px in x and y of a sent point.
        const std::vector<MgPoint> sent = canvas.pointsOf("strokePolyline");
        for (const CanvasCall& c : canvas.calls) {
            if (c.op != "strokePolyline" || c.points.size() <= 2)
                continue;
            for (size_t k = 1; k < c.points.size(); ++k) {
                const MgVector d = c.points[k] - c.points[k - 1];
                EXPECT_TRUE(std::fabs(d.x) > 2 || std::fabs(d.y) > 2)
                    << "points " << k - 1 << " and " << k << " of a stroke\n"
                    << canvas.dump();
            }
        }
        MgBox deep(clipPx);
        deep.shrink(3);
        for (size_t i = 0; i < pts.size(); ++i) {
            if (!clipPx.contains(pts[i]))
                continue;
            bool exact = false;
            bool near = false;
            for (const MgPoint& q : sent) {
                exact = exact || q.distance(pts[i]) < 1e-3f;
                near = near || (std::fabs(q.x - pts[i].x) <= 2 + 1e-3f && std::fabs(q.y - pts[i].y) <= 2 + 1e-3f);
            }
            bool apart = deep.contains(pts[i]);
            for (size_t j = 0; apart && j < i; ++j)
                apart = std::fabs(pts[j].x - pts[i].x) > 2 || std::fabs(pts[j].y - pts[i].y) > 2;
            if (apart) {
                EXPECT_TRUE(exact) << "vertex " << i << " (" << pts[i].x << "," << pts[i].y << ")\n" << canvas.dump();
            } else {
                EXPECT_TRUE(exact || near)
                    << "vertex " << i << " (" << pts[i].x << "," << pts[i].y << ") neither sent nor thinned\n"
                    << canvas.dump();
            }
        }

        canvas.clear();
        gs.drawPolygonArea(&kFilled, static_cast<int>(pts.size()), pts.data());
        if (!fastPath) {
            for (const CanvasCall& c : canvas.calls) {
                for (const MgPoint& p : c.points)
                    EXPECT_TRUE(inside(clipPx, p)) << c.op << " " << p.x << "," << p.y;
            }
        }
    }
}

TEST_F(Drawing, PolylinesSendAtMost8192Points)
{
    paint();
    std::vector<MgPoint> pts = zigzag(10000);
    EXPECT_TRUE(gs.drawPolyline(&kLine, 10000, pts.data()));
    ASSERT_EQ(canvas.count("strokePolyline"), 1);
    EXPECT_EQ(canvas.last("strokePolyline")->points.size(), 8192u);

    // The same, leaving the paint area now and then: the runs together send at most 8192 points.
    canvas.clear();
    for (size_t i = 0; i < pts.size(); ++i)
        pts[i] = MgPoint(1 + 0.015f * static_cast<float>(i), i % 7 == 0 ? -50.f : (i % 2 ? 20.f : 30.f));
    EXPECT_TRUE(gs.drawPolyline(&kLine, 10000, pts.data()));
    EXPECT_GT(canvas.count("strokePolyline"), 1);
    for (const CanvasCall& c : canvas.calls)
        EXPECT_LE(c.points.size(), 8192u);
    // Only the first 8192 input points are walked: nothing right of the last of them is drawn.
    for (const MgPoint& p : canvas.pointsOf("strokePolyline"))
        EXPECT_LE(p.x, pts[8191].x + 1e-3f);
}

// ---- Bezier chains -------------------------------------------------------------------------

TEST_F(Drawing, BezierChainCountsAndRuns)
{
    paint();
    std::vector<MgPoint> pts;
    for (int i = 0; i < 9; ++i)
        pts.emplace_back(10.f + 10 * i, 40.f + (i % 2) * 10);
    EXPECT_TRUE(gs.drawBezierChain(&kLine, 9, pts.data()));
    ASSERT_EQ(canvas.count("strokeBezierChain"), 1);
    EXPECT_EQ(canvas.last("strokeBezierChain")->points.size(), 7u) << "two whole segments of nine points";
    EXPECT_FALSE(gs.drawBezierChain(&kLine, 3, pts.data()));

    // Four segments; the middle two lie wholly below the paint area: two runs of one segment each.
    canvas.clear();
    const std::vector<MgPoint> c { { 10, 50 }, { 20, 40 }, { 30, 40 }, { 40, 300 }, { 60, 400 }, { 80, 400 },
        { 100, 300 }, { 120, 400 }, { 140, 400 }, { 150, 300 }, { 160, 40 }, { 170, 40 }, { 180, 50 } };
    EXPECT_TRUE(gs.drawBezierChain(&kLine, 13, c.data()));
    ASSERT_EQ(canvas.count("strokeBezierChain"), 2) << canvas.dump();
    expectPoints(canvas.calls[0].points, { c[0], c[1], c[2], c[3] });
    expectPoints(canvas.calls[1].points, { c[9], c[10], c[11], c[12] });
}

TEST_F(Drawing, BezierChainsSendAtMost8191Points)
{
    paint();
    const std::vector<MgPoint> pts = zigzag(10000);
    EXPECT_TRUE(gs.drawBezierChain(&kLine, 10000, pts.data()));
    EXPECT_EQ(canvas.last("strokeBezierChain")->points.size(), 8191u);
    EXPECT_TRUE(gs.drawBezierChain(&kLine, 8192, pts.data()));
    EXPECT_EQ(canvas.last("strokeBezierChain")->points.size(), 8191u);
    EXPECT_TRUE(gs.drawBezierChain(&kLine, 6, pts.data()));
    EXPECT_EQ(canvas.last("strokeBezierChain")->points.size(), 4u);
}

// ---- Polygons and boxes --------------------------------------------------------------------

TEST_F(Drawing, BoxIsOnePaintRectWithNegativeHeightUnderYUp)
{
    paint();
    // World (-50, -20)-(50, 20) is display x 50..150, y 30..70; the first corner is (xmin, ymin).
    EXPECT_TRUE(gs.drawBox(&kFilled, MgBox(-50, -20, 50, 20), false));
    ASSERT_EQ(canvas.drawingOps(), std::vector<std::string> { "paintRect" }) << canvas.dump();
    const CanvasCall& c = *canvas.last("paintRect");
    EXPECT_EQ(c.ctx, kFilled);
    EXPECT_EQ(c.args, (std::vector<float> { 50, 70, 100, -40 }));

    // A box only two pixels across is still a box (thinning would have made it a line).
    canvas.clear();
    EXPECT_TRUE(gs.drawBox(&kLine, MgBox(0, 0, 2, 2), false));
    ASSERT_EQ(canvas.count("paintRect"), 1) << canvas.dump();
    EXPECT_EQ(canvas.last("paintRect")->args, (std::vector<float> { 100, 50, 2, -2 }));
}

TEST_F(Drawing, PolygonInsideIsFilledAndOutlinedOnce)
{
    paint();
    const MgPoint tri[] = { { 20, 20 }, { 80, 30 }, { 40, 90 } };
    EXPECT_TRUE(gs.drawPolygonArea(&kFilled, 3, tri));
    ASSERT_EQ(canvas.drawingOps(), std::vector<std::string> { "paintPolygon" });
    EXPECT_EQ(canvas.last("paintPolygon")->ctx, kFilled);
    expectPoints(canvas.last("paintPolygon")->points, { { 20, 20 }, { 80, 30 }, { 40, 90 } });

    // A null context means the canvas's own pen and brush.
    canvas.clear();
    canvas.penBrush = GiContext(kGiLineDash, -2, GiRgba(1, 2, 3), GiRgba::none());
    EXPECT_TRUE(gs.drawPolygonArea(nullptr, 3, tri));
    EXPECT_EQ(canvas.last("paintPolygon")->ctx, canvas.penBrush);

    // Nothing visible: no line and no fill.
    canvas.clear();
    const GiContext invisible(kGiLineNull, 0, GiRgba(1, 2, 3), GiRgba::none());
    const GiContext noColours(kGiLineSolid, 0, GiRgba::none(), GiRgba::none());
    EXPECT_FALSE(gs.drawPolygonArea(&invisible, 3, tri));
    EXPECT_FALSE(gs.drawPolygonArea(&noColours, 3, tri));
    EXPECT_TRUE(canvas.drawingOps().empty());
}

TEST_F(Drawing, PolygonPartlyOutsideIsFilledInsideClipPxWithoutOutlineAlongItsEdges)
{
    paint(); // clipPx (-10, -10, 210, 110)
    const MgBox clipPx(-10, -10, 210, 110);
    const MgPoint tri[] = { { 50, 20 }, { 300, 50 }, { 50, 80 } };
    EXPECT_TRUE(gs.drawPolygonArea(&kFilled, 3, tri));

    // One fill without outline, inside clipPx.
    ASSERT_EQ(canvas.count("paintPolygon"), 1) << canvas.dump();
    const CanvasCall& fill = *canvas.first("paintPolygon");
    EXPECT_EQ(fill.ctx.lineStyle(), kGiLineNull);
    EXPECT_EQ(fill.ctx.fillColor(), kFilled.fillColor());
    for (const MgPoint& p : fill.points)
        EXPECT_TRUE(inside(clipPx, p)) << p.x << "," << p.y;

    // The outline: the figure's own edges, none along x = 210.
    ASSERT_EQ(canvas.count("strokePolyline"), 1) << canvas.dump();
    const CanvasCall& line = *canvas.first("strokePolyline");
    EXPECT_EQ(line.ctx.lineColor(), kLine.lineColor());
    ASSERT_EQ(line.points.size(), 4u) << canvas.dump();
    // It follows the figure from where it leaves the right side round to where it came in.
    expectPoint(line.points.front(), 210, 80 - 30 * 160 / 250.f);
    expectPoint(line.points[1], 50, 80);
    expectPoint(line.points[2], 50, 20);
    expectPoint(line.points.back(), 210, 20 + 30 * 160 / 250.f);
    for (size_t i = 1; i < line.points.size(); ++i) {
        const bool alongRight
            = std::fabs(line.points[i - 1].x - 210) < 1e-3 && std::fabs(line.points[i].x - 210) < 1e-3;
        EXPECT_FALSE(alongRight) << "edge " << i;
    }

    // A polygon outside on two sides leaves two outline runs.
    canvas.clear();
    const MgPoint diamond[] = { { 100, -40 }, { 240, 50 }, { 100, 140 }, { 60, 50 } };
    EXPECT_TRUE(gs.drawPolygonArea(&kLine, 4, diamond));
    EXPECT_EQ(canvas.count("paintPolygon"), 0) << "no fill colour, no fill call";
    EXPECT_GE(canvas.count("strokePolyline"), 2) << canvas.dump();
    for (const CanvasCall& c : canvas.calls) {
        for (size_t i = 1; i < c.points.size(); ++i) {
            const MgPoint& a = c.points[i - 1];
            const MgPoint& b = c.points[i];
            const bool onEdge
                = (std::fabs(a.x - b.x) < 1e-3 && (std::fabs(a.x - 210) < 1e-3 || std::fabs(a.x + 10) < 1e-3))
                || (std::fabs(a.y - b.y) < 1e-3 && (std::fabs(a.y - 110) < 1e-3 || std::fabs(a.y + 10) < 1e-3));
            EXPECT_FALSE(onEdge) << canvas.dump();
        }
    }

    // Entirely around the paint area: the fill covers clipPx, the outline is nowhere.
    canvas.clear();
    const MgPoint huge[] = { { -500, -500 }, { 500, -500 }, { 500, 500 }, { -500, 500 } };
    EXPECT_TRUE(gs.drawPolygonArea(&kFilled, 4, huge));
    EXPECT_EQ(canvas.count("strokePolyline"), 0) << canvas.dump();
    EXPECT_EQ(canvas.count("paintPolygon") + canvas.count("paintRect"), 1);
}

TEST_F(Drawing, ClippedPolygonWithoutBoundaryEdgesIsOutlinedWhole)
{
    // The paint area cuts the bounding box but not the figure: the client-box fast path does not
    // apply, nothing is cut away, so the outline is drawn as a closed polygon.
    paint();
    const MgPoint inner[] = { { 150, 20 }, { 205, 0 }, { 190, 60 } };
    EXPECT_TRUE(gs.drawPolygonArea(&kFilled, 3, inner));
    EXPECT_EQ(canvas.drawingOps(), (std::vector<std::string> { "paintPolygon", "paintPolygon" })) << canvas.dump();
    EXPECT_EQ(canvas.calls.front().ctx.lineStyle(), kGiLineNull);
    EXPECT_FALSE(canvas.calls.back().ctx.hasFillColor());
    EXPECT_EQ(canvas.calls.back().ctx.lineStyle(), kGiLineSolid);
}

// ---- Ovals, arcs, rounded boxes ------------------------------------------------------------

TEST_F(Drawing, OvalWithoutRotationIsOnePaintEllipse)
{
    paint();
    EXPECT_TRUE(gs.drawOval(&kLine, MgPoint(0, 0), 20, 10, false));
    ASSERT_EQ(canvas.drawingOps(), std::vector<std::string> { "paintEllipse" });
    EXPECT_EQ(canvas.last("paintEllipse")->args, (std::vector<float> { 80, 60, 40, -20 })) << "ry' negative with y up";

    canvas.clear();
    EXPECT_TRUE(gs.drawOval(&kLine, MgPoint(0, 0), 20, 0, false)) << "ry 0 is a circle";
    EXPECT_EQ(canvas.last("paintEllipse")->args, (std::vector<float> { 80, 70, 40, -40 }));
    EXPECT_TRUE(gs.drawOvalInBox(&kLine, MgBox(-20, -10, 20, 10), false));
    EXPECT_EQ(canvas.last("paintEllipse")->args, (std::vector<float> { 80, 60, 40, -20 }));

    canvas.clear();
    EXPECT_FALSE(gs.drawOval(&kLine, MgPoint(0, 0), 0, 10, false));
    EXPECT_FALSE(gs.drawOval(&kLine, MgPoint(0, 0), -5, 10, false));
    EXPECT_FALSE(gs.drawOval(&kLine, MgPoint(500, 0), 20, 10, false)) << "culled";
    EXPECT_TRUE(canvas.drawingOps().empty());
}

TEST_F(Drawing, RotatedOvalIsAThirteenPointFilledPath)
{
    xf.setModelTransform(MgMatrix::rotationAbout(0.5f));
    paint();
    EXPECT_TRUE(gs.drawOval(&kFilled, MgPoint(0, 0), 30, 10));
    EXPECT_EQ(canvas.drawingOps(),
        (std::vector<std::string> { "pathOpen", "pathMove", "pathBeziers", "pathClose", "pathFinish" }))
        << canvas.dump();
    MgPoint want[13];
    mgEllipseControlPoints(MgPoint(0, 0), 30, 10, want);
    MgPoint::transformPoints(xf.modelToDisplay(), 13, want);
    expectPoints(canvas.first("pathMove")->points, { want[0] });
    expectPoints(canvas.first("pathBeziers")->points, std::vector<MgPoint>(want + 1, want + 13));
    EXPECT_EQ(canvas.first("pathFinish")->ctx, kFilled);
    EXPECT_EQ(canvas.first("pathFinish")->args[0], 1.f);
}

TEST_F(Drawing, OvalArc)
{
    paint();
    EXPECT_FALSE(gs.drawOvalArc(&kLine, MgPoint(0, 0), 20, 10, 0, 0.000001f, false));
    EXPECT_FALSE(gs.drawOvalArc(&kLine, MgPoint(0, 0), 0, 10, 0, 1, false));
    EXPECT_TRUE(canvas.drawingOps().empty());

    EXPECT_TRUE(gs.drawOvalArc(&kLine, MgPoint(0, 0), 20, 10, 0, kMgPi, false));
    ASSERT_EQ(canvas.count("strokeBezierChain"), 1);
    const std::vector<MgPoint>& pts = canvas.last("strokeBezierChain")->points;
    ASSERT_EQ(pts.size(), 7u);
    expectPoint(pts.front(), 120, 50); // angle 0: world (20, 0)
    expectPoint(pts[3], 100, 40); // angle pi/2: world (0, 10), above on the display
    expectPoint(pts.back(), 80, 50);

    EXPECT_TRUE(gs.drawOvalArc(&kLine, MgPoint(0, 0), 20, 0, 0, 20, false));
    EXPECT_EQ(canvas.last("strokeBezierChain")->points.size(), 13u) << "a sweep beyond a turn is one turn";
}

TEST_F(Drawing, RoundedBox)
{
    paint();
    EXPECT_TRUE(gs.drawRoundedBox(&kLine, MgBox(-50, -20, 50, 20), 0, 0, false));
    EXPECT_EQ(canvas.drawingOps(), std::vector<std::string> { "paintRect" }) << "rx 0 is a plain box";
    EXPECT_EQ(canvas.last("paintRect")->args, (std::vector<float> { 50, 70, 100, -40 }));

    canvas.clear();
    EXPECT_TRUE(gs.drawRoundedBox(&kFilled, MgBox(-50, -20, 50, 20), 80, 5, false));
    const std::vector<std::string> want { "pathOpen", "pathMove", "pathBeziers", "pathLine", "pathBeziers", "pathLine",
        "pathBeziers", "pathLine", "pathBeziers", "pathClose", "pathFinish" };
    ASSERT_EQ(canvas.drawingOps(), want) << canvas.dump();
    MgPoint ctl[16];
    mgRoundedBoxControlPoints(MgBox(-50, -20, 50, 20), 80, 5, ctl);
    MgPoint::transformPoints(xf.worldToDisplay(), 16, ctl);
    expectPoints(canvas.first("pathMove")->points, { ctl[0] });
    expectPoints(canvas.calls[3].points, { ctl[4] });
    expectPoints(canvas.calls[8].points, { ctl[13], ctl[14], ctl[15] });
    // rx is limited to half the width: the top arcs meet at the top middle, display x 100.
    expectPoint(ctl[3], 100, 30);
    expectPoint(ctl[4], 100, 30);

    canvas.clear();
    EXPECT_FALSE(gs.drawRoundedBox(&kLine, MgBox(0, 0, 50, 0), 5, 5, false)) << "flat";
    EXPECT_FALSE(gs.drawRoundedBox(&kLine, MgBox(400, 0, 450, 20), 5, 5, false)) << "culled";
    EXPECT_TRUE(canvas.drawingOps().empty());
}

// ---- Splines -------------------------------------------------------------------------------

TEST_F(Drawing, SplineChains)
{
    paint();
    const MgPoint knots[] = { { 10, 10 }, { 40, 70 }, { 90, 20 } };
    const MgVector tans[] = { { 30, 0 }, { 0, 30 }, { -30, 0 } };
    EXPECT_TRUE(gs.drawSplineCurve(&kLine, 3, knots, tans));
    ASSERT_EQ(canvas.count("strokeBezierChain"), 1);
    // Model is display with y flipped by the model transform: tangents flip too.
    expectPoints(canvas.last("strokeBezierChain")->points,
        { { 10, 10 }, { 20, 10 }, { 40, 60 }, { 40, 70 }, { 40, 80 }, { 100, 20 }, { 90, 20 } });

    canvas.clear();
    EXPECT_TRUE(gs.drawClosedSplineCurve(&kFilled, 3, knots, tans));
    ASSERT_EQ(canvas.drawingOps(),
        (std::vector<std::string> { "pathOpen", "pathMove", "pathBeziers", "pathClose", "pathFinish" }));
    expectPoints(canvas.first("pathMove")->points, { { 10, 10 } });
    expectPoints(canvas.first("pathBeziers")->points,
        { { 20, 10 }, { 40, 60 }, { 40, 70 }, { 40, 80 }, { 100, 20 }, { 90, 20 }, { 80, 20 }, { 0, 10 }, { 10, 10 } });
    EXPECT_EQ(canvas.first("pathFinish")->args[0], 1.f);

    canvas.clear();
    EXPECT_FALSE(gs.drawSplineCurve(&kLine, 1, knots, tans));
    EXPECT_FALSE(gs.drawSplineCurve(&kLine, 3, knots, nullptr));
    EXPECT_FALSE(gs.drawClosedSplineCurve(&kLine, 3, nullptr, tans));
    EXPECT_TRUE(canvas.drawingOps().empty());

    std::vector<MgPoint> many(3000, MgPoint(5, 5));
    std::vector<MgVector> manyTans(3000, MgVector(1, 0));
    EXPECT_TRUE(gs.drawSplineCurve(&kLine, 3000, many.data(), manyTans.data()));
    EXPECT_EQ(canvas.last("strokeBezierChain")->points.size(), 8191u) << "2731 knots";
    EXPECT_TRUE(gs.drawClosedSplineCurve(&kLine, 3000, many.data(), manyTans.data()));
    EXPECT_EQ(canvas.last("pathBeziers")->points.size(), 8190u) << "2730 knots, 8191 points with the move";
}

} // namespace
