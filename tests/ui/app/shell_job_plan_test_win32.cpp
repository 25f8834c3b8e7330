// Planning against the real file system, where plans join names with '\'.
#include <gtest/gtest.h>

#include "engine/core/fs.h"
#include "shell_job_test_support.h"
#include "ui/app/shell_job_plan.h"

namespace tolzeb::ui {
namespace {

// The intake hands in the file layer's own predicates, which put paths into long-path form, so
// an existing archive deep below the 260-character limit is still seen and never replaced.
TEST(ShellPlanningOnDisk, FileLayerPredicatesSeeLongPaths) {
  shell::testing::JobFolder scratch;
  std::wstring folder = scratch.root().wstring();
  while (folder.size() < 300) folder = joinPath(folder, L"a-rather-long-folder-name-for-this-test");
  ASSERT_FALSE(createDirectories(joinPath(folder, L"Photos")).failed());
  ASSERT_FALSE(openForWrite(joinPath(folder, L"Photos.zeb"), true).failed());

  const ShellPlan plan =
      planShellJob(shell::ShellJob{1, {joinPath(folder, L"Photos")}}, pathExists, isDirectory, L".zeb");
  ASSERT_EQ(plan.steps.size(), 1u);
  EXPECT_EQ(pathLeaf(plan.steps[0].target), L"Photos (2).zeb");
}

}  // namespace
}  // namespace tolzeb::ui
