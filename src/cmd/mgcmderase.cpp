#include "cmd/mgcmderase.h"

#include "cmd/mgcmdmgr.h"
#include "cmd/mgshapesguard.h"
#include "graph/gigraphics.h"
#include "shape/mgshape.h"
#include "shape/mgshapes.h"

MG_BUILTIN_COMMAND(erase, MgCommandErase::create);

namespace {

constexpr int kUndoStepsPerCancel = 3;

/// Removes the shape with id from shapes and releases it; false when there is none.
bool deleteShape(MgShapes& shapes, int id)
{
    MgShape* removed = shapes.removeShape(id);
    if (removed)
        removed->release();
    return removed != nullptr;
}

} // namespace

MgCommand* MgCommandErase::create() { return new MgCommandErase; }

void MgCommandErase::release() { delete this; }

bool MgCommandErase::initialize(const MgPointerEvent* e)
{
    (void)e;
    m_boxActive = false;
    return true;
}

bool MgCommandErase::cancel(const MgPointerEvent* e)
{
    // A band given up counts as abandoned input even when it had caught nothing, and its
    // feedback must go.
    const bool hadBand = m_boxActive;
    m_boxActive = false;
    bool any = false;
    for (int i = 0; i < kUndoStepsPerCancel; ++i)
        any = undoStep(e) || any;
    if (hadBand && !any)
        e->view->redraw(false);
    return any || hadBand;
}

bool MgCommandErase::undoStep(const MgPointerEvent* e)
{
    if (m_markedIds.empty()) {
        if (!m_boxActive)
            return false;
        m_boxActive = false;
        e->view->redraw(false);
        return true;
    }
    m_markedIds.pop_back();
    e->view->redraw(false);
    return true;
}

bool MgCommandErase::draw(const MgPointerEvent* e, GiGraphics& gs)
{
    if (m_boxActive)
        mgDrawBand(gs, e);
    if (!m_markedIds.empty()) {
        if (const MgShapes* shapes = e->view->shapes()) {
            const GiContext marked = markedContext();
            for (int id : m_markedIds) {
                if (const MgShape* shape = shapes->findShape(id))
                    shape->draw(gs, &marked);
            }
        }
    }
    return true;
}

bool MgCommandErase::collectDynamicShapes(const MgPointerEvent* e, MgShapes& shapes)
{
    return m_boxActive && mgAddBandShape(shapes, e);
}

bool MgCommandErase::click(const MgPointerEvent* e)
{
    MgView* view = e->view;
    MgShapes* shapes = view->shapes();
    if (!shapes)
        return true;
    MgBox limits;
    limits.fromCenter(e->startPointM, commandTolerance(e, 6));
    MgPoint nearPt;
    int segment = -1;
    const MgShape* hit = shapes->hitTest(limits, nearPt, segment);
    if (hit) {
        const MgShapesGuard guard(shapes, MgShapesGuard::kEditMode);
        deleteShape(*shapes, hit->id());
        view->regenerate();
    }
    return true;
}

bool MgCommandErase::doubleClick(const MgPointerEvent* e)
{
    (void)e;
    return false;
}

bool MgCommandErase::pressAndHold(const MgPointerEvent* e)
{
    (void)e;
    return false;
}

bool MgCommandErase::hover(const MgPointerEvent* e)
{
    (void)e;
    return false;
}

bool MgCommandErase::dragBegin(const MgPointerEvent* e)
{
    m_boxActive = true;
    e->view->redraw(false);
    return true;
}

bool MgCommandErase::dragMove(const MgPointerEvent* e)
{
    m_markedIds.clear();
    if (m_boxActive)
        m_markedIds = mgShapesInBand(e->view->shapes(), e);
    e->view->redraw(false);
    return true;
}

bool MgCommandErase::dragEnd(const MgPointerEvent* e)
{
    MgView* view = e->view;
    if (!m_markedIds.empty()) {
        if (MgShapes* shapes = view->shapes()) {
            const MgShapesGuard guard(shapes, MgShapesGuard::kEditMode);
            for (int id : m_markedIds)
                deleteShape(*shapes, id); // a shape that has gone meanwhile is skipped
            view->regenerate();
        }
        m_markedIds.clear();
    }
    m_boxActive = false;
    view->redraw(false);
    return true;
}
