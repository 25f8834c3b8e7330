// The steps of the QR encoder, one function each, in the order encodeQr runs them. Internal to
// the encoder; declared here so that each step can be checked against the standard on its own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "ui/foundation/qr_code.h"

namespace tolzeb::ui {

// A symbol under construction: the module grid and the map of function modules (finder,
// separator, timing and alignment patterns, the dark module and the reserved format and version
// areas), both row-major, 1 meaning dark or function.
struct QrGrid {
  int size = 0;
  std::vector<uint8_t> modules;
  std::vector<uint8_t> function;

  explicit QrGrid(int sideModules)
      : size(sideModules),
        modules(static_cast<size_t>(sideModules) * sideModules),
        function(static_cast<size_t>(sideModules) * sideModules) {}
  uint8_t& module(int row, int column) { return modules[static_cast<size_t>(row) * size + column]; }
  uint8_t module(int row, int column) const { return modules[static_cast<size_t>(row) * size + column]; }
  bool isFunction(int row, int column) const { return function[static_cast<size_t>(row) * size + column] != 0; }
  // Draws a function module.
  void setFunction(int row, int column, bool dark);
  // Marks a module as a function module without changing its colour.
  void reserve(int row, int column);
};

// --- Codewords ---

// Appends the low `count` bits of `value`, most significant first, one byte per bit.
void qrAppendBits(std::vector<uint8_t>& bits, uint32_t value, int count);
// Terminator, zero bits to a byte boundary, packing, then 0xEC/0x11 pads up to `dataCodewords`.
std::vector<uint8_t> qrPadCodewords(std::vector<uint8_t> bits, int dataCodewords);
// The generator polynomial of degree `eccCount` without its leading 1, highest degree first.
std::vector<uint8_t> qrGenerator(int eccCount);
// The `eccCount` error-correction codewords of one block.
std::vector<uint8_t> qrEccBlock(const std::vector<uint8_t>& data, int eccCount);
// The byte-mode data of `bytes`, split into the blocks of `version` and `level`, with their error
// correction, interleaved: the whole codeword sequence of the symbol.
std::vector<uint8_t> qrCodewords(const std::vector<uint8_t>& bytes, int version, QrLevel level);

// --- Symbol ---

// A finder pattern with its separator around the centre; modules outside the grid are skipped.
void qrDrawFinder(QrGrid& grid, int centreRow, int centreColumn);
void qrDrawAlignment(QrGrid& grid, int centreRow, int centreColumn);
// Finders, timing, alignment patterns, the dark module and the reserved information areas.
void qrDrawFunctionPatterns(QrGrid& grid, int version);
// The codewords, most significant bit first, in the zigzag order of the standard; modules left
// over stay light.
void qrPlaceCodewords(QrGrid& grid, const std::vector<uint8_t>& codewords);
// Whether mask `mask` inverts the module at `column` (x) and `row` (y).
bool qrMaskBit(int mask, int column, int row);
// Inverts every non-function module that the mask's predicate selects.
void qrApplyMask(QrGrid& grid, int mask);
// The 15-bit format word after the BCH extension and the XOR with 0x5412.
uint32_t qrFormatWord(QrLevel level, int mask);
void qrDrawFormatBits(QrGrid& grid, QrLevel level, int mask);
// The 18-bit version word (versions 7 and up carry it).
uint32_t qrVersionWord(int version);
void qrDrawVersionBits(QrGrid& grid, int version);
// The penalty of a finished grid; the encoder keeps the mask with the lowest.
int64_t qrPenalty(const QrGrid& grid);
// The finished symbol of `codewords` with one mask.
QrGrid qrBuildSymbol(const std::vector<uint8_t>& codewords, int version, QrLevel level, int mask);

}  // namespace tolzeb::ui
