// Speed of the geometry kernel's hit tests and clipping on inputs of typical size.
#include "geom/mgclip.h"
#include "geom/mgnearest.h"

#include <benchmark/benchmark.h>

#include <random>
#include <vector>

namespace {

std::vector<MgPoint> randomPoints(int n, unsigned seed, float lo, float hi)
{
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> coord(lo, hi);
    std::vector<MgPoint> pts(static_cast<size_t>(n));
    for (auto& p : pts)
        p = { coord(rng), coord(rng) };
    return pts;
}

// A random walk: neighbouring vertices are close, as in a freehand polyline.
std::vector<MgPoint> randomWalk(int n, unsigned seed)
{
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> step(-6, 6);
    std::vector<MgPoint> pts(static_cast<size_t>(n));
    MgPoint p(500, 500);
    for (auto& q : pts) {
        p += MgVector(step(rng), step(rng));
        q = p;
    }
    return pts;
}

// One query against one of 64 random cubics at coordinates of a few hundred.
void BM_NearestOnBezier(benchmark::State& state)
{
    const std::vector<MgPoint> ctl = randomPoints(4 * 64, 1, 0, 800);
    const std::vector<MgPoint> queries = randomPoints(64, 2, 0, 800);
    size_t i = 0;
    MgPoint near;
    for (auto _ : state) {
        const size_t k = i++ % 64;
        benchmark::DoNotOptimize(mgNearestOnBezier(queries[k], &ctl[4 * k], near));
        benchmark::DoNotOptimize(near);
    }
}
BENCHMARK(BM_NearestOnBezier);

// A pick (tolerance 5) on a 1,000-point polyline.
void BM_NearestOnPolyline(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    const std::vector<MgPoint> line = randomWalk(n, 3);
    const std::vector<MgPoint> queries = randomPoints(64, 4, 400, 600);
    size_t i = 0;
    MgPoint near;
    int segment;
    for (auto _ : state) {
        benchmark::DoNotOptimize(mgNearestOnPolyline(n, line.data(), false, queries[i++ % 64], 5, near, segment));
        benchmark::DoNotOptimize(segment);
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_NearestOnPolyline)->Arg(1000);

// Clipping a 1,000-point closed polygon (a random walk that leaves and re-enters) to a box.
void BM_PolygonClip(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    const std::vector<MgPoint> poly = randomWalk(n, 5);
    const MgBox box = MgBox().fromPoints(n, poly.data()).shrink(20);
    MgPolygonClipper clipper(box, state.range(1) != 0);
    for (auto _ : state) {
        benchmark::DoNotOptimize(clipper.clip(n, poly.data()));
        benchmark::DoNotOptimize(clipper.resultCount());
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_PolygonClip)->Args({ 1000, 1 })->Args({ 1000, 0 });

} // namespace
