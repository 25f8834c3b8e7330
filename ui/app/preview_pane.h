// The preview pane beside the archive viewer's list, and the splitter that sizes it. The painters
// read the window's copy of the last preview result and change nothing but the hit regions.
#pragma once

#include <cstddef>
#include <string>

#include "ui/app/page_state.h"
#include "ui/foundation/canvas.h"
#include "ui/foundation/hit_regions.h"
#include "ui/foundation/icon_set.h"

namespace tolzeb::ui {

void drawPreviewSplitter(Canvas& canvas, const PageState& state, Rect splitter, HitRegions& regions);
void drawPreviewPane(Canvas& canvas, const IconSet& icons, const PageState& state, Rect pane, HitRegions& regions);

// The start of a text the pane shows: at most 400 lines, no line starting at character 24000 or
// later; a single longer line stays whole.
struct VisibleText {
  std::wstring text;
  bool cut = false;
  size_t lines = 0;
};
VisibleText visibleTextLines(const std::wstring& text);
// The part after the last '/', or the whole name.
std::wstring entryDisplayName(const std::wstring& entryName);

}  // namespace tolzeb::ui
