// How many worker threads a pipeline gets.
#pragma once

#include <cstdint>

namespace tolzeb {

// Active logical processors in all processor groups; at least 1.
uint32_t processorCount();

// `requested` capped at processorCount(); 0 means processorCount().
uint32_t workerCount(uint32_t requested);

}  // namespace tolzeb
