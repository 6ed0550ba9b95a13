// The command manager: lookup order, caching, current command, selection access and the
// tolerance conversion every command uses.
#include "cmd/mgcmddraw.h"
#include "cmd/mgcmdmgr.h"
#include "cmd/mgshapesguard.h"
#include "shape/mgshapes.h"
#include "spy_command.h"
#include "support/test_view.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

class ManagerTest : public ::testing::Test {
protected:
    void SetUp() override { SpyCommand::resetCounters(); }
    void TearDown() override { SpyCommand::resetCounters(); }

    SpyCommand* current() { return dynamic_cast<SpyCommand*>(view.command()); }

    TestView view;
    MgCommandManager& mgr = view.manager();
};

TEST_F(ManagerTest, StartsWithNoCurrentCommand)
{
    EXPECT_STREQ(mgr.commandName(), "");
    EXPECT_EQ(mgr.currentCommand(), nullptr);
    EXPECT_FALSE(mgr.cancelCurrent(&view.event()));
    EXPECT_EQ(mgr.selection(&view), nullptr);
}

TEST_F(ManagerTest, ChoosingTheSameNameTwiceCancelsAndReinitialisesOneObject)
{
    mgr.registerCommand("rect", createSpyRect);
    ASSERT_TRUE(view.setCommand("rect"));
    SpyCommand* first = current();
    ASSERT_NE(first, nullptr);
    ASSERT_TRUE(view.setCommand("rect"));
    EXPECT_EQ(current(), first);
    EXPECT_EQ(SpyCommand::created, 1);
    EXPECT_EQ(first->ops(), (std::vector<std::string> { "initialize", "cancel", "initialize" }));
    EXPECT_STREQ(mgr.commandName(), "rect");
}

TEST_F(ManagerTest, BuiltinRectIsCreatedOnceAndCached)
{
    ASSERT_TRUE(view.setCommand("rect"));
    MgCommand* rect = mgr.currentCommand();
    ASSERT_NE(rect, nullptr);
    EXPECT_STREQ(rect->name(), "rect");
    ASSERT_TRUE(view.setCommand("line"));
    EXPECT_STREQ(mgr.currentCommand()->name(), "line");
    ASSERT_TRUE(view.setCommand("rect"));
    EXPECT_EQ(mgr.currentCommand(), rect) << "a command stays cached across switches";
    EXPECT_EQ(static_cast<MgCmdManagerImpl&>(mgr).cachedCount(), 2);
}

TEST_F(ManagerTest, UnknownNameCancelsThePreviousAndLeavesNothingCurrent)
{
    mgr.registerCommand("select", createSpySelect);
    ASSERT_TRUE(view.setCommand("select"));
    SpyCommand* select = current();
    ASSERT_NE(select, nullptr);
    EXPECT_EQ(mgr.selection(&view), static_cast<MgSelection*>(select));

    EXPECT_FALSE(view.setCommand("no such command"));
    EXPECT_EQ(select->count("cancel"), 1);
    EXPECT_STREQ(mgr.commandName(), "");
    EXPECT_EQ(mgr.currentCommand(), nullptr);
    EXPECT_EQ(mgr.selection(&view), nullptr);
    EXPECT_EQ(SpyCommand::released, 0) << "the previous command stays cached";

    // With nothing current the view forwards nothing.
    EXPECT_FALSE(view.press({ 10, 10 }));
    EXPECT_FALSE(view.release({ 10, 10 }));
    EXPECT_EQ(select->count("click"), 0);
}

TEST_F(ManagerTest, RegisteredCreatorWinsOnlyBeforeFirstUse)
{
    // Before the first use of "rect" the registered creator replaces the built-in one.
    mgr.registerCommand("rect", createSpyRect);
    ASSERT_TRUE(view.setCommand("rect"));
    EXPECT_NE(current(), nullptr);

    // After the first use of "line" the cached built-in object is found first.
    TestView other;
    ASSERT_TRUE(other.setCommand("line"));
    MgCommand* line = other.command();
    other.manager().registerCommand("line", createSpy);
    ASSERT_TRUE(other.setCommand("line"));
    EXPECT_EQ(other.command(), line);
    EXPECT_EQ(SpyCommand::created, 1);
}

TEST_F(ManagerTest, NullCreatorOrRefusedInitializeLeavesNothingCurrent)
{
    mgr.registerCommand("rect", createSpyRect);
    ASSERT_TRUE(view.setCommand("rect"));

    mgr.registerCommand("void", createNothing);
    EXPECT_FALSE(view.setCommand("void"));
    EXPECT_STREQ(mgr.commandName(), "");

    // A command whose initialize refuses is cached but not current; choosing it again reuses it.
    SpyCommand::refuseInitialize = true;
    mgr.registerCommand("spy", createSpy);
    EXPECT_FALSE(view.setCommand("spy"));
    EXPECT_EQ(mgr.currentCommand(), nullptr);
    EXPECT_EQ(SpyCommand::created, 2);
    EXPECT_FALSE(view.setCommand("spy"));
    EXPECT_EQ(SpyCommand::created, 2);
    SpyCommand::refuseInitialize = false;
    EXPECT_TRUE(view.setCommand("spy"));
    EXPECT_EQ(SpyCommand::created, 2);
}

TEST_F(ManagerTest, SetCommandWithoutAnEventIsRefusedAndChangesNothing)
{
    mgr.registerCommand("rect", createSpyRect);
    ASSERT_TRUE(view.setCommand("rect"));
    EXPECT_FALSE(mgr.setCommand(nullptr, "rect"));
    MgPointerEvent orphan;
    EXPECT_FALSE(mgr.setCommand(&orphan, "rect"));
    EXPECT_STREQ(mgr.commandName(), "rect");
    EXPECT_EQ(current()->count("cancel"), 0);
}

TEST_F(ManagerTest, SelectionOperationsOnlyWhileSelectIsCurrent)
{
    mgr.registerCommand("select", createSpySelect);
    mgr.registerCommand("selector", createSpySelect); // a selection under another name is not exposed
    ASSERT_TRUE(view.setCommand("selector"));
    EXPECT_EQ(mgr.selection(&view), nullptr);
    EXPECT_EQ(mgr.selectedShapes(&view, 0, nullptr, false), 0);
    EXPECT_FALSE(mgr.finishDynamicChange(&view, true));

    ASSERT_TRUE(view.setCommand("select"));
    MgShape* a = view.addRect(MgBox(0, 0, 10, 10));
    MgShape* b = view.addRect(MgBox(20, 0, 30, 10));
    current()->selected = { a, b };
    EXPECT_NE(mgr.selection(&view), nullptr);
    EXPECT_EQ(mgr.selection(nullptr), nullptr);
    EXPECT_EQ(mgr.selectedShapes(&view, 0, nullptr, false), 2);
    EXPECT_EQ(mgr.selectedShapes(nullptr, 0, nullptr, false), 0);
    MgShape* out[1] = { nullptr };
    EXPECT_EQ(mgr.selectedShapes(&view, 1, out, false), 1);
    EXPECT_EQ(out[0], a);
}

TEST_F(ManagerTest, UnloadReleasesEveryCommand)
{
    mgr.registerCommand("rect", createSpyRect);
    mgr.registerCommand("spy", createSpy);
    ASSERT_TRUE(view.setCommand("rect"));
    ASSERT_TRUE(view.setCommand("spy"));
    mgr.unloadCommands();
    EXPECT_EQ(SpyCommand::released, 2);
    EXPECT_STREQ(mgr.commandName(), "");
    EXPECT_EQ(mgr.currentCommand(), nullptr);
    // The registered creators survive: the name is created afresh.
    ASSERT_TRUE(view.setCommand("spy"));
    EXPECT_EQ(SpyCommand::created, 3);
}

TEST(BuiltinCommands, LookupIsByExactName)
{
    EXPECT_NE(MgCmdManagerImpl::builtinCreator("rect"), nullptr);
    EXPECT_NE(MgCmdManagerImpl::builtinCreator("line"), nullptr);
    for (const char* name : { "Rect", "rect ", "rec", "", "lin", "line\t" }) {
        SCOPED_TRACE(name);
        EXPECT_EQ(MgCmdManagerImpl::builtinCreator(name), nullptr);
    }
    EXPECT_EQ(MgCmdManagerImpl::builtinCreator(nullptr), nullptr);

    // Each built-in name makes a command of that name.
    for (const char* name : { "select", "erase", "rect", "line", "lines", "splines" }) {
        SCOPED_TRACE(name);
        MgCommandCreator creator = MgCmdManagerImpl::builtinCreator(name);
        ASSERT_NE(creator, nullptr);
        MgCommand* cmd = creator();
        ASSERT_NE(cmd, nullptr);
        EXPECT_STREQ(cmd->name(), name);
        cmd->release();
    }
}

TEST(BuiltinCommands, TheProcessWideManagerKnowsThem)
{
    MgCommandManager& mgr = commandManager();
    EXPECT_EQ(&mgr, &commandManager());
    {
        TestView view(400, 300, true, &mgr);
        ASSERT_TRUE(view.setCommand("line"));
        EXPECT_STREQ(mgr.commandName(), "line");
        EXPECT_TRUE(view.drag({ 10, 10 }, { 100, 10 }));
        EXPECT_EQ(view.shapes()->shapeCount(), 1);
        EXPECT_FALSE(view.setCommand(""));
    }
    mgr.unloadCommands();
}

// ---- commandTolerance -------------------------------------------------------------------

TEST(CommandTolerance, PixelsCountDoubleInTheApplicationsView)
{
    TestView view;
    const GiViewTransform& xf = *view.xform();
    struct Case {
        const char* name;
        float zoom;
        float length;
    } cases[] = { { "zoom 1, 1", 1, 1 }, { "zoom 1, 5", 1, 5 }, { "zoom 2, 1", 2, 1 }, { "zoom 0.5, 6", 0.5f, 6 } };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        view.xform()->zoomScale(c.zoom);
        EXPECT_FLOAT_EQ(commandTolerance(&view.event(), c.length), xf.lengthToModel(2 * c.length, false));
        // Model equals display at zoom 1, so 2 * length pixels are 2 * length / zoom model units.
        EXPECT_NEAR(commandTolerance(&view.event(), c.length), 2 * c.length / c.zoom, 1e-3);
    }
}

TEST(CommandTolerance, MillimetresWhenTheViewSaysSo)
{
    TestView view;
    view.tolInMillimetres = true;
    view.xform()->zoomScale(2);
    EXPECT_FLOAT_EQ(commandTolerance(&view.event(), 3), view.xform()->lengthToModel(3, true));
    EXPECT_NEAR(commandTolerance(&view.event(), 3), 3 * 96 / 25.4f / 2, 1e-3);
}

TEST(CommandTolerance, MissingViewGivesZero)
{
    MgPointerEvent e;
    EXPECT_EQ(commandTolerance(&e, 5), 0);
    EXPECT_EQ(commandTolerance(nullptr, 5), 0);
}

} // namespace

namespace {

// The manager ends the select command's working-copy edits for the application.
TEST(SelectThroughTheManager, FinishDynamicChangeAppliesOrDiscardsTheWorkingCopies)
{
    TestView view;
    MgShape* shape = view.addRect(MgBox(10, 10, 50, 30));
    ASSERT_TRUE(view.setCommand("select")) << "the built-in select command is part of the build";
    MgCommandManager& mgr = view.manager();
    ASSERT_NE(mgr.selection(&view), nullptr);
    ASSERT_TRUE(mgr.selection(&view)->selectShapeById(&view, shape->id()));
    const auto sleeps = MgShapesGuard::sleepCount();

    struct Case {
        const char* name;
        bool apply;
        float expectedLeft;
    } cases[] = { { "discard", false, 10 }, { "apply", true, 15 } };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MgShape* copies[1] = { nullptr };
        ASSERT_EQ(mgr.selectedShapes(&view, 1, copies, true), 1);
        ASSERT_NE(copies[0], shape) << "a working copy, not the shape itself";
        copies[0]->shape().offset(MgVector(5, 0), -1);
        EXPECT_TRUE(mgr.finishDynamicChange(&view, c.apply));
        EXPECT_NEAR(shape->shape().extent().xmin, c.expectedLeft, 1e-3);
    }
    EXPECT_EQ(MgShapesGuard::sleepCount(), sleeps);
    EXPECT_FALSE(mgr.finishDynamicChange(&view, true)) << "no copies left";
}

} // namespace
