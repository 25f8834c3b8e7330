// The command dispatcher: what each control of the main window does when it is clicked or
// activated from the keyboard. Every command changes the page state on the UI thread and asks
// for one repaint.
#include <algorithm>
#include <array>
#include <cmath>

#include "engine/core/fs.h"
#include "ui/app/app_window.h"
#include "ui/app/settings_page.h"
#include "ui/app/task_starters.h"
#include "ui/app/viewer_rows.h"
#include "ui/foundation/catalogue_source.h"
#include "ui/foundation/file_dialogs.h"
#include "ui/foundation/format.h"
#include "ui/foundation/languages.h"
#include "ui/foundation/localisation.h"

namespace tolzeb::ui {
namespace {

constexpr std::array<uint32_t, 4> kPartSizePresetsMiB = {10, 25, 100, 700};
constexpr uint32_t kMaxPartMiB = 4096;

// The 117 sizes of the part-size slider.
std::vector<uint32_t> makePartSizeTable() {
  std::vector<uint32_t> sizes;
  for (uint32_t v = 1; v <= 32; ++v) sizes.push_back(v);
  for (uint32_t v = 35; v <= 125; v += 5) sizes.push_back(v);
  for (uint32_t v = 150; v <= 1000; v += 25) sizes.push_back(v);
  for (uint32_t v = 1100; v <= 4000; v += 100) sizes.push_back(v);
  sizes.push_back(kMaxPartMiB);
  return sizes;
}

bool endsWithIgnoringCase(const std::wstring& text, const std::wstring& ending) {
  if (ending.size() > text.size()) return false;
  auto lower = [](wchar_t c) { return c >= L'A' && c <= L'Z' ? wchar_t(c - L'A' + L'a') : c; };
  return std::equal(ending.begin(), ending.end(), text.end() - ptrdiff_t(ending.size()),
                    [&](wchar_t a, wchar_t b) { return lower(a) == lower(b); });
}

template <typename Table>
bool inTable(const Table& table, int32_t index) {
  return index >= 0 && size_t(index) < table.size();
}

}  // namespace

std::wstring formatExtension(uint8_t format) {
  switch (format) {
    case 2: return L".zip";
    case 3: return L".tar";
    case 4: return L".tar.gz";
    case 5: return L".7z";
    default: return L".zeb";
  }
}

uint32_t snapSplitPartSize(double value) {
  static const std::vector<uint32_t> sizes = makePartSizeTable();
  uint32_t best = sizes.front();
  double bestDistance = std::fabs(value - best);
  for (uint32_t size : sizes) {
    double distance = std::fabs(value - size);
    if (distance < bestDistance) {  // strictly nearer: on a tie the smaller size stays
      best = size;
      bestDistance = distance;
    }
  }
  return best;
}

uint32_t splitSizeFromFraction(double fraction) { return snapSplitPartSize(std::pow(2.0, 12.0 * fraction)); }

int32_t currentLanguageRow() {
  std::wstring tag = i18n::currentLanguageTag();
  auto table = i18n::languageTable();
  for (size_t row = 0; row < table.size(); ++row)
    if (tag == table[row].tag) return int32_t(row);
  return 0;
}

void AppWindow::showPage(Page page) {
  if (pageState.page == page) return;
  if (pageState.page == Page::Viewer) stopAudio();
  if (pageState.page == Page::Support) {
    pageState.supportMessage.clear();
    pageState.supportMessageIsError = false;
  }
  if (page == Page::Home || page == Page::History) history.checkPresence();
  pageState.page = page;
  setScrollOffset(0);
  pageState.focusId = 0;
  requestRepaint();
}

void AppWindow::addSources(const std::vector<std::wstring>& paths) {
  std::vector<std::wstring>& sources = pageState.compressSources;
  for (const std::wstring& path : paths)
    if (!path.empty() && std::find(sources.begin(), sources.end(), path) == sources.end()) sources.push_back(path);
  if (pageState.compressDestination.empty() && !sources.empty()) {
    std::wstring folder, name;
    splitPath(sources.front(), folder, name);
    if (!folder.empty() && !name.empty())
      pageState.compressDestination = joinPath(folder, name + formatExtension(pageState.compressFormat));
  }
  requestRepaint();
}

void AppWindow::changeCompressFormat(uint8_t format) {
  if (format == pageState.compressFormat) return;
  std::wstring oldExtension = formatExtension(pageState.compressFormat);
  pageState.compressFormat = format;
  if (format != 1) {
    pageState.compressRecovery = false;
    if (pageState.compressEncrypt) {
      pageState.compressEncrypt = false;
      pageState.compressPassword.clear();
      pageState.compressPasswordRepeat.clear();
    }
  }
  std::wstring& destination = pageState.compressDestination;
  if (endsWithIgnoringCase(destination, oldExtension))
    destination = destination.substr(0, destination.size() - oldExtension.size()) + formatExtension(format);
  requestRepaint();
}

void AppWindow::applySettings() {
  const Settings& settings = pageState.settings;
  if (pageState.compressSources.empty()) {
    pageState.compressMode = settings.mode;
    pageState.compressVerify = settings.verify;
  }
  if (pageState.extractArchive.empty()) pageState.extractOverwrite = settings.overwrite;
  settings.save();
  requestRepaint();
}

void AppWindow::resetSettings() {
  // Every setting to its default; the language, the formatting flag, the preview pane and the
  // cache budget in use now stay as they are until the next start.
  pageState.settings = Settings{};
  applySettings();
}

void AppWindow::pickLanguage(int32_t row) {
  auto table = i18n::languageTable();
  if (!inTable(table, row)) return;
  pageState.languageListOpen = false;
  std::wstring tag = table[size_t(row)].tag;
  if (i18n::setLanguage(tag)) {
    pageState.settings.language = tag;
    pageState.settings.save();
    pageState.languageListRow = row;
  }
  requestRepaint();
}

void AppWindow::clearSearch() {
  search.requestStop();
  pageState.searchQuery.clear();
  pageState.searchNameHits.clear();
  pageState.searchSnapshot = {};
  pageState.searchedQuery.clear();
  if (pageState.focusId == command_ids::kSearchField) pageState.focusId = 0;
  requestRepaint();
}

void AppWindow::clearViewerFilter() {
  if (pageState.viewerFilter.text.empty()) return;
  pageState.viewerFilter.clear();
  rebuildViewerRows(pageState);
  requestRepaint();
}

// The picked row is remembered for the preview pane; its preview is asked for here once the
// preview controller is in place.
void AppWindow::copySupportLink() {
  pageState.supportMessageIsError = true;
  pageState.supportMessage = i18n::translate("dialog.clipboard_failed");
  if (host_ && host_->writeClipboardText(kDonationAddress)) {
    pageState.supportMessageIsError = false;
    pageState.supportMessage = i18n::translate("support.copied");
  }
  requestRepaint();
}

void AppWindow::setSplitPartSize(uint32_t mebibytes) {
  mebibytes = std::clamp<uint32_t>(mebibytes, 1, kMaxPartMiB);
  if (mebibytes == pageState.splitPartMiB && !pageState.splitPartText.text.empty()) return;
  pageState.splitPartMiB = mebibytes;
  if (pageState.focusId != command_ids::kSplitPartText) {
    TextField& field = pageState.splitPartText;
    field.clear();
    field.insert(std::to_wstring(mebibytes), kTextFieldLimit);
  }
  requestRepaint();
}

void AppWindow::togglePreviewPane() {
  pageState.previewPaneShown = !pageState.previewPaneShown;
  pageState.settings.previewPane = pageState.previewPaneShown;
  // A hidden pane needs no preview; shown again, it asks for the picked row's.
  if (pageState.previewPaneShown) {
    previewEntry(pageState.viewerSelectedRow);
  } else {
    preview.cancel();
    stopAudio();
  }
  pageState.settings.save();
  requestRepaint();
}

void AppWindow::showError(const std::wstring& text) {
  if (host_) host_->showMessage(text, MessageIcon::Error);
}

void AppWindow::onCommand(uint16_t id, int32_t i) {
  PageState& s = pageState;
  WindowHandle owner = host_ ? host_->handle() : nullptr;
  switch (id) {
    case 1: return showPage(Page::Home);
    case 2: case 12: case 18: case 21: return showPage(Page::Compress);
    case 3: case 14: case 19:
      s.extractSelection.clear();
      showPage(Page::Extract);
      return requestRepaint();
    case 4: return showPage(Page::Tasks);
    case 5: return showPage(Page::Tools);
    case 6:
      refreshIntegrationState();
      return showPage(Page::Settings);
    case 7: return showPage(Page::Support);
    case 8:
      if (s.page != Page::Search) showPage(Page::Search);
      s.focusId = command_ids::kSearchField;
      s.showFocus = false;
      refreshSearchNameHits();
      return requestRepaint();
    case 9: return clearSearch();
    case 10:
      if (inTable(s.searchNameHits, i)) openArchive(s.searchNameHits[size_t(i)].archivePath);
      return;
    case 11:
      if (inTable(s.searchSnapshot.hits, i)) openArchive(s.searchSnapshot.hits[size_t(i)].archivePath);
      return;
    case 13: case 52: {
      std::wstring path = chooseArchiveToOpen(owner);
      if (!path.empty()) openArchive(path);
      return;
    }
    case 15: if (host_) host_->minimize(); return;
    case 16: if (host_) host_->maximizeOrRestore(); return;
    case 17: if (host_) host_->postClose(); return;
    case 20:
      s.compressEncrypt = true;
      showPage(Page::Compress);
      s.focusId = command_ids::kCompressPassword;
      s.showFocus = true;
      return requestRepaint();
    case 22: return showPage(Page::History);
    case 23: case 73: {
      const auto& entries = history.entries();
      if (inTable(entries, i)) openArchive(entries[size_t(i)].path);
      return;
    }
    case 24: {
      std::vector<std::wstring> chosen = chooseFilesToAdd(owner);
      if (!chosen.empty()) addSources(chosen);
      return;
    }
    case 25: {
      std::wstring folder = chooseFolder(owner, i18n::translate("dialog.pick_folder_to_add"));
      if (!folder.empty()) addSources({folder});
      return;
    }
    case 26: s.compressSources.clear(); return requestRepaint();
    case 27:
      if (!inTable(s.compressSources, i)) return;
      s.compressSources.erase(s.compressSources.begin() + i);
      return requestRepaint();
    case 28: {
      std::wstring proposed = i18n::translate("dialog.default_archive_name");
      if (!s.compressSources.empty()) {
        std::wstring folder, name;
        splitPath(s.compressSources.front(), folder, name);
        // The extension of the chosen format, so that a zip is not proposed as ".zeb".
        if (!name.empty()) proposed = name + formatExtension(s.compressFormat);
      }
      std::wstring chosen = chooseArchiveToSave(owner, proposed);
      if (!chosen.empty()) s.compressDestination = chosen;
      return requestRepaint();
    }
    case 29: return changeCompressFormat(1);
    case 30: return changeCompressFormat(2);
    case 31: return changeCompressFormat(5);
    case 32: case 33: case 34: s.compressMode = uint8_t(id - 32); return requestRepaint();
    case 35: s.compressVerify = !s.compressVerify; return requestRepaint();
    case 36: s.compressDictionary = !s.compressDictionary; return requestRepaint();
    case 37:
      if (s.compressFormat != 1) return;
      s.compressEncrypt = !s.compressEncrypt;
      if (!s.compressEncrypt) {
        s.compressPassword.clear();
        s.compressPasswordRepeat.clear();
      }
      return requestRepaint();
    case 38: case 39: case 51: case 62: case 64: case 79:
      s.focusId = id;
      s.showFocus = true;
      return requestRepaint();
    case 40:
      if (s.compressFormat == 1) s.compressRecovery = !s.compressRecovery;
      return requestRepaint();
    case 42: return startCompress();
    case 43: {
      std::wstring path = chooseArchiveToOpen(owner);
      if (path.empty()) return;
      s.extractArchive = path;
      s.extractSelection.clear();
      loadExtractArchive();
      return requestRepaint();
    }
    case 44: {
      std::wstring folder = chooseFolder(owner, i18n::translate("dialog.pick_extract_folder"));
      if (!folder.empty()) s.extractDestination = folder;
      return requestRepaint();
    }
    case 45: case 46: case 47: s.extractOverwrite = uint8_t(id - 45); return requestRepaint();
    case 48: return startExtract();
    case 49:
      if (!s.extractArchive.empty()) openArchive(s.extractArchive);
      return;
    case 50: s.extractSelection.clear(); return requestRepaint();
    case 53: case 54: case 55: {
      const uint8_t column = uint8_t(id - 53);
      s.viewerSortAscending = column == s.viewerSortColumn ? !s.viewerSortAscending : true;
      s.viewerSortColumn = column;
      rebuildViewerRows(s);
      return requestRepaint();
    }
    case 56:
      if (inTable(s.viewerTicked, i)) s.viewerTicked[size_t(i)] ^= 1;
      previewEntry(i);
      return requestRepaint();
    case 57:
      for (int32_t entry : s.viewerRows)
        if (inTable(s.viewerTicked, entry)) s.viewerTicked[size_t(entry)] = 1;
      return requestRepaint();
    case 58: std::fill(s.viewerTicked.begin(), s.viewerTicked.end(), uint8_t(0)); return requestRepaint();
    case 59: case 60: return extractFromViewer(id == 59);
    case 61: {
      if (s.viewerArchive.empty()) return;
      queueTask(archiveRequest(TaskKind::Verify, s.viewerArchive, &s.viewerPassword));
      return;
    }
    case 63:
      if (!s.viewerArchive.empty()) openArchive(s.viewerArchive);
      return;
    case 65: return clearViewerFilter();
    case 66: return togglePreviewPane();
    case 68: return extractPreviewedEntry();
    case 69: return exportPreviewedEntry();
    case 70: previewEntry(s.viewerSelectedRow); return requestRepaint();
    case 71: return playPreviewedAudio();
    case 74: history.clear(); return requestRepaint();
    case 75: {
      std::wstring path = chooseArchiveToOpen(owner);
      if (!path.empty()) loadToolsArchive(path);
      return;
    }
    case 76: case 77: return startVerify(id == 76);
    case 78:
      if (!s.toolsArchive.empty()) openArchive(s.toolsArchive);
      return;
    case 80:
      if (inTable(kPartSizePresetsMiB, i)) setSplitPartSize(kPartSizePresetsMiB[size_t(i)]);
      return;
    case 83: case 84: {
      if (!s.toolsListed) return;
      queueTask(archiveRequest(id == 83 ? TaskKind::Scan : TaskKind::Repair, s.toolsArchive));
      return;
    }
    case 85: {
      if (s.toolsArchive.empty()) return;
      TaskRequest request = archiveRequest(TaskKind::Split, s.toolsArchive);
      request.partSize = uint64_t(s.splitPartMiB) * 1048576;
      queueTask(request);
      return;
    }
    case 86: {
      std::wstring firstPart = chooseFirstPart(owner);
      if (firstPart.empty()) return;
      std::wstring merged = chooseArchiveToSave(owner, i18n::translate("dialog.default_merged_name"));
      if (merged.empty()) return;
      TaskRequest request = archiveRequest(TaskKind::Merge, firstPart);
      request.destination = merged;
      queueTask(request);
      return;
    }
    case 87: {
      if (!s.toolsListed) return;
      queueTask(archiveRequest(TaskKind::Duplicates, s.toolsArchive, &s.toolsPassword));
      return;
    }
    case 88: {
      if (!s.toolsListed) return;
      std::wstring folder = chooseFolder(owner, i18n::translate("dialog.pick_compare_folder"));
      if (folder.empty()) return;
      // The dialog ran a nested message loop: the page may have changed meanwhile.
      if (!s.toolsListed) return;
      TaskRequest request = archiveRequest(TaskKind::Compare, s.toolsArchive, &s.toolsPassword);
      request.compareFolder = folder;
      request.deepCompare = true;
      if (queueTask(request) != 0) s.compareFolder = folder;
      return;
    }
    case 90:
      if (i < 0 || i > 2) return;
      s.settings.mode = uint8_t(i);
      return applySettings();
    case 91: s.settings.verify = !s.settings.verify; return applySettings();
    case 92: s.settings.blockHashes = !s.settings.blockHashes; return applySettings();
    case 93:
      if (!inTable(kThreadLadder, i)) return;
      s.settings.threads = kThreadLadder[size_t(i)];
      return applySettings();
    case 94:
      if (!inTable(kMemoryLadder, i)) return;
      s.settings.memoryBytes = kMemoryLadder[size_t(i)];
      return applySettings();
    case 95:
      if (!inTable(kChunkLadder, i)) return;
      s.settings.chunkBytes = kChunkLadder[size_t(i)];
      return applySettings();
    case 96:
      if (i < 0 || i > 2) return;
      s.settings.overwrite = uint8_t(i);
      return applySettings();
    case 97: s.settings.restoreTimestamps = !s.settings.restoreTimestamps; return applySettings();
    case 98: s.settings.restoreAttributes = !s.settings.restoreAttributes; return applySettings();
    case 99: return resetSettings();
    case 100: {
      std::wstring file = settingsPath();
      if (file.empty()) return;
      std::wstring folder, name;
      splitPath(file, folder, name);
      // Opening a folder that is not there yet fails; the settings file itself may never have
      // been written.
      (void)createDirectories(folder);
      return openOutputFolder(folder);
    }
    case 101:
      if (host_) host_->showAbout();
      return;
    case 102:
      s.languageListOpen = !s.languageListOpen;
      s.languageListRow = currentLanguageRow();
      s.languageListFirstRow = languageListOffset(s.languageListRow, s.languageListFirstRow);
      return requestRepaint();
    case 103: return pickLanguage(i);
    case 104: s.languageListOpen = false; return requestRepaint();
    case 105:
      s.settings.formatFollowsLanguage = !s.settings.formatFollowsLanguage;
      i18n::setFormatsFollowLanguage(s.settings.formatFollowsLanguage);
      s.settings.save();
      return requestRepaint();
    case 106: case 107: return changeFileAssociation(id == 106);
    case 108: case 109: case 110: case 111: case 112: case 113: case 114: case 115:
      return onExplorerMenuCommand(id);
    case 116:
      if (host_ && host_->openWebAddress(kDonationAddress)) return;
      s.supportMessageIsError = true;
      s.supportMessage = i18n::translate("support.browser_failed");
      return requestRepaint();
    case 117: return copySupportLink();
    case 119: tasks.cancelCurrent(); return requestRepaint();
    case 120:
      if (tasks.busy()) return;
      tasks.resetProgress();
      s.taskPanelShown = false;
      s.taskProgress = TaskSnapshot{};
      return requestRepaint();
    case 121: return openOutputFolder(s.taskProgress.outputPath);
    case 122: case 129:
      if (tasks.paused()) tasks.resume();
      else tasks.pause();
      return requestRepaint();
    case 123: s.taskPanelShown = false; return requestRepaint();
    case 125: case 126:
      if (!inTable(s.taskEntries, i)) return;
      tasks.move(s.taskEntries[size_t(i)].id, id == 125 ? -1 : +1);
      return requestRepaint();
    case 127:
      if (!inTable(s.taskEntries, i)) return;
      tasks.cancel(s.taskEntries[size_t(i)].id);
      return requestRepaint();
    case 128: tasks.clearFinished(); return requestRepaint();
    default: return;
  }
}

}  // namespace tolzeb::ui
