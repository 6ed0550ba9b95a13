// Nearest-point and hit tests of the geometry kernel.
//
// Every search answers a distance. The searches with a tolerance answer the largest float,
// kMgMaxFloat (3.4028235e38), and segment -1 when nothing lies within the tolerance; they examine
// only the pieces whose bounding box overlaps the pick box, the square of side 2*tol centred on
// the query point. Among pieces at equal distance the one with the lower index wins.
// Coordinates are those of the caller (unit-agnostic); boxes are read with y up.
#pragma once

#include "geom/mgbox.h"

/// The foot of the perpendicular from pt onto the infinite line through a and b, and the distance
/// from pt to that line. When a equals b (standard tolerance) the foot is a.
float mgPerpendicularFoot(const MgPoint& a, const MgPoint& b, const MgPoint& pt, MgPoint& foot) noexcept;

/// Whether q, a point on the line through a and b, lies between a and b (inclusive). The test is
/// made on the coordinate in which the segment extends further, so it agrees with the feet of
/// mgPerpendicularFoot also for nearly vertical segments. nearerEnd (optional) receives the end
/// nearer to q in that coordinate (b on a tie).
bool mgWithinSpan(const MgPoint& a, const MgPoint& b, const MgPoint& q, MgPoint* nearerEnd = nullptr) noexcept;

/// The point of segment ab nearest to pt, and its distance.
float mgNearestOnSegment(const MgPoint& a, const MgPoint& b, const MgPoint& pt, MgPoint& nearest) noexcept;

/// Nearest point within tol on the polyline of n points (closed: with the edge from P(n-1) back
/// to P0, segment n-1). segment receives the edge index (edge i runs from Pi to P(i+1)).
float mgNearestOnPolyline(
    int n, const MgPoint* pts, bool closed, const MgPoint& pt, float tol, MgPoint& nearest, int& segment) noexcept;

/// The point of the cubic with control points pts[0..3] nearest to pt, and its distance. Accurate
/// to float rounding; ties go to the smaller parameter.
float mgNearestOnBezier(const MgPoint& pt, const MgPoint* pts, MgPoint& nearest) noexcept;

/// Nearest point within tol on the Bezier chain of n points (a start point and three per cubic,
/// as in mgcurve.h); segment receives the cubic's index. Only cubics whose control points' box
/// overlaps the pick box are examined.
float mgNearestOnBezierChain(
    int n, const MgPoint* pts, const MgPoint& pt, float tol, MgPoint& nearest, int& segment) noexcept;

/// Nearest point within tol on the spline with n knots and their tangents (segments as in
/// mgcurve.h); segment receives the spline segment index.
float mgNearestOnSpline(int n, const MgPoint* knots, const MgVector* tangents, bool closed, const MgPoint& pt,
    float tol, MgPoint& nearest, int& segment) noexcept;

/// Nearest point within tol on the outline of box with rounded corners (rx absolute; ry below
/// 1e-7 takes rx; both limited to half the width and height). segment receives 4..7 for the
/// straight edges (4 top, 5 right, 6 bottom, 7 left, y up) and 0..3 for the corner arcs, numbered
/// as the box corners they round (0 left-top, 1 right-top, 2 right-bottom, 3 left-bottom).
float mgNearestOnRoundedBox(
    const MgBox& box, float rx, float ry, const MgPoint& pt, float tol, MgPoint& nearest, int& segment) noexcept;

/// Whether box overlaps the sampled box (33 samples) of some segment of the Bezier chain of n
/// points (closed as in mgBezierChainBox). A box test, not an exact curve test.
[[nodiscard]] bool mgBezierChainMeetsBox(const MgBox& box, int n, const MgPoint* pts, bool closed) noexcept;

/// mgBezierChainMeetsBox applied to each segment of the spline with n knots.
[[nodiscard]] bool mgSplineMeetsBox(
    const MgBox& box, int n, const MgPoint* knots, const MgVector* tangents, bool closed) noexcept;
