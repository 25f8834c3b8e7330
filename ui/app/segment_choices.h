// A run of segments the pages offer as one choice (format, mode, overwrite policy): each segment
// is a command with the value it picks, its label and the note shown while it is picked.
#pragma once

#include <cstdint>
#include <span>

#include "ui/foundation/canvas.h"
#include "ui/foundation/hit_regions.h"

namespace tolzeb::ui {

struct SegmentChoice {
  uint16_t id;
  uint8_t value;
  const char* labelKey;
  const char* noteKey;
};

// The segments side by side from `left`, each `segmentWidth` wide and `height` high; the one whose
// value is `selected` is drawn selected.
void drawSegmentChoices(Canvas& canvas, const Interaction& interaction, HitRegions& regions,
                        std::span<const SegmentChoice> choices, float left, float top, float segmentWidth,
                        float height, uint8_t selected);

}  // namespace tolzeb::ui
