#include "app/ui/layoutview.h"

#include "app/lrcdata.h"
#include "app/ui/appmessages.h"
#include "app/ui/usermessage.h"
#include "cmd/mgcmdmgr.h"
#include "cmd/mgshapesguard.h"
#include "shape/mgshapes.h"

#include <QCoreApplication>
#include <QCursor>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QTemporaryFile>
#include <QWheelEvent>

#include <algorithm>
#include <string_view>
#include <vector>

namespace {

/// The default drawing attributes of regions: a faint cyan outline over a translucent blue fill.
constexpr GiContext kRegionContext(kGiLineSolid, 0, GiRgba(0, 255, 255, 64), GiRgba(0, 128, 255, 48));

/// One wheel notch in QWheelEvent::angleDelta units.
constexpr int kWheelNotch = 120;

MgPoint toPoint(const QPointF& p) { return MgPoint(static_cast<float>(p.x()), static_cast<float>(p.y())); }

/// The LRC path beside a picture: everything from the last "." of the file name replaced by
/// ".lrc"; a name without "." gets ".lrc" appended. Dots in folder names do not count.
QString lrcPathFor(const QString& picPath)
{
    const qsizetype slash = picPath.lastIndexOf(QLatin1Char('/'));
    const qsizetype dot = picPath.lastIndexOf(QLatin1Char('.'));
    if (dot > slash + 1)
        return picPath.left(dot) + QStringLiteral(".lrc");
    return picPath + QStringLiteral(".lrc");
}

/// Copies the file at from onto the already created file to; false on any read or write error.
bool copyFileOnto(const QString& from, QFile& to)
{
    // Only a regular file: opening a FIFO would wait for a writer, a device might never end.
    if (from.isEmpty() || !QFileInfo(from).isFile())
        return false;
    QFile src(from);
    if (!src.open(QIODevice::ReadOnly))
        return false;
    char buffer[64 * 1024];
    for (;;) {
        const qint64 n = src.read(buffer, sizeof buffer);
        if (n < 0)
            return false;
        if (n == 0)
            break;
        if (to.write(buffer, n) != n)
            return false;
    }
    return to.flush();
}

} // namespace

// ---- MgViewProxy ---------------------------------------------------------------------------

MgViewProxy::MgViewProxy(CLayoutView* view)
    : m_event(this)
    , m_view(view)
{
    if (GiContext* ctx = view->shapes() ? view->shapes()->context() : nullptr)
        *ctx = kRegionContext;
}

MgShapes* MgViewProxy::shapes() { return m_view->shapes(); }
GiViewTransform* MgViewProxy::xform() { return &m_view->xform(); }
GiGraphics* MgViewProxy::graphics() { return &m_view->graphics(); }
void MgViewProxy::regenerate() { m_view->invalidateCaches(false); }
void MgViewProxy::redraw(bool) { m_view->update(); }
GiContext* MgViewProxy::context() { return m_view->shapes() ? m_view->shapes()->context() : nullptr; }
bool MgViewProxy::tolerancesInMillimetres() { return false; }

void MgViewProxy::selectionChanged()
{
    MgShape* selected[2] = { nullptr, nullptr };
    const int n = commandManager().selectedShapes(this, 2, selected, false);
    const int tag = n > 0 && selected[0] ? selected[0]->tag() : 0;
    m_view->sendToFrame(kMsgSelectionChanged, n, tag);
}

bool MgViewProxy::shapeWillBeAdded(MgShape*) { return true; }

void MgViewProxy::shapeAdded(MgShape*)
{
    regenerate();
    QCoreApplication::postEvent(m_view, new CAppMessage(kMsgRegionsChanged));
}

bool MgViewProxy::acceptsShape(MgShape*) { return true; }
bool MgViewProxy::canRotate(MgShape*) { return false; }

int MgViewProxy::shapeMoved(MgShape* shape, int segment)
{
    if (!shape)
        return 0;
    MgBaseShape& geom = shape->shape();
    geom.update();
    const MgBox extent = geom.extent();
    const MgBox pic = m_view->pictureBoxModel();

    // Model y grows downward: "top" is ymin. A shape larger than the picture ends up aligned
    // with the right or bottom edge because those sides are checked last.
    MgBox shifted = extent;
    if (shifted.xmin < pic.xmin)
        shifted.offset(pic.xmin - shifted.xmin, 0);
    if (shifted.xmax > pic.xmax)
        shifted.offset(pic.xmax - shifted.xmax, 0);
    if (shifted.ymin < pic.ymin)
        shifted.offset(0, pic.ymin - shifted.ymin);
    if (shifted.ymax > pic.ymax)
        shifted.offset(0, pic.ymax - shifted.ymax);
    return geom.offset(shifted.midpoint() - extent.midpoint(), segment) ? 1 : 0;
}

bool MgViewProxy::showContextActions(int) { return false; }

bool MgViewProxy::drawHandle(GiGraphics* gs, const MgPoint& pt, bool hot)
{
    if (!gs)
        return false;
    const GiContext ctx(kGiLineSolid, 0, GiRgba::black(), GiRgba(240, 240, 240, hot ? 200 : 128));
    const bool oldSmoothing = gs->setSmoothing(false);
    // A fixed size on the screen at every zoom.
    const float side = gs->transform().lengthToModel(hot ? 3.0f : 1.6f, true);
    MgBox box;
    box.fromCenter(pt, side, side);
    gs->drawBox(&ctx, box, true);
    gs->setSmoothing(oldSmoothing);
    return true;
}

// ---- CLayoutView ---------------------------------------------------------------------------

CLayoutView::CLayoutView(QWidget* parent)
    : QWidget(parent)
    , m_xf(std::make_unique<GiViewTransform>(true))
    , m_gs(std::make_unique<GiGraphics>(m_xf.get()))
    , m_canvas(std::make_unique<GiCanvasGdip>(m_gs.get()))
    , m_shapes(MgShapesT<>::create(true))
    , m_proxy(std::make_unique<MgViewProxy>(this))
    , m_doc(std::make_unique<CLrcData>())
    , m_driver(std::make_unique<MgPointerDriver>(m_proxy->pointerEvent()))
{
    // The paint covers every pixel, so nothing needs erasing first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setCursor(Qt::ArrowCursor);
    m_xf->setResolution(static_cast<float>(logicalDpiX()), static_cast<float>(logicalDpiY()));
    m_driver->setClamp([this](const MgPoint& pt) { return clampToPicture(pt); });
}

CLayoutView::~CLayoutView()
{
    m_frame = nullptr;
    // No command may keep working on this view's shapes once they are gone.
    MgCommandManager& mgr = commandManager();
    if (mgr.currentCommand())
        mgr.setCommand(&m_proxy->pointerEvent(), "");
    if (m_shapes)
        m_shapes->release();
    m_shapes = nullptr;
    m_driver.reset();
    m_doc.reset();
    m_proxy.reset();
    m_picture.clear();
    m_canvas.reset();
    m_gs.reset();
    m_xf.reset();
    if (!m_tempPath.isEmpty())
        QFile::remove(m_tempPath);
}

bool CLayoutView::isModified() const { return m_shapes && m_savedChangeCount < m_shapes->changeCount(); }

MgBox CLayoutView::pictureBoxModel() const
{
    MgBox box = m_proxy->pictureBox() * m_xf->worldToModel();
    box.orderCorners();
    return box;
}

MgPoint CLayoutView::clampToPicture(const MgPoint& pt) const
{
    const MgBox pic = pictureBoxModel();
    MgPoint m = pt * m_xf->displayToModel();
    m.x = std::clamp(m.x, pic.xmin, pic.xmax);
    m.y = std::clamp(m.y, pic.ymin, pic.ymax);
    return m * m_xf->modelToDisplay();
}

QString CLayoutView::fileTimeText(const QString& path)
{
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists())
        return QString();
    const QDateTime t = info.lastModified().toLocalTime();
    const QDate d = t.date();
    const QTime tm = t.time();
    return QString::asprintf("%04d-%02d-%02d %02d:%02d:%02d.%03d", d.year(), d.month(), d.day(), tm.hour(), tm.minute(),
        tm.second(), tm.msec());
}

bool CLayoutView::openInto(const QString& picPath, const QString& lrcPath)
{
    m_picture.clear();
    if (!m_tempPath.isEmpty()) {
        QFile::remove(m_tempPath);
        m_tempPath.clear();
    }
    // The picture is read from a private copy so that its own file stays free to be replaced
    // while the tool runs.
    bool copied = false;
    {
        QTemporaryFile temp(QDir::tempPath() + QStringLiteral("/lrcXXXXXX"));
        temp.setAutoRemove(false);
        if (temp.open()) {
            m_tempPath = temp.fileName();
            copied = copyFileOnto(picPath, temp);
        }
    }
    m_picTime = fileTimeText(picPath);
    if (picPath != m_picPath)
        m_picPath = picPath;
    // A file that copies but does not decode is as unusable as one that cannot be read.
    if (!copied || !m_picture.load(m_tempPath) || m_picture.width() <= 0) {
        m_picture.clear();
        showUserMessage(isVisible() ? this : nullptr, QStringLiteral("无法打开图片文件"));
        return false;
    }

    const float w = static_cast<float>(m_picture.width());
    const float h = static_cast<float>(m_picture.height());
    const float rx = static_cast<float>(std::max(1, m_picture.horizontalDpi()));
    const float ry = static_cast<float>(std::max(1, m_picture.verticalDpi()));
    float W = w;
    float H = h;
    const QString lrc = lrcPath.isEmpty() ? lrcPathFor(picPath) : lrcPath;
    m_doc->LoadLrc(m_shapes, lrc.toStdWString(), W, H);
    // A header declaring no area cannot map the picture; fall back to its own pixels.
    if (!(W >= 1) || !(H >= 1)) {
        W = w;
        H = h;
    }

    const float mmW = w * 25.4f / rx;
    const float mmH = h * 25.4f / ry;
    m_xf->setModelTransform(MgMatrix(mmW / W, 0, 0, -mmH / H, 0, mmH));
    const MgBox box = MgBox(0, 0, W, H) * m_xf->modelToWorld();
    m_proxy->setPictureBox(box);
    m_xf->setWorldBounds(MgBox(box).grow(20));
    zoomToFit();
    invalidateCaches(true);
    return true;
}

bool CLayoutView::openPicture(const QString& picPath, const QString& lrcPath)
{
    const QString previous = m_picPath;
    MgCommandManager& mgr = commandManager();
    MgPointerEvent* ev = &m_proxy->pointerEvent();
    // Loading replaces every shape: nothing may stay selected or half-dragged across it.
    m_driver->reset();
    m_dragState = 0;
    mgr.cancelCurrent(ev);
    if (MgSelection* sel = mgr.selection(m_proxy.get()))
        sel->clearSelection(m_proxy.get());

    if (!openInto(picPath, lrcPath)) {
        emit stateChanged();
        return false;
    }
    if (picPath != previous) {
        m_savedChangeCount = m_shapes->changeCount();
        mgr.setCommand(ev, "select");
    }
    emit stateChanged();
    return true;
}

bool CLayoutView::reloadIfChanged()
{
    const QString now = fileTimeText(m_picPath);
    if (now.isEmpty() || now == m_picTime)
        return false;
    // Open into a scratch document and collection, then put the real ones back: the new
    // picture shows, the rows and regions in memory (saved or not) stay as they were.
    std::unique_ptr<CLrcData> keptDoc = std::move(m_doc);
    MgShapes* keptShapes = m_shapes;
    m_doc = std::make_unique<CLrcData>();
    m_shapes = keptShapes->clone();
    const QString lrc = QString::fromStdWString(keptDoc->lrcPath());
    openInto(m_picPath, lrc);
    m_shapes->release();
    m_shapes = keptShapes;
    m_doc = std::move(keptDoc);
    invalidateCaches(true);
    emit stateChanged();
    return true;
}

void CLayoutView::setClientSize(int width, int height)
{
    if (width <= 0 || height <= 0)
        return;
    m_xf->setClientSize(width, height);
    zoomToFit();
}

void CLayoutView::zoomToFit()
{
    const MgBox rect(5, 5, static_cast<float>(m_xf->widthPx() - 10), static_cast<float>(m_xf->heightPx() - 10));
    m_xf->zoomToBox(m_proxy->pictureBox(), &rect);
}

void CLayoutView::invalidateCaches(bool all)
{
    m_canvas->dropCachedImage(all);
    m_paintedDirect = false;
    update();
}

void CLayoutView::postToFrame(QEvent::Type type)
{
    if (m_frame)
        QCoreApplication::postEvent(m_frame, new CAppMessage(type));
}

qintptr CLayoutView::sendToFrame(QEvent::Type type, qintptr wParam, qintptr lParam)
{
    if (!m_frame)
        return 0;
    CAppMessage msg(type, wParam, lParam);
    QCoreApplication::sendEvent(m_frame, &msg);
    return msg.answer();
}

// ---- Painting ------------------------------------------------------------------------------

bool CLayoutView::paintOn(QPaintDevice* device, bool useCaches)
{
    if (!useCaches)
        m_canvas->dropCachedImage(true);
    // Image 0 is the picture with its shapes, image 1 the picture alone; each is rebuilt only
    // when dropped (shapes changed, or the view moved). The first paint after the shapes changed
    // draws the picture and shapes straight onto the device, one copy of the frame fewer than
    // drawing off-screen to keep image 0. Image 0 is made by the next paint that still lacks it,
    // or at once when a drag is under way, whose following frames each start from it.
    const bool direct = useCaches && !m_paintedDirect && !m_canvas->hasCachedImage(false)
        && m_canvas->hasCachedImage(true) && !m_driver->isDragging();
    if (!m_canvas->openPaint(device, nullptr, !direct, false, QRect()))
        return false;
    // The area around the picture shows the workspace colour.
    const QColor workspace = palette().color(QPalette::Dark);
    m_canvas->changeBackgroundColor(GiRgba(static_cast<std::uint8_t>(workspace.red()),
        static_cast<std::uint8_t>(workspace.green()), static_cast<std::uint8_t>(workspace.blue())));
    // Off-screen the fill waits until something needs it, so an opaque cached image drawn over
    // the whole buffer makes it free; on the device it would cost a frame, and image 1 covers it.
    if (!direct)
        m_canvas->fillBackground();
    if (!m_canvas->drawCachedImage(0, 0, false)) {
        if (!m_canvas->drawCachedImage(0, 0, true)) {
            if (direct)
                m_canvas->fillBackground();
            if (!m_picture.isEmpty())
                m_canvas->drawImage(m_picture.image(), m_proxy->pictureBox(), false);
            m_canvas->saveCachedImage(true);
        }
        if (m_shapes)
            m_shapes->draw(*m_gs, nullptr);
        if (!direct)
            m_canvas->saveCachedImage(false);
    }
    m_paintedDirect = direct || (m_paintedDirect && !m_canvas->hasCachedImage(false));
    m_driver->paint(*m_gs);
    m_canvas->closePaint(true);
    if (!useCaches)
        m_canvas->dropCachedImage(true);
    return true;
}

void CLayoutView::paintEvent(QPaintEvent*) { paintOn(this, true); }

bool CLayoutView::renderTo(QPaintDevice* device) { return device && paintOn(device, false); }

void CLayoutView::resizeEvent(QResizeEvent* e)
{
    setClientSize(width(), height());
    QWidget::resizeEvent(e);
}

// ---- Pointer -------------------------------------------------------------------------------

void CLayoutView::mousePressEvent(QMouseEvent* e)
{
    QWidget::mousePressEvent(e);
    if (e->button() != Qt::LeftButton || !commandManager().currentCommand())
        return;
    setFocus(Qt::MouseFocusReason);
    const MgPoint pt = toPoint(e->position());
    m_dragState = 0;
    m_driver->press(pt);
    if (m_spaceDown) {
        // A pan, not a command gesture: the command hears nothing of it.
        m_driver->reset();
        m_dragState = kDragPan;
        m_panStart = pt;
        m_panFocus = m_xf->focusWorld();
    }
}

void CLayoutView::mouseMoveEvent(QMouseEvent* e)
{
    QWidget::mouseMoveEvent(e);
    const MgPoint pt = toPoint(e->position());
    if (m_dragState & kDragPan) {
        m_xf->zoomToPoint(m_panFocus);
        m_xf->zoomPan(pt.x - m_panStart.x, pt.y - m_panStart.y);
        invalidateCaches(true);
    } else if (commandManager().currentCommand()) {
        if (e->buttons() & Qt::LeftButton) {
            m_driver->move(pt, true);
            if (m_driver->isDragging())
                m_dragState = kDragLeft;
        } else {
            m_driver->move(pt, false);
        }
    }
    emit stateChanged();
}

void CLayoutView::mouseReleaseEvent(QMouseEvent* e)
{
    QWidget::mouseReleaseEvent(e);
    if (e->button() == Qt::LeftButton) {
        if (m_dragState & kDragPan) {
            m_dragState = 0;
        } else if (commandManager().currentCommand()) {
            // A region moved or resized with the mouse keeps its selection, so nothing else tells
            // the tree; like the arrow keys, let it refresh the coordinates it shows.
            const bool selecting = std::string_view(commandManager().commandName()) == "select";
            const int before = m_shapes ? m_shapes->changeCount() : 0;
            m_driver->release(toPoint(e->position()));
            m_dragState = 0;
            if (selecting && m_shapes && m_shapes->changeCount() != before)
                m_proxy->selectionChanged();
        }
    } else if (e->button() == Qt::RightButton) {
        cancelDrag();
    }
    emit stateChanged();
}

void CLayoutView::cancelDrag()
{
    if (!m_driver->isDragging())
        return;
    m_driver->cancel();
    m_dragState = 0;
}

// ---- Keys and wheel ------------------------------------------------------------------------

void CLayoutView::arrowKey(int key, bool shift, bool synthetic)
{
    MgCommandManager& mgr = commandManager();
    const int count = synthetic ? 0 : mgr.selectedShapes(m_proxy.get(), 0, nullptr, false);
    if (count > 0) {
        MgVector step;
        switch (key) {
        case Qt::Key_Left: step = MgVector(-1, 0); break;
        case Qt::Key_Right: step = MgVector(1, 0); break;
        case Qt::Key_Up: step = MgVector(0, -1); break;
        default: step = MgVector(0, 1); break;
        }
        {
            MgShapesGuard guard(m_shapes, 3, 200);
            std::vector<MgShape*> selected(static_cast<std::size_t>(count), nullptr);
            const int n = mgr.selectedShapes(m_proxy.get(), count, selected.data(), false);
            const MgBox pic = pictureBoxModel();
            for (int i = 0; i < n; ++i) {
                MgShape* sp = selected[static_cast<std::size_t>(i)];
                if (!sp)
                    continue;
                if (!shift) {
                    sp->shape().offset(step, -1);
                    m_proxy->shapeMoved(sp, -1);
                    sp->shape().update();
                } else {
                    // Handle 4 is the region's bottom edge on screen, 5 its right edge; the
                    // edge stays on the picture.
                    const int handle = key == Qt::Key_Up || key == Qt::Key_Down ? 4 : 5;
                    MgPoint pt = sp->shape().handlePoint(handle) + step;
                    pt.x = std::clamp(pt.x, pic.xmin, pic.xmax);
                    pt.y = std::clamp(pt.y, pic.ymin, pic.ymax);
                    sp->shape().setHandlePoint(handle, pt, 0);
                    sp->shape().update();
                }
            }
        }
        m_proxy->regenerate();
        // The tree shows the coordinates of the selected region: let it refresh them.
        m_proxy->selectionChanged();
        return;
    }

    const float w = static_cast<float>(m_xf->widthPx()) / 4;
    const float h = static_cast<float>(m_xf->heightPx()) / 4;
    switch (key) {
    case Qt::Key_Left: m_xf->zoomPan(w, 0); break;
    case Qt::Key_Right: m_xf->zoomPan(-w, 0); break;
    case Qt::Key_Up: m_xf->zoomPan(0, h); break;
    default: m_xf->zoomPan(0, -h); break;
    }
    invalidateCaches(true);
}

void CLayoutView::keyPressEvent(QKeyEvent* e)
{
    switch (e->key()) {
    case Qt::Key_Backspace:
    case Qt::Key_Delete: QCoreApplication::postEvent(this, new CAppMessage(kMsgCommand, kCmdDeleteRegion)); break;
    case Qt::Key_Escape: cancelDrag(); break;
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down: arrowKey(e->key(), (e->modifiers() & Qt::ShiftModifier) != 0, false); break;
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        m_xf->zoomByFactor(0.5f);
        invalidateCaches(true);
        break;
    case Qt::Key_Minus:
    case Qt::Key_Underscore:
        m_xf->zoomByFactor(-0.5f);
        invalidateCaches(true);
        break;
    case Qt::Key_Space: m_spaceDown = true; break;
    default: QWidget::keyPressEvent(e); return;
    }
    emit stateChanged();
}

void CLayoutView::keyReleaseEvent(QKeyEvent* e)
{
    if (e->key() == Qt::Key_Space && !e->isAutoRepeat())
        m_spaceDown = false;
    QWidget::keyReleaseEvent(e);
}

void CLayoutView::focusOutEvent(QFocusEvent* e)
{
    // The release of a key held while the focus leaves never arrives here.
    m_spaceDown = false;
    QWidget::focusOutEvent(e);
}

void CLayoutView::wheelEvent(QWheelEvent* e)
{
    e->accept();
    if ((e->buttons() | QGuiApplication::mouseButtons()) & Qt::LeftButton)
        return;
    const int delta = e->angleDelta().y();
    if (delta == 0)
        return;
    const bool zoom = (e->modifiers() & Qt::ControlModifier) || m_spaceDown;
    // One step per notch; high-resolution wheels deliver a notch in parts.
    int steps = delta / kWheelNotch;
    if (steps == 0)
        steps = delta > 0 ? 1 : -1;
    const MgPoint at = toPoint(e->position());
    for (int i = 0; i < std::abs(steps); ++i) {
        if (zoom)
            m_xf->zoomByFactor(steps > 0 ? 0.2f : -0.2f, &at);
        else
            arrowKey(steps > 0 ? Qt::Key_Up : Qt::Key_Down, false, true);
    }
    invalidateCaches(true);
    repaint();
    emit stateChanged();
}

// ---- Messages and commands -----------------------------------------------------------------

bool CLayoutView::event(QEvent* e)
{
    if (e->type() == kMsgRegionsChanged) {
        onRegionDrawn();
        return true;
    }
    if (e->type() == kMsgRowChosen) {
        onRowChosen(static_cast<int>(static_cast<CAppMessage*>(e)->wParam()));
        return true;
    }
    if (e->type() == kMsgCommand) {
        runCommand(static_cast<int>(static_cast<CAppMessage*>(e)->wParam()));
        return true;
    }
    return QWidget::event(e);
}

void CLayoutView::onRegionDrawn()
{
    if (m_shapes)
        m_doc->TagNewRegion(m_shapes->lastShape());
    commandManager().setCommand(&m_proxy->pointerEvent(), "select");
    postToFrame(kMsgRegionsChanged);
    emit stateChanged();
}

void CLayoutView::onRowChosen(int region)
{
    MgCommandManager& mgr = commandManager();
    MgPointerEvent* ev = &m_proxy->pointerEvent();
    mgr.setCommand(ev, "select");
    bool selected = false;
    if (MgSelection* sel = mgr.selection(m_proxy.get())) {
        sel->clearSelection(m_proxy.get());
        if (region != 0) {
            const MgShape* sp = m_doc->FindRegion(0, region - 1);
            selected = sp && sel->selectShapeById(m_proxy.get(), sp->id());
        } else {
            for (int k = 0; k < CLrcData::kMaxRegions; ++k) {
                const MgShape* sp = m_doc->FindRegion(0, k);
                if (sp && sel->selectShapeById(m_proxy.get(), sp->id()))
                    selected = true;
            }
        }
    }
    // A row without regions is ready to draw one at once.
    if (!selected)
        mgr.setCommand(ev, "rect");
    update();
    emit stateChanged();
}

void CLayoutView::addRegion()
{
    if (m_doc)
        commandManager().setCommand(&m_proxy->pointerEvent(), "rect");
}

void CLayoutView::deleteRegion()
{
    MgSelection* sel = commandManager().selection(m_proxy.get());
    if (sel && sel->deleteSelected(m_proxy.get())) {
        invalidateCaches(false);
        postToFrame(kMsgRegionsChanged);
    }
}

bool CLayoutView::isCommandEnabled(int id)
{
    switch (id) {
    case kCmdAddRegion: return m_doc && m_doc->rowCount() >= 1;
    case kCmdDeleteRegion: {
        MgSelection* sel = commandManager().selection(m_proxy.get());
        return sel && sel->selectionState(m_proxy.get()) == 1;
    }
    default: return false;
    }
}

bool CLayoutView::runCommand(int id)
{
    if (!isCommandEnabled(id))
        return false;
    if (id == kCmdAddRegion)
        addRegion();
    else if (id == kCmdDeleteRegion)
        deleteRegion();
    emit stateChanged();
    return true;
}

QString CLayoutView::paneText(int id) const
{
    switch (id) {
    case kPaneX:
    case kPaneY:
    case kPaneZoom: {
        if (m_picture.isEmpty())
            return QString();
        if (id == kPaneZoom)
            return QString::asprintf("%.1f%%", static_cast<double>(m_xf->zoom()) * 100.0);
        // The cursor as the system knows it now, not as the last mouse message had it.
        const QPointF client = mapFromGlobal(QCursor::pos());
        const MgPoint m = toPoint(client) * m_xf->displayToModel();
        return id == kPaneX ? QString::asprintf("X%.0f", static_cast<double>(m.x))
                            : QString::asprintf("Y%.0f", static_cast<double>(m.y));
    }
    case kPaneChanged: return isModified() ? QStringLiteral("已改动") : QString();
    default: return QString();
    }
}
