// The task panel in each of its looks, one sheet per shipped language, so that long
// translations can be seen against the panel's fixed rows and buttons.
#include <string>
#include <vector>

#include "sheet_win32.h"
#include "ui/app/task_panel.h"
#include "ui/foundation/catalogue_source.h"
#include "ui/foundation/languages.h"
#include "ui/foundation/localisation.h"
#include "ui/foundation/palette.h"

namespace tolzeb::ui {
namespace {

constexpr float kCellWidth = 640;
constexpr float kCellHeight = 340;
constexpr float kLabelHeight = 22;
constexpr int kColumns = 3;
constexpr Color kSheetBackground = rgb(249, 250, 252);
constexpr Color kRegionOutline = rgb(0, 90, 255, 0.8f);

struct PanelCase {
  const wchar_t* name;
  TaskSnapshot task;
  bool paused = false;
  uint64_t openTasks = 1;
};

TaskSnapshot runningTask(TaskKind kind, Progress::Phase phase, uint64_t done, uint64_t total, double elapsed) {
  TaskSnapshot task;
  task.kind = uint8_t(kind);
  task.active = true;
  task.progress.phase = phase;
  task.progress.bytesDone = done;
  task.progress.bytesTotal = total;
  task.elapsedSeconds = elapsed;
  return task;
}

TaskSnapshot endedTask(TaskKind kind, bool succeeded, StatusCode code = StatusCode::general,
                       std::wstring message = L"") {
  TaskSnapshot task;
  task.kind = uint8_t(kind);
  task.finished = true;
  task.succeeded = succeeded;
  task.elapsedSeconds = 12.34;
  task.progress.bytesDone = 420 << 20;
  task.progress.bytesTotal = 1000 << 20;
  if (!succeeded) {
    task.cancelled = code == StatusCode::canceled;
    task.errorCode = int32_t(code);
    task.errorMessage = std::move(message);
  }
  return task;
}

std::vector<PanelCase> panelCases() {
  std::vector<PanelCase> cases;
  cases.push_back({L"running, two more queued",
                   runningTask(TaskKind::Create, Progress::Phase::Encoding, 1234567890, 3333333333, 61), false, 3});
  cases.push_back({L"held", runningTask(TaskKind::Extract, Progress::Phase::Restoring, 700 << 20, 900 << 20, 7), true});
  cases.push_back({L"running, no total", runningTask(TaskKind::Duplicates, Progress::Phase::Decoding, 0, 0, 0.1)});

  TaskSnapshot created = endedTask(TaskKind::Create, true);
  created.stats.files = 12345;
  created.stats.archiveBytes = 987654321;
  created.stats.inputBytes = 2987654321;
  created.outputPath = L"C:\\Users\\someone\\Documents\\Holiday photos.zeb";
  cases.push_back({L"created, one more queued", created, false, 2});

  TaskSnapshot verified = endedTask(TaskKind::Verify, true);
  verified.stats.entries = 4321;
  verified.stats.inputBytes = 2987654321;
  cases.push_back({L"verified", verified});

  TaskSnapshot scanned = endedTask(TaskKind::Scan, true);
  scanned.recovery.shardsChecked = 20480;
  scanned.recovery.damagedShards = 1234;
  scanned.recovery.groupsBeyondRepair = 3;
  cases.push_back({L"scan, damage past the record", scanned});

  TaskSnapshot unopenable = endedTask(TaskKind::Repair, true);
  unopenable.recovery.shardsChecked = 20480;
  unopenable.recovery.openFailure = L"The chunk table at offset 123456789 does not match its checksum";
  cases.push_back({L"repair, does not open", unopenable});

  TaskSnapshot partly = endedTask(TaskKind::Repair, true);
  partly.recovery.shardsRebuilt = 17;
  partly.recovery.groupsBeyondRepair = 2;
  cases.push_back({L"repair, partly", partly});

  cases.push_back({L"failed, long details",
                   endedTask(TaskKind::Extract, false, StatusCode::io_failure,
                             L"Could not write C:\\Users\\someone\\Documents\\Extracted\\a very long folder name\\"
                             L"another level\\and a file name that goes on and on.txt: the disk is full")});
  cases.push_back({L"scan, no record",
                   endedTask(TaskKind::Scan, false, StatusCode::not_found, L"This archive has no recovery record")});
  cases.push_back({L"cancelled extract", endedTask(TaskKind::Extract, false, StatusCode::canceled, L"Canceled")});
  cases.push_back({L"cancelled split", endedTask(TaskKind::Split, false, StatusCode::canceled, L"Split canceled")});
  TaskSnapshot keptCreate = endedTask(TaskKind::Create, false, StatusCode::canceled, L"Canceled");
  keptCreate.keptArchive = KeptArchive::WithoutRecord;
  cases.push_back({L"cancelled create, archive kept", keptCreate});
  return cases;
}

bool writeSheet(const std::wstring& folder, const std::wstring& tag) {
  const std::vector<PanelCase> cases = panelCases();
  const int rows = int((cases.size() + kColumns - 1) / kColumns);
  Sheet sheet(unsigned(kCellWidth * kColumns), unsigned((kCellHeight + kLabelHeight) * float(rows)));
  if (!sheet.start()) return false;
  Renderer& r = sheet.renderer;
  r.clear(kSheetBackground);
  for (size_t i = 0; i < cases.size(); ++i) {
    const float left = kCellWidth * float(i % kColumns);
    const float top = (kCellHeight + kLabelHeight) * float(i / kColumns);
    r.drawText(tag + L": " + cases[i].name, TextStyle::Caption, {left + 8, top + 3, left + kCellWidth, top + 20},
               palette::textSecondary, TextAlign::Leading);
    PageState state;
    state.taskPanelShown = true;
    state.taskProgress = cases[i].task;
    state.taskPaused = cases[i].paused;
    state.openTaskCount = cases[i].openTasks;
    HitRegions regions;
    const Rect area{left, top + kLabelHeight, left + kCellWidth, top + kLabelHeight + kCellHeight};
    paintTaskPanel(r, sheet.icons, state, area, regions);
    for (const HitRegion& region : regions) r.drawRoundedRect(region.rect(), 0, kRegionOutline, 1);
  }
  return r.endDraw() && sheet.target.savePng((folder + L"\\task-panel-" + tag + L".png").c_str());
}

}  // namespace

bool writeTaskPanelSheets(const std::wstring& folder) {
  i18n::initialise(L"en-US");
  i18n::setFormatsFollowLanguage(true);
  bool ok = true;
  for (const i18n::LanguageInfo& language : i18n::languageTable()) {
    if (!i18n::catalogueExists(language.tag) || !i18n::setLanguage(language.tag)) continue;
    ok = writeSheet(folder, language.tag) && ok;
  }
  i18n::setLanguage(L"en-US");
  return ok;
}

}  // namespace tolzeb::ui
