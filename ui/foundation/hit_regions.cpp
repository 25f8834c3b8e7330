#include "ui/foundation/hit_regions.h"

namespace tolzeb::ui {

const HitRegion* hitTest(const HitRegions& regions, float x, float y) {
  for (const HitRegion& region : regions) {
    if (region.contains(x, y)) return &region;
  }
  return nullptr;
}

void addHitRegion(HitRegions& regions, Rect rect, uint16_t command, int32_t argument,
                  bool focusable) {
  regions.push_back({rect.left, rect.top, rect.right, rect.bottom, command, argument, focusable});
}

}  // namespace tolzeb::ui
