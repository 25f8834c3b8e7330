// Opening archives: the viewer's, the extract page's and the tools page's, and the paths of the
// command line and of a drop. Every check and listing runs here on the UI thread.
#include "ui/app/open_archive.h"

#include "engine/core/fs.h"
#include "ui/app/app_window.h"
#include "ui/app/numbered_name.h"
#include "ui/app/password_secret.h"
#include "ui/app/path_presence.h"
#include "ui/app/viewer_rows.h"
#include "ui/foundation/format.h"
#include "ui/foundation/localisation.h"

namespace tolzeb::ui {
namespace {

ArchiveKind detectedKind(const EngineCalls& engine, const std::wstring& path) {
  Result<ArchiveKind> kind = engine.detectArchiveKind(path);
  return kind.hasValue() ? kind.value() : ArchiveKind::unknown;
}

std::wstring presenceMessage(PathPresence presence) { return i18n::translate(presenceMessageKey(presence)); }

// The typed password stays for the same archive (with its caret and selection) and is wiped for
// another one; either way the field shows bullets.
void keepPasswordFor(bool sameArchive, TextField& field) {
  if (!sameArchive) field.clear();
  field.masked = true;
}

}  // namespace

std::wstring proposedExtractFolder(const std::wstring& archive) {
  std::wstring folder, name;
  splitPath(archive, folder, name);
  if (folder.empty() || name.empty()) return {};
  const size_t dot = name.rfind(L'.');
  const std::wstring stem = dot == std::wstring::npos || dot == 0 ? numberedName(name, 2) : name.substr(0, dot);
  return joinPath(folder, stem);
}

void AppWindow::openPaths(const std::vector<std::wstring>& paths) {
  if (paths.empty()) return;
  if (paths.size() == 1) {
    const std::wstring& only = paths.front();
    if (pathPresence(only) == PathPresence::Missing) return openArchive(only);
    if (!isDirectory(only) && detectedKind(*engine_, only) != ArchiveKind::unknown) return openArchive(only);
  }
  std::vector<std::wstring> present;
  for (const std::wstring& path : paths)
    if (pathPresence(path) != PathPresence::Missing) present.push_back(path);
  if (present.empty()) return openArchive(paths.front());
  addSources(present);
  showPage(Page::Compress);
}

void AppWindow::openArchive(const std::wstring& archive) {
  const std::wstring path = archive;  // the caller may hand in viewerArchive itself, reset below
  PageState& s = pageState;
  keepPasswordFor(path == s.viewerArchive, s.viewerPassword);
  // Everything the viewer showed belonged to the previous archive, whatever becomes of this one:
  // the ticks, the picked row and its preview go on every path.
  s.viewerArchive.clear();
  s.viewerListed = false;
  s.viewerMessage.clear();
  s.viewerArchiveSize = 0;
  s.viewerTotalSize = 0;
  s.viewerEntries.clear();
  s.viewerTicked.clear();
  s.viewerRows.clear();
  s.viewerFilter.clear();
  s.viewerSortColumn = 0;
  s.viewerSortAscending = true;
  s.viewerKind = 0;
  s.viewerLocked = false;
  s.viewerSelectedRow = -1;
  preview.cancel();
  s.previewResult = PreviewResult();
  stopAudio();  // the sound belongs to the archive being left
  s.viewerArchive = path;

  const PathPresence presence = pathPresence(path);
  if (presence != PathPresence::File) {
    s.viewerMessage = presenceMessage(presence);
    showPage(Page::Viewer);
    return requestRepaint();
  }
  const ArchiveKind kind = detectedKind(*engine_, path);
  s.viewerKind = uint8_t(kind);
  if (kind == ArchiveKind::zeb) {
    Result<bool> encrypted = engine_->probeZebArchive(path);
    if (encrypted.failed()) {
      s.viewerMessage = statusKeyText(encrypted.failure().code);
      showPage(Page::Viewer);
      return requestRepaint();
    }
    s.viewerLocked = encrypted.value();
  }
  Password secret = makePasswordSecret(s.viewerPassword);
  bool focusPassword = s.viewerLocked && !secret;
  if (!focusPassword) {
    Result<ArchiveListing> listing = engine_->listAnyArchive(path, kind, secret);
    if (listing.failed()) {
      s.viewerMessage = statusKeyText(listing.failure().code);
      focusPassword = s.viewerLocked;
    } else {
      s.viewerListed = true;
      s.viewerArchiveSize = listing.value().archiveBytes;
      s.viewerTotalSize = listing.value().totalBytes;
      s.viewerEntries = std::move(listing.value().entries);
      s.viewerTicked.assign(s.viewerEntries.size(), 0);
      rebuildViewerRows(s);
    }
  }
  showPage(Page::Viewer);
  if (focusPassword) {
    s.focusId = command_ids::kViewerPassword;
    s.showFocus = true;
  }
  requestRepaint();
}

void AppWindow::resetExtractFacts() {
  PageState& s = pageState;
  s.extractListed = false;
  s.extractInfoMessage.clear();
  s.extractEntryCount = 0;
  s.extractTotalSize = 0;
  s.extractArchiveSize = 0;
  // The kind and the lock are facts of the previous archive too: left standing, a lock would let
  // a password start a missing archive.
  s.extractKind = 0;
  s.extractLocked = false;
}

void AppWindow::loadExtractArchive() {
  PageState& s = pageState;
  resetExtractFacts();
  if (s.extractArchive.empty()) return;
  const PathPresence presence = pathPresence(s.extractArchive);
  if (presence != PathPresence::File) {
    s.extractInfoMessage = presenceMessage(presence);
    return;
  }
  const ArchiveKind kind = detectedKind(*engine_, s.extractArchive);
  s.extractKind = uint8_t(kind);
  if (kind == ArchiveKind::zeb) {
    // A header that cannot be read is reported by the listing below.
    Result<bool> encrypted = engine_->probeZebArchive(s.extractArchive);
    s.extractLocked = encrypted.hasValue() && encrypted.value();
  }
  Result<ArchiveListing> listing =
      engine_->listAnyArchive(s.extractArchive, kind, makePasswordSecret(s.extractPassword));
  if (listing.failed()) {
    s.extractInfoMessage = statusKeyText(listing.failure().code);
    return;
  }
  s.extractListed = true;
  s.extractEntryCount = listing.value().entries.size();
  s.extractTotalSize = listing.value().totalBytes;
  s.extractArchiveSize = listing.value().archiveBytes;
  if (s.extractDestination.empty()) s.extractDestination = proposedExtractFolder(s.extractArchive);
}

void AppWindow::loadToolsArchive(const std::wstring& archive) {
  const std::wstring path = archive;  // the caller may hand in toolsArchive itself, reset below
  PageState& s = pageState;
  keepPasswordFor(path == s.toolsArchive, s.toolsPassword);
  s.toolsArchive.clear();
  s.toolsListed = false;
  s.toolsMessage.clear();
  s.toolsFormatMajor = 0;
  s.toolsFormatMinor = 0;
  s.toolsHeaderFlags = 0;
  s.toolsChunkSize = 0;
  s.toolsChunkCount = 0;
  s.toolsEntryCount = 0;
  s.toolsFileCount = 0;
  s.toolsFolderCount = 0;
  s.toolsInputBytes = 0;
  s.toolsArchiveBytes = 0;
  s.toolsKind = 0;
  s.toolsLocked = false;
  s.splitPartMiB = 25;
  s.splitPartText.clear();
  s.draggingSplitSize = false;
  s.duplicateResult = DuplicateReport();
  s.compareResult = CompareResult();
  s.duplicatesShown = false;
  s.compareShown = false;
  s.compareFolder.clear();
  s.toolsArchive = path;

  const PathPresence presence = pathPresence(path);
  if (presence != PathPresence::File) {
    s.toolsMessage = presenceMessage(presence);
    return requestRepaint();
  }
  const ArchiveKind kind = detectedKind(*engine_, path);
  s.toolsKind = uint8_t(kind);
  if (kind == ArchiveKind::zeb) {
    Result<bool> encrypted = engine_->probeZebArchive(path);
    if (encrypted.failed()) {
      s.toolsMessage = statusKeyText(encrypted.failure().code);
      return requestRepaint();
    }
    s.toolsLocked = encrypted.value();
  }
  Password secret = makePasswordSecret(s.toolsPassword);
  bool focusPassword = s.toolsLocked && !secret;
  if (!focusPassword) {
    Result<ArchiveListing> listing = engine_->listAnyArchive(path, kind, secret);
    if (listing.failed()) {
      s.toolsMessage = statusKeyText(listing.failure().code);
      focusPassword = s.toolsLocked;
    } else {
      const ArchiveListing& facts = listing.value();
      s.toolsListed = true;
      s.toolsFormatMajor = facts.versionMajor;
      s.toolsFormatMinor = facts.versionMinor;
      s.toolsHeaderFlags = facts.flags;
      s.toolsChunkSize = facts.chunkSize;
      s.toolsChunkCount = facts.chunkCount;
      s.toolsEntryCount = facts.entries.size();
      for (const ListedEntry& entry : facts.entries) ++(entry.isDirectory ? s.toolsFolderCount : s.toolsFileCount);
      s.toolsInputBytes = facts.totalBytes;
      s.toolsArchiveBytes = facts.archiveBytes;
    }
  }
  if (focusPassword) {
    s.focusId = command_ids::kToolsPassword;
    s.showFocus = true;
  }
  requestRepaint();
}

void AppWindow::handViewerArchiveToExtract() {
  PageState& s = pageState;
  s.extractArchive = s.viewerArchive;
  s.extractSelection.clear();
  TextField& password = s.extractPassword;
  password.clear();
  password.insert(s.viewerPassword.text, kTextFieldLimit);
  password.caret = password.anchor = password.text.size();
  password.masked = true;
}

void AppWindow::extractFromViewer(bool tickedOnly) {
  PageState& s = pageState;
  if (!s.viewerListed) return;
  handViewerArchiveToExtract();
  if (tickedOnly) {
    for (size_t i = 0; i < s.viewerEntries.size() && i < s.viewerTicked.size(); ++i)
      if (s.viewerTicked[i]) s.extractSelection.push_back(s.viewerEntries[i].path);
    if (s.extractSelection.empty()) {
      // The page is not shown, but what it knew of its previous archive no longer holds.
      resetExtractFacts();
      return requestRepaint();
    }
  }
  loadExtractArchive();
  showPage(Page::Extract);
  requestRepaint();
}

}  // namespace tolzeb::ui
