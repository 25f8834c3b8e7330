// The processor and memory figures of the home page, sampled on every tick of the main window's 500
// ms timer. The processor figure is the load between two samples, so the first sample after start
// has none. UI thread only.
#pragma once

#include <cstdint>

namespace tolzeb::ui {

// One reading of the system's counters; each part may be missing when its call failed.
struct SystemReading {
  bool hasTimes = false;
  uint64_t idleTime = 0;    // 100-ns ticks over all processors
  uint64_t kernelTime = 0;  // includes the idle time
  uint64_t userTime = 0;
  bool hasMemoryLoad = false;
  uint32_t memoryLoadPercent = 0;
  bool hasWorkingSet = false;
  uint64_t workingSetBytes = 0;  // of this process
};

// GetSystemTimes, GlobalMemoryStatusEx and K32GetProcessMemoryInfo on Windows; /proc natively.
SystemReading readSystem();

class SystemLoad {
 public:
  struct Sample {
    double cpuPercent = 0;  // 0 to 100
    uint32_t memoryLoadPercent = 0;
    uint64_t workingSetBytes = 0;
    bool valid = false;  // a processor or memory figure is present
  };

  SystemLoad() = default;

  Sample sample() { return sampleFrom(readSystem()); }
  // The sample for a reading; its times become the previous ones. Counters that went backwards (a
  // reset) or did not move give no processor figure.
  Sample sampleFrom(const SystemReading& reading);

 private:
  uint64_t previousIdle_ = 0;
  uint64_t previousKernel_ = 0;
  uint64_t previousUser_ = 0;
  bool hasPrevious_ = false;
};

}  // namespace tolzeb::ui
