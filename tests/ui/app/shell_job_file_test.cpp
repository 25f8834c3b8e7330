#include "ui/app/shell_job_file.h"

#include <gtest/gtest.h>

#include <functional>

#include "shell_job_test_support.h"
#include "support/hex_text.h"

namespace tolzeb::shell {
namespace {

using testing::JobFolder;
using testing::jobImage;
using testing::kJobName;
using tolzeb::testing::fromHex;
using tolzeb::testing::toHex;

// An ExtractHere job for C:\a.zip, as the file format's own example lays it out byte by byte.
const char kGoldenImage[] =
    "545a53484a4f4200"
    "01000000"
    "02000000"
    "00000000"
    "01000000"
    "00000000"
    "00000000"
    "08000000"
    "43003a005c0061002e007a0069007000";

TEST(ShellJobFormat, GoldenImage) {
  EXPECT_EQ(toHex(jobImage(2, {L"C:\\a.zip"})), kGoldenImage);
  const std::vector<uint8_t> golden = fromHex(kGoldenImage);
  ASSERT_EQ(golden.size(), 52u);
  ShellJob job;
  std::wstring message;
  ASSERT_TRUE(parseShellJob(golden.data(), golden.size(), job, message)) << std::string(message.begin(), message.end());
  EXPECT_EQ(job.operation, 2u);
  EXPECT_EQ(job.paths, std::vector<std::wstring>{L"C:\\a.zip"});
}

TEST(ShellJobFormat, EveryOperationAndPathsInOrder) {
  const std::vector<std::wstring> paths = {L"C:\\b", L"D:\\x y\\\u00e9t\u00e9.zip", L"\\\\server\\share\\a.7z", L"z"};
  for (uint32_t operation = 1; operation <= 4; ++operation) {
    const std::vector<uint8_t> image = jobImage(operation, paths);
    ShellJob job;
    std::wstring message;
    ASSERT_TRUE(parseShellJob(image.data(), image.size(), job, message));
    EXPECT_EQ(job.operation, operation);
    EXPECT_EQ(job.paths, paths);
  }
}

// Surrogate pairs travel as two units each, unchanged and unchecked: only a null is refused.
TEST(ShellJobFormat, UnitsPassThroughUnchanged) {
  const std::wstring path = {L'C', L':', L'\\', wchar_t(0xD83D), wchar_t(0xDE00), wchar_t(0xDC00), wchar_t(0xFFFF)};
  const std::vector<uint8_t> image = jobImage(4, {path});
  ShellJob job;
  std::wstring message;
  ASSERT_TRUE(parseShellJob(image.data(), image.size(), job, message));
  EXPECT_EQ(job.paths.front(), path);
}

void putU32(std::vector<uint8_t>& image, size_t offset, uint32_t value) { writeU32le(image.data() + offset, value); }

// 128 paths: 127 of 32767 units and one of 32623 make a file of exactly 8 MiB.
std::vector<std::wstring> pathsFillingTheLimit() {
  std::vector<std::wstring> paths(127, std::wstring(32767, L'p'));
  paths.push_back(std::wstring(32623, L'q'));
  return paths;
}

TEST(ShellJobFormat, MutationsGiveTheirMessages) {
  const std::vector<uint8_t> good = jobImage(1, {L"C:\\data\\a.txt", L"C:\\data\\b"});
  struct Case {
    const char* what;
    std::function<void(std::vector<uint8_t>&)> mutate;
    const wchar_t* message;  // null: accepted
  };
  const Case cases[] = {
      {"nothing changed", [](auto&) {}, nullptr},
      {"empty", [](auto& b) { b.clear(); }, L"the job file is shorter than its own header"},
      {"31 bytes", [](auto& b) { b.resize(31); }, L"the job file is shorter than its own header"},
      {"header only, path count 0",
       [](auto& b) {
         b.resize(32);
         putU32(b, 20, 0);
       },
       L"the job file holds no paths, or more than the format allows"},
      {"signature letter", [](auto& b) { b[0] = 't'; }, L"the job file does not start with the expected signature"},
      {"signature zero byte", [](auto& b) { b[7] = ' '; }, L"the job file does not start with the expected signature"},
      {"version 2", [](auto& b) { putU32(b, 8, 2); }, L"the job file was written by a different version of TOLZEB"},
      {"version 0", [](auto& b) { putU32(b, 8, 0); }, L"the job file was written by a different version of TOLZEB"},
      {"version checked before operation",
       [](auto& b) {
         putU32(b, 8, 3);
         putU32(b, 12, 9);
       },
       L"the job file was written by a different version of TOLZEB"},
      {"operation 0", [](auto& b) { putU32(b, 12, 0); }, L"the job file names an operation this build does not have"},
      {"operation 5", [](auto& b) { putU32(b, 12, 5); }, L"the job file names an operation this build does not have"},
      {"flags 1", [](auto& b) { putU32(b, 16, 1); }, L"the job file sets flags this version does not define"},
      {"flags top bit", [](auto& b) { putU32(b, 16, 0x80000000u); },
       L"the job file sets flags this version does not define"},
      {"path count 8193", [](auto& b) { putU32(b, 20, 8193); },
       L"the job file holds no paths, or more than the format allows"},
      {"first reserved word", [](auto& b) { putU32(b, 24, 1); }, L"the job file uses reserved fields"},
      {"second reserved word", [](auto& b) { putU32(b, 28, 0x100); }, L"the job file uses reserved fields"},
      {"one path fewer than counted", [](auto& b) { putU32(b, 20, 3); }, L"the job file ends in the middle of a path"},
      {"ends two bytes into a length", [](auto& b) { b.resize(32 + 4 + 2 * 14 + 2); },
       L"the job file ends in the middle of a path"},
      {"ends inside a path's text", [](auto& b) { b.resize(b.size() - 1); },
       L"the job file ends in the middle of a path"},
      {"length 0", [](auto& b) { putU32(b, 32, 0); }, L"the job file holds a path of an impossible length"},
      {"length 32768", [](auto& b) { putU32(b, 32, 32768); }, L"the job file holds a path of an impossible length"},
      {"length beyond 32 bits of units", [](auto& b) { putU32(b, 32, 0xFFFFFFFFu); },
       L"the job file holds a path of an impossible length"},
      {"length larger than the rest", [](auto& b) { putU32(b, 32, 30); }, L"the job file ends in the middle of a path"},
      {"null in the middle of a path", [](auto& b) { b[32 + 4 + 6] = 0; },
       L"the job file holds a path containing a null character"},
      {"null as the last unit", [](auto& b) { b[b.size() - 2] = 0; },
       L"the job file holds a path containing a null character"},
      {"one trailing byte", [](auto& b) { b.push_back(0); }, L"the job file has trailing bytes after its last path"},
      {"a whole extra record",
       [](auto& b) {
         b.insert(b.end(), {1, 0, 0, 0, 'x', 0});
       },
       L"the job file has trailing bytes after its last path"},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> image = good;
    c.mutate(image);
    ShellJob job{3, {L"left over"}};
    std::wstring message;
    const bool accepted = parseShellJob(image.empty() ? nullptr : image.data(), image.size(), job, message);
    if (c.message == nullptr) {
      EXPECT_TRUE(accepted) << c.what;
      continue;
    }
    EXPECT_FALSE(accepted) << c.what;
    EXPECT_EQ(message, c.message) << c.what;
    // No partial job is ever handed out.
    EXPECT_EQ(job.operation, 0u) << c.what;
    EXPECT_TRUE(job.paths.empty()) << c.what;
  }
}

TEST(ShellJobFormat, SizeBoundaries) {
  ShellJob job;
  std::wstring message;

  const std::vector<uint8_t> smallest = jobImage(2, {L"a"});
  ASSERT_EQ(smallest.size(), 38u);
  EXPECT_TRUE(parseShellJob(smallest.data(), smallest.size(), job, message));

  std::vector<std::wstring> paths = {std::wstring(32767, L'x')};
  std::vector<uint8_t> longest = jobImage(4, paths);
  EXPECT_TRUE(parseShellJob(longest.data(), longest.size(), job, message));
  EXPECT_EQ(job.paths.front().size(), 32767u);

  std::vector<uint8_t> full = jobImage(1, pathsFillingTheLimit());
  ASSERT_EQ(full.size(), 8388608u);
  EXPECT_TRUE(parseShellJob(full.data(), full.size(), job, message));
  EXPECT_EQ(job.paths.size(), 128u);

  full.push_back(0);
  EXPECT_FALSE(parseShellJob(full.data(), full.size(), job, message));
  EXPECT_EQ(message, L"the job file is larger than the format allows");

  std::vector<uint8_t> most = jobImage(4, std::vector<std::wstring>(8192, L"a"));
  EXPECT_TRUE(parseShellJob(most.data(), most.size(), job, message));
  EXPECT_EQ(job.paths.size(), 8192u);
}

// --- Reading files ---

struct ReadOutcome {
  bool accepted;
  ShellJob job;
  std::wstring message;
};

ReadOutcome readJob(const std::filesystem::path& file, const JobFolder& folder) {
  ReadOutcome outcome{false, {}, {}};
  outcome.accepted = readShellJobFile(file.wstring(), folder.jobsText(), outcome.job, outcome.message);
  return outcome;
}

TEST(ShellJobFile, AGoodFileIsReadAndDeleted) {
  JobFolder folder;
  const std::filesystem::path file = folder.jobs() / kJobName;
  JobFolder::write(file, jobImage(3, {L"C:\\In\\a.zip", L"C:\\In\\b.7z"}));
  const ReadOutcome outcome = readJob(file, folder);
  ASSERT_TRUE(outcome.accepted);
  EXPECT_EQ(outcome.job.operation, 3u);
  EXPECT_EQ(outcome.job.paths, (std::vector<std::wstring>{L"C:\\In\\a.zip", L"C:\\In\\b.7z"}));
  EXPECT_FALSE(std::filesystem::exists(file));

  // Read once only: a second attempt finds nothing.
  const ReadOutcome again = readJob(file, folder);
  EXPECT_FALSE(again.accepted);
  EXPECT_EQ(again.message, L"the job file could not be opened");
}

TEST(ShellJobFile, RefusedJobFilesAreDeletedToo) {
  struct Case {
    const char* what;
    std::vector<uint8_t> content;
    const wchar_t* message;
  };
  std::vector<uint8_t> trailing = jobImage(2, {L"C:\\a.zip"});
  trailing.push_back(0);
  std::vector<uint8_t> tooLarge = jobImage(1, pathsFillingTheLimit());
  tooLarge.push_back(0);
  const Case cases[] = {
      {"empty file", {}, L"the job file is shorter than its own header"},
      {"trailing byte", trailing, L"the job file has trailing bytes after its last path"},
      {"one byte over 8 MiB", tooLarge, L"the job file is missing or larger than the format allows"},
  };
  for (const Case& c : cases) {
    JobFolder folder;
    const std::filesystem::path file = folder.jobs() / kJobName;
    JobFolder::write(file, c.content);
    const ReadOutcome outcome = readJob(file, folder);
    EXPECT_FALSE(outcome.accepted) << c.what;
    EXPECT_EQ(outcome.message, c.message) << c.what;
    EXPECT_EQ(outcome.job.operation, 0u) << c.what;
    EXPECT_FALSE(std::filesystem::exists(file)) << c.what;
  }
}

// A path handed over by a command line or a window message may name anything; only a job file
// of the job folder is read, and nothing else is ever deleted.
TEST(ShellJobFile, OnlyJobFilesOfTheJobFolderAreTouched) {
  struct Case {
    const char* what;
    std::function<std::filesystem::path(const JobFolder&)> place;  // creates the item, returns its path
  };
  const std::vector<uint8_t> valid = jobImage(2, {L"C:\\a.zip"});
  const auto fileAt = [&](std::filesystem::path file) {
    std::filesystem::create_directories(file.parent_path());
    JobFolder::write(file, valid);
    return file;
  };
  const Case cases[] = {
      {"a document beside the job folder", [&](const JobFolder& f) { return fileAt(f.root() / "thesis.docx"); }},
      {"a job name outside the job folder", [&](const JobFolder& f) { return fileAt(f.root() / kJobName); }},
      {"a job name in a folder below it", [&](const JobFolder& f) { return fileAt(f.jobs() / "sub" / kJobName); }},
      {"another name in the job folder", [&](const JobFolder& f) { return fileAt(f.jobs() / "notes.txt"); }},
      {"upper-case digits",
       [&](const JobFolder& f) { return fileAt(f.jobs() / "0123456789ABCDEF0123456789abcdef.tzjob"); }},
      {"31 digits", [&](const JobFolder& f) { return fileAt(f.jobs() / "0123456789abcdef0123456789abcde.tzjob"); }},
      {"another extension",
       [&](const JobFolder& f) { return fileAt(f.jobs() / "0123456789abcdef0123456789abcdef.tzjo"); }},
      {"a folder with a job name",
       [&](const JobFolder& f) {
         std::filesystem::create_directories(f.jobs() / kJobName);
         return f.jobs() / kJobName;
       }},
      {"a job name reached through ..",
       [&](const JobFolder& f) {
         fileAt(f.root() / kJobName);
         return f.jobs() / ".." / kJobName;
       }},
  };
  for (const Case& c : cases) {
    JobFolder folder;
    const std::filesystem::path item = c.place(folder);
    const ReadOutcome outcome = readJob(item, folder);
    EXPECT_FALSE(outcome.accepted) << c.what;
    EXPECT_EQ(outcome.message, L"the job file could not be opened") << c.what;
    EXPECT_TRUE(std::filesystem::exists(item)) << c.what;
    if (std::filesystem::is_regular_file(item)) {
      EXPECT_EQ(JobFolder::read(item), valid) << c.what;
    }
  }
}

TEST(ShellJobFile, APathThatResolvesIntoTheJobFolderIsAccepted) {
  JobFolder folder;
  std::filesystem::create_directories(folder.root() / "other");
  JobFolder::write(folder.jobs() / kJobName, jobImage(4, {L"C:\\t.zip"}));
  const ReadOutcome outcome = readJob(folder.root() / "other" / ".." / "shelljobs" / kJobName, folder);
  EXPECT_TRUE(outcome.accepted);
  EXPECT_FALSE(std::filesystem::exists(folder.jobs() / kJobName));
}

TEST(ShellJobFile, APathWithANullIsNeverOpened) {
  JobFolder folder;
  const std::filesystem::path file = folder.jobs() / kJobName;
  JobFolder::write(file, jobImage(4, {L"C:\\t.zip"}));
  ShellJob job;
  std::wstring message;
  std::wstring path = file.wstring();
  path.push_back(L'\0');
  path += L"x";
  EXPECT_FALSE(readShellJobFile(path, folder.jobsText(), job, message));
  EXPECT_EQ(message, L"the job file could not be opened");
  EXPECT_TRUE(std::filesystem::exists(file));
}

}  // namespace
}  // namespace tolzeb::shell
