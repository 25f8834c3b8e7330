// The compress page: a column of cards from what to pack down to the start button. Encryption and
// the recovery record exist only for a ".zeb", so their cards shrink to a note for other formats.
#include "ui/app/compress_page.h"

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "engine/core/fs.h"
#include "ui/app/command_ids.h"
#include "ui/app/form_rules.h"
#include "ui/app/page_painters.h"
#include "ui/app/segment_choices.h"
#include "ui/foundation/format.h"
#include "ui/foundation/localisation.h"
#include "ui/foundation/palette.h"
#include "ui/foundation/widgets.h"

namespace tolzeb::ui {
namespace {

using i18n::Arg;
using i18n::translate;

constexpr Color kRemoveCrossColor = rgb(180, 185, 193);  // the remove cross at rest

constexpr float kCompressMinimumWidth = 320;
constexpr float kSourcesHeight = 308;
constexpr float kCompressDestinationHeight = 116;
constexpr float kFormatHeight = 142;
constexpr float kModesHeight = 250;
constexpr float kSourceRowHeight = 44;
constexpr float kCompressSegmentHeight = 40;
constexpr float kFormatSegmentWidth = 160;
constexpr float kModeSegmentsWidth = 460;
constexpr int32_t kRecoveryPercentMax = 30;
// The buttons' widths when their labels fit; a longer label widens its button.
constexpr float kAddFilesWidth = 140;
constexpr float kAddFolderWidth = 156;
constexpr float kButtonGap = 8;
constexpr float kCompressChooseWidth = 138;
constexpr float kCompressStartWidth = 210;

constexpr uint16_t kAddFiles = 24;
constexpr uint16_t kAddFolder = 25;
constexpr uint16_t kClearSources = 26;
constexpr uint16_t kSourceRow = 27;
constexpr uint16_t kCompressChooseDestination = 28;
constexpr uint16_t kCompressVerify = 35;
constexpr uint16_t kDictionary = 36;
constexpr uint16_t kEncrypt = 37;
constexpr uint16_t kRecovery = 40;
constexpr uint16_t kCompressStart = 42;

constexpr std::array<SegmentChoice, 3> kFormats = {{
    {29, 1, "format.zeb", "format.note_zeb"},
    {30, 2, "format.zip", "format.note_zip"},
    {31, 5, "format.sevenzip", "format.note_7z"},
}};
constexpr std::array<SegmentChoice, 3> kModes = {{
    {32, 0, "mode.lightning", "mode.lightning_note"},
    {33, 1, "mode.balanced", "mode.balanced_note"},
    {34, 2, "mode.compact", "mode.compact_note"},
}};

// What every card painter needs: where to draw, the column and the form.

bool zebFormat(const PageState& state) { return state.compressFormat == 1; }

// The fill, focus cue and region of a quiet button, with its icon centred: the button widget
// puts an icon at the start of a label, which would stand outside a button this narrow.
void paintIconButton(const PagePainter& page, Rect rect, uint16_t command, Icon icon) {
  drawButton(page.canvas, page.icons, page.interaction, page.regions, rect, L"", command, ButtonStyle::Quiet,
             Icon::None, true);
  page.canvas.drawIcon(page.icons, icon, rect, palette::textPrimary, 18);
}

void paintSourceRow(const PagePainter& page, const std::wstring& path, int32_t index, float top) {
  Canvas& canvas = page.canvas;
  const Rect row{page.left + 14, top, page.right - 14, top + kSourceRowHeight};
  const bool hovered = page.state.hoverId == kSourceRow && page.state.hoverIndex == index;
  if (hovered) canvas.fillRoundedRect(row, 6, palette::hoverOverlay);
  const Rect iconBox{row.left + 8, row.top, row.left + 34, row.bottom};
  if (isDirectory(path)) {
    canvas.drawIcon(page.icons, Icon::Folder, iconBox, palette::textSecondary, 18);
  } else {
    canvas.drawIcon(page.icons, Icon::Document, iconBox, palette::brandRed, 18);
  }
  const std::wstring shown = fitText(canvas, path, TextStyle::Body, row.width() - 86);
  drawCentredText(canvas, shown, TextStyle::Body, {row.left + 40, row.top, row.right - 44, row.bottom},
                  palette::textPrimary, TextAlign::Leading);
  canvas.drawIcon(page.icons, Icon::Close, {row.right - 34, row.top + 10, row.right - 10, row.bottom - 10},
                  hovered ? palette::brandRed : kRemoveCrossColor, 14);
  addHitRegion(page.regions, row, kSourceRow, index, true);
}

// At most the rows that fit above the card's bottom margin, then a count of the rest.
float paintSourcesCard(const PagePainter& page, float top) {
  const float L = page.left, R = page.right;
  const std::vector<std::wstring>& sources = page.state.compressSources;
  page.card(top, kSourcesHeight, "compress.sources_panel");
  // Both buttons keep their places from the right and grow leftwards when a label needs more room.
  const std::wstring addFiles = translate("compress.add_files");
  const std::wstring addFolder = translate("compress.add_folder");
  const float folderLeft = R - 42 - buttonWidthFor(page.canvas, addFolder, Icon::Folder, kAddFolderWidth);
  const float filesRight = folderLeft - kButtonGap;
  const float filesLeft = filesRight - buttonWidthFor(page.canvas, addFiles, Icon::Add, kAddFilesWidth);
  drawButton(page.canvas, page.icons, page.interaction, page.regions, {filesLeft, top + 14, filesRight, top + 50},
             addFiles, kAddFiles, ButtonStyle::Secondary, Icon::Add, true);
  drawButton(page.canvas, page.icons, page.interaction, page.regions, {folderLeft, top + 14, R - 42, top + 50},
             addFolder, kAddFolder, ButtonStyle::Secondary, Icon::Folder, true);
  if (sources.empty()) {
    drawCentredText(page.canvas, translate("compress.empty"), TextStyle::Body, {L + 22, top + 62, R - 22, top + 294},
                    palette::textSecondary, TextAlign::Centre);
    return top + kSourcesHeight;
  }
  paintIconButton(page, {R - 34, top + 14, R - 14, top + 50}, kClearSources, Icon::Close);

  const float listBottom = top + kSourcesHeight - 10;
  page.canvas.pushClip({L + 2, top + 62, R - 2, listBottom});
  float rowTop = top + 62;
  for (size_t i = 0; i < sources.size(); ++i, rowTop += kSourceRowHeight) {
    if (rowTop + kSourceRowHeight > listBottom) {
      const auto rest = static_cast<int64_t>(sources.size() - i);
      page.text(i18n::translateWithArgs("compress.more_items", {Arg("count", i18n::formatInteger(rest))}),
                TextStyle::Caption, {L + 22, rowTop, R - 22, rowTop + 24}, palette::textSecondary);
      break;
    }
    paintSourceRow(page, sources[i], static_cast<int32_t>(i), rowTop);
  }
  page.canvas.popClip();
  return top + kSourcesHeight;
}

void segments(const PagePainter& page, const std::array<SegmentChoice, 3>& choices, float top, float segmentWidth,
              uint8_t selected) {
  drawSegmentChoices(page.canvas, page.interaction, page.regions, choices, page.left + 22, top, segmentWidth,
                     kCompressSegmentHeight, selected);
}

float paintCompressDestinationCard(const PagePainter& page, float top) {
  const float L = page.left, R = page.right;
  page.card(top, kCompressDestinationHeight, "compress.destination_panel");
  const std::wstring choose = translate("compress.choose");
  const float chooseLeft = R - 22 - buttonWidthFor(page.canvas, choose, Icon::None, kCompressChooseWidth);
  drawPathBox(page.canvas, {L + 22, top + 56, chooseLeft - 12, top + 98}, page.state.compressDestination,
              translate("compress.no_destination"));
  drawButton(page.canvas, page.icons, page.interaction, page.regions, {chooseLeft, top + 56, R - 22, top + 98}, choose,
             kCompressChooseDestination, ButtonStyle::Secondary, Icon::None, true);
  return top + kCompressDestinationHeight;
}

float paintFormatCard(const PagePainter& page, float top) {
  page.card(top, kFormatHeight, "compress.format_panel");
  segments(page, kFormats, top + 54, kFormatSegmentWidth, page.state.compressFormat);
  page.note(formatNoteKey(page.state.compressFormat), {page.left + 22, top + 102, page.right - 22, top + 130});
  return top + kFormatHeight;
}

float paintModesCard(const PagePainter& page, float top) {
  const float L = page.left, R = page.right;
  const PageState& state = page.state;
  page.card(top, kModesHeight, "compress.modes_panel");
  const float segmentWidth = std::min(page.width() - 44, kModeSegmentsWidth) / 3;
  segments(page, kModes, top + 54, segmentWidth, state.compressMode);
  if (const char* modeNote = compressionModeNoteKey(state.compressMode)) {
    page.note(modeNote, {L + 22, top + 102, R - 22, top + 124});
  }
  drawCheckBox(page.canvas, page.interaction, page.regions, {L + 22, top + 132, L + 420, top + 160},
               translate("compress.verify"), kCompressVerify, state.compressVerify, true);
  drawCheckBox(page.canvas, page.interaction, page.regions, {L + 22, top + 172, L + 460, top + 200},
               translate("compress.dictionary"), kDictionary, state.compressDictionary, true);
  page.note(state.compressDictionary ? "compress.dictionary_note_on" : "compress.dictionary_note_off",
            {L + 22, top + 204, R - 22, top + 244});
  return top + kModesHeight;
}

// The check box stays usable whatever the format: the home page's "secure" card can tick it for
// a format that has no encryption, and the card then says why nothing more is asked.
float paintCompressPasswordCard(const PagePainter& page, float top) {
  const float L = page.left, R = page.right;
  const PageState& state = page.state;
  const bool fields = state.compressEncrypt && zebFormat(state);
  const float height = fields ? 210 : 126;
  page.card(top, height, "compress.password_panel");
  drawCheckBox(page.canvas, page.interaction, page.regions, {L + 22, top + 54, L + 560, top + 82},
               translate("compress.encrypt_toggle"), kEncrypt, state.compressEncrypt, true);
  if (!zebFormat(state)) {
    page.note("compress.password_unavailable", {L + 22, top + 84, R - 22, top + 114});
  } else if (!state.compressEncrypt) {
    page.note("compress.password_why", {L + 22, top + 84, R - 22, top + 114});
  } else {
    const float g = std::min(page.width() / 2 - 40, 360.0f);
    const float repeatLeft = L + 42 + g;
    page.note("compress.password_label", {L + 22, top + 94, L + 22 + g, top + 114});
    drawTextField(page.canvas, page.interaction, page.regions, {L + 22, top + 116, L + 22 + g, top + 158},
                  state.compressPassword, command_ids::kCompressPassword, translate("compress.password_placeholder"));
    page.note("compress.repeat_label", {repeatLeft, top + 94, repeatLeft + g, top + 114});
    drawTextField(page.canvas, page.interaction, page.regions, {repeatLeft, top + 116, repeatLeft + g, top + 158},
                  state.compressPasswordRepeat, command_ids::kCompressPasswordRepeat, translate("compress.repeat_placeholder"));
    const std::wstring& password = state.compressPassword.text;
    const std::wstring& repeat = state.compressPasswordRepeat.text;
    const Rect noteRect{L + 22, top + 168, R - 22, top + 200};
    if (!password.empty() && !repeat.empty() && password != repeat) {
      page.note("compress.password_mismatch", noteRect, palette::brandRed);
    } else {
      page.note("compress.crypto_note", noteRect);
    }
  }
  return top + height;
}

float paintRecoveryCard(const PagePainter& page, float top) {
  const float L = page.left, R = page.right;
  const PageState& state = page.state;
  const bool slider = state.compressRecovery && zebFormat(state);
  if (!slider) {
    page.card(top, 126, "compress.recovery_panel");
    drawCheckBox(page.canvas, page.interaction, page.regions, {L + 22, top + 54, L + 620, top + 82},
                 translate("compress.recovery_toggle"), kRecovery, false, true);
    page.note(zebFormat(state) ? "compress.recovery_why" : "compress.recovery_unavailable",
              {L + 22, top + 94, R - 22, top + 114});
    return top + 126;
  }
  const int32_t percent = std::clamp(state.compressRecoveryPercent, 1, kRecoveryPercentMax);
  const float sliderEnd = std::min(L + 560, R - 320);
  const std::wstring share = i18n::translateWithArgs("unit.percent", {Arg("count", i18n::formatInteger(percent))});
  const std::wstring note =
      i18n::translateWithArgs("compress.recovery_note", {Arg("percent", share), Arg("repairs", share)});
  const std::wstring caveat = translate("compress.recovery_caveat");
  const Rect noteRect{std::max(sliderEnd + 18, L + 280), top + 99, R - 22, top + 125};
  // A longer translation or a narrow window wraps the note and the caveat: the caveat then moves
  // down below the note and the card grows, so that neither runs into the other or out of the card.
  const float noteBottom = noteRect.top + page.canvas.measureText(note, TextStyle::BodyStrong, noteRect.width()).height;
  const float caveatTop = std::max(top + 138, noteBottom + 8);
  const float caveatBottom =
      std::max(caveatTop + 34, caveatTop + page.canvas.measureText(caveat, TextStyle::Caption, R - L - 44).height);
  const float height = std::max(184.0f, caveatBottom + 12 - top);
  page.card(top, height, "compress.recovery_panel");
  drawCheckBox(page.canvas, page.interaction, page.regions, {L + 22, top + 54, L + 620, top + 82},
               translate("compress.recovery_toggle"), kRecovery, true, true);
  drawSlider(page.canvas, page.interaction, page.regions, {L + 22, top + 94, std::max(L + 260, sliderEnd), top + 128},
             recoverySliderValue(percent), command_ids::kRecoverySlider, translate("compress.recovery_slider"), true);
  page.text(note, TextStyle::BodyStrong,
            {noteRect.left, noteRect.top, noteRect.right, std::max(noteRect.bottom, noteBottom)}, palette::textPrimary);
  page.text(caveat, TextStyle::Caption, {L + 22, caveatTop, R - 22, caveatBottom}, palette::textSecondary);
  return top + height;
}

float paintCompressStartRow(const PagePainter& page, float top) {
  const bool ready = compressFormReady(page.state);
  const std::wstring label = translate("compress.start");
  const float right = page.left + buttonWidthFor(page.canvas, label, Icon::Archive, kCompressStartWidth);
  drawButton(page.canvas, page.icons, page.interaction, page.regions, {page.left, top, right, top + 48}, label, kCompressStart,
             ButtonStyle::Primary, Icon::Archive, ready);
  if (!ready) {
    page.text(translate(compressStartHintKey(page.state)), TextStyle::Body,
              {right + 16, top + 12, page.right, top + 40}, palette::textSecondary);
  }
  return top + 48;
}

}  // namespace

const char* compressStartHintKey(const PageState& state) {
  if (state.compressSources.empty()) return "compress.need_sources";
  if (state.compressDestination.empty()) return "compress.need_destination";
  return state.compressPassword.text.empty() ? "compress.need_password" : "compress.password_mismatch";
}

const char* formatNoteKey(uint8_t format) {
  for (const SegmentChoice& choice : kFormats) {
    if (choice.value == format) return choice.noteKey;
  }
  return "format.note_zeb";
}

const char* compressionModeNoteKey(uint8_t mode) {
  for (const SegmentChoice& choice : kModes) {
    if (choice.value == mode) return choice.noteKey;
  }
  return nullptr;
}

double recoverySliderValue(int32_t percent) {
  return (std::clamp(percent, 1, kRecoveryPercentMax) - 1) / double(kRecoveryPercentMax - 1);
}

float paintCompressPage(Canvas& canvas, const IconSet& icons, const PageState& state, Rect page, HitRegions& regions) {
  const PageColumn column = pageColumn(page, state.scrollOffset, kCompressMinimumWidth);
  const PagePainter painter{canvas, icons, state, regions, state.interaction(), column.left, column.right};
  const float y0 =
      paintPageHeading(canvas, column.left, column.right, column.top, "compress.title", "compress.subtitle");

  float bottom = paintSourcesCard(painter, y0 + 94);
  bottom = paintCompressDestinationCard(painter, bottom + kCardGap);
  bottom = paintFormatCard(painter, bottom + kCardGap);
  bottom = paintModesCard(painter, bottom + kCardGap);
  bottom = paintCompressPasswordCard(painter, bottom + kCardGap);
  bottom = paintRecoveryCard(painter, bottom + kCardGap);
  bottom = paintCompressStartRow(painter, bottom + 20);
  return bottom + 24 - (page.top - state.scrollOffset);
}

}  // namespace tolzeb::ui
