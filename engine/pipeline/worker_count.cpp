#include <algorithm>

#include "engine/pipeline/processor_count.h"

namespace tolzeb {

uint32_t workerCount(uint32_t requested) {
  uint32_t available = processorCount();
  if (requested == 0) return available;
  return std::min(requested, available);
}

}  // namespace tolzeb
