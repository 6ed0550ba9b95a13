#include "geom/mgbox.h"

#include <gtest/gtest.h>

namespace {

void expectBox(const MgBox& box, float l, float b, float r, float t, float eps = 1e-6f)
{
    EXPECT_NEAR(box.xmin, l, eps);
    EXPECT_NEAR(box.ymin, b, eps);
    EXPECT_NEAR(box.xmax, r, eps);
    EXPECT_NEAR(box.ymax, t, eps);
}

TEST(MgScalar, RoundingWrappingAndAngles)
{
    EXPECT_EQ(mgRoundToInt(-2.5), -3);
    EXPECT_EQ(mgRoundToInt(2.5), 3);
    EXPECT_EQ(mgRoundToInt(-0.4), 0);
    EXPECT_EQ(mgRoundToInt(120.4f), 120);
    EXPECT_NEAR(mgWrapAngle(-0.5f), kMg2Pi - 0.5f, 1e-6);
    EXPECT_NEAR(mgWrapAngle(7.f), 7.f - kMg2Pi, 1e-6);
    EXPECT_FLOAT_EQ(mgWrapAngle(kMg2Pi), 0.f);
    EXPECT_TRUE(mgNearZero(9e-8f));
    EXPECT_FALSE(mgNearZero(1e-7f));
    EXPECT_FLOAT_EQ(MgVector(0, 0).direction(), 0.f);
    EXPECT_NEAR(MgVector(0, 1).direction(), kMgHalfPi, 1e-6);
    EXPECT_FLOAT_EQ(MgVector(0, 0).signedAngleTo(MgVector(1, 0)), 0.f);
    EXPECT_NEAR(MgVector(1, 0).signedAngleTo(MgVector(0, 1)), kMgHalfPi, 1e-6);
}

TEST(MgPoint, EqualityUsesPointTolerance)
{
    EXPECT_TRUE(MgPoint(0, 0) == MgPoint(0.000009f, 0));
    EXPECT_FALSE(MgPoint(0, 0) == MgPoint(0.00002f, 0));
    EXPECT_TRUE(MgPoint(0, 0) != MgPoint(0.00002f, 0));
    EXPECT_TRUE(MgPoint(0, 0).equals(MgPoint(0.5f, 0), MgTolerance(1.f, 1.f)));
}

TEST(MgPoint, TowardAndAsideTurnLeft)
{
    const MgPoint p(1, 1);
    const MgPoint t = p.pointToward(MgPoint(11, 1), 2, 3);
    EXPECT_NEAR(t.x, 3, 1e-6);
    EXPECT_NEAR(t.y, 4, 1e-6);
    const MgPoint same = p.pointToward(p, 2, 3);
    EXPECT_NEAR(same.x, 3, 1e-6);
    EXPECT_NEAR(same.y, 4, 1e-6);
    const MgPoint a = p.pointAside(MgPoint(1, 5), 2);
    EXPECT_NEAR(a.x, -1, 1e-6);
    EXPECT_NEAR(a.y, 1, 1e-6);
    const MgPoint a0 = p.pointAside(p, 2);
    EXPECT_NEAR(a0.y, 3, 1e-6);
    const MgPoint q = MgPoint(0, 0).pointAtAngle(kMgHalfPi, 2);
    EXPECT_NEAR(q.x, 0, 1e-6);
    EXPECT_NEAR(q.y, 2, 1e-6);
}

TEST(MgMatrix, ProductAppliesLeftOperandFirst)
{
    const MgMatrix scale = MgMatrix::scalingAbout(2, 0, MgPoint(1, 1));
    EXPECT_TRUE(scale.equals(MgMatrix(2, 0, 0, 2, -1, -1)));
    const MgMatrix move = MgMatrix::translationBy(MgVector(10, 0));
    const MgPoint p = MgPoint(1, 2) * (scale * move); // scale about (1,1): (1,3), then move
    EXPECT_NEAR(p.x, 11, 1e-5);
    EXPECT_NEAR(p.y, 3, 1e-5);
    const MgPoint r = MgPoint(2, 1) * MgMatrix::rotationAbout(kMgHalfPi, MgPoint(1, 1));
    EXPECT_NEAR(r.x, 1, 1e-5);
    EXPECT_NEAR(r.y, 2, 1e-5);
    const MgVector v = MgVector(1, 1) * MgMatrix(2, 0, 0, 3, 100, 100);
    EXPECT_FLOAT_EQ(v.x, 2);
    EXPECT_FLOAT_EQ(v.y, 3);
}

TEST(MgMatrix, Inversion)
{
    MgMatrix singular(2, 0, 0, 0, 0, 0);
    EXPECT_FALSE(singular.invertInPlace());
    EXPECT_TRUE(singular.isIdentity());

    MgMatrix m(2, 0, 0, 4, 6, 8);
    ASSERT_TRUE(m.invertInPlace());
    EXPECT_TRUE(m.equals(MgMatrix(0.5f, 0, 0, 0.25f, -3, -2)));

    const MgMatrix rot = MgMatrix::rotationAbout(0.7f, MgPoint(3, -2)) * MgMatrix::translationBy(MgVector(5, 1));
    EXPECT_TRUE((rot * rot.inverted()).equals(MgMatrix()));
    EXPECT_FALSE(MgMatrix(1, 0, 0, 1, 0, 0).equals(MgMatrix(1, 0, 0, 1, 0.001f, 0)));
}

struct BoxCase {
    const char* name;
    MgBox a, b, expected;
};

TEST(MgBox, IntersectionAndUnion)
{
    const BoxCase intersections[] = {
        { "disjoint", { 0, 0, 1, 1 }, { 2, 2, 3, 3 }, { 0, 0, 0, 0 } },
        { "overlap", { 0, 0, 2, 2 }, { 1, 1, 3, 3 }, { 1, 1, 2, 2 } },
    };
    for (const auto& c : intersections) {
        SCOPED_TRACE(c.name);
        MgBox box;
        box.intersection(c.a, c.b);
        expectBox(box, c.expected.xmin, c.expected.ymin, c.expected.xmax, c.expected.ymax);
    }
    const BoxCase unions[] = {
        { "a lacks area", { 5, 5, 5, 9 }, { 1, 1, 2, 2 }, { 1, 1, 2, 2 } },
        { "surviving box normalised", { 2, 2, 1, 1 }, { 0, 0, 0, 0 }, { 1, 1, 2, 2 } },
        { "both", { 0, 0, 1, 1 }, { 3, -1, 4, 0.5f }, { 0, -1, 4, 1 } },
    };
    for (const auto& c : unions) {
        SCOPED_TRACE(c.name);
        MgBox box;
        box.unite(c.a, c.b);
        expectBox(box, c.expected.xmin, c.expected.ymin, c.expected.xmax, c.expected.ymax);
    }
    MgBox touching;
    touching.intersection(MgBox(0, 0, 1, 1), MgBox(1, 0, 2, 1));
    EXPECT_NEAR(touching.width(), 2e-5f, 1e-7);
}

TEST(MgBox, Overlaps)
{
    const struct {
        const char* name;
        MgBox a, b;
        bool overlaps;
    } cases[] = {
        { "touching corners", { 0, 0, 1, 1 }, { 1, 1, 2, 2 }, true },
        { "gap", { 0, 0, 1, 1 }, { 1.1f, 0, 2, 1 }, false },
        { "all zero", { 0, 0, 0, 0 }, { -1, -1, 1, 1 }, false },
        { "inverted", { 0, 0, -0.1f, 1 }, { -1, -1, 1, 1 }, false },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.a.overlaps(c.b), c.overlaps);
        EXPECT_EQ(c.b.overlaps(c.a), c.overlaps);
    }
}

TEST(MgBox, GrowthRuleForFlatBoxes)
{
    const MgPoint p(3, 4);
    MgBox box(p, p);
    EXPECT_NEAR(box.width(), 2e-5f, 1e-7);
    EXPECT_NEAR(box.height(), 2e-5f, 1e-7);
    EXPECT_EQ(box.midpoint(), p);
    expectBox(MgBox().fromPoints(0, nullptr), 0, 0, 0, 0);
    expectBox(MgBox().fromCenter(MgPoint(0, 0), 4, 0), -2, -2, 2, 2);
    MgBox ints;
    ints.setFromInts(30, 40, 10, 20, true);
    expectBox(ints, 10, 20, 30, 40);
}

TEST(MgBox, HandlesAndMoveHandle)
{
    const MgBox box(0, 0, 2, 2);
    const MgPoint expected[]
        = { { 0, 2 }, { 2, 2 }, { 2, 0 }, { 0, 0 }, { 1, 2 }, { 2, 1 }, { 1, 0 }, { 0, 1 }, { 1, 1 } };
    for (int k = 0; k < 9; k++)
        EXPECT_EQ(box.handle(k), expected[k]) << "handle " << k;

    const struct {
        int k;
        MgPoint pt;
        MgBox expected;
    } moves[] = {
        { 0, { -1, 5 }, { -1, 0, 2, 5 } }, { 5, { 3, 9 }, { 0, 0, 3, 2 } }, { 1, { 3, 3 }, { 0, 0, 3, 3 } },
        { 2, { 3, -1 }, { 0, -1, 3, 2 } }, { 3, { -1, -1 }, { -1, -1, 2, 2 } }, { 4, { 7, 5 }, { 0, 0, 2, 5 } },
        { 6, { 7, -3 }, { 0, -3, 2, 2 } }, { 7, { -4, 9 }, { -4, 0, 2, 2 } }, { 9, { 7, 7 }, { 0, 0, 2, 2 } },
        { 0, { 3, -1 }, { 2, -1, 3, 0 } }, // dragged past the opposite corner: normalised
    };
    for (const auto& m : moves) {
        SCOPED_TRACE(m.k);
        MgBox b = box;
        b.moveHandle(m.k, m.pt);
        expectBox(b, m.expected.xmin, m.expected.ymin, m.expected.xmax, m.expected.ymax);
    }
}

TEST(MgBox, TransformByMatrix)
{
    MgBox box(0, 0, 2, 1);
    expectBox(box * MgMatrix::scalingAbout(2, -1), 0, -1, 4, 0);
    const MgBox rotated = box * MgMatrix::rotationAbout(kMgHalfPi);
    expectBox(rotated, -1, 0, 0, 2, 1e-5f);
}

} // namespace
