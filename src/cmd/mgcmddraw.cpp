#include "cmd/mgcmddraw.h"

#include "cmd/mgcmdmgr.h"
#include "cmd/mgshapesguard.h"
#include "graph/gicontext.h"
#include "shape/mglines.h"
#include "shape/mgrect.h"
#include "shape/mgshape.h"
#include "shape/mgshapes.h"

MG_BUILTIN_COMMAND(rect, MgCmdDrawRect::create);
MG_BUILTIN_COMMAND(line, MgCmdDrawLine::create);

namespace {

MgShape* createRectShape() { return MgShapeT<MgRect>::create(); }
MgShape* createLineShape() { return MgShapeT<MgLine>::create(); }

} // namespace

// ---- MgCommandDraw ----------------------------------------------------------------------

MgCommandDraw::~MgCommandDraw()
{
    if (m_tempShape)
        m_tempShape->release();
}

void MgCommandDraw::release() { delete this; }

bool MgCommandDraw::cancel(const MgPointerEvent* e)
{
    if (m_step == 0)
        return false;
    m_step = 0;
    if (m_tempShape)
        m_tempShape->shape().clear();
    e->view->redraw(false);
    return true;
}

bool MgCommandDraw::draw(const MgPointerEvent* e, GiGraphics& gs)
{
    (void)e;
    settlePendingReset();
    return m_step != 0 && m_tempShape && m_tempShape->draw(gs, nullptr);
}

bool MgCommandDraw::collectDynamicShapes(const MgPointerEvent* e, MgShapes& shapes)
{
    (void)e;
    return m_step != 0 && m_tempShape && shapes.addShapeCopy(*m_tempShape) != nullptr;
}

bool MgCommandDraw::click(const MgPointerEvent* e)
{
    (void)e;
    return false;
}

bool MgCommandDraw::doubleClick(const MgPointerEvent* e)
{
    (void)e;
    return false;
}

bool MgCommandDraw::pressAndHold(const MgPointerEvent* e)
{
    (void)e;
    return false;
}

bool MgCommandDraw::hover(const MgPointerEvent* e)
{
    e->view->redraw(true);
    return true;
}

bool MgCommandDraw::initializeWith(MgShapeCreator creator, const MgPointerEvent* e)
{
    if (!m_tempShape) {
        m_tempShape = creator ? creator() : nullptr;
        if (!m_tempShape)
            return false;
    }
    // The parent follows the view on every initialize, so a command cached across views never
    // points at a collection that has gone.
    m_tempShape->setParent(e->view->shapes(), 0);

    lastAddedShapeId = 0;
    m_step = 0;
    m_resetPending = false;
    m_tempShape->shape().clear();
    if (const GiContext* ctx = e->view->context())
        m_tempShape->context() = *ctx;
    return true;
}

void MgCommandDraw::settlePendingReset()
{
    if (!m_resetPending)
        return;
    m_resetPending = false;
    m_step = 0;
    if (m_tempShape)
        m_tempShape->shape().clear();
}

bool MgCommandDraw::stepBack(const MgPointerEvent* e)
{
    if (m_step < 2)
        return false;
    --m_step;
    e->view->redraw(false);
    return true;
}

bool MgCommandDraw::beginFeedback(const MgPointerEvent* e)
{
    if (const GiContext* ctx = e->view->context(); ctx && m_tempShape)
        m_tempShape->context() = *ctx;
    e->view->redraw(true);
    return true;
}

bool MgCommandDraw::moveFeedback(const MgPointerEvent* e)
{
    e->view->redraw(true);
    return true;
}

bool MgCommandDraw::addToCollection(const MgPointerEvent* e, MgShape* shape)
{
    MgView* view = e->view;
    MgShape* s = shape ? shape : m_tempShape;
    bool agreed = false;
    if (s) {
        agreed = view->shapeWillBeAdded(s);
        if (MgShapes* shapes = view->shapes(); agreed && shapes) {
            const MgShapesGuard guard(shapes, MgShapesGuard::kAddMode);
            if (MgShape* copy = shapes->addShapeCopy(*s)) {
                view->shapeAdded(copy);
                lastAddedShapeId = copy->id();
            }
        }
    }
    // The next shape starts with the view's current attributes.
    if (const GiContext* ctx = view->context(); ctx && m_tempShape)
        m_tempShape->context() = *ctx;
    return agreed;
}

// ---- MgCmdDrawRect ----------------------------------------------------------------------

MgCommand* MgCmdDrawRect::create() { return new MgCmdDrawRect; }

bool MgCmdDrawRect::initialize(const MgPointerEvent* e) { return initializeWith(createRectShape, e); }

bool MgCmdDrawRect::undoStep(const MgPointerEvent* e) { return stepBack(e); }

void MgCmdDrawRect::setCorners(const MgPoint& p1, const MgPoint& p2)
{
    auto& rect = static_cast<MgBaseRect&>(m_tempShape->shape());
    rect.setRect(MgBox(p1, p2), 0); // the box of two points is normalised: any drag direction
    rect.update();
}

bool MgCmdDrawRect::dragBegin(const MgPointerEvent* e)
{
    if (!m_tempShape)
        return false;
    m_step = 1;
    setCorners(e->pointM, e->pointM);
    return beginFeedback(e);
}

bool MgCmdDrawRect::dragMove(const MgPointerEvent* e)
{
    if (!m_tempShape || m_step == 0)
        return false;
    setCorners(e->startPointM, e->pointM);
    return moveFeedback(e);
}

bool MgCmdDrawRect::dragEnd(const MgPointerEvent* e)
{
    if (!m_tempShape || m_step == 0)
        return false;
    setCorners(e->startPointM, e->pointM);
    const auto& rect = static_cast<const MgBaseRect&>(m_tempShape->shape());
    if (!rect.isEmpty(commandTolerance(e, 1)))
        addToCollection(e, nullptr);
    markFinished();
    return moveFeedback(e);
}

// ---- MgCmdDrawLine ----------------------------------------------------------------------

MgCommand* MgCmdDrawLine::create() { return new MgCmdDrawLine; }

bool MgCmdDrawLine::initialize(const MgPointerEvent* e) { return initializeWith(createLineShape, e); }

bool MgCmdDrawLine::undoStep(const MgPointerEvent* e) { return stepBack(e); }

void MgCmdDrawLine::setEnd(const MgPoint& pt)
{
    MgBaseShape& line = m_tempShape->shape();
    line.setPointAt(1, pt);
    line.update();
}

bool MgCmdDrawLine::dragBegin(const MgPointerEvent* e)
{
    if (!m_tempShape)
        return false;
    m_step = 1;
    m_tempShape->shape().setPointAt(0, e->pointM);
    setEnd(e->pointM);
    return beginFeedback(e);
}

bool MgCmdDrawLine::dragMove(const MgPointerEvent* e)
{
    if (!m_tempShape || m_step == 0)
        return false;
    setEnd(e->pointM);
    return moveFeedback(e);
}

bool MgCmdDrawLine::dragEnd(const MgPointerEvent* e)
{
    if (!m_tempShape || m_step == 0)
        return false;
    setEnd(e->pointM);
    const MgBaseShape& line = m_tempShape->shape();
    if (line.pointAt(0).distance(line.pointAt(1)) > commandTolerance(e, 2))
        addToCollection(e, nullptr);
    markFinished();
    return moveFeedback(e);
}
