#include "cmd/mgpointerdriver.h"

#include "cmd/mgcmdmgr.h"
#include "graph/giviewtransform.h"

MgPointerDriver::MgPointerDriver(MgPointerEvent& event)
    : MgPointerDriver(event, commandManager())
{
}

MgPointerDriver::MgPointerDriver(MgPointerEvent& event, MgCommandManager& manager)
    : m_event(event)
    , m_manager(manager)
{
}

MgCommand* MgPointerDriver::current() { return m_event.view ? m_manager.currentCommand() : nullptr; }

void MgPointerDriver::setCurrent(const MgPoint& pt)
{
    m_event.point = m_clamp ? m_clamp(pt) : pt;
    const GiViewTransform* xf = m_event.view ? m_event.view->xform() : nullptr;
    m_event.pointM = xf ? m_event.point * xf->displayToModel() : m_event.point;
}

bool MgPointerDriver::press(const MgPoint& pt)
{
    m_pressed = m_dragging = false;
    if (!current())
        return false;
    setCurrent(pt);
    m_rawStart = pt;
    m_event.startPoint = m_event.lastPoint = m_event.point;
    m_event.startPointM = m_event.lastPointM = m_event.pointM;
    m_pressed = true;
    return true;
}

bool MgPointerDriver::move(const MgPoint& pt, bool leftDown)
{
    MgCommand* cmd = current();
    if (!cmd)
        return false;
    if (!leftDown)
        return cmd->hover(&m_event);

    // Without a recorded press the start point is stale, so no drag can begin from it.
    if (!m_pressed)
        return false;

    bool ret = false;
    // Measured between raw points: a press clamped onto the picture's edge has not moved.
    if (!m_dragging && pt.distance(m_rawStart) > kDragThreshold) {
        m_dragging = true;
        ret = cmd->dragBegin(&m_event);
        // dragBegin may have changed the current command (a view reacting to it); follow it.
        cmd = current();
    }
    if (m_dragging && cmd) {
        setCurrent(pt);
        ret = cmd->dragMove(&m_event);
        m_event.lastPoint = m_event.point;
        m_event.lastPointM = m_event.pointM;
    }
    return ret;
}

bool MgPointerDriver::release(const MgPoint& pt)
{
    const bool pressed = m_pressed;
    const bool dragging = m_dragging;
    m_pressed = m_dragging = false;

    MgCommand* cmd = current();
    if (!cmd || !pressed)
        return false;
    setCurrent(pt);
    return dragging ? cmd->dragEnd(&m_event) : cmd->click(&m_event);
}

bool MgPointerDriver::cancel()
{
    if (!m_dragging)
        return false;
    m_pressed = m_dragging = false;
    MgCommand* cmd = current();
    return cmd && cmd->cancel(&m_event);
}

bool MgPointerDriver::paint(GiGraphics& gs)
{
    MgCommand* cmd = current();
    return cmd && cmd->draw(&m_event, gs);
}
