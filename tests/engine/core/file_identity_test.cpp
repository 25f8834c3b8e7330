#include "engine/core/file_identity.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "engine/core/fs.h"
#include "support/temp_folder.h"

namespace tolzeb {
namespace {

// The temporary folder's paths are ASCII, so the narrowing is exact.
std::filesystem::path nativeOf(const std::wstring& path) {
  return std::filesystem::path(std::string(path.begin(), path.end()));
}

void writeOneByteFile(const std::wstring& path) {
  Result<UniqueHandle> file = openForWrite(path, false);
  ASSERT_TRUE(file.hasValue());
  ASSERT_TRUE(file->writeAll("x", 1).ok());
}

TEST(SameFile, FollowsTheFileNotTheSpelling) {
  const testing::TempFolder folder;
  writeOneByteFile(folder / L"a.zeb");
  writeOneByteFile(folder / L"b.zeb");
  ASSERT_TRUE(createDirectories(folder / L"sub").ok());
  std::error_code linkError;
  std::filesystem::create_hard_link(nativeOf(folder / L"a.zeb"), nativeOf(folder / L"hard.zeb"), linkError);
  ASSERT_FALSE(linkError) << linkError.message();

  struct Case {
    std::wstring first, second;
    bool same;
  };
  const Case cases[] = {
      {folder / L"a.zeb", folder / L"a.zeb", true},
      {folder / L"a.zeb", folder / L"sub/../a.zeb", true},
      {folder / L"a.zeb", folder / L"./a.zeb", true},
      {folder / L"a.zeb", folder / L"hard.zeb", true},  // a second name of the same file
      {folder / L"sub", folder / L"sub/.", true},
      {folder / L"a.zeb", folder / L"b.zeb", false},
      {folder / L"a.zeb", folder / L"missing.zeb", false},
      {folder / L"missing.zeb", folder / L"missing.zeb", false},  // no file, so nothing to replace
      {folder / L"a.zeb", folder / L"sub", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(sameFile(c.first, c.second), c.same)
        << ::testing::PrintToString(c.first) << " " << ::testing::PrintToString(c.second);
  }
  if (kPathsIgnoreCase) {
    EXPECT_TRUE(sameFile(folder / L"a.zeb", folder / L"A.ZEB"));
  }
}

}  // namespace
}  // namespace tolzeb
