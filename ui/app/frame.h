// The frame composer: draws the whole main window on every paint and rebuilds the hit-region list
// while it draws: the title bar with the window buttons, the navigation rail, the toolbar with the
// search field, the current page under a clip with its scroll bar, and the overlays on top. All
// coordinates are DIPs of the client area.
#pragma once

#include <cstdint>

#include "ui/app/page_state.h"
#include "ui/app/support_page.h"
#include "ui/foundation/canvas.h"
#include "ui/foundation/hit_regions.h"
#include "ui/foundation/palette.h"

namespace tolzeb::ui {

class IconSet;

// Fixed geometry of the frame, shared with hit-testing and scrolling.
inline constexpr float kCaptionHeight = 48;
inline constexpr float kRailWidth = 86;
inline constexpr float kPageTop = 122;
inline constexpr float kScrollTrackTop = 128;
inline constexpr float kScrollTrackInset = 134;  // the track ends this far above the bottom

// Colours of the frame besides the widget palette.
namespace frame_colors {
inline constexpr Color closeHover = rgb(232, 17, 35);
inline constexpr Color heartRed = rgb(229, 57, 53);
inline constexpr Color windowBackground = rgb(249, 250, 252);
inline constexpr Color railBackground = rgb(244, 245, 247);
}  // namespace frame_colors

// What the last paint decided; hit-testing and scrolling use it until the next paint.
struct FrameLayout {
  Rect languageBox;  // the settings page's language box, for the language list
  SupportQrCode supportQr;  // made at the support page's first paint, kept for the window's life
  float contentHeight = 0;
  float viewportHeight = 0;
  bool scrollBarShown = false;
  float trackTop = 0;
  float trackHeight = 0;
  float thumbTop = 0;
  float thumbLength = 0;
};

// The whole window for a client area of `client` DIPs. Draws nothing and leaves no region when
// either side is 0 or less.
void paintFrame(FrameLayout& layout, Canvas& canvas, const IconSet& icons, const PageState& state,
                HitRegions& regions, Size client);

void paintTitleBar(Canvas& canvas, const IconSet& icons, const PageState& state, float width,
                   HitRegions& regions);
void paintNavigation(Canvas& canvas, const IconSet& icons, const PageState& state, float height,
                     HitRegions& regions);
void paintToolbar(Canvas& canvas, const IconSet& icons, const PageState& state, Rect band,
                  HitRegions& regions);

// The square of rail entry `index` (0 home .. 6 support).
Rect railEntrySquare(int index);

// The largest scroll offset for content of `contentHeight` in a viewport of `viewportHeight`.
inline float maxScrollOffset(float contentHeight, float viewportHeight) {
  return contentHeight - viewportHeight > 0 ? contentHeight - viewportHeight : 0;
}

// The page's scroll bar for a client area `clientHeight` high. Not shown when the content
// overflows by half a DIP or less, or when the window leaves no room for a track.
struct ScrollBarGeometry {
  bool shown = false;
  float trackTop = 0;
  float trackHeight = 0;
  float thumbTop = 0;
  float thumbLength = 0;
};
ScrollBarGeometry scrollBarGeometry(float contentHeight, float viewportHeight, float clientHeight,
                                    float scrollOffset);

// The preview pane's width for the stored width and the width right of the rail: 280 to 900,
// and no more than half the available width while that half is above 280.
float previewPaneWidth(float storedWidth, float availableWidth);

}  // namespace tolzeb::ui
