// Encoding of a whole in-memory input as one raw DEFLATE stream (RFC 1951, no zlib or gzip
// wrapper): greedy matching on 3-byte hash chains whose depth the level sets, a block every 16384
// symbols, each written with dynamic Huffman codes or stored, whichever is smaller.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/core/bytes.h"
#include "engine/core/status.h"

namespace tolzeb {

// Levels 0 and below search no matches; 1-3, 4-6 and 7 and above walk 8, 64 and 256 chain
// entries. The output is fully determined by the input and the level. An empty input gives the
// two bytes 03 00. A null pointer with a non-zero size fails with code 2.
Result<Bytes> deflate(const uint8_t* data, size_t size, int32_t level);

}  // namespace tolzeb
