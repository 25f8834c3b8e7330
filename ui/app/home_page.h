// The home page: a greeting, the banner, four shortcut cards, the latest archives of the history,
// a summary of the history's figures and the system's processor and memory load. It keeps no
// state; paintHomePage is declared in page_painters.h and calls the block painters below in order.
#pragma once

#include "ui/app/page_state.h"
#include "ui/foundation/canvas.h"
#include "ui/foundation/hit_regions.h"

namespace tolzeb::ui {

// The six blocks of the page, in drawing order.
struct HomeBlocks {
  Rect greeting;
  Rect banner;
  Rect cards;
  Rect recent;
  Rect summary;
  Rect monitor;
};
HomeBlocks homeBlocks(Rect page, float scrollOffset);

// "home.greeting_morning" for hours 0 to 11, "home.greeting_afternoon" for 12 to 17, else
// "home.greeting_evening".
const char* homeGreetingKey(int localHour);

// Each draws one block into its rectangle; a block too small for its content is left out.
void paintHomeGreeting(Canvas& canvas, Rect block, int localHour);
void paintHomeBanner(Canvas& canvas, const IconSet& icons, Rect block);
void paintHomeCards(Canvas& canvas, const IconSet& icons, const PageState& state, Rect block,
                    HitRegions& regions);
void paintRecentArchives(Canvas& canvas, const IconSet& icons, const PageState& state, Rect block,
                         HitRegions& regions);
void paintStatusSummary(Canvas& canvas, const IconSet& icons, const PageState& state, Rect block);
void paintResourceMonitor(Canvas& canvas, const PageState& state, Rect block);

}  // namespace tolzeb::ui
