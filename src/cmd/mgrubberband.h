// The rubber band shared by the select and erase commands: the box dragged from the press
// point to the pointer, and the shapes it catches.
//
// Direction decides what the band catches: dragged right and down (judged on display points)
// it catches every shape it touches, in any other direction only the shapes lying wholly
// inside it. The band itself is a model-coordinate box from startPointM to pointM.
#pragma once

#include "cmd/mgview.h"
#include "geom/mgbox.h"
#include "graph/gicontext.h"

#include <vector>

/// The pointer lies right of and below the press point (display coordinates).
[[nodiscard]] bool mgIsRightDownDrag(const MgPointerEvent* e) noexcept;

/// The band's drawing attributes: dashed when dragged right and down, solid otherwise;
/// translucent blue line and fill.
[[nodiscard]] constexpr GiContext mgBandContext(bool rightDown) noexcept
{
    return GiContext(rightDown ? kGiLineDash : kGiLineSolid, 0, GiRgba(0, 0, 255, 128), GiRgba(0, 0, 255, 32));
}

/// The band of e in model coordinates, normalised.
[[nodiscard]] MgBox mgBandBox(const MgPointerEvent* e) noexcept;

/// Ids of the shapes of shapes (may be null: none) that the band of e catches, in collection order.
[[nodiscard]] std::vector<int> mgShapesInBand(const MgShapes* shapes, const MgPointerEvent* e);

/// Draws the band of e through gs with mgBandContext and without anti-aliasing.
void mgDrawBand(GiGraphics& gs, const MgPointerEvent* e);

/// Adds a rectangle covering the band of e, with mgBandContext, to shapes; true when added.
bool mgAddBandShape(MgShapes& shapes, const MgPointerEvent* e);
