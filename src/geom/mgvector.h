// A displacement in the plane. Same layout as MgPoint.
#pragma once

#include "geom/mgbase.h"

#include <cmath>

struct MgMatrix;

struct MgVector {
    float x = 0;
    float y = 0;

    constexpr MgVector() noexcept = default;
    constexpr MgVector(float ax, float ay) noexcept
        : x(ax)
        , y(ay)
    {
    }

    constexpr void set(float ax, float ay) noexcept { x = ax, y = ay; }
    constexpr void setZero() noexcept { x = y = 0; }

    [[nodiscard]] float length() const noexcept { return mgLength(x, y); }
    [[nodiscard]] constexpr float squaredLength() const noexcept { return x * x + y * y; }
    [[nodiscard]] constexpr float dot(const MgVector& v) const noexcept { return x * v.x + y * v.y; }
    [[nodiscard]] constexpr float cross(const MgVector& v) const noexcept { return x * v.y - y * v.x; }

    /// Angle of the vector in radians, -pi..pi; 0 for a vector that is near zero in both components.
    [[nodiscard]] float direction() const noexcept { return mgNearZero(x) && mgNearZero(y) ? 0.f : std::atan2(y, x); }
    /// The angle that turns this vector onto v, counter-clockwise positive (y up).
    [[nodiscard]] float signedAngleTo(const MgVector& v) const noexcept
    {
        const float c = cross(v);
        const float d = dot(v);
        return mgNearZero(c) && mgNearZero(d) ? 0.f : std::atan2(c, d);
    }

    [[nodiscard]] constexpr MgVector operator*(float s) const noexcept { return { x * s, y * s }; }
    friend constexpr MgVector operator*(float s, const MgVector& v) noexcept { return { v.x * s, v.y * s }; }
    /// Division multiplies by the reciprocal rounded to float; the caller keeps s away from zero.
    [[nodiscard]] constexpr MgVector operator/(float s) const noexcept
    {
        const float r = 1.f / s;
        return { x * r, y * r };
    }
    [[nodiscard]] constexpr MgVector operator+(const MgVector& v) const noexcept { return { x + v.x, y + v.y }; }
    [[nodiscard]] constexpr MgVector operator-(const MgVector& v) const noexcept { return { x - v.x, y - v.y }; }
    [[nodiscard]] constexpr MgVector operator-() const noexcept { return { -x, -y }; }
    constexpr MgVector& operator+=(const MgVector& v) noexcept
    {
        x += v.x, y += v.y;
        return *this;
    }
    constexpr MgVector& operator-=(const MgVector& v) noexcept
    {
        x -= v.x, y -= v.y;
        return *this;
    }
    constexpr MgVector& operator*=(float s) noexcept
    {
        x *= s, y *= s;
        return *this;
    }

    /// Transformed without translation: (x*m11 + y*m21, x*m12 + y*m22).
    [[nodiscard]] MgVector operator*(const MgMatrix& m) const noexcept;
    MgVector& operator*=(const MgMatrix& m) noexcept;
};
