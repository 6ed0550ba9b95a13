#include "cmd/mgcmdselect.h"

#include "cmd/mgcmddraw.h"
#include "cmd/mgrubberband.h"
#include "cmd/mgshapesguard.h"
#include "geom/mgmatrix.h"
#include "graph/gicontext.h"
#include "graph/gigraphics.h"
#include "graph/giviewtransform.h"
#include "shape/mglines.h"
#include "shape/mgrect.h"
#include "shape/mgshape.h"
#include "shape/mgshapes.h"

#include <algorithm>
#include <cstddef>

MG_BUILTIN_COMMAND(select, MgCommandSelect::create);

namespace {

// Handle dot radii in millimetres on the screen.
constexpr float kDotRadius = 1.2f;
constexpr float kHotDotRadius = 2.0f;

constexpr GiRgba kMarkBlue(0, 0, 255, 128);

// Feedback contexts: line style, line width (negative: pixels), line colour, fill colour.
constexpr GiContext kHandleContext(kGiLineSolid, -2, GiRgba(128, 128, 64, 200), GiRgba(172, 172, 172, 128));
constexpr GiContext kInsertContext(kGiLineSolid, -2, GiRgba(128, 128, 64, 200), GiRgba(255, 0, 0, 64));
constexpr GiContext kDragLineContext(kGiLineDash, -1.05f, kMarkBlue, GiRgba::none());
constexpr GiContext kBoxContext(kGiLineDash, 0, kMarkBlue, GiRgba::none());

[[nodiscard]] MgBaseLines* asLines(MgShape* shape)
{
    return shape && shape->shape().isKindOf(MgBaseLines::Type()) ? static_cast<MgBaseLines*>(&shape->shape()) : nullptr;
}

[[nodiscard]] MgShape* findShape(MgView* view, int id)
{
    MgShapes* shapes = view ? view->shapes() : nullptr;
    return shapes && id != 0 ? shapes->findShape(id) : nullptr;
}

/// Draws one handle dot at pt (model): the view may draw it; otherwise a circle of radius r
/// (model length) with ctx.
void drawDot(GiGraphics& gs, MgView* view, const MgPoint& pt, float r, bool hot, const GiContext& ctx = kHandleContext)
{
    if (!view->drawHandle(&gs, pt, hot))
        gs.drawOval(&ctx, pt, r);
}

/// Restores the smoothing state of gs when the scope ends.
class SmoothingOff {
public:
    explicit SmoothingOff(GiGraphics& gs)
        : m_gs(gs)
        , m_old(gs.setSmoothing(false))
    {
    }
    ~SmoothingOff() { m_gs.setSmoothing(m_old); }
    SmoothingOff(const SmoothingOff&) = delete;
    SmoothingOff& operator=(const SmoothingOff&) = delete;

private:
    GiGraphics& m_gs;
    bool m_old;
};

} // namespace

// ---- Construction ------------------------------------------------------------------------

MgCommand* MgCommandSelect::create() { return new MgCommandSelect; }

MgCommandSelect::MgCommandSelect() = default;

MgCommandSelect::~MgCommandSelect()
{
    // Copies still held when the command goes (the manager unloads during a drag) are ours.
    releaseWorkingCopies();
}

void MgCommandSelect::release() { delete this; }

// ---- Helpers -----------------------------------------------------------------------------

MgShape* MgCommandSelect::selectedShape(MgView* view) const
{
    if (MgShape* s = findShape(view, m_currentId))
        return s;
    return m_selIds.empty() ? nullptr : findShape(view, m_selIds.front());
}

bool MgCommandSelect::isSelected(int id) const
{
    return std::find(m_selIds.begin(), m_selIds.end(), id) != m_selIds.end();
}

void MgCommandSelect::releaseWorkingCopies()
{
    for (MgShape* copy : m_workCopies)
        copy->release();
    m_workCopies.clear();
}

MgPoint MgCommandSelect::rotationHandle(const MgBox& b, std::uint32_t handle, const MgPointerEvent* e)
{
    // Beside the middle of the left (8) or right (9) side, t(10) farther from the centre.
    return b.handle(handle == 8 ? 7 : 5).pointToward(b.midpoint(), -commandTolerance(e, 10), 0);
}

bool MgCommandSelect::copyOnDrag(const MgPointerEvent* e) const
{
    return m_handleIndex == 0 && m_boxHandle > 16 && e->alternate
        && e->startPointM.distance(e->pointM) > commandTolerance(e, 5);
}

// ---- Picking -----------------------------------------------------------------------------

MgShape* MgCommandSelect::pickShape(const MgPointerEvent* e, MgPoint& nearPt, int& segment)
{
    MgShapes* shapes = e->view->shapes();
    if (!shapes)
        return nullptr;
    const float side = commandTolerance(e, 6);
    MgBox limits;
    limits.fromCenter(e->pointM, side, side);
    return shapes->hitTest(limits, nearPt, segment);
}

bool MgCommandSelect::nearSelectedOutline(const MgShape* shape, const MgPointerEvent* e)
{
    if (!shape)
        return false;
    const float tol = commandTolerance(e, 15) / 2;
    const float dist = shape->shape().hitTest(e->startPointM, tol, m_ptNear, m_segment);
    return dist <= tol;
}

std::uint32_t MgCommandSelect::nearestHandle(const MgShape* shape, const MgPoint& pt, const MgPointerEvent* e)
{
    if (!shape)
        return 0;
    const MgBaseShape& geom = shape->shape();
    const int n = geom.handleCount();
    std::uint32_t result = 0;
    float best = kMgMaxFloat;
    for (int k = 0; k < n; ++k) {
        const float d = geom.handlePoint(k).distance(pt);
        if (d < best) {
            best = d;
            result = static_cast<std::uint32_t>(k) + 1;
        }
    }
    // A press on a polyline's edge well away from every vertex asks for a new vertex there.
    if (result > 0 && pt.distance(m_ptNear) < best / 3 && best > commandTolerance(e, 5)
        && geom.isKindOf(MgBaseLines::Type())) {
        m_insertPending = true;
    }
    return result;
}

// ---- MgCommand: selection ----------------------------------------------------------------

bool MgCommandSelect::initialize(const MgPointerEvent* e)
{
    m_boxSelecting = false;
    m_currentId = 0;
    m_segment = -1;
    m_handleIndex = 0;
    m_showMarks = true;
    m_selIds.clear();

    const int added = lastAddedShapeId;
    if (findShape(e->view, added)) {
        m_selIds.push_back(added);
        m_currentId = added;
        e->view->redraw(false);
        e->view->selectionChanged();
    }
    lastAddedShapeId = 0;
    return true;
}

bool MgCommandSelect::cancel(const MgPointerEvent* e)
{
    // Every step runs whatever the previous one answered.
    const bool a = undoStep(e);
    const bool b = undoStep(e);
    const bool c = undoStep(e);
    return a || b || c;
}

bool MgCommandSelect::undoStep(const MgPointerEvent* e)
{
    MgView* view = e->view;
    m_boxSelecting = false;
    m_boxHandle = kNoBoxHandle;

    if (!m_workCopies.empty()) {
        releaseWorkingCopies();
        m_insertPending = false;
        view->redraw(false);
        return true;
    }
    if (m_currentId != 0 && m_handleIndex > 0) {
        m_handleIndex = 0;
        view->redraw(false);
        return true;
    }
    if (m_selIds.empty())
        return false;
    m_currentId = 0;
    m_segment = -1;
    m_handleIndex = 0;
    m_selIds.clear();
    view->redraw(false);
    view->selectionChanged();
    return true;
}

bool MgCommandSelect::click(const MgPointerEvent* e)
{
    m_boxHandle = kNoBoxHandle;
    if (e->alternate)
        return false;

    MgView* view = e->view;
    if (!m_showMarks) {
        m_showMarks = true;
        view->regenerate();
    }
    m_insertPending = false;
    MgShape* s = selectedShape(view);

    if (m_selIds.size() == 1 && (m_handleIndex > 0 || (s && s->id() == m_currentId)) && nearSelectedOutline(s, e)) {
        // Near the outline of the shape that is already selected: handle mode, or another handle.
        m_handleIndex = nearestHandle(s, e->pointM, e);
    } else if (s && m_handleIndex > 0) {
        m_handleIndex = 0;
    } else {
        MgPoint nearPt = e->pointM;
        int seg = -1;
        MgShape* hit = pickShape(e, nearPt, seg);
        const int hitId = hit ? hit->id() : 0;
        const bool changed = m_selIds.size() != (hit ? 1u : 0u) || (hit && hitId != m_currentId);
        m_selIds.clear();
        if (hit)
            m_selIds.push_back(hitId);
        m_currentId = hitId;
        m_ptNear = nearPt;
        m_segment = hit ? seg : -1;
        m_handleIndex = 0;
        if (changed)
            view->selectionChanged();
    }
    view->redraw(false);
    return true;
}

bool MgCommandSelect::doubleClick(const MgPointerEvent* e)
{
    (void)e;
    return false;
}

bool MgCommandSelect::pressAndHold(const MgPointerEvent* e)
{
    bool clicked = false;
    if (m_selIds.empty())
        clicked = click(e);
    const bool shown = e->view->showContextActions(selectionState(e->view));
    return shown || clicked;
}

// ---- MgSelection -------------------------------------------------------------------------

int MgCommandSelect::selectedShapes(MgView* view, int count, MgShape** shapes, bool forChange)
{
    if (forChange && m_workCopies.empty())
        makeWorkingCopies(view);
    const bool copies = !m_workCopies.empty();
    const int n = static_cast<int>(copies ? m_workCopies.size() : m_selIds.size());
    if (count <= 0 || !shapes)
        return n;

    const int limit = std::min(count, n);
    int written = 0;
    if (copies) {
        for (; written < limit; ++written)
            shapes[written] = m_workCopies[static_cast<std::size_t>(written)];
    } else {
        for (int id : m_selIds) {
            if (written >= limit)
                break;
            if (MgShape* s = findShape(view, id))
                shapes[written++] = s;
        }
    }
    m_showMarks = false;
    return written;
}

int MgCommandSelect::selectionState(MgView* view)
{
    if (m_handleIndex == 0)
        return m_selIds.empty() ? 0 : (m_selIds.size() == 1 ? 1 : 2);
    return asLines(findShape(view, m_currentId)) ? 3 : 1;
}

bool MgCommandSelect::selectAll(MgView* view)
{
    const std::size_t oldCount = m_selIds.size();
    m_selIds.clear();
    m_currentId = 0;
    m_handleIndex = 0;
    m_insertPending = false;
    m_boxSelecting = false;

    if (MgShapes* shapes = view->shapes()) {
        MgShapes::Iterator it = nullptr;
        for (MgShape* s = shapes->firstShape(it); s; s = shapes->nextShape(it)) {
            m_selIds.push_back(s->id());
            m_currentId = s->id();
        }
        shapes->freeIterator(it);
    }
    view->redraw(false);
    const bool changed = m_selIds.size() != oldCount;
    if (changed || !m_selIds.empty())
        view->selectionChanged();
    return changed;
}

bool MgCommandSelect::deleteSelected(MgView* view)
{
    // Nothing to delete: leave the collection alone, so its change counter does not move.
    if (m_selIds.empty() && m_workCopies.empty())
        return false;

    // Discarded before the write guard is taken: the discard reads under a guard of its own,
    // which would wait out its whole timeout inside ours.
    applyWorkingCopies(view, false, false);

    int removed = 0;
    {
        MgShapesGuard guard(view->shapes(), MgShapesGuard::kEditMode);
        if (MgShapes* shapes = view->shapes()) {
            for (int id : m_selIds) {
                if (MgShape* s = shapes->removeShape(id)) {
                    s->release();
                    ++removed;
                }
            }
        }
        m_selIds.clear();
        m_currentId = 0;
        m_handleIndex = 0;
    }
    // Told after the guard is gone, so a view that reads the shapes in response never waits.
    if (removed > 0) {
        view->regenerate();
        view->selectionChanged();
    }
    return removed > 0;
}

bool MgCommandSelect::duplicateSelected(MgView* view)
{
    makeWorkingCopies(view);
    const GiViewTransform* xf = view->xform();
    const float d = xf ? xf->lengthToModel(10, true) : 0;
    for (MgShape* copy : m_workCopies)
        copy->shape().offset(MgVector(d, -d), -1);
    return applyWorkingCopies(view, true, true);
}

void MgCommandSelect::clearSelection(MgView* view)
{
    const bool hadSelection = !m_selIds.empty();
    applyWorkingCopies(view, false, false);
    m_selIds.clear();
    m_currentId = 0;
    m_handleIndex = 0;
    if (hadSelection)
        view->selectionChanged();
}

bool MgCommandSelect::selectShapeById(MgView* view, int id)
{
    if (!findShape(view, id))
        return false;
    if (!isSelected(id)) {
        m_selIds.push_back(id);
        m_currentId = id;
        view->redraw(true);
        view->selectionChanged();
    }
    return true;
}

template <class Edit> bool MgCommandSelect::editActiveVertices(const MgPointerEvent* e, Edit edit)
{
    MgView* view = e->view;
    MgShape* s = selectedShape(view);
    MgBaseLines* lines = m_handleIndex > 0 ? asLines(s) : nullptr;
    bool changed = false;
    if (lines) {
        {
            MgShapesGuard guard(view->shapes(), MgShapesGuard::kEditMode);
            changed = edit(*lines);
            if (changed)
                lines->update();
        }
        // Regenerated after the guard is gone, so a view that reads the shapes never waits.
        if (changed) {
            view->regenerate();
            m_handleIndex = nearestHandle(s, m_ptNear, e);
        }
    }
    m_insertPending = false;
    return changed;
}

bool MgCommandSelect::removeVertex(const MgPointerEvent* e)
{
    return editActiveVertices(
        e, [this](MgBaseLines& lines) { return lines.removePoint(static_cast<int>(m_handleIndex) - 1); });
}

bool MgCommandSelect::insertVertex(const MgPointerEvent* e)
{
    return editActiveVertices(e, [this, e](MgBaseLines& lines) {
        return lines.pointAt(m_segment).distance(m_ptNear) > commandTolerance(e, 1)
            && lines.insertPoint(m_segment, m_ptNear);
    });
}

bool MgCommandSelect::toggleClosed(MgView* view)
{
    MgBaseLines* lines = asLines(findShape(view, m_currentId));
    if (!lines)
        return false;
    bool changed = false;
    {
        MgShapesGuard guard(view->shapes(), MgShapesGuard::kEditMode);
        const bool closed = lines->isClosed();
        changed = lines->setClosed(!closed) && lines->isClosed() != closed;
        if (changed)
            lines->update();
    }
    if (changed)
        view->regenerate();
    return changed;
}

// ---- Working copies ----------------------------------------------------------------------

void MgCommandSelect::makeWorkingCopies(MgView* view)
{
    releaseWorkingCopies();

    // Copy i must belong to the i-th selected id, both while dragging and when written back,
    // so ids whose shapes have gone leave the selection here instead of shifting the copies.
    std::erase_if(m_selIds, [view](int id) { return !findShape(view, id); });
    if (m_currentId != 0 && !isSelected(m_currentId))
        m_currentId = m_selIds.empty() ? 0 : m_selIds.back();

    m_workCopies.reserve(m_selIds.size());
    for (int id : m_selIds) {
        if (MgShape* copy = findShape(view, id)->clone())
            m_workCopies.push_back(copy);
    }
}

bool MgCommandSelect::applyWorkingCopies(MgView* view, bool apply, bool addNew)
{
    const bool hadCopies = !m_workCopies.empty();
    bool changed = false;
    bool selectionReplaced = false;

    if (hadCopies) {
        MgShapes* shapes = view->shapes();
        const int mode
            = !apply ? MgShapesGuard::kReadMode : (addNew ? MgShapesGuard::kAddMode : MgShapesGuard::kEditMode);
        MgShapesGuard guard(shapes, mode);

        if (apply && addNew) {
            selectionReplaced = !m_selIds.empty();
            m_selIds.clear();
            m_currentId = 0;
        }
        for (std::size_t i = 0; i < m_workCopies.size(); ++i) {
            MgShape* copy = m_workCopies[i];
            if (apply && !addNew) {
                MgShape* s = i < m_selIds.size() ? findShape(view, m_selIds[i]) : nullptr;
                if (s) {
                    s->copyFrom(*copy);
                    s->shape().update();
                    changed = true;
                }
            } else if (apply && shapes) {
                if (MgShape* added = shapes->addShapeCopy(*copy)) {
                    view->shapeAdded(added);
                    m_selIds.push_back(added->id());
                    m_currentId = added->id();
                    changed = true;
                }
            }
            copy->release();
        }
        m_workCopies.clear();
    }

    if (changed) {
        view->regenerate();
        if (addNew)
            view->selectionChanged();
    } else {
        view->redraw(true);
        // Every copy failed to be added: the old selection is gone all the same.
        if (selectionReplaced)
            view->selectionChanged();
    }
    m_boxSelecting = false;
    return changed || hadCopies;
}

// ---- Selection box and box handles -------------------------------------------------------

MgBox MgCommandSelect::selectionBox(const MgPointerEvent* e) const
{
    MgView* view = e->view;
    const GiViewTransform* xf = view->xform();
    if (!xf)
        return MgBox();

    MgBox box;
    bool any = false;
    for (int id : m_selIds) {
        if (const MgShape* s = findShape(view, id)) {
            box.extend(s->shape().extent());
            any = true;
        }
    }

    // Keep the handles of a thin selection apart.
    const float minSize = xf->lengthToModel(8, false);
    if (any) {
        if (box.width() < minSize) {
            box.xmin -= minSize / 2;
            box.xmax += minSize / 2;
        }
        if (box.height() < minSize) {
            box.ymin -= minSize / 2;
            box.ymax += minSize / 2;
        }
    }

    const MgMatrix& d2m = xf->displayToModel();
    MgBox client(
        MgPoint(0, 0) * d2m, MgPoint(static_cast<float>(xf->widthPx()), static_cast<float>(xf->heightPx())) * d2m);
    client.shrink(commandTolerance(e, 12));

    MgBox result;
    result.intersection(box, client);
    return result;
}

bool MgCommandSelect::boxHandleTransform(const MgPointerEvent* e, MgMatrix& m)
{
    m.setIdentity();
    m_boxHandle = kNoBoxHandle;
    m_handlePoint = e->pointM;
    if (m_handleIndex > 0 || m_selIds.empty() || m_boxSelecting)
        return false;

    const MgBox b = selectionBox(e);
    if (b.isFlat())
        return false;

    float best = commandTolerance(e, 5);
    const float edgeBonus = commandTolerance(e, 1);
    for (std::uint32_t k = 0; k < 8; ++k) {
        // Edge middles are favoured slightly over the corners.
        const float d = b.handle(static_cast<int>(k)).distance(e->startPointM) - (k >= 4 ? edgeBonus : 0);
        if (d < best) {
            best = d;
            m_boxHandle = k;
        }
    }

    MgShape* first = nullptr;
    for (auto it = m_selIds.begin(); !first && it != m_selIds.end(); ++it)
        first = findShape(e->view, *it);
    if (first && e->view->canRotate(first)) {
        for (std::uint32_t j : { 1u, 0u }) {
            const float d = rotationHandle(b, j + 8, e).distance(e->startPointM);
            if (d < best) {
                best = d;
                m_boxHandle = j + 8;
            }
        }
    }

    const MgPoint centre = b.midpoint();
    if (m_boxHandle < 8) {
        MgBox nb(b);
        nb.moveHandle(static_cast<int>(m_boxHandle), e->pointM);
        if (!nb.isFlat()) {
            m = MgMatrix::scalingAbout(nb.width() / b.width(), nb.height() / b.height(), centre)
                * MgMatrix::translationBy(nb.midpoint() - centre);
        }
    } else if (m_boxHandle == 8 || m_boxHandle == 9) {
        const MgPoint p = rotationHandle(b, m_boxHandle, e);
        float a = (p - centre).signedAngleTo(e->pointM - centre);
        if (m_boxHandle == 8) {
            // Whole degrees (halves away from zero), then down to a multiple of 15 toward zero.
            const int degrees = mgRoundToInt(mgDegrees(a)) / 15 * 15;
            a = mgRadians(static_cast<float>(degrees));
        }
        m = MgMatrix::rotationAbout(a, centre);
        m_handlePoint = centre.pointAtAngle((p - centre).direction() + a, e->pointM.distance(centre));
    }
    return m_boxHandle < 10;
}

// ---- Dragging ----------------------------------------------------------------------------

bool MgCommandSelect::dragBegin(const MgPointerEvent* e)
{
    MgView* view = e->view;
    makeWorkingCopies(view);
    MgShape* c = m_workCopies.empty() ? nullptr : m_workCopies.front();

    if (!m_showMarks) {
        m_showMarks = true;
        view->redraw(false);
    }
    m_insertPending = false;

    const bool single = m_workCopies.size() == 1;
    if (single)
        nearSelectedOutline(c, e); // m_ptNear and m_segment for the press point
    m_handleIndex = single && m_handleIndex > 0 ? nearestHandle(c, e->pointM, e) : 0;

    if (m_insertPending) {
        MgBaseLines* lines = asLines(c);
        if (lines && lines->insertPoint(m_segment, m_ptNear)) {
            lines->update();
            m_handleIndex = nearestHandle(c, m_ptNear, e); // the new vertex
        } else {
            // The press missed every edge (m_segment -1): there is no vertex to drag away.
            m_insertPending = false;
        }
    }

    if (m_workCopies.empty())
        m_boxSelecting = true;
    m_boxHandle = kNoBoxHandle;
    m_handlePoint = e->pointM;
    view->redraw(m_workCopies.size() < 2);
    return true;
}

bool MgCommandSelect::dragMove(const MgPointerEvent* e)
{
    MgView* view = e->view;
    MgPoint pt = e->pointM;
    MgMatrix m;
    const bool transformed = boxHandleTransform(e, m);

    // A new vertex stays put until the pointer leaves a t(5) radius.
    if (m_insertPending && m_ptNear.distance(pt) < commandTolerance(e, 5))
        pt = m_ptNear;

    if (!m_workCopies.empty()) {
        const float mergeTol = commandTolerance(e, 5);
        for (std::size_t i = 0; i < m_workCopies.size(); ++i) {
            MgShape* copy = m_workCopies[i];
            MgBaseShape& g = copy->shape();
            // Start again from the real shape, so the copy shows the whole drag so far.
            if (const MgShape* s = i < m_selIds.size() ? findShape(view, m_selIds[i]) : nullptr)
                g.copyFrom(s->shape());
            if (m_insertPending) {
                if (MgBaseLines* lines = asLines(copy))
                    lines->insertPoint(m_segment, m_ptNear);
            }
            if (m_handleIndex > 0) {
                g.setHandlePoint(static_cast<int>(m_handleIndex) - 1, pt, mergeTol);
            } else if (transformed) {
                g.transform(m);
            } else {
                g.offset(pt - e->startPointM, m_segment);
                view->shapeMoved(copy, m_segment);
            }
            g.update();
        }
        view->redraw(m_workCopies.size() < 2);
    } else if (m_boxSelecting) {
        m_selIds = mgShapesInBand(view->shapes(), e);
        m_currentId = m_selIds.empty() ? 0 : m_selIds.back();
        view->redraw(true);
    }
    return true;
}

bool MgCommandSelect::dragEnd(const MgPointerEvent* e)
{
    MgView* view = e->view;
    const bool wasBoxSelecting = m_boxSelecting;

    // A vertex inserted but not moved away is dropped with its copy.
    if (m_insertPending && m_workCopies.size() == 1 && m_ptNear.distance(e->pointM) < commandTolerance(e, 5))
        releaseWorkingCopies();

    const bool addNew = copyOnDrag(e);
    applyWorkingCopies(view, true, addNew);

    m_insertPending = false;
    m_ptNear = e->pointM;
    m_boxHandle = kNoBoxHandle;

    if (m_handleIndex > 0) {
        m_handleIndex = nearestHandle(m_selIds.empty() ? nullptr : findShape(view, m_selIds.front()), e->pointM, e);
        view->redraw(true);
    }
    if (wasBoxSelecting && !m_selIds.empty())
        view->selectionChanged();
    return true;
}

// ---- Feedback ----------------------------------------------------------------------------

bool MgCommandSelect::draw(const MgPointerEvent* e, GiGraphics& gs)
{
    MgView* view = e->view;

    std::vector<MgShape*> real;
    real.reserve(m_selIds.size());
    for (int id : m_selIds) {
        if (MgShape* s = findShape(view, id))
            real.push_back(s);
    }
    if (real.empty() && !m_selIds.empty()) {
        // The application removed every selected shape behind our back.
        m_selIds.clear();
        m_currentId = 0;
        m_handleIndex = 0;
        view->selectionChanged();
    }

    const bool copying = !m_workCopies.empty();
    const std::vector<MgShape*>& shown = copying ? m_workCopies : real;
    const bool handleMode = m_handleIndex > 0;
    const bool rotating = !handleMode && m_boxHandle >= 8 && m_boxHandle <= 11;

    const GiViewTransform& xf = gs.transform();
    const float r1 = xf.lengthToModel(kDotRadius, true);
    const float r2 = xf.lengthToModel(kHotDotRadius, true);

    // Paint over the real shapes while their copies move, or while they show unmarked.
    if (!(m_showMarks && (!copying || copyOnDrag(e)))) {
        const GiContext cover(kGiLineSolid, -1, gs.backgroundColor(), GiRgba::none());
        for (const MgShape* s : real)
            s->draw(gs, &cover);
        if (m_showMarks && !rotating)
            gs.drawSegment(&kDragLineContext, e->startPointM, m_handlePoint);
    }

    if (!m_showMarks || copying) {
        for (const MgShape* s : shown)
            s->draw(gs, nullptr);
    } else {
        const GiContext highlight(
            kGiLineSolid, view->tolerancesInMillimetres() ? -4.f : 0.f, kMarkBlue, GiRgba::none());
        for (const MgShape* s : shown)
            s->draw(gs, &highlight);
    }

    if (m_boxSelecting) {
        mgDrawBand(gs, e);
    } else if (!real.empty() && !handleMode && m_showMarks) {
        const MgBox b = selectionBox(e);
        const MgPoint centre = b.midpoint();
        if (!b.isFlat() && !copying) {
            {
                const SmoothingOff smoothingOff(gs);
                gs.drawBox(&kBoxContext, b);
            }
            for (int k = 0; k < 8; ++k)
                drawDot(gs, view, b.handle(k), r1, false);
            if (view->canRotate(shown.front())) {
                const float width = -1.5f * xf.pixelsPerUnitY() / xf.zoom();
                for (std::uint32_t j : { 1u, 0u }) {
                    const MgPoint p = rotationHandle(b, j + 8, e);
                    const float radius = centre.distance(p);
                    const float h = radius > 0 ? std::min(30.f, std::max(10.f, mgDegrees(12 / radius))) : 30.f;
                    const GiContext rotation(
                        j == 1 ? kGiLineSolid : kGiLineDot, width, GiRgba(0, 255, 0, 128), GiRgba::none());
                    const float start = j == 1 ? -h : 180 - h;
                    gs.drawOvalArc(&rotation, centre, radius, radius, mgRadians(start), mgRadians(2 * h));
                    drawDot(gs, view, p, r1, false);
                }
            }
        } else if (!b.isFlat()) {
            if (rotating) {
                drawDot(gs, view, centre, r1, false);
                gs.drawSegment(&kBoxContext, centre, m_handlePoint);
            } else {
                drawDot(gs, view, e->startPointM, r1, false);
                drawDot(gs, view, m_handlePoint, r1, false);
            }
        }
    }

    if (shown.size() == 1 && handleMode && m_showMarks) {
        const MgBaseShape& g = shown.front()->shape();
        const int n = g.handleCount();
        for (int k = 0; k < n; ++k)
            drawDot(gs, view, g.handlePoint(k), r1, false);
        const MgPoint active = g.handlePoint(static_cast<int>(m_handleIndex) - 1);
        if (copying || !m_insertPending)
            drawDot(gs, view, active, r2, true);
        if (copying && m_insertPending) {
            // The new vertex is marked by the command itself, and then offered to the view.
            gs.drawOval(&kInsertContext, m_ptNear, r2);
            view->drawHandle(&gs, m_ptNear, true);
        } else if (!copying && active.distance(m_ptNear) > 2 * r2) {
            drawDot(gs, view, m_ptNear, r1 / 2, false);
        }
    }
    return true;
}

bool MgCommandSelect::collectDynamicShapes(const MgPointerEvent* e, MgShapes& shapes)
{
    bool added = m_boxSelecting && mgAddBandShape(shapes, e);
    for (const MgShape* copy : m_workCopies)
        added = shapes.addShapeCopy(*copy) != nullptr || added;
    return added;
}
