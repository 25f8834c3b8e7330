// Decoding of a raw DEFLATE stream (RFC 1951) held wholly in memory, under an output cap set by
// the caller. Malformed data fails with code 3, the cap with code 8, bad arguments with code 2.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

#include "engine/core/bytes.h"
#include "engine/core/status.h"

namespace tolzeb {

// Strict mode: the whole stream up to its final block. A declaredSize of 0 declares nothing;
// otherwise the output must have exactly that length. Output beyond `cap` bytes fails.
Result<Bytes> inflateExact(const uint8_t* data, size_t size, uint64_t declaredSize, uint64_t cap);

// Prefix mode: the leading bytes of the decoded data. Running out of input, reaching the cap, an
// invalid literal/length code or a bad dynamic block header end decoding with the output so far;
// other malformations fail as in strict mode.
Result<Bytes> inflatePrefix(const uint8_t* data, size_t size, uint64_t cap);

// Input of a streaming decoder: a buffer sliding over a longer stream that `Reader` delivers in
// pieces (0 bytes: the end). Decoders read from `data()` between `position()` and `end()`.
class InflateInput {
 public:
  using Reader = std::function<Result<size_t>(uint8_t* buffer, size_t capacity)>;
  explicit InflateInput(Reader read, size_t bufferSize = size_t(256) << 10);
  // The whole stream already in memory.
  static InflateInput over(const uint8_t* data, size_t size);

  // Makes at least `want` unread bytes available, fewer only at the end of the stream.
  Status fill(size_t want);
  const uint8_t* data() const { return buffer_.data(); }
  size_t position() const { return position_; }
  size_t end() const { return end_; }
  void setPosition(size_t position) { position_ = position; }
  size_t available() const { return end_ - position_; }
  // True once the reader has reported the end: nothing exists beyond `end()`.
  bool ended() const { return ended_; }
  // Bytes of the stream before the read position.
  uint64_t consumed() const { return consumedBefore_ + position_; }

 private:
  static constexpr size_t kKeptBehind = 8;
  Reader read_;
  Bytes buffer_;
  size_t position_ = 0;
  size_t end_ = 0;
  bool ended_ = false;
  uint64_t consumedBefore_ = 0;
};

// Receives decoded bytes in order; a failure stops decoding and is returned.
using InflateSink = std::function<Status(const uint8_t* data, size_t size)>;

class Inflater;

// Strict decoding of one raw DEFLATE stream from the input's read position to the end of its
// final block, in bounded memory (about 1 MiB of output and the input's buffer). Once `read`
// gives 0 the stream is complete and the input's read position lies on the byte after it. More
// than `cap` bytes of output fail with code 8.
class DeflateStreamReader {
 public:
  DeflateStreamReader(InflateInput& input, uint64_t cap);
  ~DeflateStreamReader();
  DeflateStreamReader(DeflateStreamReader&&) noexcept;
  DeflateStreamReader& operator=(DeflateStreamReader&&) noexcept;

  // Up to `capacity` decoded bytes; 0 only at the end of the stream.
  Result<size_t> read(uint8_t* buffer, size_t capacity);
  // Bytes decoded so far, handed out or not.
  uint64_t produced() const;

 private:
  std::unique_ptr<Inflater> inflater_;
};

// The shared core of both modes.
Result<Bytes> inflate(const uint8_t* data, size_t size, uint64_t declaredSize, uint64_t cap, bool prefix);

}  // namespace tolzeb
