// The drawing interface that shapes and commands draw through.
//
// Callers give geometry in model coordinates (inModel = true) or world millimetres
// (inModel = false) with a GiContext. GiGraphics culls what lies outside the area being
// painted, converts to display pixels through its GiViewTransform, clips what crosses the paint
// area, drops points that fall within 2 pixels of the previous one, turns curves into Bezier
// chains and hands the result to the attached canvas through the display-coordinate primitives
// of GiCanvasDrawing.
//
// Painting bracket: drawing happens only between startPaint and finishPaint, which the canvas
// calls. Outside that bracket every draw* operation answers false without touching the canvas.
//
// Point limits: a polyline or polygon call uses at most its first 8192 points; a Bezier chain
// at most 8191 (2730 segments); a spline at most 2731 knots open, 2730 closed. Longer input is
// truncated silently, so no canvas call ever receives more than 8192 points.
//
// Ownership: the transform and the canvas are not owned; both must outlive their use here.
#pragma once

#include "geom/mgbox.h"
#include "geom/mgpoint.h"
#include "geom/mgvector.h"
#include "graph/gicanvas.h"
#include "graph/gicontext.h"
#include "graph/girgba.h"

#include <memory>

class GiViewTransform;

class GiGraphics : public GiCanvasDrawing {
public:
    /// Most points one polyline or polygon call draws.
    static constexpr int kMaxPoints = 8192;
    /// Most points one Bezier chain draws (3k+1 with k = 2730).
    static constexpr int kMaxBezierPoints = 8191;
    /// Most knots an open spline draws; a closed one draws one fewer.
    static constexpr int kMaxSplineKnots = 2731;

    /// Draws through xform, which must outlive this object. No canvas is attached yet.
    explicit GiGraphics(GiViewTransform* xform);
    virtual ~GiGraphics();
    GiGraphics(const GiGraphics&) = delete;
    GiGraphics& operator=(const GiGraphics&) = delete;

    // -- The primitives, forwarded unchanged to the attached canvas (display pixels). Without
    // a canvas each answers its default: false, 96 dpi, the null colour, or the argument.

    void dropCachedImage(bool all) override;
    [[nodiscard]] float screenResolution() const override;
    [[nodiscard]] GiRgba backgroundColor() const override;
    /// Forwards the colour made opaque (alpha 255); without a canvas answers the argument.
    GiRgba changeBackgroundColor(const GiRgba& color) override;
    bool strokeSegment(const GiContext* ctx, float x1, float y1, float x2, float y2) override;
    bool strokePolyline(const GiContext* ctx, const MgPoint* points, int count) override;
    bool strokeBezierChain(const GiContext* ctx, const MgPoint* points, int count) override;
    bool paintPolygon(const GiContext* ctx, const MgPoint* points, int count) override;
    bool paintRect(const GiContext* ctx, float x, float y, float w, float h) override;
    bool paintEllipse(const GiContext* ctx, float x, float y, float w, float h) override;
    bool paintPointPath(const GiContext* ctx, int count, const MgPoint* points, const std::uint8_t* types) override;
    bool pathOpen() override;
    bool pathFinish(const GiContext* ctx, bool fill) override;
    bool pathMove(float x, float y) override;
    bool pathLine(float x, float y) override;
    bool pathBeziers(const MgPoint* points, int count) override;
    bool pathClose() override;

    // -- Transform and canvas

    /// The view transform this object draws through (not owned).
    [[nodiscard]] GiViewTransform& transform() const noexcept;
    /// Attaches canvas (not owned), replacing any former one; null detaches. A canvas calls
    /// this from its constructor and with null from its destructor; it reads isSmoothing when a
    /// paint begins.
    void attachCanvas(GiCanvas* canvas) noexcept;
    /// The attached canvas, or null.
    [[nodiscard]] GiCanvas* canvas() const noexcept;
    /// Number of colours the device shows (0 = unknown, 2 = monochrome); set by the canvas
    /// before startPaint. penColorFor reduces colours when it lies between 1 and 7.
    void setDeviceColors(int colors) noexcept;
    [[nodiscard]] int deviceColors() const noexcept;
    /// Marks the device as a printer (not a display); set by the canvas before startPaint.
    void setPrinting(bool printing) noexcept;

    // -- Painting bracket

    /// Begins a paint of the area clipBox (display pixels). Recomputes the model and world clip
    /// boxes when the transform changed since the last paint (and then drops the canvas's cached
    /// images), counts one more painting reference, and, unless clipBox is flat, makes it the
    /// new paint area. A flat clipBox still begins a paint but keeps the former area.
    void startPaint(const MgBox& clipBox);
    /// Ends the paint begun by startPaint.
    void finishPaint();
    /// True between startPaint and finishPaint.
    [[nodiscard]] bool isPainting() const noexcept;
    /// True when the device is a printer.
    [[nodiscard]] bool isPrinting() const noexcept;

    /// The paint area as given to startPaint, display pixels.
    [[nodiscard]] const MgBox& clipBoxPx() const noexcept;
    /// The paint area grown by 10 pixels, in world millimetres.
    [[nodiscard]] const MgBox& clipBoxWorld() const noexcept;
    /// The paint area grown by 10 pixels, in model coordinates; shape collections skip shapes
    /// whose extent misses it.
    [[nodiscard]] const MgBox& clipBoxModel() const noexcept;

    // -- Pens and colours

    /// Stores the anti-aliasing request, passes it to the attached canvas and answers the former one.
    bool setSmoothing(bool on);
    [[nodiscard]] bool isSmoothing() const noexcept;
    /// Widest pen in pixels (default 100). At or below 1 every width draws as the thinnest pen.
    void setMaxPenWidth(float px) noexcept;
    /// Thinnest pen in pixels (default 1).
    void setMinPenWidth(float px) noexcept;

    /// Device pen width in pixels for a context line width: lineWidth > 0 is hundredths of a
    /// millimetre (scaled by the zoom when withZoom), < 0 is -lineWidth pixels, 0 the thinnest pen.
    /// Limited to [min pen width, max pen width]; pixel widths are scaled up for a printer.
    [[nodiscard]] float penWidthPx(float lineWidth, bool withZoom) const;
    /// The colour as the device shows it: gray on a 2-colour device, the canvas's nearest
    /// colour on a device of fewer than 8 colours, otherwise unchanged.
    [[nodiscard]] GiRgba penColorFor(const GiRgba& color) const;

    // -- Drawing. Each answers true when something reached the canvas. ctx may be null (the
    // canvas's current pen and brush). inModel: true for model coordinates, false for world.

    bool drawSegment(const GiContext* ctx, const MgPoint& p1, const MgPoint& p2, bool inModel = true);
    bool drawPolyline(const GiContext* ctx, int count, const MgPoint* points, bool inModel = true);
    /// count = 3k+1 control points; extra points beyond the last whole segment are ignored.
    bool drawBezierChain(const GiContext* ctx, int count, const MgPoint* points, bool inModel = true);
    /// Closed polygon, filled and outlined.
    bool drawPolygonArea(const GiContext* ctx, int count, const MgPoint* points, bool inModel = true);
    bool drawBox(const GiContext* ctx, const MgBox& box, bool inModel = true);
    /// Ellipse of radii rx, ry about centre; ry < 1e-7 means a circle of radius rx.
    bool drawOval(const GiContext* ctx, const MgPoint& centre, float rx, float ry = 0, bool inModel = true);
    bool drawOvalInBox(const GiContext* ctx, const MgBox& box, bool inModel = true);
    /// Elliptic arc from startAngle over sweepAngle (radians, counter-clockwise with y up), outline only.
    bool drawOvalArc(const GiContext* ctx, const MgPoint& centre, float rx, float ry, float startAngle,
        float sweepAngle, bool inModel = true);
    /// Box with corners rounded by radii rx, ry (ry < 1e-7 means rx; rx < 1e-7 a plain box).
    bool drawRoundedBox(const GiContext* ctx, const MgBox& box, float rx, float ry = 0, bool inModel = true);
    /// Open cubic spline through count knots with one tangent per knot (as from mgSplineTangents).
    bool drawSplineCurve(
        const GiContext* ctx, int count, const MgPoint* knots, const MgVector* tangents, bool inModel = true);
    /// Closed cubic spline through count knots, filled and outlined.
    bool drawClosedSplineCurve(
        const GiContext* ctx, int count, const MgPoint* knots, const MgVector* tangents, bool inModel = true);

private:
    struct State;
    std::unique_ptr<State> m_state;
};
