#include "engine/create/partial_output.h"

#include <gtest/gtest.h>

#include "engine/create/progress_report.h"
#include "support/scratch_tree.h"

namespace tolzeb {
namespace {

using testing::ScratchTree;

TEST(ReportProgressTest, EmptyCallbackGoesOnAndAnswersPassThrough) {
  Progress progress;
  progress.itemsTotal = 7;
  EXPECT_TRUE(reportProgress(ProgressCallback(), progress));
  for (bool answer : {true, false}) {
    int calls = 0;
    const ProgressCallback callback = [&](const Progress& seen) {
      ++calls;
      EXPECT_EQ(seen.itemsTotal, 7u);
      return answer;
    };
    EXPECT_EQ(reportProgress(callback, progress), answer);
    EXPECT_EQ(calls, 1);
  }
}

// Writes `text` through the staging protocol, stopping before the final move.
UniqueHandle stageText(const std::wstring& partial, const std::string& text) {
  auto handle = openPartialOutput(partial);
  EXPECT_TRUE(handle.hasValue());
  if (handle.failed()) return UniqueHandle();
  EXPECT_TRUE(handle->writeAll(text.data(), text.size()).ok());
  return std::move(handle).value();
}

TEST(PartialOutputTest, TargetIsReplacedOnlyByTheFinalMove) {
  ScratchTree tree;
  tree.writeText(L"out.zeb", "old archive");
  const std::wstring target = tree.path(L"out.zeb");
  const std::wstring partial = partialPathFor(target);
  EXPECT_EQ(partial, target + L".partial");

  UniqueHandle handle = stageText(partial, "new archive bytes");
  EXPECT_EQ(tree.readText(L"out.zeb"), "old archive");
  EXPECT_EQ(tree.readText(L"out.zeb.partial"), "new archive bytes");

  ASSERT_TRUE(commitPartialOutput(handle, partial, target).ok());
  EXPECT_FALSE(isValidHandle(handle));
  EXPECT_EQ(tree.readText(L"out.zeb"), "new archive bytes");
  EXPECT_FALSE(tree.exists(L"out.zeb.partial"));
}

TEST(PartialOutputTest, LeftoverOfACrashedRunIsTruncatedAndReused) {
  ScratchTree tree;
  tree.writeText(L"out.zeb.partial", std::string(5000, 'x'));
  const std::wstring target = tree.path(L"out.zeb");
  UniqueHandle handle = stageText(partialPathFor(target), "short");
  ASSERT_TRUE(commitPartialOutput(handle, partialPathFor(target), target).ok());
  EXPECT_EQ(tree.readText(L"out.zeb"), "short");
  EXPECT_FALSE(tree.exists(L"out.zeb.partial"));
}

TEST(PartialOutputTest, AbandoningKeepsTheFailureAndTheOldTarget) {
  ScratchTree tree;
  tree.writeText(L"out.zeb", "old archive");
  const std::wstring target = tree.path(L"out.zeb");
  const std::wstring partial = partialPathFor(target);
  UniqueHandle handle = stageText(partial, "half of a new arch");

  Result<ArchiveStats> result =
      abandonPartialOutput(handle, partial, Failure{StatusCode::canceled, L"Archive creation canceled"});
  ASSERT_TRUE(result.failed());
  EXPECT_EQ(result.failure().code, StatusCode::canceled);
  EXPECT_EQ(result.failure().message, L"Archive creation canceled");
  EXPECT_FALSE(isValidHandle(handle));
  EXPECT_FALSE(tree.exists(L"out.zeb.partial"));
  EXPECT_EQ(tree.readText(L"out.zeb"), "old archive");
}

TEST(PartialOutputTest, TargetNamedPartialGetsASecondSuffix) {
  ScratchTree tree;
  const std::wstring target = tree.path(L"odd.partial");
  UniqueHandle handle = stageText(partialPathFor(target), "content");
  EXPECT_TRUE(tree.exists(L"odd.partial.partial"));
  ASSERT_TRUE(commitPartialOutput(handle, partialPathFor(target), target).ok());
  EXPECT_EQ(tree.readText(L"odd.partial"), "content");
  EXPECT_FALSE(tree.exists(L"odd.partial.partial"));
}

TEST(PartialOutputTest, FailedMoveRemovesTheStagingFileAndReportsTheMove) {
  ScratchTree tree;
  // A non-empty folder cannot be replaced by a file.
  tree.writeText(L"out.zeb/keep.txt", "kept");
  const std::wstring target = tree.path(L"out.zeb");
  UniqueHandle handle = stageText(partialPathFor(target), "content");

  Status moved = commitPartialOutput(handle, partialPathFor(target), target);
  ASSERT_TRUE(moved.failed());
  EXPECT_EQ(moved.message().rfind(L"Cannot rename to '" + target + L"': ", 0), 0u)
      << testing::printable(moved.message());
  EXPECT_FALSE(tree.exists(L"out.zeb.partial"));
  EXPECT_EQ(tree.readText(L"out.zeb/keep.txt"), "kept");
}

TEST(PartialOutputTest, OpeningInAMissingFolderLeavesNothing) {
  ScratchTree tree;
  const std::wstring partial = partialPathFor(tree.path(L"missing/out.zeb"));
  auto handle = openPartialOutput(partial);
  ASSERT_TRUE(handle.failed());
  EXPECT_EQ(handle.failure().code, StatusCode::not_found);
  EXPECT_FALSE(tree.exists(L"missing"));
}

}  // namespace
}  // namespace tolzeb
