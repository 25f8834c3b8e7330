// The previews of unencrypted archives' entries kept for clicking back and forth, least recently
// used first out, bounded by the memory they take.
#pragma once

#include <cstdint>
#include <deque>
#include <mutex>
#include <string>

#include "ui/preview/preview_types.h"

namespace tolzeb::ui {

inline constexpr uint64_t kDefaultPreviewCacheBudget = 100663296;  // 96 MiB

// The archive path, a line feed and the entry name.
std::wstring previewCacheKey(const std::wstring& archivePath, const std::wstring& entryName);
// Pixel bytes, two bytes per UTF-16 unit of the texts, and 256 for the rest.
uint64_t previewCost(const PreviewResult& result);

class PreviewCache {
 public:
  // A hit makes the entry the most recently used. An entry with another stamp is a miss.
  bool lookup(const std::wstring& key, uint64_t stamp, PreviewResult& out);
  // A result costing more than the whole budget is not stored and evicts nothing.
  void store(const std::wstring& key, uint64_t stamp, const PreviewResult& result);
  void setBudget(uint64_t budget);
  uint64_t totalCost() const;
  size_t size() const;

 private:
  struct Entry {
    std::wstring key;
    uint64_t stamp = 0;
    PreviewResult result;
    uint64_t cost = 0;
  };
  void trim();  // with mutex_ held

  mutable std::mutex mutex_;
  std::deque<Entry> entries_;  // front = least recently used
  uint64_t budget_ = kDefaultPreviewCacheBudget;
  uint64_t totalCost_ = 0;
};

}  // namespace tolzeb::ui
