#include "graph/qt/gigdipimage.h"

#include "geom/mgbase.h"
#include "geom/mgpoint.h"
#include "geom/mgtol.h"
#include "graph/qt/gicanvasgdip.h"
#include "graph/qt/gicanvaswin.h"

#include <QFileInfo>
#include <QImageReader>
#include <QPainter>

#include <algorithm>

namespace {

// Qt's default reader limit (256 MB decoded) refuses scans from about 8200 x 8200 pixels on.
// Pictures are kept at 4 bytes a pixel, so kMaxPixels needs 1 GiB.
constexpr int kAllocationLimitMb = 1024;

// Qt reports 3780 dots per metre (96.012 dpi) when a file carries no resolution.
constexpr int kQtDefaultDotsPerMeter = 3780;

double dpiFromDotsPerMeter(int dpm)
{
    if (dpm == kQtDefaultDotsPerMeter)
        return 96.0;
    const double dpi = dpm * 0.0254;
    // Below one dot per inch a resolution is noise (and would make the size in millimetres
    // meaningless); treat it as absent.
    return dpi >= 1.0 && dpi <= 1.0e6 ? dpi : 96.0;
}

long himetric(int pixels, double dpi)
{
    if (pixels <= 0 || !(dpi > 0))
        return 0;
    return static_cast<long>(mgRoundToInt(pixels / dpi * 2540.0));
}

} // namespace

bool giImageRects(const QSize& imageSize, const MgBox& boxWorld, const MgMatrix& worldToDisplay, const MgBox& clipPx,
    GiImageRects& out) noexcept
{
    if (imageSize.isEmpty())
        return false;
    const MgPoint p1 = MgPoint(boxWorld.xmin, boxWorld.ymin) * worldToDisplay;
    const MgPoint p2 = MgPoint(boxWorld.xmax, boxWorld.ymax) * worldToDisplay;

    // Destination rectangle, normalised, in display pixels.
    const double dl = std::min(p1.x, p2.x), dr = std::max(p1.x, p2.x);
    const double dt = std::min(p1.y, p2.y), db = std::max(p1.y, p2.y);
    // Visible part: the destination cut to the clip box (taken normalised).
    const double vl = std::max<double>(dl, std::min(clipPx.xmin, clipPx.xmax));
    const double vr = std::min<double>(dr, std::max(clipPx.xmin, clipPx.xmax));
    const double vt = std::max<double>(dt, std::min(clipPx.ymin, clipPx.ymax));
    const double vb = std::min<double>(db, std::max(clipPx.ymin, clipPx.ymax));
    const double tol = MgTolerance::standard().pointTol;
    if (!(vr - vl >= tol) || !(vb - vt >= tol))
        return false;

    out.mirrorX = boxWorld.xmax < boxWorld.xmin;
    out.mirrorY = boxWorld.ymax < boxWorld.ymin;

    // The source keeps the proportions of the visible part within the destination. A mirrored
    // axis shows the picture's far edge at the destination's near edge, so its source is
    // measured from the far side.
    const double kx = imageSize.width() / (dr - dl);
    const double ky = imageSize.height() / (db - dt);
    const double sx = (out.mirrorX ? dr - vr : vl - dl) * kx;
    const double sy = (out.mirrorY ? db - vb : vt - dt) * ky;
    out.target = QRectF(vl, vt, vr - vl, vb - vt);
    out.source = QRectF(sx, sy, (vr - vl) * kx, (vb - vt) * ky);
    return true;
}

GiGdipImage::GiGdipImage(const QString& path) { load(path); }

void GiGdipImage::clear() noexcept
{
    if (!m_image.isNull())
        m_spare = std::move(m_image);
    m_image = QImage();
    m_dpiX = m_dpiY = 0;
}

bool GiGdipImage::load(const QString& path)
{
    clear();
    // The former picture's memory, decoded into again when the new picture has the same size and
    // is decoded at 32 bits; otherwise released before decoding, so two pictures are never held.
    QImage image = std::move(m_spare);
    m_spare = QImage();
    if (path.isEmpty())
        return false;
    // Only regular files (or links to them): opening a FIFO would wait for a writer forever, and
    // a device may never end.
    if (!QFileInfo(path).isFile())
        return false;

    const int limit = QImageReader::allocationLimit();
    if (limit != 0 && limit < kAllocationLimitMb)
        QImageReader::setAllocationLimit(kAllocationLimitMb);

    QImageReader reader(path);
    // The picture may be a temporary copy without its extension: trust the bytes, not the name.
    reader.setDecideFormatFromContent(true);
    // Region coordinates are raw picture pixels, so the EXIF orientation must not turn the picture.
    reader.setAutoTransform(false);

    const QSize size = reader.size();
    if (size.isValid() && static_cast<std::int64_t>(size.width()) * size.height() > kMaxPixels)
        return false;

    const QImage::Format decoded = reader.imageFormat();
    const bool reuse = !image.isNull() && image.size() == size && image.isDetached() && image.depth() == 32
        && (decoded == QImage::Format_RGB32 || decoded == QImage::Format_ARGB32
            || decoded == QImage::Format_ARGB32_Premultiplied);
    if (reuse)
        image.reinterpretAsFormat(decoded); // the decoder writes into memory of its own format only
    else
        image = QImage();
    if (!reader.read(&image) || image.isNull())
        return false;
    if (static_cast<std::int64_t>(image.width()) * image.height() > kMaxPixels)
        return false;

    // Every pixel of RGB32 is 0xffRRGGBB, which is already premultiplied ARGB; same-depth formats
    // (ARGB32) convert in place; others need one copy.
    if (image.format() == QImage::Format_RGB32)
        image.reinterpretAsFormat(QImage::Format_ARGB32_Premultiplied);
    else
        image.convertTo(QImage::Format_ARGB32_Premultiplied);
    if (image.isNull() || image.format() != QImage::Format_ARGB32_Premultiplied)
        return false;

    m_dpiX = dpiFromDotsPerMeter(image.dotsPerMeterX());
    m_dpiY = dpiFromDotsPerMeter(image.dotsPerMeterY());
    m_image = std::move(image);
    return m_image.width() > 0;
}

int GiGdipImage::horizontalDpi() const noexcept { return isEmpty() ? 0 : mgRoundToInt(m_dpiX); }

int GiGdipImage::verticalDpi() const noexcept { return isEmpty() ? 0 : mgRoundToInt(m_dpiY); }

long GiGdipImage::himetricWidth() const noexcept { return isEmpty() ? 0 : himetric(m_image.width(), m_dpiX); }

long GiGdipImage::himetricHeight() const noexcept { return isEmpty() ? 0 : himetric(m_image.height(), m_dpiY); }

QImage GiGdipImage::createBitmapHandle(const GiRgba& background) const
{
    if (isEmpty())
        return QImage();
    QImage out(m_image.size(), QImage::Format_RGB32);
    if (out.isNull())
        return out;
    out.setDotsPerMeterX(m_image.dotsPerMeterX());
    out.setDotsPerMeterY(m_image.dotsPerMeterY());
    out.fill(QColor(background.r, background.g, background.b));
    QPainter painter(&out);
    painter.drawImage(QPoint(0, 0), m_image);
    return out;
}

bool GiGdipImage::draw(GiCanvasWin* canvas, const MgBox& boxWorld, bool fast) const
{
    if (isEmpty() || !canvas)
        return false;
    if (canvas->canvasKind() == GiCanvasGdip::kCanvasKind) {
        if (auto* gdip = dynamic_cast<GiCanvasGdip*>(canvas))
            return gdip->drawImage(m_image, boxWorld, fast);
    }
    const QImage bitmap = createBitmapHandle(canvas->backgroundColor());
    return canvas->drawBitmapHandle(himetricWidth(), himetricHeight(), bitmap, boxWorld, fast);
}
