// Curve algorithms of the geometry kernel: cubic Bezier evaluation and subdivision, the Bezier
// forms of ellipses, elliptic arcs and rounded boxes, interpolating cubic splines and the boxes
// of Bezier and spline chains.
//
// Conventions shared by every function here:
// - A Bezier chain is an array of 3k+1 points: a start point followed by three points per cubic
//   segment (two control points and the segment's end, which starts the next segment).
// - A spline is n knots K0..K(n-1) with one tangent vector Ti per knot. Segment i runs from Ki
//   to K(i+1) (closed: the last segment runs from K(n-1) back to K0) and is the cubic Hermite
//   curve with end tangents Ti, T(i+1) over a unit parameter; its Bezier form is
//   Ki, Ki + Ti/3, K(i+1) - T(i+1)/3, K(i+1).
// - Angles are radians, counter-clockwise with y up; angle 0 points along +x.
// - The functions are unit-agnostic (model, world or display coordinates alike); output arrays
//   are owned by the caller and must hold the stated number of points.
// - Nothing allocates except mgSplineTangents, which allocates its working arrays for the call.
#pragma once

#include "geom/mgbox.h"

/// End conditions of mgSplineTangents, combined by OR. Without a start flag the start is
/// natural (zero second derivative), likewise at the end.
enum MgSplineFlags : int {
    MG_SPLINE_START_GIVEN = 1, ///< the first tangent is supplied by the caller in the output array and kept
    MG_SPLINE_START_PARABOLIC = 2, ///< the first segment has zero third derivative
    MG_SPLINE_END_GIVEN = 4, ///< the last tangent is supplied by the caller and kept
    MG_SPLINE_END_PARABOLIC = 8, ///< the last segment has zero third derivative
    MG_SPLINE_CLOSED = 16, ///< the spline is closed (periodic)
};

/// The quarter-ellipse control factor 4/3 (sqrt 2 - 1) as a float.
constexpr float kMgBezierEllipseFactor = 0.5522848f;
constexpr float kMg3HalfPi = 4.712389f;
/// Sweeps and remainders of arcs below this many radians count as nothing.
constexpr float kMgAngleSlack = 1e-5f;
/// Largest closed spline solved as a periodic system; larger closed splines are solved as open.
constexpr int kMgSplineDenseLimit = 512;

/// The point at t (0..1) of the cubic with control points p0..p3.
[[nodiscard]] MgPoint mgBezierPointAt(
    const MgPoint& p0, const MgPoint& p1, const MgPoint& p2, const MgPoint& p3, float t) noexcept;
/// The point at t of the cubic with the four control points pts[0..3].
[[nodiscard]] MgPoint mgBezierPointAt(const MgPoint* pts, float t) noexcept;

/// De Casteljau subdivision of the Bezier curve of the given degree (1..5) with degree+1 control
/// points at t. left and right (each degree+1 points, optional) receive the control points of
/// the parts before and after t; both share the returned point. Degrees outside 1..5 or a null
/// pts answer the origin and write nothing.
MgPoint mgSubdivideBezier(
    int degree, const MgPoint* pts, float t, MgPoint* left = nullptr, MgPoint* right = nullptr) noexcept;

/// The 13 control points of the axis-aligned ellipse with centre c and radii rx, ry: a closed
/// chain of four quarter segments starting at angle 0 (c.x + rx, c.y), running counter-clockwise;
/// pts[12] repeats pts[0].
void mgEllipseControlPoints(const MgPoint& c, float rx, float ry, MgPoint pts[13]) noexcept;

/// One cubic (4 points) approximating the arc of the ellipse (c, rx, ry) from angle start over
/// sweep (at most about a quarter turn, either sign). A degenerate radius or sweep answers four
/// copies of the arc's start point.
void mgArcPieceControlPoints(const MgPoint& c, float rx, float ry, float start, float sweep, MgPoint pts[4]) noexcept;

/// The Bezier chain of the arc of the ellipse (c, rx, ry) from angle start over sweep (either
/// sign, limited to one full turn). The chain starts at angle start and ends at start + sweep.
/// Writes up to 16 points and answers their count (4, 7, 10, 13 or 16); 0 when rx is near zero
/// or |sweep| < 1e-5. ry near zero is taken equal to rx.
int mgArcControlPoints(const MgPoint& c, float rx, float ry, float start, float sweep, MgPoint pts[16]) noexcept;

/// The 16 control points of the four corner arcs of box with corner radii rx, ry (absolute values,
/// limited to half the width and half the height). Arc q occupies pts[4q..4q+3]: arc 0 rounds the
/// right-top corner, 1 the left-top, 2 the left-bottom, 3 the right-bottom (y up). The straight
/// edges join point 3 to 4, 7 to 8, 11 to 12 and 15 back to 0. Zero radii give each corner four
/// times.
void mgRoundedBoxControlPoints(const MgBox& box, float rx, float ry, MgPoint pts[16]) noexcept;

/// Tangent vectors of the interpolating cubic spline through the n knots, written to tangents
/// (n vectors; with MG_SPLINE_START_GIVEN / MG_SPLINE_END_GIVEN the first / last are read as
/// input). flags are MgSplineFlags; every tangent is multiplied by tension unless it is 1.
/// Closed splines of more than 512 knots are solved as open. False on missing input, n < 2 or a
/// singular system; the tangents are then partly overwritten and must not be used.
bool mgSplineTangents(int n, const MgPoint* knots, MgVector* tangents, int flags = 0, float tension = 1) noexcept;

/// Solves the tridiagonal system of n rows in place: a[i] is the entry below the diagonal in row
/// i+1, b[i] the diagonal (overwritten by the elimination), c[i] the entry right of the diagonal
/// in row i. x holds the right-hand sides and receives the solution, x and y solved together.
/// False when an array is missing, n <= 1 or a pivot is near zero.
bool mgSolveTridiagonal(int n, const float* a, float* b, const float* c, MgPoint* x) noexcept;

/// Solves the dense system A x = rhs of n rows by Gaussian elimination with partial pivoting.
/// A is n*n floats, row-major, and is destroyed; x holds the right-hand sides and receives the
/// solution. False when an input is missing, n < 2 or a pivot is near zero.
bool mgSolveDense(int n, float* A, MgPoint* x) noexcept;

/// The Bezier form of spline segment i (taken modulo n) into pts[0..3]. False (nothing written)
/// on missing input or n < 1.
bool mgSplineSegmentControlPoints(
    int n, const MgPoint* knots, const MgVector* tangents, int i, MgPoint pts[4]) noexcept;

/// Box of the Bezier chain of n points, from nine samples per segment. When closed and n > 3 the
/// closing segment P(n-1), 2 P(n-1) - P(n-2), 2 P0 - P1, P0 is included. All zeros when there is
/// no segment.
[[nodiscard]] MgBox mgBezierChainBox(int n, const MgPoint* pts, bool closed) noexcept;

/// Box of the spline through n knots: the union of mgBezierChainBox of every segment.
[[nodiscard]] MgBox mgSplineChainBox(int n, const MgPoint* knots, const MgVector* tangents, bool closed) noexcept;
