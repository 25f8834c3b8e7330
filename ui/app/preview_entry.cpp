// Picking a viewer row for the preview pane, and taking the preview worker's results.
#include "engine/core/fs.h"
#include "ui/app/app_window.h"
#include "ui/app/password_secret.h"

namespace tolzeb::ui {

void AppWindow::previewEntry(int32_t row) {
  PageState& s = pageState;
  s.draggingSeek = false;
  if (!s.viewerListed || row < 0 || size_t(row) >= s.viewerEntries.size()) {
    s.viewerSelectedRow = -1;
    preview.cancel();
    s.previewResult = PreviewResult();
    return;
  }
  s.viewerSelectedRow = row;
  if (!s.previewPaneShown) return;
  const ListedEntry& entry = s.viewerEntries[size_t(row)];
  PreviewRequest request;
  request.archivePath = s.viewerArchive;
  request.archiveKind = ArchiveKind(s.viewerKind);
  request.entryName = entry.path;
  request.entrySize = entry.size;
  request.modified = entry.modified;
  request.isFolder = entry.isDirectory;
  request.password = makePasswordSecret(s.viewerPassword);
  if (!request.password) {
    // A rewritten archive (new size or time) must not show an old preview from the cache.
    Result<FileInfo> info = statPath(s.viewerArchive);
    if (info.hasValue()) request.cacheStamp = previewCacheStamp(info->size, info->modified);
  }
  preview.request(request, host_ ? host_->handle() : nullptr);
  s.previewResult = preview.snapshot();
}

void AppWindow::onPreviewReady(uint64_t /*generation*/) {
  pageState.previewResult = preview.snapshot();
  requestRepaint();
}

}  // namespace tolzeb::ui
