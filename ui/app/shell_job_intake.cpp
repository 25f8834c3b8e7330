// A job from the Explorer menu becomes background work: read, checked against the disk, planned,
// and queued step by step. Runs on the UI thread, also inside the extension's hand-off message,
// so every problem is one modal box and the result is the reply the extension waits for.
#include <string>
#include <vector>

#include "ui/app/app_window.h"
#include "ui/app/path_presence.h"
#include "ui/app/shell_job_file.h"
#include "ui/app/shell_job_plan.h"
#include "ui/foundation/app_data.h"
#include "ui/foundation/format.h"
#include "ui/foundation/localisation.h"

namespace tolzeb::ui {
namespace {

// Missing items listed in the box at most; the rest is "...".
constexpr size_t kMissingShown = 8;

constexpr int32_t kQueued = 0;
constexpr int32_t kOpened = 1;
constexpr int32_t kNotStarted = 2;

std::wstring missingItemsText(const std::vector<std::wstring>& missing) {
  std::wstring text = i18n::translateWithArgs(missing.size() == 1 ? "dialog.shell_missing_one" : "dialog.shell_missing_many",
                                              {{"count", i18n::formatInteger(int64_t(missing.size()))}});
  for (size_t i = 0; i < missing.size() && i < kMissingShown; ++i) text += missing[i] + L"\n";
  if (missing.size() > kMissingShown) text += L"...\n";
  return text + i18n::translate("dialog.shell_missing_tail");
}

// Archives that waiting or running creates are about to write: taken, though not on disk yet.
std::vector<std::wstring> reservedCreateTargets(const TaskRunner& tasks) {
  std::vector<std::wstring> targets;
  for (const TaskEntry& entry : tasks.entries()) {
    if (isFinished(entry.state) || TaskKind(entry.kind) != TaskKind::Create) continue;
    if (!entry.snapshot.outputPath.empty()) targets.push_back(entry.snapshot.outputPath);
  }
  return targets;
}

}  // namespace

bool AppWindow::runShellJobFile(const std::wstring& path) {
  const auto tell = [this](const std::wstring& text, MessageIcon icon) {
    if (host_) host_->showMessage(text, icon);
  };

  shell::ShellJob job;
  std::wstring reason;
  if (!shell::readShellJobFile(path, programDataFilePath(shell::kShellJobFolderName), job, reason)) {
    tell(i18n::translateWithArgs("dialog.shell_request_unreadable", {{"reason", reason}}), MessageIcon::Error);
    return false;
  }

  // Unreadable counts as missing here: nothing is started on an item that cannot be looked at.
  std::vector<std::wstring> missing;
  for (const std::wstring& item : job.paths) {
    const PathPresence presence = pathPresence(item);
    if (presence != PathPresence::File && presence != PathPresence::Folder) missing.push_back(item);
  }
  if (!missing.empty()) {
    tell(missingItemsText(missing), MessageIcon::Warning);
    return false;
  }

  // A name that cannot be looked at is taken, so a new archive never lands on it.
  const PathPredicate exists = [](const std::wstring& p) { return pathPresence(p) != PathPresence::Missing; };
  const PathPredicate isFolder = [](const std::wstring& p) { return pathPresence(p) == PathPresence::Folder; };
  const ShellPlan plan = planShellJob(job, exists, isFolder, L".zeb", reservedCreateTargets(tasks));
  if (!plan.error.empty() || plan.steps.empty()) {
    tell(plan.error, MessageIcon::Warning);
    return false;
  }

  uint64_t queued = 0;
  bool opened = false;
  for (const ShellStep& step : plan.steps) {
    const int32_t result = queueShellItem(step);
    if (result == kQueued) ++queued;
    if (result == kOpened) opened = true;
  }

  if (queued > 0 && !opened) {
    showPage(Page::Tasks);
    pageState.taskPanelShown = true;
    pageState.taskProgress = tasks.progress();
  }
  if (queued > 0 || opened) {
    requestRepaint();
    if (host_) host_->bringToFront();
    return true;
  }
  tell(i18n::translate("dialog.shell_task_failed"), MessageIcon::Error);
  return false;
}

int32_t AppWindow::queueShellItem(const ShellStep& step) {
  TaskRequest request;
  switch (shell::ShellOperation(step.operation)) {
    case shell::ShellOperation::Compress:
      request.kind = int32_t(TaskKind::Create);
      request.sources = step.inputs;
      request.path = step.target;
      request.compression = pageState.settings.compressionOptions();
      request.compression.password = Password();
      request.format = 1;
      request.recoveryPercent = 0;
      request.freeNameBase = step.archiveName;
      break;
    case shell::ShellOperation::ExtractHere:
    case shell::ShellOperation::ExtractToFolder:
      request.kind = int32_t(TaskKind::Extract);
      request.path = step.target;
      request.destination = step.destination;
      request.extraction = pageState.settings.extractOptions();
      // The menu never overwrites, whatever the settings say.
      request.extraction.overwrite = OverwritePolicy::skip;
      break;
    case shell::ShellOperation::TestArchive:
      request.kind = int32_t(TaskKind::Test);
      request.path = step.target;
      request.extraction = pageState.settings.extractOptions();
      break;
    default:
      return kNotStarted;
  }
  const WindowHandle window = host_ ? host_->handle() : nullptr;
  if (request.kind == int32_t(TaskKind::Create)) return tasks.enqueue(request, window) != 0 ? kQueued : kNotStarted;

  const Result<ArchiveKind> kind = engine_->detectArchiveKind(request.path);
  if (!kind.hasValue() || kind.value() == ArchiveKind::unknown) {
    if (host_)
      host_->showMessage(i18n::translateWithArgs("dialog.not_an_archive", {{"path", request.path}}),
                         MessageIcon::Warning);
    return kNotStarted;
  }
  if (kind.value() == ArchiveKind::zeb) {
    const Result<bool> encrypted = engine_->probeZebArchive(request.path);
    // The viewer asks for the password; a task could only fail without it.
    if (encrypted.hasValue() && encrypted.value()) {
      openArchive(request.path);
      return kOpened;
    }
  }
  return tasks.enqueue(request, window) != 0 ? kQueued : kNotStarted;
}

}  // namespace tolzeb::ui
