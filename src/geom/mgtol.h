// Tolerances below which two points or two vectors count as equal.
#pragma once

struct MgTolerance {
    float pointTol = 1e-5f; ///< distance up to which two points are equal
    float vectorTol = 1e-4f; ///< length up to which the difference of two matrix rows is zero

    constexpr MgTolerance() noexcept = default;
    constexpr MgTolerance(float ptol, float vtol) noexcept
        : pointTol(ptol)
        , vectorTol(vtol)
    {
    }

    /// The standard tolerance (1e-5, 1e-4); one shared instance that never changes.
    [[nodiscard]] static const MgTolerance& standard() noexcept
    {
        static const MgTolerance tol;
        return tol;
    }
};
