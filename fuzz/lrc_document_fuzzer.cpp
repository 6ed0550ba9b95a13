// Fuzzes the lyric document: CLrcData::LoadLrc and SaveLrc on a file holding the input.
//
// For every input: loading succeeds; saving writes exactly what formatFile() promised (or leaves
// the file byte-identical when there is nothing to write); loading the saved file gives the same
// header, rows and regions, and saving that again changes no byte. A region then drawn on the
// first row survives a save and a reload, and no other row changes.
#include "app/lrcdata.h"
#include "app/lrcencoding.h"
#include "fuzz_check.h"
#include "shape/mgrect.h"
#include "shape/mgshape.h"
#include "shape/mgshapes.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string g_path; // the LRC file, in a folder of this process's own

void writeWholeFile(const std::string& path, std::string_view bytes)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    FUZZ_CHECK(fd >= 0);
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        FUZZ_CHECK(n > 0);
        done += static_cast<std::size_t>(n);
    }
    ::close(fd);
}

std::string readWholeFile(const std::string& path)
{
    std::string bytes;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    FUZZ_CHECK(fd >= 0);
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        FUZZ_CHECK(n >= 0);
        if (n == 0)
            break;
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return bytes;
}

// Every row's region texts, "?" where a number is free.
std::wstring regionTexts(const CLrcData& doc)
{
    const LrcRegionTable table = doc.regionTable();
    std::wstring text;
    for (int row = 1; row <= static_cast<int>(table.rowCount()); ++row) {
        for (int k = 0; k < CLrcData::kMaxRegions; ++k) {
            text += doc.FormatRegion(table.find(row, k));
            text += L',';
        }
        text += L';';
    }
    return text;
}

// Whether every region corner is an integer a float holds exactly (up to 2^24). Beyond that a
// rectangle's corners move by its float arithmetic, a top edge can come out below 0, and "-"
// reads back as a separator: such files are outside what the format can carry.
bool exactInFloat(const CLrcData& doc)
{
    const LrcRegionTable table = doc.regionTable();
    for (int row = 1; row <= static_cast<int>(table.rowCount()); ++row) {
        for (int k = 0; k < CLrcData::kMaxRegions; ++k) {
            if (const MgShape* shape = table.find(row, k)) {
                const MgBox box = shape->shape().extent();
                for (const float v : { box.xmin, box.ymin, box.xmax, box.ymax }) {
                    if (!(v >= 0.0f && v <= 16777216.0f))
                        return false;
                }
            }
        }
    }
    return true;
}

// Text of a row or header read back after saving: the same, except that
//  - a text saved bare (no suffix after it) loses trailing spaces and tabs to the reader's
//    trimming, a normalisation the format states;
//  - a GB18030 text cut after the first byte of a two-byte character gets a space between it
//    and the "@" that follows, which the character would otherwise swallow;
//  - the stray last byte of an odd-sized UTF-16 file is padded to a whole unit, and so reads as
//    another character.
// normalised is set when any of these happened.
bool sameText(const std::wstring& before, const std::wstring& after, bool strayByte, bool& normalised)
{
    if (after == before)
        return true;
    normalised = true;
    if (strayByte)
        return true;
    if (after == before + L' ')
        return true;
    return before.starts_with(after) && before.find_first_not_of(L" \t", after.size()) == std::wstring::npos;
}

// Whether the document b, loaded from what a saved, shows the same header, rows and regions.
void checkSameDocument(const CLrcData& a, const CLrcData& b, bool oddUtf16, bool& normalised)
{
    FUZZ_CHECK(a.encoding() == b.encoding());
    // The header in memory is its text and the size suffix "@0|0|W|H".
    const std::wstring& ha = a.header();
    const std::wstring& hb = b.header();
    const std::size_t atA = ha.rfind(L'@'), atB = hb.rfind(L'@');
    FUZZ_CHECK(atA != std::wstring::npos && atB != std::wstring::npos);
    FUZZ_CHECK(ha.substr(atA) == hb.substr(atB));
    FUZZ_CHECK(sameText(ha.substr(0, atA), hb.substr(0, atB), oddUtf16 && a.rowCount() == 0, normalised));
    FUZZ_CHECK(a.rowCount() == b.rowCount());
    for (int row = 1; row <= b.rowCount(); ++row)
        FUZZ_CHECK(sameText(a.rowText(row), b.rowText(row), oddUtf16 && row == a.rowCount(), normalised));
    if (a.rowCount() != b.rowCount() || !exactInFloat(a))
        normalised = true;
    else
        FUZZ_CHECK(regionTexts(a) == regionTexts(b));
}

struct Shapes {
    Shapes()
        : p(MgShapesT<>::create(true))
    {
    }
    ~Shapes() { p->release(); }
    Shapes(const Shapes&) = delete;
    Shapes& operator=(const Shapes&) = delete;
    MgShapesT<>* p;
};

/// The document at path, loaded into a collection of its own as the view loads it beside an
/// 800 x 600 picture.
struct Loaded {
    explicit Loaded(const std::wstring& path) { FUZZ_CHECK(doc.LoadLrc(shapes.p, path, width, height)); }
    Shapes shapes; ///< outlives doc
    CLrcData doc;
    float width = 800;
    float height = 600;
};

/// Saving doc (just loaded from path, unchanged) and loading the file again gives the same bytes.
void checkSaveSettles(const CLrcData& doc, const std::wstring& path)
{
    FUZZ_CHECK(doc.SaveLrc().status == LrcSaveResult::Written);
    const Loaded again(path);
    FUZZ_CHECK(again.doc.formatFile() == doc.formatFile());
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    const char* base
        = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : (std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp");
    std::string dir = std::string(base) + "/lindqua-lrcdoc-XXXXXX";
    FUZZ_CHECK(::mkdtemp(dir.data()) != nullptr);
    g_path = dir + "/fuzz.lrc";
    // The folder is left behind on purpose: libFuzzer ends with _exit, and a crash input can be
    // replayed into a fresh one.
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    writeWholeFile(g_path, input);
    const std::wstring path = lrcFromUtf8(g_path);

    Shapes shapes;
    CLrcData doc;
    float width = 800, height = 600;
    FUZZ_CHECK(doc.LoadLrc(shapes.p, path, width, height));
    FUZZ_CHECK(!doc.header().empty());

    const std::string expected = doc.formatFile();
    const LrcSaveResult saved = doc.SaveLrc();
    if (expected.empty()) {
        FUZZ_CHECK(saved.status == LrcSaveResult::NothingToWrite);
        FUZZ_CHECK(readWholeFile(g_path) == input);
        return 0;
    }
    FUZZ_CHECK(saved.status == LrcSaveResult::Written);
    FUZZ_CHECK(readWholeFile(g_path) == expected);

    Shapes shapes2;
    CLrcData reloaded;
    float width2 = 800, height2 = 600;
    FUZZ_CHECK(reloaded.LoadLrc(shapes2.p, path, width2, height2));
    FUZZ_CHECK(width2 == width && height2 == height);
    if (reloaded.encoding() != doc.encoding()) {
        // GB18030 and UTF-8 carry no mark: when the bytes that decided between them sat in what
        // saving rebuilds or drops (suffixes), the saved file reads as the other. Its bytes are
        // kept; from the next save on it is stable.
        auto unmarked = [](LrcEncoding e) { return e == LrcEncoding::Gb18030 || e == LrcEncoding::Utf8; };
        FUZZ_CHECK(unmarked(doc.encoding()) && unmarked(reloaded.encoding()));
        checkSaveSettles(reloaded, path);
        return 0;
    }
    const bool oddUtf16 = lrcUnitSize(doc.encoding()) == 2 && (input.size() - 2) % 2 != 0;
    bool normalised = false;
    checkSameDocument(doc, reloaded, oddUtf16, normalised);
    // A second save of the unchanged document changes no byte (once the normalisations above
    // have happened, on the save after).
    if (!normalised) {
        FUZZ_CHECK(reloaded.formatFile() == expected);
    } else {
        checkSaveSettles(reloaded, path);
    }

    // Draw a region on row 1, as the layout view does after the rectangle command, and save.
    reloaded.setCurrentRow(1);
    MgShapeT<MgRect>* rect = MgShapeT<MgRect>::create();
    rect->m_shape.setRect(MgBox(3, 4, 50, 60), 0);
    MgShape* added = shapes2.p->addShapeCopy(*rect);
    rect->release();
    FUZZ_CHECK(added != nullptr);
    reloaded.TagNewRegion(added);
    FUZZ_CHECK(reloaded.SaveLrc().status == LrcSaveResult::Written);

    const Loaded last(path);
    const CLrcData& third = last.doc;
    FUZZ_CHECK(third.rowCount() == reloaded.rowCount());
    bool spaced = false;
    for (int row = 1; row <= reloaded.rowCount(); ++row)
        FUZZ_CHECK(sameText(reloaded.rowText(row), third.rowText(row), false, spaced));
    const int number = added->tag() & 0xFFFF;
    if (number <= CLrcData::kMaxRegions) {
        // Numbers close up on reload, so look for the box among row 1's regions.
        bool found = false;
        for (int k = 0; k < CLrcData::kMaxRegions; ++k)
            found = found || third.FormatRegion(third.FindRegion(1, k)) == L"3|4|50|60";
        FUZZ_CHECK(found);
    }
    return 0;
}
