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

}  // namespace tolzeb
