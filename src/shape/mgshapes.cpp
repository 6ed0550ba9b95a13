#include "shape/mgshapes.h"

#include "graph/gigraphics.h"

#include <algorithm>
#include <cstddef>
#include <limits>

namespace {
// Below this many shapes a walk is as quick as keeping a tag index.
constexpr std::size_t kTagIndexMinShapes = 32;
} // namespace

struct MgShapeIterator {
    std::size_t index = 0;
};

namespace {

void writeBox(MgArchive& s, const char* name, const MgBox& box)
{
    const float v[4] = { box.xmin, box.ymin, box.xmax, box.ymax };
    s.writeFloatArray(name, v, 4);
}

} // namespace

template <class Container, class Context>
MgShapesT<Container, Context>::MgShapesT(bool withContext)
    : m_context(withContext ? new Context() : nullptr)
{
}

template <class Container, class Context> MgShapesT<Container, Context>::~MgShapesT()
{
    clear();
    delete m_context;
}

template <class Container, class Context> MgShapesT<Container, Context>* MgShapesT<Container, Context>::clone() const
{
    auto* p = create(m_context != nullptr);
    if (m_context)
        *p->m_context = *m_context;
    return p;
}

template <class Container, class Context> void MgShapesT<Container, Context>::copyFrom(const MgObject&) { }

template <class Container, class Context> void MgShapesT<Container, Context>::release() { delete this; }

template <class Container, class Context> bool MgShapesT<Container, Context>::equals(const MgObject& src) const
{
    if (!src.isKindOf(Type()))
        return false;
    const auto& other = static_cast<const MgShapes&>(src);
    if (other.shapeCount() != shapeCount())
        return false;
    Iterator it = nullptr;
    bool same = true;
    std::size_t i = 0;
    for (MgShape* sp = other.firstShape(it); sp && same; sp = other.nextShape(it), ++i)
        same = i < m_shapes.size() && m_shapes[i] == sp;
    other.freeIterator(it);
    return same && i == m_shapes.size();
}

template <class Container, class Context> int MgShapesT<Container, Context>::shapeCount() const
{
    return static_cast<int>(m_shapes.size());
}

template <class Container, class Context> MgShape* MgShapesT<Container, Context>::firstShape(Iterator& it) const
{
    it = new MgShapeIterator;
    return m_shapes.empty() ? nullptr : m_shapes.front();
}

template <class Container, class Context> MgShape* MgShapesT<Container, Context>::nextShape(Iterator& it) const
{
    if (!it || it->index >= m_shapes.size())
        return nullptr;
    ++it->index;
    return it->index < m_shapes.size() ? m_shapes[it->index] : nullptr;
}

template <class Container, class Context> void MgShapesT<Container, Context>::freeIterator(Iterator& it) const
{
    delete it;
    it = nullptr;
}

template <class Container, class Context> MgShape* MgShapesT<Container, Context>::lastShape() const
{
    return m_shapes.empty() ? nullptr : m_shapes.back();
}

template <class Container, class Context> MgShape* MgShapesT<Container, Context>::findShape(int id) const
{
    const auto entry = m_ids.find(id);
    return entry == m_ids.end() ? nullptr : entry->second.first;
}

template <class Container, class Context> MgShape* MgShapesT<Container, Context>::findShapeByTag(int tag) const
{
    if (m_shapes.size() < kTagIndexMinShapes) {
        for (MgShape* sp : m_shapes) {
            if (sp->tag() == tag)
                return sp;
        }
        return nullptr;
    }
    const std::lock_guard<std::mutex> lock(m_tagMutex);
    if (m_tagIndexValid && m_tagIndexRevision != mgTagRevision())
        syncTagIndex();
    if (!m_tagIndexValid) {
        // Read the revision before building: a tag changed meanwhile is applied by the next sync.
        m_tagIndexRevision = mgTagRevision();
        m_tagIndex.clear();
        m_tagDirty.clear();
        m_tagIndex.reserve(m_shapes.size());
        for (MgShape* sp : m_shapes)
            m_tagIndex.try_emplace(sp->tag(), sp); // the first in order stays
        m_tagIndexValid = true;
    }
    const auto found = m_tagIndex.find(tag);
    if (found != m_tagIndex.end())
        return found->second;
    if (m_tagDirty.erase(tag) == 0)
        return nullptr;
    for (MgShape* sp : m_shapes) {
        if (sp->tag() == tag) {
            m_tagIndex.emplace(tag, sp);
            return sp;
        }
    }
    return nullptr;
}

template <class Container, class Context> void MgShapesT<Container, Context>::markTagDirty(int tag) const
{
    m_tagIndex.erase(tag);
    m_tagDirty.insert(tag);
}

template <class Container, class Context> void MgShapesT<Container, Context>::syncTagIndex() const
{
    std::uint64_t now = 0;
    m_tagChanges.clear();
    if (!mgTagChangesSince(m_tagIndexRevision, this, m_tagChanges, now)) {
        m_tagIndexValid = false;
        return;
    }
    for (const MgTagChange& change : m_tagChanges) {
        // Only a shape that is still here may be touched: the id index tells by identity alone.
        const auto entry = m_ids.find(change.id);
        if (entry == m_ids.end())
            continue;
        if (entry->second.first != change.shape) {
            if (entry->second.count > 1) {
                m_tagIndexValid = false; // one of several shapes sharing an id: cannot tell
                return;
            }
            continue;
        }
        MgShape* sp = entry->second.first;
        const auto old = m_tagIndex.find(change.oldTag);
        if (old != m_tagIndex.end() && old->second == sp)
            markTagDirty(change.oldTag);
        const int tag = sp->tag();
        if (m_tagDirty.count(tag) != 0)
            continue;
        const auto [pos, inserted] = m_tagIndex.try_emplace(tag, sp);
        if (!inserted && pos->second != sp)
            markTagDirty(tag); // which of the two comes first is not known here
    }
    m_tagIndexRevision = now;
}

template <class Container, class Context> MgBox MgShapesT<Container, Context>::extent() const
{
    MgBox box;
    for (const MgShape* sp : m_shapes)
        box.extend(sp->shape().extent());
    return box;
}

template <class Container, class Context>
MgShape* MgShapesT<Container, Context>::hitTest(const MgBox& limits, MgPoint& nearPt, int& segment) const
{
    const MgPoint centre = limits.midpoint();
    float best = kMgMaxFloat;
    MgShape* result = nullptr;

    for (MgShape* sp : m_shapes) {
        const MgBaseShape& geom = sp->shape();
        const MgBox ext = geom.extent();
        if (!ext.overlaps(limits))
            continue;
        // A filled shape answers from anywhere over its extent, an outline only near the pointer.
        const float tol = sp->context().hasFillColor() ? std::max(ext.width(), ext.height()) : limits.width() / 2;
        MgPoint pt;
        int seg = -1;
        const float d = geom.hitTest(centre, tol, pt, seg);
        if (d < best) { // strict: on a tie the earlier shape stays
            best = d;
            nearPt = pt;
            segment = seg;
            result = sp;
        }
    }
    if (result && !result->context().hasFillColor() && limits.width() < best)
        return nullptr;
    return result;
}

template <class Container, class Context>
int MgShapesT<Container, Context>::draw(GiGraphics& gs, const GiContext* ctx) const
{
    const MgBox clip = gs.clipBoxModel();
    int count = 0;
    for (const MgShape* sp : m_shapes) {
        if (sp->shape().extent().overlaps(clip) && sp->draw(gs, ctx))
            ++count;
    }
    return count;
}

template <class Container, class Context> int MgShapesT<Container, Context>::changeCount() const
{
    return m_changeCount.load();
}

template <class Container, class Context> int MgShapesT<Container, Context>::noteChange() { return ++m_changeCount; }

template <class Container, class Context> bool MgShapesT<Container, Context>::save(MgArchive& s, int startIndex) const
{
    const bool document = m_context != nullptr;
    const int index = document ? 0 : -1;
    const int count = shapeCount();
    // A start outside 0..count would write a negative count or "shape" nodes out of sequence.
    const int start = std::clamp(startIndex, 0, count);

    if (document) {
        if (!s.writeNode("shapedoc", -1, false))
            return false;
        const float m[6]
            = { m_transform.m11, m_transform.m12, m_transform.m21, m_transform.m22, m_transform.dx, m_transform.dy };
        s.writeFloatArray("transform", m, 6);
        s.writeFloat("scale", m_viewScale);
        const float c[2] = { m_viewCenter.x, m_viewCenter.y };
        s.writeFloatArray("center", c, 2);
        writeBox(s, "extent", extent());
        s.writeInt("count", 1);
    }

    bool ret = s.writeNode("shapes", index, false);
    if (ret) {
        writeBox(s, "extent", extent());
        s.writeInt("count", count - start);
        for (int i = start; i < count && ret; ++i) {
            const MgShape* sp = m_shapes[static_cast<std::size_t>(i)];
            const int n = i - start;
            ret = s.writeNode("shape", n, false);
            if (ret) {
                s.writeInt("type", sp->typeId() % 10000);
                s.writeInt("id", sp->id());
                writeBox(s, "extent", sp->shape().extent());
                ret = sp->save(s);
                s.writeNode("shape", n, true);
            }
        }
        s.writeNode("shapes", index, true);
    }

    if (document)
        s.writeNode("shapedoc", -1, true);
    return ret;
}

template <class Container, class Context> bool MgShapesT<Container, Context>::load(MgArchive& s, bool append)
{
    const bool document = m_context != nullptr;
    const int index = document ? 0 : -1;
    float ignored[4];

    if (document) {
        if (!s.readNode("shapedoc", -1, false))
            return false;
        float m[6];
        if (s.readFloatArray("transform", m, 6) == 6)
            m_transform.set(m[0], m[1], m[2], m[3], m[4], m[5]);
        m_viewScale = s.readFloat("scale", m_viewScale);
        float c[2];
        if (s.readFloatArray("center", c, 2) == 2)
            m_viewCenter.set(c[0], c[1]);
        (void)s.readFloatArray("extent", ignored, 4);
        (void)s.readInt("count", 0);
    }

    if (!s.readNode("shapes", index, false)) {
        if (document)
            s.readNode("shapedoc", -1, true);
        return false;
    }
    (void)s.readFloatArray("extent", ignored, 4);
    (void)s.readInt("count", 0);
    if (!append)
        clear();

    bool ret = true;
    for (int n = 0; ret && s.readNode("shape", n, false); ++n) {
        const int type = s.readInt("type", 0);
        const int id = s.readInt("id", 0);
        MgShape* sp = createShape(type);
        (void)s.readFloatArray("extent", ignored, 4);
        if (sp) {
            sp->setParent(this, id); // stored ids are kept as they are
            ret = sp->load(s);
            if (ret)
                appendShape(sp);
            else
                sp->release();
        }
        s.readNode("shape", n, true);
    }

    s.readNode("shapes", index, true);
    if (document)
        s.readNode("shapedoc", -1, true);
    return ret;
}

template <class Container, class Context> void MgShapesT<Container, Context>::clear()
{
    // Empty the sequence before releasing, so nothing can reach a released shape through it.
    Container shapes;
    shapes.swap(m_shapes);
    m_ids.clear();
    dropTagIndex();
    for (MgShape* sp : shapes)
        sp->release();
}

template <class Container, class Context> MgShape* MgShapesT<Container, Context>::addShapeCopy(const MgShape& src)
{
    MgShape* sp = src.clone();
    if (!sp)
        return nullptr;
    // Loaded ids may be anything: step past INT_MAX to 1 rather than overflow, and never hand
    // out 0, which means "no id".
    const auto next = [](int v) { return v == std::numeric_limits<int>::max() ? 1 : v + 1; };
    int id = src.id();
    if (id == 0 || hasId(id)) {
        id = m_shapes.empty() ? 1 : next(m_shapes.back()->id());
        while (id == 0 || hasId(id))
            id = next(id);
    }
    sp->setParent(this, id);
    appendShape(sp);
    return sp;
}

template <class Container, class Context> MgShape* MgShapesT<Container, Context>::removeShape(int id)
{
    const auto entry = m_ids.find(id);
    if (entry == m_ids.end())
        return nullptr;
    MgShape* sp = entry->second.first;
    auto pos = std::find(m_shapes.begin(), m_shapes.end(), sp);
    if (pos == m_shapes.end()) // cannot happen while the index is kept; refuse rather than lose a shape
        return nullptr;
    {
        const std::lock_guard<std::mutex> lock(m_tagMutex);
        if (m_tagIndexValid)
            syncTagIndex(); // while the shape still counts as ours
        if (m_tagIndexValid) {
            const auto found = m_tagIndex.find(sp->tag());
            if (found != m_tagIndex.end() && found->second == sp)
                markTagDirty(sp->tag());
        }
    }
    pos = m_shapes.erase(pos);
    if (--entry->second.count == 0) {
        m_ids.erase(entry);
    } else {
        // The next shape with this id lies after the removed one.
        const auto next = std::find_if(pos, m_shapes.end(), [id](const MgShape* other) { return other->id() == id; });
        entry->second.first = next == m_shapes.end() ? nullptr : *next;
    }
    return sp;
}

template <class Container, class Context>
void MgShapesT<Container, Context>::setViewScaleCenter(float scale, const MgPoint& center)
{
    m_viewScale = scale;
    m_viewCenter = center;
}

template <class Container, class Context> void MgShapesT<Container, Context>::appendShape(MgShape* shape)
{
    m_shapes.push_back(shape);
    // An id already present keeps its earlier shape as the first one.
    ++m_ids.try_emplace(shape->id(), IdEntry { shape, 0 }).first->second.count;
    // The new shape is last, so it only becomes the answer for a tag nobody had.
    const std::lock_guard<std::mutex> lock(m_tagMutex);
    if (m_tagIndexValid && m_tagDirty.count(shape->tag()) == 0)
        m_tagIndex.try_emplace(shape->tag(), shape);
}

template <class Container, class Context> void MgShapesT<Container, Context>::dropTagIndex()
{
    const std::lock_guard<std::mutex> lock(m_tagMutex);
    m_tagIndexValid = false;
    m_tagIndex.clear();
    m_tagDirty.clear();
}

template <class Container, class Context> bool MgShapesT<Container, Context>::hasId(int id) const
{
    return m_ids.find(id) != m_ids.end();
}

template class MgShapesT<>;
