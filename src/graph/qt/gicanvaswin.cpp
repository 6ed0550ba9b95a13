#include "graph/qt/gicanvaswin.h"

#include "geom/mgbase.h"
#include "graph/gigraphics.h"
#include "graph/giviewtransform.h"
#include "graph/qt/gipixel.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QStringDecoder>

#include <atomic>
#include <climits>

namespace {

bool isPrinterDevice(const QPaintDevice* device)
{
    return device->devType() == QInternal::Printer || dynamic_cast<const QPagedPaintDevice*>(device) != nullptr;
}

// The size of device in display pixels (device-independent pixels).
QSize logicalSize(const QPaintDevice* device)
{
    switch (device->devType()) {
    case QInternal::Image: return static_cast<const QImage*>(device)->deviceIndependentSize().toSize();
    case QInternal::Pixmap: return static_cast<const QPixmap*>(device)->deviceIndependentSize().toSize();
    default: return { device->width(), device->height() };
    }
}

int deviceColorsOf(const QPaintDevice* device)
{
    const int depth = device->depth();
    if (depth >= 24)
        return 1 << 24;
    if (depth <= 0)
        return 0;
    return 1 << depth;
}

std::uint8_t expandBits(int v, int bits)
{
    const int high = v >> (8 - bits);
    return static_cast<std::uint8_t>((high << (8 - bits)) | (high >> (2 * bits - 8 > 0 ? 2 * bits - 8 : 0)));
}

GiRgba nearestOn(const QPaintDevice* device, GiRgba c)
{
    const int depth = device->depth();
    if (depth >= 24)
        return c;
    if (depth == 16 || depth == 15) {
        const int gbits = depth == 16 ? 6 : 5;
        return { expandBits(c.r, 5), expandBits(c.g, gbits), expandBits(c.b, 5), c.a };
    }
    if (depth == 1) {
        const int gray = (77 * c.r + 151 * c.g + 28 * c.b + 128) >> 8;
        const std::uint8_t v = gray >= 128 ? 255 : 0;
        return { v, v, v, c.a };
    }
    if (device->devType() == QInternal::Image) {
        const QList<QRgb> table = static_cast<const QImage*>(device)->colorTable();
        int best = -1;
        long bestDist = LONG_MAX;
        for (int i = 0; i < table.size(); ++i) {
            const long dr = qRed(table[i]) - c.r, dg = qGreen(table[i]) - c.g, db = qBlue(table[i]) - c.b;
            const long dist = dr * dr + dg * dg + db * db;
            if (dist < bestDist)
                best = i, bestDist = dist;
        }
        if (best >= 0)
            return { static_cast<std::uint8_t>(qRed(table[best])), static_cast<std::uint8_t>(qGreen(table[best])),
                static_cast<std::uint8_t>(qBlue(table[best])), c.a };
    }
    return c;
}

} // namespace

GiCanvasWin::GiCanvasWin(GiGraphics* gs)
    : m_gs(gs)
{
    m_gs->attachCanvas(this);
}

GiCanvasWin::~GiCanvasWin()
{
    if (m_gs->canvas() == this)
        m_gs->attachCanvas(nullptr);
}

float GiCanvasWin::screenResolution() const
{
    static std::atomic<float> s_dpi { 0.f };
    float dpi = s_dpi.load(std::memory_order_relaxed);
    if (dpi > 0)
        return dpi;
    // Without a GUI application there is no screen yet: answer the usual 96 without keeping it,
    // so that a screen appearing later is still read.
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return 96.f;
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return 96.f;
    dpi = static_cast<float>(screen->logicalDotsPerInchY());
    if (!(dpi > 0))
        dpi = 96.f;
    s_dpi.store(dpi, std::memory_order_relaxed);
    return dpi;
}

GiRgba GiCanvasWin::nearestColor(const GiRgba& color) const
{
    GiRgba c = color;
    if (c.a == 0)
        c.a = 255;
    if (m_attribDC)
        return nearestOn(m_attribDC, c);
    if (m_device && m_gs->isPainting())
        return nearestOn(m_device, c);
    return c;
}

bool GiCanvasWin::openPaint(
    QPaintDevice* device, QPaintDevice* attribDevice, bool buffered, bool /*overlay*/, const QRect& clipRect)
{
    if (!device || m_gs->isPainting())
        return false;
    if (attribDevice == device)
        attribDevice = nullptr;
    QPaintDevice* query = attribDevice ? attribDevice : device;

    m_attribDC = attribDevice;
    m_gs->setDeviceColors(deviceColorsOf(query));
    GiViewTransform& xf = m_gs->transform();
    xf.setResolution(static_cast<float>(query->logicalDpiX()), static_cast<float>(query->logicalDpiY()));
    const bool printing = isPrinterDevice(query);
    m_gs->setPrinting(printing);
    QRect whole;
    if (printing) {
        xf.setClientSize(query->width(), query->height());
        whole = QRect(0, 0, query->width(), query->height());
    } else {
        m_attribDC = nullptr;
        whole = QRect(QPoint(0, 0), logicalSize(device));
    }

    // A buffered paint without cached image 0 has nothing to copy the rest of the surface
    // from, so it draws everything.
    QRect clip = whole;
    if (!printing && !(buffered && !hasCachedImage(false)) && !clipRect.isEmpty()) {
        const QRect part = clipRect & whole;
        if (!part.isEmpty())
            clip = part;
    }
    const auto toBox = [](const QRect& r) {
        return MgBox(static_cast<float>(r.left()), static_cast<float>(r.top()),
            static_cast<float>(r.left() + r.width()), static_cast<float>(r.top() + r.height()));
    };
    m_gs->startPaint(toBox(clip));
    // startPaint drops the cached images when the view changed since the last paint; a
    // buffered paint of part of the surface would then leave the rest of the buffer empty.
    if (clip != whole && buffered && !printing && !hasCachedImage(false)) {
        m_gs->finishPaint();
        m_gs->startPaint(toBox(whole));
    }
    m_device = device;
    return true;
}

void GiCanvasWin::closePaint(bool /*draw*/)
{
    if (!m_gs->isPainting())
        return;
    m_attribDC = nullptr;
    m_device = nullptr;
    m_gs->finishPaint();
}

GiRgba GiCanvasWin::setTextColor(const GiRgba& color) noexcept
{
    const GiRgba former = m_textColor;
    m_textColor = color;
    return former;
}

QPainter* GiCanvasWin::painterFor(QPaintDevice* /*dc*/) const { return nullptr; }

bool GiCanvasWin::extTextOutW(QPaintDevice* dc, float x, float y, unsigned options, const QRectF* rect,
    const char16_t* text, int length, const int* spacings)
{
    if (!text || length < 0)
        return false;
    return drawText(dc, x, y, options, rect, QString::fromUtf16(text, length), spacings);
}

bool GiCanvasWin::extTextOutA(QPaintDevice* dc, float x, float y, unsigned options, const QRectF* rect,
    const char* text, int length, const int* spacings)
{
    if (!text || length < 0)
        return false;
    QStringDecoder decoder("GB18030");
    QString s = decoder.isValid() ? decoder.decode(QByteArrayView(text, length)) : QString::fromLocal8Bit(text, length);
    // Spacings are given per byte of the multi-byte text; they are spread over characters below
    // only when every character is one byte, otherwise the text is drawn without them.
    if (spacings && s.size() != length)
        spacings = nullptr;
    return drawText(dc, x, y, options, rect, s, spacings);
}

bool GiCanvasWin::textOutW(QPaintDevice* dc, float x, float y, const char16_t* text, int length)
{
    return extTextOutW(dc, x, y, 0, nullptr, text, length, nullptr);
}

bool GiCanvasWin::textOutA(QPaintDevice* dc, float x, float y, const char* text, int length)
{
    return extTextOutA(dc, x, y, 0, nullptr, text, length, nullptr);
}

bool GiCanvasWin::drawText(
    QPaintDevice* dc, float x, float y, unsigned options, const QRectF* rect, const QString& text, const int* spacings)
{
    int left = 0, top = 0;
    if (!dc || !giToPixel(x, left) || !giToPixel(y, top))
        return false;
    int l = 0, t = 0, r = 0, b = 0;
    if (rect
        && !(giToPixel(rect->left(), l) && giToPixel(rect->top(), t) && giToPixel(rect->right(), r)
            && giToPixel(rect->bottom(), b)))
        return false;
    QPainter temporary;
    QPainter* p = painterFor(dc);
    if (!p) {
        if (!temporary.begin(dc))
            return false;
        p = &temporary;
    }
    p->save();
    QRect box;
    if (rect) {
        box = QRect(l, t, r - l, b - t).normalized();
        if (options & kTextOpaque) {
            const GiRgba bg = backgroundColor();
            p->fillRect(box, QColor(bg.r, bg.g, bg.b));
        }
        if (options & kTextClipped)
            p->setClipRect(box, Qt::IntersectClip);
    }
    p->setPen(QColor(m_textColor.r, m_textColor.g, m_textColor.b, m_textColor.a));
    // (x, y) is the top-left of the text cell; QPainter places text on its baseline.
    const int baseline = top + p->fontMetrics().ascent();
    if (!spacings) {
        p->drawText(QPoint(left, baseline), text);
    } else {
        int cx = left;
        for (qsizetype i = 0; i < text.size(); ++i) {
            const qsizetype n = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
            p->drawText(QPoint(cx, baseline), text.mid(i, n));
            cx += spacings[i] + (n == 2 ? spacings[i + 1] : 0);
            i += n - 1;
        }
    }
    p->restore();
    return true;
}
