// The calendar arithmetic of FILETIME values (100-ns ticks since 1601-01-01 UTC), the same on
// every platform, so that only the time-zone rules come from the operating system.
#pragma once

#include <cstdint>
#include <optional>

#include "engine/core/file_time.h"
#include "ui/foundation/i18n_platform.h"

namespace tolzeb::ui::i18n {

inline constexpr uint64_t kTicksPerDay = 864000000000;

// Every value converts; years beyond 9999 come out as they are.
platform::CivilTime civilFromFileTime(uint64_t fileTime);
// Nothing when a field is out of range (year 1601 to 30827, a real day of the month, and so on).
std::optional<uint64_t> fileTimeFromCivil(const platform::CivilTime& time);

}  // namespace tolzeb::ui::i18n
