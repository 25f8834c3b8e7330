// The extract page: the archive with what its listing found, the folder to extract into, what to
// do with files already there, and the start button.
#include "ui/app/extract_page.h"

#include <algorithm>
#include <array>
#include <string>

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

constexpr float kExtractMinimumWidth = 320;
constexpr float kExtractDestinationHeight = 116;
constexpr float kPolicyHeight = 156;
constexpr float kPolicySegmentHeight = 40;
constexpr float kPolicySegmentsWidth = 420;
// The buttons' widths when their labels fit; a longer label widens its button.
constexpr float kExtractChooseWidth = 138;
constexpr float kBrowseWidth = 178;
constexpr float kExtractAllWidth = 188;
constexpr float kExtractStartWidth = 190;

constexpr uint16_t kChooseArchive = 43;
constexpr uint16_t kExtractChooseDestination = 44;
constexpr uint16_t kExtractStart = 48;
constexpr uint16_t kExtractBrowse = 49;
constexpr uint16_t kExtractAll = 50;

constexpr std::array<SegmentChoice, 3> kPolicies = {{
    {45, 0, "extract.policy_stop", "extract.policy_stop_note"},
    {46, 1, "extract.policy_skip", "extract.policy_skip_note"},
    {47, 2, "extract.policy_replace", "extract.policy_replace_note"},
}};

// Why the archive cannot be used, what its listing found, or an invitation to choose one.
void paintStatusLine(const PagePainter& page, float top) {
  const float L = page.left, R = page.right;
  const PageState& state = page.state;
  if (!state.extractInfoMessage.empty()) {
    page.canvas.drawIcon(page.icons, Icon::Close, {L + 22, top, L + 44, top + 22}, palette::brandRed, 16);
    page.text(state.extractInfoMessage, TextStyle::Body, {L + 50, top, R - 22, top + 44}, palette::brandRed);
  } else if (state.extractListed) {
    const std::wstring summary = i18n::translateWithArgs(
        "extract.summary",
        {Arg("entries", i18n::translatePlural("count.entries", int64_t(state.extractEntryCount))),
         Arg("onDisk", formatBytes(state.extractArchiveSize)), Arg("extracted", formatBytes(state.extractTotalSize))});
    page.text(summary, TextStyle::Body, {L + 22, top, R - 22, top + 26}, palette::textSecondary);
  } else {
    page.text(translate("extract.pick_one"), TextStyle::Body, {L + 22, top, R - 22, top + 26}, palette::textSecondary);
  }
}

// A selection made in the viewer is shown with the way back to extracting everything.
void paintSelectionRow(const PagePainter& page, float s) {
  const float L = page.left, R = page.right;
  const PageState& state = page.state;
  // The buttons keep their places from the right and grow leftwards; the line gives way to them.
  const float browseLeft = R - 22 - page.widthFor("extract.browse", Icon::None, kBrowseWidth);
  if (!state.extractSelection.empty()) {
    const std::wstring line = i18n::translateWithArgs(
        "extract.partial_selection", {Arg("selected", i18n::formatInteger(int64_t(state.extractSelection.size()))),
                                      Arg("total", i18n::formatInteger(int64_t(state.extractEntryCount)))});
    const float allRight = browseLeft - 12;
    const float allLeft = allRight - page.widthFor("extract.extract_all_instead", Icon::None, kExtractAllWidth);
    page.text(line, TextStyle::BodyStrong, {L + 22, s, allLeft - 10, s + 26}, palette::brandRed);
    page.button({allLeft, s - 6, allRight, s + 30}, "extract.extract_all_instead", kExtractAll, ButtonStyle::Quiet);
  }
  if (state.extractListed) {
    page.button({browseLeft, s - 6, R - 22, s + 30}, "extract.browse", kExtractBrowse, ButtonStyle::Secondary);
  }
}

float paintExtractArchiveCard(const PagePainter& page, float top) {
  const float L = page.left, R = page.right;
  const PageState& state = page.state;
  const float height = state.extractLocked ? 282 : 206;
  drawCard(page.canvas, {L, top, R, top + height}, translate("extract.archive_panel"));
  const float chooseLeft = R - 22 - page.widthFor("extract.choose", Icon::None, kExtractChooseWidth);
  drawPathBox(page.canvas, {L + 22, top + 56, chooseLeft - 12, top + 98}, state.extractArchive,
              translate("extract.no_archive"));
  page.button({chooseLeft, top + 56, R - 22, top + 98}, "extract.choose", kChooseArchive, ButtonStyle::Secondary);
  paintStatusLine(page, top + 110);
  if (state.extractLocked) {
    page.text(translate("extract.password_label"), TextStyle::Caption, {L + 22, top + 140, L + 420, top + 160},
              palette::textSecondary);
    drawTextField(page.canvas, page.interaction, page.regions, {L + 22, top + 162, L + 422, top + 204},
                  state.extractPassword, command_ids::kExtractPassword, translate("extract.password_placeholder"));
  }
  paintSelectionRow(page, top + (state.extractLocked ? 220 : 144));
  return top + height;
}

float paintExtractDestinationCard(const PagePainter& page, float top) {
  const float L = page.left, R = page.right;
  drawCard(page.canvas, {L, top, R, top + kExtractDestinationHeight}, translate("extract.destination_panel"));
  const float chooseLeft = R - 22 - page.widthFor("extract.choose", Icon::None, kExtractChooseWidth);
  drawPathBox(page.canvas, {L + 22, top + 56, chooseLeft - 12, top + 98}, page.state.extractDestination,
              translate("extract.no_folder"));
  page.button({chooseLeft, top + 56, R - 22, top + 98}, "extract.choose", kExtractChooseDestination, ButtonStyle::Secondary);
  return top + kExtractDestinationHeight;
}

float paintPolicyCard(const PagePainter& page, float top) {
  const float L = page.left, R = page.right;
  const uint8_t selected = page.state.extractOverwrite;
  drawCard(page.canvas, {L, top, R, top + kPolicyHeight}, translate("extract.policy_panel"));
  const float segmentWidth = std::min(R - L - 44, kPolicySegmentsWidth) / 3;
  drawSegmentChoices(page.canvas, page.interaction, page.regions, kPolicies, L + 22, top + 54, segmentWidth,
                     kPolicySegmentHeight, selected);
  if (const char* note = overwritePolicyNoteKey(selected)) {
    page.text(translate(note), TextStyle::Caption, {L + 22, top + 104, R - 22, top + 144}, palette::textSecondary);
  }
  return top + kPolicyHeight;
}

float paintExtractStartRow(const PagePainter& page, float top) {
  const bool ready = extractFormReady(page.state);
  const float right = page.left + page.widthFor("extract.start", Icon::Extract, kExtractStartWidth);
  page.button({page.left, top, right, top + 48}, "extract.start", kExtractStart, ButtonStyle::Primary, ready, Icon::Extract);
  if (!ready) {
    page.text(translate(extractStartHintKey(page.state)), TextStyle::Body, {right + 16, top + 12, page.right, top + 40},
              palette::textSecondary);
  }
  return top + 48;
}

}  // namespace

const char* extractStartHintKey(const PageState& state) {
  if (state.extractArchive.empty()) return "extract.need_archive";
  if (state.extractDestination.empty()) return "extract.need_destination";
  return state.extractLocked ? "extract.need_password" : "extract.unreadable";
}

const char* overwritePolicyNoteKey(uint8_t policy) {
  for (const SegmentChoice& row : kPolicies) {
    if (row.value == policy) return row.noteKey;
  }
  return nullptr;
}

float paintExtractPage(Canvas& canvas, const IconSet& icons, const PageState& state, Rect page, HitRegions& regions) {
  const PageColumn column = pageColumn(page, state.scrollOffset, kExtractMinimumWidth);
  const PagePainter painter{canvas, icons, state, regions, state.interaction(), column.left, column.right};
  const float y0 = paintPageHeading(canvas, column.left, column.right, column.top, "extract.title", "extract.subtitle");

  float bottom = paintExtractArchiveCard(painter, y0 + 94);
  bottom = paintExtractDestinationCard(painter, bottom + kCardGap);
  bottom = paintPolicyCard(painter, bottom + kCardGap);
  bottom = paintExtractStartRow(painter, bottom + 20);
  return bottom + 24 - (page.top - state.scrollOffset);
}

}  // namespace tolzeb::ui
