#include "ui/app/home_page.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "page_paint_fixture.h"
#include "ui/app/page_painters.h"
#include "ui/foundation/format.h"
#include "ui/foundation/history.h"
#include "ui/foundation/palette.h"

namespace tolzeb::ui {
namespace {

using testing::kColumnLeft;
using testing::kColumnRight;
using testing::kColumnTop;
using testing::kPageArea;
using Kind = DrawCall::Kind;

using testing::L;
using testing::R;
constexpr float kMiB = 1048576;
// The page area with a column `width` wide.
constexpr Rect pageWithColumn(float width) { return {kPageArea.left, kPageArea.top, kPageArea.left + 56 + width, kPageArea.bottom}; }

using testing::pastArchive;

class HomePage : public testing::PagePaintTest {
 protected:
  HomePage() : PagePaintTest(paintHomePage) { state.historyView = &history; }

  void record(size_t count) {
    history.entries().clear();
    for (size_t i = 0; i < count; ++i) {
      history.entries().push_back(pastArchive(L"/data/archive" + std::to_wstring(i) + L".zeb", 4 * 1048576, 10 * 1048576, 2));
    }
  }
  std::vector<DrawCall> linesOf(Color color) const {
    std::vector<DrawCall> found;
    for (const DrawCall& call : callsOf(Kind::Line)) {
      if (call.color == color) found.push_back(call);
    }
    return found;
  }
  std::vector<DrawCall> fillsOf(Color color) const {
    std::vector<DrawCall> found;
    for (const DrawCall& call : callsOf(Kind::FillRoundedRect)) {
      if (call.color == color) found.push_back(call);
    }
    return found;
  }

  History history;
};

TEST(HomeGreeting, ChangesAtNoonAndAtSix) {
  struct {
    int hour;
    const char* key;
  } cases[] = {
      {0, "home.greeting_morning"},    {11, "home.greeting_morning"},   {12, "home.greeting_afternoon"},
      {17, "home.greeting_afternoon"}, {18, "home.greeting_evening"},   {23, "home.greeting_evening"},
  };
  for (const auto& c : cases) EXPECT_STREQ(homeGreetingKey(c.hour), c.key) << c.hour;
}

TEST(HomeBlocks, PlacesTheLastRowBesideTheSmallCards) {
  const HomeBlocks wide = homeBlocks(kPageArea, 0);
  const float g = kColumnTop + 523;
  const float M = R - 0.42f * (R - L);
  EXPECT_EQ(wide.greeting, (Rect{L, kColumnTop, R, kColumnTop + 118}));
  EXPECT_EQ(wide.banner, (Rect{L, kColumnTop + 132, R, kColumnTop + 245}));
  EXPECT_EQ(wide.cards, (Rect{L, kColumnTop + 267, R, kColumnTop + 499}));
  EXPECT_EQ(wide.recent, (Rect{L, g, M - 22, g + 300}));
  EXPECT_EQ(wide.summary, (Rect{M, g, R, g + 166}));
  EXPECT_EQ(wide.monitor, (Rect{M, g + 178, R, g + 300}));

  // The right-hand cards stop growing at 560; the column never narrows below 200.
  const HomeBlocks huge = homeBlocks({0, 0, 3000, 900}, 40);
  EXPECT_EQ(huge.summary.width(), 560);
  EXPECT_EQ(huge.greeting.top, 24 - 40);
  EXPECT_EQ(homeBlocks({0, 0, 10, 900}, 0).greeting.right, 28 + 200);
}

TEST_F(HomePage, HeightIsTheSameWhateverTheHistoryAndScroll) {
  for (size_t count : {0, 3}) {
    record(count);
    for (float offset : {0.0f, 300.0f}) {
      state.scrollOffset = offset;
      EXPECT_EQ(paint(), 847) << count << " at " << offset;
    }
  }
}

TEST_F(HomePage, RegionsByColumnWidthAndHistory) {
  struct Region {
    uint16_t command;
    int32_t argument;
  };
  struct {
    const char* name;
    Rect page;
    size_t entries;
    std::vector<Region> regions;
  } cases[] = {
      {"wide, empty history", kPageArea, 0, {{18, -1}, {19, -1}, {20, -1}, {21, -1}}},
      {"wide, one archive", kPageArea, 1, {{18, -1}, {19, -1}, {20, -1}, {21, -1}, {22, -1}, {23, 0}}},
      {"wide, three rows of five", kPageArea, 5,
       {{18, -1}, {19, -1}, {20, -1}, {21, -1}, {22, -1}, {23, 0}, {23, 1}, {23, 2}}},
      // Each card would be narrower than 100.
      {"column of 453", pageWithColumn(453), 5, {{22, -1}, {23, 0}, {23, 1}, {23, 2}}},
      {"column of 454", pageWithColumn(454), 0, {{18, -1}, {19, -1}, {20, -1}, {21, -1}}},
      // The recent archives would be 94 wide.
      {"narrowest column", pageWithColumn(10), 5, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    record(c.entries);
    paint(c.page);
    ASSERT_EQ(regions.size(), c.regions.size());
    for (size_t i = 0; i < regions.size(); ++i) {
      EXPECT_EQ(regions[i].command, c.regions[i].command) << i;
      EXPECT_EQ(regions[i].argument, c.regions[i].argument) << i;
      EXPECT_EQ(regions[i].focusable, regions[i].command != 23) << i;
    }
  }
}

TEST_F(HomePage, RecentRowsSitUnderTheHeadingWithDividersBetween) {
  const HomeBlocks blocks = homeBlocks(kPageArea, 0);
  const Rect K = blocks.recent;
  struct {
    size_t entries;
    size_t rows;
    size_t dividers;
  } cases[] = {{1, 1, 0}, {2, 2, 1}, {3, 3, 2}, {7, 3, 2}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.entries);
    record(c.entries);
    paint();
    for (size_t i = 0; i < c.rows; ++i) {
      const float y = K.top + 62 + 76 * float(i);
      const HitRegion* row = region(23, int32_t(i));
      ASSERT_NE(row, nullptr);
      EXPECT_EQ(row->rect(), (Rect{K.left + 12, y, K.right - 12, y + 76}));
      EXPECT_LE(row->bottom, K.bottom - 8);
    }
    EXPECT_EQ(region(23, int32_t(c.rows)), nullptr);
    size_t dividers = 0;
    for (const DrawCall& line : linesOf(palette::divider)) {
      if (line.from.y == line.to.y) {
        ++dividers;
        EXPECT_EQ(line.from.x, K.left + 24);
        EXPECT_EQ(line.to.x, K.right - 24);
      }
    }
    EXPECT_EQ(dividers, c.dividers);
  }
}

TEST_F(HomePage, ViewAllEndsBeforeItsArrow) {
  const Rect K = homeBlocks(kPageArea, 0).recent;
  record(1);
  paint();
  const auto link = text(L"View All");
  ASSERT_TRUE(link);
  EXPECT_EQ(link->color, palette::brandRed);
  EXPECT_EQ(link->rect.right, K.right - 46);
  EXPECT_EQ(link->rect.left, K.right - 46 - 8 * 7.5f);
  ASSERT_NE(region(22), nullptr);
  EXPECT_EQ(region(22)->rect(), (Rect{link->rect.left, K.top + 18, K.right - 24, K.top + 46}));
}

TEST_F(HomePage, EmptyHistoryInvitesAndSummarisesNothing) {
  paint();
  EXPECT_TRUE(drewText(L"No recent archives"));
  EXPECT_TRUE(drewText(L"Archives you create or open will appear here."));
  EXPECT_FALSE(drewText(L"View All"));
}

TEST_F(HomePage, StatusSummaryFigures) {
  struct Stat {
    std::wstring value;
    std::wstring label;
  };
  struct {
    const char* name;
    std::vector<HistoryEntry> entries;
    std::vector<Stat> stats;
  } cases[] = {
      {"empty", {}, {{L"\u2014", L"Throughput"}, {L"0 B", L"Saved Space"}, {L"0", L"Total Archives"}}},
      {"one archive",
       {pastArchive(L"/a.zeb", 4 * 1048576, 10 * 1048576, 2)},
       {{L"5 MB/s", L"Last run"}, {L"6.0 MB", L"Saved Space"}, {L"1", L"Archive"}}},
      // The newest has no duration, so the next one's speed is shown; an archive that grew saves nothing.
      {"two archives",
       {pastArchive(L"/b.zeb", 200, 100, 0), pastArchive(L"/a.zeb", 1048576, 3 * 1048576, 0.5)},
       {{L"6 MB/s", L"Last run"}, {L"2.0 MB", L"Saved Space"}, {L"2", L"Total Archives"}}},
      // A vanishing duration reads as the largest figure, not as a 22-digit number.
      {"vanishing duration",
       {pastArchive(L"/a.zeb", 1, std::numeric_limits<uint64_t>::max(), 1e-300)},
       {{L"1,000,000,000 MB/s", L"Last run"}, {formatBytes(std::numeric_limits<uint64_t>::max() - 1), L"Saved Space"}, {L"1", L"Archive"}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    history.entries() = c.entries;
    paint();
    std::vector<DrawCall> values, labels;
    const Rect S = homeBlocks(kPageArea, 0).summary;
    for (const DrawCall& call : callsOf(Kind::Text)) {
      if (call.style == TextStyle::Metric) values.push_back(call);
      // Labels are centred in the last 22 DIPs above the card's bottom margin.
      if (call.style == TextStyle::Caption && call.rect.left >= S.left && call.rect.top >= S.bottom - 28) {
        labels.push_back(call);
      }
    }
    ASSERT_EQ(values.size(), 3u);
    ASSERT_EQ(labels.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
      EXPECT_EQ(values[i].text, c.stats[i].value) << i;
      EXPECT_EQ(labels[i].text, c.stats[i].label) << i;
      EXPECT_EQ(values[i].color, palette::textPrimary);
      EXPECT_EQ(labels[i].color, palette::textSecondary);
    }
  }
}

TEST_F(HomePage, AMissingArchiveSaysSoInsteadOfItsPath) {
  history.entries() = {pastArchive(L"/gone/old.zeb", 10, 20, 1, true), pastArchive(L"/here/new.zeb", 10, 20, 1)};
  paint();
  const auto gone = text(L"old.zeb");
  ASSERT_TRUE(gone);
  EXPECT_EQ(gone->color, palette::textSecondary);
  const auto note = text(L"No longer at this path \u2014 moved or deleted");
  ASSERT_TRUE(note);
  EXPECT_EQ(note->color, palette::brandRed);
  EXPECT_EQ(note->style, TextStyle::Caption);
  EXPECT_FALSE(drewText(L"/gone/old.zeb"));

  const auto here = text(L"new.zeb");
  ASSERT_TRUE(here);
  EXPECT_EQ(here->color, palette::textPrimary);
  const auto path = text(L"/here/new.zeb");
  ASSERT_TRUE(path);
  EXPECT_EQ(path->color, palette::textSecondary);
}

// A long path stays on its line: shortened in the middle so that its file name still shows, laid
// out without wrapping and clipped to the column, so it never runs into the size or the next row.
TEST_F(HomePage, ALongPathKeepsToItsColumn) {
  const std::wstring path = L"/" + std::wstring(200, L'd') + L"/archive.zeb";
  history.entries() = {pastArchive(path, 10, 20, 1)};
  paint();
  const Rect K = homeBlocks(kPageArea, 0).recent;
  const float y = K.top + 62;
  const Rect column{K.left + 12 + 70, y + 40, K.right - 12 - 190, y + 60};
  const auto& calls = canvas.calls();
  const auto drawn = std::find_if(calls.begin(), calls.end(), [&](const DrawCall& call) {
    return call.kind == Kind::Text && call.style == TextStyle::Caption && call.text.find(L"...") != std::wstring::npos;
  });
  ASSERT_NE(drawn, calls.end());
  EXPECT_EQ(drawn->text.substr(drawn->text.size() - 11), L"archive.zeb");
  EXPECT_LE(canvas.measureText(drawn->text, TextStyle::Caption, 1e5f).width, column.width());
  ASSERT_NE(drawn, calls.begin());
  EXPECT_EQ((drawn - 1)->kind, Kind::PushClip);
  EXPECT_EQ((drawn - 1)->rect, column);
  ASSERT_NE(drawn + 1, calls.end());
  EXPECT_EQ((drawn + 1)->kind, Kind::PopClip);
  const float needed = canvas.measureText(drawn->text, TextStyle::Caption, 1e5f).width;
  EXPECT_GE(drawn->rect.width(), needed);  // one line
}

TEST_F(HomePage, WithoutTheProgramIconTheImagesFallBackToIcons) {
  record(2);
  canvas.setProgramIconAvailable(false);
  paint();
  const auto archives = iconsOf(Icon::Archive);
  const bool bannerFallback = std::any_of(archives.begin(), archives.end(), [](const DrawCall& call) {
    return call.color == palette::white && call.size == 40;
  });
  EXPECT_TRUE(bannerFallback);
  EXPECT_EQ(iconsOf(Icon::Document).size(), 2u);
  for (const DrawCall& document : iconsOf(Icon::Document)) EXPECT_EQ(document.color, palette::white);

  canvas.setProgramIconAvailable(true);
  paint();
  EXPECT_TRUE(iconsOf(Icon::Document).empty());
  EXPECT_EQ(callsOf(Kind::ProgramIcon).size(), 3u);
}

TEST_F(HomePage, BannerDecorationOnlyWhereItFits) {
  // The divider stands at L + 96 + 81 ("TOLZEB" in Headline) + 34; the decoration needs the
  // banner's right end beyond it by 230.
  const Color faint = rgb(255, 255, 255, 0.14f);
  struct {
    float width;
    size_t decorations;
  } cases[] = {{1030, 1}, {442, 1}, {441, 0}, {300, 0}};
  for (const auto& c : cases) {
    paint(pageWithColumn(c.width));
    EXPECT_EQ(fillsOf(faint).size(), c.decorations) << c.width;
  }
}

TEST_F(HomePage, CardLookFollowsPointerAndFocus) {
  const Color pressed = rgb(0, 0, 0, 0.08f);
  struct {
    const char* name;
    uint16_t hover;
    uint16_t press;
    uint16_t focus;
    bool showFocus;
    Color outline;
    float stroke;
    std::vector<Color> tints;
    bool ring;
  } cases[] = {
      {"at rest", 0, 0, 19, false, palette::divider, 1, {}, false},
      {"hovered", 19, 0, 0, false, palette::brandRed, 1.4f, {palette::hoverOverlay}, false},
      {"pressed", 19, 19, 0, false, palette::brandRed, 1.4f, {pressed}, false},
      {"another hovered", 18, 0, 0, false, palette::divider, 1, {}, false},
      {"focused", 0, 0, 19, true, palette::divider, 1, {}, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    state.hoverId = c.hover;
    state.pressedId = c.press;
    state.focusId = c.focus;
    state.showFocus = c.showFocus;
    paint();
    const Rect card = region(19)->rect();
    std::vector<Color> tints;
    bool ring = false;
    for (const DrawCall& call : canvas.calls()) {
      if (call.kind == Kind::FillRoundedRect && call.rect == card && call.color.r == 0) tints.push_back(call.color);
      if (call.kind == Kind::DrawRoundedRect && call.rect == card) {
        EXPECT_EQ(call.color, c.outline);
        EXPECT_EQ(call.strokeWidth, c.stroke);
      }
      if (call.kind == Kind::DrawRoundedRect && call.rect == card.grown(2)) ring = true;
    }
    EXPECT_EQ(tints, c.tints);
    EXPECT_EQ(ring, c.ring);
  }
}

TEST_F(HomePage, LoadBars) {
  const Rect G = homeBlocks(kPageArea, 0).monitor;
  const float trackWidth = (G.right - 78) - (G.left + 108);
  const double nan = std::numeric_limits<double>::quiet_NaN();
  struct {
    const char* name;
    SystemLoad::Sample load;
    std::vector<std::wstring> figures;  // processor, then memory
    std::vector<float> fills;           // widths of the filled parts drawn
  } cases[] = {
      {"no sample yet", {50, 60, 0, false}, {L"\u2014", L"\u2014"}, {}},
      {"first sample", {0, 42, 0, true}, {L"0%", L"42%"}, {trackWidth * 0.42f}},
      {"full", {100, 100, 0, true}, {L"100%", L"100%"}, {trackWidth, trackWidth}},
      {"out of range", {250, 0, 0, true}, {L"100%", L"0%"}, {trackWidth}},
      {"not a number", {nan, 0, 0, true}, {L"0%", L"0%"}, {}},
      {"sliver under 2 DIPs", {0.8, 0, 0, true}, {L"1%", L"0%"}, {}},
      {"rounded", {37.6, 0, 0, true}, {L"38%", L"0%"}, {trackWidth * 0.376f}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    state.load = c.load;
    paint();
    std::vector<std::wstring> figures;
    for (const DrawCall& call : callsOf(Kind::Text)) {
      if (call.rect.left == G.right - 70) figures.push_back(call.text);
    }
    EXPECT_EQ(figures, c.figures);
    const auto fills = fillsOf(palette::brandRed);
    std::vector<float> widths;
    for (const DrawCall& fill : fills) {
      if (fill.rect.left == G.left + 108) widths.push_back(fill.rect.width());
    }
    ASSERT_EQ(widths.size(), c.fills.size());
    for (size_t i = 0; i < widths.size(); ++i) EXPECT_NEAR(widths[i], c.fills[i], 0.01f);
    EXPECT_EQ(fillsOf(palette::track).size(), 2u);
  }
}

TEST_F(HomePage, TheGreetingComesFirstAndTheTitleNamesTheProgramAfterTheWelcome) {
  paint();
  const auto texts = callsOf(Kind::Text);
  ASSERT_FALSE(texts.empty());
  EXPECT_TRUE(texts[0].text == L"Good morning!" || texts[0].text == L"Good afternoon!" ||
              texts[0].text == L"Good evening!");
  const auto welcome = text(L"Welcome to ");
  const auto name = text(L"TOLZEB");
  ASSERT_TRUE(welcome && name);
  EXPECT_EQ(welcome->rect.top, kColumnTop + 15 * 1.25f + 2 + 6);
  EXPECT_EQ(name->rect.left, L + 11 * 19);
  EXPECT_EQ(name->color, palette::brandRed);
}

}  // namespace
}  // namespace tolzeb::ui
