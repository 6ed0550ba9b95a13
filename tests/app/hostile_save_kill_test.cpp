// Crash safety of saving: a child process saves a large LRC file over and over, alternating
// between two versions, and is killed with SIGKILL at random moments. After every kill the file
// must hold one version or the other completely: never a mix, a cut-off file or nothing.
//
// The number of kills is 200, or LINDQUA_SAVE_KILLS when set (the longer run uses 1000).
#include "app/lrcdata.h"
#include "shape/mgrect.h"
#include "shape/mgshape.h"
#include "shape/mgshapes.h"
#include "support/file_helpers.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

using testfiles::folderEntries;
using testfiles::readFile;
using testfiles::writeFile;

int killCount()
{
    const char* text = std::getenv("LINDQUA_SAVE_KILLS");
    const int n = text ? std::atoi(text) : 0;
    return n > 0 ? n : 200;
}

struct Document {
    Document() = default;
    ~Document() { shapes->release(); }
    Document(const Document&) = delete;
    Document& operator=(const Document&) = delete;

    MgShapesT<>* shapes = MgShapesT<>::create(true);
    CLrcData data;
};

void drawRegion(Document& doc, int row, const MgBox& box)
{
    doc.data.setCurrentRow(row);
    MgShapeT<MgRect>* rect = MgShapeT<MgRect>::create();
    rect->m_shape.setRect(box, 0);
    doc.data.TagNewRegion(doc.shapes->addShapeCopy(*rect));
    rect->release();
}

} // namespace

TEST(SaveUnderKill, FileIsAlwaysTheWholeOldOrTheWholeNewContent)
{
    std::string pattern = (fs::temp_directory_path() / "save-kill-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    const fs::path dir = pattern;
    const fs::path path = dir / "song.lrc";

    // About 200 KB, far beyond any real lyric file: 6,000 rows, every tenth with a region.
    {
        std::ofstream out(path, std::ios::binary);
        out << "[00:00.00]song@0|0|4000|3000\r\n";
        for (int r = 1; r <= 6000; ++r) {
            out << "[01:23.45]第" << r << "行 lyric row";
            if (r % 10 == 0)
                out << "@10|20|300|40";
            out << "\r\n";
        }
    }
    float w = 0, h = 0;
    Document oldVersion, newVersion;
    ASSERT_TRUE(oldVersion.data.LoadLrc(oldVersion.shapes, path.wstring(), w, h));
    ASSERT_TRUE(newVersion.data.LoadLrc(newVersion.shapes, path.wstring(), w, h));
    for (int r = 1; r <= 6000; r += 3)
        drawRegion(newVersion, r, MgBox(100, 200, 1000 + r % 97, 300));
    const std::string oldBytes = oldVersion.data.formatFile();
    const std::string newBytes = newVersion.data.formatFile();
    ASSERT_NE(oldBytes, newBytes);
    ASSERT_GT(oldBytes.size(), 150000u);

    // How long one save takes here, to spread the kills over the first save or two.
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(oldVersion.data.SaveLrc().status, LrcSaveResult::Written);
    const auto saveMicros = std::max<long long>(
        1000, std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start).count());
    ASSERT_EQ(readFile(path), oldBytes);

    std::mt19937 rng(20261207);
    std::uniform_int_distribution<long long> delay(0, 3 * saveMicros / 2);
    const int kills = killCount();
    // The child starts with the version the file does not hold, so every kill can land before,
    // during or after a save that changes the file.
    bool holdsOld = true;
    int unchanged = 0, changed = 0, midSave = 0;
    for (int k = 0; k < kills; ++k) {
        Document& first = holdsOld ? newVersion : oldVersion;
        Document& second = holdsOld ? oldVersion : newVersion;
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            ::alarm(60); // never outlive a parent that died
            for (;;) {
                first.data.SaveLrc();
                second.data.SaveLrc();
            }
        }
        std::this_thread::sleep_for(std::chrono::microseconds(delay(rng)));
        ::kill(pid, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);

        const std::string now = readFile(path);
        if (now != oldBytes && now != newBytes) {
            FAIL() << "after kill " << k + 1 << " the file holds " << now.size()
                   << " bytes that are neither version (old " << oldBytes.size() << ", new " << newBytes.size() << ")";
        }
        const bool nowOld = now == oldBytes;
        ++(nowOld == holdsOld ? unchanged : changed);
        holdsOld = nowOld;
        // A kill during a save leaves its hidden temporary file behind, and nothing else.
        for (const auto& entry : fs::directory_iterator(dir)) {
            if (entry.path() == path)
                continue;
            ASSERT_EQ(entry.path().filename().string().rfind(".song.lrc.", 0), 0u) << entry.path();
            ++midSave;
            fs::remove(entry.path());
        }
    }
    std::cout << "[          ] " << kills << " kills: file unchanged " << unchanged << ", changed " << changed
              << ", killed during a save " << midSave << " (one save takes " << saveMicros << " us)\n";
    if (kills >= 100) {
        // Otherwise the kills did not test anything.
        EXPECT_GT(unchanged, 0);
        EXPECT_GT(changed, 0);
        EXPECT_GT(midSave, 0);
    }
    std::error_code ec;
    fs::remove_all(dir, ec);
}
