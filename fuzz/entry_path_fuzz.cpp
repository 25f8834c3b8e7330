// Entry paths from hostile archives: normalising is idempotent and yields valid paths, and a
// resolved target always lies below the extraction root.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "engine/core/entry_path.h"
#include "engine/core/fs.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::wstring path;
  for (size_t i = 0; i + 1 < size; i += 2) path.push_back(wchar_t(data[i] | data[i + 1] << 8));

  const bool valid = tolzeb::validateEntryPath(path).ok();
  tolzeb::Result<std::wstring> normalized = tolzeb::normalizePath(path);
  if (normalized.hasValue()) {
    if (!tolzeb::validateEntryPath(*normalized).ok()) std::abort();
    tolzeb::Result<std::wstring> again = tolzeb::normalizePath(*normalized);
    if (again.failed() || *again != *normalized) std::abort();
  }
  if (valid && (normalized.failed() || *normalized != path)) std::abort();

  static const std::wstring root = *tolzeb::fullPath(L"fuzz-root");
  tolzeb::Result<std::wstring> target = tolzeb::resolveExtractionPath(root, path);
  if (target.hasValue() != valid) std::abort();
  if (target.hasValue()) {
    const std::wstring prefix = root + tolzeb::kPathSeparator;
    if (target->size() <= prefix.size() || target->compare(0, prefix.size(), prefix) != 0) std::abort();
  }
  return 0;
}
