#include <sched.h>
#include <unistd.h>

#include "engine/pipeline/processor_count.h"

namespace tolzeb {

// The affinity mask honours taskset and cgroup limits, as the active-processor count does on Windows.
uint32_t processorCount() {
  cpu_set_t set;
  CPU_ZERO(&set);
  if (sched_getaffinity(0, sizeof(set), &set) == 0) {
    int count = CPU_COUNT(&set);
    if (count > 0) return uint32_t(count);
  }
  long online = sysconf(_SC_NPROCESSORS_ONLN);
  if (online > 0) return uint32_t(online);
  return 1;
}

}  // namespace tolzeb
