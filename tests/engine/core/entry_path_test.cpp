#include "engine/core/entry_path.h"

#include <gtest/gtest.h>

#include "engine/core/fs.h"

namespace tolzeb {
namespace {

// A path of exactly `length` units made of valid ten-character segments.
std::wstring longValidPath(size_t length) {
  std::wstring path;
  while (path.size() < length) {
    if (!path.empty()) path.push_back(L'/');
    path += L"segment-01";
  }
  path.resize(length);
  if (path.back() == L'/' || path.back() == L'-') path.back() = L'x';
  return path;
}

TEST(EntryPathTest, AcceptsOrdinaryRelativePaths) {
  const std::wstring accepted[] = {
      L"a.txt",
      L"dir/sub/file",
      L"name with spaces inside/file name.txt",
      L"x",
      L"a/b/c/d",
      L".hidden",
      L"dir/.config/file",
      L"..name",
      L"name..ext",
      L"CONSOLE",
      L"COM0",
      L"COM10",
      L"LPT",
      L"nul_file",
      L"con-x.txt",
      L"\x00E4\x00F6\x00FC/\x65E5\x672C.txt",
      std::wstring{L'e', L'm', L'o', L'j', L'i', wchar_t(0xD83D), wchar_t(0xDE00)},
      std::wstring(1, wchar_t(0x7F)),
      L"file#1 (copy) [2] {3} & 'x' $y %z + = ; , ~",
      longValidPath(kMaxEntryPathLength),
  };
  for (const std::wstring& path : accepted) {
    Status status = validateEntryPath(path);
    EXPECT_TRUE(status.ok()) << status.message();
  }
}

struct RefusedCase {
  std::wstring path;
  const wchar_t* message;  // the path follows when the text ends in ": "
};

TEST(EntryPathTest, RefusesUnsafePathsWithTheFirstFailingRule) {
  const RefusedCase cases[] = {
      {L"", L"Archive entry has an empty path"},
      {longValidPath(kMaxEntryPathLength + 1), L"Archive entry path exceeds the 32768 character limit"},
      {L"/root/file", L"Archive entry path is absolute: "},
      {L"/", L"Archive entry path is absolute: "},
      {L"//server/share/x", L"Archive entry path is absolute: "},
      {L"dir/", L"Archive entry path ends with a separator: "},
      {L"C:/x", L"Archive entry path carries a drive letter: "},
      {L"C:x", L"Archive entry path carries a drive letter: "},
      {L"z:", L"Archive entry path carries a drive letter: "},
      {std::wstring(L"a\0b", 3), L"Archive entry path contains NUL"},
      {L"a\x0001", L"Archive entry path contains a control character"},
      {L"tab\there", L"Archive entry path contains a control character"},
      {L"line\nbreak", L"Archive entry path contains a control character"},
      {L"a\\b", L"Archive entry path contains a backslash; stored paths use '/': "},
      {L"\\\\server\\share", L"Archive entry path contains a backslash; stored paths use '/': "},
      {L"..\\evil", L"Archive entry path contains a backslash; stored paths use '/': "},
      {L"file:stream", L"Archive entry path contains ':' (alternate data stream): "},
      {L"dir/file::$DATA", L"Archive entry path contains ':' (alternate data stream): "},
      {L"a*b", L"Archive entry path contains a wildcard or reserved character: "},
      {L"a?b", L"Archive entry path contains a wildcard or reserved character: "},
      {L"say \"hi\"", L"Archive entry path contains a wildcard or reserved character: "},
      {L"a<b", L"Archive entry path contains a wildcard or reserved character: "},
      {L"a>b", L"Archive entry path contains a wildcard or reserved character: "},
      {L"a|b", L"Archive entry path contains a wildcard or reserved character: "},
      {L"a//b", L"Archive entry path has an empty segment: "},
      {L"./a", L"Archive entry path contains a relative segment: "},
      {L"a/./b", L"Archive entry path contains a relative segment: "},
      {L"a/../b", L"Archive entry path contains a relative segment: "},
      {L"..", L"Archive entry path contains a relative segment: "},
      {L"../../etc/passwd", L"Archive entry path contains a relative segment: "},
      {L"dir./x", L"Archive entry path segment ends with a dot or space: "},
      {L"dir /x", L"Archive entry path segment ends with a dot or space: "},
      {L"x/file.", L"Archive entry path segment ends with a dot or space: "},
      {L"x/file ", L"Archive entry path segment ends with a dot or space: "},
      {L"...", L"Archive entry path segment ends with a dot or space: "},
      {L"CON", L"Archive entry path uses a reserved device name: "},
      {L"aux.txt/x", L"Archive entry path uses a reserved device name: "},
      {L"x/lpt1.log", L"Archive entry path uses a reserved device name: "},
      {L"dir/nul.tar.gz", L"Archive entry path uses a reserved device name: "},
      {L"Com9", L"Archive entry path uses a reserved device name: "},
      {L"prn.", L"Archive entry path segment ends with a dot or space: "},
      // the first failing rule wins
      {L"/a*b", L"Archive entry path is absolute: "},
      {std::wstring(L"x\0\\", 3), L"Archive entry path contains NUL"},
      {L"a\\b*c", L"Archive entry path contains a backslash; stored paths use '/': "},
      {L"a*b/../c", L"Archive entry path contains a wildcard or reserved character: "},
      {L"../CON", L"Archive entry path contains a relative segment: "},
      {L"CON/..", L"Archive entry path uses a reserved device name: "},
  };
  for (const RefusedCase& c : cases) {
    Status status = validateEntryPath(c.path);
    ASSERT_TRUE(status.failed()) << "accepted: " << ::testing::PrintToString(c.path);
    EXPECT_EQ(status.code(), StatusCode::path_unsafe);
    std::wstring expected = c.message;
    if (expected.size() >= 2 && expected.compare(expected.size() - 2, 2, L": ") == 0) expected += c.path;
    EXPECT_EQ(status.message(), expected);
  }
}

TEST(EntryPathTest, RecognisesReservedDeviceNames) {
  const std::pair<std::wstring, bool> cases[] = {
      {L"con", true},    {L"Con.txt", true},  {L"aux.tar.gz", true}, {L"LPT9", true},
      {L"com1", true},   {L"PRN", true},      {L"nul.", true},       {L"COM0", false},
      {L"COM10", false}, {L"CONSOLE", false}, {L"nul_file", false},  {L"LPT", false},
      {L".con", false},  {L"", false},        {L"xcon", false},      {L"COM\x00B9", true},
      {L"lpt\x00B2.log", true}, {L"COM\x00B3", true}, {L"COM\x2074", false}, {L"CONIN$", true},
      {L"conout$.txt", true},    {L"con .txt", true},   {L"aux  .tar.gz", true}, {L"CONIN", false},
      {L"con x.txt", false},     {L"CONOUT$x", false},
  };
  for (const auto& [segment, reserved] : cases) {
    EXPECT_EQ(isReservedDeviceName(segment), reserved) << ::testing::PrintToString(segment);
  }
}

struct NormalizeCase {
  std::wstring input;
  StatusCode code;        // general stands for success
  std::wstring expected;  // the result, or the failure's message
};

TEST(EntryPathTest, NormalizesSeparatorsAndDropsOnlyEmptyAndDotSegments) {
  const NormalizeCase cases[] = {
      {L"\\a\\.\\b\\", StatusCode::general, L"a/b"},
      {L"\\dir\\.\\a.txt", StatusCode::general, L"dir/a.txt"},
      {L"a//b///c", StatusCode::general, L"a/b/c"},
      {L"/abs/path", StatusCode::general, L"abs/path"},
      {L"./x/./y/.", StatusCode::general, L"x/y"},
      {L"plain", StatusCode::general, L"plain"},
      {L"./.", StatusCode::invalid_argument, L"Path normalizes to nothing: ./."},
      {L"", StatusCode::invalid_argument, L"Path normalizes to nothing: "},
      {L"\\/", StatusCode::invalid_argument, L"Path normalizes to nothing: \\/"},
      {L"a/../b", StatusCode::path_unsafe, L"Archive entry path contains a relative segment: a/../b"},
      {L"..\\x", StatusCode::path_unsafe, L"Archive entry path contains a relative segment: ../x"},
      {L"C:\\x", StatusCode::path_unsafe, L"Archive entry path carries a drive letter: C:/x"},
      {L"d/aux", StatusCode::path_unsafe, L"Archive entry path uses a reserved device name: d/aux"},
      {L"a/b./c", StatusCode::path_unsafe, L"Archive entry path segment ends with a dot or space: a/b./c"},
  };
  for (const NormalizeCase& c : cases) {
    Result<std::wstring> normalized = normalizePath(c.input);
    if (c.code == StatusCode::general) {
      ASSERT_TRUE(normalized.hasValue()) << normalized.failure().message;
      EXPECT_EQ(*normalized, c.expected);
    } else {
      ASSERT_TRUE(normalized.failed()) << ::testing::PrintToString(c.input);
      EXPECT_EQ(normalized.failure().code, c.code);
      EXPECT_EQ(normalized.failure().message, c.expected);
    }
  }
}

// Whatever a hostile archive names, the resolved target is the root, a separator, then more.
TEST(EntryPathTest, ResolvedTargetsNeverLeaveTheRoot) {
  Result<std::wstring> root = fullPath(L"extraction-root");
  ASSERT_TRUE(root.hasValue());
  const std::wstring hostile[] = {
      L"../x",
      L"a/../../x",
      L"/etc/passwd",
      L"\\evil",
      L"C:/Windows/x",
      L"C:x",
      L"..",
      L"a/..",
      L"./x",
      L"x/.",
      L"a\\..\\b",
      L"CON",
      L"a//b",
      L"x:y",
      L"ok/file",
      L"x",
      L"...",
      L"a/ ",
      L"nested/deeper/file.txt",
  };
  const std::wstring prefix = *root + kPathSeparator;
  for (const std::wstring& entry : hostile) {
    Result<std::wstring> target = resolveExtractionPath(L"extraction-root", entry);
    if (target.hasValue()) {
      EXPECT_EQ(target->compare(0, prefix.size(), prefix), 0) << ::testing::PrintToString(*target);
      EXPECT_GT(target->size(), prefix.size());
    } else {
      EXPECT_EQ(target.failure().code, StatusCode::path_unsafe) << ::testing::PrintToString(entry);
    }
  }
}

TEST(EntryPathTest, ResolutionPassesTheValidatorsFailureOn) {
  Result<std::wstring> target = resolveExtractionPath(L"root", L"a/../b");
  ASSERT_TRUE(target.failed());
  EXPECT_EQ(target.failure().code, StatusCode::path_unsafe);
  EXPECT_EQ(target.failure().message, L"Archive entry path contains a relative segment: a/../b");

  Result<std::wstring> emptyRoot = resolveExtractionPath(L"", L"a");
  ASSERT_TRUE(emptyRoot.failed());
  EXPECT_EQ(emptyRoot.failure().code, StatusCode::invalid_argument);
  EXPECT_EQ(emptyRoot.failure().message, L"Empty path");
}

}  // namespace
}  // namespace tolzeb
