#include "geom/mgcurve.h"
#include "geom/mgnearest.h"

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

double dist(const MgPoint& a, const MgPoint& b) { return std::hypot(double(a.x) - b.x, double(a.y) - b.y); }

// Distance from pt to the best of `samples` + 1 evenly spaced points of the cubic, in double.
double sampledDistance(const MgPoint* c, const MgPoint& pt, int samples)
{
    double best = 1e300;
    for (int i = 0; i <= samples; i++) {
        const double t = double(i) / samples, s = 1 - t;
        const double x = s * s * s * c[0].x + 3 * t * s * s * c[1].x + 3 * t * t * s * c[2].x + t * t * t * c[3].x;
        const double y = s * s * s * c[0].y + 3 * t * s * s * c[1].y + 3 * t * t * s * c[2].y + t * t * t * c[3].y;
        best = std::min(best, std::hypot(x - pt.x, y - pt.y));
    }
    return best;
}

double controlSize(const MgPoint* c, int n)
{
    const MgBox box = MgBox().fromPoints(n, c);
    return std::hypot(double(box.width()), double(box.height()));
}

} // namespace

TEST(MgSegment, PerpendicularFootCases)
{
    MgPoint foot;
    EXPECT_NEAR(mgPerpendicularFoot(MgPoint(1, 1), MgPoint(1, 1), MgPoint(4, 5), foot), 5, 1e-6);
    expectPoint(foot, 1, 1, 0);
    EXPECT_NEAR(mgPerpendicularFoot(MgPoint(2, 0), MgPoint(2, 10), MgPoint(5, 20), foot), 3, 1e-6);
    expectPoint(foot, 2, 20, 0);
    EXPECT_NEAR(mgPerpendicularFoot(MgPoint(0, 3), MgPoint(10, 3), MgPoint(-5, 1), foot), 2, 1e-6);
    expectPoint(foot, -5, 3, 0);
    EXPECT_NEAR(mgPerpendicularFoot(MgPoint(0, 0), MgPoint(4, 4), MgPoint(0, 4), foot), std::sqrt(8.f), 1e-5);
    expectPoint(foot, 2, 2);

    // A steep segment near x = 10: float slope arithmetic put the foot 0.03 off.
    const MgPoint a(10, 0), b(10.001f, 12);
    const MgPoint pt(10.5f, 6);
    const double dx = double(b.x) - a.x, dy = double(b.y) - a.y;
    const double t = ((pt.x - double(a.x)) * dx + (pt.y - double(a.y)) * dy) / (dx * dx + dy * dy);
    const float d = mgPerpendicularFoot(a, b, pt, foot);
    EXPECT_NEAR(foot.x, a.x + t * dx, 2e-6);
    EXPECT_NEAR(foot.y, a.y + t * dy, 2e-6);
    EXPECT_NEAR(d, std::fabs((pt - a).cross(b - a)) / (b - a).length(), 1e-5);
}

TEST(MgSegment, NearestStaysOnTheSegment)
{
    MgPoint near;
    EXPECT_NEAR(mgNearestOnSegment(MgPoint(3, 4), MgPoint(3, 4), MgPoint(0, 0), near), 5, 1e-6);
    expectPoint(near, 3, 4, 0);
    EXPECT_NEAR(mgNearestOnSegment(MgPoint(0, 0), MgPoint(10, 5), MgPoint(20, 10), near),
        dist(MgPoint(10, 5), MgPoint(20, 10)), 1e-5);
    expectPoint(near, 10, 5, 0);
    EXPECT_NEAR(mgNearestOnSegment(MgPoint(0, 0), MgPoint(10, 5), MgPoint(-2, -1), near), std::sqrt(5.f), 1e-5);
    expectPoint(near, 0, 0, 0);

    // Nearly vertical (x differs by less than 1e-7): the foot keeps a.x, and the span test must
    // still see that it lies beyond the end.
    const MgPoint a(0, 0), b(5e-8f, 10);
    EXPECT_NEAR(mgNearestOnSegment(a, b, MgPoint(1, 20), near), dist(b, MgPoint(1, 20)), 1e-5);
    expectPoint(near, b.x, b.y, 0);
    EXPECT_NEAR(mgNearestOnSegment(b, a, MgPoint(1, -3), near), dist(a, MgPoint(1, -3)), 1e-5);
    expectPoint(near, a.x, a.y, 0);
    MgPoint end;
    EXPECT_FALSE(mgWithinSpan(a, b, MgPoint(0, 11), &end));
    expectPoint(end, b.x, b.y, 0);
    EXPECT_TRUE(mgWithinSpan(a, b, MgPoint(0, 4), &end));
    EXPECT_TRUE(mgWithinSpan(MgPoint(0, 0), MgPoint(10, 0), MgPoint(10, 0)));
    EXPECT_FALSE(mgWithinSpan(MgPoint(0, 0), MgPoint(10, 0), MgPoint(-1, 0), &end));
    expectPoint(end, 0, 0, 0);
}

// Random segments (some nearly vertical or horizontal): the nearest point lies on the segment and
// is as near as the best of 2,000 samples.
TEST(MgSegment, RandomSegmentsAgainstBruteForce)
{
    std::mt19937 rng(5);
    std::uniform_real_distribution<float> coord(-500, 500), tiny(-1e-6f, 1e-6f);
    for (int iter = 0; iter < 600; iter++) {
        SCOPED_TRACE(iter);
        MgPoint a(coord(rng), coord(rng)), b(coord(rng), coord(rng));
        if (iter % 3 == 1)
            b.x = a.x + tiny(rng);
        else if (iter % 3 == 2)
            b.y = a.y + tiny(rng);
        const MgPoint pt(coord(rng), coord(rng));
        MgPoint near;
        const float d = mgNearestOnSegment(a, b, pt, near);
        double best = 1e300;
        for (int i = 0; i <= 2000; i++) {
            const double t = i / 2000.0;
            best = std::min(
                best, std::hypot(a.x + t * (double(b.x) - a.x) - pt.x, a.y + t * (double(b.y) - a.y) - pt.y));
        }
        const double len = dist(a, b);
        ASSERT_LE(d, best + 1e-4);
        ASSERT_GE(d, best - len / 2000 - 1e-3);
        ASSERT_NEAR(d, dist(near, pt), 1e-3);
        // On the segment: no farther from both ends than the segment is long.
        ASSERT_LE(dist(near, a) + dist(near, b), len + 1e-3);
    }
}

TEST(MgPolyline, ToleranceTiesAndClosingEdge)
{
    const MgPoint square[4] = { { 0, 0 }, { 10, 0 }, { 10, 10 }, { 0, 10 } };
    MgPoint near(-1, -1);
    int seg = 7;
    EXPECT_EQ(mgNearestOnPolyline(4, square, false, MgPoint(5, 3), 2, near, seg), kMgMaxFloat);
    EXPECT_EQ(seg, -1);

    // (10, 0) is the corner shared by segments 0 and 1; (12, -2) is equidistant from both.
    EXPECT_NEAR(mgNearestOnPolyline(4, square, false, MgPoint(12, -2), 5, near, seg), std::sqrt(8.f), 1e-5);
    EXPECT_EQ(seg, 0);
    // A point equidistant from two parallel-free edges inside: (5, 5) is 5 from all four.
    EXPECT_NEAR(mgNearestOnPolyline(4, square, true, MgPoint(5, 5), 5, near, seg), 5, 1e-6);
    EXPECT_EQ(seg, 0);

    // The closing edge x = 0 only exists when closed.
    EXPECT_NEAR(mgNearestOnPolyline(4, square, true, MgPoint(1, 5), 2, near, seg), 1, 1e-6);
    EXPECT_EQ(seg, 3);
    expectPoint(near, 0, 5);
    EXPECT_EQ(mgNearestOnPolyline(4, square, false, MgPoint(1, 5), 2, near, seg), kMgMaxFloat);
    EXPECT_EQ(seg, -1);

    EXPECT_EQ(mgNearestOnPolyline(0, square, true, MgPoint(1, 5), 2, near, seg), kMgMaxFloat);
    EXPECT_EQ(mgNearestOnPolyline(4, nullptr, true, MgPoint(1, 5), 2, near, seg), kMgMaxFloat);
    EXPECT_EQ(seg, -1);
}

TEST(MgBezierNearest, EndsAndSimpleCurves)
{
    const MgPoint c[4] = { { 0, 0 }, { 10, 20 }, { 30, 20 }, { 40, 0 } };
    MgPoint near;
    EXPECT_NEAR(mgNearestOnBezier(MgPoint(-5, -5), c, near), std::sqrt(50.f), 1e-5);
    expectPoint(near, 0, 0, 0);
    EXPECT_NEAR(mgNearestOnBezier(MgPoint(50, -3), c, near), dist(MgPoint(50, -3), c[3]), 1e-5);
    expectPoint(near, 40, 0, 0);
    // The apex (20, 15) lies straight below (20, 30).
    EXPECT_NEAR(mgNearestOnBezier(MgPoint(20, 30), c, near), 15, 1e-4);
    expectPoint(near, 20, 15, 1e-4f);
    // On the curve.
    const MgPoint on = mgBezierPointAt(c, 0.3f);
    EXPECT_LT(mgNearestOnBezier(on, c, near), 1e-4);
    // A straight "curve" and a degenerate one.
    const MgPoint line[4] = { { 0, 0 }, { 1, 1 }, { 2, 2 }, { 3, 3 } };
    EXPECT_NEAR(mgNearestOnBezier(MgPoint(0, 2), line, near), std::sqrt(2.f), 1e-5);
    expectPoint(near, 1, 1, 1e-5f);
    const MgPoint dot[4] = { { 2, 2 }, { 2, 2 }, { 2, 2 }, { 2, 2 } };
    EXPECT_NEAR(mgNearestOnBezier(MgPoint(5, 6), dot, near), 5, 1e-5);
    EXPECT_EQ(mgNearestOnBezier(MgPoint(5, 6), nullptr, near), kMgMaxFloat);
}

// Two local minima, at t = 0.15 and t = 0.68, with the derivative's control values in the tens of
// thousands: a flatness test that weighs squared offsets against them accepted the curved
// polygon over [0.5, 1] and answered a point 11 units too far.
TEST(MgBezierNearest, SecondMinimumOnALargeCurve)
{
    const MgPoint c[4] = { { -249.935455f, -195.959686f }, { -430.436737f, -158.211609f },
        { -430.436737f, -158.211609f }, { 151.915527f, -183.621918f } };
    const MgPoint pt(-228.274307f, 204.045197f);
    MgPoint near;
    const float d = mgNearestOnBezier(pt, c, near);
    EXPECT_NEAR(d, sampledDistance(c, pt, 100000), 1e-3);
    const MgPoint expected = mgBezierPointAt(c, 0.6819f);
    EXPECT_LT(dist(near, expected), 0.1);
}

// The nearest point on random cubics at coordinates of a few hundred is within 1e-3 of the curve's
// size of the best of 10,000 samples (and never meaningfully better, which would mean a wrong
// distance).
TEST(MgBezierNearest, RandomCubicsAgainstBruteForce)
{
    std::mt19937 rng(1234);
    std::uniform_real_distribution<float> coord(-400, 400), spread(-1, 1);
    int worseThanSamples = 0;
    for (int iter = 0; iter < 300; iter++) {
        SCOPED_TRACE(iter);
        MgPoint c[4];
        const MgPoint base(coord(rng), coord(rng));
        const float scale = 5 + std::fabs(coord(rng));
        for (auto& p : c)
            p = base + MgVector(spread(rng) * scale, spread(rng) * scale);
        if (iter % 5 == 0)
            c[2] = c[1]; // cusps and loops appear more often with coincident controls
        const double size = controlSize(c, 4);
        for (int q = 0; q < 2; q++) {
            const MgPoint pt = base + MgVector(spread(rng) * scale * 1.5f, spread(rng) * scale * 1.5f);
            MgPoint near;
            const float d = mgNearestOnBezier(pt, c, near);
            const double best = sampledDistance(c, pt, 10000);
            ASSERT_LE(d, best + 1e-3 * size) << "pt " << pt.x << "," << pt.y;
            ASSERT_GE(d, best - 1e-4 * size - 1e-3);
            ASSERT_NEAR(d, dist(near, pt), 1e-3);
            worseThanSamples += d > best + 1e-5 * size ? 1 : 0;
        }
    }
    // The answer is a true minimum, not merely a good sample.
    EXPECT_LT(worseThanSamples, 10);
}

TEST(MgSplineNearest, SegmentsAndTolerance)
{
    const MgPoint k[4] = { { 0, 0 }, { 100, 0 }, { 100, 100 }, { 0, 100 } };
    MgVector t[4];
    ASSERT_TRUE(mgSplineTangents(4, k, t, MG_SPLINE_CLOSED));
    MgPoint near;
    int seg = 9;
    // Near the knot (100, 50)... the middle of piece 1.
    MgPoint ctl[4];
    ASSERT_TRUE(mgSplineSegmentControlPoints(4, k, t, 1, ctl));
    const MgPoint mid = mgBezierPointAt(ctl, 0.5f);
    EXPECT_NEAR(mgNearestOnSpline(4, k, t, true, mid + MgVector(2, 0), 3, near, seg), 2, 1e-3);
    EXPECT_EQ(seg, 1);
    ASSERT_TRUE(mgSplineSegmentControlPoints(4, k, t, 3, ctl));
    const MgPoint closing = mgBezierPointAt(ctl, 0.5f);
    EXPECT_LT(mgNearestOnSpline(4, k, t, true, closing, 1, near, seg), 1e-3);
    EXPECT_EQ(seg, 3);
    EXPECT_EQ(mgNearestOnSpline(4, k, t, false, closing, 1, near, seg), kMgMaxFloat);
    EXPECT_EQ(seg, -1);
    EXPECT_EQ(mgNearestOnSpline(4, k, t, true, MgPoint(50, 50), 10, near, seg), kMgMaxFloat);
    EXPECT_EQ(seg, -1);
    // A shared knot: the earlier piece wins.
    EXPECT_LT(mgNearestOnSpline(4, k, t, true, k[1], 1, near, seg), 1e-4);
    EXPECT_EQ(seg, 0);
}

TEST(MgBezierChainNearest, CubicIndexToleranceAndTies)
{
    // The ellipse chain of radius 10 about the origin: four quarter cubics, counter-clockwise from (10, 0).
    MgPoint ell[13];
    mgEllipseControlPoints(MgPoint(0, 0), 10, 10, ell);
    struct Case {
        const char* name;
        MgPoint pt;
        float tol;
        float dist; // kMgMaxFloat: nothing within tol
        int segment;
    };
    const Case cases[] = {
        { "outside the first quarter", { 8.485281f, 8.485281f }, 3, 2, 0 },
        { "inside the third quarter", { -6.363961f, -6.363961f }, 2, 1, 2 },
        { "on the last quarter", { 0, -10 }, 0.5f, 0, 2 }, // the joint of 2 and 3: the earlier wins
        { "beyond the tolerance", { 0, 13 }, 2, kMgMaxFloat, -1 },
        { "centre", { 0, 0 }, 5, kMgMaxFloat, -1 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MgPoint near(99, 99);
        int seg = 9;
        const float d = mgNearestOnBezierChain(13, ell, c.pt, c.tol, near, seg);
        EXPECT_EQ(seg, c.segment);
        if (c.dist == kMgMaxFloat) {
            EXPECT_EQ(d, kMgMaxFloat);
            expectPoint(near, 99, 99); // untouched when nothing was found
        } else {
            EXPECT_NEAR(d, c.dist, 5e-3); // the cubic quarter strays from the circle by up to 3e-3
            EXPECT_NEAR(near.distance(MgPoint(0, 0)), 10, 5e-3);
        }
    }
    // Extra points beyond the last whole cubic are ignored; fewer than four points give nothing.
    MgPoint near;
    int seg = 0;
    EXPECT_NE(mgNearestOnBezierChain(6, ell, ell[3], 0.1f, near, seg), kMgMaxFloat);
    EXPECT_EQ(seg, 0);
    EXPECT_EQ(mgNearestOnBezierChain(6, ell, ell[5], 0.01f, near, seg), kMgMaxFloat);
    EXPECT_EQ(mgNearestOnBezierChain(3, ell, ell[0], 1, near, seg), kMgMaxFloat);
    EXPECT_EQ(seg, -1);
    EXPECT_EQ(mgNearestOnBezierChain(13, nullptr, ell[0], 1, near, seg), kMgMaxFloat);
}

struct RoundCase {
    const char* name;
    MgPoint pt;
    int segment;
};

TEST(MgRoundedBoxNearest, SegmentNumbers)
{
    const MgBox box(0, 0, 100, 60);
    const RoundCase cases[] = {
        { "top edge", { 50, 61 }, 4 },
        { "right edge", { 101, 30 }, 5 },
        { "bottom edge", { 50, -1 }, 6 },
        { "left edge", { -1, 30 }, 7 },
        { "right-top arc", { 97, 57 }, 1 },
        { "left-top arc", { 3, 57 }, 0 },
        { "left-bottom arc", { 3, 3 }, 3 },
        { "right-bottom arc", { 97, 3 }, 2 },
    };
    for (const RoundCase& c : cases) {
        SCOPED_TRACE(c.name);
        MgPoint near;
        int seg = -5;
        const float d = mgNearestOnRoundedBox(box, 10, 10, c.pt, 2, near, seg);
        EXPECT_EQ(seg, c.segment);
        EXPECT_LE(d, 2);
    }

    // Without a radius there are no arcs; a zero ry takes rx.
    MgPoint near;
    int seg = -5;
    EXPECT_NEAR(mgNearestOnRoundedBox(box, 0, 0, MgPoint(99, 59), 2, near, seg), 1, 1e-5);
    EXPECT_TRUE(seg == 4 || seg == 5) << seg;
    expectPoint(near, seg == 4 ? 99 : 100, seg == 4 ? 60 : 59);
    EXPECT_NEAR(mgNearestOnRoundedBox(box, 10, 0, MgPoint(97, 57), 2, near, seg),
        10 - dist(MgPoint(90, 50), MgPoint(97, 57)), 1e-3);
    EXPECT_EQ(seg, 1);

    EXPECT_EQ(mgNearestOnRoundedBox(box, 10, 10, MgPoint(50, 30), 5, near, seg), kMgMaxFloat);
    EXPECT_EQ(seg, -1);
}

// Points near the outline of random rounded boxes: the answer matches the best of dense samples
// of the outline (the four edges and the four arcs of mgRoundedBoxControlPoints), within 1e-3 of the box size.
TEST(MgRoundedBoxNearest, RandomBoxesAgainstBruteForce)
{
    std::mt19937 rng(99);
    std::uniform_real_distribution<float> coord(-300, 300), unit(0, 1);
    for (int iter = 0; iter < 300; iter++) {
        SCOPED_TRACE(iter);
        const MgBox box = MgBox(coord(rng), coord(rng), coord(rng), coord(rng)).orderCorners();
        const float rx = unit(rng) * box.width() * 0.6f, ry = unit(rng) * box.height() * 0.6f;
        MgPoint arcs[16];
        mgRoundedBoxControlPoints(box, rx, ry, arcs);
        const double size = std::hypot(double(box.width()), double(box.height()));
        const float tol = static_cast<float>(0.05 * size);
        for (int q = 0; q < 3; q++) {
            // A point near a random sample of the outline.
            const int piece = static_cast<int>(unit(rng) * 8) % 8;
            const MgPoint* ctl = arcs + 4 * (piece / 2);
            const MgPoint on = piece % 2 == 0
                ? mgBezierPointAt(ctl, unit(rng))
                : MgPoint(ctl[3].x + unit(rng) * (arcs[(4 * (piece / 2) + 4) % 16].x - ctl[3].x),
                    ctl[3].y + unit(rng) * (arcs[(4 * (piece / 2) + 4) % 16].y - ctl[3].y));
            const MgPoint pt = on + MgVector((unit(rng) - 0.5f) * tol, (unit(rng) - 0.5f) * tol);
            double best = 1e300;
            for (int a = 0; a < 4; a++) {
                best = std::min(best, sampledDistance(arcs + 4 * a, pt, 2000));
                const MgPoint& s = arcs[4 * a + 3];
                const MgPoint& e = arcs[(4 * a + 4) % 16];
                for (int i = 0; i <= 2000; i++) {
                    const double t = i / 2000.0;
                    best = std::min(
                        best, std::hypot(s.x + t * (double(e.x) - s.x) - pt.x, s.y + t * (double(e.y) - s.y) - pt.y));
                }
            }
            MgPoint near;
            int seg;
            const float d = mgNearestOnRoundedBox(box, rx, ry, pt, tol, near, seg);
            if (best > tol * 0.999) {
                continue;
            }
            ASSERT_NE(seg, -1);
            ASSERT_LE(d, best + 1e-3 * size);
            ASSERT_GE(d, best - 1e-4 * size - 1e-3);
        }
    }
}

TEST(MgMeetsBox, ChainsAndSplines)
{
    const MgPoint c[4] = { { 0, 0 }, { 0, 10 }, { 10, 10 }, { 10, 0 } };
    EXPECT_TRUE(mgBezierChainMeetsBox(MgBox(4, 6, 6, 9), 4, c, false)); // under the apex at 7.5
    EXPECT_TRUE(mgBezierChainMeetsBox(MgBox(4, 2, 6, 4), 4, c, false)); // a box test: inside the hull
    EXPECT_FALSE(mgBezierChainMeetsBox(MgBox(4, 8, 6, 12), 4, c, false)); // above the apex
    EXPECT_FALSE(mgBezierChainMeetsBox(MgBox(20, 0, 30, 10), 4, c, false));
    // The closing segment of (10,0) back to (0,0) dips below y = 0.
    EXPECT_FALSE(mgBezierChainMeetsBox(MgBox(4, -8, 6, -3), 4, c, false));
    EXPECT_TRUE(mgBezierChainMeetsBox(MgBox(4, -8, 6, -3), 4, c, true));
    EXPECT_FALSE(mgBezierChainMeetsBox(MgBox(4, 2, 6, 4), 3, c, true));

    const MgPoint k[3] = { { 0, 0 }, { 100, 0 }, { 100, 100 } };
    MgVector t[3];
    ASSERT_TRUE(mgSplineTangents(3, k, t));
    EXPECT_TRUE(mgSplineMeetsBox(MgBox(95, 45, 105, 55), 3, k, t, false));
    EXPECT_FALSE(mgSplineMeetsBox(MgBox(200, 200, 300, 300), 3, k, t, true));
    EXPECT_FALSE(mgSplineMeetsBox(MgBox(40, 40, 45, 45), 3, k, t, false));
    EXPECT_TRUE(mgSplineMeetsBox(MgBox(40, 40, 45, 45), 3, k, t, true)); // the closing piece crosses it
}
