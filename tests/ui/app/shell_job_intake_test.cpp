// A shell job from the Explorer menu, read from the data folder, checked, planned and queued
// through the window, with archive work stood in for so each request can be inspected.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <set>
#include <thread>

#include "formats/engine_calls.h"
#include "support/temp_folder.h"
#include "ui/app/app_window.h"
#include "ui/app/shell_job.h"
#include "ui/app/shell_job_plan.h"
#include "ui/foundation/app_data.h"
#include "ui/foundation/localisation.h"
#include "ui/foundation/i18n_test_support.h"
#include "fake_window_host.h"
#include "shell_job_test_support.h"
#include "task_test_support.h"

namespace tolzeb::ui {
namespace {

namespace fs = std::filesystem;
using shell::ShellOperation;
using shell::testing::jobImage;
using testing::eventually;

// The requests the stand-in engine saw, keyed by what matters to each test.
struct Seen {
  std::mutex mutex;
  std::vector<std::pair<Sources, std::wstring>> creates;  // sources, archive
  std::vector<std::pair<std::wstring, ExtractOptions>> extracts;
  std::vector<std::wstring> tests;
  std::atomic<bool> holdCreates{false};
  std::atomic<int> createsStarted{0};
};

class ShellJobIntakeTest : public ::testing::Test {
 protected:
  ShellJobIntakeTest() : window(services()) {
    setLocalAppDataForTesting(folder.path());
    i18n::initialise(L"en-US");
    fs::create_directories(jobFolder());
    auto fake = std::make_unique<testing::FakeWindowHost>();
    host = fake.get();
    window.attachHost(std::move(fake));
    window.applyStartSettings();
  }
  ~ShellJobIntakeTest() override {
    seen.holdCreates = false;
    window.stopWorkers();
    setLocalAppDataForTesting(std::nullopt);
  }

  TaskRunnerServices services() {
    engine = linkedEngine();
    engine.createArchive = [this](const Sources& sources, const std::wstring& output, const CompressionOptions&,
                                  const ProgressCallback& progress) -> Result<ArchiveStats> {
      ++seen.createsStarted;
      while (seen.holdCreates && progress(Progress{})) std::this_thread::sleep_for(std::chrono::milliseconds(1));
      std::lock_guard<std::mutex> lock(seen.mutex);
      seen.creates.emplace_back(sources, output);
      std::ofstream(fs::path(output)) << "archive";
      return ArchiveStats();
    };
    engine.detectArchiveKind = [this](const std::wstring& path) -> Result<ArchiveKind> {
      auto found = kinds.find(path);
      return found == kinds.end() ? ArchiveKind::unknown : found->second;
    };
    engine.probeZebArchive = [this](const std::wstring& path) -> Result<bool> { return encrypted.count(path) != 0; };
    engine.extractAnyArchive = [this](const std::wstring& archive, ArchiveKind, const std::wstring&,
                                      const std::vector<std::wstring>&, const ExtractOptions& options,
                                      const ProgressCallback&) -> Result<ArchiveStats> {
      std::lock_guard<std::mutex> lock(seen.mutex);
      seen.extracts.emplace_back(archive, options);
      return ArchiveStats();
    };
    engine.testAnyArchive = [this](const std::wstring& archive, ArchiveKind, const ExtractOptions&,
                                   const ProgressCallback&) -> Result<ArchiveStats> {
      std::lock_guard<std::mutex> lock(seen.mutex);
      seen.tests.push_back(archive);
      return ArchiveStats();
    };
    TaskRunnerServices result;
    result.engine = &engine;
    result.post = [](WindowHandle, AppMessage, uintptr_t, intptr_t) { return true; };
    return result;
  }

  fs::path jobFolder() const { return fs::path(folder.path()) / "TOLZEB" / "shelljobs"; }
  // Writes the job into the data folder's job folder and gives its path.
  std::wstring job(ShellOperation operation, const std::vector<std::wstring>& paths) {
    const fs::path file = jobFolder() / shell::testing::kJobName;
    shell::testing::JobFolder::write(file, jobImage(uint32_t(operation), paths));
    return file.wstring();
  }
  std::wstring file(const std::wstring& name) {
    const std::wstring path = folder / name;
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(fs::path(path)) << "x";
    return path;
  }
  bool allTasksDone() {
    return eventually([&] { return window.taskRunner().openCount() == 0; });
  }

  i18n::testing::StateGuard languageGuard;
  tolzeb::testing::TempFolder folder;
  EngineCalls engine;
  Seen seen;
  std::map<std::wstring, ArchiveKind> kinds;
  std::set<std::wstring> encrypted;
  AppWindow window;
  testing::FakeWindowHost* host = nullptr;
};

TEST_F(ShellJobIntakeTest, CompressJobQueuesOneCreateBesideTheItemsAndDeletesTheJob) {
  const std::wstring a = file(L"Photos/a.jpg"), b = file(L"Photos/b.jpg");
  const std::wstring path = job(ShellOperation::Compress, {a, b});

  EXPECT_TRUE(window.runShellJobFile(path));
  EXPECT_FALSE(fs::exists(fs::path(path)));
  EXPECT_TRUE(host->messages.empty());
  EXPECT_EQ(window.state().page, Page::Tasks);
  EXPECT_TRUE(window.state().taskPanelShown);
  ASSERT_TRUE(allTasksDone());
  ASSERT_EQ(seen.creates.size(), 1u);
  EXPECT_EQ(seen.creates[0].first, (Sources{a, b}));
  EXPECT_EQ(seen.creates[0].second, pathInFolder(folder / L"Photos", L"Photos.zeb"));
}

TEST_F(ShellJobIntakeTest, NewArchiveAvoidsQueuedTargetsAndOnesThatAppearBeforeItRuns) {
  const std::wstring a = file(L"Photos/a.jpg");
  seen.holdCreates = true;
  TaskRequest earlier;
  earlier.kind = int32_t(TaskKind::Create);
  earlier.sources = {a};
  earlier.path = pathInFolder(folder / L"Photos", L"a.zeb");
  ASSERT_NE(window.taskRunner().enqueue(earlier, nullptr), 0u);

  ASSERT_TRUE(window.runShellJobFile(job(ShellOperation::Compress, {a})));
  std::wstring queued;
  for (const TaskEntry& entry : window.taskRunner().entries())
    if (entry.state == TaskState::Waiting) queued = entry.snapshot.outputPath;
  EXPECT_EQ(queued, pathInFolder(folder / L"Photos", L"a (2).zeb"));

  // Someone else's archive takes the name while the task waits: it is left alone.
  std::ofstream(fs::path(queued)) << "x";
  seen.holdCreates = false;
  ASSERT_TRUE(allTasksDone());
  ASSERT_EQ(seen.creates.size(), 2u);
  EXPECT_EQ(seen.creates[1].second, pathInFolder(folder / L"Photos", L"a (3).zeb"));
  std::wstring recorded;
  for (const TaskEntry& entry : window.taskRunner().entries())
    if (entry.id == 2) recorded = entry.snapshot.outputPath;
  EXPECT_EQ(recorded, pathInFolder(folder / L"Photos", L"a (3).zeb"));
}

TEST_F(ShellJobIntakeTest, AJobOutsideTheJobFolderIsRefusedAndLeftAlone) {
  const std::wstring document = file(L"0123456789abcdef0123456789abcdef.tzjob");
  shell::testing::JobFolder::write(fs::path(document), jobImage(1, {document}));

  EXPECT_FALSE(window.runShellJobFile(document));
  EXPECT_TRUE(fs::exists(fs::path(document)));
  ASSERT_EQ(host->messages.size(), 1u);
  EXPECT_EQ(host->messages[0].first,
            L"TOLZEB could not read the request from Explorer.\n\nthe job file could not be opened");
  EXPECT_EQ(host->messages[0].second, MessageIcon::Error);
}

TEST_F(ShellJobIntakeTest, MissingItemsStopTheWholeJobAndAreListed) {
  struct Case {
    int missing;
    int present;
    std::wstring header;
    bool ellipsis;
  };
  const Case cases[] = {
      {1, 10, L"TOLZEB cannot find 1 selected item:\n\n", false},
      {9, 0, L"TOLZEB cannot find 9 of the selected items:\n\n", true},
  };
  for (const Case& c : cases) {
    host->messages.clear();
    std::vector<std::wstring> paths;
    std::wstring listed;
    for (int i = 0; i < c.present; ++i) paths.push_back(file(L"here" + std::to_wstring(i)));
    for (int i = 0; i < c.missing; ++i) {
      paths.push_back(folder / (L"gone" + std::to_wstring(i)));
      if (i < 8) listed += paths.back() + L"\n";
    }
    EXPECT_FALSE(window.runShellJobFile(job(ShellOperation::Compress, paths)));
    ASSERT_EQ(host->messages.size(), 1u);
    EXPECT_EQ(host->messages[0].first, c.header + listed + (c.ellipsis ? L"...\n" : L"") +
                                           L"\nThey may have been moved or renamed since the menu was opened.");
    EXPECT_EQ(host->messages[0].second, MessageIcon::Warning);
    EXPECT_EQ(window.taskRunner().entries().size(), 0u);
  }
}

TEST_F(ShellJobIntakeTest, ExtractNeverOverwritesAndOpensProtectedArchivesInTheViewer) {
  const std::wstring zip = file(L"in/a.zip"), locked = file(L"in/b.zeb");
  kinds[zip] = ArchiveKind::zip;
  kinds[locked] = ArchiveKind::zeb;
  encrypted.insert(locked);
  window.state().settings.overwrite = uint8_t(OverwritePolicy::overwrite);

  EXPECT_TRUE(window.runShellJobFile(job(ShellOperation::ExtractToFolder, {zip, locked})));
  EXPECT_EQ(window.state().page, Page::Viewer);
  EXPECT_EQ(window.state().viewerArchive, locked);
  ASSERT_TRUE(allTasksDone());
  ASSERT_EQ(seen.extracts.size(), 1u);
  EXPECT_EQ(seen.extracts[0].first, zip);
  EXPECT_EQ(seen.extracts[0].second.overwrite, OverwritePolicy::skip);
}

TEST_F(ShellJobIntakeTest, TestingAProtectedArchiveOpensTheViewerInstead) {
  const std::wstring locked = file(L"b.zeb");
  kinds[locked] = ArchiveKind::zeb;
  encrypted.insert(locked);
  EXPECT_TRUE(window.runShellJobFile(job(ShellOperation::TestArchive, {locked})));
  EXPECT_EQ(window.state().page, Page::Viewer);
  EXPECT_EQ(window.taskRunner().entries().size(), 0u);
}

TEST_F(ShellJobIntakeTest, NotAnArchiveIsToldAndAJobThatStartedNothingFails) {
  const std::wstring text = file(L"notes.txt");
  EXPECT_FALSE(window.runShellJobFile(job(ShellOperation::ExtractHere, {text})));
  ASSERT_EQ(host->messages.size(), 2u);
  EXPECT_EQ(host->messages[0].first, L"This is not an archive TOLZEB can read:\n\n" + text);
  EXPECT_EQ(host->messages[0].second, MessageIcon::Warning);
  EXPECT_EQ(host->messages[1].first, L"TOLZEB could not start the task.");
  EXPECT_EQ(host->messages[1].second, MessageIcon::Error);
}

TEST_F(ShellJobIntakeTest, AFullQueueShowsOnlyTheFailure) {
  const std::wstring a = file(L"a.txt");
  seen.holdCreates = true;
  TaskRequest filler;
  filler.kind = int32_t(TaskKind::Create);
  filler.sources = {a};
  filler.path = folder / L"running.zeb";
  ASSERT_NE(window.taskRunner().enqueue(filler, nullptr), 0u);
  // Held inside the engine, so the waiting queue changes only by what the test adds.
  ASSERT_TRUE(eventually([&] { return seen.createsStarted.load() == 1; }));
  bool full = false;
  for (size_t i = 0; i <= 2 * TaskRunner::kMaxWaitingTasks && !full; ++i) {
    filler.path = folder / (L"w" + std::to_wstring(i) + L".zeb");
    full = window.taskRunner().enqueue(filler, nullptr) == 0;
  }
  ASSERT_TRUE(full);
  EXPECT_FALSE(window.runShellJobFile(job(ShellOperation::Compress, {a})));
  ASSERT_EQ(host->messages.size(), 1u);
  EXPECT_EQ(host->messages[0].first, L"TOLZEB could not start the task.");
}

}  // namespace
}  // namespace tolzeb::ui
