#include "shellext/job_image.h"

#include <gtest/gtest.h>

namespace tolzeb::shell {
namespace {

TEST(ShellJobImage, ExtractHereOfOnePathGivesTheKnownBytes) {
  ShellJob job;
  job.operation = 2;
  job.paths = {L"C:\\a.zip"};
  std::vector<uint8_t> bytes;
  ASSERT_TRUE(serializeShellJob(job, bytes));
  const std::vector<uint8_t> expected = {0x54, 0x5a, 0x53, 0x48, 0x4a, 0x4f, 0x42, 0x00, 0x01, 0x00, 0x00, 0x00, 0x02,
                                         0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00,
                                         0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x08, 0x00, 0x00, 0x00, 0x43, 0x00, 0x3a,
                                         0x00, 0x5c, 0x00, 0x61, 0x00, 0x2e, 0x00, 0x7a, 0x00, 0x69, 0x00, 0x70, 0x00};
  EXPECT_EQ(bytes, expected);
}

TEST(ShellJobImage, JobsOutsideTheFormatAreRefused) {
  struct Case {
    const char* name;
    ShellJob job;
    bool accepted;
  };
  const std::wstring longest(kMaxShellJobPathUnits, L'x');
  // Each longest path takes 65538 bytes: 127 of them stay under 8 MiB, 129 go over.
  std::vector<std::wstring> underLimit(127, longest), overLimit(129, longest);
  const Case cases[] = {
      {"operation 0", {0, {L"a"}}, false},
      {"operation 5", {5, {L"a"}}, false},
      {"operation 1", {1, {L"a"}}, true},
      {"operation 4", {4, {L"a"}}, true},
      {"no paths", {1, {}}, false},
      {"an empty path", {1, {L"a", L""}}, false},
      {"a path one unit too long", {1, {std::wstring(kMaxShellJobPathUnits + 1, L'x')}}, false},
      {"the longest path", {1, {longest}}, true},
      {"127 longest paths", {1, underLimit}, true},
      {"129 longest paths, over 8 MiB", {1, overLimit}, false},
      {"8193 paths", {1, std::vector<std::wstring>(kMaxShellJobPaths + 1, L"a")}, false},
      {"8192 paths", {1, std::vector<std::wstring>(kMaxShellJobPaths, L"a")}, true},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> bytes = {1, 2, 3};
    EXPECT_EQ(serializeShellJob(c.job, bytes), c.accepted) << c.name;
    if (!c.accepted) {
      EXPECT_TRUE(bytes.empty()) << c.name;
    }
  }
}

TEST(ShellArchiveName, DecidesByTheNameAlone) {
  struct Case {
    const wchar_t* path;
    bool archive;
  };
  const Case cases[] = {
      {L"C:\\in\\PHOTOS.ZIP", true},
      {L"C:\\in\\backup.tar.gz", true},
      {L"a.zeb", true},
      {L"x.7z", true},
      {L"x.TAR", true},
      {L"x.tgz", true},
      {L"C:\\in\\.zip", false},
      {L"C:\\in\\notes.gz", false},
      {L".tar.gz", false},
      {L"C:\\in.zip\\readme", false},
      {L"C:/in/a.Zip", true},
      {L"a.zip.txt", false},
      {L"", false},
      {L"C:\\in\\x.tar.gz\\", false},
      {L"ab.7Z", true},
  };
  for (const Case& c : cases)
    EXPECT_EQ(isArchiveName(c.path), c.archive) << std::string(c.path, c.path + wcslen(c.path));
}

TEST(ShellQuoteArgument, QuotesWhatCommandLineSplittingWouldBreak) {
  struct Case {
    const wchar_t* argument;
    const wchar_t* quoted;
  };
  const Case cases[] = {
      {L"C:\\plain\\path.exe", L"C:\\plain\\path.exe"},
      {L"", L"\"\""},
      {L"C:\\with space\\", L"\"C:\\with space\\\\\""},
      {L"a\"b", L"\"a\\\"b\""},
      {L"a\\\"b", L"\"a\\\\\\\"b\""},
      {L"a\\\\b c", L"\"a\\\\b c\""},
      {L"tab\there", L"\"tab\there\""},
      {L"C:\\trailing\\\\", L"C:\\trailing\\\\"},
  };
  for (const Case& c : cases) EXPECT_EQ(quoteArgument(c.argument), std::wstring(c.quoted));
}

TEST(ShellJobFileName, IsThirtyTwoHexDigitsAndTheExtension) {
  uint8_t bytes[16];
  for (int i = 0; i < 16; ++i) bytes[i] = uint8_t(i * 17 + 10);
  EXPECT_EQ(jobFileNameFromBytes(bytes), L"0a1b2c3d4e5f708192a3b4c5d6e7f809.tzjob");
}

}  // namespace
}  // namespace tolzeb::shell
