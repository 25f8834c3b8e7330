// Hostile bytes as a .tar and, wrapped in gzip, as a .tar.gz: probing, listing, testing and
// reading one entry must end with a known failure or with entries whose paths are safe.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include "codecs/gzip.h"
#include "engine/core/entry_path.h"
#include "engine/core/fs.h"
#include "formats/tar/tar_read.h"
#include "fuzz/fuzz_support.h"

namespace {

using namespace tolzeb;

void requireKnownFailure(const Failure& failure) {
  const bool known = failure.code == StatusCode::corrupt_archive || failure.code == StatusCode::resource_limit ||
                     failure.code == StatusCode::unsupported_version || failure.code == StatusCode::path_unsafe;
  if (!known || failure.message.empty()) std::abort();
}

void readAll(const std::wstring& archive) {
  bool isGzip = false;
  if (probeTar(archive, isGzip).failed()) std::abort();
  Result<ArchiveListing> listing = listTar(archive);
  Result<ArchiveStats> tested = testTar(archive, {});
  if (listing.failed() != tested.failed()) std::abort();
  if (listing.failed()) {
    requireKnownFailure(listing.failure());
    return;
  }
  uint64_t total = 0;
  for (const ListedEntry& entry : listing->entries) {
    if (validateEntryPath(entry.path).failed()) std::abort();
    if (!entry.isDirectory) total += entry.size;
  }
  if (total != listing->totalBytes || tested->inputBytes != total) std::abort();
  for (const ListedEntry& entry : listing->entries) {
    if (entry.isDirectory) continue;
    Result<EntryBytes> read = readTarEntry(archive, entry.path, 4096, true);
    if (read.failed() || read->fullSize != entry.size) std::abort();
    break;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  namespace fs = std::filesystem;
  const fs::path& root = tolzeb::fuzzing::freshScratchFolder("tolzeb-tar-fuzz");
  const fs::path plain = root / "input.tar";
  const fs::path gzipped = root / "input.tar.gz";
  const Result<Bytes> compressed = gzipCompress(data, size, 1);
  if (compressed.failed()) std::abort();
  {
    auto file = openForWrite(tolzeb::fuzzing::widePath(plain), false);
    if (file.failed() || file->writeAll(data, size).failed()) std::abort();
    auto gz = openForWrite(tolzeb::fuzzing::widePath(gzipped), false);
    if (gz.failed() || gz->writeAll(compressed->data(), compressed->size()).failed()) std::abort();
  }
  readAll(tolzeb::fuzzing::widePath(plain));
  readAll(tolzeb::fuzzing::widePath(gzipped));
  return 0;
}
