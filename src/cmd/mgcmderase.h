// "erase": deletes shapes from the view's collection.
//
// A click deletes at once the shape under the press point. A drag draws a rubber band from the
// press point to the pointer and marks the shapes it catches, recomputed at every move: dragged
// right and down (in display coordinates) the band catches every shape it touches, in any other
// direction only the shapes lying wholly inside it. Releasing the button deletes the marked
// shapes. Deleted shapes are released; the view is not asked for permission.
//
// Marks are shape ids in collection order. They survive command switches (initialize keeps
// them); a mark whose shape has gone is skipped. Marked shapes are painted again with a wide
// grey outline over their own drawing.
//
// Model coordinates throughout, except the drag direction, which is judged on display points.
#pragma once

#include "cmd/mgcommand.h"
#include "cmd/mgrubberband.h"
#include "graph/gicontext.h"

#include <vector>

class MgCommandErase : public MgCommand {
public:
    [[nodiscard]] static constexpr const char* Name() noexcept { return "erase"; }
    /// A new command; the caller owns it (release()).
    [[nodiscard]] static MgCommand* create();

    /// The band: dashed when dragged right and down, solid otherwise; translucent blue.
    [[nodiscard]] static GiContext bandContext(bool rightDown) noexcept { return mgBandContext(rightDown); }
    /// Override for marked shapes: a 4-pixel translucent grey line, the shape's own fill.
    [[nodiscard]] static GiContext markedContext() noexcept
    {
        return GiContext(0, -4, GiRgba(64, 64, 64, 128), GiRgba::none());
    }

    MgCommandErase() = default;
    MgCommandErase(const MgCommandErase&) = delete;
    MgCommandErase& operator=(const MgCommandErase&) = delete;
    virtual ~MgCommandErase() = default;

    [[nodiscard]] const char* name() const override { return Name(); }
    void release() override;
    /// Ends the band and takes back up to three marks (undoStep three times); true when a band
    /// or a mark was given up.
    bool cancel(const MgPointerEvent* e) override;
    /// Ends any band, keeps the marks; true.
    bool initialize(const MgPointerEvent* e) override;
    /// Drops the last mark; with none, ends the band. False when there was neither.
    bool undoStep(const MgPointerEvent* e) override;
    /// The band (while active) and the marked shapes; true.
    bool draw(const MgPointerEvent* e, GiGraphics& gs) override;
    /// While a band is active, adds a rectangle shape covering it (band context) to shapes.
    bool collectDynamicShapes(const MgPointerEvent* e, MgShapes& shapes) override;
    /// Deletes the shape picked within commandTolerance(e, 6) of the press point, if any, under
    /// a write guard, and regenerates the view; true.
    bool click(const MgPointerEvent* e) override;
    bool doubleClick(const MgPointerEvent* e) override;
    bool pressAndHold(const MgPointerEvent* e) override;
    bool hover(const MgPointerEvent* e) override;
    /// Starts the band; true.
    bool dragBegin(const MgPointerEvent* e) override;
    /// Marks again every shape the band catches now; true.
    bool dragMove(const MgPointerEvent* e) override;
    /// Deletes the marked shapes that still exist (regenerating only when something was marked)
    /// and ends the band; true.
    bool dragEnd(const MgPointerEvent* e) override;

    /// Ids of the marked shapes, in collection order.
    [[nodiscard]] const std::vector<int>& markedIds() const noexcept { return m_markedIds; }
    /// Whether a band is in progress.
    [[nodiscard]] bool isBoxActive() const noexcept { return m_boxActive; }
    /// The drag goes right and down: point lies right of and below startPoint (display).
    [[nodiscard]] static bool isRightDownDrag(const MgPointerEvent* e) noexcept { return mgIsRightDownDrag(e); }

private:
    std::vector<int> m_markedIds;
    bool m_boxActive = false;
};
