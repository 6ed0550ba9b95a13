#include "geom/mgclip.h"

#include <algorithm>

int mgOutcode(const MgPoint& pt, const MgBox& box) noexcept
{
    int code = 0;
    if (pt.y > box.ymax)
        code |= MG_OUTCODE_ABOVE;
    else if (pt.y < box.ymin)
        code |= MG_OUTCODE_BELOW;
    if (pt.x < box.xmin)
        code |= MG_OUTCODE_LEFT;
    else if (pt.x > box.xmax)
        code |= MG_OUTCODE_RIGHT;
    return code;
}

namespace {

// The crossing of segment p1-p2 with the boundary named by code, in double so that the crossing
// stays on the boundary side it belongs to. The caller guarantees the ends lie on opposite sides
// of that boundary, so the divisor is not zero.
MgPoint boundaryCrossing(const MgPoint& p1, const MgPoint& p2, int code, const MgBox& box) noexcept
{
    const double dx = static_cast<double>(p2.x) - p1.x;
    const double dy = static_cast<double>(p2.y) - p1.y;
    if (code & (MG_OUTCODE_ABOVE | MG_OUTCODE_BELOW)) {
        const float y = (code & MG_OUTCODE_ABOVE) ? box.ymax : box.ymin;
        const double x = p1.x + dx * (y - static_cast<double>(p1.y)) / dy;
        return { static_cast<float>(x), y };
    }
    const float x = (code & MG_OUTCODE_LEFT) ? box.xmin : box.xmax;
    const double y = p1.y + dy * (x - static_cast<double>(p1.x)) / dx;
    return { x, static_cast<float>(y) };
}

} // namespace

bool mgClipSegment(MgPoint& p1, MgPoint& p2, const MgBox& rect) noexcept
{
    const MgBox box = MgBox(rect).orderCorners();
    int c1 = mgOutcode(p1, box);
    // Each crossing moves one end onto a boundary, which clears at least one bit for good, so the
    // loop ends after at most four crossings; the bound only guards against NaN input.
    for (int guard = 0; guard < 16; guard++) {
        const int c2 = mgOutcode(p2, box);
        if (!(c1 | c2))
            return true;
        if (c1 & c2)
            return false;
        const int c = c1 ? c1 : c2;
        int bit;
        if (c & MG_OUTCODE_ABOVE)
            bit = MG_OUTCODE_ABOVE;
        else if (c & MG_OUTCODE_BELOW)
            bit = MG_OUTCODE_BELOW;
        else if (c & MG_OUTCODE_LEFT)
            bit = MG_OUTCODE_LEFT;
        else
            bit = MG_OUTCODE_RIGHT;
        const MgPoint cross = boundaryCrossing(p1, p2, bit, box);
        if (c == c1) {
            p1 = cross;
            c1 = mgOutcode(p1, box);
        } else {
            p2 = cross;
        }
    }
    return false;
}

MgPolygonClipper::MgPolygonClipper(const MgBox& box, bool closed)
    : m_box(MgBox(box).orderCorners())
    , m_closed(closed)
{
}

namespace {

enum class Side { Left, Bottom, Right, Top };

bool inside(const MgPoint& p, Side side, const MgBox& box) noexcept
{
    switch (side) {
    case Side::Left: return p.x >= box.xmin;
    case Side::Bottom: return p.y >= box.ymin;
    case Side::Right: return p.x <= box.xmax;
    case Side::Top: return p.y <= box.ymax;
    }
    return true;
}

// The crossing of edge s-e with one boundary line. Computed in double and kept between the
// edge's ends so that a crossing never lands outside a boundary clipped by an earlier pass.
MgPoint crossing(const MgPoint& s, const MgPoint& e, Side side, const MgBox& box) noexcept
{
    if (side == Side::Left || side == Side::Right) {
        const float x = side == Side::Left ? box.xmin : box.xmax;
        double y = s.y
            + (static_cast<double>(x) - s.x) * (static_cast<double>(e.y) - s.y) / (static_cast<double>(e.x) - s.x);
        y = std::clamp(y, static_cast<double>(std::min(s.y, e.y)), static_cast<double>(std::max(s.y, e.y)));
        return { x, static_cast<float>(y) };
    }
    const float y = side == Side::Bottom ? box.ymin : box.ymax;
    double x
        = s.x + (static_cast<double>(y) - s.y) * (static_cast<double>(e.x) - s.x) / (static_cast<double>(e.y) - s.y);
    x = std::clamp(x, static_cast<double>(std::min(s.x, e.x)), static_cast<double>(std::max(s.x, e.x)));
    return { static_cast<float>(x), y };
}

void clipPass(const MgPoint* in, int n, bool closed, Side side, const MgBox& box, std::vector<MgPoint>& out)
{
    out.clear();
    out.reserve(static_cast<size_t>(n / 2 + 2));
    MgPoint s = closed ? in[n - 1] : in[0];
    for (int i = 0; i < n; i++) {
        const MgPoint& e = in[i];
        const bool sIn = inside(s, side, box);
        const bool eIn = inside(e, side, box);
        if (sIn != eIn)
            out.push_back(crossing(s, e, side, box));
        if (eIn)
            out.push_back(e);
        s = e;
    }
}

} // namespace

bool MgPolygonClipper::clip(int n, const MgPoint* pts, const MgMatrix* m)
{
    m_work.clear();
    m_result.clear();
    if (n <= 1 || !pts)
        return false;
    const MgPoint* in = pts;
    if (m) {
        m_result.assign(pts, pts + n);
        MgPoint::transformPoints(*m, n, m_result.data());
        in = m_result.data();
    }

    // The passes alternate between the two buffers: work, result, work, result.
    static constexpr Side kSides[4] = { Side::Left, Side::Bottom, Side::Right, Side::Top };
    for (int pass = 0; pass < 4; pass++) {
        std::vector<MgPoint>& out = pass % 2 == 0 ? m_work : m_result;
        clipPass(in, n, m_closed, kSides[pass], m_box, out);
        n = static_cast<int>(out.size());
        if (n < 2) {
            m_work.clear();
            m_result.clear();
            return false;
        }
        in = out.data();
    }
    m_work.clear();
    return true;
}

MgPoint MgPolygonClipper::resultPoint(int i) const noexcept
{
    const int n = resultCount();
    if (n == 0)
        return {};
    return m_result[static_cast<size_t>(((i % n) + n) % n)];
}

bool MgPolygonClipper::isInnerEdge(int i) const noexcept
{
    if (resultCount() == 0)
        return false;
    const MgPoint a = resultPoint(i), b = resultPoint(i + 1);
    if (mgNearZero(a.x - b.x) && (mgNearZero(a.x - m_box.xmin) || mgNearZero(a.x - m_box.xmax)))
        return false;
    if (mgNearZero(a.y - b.y) && (mgNearZero(a.y - m_box.ymin) || mgNearZero(a.y - m_box.ymax)))
        return false;
    return true;
}

int MgPolygonClipper::firstBoundaryEdge() const noexcept
{
    const int n = resultCount();
    for (int i = 0; i < n; i++)
        if (!isInnerEdge(i))
            return i;
    return n;
}
