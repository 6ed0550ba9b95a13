// A position in the plane. The kernel is unit-agnostic: the same type holds model
// coordinates, world millimetres (y up) and display pixels (y down).
#pragma once

#include "geom/mgtol.h"
#include "geom/mgvector.h"

struct MgMatrix;

struct MgPoint {
    float x = 0;
    float y = 0;

    constexpr MgPoint() noexcept = default;
    constexpr MgPoint(float ax, float ay) noexcept
        : x(ax)
        , y(ay)
    {
    }

    /// The shared origin (0, 0).
    [[nodiscard]] static const MgPoint& origin() noexcept
    {
        static const MgPoint pt;
        return pt;
    }

    constexpr void set(float ax, float ay) noexcept { x = ax, y = ay; }
    constexpr void setZero() noexcept { x = y = 0; }

    [[nodiscard]] float distance(const MgPoint& p) const noexcept { return mgLength(p.x - x, p.y - y); }
    [[nodiscard]] bool equals(const MgPoint& p, const MgTolerance& tol = MgTolerance::standard()) const noexcept
    {
        return distance(p) <= tol.pointTol;
    }
    /// Equal within the standard point tolerance (1e-5).
    [[nodiscard]] bool operator==(const MgPoint& p) const noexcept { return equals(p); }
    [[nodiscard]] bool operator!=(const MgPoint& p) const noexcept { return !equals(p); }

    [[nodiscard]] constexpr MgPoint operator+(const MgVector& v) const noexcept { return { x + v.x, y + v.y }; }
    [[nodiscard]] constexpr MgPoint operator-(const MgVector& v) const noexcept { return { x - v.x, y - v.y }; }
    /// The vector from p to this point.
    [[nodiscard]] constexpr MgVector operator-(const MgPoint& p) const noexcept { return { x - p.x, y - p.y }; }
    constexpr MgPoint& operator+=(const MgVector& v) noexcept
    {
        x += v.x, y += v.y;
        return *this;
    }
    constexpr MgPoint& operator-=(const MgVector& v) noexcept
    {
        x -= v.x, y -= v.y;
        return *this;
    }
    constexpr void moveBy(float dx, float dy) noexcept { x += dx, y += dy; }
    constexpr void scaleXY(float sx, float sy) noexcept { x *= sx, y *= sy; }

    /// p * M: x' = x*m11 + y*m21 + dx, y' = x*m12 + y*m22 + dy.
    [[nodiscard]] MgPoint operator*(const MgMatrix& m) const noexcept;
    MgPoint& operator*=(const MgMatrix& m) noexcept;
    /// Transforms n points in place.
    static void transformPoints(const MgMatrix& m, int n, MgPoint* pts) noexcept;

    /// The point at distance dist in direction angle (radians, counter-clockwise with y up).
    [[nodiscard]] MgPoint pointAtAngle(float angle, float dist) const noexcept;
    /// Moves `along` toward target and `across` to its left (counter-clockwise with y up).
    [[nodiscard]] MgPoint pointToward(const MgPoint& target, float along, float across) const noexcept;
    /// The point at distance dist to the left of this point, perpendicular to the line toward target.
    [[nodiscard]] MgPoint pointAside(const MgPoint& target, float dist) const noexcept;
};
