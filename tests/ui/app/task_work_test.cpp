// What one task does, over a recording stand-in for the engine: which call each kind makes with
// which of the request's options, and what lands in the snapshot; the titles and detail lines.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "task_test_support.h"
#include "ui/app/task_outcome.h"
#include "ui/foundation/i18n_test_support.h"

namespace tolzeb::ui {
namespace {

using i18n::testing::catalogFromJson;
using i18n::testing::StateGuard;

constexpr const char* kQueueCatalogue = R"({"queue":{
  "create":"Create {name}","create_unnamed":"archive","sources":"{count} sources","extract":"Extract {name}",
  "export":"Export {name}","export_unnamed":"entry","verify":"Verify {name}","test":"Test {name}",
  "split":"Split {name}","merge":"Merge parts","duplicates":"Find duplicates in {name}",
  "compare":"Compare {name}","scan":"Scan {name}","repair":"Repair {name}","untitled":"Task","no_task":"No task"}})";

StateGuard englishQueueTexts() {
  auto english = catalogFromJson(L"en-US", kQueueCatalogue);
  return StateGuard(english, english, i18n::findLanguage(L"en-US"));
}

std::wstring inFolder(const std::wstring& folder, const std::wstring& name) {
  return folder + std::wstring(1, kPathSeparator) + name;
}

// An engine whose every call records itself with the arguments that matter and succeeds.
struct RecordingEngine {
  RecordingEngine() {
    engine.detectArchiveKind = [this](const std::wstring&) -> Result<ArchiveKind> { return detected; };
    engine.createArchive = [this](const Sources& sources, const std::wstring& out, const CompressionOptions& options,
                                  const ProgressCallback&) -> Result<ArchiveStats> {
      log.push_back(L"createArchive " + out + L" sources=" + std::to_wstring(sources.size()) + L" mode=" +
                    std::to_wstring(int(options.mode)) + L" chunk=" + std::to_wstring(options.chunkSize));
      return stats(11);
    };
    engine.protectArchive = [this](const std::wstring& archive, uint32_t percent,
                                   const ProgressCallback&) -> Result<RecoveryReport> {
      log.push_back(L"protectArchive " + archive + L" " + std::to_wstring(percent));
      if (protectFails) return Failure{StatusCode::canceled, L"Protection canceled"};
      RecoveryReport report;
      report.layout.percent = percent;
      return report;
    };
    engine.createZip = [this](const Sources&, const std::wstring& out, int32_t level,
                              const ProgressCallback&) -> Result<ArchiveStats> {
      log.push_back(L"createZip " + out + L" level=" + std::to_wstring(level));
      return stats(12);
    };
    engine.createTar = [this](const Sources&, const std::wstring& out, bool gzip, int32_t level,
                              const ProgressCallback&) -> Result<ArchiveStats> {
      log.push_back(L"createTar " + out + (gzip ? L" gzip" : L" plain") + L" level=" + std::to_wstring(level));
      return stats(13);
    };
    engine.createSevenZip = [this](const Sources&, const std::wstring& out, int32_t level, uint64_t solid,
                                   const ProgressCallback&) -> Result<ArchiveStats> {
      log.push_back(L"createSevenZip " + out + L" level=" + std::to_wstring(level) + L" solid=" +
                    std::to_wstring(solid));
      return stats(14);
    };
    const auto check = [this](const wchar_t* name) {
      return [this, name](const std::wstring& archive, const ProgressCallback&, uint32_t threads, uint64_t budget,
                          const Password& password) -> Result<ArchiveStats> {
        log.push_back(std::wstring(name) + L" " + archive + L" threads=" + std::to_wstring(threads) + L" budget=" +
                      std::to_wstring(budget) + (password ? L" password" : L" nopassword"));
        return stats(15);
      };
    };
    engine.verifyArchive = check(L"verifyArchive");
    engine.testArchive = check(L"testArchive");
    engine.testAnyArchive = [this](const std::wstring& archive, ArchiveKind kind, const ExtractOptions& options,
                                   const ProgressCallback&) -> Result<ArchiveStats> {
      log.push_back(L"testAnyArchive " + archive + L" kind=" + std::to_wstring(int(kind)) + L" policy=" +
                    std::to_wstring(int(options.overwrite)));
      return stats(16);
    };
    engine.extractAnyArchive = [this](const std::wstring& archive, ArchiveKind kind, const std::wstring& destination,
                                      const std::vector<std::wstring>& selection, const ExtractOptions& options,
                                      const ProgressCallback&) -> Result<ArchiveStats> {
      log.push_back(L"extractAnyArchive " + archive + L" kind=" + std::to_wstring(int(kind)) + L" to=" + destination +
                    L" selected=" + std::to_wstring(selection.size()) + L" policy=" +
                    std::to_wstring(int(options.overwrite)));
      return stats(17);
    };
    engine.splitArchive = [this](const std::wstring& archive, uint64_t partSize,
                                 const ProgressCallback&) -> Result<SplitResult> {
      log.push_back(L"splitArchive " + archive + L" " + std::to_wstring(partSize));
      return SplitResult{3, 300000, partSize, 0.5};
    };
    engine.mergeParts = [this](const std::wstring& first, const std::wstring& out,
                               const ProgressCallback&) -> Result<MergeResult> {
      log.push_back(L"mergeParts " + first + L" " + out);
      return MergeResult{4, 400000, 100000, 0.5};
    };
    engine.findDuplicates = [this](const std::wstring& archive, const Password& password,
                                   const ProgressCallback&) -> Result<DuplicateReport> {
      log.push_back(L"findDuplicates " + archive + (password ? L" password" : L" nopassword"));
      DuplicateReport report;
      report.groups.resize(2);
      report.redundantCopies = 3;
      report.reclaimableBytes = 4096;
      return report;
    };
    engine.compareArchive = [this](const std::wstring& archive, const std::wstring& folder, const Password&, bool deep,
                                   const ProgressCallback&) -> Result<CompareResult> {
      log.push_back(L"compareArchive " + archive + L" " + folder + (deep ? L" deep" : L" shallow"));
      CompareResult result;
      result.identical = 5;
      result.different = 6;
      result.onlyInArchive = 7;
      result.onlyInFolder = 8;
      result.rows.resize(2);
      return result;
    };
    const auto recovery = [this](const wchar_t* name) {
      return [this, name](const std::wstring& archive, const ProgressCallback&) -> Result<RecoveryReport> {
        log.push_back(std::wstring(name) + L" " + archive);
        RecoveryReport report;
        report.shardsChecked = 40;
        return report;
      };
    };
    engine.checkRecoveryRecord = recovery(L"checkRecoveryRecord");
    engine.repairArchive = recovery(L"repairArchive");
  }

  static ArchiveStats stats(uint64_t entries) {
    ArchiveStats stats;
    stats.entries = entries;
    return stats;
  }

  EngineCalls engine;
  ArchiveKind detected = ArchiveKind::zeb;
  bool protectFails = false;
  std::vector<std::wstring> log;  // written by the worker, read once the task has finished
};

// Runs one request to its end on a runner over the recording engine.
TaskSnapshot runToEnd(RecordingEngine& recording, const TaskRequest& request) {
  testing::FakeWindow window;
  TaskRunnerServices services;
  services.engine = &recording.engine;
  services.post = [&](WindowHandle handle, AppMessage message, uintptr_t wParam, intptr_t lParam) {
    return window.post(handle, message, wParam, lParam);
  };
  TaskRunner runner(std::move(services));
  const uint64_t id = runner.enqueue(request, window.handle());
  EXPECT_TRUE(window.waitFinished(id));
  return runner.progress();
}

TaskRequest requestOf(TaskKind kind) {
  TaskRequest request;
  request.kind = int32_t(kind);
  request.sources = {L"src"};
  request.path = L"a.zeb";
  request.destination = L"out";
  request.compareFolder = L"folder";
  request.partSize = 65536;
  return request;
}

TEST(TaskRunnerWork, EachKindMakesItsCallWithTheRequestsOptions) {
  struct Case {
    const char* what;
    TaskRequest request;
    ArchiveKind detected;
    std::vector<std::wstring> log;
  };
  auto create = [](uint8_t format, CompressionMode mode, uint32_t recovery) {
    TaskRequest request = requestOf(TaskKind::Create);
    request.format = format;
    request.compression.mode = mode;
    request.compression.chunkSize = 1u << 20;
    request.recoveryPercent = recovery;
    return request;
  };
  auto check = [](TaskKind kind) {
    TaskRequest request = requestOf(kind);
    request.compression.threads = 3;
    request.compression.memoryBudget = 1000;
    request.compression.password = std::make_shared<const SecureBytes>("pw", 2);
    request.extraction.overwrite = OverwritePolicy::skip;
    return request;
  };
  TaskRequest deep = requestOf(TaskKind::Compare);
  deep.deepCompare = true;
  const Case cases[] = {
      {"zeb",
       create(1, CompressionMode::compact, 0),
       ArchiveKind::zeb,
       {L"createArchive a.zeb sources=1 mode=2 chunk=1048576"}},
      {"zeb with record",
       create(1, CompressionMode::balanced, 5),
       ArchiveKind::zeb,
       {L"createArchive a.zeb sources=1 mode=1 chunk=1048576", L"protectArchive a.zeb 5"}},
      {"zip lightning", create(2, CompressionMode::lightning, 5), ArchiveKind::zeb, {L"createZip a.zeb level=1"}},
      {"zip balanced", create(2, CompressionMode::balanced, 0), ArchiveKind::zeb, {L"createZip a.zeb level=6"}},
      {"tar", create(3, CompressionMode::compact, 0), ArchiveKind::zeb, {L"createTar a.zeb plain level=9"}},
      {"tar.gz", create(4, CompressionMode::lightning, 0), ArchiveKind::zeb, {L"createTar a.zeb gzip level=1"}},
      {"7z",
       create(5, CompressionMode::compact, 9),
       ArchiveKind::zeb,
       {L"createSevenZip a.zeb level=9 solid=67108864"}},
      {"unknown format",
       create(9, CompressionMode::balanced, 0),
       ArchiveKind::zeb,
       {L"createArchive a.zeb sources=1 mode=1 chunk=1048576"}},
      {"extract",
       check(TaskKind::Extract),
       ArchiveKind::tar,
       {L"extractAnyArchive a.zeb kind=3 to=out selected=0 policy=1"}},
      {"verify zeb",
       check(TaskKind::Verify),
       ArchiveKind::zeb,
       {L"verifyArchive a.zeb threads=3 budget=1000 password"}},
      {"test zeb", check(TaskKind::Test), ArchiveKind::zeb, {L"testArchive a.zeb threads=3 budget=1000 password"}},
      {"verify zip", check(TaskKind::Verify), ArchiveKind::zip, {L"testAnyArchive a.zeb kind=2 policy=1"}},
      {"test unknown", check(TaskKind::Test), ArchiveKind::unknown, {L"testAnyArchive a.zeb kind=0 policy=1"}},
      {"split", requestOf(TaskKind::Split), ArchiveKind::zeb, {L"splitArchive a.zeb 65536"}},
      {"merge", requestOf(TaskKind::Merge), ArchiveKind::zeb, {L"mergeParts a.zeb out"}},
      {"duplicates", check(TaskKind::Duplicates), ArchiveKind::zeb, {L"findDuplicates a.zeb password"}},
      {"compare", requestOf(TaskKind::Compare), ArchiveKind::zeb, {L"compareArchive a.zeb folder shallow"}},
      {"compare deep", deep, ArchiveKind::zeb, {L"compareArchive a.zeb folder deep"}},
      {"scan", requestOf(TaskKind::Scan), ArchiveKind::zeb, {L"checkRecoveryRecord a.zeb"}},
      {"repair", requestOf(TaskKind::Repair), ArchiveKind::zeb, {L"repairArchive a.zeb"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    RecordingEngine recording;
    recording.detected = c.detected;
    const TaskSnapshot snapshot = runToEnd(recording, c.request);
    EXPECT_EQ(recording.log, c.log);
    EXPECT_TRUE(snapshot.succeeded);
    EXPECT_TRUE(snapshot.finished);
    EXPECT_FALSE(snapshot.active);
  }
}

TEST(TaskRunnerWork, FiguresOfEachKindLandInTheSnapshotAndStatsStayZero) {
  RecordingEngine recording;
  const TaskSnapshot split = runToEnd(recording, requestOf(TaskKind::Split));
  EXPECT_EQ(split.parts.partCount, 3u);
  EXPECT_EQ(split.parts.byteCount, 300000u);
  EXPECT_EQ(split.stats.entries, 0u);
  EXPECT_EQ(split.outputPath, L"a.zeb");

  const TaskSnapshot merge = runToEnd(recording, requestOf(TaskKind::Merge));
  EXPECT_EQ(merge.parts.partCount, 4u);
  EXPECT_EQ(merge.parts.byteCount, 400000u);
  EXPECT_EQ(merge.outputPath, L"out");

  const TaskSnapshot scan = runToEnd(recording, requestOf(TaskKind::Scan));
  EXPECT_EQ(scan.recovery.shardsChecked, 40u);
  EXPECT_EQ(scan.stats.entries, 0u);
  EXPECT_TRUE(scan.outputPath.empty());

  TaskRequest withRecord = requestOf(TaskKind::Create);
  withRecord.recoveryPercent = 7;
  const TaskSnapshot created = runToEnd(recording, withRecord);
  EXPECT_EQ(created.stats.entries, 11u);
  EXPECT_EQ(created.recovery.layout.percent, 7u);
  EXPECT_EQ(created.keptArchive, KeptArchive::None);
}

TEST(TaskRunnerWork, DuplicatesAndComparisonWaitInTheRunnerUntilTaken) {
  RecordingEngine recording;
  TaskRunnerServices services;
  services.engine = &recording.engine;
  testing::FakeWindow window;
  services.post = [&](WindowHandle handle, AppMessage message, uintptr_t wParam, intptr_t lParam) {
    return window.post(handle, message, wParam, lParam);
  };
  TaskRunner runner(std::move(services));
  ASSERT_TRUE(window.waitFinished(runner.enqueue(requestOf(TaskKind::Duplicates), window.handle())));
  const TaskSnapshot duplicates = runner.progress();
  EXPECT_EQ(duplicates.duplicateGroups, 2u);
  EXPECT_EQ(duplicates.duplicateRedundant, 3u);
  EXPECT_EQ(duplicates.duplicateReclaimable, 4096u);
  ASSERT_TRUE(window.waitFinished(runner.enqueue(requestOf(TaskKind::Compare), window.handle())));
  const TaskSnapshot compare = runner.progress();
  EXPECT_EQ(compare.compareIdentical, 5u);
  EXPECT_EQ(compare.compareDifferent, 6u);
  EXPECT_EQ(compare.compareOnlyInArchive, 7u);
  EXPECT_EQ(compare.compareOnlyInFolder, 8u);

  DuplicateReport groups;
  CompareResult rows;
  runner.takeResult(groups, rows);
  EXPECT_EQ(groups.groups.size(), 2u);
  EXPECT_EQ(rows.rows.size(), 2u);
  runner.takeResult(groups, rows);  // taken: both are empty now
  EXPECT_TRUE(groups.groups.empty());
  EXPECT_TRUE(rows.rows.empty());
  EXPECT_EQ(rows.identical, 0u);
}

TEST(TaskRunnerWork, UnknownKindsFailWithNoTask) {
  StateGuard texts = englishQueueTexts();
  for (int32_t kind : {0, 12, -1}) {
    SCOPED_TRACE(kind);
    RecordingEngine recording;
    TaskRequest request = requestOf(TaskKind::Create);
    request.kind = kind;
    const TaskSnapshot snapshot = runToEnd(recording, request);
    EXPECT_TRUE(recording.log.empty());
    EXPECT_FALSE(snapshot.succeeded);
    EXPECT_FALSE(snapshot.cancelled);
    EXPECT_EQ(snapshot.errorCode, int32_t(StatusCode::invalid_argument));
    EXPECT_EQ(snapshot.errorMessage, L"No task");
  }
}

TEST(TaskRunnerWork, ACreateThatStopsAfterItsArchiveIsInPlaceKeepsIt) {
  struct Case {
    const char* what;
    std::vector<Progress::Phase> reports;  // made by the create before it is cancelled
    bool protectFails;
    KeptArchive kept;
  };
  using Phase = Progress::Phase;
  const Case cases[] = {
      {"while writing", {Phase::Scanning, Phase::Writing}, false, KeptArchive::None},
      {"while checking", {Phase::Writing, Phase::Verifying}, false, KeptArchive::Unchecked},
      {"while adding the record", {}, true, KeptArchive::WithoutRecord},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    RecordingEngine recording;
    recording.protectFails = c.protectFails;
    if (!c.reports.empty()) {
      recording.engine.createArchive = [&](const Sources&, const std::wstring&, const CompressionOptions&,
                                           const ProgressCallback& progress) -> Result<ArchiveStats> {
        for (Phase phase : c.reports) {
          Progress report;
          report.phase = phase;
          EXPECT_TRUE(progress(report));
        }
        return Failure{StatusCode::canceled, L"Creation canceled"};
      };
    }
    TaskRequest request = requestOf(TaskKind::Create);
    request.recoveryPercent = 3;
    const TaskSnapshot snapshot = runToEnd(recording, request);
    EXPECT_FALSE(snapshot.succeeded);
    EXPECT_TRUE(snapshot.cancelled);
    EXPECT_EQ(snapshot.keptArchive, c.kept);
  }
}

TEST(TaskOutcome, ACancelledTaskIsWordedByWhatItLeftBehind) {
  struct Case {
    TaskKind kind;
    KeptArchive kept;
    const char* key;
  };
  const Case cases[] = {
      {TaskKind::Extract, KeptArchive::None, "task.cancelled_files_kept"},
      {TaskKind::Create, KeptArchive::WithoutRecord, "task.cancelled_archive_without_record"},
      {TaskKind::Create, KeptArchive::Unchecked, "task.cancelled_archive_unchecked"},
      {TaskKind::Create, KeptArchive::None, "task.nothing_left_behind"},
      {TaskKind::Export, KeptArchive::None, "task.nothing_left_behind"},
      {TaskKind::Split, KeptArchive::None, "task.cancelled_parts_kept"},
      {TaskKind::Merge, KeptArchive::None, "task.nothing_left_behind"},
      {TaskKind::Verify, KeptArchive::None, "task.cancelled_nothing_written"},
      {TaskKind::Test, KeptArchive::None, "task.cancelled_nothing_written"},
      {TaskKind::Duplicates, KeptArchive::None, "task.cancelled_nothing_written"},
      {TaskKind::Compare, KeptArchive::None, "task.cancelled_nothing_written"},
      {TaskKind::Scan, KeptArchive::None, "task.cancelled_nothing_written"},
      {TaskKind::Repair, KeptArchive::None, "task.cancelled_repair_kept"},
  };
  for (const Case& c : cases) {
    TaskSnapshot snapshot;
    snapshot.kind = uint8_t(c.kind);
    snapshot.cancelled = true;
    snapshot.keptArchive = c.kept;
    EXPECT_STREQ(cancelledSummaryKey(snapshot), c.key) << int(c.kind);
  }
}

TEST(TaskDescribe, TitleAndDetailByKind) {
  StateGuard texts = englishQueueTexts();
  const std::wstring archive = inFolder(L"dir", L"Photos.zeb");
  struct Case {
    int32_t kind;
    std::vector<std::wstring> sources;
    std::wstring path;
    std::vector<std::wstring> selection;
    std::wstring title;
    std::wstring detail;
  };
  const Case cases[] = {
      {1, {L"one"}, archive, {}, L"Create Photos.zeb", L"one"},
      {1, {L"one", L"two", L"three"}, L"", {}, L"Create archive", L"3 sources"},
      {1, {}, archive, {}, L"Create Photos.zeb", L"0 sources"},
      {2, {}, archive, {}, L"Extract Photos.zeb", L"dest"},
      {3, {}, archive, {L"docs/read me.txt"}, L"Export read me.txt", L"dest"},
      {3, {}, archive, {}, L"Export entry", L"dest"},
      {4, {}, archive, {}, L"Verify Photos.zeb", archive},
      {5, {}, L"Photos.zeb", {}, L"Test Photos.zeb", L"Photos.zeb"},
      {6, {}, archive, {}, L"Split Photos.zeb", archive},
      {7, {}, archive, {}, L"Merge parts", L"dest"},
      {8, {}, archive, {}, L"Find duplicates in Photos.zeb", archive},
      {9, {}, archive, {}, L"Compare Photos.zeb", L"folder"},
      {10, {}, archive, {}, L"Scan Photos.zeb", archive},
      {11, {}, archive, {}, L"Repair Photos.zeb", archive},
      {12, {}, archive, {}, L"Task", L""},
      {0, {}, archive, {}, L"Task", L""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.kind);
    TaskRequest request;
    request.kind = c.kind;
    request.sources = c.sources;
    request.path = c.path;
    request.selection = c.selection;
    request.destination = L"dest";
    request.compareFolder = L"folder";
    std::wstring title = L"old";
    std::wstring detail = L"old";
    TaskRunner::describe(request, title, detail);
    EXPECT_EQ(title, c.title);
    EXPECT_EQ(detail, c.detail);
  }
}

}  // namespace
}  // namespace tolzeb::ui
