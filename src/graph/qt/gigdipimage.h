// A picture loaded from a JPEG or PNG file, held decoded for drawing on a canvas.
//
// Pixels: the picture is kept in Format_ARGB32_Premultiplied (converted in place where the
// decoded format allows; an opaque 32-bit picture needs no conversion at all), in raw file
// orientation: EXIF orientation is not applied, because
// region coordinates are raw picture pixels. Colour profiles are not applied either.
//
// Size limit: pictures up to kMaxPixels pixels open (16000 x 12000 fit with room to spare);
// larger ones are refused before decoding and leave the holder empty.
//
// Resolution: the file's, or 96 dpi when it carries none (or an unusable one).
#pragma once

#include "geom/mgbox.h"
#include "geom/mgmatrix.h"
#include "graph/girgba.h"

#include <QImage>
#include <QRectF>
#include <QSize>
#include <QString>

#include <cstdint>

class GiCanvasWin;

/// Where a picture lands when drawn into a box: the visible target rectangle in display pixels
/// (normalised) and the matching source rectangle in picture pixels, with the axes to mirror.
struct GiImageRects {
    QRectF target;
    QRectF source;
    bool mirrorX = false;
    bool mirrorY = false;
};

/// Places a picture of imageSize pixels into boxWorld (world coordinates, corners as given:
/// xmax < xmin mirrors in x, ymax < ymin in y) under worldToDisplay, cut to clipPx (display
/// pixels). False when the picture is empty or the visible part is narrower or lower than the
/// point tolerance. With mirroring the source is cut from the far side of the picture, so the
/// visible part always shows the right pixels.
[[nodiscard]] bool giImageRects(const QSize& imageSize, const MgBox& boxWorld, const MgMatrix& worldToDisplay,
    const MgBox& clipPx, GiImageRects& out) noexcept;

class GiGdipImage {
public:
    /// Most pixels a picture may have (its 32-bit image takes at most 1 GiB).
    static constexpr std::int64_t kMaxPixels = std::int64_t(1) << 28;

    /// An empty holder.
    GiGdipImage() = default;
    /// Loads path; an empty path gives an empty holder.
    explicit GiGdipImage(const QString& path);

    /// Replaces the picture by the one in path. True when the new picture has a width greater
    /// than 0; an unreadable, corrupt or too large file, a path that is no regular file (a folder,
    /// a FIFO, a device) or an empty path leaves the holder empty.
    bool load(const QString& path);
    /// Empties the holder. Its pixel memory is kept for the next load: a picture of the same size
    /// and depth is decoded into it, which spares allocating (and faulting in) a fresh one.
    void clear() noexcept;

    [[nodiscard]] bool isEmpty() const noexcept { return m_image.isNull(); }
    /// Width in pixels, 0 when empty.
    [[nodiscard]] int width() const noexcept { return m_image.width(); }
    /// Height in pixels, 0 when empty.
    [[nodiscard]] int height() const noexcept { return m_image.height(); }
    /// Horizontal resolution in dots per inch rounded to an integer, 0 when empty.
    [[nodiscard]] int horizontalDpi() const noexcept;
    /// Vertical resolution in dots per inch rounded to an integer, 0 when empty.
    [[nodiscard]] int verticalDpi() const noexcept;
    /// Width in hundredths of a millimetre (pixels / dpi * 2540, rounded), 0 when empty.
    [[nodiscard]] long himetricWidth() const noexcept;
    /// Height in hundredths of a millimetre, 0 when empty.
    [[nodiscard]] long himetricHeight() const noexcept;

    /// The picture composed on an opaque background colour, as a new opaque image (null when
    /// empty). The caller owns the result.
    [[nodiscard]] QImage createBitmapHandle(const GiRgba& background) const;

    /// Draws the picture into boxWorld (world coordinates; reversed corners mirror) on canvas,
    /// clipped to the paint area. fast allows nearest-pixel scaling on screen. On a GiCanvasGdip
    /// the picture is drawn directly; on other canvases through drawBitmapHandle, composed on
    /// the canvas's background colour. False when empty, canvas is null or nothing was drawn.
    bool draw(GiCanvasWin* canvas, const MgBox& boxWorld, bool fast) const;

    /// The decoded picture (null when empty).
    [[nodiscard]] const QImage& image() const noexcept { return m_image; }

private:
    QImage m_image; ///< premultiplied ARGB, or null
    QImage m_spare; ///< pixel memory of the picture last cleared, reused by load; may be null
    double m_dpiX = 0; ///< resolution as read, dots per inch
    double m_dpiY = 0;
};
