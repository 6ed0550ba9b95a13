// Clipping of segments and polygons to an axis-aligned box.
//
// Boxes are read with y up (ymax is the top). Points on the box boundary count as inside.
#pragma once

#include "geom/mgbox.h"

#include <vector>

/// Outcode bits of a point against a box; 0 means inside or on the boundary. A y bit and an x
/// bit may combine.
enum MgOutcode : int {
    MG_OUTCODE_LEFT = 0x1, ///< x < xmin
    MG_OUTCODE_RIGHT = 0x10, ///< x > xmax
    MG_OUTCODE_BELOW = 0x100, ///< y < ymin
    MG_OUTCODE_ABOVE = 0x1000 ///< y > ymax
};

/// The MgOutcode bits of pt against box (box taken as given).
[[nodiscard]] int mgOutcode(const MgPoint& pt, const MgBox& box) noexcept;

/// Cohen-Sutherland clipping of the segment p1-p2 to box (normalised first). True when some part
/// of the segment lies in the box; p1 and p2 then hold that part, in the same direction. On
/// false p1 and p2 are unspecified.
bool mgClipSegment(MgPoint& p1, MgPoint& p2, const MgBox& box) noexcept;

/// Sutherland-Hodgman clipper of closed polygons or open polylines against one box.
///
/// The clip box and the closed flag are fixed at construction. The clipper owns two point buffers
/// that are reused from call to call; after a successful clip the result lies in the second one.
/// Result edge i runs from result point i to result point i+1 (modulo the count); it is a
/// boundary edge when it runs along a side of the box, and an inner edge otherwise.
class MgPolygonClipper {
public:
    /// box is normalised; closed chooses polygon (true) or polyline (false) clipping.
    MgPolygonClipper(const MgBox& box, bool closed);

    /// Clips n points (transformed by m first when m is given). False when n <= 1, pts is null,
    /// or fewer than 2 points survive any of the four passes; the result is then empty.
    bool clip(int n, const MgPoint* pts, const MgMatrix* m = nullptr);

    [[nodiscard]] int resultCount() const noexcept { return static_cast<int>(m_result.size()); }
    /// Result point i taken modulo the count (negative i counts back from the end); the origin
    /// when there is no result.
    [[nodiscard]] MgPoint resultPoint(int i) const noexcept;
    /// The result points, resultCount() of them (null when empty).
    [[nodiscard]] const MgPoint* resultPoints() const noexcept { return m_result.empty() ? nullptr : m_result.data(); }
    /// False when edge i (modulo the count) lies along a side of the box, true otherwise.
    [[nodiscard]] bool isInnerEdge(int i) const noexcept;
    /// The smallest i for which isInnerEdge(i) is false, or resultCount() when there is none.
    [[nodiscard]] int firstBoundaryEdge() const noexcept;

    [[nodiscard]] const MgBox& box() const noexcept { return m_box; }
    [[nodiscard]] bool isClosed() const noexcept { return m_closed; }

private:
    MgBox m_box;
    bool m_closed;
    std::vector<MgPoint> m_work; // first buffer: intermediate passes
    std::vector<MgPoint> m_result; // second buffer: transformed input, then the result
};
