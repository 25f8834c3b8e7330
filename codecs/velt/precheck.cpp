#include "codecs/velt/precheck.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "codecs/velt/velt_encoder.h"

namespace tolzeb {
namespace {

constexpr size_t kAlwaysEncodeBelow = 131072;
constexpr int kSampleCount = 8;
constexpr size_t kSampleSize = 8192;
constexpr double kIncompressibleEntropy = 7.9;
constexpr size_t kTrialSize = 131072;
// 98 percent of the trial size, rounded down.
constexpr size_t kTrialMaxPayload = 128450;

constexpr size_t kRollingHashWindow = 64;
constexpr uint64_t kSampleMask = 0x3FF000;
constexpr size_t kRepeatSlots = 8192;
constexpr size_t kRepeatProbes = 4;
constexpr uint64_t kMinRepeatSpan = 131072;
constexpr uint64_t kMaxRepeatSpan = 655360;
constexpr uint64_t kMinRepeatThreshold = 8;
constexpr uint64_t kBytesPerRepeatNeeded = 65536;

constexpr uint64_t kGoldenGamma = 0x9E3779B97F4A7C15ULL;

constexpr uint64_t splitMix64Output(uint64_t state) {
  state = (state ^ (state >> 30)) * 0xBF58476D1CE4E5B9ULL;
  state = (state ^ (state >> 27)) * 0x94D049BB133111EBULL;
  return state ^ (state >> 31);
}

constexpr std::array<uint64_t, 256> makeGearTable() {
  std::array<uint64_t, 256> table{};
  // Seeded with the increment, so the first output mixes seed + increment = 2 x increment.
  for (uint64_t b = 0; b < 256; ++b) table[b] = splitMix64Output((b + 2) * kGoldenGamma);
  return table;
}

// log2 from +, -, *, / and exact scaling only. Library log2 may differ by an ulp between the C
// runtimes of the two builds; these operations are exactly rounded everywhere.
double portableLog2(double x) {
  int exponent;
  double mantissa = std::frexp(x, &exponent);  // x = mantissa * 2^exponent, mantissa in [0.5, 1)
  if (mantissa < 0.70710678118654752440) {
    mantissa *= 2;
    --exponent;
  }
  // ln(m) = 2 atanh(s) with s = (m - 1) / (m + 1), |s| < 0.172: the series converges fast.
  const double s = (mantissa - 1) / (mantissa + 1);
  const double s2 = s * s;
  double term = s;
  double sum = 0;
  for (int k = 1; k <= 41; k += 2) {
    sum += term / k;
    term *= s2;
  }
  constexpr double kLog2E = 1.44269504088896340736;
  return double(exponent) + 2 * sum * kLog2E;
}

}  // namespace

const std::array<uint64_t, 256> gearTable = makeGearTable();

double sampleEntropy(std::span<const uint8_t> sample) {
  uint32_t counts[256] = {};
  for (uint8_t byte : sample) ++counts[byte];
  const double size = double(sample.size());
  double entropy = 0;
  for (uint32_t count : counts) {
    if (count == 0) continue;
    double p = double(count) / size;
    entropy -= p * portableLog2(p);
  }
  return entropy;
}

bool hasLongRepeats(std::span<const uint8_t> block) {
  const uint64_t threshold = std::max<uint64_t>(kMinRepeatThreshold, block.size() / kBytesPerRepeatNeeded);
  std::vector<uint32_t> keys(kRepeatSlots, 0);
  std::vector<uint32_t> starts(kRepeatSlots, 0);  // window start + 1
  uint64_t count = 0;
  uint64_t h = 0;
  const uint8_t* data = block.data();
  for (size_t i = 0; i < block.size(); ++i) {
    h = gearTable[data[i]] + 2 * h;
    if (i < kRollingHashWindow || (h & kSampleMask) != 0) continue;
    const size_t start = i - (kRollingHashWindow - 1);
    const uint32_t key = uint32_t(h >> 32) | 1;
    const size_t slot = size_t(h >> 24) & (kRepeatSlots - 1);
    for (size_t probe = 0; probe < kRepeatProbes; ++probe) {
      const size_t s = (slot + probe) & (kRepeatSlots - 1);
      if (keys[s] == 0) {
        keys[s] = key;
        starts[s] = uint32_t(start + 1);
        break;
      }
      if (keys[s] == key) {
        const size_t previous = starts[s] - 1;
        const uint64_t span = start - previous;
        if (span >= kMinRepeatSpan && span <= kMaxRepeatSpan &&
            std::memcmp(data + previous, data + start, kRollingHashWindow) == 0) {
          if (++count >= threshold) return true;
        }
        break;
      }
    }
  }
  return false;
}

bool isWorthEncoding(std::span<const uint8_t> block, uint8_t level, std::span<const uint8_t> dictionary) {
  const size_t length = block.size();
  if (length < kAlwaysEncodeBelow) return true;

  double entropies[kSampleCount];
  const size_t stride = length / kSampleCount;
  for (int s = 0; s < kSampleCount; ++s) {
    const size_t offset = size_t(s) * stride;
    entropies[s] = sampleEntropy(block.subspan(offset, std::min(kSampleSize, length - offset)));
  }
  std::sort(entropies, entropies + kSampleCount);
  const double median = (entropies[3] + entropies[4]) / 2;
  if (median < kIncompressibleEntropy) return true;

  if (level == 2 && hasLongRepeats(block)) return true;

  VeltEncoder trial(block.subspan((length - kTrialSize) / 2, kTrialSize), level, dictionary);
  Result<Bytes> payload = trial.encode();
  if (payload.failed() || payload->empty()) return false;
  return payload->size() <= kTrialMaxPayload;
}

}  // namespace tolzeb
