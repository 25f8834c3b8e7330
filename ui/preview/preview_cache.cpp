#include "ui/preview/preview_cache.h"

namespace tolzeb::ui {

std::wstring previewCacheKey(const std::wstring& archivePath, const std::wstring& entryName) {
  return archivePath + L"\n" + entryName;
}

uint64_t previewCost(const PreviewResult& result) {
  return result.image.pixels.size() +
         2 * (result.text.size() + result.videoCodec.size() + result.audioCodec.size()) + 256;
}

bool PreviewCache::lookup(const std::wstring& key, uint64_t stamp, PreviewResult& out) {
  std::lock_guard<std::mutex> lock(mutex_);
  for (auto it = entries_.begin(); it != entries_.end(); ++it) {
    if (it->key != key) continue;
    if (it->stamp != stamp) return false;
    out = it->result;
    Entry moved = std::move(*it);
    entries_.erase(it);
    entries_.push_back(std::move(moved));
    return true;
  }
  return false;
}

void PreviewCache::store(const std::wstring& key, uint64_t stamp, const PreviewResult& result) {
  uint64_t cost = previewCost(result);
  std::lock_guard<std::mutex> lock(mutex_);
  if (cost > budget_) return;
  for (auto it = entries_.begin(); it != entries_.end(); ++it) {
    if (it->key == key) {
      totalCost_ -= it->cost;
      entries_.erase(it);
      break;
    }
  }
  entries_.push_back(Entry{key, stamp, result, cost});
  totalCost_ += cost;
  trim();
}

void PreviewCache::setBudget(uint64_t budget) {
  std::lock_guard<std::mutex> lock(mutex_);
  budget_ = budget;
  trim();
}

uint64_t PreviewCache::totalCost() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return totalCost_;
}

size_t PreviewCache::size() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return entries_.size();
}

void PreviewCache::trim() {
  while (totalCost_ > budget_ && !entries_.empty()) {
    totalCost_ -= entries_.front().cost;
    entries_.pop_front();
  }
}

}  // namespace tolzeb::ui
