// LZMA and LZMA2 decoded as a stream: the packed bytes arrive through an InflateInput and the
// output leaves in pieces of the caller's size. The only large buffer is the dictionary window,
// min(dictionary size, declared output size), which the caller bounds with `windowLimit`.
// Failures: code 3 for malformed input, 8 for a window above the limit or output beyond `cap`.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "codecs/deflate/inflate.h"
#include "codecs/lzma/lzma_format.h"
#include "engine/core/status.h"

namespace tolzeb {

class LzmaStreamDecoder;

class LzmaStreamReader {
 public:
  // An LZMA stream of exactly `declaredSize` bytes, with no end marker.
  static Result<LzmaStreamReader> lzma(InflateInput& input, const LzmaProperties& properties, uint64_t declaredSize,
                                       uint64_t windowLimit);
  // LZMA2 chunks up to the end byte or the end of the input; more than `cap` bytes fail with code 8.
  static Result<LzmaStreamReader> lzma2(InflateInput& input, uint32_t dictionarySize, uint64_t cap,
                                        uint64_t windowLimit);

  ~LzmaStreamReader();
  LzmaStreamReader(LzmaStreamReader&&) noexcept;
  LzmaStreamReader& operator=(LzmaStreamReader&&) noexcept;

  // Up to `capacity` decoded bytes; 0 only at the end of the stream.
  Result<size_t> read(uint8_t* buffer, size_t capacity);
  uint64_t produced() const;

 private:
  explicit LzmaStreamReader(std::unique_ptr<LzmaStreamDecoder> decoder);
  std::unique_ptr<LzmaStreamDecoder> decoder_;
};

// The code-8 failure for a dictionary window that the memory limit does not allow.
Failure dictionaryOverLimit(uint64_t window, uint64_t limit);

}  // namespace tolzeb
