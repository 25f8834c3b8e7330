// A 7z folder's decoded bytes in order, a piece at a time, whatever the folder's size: its coders
// (LZMA, LZMA2, DEFLATE, Copy, x86, Delta and BCJ2 with its four inputs, each with one output)
// run as a chain of streams over the packed streams read from the file, in memory bounded by
// their dictionary windows and small pieces. Any other coder graph is refused when opened.
#pragma once

#include <cstdint>
#include <memory>

#include "engine/core/status.h"
#include "formats/sevenzip/sevenzip_format.h"

namespace tolzeb {

// The memory a reader may give a dictionary window when the caller sets no other budget.
inline constexpr uint64_t kSevenZipDefaultWindowLimit = uint64_t(512) << 20;

class SevenZipFolderSource;

class SevenZipFolderStream {
 public:
  // The archive must outlive the stream. A window larger than `windowLimit` fails with code 8.
  static Result<SevenZipFolderStream> open(SevenZipArchive& archive, uint64_t folderIndex, uint64_t windowLimit);
  ~SevenZipFolderStream();
  SevenZipFolderStream(SevenZipFolderStream&&) noexcept;
  SevenZipFolderStream& operator=(SevenZipFolderStream&&) noexcept;

  uint64_t folderIndex() const { return folderIndex_; }
  // Bytes handed out or skipped so far.
  uint64_t position() const { return position_; }
  // Exactly `length` bytes, or a code-3 failure when the folder ends first.
  Status read(uint8_t* buffer, size_t length);
  Status skip(uint64_t length);
  // Reads to the end, so that a folder of the wrong length is caught.
  Status finish();

 private:
  SevenZipFolderStream(std::unique_ptr<SevenZipFolderSource> source, uint64_t folderIndex);
  std::unique_ptr<SevenZipFolderSource> source_;
  uint64_t folderIndex_;
  uint64_t position_ = 0;
};

}  // namespace tolzeb
