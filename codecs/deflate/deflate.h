// Encoding of a whole in-memory input as one raw DEFLATE stream (RFC 1951, no zlib or gzip
// wrapper): greedy matching on 3-byte hash chains whose depth the level sets, a block every 16384
// symbols, each written with dynamic Huffman codes or stored, whichever is smaller.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

#include "engine/core/bytes.h"
#include "engine/core/status.h"

namespace tolzeb {

// Levels 0 and below search no matches; 1-3, 4-6 and 7 and above walk 8, 64 and 256 chain
// entries. The output is fully determined by the input and the level. An empty input gives the
// two bytes 03 00. A null pointer with a non-zero size fails with code 2.
Result<Bytes> deflate(const uint8_t* data, size_t size, int32_t level);

// The same encoding fed in pieces of any size: the bytes handed to the sink, in order, are exactly
// what `deflate` gives for the whole input. Memory stays near one block's input (at most about
// 4 MiB for the most repetitive data) plus the window, whatever the input's length.
class DeflateStreamWriter {
 public:
  using ByteSink = std::function<Status(const uint8_t* data, size_t size)>;

  DeflateStreamWriter(int32_t level, ByteSink sink);
  ~DeflateStreamWriter();
  DeflateStreamWriter(const DeflateStreamWriter&) = delete;
  DeflateStreamWriter& operator=(const DeflateStreamWriter&) = delete;

  // A sink failure is returned as it is.
  Status write(const uint8_t* data, size_t size);
  // Ends the stream; nothing may be written after it.
  Status finish();

 private:
  struct State;
  Status encode(bool ended);

  std::unique_ptr<State> state_;
  ByteSink sink_;
  uint64_t total_ = 0;
  bool finished_ = false;
};

}  // namespace tolzeb
