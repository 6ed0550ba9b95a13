// Faults found by using the real window by hand, each kept as a journey that failed before its
// mend.
#include "ui_support.h"

#include "app/ui/appmessages.h"

#include <QAbstractButton>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLibraryInfo>
#include <QPushButton>
#include <QRegularExpression>
#include <QStatusBar>

using namespace uitest;

class Trial : public UiTest { };

// The first change shows "已改动" in the status bar. The pane must not make the status bar taller:
// the layout view would shrink by a pixel and fit the picture again, throwing away the zoom and
// pan the user had chosen. Saving (the mark goes) must not do it either.
TEST_F(Trial, ChangedMarkKeepsTheZoomAndThePan)
{
    makeSong();
    CMainFrame* f = start({ "-pic", path("song.png") });
    const int barHeight = f->statusBar()->height();
    const QSize viewSize = view()->size();
    click(at(70, 45));
    ASSERT_EQ(selectedCount(), 1);
    key(Qt::Key_Plus);
    key(Qt::Key_Plus);
    const float zoom = view()->xform().zoom();
    const QPoint corner = at(0, 0);

    key(Qt::Key_Right); // the first change
    f->updateCommandUI();
    ASSERT_EQ(f->pane(kPaneChanged)->text(), "已改动");
    QTest::qWait(50);
    settle();
    EXPECT_EQ(f->statusBar()->height(), barHeight);
    EXPECT_EQ(view()->size(), viewSize);
    EXPECT_FLOAT_EQ(view()->xform().zoom(), zoom);
    EXPECT_EQ(at(0, 0), corner);

    QTest::keyClick(f, Qt::Key_S, Qt::ControlModifier);
    settle();
    f->updateCommandUI();
    ASSERT_EQ(f->pane(kPaneChanged)->text(), "");
    QTest::qWait(50);
    settle();
    EXPECT_EQ(view()->size(), viewSize);
    EXPECT_FLOAT_EQ(view()->xform().zoom(), zoom);
    EXPECT_EQ(regionsOf(2).value(0), "21|30|121|60");
}

// The save prompt asks in Chinese; its buttons must not answer in English. The framework's own
// texts come from Qt's Chinese translation, whatever the desktop's language.
TEST_F(Trial, SavePromptButtonsSpeakChinese)
{
    if (!QFileInfo::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) + QStringLiteral("/qtbase_zh_CN.qm")))
        GTEST_SKIP() << "Qt's Chinese translation (qtbase_zh_CN.qm) is not installed";
    makeSong();
    CMainFrame* f = start({ "-pic", path("song.png") });
    click(at(70, 45));
    key(Qt::Key_Right);
    ASSERT_TRUE(view()->isModified());

    QStringList texts;
    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !texts.isEmpty())
            return;
        for (auto which : { QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel })
            texts << (box->button(which) ? box->button(which)->text() : QStringLiteral("<none>"));
        QTimer::singleShot(0, box, [box] { box->button(QMessageBox::Cancel)->click(); });
    });
    poll.start();
    f->close();
    poll.stop();
    ASSERT_EQ(texts.size(), 3);
    EXPECT_TRUE(f->isVisible()); // cancelled
    for (const QString& t : texts) {
        SCOPED_TRACE(t.toStdString());
        EXPECT_FALSE(t.contains(QRegularExpression(QStringLiteral("^&?(Yes|No|Cancel)$"))));
    }
    EXPECT_TRUE(texts.value(2).contains(QStringLiteral("取消")));
}

// With the LRC file missing, a region drawn on the pseudo-row cannot be written. Saving must say
// so and keep the unsaved mark, rather than clear it as if the region had been stored; closing
// then still asks, and answering Yes does not let the region go silently.
TEST_F(Trial, SavingWithoutLrcFileSaysSoAndStaysUnsaved)
{
    ASSERT_TRUE(writePicture(path(QStringLiteral("bare.png")), 400, 300, QColor(250, 250, 250)));
    DialogDriver driver;
    CMainFrame* f = start({ "-pic", path(QStringLiteral("bare.png")) });
    ASSERT_EQ(driver.messages.size(), 1); // the missing-LRC message at opening
    chooseItem(1 << 16); // the pseudo-row: rectangle drawing
    drag(at(50, 50), at(150, 120));
    ASSERT_EQ(view()->shapes()->shapeCount(), 1);
    ASSERT_TRUE(view()->isModified());

    QTest::keyClick(f, Qt::Key_S, Qt::ControlModifier);
    settle();
    ASSERT_EQ(driver.messages.size(), 2);
    EXPECT_TRUE(driver.messages.back().startsWith(QStringLiteral("歌词文件不存在，不能划位。\n")));
    EXPECT_TRUE(view()->isModified());
    f->updateCommandUI();
    EXPECT_TRUE(f->action("save")->isEnabled());
    EXPECT_EQ(f->pane(kPaneChanged)->text(), "已改动");
    EXPECT_FALSE(QFileInfo::exists(path(QStringLiteral("bare.lrc"))));

    driver.answerBox(QMessageBox::Yes);
    f->close();
    settle();
    EXPECT_TRUE(f->isVisible()); // the save failed, so the window stays
    driver.answerBox(QMessageBox::No);
    f->close();
    settle();
    EXPECT_FALSE(f->isVisible());
}

// The open dialog starts in the folder of the picture on show, not in the folder the tool was
// started from.
TEST_F(Trial, OpenDialogStartsBesideThePicture)
{
    makeSong();
    CMainFrame* f = start({ "-pic", path("song.png") });
    QString shownDir;
    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* dlg = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dlg || !shownDir.isEmpty())
            return;
        shownDir = dlg->directory().absolutePath();
        QTimer::singleShot(0, dlg, [dlg] { dlg->reject(); });
    });
    poll.start();
    QTest::keyClick(f, Qt::Key_O, Qt::ControlModifier);
    settle();
    poll.stop();
    EXPECT_EQ(shownDir, QDir(m_dir).absolutePath());
    EXPECT_NE(shownDir, QDir::currentPath());
}

// A menu item's status tip replaces the idle message while the item is under the pointer; when
// the pointer leaves it (or the menu closes) the idle message "就绪" comes back.
TEST_F(Trial, IdleMessageComesBackAfterAStatusTip)
{
    makeSong();
    CMainFrame* f = start({ "-pic", path("song.png") });
    EXPECT_EQ(f->statusBar()->currentMessage(), "就绪");
    QStatusTipEvent tip(f->action("addRegion")->statusTip());
    QApplication::sendEvent(f, &tip);
    EXPECT_EQ(f->statusBar()->currentMessage(), "为当前歌词行增加矩形区域");
    QStatusTipEvent leave { QString() };
    QApplication::sendEvent(f, &leave);
    settle();
    EXPECT_EQ(f->statusBar()->currentMessage(), "就绪");
}

// The tree lists each region's coordinates. Moving a region or dragging one of its handles with
// the mouse changes them without changing the selection; the tree must still show the new ones
// (as it does after the arrow keys), not the coordinates from before the drag.
TEST_F(Trial, TreeFollowsARegionMovedOrResizedWithTheMouse)
{
    makeSong();
    start({ "-pic", path("song.png") });
    const int item = (2 << 16) | 2;
    click(at(250, 125));
    ASSERT_EQ(selectedCount(), 1);
    drag(at(250, 125), at(270, 135));
    ASSERT_EQ(regionsOf(2).value(1), "220|110|320|160");
    ASSERT_NE(tree()->findItemByData(item), nullptr);
    EXPECT_EQ(tree()->findItemByData(item)->text(0), "220|110|320|160");

    // Into handle mode at the right edge, then the edge dragged beyond the picture.
    click(at(320, 135));
    drag(at(320, 135), at(460, 135));
    const QString moved = regionsOf(2).value(1);
    EXPECT_NE(moved, "220|110|320|160");
    EXPECT_EQ(tree()->findItemByData(item)->text(0), moved);
}

// The about box shows its icon, its text and "确定" on one line at the top, not the text halfway
// down the box below the button.
TEST_F(Trial, AboutBoxLinesUpItsTextWithTheButton)
{
    CAboutDlg dlg;
    dlg.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
    QPushButton* ok = nullptr;
    for (QPushButton* b : dlg.findChildren<QPushButton*>())
        if (b->text() == QStringLiteral("确定"))
            ok = b;
    ASSERT_NE(ok, nullptr);
    QLabel* text = nullptr;
    for (QLabel* l : dlg.findChildren<QLabel*>())
        if (l->text().startsWith(QStringLiteral("Lindqua")))
            text = l;
    ASSERT_NE(text, nullptr);
    // Where the label draws its line: a label taller than its text centres it unless told
    // otherwise.
    const QRect g = text->geometry();
    const int lineHeight = text->fontMetrics().height();
    const int top = (text->alignment() & Qt::AlignTop) ? g.top()
        : (text->alignment() & Qt::AlignBottom)        ? g.bottom() - lineHeight
                                                       : g.top() + (g.height() - lineHeight) / 2;
    const QRect b = ok->geometry();
    EXPECT_LT(top, b.bottom()) << "text at " << top << ", button " << b.top() << ".." << b.bottom();
    EXPECT_GT(top + lineHeight, b.top());
}
