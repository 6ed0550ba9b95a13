// Shapes with drawing context: kinds, copies, attributes in storage, the effective context and
// the shape factory.
#include "graph/gigraphics.h"
#include "graph/giviewtransform.h"
#include "shape/json/mgjsonarchive.h"
#include "shape/mgshapes.h"
#include "support/paint_fixture.h"
#include "support/recording_canvas.h"

#include "sample_shapes.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

constexpr GiRgba kBlue(0, 0, 255, 255);

TEST(ShapeT, TypeIdsAndKinds)
{
    struct Case {
        const char* name;
        Owned<MgShape> shape;
        int type;
        int geometry;
    };
    Case cases[] = {
        { "line", Owned<MgShape>(MgShapeT<MgLine>::create()), 10010, 10 },
        { "rect", Owned<MgShape>(MgShapeT<MgRect>::create()), 10011, 11 },
        { "ellipse", Owned<MgShape>(MgShapeT<MgEllipse>::create()), 10012, 12 },
        { "roundrect", Owned<MgShape>(MgShapeT<MgRoundRect>::create()), 10013, 13 },
        { "lines", Owned<MgShape>(MgShapeT<MgLines>::create()), 10015, 15 },
        { "splines", Owned<MgShape>(MgShapeT<MgSplines>::create()), 10016, 16 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.shape->typeId(), c.type);
        EXPECT_TRUE(c.shape->isKindOf(c.type));
        EXPECT_TRUE(c.shape->isKindOf(MgShape::Type()));
        EXPECT_FALSE(c.shape->isKindOf(c.geometry)); // the geometry's kinds are the geometry's
        EXPECT_FALSE(c.shape->isKindOf(MgBaseShape::Type()));
        EXPECT_EQ(c.shape->shape().typeId(), c.geometry);
        EXPECT_EQ(c.shape->id(), 0);
        EXPECT_EQ(c.shape->parent(), nullptr);
        EXPECT_EQ(c.shape->tag(), 0);
        EXPECT_EQ(c.shape->context(), GiContext());
    }
}

TEST(ShapeT, FactoryTakesTypeModulo10000)
{
    const struct {
        int type;
        int expected; // 0: null
    } cases[] = {
        { 10011, 10011 },
        { 11, 10011 },
        { 10, 10010 },
        { 12, 10012 },
        { 13, 10013 },
        { 15, 10015 },
        { 16, 10016 },
        { 20016, 10016 },
        { 14, 0 },
        { 10014, 0 },
        { 0, 0 },
        { 3, 0 },
        { 8, 0 },
        { -11, 0 },
        { -10011, 0 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.type);
        Owned<MgShape> sp(createShape(c.type));
        if (c.expected == 0) {
            EXPECT_EQ(sp, nullptr);
        } else {
            ASSERT_NE(sp, nullptr);
            EXPECT_EQ(sp->typeId(), c.expected);
            EXPECT_EQ(sp->shape().extent(), MgBox());
        }
    }
}

TEST(ShapeT, CloneDropsIdAndParentKeepsTheRest)
{
    Owned<MgShapesT<>> shapes(MgShapesT<>::create(true));
    const GiContext ctx(kGiLineDash, 12, GiRgba(9, 8, 7), GiRgba(1, 1, 1, 1));
    Owned<MgShapeT<MgRect>> src = makeRect(MgBox(0, 0, 10, 5), 3, ctx);
    src->setParent(shapes.get(), 7);
    // Move the corners without update(): the source's extent is stale, the clone's must not be.
    for (int i = 0; i < 4; ++i)
        src->m_shape.setPointAt(i, src->m_shape.pointAt(i) + MgVector(100, 0));

    Owned<MgShape> copy(src->clone());
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->typeId(), src->typeId());
    EXPECT_EQ(copy->id(), 0);
    EXPECT_EQ(copy->parent(), nullptr);
    EXPECT_EQ(copy->tag(), 3);
    EXPECT_EQ(copy->context(), ctx);
    EXPECT_TRUE(copy->equals(*src));
    EXPECT_TRUE(src->equals(*copy));
    EXPECT_NEAR(copy->shape().extent().xmin, 100, 1e-4);
    src->m_shape.update();
    EXPECT_EQ(copy->shape().extent(), src->shape().extent());

    copy->setTag(4);
    EXPECT_FALSE(copy->equals(*src));
    copy->setTag(3);
    copy->context().setLineWidth(12.0001f);
    EXPECT_FALSE(copy->equals(*src));
}

TEST(ShapeT, EqualsNeedsTheSameKind)
{
    Owned<MgShapeT<MgRect>> rect = makeRect(MgBox(0, 0, 10, 5));
    Owned<MgShapeT<MgEllipse>> ellipse(MgShapeT<MgEllipse>::create());
    ellipse->m_shape.setRect(MgBox(0, 0, 10, 5), 0);
    ellipse->m_shape.update();
    EXPECT_FALSE(rect->equals(*ellipse));
    EXPECT_FALSE(rect->equals(rect->m_shape)); // a bare geometry is no shape with context
    Owned<MgShapeT<MgRect>> other = makeRect(MgBox(0, 0, 10, 6));
    EXPECT_FALSE(rect->equals(*other));
    other->setParent(nullptr, 42); // ids are not compared
    other->m_shape.setRect(MgBox(0, 0, 10, 5), 0);
    EXPECT_TRUE(rect->equals(*other));
}

TEST(ShapeT, CopyFromKeepsIdAndParent)
{
    Owned<MgShapesT<>> shapes(MgShapesT<>::create(false));
    const GiContext ctx(kGiLineDot, 5, kBlue, GiRgba::none());
    Owned<MgShapeT<MgRect>> src = makeRect(MgBox(1, 2, 3, 4), 77, ctx);
    src->setParent(nullptr, 5);

    Owned<MgShapeT<MgRect>> dst = makeRect(MgBox(0, 0, 1, 1));
    dst->setParent(shapes.get(), 9);
    dst->copyFrom(*src);
    EXPECT_TRUE(dst->equals(*src));
    EXPECT_EQ(dst->id(), 9);
    EXPECT_EQ(dst->parent(), shapes.get());

    // From a bare rectangle only the geometry comes over.
    MgRect bare;
    bare.setRect(MgBox(-5, -5, 5, 5), 0);
    bare.update();
    dst->copyFrom(bare);
    EXPECT_TRUE(dst->m_shape.equals(bare));
    EXPECT_EQ(dst->tag(), 77);
    EXPECT_EQ(dst->context(), ctx);

    // Another kind changes nothing.
    Owned<MgShapeT<MgEllipse>> ellipse(MgShapeT<MgEllipse>::create());
    ellipse->m_shape.setRect(MgBox(0, 0, 100, 100), 0);
    ellipse->setTag(1);
    dst->copyFrom(*ellipse);
    EXPECT_TRUE(dst->m_shape.equals(bare));
    EXPECT_EQ(dst->tag(), 77);
}

TEST(ShapeT, AttributesInStorage)
{
    Owned<MgShapeT<MgRect>> sp
        = makeRect(MgBox(0, 0, 4, 2), 0x00030002, GiContext(kGiLineDash, 1.5f, GiRgba(255, 0, 0, 255), GiRgba::none()));
    MgJsonArchive ar;
    ASSERT_TRUE(sp->save(ar));
    EXPECT_EQ(static_cast<std::uint32_t>(ar.readInt("lineColor", 0)), 4278190335u);
    EXPECT_EQ(ar.readInt("fillColor", -1), 0);
    EXPECT_EQ(ar.readInt("tag", 0), 0x00030002);
    EXPECT_EQ(ar.readByte("lineStyle", 0), kGiLineDash);
    EXPECT_EQ(ar.readFloat("lineWidth", 0), 1.5f);

    // A null line is stored as style 5 whatever style is kept for it.
    sp->context().setLineColor(GiRgba::none());
    ASSERT_TRUE(sp->save(ar));
    EXPECT_EQ(ar.readByte("lineStyle", 0), kGiLineNull);
    EXPECT_EQ(sp->context().storedLineStyle(), kGiLineDash);
}

TEST(ShapeT, LoadSplitsPackedColours)
{
    MgJsonArchive ar;
    ASSERT_TRUE(ar.setText(R"({"tag": 5, "lineStyle": 2, "lineWidth": -3, "lineColor": 2164195328,
                               "fillColor": -16776961, "points": [0, 1, 2, 1, 2, 0, 0, 0]})"));
    Owned<MgShapeT<MgRect>> sp(MgShapeT<MgRect>::create());
    ASSERT_TRUE(sp->load(ar));
    EXPECT_EQ(sp->context().lineColor(), GiRgba(0, 0, 255, 128));
    EXPECT_EQ(sp->context().fillColor(), GiRgba(255, 0, 0, 255));
    EXPECT_EQ(sp->context().lineStyle(), kGiLineDot);
    EXPECT_EQ(sp->context().lineWidth(), -3.f);
    EXPECT_EQ(sp->tag(), 5);
    // load() updates the geometry it read.
    EXPECT_NEAR(sp->shape().extent().xmax, 2, 1e-4);
    EXPECT_NEAR(sp->shape().extent().ymax, 1, 1e-4);
}

TEST(ShapeT, LoadWithMissingKeys)
{
    MgJsonArchive ar;
    ASSERT_TRUE(ar.setText(R"({"lineStyle": 200})"));
    Owned<MgShapeT<MgRect>> sp = makeRect(MgBox(0, 0, 1, 1), 42);
    EXPECT_FALSE(sp->load(ar)); // no "points"
    // The attributes read so far stay set: the current tag is the default, missing colours are null.
    EXPECT_EQ(sp->tag(), 42);
    EXPECT_EQ(sp->context().storedLineStyle(), 200); // widened as an unsigned byte
    EXPECT_TRUE(sp->context().lineColor().isNull());
    EXPECT_FALSE(sp->context().hasFillColor());
    EXPECT_EQ(sp->context().lineWidth(), 0.f);
}

// A 200 x 100 pixel view at 96 dpi, y up, model = world, painting the whole client area.
struct DrawFixture : RecordingPaintTest<200, 100> { };

TEST_F(DrawFixture, RectangleReachesTheCanvasAsOneRect)
{
    const GiContext own(kGiLineSolid, -1, GiRgba(255, 0, 0), GiRgba::none());
    Owned<MgShapeT<MgRect>> sp = makeRect(MgBox(-10, -5, 10, 5), 0, own);
    EXPECT_TRUE(sp->draw(gs, nullptr));
    EXPECT_EQ(canvas.drawingOps(), std::vector<std::string> { "paintRect" }) << canvas.dump();
    const CanvasCall* call = canvas.last("paintRect");
    ASSERT_NE(call, nullptr);
    EXPECT_EQ(call->ctx, own);
}

TEST_F(DrawFixture, RotatedRoundRectReachesTheCanvasAsAPath)
{
    Owned<MgShapeT<MgRoundRect>> sp(MgShapeT<MgRoundRect>::create());
    sp->m_shape.setRect(MgBox(-10, -5, 10, 5), 0.3f);
    sp->m_shape.setRadius(2, 2);
    sp->m_shape.update();
    EXPECT_TRUE(sp->draw(gs, nullptr));
    const auto ops = canvas.drawingOps();
    ASSERT_FALSE(ops.empty()) << canvas.dump();
    EXPECT_EQ(ops.front(), "pathOpen") << canvas.dump();
    EXPECT_EQ(ops.back(), "pathFinish") << canvas.dump();
    EXPECT_EQ(canvas.count("paintRect"), 0);
}

TEST_F(DrawFixture, OverrideContextRule)
{
    const GiContext own(kGiLineDash, 0, GiRgba(255, 0, 0), GiRgba(0, 255, 0, 64));
    const float ownPx = gs.penWidthPx(0, true); // 1 pixel
    struct Case {
        const char* name;
        GiContext override;
        GiContext expected;
    };
    const Case cases[] = {
        { "positive width: pixels, colour and style taken", GiContext(kGiLineDot, 3, kBlue, GiRgba::none()),
            GiContext(kGiLineDot, -3, kBlue, own.fillColor()) },
        { "negative width widens the own pen", GiContext(kGiLineSolid, -2, kBlue, GiRgba::none()),
            GiContext(kGiLineSolid, -2 - ownPx, kBlue, own.fillColor()) },
        { "zero width", GiContext(kGiLineSolid, 0, kBlue, GiRgba::none()),
            GiContext(kGiLineSolid, -ownPx, kBlue, own.fillColor()) },
        { "null line style keeps the line, fill applies", GiContext(kGiLineNull, 3, kBlue, GiRgba(1, 2, 3, 4)),
            GiContext(kGiLineDash, 0, own.lineColor(), GiRgba(1, 2, 3, 4)) },
        { "null line colour keeps the line", GiContext(kGiLineDot, 3, GiRgba::none(), GiRgba::none()), own },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(mgEffectiveContext(gs, own, &c.override), c.expected);

        Owned<MgShapeT<MgRect>> sp = makeRect(MgBox(-10, -5, 10, 5), 0, own);
        canvas.clear();
        EXPECT_TRUE(sp->draw(gs, &c.override));
        const CanvasCall* call = canvas.last("paintRect");
        ASSERT_NE(call, nullptr) << canvas.dump();
        EXPECT_EQ(call->ctx, c.expected);
        EXPECT_EQ(sp->context(), own); // the shape's own attributes are untouched
    }
    EXPECT_EQ(mgEffectiveContext(gs, own, nullptr), own);
}

TEST_F(DrawFixture, OverrideWidthFollowsTheZoom)
{
    // Own width in hundredths of a millimetre: 254 at 96 dpi and zoom 2 is 19.2 pixels.
    xf.zoomScale(2);
    const GiContext own(kGiLineSolid, 254, GiRgba(255, 0, 0), GiRgba::none());
    const GiContext override(kGiLineSolid, -1, kBlue, GiRgba::none());
    EXPECT_NEAR(mgEffectiveContext(gs, own, &override).lineWidth(), -1 - gs.penWidthPx(254, true), 1e-4);
    EXPECT_NEAR(gs.penWidthPx(254, true), 19.2f, 1e-3);
}

} // namespace
