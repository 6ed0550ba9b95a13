// Faults found by using the real window by hand, each kept as a journey that failed before its
// mend.
#include "ui_support.h"

#include "app/ui/appmessages.h"

#include <QAbstractButton>
#include <QFileInfo>
#include <QLabel>
#include <QLibraryInfo>
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
