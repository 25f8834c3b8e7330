#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>

#include "engine/core/fs.h"
#include "engine/core/text.h"

namespace tolzeb {
namespace {

struct PathCase {
  std::wstring input;
  std::wstring expected;
};

TEST(FsPathsTest, ToLongPathLeavesPosixPathsAlone) {
  const std::wstring inputs[] = {L"/a/b", L"a/b", L"C:/a", L"\\\\srv\\share", L""};
  for (const std::wstring& path : inputs) EXPECT_EQ(toLongPath(path), path);
}

TEST(FsPathsTest, JoinPathAddsASlashOnlyWhenNeeded) {
  const std::pair<std::wstring, std::wstring> inputs[] = {
      {L"/", L"x"}, {L"", L"x"}, {L"a/", L"b"}, {L"a", L""}, {L"a", L"b"}, {L"a\\", L"b"}, {L"", L""},
  };
  // A backslash is an ordinary character in POSIX names.
  const std::wstring expected[] = {L"/x", L"x", L"a/b", L"a", L"a/b", L"a\\/b", L""};
  for (size_t i = 0; i < std::size(inputs); ++i) {
    EXPECT_EQ(joinPath(inputs[i].first, inputs[i].second), expected[i]) << i;
  }
}

struct SplitCase {
  std::wstring path;
  std::wstring parent;
  std::wstring name;
};

TEST(FsPathsTest, SplitPathSplitsAtTheLastSlash) {
  const SplitCase cases[] = {
      {L"/file", L"/", L"file"},  // the root keeps its separator
      {L"/dir/file", L"/dir", L"file"}, {L"name", L"", L"name"}, {L"a/b\\c", L"a", L"b\\c"},
      {L"dir/", L"dir", L""},           {L"", L"", L""},
  };
  for (const SplitCase& c : cases) {
    std::wstring parent = L"stale";
    std::wstring name = L"stale";
    splitPath(c.path, parent, name);
    EXPECT_EQ(parent, c.parent) << ::testing::PrintToString(c.path);
    EXPECT_EQ(name, c.name) << ::testing::PrintToString(c.path);

    std::wstring inPlace = c.path;
    std::wstring otherName;
    splitPath(inPlace, inPlace, otherName);
    EXPECT_EQ(inPlace, c.parent);
    EXPECT_EQ(otherName, c.name);
  }
}

TEST(FsPathsTest, FullPathResolvesLexically) {
  char current[4096];
  ASSERT_NE(::getcwd(current, sizeof current), nullptr);
  Result<std::wstring> cwd = utf8ToUtf16(reinterpret_cast<const uint8_t*>(current), strlen(current));
  ASSERT_TRUE(cwd.hasValue());
  const PathCase cases[] = {
      {L"/a/./b/../c", L"/a/c"},
      {L"//a//b/", L"/a/b"},
      {L"/..", L"/"},
      {L"/../../x", L"/x"},
      {L"/", L"/"},
      {L"/does/not/exist/../x.txt", L"/does/not/x.txt"},
      {L"/a/b\\..", L"/a/b\\.."},  // a backslash is no separator
      {L"rel/a/../b.txt", joinPath(*cwd, L"rel/b.txt")},
      {L".", *cwd},
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

TEST(FsErrorNumbersTest, MatchTheErrnoValues) {
  const std::pair<uint32_t, StatusCode> cases[] = {
      {ENOENT, StatusCode::not_found},  {ENOTDIR, StatusCode::not_found}, {EEXIST, StatusCode::already_exists},
      {EACCES, StatusCode::io_failure}, {EISDIR, StatusCode::io_failure}, {ENOTEMPTY, StatusCode::io_failure},
  };
  for (const auto& [error, code] : cases) EXPECT_EQ(errorStatus(L"Act", L"p", error).code, code) << error;
}

TEST(FsErrorNumbersTest, UnknownErrorNumbersStillGiveTheShape) {
  const std::wstring text = windowsErrorText(L"Act", L"p", 0x7FFFFFF0);
  EXPECT_EQ(text.rfind(L"Act 'p': ", 0), 0u) << ::testing::PrintToString(text);
  EXPECT_EQ(text.substr(text.size() - 13), L" (0x7FFFFFF0)");
}

}  // namespace
}  // namespace tolzeb
