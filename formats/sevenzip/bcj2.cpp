#include <algorithm>
#include <memory>

#include "formats/sevenzip/filters.h"

namespace tolzeb {
namespace {

constexpr uint32_t kProbabilityBits = 11;
constexpr uint32_t kProbabilityInit = 1u << (kProbabilityBits - 1);
constexpr uint32_t kAdaptShift = 5;
constexpr uint32_t kRangeTop = 1u << 24;
constexpr size_t kE9Probability = 256;
constexpr size_t kConditionalJumpProbability = 257;
constexpr size_t kFeedPiece = size_t(64) << 10;

// Reads a stream a byte at a time out of pieces of its reader.
class ByteFeed {
 public:
  explicit ByteFeed(PieceReader reader) : reader_(std::move(reader)), buffer_(kFeedPiece) {}

  // False at the end of the stream.
  Result<bool> next(uint8_t& byte) {
    if (position_ == end_) {
      TOLZEB_ASSIGN_OR_RETURN(end_, reader_(buffer_.data(), buffer_.size()));
      position_ = 0;
      if (end_ == 0) return false;
    }
    byte = buffer_[position_++];
    return true;
  }

  // Reads what is left, so that its coder checks its length.
  Status drain() {
    position_ = end_ = 0;
    for (;;) {
      TOLZEB_ASSIGN_OR_RETURN(const size_t got, reader_(buffer_.data(), buffer_.size()));
      if (got == 0) return Status();
    }
  }

 private:
  PieceReader reader_;
  Bytes buffer_;
  size_t position_ = 0, end_ = 0;
};

// The decoder's state between pieces: the four feeds (main, call, jump, selector), the selector's
// range decoder, which shifts in zeros past the selector's end, and the bytes of a converted
// target not yet handed out.
struct Bcj2State {
  std::vector<ByteFeed> feeds;
  std::vector<uint16_t> probabilities = std::vector<uint16_t>(258, uint16_t(kProbabilityInit));
  uint32_t range = 0xFFFFFFFF, code = 0;
  bool started = false;
  uint64_t produced = 0, outputSize = 0;
  uint8_t previous = 0;
  uint8_t pending[4] = {};
  unsigned pendingCount = 0, pendingNext = 0;

  Result<uint32_t> selectorByte() {
    uint8_t b = 0;
    TOLZEB_ASSIGN_OR_RETURN(const bool got, feeds[3].next(b));
    return got ? uint32_t(b) : 0u;
  }

  Result<uint32_t> decodeBit(uint16_t& probability) {
    const uint32_t bound = (range >> kProbabilityBits) * probability;
    uint32_t bit;
    if (code < bound) {
      range = bound;
      probability = uint16_t(probability + (((1u << kProbabilityBits) - probability) >> kAdaptShift));
      bit = 0;
    } else {
      range -= bound;
      code -= bound;
      probability = uint16_t(probability - (probability >> kAdaptShift));
      bit = 1;
    }
    if (range < kRangeTop) {
      range <<= 8;
      TOLZEB_ASSIGN_OR_RETURN(const uint32_t next, selectorByte());
      code = (code << 8) | next;
    }
    return bit;
  }

  // The selector's first byte is not used; the next four start the code.
  Status start() {
    for (int i = 0; i < 5; ++i) {
      uint8_t b = 0;
      TOLZEB_ASSIGN_OR_RETURN(const bool got, feeds[3].next(b));
      if (!got) return corrupt(L"7z: BCJ2 control stream is too short");
      if (i > 0) code = (code << 8) | b;
    }
    started = true;
    return Status();
  }

  Result<size_t> read(uint8_t* out, size_t capacity) {
    if (!started) TOLZEB_TRY(start());
    size_t n = 0;
    while (n < capacity && produced < outputSize) {
      if (pendingNext < pendingCount) {
        out[n++] = pending[pendingNext++];
        ++produced;
        continue;
      }
      uint8_t b = 0;
      TOLZEB_ASSIGN_OR_RETURN(const bool got, feeds[0].next(b));
      if (!got) return corrupt(L"7z: BCJ2 main stream ran out");
      out[n++] = b;
      ++produced;
      if (!isX86Jump(previous, b) || produced >= outputSize) {
        previous = b;
        continue;
      }
      const size_t slot = b == 0xE8 ? previous : b == 0xE9 ? kE9Probability : kConditionalJumpProbability;
      TOLZEB_ASSIGN_OR_RETURN(const uint32_t bit, decodeBit(probabilities[slot]));
      if (bit == 0) {
        previous = b;
        continue;
      }
      ByteFeed& targets = feeds[b == 0xE8 ? 1 : 2];
      uint32_t absolute = 0;
      for (int k = 0; k < 4; ++k) {
        uint8_t t = 0;
        TOLZEB_ASSIGN_OR_RETURN(const bool more, targets.next(t));
        if (!more) return corrupt(L"7z: BCJ2 target stream ran out");
        absolute = absolute << 8 | t;
      }
      const uint32_t destination = absolute - uint32_t(produced + 4);
      pendingCount = unsigned(std::min<uint64_t>(4, outputSize - produced));
      pendingNext = 0;
      for (unsigned k = 0; k < 4; ++k) pending[k] = uint8_t(destination >> (8 * k));
      previous = uint8_t(destination >> 24);
    }
    if (n == 0 && produced == outputSize) {
      // The data streams are read to their ends, so a coder of the wrong length is caught.
      for (size_t k = 0; k < 3; ++k) TOLZEB_TRY(feeds[k].drain());
    }
    return n;
  }
};

}  // namespace

PieceReader bcj2Reader(std::vector<PieceReader> inputs, uint64_t outputSize) {
  if (inputs.size() != 4) {
    return [](uint8_t*, size_t) -> Result<size_t> { return corrupt(L"7z: BCJ2 needs exactly four inputs"); };
  }
  auto state = std::make_shared<Bcj2State>();
  for (PieceReader& input : inputs) state->feeds.emplace_back(std::move(input));
  state->outputSize = outputSize;
  return [state](uint8_t* out, size_t capacity) { return state->read(out, capacity); };
}

}  // namespace tolzeb
