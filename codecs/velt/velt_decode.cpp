#include <algorithm>
#include <cstring>

#include "codecs/velt/velt.h"
#include "codecs/velt/velt_format.h"

namespace tolzeb {
namespace {

// Where a varint ends and what it holds; `next` is null when the form is refused.
struct VarintRead {
  const uint8_t* next;
  uint64_t value;
};

[[gnu::noinline]] VarintRead readVarintSlow(const uint8_t* cursor, const uint8_t* end) {
  ByteReader reader(cursor, size_t(end - cursor));
  std::optional<uint64_t> read = readVarint(reader);
  if (!read) return {nullptr, 0};
  return {cursor + reader.pos, *read};
}

// A varint of at most three bytes at `cursor`, which the caller knows to hold three readable
// bytes; false (cursor unchanged) for a longer or a non-minimal form, which the careful step
// then reads or refuses.
[[gnu::always_inline]] inline bool readShortVarint(const uint8_t*& cursor, uint64_t& value) {
  const uint64_t b0 = cursor[0];
  if (b0 < 0x80) {
    value = b0;
    cursor += 1;
    return true;
  }
  const uint64_t b1 = cursor[1];
  if (b1 < 0x80) {
    if (b1 == 0) return false;
    value = (b0 & 0x7F) | b1 << 7;
    cursor += 2;
    return true;
  }
  const uint64_t b2 = cursor[2];
  if (b2 == 0 || b2 >= 0x80) return false;
  value = (b0 & 0x7F) | (b1 & 0x7F) << 7 | b2 << 14;
  cursor += 3;
  return true;
}

// One stream of the payload, read front to back. Kept as plain values so the decode loop can
// hold every cursor in a register.
struct Stream {
  const uint8_t* cursor;
  const uint8_t* end;

  size_t remaining() const { return size_t(end - cursor); }

  // Same acceptance as readVarint (minimal forms only); forms of up to three bytes, which
  // cover every length and distance below 2 MiB, are decoded inline.
  [[gnu::always_inline]] bool readVarint(uint64_t& value) {
    if (remaining() >= 3 && readShortVarint(cursor, value)) return true;
    VarintRead read = readVarintSlow(cursor, end);
    if (read.next == nullptr) return false;
    cursor = read.next;
    value = read.value;
    return true;
  }
};

// Copies `length` bytes from `distance` back. `slack` says how many bytes past the copy may be
// scribbled on (they are written again later), which allows whole-word steps.
[[gnu::always_inline]] inline void copyWithin(uint8_t* out, uint64_t distance, size_t length, size_t slack) {
  const uint8_t* from = out - distance;
  if (slack >= 16) {
    if (distance >= 16) {
      for (size_t done = 0; done < length; done += 16) std::memcpy(out + done, from + done, 16);
      return;
    }
    if (distance >= 8) {
      for (size_t done = 0; done < length; done += 8) std::memcpy(out + done, from + done, 8);
      return;
    }
    if (length <= 64) {
      for (size_t k = 0; k < length; ++k) out[k] = from[k];
      return;
    }
  }
  if (distance >= length) {
    std::memcpy(out, from, length);
  } else if (distance == 1) {
    std::memset(out, *from, length);
  } else {
    for (size_t k = 0; k < length; ++k) out[k] = from[k];
  }
}

// The fast loop runs while the output has room for the longest inline token plus a wide copy's
// overrun, and the literal stream for the longest inline literal run read as two 16-byte words.
constexpr size_t kLongestInlineToken = kVeltExtendedLengthCode - 1 + 4;  // every kind but patch
constexpr size_t kFastOutputRoom = kLongestInlineToken + 16;
constexpr size_t kFastLiteralRoom = 32;
constexpr size_t kFastTokenRoom = 2;   // a token byte and a rep slot
constexpr size_t kFastExtraRoom = 3;   // a distance's varint of up to three bytes; longer ones end the batch

// A copy of at most kLongestInlineToken bytes inside the fast loop, where kFastOutputRoom bytes
// of output are free: fixed-count word copies instead of a loop on the length, so the branch
// predictor only sees the (steady) distance class. Each word reads bytes the ones before it
// have written, which is what an overlapping copy needs.
[[gnu::always_inline]] inline void copyShortWithin(uint8_t* out, uint64_t distance, size_t length) {
  static_assert(3 * 16 >= kLongestInlineToken && 3 * 16 <= kFastOutputRoom);
  static_assert(5 * 8 >= kLongestInlineToken && 5 * 8 <= kFastOutputRoom);
  const uint8_t* from = out - distance;
  if (distance >= 16) {
    std::memcpy(out, from, 16);
    std::memcpy(out + 16, from + 16, 16);
    std::memcpy(out + 32, from + 32, 16);
  } else if (distance >= 8) {
    for (size_t done = 0; done < 5 * 8; done += 8) std::memcpy(out + done, from + done, 8);
  } else {
    for (size_t k = 0; k < length; ++k) out[k] = from[k];
  }
}

// Moves `distance` to the front of the list: entries before its old place (or all, when it
// was absent) move one place back and the last one drops out. Written out for the decode loop.
[[gnu::always_inline]] inline void rememberDistance(uint64_t recent[kVeltRecentDistanceCount], uint64_t distance) {
  const uint64_t first = recent[0];
  if (distance == first) return;
  const uint64_t second = recent[1];
  recent[0] = distance;
  recent[1] = first;
  if (distance == second) return;
  const uint64_t third = recent[2];
  recent[2] = second;
  if (distance == third) return;
  recent[3] = third;
}

// A literal run, match, rep, run or zero run with an extended length, inside the fast loop:
// every check is made here, and any doubt leaves the token to the careful step (false, with
// the streams possibly advanced; the caller rewinds the token stream, the others are only
// advanced on success).
[[gnu::always_inline]] inline bool decodeLongToken(uint8_t kind, size_t code, Stream& tokens, Stream& literals,
                                                   Stream& extras, uint8_t*& out, const uint8_t* outBegin,
                                                   const uint8_t* outEnd, uint64_t recent[kVeltRecentDistanceCount]) {
  uint64_t extension;
  if (!tokens.readVarint(extension) || extension > kVeltMaxLengthExtension) return false;
  const size_t length = code + size_t(extension) + minTokenLength[kind];
  const size_t room = size_t(outEnd - out);
  if (length > room) return false;
  const size_t produced = size_t(out - outBegin);
  switch (VeltTokenKind(kind)) {
    case VeltTokenKind::literalRun:
      if (literals.remaining() < length) return false;
      std::memcpy(out, literals.cursor, length);
      literals.cursor += length;
      break;
    case VeltTokenKind::match: {
      Stream distanceStream = extras;
      uint64_t distance;
      if (!distanceStream.readVarint(distance) || distance == 0 || distance > produced) return false;
      extras = distanceStream;
      copyWithin(out, distance, length, room - length);
      rememberDistance(recent, distance);
      break;
    }
    case VeltTokenKind::rep: {
      if (tokens.cursor == tokens.end) return false;
      const uint8_t slot = *tokens.cursor++;
      const uint64_t distance = slot < kVeltRecentDistanceCount ? recent[slot] : 0;
      if (distance == 0 || distance > produced) return false;
      copyWithin(out, distance, length, room - length);
      rememberDistance(recent, distance);
      break;
    }
    case VeltTokenKind::run:
      if (literals.cursor == literals.end) return false;
      std::memset(out, *literals.cursor++, length);
      break;
    case VeltTokenKind::zeroRun:
      std::memset(out, 0, length);
      break;
    default:
      return false;
  }
  out += length;
  return true;
}

}  // namespace

void appendCopy(Bytes& output, uint64_t distance, uint64_t length) {
  size_t start = output.size();
  output.resize(start + length);
  copyWithin(output.data() + start, distance, length, 0);
}

Result<Bytes> decodeVeltBlock(std::span<const uint8_t> payload, uint32_t declaredSize,
                              std::span<const uint8_t> dictionary) {
  Bytes output;
  TOLZEB_TRY(decodeVeltBlockInto(payload, declaredSize, dictionary, output));
  return output;
}

Status decodeVeltBlockInto(std::span<const uint8_t> payload, uint32_t declaredSize,
                           std::span<const uint8_t> dictionary, Bytes& output) {
  if (declaredSize == 0) return corrupt(L"VELT block declares a zero decoded size");
  if (declaredSize > kVeltMaxBlockSize) return corrupt(L"VELT block declares a decoded size above the block limit");
  output.resize(declaredSize);
  return decodeVeltBlockTo(payload, output, dictionary);
}

Status decodeVeltBlockTo(std::span<const uint8_t> payload, std::span<uint8_t> output,
                         std::span<const uint8_t> dictionary) {
  const size_t declaredSize = output.size();
  if (declaredSize == 0) return corrupt(L"VELT block declares a zero decoded size");
  if (declaredSize > kVeltMaxBlockSize) return corrupt(L"VELT block declares a decoded size above the block limit");

  ByteReader header(payload.data(), payload.size());
  std::optional<uint64_t> tokenSize = readVarint(header);
  std::optional<uint64_t> literalSize = tokenSize ? readVarint(header) : std::nullopt;
  std::optional<uint64_t> extraSize = literalSize ? readVarint(header) : std::nullopt;
  if (!extraSize) return corrupt(L"VELT block has a malformed section header");
  std::optional<uint64_t> tokenAndLiteral = checkedAdd(*tokenSize, *literalSize);
  std::optional<uint64_t> allStreams = tokenAndLiteral ? checkedAdd(*tokenAndLiteral, *extraSize) : std::nullopt;
  if (!allStreams || *allStreams != header.remaining())
    return corrupt(L"VELT section lengths do not account for the block payload");

  const uint8_t* streamsBegin = payload.data() + header.pos;
  Stream tokens{streamsBegin, streamsBegin + *tokenSize};
  Stream literals{tokens.end, tokens.end + *literalSize};
  Stream extras{literals.end, literals.end + *extraSize};

  uint8_t* const outBegin = output.data();
  uint8_t* const outEnd = outBegin + declaredSize;
  uint8_t* out = outBegin;
  uint64_t recent[kVeltRecentDistanceCount] = {0, 0, 0, 0};

  while (out < outEnd) {
    // Fast loop: in batches of as many tokens as every stream and the output surely hold room
    // for (each inline-length token takes at most kFast*Room of each), the common tokens need
    // only the checks that can fail. Anything else (an extended length, a dict or patch token,
    // a bad distance or slot) stays unread for the careful step below, which finds the same
    // result or the exact failure.
    for (bool leaveFastLoop = false; !leaveFastLoop;) {
      size_t safeTokens = std::min({size_t(outEnd - out) / kFastOutputRoom, tokens.remaining() / kFastTokenRoom,
                                    literals.remaining() / kFastLiteralRoom, extras.remaining() / kFastExtraRoom});
      if (safeTokens == 0) break;
      for (; safeTokens > 0; --safeTokens) {
        const uint8_t* const tokenStart = tokens.cursor;
        const uint8_t tokenByte = *tokens.cursor++;
        const uint8_t kind = tokenByte & kVeltKindMask;
        size_t length = tokenByte >> kVeltKindBits;
        if (length == kVeltExtendedLengthCode) {
          // A long token is checked in full and ends the batch, whose room it may have used up.
          if (!decodeLongToken(kind, length, tokens, literals, extras, out, outBegin, outEnd, recent)) {
            tokens.cursor = tokenStart;
            leaveFastLoop = true;
          }
          break;
        }
        if (kind == uint8_t(VeltTokenKind::literalRun)) {
          length += 1;
          std::memcpy(out, literals.cursor, 16);
          std::memcpy(out + 16, literals.cursor + 16, 16);
          literals.cursor += length;
          out += length;
          continue;
        }
        length += 4;
        if (kind == uint8_t(VeltTokenKind::match)) {
          // Every token of the batch reads at most kFastExtraRoom bytes of distance here.
          const uint8_t* distanceStart = extras.cursor;
          uint64_t distance;
          if (!readShortVarint(extras.cursor, distance) || distance == 0 || distance > size_t(out - outBegin)) {
            extras.cursor = distanceStart;
            tokens.cursor = tokenStart;
            leaveFastLoop = true;
            break;
          }
          copyShortWithin(out, distance, length);
          out += length;
          rememberDistance(recent, distance);
        } else if (kind == uint8_t(VeltTokenKind::rep)) {
          const uint8_t slot = *tokens.cursor++;
          const uint64_t distance = slot < kVeltRecentDistanceCount ? recent[slot] : 0;
          if (distance == 0 || distance > size_t(out - outBegin)) {
            tokens.cursor = tokenStart;
            leaveFastLoop = true;
            break;
          }
          copyShortWithin(out, distance, length);
          out += length;
          rememberDistance(recent, distance);  // the list holds no distance twice
        } else if (kind == uint8_t(VeltTokenKind::zeroRun) || kind == uint8_t(VeltTokenKind::run)) {
          const uint8_t value = kind == uint8_t(VeltTokenKind::run) ? *literals.cursor++ : 0;
          std::memset(out, value, kLongestInlineToken);
          out += length;
        } else {
          tokens.cursor = tokenStart;
          leaveFastLoop = true;
          break;
        }
      }
    }
    if (out == outEnd) break;

    if (tokens.cursor == tokens.end) return corrupt(L"VELT stream ended before the block was complete");
    uint8_t tokenByte = *tokens.cursor++;
    uint8_t kind = tokenByte & kVeltKindMask;
    if (kind == kVeltReservedKind) return corrupt(L"VELT stream uses reserved opcode 7");
    uint64_t length = tokenByte >> kVeltKindBits;
    if (length == kVeltExtendedLengthCode) {
      uint64_t extension;
      if (!tokens.readVarint(extension)) return corrupt(L"VELT token has a malformed length");
      if (extension > kVeltMaxLengthExtension) return corrupt(L"VELT token length exceeds the block limit");
      length += extension;
    }
    length += minTokenLength[kind];
    size_t room = size_t(outEnd - out);
    if (length > room) return corrupt(L"VELT token would write past the end of the block");
    size_t produced = size_t(out - outBegin);
    size_t slack = room - length;

    // Literal runs alternate with copies; testing for them apart from the other kinds gives
    // the branch predictor an easier pattern than one jump table.
    if (kind == uint8_t(VeltTokenKind::literalRun)) {
      if (literals.remaining() < length) return corrupt(L"VELT literal run extends past the end of the stream");
      if (length <= 32 && slack >= 32 && literals.remaining() >= 32) {
        std::memcpy(out, literals.cursor, 16);
        std::memcpy(out + 16, literals.cursor + 16, 16);
      } else {
        std::memcpy(out, literals.cursor, length);
      }
      literals.cursor += length;
      out += length;
      continue;
    }
    switch (VeltTokenKind(kind)) {
      case VeltTokenKind::literalRun:
        break;
      case VeltTokenKind::run: {
        if (literals.cursor == literals.end) return corrupt(L"VELT run token has no value");
        std::memset(out, *literals.cursor++, length);
        out += length;
        break;
      }
      case VeltTokenKind::match: {
        uint64_t distance;
        if (!extras.readVarint(distance)) return corrupt(L"VELT match has no distance");
        if (distance == 0 || distance > produced)
          return corrupt(L"VELT match distance points outside the decoded history");
        copyWithin(out, distance, length, slack);
        out += length;
        rememberDistance(recent, distance);
        break;
      }
      case VeltTokenKind::rep: {
        if (tokens.cursor == tokens.end) return corrupt(L"VELT rep token has no slot");
        uint8_t slot = *tokens.cursor++;
        if (slot >= kVeltRecentDistanceCount)
          return Failure{StatusCode::corrupt_archive,
                         L"VELT rep token names slot " + decimal(uint32_t(slot)) + L", but only 0..3 exist"};
        uint64_t distance = recent[slot];
        if (distance == 0) return corrupt(L"VELT rep token uses a slot that was never set");
        if (distance > produced) return corrupt(L"VELT rep distance points outside the decoded history");
        copyWithin(out, distance, length, slack);
        out += length;
        rememberDistance(recent, distance);  // the list holds no distance twice
        break;
      }
      case VeltTokenKind::dict: {
        uint64_t offset;
        if (!extras.readVarint(offset)) return corrupt(L"VELT dict token has no offset");
        if (dictionary.empty()) return corrupt(L"VELT block references a dictionary the archive does not have");
        if (offset > dictionary.size() || length > dictionary.size() - offset)
          return corrupt(L"VELT dict reference lies outside the dictionary");
        std::memcpy(out, dictionary.data() + offset, length);
        out += length;
        break;
      }
      case VeltTokenKind::patch: {
        if (length > kVeltMaxPatchLength) return corrupt(L"VELT patch token exceeds the 4096 byte limit");
        uint64_t distance;
        if (!extras.readVarint(distance)) return corrupt(L"VELT patch has no distance");
        if (distance < length || distance > produced)
          return corrupt(L"VELT patch distance is out of range for a disjoint copy");
        uint64_t editCount;
        if (!tokens.readVarint(editCount)) return corrupt(L"VELT patch has no edit count");
        if (editCount == 0 || editCount > kVeltMaxPatchEdits) return corrupt(L"VELT patch edit count is out of range");
        std::memcpy(out, out - distance, length);
        uint64_t position = 0;
        for (uint64_t edit = 0; edit < editCount; ++edit) {
          uint64_t gap;
          if (!tokens.readVarint(gap) || literals.cursor == literals.end)
            return corrupt(L"VELT patch edit list is truncated");
          // Later positions are previous + gap + 1; compared without forming the sum, so a huge
          // gap cannot wrap around to an earlier position.
          uint64_t firstFree = edit == 0 ? 0 : position + 1;
          if (gap >= length - firstFree) return corrupt(L"VELT patch edit position is outside the token");
          position = firstFree + gap;
          out[position] = *literals.cursor++;
        }
        out += length;
        break;
      }
      case VeltTokenKind::zeroRun:
        // Written out: a wide copy before it may have scribbled here.
        std::memset(out, 0, length);
        out += length;
        break;
    }
  }

  if (tokens.cursor != tokens.end || literals.cursor != literals.end || extras.cursor != extras.end)
    return corrupt(L"VELT stream has trailing bytes after the last token");
  return Status();
}

}  // namespace tolzeb
