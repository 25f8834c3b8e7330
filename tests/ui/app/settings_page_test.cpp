#include "ui/app/settings_page.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "engine/pipeline/processor_count.h"
#include "page_paint_fixture.h"
#include "support/temp_folder.h"
#include "ui/app/menu_switches.h"
#include "ui/app/page_painters.h"
#include "ui/foundation/app_data.h"
#include "ui/foundation/format.h"
#include "ui/foundation/palette.h"

namespace tolzeb::ui {
namespace {

using testing::kColumnLeft;
using testing::kColumnRight;
using testing::kColumnTop;
using Kind = DrawCall::Kind;

using testing::L;
using testing::R;
constexpr float kFirstCardTop = kColumnTop + 94;
constexpr float kCardHeights[] = {172, 380, 296, 240, 438, 214, 152, 128};

Rect languageBoxOut;
float paintWithLanguageBox(Canvas& canvas, const IconSet& icons, const PageState& state, Rect page,
                           HitRegions& regions) {
  return paintSettingsPage(canvas, icons, state, page, regions, languageBoxOut);
}

class SettingsPage : public testing::PagePaintTest {
 protected:
  SettingsPage() : PagePaintTest(paintWithLanguageBox) { setLocalAppDataForTesting(folder.path()); }
  ~SettingsPage() override { setLocalAppDataForTesting(std::nullopt); }

  bool has(uint16_t command) const {
    for (const HitRegion& r : regions)
      if (r.command == command) return true;
    return false;
  }
  // The argument of the segment of `command` drawn filled in the accent colour; -1 when none is.
  int32_t selectedSegment(uint16_t command) const {
    int32_t found = -1;
    for (const HitRegion& r : regions) {
      if (r.command != command) continue;
      for (const DrawCall& call : callsOf(Kind::FillRoundedRect)) {
        if (call.rect == r.rect() && call.color == palette::brandRed) {
          EXPECT_EQ(found, -1) << "two segments selected in row " << command;
          found = r.argument;
        }
      }
    }
    return found;
  }
  float cardTop(size_t card) const {
    float top = kFirstCardTop;
    for (size_t k = 0; k < card; ++k) top += kCardHeights[k] + 18;
    return top;
  }

  tolzeb::testing::TempFolder folder;
};

TEST_F(SettingsPage, CardsFollowEachOtherAndTheHeightEndsBelowTheLast) {
  const float height = paint();
  const std::vector<Rect> found = cards();
  ASSERT_EQ(found.size(), std::size(kCardHeights));
  for (size_t k = 0; k < found.size(); ++k) {
    SCOPED_TRACE(k);
    EXPECT_EQ(found[k], (Rect{L, cardTop(k), R, cardTop(k) + kCardHeights[k]}));
  }
  EXPECT_EQ(height, found.back().bottom + 24 - kColumnTop + 24);
  EXPECT_EQ(languageBoxOut, (Rect{L + 22, kFirstCardTop + 84, L + 302, kFirstCardTop + 124}));

  // Scrolling moves everything but never changes the height.
  state.scrollOffset = 300;
  EXPECT_EQ(paint(), height);
  EXPECT_EQ(cards().front().top, kFirstCardTop - 300);
  EXPECT_EQ(languageBoxOut.top, kFirstCardTop + 84 - 300);
}

TEST_F(SettingsPage, ControlsOfEachIntegrationState) {
  struct {
    const char* name;
    std::function<void(PageState&)> setup;
    std::vector<uint16_t> present;
    std::vector<uint16_t> absent;
  } cases[] = {
      {"nothing installed or registered", [](PageState&) {}, {108, 110, 111, 112, 113, 114, 115, 106}, {109, 107}},
      {"package installed", [](PageState& s) { s.packageState = 1; }, {108, 109, 110, 111, 112, 115}, {}},
      {"package needs an update", [](PageState& s) { s.packageState = 2; }, {108, 109, 110}, {}},
      {"package state unreadable", [](PageState& s) { s.packageState = 4; }, {108, 110, 111}, {109}},
      {"unsupported Windows",
       [](PageState& s) { s.packageState = 3; },
       {110, 106},
       {108, 109, 111, 112, 113, 114, 115}},
      {"whole menu switched off", [](PageState& s) { menuSwitch(s.menuSettings, 0) = false; }, {111, 108}, {112, 113, 114, 115}},
      {"one command switched off keeps its box", [](PageState& s) { menuSwitch(s.menuSettings, 2) = false; }, {111, 113}, {}},
      {"registered", [](PageState& s) { s.association.extensionPointsHere = true; }, {106, 107}, {}},
      {"only our verbs are left, another program owns .zeb",
       [](PageState& s) { s.association.entriesPresent = true; },
       {106, 107},
       {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    state = PageState{};
    c.setup(state);
    paint();
    for (uint16_t id : c.present) EXPECT_TRUE(has(id)) << id;
    for (uint16_t id : c.absent) EXPECT_FALSE(has(id)) << id;
    for (uint16_t id : {90, 91, 92, 93, 94, 95, 96, 97, 98, 99, 100, 101, 102, 105}) EXPECT_TRUE(has(id)) << id;
  }
}

TEST_F(SettingsPage, StatusTextAndButtonLabelsFollowTheIntegrationState) {
  struct {
    uint8_t package;
    bool registered;
    std::wstring status;
    Color statusColour;
    std::wstring install, classic, note;
  } cases[] = {
      {0, false, L"Not installed", palette::textSecondary, L"Install integration", L"Register TOLZEB",
       L"TOLZEB is not registered for .zeb files yet."},
      {1, true, L"Installed", palette::brandRed, L"Reinstall integration", L"Re-register",
       L"TOLZEB opens .zeb files and has its entries in the classic right-click menu."},
      {2, false, L"Update required", palette::brandRed, L"Reinstall integration", L"Register TOLZEB",
       L"TOLZEB is not registered for .zeb files yet."},
      {3, false, L"Not available on this version of Windows", palette::textSecondary, L"Install integration",
       L"Register TOLZEB", L"TOLZEB is not registered for .zeb files yet."},
      {4, false, L"Error", palette::textSecondary, L"Install integration", L"Register TOLZEB",
       L"TOLZEB is not registered for .zeb files yet."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.package);
    state.packageState = c.package;
    state.association.extensionPointsHere = c.registered;
    paint();
    const auto status = text(c.status);
    ASSERT_TRUE(status);
    EXPECT_EQ(status->color, c.statusColour);
    EXPECT_EQ(status->style, TextStyle::BodyStrong);
    EXPECT_TRUE(drewText(c.install));
    EXPECT_TRUE(drewText(c.classic));
    EXPECT_TRUE(drewText(c.note));
    const bool unsupported = c.package == 3;
    EXPECT_EQ(drewText(i18n::translate("settings.explorer_note_unsupported")), unsupported);
    EXPECT_EQ(drewText(i18n::translate("settings.explorer_note_supported")), !unsupported);
  }
}

TEST_F(SettingsPage, StoredValuesSelectTheirSegmentsAndStrangeOnesTheDefaults) {
  struct {
    const char* name;
    std::function<void(Settings&)> setup;
    int32_t mode, threads, memory, block, overwrite;
  } cases[] = {
      {"defaults", [](Settings&) {}, 1, 0, 2, 3, 0},
      {"every last segment",
       [](Settings& s) {
         s.mode = 2;
         s.threads = 8;
         s.memoryBytes = 2147483648;
         s.chunkBytes = 4194304;
         s.overwrite = 2;
       },
       2, 4, 4, 4, 2},
      {"every first segment",
       [](Settings& s) {
         s.mode = 0;
         s.threads = 1;
         s.memoryBytes = 134217728;
         s.chunkBytes = 262144;
         s.overwrite = 1;
       },
       0, 1, 0, 0, 1},
      {"values from an edited file",
       [](Settings& s) {
         s.threads = 3;
         s.memoryBytes = 1000;
         s.chunkBytes = 3145728;
       },
       1, 0, 2, 3, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    state.settings = Settings{};
    c.setup(state.settings);
    paint();
    EXPECT_EQ(selectedSegment(90), c.mode);
    EXPECT_EQ(selectedSegment(93), c.threads);
    EXPECT_EQ(selectedSegment(94), c.memory);
    EXPECT_EQ(selectedSegment(95), c.block);
    EXPECT_EQ(selectedSegment(96), c.overwrite);
  }
}

TEST_F(SettingsPage, SegmentLabelsNameTheLadderValues) {
  paint();
  const std::wstring automatic = L"Auto (" + i18n::formatInteger(processorCount()) + L")";
  const struct {
    uint16_t id;
    std::vector<std::wstring> labels;
  } rows[] = {
      {90, {L"Lightning", L"Balanced", L"Compact"}},
      {93, {automatic, L"1", L"2", L"4", L"8"}},
      {94, {L"128 MB", L"256 MB", L"512 MB", L"1 GB", L"2 GB"}},
      {95, {L"256 KB", L"512 KB", L"1 MB", L"2 MB", L"4 MB"}},
      {96, {L"Stop", L"Skip", L"Replace"}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.id);
    std::vector<std::wstring> drawn;
    std::vector<int32_t> arguments;
    for (const HitRegion& r : regions) {
      if (r.command != row.id) continue;
      arguments.push_back(r.argument);
      for (const DrawCall& call : callsOf(Kind::Text))
        if (call.style == TextStyle::BodyStrong &&
            r.contains((call.rect.left + call.rect.right) / 2, call.rect.centreY()))
          drawn.push_back(call.text);
    }
    EXPECT_EQ(drawn, row.labels);
    std::vector<int32_t> expected(row.labels.size());
    for (size_t k = 0; k < expected.size(); ++k) expected[k] = int32_t(k);
    EXPECT_EQ(arguments, expected);
  }
}

// Rows share one width: five segments of 520 / 5, three of 520 / 3, and a narrow column shrinks
// them together.
TEST_F(SettingsPage, ChoiceRowGeometry) {
  HitRegions rowRegions;
  RecordingCanvas rowCanvas;
  const std::vector<std::wstring> three = {L"a", L"b", L"c"};
  struct {
    float right;
    std::wstring note;
    float segments, next;
  } cases[] = {
      {1000, L"note", 520, 196},
      {1000, L"", 520, 172},
      {400, L"note", 300, 196},
  };
  for (const auto& c : cases) {
    rowRegions.clear();
    const float next = drawChoiceRow(rowCanvas, {}, rowRegions, L"Caption", three, 90, 1, c.note, 100, 100, c.right);
    EXPECT_EQ(next, c.next);
    ASSERT_EQ(rowRegions.size(), 3u);
    EXPECT_EQ(rowRegions.front().left, 100);
    EXPECT_EQ(rowRegions.back().right, 100 + c.segments);
    EXPECT_EQ(rowRegions.front().top, 128);
    EXPECT_EQ(rowRegions.front().bottom, 166);
  }
}

TEST_F(SettingsPage, LanguageBoxShowsTheCurrentLanguageAndItsStates) {
  struct {
    const char* name;
    bool open;
    uint16_t hover;
    Color fill, outline;
    bool overlay;
  } cases[] = {
      {"at rest", false, 0, palette::white, palette::divider, false},
      {"hovered", false, 102, palette::white, palette::brandRed, true},
      {"open", true, 0, palette::brandTint, palette::brandRed, false},
      {"open and hovered", true, 102, palette::brandTint, palette::brandRed, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    state.languageListOpen = c.open;
    state.hoverId = c.hover;
    paint();
    const Rect box = languageBoxOut;
    std::vector<Color> fills, outlines;
    for (const DrawCall& call : canvas.calls()) {
      if (call.rect != box) continue;
      if (call.kind == Kind::FillRoundedRect) fills.push_back(call.color);
      if (call.kind == Kind::DrawRoundedRect) outlines.push_back(call.color);
    }
    std::vector<Color> expectedFills = {c.fill};
    if (c.overlay) expectedFills.push_back(palette::hoverOverlay);
    EXPECT_EQ(fills, expectedFills);
    EXPECT_EQ(outlines, std::vector<Color>{c.outline});
    const auto name = text(L"English (United States)");
    ASSERT_TRUE(name);
    EXPECT_EQ(name->rect.left, box.left + 14);
    EXPECT_EQ(name->rect.right, box.right - 34);
    EXPECT_NEAR(name->rect.centreY(), box.centreY(), 1);
    ASSERT_EQ(iconsOf(Icon::ChevronRight).size(), 1u);
    EXPECT_EQ(region(102)->rect(), box);
  }
}

TEST_F(SettingsPage, SettingsFileAndAssociationCommandAreShownFittedOrExplained) {
  state.association.openCommand = L"\"C:\\Programs\\TolZeb\\TolZeb.exe\" \"%1\"";
  paint();
  const auto command = text(state.association.openCommand);
  ASSERT_TRUE(command);
  const float classicBottom = cardTop(5) + kCardHeights[5];
  EXPECT_EQ(command->rect, (Rect{L + 416, classicBottom - 44, R - 22, classicBottom - 22}));
  EXPECT_TRUE(drewText(settingsPath()));
  EXPECT_TRUE(has(100));

  setLocalAppDataForTesting(L"");
  paint();
  EXPECT_TRUE(drewText(L"(no local app data folder)"));
  EXPECT_FALSE(has(100)) << "no folder to open";
}

TEST_F(SettingsPage, CheckBoxesShowTheirSettings) {
  struct {
    uint16_t id;
    std::function<void(PageState&, bool)> set;
  } boxes[] = {
      {91, [](PageState& s, bool on) { s.settings.verify = on; }},
      {92, [](PageState& s, bool on) { s.settings.blockHashes = on; }},
      {97, [](PageState& s, bool on) { s.settings.restoreTimestamps = on; }},
      {98, [](PageState& s, bool on) { s.settings.restoreAttributes = on; }},
      {105, [](PageState& s, bool on) { s.settings.formatFollowsLanguage = on; }},
      {111, [](PageState& s, bool on) { menuSwitch(s.menuSettings, 0) = on; }},
      {112, [](PageState& s, bool on) { menuSwitch(s.menuSettings, 1) = on; }},
      {113, [](PageState& s, bool on) { menuSwitch(s.menuSettings, 2) = on; }},
      {114, [](PageState& s, bool on) { menuSwitch(s.menuSettings, 3) = on; }},
      {115, [](PageState& s, bool on) { menuSwitch(s.menuSettings, 4) = on; }},
  };
  // A ticked box is a square filled in the accent colour at the start of its row.
  auto ticked = [&](uint16_t id) {
    const HitRegion* box = region(id);
    if (!box) return false;
    const float cy = (box->top + box->bottom) / 2;
    const Rect square{box->left, cy - 10, box->left + 20, cy + 10};
    for (const DrawCall& call : callsOf(Kind::FillRoundedRect))
      if (call.rect == square && call.color == palette::brandRed) return true;
    return false;
  };
  for (const auto& b : boxes) {
    for (bool on : {false, true}) {
      SCOPED_TRACE(std::to_string(b.id) + (on ? " on" : " off"));
      state = PageState{};
      b.set(state, on);
      paint();
      ASSERT_TRUE(region(b.id));
      EXPECT_EQ(ticked(b.id), on);
    }
  }
}

}  // namespace
}  // namespace tolzeb::ui
