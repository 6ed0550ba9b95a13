// The lyric document: loading and saving rows and regions, the region tags, and saving safely.
#include "app/lrcdata.h"
#include "app/lrcfile.h"
#include "app/lrcformat.h"
#include "shape/mgrect.h"
#include "shape/mgshape.h"
#include "shape/mgshapes.h"
#include "support/file_helpers.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

using testfiles::folderEntries;
using testfiles::readFile;
using testfiles::writeFile;

// Loads path, adds a region and saves, as an ordinary user when running as root. The exit code
// says what went wrong: 0 when the save failed with EACCES as it should.
int saveAsOrdinaryUser(const fs::path& path)
{
    if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
        return 10;
    MgShapesT<>* shapes = MgShapesT<>::create(true);
    CLrcData doc;
    float w = 10, h = 10;
    if (!doc.LoadLrc(shapes, lrcFromUtf8(path.string()), w, h))
        return 11;
    doc.setCurrentRow(1);
    MgShapeT<MgRect>* rect = MgShapeT<MgRect>::create();
    rect->m_shape.setRect(MgBox(1, 2, 3, 4), 0);
    doc.TagNewRegion(shapes->addShapeCopy(*rect));
    const LrcSaveResult result = doc.SaveLrc();
    if (result.status != LrcSaveResult::Failed)
        return 12;
    if (result.errorCode != EACCES || result.error != lrcFromUtf8(lrcErrorText(EACCES)))
        return 13;
    return 0;
}

// Whether a child process can become user 65534 and still read path (the test's folder must
// be reachable for it).
bool ordinaryUserCanRead(const fs::path& path)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        const bool ok = ::setgid(65534) == 0 && ::setuid(65534) == 0 && ::access(path.c_str(), R_OK) == 0;
        std::_Exit(ok ? 0 : 1);
    }
    int status = 0;
    return pid > 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

class LrcDataTest : public testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "lrcdata-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
        m_shapes = MgShapesT<>::create(true);
        CLrcData::setMessageHook([this](const std::wstring& message) { m_messages.push_back(message); });
    }
    void TearDown() override
    {
        CLrcData::setMessageHook({});
        m_shapes->release();
        std::error_code ec;
        fs::permissions(m_dir, fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(m_dir, ec);
    }

    fs::path file(const std::string& name, std::string_view bytes)
    {
        const fs::path path = m_dir / name;
        writeFile(path, bytes);
        return path;
    }

    bool load(const fs::path& path, float w = 800, float h = 600)
    {
        m_width = w;
        m_height = h;
        return m_doc.LoadLrc(m_shapes, lrcFromUtf8(path.string()), m_width, m_height);
    }

    // What the view does after the rectangle command added a shape: tag it for the current row.
    MgShape* draw(const MgBox& box)
    {
        MgShapeT<MgRect>* rect = MgShapeT<MgRect>::create();
        rect->m_shape.setRect(box, 0);
        MgShape* added = m_shapes->addShapeCopy(*rect);
        rect->release();
        m_doc.TagNewRegion(added);
        return added;
    }

    std::wstring regionText(int row, int index) const { return m_doc.FormatRegion(m_doc.FindRegion(row, index)); }

    fs::path m_dir;
    MgShapesT<>* m_shapes = nullptr;
    CLrcData m_doc;
    float m_width = 0, m_height = 0;
    std::vector<std::wstring> m_messages;
};

} // namespace

TEST_F(LrcDataTest, NewDocumentIsEmpty)
{
    CLrcData doc;
    EXPECT_EQ(doc.rowCount(), 0);
    EXPECT_EQ(doc.currentRow(), 0);
    EXPECT_EQ(doc.shapes(), nullptr);
    EXPECT_TRUE(doc.lrcPath().empty());
    EXPECT_TRUE(doc.header().empty());
    EXPECT_EQ(doc.SaveLrc().status, LrcSaveResult::NothingToWrite);
    EXPECT_EQ(doc.FindRegion(0, 0), nullptr);
    EXPECT_EQ(doc.FormatRegion(nullptr), L"?");
    EXPECT_EQ(doc.rowText(1), L"");
}

TEST_F(LrcDataTest, WorkedExampleEndToEnd)
{
    const fs::path path = file("song.lrc", readFile(fs::path(LINDQUA_APP_FIXTURES) / "song.lrc"));
    const int before = m_shapes->changeCount();
    ASSERT_TRUE(load(path));
    EXPECT_EQ(m_doc.header(), L"[00:00.00]song@0|0|800|600");
    EXPECT_EQ(m_shapes->changeCount(), before + 1) << "the made-up header is a change";
    EXPECT_EQ(m_width, 800);
    EXPECT_EQ(m_height, 600);
    ASSERT_EQ(m_doc.rowCount(), 2);
    EXPECT_EQ(m_doc.rowText(1), L"[00:12.50]Morning light on the river");
    EXPECT_EQ(m_doc.shapes(), m_shapes);

    m_doc.setCurrentRow(1);
    MgShape* a = draw(MgBox(120.4f, 40.6f, 380.5f, 72.2f));
    MgShape* b = draw(MgBox(96, 80, 300, 110));
    EXPECT_EQ(a->tag(), (1 << 16) | 1);
    EXPECT_EQ(b->tag(), (1 << 16) | 2);
    EXPECT_EQ(m_doc.FindRegion(0, 1), b);
    EXPECT_EQ(m_doc.FindRegion(1, 0), a);

    const LrcSaveResult saved = m_doc.SaveLrc();
    EXPECT_EQ(saved.status, LrcSaveResult::Written) << std::string(saved.error.begin(), saved.error.end());
    EXPECT_EQ(readFile(path),
        "[00:00.00]song@0|0|800|600\r\n"
        "[00:12.50]Morning light on the river@120|41|381|72,96|80|300|110\r\n"
        "[00:17.80]Wind across the hill\r\n");

    const int afterSave = m_shapes->changeCount();
    ASSERT_TRUE(load(path, 1, 1));
    EXPECT_EQ(m_shapes->changeCount(), afterSave) << "a file with its header loads without a change";
    EXPECT_EQ(m_width, 800);
    EXPECT_EQ(m_shapes->shapeCount(), 2);
    EXPECT_EQ(regionText(1, 0), L"120|41|381|72");
    EXPECT_EQ(regionText(1, 1), L"96|80|300|110");
    EXPECT_EQ(m_doc.FindRegion(2, 0), nullptr);
}

TEST_F(LrcDataTest, LoadedRegionsCarryTheDefaultContextAndTags)
{
    GiContext ctx = *m_shapes->context();
    ctx.setLineWidth(-2);
    *m_shapes->context() = ctx;
    ASSERT_TRUE(load(file("a.lrc", "one\r\ntwo@1|2|3|4,5|6|7|8\r\n")));
    ASSERT_EQ(m_shapes->shapeCount(), 2);
    MgShape* r = m_doc.FindRegion(2, 1);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->tag(), (2 << 16) | 2);
    EXPECT_EQ(r->context(), ctx);
    EXPECT_TRUE(r->shape().isKindOf(MgRect::Type()));
    EXPECT_EQ(m_doc.FormatRegion(r), L"5|6|7|8");
}

TEST_F(LrcDataTest, MissingNumbersCloseUpOnSave)
{
    const fs::path path = file("gap.lrc", "[00:00.00]t@0|0|9|9\r\na@1|1|5|5,2|2|6|6,3|3|7|7\r\n");
    ASSERT_TRUE(load(path));
    MgShape* second = m_doc.FindRegion(1, 1);
    ASSERT_NE(second, nullptr);
    m_shapes->removeShape(second->id())->release();
    ASSERT_TRUE(m_doc.SaveLrc());
    EXPECT_EQ(readFile(path), "[00:00.00]t@0|0|9|9\r\na@1|1|5|5,3|3|7|7\r\n");
    ASSERT_TRUE(load(path));
    EXPECT_EQ(regionText(1, 0), L"1|1|5|5");
    EXPECT_EQ(regionText(1, 1), L"3|3|7|7");
    EXPECT_EQ(m_doc.FindRegion(1, 2), nullptr);
}

TEST_F(LrcDataTest, SixthRectangleIsKeptButNotSaved)
{
    const std::string full = "r@1|1|2|2,1|1|3|3,1|1|4|4,1|1|5|5,1|1|6|6\r\n";
    const fs::path path = file("six.lrc", "[00:00.00]t@0|0|9|9\r\n" + full);
    ASSERT_TRUE(load(path));
    m_doc.setCurrentRow(1);
    MgShape* extra = draw(MgBox(50, 50, 60, 60));
    EXPECT_EQ(extra->tag(), (1 << 16) | 6);
    EXPECT_EQ(m_doc.FindRegion(1, 5), extra);
    EXPECT_EQ(m_shapes->shapeCount(), 6);
    ASSERT_TRUE(m_doc.SaveLrc());
    EXPECT_EQ(readFile(path), "[00:00.00]t@0|0|9|9\r\n" + full);
    EXPECT_EQ(m_shapes->shapeCount(), 6);
}

TEST_F(LrcDataTest, SixGroupsLoadFive)
{
    ASSERT_TRUE(load(file("six.lrc", "r@1|1|2|2,1|1|3|3,1|1|4|4,1|1|5|5,1|1|6|6,1|1|7|7\n")));
    EXPECT_EQ(m_shapes->shapeCount(), 5);
    EXPECT_EQ(m_doc.FindRegion(1, 5), nullptr);
    EXPECT_EQ(regionText(1, 4), L"1|1|6|6");
}

TEST_F(LrcDataTest, FreeNumberIsTheLowest)
{
    ASSERT_TRUE(load(file("f.lrc", "a@1|1|5|5,2|2|6|6,3|3|7|7\nb\n")));
    m_shapes->removeShape(m_doc.FindRegion(1, 1)->id())->release();
    m_doc.setCurrentRow(1);
    EXPECT_EQ(draw(MgBox(0, 0, 1, 1))->tag(), (1 << 16) | 2);
    EXPECT_EQ(draw(MgBox(0, 0, 1, 1))->tag(), (1 << 16) | 4);
    m_doc.setCurrentRow(2);
    EXPECT_EQ(draw(MgBox(0, 0, 1, 1))->tag(), (2 << 16) | 1);
    EXPECT_EQ(m_doc.FindRegion(0, 0), m_shapes->lastShape());
    EXPECT_EQ(m_doc.FindRegion(-1, 0), nullptr);
    EXPECT_EQ(m_doc.FindRegion(1, -1), nullptr);
}

TEST_F(LrcDataTest, MissingFileShowsTheMessageAndNeverSaves)
{
    ASSERT_TRUE(load(file("x.lrc", "a@1|2|3|4\n")));
    ASSERT_EQ(m_shapes->shapeCount(), 1);
    const fs::path missing = m_dir / "nothing here.lrc";
    EXPECT_FALSE(load(missing));
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_EQ(m_messages[0], L"歌词文件不存在，不能划位。\n" + lrcFromUtf8(missing.string()));
    ASSERT_EQ(m_doc.rowCount(), 1);
    EXPECT_EQ(m_doc.rowText(1), L"歌词文件不存在");
    EXPECT_TRUE(m_doc.header().empty());
    EXPECT_EQ(m_doc.lrcPath(), lrcFromUtf8(missing.string()));
    EXPECT_EQ(m_shapes->shapeCount(), 0) << "the collection is emptied first";
    m_doc.setCurrentRow(1);
    draw(MgBox(1, 1, 5, 5));
    EXPECT_EQ(m_doc.SaveLrc().status, LrcSaveResult::NothingToWrite);
    EXPECT_FALSE(fs::exists(missing));

    // Without a hook the failure is still reported by the result.
    CLrcData::setMessageHook({});
    EXPECT_FALSE(load(missing));
    EXPECT_EQ(m_messages.size(), 1u);
}

TEST_F(LrcDataTest, EmptyFileGetsAHeaderButWritesNothing)
{
    for (const char* bytes : { "", " \r\n\t\r\n\n" }) {
        SCOPED_TRACE(testing::Message() << "bytes \"" << bytes << "\"");
        const fs::path path = file("blank.b.lrc", bytes);
        const int before = m_shapes->changeCount();
        ASSERT_TRUE(load(path));
        EXPECT_EQ(m_doc.rowCount(), 0);
        EXPECT_EQ(m_doc.header(), L"[00:00.00]blank@0|0|800|600");
        EXPECT_EQ(m_shapes->changeCount(), before + 1);
        EXPECT_EQ(m_doc.SaveLrc().status, LrcSaveResult::NothingToWrite);
        EXPECT_EQ(readFile(path), bytes);
    }
}

TEST_F(LrcDataTest, HeaderSizeOverridesThePicture)
{
    struct Case {
        const char* name;
        std::string header;
        float width, height;
        std::wstring memory;
    };
    const Case cases[] = {
        { "declared size", "[00:00.00]t@0|0|1024|768", 1024, 768, L"[00:00.00]t@0|0|1024|768" },
        { "one by one ignored", "[00:00.00]t@0|0|1|1", 800, 600, L"[00:00.00]t@0|0|800|600" },
        { "no suffix", "[00:00.00]t", 800, 600, L"[00:00.00]t@0|0|800|600" },
        { "second header dropped", "[00:00.00]t@0|0|640|480\n[00:00.00]u@0|0|320|240", 640, 480,
            L"[00:00.00]t@0|0|640|480" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path path = file("h.lrc", c.header + "\nrow\n");
        const int before = m_shapes->changeCount();
        ASSERT_TRUE(load(path));
        EXPECT_EQ(m_width, c.width);
        EXPECT_EQ(m_height, c.height);
        EXPECT_EQ(m_doc.header(), c.memory);
        EXPECT_EQ(m_shapes->changeCount(), before);
        ASSERT_TRUE(m_doc.SaveLrc());
        std::string expected(c.memory.begin(), c.memory.end());
        if (c.header.find('\n') != std::string::npos)
            expected += "\r\n[00:00.00]u@0|0|320|240"; // a later header line is kept, verbatim
        EXPECT_EQ(readFile(path), expected + "\r\nrow\r\n");
        EXPECT_EQ(m_doc.rowCount(), 1);
    }
    // A fractional picture size rounds halves away from zero in the suffix.
    ASSERT_TRUE(load(file("r.lrc", "row\n"), 799.5f, 600.4f));
    EXPECT_EQ(m_doc.header(), L"[00:00.00]r@0|0|800|600");
}

TEST_F(LrcDataTest, FileIsWrittenBackInItsEncodingWithItsOwnBytes)
{
    struct Case {
        const char* name;
        LrcEncoding encoding;
        std::wstring text;
        std::string stray; // bytes invalid in the encoding, kept as they are
    };
    const Case cases[] = {
        { "gb18030", LrcEncoding::Gb18030, L"[00:00.00]标题@0|0|640|480\r\n第一行\r\n𠀀二\r\n", "\xFF" },
        { "utf-8", LrcEncoding::Utf8, L"[00:00.00]标题@0|0|640|480\r\n第一行\r\n𠀀二\r\n", "" },
        { "utf-8 bom", LrcEncoding::Utf8Bom, L"[00:00.00]标题@0|0|640|480\r\n第一行\r\n𠀀二\r\n", "" },
        { "utf-16le", LrcEncoding::Utf16Le, L"[00:00.00]标题@0|0|640|480\r\n第一行\r\n𠀀二\r\n", "" },
        { "utf-16be", LrcEncoding::Utf16Be, L"[00:00.00]标题@0|0|640|480\r\n第一行\r\n𠀀二\r\n", "" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string bom(lrcByteOrderMark(c.encoding));
        std::string bytes = bom + lrcEncode(c.encoding, c.text);
        // The stray byte goes into row 2's text, after its first character.
        const std::string firstRowEnd = lrcEncode(c.encoding, L"第一行\r\n");
        const std::size_t row2 = bytes.find(firstRowEnd) + firstRowEnd.size();
        bytes.insert(row2 + lrcEncode(c.encoding, L"𠀀").size(), c.stray);
        const fs::path path = file("enc.lrc", bytes);
        ASSERT_TRUE(load(path));
        EXPECT_EQ(m_doc.encoding(), c.encoding);
        EXPECT_EQ(m_doc.rowText(1), L"第一行");
        m_doc.setCurrentRow(2);
        draw(MgBox(1, 2, 3, 4));
        ASSERT_TRUE(m_doc.SaveLrc());
        std::string expected = bytes;
        const std::string crlf = lrcEncode(c.encoding, L"\r\n");
        expected.insert(expected.size() - crlf.size(), lrcEncode(c.encoding, L"@1|2|3|4"));
        EXPECT_EQ(readFile(path), expected);
    }
}

TEST_F(LrcDataTest, MadeUpHeaderIsWrittenInTheFileEncoding)
{
    for (LrcEncoding enc : { LrcEncoding::Gb18030, LrcEncoding::Utf8Bom, LrcEncoding::Utf16Le, LrcEncoding::Utf16Be }) {
        SCOPED_TRACE(lrcEncodingName(enc));
        const std::string bom(lrcByteOrderMark(enc));
        const fs::path path = file("歌.词.lrc", bom + lrcEncode(enc, L"一行\n"));
        ASSERT_TRUE(load(path, 640, 480));
        EXPECT_EQ(m_doc.header(), L"[00:00.00]歌@0|0|640|480");
        ASSERT_TRUE(m_doc.SaveLrc());
        EXPECT_EQ(readFile(path), bom + lrcEncode(enc, L"[00:00.00]歌@0|0|640|480\r\n一行\r\n"));
    }
}

TEST_F(LrcDataTest, RowsBeyondTheTagRangeKeepTheirWholeLines)
{
    std::string bytes = "[00:00.00]big@0|0|99|99\r\nfirst\r\n";
    for (int r = 2; r <= 65535; ++r)
        bytes += "r\r\n";
    bytes += "x@1|2|3|4\r\n"; // row 65536: its tags would be those of row 0
    bytes += "y@5|6|7|8,1|1|2|2\r\n"; // row 65537: its tags would be those of row 1
    const fs::path path = file("big.lrc", bytes);
    ASSERT_TRUE(load(path));
    ASSERT_EQ(m_doc.rowCount(), 65537);
    EXPECT_EQ(m_doc.rowText(65536), L"x@1|2|3|4");
    EXPECT_EQ(m_doc.rowText(65537), L"y@5|6|7|8,1|1|2|2");
    EXPECT_EQ(m_shapes->shapeCount(), 0);
    EXPECT_EQ(m_doc.FindRegion(1, 0), nullptr);
    EXPECT_EQ(m_doc.FindRegion(65537, 0), nullptr);

    m_doc.setCurrentRow(65537);
    EXPECT_EQ(draw(MgBox(0, 0, 9, 9))->tag(), 0) << "a row beyond the range takes no region";
    m_doc.setCurrentRow(1);
    draw(MgBox(10, 10, 20, 20));
    ASSERT_TRUE(m_doc.SaveLrc());
    std::string expected = bytes;
    expected.replace(expected.find("first\r\n"), 7, "first@10|10|20|20\r\n");
    EXPECT_EQ(readFile(path), expected);
}

TEST_F(LrcDataTest, SavingThroughASymbolicLinkKeepsTheLinkAndThePermissions)
{
    const fs::path real = file("real.lrc", "[00:00.00]t@0|0|9|9\r\nrow\r\n");
    fs::permissions(real, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    fs::create_directory(m_dir / "links");
    const fs::path link = m_dir / "links" / "song.lrc";
    fs::create_symlink("../real.lrc", link);
    ASSERT_TRUE(load(link));
    m_doc.setCurrentRow(1);
    draw(MgBox(1, 2, 3, 4));
    const LrcSaveResult result = m_doc.SaveLrc();
    ASSERT_EQ(result.status, LrcSaveResult::Written);
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(fs::read_symlink(link), "../real.lrc");
    EXPECT_EQ(readFile(real), "[00:00.00]t@0|0|9|9\r\nrow@1|2|3|4\r\n");
    EXPECT_EQ(fs::status(real).permissions() & fs::perms::all,
        fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(folderEntries(m_dir), (std::vector<std::string> { "links", "real.lrc" }));
}

TEST_F(LrcDataTest, WriteFailingMidwayLeavesTheFileUntouched)
{
    // The file-size limit makes write() fail with EFBIG once the temporary file reaches it, as a
    // full disk would.
    std::string original = "[00:00.00]t@0|0|999|999\r\n";
    for (int r = 0; r < 200; ++r)
        original += "row " + std::to_string(r) + "\r\n";
    const fs::path path = file("full.lrc", original);
    ASSERT_TRUE(load(path));
    for (int r = 1; r <= 200; ++r) {
        m_doc.setCurrentRow(r);
        draw(MgBox(100, 200, 300, 400));
    }
    ASSERT_GT(m_doc.formatFile().size(), original.size() + 1000);

    rlimit old {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = original.size() + 100;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const LrcSaveResult result = m_doc.SaveLrc();
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_EQ(result.status, LrcSaveResult::Failed);
    EXPECT_FALSE(result.ok());
    EXPECT_EQ(result.errorCode, EFBIG);
    EXPECT_EQ(result.error, lrcFromUtf8(lrcErrorText(EFBIG)));
    EXPECT_FALSE(result.error.empty());
    EXPECT_EQ(readFile(path), original);
    EXPECT_EQ(folderEntries(m_dir), std::vector<std::string> { "full.lrc" }) << "no temporary file left behind";
}

TEST_F(LrcDataTest, SavingIntoAReadOnlyFolderReportsFailure)
{
    const fs::path path = file("ro.lrc", "[00:00.00]t@0|0|9|9\r\nrow\r\n");
    fs::permissions(
        path, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::others_read);
    fs::permissions(m_dir,
        fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read | fs::perms::group_exec
            | fs::perms::others_read | fs::perms::others_exec);
    // Run in a child process so that, when the tests run as root, the child can become an
    // ordinary user for whom the folder's permissions hold.
    if (::geteuid() == 0 && !ordinaryUserCanRead(path))
        GTEST_SKIP() << "running as root and cannot act as user 65534 on " << path;
    EXPECT_EXIT(std::_Exit(saveAsOrdinaryUser(path)), testing::ExitedWithCode(0), "");
    EXPECT_EQ(readFile(path), "[00:00.00]t@0|0|9|9\r\nrow\r\n");
    EXPECT_EQ(folderEntries(m_dir), std::vector<std::string> { "ro.lrc" });
}

TEST_F(LrcDataTest, SavingIntoAMissingFolderReportsFailure)
{
    ASSERT_TRUE(load(file("m.lrc", "row\n")));
    fs::remove_all(m_dir);
    const LrcSaveResult result = m_doc.SaveLrc();
    EXPECT_EQ(result.status, LrcSaveResult::Failed);
    EXPECT_EQ(result.errorCode, ENOENT);
    fs::create_directory(m_dir);
}

TEST_F(LrcDataTest, NewFileGetsTheUsualPermissions)
{
    const fs::path path = file("gone.lrc", "row\n");
    ASSERT_TRUE(load(path));
    fs::remove(path);
    const mode_t mask = ::umask(022);
    ASSERT_EQ(m_doc.SaveLrc().status, LrcSaveResult::Written);
    ::umask(mask);
    EXPECT_EQ(fs::status(path).permissions() & fs::perms::all,
        fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::others_read);
}

TEST_F(LrcDataTest, SharedFilesLoadAndSaveWithoutLosingARowOrAByte)
{
    const fs::path dir = fs::path(LINDQUA_TESTDATA_DIR) / "lrc";
    if (!fs::is_directory(dir))
        GTEST_SKIP() << "shared LRC test data missing: " << dir << " (expected ../shared/testdata beside the clone)";
    int files = 0;
    for (const auto& entry : fs::directory_iterator(dir)) {
        if (entry.path().extension() != ".lrc")
            continue;
        ++files;
        SCOPED_TRACE(entry.path().filename().string());
        const std::string original = readFile(entry.path());
        const fs::path path = file("shared.lrc", original);
        ASSERT_TRUE(load(path, 100, 100));
        const int rows = m_doc.rowCount();
        std::vector<std::wstring> texts;
        for (int r = 1; r <= rows; ++r)
            texts.push_back(m_doc.rowText(r));
        m_doc.setCurrentRow(rows);
        draw(MgBox(1, 2, 3, 4));
        const int regions = m_shapes->shapeCount();
        const LrcSaveResult result = m_doc.SaveLrc();
        ASSERT_EQ(result.status, LrcSaveResult::Written);

        const std::string saved = readFile(path);
        const LrcContent before = lrcRead(original);
        const LrcContent after = lrcRead(saved);
        EXPECT_EQ(after.encoding, before.encoding);
        ASSERT_EQ(after.rows.size(), before.rows.size());
        for (std::size_t r = 0; r < before.rows.size(); ++r) {
            // A row's text bytes come back exactly, except blanks trailing a text that had a
            // suffix and has no region now (the reader trims those).
            const auto& a = before.rows[r];
            const auto& b = after.rows[r];
            const bool bare = a.boxCount == 0 && !a.text.empty() && a.text.find(L'@') == std::wstring::npos
                && r + 1 != before.rows.size();
            if (bare) {
                EXPECT_TRUE(a.rawText.starts_with(b.rawText));
            } else {
                EXPECT_EQ(b.rawText, a.rawText);
            }
        }
        ASSERT_TRUE(load(path, 100, 100));
        EXPECT_EQ(m_doc.rowCount(), rows);
        EXPECT_EQ(m_shapes->shapeCount(), regions);
        for (int r = 1; r <= rows; ++r)
            EXPECT_EQ(m_doc.rowText(r).find(L'\xFFFD'), std::wstring::npos);
    }
    EXPECT_GT(files, 0) << "no .lrc files in " << dir;
}
