#include "shape/mglines.h"

#include "geom/mgclip.h"
#include "geom/mgcurve.h"
#include "geom/mgnearest.h"
#include "graph/gigraphics.h"

#include <algorithm>
#include <cstddef>
#include <vector>

namespace {

/// Most vertices a stored polyline or spline may declare.
constexpr int kMaxStoredCount = 9999;

} // namespace

// ---- MgLine -----------------------------------------------------------------------------------

MgLine* MgLine::clone() const { return cloneOf(*this); }

void MgLine::copyFrom(const MgObject& src)
{
    if (&src == this)
        return;
    if (src.isKindOf(Type())) {
        const auto& line = static_cast<const MgLine&>(src);
        m_start = line.m_start;
        m_end = line.m_end;
        baseCopy(line);
    } else if (src.isKindOf(MgBaseShape::Type())) {
        baseCopy(static_cast<const MgBaseShape&>(src));
    }
}

bool MgLine::equals(const MgObject& src) const
{
    if (!src.isKindOf(Type()))
        return false;
    const auto& line = static_cast<const MgLine&>(src);
    return m_start == line.m_start && m_end == line.m_end && baseEquals(line);
}

MgBox MgLine::extent() const { return baseExtent(); }

void MgLine::update()
{
    m_extent.fromPoints(m_start, m_end);
    baseUpdate();
}

void MgLine::transform(const MgMatrix& m)
{
    m_start *= m;
    m_end *= m;
    baseTransform(m);
}

void MgLine::clear()
{
    m_end = m_start;
    baseClear();
}

MgPoint MgLine::pointAt(int index) const { return index == 0 ? m_start : m_end; }

void MgLine::setPointAt(int index, const MgPoint& pt)
{
    if (index == 0)
        m_start = pt;
    else
        m_end = pt;
}

float MgLine::hitTest(const MgPoint& pt, float tol, MgPoint& nearPt, int& segment) const
{
    const MgPoint pts[2] = { m_start, m_end };
    return mgNearestOnPolyline(2, pts, false, pt, tol, nearPt, segment);
}

bool MgLine::hitTestBox(const MgBox& box) const
{
    if (!m_extent.overlaps(box))
        return false;
    MgPoint a = m_start;
    MgPoint b = m_end;
    return mgClipSegment(a, b, box);
}

bool MgLine::draw(GiGraphics& gs, const GiContext& ctx) const
{
    return gs.drawSegment(&ctx, m_start, m_end, true) || baseDraw(gs, ctx);
}

bool MgLine::save(MgArchive& s) const
{
    const float v[4] = { m_start.x, m_start.y, m_end.x, m_end.y };
    s.writeFloatArray("points", v, 4);
    return true;
}

bool MgLine::load(MgArchive& s)
{
    float v[4] = {};
    if (s.readFloatArray("points", v, 4) != 4)
        return false;
    m_start.set(v[0], v[1]);
    m_end.set(v[2], v[3]);
    return true;
}

MgPoint MgLine::handlePoint(int index) const
{
    if (index == 0)
        return m_start;
    if (index == 1)
        return { (m_start.x + m_end.x) / 2, (m_start.y + m_end.y) / 2 };
    return m_end;
}

bool MgLine::setHandlePoint(int index, const MgPoint& pt, float /*tol*/)
{
    if (index == 1) {
        const MgVector v = pt - handlePoint(1);
        m_start += v;
        m_end += v;
    } else {
        setPointAt(index, pt);
    }
    update();
    return true;
}

bool MgLine::offset(const MgVector& vec, int segment) { return baseOffset(vec, segment); }

// ---- MgBaseLines ------------------------------------------------------------------------------

MgBaseLines::~MgBaseLines() { delete[] m_points; }

bool MgBaseLines::resize(int n)
{
    if (n < 0)
        return false;
    const auto count = static_cast<unsigned>(n);
    if (m_maxCount < count) {
        const unsigned newMax = (count + 7) / 8 * 8;
        auto* pts = new MgPoint[newMax] {};
        std::copy(m_points, m_points + m_count, pts);
        delete[] m_points;
        m_points = pts;
        m_maxCount = newMax;
    } else if (count > m_count) {
        // Vertices beyond the count may hold stale values from before a clear().
        std::fill(m_points + m_count, m_points + count, MgPoint());
    }
    m_count = count;
    return true;
}

bool MgBaseLines::addPoint(const MgPoint& pt)
{
    if (!resize(static_cast<int>(m_count) + 1))
        return false;
    m_points[m_count - 1] = pt;
    return true;
}

bool MgBaseLines::insertPoint(int segment, const MgPoint& pt)
{
    const int edges = static_cast<int>(m_count) - (m_closed ? 0 : 1);
    if (segment < 0 || segment >= edges)
        return false;
    resize(static_cast<int>(m_count) + 1);
    std::copy_backward(m_points + segment + 1, m_points + m_count - 1, m_points + m_count);
    m_points[segment + 1] = pt;
    return true;
}

bool MgBaseLines::removePoint(int index)
{
    // A negative index is refused like one beyond the count; it must never reach the array.
    if (index < 0 || static_cast<unsigned>(index) >= m_count || m_count < 2)
        return false;
    std::copy(m_points + index + 1, m_points + m_count, m_points + index);
    --m_count;
    return true;
}

bool MgBaseLines::setClosed(bool closed) noexcept
{
    m_closed = closed;
    return true;
}

MgBox MgBaseLines::extent() const { return baseExtent(); }

void MgBaseLines::update()
{
    m_extent.fromPoints(static_cast<int>(m_count), m_points);
    baseUpdate();
}

void MgBaseLines::transform(const MgMatrix& m)
{
    if (m_count > 0)
        MgPoint::transformPoints(m, static_cast<int>(m_count), m_points);
    baseTransform(m);
}

void MgBaseLines::clear()
{
    m_count = 0;
    m_closed = false;
    baseClear();
}

MgPoint MgBaseLines::pointAt(int index) const
{
    return index >= 0 && static_cast<unsigned>(index) < m_count ? m_points[index] : MgPoint();
}

void MgBaseLines::setPointAt(int index, const MgPoint& pt)
{
    if (index >= 0 && static_cast<unsigned>(index) < m_count)
        m_points[index] = pt;
}

bool MgBaseLines::save(MgArchive& s) const
{
    s.writeBool("closed", m_closed);
    s.writeInt("count", static_cast<int>(m_count));
    std::vector<float> v(2 * static_cast<std::size_t>(m_count));
    for (unsigned i = 0; i < m_count; ++i) {
        v[2 * i] = m_points[i].x;
        v[2 * i + 1] = m_points[i].y;
    }
    s.writeFloatArray("points", v.data(), static_cast<int>(v.size()));
    return true;
}

bool MgBaseLines::load(MgArchive& s)
{
    m_closed = s.readBool("closed", m_closed);
    const int n = s.readInt("count", 0);
    // A negative count is as unusable as 0; above the limit the data is taken as damaged.
    if (n <= 0 || n > kMaxStoredCount)
        return false;
    resize(n);
    std::vector<float> v(2 * static_cast<std::size_t>(n));
    const int got = s.readFloatArray("points", v.data(), 2 * n);
    for (int i = 0; i < n; ++i)
        m_points[i].set(v[2 * i], v[2 * i + 1]);
    return got == 2 * n;
}

bool MgBaseLines::setHandlePoint(int index, const MgPoint& pt, float tol)
{
    const int n = static_cast<int>(m_count);
    if (index < 0 || index >= n)
        return false;

    int prev = index - 1;
    int next = index + 1;
    if (m_closed && index == 0)
        prev = n - 1;
    if (m_closed && index == n - 1)
        next = 0;
    const float dPrev = prev < 0 ? kMgMaxFloat : pt.distance(m_points[prev]);
    const float dNext = next >= n ? kMgMaxFloat : pt.distance(m_points[next]);

    if (dPrev < tol || dNext < tol) {
        removePoint(index); // dropped onto a neighbour: the two merge
    } else if (!m_closed
        && ((index == 0 && pt.distance(m_points[n - 1]) < tol) || (index == n - 1 && pt.distance(m_points[0]) < tol))) {
        // An end dropped onto the other end closes the figure; the other end stays.
        if (removePoint(index))
            m_closed = true;
    } else {
        setPointAt(index, pt);
    }
    update();
    return true;
}

bool MgBaseLines::offset(const MgVector& vec, int segment) { return baseOffset(vec, segment); }

void MgBaseLines::linesCopy(const MgBaseLines& src)
{
    if (&src == this)
        return;
    resize(static_cast<int>(src.m_count));
    std::copy(src.m_points, src.m_points + src.m_count, m_points);
    m_closed = src.m_closed;
    baseCopy(src);
}

bool MgBaseLines::linesEquals(const MgBaseLines& src) const noexcept
{
    if (m_closed != src.m_closed || m_count != src.m_count)
        return false;
    for (unsigned i = 0; i < m_count; ++i) {
        if (m_points[i] != src.m_points[i])
            return false;
    }
    return baseEquals(src);
}

bool MgBaseLines::edgeBoxHit(const MgBox& box) const noexcept
{
    if (!m_extent.overlaps(box))
        return false;
    if (m_count < 2)
        return true;
    for (unsigned i = 0; i + 1 < m_count; ++i) {
        if (MgBox(m_points[i], m_points[i + 1]).overlaps(box))
            return true;
    }
    return false;
}

// ---- MgLines ----------------------------------------------------------------------------------

MgLines* MgLines::clone() const { return cloneOf(*this); }

void MgLines::copyFrom(const MgObject& src)
{
    if (src.isKindOf(MgBaseLines::Type()))
        linesCopy(static_cast<const MgBaseLines&>(src));
}

bool MgLines::equals(const MgObject& src) const
{
    return src.isKindOf(Type()) && linesEquals(static_cast<const MgBaseLines&>(src));
}

float MgLines::hitTest(const MgPoint& pt, float tol, MgPoint& nearPt, int& segment) const
{
    if (m_count == 0) {
        segment = -1;
        return kMgMaxFloat;
    }
    return mgNearestOnPolyline(static_cast<int>(m_count), m_points, m_closed, pt, tol, nearPt, segment);
}

bool MgLines::hitTestBox(const MgBox& box) const { return edgeBoxHit(box); }

bool MgLines::draw(GiGraphics& gs, const GiContext& ctx) const
{
    const int n = static_cast<int>(m_count);
    const bool drawn
        = m_closed ? gs.drawPolygonArea(&ctx, n, m_points, true) : gs.drawPolyline(&ctx, n, m_points, true);
    return drawn || baseDraw(gs, ctx);
}

// ---- MgSplines --------------------------------------------------------------------------------

MgSplines::~MgSplines() { delete[] m_knotVectors; }

MgSplines* MgSplines::clone() const { return cloneOf(*this); }

void MgSplines::copyFrom(const MgObject& src)
{
    if (&src == this || !src.isKindOf(MgBaseLines::Type()))
        return;
    linesCopy(static_cast<const MgBaseLines&>(src));
    // Tangents are derived data; taking them along when they are current for the source
    // keeps the copy drawable before its first update().
    if (src.isKindOf(Type())) {
        const auto& spl = static_cast<const MgSplines&>(src);
        if (spl.hasTangents() && m_count > 0) {
            ensureTangentCapacity();
            std::copy(spl.m_knotVectors, spl.m_knotVectors + m_count, m_knotVectors);
        }
    }
}

bool MgSplines::equals(const MgObject& src) const
{
    return src.isKindOf(Type()) && linesEquals(static_cast<const MgBaseLines&>(src));
}

void MgSplines::ensureTangentCapacity()
{
    if (m_knotCapacity >= m_count)
        return;
    delete[] m_knotVectors;
    m_knotVectors = new MgVector[m_maxCount] {};
    m_knotCapacity = m_maxCount;
}

void MgSplines::update()
{
    MgBaseLines::update();
    if (m_count < 2)
        return; // no curve piece: the vertex box stands
    ensureTangentCapacity();
    const int n = static_cast<int>(m_count);
    if (!mgSplineTangents(n, m_points, m_knotVectors, m_closed ? MG_SPLINE_CLOSED : 0, 1))
        std::fill(m_knotVectors, m_knotVectors + n, MgVector()); // singular: straight pieces
    m_extent = mgSplineChainBox(n, m_points, m_knotVectors, m_closed);
}

float MgSplines::hitTest(const MgPoint& pt, float tol, MgPoint& nearPt, int& segment) const
{
    if (!hasTangents() || m_count == 0) {
        segment = -1;
        return kMgMaxFloat;
    }
    return mgNearestOnSpline(static_cast<int>(m_count), m_points, m_knotVectors, m_closed, pt, tol, nearPt, segment);
}

bool MgSplines::hitTestBox(const MgBox& box) const
{
    if (!edgeBoxHit(box))
        return false;
    if (!hasTangents())
        return true;
    return mgSplineMeetsBox(box, static_cast<int>(m_count), m_points, m_knotVectors, m_closed);
}

bool MgSplines::draw(GiGraphics& gs, const GiContext& ctx) const
{
    const int n = static_cast<int>(m_count);
    bool drawn = false;
    if (n == 2)
        drawn = gs.drawSegment(&ctx, m_points[0], m_points[1], true);
    else if (hasTangents())
        drawn = m_closed ? gs.drawClosedSplineCurve(&ctx, n, m_points, m_knotVectors, true)
                         : gs.drawSplineCurve(&ctx, n, m_points, m_knotVectors, true);
    return drawn || baseDraw(gs, ctx);
}
