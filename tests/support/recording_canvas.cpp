#include "support/recording_canvas.h"

#include "graph/gigraphics.h"
#include "graph/giviewtransform.h"

#include <sstream>

RecordingCanvas::RecordingCanvas(GiGraphics* gs)
    : m_gs(gs)
{
    if (m_gs)
        m_gs->attachCanvas(this);
}

RecordingCanvas::~RecordingCanvas()
{
    if (m_gs && m_gs->canvas() == this)
        m_gs->attachCanvas(nullptr);
}

CanvasCall& RecordingCanvas::log(std::string_view op, const GiContext* ctx, std::vector<float> args) const
{
    CanvasCall& c = calls.emplace_back();
    c.op = op;
    if (ctx) {
        c.hasContext = true;
        c.ctx = *ctx;
    }
    c.args = std::move(args);
    return c;
}

std::vector<std::string> RecordingCanvas::ops() const
{
    std::vector<std::string> names;
    for (const CanvasCall& c : calls)
        names.push_back(c.op);
    return names;
}

std::vector<std::string> RecordingCanvas::drawingOps() const
{
    std::vector<std::string> names;
    for (const CanvasCall& c : calls) {
        if (!c.query)
            names.push_back(c.op);
    }
    return names;
}

int RecordingCanvas::count(std::string_view op) const
{
    int n = 0;
    for (const CanvasCall& c : calls)
        n += c.op == op ? 1 : 0;
    return n;
}

int RecordingCanvas::countWithColors(const GiRgba& line, std::optional<GiRgba> fill) const
{
    int n = 0;
    for (const CanvasCall& c : calls)
        n += c.hasContext && c.ctx.lineColor() == line && (!fill || c.ctx.fillColor() == *fill) ? 1 : 0;
    return n;
}

const CanvasCall* RecordingCanvas::first(std::string_view op) const
{
    for (const CanvasCall& c : calls) {
        if (c.op == op)
            return &c;
    }
    return nullptr;
}

const CanvasCall* RecordingCanvas::last(std::string_view op) const
{
    for (auto it = calls.rbegin(); it != calls.rend(); ++it) {
        if (it->op == op)
            return &*it;
    }
    return nullptr;
}

std::vector<MgPoint> RecordingCanvas::pointsOf(std::string_view op) const
{
    std::vector<MgPoint> pts;
    for (const CanvasCall& c : calls) {
        if (c.op == op)
            pts.insert(pts.end(), c.points.begin(), c.points.end());
    }
    return pts;
}

std::string RecordingCanvas::dump() const
{
    std::ostringstream out;
    for (const CanvasCall& c : calls) {
        out << c.op << (c.query ? "?" : "") << '(';
        const char* sep = "";
        if (c.hasContext) {
            out << "ctx{style " << c.ctx.lineStyle() << ", width " << c.ctx.lineWidth() << ", fill "
                << c.ctx.fillColor().toInt() << '}';
            sep = ", ";
        }
        for (float a : c.args) {
            out << sep << a;
            sep = ", ";
        }
        if (!c.points.empty()) {
            out << sep << '[' << c.points.size() << ":";
            for (const MgPoint& p : c.points)
                out << " (" << p.x << ',' << p.y << ')';
            out << ']';
        }
        out << ")\n";
    }
    return out.str();
}

bool RecordingCanvas::beginPaint(const MgBox* clipPx, int colors, bool printing)
{
    if (!m_gs)
        return false;
    m_gs->setDeviceColors(colors);
    m_gs->setPrinting(printing);
    const GiViewTransform& xf = m_gs->transform();
    const MgBox client(0, 0, static_cast<float>(xf.widthPx()), static_cast<float>(xf.heightPx()));
    m_gs->startPaint(clipPx ? *clipPx : client);
    return true;
}

void RecordingCanvas::endPaint()
{
    if (m_gs)
        m_gs->finishPaint();
}

namespace {

std::vector<MgPoint> copyPoints(const MgPoint* points, int count)
{
    return points && count > 0 ? std::vector<MgPoint>(points, points + count) : std::vector<MgPoint>();
}

float flag(bool b) { return b ? 1.f : 0.f; }

} // namespace

void RecordingCanvas::dropCachedImage(bool all)
{
    log("dropCachedImage", nullptr, { flag(all) });
    cached[0] = false;
    if (all)
        cached[1] = false;
}

float RecordingCanvas::screenResolution() const
{
    log("screenResolution").query = true;
    return dpi;
}

GiRgba RecordingCanvas::backgroundColor() const
{
    log("backgroundColor").query = true;
    return background;
}

GiRgba RecordingCanvas::changeBackgroundColor(const GiRgba& color)
{
    log("changeBackgroundColor", nullptr, { float(color.r), float(color.g), float(color.b), float(color.a) });
    const GiRgba former = background;
    background = color;
    return former;
}

bool RecordingCanvas::strokeSegment(const GiContext* ctx, float x1, float y1, float x2, float y2)
{
    log("strokeSegment", ctx, { x1, y1, x2, y2 }).points = { { x1, y1 }, { x2, y2 } };
    return answer;
}

bool RecordingCanvas::strokePolyline(const GiContext* ctx, const MgPoint* points, int count)
{
    log("strokePolyline", ctx, { float(count) }).points = copyPoints(points, count);
    return answer;
}

bool RecordingCanvas::strokeBezierChain(const GiContext* ctx, const MgPoint* points, int count)
{
    log("strokeBezierChain", ctx, { float(count) }).points = copyPoints(points, count);
    return answer;
}

bool RecordingCanvas::paintPolygon(const GiContext* ctx, const MgPoint* points, int count)
{
    log("paintPolygon", ctx, { float(count) }).points = copyPoints(points, count);
    return answer;
}

bool RecordingCanvas::paintRect(const GiContext* ctx, float x, float y, float w, float h)
{
    log("paintRect", ctx, { x, y, w, h });
    return answer;
}

bool RecordingCanvas::paintEllipse(const GiContext* ctx, float x, float y, float w, float h)
{
    log("paintEllipse", ctx, { x, y, w, h });
    return answer;
}

bool RecordingCanvas::paintPointPath(const GiContext* ctx, int count, const MgPoint* points, const std::uint8_t* types)
{
    CanvasCall& c = log("paintPointPath", ctx, { float(count) });
    c.points = copyPoints(points, count);
    if (types && count > 0)
        c.types.assign(types, types + count);
    return answer;
}

bool RecordingCanvas::pathOpen()
{
    log("pathOpen");
    return answer;
}

bool RecordingCanvas::pathFinish(const GiContext* ctx, bool fill)
{
    log("pathFinish", ctx, { flag(fill) });
    return answer;
}

bool RecordingCanvas::pathMove(float x, float y)
{
    log("pathMove", nullptr, { x, y }).points = { { x, y } };
    return answer;
}

bool RecordingCanvas::pathLine(float x, float y)
{
    log("pathLine", nullptr, { x, y }).points = { { x, y } };
    return answer;
}

bool RecordingCanvas::pathBeziers(const MgPoint* points, int count)
{
    log("pathBeziers", nullptr, { float(count) }).points = copyPoints(points, count);
    return answer;
}

bool RecordingCanvas::pathClose()
{
    log("pathClose");
    return answer;
}

void RecordingCanvas::fillBackground() { log("fillBackground"); }

bool RecordingCanvas::drawCachedImage(float x, float y, bool second)
{
    log("drawCachedImage", nullptr, { x, y, flag(second) });
    return cached[second ? 1 : 0];
}

bool RecordingCanvas::drawOtherCachedImage(const GiCanvas* canvas, float x, float y, bool second)
{
    log("drawOtherCachedImage", nullptr, { x, y, flag(second) });
    return canvas && canvas->canvasKind() == kind && canvas->hasCachedImage(second);
}

void RecordingCanvas::saveCachedImage(bool second)
{
    log("saveCachedImage", nullptr, { flag(second) });
    cached[second ? 1 : 0] = true;
}

bool RecordingCanvas::hasCachedImage(bool second) const
{
    log("hasCachedImage", nullptr, { flag(second) }).query = true;
    return cached[second ? 1 : 0];
}

bool RecordingCanvas::isBuffered() const
{
    log("isBuffered").query = true;
    return buffered;
}

int RecordingCanvas::canvasKind() const
{
    log("canvasKind").query = true;
    return kind;
}

GiRgba RecordingCanvas::nearestColor(const GiRgba& color) const
{
    log("nearestColor", nullptr, { float(color.r), float(color.g), float(color.b), float(color.a) }).query = true;
    return nearest ? nearest(color) : color;
}

GiContext RecordingCanvas::penBrushContext() const
{
    log("penBrushContext").query = true;
    return penBrush;
}

void RecordingCanvas::setClipRect(float x1, float y1, float x2, float y2)
{
    log("setClipRect", nullptr, { x1, y1, x2, y2 });
}

void RecordingCanvas::setSmoothing(bool on)
{
    log("setSmoothing", nullptr, { flag(on) });
    smoothing = on;
}
