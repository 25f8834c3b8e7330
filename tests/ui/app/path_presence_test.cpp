// What a path on disk is, as the window reports it before it opens anything.
#include "ui/app/path_presence.h"

#include <gtest/gtest.h>

#include <iterator>

#include "sample_archives.h"

namespace tolzeb::ui::testing {
namespace {

TEST(PathPresenceTest, FilesFoldersAndEverythingMissing) {
  tolzeb::testing::TempFolder root;
  writeFile(root / L"file.txt", "x");
  ASSERT_TRUE(createDirectories(root / L"folder").ok());
  struct Case {
    std::wstring path;
    PathPresence presence;
  } cases[] = {
      {root / L"file.txt", PathPresence::File},
      {root / L"folder", PathPresence::Folder},
      {root.path(), PathPresence::Folder},
      {root / L"gone.zeb", PathPresence::Missing},
      {root / L"gone/deeper.zeb", PathPresence::Missing},
      {root / L"file.txt/inside.zeb", PathPresence::Missing},  // a file where a folder should be
      {L"", PathPresence::Missing},
      {root / L"half\xD800pair", PathPresence::Missing},  // no file can have this name
  };
  for (size_t i = 0; i < std::size(cases); ++i)
    EXPECT_EQ(pathPresence(cases[i].path), cases[i].presence) << "case " << i;
}

TEST(PathPresenceTest, EveryPresenceButAFileHasItsMessage) {
  EXPECT_STREQ(presenceMessageKey(PathPresence::File), "");
  EXPECT_STREQ(presenceMessageKey(PathPresence::Missing), "error.file_missing");
  EXPECT_STREQ(presenceMessageKey(PathPresence::Folder), "error.file_is_folder");
  EXPECT_STREQ(presenceMessageKey(PathPresence::Unreadable), "error.file_unreadable");
}

}  // namespace
}  // namespace tolzeb::ui::testing
