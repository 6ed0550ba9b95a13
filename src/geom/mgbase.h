// Scalar helpers shared by the whole geometry kernel.
//
// Every value type of the kernel stores 32-bit floats. Computations may use wider
// intermediates, but each result is stored back as a float.
#pragma once

#include <cmath>

/// The one zero threshold of the kernel: |v| < 1e-7.
constexpr float kMgZero = 1e-7f;
/// The largest float; a hit test that found nothing answers this distance.
constexpr float kMgMaxFloat = 3.4028235e38f;
constexpr float kMgPi = 3.14159265f;
constexpr float kMg2Pi = 6.2831855f;
constexpr float kMgHalfPi = 1.57079633f;

[[nodiscard]] constexpr bool mgNearZero(float v) noexcept { return v < kMgZero && v > -kMgZero; }

/// Nearest integer, halves away from zero: -2.5 -> -3, 2.5 -> 3.
[[nodiscard]] constexpr int mgRoundToInt(double v) noexcept
{
    return v < 0 ? static_cast<int>(v - 0.5) : static_cast<int>(v + 0.5);
}

[[nodiscard]] inline float mgLength(float x, float y) noexcept
{
    return static_cast<float>(std::sqrt(static_cast<double>(x) * x + static_cast<double>(y) * y));
}

[[nodiscard]] constexpr float mgDegrees(float rad) noexcept { return rad * 57.29578f; }
[[nodiscard]] constexpr float mgRadians(float deg) noexcept { return deg * 0.017453292f; }

/// Brings v into [low, high) by whole periods of (high - low).
[[nodiscard]] constexpr float mgWrap(float v, float low, float high) noexcept
{
    const float period = high - low;
    if (!(period > 0))
        return v;
    while (v < low)
        v += period;
    while (v >= high)
        v -= period;
    return v;
}

/// An angle in radians brought into [0, 2pi).
[[nodiscard]] constexpr float mgWrapAngle(float a) noexcept { return mgWrap(a, 0.f, kMg2Pi); }

[[nodiscard]] constexpr float mgMin(float a, float b) noexcept { return a < b ? a : b; }
[[nodiscard]] constexpr float mgMax(float a, float b) noexcept { return a > b ? a : b; }
