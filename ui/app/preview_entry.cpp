// Picking a viewer row for the preview pane, taking the preview worker's results, and the
// player of a previewed sound.
#include "engine/core/fs.h"
#include "ui/app/app_window.h"
#include "ui/app/password_secret.h"

namespace tolzeb::ui {

void AppWindow::previewEntry(int32_t row) {
  PageState& s = pageState;
  stopAudio();
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

namespace {

bool isAudioOnly(const PreviewResult& r) { return r.kind == PreviewKind::media && r.hasAudio && !r.hasVideo; }

}  // namespace

void AppWindow::onPreviewReady(uint64_t /*generation*/) {
  PageState& s = pageState;
  s.previewResult = preview.snapshot();
  // The engine is asked once, and only when there is a sound to play.
  if (!s.audioProbed && isAudioOnly(s.previewResult)) {
    s.audioProbed = true;
    s.audioAvailable = audio.engineAvailable();
  }
  requestRepaint();
}

void AppWindow::playPreviewedAudio() {
  const PageState& s = pageState;
  const PreviewResult& r = s.previewResult;
  if (!isAudioOnly(r) || !s.viewerListed || s.viewerArchive.empty() || !audio.engineAvailable()) return;
  if (s.audioState.state != AudioPlayer::kNone && s.audioState.entryName == r.entryName) {
    audio.togglePlay();  // the new state comes back as AudioState
    return;
  }
  audio.load(s.viewerArchive, ArchiveKind(s.viewerKind), r.entryName, r.entrySize,
             makePasswordSecret(s.viewerPassword), reinterpret_cast<uintptr_t>(host_ ? host_->handle() : nullptr));
  pageState.audioState = audio.snapshot();
  requestRepaint();
}

void AppWindow::onAudioState() {
  pageState.audioState = audio.snapshot();
  requestRepaint();
}

void AppWindow::stopAudio() {
  audio.stop();
  pageState.audioState = AudioPlayer::State{};
  pageState.draggingSeek = false;
}

}  // namespace tolzeb::ui
