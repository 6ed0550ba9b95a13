#include "shape/mgrect.h"

#include "geom/mgcurve.h"
#include "geom/mgnearest.h"
#include "graph/gigraphics.h"
#include "graph/giviewtransform.h"

#include <cmath>

namespace {

constexpr int kRectCoords = 8;

void rotatePoints(MgPoint* pts, int n, float angle, const MgPoint& about) noexcept
{
    if (mgNearZero(angle))
        return;
    MgPoint::transformPoints(MgMatrix::rotationAbout(angle, about), n, pts);
}

} // namespace

// ---- MgBaseRect -------------------------------------------------------------------------------

MgPoint MgBaseRect::center() const noexcept
{
    return { (m_points[0].x + m_points[2].x) / 2, (m_points[0].y + m_points[2].y) / 2 };
}

float MgBaseRect::angle() const noexcept { return (m_points[1] - m_points[0]).direction(); }

float MgBaseRect::width() const noexcept { return m_points[0].distance(m_points[1]); }

float MgBaseRect::height() const noexcept { return m_points[1].distance(m_points[2]); }

MgBox MgBaseRect::rect() const noexcept
{
    MgBox box;
    box.fromCenter(center(), width(), height());
    return box;
}

bool MgBaseRect::isOrtho() const noexcept { return mgNearZero(m_points[1].y - m_points[0].y); }

bool MgBaseRect::isEmpty(float minDist) const noexcept
{
    return m_points[0].distance(m_points[2]) < mgMax(kMgZero, minDist);
}

void MgBaseRect::setRect(const MgBox& rect, float angle) noexcept
{
    // An inverted box would put corner 0 right of corner 1 and the re-squaring in update()
    // would then build the rectangle on the wrong side of the width edge.
    MgBox box(rect);
    box.orderCorners();
    m_points[0] = box.leftTop();
    m_points[1] = box.rightTop();
    m_points[2] = box.rightBottom();
    m_points[3] = box.leftBottom();
    rotatePoints(m_points, 4, angle, box.midpoint());
}

MgBox MgBaseRect::extent() const { return baseExtent(); }

void MgBaseRect::update()
{
    const MgPoint& c0 = m_points[0];
    const MgPoint& c1 = m_points[1];
    if (c0.distance(c1) < kMgZero) {
        // Without a width edge there is no direction to square against; keep the height edge
        // as it stands instead of swinging it above corner 1 (which would move a zero-width
        // rectangle off its own position).
        m_points[3] = c0 + (m_points[2] - c1);
    } else {
        const float h = height();
        m_points[2] = c1.pointAside(c0, h);
        m_points[3] = c0.pointAside(c1, -h);
    }
    m_extent.fromPoints(4, m_points);
    baseUpdate();
}

void MgBaseRect::transform(const MgMatrix& m)
{
    MgPoint::transformPoints(m, 4, m_points);
    baseTransform(m);
}

void MgBaseRect::clear()
{
    const MgPoint c = center();
    for (MgPoint& p : m_points)
        p = c;
    baseClear();
}

MgPoint MgBaseRect::pointAt(int index) const { return index >= 0 && index < 4 ? m_points[index] : MgPoint(); }

void MgBaseRect::setPointAt(int index, const MgPoint& pt)
{
    if (index >= 0 && index < 4)
        m_points[index] = pt;
}

bool MgBaseRect::save(MgArchive& s) const
{
    float v[kRectCoords];
    for (int i = 0; i < 4; ++i) {
        v[2 * i] = m_points[i].x;
        v[2 * i + 1] = m_points[i].y;
    }
    s.writeFloatArray("points", v, kRectCoords);
    return true;
}

bool MgBaseRect::load(MgArchive& s)
{
    float v[kRectCoords] = {};
    if (s.readFloatArray("points", v, kRectCoords) != kRectCoords)
        return false;
    for (int i = 0; i < 4; ++i)
        m_points[i].set(v[2 * i], v[2 * i + 1]);
    return true;
}

MgPoint MgBaseRect::handlePoint(int index) const
{
    MgPoint pt = rect().handle(index);
    rotatePoints(&pt, 1, angle(), center());
    return pt;
}

bool MgBaseRect::setHandlePoint(int index, const MgPoint& pt, float /*tol*/)
{
    const float a = angle();
    const MgPoint c = center();
    MgPoint p = pt;
    rotatePoints(&p, 1, -a, c);

    MgBox r = rect();
    r.moveHandle(index, p);
    // The dragged box lives in the frame unrotated about the old centre, so it is rotated back
    // about that same centre. Rotating about the new box's centre instead would shift every
    // corner of a rotated rectangle, including the one opposite the dragged handle.
    setRect(r, 0);
    rotatePoints(m_points, 4, a, c);
    update();
    return true;
}

bool MgBaseRect::offset(const MgVector& vec, int segment) { return baseOffset(vec, segment); }

void MgBaseRect::rectCopy(const MgBaseRect& src) noexcept
{
    for (int i = 0; i < 4; ++i)
        m_points[i] = src.m_points[i];
    baseCopy(src);
}

bool MgBaseRect::rectEquals(const MgBaseRect& src) const noexcept
{
    for (int i = 0; i < 4; ++i) {
        if (m_points[i] != src.m_points[i])
            return false;
    }
    return baseEquals(src);
}

bool MgBaseRect::edgeBoxHit(const MgBox& box) const noexcept
{
    if (!m_extent.overlaps(box))
        return false;
    for (int i = 0; i < 3; ++i) {
        if (MgBox(m_points[i], m_points[i + 1]).overlaps(box))
            return true;
    }
    return false;
}

// ---- MgRect -----------------------------------------------------------------------------------

MgRect* MgRect::clone() const { return cloneOf(*this); }

void MgRect::copyFrom(const MgObject& src)
{
    if (&src != this && src.isKindOf(MgBaseRect::Type()))
        rectCopy(static_cast<const MgBaseRect&>(src));
}

bool MgRect::equals(const MgObject& src) const
{
    return src.isKindOf(Type()) && rectEquals(static_cast<const MgBaseRect&>(src));
}

float MgRect::hitTest(const MgPoint& pt, float tol, MgPoint& nearPt, int& segment) const
{
    return mgNearestOnPolyline(4, m_points, true, pt, tol, nearPt, segment);
}

bool MgRect::hitTestBox(const MgBox& box) const { return edgeBoxHit(box); }

bool MgRect::draw(GiGraphics& gs, const GiContext& ctx) const
{
    return gs.drawPolygonArea(&ctx, 4, m_points, true) || baseDraw(gs, ctx);
}

// ---- MgEllipse --------------------------------------------------------------------------------

MgEllipse* MgEllipse::clone() const { return cloneOf(*this); }

void MgEllipse::copyFrom(const MgObject& src)
{
    if (&src == this || !src.isKindOf(MgBaseRect::Type()))
        return;
    rectCopy(static_cast<const MgBaseRect&>(src));
    // The curve is derived from the corners; taking it along keeps a copy drawable and
    // hit-testable before its first update().
    if (src.isKindOf(Type())) {
        const auto& e = static_cast<const MgEllipse&>(src);
        for (int i = 0; i < 13; ++i)
            m_bezier[i] = e.m_bezier[i];
    }
}

bool MgEllipse::equals(const MgObject& src) const
{
    return src.isKindOf(Type()) && rectEquals(static_cast<const MgBaseRect&>(src));
}

void MgEllipse::update()
{
    MgBaseRect::update();
    const MgPoint c = center();
    mgEllipseControlPoints(c, width() / 2, height() / 2, m_bezier);
    rotatePoints(m_bezier, 13, angle(), c);
    m_extent = mgBezierChainBox(13, m_bezier, true);
}

float MgEllipse::hitTest(const MgPoint& pt, float tol, MgPoint& nearPt, int& segment) const
{
    return mgNearestOnBezierChain(13, m_bezier, pt, tol, nearPt, segment);
}

bool MgEllipse::hitTestBox(const MgBox& box) const
{
    return m_extent.overlaps(box) && mgBezierChainMeetsBox(box, 13, m_bezier, true);
}

bool MgEllipse::draw(GiGraphics& gs, const GiContext& ctx) const
{
    const bool drawn = isOrtho() ? gs.drawOvalInBox(&ctx, MgBox(m_points[0], m_points[2]), true)
                                 : gs.drawBezierChain(&ctx, 13, m_bezier, true);
    return drawn || baseDraw(gs, ctx);
}

// ---- MgRoundRect ------------------------------------------------------------------------------

MgRoundRect* MgRoundRect::clone() const { return cloneOf(*this); }

void MgRoundRect::copyFrom(const MgObject& src)
{
    if (&src == this || !src.isKindOf(MgBaseRect::Type()))
        return;
    if (src.isKindOf(Type())) {
        const auto& r = static_cast<const MgRoundRect&>(src);
        m_rx = r.m_rx;
        m_ry = r.m_ry;
    }
    rectCopy(static_cast<const MgBaseRect&>(src));
}

bool MgRoundRect::equals(const MgObject& src) const
{
    if (!src.isKindOf(Type()))
        return false;
    const auto& r = static_cast<const MgRoundRect&>(src);
    return mgNearZero(m_rx - r.m_rx) && mgNearZero(m_ry - r.m_ry) && rectEquals(r);
}

void MgRoundRect::clear()
{
    m_rx = 0;
    m_ry = 0;
    MgBaseRect::clear();
}

float MgRoundRect::hitTest(const MgPoint& pt, float tol, MgPoint& nearPt, int& segment) const
{
    if (isOrtho())
        return mgNearestOnRoundedBox(MgBox(m_points[0], m_points[2]), m_rx, m_ry, pt, tol, nearPt, segment);

    // A rotation keeps distances, so the test runs in the unrotated frame with the point
    // carried there and the caller's tolerance unchanged; the near point is carried back.
    const float a = angle();
    const MgPoint c = center();
    MgPoint p = pt;
    rotatePoints(&p, 1, -a, c);
    const float d = mgNearestOnRoundedBox(rect(), m_rx, m_ry, p, tol, nearPt, segment);
    if (d < 1e10f)
        rotatePoints(&nearPt, 1, a, c);
    return d;
}

bool MgRoundRect::hitTestBox(const MgBox& box) const { return edgeBoxHit(box); }

bool MgRoundRect::draw(GiGraphics& gs, const GiContext& ctx) const
{
    if (isOrtho())
        return gs.drawRoundedBox(&ctx, MgBox(m_points[0], m_points[2]), m_rx, m_ry, true) || baseDraw(gs, ctx);

    // Drawn as the unrotated rounded box with the rotation about the centre put in front of
    // the model transform for the duration of the call.
    const GiModelTransformScope scope(gs.transform(), MgMatrix::rotationAbout(angle(), center()));
    return gs.drawRoundedBox(&ctx, rect(), m_rx, m_ry, true) || baseDraw(gs, ctx);
}

bool MgRoundRect::save(MgArchive& s) const
{
    MgBaseRect::save(s);
    s.writeFloat("rx", m_rx);
    s.writeFloat("ry", m_ry);
    return true;
}

bool MgRoundRect::load(MgArchive& s)
{
    const bool ok = MgBaseRect::load(s);
    m_rx = s.readFloat("rx", 0);
    m_ry = s.readFloat("ry", 0);
    return ok;
}
