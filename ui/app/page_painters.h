// The painters of the ten pages. Each lays out one column inside `page` (already shifted by the
// scroll offset), records its controls' hit regions and returns its content height, which never
// depends on the scroll offset.
#pragma once

#include <string>

#include "ui/app/frame.h"
#include "ui/app/support_page.h"
#include "ui/foundation/icon_set.h"
#include "ui/foundation/widgets.h"

namespace tolzeb::ui {

// Between one card of a page and the next.
inline constexpr float kCardGap = 18;

// Column bounds of a page: 28 DIPs in from each side, never narrower than `minimumWidth`.
struct PageColumn {
  float left = 0;
  float right = 0;
  float top = 0;  // 24 below the page top, less the scroll offset
};
PageColumn pageColumn(Rect page, float scrollOffset, float minimumWidth);

// The page's title and subtitle from `top`. Returns the top the rest of the page is laid out
// from: `top`, moved down by what a subtitle wrapped onto more lines needs.
float paintPageHeading(Canvas& canvas, float left, float right, float top, const char* titleKey,
                       const char* subtitleKey);

// What a page's cards draw with: the canvas, the state, the regions and the column's edges, with
// the few drawing steps every card repeats. Labels are catalogue keys.
struct PagePainter {
  Canvas& canvas;
  const IconSet& icons;
  const PageState& state;
  HitRegions& regions;
  Interaction interaction;
  float left;
  float right;

  float width() const { return right - left; }
  void text(const std::wstring& shown, TextStyle style, Rect rect, Color color) const;
  // A caption line from the catalogue.
  void note(const char* key, Rect rect, Color color = palette::textSecondary) const;
  // A card across the column; returns its box.
  Rect card(float top, float height, const char* titleKey) const;
  void button(Rect rect, const char* labelKey, uint16_t command, ButtonStyle style, bool enabled = true,
              Icon icon = Icon::None) const;
  void checkBox(Rect rect, const char* labelKey, uint16_t command, bool checked, bool enabled = true) const;
  // A button keeps its drawn width unless its label needs more; then it grows away from its anchor.
  float widthFor(const char* labelKey, Icon icon, float minimum) const;
  // A button whose left edge is `x`; returns its right edge.
  float buttonFrom(float x, float top, float bottom, float minimum, const char* labelKey, uint16_t command,
                   ButtonStyle style, bool enabled = true, Icon icon = Icon::None) const;
  // A button whose right edge is `x`; returns its left edge.
  float buttonTo(float x, float top, float bottom, float minimum, const char* labelKey, uint16_t command,
                 ButtonStyle style, bool enabled = true, Icon icon = Icon::None) const;
};

float paintHomePage(Canvas& canvas, const IconSet& icons, const PageState& state, Rect page, HitRegions& regions);
float paintCompressPage(Canvas& canvas, const IconSet& icons, const PageState& state, Rect page, HitRegions& regions);
float paintExtractPage(Canvas& canvas, const IconSet& icons, const PageState& state, Rect page, HitRegions& regions);
float paintViewerPage(Canvas& canvas, const IconSet& icons, const PageState& state, Rect page, HitRegions& regions);
float paintHistoryPage(Canvas& canvas, const IconSet& icons, const PageState& state, Rect page, HitRegions& regions);
float paintTasksPage(Canvas& canvas, const IconSet& icons, const PageState& state, Rect page, HitRegions& regions);
float paintToolsPage(Canvas& canvas, const IconSet& icons, const PageState& state, Rect page, HitRegions& regions);
float paintSettingsPage(Canvas& canvas, const IconSet& icons, const PageState& state, Rect page, HitRegions& regions,
                        Rect& languageBox);
float paintSearchPage(Canvas& canvas, const IconSet& icons, const PageState& state, Rect page, HitRegions& regions);
float paintSupportPage(Canvas& canvas, const IconSet& icons, const PageState& state, Rect page, HitRegions& regions,
                       SupportQrCode& qr);

}  // namespace tolzeb::ui
