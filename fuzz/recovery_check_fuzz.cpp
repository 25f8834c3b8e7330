// Checks and then repairs a protected archive built from the fuzzer's bytes, so that mutations
// reach the record header, its checksum table, the parity and the body it guards.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "engine/core/fs.h"
#include "engine/recovery/protect.h"

namespace {

const std::wstring& scratchPath() {
  static const std::wstring path = [] {
    std::string narrow =
        (std::filesystem::temp_directory_path() / ("recovery_check_fuzz-" + std::to_string(getpid()) + ".zeb"))
            .string();
    return std::wstring(narrow.begin(), narrow.end());
  }();
  static const bool removedAtExit = [] { return std::atexit([] { (void)tolzeb::deleteFile(path); }) == 0; }();
  (void)removedAtExit;
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tolzeb;
  {
    Result<UniqueHandle> file = openForWrite(scratchPath(), false);
    if (file.failed() || file->writeAll(data, size).failed()) return 0;
  }
  (void)checkRecoveryRecord(scratchPath(), nullptr);
  (void)repairArchive(scratchPath(), nullptr);
  return 0;
}
