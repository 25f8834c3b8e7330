#include "codecs/lzma/range_encoder.h"

namespace tolzeb {

// The top byte of `low` is held back while it may still receive a carry; a run of 0xFF bytes
// waits with it, since a carry would turn them all to 0x00.
void RangeEncoder::shiftLow() {
  if (uint32_t(low_) < 0xFF000000u || (low_ >> 32) != 0) {
    const uint8_t carry = uint8_t(low_ >> 32);
    uint8_t pending = cache_;
    do {
      output_.push_back(uint8_t(pending + carry));
      pending = 0xFF;
    } while (--pendingCount_ != 0);
    cache_ = uint8_t(low_ >> 24);
  }
  ++pendingCount_;
  low_ = (low_ & 0x00FFFFFFu) << 8;
}

void RangeEncoder::flush() {
  for (int i = 0; i < 5; ++i) shiftLow();
}

}  // namespace tolzeb
