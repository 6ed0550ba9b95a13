#include "app/ui/tavrinapp.h"

#include "app/ui/layoutview.h"
#include "app/ui/mainframe.h"
#include "app/ui/usermessage.h"

#include <QApplication>
#include <QImage>
#include <QImageWriter>
#include <QLibraryInfo>
#include <QLocale>
#include <QRegularExpression>
#include <QSettings>
#include <QTranslator>

#include <cstdio>

namespace {

const QStringList& knownOptions()
{
    static const QStringList names { QStringLiteral("pic"), QStringLiteral("lrc"), QStringLiteral("render"),
        QStringLiteral("size") };
    return names;
}

/// The option name of arg and, when attached, its value; false when arg is no option.
bool splitOption(const QString& arg, QString& name, QString& value, bool& attached)
{
    if (arg.size() < 2)
        return false;
    const QChar lead = arg.front();
    if (lead != QLatin1Char('-') && lead != QLatin1Char('/'))
        return false;
    const QString body = arg.mid(1);
    const qsizetype sep = body.indexOf(QRegularExpression(QStringLiteral("[:=]")));
    name = sep < 0 ? body : body.left(sep);
    attached = sep >= 0;
    value = attached ? body.mid(sep + 1) : QString();
    // "/" also starts every absolute path: only a known option name makes it an option.
    if (lead == QLatin1Char('/') && !knownOptions().contains(name))
        return false;
    return true;
}

} // namespace

CCommandLine CCommandLine::parse(const QStringList& arguments)
{
    CCommandLine out;
    bool hasPic = false;
    QString lrc;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        QString name;
        QString value;
        bool attached = false;
        if (!splitOption(arguments[i], name, value, attached))
            continue;
        if (!attached && i + 1 < arguments.size()) {
            QString nextName;
            QString nextValue;
            bool nextAttached = false;
            const QString& next = arguments[i + 1];
            // A following option (anything starting with "-") leaves this one empty.
            if (!next.startsWith(QLatin1Char('-')) && !splitOption(next, nextName, nextValue, nextAttached)) {
                value = next;
                ++i;
            }
        }
        if (name == QLatin1String("pic")) {
            out.pic = value;
            hasPic = true;
        } else if (name == QLatin1String("lrc")) {
            lrc = value;
        } else if (name == QLatin1String("render")) {
            out.render = true;
            out.renderPath = value;
        } else if (name == QLatin1String("size")) {
            out.size = value;
        }
    }
    if (hasPic)
        out.lrc = lrc;
    return out;
}

int renderHeadless(const QString& picPath, const QString& lrcPath, const QString& outPath, const QString& size)
{
    bool failed = false;
    setUserMessageSink([](const QString& text) {
        const QByteArray bytes = text.toLocal8Bit();
        std::fprintf(stderr, "%s\n", bytes.constData());
    });
    installLrcMessageHook(nullptr);

    int width = 0;
    int height = 0;
    if (!size.isEmpty()) {
        const QRegularExpressionMatch m = QRegularExpression(QStringLiteral("^(\\d{1,5})[xX](\\d{1,5})$")).match(size);
        width = m.hasMatch() ? m.captured(1).toInt() : 0;
        height = m.hasMatch() ? m.captured(2).toInt() : 0;
        if (width < 2 || height < 2) {
            std::fprintf(stderr, "-size: expected WxH (at least 2x2), got \"%s\"\n", size.toLocal8Bit().constData());
            return 2;
        }
    }
    if (outPath.isEmpty()) {
        std::fprintf(stderr, "-render: no output file given\n");
        return 2;
    }

    int code = 0;
    {
        CLayoutView view;
        // Opened at the size it will be drawn at, so the fit is the window's.
        if (width > 0)
            view.setClientSize(width, height);
        if (!view.openPicture(picPath, lrcPath)) {
            failed = true;
        } else {
            if (width == 0) {
                width = view.picture().width();
                height = view.picture().height();
                view.setClientSize(std::max(width, 2), std::max(height, 2));
            }
            QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
            image.fill(Qt::white);
            if (!view.renderTo(&image)) {
                std::fprintf(stderr, "-render: drawing failed\n");
                code = 1;
            } else {
                QImageWriter writer(outPath, "png");
                if (!writer.write(image.convertToFormat(QImage::Format_RGB32))) {
                    std::fprintf(stderr, "%s: %s\n", outPath.toLocal8Bit().constData(),
                        writer.errorString().toLocal8Bit().constData());
                    code = 1;
                }
            }
        }
    }
    setUserMessageSink({});
    return failed ? 1 : code;
}

CTavrinApp::CTavrinApp(int& argc, char** argv)
{
    if (!QApplication::instance())
        m_ownedApp = std::make_unique<QApplication>(argc, argv);
    QStringList args = QCoreApplication::arguments();
    if (!args.isEmpty())
        args.removeFirst();
    m_cmdLine = CCommandLine::parse(args);
}

CTavrinApp::CTavrinApp(const QStringList& arguments)
    : m_cmdLine(CCommandLine::parse(arguments))
{
}

CTavrinApp::~CTavrinApp()
{
    m_frame.reset();
    if (m_qtTexts)
        QCoreApplication::removeTranslator(m_qtTexts.get());
    m_qtTexts.reset();
    m_ownedApp.reset();
}

bool CTavrinApp::InitInstance()
{
    QCoreApplication::setOrganizationName(QString::fromLatin1(kOrganization));
    QCoreApplication::setApplicationName(QString::fromLatin1(kApplication));

    // The tool speaks Chinese whatever the desktop's language: the framework's own texts (the
    // buttons of the save prompt and the message boxes, the file dialog) follow suit instead of
    // mixing English buttons into Chinese questions. Without the translation files they stay as
    // they are.
    if (!m_qtTexts) {
        auto texts = std::make_unique<QTranslator>();
        if (texts->load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"), QStringLiteral("_"),
                QLibraryInfo::path(QLibraryInfo::TranslationsPath))
            && QCoreApplication::installTranslator(texts.get()))
            m_qtTexts = std::move(texts);
    }

    m_frame = std::make_unique<CMainFrame>();
    m_frame->show();

    QString pic = m_cmdLine.pic;
    QString lrc = m_cmdLine.lrc;
    if (pic.isEmpty()) {
        // A picture given on the command line is not remembered; only the dialog's are.
        QSettings settings(QString::fromLatin1(kOrganization), QString::fromLatin1(kApplication));
        pic = settings.value(QString::fromLatin1(kLastFileKey)).toString();
        lrc.clear();
    }
    // An empty path fails like an unreadable one: the user is told and the window stays empty.
    m_frame->OpenPicture(pic, lrc);
    return true;
}

int CTavrinApp::exec() { return QApplication::exec(); }
