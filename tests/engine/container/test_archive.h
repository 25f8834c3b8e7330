// A small writer of ".zeb" archives for the tests, built over the engine's own record functions,
// and a scratch file that deletes itself.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/container/archive_records.h"
#include "engine/container/manifest.h"
#include "engine/core/bytes.h"
#include "engine/core/status.h"
#include "engine/core/types.h"
#include "support/password_of.h"
#include "support/temp_folder.h"

namespace tolzeb::testing {

struct TestEntry {
  std::wstring path;
  bool directory = false;
  Bytes content;
};

struct TestArchiveOptions {
  uint32_t chunkSize = 262144;
  std::string password;  // empty: not encrypted
  uint32_t kdfIterations = 100000;
  bool dictionary = false;  // a preset dictionary made of the first chunk's bytes
  bool chunkHashes = true;
  bool compress = true;  // VELT or VELT_HUFF where shorter, else stored
  // Hooks that make an archive wrong in one chosen way while every checksum stays right.
  std::function<void(uint64_t index, ChunkDescriptor&)> editChunk;
  std::function<void(std::vector<ManifestEntry>&)> editManifest;
};

// All file contents form one group, cut into chunks of `chunkSize`; entries are written in the
// given order.
Result<Bytes> writeTestArchive(const std::vector<TestEntry>& entries, const TestArchiveOptions& options);

// writeTestArchive for a test that expects it to succeed: a failure fails the test and gives no bytes.
Bytes testArchiveBytes(const TestArchiveOptions& options, const std::vector<TestEntry>& entries);

// An archive identifier of the bytes 0 to 15, for records written by hand.
ArchiveId idZeroToFifteen();

// Compressible but not trivial: text-like bytes from a fixed seed.
Bytes sampleBytes(size_t length, uint32_t seed);

// A file alone in a TempFolder, removed when it goes.
class ScratchFile {
 public:
  explicit ScratchFile(const Bytes& contents);
  ScratchFile(const ScratchFile&) = delete;
  ScratchFile& operator=(const ScratchFile&) = delete;
  const std::wstring& path() const { return path_; }
  void rewrite(const Bytes& contents) const;

 private:
  TempFolder folder_;
  std::wstring path_;
};

std::string narrow(const std::wstring& text);  // for assertion messages; non-ASCII becomes '?'

}  // namespace tolzeb::testing
