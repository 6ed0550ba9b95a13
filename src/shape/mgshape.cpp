#include "shape/mgshape.h"

#include "graph/gigraphics.h"
#include "shape/mglines.h"
#include "shape/mgrect.h"

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>

namespace {

// The tag changes of the last kTagJournalSize revisions, each in slot revision % size. A
// collection that fell further behind rebuilds its index, which costs no more than the changes
// it missed.
constexpr std::size_t kTagJournalSize = 1024;

struct TagJournalEntry {
    std::uint64_t revision = 0;
    const MgShape* shape = nullptr; ///< null: unknown shapes changed
    const MgShapes* parent = nullptr;
    int id = 0;
    int oldTag = 0;
};

std::atomic<std::uint64_t> g_tagRevision { 0 };
std::mutex g_tagJournalMutex;
TagJournalEntry g_tagJournal[kTagJournalSize];

void noteEntry(const MgShape* shape, const MgShapes* parent, int id, int oldTag) noexcept
{
    const std::lock_guard<std::mutex> lock(g_tagJournalMutex);
    const std::uint64_t revision = g_tagRevision.load(std::memory_order_relaxed) + 1;
    g_tagJournal[revision % kTagJournalSize] = TagJournalEntry { revision, shape, parent, id, oldTag };
    g_tagRevision.store(revision, std::memory_order_release);
}

} // namespace

std::uint64_t mgTagRevision() noexcept { return g_tagRevision.load(std::memory_order_acquire); }

void mgNoteTagChange() noexcept { noteEntry(nullptr, nullptr, 0, 0); }

void mgNoteTagChange(const MgShape* shape, const MgShapes* parent, int id, int oldTag) noexcept
{
    noteEntry(shape, parent, id, oldTag);
}

bool mgTagChangesSince(std::uint64_t since, const MgShapes* parent, std::vector<MgTagChange>& out, std::uint64_t& now)
{
    const std::lock_guard<std::mutex> lock(g_tagJournalMutex);
    now = g_tagRevision.load(std::memory_order_relaxed);
    if (since > now || now - since > kTagJournalSize)
        return false;
    for (std::uint64_t r = since + 1; r <= now; ++r) {
        const TagJournalEntry& e = g_tagJournal[r % kTagJournalSize];
        if (e.revision != r || !e.shape)
            return false;
        if (e.parent == parent)
            out.push_back(MgTagChange { e.shape, e.id, e.oldTag });
    }
    return true;
}

GiContext mgEffectiveContext(const GiGraphics& gs, const GiContext& own, const GiContext* ctx)
{
    GiContext eff(own);
    if (!ctx)
        return eff;
    if (ctx->storedLineStyle() != kGiLineNull && !ctx->lineColor().isNull()) {
        // A negative width is in device pixels; a non-positive override widens the shape's own
        // pen by that many pixels.
        const float w = ctx->lineWidth();
        eff.setLineWidth(w > 0 ? -w : w - gs.penWidthPx(own.lineWidth(), true));
        eff.setLineColor(ctx->lineColor());
        eff.setLineStyle(ctx->storedLineStyle());
    }
    if (ctx->hasFillColor())
        eff.setFillColor(ctx->fillColor());
    return eff;
}

void mgSaveShapeAttributes(MgArchive& s, int tag, const GiContext& ctx)
{
    s.writeInt("tag", tag);
    s.writeByte("lineStyle", static_cast<unsigned char>(ctx.lineStyle()));
    s.writeFloat("lineWidth", ctx.lineWidth());
    s.writeInt("lineColor", static_cast<int>(ctx.lineColor().toInt()));
    s.writeInt("fillColor", static_cast<int>(ctx.fillColor().toInt()));
}

void mgLoadShapeAttributes(MgArchive& s, int& tag, GiContext& ctx)
{
    tag = s.readInt("tag", tag);
    ctx.setLineStyle(static_cast<std::int32_t>(s.readByte("lineStyle", 0)));
    ctx.setLineWidth(s.readFloat("lineWidth", 0));
    ctx.setLineColor(GiRgba::fromInt(static_cast<std::uint32_t>(s.readInt("lineColor", 0))));
    ctx.setFillColor(GiRgba::fromInt(static_cast<std::uint32_t>(s.readInt("fillColor", 0))));
}

namespace {

using MgShapeCreator = MgShape* (*)();

template <class S> MgShape* makeShape() { return MgShapeT<S>::create(); }

// Type id (mod 10000) -> creator, built once on first use (thread-safe static initialisation).
const std::map<int, MgShapeCreator>& shapeCreators()
{
    static const std::map<int, MgShapeCreator> creators {
        { MgLine::Type(), &makeShape<MgLine> },
        { MgRect::Type(), &makeShape<MgRect> },
        { MgEllipse::Type(), &makeShape<MgEllipse> },
        { MgRoundRect::Type(), &makeShape<MgRoundRect> },
        { MgLines::Type(), &makeShape<MgLines> },
        { MgSplines::Type(), &makeShape<MgSplines> },
    };
    return creators;
}

} // namespace

MgShape* createShape(int type)
{
    const auto& creators = shapeCreators();
    const auto it = creators.find(type % 10000);
    return it == creators.end() ? nullptr : it->second();
}
