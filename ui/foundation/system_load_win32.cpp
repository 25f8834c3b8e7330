#include <windows.h>
// Needs the types windows.h declares.
#include <psapi.h>

#include "ui/foundation/system_load.h"

namespace tolzeb::ui {
namespace {

uint64_t ticks(const FILETIME& time) { return (uint64_t(time.dwHighDateTime) << 32) | time.dwLowDateTime; }

}  // namespace

SystemReading readSystem() {
  SystemReading reading;
  FILETIME idle{};
  FILETIME kernel{};
  FILETIME user{};
  if (GetSystemTimes(&idle, &kernel, &user)) {
    reading.hasTimes = true;
    reading.idleTime = ticks(idle);
    reading.kernelTime = ticks(kernel);
    reading.userTime = ticks(user);
  }
  MEMORYSTATUSEX memory{};
  memory.dwLength = sizeof(memory);
  if (GlobalMemoryStatusEx(&memory)) {
    reading.hasMemoryLoad = true;
    reading.memoryLoadPercent = memory.dwMemoryLoad;
  }
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof(counters);
  if (K32GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters))) {
    reading.hasWorkingSet = true;
    reading.workingSetBytes = counters.WorkingSetSize;
  }
  return reading;
}

}  // namespace tolzeb::ui
