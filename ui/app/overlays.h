// The language list of the settings page, a modal overlay the frame draws over the page area
// after the page (the task panel, the other one, is task_panel.h). The frame first cuts the
// hit-region list back to the window buttons, so only the overlay's own controls respond.
#pragma once

#include "ui/app/page_state.h"
#include "ui/app/language_list_rows.h"
#include "ui/foundation/canvas.h"
#include "ui/foundation/hit_regions.h"

namespace tolzeb::ui {

class IconSet;

// The list box below `languageBox` (above it when there is no room below), kept inside `area`.
Rect languageListBox(Rect languageBox, Rect area);
// Dims `area`, then draws the list with a region 103 per chosen-able row (argument: the row of
// the language table), a region 0 over the box and a region 104 over the rest of `area`.
void paintLanguageList(Canvas& canvas, const IconSet& icons, const PageState& state, Rect languageBox, Rect area,
                       HitRegions& regions);

}  // namespace tolzeb::ui
