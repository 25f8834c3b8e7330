// The window's life apart from input and commands: start-up seeding, painting, the timer, the
// worker messages and the orderly stop of every worker.
#include "ui/app/app_window.h"

#include "engine/core/fs.h"
#include "formats/archive_kind.h"
#include "ui/foundation/localisation.h"

namespace tolzeb::ui {

AppWindow::AppWindow(TaskRunnerServices taskServices) : tasks(std::move(taskServices)) {}

AppWindow::~AppWindow() { stopWorkers(); }

void AppWindow::attachHost(std::unique_ptr<WindowHost> host) { host_ = std::move(host); }

void AppWindow::applyStartSettings() {
  Settings& settings = pageState.settings;
  if (settings.language.empty()) settings.language = i18n::currentLanguageTag();
  pageState.compressMode = settings.mode;
  pageState.compressVerify = settings.verify;
  pageState.extractOverwrite = settings.overwrite;
  pageState.previewPaneShown = settings.previewPane;
  pageState.previewPaneWidth = float(settings.previewPaneWidth);
  for (TextField* field : {&pageState.compressPassword, &pageState.compressPasswordRepeat, &pageState.extractPassword,
                           &pageState.viewerPassword, &pageState.toolsPassword})
    field->masked = true;
}

void AppWindow::paint(Canvas& canvas, const IconSet& icons, Size client) {
  pageState.historyView = &history;
  pageState.maximized = host_ && host_->isMaximized();
  if (pageState.taskPanelShown) pageState.taskProgress = tasks.progress();
  pageState.taskEntries = tasks.entries();
  pageState.taskPaused = tasks.paused();
  pageState.openTaskCount = tasks.openCount();
  pageState.scrollOffset = scrollOffset_;
  clientSize_ = client;
  paintFrame(frameLayout, canvas, icons, pageState, hitRegions, client);
}

void AppWindow::requestRepaint() {
  if (repaintPending_ || !host_) return;
  repaintPending_ = true;
  host_->invalidate();
}

void AppWindow::onTimer() {
  pageState.load = systemLoad.sample();
  requestRepaint();
}

uint64_t AppWindow::queueTask(const TaskRequest& request) {
  uint64_t id = tasks.enqueue(request, host_ ? host_->handle() : nullptr);
  if (id == 0) return 0;
  pageState.taskPanelShown = true;
  pageState.taskProgress = tasks.progress();
  requestRepaint();
  return id;
}

void AppWindow::onTaskProgress() {
  if (!pageState.taskPanelShown) return;
  pageState.taskProgress = tasks.progress();
  requestRepaint();
}

void AppWindow::onTaskFinished(uint64_t) {
  pageState.taskProgress = tasks.progress();
  requestRepaint();
}

void AppWindow::stopWorkers() { tasks.stop(); }

void AppWindow::openPaths(const std::vector<std::wstring>& paths) {
  if (paths.empty()) return;
  if (paths.size() == 1) {
    const std::wstring& only = paths.front();
    if (!pathExists(only)) return openArchive(only);
    if (!isDirectory(only)) {
      Result<ArchiveKind> kind = detectArchiveKind(only);
      if (kind.hasValue() && kind.value() != ArchiveKind::unknown) return openArchive(only);
    }
  }
  std::vector<std::wstring> present;
  for (const std::wstring& path : paths)
    if (!path.empty() && pathExists(path)) present.push_back(path);
  if (present.empty()) return openArchive(paths.front());
  addSources(present);
  showPage(Page::Compress);
}

void AppWindow::openArchive(const std::wstring& path) {
  if (path != pageState.viewerArchive) pageState.viewerPassword.clear();
  pageState.viewerArchive = path;
  pageState.viewerListed = false;
  pageState.viewerMessage.clear();
  pageState.viewerFilter.clear();
  pageState.viewerSelectedRow = -1;
  if (!pathExists(path))
    pageState.viewerMessage = i18n::translate("error.file_missing");
  else if (isDirectory(path))
    pageState.viewerMessage = i18n::translate("error.file_is_folder");
  showPage(Page::Viewer);
  requestRepaint();
}

bool AppWindow::runShellJobFile(const std::wstring&) { return false; }

}  // namespace tolzeb::ui
