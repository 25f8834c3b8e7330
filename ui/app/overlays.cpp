#include "ui/app/overlays.h"

#include <algorithm>
#include <span>

#include "ui/app/command_ids.h"
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
constexpr uint16_t kOutsideListId = 104;

constexpr Color kListScrim = rgb(24, 25, 31, 0.18f);
constexpr Color kListIndicator = rgb(24, 25, 31, 0.22f);
constexpr Color kMutedText = palette::textDisabled;

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
    const bool hovered = state.hoverId == command_ids::kPickLanguage && state.hoverIndex == index;
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
    if (!untranslated) addHitRegion(regions, row, command_ids::kPickLanguage, index, true);
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

}  // namespace tolzeb::ui
