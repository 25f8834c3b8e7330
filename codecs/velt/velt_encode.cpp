#include <emmintrin.h>

#include <algorithm>
#include <iterator>
#include <memory>
#include <mutex>
#include <vector>

#include "codecs/match_hash.h"
#include "codecs/velt/precheck.h"
#include "codecs/velt/velt.h"
#include "codecs/velt/velt_encoder.h"

namespace tolzeb {
namespace {

constexpr uint32_t kNoCandidate = 0xFFFFFFFF;
constexpr uint32_t kMaxChainLink = 65535;
constexpr unsigned kMinBlockHashLog = 10;
constexpr unsigned kMinDictHashLog = 12;
constexpr unsigned kMaxDictHashLog = 20;
constexpr uint32_t kMinMatch = 4;
// Patched matches are sought only where the plain match is shorter than this.
constexpr uint32_t kPatchProbeBelow = 24;
constexpr uint32_t kPatchProbeBytes = 32;
constexpr uint32_t kPatchProbeMaxDiffs = 4;
// A patch must cover more than 1.15 bytes per byte it costs.
constexpr uint64_t kPatchGainNumerator = 115;
constexpr uint64_t kPatchGainDenominator = 100;
// One step of the parser writes far less than this to any stream; the give-up test keeps the
// streams below the block length before each step.
constexpr size_t kStreamSlack = 512;

// What a level spends on the search; levels above 2 are treated as 1.
struct VeltLevelPreset {
  unsigned maxHashLog;
  unsigned chainDepth;
  unsigned lazySteps;
  bool patchedMatches;
  unsigned insertStep;
  bool farCandidates;  // use a head candidate more than 65,535 bytes back
};

constexpr VeltLevelPreset kPresets[3] = {
    {14, 1, 0, false, 4, true},
    {16, 4, 1, true, 2, false},
    {16, 16, 2, true, 1, false},
};

unsigned floorLog2(size_t v) { return unsigned(63 - __builtin_clzll(uint64_t(v))); }

// State that lives across blocks: reused, grown, never shrunk.
struct VeltHashTables {
  std::vector<uint32_t> head;
  std::vector<uint16_t> chain;
  std::vector<uint8_t> streams;
};

// Keyed on the dictionary's contents, not its address: another dictionary that happens to
// reuse a freed buffer of the same length must not meet a stale index, or the payload would
// depend on what an earlier encode left behind.
struct DictionaryIndex {
  Bytes contents;
  bool built = false;
  unsigned log = 0;
  std::vector<uint32_t> head;
  std::vector<uint32_t> next;

  void prepare(const uint8_t* dictionary, size_t length) {
    if (built && contents.size() == length && std::equal(contents.begin(), contents.end(), dictionary)) return;
    contents.assign(dictionary, dictionary + length);
    log = std::clamp(floorLog2(length), kMinDictHashLog, kMaxDictHashLog);
    head.assign(size_t(1) << log, kNoCandidate);
    next.assign(length, kNoCandidate);
    for (size_t p = 0; p + 4 <= length; ++p) {
      uint32_t h = (loadWord32(dictionary + p) * kHashMultiplier) >> (32 - log);
      next[p] = head[h];
      head[h] = uint32_t(p);
    }
    built = true;
  }
};

struct EncoderScratch {
  VeltHashTables tables;
  DictionaryIndex dictionary;
};

// Scratch sets shared by the process rather than kept per thread: with emulated thread-local
// storage (mingw-w64) a thread-local object's destructor can run on storage already freed at
// thread exit, and a pipeline worker's exit then reads freed memory. Idle sets are kept while any
// encode runs, and one is kept after the last, so that a one-thread caller still reuses its set.
class ScratchPool {
 public:
  std::unique_ptr<EncoderScratch> take() {
    std::lock_guard<std::mutex> lock(mutex_);
    ++active_;
    if (idle_.empty()) return std::make_unique<EncoderScratch>();
    std::unique_ptr<EncoderScratch> scratch = std::move(idle_.back());
    idle_.pop_back();
    return scratch;
  }

  void give(std::unique_ptr<EncoderScratch> scratch) {
    std::vector<std::unique_ptr<EncoderScratch>> surplus;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      --active_;
      idle_.push_back(std::move(scratch));
      if (active_ == 0 && idle_.size() > 1) {
        surplus.assign(std::make_move_iterator(idle_.begin() + 1), std::make_move_iterator(idle_.end()));
        idle_.resize(1);
      }
    }
    // Large buffers are freed outside the lock.
  }

 private:
  std::mutex mutex_;
  size_t active_ = 0;
  std::vector<std::unique_ptr<EncoderScratch>> idle_;
};

ScratchPool& scratchPool() {
  static ScratchPool pool;
  return pool;
}

// One encode's hold on a scratch set.
class ScratchLease {
 public:
  ScratchLease() : scratch_(scratchPool().take()) {}
  ~ScratchLease() { scratchPool().give(std::move(scratch_)); }
  ScratchLease(const ScratchLease&) = delete;
  ScratchLease& operator=(const ScratchLease&) = delete;
  EncoderScratch* operator->() { return scratch_.get(); }

 private:
  std::unique_ptr<EncoderScratch> scratch_;
};

inline uint32_t lengthExtensionCost(uint32_t length, uint32_t extendedFrom) {
  return length >= extendedFrom ? varintSize(length - extendedFrom) : 0;
}

// Bytes the candidate takes in the three streams.
inline uint32_t matchCost(const VeltMatch& m) {
  uint32_t extension = lengthExtensionCost(m.length, 35);
  return m.slot >= 0 ? 2 + extension : 1 + extension + varintSize(m.distance);
}

// A beats B when it covers more bytes per byte spent; equality never beats.
inline bool beats(uint64_t lengthA, uint64_t costA, uint64_t lengthB, uint64_t costB) {
  return lengthA * costB > lengthB * costA;
}

// One bit per byte of the 16 at x and y, set where they differ.
inline uint32_t differingBits(const uint8_t* x, const uint8_t* y) {
  __m128i vx = _mm_loadu_si128(reinterpret_cast<const __m128i*>(x));
  __m128i vy = _mm_loadu_si128(reinterpret_cast<const __m128i*>(y));
  return ~uint32_t(_mm_movemask_epi8(_mm_cmpeq_epi8(vx, vy))) & 0xFFFF;
}

// Clears the lowest set bit kPatchProbeMaxDiffs times: a bit is left exactly when more bytes
// differ than a patch probe allows.
inline uint32_t beyondAllowedDiffs(uint32_t differing) {
  for (uint32_t k = 0; k < kPatchProbeMaxDiffs; ++k) differing &= differing - 1;
  return differing;
}

// How far a 16-byte window can slide forward from one whose differing bytes are `differing`
// and still hold more than kPatchProbeMaxDiffs of them, by a cheap sufficient test: its last 5
// bytes all differ, or more than kPatchProbeMaxDiffs of its last 8 do.
inline uint32_t failingShift(uint32_t differing) {
  static_assert(kPatchProbeMaxDiffs == 4);
  if ((differing >> 11) == 0x1F) return 11;
  return beyondAllowedDiffs(differing >> 8) != 0 ? 8 : 0;
}

}  // namespace

VeltEncoder::VeltEncoder(std::span<const uint8_t> block, uint8_t level, std::span<const uint8_t> dictionary)
    : block_(block.data()),
      length_(block.size()),
      dictionary_(dictionary.data()),
      dictionaryLength_(dictionary.size()),
      level_(level <= 2 ? level : 1),
      hashLog_(
          std::clamp(floorLog2(std::max<size_t>(block.size(), 1)), kMinBlockHashLog, kPresets[level_].maxHashLog)) {}

[[gnu::always_inline]] inline uint32_t VeltEncoder::hashAt(size_t p) const {
  return (loadWord32(block_ + p) * kHashMultiplier) >> (32 - hashLog_);
}

// Links are needed where a walk may follow one, or where one decides whether a far head
// candidate is used. Elsewhere (a walk of one candidate, far candidates allowed) the chain is
// never read and is not written.
template <int Level>
constexpr bool kChainIsRead = kPresets[Level].chainDepth > 1 || !kPresets[Level].farCandidates;

// Inserts p into tables passed as locals: a store to head may alias any member of type
// unsigned, so members read after one would be reloaded at every position.
template <int Level>
[[gnu::always_inline]] inline uint32_t insertInto(uint32_t* head, uint16_t* chain, const uint8_t* block,
                                                  unsigned hashShift, size_t p) {
  uint32_t h = (loadWord32(block + p) * kHashMultiplier) >> hashShift;
  uint32_t previous = head[h];
  head[h] = uint32_t(p);
  if constexpr (!kChainIsRead<Level>) {
    return previous;
  } else {
    // With no previous position (0xFFFFFFFF) the difference wraps far beyond the limit. A select
    // rather than a branch: the compiler otherwise works the difference out twice.
    const size_t gap = p - size_t(previous);
    const uint16_t link = uint16_t(gap <= kMaxChainLink ? gap : 0);
    chain[p] = link;
    return (link != 0 || kPresets[Level].farCandidates) ? previous : kNoCandidate;
  }
}

template <int Level>
[[gnu::always_inline]] inline uint32_t VeltEncoder::insertPosition(size_t p) {
  return insertInto<Level>(head_, chain_, block_, 32 - hashLog_, p);
}

// Inserts from, from + insertStep, ... below end, where 4 bytes are available.
template <int Level>
[[gnu::always_inline]] inline void VeltEncoder::insertRange(size_t from, size_t end) {
  const size_t last = std::min(end, length_ >= 3 ? length_ - 3 : 0);
  uint32_t* const head = head_;
  uint16_t* const chain = chain_;
  const uint8_t* const block = block_;
  const unsigned hashShift = 32 - hashLog_;
  for (size_t p = from; p < last; p += kPresets[Level].insertStep) insertInto<Level>(head, chain, block, hashShift, p);
}

[[gnu::always_inline]] inline VeltMatch VeltEncoder::findRepeatMatch(size_t p) const {
  VeltMatch best;
  if (p + kMinMatch > length_) return best;
  const uint8_t* here = block_ + p;
  const uint32_t firstWord = loadWord32(here);
  // A set distance never exceeds p: it was at most the position of the match that set it.
  // The set slots come first (distances enter at the front), so the loop stops at the first
  // unset one instead of testing each slot for zero.
  const int setSlots = recentSetCount_;
#pragma GCC unroll 4
  for (int slot = 0; slot < kVeltRecentDistanceCount; ++slot) {
    if (slot == setSlots) break;
    uint64_t distance = recentDistances_[slot];
    const uint8_t* there = here - distance;
    if (loadWord32(there) != firstWord) continue;
    size_t length = kMinMatch + commonPrefixLength(there + kMinMatch, here + kMinMatch, length_ - p - kMinMatch);
    if (length > best.length) best = {distance, uint32_t(length), slot};
  }
  return best;
}

template <int Level>
[[gnu::always_inline]] inline VeltMatch VeltEncoder::findChainMatch(size_t p, uint32_t candidate,
                                                                    uint32_t longerThan) const {
  VeltMatch best;
  if (p + kMinMatch > length_) return best;
  const uint8_t* here = block_ + p;
  const size_t maxLength = length_ - p;
  const uint32_t firstWord = loadWord32(here);
  if (candidate == kNoCandidate || candidate >= p || longerThan >= maxLength) return best;
  best.length = longerThan;
  // Only a strictly longer match can win, so the byte just past the best must agree too. One
  // word compare tests the four bytes ending there (with no best yet, the first four); the
  // first word is checked after it, where the window does not cover it.
  size_t windowAt = best.length >= kMinMatch ? best.length - (kMinMatch - 1) : 0;
  uint32_t windowWord = loadWord32(here + windowAt);
  // True when the candidate's match runs to the block end, which nothing can beat.
  const auto visit = [&](uint32_t at) {
    const uint8_t* there = block_ + at;
    if (loadWord32(there + windowAt) == windowWord && (windowAt == 0 || loadWord32(there) == firstWord)) {
      size_t length = kMinMatch + commonPrefixLength(there + kMinMatch, here + kMinMatch, maxLength - kMinMatch);
      if (length > best.length) {
        best = {p - at, uint32_t(length), -1};
        if (length == maxLength) return true;
        windowAt = length - (kMinMatch - 1);
        windowWord = loadWord32(here + windowAt);
      }
    }
    return false;
  };
  if constexpr (!kChainIsRead<Level>) {
    visit(candidate);
  } else {
    // A link steps back to an earlier inserted position, never past the block start, so after
    // the first candidate only the depth and a missing link end the walk.
#pragma GCC unroll 4
    for (unsigned visited = 1; visited <= kPresets[Level].chainDepth; ++visited) {
      if (visit(candidate)) break;
      const uint16_t link = chain_[candidate];
      if (link == 0) break;
      candidate -= link;
    }
  }
  if (best.distance == 0) best.length = 0;  // none longer than longerThan
  return best;
}

template <int Level>
VeltMatch VeltEncoder::findDictionaryMatch(size_t p) const {
  VeltMatch best;
  if (dictHead_ == nullptr || p + kMinMatch > length_) return best;
  const uint8_t* here = block_ + p;
  const size_t blockRest = length_ - p;
  uint32_t candidate = dictHead_[(loadWord32(here) * kHashMultiplier) >> (32 - dictHashLog_)];
  for (unsigned visited = 0; candidate != kNoCandidate && visited < kPresets[Level].chainDepth; ++visited) {
    size_t limit = std::min(dictionaryLength_ - candidate, blockRest);
    if (limit > best.length) {
      size_t length = commonPrefixLength(dictionary_ + candidate, here, limit);
      if (length >= kMinMatch && length > best.length) best = {candidate, uint32_t(length), -1};
    }
    candidate = dictNext_[candidate];
  }
  return best;
}

// The edits and the cost of a patched copy at `distance`, whose first 16 bytes differ from p's in
// `firstDiffering`, kept when it pays and beats `kept`. Reached by few probes, so kept out of line.
[[gnu::noinline]] void VeltEncoder::measurePatch(size_t p, uint64_t distance, uint32_t firstDiffering,
                                                 VeltPatchedMatch& kept) const {
  const uint8_t* here = block_ + p;
  const uint8_t* there = here - distance;
  const size_t reach = size_t(std::min<uint64_t>({kVeltMaxPatchLength, length_ - p, distance}));
  // At most kPatchProbeMaxDiffs of the first min(reach, 32) bytes may differ: a second 16-byte
  // compare ends at the probe's end (overlapping the first when it is shorter than 32).
  const size_t probeBytes = std::min<size_t>(reach, kPatchProbeBytes);
  if (beyondAllowedDiffs(firstDiffering | differingBits(here + probeBytes - 16, there + probeBytes - 16)
                                              << (probeBytes - 16)) != 0)
    return;

  VeltPatchedMatch candidate;  // edit positions are written before they are read
  candidate.distance = distance;
  candidate.editCount = 0;
  // Every differing position below reach is an edit, up to the one past the last edit
  // allowed, where the copy stops. Taken 16 bytes at a time; the last word ends at reach
  // (reach >= 16) and drops the bytes the word before it has seen.
  size_t length = reach;
  for (size_t base = 0; base < reach && length == reach; base += 16) {
    const size_t at = std::min(base, reach - 16);
    for (uint32_t differing = differingBits(here + at, there + at) >> (base - at); differing != 0;
         differing &= differing - 1) {
      const uint32_t position = uint32_t(base + size_t(__builtin_ctz(differing)));
      if (candidate.editCount == kVeltMaxPatchEdits) {
        length = position;
        break;
      }
      candidate.editPositions[candidate.editCount++] = position;
    }
  }
  // An edit on the last byte buys nothing over a shorter copy.
  while (candidate.editCount > 0 && candidate.editPositions[candidate.editCount - 1] == length - 1) {
    length = candidate.editPositions[candidate.editCount - 1];
    --candidate.editCount;
  }
  if (candidate.editCount == 0 || length < 16) return;
  candidate.length = uint32_t(length);
  uint32_t cost = 2 + lengthExtensionCost(candidate.length, 47) + varintSize(distance);
  uint32_t previous = 0;
  for (uint32_t e = 0; e < candidate.editCount; ++e) {
    uint32_t gap = e == 0 ? candidate.editPositions[0] : candidate.editPositions[e] - previous - 1;
    cost += varintSize(gap) + 1;
    previous = candidate.editPositions[e];
  }
  candidate.cost = cost;
  if (uint64_t(candidate.length) * kPatchGainDenominator > uint64_t(cost) * kPatchGainNumerator &&
      (kept.length == 0 || beats(candidate.length, candidate.cost, kept.length, kept.cost)))
    kept = candidate;
}

[[gnu::always_inline]] inline bool VeltEncoder::findPatchedMatch(size_t p, const VeltMatch& best,
                                                                 uint32_t headCandidate, VeltPatchedMatch& kept) {
  kept.length = 0;
  const uint8_t* here = block_ + p;
  // The recent-distance slots first, then the head candidate's distance. A probe reaches at most
  // the distance back, and needs 16 bytes; p + 16 <= length_ is the caller's to check.
  // Set distances never exceed p (see findRepeatMatch), and the set slots come first.
  const int setSlots = recentSetCount_;
  for (int slot = 0; slot < setSlots; ++slot) {
    if (p <= patchProbeSkipUntil_[slot]) continue;
    const uint64_t distance = recentDistances_[slot];
    // Most candidates already differ in more than kPatchProbeMaxDiffs of the first 16 bytes,
    // which settles it.
    const uint32_t firstDiffering = differingBits(here, here - distance);
    if (beyondAllowedDiffs(firstDiffering) != 0) {
      // The same distance fails at the next positions too while their first 16 bytes still
      // hold five of these differences, so it is not probed again before that.
      patchProbeSkipUntil_[slot] = p + failingShift(firstDiffering);
      continue;
    }
    measurePatch(p, distance, firstDiffering, kept);
  }
  if (headCandidate != kNoCandidate && headCandidate + 16 <= p) {
    const uint64_t distance = p - headCandidate;
    const uint32_t firstDiffering = differingBits(here, here - distance);
    if (beyondAllowedDiffs(firstDiffering) == 0) measurePatch(p, distance, firstDiffering, kept);
  }
  if (kept.length == 0) return false;
  return best.length == 0 || beats(kept.length, kept.cost, best.length, matchCost(best));
}

// Entries before `position` move one place back and `distance` takes the front. What is known
// about probing a distance for patches moves with it; a new distance shorter than a patch's
// 16 bytes is never probed. The four slots are moved by selects rather than a loop of variable
// length, which the compiler turns into calls to memmove.
template <bool PatchedMatches>
[[gnu::always_inline]] inline void VeltEncoder::moveToFront(int position, uint64_t distance, bool known) {
  static_assert(kVeltRecentDistanceCount == 4);
  const uint64_t d0 = recentDistances_[0], d1 = recentDistances_[1], d2 = recentDistances_[2];
  if (position >= 3) recentDistances_[3] = d2;
  if (position >= 2) recentDistances_[2] = d1;
  if (position >= 1) recentDistances_[1] = d0;
  recentDistances_[0] = distance;
  if constexpr (PatchedMatches) {
    const size_t frontSkip = known ? patchProbeSkipUntil_[position] : distance < 16 ? SIZE_MAX : 0;
    const size_t s0 = patchProbeSkipUntil_[0], s1 = patchProbeSkipUntil_[1], s2 = patchProbeSkipUntil_[2];
    if (position >= 3) patchProbeSkipUntil_[3] = s2;
    if (position >= 2) patchProbeSkipUntil_[2] = s1;
    if (position >= 1) patchProbeSkipUntil_[1] = s0;
    patchProbeSkipUntil_[0] = frontSkip;
  }
  // A distance found in the list sits in a set slot; one that is new fills the first unset slot,
  // if any is left.
  if (position >= recentSetCount_) ++recentSetCount_;
}

[[gnu::always_inline]] inline void VeltEncoder::flushLiterals(size_t position) {
  if (pendingLiteralStart_ >= position) return;
  size_t count = position - pendingLiteralStart_;
  token_ = writeVeltToken(token_, VeltTokenKind::literalRun, count);
  std::memcpy(literal_, block_ + pendingLiteralStart_, count);
  literal_ += count;
  pendingLiteralStart_ = position;
}

Result<Bytes> VeltEncoder::encode() {
  ScratchLease scratch;
  VeltHashTables& tables = scratch->tables;
  const size_t tableSize = size_t(1) << hashLog_;
  if (tables.head.size() < tableSize) tables.head.resize(tableSize);
  std::fill_n(tables.head.begin(), tableSize, kNoCandidate);
  if (tables.chain.size() < length_) tables.chain.resize(length_);
  const size_t streamCapacity = length_ + kStreamSlack;
  if (tables.streams.size() < 3 * streamCapacity) tables.streams.resize(3 * streamCapacity);
  head_ = tables.head.data();
  chain_ = tables.chain.data();
  tokenBegin_ = token_ = tables.streams.data();
  literalBegin_ = literal_ = tokenBegin_ + streamCapacity;
  extraBegin_ = extra_ = literalBegin_ + streamCapacity;
  if (dictionaryLength_ >= kMinMatch) {
    DictionaryIndex& index = scratch->dictionary;
    index.prepare(dictionary_, dictionaryLength_);
    dictHead_ = index.head.data();
    dictNext_ = index.next.data();
    dictHashLog_ = index.log;
  }

  switch (level_) {
    case 0:
      return encodeAtLevel<0>();
    case 2:
      return encodeAtLevel<2>();
    default:
      return encodeAtLevel<1>();
  }
}

// The parse, with the level's presets known at compile time.
template <int Level>
Result<Bytes> VeltEncoder::encodeAtLevel() {
  constexpr VeltLevelPreset preset = kPresets[Level];
  const uint8_t* const block = block_;
  const size_t length = length_;
  size_t i = 0;
  pendingLiteralStart_ = 0;
  std::fill(std::begin(recentDistances_), std::end(recentDistances_), 0);
  std::fill(std::begin(patchProbeSkipUntil_), std::end(patchProbeSkipUntil_), 0);
  recentSetCount_ = 0;
  // The parse gives up once the streams and the pending literals reach the block length. The
  // streams and the start of the pending literals move only when a token is written, so the
  // position where that happens is worked out then rather than at every step.
  const auto giveUpPosition = [&] {
    const size_t written =
        size_t(token_ - tokenBegin_) + size_t(literal_ - literalBegin_) + size_t(extra_ - extraBegin_);
    return written >= length + pendingLiteralStart_ ? 0 : length + pendingLiteralStart_ - written;
  };
  size_t giveUpAt = giveUpPosition();
  while (i < length) {
    if (i >= giveUpAt) return Bytes{};

    // Runs of one byte value are taken at once, before any other candidate is looked at.
    const uint8_t value = block[i];
    if (i + kMinMatch <= length && loadWord32(block + i) == value * 0x01010101u) {
      size_t runEnd = i + kMinMatch;
      const uint64_t pattern = value * 0x0101010101010101ULL;
      while (runEnd + 8 <= length) {
        uint64_t diff = loadWord64(block + runEnd) ^ pattern;
        if (diff != 0) {
          runEnd += size_t(__builtin_ctzll(diff)) >> 3;
          goto runMeasured;
        }
        runEnd += 8;
      }
      while (runEnd < length && block[runEnd] == value) ++runEnd;
    runMeasured:
      flushLiterals(i);
      if (value == 0) {
        token_ = writeVeltToken(token_, VeltTokenKind::zeroRun, runEnd - i);
      } else {
        token_ = writeVeltToken(token_, VeltTokenKind::run, runEnd - i);
        *literal_++ = value;
      }
      insertRange<Level>(i, runEnd);
      i = pendingLiteralStart_ = runEnd;
      giveUpAt = giveUpPosition();
      continue;
    }
    if (i + kMinMatch > length) {
      ++i;
      continue;
    }

    const uint32_t headCandidate = insertPosition<Level>(i);
    VeltMatch best;
    {
      VeltMatch repeat = findRepeatMatch(i);
      VeltMatch chained = findChainMatch<Level>(i, headCandidate, 0);
      bool chainWins = chained.length != 0 && (repeat.length == 0 || beats(chained.length, matchCost(chained),
                                                                           repeat.length, matchCost(repeat)));
      best = chainWins ? chained : repeat;
    }

    bool useDict = false;
    VeltMatch dict;
    if (dictHead_ != nullptr) {
      dict = findDictionaryMatch<Level>(i);
      if (dict.length >= kMinMatch) {
        uint32_t dictCost = 1 + lengthExtensionCost(dict.length, 35) + varintSize(dict.distance);
        useDict = dictCost < dict.length &&
                  (best.length == 0 ||
                   (dict.length > best.length && beats(dict.length, dictCost, best.length, matchCost(best))));
      }
    }

    if (!useDict && best.length != 0 && preset.lazySteps > 0) {
      const uint64_t bestCost = matchCost(best);
      bool deferred = false;
      for (unsigned j = 1; j <= preset.lazySteps && i + j + kMinMatch <= length; ++j) {
        const size_t q = i + j;
        VeltMatch repeat = findRepeatMatch(q);
        // Only a chain match longer than the repeat match is looked at.
        VeltMatch chained = findChainMatch<Level>(q, head_[hashAt(q)], repeat.length);
        const VeltMatch& next = chained.length > repeat.length ? chained : repeat;
        if (next.length != 0 &&
            (uint64_t(next.length) + j) * bestCost > (uint64_t(matchCost(next)) + j) * best.length) {
          deferred = true;
          break;
        }
      }
      if (deferred) {
        ++i;
        continue;
      }
    }

    VeltPatchedMatch patched;
    if (preset.patchedMatches && best.length < kPatchProbeBelow && i + 16 <= length &&
        findPatchedMatch(i, best, headCandidate, patched)) {
      flushLiterals(i);
      token_ = writeVeltToken(token_, VeltTokenKind::patch, patched.length);
      extra_ = writeVarint(extra_, patched.distance);
      token_ = writeVarint(token_, patched.editCount);
      uint32_t previous = 0;
      for (uint32_t e = 0; e < patched.editCount; ++e) {
        uint32_t position = patched.editPositions[e];
        token_ = writeVarint(token_, e == 0 ? position : position - previous - 1);
        *literal_++ = block[i + position];
        previous = position;
      }
      insertRange<Level>(i + 1, i + patched.length);
      i = pendingLiteralStart_ = i + patched.length;
      giveUpAt = giveUpPosition();
    } else if (useDict) {
      flushLiterals(i);
      token_ = writeVeltToken(token_, VeltTokenKind::dict, dict.length);
      extra_ = writeVarint(extra_, dict.distance);
      insertRange<Level>(i + 1, i + dict.length);
      i = pendingLiteralStart_ = i + dict.length;
      giveUpAt = giveUpPosition();
    } else if (best.length < kMinMatch || matchCost(best) >= best.length) {
      ++i;
    } else {
      flushLiterals(i);
      if (best.slot >= 0) {
        token_ = writeVeltToken(token_, VeltTokenKind::rep, best.length);
        *token_++ = uint8_t(best.slot);
        moveToFront<preset.patchedMatches>(best.slot, best.distance, true);
      } else {
        token_ = writeVeltToken(token_, VeltTokenKind::match, best.length);
        extra_ = writeVarint(extra_, best.distance);
        int position = kVeltRecentDistanceCount - 1;
        bool known = false;
        for (int k = 0; k < kVeltRecentDistanceCount; ++k) {
          if (recentDistances_[k] == best.distance) {
            position = k;
            known = true;
            break;
          }
        }
        moveToFront<preset.patchedMatches>(position, best.distance, known);
      }
      insertRange<Level>(i + 1, i + best.length);
      i = pendingLiteralStart_ = i + best.length;
      giveUpAt = giveUpPosition();
    }
  }
  flushLiterals(i);

  const size_t tokenSize = size_t(token_ - tokenBegin_);
  const size_t literalSize = size_t(literal_ - literalBegin_);
  const size_t extraSize = size_t(extra_ - extraBegin_);
  Bytes payload;
  payload.reserve(30 + tokenSize + literalSize + extraSize);
  appendVarint(payload, tokenSize);
  appendVarint(payload, literalSize);
  appendVarint(payload, extraSize);
  if (payload.size() + tokenSize + literalSize + extraSize >= length) return Bytes{};
  payload.insert(payload.end(), tokenBegin_, token_);
  payload.insert(payload.end(), literalBegin_, literal_);
  payload.insert(payload.end(), extraBegin_, extra_);
  return payload;
}

Result<Bytes> veltEncodeWithDictionary(std::span<const uint8_t> block, uint8_t level,
                                       std::span<const uint8_t> dictionary) {
  if (block.empty()) return Failure{StatusCode::invalid_argument, L"VELT encoder was given an empty block"};
  if (block.size() > kVeltMaxBlockSize)
    return Failure{StatusCode::invalid_argument, L"VELT encoder was given a block above the 4 MiB limit"};
  if (dictionary.size() > kVeltMaxBlockSize)
    return Failure{StatusCode::invalid_argument, L"VELT encoder was given a dictionary above the 4 MiB limit"};
  if (!isWorthEncoding(block, level, dictionary)) return Bytes{};
  VeltEncoder encoder(block, level, dictionary);
  return encoder.encode();
}

Result<Bytes> veltEncode(std::span<const uint8_t> block, uint8_t level) {
  return veltEncodeWithDictionary(block, level, {});
}

}  // namespace tolzeb
