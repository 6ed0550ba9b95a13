// The view transform: model, world and display coordinates of one view, with zoom and pan.
//
// Coordinate systems:
//   model   - the shapes' own units (in the lyric tool: picture pixels); related to world by the
//             owner's model transform.
//   world   - millimetres (25.4 per inch); x right, y up when built with yAxisUp.
//   display - device pixels of the client area; origin top-left, x right, y down.
//
// World to display follows from the resolution, the client size, the zoom and the world point
// shown at the centre of the client area (focusWorld): the focus maps to the pixel
// (widthPx * 0.5, heightPx * 0.5), and one world millimetre covers zoom * dpi / 25.4 pixels.
//
// Every change of the mapping raises revision (atomically) so that the drawing API and any
// reader on another thread can tell that cached display data is stale. Nothing else is locked:
// the transform belongs to its window's thread.
//
// Optional display points and rectangles are passed as pointers; null means the client centre
// or the whole client area. Every operation that can refuse answers false and leaves the
// state unchanged.
#pragma once

#include "geom/mgbox.h"

#include <atomic>
#include <cstdint>

class GiViewTransform {
public:
    /// A transform on a 1 x 1 pixel client at 96 dpi, zoom 1, focus (0, 0), identity model
    /// transform and world bounds (-100000, -100000, 100000, 100000) mm.
    explicit GiViewTransform(bool yAxisUp = true) noexcept;
    GiViewTransform(const GiViewTransform&) = delete;
    GiViewTransform& operator=(const GiViewTransform&) = delete;

    // ---- Queries -------------------------------------------------------------------------

    [[nodiscard]] int widthPx() const noexcept { return m_widthPx; }
    [[nodiscard]] int heightPx() const noexcept { return m_heightPx; }
    [[nodiscard]] float resolutionX() const noexcept { return m_resolutionX; }
    [[nodiscard]] float resolutionY() const noexcept { return m_resolutionY; }
    [[nodiscard]] bool yAxisUp() const noexcept { return m_yAxisUp; }
    /// The world point (mm) shown at the centre of the client area.
    [[nodiscard]] const MgPoint& focusWorld() const noexcept { return m_focusWorld; }
    [[nodiscard]] float zoom() const noexcept { return m_zoom; }
    [[nodiscard]] float zoomMin() const noexcept { return m_zoomMin; }
    [[nodiscard]] float zoomMax() const noexcept { return m_zoomMax; }
    /// Raised on every change of the mapping; starts at 0 and only grows.
    [[nodiscard]] std::uint32_t revision() const noexcept { return m_revision.load(std::memory_order_acquire); }

    [[nodiscard]] const MgMatrix& modelToWorld() const noexcept { return m_modelToWorld; }
    [[nodiscard]] const MgMatrix& worldToModel() const noexcept { return m_worldToModel; }
    [[nodiscard]] const MgMatrix& displayToWorld() const noexcept { return m_displayToWorld; }
    [[nodiscard]] const MgMatrix& worldToDisplay() const noexcept { return m_worldToDisplay; }
    /// displayToWorld * worldToModel.
    [[nodiscard]] const MgMatrix& displayToModel() const noexcept { return m_displayToModel; }
    /// modelToWorld * worldToDisplay.
    [[nodiscard]] const MgMatrix& modelToDisplay() const noexcept { return m_modelToDisplay; }

    /// The region of the world (mm, normalised) the zoom and pan operations keep the view inside.
    [[nodiscard]] const MgBox& worldBounds() const noexcept { return m_worldBounds; }

    /// Display pixels per world millimetre in x; at zoom 1 when withZoom is false.
    [[nodiscard]] float pixelsPerUnitX(bool withZoom = true) const noexcept
    {
        return withZoom ? m_pixelsPerUnitX : m_pixelsPerUnitX / m_zoom;
    }
    /// Display pixels per world millimetre in y (always positive); at zoom 1 when withZoom is false.
    [[nodiscard]] float pixelsPerUnitY(bool withZoom = true) const noexcept
    {
        return withZoom ? m_pixelsPerUnitY : m_pixelsPerUnitY / m_zoom;
    }

    /// A length in model units. With inMillimetres false, len is display pixels; with it true,
    /// len is millimetres as seen on the screen (so the model length shrinks as the zoom grows).
    /// The diagonal (len, len) is converted so unequal x and y scales average sensibly.
    [[nodiscard]] float lengthToModel(float len, bool inMillimetres) const noexcept;

    /// True when z lies outside [zoomMin, zoomMax] by more than 1e-5, or is not a number.
    [[nodiscard]] bool isZoomOutOfRange(float z) const noexcept;

    // ---- Setters -------------------------------------------------------------------------

    /// Client size in pixels. Ignored (false) when w < 2 or h < 2, or when unchanged.
    bool setClientSize(int w, int h) noexcept;
    /// Device dots per inch; dpiY below 0.1 means dpiX. Ignored (false) when either is not
    /// above 0.1 (or not finite), or when both are unchanged.
    bool setResolution(float dpiX, float dpiY = 0) noexcept;
    /// The model-to-world matrix. False, and nothing changes, when m is not invertible, not
    /// finite, or equal to the current one by the standard tolerance. Changes only the two
    /// model matrices and the two matrices that combine model and display.
    bool setModelTransform(const MgMatrix& m) noexcept;
    /// Stores box (world mm) normalised; returns the previous bounds. Does not change revision.
    MgBox setWorldBounds(const MgBox& box) noexcept;
    /// Stores focus (world mm) and zoom without any limit. False when both are unchanged
    /// (focus by the standard point tolerance, zoom near zero), or when the zoom is not a
    /// positive finite number or the focus not finite.
    bool setFocusAndZoom(const MgPoint& focus, float zoom) noexcept;

    // ---- Zoom and pan --------------------------------------------------------------------
    // Each returns true when the view changed. adjust true clamps a request into the permitted
    // zoom range and world bounds; adjust false refuses a request that would need clamping.

    /// Zoom to the absolute factor newZoom, keeping the world point under pxAt (display
    /// pixels; null: client centre) in place.
    bool zoomScale(float newZoom, const MgPoint* pxAt = nullptr, bool adjust = true) noexcept;
    /// Multiply the zoom by (|delta| + 1) when delta > 0, divide by it otherwise; pxAt as zoomScale.
    bool zoomByFactor(float delta, const MgPoint* pxAt = nullptr, bool adjust = true) noexcept;
    /// Move the content by (dxPx, dyPx) display pixels (positive: right and down).
    bool zoomPan(float dxPx, float dyPx, bool adjust = true) noexcept;
    /// Pan so that pointWorld (mm) comes to lie at pxAt (display pixels; null: client centre).
    bool zoomToPoint(const MgPoint& pointWorld, const MgPoint* pxAt = nullptr, bool adjust = true) noexcept;
    /// Show boxWorld (mm) as large as possible inside pxRect (display pixels; null, or narrower
    /// or lower than 4 pixels: the whole client area), centred in it.
    bool zoomToBox(const MgBox& boxWorld, const MgBox* pxRect = nullptr, bool adjust = true) noexcept;

private:
    void recompute() noexcept;
    void combineModel() noexcept;
    void bump() noexcept { m_revision.fetch_add(1, std::memory_order_acq_rel); }
    /// Moves f so that the view of half extents (halfW, halfH) mm lies inside worldBounds,
    /// centring it on an axis where the bounds are narrower than the view.
    void clampFocus(MgPoint& f, float halfW, float halfH) const noexcept;
    /// setFocusAndZoom(f, z) for a view that must lie inside worldBounds (unless they are flat):
    /// adjust true moves f by clampFocus, adjust false refuses (false) a view that would need it.
    bool setFocusAndZoomInBounds(MgPoint f, float z, bool adjust) noexcept;
    /// The pan limit for a focus move by -v (world mm); true when it changed f.
    bool limitPan(MgPoint& f, const MgVector& v, bool panX, bool panY) const noexcept;
    /// Half extents of the client area in world mm at zoom z.
    [[nodiscard]] MgVector halfExtent(float z) const noexcept;
    [[nodiscard]] MgPoint clientCenter() const noexcept;

    int m_widthPx = 1;
    int m_heightPx = 1;
    float m_resolutionX = 96;
    float m_resolutionY = 96;
    bool m_yAxisUp;
    MgPoint m_focusWorld;
    float m_zoom = 1;
    MgMatrix m_modelToWorld;
    MgMatrix m_worldToModel;
    MgMatrix m_displayToWorld;
    MgMatrix m_worldToDisplay;
    MgMatrix m_displayToModel;
    MgMatrix m_modelToDisplay;
    float m_pixelsPerUnitX = 1;
    float m_pixelsPerUnitY = 1;
    std::atomic<std::uint32_t> m_revision { 0 };
    float m_zoomMin = 0.01f;
    float m_zoomMax = 5;
    MgBox m_worldBounds { -100000, -100000, 100000, 100000 };
};

/// Applies an extra model transform for the duration of a scope: saves modelToWorld, sets
/// m * saved and restores the saved matrix on destruction. m works in model coordinates and is
/// applied before the saved model-to-world matrix, so a rotation about a shape's own centre
/// turns the shape in place whatever the view's model transform is.
/// The transform must outlive the scope.
class GiModelTransformScope {
public:
    GiModelTransformScope(GiViewTransform& xf, const MgMatrix& m) noexcept;
    ~GiModelTransformScope();
    GiModelTransformScope(const GiModelTransformScope&) = delete;
    GiModelTransformScope& operator=(const GiModelTransformScope&) = delete;

    /// True when the combined matrix was accepted by setModelTransform.
    [[nodiscard]] bool isApplied() const noexcept { return m_applied; }

private:
    GiViewTransform& m_xf;
    MgMatrix m_saved;
    bool m_applied;
};
