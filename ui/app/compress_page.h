// The choices of the compress page that are texts rather than drawing: which hint stands beside
// a start button that cannot start, which note goes under the format and the mode, and where the
// recovery slider's knob sits. paintCompressPage itself is declared in page_painters.h.
#pragma once

#include <cstdint>

#include "ui/app/page_state.h"

namespace tolzeb::ui {

// The key of the first thing the form still lacks, in the order the user meets it; only
// meaningful while compressFormReady is false.
const char* compressStartHintKey(const PageState& state);
// "format.note_zip", "format.note_7z", else "format.note_zeb".
const char* formatNoteKey(uint8_t format);
// The note of a compression mode; null for a value that names none.
const char* compressionModeNoteKey(uint8_t mode);
// The slider value 0..1 of a recovery percent, clamped to 1..30 first.
double recoverySliderValue(int32_t percent);

}  // namespace tolzeb::ui
