#include "graph/qt/gicanvasgdip.h"

#include "geom/mgbase.h"
#include "graph/gigraphics.h"
#include "graph/giviewtransform.h"
#include "graph/qt/gigdipimage.h"
#include "graph/qt/gipixel.h"

#include <QImage>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QPixmap>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

/// image as it is best drawn opaque onto p's device. An opaque premultiplied image holds the very
/// bytes of RGB32 (alpha 0xFF), and an RGB32 device (the usual window backing store) takes RGB32 as
/// a plain copy but converts premultiplied pixels one by one: so the same memory is drawn as RGB32.
/// The result shares image's memory and must not outlive it.
QImage opaqueForDevice(QPainter* p, const QImage& image)
{
    const QPaintEngine* engine = p->paintEngine();
    const QPaintDevice* device = engine ? engine->paintDevice() : nullptr;
    if (!device || device->devType() != QInternal::Image
        || static_cast<const QImage*>(device)->format() != QImage::Format_RGB32
        || image.format() != QImage::Format_ARGB32_Premultiplied)
        return image;
    QImage view(image.constBits(), image.width(), image.height(), image.bytesPerLine(), QImage::Format_RGB32);
    view.setDevicePixelRatio(image.devicePixelRatio());
    return view;
}

constexpr std::uint8_t kPtCloseFigure = 1;
constexpr std::uint8_t kPtLineTo = 2;
constexpr std::uint8_t kPtBezierTo = 4;
constexpr std::uint8_t kPtMoveTo = 6;

Qt::PenStyle penStyleFor(std::int32_t lineStyle)
{
    switch (lineStyle) {
    case kGiLineDash: return Qt::DashLine;
    case kGiLineDot: return Qt::DotLine;
    case kGiLineDashDot: return Qt::DashDotLine;
    case kGiLineDashDotDot: return Qt::DashDotDotLine;
    default: return Qt::SolidLine;
    }
}

QSize logicalSizeOf(const QPaintDevice* device)
{
    switch (device->devType()) {
    case QInternal::Image: return static_cast<const QImage*>(device)->deviceIndependentSize().toSize();
    case QInternal::Pixmap: return static_cast<const QPixmap*>(device)->deviceIndependentSize().toSize();
    default: return { device->width(), device->height() };
    }
}

// Copies src into dst when both have the same geometry and dst owns its pixels; answers false
// (and leaves dst alone) otherwise.
bool copyPixelsInto(QImage& dst, const QImage& src)
{
    if (dst.isNull() || dst.size() != src.size() || dst.format() != src.format()
        || dst.bytesPerLine() != src.bytesPerLine() || !dst.isDetached())
        return false;
    std::memcpy(dst.bits(), src.constBits(), static_cast<std::size_t>(src.sizeInBytes()));
    dst.setDevicePixelRatio(src.devicePixelRatio());
    return true;
}

QRectF pointBounds(const QPointF* pts, int count)
{
    qreal l = pts[0].x(), r = l, t = pts[0].y(), b = t;
    for (int i = 1; i < count; ++i) {
        l = std::min(l, pts[i].x());
        r = std::max(r, pts[i].x());
        t = std::min(t, pts[i].y());
        b = std::max(b, pts[i].y());
    }
    return QRectF(QPointF(l, t), QPointF(r, b));
}

} // namespace

struct GiCanvasGdip::Impl {
    explicit Impl(GiCanvasGdip* o)
        : owner(o)
    {
    }

    GiCanvasGdip* owner;
    QPaintDevice* device = nullptr; ///< device of the open paint, not owned
    std::unique_ptr<QPainter> target; ///< on device, between openPaint and closePaint
    std::unique_ptr<QPainter> buffer; ///< on offscreen, while painting buffered

    GiContext ctxCache; ///< attributes of the current pen and brush
    QPen pen;
    bool hasPen = false;
    bool thinDashed = false; ///< the pen is dashed and at most 1 pixel wide: drawn without anti-aliasing
    QBrush brush;
    bool hasBrush = false;
    bool noOutline = false;
    bool noFill = false;

    GiRgba background = GiRgba::white();
    std::unique_ptr<QPainterPath> path;

    // The off-screen image is live only while buffer is open; its memory is kept between paints
    // so that a paint of the same size neither allocates nor faults in fresh pages.
    QImage offscreen;
    bool offscreenOpaque = false; ///< every pixel of offscreen is opaque
    /// offscreen must be cleared before it is drawn on, read or shown. Deferred because a paint
    /// usually begins by covering the whole buffer (background or cached image 0).
    bool pendingClear = false;
    /// offscreen must be filled with fillColor before it is drawn on, read or shown (set by
    /// fillBackground, dropped when an opaque cached image covers the buffer first).
    bool pendingFill = false;
    QColor fillColor;
    QPaintDevice* shownOn = nullptr; ///< device offscreen was last copied to (its current content)
    const uchar* shownBits = nullptr; ///< pixels of the buffer that was copied to shownOn
    QImage cached[2];
    bool cachedOpaque[2] = { false, false };

    // Damage tracking: while tracked[s], offscreen holds cached image s except within damage[s]
    // (device pixels). A paint that starts from cached image s then restores only that part
    // instead of copying the whole frame: a frame of drag feedback costs what the feedback
    // covers. Drawing whose extent is not known ends the tracking.
    bool tracked[2] = { false, false };
    QRect damage[2];

    // Saving a cached image shares the buffer's pixels instead of copying them (aliased[s]); the
    // copy is made only when the buffer is written to again in the same paint. slotSpare[s]
    // keeps the memory of a replaced or dropped image of slot s for that copy, so neither path
    // allocates (and faults in) a fresh frame. QImage copies rather than shares an image a
    // painter is open on, so until closePaint ends the buffer's painter an aliased slot holds
    // no image of its own: its pixels are the buffer's (slotImage).
    bool aliased[2] = { false, false };
    [[nodiscard]] bool hasSlot(int s) const noexcept { return aliased[s] || !cached[s].isNull(); }
    [[nodiscard]] const QImage& slotImage(int s) const noexcept
    {
        return aliased[s] && cached[s].isNull() ? offscreen : cached[s];
    }
    QImage slotSpare[2];
    QRectF opBounds; ///< extent of the drawing call under way (display pixels), see touch()
    bool opHasBounds = false;

    std::vector<QPointF> points; ///< conversion buffer, reused

    /// The painter drawing goes to, without touching the buffer (for state changes and checks).
    [[nodiscard]] QPainter* current() const noexcept { return buffer ? buffer.get() : target.get(); }
    /// The painter drawing goes to, with the buffer cleared first when that is still pending.
    QPainter* drawing() noexcept
    {
        QPainter* p = prepareDrawing();
        resumeSmoothing(p);
        return p;
    }
    /// drawing() for fills of whole pixels under an identity transform. Anti-aliasing changes
    /// none of their pixels but sends each fill through the rasterizer instead of the painter's
    /// rectangle fill, so it is switched off, and given back by the next other drawing.
    QPainter* drawingWholePixels() noexcept
    {
        QPainter* p = prepareDrawing();
        if (p && p->testRenderHint(QPainter::Antialiasing)) {
            p->setRenderHint(QPainter::Antialiasing, false);
            smoothingOwed = true;
        }
        return p;
    }
    QPainter* prepareDrawing() noexcept
    {
        separate();
        if (buffer && pendingClear)
            clearOffscreen();
        if (buffer && pendingFill)
            fillOffscreen();
        if (buffer && (tracked[0] || tracked[1]))
            noteDamage();
        opHasBounds = false;
        return current();
    }
    void resumeSmoothing(QPainter* p) noexcept
    {
        if (smoothingOwed && p)
            p->setRenderHint(QPainter::Antialiasing, true);
        smoothingOwed = false;
    }
    bool smoothingOwed = false; ///< anti-aliasing is off for whole-pixel fills and owed to the painter
    /// The next drawing() draws within bounds (display pixels) grown by margin on every side.
    void touch(const QRectF& bounds, float margin) noexcept
    {
        opBounds = bounds.normalized().adjusted(-margin, -margin, margin, margin);
        opHasBounds = std::isfinite(opBounds.left()) && std::isfinite(opBounds.top()) && std::isfinite(opBounds.right())
            && std::isfinite(opBounds.bottom());
    }
    /// A margin around a figure's points that its outline with ctx's pen stays within: mitred
    /// corners reach at most one pen width out, smoothing one pixel more.
    float marginFor(const GiContext* ctx) const
    {
        const GiContext& c = ctx ? *ctx : ctxCache;
        return 2.f * gs().penWidthPx(c.lineWidth(), true) + 3.f;
    }
    void noteDamage() noexcept
    {
        if (!opHasBounds || !buffer->worldTransform().isIdentity() || offscreen.devicePixelRatio() != 1.0) {
            untrack();
            return;
        }
        const QRect r = (opBounds & QRectF(offscreen.rect())).toAlignedRect() & offscreen.rect();
        for (int s = 0; s < 2; ++s) {
            if (tracked[s])
                damage[s] |= r;
        }
    }
    /// Fills the surface of p with c, whatever its transform (the clip stays).
    void fillWhole(QPainter* p, const QColor& c)
    {
        const QTransform saved = p->worldTransform();
        p->setWorldTransform(QTransform());
        p->fillRect(QRect(QPoint(0, 0), logicalSizeOf(p->device())), c);
        p->setWorldTransform(saved);
    }
    void fillOffscreen()
    {
        separate();
        pendingFill = false;
        fillWhole(buffer.get(), fillColor);
        offscreenOpaque = true;
        untrack();
    }
    /// Gives every cached image that shares the buffer's pixels its own copy, before the
    /// buffer is written to.
    void separate() noexcept
    {
        for (int s = 0; s < 2; ++s) {
            if (!aliased[s])
                continue;
            aliased[s] = false;
            if (!copyPixelsInto(slotSpare[s], offscreen))
                slotSpare[s] = offscreen.copy();
            cached[s] = std::move(slotSpare[s]);
            slotSpare[s] = QImage();
        }
    }
    /// Keeps image as the spare memory of slot s when it owns its pixels alone.
    void keepSpare(int s, QImage&& image) noexcept
    {
        if (!image.isNull() && image.isDetached() && !aliased[s])
            slotSpare[s] = std::move(image);
        image = QImage();
    }
    void untrack() noexcept
    {
        tracked[0] = tracked[1] = false;
        damage[0] = damage[1] = QRect();
    }
    void clearOffscreen() noexcept
    {
        // The painter draws straight into the image's own memory (it is not shared), so the
        // transparent black of premultiplied ARGB is all-zero bytes.
        separate();
        std::memset(offscreen.bits(), 0, static_cast<std::size_t>(offscreen.sizeInBytes()));
        pendingClear = false;
        offscreenOpaque = false;
        untrack();
    }
    [[nodiscard]] GiGraphics& gs() const noexcept { return *owner->graphics(); }

    const QPointF* convert(const MgPoint* pts, int count)
    {
        points.resize(static_cast<std::size_t>(count));
        for (int i = 0; i < count; ++i)
            points[static_cast<std::size_t>(i)] = QPointF(pts[i].x, pts[i].y);
        return points.data();
    }

    QColor deviceColor(const GiRgba& c, std::uint8_t alpha) const
    {
        const GiRgba d = gs().penColorFor(c);
        return QColor(d.r, d.g, d.b, alpha);
    }

    // Makes the pen for ctx current; false (no outline) when ctx has no line.
    bool preparePen(const GiContext* ctx)
    {
        const GiContext& c = ctx ? *ctx : ctxCache;
        if (c.isNullLine()) {
            noOutline = true;
            return false;
        }
        noOutline = false;
        if (hasPen && ctxCache.lineStyle() == c.lineStyle() && ctxCache.lineWidth() == c.lineWidth()
            && ctxCache.lineColor() == c.lineColor())
            return true;
        ctxCache.setLineStyle(c.lineStyle());
        ctxCache.setLineWidth(c.lineWidth());
        ctxCache.setLineColor(c.lineColor());
        const float width = gs().penWidthPx(c.lineWidth(), true);
        const Qt::PenStyle style = penStyleFor(c.lineStyle());
        pen = QPen(QBrush(deviceColor(c.lineColor(), c.lineAlpha())), width, style, Qt::FlatCap, Qt::MiterJoin);
        thinDashed = width <= 1.f && style != Qt::SolidLine;
        hasPen = true;
        return true;
    }

    // Makes the brush for ctx current; false (no fill) when ctx has no fill colour.
    bool prepareBrush(const GiContext* ctx)
    {
        const GiContext& c = ctx ? *ctx : ctxCache;
        if (!c.hasFillColor()) {
            noFill = true;
            return false;
        }
        noFill = false;
        if (hasBrush && ctxCache.fillColor() == c.fillColor())
            return true;
        ctxCache.setFillColor(c.fillColor());
        brush = QBrush(deviceColor(c.fillColor(), c.fillAlpha()));
        hasBrush = true;
        return true;
    }

    // Strokes with the current pen: a thin dashed pen draws without anti-aliasing.
    template <class Shape> void stroke(QPainter* p, Shape&& shape)
    {
        p->setBrush(Qt::NoBrush);
        p->setPen(pen);
        if (thinDashed && p->testRenderHint(QPainter::Antialiasing)) {
            p->setRenderHint(QPainter::Antialiasing, false);
            shape(p);
            p->setRenderHint(QPainter::Antialiasing, true);
        } else {
            shape(p);
        }
    }

    // Fills (for closed figures) and then outlines shape with the pen and brush of ctx.
    template <class Shape> bool paint(const GiContext* ctx, bool closed, Shape&& shape)
    {
        QPainter* p = drawing();
        if (!p)
            return false;
        const bool fill = closed && prepareBrush(ctx);
        const bool outline = preparePen(ctx);
        if (!fill && !outline)
            return false;
        if (fill && outline && !thinDashed) {
            // One call fills and then strokes: the same pixels as two calls, half the set-up.
            p->setBrush(brush);
            p->setPen(pen);
            shape(p);
            return true;
        }
        if (fill) {
            p->setPen(Qt::NoPen);
            p->setBrush(brush);
            shape(p);
        }
        if (outline)
            stroke(p, shape);
        return true;
    }

    void releaseDrawingObjects()
    {
        smoothingOwed = false; // a painter opened or closed: it keeps its own render hints
        hasPen = hasBrush = false;
        thinDashed = false;
        path.reset();
    }
};

GiCanvasGdip::GiCanvasGdip(GiGraphics* gs)
    : GiCanvasWin(gs)
    , m_impl(std::make_unique<Impl>(this))
{
}

GiCanvasGdip::~GiCanvasGdip()
{
    if (m_impl->target)
        closePaint(false);
}

// ---- Paint cycle --------------------------------------------------------------------------

bool GiCanvasGdip::openPaint(
    QPaintDevice* device, QPaintDevice* attribDevice, bool buffered, bool overlay, const QRect& clipRect)
{
    Impl& d = *m_impl;
    if (d.target)
        return false;
    if (!GiCanvasWin::openPaint(device, attribDevice, buffered, overlay, clipRect))
        return false;
    buffered = buffered && !graphics()->isPrinting();

    if (buffered) {
        const qreal dpr = device->devicePixelRatio();
        const QSize logical = logicalSizeOf(device);
        const QSize pixels(qCeil(logical.width() * dpr), qCeil(logical.height() * dpr));
        if (d.aliased[0] || d.aliased[1]) {
            // A cached image holds the buffer's pixels: it keeps them, and the buffer takes the
            // spare memory of that slot (its content unknown).
            const int s = d.aliased[0] ? 0 : 1;
            d.aliased[0] = d.aliased[1] = false;
            d.offscreen = std::move(d.slotSpare[s]);
            d.slotSpare[s] = QImage();
            d.untrack();
        }
        const bool reuse = d.offscreen.size() == pixels && d.offscreen.devicePixelRatio() == dpr
            && d.offscreen.isDetached() && !pixels.isEmpty();
        if (!reuse) {
            d.offscreen = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
            d.offscreen.setDevicePixelRatio(dpr);
            d.untrack();
        }
        if (!d.offscreen.isNull() && d.offscreen.constBits() != d.shownBits)
            d.shownOn = nullptr; // another buffer than the one last shown
        if (d.offscreen.isNull() || pixels.isEmpty()) {
            buffered = false;
        } else {
            // Overlay starts from what the device shows: an image or pixmap is read directly; a
            // widget cannot be read back during its paint, but shows the frame last copied to it.
            bool keep = false;
            if (overlay && (device->devType() == QInternal::Image || device->devType() == QInternal::Pixmap)) {
                d.offscreen.fill(Qt::transparent);
                QPainter copier(&d.offscreen);
                copier.setCompositionMode(QPainter::CompositionMode_Source);
                if (device->devType() == QInternal::Image)
                    copier.drawImage(QPoint(0, 0), *static_cast<const QImage*>(device));
                else
                    copier.drawPixmap(QPoint(0, 0), *static_cast<const QPixmap*>(device));
                keep = true;
                d.untrack();
            } else if (overlay) {
                keep = d.shownOn == device;
            }
            d.pendingClear = !keep;
            d.pendingFill = false;
            if (!keep || d.shownOn != device)
                d.offscreenOpaque = false;
        }
    }

    if (!buffered && d.shownOn == device)
        d.shownOn = nullptr; // drawn on directly: no longer the frame last copied there

    d.target = std::make_unique<QPainter>();
    if (!d.target->begin(device)) {
        d.target.reset();
        GiCanvasWin::closePaint(false);
        return false;
    }
    // The paint's background colour; the alpha set by changeBackgroundColor stays.
    const QColor bg = d.target->background().color();
    d.background = GiRgba(static_cast<std::uint8_t>(bg.red()), static_cast<std::uint8_t>(bg.green()),
        static_cast<std::uint8_t>(bg.blue()), d.background.a == 0 ? std::uint8_t(255) : d.background.a);

    if (buffered) {
        d.buffer = std::make_unique<QPainter>();
        if (!d.buffer->begin(&d.offscreen))
            d.buffer.reset();
    }
    d.device = device;
    d.releaseDrawingObjects();
    d.current()->setRenderHint(QPainter::Antialiasing, graphics()->isSmoothing());
    return true;
}

void GiCanvasGdip::closePaint(bool draw)
{
    Impl& d = *m_impl;
    if (!graphics()->isPainting() || !d.target)
        return;
    if (d.buffer) {
        if (d.pendingFill)
            d.fillOffscreen();
        d.buffer->end();
        d.buffer.reset();
        // With the painter gone, a slot saved during this paint can share the buffer's pixels.
        for (int s = 0; s < 2; ++s) {
            if (d.aliased[s] && d.cached[s].isNull())
                d.cached[s] = d.offscreen;
        }
        if (d.pendingClear) {
            // Nothing was drawn: the transparent buffer would leave the device as it is.
            d.shownOn = nullptr;
        } else if (draw) {
            d.target->setRenderHint(QPainter::SmoothPixmapTransform, false);
            d.target->setWorldTransform(QTransform());
            d.target->setClipping(false);
            // An opaque buffer replaces the pixels beneath it: a plain copy instead of a blend.
            if (d.offscreenOpaque)
                d.target->setCompositionMode(QPainter::CompositionMode_Source);
            d.target->drawImage(
                QPoint(0, 0), d.offscreenOpaque ? opaqueForDevice(d.target.get(), d.offscreen) : d.offscreen);
            d.shownOn = d.device;
            d.shownBits = d.offscreen.constBits();
        } else {
            d.shownOn = nullptr;
        }
    }
    d.releaseDrawingObjects();
    d.target->end();
    d.target.reset();
    d.device = nullptr;
    GiCanvasWin::closePaint(draw);
}

QPaintDevice* GiCanvasGdip::borrowDC()
{
    Impl& d = *m_impl;
    if (d.buffer) {
        d.drawing();
        return &d.offscreen;
    }
    return d.target ? d.device : nullptr;
}

void GiCanvasGdip::returnDC(QPaintDevice* /*dc*/) { }

QPainter* GiCanvasGdip::painterFor(QPaintDevice* dc) const
{
    Impl& d = *m_impl;
    if (d.buffer && dc == &d.offscreen)
        return d.drawing();
    if (d.target && dc == d.device)
        return d.target.get();
    return nullptr;
}

QPainter* GiCanvasGdip::painter() const noexcept { return m_impl->drawing(); }

bool GiCanvasGdip::isBuffered() const { return m_impl->buffer != nullptr; }

// ---- Background, clip, smoothing ----------------------------------------------------------

GiRgba GiCanvasGdip::backgroundColor() const { return m_impl->background; }

GiRgba GiCanvasGdip::changeBackgroundColor(const GiRgba& color)
{
    const GiRgba former = m_impl->background;
    m_impl->background = color;
    return former;
}

void GiCanvasGdip::fillBackground()
{
    Impl& d = *m_impl;
    QPainter* p = d.current();
    if (!p || graphics()->isPrinting())
        return;
    const QColor c(d.background.r, d.background.g, d.background.b);
    if (p == d.buffer.get() && !p->hasClipping()) {
        // The whole buffer becomes this colour, but only once something needs it: a paint that
        // goes on with an opaque cached image over everything never pays for the fill.
        d.pendingClear = false;
        d.pendingFill = true;
        d.fillColor = c;
        return;
    }
    p = d.drawing();
    d.fillWhole(p, c);
}

void GiCanvasGdip::setClipRect(float x1, float y1, float x2, float y2)
{
    if (QPainter* p = m_impl->current())
        p->setClipRect(QRectF(QPointF(x1, y1), QPointF(x2, y2)).normalized(), Qt::ReplaceClip);
}

void GiCanvasGdip::setSmoothing(bool on)
{
    m_impl->smoothingOwed = false;
    if (QPainter* p = m_impl->current())
        p->setRenderHint(QPainter::Antialiasing, on);
}

GiContext GiCanvasGdip::penBrushContext() const { return m_impl->ctxCache; }

// ---- Cached images ------------------------------------------------------------------------

void GiCanvasGdip::dropCachedImage(bool all)
{
    Impl& d = *m_impl;
    for (int s = 0; s < (all ? 2 : 1); ++s) {
        if (d.aliased[s])
            d.cached[s] = QImage(); // the buffer owns those pixels again
        d.aliased[s] = false;
        d.keepSpare(s, std::move(d.cached[s]));
        d.cachedOpaque[s] = false;
        d.tracked[s] = false;
    }
}

void GiCanvasGdip::saveCachedImage(bool second)
{
    Impl& d = *m_impl;
    const int slot = second ? 1 : 0;
    d.tracked[slot] = false;
    if (!d.buffer || d.offscreen.isNull()) {
        if (d.aliased[slot])
            d.cached[slot] = QImage();
        d.aliased[slot] = false;
        d.keepSpare(slot, std::move(d.cached[slot]));
        d.cachedOpaque[slot] = false;
        return;
    }
    if (d.pendingClear)
        d.clearOffscreen(); // a buffer still to be cleared is saved cleared
    if (d.pendingFill)
        d.fillOffscreen();
    // Share the buffer's pixels; they are copied only if the buffer changes before the next
    // paint (see separate). A 1080p frame is 8 MB.
    if (!d.aliased[slot]) {
        d.keepSpare(slot, std::move(d.cached[slot]));
        d.aliased[slot] = true;
    }
    d.cachedOpaque[slot] = d.offscreenOpaque;
    d.tracked[slot] = true; // the buffer and the slot are the same pixels now
    d.damage[slot] = QRect();
}

bool GiCanvasGdip::hasCachedImage(bool second) const { return m_impl->hasSlot(second ? 1 : 0); }

namespace {

bool drawCached(QPainter* p, const QImage& image, bool opaque, float x, float y)
{
    QPoint at;
    if (!p || image.isNull() || !giToPixel(x, at.rx()) || !giToPixel(y, at.ry()))
        return false;
    const QPainter::CompositionMode mode = p->compositionMode();
    // An opaque image replaces what lies beneath: let the painter copy rather than blend.
    if (opaque && mode == QPainter::CompositionMode_SourceOver)
        p->setCompositionMode(QPainter::CompositionMode_Source);
    p->drawImage(at, opaque ? opaqueForDevice(p, image) : image);
    p->setCompositionMode(mode);
    return true;
}

} // namespace

bool GiCanvasGdip::drawCachedImage(float x, float y, bool second)
{
    Impl& d = *m_impl;
    const int slot = second ? 1 : 0;
    QPainter* p = d.current();
    if (!p || !d.hasSlot(slot))
        return false;
    // An opaque frame drawn over the whole buffer leaves nothing of its former content.
    const bool coversAll = p == d.buffer.get() && d.cachedOpaque[slot] && std::fabs(x) < 0.5f && std::fabs(y) < 0.5f
        && d.slotImage(slot).size() == d.offscreen.size() && !p->hasClipping() && p->worldTransform().isIdentity();
    if (!coversAll) {
        QPainter* q = d.drawing(); // first gives an aliased slot its own pixels
        return drawCached(q, d.cached[slot], d.cachedOpaque[slot], x, y);
    }
    d.pendingClear = false;
    d.pendingFill = false;
    if (d.tracked[slot]) {
        // The buffer still holds this image but for what was drawn since: put back that part.
        const QRect r = d.damage[slot];
        if (!r.isEmpty()) {
            d.separate();
            const QPainter::CompositionMode mode = p->compositionMode();
            p->setCompositionMode(QPainter::CompositionMode_Source);
            p->drawImage(r.topLeft(), d.cached[slot], r);
            p->setCompositionMode(mode);
        }
        const int other = 1 - slot;
        if (d.tracked[other])
            d.damage[other] |= r;
    } else {
        d.separate();
        drawCached(p, d.cached[slot], true, x, y);
        d.tracked[1 - slot] = false;
    }
    d.tracked[slot] = true;
    d.damage[slot] = QRect();
    d.offscreenOpaque = true;
    return true;
}

bool GiCanvasGdip::drawOtherCachedImage(const GiCanvas* canvas, float x, float y, bool second)
{
    if (!canvas || canvas->canvasKind() != canvasKind())
        return false;
    const auto* other = dynamic_cast<const GiCanvasGdip*>(canvas);
    if (!other)
        return false;
    if (other == this)
        return drawCachedImage(x, y, second);
    const GiViewTransform& mine = graphics()->transform();
    const GiViewTransform& theirs = other->graphics()->transform();
    if (mine.widthPx() != theirs.widthPx() || mine.heightPx() != theirs.heightPx())
        return false;
    const int slot = second ? 1 : 0;
    return drawCached(m_impl->drawing(), other->m_impl->slotImage(slot), other->m_impl->cachedOpaque[slot], x, y);
}

// ---- Primitives ---------------------------------------------------------------------------

bool GiCanvasGdip::strokeSegment(const GiContext* ctx, float x1, float y1, float x2, float y2)
{
    m_impl->touch(QRectF(QPointF(x1, y1), QPointF(x2, y2)), m_impl->marginFor(ctx));
    return m_impl->paint(ctx, false, [&](QPainter* p) { p->drawLine(QLineF(x1, y1, x2, y2)); });
}

bool GiCanvasGdip::strokePolyline(const GiContext* ctx, const MgPoint* points, int count)
{
    if (!points || count < 2 || !m_impl->current())
        return false;
    const QPointF* pts = m_impl->convert(points, count);
    m_impl->touch(pointBounds(pts, count), m_impl->marginFor(ctx));
    return m_impl->paint(ctx, false, [&](QPainter* p) { p->drawPolyline(pts, count); });
}

bool GiCanvasGdip::strokeBezierChain(const GiContext* ctx, const MgPoint* points, int count)
{
    if (!points || count < 4 || !m_impl->current())
        return false;
    QPainterPath path(QPointF(points[0].x, points[0].y));
    for (int i = 1; i + 2 < count; i += 3)
        path.cubicTo(points[i].x, points[i].y, points[i + 1].x, points[i + 1].y, points[i + 2].x, points[i + 2].y);
    m_impl->touch(path.controlPointRect(), m_impl->marginFor(ctx));
    return m_impl->paint(ctx, false, [&](QPainter* p) { p->drawPath(path); });
}

bool GiCanvasGdip::paintPolygon(const GiContext* ctx, const MgPoint* points, int count)
{
    if (!points || count < 2 || !m_impl->current())
        return false;
    const QPointF* pts = m_impl->convert(points, count);
    m_impl->touch(pointBounds(pts, count), m_impl->marginFor(ctx));
    return m_impl->paint(ctx, true, [&](QPainter* p) { p->drawPolygon(pts, count, Qt::OddEvenFill); });
}

bool GiCanvasGdip::paintRect(const GiContext* ctx, float x, float y, float w, float h)
{
    Impl& d = *m_impl;
    QPainter* p = d.current();
    if (!p)
        return false;
    if (w < 0)
        x += w, w = -w;
    if (h < 0)
        y += h, h = -h;
    if (!(w > 0 && h > 0))
        return false;
    int ix = 0, iy = 0, iw = 0, ih = 0;
    if (!giToPixel(x, ix) || !giToPixel(y, iy) || !giToPixel(w, iw) || !giToPixel(h, ih))
        return false;
    const bool fill = d.prepareBrush(ctx);
    const bool outline = d.preparePen(ctx);
    if (!fill && !outline)
        return false;
    const bool plain = p->worldTransform().isIdentity();
    const double width = d.pen.widthF();
    const int even = static_cast<int>(std::lround(width));
    const bool solid = d.pen.style() == Qt::SolidLine;
    const bool thinEdges = solid && width < 1.5;
    const bool evenEdges = solid && even % 2 == 0 && std::fabs(width - even) < 1e-3 && even <= 1024;
    const bool wholePixels = plain && (!outline || thinEdges || evenEdges);
    d.touch(QRectF(ix, iy, iw, ih), d.marginFor(ctx));
    p = wholePixels ? d.drawingWholePixels() : d.drawing();

    if (fill && iw > 0 && ih > 0) {
        if (plain)
            p->fillRect(QRect(ix, iy, iw, ih), d.brush.color()); // solid: the painter's colour fill path
        else
            d.paint(nullptr, true, [&](QPainter* q) {
                q->setPen(Qt::NoPen);
                q->drawRect(QRect(ix, iy, iw, ih));
            });
    }
    if (!outline)
        return true;

    if (plain && thinEdges) {
        // A solid outline that rounds to 1 pixel, on whole pixels: four filled edges cover
        // exactly the pixels an aliased 1-pixel drawRect would (x..x+w by y..y+h, each once),
        // an order of magnitude faster than stroking, above all with translucent pens. Smoothing
        // would only smear the edges of this axis-aligned, whole-pixel rectangle.
        const QColor b = d.pen.color(); // pens are solid colours
        p->fillRect(QRect(ix, iy, iw + 1, 1), b);
        if (ih > 0)
            p->fillRect(QRect(ix, iy + ih, iw + 1, 1), b);
        if (ih > 1) {
            p->fillRect(QRect(ix, iy + 1, 1, ih - 1), b);
            if (iw > 0)
                p->fillRect(QRect(ix + iw, iy + 1, 1, ih - 1), b);
        }
        return true;
    }
    if (plain && evenEdges) {
        // An even whole-pixel pen centred on whole-pixel edges covers whole pixels, with or
        // without smoothing: the band from k/2 outside to k/2 inside each edge, mitred
        // corners. Filled as four bands, each pixel once.
        const int half = even / 2;
        const QRect outer(ix - half, iy - half, iw + even, ih + even);
        const QColor b = d.pen.color(); // pens are solid colours
        if (iw <= even || ih <= even) {
            p->fillRect(outer, b);
        } else {
            p->fillRect(QRect(outer.left(), outer.top(), outer.width(), even), b);
            p->fillRect(QRect(outer.left(), iy + ih - half, outer.width(), even), b);
            p->fillRect(QRect(outer.left(), iy + half, even, ih - even), b);
            p->fillRect(QRect(ix + iw - half, iy + half, even, ih - even), b);
        }
        return true;
    }
    d.stroke(p, [&](QPainter* q) { q->drawRect(QRectF(ix, iy, iw, ih)); });
    return true;
}

bool GiCanvasGdip::paintEllipse(const GiContext* ctx, float x, float y, float w, float h)
{
    if (w < 0)
        x += w, w = -w;
    if (h < 0)
        y += h, h = -h;
    if (!(w > 0 && h > 0))
        return false;
    m_impl->touch(QRectF(x, y, w, h), m_impl->marginFor(ctx));
    return m_impl->paint(ctx, true, [&](QPainter* p) { p->drawEllipse(QRectF(x, y, w, h)); });
}

bool GiCanvasGdip::paintPointPath(const GiContext* ctx, int count, const MgPoint* points, const std::uint8_t* types)
{
    if (!points || !types || count < 2 || !m_impl->current())
        return false;
    QPainterPath path;
    path.setFillRule(Qt::OddEvenFill);
    bool ok = true;
    for (int i = 0; i < count && ok; ++i) {
        const QPointF pt(points[i].x, points[i].y);
        const std::uint8_t type = types[i];
        if (type == kPtMoveTo) {
            path.moveTo(pt);
            continue;
        }
        switch (type & ~kPtCloseFigure) {
        case kPtLineTo:
            if (path.elementCount() == 0)
                path.moveTo(pt);
            else
                path.lineTo(pt);
            break;
        case kPtBezierTo:
            if (i + 2 >= count || (types[i + 1] & ~kPtCloseFigure) != kPtBezierTo
                || (types[i + 2] & ~kPtCloseFigure) != kPtBezierTo) {
                ok = false;
                continue;
            }
            if (path.elementCount() == 0)
                path.moveTo(pt);
            path.cubicTo(pt, QPointF(points[i + 1].x, points[i + 1].y), QPointF(points[i + 2].x, points[i + 2].y));
            i += 2;
            break;
        default: ok = false; continue;
        }
        if (types[i] & kPtCloseFigure)
            path.closeSubpath();
    }
    m_impl->touch(path.controlPointRect(), m_impl->marginFor(ctx));
    const bool drawn = !path.isEmpty() && m_impl->paint(ctx, true, [&](QPainter* p) { p->drawPath(path); });
    return ok && drawn;
}

// ---- Path building ------------------------------------------------------------------------

bool GiCanvasGdip::pathOpen()
{
    if (!m_impl->current())
        return false;
    m_impl->path = std::make_unique<QPainterPath>();
    m_impl->path->setFillRule(Qt::OddEvenFill);
    return true;
}

bool GiCanvasGdip::pathFinish(const GiContext* ctx, bool fill)
{
    Impl& d = *m_impl;
    if (!d.path)
        return false;
    const std::unique_ptr<QPainterPath> path = std::move(d.path);
    if (path->isEmpty())
        return false;
    d.touch(path->controlPointRect(), d.marginFor(ctx));
    return d.paint(ctx, fill, [&](QPainter* p) { p->drawPath(*path); });
}

bool GiCanvasGdip::pathMove(float x, float y)
{
    if (!m_impl->path)
        return false;
    m_impl->path->moveTo(x, y);
    return true;
}

bool GiCanvasGdip::pathLine(float x, float y)
{
    QPainterPath* path = m_impl->path.get();
    if (!path)
        return false;
    if (path->elementCount() == 0)
        path->moveTo(x, y);
    else
        path->lineTo(x, y);
    return true;
}

bool GiCanvasGdip::pathBeziers(const MgPoint* points, int count)
{
    QPainterPath* path = m_impl->path.get();
    if (!path || !points || count < 3)
        return false;
    if (path->elementCount() == 0)
        path->moveTo(points[0].x, points[0].y);
    for (int i = 0; i + 2 < count; i += 3)
        path->cubicTo(points[i].x, points[i].y, points[i + 1].x, points[i + 1].y, points[i + 2].x, points[i + 2].y);
    return true;
}

bool GiCanvasGdip::pathClose()
{
    if (!m_impl->path)
        return false;
    m_impl->path->closeSubpath();
    return true;
}

// ---- Pictures -----------------------------------------------------------------------------

bool GiCanvasGdip::drawImage(const QImage& image, const MgBox& boxWorld, bool fast)
{
    QPainter* p = m_impl->drawing();
    if (!p || image.isNull())
        return false;
    const GiGraphics& gs = *graphics();
    GiImageRects rects;
    if (!giImageRects(image.size(), boxWorld, gs.transform().worldToDisplay(), gs.clipBoxPx(), rects))
        return false;

    const bool smoothWas = p->testRenderHint(QPainter::SmoothPixmapTransform);
    p->setRenderHint(QPainter::SmoothPixmapTransform, !(fast && !gs.isPrinting()));
    const QRectF& t = rects.target;
    if (rects.mirrorX || rects.mirrorY) {
        // Mirror about the centre of the target: it maps onto itself, reversed.
        p->save();
        p->setWorldTransform(QTransform(rects.mirrorX ? -1 : 1, 0, 0, rects.mirrorY ? -1 : 1,
                                 rects.mirrorX ? t.left() + t.right() : 0, rects.mirrorY ? t.top() + t.bottom() : 0),
            true);
        p->drawImage(t, image, rects.source);
        p->restore();
    } else {
        p->drawImage(t, image, rects.source);
    }
    p->setRenderHint(QPainter::SmoothPixmapTransform, smoothWas);
    return true;
}

bool GiCanvasGdip::drawBitmapHandle(
    long himetricWidth, long himetricHeight, const QImage& bitmap, const MgBox& boxWorld, bool fast)
{
    if (!m_impl->current() || himetricWidth <= 0 || himetricHeight <= 0 || bitmap.isNull())
        return false;
    if (bitmap.format() == QImage::Format_ARGB32_Premultiplied || bitmap.format() == QImage::Format_RGB32)
        return drawImage(bitmap, boxWorld, fast);
    return drawImage(bitmap.convertToFormat(QImage::Format_ARGB32_Premultiplied), boxWorld, fast);
}
