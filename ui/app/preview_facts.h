// The fact lines the preview pane writes under a PDF page or for a sound or video entry.
#pragma once

#include <string>

#include "ui/preview/audio_player.h"
#include "ui/preview/preview_types.h"

namespace tolzeb::ui {

std::wstring pdfFactsLine(const PreviewResult& result);
// Empty without a video stream.
std::wstring videoFactsLine(const PreviewResult& result);
// Empty without an audio stream.
std::wstring audioFactsLine(const PreviewResult& result);
std::wstring lengthLine(const PreviewResult& result);
// The position under the player's slider, with the length once it is known.
std::wstring audioPositionText(const AudioPlayer::State& state, double position);

}  // namespace tolzeb::ui
