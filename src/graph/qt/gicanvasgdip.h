// The canvas that draws with QPainter, double-buffered, with two cached images.
//
// Buffered painting draws into an off-screen QImage of Format_ARGB32_Premultiplied, the size of
// the device, which closePaint(true) copies onto the device. Without buffering (and always when
// printing) drawing goes straight to the device.
//
// Cached images: slot 0 and slot 1 keep copies of the off-screen image (the layout view keeps
// the picture with its shapes in slot 0 and the picture alone in slot 1). They survive paints
// and are dropped only by dropCachedImage and destruction; they are not checked against the
// device size.
//
// Pens and brushes: each drawing call takes its line and fill from its context (null means the
// current ones, penBrushContext). A context with a null line colour or line style 5 draws no
// outline, one with a null fill colour no fill. Line styles 1-4 are dash, dot, dash-dot and
// dash-dot-dot; a dashed pen of at most 1 pixel draws without anti-aliasing. Pens are at least
// 1 pixel wide (GiGraphics::penWidthPx) and end flat with mitred joins. Closed figures are filled
// first, then outlined; fills use the odd-even rule.
//
// Pixel grid: integer display coordinates lie on pixel corners. The solid outline of a rectangle
// (x, y, w, h) with a pen thinner than 1.5 pixels covers the pixels from x to x + w and from y
// to y + h, one pixel wide, whatever the smoothing; an even whole-pixel pen of k pixels covers
// the band from k/2 outside to k/2 inside each edge.
#pragma once

#include "graph/qt/gicanvaswin.h"

#include <memory>

class GiCanvasGdip : public GiCanvasWin {
public:
    /// The value of canvasKind for this class.
    static constexpr int kCanvasKind = 2;

    /// A canvas for gs (not owned; must outlive the canvas), attached to it at once. The
    /// background colour starts opaque white.
    explicit GiCanvasGdip(GiGraphics* gs);
    ~GiCanvasGdip() override;

    // -- GiCanvasDrawing (display pixels)

    void dropCachedImage(bool all) override;
    [[nodiscard]] GiRgba backgroundColor() const override;
    GiRgba changeBackgroundColor(const GiRgba& color) override;
    bool strokeSegment(const GiContext* ctx, float x1, float y1, float x2, float y2) override;
    bool strokePolyline(const GiContext* ctx, const MgPoint* points, int count) override;
    /// count >= 4; the points after the last whole segment (3k+1) are ignored.
    bool strokeBezierChain(const GiContext* ctx, const MgPoint* points, int count) override;
    bool paintPolygon(const GiContext* ctx, const MgPoint* points, int count) override;
    /// Negative sizes extend left of x or above y; coordinates are rounded to integers (halves
    /// away from zero); nothing is drawn, and false answered, for a zero width or height.
    bool paintRect(const GiContext* ctx, float x, float y, float w, float h) override;
    /// Normalised like paintRect, drawn with float coordinates.
    bool paintEllipse(const GiContext* ctx, float x, float y, float w, float h) override;
    /// Point types as GDI's PolyDraw: 6 moves to the point (starting a new figure), 2 draws a
    /// line to it, 4 begins a cubic Bezier segment that takes this and the next two points (all
    /// three of type 4); flag 1 closes the figure after the point. Needs count >= 2. Building
    /// stops at the first bad type or short Bezier run: what was built is drawn and false answered.
    bool paintPointPath(const GiContext* ctx, int count, const MgPoint* points, const std::uint8_t* types) override;
    bool pathOpen() override;
    bool pathFinish(const GiContext* ctx, bool fill) override;
    bool pathMove(float x, float y) override;
    bool pathLine(float x, float y) override;
    /// One cubic segment per three points; count must be at least 3.
    bool pathBeziers(const MgPoint* points, int count) override;
    bool pathClose() override;

    // -- GiCanvas

    /// Clears the whole surface to the background colour made opaque (within the clip set by
    /// setClipRect); nothing when printing or not painting.
    void fillBackground() override;
    /// Draws the cached image with its top-left at (x, y) rounded; false when there is none or
    /// when not painting.
    bool drawCachedImage(float x, float y, bool second) override;
    /// Draws canvas's cached image when canvas is a GiCanvasGdip whose view has the same client
    /// size as this one's.
    bool drawOtherCachedImage(const GiCanvas* canvas, float x, float y, bool second) override;
    /// Replaces the slot's image by a copy of the off-screen image; outside buffered painting
    /// the slot ends up empty.
    void saveCachedImage(bool second) override;
    [[nodiscard]] bool hasCachedImage(bool second) const override;
    [[nodiscard]] bool isBuffered() const override;
    [[nodiscard]] int canvasKind() const override { return kCanvasKind; }
    [[nodiscard]] GiContext penBrushContext() const override;
    void setClipRect(float x1, float y1, float x2, float y2) override;
    void setSmoothing(bool on) override;

    // -- GiCanvasWin

    bool openPaint(QPaintDevice* device, QPaintDevice* attribDevice = nullptr, bool buffered = true,
        bool overlay = false, const QRect& clipRect = QRect()) override;
    void closePaint(bool draw = true) override;
    QPaintDevice* borrowDC() override;
    void returnDC(QPaintDevice* dc) override;
    /// Draws bitmap as drawImage does, when painting, both sizes are positive, bitmap is not
    /// null and the box meets the clip box.
    bool drawBitmapHandle(
        long himetricWidth, long himetricHeight, const QImage& bitmap, const MgBox& boxWorld, bool fast) override;

    // -- Pictures

    /// Draws image stretched into boxWorld (world coordinates): only the part inside the paint
    /// clip box is drawn, from the matching part of the image. A box whose second x (or y) is
    /// below its first mirrors the picture on that axis. Bilinear, or nearest-pixel when fast
    /// and not printing. False when not painting, image is null or nothing is visible.
    bool drawImage(const QImage& image, const MgBox& boxWorld, bool fast);

    /// The painter drawing currently goes to (the off-screen one while buffered), or null when
    /// not painting. Owned by the canvas; valid until closePaint.
    [[nodiscard]] QPainter* painter() const noexcept;

protected:
    [[nodiscard]] QPainter* painterFor(QPaintDevice* dc) const override;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};
