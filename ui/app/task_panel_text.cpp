// The task panel's wording: headline, summary and remaining time, by kind and outcome.
#include <algorithm>

#include "ui/app/task_outcome.h"
#include "ui/app/path_parts.h"
#include "ui/app/task_panel.h"
#include "ui/foundation/format.h"
#include "ui/foundation/localisation.h"

namespace tolzeb::ui {
namespace {

using i18n::Arg;
using i18n::formatDecimal;
using i18n::formatInteger;
using i18n::translate;
using i18n::translatePlural;
using i18n::translateWithArgs;

constexpr double kSecondsInADay = 86400;
constexpr double kBytesPerMegabyte = 1048576;
// Below this the elapsed time is too short for a speed worth showing.
constexpr double kFirstSpeedSeconds = 0.2;

std::wstring count(uint64_t value) { return formatInteger(int64_t(value)); }
std::wstring plural(const char* key, uint64_t value) { return translatePlural(key, int64_t(value)); }
std::wstring percentText(double value, int decimals) {
  return translateWithArgs("unit.percent", {Arg("count", formatDecimal(value, decimals))});
}
std::wstring secondsText(const TaskSnapshot& task) {
  return translateWithArgs("unit.seconds", {Arg("count", formatDecimal(task.elapsedSeconds, 1))});
}

const char* phaseKey(Progress::Phase phase) {
  switch (phase) {
    case Progress::Phase::Scanning:
      return "task.scanning";
    case Progress::Phase::Analyzing:
      return "task.analysing";
    case Progress::Phase::Encoding:
    case Progress::Phase::Writing:
      return "task.compressing";
    case Progress::Phase::Verifying:
      return "task.verifying";
    case Progress::Phase::Decoding:
      return "task.reading";
    case Progress::Phase::Restoring:
      return "task.extracting";
    case Progress::Phase::Done:
      return "task.done";
  }
  return "task.working";
}

const char* runningHeadlineKey(uint8_t kind) {
  switch (TaskKind(kind)) {
    case TaskKind::Create:
      return "task.creating_archive";
    case TaskKind::Export:
      return "task.exporting_file";
    case TaskKind::Verify:
    case TaskKind::Test:
      return "task.checking_archive";
    case TaskKind::Split:
      return "task.splitting_archive";
    case TaskKind::Merge:
      return "task.merging_parts";
    case TaskKind::Duplicates:
    case TaskKind::Compare:
      return "task.reading_archive";
    case TaskKind::Scan:
      return "task.scanning_for_damage";
    case TaskKind::Repair:
      return "task.repairing_archive";
    default:
      return "task.extracting_archive";
  }
}

const char* failedHeadlineKey(uint8_t kind) {
  switch (TaskKind(kind)) {
    case TaskKind::Repair:
      return "error.could_not_repair";
    case TaskKind::Scan:
      return "error.could_not_read_recovery";
    case TaskKind::Split:
      return "error.could_not_split";
    case TaskKind::Merge:
      return "error.could_not_merge";
    case TaskKind::Duplicates:
    case TaskKind::Compare:
      return "error.could_not_read";
    case TaskKind::Verify:
    case TaskKind::Test:
      return "result.archive_damaged";
    case TaskKind::Create:
      return "error.could_not_create";
    default:
      return "error.could_not_extract";
  }
}

// The record checks only what it covers: the footer lies outside it, and an archive whose
// shards all match may still not open. Neither may be reported as "no damage" or "whole".
bool footerLeftDamaged(const RecoveryReport& report) { return report.footerDamaged && !report.footerRebuilt; }
bool scanFoundDamage(const RecoveryReport& report) {
  return report.damagedShards > 0 || report.footerDamaged || !report.openFailure.empty();
}
// Groups past the record, a footer that could not be rebuilt, or an archive that still does not open.
bool repairLeftItIncomplete(const RecoveryReport& report) {
  return report.groupsBeyondRepair > 0 || footerLeftDamaged(report) || !report.openFailure.empty();
}

const char* succeededHeadlineKey(const TaskSnapshot& task) {
  const RecoveryReport& report = task.recovery;
  switch (TaskKind(task.kind)) {
    case TaskKind::Create:
      return "result.archive_created";
    case TaskKind::Export:
      return "result.file_exported";
    case TaskKind::Verify:
    case TaskKind::Test:
      return "result.archive_intact";
    case TaskKind::Split:
      return "result.archive_split";
    case TaskKind::Merge:
      return "result.parts_merged";
    case TaskKind::Duplicates:
    case TaskKind::Compare:
      return "result.finished_reading";
    case TaskKind::Scan:
      return scanFoundDamage(report) ? "result.damage_found" : "result.no_damage_found";
    case TaskKind::Repair:
      // Nothing the record covers was wrong, yet the archive does not open: nothing was repaired.
      if (report.groupsBeyondRepair == 0 && !footerLeftDamaged(report) && !report.openFailure.empty()) {
        return "error.could_not_repair";
      }
      return repairLeftItIncomplete(report) ? "result.partly_repaired" : "result.archive_repaired";
    default:
      return "result.extraction_finished";
  }
}

// A message that only repeats the line above it (the engine's English for an English headline)
// adds nothing.
std::wstring withDetails(std::wstring text, const std::wstring& message) {
  if (message.empty() || message == text) return text;
  return text + L"\n" + translateWithArgs("error.details", {Arg("message", message)});
}

std::wstring scanSummary(const TaskSnapshot& task) {
  const RecoveryReport& report = task.recovery;
  if (report.damagedShards > 0) {
    return translateWithArgs(report.groupsBeyondRepair > 0 ? "result.scan_beyond_record" : "result.scan_damaged",
                             {Arg("damaged", count(report.damagedShards)), Arg("total", count(report.shardsChecked))});
  }
  if (report.footerDamaged) return translate("result.scan_footer_damaged");
  if (!report.openFailure.empty()) return withDetails(translate("result.does_not_open"), report.openFailure);
  return translateWithArgs("result.scan_clean", {Arg("shards", plural("count.shards", report.shardsChecked)),
                                                 Arg("seconds", secondsText(task))});
}

std::wstring repairSummary(const TaskSnapshot& task) {
  const RecoveryReport& report = task.recovery;
  const std::wstring rebuilt = plural("count.shards", report.shardsRebuilt);
  if (report.groupsBeyondRepair > 0) {
    return translateWithArgs(
        "result.repair_partial",
        {Arg("shards", rebuilt), Arg("groups", plural("count.groups", report.groupsBeyondRepair))});
  }
  if (footerLeftDamaged(report)) return translateWithArgs("result.footer_not_rebuilt", {Arg("shards", rebuilt)});
  if (!report.openFailure.empty()) return withDetails(translate("result.does_not_open"), report.openFailure);
  if (report.damagedShards == 0 && !report.footerDamaged) {
    return translateWithArgs("result.scan_clean", {Arg("shards", plural("count.shards", report.shardsChecked)),
                                                   Arg("seconds", secondsText(task))});
  }
  if (report.damagedShards == 0) return translateWithArgs("result.footer_rebuilt", {Arg("seconds", secondsText(task))});
  return translateWithArgs("result.repair_done", {Arg("shards", rebuilt), Arg("seconds", secondsText(task))});
}

std::wstring succeededSummary(const TaskSnapshot& task) {
  const ArchiveStats& stats = task.stats;
  switch (TaskKind(task.kind)) {
    case TaskKind::Create: {
      const double ratio = stats.inputBytes == 0 ? 0 : double(stats.archiveBytes) * 100 / double(stats.inputBytes);
      return translateWithArgs(
          "result.compress_summary",
          {Arg("files", plural("count.files", stats.files)), Arg("size", formatBytes(stats.archiveBytes)),
           Arg("percent", percentText(ratio, 1)), Arg("seconds", secondsText(task))});
    }
    case TaskKind::Export:
      return translateWithArgs("result.export_summary",
                               {Arg("name", lastComponent(task.outputPath)), Arg("size", formatBytes(stats.inputBytes)),
                                Arg("seconds", secondsText(task))});
    case TaskKind::Verify:
    case TaskKind::Test:
      return translateWithArgs(
          "result.verify_summary",
          {Arg("entries", plural("count.entries", stats.entries)), Arg("size", formatBytes(stats.inputBytes)),
           Arg("what", translate(TaskKind(task.kind) == TaskKind::Verify ? "result.checked_structure_and_blocks"
                                                                         : "result.checked_every_block")),
           Arg("seconds", secondsText(task))});
    case TaskKind::Split:
    case TaskKind::Merge:
      return translateWithArgs("result.split_summary",
                               {Arg("parts", plural("count.parts", task.parts.partCount)),
                                Arg("size", formatBytes(task.parts.byteCount)), Arg("seconds", secondsText(task))});
    case TaskKind::Duplicates:
      return translateWithArgs("result.duplicates_summary", {Arg("groups", count(task.duplicateGroups)),
                                                             Arg("size", formatBytes(task.duplicateReclaimable)),
                                                             Arg("seconds", secondsText(task))});
    case TaskKind::Compare:
      return translateWithArgs(
          "result.compare_summary",
          {Arg("same", count(task.compareIdentical)), Arg("differing", count(task.compareDifferent)),
           Arg("missingA", count(task.compareOnlyInArchive)), Arg("missingB", count(task.compareOnlyInFolder))});
    case TaskKind::Scan:
      return scanSummary(task);
    case TaskKind::Repair:
      return repairSummary(task);
    default:
      return translateWithArgs("result.extract_summary",
                               {Arg("files", plural("count.files", stats.files)),
                                Arg("size", formatBytes(stats.inputBytes)), Arg("seconds", secondsText(task))});
  }
}

std::wstring runningSummary(const TaskSnapshot& task) {
  const Progress& progress = task.progress;
  const double speed = task.elapsedSeconds > kFirstSpeedSeconds
                           ? double(progress.bytesDone) / kBytesPerMegabyte / task.elapsedSeconds
                           : 0;
  return translateWithArgs(
      "task.progress",
      {Arg("title", translate(phaseKey(progress.phase))), Arg("percent", percentText(taskBarFraction(task) * 100, 0)),
       Arg("done", formatBytes(progress.bytesDone)), Arg("total", formatBytes(progress.bytesTotal)),
       Arg("speed", translateWithArgs("unit.mb_per_second", {Arg("count", formatDecimal(speed, 0))}))});
}

std::wstring failedSummary(const TaskSnapshot& task) {
  if (task.cancelled) return translate(cancelledSummaryKey(task));
  const TaskKind kind = TaskKind(task.kind);
  const bool noRecord =
      (kind == TaskKind::Scan || kind == TaskKind::Repair) && StatusCode(task.errorCode) == StatusCode::not_found;
  const std::wstring headline =
      noRecord ? translate("error.no_recovery_record") : statusKeyText(StatusCode(task.errorCode));
  return withDetails(headline, task.errorMessage);
}

}  // namespace

double taskBarFraction(const TaskSnapshot& task) {
  if (!task.active && task.succeeded) return 1;
  const Progress& progress = task.progress;
  if (progress.bytesTotal == 0) return 0;
  return std::clamp(double(progress.bytesDone) / double(progress.bytesTotal), 0.0, 1.0);
}

std::wstring taskPanelHeadline(const TaskSnapshot& task) {
  if (task.active) return translate(runningHeadlineKey(task.kind));
  if (task.succeeded) return translate(succeededHeadlineKey(task));
  if (task.cancelled) return translate("task.cancelled");
  return translate(failedHeadlineKey(task.kind));
}

bool taskHeadlineIsGoodNews(const TaskSnapshot& task) {
  if (task.active) return true;
  if (!task.succeeded) return false;
  return !(TaskKind(task.kind) == TaskKind::Repair && repairLeftItIncomplete(task.recovery));
}

std::wstring taskPanelSummary(const TaskSnapshot& task) {
  if (task.active) return runningSummary(task);
  if (task.succeeded) return succeededSummary(task);
  return failedSummary(task);
}

std::wstring remainingTimeText(const TaskSnapshot& task) {
  const uint64_t total = task.progress.bytesTotal;
  const uint64_t done = task.progress.bytesDone;
  if (total == 0) {
    const bool measured = task.kind >= uint8_t(TaskKind::Create) && task.kind <= uint8_t(TaskKind::Test);
    return translate(measured ? "task.remaining_working_out" : "task.remaining_unknown");
  }
  if (done >= total) return translate("task.remaining_finishing");
  const double rate = task.elapsedSeconds > 0 ? double(done) / task.elapsedSeconds : 0;
  if (done == 0 || task.elapsedSeconds < 1 || !(rate > 0)) return translate("task.remaining_estimating");
  const double estimate = double(total - done) / rate;
  if (estimate > kSecondsInADay) return translate("task.remaining_over_a_day");
  return translateWithArgs("task.remaining_about", {Arg("time", formatDuration(estimate))});
}

bool taskOutputCanBeOpened(const TaskSnapshot& task) {
  if (task.active || !task.succeeded) return false;
  switch (TaskKind(task.kind)) {
    case TaskKind::Verify:
    case TaskKind::Test:
    case TaskKind::Duplicates:
    case TaskKind::Compare:
    case TaskKind::Scan:
      return false;
    default:
      return true;
  }
}

}  // namespace tolzeb::ui
