// Time stamps are FILETIME values on every platform: 100-nanosecond ticks since 1601-01-01 UTC.
#pragma once

#include <cstdint>

namespace tolzeb {

inline constexpr uint64_t kTicksPerSecond = 10000000;
inline constexpr uint64_t kUnixEpochSeconds = 11644473600;  // 1970-01-01, in seconds since 1601
inline constexpr uint64_t kUnixEpochTicks = kUnixEpochSeconds * kTicksPerSecond;

}  // namespace tolzeb
