// The choices of the extract page that are texts rather than drawing. paintExtractPage itself is
// declared in page_painters.h.
#pragma once

#include <cstdint>

#include "ui/app/page_state.h"

namespace tolzeb::ui {

// The key of the first thing the form still lacks; only meaningful while extractFormReady is
// false.
const char* extractStartHintKey(const PageState& state);
// The note of an overwrite policy; null for a value that names none.
const char* overwritePolicyNoteKey(uint8_t policy);

}  // namespace tolzeb::ui
