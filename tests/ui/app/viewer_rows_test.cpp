// The viewer's rows: the name filter, the sort orders and the sums over the ticked entries.
#include "ui/app/viewer_rows.h"

#include <gtest/gtest.h>

namespace tolzeb::ui {
namespace {

ListedEntry entry(const std::wstring& path, uint64_t size, uint64_t modified = 0, bool directory = false) {
  ListedEntry e;
  e.path = path;
  e.size = size;
  e.modified = modified;
  e.isDirectory = directory;
  return e;
}

std::vector<std::wstring> shownPaths(const PageState& state) {
  std::vector<std::wstring> paths;
  for (int32_t row : state.viewerRows) paths.push_back(state.viewerEntries[size_t(row)].path);
  return paths;
}

void setFilter(PageState& state, const std::wstring& text) {
  state.viewerFilter.clear();
  state.viewerFilter.insert(text, 1024);
}

TEST(ViewerRowsTest, CompareEntryNamesFoldsOnlyAsciiLettersAndPutsTheShorterFirst) {
  struct Case {
    std::wstring left, right;
    int sign;
  } cases[] = {
      {L"a", L"B", -1},
      {L"B", L"b", 0},
      {L"a", L"ab", -1},
      {L"ab", L"a", 1},
      {L"", L"", 0},
      {L"", L"x", -1},
      {L"Z", L"_", 1},             // 'z' 0x7A after '_' 0x5F
      {L"\u00C9", L"\u00E9", -1},  // no folding outside A-Z
      {L"docs/a", L"DOCS/A", 0},
      {L"a/b", L"a.b", 1},
      {L"\uFF01", L"a", 1},  // units compare unsigned
  };
  for (const Case& c : cases) {
    const int got = compareEntryNames(c.left, c.right);
    EXPECT_EQ((got > 0) - (got < 0), c.sign) << std::string(c.left.begin(), c.left.end());
  }
}

TEST(ViewerRowsTest, FilterTrimsFoldsAndSearchesTheWholePath) {
  const std::vector<ListedEntry> entries = {entry(L"docs/", 0, 0, true), entry(L"docs/Read Me.txt", 5),
                                            entry(L"src/main.cpp", 7), entry(L"Docs/deep/x.bin", 9),
                                            entry(L"mydocs/y", 1)};
  struct Case {
    std::wstring filter;
    std::vector<int32_t> kept;
  } cases[] = {
      {L"", {0, 1, 2, 3, 4}},   {L" \t  \t", {0, 1, 2, 3, 4}},  // only blanks: everything
      {L"DOCS/", {0, 1, 3, 4}},                                 // any case, inside the folder too
      {L"\t read me ", {1}},                                    // inner spaces stay
      {L"MAIN", {2}},           {L"nothing", {}},
      {L"src/m", {2}},  // across the separator
  };
  for (const Case& c : cases) {
    EXPECT_EQ(filterViewerEntries(entries, c.filter), c.kept) << std::string(c.filter.begin(), c.filter.end());
  }
  // Letters beyond ASCII fold as the archive search folds them.
  EXPECT_EQ(filterViewerEntries({entry(L"\u00C4rger/\u0414\u041E\u041A.txt", 1)}, L"\u00E4RGER/\u0434\u043E\u043A"),
            std::vector<int32_t>{0});
  EXPECT_EQ(trimSpacesAndTabs(L" \t a b\t "), L"a b");
  EXPECT_EQ(trimSpacesAndTabs(L"\n a"), L"\n a");  // only spaces and tabs are trimmed
}

TEST(ViewerRowsTest, SortOrdersPerColumnAndDirection) {
  PageState s;
  s.viewerEntries = {entry(L"b.txt", 30, 300), entry(L"zdir/", 0, 100, true), entry(L"A.txt", 10, 200),
                     entry(L"c.txt", 10, 200), entry(L"adir/", 0, 400, true)};
  struct Case {
    uint8_t column;
    bool ascending;
    std::vector<std::wstring> order;
  } cases[] = {
      {0, true, {L"A.txt", L"adir/", L"b.txt", L"c.txt", L"zdir/"}},
      {0, false, {L"zdir/", L"c.txt", L"b.txt", L"adir/", L"A.txt"}},
      // Folders first in both directions; equal sizes and folders among themselves by name.
      {1, true, {L"adir/", L"zdir/", L"A.txt", L"c.txt", L"b.txt"}},
      {1, false, {L"zdir/", L"adir/", L"b.txt", L"c.txt", L"A.txt"}},
      {2, true, {L"zdir/", L"A.txt", L"c.txt", L"b.txt", L"adir/"}},
      {2, false, {L"adir/", L"b.txt", L"c.txt", L"A.txt", L"zdir/"}},
  };
  for (const Case& c : cases) {
    s.viewerSortColumn = c.column;
    s.viewerSortAscending = c.ascending;
    rebuildViewerRows(s);
    EXPECT_EQ(shownPaths(s), c.order) << int(c.column) << " " << c.ascending;
  }
}

TEST(ViewerRowsTest, EqualNamesKeepTheListingOrder) {
  PageState s;
  s.viewerEntries = {entry(L"b", 1), entry(L"a", 2), entry(L"B", 3)};
  rebuildViewerRows(s);
  EXPECT_EQ(s.viewerRows, (std::vector<int32_t>{1, 0, 2}));
  s.viewerEntries = {entry(L"B", 1), entry(L"a", 2), entry(L"b", 3)};
  rebuildViewerRows(s);
  EXPECT_EQ(s.viewerRows, (std::vector<int32_t>{1, 0, 2}));
  s.viewerSortAscending = false;  // descending keeps equal names in listing order as well
  rebuildViewerRows(s);
  EXPECT_EQ(s.viewerRows, (std::vector<int32_t>{0, 2, 1}));
}

TEST(ViewerRowsTest, FilterAndSortCombine) {
  PageState s;
  s.viewerEntries = {entry(L"x/big", 90), entry(L"y/small", 1), entry(L"x/mid", 50), entry(L"x/", 0, 0, true)};
  setFilter(s, L"X/");
  s.viewerSortColumn = 1;
  s.viewerSortAscending = false;
  rebuildViewerRows(s);
  EXPECT_EQ(shownPaths(s), (std::vector<std::wstring>{L"x/", L"x/big", L"x/mid"}));
}

TEST(ViewerRowsTest, TickedFileBytesCountsTickedFilesOverAllEntries) {
  PageState s;
  s.viewerEntries = {entry(L"a", 100), entry(L"d/", 4096, 0, true), entry(L"b", 20), entry(L"c", 3)};
  s.viewerTicked = {1, 1, 0, 1};
  setFilter(s, L"a");  // hiding entries does not change the sum
  rebuildViewerRows(s);
  EXPECT_EQ(tickedFileBytes(s), 103u);
  EXPECT_EQ(tickedEntryCount(s), 3u);
  s.viewerTicked.assign(4, 0);
  EXPECT_EQ(tickedFileBytes(s), 0u);
  EXPECT_EQ(tickedEntryCount(s), 0u);
}

}  // namespace
}  // namespace tolzeb::ui
