// What a command may ask of the view it works in, and the pointer record the view fills.
//
// Coordinates: the display fields of MgPointerEvent are client pixels (origin top-left, y
// down); each "...M" field is its display field converted by the view transform's
// displayToModel matrix. Model is whatever unit the shapes are stored in.
//
// Ownership: the view owns its MgPointerEvent; commands receive a pointer to it and only read
// it. The view outlives every call it makes into a command.
#pragma once

#include "geom/mgpoint.h"

struct MgShape;
struct MgShapes;
class GiViewTransform;
class GiGraphics;
class GiContext;
class MgView;

/// The pointer state of one view. The view fills it (see MgPointerDriver for the order);
/// commands only read it.
struct MgPointerEvent {
    /// The view the event belongs to; commands reach the view only through this field.
    MgView* view = nullptr;
    /// Selects the alternative action of a gesture; false unless the view sets it.
    bool alternate = false;
    /// Display point where the left button went down, and its model image.
    MgPoint startPoint;
    MgPoint startPointM;
    /// Display point of the previous drag step, and its model image.
    MgPoint lastPoint;
    MgPoint lastPointM;
    /// Current display point, and its model image.
    MgPoint point;
    MgPoint pointM;

    constexpr MgPointerEvent() noexcept = default;
    constexpr explicit MgPointerEvent(MgView* v) noexcept
        : view(v)
    {
    }
};

/// The view as commands see it. Implemented by the application's view adapter and by the test
/// view. Not deleted through this interface.
class MgView {
public:
    /// The shape collection shown by the view.
    [[nodiscard]] virtual MgShapes* shapes() = 0;
    /// The view transform (model, world, display).
    [[nodiscard]] virtual GiViewTransform* xform() = 0;
    /// The graphics object the view paints with.
    [[nodiscard]] virtual GiGraphics* graphics() = 0;
    /// Drops any cached rendering of the shapes and repaints everything.
    virtual void regenerate() = 0;
    /// Repaints without regenerating; dynamicOnly hints that only pointer feedback changed.
    virtual void redraw(bool dynamicOnly) = 0;
    /// Drawing attributes for newly drawn shapes, or null. Owned by the view.
    [[nodiscard]] virtual GiContext* context() = 0;
    /// True: command tolerances are screen millimetres; false: they are display pixels (doubled).
    [[nodiscard]] virtual bool tolerancesInMillimetres() = 0;
    /// The set of selected shapes changed.
    virtual void selectionChanged() = 0;
    /// Asked before a drawing command adds shape (its temporary shape); false prevents it.
    virtual bool shapeWillBeAdded(MgShape* shape) = 0;
    /// shape, the copy now stored in the collection, was added.
    virtual void shapeAdded(MgShape* shape) = 0;
    /// A yes/no query on a shape; no command of this system asks it.
    virtual bool acceptsShape(MgShape* shape) = 0;
    /// Whether the select command offers rotation handles for shape.
    virtual bool canRotate(MgShape* shape) = 0;
    /// The select command has just dragged shape (segment -1: the whole shape); the view may
    /// adjust it. The result is not used by commands.
    virtual int shapeMoved(MgShape* shape, int segment) = 0;
    /// Offer actions for the selection state (see MgSelection::selectionState); true if shown.
    virtual bool showContextActions(int selState) = 0;
    /// Draws one handle mark at pt (model coordinates), hot marking the active handle; true
    /// when the view drew it, in which case the command draws nothing itself.
    virtual bool drawHandle(GiGraphics* gs, const MgPoint& pt, bool hot) = 0;

protected:
    MgView() = default;
    MgView(const MgView&) = default;
    MgView& operator=(const MgView&) = default;
    ~MgView() = default;
};
