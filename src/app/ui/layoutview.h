// The layout view: the right-hand pane that shows the picture with its regions and turns mouse,
// wheel and keys into zooming, panning and calls of the current command.
//
// Coordinates:
//   model   - picture pixels of the size the LRC header declares (W x H), x right, y down, origin
//             at the picture's top-left corner; regions are stored in these units.
//   world   - millimetres, y up; the model transform shows the picture at its printed size:
//             world x = model x * (w * 25.4 / rx) / W,
//             world y = h * 25.4 / ry - model y * (h * 25.4 / ry) / H
//             (w, h the picture's pixel size, rx, ry its resolution in dots per inch).
//   display - client pixels of this widget, origin top-left, y down.
//
// Ownership: the view owns everything that is edited and drawn: the view transform, the
// graphics object and its canvas, the picture, the shape collection of regions, the adapter
// through which commands reach the view, and the lyric document. The row tree and the main frame
// only point at it. The process-wide command manager drives the current command.
//
// Unsaved changes exist exactly while savedChangeCount() < shapes()->changeCount().
//
// Messages: see appmessages.h. The view sends kMsgSelectionChanged to, and posts
// kMsgRegionsChanged to, the frame object given with setFrame (none: they are dropped).
#pragma once

#include "cmd/mgpointerdriver.h"
#include "cmd/mgview.h"
#include "geom/mgbox.h"
#include "graph/gigraphics.h"
#include "graph/giviewtransform.h"
#include "graph/qt/gicanvasgdip.h"
#include "graph/qt/gigdipimage.h"

#include <QEvent>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <memory>

class CLayoutView;
class CLrcData;
struct MgShapes;

/// The MgView of the layout view: commands reach the view, its collection, transform and
/// graphics only through it. Owned by the view.
class MgViewProxy : public MgView {
public:
    explicit MgViewProxy(CLayoutView* view);
    MgViewProxy(const MgViewProxy&) = delete;
    MgViewProxy& operator=(const MgViewProxy&) = delete;
    ~MgViewProxy() = default;

    MgShapes* shapes() override;
    GiViewTransform* xform() override;
    GiGraphics* graphics() override;
    /// Drops cached image 0 (picture with shapes) and repaints.
    void regenerate() override;
    /// Repaints with the caches kept (command feedback only).
    void redraw(bool dynamicOnly) override;
    GiContext* context() override;
    /// False: command tolerances are display pixels.
    bool tolerancesInMillimetres() override;
    /// Sends kMsgSelectionChanged to the frame with the number of selected shapes (at most 2)
    /// and the tag of the first.
    void selectionChanged() override;
    bool shapeWillBeAdded(MgShape* shape) override;
    /// Regenerates, then posts kMsgRegionsChanged to the view (which tags the new region).
    void shapeAdded(MgShape* shape) override;
    bool acceptsShape(MgShape* shape) override;
    bool canRotate(MgShape* shape) override;
    /// Shifts shape back inside the picture (model coordinates); answers the shape's offset.
    int shapeMoved(MgShape* shape, int segment) override;
    bool showContextActions(int selState) override;
    /// A square of 3 mm (hot) or 1.6 mm on the screen centred on pt (model coordinates).
    bool drawHandle(GiGraphics* gs, const MgPoint& pt, bool hot) override;

    /// The pointer record commands read (display and model points).
    [[nodiscard]] MgPointerEvent& pointerEvent() noexcept { return m_event; }
    /// The picture rectangle (0, 0)-(W, H) mapped to world coordinates, normalised.
    [[nodiscard]] const MgBox& pictureBox() const noexcept { return m_pictureBox; }
    void setPictureBox(const MgBox& box) noexcept { m_pictureBox = box; }

private:
    MgPointerEvent m_event;
    MgBox m_pictureBox;
    CLayoutView* m_view;
};

class CLayoutView : public QWidget {
    Q_OBJECT
public:
    /// Drag state: a pan with the space bar held is under way.
    static constexpr std::uint32_t kDragPan = 0x10;
    /// Drag state: a command drag with the left button is under way.
    static constexpr std::uint32_t kDragLeft = 0x01;

    explicit CLayoutView(QWidget* parent = nullptr);
    /// Releases the collection, document, adapter, picture and drawing objects, and deletes the
    /// temporary copy of the picture.
    ~CLayoutView() override;
    CLayoutView(const CLayoutView&) = delete;
    CLayoutView& operator=(const CLayoutView&) = delete;

    /// The object that receives kMsgSelectionChanged and kMsgRegionsChanged (the main frame);
    /// null drops them. Not owned.
    void setFrame(QObject* frame) noexcept { m_frame = frame; }

    /// Opens the picture at picPath (copied to a temporary file first, so the file itself stays
    /// unlocked) with the LRC file lrcPath, or, when lrcPath is empty, the picture's path with
    /// its extension replaced by ".lrc". Fits the picture into the client area. A picture that
    /// cannot be copied or decoded shows "无法打开图片文件" and answers false; the document and
    /// regions then stay as they were. Opening a new path makes the current state the saved one
    /// and the "select" command current; reopening the same path keeps both.
    bool openPicture(const QString& picPath, const QString& lrcPath);
    /// Reopens the picture when its file's last-write time changed since it was opened; the
    /// rows and regions in memory (saved or not) are kept. True when it reloaded.
    bool reloadIfChanged();

    /// The client size (display pixels) as the view transform knows it; refits the picture. The
    /// widget calls it on every resize; headless rendering calls it for a hidden view.
    void setClientSize(int width, int height);
    /// Zooms the picture box into the client area inset by 5 pixels on each side.
    void zoomToFit();
    /// Draws what the view shows onto device (a QImage for headless rendering) without the
    /// caches of the widget; false when the canvas could not begin.
    bool renderTo(QPaintDevice* device);

    /// Whether the command's enabling rule holds now (kCmdAddRegion, kCmdDeleteRegion).
    [[nodiscard]] bool isCommandEnabled(int id);
    /// Carries out the command when its enabling rule holds; true when it ran.
    bool runCommand(int id);
    /// The text of a status pane (kPaneX, kPaneY, kPaneZoom, kPaneChanged); empty when none.
    [[nodiscard]] QString paneText(int id) const;

    [[nodiscard]] CLrcData* document() const noexcept { return m_doc.get(); }
    [[nodiscard]] MgShapes* shapes() const noexcept { return m_shapes; }
    [[nodiscard]] MgViewProxy* proxy() noexcept { return m_proxy.get(); }
    [[nodiscard]] GiViewTransform& xform() noexcept { return *m_xf; }
    [[nodiscard]] const GiViewTransform& xform() const noexcept { return *m_xf; }
    [[nodiscard]] GiGraphics& graphics() noexcept { return *m_gs; }
    [[nodiscard]] GiCanvasGdip& canvas() noexcept { return *m_canvas; }
    [[nodiscard]] const GiGdipImage& picture() const noexcept { return m_picture; }
    /// The collection's change counter at the last open of a new picture or the last save.
    [[nodiscard]] int savedChangeCount() const noexcept { return m_savedChangeCount; }
    void setSavedChangeCount(int count) noexcept { m_savedChangeCount = count; }
    /// True while there are unsaved changes.
    [[nodiscard]] bool isModified() const;
    /// Full path of the picture as the user gave it.
    [[nodiscard]] const QString& picturePath() const noexcept { return m_picPath; }
    /// The temporary copy the picture was loaded from (empty while none).
    [[nodiscard]] const QString& tempPath() const noexcept { return m_tempPath; }
    /// Last-write time of the picture file when opened, "yyyy-MM-dd hh:mm:ss.zzz" local time.
    [[nodiscard]] const QString& pictureTime() const noexcept { return m_picTime; }
    [[nodiscard]] std::uint32_t dragState() const noexcept { return m_dragState; }

    /// Keeps the display point pt (client pixels) on the picture: converted to model
    /// coordinates, limited to the picture rectangle and converted back.
    [[nodiscard]] MgPoint clampToPicture(const MgPoint& pt) const;
    /// The picture box (world) in model coordinates, corners ordered.
    [[nodiscard]] MgBox pictureBoxModel() const;

    /// Drops cached image 0 (and 1 when all) and schedules a repaint.
    void invalidateCaches(bool all);
    /// Posts kMsgRegionsChanged to the frame.
    void postToFrame(QEvent::Type type);
    /// Sends a message to the frame; answers its reply, 0 without a frame.
    qintptr sendToFrame(QEvent::Type type, qintptr wParam, qintptr lParam);

    /// The last-write time of the file at path in the format of pictureTime(), empty when the
    /// file does not exist.
    [[nodiscard]] static QString fileTimeText(const QString& path);

signals:
    /// Something the menus or status panes show may have changed (selection, regions, zoom).
    void stateChanged();

protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;

private:
    bool paintOn(QPaintDevice* device, bool useCaches);
    bool openInto(const QString& picPath, const QString& lrcPath);
    void arrowKey(int key, bool shift, bool synthetic);
    void cancelDrag();
    void onRowChosen(int region);
    void onRegionDrawn();
    void deleteRegion();
    void addRegion();
    void afterViewChange();

    // Drawing bundle, in order of construction.
    std::unique_ptr<GiViewTransform> m_xf;
    std::unique_ptr<GiGraphics> m_gs;
    std::unique_ptr<GiCanvasGdip> m_canvas;
    GiGdipImage m_picture;
    MgShapes* m_shapes = nullptr; ///< owned; released in the destructor
    std::unique_ptr<MgViewProxy> m_proxy;
    std::unique_ptr<CLrcData> m_doc;
    std::unique_ptr<MgPointerDriver> m_driver;

    std::uint32_t m_dragState = 0;
    int m_savedChangeCount = 0;
    QString m_tempPath;
    QString m_picPath;
    QString m_picTime;

    QObject* m_frame = nullptr; ///< receives the messages for the frame; not owned
    bool m_spaceDown = false; ///< the space bar is held (tracked from key press and release)
    MgPoint m_panStart; ///< display point where a pan began
    MgPoint m_panFocus; ///< world centre when a pan began
    /// A paint since the shapes last changed drew them straight onto the window, without keeping
    /// the frame as cached image 0 (see paintOn).
    bool m_paintedDirect = false;
};
