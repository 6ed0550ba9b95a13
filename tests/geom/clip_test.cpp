#include "geom/mgclip.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

namespace {

void expectPoint(const MgPoint& p, float x, float y, float eps = 1e-5f)
{
    EXPECT_NEAR(p.x, x, eps);
    EXPECT_NEAR(p.y, y, eps);
}

bool insideWithin(const MgPoint& p, const MgBox& box, float eps)
{
    return p.x >= box.xmin - eps && p.x <= box.xmax + eps && p.y >= box.ymin - eps && p.y <= box.ymax + eps;
}

// Twice the signed area of a polygon.
double signedArea2(const std::vector<MgPoint>& pts)
{
    double a = 0;
    for (size_t i = 0; i < pts.size(); i++) {
        const MgPoint& p = pts[i];
        const MgPoint& q = pts[(i + 1) % pts.size()];
        a += static_cast<double>(p.x) * q.y - static_cast<double>(q.x) * p.y;
    }
    return a;
}

} // namespace

TEST(MgClipSegment, OutcodesAndDesignExamples)
{
    const MgBox box(0, 0, 10, 10);
    EXPECT_EQ(mgOutcode(MgPoint(5, 5), box), 0);
    EXPECT_EQ(mgOutcode(MgPoint(10, 0), box), 0);
    EXPECT_EQ(mgOutcode(MgPoint(-1, 11), box), MG_OUTCODE_LEFT | MG_OUTCODE_ABOVE);
    EXPECT_EQ(mgOutcode(MgPoint(11, -1), box), MG_OUTCODE_RIGHT | MG_OUTCODE_BELOW);

    MgPoint a(-5, 5), b(15, 5);
    ASSERT_TRUE(mgClipSegment(a, b, box));
    expectPoint(a, 0, 5);
    expectPoint(b, 10, 5);

    MgPoint c(-5, -5), d(-1, 20);
    EXPECT_FALSE(mgClipSegment(c, d, box));

    // A diagonal that passes outside the corner although its ends share no outcode bit.
    MgPoint e(-5, 3), f(3, -5);
    EXPECT_FALSE(mgClipSegment(e, f, box));
    // One that cuts the corner, against a box given with its corners swapped.
    MgPoint g(-2, 4), h(4, -2);
    ASSERT_TRUE(mgClipSegment(g, h, MgBox(10, 10, 0, 0)));
    expectPoint(g, 0, 2);
    expectPoint(h, 2, 0);
    // Inside: unchanged.
    MgPoint i(1, 2), j(3, 4);
    ASSERT_TRUE(mgClipSegment(i, j, box));
    expectPoint(i, 1, 2, 0);
    expectPoint(j, 3, 4, 0);
}

// Random segments against random boxes: a clipped segment lies inside the box and on the original
// segment; a rejected one has no sample inside the box.
TEST(MgClipSegment, RandomSegmentsAgainstBruteForce)
{
    std::mt19937 rng(11);
    std::uniform_real_distribution<float> coord(-400, 400);
    int clipped = 0;
    for (int iter = 0; iter < 1000; iter++) {
        const MgBox box = MgBox(coord(rng), coord(rng), coord(rng), coord(rng)).orderCorners();
        const MgPoint a(coord(rng), coord(rng)), b(coord(rng), coord(rng));
        MgPoint p = a, q = b;
        SCOPED_TRACE(iter);
        if (mgClipSegment(p, q, box)) {
            clipped++;
            ASSERT_TRUE(insideWithin(p, box, 1e-4f));
            ASSERT_TRUE(insideWithin(q, box, 1e-4f));
            const MgVector ab = b - a;
            const double len = ab.length();
            ASSERT_LT(std::fabs((p - a).cross(ab)) / len, 1e-3);
            ASSERT_LT(std::fabs((q - a).cross(ab)) / len, 1e-3);
            // Same direction as the input.
            ASSERT_GE((q - p).dot(ab), -1e-3);
        } else {
            for (int i = 0; i <= 1000; i++) {
                const float t = i / 1000.f;
                const MgPoint s(a.x + t * (b.x - a.x), a.y + t * (b.y - a.y));
                ASSERT_FALSE(insideWithin(s, box, -1e-3f)) << "sample " << i;
            }
        }
    }
    EXPECT_GT(clipped, 100);
}

TEST(MgPolygonClipper, InsideUnchangedOutsideRejected)
{
    const MgBox box(0, 0, 10, 10);
    const MgPoint square[4] = { { 2, 2 }, { 8, 2 }, { 8, 8 }, { 2, 8 } };
    MgPolygonClipper closed(box, true);
    ASSERT_TRUE(closed.clip(4, square));
    ASSERT_EQ(closed.resultCount(), 4);
    for (int i = 0; i < 4; i++)
        expectPoint(closed.resultPoint(i), square[i].x, square[i].y, 0);
    expectPoint(closed.resultPoint(5), 8, 2, 0);
    expectPoint(closed.resultPoint(-1), 2, 8, 0);
    EXPECT_EQ(closed.firstBoundaryEdge(), 4);

    // An open polyline stays open: the clipper does not add the closing point.
    MgPolygonClipper open(box, false);
    ASSERT_TRUE(open.clip(4, square));
    ASSERT_EQ(open.resultCount(), 4);
    expectPoint(open.resultPoint(3), 2, 8, 0);

    // Points on the boundary count as inside: the box itself comes back with four boundary edges.
    const MgPoint edge[4] = { { 0, 10 }, { 10, 10 }, { 10, 0 }, { 0, 0 } };
    ASSERT_TRUE(closed.clip(4, edge));
    ASSERT_EQ(closed.resultCount(), 4);
    for (int i = 0; i < 4; i++) {
        expectPoint(closed.resultPoint(i), edge[i].x, edge[i].y, 0);
        EXPECT_FALSE(closed.isInnerEdge(i)) << i;
    }
    EXPECT_EQ(closed.firstBoundaryEdge(), 0);

    const MgPoint far[3] = { { 20, 20 }, { 30, 20 }, { 25, 30 } };
    EXPECT_FALSE(closed.clip(3, far));
    EXPECT_EQ(closed.resultCount(), 0);
    expectPoint(closed.resultPoint(3), 0, 0, 0);
    EXPECT_FALSE(closed.clip(1, square));
    EXPECT_FALSE(closed.clip(4, nullptr));
}

TEST(MgPolygonClipper, BoundaryEdgesAndTransform)
{
    // A square sticking out of the right side of the box: the cut runs along x = 10.
    const MgPoint square[4] = { { 5, 2 }, { 15, 2 }, { 15, 8 }, { 5, 8 } };
    MgPolygonClipper clipper(MgBox(0, 0, 10, 10), true);
    ASSERT_TRUE(clipper.clip(4, square));
    ASSERT_EQ(clipper.resultCount(), 4);
    int boundary = 0;
    for (int i = 0; i < 4; i++) {
        const MgPoint a = clipper.resultPoint(i), b = clipper.resultPoint(i + 1);
        const bool onRight = a.x == 10 && b.x == 10;
        EXPECT_EQ(clipper.isInnerEdge(i), !onRight) << i;
        boundary += onRight ? 1 : 0;
    }
    EXPECT_EQ(boundary, 1);
    EXPECT_FALSE(clipper.isInnerEdge(clipper.firstBoundaryEdge()));
    EXPECT_LT(clipper.firstBoundaryEdge(), 4);

    // The matrix is applied before clipping: halving about (0, 5) puts the square inside.
    const MgMatrix half = MgMatrix::scalingAbout(0.5f, 0.5f, MgPoint(0, 5));
    ASSERT_TRUE(clipper.clip(4, square, &half));
    ASSERT_EQ(clipper.resultCount(), 4);
    for (int i = 0; i < 4; i++)
        expectPoint(clipper.resultPoint(i), square[i].x / 2, 2.5f + square[i].y / 2);
    EXPECT_EQ(clipper.firstBoundaryEdge(), 4);
}

TEST(MgPolygonClipper, OpenPolylineCrossingOut)
{
    // Leaves through the top and comes back: the crossing points appear, the outside part does not.
    const MgPoint line[3] = { { 2, 5 }, { 5, 15 }, { 8, 5 } };
    MgPolygonClipper clipper(MgBox(0, 0, 10, 10), false);
    ASSERT_TRUE(clipper.clip(3, line));
    ASSERT_EQ(clipper.resultCount(), 4);
    expectPoint(clipper.resultPoint(0), 2, 5);
    expectPoint(clipper.resultPoint(1), 3.5f, 10);
    expectPoint(clipper.resultPoint(2), 6.5f, 10);
    expectPoint(clipper.resultPoint(3), 8, 5);
    EXPECT_FALSE(clipper.isInnerEdge(1));
    EXPECT_EQ(clipper.firstBoundaryEdge(), 1);
}

// Random polygons: every result point lies inside the box; polygons entirely inside come back
// unchanged; for convex polygons the clipped area equals the area of the intersection measured
// on a sample grid.
TEST(MgPolygonClipper, RandomPolygonsAgainstBruteForce)
{
    std::mt19937 rng(2024);
    std::uniform_real_distribution<float> coord(-300, 300), unit(0, 1);
    std::uniform_int_distribution<int> count(2, 30);
    for (int iter = 0; iter < 400; iter++) {
        SCOPED_TRACE(iter);
        const MgBox box = MgBox(coord(rng), coord(rng), coord(rng), coord(rng)).orderCorners();
        const int n = count(rng);
        std::vector<MgPoint> pts(n);
        for (auto& p : pts)
            p = { coord(rng), coord(rng) };
        for (bool closed : { true, false }) {
            MgPolygonClipper clipper(box, closed);
            if (!clipper.clip(n, pts.data()))
                continue;
            for (int i = 0; i < clipper.resultCount(); i++)
                ASSERT_TRUE(insideWithin(clipper.resultPoint(i), box, 1e-4f)) << i;
        }

        // Shrink the polygon into the box: unchanged.
        std::vector<MgPoint> in(n);
        for (int i = 0; i < n; i++)
            in[i] = { box.xmin + unit(rng) * box.width(), box.ymin + unit(rng) * box.height() };
        MgPolygonClipper clipper(box, iter % 2 == 0);
        ASSERT_TRUE(clipper.clip(n, in.data()));
        ASSERT_EQ(clipper.resultCount(), n);
        for (int i = 0; i < n; i++)
            ASSERT_EQ(clipper.resultPoint(i).x, in[i].x);
    }

    for (int iter = 0; iter < 200; iter++) {
        SCOPED_TRACE(iter);
        const MgBox box(-100, -80, 120, 90);
        // A convex polygon: points on an ellipse in angle order.
        const MgPoint c(coord(rng) * 0.7f, coord(rng) * 0.7f);
        const float rx = 20 + unit(rng) * 200, ry = 20 + unit(rng) * 200;
        std::vector<float> angles(3 + iter % 8);
        for (auto& a : angles)
            a = unit(rng) * kMg2Pi;
        std::sort(angles.begin(), angles.end());
        std::vector<MgPoint> poly;
        for (float a : angles)
            poly.push_back(c.pointAtAngle(a, 1) + MgVector((rx - 1) * std::cos(a), (ry - 1) * std::sin(a)));
        MgPolygonClipper clipper(box, true);
        double clippedArea = 0;
        if (clipper.clip(static_cast<int>(poly.size()), poly.data())) {
            std::vector<MgPoint> res(clipper.resultPoints(), clipper.resultPoints() + clipper.resultCount());
            clippedArea = std::fabs(signedArea2(res)) / 2;
        }
        // Brute force: grid samples inside both the polygon and the box.
        const int grid = 100;
        int hits = 0;
        const double dx = box.width() / grid, dy = box.height() / grid;
        for (int gx = 0; gx < grid; gx++)
            for (int gy = 0; gy < grid; gy++) {
                const MgPoint s(
                    static_cast<float>(box.xmin + (gx + 0.5) * dx), static_cast<float>(box.ymin + (gy + 0.5) * dy));
                bool inside = true;
                for (size_t i = 0; i < poly.size() && inside; i++)
                    inside = (poly[(i + 1) % poly.size()] - poly[i]).cross(s - poly[i]) >= 0;
                hits += inside ? 1 : 0;
            }
        const double sampledArea = hits * dx * dy;
        ASSERT_NEAR(clippedArea, sampledArea, 0.02 * box.width() * box.height());
    }
}
