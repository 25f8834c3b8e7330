#include "ui/app/frame.h"

#include <algorithm>
#include <array>
#include <string>

#include "ui/app/command_ids.h"
#include "ui/app/overlays.h"
#include "ui/app/page_painters.h"
#include "ui/app/preview_pane.h"
#include "ui/app/task_panel.h"
#include "ui/foundation/localisation.h"
#include "ui/foundation/widgets.h"

namespace tolzeb::ui {
namespace {

using i18n::translate;

constexpr float kWindowButtonWidth = 46;
constexpr float kSplitterWidth = 8;
constexpr float kMinimumPaneWidth = 280;
constexpr float kMaximumPaneWidth = 900;
constexpr float kRailEntryRadius = 12;


struct WindowButton {
  uint16_t id;
  Icon icon;
};

struct RailEntry {
  uint16_t id;
  Icon icon;
  Page page;
};
constexpr std::array<RailEntry, 7> kRailEntries = {{
    {1, Icon::Home, Page::Home},
    {2, Icon::Archive, Page::Compress},
    {3, Icon::Extract, Page::Extract},
    {4, Icon::TaskList, Page::Tasks},
    {5, Icon::Tools, Page::Tools},
    {6, Icon::Settings, Page::Settings},
    {7, Icon::Heart, Page::Support},
}};

struct ToolbarButton {
  uint16_t id;
  const char* key;
  Icon icon;
  ButtonStyle style;
};
constexpr std::array<ToolbarButton, 3> kToolbarButtons = {{
    {12, "toolbar.new_archive", Icon::Add, ButtonStyle::Primary},
    {13, "toolbar.open", Icon::Folder, ButtonStyle::Secondary},
    {14, "toolbar.extract", Icon::Extract, ButtonStyle::Secondary},
}};

// The viewer shows under the extract entry and the history under home: both are reached from
// those pages and have no entry of their own.
bool railEntrySelected(const RailEntry& entry, Page page) {
  if (entry.page == page) return true;
  if (entry.page == Page::Extract && page == Page::Viewer) return true;
  return entry.page == Page::Home && page == Page::History;
}

Color withAlpha(Color color, float alpha) {
  color.a = alpha;
  return color;
}

float paintPage(Canvas& canvas, const IconSet& icons, const PageState& state, Rect page, HitRegions& regions,
                FrameLayout& layout) {
  switch (state.page) {
    case Page::Compress:
      return paintCompressPage(canvas, icons, state, page, regions);
    case Page::Extract:
      return paintExtractPage(canvas, icons, state, page, regions);
    case Page::Viewer:
      return paintViewerPage(canvas, icons, state, page, regions);
    case Page::History:
      return paintHistoryPage(canvas, icons, state, page, regions);
    case Page::Tools:
      return paintToolsPage(canvas, icons, state, page, regions);
    case Page::Settings:
      return paintSettingsPage(canvas, icons, state, page, regions, layout.languageBox);
    case Page::Search:
      return paintSearchPage(canvas, icons, state, page, regions);
    case Page::Tasks:
      return paintTasksPage(canvas, icons, state, page, regions);
    case Page::Support:
      return paintSupportPage(canvas, icons, state, page, regions, layout.supportQr);
    case Page::Home:
      break;
  }
  return paintHomePage(canvas, icons, state, page, regions);
}

void paintScrollBar(Canvas& canvas, const PageState& state, const ScrollBarGeometry& bar, float right,
                    HitRegions& regions) {
  const Rect track{right - 16, bar.trackTop, right, bar.trackTop + bar.trackHeight};
  const bool active = state.pressedId == command_ids::kScrollBar || state.hoverId == command_ids::kScrollBar;
  float thumbWidth = 5;
  float alpha = 0.22f;
  if (active) {
    canvas.fillRoundedRect(track, 3, withAlpha(palette::textPrimary, 0.05f));
    thumbWidth = 8;
    alpha = 0.42f;
  }
  canvas.fillRoundedRect({right - 4 - thumbWidth, bar.thumbTop, right - 4, bar.thumbTop + bar.thumbLength},
                         thumbWidth / 2, withAlpha(palette::textPrimary, alpha));
  addHitRegion(regions, track, command_ids::kScrollBar, -1, false);
}

}  // namespace

Rect railEntrySquare(int index) {
  const float top = 80 + 64 * static_cast<float>(index);
  return {19, top, 67, top + 48};
}

ScrollBarGeometry scrollBarGeometry(float contentHeight, float viewportHeight, float clientHeight, float scrollOffset) {
  ScrollBarGeometry bar;
  const float maxOffset = maxScrollOffset(contentHeight, viewportHeight);
  if (maxOffset <= 0.5f) return bar;
  bar.trackTop = kScrollTrackTop;
  bar.trackHeight = clientHeight - kScrollTrackInset;
  if (bar.trackHeight <= 0) return bar;
  bar.thumbLength = contentHeight > 0
                        ? std::min(bar.trackHeight, std::max(40.0f, viewportHeight / contentHeight * bar.trackHeight))
                        : bar.trackHeight;
  const float offset = std::max(0.0f, std::min(scrollOffset, maxOffset));
  bar.thumbTop = bar.trackTop + offset / maxOffset * (bar.trackHeight - bar.thumbLength);
  bar.shown = true;
  return bar;
}

float previewPaneWidth(float storedWidth, float availableWidth) {
  const float halfLimit = std::max(kMinimumPaneWidth, std::min(kMaximumPaneWidth, availableWidth * 0.5f));
  return std::max(kMinimumPaneWidth, std::min(storedWidth, halfLimit));
}

void paintFrame(FrameLayout& layout, Canvas& canvas, const IconSet& icons, const PageState& state, HitRegions& regions,
                Size client) {
  regions.clear();
  const float width = client.width;
  const float height = client.height;
  if (width <= 0 || height <= 0) return;

  canvas.fillRect({0, 0, width, height}, frame_colors::windowBackground);
  paintTitleBar(canvas, icons, state, width, regions);
  const size_t windowButtonRegions = regions.size();
  paintNavigation(canvas, icons, state, height, regions);

  const Rect band{kRailWidth, kCaptionHeight, width, kPageTop};
  canvas.fillRect(band, palette::white);
  canvas.drawLine({kRailWidth, kPageTop}, {width, kPageTop}, palette::divider, 1);
  paintToolbar(canvas, icons, state, band, regions);

  Rect page{kRailWidth, kPageTop, width, height};
  layout.viewportHeight = height - kPageTop;
  const bool paneShown = state.page == Page::Viewer && state.previewPaneShown;
  Rect pane;
  Rect splitter;
  if (paneShown) {
    const float paneWidth = previewPaneWidth(state.previewPaneWidth, width - kRailWidth);
    pane = {width - paneWidth, kPageTop, width, height};
    splitter = {pane.left - kSplitterWidth, kPageTop, pane.left, height};
    page.right = splitter.left;
  }

  canvas.pushClip(page);
  layout.contentHeight = paintPage(canvas, icons, state, page, regions, layout);
  const ScrollBarGeometry bar =
      scrollBarGeometry(layout.contentHeight, layout.viewportHeight, height, state.scrollOffset);
  layout.scrollBarShown = bar.shown;
  layout.trackTop = bar.trackTop;
  layout.trackHeight = bar.trackHeight;
  layout.thumbTop = bar.thumbTop;
  layout.thumbLength = bar.thumbLength;
  if (bar.shown) paintScrollBar(canvas, state, bar, page.right, regions);
  canvas.popClip();

  if (paneShown) {
    drawPreviewSplitter(canvas, state, splitter, regions);
    drawPreviewPane(canvas, icons, state, pane, regions);
  }

  // The list and the panel are modal: only their own controls and the window buttons respond.
  const Rect area{kRailWidth, kPageTop, width, height};
  if (state.languageListOpen && state.page == Page::Settings) {
    regions.resize(windowButtonRegions);
    paintLanguageList(canvas, icons, state, layout.languageBox, area, regions);
  }
  if (state.taskPanelShown) {
    regions.resize(windowButtonRegions);
    paintTaskPanel(canvas, icons, state, area, regions);
  }
}

void paintTitleBar(Canvas& canvas, const IconSet& icons, const PageState& state, float width, HitRegions& regions) {
  canvas.fillRect({0, 0, width, kCaptionHeight}, palette::brandRed);
  if (!canvas.drawProgramIcon({14, 7, 48, 41})) {
    canvas.drawIcon(icons, Icon::Archive, {18, 10, 46, 38}, palette::white, 26);
  }
  canvas.drawText(translate("app.name"), TextStyle::WindowTitle, {54, 11, 260, 40}, palette::white, TextAlign::Leading);

  const std::array<WindowButton, 3> buttons = {{
      {15, Icon::Minimize},
      {16, state.maximized ? Icon::Restore : Icon::Maximize},
      {17, Icon::Close},
  }};
  float left = width - 3 * kWindowButtonWidth;
  for (const WindowButton& button : buttons) {
    const Rect rect{left, 0, left + kWindowButtonWidth, kCaptionHeight};
    if (state.hoverId == button.id) {
      canvas.fillRect(rect, button.id == 17 ? frame_colors::closeHover : palette::captionHover);
    }
    canvas.drawIcon(icons, button.icon, rect, palette::white, 20);
    addHitRegion(regions, rect, button.id, -1, true);
    left += kWindowButtonWidth;
  }
}

void paintNavigation(Canvas& canvas, const IconSet& icons, const PageState& state, float height, HitRegions& regions) {
  canvas.fillRect({0, kCaptionHeight, kRailWidth, height}, frame_colors::railBackground);
  canvas.drawLine({kRailWidth, kCaptionHeight}, {kRailWidth, height}, palette::divider, 1);

  for (size_t k = 0; k < kRailEntries.size(); ++k) {
    const RailEntry& entry = kRailEntries[k];
    const Rect square = railEntrySquare(static_cast<int>(k));
    const bool selected = railEntrySelected(entry, state.page);
    const bool support = entry.page == Page::Support;
    if (selected) {
      canvas.fillRoundedRect(square, kRailEntryRadius, palette::brandTint);
    } else if (state.hoverId == entry.id) {
      canvas.fillRoundedRect(square, kRailEntryRadius, palette::hoverOverlay);
    }
    const Color iconColor = selected ? palette::brandRed : support ? frame_colors::heartRed : palette::textPrimary;
    canvas.drawIcon(icons, entry.icon, square, iconColor, support ? 21 : 23);
    if (state.showFocus && state.focusId == entry.id) drawFocusRing(canvas, square, kRailEntryRadius);
    addHitRegion(regions, square, entry.id, -1, true);
  }
}

void paintToolbar(Canvas& canvas, const IconSet& icons, const PageState& state, Rect band, HitRegions& regions) {
  const float left = band.left;
  const float middle = band.centreY();

  // Laid out from the right: the extract button ends 28 from the edge, 10 between buttons.
  std::array<std::wstring, 3> labels;
  std::array<Rect, 3> rects;
  float right = band.right - 28;
  for (size_t i = kToolbarButtons.size(); i-- > 0;) {
    labels[i] = translate(kToolbarButtons[i].key);
    const float buttonWidth = textWidth(canvas, labels[i], TextStyle::BodyStrong) + 58;
    rects[i] = {right - buttonWidth, middle - 21, right, middle + 21};
    right = rects[i].left - 10;
  }

  const bool hasQuery = !state.searchQuery.text.empty();
  float fieldEnd = std::max(rects[0].left - 18, left + 148);
  if (hasQuery) fieldEnd -= 34;
  const Interaction interaction = state.interaction();
  drawTextField(canvas, interaction, regions, {left + 64, middle - 21, fieldEnd, middle + 21}, state.searchQuery,
                command_ids::kSearchField, translate("toolbar.search_placeholder"));
  canvas.drawIcon(icons, Icon::Search, {left + 32, middle - 21, left + 60, middle + 21}, palette::textSecondary, 19);

  if (hasQuery) {
    const Rect clear{fieldEnd, middle - 15, fieldEnd + 28, middle + 15};
    const bool hovered = state.hoverId == command_ids::kClearSearch;
    if (hovered) canvas.fillRoundedRect(clear, 6, palette::hoverOverlay);
    canvas.drawIcon(icons, Icon::Close, clear, hovered ? palette::brandRed : palette::textSecondary, 14);
    addHitRegion(regions, clear, command_ids::kClearSearch, -1, true);
  }

  for (size_t i = 0; i < kToolbarButtons.size(); ++i) {
    const ToolbarButton& button = kToolbarButtons[i];
    drawButton(canvas, icons, interaction, regions, rects[i], labels[i], button.id, button.style, button.icon, true);
  }
}

}  // namespace tolzeb::ui
