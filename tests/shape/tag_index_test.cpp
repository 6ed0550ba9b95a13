// The collection's tag lookup kept up to date from tag changes: after any mix of adding,
// retagging, copying, loading and removing, findShapeByTag must answer what a walk over the
// collection in order answers.
#include "shape/json/mgjsonarchive.h"
#include "shape/mgrect.h"
#include "shape/mgshapes.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <vector>

namespace {

struct Releaser {
    void operator()(MgObject* p) const { p->release(); }
};
template <class T> using Owned = std::unique_ptr<T, Releaser>;

MgShape* firstByWalk(const MgShapes& shapes, int tag)
{
    MgShapes::Iterator it = nullptr;
    MgShape* found = nullptr;
    for (MgShape* sp = shapes.firstShape(it); sp && !found; sp = shapes.nextShape(it)) {
        if (sp->tag() == tag)
            found = sp;
    }
    shapes.freeIterator(it);
    return found;
}

MgShape* add(MgShapes& shapes, int tag)
{
    Owned<MgShapeT<MgRect>> src(MgShapeT<MgRect>::create());
    src->m_shape.setRect(MgBox(0, 0, 10, 10), 0);
    src->setTag(tag);
    return shapes.addShapeCopy(*src);
}

MgShape* at(MgShapes& shapes, std::size_t index)
{
    MgShapes::Iterator it = nullptr;
    MgShape* sp = shapes.firstShape(it);
    for (std::size_t i = 0; i < index && sp; ++i)
        sp = shapes.nextShape(it);
    shapes.freeIterator(it);
    return sp;
}

void expectSameAsWalk(const MgShapes& shapes, int maxTag)
{
    for (int tag = 0; tag <= maxTag; ++tag) {
        SCOPED_TRACE(tag);
        ASSERT_EQ(shapes.findShapeByTag(tag), firstByWalk(shapes, tag));
    }
}

} // namespace

TEST(TagIndex, RandomEditsAnswerAsAWalk)
{
    for (const unsigned seed : { 1u, 2u, 3u, 4u }) {
        SCOPED_TRACE(seed);
        std::mt19937 rng(seed);
        Owned<MgShapes> shapes(MgShapesT<>::create(true));
        for (int i = 0; i < 200; ++i)
            add(*shapes, static_cast<int>(rng() % 40));
        std::vector<Owned<MgShape>> removed;
        for (int step = 0; step < 600; ++step) {
            const std::size_t n = static_cast<std::size_t>(shapes->shapeCount());
            const int tag = static_cast<int>(rng() % 40);
            MgShape* sp = at(*shapes, rng() % n);
            switch (rng() % 6) {
            case 0: add(*shapes, tag); break;
            case 1: sp->setTag(tag); break;
            case 2: {
                Owned<MgShapeT<MgRect>> src(MgShapeT<MgRect>::create());
                src->setTag(tag);
                sp->copyFrom(*src);
                break;
            }
            case 3:
                if (n > 40)
                    removed.emplace_back(shapes->removeShape(sp->id()));
                break;
            case 4:
                // A removed shape still names this collection as its parent; retagging it must not
                // disturb the collection.
                if (!removed.empty())
                    removed[rng() % removed.size()]->setTag(tag);
                break;
            default: sp->setTag(tag); break;
            }
            // Look up now and then, so that changes pile up between lookups as well.
            if (step % 3 == 0)
                expectSameAsWalk(*shapes, 40);
        }
        expectSameAsWalk(*shapes, 40);
    }
}

TEST(TagIndex, LoadedShapesWithSharedIdsAnswerAsAWalk)
{
    MgJsonArchive ar;
    ASSERT_TRUE(ar.setText(R"({"shapes": {"shape": [
        {"type": 11, "id": 4, "tag": 1, "points": [0, 1, 1, 1, 1, 0, 0, 0]},
        {"type": 11, "id": 4, "tag": 2, "points": [0, 1, 1, 1, 1, 0, 0, 0]},
        {"type": 11, "id": 5, "tag": 1, "points": [0, 1, 1, 1, 1, 0, 0, 0]}]}})"));
    Owned<MgShapes> shapes(MgShapesT<>::create(false));
    ASSERT_TRUE(shapes->load(ar, false));
    for (int i = 0; i < 60; ++i)
        add(*shapes, 10 + i % 7);
    expectSameAsWalk(*shapes, 20);
    at(*shapes, 1)->setTag(1); // the second of the two shapes with id 4
    expectSameAsWalk(*shapes, 20);
    at(*shapes, 0)->setTag(2);
    expectSameAsWalk(*shapes, 20);
}

TEST(TagIndex, ManyChangesBetweenLookupsStillAnswerAsAWalk)
{
    // More changes than the collection can replay one by one: the index is rebuilt.
    Owned<MgShapes> shapes(MgShapesT<>::create(true));
    for (int i = 0; i < 3000; ++i)
        add(*shapes, 0);
    ASSERT_EQ(shapes->findShapeByTag(0), at(*shapes, 0));
    for (int i = 0; i < 3000; ++i)
        at(*shapes, static_cast<std::size_t>(i))->setTag(i % 50 + 1);
    expectSameAsWalk(*shapes, 51);
}

TEST(TagIndex, TaggingRegionsOneByOneFindsEachAtOnce)
{
    // The lyric document's pattern: new shapes arrive untagged and are tagged one at a time, each
    // after looking up which numbers are taken.
    Owned<MgShapes> shapes(MgShapesT<>::create(true));
    for (int row = 1; row <= 200; ++row) {
        for (int k = 1; k <= 5; ++k) {
            MgShape* sp = add(*shapes, 0);
            int free = 1;
            while (free <= 5 && shapes->findShapeByTag((row << 16) | free))
                ++free;
            ASSERT_EQ(free, k);
            sp->setTag((row << 16) | free);
        }
    }
    EXPECT_EQ(shapes->findShapeByTag((200 << 16) | 5), at(*shapes, 999));
    EXPECT_EQ(shapes->findShapeByTag(0), nullptr);
}
