#include "formats/sevenzip/filters.h"

namespace tolzeb {

Result<std::vector<uint8_t>> decodeDelta(const std::vector<uint8_t>& input, const std::vector<uint8_t>& properties,
                                         uint64_t outputSize) {
  if (properties.size() != 1) return makeFailure(StatusCode::corrupt_archive, L"7z: Delta coder has no distance");
  if (input.size() != outputSize)
    return makeFailure(StatusCode::corrupt_archive, L"7z: Delta coder sizes do not agree");
  const size_t distance = size_t(properties[0]) + 1;
  std::vector<uint8_t> output = input;
  for (size_t i = distance; i < output.size(); ++i) output[i] = uint8_t(output[i] + output[i - distance]);
  return output;
}

void DeltaDecoder::decode(uint8_t* bytes, size_t size) {
  for (size_t i = 0; i < size; ++i, ++position_) {
    if (position_ >= distance_) bytes[i] = uint8_t(bytes[i] + history_[(position_ - distance_) & 0xFF]);
    history_[position_ & 0xFF] = bytes[i];
  }
}

}  // namespace tolzeb
