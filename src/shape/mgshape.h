// A geometric shape bound to its drawing attributes, its collection and an application tag.
//
// MgShape is the interface through which the rest of the system sees a shape; MgShapeT<S> is
// its one implementation, holding a geometric shape S (MgLine, MgRect, MgEllipse, MgRoundRect,
// MgLines or MgSplines) by value.
//
// Type ids: MgShape is 2; MgShapeT<S> is 10000 + S::Type() (10010 line, 10011 rectangle,
// 10012 ellipse, 10013 rounded rectangle, 10015 polyline, 10016 spline), and isKindOf is true
// for that id and for 2.
//
// Ownership: shapes are made by MgShapeT<S>::create(), clone() or createShape(); whoever
// receives one owns it and destroys it with release(). A collection (MgShapes) that takes a
// shape sets its parent and id and owns it from then on; a shape removed from its collection
// keeps both, and the remover owns it. The parent pointer never owns.
//
// Coordinates: the geometry is in model coordinates; see MgBaseShape.
#pragma once

#include "graph/gicontext.h"
#include "shape/mgbaseshape.h"

#include <cstdint>
#include <vector>

class GiGraphics;
struct MgShapes;

struct MgShape : public MgObject {
    [[nodiscard]] static constexpr int Type() noexcept { return 2; }

    /// A copy with the same geometry (updated), context and tag; id 0 and no parent. The
    /// caller owns it.
    [[nodiscard]] MgShape* clone() const override = 0;

    /// The shape's own drawing attributes.
    [[nodiscard]] virtual GiContext& context() = 0;
    [[nodiscard]] virtual const GiContext& context() const = 0;
    /// The embedded geometric shape; it lives and dies with this object (never release it).
    [[nodiscard]] virtual MgBaseShape& shape() = 0;
    [[nodiscard]] virtual const MgBaseShape& shape() const = 0;

    /// Draws the geometry through gs with the shape's own attributes, or with those of the
    /// override ctx merged in when ctx is not null (see mgEffectiveContext). True when something
    /// was drawn.
    virtual bool draw(GiGraphics& gs, const GiContext* ctx) const = 0;
    /// Writes "tag", "lineStyle", "lineWidth", "lineColor", "fillColor" and then the geometry's
    /// keys into the current node of s; the result is the geometry's.
    virtual bool save(MgArchive& s) const = 0;
    /// Reads the keys written by save(); the geometry is updated when it loaded. False when the
    /// geometry keys are incomplete (the attributes read so far stay set).
    virtual bool load(MgArchive& s) = 0;

    /// Id within the owning collection; 0 for none.
    [[nodiscard]] virtual int id() const = 0;
    /// The owning collection, or null. Not owning.
    [[nodiscard]] virtual MgShapes* parent() const = 0;
    /// Sets owner and id together; only a collection calls it, when it takes the shape.
    virtual void setParent(MgShapes* p, int id) = 0;
    /// Application tag; the shape model gives it no meaning.
    [[nodiscard]] virtual int tag() const = 0;
    virtual void setTag(int tag) = 0;

protected:
    MgShape() = default;
    MgShape(const MgShape&) = default;
    MgShape& operator=(const MgShape&) = default;
    // Not virtual: shapes are destroyed through release() only.
    ~MgShape() = default;
};

/// The context a shape draws with when the caller passes the override ctx:
/// - null ctx: own, unchanged;
/// - when ctx's stored line style is not 5 and its line colour is not null, ctx's line colour
///   and style replace own's, and the width becomes a width in device pixels: -(ctx width) when
///   the ctx width is positive, otherwise ctx width - gs.penWidthPx(own width, true), so an
///   override width of -2 draws two pixels wider than the shape's own pen;
/// - when ctx's fill colour is not null it replaces own's.
/// An override with a null line thus keeps the shape's line, one with no fill keeps its fill.
[[nodiscard]] GiContext mgEffectiveContext(const GiGraphics& gs, const GiContext& own, const GiContext* ctx);

/// Writes the attribute keys of a shape with context: "tag", "lineStyle" (the effective style,
/// 5 for a null line colour), "lineWidth", "lineColor", "fillColor" (packed colours).
void mgSaveShapeAttributes(MgArchive& s, int tag, const GiContext& ctx);
/// Reads the keys written by mgSaveShapeAttributes. The current tag is the default for "tag";
/// the other keys default to 0, so a missing colour is the null colour.
void mgLoadShapeAttributes(MgArchive& s, int& tag, GiContext& ctx);

/// A process-wide count of tag changes of shapes with context: raised whenever any shape's tag
/// may have changed (setTag, copyFrom, load), so a collection knows when its tag index is stale.
[[nodiscard]] std::uint64_t mgTagRevision() noexcept;
/// Notes that some tag may have changed, without saying which: every tag index is rebuilt.
void mgNoteTagChange() noexcept;
/// Notes that shape (whose collection is parent, null for none, and whose id is id) may have a
/// new tag in place of oldTag. Recent changes are kept (see mgTagChangesSince), so a collection
/// can bring its tag index up to date without walking every shape.
void mgNoteTagChange(const MgShape* shape, const MgShapes* parent, int id, int oldTag) noexcept;

/// One noted tag change. The shape pointer is only an identity: it may have been released since.
struct MgTagChange {
    const MgShape* shape;
    int id;
    int oldTag;
};

/// Appends to out, in order, the changes of shapes of parent noted after revision since, and sets
/// now to the revision they lead to. False when that history is no longer kept in full or holds
/// a change of unknown shapes: the caller must then rebuild what depends on tags.
[[nodiscard]] bool mgTagChangesSince(
    std::uint64_t since, const MgShapes* parent, std::vector<MgTagChange>& out, std::uint64_t& now);

/// Makes an empty shape with context for type mod 10000 in {10, 11, 12, 13, 15, 16}
/// (10011 and 11 both give a rectangle); null for any other type. The caller owns the result.
[[nodiscard]] MgShape* createShape(int type);

template <class S> class MgShapeT : public MgShape {
public:
    [[nodiscard]] static constexpr int Type() noexcept { return 10000 + S::Type(); }

    /// A new shape with an empty geometry, the default context, id 0, no parent, tag 0. The
    /// caller owns it.
    [[nodiscard]] static MgShapeT* create() { return new MgShapeT; }

    MgShapeT() = default;
    MgShapeT(const MgShapeT&) = delete;
    MgShapeT& operator=(const MgShapeT&) = delete;
    virtual ~MgShapeT() = default;

    [[nodiscard]] MgShapeT* clone() const override
    {
        MgShapeT* p = create();
        p->m_shape.copyFrom(m_shape);
        p->m_shape.update();
        p->m_context = m_context;
        p->m_tag = m_tag;
        return p;
    }

    /// From a shape with context of the same geometry: geometry, context and tag (id and parent
    /// kept). From a bare geometric shape of kind S: the geometry only. Otherwise nothing. No
    /// update().
    void copyFrom(const MgObject& src) override
    {
        if (src.isKindOf(Type())) {
            const auto& other = static_cast<const MgShape&>(src);
            m_shape.copyFrom(other.shape());
            m_context = other.context();
            const int oldTag = m_tag;
            m_tag = other.tag();
            mgNoteTagChange(this, m_parent, m_id, oldTag);
        } else if (src.isKindOf(S::Type())) {
            m_shape.copyFrom(src);
        }
    }

    void release() override { delete this; }

    /// Same kind, equal geometry, equal context and equal tag; id and parent are not compared.
    [[nodiscard]] bool equals(const MgObject& src) const override
    {
        if (!src.isKindOf(Type()))
            return false;
        const auto& other = static_cast<const MgShape&>(src);
        return m_shape.equals(other.shape()) && m_context == other.context() && m_tag == other.tag();
    }

    [[nodiscard]] int typeId() const override { return Type(); }
    [[nodiscard]] bool isKindOf(int type) const override { return type == Type() || type == MgShape::Type(); }

    [[nodiscard]] GiContext& context() override { return m_context; }
    [[nodiscard]] const GiContext& context() const override { return m_context; }
    [[nodiscard]] MgBaseShape& shape() override { return m_shape; }
    [[nodiscard]] const MgBaseShape& shape() const override { return m_shape; }

    bool draw(GiGraphics& gs, const GiContext* ctx) const override
    {
        return m_shape.draw(gs, ctx ? mgEffectiveContext(gs, m_context, ctx) : m_context);
    }

    bool save(MgArchive& s) const override
    {
        mgSaveShapeAttributes(s, m_tag, m_context);
        return m_shape.save(s);
    }

    bool load(MgArchive& s) override
    {
        const int oldTag = m_tag;
        mgLoadShapeAttributes(s, m_tag, m_context);
        mgNoteTagChange(this, m_parent, m_id, oldTag);
        const bool ok = m_shape.load(s);
        if (ok)
            m_shape.update();
        return ok;
    }

    [[nodiscard]] int id() const override { return m_id; }
    [[nodiscard]] MgShapes* parent() const override { return m_parent; }
    void setParent(MgShapes* p, int id) override
    {
        m_parent = p;
        m_id = id;
    }
    [[nodiscard]] int tag() const override { return m_tag; }
    void setTag(int tag) override
    {
        const int oldTag = m_tag;
        m_tag = tag;
        mgNoteTagChange(this, m_parent, m_id, oldTag);
    }

    S m_shape; ///< the geometry, model coordinates
    GiContext m_context; ///< own drawing attributes

private:
    int m_id = 0; ///< id in the owning collection, 0 until one assigns it
    MgShapes* m_parent = nullptr; ///< owning collection, not owned
    int m_tag = 0; ///< application tag
};
