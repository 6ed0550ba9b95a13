// Axis-aligned rectangle given by two corners.
//
// Boxes are read with y up: top is ymax. Handle numbering (MgBox::handle, moveHandle):
//
//     0 ----- 4 ----- 1        0 left-top     4 top middle
//     |               |        1 right-top    5 right middle
//     7       8       5        2 right-bottom 6 bottom middle
//     |               |        3 left-bottom  7 left middle
//     3 ----- 6 ----- 2        any other k: the centre
//
// Corners run clockwise on screen from the left-top; edge handle 4+i lies midway between
// corner i and corner (i+1) mod 4.
//
// Growth rule: every box built from points (fromPoints, fromCoords, unite, intersection,
// transforming) is normalised and, when flat by the standard tolerance, grows by 1e-5 on every
// side, so it is never flatter than 2e-5.
#pragma once

#include "geom/mgmatrix.h"

struct MgBox {
    float xmin = 0, ymin = 0, xmax = 0, ymax = 0;

    constexpr MgBox() noexcept = default;
    /// Stores the four values unchanged, no normalising.
    constexpr MgBox(float l, float b, float r, float t) noexcept
        : xmin(l)
        , ymin(b)
        , xmax(r)
        , ymax(t)
    {
    }
    MgBox(const MgPoint& p1, const MgPoint& p2) noexcept { fromPoints(p1, p2); }

    constexpr MgBox& set(float l, float b, float r, float t) noexcept
    {
        xmin = l, ymin = b, xmax = r, ymax = t;
        return *this;
    }
    /// An integer display rectangle (left, top, right, bottom with y down): xmin = l, ymin = t,
    /// xmax = r, ymax = b; corners ordered when normalise, no growth.
    MgBox& setFromInts(int l, int t, int r, int b, bool normalise);
    /// A copy of box, corners ordered when normalise; no growth.
    MgBox& copyFrom(const MgBox& box, bool normalise) noexcept;
    /// Centre c, width w, height h (w when |h| < 1e-7); no normalising, no growth.
    MgBox& fromCenter(const MgPoint& c, float w, float h = 0) noexcept;
    MgBox& fromPoints(const MgPoint& p1, const MgPoint& p2) noexcept;
    MgBox& fromPoints(const MgPoint& p1, const MgPoint& p2, const MgPoint& p3, const MgPoint& p4) noexcept;
    MgBox& fromCoords(float x1, float y1, float x2, float y2) noexcept;
    /// Bounding box of n points; all zeros when n <= 0 or pts is null.
    MgBox& fromPoints(int n, const MgPoint* pts) noexcept;
    constexpr MgBox& clear() noexcept { return set(0, 0, 0, 0); }
    /// Swaps inverted coordinates so that xmin <= xmax and ymin <= ymax; no growth.
    MgBox& orderCorners() noexcept;

    [[nodiscard]] float width() const noexcept { return std::fabs(xmax - xmin); }
    [[nodiscard]] float height() const noexcept { return std::fabs(ymax - ymin); }
    [[nodiscard]] constexpr MgPoint midpoint() const noexcept { return { (xmin + xmax) / 2, (ymin + ymax) / 2 }; }
    [[nodiscard]] constexpr MgPoint leftTop() const noexcept { return { xmin, ymax }; }
    [[nodiscard]] constexpr MgPoint rightBottom() const noexcept { return { xmax, ymin }; }
    [[nodiscard]] constexpr MgPoint leftBottom() const noexcept { return { xmin, ymin }; }
    [[nodiscard]] constexpr MgPoint rightTop() const noexcept { return { xmax, ymax }; }
    /// Handle k by the numbering above.
    [[nodiscard]] MgPoint handle(int k) const noexcept;

    [[nodiscard]] constexpr bool isAllZero() const noexcept
    {
        return mgNearZero(xmin) && mgNearZero(ymin) && mgNearZero(xmax) && mgNearZero(ymax);
    }
    [[nodiscard]] bool isFlat(const MgTolerance& tol = MgTolerance::standard()) const noexcept
    {
        return std::fabs(xmax - xmin) < tol.pointTol || std::fabs(ymax - ymin) < tol.pointTol;
    }
    /// Signed test: a box with negative extent lacks area.
    [[nodiscard]] bool lacksArea(const MgTolerance& tol = MgTolerance::standard()) const noexcept
    {
        return xmax - xmin < tol.pointTol || ymax - ymin < tol.pointTol;
    }
    [[nodiscard]] constexpr bool isNormalized() const noexcept { return xmin <= xmax && ymin <= ymax; }

    constexpr MgBox& grow(float d) noexcept { return grow(d, d); }
    constexpr MgBox& grow(float dx, float dy) noexcept
    {
        xmin -= dx, ymin -= dy, xmax += dx, ymax += dy;
        return *this;
    }
    constexpr MgBox& shrink(float d) noexcept { return grow(-d, -d); }
    constexpr MgBox& shrink(float dx, float dy) noexcept { return grow(-dx, -dy); }
    constexpr MgBox& offset(float dx, float dy) noexcept
    {
        xmin += dx, xmax += dx, ymin += dy, ymax += dy;
        return *this;
    }

    /// Inclusive containment of box.
    [[nodiscard]] constexpr bool encloses(const MgBox& box) const noexcept
    {
        return xmin <= box.xmin && ymin <= box.ymin && xmax >= box.xmax && ymax >= box.ymax;
    }
    [[nodiscard]] constexpr bool contains(const MgPoint& pt) const noexcept
    {
        return pt.x >= xmin && pt.x <= xmax && pt.y >= ymin && pt.y <= ymax;
    }
    /// Touching boxes overlap; an all-zero or inverted box overlaps nothing.
    [[nodiscard]] bool overlaps(const MgBox& box) const noexcept;

    /// This becomes the union of a and b.
    MgBox& unite(const MgBox& a, const MgBox& b) noexcept;
    MgBox& extend(const MgBox& box) noexcept { return unite(MgBox(*this), box); }
    /// This becomes the smallest box holding itself and pt (growth rule applies).
    MgBox& extend(const MgPoint& pt) noexcept;
    /// This becomes the overlap of a and b, or all zeros when there is none.
    MgBox& intersection(const MgBox& a, const MgBox& b) noexcept;
    MgBox& intersect(const MgBox& box) noexcept { return intersection(MgBox(*this), box); }

    [[nodiscard]] MgBox operator*(const MgMatrix& m) const noexcept;
    MgBox& operator*=(const MgMatrix& m) noexcept { return *this = *this * m; }

    /// Reshapes the box as if handle k (0..7) were dragged to pt; other k change nothing.
    MgBox& moveHandle(int k, const MgPoint& pt) noexcept;

    [[nodiscard]] bool operator==(const MgBox& b) const noexcept
    {
        return leftTop() == b.leftTop() && rightBottom() == b.rightBottom();
    }
    [[nodiscard]] bool operator!=(const MgBox& b) const noexcept { return !(*this == b); }

private:
    MgBox& growIfFlat() noexcept;
};
