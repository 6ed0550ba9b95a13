// The collection guard: who may proceed, how long a blocked guard waits, and when the change
// counter rises.
#include "cmd/mgshapesguard.h"
#include "shape/mglockcounters.h"
#include "shape/mgshapes.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

namespace {

struct ShapesDeleter {
    void operator()(MgShapes* s) const { s->release(); }
};
using ShapesPtr = std::unique_ptr<MgShapes, ShapesDeleter>;

ShapesPtr newShapes() { return ShapesPtr(MgShapesT<>::create(false)); }

TEST(ShapesGuard, NestedWriteGuardsWaitTheTimeoutAndCountOneChange)
{
    ShapesPtr shapes = newShapes();
    const MgLockCounters& c = shapes->lockCounters();
    {
        MgShapesGuard outer(shapes.get(), 3);
        EXPECT_EQ(outer.state(), 2);
        const auto sleeps = MgShapesGuard::sleepCount();
        {
            MgShapesGuard inner(shapes.get(), 3);
            EXPECT_EQ(inner.state(), 0);
            EXPECT_FALSE(inner.locked());
        }
        EXPECT_EQ(MgShapesGuard::sleepCount() - sleeps, 8) << "200 ms in 25 ms polls";
        EXPECT_EQ(c.lockCount.load(), 1) << "the failed guard gave its count back";
        EXPECT_EQ(c.writers.load(), 1);
        EXPECT_EQ(shapes->changeCount(), 0);
    }
    EXPECT_EQ(shapes->changeCount(), 1);
    EXPECT_EQ(c.lockCount.load(), 0);
    EXPECT_EQ(c.writers.load(), 0);
    EXPECT_EQ(c.modeFlags.load(), 3);
}

TEST(ShapesGuard, ReadersShareWithoutWaitingOrCountingChanges)
{
    ShapesPtr shapes = newShapes();
    const auto sleeps = MgShapesGuard::sleepCount();
    {
        MgShapesGuard a(shapes.get(), 0);
        MgShapesGuard b(shapes.get(), 0);
        EXPECT_EQ(a.state(), 1);
        EXPECT_EQ(b.state(), 1);
        EXPECT_EQ(shapes->lockCounters().readers.load(), 2);
    }
    EXPECT_EQ(MgShapesGuard::sleepCount(), sleeps);
    EXPECT_EQ(shapes->changeCount(), 0);
    EXPECT_EQ(shapes->lockCounters().lockCount.load(), 0);
}

TEST(ShapesGuard, MixedNestingWaitsAndFails)
{
    struct Case {
        const char* name;
        int outerMode;
        int innerMode;
    } cases[] = { { "write in read", 0, 1 }, { "read in write", 1, 0 } };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        ShapesPtr shapes = newShapes();
        const auto sleeps = MgShapesGuard::sleepCount();
        {
            MgShapesGuard outer(shapes.get(), k.outerMode, 50);
            MgShapesGuard inner(shapes.get(), k.innerMode, 50);
            EXPECT_NE(outer.state(), 0);
            EXPECT_EQ(inner.state(), 0);
        }
        EXPECT_EQ(MgShapesGuard::sleepCount() - sleeps, 2);
        EXPECT_EQ(shapes->changeCount(), k.outerMode ? 1 : 0);
        EXPECT_EQ(shapes->lockCounters().lockCount.load(), 0);
    }
}

TEST(ShapesGuard, NullCollectionLocksNothing)
{
    const auto sleeps = MgShapesGuard::sleepCount();
    MgShapesGuard g(nullptr, 3);
    EXPECT_EQ(g.state(), 0);
    EXPECT_EQ(g.shapes(), nullptr);
    EXPECT_EQ(MgShapesGuard::sleepCount(), sleeps);
}

TEST(ShapesGuard, ModeFlagsCollectOnlyWritersThatFoundTheCollectionFree)
{
    ShapesPtr shapes = newShapes();
    {
        MgShapesGuard r(shapes.get(), 0);
    }
    EXPECT_EQ(shapes->lockCounters().modeFlags.load(), 0);
    {
        MgShapesGuard w(shapes.get(), 1);
    }
    {
        MgShapesGuard w(shapes.get(), 2);
    }
    EXPECT_EQ(shapes->lockCounters().modeFlags.load(), 3);
    EXPECT_EQ(shapes->changeCount(), 2);
}

TEST(ShapesGuard, WriterWaitsForAWriterOnAnotherThread)
{
    ShapesPtr shapes = newShapes();
    std::atomic<bool> held { false };
    std::thread other([&] {
        MgShapesGuard g(shapes.get(), 3);
        held = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(60));
    });
    while (!held)
        std::this_thread::yield();
    const auto sleeps = MgShapesGuard::sleepCount();
    {
        MgShapesGuard g(shapes.get(), 3, 2000);
        EXPECT_EQ(g.state(), 2) << "the other writer let go well before the timeout";
    }
    other.join();
    const auto waited = MgShapesGuard::sleepCount() - sleeps;
    EXPECT_GE(waited, 1);
    EXPECT_LT(waited, 80);
    // The other writer let go while we were still counted as a holder, so only the last
    // release counts a change.
    EXPECT_EQ(shapes->changeCount(), 1);
    EXPECT_EQ(shapes->lockCounters().lockCount.load(), 0);
}

} // namespace
