#include "geom/mgbox.h"

#include <algorithm>
#include <cmath>

// ---- MgVector ----

MgVector MgVector::operator*(const MgMatrix& m) const noexcept
{
    return { x * m.m11 + y * m.m21, x * m.m12 + y * m.m22 };
}

MgVector& MgVector::operator*=(const MgMatrix& m) noexcept { return *this = *this * m; }

// ---- MgPoint ----

MgPoint MgPoint::operator*(const MgMatrix& m) const noexcept
{
    return { x * m.m11 + y * m.m21 + m.dx, x * m.m12 + y * m.m22 + m.dy };
}

MgPoint& MgPoint::operator*=(const MgMatrix& m) noexcept { return *this = *this * m; }

void MgPoint::transformPoints(const MgMatrix& m, int n, MgPoint* pts) noexcept
{
    for (int i = 0; pts && i < n; i++)
        pts[i] *= m;
}

MgPoint MgPoint::pointAtAngle(float angle, float dist) const noexcept
{
    return { x + dist * std::cos(angle), y + dist * std::sin(angle) };
}

MgPoint MgPoint::pointToward(const MgPoint& target, float along, float across) const noexcept
{
    const float len = distance(target);
    if (len < kMgZero)
        return { x + along, y + across };
    const float ux = (target.x - x) / len;
    const float uy = (target.y - y) / len;
    return { x + along * ux - across * uy, y + along * uy + across * ux };
}

MgPoint MgPoint::pointAside(const MgPoint& target, float dist) const noexcept
{
    const float len = distance(target);
    if (len < kMgZero)
        return { x, y + dist };
    return { x - dist * (target.y - y) / len, y + dist * (target.x - x) / len };
}

// ---- MgMatrix ----

MgMatrix MgMatrix::scalingAbout(float sx, float sy, const MgPoint& c) noexcept
{
    if (mgNearZero(sy))
        sy = sx;
    return { sx, 0, 0, sy, (1 - sx) * c.x, (1 - sy) * c.y };
}

MgMatrix MgMatrix::rotationAbout(float angle, const MgPoint& c) noexcept
{
    const float co = std::cos(angle);
    const float si = std::sin(angle);
    return { co, si, -si, co, (1 - co) * c.x + si * c.y, (1 - co) * c.y - si * c.x };
}

MgMatrix MgMatrix::operator*(const MgMatrix& b) const noexcept
{
    return { m11 * b.m11 + m12 * b.m21, m11 * b.m12 + m12 * b.m22, m21 * b.m11 + m22 * b.m21, m21 * b.m12 + m22 * b.m22,
        dx * b.m11 + dy * b.m21 + b.dx, dx * b.m12 + dy * b.m22 + b.dy };
}

bool MgMatrix::canInvert() const noexcept { return kMgZero < std::fabs(determinant()); }

bool MgMatrix::invertInPlace() noexcept
{
    const float det = determinant();
    if (mgNearZero(det)) {
        setIdentity();
        return false;
    }
    const float d = 1.f / det;
    set(d * m22, -d * m12, -d * m21, d * m11, d * (m21 * dy - m22 * dx), d * (m12 * dx - m11 * dy));
    return true;
}

bool MgMatrix::equals(const MgMatrix& m, const MgTolerance& tol) const noexcept
{
    return mgLength(m11 - m.m11, m12 - m.m12) <= tol.vectorTol && mgLength(m21 - m.m21, m22 - m.m22) <= tol.vectorTol
        && mgLength(dx - m.dx, dy - m.dy) <= tol.vectorTol;
}

// ---- MgBox ----

MgBox& MgBox::growIfFlat() noexcept
{
    if (isFlat()) {
        const float d = MgTolerance::standard().pointTol;
        grow(d, d);
    }
    return *this;
}

MgBox& MgBox::setFromInts(int l, int t, int r, int b, bool normalise)
{
    set(static_cast<float>(l), static_cast<float>(t), static_cast<float>(r), static_cast<float>(b));
    return normalise ? orderCorners() : *this;
}

MgBox& MgBox::copyFrom(const MgBox& box, bool normalise) noexcept
{
    *this = box;
    return normalise ? orderCorners() : *this;
}

MgBox& MgBox::fromCenter(const MgPoint& c, float w, float h) noexcept
{
    if (std::fabs(h) < kMgZero)
        h = w;
    return set(c.x - w / 2, c.y - h / 2, c.x + w / 2, c.y + h / 2);
}

MgBox& MgBox::fromPoints(const MgPoint& p1, const MgPoint& p2) noexcept { return fromCoords(p1.x, p1.y, p2.x, p2.y); }

MgBox& MgBox::fromPoints(const MgPoint& p1, const MgPoint& p2, const MgPoint& p3, const MgPoint& p4) noexcept
{
    set(std::min({ p1.x, p2.x, p3.x, p4.x }), std::min({ p1.y, p2.y, p3.y, p4.y }),
        std::max({ p1.x, p2.x, p3.x, p4.x }), std::max({ p1.y, p2.y, p3.y, p4.y }));
    return growIfFlat();
}

MgBox& MgBox::fromCoords(float x1, float y1, float x2, float y2) noexcept
{
    set(std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2));
    return growIfFlat();
}

MgBox& MgBox::fromPoints(int n, const MgPoint* pts) noexcept
{
    if (n <= 0 || !pts)
        return clear();
    set(pts[0].x, pts[0].y, pts[0].x, pts[0].y);
    for (int i = 1; i < n; i++) {
        xmin = std::min(xmin, pts[i].x);
        ymin = std::min(ymin, pts[i].y);
        xmax = std::max(xmax, pts[i].x);
        ymax = std::max(ymax, pts[i].y);
    }
    return growIfFlat();
}

MgBox& MgBox::orderCorners() noexcept
{
    if (xmax < xmin)
        std::swap(xmin, xmax);
    if (ymax < ymin)
        std::swap(ymin, ymax);
    return *this;
}

MgPoint MgBox::handle(int k) const noexcept
{
    const MgPoint c = midpoint();
    switch (k) {
    case 0: return { xmin, ymax };
    case 1: return { xmax, ymax };
    case 2: return { xmax, ymin };
    case 3: return { xmin, ymin };
    case 4: return { c.x, ymax };
    case 5: return { xmax, c.y };
    case 6: return { c.x, ymin };
    case 7: return { xmin, c.y };
    default: return c;
    }
}

bool MgBox::overlaps(const MgBox& box) const noexcept
{
    auto invalid
        = [](const MgBox& b) { return b.xmax - b.xmin < -kMgZero || b.ymax - b.ymin < -kMgZero || b.isAllZero(); };
    if (invalid(*this) || invalid(box))
        return false;
    return std::max(xmin, box.xmin) <= std::min(xmax, box.xmax) && std::max(ymin, box.ymin) <= std::min(ymax, box.ymax);
}

MgBox& MgBox::unite(const MgBox& a, const MgBox& b) noexcept
{
    if (b.lacksArea())
        return copyFrom(a, true);
    if (a.lacksArea())
        return copyFrom(b, true);
    return fromCoords(
        std::min(a.xmin, b.xmin), std::min(a.ymin, b.ymin), std::max(a.xmax, b.xmax), std::max(a.ymax, b.ymax));
}

MgBox& MgBox::extend(const MgPoint& pt) noexcept
{
    return fromCoords(std::min(xmin, pt.x), std::min(ymin, pt.y), std::max(xmax, pt.x), std::max(ymax, pt.y));
}

MgBox& MgBox::intersection(const MgBox& a, const MgBox& b) noexcept
{
    const float l = std::max(a.xmin, b.xmin), r = std::min(a.xmax, b.xmax);
    const float bt = std::max(a.ymin, b.ymin), t = std::min(a.ymax, b.ymax);
    if (!a.lacksArea() && !b.lacksArea() && l <= r && bt <= t)
        return fromCoords(l, bt, r, t);
    return clear();
}

MgBox MgBox::operator*(const MgMatrix& m) const noexcept
{
    MgBox box;
    if (m.hasNoRotation())
        box.fromPoints(MgPoint(xmax, ymax) * m, MgPoint(xmin, ymin) * m);
    else
        box.fromPoints(
            MgPoint(xmin, ymax) * m, MgPoint(xmax, ymax) * m, MgPoint(xmax, ymin) * m, MgPoint(xmin, ymin) * m);
    return box;
}

MgBox& MgBox::moveHandle(int k, const MgPoint& pt) noexcept
{
    if (k >= 0 && k < 4) {
        MgPoint pts[4] = { handle(0), handle(1), handle(2), handle(3) };
        pts[k] = pt;
        if (k % 2 != 0) {
            pts[(k + 1) % 4].x = pt.x;
            pts[(k + 3) % 4].y = pt.y;
        } else {
            pts[(k + 1) % 4].y = pt.y;
            pts[(k + 3) % 4].x = pt.x;
        }
        return fromPoints(pts[0], pts[1], pts[2], pts[3]);
    }
    if (k >= 4 && k < 8) {
        MgPoint pts[4] = { handle(4), handle(5), handle(6), handle(7) };
        pts[k - 4] = pt;
        return fromCoords(pts[3].x, pts[2].y, pts[1].x, pts[0].y);
    }
    return *this;
}
