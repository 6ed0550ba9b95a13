// Commands that create one new shape from a drag: the common base and the rectangle ("rect")
// and line ("line") commands.
//
// A drawing command owns one temporary shape, made on its first initialize() and kept until the
// command is destroyed; the user shapes it by dragging and it is painted as feedback. When the
// input is complete the view is asked (shapeWillBeAdded) and the collection stores a copy,
// which it owns from then on. The temporary shape is never part of the collection; its parent
// is the view's collection with id 0.
//
// Progress (m_step): 0 idle, 1 the shape is being dragged (multi-point commands count further
// points above 1). After a finished input m_resetPending is set and the next draw() clears the
// temporary shape, so the feedback disappears at the next paint.
//
// All points come from the view's MgPointerEvent in model coordinates; size limits go through
// commandTolerance.
#pragma once

#include "cmd/mgcommand.h"

#include <cstdint>

/// Id of the last shape any drawing command added to a collection (0 = none). Drawing commands
/// set it; the select command selects that shape and resets the value when it becomes current.
inline int lastAddedShapeId = 0;

class MgCommandDraw : public MgCommand {
public:
    void release() override;
    /// Idle: false. Otherwise back to idle with the temporary geometry cleared, redraw(false).
    bool cancel(const MgPointerEvent* e) override;
    /// Performs a pending reset, then paints the temporary shape with its own context while a
    /// drag is in progress.
    bool draw(const MgPointerEvent* e, GiGraphics& gs) override;
    /// Adds a copy of the temporary shape to shapes while a drag is in progress.
    bool collectDynamicShapes(const MgPointerEvent* e, MgShapes& shapes) override;
    bool click(const MgPointerEvent* e) override;
    bool doubleClick(const MgPointerEvent* e) override;
    bool pressAndHold(const MgPointerEvent* e) override;
    /// Repaints the view (redraw(true)); true.
    bool hover(const MgPointerEvent* e) override;
    /// Releases the temporary shape.
    virtual ~MgCommandDraw();

    /// Input progress: 0 idle, 1 dragging (or finished until the next paint).
    [[nodiscard]] std::uint32_t step() const noexcept { return m_step; }
    /// The temporary shape (owned by the command), null before the first initialize().
    [[nodiscard]] const MgShape* tempShape() const noexcept { return m_tempShape; }
    /// Whether the next draw() clears the temporary shape.
    [[nodiscard]] bool resetPending() const noexcept { return m_resetPending; }

protected:
    /// Makes a new shape with context (the caller owns it), or null.
    using MgShapeCreator = MgShape* (*)();

    MgCommandDraw() = default;
    MgCommandDraw(const MgCommandDraw&) = delete;
    MgCommandDraw& operator=(const MgCommandDraw&) = delete;

    /// Makes the temporary shape with creator on first use, resets the input and lastAddedShapeId,
    /// and gives the shape the view's context. False when the shape cannot be made.
    bool initializeWith(MgShapeCreator creator, const MgPointerEvent* e);
    /// Takes back one point of a multi-point input (step 2 and above); false otherwise.
    bool stepBack(const MgPointerEvent* e);
    /// Start of a drag: the temporary shape takes the view's context; redraw(true). True.
    bool beginFeedback(const MgPointerEvent* e);
    /// The drag moved: redraw(true). True.
    bool moveFeedback(const MgPointerEvent* e);
    /// The input is complete; the next draw() resets the temporary shape.
    void markFinished() noexcept { m_resetPending = true; }
    /// Performs a reset still pending from a finished input (back to idle, temporary geometry
    /// cleared), so a new input never continues the finished one nor is wiped by the next paint.
    void settlePendingReset();
    /// Adds a copy of shape (null: the temporary shape) to the view's collection under a write
    /// guard (mode 1), if the view agrees (shapeWillBeAdded); tells the view shapeAdded with the
    /// stored copy and sets lastAddedShapeId to its id. The temporary shape takes the view's
    /// context again in every case. Answers the view's agreement. The view is asked before the
    /// guard is taken, so a refused shape does not count as a change of the collection.
    bool addToCollection(const MgPointerEvent* e, MgShape* shape);

    std::uint32_t m_step = 0;
    MgShape* m_tempShape = nullptr;
    bool m_resetPending = false;
};

/// "rect": an axis-aligned rectangle dragged from one corner to the opposite one. A rectangle
/// whose diagonal is shorter than commandTolerance(e, 1) is not added.
class MgCmdDrawRect : public MgCommandDraw {
public:
    [[nodiscard]] static constexpr const char* Name() noexcept { return "rect"; }
    /// A new command; the caller owns it (release()).
    [[nodiscard]] static MgCommand* create();

    [[nodiscard]] const char* name() const override { return Name(); }
    bool initialize(const MgPointerEvent* e) override;
    bool undoStep(const MgPointerEvent* e) override;
    bool dragBegin(const MgPointerEvent* e) override;
    bool dragMove(const MgPointerEvent* e) override;
    bool dragEnd(const MgPointerEvent* e) override;

private:
    /// Sets the rectangle to the box of p1 and p2 (model) and updates it.
    void setCorners(const MgPoint& p1, const MgPoint& p2);
};

/// "line": a segment dragged from its start to its end. A segment not longer than
/// commandTolerance(e, 2) is not added.
class MgCmdDrawLine : public MgCommandDraw {
public:
    [[nodiscard]] static constexpr const char* Name() noexcept { return "line"; }
    /// A new command; the caller owns it (release()).
    [[nodiscard]] static MgCommand* create();

    [[nodiscard]] const char* name() const override { return Name(); }
    bool initialize(const MgPointerEvent* e) override;
    bool undoStep(const MgPointerEvent* e) override;
    bool dragBegin(const MgPointerEvent* e) override;
    bool dragMove(const MgPointerEvent* e) override;
    bool dragEnd(const MgPointerEvent* e) override;

private:
    /// Sets the end point (model) and updates the line.
    void setEnd(const MgPoint& pt);
};
