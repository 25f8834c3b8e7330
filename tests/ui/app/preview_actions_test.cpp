// The preview pane's extract and export actions on the previewed entry of a real archive.
#include <atomic>

#include "app_window_fixture.h"
#include "sample_archives.h"
#include "task_test_support.h"

namespace tolzeb::ui::testing {
namespace {

class PreviewActionsTest : public AppWindowTest {
 protected:
  // Lists `archive` in the viewer and marks its first file as the previewed entry.
  std::wstring previewFirstFile(const std::wstring& archive) {
    window.openArchive(archive);
    PageState& s = window.state();
    EXPECT_TRUE(s.viewerListed);
    for (const ListedEntry& entry : s.viewerEntries) {
      if (entry.isDirectory) continue;
      s.previewResult.entryName = entry.path;
      s.previewResult.kind = PreviewKind::text;
      s.previewResult.state = PreviewState::ready;
      return entry.path;
    }
    ADD_FAILURE() << "no file listed";
    return {};
  }

  SampleArchives samples;
};

TEST_F(PreviewActionsTest, ExtractingTheEntryFillsTheExtractPageWithItAloneAndThePassword) {
  window.openArchive(samples.lockedZeb());  // locked: the password is typed, then it is unlocked
  window.state().viewerPassword.insert(kSamplePassword, kTextFieldLimit);
  const std::wstring name = previewFirstFile(samples.lockedZeb());
  window.onCommand(68, -1);

  const PageState& s = window.state();
  EXPECT_EQ(s.page, Page::Extract);
  EXPECT_EQ(s.extractArchive, samples.lockedZeb());
  EXPECT_EQ(s.extractSelection, std::vector<std::wstring>{name});
  EXPECT_EQ(s.extractPassword.text, kSamplePassword);
  EXPECT_EQ(s.extractPassword.caret, s.extractPassword.text.size());
  EXPECT_TRUE(s.extractPassword.masked);
}

TEST_F(PreviewActionsTest, NeitherActionWorksOnAFolderANamelessEntryOrAnUnlistedArchive) {
  struct Case {
    const char* what;
    void (*spoil)(PageState&);
  } cases[] = {
      {"folder", [](PageState& s) { s.previewResult.kind = PreviewKind::folder; }},
      {"no name", [](PageState& s) { s.previewResult.entryName.clear(); }},
      {"not listed", [](PageState& s) { s.viewerListed = false; }},
  };
  for (const Case& c : cases) {
    previewFirstFile(samples.zeb());
    c.spoil(window.state());
    window.showPage(Page::Viewer);
    window.onCommand(68, -1);
    window.onCommand(69, -1);
    EXPECT_EQ(window.state().page, Page::Viewer) << c.what;
    EXPECT_TRUE(window.taskRunner().entries().empty()) << c.what;
  }
}

TEST_F(PreviewActionsTest, ExportingWritesTheEntryBesideTheArchiveUnderAFreeName) {
  const std::wstring name = previewFirstFile(samples.zeb());
  const std::wstring leaf = name.substr(name.find_last_of(L'/') + 1);
  writeFile(samples.path(leaf), "already here\n");  // never overwritten: the export steps around it
  window.onCommand(69, -1);

  std::vector<TaskEntry> entries = window.taskRunner().entries();
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_TRUE(window.state().taskPanelShown);
  ASSERT_TRUE(eventually([&] { return isFinished(window.taskRunner().entries().front().state); }));
  const TaskSnapshot done = window.taskRunner().entries().front().snapshot;
  EXPECT_TRUE(done.succeeded) << std::string(done.errorMessage.begin(), done.errorMessage.end());
  EXPECT_EQ(done.kind, uint8_t(TaskKind::Export));
  std::wstring folder, exported, archiveFolder, archiveName;
  splitPath(done.outputPath, folder, exported);
  splitPath(fullPath(samples.zeb()).value(), archiveFolder, archiveName);
  EXPECT_EQ(folder, archiveFolder);
  EXPECT_NE(exported, leaf);
  EXPECT_TRUE(pathExists(done.outputPath));
  EXPECT_TRUE(pathExists(samples.path(leaf)));
}

// A window whose tasks wait inside a split until the test lets them go.
TEST(PreviewExportWhileBusy, NothingIsQueuedWhileAnotherTaskRuns) {
  tolzeb::testing::TempFolder folder;
  setLocalAppDataForTesting(folder.path());
  SampleArchives samples;
  std::atomic<bool> entered{false}, release{false};
  EngineCalls engine = linkedEngine();
  engine.splitArchive = [&](const std::wstring&, uint64_t, const ProgressCallback&) -> Result<SplitResult> {
    entered = true;
    while (!release) std::this_thread::yield();
    return Failure{StatusCode::canceled, L"released"};
  };
  TaskRunnerServices services;
  services.engine = &engine;
  {
    AppWindow window(services);
    window.attachHost(std::make_unique<FakeWindowHost>());
    window.openArchive(samples.zeb());
    PageState& s = window.state();
    ASSERT_TRUE(s.viewerListed);
    s.previewResult.entryName = s.viewerEntries.back().path;
    s.previewResult.kind = PreviewKind::text;
    TaskRequest split;
    split.kind = int32_t(TaskKind::Split);
    split.path = samples.zeb();
    split.partSize = 65536;
    ASSERT_NE(window.queueTask(split), 0u);
    ASSERT_TRUE(eventually([&] { return entered.load() && window.taskRunner().busy(); }));
    window.onCommand(69, -1);
    EXPECT_EQ(window.taskRunner().entries().size(), 1u);
    release = true;
  }
  setLocalAppDataForTesting(std::nullopt);
}

}  // namespace
}  // namespace tolzeb::ui::testing
