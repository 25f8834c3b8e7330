#include "ui/app/extract_page.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "page_paint_fixture.h"
#include "ui/app/page_painters.h"
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
constexpr float kArchiveTop = kColumnTop + 94;
// Archive card 206 high, destination 116, policy 156, 18 apart; the start row 20 below, 48 high,
// and 24 of margin.
constexpr float kDefaultExtractHeight = 24 + 94 + 206 + 18 + 116 + 18 + 156 + 20 + 48 + 24;
constexpr float kLockedGrowth = 282 - 206;

void chooseArchive(PageState& state) {
  state.extractArchive = L"/in/photos.zeb";
  state.extractDestination = L"/in/photos";
}
void listed(PageState& state, uint64_t entries) {
  chooseArchive(state);
  state.extractListed = true;
  state.extractEntryCount = entries;
  state.extractArchiveSize = 123456;
  state.extractTotalSize = 98765432;
}
void locked(PageState& state) {
  chooseArchive(state);
  state.extractLocked = true;
  state.extractInfoMessage = L"A password is needed";
}

class ExtractPage : public testing::PagePaintTest {
 protected:
  ExtractPage() : PagePaintTest(paintExtractPage) {}
};

TEST_F(ExtractPage, RegionsOfEachState) {
  struct {
    const char* name;
    std::function<void(PageState&)> setup;
    std::vector<uint16_t> commands;
  } cases[] = {
      {"empty form", [](PageState&) {}, {43, 44, 45, 46, 47}},
      {"archive without destination",
       [](PageState& s) {
         listed(s, 2);
         s.extractDestination.clear();
       },
       {43, 49, 44, 45, 46, 47}},
      {"listed", [](PageState& s) { listed(s, 2); }, {43, 49, 44, 45, 46, 47, 48}},
      {"ticked in the viewer",
       [](PageState& s) {
         listed(s, 10);
         s.extractSelection = {L"a", L"b", L"c"};
       },
       {43, 50, 49, 44, 45, 46, 47, 48}},
      {"unreadable",
       [](PageState& s) {
         chooseArchive(s);
         s.extractInfoMessage = L"That file cannot be opened";
       },
       {43, 44, 45, 46, 47}},
      {"locked, no password", [](PageState& s) { locked(s); }, {43, 51, 44, 45, 46, 47}},
      // The message of the password-less listing stays; any typed password lets the task try.
      {"locked, password typed",
       [](PageState& s) {
         locked(s);
         s.extractPassword.text = L"x";
       },
       {43, 51, 44, 45, 46, 47, 48}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    state = PageState();
    c.setup(state);
    paint();
    EXPECT_EQ(commands(), c.commands);
  }
}

TEST_F(ExtractPage, TextsOfEachState) {
  struct Expected {
    std::wstring text;
    Color color;
    TextStyle style;
  };
  const Color secondary = palette::textSecondary;
  const std::wstring sizes = L" · " + formatBytes(123456) + L" on disk · " + formatBytes(98765432) + L" when extracted";
  struct {
    const char* name;
    std::function<void(PageState&)> setup;
    std::vector<Expected> drawn;
    std::vector<std::wstring> absent;
  } cases[] = {
      {"empty form",
       [](PageState&) {},
       {{L"Choose an archive to see what is inside it.", secondary, TextStyle::Body},
        {L"No archive chosen", secondary, TextStyle::Body},
        {L"No folder chosen", secondary, TextStyle::Body},
        {L"Choose an archive first.", secondary, TextStyle::Body},
        {L"Stop with an error if a file is already there. Nothing is overwritten.", secondary, TextStyle::Caption}},
       {L"Browse contents", L"Extract all instead"}},
      {"no destination",
       [](PageState& s) {
         chooseArchive(s);
         s.extractDestination.clear();
       },
       {{L"Choose a folder to extract into.", secondary, TextStyle::Body}},
       {}},
      {"one entry, skip",
       [](PageState& s) {
         listed(s, 1);
         s.extractOverwrite = 1;
       },
       {{L"1 entry" + sizes, secondary, TextStyle::Body},
        {L"Leave existing files alone and extract the rest.", secondary, TextStyle::Caption}},
       {L"Choose an archive to see what is inside it.", L"Extract all instead"}},
      {"two entries, replace",
       [](PageState& s) {
         listed(s, 2);
         s.extractOverwrite = 2;
       },
       {{L"2 entries" + sizes, secondary, TextStyle::Body},
        {L"Overwrite existing files. The old contents are written through a temporary, so a failure leaves them "
         L"intact.",
         secondary, TextStyle::Caption}},
       {}},
      {"3 of 10 ticked",
       [](PageState& s) {
         listed(s, 10);
         s.extractSelection = {L"a", L"b", L"c"};
       },
       {{L"Only 3 of 10 entries will be extracted.", palette::brandRed, TextStyle::BodyStrong},
        {L"Extract all instead", palette::textPrimary, TextStyle::BodyStrong},
        {L"Browse contents", palette::textPrimary, TextStyle::BodyStrong}},
       {}},
      {"unreadable",
       [](PageState& s) {
         chooseArchive(s);
         s.extractInfoMessage = L"That file cannot be opened";
       },
       {{L"That file cannot be opened", palette::brandRed, TextStyle::Body},
        {L"That archive cannot be read.", secondary, TextStyle::Body}},
       {L"Choose an archive to see what is inside it.", L"Browse contents"}},
      {"locked",
       [](PageState& s) { locked(s); },
       {{L"A password is needed", palette::brandRed, TextStyle::Body},
        {L"Password", secondary, TextStyle::Caption},
        {L"This archive is protected; type its password.", secondary, TextStyle::Body}},
       {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    state = PageState();
    c.setup(state);
    paint();
    for (const Expected& e : c.drawn) {
      const auto call = text(e.text);
      ASSERT_TRUE(call) << std::string(e.text.begin(), e.text.end());
      EXPECT_EQ(call->color, e.color) << std::string(e.text.begin(), e.text.end());
      EXPECT_EQ(call->style, e.style) << std::string(e.text.begin(), e.text.end());
    }
    for (const std::wstring& gone : c.absent) EXPECT_FALSE(drewText(gone)) << std::string(gone.begin(), gone.end());
    for (const DrawCall& call : callsOf(Kind::Text)) {
      EXPECT_EQ(call.text.find(L'{'), std::wstring::npos) << std::string(call.text.begin(), call.text.end());
      for (const wchar_t* prefix : {L"extract.", L"count."}) {
        EXPECT_NE(call.text.rfind(prefix, 0), 0u) << std::string(call.text.begin(), call.text.end());
      }
    }
  }
}

TEST_F(ExtractPage, StartHintsInOrder) {
  struct {
    std::wstring archive;
    std::wstring destination;
    bool locked;
    const char* key;
  } cases[] = {
      {L"", L"", false, "extract.need_archive"},          {L"", L"/out", true, "extract.need_archive"},
      {L"/a.zeb", L"", true, "extract.need_destination"}, {L"/a.zeb", L"/out", true, "extract.need_password"},
      {L"/a.zeb", L"/out", false, "extract.unreadable"},
  };
  for (const auto& c : cases) {
    state.extractArchive = c.archive;
    state.extractDestination = c.destination;
    state.extractLocked = c.locked;
    EXPECT_STREQ(extractStartHintKey(state), c.key);
  }
}

TEST_F(ExtractPage, MessageLineHasTheCrossInAccent) {
  chooseArchive(state);
  state.extractInfoMessage = L"That file is no longer there";
  paint();
  const auto crosses = iconsOf(Icon::Close);
  ASSERT_EQ(crosses.size(), 1u);
  EXPECT_EQ(crosses[0].rect, (Rect{L + 22, kArchiveTop + 110, L + 44, kArchiveTop + 132}));
  EXPECT_EQ(crosses[0].color, palette::brandRed);
  EXPECT_EQ(crosses[0].size, 16);
  EXPECT_EQ(text(L"That file is no longer there")->rect, (Rect{L + 50, kArchiveTop + 110, R - 22, kArchiveTop + 154}));
}

TEST_F(ExtractPage, SelectionRowMovesUnderThePasswordField) {
  for (bool isLocked : {false, true}) {
    SCOPED_TRACE(isLocked);
    state = PageState();
    listed(state, 10);
    state.extractLocked = isLocked;
    state.extractSelection = {L"a"};
    paint();
    const float s = kArchiveTop + (isLocked ? 220 : 144);
    ASSERT_NE(region(50), nullptr);
    EXPECT_EQ(region(50)->rect(), (Rect{R - 400, s - 6, R - 212, s + 30}));
    ASSERT_NE(region(49), nullptr);
    EXPECT_EQ(region(49)->rect(), (Rect{R - 200, s - 6, R - 22, s + 30}));
    EXPECT_EQ(text(L"Only 1 of 10 entries will be extracted.")->rect, (Rect{L + 22, s, R - 410, s + 26}));
    if (isLocked) {
      ASSERT_NE(region(51), nullptr);
      EXPECT_EQ(region(51)->rect(), (Rect{L + 22, kArchiveTop + 162, L + 422, kArchiveTop + 204}));
    }
  }
}

TEST_F(ExtractPage, PasswordShowsBullets) {
  locked(state);
  state.extractPassword.text = L"abc";
  paint();
  EXPECT_TRUE(drewText(std::wstring(3, wchar_t(0x2022))));
  for (const DrawCall& call : callsOf(Kind::Text)) EXPECT_EQ(call.text.find(L"abc"), std::wstring::npos);
}

TEST_F(ExtractPage, PolicySegmentsShowTheChosenPolicy) {
  state.extractOverwrite = 1;
  paint();
  const float top = kArchiveTop + 206 + 18 + 116 + 18 + 54;
  const float width = 420.0f / 3;
  for (int k = 0; k < 3; ++k) {
    SCOPED_TRACE(k);
    const HitRegion* segment = region(static_cast<uint16_t>(45 + k));
    ASSERT_NE(segment, nullptr);
    EXPECT_NEAR(segment->left, L + 22 + width * k + (k == 0 ? 0 : 4), 0.001f);
    EXPECT_NEAR(segment->right, L + 22 + width * (k + 1) - (k == 2 ? 0 : 4), 0.001f);
    EXPECT_EQ(segment->top, top);
    EXPECT_EQ(segment->bottom, top + 40);
    bool red = false;
    for (const DrawCall& call : callsOf(Kind::FillRoundedRect)) {
      if (call.rect == segment->rect() && call.color == palette::brandRed) red = true;
    }
    EXPECT_EQ(red, k == 1);
  }
}

TEST_F(ExtractPage, CardsAndContentHeightDoNotDependOnTheScrollOffset) {
  for (bool isLocked : {false, true}) {
    SCOPED_TRACE(isLocked);
    state = PageState();
    if (isLocked) locked(state);
    for (float offset : {0.0f, 180.0f, 3000.0f}) {
      SCOPED_TRACE(offset);
      state.scrollOffset = offset;
      EXPECT_EQ(paint(), kDefaultExtractHeight + (isLocked ? kLockedGrowth : 0));
      const float heights[] = {isLocked ? 282.0f : 206.0f, 116, 156};
      const std::vector<Rect> drawn = cards();
      ASSERT_EQ(drawn.size(), 3u);
      float top = kArchiveTop - offset;
      for (size_t k = 0; k < 3; ++k) {
        EXPECT_EQ(drawn[k], (Rect{L, top, R, top + heights[k]})) << k;
        top += heights[k] + 18;
      }
      const auto start = text(L"Start extracting");
      ASSERT_TRUE(start);
      EXPECT_GE(start->rect.top, top + 2);
      EXPECT_LE(start->rect.bottom, top + 2 + 48);
    }
  }
}

}  // namespace
}  // namespace tolzeb::ui
