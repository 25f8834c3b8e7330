#include <algorithm>
#include <array>
#include <memory>
#include <cstring>
#include <vector>

#include "codecs/deflate/deflate.h"
#include "codecs/deflate/deflate_format.h"
#include "codecs/match_hash.h"
#include "codecs/velt/huffman.h"

namespace tolzeb {
namespace {

using namespace deflate_format;

constexpr size_t kSymbolsPerBlock = 16384;
constexpr unsigned kHashBits = 15;
constexpr size_t kChainEnd = SIZE_MAX;
// Stored blocks cost their bytes plus a header this large (the bit count the block choice uses).
constexpr uint64_t kStoredBlockOverheadBits = 48;
// BFINAL, BTYPE, HLIT, HDIST and HCLEN.
constexpr uint64_t kDynamicHeaderBits = 3 + 5 + 5 + 4;

int chainDepthForLevel(int32_t level) {
  if (level <= 0) return 0;
  if (level <= 3) return 8;
  if (level <= 6) return 64;
  return 256;
}

// A literal has distance 0 and its byte in the first field; a match its length and distance.
struct DeflateSymbol {
  uint16_t literalOrLength;
  uint16_t distance;
};

struct CodeLengthSymbol {
  uint8_t symbol;
  uint8_t extraBits;
  uint32_t extraValue;
};

// `bits` holds the code already reversed into the stream's order, so it is written as plain bits.
struct HuffmanCode {
  uint16_t bits;
  uint8_t length;
};

constexpr auto kLengthCodeOf = [] {
  std::array<uint8_t, kMaxMatchLength + 1> table{};
  for (unsigned code = 0; code < 29; ++code)
    for (unsigned length = kLengthBase[code]; length <= kMaxMatchLength; ++length) table[length] = uint8_t(code);
  return table;
}();

// Distances up to 256 index the first half directly, longer ones by (distance - 1) >> 7.
constexpr auto kDistanceCodeOf = [] {
  std::array<uint8_t, 512> table{};
  for (unsigned code = 0; code < kDistanceSymbolCount; ++code) {
    for (unsigned d = kDistanceBase[code]; d <= 256; ++d) table[d - 1] = uint8_t(code);
    for (unsigned d = std::max<unsigned>(kDistanceBase[code], 257); d <= kWindowSize; d += 128)
      table[256 + ((d - 1) >> 7)] = uint8_t(code);
  }
  return table;
}();

unsigned distanceCode(unsigned distance) {
  return distance <= 256 ? kDistanceCodeOf[distance - 1] : kDistanceCodeOf[256 + ((distance - 1) >> 7)];
}

class BitWriter {
 public:
  explicit BitWriter(Bytes& out) : out_(out) {}

  // The n low bits of value, least significant first (n at most 32).
  void putBits(uint32_t value, unsigned n) {
    buffer_ |= uint64_t(value) << count_;
    count_ += n;
    if (count_ >= 32) {
      uint8_t word[4];
      writeU32le(word, uint32_t(buffer_));
      out_.insert(out_.end(), word, word + 4);
      buffer_ >>= 32;
      count_ -= 32;
    }
  }
  void putCode(HuffmanCode code) { putBits(code.bits, code.length); }

  // Pads with zero bits to a byte boundary and moves every buffered byte to the output.
  void alignToByte() {
    count_ = (count_ + 7) & ~7u;
    for (; count_ > 0; count_ -= 8, buffer_ >>= 8) out_.push_back(uint8_t(buffer_));
  }

 private:
  Bytes& out_;
  uint64_t buffer_ = 0;
  unsigned count_ = 0;
};

// Canonical codes (RFC 1951 3.2.2): codes of one length are consecutive in symbol order, shorter first.
void assignDeflateCodes(const uint8_t* lengths, size_t count, HuffmanCode* codes) {
  unsigned lengthCount[kMaxCodeLength + 1] = {};
  for (size_t s = 0; s < count; ++s) ++lengthCount[lengths[s]];
  lengthCount[0] = 0;
  unsigned nextCode[kMaxCodeLength + 1] = {};
  for (unsigned len = 1, code = 0; len <= kMaxCodeLength; ++len) {
    code = (code + lengthCount[len - 1]) << 1;
    nextCode[len] = code;
  }
  for (size_t s = 0; s < count; ++s) {
    const unsigned length = lengths[s];
    codes[s] = {0, uint8_t(length)};
    if (length == 0) continue;
    unsigned code = nextCode[length]++, reversed = 0;
    for (unsigned i = 0; i < length; ++i, code >>= 1) reversed = reversed << 1 | (code & 1);
    codes[s].bits = uint16_t(reversed);
  }
}

std::vector<CodeLengthSymbol> encodeCodeLengthRuns(const uint8_t* lengths, size_t count) {
  std::vector<CodeLengthSymbol> out;
  for (size_t i = 0; i < count;) {
    const uint8_t value = lengths[i];
    size_t run = 1;
    while (i + run < count && lengths[i + run] == value) ++run;
    i += run;
    size_t remaining = run;
    if (value != 0) {
      out.push_back({value, 0, 0});
      --remaining;
      for (; remaining >= 3; remaining -= std::min<size_t>(remaining, 6))
        out.push_back({kRepeatPrevious, 2, uint32_t(std::min<size_t>(remaining, 6) - 3)});
    } else {
      for (; remaining > 10; remaining -= std::min<size_t>(remaining, 138))
        out.push_back({kRepeatZeroLong, 7, uint32_t(std::min<size_t>(remaining, 138) - 11)});
      for (; remaining >= 3; remaining -= std::min<size_t>(remaining, 10))
        out.push_back({kRepeatZeroShort, 3, uint32_t(std::min<size_t>(remaining, 10) - 3)});
    }
    for (; remaining > 0; --remaining) out.push_back({value, 0, 0});
  }
  return out;
}

// Encodes the bytes it is shown, absolute positions [0, end_), of which [bufferStart_, end_) are
// in memory. Until the end of the input is known, a position is encoded only with more than a
// longest match and a hash key of lookahead after it, so every decision (match lengths, the
// final flag of a full block) is the one the whole input would give: streamed pieces of any size
// make the same bytes as one call over everything.
class DeflateEncoder {
 public:
  explicit DeflateEncoder(int depth)
      : depth_(depth), heads_(size_t(1) << kHashBits, kChainEnd), links_(depth == 0 ? 0 : kWindowSize, kChainEnd) {
    symbols_.reserve(kSymbolsPerBlock + 1);
  }

  // The bytes from `bufferStart` on, up to the absolute position `end`; `ended` when no more follow.
  void show(const uint8_t* buffer, size_t bufferStart, size_t end, bool ended) {
    buffer_ = buffer;
    bufferStart_ = bufferStart;
    end_ = end;
    ended_ = ended;
  }

  // Encodes what the lookahead allows; the compressed bytes so far are in output().
  void encodeAvailable() {
    while (pos_ < end_ && (ended_ || pos_ + kMaxMatchLength + kMinMatchLength < end_)) {
      const auto [length, distance] = findMatch();
      if (length >= kMinMatchLength) {
        symbols_.push_back({uint16_t(length), uint16_t(distance)});
        for (size_t stop = pos_ + length; pos_ < stop; ++pos_) insert(pos_);
      } else {
        symbols_.push_back({at(pos_)[0], 0});
        insert(pos_);
        ++pos_;
      }
      if (symbols_.size() == kSymbolsPerBlock) (void)writeBlock(ended_ && pos_ >= end_);
    }
    if (ended_ && pos_ >= end_) {
      // A block that ended exactly at the last byte was already written as the final one.
      if (!symbols_.empty()) (void)writeBlock(true);
      writer_.alignToByte();
    }
  }

  // The first position a later step can still read: the open block's bytes (a stored block
  // copies them) and one window before the next position.
  size_t firstNeeded() const { return std::min(blockStart_, pos_ - std::min<size_t>(pos_, kWindowSize)); }

  Bytes& output() { return out_; }

  Status writeBlock(bool final);

 private:
  const uint8_t* at(size_t p) const { return buffer_ + (p - bufferStart_); }

  uint32_t hashAt(size_t p) const {
    const uint8_t* b = at(p);
    const uint32_t key = uint32_t(b[0]) << 16 | uint32_t(b[1]) << 8 | b[2];
    return (key * kHashMultiplier) >> (32 - kHashBits);
  }

  // Links form a ring of one window: a walk only reads the link of a candidate within the window,
  // and that slot is overwritten only when the position one window later is inserted, which
  // never happens before the walk from a position at or before it.
  void insert(size_t p) {
    if (depth_ == 0 || p + kMinMatchLength > end_) return;
    size_t& head = heads_[hashAt(p)];
    links_[p & (kWindowSize - 1)] = head;
    head = p;
  }

  size_t commonLength(const uint8_t* a, const uint8_t* b, size_t maxLength) const {
    size_t n = 0;
    while (n + 8 <= maxLength) {
      uint64_t x, y;
      std::memcpy(&x, a + n, 8);
      std::memcpy(&y, b + n, 8);
      if (x != y) return n + size_t(__builtin_ctzll(x ^ y) >> 3);  // little-endian: lowest byte first
      n += 8;
    }
    while (n < maxLength && a[n] == b[n]) ++n;
    return n;
  }

  struct Match {
    size_t length;
    size_t distance;
  };

  // Greedy: the longest match among the first `depth` candidates; ties keep the nearer one.
  Match findMatch() const {
    Match best{0, 0};
    if (depth_ == 0 || pos_ + kMinMatchLength > end_) return best;
    const size_t maxLength = std::min<size_t>(kMaxMatchLength, end_ - pos_);
    const uint8_t* current = at(pos_);
    size_t candidate = heads_[hashAt(pos_)];
    for (int remaining = depth_; remaining != 0 && candidate != kChainEnd && pos_ - candidate <= kWindowSize;
         --remaining, candidate = links_[candidate & (kWindowSize - 1)]) {
      const uint8_t* earlier = at(candidate);
      if (best.length >= kMinMatchLength && earlier[best.length] != current[best.length]) continue;
      const size_t length = commonLength(earlier, current, maxLength);
      if (length > best.length) {
        best = {length, pos_ - candidate};
        if (length == maxLength) break;
      }
    }
    return best;
  }

  int depth_;
  std::vector<size_t> heads_;
  std::vector<size_t> links_;
  std::vector<DeflateSymbol> symbols_;
  const uint8_t* buffer_ = nullptr;
  size_t bufferStart_ = 0;
  size_t end_ = 0;
  bool ended_ = false;
  size_t pos_ = 0;
  size_t blockStart_ = 0;
  Bytes out_;
  BitWriter writer_{out_};
};

Status DeflateEncoder::writeBlock(bool final) {
  uint64_t literalLengthFrequency[kLiteralLengthSymbolCount] = {};
  uint64_t distanceFrequency[kDistanceSymbolCount] = {};
  for (const DeflateSymbol& symbol : symbols_) {
    if (symbol.distance == 0) {
      ++literalLengthFrequency[symbol.literalOrLength];
    } else {
      ++literalLengthFrequency[kFirstLengthSymbol + kLengthCodeOf[symbol.literalOrLength]];
      ++distanceFrequency[distanceCode(symbol.distance)];
    }
  }
  literalLengthFrequency[kEndOfBlock] = 1;

  uint8_t literalLengthLengths[kLiteralLengthSymbolCount];
  uint8_t distanceLengths[kDistanceSymbolCount];
  buildHuffmanCodeLengths(literalLengthFrequency, kLiteralLengthSymbolCount, kMaxCodeLength, literalLengthLengths);
  buildHuffmanCodeLengths(distanceFrequency, kDistanceSymbolCount, kMaxCodeLength, distanceLengths);
  // A block without matches still sends one distance code, as RFC 1951 3.2.7 allows.
  if (std::all_of(distanceLengths, distanceLengths + kDistanceSymbolCount, [](uint8_t l) { return l == 0; }))
    distanceLengths[0] = 1;

  size_t hlit = kLiteralLengthSymbolCount;
  while (hlit > kFirstLengthSymbol && literalLengthLengths[hlit - 1] == 0) --hlit;
  size_t hdist = kDistanceSymbolCount;
  while (hdist > 1 && distanceLengths[hdist - 1] == 0) --hdist;
  // One sequence: runs may cross from the literal/length lengths into the distance lengths.
  uint8_t sequence[kLiteralLengthSymbolCount + kDistanceSymbolCount];
  std::copy(literalLengthLengths, literalLengthLengths + hlit, sequence);
  std::copy(distanceLengths, distanceLengths + hdist, sequence + hlit);
  const std::vector<CodeLengthSymbol> runs = encodeCodeLengthRuns(sequence, hlit + hdist);

  uint64_t codeLengthFrequency[kCodeLengthSymbolCount] = {};
  for (const CodeLengthSymbol& run : runs) ++codeLengthFrequency[run.symbol];
  uint8_t codeLengthLengths[kCodeLengthSymbolCount];
  buildHuffmanCodeLengths(codeLengthFrequency, kCodeLengthSymbolCount, kMaxCodeLengthCodeLength, codeLengthLengths);
  size_t hclen = kCodeLengthSymbolCount;
  while (hclen > 4 && codeLengthLengths[kCodeLengthOrder[hclen - 1]] == 0) --hclen;

  uint64_t dynamicBits = kDynamicHeaderBits + 3 * hclen;
  for (const CodeLengthSymbol& run : runs) dynamicBits += codeLengthLengths[run.symbol] + run.extraBits;
  for (size_t s = 0; s < kLiteralLengthSymbolCount; ++s) {
    dynamicBits += literalLengthFrequency[s] * literalLengthLengths[s];
    if (s >= kFirstLengthSymbol) dynamicBits += literalLengthFrequency[s] * kLengthExtraBits[s - kFirstLengthSymbol];
  }
  for (size_t s = 0; s < kDistanceSymbolCount; ++s)
    dynamicBits += distanceFrequency[s] * (distanceLengths[s] + kDistanceExtraBits[s]);
  const uint64_t storedBits = 8 * uint64_t(pos_ - blockStart_) + kStoredBlockOverheadBits;

  if (dynamicBits < storedBits) {
    HuffmanCode literalLengthCodes[kLiteralLengthSymbolCount], distanceCodes[kDistanceSymbolCount],
        codeLengthCodes[kCodeLengthSymbolCount];
    assignDeflateCodes(literalLengthLengths, kLiteralLengthSymbolCount, literalLengthCodes);
    assignDeflateCodes(distanceLengths, kDistanceSymbolCount, distanceCodes);
    assignDeflateCodes(codeLengthLengths, kCodeLengthSymbolCount, codeLengthCodes);
    writer_.putBits(final, 1);
    writer_.putBits(kBlockTypeDynamic, 2);
    writer_.putBits(uint32_t(hlit - kFirstLengthSymbol), 5);
    writer_.putBits(uint32_t(hdist - 1), 5);
    writer_.putBits(uint32_t(hclen - 4), 4);
    for (size_t i = 0; i < hclen; ++i) writer_.putBits(codeLengthLengths[kCodeLengthOrder[i]], 3);
    for (const CodeLengthSymbol& run : runs) {
      writer_.putCode(codeLengthCodes[run.symbol]);
      writer_.putBits(run.extraValue, run.extraBits);
    }
    for (const DeflateSymbol& symbol : symbols_) {
      if (symbol.distance == 0) {
        writer_.putCode(literalLengthCodes[symbol.literalOrLength]);
        continue;
      }
      const unsigned lengthCode = kLengthCodeOf[symbol.literalOrLength];
      writer_.putCode(literalLengthCodes[kFirstLengthSymbol + lengthCode]);
      writer_.putBits(symbol.literalOrLength - kLengthBase[lengthCode], kLengthExtraBits[lengthCode]);
      const unsigned code = distanceCode(symbol.distance);
      writer_.putCode(distanceCodes[code]);
      writer_.putBits(symbol.distance - kDistanceBase[code], kDistanceExtraBits[code]);
    }
    writer_.putCode(literalLengthCodes[kEndOfBlock]);
  } else {
    // Equal costs go to stored: the bytes as they are, in pieces of at most 65535.
    for (size_t start = blockStart_; start < pos_;) {
      const size_t length = std::min(kMaxStoredBlockSize, pos_ - start);
      const bool last = start + length == pos_;
      writer_.putBits(final && last, 1);
      writer_.putBits(kBlockTypeStored, 2);
      writer_.alignToByte();
      appendU16le(out_, uint16_t(length));
      appendU16le(out_, uint16_t(~length));
      out_.insert(out_.end(), at(start), at(start) + length);
      start += length;
    }
  }
  symbols_.clear();
  blockStart_ = pos_;
  return {};
}

// One final fixed-Huffman block holding only the end-of-block code.
void writeEmptyStream(Bytes& out) {
  BitWriter writer(out);
  writer.putBits(1, 1);
  writer.putBits(kBlockTypeFixed, 2);
  writer.putBits(0, 7);
  writer.alignToByte();
}

}  // namespace

Result<Bytes> deflate(const uint8_t* data, size_t size, int32_t level) {
  if (data == nullptr && size != 0) return Failure{StatusCode::invalid_argument, L"deflate: null input"};
  Bytes out;
  if (size == 0) {
    writeEmptyStream(out);
    return out;
  }
  DeflateEncoder encoder(chainDepthForLevel(level));
  encoder.output().reserve(size / 2 + 64);
  encoder.show(data, 0, size, /*ended=*/true);
  encoder.encodeAvailable();
  return std::move(encoder.output());
}

struct DeflateStreamWriter::State {
  explicit State(int depth) : encoder(depth) {}
  DeflateEncoder encoder;
  Bytes window;             // the input from windowStart on
  size_t windowStart = 0;   // absolute position of window[0]
};

DeflateStreamWriter::DeflateStreamWriter(int32_t level, ByteSink sink)
    : state_(std::make_unique<State>(chainDepthForLevel(level))), sink_(std::move(sink)) {}

DeflateStreamWriter::~DeflateStreamWriter() = default;

Status DeflateStreamWriter::write(const uint8_t* data, size_t size) {
  if (finished_) return Failure{StatusCode::invalid_argument, L"deflate: write after finish"};
  // In pieces, so that one large write does not hold its whole input in the window.
  constexpr size_t kPiece = size_t(1) << 20;
  while (size > 0) {
    const size_t piece = std::min(size, kPiece);
    State& s = *state_;
    s.window.insert(s.window.end(), data, data + piece);
    total_ += piece;
    data += piece;
    size -= piece;
    TOLZEB_TRY(encode(/*ended=*/false));
  }
  return {};
}

Status DeflateStreamWriter::finish() {
  if (finished_) return {};
  finished_ = true;
  if (total_ == 0) {
    Bytes out;
    writeEmptyStream(out);
    return sink_(out.data(), out.size());
  }
  return encode(/*ended=*/true);
}

Status DeflateStreamWriter::encode(bool ended) {
  State& s = *state_;
  s.encoder.show(s.window.data(), s.windowStart, s.windowStart + s.window.size(), ended);
  s.encoder.encodeAvailable();
  Bytes& out = s.encoder.output();
  if (!out.empty()) {
    TOLZEB_TRY(sink_(out.data(), out.size()));
    out.clear();
  }
  // Dropping what no later step reads keeps the window near one block's bytes; it is moved only
  // once the dead part is large, so the copying stays a small share of the work.
  const size_t dead = s.encoder.firstNeeded() - s.windowStart;
  if (dead >= (size_t(1) << 20) && dead * 2 >= s.window.size()) {
    s.window.erase(s.window.begin(), s.window.begin() + ptrdiff_t(dead));
    s.windowStart += dead;
  }
  return {};
}

}  // namespace tolzeb
