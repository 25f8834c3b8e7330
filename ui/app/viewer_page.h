// Pieces of the archive viewer page that tests and other lists reuse.
#pragma once

#include <cstdint>
#include <string_view>

#include "ui/app/page_state.h"
#include "ui/foundation/canvas.h"
#include "ui/foundation/hit_regions.h"

namespace tolzeb::ui {

// Height of one entry row of the viewer's list.
inline constexpr float kViewerRowHeight = 32;

// One sortable column header: its label, a chevron when it is the sort column (up when
// ascending), the hover fill and focus ring, and its hit region.
void drawColumnHeader(Canvas& canvas, const PageState& state, HitRegions& regions, Rect rect, std::wstring_view label,
                      uint16_t command, bool active, bool ascending, TextAlign align);

}  // namespace tolzeb::ui
