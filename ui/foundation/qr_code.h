// QR Code Model 2 symbols (ISO/IEC 18004) in byte mode, versions 1 to 9, for the web address the
// support page shows. A pure function: no state, no I/O; any thread may call it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tolzeb::ui {

// Error-correction levels in the order of the standard's tables (not of the format bits).
enum class QrLevel : uint8_t { L = 0, M = 1, Q = 2, H = 3 };

struct QrCode {
  int32_t version = 0;           // 1 to 9; 0 when nothing could be encoded
  int32_t size = 0;              // modules per side, 4 x version + 17; 0 when empty
  std::vector<uint8_t> modules;  // size x size, row-major from the top row, 1 dark, 0 light

  // An empty code draws nothing, so a layout must fall back to its placeholder's size.
  bool valid() const { return version != 0; }
  bool dark(int32_t row, int32_t column) const { return modules[static_cast<size_t>(row) * size + column] != 0; }
};

inline constexpr size_t kQrMaxInputBytes = 255;

// The smallest version that holds the bytes at `level`, with the mask of lowest penalty (the
// lower mask on a tie). Empty when the input is longer than 255 bytes or does not fit version 9.
QrCode encodeQr(const std::vector<uint8_t>& bytes, QrLevel level);

}  // namespace tolzeb::ui
