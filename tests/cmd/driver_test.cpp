// The order in which the view drives a command: press, the 5-pixel drag threshold, drag steps,
// click, hover, cancel and paint.
#include "cmd/mgcmdmgr.h"
#include "spy_command.h"
#include "support/test_view.h"

#include <gtest/gtest.h>

namespace {

class DriverTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SpyCommand::resetCounters();
        view.manager().registerCommand("spy", createSpy);
        ASSERT_TRUE(view.setCommand("spy"));
        spy = dynamic_cast<SpyCommand*>(view.command());
        ASSERT_NE(spy, nullptr);
        spy->calls.clear();
    }

    TestView view;
    SpyCommand* spy = nullptr;
};

using Ops = std::vector<std::string>;

TEST_F(DriverTest, ThresholdIsStrictlyMoreThanFivePixels)
{
    struct Case {
        const char* name;
        MgPoint to;
        Ops ops;
    } cases[] = {
        { "5.0 right", { 105, 100 }, { "click" } },
        { "5.0 diagonal (3, 4)", { 103, 104 }, { "click" } },
        { "5.01 right", { 105.01f, 100 }, { "dragBegin", "dragMove", "dragEnd" } },
        { "5.01 diagonal", { 103, 104.01f }, { "dragBegin", "dragMove", "dragEnd" } },
        { "5.0 up", { 100, 95 }, { "click" } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        spy->calls.clear();
        view.press({ 100, 100 });
        view.move(c.to);
        view.release(c.to);
        EXPECT_EQ(spy->ops(), c.ops);
        EXPECT_FALSE(view.driver().isDragging());
    }
}

TEST_F(DriverTest, DragStepsCarryPressedLastAndCurrentPoints)
{
    view.press({ 100, 100 });
    view.move({ 103, 100 }); // within the threshold: nothing
    view.move({ 110, 100 }); // begins the drag and moves
    view.move({ 120, 105 });
    view.release({ 130, 110 });
    ASSERT_EQ(spy->ops(), (Ops { "dragBegin", "dragMove", "dragMove", "dragEnd" }));

    const MgPointerEvent& begin = spy->calls[0].event;
    EXPECT_EQ(begin.startPoint, MgPoint(100, 100));
    EXPECT_EQ(begin.point, MgPoint(100, 100)) << "dragBegin still sees the pressed point";
    EXPECT_EQ(begin.pointM, view.toModel({ 100, 100 }));

    const MgPointerEvent& move1 = spy->calls[1].event;
    EXPECT_EQ(move1.point, MgPoint(110, 100));
    EXPECT_EQ(move1.lastPoint, MgPoint(100, 100));
    EXPECT_EQ(move1.pointM, view.toModel({ 110, 100 }));

    const MgPointerEvent& move2 = spy->calls[2].event;
    EXPECT_EQ(move2.point, MgPoint(120, 105));
    EXPECT_EQ(move2.lastPoint, MgPoint(110, 100));
    EXPECT_EQ(move2.lastPointM, view.toModel({ 110, 100 }));

    const MgPointerEvent& end = spy->calls[3].event;
    EXPECT_EQ(end.point, MgPoint(130, 110));
    EXPECT_EQ(end.lastPoint, MgPoint(120, 105));
    EXPECT_EQ(end.startPointM, view.toModel({ 100, 100 }));
}

TEST_F(DriverTest, ClickSeesTheReleasePoint)
{
    view.press({ 50, 60 });
    view.move({ 52, 61 });
    view.release({ 53, 62 });
    ASSERT_EQ(spy->ops(), (Ops { "click" }));
    EXPECT_EQ(spy->calls[0].event.point, MgPoint(53, 62));
    EXPECT_EQ(spy->calls[0].event.startPoint, MgPoint(50, 60));
    EXPECT_EQ(spy->calls[0].event.lastPoint, MgPoint(50, 60));
}

TEST_F(DriverTest, HoverDoesNotRefreshThePoint)
{
    view.click({ 10, 20 });
    spy->calls.clear();
    view.hover({ 300, 200 });
    view.hover({ 310, 210 });
    ASSERT_EQ(spy->ops(), (Ops { "hover", "hover" }));
    EXPECT_EQ(spy->calls[1].event.point, MgPoint(10, 20));
}

TEST_F(DriverTest, CancelEndsTheDragAndTheReleaseIsNoClick)
{
    view.press({ 100, 100 });
    view.move({ 120, 100 });
    EXPECT_TRUE(view.cancel());
    EXPECT_FALSE(view.driver().isDragging());
    view.move({ 140, 100 });
    EXPECT_FALSE(view.release({ 140, 100 }));
    EXPECT_EQ(spy->ops(), (Ops { "dragBegin", "dragMove", "cancel" }))
        << "a cancelled gesture neither keeps dragging nor turns into a click";

    spy->calls.clear();
    EXPECT_FALSE(view.cancel()) << "nothing to cancel without a drag";
    view.press({ 10, 10 });
    EXPECT_FALSE(view.cancel());
    EXPECT_TRUE(spy->calls.empty());
}

TEST_F(DriverTest, MovesWithoutAPressBeginNoDrag)
{
    view.move({ 400, 400 });
    view.release({ 400, 400 });
    EXPECT_TRUE(spy->calls.empty());
}

TEST_F(DriverTest, NoCurrentCommandForwardsNothing)
{
    EXPECT_FALSE(view.setCommand("nothing"));
    spy->calls.clear();
    EXPECT_FALSE(view.press({ 10, 10 }));
    EXPECT_FALSE(view.move({ 100, 100 }));
    EXPECT_FALSE(view.release({ 100, 100 }));
    EXPECT_FALSE(view.hover({ 100, 100 }));
    EXPECT_FALSE(view.paint());
    EXPECT_TRUE(spy->calls.empty());
}

TEST_F(DriverTest, PaintCallsDrawAfterTheShapes)
{
    view.addRect(MgBox(10, 10, 50, 50));
    EXPECT_TRUE(view.paint());
    EXPECT_EQ(spy->ops(), (Ops { "draw" }));
    EXPECT_EQ(view.shapesDrawn, 1);
}

TEST_F(DriverTest, ClampKeepsPointsInsideButThresholdUsesTheRawPointer)
{
    view.setClampBox(MgBox(0, 0, 200, 100));
    view.press({ 198, 50 });
    view.move({ 260, 50 }); // raw distance 62: a drag, although the clamped point moved 2 pixels
    view.release({ 260, 130 });
    ASSERT_EQ(spy->ops(), (Ops { "dragBegin", "dragMove", "dragEnd" }));
    EXPECT_NEAR(spy->calls[1].event.point.x, 200, 1e-3);
    EXPECT_NEAR(spy->calls[2].event.point.x, 200, 1e-3);
    EXPECT_NEAR(spy->calls[2].event.point.y, 100, 1e-3);
    EXPECT_NEAR(spy->calls[2].event.pointM.y, 100, 1e-3);
}

TEST_F(DriverTest, PressOutsideTheClampBoxNeedsARealMoveToDrag)
{
    view.setClampBox(MgBox(0, 0, 200, 100));
    view.press({ 250, 50 }); // the commands see (200, 50)
    view.move({ 253, 50 }); // the pointer moved 3 pixels: no drag, though 53 from the clamped point
    view.release({ 253, 50 });
    ASSERT_EQ(spy->ops(), (Ops { "click" }));
    EXPECT_NEAR(spy->calls[0].event.point.x, 200, 1e-3);
    EXPECT_NEAR(spy->calls[0].event.startPoint.x, 200, 1e-3);

    view.press({ 250, 50 });
    view.move({ 256, 50 }); // 6 pixels: a drag
    view.release({ 256, 50 });
    EXPECT_EQ(spy->ops(), (Ops { "click", "dragBegin", "dragMove", "dragEnd" }));
}

} // namespace
