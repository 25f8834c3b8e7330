// Probes, opens, lists, tests and reads the first entry of a .zip built from the fuzzer's bytes.
// Every failure must carry a message; nothing may crash, hang or exhaust memory.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "engine/core/fs.h"
#include "formats/zip/zip.h"

namespace {

const std::wstring& scratchPath() {
  static const std::wstring path = [] {
    std::string narrow =
        (std::filesystem::temp_directory_path() / ("zip_open_fuzz-" + std::to_string(getpid()) + ".zip")).string();
    return std::wstring(narrow.begin(), narrow.end());
  }();
  static const bool removedAtExit = [] { return std::atexit([] { (void)tolzeb::deleteFile(path); }) == 0; }();
  (void)removedAtExit;
  return path;
}

template <typename T>
void requireMessage(const tolzeb::Result<T>& result) {
  if (result.failed() && result.failure().message.empty()) abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tolzeb;
  {
    Result<UniqueHandle> file = openForWrite(scratchPath(), false);
    if (file.failed() || file->writeAll(data, size).failed()) return 0;
  }
  requireMessage(probeZip(scratchPath()));
  Result<ArchiveListing> listing = listZip(scratchPath());
  requireMessage(listing);
  requireMessage(testZip(scratchPath(), {}));
  if (listing.hasValue()) {
    for (const ListedEntry& entry : listing->entries) {
      if (entry.isDirectory) continue;
      Result<EntryBytes> bytes = readZipEntry(scratchPath(), entry.path, 4096, true);
      requireMessage(bytes);
      if (bytes.hasValue() && bytes->bytes.size() > 4096) abort();
      break;
    }
  }
  return 0;
}
