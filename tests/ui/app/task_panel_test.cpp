#include "ui/app/task_panel.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "ui/foundation/catalogue_source.h"
#include "ui/foundation/i18n_test_support.h"
#include "ui/foundation/icon_set.h"
#include "ui/foundation/palette.h"
#include "ui/foundation/recording_canvas.h"

namespace tolzeb::ui {
namespace {

using Kind = DrawCall::Kind;
using i18n::findLanguage;
using i18n::testing::StateGuard;

// The page area of a 1204 x 816 window: the panel is 560 wide from x 365 to 925, 286 high from
// y 326 while running and 232 high from y 353 once ended.
constexpr Rect kArea{86, 122, 1204, 816};
constexpr float kX0 = 365;
constexpr float kX1 = 925;
constexpr float kRunningTop = 326;
constexpr float kRunningBottom = 612;
constexpr float kEndedTop = 353;
constexpr float kEndedBottom = 585;
constexpr Color kPaleBar = rgb(180, 185, 193);

std::shared_ptr<const i18n::Catalog> shippedEnglish() {
  i18n::testing::ProgramFolder noOverrides;
  std::shared_ptr<const i18n::Catalog> english = i18n::loadCatalog(L"en-US");
  EXPECT_TRUE(english);
  return english;
}

// The shipped English texts, numbers written the English way on every machine.
class EnglishTexts : public ::testing::Test {
  StateGuard language_{shippedEnglish(), nullptr, findLanguage(L"en-US"), true};
};

TaskSnapshot running(TaskKind kind, uint64_t done, uint64_t total, double elapsed) {
  TaskSnapshot task;
  task.kind = uint8_t(kind);
  task.active = true;
  task.progress.bytesDone = done;
  task.progress.bytesTotal = total;
  task.elapsedSeconds = elapsed;
  return task;
}

TaskSnapshot succeeded(TaskKind kind) {
  TaskSnapshot task;
  task.kind = uint8_t(kind);
  task.finished = true;
  task.succeeded = true;
  task.progress.phase = Progress::Phase::Done;
  task.elapsedSeconds = 0.5;
  return task;
}

TaskSnapshot failed(TaskKind kind, StatusCode code, std::wstring message) {
  TaskSnapshot task;
  task.kind = uint8_t(kind);
  task.finished = true;
  task.cancelled = code == StatusCode::canceled;
  task.errorCode = int32_t(code);
  task.errorMessage = std::move(message);
  return task;
}

TEST_F(EnglishTexts, RemainingTimeByTotalDoneAndRate) {
  struct Case {
    const char* name;
    TaskSnapshot task;
    std::wstring text;
  };
  const Case cases[] = {
      {"create, no total yet", running(TaskKind::Create, 0, 0, 5), L"Remaining:  working out how much there is..."},
      {"test, no total yet", running(TaskKind::Test, 10, 0, 5), L"Remaining:  working out how much there is..."},
      {"split, no total", running(TaskKind::Split, 0, 0, 5), L"Remaining:  not known for this kind of job"},
      {"duplicates, no total", running(TaskKind::Duplicates, 0, 0, 5), L"Remaining:  not known for this kind of job"},
      {"unknown kind, no total", running(TaskKind(0), 0, 0, 5), L"Remaining:  not known for this kind of job"},
      {"all done", running(TaskKind::Extract, 100, 100, 5), L"Remaining:  finishing up"},
      {"past the total", running(TaskKind::Extract, 150, 100, 5), L"Remaining:  finishing up"},
      {"nothing done yet", running(TaskKind::Extract, 0, 100, 5), L"Remaining:  estimating..."},
      {"first second", running(TaskKind::Extract, 50, 100, 0.9), L"Remaining:  estimating..."},
      {"half in ten seconds", running(TaskKind::Extract, 50, 100, 10), L"Remaining:  about 0:10"},
      {"a tenth in an hour", running(TaskKind::Extract, 10, 100, 3600), L"Remaining:  about 9:00:00"},
      {"exactly a day", running(TaskKind::Extract, 1, 2, 86400), L"Remaining:  about 24:00:00"},
      {"more than a day", running(TaskKind::Extract, 1, 1000, 100), L"Remaining:  more than a day"},
  };
  for (const Case& c : cases) EXPECT_EQ(remainingTimeText(c.task), c.text) << c.name;
}

TEST(TaskBarFraction, BytesDoneWhileRunningAndFullOnceSucceeded) {
  struct Case {
    const char* name;
    TaskSnapshot task;
    double fraction;
  };
  TaskSnapshot succeededEarly = succeeded(TaskKind::Extract);
  succeededEarly.progress.bytesDone = 10;
  succeededEarly.progress.bytesTotal = 100;
  TaskSnapshot stopped = failed(TaskKind::Extract, StatusCode::io_failure, L"");
  stopped.progress.bytesDone = 30;
  stopped.progress.bytesTotal = 100;
  TaskSnapshot cancelled = failed(TaskKind::Extract, StatusCode::canceled, L"");
  cancelled.progress.bytesDone = 70;
  cancelled.progress.bytesTotal = 100;
  const Case cases[] = {
      {"no total", running(TaskKind::Create, 500, 0, 1), 0},
      {"a quarter", running(TaskKind::Create, 25, 100, 1), 0.25},
      {"more than the total", running(TaskKind::Create, 300, 100, 1), 1},
      {"succeeded with little progress", succeededEarly, 1},
      {"succeeded without a total", succeeded(TaskKind::Scan), 1},
      {"failed where it stopped", stopped, 0.3},
      {"cancelled where it stopped", cancelled, 0.7},
  };
  for (const Case& c : cases) EXPECT_DOUBLE_EQ(taskBarFraction(c.task), c.fraction) << c.name;
}

TEST_F(EnglishTexts, HeadlineByStateAndKind) {
  struct Case {
    TaskSnapshot task;
    std::wstring headline;
    bool goodNews;
  };
  TaskSnapshot partlyRepaired = succeeded(TaskKind::Repair);
  partlyRepaired.recovery.groupsBeyondRepair = 2;
  TaskSnapshot damageFound = succeeded(TaskKind::Scan);
  damageFound.recovery.damagedShards = 3;
  const Case cases[] = {
      {running(TaskKind::Create, 0, 0, 0), L"Creating archive", true},
      {running(TaskKind::Extract, 0, 0, 0), L"Extracting archive", true},
      {running(TaskKind(99), 0, 0, 0), L"Extracting archive", true},
      {running(TaskKind::Export, 0, 0, 0), L"Exporting file", true},
      {running(TaskKind::Verify, 0, 0, 0), L"Checking archive", true},
      {running(TaskKind::Test, 0, 0, 0), L"Checking archive", true},
      {running(TaskKind::Split, 0, 0, 0), L"Splitting archive", true},
      {running(TaskKind::Merge, 0, 0, 0), L"Merging parts", true},
      {running(TaskKind::Duplicates, 0, 0, 0), L"Reading archive", true},
      {running(TaskKind::Compare, 0, 0, 0), L"Reading archive", true},
      {running(TaskKind::Scan, 0, 0, 0), L"Scanning for damage", true},
      {running(TaskKind::Repair, 0, 0, 0), L"Repairing archive", true},
      {succeeded(TaskKind::Create), L"Archive created", true},
      {succeeded(TaskKind::Extract), L"Extraction finished", true},
      {succeeded(TaskKind(99)), L"Extraction finished", true},
      {succeeded(TaskKind::Export), L"File exported", true},
      {succeeded(TaskKind::Verify), L"Archive is intact", true},
      {succeeded(TaskKind::Test), L"Archive is intact", true},
      {succeeded(TaskKind::Split), L"Archive split", true},
      {succeeded(TaskKind::Merge), L"Parts merged", true},
      {succeeded(TaskKind::Duplicates), L"Finished reading", true},
      {succeeded(TaskKind::Compare), L"Finished reading", true},
      {succeeded(TaskKind::Scan), L"No damage found", true},
      {damageFound, L"Damage found", true},
      {succeeded(TaskKind::Repair), L"Archive repaired", true},
      {partlyRepaired, L"Partly repaired", false},
      {failed(TaskKind::Create, StatusCode::canceled, L""), L"Cancelled", false},
      {failed(TaskKind::Scan, StatusCode::canceled, L""), L"Cancelled", false},
      {failed(TaskKind::Repair, StatusCode::io_failure, L""), L"Could not repair the archive", false},
      {failed(TaskKind::Scan, StatusCode::io_failure, L""), L"Could not read the recovery record", false},
      {failed(TaskKind::Split, StatusCode::io_failure, L""), L"Could not split the archive", false},
      {failed(TaskKind::Merge, StatusCode::io_failure, L""), L"Could not merge the parts", false},
      {failed(TaskKind::Duplicates, StatusCode::io_failure, L""), L"Could not read the archive", false},
      {failed(TaskKind::Compare, StatusCode::io_failure, L""), L"Could not read the archive", false},
      {failed(TaskKind::Verify, StatusCode::corrupt_archive, L""), L"This archive is damaged", false},
      {failed(TaskKind::Test, StatusCode::corrupt_archive, L""), L"This archive is damaged", false},
      {failed(TaskKind::Create, StatusCode::io_failure, L""), L"Could not create the archive", false},
      {failed(TaskKind::Extract, StatusCode::io_failure, L""), L"Could not extract", false},
      {failed(TaskKind::Export, StatusCode::io_failure, L""), L"Could not extract", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "kind " << int(c.task.kind) << " active " << c.task.active << " succeeded "
                                      << c.task.succeeded);
    EXPECT_EQ(taskPanelHeadline(c.task), c.headline);
    EXPECT_EQ(taskHeadlineIsGoodNews(c.task), c.goodNews);
  }
}

TEST_F(EnglishTexts, RunningSummaryGivesPhasePercentBytesAndSpeed) {
  TaskSnapshot task = running(TaskKind::Create, 3 << 20, 12 << 20, 1.5);
  task.progress.phase = Progress::Phase::Encoding;
  EXPECT_EQ(taskPanelSummary(task), L"Compressing · 25% · 3.0 MB of 12 MB · 2 MB/s");

  // Speed reads 0 during the first 0.2 seconds; without a total the percentage is 0.
  task = running(TaskKind::Extract, 5 << 20, 0, 0.2);
  task.progress.phase = Progress::Phase::Restoring;
  EXPECT_EQ(taskPanelSummary(task), L"Extracting · 0% · 5.0 MB of 0 B · 0 MB/s");

  struct Phase {
    uint8_t phase;
    const wchar_t* title;
  };
  const Phase phases[] = {{0, L"Scanning"},  {1, L"Analysing"}, {2, L"Compressing"}, {3, L"Compressing"},
                          {4, L"Verifying"}, {5, L"Reading"},   {6, L"Extracting"},  {7, L"Done"},
                          {8, L"Working"},   {200, L"Working"}};
  for (const Phase& p : phases) {
    task.progress.phase = Progress::Phase(p.phase);
    EXPECT_EQ(taskPanelSummary(task).rfind(std::wstring(p.title) + L" · ", 0), 0u) << int(p.phase);
  }
}

TEST_F(EnglishTexts, SucceededSummaryByKind) {
  struct Case {
    const char* name;
    TaskSnapshot task;
    std::wstring summary;
  };
  std::vector<Case> cases;
  auto add = [&](const char* name, TaskKind kind, auto fill, std::wstring summary) {
    TaskSnapshot task = succeeded(kind);
    fill(task);
    cases.push_back({name, task, std::move(summary)});
  };
  add(
      "create", TaskKind::Create,
      [](TaskSnapshot& t) {
        t.stats.files = 3;
        t.stats.archiveBytes = 1 << 20;
        t.stats.inputBytes = 4 << 20;
        t.elapsedSeconds = 2.5;
      },
      L"3 files · 1.0 MB · 25.0% of the original · 2.5 s");
  add(
      "create of nothing", TaskKind::Create, [](TaskSnapshot& t) { t.stats.archiveBytes = 100; },
      L"0 files · 100 B · 0.0% of the original · 0.5 s");
  add(
      "extract", TaskKind::Extract,
      [](TaskSnapshot& t) {
        t.stats.files = 1;
        t.stats.inputBytes = 2048;
      },
      L"1 file · 2.0 KB written · 0.5 s");
  add(
      "unknown kind", TaskKind(0), [](TaskSnapshot& t) { t.stats.files = 2; }, L"2 files · 0 B written · 0.5 s");
  add(
      "export", TaskKind::Export,
      [](TaskSnapshot& t) {
        t.outputPath = L"C:\\Users\\someone\\readme (2).txt";
        t.stats.inputBytes = 2048;
      },
      L"readme (2).txt · 2.0 KB · saved beside the archive · 0.5 s");
  add(
      "verify", TaskKind::Verify,
      [](TaskSnapshot& t) {
        t.stats.entries = 12;
        t.stats.inputBytes = 1536;
      },
      L"12 entries · 1.5 KB checked · structure and every block · 0.5 s");
  add(
      "test", TaskKind::Test, [](TaskSnapshot& t) { t.stats.entries = 1; },
      L"1 entry · 0 B checked · every block · 0.5 s");
  add(
      "split", TaskKind::Split,
      [](TaskSnapshot& t) {
        t.parts.partCount = 3;
        t.parts.byteCount = 10240;
      },
      L"3 parts · 10 KB · 0.5 s");
  add(
      "merge", TaskKind::Merge,
      [](TaskSnapshot& t) {
        t.parts.partCount = 1;
        t.parts.byteCount = 100;
      },
      L"1 part · 100 B · 0.5 s");
  add(
      "duplicates", TaskKind::Duplicates,
      [](TaskSnapshot& t) {
        t.duplicateGroups = 4;
        t.duplicateRedundant = 9;
        t.duplicateReclaimable = 1 << 20;
      },
      L"4 duplicate groups · 1.0 MB reclaimable · 0.5 s");
  add(
      "compare", TaskKind::Compare,
      [](TaskSnapshot& t) {
        t.compareIdentical = 1500;
        t.compareDifferent = 2;
        t.compareOnlyInArchive = 1;
      },
      L"1,500 identical · 2 differing · 1 + 0 missing");
  for (const Case& c : cases) EXPECT_EQ(taskPanelSummary(c.task), c.summary) << c.name;
}

// The record covers the shards only: a damaged footer, or an archive that does not open although
// every shard matches, is neither "no damage" nor "whole again".
TEST_F(EnglishTexts, ScanAndRepairAreWordedByWhatTheRecordFound) {
  struct Case {
    const char* name;
    TaskKind kind;
    RecoveryReport report;
    std::wstring headline;
    std::wstring summary;
    bool goodNews;
  };
  RecoveryReport clean;
  clean.shardsChecked = 40;
  RecoveryReport damaged = clean;
  damaged.damagedShards = 3;
  RecoveryReport beyond = damaged;
  beyond.groupsBeyondRepair = 1;
  RecoveryReport footer = clean;
  footer.footerDamaged = true;
  RecoveryReport shut = clean;
  shut.openFailure = L"The chunk table is damaged";
  RecoveryReport rebuilt = damaged;
  rebuilt.shardsRebuilt = 3;
  RecoveryReport partial = beyond;
  partial.shardsRebuilt = 1;
  RecoveryReport footerLeft = rebuilt;
  footerLeft.footerDamaged = true;
  RecoveryReport footerRebuilt = footer;
  footerRebuilt.footerRebuilt = true;
  RecoveryReport rebuiltButShut = rebuilt;
  rebuiltButShut.openFailure = L"The chunk table is damaged";

  const Case cases[] = {
      {"scan, clean", TaskKind::Scan, clean, L"No damage found",
       L"40 shards checked · every one matches its checksum · 0.5 s", true},
      {"scan, damaged", TaskKind::Scan, damaged, L"Damage found",
       L"3 of 40 shards damaged · Repair archive can put them back", true},
      {"scan, damaged past the record", TaskKind::Scan, beyond, L"Damage found",
       L"3 of 40 shards damaged · Repair archive can put back only part of them", true},
      {"scan, footer", TaskKind::Scan, footer, L"Damage found",
       L"Every shard matches its checksum, but the archive's footer is damaged · Repair archive can try to rebuild it",
       true},
      {"scan, does not open", TaskKind::Scan, shut, L"Damage found",
       L"Every shard matches its checksum, but the archive does not open, and its recovery record cannot repair "
       L"that\nDetails: The chunk table is damaged",
       true},
      {"repair, nothing damaged", TaskKind::Repair, clean, L"Archive repaired",
       L"40 shards checked · every one matches its checksum · 0.5 s", true},
      {"repair, rebuilt", TaskKind::Repair, rebuilt, L"Archive repaired",
       L"3 shards rebuilt · the archive is whole again · 0.5 s", true},
      {"repair, partly", TaskKind::Repair, partial, L"Partly repaired",
       L"1 shard rebuilt, but 1 group were damaged past what the record reserves", false},
      {"repair, footer left", TaskKind::Repair, footerLeft, L"Partly repaired",
       L"3 shards rebuilt, but the archive's footer could not be rebuilt, so the archive is still incomplete", false},
      {"repair, footer rebuilt", TaskKind::Repair, footerRebuilt, L"Archive repaired",
       L"The archive's footer was rebuilt · the archive is whole again · 0.5 s", true},
      {"repair, does not open", TaskKind::Repair, shut, L"Could not repair the archive",
       L"Every shard matches its checksum, but the archive does not open, and its recovery record cannot repair "
       L"that\nDetails: The chunk table is damaged",
       false},
      {"repair, rebuilt but does not open", TaskKind::Repair, rebuiltButShut, L"Could not repair the archive",
       L"Every shard matches its checksum, but the archive does not open, and its recovery record cannot repair "
       L"that\nDetails: The chunk table is damaged",
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TaskSnapshot task = succeeded(c.kind);
    task.recovery = c.report;
    EXPECT_EQ(taskPanelHeadline(task), c.headline);
    EXPECT_EQ(taskPanelSummary(task), c.summary);
    EXPECT_EQ(taskHeadlineIsGoodNews(task), c.goodNews);
    EXPECT_EQ(taskOutputCanBeOpened(task), c.kind == TaskKind::Repair);
  }
}

TEST_F(EnglishTexts, FailureSummaryGivesTheReasonAndItsDetails) {
  struct Case {
    const char* name;
    TaskSnapshot task;
    std::wstring summary;
  };
  const Case cases[] = {
      {"scan without a record", failed(TaskKind::Scan, StatusCode::not_found, L"This archive has no recovery record"),
       L"This archive has no recovery record"},
      {"repair without a record", failed(TaskKind::Repair, StatusCode::not_found, L"No record at the end"),
       L"This archive has no recovery record\nDetails: No record at the end"},
      {"extract of a missing file", failed(TaskKind::Extract, StatusCode::not_found, L""),
       L"That file could not be found"},
      {"verify of a damaged archive",
       failed(TaskKind::Verify, StatusCode::corrupt_archive, L"Block 7 failed its check"),
       L"This archive is damaged\nDetails: Block 7 failed its check"},
      {"create, disk full", failed(TaskKind::Create, StatusCode::io_failure, L"Disk full"),
       L"A file could not be read or written\nDetails: Disk full"},
  };
  for (const Case& c : cases) EXPECT_EQ(taskPanelSummary(c.task), c.summary) << c.name;
}

TEST_F(EnglishTexts, CancelledSummarySaysWhatWasLeftBehind) {
  struct Case {
    TaskKind kind;
    KeptArchive kept;
    std::wstring summary;
  };
  const Case cases[] = {
      {TaskKind::Extract, KeptArchive::None, L"The files extracted before the cancel were kept."},
      {TaskKind::Create, KeptArchive::None, L"Nothing was left behind: the partial output was removed."},
      {TaskKind::Create, KeptArchive::WithoutRecord, L"The archive was written, but without its recovery record."},
      {TaskKind::Create, KeptArchive::Unchecked, L"The archive was written, but the check after writing was stopped."},
      {TaskKind::Export, KeptArchive::None, L"Nothing was left behind: the partial output was removed."},
      {TaskKind::Split, KeptArchive::None,
       L"Parts finished before the cancel were kept, but they are not a complete set. The archive itself is "
       L"unchanged."},
      {TaskKind::Merge, KeptArchive::None, L"Nothing was left behind: the partial output was removed."},
      {TaskKind::Verify, KeptArchive::None, L"The archive was only read; nothing was written."},
      {TaskKind::Scan, KeptArchive::None, L"The archive was only read; nothing was written."},
      {TaskKind::Repair, KeptArchive::None, L"The parts repaired before the cancel were kept. Repair again to finish."},
  };
  for (const Case& c : cases) {
    TaskSnapshot task = failed(c.kind, StatusCode::canceled, L"Extraction canceled");
    task.keptArchive = c.kept;
    EXPECT_EQ(taskPanelSummary(task), c.summary) << int(c.kind);
  }
}

TEST(TaskOutput, OpenFolderOnlyForSucceededKindsWithAResultOnDisk) {
  for (int kind = 0; kind <= 12; ++kind) {
    const bool opens =
        kind == 1 || kind == 2 || kind == 3 || kind == 6 || kind == 7 || kind == 11 || kind == 0 || kind == 12;
    EXPECT_EQ(taskOutputCanBeOpened(succeeded(TaskKind(kind))), opens) << kind;
    EXPECT_FALSE(taskOutputCanBeOpened(failed(TaskKind(kind), StatusCode::io_failure, L""))) << kind;
    EXPECT_FALSE(taskOutputCanBeOpened(failed(TaskKind(kind), StatusCode::canceled, L""))) << kind;
    EXPECT_FALSE(taskOutputCanBeOpened(running(TaskKind(kind), 1, 2, 1))) << kind;
  }
}

class TaskPanel : public EnglishTexts {
 protected:
  void paint() {
    canvas.clearCalls();
    regions.clear();
    paintTaskPanel(canvas, icons, state, kArea, regions);
  }
  std::vector<uint16_t> commands() const {
    std::vector<uint16_t> ids;
    for (const HitRegion& region : regions) ids.push_back(region.command);
    return ids;
  }
  const HitRegion* region(uint16_t command) const {
    for (const HitRegion& r : regions) {
      if (r.command == command) return &r;
    }
    return nullptr;
  }
  std::optional<DrawCall> text(const std::wstring& wanted) const {
    for (const DrawCall& call : canvas.calls()) {
      if (call.kind == Kind::Text && call.text == wanted) return call;
    }
    return std::nullopt;
  }
  std::optional<DrawCall> textAt(float top) const {
    for (const DrawCall& call : canvas.calls()) {
      if (call.kind == Kind::Text && call.rect.top == top && call.rect.left == kX0 + 26) return call;
    }
    return std::nullopt;
  }
  // The fills on the bar's row, track first.
  std::vector<DrawCall> barFills(float panelTop) const {
    std::vector<DrawCall> found;
    for (const DrawCall& call : canvas.calls()) {
      if (call.kind == Kind::FillRoundedRect && call.rect.top == panelTop + 86 && call.rect.bottom == panelTop + 96) {
        found.push_back(call);
      }
    }
    return found;
  }

  RecordingCanvas canvas;
  IconSet icons;
  PageState state;
  HitRegions regions;
};

TEST_F(TaskPanel, RunningLookWithItsLinesAndButtons) {
  state.taskProgress = running(TaskKind::Extract, 1 << 20, 4 << 20, 10);
  state.taskProgress.progress.phase = Progress::Phase::Restoring;
  paint();

  ASSERT_FALSE(canvas.calls().empty());
  EXPECT_EQ(canvas.calls()[0].kind, Kind::FillRect);
  EXPECT_EQ(canvas.calls()[0].rect, kArea);
  EXPECT_EQ(canvas.calls()[0].color, rgb(24, 25, 31, 0.28f));
  EXPECT_EQ(taskPanelRect(state.taskProgress, kArea), (Rect{kX0, kRunningTop, kX1, kRunningBottom}));

  const auto headline = text(L"Extracting archive");
  ASSERT_TRUE(headline);
  EXPECT_EQ(headline->rect, (Rect{kX0 + 26, kRunningTop + 20, kX1 - 26, kRunningTop + 54}));
  EXPECT_EQ(headline->style, TextStyle::SectionTitle);
  EXPECT_EQ(headline->color, palette::textPrimary);

  const auto summary = text(L"Extracting · 25% · 1.0 MB of 4.0 MB · 0 MB/s");
  ASSERT_TRUE(summary);
  EXPECT_EQ(summary->rect, (Rect{kX0 + 26, kRunningTop + 110, kX1 - 26, kRunningTop + 134}));
  EXPECT_EQ(summary->color, palette::textSecondary);
  const auto elapsed = text(L"Elapsed:  0:10");
  ASSERT_TRUE(elapsed);
  EXPECT_EQ(elapsed->rect, (Rect{kX0 + 26, kRunningTop + 142, kX1 - 26, kRunningTop + 168}));
  EXPECT_EQ(elapsed->style, TextStyle::BodyStrong);
  const auto remaining = text(L"Remaining:  about 0:30");
  ASSERT_TRUE(remaining);
  EXPECT_EQ(remaining->rect, (Rect{kX0 + 26, kRunningTop + 170, kX1 - 26, kRunningTop + 196}));

  const std::vector<uint16_t> expected = {119, 122, 123};
  ASSERT_EQ(commands(), expected);
  const float buttonTop = kRunningBottom - 60;
  EXPECT_EQ(region(119)->rect(), (Rect{kX1 - 146, buttonTop, kX1 - 26, buttonTop + 42}));
  EXPECT_EQ(region(122)->rect(), (Rect{kX1 - 276, buttonTop, kX1 - 156, buttonTop + 42}));
  EXPECT_EQ(region(123)->rect(), (Rect{kX0 + 26, buttonTop, kX0 + 216, buttonTop + 42}));
  EXPECT_TRUE(text(L"Cancel"));
  EXPECT_TRUE(text(L"Hold"));
  EXPECT_TRUE(text(L"Run in background"));
  EXPECT_FALSE(text(L"Resume"));

  // A held task keeps the running look; its button resumes.
  state.taskPaused = true;
  paint();
  ASSERT_EQ(commands(), expected);
  EXPECT_TRUE(text(L"Resume"));
  EXPECT_FALSE(text(L"Hold"));
}

TEST_F(TaskPanel, BarFollowsTheFractionInTheColourOfTheOutcome) {
  const float track = kX1 - kX0 - 52;
  struct Case {
    const char* name;
    TaskSnapshot task;
    float top;
    std::optional<float> filled;  // none: no fill drawn over the track
    Color color;
  };
  TaskSnapshot failedAt40 = failed(TaskKind::Extract, StatusCode::io_failure, L"");
  failedAt40.progress.bytesDone = 40;
  failedAt40.progress.bytesTotal = 100;
  TaskSnapshot cancelledEarly = failed(TaskKind::Extract, StatusCode::canceled, L"");
  cancelledEarly.progress.bytesDone = 1;
  cancelledEarly.progress.bytesTotal = 1000;
  const Case cases[] = {
      {"running, a quarter", running(TaskKind::Create, 25, 100, 1), kRunningTop, track / 4, palette::brandRed},
      {"running, no total", running(TaskKind::Create, 25, 0, 1), kRunningTop, std::nullopt, palette::brandRed},
      // 0.3 % of 508 is 1.5 DIPs: too narrow to draw.
      {"running, a sliver", running(TaskKind::Create, 3, 1000, 1), kRunningTop, std::nullopt, palette::brandRed},
      {"succeeded", succeeded(TaskKind::Verify), kEndedTop, track, palette::brandRed},
      {"failed", failedAt40, kEndedTop, track * 0.4f, kPaleBar},
      {"cancelled early", cancelledEarly, kEndedTop, std::nullopt, kPaleBar},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    state.taskProgress = c.task;
    paint();
    const std::vector<DrawCall> fills = barFills(c.top);
    ASSERT_GE(fills.size(), 1u);
    EXPECT_EQ(fills[0].rect, (Rect{kX0 + 26, c.top + 86, kX1 - 26, c.top + 96}));
    EXPECT_EQ(fills[0].color, palette::track);
    EXPECT_EQ(fills[0].radius, 5);
    if (!c.filled) {
      EXPECT_EQ(fills.size(), 1u);
      continue;
    }
    ASSERT_EQ(fills.size(), 2u);
    EXPECT_FLOAT_EQ(fills[1].rect.right - fills[1].rect.left, *c.filled);
    EXPECT_EQ(fills[1].rect.left, kX0 + 26);
    EXPECT_EQ(fills[1].color, c.color);
  }
}

TEST_F(TaskPanel, EndedLooksOfferOpenFolderOnlyWhereAResultLies) {
  struct Case {
    TaskSnapshot task;
    bool openFolder;
  };
  const Case cases[] = {
      {succeeded(TaskKind::Create), true},
      {succeeded(TaskKind::Extract), true},
      {succeeded(TaskKind::Export), true},
      {succeeded(TaskKind::Verify), false},
      {succeeded(TaskKind::Test), false},
      {succeeded(TaskKind::Split), true},
      {succeeded(TaskKind::Merge), true},
      {succeeded(TaskKind::Duplicates), false},
      {succeeded(TaskKind::Compare), false},
      {succeeded(TaskKind::Scan), false},
      {succeeded(TaskKind::Repair), true},
      {failed(TaskKind::Create, StatusCode::io_failure, L""), false},
      {failed(TaskKind::Extract, StatusCode::canceled, L""), false},
  };
  const float buttonTop = kEndedBottom - 60;
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "kind " << int(c.task.kind) << " succeeded " << c.task.succeeded);
    state.taskProgress = c.task;
    paint();
    std::vector<uint16_t> expected = {120};
    if (c.openFolder) expected.push_back(121);
    ASSERT_EQ(commands(), expected);
    EXPECT_EQ(region(120)->rect(), (Rect{kX1 - 136, buttonTop, kX1 - 26, buttonTop + 42}));
    const auto close = text(L"Close");
    ASSERT_TRUE(close);
    EXPECT_EQ(close->color, palette::white);  // the accent button
    if (!c.openFolder) continue;
    EXPECT_EQ(region(121)->rect(), (Rect{kX1 - 294, buttonTop, kX1 - 148, buttonTop + 42}));
    bool folderIcon = false;
    for (const DrawCall& call : canvas.calls()) {
      folderIcon = folderIcon || (call.kind == Kind::Icon && call.icon == Icon::Folder);
    }
    EXPECT_TRUE(folderIcon);
  }
}

TEST_F(TaskPanel, EndedTextsAreMutedOnSuccessAndAccentedOtherwise) {
  state.taskProgress = succeeded(TaskKind::Extract);
  paint();
  auto summary = textAt(kEndedTop + 110);
  ASSERT_TRUE(summary);
  EXPECT_EQ(summary->rect.bottom, kEndedTop + 162);
  EXPECT_EQ(summary->color, palette::textSecondary);
  EXPECT_EQ(textAt(kEndedTop + 20)->color, palette::textPrimary);
  EXPECT_FALSE(text(L"Elapsed:  0:00"));

  state.taskProgress = failed(TaskKind::Verify, StatusCode::corrupt_archive, L"Block 7 failed its check");
  paint();
  summary = textAt(kEndedTop + 110);
  ASSERT_TRUE(summary);
  EXPECT_EQ(summary->text, L"This archive is damaged\nDetails: Block 7 failed its check");
  EXPECT_EQ(summary->color, palette::brandRed);
  EXPECT_EQ(textAt(kEndedTop + 20)->color, palette::brandRed);

  // Long details are kept to one line, so that they cannot run into the buttons.
  state.taskProgress.errorMessage = std::wstring(200, L'x');
  paint();
  summary = textAt(kEndedTop + 110);
  ASSERT_TRUE(summary);
  const std::wstring details = summary->text.substr(summary->text.find(L'\n') + 1);
  EXPECT_NE(details.find(L"..."), std::wstring::npos);
  EXPECT_LE(canvas.measureText(details, TextStyle::Body, 100000).width, kX1 - kX0 - 52);

  // A scan that found damage did its job: the headline stays in ink.
  state.taskProgress = succeeded(TaskKind::Scan);
  state.taskProgress.recovery.damagedShards = 1;
  paint();
  EXPECT_EQ(text(L"Damage found")->color, palette::textPrimary);
  EXPECT_EQ(textAt(kEndedTop + 110)->color, palette::textSecondary);
}

TEST_F(TaskPanel, AnEndedCardGrowsForASummaryLongerThanTwoLines) {
  TaskSnapshot shut = succeeded(TaskKind::Repair);
  shut.recovery.openFailure = L"The chunk table is damaged";
  TaskSnapshot longReason = failed(TaskKind::Create, StatusCode::io_failure, std::wstring(300, L'x'));
  struct Case {
    const char* name;
    TaskSnapshot task;
    float height;
  };
  // Body lines are 18.75 high in the recording canvas: two fit the usual 52, three need 4.25 more.
  const Case cases[] = {
      {"one line", succeeded(TaskKind::Extract), 232},
      {"a reason, and long details kept to one line", longReason, 232},
      {"two lines of text and details", shut, 236.25f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    state.taskProgress = c.task;
    paint();
    const DrawCall panel = canvas.calls()[1];
    ASSERT_EQ(panel.kind, Kind::FillRoundedRect);
    EXPECT_FLOAT_EQ(panel.rect.height(), c.height);
    EXPECT_FLOAT_EQ(panel.rect.top + panel.rect.bottom, kArea.top + kArea.bottom);
    const auto summary = textAt(panel.rect.top + 110);
    ASSERT_TRUE(summary);
    EXPECT_LE(canvas.measureText(summary->text, TextStyle::Body, summary->rect.width()).height, summary->rect.height());
    EXPECT_EQ(summary->rect.bottom, region(120)->rect().top - 10);
  }
}

TEST_F(TaskPanel, QueueLineCountsTheOtherOpenTasks) {
  state.taskProgress = running(TaskKind::Create, 0, 0, 0);
  state.openTaskCount = 1;
  paint();
  EXPECT_FALSE(text(L"0 more waiting in the queue"));
  for (const DrawCall& call : canvas.calls()) EXPECT_NE(call.style, TextStyle::Caption) << "no queue line";

  state.openTaskCount = 3;
  paint();
  const auto queued = text(L"2 more waiting in the queue");
  ASSERT_TRUE(queued);
  EXPECT_EQ(queued->rect, (Rect{kX0 + 26, kRunningBottom - 92, kX1 - 26, kRunningBottom - 70}));
  EXPECT_EQ(queued->style, TextStyle::Caption);
  EXPECT_EQ(queued->color, palette::textSecondary);

  // Once ended, the summary may reach that row: the line moves beside the buttons.
  state.taskProgress = succeeded(TaskKind::Create);
  state.openTaskCount = 2;
  paint();
  const auto besideButtons = text(L"1 more waiting in the queue");
  ASSERT_TRUE(besideButtons);
  EXPECT_GE(besideButtons->rect.top, kEndedBottom - 60);
  EXPECT_LE(besideButtons->rect.bottom, kEndedBottom - 18);
  EXPECT_EQ(besideButtons->rect.left, kX0 + 26);
  EXPECT_LE(besideButtons->rect.right, region(121)->rect().left);
}

TEST_F(TaskPanel, ButtonsGrowLeftwardsForLongerLabels) {
  // A language whose labels do not fit the usual widths: each button grows to its label, and the
  // quiet button gives way to the others.
  StateGuard longLabels{i18n::testing::catalogFromJson(L"en-US", R"({"action":{
      "cancel":"Cancel this task now, please","hold":"Hold this task for a while",
      "run_in_background":"Keep going in the background while I work"}})"),
                        shippedEnglish(), findLanguage(L"en-US"), true};
  state.taskProgress = running(TaskKind::Create, 0, 0, 0);
  paint();
  const float advance = 15 * RecordingCanvas::kAdvancePerSize;
  const Rect cancel = region(119)->rect();
  const Rect hold = region(122)->rect();
  const Rect hide = region(123)->rect();
  EXPECT_EQ(cancel.right, kX1 - 26);
  EXPECT_FLOAT_EQ(cancel.width(), 28 * advance + 28);
  EXPECT_FLOAT_EQ(hold.right, cancel.left - 10);
  EXPECT_FLOAT_EQ(hold.width(), 26 * advance + 28);
  EXPECT_EQ(hide.left, kX0 + 26);
  EXPECT_FLOAT_EQ(hide.right, hold.left - 10);
}

}  // namespace
}  // namespace tolzeb::ui
