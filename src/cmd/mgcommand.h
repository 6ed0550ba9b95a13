// The interface of every interactive command.
//
// A command turns the pointer events of a view into edits of the view's shape collection. The
// view drives the current command in a fixed order (see MgPointerDriver): press records the
// start, a move of more than 5 display pixels begins a drag (dragBegin, then dragMove per move,
// dragEnd on release), a release without a drag is a click, the right button or Esc during a
// drag is cancel, a move with no button down is hover, and every repaint calls draw after the
// shapes.
//
// Every operation taking an MgPointerEvent receives the view's own record (never null while a
// view drives the command); bool results mean "handled".
//
// Ownership: commands are made by an MgCommandCreator and destroyed only through release();
// the command manager owns every command it created.
#pragma once

#include "cmd/mgview.h"

class MgCommand {
public:
    /// The name the command is registered under; static text.
    [[nodiscard]] virtual const char* name() const = 0;
    /// Destroys the command.
    virtual void release() = 0;
    /// Abandons the input in progress; true if anything was abandoned.
    virtual bool cancel(const MgPointerEvent* e) = 0;
    /// The command becomes current; false refuses.
    virtual bool initialize(const MgPointerEvent* e) = 0;
    /// Takes back the last input step; true if there was one.
    virtual bool undoStep(const MgPointerEvent* e) = 0;
    /// Paints the command's dynamic feedback over the shapes.
    virtual bool draw(const MgPointerEvent* e, GiGraphics& gs) = 0;
    /// Adds copies of the command's temporary shapes to shapes.
    virtual bool collectDynamicShapes(const MgPointerEvent* e, MgShapes& shapes) = 0;
    /// The left button went down and up without a drag.
    virtual bool click(const MgPointerEvent* e) = 0;
    /// Double click (not driven by this system's view).
    virtual bool doubleClick(const MgPointerEvent* e) = 0;
    /// Press-and-hold gesture (not driven by this system's view).
    virtual bool pressAndHold(const MgPointerEvent* e) = 0;
    /// A drag has started; point and pointM still hold the pressed point.
    virtual bool dragBegin(const MgPointerEvent* e) = 0;
    /// The pointer moved during a drag.
    virtual bool dragMove(const MgPointerEvent* e) = 0;
    /// The button was released after a drag.
    virtual bool dragEnd(const MgPointerEvent* e) = 0;
    /// The pointer moved with no button down; point is not refreshed for hover.
    virtual bool hover(const MgPointerEvent* e)
    {
        (void)e;
        return false;
    }

protected:
    MgCommand() = default;
    MgCommand(const MgCommand&) = default;
    MgCommand& operator=(const MgCommand&) = default;
    ~MgCommand() = default;
};

/// Makes a new command (the caller owns it and frees it with release()), or null.
using MgCommandCreator = MgCommand* (*)();

/// A command tolerance as a model length. When the view measures tolerances in millimetres,
/// length is millimetres on the screen at the current zoom; otherwise it counts as 2 * length
/// display pixels (so 5 means 10 pixels). 0 when e or its view or transform is missing.
[[nodiscard]] float commandTolerance(const MgPointerEvent* e, float length);
