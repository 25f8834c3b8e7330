// The drawing types as Direct2D takes them.
#pragma once

#include <d2d1.h>

#include "ui/foundation/draw_types.h"

namespace tolzeb::ui {

inline D2D1_COLOR_F toD2D(Color c) { return {c.r, c.g, c.b, c.a}; }
inline D2D1_RECT_F toD2D(Rect r) { return {r.left, r.top, r.right, r.bottom}; }
inline D2D1_POINT_2F toD2D(Point p) { return {p.x, p.y}; }

}  // namespace tolzeb::ui
