// The tools page: one chosen archive and the operations that are neither compressing nor
// extracting, each in its own card, with the results of the last duplicate search and comparison.
// Notes that wrap to more lines than their card allows make the card taller rather than running
// into the controls below them.
#include "ui/app/tools_page.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "ui/app/command_ids.h"
#include "ui/app/page_painters.h"
#include "ui/app/settings_page.h"
#include "ui/foundation/format.h"
#include "ui/foundation/localisation.h"
#include "ui/foundation/palette.h"
#include "ui/foundation/widgets.h"

namespace tolzeb::ui {
namespace {

using i18n::Arg;
using i18n::translate;

constexpr float kToolsMinimumWidth = 420;
constexpr uint64_t kMebibyte = 1048576;
constexpr size_t kDuplicateRowsShown = 8;
constexpr size_t kCompareRowsShown = 10;
constexpr std::array<uint32_t, 4> kPresetMiB = {10, 25, 100, 700};

constexpr uint16_t kChoose = 75;
constexpr uint16_t kToolsVerify = 76;
constexpr uint16_t kTest = 77;
constexpr uint16_t kToolsBrowse = 78;
constexpr uint16_t kPreset = 80;
constexpr uint16_t kScan = 83;
constexpr uint16_t kRepair = 84;
constexpr uint16_t kSplit = 85;
constexpr uint16_t kMerge = 86;
constexpr uint16_t kDuplicates = 87;
constexpr uint16_t kCompare = 88;

constexpr uint8_t kZebKind = 1;

// A printf format of plain ASCII figures; the wide text is widened unit by unit, so no wide C
// function is needed.
template <typename... Values>
std::wstring formatShort(const char* format, Values... values) {
  char buffer[160];
  const int written = std::snprintf(buffer, sizeof buffer, format, values...);
  if (written < 0) return {};
  return std::wstring(buffer, buffer + std::min<size_t>(size_t(written), sizeof buffer - 1));
}

std::wstring grouped(uint64_t value) { return i18n::formatInteger(int64_t(std::min<uint64_t>(value, INT64_MAX))); }

// How much more than `room` the text needs at `width`.
float overflow(const PagePainter& page, const std::wstring& text, TextStyle style, float width, float room) {
  return std::max(0.0f, page.canvas.measureText(text, style, width).height - room);
}

bool repairable(const PageState& state) { return state.toolsListed && state.toolsKind == kZebKind; }

float paintToolsArchiveCard(const PagePainter& page, float t) {
  const float l = page.left, r = page.right;
  const PageState& state = page.state;
  page.card(t, 180, "tools.archive_panel");
  const float chooseLeft = r - 22 - page.widthFor("tools.choose", Icon::None, 138);
  drawPathBox(page.canvas, {l + 22, t + 56, chooseLeft - 12, t + 98}, state.toolsArchive,
              translate("tools.no_archive"));
  page.button({chooseLeft, t + 56, r - 22, t + 98}, "tools.choose", kChoose, ButtonStyle::Secondary, true);
  const float y0 = t + 110;
  float x = page.buttonFrom(l + 22, y0, y0 + 44, 184, "tools.verify", kToolsVerify, ButtonStyle::Primary, state.toolsListed);
  x = page.buttonFrom(x + 12, y0, y0 + 44, 164, "tools.test", kTest, ButtonStyle::Secondary, state.toolsListed);
  x = page.buttonFrom(x + 12, y0, y0 + 44, 198, "tools.browse", kToolsBrowse, ButtonStyle::Secondary, state.toolsListed,
                      Icon::Folder);
  const Rect status{x + 18, y0 + 10, r - 22, y0 + 38};
  if (!state.toolsMessage.empty()) {
    page.text(state.toolsMessage, TextStyle::Body, status, palette::brandRed);
  } else if (const char* key = toolsStatusKey(state)) {
    page.text(translate(key), TextStyle::Body, status,
              state.toolsLocked ? palette::textPrimary : palette::textSecondary);
  }
  return t + 180;
}

float paintToolsPasswordCard(const PagePainter& page, float t) {
  const float l = page.left, r = page.right;
  page.card(t, 116, "tools.password_panel");
  drawTextField(page.canvas, page.interaction, page.regions, {l + 22, t + 56, l + 442, t + 98},
                page.state.toolsPassword, command_ids::kToolsPassword, translate("tools.password_placeholder"));
  page.text(translate("tools.press_enter"), TextStyle::Caption, {l + 458, t + 68, r - 22, t + 90},
            palette::textSecondary);
  return t + 116;
}

// A card that holds only a caption and a note from `noteTop`, `bottomMargin` above its bottom.
float paintNoteCard(const PagePainter& page, float t, float height, const char* titleKey, const char* noteKey,
                    float noteTop, float bottomMargin) {
  const float l = page.left, r = page.right;
  const std::wstring note = translate(noteKey);
  height += overflow(page, note, TextStyle::Body, r - l - 44, height - noteTop - bottomMargin);
  page.card(t, height, titleKey);
  page.text(note, TextStyle::Body, {l + 22, t + noteTop, r - 22, t + height - bottomMargin}, palette::textSecondary);
  return t + height;
}

void drawDetailRow(const PagePainter& page, const char* labelKey, const std::wstring& value, float y) {
  const float l = page.left, r = page.right;
  page.text(translate(labelKey), TextStyle::Body, {l + 22, y, l + 256, y + 24}, palette::textSecondary);
  page.text(value, TextStyle::BodyStrong, {l + 268, y, r - 22, y + 24}, palette::textPrimary);
}

float paintDetailsCard(const PagePainter& page, float t) {
  const float l = page.left, r = page.right;
  const PageState& s = page.state;
  if (!s.toolsListed) {
    page.card(t, 120, "tools.details_panel");
    drawCentredText(page.canvas, translate("tools.nothing_read"), TextStyle::Body, {l + 22, t + 56, r - 22, t + 104},
                    palette::textSecondary, TextAlign::Centre);
    return t + 120;
  }
  page.card(t, 300, "tools.details_panel");
  const std::wstring entries = i18n::translateWithArgs(
      "tools.detail_entries_value",
      {Arg("entries", grouped(s.toolsEntryCount)),
       Arg("files", i18n::translatePlural("count.files", int64_t(std::min<uint64_t>(s.toolsFileCount, INT64_MAX)))),
       Arg("directories", i18n::translatePlural("tools.count_directories",
                                                int64_t(std::min<uint64_t>(s.toolsFolderCount, INT64_MAX))))});
  const struct {
    const char* label;
    std::wstring value;
  } rows[] = {
      {"tools.detail_version", formatShort("%u.%u", unsigned(s.toolsFormatMajor), unsigned(s.toolsFormatMinor))},
      {"tools.detail_flags", formatShort("0x%08X", unsigned(s.toolsHeaderFlags))},
      {"tools.detail_block_size", formatBytes(s.toolsChunkSize)},
      {"tools.detail_blocks", formatShort("%llu", static_cast<unsigned long long>(s.toolsChunkCount))},
      {"tools.detail_entries", entries},
      {"tools.detail_archive_size", formatBytes(s.toolsArchiveBytes)},
      {"tools.detail_payload", formatBytes(s.toolsInputBytes)},
      {"tools.detail_ratio",
       i18n::translateWithArgs("tools.detail_ratio_value",
                               {Arg("ratio", compressionRatioText(s.toolsArchiveBytes, s.toolsInputBytes))})},
  };
  float y = t + 58;
  for (const auto& row : rows) {
    drawDetailRow(page, row.label, row.value, y);
    y += 28;
  }
  return t + 300;
}

// The end of the slider; the parts line starts 18 after it.
float sliderEnd(float l, float r) { return std::min(l + 700, r - 300); }

float paintSplitCard(const PagePainter& page, float t) {
  const float l = page.left, r = page.right;
  const PageState& s = page.state;
  Canvas& canvas = page.canvas;
  const std::wstring note = translate("tools.split_note");
  const float extra = overflow(page, note, TextStyle::Body, r - l - 44, 44);
  const float height = 262 + extra;
  const float b = t + height;
  page.card(t, height, "tools.split_panel");
  page.text(note, TextStyle::Body, {l + 22, t + 50, r - 22, t + 94 + extra}, palette::textSecondary);

  const float u = t + extra;  // the card's top for the rows under the note
  for (size_t i = 0; i < kPresetMiB.size(); ++i) {
    const float x = l + 22 + 110 * float(i);
    drawListRow(canvas, page.interaction, page.regions, {x, u + 100, x + 110, u + 140}, megabytesText(kPresetMiB[i]),
                kPreset, kPresetMiB[i] == s.splitPartMiB, i == 0, i + 1 == kPresetMiB.size(), int32_t(i));
  }
  const std::wstring orText = translate("tools.or");
  const float orWidth = std::max(textWidth(canvas, orText, TextStyle::Body) + 2, 28.0f);
  const float orLeft = l + 472;
  page.text(orText, TextStyle::Body, {orLeft, u + 108, orLeft + orWidth, u + 132}, palette::textSecondary);
  const float fieldLeft = orLeft + orWidth + 8;
  drawTextField(canvas, page.interaction, page.regions, {fieldLeft, u + 100, fieldLeft + 92, u + 140}, s.splitPartText,
                command_ids::kSplitPartText, translate("tools.part_size_placeholder"));
  const std::wstring unit = translate("tools.megabytes");
  const float unitLeft = fieldLeft + 92 + 8;
  const float unitRight = std::min(unitLeft + std::max(textWidth(canvas, unit, TextStyle::Body) + 2, 38.0f), r - 22);
  page.text(unit, TextStyle::Body, {unitLeft, u + 108, std::max(unitRight, unitLeft), u + 132}, palette::textPrimary);

  const float end = sliderEnd(l, r);
  drawSlider(canvas, page.interaction, page.regions, {l + 22, u + 156, std::max(end, l + 260), u + 190},
             splitSliderValue(s.splitPartMiB), command_ids::kSplitPartSlider, translate("tools.part_size"), true);
  page.text(splitPartsText(s), TextStyle::BodyStrong, {std::max(end + 18, l + 280), u + 161, r - 22, u + 187},
            s.toolsListed ? palette::textPrimary : palette::textSecondary);

  const float splitRight = page.buttonFrom(l + 22, b - 60, b - 18, 158, "tools.split", kSplit, ButtonStyle::Primary,
                                           !s.toolsArchive.empty());
  const float mergeRight = page.buttonFrom(splitRight + 12, b - 60, b - 18, 198, "tools.merge", kMerge,
                                           ButtonStyle::Secondary, true, Icon::Folder);
  page.text(translate("tools.merge_note"), TextStyle::Caption, {mergeRight + 16, b - 48, r - 22, b - 22},
            palette::textSecondary);
  return b;
}

float paintRepairCard(const PagePainter& page, float t) {
  const float l = page.left, r = page.right;
  const std::wstring note = translate("tools.repair_note");
  const float height = 186 + overflow(page, note, TextStyle::Body, r - l - 44, 60);
  const float b = t + height;
  page.card(t, height, "tools.repair_panel");
  page.text(note, TextStyle::Body, {l + 22, t + 50, r - 22, b - 76}, palette::textSecondary);
  const bool enabled = repairable(page.state);
  const float scanRight =
      page.buttonFrom(l + 22, b - 60, b - 18, 178, "tools.scan", kScan, ButtonStyle::Secondary, enabled);
  const float repairRight =
      page.buttonFrom(scanRight + 12, b - 60, b - 18, 168, "tools.repair", kRepair, ButtonStyle::Primary, enabled);
  page.text(translate(repairHintKey(page.state)), TextStyle::Caption, {repairRight + 16, b - 48, r - 22, b - 22},
            palette::textSecondary);
  return b;
}

// Paths fitted as one line; the widget elides in the middle, so both ends of the list stay visible.
std::wstring joinedPaths(const std::vector<std::wstring>& paths) {
  const std::wstring separator = std::wstring(L"   ") + wchar_t(0x00B7) + L"   ";
  std::wstring joined;
  for (size_t i = 0; i < paths.size(); ++i) {
    if (i > 0) joined += separator;
    joined += paths[i];
  }
  return joined;
}

float paintDuplicatesCard(const PagePainter& page, float t) {
  const float l = page.left, r = page.right;
  const PageState& s = page.state;
  const DuplicateReport& report = s.duplicateResult;
  if (!s.duplicatesShown) {
    const float b = paintNoteCard(page, t, 126, "tools.duplicates_panel", "tools.duplicates_note", 56, 16);
    page.buttonTo(r - 22, t + 14, t + 50, 184, "tools.duplicates_find", kDuplicates, ButtonStyle::Secondary,
                  s.toolsListed);
    return b;
  }
  const size_t shown = std::min(report.groups.size(), kDuplicateRowsShown);
  const float height = 126 + 34 + 46 * float(shown);
  page.card(t, height, "tools.duplicates_panel");
  page.buttonTo(r - 22, t + 14, t + 50, 184, "tools.duplicates_find", kDuplicates, ButtonStyle::Secondary,
                s.toolsListed);
  if (report.groups.empty()) {
    page.text(translate("tools.duplicates_none"), TextStyle::Body, {l + 22, t + 56, r - 22, t + 82},
              palette::textPrimary);
    return t + height;
  }
  const std::wstring summary = i18n::translateWithArgs(
      "tools.duplicates_summary",
      {Arg("groups", i18n::translatePlural("count.groups", int64_t(report.groups.size()))),
       Arg("copies", grouped(report.redundantCopies)), Arg("size", formatBytes(report.reclaimableBytes))});
  page.text(summary, TextStyle::BodyStrong, {l + 22, t + 56, r - 22, t + 82}, palette::textPrimary);
  float y = t + 96;
  for (size_t i = 0; i < shown; ++i, y += 46) {
    const DuplicateGroup& group = report.groups[i];
    page.text(i18n::translateWithArgs("tools.duplicates_group", {Arg("size", formatBytes(group.size)),
                                                                 Arg("count", grouped(group.paths.size()))}),
              TextStyle::BodyStrong, {l + 22, y, l + 160, y + 22}, palette::brandRed);
    page.text(fitText(page.canvas, joinedPaths(group.paths), TextStyle::Caption, r - 22 - (l + 170)),
              TextStyle::Caption, {l + 170, y, r - 22, y + 40}, palette::textSecondary);
  }
  if (report.groups.size() > shown) {
    page.text(i18n::translateWithArgs("tools.duplicates_more", {Arg("count", grouped(report.groups.size() - shown))}),
              TextStyle::Caption, {l + 22, y, r - 22, y + 22}, palette::textSecondary);
  }
  return t + height;
}

float paintCompareCard(const PagePainter& page, float t) {
  const float l = page.left, r = page.right;
  const PageState& s = page.state;
  const CompareResult& result = s.compareResult;
  if (!s.compareShown) {
    const float b = paintNoteCard(page, t, 126, "tools.compare_panel", "tools.compare_note", 56, 16);
    page.buttonTo(r - 22, t + 14, t + 50, 208, "tools.compare_button", kCompare, ButtonStyle::Secondary, s.toolsListed,
                  Icon::Folder);
    return b;
  }
  const size_t shown = std::min(result.rows.size(), kCompareRowsShown);
  const float height = 126 + 34 + 26 * float(shown);
  page.card(t, height, "tools.compare_panel");
  page.buttonTo(r - 22, t + 14, t + 50, 208, "tools.compare_button", kCompare, ButtonStyle::Secondary, s.toolsListed,
                Icon::Folder);
  const std::wstring summary = i18n::translateWithArgs(
      "tools.compare_summary",
      {Arg("same", grouped(result.identical)), Arg("differing", grouped(result.different)),
       Arg("onlyArchive", grouped(result.onlyInArchive)), Arg("onlyFolder", grouped(result.onlyInFolder))});
  page.text(summary, TextStyle::BodyStrong, {l + 22, t + 56, r - 22, t + 82},
            result.rows.empty() ? palette::textPrimary : palette::brandRed);
  float y = t + 96;
  for (size_t i = 0; i < shown; ++i, y += 26) {
    const CompareRow& row = result.rows[i];
    page.text(translate(differenceKey(row.kind)), TextStyle::Caption, {l + 22, y, l + 160, y + 22}, palette::brandRed);
    page.text(fitText(page.canvas, row.path, TextStyle::Caption, r - 22 - (l + 170)), TextStyle::Caption,
              {l + 170, y, r - 22, y + 22}, palette::textSecondary);
  }
  if (result.rows.size() > shown) {
    page.text(i18n::translateWithArgs("tools.compare_more", {Arg("count", grouped(result.rows.size() - shown))}),
              TextStyle::Caption, {l + 22, y, r - 22, y + 22}, palette::textSecondary);
  }
  return t + height;
}

}  // namespace

std::wstring compressionRatioText(uint64_t archiveBytes, uint64_t inputBytes) {
  const double percent = inputBytes == 0 ? 0.0 : double(archiveBytes) * 100.0 / double(inputBytes);
  return i18n::translateWithArgs("unit.percent", {Arg("count", i18n::formatDecimal(percent, 1))});
}

std::wstring splitPartsText(const PageState& state) {
  if (!state.toolsListed || state.toolsArchiveBytes == 0) return translate("tools.parts_pick_one");
  const uint64_t partBytes = uint64_t(std::clamp<uint32_t>(state.splitPartMiB, 1, kLargestPartMiB)) * kMebibyte;
  const uint64_t parts = state.toolsArchiveBytes / partBytes + (state.toolsArchiveBytes % partBytes != 0 ? 1 : 0);
  if (parts > 1) {
    return i18n::translateWithArgs(
        "tools.parts_many",
        {Arg("parts", i18n::translatePlural("count.parts", int64_t(parts))), Arg("size", grouped(state.splitPartMiB))});
  }
  return i18n::translateWithArgs("tools.parts_one", {Arg("size", formatBytes(state.toolsArchiveBytes))});
}

double splitSliderValue(uint32_t partMiB) {
  return std::log2(double(std::clamp<uint32_t>(partMiB, 1, kLargestPartMiB))) / 12.0;
}

const char* toolsStatusKey(const PageState& state) {
  if (!state.toolsMessage.empty() || state.toolsListed) return nullptr;
  return state.toolsLocked ? "tools.locked" : "tools.pick_one";
}

const char* repairHintKey(const PageState& state) {
  if (!state.toolsListed) return "tools.pick_one";
  return state.toolsKind == kZebKind ? "tools.repair_hint" : "tools.repair_unsupported";
}

const char* differenceKey(uint8_t kind) {
  switch (kind) {
    case CompareRow::OnlyInArchive:
      return "tools.difference_only_archive";
    case CompareRow::OnlyInFolder:
      return "tools.difference_only_folder";
    case CompareRow::SizeDiffers:
      return "tools.difference_size";
    case CompareRow::TimeDiffers:
      return "tools.difference_time";
    default:
      return "tools.difference_content";
  }
}

float paintToolsPage(Canvas& canvas, const IconSet& icons, const PageState& state, Rect page, HitRegions& regions) {
  const PageColumn column = pageColumn(page, state.scrollOffset, kToolsMinimumWidth);
  const PagePainter painter{canvas, icons, state, regions, state.interaction(), column.left, column.right};
  const float y0 = paintPageHeading(canvas, column.left, column.right, column.top, "tools.title", "tools.subtitle");

  float bottom = paintToolsArchiveCard(painter, y0 + 94);
  if (state.toolsLocked && !state.toolsListed) bottom = paintToolsPasswordCard(painter, bottom + kCardGap);
  bottom = paintNoteCard(painter, bottom + kCardGap, 116, "tools.checks_panel", "tools.checks_note", 50, 14);
  bottom = paintDetailsCard(painter, bottom + kCardGap);
  bottom = paintSplitCard(painter, bottom + kCardGap);
  bottom = paintRepairCard(painter, bottom + kCardGap);
  bottom = paintDuplicatesCard(painter, bottom + kCardGap);
  bottom = paintCompareCard(painter, bottom + kCardGap);
  bottom = paintNoteCard(painter, bottom + kCardGap, 96, "tools.cli_panel", "tools.cli_note", 44, 14);
  return bottom + 24 - y0 + 24;
}

}  // namespace tolzeb::ui
