// What the QR tests share: the standard's byte-mode capacities and test inputs of a given length.
#pragma once

#include <cstdint>
#include <vector>

#include "ui/foundation/qr_code.h"

namespace tolzeb::ui::testing {

inline constexpr QrLevel kAllQrLevels[] = {QrLevel::L, QrLevel::M, QrLevel::Q, QrLevel::H};

// The largest byte-mode input per version 1 to 9 and level L, M, Q, H, as ISO/IEC 18004 lists
// them (table 7), independent of the encoder's own table.
inline constexpr int kQrByteCapacity[9][4] = {
    {17, 14, 11, 7},    {32, 26, 20, 14},   {53, 42, 32, 24},    {78, 62, 46, 34},    {106, 84, 60, 44},
    {134, 106, 74, 58}, {154, 122, 86, 64}, {192, 152, 108, 84}, {230, 180, 130, 98},
};

// Printable bytes that vary from position to position, so blocks and masks differ.
inline std::vector<uint8_t> qrTestInput(size_t length) {
  std::vector<uint8_t> bytes(length);
  for (size_t i = 0; i < length; ++i) bytes[i] = static_cast<uint8_t>('!' + (i * 7 + length) % 94);
  return bytes;
}

}  // namespace tolzeb::ui::testing
