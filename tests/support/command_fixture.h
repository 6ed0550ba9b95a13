// A GoogleTest fixture for command tests: a TestView (with a command manager of its own) and
// the rule that no command path ever waits in a collection guard: MgShapesGuard::sleepCount()
// must not move between SetUp and TearDown. Fixtures that override SetUp call
// CommandTest::SetUp() first.
#pragma once

#include "cmd/mgshapesguard.h"
#include "support/test_view.h"

#include <gtest/gtest.h>

#include <cstdint>

class CommandTest : public ::testing::Test {
protected:
    void SetUp() override { sleeps = MgShapesGuard::sleepCount(); }
    void TearDown() override
    {
        EXPECT_EQ(MgShapesGuard::sleepCount(), sleeps) << "a command waited in a collection guard";
    }

    TestView view;
    std::int64_t sleeps = 0; ///< the guards' sleep count when the test began
};
