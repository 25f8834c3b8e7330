#include "ui/foundation/qr_code.h"

#include "ui/foundation/qr_format.h"
#include "ui/foundation/qr_steps.h"

namespace tolzeb::ui {

namespace {

// 0 when no version holds the input.
int smallestVersion(size_t byteCount, QrLevel level) {
  const size_t neededBits = 8 * byteCount + qr::kModeIndicatorBits + qr::kByteCountBits;
  for (int version = qr::kMinVersion; version <= qr::kMaxVersion; ++version) {
    const size_t capacityBits =
        8 * static_cast<size_t>(qr::kBlockLayouts[version - 1][static_cast<int>(level)].dataCodewords());
    if (capacityBits >= neededBits) return version;
  }
  return 0;
}

}  // namespace

QrCode encodeQr(const std::vector<uint8_t>& bytes, QrLevel level) {
  if (bytes.size() > kQrMaxInputBytes || static_cast<int>(level) >= qr::kLevelCount) return {};
  const int version = smallestVersion(bytes.size(), level);
  if (version == 0) return {};

  const std::vector<uint8_t> codewords = qrCodewords(bytes, version, level);
  QrGrid best = qrBuildSymbol(codewords, version, level, 0);
  int64_t bestPenalty = qrPenalty(best);
  for (int mask = 1; mask < qr::kMaskCount; ++mask) {
    QrGrid candidate = qrBuildSymbol(codewords, version, level, mask);
    const int64_t penalty = qrPenalty(candidate);
    // Only a strictly lower penalty replaces the kept grid, so ties keep the lower mask.
    if (penalty < bestPenalty) {
      best = std::move(candidate);
      bestPenalty = penalty;
    }
  }
  return QrCode{version, best.size, std::move(best.modules)};
}

}  // namespace tolzeb::ui
