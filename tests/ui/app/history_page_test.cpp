#include "ui/app/history_page.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "page_paint_fixture.h"
#include "ui/app/page_painters.h"
#include "ui/foundation/format.h"
#include "ui/foundation/palette.h"
#include "ui/foundation/widgets.h"

namespace tolzeb::ui {
namespace {

using testing::kColumnLeft;
using testing::kColumnRight;
using testing::kColumnTop;
using testing::kPageArea;
using Kind = DrawCall::Kind;

using testing::L;
using testing::R;
constexpr uint64_t kMax = std::numeric_limits<uint64_t>::max();
constexpr float kTotalsTop = kColumnTop + 94;
constexpr float kListTop = kTotalsTop + 112 + 18;

using testing::pastArchive;

class HistoryPage : public testing::PagePaintTest {
 protected:
  HistoryPage() : PagePaintTest(paintHistoryPage) { state.historyView = &history; }

  void record(size_t count) {
    history.entries().clear();
    for (size_t i = 0; i < count; ++i) {
      history.entries().push_back(pastArchive(L"/data/a" + std::to_wstring(i) + L".zeb", 4 * 1048576, 10 * 1048576, 2));
    }
  }
  // The list card: the outlined panel that starts where the list starts.
  std::optional<Rect> listCard(float shift = 0) const {
    for (const Rect& card : cards()) {
      if (card.top == kListTop + shift) return card;
    }
    return std::nullopt;
  }

  History history;
};

TEST(HistoryFigures, RatioAndSpeed) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  struct {
    const char* name;
    HistoryEntry entry;
    double ratio;
    double speed;
  } cases[] = {
      {"halved in half a second", pastArchive(L"a", 500, 1048576, 0.5), 100.0 * 500 / 1048576, 2},
      {"empty input, no duration", pastArchive(L"a", 120, 0, 0), 0, 0},
      {"stored larger than its input", pastArchive(L"a", 1010, 1000, 1), 101, 1000.0 / 1048576},
      {"negative duration", pastArchive(L"a", 1, 1048576, -3), 100.0 / 1048576, 0},
      {"not-a-number duration", pastArchive(L"a", 1, 1048576, nan), 100.0 / 1048576, 0},
      {"absurd sizes and a vanishing duration", pastArchive(L"a", kMax, 1, 1e-300), kMaxShownFigure, 1.0 / 1048576 / 1e-300},
      {"huge input in a vanishing time", pastArchive(L"a", 1, kMax, 1e-300), 100.0 / double(kMax), kMaxShownFigure},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_DOUBLE_EQ(historyRatioPercent(c.entry), c.ratio);
    EXPECT_DOUBLE_EQ(historySpeed(c.entry), std::min(c.speed, kMaxShownFigure));
  }
}

TEST(HistoryFigures, EntryName) {
  struct {
    std::wstring path;
    std::wstring name;
  } cases[] = {
      {L"/data/report.zeb", L"report.zeb"},
      {L"report.zeb", L"report.zeb"},
      {L"/data/folder/", L"/data/folder/"},
      {L"", L""},
  };
  for (const auto& c : cases) EXPECT_EQ(historyEntryName(c.path), c.name) << c.path;
}

TEST(HistoryFigures, TotalsSaturate) {
  History history;
  history.entries() = {pastArchive(L"a", kMax, kMax - 1, 1), pastArchive(L"b", 10, kMax, 1), pastArchive(L"c", 5, 15, 1)};
  const HistoryTotals totals = historyTotals(history);
  EXPECT_EQ(totals.archives, 3u);
  EXPECT_EQ(totals.inputBytes, kMax);
  EXPECT_EQ(totals.writtenBytes, kMax);
  EXPECT_EQ(totals.savedBytes, kMax);  // bytesSaved saturates too
}

TEST_F(HistoryPage, EmptyHistory) {
  const float height = paint();
  EXPECT_TRUE(drewText(L"Archive History"));
  EXPECT_TRUE(drewText(L"Nothing recorded yet."));
  const auto empty = text(L"No archives yet. One appears here each time a compression finishes.");
  ASSERT_TRUE(empty);
  EXPECT_EQ(empty->color, palette::textSecondary);
  EXPECT_TRUE(regions.empty());  // the clear button is disabled
  const auto list = listCard();
  ASSERT_TRUE(list);
  EXPECT_EQ(list->height(), 132);
  EXPECT_EQ(list->right, R);
  EXPECT_EQ(height, 24 + 94 + 112 + 18 + 132 + 18 + 104 + 24);

  state.historyView = nullptr;  // absent counts as empty
  EXPECT_EQ(paint(), height);
  EXPECT_TRUE(drewText(L"Nothing recorded yet."));
}

TEST_F(HistoryPage, TotalsAndRows) {
  history.entries() = {pastArchive(L"/data/a.zeb", 4 * 1048576, 10 * 1048576, 2),
                       pastArchive(L"/data/b.zip", 1010, 1000, 0)};
  const float height = paint();
  EXPECT_EQ(height, 24 + 94 + 112 + 18 + 58 + 2 * 56 + 14 + 18 + 104 + 24);
  const auto totals = text(L"2 archives \u00b7 10 MB of input \u00b7 4.0 MB written \u00b7 6.0 MB saved");
  ASSERT_TRUE(totals);
  EXPECT_EQ(totals->rect, (Rect{L + 22, kTotalsTop + 54, R - 260, kTotalsTop + 80}));
  ASSERT_NE(region(74), nullptr);
  EXPECT_EQ(region(74)->rect(), (Rect{R - 198, kTotalsTop + 44, R - 22, kTotalsTop + 86}));

  EXPECT_TRUE(drewText(L"10 MB \u2192 4.0 MB \u00b7 40.0%"));
  EXPECT_TRUE(drewText(L"5.0 MB/s when it ran"));
  EXPECT_TRUE(drewText(L"1,000 B \u2192 1,010 B \u00b7 101.0%"));
  EXPECT_TRUE(drewText(L"0.0 MB/s when it ran"));
  EXPECT_TRUE(drewText(formatTimestamp(133000000000000000ull)));
  for (int32_t i = 0; i < 2; ++i) {
    const float r = kListTop + 58 + 56 * float(i);
    const HitRegion* row = region(73, i);
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->rect(), (Rect{L + 10, r + 2, R - 10, r + 54}));
  }
  const auto name = text(L"a.zeb");
  ASSERT_TRUE(name);
  EXPECT_EQ(name->color, palette::textPrimary);
  const auto path = text(L"/data/a.zeb");
  ASSERT_TRUE(path);
  EXPECT_EQ(path->style, TextStyle::Caption);
}

TEST_F(HistoryPage, OneArchiveIsSingular) {
  record(1);
  paint();
  EXPECT_TRUE(drewText(L"1 archive \u00b7 10 MB of input \u00b7 4.0 MB written \u00b7 6.0 MB saved"));
}

TEST_F(HistoryPage, MissingArchiveRowStillOpens) {
  history.entries() = {pastArchive(L"/gone/old.zeb", 10, 20, 1, true)};
  paint();
  const auto name = text(L"old.zeb");
  ASSERT_TRUE(name);
  EXPECT_EQ(name->color, palette::textSecondary);
  const auto note = text(L"No longer at this path \u2014 moved or deleted");
  ASSERT_TRUE(note);
  EXPECT_EQ(note->color, palette::brandRed);
  EXPECT_FALSE(drewText(L"/gone/old.zeb"));
  EXPECT_NE(region(73, 0), nullptr);
}

TEST_F(HistoryPage, HoverTintsTheRowAndItsArrow) {
  record(2);
  state.hoverId = 73;
  state.hoverIndex = 1;
  paint();
  const Rect hovered = region(73, 1)->rect();
  size_t tints = 0;
  for (const DrawCall& call : callsOf(Kind::FillRoundedRect)) {
    if (call.color == palette::hoverOverlay) {
      ++tints;
      EXPECT_EQ(call.rect, hovered);
    }
  }
  EXPECT_EQ(tints, 1u);
  const auto arrows = iconsOf(Icon::ChevronRight);
  ASSERT_EQ(arrows.size(), 2u);
  EXPECT_EQ(arrows[0].color, rgb(180, 185, 193));
  EXPECT_EQ(arrows[1].color, palette::brandRed);
}

TEST_F(HistoryPage, WithoutTheProgramIconTheRowShowsADocument) {
  record(3);
  canvas.setProgramIconAvailable(false);
  paint();
  const auto documents = iconsOf(Icon::Document);
  ASSERT_EQ(documents.size(), 3u);
  EXPECT_EQ(documents[0].color, palette::brandRed);
  EXPECT_EQ(documents[0].size, 20);
}

// Only rows that reach into the page are drawn and registered; the height counts every row.
TEST_F(HistoryPage, RowsOutsideThePageAreSkipped) {
  record(kMaxHistoryEntries);
  const float fullHeight = 24 + 94 + 112 + 18 + 58 + 56 * 200 + 14 + 18 + 104 + 24;
  for (float offset : {0.0f, 2000.0f, 11200.0f}) {
    SCOPED_TRACE(offset);
    state.scrollOffset = offset;
    EXPECT_EQ(paint(), fullHeight);
    std::vector<int32_t> shown;
    for (const HitRegion& r : regions) {
      if (r.command != 73) continue;
      shown.push_back(r.argument);
      EXPECT_GT(r.bottom + 2, kPageArea.top);  // the row spans 2 above and below its box
      EXPECT_LT(r.top - 2, kPageArea.bottom);
    }
    ASSERT_FALSE(shown.empty());
    for (size_t i = 1; i < shown.size(); ++i) EXPECT_EQ(shown[i], shown[i - 1] + 1);
    // 678 DIPs of page show at most 14 rows of 56, partly cut at either end.
    EXPECT_LE(shown.size(), 14u);
    EXPECT_EQ(iconsOf(Icon::ChevronRight).size(), shown.size());
  }
}

TEST_F(HistoryPage, NarrowestColumnDropsTheNameButKeepsTheFigures) {
  record(1);
  paint({kPageArea.left, kPageArea.top, kPageArea.left + 100, kPageArea.bottom});
  EXPECT_FALSE(drewText(L"a0.zeb"));
  EXPECT_FALSE(drewText(L"/data/a0.zeb"));
  EXPECT_TRUE(drewText(L"5.0 MB/s when it ran"));
  const auto list = listCard(subtitleShift("history.subtitle", 420));
  ASSERT_TRUE(list);
  EXPECT_EQ(list->width(), 420);
}

TEST_F(HistoryPage, NoteNamesTheHistoryFile) {
  paint();
  const float noteTop = kListTop + 132 + 18;
  bool found = false;
  for (const Rect& card : cards()) found = found || card == Rect{L, noteTop, R, noteTop + 104};
  EXPECT_TRUE(found);
  EXPECT_TRUE(drewText(L"A row records what the run reported: the sizes and the time it took. Opening one reads the "
                       L"archive from disk; a row whose archive has been moved or deleted will say so."));
  const std::wstring file = History::filePath();
  if (!file.empty()) {
    EXPECT_TRUE(drewText(fitText(canvas, file, TextStyle::Caption, R - L - 48)));
  }
}

}  // namespace
}  // namespace tolzeb::ui
