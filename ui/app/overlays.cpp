#include "ui/app/overlays.h"

#include <algorithm>
#include <span>

#include "ui/foundation/catalogue_source.h"
#include "ui/foundation/languages.h"
#include "ui/foundation/localisation.h"
#include "ui/foundation/palette.h"
#include "ui/foundation/widgets.h"

namespace tolzeb::ui {
namespace {

using i18n::translate;

constexpr float kListWidth = 360;
constexpr float kListHeight = 434;
constexpr float kListMargin = 12;
constexpr float kListRowHeight = 38;
constexpr float kListPadding = 8;
constexpr uint16_t kListBackgroundId = 0;
constexpr uint16_t kPickLanguageId = 103;
constexpr uint16_t kOutsideListId = 104;

constexpr float kPanelMaximumWidth = 560;
constexpr float kPanelRunningHeight = 286;
constexpr float kPanelEndedHeight = 232;
constexpr uint16_t kClosePanelId = 120;
constexpr uint16_t kHidePanelId = 123;

constexpr Color kListScrim = rgb(24, 25, 31, 0.18f);
constexpr Color kPanelScrim = rgb(24, 25, 31, 0.28f);
constexpr Color kListIndicator = rgb(24, 25, 31, 0.22f);
constexpr Color kMutedText = palette::textDisabled;

const char* runningHeadlineKey(uint8_t kind) {
  switch (TaskKind(kind)) {
    case TaskKind::Create:
      return "task.creating_archive";
    case TaskKind::Export:
      return "task.exporting_file";
    case TaskKind::Verify:
    case TaskKind::Test:
      return "task.checking_archive";
    case TaskKind::Split:
      return "task.splitting_archive";
    case TaskKind::Merge:
      return "task.merging_parts";
    case TaskKind::Duplicates:
    case TaskKind::Compare:
      return "task.reading_archive";
    case TaskKind::Scan:
      return "task.scanning_for_damage";
    case TaskKind::Repair:
      return "task.repairing_archive";
    default:
      return "task.extracting_archive";
  }
}

const char* succeededHeadlineKey(const TaskSnapshot& task) {
  switch (TaskKind(task.kind)) {
    case TaskKind::Create:
      return "result.archive_created";
    case TaskKind::Export:
      return "result.file_exported";
    case TaskKind::Verify:
    case TaskKind::Test:
      return "result.archive_intact";
    case TaskKind::Split:
      return "result.archive_split";
    case TaskKind::Merge:
      return "result.parts_merged";
    case TaskKind::Duplicates:
    case TaskKind::Compare:
      return "result.finished_reading";
    case TaskKind::Scan:
      return task.recovery.damagedShards > 0 ? "result.damage_found" : "result.no_damage_found";
    case TaskKind::Repair:
      return task.recovery.groupsBeyondRepair > 0 ? "result.partly_repaired" : "result.archive_repaired";
    default:
      return "result.extraction_finished";
  }
}

const char* failedHeadlineKey(uint8_t kind) {
  switch (TaskKind(kind)) {
    case TaskKind::Repair:
      return "error.could_not_repair";
    case TaskKind::Scan:
      return "error.could_not_read_recovery";
    case TaskKind::Split:
      return "error.could_not_split";
    case TaskKind::Merge:
      return "error.could_not_merge";
    case TaskKind::Duplicates:
    case TaskKind::Compare:
      return "error.could_not_read";
    case TaskKind::Verify:
    case TaskKind::Test:
      return "result.archive_damaged";
    case TaskKind::Create:
      return "error.could_not_create";
    default:
      return "error.could_not_extract";
  }
}

// A repair that left groups beyond the record is reported as a success, but not as good news.
bool headlineIsGoodNews(const TaskSnapshot& task) {
  if (task.active) return true;
  if (!task.succeeded) return false;
  return !(TaskKind(task.kind) == TaskKind::Repair && task.recovery.groupsBeyondRepair > 0);
}

}  // namespace

Rect languageListBox(Rect languageBox, Rect area) {
  float top = languageBox.bottom + 6;
  if (top + kListHeight > area.bottom - kListMargin) {
    top = languageBox.top - 6 - kListHeight;
    if (top < area.top + kListMargin) {
      top = std::max(area.bottom - kListMargin - kListHeight, area.top + kListMargin);
    }
  }
  float left = languageBox.left;
  if (left + kListWidth > area.right - kListMargin) {
    left = std::max(area.right - kListMargin - kListWidth, area.left + kListMargin);
  }
  return {left, top, left + kListWidth, top + kListHeight};
}

void paintLanguageList(Canvas& canvas, const IconSet&, const PageState& state, Rect languageBox, Rect area,
                       HitRegions& regions) {
  canvas.fillRect(area, kListScrim);
  const Rect box = languageListBox(languageBox, area);
  canvas.fillRoundedRect(box, 12, palette::white);
  canvas.drawRoundedRect(box, 12, palette::divider, 1);

  canvas.pushClip(box.grown(-1));
  const std::span<const i18n::LanguageInfo> table = i18n::languageTable();
  const std::wstring currentTag = i18n::currentLanguageTag();
  const int32_t firstRow = std::clamp(state.languageListFirstRow, 0, kLanguageListLastFirstRow);
  for (int k = 0; k < kLanguageListVisibleRows; ++k) {
    const int32_t index = firstRow + k;
    if (index >= static_cast<int32_t>(table.size())) break;
    const i18n::LanguageInfo& language = table[static_cast<size_t>(index)];
    const float top = box.top + kListPadding + kListRowHeight * static_cast<float>(k);
    const Rect row{box.left + kListPadding, top, box.right - kListPadding, top + kListRowHeight};

    const bool current = currentTag == language.tag;
    const bool untranslated = !i18n::catalogueExists(language.tag);
    const bool hovered = state.hoverId == kPickLanguageId && state.hoverIndex == index;
    const bool highlighted = state.languageListRow == index;
    if (current) {
      canvas.fillRoundedRect(row, 8, palette::brandTint);
    } else if (!untranslated && (hovered || highlighted)) {
      canvas.fillRoundedRect(row, 8, palette::hoverOverlay);
    }
    if (highlighted && !untranslated) canvas.drawRoundedRect(row, 8, palette::brandRed, 1.5f);

    const Color nameColor = current ? palette::brandRed : untranslated ? kMutedText : palette::textPrimary;
    drawCentredText(canvas, language.nativeName, TextStyle::BodyStrong,
                    {row.left + 14, row.top, row.right - 130, row.bottom}, nameColor, TextAlign::Leading);
    const std::wstring note =
        untranslated ? translate("settings.language_untranslated_row") : std::wstring(language.englishName);
    drawCentredText(canvas, note, TextStyle::Caption, {row.right - 128, row.top, row.right - 12, row.bottom},
                    kMutedText, TextAlign::Trailing);
    if (!untranslated) addHitRegion(regions, row, kPickLanguageId, index, true);
  }

  const float trackTop = box.top + kListPadding;
  const float trackLength = box.height() - 2 * kListPadding;
  const float thumbLength = std::max(trackLength * kLanguageListVisibleRows / static_cast<float>(table.size()), 28.0f);
  const float thumbTop =
      trackTop + static_cast<float>(firstRow) / kLanguageListLastFirstRow * (trackLength - thumbLength);
  canvas.fillRoundedRect({box.right - 7, thumbTop, box.right - 3, thumbTop + thumbLength}, 2, kListIndicator);
  canvas.popClip();

  addHitRegion(regions, box, kListBackgroundId, -1, false);
  addHitRegion(regions, area, kOutsideListId, -1, false);
}

std::wstring taskPanelHeadline(const TaskSnapshot& task) {
  if (task.active) return translate(runningHeadlineKey(task.kind));
  if (task.succeeded) return translate(succeededHeadlineKey(task));
  if (task.cancelled) return translate("task.cancelled");
  return translate(failedHeadlineKey(task.kind));
}

void paintTaskPanel(Canvas& canvas, const IconSet& icons, const PageState& state, Rect area, HitRegions& regions) {
  const TaskSnapshot& task = state.taskProgress;
  canvas.fillRect(area, kPanelScrim);

  const float width = std::min(area.width() - 80, kPanelMaximumWidth);
  const float height = task.active ? kPanelRunningHeight : kPanelEndedHeight;
  const float x0 = (area.left + area.right) / 2 - width / 2;
  const float y0 = (area.top + area.bottom) / 2 - height / 2;
  const float x1 = x0 + width;
  const float y1 = y0 + height;
  const Rect panel{x0, y0, x1, y1};
  canvas.fillRoundedRect(panel, 12, palette::white);
  canvas.drawRoundedRect(panel, 12, palette::divider, 1);

  canvas.drawText(taskPanelHeadline(task), TextStyle::SectionTitle, {x0 + 26, y0 + 20, x1 - 26, y0 + 54},
                  headlineIsGoodNews(task) ? palette::textPrimary : palette::brandRed, TextAlign::Leading);

  const Interaction interaction = state.interaction();
  if (task.active) {
    drawButton(canvas, icons, interaction, regions, {x0 + 26, y1 - 60, x0 + 216, y1 - 18},
               translate("action.run_in_background"), kHidePanelId, ButtonStyle::Quiet, Icon::None, true);
  } else {
    drawButton(canvas, icons, interaction, regions, {x1 - 136, y1 - 60, x1 - 26, y1 - 18}, translate("action.close"),
               kClosePanelId, ButtonStyle::Primary, Icon::None, true);
  }
}

}  // namespace tolzeb::ui
