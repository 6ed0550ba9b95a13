// Geometric shape contract shared by every shape class.
//
// Coordinates: all points, boxes and tolerances are in model coordinates (32-bit floats). The
// drawing operation converts through the GiGraphics it is given.
//
// Type ids (typeId(), isKindOf() and each class's static Type()):
//     3 MgBaseShape   4 MgBaseRect   5 MgBaseLines
//     10 MgLine   11 MgRect   12 MgEllipse   13 MgRoundRect   15 MgLines   16 MgSplines
// Ids 1, 2 and 8 belong to the collection and the shape-with-context interfaces; 6, 7, 9 and 14
// are unused.
//
// Hit tests answer a distance; when nothing lies within the tolerance the distance is the
// largest float (kMgMaxFloat) and the segment -1.
//
// Lifecycle: after changing defining points with setPointAt the caller calls update(); the
// handle, offset and transform operations say for themselves whether they update.
#pragma once

#include "geom/mgbox.h"
#include "shape/mgarchive.h"
#include "shape/mgobject.h"

class GiGraphics;
class GiContext;

class MgBaseShape : public MgObject {
public:
    [[nodiscard]] static constexpr int Type() noexcept { return 3; }

    virtual ~MgBaseShape() = default;

    [[nodiscard]] MgBaseShape* clone() const override = 0;
    /// Deletes this object; shapes are always heap objects made by create() or clone() unless
    /// they are embedded in a shape with context, which never releases them.
    void release() override;

    /// Bounding box in model coordinates, as of the last update().
    [[nodiscard]] virtual MgBox extent() const = 0;
    /// Recomputes derived data (at least the extent) after the defining points changed.
    virtual void update() = 0;
    /// Applies m (model to model) to the shape.
    virtual void transform(const MgMatrix& m) = 0;
    /// Makes the shape degenerate (class-specific) and the extent the all-zero box.
    virtual void clear() = 0;
    /// Number of defining points.
    [[nodiscard]] virtual int pointCount() const = 0;
    /// Defining point index (0-based); each class says what an index out of range gives.
    [[nodiscard]] virtual MgPoint pointAt(int index) const = 0;
    /// Replaces defining point index; does not update().
    virtual void setPointAt(int index, const MgPoint& pt) = 0;
    /// Whether the outline is a closed figure.
    [[nodiscard]] virtual bool isClosed() const = 0;
    /// Distance from pt to the nearest point of the outline among the parts within tol;
    /// nearPt receives that point and segment the index of the outline part. Nothing within
    /// tol: kMgMaxFloat and segment -1 (nearPt unspecified).
    [[nodiscard]] virtual float hitTest(const MgPoint& pt, float tol, MgPoint& nearPt, int& segment) const = 0;
    /// Whether the outline meets box (model coordinates).
    [[nodiscard]] virtual bool hitTestBox(const MgBox& box) const = 0;
    /// Draws the shape with ctx through gs; true when something was drawn.
    virtual bool draw(GiGraphics& gs, const GiContext& ctx) const = 0;
    /// Writes the shape's own keys into the current node of s.
    virtual bool save(MgArchive& s) const = 0;
    /// Reads the shape's own keys; false when the data is incomplete. Does not update().
    virtual bool load(MgArchive& s) = 0;
    /// Number of drag handles.
    [[nodiscard]] virtual int handleCount() const = 0;
    /// Position of handle index.
    [[nodiscard]] virtual MgPoint handlePoint(int index) const = 0;
    /// Moves handle index to pt (tol: merge distance, where a class uses one); true when the
    /// shape changed.
    virtual bool setHandlePoint(int index, const MgPoint& pt, float tol) = 0;
    /// Translates the shape by vec; segment is the outline part that was grabbed (classes may
    /// ignore it).
    virtual bool offset(const MgVector& vec, int segment) = 0;

protected:
    MgBaseShape() = default;
    MgBaseShape(const MgBaseShape&) = default;
    MgBaseShape& operator=(const MgBaseShape&) = default;

    /// The clone() of a concrete class S: a new S from S::create() with the content of src
    /// (S::copyFrom); the caller owns it.
    template <class S> [[nodiscard]] static S* cloneOf(const S& src)
    {
        S* p = S::create();
        p->copyFrom(src);
        return p;
    }

    // Base implementations, called by the concrete overrides after their own work.

    [[nodiscard]] MgBox baseExtent() const noexcept { return m_extent; }
    void baseCopy(const MgBaseShape& src) noexcept { m_extent = src.m_extent; }
    /// The extent is not compared.
    [[nodiscard]] bool baseEquals(const MgBaseShape&) const noexcept { return true; }
    [[nodiscard]] bool baseIsKindOf(int type) const noexcept { return type == Type(); }
    /// Keeps a non-empty extent at least 2 * pointTol thick in either direction.
    void baseUpdate() noexcept;
    void baseClear() noexcept { m_extent.clear(); }
    /// The extent becomes the bounding box of its image under m.
    void baseTransform(const MgMatrix& m) noexcept;
    [[nodiscard]] bool baseHitTestBox(const MgBox& box) const noexcept { return m_extent.overlaps(box); }
    bool baseDraw(GiGraphics&, const GiContext&) const noexcept { return false; }
    /// Moves every defining point by vec, then update(); always true.
    bool baseOffset(const MgVector& vec, int segment);

    MgBox m_extent; ///< bounding box in model coordinates; all zero for a new shape
};
