#include "cmd/mgcmdlines.h"

#include "cmd/mgcmdmgr.h"
#include "graph/gicontext.h"
#include "graph/gigraphics.h"
#include "graph/giviewtransform.h"
#include "shape/mglines.h"
#include "shape/mgshape.h"

#include <algorithm>
#include <cstdint>

MG_BUILTIN_COMMAND(lines, MgCmdDrawLines::create);
MG_BUILTIN_COMMAND(splines, MgCmdDrawSplines::create);

namespace {

MgShape* createLinesShape() { return MgShapeT<MgLines>::create(); }
MgShape* createSplinesShape() { return MgShapeT<MgSplines>::create(); }

/// Half the pen width of ctx in display pixels, at least one pixel, as a model length.
float halfPenWidthModel(const MgPointerEvent* e, const GiContext& ctx)
{
    const float width = ctx.lineWidth();
    float px = 0;
    if (width > 0) {
        if (const GiGraphics* gs = e->view->graphics())
            px = gs->penWidthPx(width, true);
    } else if (width < 0) {
        px = -width;
    }
    const GiViewTransform* xf = e->view->xform();
    return xf ? xf->lengthToModel(std::max(px * 0.5f, 1.f), false) : 0.f;
}

/// Starts a new open figure of two vertices: the press point and the pointer.
void startFigure(MgBaseLines& pl, const MgPointerEvent* e)
{
    pl.resize(2);
    pl.setClosed(false);
    pl.setPointAt(0, e->startPointM);
    pl.setPointAt(1, e->pointM);
    pl.update();
}

/// Fixes the pointer vertex step and makes step + 1 the pointer vertex, appended at pointM
/// when the figure has no such vertex yet.
void fixPointerVertex(MgBaseLines& pl, std::uint32_t& step, const MgPointerEvent* e)
{
    ++step;
    if (step >= static_cast<unsigned>(pl.pointCount()))
        pl.addPoint(e->pointM);
}

// Vertex markers of a point-by-point curve.
const GiContext kMarkerContext(0, 0, GiRgba(64, 128, 64, 172), GiRgba(0, 64, 64, 128));
constexpr float kMarkerRadiusPx = 4;
constexpr int kMarkedLastVertices = 5;

} // namespace

// ---- MgCmdDrawLines ---------------------------------------------------------------------

MgCommand* MgCmdDrawLines::create() { return new MgCmdDrawLines; }

MgBaseLines& MgCmdDrawLines::lines() { return static_cast<MgBaseLines&>(m_tempShape->shape()); }

const MgBaseLines& MgCmdDrawLines::lines() const { return static_cast<const MgBaseLines&>(m_tempShape->shape()); }

bool MgCmdDrawLines::initialize(const MgPointerEvent* e) { return initializeWith(createLinesShape, e); }

bool MgCmdDrawLines::undoStep(const MgPointerEvent* e)
{
    if (m_step > 2) {
        lines().removePoint(static_cast<int>(m_step) - 1);
        lines().update();
    }
    return stepBack(e);
}

bool MgCmdDrawLines::closesAtPointer(const MgPointerEvent* e) const
{
    if (!m_tempShape || m_step < 3)
        return false;
    const MgBaseLines& pl = lines();
    if (pl.pointCount() < 1)
        return false;
    const float reach = commandTolerance(e, 5) + halfPenWidthModel(e, m_tempShape->context());
    const float d = pl.pointAt(0).distance(e->pointM);
    const MgBox ext = pl.extent();
    return d < reach && ext.width() > 1.5f * d && ext.height() > 1.5f * d;
}

bool MgCmdDrawLines::applyClosing(const MgPointerEvent* e)
{
    const bool closed = closesAtPointer(e);
    MgBaseLines& pl = lines();
    // Closing needs a fourth vertex, but a polyline left closed by undoStep below that must
    // still reopen, or the pointer vertex would be missing from then on.
    if ((m_step > 2 || pl.isClosed()) && pl.isClosed() != closed) {
        pl.setClosed(closed);
        if (closed)
            pl.removePoint(static_cast<int>(m_step)); // the pointer vertex: the last one is fixed
        else
            pl.addPoint(e->pointM);
    }
    return closed;
}

bool MgCmdDrawLines::dragBegin(const MgPointerEvent* e)
{
    if (!m_tempShape)
        return false;
    settlePendingReset();
    startFigure(lines(), e);
    m_step = 1;
    return beginFeedback(e);
}

bool MgCmdDrawLines::dragMove(const MgPointerEvent* e)
{
    if (!m_tempShape || m_step == 0)
        return false;
    MgBaseLines& pl = lines();
    if (!applyClosing(e)) {
        pl.setPointAt(static_cast<int>(m_step), e->pointM);
        fixPointerVertex(pl, m_step, e);
    }
    pl.update();
    return moveFeedback(e);
}

bool MgCmdDrawLines::dragEnd(const MgPointerEvent* e)
{
    if (!m_tempShape || m_step == 0)
        return false;
    MgBaseLines& pl = lines();
    if (!applyClosing(e))
        pl.setPointAt(static_cast<int>(m_step), e->pointM);
    pl.update();
    if (m_step < 2)
        click(e);
    else
        addToCollection(e, nullptr);
    markFinished();
    e->view->redraw(true);
    return true;
}

// ---- MgCmdDrawSplines -------------------------------------------------------------------

MgCommand* MgCmdDrawSplines::create() { return new MgCmdDrawSplines; }

MgBaseLines& MgCmdDrawSplines::lines() { return static_cast<MgBaseLines&>(m_tempShape->shape()); }

bool MgCmdDrawSplines::initialize(const MgPointerEvent* e) { return initializeWith(createSplinesShape, e); }

bool MgCmdDrawSplines::undoStep(const MgPointerEvent* e)
{
    if (m_step > 1) {
        lines().removePoint(static_cast<int>(m_freehand ? m_step - 1 : m_step));
        lines().update();
    }
    return stepBack(e);
}

bool MgCmdDrawSplines::farEnough(const MgPointerEvent* e) const
{
    if (!m_freehand)
        return false;
    if (m_step == 0)
        return true;
    const MgPoint last = m_tempShape->shape().pointAt(static_cast<int>(m_step) - 1);
    return last.distance(e->pointM) >= commandTolerance(e, 0.5f);
}

void MgCmdDrawSplines::nextVertex(const MgPointerEvent* e) { fixPointerVertex(lines(), m_step, e); }

bool MgCmdDrawSplines::click(const MgPointerEvent* e)
{
    if (!m_freehand)
        return false;
    MgView* view = e->view;
    MgShapeT<MgLine>* line = MgShapeT<MgLine>::create();
    if (const GiContext* ctx = view->context())
        line->context() = *ctx;
    MgPoint end = e->pointM;
    // A dot would have no length to draw: make it a line one pixel right and one pixel down.
    if (e->startPoint.distance(e->point) < 1.f) {
        if (const GiViewTransform* xf = view->xform())
            end = (e->point + MgVector(1, 1)) * xf->displayToModel();
    }
    line->m_shape.setPointAt(0, e->startPointM);
    line->m_shape.setPointAt(1, end);
    line->m_shape.update();
    if (view->shapeWillBeAdded(line))
        addToCollection(e, line);
    line->release();
    return true;
}

bool MgCmdDrawSplines::doubleClick(const MgPointerEvent* e)
{
    if (m_freehand)
        return click(e);
    if (m_step > 1 && !m_resetPending)
        addToCollection(e, nullptr);
    markFinished();
    // The markers and the curve go at the next paint.
    e->view->redraw(true);
    return true;
}

bool MgCmdDrawSplines::dragBegin(const MgPointerEvent* e)
{
    if (!m_tempShape)
        return false;
    settlePendingReset();
    MgBaseLines& pl = lines();
    if (m_step > 0 && !m_freehand) {
        nextVertex(e);
        pl.update();
        return moveFeedback(e);
    }
    startFigure(pl, e);
    m_freehand = !e->alternate;
    m_step = 1;
    return beginFeedback(e);
}

bool MgCmdDrawSplines::dragMove(const MgPointerEvent* e)
{
    if (!m_tempShape || m_step == 0)
        return false;
    MgBaseLines& pl = lines();
    pl.setPointAt(static_cast<int>(m_step), e->pointM);
    if (farEnough(e))
        nextVertex(e);
    pl.update();
    return moveFeedback(e);
}

bool MgCmdDrawSplines::dragEnd(const MgPointerEvent* e)
{
    if (!m_tempShape || m_step == 0)
        return false;
    if (m_freehand) {
        if (m_step < 2)
            click(e);
        else
            addToCollection(e, nullptr);
        markFinished();
    }
    e->view->redraw(true);
    return true;
}

bool MgCmdDrawSplines::draw(const MgPointerEvent* e, GiGraphics& gs)
{
    // A finished curve shows no markers: they would outlive it by one paint.
    if (m_step > 0 && !m_freehand && !m_resetPending && m_tempShape) {
        const MgBaseShape& curve = m_tempShape->shape();
        const int n = curve.pointCount();
        const GiViewTransform* xf = e->view->xform();
        const float r = xf ? xf->lengthToModel(kMarkerRadiusPx, false) : kMarkerRadiusPx;
        for (int i = n - 1; i >= 0 && i >= n - kMarkedLastVertices; --i)
            gs.drawOval(&kMarkerContext, curve.pointAt(i), r);
        if (n > 0)
            gs.drawOval(&kMarkerContext, curve.pointAt(0), 1.5f * r);
    }
    return MgCommandDraw::draw(e, gs);
}
