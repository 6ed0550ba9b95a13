#include "graph/gigraphics.h"

#include "geom/mgclip.h"
#include "geom/mgcurve.h"
#include "graph/giviewtransform.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <vector>

namespace {

/// Growth of the paint area on every side, display pixels: strokes a little outside the
/// invalidated area still have their pen width drawn inside it.
constexpr float kClipMarginPx = 10;
/// Points closer than this (in both x and y, display pixels) to the last kept point are dropped.
constexpr float kThinPx = 2;

/// Drops, in place, every point within kThinPx in both x and y of the last kept one; answers
/// the number kept. A non-degenerate run never shrinks below two points: when only the first
/// would remain, the run's last point is kept too, so small figures still show as a short stroke
/// instead of vanishing or reaching the canvas as a single point.
int thinPoints(MgPoint* pts, int n)
{
    if (n < 2)
        return n;
    const MgPoint last = pts[n - 1];
    int kept = 1;
    for (int i = 1; i < n; ++i) {
        const MgPoint& p = pts[i];
        const MgPoint& q = pts[kept - 1];
        if (std::fabs(p.x - q.x) > kThinPx || std::fabs(p.y - q.y) > kThinPx)
            pts[kept++] = p;
    }
    if (kept == 1 && last != pts[0])
        pts[kept++] = last;
    return kept;
}

/// x0 = x3, x1 = x2, y0 = y1, y2 = y3: the corner order of drawBox, seen in display space.
bool isAxisRect(const MgPoint* p)
{
    return mgNearZero(p[0].x - p[3].x) && mgNearZero(p[1].x - p[2].x) && mgNearZero(p[0].y - p[1].y)
        && mgNearZero(p[2].y - p[3].y);
}

bool hasVisibleLine(const GiContext& c) { return c.lineStyle() != kGiLineNull && !c.lineColor().isNull(); }

} // namespace

struct GiGraphics::State {
    explicit State(GiViewTransform* xf)
        : transform(xf)
    {
    }

    GiViewTransform* transform;
    GiCanvas* canvas = nullptr;
    float maxPenWidth = 100;
    float minPenWidth = 1;
    bool smoothing = true;
    /// The transform revision startPaint last saw (cached images are dropped when it changes).
    bool hasSeenRevision = false;
    std::uint32_t seenRevision = 0;
    /// The transform revision the derived boxes were computed for. It runs ahead of seenRevision
    /// when the mapping changes during a paint (a shape drawing under GiModelTransformScope).
    std::uint32_t boxRevision = 0;
    std::atomic<std::int32_t> paintRefs { 0 };
    bool printing = false;
    int deviceColors = 0;
    MgBox clipBoxPx;
    MgBox clipPx;
    MgBox clipModel;
    MgBox clipWorld;
    MgBox clientModel;
    MgBox clientWorld;

    void computeBoxes()
    {
        const GiViewTransform& xf = *transform;
        clipModel = clipPx * xf.displayToModel();
        clipWorld = clipModel * xf.modelToWorld();
        clientModel
            = MgBox(0, 0, static_cast<float>(xf.widthPx()), static_cast<float>(xf.heightPx())) * xf.displayToModel();
        clientWorld = clientModel * xf.modelToWorld();
        boxRevision = xf.revision();
    }

    /// Brings the derived boxes up to date with a mapping changed since they were computed.
    void refreshBoxes()
    {
        if (transform->revision() != boxRevision)
            computeBoxes();
    }

    [[nodiscard]] const MgMatrix& toDisplay(bool inModel) const
    {
        return inModel ? transform->modelToDisplay() : transform->worldToDisplay();
    }
    [[nodiscard]] const MgBox& cullBox(bool inModel) const { return inModel ? clipModel : clipWorld; }
    [[nodiscard]] const MgBox& clientBox(bool inModel) const { return inModel ? clientModel : clientWorld; }

    /// The first count points (model or world) in display pixels, or false when their box misses
    /// the paint area. inClient tells whether they all lie inside the client area, where they
    /// need no clipping.
    bool cullAndConvert(int count, const MgPoint* points, bool inModel, std::vector<MgPoint>& out, bool& inClient) const
    {
        MgBox box;
        box.fromPoints(count, points);
        if (!box.overlaps(cullBox(inModel)))
            return false;
        const MgMatrix& m = toDisplay(inModel);
        out.resize(static_cast<size_t>(count));
        for (int i = 0; i < count; ++i)
            out[static_cast<size_t>(i)] = points[i] * m;
        inClient = clientBox(inModel).encloses(box);
        return true;
    }

    /// The box of an ellipse of radii rx, ry about centre (model or world) misses the paint area.
    [[nodiscard]] bool cullsOval(const MgPoint& centre, float rx, float ry, bool inModel) const
    {
        MgBox box;
        box.fromCenter(centre, 2 * rx, 2 * ry);
        return !box.overlaps(cullBox(inModel));
    }
};

namespace {

/// One painting reference held for the duration of a drawing operation.
class PaintRef {
public:
    explicit PaintRef(std::atomic<std::int32_t>& refs)
        : m_refs(refs)
        , m_held(refs.load() > 0)
    {
        if (m_held)
            m_refs.fetch_add(1);
    }
    ~PaintRef()
    {
        if (m_held)
            m_refs.fetch_sub(1);
    }
    PaintRef(const PaintRef&) = delete;
    PaintRef& operator=(const PaintRef&) = delete;

    /// False outside startPaint/finishPaint: the operation must not touch the canvas.
    [[nodiscard]] bool held() const { return m_held; }

private:
    std::atomic<std::int32_t>& m_refs;
    bool m_held;
};

/// Fills and outlines the closed Bezier chain of n display points (3k + 1, the last equal to
/// the first) as one path.
bool fillBezierLoop(GiCanvasDrawing& gs, const GiContext* ctx, const MgPoint* pts, int n)
{
    return gs.pathOpen() && gs.pathMove(pts[0].x, pts[0].y) && gs.pathBeziers(pts + 1, n - 1) && gs.pathClose()
        && gs.pathFinish(ctx, true);
}

} // namespace

GiGraphics::GiGraphics(GiViewTransform* xform)
    : m_state(std::make_unique<State>(xform))
{
}

GiGraphics::~GiGraphics() = default;

// ---- Forwarded primitives ------------------------------------------------------------------

void GiGraphics::dropCachedImage(bool all)
{
    if (m_state->canvas)
        m_state->canvas->dropCachedImage(all);
}

float GiGraphics::screenResolution() const { return m_state->canvas ? m_state->canvas->screenResolution() : 96.f; }

GiRgba GiGraphics::backgroundColor() const
{
    return m_state->canvas ? m_state->canvas->backgroundColor() : GiRgba::none();
}

GiRgba GiGraphics::changeBackgroundColor(const GiRgba& color)
{
    return m_state->canvas ? m_state->canvas->changeBackgroundColor(color.withAlpha(255)) : color;
}

bool GiGraphics::strokeSegment(const GiContext* ctx, float x1, float y1, float x2, float y2)
{
    return m_state->canvas && m_state->canvas->strokeSegment(ctx, x1, y1, x2, y2);
}

bool GiGraphics::strokePolyline(const GiContext* ctx, const MgPoint* points, int count)
{
    return m_state->canvas && m_state->canvas->strokePolyline(ctx, points, count);
}

bool GiGraphics::strokeBezierChain(const GiContext* ctx, const MgPoint* points, int count)
{
    return m_state->canvas && m_state->canvas->strokeBezierChain(ctx, points, count);
}

bool GiGraphics::paintPolygon(const GiContext* ctx, const MgPoint* points, int count)
{
    return m_state->canvas && m_state->canvas->paintPolygon(ctx, points, count);
}

bool GiGraphics::paintRect(const GiContext* ctx, float x, float y, float w, float h)
{
    return m_state->canvas && m_state->canvas->paintRect(ctx, x, y, w, h);
}

bool GiGraphics::paintEllipse(const GiContext* ctx, float x, float y, float w, float h)
{
    return m_state->canvas && m_state->canvas->paintEllipse(ctx, x, y, w, h);
}

bool GiGraphics::paintPointPath(const GiContext* ctx, int count, const MgPoint* points, const std::uint8_t* types)
{
    return m_state->canvas && m_state->canvas->paintPointPath(ctx, count, points, types);
}

bool GiGraphics::pathOpen() { return m_state->canvas && m_state->canvas->pathOpen(); }

bool GiGraphics::pathFinish(const GiContext* ctx, bool fill)
{
    return m_state->canvas && m_state->canvas->pathFinish(ctx, fill);
}

bool GiGraphics::pathMove(float x, float y) { return m_state->canvas && m_state->canvas->pathMove(x, y); }

bool GiGraphics::pathLine(float x, float y) { return m_state->canvas && m_state->canvas->pathLine(x, y); }

bool GiGraphics::pathBeziers(const MgPoint* points, int count)
{
    return m_state->canvas && m_state->canvas->pathBeziers(points, count);
}

bool GiGraphics::pathClose() { return m_state->canvas && m_state->canvas->pathClose(); }

// ---- Transform, canvas and device ----------------------------------------------------------

GiViewTransform& GiGraphics::transform() const noexcept { return *m_state->transform; }

void GiGraphics::attachCanvas(GiCanvas* canvas) noexcept { m_state->canvas = canvas; }

GiCanvas* GiGraphics::canvas() const noexcept { return m_state->canvas; }

void GiGraphics::setDeviceColors(int colors) noexcept { m_state->deviceColors = colors; }

int GiGraphics::deviceColors() const noexcept { return m_state->deviceColors; }

void GiGraphics::setPrinting(bool printing) noexcept { m_state->printing = printing; }

// ---- Painting bracket ----------------------------------------------------------------------

void GiGraphics::startPaint(const MgBox& clipBox)
{
    State& s = *m_state;
    const std::uint32_t rev = s.transform->revision();
    if (!s.hasSeenRevision || rev != s.seenRevision) {
        s.computeBoxes();
        if (s.canvas)
            s.canvas->dropCachedImage(true);
        s.hasSeenRevision = true;
        s.seenRevision = rev;
    }
    s.paintRefs.fetch_add(1);
    if (clipBox.isFlat())
        return;
    s.clipBoxPx = clipBox;
    s.clipPx.copyFrom(clipBox, true).grow(kClipMarginPx);
    s.computeBoxes();
}

void GiGraphics::finishPaint()
{
    // An unmatched finishPaint must not leave a negative count that would swallow the next paint.
    std::int32_t refs = m_state->paintRefs.load();
    while (refs > 0 && !m_state->paintRefs.compare_exchange_weak(refs, refs - 1)) { }
}

bool GiGraphics::isPainting() const noexcept { return m_state->paintRefs.load() > 0; }

bool GiGraphics::isPrinting() const noexcept { return m_state->printing; }

const MgBox& GiGraphics::clipBoxPx() const noexcept { return m_state->clipBoxPx; }

const MgBox& GiGraphics::clipBoxWorld() const noexcept { return m_state->clipWorld; }

const MgBox& GiGraphics::clipBoxModel() const noexcept { return m_state->clipModel; }

// ---- Pens and colours ----------------------------------------------------------------------

bool GiGraphics::setSmoothing(bool on)
{
    const bool former = m_state->smoothing;
    m_state->smoothing = on;
    if (m_state->canvas)
        m_state->canvas->setSmoothing(on);
    return former;
}

bool GiGraphics::isSmoothing() const noexcept { return m_state->smoothing; }

void GiGraphics::setMaxPenWidth(float px) noexcept { m_state->maxPenWidth = px; }

void GiGraphics::setMinPenWidth(float px) noexcept { m_state->minPenWidth = px; }

float GiGraphics::penWidthPx(float lineWidth, bool withZoom) const
{
    const State& s = *m_state;
    const float r = s.transform->resolutionY();
    float w = s.maxPenWidth <= 1 ? 0.f : lineWidth;
    float px = 1;
    if (w > 0) {
        px = r * w / 2540.f;
        if (withZoom)
            px *= s.transform->zoom();
        px = std::min(px, s.maxPenWidth);
    } else if (w < 0) {
        px = std::min(-w, s.maxPenWidth);
    }
    px = std::max(px, s.minPenWidth);
    if (w <= 0) {
        // Pixel widths are screen pixels: a finer device (a printer) needs proportionally more dots.
        const float screen = screenResolution();
        if (screen > 0 && screen < r)
            px *= r / screen;
    }
    return px;
}

GiRgba GiGraphics::penColorFor(const GiRgba& color) const
{
    const State& s = *m_state;
    GiRgba c = color;
    if (s.deviceColors == 2) {
        const auto gray = static_cast<std::uint8_t>((77 * c.r + 151 * c.g + 28 * c.b + 128) >> 8);
        c = GiRgba(gray, gray, gray, c.a);
    }
    if (s.deviceColors >= 1 && s.deviceColors <= 7 && s.canvas)
        c = s.canvas->nearestColor(c);
    return c;
}

// ---- Drawing -------------------------------------------------------------------------------

namespace {

/// Draws n display points as a closed polygon with the chosen parts of ctx (null: the canvas's
/// current context). An axis-aligned rectangle in drawBox corner order goes to paintRect.
bool drawPolygonParts(GiGraphics& gs, const GiContext* ctx, const MgPoint* pts, int n, bool fill, bool outline)
{
    GiCanvas* canvas = gs.canvas();
    if (!canvas || n < 2)
        return false;
    GiContext c = ctx ? *ctx : canvas->penBrushContext();
    if (!outline)
        c.setLineStyle(kGiLineNull);
    if (!fill)
        c.setFillColor(GiRgba::none());
    if (!hasVisibleLine(c) && !c.hasFillColor())
        return false;

    // Judged before thinning as well: a box only a few pixels across is still a box, and thinning
    // would otherwise reduce it to a line.
    if (n == 4 && isAxisRect(pts))
        return canvas->paintRect(&c, pts[0].x, pts[0].y, pts[2].x - pts[0].x, pts[2].y - pts[0].y);
    std::vector<MgPoint> kept(pts, pts + n);
    const int m = thinPoints(kept.data(), n);
    if (m < 2)
        return false;
    if (m == 4 && isAxisRect(kept.data()))
        return canvas->paintRect(&c, kept[0].x, kept[0].y, kept[2].x - kept[0].x, kept[2].y - kept[0].y);
    return canvas->paintPolygon(&c, kept.data(), m);
}

/// Thins a run of display points in place and strokes it; false when fewer than 2 remain.
bool strokeRun(GiGraphics& gs, const GiContext* ctx, std::vector<MgPoint>& run)
{
    const int n = thinPoints(run.data(), static_cast<int>(run.size()));
    return n >= 2 && gs.strokePolyline(ctx, run.data(), n);
}

} // namespace

bool GiGraphics::drawSegment(const GiContext* ctx, const MgPoint& p1, const MgPoint& p2, bool inModel)
{
    State& s = *m_state;
    const PaintRef ref(s.paintRefs);
    if (!ref.held())
        return false;
    s.refreshBoxes();
    if (!MgBox(p1, p2).overlaps(s.cullBox(inModel)))
        return false;
    const MgMatrix& m = s.toDisplay(inModel);
    MgPoint a = p1 * m;
    MgPoint b = p2 * m;
    if (!mgClipSegment(a, b, s.clipPx))
        return false;
    return strokeSegment(ctx, a.x, a.y, b.x, b.y);
}

bool GiGraphics::drawPolyline(const GiContext* ctx, int count, const MgPoint* points, bool inModel)
{
    State& s = *m_state;
    const PaintRef ref(s.paintRefs);
    if (!ref.held() || count < 2 || !points)
        return false;
    s.refreshBoxes();
    count = std::min(count, kMaxPoints);
    std::vector<MgPoint> pts;
    bool inClient = false;
    if (!s.cullAndConvert(count, points, inModel, pts, inClient))
        return false;
    if (inClient)
        return strokeRun(*this, ctx, pts);

    // Walk the segments, gathering each stretch that stays inside clipPx into one run.
    bool drawn = false;
    std::vector<MgPoint> run;
    run.reserve(pts.size());
    int i = 0;
    while (i < count - 1) {
        MgPoint a = pts[i];
        MgPoint b = pts[i + 1];
        ++i;
        if (!mgClipSegment(a, b, s.clipPx))
            continue;
        run.assign({ a, b });
        // While the run's end is an original point it lies inside: extend by the next segment.
        // An end inside clipPx needs no clipping, which spares the common case.
        while (b == pts[i] && i < count - 1) {
            b = pts[i + 1];
            if (!s.clipPx.contains(b)) {
                a = pts[i];
                if (!mgClipSegment(a, b, s.clipPx))
                    break;
            }
            run.push_back(b);
            ++i;
        }
        if (strokeRun(*this, ctx, run))
            drawn = true;
    }
    return drawn;
}

bool GiGraphics::drawBezierChain(const GiContext* ctx, int count, const MgPoint* points, bool inModel)
{
    State& s = *m_state;
    const PaintRef ref(s.paintRefs);
    if (!ref.held() || count < 4 || !points)
        return false;
    s.refreshBoxes();
    count = count > kMaxPoints ? kMaxBezierPoints : (count - 1) / 3 * 3 + 1;
    std::vector<MgPoint> pts;
    bool inClient = false;
    if (!s.cullAndConvert(count, points, inModel, pts, inClient))
        return false;
    if (inClient)
        return strokeBezierChain(ctx, pts.data(), count);

    // Consecutive segments whose control points reach into clipPx form one run; the others are skipped.
    bool drawn = false;
    int start = -1;
    int end = -1;
    auto flush = [&] {
        if (start >= 0 && strokeBezierChain(ctx, pts.data() + start, end - start + 1))
            drawn = true;
        start = -1;
    };
    for (int i = 0; i + 3 < count; i += 3) {
        MgBox seg;
        seg.fromPoints(4, pts.data() + i);
        if (seg.overlaps(s.clipPx)) {
            if (start < 0)
                start = i;
            end = i + 3;
        } else {
            flush();
        }
    }
    flush();
    return drawn;
}

bool GiGraphics::drawPolygonArea(const GiContext* ctx, int count, const MgPoint* points, bool inModel)
{
    State& s = *m_state;
    const PaintRef ref(s.paintRefs);
    if (!ref.held() || count < 2 || !points || !s.canvas)
        return false;
    s.refreshBoxes();
    count = std::min(count, kMaxPoints);
    std::vector<MgPoint> pts;
    bool inClient = false;
    if (!s.cullAndConvert(count, points, inModel, pts, inClient))
        return false;
    if (inClient)
        return drawPolygonParts(*this, ctx, pts.data(), count, true, true);

    MgPolygonClipper clipper(s.clipPx, true);
    if (!clipper.clip(count, pts.data()) || clipper.resultCount() < 2)
        return false;
    const int n = clipper.resultCount();
    bool drawn = drawPolygonParts(*this, ctx, clipper.resultPoints(), n, true, false);

    const int first = clipper.firstBoundaryEdge();
    if (first >= n)
        return drawPolygonParts(*this, ctx, clipper.resultPoints(), n, false, true) || drawn;

    // The outline leaves out the edges the clipper laid along clipPx: those are not the figure's.
    const GiContext line = ctx ? *ctx : s.canvas->penBrushContext();
    if (!hasVisibleLine(line))
        return drawn;
    std::vector<MgPoint> run;
    run.reserve(static_cast<size_t>(n) + 1);
    for (int e = first + 1; e <= first + n; ++e) {
        if (e < first + n && clipper.isInnerEdge(e)) {
            if (run.empty())
                run.push_back(clipper.resultPoint(e));
            run.push_back(clipper.resultPoint(e + 1));
        } else if (!run.empty()) {
            if (strokeRun(*this, &line, run))
                drawn = true;
            run.clear();
        }
    }
    return drawn;
}

bool GiGraphics::drawBox(const GiContext* ctx, const MgBox& box, bool inModel)
{
    const MgPoint corners[4]
        = { { box.xmin, box.ymin }, { box.xmax, box.ymin }, { box.xmax, box.ymax }, { box.xmin, box.ymax } };
    return drawPolygonArea(ctx, 4, corners, inModel);
}

bool GiGraphics::drawOval(const GiContext* ctx, const MgPoint& centre, float rx, float ry, bool inModel)
{
    State& s = *m_state;
    const PaintRef ref(s.paintRefs);
    if (!ref.held() || !(rx >= kMgZero))
        return false;
    s.refreshBoxes();
    if (!(ry >= kMgZero))
        ry = rx;
    if (s.cullsOval(centre, rx, ry, inModel))
        return false;
    const MgMatrix& m = s.toDisplay(inModel);
    if (m.hasNoRotation()) {
        const MgPoint c = centre * m;
        const float rxd = rx * m.m11;
        const float ryd = ry * m.m22; // negative with y up: the canvas normalises
        return paintEllipse(ctx, c.x - rxd, c.y - ryd, 2 * rxd, 2 * ryd);
    }
    MgPoint pts[13];
    mgEllipseControlPoints(centre, rx, ry, pts);
    MgPoint::transformPoints(m, 13, pts);
    return fillBezierLoop(*this, ctx, pts, 13);
}

bool GiGraphics::drawOvalInBox(const GiContext* ctx, const MgBox& box, bool inModel)
{
    return drawOval(ctx, box.midpoint(), box.width() / 2, box.height() / 2, inModel);
}

bool GiGraphics::drawOvalArc(
    const GiContext* ctx, const MgPoint& centre, float rx, float ry, float startAngle, float sweepAngle, bool inModel)
{
    State& s = *m_state;
    const PaintRef ref(s.paintRefs);
    if (!ref.held() || !(rx >= kMgZero) || !(std::fabs(sweepAngle) >= kMgAngleSlack))
        return false;
    s.refreshBoxes();
    if (!(ry >= kMgZero))
        ry = rx;
    if (s.cullsOval(centre, rx, ry, inModel))
        return false;
    MgPoint pts[16];
    const int n = mgArcControlPoints(centre, rx, ry, startAngle, sweepAngle, pts);
    if (n < 4)
        return false;
    MgPoint::transformPoints(s.toDisplay(inModel), n, pts);
    return strokeBezierChain(ctx, pts, n);
}

bool GiGraphics::drawRoundedBox(const GiContext* ctx, const MgBox& box, float rx, float ry, bool inModel)
{
    State& s = *m_state;
    const PaintRef ref(s.paintRefs);
    if (!ref.held() || box.isFlat())
        return false;
    s.refreshBoxes();
    if (!(ry >= kMgZero))
        ry = rx;
    MgBox extent;
    extent.copyFrom(box, true);
    if (!extent.overlaps(s.cullBox(inModel)))
        return false;
    if (!(rx >= kMgZero))
        return drawBox(ctx, box, inModel);
    MgPoint pts[16];
    mgRoundedBoxControlPoints(box, rx, ry, pts);
    MgPoint::transformPoints(s.toDisplay(inModel), 16, pts);
    return pathOpen() && pathMove(pts[0].x, pts[0].y) && pathBeziers(pts + 1, 3) && pathLine(pts[4].x, pts[4].y)
        && pathBeziers(pts + 5, 3) && pathLine(pts[8].x, pts[8].y) && pathBeziers(pts + 9, 3)
        && pathLine(pts[12].x, pts[12].y) && pathBeziers(pts + 13, 3) && pathClose() && pathFinish(ctx, true);
}

namespace {

/// The display Bezier chain of a spline: K0, K0 + T0, K1 - T1, K1, ... with the tangents
/// converted as vectors and divided by 3. closed continues back to K0 (3n + 1 points),
/// otherwise the chain ends at K(n-1) (3n - 2 points).
std::vector<MgPoint> splineChain(int n, const MgPoint* knots, const MgVector* tangents, const MgMatrix& m, bool closed)
{
    std::vector<MgPoint> k(static_cast<size_t>(n));
    std::vector<MgVector> t(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        k[i] = knots[i] * m;
        t[i] = (tangents[i] * m) / 3;
    }
    std::vector<MgPoint> chain;
    chain.reserve(static_cast<size_t>(3 * n + 1));
    chain.push_back(k[0]);
    for (int i = 0; i + 1 < n; ++i) {
        chain.push_back(k[i] + t[i]);
        chain.push_back(k[i + 1] - t[i + 1]);
        chain.push_back(k[i + 1]);
    }
    if (closed) {
        chain.push_back(k[n - 1] + t[n - 1]);
        chain.push_back(k[0] - t[0]);
        chain.push_back(k[0]);
    }
    return chain;
}

} // namespace

bool GiGraphics::drawSplineCurve(
    const GiContext* ctx, int count, const MgPoint* knots, const MgVector* tangents, bool inModel)
{
    State& s = *m_state;
    const PaintRef ref(s.paintRefs);
    if (!ref.held() || count <= 1 || !knots || !tangents)
        return false;
    s.refreshBoxes();
    count = std::min(count, kMaxSplineKnots);
    const std::vector<MgPoint> chain = splineChain(count, knots, tangents, s.toDisplay(inModel), false);
    return strokeBezierChain(ctx, chain.data(), static_cast<int>(chain.size()));
}

bool GiGraphics::drawClosedSplineCurve(
    const GiContext* ctx, int count, const MgPoint* knots, const MgVector* tangents, bool inModel)
{
    State& s = *m_state;
    const PaintRef ref(s.paintRefs);
    if (!ref.held() || count <= 1 || !knots || !tangents)
        return false;
    s.refreshBoxes();
    count = std::min(count, kMaxSplineKnots - 1);
    const std::vector<MgPoint> chain = splineChain(count, knots, tangents, s.toDisplay(inModel), true);
    return fillBezierLoop(*this, ctx, chain.data(), static_cast<int>(chain.size()));
}
