// The window's life apart from input and commands: start-up seeding, painting, the timer, the
// progress messages and the orderly stop of every worker.
#include "ui/app/app_window.h"

#include "ui/foundation/localisation.h"

namespace tolzeb::ui {

AppWindow::AppWindow(TaskRunnerServices taskServices, AudioPlayerServices audioServices,
                     PreviewServices previewServices)
    : engine_(taskServices.engine ? taskServices.engine : &linkedEngine()),
      tasks(taskServices),
      search(ArchiveSearchServices{engine_, {}, taskServices.post, taskServices.tickMilliseconds}),
      preview(std::move(previewServices)),
      audio(std::move(audioServices)) {}

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
  preview.setCacheBudget(uint64_t(settings.previewCacheMB) * 1048576);
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
  pageState.dpi = dpi;
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
  // The position moves without events of its own often enough: the timer fetches it.
  if (pageState.audioState.state != AudioPlayer::kNone) pageState.audioState = audio.snapshot();
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

void AppWindow::stopWorkers() {
  tasks.stop();
  search.stopAndJoin();
  preview.cancelAndJoin();
  audio.shutdown();
}

}  // namespace tolzeb::ui
