// Starting tasks from the pages, taking in what a finished task leaves for the window, and
// showing where a task wrote.
#include "ui/app/task_starters.h"

#include "engine/core/fs.h"
#include "ui/app/app_window.h"
#include "ui/app/form_rules.h"
#include "ui/app/password_secret.h"
#include "ui/foundation/i18n_platform.h"
#include "ui/foundation/localisation.h"

namespace tolzeb::ui {

TaskRequest archiveRequest(TaskKind kind, const std::wstring& path, const TextField* password) {
  TaskRequest request;
  request.kind = int32_t(kind);
  request.path = path;
  if (password) request.compression.password = makePasswordSecret(*password);
  return request;
}

TaskRequest compressRequest(const PageState& state) {
  const bool zeb = state.compressFormat == uint8_t(ArchiveFormat::Zeb);
  TaskRequest request;
  request.kind = int32_t(TaskKind::Create);
  request.sources = state.compressSources;
  request.path = state.compressDestination;
  request.format = state.compressFormat;
  request.recoveryPercent = zeb && state.compressRecovery ? uint32_t(state.compressRecoveryPercent) : 0;
  request.compression = state.settings.compressionOptions();
  request.compression.mode = CompressionMode(state.compressMode);
  request.compression.verifyAfterWrite = state.compressVerify;
  request.compression.useDictionary = state.compressDictionary;
  // The toggle may still be on from an earlier ".zeb" choice; other formats are never encrypted.
  if (zeb && state.compressEncrypt) request.compression.password = makePasswordSecret(state.compressPassword);
  return request;
}

TaskRequest extractRequest(const PageState& state) {
  TaskRequest request;
  request.kind = int32_t(TaskKind::Extract);
  request.path = state.extractArchive;
  request.destination = state.extractDestination;
  request.selection = state.extractSelection;
  request.extraction = state.settings.extractOptions();
  request.extraction.overwrite = OverwritePolicy(state.extractOverwrite);
  request.extraction.password = makePasswordSecret(state.extractPassword);
  return request;
}

TaskRequest checkRequest(const PageState& state, bool verify) {
  TaskRequest request;
  request.kind = int32_t(verify ? TaskKind::Verify : TaskKind::Test);
  request.path = state.toolsArchive;
  request.compression = state.settings.compressionOptions();
  request.compression.password = makePasswordSecret(state.toolsPassword);
  return request;
}

HistoryEntry historyEntryOf(const TaskSnapshot& created, uint64_t nowFileTime) {
  HistoryEntry entry;
  entry.path = created.path;
  entry.archiveSize = created.stats.archiveBytes;
  entry.inputSize = created.stats.inputBytes;
  entry.timestamp = nowFileTime;
  entry.seconds = created.elapsedSeconds;
  return entry;
}

void AppWindow::startCompress() {
  if (!compressFormReady(pageState)) return;
  queueTask(compressRequest(pageState));
}

void AppWindow::startExtract() {
  if (!extractFormReady(pageState)) return;
  queueTask(extractRequest(pageState));
}

void AppWindow::startVerify(bool verify) {
  if (!pageState.toolsListed) return;
  queueTask(checkRequest(pageState, verify));
}

void AppWindow::onTaskFinished(uint64_t taskId) {
  PageState& s = pageState;
  s.taskEntries = tasks.entries();
  // The live snapshot may already describe the next task; the finished one's row keeps its own.
  TaskSnapshot finished = tasks.progress();
  for (const TaskEntry& entry : s.taskEntries)
    if (entry.id == taskId) finished = entry.snapshot;
  s.taskProgress = finished;
  if (finished.succeeded) {
    switch (TaskKind(finished.kind)) {
      case TaskKind::Duplicates:
      case TaskKind::Compare: {
        DuplicateReport duplicates;
        CompareResult compare;
        tasks.takeResult(duplicates, compare);
        if (TaskKind(finished.kind) == TaskKind::Duplicates) {
          s.duplicateResult = std::move(duplicates);
          s.duplicatesShown = true;
        } else {
          s.compareResult = std::move(compare);
          s.compareShown = true;
        }
        break;
      }
      case TaskKind::Create:
        history.add(historyEntryOf(finished, i18n::platform::currentFileTime()));
        history.checkPresence();
        break;
      default:
        break;
    }
  }
  requestRepaint();
}

void AppWindow::openOutputFolder(const std::wstring& path) {
  if (!host_) return;
  if (path.empty()) return host_->showMessage(i18n::translate("dialog.no_output_recorded"), MessageIcon::Information);
  if (isDirectory(path)) {
    if (!host_->openFolder(path))
      host_->showMessage(i18n::translate("dialog.cannot_open_folder") + kParagraphBreak + path, MessageIcon::Warning);
    return;
  }
  if (pathExists(path) && host_->showInFolder(path)) return;
  std::wstring folder, name;
  splitPath(path, folder, name);
  if (!folder.empty() && isDirectory(folder) && host_->openFolder(folder)) return;
  host_->showMessage(i18n::translate("dialog.cannot_show_in_explorer") + kParagraphBreak + path, MessageIcon::Warning);
}

}  // namespace tolzeb::ui
