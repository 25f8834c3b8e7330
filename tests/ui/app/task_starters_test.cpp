// Starting tasks from the pages: what each request takes from the page and the settings, what a
// finished task leaves for the window, and how the window shows where a task wrote. The tasks run
// on the real engine over small real archives.
#include "ui/app/task_starters.h"

#include <gtest/gtest.h>

#include "app_window_fixture.h"
#include "sample_archives.h"
#include "task_test_support.h"

namespace tolzeb::ui::testing {
namespace {

std::string bytesOf(const Password& password) {
  if (!password) return "<none>";
  return std::string(reinterpret_cast<const char*>(password->data()), password->size());
}

std::string fileText(const std::wstring& path) {
  Result<UniqueHandle> file = openForRead(path);
  if (file.failed()) return "<unreadable>";
  std::string text(size_t(file->fileSize().value()), '\0');
  if (file->readAt(0, text.data(), text.size()).failed()) return "<unreadable>";
  return text;
}

class TaskStartersTest : public AppWindowTest {
 protected:
  void type(TextField& field, const std::wstring& text) {
    field.clear();
    field.insert(text, kTextFieldLimit);
  }
  // Waits for the last queued task to end and hands its end to the window as TaskFinished does.
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

  SampleArchives samples;
};

TEST_F(TaskStartersTest, ACompressRequestTakesTheSettingsWithThePagesChoicesOnTop) {
  PageState s;
  s.settings.mode = 2;
  s.settings.verify = true;
  s.settings.blockHashes = false;
  s.settings.threads = 4;
  s.settings.memoryBytes = 268435456;
  s.settings.chunkBytes = 524288;
  s.compressSources = {L"a", L"b"};
  s.compressDestination = L"out.zeb";
  s.compressMode = 0;
  s.compressVerify = false;
  s.compressDictionary = true;

  TaskRequest request = compressRequest(s);
  EXPECT_EQ(request.kind, int32_t(TaskKind::Create));
  EXPECT_EQ(request.sources, s.compressSources);
  EXPECT_EQ(request.path, L"out.zeb");
  EXPECT_EQ(request.format, 1);
  const CompressionOptions& options = request.compression;
  EXPECT_EQ(options.mode, CompressionMode::lightning);
  EXPECT_FALSE(options.verifyAfterWrite);
  EXPECT_TRUE(options.useDictionary);
  EXPECT_FALSE(options.chunkHashes);
  EXPECT_EQ(options.threads, 4u);
  EXPECT_EQ(options.memoryBudget, 268435456u);
  EXPECT_EQ(options.chunkSize, 524288u);
  EXPECT_EQ(options.kdfIterations, 600000u);
  EXPECT_FALSE(options.password);
}

TEST_F(TaskStartersTest, OnlyAZebGetsAPasswordAndARecoveryRecord) {
  struct Case {
    uint8_t format;
    bool encrypt;
    bool recovery;
    std::string password;
    uint32_t recoveryPercent;
  } cases[] = {
      {1, true, true, "hunter2", 12}, {1, false, true, "<none>", 12}, {1, true, false, "hunter2", 0},
      {2, true, true, "<none>", 0},   {5, true, true, "<none>", 0},   {3, false, true, "<none>", 0},
      {4, true, false, "<none>", 0},
  };
  for (const Case& c : cases) {
    PageState s;
    s.compressFormat = c.format;
    s.compressEncrypt = c.encrypt;
    s.compressRecovery = c.recovery;
    s.compressRecoveryPercent = 12;
    type(s.compressPassword, L"hunter2");
    TaskRequest request = compressRequest(s);
    EXPECT_EQ(request.format, c.format);
    EXPECT_EQ(bytesOf(request.compression.password), c.password) << int(c.format) << c.encrypt;
    EXPECT_EQ(request.recoveryPercent, c.recoveryPercent) << int(c.format) << c.recovery;
  }
}

TEST_F(TaskStartersTest, AnExtractRequestTakesThePagesPolicyAndPassword) {
  PageState s;
  s.settings.overwrite = 0;
  s.settings.restoreTimestamps = false;
  s.settings.threads = 2;
  s.settings.memoryBytes = 134217728;
  s.extractArchive = L"in.zip";
  s.extractDestination = L"out";
  s.extractSelection = {L"a/b.txt"};
  s.extractOverwrite = 2;
  type(s.extractPassword, L"pässword");

  TaskRequest request = extractRequest(s);
  EXPECT_EQ(request.kind, int32_t(TaskKind::Extract));
  EXPECT_EQ(request.path, L"in.zip");
  EXPECT_EQ(request.destination, L"out");
  EXPECT_EQ(request.selection, s.extractSelection);
  EXPECT_EQ(request.extraction.overwrite, OverwritePolicy::overwrite);
  EXPECT_FALSE(request.extraction.restoreTimes);
  EXPECT_TRUE(request.extraction.restoreAttributes);
  EXPECT_EQ(request.extraction.threads, 2u);
  EXPECT_EQ(request.extraction.memoryBudget, 134217728u);
  EXPECT_EQ(bytesOf(request.extraction.password), "p\xC3\xA4ssword");

  s.extractPassword.clear();
  EXPECT_FALSE(extractRequest(s).extraction.password);
}

TEST_F(TaskStartersTest, ACheckRequestVerifiesOrTestsWithTheSettingsAndTheToolsPassword) {
  PageState s;
  s.settings.threads = 8;
  s.settings.memoryBytes = 1073741824;
  s.toolsArchive = L"a.zeb";
  type(s.toolsPassword, L"pw");
  for (bool verify : {true, false}) {
    TaskRequest request = checkRequest(s, verify);
    EXPECT_EQ(request.kind, int32_t(verify ? TaskKind::Verify : TaskKind::Test));
    EXPECT_EQ(request.path, L"a.zeb");
    EXPECT_EQ(request.compression.threads, 8u);
    EXPECT_EQ(request.compression.memoryBudget, 1073741824u);
    EXPECT_EQ(bytesOf(request.compression.password), "pw");
  }
}

TEST_F(TaskStartersTest, AFormThatIsNotReadyStartsNothing) {
  PageState& s = window.state();
  s.compressSources = {samples.sources()};  // no destination
  window.onCommand(42, -1);
  s.extractArchive = samples.zip();  // no destination
  window.onCommand(48, -1);
  s.toolsArchive = samples.zeb();  // not listed
  window.onCommand(76, -1);
  window.onCommand(77, -1);
  EXPECT_TRUE(window.taskRunner().entries().empty());
  EXPECT_FALSE(s.taskPanelShown);
}

TEST_F(TaskStartersTest, AFinishedCreateOfAZipComesFirstInTheHistory) {
  HistoryEntry older;
  older.path = samples.zeb();
  ASSERT_TRUE(window.historyStore().add(older));
  PageState& s = window.state();
  window.addSources({samples.sources()});
  window.changeCompressFormat(2);
  s.compressDestination = samples.path(L"made.zip");
  s.compressEncrypt = true;  // left on from an earlier choice: a zip is still written without one
  window.onCommand(42, -1);
  EXPECT_TRUE(s.taskPanelShown);

  TaskSnapshot finished = finishLastTask();
  ASSERT_TRUE(finished.succeeded) << std::string(finished.errorMessage.begin(), finished.errorMessage.end());
  EXPECT_EQ(finished.kind, uint8_t(TaskKind::Create));
  const std::vector<HistoryEntry>& history = window.historyStore().entries();
  ASSERT_EQ(history.size(), 2u);
  EXPECT_EQ(history[0].path, samples.path(L"made.zip"));
  EXPECT_EQ(history[0].archiveSize, finished.stats.archiveBytes);
  EXPECT_EQ(history[0].inputSize, finished.stats.inputBytes);
  EXPECT_GT(history[0].inputSize, 0u);
  EXPECT_DOUBLE_EQ(history[0].seconds, finished.elapsedSeconds);
  EXPECT_GT(history[0].timestamp, 0u);
  EXPECT_FALSE(history[0].missing);
  EXPECT_EQ(history[1].path, samples.zeb());
  EXPECT_TRUE(s.taskPanelShown) << "the panel keeps showing the result";
  EXPECT_EQ(linkedEngine().detectArchiveKind(samples.path(L"made.zip")).value(), ArchiveKind::zip);

  History reloaded;
  reloaded.load();
  ASSERT_FALSE(reloaded.entries().empty());
  EXPECT_EQ(reloaded.entries()[0].path, samples.path(L"made.zip")) << "the history was saved";
}

TEST_F(TaskStartersTest, AFailedCreateAddsNoHistoryEntry) {
  PageState& s = window.state();
  s.compressSources = {samples.sources()};
  s.compressDestination = samples.path(L"notes.txt/inside.zeb");  // under a file: cannot be written
  window.onCommand(42, -1);
  TaskSnapshot finished = finishLastTask();
  EXPECT_TRUE(finished.finished);
  EXPECT_FALSE(finished.succeeded);
  EXPECT_TRUE(window.historyStore().entries().empty());
}

TEST_F(TaskStartersTest, ExtractingWithThePageSetToReplaceOverwritesWhateverTheSettingsSay) {
  PageState& s = window.state();
  s.settings.overwrite = 0;
  const std::wstring out = samples.path(L"out");
  ASSERT_TRUE(createDirectories(joinPath(out, L"sources")).ok());
  writeFile(joinPath(joinPath(out, L"sources"), L"a.txt"), "old");
  s.extractArchive = samples.zip();
  window.loadExtractArchive();
  s.extractDestination = out;
  s.extractOverwrite = 2;
  window.onCommand(48, -1);
  TaskSnapshot finished = finishLastTask();
  ASSERT_TRUE(finished.succeeded) << std::string(finished.errorMessage.begin(), finished.errorMessage.end());
  EXPECT_EQ(fileText(joinPath(joinPath(out, L"sources"), L"a.txt")), "twice the same words\n");
}

TEST_F(TaskStartersTest, TheToolsChecksRunOnTheListedArchiveWithItsPassword) {
  PageState& s = window.state();
  window.loadToolsArchive(samples.lockedZeb());
  type(s.toolsPassword, kSamplePassword);
  window.loadToolsArchive(samples.lockedZeb());
  ASSERT_TRUE(s.toolsListed);
  for (uint16_t command : {uint16_t(76), uint16_t(77)}) {
    window.onCommand(command, -1);
    TaskSnapshot finished = finishLastTask();
    EXPECT_EQ(finished.kind, uint8_t(command == 76 ? TaskKind::Verify : TaskKind::Test));
    EXPECT_TRUE(finished.succeeded) << std::string(finished.errorMessage.begin(), finished.errorMessage.end());
  }
}

TEST_F(TaskStartersTest, FinishedDuplicateAndCompareTasksLeaveTheirResultsForTheToolsPage) {
  PageState& s = window.state();
  window.loadToolsArchive(samples.zeb());
  ASSERT_TRUE(s.toolsListed);
  window.onCommand(87, -1);
  ASSERT_TRUE(finishLastTask().succeeded);
  EXPECT_TRUE(s.duplicatesShown);
  ASSERT_EQ(s.duplicateResult.groups.size(), 1u) << "a.txt and b.txt hold the same bytes";
  EXPECT_EQ(s.duplicateResult.redundantCopies, 1u);
  EXPECT_FALSE(s.compareShown);

  TaskRequest compare;
  compare.kind = int32_t(TaskKind::Compare);
  compare.path = samples.zeb();
  compare.compareFolder = samples.sources();
  compare.deepCompare = true;
  ASSERT_NE(window.queueTask(compare), 0u);
  ASSERT_TRUE(finishLastTask().succeeded);
  EXPECT_TRUE(s.compareShown);
  EXPECT_EQ(s.compareResult.identical, 3u);
  EXPECT_EQ(s.duplicateResult.groups.size(), 1u) << "the duplicates stay until the next such task";
}

TEST_F(TaskStartersTest, AFailedToolTaskTakesNoResult) {
  PageState& s = window.state();
  TaskRequest duplicates;
  duplicates.kind = int32_t(TaskKind::Duplicates);
  duplicates.path = samples.missing();
  ASSERT_NE(window.queueTask(duplicates), 0u);
  TaskSnapshot finished = finishLastTask();
  EXPECT_FALSE(finished.succeeded);
  EXPECT_NE(finished.errorCode, 0);
  EXPECT_FALSE(s.duplicatesShown);
}

TEST_F(TaskStartersTest, TheOutputIsShownInItsFolderOrABoxSaysWhyNot) {
  const std::wstring folder = samples.sources();
  const std::wstring file = samples.zip();
  const std::wstring missingInFolder = samples.missing();
  const std::wstring missingFolder = samples.path(L"gone/deeper.zeb");
  struct Case {
    const char* name;
    std::wstring path;
    bool folderOpens;
    bool itemShows;
    std::vector<std::wstring> foldersOpened;
    std::vector<std::wstring> itemsShown;
    std::wstring box;
    MessageIcon icon;
  } cases[] = {
      {"nothing recorded",
       L"",
       true,
       true,
       {},
       {},
       L"This job did not record where it wrote.",
       MessageIcon::Information},
      {"a folder", folder, true, true, {folder}, {}, L"", MessageIcon::Information},
      {"a folder that will not open",
       folder,
       false,
       true,
       {folder},
       {},
       L"Could not open this folder:\n\n" + folder,
       MessageIcon::Warning},
      {"a file", file, true, true, {}, {file}, L"", MessageIcon::Information},
      {"a file that cannot be selected",
       file,
       true,
       false,
       {samples.root.path()},
       {file},
       L"",
       MessageIcon::Information},
      {"a file gone from its folder",
       missingInFolder,
       true,
       true,
       {samples.root.path()},
       {},
       L"",
       MessageIcon::Information},
      {"nothing left to show",
       missingFolder,
       true,
       true,
       {},
       {},
       L"Could not show this in Explorer:\n\n" + missingFolder,
       MessageIcon::Warning},
      {"nothing that opens",
       file,
       false,
       false,
       {samples.root.path()},
       {file},
       L"Could not show this in Explorer:\n\n" + file,
       MessageIcon::Warning},
  };
  for (const Case& c : cases) {
    *host = FakeWindowHost();
    host->folderOpens = c.folderOpens;
    host->itemShows = c.itemShows;
    window.openOutputFolder(c.path);
    EXPECT_EQ(host->foldersOpened, c.foldersOpened) << c.name;
    EXPECT_EQ(host->itemsShown, c.itemsShown) << c.name;
    if (c.box.empty()) {
      EXPECT_TRUE(host->messages.empty()) << c.name;
    } else {
      ASSERT_EQ(host->messages.size(), 1u) << c.name;
      EXPECT_EQ(host->messages[0].first, c.box) << c.name;
      EXPECT_EQ(host->messages[0].second, c.icon) << c.name;
    }
  }
}

TEST_F(TaskStartersTest, ThePanelAndTheSettingsPageOpenTheirFolders) {
  window.state().taskProgress.outputPath = samples.sources();
  window.onCommand(121, -1);
  EXPECT_EQ(host->foldersOpened, std::vector<std::wstring>{samples.sources()});

  host->foldersOpened.clear();
  std::wstring settingsFolder, settingsName;
  splitPath(settingsPath(), settingsFolder, settingsName);
  ASSERT_FALSE(settingsFolder.empty());
  window.onCommand(100, -1);
  EXPECT_EQ(host->foldersOpened, std::vector<std::wstring>{settingsFolder});
  EXPECT_TRUE(isDirectory(settingsFolder)) << "made when it was not there yet";
}

}  // namespace
}  // namespace tolzeb::ui::testing
