// Rectangle and line drawing through the test view, driven as the application drives them.
#include "cmd/mgcmddraw.h"
#include "cmd/mgcmdmgr.h"
#include "cmd/mgshapesguard.h"
#include "shape/mglines.h"
#include "shape/mgrect.h"
#include "shape/mgshape.h"
#include "shape/mgshapes.h"
#include "spy_command.h"
#include "support/command_fixture.h"
#include "support/test_view.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

const GiContext kRegionContext(0, 0, GiRgba(0, 255, 255, 64), GiRgba(0, 128, 255, 48));

class DrawTest : public CommandTest {
protected:
    void SetUp() override
    {
        *view.context() = kRegionContext;
        CommandTest::SetUp();
    }

    MgCommandDraw* drawCommand() { return dynamic_cast<MgCommandDraw*>(view.command()); }
    const MgBaseRect& rectOf(const MgShape* s) { return static_cast<const MgBaseRect&>(s->shape()); }
};

void expectNear(const MgPoint& a, const MgPoint& b, float tol = 1e-3f)
{
    EXPECT_NEAR(a.x, b.x, tol);
    EXPECT_NEAR(a.y, b.y, tol);
}

// ---- "rect" -----------------------------------------------------------------------------

TEST_F(DrawTest, DraggedRectangleIsAddedWithTheViewsContext)
{
    ASSERT_TRUE(view.setCommand("rect"));
    EXPECT_EQ(lastAddedShapeId, 0);
    view.clearLog();
    view.drag({ 100, 100 }, { 200, 150 });

    MgShapes* shapes = view.shapes();
    ASSERT_EQ(shapes->shapeCount(), 1);
    const MgShape* added = shapes->lastShape();
    EXPECT_EQ(added->typeId(), MgShapeT<MgRect>::Type());
    EXPECT_EQ(added->context(), kRegionContext);
    const MgBox box = added->shape().extent();
    expectNear(box.leftBottom(), { 100, 100 });
    expectNear(box.rightTop(), { 200, 150 });

    ASSERT_EQ(view.count("shapeWillBeAdded"), 1);
    ASSERT_EQ(view.count("shapeAdded"), 1);
    EXPECT_EQ(view.last("shapeAdded")->shapeId, added->id());
    EXPECT_EQ(view.last("shapeWillBeAdded")->shapeId, 0) << "asked with the temporary shape";
    EXPECT_EQ(lastAddedShapeId, added->id());
    EXPECT_EQ(view.changeCount(), 1) << "the adding guard counts one change";
    EXPECT_EQ(shapes->lockCounters().modeFlags.load(), 1);
}

TEST_F(DrawTest, EveryDragDirectionGivesTheSameRectangle)
{
    ASSERT_TRUE(view.setCommand("rect"));
    const MgPoint corners[][2] = {
        { { 100, 100 }, { 200, 150 } },
        { { 200, 150 }, { 100, 100 } },
        { { 200, 100 }, { 100, 150 } },
        { { 100, 150 }, { 200, 100 } },
    };
    for (const auto& c : corners) {
        view.drag(c[0], c[1]);
        view.paint();
    }
    ASSERT_EQ(view.shapes()->shapeCount(), 4);
    const MgShape* first = view.shapes()->findShape(1);
    for (int id = 2; id <= 4; ++id) {
        SCOPED_TRACE(id);
        EXPECT_TRUE(rectOf(view.shapes()->findShape(id)).equals(rectOf(first)));
    }
}

TEST_F(DrawTest, TooSmallRectangleIsNotAddedAndItsFeedbackGoesAtTheNextPaint)
{
    ASSERT_TRUE(view.setCommand("rect"));
    view.press({ 100, 100 });
    view.move({ 107, 100 });
    view.move({ 101, 100 });
    EXPECT_TRUE(view.paint()) << "feedback while dragging";
    EXPECT_GE(view.canvas().count("paintRect") + view.canvas().count("paintPolygon"), 1);
    view.release({ 101, 100 }); // diagonal 1 pixel, below 2 pixels

    EXPECT_EQ(view.shapes()->shapeCount(), 0);
    EXPECT_EQ(view.count("shapeWillBeAdded"), 0);
    EXPECT_EQ(view.changeCount(), 0);
    ASSERT_NE(drawCommand(), nullptr);
    EXPECT_TRUE(drawCommand()->resetPending());

    EXPECT_FALSE(view.paint());
    EXPECT_TRUE(view.canvas().drawingOps().empty()) << view.canvas().dump();
    EXPECT_EQ(drawCommand()->step(), 0u);
}

TEST_F(DrawTest, ThreePixelHorizontalDragIsAddedAsAThinRectangle)
{
    ASSERT_TRUE(view.setCommand("rect"));
    view.press({ 100, 100 });
    view.move({ 110, 100 });
    view.release({ 103, 100 });
    ASSERT_EQ(view.shapes()->shapeCount(), 1);
    const MgBaseRect& r = rectOf(view.shapes()->lastShape());
    EXPECT_NEAR(r.width(), 3, 1e-3);
    EXPECT_NEAR(r.height(), 2e-5, 1e-5) << "only as high as the growth rule makes it";
}

TEST_F(DrawTest, UndoStepNeverTakesBackARectangle)
{
    ASSERT_TRUE(view.setCommand("rect"));
    MgCommand* cmd = view.command();
    EXPECT_FALSE(cmd->undoStep(&view.event()));
    view.press({ 10, 10 });
    view.move({ 40, 40 });
    view.clearLog();
    EXPECT_FALSE(cmd->undoStep(&view.event()));
    EXPECT_EQ(drawCommand()->step(), 1u);
    view.release({ 40, 40 });
    EXPECT_FALSE(cmd->undoStep(&view.event()));
    EXPECT_EQ(view.shapes()->shapeCount(), 1);
    EXPECT_EQ(view.count("redraw(false)") + view.count("regenerate"), 0);
}

TEST_F(DrawTest, CancelAfterDragEndBeforeThePaintClearsTheShape)
{
    ASSERT_TRUE(view.setCommand("rect"));
    view.drag({ 10, 10 }, { 60, 60 });
    view.clearLog();
    EXPECT_TRUE(view.command()->cancel(&view.event()));
    EXPECT_EQ(drawCommand()->step(), 0u);
    EXPECT_TRUE(drawCommand()->tempShape()->shape().extent().isAllZero());
    ASSERT_EQ(view.count("redraw"), 1);
    EXPECT_FALSE(view.last("redraw")->flag);
    EXPECT_FALSE(view.command()->cancel(&view.event())) << "nothing left to cancel";
    EXPECT_EQ(view.shapes()->shapeCount(), 1) << "the added copy stays";
}

TEST_F(DrawTest, CancelDuringADragAddsNothing)
{
    ASSERT_TRUE(view.setCommand("rect"));
    view.press({ 10, 10 });
    view.move({ 60, 60 });
    EXPECT_TRUE(view.cancel());
    view.release({ 60, 60 });
    EXPECT_EQ(view.shapes()->shapeCount(), 0);
    EXPECT_FALSE(view.paint());
}

TEST_F(DrawTest, HoverRepaintsOnEveryMove)
{
    ASSERT_TRUE(view.setCommand("rect"));
    view.clearLog();
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(view.hover({ 10.0f + i, 10 }));
    EXPECT_EQ(view.count("redraw"), 3);
    EXPECT_TRUE(view.last("redraw")->flag);
}

TEST_F(DrawTest, FeedbackFollowsThePointerWithTheViewsContext)
{
    ASSERT_TRUE(view.setCommand("rect"));
    view.press({ 100, 100 });
    view.move({ 150, 130 });
    view.clearLog();
    view.move({ 180, 140 });
    ASSERT_EQ(view.count("redraw"), 1);
    EXPECT_TRUE(view.last("redraw")->flag);

    EXPECT_TRUE(view.paint());
    const CanvasCall* call = view.canvas().last("paintRect");
    ASSERT_NE(call, nullptr) << view.canvas().dump();
    EXPECT_EQ(call->ctx.fillColor(), kRegionContext.fillColor());
    // From the press point to the current point, whatever the sign of the extents.
    EXPECT_NEAR(std::min(call->args[0], call->args[0] + call->args[2]), 100, 1e-3);
    EXPECT_NEAR(std::min(call->args[1], call->args[1] + call->args[3]), 100, 1e-3);
    EXPECT_NEAR(std::abs(call->args[2]), 80, 1e-3);
    EXPECT_NEAR(std::abs(call->args[3]), 40, 1e-3);
}

TEST_F(DrawTest, ContextIsTakenAgainAtDragBeginAndAfterAdding)
{
    ASSERT_TRUE(view.setCommand("rect"));
    const GiContext red(0, 0, GiRgba(255, 0, 0, 255), GiRgba(0, 0, 0, 0));
    *view.context() = red;
    view.drag({ 10, 10 }, { 60, 60 });
    EXPECT_EQ(view.shapes()->lastShape()->context(), red);

    const GiContext blue(1, 2, GiRgba(0, 0, 255, 255), GiRgba(0, 0, 0, 0));
    *view.context() = blue;
    view.paint();
    view.drag({ 100, 10 }, { 160, 60 });
    EXPECT_EQ(view.shapes()->lastShape()->context(), blue);
}

TEST_F(DrawTest, RefusedShapeIsNotAddedAndChangesNothing)
{
    ASSERT_TRUE(view.setCommand("rect"));
    view.drag({ 10, 10 }, { 60, 60 });
    const int kept = lastAddedShapeId;
    ASSERT_NE(kept, 0);

    view.allowAdd = false;
    view.clearLog();
    view.paint();
    view.drag({ 100, 10 }, { 160, 60 });
    EXPECT_EQ(view.count("shapeWillBeAdded"), 1);
    EXPECT_EQ(view.count("shapeAdded"), 0);
    EXPECT_EQ(view.shapes()->shapeCount(), 1);
    EXPECT_EQ(lastAddedShapeId, kept);
    EXPECT_EQ(view.changeCount(), 1) << "a refused shape does not mark the collection changed";
    EXPECT_TRUE(drawCommand()->resetPending());
    EXPECT_FALSE(view.paint());
}

TEST_F(DrawTest, InitializeResetsLastAddedShapeIdAndTheInput)
{
    ASSERT_TRUE(view.setCommand("rect"));
    view.press({ 10, 10 });
    view.move({ 60, 60 });
    lastAddedShapeId = 42;
    ASSERT_TRUE(view.setCommand("rect")); // cancels the drag, initialises again
    EXPECT_EQ(lastAddedShapeId, 0);
    EXPECT_EQ(drawCommand()->step(), 0u);
    EXPECT_FALSE(drawCommand()->resetPending());
    EXPECT_EQ(drawCommand()->tempShape()->parent(), view.shapes());
    EXPECT_EQ(drawCommand()->tempShape()->id(), 0);
}

TEST_F(DrawTest, ClampedDragStopsAtThePictureEdge)
{
    view.setClampBox(MgBox(0, 0, 300, 200));
    ASSERT_TRUE(view.setCommand("rect"));
    view.drag({ 250, 150 }, { 400, 260 });
    ASSERT_EQ(view.shapes()->shapeCount(), 1);
    const MgBox box = view.shapes()->lastShape()->shape().extent();
    EXPECT_NEAR(box.xmax, 300, 1e-3);
    EXPECT_NEAR(box.ymax, 200, 1e-3);
}

TEST_F(DrawTest, CommandSwitchKeepsTheTemporaryShape)
{
    ASSERT_TRUE(view.setCommand("rect"));
    const MgShape* temp = drawCommand()->tempShape();
    ASSERT_TRUE(view.setCommand("line"));
    ASSERT_TRUE(view.setCommand("rect"));
    EXPECT_EQ(drawCommand()->tempShape(), temp);
}

TEST_F(DrawTest, TheAddedShapeCanBeTaggedWhenTheViewIsTold)
{
    // The application tags each new region in its shapeAdded notification.
    view.onShapeAdded = [](MgShape* s) { s->setTag((1 << 16) | 1); };
    ASSERT_TRUE(view.setCommand("rect"));
    view.drag({ 10, 10 }, { 60, 60 });
    EXPECT_EQ(view.shapes()->findShapeByTag((1 << 16) | 1), view.shapes()->lastShape());
}

// ---- "line" -----------------------------------------------------------------------------

TEST_F(DrawTest, DraggedLineRunsFromThePressToTheRelease)
{
    ASSERT_TRUE(view.setCommand("line"));
    view.drag({ 10, 20 }, { 110, 70 });
    ASSERT_EQ(view.shapes()->shapeCount(), 1);
    const MgBaseShape& line = view.shapes()->lastShape()->shape();
    EXPECT_EQ(view.shapes()->lastShape()->typeId(), MgShapeT<MgLine>::Type());
    expectNear(line.pointAt(0), { 10, 20 });
    expectNear(line.pointAt(1), { 110, 70 });
    EXPECT_EQ(lastAddedShapeId, view.shapes()->lastShape()->id());
}

TEST_F(DrawTest, DragBeginPutsBothEndsOnThePressPoint)
{
    ASSERT_TRUE(view.setCommand("line"));
    MgPointerEvent e(&view);
    e.startPointM = e.pointM = MgPoint(30, 40);
    MgCommand* cmd = view.command();
    ASSERT_TRUE(cmd->dragBegin(&e));
    expectNear(drawCommand()->tempShape()->shape().pointAt(0), { 30, 40 });
    expectNear(drawCommand()->tempShape()->shape().pointAt(1), { 30, 40 });
    EXPECT_EQ(drawCommand()->step(), 1u);
}

TEST_F(DrawTest, LineMustBeLongerThanTwiceTheTolerance)
{
    ASSERT_TRUE(view.setCommand("line"));
    MgCommand* cmd = view.command();
    MgPointerEvent e(&view);
    const float tol = commandTolerance(&e, 2);
    EXPECT_NEAR(tol, 4, 1e-3) << "4 display pixels";

    struct Case {
        const char* name;
        float length;
        int added;
    } cases[] = { { "exactly the tolerance", tol, 0 }, { "slightly longer", tol * 1.001f, 1 }, { "zero", 0, 0 } };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const int before = view.shapes()->shapeCount();
        e.startPointM = e.pointM = MgPoint(0, 0);
        cmd->dragBegin(&e);
        e.pointM = MgPoint(c.length, 0);
        cmd->dragMove(&e);
        EXPECT_TRUE(cmd->dragEnd(&e));
        EXPECT_EQ(view.shapes()->shapeCount() - before, c.added);
        view.paint();
    }
}

TEST_F(DrawTest, LineFeedbackIsASegment)
{
    ASSERT_TRUE(view.setCommand("line"));
    view.press({ 10, 10 });
    view.move({ 90, 50 });
    EXPECT_TRUE(view.paint());
    const CanvasCall* seg = view.canvas().last("strokeSegment");
    ASSERT_NE(seg, nullptr) << view.canvas().dump();
    EXPECT_NEAR(seg->args[0], 10, 1e-3);
    EXPECT_NEAR(seg->args[3], 50, 1e-3);
    view.release({ 90, 50 });
    EXPECT_FALSE(view.paint());
    EXPECT_EQ(view.canvas().count("strokeSegment"), 1) << "only the added line, no feedback";
}

TEST_F(DrawTest, CollectDynamicShapesCopiesTheShapeWhileDragging)
{
    ASSERT_TRUE(view.setCommand("rect"));
    MgShapes* other = MgShapesT<>::create(false);
    EXPECT_FALSE(view.command()->collectDynamicShapes(&view.event(), *other));
    view.press({ 10, 10 });
    view.move({ 60, 60 });
    EXPECT_TRUE(view.command()->collectDynamicShapes(&view.event(), *other));
    EXPECT_EQ(other->shapeCount(), 1);
    EXPECT_EQ(view.shapes()->shapeCount(), 0);
    other->release();
}

} // namespace

// ---- The application's own edits ----------------------------------------------------------

class AppPathTest : public DrawTest {
protected:
    void SetUp() override
    {
        DrawTest::SetUp();
        SpyCommand::resetCounters();
        view.manager().registerCommand("select", createSpySelect);
        ASSERT_TRUE(view.setCommand("select"));
        select = dynamic_cast<SpyCommand*>(view.command());
        ASSERT_NE(select, nullptr);
    }

    SpyCommand* select = nullptr;
};

TEST_F(AppPathTest, NudgeMovesTheSelectionUnderOneGuardWithoutWaiting)
{
    MgShape* a = view.addRect(MgBox(10, 10, 50, 30));
    MgShape* b = view.addRect(MgBox(100, 10, 150, 30));
    select->selected = { a, b };
    view.clearLog();
    const int changes = view.changeCount();

    EXPECT_TRUE(view.nudge(1, 0));
    expectNear(a->shape().extent().leftBottom(), { 11, 10 });
    expectNear(b->shape().extent().leftBottom(), { 101, 10 });
    EXPECT_EQ(view.count("shapeMoved"), 2);
    EXPECT_EQ(view.count("regenerate"), 1);
    EXPECT_EQ(view.changeCount(), changes + 1);

    EXPECT_TRUE(view.nudge(0, 1, true)); // Shift: handle 4 moves the edge at ymax
    const MgBox box = a->shape().extent();
    EXPECT_NEAR(box.ymax - box.ymin, 21, 1e-3);
    EXPECT_EQ(view.changeCount(), changes + 2);

    select->selected.clear();
    EXPECT_FALSE(view.nudge(1, 0));
    EXPECT_EQ(view.changeCount(), changes + 2);
}
