// What one task does: the engine or foreign-format calls by kind, with the request's options.
#include <optional>
#include <utility>

#include "ui/app/export_entry.h"
#include "ui/app/path_presence.h"
#include "ui/app/shell_job_plan.h"
#include "ui/app/task_runner.h"
#include "ui/foundation/localisation.h"

namespace tolzeb::ui {
namespace {

// Solid blocks of the 7z writer.
constexpr uint64_t kSevenZipSolidBlockBytes = 64ull << 20;

// The foreign writers' level for a compression mode.
int32_t writerLevel(CompressionMode mode) {
  switch (mode) {
    case CompressionMode::lightning:
      return 1;
    case CompressionMode::compact:
      return 9;
    default:
      return 6;
  }
}

// What a kind leaves besides its statistics; stored in the snapshot with the outcome.
struct TaskFigures {
  std::optional<RecoveryReport> recovery;
  std::optional<TaskParts> parts;
  std::optional<CompareResult> compare;
  std::optional<DuplicateReport> duplicates;
  std::wstring exportedPath;
  KeptArchive keptArchive = KeptArchive::None;
};

ArchiveKind detectedOrUnknown(const EngineCalls& engine, const std::wstring& path) {
  Result<ArchiveKind> kind = engine.detectArchiveKind(path);
  return kind.hasValue() ? kind.value() : ArchiveKind::unknown;
}

Result<ArchiveStats> runCreate(const EngineCalls& engine, const TaskRequest& request, const ProgressCallback& progress,
                               TaskFigures& figures) {
  const int32_t level = writerLevel(request.compression.mode);
  switch (ArchiveFormat(request.format)) {
    case ArchiveFormat::Zip:
      return engine.createZip(request.sources, request.path, level, progress);
    case ArchiveFormat::Tar:
      return engine.createTar(request.sources, request.path, false, level, progress);
    case ArchiveFormat::TarGz:
      return engine.createTar(request.sources, request.path, true, level, progress);
    case ArchiveFormat::SevenZip:
      return engine.createSevenZip(request.sources, request.path, level, kSevenZipSolidBlockBytes, progress);
    default:
      break;
  }
  // The check after writing runs on the archive already moved into place, so a failure from then
  // on leaves a whole archive behind.
  Progress::Phase lastPhase = Progress::Phase::Scanning;
  const ProgressCallback watched = [&](const Progress& report) {
    lastPhase = report.phase;
    return progress(report);
  };
  Result<ArchiveStats> created = engine.createArchive(request.sources, request.path, request.compression, watched);
  if (created.failed() && lastPhase == Progress::Phase::Verifying) figures.keptArchive = KeptArchive::Unchecked;
  if (created.failed() || request.recoveryPercent == 0) return created;
  Result<RecoveryReport> record = engine.protectArchive(request.path, request.recoveryPercent, progress);
  if (record.failed()) {
    // The archive stays as written; only its record is missing.
    figures.keptArchive = KeptArchive::WithoutRecord;
    return std::move(record).failure();
  }
  figures.recovery = std::move(record).value();
  return created;
}

Result<ArchiveStats> runCheck(const EngineCalls& engine, const TaskRequest& request, const ProgressCallback& progress) {
  Result<ArchiveKind> kind = engine.detectArchiveKind(request.path);
  if (kind.failed() || kind.value() != ArchiveKind::zeb) {
    return engine.testAnyArchive(request.path, kind.hasValue() ? kind.value() : ArchiveKind::unknown,
                                 request.extraction, progress);
  }
  const CompressionOptions& options = request.compression;
  const auto& check = taskKindOf(request.kind) == TaskKind::Verify ? engine.verifyArchive : engine.testArchive;
  return check(request.path, progress, options.threads, options.memoryBudget, options.password);
}

// Success without statistics: the kind's figures carry its result.
Result<ArchiveStats> noStats() { return ArchiveStats(); }

Result<ArchiveStats> runKind(const EngineCalls& engine, const TaskRequest& request, const ProgressCallback& progress,
                             TaskFigures& figures) {
  switch (taskKindOf(request.kind)) {
    case TaskKind::Create:
      return runCreate(engine, request, progress, figures);
    case TaskKind::Extract:
      return engine.extractAnyArchive(request.path, detectedOrUnknown(engine, request.path), request.destination,
                                      request.selection, request.extraction, progress);
    case TaskKind::Export: {
      Result<ExportedEntry> exported = exportEntries(engine, request, progress);
      if (exported.failed()) return std::move(exported).failure();
      figures.exportedPath = std::move(exported->path);
      return exported->stats;
    }
    case TaskKind::Verify:
    case TaskKind::Test:
      return runCheck(engine, request, progress);
    case TaskKind::Split: {
      Result<SplitResult> split = engine.splitArchive(request.path, request.partSize, progress);
      if (split.failed()) return std::move(split).failure();
      figures.parts = TaskParts{split->partCount, split->archiveLength, split->partSize, split->seconds};
      return noStats();
    }
    case TaskKind::Merge: {
      Result<MergeResult> merged = engine.mergeParts(request.path, request.destination, progress);
      if (merged.failed()) return std::move(merged).failure();
      figures.parts = TaskParts{merged->partCount, merged->archiveLength, merged->partSize, merged->seconds};
      return noStats();
    }
    case TaskKind::Duplicates: {
      Result<DuplicateReport> report = engine.findDuplicates(request.path, request.compression.password, progress);
      if (report.failed()) return std::move(report).failure();
      figures.duplicates = std::move(report).value();
      return noStats();
    }
    case TaskKind::Compare: {
      Result<CompareResult> compared = engine.compareArchive(
          request.path, request.compareFolder, request.compression.password, request.deepCompare, progress);
      if (compared.failed()) return std::move(compared).failure();
      figures.compare = std::move(compared).value();
      return noStats();
    }
    case TaskKind::Scan:
    case TaskKind::Repair: {
      Result<RecoveryReport> report = taskKindOf(request.kind) == TaskKind::Scan
                                          ? engine.checkRecoveryRecord(request.path, progress)
                                          : engine.repairArchive(request.path, progress);
      if (report.failed()) return std::move(report).failure();
      figures.recovery = std::move(report).value();
      return noStats();
    }
  }
  return Failure{StatusCode::invalid_argument, i18n::translate("queue.no_task")};
}

}  // namespace

void TaskRunner::runOne(const Queued& queued) {
  const uint64_t taskStartTick = startTick.load();
  uint64_t lastPostTick = 0;
  const ProgressCallback progress = [this, taskStartTick, &lastPostTick, window = queued.window](const Progress& p) {
    return reportProgress(p, taskStartTick, lastPostTick, window);
  };

  TaskFigures figures;
  Result<ArchiveStats> result = ArchiveStats();
  const TaskRequest* request = &queued.request;
  TaskRequest renamed;
  if (taskKindOf(request->kind) == TaskKind::Create && !request->freeNameBase.empty()) {
    // The name was free when the task was queued; whatever appeared there since is kept.
    renamed = *request;
    const ShellStep step{0, {}, request->path, {}, request->freeNameBase};
    renamed.path = freeCreateTarget(step, [](const std::wstring& p) { return pathPresence(p) != PathPresence::Missing; });
    request = &renamed;
    std::lock_guard<std::mutex> lock(mutex);
    live.outputPath = renamed.path;
  }
  if (request == &renamed && renamed.path.empty())
    result = Failure{StatusCode::already_exists, i18n::translate("shelljob.too_many_archives")};
  else
    result = runKind(*services.engine, *request, progress, figures);

  {
    std::lock_guard<std::mutex> lock(mutex);
    live.active = false;
    live.finished = true;
    const double seconds = (double(services.tickMilliseconds() - taskStartTick) - double(pausedMs.load())) / 1000.0;
    live.elapsedSeconds = seconds > 0 ? seconds : 0;
    if (result.failed()) {
      live.succeeded = false;
      live.cancelled = result.failure().code == StatusCode::canceled;
      live.errorCode = int32_t(result.failure().code);
      live.errorMessage = result.failure().message;
    } else {
      live.succeeded = true;
      live.stats = result.value();
      live.progress.phase = Progress::Phase::Done;
    }
    if (figures.recovery) live.recovery = *figures.recovery;
    if (figures.parts) live.parts = *figures.parts;
    if (figures.compare) {
      live.compareIdentical = figures.compare->identical;
      live.compareDifferent = figures.compare->different;
      live.compareOnlyInArchive = figures.compare->onlyInArchive;
      live.compareOnlyInFolder = figures.compare->onlyInFolder;
      lastCompare = std::move(*figures.compare);
    }
    if (figures.duplicates) {
      live.duplicateGroups = figures.duplicates->groups.size();
      live.duplicateRedundant = figures.duplicates->redundantCopies;
      live.duplicateReclaimable = figures.duplicates->reclaimableBytes;
      lastDuplicates = std::move(*figures.duplicates);
    }
    if (!figures.exportedPath.empty()) live.outputPath = std::move(figures.exportedPath);
    live.keptArchive = figures.keptArchive;
  }
  busy_ = false;
}

}  // namespace tolzeb::ui
