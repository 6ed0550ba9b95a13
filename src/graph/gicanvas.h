// The display-coordinate drawing primitives and the canvas interface beneath GiGraphics.
//
// Coordinates: every operation here takes display pixels as floats, origin at the top-left
// corner of the client area, x right, y down. Model and world coordinates never reach a canvas;
// GiGraphics converts, culls, clips and thins before it calls these.
//
// Contexts: "ctx" is a GiContext or null; null means the canvas's current pen and brush
// (GiCanvas::penBrushContext). The canvas takes the line (style, width, colour) and the fill
// colour from it; GiGraphics::penWidthPx and GiGraphics::penColorFor turn them into device
// pen widths and colours.
//
// Results: true when drawn (the last platform call succeeded), unless stated otherwise.
// Nothing throws.
#pragma once

#include "geom/mgpoint.h"
#include "graph/gicontext.h"
#include "graph/girgba.h"

#include <cstdint>

/// The 17 display-coordinate primitives, in this order, shared by GiGraphics (which forwards
/// them to its canvas) and GiCanvas (which draws them).
///
/// Not deleted through this interface: GiGraphics and GiCanvas each declare their own virtual
/// destructor after these operations.
class GiCanvasDrawing {
public:
    /// Drops cached image 0, and cached image 1 as well when all is true.
    virtual void dropCachedImage(bool all) = 0;
    /// Vertical resolution of the screen in dots per inch (96 when unknown).
    [[nodiscard]] virtual float screenResolution() const = 0;
    /// The background colour the surface is cleared to.
    [[nodiscard]] virtual GiRgba backgroundColor() const = 0;
    /// Sets the background colour and answers the former one.
    virtual GiRgba changeBackgroundColor(const GiRgba& color) = 0;

    /// Line segment from (x1, y1) to (x2, y2), outline only.
    virtual bool strokeSegment(const GiContext* ctx, float x1, float y1, float x2, float y2) = 0;
    /// Open polyline of count points, outline only.
    virtual bool strokePolyline(const GiContext* ctx, const MgPoint* points, int count) = 0;
    /// Connected cubic Bezier segments: a start point and three points per segment (count = 3k+1).
    virtual bool strokeBezierChain(const GiContext* ctx, const MgPoint* points, int count) = 0;
    /// Closed polygon, filled (when the context has a fill colour) and outlined.
    virtual bool paintPolygon(const GiContext* ctx, const MgPoint* points, int count) = 0;
    /// Rectangle at (x, y) of size w x h, filled and outlined. w or h may be negative (the
    /// rectangle then extends left of x or above y); the canvas normalises.
    virtual bool paintRect(const GiContext* ctx, float x, float y, float w, float h) = 0;
    /// Ellipse inscribed in the rectangle (x, y, w, h), same conventions as paintRect.
    virtual bool paintEllipse(const GiContext* ctx, float x, float y, float w, float h) = 0;
    /// Path of count points with one point type each (the canvas defines the types), filled
    /// and outlined.
    virtual bool paintPointPath(const GiContext* ctx, int count, const MgPoint* points, const std::uint8_t* types) = 0;

    /// Starts a new current path, discarding any unfinished one.
    virtual bool pathOpen() = 0;
    /// Outlines the current path (and fills it when fill is true and ctx has a fill colour),
    /// then discards it.
    virtual bool pathFinish(const GiContext* ctx, bool fill) = 0;
    /// Starts a new figure at (x, y).
    virtual bool pathMove(float x, float y) = 0;
    /// Straight segment from the path's last point to (x, y).
    virtual bool pathLine(float x, float y) = 0;
    /// Cubic Bezier segments from the path's last point, three points each.
    virtual bool pathBeziers(const MgPoint* points, int count) = 0;
    /// Closes the current figure.
    virtual bool pathClose() = 0;

protected:
    GiCanvasDrawing() = default;
    GiCanvasDrawing(const GiCanvasDrawing&) = default;
    GiCanvasDrawing& operator=(const GiCanvasDrawing&) = default;
    ~GiCanvasDrawing() = default;
};

/// An output device: the drawing primitives plus cached images, background, clipping and
/// anti-aliasing. Has no state of its own.
///
/// A concrete canvas is constructed with the GiGraphics it serves and attaches itself to it
/// (GiGraphics::attachCanvas); it must detach (attachCanvas(nullptr)) before it is destroyed.
/// It brackets each paint with GiGraphics::startPaint and GiGraphics::finishPaint, reporting
/// the device's colour count and printing flag before startPaint.
class GiCanvas : public GiCanvasDrawing {
public:
    virtual ~GiCanvas() = default;

    /// Fills the whole drawing surface with the background colour (nothing when not painting).
    virtual void fillBackground() = 0;
    /// Draws cached image 0 (or 1 when second) with its top-left at (x, y) display pixels.
    virtual bool drawCachedImage(float x, float y, bool second) = 0;
    /// Draws another canvas's cached image at (x, y); only between canvases of the same kind
    /// and surface size.
    virtual bool drawOtherCachedImage(const GiCanvas* canvas, float x, float y, bool second) = 0;
    /// Keeps the current drawing as cached image 0 (or 1); keeps nothing unless painting buffered.
    virtual void saveCachedImage(bool second) = 0;
    /// Whether cached image 0 (or 1) exists.
    [[nodiscard]] virtual bool hasCachedImage(bool second) const = 0;
    /// Whether drawing goes to an off-screen buffer.
    [[nodiscard]] virtual bool isBuffered() const = 0;
    /// The kind of canvas (2 for GiCanvasGdip); cached images are exchanged only within a kind.
    [[nodiscard]] virtual int canvasKind() const = 0;
    /// The nearest colour the device can show; a canvas without a device answers the colour unchanged.
    [[nodiscard]] virtual GiRgba nearestColor(const GiRgba& color) const { return color; }
    /// The current pen and brush attributes, used wherever a null context is passed.
    [[nodiscard]] virtual GiContext penBrushContext() const = 0;
    /// Replaces the clip region by the rectangle with corners (x1, y1) and (x2, y2), display pixels.
    virtual void setClipRect(float x1, float y1, float x2, float y2) = 0;
    /// Switches anti-aliasing of lines and curves on or off (nothing when not painting).
    virtual void setSmoothing(bool on) = 0;

protected:
    GiCanvas() = default;
    GiCanvas(const GiCanvas&) = default;
    GiCanvas& operator=(const GiCanvas&) = default;
};
