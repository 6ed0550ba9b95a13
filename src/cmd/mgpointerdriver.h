// Drives the current command from raw pointer input, in the order every command relies on.
//
//   press    left button down: start, last and current points (display and model) become the
//            pressed point; no command operation is called.
//   move     left button held, no drag yet: once the raw pointer lies more than 5.0 display
//            pixels from the start point, a drag begins (dragBegin, with point and pointM still
//            the pressed point). While dragging (also in the move that began it): the current
//            point is refreshed, dragMove is called, then the current point becomes the last
//            point. No button held: hover, without refreshing the current point.
//   release  left button up: the current point is refreshed, then dragEnd after a drag,
//            otherwise click; the drag ends.
//   cancel   right button up or Esc during a drag: cancel, and the drag ends.
//   paint    every repaint, after the shapes: draw.
//
// The current command is looked up at each event; with none, nothing is forwarded. Display
// points are client pixels; model points are their image under the view transform's
// displayToModel matrix. An optional clamp maps each raw display point to the point the
// commands see (the application keeps the pointer on its picture); the drag threshold is
// measured on the raw point.
#pragma once

#include "cmd/mgview.h"

#include <functional>

class MgCommand;
class MgCommandManager;

class MgPointerDriver {
public:
    /// A drag begins when the pointer lies strictly farther than this from the press point.
    static constexpr float kDragThreshold = 5.0f;
    /// Maps a raw display point to the display point handed to commands.
    using Clamp = std::function<MgPoint(const MgPoint&)>;

    /// event: the view's own record, its view field set; it must outlive the driver. manager:
    /// whose current command receives the events (the process-wide one by default).
    explicit MgPointerDriver(MgPointerEvent& event);
    MgPointerDriver(MgPointerEvent& event, MgCommandManager& manager);
    MgPointerDriver(const MgPointerDriver&) = delete;
    MgPointerDriver& operator=(const MgPointerDriver&) = delete;

    /// Sets the clamp applied to every display point before it is stored (empty: none).
    void setClamp(Clamp clamp) { m_clamp = std::move(clamp); }

    /// Left button down at pt (display). False, and nothing recorded, when no command is current.
    bool press(const MgPoint& pt);
    /// Pointer moved to pt (display) with or without the left button held. Answers the
    /// command's result (dragMove, or dragBegin when the drag began and nothing moved, or hover);
    /// false when nothing was forwarded.
    bool move(const MgPoint& pt, bool leftDown);
    /// Left button up at pt (display): dragEnd or click. False when nothing was forwarded.
    bool release(const MgPoint& pt);
    /// Right button up or Esc: cancel while dragging. False when no drag was in progress.
    bool cancel();
    /// The current command's draw; false when there is none.
    bool paint(GiGraphics& gs);
    /// Forgets any press or drag in progress without telling the command.
    void reset() noexcept { m_pressed = m_dragging = false; }

    /// A press was recorded and not yet released.
    [[nodiscard]] bool isPressed() const noexcept { return m_pressed; }
    /// A drag has begun and not yet ended.
    [[nodiscard]] bool isDragging() const noexcept { return m_dragging; }
    [[nodiscard]] MgPointerEvent& event() noexcept { return m_event; }
    [[nodiscard]] MgCommandManager& manager() noexcept { return m_manager; }

private:
    [[nodiscard]] MgCommand* current();
    /// Clamps pt and stores it with its model image as the current point.
    void setCurrent(const MgPoint& pt);

    MgPointerEvent& m_event;
    MgCommandManager& m_manager;
    Clamp m_clamp;
    MgPoint m_rawStart; ///< the pressed point before clamping, from which the drag threshold counts
    bool m_pressed = false;
    bool m_dragging = false;
};
