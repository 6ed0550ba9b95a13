// Hostile LRC files and paths at the level of the lyric document: what the user is shown (the
// message hook's text, the save failure's reason) and that nothing is lost (files byte-identical
// where nothing changed, every row's bytes kept where something did).
//
// Tests that need another user, a private mount or protection against a hang run their part in
// a child process, which reports the expectations that failed back through a pipe.
#include "app/lrcdata.h"
#include "app/lrcencoding.h"
#include "app/lrcfile.h"
#include "shape/mgrect.h"
#include "shape/mgshape.h"
#include "shape/mgshapes.h"
#include "support/file_helpers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <grp.h>
#include <sched.h>
#include <sstream>
#include <string>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

using testfiles::folderEntries;
using testfiles::readFile;
using testfiles::writeFile;

const std::wstring kMissingMessage = L"歌词文件不存在，不能划位。\n";
const std::wstring kMissingRow = L"歌词文件不存在";

// UTF-16LE bytes of ASCII text.
std::string utf16le(std::string_view ascii)
{
    std::string out;
    for (char c : ascii) {
        out += c;
        out += '\0';
    }
    return out;
}

// Expectations checked in a child process, gathered as text for the parent to report.
class ChildReport {
public:
    void expect(bool ok, const std::string& what)
    {
        if (!ok)
            m_text += what + "\n";
    }
    std::string m_text;
};

// Runs body in a child process and returns what it reported: empty when every expectation held,
// "skip: ..." when the test cannot run here, anything else names the failures. The child ends
// with _exit so that nothing of the parent (test state, buffers) runs twice. A child that hangs
// is ended by SIGALRM after timeoutSeconds and reported as hung.
std::string inChild(const std::function<std::string()>& body, unsigned timeoutSeconds = 20)
{
    int fds[2];
    if (::pipe(fds) != 0)
        return "pipe failed";
    const pid_t pid = ::fork();
    if (pid < 0)
        return "fork failed";
    if (pid == 0) {
        ::close(fds[0]);
        ::alarm(timeoutSeconds);
        const std::string report = body();
        std::size_t done = 0;
        while (done < report.size()) {
            const ssize_t n = ::write(fds[1], report.data() + done, report.size() - done);
            if (n <= 0)
                break;
            done += static_cast<std::size_t>(n);
        }
        ::_exit(0);
    }
    ::close(fds[1]);
    std::string report;
    char buffer[4096];
    ssize_t n;
    while ((n = ::read(fds[0], buffer, sizeof buffer)) > 0)
        report.append(buffer, static_cast<std::size_t>(n));
    ::close(fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (WIFSIGNALED(status)) {
        return WTERMSIG(status) == SIGALRM
            ? "the child hung and was stopped after " + std::to_string(timeoutSeconds) + " s"
            : "the child died of signal " + std::to_string(WTERMSIG(status));
    }
    return report;
}

// Drops root, so that file permissions hold as they do for the tool's users. Empty on success.
std::string becomeOrdinaryUser()
{
    if (::geteuid() != 0)
        return {};
    if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)
        return "could not become an ordinary user (nobody)";
    return {};
}

#define EXPECT_CHILD_OK(report)                                                                                        \
    do {                                                                                                               \
        const std::string r_ = (report);                                                                               \
        if (r_.rfind("skip: ", 0) == 0)                                                                                \
            GTEST_SKIP() << r_.substr(6);                                                                              \
        EXPECT_EQ(r_, "");                                                                                             \
    } while (false)

// A document with its own collection and the messages it showed.
struct Doc {
    Doc()
    {
        CLrcData::setMessageHook([this](const std::wstring& m) { messages.push_back(m); });
    }
    ~Doc()
    {
        CLrcData::setMessageHook({});
        shapes->release();
    }
    Doc(const Doc&) = delete;
    Doc& operator=(const Doc&) = delete;

    bool load(const fs::path& path)
    {
        width = 800;
        height = 600;
        return data.LoadLrc(shapes, path.wstring(), width, height);
    }
    // A rectangle drawn on the current row, tagged as the layout view tags it.
    void draw(int row, const MgBox& box)
    {
        data.setCurrentRow(row);
        MgShapeT<MgRect>* rect = MgShapeT<MgRect>::create();
        rect->m_shape.setRect(box, 0);
        data.TagNewRegion(shapes->addShapeCopy(*rect));
        rect->release();
    }

    MgShapesT<>* shapes = MgShapesT<>::create(true);
    CLrcData data;
    float width = 0, height = 0;
    std::vector<std::wstring> messages;
};

class HostileLrcTest : public testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "hostile-lrc-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
        // Others may pass through, so that a child running as an ordinary user reaches the files.
        fs::permissions(m_dir, fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
    }
    void TearDown() override
    {
        std::error_code ec;
        fs::remove_all(m_dir, ec);
    }

    fs::path file(const std::string& name, std::string_view bytes)
    {
        const fs::path path = m_dir / name;
        writeFile(path, bytes);
        return path;
    }

    fs::path m_dir;
};

} // namespace

// ---------------------------------------------------------------------------------------------
// Hostile contents. Each loads, shows its rows, and saves back without losing a byte.

TEST_F(HostileLrcTest, InvalidBytesForTheEncodingShowAsReplacementsAndAreSavedUnchanged)
{
    struct Case {
        const char* name;
        std::string file;
        LrcEncoding encoding;
        int rowWithInvalidBytes;
        std::string saved; // after drawing a region on row 1
    };
    const std::string bom = "\xEF\xBB\xBF";
    const Case cases[] = {
        { "GB18030: half characters and bytes that start nothing", "\x81\x20 bad\xFF\r\nok\x80@1|2|3|4\r\n",
            LrcEncoding::Gb18030, 1, "[00:00.00]bad@0|0|800|600\r\n\x81\x20 bad\xFF@5|6|70|80\r\nok\x80@1|2|3|4\r\n" },
        { "UTF-8 with its mark: an overlong form and a cut sequence",
            bom + "good \xE4\xB8\xAD\nbad \xC0\xAF\xE4\xB8@5|6|7|8\n", LrcEncoding::Utf8Bom, 2,
            bom + "[00:00.00]bad@0|0|800|600\r\ngood \xE4\xB8\xAD@5|6|70|80\r\nbad \xC0\xAF\xE4\xB8@5|6|7|8\r\n" },
        { "UTF-16LE: a lone surrogate", "\xFF\xFE" + utf16le("x") + std::string("\x00\xD8", 2) + utf16le("@1|2|3|4\n"),
            LrcEncoding::Utf16Le, 1,
            "\xFF\xFE" + utf16le("[00:00.00]bad@0|0|800|600\r\nx") + std::string("\x00\xD8", 2)
                + utf16le("@1|2|3|4,5|6|70|80\r\n") },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path path = file("bad.lrc", c.file);
        Doc doc;
        ASSERT_TRUE(doc.load(path));
        EXPECT_TRUE(doc.messages.empty());
        EXPECT_EQ(doc.data.encoding(), c.encoding);
        EXPECT_NE(doc.data.rowText(c.rowWithInvalidBytes).find(L'\uFFFD'), std::wstring::npos)
            << "the user sees a replacement character where the bytes are invalid";
        doc.draw(1, MgBox(5, 6, 70, 80));
        ASSERT_EQ(doc.data.SaveLrc().status, LrcSaveResult::Written);
        EXPECT_EQ(readFile(path), c.saved);
    }
}

TEST_F(HostileLrcTest, NulByteStaysPartOfItsRow)
{
    const std::string original("[00:00.00]t@0|0|9|9\r\nab\0cd@1|2|3|4\r\nnext\r\n", 42);
    const fs::path path = file("nul.lrc", original);
    Doc doc;
    ASSERT_TRUE(doc.load(path));
    ASSERT_EQ(doc.data.rowCount(), 2);
    EXPECT_EQ(doc.data.rowText(1), std::wstring(L"ab\0cd", 5));
    EXPECT_EQ(doc.data.FormatRegion(doc.data.FindRegion(1, 0)), L"1|2|3|4");
    EXPECT_EQ(doc.data.rowText(2), L"next");
    ASSERT_EQ(doc.data.SaveLrc().status, LrcSaveResult::Written);
    EXPECT_EQ(readFile(path), original);
}

TEST_F(HostileLrcTest, OneMegabyteLineIsOneRow)
{
    std::string text;
    for (int i = 0; i < 512 * 1024; ++i)
        text += "\xD7\xD6"; // 字 in GB18030
    const std::string original = "[00:00.00]big@0|0|800|600\r\n" + text + "@10|20|30|40\r\nafter\r\n";
    const fs::path path = file("big.lrc", original);
    Doc doc;
    ASSERT_TRUE(doc.load(path));
    ASSERT_EQ(doc.data.rowCount(), 2);
    EXPECT_EQ(doc.data.rowText(1), std::wstring(512 * 1024, L'字'));
    EXPECT_EQ(doc.data.FormatRegion(doc.data.FindRegion(1, 0)), L"10|20|30|40");
    EXPECT_EQ(doc.data.rowText(2), L"after");
    ASSERT_EQ(doc.data.SaveLrc().status, LrcSaveResult::Written);
    EXPECT_EQ(readFile(path), original);

    // The same line with no line end at all, and no header.
    const fs::path bare = file("bare.lrc", std::string(1024 * 1024, 'a'));
    Doc doc2;
    ASSERT_TRUE(doc2.load(bare));
    ASSERT_EQ(doc2.data.rowCount(), 1);
    EXPECT_EQ(doc2.data.rowText(1).size(), 1024u * 1024u);
}

TEST_F(HostileLrcTest, MillionRowsLoadAndSaveUnchanged)
{
    std::string original = "[00:00.00]many@0|0|800|600\r\n";
    original.reserve(24 * 1000000);
    for (int r = 1; r <= 1000000; ++r) {
        original += "[00:01.00]";
        original += std::to_string(r);
        if (r % 1000 == 0)
            original += "@1|2|3|4";
        original += "\r\n";
    }
    const fs::path path = file("many.lrc", original);
    Doc doc;
    ASSERT_TRUE(doc.load(path));
    ASSERT_EQ(doc.data.rowCount(), 1000000);
    EXPECT_EQ(doc.data.rowText(1), L"[00:01.00]1");
    EXPECT_EQ(doc.data.FormatRegion(doc.data.FindRegion(65000, 0)), L"1|2|3|4");
    // Rows beyond what a region tag can number keep their whole line and carry no region.
    EXPECT_EQ(doc.data.rowText(1000000), L"[00:01.00]1000000@1|2|3|4");
    EXPECT_EQ(doc.data.FindRegion(1000000, 0), nullptr);
    ASSERT_EQ(doc.data.SaveLrc().status, LrcSaveResult::Written);
    EXPECT_TRUE(readFile(path) == original) << "a million rows saved back byte for byte";
}

TEST_F(HostileLrcTest, ThirtyDigitRunsClampToTheLargestInteger)
{
    const std::string digits(30, '9');
    const fs::path path = file("digits.lrc",
        "[00:00.00]t@0|0|" + digits + "|" + digits + "\r\na@123456789012345678901234567890|1|" + digits + "|2\r\n");
    Doc doc;
    ASSERT_TRUE(doc.load(path));
    EXPECT_EQ(doc.width, 2147483648.0f);
    EXPECT_EQ(doc.height, 2147483648.0f);
    EXPECT_EQ(doc.data.header(), L"[00:00.00]t@0|0|2147483647|2147483647");
    EXPECT_EQ(doc.data.FormatRegion(doc.data.FindRegion(1, 0)), L"2147483647|1|2147483647|2");
    ASSERT_EQ(doc.data.SaveLrc().status, LrcSaveResult::Written);
    const std::string saved = "[00:00.00]t@0|0|2147483647|2147483647\r\na@2147483647|1|2147483647|2\r\n";
    EXPECT_EQ(readFile(path), saved);

    // Saved once, the file is stable.
    Doc again;
    ASSERT_TRUE(again.load(path));
    ASSERT_EQ(again.data.SaveLrc().status, LrcSaveResult::Written);
    EXPECT_EQ(readFile(path), saved);
}

TEST_F(HostileLrcTest, TenThousandAtSigns)
{
    const std::string ats(10000, '@');
    const std::string original = "[00:00.00]at@0|0|800|600\r\na" + ats + "\r\n" + ats + "1|2|3|4\r\n" + ats + "\r\n";
    const fs::path path = file("at.lrc", original);
    Doc doc;
    ASSERT_TRUE(doc.load(path));
    ASSERT_EQ(doc.data.rowCount(), 3);
    // Only the last "@" starts a suffix; the rest is text.
    EXPECT_EQ(doc.data.rowText(1), L"a" + std::wstring(9999, L'@'));
    EXPECT_EQ(doc.data.FindRegion(1, 0), nullptr);
    EXPECT_EQ(doc.data.rowText(2), std::wstring(9999, L'@'));
    EXPECT_EQ(doc.data.FormatRegion(doc.data.FindRegion(2, 0)), L"1|2|3|4");
    EXPECT_EQ(doc.data.rowText(3), std::wstring(9999, L'@'));
    ASSERT_EQ(doc.data.SaveLrc().status, LrcSaveResult::Written);
    EXPECT_EQ(readFile(path), original);
}

TEST_F(HostileLrcTest, OnlyHeaderLinesGiveNoRowsAndAreNeverRewritten)
{
    std::string original;
    for (int i = 0; i < 10000; ++i)
        original += "[00:00.00]\r\n";
    const fs::path path = file("headers.lrc", original);
    Doc doc;
    ASSERT_TRUE(doc.load(path));
    EXPECT_TRUE(doc.messages.empty());
    EXPECT_EQ(doc.data.rowCount(), 0) << "the row tree lists nothing";
    EXPECT_EQ(doc.data.header(), L"[00:00.00]@0|0|800|600") << "no size declared: the picture's stands";
    EXPECT_EQ(doc.data.SaveLrc().status, LrcSaveResult::NothingToWrite);
    EXPECT_EQ(readFile(path), original);
}

TEST_F(HostileLrcTest, CarriageReturnOnlyLineEnds)
{
    const fs::path path = file("cr.lrc", "[00:00.00]cr@0|0|640|480\rone@1|2|3|4\r\rtwo\r");
    Doc doc;
    ASSERT_TRUE(doc.load(path));
    EXPECT_EQ(doc.width, 640.0f);
    EXPECT_EQ(doc.height, 480.0f);
    ASSERT_EQ(doc.data.rowCount(), 2);
    EXPECT_EQ(doc.data.rowText(1), L"one");
    EXPECT_EQ(doc.data.rowText(2), L"two");
    ASSERT_EQ(doc.data.SaveLrc().status, LrcSaveResult::Written);
    // Rows keep their bytes; the lines now end in CR LF and the blank line is gone.
    EXPECT_EQ(readFile(path), "[00:00.00]cr@0|0|640|480\r\none@1|2|3|4\r\ntwo\r\n");
}

TEST_F(HostileLrcTest, OddSizedUtf16FileKeepsItsLastRowTogether)
{
    // The last row of a UTF-16 file of odd size ends in a stray byte. Padded carelessly into a
    // character the format reads, it would split the row (a line end), turn it into a
    // "[00:00.00]" line (a "]"), move the region suffix (an "@") or be trimmed (a blank), and a
    // region drawn on the row would be lost or land on a row of its own.
    struct Case {
        const char* name;
        bool bigEndian;
        char stray;
    };
    const Case cases[] = {
        { "LE line feed", false, '\x0A' },
        { "LE carriage return", false, '\x0D' },
        { "LE closing bracket", false, ']' },
        { "LE at sign", false, '@' },
        { "LE blank", false, ' ' },
        { "LE tab", false, '\t' },
        { "LE bar", false, '|' },
        { "LE comma", false, ',' },
        { "LE digit", false, '7' },
        { "BE zero", true, '\0' },
        { "BE high byte", true, '\x4E' },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string bytes = "\xFF\xFE" + utf16le("[00:00.00]odd@0|0|9|9\r\nfirst\r\n[00:00.00") + c.stray;
        if (c.bigEndian) {
            // The same text, each unit's bytes swapped, the mark too.
            bytes.pop_back();
            for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
                std::swap(bytes[i], bytes[i + 1]);
            bytes += c.stray;
        }
        const fs::path path = file("odd.lrc", bytes);
        Doc doc;
        ASSERT_TRUE(doc.load(path));
        ASSERT_EQ(doc.data.rowCount(), 2);
        doc.draw(2, MgBox(3, 4, 50, 60));
        ASSERT_EQ(doc.data.SaveLrc().status, LrcSaveResult::Written);

        Doc again;
        ASSERT_TRUE(again.load(path));
        ASSERT_EQ(again.data.rowCount(), 2);
        EXPECT_EQ(again.data.rowText(2).substr(0, 9), L"[00:00.00");
        EXPECT_EQ(again.data.FormatRegion(again.data.FindRegion(2, 0)), L"3|4|50|60");
        // Saved again unchanged, the file keeps every byte.
        const std::string saved = readFile(path);
        ASSERT_EQ(again.data.SaveLrc().status, LrcSaveResult::Written);
        EXPECT_EQ(readFile(path), saved);
    }
}

// ---------------------------------------------------------------------------------------------
// Hostile paths. A path that cannot be read shows the message and is never written; a file that
// cannot be written reports why and stays as it was.

TEST_F(HostileLrcTest, PathThatIsAFolder)
{
    const fs::path folder = m_dir / "folder.lrc";
    fs::create_directory(folder);
    writeFile(folder / "inside.txt", "keep");
    Doc doc;
    EXPECT_FALSE(doc.load(folder));
    EXPECT_EQ(doc.messages, std::vector<std::wstring> { kMissingMessage + folder.wstring() });
    ASSERT_EQ(doc.data.rowCount(), 1);
    EXPECT_EQ(doc.data.rowText(1), kMissingRow);
    EXPECT_TRUE(doc.data.header().empty());
    EXPECT_EQ(doc.data.SaveLrc().status, LrcSaveResult::NothingToWrite);
    EXPECT_TRUE(fs::is_directory(folder));
    EXPECT_EQ(folderEntries(folder), std::vector<std::string> { "inside.txt" });
}

TEST_F(HostileLrcTest, DanglingSymbolicLink)
{
    const fs::path link = m_dir / "song.lrc";
    fs::create_symlink("gone/song.lrc", link);
    Doc doc;
    EXPECT_FALSE(doc.load(link));
    EXPECT_EQ(doc.messages, std::vector<std::wstring> { kMissingMessage + link.wstring() });
    EXPECT_EQ(doc.data.rowText(1), kMissingRow);
    EXPECT_EQ(doc.data.SaveLrc().status, LrcSaveResult::NothingToWrite);
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_FALSE(fs::exists(m_dir / "gone"));
}

TEST_F(HostileLrcTest, UnreadableFileShowsTheMessageAndIsNeverWritten)
{
    const std::string original = "[00:00.00]secret@0|0|9|9\r\nrow\r\n";
    const fs::path path = file("secret.lrc", original);
    fs::permissions(path, fs::perms::none);
    EXPECT_CHILD_OK(inChild([&] {
        if (std::string error = becomeOrdinaryUser(); !error.empty())
            return "skip: " + error;
        ChildReport report;
        Doc doc;
        report.expect(!doc.load(path), "LoadLrc succeeded on an unreadable file");
        report.expect(doc.messages == std::vector<std::wstring> { kMissingMessage + path.wstring() },
            "the message was not shown once with the path");
        report.expect(
            doc.data.rowCount() == 1 && doc.data.rowText(1) == kMissingRow, "rows are not the one message row");
        report.expect(doc.data.SaveLrc().status == LrcSaveResult::NothingToWrite, "SaveLrc wrote something");
        return report.m_text;
    }));
    fs::permissions(path, fs::perms::owner_read);
    EXPECT_EQ(readFile(path), original);
}

TEST_F(HostileLrcTest, ReadOnlyFileIsNotReplaced)
{
    // The folder is writable, so replacing the file by a rename would succeed: the file's own
    // read-only permission must still stop the save, as it stops opening it for writing.
    const std::string original = "[00:00.00]ro@0|0|9|9\r\nrow\r\n";
    fs::permissions(m_dir, fs::perms::all);
    const fs::path path = file("ro.lrc", original);
    ASSERT_EQ(::chown(path.c_str(), 65534, 65534), 0);
    EXPECT_CHILD_OK(inChild([&] {
        if (std::string error = becomeOrdinaryUser(); !error.empty())
            return "skip: " + error;
        ChildReport report;
        Doc doc;
        report.expect(doc.load(path), "LoadLrc failed");
        doc.draw(1, MgBox(1, 2, 3, 4));
        // Made read-only while the tool has it open.
        report.expect(::chmod(path.c_str(), 0444) == 0, "chmod failed");
        const LrcSaveResult result = doc.data.SaveLrc();
        report.expect(result.status == LrcSaveResult::Failed, "saving a read-only file did not fail");
        report.expect(result.errorCode == EACCES, "errorCode is not EACCES: " + std::to_string(result.errorCode));
        report.expect(result.error == L"Permission denied", "the reason is not \"Permission denied\"");
        return report.m_text;
    }));
    EXPECT_EQ(readFile(path), original);
    EXPECT_EQ(folderEntries(m_dir), std::vector<std::string> { "ro.lrc" }) << "no temporary file left";
}

TEST_F(HostileLrcTest, FullFileSystemLeavesTheFileAsItWas)
{
    const fs::path mountPoint = m_dir / "small";
    fs::create_directory(mountPoint);
    EXPECT_CHILD_OK(inChild([&] {
        // A 64 KiB tmpfs in a mount namespace of the child's own, gone when it ends.
        if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0
            || ::mount("tmpfs", mountPoint.c_str(), "tmpfs", 0, "size=64k") != 0)
            return std::string("skip: cannot mount a small tmpfs here (needs root and mount namespaces)");
        ChildReport report;
        std::string original = "[00:00.00]full@0|0|800|600\r\n";
        for (int r = 0; r < 2000; ++r)
            original += "[00:" + std::to_string(10 + r % 50) + ".00]row " + std::to_string(r) + "\r\n";
        const fs::path path = mountPoint / "full.lrc";
        writeFile(path, original);
        report.expect(readFile(path) == original, "could not write the original file");
        Doc doc;
        report.expect(doc.load(path), "LoadLrc failed");
        for (int r = 1; r <= 2000; ++r)
            doc.draw(r, MgBox(100, 200, 300, 400));
        report.expect(original.size() + doc.data.formatFile().size() > 64 * 1024,
            "old and new content together would fit: the disk would not fill");
        const LrcSaveResult result = doc.data.SaveLrc();
        report.expect(result.status == LrcSaveResult::Failed, "saving onto a full disk did not fail");
        report.expect(result.errorCode == ENOSPC, "errorCode is not ENOSPC: " + std::to_string(result.errorCode));
        report.expect(result.error == L"No space left on device", "the reason is not \"No space left on device\"");
        report.expect(readFile(path) == original, "the file changed");
        report.expect(
            folderEntries(mountPoint) == std::vector<std::string> { "full.lrc" }, "a temporary file was left");
        return report.m_text;
    }));
}

TEST_F(HostileLrcTest, FifoNeitherHangsLoadingNorIsReplacedBySaving)
{
    const fs::path fifo = m_dir / "pipe.lrc";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    EXPECT_CHILD_OK(inChild(
        [&] {
            ChildReport report;
            Doc doc;
            report.expect(!doc.load(fifo), "LoadLrc succeeded on a FIFO");
            report.expect(doc.messages == std::vector<std::wstring> { kMissingMessage + fifo.wstring() },
                "the message was not shown once with the path");
            report.expect(doc.data.SaveLrc().status == LrcSaveResult::NothingToWrite, "SaveLrc wrote something");
            return report.m_text;
        },
        10));
    EXPECT_TRUE(fs::is_fifo(fifo));

    // A file replaced by a FIFO while the tool has it open: saving refuses to put a file there.
    const fs::path path = file("song.lrc", "row\r\n");
    Doc doc;
    ASSERT_TRUE(doc.load(path));
    fs::remove(path);
    ASSERT_EQ(::mkfifo(path.c_str(), 0644), 0);
    const LrcSaveResult result = doc.data.SaveLrc();
    EXPECT_EQ(result.status, LrcSaveResult::Failed);
    EXPECT_EQ(result.errorCode, EINVAL);
    EXPECT_TRUE(fs::is_fifo(path));
}

TEST_F(HostileLrcTest, DeviceIsNoLyricFile)
{
    // A link to /dev/null (or to /dev/zero, which never ends) is refused like a missing file.
    const fs::path link = m_dir / "null.lrc";
    fs::create_symlink("/dev/null", link);
    Doc doc;
    EXPECT_FALSE(doc.load(link));
    EXPECT_EQ(doc.messages, std::vector<std::wstring> { kMissingMessage + link.wstring() });
    EXPECT_EQ(doc.data.SaveLrc().status, LrcSaveResult::NothingToWrite);
    EXPECT_TRUE(fs::is_character_file("/dev/null"));
}

TEST_F(HostileLrcTest, FileReplacedOrDeletedWhileOpen)
{
    const std::string original = "[00:00.00]song@0|0|800|600\r\nrow one\r\nrow two\r\n";
    const fs::path path = file("song.lrc", original);
    Doc doc;
    ASSERT_TRUE(doc.load(path));
    doc.draw(2, MgBox(1, 2, 3, 4));
    const std::string expected = "[00:00.00]song@0|0|800|600\r\nrow one\r\nrow two@1|2|3|4\r\n";

    // Replaced by a folder: the save fails and the folder stays.
    fs::remove(path);
    fs::create_directory(path);
    LrcSaveResult result = doc.data.SaveLrc();
    EXPECT_EQ(result.status, LrcSaveResult::Failed);
    EXPECT_EQ(result.errorCode, EISDIR);
    EXPECT_EQ(result.error, L"Is a directory");
    EXPECT_TRUE(fs::is_directory(path));

    // Deleted: the save writes the whole document again.
    fs::remove(path);
    result = doc.data.SaveLrc();
    EXPECT_EQ(result.status, LrcSaveResult::Written);
    EXPECT_EQ(readFile(path), expected);
}
