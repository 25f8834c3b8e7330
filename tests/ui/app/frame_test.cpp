#include "ui/app/frame.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <vector>

#include "ui/app/overlays.h"
#include "ui/app/page_painters.h"
#include "ui/foundation/catalogue_source.h"
#include "ui/foundation/i18n_test_support.h"
#include "ui/foundation/icon_set.h"
#include "ui/foundation/recording_canvas.h"

namespace tolzeb::ui {
namespace {

using Kind = DrawCall::Kind;

constexpr float kWidth = 1204;
constexpr float kHeight = 816;
// The recording canvas advances BodyStrong (15) text 7.5 DIPs per unit.
constexpr float kBodyStrongAdvance = 7.5f;

std::shared_ptr<const i18n::Catalog> shippedEnglish() {
  std::shared_ptr<const i18n::Catalog> english = i18n::loadCatalog(L"en-US");
  EXPECT_TRUE(english);
  return english;
}

class Frame : public ::testing::Test {
 protected:
  void paint(Size client = {kWidth, kHeight}) {
    canvas.clearCalls();
    paintFrame(layout, canvas, icons, state, regions, client);
  }

  std::vector<uint16_t> commands() const {
    std::vector<uint16_t> ids;
    for (const HitRegion& region : regions) ids.push_back(region.command);
    return ids;
  }
  const HitRegion* region(uint16_t command) const {
    for (const HitRegion& r : regions) {
      if (r.command == command) return &r;
    }
    return nullptr;
  }
  std::vector<DrawCall> callsOf(Kind kind) const {
    std::vector<DrawCall> found;
    for (const DrawCall& call : canvas.calls()) {
      if (call.kind == kind) found.push_back(call);
    }
    return found;
  }
  std::vector<DrawCall> fillsAt(Rect rect) const {
    std::vector<DrawCall> found;
    for (const DrawCall& call : canvas.calls()) {
      if ((call.kind == Kind::FillRect || call.kind == Kind::FillRoundedRect) && call.rect == rect) {
        found.push_back(call);
      }
    }
    return found;
  }
  std::optional<DrawCall> iconIn(Rect rect) const {
    for (const DrawCall& call : callsOf(Kind::Icon)) {
      if (call.rect == rect) return call;
    }
    return std::nullopt;
  }
  bool drewText(const std::wstring& text) const {
    for (const DrawCall& call : callsOf(Kind::Text)) {
      if (call.text == text) return true;
    }
    return false;
  }

  // No override files: every shipped language has its catalogue, as in an installed program.
  i18n::testing::ProgramFolder programFolder;
  i18n::testing::StateGuard language{shippedEnglish(), nullptr, &i18n::englishLanguage()};
  RecordingCanvas canvas;
  IconSet icons;
  PageState state;
  FrameLayout layout;
  HitRegions regions;
};

TEST_F(Frame, RegionsOfTheChromeInOrder) {
  paint();
  // The page's own regions follow the chrome's.
  const std::vector<uint16_t> expected = {15, 16, 17, 1, 2, 3, 4, 5, 6, 7, 8, 12, 13, 14};
  std::vector<uint16_t> chrome = commands();
  ASSERT_GE(chrome.size(), expected.size());
  chrome.resize(expected.size());
  ASSERT_EQ(chrome, expected);

  for (int i = 0; i < 3; ++i) {
    const float left = kWidth - 138 + 46 * i;
    EXPECT_EQ(regions[i].rect(), (Rect{left, 0, left + 46, 48})) << i;
  }
  for (int k = 0; k < 7; ++k) {
    const Rect square{19, 80.0f + 64 * k, 67, 128.0f + 64 * k};
    EXPECT_EQ(railEntrySquare(k), square);
    EXPECT_EQ(regions[3 + k].rect(), square) << k;
  }
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(regions[i].argument, -1) << regions[i].command;
    EXPECT_TRUE(regions[i].focusable) << regions[i].command;
  }

  // "Extract", "Open", "New Archive": label width + 58 each, 28 from the right, 10 apart.
  const float extractLeft = kWidth - 28 - (7 * kBodyStrongAdvance + 58);
  const float openLeft = extractLeft - 10 - (4 * kBodyStrongAdvance + 58);
  const float newLeft = openLeft - 10 - (11 * kBodyStrongAdvance + 58);
  EXPECT_EQ(region(14)->rect(), (Rect{extractLeft, 64, kWidth - 28, 106}));
  EXPECT_EQ(region(13)->rect(), (Rect{openLeft, 64, extractLeft - 10, 106}));
  EXPECT_EQ(region(12)->rect(), (Rect{newLeft, 64, openLeft - 10, 106}));
  EXPECT_EQ(region(8)->rect(), (Rect{86 + 64, 64, newLeft - 18, 106}));

  EXPECT_TRUE(drewText(L"TOLZEB"));
  EXPECT_TRUE(drewText(L"New Archive"));
  EXPECT_TRUE(drewText(L"Search your archives and what is inside them"));
}

TEST_F(Frame, LayersAreDrawnBackToFront) {
  paint();
  const std::vector<DrawCall>& calls = canvas.calls();
  ASSERT_GE(calls.size(), 4u);
  EXPECT_EQ(calls[0].kind, Kind::FillRect);
  EXPECT_EQ(calls[0].rect, (Rect{0, 0, kWidth, kHeight}));
  EXPECT_EQ(calls[0].color, frame_colors::windowBackground);
  EXPECT_EQ(calls[1].rect, (Rect{0, 0, kWidth, 48}));
  EXPECT_EQ(calls[1].color, palette::brandRed);
  EXPECT_EQ(calls[2].kind, Kind::ProgramIcon);
  EXPECT_EQ(calls[2].rect, (Rect{14, 7, 48, 41}));

  const auto rail = fillsAt({0, 48, 86, kHeight});
  ASSERT_EQ(rail.size(), 1u);
  EXPECT_EQ(rail[0].color, frame_colors::railBackground);
  const auto band = fillsAt({86, 48, kWidth, 122});
  ASSERT_EQ(band.size(), 1u);
  EXPECT_EQ(band[0].color, palette::white);

  // The page is painted under a clip of the page area, and only the page.
  const auto pageClip = std::find_if(calls.begin(), calls.end(), [](const DrawCall& call) {
    return call.kind == Kind::PushClip && call.rect == Rect{86, 122, kWidth, kHeight};
  });
  ASSERT_NE(pageClip, calls.end());
  const auto title =
      std::find_if(calls.begin(), calls.end(), [](const DrawCall& call) { return call.text == L"Welcome to "; });
  ASSERT_NE(title, calls.end());
  EXPECT_GT(title, pageClip);
  EXPECT_EQ(calls.back().kind, Kind::PopClip);
}

TEST_F(Frame, ZeroSizedWindowDrawsNothingAndLeavesNoRegion) {
  for (Size client : {Size{0, kHeight}, Size{kWidth, 0}, Size{-3, 200}, Size{0, 0}}) {
    paint();
    ASSERT_FALSE(regions.empty());
    paint(client);
    EXPECT_TRUE(canvas.calls().empty()) << client.width << " x " << client.height;
    EXPECT_TRUE(regions.empty()) << client.width << " x " << client.height;
  }
}

TEST_F(Frame, ProgramIconFallsBackToTheArchiveIcon) {
  canvas.setProgramIconAvailable(false);
  paint();
  const auto icon = iconIn({18, 10, 46, 38});
  ASSERT_TRUE(icon);
  EXPECT_EQ(icon->icon, Icon::Archive);
  EXPECT_EQ(icon->size, 26);
  EXPECT_EQ(icon->color, palette::white);
}

TEST_F(Frame, MiddleWindowButtonShowsRestoreWhileMaximised) {
  const Rect middle{kWidth - 92, 0, kWidth - 46, 48};
  for (bool maximized : {false, true}) {
    state.maximized = maximized;
    paint();
    const auto icon = iconIn(middle);
    ASSERT_TRUE(icon);
    EXPECT_EQ(icon->icon, maximized ? Icon::Restore : Icon::Maximize);
    EXPECT_EQ(icon->size, 20);
  }
  EXPECT_EQ(iconIn({kWidth - 138, 0, kWidth - 92, 48})->icon, Icon::Minimize);
  EXPECT_EQ(iconIn({kWidth - 46, 0, kWidth, 48})->icon, Icon::Close);
}

TEST_F(Frame, SelectedRailEntryByPage) {
  struct {
    Page page;
    int selected;  // -1: none
  } cases[] = {
      {Page::Home, 0},    {Page::Compress, 1}, {Page::Extract, 2},  {Page::Viewer, 2},
      {Page::History, 0}, {Page::Tools, 4},    {Page::Settings, 5}, {Page::Search, -1},
      {Page::Tasks, 3},   {Page::Support, 6},  {Page(42), -1},  // an unknown page shows the home page, under no entry
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.page));
    state.page = c.page;
    paint();
    for (int k = 0; k < 7; ++k) {
      const Rect square = railEntrySquare(k);
      const auto fills = fillsAt(square);
      const auto icon = iconIn(square);
      ASSERT_TRUE(icon) << k;
      if (k == c.selected) {
        ASSERT_EQ(fills.size(), 1u) << k;
        EXPECT_EQ(fills[0].color, palette::brandTint);
        EXPECT_EQ(fills[0].radius, 12);
        EXPECT_EQ(icon->color, palette::brandRed) << k;
      } else {
        EXPECT_TRUE(fills.empty()) << k;
        EXPECT_EQ(icon->color, k == 6 ? frame_colors::heartRed : palette::textPrimary) << k;
      }
      EXPECT_EQ(icon->size, k == 6 ? 21 : 23) << k;
    }
  }
}

TEST_F(Frame, HoverFills) {
  struct {
    const char* name;
    uint16_t hoverId;
    Rect rect;
    Color fill;
  } cases[] = {
      {"minimise", 15, {kWidth - 138, 0, kWidth - 92, 48}, palette::captionHover},
      {"maximise", 16, {kWidth - 92, 0, kWidth - 46, 48}, palette::captionHover},
      {"close", 17, {kWidth - 46, 0, kWidth, 48}, frame_colors::closeHover},
      {"rail compress", 2, railEntrySquare(1), palette::hoverOverlay},
      {"rail support", 7, railEntrySquare(6), palette::hoverOverlay},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    state.hoverId = c.hoverId;
    paint();
    const auto fills = fillsAt(c.rect);
    ASSERT_EQ(fills.size(), 1u);
    EXPECT_EQ(fills[0].color, c.fill);
  }

  // The selected entry keeps its tint when hovered; nothing else is filled there.
  state.page = Page::Home;
  state.hoverId = 1;
  paint();
  const auto fills = fillsAt(railEntrySquare(0));
  ASSERT_EQ(fills.size(), 1u);
  EXPECT_EQ(fills[0].color, palette::brandTint);

  state.hoverId = 0;
  paint();
  for (int i = 0; i < 3; ++i) {
    const float left = kWidth - 138 + 46 * i;
    EXPECT_TRUE(fillsAt({left, 0, left + 46, 48}).empty()) << i;
  }
}

TEST_F(Frame, FocusRingOnlyOnTheFocusedEntryWhileShown) {
  const auto ringAround = [&](Rect square) {
    const auto outlines = callsOf(Kind::DrawRoundedRect);
    return std::count_if(outlines.begin(), outlines.end(),
                         [&](const DrawCall& call) { return call.rect == square.grown(2) && call.radius == 14; });
  };
  state.focusId = 3;
  paint();
  EXPECT_EQ(ringAround(railEntrySquare(2)), 0);
  state.showFocus = true;
  paint();
  for (int k = 0; k < 7; ++k) EXPECT_EQ(ringAround(railEntrySquare(k)), k == 2 ? 1 : 0) << k;
}

TEST_F(Frame, SearchTextNarrowsTheFieldForTheClearButton) {
  paint();
  const float emptyEnd = region(8)->right;
  state.searchQuery.text = L"report";
  paint();
  const std::vector<uint16_t> expected = {15, 16, 17, 1, 2, 3, 4, 5, 6, 7, 8, 9, 12, 13, 14};
  std::vector<uint16_t> chrome = commands();
  ASSERT_GE(chrome.size(), expected.size());
  chrome.resize(expected.size());
  ASSERT_EQ(chrome, expected);
  const float end = emptyEnd - 34;
  EXPECT_EQ(region(8)->right, end);
  EXPECT_EQ(region(9)->rect(), (Rect{end, 70, end + 28, 100}));
  EXPECT_EQ(iconIn(region(9)->rect())->color, palette::textSecondary);
  EXPECT_TRUE(fillsAt(region(9)->rect()).empty());

  state.hoverId = 9;
  paint();
  EXPECT_EQ(iconIn(region(9)->rect())->color, palette::brandRed);
  const auto fills = fillsAt(region(9)->rect());
  ASSERT_EQ(fills.size(), 1u);
  EXPECT_EQ(fills[0].color, palette::hoverOverlay);
}

TEST_F(Frame, SearchFieldKeepsItsMinimumInANarrowWindow) {
  paint({400, kHeight});
  EXPECT_EQ(region(8)->rect(), (Rect{150, 64, 86 + 148, 106}));
}

TEST(ScrollBarGeometry, ShownOnlyWhenTheContentOverflows) {
  struct {
    float content, viewport, client;
    bool shown;
  } cases[] = {
      {0, 694, 816, false},  {694, 694, 816, false}, {694.5f, 694, 816, false},
      {695, 694, 816, true}, {5000, 694, 816, true}, {500, 8, 130, false},  // a window too short for a track
      {500, 12, 134, false}, {500, 13, 135, true},
  };
  for (const auto& c : cases) {
    const ScrollBarGeometry bar = scrollBarGeometry(c.content, c.viewport, c.client, 0);
    EXPECT_EQ(bar.shown, c.shown) << c.content << " in " << c.viewport;
  }
}

TEST(ScrollBarGeometry, ThumbFollowsTheOffset) {
  // Twice the viewport: the thumb is half the 682-DIP track and travels the other half.
  struct {
    float content, offset, thumbTop, thumbLength;
  } cases[] = {
      {1388, 0, 128, 341},
      {1388, 347, 128 + 170.5f, 341},
      {1388, 694, 469, 341},
      {1388, 5000, 469, 341},
      {1388, -20, 128, 341},
      {100000, 0, 128, 40},  // never shorter than 40
      {100000, 100000 - 694, 128 + 682 - 40, 40},
  };
  for (const auto& c : cases) {
    const ScrollBarGeometry bar = scrollBarGeometry(c.content, 694, 816, c.offset);
    ASSERT_TRUE(bar.shown);
    EXPECT_EQ(bar.trackTop, 128);
    EXPECT_EQ(bar.trackHeight, 816 - 134);
    EXPECT_FLOAT_EQ(bar.thumbTop, c.thumbTop) << c.content << " at " << c.offset;
    EXPECT_FLOAT_EQ(bar.thumbLength, c.thumbLength) << c.content << " at " << c.offset;
  }
}

TEST_F(Frame, ContentThatFitsHasNoScrollBar) {
  // Tall enough for the home page.
  constexpr float kTallHeight = 1200;
  paint({kWidth, kTallHeight});
  EXPECT_GT(layout.contentHeight, 0);
  EXPECT_EQ(layout.viewportHeight, kTallHeight - 122);
  EXPECT_FALSE(layout.scrollBarShown);
  EXPECT_EQ(region(118), nullptr);
}

// The placeholder pages are about 115 DIPs high, so a window 150 high overflows.
TEST_F(Frame, ScrollBarOfAnOverflowingPage) {
  constexpr float kShortHeight = 150;
  for (bool active : {false, true}) {
    SCOPED_TRACE(active);
    state.hoverId = active ? 118 : 0;
    state.scrollOffset = 1000;
    paint({kWidth, kShortHeight});
    ASSERT_TRUE(layout.scrollBarShown);
    EXPECT_EQ(layout.viewportHeight, 28);
    const ScrollBarGeometry expected =
        scrollBarGeometry(layout.contentHeight, layout.viewportHeight, kShortHeight, state.scrollOffset);
    EXPECT_EQ(layout.trackTop, 128);
    EXPECT_EQ(layout.trackHeight, 16);
    EXPECT_EQ(layout.thumbTop, expected.thumbTop);
    EXPECT_EQ(layout.thumbLength, expected.thumbLength);

    ASSERT_EQ(regions.back().command, 118);
    EXPECT_EQ(regions.back().rect(), (Rect{kWidth - 16, 128, kWidth, 144}));
    EXPECT_FALSE(regions.back().focusable);

    const float width = active ? 8 : 5;
    const auto thumb =
        fillsAt({kWidth - 4 - width, expected.thumbTop, kWidth - 4, expected.thumbTop + expected.thumbLength});
    ASSERT_EQ(thumb.size(), 1u);
    EXPECT_EQ(thumb[0].radius, width / 2);
    EXPECT_FLOAT_EQ(thumb[0].color.a, active ? 0.42f : 0.22f);
    EXPECT_EQ(fillsAt({kWidth - 16, 128, kWidth, 144}).size(), active ? 1u : 0u);
  }
}

TEST_F(Frame, ContentHeightDoesNotDependOnTheScrollOffset) {
  for (int page = 0; page < kPageCount; ++page) {
    state.page = Page(page);
    state.scrollOffset = 0;
    paint({kWidth, 150});
    const float unscrolled = layout.contentHeight;
    state.scrollOffset = 40;
    paint({kWidth, 150});
    EXPECT_EQ(layout.contentHeight, unscrolled) << page;
  }
}

TEST(PreviewPaneWidth, StaysWithinItsLimits) {
  struct {
    float stored, available, width;
  } cases[] = {
      {1000, 2400, 900}, {380, 500, 280}, {380, 1118, 380}, {200, 1118, 280}, {700, 1118, 559}, {900, 100, 280},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(previewPaneWidth(c.stored, c.available), c.width) << c.stored << " in " << c.available;
  }
}

TEST_F(Frame, ViewerPaneNarrowsThePageArea) {
  constexpr float kPane = 380;
  constexpr float kPageRight = kWidth - kPane - 8;
  state.page = Page::Viewer;
  paint({kWidth, 150});
  ASSERT_NE(std::find_if(canvas.calls().begin(), canvas.calls().end(),
                         [](const DrawCall& call) {
                           return call.kind == Kind::PushClip && call.rect == Rect{86, 122, kPageRight, 150};
                         }),
            canvas.calls().end());
  // The scroll bar at the narrowed edge, then the splitter, then the pane's own controls.
  const auto splitterAt = std::find_if(regions.begin(), regions.end(),
                                       [](const HitRegion& r) { return r.command == 67; });
  ASSERT_NE(splitterAt, regions.end());
  ASSERT_NE(splitterAt, regions.begin());
  const HitRegion& bar = *(splitterAt - 1);
  const HitRegion& splitter = *splitterAt;
  EXPECT_EQ(bar.command, 118);
  EXPECT_EQ(bar.rect(), (Rect{kPageRight - 16, 128, kPageRight, 144}));
  EXPECT_EQ(splitter.command, 67);
  EXPECT_EQ(splitter.rect(), (Rect{kPageRight, 122, kWidth - kPane, 150}));
  EXPECT_EQ(splitter.argument, -1);
  EXPECT_FALSE(splitter.focusable);
  const auto pane = fillsAt({kWidth - kPane, 122, kWidth, 150});
  ASSERT_EQ(pane.size(), 1u);
  EXPECT_EQ(pane[0].color, palette::white);

  // Hidden pane, or another page: the page reaches the window's edge and there is no splitter.
  for (auto [page, shown] : {std::pair{Page::Viewer, false}, std::pair{Page::Extract, true}}) {
    state.page = page;
    state.previewPaneShown = shown;
    paint({kWidth, 150});
    EXPECT_EQ(region(67), nullptr);
    EXPECT_EQ(region(118)->right, kWidth);
  }
}

TEST_F(Frame, LanguageListIsModalOnTheSettingsPage) {
  state.page = Page::Settings;
  state.languageListOpen = true;
  state.languageListFirstRow = 3;
  paint();
  std::vector<uint16_t> expected = {15, 16, 17};
  for (int i = 0; i < kLanguageListVisibleRows; ++i) expected.push_back(103);
  expected.push_back(0);
  expected.push_back(104);
  ASSERT_EQ(commands(), expected);
  for (int i = 0; i < kLanguageListVisibleRows; ++i) {
    EXPECT_EQ(regions[3 + i].argument, 3 + i);
    EXPECT_EQ(regions[3 + i].rect().height(), 38);
  }
  EXPECT_EQ(regions.back().rect(), (Rect{86, 122, kWidth, kHeight}));
  const Rect box = languageListBox(layout.languageBox, {86, 122, kWidth, kHeight});
  EXPECT_EQ(regions[regions.size() - 2].rect(), box);
  EXPECT_EQ(regions[3].top, box.top + 8);

  // The list belongs to the settings page only.
  state.page = Page::Home;
  paint();
  EXPECT_EQ(region(103), nullptr);
  EXPECT_NE(region(1), nullptr);
}

TEST_F(Frame, LanguageListShowsElevenRowsFromTheClampedFirstRow) {
  state.page = Page::Settings;
  state.languageListOpen = true;
  state.languageListFirstRow = 25;
  paint();
  std::vector<int32_t> rows;
  for (const HitRegion& r : regions) {
    if (r.command == 103) rows.push_back(r.argument);
  }
  const std::vector<int32_t> expected = {17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27};
  EXPECT_EQ(rows, expected);
  EXPECT_TRUE(drewText(L"Tiếng Việt"));
  const auto texts = callsOf(Kind::Text);
  EXPECT_EQ(std::count_if(texts.begin(), texts.end(),
                          [](const DrawCall& call) { return call.text == L"English (United States)"; }),
            1)
      << "only the page's language box under the list, no row 0";
}

TEST(LanguageListBox, OpensBelowAboveOrPinned) {
  const Rect area{86, 122, 1204, 816};
  struct {
    const char* name;
    Rect languageBox;
    Rect area;
    Rect expected;
  } cases[] = {
      {"below", {200, 200, 480, 240}, area, {200, 246, 560, 680}},
      {"above", {200, 700, 480, 740}, area, {200, 260, 560, 694}},
      {"pinned above the bottom", {200, 300, 480, 340}, {86, 122, 1204, 600}, {200, 154, 560, 588}},
      {"window shorter than the list", {200, 300, 480, 340}, {86, 122, 1204, 400}, {200, 134, 560, 568}},
      {"moved left", {1000, 200, 1200, 240}, area, {832, 246, 1192, 680}},
      {"moved left, not past the area", {1000, 200, 1200, 240}, {86, 122, 400, 816}, {98, 246, 458, 680}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(languageListBox(c.languageBox, c.area), c.expected) << c.name;
  }
}

TEST_F(Frame, TaskPanelIsModal) {
  struct {
    const char* name;
    bool active, succeeded;
    std::vector<uint16_t> buttons;
    float height;
    std::wstring headline;
  } cases[] = {
      {"running", true, false, {119, 122, 123}, 286, L"Creating archive"},
      {"done", false, true, {120, 121}, 232, L"Archive created"},
      {"failed", false, false, {120}, 232, L"Could not create the archive"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    state.taskPanelShown = true;
    state.taskProgress.kind = 1;
    state.taskProgress.active = c.active;
    state.taskProgress.finished = !c.active;
    state.taskProgress.succeeded = c.succeeded;
    paint();
    std::vector<uint16_t> expected = {15, 16, 17};
    expected.insert(expected.end(), c.buttons.begin(), c.buttons.end());
    ASSERT_EQ(commands(), expected);
    EXPECT_EQ(regions[3].rect().height(), 42);
    EXPECT_TRUE(drewText(c.headline));
    // The panel, 560 wide, centred in the page area.
    const float centreX = (86 + kWidth) / 2;
    const float centreY = (122 + kHeight) / 2;
    EXPECT_EQ(fillsAt({centreX - 280, centreY - c.height / 2, centreX + 280, centreY + c.height / 2}).size(), 1u);
  }

  // Over an open language list, the panel still leaves only its own controls.
  state.page = Page::Settings;
  state.languageListOpen = true;
  state.taskProgress.succeeded = false;
  paint();
  const std::vector<uint16_t> expected = {15, 16, 17, 120};
  EXPECT_EQ(commands(), expected);
}

TEST(PageColumn, InsetAndMinimumWidth) {
  struct {
    Rect page;
    float offset, minimum;
    PageColumn expected;
  } cases[] = {
      {{86, 122, 1204, 816}, 0, 420, {114, 1176, 146}},
      {{86, 122, 1204, 816}, 100, 420, {114, 1176, 46}},
      {{86, 122, 400, 816}, 0, 420, {114, 534, 146}},
      {{86, 122, 400, 816}, 0, 0, {114, 372, 146}},
  };
  for (const auto& c : cases) {
    const PageColumn column = pageColumn(c.page, c.offset, c.minimum);
    EXPECT_EQ(column.left, c.expected.left);
    EXPECT_EQ(column.right, c.expected.right);
    EXPECT_EQ(column.top, c.expected.top);
  }
}

TEST_F(Frame, HomeTitleNamesTheProgramInTheAccentColour) {
  paint();
  const auto texts = callsOf(Kind::Text);
  const auto name = std::find_if(texts.begin(), texts.end(), [](const DrawCall& call) {
    return call.text == L"TOLZEB" && call.style == TextStyle::PageTitle;
  });
  ASSERT_NE(name, texts.end());
  EXPECT_EQ(name->color, palette::brandRed);
  EXPECT_EQ(name->rect.left, 114 + 11 * 38 * 0.5f);  // after "Welcome to "
  EXPECT_TRUE(drewText(L"A simple, fast, and secure archive tool for everyday use."));
}

}  // namespace
}  // namespace tolzeb::ui
