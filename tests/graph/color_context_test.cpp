#include "graph/gicontext.h"

#include <gtest/gtest.h>

namespace {

TEST(GiRgba, DefaultIsOpaqueBlackAndNullNeedsAllFourBytesZero)
{
    const GiRgba def;
    EXPECT_EQ(def, GiRgba(0, 0, 0, 255));
    EXPECT_FALSE(def.isNull());
    EXPECT_TRUE(GiRgba(0, 0, 0, 0).isNull());
    EXPECT_TRUE(GiRgba::none().isNull());

    struct Case {
        const char* name;
        GiRgba color;
    };
    const Case colours[] = {
        { "red only", { 1, 0, 0, 0 } },
        { "green only", { 0, 1, 0, 0 } },
        { "blue only", { 0, 0, 1, 0 } },
        { "alpha only", { 0, 0, 0, 1 } },
    };
    for (const Case& c : colours) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(c.color.isNull());
        EXPECT_NE(c.color, GiRgba::none());
    }
}

TEST(GiRgba, PackedFormIsRedLowestAlphaHighest)
{
    struct Case {
        const char* name;
        GiRgba color;
        std::uint32_t packed;
    };
    const Case cases[] = {
        { "null", { 0, 0, 0, 0 }, 0u },
        { "black", { 0, 0, 0, 255 }, 0xFF000000u },
        { "red", { 255, 0, 0, 255 }, 0xFF0000FFu },
        { "region fill", { 0, 128, 255, 48 }, 48u * 16777216u + 255u * 65536u + 128u * 256u },
        { "distinct bytes", { 0x12, 0x34, 0x56, 0x78 }, 0x78563412u },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.color.toInt(), c.packed);
        EXPECT_EQ(GiRgba::fromInt(c.packed), c.color);
    }
    // Stored as a signed 32-bit integer and read back.
    const auto asSigned = static_cast<std::int32_t>(GiRgba(1, 2, 3, 200).toInt());
    EXPECT_EQ(GiRgba::fromInt(static_cast<std::uint32_t>(asSigned)), GiRgba(1, 2, 3, 200));
}

TEST(GiContext, DefaultsAndConstruction)
{
    const GiContext ctx;
    EXPECT_EQ(ctx.lineStyle(), 0);
    EXPECT_EQ(ctx.lineWidth(), 0.f);
    EXPECT_EQ(ctx.lineColor(), GiRgba(0, 0, 0, 255));
    EXPECT_EQ(ctx.fillColor(), GiRgba(0, 0, 0, 0));
    EXPECT_FALSE(ctx.isNullLine());
    EXPECT_FALSE(ctx.hasFillColor());

    const GiContext custom(kGiLineDashDot, 25.f, GiRgba(0, 255, 255, 64), GiRgba(0, 128, 255, 48));
    EXPECT_EQ(custom.lineStyle(), 3);
    EXPECT_EQ(custom.lineWidth(), 25.f);
    EXPECT_EQ(custom.lineColor(), GiRgba(0, 255, 255, 64));
    EXPECT_EQ(custom.lineAlpha(), 64);
    EXPECT_EQ(custom.fillAlpha(), 48);
    EXPECT_TRUE(custom.hasFillColor());

    GiContext copy(custom);
    EXPECT_EQ(copy, custom);
    GiContext assigned;
    assigned = custom;
    EXPECT_EQ(assigned, custom);
    GiContext& self = assigned;
    assigned = self;
    EXPECT_EQ(assigned, custom);
}

TEST(GiContext, NullLineColourHidesTheLineButKeepsTheStoredStyle)
{
    GiContext ctx;
    ctx.setLineStyle(kGiLineDash);
    ctx.setLineColor(GiRgba(0, 0, 0, 0));
    EXPECT_EQ(ctx.lineStyle(), 5);
    EXPECT_TRUE(ctx.isNullLine());
    EXPECT_EQ(ctx.storedLineStyle(), kGiLineDash);

    ctx.setLineColor(GiRgba(10, 20, 30));
    EXPECT_EQ(ctx.lineStyle(), kGiLineDash);
    EXPECT_FALSE(ctx.isNullLine());

    ctx.setLineStyle(kGiLineNull);
    EXPECT_TRUE(ctx.isNullLine());
    EXPECT_EQ(ctx.lineStyle(), 5);

    // Alpha alone is enough to make a colour.
    ctx.setLineStyle(kGiLineSolid);
    ctx.setLineColor(GiRgba(0, 0, 0, 0));
    ctx.setLineAlpha(1);
    EXPECT_FALSE(ctx.isNullLine());
    EXPECT_EQ(ctx.lineStyle(), 0);
}

TEST(GiContext, FillIsNullOnlyWhenAllBytesAreZero)
{
    GiContext ctx;
    ctx.setFillColor(GiRgba(0, 0, 0, 0));
    EXPECT_FALSE(ctx.hasFillColor());
    ctx.setFillAlpha(7);
    EXPECT_TRUE(ctx.hasFillColor());
    EXPECT_EQ(ctx.fillColor(), GiRgba(0, 0, 0, 7));
    ctx.setFillAlpha(0);
    EXPECT_FALSE(ctx.hasFillColor());
    ctx.setFillColor(GiRgba(255, 0, 0, 0));
    EXPECT_TRUE(ctx.hasFillColor());
    // Changing the fill alpha leaves the colour bytes alone.
    ctx.setFillAlpha(90);
    EXPECT_EQ(ctx.fillColor(), GiRgba(255, 0, 0, 90));
}

TEST(GiContext, EqualityComparesEveryFieldExactly)
{
    const GiContext base(kGiLineSolid, 1.0f, GiRgba(1, 2, 3, 4), GiRgba(5, 6, 7, 8));
    struct Case {
        const char* name;
        GiContext other;
    };
    const Case differing[] = {
        { "width 1.00001", { kGiLineSolid, 1.00001f, { 1, 2, 3, 4 }, { 5, 6, 7, 8 } } },
        { "style", { kGiLineDot, 1.0f, { 1, 2, 3, 4 }, { 5, 6, 7, 8 } } },
        { "line red", { kGiLineSolid, 1.0f, { 9, 2, 3, 4 }, { 5, 6, 7, 8 } } },
        { "line alpha", { kGiLineSolid, 1.0f, { 1, 2, 3, 9 }, { 5, 6, 7, 8 } } },
        { "fill blue", { kGiLineSolid, 1.0f, { 1, 2, 3, 4 }, { 5, 6, 9, 8 } } },
        { "fill alpha", { kGiLineSolid, 1.0f, { 1, 2, 3, 4 }, { 5, 6, 7, 9 } } },
    };
    for (const Case& c : differing) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(base == c.other);
        EXPECT_TRUE(base != c.other);
    }
    EXPECT_EQ(base, GiContext(kGiLineSolid, 1.0f, GiRgba(1, 2, 3, 4), GiRgba(5, 6, 7, 8)));

    // Two null lines with different stored styles stay different: equality is on stored values.
    GiContext a, b;
    a.setLineColor(GiRgba::none());
    b.setLineColor(GiRgba::none());
    b.setLineStyle(kGiLineDash);
    EXPECT_EQ(a.lineStyle(), b.lineStyle());
    EXPECT_NE(a, b);
}

} // namespace
