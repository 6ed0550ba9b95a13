#include "cmd/mgrubberband.h"

#include "graph/gigraphics.h"
#include "shape/mgrect.h"
#include "shape/mgshape.h"
#include "shape/mgshapes.h"

bool mgIsRightDownDrag(const MgPointerEvent* e) noexcept
{
    return e->point.x > e->startPoint.x && e->point.y > e->startPoint.y;
}

MgBox mgBandBox(const MgPointerEvent* e) noexcept { return MgBox(e->startPointM, e->pointM); }

std::vector<int> mgShapesInBand(const MgShapes* shapes, const MgPointerEvent* e)
{
    std::vector<int> ids;
    if (!shapes)
        return ids;
    const MgBox band = mgBandBox(e);
    const bool touching = mgIsRightDownDrag(e);
    MgShapes::Iterator it = nullptr;
    for (const MgShape* s = shapes->firstShape(it); s; s = shapes->nextShape(it)) {
        const MgBaseShape& g = s->shape();
        if (touching ? g.hitTestBox(band) : band.encloses(g.extent()))
            ids.push_back(s->id());
    }
    shapes->freeIterator(it);
    return ids;
}

void mgDrawBand(GiGraphics& gs, const MgPointerEvent* e)
{
    const GiContext ctx = mgBandContext(mgIsRightDownDrag(e));
    const bool smoothing = gs.setSmoothing(false);
    gs.drawBox(&ctx, mgBandBox(e));
    gs.setSmoothing(smoothing);
}

bool mgAddBandShape(MgShapes& shapes, const MgPointerEvent* e)
{
    MgShapeT<MgRect> band;
    band.m_shape.setRect(mgBandBox(e), 0);
    band.m_shape.update();
    band.m_context = mgBandContext(mgIsRightDownDrag(e));
    return shapes.addShapeCopy(band) != nullptr;
}
