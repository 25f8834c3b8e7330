// The viewer page: its layout over long listings, what it says about the ticked entries, and the
// commands of its headers, rows and tick buttons.
#include "ui/app/viewer_page.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "app_window_fixture.h"
#include "ui/app/page_painters.h"
#include "ui/app/viewer_rows.h"
#include "ui/foundation/palette.h"

namespace tolzeb::ui::testing {
namespace {

constexpr Rect kPage{86, 122, 1172, 800};

ListedEntry entry(const std::wstring& path, uint64_t size, bool directory = false) {
  ListedEntry e;
  e.path = path;
  e.size = size;
  e.isDirectory = directory;
  e.modified = 133000000000000000ull;
  return e;
}

void listEntries(PageState& s, std::vector<ListedEntry> entries) {
  s.viewerArchive = L"/tmp/a.zeb";
  s.viewerListed = true;
  s.viewerKind = 1;
  s.viewerEntries = std::move(entries);
  s.viewerTicked.assign(s.viewerEntries.size(), 0);
  rebuildViewerRows(s);
}

std::vector<const HitRegion*> rowRegions(const HitRegions& regions) {
  std::vector<const HitRegion*> rows;
  for (const HitRegion& r : regions)
    if (r.command == 56) rows.push_back(&r);
  return rows;
}

size_t textCount(const RecordingCanvas& canvas, const std::wstring& prefix) {
  return size_t(std::count_if(canvas.calls().begin(), canvas.calls().end(), [&](const DrawCall& c) {
    return c.kind == DrawCall::Kind::Text && c.text.rfind(prefix, 0) == 0;
  }));
}

::testing::AssertionResult hasText(const RecordingCanvas& canvas, const std::wstring& text) {
  std::string drawn;
  for (const DrawCall& c : canvas.calls()) {
    if (c.kind != DrawCall::Kind::Text) continue;
    if (c.text == text) return ::testing::AssertionSuccess();
    for (wchar_t unit : c.text) drawn += unit < 128 ? char(unit) : '?';
    drawn += " | ";
  }
  return ::testing::AssertionFailure() << "drawn: " << drawn;
}

class ViewerPageTest : public AppWindowTest {
 protected:
  float paintAlone(const PageState& s) {
    canvas.clearCalls();
    regions.clear();
    return paintViewerPage(canvas, icons, s, kPage, regions);
  }
  HitRegions regions;
};

TEST_F(ViewerPageTest, TenThousandEntriesAreLaidOutInFullButOnlyVisibleRowsAreDrawn) {
  PageState s;
  std::vector<ListedEntry> many;
  for (int i = 0; i < 10000; ++i) many.push_back(entry(L"file" + std::to_wstring(100000 + i) + L".bin", uint64_t(i)));
  listEntries(s, std::move(many));

  const float height = paintAlone(s);
  // Title 94, archive card 150 + 18, entries card 58 + 50 + 34 + rows + 14, action row 20 + 72.
  EXPECT_FLOAT_EQ(height, 24 + 94 + 168 + 156 + 32 * 10000.0f + 92);

  struct Case {
    float scroll;
  } cases[] = {{0}, {1000}, {32 * 5000.0f}, {height - (kPage.bottom - kPage.top)}};
  for (const Case& c : cases) {
    s.scrollOffset = c.scroll;
    paintAlone(s);
    const auto rows = rowRegions(regions);
    ASSERT_FALSE(rows.empty()) << c.scroll;
    EXPECT_LE(rows.size(), size_t((kPage.bottom - kPage.top) / 32) + 2) << c.scroll;
    for (const HitRegion* r : rows) {
      EXPECT_GT(r->bottom, kPage.top) << c.scroll;
      EXPECT_LT(r->top, kPage.bottom) << c.scroll;
      EXPECT_FLOAT_EQ(r->bottom - r->top, 32);
    }
    // Drawn names match the recorded rows exactly.
    EXPECT_EQ(textCount(canvas, L"file"), rows.size()) << c.scroll;
    // Consecutive rows in display order.
    for (size_t k = 1; k < rows.size(); ++k) EXPECT_EQ(rows[k]->argument, rows[k - 1]->argument + 1);
  }

  // Scrolling moves the rows up by the offset: the first one drawn is the one crossing the top.
  s.scrollOffset = 0;
  paintAlone(s);
  const float listTop = rowRegions(regions).front()->top;
  EXPECT_EQ(rowRegions(regions).front()->argument, 0);
  s.scrollOffset = 32 * 300;
  paintAlone(s);
  const auto scrolled = rowRegions(regions);
  EXPECT_EQ(scrolled.front()->argument, int32_t((s.scrollOffset + kPage.top - listTop) / 32));
  EXPECT_FLOAT_EQ(scrolled.front()->top, listTop + 32 * float(scrolled.front()->argument) - s.scrollOffset);
  EXPECT_GT(scrolled.front()->bottom, kPage.top);
  EXPECT_LE(scrolled.front()->top, kPage.top);
}

TEST_F(ViewerPageTest, TickedRowsAreTintedAndTheActionRowSaysWhatWillBeWritten) {
  PageState s;
  listEntries(s, {entry(L"docs/", 0, true), entry(L"docs/a.txt", 1000), entry(L"b.bin", 2048), entry(L"c", 5)});
  s.viewerTicked = {1, 1, 1, 0};
  paintAlone(s);
  const size_t tints = size_t(std::count_if(canvas.calls().begin(), canvas.calls().end(), [](const DrawCall& c) {
    return c.kind == DrawCall::Kind::FillRoundedRect && c.color == palette::brandTint;
  }));
  EXPECT_EQ(tints, 3u);
  EXPECT_TRUE(hasText(canvas, L"Extract 3 selected"));
  EXPECT_TRUE(hasText(canvas, L"3.0 KB will be written."));

  // Filtering ticked entries out counts them as hidden.
  s.viewerFilter.insert(L"DOCS/", 1024);
  rebuildViewerRows(s);
  paintAlone(s);
  EXPECT_TRUE(hasText(canvas, L"3.0 KB will be written. 1 are hidden by the filter."));
  EXPECT_TRUE(hasText(canvas, L"2 of 4 entries"));
  EXPECT_TRUE(std::any_of(regions.begin(), regions.end(), [](const HitRegion& r) { return r.command == 65; }));

  // Nothing ticked: the extract button has no region and the hint shows.
  s.viewerTicked.assign(4, 0);
  paintAlone(s);
  EXPECT_TRUE(hasText(canvas, L"Tick the entries you want, or extract the whole archive."));
  EXPECT_FALSE(std::any_of(regions.begin(), regions.end(), [](const HitRegion& r) { return r.command == 59; }));
}

TEST_F(ViewerPageTest, EmptyStatesAndSummary) {
  struct Case {
    const char* name;
    bool listed;
    int entries;
    std::wstring filter;
    std::wstring text;
  } cases[] = {
      {"nothing open", false, 0, L"", L"Nothing open yet. Choose an archive above."},
      {"empty archive", true, 0, L"", L"This archive is empty."},
      {"filtered away", true, 2, L"zzz", L"No entry matches the filter."},
  };
  for (const Case& c : cases) {
    PageState s;
    if (c.listed) {
      std::vector<ListedEntry> entries;
      for (int i = 0; i < c.entries; ++i) entries.push_back(entry(L"e" + std::to_wstring(i), 1));
      listEntries(s, entries);
      s.viewerFilter.insert(c.filter, 1024);
      rebuildViewerRows(s);
    }
    paintAlone(s);
    EXPECT_TRUE(hasText(canvas, c.text)) << c.name;
    EXPECT_TRUE(rowRegions(regions).empty()) << c.name;
  }
  PageState s;
  listEntries(s, {entry(L"a", 1000)});
  s.viewerArchiveSize = 1100;  // a store-only archive larger than its input
  s.viewerTotalSize = 1000;
  paintAlone(s);
  EXPECT_TRUE(hasText(canvas, L"TOLZEB archive · 1 entry · 1.1 KB on disk · 1,000 B unpacked · 110.0% overall"));
}

TEST_F(ViewerPageTest, ColumnHeaderShowsItsDirection) {
  PageState s;
  struct Case {
    bool ascending;
    TextAlign align;
    float tipY, chevronX;
  } cases[] = {
      {true, TextAlign::Trailing, 7, 193},
      {false, TextAlign::Trailing, 13, 193},
  };
  for (const Case& c : cases) {
    canvas.clearCalls();
    regions.clear();
    drawColumnHeader(canvas, s, regions, {100, 0, 200, 20}, L"Size", 54, true, c.ascending, c.align);
    std::vector<DrawCall> lines;
    for (const DrawCall& call : canvas.calls())
      if (call.kind == DrawCall::Kind::Line) lines.push_back(call);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_FLOAT_EQ(lines[0].to.y, c.tipY);
    EXPECT_FLOAT_EQ(lines[0].to.x, c.chevronX);
    ASSERT_EQ(regions.size(), 1u);
    EXPECT_EQ(regions[0].command, 54);
  }
  canvas.clearCalls();
  drawColumnHeader(canvas, s, regions, {100, 0, 200, 20}, L"Size", 54, false, true, TextAlign::Leading);
  EXPECT_TRUE(std::none_of(canvas.calls().begin(), canvas.calls().end(),
                           [](const DrawCall& c) { return c.kind == DrawCall::Kind::Line; }));
}

TEST_F(ViewerPageTest, HeadersFlipOrChangeTheSortColumn) {
  PageState& s = window.state();
  listEntries(s, {entry(L"b", 1), entry(L"a", 3), entry(L"dir/", 0, true), entry(L"c", 2)});
  window.showPage(Page::Viewer);
  struct Step {
    uint16_t header;
    uint8_t column;
    bool ascending;
    std::vector<int32_t> rows;
  } steps[] = {
      {54, 1, true, {2, 0, 3, 1}},
      {54, 1, false, {2, 1, 3, 0}},
      {53, 0, true, {1, 0, 3, 2}},
      {53, 0, false, {2, 3, 0, 1}},
  };
  for (const Step& step : steps) {
    click(step.header);
    EXPECT_EQ(s.viewerSortColumn, step.column);
    EXPECT_EQ(s.viewerSortAscending, step.ascending);
    EXPECT_EQ(s.viewerRows, step.rows);
  }
}

TEST_F(ViewerPageTest, RowClicksTickAndPickAndTheTickButtonsWorkOnVisibleRows) {
  PageState& s = window.state();
  listEntries(s, {entry(L"x/a", 1), entry(L"y/b", 2), entry(L"x/c", 3)});
  window.showPage(Page::Viewer);

  window.onCommand(56, 1);
  EXPECT_EQ(s.viewerTicked, (std::vector<uint8_t>{0, 1, 0}));
  EXPECT_EQ(s.viewerSelectedRow, 1);
  window.onCommand(56, 1);
  EXPECT_EQ(s.viewerTicked, (std::vector<uint8_t>{0, 0, 0}));
  window.onCommand(56, 7);  // out of range: no tick changes
  EXPECT_EQ(s.viewerTicked, (std::vector<uint8_t>{0, 0, 0}));
  window.onCommand(56, -1);
  EXPECT_EQ(s.viewerTicked, (std::vector<uint8_t>{0, 0, 0}));

  // A real click on the first drawn row.
  paint();
  const HitRegion* row = region(56);
  ASSERT_NE(row, nullptr);
  const int32_t clicked = row->argument;
  click(56);
  EXPECT_EQ(s.viewerTicked[size_t(clicked)], 1);

  s.viewerTicked.assign(3, 0);
  for (wchar_t ch : std::wstring(L"x/")) {
    s.focusId = command_ids::kViewerFilter;
    window.onChar(ch);
  }
  EXPECT_EQ(s.viewerRows, (std::vector<int32_t>{0, 2}));  // typing rebuilds the rows
  window.onCommand(57, -1);
  EXPECT_EQ(s.viewerTicked, (std::vector<uint8_t>{1, 0, 1}));
  window.onCommand(58, -1);
  EXPECT_EQ(s.viewerTicked, (std::vector<uint8_t>{0, 0, 0}));
  window.onKeyDown(0x08);  // Backspace rebuilds as well
  EXPECT_EQ(s.viewerRows, (std::vector<int32_t>{0, 2}));
  window.onKeyDown(0x08);
  EXPECT_EQ(s.viewerRows, (std::vector<int32_t>{0, 2, 1}));
}

}  // namespace
}  // namespace tolzeb::ui::testing
