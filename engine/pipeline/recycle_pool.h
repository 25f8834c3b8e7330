// RecyclePool<T>: objects taken and given back by any thread, so that the buffers they hold
// outlive one use. It keeps only what was given back: at most as many objects as were ever out
// at once.
#pragma once

#include <mutex>
#include <utility>
#include <vector>

namespace tolzeb {

template <typename T>
class RecyclePool {
 public:
  // One given back earlier, or a new one when none is spare.
  T take() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (spare_.empty()) return T{};
    T object = std::move(spare_.back());
    spare_.pop_back();
    return object;
  }

  void give(T&& object) {
    std::lock_guard<std::mutex> lock(mutex_);
    try {
      spare_.push_back(std::move(object));
    } catch (...) {
      // No room to keep it: it is freed, and a later take makes a new one.
    }
  }

 private:
  std::mutex mutex_;
  std::vector<T> spare_;
};

}  // namespace tolzeb
