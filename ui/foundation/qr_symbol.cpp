// Laying codewords out as a symbol: function patterns, data placement, masking, format and
// version information (ISO/IEC 18004, clauses 7.7 to 7.10).
#include <algorithm>
#include <cstdlib>

#include "ui/foundation/qr_format.h"
#include "ui/foundation/qr_steps.h"

namespace tolzeb::ui {

void QrGrid::setFunction(int row, int column, bool dark) {
  module(row, column) = dark ? 1 : 0;
  reserve(row, column);
}

void QrGrid::reserve(int row, int column) { function[static_cast<size_t>(row) * size + column] = 1; }

void qrDrawFinder(QrGrid& grid, int centreRow, int centreColumn) {
  // The 7 x 7 finder and its one-module light separator form a 9 x 9 square of rings.
  for (int dy = -4; dy <= 4; ++dy) {
    for (int dx = -4; dx <= 4; ++dx) {
      const int row = centreRow + dy;
      const int column = centreColumn + dx;
      if (row < 0 || row >= grid.size || column < 0 || column >= grid.size) continue;
      const int ring = std::max(std::abs(dx), std::abs(dy));
      grid.setFunction(row, column, ring != 2 && ring != 4);
    }
  }
}

void qrDrawAlignment(QrGrid& grid, int centreRow, int centreColumn) {
  for (int dy = -2; dy <= 2; ++dy) {
    for (int dx = -2; dx <= 2; ++dx) {
      grid.setFunction(centreRow + dy, centreColumn + dx, std::max(std::abs(dx), std::abs(dy)) != 1);
    }
  }
}

void qrDrawFunctionPatterns(QrGrid& grid, int version) {
  const int size = grid.size;
  qrDrawFinder(grid, 3, 3);
  qrDrawFinder(grid, 3, size - 4);
  qrDrawFinder(grid, size - 4, 3);

  for (int i = 8; i <= size - 9; ++i) {
    grid.setFunction(6, i, i % 2 == 0);
    grid.setFunction(i, 6, i % 2 == 0);
  }

  const qr::AlignmentCentres& alignment = qr::kAlignmentCentres[version - 1];
  const int last = alignment.count - 1;
  for (int r = 0; r < alignment.count; ++r) {
    for (int c = 0; c < alignment.count; ++c) {
      const bool onFinder = (r == 0 && c == 0) || (r == 0 && c == last) || (r == last && c == 0);
      if (!onFinder) qrDrawAlignment(grid, alignment.centres[r], alignment.centres[c]);
    }
  }

  // Format areas: reserved now, written once the mask is known. Reserving leaves the colour, so
  // the timing modules where row 8 and column 8 cross the timing lines stay dark.
  for (int i = 0; i <= 8; ++i) {
    grid.reserve(8, i);
    grid.reserve(i, 8);
  }
  for (int i = size - 8; i < size; ++i) {
    grid.reserve(8, i);
    grid.reserve(i, 8);
  }
  grid.setFunction(size - 8, 8, true);

  if (version >= qr::kFirstVersionWithVersionBits) {
    for (int i = 0; i < 6; ++i) {
      for (int j = size - 11; j <= size - 9; ++j) {
        grid.reserve(i, j);
        grid.reserve(j, i);
      }
    }
  }
}

void qrPlaceCodewords(QrGrid& grid, const std::vector<uint8_t>& codewords) {
  const size_t totalBits = codewords.size() * 8;
  size_t bitIndex = 0;
  bool upwards = true;
  for (int right = grid.size - 1; right >= 1; right -= 2) {
    // Column 6 holds the vertical timing pattern; the pair shifts left past it.
    if (right == 6) right = 5;
    for (int step = 0; step < grid.size; ++step) {
      const int row = upwards ? grid.size - 1 - step : step;
      for (int column = right; column >= right - 1; --column) {
        if (grid.isFunction(row, column)) continue;
        if (bitIndex < totalBits) {
          grid.module(row, column) = (codewords[bitIndex / 8] >> (7 - bitIndex % 8)) & 1;
          ++bitIndex;
        }
      }
    }
    upwards = !upwards;
  }
}

bool qrMaskBit(int mask, int column, int row) {
  const int x = column;
  const int y = row;
  switch (mask) {
    case 0:
      return (x + y) % 2 == 0;
    case 1:
      return y % 2 == 0;
    case 2:
      return x % 3 == 0;
    case 3:
      return (x + y) % 3 == 0;
    case 4:
      return (y / 2 + x / 3) % 2 == 0;
    case 5:
      return (x * y) % 2 + (x * y) % 3 == 0;
    case 6:
      return ((x * y) % 2 + (x * y) % 3) % 2 == 0;
    case 7:
      return ((x + y) % 2 + (x * y) % 3) % 2 == 0;
    default:
      return false;
  }
}

void qrApplyMask(QrGrid& grid, int mask) {
  for (int row = 0; row < grid.size; ++row) {
    for (int column = 0; column < grid.size; ++column) {
      if (!grid.isFunction(row, column) && qrMaskBit(mask, column, row)) grid.module(row, column) ^= 1;
    }
  }
}

namespace {

// `data` followed by the remainder of its division by `generator` (a BCH code word).
uint32_t bchExtend(uint32_t data, uint32_t generator, int remainderBits) {
  uint32_t remainder = data;
  for (int i = 0; i < remainderBits; ++i) {
    remainder = (remainder << 1) ^ (((remainder >> (remainderBits - 1)) & 1) * generator);
  }
  return (data << remainderBits) | (remainder & ((1u << remainderBits) - 1));
}

bool bitOf(uint32_t word, int bit) { return ((word >> bit) & 1) != 0; }

}  // namespace

uint32_t qrFormatWord(QrLevel level, int mask) {
  const uint32_t data = (qr::kFormatLevelBits[static_cast<int>(level)] << 3) | static_cast<uint32_t>(mask);
  return bchExtend(data, qr::kFormatGenerator, 10) ^ qr::kFormatMask;
}

void qrDrawFormatBits(QrGrid& grid, QrLevel level, int mask) {
  const uint32_t word = qrFormatWord(level, mask);
  const int size = grid.size;
  // First copy, around the top-left finder: down column 8 (skipping the timing row), then left
  // along row 8 (skipping the timing column).
  for (int i = 0; i <= 5; ++i) grid.setFunction(i, 8, bitOf(word, i));
  grid.setFunction(7, 8, bitOf(word, 6));
  grid.setFunction(8, 8, bitOf(word, 7));
  grid.setFunction(8, 7, bitOf(word, 8));
  for (int i = 9; i < 15; ++i) grid.setFunction(8, 14 - i, bitOf(word, i));
  // Second copy, split between the top-right and bottom-left finders.
  for (int i = 0; i < 8; ++i) grid.setFunction(8, size - 1 - i, bitOf(word, i));
  for (int i = 8; i < 15; ++i) grid.setFunction(size - 15 + i, 8, bitOf(word, i));
  grid.setFunction(size - 8, 8, true);
}

uint32_t qrVersionWord(int version) { return bchExtend(static_cast<uint32_t>(version), qr::kVersionGenerator, 12); }

void qrDrawVersionBits(QrGrid& grid, int version) {
  if (version < qr::kFirstVersionWithVersionBits) return;
  const uint32_t word = qrVersionWord(version);
  for (int i = 0; i < 18; ++i) {
    const int a = grid.size - 11 + i % 3;
    const int b = i / 3;
    grid.setFunction(b, a, bitOf(word, i));
    grid.setFunction(a, b, bitOf(word, i));
  }
}

QrGrid qrBuildSymbol(const std::vector<uint8_t>& codewords, int version, QrLevel level, int mask) {
  QrGrid grid(qr::symbolSize(version));
  qrDrawFunctionPatterns(grid, version);
  qrPlaceCodewords(grid, codewords);
  qrApplyMask(grid, mask);
  qrDrawFormatBits(grid, level, mask);
  qrDrawVersionBits(grid, version);
  return grid;
}

}  // namespace tolzeb::ui
