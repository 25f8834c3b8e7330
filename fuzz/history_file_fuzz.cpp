// The history.txt reader on arbitrary bytes: no crash and no undefined behaviour, at most 200
// entries newest first, each with a path, and what it reads survives the writer and the reader
// again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "ui/foundation/history.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tolzeb::ui;
  if (size > kMaxHistoryFileBytes) return 0;
  std::vector<HistoryEntry> entries;
  const bool accepted = parseHistoryFile(data, size, entries);
  if (!accepted && !entries.empty()) std::abort();
  if (entries.size() > kMaxHistoryEntries) std::abort();
  for (size_t i = 0; i < entries.size(); ++i) {
    if (entries[i].path.empty() || entries[i].missing || !(entries[i].seconds >= 0)) std::abort();
    if (i > 0 && entries[i - 1].timestamp < entries[i].timestamp) std::abort();
  }

  // A CR at the end of a path is taken for part of a CR LF line end, so such a path cannot come
  // back; Windows names hold no CR.
  std::erase_if(entries, [](const HistoryEntry& entry) { return entry.path.back() == L'\r'; });
  std::vector<uint8_t> written;
  if (!historyFileBytes(entries, written)) std::abort();
  std::vector<HistoryEntry> again;
  if (!parseHistoryFile(written.data(), written.size(), again)) std::abort();
  if (again.size() != entries.size()) std::abort();
  for (size_t i = 0; i < entries.size(); ++i) {
    if (again[i].path != entries[i].path || again[i].timestamp != entries[i].timestamp ||
        again[i].archiveSize != entries[i].archiveSize || again[i].inputSize != entries[i].inputSize) {
      std::abort();
    }
  }
  return 0;
}
