// The modal overlays the frame draws over the page area after the page: the language list of the
// settings page and the task panel. The frame first cuts the hit-region list back to the window
// buttons, so only these overlays' own controls respond while they show.
#pragma once

#include <string>

#include "ui/app/page_state.h"
#include "ui/foundation/canvas.h"
#include "ui/foundation/hit_regions.h"

namespace tolzeb::ui {

class IconSet;

// Rows of the language list seen at once, each 38 high, in a box 360 by 434.
inline constexpr int kLanguageListVisibleRows = 11;
inline constexpr int kLanguageListLastFirstRow = 17;

// The list box below `languageBox` (above it when there is no room below), kept inside `area`.
Rect languageListBox(Rect languageBox, Rect area);
// Dims `area`, then draws the list with a region 103 per chosen-able row (argument: the row of
// the language table), a region 0 over the box and a region 104 over the rest of `area`.
void paintLanguageList(Canvas& canvas, const IconSet& icons, const PageState& state, Rect languageBox, Rect area,
                       HitRegions& regions);

// The task panel's headline: what the task is doing while it runs, how it ended afterwards.
std::wstring taskPanelHeadline(const TaskSnapshot& task);
// Dims `area` and draws the panel card centred in it, with the button that fits the moment:
// run in background (123) while the task runs, close (120) once it has ended.
void paintTaskPanel(Canvas& canvas, const IconSet& icons, const PageState& state, Rect area, HitRegions& regions);

}  // namespace tolzeb::ui
