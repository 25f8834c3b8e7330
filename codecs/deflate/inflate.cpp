#include "codecs/deflate/inflate.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "codecs/decompressed_limit.h"
#include "codecs/deflate/deflate_format.h"

namespace tolzeb {
namespace {

using namespace deflate_format;

// Lookup widths of the first table level. Longer codes go through a second-level subtable, so a
// hostile stream that declares 15-bit codes in every block costs a few KiB of table per block,
// not 2^15 entries per alphabet.
constexpr unsigned kLiteralLengthRootBits = 10;
constexpr unsigned kDistanceRootBits = 8;
constexpr unsigned kCodeLengthRootBits = kMaxCodeLengthCodeLength;

// Reserving the declared size up front is bounded by what the input can produce (a match of 258
// bytes costs at least two bits), so a tiny archive cannot make us commit gigabytes.
constexpr uint64_t kMaxExpansionPerInputByte = 1032;
constexpr uint64_t kReserveSlack = 64 * 1024;
constexpr uint64_t kMaxUpFrontReserve = 0x80000000ull;
// Room past the last output byte so that matches can be copied eight bytes at a time.
constexpr size_t kCopySlack = 16;
// Keeps cap + slack from overflowing when a caller passes a cap near 2^64.
constexpr uint64_t kMaxCapacity = uint64_t(1) << 62;

// Bits are consumed least significant first, as RFC 1951 packs them.
struct InflateBitReader {
  const uint8_t* data;
  size_t size;
  size_t pos = 0;
  uint64_t bits = 0;
  unsigned count = 0;  // valid bits in `bits`; the bits above them are zero or the next input bits

  void refill() {
    if (size - pos >= 8) {
      bits |= readU64le(data + pos) << count;
      pos += (63 - count) >> 3;
      count |= 56;
    } else {
      while (count <= 56 && pos < size) {
        bits |= uint64_t(data[pos++]) << count;
        count += 8;
      }
    }
  }
  bool ensure(unsigned n) {
    if (count < n) refill();
    return count >= n;
  }
  uint32_t take(unsigned n) {
    uint32_t value = uint32_t(bits & ((uint64_t(1) << n) - 1));
    bits >>= n;
    count -= n;
    return value;
  }
  // Drops the bits up to the next byte boundary and hands whole buffered bytes back to the input.
  void alignToByte() {
    take(count & 7);
    pos -= count / 8;
    bits = 0;
    count = 0;
  }
};

// Entry: symbol in bits 0-15 and code length in bits 16-23 (length 0 marks an invalid code). A
// first-level entry with kSubtableLink set points at a subtable instead: its offset in bits 0-15
// and its index width in bits 16-23.
constexpr uint32_t kSubtableLink = 1u << 31;

struct HuffmanDecodeTable {
  std::vector<uint32_t> entries;
  unsigned rootBits = 0;
  unsigned maxBits = 0;  // 0: no codes at all

  enum class Outcome { symbol, invalid, truncated };

  // Input past the end reads as zero bits. A lookup that lands on an invalid entry is invalid
  // whatever bits follow: complete codes have no invalid entries, and the lone code of a
  // one-code table is all zeros.
  Outcome decode(InflateBitReader& reader, unsigned& symbol) const {
    reader.ensure(maxBits);
    uint32_t entry = entries[reader.bits & ((1u << rootBits) - 1)];
    if (entry & kSubtableLink) {
      unsigned width = (entry >> 16) & 0xFF;
      entry = entries[(entry & 0xFFFF) + ((reader.bits >> rootBits) & ((1u << width) - 1))];
    }
    unsigned length = (entry >> 16) & 0xFF;
    if (length == 0) return Outcome::invalid;
    if (length > reader.count) return Outcome::truncated;
    reader.take(length);
    symbol = entry & 0xFFFF;
    return Outcome::symbol;
  }
};

unsigned reverseBits(unsigned code, unsigned length) {
  unsigned reversed = 0;
  for (unsigned i = 0; i < length; ++i, code >>= 1) reversed = reversed << 1 | (code & 1);
  return reversed;
}

Status buildHuffmanDecodeTable(const uint8_t* lengths, size_t count, unsigned rootBitsLimit,
                               HuffmanDecodeTable& table) {
  unsigned lengthCount[kMaxCodeLength + 1] = {};
  unsigned maxBits = 0, codeCount = 0;
  for (size_t s = 0; s < count; ++s) {
    if (lengths[s] == 0) continue;
    ++lengthCount[lengths[s]];
    ++codeCount;
    maxBits = std::max<unsigned>(maxBits, lengths[s]);
  }
  table.maxBits = maxBits;
  if (codeCount == 0) {
    table.rootBits = 0;
    table.entries.clear();
    return {};
  }
  // A lone code is accepted whatever its length; two or more must fill the code space exactly.
  if (codeCount >= 2) {
    int64_t left = 1;
    for (unsigned len = 1; len <= kMaxCodeLength; ++len) {
      left *= 2;
      if (left < lengthCount[len])
        return Failure{StatusCode::corrupt_archive, L"DEFLATE: over-subscribed Huffman code"};
      left -= lengthCount[len];
    }
    if (left != 0) return Failure{StatusCode::corrupt_archive, L"DEFLATE: incomplete Huffman code"};
  }

  // Canonical codes (RFC 1951 3.2.2), bit-reversed into the stream's order.
  unsigned nextCode[kMaxCodeLength + 1] = {};
  for (unsigned len = 1, code = 0; len <= kMaxCodeLength; ++len) {
    code = (code + lengthCount[len - 1]) << 1;
    nextCode[len] = code;
  }
  std::array<uint16_t, kFixedLiteralLengthSymbolCount> reversed{};
  for (size_t s = 0; s < count; ++s)
    if (lengths[s] != 0) reversed[s] = uint16_t(reverseBits(nextCode[lengths[s]]++, lengths[s]));

  const unsigned rootBits = std::min(maxBits, rootBitsLimit);
  const uint32_t rootMask = (1u << rootBits) - 1;
  table.rootBits = rootBits;
  // Each subtable is as wide as the longest code beneath its first-level entry needs.
  std::array<uint8_t, 1u << kLiteralLengthRootBits> subtableWidth{};
  for (size_t s = 0; s < count; ++s)
    if (lengths[s] > rootBits) {
      uint8_t& width = subtableWidth[reversed[s] & rootMask];
      width = std::max<uint8_t>(width, uint8_t(lengths[s] - rootBits));
    }
  table.entries.assign(size_t(1) << rootBits, 0);
  size_t tableSize = size_t(1) << rootBits;
  for (uint32_t r = 0; r <= rootMask; ++r)
    if (subtableWidth[r] != 0) {
      table.entries[r] = kSubtableLink | uint32_t(subtableWidth[r]) << 16 | uint32_t(tableSize);
      tableSize += size_t(1) << subtableWidth[r];
    }
  table.entries.resize(tableSize, 0);

  for (size_t s = 0; s < count; ++s) {
    const unsigned len = lengths[s];
    if (len == 0) continue;
    const uint32_t entry = uint32_t(s) | uint32_t(len) << 16;
    if (len <= rootBits) {
      for (size_t i = reversed[s]; i <= rootMask; i += size_t(1) << len) table.entries[i] = entry;
    } else {
      const uint32_t link = table.entries[reversed[s] & rootMask];
      const size_t base = link & 0xFFFF, width = (link >> 16) & 0xFF;
      for (size_t i = reversed[s] >> rootBits; i < (size_t(1) << width); i += size_t(1) << (len - rootBits))
        table.entries[base + i] = entry;
    }
  }
  return {};
}

Status buildFixedHuffmanTables(HuffmanDecodeTable& literalLength, HuffmanDecodeTable& distance) {
  uint8_t lengths[kFixedLiteralLengthSymbolCount];
  std::fill(lengths, lengths + 144, uint8_t(8));
  std::fill(lengths + 144, lengths + 256, uint8_t(9));
  std::fill(lengths + 256, lengths + 280, uint8_t(7));
  std::fill(lengths + 280, lengths + 288, uint8_t(8));
  TOLZEB_TRY(buildHuffmanDecodeTable(lengths, kFixedLiteralLengthSymbolCount, kLiteralLengthRootBits, literalLength));
  std::fill(lengths, lengths + kFixedDistanceSymbolCount, uint8_t(5));
  return buildHuffmanDecodeTable(lengths, kFixedDistanceSymbolCount, kDistanceRootBits, distance);
}

Status readDynamicHuffmanHeader(InflateBitReader& reader, HuffmanDecodeTable& literalLength,
                                HuffmanDecodeTable& distance, HuffmanDecodeTable& codeLengthTable) {
  if (!reader.ensure(14)) return corrupt(L"DEFLATE: truncated dynamic block header");
  const unsigned hlit = reader.take(5), hdist = reader.take(5), hclen = reader.take(4);
  if (hlit > kMaxHlit || hdist > kMaxHdist) return corrupt(L"DEFLATE: dynamic block declares too many codes");

  uint8_t codeLengthLengths[kCodeLengthSymbolCount] = {};
  for (unsigned i = 0; i < hclen + 4; ++i) {
    if (!reader.ensure(3)) return corrupt(L"DEFLATE: truncated code-length table");
    codeLengthLengths[kCodeLengthOrder[i]] = uint8_t(reader.take(3));
  }
  TOLZEB_TRY(buildHuffmanDecodeTable(codeLengthLengths, kCodeLengthSymbolCount, kCodeLengthRootBits, codeLengthTable));
  if (codeLengthTable.maxBits == 0) return corrupt(L"DEFLATE: empty code-length alphabet");

  // Literal/length and distance lengths form one sequence: a repeat may cross from one to the other.
  const unsigned literalLengthCount = hlit + kFirstLengthSymbol, total = literalLengthCount + hdist + 1;
  uint8_t lengths[kLiteralLengthSymbolCount + kDistanceSymbolCount];
  unsigned n = 0;
  while (n < total) {
    unsigned symbol;
    if (codeLengthTable.decode(reader, symbol) != HuffmanDecodeTable::Outcome::symbol)
      return corrupt(L"DEFLATE: bad code-length symbol");
    if (symbol < kRepeatPrevious) {
      lengths[n++] = uint8_t(symbol);
      continue;
    }
    if (symbol == kRepeatPrevious && n == 0) return corrupt(L"DEFLATE: repeat opcode with nothing to repeat");
    const unsigned extraBits = symbol == kRepeatPrevious ? 2 : symbol == kRepeatZeroShort ? 3 : 7;
    if (!reader.ensure(extraBits)) return corrupt(L"DEFLATE: truncated repeat");
    const unsigned repeat = reader.take(extraBits) + (symbol == kRepeatZeroLong ? 11 : 3);
    if (repeat > total - n) return corrupt(L"DEFLATE: repeat runs past the alphabet");
    const uint8_t value = symbol == kRepeatPrevious ? lengths[n - 1] : 0;
    std::fill(lengths + n, lengths + n + repeat, value);
    n += repeat;
  }
  if (lengths[kEndOfBlock] == 0)
    return corrupt(L"DEFLATE: block has no end-of-block code, so it could never terminate");
  TOLZEB_TRY(buildHuffmanDecodeTable(lengths, literalLengthCount, kLiteralLengthRootBits, literalLength));
  // An empty distance table is allowed: such a block can hold only literals.
  return buildHuffmanDecodeTable(lengths + literalLengthCount, hdist + 1, kDistanceRootBits, distance);
}

// Streaming: output is handed on once this much is held, keeping the last window for matches.
constexpr size_t kStreamFlushAt = size_t(1) << 20;
// Streaming: unread input kept ahead of the decoder, enough for any one symbol with its extra
// bits, and for any dynamic block header.
constexpr size_t kInflateSymbolMargin = 64;
constexpr size_t kHeaderInputMargin = 1024;

}  // namespace

class Inflater {
 public:
  Inflater(const uint8_t* data, size_t size, uint64_t declaredSize, uint64_t cap, bool prefix)
      : reader_{data, size}, declaredSize_(prefix ? 0 : declaredSize), cap_(cap), prefix_(prefix) {}

  // Strict, resumable decoding of one stream from `input`: `pull` hands out the output in pieces.
  Inflater(InflateInput& input, uint64_t cap)
      : reader_{input.data(), input.end()}, declaredSize_(0), cap_(cap), prefix_(false), input_(&input) {
    reader_.pos = input.position();
    reserveInitialOutput();
  }

  Result<size_t> pull(uint8_t* buffer, size_t capacity) {
    for (;;) {
      if (readPosition_ < outSize_) {
        const size_t n = std::min(capacity, outSize_ - readPosition_);
        std::memcpy(buffer, out_.data() + readPosition_, n);
        readPosition_ += n;
        return n;
      }
      if (finished_) return size_t(0);
      keepOnlyWindow();
      const Flow flow = decodeBlocks();
      if (flow == Flow::fail) return std::move(failure_);
      if (flow == Flow::next) {
        finished_ = true;
        // The stream ends on a byte boundary for whatever follows it.
        reader_.alignToByte();
        input_->setPosition(reader_.pos);
      }
    }
  }

  uint64_t produced() const { return flushed_ + outSize_; }

  Result<Bytes> run() {
    reserveInitialOutput();
    const Flow flow = decodeBlocks();
    if (flow == Flow::fail) return std::move(failure_);
    if (flow == Flow::next && declaredSize_ != 0 && outSize_ != declaredSize_)
      return corrupt(L"Decompressed to " + decimal(uint64_t(outSize_)) + L" bytes, but the entry declares " +
                     decimal(declaredSize_));
    out_.resize(outSize_);
    return std::move(out_);
  }

 private:
  // next: the stream is complete; stop: a prefix ends; pause: streaming output is waiting.
  enum class Flow { next, stop, fail, pause };
  enum class Block { none, stored, fixed, dynamic };

  Flow decodeBlocks() {
    for (;;) {
      if (block_ == Block::none) {
        if (final_) return Flow::next;
        if (input_ && !refillInput(kHeaderInputMargin)) return Flow::fail;
        if (!reader_.ensure(3)) return endOfInput(L"DEFLATE: truncated block header");
        final_ = reader_.take(1);
        switch (reader_.take(2)) {
          case kBlockTypeStored:
            block_ = Block::stored;
            break;
          case kBlockTypeFixed:
            if (fixedLiteralLength_.entries.empty()) (void)buildFixedHuffmanTables(fixedLiteralLength_, fixedDistance_);
            block_ = Block::fixed;
            break;
          case kBlockTypeDynamic:
            if (Status header = readDynamicHuffmanHeader(reader_, literalLength_, distance_, codeLength_);
                header.failed())
              return prefix_ ? Flow::stop : fail(std::move(header).failure());
            block_ = Block::dynamic;
            break;
          default:
            return fail(corrupt(L"DEFLATE: reserved block type"));
        }
      }
      const Flow flow = block_ == Block::stored  ? storedBlock()
                        : block_ == Block::fixed ? compressedBlock(fixedLiteralLength_, fixedDistance_)
                                                 : compressedBlock(literalLength_, distance_);
      if (flow != Flow::next) return flow;
      block_ = Block::none;
    }
  }

  // Streaming: drops the output already handed out, but for the last window that matches reach.
  void keepOnlyWindow() {
    const size_t kept = std::min(outSize_, kWindowSize);
    const size_t dropped = outSize_ - kept;
    if (dropped == 0) return;
    std::memmove(out_.data(), out_.data() + dropped, kept);
    outSize_ = kept;
    readPosition_ = kept;
    cap_ -= dropped;
    flushed_ += dropped;
  }

  Flow fail(Failure failure) {
    failure_ = std::move(failure);
    return Flow::fail;
  }
  // The input ran out: the end of a prefix, a fault of a whole stream.
  Flow endOfInput(const wchar_t* message) { return prefix_ ? Flow::stop : fail(corrupt(message)); }
  Flow capReached() { return prefix_ ? Flow::stop : fail(decompressedOverLimit()); }

  // Streaming: slides the input forward so that at least `want` unread bytes are there (unless
  // the stream ends first). The bytes just behind the read position stay, so that the bit reader
  // can hand whole buffered bytes back.
  bool refillInput(size_t want) {
    if (reader_.size - reader_.pos >= want + 8) return true;
    input_->setPosition(reader_.pos);
    if (Status filled = input_->fill(want + 8); filled.failed()) {
      failure_ = std::move(filled).failure();
      return false;
    }
    reader_.data = input_->data();
    reader_.size = input_->end();
    reader_.pos = input_->position();
    return true;
  }

  // Streaming upkeep before each symbol: input ahead of the decoder, and a pause once enough
  // output waits to be handed out.
  Flow serviceStream(size_t inputWanted) {
    if (!refillInput(inputWanted)) return Flow::fail;
    return outSize_ >= kStreamFlushAt ? Flow::pause : Flow::next;
  }

  void reserveInitialOutput() {
    if (input_) {
      out_.resize(kStreamFlushAt + kMaxStoredBlockSize + kMaxMatchLength + kCopySlack);
      return;
    }
    uint64_t initial = std::min<uint64_t>(cap_, std::max<uint64_t>(uint64_t(reader_.size) * 4, 4096));
    if (declaredSize_ != 0 && declaredSize_ <= cap_ && declaredSize_ <= kMaxUpFrontReserve)
      initial = std::min(declaredSize_, uint64_t(reader_.size) * kMaxExpansionPerInputByte + kReserveSlack);
    out_.resize(size_t(initial) + kCopySlack);
  }

  // Room for `extra` more bytes (the caller has checked the cap) plus the copy slack.
  uint8_t* room(size_t extra) {
    const size_t need = outSize_ + extra + kCopySlack;
    if (need > out_.size()) {
      const uint64_t doubled = std::min<uint64_t>(uint64_t(out_.size()) * 2, std::min(cap_, kMaxCapacity) + kCopySlack);
      out_.resize(std::max<size_t>(need, size_t(doubled)));
    }
    return out_.data() + outSize_;
  }

  void append(const uint8_t* bytes, size_t n) {
    std::memcpy(room(n), bytes, n);
    outSize_ += n;
  }

  Flow storedBlock() {
    if (input_) {
      if (const Flow flow = serviceStream(4 + kMaxStoredBlockSize + 8); flow != Flow::next) return flow;
    }
    reader_.alignToByte();
    if (reader_.size - reader_.pos < 4) return endOfInput(L"DEFLATE: truncated stored header");
    const uint8_t* header = reader_.data + reader_.pos;
    const size_t length = readU16le(header);
    if (readU16le(header + 2) != uint16_t(~length))
      return fail(corrupt(L"DEFLATE: stored block length does not match its complement"));
    reader_.pos += 4;
    const size_t available = reader_.size - reader_.pos;
    const bool overCap = outSize_ + length > cap_;
    if (overCap && !prefix_) return capReached();
    if (available < length && !prefix_) return fail(corrupt(L"DEFLATE: stored block is truncated"));
    size_t n = std::min(length, available);
    if (overCap) n = std::min<size_t>(n, size_t(cap_ - outSize_));
    append(reader_.data + reader_.pos, n);
    reader_.pos += n;
    return n == length ? Flow::next : Flow::stop;
  }

  Flow compressedBlock(const HuffmanDecodeTable& literalLength, const HuffmanDecodeTable& distance) {
    using Outcome = HuffmanDecodeTable::Outcome;
    for (;;) {
      if (input_) {
        if (const Flow flow = serviceStream(kInflateSymbolMargin); flow != Flow::next) return flow;
      }
      unsigned symbol;
      if (literalLength.decode(reader_, symbol) != Outcome::symbol)
        return endOfInput(L"DEFLATE: bad literal/length symbol");  // an invalid code ends a prefix too
      if (symbol < kEndOfBlock) {
        if (outSize_ >= cap_) return capReached();
        *room(1) = uint8_t(symbol);
        ++outSize_;
        continue;
      }
      if (symbol == kEndOfBlock) return Flow::next;
      if (symbol >= kFirstLengthSymbol + 29) return fail(corrupt(L"DEFLATE: length symbol is outside the alphabet"));
      const unsigned lengthIndex = symbol - kFirstLengthSymbol;
      if (!reader_.ensure(kLengthExtraBits[lengthIndex])) return endOfInput(L"DEFLATE: truncated length");
      const size_t length = kLengthBase[lengthIndex] + reader_.take(kLengthExtraBits[lengthIndex]);

      if (distance.maxBits == 0) return fail(corrupt(L"DEFLATE: bad distance symbol"));
      const Outcome decoded = distance.decode(reader_, symbol);
      if (decoded == Outcome::invalid) return fail(corrupt(L"DEFLATE: bad distance symbol"));
      if (decoded == Outcome::truncated) return endOfInput(L"DEFLATE: bad distance symbol");
      if (symbol >= kDistanceSymbolCount) return fail(corrupt(L"DEFLATE: distance symbol is outside the alphabet"));
      if (!reader_.ensure(kDistanceExtraBits[symbol])) return endOfInput(L"DEFLATE: truncated distance");
      const size_t dist = kDistanceBase[symbol] + reader_.take(kDistanceExtraBits[symbol]);
      if (dist > outSize_) return fail(corrupt(L"DEFLATE: match points before the start of the output"));

      size_t copyLength = length;
      if (outSize_ + length > cap_) {
        if (!prefix_) return capReached();
        copyLength = size_t(cap_ - outSize_);
      }
      copyMatch(dist, copyLength);
      if (copyLength != length) return Flow::stop;
    }
  }

  // An overlapping match (distance below length) repeats its own output, as byte-wise copying does.
  void copyMatch(size_t dist, size_t length) {
    uint8_t* dst = room(length);
    const uint8_t* src = dst - dist;
    outSize_ += length;
    if (dist >= 8) {
      // Whole words may run up to seven bytes past the match, into the slack.
      for (size_t i = 0; i < length; i += 8) std::memcpy(dst + i, src + i, 8);
    } else {
      for (size_t i = 0; i < length; ++i) dst[i] = src[i];
    }
  }

  InflateBitReader reader_;
  uint64_t declaredSize_;
  uint64_t cap_;
  bool prefix_;
  Bytes out_;
  size_t outSize_ = 0;
  Failure failure_;
  Block block_ = Block::none;  // the block being decoded
  bool final_ = false;         // it is the last one
  // Streaming only.
  InflateInput* input_ = nullptr;
  size_t readPosition_ = 0;  // output before it has been handed out
  uint64_t flushed_ = 0;     // output handed out and dropped from out_
  bool finished_ = false;
  HuffmanDecodeTable fixedLiteralLength_, fixedDistance_, literalLength_, distance_, codeLength_;
};

Result<Bytes> inflate(const uint8_t* data, size_t size, uint64_t declaredSize, uint64_t cap, bool prefix) {
  if (data == nullptr && size != 0) return Failure{StatusCode::invalid_argument, L"inflate: null input"};
  if (cap == 0) return Failure{StatusCode::invalid_argument, L"inflate: output cap must not be zero"};
  return Inflater(data, size, declaredSize, cap, prefix).run();
}

InflateInput::InflateInput(Reader read, size_t bufferSize) : read_(std::move(read)), buffer_(bufferSize) {}

InflateInput InflateInput::over(const uint8_t* data, size_t size) {
  size_t offset = 0;
  return InflateInput([data, size, offset](uint8_t* buffer, size_t capacity) mutable -> Result<size_t> {
    const size_t n = std::min(capacity, size - offset);
    if (n != 0) std::memcpy(buffer, data + offset, n);
    offset += n;
    return n;
  });
}

Status InflateInput::fill(size_t want) {
  if (end_ - position_ >= want || ended_) return Status();
  // Keep a few bytes behind the read position: a decoder may step back over bytes it buffered.
  const size_t keepFrom = position_ > kKeptBehind ? position_ - kKeptBehind : 0;
  std::memmove(buffer_.data(), buffer_.data() + keepFrom, end_ - keepFrom);
  position_ -= keepFrom;
  end_ -= keepFrom;
  consumedBefore_ += keepFrom;
  if (buffer_.size() < position_ + want) buffer_.resize(position_ + want);
  while (end_ - position_ < want && !ended_) {
    TOLZEB_ASSIGN_OR_RETURN(const size_t got, read_(buffer_.data() + end_, buffer_.size() - end_));
    if (got == 0) ended_ = true;
    end_ += got;
  }
  return Status();
}

DeflateStreamReader::DeflateStreamReader(InflateInput& input, uint64_t cap)
    : inflater_(std::make_unique<Inflater>(input, std::max<uint64_t>(cap, 1))) {}

DeflateStreamReader::~DeflateStreamReader() = default;
DeflateStreamReader::DeflateStreamReader(DeflateStreamReader&&) noexcept = default;
DeflateStreamReader& DeflateStreamReader::operator=(DeflateStreamReader&&) noexcept = default;

Result<size_t> DeflateStreamReader::read(uint8_t* buffer, size_t capacity) { return inflater_->pull(buffer, capacity); }

uint64_t DeflateStreamReader::produced() const { return inflater_->produced(); }

Result<Bytes> inflateExact(const uint8_t* data, size_t size, uint64_t declaredSize, uint64_t cap) {
  return inflate(data, size, declaredSize, cap, false);
}

Result<Bytes> inflatePrefix(const uint8_t* data, size_t size, uint64_t cap) {
  return inflate(data, size, 0, cap, true);
}

}  // namespace tolzeb
