// The lyric document: the rows of one LRC file and the regions that mark them on the picture.
//
// Rows. One entry per lyric row of the file, in file order; row number n (from 1) is entry
// n - 1. A row's text is its line with the region suffix removed. Each row also keeps the bytes
// its text was read with, so saving writes the text back exactly, whatever the file's encoding.
//
// Regions. A region is a rectangle shape (MgShapeT<MgRect>) in the collection the document
// points at, tied to its row by the shape's tag alone:
//     region tag = (row number << 16) | region number
// with row numbers 1..65535 and region numbers 1..5 for regions that are saved and listed;
// number 6 marks a rectangle drawn while its row already has five, kept in the collection but
// never saved. A tag whose high half is 0 belongs to no row. Rows beyond 65535 cannot be told
// apart in a tag: such a row keeps its whole line (text and suffix) as its text and carries no
// regions, so saving neither loses nor moves anything.
//
// Coordinates. Regions are in model coordinates of the picture: x to the right, y downward,
// origin at the picture's top-left corner, one unit one pixel of the size the header declares
// (W x H). The picture occupies (0, 0)-(W, H).
//
// Ownership. The document points at the collection and never owns it; the layout view does.
//
// Messages. The one message for the user ("歌词文件不存在，不能划位。" and the path) goes to a
// process-wide hook the application installs, so the document needs no window library.
#pragma once

#include "app/lrcencoding.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

struct MgShape;
struct MgShapes;

/// What SaveLrc did. "Nothing to write" is not a failure.
struct LrcSaveResult {
    enum Status {
        Written, ///< the file now holds the document
        NothingToWrite, ///< no header (the file was missing), no rows or no collection
        Failed, ///< the file could not be written; it is unchanged
    };
    Status status = NothingToWrite;
    int errorCode = 0; ///< errno of the failure
    std::wstring error; ///< the system's text for errorCode, e.g. "Permission denied"

    [[nodiscard]] bool ok() const noexcept { return status != Failed; }
    explicit operator bool() const noexcept { return ok(); }
};

/// The first region (by the collection's order) of every row and number, gathered in one walk
/// over the collection. Valid until the collection or a tag changes.
class LrcRegionTable {
public:
    /// The region (row 1..rowCount, index 0..4 for numbers 1..5), or null.
    [[nodiscard]] MgShape* find(int row, int index) const noexcept
    {
        if (row < 1 || index < 0 || index >= 5 || static_cast<std::size_t>(row) > m_rows)
            return nullptr;
        return m_slots[static_cast<std::size_t>(row - 1) * 5 + static_cast<std::size_t>(index)];
    }
    /// Number of rows covered.
    [[nodiscard]] std::size_t rowCount() const noexcept { return m_rows; }

private:
    friend class CLrcData;
    std::vector<MgShape*> m_slots;
    std::size_t m_rows = 0;
};

class CLrcData {
public:
    /// Receives the text of a message for the user (the application shows it in a box with an
    /// OK button).
    using MessageHook = std::function<void(const std::wstring& message)>;

    /// Installs the hook for all documents; an empty hook drops messages. Call it from the user
    /// interface thread.
    static void setMessageHook(MessageHook hook);

    /// Highest row number a region tag can hold.
    static constexpr int kMaxRegionRow = 0xFFFF;
    /// Region numbers that are saved run 1..kMaxRegions; kMaxRegions + 1 marks an extra one.
    static constexpr int kMaxRegions = 5;

    /// (row << 16) | number, computed without signed overflow.
    [[nodiscard]] static constexpr int regionTag(int row, int number) noexcept
    {
        return static_cast<int>((static_cast<unsigned>(row) << 16) | (static_cast<unsigned>(number) & 0xFFFFu));
    }

    /// An empty document: no rows, current row 0, no collection, empty path and header.
    CLrcData() = default;
    CLrcData(const CLrcData&) = delete;
    CLrcData& operator=(const CLrcData&) = delete;

    /// Replaces rows, header, path and every shape of shapes with what the LRC file at lrcPath
    /// holds. width and height come in as the picture's pixel size and go out as the header's W
    /// and H when it declares them. The header in memory gets the size suffix "@0|0|W|H". When
    /// the file has no header one is made up from the file name and the collection's change
    /// counter is raised once. Later "[00:00.00]" lines are no rows; they are kept aside and
    /// written back after the header. Returns false when the file cannot be read: the message hook then
    /// gets "歌词文件不存在，不能划位。\n<path>", the rows are the one text "歌词文件不存在", the
    /// header stays empty (so nothing is ever saved to that path) and the collection is empty.
    bool LoadLrc(MgShapes* shapes, std::wstring_view lrcPath, float& width, float& height);

    /// Writes the header, every row's text (its original bytes) and its regions 1..5 back to the
    /// LRC path, in the encoding the file was read in. The file is replaced as a whole through a
    /// temporary file (see lrcReplaceFile), so a failure leaves it unchanged.
    LrcSaveResult SaveLrc() const;

    /// The bytes SaveLrc would write; empty when there is nothing to write.
    [[nodiscard]] std::string formatFile() const;

    /// The shape tagged (row << 16) | (index + 1), the first in the collection's order; row 0 is
    /// the current row. Null for no collection, a row outside 1..65535 or no such shape.
    [[nodiscard]] MgShape* FindRegion(int row, int index) const;

    /// Gives shape (just added by a drawing command) the current row and the lowest free region
    /// number 1..5, or 6 when all five are taken. When the current row lies beyond 65535 the tag
    /// becomes 0 (the shape belongs to no row: such rows carry no regions).
    void TagNewRegion(MgShape* shape) const;

    /// The group text "left|top|right|bottom" of the shape's extent (model coordinates, rounded
    /// halves away from zero); "?" for a null shape.
    [[nodiscard]] std::wstring FormatRegion(const MgShape* shape) const;

    /// Every row's regions in one walk over the collection: FindRegion for all rows at once.
    [[nodiscard]] LrcRegionTable regionTable() const;

    [[nodiscard]] int rowCount() const noexcept { return static_cast<int>(m_rows.size()); }
    /// Text of row n (1-based); an empty string for a row that does not exist.
    [[nodiscard]] const std::wstring& rowText(int n) const noexcept;
    /// The row current in the row tree, 0 for none. LoadLrc leaves it alone.
    [[nodiscard]] int currentRow() const noexcept { return m_currentRow; }
    void setCurrentRow(int row) noexcept { m_currentRow = row; }
    /// Full path of the LRC file.
    [[nodiscard]] const std::wstring& lrcPath() const noexcept { return m_lrcPath; }
    /// The collection of regions, or null before the first load. Not owned.
    [[nodiscard]] MgShapes* shapes() const noexcept { return m_shapes; }
    /// The header line in memory: its text and the size suffix; empty when the file was missing.
    [[nodiscard]] const std::wstring& header() const noexcept { return m_header; }
    /// The encoding the file was read in and will be written in.
    [[nodiscard]] LrcEncoding encoding() const noexcept { return m_encoding; }

private:
    std::vector<std::wstring> m_rows; ///< row texts, suffixes removed
    int m_currentRow = 0; ///< 1-based, 0 for none
    MgShapes* m_shapes = nullptr; ///< the regions; not owned
    std::wstring m_lrcPath;
    std::wstring m_header; ///< header text followed by the size suffix

    LrcEncoding m_encoding = LrcEncoding::Gb18030;
    std::string m_file; ///< the file as read; m_rowBytes point into it
    std::vector<std::string_view> m_rowBytes; ///< per row, its text's bytes (null view: none)
    std::vector<std::string_view> m_extraHeaders; ///< later "[00:00.00]" lines, written back as read
    std::string m_headerBytes; ///< the header text's bytes, suffix excluded
    float m_headerWidth = 0; ///< W and H of the size suffix
    float m_headerHeight = 0;
};
