// The speed goals of the tool, each measured beside the baseline it is judged against.
//
// Inputs come from perf_inputs, in the folder named by the environment variable
// LINDQUA_BENCH_INPUTS (tools/bench-report makes them); without it every benchmark is skipped
// with an error. Benchmarks come in pairs, "<Name>/Baseline..." and "<Name>/...", so that a
// report can divide medians taken in the same run (tools/bench-report interleaves repetitions).
//
//   Open          QImageReader decoding photo.jpg  |  the layout view opening it (with its LRC of
//                 50 x 5 regions) and painting the first 1920 x 1080 frame
//   DragFrame     one 1920 x 1080 image drawn onto another  |  one frame of a rectangle being
//                 dragged over the cached picture and its regions
//   Regenerate/N  the fitted picture + N translucent fillRects with opaque 1-px edges, raw
//                 QPainter  |  the view redrawing N regions over its cached picture
//   Lrc*/N        iconv decoding + line splitting  |  LoadLrc, SaveLrc, filling the row tree,
//                 TagNewRegion for every region of N rows x 5
//   Pick/N        hitTest among N regions, as a click of the select command picks
//
// The CPU time of the whole process is measured: Qt hands large fills and scaled pictures to its
// thread pool, whose work the calling thread alone would not show, and on a machine shared with
// other work the wall clock counts their time too.
#include "app/lrcdata.h"
#include "app/lrcfile.h"
#include "app/ui/layoutview.h"
#include "app/ui/lrcrowview.h"
#include "cmd/mgcmdmgr.h"
#include "decode_baseline.h"
#include "shape/mgrect.h"
#include "shape/mgshapes.h"

#include <QApplication>
#include <QImage>
#include <QImageReader>
#include <QMouseEvent>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <iconv.h>
#include <memory>
#include <string>

namespace {

constexpr int kWindowW = 1920;
constexpr int kWindowH = 1080;

/// The fastest repetition: the scaling table compares these, since other work on the machine
/// (page faults left by the benchmark before, neighbours on the host) can only slow a run down.
double fastest(const std::vector<double>& v) { return v.empty() ? 0.0 : *std::min_element(v.begin(), v.end()); }

/// The folder of the generated inputs, empty when not given.
std::string inputDir()
{
    const char* dir = std::getenv("LINDQUA_BENCH_INPUTS");
    return dir ? std::string(dir) : std::string();
}

std::string input(const std::string& name) { return inputDir() + "/" + name; }

bool haveInputs(benchmark::State& state)
{
    if (inputDir().empty() || !std::filesystem::exists(input("photo.jpg"))) {
        state.SkipWithError("no inputs: set LINDQUA_BENCH_INPUTS to a folder made by perf_inputs");
        return false;
    }
    return true;
}

/// The application object every widget needs; made on first use, offscreen unless a platform
/// was chosen. Never destroyed: at exit Qt's own globals may already be gone.
void ensureApp()
{
    static QApplication* app = [] {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "perf_bench";
        static char* argv[] = { name, nullptr };
        return new QApplication(argc, argv);
    }();
    (void)app;
}

/// One layout view of 1920 x 1080 shown on screen, shared by the window benchmarks (each holds
/// a decoded picture of 96 MB, so there is only one).
CLayoutView& window()
{
    ensureApp();
    // Never destroyed, like the application object it needs.
    static CLayoutView* view = [] {
        auto* v = new CLayoutView();
        v->resize(kWindowW, kWindowH);
        v->show();
        QApplication::processEvents();
        return v;
    }();
    return *view;
}

MgPointerEvent* pointer(CLayoutView& view) { return &view.proxy()->pointerEvent(); }

/// Opens photo.jpg with lrcName and paints once, so both cached images exist.
bool openPhoto(CLayoutView& view, const std::string& lrcName)
{
    commandManager().setCommand(pointer(view), "select");
    if (!view.openPicture(QString::fromStdString(input("photo.jpg")), QString::fromStdString(input(lrcName))))
        return false;
    view.repaint();
    return true;
}

/// Replaces the view's regions by n rectangles with the collection's default context, laid out
/// like lyric regions on the 6000 x 4000 picture (five per line, lines 32 pixels apart).
void fillRegions(CLayoutView& view, int n)
{
    MgShapes* shapes = view.shapes();
    shapes->clear();
    MgShapeT<MgRect>* sp = MgShapeT<MgRect>::create();
    if (shapes->context())
        sp->context() = *shapes->context();
    for (int i = 0; i < n; ++i) {
        const int line = (i / 5) % 120, k = i % 5;
        const float x = 60.f + static_cast<float>(k * 1180 + (i / 600) % 7 * 10);
        const float y = 40.f + static_cast<float>(line * 32 + (i / 600) % 5 * 2);
        sp->m_shape.setRect(MgBox(x, y, x + 1100, y + 28), 0);
        sp->setTag(CLrcData::regionTag(i / 5 + 1, k + 1));
        shapes->addShapeCopy(*sp);
    }
    sp->release();
    shapes->noteChange();
}

/// The window with photo.jpg and its 50 x 5 regions open, or null (the benchmark then skips
/// with the reason).
CLayoutView* photoWindow(benchmark::State& state)
{
    if (!haveInputs(state))
        return nullptr;
    CLayoutView& view = window();
    if (!openPhoto(view, "photo.lrc")) {
        state.SkipWithError("the view could not open photo.jpg");
        return nullptr;
    }
    return &view;
}

void sendMouse(QWidget& w, QEvent::Type type, QPointF pos, Qt::MouseButton button, Qt::MouseButtons buttons)
{
    QMouseEvent e(type, pos, w.mapToGlobal(pos), button, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(&w, &e);
}

// ---- Open to the first painted frame ---------------------------------------------------------

void BM_Open_BaselineDecode(benchmark::State& state)
{
    if (!haveInputs(state))
        return;
    ensureApp();
    const QString path = QString::fromStdString(input("photo.jpg"));
    for (auto _ : state) {
        QImageReader reader(path);
        QImage image = reader.read();
        if (image.isNull())
            state.SkipWithError("photo.jpg does not decode");
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_Open_BaselineDecode)->Name("Open/BaselineDecode")->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

void BM_Open_FirstFrame(benchmark::State& state)
{
    if (!haveInputs(state))
        return;
    CLayoutView& view = window();
    const QString pic = QString::fromStdString(input("photo.jpg"));
    for (auto _ : state) {
        if (!view.openPicture(pic, QString()))
            state.SkipWithError("the view could not open photo.jpg");
        view.repaint();
    }
    if (view.shapes()->shapeCount() != 250)
        state.SkipWithError("photo.lrc did not give 250 regions");
}
BENCHMARK(BM_Open_FirstFrame)->Name("Open/FirstFrame")->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

// ---- One frame of drag feedback --------------------------------------------------------------

void BM_DragFrame_BaselineBlit(benchmark::State& state)
{
    ensureApp();
    QImage src(kWindowW, kWindowH, QImage::Format_ARGB32_Premultiplied);
    QImage dst(kWindowW, kWindowH, QImage::Format_ARGB32_Premultiplied);
    src.fill(QColor(120, 130, 140));
    dst.fill(Qt::white);
    for (auto _ : state) {
        QPainter p(&dst);
        p.drawImage(0, 0, src);
        p.end();
        benchmark::DoNotOptimize(dst.constBits());
    }
}
BENCHMARK(BM_DragFrame_BaselineBlit)
    ->Name("DragFrame/BaselineBlit")
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime();

void BM_DragFrame(benchmark::State& state)
{
    CLayoutView* shown = photoWindow(state);
    if (!shown)
        return;
    CLayoutView& view = *shown;
    commandManager().setCommand(pointer(view), "rect");
    const QPointF start(700, 400);
    sendMouse(view, QEvent::MouseButtonPress, start, Qt::LeftButton, Qt::LeftButton);
    sendMouse(view, QEvent::MouseMove, start + QPointF(20, 20), Qt::NoButton, Qt::LeftButton);
    view.repaint();
    int i = 0;
    for (auto _ : state) {
        ++i;
        const QPointF at = start + QPointF(40 + i % 300, 30 + i % 200);
        sendMouse(view, QEvent::MouseMove, at, Qt::NoButton, Qt::LeftButton);
        view.repaint();
    }
    // Cancel rather than add the rectangle: the next benchmark starts from a clean document.
    sendMouse(view, QEvent::MouseButtonRelease, start, Qt::RightButton, Qt::LeftButton);
    sendMouse(view, QEvent::MouseButtonRelease, start, Qt::LeftButton, Qt::NoButton);
    commandManager().setCommand(pointer(view), "select");
}
BENCHMARK(BM_DragFrame)->Name("DragFrame/Window")->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

// ---- Regenerate with the picture cached ------------------------------------------------------

void BM_Regenerate_BaselineQPainter(benchmark::State& state)
{
    CLayoutView* shown = photoWindow(state);
    if (!shown)
        return;
    CLayoutView& view = *shown;
    const int n = static_cast<int>(state.range(0));
    // The picture as fitted into the window, and the regions' display rectangles as the view
    // places them.
    const QImage fitted
        = view.picture().image().scaled(kWindowW - 15, kWindowH - 15, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    fillRegions(view, n);
    std::vector<QRect> rects;
    MgShapes::Iterator it = nullptr;
    for (MgShape* sp = view.shapes()->firstShape(it); sp; sp = view.shapes()->nextShape(it)) {
        const MgBox b = sp->shape().extent() * view.xform().modelToDisplay();
        rects.emplace_back(QPointF(b.xmin, b.ymin).toPoint(), QPointF(b.xmax, b.ymax).toPoint());
    }
    view.shapes()->freeIterator(it);
    QImage dst(kWindowW, kWindowH, QImage::Format_ARGB32_Premultiplied);
    const QColor fill(0, 128, 255, 48);
    const QColor edge(0, 255, 255);
    for (auto _ : state) {
        QPainter p(&dst);
        p.drawImage(QPoint(5, 5), fitted);
        for (const QRect& r : rects) {
            p.fillRect(r, fill);
            p.fillRect(QRect(r.left(), r.top(), r.width(), 1), edge);
            p.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), edge);
            p.fillRect(QRect(r.left(), r.top() + 1, 1, r.height() - 2), edge);
            p.fillRect(QRect(r.right(), r.top() + 1, 1, r.height() - 2), edge);
        }
        p.end();
        benchmark::DoNotOptimize(dst.constBits());
    }
}
BENCHMARK(BM_Regenerate_BaselineQPainter)
    ->Name("Regenerate/BaselineQPainter")
    ->Arg(100)
    ->Arg(1000)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime();

void BM_Regenerate(benchmark::State& state)
{
    CLayoutView* shown = photoWindow(state);
    if (!shown)
        return;
    CLayoutView& view = *shown;
    fillRegions(view, static_cast<int>(state.range(0)));
    view.repaint();
    for (auto _ : state) {
        view.proxy()->regenerate();
        view.repaint();
    }
}
BENCHMARK(BM_Regenerate)
    ->Name("Regenerate/Window")
    ->Arg(100)
    ->Arg(1000)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->ComputeStatistics("min", fastest);

// ---- LRC files of many rows ------------------------------------------------------------------

std::wstring wideInput(const std::string& name)
{
    const std::string path = input(name);
    return std::wstring(path.begin(), path.end());
}

std::string rowsFile(const benchmark::State& state, const char* prefix)
{
    return std::string(prefix) + std::to_string(state.range(0)) + ".lrc";
}

struct ShapesDeleter {
    void operator()(MgShapes* p) const { p->release(); }
};
using ShapesPtr = std::unique_ptr<MgShapes, ShapesDeleter>;

/// A collection with the view's default region context.
ShapesPtr regionCollection()
{
    ShapesPtr shapes(MgShapesT<>::create(true));
    *shapes->context() = GiContext(kGiLineSolid, 0, GiRgba(0, 255, 255, 64), GiRgba(0, 128, 255, 48));
    return shapes;
}

void BM_Lrc_BaselineDecodeSplit(benchmark::State& state)
{
    if (!haveInputs(state))
        return;
    const std::string path = input(rowsFile(state, "rows-"));
    iconv_t cd = iconv_open("WCHAR_T", "GB18030");
    for (auto _ : state) {
        const std::vector<std::wstring> lines = decodeAndSplitLines(cd, path);
        benchmark::DoNotOptimize(lines.data());
    }
    iconv_close(cd);
}

void BM_Lrc_Load(benchmark::State& state)
{
    if (!haveInputs(state))
        return;
    const std::wstring path = wideInput(rowsFile(state, "rows-"));
    for (auto _ : state) {
        // A fresh collection each time: releasing the previous document's regions belongs to
        // closing it, not to loading this one.
        state.PauseTiming();
        auto shapes = std::make_unique<ShapesPtr>(regionCollection());
        auto doc = std::make_unique<CLrcData>();
        state.ResumeTiming();
        float w = 6000, h = 4000;
        if (!doc->LoadLrc(shapes->get(), path, w, h) || (*shapes)->shapeCount() != 5 * state.range(0))
            state.SkipWithError("LoadLrc failed");
        state.PauseTiming();
        shapes.reset();
        doc.reset();
        state.ResumeTiming();
    }
}

void BM_Lrc_Save(benchmark::State& state)
{
    if (!haveInputs(state))
        return;
    const std::string copy = input(rowsFile(state, "save-"));
    std::filesystem::copy_file(
        input(rowsFile(state, "rows-")), copy, std::filesystem::copy_options::overwrite_existing);
    const ShapesPtr shapes = regionCollection();
    CLrcData doc;
    float w = 6000, h = 4000;
    doc.LoadLrc(shapes.get(), std::wstring(copy.begin(), copy.end()), w, h);
    for (auto _ : state) {
        if (doc.SaveLrc().status != LrcSaveResult::Written)
            state.SkipWithError("SaveLrc failed");
    }
    std::filesystem::remove(copy);
}

void BM_Lrc_FillTree(benchmark::State& state)
{
    if (!haveInputs(state))
        return;
    ensureApp();
    const ShapesPtr shapes = regionCollection();
    CLrcData doc;
    float w = 6000, h = 4000;
    doc.LoadLrc(shapes.get(), wideInput(rowsFile(state, "rows-")), w, h);
    CLrcRowView tree;
    tree.resize(250, kWindowH);
    tree.show();
    QApplication::processEvents();
    for (auto _ : state) {
        tree.Fill(&doc, nullptr);
        tree.repaint(); // the first frame of the filled tree
    }
    if (tree.topLevelItemCount() != state.range(0))
        state.SkipWithError("the tree lists the wrong number of rows");
}

void BM_Lrc_TagNewRegion(benchmark::State& state)
{
    if (!haveInputs(state))
        return;
    const int rows = static_cast<int>(state.range(0));
    const ShapesPtr shapes = regionCollection();
    CLrcData doc;
    float w = 6000, h = 4000;
    doc.LoadLrc(shapes.get(), wideInput(rowsFile(state, "bare-")), w, h);
    MgShapeT<MgRect>* sp = MgShapeT<MgRect>::create();
    sp->context() = *shapes->context();
    sp->m_shape.setRect(MgBox(100, 100, 400, 130), 0);
    std::vector<MgShape*> added;
    for (auto _ : state) {
        // Five regions per row drawn untagged, then tagged as the view tags each new one.
        state.PauseTiming();
        shapes->clear();
        added.clear();
        for (int i = 0; i < rows * CLrcData::kMaxRegions; ++i)
            added.push_back(shapes->addShapeCopy(*sp));
        state.ResumeTiming();
        for (int i = 0; i < rows * CLrcData::kMaxRegions; ++i) {
            doc.setCurrentRow(i / CLrcData::kMaxRegions + 1);
            doc.TagNewRegion(added[static_cast<std::size_t>(i)]);
        }
    }
    sp->release();
    if (doc.FindRegion(rows, 4) != added.back())
        state.SkipWithError("the last region was not tagged as number 5 of the last row");
}

#define LRC_SIZES                                                                                                      \
    ->Arg(1024)                                                                                                        \
        ->Arg(8192)                                                                                                    \
        ->Arg(65535)                                                                                                   \
        ->Unit(benchmark::kMillisecond)                                                                                \
        ->MeasureProcessCPUTime()                                                                                      \
        ->ComputeStatistics("min", fastest)
BENCHMARK(BM_Lrc_BaselineDecodeSplit)->Name("Lrc/BaselineDecodeSplit") LRC_SIZES;
BENCHMARK(BM_Lrc_Load)->Name("Lrc/Load") LRC_SIZES;
BENCHMARK(BM_Lrc_Save)->Name("Lrc/Save") LRC_SIZES;
BENCHMARK(BM_Lrc_FillTree)->Name("Lrc/FillTree") LRC_SIZES;
BENCHMARK(BM_Lrc_TagNewRegion)->Name("Lrc/TagNewRegion") LRC_SIZES;
#undef LRC_SIZES

// ---- Picking -----------------------------------------------------------------------------------

void BM_Pick(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    const ShapesPtr shapes = regionCollection();
    MgShapeT<MgRect>* sp = MgShapeT<MgRect>::create();
    sp->context() = *shapes->context();
    for (int i = 0; i < n; ++i) {
        const float x = 60.f + static_cast<float>((i % 5) * 1180), y = 40.f + static_cast<float>((i / 5) % 120 * 32);
        sp->m_shape.setRect(MgBox(x, y, x + 1100, y + 28), 0);
        shapes->addShapeCopy(*sp);
    }
    sp->release();
    // A click in the middle of the sheet with the select command's 5-pixel tolerance at the
    // fitted scale (about 15 picture pixels).
    const MgPoint at(3000, 2000);
    const MgBox limits(at.x - 15, at.y - 15, at.x + 15, at.y + 15);
    MgPoint nearPt;
    int segment = -1;
    for (auto _ : state)
        benchmark::DoNotOptimize(shapes->hitTest(limits, nearPt, segment));
}
BENCHMARK(BM_Pick)->Name("Pick")->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);

} // namespace
