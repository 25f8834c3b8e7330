// Hostile part files in a scratch folder: merging must end with a known failure and no output, or with an
// output that is exactly the parts' payloads in order.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "engine/core/fs.h"
#include "engine/tools/part_format.h"
#include "engine/tools/split_merge.h"
#include "fuzz/fuzz_support.h"

namespace {

using namespace tolzeb;

std::vector<uint8_t> readWhole(const std::wstring& path) {
  std::vector<uint8_t> bytes;
  auto file = openForRead(path);
  if (file.failed()) return bytes;
  auto size = file->fileSize();
  if (size.failed()) std::abort();
  bytes.resize(*size);
  auto got = file->readAt(0, bytes.data(), bytes.size());
  if (got.failed() || *got != bytes.size()) std::abort();
  return bytes;
}

void writeWhole(const std::wstring& path, const uint8_t* data, size_t length) {
  auto file = openForWrite(path, false);
  if (file.failed() || file->writeAll(data, length).failed()) std::abort();
}

}  // namespace

// Input: a part count n (low two bits + 1), then n - 1 parts as a 16-bit little-endian length and that many
// bytes; the rest of the input is the last part.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  namespace fs = std::filesystem;
  const fs::path& root = tolzeb::fuzzing::freshScratchFolder("tolzeb-merge-fuzz");
  if (size == 0) return 0;
  const size_t parts = (data[0] & 3) + 1;
  size_t pos = 1;
  const std::wstring base = tolzeb::fuzzing::widePath(root / "a.zeb");
  std::vector<std::vector<uint8_t>> written;
  for (size_t i = 1; i <= parts; ++i) {
    size_t length = size - pos;
    if (i < parts) {
      if (size - pos < 2) break;
      length = std::min<size_t>(data[pos] | data[pos + 1] << 8, size - pos - 2);
      pos += 2;
    }
    writeWhole(partFileName(base, uint32_t(i)), data + pos, length);
    written.emplace_back(data + pos, data + pos + length);
    pos += length;
  }

  const std::wstring output = tolzeb::fuzzing::widePath(root / "out.zeb");
  auto merged = mergeParts(partFileName(base, 1), output, {});
  if (pathExists(output + L".partial")) std::abort();
  if (merged.failed()) {
    const StatusCode code = merged.failure().code;
    if (code != StatusCode::corrupt_archive && code != StatusCode::not_found && code != StatusCode::invalid_argument) {
      std::abort();
    }
    if (pathExists(output)) std::abort();
  } else {
    std::vector<uint8_t> expected;
    for (uint64_t i = 0; i < merged->partCount; ++i) {
      const auto& part = written.at(size_t(i));
      expected.insert(expected.end(), part.begin() + kPartHeaderSize, part.end());
    }
    if (readWhole(output) != expected || expected.size() != merged->archiveLength) std::abort();
  }
  return 0;
}
