#include "geom/mgcurve.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

namespace {

void expectPoint(const MgPoint& p, float x, float y, float eps = 1e-5f)
{
    EXPECT_NEAR(p.x, x, eps);
    EXPECT_NEAR(p.y, y, eps);
}

// Ellipse residual of p: 0 on the ellipse (c, rx, ry).
double ellipseResidual(const MgPoint& p, const MgPoint& c, double rx, double ry)
{
    const double u = (p.x - c.x) / rx, v = (p.y - c.y) / ry;
    return std::sqrt(u * u + v * v) - 1;
}

MgPoint onEllipse(const MgPoint& c, double rx, double ry, double angle)
{
    return { static_cast<float>(c.x + rx * std::cos(angle)), static_cast<float>(c.y + ry * std::sin(angle)) };
}

// Derivatives of a cubic with control points p at t.
MgVector firstDerivative(const MgPoint* p, double t)
{
    const double s = 1 - t;
    const double a = 3 * s * s, b = 6 * t * s, c = 3 * t * t;
    return { static_cast<float>(a * (p[1].x - p[0].x) + b * (p[2].x - p[1].x) + c * (p[3].x - p[2].x)),
        static_cast<float>(a * (p[1].y - p[0].y) + b * (p[2].y - p[1].y) + c * (p[3].y - p[2].y)) };
}

MgVector secondDerivative(const MgPoint* p, double t)
{
    const double s = 1 - t;
    return { static_cast<float>(6 * s * (p[2].x - 2 * p[1].x + p[0].x) + 6 * t * (p[3].x - 2 * p[2].x + p[1].x)),
        static_cast<float>(6 * s * (p[2].y - 2 * p[1].y + p[0].y) + 6 * t * (p[3].y - 2 * p[2].y + p[1].y)) };
}

MgVector thirdDerivative(const MgPoint* p)
{
    return { 6 * (p[3].x - 3 * p[2].x + 3 * p[1].x - p[0].x), 6 * (p[3].y - 3 * p[2].y + 3 * p[1].y - p[0].y) };
}

} // namespace

TEST(MgBezier, PointAtEndsAndSubdivisionHalves)
{
    const MgPoint p[4] = { { 1, 2 }, { 3, 7 }, { 8, -4 }, { 10, 1 } };
    expectPoint(mgBezierPointAt(p, 0), 1, 2);
    expectPoint(mgBezierPointAt(p, 1), 10, 1);
    expectPoint(mgBezierPointAt(p[0], p[1], p[2], p[3], 0.5f), 5.5f, 1.5f);

    MgPoint left[4], right[4];
    const MgPoint mid = mgSubdivideBezier(3, p, 0.5f, left, right);
    expectPoint(mid, 5.5f, 1.5f);
    expectPoint(left[3], mid.x, mid.y, 0);
    expectPoint(right[0], mid.x, mid.y, 0);
    expectPoint(left[0], 1, 2, 0);
    expectPoint(right[3], 10, 1, 0);
    // Each half retraces its part of the curve.
    for (float u : { 0.1f, 0.37f, 0.8f }) {
        const MgPoint l = mgBezierPointAt(left, u), r = mgBezierPointAt(right, u);
        const MgPoint el = mgBezierPointAt(p, u / 2), er = mgBezierPointAt(p, 0.5f + u / 2);
        expectPoint(l, el.x, el.y);
        expectPoint(r, er.x, er.y);
    }
}

TEST(MgBezier, SubdivideOtherDegreesAndBadInput)
{
    const MgPoint line[2] = { { 0, 0 }, { 4, 8 } };
    expectPoint(mgSubdivideBezier(1, line, 0.25f), 1, 2);

    // Degree 5 with control points on a line at x = k/5 stays a linear parameterisation in x.
    MgPoint quintic[6];
    for (int k = 0; k < 6; k++)
        quintic[k] = { k / 5.f, static_cast<float>(k * k) };
    MgPoint left[6], right[6];
    const MgPoint at = mgSubdivideBezier(5, quintic, 0.3f, left, right);
    EXPECT_NEAR(at.x, 0.3f, 1e-6);
    expectPoint(left[5], at.x, at.y, 0);
    expectPoint(right[0], at.x, at.y, 0);
    expectPoint(right[5], 1, 25, 0);

    expectPoint(mgSubdivideBezier(6, quintic, 0.5f, left), 0, 0, 0);
    expectPoint(mgSubdivideBezier(0, quintic, 0.5f), 0, 0, 0);
    expectPoint(mgSubdivideBezier(3, nullptr, 0.5f), 0, 0, 0);
}

TEST(MgEllipse, ControlPointsAndRoundedBox)
{
    MgPoint e[13];
    mgEllipseControlPoints(MgPoint(10, 20), 4, 2, e);
    expectPoint(e[0], 14, 20);
    expectPoint(e[1], 14, 20 + 2 * kMgBezierEllipseFactor);
    expectPoint(e[3], 10, 22);
    expectPoint(e[6], 6, 20);
    expectPoint(e[9], 10, 18);
    expectPoint(e[12], 14, 20, 0);
    // Each quarter's midpoint lies on the ellipse within the known 0.03 % error of the factor.
    for (int q = 0; q < 4; q++)
        EXPECT_NEAR(ellipseResidual(mgBezierPointAt(e + 3 * q, 0.5f), MgPoint(10, 20), 4, 2), 0, 3e-4);

    MgPoint r[16];
    mgRoundedBoxControlPoints(MgBox(0, 0, 10, 6), 0, 0, r);
    const MgPoint corners[4] = { { 10, 6 }, { 0, 6 }, { 0, 0 }, { 10, 0 } };
    for (int q = 0; q < 4; q++)
        for (int i = 0; i < 4; i++) {
            SCOPED_TRACE(4 * q + i);
            expectPoint(r[4 * q + i], corners[q].x, corners[q].y);
        }

    // Radii beyond half the size are limited: the arcs meet at the middles of the sides.
    mgRoundedBoxControlPoints(MgBox(0, 0, 10, 6), 8, 1, r);
    expectPoint(r[3], 5, 6);
    expectPoint(r[4], 5, 6);
    expectPoint(r[11], 5, 0);
    expectPoint(r[12], 5, 0);
    expectPoint(r[0], 10, 5);
    expectPoint(r[15], 10, 1);

    // Arc 0 rounds the right-top corner of an ordinary box; a negative radius counts as its size.
    mgRoundedBoxControlPoints(MgBox(0, 0, 10, 6), -2, 1, r);
    expectPoint(r[0], 10, 5);
    expectPoint(r[3], 8, 6);
    expectPoint(r[7], 0, 5);
    expectPoint(r[8], 0, 1);
    expectPoint(r[11], 8 - 6, 0);
}

struct ArcCase {
    const char* name;
    float start, sweep;
    int count;
};

TEST(MgArc, PointCountsAndEnds)
{
    const MgPoint c(3, -2);
    const ArcCase cases[] = {
        { "quarter", 0.3f, kMgHalfPi, 4 },
        { "small negative", 1.f, -0.5f, 4 },
        { "full turn from 0", 0, kMg2Pi, 13 },
        { "full turn off axis", 0.1f, kMg2Pi, 16 },
        { "limited to a full turn", 0.1f, 10, 16 },
        { "three quarters backward", 2.f, -3 * kMgHalfPi, 13 },
        { "half from a quadrant start", kMgHalfPi - 1e-6f, kMgPi, 7 },
        { "negative start", -4.f, 2.5f, 10 },
        { "quadrant aligned", kMgPi, -kMgPi, 7 },
    };
    for (const ArcCase& k : cases) {
        SCOPED_TRACE(k.name);
        MgPoint pts[16];
        const int n = mgArcControlPoints(c, 5, 3, k.start, k.sweep, pts);
        EXPECT_EQ(n, k.count);
        ASSERT_GE(n, 4);
        const float sweep = std::fmax(-kMg2Pi, std::fmin(kMg2Pi, k.sweep));
        const MgPoint s = onEllipse(c, 5, 3, k.start), e = onEllipse(c, 5, 3, k.start + sweep);
        expectPoint(pts[0], s.x, s.y, 1e-4f);
        expectPoint(pts[n - 1], e.x, e.y, 1e-4f);
    }

    MgPoint full[16], ell[13];
    ASSERT_EQ(mgArcControlPoints(c, 5, 3, 0, kMg2Pi, full), 13);
    mgEllipseControlPoints(c, 5, 3, ell);
    for (int i = 0; i < 13; i++) {
        SCOPED_TRACE(i);
        expectPoint(full[i], ell[i].x, ell[i].y, 1e-4f);
    }

    MgPoint pts[16];
    EXPECT_EQ(mgArcControlPoints(c, 0, 3, 0, 1, pts), 0);
    EXPECT_EQ(mgArcControlPoints(c, 5, 3, 0, 5e-6f, pts), 0);
    EXPECT_EQ(mgArcControlPoints(c, 5, 3, 0, std::nanf(""), pts), 0);
    // A zero ry draws a circle.
    ASSERT_EQ(mgArcControlPoints(c, 5, 0, 0, kMgHalfPi, pts), 4);
    expectPoint(pts[3], 3, 3, 1e-4f);
}

// Arc chains of random ellipses, starts and sweeps begin at the start angle, end at start + sweep,
// are continuous and stay on the ellipse in between.
TEST(MgArc, RandomChainsFollowTheEllipse)
{
    std::mt19937 rng(20261207);
    std::uniform_real_distribution<float> radius(0.5f, 400), angle(-10, 10), sweep(-7, 7), coord(-500, 500);
    for (int iter = 0; iter < 400; iter++) {
        const MgPoint c(coord(rng), coord(rng));
        const float rx = radius(rng), ry = radius(rng), a = angle(rng), s = sweep(rng);
        SCOPED_TRACE(
            ::testing::Message() << "iter " << iter << " rx " << rx << " ry " << ry << " a " << a << " s " << s);
        MgPoint pts[16];
        const int n = mgArcControlPoints(c, rx, ry, a, s, pts);
        ASSERT_TRUE(n >= 4 && n <= 16 && (n - 1) % 3 == 0) << n;
        const double size = std::max(rx, ry);
        const double clamped = std::clamp(static_cast<double>(s), -2 * M_PI, 2 * M_PI);
        const MgPoint s0 = onEllipse(c, rx, ry, a), s1 = onEllipse(c, rx, ry, a + clamped);
        EXPECT_LT(pts[0].distance(s0), 1e-4 * size + 1e-4);
        EXPECT_LT(pts[n - 1].distance(s1), 1e-4 * size + 1e-4);
        for (int p = 0; p + 3 < n; p += 3)
            for (int i = 1; i < 8; i++) {
                const MgPoint q = mgBezierPointAt(pts + p, i / 8.f);
                ASSERT_LT(std::fabs(ellipseResidual(q, c, rx, ry)), 1e-3) << "segment " << p / 3;
            }
    }
}

TEST(MgArc, PieceOfZeroSweepIsItsStartPoint)
{
    MgPoint pts[4];
    mgArcPieceControlPoints(MgPoint(1, 1), 2, 1, kMgHalfPi, 0, pts);
    for (const MgPoint& p : pts)
        expectPoint(p, 1, 2);
}

TEST(MgSolver, Tridiagonal)
{
    // [2 1 0; 1 3 1; 0 1 2] x = rhs for x = (1, -1), (2, 0), (3, 5)
    float a[3] = { 1, 1, 0 }, b[3] = { 2, 3, 2 }, c[3] = { 1, 1, 0 };
    MgPoint x[3] = { { 2 * 1 + 2, 2 * -1 + 0 }, { 1 + 6 + 3, -1 + 0 + 5 }, { 2 + 6, 0 + 10 } };
    ASSERT_TRUE(mgSolveTridiagonal(3, a, b, c, x));
    expectPoint(x[0], 1, -1);
    expectPoint(x[1], 2, 0);
    expectPoint(x[2], 3, 5);

    float b0[3] = { 0, 3, 2 };
    EXPECT_FALSE(mgSolveTridiagonal(3, a, b0, c, x));
    float bs[2] = { 1, 1 }, as[2] = { 1, 0 }, cs[2] = { 1, 0 }; // [1 1; 1 1] is singular
    EXPECT_FALSE(mgSolveTridiagonal(2, as, bs, cs, x));
    EXPECT_FALSE(mgSolveTridiagonal(1, a, b, c, x));
    EXPECT_FALSE(mgSolveTridiagonal(3, nullptr, b, c, x));
}

TEST(MgSolver, DensePivotsAndRejectsSingular)
{
    // A zero in the first pivot position needs a row swap.
    float A[9] = { 0, 2, 1, 1, 1, 1, 2, 0, 3 };
    const MgPoint sol[3] = { { 1, 2 }, { -1, 0 }, { 3, 1 } };
    MgPoint x[3];
    const float M[9] = { 0, 2, 1, 1, 1, 1, 2, 0, 3 };
    for (int r = 0; r < 3; r++) {
        x[r] = { 0, 0 };
        for (int s = 0; s < 3; s++) {
            x[r].x += M[3 * r + s] * sol[s].x;
            x[r].y += M[3 * r + s] * sol[s].y;
        }
    }
    ASSERT_TRUE(mgSolveDense(3, A, x));
    for (int i = 0; i < 3; i++)
        expectPoint(x[i], sol[i].x, sol[i].y);

    float zeroColumn[9] = { 1, 0, 2, 3, 0, 1, 4, 0, 5 };
    MgPoint y[3] = { { 1, 1 }, { 2, 2 }, { 3, 3 } };
    EXPECT_FALSE(mgSolveDense(3, zeroColumn, y));
    EXPECT_FALSE(mgSolveDense(1, A, y));
    EXPECT_FALSE(mgSolveDense(3, nullptr, y));
}

TEST(MgSpline, TwoKnotsNaturalIsAStraightLine)
{
    const MgPoint k[2] = { { 0, 0 }, { 3, 0 } };
    MgVector t[2];
    ASSERT_TRUE(mgSplineTangents(2, k, t));
    EXPECT_NEAR(t[0].x, 3, 1e-6);
    EXPECT_NEAR(t[0].y, 0, 1e-6);
    EXPECT_NEAR(t[1].x, 3, 1e-6);
    EXPECT_NEAR(t[1].y, 0, 1e-6);

    EXPECT_FALSE(mgSplineTangents(2, k, t, MG_SPLINE_START_PARABOLIC | MG_SPLINE_END_PARABOLIC));
    ASSERT_TRUE(mgSplineTangents(2, k, t, 0, 2));
    EXPECT_NEAR(t[0].x, 6, 1e-6);
    EXPECT_FALSE(mgSplineTangents(1, k, t));
    EXPECT_FALSE(mgSplineTangents(2, nullptr, t));
}

struct SplineCase {
    const char* name;
    int flags;
};

// Random knots under every end condition: the chain passes through every knot with continuous
// first and second derivatives, and the ends obey their condition.
TEST(MgSpline, RandomSplinesAreSmoothAndKeepTheirEndConditions)
{
    const SplineCase cases[] = {
        { "natural", 0 },
        { "parabolic", MG_SPLINE_START_PARABOLIC | MG_SPLINE_END_PARABOLIC },
        { "given", MG_SPLINE_START_GIVEN | MG_SPLINE_END_GIVEN },
        { "given start, parabolic end", MG_SPLINE_START_GIVEN | MG_SPLINE_END_PARABOLIC },
        { "closed", MG_SPLINE_CLOSED },
    };
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> coord(-300, 300);
    std::uniform_int_distribution<int> count(2, 40);
    for (const SplineCase& sc : cases) {
        SCOPED_TRACE(sc.name);
        const bool closed = sc.flags & MG_SPLINE_CLOSED;
        for (int iter = 0; iter < 100; iter++) {
            // Two knots with both ends parabolic leave the quadratic undetermined.
            const bool bothParabolic = (sc.flags & MG_SPLINE_START_PARABOLIC) && (sc.flags & MG_SPLINE_END_PARABOLIC);
            const int n = count(rng) + (closed || bothParabolic ? 1 : 0);
            std::vector<MgPoint> k(n);
            std::vector<MgVector> t(n);
            for (auto& p : k)
                p = { coord(rng), coord(rng) };
            const MgVector t0(coord(rng), coord(rng)), t1(coord(rng), coord(rng));
            t[0] = t0;
            t[n - 1] = t1;
            ASSERT_TRUE(mgSplineTangents(n, k.data(), t.data(), sc.flags));

            const int segments = closed ? n : n - 1;
            std::vector<MgPoint> ctl(4 * segments);
            for (int i = 0; i < segments; i++)
                ASSERT_TRUE(mgSplineSegmentControlPoints(n, k.data(), t.data(), i, &ctl[4 * i]));
            const double scale = 600; // second derivatives are of the order of the coordinates
            for (int i = 0; i < segments; i++) {
                const MgPoint* seg = &ctl[4 * i];
                EXPECT_EQ(seg[0], k[i]);
                EXPECT_EQ(seg[3], k[(i + 1) % n]);
                if (i + 1 < segments || closed) {
                    const MgPoint* next = &ctl[4 * ((i + 1) % segments)];
                    const MgVector d1 = firstDerivative(seg, 1), e1 = firstDerivative(next, 0);
                    const MgVector d2 = secondDerivative(seg, 1), e2 = secondDerivative(next, 0);
                    ASSERT_LT((d1 - e1).length(), 1e-4 * scale) << "knot " << i + 1;
                    ASSERT_LT((d2 - e2).length(), 1e-3 * scale) << "knot " << i + 1;
                }
            }
            if (closed)
                continue;
            const MgPoint* first = &ctl[0];
            const MgPoint* last = &ctl[4 * (segments - 1)];
            if (sc.flags & MG_SPLINE_START_GIVEN)
                EXPECT_LT((t[0] - t0).length(), 1e-4);
            else if (sc.flags & MG_SPLINE_START_PARABOLIC)
                EXPECT_LT(thirdDerivative(first).length(), 1e-3 * scale);
            else
                EXPECT_LT(secondDerivative(first, 0).length(), 1e-3 * scale);
            if (sc.flags & MG_SPLINE_END_GIVEN)
                EXPECT_LT((t[n - 1] - t1).length(), 1e-4);
            else if (sc.flags & MG_SPLINE_END_PARABOLIC)
                EXPECT_LT(thirdDerivative(last).length(), 1e-3 * scale);
            else
                EXPECT_LT(secondDerivative(last, 1).length(), 1e-3 * scale);
        }
    }
}

TEST(MgSpline, LargeClosedSplineIsSolvedAsOpen)
{
    const int n = kMgSplineDenseLimit + 88;
    std::vector<MgPoint> k(n);
    for (int i = 0; i < n; i++)
        k[i] = onEllipse(MgPoint(), 100, 60, 2 * M_PI * i / n);
    std::vector<MgVector> closed(n), open(n);
    ASSERT_TRUE(mgSplineTangents(n, k.data(), closed.data(), MG_SPLINE_CLOSED));
    ASSERT_TRUE(mgSplineTangents(n, k.data(), open.data(), 0));
    for (int i = 0; i < n; i++)
        ASSERT_EQ(closed[i].x, open[i].x) << i;

    // Up to the limit the closed system is periodic: symmetric knots give symmetric tangents.
    const int m = kMgSplineDenseLimit;
    std::vector<MgPoint> c(m);
    std::vector<MgVector> ct(m);
    for (int i = 0; i < m; i++)
        c[i] = onEllipse(MgPoint(), 100, 100, 2 * M_PI * i / m);
    ASSERT_TRUE(mgSplineTangents(m, c.data(), ct.data(), MG_SPLINE_CLOSED));
    const float len = static_cast<float>(2 * M_PI * 100 / m);
    for (int i = 0; i < m; i += 37)
        EXPECT_NEAR(ct[i].length(), len, 1e-3 * len) << i;
}

TEST(MgChainBox, CoversTheCurveAndTheClosingSegment)
{
    const MgPoint p[7] = { { 0, 0 }, { 0, 10 }, { 10, 10 }, { 10, 0 }, { 10, -10 }, { 20, -10 }, { 20, 0 } };
    const MgBox box = mgBezierChainBox(7, p, false);
    EXPECT_NEAR(box.xmin, 0, 1e-5);
    EXPECT_NEAR(box.xmax, 20, 1e-5);
    EXPECT_NEAR(box.ymax, 7.5, 0.05); // the curve's peak, not the control point
    EXPECT_NEAR(box.ymin, -7.5, 0.05);

    // The closing segment of (0,0)..(3,0) runs through negative y below the chain.
    const MgPoint q[4] = { { 0, 0 }, { 1, 1 }, { 2, 1 }, { 3, 0 } };
    EXPECT_GT(mgBezierChainBox(4, q, false).ymin, -1e-4);
    EXPECT_LT(mgBezierChainBox(4, q, true).ymin, -0.5);

    EXPECT_TRUE(mgBezierChainBox(3, p, true).isAllZero());
    EXPECT_TRUE(mgBezierChainBox(7, nullptr, false).isAllZero());

    // A closed spline's box covers its closing piece too; sampled densely it matches.
    const MgPoint k[4] = { { 0, 0 }, { 10, 0 }, { 10, 10 }, { 0, 10 } };
    MgVector t[4];
    ASSERT_TRUE(mgSplineTangents(4, k, t, MG_SPLINE_CLOSED));
    for (bool closed : { false, true }) {
        SCOPED_TRACE(closed ? "closed" : "open");
        MgBox sampled(k[0], k[0]);
        MgPoint ctl[4];
        for (int i = 0; i < (closed ? 4 : 3); i++) {
            ASSERT_TRUE(mgSplineSegmentControlPoints(4, k, t, i, ctl));
            for (int j = 0; j <= 256; j++)
                sampled.extend(mgBezierPointAt(ctl, j / 256.f));
        }
        const MgBox box = mgSplineChainBox(4, k, t, closed);
        EXPECT_NEAR(box.xmin, sampled.xmin, 0.05);
        EXPECT_NEAR(box.ymin, sampled.ymin, 0.05);
        EXPECT_NEAR(box.xmax, sampled.xmax, 0.05);
        EXPECT_NEAR(box.ymax, sampled.ymax, 0.05);
    }
    // The closing piece from (0, 10) back to (0, 0) bulges left.
    EXPECT_LT(mgSplineChainBox(4, k, t, true).xmin, mgSplineChainBox(4, k, t, false).xmin - 0.5f);
}
