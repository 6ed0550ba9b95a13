// A canvas that draws nothing, for measuring the drawing API and the shapes above it
// without the cost of real painting.
#pragma once

#include "graph/gicanvas.h"
#include "graph/gigraphics.h"

#include <cstdint>

/// Accepts every call and only counts the points it receives.
class NullCanvas : public GiCanvas {
public:
    /// Attaches itself to gs for its lifetime; gs must outlive it.
    explicit NullCanvas(GiGraphics* gs)
        : m_gs(gs)
    {
        m_gs->attachCanvas(this);
    }
    ~NullCanvas() override { m_gs->attachCanvas(nullptr); }
    NullCanvas(const NullCanvas&) = delete;
    NullCanvas& operator=(const NullCanvas&) = delete;

    long points = 0;

    void dropCachedImage(bool) override { }
    float screenResolution() const override { return 96; }
    GiRgba backgroundColor() const override { return GiRgba::white(); }
    GiRgba changeBackgroundColor(const GiRgba& c) override { return c; }
    bool strokeSegment(const GiContext*, float, float, float, float) override { return true; }
    bool strokePolyline(const GiContext*, const MgPoint*, int count) override { return (points += count) > 0; }
    bool strokeBezierChain(const GiContext*, const MgPoint*, int count) override { return (points += count) > 0; }
    bool paintPolygon(const GiContext*, const MgPoint*, int count) override { return (points += count) > 0; }
    bool paintRect(const GiContext*, float, float, float, float) override { return true; }
    bool paintEllipse(const GiContext*, float, float, float, float) override { return true; }
    bool paintPointPath(const GiContext*, int, const MgPoint*, const std::uint8_t*) override { return true; }
    bool pathOpen() override { return true; }
    bool pathFinish(const GiContext*, bool) override { return true; }
    bool pathMove(float, float) override { return true; }
    bool pathLine(float, float) override { return true; }
    bool pathBeziers(const MgPoint*, int) override { return true; }
    bool pathClose() override { return true; }
    void fillBackground() override { }
    bool drawCachedImage(float, float, bool) override { return false; }
    bool drawOtherCachedImage(const GiCanvas*, float, float, bool) override { return false; }
    void saveCachedImage(bool) override { }
    bool hasCachedImage(bool) const override { return false; }
    bool isBuffered() const override { return false; }
    int canvasKind() const override { return 0; }
    GiContext penBrushContext() const override { return {}; }
    void setClipRect(float, float, float, float) override { }
    void setSmoothing(bool) override { }

private:
    GiGraphics* m_gs;
};
