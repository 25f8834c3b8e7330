#include "ui/app/shell_job_plan.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "ui/app/numbered_name.h"
#include "ui/foundation/i18n_test_support.h"

namespace tolzeb::ui {
namespace {

using shell::ShellJob;

std::string narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

TEST(ShellPaths, IsRootPath) {
  struct Case {
    const wchar_t* path;
    bool root;
  };
  const Case cases[] = {
      {L"", true},
      {L"C:", true},
      {L"C:\\", true},
      {L"C:\\\\\\", true},
      {L"C:/", true},
      {L"\\\\server\\share", true},
      {L"\\\\server\\share\\", true},
      {L"//server/share", true},
      {L"\\\\server", true},
      {L"\\\\?\\C:\\", true},
      {L"\\\\?\\UNC\\server\\share", true},
      {L"\\\\?\\UNC\\server\\share\\dir", false},
      {L"\\\\?\\C:\\x", false},
      {L"C:\\x", false},
      {L"\\\\server\\share\\dir", false},
      {L"\\x", false},
      {L"x", false},
  };
  for (const Case& c : cases) EXPECT_EQ(isRootPath(c.path), c.root) << narrow(c.path);
}

struct TextCase {
  const wchar_t* input;
  const wchar_t* expected;
};

TEST(ShellPaths, ParentFolder) {
  const TextCase cases[] = {
      {L"C:\\file", L"C:\\"},
      {L"C:\\Data\\Photos", L"C:\\Data"},
      {L"C:\\Data\\Photos\\", L"C:\\Data"},
      {L"C:/Data/Photos", L"C:/Data"},
      {L"\\\\server\\share\\file", L"\\\\server\\share"},
      {L"\\file", L"\\"},
      {L"/file", L"/"},
      {L"C:\\", L""},
      {L"D:", L""},
      {L"\\\\server\\share", L""},
      {L"file", L""},
  };
  for (const TextCase& c : cases) EXPECT_EQ(parentFolder(c.input), c.expected) << narrow(c.input);
}

TEST(ShellPaths, LeafAndJoin) {
  const TextCase leaves[] = {
      {L"C:\\a\\b", L"b"}, {L"C:\\a\\b\\\\", L"b"},          {L"C:\\", L"C:"},
      {L"x", L"x"},        {L"\\\\server\\share", L"share"}, {L"a/b", L"b"},
  };
  for (const TextCase& c : leaves) EXPECT_EQ(pathLeaf(c.input), c.expected);
  EXPECT_EQ(pathInFolder(L"", L"n.zeb"), L"n.zeb");
  EXPECT_EQ(pathInFolder(L"C:\\", L"n.zeb"), L"C:\\n.zeb");
  EXPECT_EQ(pathInFolder(L"C:\\a", L"n.zeb"), L"C:\\a\\n.zeb");
  EXPECT_EQ(pathInFolder(L"/x/", L"n"), L"/x/n");
}

TEST(ShellPaths, ArchiveStem) {
  const TextCase cases[] = {
      {L"a.zip", L"a"},      {L"Backup.TAR.GZ", L"Backup"}, {L"C:\\In\\x.tar.gz", L"x"}, {L".zip", L".zip"},
      {L".tar.gz", L".tar"}, {L"noext", L"noext"},          {L"a.b.c", L"a.b"},          {L"x.tar", L"x"},
      {L"C:\\a.b\\c", L"c"},
  };
  for (const TextCase& c : cases) EXPECT_EQ(archiveStem(c.input), c.expected) << narrow(c.input);
}

TEST(ShellPaths, NumberedName) {
  EXPECT_EQ(numberedName(L"Photos.zeb", 1), L"Photos.zeb");
  EXPECT_EQ(numberedName(L"Photos.zeb", 2), L"Photos (2).zeb");
  EXPECT_EQ(numberedName(L"Photos", 3), L"Photos (3)");
  EXPECT_EQ(numberedName(L"report.old", 2), L"report (2).old");
  EXPECT_EQ(numberedName(L".zip", 1000), L".zip (1000)");
}

// A file system of listed paths, compared exactly as the fake is asked.
struct FakeDisk {
  std::set<std::wstring> files;
  std::set<std::wstring> folders;

  PathPredicate exists() const {
    return [this](const std::wstring& p) { return files.count(p) != 0 || folders.count(p) != 0; };
  }
  PathPredicate isDirectory() const {
    return [this](const std::wstring& p) { return folders.count(p) != 0; };
  }
};

TEST(ShellPaths, DefaultArchiveName) {
  FakeDisk disk;
  disk.folders = {L"C:\\Data\\Photos.2024"};
  const PathPredicate isDirectory = disk.isDirectory();
  EXPECT_EQ(defaultArchiveName({}, isDirectory), L"");
  EXPECT_EQ(defaultArchiveName({L"C:\\Data\\Photos.2024"}, isDirectory), L"Photos.2024");
  EXPECT_EQ(defaultArchiveName({L"C:\\Data\\report.final.docx"}, isDirectory), L"report.final");
  EXPECT_EQ(defaultArchiveName({L"C:\\Users\\u\\.profile"}, isDirectory), L".profile");
  EXPECT_EQ(defaultArchiveName({L"C:\\Data\\a", L"C:\\Data\\b"}, isDirectory), L"Data");
  EXPECT_EQ(defaultArchiveName({L"D:\\a", L"D:\\b"}, isDirectory), L"Archive");
  EXPECT_EQ(defaultArchiveName({L"a", L"b"}, isDirectory), L"");
}

TEST(ShellPaths, FirstFreeName) {
  std::set<std::wstring> taken = {L"C:\\D\\n.zeb", L"C:\\D\\n (2).zeb"};
  const PathPredicate isTaken = [&](const std::wstring& p) { return taken.count(p) != 0; };
  EXPECT_EQ(firstFreeName(L"n.zeb", isTaken, L"C:\\D", 1000), L"n (3).zeb");
  EXPECT_EQ(firstFreeName(L"m.zeb", isTaken, L"C:\\D", 1000), L"m.zeb");
  EXPECT_EQ(firstFreeName(L"n.zeb", isTaken, L"C:\\D", 2), L"");
  EXPECT_EQ(firstFreeName(L"m.zeb", isTaken, L"C:\\D", 0), L"");
  EXPECT_EQ(firstFreeName(L"", isTaken, L"C:\\D", 1000), L"");
}

class ShellPlanning : public ::testing::Test {
 protected:
  ShellPlan plan(uint32_t operation, std::vector<std::wstring> paths, const std::vector<std::wstring>& reserved = {}) {
    return planShellJob(ShellJob{operation, std::move(paths)}, disk.exists(), disk.isDirectory(), L".zeb", reserved);
  }
  // The plan's only step's target, or its error.
  std::wstring outcome(const ShellPlan& p) {
    if (!p.error.empty()) return p.error;
    return p.steps.size() == 1 ? p.steps.front().target : L"(" + std::to_wstring(p.steps.size()) + L" steps)";
  }

  FakeDisk disk;

 private:
  static std::shared_ptr<const i18n::Catalog> english() {
    i18n::testing::ProgramFolder noOverrides;
    return i18n::loadCatalog(L"en-US");
  }
  i18n::testing::StateGuard english_{english(), nullptr, i18n::findLanguage(L"en-US")};
};

TEST_F(ShellPlanning, CompressNamesTheArchiveAfterItsInputs) {
  disk.folders = {L"C:\\Data\\Photos", L"C:\\Data\\Photos.2024"};
  disk.files = {L"C:\\Data\\Photos.zeb"};
  struct Case {
    std::vector<std::wstring> paths;
    const wchar_t* expected;
  };
  const Case cases[] = {
      {{L"C:\\Data\\Photos"}, L"C:\\Data\\Photos (2).zeb"},
      {{L"C:\\Data\\Photos.2024"}, L"C:\\Data\\Photos.2024.zeb"},
      {{L"C:\\Data\\report.final.docx"}, L"C:\\Data\\report.final.zeb"},
      {{L"C:\\Data\\a.txt", L"C:\\Data\\b"}, L"C:\\Data\\Data.zeb"},
      {{L"D:\\a", L"D:\\b"}, L"D:\\Archive.zeb"},
      {{L"\\\\server\\share\\Docs"}, L"\\\\server\\share\\Docs.zeb"},
      {{L"D:\\"}, L"TOLZEB will not compress a drive root into itself. Pick the folders inside it instead."},
      {{L"\\\\server\\share"},
       L"TOLZEB will not compress a drive root into itself. Pick the folders inside it instead."},
      {{L"relative"}, L"TOLZEB will not compress a drive root into itself. Pick the folders inside it instead."},
  };
  for (const Case& c : cases) EXPECT_EQ(outcome(plan(1, c.paths)), c.expected) << narrow(c.paths.front());

  const ShellPlan several = plan(1, {L"C:\\Data\\b", L"C:\\Data\\a.txt"});
  ASSERT_EQ(several.steps.size(), 1u);
  EXPECT_EQ(several.steps[0].operation, 1);
  EXPECT_EQ(several.steps[0].inputs, (std::vector<std::wstring>{L"C:\\Data\\b", L"C:\\Data\\a.txt"}));
  EXPECT_EQ(several.steps[0].destination, L"");
  EXPECT_EQ(several.steps[0].archiveName, L"Data.zeb");
}

TEST_F(ShellPlanning, CompressGivesUpAfterAThousandNames) {
  disk.folders = {L"C:\\Data\\Photos"};
  disk.files.insert(L"C:\\Data\\Photos.zeb");
  for (int n = 2; n < 1000; ++n) disk.files.insert(L"C:\\Data\\Photos (" + std::to_wstring(n) + L").zeb");
  EXPECT_EQ(outcome(plan(1, {L"C:\\Data\\Photos"})), L"C:\\Data\\Photos (1000).zeb");
  disk.files.insert(L"C:\\Data\\Photos (1000).zeb");
  EXPECT_EQ(outcome(plan(1, {L"C:\\Data\\Photos"})), L"There are already a thousand archives of that name here.");
}

// Two compress jobs planned before the first task has written its archive must not both write
// C:\Data\Data.zeb: the second one would replace the first.
TEST_F(ShellPlanning, CompressAvoidsTheTargetsOfQueuedCreateTasks) {
  const std::vector<std::wstring> reserved = {L"c:\\data\\DATA.zeb", L"C:\\Other\\x.zeb"};
  EXPECT_EQ(outcome(plan(1, {L"C:\\Data\\c", L"C:\\Data\\d"}, reserved)), L"C:\\Data\\Data (2).zeb");
  disk.files = {L"C:\\Data\\Data (2).zeb"};
  EXPECT_EQ(outcome(plan(1, {L"C:\\Data\\c", L"C:\\Data\\d"}, reserved)), L"C:\\Data\\Data (3).zeb");
}

// A create step checks its target again when it runs: an archive that appeared since planning
// is never replaced.
TEST_F(ShellPlanning, CreateStepRenumbersWhenItsTargetAppeared) {
  const ShellPlan planned = plan(1, {L"C:\\Data\\c", L"C:\\Data\\d"});
  ASSERT_EQ(planned.steps.size(), 1u);
  const ShellStep& step = planned.steps.front();
  EXPECT_EQ(freeCreateTarget(step, disk.exists()), L"C:\\Data\\Data.zeb");
  disk.files = {L"C:\\Data\\Data.zeb"};
  EXPECT_EQ(freeCreateTarget(step, disk.exists()), L"C:\\Data\\Data (2).zeb");

  ShellStep numbered = step;
  numbered.target = L"C:\\Data\\Data (2).zeb";
  disk.files.insert(numbered.target);
  EXPECT_EQ(freeCreateTarget(numbered, disk.exists()), L"C:\\Data\\Data (3).zeb");

  for (int n = 3; n <= 1000; ++n) disk.files.insert(L"C:\\Data\\Data (" + std::to_wstring(n) + L").zeb");
  EXPECT_EQ(freeCreateTarget(step, disk.exists()), L"");
}

TEST_F(ShellPlanning, ExtractHereUsesEachArchivesFolder) {
  const ShellPlan p = plan(2, {L"C:\\In\\a.zip", L"D:\\b.7z", L"\\\\s\\share\\c.tar"});
  ASSERT_EQ(p.steps.size(), 3u);
  const wchar_t* destinations[] = {L"C:\\In", L"D:\\", L"\\\\s\\share"};
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(p.steps[i].operation, 2);
    EXPECT_EQ(p.steps[i].destination, destinations[i]);
    EXPECT_TRUE(p.steps[i].inputs.empty());
  }
  EXPECT_EQ(p.steps[1].target, L"D:\\b.7z");
}

TEST_F(ShellPlanning, ExtractToFolderPlansFreeFolders) {
  disk.folders = {L"C:\\In\\old"};
  const ShellPlan p = plan(3, {L"C:\\In\\a.zip", L"C:\\In\\a.7z", L"C:\\In\\A.tar", L"C:\\In\\Backup.TAR.GZ",
                               L"C:\\In\\.zip", L"C:\\In\\old.zip", L"D:\\a.zip"});
  ASSERT_EQ(p.steps.size(), 7u) << narrow(p.error);
  // Folders differing only in case are one folder on Windows, so "A" is taken by "a".
  const wchar_t* expected[] = {L"C:\\In\\a",    L"C:\\In\\a (2)",   L"C:\\In\\A (3)", L"C:\\In\\Backup",
                               L"C:\\In\\.zip", L"C:\\In\\old (2)", L"D:\\a"};
  for (size_t i = 0; i < 7; ++i) {
    EXPECT_EQ(p.steps[i].operation, 3);
    EXPECT_EQ(p.steps[i].destination, expected[i]) << i;
  }
  EXPECT_EQ(p.steps[2].target, L"C:\\In\\A.tar");
}

TEST_F(ShellPlanning, ExtractToFolderGivesUpAfterAThousandNames) {
  disk.folders.insert(L"C:\\In\\a");
  for (int n = 2; n <= 1000; ++n) disk.folders.insert(L"C:\\In\\a (" + std::to_wstring(n) + L")");
  EXPECT_EQ(outcome(plan(3, {L"C:\\In\\a.zip"})), L"There are already a thousand folders of that name here.");
}

TEST_F(ShellPlanning, TestHasOneStepPerArchive) {
  const ShellPlan p = plan(4, {L"C:\\a.zip", L"C:\\b.zeb"});
  ASSERT_EQ(p.steps.size(), 2u);
  EXPECT_EQ(p.steps[1].operation, 4);
  EXPECT_EQ(p.steps[1].target, L"C:\\b.zeb");
  EXPECT_EQ(p.steps[1].destination, L"");
}

TEST_F(ShellPlanning, RefusalsHaveTheirTextAndNoSteps) {
  struct Case {
    uint32_t operation;
    std::vector<std::wstring> paths;
    const wchar_t* error;
  };
  const Case cases[] = {
      {1, {}, L"The shell sent no files."},
      {2, {L"C:\\a.zip", L"", L"C:\\b.zip"}, L"The shell sent an empty path."},
      {7, {L"C:\\a.zip", L""}, L"The shell sent an empty path."},
      {7, {L"C:\\a.zip"}, L"The shell asked for something this build does not do."},
      {0, {L"C:\\a.zip"}, L"The shell asked for something this build does not do."},
      {2, {L"C:\\a.zip", L"C:\\b.zip", L"C:\\"}, L"TOLZEB could not work out where to extract into."},
      {3, {L"C:\\a.zip", L"b.zip"}, L"TOLZEB could not work out where to extract into."},
      {1, {L"a", L"b"}, L"TOLZEB will not compress a drive root into itself. Pick the folders inside it instead."},
  };
  for (const Case& c : cases) {
    const ShellPlan p = plan(c.operation, c.paths);
    EXPECT_EQ(p.error, c.error) << c.operation;
    EXPECT_TRUE(p.steps.empty()) << c.operation;
  }
}

}  // namespace
}  // namespace tolzeb::ui
