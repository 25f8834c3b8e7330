// Opens, probes and tests a whole archive file built from the fuzzer's bytes. Encrypted seeds use
// the password "pw", so mutations reach the sealed sections and chunks too.
#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/container/open_archive.h"
#include "engine/container/verify_archive.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tolzeb;
  const std::wstring& path = fuzzing::scratchPath("open_archive_fuzz", ".zeb");
  if (!fuzzing::writeScratch(path, data, size)) return 0;
  (void)probeZebArchive(path);
  static const Password password = std::make_shared<const SecureBytes>("pw", 2);
  (void)testArchive(path, nullptr, 2, 64ull << 20, password);
  return 0;
}
