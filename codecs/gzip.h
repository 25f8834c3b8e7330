// gzip streams (RFC 1952) around raw DEFLATE: the tar.gz support. Writing makes one member, from a
// whole buffer or streamed; reading takes every member and works on streams as well as on buffers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "codecs/deflate/deflate.h"
#include "codecs/deflate/inflate.h"
#include "engine/core/bytes.h"
#include "engine/core/status.h"

namespace tolzeb {

// At least 3 bytes starting 1F 8B 08.
bool looksLikeGzip(const uint8_t* data, size_t size);

// The offset of the first byte of the DEFLATE body, past any optional header fields.
Result<size_t> parseGzipHeader(const uint8_t* data, size_t size);

// Pull reading of a gzip stream as `gzip -t` accepts it: one or more members back to back,
// optionally followed by zero bytes (the padding of tapes and disk images), in bounded memory.
// Each member's CRC-32 and length are checked at its end; more than `cap` bytes in all fail with
// code 8.
class GzipStreamReader {
 public:
  GzipStreamReader(InflateInput& input, uint64_t cap);
  // Up to `capacity` uncompressed bytes; 0 only at the end of the stream.
  Result<size_t> read(uint8_t* buffer, size_t capacity);
  uint64_t total() const { return total_; }

 private:
  Status startMember();
  Status finishMember();

  InflateInput& input_;
  uint64_t cap_;
  std::optional<DeflateStreamReader> member_;
  uint32_t memberCrc_ = 0;
  uint64_t memberLength_ = 0;
  uint64_t total_ = 0;
  bool ended_ = false;
};

// Decodes a gzip stream as `gzip -t` accepts it: one or more members back to back, optionally
// followed by zero bytes (the padding of tapes and disk images), in bounded memory. Each member's
// CRC-32 and length are checked at its end. The uncompressed bytes go to `sink` in pieces; more
// than `cap` in all fails with code 8. Returns the uncompressed length.
Result<uint64_t> gunzipStream(InflateInput& input, const InflateSink& sink, uint64_t cap);

// The uncompressed contents of a whole gzip stream in memory, at most `cap` bytes, read as
// `gunzipStream` reads it.
Result<Bytes> gunzip(const uint8_t* data, size_t size, uint64_t cap);

// A complete gzip stream: a 10-byte header without optional fields or time stamp, the deflated
// data and the CRC-32 and length trailer.
Result<Bytes> gzipCompress(const uint8_t* data, size_t size, int32_t level);

// The same stream written in pieces of any size, in bounded memory: the bytes handed to the sink
// are exactly those of `gzipCompress` over the whole input.
class GzipStreamWriter {
 public:
  using ByteSink = DeflateStreamWriter::ByteSink;
  GzipStreamWriter(int32_t level, ByteSink sink);
  Status write(const uint8_t* data, size_t size);
  Status finish();

 private:
  int32_t level_;
  ByteSink sink_;
  DeflateStreamWriter body_;
  uint32_t crc_ = 0;
  uint64_t length_ = 0;
  bool headerWritten_ = false;
};

}  // namespace tolzeb
