// A GiCanvas for tests that draws nothing and logs every call with its arguments, so a test can
// state exactly what reaches the canvas.
//
// Typical use:
//
//     GiViewTransform xf;                 // y up
//     xf.setClientSize(200, 100);
//     GiGraphics gs(&xf);
//     RecordingCanvas canvas(&gs);        // attaches itself, detaches when destroyed
//     canvas.beginPaint();                // startPaint with the whole client area
//     gs.drawBox(&ctx, box);
//     EXPECT_EQ(canvas.count("paintRect"), 1);
//     EXPECT_FLOAT_EQ(canvas.last("paintRect")->args[3], -40);
//
// Each CanvasCall holds the operation name (the GiCanvas member name), a copy of the context
// when one was passed, the scalar arguments in declaration order (booleans as 0 or 1; for
// drawOtherCachedImage the other canvas is not recorded), the point arrays and the point types.
// Queries (screenResolution, backgroundColor, hasCachedImage, isBuffered, canvasKind,
// nearestColor, penBrushContext) are logged too, marked as queries, so "no call at all" can be
// checked with calls.empty() and drawing checks can ignore them with drawingOps().
#pragma once

#include "geom/mgbox.h"
#include "geom/mgpoint.h"
#include "graph/gicanvas.h"
#include "graph/gicontext.h"
#include "graph/girgba.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class GiGraphics;

struct CanvasCall {
    std::string op; ///< name of the GiCanvas operation
    bool query = false; ///< a question to the canvas, not a drawing or state change
    bool hasContext = false; ///< a non-null context was passed
    GiContext ctx; ///< copy of that context (default when none)
    std::vector<float> args; ///< scalar arguments in order
    std::vector<MgPoint> points; ///< point array argument, if any
    std::vector<std::uint8_t> types; ///< point types of paintPointPath
};

class RecordingCanvas : public GiCanvas {
public:
    /// Attaches to gs (when given) like a real canvas; gs must outlive this canvas.
    explicit RecordingCanvas(GiGraphics* gs = nullptr);
    ~RecordingCanvas() override;
    RecordingCanvas(const RecordingCanvas&) = delete;
    RecordingCanvas& operator=(const RecordingCanvas&) = delete;

    // ---- The log ----

    /// Mutable because the const queries are logged too.
    mutable std::vector<CanvasCall> calls;

    void clear() { calls.clear(); }
    /// Names of every logged call, in order.
    [[nodiscard]] std::vector<std::string> ops() const;
    /// Names of the calls that are not queries, in order.
    [[nodiscard]] std::vector<std::string> drawingOps() const;
    /// Number of calls of op.
    [[nodiscard]] int count(std::string_view op) const;
    /// Number of calls made with a context whose line colour is line and, when given, whose
    /// fill colour is fill.
    [[nodiscard]] int countWithColors(const GiRgba& line, std::optional<GiRgba> fill = std::nullopt) const;
    /// The first or last call of op, or null.
    [[nodiscard]] const CanvasCall* first(std::string_view op) const;
    [[nodiscard]] const CanvasCall* last(std::string_view op) const;
    /// Every point sent by calls of op, concatenated.
    [[nodiscard]] std::vector<MgPoint> pointsOf(std::string_view op) const;
    /// The log as text, one call per line, for failure messages.
    [[nodiscard]] std::string dump() const;

    // ---- Painting through the attached GiGraphics ----

    /// Reports colors and printing to the GiGraphics and calls its startPaint with clipPx, or
    /// with the whole client area when clipPx is null. False when no GiGraphics is attached.
    bool beginPaint(const MgBox* clipPx = nullptr, int colors = 0, bool printing = false);
    /// Calls finishPaint of the attached GiGraphics.
    void endPaint();
    [[nodiscard]] GiGraphics* graphics() const { return m_gs; }

    // ---- Answers the canvas gives (change them to exercise the callers) ----

    bool answer = true; ///< result of every drawing primitive
    float dpi = 96; ///< screenResolution
    GiRgba background = GiRgba::white(); ///< backgroundColor, changed by changeBackgroundColor
    GiContext penBrush; ///< penBrushContext
    int kind = 100; ///< canvasKind
    std::function<GiRgba(const GiRgba&)> nearest; ///< nearestColor; null answers the colour unchanged
    bool cached[2] = { false, false }; ///< hasCachedImage, set by saveCachedImage
    bool smoothing = true; ///< last setSmoothing
    bool buffered = false; ///< isBuffered

    // ---- GiCanvas ----

    void dropCachedImage(bool all) override;
    [[nodiscard]] float screenResolution() const override;
    [[nodiscard]] GiRgba backgroundColor() const override;
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

    void fillBackground() override;
    bool drawCachedImage(float x, float y, bool second) override;
    bool drawOtherCachedImage(const GiCanvas* canvas, float x, float y, bool second) override;
    void saveCachedImage(bool second) override;
    [[nodiscard]] bool hasCachedImage(bool second) const override;
    [[nodiscard]] bool isBuffered() const override;
    [[nodiscard]] int canvasKind() const override;
    [[nodiscard]] GiRgba nearestColor(const GiRgba& color) const override;
    [[nodiscard]] GiContext penBrushContext() const override;
    void setClipRect(float x1, float y1, float x2, float y2) override;
    void setSmoothing(bool on) override;

private:
    CanvasCall& log(std::string_view op, const GiContext* ctx = nullptr, std::vector<float> args = {}) const;

    GiGraphics* m_gs = nullptr;
};
