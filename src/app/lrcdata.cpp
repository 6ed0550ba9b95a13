#include "app/lrcdata.h"

#include "app/lrcfile.h"
#include "app/lrcformat.h"
#include "shape/mgrect.h"
#include "shape/mgshape.h"
#include "shape/mgshapes.h"

#include <memory>

namespace {

CLrcData::MessageHook& messageHook()
{
    static CLrcData::MessageHook hook;
    return hook;
}

const std::wstring kNoRow;

struct ShapeReleaser {
    void operator()(MgShape* shape) const noexcept { shape->release(); }
};

} // namespace

void CLrcData::setMessageHook(MessageHook hook) { messageHook() = std::move(hook); }

bool CLrcData::LoadLrc(MgShapes* shapes, std::wstring_view lrcPath, float& width, float& height)
{
    m_shapes = shapes;
    m_rows.clear();
    m_rowBytes.clear();
    m_extraHeaders.clear();
    if (m_shapes)
        m_shapes->clear();
    m_lrcPath.assign(lrcPath);
    m_header.clear();
    m_headerBytes.clear();
    m_headerWidth = m_headerHeight = 0;
    m_encoding = LrcEncoding::Gb18030;
    m_file.clear();

    if (lrcReadWholeFile(lrcToUtf8(m_lrcPath), m_file) != 0) {
        if (const MessageHook& hook = messageHook())
            hook(L"歌词文件不存在，不能划位。\n" + m_lrcPath);
        m_rows.emplace_back(L"歌词文件不存在");
        m_rowBytes.emplace_back();
        return false;
    }

    LrcReader reader(m_file);
    m_encoding = reader.encoding();

    // One rectangle reused as the source of every region; the collection stores copies.
    std::unique_ptr<MgShapeT<MgRect>, ShapeReleaser> region(MgShapeT<MgRect>::create());
    if (m_shapes && m_shapes->context())
        region->context() = *m_shapes->context();

    bool haveHeader = false;
    LrcItem item;
    while (reader.next(item)) {
        if (item.kind == LrcItem::Header) {
            haveHeader = true;
            m_header = reader.decode(item.rawText);
            m_headerBytes.assign(item.rawText);
            if (item.hasSize) {
                width = static_cast<float>(item.width);
                height = static_cast<float>(item.height);
            }
            continue;
        }
        if (item.kind == LrcItem::ExtraHeader) {
            m_extraHeaders.push_back(item.rawLine);
            continue;
        }
        const int row = static_cast<int>(m_rows.size()) + 1;
        if (row > kMaxRegionRow) {
            // Its tags would alias those of row (row & 0xFFFF): keep the whole line as text.
            m_rows.push_back(reader.decode(item.rawLine));
            m_rowBytes.push_back(item.rawLine);
            continue;
        }
        if (m_shapes) {
            for (int k = 0; k < item.boxCount; ++k) {
                region->m_shape.setRect(item.boxes[static_cast<std::size_t>(k)], 0);
                if (MgShape* added = m_shapes->addShapeCopy(*region))
                    added->setTag(regionTag(row, k + 1));
            }
        }
        m_rows.push_back(reader.decode(item.rawText));
        m_rowBytes.push_back(item.rawText);
    }

    if (!haveHeader) {
        m_header = lrcDefaultHeader(m_lrcPath);
        m_headerBytes = lrcEncode(m_encoding, m_header);
        if (m_shapes)
            m_shapes->noteChange();
    }
    m_headerWidth = width;
    m_headerHeight = height;
    m_header += lrcSizeSuffix(width, height);
    return true;
}

LrcRegionTable CLrcData::regionTable() const
{
    LrcRegionTable table;
    table.m_rows = std::min<std::size_t>(m_rows.size(), kMaxRegionRow);
    table.m_slots.assign(table.m_rows * kMaxRegions, nullptr);
    if (!m_shapes || table.m_rows == 0)
        return table;
    MgShapes::Iterator it = nullptr;
    for (MgShape* shape = m_shapes->firstShape(it); shape; shape = m_shapes->nextShape(it)) {
        const auto tag = static_cast<unsigned>(shape->tag());
        const std::size_t row = tag >> 16;
        const unsigned number = tag & 0xFFFFu;
        if (row < 1 || row > table.m_rows || number < 1 || number > kMaxRegions)
            continue;
        MgShape*& slot = table.m_slots[(row - 1) * kMaxRegions + (number - 1)];
        if (!slot)
            slot = shape; // the first in the collection's order, as FindRegion finds it
    }
    m_shapes->freeIterator(it);
    return table;
}

std::string CLrcData::formatFile() const
{
    if (m_header.empty() || m_rows.empty() || !m_shapes)
        return {};
    const LrcRegionTable regions = regionTable();
    LrcWriter writer(m_encoding);
    writer.reserve(m_file.size() + m_rows.size() * 8 + 64);

    writer.writeHeader(m_headerBytes, m_headerWidth, m_headerHeight);
    for (std::string_view line : m_extraHeaders)
        writer.writeLine(line);

    std::string encoded;
    for (std::size_t i = 0; i < m_rows.size(); ++i) {
        std::string_view bytes = m_rowBytes[i];
        if (!bytes.data()) {
            encoded = writer.encode(m_rows[i]);
            bytes = encoded;
        }
        const int row = static_cast<int>(i) + 1;
        if (row > kMaxRegionRow) {
            writer.writeLine(bytes);
            continue;
        }
        MgBox boxes[kMaxRegions];
        int count = 0;
        for (int k = 0; k < kMaxRegions; ++k) {
            if (const MgShape* shape = regions.find(row, k))
                boxes[count++] = shape->shape().extent();
        }
        writer.writeRow(bytes, boxes, count);
    }
    return writer.takeBytes();
}

LrcSaveResult CLrcData::SaveLrc() const
{
    LrcSaveResult result;
    const std::string bytes = formatFile();
    if (bytes.empty())
        return result;
    const int error = lrcReplaceFile(lrcToUtf8(m_lrcPath), bytes);
    if (error != 0) {
        result.status = LrcSaveResult::Failed;
        result.errorCode = error;
        result.error = lrcFromUtf8(lrcErrorText(error));
        return result;
    }
    result.status = LrcSaveResult::Written;
    return result;
}

MgShape* CLrcData::FindRegion(int row, int index) const
{
    if (row == 0)
        row = m_currentRow;
    if (!m_shapes || row < 1 || row > kMaxRegionRow || index < 0 || index >= 0xFFFF)
        return nullptr;
    return m_shapes->findShapeByTag(regionTag(row, index + 1));
}

void CLrcData::TagNewRegion(MgShape* shape) const
{
    if (!shape)
        return;
    const int row = m_currentRow;
    if (row < 0 || row > kMaxRegionRow) {
        shape->setTag(0);
        return;
    }
    int k = 1;
    while (k <= kMaxRegions && m_shapes && m_shapes->findShapeByTag(regionTag(row, k)))
        ++k;
    shape->setTag(regionTag(row, k));
}

std::wstring CLrcData::FormatRegion(const MgShape* shape) const
{
    if (!shape)
        return L"?";
    return lrcGroupText(shape->shape().extent());
}

const std::wstring& CLrcData::rowText(int n) const noexcept
{
    if (n < 1 || static_cast<std::size_t>(n) > m_rows.size())
        return kNoRow;
    return m_rows[static_cast<std::size_t>(n) - 1];
}
