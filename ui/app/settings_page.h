// The settings page's choices that are numbers rather than drawing: the option ladders its
// segment rows offer and which segment a stored value selects, and the size labels of those
// segments. paintSettingsPage itself is declared in page_painters.h.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "ui/app/page_state.h"
#include "ui/foundation/canvas.h"
#include "ui/foundation/hit_regions.h"

namespace tolzeb::ui {

// Values of the worker-thread, memory and block-size rows, by segment index (the argument of
// commands 93, 94 and 95). Thread count 0 is automatic.
inline constexpr std::array<uint32_t, 5> kThreadLadder = {0, 1, 2, 4, 8};
inline constexpr std::array<uint64_t, 5> kMemoryLadder = {134217728, 268435456, 536870912, 1073741824, 2147483648};
inline constexpr std::array<uint32_t, 5> kChunkLadder = {262144, 524288, 1048576, 2097152, 4194304};

// The segment a stored value selects; a value the ladder does not hold (an edited settings.txt)
// selects automatic threads, 512 MiB and 2 MiB, the defaults.
int32_t threadLadderIndex(uint32_t threads);
int32_t memoryLadderIndex(uint64_t bytes);
int32_t chunkLadderIndex(uint32_t bytes);

// "unit.kb", "unit.mb" and "unit.gb" with {count} = n grouped.
std::wstring kilobytesText(int64_t n);
std::wstring megabytesText(int64_t n);
std::wstring gigabytesText(int64_t n);

// The five Explorer menu switches in the order of commands 111 to 115 (the whole menu, Compress,
// Extract Here, Extract to Folder, Test Archive), as the page shows them.
bool explorerMenuSwitchShown(const PageState& state, size_t index);

// A captioned row of equal segments, each a command `id` with its index as argument, and the
// note under it when `note` is not empty. Returns where the next row may start.
float drawChoiceRow(Canvas& canvas, const Interaction& interaction, HitRegions& regions, const std::wstring& caption,
                    std::span<const std::wstring> labels, uint16_t id, int32_t selected, const std::wstring& note,
                    float x, float y, float right);

}  // namespace tolzeb::ui
