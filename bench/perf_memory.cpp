// Peak memory of the layout view with a large picture open, as one line of JSON on stdout:
//
//   {"before_kb": ..., "peak_kb": ..., "peak_growth_kb": ..., "picture_kb": ..., "frames": N}
//
// before_kb is the resident size with the application and a 1920 x 1080 view on screen and no
// picture; peak_kb the highest resident size after opening the picture given on the command
// line and painting it (first frame, a zoom, a regenerate and a reopen); picture_kb the size of
// the decoded picture at 4 bytes a pixel. Runs on the offscreen platform unless another is set.
#include "app/ui/layoutview.h"

#include <QApplication>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

namespace {

/// A "Vm...:" figure of /proc/self/status in kB, -1 when unknown.
long statusKb(const char* key)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::size_t keyLen = std::strlen(key);
    while (std::getline(status, line)) {
        if (line.compare(0, keyLen, key) == 0)
            return std::stol(line.substr(keyLen));
    }
    return -1;
}

/// Resets the peak resident size to the current one (Linux 4.0 on); false when not possible.
bool resetPeak()
{
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
    return static_cast<bool>(clear);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s PICTURE\n", argv[0]);
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    CLayoutView view;
    view.resize(1920, 1080);
    view.show();
    view.repaint();
    QApplication::processEvents();

    if (!resetPeak())
        std::fprintf(stderr, "perf_memory: cannot reset the peak; it includes start-up\n");
    const long before = statusKb("VmRSS:");
    const QString path = QString::fromLocal8Bit(argv[1]);
    if (!view.openPicture(path, QString())) {
        std::fprintf(stderr, "perf_memory: cannot open %s\n", argv[1]);
        return 1;
    }
    view.repaint();
    view.xform().zoomByFactor(0.5f);
    view.invalidateCaches(true);
    view.repaint();
    view.proxy()->regenerate();
    view.repaint();
    // A second open of the same picture, as after its file changed on disk.
    view.openPicture(path, QString());
    view.repaint();
    QApplication::processEvents();
    const long peak = statusKb("VmHWM:");
    const long picture = static_cast<long>(view.picture().width()) * view.picture().height() * 4 / 1024;
    std::printf("{\"before_kb\": %ld, \"peak_kb\": %ld, \"peak_growth_kb\": %ld, \"picture_kb\": %ld, \"frames\": 4}\n",
        before, peak, peak - before, picture);
    return 0;
}
