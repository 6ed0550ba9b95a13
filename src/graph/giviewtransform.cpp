#include "graph/giviewtransform.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr float kMmPerInch = 25.4f;

[[nodiscard]] bool isFinite(const MgPoint& p) noexcept { return std::isfinite(p.x) && std::isfinite(p.y); }

[[nodiscard]] bool isFinite(const MgBox& b) noexcept
{
    return std::isfinite(b.xmin) && std::isfinite(b.ymin) && std::isfinite(b.xmax) && std::isfinite(b.ymax);
}

[[nodiscard]] bool isFinite(const MgMatrix& m) noexcept
{
    return std::isfinite(m.m11) && std::isfinite(m.m12) && std::isfinite(m.m21) && std::isfinite(m.m22)
        && std::isfinite(m.dx) && std::isfinite(m.dy);
}

} // namespace

GiViewTransform::GiViewTransform(bool yAxisUp) noexcept
    : m_yAxisUp(yAxisUp)
{
    recompute();
}

void GiViewTransform::recompute() noexcept
{
    m_pixelsPerUnitX = m_zoom * m_resolutionX / kMmPerInch;
    m_pixelsPerUnitY = m_zoom * m_resolutionY / kMmPerInch;

    const float sx = m_pixelsPerUnitX;
    const float sy = m_yAxisUp ? -m_pixelsPerUnitY : m_pixelsPerUnitY;
    const float hw = static_cast<float>(m_widthPx) * 0.5f;
    const float hh = static_cast<float>(m_heightPx) * 0.5f;
    const MgPoint& f = m_focusWorld;

    m_displayToWorld.set(1.f / sx, 0, 0, 1.f / sy, f.x - hw / sx, f.y - hh / sy);
    m_worldToDisplay.set(sx, 0, 0, sy, hw - sx * f.x, hh - sy * f.y);
    combineModel();
}

void GiViewTransform::combineModel() noexcept
{
    m_displayToModel = m_displayToWorld * m_worldToModel;
    m_modelToDisplay = m_modelToWorld * m_worldToDisplay;
}

MgPoint GiViewTransform::clientCenter() const noexcept
{
    return { static_cast<float>(m_widthPx) * 0.5f, static_cast<float>(m_heightPx) * 0.5f };
}

MgVector GiViewTransform::halfExtent(float z) const noexcept
{
    // Pixels per millimetre at zoom z, then half the client size in millimetres.
    const double px = static_cast<double>(m_resolutionX) / kMmPerInch * z;
    const double py = static_cast<double>(m_resolutionY) / kMmPerInch * z;
    return { static_cast<float>(m_widthPx / px / 2), static_cast<float>(m_heightPx / py / 2) };
}

float GiViewTransform::lengthToModel(float len, bool inMillimetres) const noexcept
{
    if (inMillimetres)
        return (MgVector(len, len) * m_worldToModel).length() * 0.70710677f / m_zoom;
    return (MgVector(len, len) * m_displayToModel).length() * 0.70710677f;
}

bool GiViewTransform::isZoomOutOfRange(float z) const noexcept
{
    // Written so that a NaN is out of range.
    return !(z >= m_zoomMin - 1e-5f && z <= m_zoomMax + 1e-5f);
}

bool GiViewTransform::setClientSize(int w, int h) noexcept
{
    if (w < 2 || h < 2 || (w == m_widthPx && h == m_heightPx))
        return false;
    m_widthPx = w;
    m_heightPx = h;
    recompute();
    bump();
    return true;
}

bool GiViewTransform::setResolution(float dpiX, float dpiY) noexcept
{
    if (dpiY < 0.1f)
        dpiY = dpiX;
    // Negated comparisons also refuse NaN; an infinite resolution would zero the matrices.
    if (!(dpiX > 0.1f) || !(dpiY > 0.1f) || !std::isfinite(dpiX) || !std::isfinite(dpiY))
        return false;
    if (dpiX == m_resolutionX && dpiY == m_resolutionY)
        return false;
    m_resolutionX = dpiX;
    m_resolutionY = dpiY;
    recompute();
    bump();
    return true;
}

bool GiViewTransform::setModelTransform(const MgMatrix& m) noexcept
{
    if (!isFinite(m) || !m.canInvert() || m.equals(m_modelToWorld))
        return false;
    m_modelToWorld = m;
    m_worldToModel = m.inverted();
    combineModel();
    bump();
    return true;
}

MgBox GiViewTransform::setWorldBounds(const MgBox& box) noexcept
{
    const MgBox old = m_worldBounds;
    m_worldBounds.copyFrom(box, true);
    return old;
}

bool GiViewTransform::setFocusAndZoom(const MgPoint& focus, float zoom) noexcept
{
    // A zero, negative or non-finite zoom or focus would leave singular or NaN matrices behind.
    if (!isFinite(focus) || !(zoom > 0) || !std::isfinite(zoom))
        return false;
    if (focus.equals(m_focusWorld) && mgNearZero(zoom - m_zoom))
        return false;
    m_focusWorld = focus;
    m_zoom = zoom;
    recompute();
    bump();
    return true;
}

void GiViewTransform::clampFocus(MgPoint& f, float halfW, float halfH) const noexcept
{
    // Each shift puts the edge exactly on the bound (f = bound + half rather than f += difference)
    // so that repeated requests against the same bound give the same focus to the last bit.
    const MgBox& b = m_worldBounds;
    if (b.xmin > f.x - halfW)
        f.x = b.xmin + halfW;
    if (b.xmax < f.x + halfW)
        f.x = b.xmax - halfW;
    if (b.width() <= 2 * halfW)
        f.x = b.midpoint().x;

    if (b.ymin > f.y - halfH)
        f.y = b.ymin + halfH;
    if (b.ymax < f.y + halfH)
        f.y = b.ymax - halfH;
    if (b.height() <= 2 * halfH)
        f.y = b.midpoint().y;
}

bool GiViewTransform::setFocusAndZoomInBounds(MgPoint f, float z, bool adjust) noexcept
{
    const MgVector half = halfExtent(z);
    if (!m_worldBounds.isFlat()) {
        MgBox view;
        view.fromCenter(f, 2 * half.x, 2 * half.y);
        if (!m_worldBounds.encloses(view)) {
            if (!adjust)
                return false;
            clampFocus(f, half.x, half.y);
        }
    }
    return setFocusAndZoom(f, z);
}

bool GiViewTransform::limitPan(MgPoint& f, const MgVector& v, bool panX, bool panY) const noexcept
{
    // The focus moves by -v: a positive v.x moves the view toward xmin, a positive v.y toward
    // ymin. With y up that pairs a pan right (dx > 0) with xmin and a pan down (dy > 0) with
    // ymax; reading the world direction keeps the rule right for a y-down transform too.
    // Edges are put exactly on the bound, as in clampFocus, so that a pan against a bound the
    // view already touches leaves the focus unchanged.
    const MgBox& b = m_worldBounds;
    const float halfW = static_cast<float>(m_widthPx) / m_pixelsPerUnitX / 2;
    const float halfH = static_cast<float>(m_heightPx) / m_pixelsPerUnitY / 2;
    const MgPoint before = f;

    if (v.x > 0 && b.xmin > f.x - halfW)
        f.x = b.xmin + halfW;
    if (v.x < 0 && b.xmax < f.x + halfW)
        f.x = b.xmax - halfW;
    if (panX && b.width() <= 2 * halfW)
        f.x = b.midpoint().x;

    if (v.y > 0 && b.ymin > f.y - halfH)
        f.y = b.ymin + halfH;
    if (v.y < 0 && b.ymax < f.y + halfH)
        f.y = b.ymax - halfH;
    if (panY && b.height() <= 2 * halfH)
        f.y = b.midpoint().y;

    return f.x != before.x || f.y != before.y;
}

bool GiViewTransform::zoomScale(float newZoom, const MgPoint* pxAt, bool adjust) noexcept
{
    if (!std::isfinite(newZoom) || (pxAt && !isFinite(*pxAt)))
        return false;
    if (!adjust && isZoomOutOfRange(newZoom))
        return false;
    const float z = std::clamp(newZoom, m_zoomMin, m_zoomMax);

    // a: the world point under r now; f: the focus that keeps it under r at zoom z. Worked in
    // double with exactly the pixel scales the matrices hold (now) and will hold (at z): at
    // zoom 0.01 a rounding of 1e-7 in the scale moves a by micrometres, which zoom 5 would
    // magnify to a visible fraction of a pixel.
    const MgPoint r = pxAt ? *pxAt : clientCenter();
    const double hw = m_widthPx * 0.5;
    const double hh = m_heightPx * 0.5;
    const double ySign = m_yAxisUp ? 1.0 : -1.0;
    const double ax = m_focusWorld.x + (r.x - hw) / m_pixelsPerUnitX;
    const double ay = m_focusWorld.y - ySign * (r.y - hh) / m_pixelsPerUnitY;
    const double px = z * m_resolutionX / kMmPerInch;
    const double py = z * m_resolutionY / kMmPerInch;
    MgPoint f(static_cast<float>((hw - r.x) / px + ax), static_cast<float>(ay - ySign * (hh - r.y) / py));

    return setFocusAndZoomInBounds(f, z, adjust);
}

bool GiViewTransform::zoomByFactor(float delta, const MgPoint* pxAt, bool adjust) noexcept
{
    if (!std::isfinite(delta))
        return false;
    const float factor = std::fabs(delta) + 1;
    float z = delta > 0 ? m_zoom * factor : m_zoom / factor;
    if (adjust)
        z = std::clamp(z, m_zoomMin, m_zoomMax);
    if (mgNearZero(z - m_zoom))
        return false;
    return zoomScale(z, pxAt, adjust);
}

bool GiViewTransform::zoomPan(float dxPx, float dyPx, bool adjust) noexcept
{
    if (!std::isfinite(dxPx) || !std::isfinite(dyPx))
        return false;
    const MgVector v = MgVector(dxPx, dyPx) * m_displayToWorld;
    MgPoint f = m_focusWorld - v;
    if (!m_worldBounds.isFlat() && limitPan(f, v, dxPx != 0, dyPx != 0) && !adjust)
        return false;
    if (f.equals(m_focusWorld))
        return false;
    return setFocusAndZoom(f, m_zoom);
}

bool GiViewTransform::zoomToPoint(const MgPoint& pointWorld, const MgPoint* pxAt, bool adjust) noexcept
{
    if (!isFinite(pointWorld) || (pxAt && !isFinite(*pxAt)))
        return false;
    // d = pointWorld * worldToDisplay, worked from the state in double: the float matrix
    // carries an error of a few 1e-5 pixels, enough to turn "already there" into a new pan.
    const double sy = m_yAxisUp ? -m_pixelsPerUnitY : m_pixelsPerUnitY;
    const double dx = m_widthPx * 0.5 + static_cast<double>(m_pixelsPerUnitX) * (pointWorld.x - m_focusWorld.x);
    const double dy = m_heightPx * 0.5 + sy * (pointWorld.y - m_focusWorld.y);
    const MgPoint t = pxAt ? *pxAt : clientCenter();
    return zoomPan(static_cast<float>(t.x - dx), static_cast<float>(t.y - dy), adjust);
}

bool GiViewTransform::zoomToBox(const MgBox& boxWorld, const MgBox* pxRect, bool adjust) noexcept
{
    if (!isFinite(boxWorld) || boxWorld.isFlat())
        return false;

    // Millimetres per pixel at zoom 1.
    const double ux = kMmPerInch / static_cast<double>(m_resolutionX);
    const double uy = kMmPerInch / static_cast<double>(m_resolutionY);

    double w = 0, h = 0, cx = 0, cy = 0;
    if (pxRect) {
        w = pxRect->width();
        h = pxRect->height();
        cx = (static_cast<double>(pxRect->xmin) + pxRect->xmax) * 0.5;
        cy = (static_cast<double>(pxRect->ymin) + pxRect->ymax) * 0.5;
    }
    // Negated so that a rectangle with NaN coordinates counts as absent.
    if (!pxRect || !(w >= 4) || !(h >= 4) || !std::isfinite(cx) || !std::isfinite(cy)) {
        w = m_widthPx;
        h = m_heightPx;
        cx = w * 0.5;
        cy = h * 0.5;
    }
    if (w < 4 || h < 4)
        return false;
    w *= ux;
    h *= uy;
    cx *= ux;
    cy *= uy;

    const double bw = boxWorld.width();
    const double bh = boxWorld.height();
    const float zRequest = static_cast<float>(bh * w < bw * h ? w / bw : h / bh);
    if (!std::isfinite(zRequest) || (!adjust && isZoomOutOfRange(zRequest)))
        return false;
    const float z = std::clamp(zRequest, m_zoomMin, m_zoomMax);

    const MgPoint centre = boxWorld.midpoint();
    const double ySign = m_yAxisUp ? 1.0 : -1.0;
    MgPoint f(static_cast<float>((m_widthPx * ux * 0.5 - cx) / z + centre.x),
        static_cast<float>(centre.y - ySign * (m_heightPx * uy * 0.5 - cy) / z));

    return setFocusAndZoomInBounds(f, z, adjust);
}

GiModelTransformScope::GiModelTransformScope(GiViewTransform& xf, const MgMatrix& m) noexcept
    : m_xf(xf)
    , m_saved(xf.modelToWorld())
    , m_applied(xf.setModelTransform(m * m_saved))
{
}

GiModelTransformScope::~GiModelTransformScope() { m_xf.setModelTransform(m_saved); }
