// Checks and then repairs a protected archive built from the fuzzer's bytes, so that mutations
// reach the record header, its checksum table, the parity and the body it guards.
#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/recovery/protect.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tolzeb;
  const std::wstring& path = fuzzing::scratchPath("recovery_check_fuzz", ".zeb");
  if (!fuzzing::writeScratch(path, data, size)) return 0;
  (void)checkRecoveryRecord(path, nullptr);
  (void)repairArchive(path, nullptr);
  return 0;
}
