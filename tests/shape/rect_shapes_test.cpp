// Rectangle family: corners and derived quantities, re-squaring, handles, hit tests, storage
// and what reaches the canvas.
#include "shape/mgrect.h"

#include "geom/mgcurve.h"
#include "graph/gigraphics.h"
#include "graph/giviewtransform.h"
#include "shape/memory_archive.h"
#include "support/paint_fixture.h"
#include "support/recording_canvas.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

constexpr float kEps = 1e-4f;

void expectPoint(const MgPoint& p, float x, float y, float eps = kEps)
{
    EXPECT_NEAR(p.x, x, eps);
    EXPECT_NEAR(p.y, y, eps);
}

void expectBox(const MgBox& b, float l, float bottom, float r, float t, float eps = kEps)
{
    EXPECT_NEAR(b.xmin, l, eps);
    EXPECT_NEAR(b.ymin, bottom, eps);
    EXPECT_NEAR(b.xmax, r, eps);
    EXPECT_NEAR(b.ymax, t, eps);
}

void setCorners(MgBaseRect& r, MgPoint c0, MgPoint c1, MgPoint c2, MgPoint c3)
{
    r.setPointAt(0, c0);
    r.setPointAt(1, c1);
    r.setPointAt(2, c2);
    r.setPointAt(3, c3);
}

/// The box a rectangle's corners span, for unrotated results.
MgBox cornerBox(const MgBaseRect& r) { return MgBox(r.pointAt(0).x, r.pointAt(2).y, r.pointAt(2).x, r.pointAt(0).y); }

} // namespace

TEST(RectShape, SetRectUnrotated)
{
    MgRect r;
    r.setRect(MgBox(10, 20, 110, 70), 0);
    expectPoint(r.pointAt(0), 10, 70);
    expectPoint(r.pointAt(1), 110, 70);
    expectPoint(r.pointAt(2), 110, 20);
    expectPoint(r.pointAt(3), 10, 20);
    EXPECT_FLOAT_EQ(r.width(), 100);
    EXPECT_FLOAT_EQ(r.height(), 50);
    EXPECT_FLOAT_EQ(r.angle(), 0);
    EXPECT_TRUE(r.isOrtho());
    expectPoint(r.center(), 60, 45);
    EXPECT_TRUE(r.extent().isAllZero()) << "setRect must not update";
    r.update();
    expectBox(r.extent(), 10, 20, 110, 70, 0);
}

TEST(RectShape, SetRectNormalisesAnInvertedBox)
{
    // Dragged from the right-top to the left-bottom: the rectangle must still cover the box.
    MgRect r;
    r.setRect(MgBox(110, 70, 10, 20), 0);
    r.update();
    expectBox(r.extent(), 10, 20, 110, 70);
    expectPoint(r.pointAt(0), 10, 70);
}

TEST(RectShape, SetRectRotatedKeepsTheBoxAsItsRect)
{
    const MgBox box(10, 20, 110, 70);
    MgRect r;
    r.setRect(box, kMgHalfPi);
    r.update();
    EXPECT_NEAR(r.angle(), kMgHalfPi, 1e-5f);
    EXPECT_FALSE(r.isOrtho());
    expectBox(r.rect(), 10, 20, 110, 70);
    // A quarter turn about the centre (60, 45) swaps the extent's proportions.
    expectBox(r.extent(), 35, -5, 85, 95);
}

TEST(RectShape, RectOfAFlatRectangleIsASquare)
{
    MgRect r;
    setCorners(r, { 0, 0 }, { 4, 0 }, { 4, 0 }, { 0, 0 });
    EXPECT_FLOAT_EQ(r.height(), 0);
    expectBox(r.rect(), 0, -2, 4, 2);
}

TEST(RectShape, UpdateResquaresCornersTwoAndThree)
{
    struct Case {
        const char* name;
        MgPoint c[4];
        MgPoint expect2, expect3;
    };
    const float h = std::sqrt(1.25f);
    const Case cases[] = {
        { "unit square unchanged", { { 0, 1 }, { 1, 1 }, { 1, 0 }, { 0, 0 } }, { 1, 0 }, { 0, 0 } },
        { "skewed corner 2 keeps the height", { { 0, 1 }, { 1, 1 }, { 1.5f, 0 }, { 7, 7 } }, { 1, 1 - h },
            { 0, 1 - h } },
        // With the width edge pointing up the rectangle lies to its right (+90 degrees from the
        // direction corner 1 -> corner 0).
        { "width edge pointing up", { { 0, 0 }, { 0, 2 }, { 2, 2 }, { 9, 9 } }, { 2, 2 }, { 2, 0 } },
        { "rotated 90 degrees with a skewed corner 2", { { 1, 0 }, { 1, 4 }, { 3, 5 }, { 0, 0 } },
            { 1 + std::sqrt(5.f), 4 }, { 1 + std::sqrt(5.f), 0 } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MgRect r;
        setCorners(r, c.c[0], c.c[1], c.c[2], c.c[3]);
        r.update();
        expectPoint(r.pointAt(0), c.c[0].x, c.c[0].y);
        expectPoint(r.pointAt(1), c.c[1].x, c.c[1].y);
        expectPoint(r.pointAt(2), c.expect2.x, c.expect2.y);
        expectPoint(r.pointAt(3), c.expect3.x, c.expect3.y);
    }
}

TEST(RectShape, UpdateKeepsAZeroWidthRectangleInPlace)
{
    // Corners 0 and 1 coincide (a region one pixel column wide loaded with equal x values):
    // there is no width edge to square against, and the rectangle must not jump above corner 1.
    MgRect r;
    r.setRect(MgBox(5, 0, 5, 10), 0);
    r.update();
    expectPoint(r.pointAt(0), 5, 10);
    expectPoint(r.pointAt(1), 5, 10);
    expectPoint(r.pointAt(2), 5, 0);
    expectPoint(r.pointAt(3), 5, 0);
    // The flat box grows by the point tolerance on every side.
    expectBox(r.extent(), 5 - 1e-5f, -1e-5f, 5 + 1e-5f, 10 + 1e-5f, 1e-6f);
}

TEST(RectShape, HandlesOfAnUnrotatedRectangle)
{
    MgRect r;
    r.setRect(MgBox(0, 0, 10, 4), 0);
    r.update();
    const MgPoint expected[]
        = { { 0, 4 }, { 10, 4 }, { 10, 0 }, { 0, 0 }, { 5, 4 }, { 10, 2 }, { 5, 0 }, { 0, 2 }, { 5, 2 } };
    ASSERT_EQ(r.handleCount(), 8);
    for (int i = 0; i < 9; ++i) {
        SCOPED_TRACE(i);
        expectPoint(r.handlePoint(i), expected[i].x, expected[i].y);
    }
}

TEST(RectShape, DraggingHandles)
{
    struct Case {
        const char* name;
        int handle;
        MgPoint to;
        MgBox expected;
    };
    const Case cases[] = {
        { "corner 1 outward", 1, { 15, 12 }, { 0, 0, 15, 12 } },
        { "right side", 5, { 20, 3 }, { 0, 0, 20, 10 } },
        { "corner 0 across the right side flips", 0, { 12, 5 }, { 10, 0, 12, 5 } },
        { "bottom side", 6, { 4, -3 }, { 0, -3, 10, 10 } },
        { "corner 3", 3, { -2, -2 }, { -2, -2, 10, 10 } },
        { "no such handle", 9, { 50, 50 }, { 0, 0, 10, 10 } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MgRect r;
        r.setRect(MgBox(0, 0, 10, 10), 0);
        r.update();
        EXPECT_TRUE(r.setHandlePoint(c.handle, c.to, 0.1f));
        EXPECT_NEAR(r.angle(), 0, 1e-6f);
        const MgBox b = cornerBox(r);
        expectBox(b, c.expected.xmin, c.expected.ymin, c.expected.xmax, c.expected.ymax);
        expectBox(r.extent(), c.expected.xmin, c.expected.ymin, c.expected.xmax, c.expected.ymax);
    }
}

TEST(RectShape, DraggingACornerOfARotatedRectangleKeepsTheOppositeCorner)
{
    for (float angle : { 0.5f, 1.2f, -2.0f }) {
        SCOPED_TRACE(angle);
        MgRect r;
        r.setRect(MgBox(0, 0, 8, 4), angle);
        r.update();
        const MgPoint opposite = r.pointAt(0);
        const MgPoint target = r.pointAt(2) + MgVector(1.5f, -0.75f);
        EXPECT_TRUE(r.setHandlePoint(2, target, 0));
        EXPECT_NEAR(r.angle(), angle, 1e-4f);
        expectPoint(r.pointAt(0), opposite.x, opposite.y);
        expectPoint(r.pointAt(2), target.x, target.y);
        expectPoint(r.handlePoint(2), target.x, target.y);
    }
}

TEST(RectShape, ClearCollapsesOntoTheCentre)
{
    MgRect r;
    r.setRect(MgBox(2, 4, 6, 10), 0.3f);
    r.update();
    const MgPoint c = r.center();
    r.clear();
    for (int i = 0; i < 4; ++i)
        expectPoint(r.pointAt(i), c.x, c.y, 1e-5f);
    EXPECT_TRUE(r.extent().isAllZero());
}

TEST(RectShape, IsEmpty)
{
    MgRect r;
    setCorners(r, { 0, 5e-8f }, { 0, 5e-8f }, { 0, 0 }, { 0, 0 });
    EXPECT_TRUE(r.isEmpty(0));
    setCorners(r, { 0, 1e-3f }, { 1e-3f, 1e-3f }, { 1e-3f, 0 }, { 0, 0 });
    EXPECT_FALSE(r.isEmpty(0));
    r.setRect(MgBox(0, 0, 0.9f, 1.2f), 0); // diagonal 1.5
    EXPECT_TRUE(r.isEmpty(2));
    EXPECT_FALSE(r.isEmpty(1));
}

TEST(RectShape, PointIndexesOutOfRangeAreHarmless)
{
    MgRect r;
    r.setRect(MgBox(0, 0, 2, 2), 0);
    r.setPointAt(4, MgPoint(9, 9));
    r.setPointAt(-1, MgPoint(9, 9));
    EXPECT_EQ(r.pointAt(4), MgPoint());
    EXPECT_EQ(r.pointAt(-1), MgPoint());
    expectPoint(r.pointAt(1), 2, 2);
}

TEST(RectShape, TransformMovesCornersAndExtentWithoutUpdate)
{
    MgRect r;
    r.setRect(MgBox(0, 0, 4, 2), 0);
    r.update();
    r.transform(MgMatrix::scalingAbout(2, 3) * MgMatrix::translationBy(MgVector(1, 1)));
    expectPoint(r.pointAt(0), 1, 7);
    expectPoint(r.pointAt(2), 9, 1);
    expectBox(r.extent(), 1, 1, 9, 7);
}

TEST(RectShape, OffsetMovesAndUpdates)
{
    MgRect r;
    r.setRect(MgBox(0, 0, 4, 2), 0);
    r.update();
    EXPECT_TRUE(r.offset(MgVector(2, -1), 3));
    expectPoint(r.pointAt(0), 2, 1);
    expectBox(r.extent(), 2, -1, 6, 1);
}

TEST(RectShape, PolygonHitTest)
{
    MgRect r;
    r.setRect(MgBox(0, 0, 10, 10), 0);
    r.update();
    struct Case {
        const char* name;
        MgPoint pt;
        float dist;
        int segment;
        MgPoint nearPt;
    };
    const Case cases[] = {
        { "top edge", { 5, 10.3f }, 0.3f, 0, { 5, 10 } },
        { "right edge", { 9.8f, 4 }, 0.2f, 1, { 10, 4 } },
        { "bottom edge", { 3, -0.4f }, 0.4f, 2, { 3, 0 } },
        { "closing left edge", { -0.1f, 6 }, 0.1f, 3, { 0, 6 } },
        { "corner ties go to the earlier edge", { 10.2f, 10.2f }, std::sqrt(0.08f), 0, { 10, 10 } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MgPoint nearPt;
        int seg = -2;
        EXPECT_NEAR(r.hitTest(c.pt, 0.5f, nearPt, seg), c.dist, 1e-5f);
        EXPECT_EQ(seg, c.segment);
        expectPoint(nearPt, c.nearPt.x, c.nearPt.y);
    }
    MgPoint nearPt;
    int seg = 0;
    EXPECT_EQ(r.hitTest(MgPoint(5, 5), 0.5f, nearPt, seg), kMgMaxFloat) << "the inside is not the outline";
    EXPECT_EQ(seg, -1);
}

TEST(RectShape, EdgeBoxTestSkipsTheClosingEdge)
{
    MgRect r;
    r.setRect(MgBox(0, 0, 10, 10), 0);
    r.update();
    EXPECT_TRUE(r.hitTestBox(MgBox(4, 9, 6, 11))); // top edge
    EXPECT_TRUE(r.hitTestBox(MgBox(9, 4, 11, 6))); // right edge
    EXPECT_TRUE(r.hitTestBox(MgBox(4, -1, 6, 1))); // bottom edge
    EXPECT_FALSE(r.hitTestBox(MgBox(-1, 4, 1, 6))); // only the edge from corner 3 to corner 0
    EXPECT_FALSE(r.hitTestBox(MgBox(4, 4, 6, 6))); // inside, away from the outline
    EXPECT_FALSE(r.hitTestBox(MgBox(20, 20, 30, 30))); // outside the extent

    MgRoundRect rr;
    rr.setRect(MgBox(0, 0, 10, 10), 0);
    rr.setRadius(2, 2);
    rr.update();
    EXPECT_FALSE(rr.hitTestBox(MgBox(-1, 4, 1, 6)));
    EXPECT_TRUE(rr.hitTestBox(MgBox(9, 4, 11, 6)));
}

TEST(EllipseShape, UpdateBuildsTheCurveAndItsExtent)
{
    MgEllipse e;
    e.setRect(MgBox(0, 0, 10, 4), 0);
    e.update();
    const MgPoint* b = e.bezierPoints();
    expectPoint(b[0], 10, 2);
    expectPoint(b[3], 5, 4);
    expectPoint(b[6], 0, 2);
    expectPoint(b[9], 5, 0);
    expectPoint(b[12], 10, 2);
    expectBox(e.extent(), 0, 0, 10, 4, 1e-3f);

    // Rotated a quarter turn, the curve and its box turn with the corners.
    e.setRect(MgBox(0, 0, 10, 4), kMgHalfPi);
    e.update();
    expectPoint(e.bezierPoints()[0], 5, 7);
    expectBox(e.extent(), 3, -3, 7, 7, 1e-3f);
}

TEST(EllipseShape, CurveHitTest)
{
    MgEllipse e;
    e.setRect(MgBox(-5, -5, 5, 5), 0);
    e.update();
    struct Case {
        const char* name;
        float angle;
        float radius;
        int segment;
    };
    const Case cases[] = {
        { "first quarter", 0.6f, 5.2f, 0 },
        { "second quarter", 2.3f, 4.85f, 1 },
        { "third quarter", 3.9f, 5.1f, 2 },
        { "fourth quarter", 5.5f, 4.9f, 3 },
        { "shared end goes to the earlier segment", 0, 5.1f, 0 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const MgPoint pt(c.radius * std::cos(c.angle), c.radius * std::sin(c.angle));
        MgPoint nearPt;
        int seg = -2;
        const float d = e.hitTest(pt, 0.5f, nearPt, seg);
        // The Bezier circle lies within 3e-4 of the true one at this size.
        EXPECT_NEAR(d, std::fabs(c.radius - 5), 3e-3f);
        EXPECT_EQ(seg, c.segment);
        EXPECT_NEAR(nearPt.distance(MgPoint()), 5, 3e-3f);
        EXPECT_NEAR(d, nearPt.distance(pt), 1e-5f);
    }
    MgPoint nearPt;
    int seg = 0;
    EXPECT_EQ(e.hitTest(MgPoint(0, 0), 0.5f, nearPt, seg), kMgMaxFloat);
    EXPECT_EQ(seg, -1);
}

TEST(EllipseShape, CurveBoxTest)
{
    MgEllipse e;
    e.setRect(MgBox(-5, -5, 5, 5), 0);
    e.update();
    EXPECT_TRUE(e.hitTestBox(MgBox(4.5f, -0.5f, 5.5f, 0.5f)));
    EXPECT_FALSE(e.hitTestBox(MgBox(6, 6, 8, 8)));
    EXPECT_FALSE(e.hitTestBox(MgBox(5.5f, -1, 6, 1))); // touches nothing of the extent
}

TEST(EllipseShape, CloneAndCopyKeepTheCurveUsable)
{
    MgEllipse e;
    e.setRect(MgBox(-5, -5, 5, 5), 0.4f);
    e.update();
    MgEllipse* c = e.clone();
    MgPoint nearPt;
    int seg = -1;
    EXPECT_LT(c->hitTest(e.bezierPoints()[6], 0.1f, nearPt, seg), 1e-4f);
    EXPECT_TRUE(c->equals(e));
    c->release();
}

TEST(RoundRectShape, HitTestOrtho)
{
    MgRoundRect r;
    r.setRect(MgBox(0, 0, 20, 10), 0);
    r.setRadius(3, 2);
    r.update();
    MgPoint nearPt;
    int seg = -2;
    EXPECT_NEAR(r.hitTest(MgPoint(10, 10.2f), 0.5f, nearPt, seg), 0.2f, 1e-5f);
    EXPECT_EQ(seg, 4); // top edge, y up
    expectPoint(nearPt, 10, 10);

    // Near the right-top arc: its middle lies at the arc centre (17, 8) plus the radii at 45 degrees.
    const MgPoint onArc(17 + 3 * std::cos(0.785f), 8 + 2 * std::sin(0.785f));
    EXPECT_LT(r.hitTest(onArc + MgVector(0.1f, 0.1f), 0.5f, nearPt, seg), 0.2f);
    EXPECT_EQ(seg, 1);

    EXPECT_EQ(r.hitTest(MgPoint(10, 5), 0.5f, nearPt, seg), kMgMaxFloat);
    EXPECT_EQ(seg, -1);
}

TEST(RoundRectShape, HitTestRotatedKeepsTheTolerance)
{
    // A quarter turn about the centre (10, 5) stands the 20 x 10 box upright: its former top
    // edge now runs vertically at x = 5.
    MgRoundRect r;
    r.setRect(MgBox(0, 0, 20, 10), kMgHalfPi);
    r.setRadius(3, 2);
    r.update();
    MgPoint nearPt;
    int seg = -2;
    EXPECT_NEAR(r.hitTest(MgPoint(4.8f, 5), 0.5f, nearPt, seg), 0.2f, 1e-4f);
    EXPECT_EQ(seg, 4);
    expectPoint(nearPt, 5, 5);

    // At 0.7 from the edge with a tolerance of 0.5: a rotation must not widen the tolerance.
    seg = -2;
    EXPECT_EQ(r.hitTest(MgPoint(4.3f, 5), 0.5f, nearPt, seg), kMgMaxFloat);
    EXPECT_EQ(seg, -1);
    // Turned by 45 degrees the pick square's box is widest; still no hit beyond tol.
    r.setRect(MgBox(0, 0, 20, 10), 0.785398f);
    r.update();
    const MgPoint mid = r.handlePoint(4);
    const MgVector outward = (mid - r.center()) * (1 / (mid - r.center()).length());
    EXPECT_EQ(r.hitTest(mid + outward * 0.6f, 0.5f, nearPt, seg), kMgMaxFloat);
    EXPECT_NEAR(r.hitTest(mid + outward * 0.4f, 0.5f, nearPt, seg), 0.4f, 1e-4f);
}

TEST(RoundRectShape, CopyEqualsAndClear)
{
    MgRoundRect a;
    a.setRect(MgBox(0, 0, 4, 2), 0);
    a.setRadius(1, 0.5f);
    a.update();

    MgRoundRect b;
    b.copyFrom(a);
    EXPECT_TRUE(b.equals(a));
    EXPECT_FLOAT_EQ(b.radiusX(), 1);
    b.setRadius(1, 0.6f);
    EXPECT_FALSE(b.equals(a));

    // From a plain rectangle only the corners come over; the radii stay.
    MgRect plain;
    plain.setRect(MgBox(1, 1, 3, 3), 0);
    b.copyFrom(plain);
    expectPoint(b.pointAt(0), 1, 3);
    EXPECT_FLOAT_EQ(b.radiusY(), 0.6f);

    b.clear();
    EXPECT_FLOAT_EQ(b.radiusX(), 0);
    EXPECT_FLOAT_EQ(b.radiusY(), 0);
    EXPECT_TRUE(b.extent().isAllZero());
}

TEST(RectStorage, SaveWritesTheCornersAndLoadReadsThemBack)
{
    MgRoundRect a;
    a.setRect(MgBox(1, 2, 5, 8), 0.25f);
    a.setRadius(0.5f, 0.75f);
    a.update();
    MemoryArchive ar;
    EXPECT_TRUE(a.save(ar));
    ASSERT_EQ(ar.arrays["points"].size(), 8u);
    EXPECT_FLOAT_EQ(ar.arrays["points"][0], a.pointAt(0).x);
    EXPECT_FLOAT_EQ(ar.arrays["points"][7], a.pointAt(3).y);
    EXPECT_DOUBLE_EQ(ar.scalars["rx"], 0.5);

    MgRoundRect b;
    EXPECT_TRUE(b.load(ar));
    EXPECT_TRUE(b.equals(a));
    EXPECT_TRUE(b.extent().isAllZero()) << "load leaves update to the owner";

    MgRect plain;
    EXPECT_TRUE(plain.save(ar));
    EXPECT_EQ(ar.arrays["points"].size(), 8u);
}

TEST(RectStorage, LoadFailures)
{
    MemoryArchive ar;
    ar.arrays["points"] = { 0, 1, 1, 1, 1, 0, 0, 0 };
    MgRoundRect r;
    r.setRadius(4, 4);
    EXPECT_TRUE(r.load(ar)) << "missing radii read as 0";
    EXPECT_FLOAT_EQ(r.radiusX(), 0);
    EXPECT_FLOAT_EQ(r.radiusY(), 0);

    ar.arrays["points"].pop_back();
    MgRect s;
    EXPECT_FALSE(s.load(ar));
    ar.arrays.clear();
    EXPECT_FALSE(s.load(ar));
    ar.arrays["points"].assign(12, 1.f); // more than eight: only eight are asked for
    EXPECT_TRUE(s.load(ar));
}

// ---- Drawing ------------------------------------------------------------------------------------

class RectDrawing : public RecordingPaintTest<400, 300> {
protected:
    GiContext ctx { 0, 0, GiRgba(255, 0, 0, 255), GiRgba(0, 0, 255, 128) };
};

TEST_F(RectDrawing, UnrotatedRectangleIsOnePaintRect)
{
    MgRect r;
    r.setRect(MgBox(-10, -5, 10, 5), 0);
    r.update();
    EXPECT_TRUE(r.draw(gs, ctx));
    EXPECT_EQ(canvas.drawingOps(), std::vector<std::string> { "paintRect" }) << canvas.dump();
    EXPECT_EQ(canvas.last("paintRect")->ctx, ctx);
}

TEST_F(RectDrawing, RotatedRectangleIsAPolygon)
{
    MgRect r;
    r.setRect(MgBox(-10, -5, 10, 5), 0.5f);
    r.update();
    EXPECT_TRUE(r.draw(gs, ctx));
    EXPECT_EQ(canvas.drawingOps(), std::vector<std::string> { "paintPolygon" }) << canvas.dump();
    EXPECT_EQ(canvas.last("paintPolygon")->points.size(), 4u);
}

TEST_F(RectDrawing, EllipseIsAnEllipseOrABezierChain)
{
    MgEllipse e;
    e.setRect(MgBox(-10, -5, 10, 5), 0);
    e.update();
    EXPECT_TRUE(e.draw(gs, ctx));
    EXPECT_EQ(canvas.count("paintEllipse"), 1) << canvas.dump();

    canvas.clear();
    e.setRect(MgBox(-10, -5, 10, 5), 0.5f);
    e.update();
    EXPECT_TRUE(e.draw(gs, ctx));
    EXPECT_EQ(canvas.count("paintEllipse"), 0) << canvas.dump();
    EXPECT_EQ(canvas.count("strokeBezierChain"), 1) << canvas.dump();
}

TEST_F(RectDrawing, RotatedRoundRectIsAPathInTheRightPlace)
{
    // A model transform that is not the identity: the rotation must act in model coordinates,
    // before model-to-world.
    ASSERT_TRUE(xf.setModelTransform(MgMatrix::scalingAbout(2, 2) * MgMatrix::translationBy(MgVector(5, 3))));
    const MgMatrix modelToDisplay = xf.modelToDisplay();

    MgRoundRect r;
    r.setRect(MgBox(-8, -4, 8, 4), 0.5f);
    r.setRadius(2, 1);
    r.update();
    EXPECT_TRUE(r.draw(gs, ctx));
    EXPECT_EQ(canvas.count("pathOpen"), 1) << canvas.dump();
    EXPECT_EQ(canvas.count("pathFinish"), 1);
    ASSERT_NE(canvas.first("pathMove"), nullptr);

    MgPoint arcs[16];
    mgRoundedBoxControlPoints(r.rect(), 2, 1, arcs);
    const MgPoint expected = arcs[0] * MgMatrix::rotationAbout(0.5f, r.center()) * modelToDisplay;
    EXPECT_NEAR(canvas.first("pathMove")->args[0], expected.x, 1e-2f);
    EXPECT_NEAR(canvas.first("pathMove")->args[1], expected.y, 1e-2f);
    EXPECT_TRUE(xf.modelToDisplay() == modelToDisplay) << "the model transform is restored";
}

TEST_F(RectDrawing, OrthoRoundRectIsAPath)
{
    MgRoundRect r;
    r.setRect(MgBox(-8, -4, 8, 4), 0);
    r.setRadius(2, 1);
    r.update();
    EXPECT_TRUE(r.draw(gs, ctx));
    EXPECT_EQ(canvas.count("pathFinish"), 1) << canvas.dump();
}
