// Line family: the segment, the growable vertex list, vertex drag, hit tests, storage and
// drawing.
#include "shape/mglines.h"

#include "geom/mgcurve.h"
#include "graph/gigraphics.h"
#include "graph/giviewtransform.h"
#include "shape/memory_archive.h"
#include "support/paint_fixture.h"
#include "support/recording_canvas.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

const MgPoint A(0, 0), B(10, 0), C(10, 10);

void expectPoint(const MgPoint& p, float x, float y, float eps = 1e-4f)
{
    EXPECT_NEAR(p.x, x, eps);
    EXPECT_NEAR(p.y, y, eps);
}

std::vector<MgPoint> vertices(const MgBaseLines& s)
{
    std::vector<MgPoint> v;
    for (int i = 0; i < s.pointCount(); ++i)
        v.push_back(s.pointAt(i));
    return v;
}

void fill(MgBaseLines& s, const std::vector<MgPoint>& pts, bool closed = false)
{
    s.resize(0);
    for (const MgPoint& p : pts)
        s.addPoint(p);
    s.setClosed(closed);
    s.update();
}

} // namespace

// ---- MgLine -------------------------------------------------------------------------------------

TEST(LineShape, UpdateGivesAFlatSegmentAThinBox)
{
    MgLine line;
    line.setPointAt(0, MgPoint(0, 1));
    line.setPointAt(1, MgPoint(10, 1));
    line.update();
    EXPECT_NEAR(line.extent().height(), 2e-5f, 1e-7f);
    EXPECT_NEAR(line.extent().ymin, 1 - 1e-5f, 1e-7f);
    EXPECT_NEAR(line.extent().width(), 10, 1e-4f);
}

TEST(LineShape, PointsAndHandles)
{
    MgLine line;
    line.setPointAt(0, MgPoint(1, 2));
    line.setPointAt(5, MgPoint(5, 4)); // any index but 0 is the end
    EXPECT_EQ(line.pointAt(1), MgPoint(5, 4));
    EXPECT_EQ(line.pointAt(-3), MgPoint(5, 4));
    ASSERT_EQ(line.handleCount(), 3);
    EXPECT_EQ(line.handlePoint(0), MgPoint(1, 2));
    EXPECT_EQ(line.handlePoint(1), MgPoint(3, 3));
    EXPECT_EQ(line.handlePoint(2), MgPoint(5, 4));
}

TEST(LineShape, HandleMoves)
{
    struct Case {
        const char* name;
        int handle;
        MgPoint to, start, end;
    };
    const Case cases[] = {
        { "midpoint moves the whole segment", 1, { 2, 3 }, { 0, 3 }, { 4, 3 } },
        { "start", 0, { -1, -1 }, { -1, -1 }, { 4, 0 } },
        { "end", 2, { 6, 2 }, { 0, 0 }, { 6, 2 } },
        { "any other index is the end", 7, { 6, 2 }, { 0, 0 }, { 6, 2 } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MgLine line;
        line.setPointAt(0, MgPoint(0, 0));
        line.setPointAt(1, MgPoint(4, 0));
        line.update();
        EXPECT_TRUE(line.setHandlePoint(c.handle, c.to, 0.5f));
        EXPECT_EQ(line.startPoint(), c.start);
        EXPECT_EQ(line.endPoint(), c.end);
        EXPECT_TRUE(line.extent().contains(c.start) && line.extent().contains(c.end)) << "updated";
    }
}

TEST(LineShape, HitTests)
{
    MgLine line;
    line.setPointAt(0, MgPoint(0, 0));
    line.setPointAt(1, MgPoint(10, 10));
    line.update();
    MgPoint nearPt;
    int seg = -2;
    EXPECT_NEAR(line.hitTest(MgPoint(4, 6), 2, nearPt, seg), std::sqrt(2.f), 1e-5f);
    EXPECT_EQ(seg, 0);
    expectPoint(nearPt, 5, 5);
    EXPECT_EQ(line.hitTest(MgPoint(4, 6), 1, nearPt, seg), kMgMaxFloat);
    EXPECT_EQ(seg, -1);

    EXPECT_TRUE(line.hitTestBox(MgBox(4, 4, 6, 6)));
    EXPECT_FALSE(line.hitTestBox(MgBox(7, 1, 9, 3))) << "inside the extent, off the diagonal";
    EXPECT_FALSE(line.hitTestBox(MgBox(11, 11, 12, 12)));
}

TEST(LineShape, TransformClearAndCopy)
{
    MgLine line;
    line.setPointAt(0, MgPoint(1, 1));
    line.setPointAt(1, MgPoint(3, 2));
    line.update();
    line.transform(MgMatrix::translationBy(MgVector(1, -1)));
    EXPECT_EQ(line.startPoint(), MgPoint(2, 0));
    EXPECT_EQ(line.endPoint(), MgPoint(4, 1));
    EXPECT_NEAR(line.extent().xmin, 2, 1e-5f);

    MgLine copy;
    copy.copyFrom(line);
    EXPECT_TRUE(copy.equals(line));
    copy.setPointAt(1, MgPoint(4, 1.001f));
    EXPECT_FALSE(copy.equals(line));

    line.clear();
    EXPECT_EQ(line.endPoint(), line.startPoint());
    EXPECT_TRUE(line.extent().isAllZero());
}

TEST(LineShape, Storage)
{
    MgLine line;
    line.setPointAt(0, MgPoint(1, 2));
    line.setPointAt(1, MgPoint(3, 4));
    MemoryArchive ar;
    EXPECT_TRUE(line.save(ar));
    EXPECT_EQ(ar.arrays["points"], (std::vector<float> { 1, 2, 3, 4 }));
    MgLine back;
    EXPECT_TRUE(back.load(ar));
    EXPECT_TRUE(back.equals(line));
    ar.arrays["points"].pop_back();
    EXPECT_FALSE(back.load(ar));
}

// ---- MgBaseLines vertex operations -----------------------------------------------------------

TEST(VertexList, GrowsInStepsOfEightAndNeverShrinks)
{
    MgLines s;
    EXPECT_EQ(s.pointCount(), 0);
    EXPECT_EQ(s.capacity(), 0u);
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(s.addPoint(MgPoint(static_cast<float>(i), 0)));
    EXPECT_EQ(s.pointCount(), 3);
    EXPECT_EQ(s.capacity(), 8u);
    for (int i = 3; i < 9; ++i)
        s.addPoint(MgPoint(static_cast<float>(i), 0));
    EXPECT_EQ(s.pointCount(), 9);
    EXPECT_EQ(s.capacity(), 16u);
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(s.pointAt(i), MgPoint(static_cast<float>(i), 0)) << "kept across growth";

    EXPECT_TRUE(s.resize(2));
    EXPECT_EQ(s.capacity(), 16u);
    EXPECT_FALSE(s.resize(-1));
    EXPECT_EQ(s.pointCount(), 2);
}

TEST(VertexList, ClearKeepsTheArray)
{
    MgLines s;
    fill(s, { A, B, C }, true);
    const MgPoint* before = s.points();
    s.clear();
    EXPECT_EQ(s.pointCount(), 0);
    EXPECT_FALSE(s.isClosed());
    EXPECT_TRUE(s.extent().isAllZero());
    EXPECT_EQ(s.capacity(), 8u);
    s.addPoint(MgPoint(7, 7));
    EXPECT_EQ(s.points(), before);
    EXPECT_EQ(s.pointAt(0), MgPoint(7, 7));
    // Growing the count again shows fresh vertices, not the ones from before the clear.
    s.resize(3);
    EXPECT_EQ(s.pointAt(2), MgPoint());
}

TEST(VertexList, InsertPoint)
{
    const MgPoint p(5, 5);
    MgLines open;
    fill(open, { A, B, C });
    EXPECT_TRUE(open.insertPoint(1, p));
    EXPECT_EQ(vertices(open), (std::vector<MgPoint> { A, B, p, C }));

    fill(open, { A, B, C });
    EXPECT_FALSE(open.insertPoint(2, p)) << "an open figure has no edge 2";
    EXPECT_FALSE(open.insertPoint(-1, p));
    EXPECT_EQ(vertices(open), (std::vector<MgPoint> { A, B, C }));

    MgLines closed;
    fill(closed, { A, B, C }, true);
    EXPECT_TRUE(closed.insertPoint(2, p));
    EXPECT_EQ(vertices(closed), (std::vector<MgPoint> { A, B, C, p }));
    EXPECT_FALSE(closed.insertPoint(4, p));

    MgLines empty;
    EXPECT_FALSE(empty.insertPoint(0, p));
}

TEST(VertexList, RemovePointRefusesIndexesOutsideTheList)
{
    MgLines s;
    fill(s, { A, B, C });
    struct Case {
        int index;
        bool ok;
    };
    for (const Case c : { Case { -1, false }, Case { -1000000, false }, Case { 3, false }, Case { 99, false } }) {
        SCOPED_TRACE(c.index);
        EXPECT_EQ(s.removePoint(c.index), c.ok);
        EXPECT_EQ(vertices(s), (std::vector<MgPoint> { A, B, C }));
    }
    EXPECT_TRUE(s.removePoint(1));
    EXPECT_EQ(vertices(s), (std::vector<MgPoint> { A, C }));
    EXPECT_TRUE(s.removePoint(0));
    EXPECT_EQ(vertices(s), (std::vector<MgPoint> { C }));
    EXPECT_FALSE(s.removePoint(0)) << "the last vertex stays";
}

TEST(VertexList, PointAccessOutOfRange)
{
    MgLines s;
    fill(s, { A, B });
    EXPECT_EQ(s.pointAt(2), MgPoint());
    EXPECT_EQ(s.pointAt(-1), MgPoint());
    s.setPointAt(2, C);
    s.setPointAt(-1, C);
    EXPECT_EQ(vertices(s), (std::vector<MgPoint> { A, B }));
}

TEST(VertexList, VertexDrag)
{
    const float tol = 0.5f;
    struct Case {
        const char* name;
        std::vector<MgPoint> pts;
        bool closed;
        int index;
        MgPoint to;
        std::vector<MgPoint> expected;
        bool expectClosed;
    };
    const Case cases[] = {
        { "moves freely", { A, B, C }, false, 1, { 12, 3 }, { A, { 12, 3 }, C }, false },
        { "merges onto the next vertex", { A, B, C }, false, 1, { 10, 9.8f }, { A, C }, false },
        { "merges onto the previous vertex", { A, B, C }, false, 2, { 10, 0.2f }, { A, B }, false },
        { "first onto last closes", { A, B, C }, false, 0, { 9.9f, 10 }, { B, C }, true },
        { "last onto first closes", { A, B, C, { 0, 10 } }, false, 3, { 0.1f, 0 }, { A, B, C }, true },
        { "closed: first merges with last", { A, B, C }, true, 0, { 9.9f, 10 }, { B, C }, true },
        { "closed: last merges with first", { A, B, C }, true, 2, { 0, 0.1f }, { A, B }, true },
        { "a two-vertex open line merges instead of closing", { A, B }, false, 0, { 9.9f, 0 }, { B }, false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MgLines s;
        fill(s, c.pts, c.closed);
        EXPECT_TRUE(s.setHandlePoint(c.index, c.to, tol));
        EXPECT_EQ(vertices(s), c.expected);
        EXPECT_EQ(s.isClosed(), c.expectClosed);
    }

    // The shape is updated; an index that is not a vertex changes nothing.
    MgLines s;
    fill(s, { A, B, C });
    s.setHandlePoint(2, MgPoint(20, 20), tol);
    EXPECT_FLOAT_EQ(s.extent().xmax, 20);
    EXPECT_FALSE(s.setHandlePoint(3, MgPoint(30, 30), tol));
    EXPECT_FALSE(s.setHandlePoint(-1, MgPoint(30, 30), tol));
    EXPECT_EQ(s.pointCount(), 3);
}

TEST(VertexList, TransformOffsetCopyAndEquals)
{
    MgLines s;
    fill(s, { A, B, C }, true);
    EXPECT_TRUE(s.offset(MgVector(1, 2), -1));
    EXPECT_EQ(vertices(s), (std::vector<MgPoint> { { 1, 2 }, { 11, 2 }, { 11, 12 } }));
    EXPECT_FLOAT_EQ(s.extent().ymax, 12);

    s.transform(MgMatrix::scalingAbout(2, 2));
    EXPECT_EQ(s.pointAt(2), MgPoint(22, 24));
    EXPECT_FLOAT_EQ(s.extent().xmax, 22);

    MgLines* c = s.clone();
    EXPECT_TRUE(c->equals(s));
    c->setClosed(false);
    EXPECT_FALSE(c->equals(s)) << "closed flags differ";
    c->setClosed(true);
    c->addPoint(A);
    EXPECT_FALSE(c->equals(s)) << "counts differ";
    c->release();
}

TEST(VertexList, PolylineHitTests)
{
    MgLines s;
    fill(s, { A, B, C }, true);
    MgPoint nearPt;
    int seg = -2;
    EXPECT_NEAR(s.hitTest(MgPoint(4.9f, 5.1f), 0.5f, nearPt, seg), 0.2f * std::sqrt(0.5f), 1e-4f);
    EXPECT_EQ(seg, 2) << "the closing edge";
    s.setClosed(false);
    s.update();
    EXPECT_EQ(s.hitTest(MgPoint(4.9f, 5.1f), 0.5f, nearPt, seg), kMgMaxFloat);
    EXPECT_EQ(seg, -1);
    EXPECT_NEAR(s.hitTest(MgPoint(10.3f, 4), 0.5f, nearPt, seg), 0.3f, 1e-5f);
    EXPECT_EQ(seg, 1);

    MgLines empty;
    EXPECT_EQ(empty.hitTest(MgPoint(), 1, nearPt, seg), kMgMaxFloat);
    EXPECT_EQ(seg, -1);
}

TEST(VertexList, VertexEdgeBoxTestSkipsTheClosingEdge)
{
    MgLines s;
    fill(s, { A, B, C }, true);
    EXPECT_TRUE(s.hitTestBox(MgBox(4, -1, 6, 1)));
    EXPECT_FALSE(s.hitTestBox(MgBox(4, 4, 6, 6))) << "crosses only the closing edge";
    EXPECT_FALSE(s.hitTestBox(MgBox(20, 20, 21, 21)));

    MgLines one;
    fill(one, { MgPoint(3, 3) });
    EXPECT_TRUE(one.hitTestBox(MgBox(2, 2, 4, 4)));
}

// ---- Storage --------------------------------------------------------------------------------

TEST(VertexStorage, SaveAndLoadRoundTrip)
{
    MgSplines s;
    fill(s, { A, B, C }, true);
    MemoryArchive ar;
    EXPECT_TRUE(s.save(ar));
    EXPECT_DOUBLE_EQ(ar.scalars["closed"], 1);
    EXPECT_DOUBLE_EQ(ar.scalars["count"], 3);
    EXPECT_EQ(ar.arrays["points"], (std::vector<float> { 0, 0, 10, 0, 10, 10 }));

    MgSplines back;
    EXPECT_TRUE(back.load(ar));
    EXPECT_TRUE(back.equals(s));
}

TEST(VertexStorage, LoadFailures)
{
    struct Case {
        const char* name;
        double count;
        std::vector<float> points;
        bool ok;
        int countAfter;
    };
    const Case cases[] = {
        { "count 3 with six values", 3, { 0, 0, 1, 1, 2, 2 }, true, 3 },
        { "count 3 with four values", 3, { 0, 0, 1, 1 }, false, 3 },
        { "count 0", 0, {}, false, 0 },
        { "count above 9999", 10000, { 0, 0 }, false, 0 },
        { "count 9999 but short", 9999, { 0, 0 }, false, 9999 },
        { "negative count", -5, { 0, 0 }, false, 0 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MemoryArchive ar;
        ar.scalars["count"] = c.count;
        ar.arrays["points"] = c.points;
        MgLines s;
        EXPECT_EQ(s.load(ar), c.ok);
        EXPECT_EQ(s.pointCount(), c.countAfter);
    }

    // "closed" defaults to the current flag.
    MemoryArchive ar;
    ar.scalars["count"] = 1;
    ar.arrays["points"] = { 4, 5 };
    MgLines s;
    s.setClosed(true);
    EXPECT_TRUE(s.load(ar));
    EXPECT_TRUE(s.isClosed());
    EXPECT_EQ(s.pointAt(0), MgPoint(4, 5));
}

// ---- MgSplines --------------------------------------------------------------------------------

TEST(SplineShape, UpdateComputesTangentsAndTheCurveExtent)
{
    MgSplines s;
    EXPECT_FALSE(s.hasTangents() && s.knotVectors());
    fill(s, { A, { 5, 5 }, B });
    ASSERT_TRUE(s.hasTangents());
    // The open spline passes through the middle vertex with a horizontal tangent.
    EXPECT_NEAR(s.knotVectors()[1].y, 0, 1e-5f);
    EXPECT_GE(s.extent().ymax, 5);

    // A closed spline's extent includes the closing piece, which bulges below A-B.
    fill(s, { A, { 5, 5 }, B }, true);
    EXPECT_LT(s.extent().ymin, -0.5f);
}

TEST(SplineShape, HitTestOnTheCurve)
{
    MgSplines s;
    fill(s, { A, { 5, 5 }, B, { 15, 5 } });
    MgPoint ctrl[4];
    ASSERT_TRUE(mgSplineSegmentControlPoints(4, s.points(), s.knotVectors(), 1, ctrl));
    const MgPoint onCurve = mgBezierPointAt(ctrl, 0.4f);
    MgPoint nearPt;
    int seg = -2;
    EXPECT_LT(s.hitTest(onCurve, 0.1f, nearPt, seg), 1e-3f);
    EXPECT_EQ(seg, 1);
    EXPECT_EQ(s.hitTest(MgPoint(5, -5), 0.1f, nearPt, seg), kMgMaxFloat);
    EXPECT_EQ(seg, -1);
    EXPECT_TRUE(s.hitTestBox(MgBox(onCurve.x - 0.1f, onCurve.y - 0.1f, onCurve.x + 0.1f, onCurve.y + 0.1f)));
}

TEST(SplineShape, StaleTangentsNeverReadPastTheirArray)
{
    MgSplines s;
    std::vector<MgPoint> pts;
    for (int i = 0; i < 8; ++i)
        pts.emplace_back(static_cast<float>(i), static_cast<float>(i % 2));
    fill(s, pts);
    ASSERT_TRUE(s.hasTangents());
    // Vertices added without update() outgrow the tangent array.
    for (int i = 8; i < 20; ++i)
        s.addPoint(MgPoint(static_cast<float>(i), 0));
    EXPECT_FALSE(s.hasTangents());
    MgPoint nearPt;
    int seg = 0;
    EXPECT_EQ(s.hitTest(MgPoint(15, 0), 1, nearPt, seg), kMgMaxFloat);
    EXPECT_EQ(seg, -1);
    s.update();
    EXPECT_TRUE(s.hasTangents());
    EXPECT_LT(s.hitTest(MgPoint(15, 0), 1, nearPt, seg), 1e-3f);
}

TEST(SplineShape, CopyAndCloneCarryTheTangents)
{
    MgSplines s;
    fill(s, { A, { 5, 5 }, B });
    MgSplines* c = s.clone();
    ASSERT_TRUE(c->hasTangents());
    EXPECT_NEAR(c->knotVectors()[0].x, s.knotVectors()[0].x, 1e-6f);
    EXPECT_TRUE(c->equals(s));
    c->release();

    // From a polyline there are no tangents to copy: a fresh spline has none until update().
    MgLines l;
    fill(l, { A, B, C });
    MgSplines fromLines;
    fromLines.copyFrom(l);
    EXPECT_EQ(fromLines.pointCount(), 3);
    EXPECT_FALSE(fromLines.hasTangents());
    EXPECT_FALSE(fromLines.equals(l));
}

// ---- Drawing ------------------------------------------------------------------------------------

class LineDrawing : public RecordingPaintTest<400, 300> {
protected:
    GiContext ctx { 0, 0, GiRgba(0, 128, 0, 255), GiRgba(0, 0, 255, 128) };
};

TEST_F(LineDrawing, SegmentPolylineAndPolygon)
{
    MgLine line;
    line.setPointAt(0, MgPoint(-5, -5));
    line.setPointAt(1, MgPoint(5, 5));
    line.update();
    EXPECT_TRUE(line.draw(gs, ctx));
    EXPECT_EQ(canvas.drawingOps(), std::vector<std::string> { "strokeSegment" }) << canvas.dump();

    canvas.clear();
    MgLines s;
    fill(s, { { -10, -10 }, { 10, -10 }, { 0, 10 } });
    EXPECT_TRUE(s.draw(gs, ctx));
    EXPECT_EQ(canvas.drawingOps(), std::vector<std::string> { "strokePolyline" }) << canvas.dump();

    canvas.clear();
    s.setClosed(true);
    s.update();
    EXPECT_TRUE(s.draw(gs, ctx));
    EXPECT_EQ(canvas.drawingOps(), std::vector<std::string> { "paintPolygon" }) << canvas.dump();
}

TEST_F(LineDrawing, SplineOfTwoVerticesIsAStraightLine)
{
    MgSplines s;
    fill(s, { { -5, 0 }, { 5, 3 } });
    EXPECT_TRUE(s.draw(gs, ctx));
    EXPECT_EQ(canvas.drawingOps(), std::vector<std::string> { "strokeSegment" }) << canvas.dump();

    canvas.clear();
    fill(s, { { -5, 0 }, { 0, 5 }, { 5, 0 } });
    EXPECT_TRUE(s.draw(gs, ctx));
    EXPECT_EQ(canvas.count("strokeBezierChain"), 1) << canvas.dump();
    EXPECT_EQ(canvas.last("strokeBezierChain")->points.size(), 7u);

    canvas.clear();
    fill(s, { { -5, 0 }, { 0, 5 }, { 5, 0 } }, true);
    EXPECT_TRUE(s.draw(gs, ctx));
    EXPECT_EQ(canvas.count("pathFinish"), 1) << canvas.dump();
}
