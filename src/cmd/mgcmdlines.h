// Commands that draw shapes of many vertices: the freehand polyline ("lines") and the spline
// curve ("splines").
//
// Both build on MgCommandDraw: the temporary shape is an MgShapeT over MgLines or MgSplines and
// m_step is the index of the vertex that follows the pointer, so vertices 0 .. m_step - 1 are
// fixed and vertex m_step (when it exists) is where the pointer is now.
//
// Points are the model points of the view's MgPointerEvent; distances given in pixels below go
// through commandTolerance (in the application a tolerance of 1 is 2 display pixels) unless
// they are said to be display pixels.
#pragma once

#include "cmd/mgcmddraw.h"

class MgBaseLines;

/// "lines": a freehand polyline, one vertex fixed per pointer movement (no minimum spacing).
///
/// The polyline closes by itself when, after at least three fixed vertices, the pointer comes
/// back within reach of vertex 0 and the figure is at least 1.5 times as wide and as high as the
/// remaining gap; reach is commandTolerance(e, 5) plus half the pen width (at least one display
/// pixel). A closed polyline drops the vertex under the pointer, so its last vertex is the last
/// fixed one and never a copy of vertex 0. Moving out of reach again reopens it.
class MgCmdDrawLines : public MgCommandDraw {
public:
    [[nodiscard]] static constexpr const char* Name() noexcept { return "lines"; }
    /// A new command; the caller owns it (release()).
    [[nodiscard]] static MgCommand* create();

    [[nodiscard]] const char* name() const override { return Name(); }
    bool initialize(const MgPointerEvent* e) override;
    /// With more than two fixed vertices the last fixed one is removed; then one step back.
    /// False (nothing changes) before the second fixed vertex.
    bool undoStep(const MgPointerEvent* e) override;
    /// Starts the polyline at startPointM with the pointer vertex on pointM; m_step becomes 1.
    bool dragBegin(const MgPointerEvent* e) override;
    /// Applies the closing test, then (while open) fixes the pointer vertex and starts a new one.
    bool dragMove(const MgPointerEvent* e) override;
    /// Closing test and the final pointer vertex; adds the polyline when it has at least two
    /// fixed vertices. The feedback disappears at the next paint.
    bool dragEnd(const MgPointerEvent* e) override;

    /// The closing test for the current vertices and pointM: true when m_step >= 3, the distance
    /// from vertex 0 to pointM is below reach and the polyline's extent is wider and higher than
    /// 1.5 times that distance.
    [[nodiscard]] bool closesAtPointer(const MgPointerEvent* e) const;

private:
    [[nodiscard]] MgBaseLines& lines();
    [[nodiscard]] const MgBaseLines& lines() const;
    /// Opens or closes the polyline as the closing test says; answers the test's result.
    bool applyClosing(const MgPointerEvent* e);
};

/// "splines": a smooth curve through the vertices, in one of two modes chosen when a curve
/// starts (at dragBegin with no curve in progress):
///
/// - freehand (the event's alternate flag clear): one drag draws the curve; a new vertex is
///   fixed whenever the pointer lies at least commandTolerance(e, 0.5) from the last fixed one
///   (one display pixel in the application); the curve is added at dragEnd. A click without a
///   drag adds a tiny straight line instead.
/// - point by point (alternate set): each later drag adds one vertex when it starts and moves it
///   while it lasts; doubleClick adds the curve once it has more than one fixed vertex.
///   Markers on vertex 0 and on the last five vertices show the curve's vertices meanwhile.
class MgCmdDrawSplines : public MgCommandDraw {
public:
    [[nodiscard]] static constexpr const char* Name() noexcept { return "splines"; }
    /// A new command; the caller owns it (release()).
    [[nodiscard]] static MgCommand* create();

    [[nodiscard]] const char* name() const override { return Name(); }
    bool initialize(const MgPointerEvent* e) override;
    /// With more than one fixed vertex: removes the last fixed vertex (freehand) or the vertex
    /// of the current drag (point by point); then one step back. Otherwise false.
    bool undoStep(const MgPointerEvent* e) override;
    /// Freehand mode: adds a line from startPointM to pointM, or, when the pointer moved less
    /// than one display pixel, to the model image of the display point one pixel right and one
    /// down. Point-by-point mode: false.
    bool click(const MgPointerEvent* e) override;
    /// Freehand mode: click(). Point by point: adds the curve when it has more than one fixed
    /// vertex and ends the input; true.
    bool doubleClick(const MgPointerEvent* e) override;
    bool dragBegin(const MgPointerEvent* e) override;
    bool dragMove(const MgPointerEvent* e) override;
    /// Freehand: adds the curve (or, below two fixed vertices, acts as a click) and ends the
    /// input. Point by point: the curve goes on with the next drag.
    bool dragEnd(const MgPointerEvent* e) override;
    /// Point-by-point markers (while a curve is in progress), then the curve.
    bool draw(const MgPointerEvent* e, GiGraphics& gs) override;

    /// True for freehand input (the initial mode), false for point by point.
    [[nodiscard]] bool isFreehand() const noexcept { return m_freehand; }

private:
    [[nodiscard]] MgBaseLines& lines();
    /// Whether the pointer vertex may be fixed: freehand only, and at least
    /// commandTolerance(e, 0.5) from the last fixed vertex.
    [[nodiscard]] bool farEnough(const MgPointerEvent* e) const;
    /// Fixes the pointer vertex and starts the next one at pointM.
    void nextVertex(const MgPointerEvent* e);

    bool m_freehand = true;
};
