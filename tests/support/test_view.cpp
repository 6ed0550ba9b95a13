#include "support/test_view.h"

#include "cmd/mgshapesguard.h"
#include "shape/mglines.h"
#include "shape/mgrect.h"
#include "shape/mgshape.h"
#include "shape/mgshapes.h"

#include <algorithm>

namespace {

// World millimetres per display pixel at 96 dpi and zoom 1.
constexpr float kMmPerPixel = 25.4f / 96.0f;

} // namespace

TestView::TestView(int width, int height, bool withContext, MgCommandManager* manager)
    : m_xform(true)
    , m_gs(&m_xform)
    , m_canvas(&m_gs)
    , m_shapes(MgShapesT<>::create(withContext))
    , m_ownManager(manager ? nullptr : std::make_unique<MgCmdManagerImpl>())
    , m_manager(manager ? manager : m_ownManager.get())
    , m_event(this)
    , m_driver(m_event, *m_manager)
{
    m_xform.setResolution(96, 96);
    m_xform.setClientSize(width, height);
    // Model y runs down from the top of the client area, as the picture pixels of the
    // application do; with the focus on the centre of the client, model equals display.
    const float h = static_cast<float>(height) * kMmPerPixel;
    m_xform.setModelTransform(MgMatrix(kMmPerPixel, 0, 0, -kMmPerPixel, 0, h));
    m_xform.setFocusAndZoom(MgPoint(static_cast<float>(width) * kMmPerPixel / 2, h / 2), 1);
}

TestView::~TestView()
{
    // Commands of our own manager go first: they may hold working copies of our shapes.
    if (m_ownManager)
        m_ownManager->unloadCommands();
    else if (m_manager->currentCommand())
        m_manager->cancelCurrent(&m_event);
    m_shapes->release();
}

// ---- MgView ------------------------------------------------------------------------------

MgShapes* TestView::shapes() { return m_shapes; }

void TestView::regenerate() { log("regenerate"); }

void TestView::redraw(bool dynamicOnly) { log("redraw", nullptr, dynamicOnly); }

GiContext* TestView::context() { return m_shapes->context(); }

bool TestView::tolerancesInMillimetres() { return tolInMillimetres; }

void TestView::selectionChanged()
{
    log("selectionChanged");
    if (!fetchOnSelectionChange)
        return;
    MgShape* shapes[2] = { nullptr, nullptr };
    selectedCount = m_manager->selectedShapes(this, 2, shapes, false);
    selectedTag = selectedCount > 0 && shapes[0] ? shapes[0]->tag() : 0;
}

bool TestView::shapeWillBeAdded(MgShape* shape)
{
    log("shapeWillBeAdded", shape);
    return allowAdd;
}

void TestView::shapeAdded(MgShape* shape)
{
    log("shapeAdded", shape);
    if (onShapeAdded)
        onShapeAdded(shape);
}

bool TestView::acceptsShape(MgShape* shape)
{
    log("acceptsShape", shape);
    return true;
}

bool TestView::canRotate(MgShape* shape)
{
    log("canRotate", shape);
    return rotatable;
}

int TestView::shapeMoved(MgShape* shape, int segment)
{
    log("shapeMoved", shape, false, segment);
    return onShapeMoved ? onShapeMoved(shape, segment) : 0;
}

bool TestView::showContextActions(int selState)
{
    log("showContextActions", nullptr, false, selState);
    return showsActions;
}

bool TestView::drawHandle(GiGraphics* gs, const MgPoint& pt, bool hot)
{
    (void)gs;
    log("drawHandle", nullptr, hot, 0, pt);
    return drawsHandles;
}

// ---- Log ---------------------------------------------------------------------------------

void TestView::log(std::string_view op, MgShape* shape, bool flag, int arg, MgPoint pt)
{
    calls.push_back(ViewCall { std::string(op), flag, shape ? shape->id() : 0, arg, pt });
}

int TestView::count(std::string_view op) const
{
    return static_cast<int>(std::count_if(calls.begin(), calls.end(), [&](const ViewCall& c) { return c.op == op; }));
}

const ViewCall* TestView::last(std::string_view op) const
{
    auto it = std::find_if(calls.rbegin(), calls.rend(), [&](const ViewCall& c) { return c.op == op; });
    return it == calls.rend() ? nullptr : &*it;
}

std::string TestView::dump() const
{
    std::string s;
    for (const ViewCall& c : calls) {
        s += c.op;
        if (c.op == "redraw" || c.op == "drawHandle")
            s += c.flag ? "(true)" : "(false)";
        else if (c.shapeId)
            s += "(#" + std::to_string(c.shapeId) + ")";
        s += '\n';
    }
    return s;
}

// ---- Commands and pointer ----------------------------------------------------------------

bool TestView::setCommand(const char* name) { return m_manager->setCommand(&m_event, name); }

void TestView::setClampBox(std::optional<MgBox> modelBox)
{
    if (!modelBox) {
        m_driver.setClamp({});
        return;
    }
    MgBox box = *modelBox;
    box.orderCorners();
    m_driver.setClamp([this, box](const MgPoint& pt) {
        MgPoint m = toModel(pt);
        m.x = std::clamp(m.x, box.xmin, box.xmax);
        m.y = std::clamp(m.y, box.ymin, box.ymax);
        return toDisplay(m);
    });
}

bool TestView::click(const MgPoint& pt)
{
    press(pt);
    return release(pt);
}

bool TestView::drag(const MgPoint& from, const MgPoint& to, int steps)
{
    press(from);
    steps = std::max(steps, 1);
    for (int i = 1; i <= steps; ++i) {
        const float t = static_cast<float>(i) / static_cast<float>(steps);
        move(MgPoint(from.x + (to.x - from.x) * t, from.y + (to.y - from.y) * t));
    }
    return release(to);
}

bool TestView::paint()
{
    m_canvas.clear();
    m_canvas.beginPaint();
    shapesDrawn = m_shapes->draw(m_gs, nullptr);
    const bool drawn = m_driver.paint(m_gs);
    m_canvas.endPaint();
    return drawn;
}

// ---- The application's own edits ---------------------------------------------------------

bool TestView::nudge(float dx, float dy, bool shift)
{
    const int n = m_manager->selectedShapes(this, 0, nullptr, false);
    if (n <= 0)
        return false;
    {
        const MgShapesGuard guard(m_shapes, MgShapesGuard::kEditMode);
        std::vector<MgShape*> selected(static_cast<size_t>(n), nullptr);
        const int got = m_manager->selectedShapes(this, n, selected.data(), false);
        for (int i = 0; i < got; ++i) {
            MgShape* shape = selected[static_cast<size_t>(i)];
            if (!shape)
                continue;
            MgBaseShape& geom = shape->shape();
            if (!shift) {
                geom.offset(MgVector(dx, dy), -1);
                shapeMoved(shape, -1);
            } else {
                const int handle = dx != 0 ? 5 : 4;
                geom.setHandlePoint(handle, geom.handlePoint(handle) + MgVector(dx, dy), 0);
            }
            geom.update();
        }
    }
    regenerate();
    return true;
}

bool TestView::deleteSelected()
{
    MgSelection* sel = selection();
    return sel && sel->selectionState(this) == 1 && sel->deleteSelected(this);
}

// ---- Shapes ------------------------------------------------------------------------------

MgShape* TestView::addRect(const MgBox& modelBox, const GiContext* ctx)
{
    MgShapeT<MgRect> shape;
    shape.m_shape.setRect(MgBox(modelBox.leftTop(), modelBox.rightBottom()), 0);
    shape.m_shape.update();
    if (const GiContext* c = ctx ? ctx : m_shapes->context())
        shape.m_context = *c;
    return m_shapes->addShapeCopy(shape);
}

MgShape* TestView::addLine(const MgPoint& p1, const MgPoint& p2, const GiContext* ctx)
{
    MgShapeT<MgLine> shape;
    shape.m_shape.setPointAt(0, p1);
    shape.m_shape.setPointAt(1, p2);
    shape.m_shape.update();
    if (const GiContext* c = ctx ? ctx : m_shapes->context())
        shape.m_context = *c;
    return m_shapes->addShapeCopy(shape);
}

int TestView::changeCount() const { return m_shapes->changeCount(); }

MgPoint TestView::toDisplay(const MgPoint& model) const { return model * m_xform.modelToDisplay(); }

MgPoint TestView::toModel(const MgPoint& display) const { return display * m_xform.displayToModel(); }
