// Ready-made shapes with context for the collection and storage tests.
#pragma once

#include "shape/mglines.h"
#include "shape/mgrect.h"
#include "shape/mgshape.h"
#include "shape/mgshapes.h"

#include <memory>

struct ShapeReleaser {
    void operator()(MgObject* p) const
    {
        if (p)
            p->release();
    }
};
template <class T> using Owned = std::unique_ptr<T, ShapeReleaser>;

inline Owned<MgShapeT<MgRect>> makeRect(const MgBox& box, int tag = 0, const GiContext& ctx = GiContext())
{
    Owned<MgShapeT<MgRect>> sp(MgShapeT<MgRect>::create());
    sp->m_shape.setRect(box, 0);
    sp->m_shape.update();
    sp->m_context = ctx;
    sp->setTag(tag);
    return sp;
}

/// Adds a copy of an unfilled rectangle over box and returns the stored copy.
inline MgShape* addRect(MgShapes& shapes, const MgBox& box, int tag = 0, const GiContext& ctx = GiContext())
{
    return shapes.addShapeCopy(*makeRect(box, tag, ctx));
}

/// One shape of each of the six kinds, each with its own tag and context, added to shapes in
/// the order line, rectangle, ellipse, rounded rectangle, polyline, spline.
inline void addSixKinds(MgShapes& shapes)
{
    {
        Owned<MgShapeT<MgLine>> sp(MgShapeT<MgLine>::create());
        sp->m_shape.setPointAt(0, MgPoint(1, 2));
        sp->m_shape.setPointAt(1, MgPoint(30, 12.5f));
        sp->m_context = GiContext(kGiLineDash, 25, GiRgba(255, 0, 0), GiRgba::none());
        sp->setTag(1);
        shapes.addShapeCopy(*sp);
    }
    {
        Owned<MgShapeT<MgRect>> sp(MgShapeT<MgRect>::create());
        sp->m_shape.setRect(MgBox(10, 10, 50, 30), 0.5f);
        sp->m_context = GiContext(kGiLineSolid, -2, GiRgba(0, 128, 0), GiRgba(255, 255, 0, 128));
        sp->setTag((3 << 16) | 2);
        shapes.addShapeCopy(*sp);
    }
    {
        Owned<MgShapeT<MgEllipse>> sp(MgShapeT<MgEllipse>::create());
        sp->m_shape.setRect(MgBox(-20, -10, 20, 10), 0);
        sp->m_context = GiContext(kGiLineDot, 0, GiRgba(0, 0, 255, 200), GiRgba::none());
        sp->setTag(-7);
        shapes.addShapeCopy(*sp);
    }
    {
        Owned<MgShapeT<MgRoundRect>> sp(MgShapeT<MgRoundRect>::create());
        sp->m_shape.setRect(MgBox(0, 0, 40, 20), 0);
        sp->m_shape.setRadius(4, 3);
        // No line: stored as style 5 (whatever style is kept), so keep 5 for an exact round trip.
        sp->m_context = GiContext(kGiLineNull, 0, GiRgba::none(), GiRgba(10, 20, 30, 255));
        shapes.addShapeCopy(*sp);
    }
    {
        Owned<MgShapeT<MgLines>> sp(MgShapeT<MgLines>::create());
        for (const MgPoint& p : { MgPoint(0, 0), MgPoint(10, 0), MgPoint(10, 10), MgPoint(0.1f, 10) })
            sp->m_shape.addPoint(p);
        sp->m_shape.setClosed(true);
        sp->setTag(99);
        shapes.addShapeCopy(*sp);
    }
    {
        Owned<MgShapeT<MgSplines>> sp(MgShapeT<MgSplines>::create());
        for (const MgPoint& p : { MgPoint(0, 0), MgPoint(5, 8), MgPoint(12, -3), MgPoint(20, 4), MgPoint(26, 1) })
            sp->m_shape.addPoint(p);
        sp->m_context = GiContext(kGiLineDashDotDot, 3.5f, GiRgba(1, 2, 3, 4), GiRgba::none());
        sp->setTag(0x7FFFFFFF);
        shapes.addShapeCopy(*sp);
    }
}
