// The application object and the command line.
//
// Command line: options "pic" (a picture path) and "lrc" (an LRC path), and, for headless use,
// "render" (an output PNG path) and "size" (WxH). An option starts with "-", or with "/" which
// is read as "-" (so /pic:song.jpg works like -pic song.jpg). Its value is attached as
// -pic:value or -pic=value, or is the next argument; a next argument that itself starts with
// "-" is taken as an empty value and left for the next option. The last occurrence of an
// option counts. "lrc" is only read when "pic" is given. The shell has already split and
// unquoted the arguments.
//
// On this platform an absolute path also starts with "/": an argument starting with "/" counts
// as an option only when a known option name follows (ended by ":", "=" or the argument's
// end); otherwise it is a value, so "-pic /home/me/song.jpg" works.
#pragma once

#include <QString>
#include <QStringList>

#include <memory>

class CMainFrame;
class QApplication;
class QTranslator;

/// What the command line asks for.
struct CCommandLine {
    QString pic; ///< picture path, empty when not given
    QString lrc; ///< LRC path, empty when not given or when "pic" is missing
    bool render = false; ///< "render" was given
    QString renderPath; ///< PNG to write
    QString size; ///< "WxH" for rendering, empty for the picture's own size

    /// Parses arguments (without the program name).
    [[nodiscard]] static CCommandLine parse(const QStringList& arguments);
};

/// Renders picPath with its LRC file as the layout view would show it fitted into width x
/// height (0 x 0: the picture's own size) and writes a PNG to outPath. Messages go to standard
/// error. Answers the process exit code: 0 on success.
int renderHeadless(const QString& picPath, const QString& lrcPath, const QString& outPath, const QString& size);

class CTavrinApp {
public:
    /// Uses the running QApplication when there is one, otherwise makes one from argc and argv
    /// (owned). arguments are the command-line arguments without the program name.
    CTavrinApp(int& argc, char** argv);
    /// For an existing QApplication: arguments without the program name.
    explicit CTavrinApp(const QStringList& arguments);
    ~CTavrinApp();
    CTavrinApp(const CTavrinApp&) = delete;
    CTavrinApp& operator=(const CTavrinApp&) = delete;

    /// Start-up: the settings key, Chinese texts for the framework's own buttons and dialogs, the
    /// command line, the main frame (shown), and the first picture from "pic" or from the setting
    /// "Last/File". False when the frame cannot be made.
    bool InitInstance();
    /// Runs the event loop; answers the exit code.
    int exec();
    [[nodiscard]] CMainFrame* mainFrame() const noexcept { return m_frame.get(); }
    [[nodiscard]] const CCommandLine& commandLine() const noexcept { return m_cmdLine; }

    /// Settings organisation, application name and the key of the last picture.
    static constexpr const char* kOrganization = "Kestrali";
    static constexpr const char* kApplication = "Lindqua";
    static constexpr const char* kLastFileKey = "Last/File";

private:
    std::unique_ptr<QApplication> m_ownedApp;
    std::unique_ptr<QTranslator> m_qtTexts; ///< installed while the application runs
    CCommandLine m_cmdLine;
    std::unique_ptr<CMainFrame> m_frame;
};
