// The select command ("select"): picks shapes, keeps the selection, and lets the user move,
// resize, rotate and reshape the selected shapes by dragging.
//
// Selection: shapes are selected by id (MgShape::id()) in selection order; the current shape is
// the one added last. A click selects at most one shape (or none); several shapes are selected
// by selectAll, selectShapeById or a rubber band. Handle mode (handleIndex() > 0) is entered by
// clicking near the outline of the single selected shape; handleIndex() - 1 is then the active
// handle of that shape's geometry.
//
// Dragging: every change is made to working copies (clones of the selected shapes, copy i
// belonging to the i-th selected id) that are painted while the pointer moves; each move starts
// again from the real shapes, so the copies always show the total effect of the drag. Only at
// the end of the drag are the copies written back to the real shapes (or added as new shapes)
// under a write guard. The copies are owned by the command and never enter the collection.
//
// Box handles of the selection's bounding box (boxHandle()): 0-7 resize (the MgBox handle
// numbering), 8 and 9 rotation (beside the left and right middles; 8 snaps to 15 degrees), 99
// none.
//
// Coordinates: points and boxes are model coordinates unless named display; tolerances go
// through commandTolerance, so in a view measuring in pixels t(5) is 10 display pixels.
//
// Ownership: made by create(), destroyed by release() (the command manager does both).
#pragma once

#include "cmd/mgcmdmgr.h"
#include "cmd/mgcommand.h"
#include "cmd/mgrubberband.h"
#include "geom/mgbox.h"
#include "geom/mgpoint.h"

#include <cstdint>
#include <vector>

struct MgShape;
struct MgMatrix;

class MgCommandSelect : public MgCommand, public MgSelection {
public:
    [[nodiscard]] static constexpr const char* Name() noexcept { return "select"; }
    /// A new command; the caller owns it (release()).
    [[nodiscard]] static MgCommand* create();

    MgCommandSelect();
    MgCommandSelect(const MgCommandSelect&) = delete;
    MgCommandSelect& operator=(const MgCommandSelect&) = delete;

    // ---- MgCommand -----------------------------------------------------------------------

    [[nodiscard]] const char* name() const override { return Name(); }
    void release() override;
    /// Three undoSteps: discards the working copies, leaves handle mode and clears the
    /// selection; true when any step did something.
    bool cancel(const MgPointerEvent* e) override;
    /// Resets the selection; when a drawing command has just added a shape (lastAddedShapeId),
    /// that shape becomes the only selected one. Resets lastAddedShapeId. True.
    bool initialize(const MgPointerEvent* e) override;
    /// One level back: working copies, then handle mode, then the selection. False when there
    /// was nothing to take back.
    bool undoStep(const MgPointerEvent* e) override;
    /// Paints the selection marks, the working copies, the rubber band, the bounding box with
    /// its handles and the handles of handle mode. Handle dots are offered to
    /// MgView::drawHandle first. True.
    bool draw(const MgPointerEvent* e, GiGraphics& gs) override;
    /// Adds a copy of the rubber band (as a rectangle) and of each working copy to shapes.
    bool collectDynamicShapes(const MgPointerEvent* e, MgShapes& shapes) override;
    /// Picks a shape (replacing the selection), or enters or moves within handle mode. False
    /// only for an event with the alternate flag.
    bool click(const MgPointerEvent* e) override;
    bool doubleClick(const MgPointerEvent* e) override;
    /// With nothing selected, clicks first; then offers the view context actions for the
    /// selection state.
    bool pressAndHold(const MgPointerEvent* e) override;
    /// Makes the working copies, decides between moving, handle drag (with vertex insertion)
    /// and rubber band. True.
    bool dragBegin(const MgPointerEvent* e) override;
    /// Resets each copy from its real shape and applies the whole drag so far: handle move,
    /// box resize or rotation, or offset; with nothing selected, reselects by the rubber band.
    bool dragMove(const MgPointerEvent* e) override;
    /// Writes the copies back (or adds them as new shapes when copying), ends the rubber band.
    bool dragEnd(const MgPointerEvent* e) override;
    virtual ~MgCommandSelect();

    // ---- MgSelection ---------------------------------------------------------------------

    int selectedShapes(MgView* view, int count, MgShape** shapes, bool forChange) override;
    [[nodiscard]] int selectionState(MgView* view) override;
    bool selectAll(MgView* view) override;
    /// Removes and releases the selected shapes under a write guard; regenerates once when any
    /// was removed. With nothing selected returns false without touching the collection.
    bool deleteSelected(MgView* view) override;
    /// Adds copies of the selected shapes offset by 10 mm right and down (world), and selects
    /// exactly the copies.
    bool duplicateSelected(MgView* view) override;
    void clearSelection(MgView* view) override;
    bool selectShapeById(MgView* view, int id) override;
    bool removeVertex(const MgPointerEvent* e) override;
    bool insertVertex(const MgPointerEvent* e) override;
    bool toggleClosed(MgView* view) override;

    // ---- Editing, shared with the manager ------------------------------------------------

    /// Ends a working-copy edit. apply without addNew: each copy's content goes back to the
    /// shape of the selected id at the same index (write guard, mode 3); apply with addNew:
    /// each copy is added as a new shape and the selection becomes the new shapes (write
    /// guard, mode 1); no apply: the copies are discarded. Regenerates when something changed,
    /// otherwise redraws. True when something changed or there had been copies.
    bool applyWorkingCopies(MgView* view, bool apply, bool addNew);

    // ---- Picking and geometry of the selection (model coordinates) -----------------------

    /// The shape the collection's hitTest finds in the square of side t(6) around pointM, with
    /// the nearest outline point and outline part; null when none.
    MgShape* pickShape(const MgPointerEvent* e, MgPoint& nearPt, int& segment);
    /// Whether startPointM lies within t(15)/2 of shape's outline; stores the nearest point and
    /// outline part in the command. False for a null shape.
    bool nearSelectedOutline(const MgShape* shape, const MgPointerEvent* e);
    /// k + 1 for the first handle k of shape's geometry nearest to pt, 0 without handles. Also
    /// marks a vertex insertion pending when pt is much nearer the last picked outline point
    /// than any vertex of a polyline (never clears the mark).
    std::uint32_t nearestHandle(const MgShape* shape, const MgPoint& pt, const MgPointerEvent* e);
    /// The union of the selected shapes' extents, widened to at least 8 display pixels each
    /// way, clipped to the client area less t(12); all zeros when nothing is selected or
    /// nothing remains.
    [[nodiscard]] MgBox selectionBox(const MgPointerEvent* e) const;
    /// Finds the box handle grabbed at startPointM and, for a resize or rotation, the matrix
    /// mapping the selection onto the box dragged to pointM (m is the identity otherwise). True
    /// when a box handle is in use.
    bool boxHandleTransform(const MgPointerEvent* e, MgMatrix& m);
    /// Whether the drag adds moved copies instead of moving the shapes (alternate flag, no
    /// handle in use, moved more than t(5)).
    [[nodiscard]] bool copyOnDrag(const MgPointerEvent* e) const;
    /// Replaces the working copies by clones of the selected shapes that exist.
    void makeWorkingCopies(MgView* view);
    /// The pointer lies right of and below the press point (display coordinates).
    [[nodiscard]] static bool isRightDownDrag(const MgPointerEvent* e) noexcept { return mgIsRightDownDrag(e); }

    // ---- State, for the application and tests --------------------------------------------

    [[nodiscard]] const std::vector<int>& selectedIds() const noexcept { return m_selIds; }
    [[nodiscard]] const std::vector<MgShape*>& workingCopies() const noexcept { return m_workCopies; }
    [[nodiscard]] int currentId() const noexcept { return m_currentId; }
    [[nodiscard]] const MgPoint& nearPoint() const noexcept { return m_ptNear; }
    [[nodiscard]] const MgPoint& handlePoint() const noexcept { return m_handlePoint; }
    [[nodiscard]] int segment() const noexcept { return m_segment; }
    [[nodiscard]] std::uint32_t handleIndex() const noexcept { return m_handleIndex; }
    [[nodiscard]] std::uint32_t boxHandle() const noexcept { return m_boxHandle; }
    [[nodiscard]] bool insertPending() const noexcept { return m_insertPending; }
    [[nodiscard]] bool showMarks() const noexcept { return m_showMarks; }
    [[nodiscard]] bool boxSelecting() const noexcept { return m_boxSelecting; }

    static constexpr std::uint32_t kNoBoxHandle = 99;

private:
    /// The shape of m_currentId, else the shape of the first selected id; null when neither.
    [[nodiscard]] MgShape* selectedShape(MgView* view) const;
    [[nodiscard]] bool isSelected(int id) const;
    /// Releases every working copy and empties the sequence.
    void releaseWorkingCopies();
    /// In handle mode on a polyline: runs edit(lines) under a write guard; when it answers true
    /// (changed), updates the polyline, regenerates and finds the active handle again near the
    /// last pick. Ends any pending vertex insertion. Answers edit's result, false outside handle
    /// mode or without a polyline.
    template <class Edit> bool editActiveVertices(const MgPointerEvent* e, Edit edit);
    /// The rotation handle point for handle 8 (left) or 9 (right) of box b.
    [[nodiscard]] static MgPoint rotationHandle(const MgBox& b, std::uint32_t handle, const MgPointerEvent* e);

    std::vector<int> m_selIds; ///< selected shape ids, in selection order
    std::vector<MgShape*> m_workCopies; ///< working copies during a drag, owned
    int m_currentId = 0; ///< the last shape added to the selection; 0 = none
    MgPoint m_ptNear; ///< nearest outline point of the last pick
    MgPoint m_handlePoint; ///< where the dragged selection handle is
    int m_segment = 0; ///< outline part of the last pick; -1 = none
    std::uint32_t m_handleIndex = 0; ///< 0 = no handle active, k + 1 = handle k (handle mode)
    std::uint32_t m_boxHandle = kNoBoxHandle; ///< box handle of the current drag, 99 = none
    bool m_insertPending = false; ///< the next drag inserts a vertex at m_ptNear
    bool m_showMarks = false; ///< selection marks shown
    bool m_boxSelecting = false; ///< a rubber band is in progress
};
