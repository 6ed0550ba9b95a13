// The application as a person uses it: the real main frame driven with mouse, keys and wheel
// under the offscreen platform.
#include "ui_support.h"

#include "app/ui/appmessages.h"

#include <QLabel>
#include <QMenuBar>
#include <QProcess>
#include <QPushButton>
#include <QSplitter>
#include <QStatusBar>
#include <QWheelEvent>

#include <cmath>

using namespace uitest;

namespace {

constexpr int kRow1 = 1 << 16;
constexpr int kRow2 = 2 << 16;
constexpr int kRow3 = 3 << 16;

QString itemText(CLrcRowView* tree, int data)
{
    QTreeWidgetItem* item = tree->findItemByData(data);
    return item ? item->text(0) : QStringLiteral("<none>");
}

} // namespace

// ---- Command line --------------------------------------------------------------------------

TEST(CommandLine, OptionForms)
{
    struct Case {
        const char* name;
        QStringList args;
        QString pic;
        QString lrc;
    };
    const Case cases[] = {
        { "value as next argument", { "-pic", "a b.png" }, "a b.png", "" },
        { "slash and colon", { "/pic:song.jpg" }, "song.jpg", "" },
        { "equals", { "-pic=x.png", "-lrc=y.lrc" }, "x.png", "y.lrc" },
        { "attached quoted path", { "-pic:/tmp/with blank/s.png" }, "/tmp/with blank/s.png", "" },
        { "absolute path value", { "-pic", "/home/me/s.png", "-lrc", "/home/me/t.lrc" }, "/home/me/s.png",
            "/home/me/t.lrc" },
        { "slash option then absolute path", { "/pic", "/home/me/s.png" }, "/home/me/s.png", "" },
        { "lrc only with pic", { "-lrc", "y.lrc" }, "", "" },
        { "next option leaves value empty", { "-pic", "-lrc", "y.lrc" }, "", "y.lrc" },
        { "last occurrence wins", { "-pic", "a.png", "-pic", "b.png" }, "b.png", "" },
        { "unknown options ignored", { "-x", "-pic", "a.png", "stray" }, "a.png", "" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const CCommandLine line = CCommandLine::parse(c.args);
        EXPECT_EQ(line.pic, c.pic);
        EXPECT_EQ(line.lrc, c.lrc);
        EXPECT_FALSE(line.render);
    }
    const CCommandLine r = CCommandLine::parse({ "-pic", "a.png", "-render", "out.png", "-size", "640x480" });
    EXPECT_TRUE(r.render);
    EXPECT_EQ(r.renderPath, "out.png");
    EXPECT_EQ(r.size, "640x480");
}

// ---- Opening -------------------------------------------------------------------------------

class Opening : public UiTest { };

TEST_F(Opening, PictureWithItsLrcFromTheCommandLine)
{
    makeSong();
    DialogDriver dialogs;
    CMainFrame* f = start({ "-pic", path("song.png") });
    EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join("; ").toStdString();
    EXPECT_EQ(f->windowTitle(), "Lindqua - " + path("song.png"));
    ASSERT_EQ(tree()->topLevelItemCount(), 3);
    EXPECT_EQ(itemText(tree(), kRow1), "[00:01.00]床前明月光");
    EXPECT_EQ(itemText(tree(), kRow2), "[00:02.00]疑是地上霜 (2)");
    EXPECT_EQ(itemText(tree(), kRow2 | 1), "20|30|120|60");
    EXPECT_EQ(itemText(tree(), kRow2 | 2), "200|100|300|150");
    EXPECT_EQ(tree()->topLevelItem(1)->childCount(), 2);
    EXPECT_EQ(commandName(), "select");
    EXPECT_FALSE(view()->isModified());
    EXPECT_FALSE(f->action("save")->isEnabled());
    EXPECT_TRUE(f->action("addRegion")->isEnabled());
    EXPECT_FALSE(f->action("deleteRegion")->isEnabled());
    // The picture is read from a private copy, which goes away with the window.
    const QString temp = view()->tempPath();
    EXPECT_TRUE(QFileInfo(temp).fileName().startsWith("lrc"));
    EXPECT_TRUE(QFile::exists(temp));
    m_app.reset();
    EXPECT_FALSE(QFile::exists(temp));
}

TEST_F(Opening, AlternativeOptionFormsAndAnotherLrc)
{
    makeSong();
    ASSERT_TRUE(writeLrc(path("other.lrc"), L"[00:00.00]other\r\n[00:01.00]one@1|2|3|4\r\n"));
    const QStringList forms[] = {
        { "/pic:" + path("song.png") },
        { "-pic=" + path("song.png") },
        { "-pic", path("song.png"), "-lrc", path("other.lrc") },
    };
    for (const QStringList& args : forms) {
        SCOPED_TRACE(args.join(' ').toStdString());
        DialogDriver dialogs;
        start(args);
        EXPECT_TRUE(dialogs.messages.isEmpty());
        const bool other = args.size() == 4;
        EXPECT_EQ(tree()->topLevelItemCount(), other ? 1 : 3);
        if (other) {
            EXPECT_EQ(itemText(tree(), kRow1), "[00:01.00]one (1)");
        }
        m_app.reset();
    }
}

TEST_F(Opening, RowsStartCollapsedAndListTheirRegionsWhenExpanded)
{
    makeSong();
    start({ "-pic", path("song.png") });
    QTreeWidgetItem* plain = tree()->topLevelItem(0);
    QTreeWidgetItem* withRegions = tree()->topLevelItem(1);
    ASSERT_TRUE(plain && withRegions);
    // A row with regions offers its expand button before its region items exist.
    EXPECT_FALSE(withRegions->isExpanded());
    EXPECT_EQ(withRegions->childCount(), 0);
    EXPECT_EQ(withRegions->childIndicatorPolicy(), QTreeWidgetItem::ShowIndicator);
    EXPECT_EQ(plain->childIndicatorPolicy(), QTreeWidgetItem::DontShowIndicatorWhenChildless);

    // Choosing the row and pressing the right arrow opens it, as a user would.
    const QRect rect = tree()->visualItemRect(withRegions);
    QTest::mouseClick(tree()->viewport(), Qt::LeftButton, {}, rect.center());
    settle();
    EXPECT_EQ(tree()->selectedData(), kRow2);
    QTest::keyClick(tree(), Qt::Key_Right);
    settle();
    EXPECT_TRUE(withRegions->isExpanded());
    ASSERT_EQ(withRegions->childCount(), 2);
    EXPECT_EQ(withRegions->child(0)->data(0, CLrcRowView::kDataRole).toInt(), kRow2 | 1);
    EXPECT_EQ(withRegions->child(0)->text(0), "20|30|120|60");
    EXPECT_EQ(withRegions->child(1)->data(0, CLrcRowView::kDataRole).toInt(), kRow2 | 2);
    EXPECT_EQ(withRegions->child(1)->text(0), "200|100|300|150");
    EXPECT_EQ(withRegions->text(0), "[00:02.00]疑是地上霜 (2)");

    // Unknown data finds nothing, whatever row it names.
    for (int data : { 0, 0xFFFF, kRow2 | 3, kRow2 | 6, 4 << 16, -1, 0x7FFF0001 })
        EXPECT_EQ(tree()->findItemByData(data), nullptr) << data;
}

TEST_F(Opening, MissingLrcShowsTheMessageAndThePseudoRow)
{
    ASSERT_TRUE(writePicture(path("alone.png"), 200, 100, Qt::white));
    DialogDriver dialogs;
    start({ "-pic", path("alone.png") });
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages[0], "歌词文件不存在，不能划位。\n" + path("alone.lrc"));
    ASSERT_EQ(tree()->topLevelItemCount(), 1);
    EXPECT_EQ(tree()->topLevelItem(0)->text(0), "歌词文件不存在");
    EXPECT_FALSE(view()->picture().isEmpty());
}

TEST_F(Opening, FirstStartWithoutSettingReportsThePicture)
{
    DialogDriver dialogs;
    CMainFrame* f = start({});
    EXPECT_EQ(dialogs.messages, QStringList { "无法打开图片文件" });
    EXPECT_EQ(tree()->topLevelItemCount(), 0);
    EXPECT_EQ(f->windowTitle(), "Lindqua");
    EXPECT_TRUE(f->isVisible());
}

TEST_F(Opening, UndecodablePictureIsReported)
{
    QFile bad(path("bad.png"));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("this is not a picture at all");
    bad.close();
    DialogDriver dialogs;
    start({ "-pic", path("bad.png") });
    EXPECT_EQ(dialogs.messages, QStringList { "无法打开图片文件" });
    EXPECT_TRUE(view()->picture().isEmpty());
}

TEST_F(Opening, LrcPathComesFromTheFileNameOnly)
{
    // Dots in folder names do not count; a name without extension gets ".lrc" appended.
    const QString dir = path("v1.2 sheets");
    ASSERT_TRUE(QDir().mkpath(dir));
    ASSERT_TRUE(writePicture(dir + "/noext", 100, 80, Qt::white));
    ASSERT_TRUE(writeLrc(dir + "/noext.lrc", L"[00:00.00]n@0|0|100|80\r\n[00:01.00]a@1|1|9|9\r\n"));
    DialogDriver dialogs;
    start({ "-pic", dir + "/noext" });
    EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join("; ").toStdString();
    EXPECT_EQ(QString::fromStdWString(view()->document()->lrcPath()), dir + "/noext.lrc");
    EXPECT_EQ(regionsOf(1), QStringList { "1|1|9|9" });
}

TEST_F(Opening, ReopeningKeepsTheChosenRowAndTheChangedState)
{
    makeSong();
    CMainFrame* f = start({ "-pic", path("song.png") });
    chooseItem(kRow3);
    ASSERT_EQ(commandName(), "rect");
    drag(at(10, 200), at(60, 260));
    ASSERT_TRUE(view()->isModified());
    // The same path again: rows and regions come from the file, the changed state stays.
    DialogDriver dialogs;
    f->OpenPicture(path("song.png"), QString());
    settle();
    EXPECT_EQ(tree()->selectedData(), kRow3);
    EXPECT_EQ(view()->document()->currentRow(), 3);
    EXPECT_EQ(commandName(), "rect"); // row 3 has no regions on disk
    EXPECT_TRUE(view()->isModified());
}

TEST_F(Opening, WindowLayout)
{
    makeSong();
    CMainFrame* f = start({ "-pic", path("song.png") });
    EXPECT_FALSE(f->windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_EQ(f->splitter()->widget(0), tree());
    EXPECT_EQ(f->splitter()->widget(1), view());
    EXPECT_EQ(f->splitter()->sizes().value(0), 250);
    EXPECT_EQ(f->statusBar()->currentMessage(), "就绪");
    QStringList menus;
    for (QAction* a : f->menuBar()->actions())
        menus << a->text();
    EXPECT_EQ(menus, (QStringList { "文件(&F)", "编辑(&E)", "视图(&V)", "帮助(&H)" }));
    EXPECT_EQ(f->action("open")->shortcut(), QKeySequence("Ctrl+O"));
    EXPECT_EQ(f->action("addRegion")->shortcut(), QKeySequence("Ctrl+R"));
    EXPECT_EQ(f->action("deleteRegion")->shortcut(), QKeySequence("Ctrl+D"));
    EXPECT_EQ(f->action("nextPane")->shortcut(), QKeySequence("F6"));
    // F6 moves between the panes.
    view()->setFocus();
    QTest::keyClick(view(), Qt::Key_F6);
    EXPECT_TRUE(tree()->hasFocus());
    QTest::keyClick(tree(), Qt::Key_F6, Qt::ShiftModifier);
    EXPECT_TRUE(view()->hasFocus());
}

TEST_F(Opening, AboutBoxAndStatusBarToggle)
{
    makeSong();
    CMainFrame* f = start({ "-pic", path("song.png") });
    QString title;
    QTimer::singleShot(50, f, [&title] {
        if (auto* dlg = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            title = dlg->windowTitle();
            for (QPushButton* b : dlg->findChildren<QPushButton*>())
                if (b->text() == "确定")
                    b->click();
        }
    });
    f->action("about")->trigger();
    EXPECT_EQ(title, "关于 Tavrin");
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);

    f->action("statusBar")->trigger();
    EXPECT_TRUE(f->statusBar()->isHidden());
    f->action("statusBar")->trigger();
    EXPECT_FALSE(f->statusBar()->isHidden());
}

// ---- Drawing a region ----------------------------------------------------------------------

class Drawing : public UiTest { };

TEST_F(Drawing, RowWithoutRegionsDrawsClampsListsSavesAndReopens)
{
    makeSong();
    CMainFrame* f = start({ "-pic", path("song.png") });
    chooseItem(kRow1);
    EXPECT_EQ(view()->document()->currentRow(), 1);
    EXPECT_EQ(commandName(), "rect");

    // The drag ends far beyond the right edge and below the picture: the region stops at the edges.
    drag(at(300, 200), at(520, 420));
    EXPECT_EQ(commandName(), "select");
    EXPECT_EQ(regionsOf(1), QStringList { "300|200|400|300" });
    EXPECT_EQ(view()->document()->FindRegion(1, 0)->tag(), kRow1 | 1);
    EXPECT_EQ(itemText(tree(), kRow1), "[00:01.00]床前明月光 (1)");
    EXPECT_EQ(itemText(tree(), kRow1 | 1), "300|200|400|300");
    EXPECT_EQ(tree()->selectedData(), kRow1); // the row stays chosen
    EXPECT_EQ(selectedCount(), 1);
    EXPECT_TRUE(view()->isModified());
    EXPECT_TRUE(f->action("save")->isEnabled());

    QTest::keyClick(view(), Qt::Key_S, Qt::ControlModifier);
    settle();
    EXPECT_FALSE(view()->isModified());
    EXPECT_FALSE(f->action("save")->isEnabled());
    const std::wstring saved = readLrc(path("song.lrc"));
    EXPECT_EQ(saved,
        L"[00:00.00]song@0|0|400|300\r\n"
        L"[00:01.00]床前明月光@300|200|400|300\r\n"
        L"[00:02.00]疑是地上霜@20|30|120|60,200|100|300|150\r\n"
        L"[00:03.00]举头望明月\r\n");

    m_app.reset();
    start({ "-pic", path("song.png") });
    EXPECT_EQ(regionsOf(1), QStringList { "300|200|400|300" });
    EXPECT_EQ(itemText(tree(), kRow1 | 1), "300|200|400|300");
}

TEST_F(Drawing, SaveIsNotCarriedOutWithoutChanges)
{
    makeSong();
    const QDateTime before = QFileInfo(path("song.lrc")).lastModified();
    start({ "-pic", path("song.png") });
    QTest::qWait(20);
    QTest::keyClick(view(), Qt::Key_S, Qt::ControlModifier);
    settle();
    EXPECT_EQ(QFileInfo(path("song.lrc")).lastModified(), before);
}

TEST_F(Drawing, AddRegionCommandAndEscapeCancelsTheDrag)
{
    makeSong();
    CMainFrame* f = start({ "-pic", path("song.png") });
    chooseItem(kRow3);
    const int shapes = view()->shapes()->shapeCount();
    drag(at(50, 200), at(150, 250), false);
    key(Qt::Key_Escape);
    mouse(QEvent::MouseButtonRelease, at(150, 250), Qt::LeftButton, Qt::NoButton);
    settle();
    EXPECT_EQ(view()->shapes()->shapeCount(), shapes);

    // Ctrl+R is rectangle drawing for the current row, also from selecting.
    click(at(70, 45));
    EXPECT_EQ(commandName(), "rect"); // a click while drawing draws nothing
    EXPECT_EQ(view()->shapes()->shapeCount(), shapes);
    chooseItem(kRow2);
    EXPECT_EQ(commandName(), "select");
    QTest::keyClick(view(), Qt::Key_R, Qt::ControlModifier);
    settle();
    EXPECT_EQ(commandName(), "rect");
    drag(at(10, 200), at(60, 260));
    EXPECT_EQ(regionsOf(2), (QStringList { "20|30|120|60", "200|100|300|150", "10|200|60|260" }));
    EXPECT_EQ(itemText(tree(), kRow2 | 3), "10|200|60|260");
    EXPECT_TRUE(f->action("save")->isEnabled());
}

// ---- Editing regions -----------------------------------------------------------------------

class Editing : public UiTest { };

TEST_F(Editing, ClickNudgeResizeAndDelete)
{
    makeSong();
    CMainFrame* f = start({ "-pic", path("song.png") });
    click(at(70, 45));
    EXPECT_EQ(selectedCount(), 1);
    EXPECT_EQ(tree()->selectedData(), kRow2 | 1);
    EXPECT_TRUE(tree()->topLevelItem(1)->isExpanded()); // the chosen region's row opens to show it
    EXPECT_TRUE(f->action("deleteRegion")->isEnabled());

    key(Qt::Key_Right);
    key(Qt::Key_Right);
    key(Qt::Key_Up);
    EXPECT_EQ(regionsOf(2).value(0), "22|29|122|59");
    EXPECT_EQ(itemText(tree(), kRow2 | 1), "22|29|122|59"); // the tree follows
    EXPECT_TRUE(view()->isModified());

    // Pushed against the left edge it stops there with its size kept.
    for (int i = 0; i < 40; ++i)
        key(Qt::Key_Left);
    EXPECT_EQ(regionsOf(2).value(0), "0|29|100|59");

    // Shift moves the bottom and right edges.
    key(Qt::Key_Down, Qt::ShiftModifier);
    key(Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(regionsOf(2).value(0), "0|29|101|60");

    key(Qt::Key_Delete);
    EXPECT_EQ(regionsOf(2), QStringList { "200|100|300|150" });
    EXPECT_EQ(itemText(tree(), kRow2), "[00:02.00]疑是地上霜 (1)");
    EXPECT_EQ(tree()->findItemByData(kRow2 | 1), nullptr);
    EXPECT_NE(tree()->findItemByData(kRow2 | 2), nullptr); // numbers are kept
}

TEST_F(Editing, DeleteWithTwoSelectedDoesNothing)
{
    makeSong();
    CMainFrame* f = start({ "-pic", path("song.png") });
    chooseItem(kRow2);
    EXPECT_EQ(selectedCount(), 2);
    EXPECT_FALSE(f->action("deleteRegion")->isEnabled());
    key(Qt::Key_Delete);
    QTest::keyClick(view(), Qt::Key_D, Qt::ControlModifier);
    settle();
    EXPECT_EQ(regionsOf(2).size(), 2);
    EXPECT_FALSE(view()->isModified());
    // Both move together with the arrows.
    key(Qt::Key_Down);
    EXPECT_EQ(regionsOf(2), (QStringList { "20|31|120|61", "200|101|300|151" }));
}

TEST_F(Editing, RubberBandOverTwoRegionsSelectsTheirRow)
{
    makeSong();
    start({ "-pic", path("song.png") });
    chooseItem(kRow1); // rectangle drawing for row 1
    chooseItem(kRow2);
    ASSERT_EQ(commandName(), "select");
    click(at(380, 280)); // nothing there: the selection empties
    EXPECT_EQ(selectedCount(), 0);
    drag(at(5, 5), at(360, 220));
    EXPECT_EQ(selectedCount(), 2);
    EXPECT_EQ(tree()->selectedData(), kRow2);
    click(at(250, 125));
    EXPECT_EQ(selectedCount(), 1);
    EXPECT_EQ(tree()->selectedData(), kRow2 | 2);
}

TEST_F(Editing, RegionItemSelectsExactlyThatRegion)
{
    makeSong();
    start({ "-pic", path("song.png") });
    chooseItem(kRow2 | 2);
    EXPECT_EQ(selectedCount(), 1);
    MgShape* sel[2] = {};
    commandManager().selectedShapes(view()->proxy(), 2, sel, false);
    EXPECT_EQ(sel[0]->tag(), kRow2 | 2);
}

TEST_F(Editing, DraggingARegionKeepsItOnThePicture)
{
    makeSong();
    start({ "-pic", path("song.png") });
    click(at(250, 125));
    drag(at(250, 125), at(480, 125));
    const QStringList r = regionsOf(2);
    ASSERT_EQ(r.size(), 2);
    EXPECT_EQ(r[1], "300|100|400|150");
}

// ---- Zoom, pan and status panes ------------------------------------------------------------

class Viewing : public UiTest {
protected:
    void wheel(QPoint p, int delta, Qt::KeyboardModifiers mods, Qt::MouseButtons buttons = Qt::NoButton)
    {
        QWheelEvent e(QPointF(p), QPointF(view()->mapToGlobal(p)), QPoint(), QPoint(0, delta), buttons, mods,
            Qt::NoScrollPhase, false);
        QApplication::sendEvent(view(), &e);
        settle();
    }
};

TEST_F(Viewing, WheelZoomsAboutTheCursorAndPans)
{
    makeSong();
    start({ "-pic", path("song.png") });
    GiViewTransform& xf = view()->xform();
    const float z0 = xf.zoom();
    const QPoint p = at(100, 80);
    const MgPoint before = modelAt(p);
    wheel(p, 120, Qt::ControlModifier);
    EXPECT_NEAR(xf.zoom(), z0 * 1.2f, 1e-4f);
    const MgPoint after = modelAt(p);
    EXPECT_NEAR(after.x, before.x, 0.05f);
    EXPECT_NEAR(after.y, before.y, 0.05f);
    wheel(p, -120, Qt::ControlModifier);
    EXPECT_NEAR(xf.zoom(), z0, 1e-4f);

    // Held left button: the wheel does nothing.
    wheel(p, 120, Qt::ControlModifier, Qt::LeftButton);
    EXPECT_NEAR(xf.zoom(), z0, 1e-4f);

    // Zoomed in, a plain turn pans by a quarter of the client height.
    key(Qt::Key_Plus);
    key(Qt::Key_Plus);
    EXPECT_NEAR(xf.zoom(), z0 * 2.25f, 1e-3f);
    const QPoint q0 = at(200, 150);
    wheel(p, 120, Qt::NoModifier);
    EXPECT_NEAR(xf.zoom(), z0 * 2.25f, 1e-3f);
    EXPECT_NEAR(at(200, 150).y() - q0.y(), xf.heightPx() / 4.0, 1.5);
    key(Qt::Key_Minus);
    EXPECT_NEAR(xf.zoom(), z0 * 1.5f, 1e-3f);
}

TEST_F(Viewing, SpaceBarPansWithTheMouseAndZoomsWithTheWheel)
{
    makeSong();
    start({ "-pic", path("song.png") });
    chooseItem(kRow1); // rectangle drawing: a drag would draw without the space bar
    const int shapes = view()->shapes()->shapeCount();
    key(Qt::Key_Plus);
    key(Qt::Key_Plus);
    const float z = view()->xform().zoom();
    const QPoint q0 = at(200, 150);
    QTest::keyPress(view(), Qt::Key_Space);
    drag(at(200, 150), at(200, 150) + QPoint(-60, -40));
    EXPECT_EQ(view()->shapes()->shapeCount(), shapes);
    EXPECT_NEAR(at(200, 150).x() - q0.x(), -60, 1.5);
    EXPECT_NEAR(at(200, 150).y() - q0.y(), -40, 1.5);
    wheel(at(200, 150), 120, Qt::NoModifier);
    EXPECT_NEAR(view()->xform().zoom(), z * 1.2f, 1e-3f);
    QTest::keyRelease(view(), Qt::Key_Space);
    drag(at(100, 100), at(150, 150));
    EXPECT_EQ(view()->shapes()->shapeCount(), shapes + 1);
}

TEST_F(Viewing, ArrowKeysPanWithoutSelection)
{
    makeSong();
    start({ "-pic", path("song.png") });
    chooseItem(kRow1); // rectangle drawing: nothing selected
    key(Qt::Key_Plus);
    key(Qt::Key_Plus);
    const QPoint q0 = at(200, 150);
    key(Qt::Key_Left);
    EXPECT_NEAR(at(200, 150).x() - q0.x(), view()->xform().widthPx() / 4.0, 1.5);
    EXPECT_FALSE(view()->isModified());
}

TEST_F(Viewing, StatusPanesShowCursorZoomAndChangedMark)
{
    makeSong();
    CMainFrame* f = start({ "-pic", path("song.png") });
    QCursor::setPos(view()->mapToGlobal(at(100, 50)));
    settle();
    f->updateCommandUI();
    EXPECT_EQ(f->pane(kPaneX)->text(), "X100");
    EXPECT_EQ(f->pane(kPaneY)->text(), "Y50");
    EXPECT_EQ(f->pane(kPaneZoom)->text(), QString::asprintf("%.1f%%", view()->xform().zoom() * 100.0));
    EXPECT_EQ(f->pane(kPaneChanged)->text(), "");
    click(at(70, 45));
    key(Qt::Key_Right);
    f->updateCommandUI();
    EXPECT_EQ(f->pane(kPaneChanged)->text(), "已改动");
}

// ---- Save prompt and save failures ---------------------------------------------------------

class Saving : public UiTest {
protected:
    void makeChange()
    {
        click(at(70, 45));
        key(Qt::Key_Right);
        ASSERT_TRUE(view()->isModified());
    }
};

TEST_F(Saving, CancelKeepsEverythingAndShowsNoFileDialog)
{
    makeSong();
    const std::wstring original = readLrc(path("song.lrc"));
    CMainFrame* f = start({ "-pic", path("song.png") });
    makeChange();
    DialogDriver dialogs;
    dialogs.answerBox(QMessageBox::Cancel);
    f->action("open")->trigger();
    settle();
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_TRUE(dialogs.messages[0].contains("song.lrc"));
    EXPECT_EQ(dialogs.fileDialogs, 0);
    EXPECT_TRUE(view()->isModified());
    EXPECT_EQ(regionsOf(2).value(0), "21|30|121|60");
    EXPECT_EQ(readLrc(path("song.lrc")), original);

    // Closing, cancelled, keeps the window.
    dialogs.answerBox(QMessageBox::Cancel);
    f->close();
    settle();
    EXPECT_TRUE(f->isVisible());
}

TEST_F(Saving, NoDiscardsAndTheDialogsPictureIsRemembered)
{
    makeSong();
    ASSERT_TRUE(writePicture(path("other.png"), 300, 200, Qt::white));
    ASSERT_TRUE(writeLrc(path("other.lrc"), L"[00:00.00]o@0|0|300|200\r\n[00:01.00]x\r\n"));
    const std::wstring original = readLrc(path("song.lrc"));
    CMainFrame* f = start({ "-pic", path("song.png") });
    makeChange();
    DialogDriver dialogs;
    dialogs.answerBox(QMessageBox::No);
    dialogs.answerFile(path("other.png"));
    f->action("open")->trigger();
    settle();
    EXPECT_EQ(dialogs.fileDialogs, 1);
    EXPECT_TRUE(dialogs.fileDialogFilters.join(";").contains("图片文件 (*.jpg *.png)"));
    EXPECT_EQ(view()->picturePath(), path("other.png"));
    EXPECT_FALSE(view()->isModified());
    EXPECT_EQ(tree()->topLevelItemCount(), 1);
    EXPECT_EQ(readLrc(path("song.lrc")), original);
    EXPECT_EQ(QSettings("Kestrali", "Lindqua").value("Last/File").toString(), path("other.png"));

    // Without options the next start opens it again.
    m_app.reset();
    start({});
    EXPECT_EQ(view()->picturePath(), path("other.png"));
}

TEST_F(Saving, YesSavesBeforeGoingOn)
{
    makeSong();
    CMainFrame* f = start({ "-pic", path("song.png") });
    makeChange();
    DialogDriver dialogs;
    dialogs.answerBox(QMessageBox::Yes);
    dialogs.answerFile(QString());
    f->action("open")->trigger();
    settle();
    EXPECT_EQ(dialogs.fileDialogs, 1);
    EXPECT_FALSE(view()->isModified());
    EXPECT_NE(readLrc(path("song.lrc")).find(L"@21|30|121|60,200|100|300|150"), std::wstring::npos);
    // The command-line picture is not remembered.
    EXPECT_FALSE(QSettings("Kestrali", "Lindqua").contains("Last/File"));
}

TEST_F(Saving, ReadOnlyLrcShowsTheFailureAndStaysUnsaved)
{
    makeSong();
    const std::wstring original = readLrc(path("song.lrc"));
    CMainFrame* f = start({ "-pic", path("song.png") });
    makeChange();
    ASSERT_TRUE(QFile::setPermissions(path("song.lrc"), QFileDevice::ReadOwner | QFileDevice::ReadGroup));
    DialogDriver dialogs;
    QTest::keyClick(view(), Qt::Key_S, Qt::ControlModifier);
    settle();
    EXPECT_EQ(dialogs.messages, QStringList { "无法保存歌词文件。\nPermission denied" });
    EXPECT_TRUE(view()->isModified());
    EXPECT_TRUE(f->action("save")->isEnabled());
    EXPECT_EQ(readLrc(path("song.lrc")), original);

    // A save that fails on the way to closing keeps the window and the changes.
    dialogs.answerBox(QMessageBox::Yes);
    f->close();
    settle();
    EXPECT_TRUE(f->isVisible());
    EXPECT_TRUE(view()->isModified());
    QFile::setPermissions(path("song.lrc"), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

TEST_F(Saving, VanishedFolderShowsTheSystemsReason)
{
    makeSong();
    CMainFrame* f = start({ "-pic", path("song.png") });
    makeChange();
    ASSERT_TRUE(QDir().rename(m_dir, m_dir + " gone"));
    DialogDriver dialogs;
    f->action("save")->trigger();
    settle();
    EXPECT_EQ(dialogs.messages, QStringList { "无法保存歌词文件。\nNo such file or directory" });
    EXPECT_TRUE(view()->isModified());
}

// ---- Replaced picture ----------------------------------------------------------------------

class Reloading : public UiTest { };

TEST_F(Reloading, ReactivatingShowsTheNewPictureAndKeepsUnsavedRegions)
{
    makeSong();
    CMainFrame* f = start({ "-pic", path("song.png") });
    click(at(70, 45));
    key(Qt::Key_Right);
    EXPECT_EQ(view()->picture().image().pixelColor(10, 10), QColor(250, 250, 250));

    ASSERT_TRUE(writePicture(path("song.png"), 400, 300, QColor(200, 0, 0)));
    QFile pic(path("song.png"));
    ASSERT_TRUE(pic.open(QIODevice::ReadWrite));
    ASSERT_TRUE(pic.setFileTime(QDateTime::currentDateTime().addSecs(30), QFileDevice::FileModificationTime));
    pic.close();

    QWidget other;
    other.resize(100, 100);
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    f->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(f));
    settle();

    EXPECT_EQ(view()->picture().image().pixelColor(10, 10), QColor(200, 0, 0));
    EXPECT_EQ(regionsOf(2).value(0), "21|30|121|60");
    EXPECT_TRUE(view()->isModified());
    EXPECT_EQ(tree()->topLevelItemCount(), 3);
}

// ---- Headless rendering --------------------------------------------------------------------

class Rendering : public UiTest {
protected:
    static bool near(QColor c, int r, int g, int b, int tol = 4)
    {
        return std::abs(c.red() - r) <= tol && std::abs(c.green() - g) <= tol && std::abs(c.blue() - b) <= tol;
    }
};

TEST_F(Rendering, PictureSizeAndRegionColourOverThePicture)
{
    makeSong();
    const QString out = path("out.png");
    ASSERT_EQ(renderHeadless(path("song.png"), QString(), out, QString()), 0);
    QImage img(out);
    ASSERT_FALSE(img.isNull());
    EXPECT_EQ(img.size(), QSize(400, 300));
    // Fitted into (5, 5)-(390, 290): scale 0.95, centred horizontally.
    auto px = [&](float x, float y) { return img.pixelColor(qRound(7.5f + x * 0.95f), qRound(5 + y * 0.95f)); };
    // Fill (0, 128, 255) at alpha 48 over the picture's (250, 250, 250).
    const double a = 48.0 / 255.0;
    EXPECT_TRUE(
        near(px(70, 45), qRound(250 * (1 - a)), qRound(128 * a + 250 * (1 - a)), qRound(255 * a + 250 * (1 - a))))
        << px(70, 45).name().toStdString();
    EXPECT_TRUE(near(px(200, 250), 250, 250, 250)) << px(200, 250).name().toStdString();
    EXPECT_FALSE(near(img.pixelColor(1, 1), 250, 250, 250)); // the workspace around the picture

    ASSERT_EQ(renderHeadless(path("song.png"), QString(), out, "200x120"), 0);
    EXPECT_EQ(QImage(out).size(), QSize(200, 120));
    EXPECT_NE(renderHeadless(path("song.png"), QString(), out, "big"), 0);
    EXPECT_NE(renderHeadless(path("nothing.png"), QString(), out, QString()), 0);
}

TEST_F(Rendering, TheExecutableRendersWithoutAWindow)
{
#ifndef LINDQUA_APP_BINARY
    GTEST_SKIP() << "the lindqua executable is not part of this build";
#else
    makeSong();
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("DISPLAY");
    env.remove("QT_QPA_PLATFORM");
    p.setProcessEnvironment(env);
    p.start(LINDQUA_APP_BINARY, { "-pic", path("song.png"), "-render", path("r.png"), "-size", "320x240" });
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    EXPECT_EQ(QImage(path("r.png")).size(), QSize(320, 240));

    p.start(LINDQUA_APP_BINARY, { "/pic:" + path("missing.png"), "-render", path("m.png") });
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_NE(p.exitCode(), 0);
    EXPECT_TRUE(QString::fromLocal8Bit(p.readAllStandardError()).contains("无法打开图片文件"));
    EXPECT_FALSE(QFile::exists(path("m.png")));
#endif
}
