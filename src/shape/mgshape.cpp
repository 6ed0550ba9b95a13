#include "shape/mgshape.h"

#include "graph/gigraphics.h"
#include "shape/mglines.h"
#include "shape/mgrect.h"

#include <atomic>
#include <cstdint>
#include <map>

namespace {
std::atomic<std::uint64_t> g_tagRevision { 0 };
} // namespace

std::uint64_t mgTagRevision() noexcept { return g_tagRevision.load(std::memory_order_acquire); }

void mgNoteTagChange() noexcept { g_tagRevision.fetch_add(1, std::memory_order_acq_rel); }

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
