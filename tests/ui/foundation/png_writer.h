// A minimal PNG writer for test images: 8-bit greyscale, one IDAT of stored (uncompressed)
// DEFLATE blocks, so a real decoder can read what a test drew.
#pragma once

#include <cstdint>
#include <vector>

namespace tolzeb::testing {

// `pixels` is width x height, row-major from the top, one byte of grey per pixel.
std::vector<uint8_t> encodeGreyPng(const std::vector<uint8_t>& pixels, uint32_t width, uint32_t height);

}  // namespace tolzeb::testing
