// The ordered shape collection.
//
// MgShapes is the interface (type id 1); MgShapesT<> its one implementation (type id 8,
// isKindOf true for 8 and 1), a vector of owned MgShape pointers with an optional default
// drawing context.
//
// Order: insertion order is drawing order; the first shape is drawn first, so later shapes
// lie on top, and every "first shape that ..." query means the first in this order.
//
// Ownership: the collection owns its shapes. They enter only as copies made by addShapeCopy()
// (the caller keeps what it passed in) or by load(), and leave through removeShape() (the
// caller then owns the shape and releases it), clear() or destruction (released here).
// Collections themselves are made by MgShapesT<>::create() or clone() and destroyed with
// release().
//
// Ids: every shape added by addShapeCopy() gets an id unique in the collection; load() keeps
// the stored ids as they are. A stored shape's id is changed only by its collection.
//
// Coordinates: extents, picking boxes and points are model coordinates.
//
// Concurrency: the collection takes no lock. noteChange() is atomic; callers that change the
// collection hold a write guard of the command layer (MgShapesGuard, which uses
// lockCounters()), readers a read guard or run on the writers' thread.
#pragma once

#include "geom/mgbox.h"
#include "graph/gicontext.h"
#include "shape/mgarchive.h"
#include "shape/mglockcounters.h"
#include "shape/mgshape.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <unordered_map>
#include <unordered_set>
#include <vector>

class GiGraphics;

/// Position of a walk over a collection; opaque to callers.
struct MgShapeIterator;

struct MgShapes : public MgObject {
    [[nodiscard]] static constexpr int Type() noexcept { return 1; }

    using Iterator = MgShapeIterator*;

    /// A new, empty collection with a copy of this one's context when it has one; shapes and
    /// the view members are not copied. The caller owns it.
    [[nodiscard]] MgShapes* clone() const override = 0;

    [[nodiscard]] virtual int shapeCount() const = 0;
    /// Allocates it (always, also for an empty collection), puts it on the first position and
    /// returns the first shape, or null when empty. Every firstShape() must be paired with
    /// freeIterator(), whatever it returned. Not safe against insertion or removal while
    /// walking.
    virtual MgShape* firstShape(Iterator& it) const = 0;
    /// Advances it and returns the shape there; null at the end or for a null iterator.
    virtual MgShape* nextShape(Iterator& it) const = 0;
    /// Frees it and sets it to null.
    virtual void freeIterator(Iterator& it) const = 0;
    /// The most recently added shape, or null.
    [[nodiscard]] virtual MgShape* lastShape() const = 0;
    /// The first shape whose id() is id, or null.
    [[nodiscard]] virtual MgShape* findShape(int id) const = 0;
    /// The first shape whose tag() is tag, or null.
    [[nodiscard]] virtual MgShape* findShapeByTag(int tag) const = 0;
    /// Union of the geometric extents (boxes without area add nothing); all zeros when empty.
    [[nodiscard]] virtual MgBox extent() const = 0;
    /// Picks the shape nearest to the centre of limits (a small box around the pointer). A shape
    /// counts when its extent overlaps limits; a filled shape is hit anywhere over its extent,
    /// an outline-only one only when its outline lies within half the width of limits. On equal
    /// distances the earlier shape wins. nearPt and segment receive the nearest outline point and
    /// outline part of the result; null when nothing was hit.
    virtual MgShape* hitTest(const MgBox& limits, MgPoint& nearPt, int& segment) const = 0;
    /// Draws, in order, every shape whose extent overlaps gs.clipBoxModel(), with the optional
    /// override ctx (see MgShape::draw). Returns how many shapes drew.
    virtual int draw(GiGraphics& gs, const GiContext* ctx) const = 0;
    /// The change counter; the view compares it with the value it saw at the last save.
    [[nodiscard]] virtual int changeCount() const = 0;
    /// Atomically raises the change counter by one and returns the new value.
    virtual int noteChange() = 0;
    /// Writes the key tree ("shapedoc" in document mode, i.e. with a context, else "shapes")
    /// holding the shapes from position startIndex on (clamped to 0..shapeCount()). True when
    /// every shape was written.
    virtual bool save(MgArchive& s, int startIndex) const = 0;
    /// Reads the key tree written by save(); replaces the shapes unless append. Shapes of
    /// unknown types are skipped. False when the tree is missing or a shape failed to load
    /// (loading stops there; the shapes read before it stay).
    virtual bool load(MgArchive& s, bool append) = 0;
    /// Releases every shape and empties the collection.
    virtual void clear() = 0;
    /// Adds a copy of src (geometry updated, context and tag copied) at the end and returns the
    /// stored copy, owned by the collection. The copy keeps src's id when that is not 0 and free
    /// here; otherwise it gets the first free id from the last shape's id + 1 (1 when empty).
    virtual MgShape* addShapeCopy(const MgShape& src) = 0;
    /// Takes the first shape with this id out of the collection, keeping the order of the others,
    /// and hands it to the caller, who releases it. Null when there is none.
    virtual MgShape* removeShape(int id) = 0;
    /// The default drawing attributes for new shapes, or null for a collection made without.
    [[nodiscard]] virtual GiContext* context() = 0;
    [[nodiscard]] virtual const GiContext* context() const = 0;
    /// The model transform stored with the document.
    [[nodiscard]] virtual MgMatrix& modelTransform() = 0;
    [[nodiscard]] virtual const MgMatrix& modelTransform() const = 0;
    /// View scale and centre stored with the document.
    [[nodiscard]] virtual float viewScale() const = 0;
    [[nodiscard]] virtual MgPoint viewCenter() const = 0;
    virtual void setViewScaleCenter(float scale, const MgPoint& center) = 0;
    /// The counters of the collection lock (see MgShapesGuard).
    [[nodiscard]] virtual MgLockCounters& lockCounters() = 0;

protected:
    MgShapes() = default;
    MgShapes(const MgShapes&) = default;
    MgShapes& operator=(const MgShapes&) = default;
    // Not virtual: collections are destroyed through release() only.
    ~MgShapes() = default;
};

/// The collection over a container of owned MgShape pointers and a context type. Only
/// MgShapesT<> (std::vector, GiContext) is instantiated.
template <class Container = std::vector<MgShape*>, class Context = GiContext> class MgShapesT : public MgShapes {
public:
    [[nodiscard]] static constexpr int Type() noexcept { return 8; }

    /// A new empty collection, with a default-constructed context when withContext (document
    /// mode). The caller owns it and destroys it with release().
    [[nodiscard]] static MgShapesT* create(bool withContext) { return new MgShapesT(withContext); }

    explicit MgShapesT(bool withContext);
    MgShapesT(const MgShapesT&) = delete;
    MgShapesT& operator=(const MgShapesT&) = delete;
    /// Releases every shape, then the context.
    virtual ~MgShapesT();

    [[nodiscard]] MgShapesT* clone() const override;
    /// Does nothing: a collection is never copied shape by shape.
    void copyFrom(const MgObject& src) override;
    void release() override;
    /// True when src is a collection holding the very same shape objects in the same order.
    [[nodiscard]] bool equals(const MgObject& src) const override;
    [[nodiscard]] int typeId() const override { return Type(); }
    [[nodiscard]] bool isKindOf(int type) const override { return type == Type() || type == MgShapes::Type(); }

    [[nodiscard]] int shapeCount() const override;
    MgShape* firstShape(Iterator& it) const override;
    MgShape* nextShape(Iterator& it) const override;
    void freeIterator(Iterator& it) const override;
    [[nodiscard]] MgShape* lastShape() const override;
    [[nodiscard]] MgShape* findShape(int id) const override;
    [[nodiscard]] MgShape* findShapeByTag(int tag) const override;
    [[nodiscard]] MgBox extent() const override;
    MgShape* hitTest(const MgBox& limits, MgPoint& nearPt, int& segment) const override;
    int draw(GiGraphics& gs, const GiContext* ctx) const override;
    [[nodiscard]] int changeCount() const override;
    int noteChange() override;
    bool save(MgArchive& s, int startIndex) const override;
    bool load(MgArchive& s, bool append) override;
    void clear() override;
    MgShape* addShapeCopy(const MgShape& src) override;
    MgShape* removeShape(int id) override;
    [[nodiscard]] GiContext* context() override { return m_context; }
    [[nodiscard]] const GiContext* context() const override { return m_context; }
    [[nodiscard]] MgMatrix& modelTransform() override { return m_transform; }
    [[nodiscard]] const MgMatrix& modelTransform() const override { return m_transform; }
    [[nodiscard]] float viewScale() const override { return m_viewScale; }
    [[nodiscard]] MgPoint viewCenter() const override { return m_viewCenter; }
    void setViewScaleCenter(float scale, const MgPoint& center) override;
    [[nodiscard]] MgLockCounters& lockCounters() override { return m_lock; }

private:
    void appendShape(MgShape* shape);
    [[nodiscard]] bool hasId(int id) const;
    void dropTagIndex();

    Container m_shapes; ///< owned, drawing order
    Context* m_context = nullptr; ///< owned; null outside document mode
    MgMatrix m_transform; ///< model transform stored with the document
    float m_viewScale = 1.f;
    MgPoint m_viewCenter;
    std::atomic<std::int32_t> m_changeCount { 0 };
    MgLockCounters m_lock;
    // Per id: the first shape carrying it and how many do, so that finding a shape and
    // choosing a free id do not walk the collection. Only the collection changes stored ids.
    struct IdEntry {
        MgShape* first;
        int count;
    };
    std::unordered_map<int, IdEntry> m_ids;
    // Tag -> first shape with that tag, built on demand for large collections and then kept up
    // to date from the noted tag changes (mgTagChangesSince), so tagging one shape costs no walk.
    // A tag whose first shape became unknown (that shape was removed or retagged, or an earlier
    // shape took the tag) is "dirty": its next lookup walks once. Every other tag of the
    // collection is in the index, so a tag found in neither is held by no shape. When the
    // history is lost the index is rebuilt. The mutex keeps concurrent readers from updating it
    // at the same time.
    mutable std::mutex m_tagMutex;
    // Hashing a tag with its halves swapped keeps tags that differ in their high half (the rows
    // of region tags, (row << 16) | number) in neighbouring buckets: walking rows in order then
    // walks the index in order instead of across all of it, which a large collection notices.
    struct TagHash {
        std::size_t operator()(int tag) const noexcept
        {
            const auto t = static_cast<std::uint32_t>(tag);
            return (t << 16) | (t >> 16);
        }
    };
    mutable std::unordered_map<int, MgShape*, TagHash> m_tagIndex;
    mutable std::unordered_set<int, TagHash> m_tagDirty;
    mutable std::vector<MgTagChange> m_tagChanges; ///< scratch for syncTagIndex
    mutable std::uint64_t m_tagIndexRevision = 0;
    mutable bool m_tagIndexValid = false;

    // With m_tagMutex held: applies the tag changes noted since the index was made, or drops it.
    void syncTagIndex() const;
    // With m_tagMutex held: the index no longer knows the first shape with tag.
    void markTagDirty(int tag) const;
};

extern template class MgShapesT<>;
