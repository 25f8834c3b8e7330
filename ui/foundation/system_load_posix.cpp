// The POSIX stand-in reads the same figures from /proc: the processor times from /proc/stat (in
// clock ticks; only their ratios matter), the memory load from /proc/meminfo and the resident set
// from /proc/self/statm.
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>

#include "ui/foundation/system_load.h"

namespace tolzeb::ui {
namespace {

bool readProcessorTimes(SystemReading& reading) {
  std::ifstream in("/proc/stat");
  std::string label;
  uint64_t user = 0, nice = 0, system = 0, idle = 0, iowait = 0, irq = 0, softirq = 0, steal = 0;
  if (!(in >> label >> user >> nice >> system >> idle >> iowait >> irq >> softirq >> steal) || label != "cpu") {
    return false;
  }
  // As Windows counts them: the kernel time includes the idle time.
  reading.idleTime = idle + iowait;
  reading.kernelTime = system + irq + softirq + steal + reading.idleTime;
  reading.userTime = user + nice;
  return true;
}

bool readMemoryLoad(uint32_t& percent) {
  std::ifstream in("/proc/meminfo");
  std::string line;
  uint64_t total = 0;
  uint64_t available = 0;
  bool haveAvailable = false;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string key;
    uint64_t kib = 0;
    if (!(fields >> key >> kib)) continue;
    if (key == "MemTotal:") total = kib;
    if (key == "MemAvailable:") {
      available = kib;
      haveAvailable = true;
    }
  }
  if (total == 0 || !haveAvailable || available > total) return false;
  percent = uint32_t((total - available) * 100 / total);
  return true;
}

bool readResidentBytes(uint64_t& bytes) {
  std::ifstream in("/proc/self/statm");
  uint64_t size = 0;
  uint64_t resident = 0;
  const long page = ::sysconf(_SC_PAGESIZE);
  if (!(in >> size >> resident) || page <= 0) return false;
  bytes = resident * uint64_t(page);
  return true;
}

}  // namespace

SystemReading readSystem() {
  SystemReading reading;
  reading.hasTimes = readProcessorTimes(reading);
  reading.hasMemoryLoad = readMemoryLoad(reading.memoryLoadPercent);
  reading.hasWorkingSet = readResidentBytes(reading.workingSetBytes);
  return reading;
}

}  // namespace tolzeb::ui
