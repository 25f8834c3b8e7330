// The texts of the tools page that are computed rather than looked up: the figures of the details
// card, the parts line of the split card, the slider position of a part size and which hint or
// label a state shows. paintToolsPage itself is declared in page_painters.h.
#pragma once

#include <cstdint>
#include <string>

#include "ui/app/page_state.h"

namespace tolzeb::ui {

// The largest part the split tool makes, in MiB, whether typed or picked.
inline constexpr uint32_t kLargestPartMiB = 4096;

// "unit.percent" of the archive's size against its payload, one decimal; 0 for an empty payload.
std::wstring compressionRatioText(uint64_t archiveBytes, uint64_t inputBytes);
// How many parts of `partMiB` the archive makes: "tools.parts_many", "tools.parts_one", or
// "tools.parts_pick_one" while nothing is listed or the archive is empty.
std::wstring splitPartsText(const PageState& state);
// The slider position 0..1 of a part size: log2 of the size, clamped to 1..4096 MiB, over 12.
double splitSliderValue(uint32_t partMiB);
// The archive card's status line: its key, or null when the line is empty or shows toolsMessage.
const char* toolsStatusKey(const PageState& state);
// The hint beside scan and repair.
const char* repairHintKey(const PageState& state);
// The label of a compare row's kind.
const char* differenceKey(uint8_t kind);

}  // namespace tolzeb::ui
