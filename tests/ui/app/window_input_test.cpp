// The main window's mouse, keyboard and scrolling, driven through a stand-in window system and
// hit regions laid out by hand the way a paint leaves them.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "fake_window_host.h"
#include "task_test_support.h"
#include "ui/app/app_window.h"
#include "ui/app/language_list_rows.h"
#include "ui/foundation/app_data.h"
#include "ui/foundation/freed_block_watch.h"
#include "ui/foundation/i18n_test_support.h"
#include "ui/foundation/icon_set.h"
#include "ui/foundation/recording_canvas.h"

namespace tolzeb::ui {
namespace {

using testing::FakeWindowHost;

constexpr float kWidth = 1204;
constexpr float kHeight = 816;

HitRegion region(float left, float top, float right, float bottom, uint16_t command, int32_t argument = -1,
                 bool focusable = true) {
  HitRegion made;
  made.left = left;
  made.top = top;
  made.right = right;
  made.bottom = bottom;
  made.command = command;
  made.argument = argument;
  made.focusable = focusable;
  return made;
}

// The title bar's three buttons, as every paint records them first.
HitRegions windowButtons() {
  return {region(kWidth - 138, 0, kWidth - 92, 48, 15), region(kWidth - 92, 0, kWidth - 46, 48, 16),
          region(kWidth - 46, 0, kWidth, 48, 17)};
}

// The frame's layout for content `content` high at `offset` in the window.
FrameLayout pageLayout(float content, float offset = 0) {
  FrameLayout layout;
  layout.contentHeight = content;
  layout.viewportHeight = kHeight - kPageTop;
  const ScrollBarGeometry bar = scrollBarGeometry(content, layout.viewportHeight, kHeight, offset);
  layout.scrollBarShown = bar.shown;
  layout.trackTop = bar.trackTop;
  layout.trackHeight = bar.trackHeight;
  layout.thumbTop = bar.thumbTop;
  layout.thumbLength = bar.thumbLength;
  return layout;
}

HitRegion scrollBarRegion() {
  return region(kWidth - 16, kScrollTrackTop, kWidth, kScrollTrackTop + kHeight - kScrollTrackInset,
                command_ids::kScrollBar, -1, false);
}

class WindowInput : public ::testing::Test {
 protected:
  WindowInput() : WindowInput(TaskRunnerServices{}) {}
  explicit WindowInput(TaskRunnerServices services) : window(std::move(services)) {
    // Settings saved by a drag or a toggle go nowhere.
    setLocalAppDataForTesting(std::wstring());
    auto fake = std::make_unique<FakeWindowHost>();
    host = fake.get();
    window.attachHost(std::move(fake));
  }
  ~WindowInput() override { setLocalAppDataForTesting(std::nullopt); }

  void lay(HitRegions regions, const FrameLayout& layout = pageLayout(0)) {
    HitRegions all = windowButtons();
    all.insert(all.end(), regions.begin(), regions.end());
    window.setPaintResultForTesting(std::move(all), layout, {kWidth, kHeight});
  }
  // Scrolled content: the scroll bar's region and a layout to match.
  void layScrolled(float content, HitRegions regions = {}) {
    regions.push_back(scrollBarRegion());
    lay(std::move(regions), pageLayout(content, window.scrollOffset()));
  }
  void scrollTo(float offset) {
    window.scrollToThumb(0);  // to 0 first, so the thumb maths below start from a known place
    const FrameLayout& layout = window.layout();
    const float largest = maxScrollOffset(layout.contentHeight, layout.viewportHeight);
    window.scrollToThumb(layout.trackTop + offset / largest * (layout.trackHeight - layout.thumbLength));
    ASSERT_FLOAT_EQ(window.scrollOffset(), offset);
  }
  void click(float x, float y) {
    window.onMouseDown(x, y);
    window.onMouseUp(x, y);
  }
  // Whether `action` asked for a repaint.
  template <typename Action>
  bool repaints(Action action) {
    window.paintDone();
    action();
    return window.repaintPending();
  }
  void type(const std::wstring& text) {
    for (wchar_t unit : text) window.onChar(unit);
  }

  AppWindow window;
  FakeWindowHost* host = nullptr;
  PageState& state = window.state();
};

// --- Clicks and hover ---

TEST_F(WindowInput, AClickIsAPressAndAReleaseOverOneCommand) {
  // Mode lightning and compact: two commands side by side.
  lay({region(100, 200, 200, 240, 32), region(220, 200, 320, 240, 34)});

  window.onMouseDown(150, 220);
  EXPECT_TRUE(host->captured);
  EXPECT_EQ(state.pressedId, 32);
  EXPECT_EQ(state.focusId, 32);
  EXPECT_FALSE(state.showFocus);
  window.onMouseUp(250, 220);
  EXPECT_FALSE(host->captured);
  EXPECT_EQ(state.pressedId, 0);
  EXPECT_EQ(state.compressMode, 1) << "released on another command: nothing runs";

  window.onMouseDown(150, 220);
  window.onMouseUp(150, 400);
  EXPECT_EQ(state.compressMode, 1) << "released outside every region: nothing runs";

  click(250, 220);
  EXPECT_EQ(state.compressMode, 2);
}

TEST_F(WindowInput, TheArgumentOfAClickIsTheOneUnderTheRelease) {
  // Two part-size presets of one command: 10 MiB (index 0) and 700 MiB (index 3).
  lay({region(100, 200, 200, 240, 80, 0), region(220, 200, 320, 240, 80, 3)});
  window.onMouseDown(150, 220);
  window.onMouseUp(250, 220);
  EXPECT_EQ(state.splitPartMiB, 700u);
}

TEST_F(WindowInput, APressOutsideEveryRegionTakesNothing) {
  lay({region(100, 200, 200, 240, 32)});
  state.focusId = 35;
  window.onMouseDown(500, 500);
  EXPECT_FALSE(host->captured);
  EXPECT_EQ(state.pressedId, 0);
  EXPECT_EQ(state.focusId, 35);
}

TEST_F(WindowInput, HoverFollowsThePointerAndLeavingClearsIt) {
  lay({region(100, 200, 200, 240, 80, 0), region(220, 200, 320, 240, 80, 3)});

  EXPECT_TRUE(repaints([&] { window.onMouseMove(150, 220); }));
  EXPECT_EQ(host->leaveTrackings, 1);
  EXPECT_EQ(state.hoverId, 80);
  EXPECT_EQ(state.hoverIndex, 0);
  EXPECT_FALSE(repaints([&] { window.onMouseMove(160, 225); })) << "same region: no repaint";
  window.onMouseMove(250, 220);
  EXPECT_EQ(state.hoverIndex, 3) << "same command, another argument";
  EXPECT_EQ(host->leaveTrackings, 1) << "armed once per entry";

  EXPECT_TRUE(repaints([&] { window.onMouseLeave(); }));
  EXPECT_EQ(state.hoverId, 0);
  EXPECT_EQ(state.hoverIndex, -1);
  window.onMouseMove(500, 500);
  EXPECT_EQ(host->leaveTrackings, 2) << "re-armed after the pointer left";
  EXPECT_FALSE(repaints([&] { window.onMouseLeave(); })) << "nothing hovered";
}

// --- The dragged controls ---

TEST(RecoveryPercent, IsTheRoundedPositionOnTwentyNineStepsPlusOne) {
  const struct {
    double fraction;
    int32_t percent;
  } cases[] = {{-0.5, 1}, {0, 1}, {0.5 / 29 - 1e-9, 1}, {0.5 / 29, 2}, {0.5, 16}, {1, 30}, {7, 30}};
  for (const auto& c : cases) EXPECT_EQ(recoveryPercentAt(c.fraction), c.percent) << c.fraction;
}

TEST_F(WindowInput, TheRecoverySliderRunsFromOneToThirtyPercent) {
  lay({region(100, 300, 400, 330, command_ids::kRecoverySlider)});
  window.onMouseDown(100, 315);
  EXPECT_TRUE(state.draggingRecovery);
  EXPECT_EQ(state.compressRecoveryPercent, 1);
  window.onMouseMove(1000, 900);
  EXPECT_EQ(state.compressRecoveryPercent, 30);
  EXPECT_EQ(state.hoverId, 0) << "a drag does not hover";
  window.onMouseMove(-50, 315);
  EXPECT_EQ(state.compressRecoveryPercent, 1);
  window.onMouseUp(-50, 315);
  EXPECT_FALSE(state.draggingRecovery);
  window.onMouseMove(400, 315);
  EXPECT_EQ(state.compressRecoveryPercent, 1) << "released: moving no longer drags";
}

TEST_F(WindowInput, ADragWhoseControlHasGoneIsIgnored) {
  lay({region(100, 300, 400, 330, command_ids::kRecoverySlider)});
  window.onMouseDown(100, 315);
  lay({});
  window.onMouseMove(400, 315);
  EXPECT_EQ(state.compressRecoveryPercent, 1);
}

TEST_F(WindowInput, ThePartSizeSliderShowsItsValueInTheFieldItTookTheFocusFrom) {
  lay({region(100, 300, 400, 330, command_ids::kSplitPartSlider)});
  state.focusId = command_ids::kSplitPartText;
  window.onMouseDown(399, 315);
  EXPECT_EQ(state.splitPartMiB, 4096u);
  EXPECT_EQ(state.splitPartText.text, L"4096");
  window.onMouseMove(100, 315);
  EXPECT_EQ(state.splitPartMiB, 1u);
  window.onMouseUp(100, 315);
  EXPECT_FALSE(state.draggingSplitSize);
}

TEST_F(WindowInput, TheSplitterSetsThePaneWidthWithinItsLimitsAndKeepsIt) {
  const float splitterRight = kWidth - 380;
  lay({region(splitterRight - 8, kPageTop, splitterRight, kHeight, command_ids::kPreviewSplitter, -1, false)});
  window.onMouseDown(splitterRight - 4, 300);
  EXPECT_TRUE(state.draggingSplitter);

  window.onMouseMove(kWidth - 500 - 4, 300);
  EXPECT_FLOAT_EQ(state.previewPaneWidth, 500);
  window.onMouseMove(kWidth - 10, 300);
  EXPECT_FLOAT_EQ(state.previewPaneWidth, 280) << "never narrower than 280";
  window.onMouseMove(100, 300);
  EXPECT_FLOAT_EQ(state.previewPaneWidth, (kWidth - kRailWidth) / 2) << "at most half the room right of the rail";

  window.onMouseUp(100, 300);
  EXPECT_FALSE(state.draggingSplitter);
  EXPECT_EQ(state.settings.previewPaneWidth, 559u);
}

// --- Scrolling ---

TEST_F(WindowInput, TheWheelDoesNothingWhenThePageFits) {
  lay({}, pageLayout(500));
  EXPECT_FALSE(repaints([&] { window.onWheel(-120); }));
  EXPECT_EQ(window.scrollOffset(), 0);
}

TEST_F(WindowInput, TheWheelScrollsTheSystemsLinesOfTwentyFourDips) {
  const struct {
    unsigned lines;
    float scrolled;
  } cases[] = {{1, 24}, {3, 72}, {20, 480}, {0, 72}, {21, 72}, {0xFFFFFFFF, 72}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.lines);
    layScrolled(3000);
    scrollTo(1000);
    host->wheelLines = c.lines;
    window.onWheel(-120);
    EXPECT_FLOAT_EQ(window.scrollOffset(), 1000 + c.scrolled);
    EXPECT_FLOAT_EQ(state.scrollOffset, window.scrollOffset());
    window.onWheel(240);
    EXPECT_FLOAT_EQ(window.scrollOffset(), 1000 - c.scrolled);
  }
}

TEST_F(WindowInput, TheWheelStopsAtBothEnds) {
  layScrolled(1000);
  window.onWheel(120);
  EXPECT_EQ(window.scrollOffset(), 0);
  window.onWheel(-120 * 100);
  EXPECT_FLOAT_EQ(window.scrollOffset(), 1000 - (kHeight - kPageTop));
  EXPECT_FALSE(repaints([&] { window.onWheel(-120); }));
  EXPECT_FALSE(repaints([&] { window.onWheel(0); }));
}

TEST_F(WindowInput, TheWheelMovesAnOpenLanguageListByThreeRowsPerWholeNotch) {
  layScrolled(3000);
  state.languageListOpen = true;
  state.languageListFirstRow = 5;
  window.onWheel(-120);
  EXPECT_EQ(state.languageListFirstRow, 8);
  window.onWheel(-119);
  EXPECT_EQ(state.languageListFirstRow, 8) << "part of a notch";
  window.onWheel(-120 * 10);
  EXPECT_EQ(state.languageListFirstRow, 17);
  window.onWheel(240);
  EXPECT_EQ(state.languageListFirstRow, 11);
  window.onWheel(120 * 10);
  EXPECT_EQ(state.languageListFirstRow, 0);
  EXPECT_EQ(window.scrollOffset(), 0) << "the page stays where it was";
}

TEST_F(WindowInput, PageDownScrollsTheViewportLess48AndAtLeast80) {
  layScrolled(5000);
  EXPECT_TRUE(window.onKeyDown(keys::kPageDown));
  EXPECT_FLOAT_EQ(window.scrollOffset(), kHeight - kPageTop - 48);
  EXPECT_TRUE(window.onKeyDown(keys::kPageUp));
  EXPECT_EQ(window.scrollOffset(), 0);

  FrameLayout low = pageLayout(5000);
  low.viewportHeight = 100;
  lay({}, low);
  window.scrollByPage(+1);
  EXPECT_FLOAT_EQ(window.scrollOffset(), 80);
  window.scrollByPage(-1);
  window.scrollByPage(-1);
  EXPECT_EQ(window.scrollOffset(), 0);
}

TEST_F(WindowInput, DraggingTheThumbToTheBottomShowsTheEnd) {
  layScrolled(3000);
  const FrameLayout bar = window.layout();
  window.onMouseDown(kWidth - 8, bar.thumbTop + 10);
  window.onMouseMove(kWidth - 8, bar.thumbTop + 10 + (bar.trackHeight - bar.thumbLength) / 2);
  EXPECT_NEAR(window.scrollOffset(), maxScrollOffset(3000, bar.viewportHeight) / 2, 0.01);
  window.onMouseMove(kWidth - 8, kHeight + 300);
  EXPECT_FLOAT_EQ(window.scrollOffset(), maxScrollOffset(3000, bar.viewportHeight));
  window.onMouseUp(kWidth - 8, kHeight + 300);
  EXPECT_EQ(state.pressedId, 0);
  window.onMouseMove(kWidth - 8, 200);
  EXPECT_FLOAT_EQ(window.scrollOffset(), maxScrollOffset(3000, bar.viewportHeight));
}

TEST_F(WindowInput, APressOnTheTrackCentresTheThumbUnderThePointer) {
  layScrolled(3000);
  const FrameLayout bar = window.layout();
  const float y = 600;
  window.onMouseDown(kWidth - 8, y);
  const float travel = bar.trackHeight - bar.thumbLength;
  const float expected = maxScrollOffset(3000, bar.viewportHeight) * (y - bar.thumbLength / 2 - bar.trackTop) / travel;
  EXPECT_NEAR(window.scrollOffset(), expected, 0.01);
  // The grab stays at the thumb's middle while dragging.
  window.onMouseMove(kWidth - 8, y + 10);
  EXPECT_NEAR(window.scrollOffset(), expected + maxScrollOffset(3000, bar.viewportHeight) * 10 / travel, 0.01);
}

TEST_F(WindowInput, WithoutAScrollBarTheThumbScrollsToTheTop) {
  layScrolled(3000);
  scrollTo(500);
  lay({}, pageLayout(500));
  window.scrollToThumb(400);
  EXPECT_EQ(window.scrollOffset(), 0);
}

TEST_F(WindowInput, AResizeCutsAnOffsetBeyondTheNewEnd) {
  layScrolled(3000);
  scrollTo(2000);
  lay({}, pageLayout(1500));
  EXPECT_TRUE(repaints([&] { window.onResize(); }));
  EXPECT_FLOAT_EQ(window.scrollOffset(), 1500 - (kHeight - kPageTop));
  EXPECT_FLOAT_EQ(state.scrollOffset, window.scrollOffset());
}

// --- Text fields ---

class TextFieldInput : public WindowInput {
 protected:
  TextFieldInput() { state.focusId = command_ids::kCompressPassword; }
  TextField& field() { return state.compressPassword; }
};

TEST_F(TextFieldInput, EachTextFieldIdNamesItsField) {
  const struct {
    uint16_t id;
    TextField* field;
  } cases[] = {{8, &state.searchQuery},
               {38, &state.compressPassword},
               {39, &state.compressPasswordRepeat},
               {51, &state.extractPassword},
               {62, &state.viewerPassword},
               {64, &state.viewerFilter},
               {79, &state.toolsPassword},
               {82, &state.splitPartText},
               {0, nullptr},
               {81, nullptr},
               {35, nullptr}};
  for (const auto& c : cases) {
    state.focusId = c.id;
    EXPECT_EQ(window.focusedTextField(), c.field) << c.id;
  }
}

TEST_F(TextFieldInput, TypingEditsTheFocusedFieldAndControlCharactersAreSwallowed) {
  type(L"abc");
  EXPECT_EQ(field().text, L"abc");
  for (wchar_t control : {L'\r', L'\t', wchar_t(27), wchar_t(3), wchar_t(24), wchar_t(8)}) {
    EXPECT_TRUE(window.onChar(control));
  }
  EXPECT_EQ(field().text, L"abc");

  EXPECT_TRUE(window.onKeyDown(keys::kLeft));
  host->keysHeld = {keys::kShift};
  EXPECT_TRUE(window.onKeyDown(keys::kHome));
  EXPECT_EQ(field().selectionStart(), 0u);
  EXPECT_EQ(field().selectionEnd(), 2u);
  host->keysHeld.clear();
  EXPECT_TRUE(window.onKeyDown(keys::kDelete));
  EXPECT_EQ(field().text, L"c");
  EXPECT_TRUE(window.onKeyDown(keys::kEnd));
  EXPECT_TRUE(window.onKeyDown(keys::kBackspace));
  EXPECT_EQ(field().text, L"");
  EXPECT_FALSE(repaints([&] { window.onKeyDown(keys::kRight); })) << "the caret did not move";

  type(L"xyz");
  EXPECT_TRUE(window.onChar(1));
  EXPECT_EQ(field().anchor, 0u);
  EXPECT_EQ(field().caret, 3u);

  state.focusId = 35;
  EXPECT_FALSE(window.onChar(L'q')) << "no text field has the focus";
}

TEST_F(TextFieldInput, APasteKeeps1024UnitsWithoutControlCharacters) {
  host->clipboardText = std::wstring(2000, L'p');
  EXPECT_TRUE(window.onChar(22));
  EXPECT_EQ(field().text.size(), kTextFieldLimit);

  field().clear();
  host->clipboardText = L"one\r\ntwo\tthree";
  window.onChar(22);
  EXPECT_EQ(field().text, L"onetwothree");

  host->clipboardReadable = false;
  EXPECT_TRUE(window.onChar(22)) << "an empty clipboard is still handled";
  EXPECT_EQ(field().text, L"onetwothree");
}

TEST_F(TextFieldInput, ThePastedCopyIsWipedBeforeItIsFreed) {
  std::wstring secret;
  for (int i = 0; i < 300; ++i) secret.push_back(wchar_t(testing::kSecretFirst + i % 26));
  host->clipboardText = secret;
  field().masked = true;
  {
    testing::FreedBlockWatch watch;
    window.onChar(22);
    EXPECT_EQ(watch.leaks(), 0);
  }
  EXPECT_EQ(field().text, secret);
  field().clear();
}

TEST_F(TextFieldInput, TypingOrPastingIntoTheSearchFieldShowsTheSearchPageWithTheFocusKept) {
  state.focusId = command_ids::kSearchField;
  window.onChar(L'a');
  EXPECT_EQ(state.page, Page::Search);
  EXPECT_EQ(state.focusId, command_ids::kSearchField);

  window.showPage(Page::Tools);
  state.focusId = command_ids::kSearchField;
  host->clipboardText = L"b";
  window.onChar(22);
  EXPECT_EQ(state.page, Page::Search);
  EXPECT_EQ(state.focusId, command_ids::kSearchField);
  EXPECT_EQ(state.searchQuery.text, L"ab");
}

TEST(SplitPartText, DigitsAreReadUpToTheFirstOtherCharacter) {
  const struct {
    const wchar_t* text;
    uint32_t size;
  } cases[] = {
      {L"1,024", 1024}, {L"1 024", 1024}, {L"1.5", 15},    {L"0042", 42},   {L" 7", 7},
      {L"12a5", 12},    {L"4096", 4096},  {L"4097", 4096}, {L"9999", 4096}, {L"99999999999999", 4096},
      {L"0", 25},       {L"000", 25},     {L"", 25},       {L"abc", 25},    {L"-5", 25},
  };
  for (const auto& c : cases) EXPECT_EQ(parseSplitPartText(c.text, 25), c.size) << c.text;
}

TEST_F(TextFieldInput, TypingIntoThePartSizeFieldSetsThePartSize) {
  state.focusId = command_ids::kSplitPartText;
  type(L"1,024");
  EXPECT_EQ(state.splitPartMiB, 1024u);

  state.splitPartText.clear();
  const uint32_t afterDigits[] = {9, 99, 999, 4096};
  for (uint32_t expected : afterDigits) {
    type(L"9");
    EXPECT_EQ(state.splitPartMiB, expected);
  }

  state.splitPartText.clear();
  type(L"0");
  EXPECT_EQ(state.splitPartMiB, 4096u) << "a zero keeps the previous size";

  state.splitPartText.clear();
  type(L"12a5");
  EXPECT_EQ(state.splitPartMiB, 12u);
}

TEST_F(TextFieldInput, EnterAndEscapeActOnTheirOwnFields) {
  state.page = Page::Viewer;
  state.viewerArchive = L"/no/such/folder/archive.zeb";
  state.focusId = command_ids::kViewerPassword;
  EXPECT_TRUE(window.onKeyDown(keys::kEnter));
  EXPECT_FALSE(state.viewerMessage.empty()) << "Enter in the password unlocks: the archive is opened again";

  state.focusId = command_ids::kViewerFilter;
  type(L"txt");
  EXPECT_TRUE(window.onKeyDown(keys::kEscape));
  EXPECT_TRUE(state.viewerFilter.text.empty());

  state.page = Page::Search;
  state.focusId = command_ids::kSearchField;
  type(L"holiday");
  EXPECT_TRUE(window.onKeyDown(keys::kEscape));
  EXPECT_TRUE(state.searchQuery.text.empty());
  EXPECT_EQ(state.page, Page::Home);
  EXPECT_EQ(state.focusId, 0);

  // Other fields leave Escape to the window: here it only hides the focus cue.
  state.focusId = command_ids::kCompressPassword;
  state.showFocus = true;
  EXPECT_TRUE(window.onKeyDown(keys::kEscape));
  EXPECT_FALSE(state.showFocus);
  EXPECT_EQ(state.focusId, command_ids::kCompressPassword);
}

// --- Focus ---

TEST_F(WindowInput, TabCyclesTheFocusableRegionsAndWraps) {
  lay({region(19, 80, 67, 128, 1), region(100, 200, 200, 240, 35, -1, false), region(100, 300, 200, 340, 36)});
  host->keysHeld = {keys::kShift};
  EXPECT_TRUE(window.onKeyDown(keys::kTab));
  EXPECT_EQ(state.focusId, 36) << "Shift+Tab from nothing: the last focusable region";
  EXPECT_TRUE(state.showFocus);
  window.onKeyDown(keys::kTab);
  EXPECT_EQ(state.focusId, 1) << "the region that cannot take the focus is passed over";

  host->keysHeld.clear();
  window.onKeyDown(keys::kTab);
  EXPECT_EQ(state.focusId, 36);
  window.onKeyDown(keys::kTab);
  EXPECT_EQ(state.focusId, 15) << "Tab from the last wraps to the first: the minimise button";

  state.focusId = 0;
  window.moveFocus(+1);
  EXPECT_EQ(state.focusId, 15) << "Tab from nothing: the first";
  state.focusId = 15;
  window.moveFocus(-1);
  EXPECT_EQ(state.focusId, 36) << "Shift+Tab from the first wraps to the last";
}

TEST_F(WindowInput, TabWithNothingFocusableChangesNothing) {
  window.setPaintResultForTesting({}, pageLayout(0));
  EXPECT_TRUE(window.onKeyDown(keys::kTab));
  EXPECT_EQ(state.focusId, 0);
  EXPECT_FALSE(state.showFocus);
}

TEST_F(WindowInput, TabScrollsTheFocusedRegionIntoTheViewWithAMargin) {
  const float viewport = kHeight - kPageTop;
  layScrolled(3000, {region(120, 900, 300, 940, 35)});
  window.onKeyDown(keys::kTab);
  window.onKeyDown(keys::kTab);
  window.onKeyDown(keys::kTab);
  window.onKeyDown(keys::kTab);
  ASSERT_EQ(state.focusId, 35);
  EXPECT_FLOAT_EQ(window.scrollOffset(), 940 - (kPageTop + viewport - 16));

  scrollTo(500);
  layScrolled(3000, {region(120, 100, 300, 140, 36)});
  state.focusId = 17;
  window.onKeyDown(keys::kTab);
  ASSERT_EQ(state.focusId, 36);
  EXPECT_FLOAT_EQ(window.scrollOffset(), 500 - (kPageTop + 16 - 100)) << "partly above the page area";

  scrollTo(500);
  layScrolled(3000, {region(120, 400, 300, 1400, 37)});
  state.focusId = 17;
  window.onKeyDown(keys::kTab);
  EXPECT_FLOAT_EQ(window.scrollOffset(), 500 + 400 - kPageTop) << "taller than the view: its top to the page top";

  scrollTo(500);
  layScrolled(3000, {region(19, 900, 67, 940, 7)});
  state.focusId = 17;
  window.onKeyDown(keys::kTab);
  ASSERT_EQ(state.focusId, 7);
  EXPECT_FLOAT_EQ(window.scrollOffset(), 500) << "the rail does not scroll";
}

TEST_F(WindowInput, EnterOrSpaceRunTheFocusedCommand) {
  EXPECT_FALSE(window.onKeyDown(keys::kEnter)) << "nothing focused";
  state.focusId = 35;
  EXPECT_TRUE(window.onKeyDown(keys::kSpace));
  EXPECT_FALSE(state.compressVerify);
  EXPECT_TRUE(window.onKeyDown(keys::kEnter));
  EXPECT_TRUE(state.compressVerify);
  EXPECT_FALSE(window.onKeyDown(keys::kF10));
}

// --- Escape and the task panel ---

TEST_F(WindowInput, EscapeDismissesTheTaskPanelOfNoRunningTaskThenHidesTheFocusCue) {
  state.taskPanelShown = true;
  state.taskProgress.path = L"C:\\done.zeb";
  state.showFocus = true;
  EXPECT_TRUE(window.onKeyDown(keys::kEscape));
  EXPECT_FALSE(state.taskPanelShown);
  EXPECT_TRUE(state.taskProgress.path.empty()) << "dismissed, not sent to the background";
  EXPECT_TRUE(state.showFocus);

  EXPECT_TRUE(window.onKeyDown(keys::kEscape));
  EXPECT_FALSE(state.showFocus);
  EXPECT_FALSE(window.onKeyDown(keys::kEscape)) << "nothing left for Escape";
}

// Built before the window, so that the window's task runner can be handed them.
struct RunningTaskWorld {
  RunningTaskWorld() {
    engine.detectArchiveKind = [](const std::wstring&) -> Result<ArchiveKind> { return ArchiveKind::zeb; };
    engine.testArchive = [this](const std::wstring& path, const ProgressCallback& progress, uint32_t, uint64_t,
                                const Password&) { return work.run(path, progress); };
    services.engine = &engine;
    services.post = [](WindowHandle, AppMessage, uintptr_t, intptr_t) { return true; };
  }
  EngineCalls engine;
  testing::FakeWork work;
  TaskRunnerServices services;
};

class WindowWithRunningTask : protected RunningTaskWorld, public WindowInput {
 protected:
  static constexpr const wchar_t* kArchive = L"C:\\running.zeb";

  WindowWithRunningTask() : WindowInput(services) {}
  // The window's runner joins its worker when the window goes; the work must be free to end.
  ~WindowWithRunningTask() override { work.allowFinish(kArchive); }
};

TEST_F(WindowWithRunningTask, EscapeSendsTheRunningTasksPanelToTheBackground) {
  TaskRequest request;
  request.kind = int32_t(TaskKind::Test);
  request.path = kArchive;
  ASSERT_NE(window.queueTask(request), 0u);
  ASSERT_TRUE(work.waitStarted(kArchive));
  ASSERT_TRUE(state.taskPanelShown);

  EXPECT_TRUE(window.onKeyDown(keys::kEscape));
  EXPECT_FALSE(state.taskPanelShown);
  EXPECT_EQ(state.taskProgress.path, kArchive) << "hidden, not dismissed";
}

// --- Ctrl+P ---

TEST_F(WindowInput, CtrlPTogglesThePreviewPaneOnTheViewerOnly) {
  const bool shown = state.previewPaneShown;
  host->keysHeld = {keys::kControl};
  EXPECT_FALSE(window.onKeyDown(keys::kP));
  EXPECT_EQ(state.previewPaneShown, shown);

  state.page = Page::Viewer;
  EXPECT_TRUE(window.onKeyDown(keys::kP));
  EXPECT_EQ(state.previewPaneShown, !shown);

  host->keysHeld.clear();
  EXPECT_FALSE(window.onKeyDown(keys::kP));
  EXPECT_EQ(state.previewPaneShown, !shown);
}

// --- The language list ---

TEST(LanguageList, TheOffsetKeepsTheRowInViewWithTheLeastScrolling) {
  const struct {
    int32_t row, firstRow, expected;
  } cases[] = {{0, 0, 0},    {10, 0, 0},   {11, 0, 1},   {27, 0, 17}, {3, 10, 3},
               {20, 15, 15}, {26, 15, 16}, {27, 17, 17}, {5, 20, 5},  {0, 30, 0}};
  for (const auto& c : cases)
    EXPECT_EQ(languageListOffset(c.row, c.firstRow), c.expected) << c.row << " " << c.firstRow;
}

TEST(LanguageList, StepsSkipRowsWithoutACatalogueAndWrap) {
  const std::vector<int32_t> withCatalogue = {0, 4, 26};
  const auto has = [&](int32_t row) {
    return std::find(withCatalogue.begin(), withCatalogue.end(), row) != withCatalogue.end();
  };
  const struct {
    int32_t row;
    int direction;
    int32_t expected;
  } cases[] = {{0, +1, 4}, {4, +1, 26}, {26, +1, 0}, {0, -1, 26}, {4, -1, 0}, {10, -1, 4}, {27, +1, 0}, {0, -1, 26}};
  for (const auto& c : cases) EXPECT_EQ(stepLanguageRowWhere(c.row, c.direction, has), c.expected) << c.row;
  EXPECT_EQ(stepLanguageRowWhere(9, +1, [](int32_t row) { return row == 9; }), 9) << "only itself, 28 tries round";
  EXPECT_EQ(stepLanguageRowWhere(9, +1, [](int32_t) { return false; }), 9);
}

TEST(LanguageList, EveryShippedLanguageHasACatalogue) {
  for (int32_t row = 0; row < kLanguageRows; ++row) EXPECT_EQ(stepLanguageRow(row, +1), (row + 1) % kLanguageRows);
}

class LanguageListKeys : public WindowInput {
 protected:
  LanguageListKeys() {
    state.page = Page::Settings;
    state.languageListOpen = true;
  }
  i18n::testing::StateGuard languageState;
};

TEST_F(LanguageListKeys, KeysMoveTheHighlightAndTheListFollows) {
  const struct {
    unsigned key;
    int32_t fromRow, fromFirst, row, firstRow;
  } cases[] = {
      {keys::kDown, 5, 0, 6, 0},
      {keys::kDown, 10, 0, 11, 1},
      {keys::kDown, 27, 17, 0, 0},
      {keys::kUp, 5, 0, 4, 0},
      {keys::kUp, 0, 0, 27, 17},
      {keys::kHome, 20, 15, 0, 0},
      {keys::kEnd, 3, 0, 27, 17},
      {keys::kPageUp, 5, 0, 0, 0},
      {keys::kPageUp, 20, 15, 9, 9},
      {keys::kPageDown, 5, 0, 16, 6},
      {keys::kPageDown, 20, 15, 27, 17},
      {keys::kDown, -1, 0, 1, 0},  // no highlight yet: from the current language, English
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.key << " from " << c.fromRow);
    state.languageListRow = c.fromRow;
    state.languageListFirstRow = c.fromFirst;
    EXPECT_TRUE(repaints([&] { EXPECT_TRUE(window.onKeyDown(c.key)); }));
    EXPECT_EQ(state.languageListRow, c.row);
    EXPECT_EQ(state.languageListFirstRow, c.firstRow);
    EXPECT_TRUE(state.languageListOpen);
  }
}

TEST_F(LanguageListKeys, EveryOtherKeyIsSwallowed) {
  state.languageListRow = 5;
  state.focusId = 35;
  layScrolled(3000);
  for (unsigned key : {keys::kTab, keys::kF10, keys::kLeft, keys::kBackspace, 0x41u}) {
    EXPECT_TRUE(window.onKeyDown(key)) << key;
  }
  host->keysHeld = {keys::kControl};
  state.page = Page::Viewer;
  const bool shown = state.previewPaneShown;
  EXPECT_TRUE(window.onKeyDown(keys::kP));
  EXPECT_EQ(state.previewPaneShown, shown);
  EXPECT_EQ(state.languageListRow, 5);
  EXPECT_EQ(state.focusId, 35);
  EXPECT_EQ(window.scrollOffset(), 0);
}

TEST_F(LanguageListKeys, EscapeClosesAndEnterPicks) {
  EXPECT_TRUE(window.onKeyDown(keys::kEscape));
  EXPECT_FALSE(state.languageListOpen);

  state.languageListOpen = true;
  state.languageListRow = 8;  // German
  EXPECT_TRUE(window.onKeyDown(keys::kEnter));
  EXPECT_FALSE(state.languageListOpen);
  EXPECT_EQ(i18n::currentLanguageTag(), L"de-DE");
  EXPECT_EQ(state.settings.language, L"de-DE");
}

// --- The same input over what the frame really paints ---

class PaintedWindowInput : public WindowInput {
 protected:
  // One paint, as WM_PAINT does it: the regions and the frame layout then match the state.
  void paint(Size client = {kWidth, kHeight}) {
    canvas.clearCalls();
    window.paint(canvas, icons, client);
    window.paintDone();
  }
  const HitRegion* find(uint16_t id, int32_t argument = -1) const {
    for (const HitRegion& r : window.regions())
      if (r.command == id && (argument < 0 || r.argument == argument)) return &r;
    return nullptr;
  }
  std::vector<uint16_t> focusableIds() const {
    std::vector<uint16_t> ids;
    for (const HitRegion& r : window.regions())
      if (r.focusable) ids.push_back(r.command);
    return ids;
  }
  // A press in the middle of one region and the release in the middle of another.
  void pressAndRelease(const HitRegion& press, const HitRegion& release) {
    window.onMouseDown((press.left + press.right) / 2, (press.top + press.bottom) / 2);
    window.onMouseUp((release.left + release.right) / 2, (release.top + release.bottom) / 2);
  }

  i18n::testing::StateGuard languageState;
  RecordingCanvas canvas;
  IconSet icons;
};

TEST_F(PaintedWindowInput, TabRunsThroughThePaintedControlsFromTheMinimiseButton) {
  paint();
  const std::vector<uint16_t> ids = focusableIds();
  ASSERT_GE(ids.size(), 4u);
  host->keysHeld = {keys::kShift};
  window.onKeyDown(keys::kTab);
  EXPECT_EQ(state.focusId, ids.back());
  host->keysHeld.clear();
  window.onKeyDown(keys::kTab);
  EXPECT_EQ(state.focusId, 15) << "from the last control Tab wraps to the minimise button";
  window.onKeyDown(keys::kTab);
  EXPECT_EQ(state.focusId, ids[1]);
}

TEST_F(PaintedWindowInput, ARailClickShowsItsPageAndAPressCarriedToAnotherEntryDoesNothing) {
  paint();
  ASSERT_TRUE(find(2) && find(4) && find(5));
  pressAndRelease(*find(2), *find(2));
  EXPECT_EQ(state.page, Page::Compress);

  paint();
  pressAndRelease(*find(4), *find(5));
  EXPECT_EQ(state.page, Page::Compress);
}

TEST_F(PaintedWindowInput, APressOnOneLanguageRowAndAReleaseOnAnotherPicksTheSecond) {
  state.page = Page::Settings;
  state.languageListOpen = true;
  paint();
  const HitRegion* czech = find(command_ids::kPickLanguage, 3);
  const HitRegion* german = find(command_ids::kPickLanguage, 8);
  ASSERT_TRUE(czech && german);
  pressAndRelease(*czech, *german);
  EXPECT_FALSE(state.languageListOpen);
  EXPECT_EQ(i18n::currentLanguageTag(), L"de-DE");
}

TEST_F(PaintedWindowInput, TheWheelLeavesAPageThatFitsAndTheThumbReachesTheEndOfOneThatDoesNot) {
  paint({kWidth, 1200});  // tall enough for the home page
  ASSERT_FALSE(window.layout().scrollBarShown);
  window.onWheel(-120);
  EXPECT_EQ(window.scrollOffset(), 0);

  state.page = Page::Support;
  const Size low{500, 220};
  paint(low);
  const FrameLayout bar = window.layout();
  ASSERT_TRUE(bar.scrollBarShown) << "content " << bar.contentHeight << " in " << bar.viewportHeight;
  const HitRegion* track = find(command_ids::kScrollBar);
  ASSERT_NE(track, nullptr);
  const float x = (track->left + track->right) / 2;
  window.onMouseDown(x, bar.thumbTop + 1);
  window.onMouseMove(x, low.height + 100);
  window.onMouseUp(x, low.height + 100);
  EXPECT_FLOAT_EQ(window.scrollOffset(), bar.contentHeight - bar.viewportHeight);
  paint(low);
  EXPECT_FLOAT_EQ(window.layout().thumbTop + window.layout().thumbLength, bar.trackTop + bar.trackHeight);
}

}  // namespace
}  // namespace tolzeb::ui
