// Probes, opens, lists, tests and reads the first entry of a .zip built from the fuzzer's bytes.
// Every failure must carry a message; nothing may crash, hang or exhaust memory.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "formats/zip/zip.h"
#include "fuzz_support.h"

namespace {

template <typename T>
void requireMessage(const tolzeb::Result<T>& result) {
  if (result.failed() && result.failure().message.empty()) abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tolzeb;
  const std::wstring& path = fuzzing::scratchPath("zip_open_fuzz", ".zip");
  if (!fuzzing::writeScratch(path, data, size)) return 0;
  requireMessage(probeZip(path));
  Result<ArchiveListing> listing = listZip(path);
  requireMessage(listing);
  requireMessage(testZip(path, {}));
  if (listing.hasValue()) {
    for (const ListedEntry& entry : listing->entries) {
      if (entry.isDirectory) continue;
      Result<EntryBytes> bytes = readZipEntry(path, entry.path, 4096, true);
      requireMessage(bytes);
      if (bytes.hasValue() && bytes->bytes.size() > 4096) abort();
      break;
    }
  }
  return 0;
}
