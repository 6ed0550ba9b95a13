#include "geom/mgcurve.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <vector>

namespace {

// Coordinates are combined in double and stored as float: the cubic weights and the de
// Casteljau blends lose several digits in float at coordinates of a few thousand.
MgPoint lerp(const MgPoint& a, const MgPoint& b, double t) noexcept
{
    const double s = 1.0 - t;
    return { static_cast<float>(s * a.x + t * b.x), static_cast<float>(s * a.y + t * b.y) };
}

MgPoint place(double x, double y) noexcept { return { static_cast<float>(x), static_cast<float>(y) }; }

} // namespace

MgPoint mgBezierPointAt(const MgPoint& p0, const MgPoint& p1, const MgPoint& p2, const MgPoint& p3, float t) noexcept
{
    const double u = t;
    const double s = 1.0 - u;
    const double w0 = s * s * s, w1 = 3 * u * s * s, w2 = 3 * u * u * s, w3 = u * u * u;
    return place(w0 * p0.x + w1 * p1.x + w2 * p2.x + w3 * p3.x, w0 * p0.y + w1 * p1.y + w2 * p2.y + w3 * p3.y);
}

MgPoint mgBezierPointAt(const MgPoint* pts, float t) noexcept
{
    return pts ? mgBezierPointAt(pts[0], pts[1], pts[2], pts[3], t) : MgPoint();
}

MgPoint mgSubdivideBezier(int degree, const MgPoint* pts, float t, MgPoint* left, MgPoint* right) noexcept
{
    if (!pts || degree < 1 || degree > 5)
        return {};
    MgPoint v[6][6];
    for (int i = 0; i <= degree; i++)
        v[0][i] = pts[i];
    for (int j = 1; j <= degree; j++)
        for (int i = 0; i <= degree - j; i++)
            v[j][i] = lerp(v[j - 1][i], v[j - 1][i + 1], t);
    if (left)
        for (int i = 0; i <= degree; i++)
            left[i] = v[i][0];
    if (right)
        for (int i = 0; i <= degree; i++)
            right[i] = v[degree - i][i];
    return v[degree][0];
}

void mgEllipseControlPoints(const MgPoint& c, float rx, float ry, MgPoint pts[13]) noexcept
{
    const float k = kMgBezierEllipseFactor;
    const float kx = k * rx, ky = k * ry;
    pts[0] = { c.x + rx, c.y };
    pts[1] = { c.x + rx, c.y + ky };
    pts[2] = { c.x + kx, c.y + ry };
    pts[3] = { c.x, c.y + ry };
    pts[4] = { c.x - kx, c.y + ry };
    pts[5] = { c.x - rx, c.y + ky };
    pts[6] = { c.x - rx, c.y };
    pts[7] = { c.x - rx, c.y - ky };
    pts[8] = { c.x - kx, c.y - ry };
    pts[9] = { c.x, c.y - ry };
    pts[10] = { c.x + kx, c.y - ry };
    pts[11] = { c.x + rx, c.y - ky };
    pts[12] = pts[0];
}

void mgArcPieceControlPoints(const MgPoint& c, float rx, float ry, float start, float sweep, MgPoint pts[4]) noexcept
{
    const double e = sweep / 2.0;
    const double x0 = rx * std::cos(e);
    const double y0 = rx * std::sin(e);
    if (mgNearZero(rx) || std::fabs(y0) < 1e-12) {
        // No arc to speak of: every control point is the start point.
        const double yr = mgNearZero(rx) ? 0.0 : static_cast<double>(ry) / rx;
        const MgPoint p = place(c.x + rx * std::cos(start), c.y + yr * rx * std::sin(start));
        std::fill(pts, pts + 4, p);
        return;
    }
    const double d = rx - x0;
    const double r = 4 * d / 3;
    const double h = y0 - x0 * r / y0;
    const double xs[4] = { x0, x0 + r, x0 + r, x0 };
    const double ys[4] = { -y0, -h, h, y0 };
    const double theta = static_cast<double>(start) + e;
    const double co = std::cos(theta), si = std::sin(theta);
    const double yscale = static_cast<double>(ry) / rx;
    for (int i = 0; i < 4; i++)
        pts[i] = place(c.x + co * xs[i] - si * ys[i], c.y + yscale * (si * xs[i] + co * ys[i]));
}

namespace {

// The arc from a0 in [0, 2pi) over the positive sweep s, walking quadrant by quadrant so that
// whole quadrants reuse the exact ellipse points.
int positiveArcWalk(const MgPoint& c, float rx, float ry, float a0, float s, MgPoint pts[16]) noexcept
{
    MgPoint ell[13];
    mgEllipseControlPoints(c, rx, ry, ell);

    float g;
    int quadrant;
    if (a0 < kMgHalfPi)
        g = kMgHalfPi, quadrant = 1;
    else if (a0 < kMgPi)
        g = kMgPi, quadrant = 2;
    else if (a0 < kMg3HalfPi)
        g = kMg3HalfPi, quadrant = 3;
    else
        g = kMg2Pi, quadrant = 0;

    int count = 0;
    float angle = a0;
    float remain = s;
    if (g - a0 > kMgAngleSlack) {
        mgArcPieceControlPoints(c, rx, ry, a0, g - a0, pts);
        count = 4;
        remain -= g - a0;
        angle = g;
    }
    while (remain >= kMgHalfPi && count <= 13) {
        // The first point of the quadrant replaces the chain's current last point.
        const int at = count > 0 ? count - 1 : 0;
        for (int i = 0; i < 4; i++)
            pts[at + i] = ell[3 * quadrant + i];
        count = at + 4;
        quadrant = (quadrant + 1) % 4;
        remain -= kMgHalfPi;
        angle += kMgHalfPi;
    }
    if (remain > kMgAngleSlack && count <= 13) {
        const int at = count > 0 ? count - 1 : 0;
        mgArcPieceControlPoints(c, rx, ry, angle, remain, pts + at);
        count = at + 4;
    }
    return count;
}

} // namespace

int mgArcControlPoints(const MgPoint& c, float rx, float ry, float start, float sweep, MgPoint pts[16]) noexcept
{
    if (!pts || mgNearZero(rx) || !(std::fabs(sweep) >= kMgAngleSlack))
        return 0;
    if (mgNearZero(ry))
        ry = rx;
    sweep = std::clamp(sweep, -kMg2Pi, kMg2Pi);

    if (std::fabs(sweep) < kMgHalfPi + kMgAngleSlack) {
        mgArcPieceControlPoints(c, rx, ry, start, sweep, pts);
        return 4;
    }
    if (sweep > 0)
        return positiveArcWalk(c, rx, ry, mgWrapAngle(start), sweep, pts);

    const int count = positiveArcWalk(c, rx, ry, mgWrapAngle(start + sweep), -sweep, pts);
    std::reverse(pts, pts + count);
    return count;
}

void mgRoundedBoxControlPoints(const MgBox& box, float rx, float ry, MgPoint pts[16]) noexcept
{
    const float w = box.width(), h = box.height();
    rx = std::min(std::fabs(rx), w / 2);
    ry = std::min(std::fabs(ry), h / 2);

    MgPoint ell[13];
    mgEllipseControlPoints(box.midpoint(), rx, ry, ell);

    const float dx = w / 2 - rx, dy = h / 2 - ry;
    const float sx[4] = { dx, -dx, -dx, dx };
    const float sy[4] = { dy, dy, -dy, -dy };
    for (int q = 0; q < 4; q++)
        for (int i = 0; i < 4; i++)
            pts[4 * q + i] = { ell[3 * q + i].x + sx[q], ell[3 * q + i].y + sy[q] };
}

bool mgSolveTridiagonal(int n, const float* a, float* b, const float* c, MgPoint* x) noexcept
{
    if (!a || !b || !c || !x || n <= 1 || mgNearZero(b[0]))
        return false;
    float d = 1.f / b[0];
    x[0] = { x[0].x * d, x[0].y * d };
    for (int i = 0; i < n - 1; i++) {
        b[i] = d * c[i];
        const float f = b[i + 1] - a[i] * b[i];
        if (mgNearZero(f))
            return false;
        d = 1.f / f;
        x[i + 1] = { d * (x[i + 1].x - a[i] * x[i].x), d * (x[i + 1].y - a[i] * x[i].y) };
    }
    for (int i = n - 2; i >= 0; i--)
        x[i] = { x[i].x - b[i] * x[i + 1].x, x[i].y - b[i] * x[i + 1].y };
    return true;
}

bool mgSolveDense(int n, float* A, MgPoint* x) noexcept
{
    if (!A || !x || n < 2)
        return false;
    auto at = [A, n](int r, int col) -> float& { return A[static_cast<size_t>(r) * n + col]; };

    for (int q = 0; q < n; q++) {
        int pivot = q;
        for (int r = q + 1; r < n; r++)
            if (std::fabs(at(r, q)) > std::fabs(at(pivot, q)))
                pivot = r;
        if (pivot != q) {
            for (int col = q; col < n; col++)
                std::swap(at(q, col), at(pivot, col));
            std::swap(x[q], x[pivot]);
        }
        const float p = at(q, q);
        if (mgNearZero(p))
            return false;
        for (int col = q; col < n; col++)
            at(q, col) /= p;
        x[q] = { x[q].x / p, x[q].y / p };
        for (int r = q + 1; r < n; r++) {
            const float f = at(r, q);
            if (f == 0)
                continue;
            for (int col = q; col < n; col++)
                at(r, col) -= f * at(q, col);
            x[r] = { x[r].x - f * x[q].x, x[r].y - f * x[q].y };
        }
    }
    for (int r = n - 2; r >= 0; r--) {
        double sx = x[r].x, sy = x[r].y;
        for (int s = r + 1; s < n; s++) {
            sx -= static_cast<double>(at(r, s)) * x[s].x;
            sy -= static_cast<double>(at(r, s)) * x[s].y;
        }
        x[r] = place(sx, sy);
    }
    return true;
}

namespace {

MgPoint scaled(const MgVector& v, float s) noexcept { return { v.x * s, v.y * s }; }

bool closedTangents(int n, const MgPoint* K, MgVector* T)
{
    std::vector<float> A(static_cast<size_t>(n) * n, 0.f);
    std::vector<MgPoint> rhs(static_cast<size_t>(n));
    auto at = [&A, n](int r, int col) -> float& { return A[static_cast<size_t>(r) * n + col]; };
    for (int i = 0; i < n; i++) {
        const int prev = (i + n - 1) % n, next = (i + 1) % n;
        // Adding keeps the two-knot case right, where the neighbours coincide.
        at(i, prev) += 1;
        at(i, i) += 4;
        at(i, next) += 1;
        rhs[i] = scaled(K[next] - K[prev], 3);
    }
    if (!mgSolveDense(n, A.data(), rhs.data()))
        return false;
    for (int i = 0; i < n; i++)
        T[i] = { rhs[i].x, rhs[i].y };
    return true;
}

bool openTangents(int n, const MgPoint* K, MgVector* T, int flags)
{
    std::vector<float> a(static_cast<size_t>(n), 0.f), b(static_cast<size_t>(n), 0.f), c(static_cast<size_t>(n), 0.f);
    std::vector<MgPoint> rhs(static_cast<size_t>(n));
    for (int i = 1; i < n - 1; i++) {
        a[i - 1] = 1;
        b[i] = 4;
        c[i] = 1;
        rhs[i] = scaled(K[i + 1] - K[i - 1], 3);
    }

    b[0] = 1;
    if (flags & MG_SPLINE_START_GIVEN) {
        c[0] = 0;
        rhs[0] = { T[0].x, T[0].y };
    } else if (flags & MG_SPLINE_START_PARABOLIC) {
        c[0] = 1;
        rhs[0] = scaled(K[1] - K[0], 2);
    } else {
        c[0] = 0.5f;
        rhs[0] = scaled(K[1] - K[0], 1.5f);
    }

    b[n - 1] = 1;
    if (flags & MG_SPLINE_END_GIVEN) {
        a[n - 2] = 0;
        rhs[n - 1] = { T[n - 1].x, T[n - 1].y };
    } else if (flags & MG_SPLINE_END_PARABOLIC) {
        a[n - 2] = 1;
        rhs[n - 1] = scaled(K[n - 1] - K[n - 2], 2);
    } else {
        a[n - 2] = 0.5f;
        rhs[n - 1] = scaled(K[n - 1] - K[n - 2], 1.5f);
    }

    if (!mgSolveTridiagonal(n, a.data(), b.data(), c.data(), rhs.data()))
        return false;
    for (int i = 0; i < n; i++)
        T[i] = { rhs[i].x, rhs[i].y };
    return true;
}

} // namespace

bool mgSplineTangents(int n, const MgPoint* knots, MgVector* tangents, int flags, float tension) noexcept
{
    if (!knots || !tangents || n < 2)
        return false;
    bool ok;
    try {
        if ((flags & MG_SPLINE_CLOSED) && n <= kMgSplineDenseLimit)
            ok = closedTangents(n, knots, tangents);
        else
            ok = openTangents(n, knots, tangents, flags);
    } catch (const std::bad_alloc&) {
        return false;
    }
    if (!mgNearZero(tension - 1))
        for (int i = 0; i < n; i++)
            tangents[i] *= tension;
    return ok;
}

bool mgSplineSegmentControlPoints(int n, const MgPoint* knots, const MgVector* tangents, int i, MgPoint pts[4]) noexcept
{
    if (!knots || !tangents || !pts || n < 1)
        return false;
    const int j = ((i % n) + n) % n;
    const int k = (j + 1) % n;
    pts[0] = knots[j];
    pts[1] = knots[j] + tangents[j] / 3;
    pts[2] = knots[k] - tangents[k] / 3;
    pts[3] = knots[k];
    return true;
}

namespace {

MgBox segmentSampleBox(const MgPoint& p0, const MgPoint& p1, const MgPoint& p2, const MgPoint& p3) noexcept
{
    MgPoint s[9];
    s[0] = p0;
    for (int i = 1; i < 8; i++)
        s[i] = mgBezierPointAt(p0, p1, p2, p3, static_cast<float>(i) / 8);
    s[8] = p3;
    return MgBox().fromPoints(9, s);
}

} // namespace

MgBox mgBezierChainBox(int n, const MgPoint* pts, bool closed) noexcept
{
    MgBox box;
    if (!pts)
        return box;
    for (int p = 0; p + 3 < n; p += 3)
        box.extend(segmentSampleBox(pts[p], pts[p + 1], pts[p + 2], pts[p + 3]));
    if (closed && n > 3) {
        const MgPoint& last = pts[n - 1];
        box.extend(segmentSampleBox(last, last + (last - pts[n - 2]), pts[0] + (pts[0] - pts[1]), pts[0]));
    }
    return box;
}

MgBox mgSplineChainBox(int n, const MgPoint* knots, const MgVector* tangents, bool closed) noexcept
{
    MgBox box;
    if (!knots || !tangents)
        return box;
    const int segments = closed && n > 1 ? n : n - 1;
    MgPoint ctl[4];
    for (int i = 0; i < segments; i++)
        if (mgSplineSegmentControlPoints(n, knots, tangents, i, ctl))
            box.extend(mgBezierChainBox(4, ctl, false));
    return box;
}
