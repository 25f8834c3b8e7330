// Extraction of hostile ".zeb" files: whatever the bytes, extraction must end with a Status,
// within bounded memory, and never write outside its destination folder.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include <unistd.h>

#include "engine/core/fs.h"
#include "engine/extract/extract_archive.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  namespace fs = std::filesystem;
  const fs::path& root = tolzeb::fuzzing::freshScratchFolder("tolzeb-extract-fuzz");
  const fs::path archive = root / "input.zeb";
  {
    auto file = tolzeb::openForWrite(tolzeb::fuzzing::widePath(archive), false);
    if (file.failed() || file->writeAll(data, size).failed()) std::abort();
  }

  tolzeb::ExtractOptions options;
  options.threads = 2;
  options.memoryBudget = 64ull << 20;
  options.maxTotalBytes = 64ull << 20;
  (void)tolzeb::extractArchive(tolzeb::fuzzing::widePath(archive), tolzeb::fuzzing::widePath(root / "out"), {}, options, {});

  // Only the archive and the destination folder may exist beside each other.
  for (const auto& item : fs::directory_iterator(root)) {
    const auto name = item.path().filename();
    if (name != "input.zeb" && name != "out") std::abort();
  }
  return 0;
}
