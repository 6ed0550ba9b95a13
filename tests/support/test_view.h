// An MgView for command tests: a real shape collection, view transform and graphics object
// painting on the recording canvas, a log of every view call, and a pointer driver that drives
// the current command exactly as the application's view does (MgPointerDriver).
//
// Coordinates: the client area is width x height display pixels and the model transform makes
// model coordinates equal display coordinates at zoom 1 (y down in both, like the picture
// pixels of the application): model = display until a test zooms or pans through xform().
// Tolerances are measured in display pixels (tolerancesInMillimetres() is false), as in the
// application, so commandTolerance(e, 1) is the model length of 2 pixels.
//
// Commands: by default the view has its own command manager, so each test starts with no
// cached commands and no registered creators; pass a manager (e.g. &commandManager()) to share
// one. selectionChanged() behaves like the application's adapter: it fetches at most two
// selected shapes from the manager (which hides the select command's marks) and records their
// number and the first one's tag.
//
// Typical use:
//
//     TestView view;
//     ASSERT_TRUE(view.setCommand("rect"));
//     view.drag({100, 100}, {200, 150});
//     EXPECT_EQ(view.count("shapeAdded"), 1);
//     view.paint();                          // canvas.calls holds what this paint drew
#pragma once

#include "cmd/mgcmdmgr.h"
#include "cmd/mgpointerdriver.h"
#include "cmd/mgview.h"
#include "geom/mgbox.h"
#include "graph/gicontext.h"
#include "graph/gigraphics.h"
#include "graph/giviewtransform.h"
#include "support/recording_canvas.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct MgShape;
struct MgShapes;

/// One call of an MgView operation made by a command.
struct ViewCall {
    std::string op; ///< the MgView operation name, e.g. "redraw", "shapeAdded"
    bool flag = false; ///< redraw: dynamicOnly; drawHandle: hot
    int shapeId = 0; ///< id of the shape argument (0 when none)
    int arg = 0; ///< shapeMoved: segment; showContextActions: state
    MgPoint pt; ///< drawHandle: the point (model)
};

class TestView : public MgView {
public:
    /// A view of width x height pixels over a new collection (with a default context when
    /// withContext). manager: the command manager to drive; null makes one of its own.
    explicit TestView(int width = 800, int height = 600, bool withContext = true, MgCommandManager* manager = nullptr);
    ~TestView();
    TestView(const TestView&) = delete;
    TestView& operator=(const TestView&) = delete;

    // ---- MgView --------------------------------------------------------------------------

    MgShapes* shapes() override;
    GiViewTransform* xform() override { return &m_xform; }
    GiGraphics* graphics() override { return &m_gs; }
    void regenerate() override;
    void redraw(bool dynamicOnly) override;
    GiContext* context() override;
    bool tolerancesInMillimetres() override;
    void selectionChanged() override;
    bool shapeWillBeAdded(MgShape* shape) override;
    void shapeAdded(MgShape* shape) override;
    bool acceptsShape(MgShape* shape) override;
    bool canRotate(MgShape* shape) override;
    int shapeMoved(MgShape* shape, int segment) override;
    bool showContextActions(int selState) override;
    bool drawHandle(GiGraphics* gs, const MgPoint& pt, bool hot) override;

    // ---- Answers the view gives (change them to exercise the commands) -------------------

    bool allowAdd = true; ///< shapeWillBeAdded
    bool tolInMillimetres = false; ///< tolerancesInMillimetres
    bool rotatable = false; ///< canRotate
    bool showsActions = false; ///< showContextActions
    bool drawsHandles = true; ///< drawHandle
    bool fetchOnSelectionChange = true; ///< selectionChanged fetches up to two shapes, as the application does
    /// Called by shapeMoved after logging; its result is returned (0 when unset).
    std::function<int(MgShape*, int)> onShapeMoved;
    /// Called by shapeAdded after logging (the application tags the region and returns to "select").
    std::function<void(MgShape*)> onShapeAdded;

    // ---- The log -------------------------------------------------------------------------

    std::vector<ViewCall> calls;
    /// Number of calls of op.
    [[nodiscard]] int count(std::string_view op) const;
    /// The last call of op, or null.
    [[nodiscard]] const ViewCall* last(std::string_view op) const;
    /// The operation names in order, for failure messages.
    [[nodiscard]] std::string dump() const;
    void clearLog() { calls.clear(); }
    /// What selectionChanged fetched the last time (count and the first shape's tag).
    int selectedCount = 0;
    int selectedTag = 0;

    // ---- Commands and pointer ------------------------------------------------------------

    [[nodiscard]] MgCommandManager& manager() { return *m_manager; }
    [[nodiscard]] MgPointerEvent& event() { return m_event; }
    [[nodiscard]] MgPointerDriver& driver() { return m_driver; }
    [[nodiscard]] MgCommand* command() { return m_manager->currentCommand(); }
    /// The selection of the current command ("select" only), or null.
    [[nodiscard]] MgSelection* selection() { return m_manager->selection(this); }

    /// manager().setCommand with this view's event.
    bool setCommand(const char* name);
    /// Keeps every pointer position inside modelBox (model coordinates), as the application
    /// keeps the pointer on its picture; nullopt removes the clamp.
    void setClampBox(std::optional<MgBox> modelBox);

    // Pointer input in display pixels, through the driver.
    bool press(const MgPoint& pt) { return m_driver.press(pt); }
    bool move(const MgPoint& pt, bool leftDown = true) { return m_driver.move(pt, leftDown); }
    bool release(const MgPoint& pt) { return m_driver.release(pt); }
    bool hover(const MgPoint& pt) { return m_driver.move(pt, false); }
    /// Right button up or Esc.
    bool cancel() { return m_driver.cancel(); }
    /// Press and release at pt without moving: a click.
    bool click(const MgPoint& pt);
    /// Press at from, move to `to` in `steps` equal steps with the button held, release at to.
    /// Answers the result of the release.
    bool drag(const MgPoint& from, const MgPoint& to, int steps = 4);

    /// One repaint as the application does it: the shapes, then the current command's draw.
    /// The canvas log is cleared first, so canvas.calls holds this paint's drawing. Answers the
    /// command's draw result; shapesDrawn receives how many shapes drew.
    bool paint();
    int shapesDrawn = 0;

    // ---- The application's own edits, for guard and change-count scenarios ---------------

    /// The arrow-key nudge of the application: under a write guard (mode 3), each selected
    /// shape is offset by (dx, dy) model units and passed to shapeMoved (or, with shift, its
    /// handle 5 (dx) or 4 (dy) moves by that amount), then regenerate. False when nothing is
    /// selected.
    bool nudge(float dx, float dy, bool shift = false);
    /// The application's delete: deleteSelected when exactly one shape is selected.
    bool deleteSelected();

    // ---- Shapes --------------------------------------------------------------------------

    /// Adds a rectangle with the corners of modelBox (ctx: null = the collection's default
    /// context) directly to the collection; answers the stored shape.
    MgShape* addRect(const MgBox& modelBox, const GiContext* ctx = nullptr);
    /// Adds a line from p1 to p2 (model) directly to the collection.
    MgShape* addLine(const MgPoint& p1, const MgPoint& p2, const GiContext* ctx = nullptr);
    /// The collection's change counter.
    [[nodiscard]] int changeCount() const;

    /// Display point of a model point, and model point of a display point.
    [[nodiscard]] MgPoint toDisplay(const MgPoint& model) const;
    [[nodiscard]] MgPoint toModel(const MgPoint& display) const;

    RecordingCanvas& canvas() { return m_canvas; }

private:
    void log(std::string_view op, MgShape* shape = nullptr, bool flag = false, int arg = 0, MgPoint pt = {});

    GiViewTransform m_xform;
    GiGraphics m_gs;
    RecordingCanvas m_canvas;
    MgShapes* m_shapes = nullptr; // owned; released in the destructor
    std::unique_ptr<MgCmdManagerImpl> m_ownManager;
    MgCommandManager* m_manager = nullptr;
    MgPointerEvent m_event;
    MgPointerDriver m_driver;
};
