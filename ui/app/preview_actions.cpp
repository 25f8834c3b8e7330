// The preview pane's two actions on the previewed entry: extracting it through the extract page,
// and exporting it beside its archive as a background task.
#include "engine/core/fs.h"
#include "ui/app/app_window.h"
#include "ui/app/password_secret.h"

namespace tolzeb::ui {
namespace {

// The pane acts only on a named file of a listed archive.
bool previewedFileOfListedArchive(const PageState& s) {
  return s.viewerListed && !s.previewResult.entryName.empty() && s.previewResult.kind != PreviewKind::folder;
}

}  // namespace

void AppWindow::extractPreviewedEntry() {
  PageState& s = pageState;
  if (!previewedFileOfListedArchive(s)) return;
  handViewerArchiveToExtract();
  s.extractSelection = {s.previewResult.entryName};
  loadExtractArchive();
  showPage(Page::Extract);
  requestRepaint();
}

void AppWindow::exportPreviewedEntry() {
  const PageState& s = pageState;
  if (!previewedFileOfListedArchive(s) || s.viewerArchive.empty() || tasks.busy()) return;
  Result<std::wstring> resolved = fullPath(s.viewerArchive);
  const std::wstring archive = resolved.hasValue() ? *resolved : s.viewerArchive;
  std::wstring folder, name;
  splitPath(archive, folder, name);
  if (folder.empty()) return;
  TaskRequest request;
  request.kind = int32_t(TaskKind::Export);
  request.path = archive;
  request.destination = folder;  // beside the archive; the task finds a free name there
  request.selection = {s.previewResult.entryName};
  request.extraction = s.settings.extractOptions();
  request.extraction.overwrite = OverwritePolicy::fail;
  request.extraction.password = makePasswordSecret(s.viewerPassword);
  queueTask(request);
}

}  // namespace tolzeb::ui
