// The erase command through the test view: click deletion, the rubber band in both directions,
// marks, undoStep and cancel. Model equals display at the test view's zoom 1.
#include "cmd/mgcmderase.h"
#include "cmd/mgcmdmgr.h"
#include "cmd/mgshapesguard.h"
#include "shape/mgrect.h"
#include "shape/mgshape.h"
#include "shape/mgshapes.h"
#include "support/command_fixture.h"
#include "support/test_view.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

const GiRgba kMarkedLine(64, 64, 64, 128);
const GiRgba kBandLine(0, 0, 255, 128);

class EraseTest : public CommandTest {
protected:
    void SetUp() override
    {
        CommandTest::SetUp();
        ASSERT_TRUE(view.setCommand("erase"));
        erase = dynamic_cast<MgCommandErase*>(view.command());
        ASSERT_NE(erase, nullptr);
    }

    /// Ids of the shapes left in the collection, in order.
    std::vector<int> ids()
    {
        std::vector<int> out;
        MgShapes::Iterator it = nullptr;
        for (MgShape* s = view.shapes()->firstShape(it); s; s = view.shapes()->nextShape(it))
            out.push_back(s->id());
        view.shapes()->freeIterator(it);
        return out;
    }
    /// Adds n 40 x 40 rectangles side by side from (100, 100), 60 pixels apart; answers their ids.
    std::vector<int> addRow(int n)
    {
        std::vector<int> out;
        for (int i = 0; i < n; ++i) {
            const float x = 100.f + 60.f * static_cast<float>(i);
            out.push_back(view.addRect(MgBox(x, 100, x + 40, 140))->id());
        }
        return out;
    }
    /// Press at from and move to `to` (beginning the band), without releasing.
    void band(const MgPoint& from, const MgPoint& to)
    {
        view.press(from);
        view.move(to);
    }

    MgCommandErase* erase = nullptr;
};

// ---- Click ------------------------------------------------------------------------------

TEST_F(EraseTest, ClickOnEmptySpaceChangesNothing)
{
    addRow(2);
    view.clearLog();
    EXPECT_TRUE(view.click({ 300, 300 }));
    EXPECT_EQ(view.shapes()->shapeCount(), 2);
    EXPECT_TRUE(view.calls.empty()) << view.dump();
    EXPECT_EQ(view.changeCount(), 0);
}

TEST_F(EraseTest, ClickOnAShapeDeletesItAndRegeneratesOnce)
{
    const std::vector<int> row = addRow(3);
    view.clearLog();
    EXPECT_TRUE(view.click({ 164, 120 })); // 4 pixels right of the second rectangle's left edge
    EXPECT_EQ(ids(), (std::vector<int> { row[0], row[2] }));
    ASSERT_EQ(view.calls.size(), 1u) << "no question to the view:\n" << view.dump();
    EXPECT_EQ(view.calls[0].op, "regenerate");
    EXPECT_EQ(view.changeCount(), 1);
    EXPECT_EQ(view.shapes()->lockCounters().modeFlags.load(), 3);
}

TEST_F(EraseTest, ClickPicksWithinHalfOfSixTolerance)
{
    addRow(1);
    EXPECT_TRUE(view.click({ 93, 120 })); // 7 pixels off the outline: outside the 12-pixel box
    EXPECT_EQ(view.shapes()->shapeCount(), 1);
    EXPECT_TRUE(view.click({ 95, 120 })); // 5 pixels off
    EXPECT_EQ(view.shapes()->shapeCount(), 0);
}

TEST_F(EraseTest, ClickDoesNotTouchTheMarks)
{
    const std::vector<int> row = addRow(3);
    band({ 90, 120 }, { 300, 150 });
    ASSERT_EQ(erase->markedIds().size(), 3u);
    EXPECT_TRUE(erase->click(&view.event())); // the view's record still holds the press point
    EXPECT_EQ(erase->markedIds().size(), 3u);
    EXPECT_TRUE(erase->isBoxActive());
}

// ---- The band ---------------------------------------------------------------------------

TEST_F(EraseTest, BandDirectionDecidesWhatIsCaught)
{
    struct Case {
        const char* name;
        MgPoint from, to;
        std::vector<int> left; // indices into the row of three that survive
    };
    // Rectangles at x 100-140, 160-200, 220-260, y 100-140.
    const Case cases[] = {
        { "right and down, touching the first two", { 120, 120 }, { 180, 200 }, { 2 } },
        { "left and up, the same band: contains none", { 180, 200 }, { 120, 120 }, { 0, 1, 2 } },
        { "left and up, enclosing the middle one", { 210, 150 }, { 150, 90 }, { 0, 2 } },
        { "right and up, touching all: needs enclosing", { 90, 150 }, { 270, 120 }, { 0, 1, 2 } },
        { "left and down, enclosing all", { 270, 90 }, { 90, 150 }, {} },
        { "right and down, in the gap between two", { 145, 90 }, { 155, 150 }, { 0, 1, 2 } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestView v;
        ASSERT_TRUE(v.setCommand("erase"));
        std::vector<int> row;
        for (int i = 0; i < 3; ++i) {
            const float x = 100.f + 60.f * static_cast<float>(i);
            row.push_back(v.addRect(MgBox(x, 100, x + 40, 140))->id());
        }
        v.clearLog();
        EXPECT_TRUE(v.drag(c.from, c.to));
        std::vector<int> expected;
        for (int i : c.left)
            expected.push_back(row[static_cast<size_t>(i)]);
        std::vector<int> actual;
        MgShapes::Iterator it = nullptr;
        for (MgShape* s = v.shapes()->firstShape(it); s; s = v.shapes()->nextShape(it))
            actual.push_back(s->id());
        v.shapes()->freeIterator(it);
        EXPECT_EQ(actual, expected);
        const bool deleted = expected.size() < 3;
        EXPECT_EQ(v.count("regenerate"), deleted ? 1 : 0);
        EXPECT_EQ(v.changeCount(), deleted ? 1 : 0) << "one guard for all deletions";
        ASSERT_NE(v.last("redraw"), nullptr);
        EXPECT_FALSE(v.last("redraw")->flag);
    }
}

TEST_F(EraseTest, MarksFollowTheBandAtEveryMove)
{
    const std::vector<int> row = addRow(3);
    band({ 90, 90 }, { 150, 150 });
    EXPECT_EQ(erase->markedIds(), (std::vector<int> { row[0] }));
    view.move({ 270, 150 });
    EXPECT_EQ(erase->markedIds(), row) << "in collection order";
    view.move({ 95, 95 });
    EXPECT_TRUE(erase->markedIds().empty());
    view.release({ 95, 95 });
    EXPECT_EQ(view.shapes()->shapeCount(), 3);
}

TEST_F(EraseTest, BandAndMarksAreDrawn)
{
    const std::vector<int> row = addRow(3);
    const bool smoothing = view.graphics()->isSmoothing();
    band({ 90, 90 }, { 210, 150 }); // right and down: touches two
    EXPECT_TRUE(view.paint());
    const CanvasCall* rect = nullptr;
    for (const CanvasCall& c : view.canvas().calls) {
        if (c.op == "paintRect" && c.ctx.lineColor() == kBandLine)
            rect = &c;
    }
    ASSERT_NE(rect, nullptr) << view.canvas().dump();
    EXPECT_EQ(rect->ctx.lineStyle(), 1) << "dashed when dragged right and down";
    EXPECT_EQ(rect->ctx.fillColor(), GiRgba(0, 0, 255, 32));
    EXPECT_EQ(view.canvas().countWithColors(kMarkedLine), 2);
    EXPECT_EQ(view.graphics()->isSmoothing(), smoothing) << "smoothing restored after the band";
    const auto& calls = view.canvas().calls;
    const size_t bandAt = static_cast<size_t>(rect - calls.data());
    ASSERT_GT(bandAt, 0u);
    ASSERT_LT(bandAt + 1, calls.size());
    EXPECT_EQ(calls[bandAt - 1].op, "setSmoothing") << "the band is drawn without smoothing";
    EXPECT_EQ(calls[bandAt - 1].args, std::vector<float> { 0 });
    EXPECT_EQ(calls[bandAt + 1].op, "setSmoothing");

    view.move({ 80, 80 }); // left and up now
    EXPECT_TRUE(view.paint());
    for (const CanvasCall& c : view.canvas().calls) {
        if (c.op == "paintRect" && c.ctx.lineColor() == kBandLine) {
            EXPECT_EQ(c.ctx.lineStyle(), 0);
        }
    }
}

TEST_F(EraseTest, BandThatCaughtNothingOnlyRepaints)
{
    addRow(2);
    band({ 400, 400 }, { 500, 500 });
    view.clearLog();
    view.release({ 500, 500 });
    EXPECT_EQ(view.count("regenerate"), 0);
    EXPECT_EQ(view.count("redraw"), 1);
    EXPECT_FALSE(erase->isBoxActive());
    EXPECT_EQ(view.changeCount(), 0);
}

TEST_F(EraseTest, MarkedShapeThatHasGoneIsSkipped)
{
    const std::vector<int> row = addRow(3);
    band({ 90, 90 }, { 270, 150 });
    ASSERT_EQ(erase->markedIds().size(), 3u);
    view.shapes()->removeShape(row[1])->release();
    EXPECT_TRUE(view.paint());
    EXPECT_EQ(view.canvas().countWithColors(kMarkedLine), 2);
    view.release({ 270, 150 });
    EXPECT_EQ(view.shapes()->shapeCount(), 0);
}

// ---- undoStep and cancel ----------------------------------------------------------------

TEST_F(EraseTest, UndoStepUnmarksTheLastThenEndsTheBand)
{
    const std::vector<int> row = addRow(3);
    EXPECT_FALSE(erase->undoStep(&view.event())) << "idle";
    band({ 90, 90 }, { 270, 150 });
    view.clearLog();
    EXPECT_TRUE(erase->undoStep(&view.event()));
    EXPECT_EQ(erase->markedIds(), (std::vector<int> { row[0], row[1] }));
    ASSERT_EQ(view.count("redraw"), 1);
    EXPECT_FALSE(view.last("redraw")->flag);

    view.move({ 271, 150 });
    EXPECT_EQ(erase->markedIds(), row) << "marks are recomputed from the band";

    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(erase->undoStep(&view.event()));
    EXPECT_TRUE(erase->isBoxActive());
    EXPECT_TRUE(erase->undoStep(&view.event())) << "nothing marked: ends the band";
    EXPECT_FALSE(erase->isBoxActive());
    EXPECT_FALSE(erase->undoStep(&view.event()));
    view.release({ 271, 150 });
    EXPECT_EQ(view.shapes()->shapeCount(), 3);
}

TEST_F(EraseTest, CancelWithFiveMarksUnmarksThree)
{
    const std::vector<int> row = addRow(5);
    band({ 90, 90 }, { 400, 150 });
    ASSERT_EQ(erase->markedIds(), row);
    EXPECT_TRUE(view.cancel());
    EXPECT_FALSE(erase->isBoxActive());
    EXPECT_EQ(erase->markedIds(), (std::vector<int> { row[0], row[1] }));
    EXPECT_TRUE(view.paint());
    EXPECT_EQ(view.canvas().countWithColors(kMarkedLine), 2) << "the other two stay drawn";
    EXPECT_EQ(view.canvas().countWithColors(kBandLine), 0) << "no band";
    EXPECT_EQ(view.shapes()->shapeCount(), 5);

    // The next drag recomputes the marks at its first move.
    band({ 500, 500 }, { 520, 520 });
    EXPECT_TRUE(erase->markedIds().empty());
    view.release({ 520, 520 });
    EXPECT_EQ(view.shapes()->shapeCount(), 5);
}

TEST_F(EraseTest, CancelOfABandThatCaughtNothing)
{
    addRow(1);
    EXPECT_FALSE(erase->cancel(&view.event())) << "idle: nothing to give up";
    band({ 400, 400 }, { 500, 500 });
    view.clearLog();
    EXPECT_TRUE(view.cancel()) << "the band itself is abandoned";
    EXPECT_FALSE(erase->isBoxActive());
    ASSERT_EQ(view.count("redraw"), 1) << "its feedback must go";
    EXPECT_TRUE(view.paint());
    EXPECT_EQ(view.canvas().countWithColors(kBandLine), 0);
}

TEST_F(EraseTest, InitializeEndsTheBandAndKeepsTheMarks)
{
    const std::vector<int> row = addRow(2);
    band({ 90, 90 }, { 210, 150 });
    ASSERT_EQ(erase->markedIds().size(), 2u);
    EXPECT_TRUE(erase->initialize(&view.event()));
    EXPECT_FALSE(erase->isBoxActive());
    EXPECT_EQ(erase->markedIds(), row);
}

// ---- Other operations -------------------------------------------------------------------

TEST_F(EraseTest, CollectDynamicShapesGivesTheBand)
{
    MgShapes* out = MgShapesT<>::create(false);
    EXPECT_FALSE(erase->collectDynamicShapes(&view.event(), *out));
    band({ 100, 100 }, { 180, 160 });
    EXPECT_TRUE(erase->collectDynamicShapes(&view.event(), *out));
    ASSERT_EQ(out->shapeCount(), 1);
    const MgShape* s = out->lastShape();
    EXPECT_EQ(s->typeId(), MgShapeT<MgRect>::Type());
    EXPECT_EQ(s->context(), MgCommandErase::bandContext(true));
    const MgBox ext = s->shape().extent();
    EXPECT_NEAR(ext.xmin, 100, 1e-3);
    EXPECT_NEAR(ext.xmax, 180, 1e-3);
    EXPECT_NEAR(ext.ymin, 100, 1e-3);
    EXPECT_NEAR(ext.ymax, 160, 1e-3);
    EXPECT_EQ(view.shapes()->shapeCount(), 0);
    out->release();
}

TEST_F(EraseTest, GesturesItDoesNotHandle)
{
    view.clearLog();
    EXPECT_FALSE(view.hover({ 10, 10 }));
    EXPECT_FALSE(erase->doubleClick(&view.event()));
    EXPECT_FALSE(erase->pressAndHold(&view.event()));
    EXPECT_TRUE(view.calls.empty());
}

} // namespace
