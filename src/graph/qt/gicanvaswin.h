// Base for canvases that paint into a Qt paint device: a widget during its paint event, or a
// QImage / QPixmap for tests and headless rendering.
//
// Paint cycle: openPaint ... closePaint on the thread that owns the device. openPaint reports
// the device's colour count and printing flag to the GiGraphics, takes the device's logical
// resolution into the view transform and begins the GiGraphics paint with the clip box;
// closePaint ends that paint. Coordinates are display pixels (device-independent pixels of the
// device), origin top-left, y down.
//
// Device handles: where the canvas family works on a device, it takes the QPaintDevice painted
// on (or the off-screen image while painting buffered, see borrowDC). A "bitmap handle" is a
// QImage; a null QImage is the null handle.
//
// Ownership: the canvas attaches itself to its GiGraphics when constructed and detaches when
// destroyed; the GiGraphics (and its view transform) must outlive the canvas. Nothing here owns
// a device.
#pragma once

#include "geom/mgbox.h"
#include "graph/gicanvas.h"
#include "graph/gicontext.h"
#include "graph/girgba.h"

#include <QRect>
#include <QRectF>
#include <QString>

class GiGraphics;
class QImage;
class QPainter;
class QPaintDevice;

class GiCanvasWin : public GiCanvas {
public:
    /// Text option: fill the rectangle with the background colour before drawing the text.
    static constexpr unsigned kTextOpaque = 0x0002;
    /// Text option: clip the text to the rectangle.
    static constexpr unsigned kTextClipped = 0x0004;

    ~GiCanvasWin() override;
    GiCanvasWin(const GiCanvasWin&) = delete;
    GiCanvasWin& operator=(const GiCanvasWin&) = delete;

    /// The GiGraphics this canvas serves (not owned).
    [[nodiscard]] GiGraphics* graphics() const noexcept { return m_gs; }

    /// Logical vertical dots per inch of the primary screen, read once per process; 96 while
    /// there is no screen (no QGuiApplication, or none attached).
    [[nodiscard]] float screenResolution() const override;
    /// The nearest colour the device shows (the attribute device when there is one, else the
    /// device being painted); alpha is kept, 0 becoming 255. Colours pass unchanged on 24- and
    /// 32-bit devices and while not painting.
    [[nodiscard]] GiRgba nearestColor(const GiRgba& color) const override;

    /// Starts painting on device. clipRect is the area to repaint (a widget's paint event rect)
    /// in display pixels; an empty one means the whole device. attribDevice is the device queried
    /// for resolution and colours when it differs from device (a printer's); null or equal to
    /// device means none. buffered draws into an off-screen image shown at closePaint(true);
    /// overlay starts that image from the device's current content.
    ///
    /// Fails while a paint is open or the GiGraphics is already painting, when device is null,
    /// or when it cannot be painted on now (a widget outside its paint event); a failed call
    /// leaves no paint open. The base part checks the GiGraphics, reports the device and begins
    /// its paint; concrete canvases call it from their own openPaint.
    virtual bool openPaint(QPaintDevice* device, QPaintDevice* attribDevice = nullptr, bool buffered = true,
        bool overlay = false, const QRect& clipRect = QRect());
    /// Finishes painting; with draw, a buffered drawing is shown on the device. Nothing unless
    /// the GiGraphics is painting. Cached images survive. The base part forgets the attribute
    /// device and ends the GiGraphics paint.
    virtual void closePaint(bool draw = true);
    /// The device drawing currently goes to (the off-screen image while buffered), or null when
    /// not painting. Give it back with returnDC.
    virtual QPaintDevice* borrowDC() = 0;
    /// Gives back a device obtained from borrowDC.
    virtual void returnDC(QPaintDevice* dc) = 0;

    /// Draws text with its top-left at (x, y) on dc in the text colour and the painter's font.
    /// options: kTextOpaque, kTextClipped, using rect (may be null). spacings (may be null)
    /// gives the advance of each character in pixels. Coordinates are rounded half away from
    /// zero. text is UTF-16. Answers whether the text was drawn (false for a null dc, text or a
    /// negative length, or when dc cannot be painted on now).
    virtual bool extTextOutW(QPaintDevice* dc, float x, float y, unsigned options, const QRectF* rect,
        const char16_t* text, int length, const int* spacings);
    /// As extTextOutW with text in the local multi-byte code page (GB18030).
    virtual bool extTextOutA(QPaintDevice* dc, float x, float y, unsigned options, const QRectF* rect, const char* text,
        int length, const int* spacings);
    /// extTextOutW without options, rectangle or spacings.
    virtual bool textOutW(QPaintDevice* dc, float x, float y, const char16_t* text, int length);
    /// extTextOutA without options, rectangle or spacings.
    virtual bool textOutA(QPaintDevice* dc, float x, float y, const char* text, int length);
    /// Draws a device-independent picture whose size is himetricWidth x himetricHeight
    /// hundredths of a millimetre into boxWorld (world coordinates; reversed corners mirror).
    /// fast allows low-quality scaling on screen.
    virtual bool drawBitmapHandle(
        long himetricWidth, long himetricHeight, const QImage& bitmap, const MgBox& boxWorld, bool fast)
        = 0;

    /// Sets the colour of the text operations (initially opaque black); answers the former one.
    GiRgba setTextColor(const GiRgba& color) noexcept;

protected:
    /// Attaches to gs (not owned), which must be non-null and outlive this canvas.
    explicit GiCanvasWin(GiGraphics* gs);

    /// The painter already open on dc during this paint, or null (then the text operations
    /// open a temporary painter on dc).
    [[nodiscard]] virtual QPainter* painterFor(QPaintDevice* dc) const;

    /// The attribute device of the current paint, or null.
    [[nodiscard]] QPaintDevice* attribDevice() const noexcept { return m_attribDC; }

private:
    bool drawText(QPaintDevice* dc, float x, float y, unsigned options, const QRectF* rect, const QString& text,
        const int* spacings);

    GiGraphics* m_gs; ///< the GiGraphics served, not owned
    QPaintDevice* m_attribDC = nullptr; ///< queried device when it differs from the painted one (printing only)
    QPaintDevice* m_device = nullptr; ///< device of the open paint, not owned
    GiRgba m_textColor = GiRgba::black();
};
