// The settings page: a column of cards, each value stored the moment it changes. The Explorer
// card reads the package state and menu switches the window last fetched; it never asks the
// system itself, so painting stays cheap and testable.
#include "ui/app/settings_page.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "engine/pipeline/processor_count.h"
#include "ui/app/menu_switches.h"
#include "ui/app/page_painters.h"
#include "ui/foundation/format.h"
#include "ui/foundation/languages.h"
#include "ui/foundation/localisation.h"
#include "ui/foundation/palette.h"
#include "ui/foundation/program_info.h"
#include "ui/foundation/settings.h"
#include "ui/foundation/widgets.h"

namespace tolzeb::ui {
namespace {

using i18n::Arg;
using i18n::translate;
using i18n::translateWithArgs;

constexpr float kSettingsMinimumWidth = 420;
constexpr float kSegmentsWidth = 520;
constexpr float kSettingsSegmentHeight = 38;
constexpr float kSegmentLabelRoom = 24;  // the gaps between segments and a margin either side of the label

constexpr float kLanguageHeight = 172;
constexpr float kCompressionHeight = 380;
constexpr float kIntegrityHeight = 296;
constexpr float kExtractionHeight = 240;
constexpr float kExplorerHeight = 438;
constexpr float kClassicHeight = 214;
constexpr float kStorageHeight = 152;
constexpr float kAboutHeight = 128;

constexpr uint16_t kDefaultMode = 90;
constexpr uint16_t kSettingsVerify = 91;
constexpr uint16_t kBlockHashes = 92;
constexpr uint16_t kThreads = 93;
constexpr uint16_t kMemory = 94;
constexpr uint16_t kBlockSize = 95;
constexpr uint16_t kOverwrite = 96;
constexpr uint16_t kRestoreTimes = 97;
constexpr uint16_t kRestoreAttributes = 98;
constexpr uint16_t kReset = 99;
constexpr uint16_t kOpenFolder = 100;
constexpr uint16_t kAbout = 101;
constexpr uint16_t kLanguageBox = 102;
constexpr uint16_t kFormatsFollowLanguage = 105;
constexpr uint16_t kRegister = 106;
constexpr uint16_t kUnregister = 107;
constexpr uint16_t kInstallMenu = 108;
constexpr uint16_t kRemoveMenu = 109;
constexpr uint16_t kCheckMenu = 110;
constexpr uint16_t kFirstMenuSwitch = 111;

constexpr uint8_t kPackageInstalled = 1;
constexpr uint8_t kPackageUpdateRequired = 2;
constexpr uint8_t kPackageUnsupported = 3;
constexpr uint8_t kPackageError = 4;

template <typename T, size_t N>
int32_t ladderIndex(const std::array<T, N>& ladder, T value, int32_t fallback) {
  const auto found = std::find(ladder.begin(), ladder.end(), value);
  return found == ladder.end() ? fallback : static_cast<int32_t>(found - ladder.begin());
}

std::vector<std::wstring> keyLabels(std::initializer_list<const char*> keys) {
  std::vector<std::wstring> labels;
  for (const char* key : keys) labels.push_back(translate(key));
  return labels;
}

float paintLanguageCard(const PagePainter& page, float top, Rect& languageBox) {
  const Rect c = page.card(top, kLanguageHeight, "settings.language");
  const Interaction& in = page.interaction;
  const bool open = page.state.languageListOpen;
  page.text(translate("settings.language_choose"), TextStyle::Body, {c.left + 22, c.top + 52, c.right - 22, c.top + 76},
            palette::textSecondary);

  const Rect box{c.left + 22, c.top + 84, c.left + 302, c.top + 124};
  languageBox = box;
  const bool hovered = !open && in.hoverId == kLanguageBox;
  page.canvas.fillRoundedRect(box, 8, open ? palette::brandTint : palette::white);
  if (hovered) page.canvas.fillRoundedRect(box, 8, palette::hoverOverlay);
  page.canvas.drawRoundedRect(box, 8, open || hovered ? palette::brandRed : palette::divider, 1);
  drawCentredText(page.canvas, i18n::currentLanguage().nativeName, TextStyle::BodyStrong,
                  {box.left + 14, box.top, box.right - 34, box.bottom}, palette::textPrimary, TextAlign::Leading);
  page.canvas.drawIcon(page.icons, Icon::ChevronRight, {box.right - 32, box.top, box.right - 8, box.bottom},
                       palette::textSecondary, 18);
  if (in.showFocus && in.focusId == kLanguageBox) drawFocusRing(page.canvas, box, 8);
  addHitRegion(page.regions, box, kLanguageBox, -1, true);

  page.checkBox({c.left + 322, c.top + 90, c.right - 22, c.top + 118}, "settings.language_follow_format",
                kFormatsFollowLanguage, page.state.settings.formatFollowsLanguage);
  page.note("settings.language_note", {c.left + 22, c.bottom - 40, c.right - 22, c.bottom - 10});
  return c.bottom;
}

float choiceRow(const PagePainter& page, const char* captionKey, const std::vector<std::wstring>& labels, uint16_t id,
                int32_t selected, const char* noteKey, float y) {
  return drawChoiceRow(page.canvas, page.interaction, page.regions, translate(captionKey), labels, id, selected,
                       translate(noteKey), page.left + 22, y, page.right - 22);
}

float paintCompressionCard(const PagePainter& page, float top) {
  const Settings& settings = page.state.settings;
  const Rect c = page.card(top, kCompressionHeight, "settings.compression_panel");
  float y = choiceRow(page, "settings.default_mode", keyLabels({"mode.lightning", "mode.balanced", "mode.compact"}),
                      kDefaultMode, settings.mode, "settings.default_mode_note", c.top + 58);

  std::vector<std::wstring> threads = {translateWithArgs(
      "settings.threads_auto", {Arg("count", i18n::formatInteger(static_cast<int64_t>(processorCount())))})};
  for (size_t k = 1; k < kThreadLadder.size(); ++k) threads.push_back(i18n::formatInteger(kThreadLadder[k]));
  y = choiceRow(page, "settings.threads", threads, kThreads, threadLadderIndex(settings.threads),
                "settings.threads_note", y + 8);

  const std::vector<std::wstring> memory = {megabytesText(128), megabytesText(256), megabytesText(512),
                                            gigabytesText(1), gigabytesText(2)};
  choiceRow(page, "settings.memory", memory, kMemory, memoryLadderIndex(settings.memoryBytes), "settings.memory_note",
            y + 8);
  return c.bottom;
}

float paintIntegrityCard(const PagePainter& page, float top) {
  const Settings& settings = page.state.settings;
  const Rect c = page.card(top, kIntegrityHeight, "settings.integrity_panel");
  const std::vector<std::wstring> sizes = {kilobytesText(256), kilobytesText(512), megabytesText(1), megabytesText(2),
                                           megabytesText(4)};
  float y = choiceRow(page, "settings.block_size", sizes, kBlockSize, chunkLadderIndex(settings.chunkBytes),
                      "settings.block_size_note", c.top + 58);
  y += 10;
  page.checkBox({c.left + 22, y, c.left + 560, y + 28}, "settings.verify", kSettingsVerify, settings.verify);
  y += 36;
  page.checkBox({c.left + 22, y, c.left + 560, y + 28}, "settings.block_hashes", kBlockHashes, settings.blockHashes);
  y += 38;
  page.note("settings.integrity_note", {c.left + 22, y, c.right - 22, y + 44});
  return c.bottom;
}

float paintExtractionCard(const PagePainter& page, float top) {
  const Settings& settings = page.state.settings;
  const Rect c = page.card(top, kExtractionHeight, "settings.extraction_panel");
  float y = choiceRow(page, "settings.overwrite",
                      keyLabels({"extract.policy_stop", "extract.policy_skip", "extract.policy_replace"}), kOverwrite,
                      settings.overwrite, "settings.overwrite_note", c.top + 58);
  y += 10;
  page.checkBox({c.left + 22, y, c.left + 560, y + 28}, "settings.restore_timestamps", kRestoreTimes,
                settings.restoreTimestamps);
  y += 36;
  page.checkBox({c.left + 22, y, c.left + 560, y + 28}, "settings.restore_attributes", kRestoreAttributes,
                settings.restoreAttributes);
  return c.bottom;
}

const char* packageStatusKey(uint8_t packageState) {
  switch (packageState) {
    case kPackageInstalled:
      return "settings.explorer_installed";
    case kPackageUpdateRequired:
      return "settings.explorer_update_required";
    case kPackageUnsupported:
      return "settings.explorer_unsupported";
    case kPackageError:
      return "settings.explorer_error";
    default:
      return "settings.explorer_not_installed";
  }
}

float paintExplorerCard(const PagePainter& page, float top) {
  const PageState& state = page.state;
  const Rect c = page.card(top, kExplorerHeight, "settings.explorer_panel");
  const float l = c.left, r = c.right, t = c.top;
  const uint8_t package = state.packageState;
  const bool supported = package != kPackageUnsupported;
  const bool present = package == kPackageInstalled || package == kPackageUpdateRequired;

  page.text(translate(packageStatusKey(package)), TextStyle::BodyStrong, {l + 22, t + 46, r - 22, t + 74},
            present ? palette::brandRed : palette::textSecondary);
  page.text(state.packageMessage, TextStyle::Caption, {l + 22, t + 82, r - 22, t + 118}, palette::textSecondary);

  const bool menuOn = explorerMenuSwitchShown(state, 0);
  page.checkBox({l + 22, t + 132, l + 560, t + 160}, "settings.explorer_show_menu", kFirstMenuSwitch, menuOn,
                supported);
  static constexpr const char* kSwitchKeys[] = {"settings.explorer_compress", "settings.explorer_extract_here",
                                                "settings.explorer_extract_to_folder", "settings.explorer_test"};
  for (size_t k = 0; k < std::size(kSwitchKeys); ++k) {
    const float y = t + 170 + 34 * static_cast<float>(k);
    page.checkBox({l + 48, y, l + 560, y + 26}, kSwitchKeys[k], static_cast<uint16_t>(kFirstMenuSwitch + 1 + k),
                  explorerMenuSwitchShown(state, k + 1), supported && menuOn);
  }
  page.note(supported ? "settings.explorer_note_supported" : "settings.explorer_note_unsupported",
            {l + 22, t + 312, r - 22, t + 368});

  const float by = t + 382;
  float x =
      page.buttonFrom(l + 22, by, by + 38, 200, present ? "settings.explorer_reinstall" : "settings.explorer_install",
                      kInstallMenu, ButtonStyle::Primary, supported);
  x = page.buttonFrom(x + 12, by, by + 38, 196, "settings.explorer_remove", kRemoveMenu, ButtonStyle::Secondary,
                      present);
  page.buttonFrom(x + 12, by, by + 38, 150, "settings.explorer_check", kCheckMenu, ButtonStyle::Quiet);
  return c.bottom;
}

// Removal stays offered while anything of this program is left in the registry, even after
// another program took ".zeb": otherwise our verbs could never be cleaned up from here.
float paintClassicCard(const PagePainter& page, float top) {
  const AssociationState& association = page.state.association;
  const Rect c = page.card(top, kClassicHeight, "settings.classic_panel");
  const float l = c.left, r = c.right, t = c.top, b = c.bottom;
  const bool registered = association.extensionPointsHere;
  page.text(translate(registered ? "settings.classic_registered" : "settings.classic_not_registered"), TextStyle::Body,
            {l + 22, t + 50, r - 22, t + 96}, registered ? palette::textPrimary : palette::textSecondary);
  page.note("settings.classic_note", {l + 22, t + 96, r - 22, b - 72});
  const float registerRight = page.buttonFrom(l + 22, b - 56, b - 18, 204,
                                              registered ? "settings.classic_reregister" : "settings.classic_register",
                                              kRegister, ButtonStyle::Primary);
  const float removeRight = page.buttonFrom(registerRight + 12, b - 56, b - 18, 162, "settings.classic_remove",
                                            kUnregister, ButtonStyle::Quiet, registered || association.entriesPresent);
  if (!association.openCommand.empty()) {
    const Rect line{removeRight + 16, b - 44, std::max(r - 22, removeRight + 16), b - 22};
    page.text(fitText(page.canvas, association.openCommand, TextStyle::Caption, std::max(line.width(), 0.0f)),
              TextStyle::Caption, line, palette::textSecondary);
  }
  return c.bottom;
}

float paintStorageCard(const PagePainter& page, float top) {
  const Rect c = page.card(top, kStorageHeight, "settings.storage_panel");
  const float l = c.left, r = c.right, t = c.top, b = c.bottom;
  const float resetLeft = r - 22 - page.widthFor("settings.reset", Icon::None, 118);
  const float openLeft = resetLeft - 12 - page.widthFor("settings.open_folder", Icon::Folder, 154);
  page.text(translate("settings.storage_note"), TextStyle::Body,
            {l + 22, t + 52, std::min(r - 320, openLeft - 14), t + 96}, palette::textSecondary);
  const float pathRight = openLeft - 12;
  const std::wstring path = settingsPath();
  const std::wstring shown = path.empty()
                                 ? translate("settings.storage_missing")
                                 : fitText(page.canvas, path, TextStyle::Caption, std::max(pathRight - (l + 22), 0.0f));
  page.text(shown, TextStyle::Caption, {l + 22, b - 46, pathRight, b - 22}, palette::textSecondary);
  page.button({openLeft, b - 56, resetLeft - 12, b - 18}, "settings.open_folder", kOpenFolder, ButtonStyle::Secondary,
              !path.empty(), Icon::Folder);
  page.button({resetLeft, b - 56, r - 22, b - 18}, "settings.reset", kReset, ButtonStyle::Quiet);
  return c.bottom;
}

float paintAboutCard(const PagePainter& page, float top) {
  const Rect c = page.card(top, kAboutHeight, "settings.about");
  const float l = c.left, r = c.right, t = c.top, b = c.bottom;
  const std::wstring version = versionText();
  const std::wstring line =
      version.empty() ? translate("settings.about_no_version") : translate("app.brand") + L" " + version;
  page.text(line, TextStyle::BodyStrong, {l + 22, t + 52, r - 220, t + 76}, palette::textPrimary);
  page.note("settings.about_note", {l + 22, t + 78, r - 220, b - 18});
  page.buttonTo(r - 22, b - 60, b - 22, 178, "settings.about_button", kAbout, ButtonStyle::Secondary);
  return c.bottom;
}

}  // namespace

int32_t threadLadderIndex(uint32_t threads) { return ladderIndex(kThreadLadder, threads, 0); }
int32_t memoryLadderIndex(uint64_t bytes) { return ladderIndex(kMemoryLadder, bytes, 2); }
int32_t chunkLadderIndex(uint32_t bytes) { return ladderIndex(kChunkLadder, bytes, 3); }

std::wstring kilobytesText(int64_t n) { return translateWithArgs("unit.kb", {Arg("count", i18n::formatInteger(n))}); }
std::wstring megabytesText(int64_t n) { return translateWithArgs("unit.mb", {Arg("count", i18n::formatInteger(n))}); }
std::wstring gigabytesText(int64_t n) { return translateWithArgs("unit.gb", {Arg("count", i18n::formatInteger(n))}); }

bool explorerMenuSwitchShown(const PageState& state, size_t index) {
  return index < kMenuSwitchCount && menuSwitch(state.menuSettings, index);
}

float drawChoiceRow(Canvas& canvas, const Interaction& interaction, HitRegions& regions, const std::wstring& caption,
                    std::span<const std::wstring> labels, uint16_t id, int32_t selected, const std::wstring& note,
                    float x, float y, float right) {
  canvas.drawText(caption, TextStyle::BodyStrong, {x, y, right, y + 24}, palette::textPrimary, TextAlign::Leading);
  // Equal segments, widened together when a longer translation would not fit on one line.
  float widest = 0;
  for (const std::wstring& label : labels) {
    widest = std::max(widest, std::ceil(textWidth(canvas, label, TextStyle::BodyStrong)));
  }
  const float needed = (widest + kSegmentLabelRoom) * static_cast<float>(labels.size());
  const float width = std::clamp(right - x, 0.0f, std::max(kSegmentsWidth, needed));
  const float segment = labels.empty() ? 0 : width / static_cast<float>(labels.size());
  for (size_t k = 0; k < labels.size(); ++k) {
    const float segmentLeft = x + segment * static_cast<float>(k);
    const auto index = static_cast<int32_t>(k);
    drawListRow(canvas, interaction, regions, {segmentLeft, y + 28, segmentLeft + segment, y + 28 + kSettingsSegmentHeight},
                labels[k], id, index == selected, k == 0, k + 1 == labels.size(), index);
  }
  if (note.empty()) return y + 72;
  canvas.drawText(note, TextStyle::Caption, {x, y + 72, right, y + 94}, palette::textSecondary, TextAlign::Leading);
  return y + 96;
}

float paintSettingsPage(Canvas& canvas, const IconSet& icons, const PageState& state, Rect page, HitRegions& regions,
                        Rect& languageBox) {
  const PageColumn column = pageColumn(page, state.scrollOffset, kSettingsMinimumWidth);
  const PagePainter painter{canvas, icons, state, regions, state.interaction(), column.left, column.right};
  const float y0 =
      paintPageHeading(canvas, column.left, column.right, column.top, "settings.title", "settings.subtitle");

  float bottom = paintLanguageCard(painter, y0 + 94, languageBox);
  bottom = paintCompressionCard(painter, bottom + kCardGap);
  bottom = paintIntegrityCard(painter, bottom + kCardGap);
  bottom = paintExtractionCard(painter, bottom + kCardGap);
  bottom = paintExplorerCard(painter, bottom + kCardGap);
  bottom = paintClassicCard(painter, bottom + kCardGap);
  bottom = paintStorageCard(painter, bottom + kCardGap);
  bottom = paintAboutCard(painter, bottom + kCardGap);
  return bottom + 24 - y0 + 24;
}

}  // namespace tolzeb::ui
