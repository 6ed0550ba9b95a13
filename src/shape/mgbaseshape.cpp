#include "shape/mgbaseshape.h"

#include "geom/mgtol.h"

#include <cmath>

void MgBaseShape::release() { delete this; }

void MgBaseShape::baseUpdate() noexcept
{
    if (m_extent.isAllZero())
        return;
    // A horizontal or vertical outline still needs a box that intersection tests can hit.
    const float t = MgTolerance::standard().pointTol;
    if (std::fabs(m_extent.xmax - m_extent.xmin) < t) {
        m_extent.xmin -= t;
        m_extent.xmax += t;
    }
    if (std::fabs(m_extent.ymax - m_extent.ymin) < t) {
        m_extent.ymin -= t;
        m_extent.ymax += t;
    }
}

void MgBaseShape::baseTransform(const MgMatrix& m) noexcept { m_extent *= m; }

bool MgBaseShape::baseOffset(const MgVector& vec, int /*segment*/)
{
    const int n = pointCount();
    for (int i = 0; i < n; ++i)
        setPointAt(i, pointAt(i) + vec);
    update();
    return true;
}
