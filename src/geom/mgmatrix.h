// Two-dimensional affine transform.
//
// Convention: a point is a row vector to the left of the matrix, p' = p * M:
//     x' = x*m11 + y*m21 + dx,   y' = x*m12 + y*m22 + dy.
// The product A * B applies A first, then B. With y up, positive angles turn
// counter-clockwise.
#pragma once

#include "geom/mgpoint.h"

struct MgMatrix {
    float m11 = 1, m12 = 0;
    float m21 = 0, m22 = 1;
    float dx = 0, dy = 0;

    constexpr MgMatrix() noexcept = default;
    constexpr MgMatrix(float a11, float a12, float a21, float a22, float adx, float ady) noexcept
        : m11(a11)
        , m12(a12)
        , m21(a21)
        , m22(a22)
        , dx(adx)
        , dy(ady)
    {
    }

    constexpr void set(float a11, float a12, float a21, float a22, float adx, float ady) noexcept
    {
        *this = MgMatrix(a11, a12, a21, a22, adx, ady);
    }
    constexpr void setIdentity() noexcept { *this = MgMatrix(); }

    [[nodiscard]] static constexpr MgMatrix translationBy(const MgVector& v) noexcept
    {
        return { 1, 0, 0, 1, v.x, v.y };
    }
    /// Scaling about c; sy near zero is taken equal to sx.
    [[nodiscard]] static MgMatrix scalingAbout(float sx, float sy, const MgPoint& c = MgPoint()) noexcept;
    /// Rotation by angle radians about c.
    [[nodiscard]] static MgMatrix rotationAbout(float angle, const MgPoint& c = MgPoint()) noexcept;

    /// A * B: first A, then B.
    [[nodiscard]] MgMatrix operator*(const MgMatrix& b) const noexcept;
    MgMatrix& operator*=(const MgMatrix& b) noexcept { return *this = *this * b; }

    [[nodiscard]] constexpr float determinant() const noexcept { return m11 * m22 - m12 * m21; }
    [[nodiscard]] bool canInvert() const noexcept;
    /// Inverts in place; a singular matrix (|det| < 1e-7) becomes the identity and the answer is false.
    bool invertInPlace() noexcept;
    /// An inverted copy; the identity when singular.
    [[nodiscard]] MgMatrix inverted() const noexcept
    {
        MgMatrix m(*this);
        m.invertInPlace();
        return m;
    }
    [[nodiscard]] constexpr bool hasNoRotation() const noexcept { return mgNearZero(m12) && mgNearZero(m21); }
    [[nodiscard]] constexpr bool isIdentity() const noexcept
    {
        return m11 == 1 && m12 == 0 && m21 == 0 && m22 == 1 && dx == 0 && dy == 0;
    }

    /// Each row (m11,m12), (m21,m22), (dx,dy) differs by no more than tol.vectorTol.
    [[nodiscard]] bool equals(const MgMatrix& m, const MgTolerance& tol = MgTolerance::standard()) const noexcept;
    [[nodiscard]] bool operator==(const MgMatrix& m) const noexcept { return equals(m); }
    [[nodiscard]] bool operator!=(const MgMatrix& m) const noexcept { return !equals(m); }
};
