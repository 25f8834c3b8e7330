// Opens, probes and tests a whole archive file built from the fuzzer's bytes. Encrypted seeds use
// the password "pw", so mutations reach the sealed sections and chunks too.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "engine/container/open_archive.h"
#include "engine/container/verify_archive.h"
#include "engine/core/fs.h"

namespace {

const std::wstring& scratchPath() {
  static const std::wstring path = [] {
    std::string narrow =
        (std::filesystem::temp_directory_path() / ("open_archive_fuzz-" + std::to_string(getpid()) + ".zeb")).string();
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
  (void)probeZebArchive(scratchPath());
  static const Password password = std::make_shared<const SecureBytes>("pw", 2);
  (void)testArchive(scratchPath(), nullptr, 2, 64ull << 20, password);
  return 0;
}
