// The line family: a straight segment, and the polyline and spline through a growable list of
// vertices.
//
// Model coordinates throughout. Edge (or curve piece) i runs from vertex i to vertex i + 1;
// a closed figure adds the piece from the last vertex back to vertex 0. Handles of the vertex
// shapes are their vertices; the segment has three (0 start, 1 midpoint, 2 end).
#pragma once

#include "shape/mgbaseshape.h"

/// Straight segment between m_start and m_end.
class MgLine : public MgBaseShape {
public:
    [[nodiscard]] static constexpr int Type() noexcept { return 10; }
    [[nodiscard]] static MgLine* create() { return new MgLine; }

    MgLine() = default;

    [[nodiscard]] const MgPoint& startPoint() const noexcept { return m_start; }
    [[nodiscard]] const MgPoint& endPoint() const noexcept { return m_end; }

    [[nodiscard]] MgLine* clone() const override;
    /// From a segment: points and extent; from any other shape: the extent only.
    void copyFrom(const MgObject& src) override;
    [[nodiscard]] bool equals(const MgObject& src) const override;
    [[nodiscard]] int typeId() const override { return Type(); }
    [[nodiscard]] bool isKindOf(int type) const override { return type == Type() || baseIsKindOf(type); }

    [[nodiscard]] MgBox extent() const override;
    void update() override;
    /// Both points times m and the extent transformed; no update().
    void transform(const MgMatrix& m) override;
    /// The end point moves onto the start point; extent all zero.
    void clear() override;
    [[nodiscard]] int pointCount() const override { return 2; }
    /// 0: start, any other index: end.
    [[nodiscard]] MgPoint pointAt(int index) const override;
    /// 0: start, any other index: end.
    void setPointAt(int index, const MgPoint& pt) override;
    [[nodiscard]] bool isClosed() const override { return false; }
    /// Segment 0 when pt lies within tol of the segment.
    [[nodiscard]] float hitTest(const MgPoint& pt, float tol, MgPoint& nearPt, int& segment) const override;
    /// Whether some part of the segment lies in box.
    [[nodiscard]] bool hitTestBox(const MgBox& box) const override;
    bool draw(GiGraphics& gs, const GiContext& ctx) const override;
    /// Key "points": start.x, start.y, end.x, end.y.
    bool save(MgArchive& s) const override;
    /// Key "points"; false unless four values were read.
    bool load(MgArchive& s) override;
    [[nodiscard]] int handleCount() const override { return 3; }
    /// 0: start, 1: midpoint, any other: end.
    [[nodiscard]] MgPoint handlePoint(int index) const override;
    /// 1 moves the whole segment so its midpoint goes to pt; 0 sets the start, any other the
    /// end; then update(); always true; tol unused.
    bool setHandlePoint(int index, const MgPoint& pt, float tol) override;
    bool offset(const MgVector& vec, int segment) override;

private:
    MgPoint m_start;
    MgPoint m_end;
};

/// A growable list of vertices with a closed flag. The vertex array grows in steps of 8 points
/// and never shrinks before the shape is destroyed; the shape owns it.
class MgBaseLines : public MgBaseShape {
public:
    [[nodiscard]] static constexpr int Type() noexcept { return 5; }

    ~MgBaseLines() override;
    MgBaseLines(const MgBaseLines&) = delete;
    MgBaseLines& operator=(const MgBaseLines&) = delete;

    /// The vertices in use (null before the first allocation).
    [[nodiscard]] const MgPoint* points() const noexcept { return m_points; }
    /// Number of points the array can hold.
    [[nodiscard]] unsigned capacity() const noexcept { return m_maxCount; }

    /// Sets the vertex count to n, growing the array to the smallest multiple of 8 not below n;
    /// new vertices are (0, 0). False, changing nothing, for n < 0. No update().
    bool resize(int n);
    /// Appends pt. No update().
    bool addPoint(const MgPoint& pt);
    /// Inserts pt inside edge segment (as vertex segment + 1); false, changing nothing, when
    /// segment is not an edge of the figure. No update().
    bool insertPoint(int segment, const MgPoint& pt);
    /// Removes vertex index keeping the order of the others; false, changing nothing, when
    /// index is not a vertex or fewer than two vertices are left. No update().
    bool removePoint(int index);
    /// Sets the closed flag; always true. No update().
    bool setClosed(bool closed) noexcept;

    [[nodiscard]] MgBox extent() const override;
    /// Extent of the vertices.
    void update() override;
    /// Every vertex times m and the extent transformed; no update().
    void transform(const MgMatrix& m) override;
    /// No vertices, open; the array stays allocated; extent all zero.
    void clear() override;
    [[nodiscard]] int pointCount() const override { return static_cast<int>(m_count); }
    /// Vertex index; (0, 0) when index is not a vertex.
    [[nodiscard]] MgPoint pointAt(int index) const override;
    /// Sets vertex index; ignored when index is not a vertex.
    void setPointAt(int index, const MgPoint& pt) override;
    [[nodiscard]] bool isClosed() const override { return m_closed; }
    /// Keys "closed", "count", "points".
    bool save(MgArchive& s) const override;
    /// Keys "closed", "count", "points"; false for a count of 0 or above 9999, or when
    /// "points" holds fewer than 2 * count values.
    bool load(MgArchive& s) override;
    [[nodiscard]] int handleCount() const override { return static_cast<int>(m_count); }
    [[nodiscard]] MgPoint handlePoint(int index) const override { return pointAt(index); }
    /// Vertex drag: dropping a vertex within tol of a neighbour removes it; dropping an end of
    /// an open figure within tol of the other end removes it and closes the figure; otherwise
    /// the vertex moves to pt. Then update(); always true.
    bool setHandlePoint(int index, const MgPoint& pt, float tol) override;
    bool offset(const MgVector& vec, int segment) override;

protected:
    MgBaseLines() = default;

    void linesCopy(const MgBaseLines& src);
    [[nodiscard]] bool linesEquals(const MgBaseLines& src) const noexcept;
    [[nodiscard]] bool linesIsKindOf(int type) const noexcept { return type == Type() || baseIsKindOf(type); }
    /// Vertex-edge test: the boxes of the edges 0..count-2 (not the closing edge); true with
    /// fewer than two vertices once the extent meets box.
    [[nodiscard]] bool edgeBoxHit(const MgBox& box) const noexcept;

    MgPoint* m_points = nullptr; ///< owned, m_maxCount entries
    unsigned m_maxCount = 0;
    unsigned m_count = 0;
    bool m_closed = false;
};

/// Polyline, or polygon when closed.
class MgLines : public MgBaseLines {
public:
    [[nodiscard]] static constexpr int Type() noexcept { return 15; }
    [[nodiscard]] static MgLines* create() { return new MgLines; }

    MgLines() = default;

    [[nodiscard]] MgLines* clone() const override;
    /// From any vertex shape: vertices, closed flag and extent.
    void copyFrom(const MgObject& src) override;
    [[nodiscard]] bool equals(const MgObject& src) const override;
    [[nodiscard]] int typeId() const override { return Type(); }
    [[nodiscard]] bool isKindOf(int type) const override { return type == Type() || linesIsKindOf(type); }
    /// Segment is the edge index.
    [[nodiscard]] float hitTest(const MgPoint& pt, float tol, MgPoint& nearPt, int& segment) const override;
    [[nodiscard]] bool hitTestBox(const MgBox& box) const override;
    bool draw(GiGraphics& gs, const GiContext& ctx) const override;
};

/// Smooth cubic spline through the vertices; the tangent at each vertex is derived data, valid
/// only after update().
class MgSplines : public MgBaseLines {
public:
    [[nodiscard]] static constexpr int Type() noexcept { return 16; }
    [[nodiscard]] static MgSplines* create() { return new MgSplines; }

    MgSplines() = default;
    ~MgSplines() override;

    /// The tangent vector at each vertex (null before the first update()).
    [[nodiscard]] const MgVector* knotVectors() const noexcept { return m_knotVectors; }
    /// Whether the tangent array covers every vertex. Tangents are stale after any change of
    /// the vertices until update(); without an array covering them the curve is neither drawn
    /// nor hit.
    [[nodiscard]] bool hasTangents() const noexcept { return m_knotVectors && m_knotCapacity >= m_count; }

    /// Copies vertices, closed flag and extent; tangents follow on the next update().
    [[nodiscard]] MgSplines* clone() const override;
    void copyFrom(const MgObject& src) override;
    [[nodiscard]] bool equals(const MgObject& src) const override;
    [[nodiscard]] int typeId() const override { return Type(); }
    [[nodiscard]] bool isKindOf(int type) const override { return type == Type() || linesIsKindOf(type); }
    /// Vertex extent, then the tangents and the extent of the curve (closing piece included).
    void update() override;
    /// Segment is the curve piece index.
    [[nodiscard]] float hitTest(const MgPoint& pt, float tol, MgPoint& nearPt, int& segment) const override;
    [[nodiscard]] bool hitTestBox(const MgBox& box) const override;
    bool draw(GiGraphics& gs, const GiContext& ctx) const override;

private:
    /// Grows the tangent array to the vertex capacity when it holds fewer than m_count.
    void ensureTangentCapacity();

    MgVector* m_knotVectors = nullptr; ///< owned, m_knotCapacity entries
    unsigned m_knotCapacity = 0;
};
