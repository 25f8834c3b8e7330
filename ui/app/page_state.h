// The one record every painter reads: which page is shown, the pointer and focus state, and the
// fields of each page. The window owns it and changes it on the UI thread only; painters read it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ui/preview/preview_types.h"
#include "engine/core/types.h"
#include "engine/tools/compare.h"
#include "engine/tools/duplicates.h"
#include "ui/app/file_association.h"
#include "ui/app/menu_switches.h"
#include "ui/app/task_types.h"
#include "ui/foundation/hit_regions.h"
#include "ui/foundation/settings.h"
#include "ui/foundation/system_load.h"
#include "ui/foundation/text_field.h"
#include "ui/preview/archive_search.h"
#include "ui/preview/audio_player.h"

namespace tolzeb::ui {

class History;

enum class Page : uint8_t {
  Home = 0,
  Compress = 1,
  Extract = 2,
  Viewer = 3,
  History = 4,
  Tools = 5,
  Settings = 6,
  Search = 7,
  Tasks = 8,
  Support = 9,
};
inline constexpr int kPageCount = 10;

struct PageState {
  // The language list of the settings page.
  bool languageListOpen = false;
  int32_t languageListFirstRow = 0;  // 0..17
  int32_t languageListRow = -1;      // -1: none highlighted

  Page page = Page::Home;
  const History* historyView = nullptr;  // set at every paint
  SystemLoad::Sample load{};

  // Pointer and keyboard focus.
  uint16_t hoverId = 0;
  int32_t hoverIndex = -1;
  uint16_t pressedId = 0;
  uint16_t focusId = 0;
  bool showFocus = false;
  bool maximized = false;  // refreshed at every paint
  float scrollOffset = 0;  // the window's scroll offset, for the painters
  float dpi = 96;           // the window's, for drawing in whole device pixels

  // Search page.
  TextField searchQuery;
  std::vector<SearchHit> searchNameHits;  // recorded archives whose paths hold the query
  ArchiveSearch::Snapshot searchSnapshot;  // the worker's state as last copied
  std::wstring searchedQuery;             // the query the worker was last started with

  // Compress page.
  std::vector<std::wstring> compressSources;
  std::wstring compressDestination;
  uint8_t compressMode = 1;
  bool compressVerify = true;
  bool compressDictionary = false;
  uint8_t compressFormat = 1;
  bool compressRecovery = false;
  int32_t compressRecoveryPercent = 5;
  bool draggingRecovery = false;
  bool compressEncrypt = false;
  TextField compressPassword;
  TextField compressPasswordRepeat;

  // Extract page.
  std::wstring extractArchive;
  std::wstring extractDestination;
  uint8_t extractOverwrite = 0;
  std::vector<std::wstring> extractSelection;
  uint8_t extractKind = 0;
  bool extractLocked = false;
  TextField extractPassword;
  bool extractListed = false;
  uint64_t extractEntryCount = 0;
  uint64_t extractTotalSize = 0;
  uint64_t extractArchiveSize = 0;
  std::wstring extractInfoMessage;

  // Archive viewer and its preview pane.
  std::wstring viewerArchive;
  bool viewerListed = false;
  std::wstring viewerMessage;
  uint64_t viewerArchiveSize = 0;  // of the listing: bytes on disk
  uint64_t viewerTotalSize = 0;    // of the listing: bytes once unpacked
  std::vector<ListedEntry> viewerEntries;
  std::vector<uint8_t> viewerTicked;  // one flag per entry, by entry index
  std::vector<int32_t> viewerRows;    // entry indices of the visible rows, in display order
  TextField viewerFilter;
  uint8_t viewerSortColumn = 0;  // 0 name, 1 size, 2 modified
  bool viewerSortAscending = true;
  uint8_t viewerKind = 0;     // an ArchiveKind
  bool viewerLocked = false;  // an encrypted ".zeb"
  TextField viewerPassword;
  bool previewPaneShown = true;
  float previewPaneWidth = 380;
  bool draggingSplitter = false;
  float splitterGrabOffset = 0;
  int32_t viewerSelectedRow = -1;
  PreviewResult previewResult;  // the window's copy: idle when nothing is picked
  AudioPlayer::State audioState;  // the window's copy of the player's record
  bool audioAvailable = false;      // the media engine's answer, once asked
  bool audioProbed = false;
  bool draggingSeek = false;
  double seekTarget = 0;

  // Tools page.
  std::wstring toolsArchive;
  bool toolsListed = false;
  std::wstring toolsMessage;
  // The listing's facts, valid while toolsListed.
  uint16_t toolsFormatMajor = 0;
  uint16_t toolsFormatMinor = 0;
  uint32_t toolsHeaderFlags = 0;
  uint32_t toolsChunkSize = 0;
  uint64_t toolsChunkCount = 0;
  uint64_t toolsEntryCount = 0;
  uint64_t toolsFileCount = 0;
  uint64_t toolsFolderCount = 0;
  uint64_t toolsInputBytes = 0;
  uint64_t toolsArchiveBytes = 0;
  uint8_t toolsKind = 0;  // an ArchiveKind
  bool toolsLocked = false;
  TextField toolsPassword;
  uint32_t splitPartMiB = 25;
  TextField splitPartText;
  bool draggingSplitSize = false;
  DuplicateReport duplicateResult;
  CompareResult compareResult;
  bool duplicatesShown = false;
  bool compareShown = false;
  std::wstring compareFolder;

  // The window's copy of the user settings, saved on every change.
  Settings settings;

  // Settings page: the file association, the packaged Explorer menu as last asked for, and the
  // menu switches as last read or written.
  AssociationState association;
  uint8_t packageState = 0;
  std::wstring packageInstalledVersion;
  std::wstring packageShippedVersion;
  std::wstring packageMessage;
  shell::MenuSettings menuSettings;

  // Support page.
  std::wstring supportMessage;
  bool supportMessageIsError = false;

  // The task queue as last copied from the runner.
  TaskSnapshot taskProgress;
  bool taskPanelShown = false;
  std::vector<TaskEntry> taskEntries;
  bool taskPaused = false;
  uint64_t openTaskCount = 0;

  // The pointer and focus fields as the widget painters take them.
  Interaction interaction() const { return {hoverId, hoverIndex, pressedId, focusId, showFocus}; }
};

}  // namespace tolzeb::ui
