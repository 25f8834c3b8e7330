#include "ui/app/export_entry.h"

#include <algorithm>
#include <vector>

#include "engine/core/bytes.h"
#include "engine/core/entry_path.h"
#include "engine/core/fs.h"
#include "ui/app/export_files.h"
#include "ui/app/path_parts.h"
#include "ui/app/task_runner.h"
#include "ui/foundation/localisation.h"

namespace tolzeb::ui {
namespace {

// Staging names taken by something else are skipped; a clash this many times over is no chance.
constexpr uint64_t kStagingNameTries = 100;

Failure queueFailure(StatusCode code, const char* key) { return Failure{code, i18n::translate(key)}; }

// A folder beside the target that did not exist before, so that removing it later removes only
// what this export put there.
Result<std::wstring> makeStagingFolder(const std::wstring& destination) {
  TOLZEB_TRY(createDirectories(destination));
  const std::wstring prefix = L".tolzeb-export-" + decimal(currentProcessId()) + L"-";
  const uint64_t tick = monotonicMilliseconds();
  Status made;
  for (uint64_t attempt = 0; attempt < kStagingNameTries; ++attempt) {
    const std::wstring staging = joinPath(destination, prefix + decimal(tick + attempt));
    made = createFreshDirectory(staging);
    if (made.ok()) return staging;
    if (made.code() != StatusCode::already_exists) break;
  }
  return std::move(made).failure();
}

// Deepest first; every failure is ignored, as the export's own outcome is what the user needs.
void removeStagingTree(const std::wstring& staging) {
  Result<std::vector<FileInfo>> items = enumerateTree(staging);
  if (items.hasValue()) {
    for (const FileInfo& item : *items) {
      if (!item.isDirectory) (void)deleteFile(item.path);
    }
    for (auto it = items->rbegin(); it != items->rend(); ++it) {
      if (it->isDirectory) removeEmptyDirectory(it->path);
    }
  }
  removeEmptyDirectory(staging);
}

}  // namespace

Result<ExportedEntry> exportEntries(const EngineCalls& engine, const TaskRequest& request,
                                    const ProgressCallback& progress) {
  if (request.selection.size() != 1 || request.selection.front().empty()) {
    return queueFailure(StatusCode::invalid_argument, "queue.export_needs_one_entry");
  }
  if (request.destination.empty()) return queueFailure(StatusCode::invalid_argument, "queue.export_needs_folder");
  const std::wstring& entry = request.selection.front();
  TOLZEB_TRY(validateEntryPath(entry));
  const std::wstring name = lastComponent(entry);
  if (name.empty()) return queueFailure(StatusCode::invalid_argument, "queue.entry_has_no_name");

  std::wstring finalPath;
  for (uint64_t n = 1; n <= kMaxExportNameTries && finalPath.empty(); ++n) {
    const std::wstring candidate = joinPath(request.destination, numberedName(name, n));
    if (!pathExists(candidate)) finalPath = candidate;
  }
  if (finalPath.empty()) return queueFailure(StatusCode::already_exists, "queue.too_many_of_that_name");

  TOLZEB_ASSIGN_OR_RETURN(const std::wstring staging, makeStagingFolder(request.destination));
  Result<ArchiveKind> kind = engine.detectArchiveKind(request.path);
  Result<ArchiveStats> extracted =
      engine.extractAnyArchive(request.path, kind.hasValue() ? kind.value() : ArchiveKind::unknown, staging, {entry},
                               request.extraction, progress);
  if (extracted.failed()) {
    removeStagingTree(staging);
    return std::move(extracted).failure();
  }

  std::wstring stagedEntry = entry;
  std::replace(stagedEntry.begin(), stagedEntry.end(), L'/', kPathSeparator);
  const uint32_t moveError = moveWithoutReplacing(toLongPath(joinPath(staging, stagedEntry)), toLongPath(finalPath));
  removeStagingTree(staging);
  if (moveError != 0) {
    return Failure{StatusCode::io_failure,
                   i18n::translateWithArgs("queue.export_write_failed", {{"code", decimal(moveError)}})};
  }
  return ExportedEntry{std::move(extracted).value(), finalPath};
}

}  // namespace tolzeb::ui
