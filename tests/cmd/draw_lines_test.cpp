// Freehand polylines ("lines") and splines ("splines") through the test view, driven as the
// application drives commands. Model equals display at the test view's zoom 1, so points below
// are pixels and model units at once.
#include "cmd/mgcmdlines.h"
#include "cmd/mgcmdmgr.h"
#include "cmd/mgshapesguard.h"
#include "shape/mglines.h"
#include "shape/mgshape.h"
#include "shape/mgshapes.h"
#include "support/command_fixture.h"
#include "support/test_view.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

const GiContext kPenContext(0, 0, GiRgba(200, 40, 40, 255), GiRgba::none());
const GiRgba kMarkerLine(64, 128, 64, 172);

class DrawLinesTest : public CommandTest {
protected:
    void SetUp() override
    {
        *view.context() = kPenContext;
        CommandTest::SetUp();
    }

    MgCommandDraw* drawCommand() { return dynamic_cast<MgCommandDraw*>(view.command()); }
    MgCommand* cmd() { return view.command(); }
    const MgPointerEvent* ev() { return &view.event(); }
    /// The vertices of a shape's geometry.
    static std::vector<MgPoint> verticesOf(const MgShape* s)
    {
        std::vector<MgPoint> pts;
        for (int i = 0; i < s->shape().pointCount(); ++i)
            pts.push_back(s->shape().pointAt(i));
        return pts;
    }
    /// Press at the first point, move through the others with the button held, release at the last.
    void stroke(const std::vector<MgPoint>& pts)
    {
        view.press(pts.front());
        for (size_t i = 1; i + 1 < pts.size(); ++i)
            view.move(pts[i]);
        view.release(pts.back());
    }
    /// Marker circles of the last paint: centre and radius of every paintEllipse in marker colours.
    std::vector<std::pair<MgPoint, float>> markers()
    {
        std::vector<std::pair<MgPoint, float>> out;
        for (const CanvasCall& c : view.canvas().calls) {
            if (c.op == "paintEllipse" && c.ctx.lineColor() == kMarkerLine)
                out.push_back(
                    { MgPoint(c.args[0] + c.args[2] / 2, c.args[1] + c.args[3] / 2), std::fabs(c.args[2]) / 2 });
        }
        return out;
    }
};

void expectPoints(const std::vector<MgPoint>& actual, const std::vector<MgPoint>& expected, float tol = 1e-3f)
{
    ASSERT_EQ(actual.size(), expected.size());
    for (size_t i = 0; i < actual.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_NEAR(actual[i].x, expected[i].x, tol);
        EXPECT_NEAR(actual[i].y, expected[i].y, tol);
    }
}

// ---- Registration -----------------------------------------------------------------------

TEST(MoreToolsRegistration, BuiltInNamesReachTheCommands)
{
    for (const char* name : { "lines", "splines", "erase" }) {
        SCOPED_TRACE(name);
        EXPECT_NE(MgCmdManagerImpl::builtinCreator(name), nullptr);
        TestView view;
        ASSERT_TRUE(view.setCommand(name));
        ASSERT_NE(view.command(), nullptr);
        EXPECT_STREQ(view.command()->name(), name);
        EXPECT_STREQ(view.manager().commandName(), name);
    }
}

// ---- "lines" ----------------------------------------------------------------------------

TEST_F(DrawLinesTest, EveryMovementFixesAVertex)
{
    ASSERT_TRUE(view.setCommand("lines"));
    stroke({ { 100, 100 }, { 120, 100 }, { 120.5f, 100 }, { 140, 130 }, { 150, 180 } });
    ASSERT_EQ(view.shapes()->shapeCount(), 1);
    const MgShape* s = view.shapes()->lastShape();
    EXPECT_EQ(s->typeId(), MgShapeT<MgLines>::Type());
    EXPECT_FALSE(s->shape().isClosed());
    EXPECT_EQ(s->context(), kPenContext);
    expectPoints(verticesOf(s), { { 100, 100 }, { 120, 100 }, { 120.5f, 100 }, { 140, 130 }, { 150, 180 } });
    EXPECT_EQ(lastAddedShapeId, s->id());
    EXPECT_EQ(view.count("shapeAdded"), 1);
}

TEST_F(DrawLinesTest, LoopClosesWithoutADuplicateLastVertex)
{
    ASSERT_TRUE(view.setCommand("lines"));
    view.press({ 100, 100 });
    for (MgPoint p : { MgPoint(120, 100), MgPoint(160, 100), MgPoint(160, 160), MgPoint(100, 160), MgPoint(100, 120) })
        view.move(p);
    view.move({ 104, 106 }); // 7.2 pixels from the start: within reach, the loop is 60 x 60
    ASSERT_NE(drawCommand(), nullptr);
    EXPECT_TRUE(drawCommand()->tempShape()->shape().isClosed()) << "closes while dragging";
    view.release({ 104, 106 });

    ASSERT_EQ(view.shapes()->shapeCount(), 1);
    const MgShape* s = view.shapes()->lastShape();
    EXPECT_TRUE(s->shape().isClosed());
    // The vertex under the pointer is dropped: the last one is the last fixed vertex.
    expectPoints(verticesOf(s), { { 100, 100 }, { 120, 100 }, { 160, 100 }, { 160, 160 }, { 100, 160 }, { 100, 120 } });
}

TEST_F(DrawLinesTest, LeavingTheStartAgainReopensTheLoop)
{
    ASSERT_TRUE(view.setCommand("lines"));
    view.press({ 100, 100 });
    for (MgPoint p : { MgPoint(160, 100), MgPoint(160, 160), MgPoint(100, 160), MgPoint(103, 103) })
        view.move(p);
    ASSERT_TRUE(drawCommand()->tempShape()->shape().isClosed());
    view.move({ 130, 130 });
    EXPECT_FALSE(drawCommand()->tempShape()->shape().isClosed());
    view.release({ 140, 120 });

    const MgShape* s = view.shapes()->lastShape();
    ASSERT_NE(s, nullptr);
    EXPECT_FALSE(s->shape().isClosed());
    expectPoints(verticesOf(s), { { 100, 100 }, { 160, 100 }, { 160, 160 }, { 100, 160 }, { 130, 130 }, { 140, 120 } });
}

// The reach is commandTolerance(e, 5) (10 pixels here) plus half the pen width, at least one
// pixel; the loop must also be wider and higher than 1.5 times the gap.
TEST_F(DrawLinesTest, ClosingTestAtRelease)
{
    struct Case {
        const char* name;
        float lineWidth;
        MgPoint corner; // the loop runs (100,100) -> (corner.x,100) -> corner -> (100,corner.y)
        MgPoint releaseAt;
        bool closed;
    };
    const Case cases[] = {
        { "gap 10.5, thinnest pen: reach 11", 0, { 160, 160 }, { 100, 110.5f }, true },
        { "gap 11.5, thinnest pen", 0, { 160, 160 }, { 100, 111.5f }, false },
        { "gap 11.5, 1-pixel pen still reaches 11", -1, { 160, 160 }, { 100, 111.5f }, false },
        { "gap 20, 30-pixel pen: reach 25", -30, { 160, 160 }, { 100, 120 }, true },
        { "gap 26, 30-pixel pen", -30, { 160, 160 }, { 100, 126 }, false },
        { "gap 14, 3 mm pen: reach 15.67", 300, { 160, 160 }, { 100, 114 }, true },
        { "gap 8 but the loop only 10 high", 0, { 160, 110 }, { 100, 108 }, false },
        { "gap 6 and the loop 10 high", 0, { 160, 110 }, { 100, 106 }, true },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestView v;
        GiContext ctx = kPenContext;
        ctx.setLineWidth(c.lineWidth);
        *v.context() = ctx;
        ASSERT_TRUE(v.setCommand("lines"));
        v.press({ 100, 100 });
        v.move({ c.corner.x, 100 });
        v.move(c.corner);
        v.move({ 100, c.corner.y });
        v.release(c.releaseAt);
        ASSERT_EQ(v.shapes()->shapeCount(), 1);
        const MgShape* s = v.shapes()->lastShape();
        EXPECT_EQ(s->shape().isClosed(), c.closed);
        EXPECT_EQ(s->shape().pointCount(), c.closed ? 4 : 5);
    }
}

TEST_F(DrawLinesTest, ReturnAfterTwoVerticesStaysOpen)
{
    ASSERT_TRUE(view.setCommand("lines"));
    view.press({ 100, 100 });
    view.move({ 140, 140 });
    view.release({ 103, 103 }); // within reach, the extent 40 x 40, but only two fixed vertices
    ASSERT_EQ(view.shapes()->shapeCount(), 1);
    const MgShape* s = view.shapes()->lastShape();
    EXPECT_FALSE(s->shape().isClosed());
    expectPoints(verticesOf(s), { { 100, 100 }, { 140, 140 }, { 103, 103 } });
}

TEST_F(DrawLinesTest, ClickAddsNothing)
{
    ASSERT_TRUE(view.setCommand("lines"));
    view.clearLog();
    EXPECT_FALSE(view.click({ 50, 50 }));
    EXPECT_EQ(view.shapes()->shapeCount(), 0);
    EXPECT_EQ(view.count("shapeWillBeAdded"), 0);
}

TEST_F(DrawLinesTest, UndoStepRemovesTheLastFixedVertex)
{
    ASSERT_TRUE(view.setCommand("lines"));
    EXPECT_FALSE(cmd()->undoStep(ev())) << "idle";
    view.press({ 100, 100 });
    view.move({ 120, 100 });
    view.move({ 140, 100 });
    view.move({ 160, 120 }); // three fixed vertices after the start
    ASSERT_EQ(drawCommand()->step(), 4u);
    view.clearLog();
    EXPECT_TRUE(cmd()->undoStep(ev()));
    EXPECT_EQ(drawCommand()->step(), 3u);
    EXPECT_EQ(view.count("redraw"), 1);
    EXPECT_FALSE(view.last("redraw")->flag);
    view.move({ 170, 150 });
    view.release({ 170, 150 });
    ASSERT_EQ(view.shapes()->shapeCount(), 1);
    expectPoints(verticesOf(view.shapes()->lastShape()),
        { { 100, 100 }, { 120, 100 }, { 140, 100 }, { 170, 150 }, { 170, 150 } });
}

TEST_F(DrawLinesTest, UndoStepBeforeTheSecondFixedVertex)
{
    ASSERT_TRUE(view.setCommand("lines"));
    view.press({ 100, 100 });
    ASSERT_TRUE(cmd()->dragBegin(ev())); // as the view does before the first dragMove
    ASSERT_EQ(drawCommand()->step(), 1u);
    EXPECT_FALSE(cmd()->undoStep(ev()));
    EXPECT_EQ(drawCommand()->step(), 1u);
    EXPECT_EQ(drawCommand()->tempShape()->shape().pointCount(), 2);
}

TEST_F(DrawLinesTest, ReleaseRightAfterUndoingAClosedLoopGivesAnOpenPolyline)
{
    ASSERT_TRUE(view.setCommand("lines"));
    view.press({ 100, 100 });
    view.move({ 160, 100 });
    view.move({ 160, 160 });
    view.move({ 100, 105 });
    ASSERT_TRUE(drawCommand()->tempShape()->shape().isClosed());
    ASSERT_TRUE(cmd()->undoStep(ev())); // two fixed vertices left
    view.release({ 130, 170 });
    ASSERT_EQ(view.shapes()->shapeCount(), 1);
    const MgShape* s = view.shapes()->lastShape();
    EXPECT_FALSE(s->shape().isClosed()) << "a polyline of two vertices cannot be a loop";
    expectPoints(verticesOf(s), { { 100, 100 }, { 160, 100 }, { 130, 170 } });
}

TEST_F(DrawLinesTest, FeedbackWhileDraggingGoesAtThePaintAfterTheRelease)
{
    ASSERT_TRUE(view.setCommand("lines"));
    view.press({ 100, 100 });
    view.move({ 130, 100 });
    view.move({ 130, 140 });
    EXPECT_TRUE(view.paint());
    EXPECT_EQ(view.shapesDrawn, 0);
    EXPECT_FALSE(view.canvas().drawingOps().empty());
    view.clearLog();
    view.release({ 130, 140 });
    ASSERT_NE(view.last("redraw"), nullptr);
    EXPECT_TRUE(view.last("redraw")->flag);
    EXPECT_TRUE(drawCommand()->resetPending());
    EXPECT_FALSE(view.paint());
    EXPECT_EQ(view.shapesDrawn, 1) << "only the added copy is drawn";
    EXPECT_EQ(drawCommand()->step(), 0u);
}

TEST_F(DrawLinesTest, ADragStartedBeforeThePaintIsNotLost)
{
    ASSERT_TRUE(view.setCommand("lines"));
    stroke({ { 100, 100 }, { 130, 100 }, { 130, 140 } });
    // No paint in between: the second polyline must start afresh and survive the next paint.
    view.press({ 300, 300 });
    view.move({ 330, 300 });
    EXPECT_TRUE(view.paint());
    view.move({ 330, 330 });
    view.release({ 330, 330 });
    ASSERT_EQ(view.shapes()->shapeCount(), 2);
    expectPoints(verticesOf(view.shapes()->lastShape()), { { 300, 300 }, { 330, 300 }, { 330, 330 }, { 330, 330 } });
}

TEST_F(DrawLinesTest, RefusedPolylineIsNotAdded)
{
    view.allowAdd = false;
    ASSERT_TRUE(view.setCommand("lines"));
    stroke({ { 100, 100 }, { 130, 100 }, { 130, 140 } });
    EXPECT_EQ(view.shapes()->shapeCount(), 0);
    EXPECT_EQ(view.count("shapeWillBeAdded"), 1);
    EXPECT_EQ(view.changeCount(), 0);
}

// ---- "splines": freehand ----------------------------------------------------------------

TEST_F(DrawLinesTest, FreehandSplineFixesVerticesOnePixelApart)
{
    ASSERT_TRUE(view.setCommand("splines"));
    view.press({ 100, 100 });
    for (float x : { 110.f, 110.4f, 110.8f, 111.2f, 111.6f })
        view.move({ x, 100 });
    view.release({ 111.6f, 100 });
    ASSERT_EQ(view.shapes()->shapeCount(), 1);
    const MgShape* s = view.shapes()->lastShape();
    EXPECT_EQ(s->typeId(), MgShapeT<MgSplines>::Type());
    EXPECT_FALSE(s->shape().isClosed());
    // 110 is fixed at once; 110.4 and 110.8 are closer than a pixel; 111.2 is fixed.
    expectPoints(verticesOf(s), { { 100, 100 }, { 110, 100 }, { 111.2f, 100 }, { 111.6f, 100 } });
    ASSERT_NE(drawCommand(), nullptr);
    EXPECT_TRUE(drawCommand()->resetPending());
}

TEST_F(DrawLinesTest, FreehandClickAddsATinyLine)
{
    struct Case {
        const char* name;
        MgPoint press, release;
        MgPoint end;
    };
    const Case cases[] = {
        { "no movement: one pixel right and down", { 50, 60 }, { 50, 60 }, { 51, 61 } },
        { "half a pixel: from the released point", { 50, 60 }, { 50.5f, 60 }, { 51.5f, 61 } },
        { "three pixels: to the released point", { 50, 60 }, { 53, 60 }, { 53, 60 } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestView v;
        *v.context() = kPenContext;
        ASSERT_TRUE(v.setCommand("splines"));
        v.press(c.press);
        EXPECT_TRUE(v.release(c.release));
        ASSERT_EQ(v.shapes()->shapeCount(), 1);
        const MgShape* s = v.shapes()->lastShape();
        EXPECT_EQ(s->typeId(), MgShapeT<MgLine>::Type());
        EXPECT_EQ(s->context(), kPenContext);
        expectPoints(verticesOf(s), { c.press, c.end });
        EXPECT_EQ(lastAddedShapeId, s->id());
    }
}

TEST_F(DrawLinesTest, RefusedClickLineIsNotAdded)
{
    view.allowAdd = false;
    ASSERT_TRUE(view.setCommand("splines"));
    EXPECT_TRUE(view.click({ 50, 60 }));
    EXPECT_EQ(view.shapes()->shapeCount(), 0);
    EXPECT_EQ(view.changeCount(), 0);
}

TEST_F(DrawLinesTest, FreehandUndoStepDropsTheLastFixedVertex)
{
    ASSERT_TRUE(view.setCommand("splines"));
    view.press({ 100, 100 });
    view.move({ 110, 100 });
    view.move({ 120, 100 });
    view.move({ 130, 100 });
    ASSERT_EQ(drawCommand()->step(), 4u);
    EXPECT_TRUE(cmd()->undoStep(ev()));
    EXPECT_EQ(drawCommand()->step(), 3u);
    view.release({ 130, 100 });
    expectPoints(verticesOf(view.shapes()->lastShape()), { { 100, 100 }, { 110, 100 }, { 120, 100 }, { 130, 100 } });
}

// ---- "splines": point by point ----------------------------------------------------------

class PointByPointTest : public DrawLinesTest {
protected:
    /// Starts a point-by-point curve with a drag from `from` to `to`, then drags once more for
    /// every further point (from a little beside it).
    void drawPoints(const std::vector<MgPoint>& pts)
    {
        view.event().alternate = true;
        view.drag(pts[0], pts[1]);
        view.event().alternate = false; // only the first drag chooses the mode
        for (size_t i = 2; i < pts.size(); ++i)
            view.drag(MgPoint(pts[i].x - 20, pts[i].y), pts[i]);
    }
};

TEST_F(PointByPointTest, EachDragAddsOneVertexAndDoubleClickAddsTheCurve)
{
    ASSERT_TRUE(view.setCommand("splines"));
    drawPoints({ { 100, 100 }, { 150, 100 }, { 200, 150 }, { 250, 100 } });
    auto* splines = dynamic_cast<MgCmdDrawSplines*>(cmd());
    ASSERT_NE(splines, nullptr);
    EXPECT_FALSE(splines->isFreehand());
    EXPECT_EQ(view.shapes()->shapeCount(), 0) << "nothing is added by the drags";
    EXPECT_EQ(drawCommand()->step(), 3u);
    expectPoints(verticesOf(drawCommand()->tempShape()), { { 100, 100 }, { 150, 100 }, { 200, 150 }, { 250, 100 } });
    EXPECT_FALSE(view.click({ 400, 400 })) << "a click does not end the curve";

    view.clearLog();
    EXPECT_TRUE(cmd()->doubleClick(ev()));
    ASSERT_EQ(view.shapes()->shapeCount(), 1);
    const MgShape* s = view.shapes()->lastShape();
    EXPECT_EQ(s->typeId(), MgShapeT<MgSplines>::Type());
    expectPoints(verticesOf(s), { { 100, 100 }, { 150, 100 }, { 200, 150 }, { 250, 100 } });
    EXPECT_EQ(view.count("shapeAdded"), 1);

    EXPECT_TRUE(cmd()->doubleClick(ev()));
    EXPECT_EQ(view.shapes()->shapeCount(), 1) << "a second double click before the paint adds nothing";
}

TEST_F(PointByPointTest, DoubleClickNeedsTwoFixedVertices)
{
    ASSERT_TRUE(view.setCommand("splines"));
    drawPoints({ { 100, 100 }, { 150, 100 } });
    EXPECT_EQ(drawCommand()->step(), 1u);
    EXPECT_TRUE(cmd()->doubleClick(ev()));
    EXPECT_EQ(view.shapes()->shapeCount(), 0);
    EXPECT_EQ(view.count("shapeWillBeAdded"), 0);
    EXPECT_FALSE(view.paint());
    EXPECT_EQ(drawCommand()->step(), 0u);
}

TEST_F(PointByPointTest, MarkersOnTheFirstAndTheLastFiveVertices)
{
    ASSERT_TRUE(view.setCommand("splines"));
    const std::vector<MgPoint> pts = { { 100, 100 }, { 150, 100 }, { 200, 100 }, { 250, 100 }, { 300, 100 },
        { 350, 100 }, { 400, 100 }, { 450, 100 } };
    drawPoints({ pts[0], pts[1], pts[2] });
    EXPECT_TRUE(view.paint());
    auto m = markers();
    ASSERT_EQ(m.size(), 4u) << "three vertices and the larger circle at vertex 0";

    for (size_t i = 3; i < pts.size(); ++i)
        view.drag(MgPoint(pts[i].x - 20, pts[i].y), pts[i]);
    EXPECT_TRUE(view.paint());
    m = markers();
    ASSERT_EQ(m.size(), 6u) << view.canvas().dump();
    for (int k = 0; k < 5; ++k) {
        SCOPED_TRACE(k);
        EXPECT_NEAR(m[k].first.x, pts[7 - k].x, 1e-3);
        EXPECT_NEAR(m[k].first.y, pts[7 - k].y, 1e-3);
        EXPECT_NEAR(m[k].second, 4, 1e-3) << "4 display pixels";
    }
    EXPECT_NEAR(m[5].first.x, pts[0].x, 1e-3);
    EXPECT_NEAR(m[5].second, 6, 1e-3);
    const CanvasCall* marker = view.canvas().first("paintEllipse");
    EXPECT_EQ(marker->ctx.fillColor(), GiRgba(0, 64, 64, 128));
    // Markers first, the curve over them.
    const std::vector<std::string> ops = view.canvas().drawingOps();
    EXPECT_EQ(ops.front(), "paintEllipse");
    EXPECT_NE(ops.back(), "paintEllipse");

    EXPECT_TRUE(cmd()->doubleClick(ev()));
    view.paint();
    EXPECT_TRUE(markers().empty()) << "no markers once the curve is finished";
}

TEST_F(PointByPointTest, UndoStepRemovesTheVertexOfTheLastDrag)
{
    ASSERT_TRUE(view.setCommand("splines"));
    drawPoints({ { 100, 100 }, { 150, 100 }, { 200, 150 }, { 250, 100 } });
    EXPECT_TRUE(cmd()->undoStep(ev()));
    EXPECT_EQ(drawCommand()->step(), 2u);
    expectPoints(verticesOf(drawCommand()->tempShape()), { { 100, 100 }, { 150, 100 }, { 200, 150 } });
    EXPECT_TRUE(cmd()->undoStep(ev()));
    EXPECT_FALSE(cmd()->undoStep(ev())) << "one fixed vertex left";
    expectPoints(verticesOf(drawCommand()->tempShape()), { { 100, 100 }, { 150, 100 } });
}

TEST_F(PointByPointTest, CancelDropsTheCurve)
{
    ASSERT_TRUE(view.setCommand("splines"));
    drawPoints({ { 100, 100 }, { 150, 100 }, { 200, 150 } });
    EXPECT_TRUE(view.manager().cancelCurrent(ev()));
    EXPECT_EQ(drawCommand()->step(), 0u);
    EXPECT_FALSE(view.paint());
    EXPECT_TRUE(markers().empty());
    // The next drag starts a new curve.
    drawPoints({ { 300, 300 }, { 350, 300 }, { 400, 300 } });
    expectPoints(verticesOf(drawCommand()->tempShape()), { { 300, 300 }, { 350, 300 }, { 400, 300 } });
}

TEST_F(PointByPointTest, AFreehandDragAfterDoubleClickStartsANewCurve)
{
    ASSERT_TRUE(view.setCommand("splines"));
    drawPoints({ { 100, 100 }, { 150, 100 }, { 200, 150 } });
    ASSERT_TRUE(cmd()->doubleClick(ev()));
    // No paint in between: the finished curve must not go on.
    view.press({ 300, 300 });
    view.move({ 310, 300 });
    EXPECT_TRUE(view.paint()) << "the new curve survives the pending reset";
    view.move({ 320, 300 });
    view.release({ 320, 300 });
    ASSERT_EQ(view.shapes()->shapeCount(), 2);
    const MgShape* s = view.shapes()->lastShape();
    EXPECT_EQ(s->typeId(), MgShapeT<MgSplines>::Type());
    EXPECT_NEAR(s->shape().pointAt(0).x, 300, 1e-3);
    EXPECT_TRUE(dynamic_cast<MgCmdDrawSplines*>(cmd())->isFreehand());
}

} // namespace
