// The multiplier of the match finders' hashes: 2^32 divided by the golden ratio spreads nearby
// byte patterns over the whole table, of which the top bits of the product pick the slot.
#pragma once

#include <cstdint>

namespace tolzeb {

inline constexpr uint32_t kHashMultiplier = 0x9E3779B1u;

}  // namespace tolzeb
