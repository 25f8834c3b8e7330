// Constants of the raw DEFLATE format (RFC 1951), shared by the decoder and the encoder.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tolzeb::deflate_format {

inline constexpr unsigned kBlockTypeStored = 0;
inline constexpr unsigned kBlockTypeFixed = 1;
inline constexpr unsigned kBlockTypeDynamic = 2;
inline constexpr unsigned kBlockTypeReserved = 3;

inline constexpr unsigned kMaxCodeLength = 15;
inline constexpr unsigned kMaxCodeLengthCodeLength = 7;
inline constexpr size_t kMaxStoredBlockSize = 65535;
inline constexpr size_t kWindowSize = 32768;  // farthest a distance reaches back

inline constexpr unsigned kEndOfBlock = 256;
inline constexpr unsigned kFirstLengthSymbol = 257;
inline constexpr size_t kLiteralLengthSymbolCount = 286;  // 0-285; 286 and 287 only fill the fixed code
inline constexpr size_t kFixedLiteralLengthSymbolCount = 288;
inline constexpr size_t kDistanceSymbolCount = 30;  // 0-29; 30 and 31 only fill the fixed code
inline constexpr size_t kFixedDistanceSymbolCount = 32;
inline constexpr size_t kCodeLengthSymbolCount = 19;

inline constexpr unsigned kMinMatchLength = 3;
inline constexpr unsigned kMaxMatchLength = 258;

// Dynamic block header: HLIT and HDIST above 29 would name symbols outside the alphabets.
inline constexpr unsigned kMaxHlit = 29;
inline constexpr unsigned kMaxHdist = 29;

// Code-length alphabet: 16 repeats the previous length, 17 and 18 give runs of zeros.
inline constexpr unsigned kRepeatPrevious = 16;
inline constexpr unsigned kRepeatZeroShort = 17;
inline constexpr unsigned kRepeatZeroLong = 18;

// The order in which code-length code lengths are sent.
inline constexpr uint8_t kCodeLengthOrder[kCodeLengthSymbolCount] = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                                                     11, 4,  12, 3, 13, 2, 14, 1, 15};

// Length symbols 257-285.
inline constexpr uint16_t kLengthBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                             31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
inline constexpr uint8_t kLengthExtraBits[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                                 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};

// Distance symbols 0-29.
inline constexpr uint16_t kDistanceBase[30] = {1,    2,    3,    4,    5,    7,    9,    13,    17,    25,
                                               33,   49,   65,   97,   129,  193,  257,  385,   513,   769,
                                               1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
inline constexpr uint8_t kDistanceExtraBits[30] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                                   6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

}  // namespace tolzeb::deflate_format
