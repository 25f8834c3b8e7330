#include <algorithm>

#include "formats/sevenzip/filters.h"
#include "formats/sevenzip/sevenzip_format.h"

namespace tolzeb {
namespace {

constexpr uint32_t kProbabilityBits = 11;
constexpr uint32_t kProbabilityInit = 1u << (kProbabilityBits - 1);
constexpr uint32_t kAdaptShift = 5;
constexpr uint32_t kRangeTop = 1u << 24;
constexpr size_t kE9Probability = 256;
constexpr size_t kConditionalJumpProbability = 257;

// The selector stream's range decoder; past the stream's end it shifts in zeros.
class SelectorDecoder {
 public:
  explicit SelectorDecoder(const std::vector<uint8_t>& stream) : stream_(stream), next_(5) {
    for (size_t i = 1; i <= 4; ++i) code_ = (code_ << 8) | stream[i];
  }

  uint32_t decodeBit(uint16_t& probability) {
    const uint32_t bound = (range_ >> kProbabilityBits) * probability;
    uint32_t bit;
    if (code_ < bound) {
      range_ = bound;
      probability = uint16_t(probability + (((1u << kProbabilityBits) - probability) >> kAdaptShift));
      bit = 0;
    } else {
      range_ -= bound;
      code_ -= bound;
      probability = uint16_t(probability - (probability >> kAdaptShift));
      bit = 1;
    }
    if (range_ < kRangeTop) {
      range_ <<= 8;
      code_ = (code_ << 8) | (next_ < stream_.size() ? stream_[next_++] : 0);
    }
    return bit;
  }

 private:
  const std::vector<uint8_t>& stream_;
  size_t next_;
  uint32_t range_ = 0xFFFFFFFF;
  uint32_t code_ = 0;
};

}  // namespace

Result<std::vector<uint8_t>> decodeBcj2(const std::vector<const std::vector<uint8_t>*>& inputs, uint64_t outputSize) {
  if (inputs.size() != 4) return makeFailure(StatusCode::corrupt_archive, L"7z: BCJ2 needs exactly four inputs");
  if (outputSize > kSevenZipBcj2Cap)
    return makeFailure(StatusCode::resource_limit, L"7z: BCJ2 stream is too large for this build");
  const std::vector<uint8_t>& main = *inputs[0];
  const std::vector<uint8_t>& call = *inputs[1];
  const std::vector<uint8_t>& jump = *inputs[2];
  const std::vector<uint8_t>& selector = *inputs[3];
  if (selector.size() <= 4) return makeFailure(StatusCode::corrupt_archive, L"7z: BCJ2 control stream is too short");

  SelectorDecoder decoder(selector);
  std::vector<uint16_t> probabilities(258, uint16_t(kProbabilityInit));
  std::vector<uint8_t> output;
  // Every output byte comes from one of the three data streams, so they bound what to reserve.
  output.reserve(size_t(std::min<uint64_t>(outputSize, uint64_t(main.size()) + call.size() + jump.size())));
  size_t mainPos = 0, callPos = 0, jumpPos = 0;
  uint8_t previous = 0;
  while (output.size() < outputSize) {
    if (mainPos >= main.size()) return makeFailure(StatusCode::corrupt_archive, L"7z: BCJ2 main stream ran out");
    const uint8_t b = main[mainPos++];
    output.push_back(b);
    if (!isX86Jump(previous, b) || output.size() >= outputSize) {
      previous = b;
      continue;
    }
    const size_t slot = b == 0xE8 ? previous : b == 0xE9 ? kE9Probability : kConditionalJumpProbability;
    if (decoder.decodeBit(probabilities[slot]) == 0) {
      previous = b;
      continue;
    }
    const std::vector<uint8_t>& targets = b == 0xE8 ? call : jump;
    size_t& position = b == 0xE8 ? callPos : jumpPos;
    if (targets.size() - position < 4)
      return makeFailure(StatusCode::corrupt_archive, L"7z: BCJ2 target stream ran out");
    const uint32_t absolute = uint32_t(targets[position]) << 24 | uint32_t(targets[position + 1]) << 16 |
                              uint32_t(targets[position + 2]) << 8 | targets[position + 3];
    position += 4;
    const uint32_t destination = absolute - uint32_t(output.size() + 4);
    for (unsigned k = 0; k < 4 && output.size() < outputSize; ++k) output.push_back(uint8_t(destination >> (8 * k)));
    previous = uint8_t(destination >> 24);
  }
  return output;
}

}  // namespace tolzeb
