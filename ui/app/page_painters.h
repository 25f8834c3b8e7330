// The painters of the ten pages. Each lays out one column inside `page` (already shifted by the
// scroll offset), records its controls' hit regions and returns its content height, which never
// depends on the scroll offset.
#pragma once

#include "ui/app/frame.h"
#include "ui/app/support_page.h"

namespace tolzeb::ui {

// Column bounds of a page: 28 DIPs in from each side, never narrower than `minimumWidth`.
struct PageColumn {
  float left = 0;
  float right = 0;
  float top = 0;  // 24 below the page top, less the scroll offset
};
PageColumn pageColumn(Rect page, float scrollOffset, float minimumWidth);

float paintHomePage(Canvas& canvas, const IconSet& icons, const PageState& state, Rect page,
                    HitRegions& regions);
float paintCompressPage(Canvas& canvas, const IconSet& icons, const PageState& state, Rect page,
                        HitRegions& regions);
float paintExtractPage(Canvas& canvas, const IconSet& icons, const PageState& state, Rect page,
                       HitRegions& regions);
float paintViewerPage(Canvas& canvas, const IconSet& icons, const PageState& state, Rect page,
                      HitRegions& regions);
float paintHistoryPage(Canvas& canvas, const IconSet& icons, const PageState& state, Rect page,
                       HitRegions& regions);
float paintTasksPage(Canvas& canvas, const IconSet& icons, const PageState& state, Rect page,
                     HitRegions& regions);
float paintToolsPage(Canvas& canvas, const IconSet& icons, const PageState& state, Rect page,
                     HitRegions& regions);
float paintSettingsPage(Canvas& canvas, const IconSet& icons, const PageState& state, Rect page,
                        HitRegions& regions, Rect& languageBox);
float paintSearchPage(Canvas& canvas, const IconSet& icons, const PageState& state, Rect page,
                      HitRegions& regions);
float paintSupportPage(Canvas& canvas, const IconSet& icons, const PageState& state, Rect page,
                       HitRegions& regions, SupportQrCode& qr);

}  // namespace tolzeb::ui
