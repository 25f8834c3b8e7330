// The LZMA symbol decoder shared by the LZMA and LZMA2 stream readers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "codecs/decompressed_limit.h"
#include "codecs/lzma/lzma_model.h"
#include "codecs/lzma/lzma_window.h"
#include "codecs/lzma/range_decoder.h"
#include "engine/core/bytes.h"
#include "engine/core/status.h"

namespace tolzeb {

// LZMA2 chunk framing, read by the whole-buffer decoder and the stream reader alike.
inline constexpr size_t kLzma2StoredHeaderSize = 3;
inline constexpr size_t kLzma2LzmaHeaderSize = 5;
inline uint32_t readLzma2Size16(const uint8_t* p) { return uint32_t(p[0]) << 8 | p[1]; }

class LzmaDecoder {
 public:
  // A dictionary size of 0 leaves match distances unchecked against it.
  explicit LzmaDecoder(uint32_t dictionarySize) : dictionarySize_(dictionarySize) {}

  // lc <= 8, lp <= 4, pb <= 4; the caller resets the state afterwards.
  void setProperties(uint32_t lc, uint32_t lp, uint32_t pb);
  // Probabilities to their start value, state 0, recent distances 0.
  void resetState();

  // Where one call to decode stops and what it refuses.
  struct Limits {
    // Symbols are decoded until this many bytes exist in all. With `endMarkerAllowed` one more
    // symbol is read there, and only an end marker (or the end of the input) stops cleanly.
    uint64_t stopAt;
    // A match running past this total is corrupt: the declared length ends here.
    uint64_t end;
    // A match running past this total is beyond the caller's output cap.
    uint64_t cap;
    bool endMarkerAllowed;
    // For input that arrives in pieces: stop at a symbol boundary once the range decoder has read
    // past this position, before it could run off the buffered piece.
    size_t safeInputEnd = SIZE_MAX;
  };

  // Decodes symbols into the window. A match cut short by `stopAt` carries on in the next call.
  Status decode(RangeDecoder& range, LzmaFlatWindow& window, const Limits& limits, bool& endMarkerSeen);
  Status decode(RangeDecoder& range, LzmaRingWindow& window, const Limits& limits, bool& endMarkerSeen);

 private:
  LzmaProbability* literalCoder(uint32_t context);
  uint32_t decodeLength(RangeDecoder& range, LzmaLengthCoder& coder, uint32_t positionState);
  uint32_t decodeDistance(RangeDecoder& range, uint32_t lengthMinus2);
  template <class Window>
  Status decodeSymbols(RangeDecoder& range, Window& window, const Limits& limits, bool& endMarkerSeen);

  uint32_t dictionarySize_;
  uint32_t lc_ = 0, lp_ = 0, pb_ = 0;
  LzmaModel model_{};
  // Literal coders are reset lazily: a coder whose generation is stale is reset on first use, so a
  // state reset costs the same whatever lc + lp is.
  std::vector<LzmaProbability> literals_;
  std::vector<uint32_t> literalGeneration_;
  uint32_t generation_ = 1;
  uint32_t state_ = 0;
  uint32_t rep0_ = 0, rep1_ = 0, rep2_ = 0, rep3_ = 0;
  // What is left of a match that reached `stopAt`.
  uint32_t pendingLength_ = 0;
};

}  // namespace tolzeb
