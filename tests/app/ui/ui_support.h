// Helpers for the GUI journeys: a scratch folder with pictures and LRC files, a driver that
// answers modal dialogs the way a person would, and mouse input on the layout view.
#pragma once

#include "app/lrcdata.h"
#include "app/lrcencoding.h"
#include "app/ui/layoutview.h"
#include "app/ui/lrcrowview.h"
#include "app/ui/mainframe.h"
#include "app/ui/tavrinapp.h"
#include "cmd/mgcmdmgr.h"
#include "shape/mgshapes.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QImage>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPointer>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <deque>
#include <memory>
#include <string>

namespace uitest {

/// Writes a w x h PNG filled with colour.
inline bool writePicture(const QString& path, int w, int h, QColor colour)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(colour);
    return img.save(path, "PNG");
}

/// Writes text (wide) to path as GB18030 with CRLF line ends.
inline bool writeLrc(const QString& path, const std::wstring& text)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    const std::string bytes = lrcEncode(LrcEncoding::Gb18030, text);
    return f.write(bytes.data(), static_cast<qint64>(bytes.size())) == static_cast<qint64>(bytes.size());
}

/// The file's bytes decoded from GB18030.
inline std::wstring readLrc(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return L"<missing>";
    const QByteArray bytes = f.readAll();
    return lrcDecode(LrcEncoding::Gb18030, std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}

/// Answers modal dialogs while a blocking call runs: queued answers first, then the default
/// (OK / Escape for message boxes, Cancel for file dialogs). Records what was shown.
class DialogDriver {
public:
    DialogDriver()
    {
        m_timer.setInterval(5);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { poll(); });
        m_timer.start();
    }

    /// The next message box is answered with button.
    void answerBox(QMessageBox::StandardButton button) { m_boxAnswers.push_back(button); }
    /// The next file dialog picks path (empty: cancel).
    void answerFile(const QString& path) { m_fileAnswers.push_back(path); }

    QStringList messages; ///< texts of the message boxes shown, in order
    int fileDialogs = 0; ///< file dialogs shown
    QStringList fileDialogFilters; ///< name filters of the file dialogs

private:
    void poll()
    {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || modal == m_last)
            return;
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            m_last = modal;
            messages << box->text();
            QMessageBox::StandardButton answer = QMessageBox::NoButton;
            if (!m_boxAnswers.empty()) {
                answer = m_boxAnswers.front();
                m_boxAnswers.pop_front();
            }
            QAbstractButton* button = answer != QMessageBox::NoButton ? box->button(answer) : nullptr;
            if (!button)
                button = box->button(QMessageBox::Ok) ? box->button(QMessageBox::Ok) : box->escapeButton();
            QPointer<QMessageBox> guard(box);
            QTimer::singleShot(0, box, [button] { button->click(); });
        } else if (auto* dlg = qobject_cast<QFileDialog*>(modal)) {
            m_last = modal;
            ++fileDialogs;
            fileDialogFilters << dlg->nameFilters();
            QString path;
            if (!m_fileAnswers.empty()) {
                path = m_fileAnswers.front();
                m_fileAnswers.pop_front();
            }
            QTimer::singleShot(0, dlg, [dlg, path] {
                if (path.isEmpty()) {
                    dlg->reject();
                } else {
                    // Typed into the file name box, as a person would.
                    if (auto* edit = dlg->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
                        edit->setText(path);
                    else
                        dlg->selectFile(path);
                    static_cast<QDialog*>(dlg)->accept();
                    // A dialog that refused the answer is cancelled rather than left hanging.
                    if (dlg->isVisible())
                        dlg->reject();
                }
            });
        }
    }

    QTimer m_timer;
    QPointer<QWidget> m_last;
    std::deque<QMessageBox::StandardButton> m_boxAnswers;
    std::deque<QString> m_fileAnswers;
};

/// A scratch folder whose name has blanks, and settings kept inside it.
class UiTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_tmp.isValid());
        m_dir = m_tmp.path() + QStringLiteral("/lyric sheets");
        ASSERT_TRUE(QDir().mkpath(m_dir));
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_tmp.path() + QStringLiteral("/config"));
        QSettings(QStringLiteral("Kestrali"), QStringLiteral("Lindqua")).clear();
    }

    void TearDown() override
    {
        m_app.reset();
        QCoreApplication::processEvents();
    }

    /// Path inside the scratch folder.
    [[nodiscard]] QString path(const QString& name) const { return m_dir + QLatin1Char('/') + name; }

    /// A 400 x 300 picture "song.png" with "song.lrc": a header of 400 x 300, row 1 without
    /// regions, row 2 with regions 1 and 2, row 3 without regions.
    void makeSong()
    {
        ASSERT_TRUE(writePicture(path(QStringLiteral("song.png")), 400, 300, QColor(250, 250, 250)));
        ASSERT_TRUE(writeLrc(path(QStringLiteral("song.lrc")),
            L"[00:00.00]song@0|0|400|300\r\n"
            L"[00:01.00]床前明月光\r\n"
            L"[00:02.00]疑是地上霜@20|30|120|60,200|100|300|150\r\n"
            L"[00:03.00]举头望明月\r\n"));
    }

    /// Starts the application with arguments and waits until its window is shown and active.
    CMainFrame* start(const QStringList& args)
    {
        m_app = std::make_unique<CTavrinApp>(args);
        EXPECT_TRUE(m_app->InitInstance());
        CMainFrame* frame = m_app->mainFrame();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(frame));
        frame->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(frame));
        settle();
        return frame;
    }

    /// Lets posted messages and repaints run.
    static void settle()
    {
        for (int i = 0; i < 3; ++i)
            QCoreApplication::processEvents();
    }

    [[nodiscard]] CMainFrame* frame() const { return m_app ? m_app->mainFrame() : nullptr; }
    [[nodiscard]] CLayoutView* view() const { return frame()->layoutView(); }
    [[nodiscard]] CLrcRowView* tree() const { return frame()->rowView(); }

    /// Client point of a model point (picture pixels).
    [[nodiscard]] QPoint at(float x, float y) const
    {
        const MgPoint p = MgPoint(x, y) * view()->xform().modelToDisplay();
        return QPoint(qRound(p.x), qRound(p.y));
    }

    /// Model point of a client point.
    [[nodiscard]] MgPoint modelAt(QPoint p) const
    {
        return MgPoint(static_cast<float>(p.x()), static_cast<float>(p.y())) * view()->xform().displayToModel();
    }

    void mouse(QEvent::Type type, QPoint p, Qt::MouseButton button, Qt::MouseButtons buttons,
        Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        QWidget* w = view();
        QMouseEvent e(type, QPointF(p), QPointF(w->mapToGlobal(p)), button, buttons, mods);
        QApplication::sendEvent(w, &e);
    }

    /// Presses the left button at from, moves in steps to to and releases there.
    void drag(QPoint from, QPoint to, bool release = true)
    {
        mouse(QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
        for (int i = 1; i <= 8; ++i) {
            const QPoint p = from + (to - from) * i / 8;
            mouse(QEvent::MouseMove, p, Qt::NoButton, Qt::LeftButton);
        }
        if (release)
            mouse(QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
        settle();
    }

    void click(QPoint p)
    {
        mouse(QEvent::MouseButtonPress, p, Qt::LeftButton, Qt::LeftButton);
        mouse(QEvent::MouseButtonRelease, p, Qt::LeftButton, Qt::NoButton);
        settle();
    }

    /// Clicks the tree item with data, as a person would.
    void chooseItem(int data)
    {
        QTreeWidgetItem* item = tree()->findItemByData(data);
        ASSERT_NE(item, nullptr) << "no item with data " << data;
        tree()->scrollToItem(item);
        const QRect r = tree()->visualItemRect(item);
        QTest::mouseClick(tree()->viewport(), Qt::LeftButton, Qt::NoModifier, r.center());
        settle();
    }

    /// Key press on the layout view (focus given first, as the frame does).
    void key(int k, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        QTest::keyClick(view(), static_cast<Qt::Key>(k), mods);
        settle();
    }

    /// The regions of row (1-based) as "l|t|r|b" texts, in number order 1..5.
    [[nodiscard]] QStringList regionsOf(int row) const
    {
        QStringList out;
        CLrcData* doc = view()->document();
        for (int k = 0; k < 5; ++k)
            if (const MgShape* sp = doc->FindRegion(row, k))
                out << QString::fromStdWString(doc->FormatRegion(sp));
        return out;
    }

    [[nodiscard]] static std::string commandName() { return commandManager().commandName(); }

    /// Number of shapes the select command has selected in the view.
    [[nodiscard]] int selectedCount() const
    {
        return commandManager().selectedShapes(view()->proxy(), 0, nullptr, false);
    }

    QTemporaryDir m_tmp;
    QString m_dir;
    std::unique_ptr<CTavrinApp> m_app;
};

} // namespace uitest
