// The largest single allocation a piece of code makes, for tests that show memory stays bounded
// whatever the size of the data, without measuring the process. Only test programs that link
// allocation_watch.cpp (which replaces the global operator new) can use it.
#pragma once

#include <cstddef>

namespace tolzeb::testing {

// Watches every thread's allocations while it exists; one watch at a time.
class AllocationWatch {
 public:
  AllocationWatch();
  ~AllocationWatch();
  AllocationWatch(const AllocationWatch&) = delete;
  AllocationWatch& operator=(const AllocationWatch&) = delete;

  size_t largest() const;
};

}  // namespace tolzeb::testing
