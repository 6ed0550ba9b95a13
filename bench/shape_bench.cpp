// The shape collection at document sizes: picking among 1,000 and 10,000 rectangles, drawing
// 10,000 rectangles through a canvas that draws nothing, and filling a collection by
// addShapeCopy (which must not walk the collection for every free id), and the two lookups.
#include "graph/gigraphics.h"
#include "graph/giviewtransform.h"
#include "null_canvas.h"
#include "shape/mgrect.h"
#include "shape/mgshapes.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

struct ShapesDeleter {
    void operator()(MgShapes* p) const { p->release(); }
};
using ShapesPtr = std::unique_ptr<MgShapes, ShapesDeleter>;

/// n rectangles of 8 x 6 model units on a grid of 100 columns with 10 x 8 cells, like regions
/// on a 1000-pixel-wide picture; every fourth one filled when withFill.
ShapesPtr makeGrid(int n, bool withFill = false)
{
    ShapesPtr shapes(MgShapesT<>::create(true));
    MgShapeT<MgRect>* sp = MgShapeT<MgRect>::create();
    for (int i = 0; i < n; ++i) {
        const float x = static_cast<float>(i % 100) * 10, y = static_cast<float>(i / 100) * 8;
        sp->m_shape.setRect(MgBox(x, y, x + 8, y + 6), 0);
        sp->m_context.setFillColor(withFill && i % 4 == 0 ? GiRgba(255, 255, 0, 128) : GiRgba::none());
        shapes->addShapeCopy(*sp);
    }
    sp->release();
    return shapes;
}

void BM_HitTest(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    const ShapesPtr shapes = makeGrid(n, true);
    // A pointer near the outline of a rectangle in the middle of the grid, 4-unit limits.
    const float cx = 500.5f, cy = static_cast<float>(n / 200) * 8 + 3;
    const MgBox limits(cx - 2, cy - 2, cx + 2, cy + 2);
    MgPoint nearPt;
    int segment = -1;
    for (auto _ : state) {
        benchmark::DoNotOptimize(shapes->hitTest(limits, nearPt, segment));
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_HitTest)->Arg(1000)->Arg(10000);

void BM_Draw(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    const ShapesPtr shapes = makeGrid(n);
    // 1000 x 800 pixels at 96 dpi showing the model (picture pixels, y down) one to one.
    GiViewTransform xf(true);
    xf.setClientSize(1000, 800);
    const float s = 25.4f / 96;
    xf.setModelTransform(MgMatrix(s, 0, 0, -s, -500 * s, 400 * s));
    GiGraphics gs(&xf);
    NullCanvas canvas(&gs);
    gs.startPaint(MgBox(0, 0, 1000, 800));
    int drawn = 0;
    for (auto _ : state) {
        drawn = shapes->draw(gs, nullptr);
        benchmark::DoNotOptimize(drawn);
    }
    gs.finishPaint();
    state.counters["drawn"] = drawn;
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_Draw)->Arg(10000)->Unit(benchmark::kMicrosecond);

void BM_AddShapeCopy(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    for (auto _ : state) {
        benchmark::DoNotOptimize(makeGrid(n));
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_AddShapeCopy)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_FindShapeByTag(benchmark::State& state)
{
    // The tag of the last shape, with no tag changed between lookups (saving, listing rows).
    const int n = static_cast<int>(state.range(0));
    const ShapesPtr shapes = makeGrid(n);
    shapes->lastShape()->setTag(42);
    for (auto _ : state) {
        benchmark::DoNotOptimize(shapes->findShapeByTag(42));
    }
}
BENCHMARK(BM_FindShapeByTag)->Arg(10000);

void BM_FindShapeByTagAfterRetag(benchmark::State& state)
{
    // A tag changed before every lookup (tagging each new region): the lookup pays a rebuild.
    const int n = static_cast<int>(state.range(0));
    const ShapesPtr shapes = makeGrid(n);
    int tag = 0;
    for (auto _ : state) {
        shapes->lastShape()->setTag(++tag);
        benchmark::DoNotOptimize(shapes->findShapeByTag(tag));
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_FindShapeByTagAfterRetag)->Arg(10000);

void BM_FindShape(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    const ShapesPtr shapes = makeGrid(n);
    for (auto _ : state) {
        benchmark::DoNotOptimize(shapes->findShape(n));
    }
}
BENCHMARK(BM_FindShape)->Arg(10000);

} // namespace
