// Opening, listing and testing hostile 7z files: whatever the bytes, each ends with a Status
// within bounded memory.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "codecs/crc32.h"
#include "engine/core/bytes.h"
#include "engine/core/fs.h"
#include "formats/sevenzip/header_parser.h"
#include "formats/sevenzip/sevenzip_read.h"
#include "fuzz/fuzz_support.h"

namespace {

// Mutations rarely keep both checksums right, so they are repaired here to let the fuzzer reach
// the header database; an odd minor version byte keeps the bytes as they are.
std::vector<uint8_t> withRepairedChecksums(const uint8_t* data, size_t size) {
  std::vector<uint8_t> bytes(data, data + size);
  if (size < 32 || (bytes[7] & 1)) return bytes;
  const uint64_t offset = tolzeb::readU64le(&bytes[12]);
  const uint64_t length = tolzeb::readU64le(&bytes[20]);
  if (offset <= size && length <= size - 32 && offset <= size - 32 - length)
    tolzeb::writeU32le(&bytes[28], tolzeb::crc32(0, &bytes[32 + offset], size_t(length)));
  tolzeb::writeU32le(&bytes[8], tolzeb::crc32(0, &bytes[12], 20));
  return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  namespace fs = std::filesystem;
  const fs::path& root = tolzeb::fuzzing::freshScratchFolder("tolzeb-sevenzip-fuzz");
  const std::string narrow = (root / "input.7z").string();
  const std::wstring path(narrow.begin(), narrow.end());
  {
    auto file = tolzeb::openForWrite(path, false);
    const std::vector<uint8_t> bytes = withRepairedChecksums(data, size);
    if (file.failed() || file->writeAll(bytes.data(), bytes.size()).failed()) std::abort();
  }

  tolzeb::Result<tolzeb::SevenZipArchive> archive = tolzeb::openSevenZip(path, 0);
  if (archive.failed()) {
    const tolzeb::StatusCode code = archive.failure().code;
    const bool known = code == tolzeb::StatusCode::corrupt_archive || code == tolzeb::StatusCode::unsupported_version ||
                       code == tolzeb::StatusCode::resource_limit || code == tolzeb::StatusCode::general;
    if (!known || archive.failure().message.empty()) std::abort();
  } else if (archive->entries.size() > 2000000) {
    std::abort();
  }
  (void)tolzeb::listSevenZip(path);
  (void)tolzeb::testSevenZip(path, {});
  return 0;
}
