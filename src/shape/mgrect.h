// The rectangle family: a rectangle given by four corners, possibly rotated, and the plain
// rectangle, ellipse and rounded rectangle built on it.
//
// Corners (model coordinates, y up), in order for an unrotated rectangle:
//     0 = (xmin, ymax)  1 = (xmax, ymax)  2 = (xmax, ymin)  3 = (xmin, ymin)
// The edge from corner 0 to corner 1 is the width edge; its direction is the rotation angle.
// Corners 0 and 1 are authoritative: update() re-squares corners 2 and 3 from them, keeping
// the height. Handles 0..3 are the corners and 4 + i the middle of the side from corner i to
// corner (i + 1) mod 4 (4 top, 5 right, 6 bottom, 7 left); any other handle is the centre.
#pragma once

#include "shape/mgbaseshape.h"

class MgBaseRect : public MgBaseShape {
public:
    [[nodiscard]] static constexpr int Type() noexcept { return 4; }

    /// Midpoint of corners 0 and 2.
    [[nodiscard]] MgPoint center() const noexcept;
    /// Direction of corner 1 - corner 0 in radians; 0 for coincident corners.
    [[nodiscard]] float angle() const noexcept;
    /// Distance from corner 0 to corner 1.
    [[nodiscard]] float width() const noexcept;
    /// Distance from corner 1 to corner 2.
    [[nodiscard]] float height() const noexcept;
    /// The unrotated rectangle: centred on center(), width() wide and height() high (width()
    /// high when the height is near zero).
    [[nodiscard]] MgBox rect() const noexcept;
    /// Whether the width edge is horizontal.
    [[nodiscard]] bool isOrtho() const noexcept;
    /// Whether the diagonal is shorter than the larger of 1e-7 and minDist.
    [[nodiscard]] bool isEmpty(float minDist) const noexcept;
    /// Sets the corners from rect (normalised corner order above), then rotates them by angle
    /// radians about the centre of rect. Does not update().
    void setRect(const MgBox& rect, float angle) noexcept;

    [[nodiscard]] MgBox extent() const override;
    /// Rectangle update: re-squares corners 2 and 3, the extent becomes their bounding box.
    void update() override;
    /// Corners times m and the extent transformed; no update().
    void transform(const MgMatrix& m) override;
    /// All corners to the former centre, extent all zero.
    void clear() override;
    [[nodiscard]] int pointCount() const override { return 4; }
    /// Corner index; (0, 0) for an index outside 0..3.
    [[nodiscard]] MgPoint pointAt(int index) const override;
    /// Sets corner index; an index outside 0..3 is ignored.
    void setPointAt(int index, const MgPoint& pt) override;
    [[nodiscard]] bool isClosed() const override { return true; }
    /// Key "points": the eight corner coordinates.
    bool save(MgArchive& s) const override;
    /// Key "points"; false unless exactly eight values were read.
    bool load(MgArchive& s) override;
    [[nodiscard]] int handleCount() const override { return 8; }
    [[nodiscard]] MgPoint handlePoint(int index) const override;
    /// Drags handle index in the unrotated frame (a corner dragged across the opposite side
    /// flips the rectangle), keeps the angle, then update(); always true; tol unused.
    bool setHandlePoint(int index, const MgPoint& pt, float tol) override;
    /// Moves all corners by vec, then update(); always true.
    bool offset(const MgVector& vec, int segment) override;

protected:
    MgBaseRect() = default;

    void rectCopy(const MgBaseRect& src) noexcept;
    /// Corner-wise equality within the standard point tolerance; the extent is not compared.
    [[nodiscard]] bool rectEquals(const MgBaseRect& src) const noexcept;
    [[nodiscard]] bool rectIsKindOf(int type) const noexcept { return type == Type() || baseIsKindOf(type); }
    /// Edge-box test: the boxes of the edges 0-1, 1-2 and 2-3 (not the closing edge 3-0).
    [[nodiscard]] bool edgeBoxHit(const MgBox& box) const noexcept;

    MgPoint m_points[4];
};

/// Plain rectangle.
class MgRect : public MgBaseRect {
public:
    [[nodiscard]] static constexpr int Type() noexcept { return 11; }
    /// A new empty rectangle; the caller owns it and frees it with release().
    [[nodiscard]] static MgRect* create() { return new MgRect; }

    MgRect() = default;

    [[nodiscard]] MgRect* clone() const override;
    /// Copies corners and extent from any rectangle-family shape.
    void copyFrom(const MgObject& src) override;
    [[nodiscard]] bool equals(const MgObject& src) const override;
    [[nodiscard]] int typeId() const override { return Type(); }
    [[nodiscard]] bool isKindOf(int type) const override { return type == Type() || rectIsKindOf(type); }
    /// Nearest point of the four edges; segment i is the edge from corner i to corner (i+1)%4.
    [[nodiscard]] float hitTest(const MgPoint& pt, float tol, MgPoint& nearPt, int& segment) const override;
    [[nodiscard]] bool hitTestBox(const MgBox& box) const override;
    bool draw(GiGraphics& gs, const GiContext& ctx) const override;
};

/// Ellipse inscribed in the rectangle, kept as a closed chain of four cubic Bezier segments.
class MgEllipse : public MgBaseRect {
public:
    [[nodiscard]] static constexpr int Type() noexcept { return 12; }
    [[nodiscard]] static MgEllipse* create() { return new MgEllipse; }

    MgEllipse() = default;

    /// The 13 control points of the outline (segment i uses points 3i..3i+3); valid after
    /// update().
    [[nodiscard]] const MgPoint* bezierPoints() const noexcept { return m_bezier; }

    [[nodiscard]] MgEllipse* clone() const override;
    /// From an ellipse: corners, extent and curve; from another rectangle: corners and extent,
    /// the curve following on the next update().
    void copyFrom(const MgObject& src) override;
    [[nodiscard]] bool equals(const MgObject& src) const override;
    [[nodiscard]] int typeId() const override { return Type(); }
    [[nodiscard]] bool isKindOf(int type) const override { return type == Type() || rectIsKindOf(type); }
    /// Rectangle update, then the curve; the extent becomes the curve's box.
    void update() override;
    /// Nearest point of the curve; segment is the Bezier segment index 0..3.
    [[nodiscard]] float hitTest(const MgPoint& pt, float tol, MgPoint& nearPt, int& segment) const override;
    [[nodiscard]] bool hitTestBox(const MgBox& box) const override;
    bool draw(GiGraphics& gs, const GiContext& ctx) const override;

private:
    MgPoint m_bezier[13];
};

/// Rectangle with rounded corners; the radii are measured along the width and height edges.
class MgRoundRect : public MgBaseRect {
public:
    [[nodiscard]] static constexpr int Type() noexcept { return 13; }
    [[nodiscard]] static MgRoundRect* create() { return new MgRoundRect; }

    MgRoundRect() = default;

    [[nodiscard]] float radiusX() const noexcept { return m_rx; }
    [[nodiscard]] float radiusY() const noexcept { return m_ry; }
    /// Sets the corner radii in model units (ry near zero draws and hits as rx).
    void setRadius(float rx, float ry) noexcept
    {
        m_rx = rx;
        m_ry = ry;
    }

    [[nodiscard]] MgRoundRect* clone() const override;
    /// From a rounded rectangle: radii, corners and extent; from another rectangle: corners
    /// and extent only.
    void copyFrom(const MgObject& src) override;
    [[nodiscard]] bool equals(const MgObject& src) const override;
    [[nodiscard]] int typeId() const override { return Type(); }
    [[nodiscard]] bool isKindOf(int type) const override { return type == Type() || rectIsKindOf(type); }
    /// Radii to 0, then the rectangle clear.
    void clear() override;
    /// Segments 4..7 are the straight edges (4 top, 5 right, 6 bottom, 7 left in the unrotated
    /// frame), 0..3 the corner arcs (0 left-top, 1 right-top, 2 right-bottom, 3 left-bottom).
    [[nodiscard]] float hitTest(const MgPoint& pt, float tol, MgPoint& nearPt, int& segment) const override;
    [[nodiscard]] bool hitTestBox(const MgBox& box) const override;
    bool draw(GiGraphics& gs, const GiContext& ctx) const override;
    /// Keys "points", "rx", "ry".
    bool save(MgArchive& s) const override;
    /// Missing "rx" or "ry" read as 0; the result is that of "points".
    bool load(MgArchive& s) override;

private:
    float m_rx = 0;
    float m_ry = 0;
};
