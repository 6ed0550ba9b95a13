// Lindqua: marks, on a picture of a lyric sheet, the regions that belong to each lyric row.
//
//   lindqua [-pic PICTURE [-lrc LRC]]
//   lindqua -pic PICTURE [-lrc LRC] -render OUT.png [-size WxH]
//
// The second form draws what the window would show into a PNG and exits, without a display.
#include "app/ui/tavrinapp.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    const CCommandLine line = CCommandLine::parse(args);
    // Rendering needs no display: choose the off-screen platform unless the caller chose one.
    if (line.render && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");

    CTavrinApp app(argc, argv);
    if (line.render)
        return renderHeadless(line.pic, line.lrc, line.renderPath, line.size);
    if (!app.InitInstance())
        return 1;
    return app.exec();
}
