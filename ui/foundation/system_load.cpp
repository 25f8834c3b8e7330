#include "ui/foundation/system_load.h"

#include <algorithm>

namespace tolzeb::ui {
namespace {

constexpr uint32_t kFullPercent = 100;

}  // namespace

SystemLoad::Sample SystemLoad::sampleFrom(const SystemReading& reading) {
  Sample sample;
  if (reading.hasTimes) {
    if (hasPrevious_) {
      const uint64_t busy = reading.kernelTime + reading.userTime;
      const uint64_t previousBusy = previousKernel_ + previousUser_;
      // Unsigned differences of counters that went backwards would read as a huge interval.
      if (busy > previousBusy && reading.idleTime >= previousIdle_) {
        const uint64_t total = busy - previousBusy;
        const uint64_t idle = std::min(reading.idleTime - previousIdle_, total);
        sample.cpuPercent = std::clamp(double(total - idle) * 100.0 / double(total), 0.0, 100.0);
        sample.valid = true;
      }
    }
    previousIdle_ = reading.idleTime;
    previousKernel_ = reading.kernelTime;
    previousUser_ = reading.userTime;
    hasPrevious_ = true;
  }
  if (reading.hasMemoryLoad) {
    sample.memoryLoadPercent = std::min(reading.memoryLoadPercent, kFullPercent);
    sample.valid = true;
  }
  if (reading.hasWorkingSet) sample.workingSetBytes = reading.workingSetBytes;
  return sample;
}

}  // namespace tolzeb::ui
