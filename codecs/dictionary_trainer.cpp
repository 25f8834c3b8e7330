#include "codecs/dictionary_trainer.h"

#include <algorithm>
#include <queue>

#include "engine/core/bytes.h"

namespace tolzeb {
namespace detail {
namespace {

constexpr uint32_t kGramBytes = 8;
constexpr uint32_t kGramStep = 4;
constexpr uint32_t kPieceBytes = 1024;
constexpr uint32_t kMinTableLog = 12;
constexpr uint32_t kMaxSizedTableLog = 20;

uint64_t gramsIn(size_t length) { return length < kGramBytes ? 0 : (length - kGramBytes) / kGramStep + 1; }

uint32_t gramKey(uint64_t hash) { return uint32_t(hash) | 1u; }

}  // namespace

uint64_t gramHash(const uint8_t* p) {
  uint64_t x = readU64le(p);
  x ^= x >> 33;
  x *= 0xFF51AFD7ED558CCDull;
  x ^= x >> 33;
  x *= 0xC4CEB9FE1A85EC53ull;
  x ^= x >> 33;
  return x;
}

GramTable::GramTable(uint64_t gramCount) {
  const uint64_t wanted = 2 * gramCount;
  log = kMaxSizedTableLog + 1;
  for (uint32_t candidate = kMinTableLog; candidate <= kMaxSizedTableLog; ++candidate) {
    if ((uint64_t(1) << candidate) >= wanted) {
      log = candidate;
      break;
    }
  }
  const size_t slots = size_t(1) << log;
  key.assign(slots, 0);
  lastSample.assign(slots, kNoSample);
  count.assign(slots, 0);
}

uint64_t GramTable::scoreSegment(std::span<const uint8_t> sample, const TrainingSegment& piece,
                                 uint32_t minSampleCount) const {
  uint64_t score = 0;
  const uint64_t end = uint64_t(piece.offset) + piece.length;
  for (uint64_t at = piece.offset; at + kGramBytes <= end; at += kGramStep) {
    const uint64_t hash = gramHash(sample.data() + at);
    const uint32_t slot = slotOf(hash);
    if (key[slot] != gramKey(hash) || count[slot] < minSampleCount) continue;
    score += 4 * uint64_t(count[slot]) - 4;
  }
  return score;
}

}  // namespace detail

namespace {

using detail::GramTable;
using detail::TrainingSegment;

void countGrams(const std::vector<std::span<const uint8_t>>& samples, GramTable& table) {
  for (uint32_t i = 0; i < samples.size(); ++i) {
    const std::span<const uint8_t> sample = samples[i];
    const uint64_t grams = detail::gramsIn(sample.size());
    for (uint64_t g = 0; g < grams; ++g) {
      const uint64_t hash = detail::gramHash(sample.data() + g * detail::kGramStep);
      const uint32_t slot = table.slotOf(hash);
      const uint32_t key = detail::gramKey(hash);
      if (table.key[slot] == 0) table.key[slot] = key;
      if (table.key[slot] != key) continue;
      if (table.lastSample[slot] == i) continue;
      table.lastSample[slot] = i;
      if (table.count[slot] < GramTable::kMaxCount) ++table.count[slot];
    }
  }
}

std::vector<TrainingSegment> cutIntoPieces(const std::vector<std::span<const uint8_t>>& samples) {
  std::vector<TrainingSegment> pieces;
  for (uint32_t i = 0; i < samples.size(); ++i) {
    const uint64_t size = samples[i].size();
    for (uint64_t offset = 0; offset + detail::kGramBytes <= size; offset += detail::kPieceBytes) {
      const uint64_t length = std::min<uint64_t>(detail::kPieceBytes, size - offset);
      pieces.push_back({i, uint32_t(offset), uint32_t(length)});
    }
  }
  return pieces;
}

// A chosen piece's grams are now in the dictionary: other pieces gain nothing more from them.
void retireGrams(std::span<const uint8_t> sample, const TrainingSegment& piece, GramTable& table) {
  const uint64_t end = uint64_t(piece.offset) + piece.length;
  for (uint64_t at = piece.offset; at + detail::kGramBytes <= end; at += detail::kGramStep) {
    const uint64_t hash = detail::gramHash(sample.data() + at);
    const uint32_t slot = table.slotOf(hash);
    if (table.key[slot] == detail::gramKey(hash)) table.count[slot] = 0;
  }
}

struct Candidate {
  uint64_t score;
  uint32_t piece;
};

// Highest score on top; at equal scores the piece that comes first.
struct CandidateBelow {
  bool operator()(const Candidate& a, const Candidate& b) const {
    if (a.score != b.score) return a.score < b.score;
    return a.piece > b.piece;
  }
};

}  // namespace

std::vector<uint8_t> trainVeltDictionary(const std::vector<std::span<const uint8_t>>& samples,
                                         const DictionaryTrainingOptions& options) {
  if (samples.size() < 2) return {};
  const uint32_t target = std::min(options.targetSize, kMaxDictionarySize);
  if (target < kMinDictionaryTarget) return {};
  const uint32_t minCount = std::max<uint32_t>(2, options.minSampleCount);

  uint64_t totalGrams = 0;
  uint64_t totalBytes = 0;
  for (const auto& sample : samples) {
    totalGrams += detail::gramsIn(sample.size());
    totalBytes += sample.size();
  }
  if (totalGrams == 0) return {};

  GramTable table(totalGrams);
  countGrams(samples, table);

  const std::vector<TrainingSegment> pieces = cutIntoPieces(samples);
  if (pieces.empty()) return {};

  std::priority_queue<Candidate, std::vector<Candidate>, CandidateBelow> heap;
  for (uint32_t k = 0; k < pieces.size(); ++k) {
    const uint64_t score = table.scoreSegment(samples[pieces[k].sample], pieces[k], minCount);
    if (score > pieces[k].length) heap.push({score, k});
  }

  // Lazy rescoring: a piece is rescored only when it reaches the top, and goes back in only
  // when its score has dropped since it was entered.
  std::vector<uint32_t> chosen;
  uint64_t chosenBytes = 0;
  while (chosenBytes + detail::kGramBytes <= target && !heap.empty()) {
    const Candidate top = heap.top();
    heap.pop();
    const TrainingSegment& piece = pieces[top.piece];
    const uint64_t score = table.scoreSegment(samples[piece.sample], piece, minCount);
    if (score <= piece.length) continue;
    if (score < top.score) {
      heap.push({score, top.piece});
      continue;
    }
    if (chosenBytes + piece.length > target) continue;
    retireGrams(samples[piece.sample], piece, table);
    chosen.push_back(top.piece);
    chosenBytes += piece.length;
  }
  if (chosen.empty()) return {};

  const uint64_t dataBytes = options.inputBytes != 0 ? options.inputBytes : totalBytes;
  if (options.minRatio != 0 && uint64_t(options.minRatio) * chosenBytes > dataBytes) return {};

  // Pieces are numbered by sample, then offset, so their numbers give the output order.
  std::sort(chosen.begin(), chosen.end());
  std::vector<uint8_t> dictionary;
  dictionary.reserve(chosenBytes);
  for (uint32_t k : chosen) {
    const TrainingSegment& piece = pieces[k];
    const uint8_t* start = samples[piece.sample].data() + piece.offset;
    dictionary.insert(dictionary.end(), start, start + piece.length);
  }
  return dictionary;
}

}  // namespace tolzeb
