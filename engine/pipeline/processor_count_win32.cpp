#include <windows.h>

#include "engine/pipeline/processor_count.h"

namespace tolzeb {

uint32_t processorCount() {
  DWORD active = GetActiveProcessorCount(ALL_PROCESSOR_GROUPS);
  if (active != 0) return active;
  SYSTEM_INFO info{};
  GetSystemInfo(&info);
  if (info.dwNumberOfProcessors != 0) return info.dwNumberOfProcessors;
  return 1;
}

}  // namespace tolzeb
