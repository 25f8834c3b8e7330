// Turning an entry's bytes into text for the preview: byte-order marks first, then a guess from
// the bytes themselves (UTF-16 without a mark, UTF-8, else 8-bit shown as Latin-1).
#pragma once

#include <cstddef>
#include <cstdint>

#include "ui/preview/preview_types.h"

namespace tolzeb::ui {

inline constexpr size_t kTextSampleBytes = 4096;

// False when the bytes are not text. `truncated` says the bytes are only the entry's leading
// part: an incomplete character at the cut is then dropped rather than shown.
bool decodeText(const uint8_t* bytes, size_t count, bool truncated, PreviewText& out);

}  // namespace tolzeb::ui
