// The mask evaluation of ISO/IEC 18004 (clause 7.8.3), computed in full on a finished grid.
#include <cstdlib>

#include "ui/foundation/qr_format.h"
#include "ui/foundation/qr_steps.h"

namespace tolzeb::ui {

namespace {

constexpr int kFinderLikeLength = 11;
constexpr uint8_t kFinderLikeLeft[kFinderLikeLength] = {1, 0, 1, 1, 1, 0, 1, 0, 0, 0, 0};
constexpr uint8_t kFinderLikeRight[kFinderLikeLength] = {0, 0, 0, 0, 1, 0, 1, 1, 1, 0, 1};

// One row or column of the grid, read through `at(line, i)`.
template <typename At>
int64_t linePenalty(int size, int line, At at) {
  int64_t penalty = 0;
  int runLength = 1;
  for (int i = 1; i <= size; ++i) {
    if (i < size && at(line, i) == at(line, i - 1)) {
      ++runLength;
      continue;
    }
    if (runLength >= qr::kRunPenaltyMinLength) penalty += runLength - qr::kRunPenaltyOffset;
    runLength = 1;
  }
  for (int start = 0; start + kFinderLikeLength <= size; ++start) {
    bool left = true;
    bool right = true;
    for (int k = 0; k < kFinderLikeLength; ++k) {
      const uint8_t module = at(line, start + k);
      left = left && module == kFinderLikeLeft[k];
      right = right && module == kFinderLikeRight[k];
    }
    if (left) penalty += qr::kFinderLikePenalty;
    if (right) penalty += qr::kFinderLikePenalty;
  }
  return penalty;
}

}  // namespace

int64_t qrPenalty(const QrGrid& grid) {
  const int size = grid.size;
  int64_t penalty = 0;
  for (int line = 0; line < size; ++line) {
    penalty += linePenalty(size, line, [&](int row, int column) { return grid.module(row, column); });
    penalty += linePenalty(size, line, [&](int column, int row) { return grid.module(row, column); });
  }

  for (int row = 0; row + 1 < size; ++row) {
    for (int column = 0; column + 1 < size; ++column) {
      const uint8_t colour = grid.module(row, column);
      if (grid.module(row, column + 1) == colour && grid.module(row + 1, column) == colour &&
          grid.module(row + 1, column + 1) == colour) {
        penalty += qr::kBlockPenalty;
      }
    }
  }

  int64_t dark = 0;
  for (uint8_t module : grid.modules) dark += module;
  const int64_t percent = dark * 100 / (static_cast<int64_t>(size) * size);
  penalty += qr::kBalancePenaltyStep * (std::abs(percent - 50) / 5);
  return penalty;
}

}  // namespace tolzeb::ui
