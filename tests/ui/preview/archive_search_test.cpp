#include "ui/preview/archive_search.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <thread>

namespace tolzeb::ui {
namespace {

TEST(SearchFolding, LowerCasesWithoutTheUsersLocale) {
  struct Case {
    std::wstring text;
    std::wstring folded;
  } cases[] = {
      {L"", L""},
      {L"ABC.ZEB", L"abc.zeb"},
      {L"C:\\Data\\Backup 2024.ZIP", L"c:\\data\\backup 2024.zip"},
      {L"\u00C4rger \u00D6L", L"\u00E4rger \u00F6l"},  // umlauts fold
      {L"Stra\u00DFe", L"stra\u00DFe"},                // sharp s stays one unit
      {L"\u0414\u041E\u041A", L"\u0434\u043E\u043A"},  // Cyrillic capitals
      {L"\u00D7 1/2", L"\u00D7 1/2"},                  // the multiplication sign has no case
      {L"\u0130STANBUL", L"istanbul"},                 // capital I with dot lower-cases to plain i
  };
  for (const Case& c : cases) EXPECT_EQ(foldForSearch(c.text), c.folded) << std::string(c.text.begin(), c.text.end());
}

TEST(SearchMatching, FoldedSubstringOfTheWholeName) {
  struct Case {
    std::wstring name;
    std::wstring query;  // as typed; folded before the call
    bool matches;
  } cases[] = {
      {L"photos/holiday.jpg", L"", false},
      {L"photos/holiday.jpg", L"HOLI", true},
      {L"photos/holiday.jpg", L"s/h", true},  // across the separator
      {L"photos/holiday.jpg", L"holiday.jpgx", false},
      {L"PHOTOS/Holiday.JPG", L"photos/holiday.jpg", true},
      {L"\u00C4rger.txt", L"\u00E4RGER", true},
      {L"report", L"rp", false},  // contiguous only
  };
  for (const Case& c : cases) {
    EXPECT_EQ(nameMatches(c.name, foldForSearch(c.query)), c.matches)
        << std::string(c.name.begin(), c.name.end()) << " / " << std::string(c.query.begin(), c.query.end());
  }
}

TEST(SearchMatching, FilterKeepsPathOrderAndMatchesTheWholePath) {
  const std::vector<std::wstring> paths = {L"C:\\Work\\alpha.zeb", L"C:\\Backup\\beta.zip", L"D:\\backup.7z",
                                           L"C:\\Other\\gamma.tar"};
  const std::vector<SearchHit> hits = filterEntriesByName(paths, L"BACKUP");
  ASSERT_EQ(hits.size(), 2u);
  EXPECT_EQ(hits[0], (SearchHit{L"C:\\Backup\\beta.zip", L"", 0, false}));
  EXPECT_EQ(hits[1], (SearchHit{L"D:\\backup.7z", L"", 0, false}));
  EXPECT_TRUE(filterEntriesByName(paths, L"").empty());
}

TEST(SearchMatching, FilterStopsAtFourHundredHits) {
  std::vector<std::wstring> paths;
  for (int i = 0; i < 500; ++i) paths.push_back(L"C:\\a\\archive" + std::to_wstring(i) + L".zeb");
  const std::vector<SearchHit> hits = filterEntriesByName(paths, L"archive");
  ASSERT_EQ(hits.size(), kSearchHitLimit);
  EXPECT_EQ(hits.back().archivePath, paths[kSearchHitLimit - 1]);
}

// A world of archives for the worker: each path is missing, unreadable (kind or listing fails),
// or listed with the given entries.
class ArchiveSearchWorker : public ::testing::Test {
 protected:
  struct Archive {
    bool exists = true;
    bool kindKnown = true;
    bool listable = true;
    std::vector<ListedEntry> entries;
  };

  ArchiveSearchWorker() {
    engine.detectArchiveKind = [this](const std::wstring& path) -> Result<ArchiveKind> {
      if (!archive(path).kindKnown) return Result<ArchiveKind>(StatusCode(7), L"Unknown archive kind");
      return ArchiveKind::zeb;
    };
    engine.listAnyArchive = [this](const std::wstring& path, ArchiveKind, const Password&) -> Result<ArchiveListing> {
      ++listings;
      if (listingGate) listingGate();
      const Archive& a = archive(path);
      if (!a.listable) return Result<ArchiveListing>(StatusCode(4), L"A password is needed");
      ArchiveListing listing;
      listing.entries = a.entries;
      return listing;
    };
  }

  const Archive& archive(const std::wstring& path) {
    std::lock_guard lock(worldMutex);
    return world[path];
  }

  ArchiveSearchServices services() {
    ArchiveSearchServices s;
    s.engine = &engine;
    s.pathExists = [this](const std::wstring& path) { return archive(path).exists; };
    s.post = [this](WindowHandle window, AppMessage message, uintptr_t, intptr_t) {
      EXPECT_EQ(message, AppMessage::SearchProgress);
      EXPECT_EQ(window, kWindow);
      ++posts;
      return true;
    };
    s.tickMilliseconds = [this] { return clock.fetch_add(clockStep) + clockStep; };
    return s;
  }

  static std::vector<ListedEntry> numberedEntries(const std::wstring& stem, int count) {
    std::vector<ListedEntry> entries;
    for (int i = 0; i < count; ++i) entries.push_back({stem + std::to_wstring(i) + L".txt", false, uint64_t(i)});
    return entries;
  }

  ArchiveSearch::Snapshot runToEnd(ArchiveSearch& search, const std::wstring& query, std::vector<std::wstring> paths) {
    search.start(query, std::move(paths), kWindow);
    return waitUntilFinished(search);
  }

  static ArchiveSearch::Snapshot waitUntilFinished(ArchiveSearch& search) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    ArchiveSearch::Snapshot snapshot = search.snapshot();
    while (snapshot.running && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
      snapshot = search.snapshot();
    }
    EXPECT_FALSE(snapshot.running) << "the search did not finish in time";
    return snapshot;
  }

  inline static const WindowHandle kWindow = reinterpret_cast<WindowHandle>(uintptr_t(0x1234));
  EngineCalls engine;
  std::mutex worldMutex;
  std::map<std::wstring, Archive> world;
  std::function<void()> listingGate;
  std::atomic<int> listings{0};
  std::atomic<int> posts{0};
  std::atomic<uint64_t> clock{1000};
  uint64_t clockStep = 1000;
};

TEST_F(ArchiveSearchWorker, CountsMissingUnreadableAndSearchedArchives) {
  world[L"gone.zeb"].exists = false;
  world[L"notes.txt"].kindKnown = false;
  world[L"locked.zeb"].listable = false;
  world[L"good.zeb"].entries = {{L"Docs/", true, 0}, {L"docs/report.pdf", false, 1234}, {L"photo.jpg", false, 9}};
  ArchiveSearch search(services());

  const auto snapshot = runToEnd(search, L"DOCS", {L"gone.zeb", L"notes.txt", L"locked.zeb", L"good.zeb"});
  EXPECT_EQ(snapshot.query, L"DOCS");
  EXPECT_EQ(snapshot.archivesTotal, 4u);
  EXPECT_EQ(snapshot.archivesMissing, 1u);
  EXPECT_EQ(snapshot.archivesUnreadable, 2u);
  EXPECT_EQ(snapshot.archivesSearched, 3u);
  EXPECT_FALSE(snapshot.truncated);
  ASSERT_EQ(snapshot.hits.size(), 2u);
  EXPECT_EQ(snapshot.hits[0], (SearchHit{L"good.zeb", L"Docs/", 0, true}));
  EXPECT_EQ(snapshot.hits[1], (SearchHit{L"good.zeb", L"docs/report.pdf", 1234, false}));
}

TEST_F(ArchiveSearchWorker, StopsAtFourHundredHitsAndMarksTruncation) {
  struct Case {
    const char* what;
    std::vector<int> matchingPerArchive;
    size_t expectedSearched;
    bool expectedTruncated;
  } cases[] = {
      {"one archive with 1000 matches", {1000}, 1, true},
      {"1000 matches, others after it", {1000, 5, 5}, 1, true},
      {"two archives overflow the limit", {300, 300, 7}, 2, true},
      {"exactly 400, nothing left", {400}, 1, false},
      {"400 reached, another archive waits", {400, 3}, 1, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    world.clear();
    std::vector<std::wstring> paths;
    for (size_t i = 0; i < c.matchingPerArchive.size(); ++i) {
      const std::wstring path = L"a" + std::to_wstring(i) + L".zeb";
      world[path].entries = numberedEntries(L"match", c.matchingPerArchive[i]);
      paths.push_back(path);
    }
    ArchiveSearch search(services());
    const auto snapshot = runToEnd(search, L"match", paths);
    EXPECT_EQ(snapshot.hits.size(), std::min<size_t>(kSearchHitLimit, [&] {
                size_t n = 0;
                for (int m : c.matchingPerArchive) n += size_t(m);
                return n;
              }()));
    EXPECT_EQ(snapshot.archivesSearched, c.expectedSearched);
    EXPECT_EQ(snapshot.truncated, c.expectedTruncated);
    // Hits keep the archive order and each listing's order.
    EXPECT_EQ(snapshot.hits.front().entryName, L"match0.txt");
    EXPECT_EQ(snapshot.hits.front().archivePath, L"a0.zeb");
  }
}

TEST_F(ArchiveSearchWorker, SearchesAtMostTwoHundredArchives) {
  for (const size_t count : {size_t(200), size_t(250)}) {
    SCOPED_TRACE(count);
    std::vector<std::wstring> paths;
    for (size_t i = 0; i < count; ++i) paths.push_back(L"x" + std::to_wstring(i) + L".zeb");
    ArchiveSearch search(services());
    const auto snapshot = runToEnd(search, L"nothing", paths);
    EXPECT_EQ(snapshot.archivesTotal, count);
    EXPECT_EQ(snapshot.archivesSearched, kSearchArchiveLimit);
    EXPECT_EQ(snapshot.truncated, count > kSearchArchiveLimit);
  }
}

TEST_F(ArchiveSearchWorker, ProgressPostsAreRateLimitedPlusOneAtTheEnd) {
  struct Case {
    uint64_t step;
    int archives;
    int expectedPosts;
  } cases[] = {
      {1000, 5, 6},  // every archive takes a second: each one posts, then the final post
      {30, 10, 4},   // posts at 0, 120 and 240 ms, then the final one
      {0, 10, 2},    // the clock stands still: only the first and the final
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.step);
    clockStep = c.step;
    std::vector<std::wstring> paths;
    for (int i = 0; i < c.archives; ++i) paths.push_back(L"p" + std::to_wstring(i) + L".zeb");
    posts = 0;
    ArchiveSearch search(services());
    runToEnd(search, L"q", paths);
    search.stopAndJoin();  // the final post follows the last change of the state
    EXPECT_EQ(posts.load(), c.expectedPosts);
  }
}

TEST_F(ArchiveSearchWorker, NoWindowMeansNoPosts) {
  ArchiveSearch search(services());
  search.start(L"q", {L"a.zeb", L"b.zeb"}, nullptr);
  waitUntilFinished(search);
  search.stopAndJoin();
  EXPECT_EQ(posts.load(), 0);
}

TEST_F(ArchiveSearchWorker, RequestStopKeepsTheResultsAndEndsBeforeTheNextArchive) {
  world[L"first.zeb"].entries = numberedEntries(L"hit", 3);
  world[L"second.zeb"].entries = numberedEntries(L"hit", 3);
  std::atomic<bool> entered{false}, released{false};
  listingGate = [&] {
    entered = true;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!released && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
  };
  ArchiveSearch search(services());
  search.start(L"hit", {L"first.zeb", L"second.zeb"}, kWindow);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!entered && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
  ASSERT_TRUE(entered);

  search.requestStop();  // returns at once although the listing is still in progress
  EXPECT_TRUE(search.snapshot().running);
  released = true;
  const auto snapshot = waitUntilFinished(search);
  EXPECT_EQ(listings.load(), 1);
  EXPECT_EQ(snapshot.archivesSearched, 1u);
  EXPECT_EQ(snapshot.hits.size(), 0u);  // the stop also ended the walk of the first listing
}

TEST_F(ArchiveSearchWorker, StartAgainReplacesTheRunningSearch) {
  std::vector<std::wstring> many;
  for (int i = 0; i < 150; ++i) {
    many.push_back(L"old" + std::to_wstring(i) + L".zeb");
    world[many.back()].entries = numberedEntries(L"old", 2);
  }
  world[L"new1.zeb"].entries = numberedEntries(L"new", 2);
  world[L"new2.zeb"].entries = numberedEntries(L"new", 1);
  ArchiveSearch search(services());
  search.start(L"old", many, kWindow);
  const auto snapshot = runToEnd(search, L"new", {L"new1.zeb", L"new2.zeb"});
  EXPECT_EQ(snapshot.query, L"new");
  EXPECT_EQ(snapshot.archivesTotal, 2u);
  EXPECT_EQ(snapshot.archivesSearched, 2u);
  ASSERT_EQ(snapshot.hits.size(), 3u);
  for (const SearchHit& hit : snapshot.hits) EXPECT_EQ(hit.archivePath.substr(0, 3), L"new");
}

}  // namespace
}  // namespace tolzeb::ui
