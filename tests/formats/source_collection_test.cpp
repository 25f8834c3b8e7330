#include "formats/source_collection.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/scratch_tree.h"

namespace tolzeb {
namespace {

using testing::printable;
using testing::ScratchTree;

const bool kPosix = kPathSeparator == L'/';

std::vector<std::wstring> archivePaths(const std::vector<SourceEntry>& entries) {
  std::vector<std::wstring> paths;
  for (const auto& entry : entries) paths.push_back(entry.archivePath);
  return paths;
}

TEST(SourceCollectionTest, SelectionBecomesSortedRecords) {
  ScratchTree tree;
  const std::wstring accented = L"caf\u00E9.txt";
  const std::wstring smiley = L"\xD83D\xDE00.txt";  // a surrogate pair sorts before U+FF21
  const std::wstring fullwidth = L"\uFF21.txt";
  tree.writeText(L"data/photos/2020/a.jpg", "jpeg");
  tree.makeDirectory(L"data/photos/empty");
  tree.writeText(L"data/photos/" + accented, "cafe");
  tree.writeText(L"data/photos/" + smiley, ":)");
  tree.writeText(L"data/photos/" + fullwidth, "A");
  tree.writeText(L"x/docs/a.txt", "a");
  tree.writeText(L"y/docs/b.txt", "bb");
  tree.writeText(L"readme.txt", "read me");
  tree.makeDirectory(L"lonely");

  struct Expected {
    std::wstring archivePath;
    std::wstring source;  // below the scratch root
    bool isDirectory;
    uint64_t size;
  };
  const std::wstring separators(2, kPathSeparator);
  auto result = collectArchiveSources({tree.path(L"readme.txt"), tree.path(L"data/photos") + separators,
                                       tree.path(L"x/docs"), tree.path(L"y/docs"), tree.path(L"lonely")});
  ASSERT_TRUE(result.hasValue()) << printable(result.failure().message);
  const std::vector<Expected> expected = {
      {L"docs", L"x/docs", true, 0},  // the first of the merged folders
      {L"docs/a.txt", L"x/docs/a.txt", false, 1},
      {L"docs/b.txt", L"y/docs/b.txt", false, 2},
      {L"lonely", L"lonely", true, 0},
      {L"photos", L"data/photos", true, 0},
      {L"photos/2020", L"data/photos/2020", true, 0},
      {L"photos/2020/a.jpg", L"data/photos/2020/a.jpg", false, 4},
      {L"photos/" + accented, L"data/photos/" + accented, false, 4},
      {L"photos/empty", L"data/photos/empty", true, 0},
      {L"photos/" + smiley, L"data/photos/" + smiley, false, 2},
      {L"photos/" + fullwidth, L"data/photos/" + fullwidth, false, 1},
      {L"readme.txt", L"readme.txt", false, 7},
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
  }
}

TEST(SourceCollectionTest, RefusesSelectionsWithoutUniqueNames) {
  ScratchTree tree;
  tree.writeText(L"one/readme.txt", "1");
  tree.writeText(L"two/readme.txt", "2");
  tree.writeText(L"x/docs/a.txt", "a");
  tree.writeText(L"y/docs/a.txt", "a");
  std::wstring fileSystemRoot = tree.root();
  fileSystemRoot.resize(kPosix ? 1 : 3);

  struct Case {
    const char* name;
    std::vector<std::wstring> sources;
    StatusCode code;
    std::wstring message;  // exact, or a prefix when it ends in "'"
  };
  const Case cases[] = {
      {"two files with one name", {tree.path(L"one/readme.txt"), tree.path(L"two/readme.txt")},
       StatusCode::invalid_argument, L"Two sources map to the same archive path: readme.txt"},
      {"merged folders sharing an item", {tree.path(L"x/docs"), tree.path(L"y/docs")}, StatusCode::invalid_argument,
       L"Two sources map to the same archive path: docs/a.txt"},
      {"file-system root", {fileSystemRoot}, StatusCode::invalid_argument,
       L"Cannot derive an archive name from source: " + fileSystemRoot},
      {"missing source", {tree.path(L"one/readme.txt"), tree.path(L"nothing")}, StatusCode::not_found,
       L"Cannot stat '"},
      {"empty source", {L""}, StatusCode::invalid_argument, L"Empty path"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto result = collectArchiveSources(c.sources);
    ASSERT_TRUE(result.failed());
    EXPECT_EQ(result.failure().code, c.code);
    if (c.message.back() == L'\'') {
      EXPECT_EQ(result.failure().message.rfind(c.message, 0), 0u) << printable(result.failure().message);
    } else {
      EXPECT_EQ(result.failure().message, c.message);
    }
  }
}

TEST(SourceCollectionTest, LinksInsideFoldersAreSkippedButASelectedLinkIsKept) {
  if (!kPosix) GTEST_SKIP() << "links are made with the POSIX file system here";
  ScratchTree tree;
  tree.writeText(L"outside/secret.txt", "s");
  tree.writeText(L"src/real.txt", "r");
  std::filesystem::create_directory_symlink(printable(tree.path(L"outside")), printable(tree.path(L"src/dirlink")));
  std::filesystem::create_symlink(printable(tree.path(L"src/real.txt")), printable(tree.path(L"src/filelink")));
  auto folder = collectArchiveSources({tree.path(L"src")});
  ASSERT_TRUE(folder.hasValue());
  EXPECT_EQ(archivePaths(folder.value()), (std::vector<std::wstring>{L"src", L"src/real.txt"}));

  auto direct = collectArchiveSources({tree.path(L"src/filelink")});
  ASSERT_TRUE(direct.hasValue()) << printable(direct.failure().message);
  EXPECT_EQ(archivePaths(direct.value()), (std::vector<std::wstring>{L"filelink"}));
  EXPECT_EQ(direct.value()[0].size, 1u);  // the size of what the link leads to, not of the link

  std::filesystem::create_symlink(printable(tree.path(L"nowhere")), printable(tree.path(L"dangling")));
  auto dangling = collectArchiveSources({tree.path(L"dangling")});
  ASSERT_TRUE(dangling.failed());
  EXPECT_EQ(dangling.failure().code, StatusCode::not_found);
}

TEST(SourceCollectionTest, ReadWholeFileReadsTheRecordedSize) {
  ScratchTree tree;
  tree.writeText(L"f.bin", "0123456789");
  struct Case {
    const char* name;
    std::wstring path;
    uint64_t size;
    std::string bytes;
    StatusCode code;  // general = success
    std::wstring message;
  };
  const Case cases[] = {
      {"whole file", tree.path(L"f.bin"), 10, "0123456789", StatusCode::general, L""},
      {"grown file read up to its recorded size", tree.path(L"f.bin"), 4, "0123", StatusCode::general, L""},
      {"size 0 never opens the file", tree.path(L"gone"), 0, "", StatusCode::general, L""},
      {"shrunk file", tree.path(L"f.bin"), 11, "", StatusCode::io_failure,
       L"File changed size while it was being read: " + tree.path(L"f.bin")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto result = readWholeFile(c.path, c.size);
    if (c.code == StatusCode::general) {
      ASSERT_TRUE(result.hasValue()) << printable(result.failure().message);
      EXPECT_EQ(std::string(result->begin(), result->end()), c.bytes);
    } else {
      ASSERT_TRUE(result.failed());
      EXPECT_EQ(result.failure().code, c.code);
      EXPECT_EQ(result.failure().message, c.message);
    }
  }
}

}  // namespace
}  // namespace tolzeb
