#include "geom/mgnearest.h"

#include "geom/mgcurve.h"

#include <algorithm>
#include <cmath>

namespace {

MgBox pickBox(const MgPoint& pt, float tol) noexcept { return MgBox().fromCenter(pt, 2 * tol, 2 * tol); }

/// The best answer of a search within tol: the nearest offer, the first one on a tie. Starts
/// with nothing found (kMgMaxFloat, segment -1) and writes the caller's outputs as it goes.
class NearestSearch {
public:
    NearestSearch(float tol, MgPoint& nearest, int& segment) noexcept
        : m_tol(tol)
        , m_nearest(nearest)
        , m_segment(segment)
    {
        m_segment = -1;
    }

    /// Takes pt at distance d on piece seg when it lies within tol and nearer than the best so far.
    void offer(float d, const MgPoint& pt, int seg) noexcept
    {
        if (d <= m_tol && d < m_best) {
            m_best = d;
            m_nearest = pt;
            m_segment = seg;
        }
    }
    [[nodiscard]] float best() const noexcept { return m_best; }

private:
    float m_tol;
    float m_best = kMgMaxFloat;
    MgPoint& m_nearest;
    int& m_segment;
};

double distanceSq(double ax, double ay, double bx, double by) noexcept
{
    return (ax - bx) * (ax - bx) + (ay - by) * (ay - by);
}

} // namespace

float mgPerpendicularFoot(const MgPoint& a, const MgPoint& b, const MgPoint& pt, MgPoint& foot) noexcept
{
    if (a.equals(b)) {
        foot = a;
        return pt.distance(a);
    }
    if (mgNearZero(a.x - b.x)) {
        foot.set(a.x, pt.y);
        return std::fabs(a.x - pt.x);
    }
    if (mgNearZero(a.y - b.y)) {
        foot.set(pt.x, a.y);
        return std::fabs(a.y - pt.y);
    }
    // The projection onto ab in double; the slope form loses the foot in float on steep lines.
    const double dx = static_cast<double>(b.x) - a.x, dy = static_cast<double>(b.y) - a.y;
    const double t
        = ((pt.x - static_cast<double>(a.x)) * dx + (pt.y - static_cast<double>(a.y)) * dy) / (dx * dx + dy * dy);
    const double fx = a.x + t * dx, fy = a.y + t * dy;
    foot.set(static_cast<float>(fx), static_cast<float>(fy));
    return static_cast<float>(std::sqrt(distanceSq(fx, fy, pt.x, pt.y)));
}

bool mgWithinSpan(const MgPoint& a, const MgPoint& b, const MgPoint& q, MgPoint* nearerEnd) noexcept
{
    // Test the coordinate in which the segment extends further: for a nearly vertical segment the
    // foot keeps a.x, and only y tells whether it lies beyond an end.
    const bool onY = std::fabs(b.x - a.x) < std::fabs(b.y - a.y);
    const float va = onY ? a.y : a.x, vb = onY ? b.y : b.x, vq = onY ? q.y : q.x;
    if (nearerEnd)
        *nearerEnd = std::fabs(vq - vb) > std::fabs(vq - va) ? a : b;
    return std::min(va, vb) <= vq && vq <= std::max(va, vb);
}

float mgNearestOnSegment(const MgPoint& a, const MgPoint& b, const MgPoint& pt, MgPoint& nearest) noexcept
{
    float d = mgPerpendicularFoot(a, b, pt, nearest);
    MgPoint end;
    if (!mgWithinSpan(a, b, nearest, &end)) {
        nearest = end;
        d = pt.distance(nearest);
    }
    return d;
}

float mgNearestOnPolyline(
    int n, const MgPoint* pts, bool closed, const MgPoint& pt, float tol, MgPoint& nearest, int& segment) noexcept
{
    NearestSearch search(tol, nearest, segment);
    if (!pts || n < 1)
        return search.best();
    const MgBox pick = pickBox(pt, tol);
    const int segments = closed && n > 1 ? n : n - 1;
    MgPoint near;
    for (int i = 0; i < segments; i++) {
        const MgPoint& a = pts[i];
        const MgPoint& b = pts[(i + 1) % n];
        if (MgBox(a, b).overlaps(pick))
            search.offer(mgNearestOnSegment(a, b, pt, near), near, i);
    }
    return search.best();
}

// ---- Nearest point on a cubic ----
//
// The squared distance |B(t) - pt|^2 is stationary where (B(t) - pt) . B'(t) = 0, a quintic whose
// Bezier form (control points (k/5, w_k)) is built directly from the cubic's control points. Its
// roots are isolated by recursive subdivision, counting the sign changes of the control polygon,
// and each root found on a flat enough polygon is polished by Newton steps on the same function.
// Candidates are t = 0, the roots and t = 1. All of it runs in double: the quintic's values are
// products of coordinates and lose the root in float.

namespace {

struct Pt2 {
    double x, y;
};

constexpr int kMaxDepth = 64;
constexpr double kFlatEnough = 1e-7;
constexpr int kMaxRoots = 5; // a quintic has at most five, and subdivision never adds sign changes

int signChanges(const Pt2 w[6]) noexcept
{
    int changes = 0;
    bool neg = w[0].y < 0;
    for (int i = 1; i < 6; i++) {
        const bool n = w[i].y < 0;
        if (n != neg)
            changes++;
        neg = n;
    }
    return changes;
}

// The control polygon lies between the two lines parallel to the chord w0-w5 through its extreme
// inner points, so the root lies between where those lines cross y = 0. The polygon is flat enough
// when half that interval, measured in t, is below kFlatEnough. The offsets are taken as plain
// values of the chord's line equation: weighing them as squared distances, as the published
// method does, compares quantities of different units, and with the large y values of real
// coordinates it accepts polygons that are still visibly curved.
bool flatEnough(const Pt2 w[6]) noexcept
{
    const double A = w[0].y - w[5].y;
    const double B = w[5].x - w[0].x;
    const double C = w[0].x * w[5].y - w[5].x * w[0].y;
    double up = 0, down = 0;
    for (int i = 1; i < 5; i++) {
        const double v = A * w[i].x + B * w[i].y + C;
        up = std::max(up, v);
        down = std::min(down, v);
    }
    const double x1 = (C + up) / -A;
    const double x2 = (C + down) / -A;
    return 0.5 * std::fabs(x1 - x2) < kFlatEnough;
}

// Where the chord from w0 to w5 crosses y = 0.
double chordRoot(const Pt2 w[6]) noexcept
{
    const double dx = w[5].x - w[0].x, dy = w[5].y - w[0].y;
    return w[0].x - w[0].y * dx / dy;
}

void splitHalf(const Pt2 w[6], Pt2 left[6], Pt2 right[6]) noexcept
{
    Pt2 v[6][6];
    for (int i = 0; i < 6; i++)
        v[0][i] = w[i];
    for (int j = 1; j < 6; j++)
        for (int i = 0; i < 6 - j; i++)
            v[j][i] = { 0.5 * (v[j - 1][i].x + v[j - 1][i + 1].x), 0.5 * (v[j - 1][i].y + v[j - 1][i + 1].y) };
    for (int i = 0; i < 6; i++) {
        left[i] = v[i][0];
        right[i] = v[5 - i][i];
    }
}

void findRoots(const Pt2 w[6], int depth, double* roots, int& count) noexcept
{
    const int changes = signChanges(w);
    if (changes == 0 || count >= kMaxRoots)
        return;
    if (depth >= kMaxDepth) {
        // The interval cannot shrink further in double; several changes here are one root.
        roots[count++] = (w[0].x + w[5].x) / 2;
        return;
    }
    if (changes == 1 && w[0].y != w[5].y && flatEnough(w)) {
        roots[count++] = std::clamp(chordRoot(w), w[0].x, w[5].x);
        return;
    }
    Pt2 left[6], right[6];
    splitHalf(w, left, right);
    findRoots(left, depth + 1, roots, count);
    findRoots(right, depth + 1, roots, count);
}

struct Cubic {
    Pt2 p[4];

    [[nodiscard]] Pt2 at(double t) const noexcept
    {
        const double s = 1 - t;
        const double a = s * s * s, b = 3 * t * s * s, c = 3 * t * t * s, d = t * t * t;
        return { a * p[0].x + b * p[1].x + c * p[2].x + d * p[3].x, a * p[0].y + b * p[1].y + c * p[2].y + d * p[3].y };
    }
    [[nodiscard]] Pt2 d1(double t) const noexcept
    {
        const double s = 1 - t;
        const double a = 3 * s * s, b = 6 * t * s, c = 3 * t * t;
        return { a * (p[1].x - p[0].x) + b * (p[2].x - p[1].x) + c * (p[3].x - p[2].x),
            a * (p[1].y - p[0].y) + b * (p[2].y - p[1].y) + c * (p[3].y - p[2].y) };
    }
    [[nodiscard]] Pt2 d2(double t) const noexcept
    {
        const double s = 1 - t;
        return { 6 * s * (p[2].x - 2 * p[1].x + p[0].x) + 6 * t * (p[3].x - 2 * p[2].x + p[1].x),
            6 * s * (p[2].y - 2 * p[1].y + p[0].y) + 6 * t * (p[3].y - 2 * p[2].y + p[1].y) };
    }
    [[nodiscard]] double distSq(double t, const Pt2& q) const noexcept
    {
        const Pt2 b = at(t);
        return distanceSq(b.x, b.y, q.x, q.y);
    }
};

// Newton steps on f(t) = (B(t) - q) . B'(t), clamped to [0, 1]; answers the better of the start
// and the polished parameter, so a step toward a distance maximum can never make things worse.
double polishRoot(const Cubic& c, const Pt2& q, double t0) noexcept
{
    double t = t0;
    for (int i = 0; i < 8; i++) {
        const Pt2 b = c.at(t), d1 = c.d1(t), d2 = c.d2(t);
        const double ex = b.x - q.x, ey = b.y - q.y;
        const double f = ex * d1.x + ey * d1.y;
        const double df = d1.x * d1.x + d1.y * d1.y + ex * d2.x + ey * d2.y;
        if (!(df > 0))
            break;
        const double next = std::clamp(t - f / df, 0.0, 1.0);
        const double step = std::fabs(next - t);
        t = next;
        if (step < 1e-12)
            break;
    }
    return c.distSq(t, q) < c.distSq(t0, q) ? t : t0;
}

} // namespace

float mgNearestOnBezier(const MgPoint& pt, const MgPoint* pts, MgPoint& nearest) noexcept
{
    if (!pts) {
        nearest = pt;
        return kMgMaxFloat;
    }
    const Pt2 q = { pt.x, pt.y };
    Cubic cubic;
    for (int i = 0; i < 4; i++)
        cubic.p[i] = { pts[i].x, pts[i].y };

    // Bezier form of (B(t) - q) . B'(t).
    Pt2 c[4], d[3];
    for (int i = 0; i < 4; i++)
        c[i] = { cubic.p[i].x - q.x, cubic.p[i].y - q.y };
    for (int i = 0; i < 3; i++)
        d[i] = { 3 * (cubic.p[i + 1].x - cubic.p[i].x), 3 * (cubic.p[i + 1].y - cubic.p[i].y) };
    static constexpr double z[3][4] = { { 1.0, 0.6, 0.3, 0.1 }, { 0.4, 0.6, 0.6, 0.4 }, { 0.1, 0.3, 0.6, 1.0 } };
    Pt2 w[6];
    for (int k = 0; k < 6; k++) {
        w[k] = { k / 5.0, 0.0 };
        for (int i = std::max(0, k - 2); i <= std::min(k, 3); i++) {
            const int j = k - i;
            w[k].y += (d[j].x * c[i].x + d[j].y * c[i].y) * z[j][i];
        }
    }

    double roots[kMaxRoots];
    int rootCount = 0;
    findRoots(w, 0, roots, rootCount);

    double bestT = 0;
    double bestSq = cubic.distSq(0, q);
    auto consider = [&](double t) {
        const double dsq = cubic.distSq(t, q);
        if (dsq < bestSq) {
            bestSq = dsq;
            bestT = t;
        }
    };
    for (int i = 0; i < rootCount; i++)
        consider(polishRoot(cubic, q, roots[i]));
    consider(1);

    if (bestT <= 0)
        nearest = pts[0];
    else if (bestT >= 1)
        nearest = pts[3];
    else {
        const Pt2 b = cubic.at(bestT);
        nearest.set(static_cast<float>(b.x), static_cast<float>(b.y));
    }
    return pt.distance(nearest);
}

float mgNearestOnSpline(int n, const MgPoint* knots, const MgVector* tangents, bool closed, const MgPoint& pt,
    float tol, MgPoint& nearest, int& segment) noexcept
{
    NearestSearch search(tol, nearest, segment);
    if (!knots || !tangents || n < 1)
        return search.best();
    const MgBox pick = pickBox(pt, tol);
    const int segments = closed && n > 1 ? n : n - 1;
    MgPoint ctl[4], near;
    for (int i = 0; i < segments; i++) {
        if (mgSplineSegmentControlPoints(n, knots, tangents, i, ctl) && mgBezierChainBox(4, ctl, false).overlaps(pick))
            search.offer(mgNearestOnBezier(pt, ctl, near), near, i);
    }
    return search.best();
}

float mgNearestOnBezierChain(
    int n, const MgPoint* pts, const MgPoint& pt, float tol, MgPoint& nearest, int& segment) noexcept
{
    NearestSearch search(tol, nearest, segment);
    if (!pts)
        return search.best();
    const MgBox pick = pickBox(pt, tol);
    MgPoint near;
    for (int i = 0; 3 * i + 3 < n; i++) {
        const MgPoint* ctl = pts + 3 * i;
        if (MgBox().fromPoints(4, ctl).overlaps(pick))
            search.offer(mgNearestOnBezier(pt, ctl, near), near, i);
    }
    return search.best();
}

float mgNearestOnRoundedBox(
    const MgBox& rect, float rx, float ry, const MgPoint& pt, float tol, MgPoint& nearest, int& segment) noexcept
{
    const MgBox box = MgBox(rect).orderCorners();
    rx = std::fabs(rx);
    if (ry < kMgZero)
        ry = rx;
    rx = std::min(rx, box.width() / 2);
    ry = std::min(ry, box.height() / 2);

    NearestSearch search(tol, nearest, segment);
    const MgBox pick = pickBox(pt, tol);
    MgPoint near;

    // Straight edges 4..7 (top, right, bottom, left), each shortened by the corner radii.
    for (int i = 0; i < 4; i++) {
        const MgPoint h1 = box.handle(i), h2 = box.handle((i + 1) % 4);
        const float r = i % 2 == 0 ? rx : ry;
        const MgPoint a = h1.pointToward(h2, r, 0);
        const MgPoint b = h2.pointToward(h1, r, 0);
        if (MgBox(a, b).overlaps(pick))
            search.offer(mgNearestOnSegment(a, b, pt, near), near, 4 + i);
    }

    if (rx > kMgZero && ry > kMgZero) {
        MgPoint ell[13];
        mgEllipseControlPoints(box.midpoint(), rx, ry, ell);
        const float dx = box.width() / 2 - rx, dy = box.height() / 2 - ry;
        const float sx[4] = { dx, -dx, -dx, dx };
        const float sy[4] = { dy, dy, -dy, -dy };
        for (int q = 0; q < 4; q++) {
            MgPoint arc[4];
            for (int i = 0; i < 4; i++)
                arc[i] = { ell[3 * q + i].x + sx[q], ell[3 * q + i].y + sy[q] };
            if (MgBox().fromPoints(4, arc).overlaps(pick))
                search.offer(mgNearestOnBezier(pt, arc, near), near, (5 - q) % 4);
        }
    }
    return search.best();
}

namespace {

bool segmentMeetsBox(
    const MgBox& box, const MgPoint& p0, const MgPoint& p1, const MgPoint& p2, const MgPoint& p3) noexcept
{
    MgPoint s[33];
    s[0] = p0;
    for (int i = 1; i < 32; i++)
        s[i] = mgBezierPointAt(p0, p1, p2, p3, static_cast<float>(i) / 32);
    s[32] = p3;
    return box.overlaps(MgBox().fromPoints(33, s));
}

} // namespace

bool mgBezierChainMeetsBox(const MgBox& box, int n, const MgPoint* pts, bool closed) noexcept
{
    if (!pts)
        return false;
    for (int p = 0; p + 3 < n; p += 3)
        if (segmentMeetsBox(box, pts[p], pts[p + 1], pts[p + 2], pts[p + 3]))
            return true;
    if (closed && n > 3) {
        const MgPoint& last = pts[n - 1];
        return segmentMeetsBox(box, last, last + (last - pts[n - 2]), pts[0] + (pts[0] - pts[1]), pts[0]);
    }
    return false;
}

bool mgSplineMeetsBox(const MgBox& box, int n, const MgPoint* knots, const MgVector* tangents, bool closed) noexcept
{
    if (!knots || !tangents)
        return false;
    const int segments = closed && n > 1 ? n : n - 1;
    MgPoint ctl[4];
    for (int i = 0; i < segments; i++)
        if (mgSplineSegmentControlPoints(n, knots, tangents, i, ctl) && mgBezierChainMeetsBox(box, 4, ctl, false))
            return true;
    return false;
}
