#include "engine/create/source_scan.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/scratch_tree.h"

namespace tolzeb {
namespace {

using testing::printable;
using testing::ScratchTree;

const bool kPosix = kPathSeparator == L'/';

// Non-ASCII names: a Latin letter, CJK, a fullwidth letter (U+FF21) and a supplementary-plane
// character (U+1F600, a surrogate pair). In UTF-16 order the pair (D83D) sorts before U+FF21.
const std::wstring kAccented = L"caf\u00E9.txt";
const std::wstring kCjk = L"\u65E5\u672C";
const std::wstring kFullwidth = L"\uFF21.txt";
const std::wstring kSmiley = L"\xD83D\xDE00.txt";

std::vector<std::wstring> archivePaths(const std::vector<SourceEntry>& entries) {
  std::vector<std::wstring> paths;
  for (const auto& entry : entries) paths.push_back(entry.archivePath);
  return paths;
}

Result<std::vector<SourceEntry>> scan(const std::vector<std::wstring>& sources,
                                      const std::set<std::wstring>* include = nullptr,
                                      const ProgressCallback& progress = {}) {
  return scanSources(sources, progress, Stopwatch(), include);
}

TEST(SourceScanTest, TreeBecomesSortedEntriesWithArchivePaths) {
  ScratchTree tree;
  tree.writeText(L"in/B/x", "x");
  tree.writeText(L"in/B/deep/er/leaf.bin", "leaf!");
  tree.makeDirectory(L"in/B/empty");
  tree.writeText(L"in/B/zero", "");
  tree.writeText(L"in/B/" + kCjk + L"/" + kAccented, "caf");
  tree.writeText(L"in/B/" + kFullwidth, "A");
  tree.writeText(L"in/B/" + kSmiley, "smile");
  tree.writeText(L"in/A.txt", "upper");
  tree.writeText(L"in/a.txt", "lower");
  tree.makeDirectory(L"in/b0");

  // Sources in an order unlike the result's, one folder with trailing separators.
  const std::wstring separators(2, kPathSeparator);
  auto result = scan({tree.path(L"in/b0"), tree.path(L"in/a.txt"), tree.path(L"in/B") + separators,
                      tree.path(L"in/A.txt")});
  ASSERT_TRUE(result.hasValue()) << printable(result.failure().message);

  struct Expected {
    std::wstring archivePath;
    std::wstring source;  // below the scratch root
    bool isDirectory;
    uint64_t size;
  };
  const std::vector<Expected> expected = {
      {L"A.txt", L"in/A.txt", false, 5},
      {L"B", L"in/B", true, 0},
      {L"B/deep", L"in/B/deep", true, 0},
      {L"B/deep/er", L"in/B/deep/er", true, 0},
      {L"B/deep/er/leaf.bin", L"in/B/deep/er/leaf.bin", false, 5},
      {L"B/empty", L"in/B/empty", true, 0},
      {L"B/x", L"in/B/x", false, 1},
      {L"B/zero", L"in/B/zero", false, 0},
      {L"B/" + kCjk, L"in/B/" + kCjk, true, 0},
      {L"B/" + kCjk + L"/" + kAccented, L"in/B/" + kCjk + L"/" + kAccented, false, 3},
      {L"B/" + kSmiley, L"in/B/" + kSmiley, false, 5},
      {L"B/" + kFullwidth, L"in/B/" + kFullwidth, false, 1},
      {L"a.txt", L"in/a.txt", false, 5},
      {L"b0", L"in/b0", true, 0},
  };
  const auto& entries = result.value();
  ASSERT_EQ(entries.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE(printable(expected[i].archivePath));
    EXPECT_EQ(entries[i].archivePath, expected[i].archivePath);
    EXPECT_EQ(entries[i].sourcePath, tree.path(expected[i].source));
    EXPECT_EQ(entries[i].isDirectory, expected[i].isDirectory);
    EXPECT_EQ(entries[i].size, expected[i].size);
    EXPECT_NE(entries[i].modified, 0u);
    EXPECT_EQ(entries[i].attributes & kAttributeDirectory, expected[i].isDirectory ? kAttributeDirectory : 0u);
  }
}

TEST(SourceScanTest, RefusesWhatCannotBecomeAnArchivePath) {
  ScratchTree tree;
  tree.writeText(L"one/same.txt", "1");
  tree.writeText(L"two/same.txt", "2");
  tree.writeText(L"x/Photos/a.jpg", "a");
  tree.writeText(L"y/Photos/a.jpg", "a");
  if (kPosix) {
    tree.writeText(L"dev/aux.c", "reserved on Windows");
    tree.writeText(L"slash/a\\b", "a backslash inside a name");
  }
  std::wstring fileSystemRoot = tree.root();
  fileSystemRoot.resize(kPosix ? 1 : 3);

  struct Case {
    const char* name;
    std::vector<std::wstring> sources;
    StatusCode code;
    std::wstring message;  // exact, or a prefix when it ends in "'"
    bool posixOnly;
  };
  const Case cases[] = {
      {"empty source", {L""}, StatusCode::invalid_argument, L"Empty path", false},
      {"missing source", {tree.path(L"nothing")}, StatusCode::not_found, L"Cannot stat '", false},
      {"file-system root", {fileSystemRoot}, StatusCode::invalid_argument,
       L"Cannot derive an archive name from source: " + fileSystemRoot, false},
      {"two files with one name", {tree.path(L"one/same.txt"), tree.path(L"two/same.txt")},
       StatusCode::invalid_argument, L"Two sources map to the same archive path: same.txt", false},
      {"two folders sharing an item", {tree.path(L"x/Photos"), tree.path(L"y/Photos")},
       StatusCode::invalid_argument, L"Two sources map to the same archive path: Photos/a.jpg", false},
      {"reserved device name", {tree.path(L"dev")}, StatusCode::path_unsafe,
       L"Archive entry path uses a reserved device name: dev/aux.c", true},
      {"backslash inside a name", {tree.path(L"slash")}, StatusCode::path_unsafe,
       L"Archive entry path contains a backslash; stored paths use '/': slash/a\\b", true},
  };
  for (const Case& c : cases) {
    if (c.posixOnly && !kPosix) continue;
    SCOPED_TRACE(c.name);
    auto result = scan(c.sources);
    ASSERT_TRUE(result.failed());
    EXPECT_EQ(result.failure().code, c.code);
    if (c.message.back() == L'\'') {
      EXPECT_EQ(result.failure().message.rfind(c.message, 0), 0u) << printable(result.failure().message);
    } else {
      EXPECT_EQ(result.failure().message, c.message);
    }
  }
}

TEST(SourceScanTest, OverlappingSourcesMergeOrRepeatAsTheirPathsSay) {
  ScratchTree tree;
  tree.writeText(L"x/Photos/2023.jpg", "a");
  tree.writeText(L"y/Photos/2024.jpg", "b");
  tree.writeText(L"Folder/a.txt", "c");

  auto merged = scan({tree.path(L"x/Photos"), tree.path(L"y/Photos")});
  ASSERT_TRUE(merged.hasValue());
  EXPECT_EQ(archivePaths(merged.value()),
            (std::vector<std::wstring>{L"Photos", L"Photos/2023.jpg", L"Photos/2024.jpg"}));

  // The same file given directly and inside its folder is archived under both paths.
  auto twice = scan({tree.path(L"Folder/a.txt"), tree.path(L"Folder")});
  ASSERT_TRUE(twice.hasValue());
  EXPECT_EQ(archivePaths(twice.value()), (std::vector<std::wstring>{L"Folder", L"Folder/a.txt", L"a.txt"}));
  EXPECT_EQ(twice.value()[1].sourcePath, twice.value()[2].sourcePath);
}

TEST(SourceScanTest, IncludeSetFiltersFilesOnly) {
  ScratchTree tree;
  tree.writeText(L"Docs/keep.txt", "k");
  tree.writeText(L"Docs/drop.txt", "d");
  tree.writeText(L"Docs/sub/keep2.txt", "k");
  tree.makeDirectory(L"Docs/empty");
  const std::set<std::wstring> include = {L"Docs/keep.txt", L"Docs/sub/keep2.txt", L"Docs/not-there.txt"};
  auto result = scan({tree.path(L"Docs")}, &include);
  ASSERT_TRUE(result.hasValue());
  EXPECT_EQ(archivePaths(result.value()),
            (std::vector<std::wstring>{L"Docs", L"Docs/empty", L"Docs/keep.txt", L"Docs/sub", L"Docs/sub/keep2.txt"}));
}

TEST(SourceScanTest, LinksAreNeitherArchivedNorFollowed) {
  if (!kPosix) GTEST_SKIP() << "links are made with the POSIX file system here";
  ScratchTree tree;
  tree.writeText(L"outside/secret.txt", "s");
  tree.writeText(L"src/real.txt", "r");
  std::filesystem::create_directory_symlink(printable(tree.path(L"outside")), printable(tree.path(L"src/dirlink")));
  std::filesystem::create_symlink(printable(tree.path(L"src/real.txt")), printable(tree.path(L"src/filelink")));
  auto result = scan({tree.path(L"src")});
  ASSERT_TRUE(result.hasValue());
  EXPECT_EQ(archivePaths(result.value()), (std::vector<std::wstring>{L"src", L"src/real.txt"}));
}

TEST(SourceScanTest, ReportsEachItemAndStopsWhenTold) {
  ScratchTree tree;
  tree.writeText(L"S/a", "1");
  tree.writeText(L"S/b", "2");
  tree.writeText(L"S/c", "3");

  std::vector<Progress> reports;
  auto all = scan({tree.path(L"S")}, nullptr, [&](const Progress& p) {
    reports.push_back(p);
    return true;
  });
  ASSERT_TRUE(all.hasValue());
  ASSERT_EQ(reports.size(), 3u);  // the folder's own entry is not reported
  for (size_t i = 0; i < reports.size(); ++i) {
    EXPECT_EQ(reports[i].phase, Progress::Phase::Scanning);
    EXPECT_EQ(reports[i].itemsTotal, i + 2);  // entries so far, the folder's own included
    EXPECT_EQ(reports[i].itemsDone, 0u);
    EXPECT_EQ(reports[i].bytesDone, 0u);
    EXPECT_EQ(reports[i].currentItem.rfind(tree.path(L"S"), 0), 0u);
  }

  for (int stopAt : {1, 3}) {
    int calls = 0;
    auto stopped = scan({tree.path(L"S")}, nullptr, [&](const Progress&) { return ++calls < stopAt; });
    ASSERT_TRUE(stopped.failed());
    EXPECT_EQ(stopped.failure().code, StatusCode::canceled);
    EXPECT_EQ(stopped.failure().message, L"Scan canceled");
    EXPECT_EQ(calls, stopAt);
  }
}

}  // namespace
}  // namespace tolzeb
