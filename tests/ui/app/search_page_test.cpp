// The search page and the search field: name hits while typing, the background search after
// Enter over real archives, and what the page draws for each state.
#include "ui/app/search_page.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "app_window_fixture.h"
#include "sample_archives.h"
#include "ui/foundation/format.h"

namespace tolzeb::ui::testing {
namespace {

using Kind = DrawCall::Kind;

class SearchPageTest : public AppWindowTest {
 protected:
  // The history lists the paths newest first, as given.
  void record(const std::vector<std::wstring>& paths) {
    for (auto it = paths.rbegin(); it != paths.rend(); ++it) window.historyStore().add(HistoryEntry{*it, 1, 2, 3, 1.0});
  }
  void typeQuery(const std::wstring& text) {
    window.onCommand(command_ids::kSearchField, -1);
    for (wchar_t c : text) window.onChar(c);
  }
  std::vector<std::wstring> texts() const {
    std::vector<std::wstring> out;
    for (const DrawCall& call : canvas.calls())
      if (call.kind == Kind::Text) out.push_back(call.text);
    return out;
  }
  bool drew(const std::wstring& text) const {
    for (const std::wstring& t : texts())
      if (t == text) return true;
    return false;
  }
  std::vector<const HitRegion*> regionsOf(uint16_t id) const {
    std::vector<const HitRegion*> out;
    for (const HitRegion& r : window.regions())
      if (r.command == id) out.push_back(&r);
    return out;
  }
  void finishSearch() {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (window.archiveSearch().snapshot().running && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    ASSERT_FALSE(window.archiveSearch().snapshot().running);
    window.onSearchProgress();
  }
  static wchar_t separator() { return joinPath(L"a", L"b")[1]; }
  static std::wstring path(std::initializer_list<std::wstring> parts) {
    std::wstring out;
    for (const std::wstring& part : parts) out = out.empty() ? part : joinPath(out, part);
    return out;
  }
};

TEST(SearchFileName, PartAfterTheLastSeparatorOrTheWholePath) {
  const std::wstring sep(1, joinPath(L"a", L"b")[1]);
  EXPECT_EQ(fileNameOf(L"data" + sep + L"backup.zip"), L"backup.zip");
  EXPECT_EQ(fileNameOf(L"backup.zip"), L"backup.zip");
  EXPECT_EQ(fileNameOf(L"data" + sep), L"data" + sep);
  EXPECT_EQ(fileNameOf(L""), L"");
}

TEST_F(SearchPageTest, TheArchiveListIsTheHistoryNewestFirstEachArchiveOnce) {
  const std::wstring a = path({L"Data", L"Alpha.zeb"}), b = path({L"data", L"ALPHA.ZEB"}), c = path({L"x", L"c.zip"});
  record({a, L"", b, c, a});
  EXPECT_EQ(window.searchArchiveList(), (std::vector<std::wstring>{a, c}));
}

TEST_F(SearchPageTest, TypingOnAnotherPageShowsTheSearchPageAndFollowsEveryEdit) {
  const std::wstring backup = path({L"d", L"Backup.zeb"}), photos = path({L"d", L"photos.zip"});
  record({backup, photos});
  window.onCommand(5, -1);  // the tools page
  window.state().focusId = command_ids::kSearchField;
  window.onChar(L'B');
  EXPECT_EQ(window.state().page, Page::Search);
  EXPECT_EQ(window.state().focusId, command_ids::kSearchField);
  ASSERT_EQ(window.state().searchNameHits.size(), 1u);
  EXPECT_EQ(window.state().searchNameHits[0].archivePath, backup);

  window.onChar(L'x');
  EXPECT_TRUE(window.state().searchNameHits.empty());
  window.onKeyDown(keys::kBackspace);
  EXPECT_EQ(window.state().searchNameHits.size(), 1u);

  // A click into the field from elsewhere brings the page back and recomputes the hits.
  window.onCommand(1, -1);
  record({path({L"e", L"bee.7z"})});
  window.onCommand(command_ids::kSearchField, -1);
  EXPECT_EQ(window.state().page, Page::Search);
  EXPECT_FALSE(window.state().showFocus);
  EXPECT_EQ(window.state().searchNameHits.size(), 2u);
}

TEST_F(SearchPageTest, NothingTypedShowsOnlyTheEmptyCard) {
  window.onCommand(command_ids::kSearchField, -1);
  paint();
  EXPECT_TRUE(drew(L"Nothing typed yet"));
  EXPECT_TRUE(drew(L"Type in the box above to find an archive by name. Press Enter to look inside them as well."));
  EXPECT_FALSE(drew(L"Archives"));
  EXPECT_TRUE(regionsOf(10).empty());
}

TEST_F(SearchPageTest, NameHitsAreRowsThatOpenTheirArchive) {
  SampleArchives samples;
  record({samples.zeb(), samples.zip(), samples.textFile()});
  typeQuery(L"PLAIN");
  paint();
  EXPECT_TRUE(drew(L"1 matching"));
  EXPECT_TRUE(drew(L"plain.zeb"));
  EXPECT_TRUE(drew(L"Press Enter to look inside these archives."));
  EXPECT_TRUE(drew(L"Not searched yet."));
  ASSERT_EQ(regionsOf(10).size(), 1u);
  EXPECT_EQ(regionsOf(10)[0]->argument, 0);

  window.onCommand(10, 1);  // past the end: nothing
  EXPECT_EQ(window.state().page, Page::Search);
  window.onCommand(10, 0);
  EXPECT_EQ(window.state().page, Page::Viewer);
  EXPECT_EQ(window.state().viewerArchive, samples.zeb());
  EXPECT_TRUE(window.state().viewerListed);
}

TEST_F(SearchPageTest, NoNameMatchStillLetsEnterSearchEveryArchive) {
  SampleArchives samples;
  record({samples.zeb(), samples.lockedZeb(), samples.zip(), samples.textFile(), samples.missing()});
  typeQuery(L"C.TXT");
  EXPECT_TRUE(window.state().searchNameHits.empty());
  window.onKeyDown(keys::kEnter);
  EXPECT_EQ(window.state().searchedQuery, L"C.TXT");
  finishSearch();

  const ArchiveSearch::Snapshot& snapshot = window.state().searchSnapshot;
  EXPECT_EQ(snapshot.archivesTotal, 5u);
  EXPECT_EQ(snapshot.archivesSearched, 4u);
  EXPECT_EQ(snapshot.archivesMissing, 1u);
  EXPECT_EQ(snapshot.archivesUnreadable, 2u);  // the text file and the encrypted archive
  ASSERT_EQ(snapshot.hits.size(), 2u);
  EXPECT_EQ(snapshot.hits[0].archivePath, samples.zeb());
  EXPECT_EQ(snapshot.hits[0].entryName, L"sources/sub/c.txt");
  EXPECT_EQ(snapshot.hits[1].archivePath, samples.zip());

  paint();
  EXPECT_TRUE(drew(L"No archive name contains that."));
  EXPECT_TRUE(drew(L"2 matches in 4 archives read  \u00B7  1 no longer on disk  \u00B7  2 could not be read"));
  EXPECT_TRUE(drew(L"c.txt"));
  EXPECT_TRUE(drew(L"plain.zeb  \u203A  sources/sub/c.txt"));
  ASSERT_EQ(regionsOf(11).size(), 2u);

  // An entry hit opens its archive, not the entry; an index past the end does nothing.
  window.onCommand(11, 2);
  EXPECT_EQ(window.state().page, Page::Search);
  window.onCommand(11, 1);
  EXPECT_EQ(window.state().page, Page::Viewer);
  EXPECT_EQ(window.state().viewerArchive, samples.zip());
}

TEST_F(SearchPageTest, StatusLineFollowsTheWorkersState) {
  struct Case {
    const char* what;
    ArchiveSearch::Snapshot snapshot;
    std::wstring searched;
    std::wstring status;
    std::wstring message;  // empty: rows are shown
  };
  ArchiveSearch::Snapshot running;
  running.running = true;
  running.archivesSearched = 3;
  running.archivesTotal = 1200;
  ArchiveSearch::Snapshot truncated;
  truncated.hits.push_back({L"a.zeb", L"x/match", 5, false});
  truncated.archivesSearched = 200;
  truncated.archivesUnreadable = 1;
  truncated.truncated = true;
  ArchiveSearch::Snapshot empty;
  empty.archivesSearched = 2;
  const Case cases[] = {
      {"running", running, L"match", L"Reading archive 4 of 1,200...", L"Searching..."},
      {"truncated", truncated, L"match",
       L"1 matches in 200 archives read  \u00B7  1 could not be read  \u00B7  stopped at the limit", L""},
      {"nothing found", empty, L"match", L"0 matches in 2 archives read", L"No file inside those archives contains that."},
      {"an older query", truncated, L"matc", L"Press Enter to look inside these archives.", L"Not searched yet."},
  };
  typeQuery(L"match");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    window.state().searchSnapshot = c.snapshot;
    window.state().searchedQuery = c.searched;
    paint();
    EXPECT_TRUE(drew(c.status));
    if (c.message.empty()) {
      EXPECT_EQ(regionsOf(11).size(), 1u);
    } else {
      EXPECT_TRUE(drew(c.message));
      EXPECT_TRUE(regionsOf(11).empty());
    }
  }
}

TEST_F(SearchPageTest, FolderHitsShowTheFolderIconAndNoSize) {
  typeQuery(L"docs");
  ArchiveSearch::Snapshot snapshot;
  snapshot.hits = {{L"a.zeb", L"docs/", 0, true}, {L"a.zeb", L"docs/big.bin", 3u << 20, false}};
  window.state().searchSnapshot = snapshot;
  window.state().searchedQuery = L"docs";
  paint();
  std::vector<Icon> icons;
  for (const DrawCall& call : canvas.calls())
    if (call.kind == Kind::Icon && call.size == 19 && call.icon != Icon::Search) icons.push_back(call.icon);  // not the toolbar's
  EXPECT_EQ(icons, (std::vector<Icon>{Icon::Folder, Icon::Document}));
  EXPECT_TRUE(drew(L"docs/"));  // a path ending in '/' is shown whole
  EXPECT_TRUE(drew(L"big.bin"));
  EXPECT_TRUE(drew(formatBytes(3u << 20)));
  int sizes = 0;
  for (const DrawCall& call : canvas.calls())
    if (call.kind == Kind::Text && call.align == TextAlign::Trailing && call.style == TextStyle::Body) ++sizes;
  EXPECT_EQ(sizes, 1);
}

TEST_F(SearchPageTest, EnterOnAnEmptyFieldAndEscapeAndClearEmptyEverything) {
  SampleArchives samples;
  record({samples.zeb()});
  typeQuery(L"a.txt");
  window.onKeyDown(keys::kEnter);
  finishSearch();
  EXPECT_FALSE(window.state().searchSnapshot.hits.empty());

  // Escape: the clear button's work, then home.
  window.onKeyDown(keys::kEscape);
  EXPECT_EQ(window.state().page, Page::Home);
  EXPECT_TRUE(window.state().searchQuery.text.empty());
  EXPECT_TRUE(window.state().searchNameHits.empty());
  EXPECT_TRUE(window.state().searchSnapshot.hits.empty());
  EXPECT_TRUE(window.state().searchedQuery.empty());
  EXPECT_EQ(window.state().focusId, 0);

  typeQuery(L"plain");
  window.onKeyDown(keys::kEnter);
  finishSearch();
  window.onCommand(command_ids::kClearSearch, -1);
  EXPECT_TRUE(window.state().searchQuery.text.empty());
  EXPECT_EQ(window.state().searchQuery.caret, 0u);
  EXPECT_TRUE(window.state().searchNameHits.empty());
  EXPECT_TRUE(window.state().searchedQuery.empty());

  // Enter with nothing typed stops and forgets the last search.
  window.state().searchSnapshot.archivesTotal = 9;
  window.state().searchedQuery = L"old";
  window.onCommand(command_ids::kSearchField, -1);
  window.onKeyDown(keys::kEnter);
  EXPECT_EQ(window.state().searchSnapshot.archivesTotal, 0u);
  EXPECT_TRUE(window.state().searchedQuery.empty());
}

TEST_F(SearchPageTest, RowsOutsideThePageAreNeitherDrawnNorClickable) {
  std::vector<std::wstring> paths;
  for (int i = 0; i < 40; ++i) paths.push_back(path({L"d", L"archive" + std::to_wstring(i) + L".zeb"}));
  record(paths);
  typeQuery(L"archive");
  paint();
  const size_t shown = regionsOf(10).size();
  EXPECT_GT(shown, 5u);
  EXPECT_LT(shown, 40u);
  EXPECT_EQ(regionsOf(10).front()->argument, 0);
}

}  // namespace
}  // namespace tolzeb::ui::testing
