// The interactive rectangles the painters record while they draw, and the window's pointer and
// focus state that decides how they draw. The list is emptied at the start of every paint and
// refilled in paint order, so it always matches what is on the screen.
#pragma once

#include <cstdint>
#include <vector>

#include "ui/foundation/draw_types.h"

namespace tolzeb::ui {

struct HitRegion {
  float left = 0;
  float top = 0;
  float right = 0;
  float bottom = 0;
  uint16_t command = 0;    // handed to the command dispatcher on a click
  int32_t argument = -1;   // such as a list index; -1 for none
  bool focusable = false;  // visited by Tab and Shift+Tab

  // Half-open: the left and top edges belong to the region, the right and bottom ones do not.
  bool contains(float x, float y) const { return x >= left && x < right && y >= top && y < bottom; }
  Rect rect() const { return {left, top, right, bottom}; }
};

using HitRegions = std::vector<HitRegion>;

// The first region in list order that contains the point, so regions painted earlier shadow
// later ones; null when none does.
const HitRegion* hitTest(const HitRegions& regions, float x, float y);

void addHitRegion(HitRegions& regions, Rect rect, uint16_t command, int32_t argument,
                  bool focusable);

// The window's interaction fields the painters read; they never change them.
struct Interaction {
  uint16_t hoverId = 0;     // command under the pointer
  int32_t hoverIndex = -1;  // its argument
  uint16_t pressedId = 0;   // command pressed with the left button
  uint16_t focusId = 0;     // command with keyboard focus
  bool showFocus = false;   // whether the focus cue is shown
};

}  // namespace tolzeb::ui
