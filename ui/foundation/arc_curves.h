// Circular arcs as cubic Bezier segments. Some Direct2D implementations draw no arcs, and
// curves look the same everywhere, so every icon arc goes through here.
#pragma once

#include <vector>

#include "ui/foundation/draw_types.h"

namespace tolzeb::ui {

struct CubicBezier {
  Point control1;
  Point control2;
  Point end;
};

// The arc from `from` to `to` with the given radius (grown to half the chord when too small),
// clockwise on the screen (y downwards) or not, the larger or the smaller of the two possible
// arcs; split into pieces of at most 90 degrees. Empty when the two points coincide.
std::vector<CubicBezier> arcToBeziers(Point from, Point to, float radius, bool clockwise,
                                      bool largeArc);

}  // namespace tolzeb::ui
