// Hostile pictures at the level of the picture holder: damaged, truncated, empty, lying and
// misnamed files, and paths that are no files at all. Every one either loads with the size its
// header gives or leaves the holder empty; none crashes or hangs.
#include "graph/qt/gigdipimage.h"
#include "support/picture_bytes.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace picturebytes;

namespace {

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeAll(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

// Loads path and checks the holder's one promise: empty, or the size the header gives.
void expectSizeOrEmpty(const QString& path, const std::optional<QSize>& expected)
{
    GiGdipImage img;
    const bool ok = img.load(path);
    EXPECT_EQ(ok, !img.isEmpty());
    if (!ok) {
        EXPECT_EQ(img.width(), 0);
        EXPECT_EQ(img.height(), 0);
        return;
    }
    ASSERT_TRUE(expected.has_value()) << "a picture loaded from a file whose header declares no size";
    EXPECT_EQ(QSize(img.width(), img.height()), *expected);
    EXPECT_EQ(img.image().format(), QImage::Format_ARGB32_Premultiplied);
}

// Runs load(path) in a child process that is stopped after seconds; true when it finished (the
// result is then in loaded) and false when it hung.
bool loadsWithoutHanging(const QString& path, unsigned seconds, bool& loaded)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::alarm(seconds);
        GiGdipImage img;
        ::_exit(img.load(path) ? 1 : 0);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    loaded = WIFEXITED(status) && WEXITSTATUS(status) == 1;
    return WIFEXITED(status);
}

class HostilePictureTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }
    QString path(const char* name) const { return m_dir.filePath(QString::fromLatin1(name)); }
    QTemporaryDir m_dir;
};

} // namespace

// Every shared test picture cut short at two points and with bytes damaged at two places: the damaged file loads with
// its declared size or not at all.
TEST_F(HostilePictureTest, EveryTestPictureTruncatedAndDamaged)
{
    const QDir png(testDataDir("png")), jpeg(testDataDir("jpeg"));
    if (!png.exists() || !jpeg.exists())
        GTEST_SKIP() << "shared test data missing: " << LINDQUA_TESTDATA_DIR << "/png and /jpeg";
    QFileInfoList files = png.entryInfoList({ "*.png" }, QDir::Files, QDir::Name);
    files += jpeg.entryInfoList({ "*.jpg" }, QDir::Files, QDir::Name);
    ASSERT_GT(files.size(), 180);
    const QString target = path("damaged");
    for (const QFileInfo& fi : files) {
        SCOPED_TRACE(fi.fileName().toStdString());
        const QByteArray bytes = readAll(fi.filePath());
        ASSERT_FALSE(bytes.isEmpty());
        const std::optional<QSize> size = headerSize(bytes);
        for (const qsizetype cut : { bytes.size() / 2, bytes.size() - 1 }) {
            SCOPED_TRACE("cut to " + std::to_string(cut) + " bytes");
            ASSERT_TRUE(writeAll(target, bytes.left(cut)));
            expectSizeOrEmpty(target, headerSize(bytes.left(cut)));
        }
        // Damage past the headers, so the declared size stays what it was.
        for (const qsizetype at : { bytes.size() / 2, bytes.size() - 8 }) {
            if (at < 40)
                continue;
            SCOPED_TRACE("damaged at byte " + std::to_string(at));
            QByteArray damaged = bytes;
            for (qsizetype i = at; i < std::min(at + 4, damaged.size()); ++i)
                damaged[i] = char(~damaged[i]);
            ASSERT_TRUE(writeAll(target, damaged));
            expectSizeOrEmpty(target, size);
        }
    }
}

TEST_F(HostilePictureTest, ZeroBytePictures)
{
    for (const char* name : { "empty.png", "empty.jpg", "empty" }) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(writeAll(path(name), QByteArray()));
        GiGdipImage img;
        EXPECT_FALSE(img.load(path(name)));
        EXPECT_TRUE(img.isEmpty());
    }
}

TEST_F(HostilePictureTest, TruncatedJpegAtEveryStage)
{
    // A baseline JPEG cut after each sixteenth: inside the headers, the tables and the scan.
    QImage picture(96, 64, QImage::Format_RGB32);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 96; ++x)
            picture.setPixel(x, y, qRgb(x * 2, y * 3, (x + y) & 0xFF));
    ASSERT_TRUE(picture.save(path("whole.jpg"), "JPEG", 90));
    const QByteArray bytes = readAll(path("whole.jpg"));
    ASSERT_GT(bytes.size(), 1000);
    for (int k = 1; k < 16; ++k) {
        const qsizetype cut = bytes.size() * k / 16;
        SCOPED_TRACE("cut to " + std::to_string(cut) + " of " + std::to_string(bytes.size()) + " bytes");
        ASSERT_TRUE(writeAll(path("cut.jpg"), bytes.left(cut)));
        expectSizeOrEmpty(path("cut.jpg"), headerSize(bytes.left(cut)));
    }
}

TEST_F(HostilePictureTest, PngClaimingOneHundredThousandSquare)
{
    // Ten billion pixels claimed by a file of a few dozen bytes: refused before decoding.
    ASSERT_TRUE(writeAll(path("huge.png"), pngClaiming(100000, 100000)));
    GiGdipImage img;
    EXPECT_FALSE(img.load(path("huge.png")));
    EXPECT_TRUE(img.isEmpty());
}

TEST_F(HostilePictureTest, SmallFileClaimingALargePictureWithinTheLimit)
{
    // 8,000 x 6,000 is within the limit, so decoding starts; the data runs out at once.
    ASSERT_TRUE(writeAll(path("liar.png"), pngClaiming(8000, 6000)));
    expectSizeOrEmpty(path("liar.png"), QSize(8000, 6000));
}

TEST_F(HostilePictureTest, TextFilesNamedAsPictures)
{
    for (const char* name : { "notes.jpg", "notes.png" }) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(writeAll(path(name), "[00:12.50]Morning light on the river\r\nThis is not a picture.\r\n"));
        GiGdipImage img;
        EXPECT_FALSE(img.load(path(name)));
        EXPECT_TRUE(img.isEmpty());
    }
}

TEST_F(HostilePictureTest, PicturesUnderTheOtherFormatsName)
{
    // The format comes from the bytes: a PNG named .jpg and a JPEG named .png both load.
    QImage picture(30, 20, QImage::Format_RGB32);
    picture.fill(qRgb(200, 100, 50));
    ASSERT_TRUE(picture.save(path("png.jpg"), "PNG"));
    ASSERT_TRUE(picture.save(path("jpeg.png"), "JPEG"));
    for (const char* name : { "png.jpg", "jpeg.png" }) {
        SCOPED_TRACE(name);
        GiGdipImage img;
        ASSERT_TRUE(img.load(path(name)));
        EXPECT_EQ(QSize(img.width(), img.height()), QSize(30, 20));
    }
}

TEST_F(HostilePictureTest, PathsThatAreNoPictureFiles)
{
    // A folder, a dangling link and a FIFO without a writer: empty, and the FIFO does not hang.
    ASSERT_TRUE(QDir(m_dir.path()).mkdir("folder.png"));
    ASSERT_TRUE(QFile::link(path("gone.png"), path("dangling.png")));
    ASSERT_EQ(::mkfifo(path("pipe.png").toLocal8Bit().constData(), 0644), 0);
    for (const char* name : { "folder.png", "dangling.png", "pipe.png" }) {
        SCOPED_TRACE(name);
        bool loaded = true;
        ASSERT_TRUE(loadsWithoutHanging(path(name), 10, loaded)) << "loading hung";
        EXPECT_FALSE(loaded);
    }
    // A picture made unreadable: as an ordinary user it cannot be opened (root reads anything).
    QImage picture(4, 4, QImage::Format_RGB32);
    picture.fill(Qt::white);
    ASSERT_TRUE(picture.save(path("locked.png")));
    ASSERT_EQ(::chmod(path("locked.png").toLocal8Bit().constData(), 0), 0);
    if (::geteuid() != 0) {
        GiGdipImage img;
        EXPECT_FALSE(img.load(path("locked.png")));
        EXPECT_TRUE(img.isEmpty());
    }
}
