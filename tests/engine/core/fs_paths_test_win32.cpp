#include <gtest/gtest.h>
#include <windows.h>

#include "engine/core/fs.h"

namespace tolzeb {
namespace {

struct PathCase {
  std::wstring input;
  std::wstring expected;
};

TEST(FsPathsTest, ToLongPathPrefixesDriveAndUncPathsOnly) {
  const PathCase cases[] = {
      {L"C:/a/b", L"\\\\?\\C:\\a\\b"},
      {L"C:\\", L"\\\\?\\C:\\"},
      {L"z:\\x/y", L"\\\\?\\z:\\x\\y"},
      {L"\\\\srv\\share", L"\\\\?\\UNC\\srv\\share"},
      {L"\\\\srv/share/x", L"\\\\?\\UNC\\srv\\share\\x"},
      {L"C:\\a\\..\\b", L"\\\\?\\C:\\a\\..\\b"},  // not normalised
      {L"a/b", L"a/b"},
      {L"a\\b", L"a\\b"},
      {L"\\a", L"\\a"},
      {L"C:a", L"C:a"},
      {L"C:", L"C:"},
      {L"1:\\x", L"1:\\x"},
      {L"x", L"x"},
      {L"//srv/share", L"//srv/share"},
      {L"\\\\?\\C:\\x", L"\\\\?\\C:\\x"},
      {L"\\\\?\\UNC\\srv\\s", L"\\\\?\\UNC\\srv\\s"},
      {L"", L""},
  };
  for (const PathCase& c : cases) EXPECT_EQ(toLongPath(c.input), c.expected) << ::testing::PrintToString(c.input);
}

TEST(FsPathsTest, JoinPathAddsABackslashOnlyWhenNeeded) {
  const std::pair<std::wstring, std::wstring> inputs[] = {
      {L"C:\\", L"x"}, {L"", L"x"}, {L"a/", L"b"}, {L"a", L""}, {L"a", L"b"}, {L"a\\", L"\\b"}, {L"", L""},
  };
  const std::wstring expected[] = {L"C:\\x", L"x", L"a/b", L"a", L"a\\b", L"a\\\\b", L""};
  for (size_t i = 0; i < std::size(inputs); ++i) {
    EXPECT_EQ(joinPath(inputs[i].first, inputs[i].second), expected[i]) << i;
  }
}

struct SplitCase {
  std::wstring path;
  std::wstring parent;
  std::wstring name;
};

TEST(FsPathsTest, SplitPathSplitsAtTheLastSeparator) {
  const SplitCase cases[] = {
      {L"C:\\file", L"C:\\", L"file"},
      {L"C:/file", L"C:\\", L"file"},
      {L"name", L"", L"name"},
      {L"a/b\\c", L"a/b", L"c"},
      {L"a\\b/c", L"a\\b", L"c"},
      {L"dir\\", L"dir", L""},
      {L"\\x", L"", L"x"},
      {L"\\\\?\\C:\\x\\y", L"\\\\?\\C:\\x", L"y"},
      {L"", L"", L""},
  };
  for (const SplitCase& c : cases) {
    std::wstring parent = L"stale";
    std::wstring name = L"stale";
    splitPath(c.path, parent, name);
    EXPECT_EQ(parent, c.parent) << ::testing::PrintToString(c.path);
    EXPECT_EQ(name, c.name) << ::testing::PrintToString(c.path);

    // Either output may be the input itself.
    std::wstring inPlaceParent = c.path;
    std::wstring otherName;
    splitPath(inPlaceParent, inPlaceParent, otherName);
    EXPECT_EQ(inPlaceParent, c.parent);
    EXPECT_EQ(otherName, c.name);
    std::wstring inPlaceName = c.path;
    std::wstring otherParent;
    splitPath(inPlaceName, otherParent, inPlaceName);
    EXPECT_EQ(otherParent, c.parent);
    EXPECT_EQ(inPlaceName, c.name);
  }
}

TEST(FsPathsTest, FullPathResolvesLexically) {
  wchar_t current[4096];
  const DWORD length = GetCurrentDirectoryW(4096, current);
  ASSERT_GT(length, 0u);
  const std::wstring cwd(current, length);
  const PathCase cases[] = {
      {L"C:\\a\\.\\b\\..\\c", L"C:\\a\\c"},
      {L"C:/a/b", L"C:\\a\\b"},
      {L"C:\\out\\", L"C:\\out\\"},
      {L"C:\\..", L"C:\\"},
      {L"C:\\does\\not\\exist\\..\\x.txt", L"C:\\does\\not\\x.txt"},
      {L"\\\\server\\share\\x\\..\\y", L"\\\\server\\share\\y"},
      {L"rel\\a\\..\\b.txt", joinPath(cwd, L"rel\\b.txt")},
      {L"\\\\?\\C:\\x\\..\\y", L"\\\\?\\C:\\x\\..\\y"},  // already prefixed: Windows is not asked
  };
  for (const PathCase& c : cases) {
    Result<std::wstring> full = fullPath(c.input);
    ASSERT_TRUE(full.hasValue()) << full.failure().message;
    EXPECT_EQ(*full, c.expected) << ::testing::PrintToString(c.input);
  }
  Result<std::wstring> empty = fullPath(L"");
  ASSERT_TRUE(empty.failed());
  EXPECT_EQ(empty.failure().code, StatusCode::invalid_argument);
  EXPECT_EQ(empty.failure().message, L"Empty path");
}

// Windows error numbers: file not found 2, path not found 3, file exists 80.
TEST(FsErrorNumbersTest, MatchTheWin32Codes) {
  const std::pair<uint32_t, StatusCode> cases[] = {
      {2, StatusCode::not_found},        {3, StatusCode::not_found},  {80, StatusCode::already_exists},
      {183, StatusCode::already_exists}, {5, StatusCode::io_failure}, {32, StatusCode::io_failure},
      {0, StatusCode::io_failure},
  };
  for (const auto& [error, code] : cases) EXPECT_EQ(errorStatus(L"Act", L"p", error).code, code) << error;
}

}  // namespace
}  // namespace tolzeb
