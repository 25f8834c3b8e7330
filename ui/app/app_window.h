// The one main window of the graphical program: it owns the page state, every background worker
// and the hit regions of the last paint, and turns input into commands. Everything here runs on
// the UI thread; workers post AppMessages and the window copies their snapshots.
//
// The window system is reached only through a WindowHost: the Windows build makes the real
// window (`create`), tests hand in a stand-in (`attachHost`).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ui/preview/preview_controller.h"
#include "ui/app/command_ids.h"
#include "ui/app/frame.h"
#include "ui/app/page_state.h"
#include "ui/app/task_runner.h"
#include "ui/app/window_host.h"
#include "ui/foundation/history.h"
#include "ui/foundation/icon_set.h"
#include "ui/preview/archive_search.h"
#include "ui/preview/audio_player.h"

namespace tolzeb::ui {

// Window geometry in DIPs.
inline constexpr float kWindowWidth = 1204;
inline constexpr float kWindowHeight = 816;
inline constexpr float kMinimumWindowWidth = 940;
inline constexpr float kMinimumWindowHeight = 600;
// Characters a text field holds at most.
inline constexpr uint64_t kTextFieldLimit = 1024;

// The extension a new archive of `format` gets: 2 ".zip", 3 ".tar", 4 ".tar.gz", 5 ".7z", else
// ".zeb".
std::wstring formatExtension(uint8_t format);
// The part size nearest to `value` among the 117 sizes of the part-size slider (ties to the
// smaller), and the size at `fraction` (0..1) of that logarithmic slider.
uint32_t snapSplitPartSize(double value);
uint32_t splitSizeFromFraction(double fraction);
// The part size typed into the part-size field, or `previous` when it names none (see onChar).
uint32_t parseSplitPartText(const std::wstring& text, uint32_t previous);
// The recovery percent (1..30) at `fraction` of the recovery slider.
int32_t recoveryPercentAt(double fraction);
// The row of the language table whose tag is the current language's; 0 when none is.
int32_t currentLanguageRow();
// The first visible row of the 11-row language list that keeps `row` in view.
int32_t languageListOffset(int32_t row, int32_t firstRow);
// The next row from `row` in `direction` (+1, -1) that has a catalogue, wrapping round the 28
// rows; `row` itself when none of 28 tries has one.
int32_t stepLanguageRow(int32_t row, int direction);

// The donation page shown, encoded and copied by the support page.
inline constexpr const wchar_t* kDonationAddress = L"https://tolzeb.org/donate";

struct ShellStep;

class AppWindow {
 public:
  // The workers' platform pieces; tests hand in stand-ins.
  explicit AppWindow(TaskRunnerServices taskServices = {}, AudioPlayerServices audioServices = platformAudioServices(),
                     PreviewServices previewServices = defaultPreviewServices());
  ~AppWindow();
  AppWindow(const AppWindow&) = delete;
  AppWindow& operator=(const AppWindow&) = delete;

  // Windows: registers the class, loads history and settings, makes, places and shows the window
  // and starts the timer. False on any failure; elsewhere always false (there is no window).
  bool create(void* instance, int showCommand);
  // Binds the window to a window system without `create`: the stand-in of a test, or the real
  // window from inside `create`. Also loads nothing: the caller seeds what it needs.
  void attachHost(std::unique_ptr<WindowHost> host);
  WindowHost* host() const { return host_.get(); }

  // The command line and dropped files: one archive opens in the viewer, one missing path shows
  // why in the viewer, anything else becomes sources of a new archive.
  void openPaths(const std::vector<std::wstring>& paths);
  // Shows an archive (or why it cannot be shown) in the viewer, listed with the typed password
  // when the same archive is opened again.
  void openArchive(const std::wstring& path);
  // Checks and lists `extractArchive` for the extract page and proposes a destination beside it.
  // No repaint of its own.
  void loadExtractArchive();
  // Takes an archive for the tools page, listed with the typed password when it is the same one.
  void loadToolsArchive(const std::wstring& path);
  // Hands the viewer's archive and password to the extract page: every entry, or the ticked ones.
  void extractFromViewer(bool tickedOnly);
  // The preview pane's actions on the previewed file: the extract page with that entry alone, or
  // an export beside the archive (nothing while another task runs).
  void extractPreviewedEntry();
  void exportPreviewedEntry();
  // Runs a shell job file handed over on the command line or by message; true when it was taken.
  bool runShellJobFile(const std::wstring& path);
  // One planned step of a shell job: 0 queued as a task, 1 opened in the viewer instead (a
  // password-protected archive), 2 nothing started.
  int32_t queueShellItem(const ShellStep& step);

  // Seeds the pages from `pageState.settings` and sets the masked flags of the password fields.
  void applyStartSettings();

  // One paint of the whole client area (`client` in DIPs) between the canvas's begin and end.
  void paint(Canvas& canvas, const IconSet& icons, Size client);
  // One repaint request outstanding at most; WM_PAINT calls paintDone.
  void requestRepaint();
  void paintDone() { repaintPending_ = false; }
  bool repaintPending() const { return repaintPending_; }

  // Input, in client DIPs.
  void onMouseMove(float x, float y);
  void onMouseDown(float x, float y);
  void onMouseUp(float x, float y);
  void onMouseLeave();
  void onWheel(int delta);
  bool onKeyDown(unsigned virtualKey);
  bool onChar(wchar_t character);
  const HitRegion* hitRegionAt(float x, float y) const;
  void moveFocus(int direction);
  TextField* focusedTextField();
  void scrollByPage(int direction);
  void scrollToThumb(float top);
  // The client area changed; a scroll offset beyond the new end is cut back.
  void onResize();
  // Timer 1: a new system-load sample and a repaint.
  void onTimer();

  // The command dispatcher.
  void onCommand(uint16_t id, int32_t argument);
  void showPage(Page page);
  void addSources(const std::vector<std::wstring>& paths);
  void changeCompressFormat(uint8_t format);
  void applySettings();
  void resetSettings();
  void pickLanguage(int32_t row);
  // The settings page's file association read afresh; registering (true) or removing it, then
  // the same reading, and a box with the reason when that failed.
  void refreshAssociationState();
  void changeFileAssociation(bool registering);
  void clearSearch();
  // The history's archive paths, newest first, each once (paths equal when folded are the same).
  std::vector<std::wstring> searchArchiveList() const;
  // The recorded archives whose paths hold the typed query.
  void refreshSearchNameHits();
  // Enter in the search field: looks inside the recorded archives, or stops for an empty query.
  void startSearch();
  void clearViewerFilter();
  void copySupportLink();
  void setSplitPartSize(uint32_t mebibytes);
  void togglePreviewPane();
  // Command 71: pause or resume the previewed sound when it is the one loaded, else load it.
  void playPreviewedAudio();
  // The settings page's association, package and menu-switch fields, read afresh.
  void refreshIntegrationState();
  // Commands 108 to 115: installing and removing the Explorer menu, checking it, its switches.
  void onExplorerMenuCommand(uint16_t id);
  // Queues a request; shows the task panel when it was accepted.
  uint64_t queueTask(const TaskRequest& request);
  // The starters of the compress and extract pages and the tools page's checks; each queues
  // nothing while its form is not ready.
  void startCompress();
  void startExtract();
  void startVerify(bool verify);
  // Shows a folder, or a file selected in its folder; a box says why when that fails.
  void openOutputFolder(const std::wstring& path);

  // Worker messages.
  void onTaskProgress();
  // A finished create enters the history; a duplicate search or a comparison leaves its result
  // for the tools page.
  void onTaskFinished(uint64_t taskId);
  void onSearchProgress();
  // WM_CLOSE and WM_DESTROY: every worker stopped and joined, in a fixed order.
  void stopWorkers();
  // Picks a viewer row and, while the pane is shown, asks for its preview; an invalid row clears
  // the pick and cancels any preview.
  void previewEntry(int32_t row);
  // PreviewReady: the window copies the shared slot, whichever request it answers.
  void onPreviewReady(uint64_t generation);
  PreviewController& previewController() { return preview; }
  // AudioState (and timer 1 while a sound is loaded): the window copies the player's record.
  void onAudioState();
  AudioPlayer& audioPlayer() { return audio; }

  PageState& state() { return pageState; }
  const PageState& state() const { return pageState; }
  const HitRegions& regions() const { return hitRegions; }
  const FrameLayout& layout() const { return frameLayout; }
  History& historyStore() { return history; }
  TaskRunner& taskRunner() { return tasks; }
  ArchiveSearch& archiveSearch() { return search; }
  float scrollOffset() const { return scrollOffset_; }
  // Tests: the hit regions and frame layout a paint would have left, without painting.
  void setPaintResultForTesting(HitRegions regions, const FrameLayout& layout, Size client = {});

  float dpi = 96;

 private:
  void setScrollOffset(float offset);
  float maxScroll() const;
  // Bring the region into the page area's view (Tab focus).
  void scrollIntoView(const HitRegion& region);
  // What typing into or pasting into a text field changes on its page.
  void afterTextInput(uint16_t fieldId, bool pasted);
  void afterTextDeleted(uint16_t fieldId);
  // Dragging a press-and-drag control to `x`, `y`.
  void dragTo(uint16_t id, float x, float y);
  const HitRegion* findRegion(uint16_t id) const;
  void showError(const std::wstring& text);
  // Step one of loading the extract page's archive: nothing is known of it yet.
  void resetExtractFacts();
  // The extract page takes the viewer's archive and a copy of its password, no selection.
  void handViewerArchiveToExtract();
  // Stops the sound and forgets the window's copy of its state (another row, the pane hidden,
  // the viewer left, another archive).
  void stopAudio();

  std::unique_ptr<WindowHost> host_;
  const EngineCalls* engine_;  // archive checks and listings of the UI thread
  FrameLayout frameLayout;
  History history;
  SystemLoad systemLoad;
  TaskRunner tasks;
  ArchiveSearch search;
  PreviewController preview;
  AudioPlayer audio;
  HitRegions hitRegions;
  PageState pageState;
  bool trackingMouse = false;
  float scrollOffset_ = 0;
  bool draggingScrollBar = false;
  float scrollGrabOffset = 0;
  bool repaintPending_ = false;
  Size clientSize_;  // of the last paint, in DIPs
};

}  // namespace tolzeb::ui
