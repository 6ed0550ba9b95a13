// LRC loading and saving against the cost of merely decoding the same bytes.
//
// Input: a GB18030 file of N rows, each a time tag, Chinese text and five regions, made here in
// a temporary folder. The baseline decodes the whole file with iconv into wide text and splits
// it into lines; loading must stay within 4x of it, and every operation linear in N.
#include "app/lrcdata.h"
#include "app/lrcfile.h"
#include "app/lrcformat.h"
#include "decode_baseline.h"
#include "shape/mgshapes.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <iconv.h>
#include <map>
#include <memory>

namespace {

// Path of the generated file with rows rows (made once per size).
const std::string& lrcFile(int rows)
{
    static std::map<int, std::string> files;
    std::string& path = files[rows];
    if (!path.empty())
        return path;
    std::wstring text = L"[00:00.00]基准@0|0|6000|4000\r\n";
    for (int r = 0; r < rows; ++r) {
        wchar_t line[160];
        std::swprintf(line, 160,
            L"[%02d:%02d.%02d]第%d行歌词，风吹过山岗@%d|%d|%d|%d,%d|%d|%d|%d,%d|%d|%d|%d,%d|%d|%d|%d,%d|%d|%d|%d\r\n",
            (r + 1) / 6000 % 100, (r + 1) / 100 % 60, (r + 1) % 100, r + 1, 10, r % 4000, 400, r % 4000 + 30, 410,
            r % 4000, 800, r % 4000 + 30, 810, r % 4000, 1200, r % 4000 + 30, 1210, r % 4000, 1600, r % 4000 + 30, 1610,
            r % 4000, 2000, r % 4000 + 30);
        text += line;
    }
    path = (std::filesystem::temp_directory_path() / ("lrc-bench-" + std::to_string(rows) + ".lrc")).string();
    const std::string bytes = lrcEncode(LrcEncoding::Gb18030, text);
    FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    return path;
}

void BM_DecodeAndSplitBaseline(benchmark::State& state)
{
    const std::string& path = lrcFile(static_cast<int>(state.range(0)));
    iconv_t cd = iconv_open("WCHAR_T", "GB18030");
    for (auto _ : state) {
        const std::vector<std::wstring> lines = decodeAndSplitLines(cd, path);
        benchmark::DoNotOptimize(lines.data());
    }
    iconv_close(cd);
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_LoadLrc(benchmark::State& state)
{
    const std::string& path = lrcFile(static_cast<int>(state.range(0)));
    MgShapesT<>* shapes = MgShapesT<>::create(true);
    CLrcData doc;
    const std::wstring wpath(path.begin(), path.end());
    for (auto _ : state) {
        // Releasing the previous picture's regions is not part of loading.
        state.PauseTiming();
        shapes->clear();
        state.ResumeTiming();
        float w = 100, h = 100;
        benchmark::DoNotOptimize(doc.LoadLrc(shapes, wpath, w, h));
    }
    if (shapes->shapeCount() != 5 * state.range(0))
        state.SkipWithError("wrong region count");
    shapes->release();
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

/// A document loaded from path into a collection of its own, which goes with it.
struct LoadedDoc {
    explicit LoadedDoc(const std::string& path)
    {
        float w = 100, h = 100;
        doc.LoadLrc(shapes.get(), std::wstring(path.begin(), path.end()), w, h);
    }
    struct Release {
        void operator()(MgShapes* p) const { p->release(); }
    };
    std::unique_ptr<MgShapesT<>, Release> shapes { MgShapesT<>::create(true) }; ///< outlives doc
    CLrcData doc;
};

void BM_SaveLrc(benchmark::State& state)
{
    const std::string& path = lrcFile(static_cast<int>(state.range(0)));
    const std::string copy = path + ".save";
    std::filesystem::copy_file(path, copy, std::filesystem::copy_options::overwrite_existing);
    const LoadedDoc loaded(copy);
    for (auto _ : state) {
        if (!loaded.doc.SaveLrc())
            state.SkipWithError("save failed");
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_FormatFile(benchmark::State& state)
{
    const std::string& path = lrcFile(static_cast<int>(state.range(0)));
    const LoadedDoc loaded(path);
    for (auto _ : state)
        benchmark::DoNotOptimize(loaded.doc.formatFile().size());
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_RegionTable(benchmark::State& state)
{
    const std::string& path = lrcFile(static_cast<int>(state.range(0)));
    const LoadedDoc loaded(path);
    for (auto _ : state)
        benchmark::DoNotOptimize(loaded.doc.regionTable().find(1, 0));
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

} // namespace

BENCHMARK(BM_DecodeAndSplitBaseline)->Arg(1024)->Arg(8192)->Arg(65535)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadLrc)->Arg(1024)->Arg(8192)->Arg(65535)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveLrc)->Arg(1024)->Arg(8192)->Arg(65535)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FormatFile)->Arg(1024)->Arg(8192)->Arg(65535)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RegionTable)->Arg(1024)->Arg(8192)->Arg(65535)->Unit(benchmark::kMillisecond);
