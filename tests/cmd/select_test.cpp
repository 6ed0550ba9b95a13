// The select command through the test view, driven as the application drives it: picking and
// handle mode, the selection operations, dragging (move, box resize and rotation, vertex
// insertion, rubber band), the working copies and the feedback painted by draw.
//
// The test view maps model to display one to one (y down) and measures tolerances in pixels,
// so t(n) = commandTolerance(e, n) is 2n pixels: a click picks within 6 pixels, a press near
// the selected outline counts within 15 and a box handle is grabbed within 10.
#include "cmd/mgcmddraw.h"
#include "cmd/mgcmdmgr.h"
#include "cmd/mgcmdselect.h"
#include "cmd/mgshapesguard.h"
#include "geom/mgbase.h"
#include "graph/giviewtransform.h"
#include "shape/mglines.h"
#include "shape/mgrect.h"
#include "shape/mgshape.h"
#include "shape/mgshapes.h"
#include "support/command_fixture.h"
#include "support/test_view.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

namespace {

constexpr GiRgba kMarkBlue(0, 0, 255, 128);
constexpr GiRgba kBandFill(0, 0, 255, 32);
constexpr GiRgba kHandleFill(172, 172, 172, 128);

void expectNear(const MgPoint& a, const MgPoint& b, float tol = 1e-3f)
{
    EXPECT_NEAR(a.x, b.x, tol);
    EXPECT_NEAR(a.y, b.y, tol);
}

void expectBox(const MgBox& a, const MgBox& b, float tol = 1e-3f)
{
    EXPECT_NEAR(a.xmin, b.xmin, tol);
    EXPECT_NEAR(a.ymin, b.ymin, tol);
    EXPECT_NEAR(a.xmax, b.xmax, tol);
    EXPECT_NEAR(a.ymax, b.ymax, tol);
}

class SelectTest : public CommandTest {
protected:
    void SetUp() override
    {
        CommandTest::SetUp();
        lastAddedShapeId = 0;
        ASSERT_TRUE(view.setCommand("select"));
        select = dynamic_cast<MgCommandSelect*>(view.command());
        ASSERT_NE(select, nullptr) << "\"select\" is the built-in select command";
        EXPECT_STREQ(view.manager().commandName(), "select");
    }

    /// An open polyline through pts (model), added to the collection.
    MgShape* addPolyline(std::initializer_list<MgPoint> pts)
    {
        MgShapeT<MgLines> shape;
        for (const MgPoint& p : pts)
            shape.m_shape.addPoint(p);
        shape.m_shape.update();
        shape.m_context = *view.context();
        return view.shapes()->addShapeCopy(shape);
    }
    MgBox extentOf(int id) { return view.shapes()->findShape(id)->shape().extent(); }

    MgCommandSelect* select = nullptr;
};

// ---- Clicking ----------------------------------------------------------------------------

TEST_F(SelectTest, ClicksSelectEnterAndLeaveHandleModeWithExactNotifications)
{
    MgShape* rect = view.addRect(MgBox(100, 100, 200, 200));
    const int id = rect->id();
    view.clearLog();

    // On the left edge: the rectangle is picked.
    EXPECT_TRUE(view.click({ 100, 150 }));
    EXPECT_EQ(select->selectedIds(), std::vector<int> { id });
    EXPECT_EQ(select->currentId(), id);
    EXPECT_EQ(select->handleIndex(), 0u);
    EXPECT_EQ(view.count("selectionChanged"), 1);
    EXPECT_EQ(view.selectedCount, 1);

    // Again at the same place: handle mode on the left middle (handle 7), no notification, and
    // the marks hidden by the view's fetch come back with a regeneration.
    view.clearLog();
    EXPECT_TRUE(view.click({ 100, 150 }));
    EXPECT_EQ(select->handleIndex(), 8u);
    EXPECT_EQ(view.count("selectionChanged"), 0);
    EXPECT_EQ(view.count("regenerate"), 1);
    EXPECT_TRUE(select->showMarks());
    EXPECT_EQ(select->selectionState(&view), 1);

    // Near another handle: that handle becomes active.
    EXPECT_TRUE(view.click({ 197, 198 }));
    EXPECT_EQ(select->handleIndex(), 2u) << "corner 1 (xmax, ymax)";

    // Far from the outline: handle mode ends, the selection stays.
    EXPECT_TRUE(view.click({ 150, 150 }));
    EXPECT_EQ(select->handleIndex(), 0u);
    EXPECT_EQ(select->selectedIds(), std::vector<int> { id });
    EXPECT_EQ(view.count("selectionChanged"), 0);

    // Again in the empty middle: the selection is cleared.
    EXPECT_TRUE(view.click({ 150, 150 }));
    EXPECT_TRUE(select->selectedIds().empty());
    EXPECT_EQ(select->currentId(), 0);
    EXPECT_EQ(view.count("selectionChanged"), 1);

    // Empty space with nothing selected tells nobody.
    EXPECT_TRUE(view.click({ 400, 400 }));
    EXPECT_EQ(view.count("selectionChanged"), 1);
    EXPECT_EQ(view.count("redraw"), 5) << view.dump();
}

TEST_F(SelectTest, ClickOnAnotherShapeReplacesTheSelection)
{
    const int a = view.addRect(MgBox(100, 100, 200, 200))->id();
    const int b = view.addRect(MgBox(300, 100, 400, 200))->id();
    view.click({ 100, 150 });
    view.clearLog();

    view.click({ 400, 150 });
    EXPECT_EQ(select->selectedIds(), std::vector<int> { b });
    EXPECT_EQ(view.count("selectionChanged"), 1);
    EXPECT_NE(a, b);
}

TEST_F(SelectTest, FilledShapeIsPickedAnywhereInside)
{
    GiContext filled = *view.context();
    filled.setFillColor(GiRgba(0, 128, 255, 48));
    const int id = view.addRect(MgBox(100, 100, 200, 200), &filled)->id();
    view.click({ 150, 150 });
    EXPECT_EQ(select->selectedIds(), std::vector<int> { id });
}

TEST_F(SelectTest, AlternateClickIsRefusedAndChangesNothing)
{
    view.addRect(MgBox(100, 100, 200, 200));
    view.event().alternate = true;
    view.clearLog();
    EXPECT_FALSE(view.click({ 100, 150 }));
    EXPECT_TRUE(select->selectedIds().empty());
    EXPECT_EQ(select->boxHandle(), MgCommandSelect::kNoBoxHandle);
    EXPECT_TRUE(view.calls.empty()) << view.dump();
}

TEST_F(SelectTest, CancelInHandleModeClearsTheSelectionWithOneNotification)
{
    view.addRect(MgBox(100, 100, 200, 200));
    view.click({ 100, 150 });
    view.click({ 100, 150 });
    ASSERT_GT(select->handleIndex(), 0u);
    view.clearLog();

    EXPECT_TRUE(view.manager().cancelCurrent(&view.event()));
    EXPECT_TRUE(select->selectedIds().empty());
    EXPECT_EQ(select->handleIndex(), 0u);
    EXPECT_EQ(view.count("selectionChanged"), 1);

    EXPECT_FALSE(select->undoStep(&view.event())) << "nothing left to take back";
    EXPECT_FALSE(view.manager().cancelCurrent(&view.event()));
}

TEST_F(SelectTest, UndoStepGoesBackOneLevelAtATime)
{
    view.addRect(MgBox(100, 100, 200, 200));
    view.click({ 100, 150 });
    view.click({ 100, 150 });
    MgShape* copy = nullptr;
    ASSERT_EQ(select->selectedShapes(&view, 1, &copy, true), 1);

    struct Step {
        const char* name;
        bool result;
        std::size_t copies;
        std::uint32_t handle;
        std::size_t selected;
    } steps[] = {
        { "copies", true, 0, 8, 1 },
        { "handle mode", true, 0, 0, 1 },
        { "selection", true, 0, 0, 0 },
        { "nothing", false, 0, 0, 0 },
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.name);
        EXPECT_EQ(select->undoStep(&view.event()), s.result);
        EXPECT_EQ(select->workingCopies().size(), s.copies);
        EXPECT_EQ(select->handleIndex(), s.handle);
        EXPECT_EQ(select->selectedIds().size(), s.selected);
    }
}

TEST_F(SelectTest, PressAndHoldClicksFirstOnlyWhenNothingIsSelected)
{
    view.addRect(MgBox(100, 100, 200, 200));
    view.event().pointM = view.event().startPointM = { 100, 150 };
    EXPECT_TRUE(select->pressAndHold(&view.event())) << "the click picked the rectangle";
    ASSERT_NE(view.last("showContextActions"), nullptr);
    EXPECT_EQ(view.last("showContextActions")->arg, 1);

    view.clearLog();
    EXPECT_FALSE(select->pressAndHold(&view.event())) << "something selected and the view shows nothing";
    view.showsActions = true;
    EXPECT_TRUE(select->pressAndHold(&view.event()));
    EXPECT_EQ(view.count("selectionChanged"), 0);
}

// ---- Selection operations ----------------------------------------------------------------

TEST_F(SelectTest, SelectionStateByKindAndCount)
{
    const int rect = view.addRect(MgBox(100, 100, 200, 200))->id();
    const int poly = addPolyline({ { 300, 100 }, { 500, 100 }, { 500, 300 } })->id();
    MgView* v = &view;

    EXPECT_EQ(select->selectionState(v), 0);
    struct Case {
        const char* name;
        MgPoint at;
        int state;
    } cases[] = { { "rectangle", { 100, 150 }, 1 }, { "polyline", { 400, 100 }, 3 } };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        view.click({ 600, 500 });
        view.click(c.at);
        EXPECT_EQ(select->selectionState(v), 1);
        view.click(c.at);
        EXPECT_GT(select->handleIndex(), 0u);
        EXPECT_EQ(select->selectionState(v), c.state);
    }
    view.click({ 600, 500 });
    view.click({ 600, 500 });
    EXPECT_TRUE(select->selectShapeById(v, rect));
    EXPECT_TRUE(select->selectShapeById(v, poly));
    EXPECT_EQ(select->selectionState(v), 2);
}

TEST_F(SelectTest, SelectedShapesCountsOrFillsAndHidesTheMarks)
{
    for (int i = 0; i < 3; ++i)
        view.addRect(MgBox(100.f + 100 * i, 100, 150.f + 100 * i, 150));
    view.fetchOnSelectionChange = false;
    EXPECT_TRUE(select->selectAll(&view));
    ASSERT_TRUE(select->showMarks());

    EXPECT_EQ(select->selectedShapes(&view, 0, nullptr, false), 3);
    EXPECT_TRUE(select->showMarks());
    MgShape* out[2] = { nullptr, nullptr };
    EXPECT_EQ(select->selectedShapes(&view, 2, out, false), 2);
    EXPECT_EQ(out[0], view.shapes()->findShape(select->selectedIds()[0]));
    EXPECT_EQ(out[1], view.shapes()->findShape(select->selectedIds()[1]));
    EXPECT_FALSE(select->showMarks());

    // Ids whose shapes are gone are skipped.
    view.shapes()->removeShape(select->selectedIds()[0])->release();
    EXPECT_EQ(select->selectedShapes(&view, 2, out, false), 2);
    EXPECT_EQ(out[0]->id(), select->selectedIds()[1]);
}

TEST_F(SelectTest, SelectAllAndSelectById)
{
    const int a = view.addRect(MgBox(100, 100, 200, 200))->id();
    const int b = view.addRect(MgBox(300, 100, 400, 200))->id();
    view.clearLog();

    EXPECT_TRUE(select->selectAll(&view));
    EXPECT_EQ(select->selectedIds(), (std::vector<int> { a, b }));
    EXPECT_EQ(select->currentId(), b);
    EXPECT_EQ(view.count("selectionChanged"), 1);
    EXPECT_FALSE(select->selectAll(&view)) << "same count";
    EXPECT_EQ(view.count("selectionChanged"), 2) << "told again: the selection is not empty";

    select->clearSelection(&view);
    EXPECT_TRUE(select->selectedIds().empty());
    EXPECT_EQ(view.count("selectionChanged"), 3);
    select->clearSelection(&view);
    EXPECT_EQ(view.count("selectionChanged"), 3) << "nothing was selected";

    EXPECT_FALSE(select->selectShapeById(&view, 999));
    EXPECT_TRUE(select->selectShapeById(&view, b));
    EXPECT_TRUE(select->selectShapeById(&view, a));
    EXPECT_TRUE(select->selectShapeById(&view, a)) << "already selected still exists";
    EXPECT_EQ(select->selectedIds(), (std::vector<int> { b, a }));
    EXPECT_EQ(select->currentId(), a);
    EXPECT_EQ(view.count("selectionChanged"), 5);
}

TEST_F(SelectTest, DeleteSelectedRemovesEveryShapeAndRegeneratesOnce)
{
    view.addRect(MgBox(100, 100, 200, 200));
    view.addRect(MgBox(300, 100, 400, 200));
    const int keep = view.addRect(MgBox(500, 100, 600, 200))->id();
    select->selectShapeById(&view, 1);
    select->selectShapeById(&view, 2);
    view.clearLog();
    const int changes = view.changeCount();

    EXPECT_TRUE(select->deleteSelected(&view));
    EXPECT_EQ(view.shapes()->shapeCount(), 1);
    EXPECT_NE(view.shapes()->findShape(keep), nullptr);
    EXPECT_TRUE(select->selectedIds().empty());
    EXPECT_EQ(view.count("regenerate"), 1);
    EXPECT_EQ(view.count("selectionChanged"), 1);
    EXPECT_EQ(view.changeCount(), changes + 1);

    // Nothing selected: nothing happens, and the document does not count as changed.
    view.clearLog();
    EXPECT_FALSE(select->deleteSelected(&view));
    EXPECT_TRUE(view.calls.empty()) << view.dump();
    EXPECT_EQ(view.changeCount(), changes + 1);
}

TEST_F(SelectTest, DeleteWhileWorkingCopiesAreOutDoesNotWait)
{
    const int id = view.addRect(MgBox(100, 100, 200, 200))->id();
    select->selectShapeById(&view, id);
    MgShape* copy = nullptr;
    ASSERT_EQ(view.manager().selectedShapes(&view, 1, &copy, true), 1);
    EXPECT_TRUE(select->deleteSelected(&view));
    EXPECT_TRUE(select->workingCopies().empty());
    EXPECT_EQ(view.shapes()->shapeCount(), 0);
}

TEST_F(SelectTest, DuplicateAddsCopiesTenMillimetresAwayAndSelectsThem)
{
    const int a = view.addRect(MgBox(100, 100, 200, 200))->id();
    const int b = view.addRect(MgBox(300, 100, 400, 150))->id();
    select->selectAll(&view);
    view.clearLog();
    const int changes = view.changeCount();
    const float d = view.xform()->lengthToModel(10, true);
    ASSERT_NEAR(d, 10 * 96 / 25.4f, 1e-2);

    EXPECT_TRUE(select->duplicateSelected(&view));
    ASSERT_EQ(view.shapes()->shapeCount(), 4);
    ASSERT_EQ(select->selectedIds().size(), 2u);
    const int na = select->selectedIds()[0];
    const int nb = select->selectedIds()[1];
    EXPECT_TRUE(na != a && na != b && nb != a && nb != b);
    EXPECT_EQ(select->currentId(), nb);
    expectBox(extentOf(na), MgBox(100 + d, 100 - d, 200 + d, 200 - d));
    expectBox(extentOf(nb), MgBox(300 + d, 100 - d, 400 + d, 150 - d));
    expectBox(extentOf(a), MgBox(100, 100, 200, 200));
    EXPECT_EQ(view.count("shapeAdded"), 2);
    EXPECT_EQ(view.count("regenerate"), 1);
    EXPECT_EQ(view.count("selectionChanged"), 1);
    EXPECT_EQ(view.changeCount(), changes + 1);
    EXPECT_TRUE(select->workingCopies().empty());

    select->clearSelection(&view);
    EXPECT_FALSE(select->duplicateSelected(&view)) << "nothing selected";
    EXPECT_EQ(view.shapes()->shapeCount(), 4);
}

TEST_F(SelectTest, InitializeSelectsTheShapeJustDrawn)
{
    ASSERT_TRUE(view.setCommand("rect"));
    view.drag({ 100, 100 }, { 200, 180 });
    ASSERT_EQ(view.count("shapeAdded"), 1);
    const int added = view.last("shapeAdded")->shapeId;
    view.clearLog();

    ASSERT_TRUE(view.setCommand("select"));
    EXPECT_EQ(view.command(), select) << "the cached command is reused";
    EXPECT_EQ(select->selectedIds(), std::vector<int> { added });
    EXPECT_EQ(select->currentId(), added);
    EXPECT_EQ(view.count("selectionChanged"), 1);
    EXPECT_EQ(lastAddedShapeId, 0);

    // Becoming current again without a new shape selects nothing.
    ASSERT_TRUE(view.setCommand("select"));
    EXPECT_TRUE(select->selectedIds().empty());
}

// ---- Polyline vertices -------------------------------------------------------------------

TEST_F(SelectTest, VertexOperationsNeedAPolylineInHandleMode)
{
    view.addRect(MgBox(100, 100, 200, 200));
    view.click({ 100, 150 });
    view.click({ 100, 150 });
    EXPECT_FALSE(select->removeVertex(&view.event()));
    EXPECT_FALSE(select->insertVertex(&view.event()));
    EXPECT_FALSE(select->toggleClosed(&view));
}

TEST_F(SelectTest, RemoveInsertAndCloseAPolyline)
{
    MgShape* poly = addPolyline({ { 100, 100 }, { 300, 100 }, { 300, 300 } });
    const auto& lines = static_cast<const MgBaseLines&>(poly->shape());
    view.click({ 300, 101 });
    view.click({ 300, 101 });
    ASSERT_EQ(select->handleIndex(), 2u);

    EXPECT_TRUE(select->removeVertex(&view.event()));
    EXPECT_EQ(lines.pointCount(), 2);

    // Pick the middle of the remaining edge, then insert there.
    view.click({ 200, 200 });
    view.click({ 200, 200 });
    ASSERT_GT(select->handleIndex(), 0u);
    EXPECT_TRUE(select->insertVertex(&view.event()));
    EXPECT_EQ(lines.pointCount(), 3);
    expectNear(lines.pointAt(1), { 200, 200 });
    EXPECT_EQ(select->handleIndex(), 2u) << "the new vertex is active";

    EXPECT_FALSE(lines.isClosed());
    EXPECT_TRUE(select->toggleClosed(&view));
    EXPECT_TRUE(lines.isClosed());
}

TEST_F(SelectTest, DraggingFromAnEdgeInsertsAVertexThere)
{
    MgShape* poly = addPolyline({ { 100, 100 }, { 300, 100 }, { 300, 300 } });
    const auto& lines = static_cast<const MgBaseLines&>(poly->shape());
    view.click({ 200, 100 });
    view.click({ 200, 100 }); // handle mode; the press is far from both vertices
    ASSERT_GT(select->handleIndex(), 0u);
    EXPECT_TRUE(select->insertPending());
    view.clearLog();
    const int changes = view.changeCount();

    view.press({ 200, 100 });
    view.move({ 200, 130 });
    ASSERT_EQ(select->workingCopies().size(), 1u);
    EXPECT_EQ(select->workingCopies()[0]->shape().pointCount(), 4);
    EXPECT_EQ(select->handleIndex(), 2u) << "the inserted vertex is dragged";
    view.move({ 200, 150 });
    expectNear(select->workingCopies()[0]->shape().pointAt(1), { 200, 150 });
    view.release({ 200, 150 });

    ASSERT_EQ(lines.pointCount(), 4);
    expectNear(lines.pointAt(1), { 200, 150 });
    expectNear(lines.pointAt(2), { 300, 100 });
    EXPECT_EQ(view.changeCount(), changes + 1);
    EXPECT_EQ(view.count("regenerate"), 1);
    EXPECT_FALSE(select->insertPending());
}

TEST_F(SelectTest, InsertedVertexIsDroppedWhenReleasedWithinFivePixels)
{
    MgShape* poly = addPolyline({ { 100, 100 }, { 300, 100 }, { 300, 300 } });
    view.click({ 200, 100 });
    view.click({ 200, 100 });
    const int changes = view.changeCount();

    view.press({ 200, 100 });
    view.move({ 200, 108 }); // a drag (beyond 5.0 pixels) that stays within t(5)
    ASSERT_EQ(select->workingCopies().size(), 1u);
    expectNear(select->workingCopies()[0]->shape().pointAt(1), { 200, 100 });
    view.release({ 200, 108 });

    EXPECT_EQ(poly->shape().pointCount(), 3);
    EXPECT_EQ(view.changeCount(), changes) << "nothing was written back";
    EXPECT_TRUE(select->workingCopies().empty());
}

// ---- Dragging ----------------------------------------------------------------------------

TEST_F(SelectTest, MovingASelectedRectangleFollowsThePointerExactly)
{
    const int id = view.addRect(MgBox(100, 100, 200, 200))->id();
    view.click({ 100, 150 });
    view.clearLog();
    const int changes = view.changeCount();

    view.press({ 150, 150 });
    for (int step = 1; step <= 5; ++step) {
        SCOPED_TRACE(step);
        const float dx = 10.f * step;
        view.move({ 150 + dx, 150 });
        ASSERT_EQ(select->workingCopies().size(), 1u);
        expectBox(select->workingCopies()[0]->shape().extent(), MgBox(100 + dx, 100, 200 + dx, 200));
        expectBox(extentOf(id), MgBox(100, 100, 200, 200));
    }
    EXPECT_EQ(view.count("shapeMoved"), 5);
    EXPECT_EQ(view.count("regenerate"), 0);
    view.release({ 200, 150 });

    expectBox(extentOf(id), MgBox(150, 100, 250, 200));
    EXPECT_EQ(view.count("regenerate"), 1);
    EXPECT_EQ(view.count("selectionChanged"), 0);
    EXPECT_EQ(view.changeCount(), changes + 1);
    EXPECT_TRUE(select->workingCopies().empty());
    EXPECT_EQ(select->selectedIds(), std::vector<int> { id });
}

TEST_F(SelectTest, TheViewMayAdjustMovedCopies)
{
    const int id = view.addRect(MgBox(100, 100, 200, 200))->id();
    view.click({ 100, 150 });
    // Like the application, which keeps regions on the picture.
    view.onShapeMoved = [](MgShape* s, int) {
        const MgBox ext = s->shape().extent();
        if (ext.xmax > 220)
            s->shape().offset(MgVector(220 - ext.xmax, 0), -1);
        return 0;
    };
    view.drag({ 150, 150 }, { 250, 150 });
    expectBox(extentOf(id), MgBox(120, 100, 220, 200));
}

TEST_F(SelectTest, DragStartingOnAnUnselectedShapeMovesTheSelection)
{
    const int a = view.addRect(MgBox(100, 100, 200, 200))->id();
    const int b = view.addRect(MgBox(300, 100, 400, 200))->id();
    view.click({ 100, 150 });
    view.drag({ 350, 150 }, { 350, 180 });
    expectBox(extentOf(a), MgBox(100, 130, 200, 230));
    expectBox(extentOf(b), MgBox(300, 100, 400, 200));
    EXPECT_EQ(select->selectedIds(), std::vector<int> { a });
}

TEST_F(SelectTest, CornerHandleResizeKeepsTheOppositeCorner)
{
    const int a = view.addRect(MgBox(100, 100, 200, 200))->id();
    const int b = view.addRect(MgBox(140, 140, 160, 160))->id();
    select->selectAll(&view);
    const int changes = view.changeCount();

    // Within t(5) of the box corner (xmax, ymax): box handle 1.
    view.press({ 204, 203 });
    view.move({ 230, 230 });
    EXPECT_EQ(select->boxHandle(), 1u);
    view.move({ 254, 253 });
    view.release({ 254, 253 });

    // The box (100,100)-(200,200) maps onto (100,100)-(254,253).
    expectBox(extentOf(a), MgBox(100, 100, 254, 253));
    expectBox(extentOf(b), MgBox(161.6f, 161.2f, 192.4f, 191.8f));
    EXPECT_EQ(view.changeCount(), changes + 1);
    EXPECT_EQ(select->boxHandle(), MgCommandSelect::kNoBoxHandle);
}

TEST_F(SelectTest, EdgeHandleResizeScalesOneDirection)
{
    const int id = view.addRect(MgBox(100, 100, 200, 200))->id();
    select->selectShapeById(&view, id);
    view.drag({ 150, 96 }, { 150, 50 }); // edge middle at ymin: handle 6
    expectBox(extentOf(id), MgBox(100, 50, 200, 200));
}

TEST_F(SelectTest, ThinSelectionBoxIsWidenedToEightPixels)
{
    const int id = view.addLine({ 100, 100 }, { 300, 100 })->id();
    select->selectShapeById(&view, id);
    const MgBox b = select->selectionBox(&view.event());
    EXPECT_NEAR(b.height(), 8, 1e-3);
    EXPECT_NEAR(b.width(), 200, 1e-3);
    EXPECT_NEAR(b.midpoint().y, 100, 1e-3);

    // Clipped to the client area less t(12).
    const int big = view.addRect(MgBox(-100, -100, 900, 700))->id();
    select->selectShapeById(&view, big);
    expectBox(select->selectionBox(&view.event()), MgBox(24, 24, 776, 576));

    select->clearSelection(&view);
    EXPECT_TRUE(select->selectionBox(&view.event()).isAllZero());
}

TEST_F(SelectTest, RotationHandlesSnapOnTheLeftAndRotateFreelyOnTheRight)
{
    const MgPoint centre(150, 150);
    struct Case {
        const char* name;
        float side; // -1: left handle 8, +1: right handle 9
        float degrees;
        float expected;
    } cases[] = {
        { "left 22 gives 15", -1, 22, 15 },
        { "left 29.6 gives 30", -1, 29.6f, 30 },
        { "left -22 gives -15", -1, -22, -15 },
        { "left 7 gives 0", -1, 7, 0 },
        { "right 22 stays 22", 1, 22, 22 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestView v;
        v.rotatable = true;
        ASSERT_TRUE(v.setCommand("select"));
        auto* sel = dynamic_cast<MgCommandSelect*>(v.command());
        MgShape* rect = v.addRect(MgBox(100, 100, 200, 200));
        sel->selectShapeById(&v, rect->id());

        // The handle lies t(10) = 20 pixels beyond the middle of the side.
        const MgPoint handle(centre.x + c.side * 70, centre.y);
        const float start = c.side < 0 ? kMgPi : 0;
        const MgPoint to = centre.pointAtAngle(start + mgRadians(c.degrees), 70);
        v.press(handle);
        v.move(to);
        EXPECT_EQ(sel->boxHandle(), c.side < 0 ? 8u : 9u);
        ASSERT_EQ(sel->workingCopies().size(), 1u);
        const auto& copy = static_cast<const MgBaseRect&>(sel->workingCopies()[0]->shape());
        EXPECT_NEAR(mgDegrees(copy.angle()), c.expected, 1e-2);
        expectNear(copy.center(), centre);
        // The handle point follows the rotation at the pointer's distance from the centre.
        expectNear(sel->handlePoint(), centre.pointAtAngle(start + mgRadians(c.expected), 70), 1e-2f);
        v.release(to);
        EXPECT_NEAR(mgDegrees(static_cast<const MgBaseRect&>(rect->shape()).angle()), c.expected, 1e-2);
    }
}

TEST_F(SelectTest, NoRotationHandlesUnlessTheViewAllows)
{
    const int id = view.addRect(MgBox(100, 100, 200, 200))->id();
    select->selectShapeById(&view, id);
    view.drag({ 80, 150 }, { 80, 120 }); // where handle 8 would be: a plain move
    expectBox(extentOf(id), MgBox(100, 70, 200, 170));
}

TEST_F(SelectTest, RubberBandRightDownTouchesOtherDirectionsEnclose)
{
    view.addRect(MgBox(100, 100, 200, 200)); // id 1
    view.addRect(MgBox(300, 100, 400, 200)); // id 2
    view.addRect(MgBox(500, 300, 550, 350)); // id 3
    struct Case {
        const char* name;
        MgPoint from, to;
        std::vector<int> expected;
    } cases[] = {
        { "right-down touches", { 150, 50 }, { 350, 250 }, { 1, 2 } },
        { "left-up over the same area encloses nothing", { 350, 250 }, { 150, 50 }, {} },
        { "left-up enclosing one", { 450, 250 }, { 250, 50 }, { 2 } },
        { "right-up enclosing two", { 280, 380 }, { 600, 80 }, { 2, 3 } },
        { "left-down enclosing one", { 580, 280 }, { 480, 380 }, { 3 } },
        { "right-down touching one corner", { 540, 340 }, { 700, 500 }, { 3 } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        select->clearSelection(&view);
        view.clearLog();
        view.press(c.from);
        view.move(c.to);
        EXPECT_TRUE(select->boxSelecting());
        EXPECT_EQ(select->selectedIds(), c.expected) << "selected while dragging";
        EXPECT_EQ(view.count("selectionChanged"), 0);
        view.release(c.to);
        EXPECT_FALSE(select->boxSelecting());
        EXPECT_EQ(select->selectedIds(), c.expected);
        EXPECT_EQ(view.count("selectionChanged"), c.expected.empty() ? 0 : 1);
        EXPECT_EQ(view.count("regenerate"), 0);
    }
}

TEST_F(SelectTest, EscDuringADragRestoresEverything)
{
    const int id = view.addRect(MgBox(100, 100, 200, 200))->id();
    view.click({ 100, 150 });
    const int changes = view.changeCount();
    view.press({ 150, 150 });
    view.move({ 200, 190 });
    ASSERT_EQ(select->workingCopies().size(), 1u);
    view.clearLog();

    EXPECT_TRUE(view.cancel());
    EXPECT_TRUE(select->workingCopies().empty());
    EXPECT_TRUE(select->selectedIds().empty());
    EXPECT_EQ(view.count("selectionChanged"), 1);
    EXPECT_FALSE(view.release({ 200, 190 })) << "the drag is over";
    expectBox(extentOf(id), MgBox(100, 100, 200, 200));
    EXPECT_EQ(view.changeCount(), changes);

    // A rubber band cancelled half way selects nothing.
    view.press({ 50, 50 });
    view.move({ 250, 250 });
    EXPECT_EQ(select->selectedIds().size(), 1u);
    EXPECT_TRUE(view.cancel());
    EXPECT_FALSE(select->boxSelecting());
    EXPECT_TRUE(select->selectedIds().empty());
}

TEST_F(SelectTest, CopyingDragAddsMovedCopies)
{
    const int id = view.addRect(MgBox(100, 100, 200, 200))->id();
    view.click({ 100, 150 });
    view.event().alternate = true;
    view.drag({ 150, 150 }, { 250, 150 });
    ASSERT_EQ(view.shapes()->shapeCount(), 2);
    expectBox(extentOf(id), MgBox(100, 100, 200, 200));
    ASSERT_EQ(select->selectedIds().size(), 1u);
    EXPECT_NE(select->selectedIds()[0], id);
    expectBox(extentOf(select->selectedIds()[0]), MgBox(200, 100, 300, 200));
}

TEST_F(SelectTest, ShapesGoneBeforeTheDragDoNotShiftTheCopies)
{
    const int a = view.addRect(MgBox(100, 100, 200, 200))->id();
    const int b = view.addRect(MgBox(300, 100, 400, 200))->id();
    select->selectAll(&view);
    view.shapes()->removeShape(a)->release(); // removed by the application behind the command

    view.drag({ 350, 150 }, { 350, 190 });
    expectBox(extentOf(b), MgBox(300, 140, 400, 240));
    EXPECT_EQ(select->selectedIds(), std::vector<int> { b });
}

TEST_F(SelectTest, ApplicationPathsNeverWaitInAGuard)
{
    // Draw, select, move, resize, nudge and delete, as the application does them; TearDown
    // checks that no guard slept.
    ASSERT_TRUE(view.setCommand("rect"));
    view.drag({ 100, 100 }, { 200, 200 });
    ASSERT_TRUE(view.setCommand("select"));
    ASSERT_EQ(select->selectedIds().size(), 1u);
    const int id = select->selectedIds()[0];
    view.click({ 400, 400 });
    view.click({ 100, 150 });
    view.drag({ 150, 150 }, { 170, 150 });
    view.drag({ 223, 203 }, { 240, 240 });
    expectBox(extentOf(id), MgBox(120, 100, 240, 240));
    EXPECT_TRUE(view.nudge(1, 0));
    EXPECT_TRUE(view.nudge(0, 1, true));
    view.paint();
    EXPECT_TRUE(view.deleteSelected());
    EXPECT_EQ(view.shapes()->shapeCount(), 0);
}

TEST_F(SelectTest, HandleModeDragMovesOnlyTheActiveHandle)
{
    const int id = view.addRect(MgBox(100, 100, 200, 200))->id();
    view.click({ 100, 150 });
    view.click({ 100, 150 }); // left middle active
    const int changes = view.changeCount();
    view.drag({ 100, 150 }, { 60, 150 });
    expectBox(extentOf(id), MgBox(60, 100, 200, 200));
    EXPECT_EQ(select->handleIndex(), 8u) << "still in handle mode, on the handle at the pointer";
    EXPECT_EQ(view.changeCount(), changes + 1);
    EXPECT_EQ(view.count("shapeMoved"), 0) << "a handle drag is not a move";
}

TEST_F(SelectTest, PressOffTheOutlineInHandleModeDragsTheNearestVertexWithoutInserting)
{
    MgShape* poly = addPolyline({ { 100, 100 }, { 300, 100 }, { 300, 300 } });
    view.click({ 200, 100 });
    view.click({ 200, 100 });
    ASSERT_TRUE(select->insertPending());

    // 20 pixels off the edge: not near the outline, so no vertex can be inserted; the press
    // grabs the nearest vertex, which must follow the pointer and be kept.
    view.press({ 200, 120 });
    view.move({ 205, 105 });
    EXPECT_FALSE(select->insertPending());
    ASSERT_EQ(select->workingCopies().size(), 1u);
    EXPECT_EQ(select->workingCopies()[0]->shape().pointCount(), 3);
    view.release({ 205, 105 });
    ASSERT_EQ(poly->shape().pointCount(), 3);
    expectNear(poly->shape().pointAt(0), { 205, 105 });
}

// ---- Feedback ----------------------------------------------------------------------------

TEST_F(SelectTest, SelectedShapeIsHighlightedWithItsBoxAndHandles)
{
    view.fetchOnSelectionChange = false;
    view.addRect(MgBox(100, 100, 200, 200));
    view.click({ 100, 150 });
    view.clearLog();

    EXPECT_TRUE(view.paint());
    EXPECT_EQ(view.canvas().countWithColors(kMarkBlue, GiRgba::none()), 2) << "highlight and box\n"
                                                                           << view.canvas().dump();
    EXPECT_EQ(view.count("drawHandle"), 8);
    for (const ViewCall& c : view.calls)
        EXPECT_FALSE(c.flag) << "box handles are not hot";
    EXPECT_EQ(view.canvas().count("paintEllipse"), 0) << "the view drew every handle";

    // When the view leaves the dots to the command, it draws them itself.
    view.drawsHandles = false;
    view.paint();
    EXPECT_EQ(view.canvas().countWithColors(GiRgba(128, 128, 64, 200), kHandleFill), 8);
}

TEST_F(SelectTest, MarksHideAfterTheApplicationFetchedTheSelectionAndReturnOnClick)
{
    view.addRect(MgBox(100, 100, 200, 200));
    view.click({ 100, 150 }); // the view fetches the selection, as the application does
    ASSERT_FALSE(select->showMarks());
    view.clearLog();

    view.paint();
    EXPECT_EQ(view.canvas().countWithColors(kMarkBlue, GiRgba::none()), 0) << view.canvas().dump();
    EXPECT_EQ(view.count("drawHandle"), 0);

    view.click({ 100, 150 });
    EXPECT_TRUE(select->showMarks());
    EXPECT_EQ(view.count("regenerate"), 1);
    view.clearLog();
    view.paint();
    EXPECT_GT(view.canvas().countWithColors(kMarkBlue, GiRgba::none()), 0);
    EXPECT_EQ(view.count("drawHandle"), 9) << "handle mode: eight handles and the hot one";
    ASSERT_NE(view.last("drawHandle"), nullptr);
    EXPECT_TRUE(view.last("drawHandle")->flag);
    expectNear(view.last("drawHandle")->pt, { 100, 150 });
}

TEST_F(SelectTest, RubberBandIsDrawnWithoutSmoothingAndDashedOnlyRightDown)
{
    view.addRect(MgBox(300, 300, 350, 350));
    struct Case {
        const char* name;
        MgPoint to;
        int style;
    } cases[] = { { "right-down", { 200, 200 }, 1 }, { "left-up", { 20, 20 }, 0 } };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        select->clearSelection(&view);
        view.press({ 100, 100 });
        view.move(c.to);
        view.paint();
        const CanvasCall* band = nullptr;
        for (const CanvasCall& call : view.canvas().calls) {
            if (call.hasContext && call.ctx.fillColor() == kBandFill)
                band = &call;
        }
        ASSERT_NE(band, nullptr) << view.canvas().dump();
        EXPECT_EQ(band->ctx.lineStyle(), c.style);
        EXPECT_TRUE(view.canvas().smoothing) << "smoothing restored after the band";
        EXPECT_EQ(view.canvas().count("setSmoothing"), 2);
        view.cancel();
    }
}

TEST_F(SelectTest, MovingCopiesCoverTheOriginalsAndShowTheDragLine)
{
    view.fetchOnSelectionChange = false;
    view.addRect(MgBox(100, 100, 200, 200));
    view.click({ 100, 150 });
    view.press({ 150, 150 });
    view.move({ 180, 150 });
    view.paint();

    const GiRgba background = view.canvas().background;
    EXPECT_GE(view.canvas().countWithColors(background, GiRgba::none()), 1) << "cover\n" << view.canvas().dump();
    const CanvasCall* line = view.canvas().last("strokeSegment");
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line->ctx.lineColor(), kMarkBlue);
    EXPECT_EQ(line->ctx.lineStyle(), 1);
    // Dots at the press point and at the handle point.
    ASSERT_EQ(view.count("drawHandle"), 2);
    expectNear(view.calls[view.calls.size() - 2].pt, { 150, 150 });
    expectNear(view.calls.back().pt, { 180, 150 });
    view.release({ 180, 150 });
}

TEST_F(SelectTest, PaintDropsASelectionWhoseShapesAreGone)
{
    const int id = view.addRect(MgBox(100, 100, 200, 200))->id();
    select->selectShapeById(&view, id);
    view.shapes()->removeShape(id)->release();
    view.clearLog();
    view.paint();
    EXPECT_TRUE(select->selectedIds().empty());
    EXPECT_EQ(view.count("selectionChanged"), 1);
    view.paint();
    EXPECT_EQ(view.count("selectionChanged"), 1);
}

TEST_F(SelectTest, CollectDynamicShapesCopiesTheBandAndTheWorkingCopies)
{
    view.addRect(MgBox(100, 100, 200, 200));
    MgShapes* out = MgShapesT<>::create(false);
    view.press({ 300, 300 });
    view.move({ 400, 400 });
    EXPECT_TRUE(select->collectDynamicShapes(&view.event(), *out));
    EXPECT_EQ(out->shapeCount(), 1);
    view.release({ 400, 400 });
    out->clear();

    select->selectShapeById(&view, 1);
    view.press({ 150, 150 });
    view.move({ 170, 150 });
    EXPECT_TRUE(select->collectDynamicShapes(&view.event(), *out));
    ASSERT_EQ(out->shapeCount(), 1);
    expectBox(out->lastShape()->shape().extent(), MgBox(120, 100, 220, 200));
    view.release({ 170, 150 });
    out->release();
}

TEST_F(SelectTest, RotationHandlesAreDrawnWithTheirArcs)
{
    view.fetchOnSelectionChange = false;
    view.rotatable = true;
    view.addRect(MgBox(100, 100, 200, 200));
    view.click({ 100, 150 });
    view.clearLog();
    view.paint();

    const GiRgba green(0, 255, 0, 128);
    std::vector<int> styles;
    for (const CanvasCall& c : view.canvas().calls) {
        if (c.hasContext && c.ctx.lineColor() == green)
            styles.push_back(c.ctx.lineStyle());
    }
    EXPECT_EQ(styles, (std::vector<int> { 0, 2 })) << "right arc solid, left (snapping) arc dotted";
    EXPECT_EQ(view.count("drawHandle"), 10);
    expectNear(view.calls.back().pt, { 80, 150 });

    // While rotating: a dot at the centre and a line to the handle point, no drag line.
    view.press({ 80, 150 });
    view.move({ 80, 120 });
    view.clearLog();
    view.paint();
    ASSERT_EQ(view.count("drawHandle"), 1);
    expectNear(view.last("drawHandle")->pt, { 150, 150 });
    const CanvasCall* line = view.canvas().last("strokeSegment");
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line->ctx.lineColor(), kMarkBlue);
    EXPECT_EQ(view.canvas().count("strokeSegment"), 1);
    view.release({ 80, 120 });
}

TEST_F(SelectTest, VertexAboutToBeInsertedIsMarked)
{
    addPolyline({ { 100, 100 }, { 300, 100 }, { 300, 300 } });
    view.click({ 200, 100 });
    view.click({ 200, 100 });
    view.press({ 200, 100 });
    view.move({ 200, 107 });
    view.clearLog();
    view.paint();
    EXPECT_EQ(view.canvas().countWithColors(GiRgba(128, 128, 64, 200), GiRgba(255, 0, 0, 64)), 1)
        << view.canvas().dump();
    ASSERT_NE(view.last("drawHandle"), nullptr);
    EXPECT_TRUE(view.last("drawHandle")->flag);
    expectNear(view.last("drawHandle")->pt, { 200, 100 });
    // Four vertex dots and the hot active one come first.
    EXPECT_EQ(view.count("drawHandle"), 6);
    view.release({ 200, 107 });
}

} // namespace
