// The layout view on its own: coordinates of the picture, keeping regions on it, handles and
// the temporary copy.
#include "ui_support.h"

#include "app/ui/appmessages.h"
#include "app/ui/usermessage.h"

#include "shape/mgrect.h"

#include <QRegularExpression>

#include <sys/stat.h>

using namespace uitest;

namespace {

/// A picture with a resolution of dpi dots per inch.
bool writePictureDpi(const QString& path, int w, int h, int dpi)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(Qt::white);
    img.setDotsPerMeterX(qRound(dpi / 0.0254));
    img.setDotsPerMeterY(qRound(dpi / 0.0254));
    return img.save(path, "PNG");
}

} // namespace

class LayoutView : public UiTest {
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        setUserMessageSink([this](const QString& text) { m_messages << text; });
        installLrcMessageHook(nullptr);
    }
    void TearDown() override
    {
        m_view.reset();
        setUserMessageSink({});
        CLrcData::setMessageHook({});
        UiTest::TearDown();
    }

    CLayoutView& makeView(int w = 600, int h = 400)
    {
        m_view = std::make_unique<CLayoutView>();
        m_view->setClientSize(w, h);
        return *m_view;
    }

    std::unique_ptr<CLayoutView> m_view;
    QStringList m_messages;
};

TEST_F(LayoutView, RegionsDrawAsTranslucentBlueWithAFaintCyanOutline)
{
    CLayoutView& v = makeView();
    ASSERT_NE(v.shapes()->context(), nullptr);
    EXPECT_EQ(*v.shapes()->context(), GiContext(0, 0, GiRgba(0, 255, 255, 64), GiRgba(0, 128, 255, 48)));
    EXPECT_FALSE(v.proxy()->tolerancesInMillimetres());
    EXPECT_FALSE(v.proxy()->canRotate(nullptr));
}

TEST_F(LayoutView, HeaderSizeAndResolutionShapeTheModel)
{
    // The header declares twice the picture's pixels; the picture says 192 dpi.
    ASSERT_TRUE(writePictureDpi(path("hi.png"), 400, 300, 192));
    ASSERT_TRUE(writeLrc(path("hi.lrc"), L"[00:00.00]h@0|0|800|600\r\n[00:01.00]a@400|300|800|600\r\n"));
    CLayoutView& v = makeView();
    ASSERT_TRUE(v.openPicture(path("hi.png"), QString()));
    EXPECT_TRUE(m_messages.isEmpty());
    const MgBox world = v.proxy()->pictureBox();
    EXPECT_NEAR(world.width(), 400 * 25.4f / 192, 1e-3f);
    EXPECT_NEAR(world.height(), 300 * 25.4f / 192, 1e-3f);
    const MgBox model = v.pictureBoxModel();
    EXPECT_NEAR(model.xmin, 0, 1e-3f);
    EXPECT_NEAR(model.ymin, 0, 1e-3f);
    EXPECT_NEAR(model.xmax, 800, 1e-2f);
    EXPECT_NEAR(model.ymax, 600, 1e-2f);
    // Model y grows downward: the picture's top-left corner is model (0, 0), at the top of the view.
    const MgPoint topLeft = MgPoint(0, 0) * v.xform().modelToDisplay();
    const MgPoint bottomRight = MgPoint(800, 600) * v.xform().modelToDisplay();
    EXPECT_LT(topLeft.y, bottomRight.y);
    EXPECT_LT(topLeft.x, bottomRight.x);
    // Fitted into the client area inset by 5 pixels.
    EXPECT_GE(topLeft.x, 5 - 0.5f);
    EXPECT_GE(topLeft.y, 5 - 0.5f);
    EXPECT_LE(bottomRight.x, 590 + 0.5f);
    EXPECT_LE(bottomRight.y, 390 + 0.5f);
    EXPECT_TRUE(std::fabs(topLeft.y - 5) < 0.5f || std::fabs(topLeft.x - 5) < 0.5f);
}

TEST_F(LayoutView, ClampKeepsThePointerOnThePicture)
{
    makeSong();
    CLayoutView& v = makeView();
    ASSERT_TRUE(v.openPicture(path("song.png"), QString()));
    struct Case {
        const char* name;
        MgPoint model;
        MgPoint expected;
    };
    const Case cases[] = {
        { "inside", { 100, 50 }, { 100, 50 } },
        { "left of", { -40, 50 }, { 0, 50 } },
        { "below and right", { 450, 330 }, { 400, 300 } },
        { "above", { 200, -10 }, { 200, 0 } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const MgPoint shown = v.clampToPicture(c.model * v.xform().modelToDisplay()) * v.xform().displayToModel();
        EXPECT_NEAR(shown.x, c.expected.x, 0.01f);
        EXPECT_NEAR(shown.y, c.expected.y, 0.01f);
    }
}

TEST_F(LayoutView, MovedShapesComeBackInsideThePicture)
{
    makeSong();
    CLayoutView& v = makeView();
    ASSERT_TRUE(v.openPicture(path("song.png"), QString()));
    struct Case {
        const char* name;
        MgBox rect;
        MgBox expected;
    };
    const Case cases[] = {
        { "inside stays", { 10, 10, 50, 40 }, { 10, 10, 50, 40 } },
        { "past the left edge", { -30, 10, 20, 40 }, { 0, 10, 50, 40 } },
        { "past the bottom edge", { 10, 280, 50, 320 }, { 10, 260, 50, 300 } },
        { "wider than the picture ends at the right edge", { -50, 10, 450, 40 }, { -100, 10, 400, 40 } },
        { "taller than the picture ends at the bottom edge", { 10, -20, 50, 330 }, { 10, -50, 50, 300 } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MgShapeT<MgRect>* sp = MgShapeT<MgRect>::create();
        sp->m_shape.setRect(c.rect, 0);
        sp->m_shape.update();
        v.proxy()->shapeMoved(sp, -1);
        const MgBox e = sp->m_shape.extent();
        EXPECT_NEAR(e.xmin, c.expected.xmin, 1e-3f);
        EXPECT_NEAR(e.ymin, c.expected.ymin, 1e-3f);
        EXPECT_NEAR(e.xmax, c.expected.xmax, 1e-3f);
        EXPECT_NEAR(e.ymax, c.expected.ymax, 1e-3f);
        sp->release();
    }
}

TEST_F(LayoutView, PictureTimeAndTemporaryCopy)
{
    makeSong();
    CLayoutView& v = makeView();
    ASSERT_TRUE(v.openPicture(path("song.png"), QString()));
    EXPECT_TRUE(
        QRegularExpression("^\\d{4}-\\d{2}-\\d{2} \\d{2}:\\d{2}:\\d{2}\\.\\d{3}$").match(v.pictureTime()).hasMatch())
        << v.pictureTime().toStdString();
    EXPECT_EQ(CLayoutView::fileTimeText(path("nothing here")), "");
    const QString first = v.tempPath();
    EXPECT_TRUE(first.startsWith(QDir::tempPath() + "/lrc"));
    // The picture itself stays free: it can be removed while shown.
    EXPECT_TRUE(QFile::remove(path("song.png")));
    EXPECT_FALSE(v.picture().isEmpty());
    EXPECT_FALSE(v.reloadIfChanged()); // a vanished file is no new picture
    // A failed open releases the former picture, keeps the document and reports it.
    const int rows = v.document()->rowCount();
    EXPECT_FALSE(v.openPicture(path("song.png"), QString()));
    EXPECT_EQ(m_messages, QStringList { "无法打开图片文件" });
    EXPECT_TRUE(v.picture().isEmpty());
    EXPECT_EQ(v.document()->rowCount(), rows);
    EXPECT_FALSE(QFile::exists(first));
}

TEST_F(LayoutView, CommandsFollowTheirEnablingRules)
{
    CLayoutView& v = makeView();
    // No document rows yet: adding a region is refused, also when posted.
    EXPECT_FALSE(v.isCommandEnabled(kCmdAddRegion));
    EXPECT_FALSE(v.runCommand(kCmdAddRegion));
    QCoreApplication::postEvent(&v, new CAppMessage(kMsgCommand, kCmdDeleteRegion));
    settle();
    EXPECT_FALSE(v.isCommandEnabled(kCmdDeleteRegion));

    makeSong();
    ASSERT_TRUE(v.openPicture(path("song.png"), QString()));
    EXPECT_TRUE(v.runCommand(kCmdAddRegion));
    EXPECT_STREQ(commandManager().commandName(), "rect");
    EXPECT_EQ(v.paneText(kPaneChanged), "");
    EXPECT_EQ(v.paneText(kPaneZoom), QString::asprintf("%.1f%%", v.xform().zoom() * 100.0));
}

TEST_F(LayoutView, RegionWithoutCurrentRowBelongsToNoRow)
{
    makeSong();
    CLayoutView& v = makeView();
    ASSERT_TRUE(v.openPicture(path("song.png"), QString()));
    ASSERT_EQ(v.document()->currentRow(), 0);
    ASSERT_TRUE(v.runCommand(kCmdAddRegion));
    // Drive the command the way the pointer would.
    auto send = [&](QEvent::Type type, MgPoint model, Qt::MouseButton b, Qt::MouseButtons bs) {
        const MgPoint d = model * v.xform().modelToDisplay();
        QMouseEvent e(type, QPointF(d.x, d.y), QPointF(d.x, d.y), b, bs, Qt::NoModifier);
        QApplication::sendEvent(&v, &e);
    };
    send(QEvent::MouseButtonPress, { 10, 200 }, Qt::LeftButton, Qt::LeftButton);
    send(QEvent::MouseMove, { 40, 230 }, Qt::NoButton, Qt::LeftButton);
    send(QEvent::MouseMove, { 60, 260 }, Qt::NoButton, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, { 60, 260 }, Qt::LeftButton, Qt::NoButton);
    settle();
    const MgShape* added = v.shapes()->lastShape();
    ASSERT_NE(added, nullptr);
    EXPECT_EQ(added->tag() >> 16, 0);
    EXPECT_TRUE(v.isModified());
    EXPECT_EQ(v.document()->formatFile().find("10|200|60|260"), std::string::npos);
}

TEST_F(LayoutView, PictureThatIsNoRegularFileIsRefusedAtOnce)
{
    // A FIFO without a writer would block a plain open for ever.
    const QString fifo = path("pipe.png");
    ASSERT_EQ(::mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
    CLayoutView& v = makeView();
    EXPECT_FALSE(v.openPicture(fifo, QString()));
    EXPECT_FALSE(v.openPicture(m_dir, QString())); // a folder
    EXPECT_EQ(m_messages, (QStringList { "无法打开图片文件", "无法打开图片文件" }));
}

TEST_F(LayoutView, FramesAfterAShapeChangeMatchWhicheverWayTheyAreDrawn)
{
    // After the shapes change, the first frame is drawn straight onto the window, the next one
    // off-screen to keep it as the cached frame, later ones from that cache: all the same pixels.
    makeSong();
    QImage detail(400, 300, QImage::Format_RGB32);
    for (int y = 0; y < detail.height(); ++y)
        for (int x = 0; x < detail.width(); ++x)
            detail.setPixel(x, y, qRgb(x % 256, y % 256, (x * y) % 256));
    ASSERT_TRUE(detail.save(path("song.png"), "PNG"));
    CLayoutView& v = makeView();
    v.resize(600, 400);
    ASSERT_TRUE(v.openPicture(path("song.png"), QString()));
    const QImage before = v.grab().toImage();
    ASSERT_TRUE(v.canvas().hasCachedImage(false));

    MgShape* region = v.document()->FindRegion(2, 0);
    ASSERT_NE(region, nullptr);
    auto* rect = dynamic_cast<MgBaseRect*>(&region->shape());
    ASSERT_NE(rect, nullptr);
    rect->setRect(MgBox(60, 40, 200, 90), 0);
    rect->update();
    v.proxy()->regenerate();
    const QImage direct = v.grab().toImage();
    EXPECT_FALSE(v.canvas().hasCachedImage(false));
    const QImage rebuilt = v.grab().toImage();
    EXPECT_TRUE(v.canvas().hasCachedImage(false));
    const QImage cached = v.grab().toImage();
    EXPECT_NE(direct, before);
    EXPECT_EQ(rebuilt, direct);
    EXPECT_EQ(cached, direct);
}
