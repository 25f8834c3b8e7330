#include "ui/app/preview_facts.h"

#include <cstdio>

#include "ui/foundation/format.h"
#include "ui/foundation/localisation.h"

namespace tolzeb::ui {
namespace {


// Fixed, language-independent number formats; snprintf keeps them the same on every platform.
std::wstring formatted(const char* format, double value) {
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  return std::wstring(text, text + std::char_traits<char>::length(text));
}

}  // namespace

std::wstring pdfFactsLine(const PreviewResult& r) {
  std::wstring line =
      r.pageCount < 2
          ? i18n::translate("preview.page_one")
          : i18n::translateWithArgs("preview.page_of", {i18n::Arg("count", i18n::formatInteger(r.pageCount))});
  if (r.pageWidth > 0 && r.pageHeight > 0) {
    char text[96];
    line += i18n::kFactSeparator;
    std::snprintf(text, sizeof text, "%.0f x %.0f pt", double(r.pageWidth), double(r.pageHeight));
    line += std::wstring(text, text + std::char_traits<char>::length(text));
  }
  return line;
}

std::wstring videoFactsLine(const PreviewResult& r) {
  if (!r.hasVideo) return L"";
  std::wstring line = r.videoCodec.empty() ? i18n::translate("preview.video") : r.videoCodec;
  if (r.videoWidth != 0 && r.videoHeight != 0) {
    line += i18n::kFactSeparator + std::to_wstring(r.videoWidth) + L" x " + std::to_wstring(r.videoHeight);
  }
  if (r.frameRate > 0) line += i18n::kFactSeparator + formatted("%.4g fps", r.frameRate);
  return line;
}

std::wstring audioFactsLine(const PreviewResult& r) {
  if (!r.hasAudio) return L"";
  std::wstring line = r.audioCodec.empty() ? i18n::translate("preview.audio") : r.audioCodec;
  if (r.sampleRate != 0) line += i18n::kFactSeparator + formatted("%.4g kHz", r.sampleRate / 1000.0);
  if (r.channels == 1) {
    line += i18n::kFactSeparator + i18n::translate("preview.mono");
  } else if (r.channels == 2) {
    line += i18n::kFactSeparator + i18n::translate("preview.stereo");
  } else if (r.channels > 2) {
    line += i18n::kFactSeparator +
            i18n::translateWithArgs("preview.channels", {i18n::Arg("count", i18n::formatInteger(r.channels))});
  }
  return line;
}

std::wstring lengthLine(const PreviewResult& r) {
  if (!r.durationKnown) return i18n::translate("preview.length_unknown");
  return i18n::translateWithArgs("preview.length", {i18n::Arg("duration", formatDuration(r.durationSeconds))});
}

std::wstring audioPositionText(const AudioPlayer::State& state, double position) {
  if (state.duration <= 0) return formatDuration(position);
  return formatDuration(position) + L" / " + formatDuration(state.duration);
}

}  // namespace tolzeb::ui
