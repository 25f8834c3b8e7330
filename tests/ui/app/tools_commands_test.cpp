// The tools page's commands: what each queues for the chosen archive, what it asks the dialogs,
// and that nothing is queued for an archive that is not listed or a dialog that was cancelled.
// The tasks run on the real engine over small real archives.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "app_window_fixture.h"
#include "dialog_apartment.h"
#include "engine/core/fs.h"
#include "sample_archives.h"
#include "task_test_support.h"
#include "ui/foundation/file_dialogs.h"

namespace tolzeb::ui::testing {
namespace {

uint64_t sizeOf(const std::wstring& path) {
  Result<UniqueHandle> file = openForRead(path);
  if (file.failed()) return 0;
  Result<uint64_t> size = file->fileSize();
  return size.failed() ? 0 : size.value();
}

class ToolsCommandsTest : public AppWindowTest {
 protected:
  ~ToolsCommandsTest() override { setFileDialogAnswererForTesting({}); }

  // Each dialog takes the next answer; a dialog beyond them is a cancel.
  void answerDialogs(std::vector<std::optional<std::vector<std::wstring>>> answers) {
    setFileDialogAnswererForTesting(
        [this, answers](const FileDialogRequest& request,
                        const PreparedFileDialog&) -> std::optional<std::vector<std::wstring>> {
          asked.push_back(request);
          return asked.size() <= answers.size() ? answers[asked.size() - 1] : std::nullopt;
        });
  }
  size_t queued() { return window.taskRunner().entries().size(); }
  TaskSnapshot finishLastTask() {
    std::vector<TaskEntry> entries = window.taskRunner().entries();
    EXPECT_FALSE(entries.empty());
    if (entries.empty()) return {};
    const uint64_t id = entries.back().id;
    EXPECT_TRUE(eventually([&] {
      for (const TaskEntry& entry : window.taskRunner().entries())
        if (entry.id == id) return isFinished(entry.state);
      return false;
    }));
    window.onTaskFinished(id);
    return window.state().taskProgress;
  }

  DialogApartment apartment;
  SampleArchives samples;
  std::vector<FileDialogRequest> asked;
};

TEST_F(ToolsCommandsTest, EachToolQueuesItsKindForTheListedArchive) {
  window.loadToolsArchive(samples.zeb());
  ASSERT_TRUE(window.state().toolsListed);
  const struct {
    uint16_t command;
    TaskKind kind;
  } cases[] = {{76, TaskKind::Verify}, {77, TaskKind::Test},  {83, TaskKind::Scan},
               {84, TaskKind::Repair}, {85, TaskKind::Split}, {87, TaskKind::Duplicates}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.command);
    window.state().taskPanelShown = false;
    const size_t before = queued();
    window.onCommand(c.command, -1);
    ASSERT_EQ(queued(), before + 1);
    const TaskEntry entry = window.taskRunner().entries().back();
    EXPECT_EQ(entry.kind, uint8_t(c.kind));
    EXPECT_EQ(entry.snapshot.path, samples.zeb());
    EXPECT_TRUE(window.state().taskPanelShown);
    finishLastTask();
  }
}

TEST_F(ToolsCommandsTest, NothingIsQueuedOrAskedWithoutAListedArchive) {
  answerDialogs({std::vector<std::wstring>{samples.sources()}});
  for (uint16_t command : {76, 77, 78, 83, 84, 85, 87, 88}) window.onCommand(command, -1);
  EXPECT_EQ(queued(), 0u);
  EXPECT_TRUE(asked.empty()) << "the compare folder is not asked for";

  // A file that is not an archive has a path but no listing: only split takes it.
  window.loadToolsArchive(samples.textFile());
  ASSERT_FALSE(window.state().toolsListed);
  for (uint16_t command : {76, 77, 83, 84, 87, 88}) window.onCommand(command, -1);
  EXPECT_EQ(queued(), 0u);
  EXPECT_TRUE(asked.empty());
  window.onCommand(85, -1);
  EXPECT_EQ(queued(), 1u);
  finishLastTask();
}

TEST_F(ToolsCommandsTest, ScanAndRepairAreOfferedOnlyForAZeb) {
  window.loadToolsArchive(samples.zip());
  ASSERT_TRUE(window.state().toolsListed);
  window.showPage(Page::Tools);
  paint();
  EXPECT_EQ(region(83), nullptr);
  EXPECT_EQ(region(84), nullptr);
  EXPECT_NE(region(87), nullptr);
}

TEST_F(ToolsCommandsTest, SplitTakesThePartSizeChosenOnThePage) {
  window.loadToolsArchive(samples.zeb());
  window.onCommand(80, 0);  // 10 MiB
  window.onCommand(85, -1);
  TaskSnapshot split = finishLastTask();
  ASSERT_TRUE(split.succeeded);
  EXPECT_EQ(split.kind, uint8_t(TaskKind::Split));
  EXPECT_EQ(split.parts.partSize, 10u * 1048576);
  EXPECT_EQ(split.parts.partCount, 1u);
}

TEST_F(ToolsCommandsTest, MergeAsksForTheFirstPartThenTheOutputNamedByDefault) {
  window.loadToolsArchive(samples.zeb());
  window.onCommand(85, -1);
  ASSERT_TRUE(finishLastTask().succeeded);
  const std::wstring firstPart = samples.zeb() + L".001";
  const std::wstring merged = samples.path(L"merged.zeb");

  // Cancelling either dialog queues nothing.
  answerDialogs({});
  window.onCommand(86, -1);
  EXPECT_EQ(asked.size(), 1u);
  answerDialogs({std::vector<std::wstring>{firstPart}});
  asked.clear();
  window.onCommand(86, -1);
  EXPECT_EQ(asked.size(), 2u);
  EXPECT_EQ(queued(), 1u);

  asked.clear();
  answerDialogs({std::vector<std::wstring>{firstPart}, std::vector<std::wstring>{merged}});
  window.onCommand(86, -1);
  ASSERT_EQ(asked.size(), 2u);
  EXPECT_EQ(asked[1].kind, FileDialogKind::save);
  EXPECT_EQ(asked[1].fileName, L"merged.zeb");
  TaskSnapshot done = finishLastTask();
  EXPECT_TRUE(done.succeeded);
  EXPECT_EQ(done.kind, uint8_t(TaskKind::Merge));
  EXPECT_EQ(done.outputPath, merged);
  EXPECT_EQ(sizeOf(merged), sizeOf(samples.zeb()));
}

TEST_F(ToolsCommandsTest, CompareAsksForAFolderAndRemembersItOnceQueued) {
  PageState& s = window.state();
  window.loadToolsArchive(samples.zeb());
  answerDialogs({});
  window.onCommand(88, -1);
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0].title, L"Compare the archive with which folder?");
  EXPECT_EQ(queued(), 0u);
  EXPECT_TRUE(s.compareFolder.empty());

  asked.clear();
  answerDialogs({std::vector<std::wstring>{samples.sources()}});
  window.onCommand(88, -1);
  EXPECT_EQ(s.compareFolder, samples.sources());
  ASSERT_TRUE(finishLastTask().succeeded);
  ASSERT_TRUE(s.compareShown);
  EXPECT_TRUE(s.compareResult.hashed) << "the comparison reads the contents";
  EXPECT_EQ(s.compareResult.identical, 3u);
  EXPECT_TRUE(s.compareResult.rows.empty());

  paint();
  bool summary = false;
  for (const DrawCall& call : canvas.calls())
    summary |= call.text == L"3 identical · 0 differing · 0 only in the archive · 0 only in the folder";
  EXPECT_FALSE(summary) << "the result shows on the tools page only";
  window.showPage(Page::Tools);
  paint();
  for (const DrawCall& call : canvas.calls())
    summary |= call.text == L"3 identical · 0 differing · 0 only in the archive · 0 only in the folder";
  EXPECT_TRUE(summary);
}

TEST_F(ToolsCommandsTest, ChoosingAnotherArchiveDropsTheShownResults) {
  PageState& s = window.state();
  window.loadToolsArchive(samples.zeb());
  window.onCommand(87, -1);
  ASSERT_TRUE(finishLastTask().succeeded);
  ASSERT_TRUE(s.duplicatesShown);
  answerDialogs({std::vector<std::wstring>{samples.zip()}});
  window.onCommand(75, -1);
  EXPECT_EQ(s.toolsArchive, samples.zip());
  EXPECT_FALSE(s.duplicatesShown);
  EXPECT_TRUE(s.duplicateResult.groups.empty());
}

}  // namespace
}  // namespace tolzeb::ui::testing
