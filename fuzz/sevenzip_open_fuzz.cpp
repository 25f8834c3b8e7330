// Opening, listing and testing hostile 7z files: whatever the bytes, each ends with a Status
// within bounded memory.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include <unistd.h>

#include "engine/core/fs.h"
#include "formats/sevenzip/header_parser.h"
#include "formats/sevenzip/sevenzip_read.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  namespace fs = std::filesystem;
  static const fs::path root = fs::temp_directory_path() / ("tolzeb-sevenzip-fuzz-" + std::to_string(::getpid()));
  std::error_code ignored;
  fs::create_directories(root, ignored);
  const std::string narrow = (root / "input.7z").string();
  const std::wstring path(narrow.begin(), narrow.end());
  {
    auto file = tolzeb::openForWrite(path, false);
    if (file.failed() || file->writeAll(data, size).failed()) std::abort();
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
