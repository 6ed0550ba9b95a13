// The shape contract shared by every class: base update, offset and transform, type ids and
// kinds, create/clone/release and copying between kinds.
#include "shape/mgbaseshape.h"
#include "shape/mglines.h"
#include "shape/mgrect.h"

#include <gtest/gtest.h>

#include <iterator>
#include <memory>
#include <set>
#include <vector>

namespace {

// A shape made of loose points, exercising only the base implementations: its update() sets
// the raw bounding box of the points without the growth rule, so the base update alone decides
// the minimum thickness.
class PointSetShape : public MgBaseShape {
public:
    std::vector<MgPoint> pts;
    std::vector<int> offsetSegments;

    [[nodiscard]] MgBox box() const { return m_extent; }
    void setBox(const MgBox& b) { m_extent = b; }

    PointSetShape* clone() const override { return new PointSetShape(*this); }
    void copyFrom(const MgObject&) override { }
    bool equals(const MgObject&) const override { return false; }
    int typeId() const override { return Type(); }
    bool isKindOf(int type) const override { return baseIsKindOf(type); }
    MgBox extent() const override { return baseExtent(); }
    void update() override
    {
        if (!pts.empty()) {
            MgBox b(pts[0].x, pts[0].y, pts[0].x, pts[0].y);
            for (const MgPoint& p : pts)
                b.set(mgMin(b.xmin, p.x), mgMin(b.ymin, p.y), mgMax(b.xmax, p.x), mgMax(b.ymax, p.y));
            m_extent = b;
        }
        baseUpdate();
    }
    void transform(const MgMatrix& m) override { baseTransform(m); }
    void clear() override { baseClear(); }
    int pointCount() const override { return static_cast<int>(pts.size()); }
    MgPoint pointAt(int i) const override { return pts[static_cast<size_t>(i)]; }
    void setPointAt(int i, const MgPoint& p) override { pts[static_cast<size_t>(i)] = p; }
    bool isClosed() const override { return false; }
    float hitTest(const MgPoint&, float, MgPoint&, int& segment) const override
    {
        segment = -1;
        return kMgMaxFloat;
    }
    bool hitTestBox(const MgBox& b) const override { return baseHitTestBox(b); }
    bool draw(GiGraphics& gs, const GiContext& ctx) const override { return baseDraw(gs, ctx); }
    bool save(MgArchive&) const override { return true; }
    bool load(MgArchive&) override { return true; }
    int handleCount() const override { return 0; }
    MgPoint handlePoint(int) const override { return {}; }
    bool setHandlePoint(int, const MgPoint&, float) override { return false; }
    bool offset(const MgVector& v, int segment) override { return baseOffset(v, segment); }
};

struct Releaser {
    void operator()(MgBaseShape* p) const { p->release(); }
};
using ShapePtr = std::unique_ptr<MgBaseShape, Releaser>;

std::vector<ShapePtr> everyShape()
{
    std::vector<ShapePtr> v;
    v.emplace_back(MgLine::create());
    v.emplace_back(MgRect::create());
    v.emplace_back(MgEllipse::create());
    v.emplace_back(MgRoundRect::create());
    v.emplace_back(MgLines::create());
    v.emplace_back(MgSplines::create());
    return v;
}

void expectBox(const MgBox& b, float l, float bottom, float r, float t, float eps = 1e-6f)
{
    EXPECT_NEAR(b.xmin, l, eps);
    EXPECT_NEAR(b.ymin, bottom, eps);
    EXPECT_NEAR(b.xmax, r, eps);
    EXPECT_NEAR(b.ymax, t, eps);
}

} // namespace

TEST(BaseShape, NewShapeHasNullExtentThatUpdateKeeps)
{
    PointSetShape s;
    EXPECT_TRUE(s.extent().isAllZero());
    s.update();
    expectBox(s.extent(), 0, 0, 0, 0, 0);
    for (const ShapePtr& p : everyShape()) {
        SCOPED_TRACE(p->typeId());
        EXPECT_TRUE(p->extent().isAllZero());
    }
}

TEST(BaseShape, UpdateGivesThinExtentsTheMinimumThickness)
{
    struct Case {
        const char* name;
        std::vector<MgPoint> pts;
        MgBox expected;
    };
    const Case cases[] = {
        { "horizontal", { { 0, 1 }, { 10, 1 } }, { 0, 1 - 1e-5f, 10, 1 + 1e-5f } },
        { "vertical", { { 2, -3 }, { 2, 4 } }, { 2 - 1e-5f, -3, 2 + 1e-5f, 4 } },
        { "single point", { { 3, 4 } }, { 3 - 1e-5f, 4 - 1e-5f, 3 + 1e-5f, 4 + 1e-5f } },
        { "thick enough", { { 0, 0 }, { 1, 2e-5f } }, { 0, 0, 1, 2e-5f } },
        { "the origin alone stays null", { { 0, 0 } }, { 0, 0, 0, 0 } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PointSetShape s;
        s.pts = c.pts;
        s.update();
        expectBox(s.extent(), c.expected.xmin, c.expected.ymin, c.expected.xmax, c.expected.ymax, 1e-7f);
    }
    // The horizontal case in numbers the callers rely on.
    PointSetShape s;
    s.pts = { { 0, 1 }, { 10, 1 } };
    s.update();
    EXPECT_NEAR(s.extent().height(), 2e-5f, 1e-7f);
}

TEST(BaseShape, OffsetMovesEveryPointAndUpdatesWhateverTheSegment)
{
    for (int segment : { -1, 0, 7 }) {
        SCOPED_TRACE(segment);
        PointSetShape s;
        s.pts = { { 0, 0 }, { 4, 2 }, { 1, 5 } };
        s.update();
        EXPECT_TRUE(s.offset(MgVector(2, -1), segment));
        EXPECT_EQ(s.pts[0], MgPoint(2, -1));
        EXPECT_EQ(s.pts[1], MgPoint(6, 1));
        EXPECT_EQ(s.pts[2], MgPoint(3, 4));
        expectBox(s.extent(), 2, -1, 6, 4);
    }
}

TEST(BaseShape, TransformReplacesTheExtentByTheBoxOfItsImage)
{
    PointSetShape s;
    s.setBox(MgBox(0, 0, 4, 2));
    s.transform(MgMatrix::translationBy(MgVector(1, 1)));
    expectBox(s.box(), 1, 1, 5, 3);

    // A rotation takes all four corners: a quarter turn about the origin.
    s.setBox(MgBox(0, 0, 4, 2));
    s.transform(MgMatrix::rotationAbout(kMgHalfPi));
    expectBox(s.box(), -2, 0, 0, 4, 1e-5f);
}

TEST(BaseShape, BaseHitTestBoxDrawAndClear)
{
    PointSetShape s;
    s.pts = { { 0, 0 }, { 10, 10 } };
    s.update();
    EXPECT_TRUE(s.hitTestBox(MgBox(9, 9, 20, 20)));
    EXPECT_TRUE(s.hitTestBox(MgBox(10, 10, 20, 20))); // touching counts
    EXPECT_FALSE(s.hitTestBox(MgBox(11, 11, 20, 20)));
    s.clear();
    EXPECT_TRUE(s.extent().isAllZero());
    EXPECT_FALSE(s.hitTestBox(MgBox(-1, -1, 1, 1)));
}

TEST(BaseShape, TypeIdsAndKinds)
{
    struct Case {
        int id;
        int staticId;
        std::set<int> kinds;
    };
    const Case cases[] = {
        { 10, MgLine::Type(), { 10, 3 } },
        { 11, MgRect::Type(), { 11, 4, 3 } },
        { 12, MgEllipse::Type(), { 12, 4, 3 } },
        { 13, MgRoundRect::Type(), { 13, 4, 3 } },
        { 15, MgLines::Type(), { 15, 5, 3 } },
        { 16, MgSplines::Type(), { 16, 5, 3 } },
    };
    EXPECT_EQ(MgBaseShape::Type(), 3);
    EXPECT_EQ(MgBaseRect::Type(), 4);
    EXPECT_EQ(MgBaseLines::Type(), 5);

    const std::vector<ShapePtr> shapes = everyShape();
    ASSERT_EQ(shapes.size(), std::size(cases));
    for (size_t i = 0; i < shapes.size(); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(c.id);
        EXPECT_EQ(shapes[i]->typeId(), c.id);
        EXPECT_EQ(c.staticId, c.id);
        for (int k = -1; k <= 20; ++k)
            EXPECT_EQ(shapes[i]->isKindOf(k), c.kinds.count(k) == 1) << "kind " << k;
    }
}

TEST(BaseShape, CloneGivesAnEqualObjectOfTheSameClass)
{
    MgRect rect;
    rect.setRect(MgBox(0, 0, 4, 2), 0);
    MgLine line;
    line.setPointAt(0, MgPoint(1, 1));
    line.setPointAt(1, MgPoint(5, 2));
    MgLines lines;
    lines.addPoint(MgPoint(0, 0));
    lines.addPoint(MgPoint(3, 1));
    lines.setClosed(true);
    const MgBaseShape* originals[] = { &rect, &line, &lines };
    for (const MgBaseShape* s : originals) {
        SCOPED_TRACE(s->typeId());
        const_cast<MgBaseShape*>(s)->update();
        ShapePtr c(s->clone());
        ASSERT_NE(c, nullptr);
        EXPECT_NE(c.get(), s);
        EXPECT_EQ(c->typeId(), s->typeId());
        EXPECT_TRUE(c->equals(*s));
        EXPECT_TRUE(s->equals(*c));
        EXPECT_EQ(c->extent(), s->extent());
    }
}

TEST(BaseShape, CopyFromAndEqualsFollowTheKinds)
{
    MgRect rect;
    rect.setRect(MgBox(0, 0, 4, 2), 0);
    rect.update();
    MgEllipse ellipse;
    MgLine line;
    MgLines lines;
    MgSplines splines;

    // Any rectangle-family shape copies corners into any other.
    ellipse.copyFrom(rect);
    EXPECT_EQ(ellipse.pointAt(1), MgPoint(4, 2));
    EXPECT_EQ(ellipse.extent(), rect.extent());
    EXPECT_FALSE(ellipse.equals(rect)); // same corners, different kind
    EXPECT_FALSE(rect.equals(ellipse));

    // A segment takes only the extent from a shape of another kind.
    line.copyFrom(rect);
    EXPECT_EQ(line.extent(), rect.extent());
    EXPECT_EQ(line.pointAt(0), MgPoint(0, 0));
    EXPECT_EQ(line.pointAt(1), MgPoint(0, 0));

    // Incompatible kinds leave the target alone.
    MgRect other;
    other.copyFrom(line);
    EXPECT_TRUE(other.extent().isAllZero());
    lines.copyFrom(rect);
    EXPECT_EQ(lines.pointCount(), 0);

    // Vertex shapes copy each other.
    lines.addPoint(MgPoint(1, 2));
    lines.addPoint(MgPoint(3, 4));
    lines.setClosed(true);
    splines.copyFrom(lines);
    EXPECT_EQ(splines.pointCount(), 2);
    EXPECT_TRUE(splines.isClosed());
    EXPECT_FALSE(splines.equals(lines));
}
