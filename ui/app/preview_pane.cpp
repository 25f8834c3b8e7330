#include "ui/app/preview_pane.h"

#include <algorithm>
#include <cmath>

#include "ui/app/command_ids.h"
#include "ui/app/frame.h"
#include "ui/app/preview_facts.h"
#include "ui/foundation/format.h"
#include "ui/foundation/localisation.h"
#include "ui/foundation/palette.h"
#include "ui/foundation/widgets.h"

namespace tolzeb::ui {
namespace {

constexpr uint16_t kExtractPreviewed = 68;
constexpr uint16_t kExportPreviewed = 69;
constexpr uint16_t kRetryPreview = 70;
constexpr size_t kMaxTextLines = 400;
constexpr size_t kMaxTextChars = 24000;

void drawStateMessage(Canvas& canvas, Rect r, const std::wstring& title, const std::wstring& body) {
  const float c = (r.top + r.bottom) / 2;
  canvas.drawText(title, TextStyle::BodyStrong, {r.left, c - 34, r.right, c - 6}, palette::textPrimary,
                  TextAlign::Centre);
  if (!body.empty())
    canvas.drawText(body, TextStyle::Caption, {r.left, c - 2, r.right, c + 56}, palette::textSecondary,
                    TextAlign::Centre);
}

void stateTexts(PreviewState state, std::wstring& title, std::wstring& body) {
  const char* t = nullptr;
  const char* b = nullptr;
  switch (state) {
    case PreviewState::reading: t = "preview.state_reading", b = "preview.state_reading_body"; break;
    case PreviewState::stopped: t = "preview.state_stopped", b = "preview.state_stopped_body"; break;
    case PreviewState::protectedEntry: t = "preview.state_protected", b = "preview.state_protected_body"; break;
    case PreviewState::tooLarge: t = "preview.state_too_large", b = "preview.state_extract_to_open"; break;
    case PreviewState::unreadable: t = "preview.state_unreadable", b = "preview.state_unreadable_body"; break;
    case PreviewState::unsupported: t = "preview.state_unsupported", b = "preview.state_extract_to_open"; break;
    case PreviewState::failed: t = "preview.state_failed"; break;
    default: break;
  }
  title = t ? i18n::translate(t) : std::wstring();
  body = b ? i18n::translate(b) : std::wstring();
}

std::wstring kindLabel(PreviewKind kind) {
  switch (kind) {
    case PreviewKind::folder: return i18n::translate("preview.kind_folder");
    case PreviewKind::image: return i18n::translate("preview.kind_image");
    case PreviewKind::text: return i18n::translate("preview.kind_text");
    case PreviewKind::pdf: return i18n::translate("preview.kind_pdf");
    case PreviewKind::media: return i18n::translate("preview.kind_media");
    default: return i18n::translate("preview.kind_file");
  }
}

// The fact lines under a picture: three for a video's frame, one for a page or an image.
std::vector<std::wstring> pictureFactLines(const PreviewResult& r, float zoom) {
  if (r.kind == PreviewKind::media) return {videoFactsLine(r), audioFactsLine(r), lengthLine(r)};
  if (r.kind == PreviewKind::pdf) return {pdfFactsLine(r)};
  const PreviewImage& image = r.image;
  std::wstring percent =
      i18n::translateWithArgs("unit.percent", {i18n::Arg("count", i18n::formatInteger(std::llround(zoom * 100)))});
  return {i18n::translateWithArgs(
      "preview.image_line",
      {i18n::Arg("width", i18n::formatInteger(image.sourceWidth)), i18n::Arg("height", i18n::formatInteger(image.sourceHeight)),
       i18n::Arg("scaled", image.scaled ? i18n::translate("preview.image_scaled") : std::wstring()),
       i18n::Arg("zoom", percent)})};
}

void drawPicture(Canvas& canvas, const PreviewResult& r, Rect content) {
  const PreviewImage& image = r.image;
  const size_t lineCount = r.kind == PreviewKind::media ? 3 : 1;
  const float lines = float(lineCount) * 20 + 8;
  const float width = content.right - content.left;
  const float height = content.bottom - content.top - lines;
  const float z = std::min({1.0f, width / float(image.width), height / float(image.height)});
  const float w = z * float(image.width);
  const float h = z * float(image.height);
  const float left = content.left + (width - w) / 2;
  const float top = content.top + (height - h) / 2;
  const Rect picture{left, top, left + w, top + h};
  canvas.drawRoundedRect({left - 1, top - 1, left + w + 1, top + h + 1}, 3, palette::divider, 1);
  if (!canvas.drawPixels(picture, r.generation, image.pixels.data(), image.width, image.height, image.stride)) {
    drawStateMessage(canvas, content, i18n::translate("preview.undrawable"), i18n::translate("preview.undrawable_body"));
    return;
  }
  const std::vector<std::wstring> facts = pictureFactLines(r, z);
  for (size_t i = 0; i < facts.size(); ++i) {
    if (facts[i].empty()) continue;  // keeps its place
    const float y = content.bottom - lines + 8 + 20 * float(i);
    canvas.drawText(facts[i], TextStyle::Caption, {content.left, y, content.right, y + 20}, palette::textSecondary,
                    TextAlign::Centre);
  }
}

void drawText(Canvas& canvas, const PreviewResult& r, Rect content) {
  VisibleText shown = visibleTextLines(r.text);
  canvas.drawText(shown.text, TextStyle::Body, {content.left, content.top, content.right, content.bottom - 22},
                  palette::textPrimary, TextAlign::Leading);
  std::wstring status;
  if (shown.cut) {
    status = i18n::translateWithArgs(
        "preview.text_first_lines",
        {i18n::Arg("encoding", r.encodingName), i18n::Arg("shown", i18n::formatInteger(int64_t(shown.lines))),
         i18n::Arg("total", i18n::formatInteger(int64_t(r.lineCount))),
         i18n::Arg("truncated", r.textTruncated ? i18n::translate("preview.text_read_suffix") : std::wstring())});
  } else {
    status = i18n::translateWithArgs(
        "preview.text_lines",
        {i18n::Arg("encoding", r.encodingName), i18n::Arg("lines", i18n::translatePlural("count.lines", int64_t(r.lineCount))),
         i18n::Arg("truncated", r.textTruncated ? i18n::translate("preview.text_start_suffix") : std::wstring())});
  }
  canvas.drawText(status, TextStyle::Caption, {content.left, content.bottom - 22, content.right, content.bottom},
                  palette::textSecondary, TextAlign::Leading);
}

// A sound, or a video without a frame: its facts, one per line, empty lines keeping their place.
// Returns the number of lines placed.
size_t drawMediaFacts(Canvas& canvas, const IconSet& icons, const PreviewResult& r, Rect content) {
  const float cx = (content.left + content.right) / 2;
  canvas.drawIcon(icons, Icon::Document, {cx - 20, content.top + 36, cx + 20, content.top + 76}, palette::brandRed, 36);
  std::vector<std::wstring> lines;
  if (!r.videoCodec.empty() || r.hasVideo) lines.push_back(videoFactsLine(r));
  if (r.hasAudio) lines.push_back(audioFactsLine(r));
  lines.push_back(lengthLine(r));
  if (r.noVideoFrame) {
    lines.push_back(i18n::translate("preview.no_video_frame"));
  } else if (!r.hasVideo) {
    lines.push_back(i18n::translate("preview.audio_has_no_picture"));
  }
  for (size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].empty()) continue;
    const float y = content.top + 96 + 20 * float(i);
    canvas.drawText(lines[i], TextStyle::Caption, {content.left, y, content.right, y + 20}, palette::textSecondary,
                    TextAlign::Centre);
  }
  return lines.size();
}

// The play button of a sound and, once it plays, its position bar; or why it cannot play.
void drawPlayer(Canvas& canvas, const IconSet& icons, const PageState& state, Rect content, size_t linesAbove,
                HitRegions& regions) {
  const AudioPlayer::State& audio = state.audioState;
  const bool ours = audio.entryName == state.previewResult.entryName;
  const float cx = (content.left + content.right) / 2;
  const float y = content.top + 96 + 20 * float(linesAbove) + 14;
  const double shown = state.draggingSeek ? state.seekTarget : ours ? audio.position : 0;
  const char* label = "preview.play";
  if (ours && audio.state == AudioPlayer::kLoading) label = "preview.loading";
  if (ours && audio.state == AudioPlayer::kPlaying) label = "preview.pause";
  if (ours && audio.state == AudioPlayer::kEnded) label = "preview.play_again";
  drawButton(canvas, icons, state.interaction(), regions, {cx - 70, y, cx + 70, y + 38}, i18n::translate(label),
             command_ids::kPlayAudio, ButtonStyle::Secondary, Icon::None, !(ours && audio.state == AudioPlayer::kLoading));
  const bool positioned = audio.state == AudioPlayer::kPlaying || audio.state == AudioPlayer::kPaused ||
                          audio.state == AudioPlayer::kEnded;
  if (ours && positioned && audio.duration > 0) {
    drawSlider(canvas, state.interaction(), regions, {content.left, y + 52, content.right, y + 76},
               std::clamp(shown / audio.duration, 0.0, 1.0), command_ids::kAudioSeek, L"", true);
    canvas.drawText(audioPositionText(audio, shown), TextStyle::Caption, {content.left, y + 78, content.right, y + 100},
                    palette::textSecondary, TextAlign::Centre);
  } else if (ours && audio.state == AudioPlayer::kError && !audio.message.empty()) {
    canvas.drawText(audio.message, TextStyle::Caption, {content.left, y + 48, content.right, y + 92},
                    palette::brandRed, TextAlign::Centre);
  }
}

}  // namespace

std::wstring entryDisplayName(const std::wstring& entryName) {
  const size_t slash = entryName.rfind(L'/');
  return slash == std::wstring::npos ? entryName : entryName.substr(slash + 1);
}

VisibleText visibleTextLines(const std::wstring& text) {
  VisibleText out;
  size_t start = 0;
  while (start < text.size()) {
    if (out.lines == kMaxTextLines || (out.lines > 0 && start >= kMaxTextChars)) {
      out.cut = true;
      break;
    }
    const size_t feed = text.find(L'\n', start);
    start = feed == std::wstring::npos ? text.size() : feed + 1;
    ++out.lines;
  }
  out.text = text.substr(0, start);
  return out;
}

void drawPreviewSplitter(Canvas& canvas, const PageState& state, Rect splitter, HitRegions& regions) {
  const bool active = state.draggingSplitter || state.hoverId == command_ids::kPreviewSplitter;
  canvas.fillRect(splitter, active ? palette::hoverOverlay : frame_colors::windowBackground);
  const float cx = (splitter.left + splitter.right) / 2;
  const float cy = (splitter.top + splitter.bottom) / 2;
  for (float dy : {-12.0f, -6.0f, 0.0f, 6.0f, 12.0f})
    canvas.fillEllipse({cx, cy + dy}, 1.4f, active ? palette::brandRed : palette::divider);
  addHitRegion(regions, splitter, command_ids::kPreviewSplitter, -1, false);
}

void drawPreviewPane(Canvas& canvas, const IconSet& icons, const PageState& state, Rect pane, HitRegions& regions) {
  const PreviewResult& r = state.previewResult;
  const bool picked = state.viewerSelectedRow != -1;
  canvas.fillRect(pane, palette::white);
  canvas.drawLine({pane.left, pane.top}, {pane.left, pane.bottom}, palette::divider, 1);

  std::wstring title = picked ? entryDisplayName(r.entryName) : i18n::translate("preview.pane");
  title = fitText(canvas, title, TextStyle::BodyStrong, pane.right - pane.left - 90);
  drawCentredText(canvas, title, TextStyle::BodyStrong, {pane.left + 18, pane.top, pane.right - 58, pane.top + 46},
                  palette::textPrimary, TextAlign::Leading);
  drawButton(canvas, icons, state.interaction(), regions, {pane.right - 50, pane.top + 8, pane.right - 14, pane.top + 38},
             L"", command_ids::kTogglePreviewPane, ButtonStyle::Quiet, Icon::Close, true);
  canvas.drawLine({pane.left, pane.top + 46}, {pane.right, pane.top + 46}, palette::divider, 1);

  const bool failedState = r.state == PreviewState::stopped || r.state == PreviewState::protectedEntry ||
                           r.state == PreviewState::failed;
  const bool laterKind = r.kind == PreviewKind::pdf || r.kind == PreviewKind::media;
  const bool band = picked && r.state != PreviewState::idle;
  const float h = !band ? 18 : (failedState && laterKind ? 160 : 112);
  const Rect content{pane.left + 18, pane.top + 64, pane.right - 18, pane.bottom - h};
  const float cx = (content.left + content.right) / 2;

  canvas.pushClip(content);
  size_t factLines = 0;
  const bool hasPicture = r.image.width && r.image.height && !r.image.pixels.empty();
  if (!picked) {
    drawStateMessage(canvas, content, i18n::translate("preview.nothing_picked"),
                     i18n::translate("preview.nothing_picked_body"));
  } else if (r.state == PreviewState::ready && hasPicture &&
             (r.kind == PreviewKind::image || laterKind)) {
    drawPicture(canvas, r, content);
  } else if (r.state == PreviewState::ready && r.kind == PreviewKind::text) {
    drawText(canvas, r, content);
  } else if (r.state == PreviewState::ready && r.kind == PreviewKind::folder) {
    canvas.drawIcon(icons, Icon::Folder, {cx - 22, content.top + 40, cx + 22, content.top + 84},
                    palette::textSecondary, 40);
    drawStateMessage(canvas, content, i18n::translate("preview.kind_folder"), i18n::translate("preview.folder_body"));
  } else if (r.state == PreviewState::ready && r.kind == PreviewKind::media) {
    factLines = drawMediaFacts(canvas, icons, r, content);
  } else if (r.state == PreviewState::ready) {
    canvas.drawIcon(icons, Icon::Document, {cx - 20, content.top + 40, cx + 20, content.top + 80},
                    palette::brandRed, 36);
    drawStateMessage(canvas, content, r.typeLabel.empty() ? kindLabel(r.kind) : r.typeLabel,
                     i18n::translate("preview.unsupported_body"));
  } else {
    std::wstring stateTitle, stateBody;
    stateTexts(r.state, stateTitle, stateBody);
    drawStateMessage(canvas, content, stateTitle, r.message.empty() ? stateBody : r.message);
  }
  canvas.popClip();

  if (picked && r.kind == PreviewKind::media && r.hasAudio && !r.hasVideo && state.audioAvailable)
    drawPlayer(canvas, icons, state, content, factLines, regions);

  if (!band) return;
  const float x0 = pane.left + 18;
  const float x1 = pane.right - 18;
  const float w = x1 - x0;
  const float y0 = pane.bottom - h;
  canvas.drawLine({x0, y0}, {x1, y0}, palette::divider, 1);
  std::wstring typeLine = (r.typeLabel.empty() ? kindLabel(r.kind) : r.typeLabel) + L"  \u00B7  " +
                          (r.kind == PreviewKind::folder ? r.entryName : formatBytes(r.entrySize));
  canvas.drawText(fitText(canvas, typeLine, TextStyle::Caption, pane.right - pane.left - 36), TextStyle::Caption,
                  {x0, y0 + 10, x1, y0 + 32}, palette::textSecondary, TextAlign::Leading);
  if (r.modified != 0)
    canvas.drawText(formatTimestamp(r.modified), TextStyle::Caption, {x0, y0 + 30, x1, y0 + 52},
                    palette::textSecondary, TextAlign::Leading);
  const bool exports = laterKind;
  const std::wstring actionLabel = i18n::translate(exports ? "preview.export" : "preview.extract");
  const uint16_t action = exports ? kExportPreviewed : kExtractPreviewed;
  const bool actionEnabled = r.kind != PreviewKind::folder && !r.entryName.empty();
  const Interaction interaction = state.interaction();
  const float bottom = pane.bottom;
  if (failedState && laterKind) {
    drawButton(canvas, icons, interaction, regions, {x0, bottom - 100, x0 + std::min(w, 228.0f), bottom - 62},
               actionLabel, action, ButtonStyle::Secondary, Icon::Extract, actionEnabled);
    drawButton(canvas, icons, interaction, regions, {x0, bottom - 52, x0 + std::min(w, 140.0f), bottom - 14},
               i18n::translate("preview.retry"), kRetryPreview, ButtonStyle::Quiet, Icon::None, true);
  } else if (failedState) {
    const float a = std::min((w - 10) * 0.62f, 168.0f);
    drawButton(canvas, icons, interaction, regions, {x0, bottom - 52, x0 + a, bottom - 14}, actionLabel, action,
               ButtonStyle::Secondary, Icon::Extract, actionEnabled);
    drawButton(canvas, icons, interaction, regions, {x0 + a + 10, bottom - 52, x1, bottom - 14},
               i18n::translate("preview.retry"), kRetryPreview, ButtonStyle::Quiet, Icon::None, true);
  } else {
    drawButton(canvas, icons, interaction, regions,
               {x0, bottom - 52, x0 + std::min(w, exports ? 228.0f : 200.0f), bottom - 14}, actionLabel, action,
               ButtonStyle::Secondary, Icon::Extract, actionEnabled);
  }
}

}  // namespace tolzeb::ui
