// Single-member gzip streams (RFC 1952) around raw DEFLATE, on whole buffers: the tar.gz support.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/core/bytes.h"
#include "engine/core/status.h"

namespace tolzeb {

// At least 3 bytes starting 1F 8B 08.
bool looksLikeGzip(const uint8_t* data, size_t size);

// The offset of the first byte of the DEFLATE body, past any optional header fields.
Result<size_t> parseGzipHeader(const uint8_t* data, size_t size);

// The uncompressed contents of a whole gzip stream, at most `cap` bytes. One member is read; its
// trailer is taken from the last 8 bytes of the data.
Result<Bytes> gunzip(const uint8_t* data, size_t size, uint64_t cap);

// A complete gzip stream: a 10-byte header without optional fields or time stamp, the deflated
// data and the CRC-32 and length trailer.
Result<Bytes> gzipCompress(const uint8_t* data, size_t size, int32_t level);

}  // namespace tolzeb
