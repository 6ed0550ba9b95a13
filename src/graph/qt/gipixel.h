// Whole display pixels for the Qt canvas (internal to graph_qt).
#pragma once

#include "geom/mgbase.h"

#include <cmath>

/// Largest display coordinate, in pixels, that is turned into a whole pixel: far beyond any
/// device, and small enough that a position plus a size of this order still fits an int.
constexpr double kGiMaxPixelCoord = double(1 << 28);

/// Rounds v half away from zero into out. False, leaving out alone, when v is not finite or lies
/// beyond kGiMaxPixelCoord (converting it would overflow).
[[nodiscard]] inline bool giToPixel(double v, int& out) noexcept
{
    if (!(std::fabs(v) <= kGiMaxPixelCoord))
        return false;
    out = mgRoundToInt(v);
    return true;
}
