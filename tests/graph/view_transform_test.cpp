#include "graph/giviewtransform.h"

#include <gtest/gtest.h>

namespace {

TEST(GiViewTransform, NewTransformMapsOriginToCentreOfOnePixel)
{
    GiViewTransform xf(true);
    const MgPoint p = MgPoint(0, 0) * xf.worldToDisplay();
    EXPECT_FLOAT_EQ(p.x, 0.5f);
    EXPECT_FLOAT_EQ(p.y, 0.5f);
}

} // namespace
