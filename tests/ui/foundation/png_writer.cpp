#include "png_writer.h"

#include <algorithm>
#include <string_view>

#include "codecs/crc32.h"

namespace tolzeb::testing {

namespace {

constexpr uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr size_t kMaxStoredBlock = 65535;
constexpr uint32_t kAdlerModulus = 65521;

void appendBigEndian(std::vector<uint8_t>& out, uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(value >> shift));
}

// Length, type, data and the CRC-32 of type and data (ISO/IEC 15948, clause 5.3).
void appendChunk(std::vector<uint8_t>& out, std::string_view type, const std::vector<uint8_t>& data) {
  appendBigEndian(out, static_cast<uint32_t>(data.size()));
  const size_t typeAt = out.size();
  out.insert(out.end(), type.begin(), type.end());
  out.insert(out.end(), data.begin(), data.end());
  appendBigEndian(out, crc32(0, out.data() + typeAt, out.size() - typeAt));
}

uint32_t adler32(const std::vector<uint8_t>& data) {
  uint32_t a = 1;
  uint32_t b = 0;
  for (uint8_t byte : data) {
    a = (a + byte) % kAdlerModulus;
    b = (b + a) % kAdlerModulus;
  }
  return (b << 16) | a;
}

// A zlib stream (RFC 1950) of stored DEFLATE blocks (RFC 1951, clause 3.2.4).
std::vector<uint8_t> zlibStored(const std::vector<uint8_t>& data) {
  std::vector<uint8_t> out = {0x78, 0x01};
  size_t at = 0;
  do {
    const size_t length = std::min(kMaxStoredBlock, data.size() - at);
    const bool final = at + length == data.size();
    out.push_back(final ? 1 : 0);
    out.push_back(static_cast<uint8_t>(length));
    out.push_back(static_cast<uint8_t>(length >> 8));
    out.push_back(static_cast<uint8_t>(~length));
    out.push_back(static_cast<uint8_t>(~length >> 8));
    out.insert(out.end(), data.begin() + at, data.begin() + at + length);
    at += length;
  } while (at < data.size());
  appendBigEndian(out, adler32(data));
  return out;
}

}  // namespace

std::vector<uint8_t> encodeGreyPng(const std::vector<uint8_t>& pixels, uint32_t width, uint32_t height) {
  std::vector<uint8_t> png(std::begin(kSignature), std::end(kSignature));

  std::vector<uint8_t> header;
  appendBigEndian(header, width);
  appendBigEndian(header, height);
  header.insert(header.end(), {8, 0, 0, 0, 0});  // depth 8, greyscale, deflate, no filter, no interlace
  appendChunk(png, "IHDR", header);

  std::vector<uint8_t> scanlines;
  scanlines.reserve((static_cast<size_t>(width) + 1) * height);
  for (uint32_t row = 0; row < height; ++row) {
    scanlines.push_back(0);  // filter type None
    const auto rowStart = pixels.begin() + static_cast<ptrdiff_t>(row) * width;
    scanlines.insert(scanlines.end(), rowStart, rowStart + width);
  }
  appendChunk(png, "IDAT", zlibStored(scanlines));
  appendChunk(png, "IEND", {});
  return png;
}

}  // namespace tolzeb::testing
