// The filters of 7z folders that this system implements itself: x86 branch conversion, its
// four-stream variant with a range-coded selector, and byte-wise delta.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/core/bytes.h"
#include "engine/core/status.h"

namespace tolzeb {

// Undoes the x86 call/jump conversion in place, the buffer's start taken as position 0.
std::vector<uint8_t> decodeX86Bcj(std::vector<uint8_t> bytes);

// Inputs in the coder's order: main, call, jump, selector.
Result<std::vector<uint8_t>> decodeBcj2(const std::vector<const std::vector<uint8_t>*>& inputs, uint64_t outputSize);

// The one property byte is the distance minus 1.
Result<std::vector<uint8_t>> decodeDelta(const std::vector<uint8_t>& input, const std::vector<uint8_t>& properties,
                                         uint64_t outputSize);

}  // namespace tolzeb
