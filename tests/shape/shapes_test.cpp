// The shape collection: ids, order, queries, picking, drawing, change counting and storage.
#include "graph/gigraphics.h"
#include "graph/giviewtransform.h"
#include "shape/json/mgjsonarchive.h"
#include "shape/mgshapes.h"
#include "support/paint_fixture.h"
#include "support/recording_canvas.h"

#include "sample_shapes.h"

#include <gtest/gtest.h>

#include <climits>
#include <thread>
#include <vector>

namespace {

using Shapes = Owned<MgShapesT<>>;

Shapes makeShapes(bool withContext = false) { return Shapes(MgShapesT<>::create(withContext)); }

std::vector<int> idsOf(const MgShapes& shapes)
{
    std::vector<int> ids;
    MgShapes::Iterator it = nullptr;
    for (MgShape* sp = shapes.firstShape(it); sp; sp = shapes.nextShape(it))
        ids.push_back(sp->id());
    shapes.freeIterator(it);
    return ids;
}

std::vector<int> tagsOf(const MgShapes& shapes)
{
    std::vector<int> tags;
    MgShapes::Iterator it = nullptr;
    for (MgShape* sp = shapes.firstShape(it); sp; sp = shapes.nextShape(it))
        tags.push_back(sp->tag());
    shapes.freeIterator(it);
    return tags;
}

const MgBox kUnit(0, 0, 10, 10);

TEST(Shapes, NewCollection)
{
    for (const bool withContext : { false, true }) {
        SCOPED_TRACE(withContext);
        Shapes shapes = makeShapes(withContext);
        EXPECT_EQ(shapes->typeId(), 8);
        EXPECT_TRUE(shapes->isKindOf(8));
        EXPECT_TRUE(shapes->isKindOf(1));
        EXPECT_FALSE(shapes->isKindOf(2));
        EXPECT_EQ(shapes->shapeCount(), 0);
        EXPECT_EQ(shapes->context() != nullptr, withContext);
        if (withContext) {
            EXPECT_EQ(*shapes->context(), GiContext());
        }
        EXPECT_TRUE(shapes->modelTransform().isIdentity());
        EXPECT_EQ(shapes->viewScale(), 1.f);
        EXPECT_EQ(shapes->viewCenter(), MgPoint(0, 0));
        EXPECT_EQ(shapes->changeCount(), 0);
        EXPECT_EQ(shapes->lockCounters().lockCount, 0);
        EXPECT_EQ(shapes->lockCounters().readers, 0);
        EXPECT_EQ(shapes->lockCounters().writers, 0);
        EXPECT_EQ(shapes->lockCounters().modeFlags, 0);
        EXPECT_EQ(shapes->extent(), MgBox());
        EXPECT_EQ(shapes->lastShape(), nullptr);
        EXPECT_EQ(shapes->findShape(0), nullptr);
        EXPECT_EQ(shapes->findShapeByTag(0), nullptr);

        MgShapes::Iterator it = nullptr;
        EXPECT_EQ(shapes->firstShape(it), nullptr);
        EXPECT_NE(it, nullptr); // allocated all the same
        EXPECT_EQ(shapes->nextShape(it), nullptr);
        shapes->freeIterator(it);
        EXPECT_EQ(it, nullptr);
        EXPECT_EQ(shapes->nextShape(it), nullptr);
    }
}

TEST(Shapes, IdsIncreaseFromTheLastShape)
{
    Shapes shapes = makeShapes();
    for (int i = 0; i < 3; ++i)
        addRect(*shapes, kUnit, 100 + i);
    EXPECT_EQ(idsOf(*shapes), (std::vector<int> { 1, 2, 3 }));

    Owned<MgShape> removed(shapes->removeShape(3));
    ASSERT_NE(removed, nullptr);
    EXPECT_EQ(removed->id(), 3); // keeps its id and parent
    EXPECT_EQ(removed->parent(), shapes.get());
    addRect(*shapes, kUnit);
    EXPECT_EQ(idsOf(*shapes), (std::vector<int> { 1, 2, 3 }));

    // A copy whose id is taken gets the last id + 1.
    Owned<MgShapeT<MgRect>> src = makeRect(kUnit, 7);
    src->setParent(nullptr, 2);
    MgShape* added = shapes->addShapeCopy(*src);
    ASSERT_NE(added, nullptr);
    EXPECT_EQ(added->id(), 4);
    EXPECT_EQ(added->parent(), shapes.get());
    EXPECT_EQ(added->tag(), 7);
    EXPECT_NE(added, src.get()); // a copy; the caller keeps its shape
    EXPECT_EQ(src->id(), 2);
    EXPECT_EQ(src->parent(), nullptr);
    EXPECT_EQ(shapes->lastShape(), added);
}

TEST(Shapes, FreeIdIsKept)
{
    Shapes shapes = makeShapes();
    Owned<MgShapeT<MgRect>> src = makeRect(kUnit);
    src->setParent(nullptr, 10);
    EXPECT_EQ(shapes->addShapeCopy(*src)->id(), 10);
    EXPECT_EQ(addRect(*shapes, kUnit)->id(), 11);
    src->setParent(nullptr, 5);
    EXPECT_EQ(shapes->addShapeCopy(*src)->id(), 5);
    EXPECT_EQ(addRect(*shapes, kUnit)->id(), 6); // from the last shape's id
    src->setParent(nullptr, 11);
    EXPECT_EQ(shapes->addShapeCopy(*src)->id(), 7);
    EXPECT_EQ(idsOf(*shapes), (std::vector<int> { 10, 11, 5, 6, 7 }));
}

TEST(Shapes, IdsStepOverTakenOnesZeroAndOverflow)
{
    // Loaded ids are used as stored, so the collection can hold any ids.
    MgJsonArchive ar;
    ASSERT_TRUE(ar.setText(R"({"shapes": {"shape": [
        {"type": 11, "id": 8, "points": [0, 1, 1, 1, 1, 0, 0, 0]},
        {"type": 11, "id": 9, "points": [0, 1, 1, 1, 1, 0, 0, 0]},
        {"type": 11, "id": 7, "points": [0, 1, 1, 1, 1, 0, 0, 0]}]}})"));
    Shapes shapes = makeShapes();
    ASSERT_TRUE(shapes->load(ar, false));
    EXPECT_EQ(addRect(*shapes, kUnit)->id(), 10); // 8 and 9 are taken

    struct Case {
        const char* name;
        int lastId;
        int expected;
    };
    for (const Case& c : { Case { "after INT_MAX comes 1", INT_MAX, 1 }, Case { "0 is never given", -1, 1 } }) {
        SCOPED_TRACE(c.name);
        Shapes s = makeShapes();
        Owned<MgShapeT<MgRect>> src = makeRect(kUnit);
        src->setParent(nullptr, c.lastId);
        ASSERT_EQ(s->addShapeCopy(*src)->id(), c.lastId);
        EXPECT_EQ(addRect(*s, kUnit)->id(), c.expected);
    }
}

TEST(Shapes, RemoveKeepsOrderAndHandsOwnershipBack)
{
    Shapes shapes = makeShapes();
    for (int i = 0; i < 5; ++i)
        addRect(*shapes, kUnit, i);
    EXPECT_EQ(shapes->removeShape(42), nullptr);
    EXPECT_EQ(shapes->removeShape(0), nullptr);
    EXPECT_EQ(shapes->shapeCount(), 5);

    Owned<MgShape> removed(shapes->removeShape(2));
    ASSERT_NE(removed, nullptr);
    EXPECT_EQ(removed->tag(), 1);
    EXPECT_EQ(idsOf(*shapes), (std::vector<int> { 1, 3, 4, 5 }));
    EXPECT_EQ(shapes->findShape(2), nullptr);
    EXPECT_EQ(shapes->removeShape(2), nullptr);
    EXPECT_EQ(shapes->findShape(3)->tag(), 2);
}

TEST(Shapes, FindReturnsTheFirstInOrder)
{
    // Two shapes may share an id after loading; the first one is found and removed first.
    MgJsonArchive ar;
    ASSERT_TRUE(ar.setText(R"({"shapes": {"shape": [
        {"type": 11, "id": 4, "tag": 1, "points": [0, 1, 1, 1, 1, 0, 0, 0]},
        {"type": 11, "id": 4, "tag": 2, "points": [0, 1, 1, 1, 1, 0, 0, 0]},
        {"type": 11, "id": 5, "tag": 1, "points": [0, 1, 1, 1, 1, 0, 0, 0]}]}})"));
    Shapes shapes = makeShapes();
    ASSERT_TRUE(shapes->load(ar, false));
    EXPECT_EQ(shapes->findShape(4)->tag(), 1);
    EXPECT_EQ(shapes->findShapeByTag(1)->id(), 4);
    EXPECT_EQ(shapes->findShapeByTag(2)->id(), 4);
    EXPECT_EQ(shapes->findShapeByTag(3), nullptr);

    Owned<MgShape> first(shapes->removeShape(4));
    EXPECT_EQ(first->tag(), 1);
    EXPECT_EQ(shapes->findShape(4)->tag(), 2);
    EXPECT_EQ(shapes->findShapeByTag(1)->id(), 5);
    Owned<MgShape> second(shapes->removeShape(4));
    EXPECT_EQ(second->tag(), 2);
    EXPECT_EQ(shapes->findShape(4), nullptr);
    EXPECT_EQ(addRect(*shapes, kUnit)->id(), 6);
}

TEST(Shapes, TagsFollowTheShapes)
{
    Shapes shapes = makeShapes();
    MgShape* a = addRect(*shapes, kUnit);
    MgShape* b = addRect(*shapes, kUnit);
    EXPECT_EQ(shapes->findShapeByTag(0), a);
    a->setTag(0x10001);
    EXPECT_EQ(shapes->findShapeByTag(0), b);
    EXPECT_EQ(shapes->findShapeByTag(0x10001), a);
}

TEST(Shapes, TagLookupInALargeCollectionSeesEveryChange)
{
    // Large enough for the collection to keep a tag index; each step changes a tag in another
    // way and the answer must still be the first shape in order with that tag.
    Shapes shapes = makeShapes();
    for (int i = 0; i < 100; ++i)
        addRect(*shapes, kUnit, i);
    EXPECT_EQ(shapes->findShapeByTag(50)->id(), 51);
    EXPECT_EQ(shapes->findShapeByTag(1000), nullptr);

    shapes->findShape(80)->setTag(1000);
    EXPECT_EQ(shapes->findShapeByTag(1000)->id(), 80);
    EXPECT_EQ(shapes->findShapeByTag(79), nullptr);

    shapes->findShape(10)->setTag(1000); // an earlier shape now wins
    EXPECT_EQ(shapes->findShapeByTag(1000)->id(), 10);

    addRect(*shapes, kUnit, 5); // a later duplicate does not
    EXPECT_EQ(shapes->findShapeByTag(5)->id(), 6);
    addRect(*shapes, kUnit, 2000); // a new tag does
    EXPECT_EQ(shapes->findShapeByTag(2000)->id(), 102);

    Owned<MgShapeT<MgRect>> src = makeRect(kUnit, 3000);
    shapes->findShape(30)->copyFrom(*src);
    EXPECT_EQ(shapes->findShapeByTag(3000)->id(), 30);

    MgJsonArchive ar;
    ASSERT_TRUE(makeRect(kUnit, 4000)->save(ar));
    ASSERT_TRUE(shapes->findShape(40)->load(ar));
    EXPECT_EQ(shapes->findShapeByTag(4000)->id(), 40);
    EXPECT_EQ(shapes->findShapeByTag(39), nullptr);

    Owned<MgShape> removed(shapes->removeShape(10));
    EXPECT_EQ(shapes->findShapeByTag(1000)->id(), 80);

    shapes->clear();
    EXPECT_EQ(shapes->findShapeByTag(1000), nullptr);
    for (int i = 0; i < 40; ++i)
        addRect(*shapes, kUnit, 7);
    EXPECT_EQ(shapes->findShapeByTag(7)->id(), 1);
}

TEST(Shapes, IterationWalksInOrderAndStopsAtTheEnd)
{
    Shapes shapes = makeShapes();
    for (int i = 0; i < 3; ++i)
        addRect(*shapes, kUnit, i);
    EXPECT_EQ(tagsOf(*shapes), (std::vector<int> { 0, 1, 2 }));
    MgShapes::Iterator it = nullptr;
    shapes->firstShape(it);
    EXPECT_NE(shapes->nextShape(it), nullptr);
    EXPECT_NE(shapes->nextShape(it), nullptr);
    EXPECT_EQ(shapes->nextShape(it), nullptr);
    EXPECT_EQ(shapes->nextShape(it), nullptr); // stays at the end
    shapes->freeIterator(it);
}

TEST(Shapes, ClearReleasesEverything)
{
    Shapes shapes = makeShapes();
    for (int i = 0; i < 3; ++i)
        addRect(*shapes, kUnit);
    shapes->clear();
    EXPECT_EQ(shapes->shapeCount(), 0);
    EXPECT_EQ(shapes->findShape(1), nullptr);
    EXPECT_EQ(addRect(*shapes, kUnit)->id(), 1);
}

TEST(Shapes, ExtentIsTheUnionOfShapesWithArea)
{
    Shapes shapes = makeShapes();
    addRect(*shapes, MgBox(0, 0, 10, 10));
    addRect(*shapes, MgBox(20, -5, 30, 5));
    Owned<MgShapeT<MgRect>> empty(MgShapeT<MgRect>::create()); // all-zero extent
    shapes->addShapeCopy(*empty);
    const MgBox ext = shapes->extent();
    EXPECT_NEAR(ext.xmin, 0, 1e-4);
    EXPECT_NEAR(ext.ymin, -5, 1e-4);
    EXPECT_NEAR(ext.xmax, 30, 1e-4);
    EXPECT_NEAR(ext.ymax, 10, 1e-4);
}

TEST(Shapes, CloneAndEquals)
{
    Shapes shapes = makeShapes(true);
    shapes->context()->setLineColor(GiRgba(1, 2, 3));
    shapes->setViewScaleCenter(2, MgPoint(3, 4));
    addRect(*shapes, kUnit);

    Shapes copy(shapes->clone());
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->shapeCount(), 0);
    ASSERT_NE(copy->context(), nullptr);
    EXPECT_NE(copy->context(), shapes->context());
    EXPECT_EQ(*copy->context(), *shapes->context());
    EXPECT_EQ(copy->viewScale(), 1.f);
    Shapes plain = makeShapes(false);
    EXPECT_EQ(Shapes(plain->clone())->context(), nullptr);

    // Equal means the very same shape objects in the same order.
    EXPECT_TRUE(shapes->equals(*shapes));
    copy->addShapeCopy(*shapes->lastShape());
    EXPECT_FALSE(shapes->equals(*copy));
    EXPECT_FALSE(shapes->equals(*shapes->lastShape()));
    EXPECT_TRUE(plain->equals(*Shapes(plain->clone())));

    copy->copyFrom(*shapes); // does nothing
    EXPECT_EQ(copy->shapeCount(), 1);
}

TEST(Shapes, ChangeCounterIsAtomic)
{
    Shapes shapes = makeShapes();
    EXPECT_EQ(shapes->noteChange(), 1);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 10000; ++i)
                shapes->noteChange();
        });
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(shapes->changeCount(), 40001);
}

// ---- Picking ----

MgBox limitsAround(const MgPoint& c, float half) { return MgBox(c.x - half, c.y - half, c.x + half, c.y + half); }

TEST(ShapesHitTest, TieKeepsTheEarlierShape)
{
    // Two unfilled rectangles whose outlines are both 1 away from the pointer at (10, 5).
    Shapes shapes = makeShapes();
    MgShape* left = addRect(*shapes, MgBox(0, 0, 9, 10));
    addRect(*shapes, MgBox(11, 0, 20, 10));
    MgPoint nearPt;
    int segment = -1;
    EXPECT_EQ(shapes->hitTest(limitsAround(MgPoint(10, 5), 2), nearPt, segment), left);
    EXPECT_NEAR(nearPt.x, 9, 1e-4);
    EXPECT_NEAR(nearPt.y, 5, 1e-4);
    EXPECT_GE(segment, 0);

    // Nearer wins whatever the order.
    EXPECT_EQ(shapes->hitTest(limitsAround(MgPoint(10.5f, 5), 2), nearPt, segment), shapes->findShape(2));
}

TEST(ShapesHitTest, FilledShapesAnswerFromInside)
{
    const GiContext filled(kGiLineSolid, 0, GiRgba::black(), GiRgba(255, 255, 0));
    struct Case {
        const char* name;
        GiContext ctx;
        MgPoint pointer;
        bool hit;
    };
    const Case cases[] = {
        { "filled, deep inside", filled, MgPoint(50, 50), true },
        { "unfilled, deep inside", GiContext(), MgPoint(50, 50), false },
        { "unfilled, on the outline", GiContext(), MgPoint(0.5f, 50), true },
        { "filled, outside the extent", filled, MgPoint(103, 50), false },
        { "unfilled, just beyond the limits", GiContext(), MgPoint(-2.5f, 50), false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Shapes shapes = makeShapes();
        MgShape* sp = addRect(*shapes, MgBox(0, 0, 100, 100), 0, c.ctx);
        MgPoint nearPt;
        int segment = -1;
        EXPECT_EQ(shapes->hitTest(limitsAround(c.pointer, 2), nearPt, segment), c.hit ? sp : nullptr);
    }
}

TEST(ShapesHitTest, FilledShapeBelowAnUnfilledOne)
{
    // The pointer is inside a filled rectangle and on the outline of a later unfilled one: the
    // nearer outline wins.
    Shapes shapes = makeShapes();
    addRect(*shapes, MgBox(0, 0, 100, 100), 0, GiContext(kGiLineSolid, 0, GiRgba::black(), GiRgba(0, 0, 255)));
    MgShape* outline = addRect(*shapes, MgBox(40, 40, 60, 60));
    MgPoint nearPt;
    int segment = -1;
    EXPECT_EQ(shapes->hitTest(limitsAround(MgPoint(40.5f, 50), 2), nearPt, segment), outline);
    EXPECT_EQ(shapes->hitTest(limitsAround(MgPoint(50, 50), 2), nearPt, segment), shapes->findShape(1));
}

// ---- Drawing ----

// 200 x 100 pixels at 96 dpi: the model clip box spans about 53 x 26 mm around the origin.
struct ShapesDraw : RecordingPaintTest<200, 100> { };

TEST_F(ShapesDraw, DrawsOnlyShapesInTheClipBoxInOrder)
{
    Shapes shapes = makeShapes(true);
    EXPECT_EQ(shapes->draw(gs, nullptr), 0);
    addRect(*shapes, MgBox(-10, -5, 10, 5), 0, GiContext(kGiLineSolid, 0, GiRgba(255, 0, 0), GiRgba::none()));
    addRect(*shapes, MgBox(1000, 1000, 1010, 1010)); // far outside
    addRect(*shapes, MgBox(-2, -2, 2, 2), 0, GiContext(kGiLineSolid, 0, GiRgba(0, 255, 0), GiRgba::none()));
    EXPECT_EQ(shapes->draw(gs, nullptr), 2);
    ASSERT_EQ(canvas.count("paintRect"), 2) << canvas.dump();
    EXPECT_EQ(canvas.first("paintRect")->ctx.lineColor(), GiRgba(255, 0, 0));
    EXPECT_EQ(canvas.last("paintRect")->ctx.lineColor(), GiRgba(0, 255, 0));

    // The override reaches every shape.
    canvas.clear();
    const GiContext override(kGiLineDash, 2, GiRgba(0, 0, 255), GiRgba::none());
    EXPECT_EQ(shapes->draw(gs, &override), 2);
    EXPECT_EQ(canvas.first("paintRect")->ctx.lineColor(), GiRgba(0, 0, 255));
    EXPECT_EQ(canvas.first("paintRect")->ctx.lineWidth(), -2.f);
}

TEST_F(ShapesDraw, NothingOutsideAPaint)
{
    Shapes shapes = makeShapes();
    addRect(*shapes, MgBox(-10, -5, 10, 5));
    canvas.endPaint();
    EXPECT_EQ(shapes->draw(gs, nullptr), 0);
    EXPECT_TRUE(canvas.drawingOps().empty());
    ASSERT_TRUE(canvas.beginPaint());
}

// ---- Storage ----

TEST(ShapesStorage, SaveFromAStartIndex)
{
    Shapes shapes = makeShapes();
    for (int i = 0; i < 5; ++i)
        addRect(*shapes, MgBox(i, 0, i + 1.f, 1), 100 + i);
    MgJsonArchive ar;
    ASSERT_TRUE(shapes->save(ar, 2));
    EXPECT_EQ(ar.depth(), 0);
    ASSERT_TRUE(ar.readNode("shapes", -1, false));
    EXPECT_EQ(ar.readInt("count", 0), 3);
    for (int n = 0; n < 3; ++n) {
        SCOPED_TRACE(n);
        ASSERT_TRUE(ar.readNode("shape", n, false));
        EXPECT_EQ(ar.readInt("type", 0), 11);
        EXPECT_EQ(ar.readInt("id", 0), n + 3);
        EXPECT_EQ(ar.readInt("tag", 0), 102 + n);
        ASSERT_TRUE(ar.readNode("shape", n, true));
    }
    EXPECT_FALSE(ar.readNode("shape", 3, false));
    ASSERT_TRUE(ar.readNode("shapes", -1, true));

    Shapes loaded = makeShapes();
    ASSERT_TRUE(loaded->load(ar, false));
    EXPECT_EQ(idsOf(*loaded), (std::vector<int> { 3, 4, 5 }));
    EXPECT_EQ(loaded->findShape(3)->parent(), loaded.get());
}

TEST(ShapesStorage, StartIndexOutOfRange)
{
    Shapes shapes = makeShapes();
    for (int i = 0; i < 2; ++i)
        addRect(*shapes, kUnit);
    for (const int start : { -3, 2, 7 }) {
        SCOPED_TRACE(start);
        MgJsonArchive ar;
        ASSERT_TRUE(shapes->save(ar, start));
        ASSERT_TRUE(ar.readNode("shapes", -1, false));
        const int expected = start < 0 ? 2 : 0;
        EXPECT_EQ(ar.readInt("count", -1), expected);
        Shapes loaded = makeShapes();
        ar.readNode("shapes", -1, true);
        ASSERT_TRUE(loaded->load(ar, false));
        EXPECT_EQ(loaded->shapeCount(), expected);
    }
}

TEST(ShapesStorage, UnknownTypesAreSkipped)
{
    MgJsonArchive ar;
    ASSERT_TRUE(ar.setText(R"({"shapes": {"count": 3, "shape": [
        {"type": 11, "id": 1, "points": [0, 1, 1, 1, 1, 0, 0, 0]},
        {"type": 14, "id": 2, "points": [0, 1, 1, 1, 1, 0, 0, 0]},
        {"type": 10010, "id": 3, "points": [0, 0, 5, 5]}]}})"));
    Shapes shapes = makeShapes();
    EXPECT_TRUE(shapes->load(ar, false));
    EXPECT_EQ(idsOf(*shapes), (std::vector<int> { 1, 3 }));
    EXPECT_EQ(shapes->findShape(3)->typeId(), 10010);
    EXPECT_EQ(ar.depth(), 0);
}

TEST(ShapesStorage, ABrokenShapeStopsTheLoad)
{
    MgJsonArchive ar;
    ASSERT_TRUE(ar.setText(R"({"shapes": {"shape": [
        {"type": 11, "id": 1, "points": [0, 1, 1, 1, 1, 0, 0, 0]},
        {"type": 11, "id": 2, "points": [0, 1, 1]},
        {"type": 11, "id": 3, "points": [0, 1, 1, 1, 1, 0, 0, 0]}]}})"));
    Shapes shapes = makeShapes();
    EXPECT_FALSE(shapes->load(ar, false));
    EXPECT_EQ(idsOf(*shapes), (std::vector<int> { 1 }));
    EXPECT_EQ(ar.depth(), 0);
}

TEST(ShapesStorage, AppendOrReplace)
{
    Shapes source = makeShapes();
    addRect(*source, kUnit, 1);
    MgJsonArchive ar;
    ASSERT_TRUE(source->save(ar, 0));

    Shapes target = makeShapes();
    addRect(*target, kUnit, 9);
    ASSERT_TRUE(target->load(ar, true));
    EXPECT_EQ(tagsOf(*target), (std::vector<int> { 9, 1 }));
    EXPECT_EQ(idsOf(*target), (std::vector<int> { 1, 1 })); // stored ids are used unchanged
    EXPECT_EQ(addRect(*target, kUnit)->id(), 2);
    ASSERT_TRUE(target->load(ar, false));
    EXPECT_EQ(tagsOf(*target), (std::vector<int> { 1 }));
}

TEST(ShapesStorage, DocumentAndPlainModeDoNotMix)
{
    Shapes doc = makeShapes(true);
    addRect(*doc, kUnit);
    Shapes plain = makeShapes(false);
    addRect(*plain, kUnit);

    MgJsonArchive docArchive, plainArchive;
    ASSERT_TRUE(doc->save(docArchive, 0));
    ASSERT_TRUE(plain->save(plainArchive, 0));
    EXPECT_TRUE(docArchive.readNode("shapedoc", -1, false));
    EXPECT_TRUE(plainArchive.readNode("shapes", -1, false));

    Shapes target = makeShapes(true);
    addRect(*target, kUnit, 5);
    plainArchive.clear();
    ASSERT_TRUE(plain->save(plainArchive, 0));
    EXPECT_FALSE(target->load(plainArchive, false)); // no "shapedoc"
    EXPECT_EQ(target->shapeCount(), 1); // untouched
    EXPECT_EQ(plainArchive.depth(), 0);

    Shapes plainTarget = makeShapes(false);
    docArchive.clear();
    ASSERT_TRUE(doc->save(docArchive, 0));
    EXPECT_FALSE(plainTarget->load(docArchive, false)); // "shapes" is inside "shapedoc"
}

TEST(ShapesStorage, DocumentKeepsTheViewMembers)
{
    Shapes doc = makeShapes(true);
    doc->modelTransform() = MgMatrix(2, 0.5f, -0.5f, 2, 10, -20);
    doc->setViewScaleCenter(0.25f, MgPoint(7, -8));
    MgJsonArchive ar;
    ASSERT_TRUE(doc->save(ar, 0));
    Shapes loaded = makeShapes(true);
    ASSERT_TRUE(loaded->load(ar, false));
    const MgMatrix& m = loaded->modelTransform();
    EXPECT_EQ(m.m11, 2.f);
    EXPECT_EQ(m.m12, 0.5f);
    EXPECT_EQ(m.m21, -0.5f);
    EXPECT_EQ(m.m22, 2.f);
    EXPECT_EQ(m.dx, 10.f);
    EXPECT_EQ(m.dy, -20.f);
    EXPECT_EQ(loaded->viewScale(), 0.25f);
    EXPECT_EQ(loaded->viewCenter(), MgPoint(7, -8));
}

} // namespace
