// drawPolyline of 100,000 points through a canvas that draws nothing: the cost of culling,
// conversion, clipping and thinning per point. A call uses the first 8192 points, so the
// per-item rate counts those.
#include "graph/gigraphics.h"
#include "graph/giviewtransform.h"
#include "null_canvas.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

namespace {

/// A 1000 x 800 pixel view at 96 dpi with a picture-like model transform (model y down).
struct View {
    View()
    {
        xf.setClientSize(1000, 800);
        const float s = 25.4f / 96;
        xf.setModelTransform(MgMatrix(s, 0, 0, -s, -500 * s, 400 * s));
        gs.startPaint(MgBox(0, 0, 1000, 800));
    }
    ~View() { gs.finishPaint(); }

    GiViewTransform xf { true };
    GiGraphics gs { &xf };
    NullCanvas canvas { &gs };
};

constexpr int kInputPoints = 100000;

void run(benchmark::State& state, const std::vector<MgPoint>& pts)
{
    View v;
    const GiContext ctx;
    for (auto _ : state)
        benchmark::DoNotOptimize(v.gs.drawPolyline(&ctx, kInputPoints, pts.data()));
    state.SetItemsProcessed(state.iterations() * GiGraphics::kMaxPoints);
    state.counters["sent/call"] = static_cast<double>(v.canvas.points) / static_cast<double>(state.iterations());
}

/// Wholly inside the client area: the fast path (convert and thin, no clipping).
void BM_DrawPolylineInside(benchmark::State& state)
{
    std::vector<MgPoint> pts(kInputPoints);
    for (int i = 0; i < kInputPoints; ++i)
        pts[i] = MgPoint(10 + 0.1f * static_cast<float>(i % 9000), 400 + 300 * std::sin(0.05f * static_cast<float>(i)));
    run(state, pts);
}
BENCHMARK(BM_DrawPolylineInside);

/// Swinging in and out of the paint area: every segment is clipped and runs are formed.
void BM_DrawPolylineCrossing(benchmark::State& state)
{
    std::vector<MgPoint> pts(kInputPoints);
    for (int i = 0; i < kInputPoints; ++i)
        pts[i] = MgPoint(0.12f * static_cast<float>(i), 400 + 700 * std::sin(0.02f * static_cast<float>(i)));
    run(state, pts);
}
BENCHMARK(BM_DrawPolylineCrossing);

/// Dense points a fraction of a pixel apart crossing the paint area: thinning drops most of them.
void BM_DrawPolylineDense(benchmark::State& state)
{
    std::vector<MgPoint> pts(kInputPoints);
    for (int i = 0; i < kInputPoints; ++i)
        pts[i] = MgPoint(-200 + 0.2f * static_cast<float>(i), 400 + 0.1f * static_cast<float>(i % 50));
    run(state, pts);
}
BENCHMARK(BM_DrawPolylineDense);

} // namespace
