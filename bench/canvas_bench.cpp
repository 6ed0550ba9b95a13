// GiCanvasGdip on a 1920 x 1080 window-sized image: a full buffered paint of a 6000 x 4000
// picture fitted into the window, a paint that only shows cached image 0, and 1,000
// translucent rectangles as the layout view draws regions.
//
// Real time is measured: QPainter hands large fills and scaled pictures to Qt's thread pool,
// whose work the calling thread's CPU time would not show. The counter process_cpu_ms gives
// the CPU time of all threads per iteration, which a busy machine does not inflate.
#include "graph/gigraphics.h"
#include "graph/giviewtransform.h"
#include "graph/qt/gicanvasgdip.h"
#include "graph/qt/gigdipimage.h"

#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <ctime>
#include <memory>

namespace {

constexpr int kWindowW = 1920;
constexpr int kWindowH = 1080;

double processCpuMs()
{
    timespec t {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

// Adds process_cpu_ms (all threads, per iteration) to a benchmark for the scope's lifetime.
class ProcessCpu {
public:
    explicit ProcessCpu(benchmark::State& state)
        : m_state(state)
        , m_start(processCpuMs())
    {
    }
    ~ProcessCpu()
    {
        m_state.counters["process_cpu_ms"]
            = benchmark::Counter(processCpuMs() - m_start, benchmark::Counter::kAvgIterations);
    }
    ProcessCpu(const ProcessCpu&) = delete;
    ProcessCpu& operator=(const ProcessCpu&) = delete;

private:
    benchmark::State& m_state;
    double m_start;
};

// A photograph-sized picture with content everywhere (a gradient and stripes), made once.
const GiGdipImage& picture()
{
    static const std::unique_ptr<GiGdipImage> pic = [] {
        QTemporaryDir dir;
        QImage img(6000, 4000, QImage::Format_RGB32);
        for (int y = 0; y < img.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
            for (int x = 0; x < img.width(); ++x)
                line[x] = qRgb(x * 255 / 6000, y * 255 / 4000, ((x / 16 + y / 16) & 1) ? 200 : 40);
        }
        const QString path = dir.filePath("photo.png");
        QImageWriter writer(path, "png");
        writer.setCompression(1);
        writer.write(img);
        return std::make_unique<GiGdipImage>(path);
    }();
    return *pic;
}

struct Window {
    Window()
        : device(kWindowW, kWindowH, QImage::Format_ARGB32_Premultiplied)
        , gs(&xf)
        , canvas(&gs)
    {
        device.fill(Qt::gray);
        // A screen's 96 dpi (an image made without a GUI application says 100).
        device.setDotsPerMeterX(3780);
        device.setDotsPerMeterY(3780);
        xf.setClientSize(kWindowW, kWindowH);
    }

    // The picture's box in world coordinates (y up), fitted into the window.
    MgBox fitPicture(const GiGdipImage& pic)
    {
        const MgBox box(0, 0, pic.width() * 0.1f, pic.height() * 0.1f);
        xf.zoomToBox(box);
        return box;
    }

    QImage device;
    GiViewTransform xf;
    GiGraphics gs;
    GiCanvasGdip canvas;
};

void fullPaint(benchmark::State& state, bool fast)
{
    const GiGdipImage& pic = picture();
    if (pic.isEmpty()) {
        state.SkipWithError("picture could not be made");
        return;
    }
    Window w;
    const MgBox box = w.fitPicture(pic);
    const ProcessCpu cpu(state);
    for (auto _ : state) {
        w.canvas.openPaint(&w.device);
        w.canvas.fillBackground();
        benchmark::DoNotOptimize(pic.draw(&w.canvas, box, fast));
        w.canvas.saveCachedImage(true);
        w.canvas.saveCachedImage(false);
        w.canvas.closePaint(true);
    }
}

void BM_FullPaintFittedPicture(benchmark::State& state) { fullPaint(state, false); }
BENCHMARK(BM_FullPaintFittedPicture)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_FullPaintFittedPictureFast(benchmark::State& state) { fullPaint(state, true); }
BENCHMARK(BM_FullPaintFittedPictureFast)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PaintFromCachedImage(benchmark::State& state)
{
    const GiGdipImage& pic = picture();
    Window w;
    const MgBox box = w.fitPicture(pic);
    w.canvas.openPaint(&w.device);
    w.canvas.fillBackground();
    pic.draw(&w.canvas, box, false);
    w.canvas.saveCachedImage(false);
    w.canvas.closePaint(true);
    const ProcessCpu cpu(state);
    for (auto _ : state) {
        w.canvas.openPaint(&w.device);
        benchmark::DoNotOptimize(w.canvas.drawCachedImage(0, 0, false));
        w.canvas.closePaint(true);
    }
}
BENCHMARK(BM_PaintFromCachedImage)->Unit(benchmark::kMillisecond)->UseRealTime();

// 1,000 rectangles of 180 x 90 with translucent outlines of 1 pixel (first argument 1) or 2
// pixels (2); with a translucent fill (second argument 1) or without (0).
void BM_ThousandTranslucentRects(benchmark::State& state)
{
    Window w;
    const GiRgba fill = state.range(1) ? GiRgba(0, 0, 255, 40) : GiRgba::none();
    const GiContext ctx(kGiLineSolid, -float(state.range(0)), GiRgba(255, 0, 0, 160), fill);
    w.canvas.openPaint(&w.device);
    {
        const ProcessCpu cpu(state);
        for (auto _ : state) {
            for (int i = 0; i < 1000; ++i) {
                const float x = float((i * 37) % (kWindowW - 200));
                const float y = float((i * 53) % (kWindowH - 100));
                w.canvas.paintRect(&ctx, x, y, 180, 90);
            }
        }
    }
    w.canvas.closePaint(true);
}
BENCHMARK(BM_ThousandTranslucentRects)
    ->Args({ 1, 0 })
    ->Args({ 2, 0 })
    ->Args({ 1, 1 })
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace
