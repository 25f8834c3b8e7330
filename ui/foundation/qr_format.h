// The fixed tables of ISO/IEC 18004 for versions 1 to 9 that the QR encoder needs.
#pragma once

#include <array>
#include <cstdint>

namespace tolzeb::ui::qr {

inline constexpr int kMinVersion = 1;
inline constexpr int kMaxVersion = 9;
inline constexpr int kLevelCount = 4;
inline constexpr int kMaskCount = 8;

inline constexpr uint32_t kByteModeIndicator = 0b0100;
inline constexpr int kModeIndicatorBits = 4;
inline constexpr int kByteCountBits = 8;  // the character count field of byte mode, versions 1 to 9
inline constexpr int kMaxTerminatorBits = 4;
inline constexpr uint8_t kPadCodewords[2] = {0xEC, 0x11};

inline constexpr uint32_t kFormatGenerator = 0x537;  // BCH(15,5)
inline constexpr uint32_t kFormatMask = 0x5412;
inline constexpr uint32_t kVersionGenerator = 0x1F25;  // BCH(18,6)
inline constexpr int kFirstVersionWithVersionBits = 7;

// Penalty weights of the mask evaluation.
inline constexpr int kRunPenaltyMinLength = 5;
inline constexpr int kRunPenaltyOffset = 2;  // a run of n >= 5 adds n - 2
inline constexpr int kBlockPenalty = 3;
inline constexpr int kFinderLikePenalty = 40;
inline constexpr int kBalancePenaltyStep = 10;

// One row of the table of error-correction characteristics.
struct BlockLayout {
  int eccPerBlock;
  int blocks1;
  int data1;
  int blocks2;
  int data2;

  int dataCodewords() const { return blocks1 * data1 + blocks2 * data2; }
  int blockCount() const { return blocks1 + blocks2; }
};

// [version - 1][level], levels L, M, Q, H.
inline constexpr BlockLayout kBlockLayouts[kMaxVersion][kLevelCount] = {
    {{7, 1, 19, 0, 0}, {10, 1, 16, 0, 0}, {13, 1, 13, 0, 0}, {17, 1, 9, 0, 0}},
    {{10, 1, 34, 0, 0}, {16, 1, 28, 0, 0}, {22, 1, 22, 0, 0}, {28, 1, 16, 0, 0}},
    {{15, 1, 55, 0, 0}, {26, 1, 44, 0, 0}, {18, 2, 17, 0, 0}, {22, 2, 13, 0, 0}},
    {{20, 1, 80, 0, 0}, {18, 2, 32, 0, 0}, {26, 2, 24, 0, 0}, {16, 4, 9, 0, 0}},
    {{26, 1, 108, 0, 0}, {24, 2, 43, 0, 0}, {18, 2, 15, 2, 16}, {22, 2, 11, 2, 12}},
    {{18, 2, 68, 0, 0}, {16, 4, 27, 0, 0}, {24, 4, 19, 0, 0}, {28, 4, 15, 0, 0}},
    {{20, 2, 78, 0, 0}, {18, 4, 31, 0, 0}, {18, 2, 14, 4, 15}, {26, 4, 13, 1, 14}},
    {{24, 2, 97, 0, 0}, {22, 2, 38, 2, 39}, {22, 4, 18, 2, 19}, {26, 4, 14, 2, 15}},
    {{30, 2, 116, 0, 0}, {22, 3, 36, 2, 37}, {20, 4, 16, 4, 17}, {24, 4, 12, 4, 13}},
};

inline constexpr int kTotalCodewords[kMaxVersion] = {26, 44, 70, 100, 134, 172, 196, 242, 292};

// Centre coordinates of the alignment patterns, used as both rows and columns.
inline constexpr int kMaxAlignmentCentres = 3;
struct AlignmentCentres {
  int count;
  int centres[kMaxAlignmentCentres];
};
inline constexpr AlignmentCentres kAlignmentCentres[kMaxVersion] = {
    {0, {}},      {2, {6, 18}},     {2, {6, 22}},     {2, {6, 26}},     {2, {6, 30}},
    {2, {6, 34}}, {3, {6, 22, 38}}, {3, {6, 24, 42}}, {3, {6, 26, 46}},
};

// The two level bits of the format information, indexed by QrLevel.
inline constexpr uint32_t kFormatLevelBits[kLevelCount] = {0b01, 0b00, 0b11, 0b10};

inline constexpr int symbolSize(int version) { return 4 * version + 17; }

}  // namespace tolzeb::ui::qr
