// Symbols read back by a real decoder: Debian's zbarimg (package zbar-tools) on a PNG of each
// symbol. Its absence is a failure, never a skip, so that CI cannot pass without this check.
#include <gtest/gtest.h>
#include <stdio.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "png_writer.h"
#include "qr_test_support.h"
#include "ui/foundation/qr_code.h"
#include "ui/foundation/qr_steps.h"

namespace tolzeb::ui {
namespace {

using testing::kAllQrLevels;
using testing::kQrByteCapacity;
using testing::qrTestInput;

constexpr int kPixelsPerModule = 4;
constexpr int kQuietZoneModules = 4;
constexpr int kCommandNotFound = 127;

std::vector<uint8_t> render(const QrCode& code, uint32_t& side) {
  side = static_cast<uint32_t>((code.size + 2 * kQuietZoneModules) * kPixelsPerModule);
  std::vector<uint8_t> pixels(static_cast<size_t>(side) * side, 255);
  for (uint32_t y = 0; y < side; ++y) {
    for (uint32_t x = 0; x < side; ++x) {
      const int row = static_cast<int>(y) / kPixelsPerModule - kQuietZoneModules;
      const int column = static_cast<int>(x) / kPixelsPerModule - kQuietZoneModules;
      if (row >= 0 && row < code.size && column >= 0 && column < code.size && code.dark(row, column)) {
        pixels[static_cast<size_t>(y) * side + x] = 0;
      }
    }
  }
  return pixels;
}

struct Decoded {
  int exitCode = -1;
  std::string output;
};

Decoded decodeWithZbar(const QrCode& code) {
  uint32_t side = 0;
  const std::vector<uint8_t> pixels = render(code, side);
  const std::vector<uint8_t> png = tolzeb::testing::encodeGreyPng(pixels, side, side);
  const std::filesystem::path file =
      std::filesystem::temp_directory_path() / ("tolzeb-qr-" + std::to_string(getpid()) + ".png");
  std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(png.data()), png.size());

  Decoded decoded;
  // -Sbinary hands the byte-mode data out as it is stored, without a charset conversion.
  const std::string command = "zbarimg --quiet --raw -Sbinary '" + file.string() + "' 2>/dev/null";
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[4096];
    size_t count;
    while ((count = fread(buffer, 1, sizeof buffer, pipe)) > 0) decoded.output.append(buffer, count);
    const int status = pclose(pipe);
    decoded.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  std::filesystem::remove(file);
  return decoded;
}

void expectDecodesTo(const std::vector<uint8_t>& input, QrLevel level) {
  const QrCode code = encodeQr(input, level);
  ASSERT_TRUE(code.valid()) << input.size();
  const Decoded decoded = decodeWithZbar(code);
  ASSERT_NE(decoded.exitCode, kCommandNotFound) << "zbarimg is missing: install the package zbar-tools";
  EXPECT_EQ(decoded.exitCode, 0) << "version " << code.version << ", level " << int(level) << ", " << input.size()
                                 << " bytes";
  EXPECT_EQ(decoded.output, std::string(input.begin(), input.end()))
      << "version " << code.version << ", level " << int(level);
}

TEST(QrDecode, ZbarimgIsInstalled) {
  const int status = system("zbarimg --version >/dev/null 2>&1");
  ASSERT_TRUE(WIFEXITED(status));
  ASSERT_EQ(WEXITSTATUS(status), 0) << "zbarimg is missing: install the package zbar-tools";
}

// Both sides of every version boundary at every level: the largest input of each version and
// the smallest of the next, so all nine versions (with version information from 7 on), all
// block layouts and all four format levels are read back.
TEST(QrDecode, EveryVersionBoundaryAtEveryLevel) {
  for (int level = 0; level < 4; ++level) {
    expectDecodesTo({}, kAllQrLevels[level]);
    for (int version = 1; version <= 9; ++version) {
      const size_t capacity = kQrByteCapacity[version - 1][level];
      expectDecodesTo(qrTestInput(capacity), kAllQrLevels[level]);
      if (version < 9) expectDecodesTo(qrTestInput(capacity + 1), kAllQrLevels[level]);
    }
  }
}

TEST(QrDecode, BytesOutsideAscii) {
  std::vector<uint8_t> bytes;
  for (int value = 1; value < 256; value += 3) bytes.push_back(static_cast<uint8_t>(value));
  expectDecodesTo(bytes, QrLevel::L);
  const std::string address = "https://example.org/donate";
  expectDecodesTo(std::vector<uint8_t>(address.begin(), address.end()), QrLevel::M);
}

// The standard's worked example (annex I): "01234567" in numeric mode at 1-M with mask 010, built
// from the encoder's own steps (padding, error correction, placement, mask, format information).
// A decoder reading the digits back shows every step agrees with the standard, not just with
// another model of the encoder.
TEST(QrDecode, StandardsWorkedExample) {
  std::vector<uint8_t> bits;
  qrAppendBits(bits, 0b0001, 4);
  qrAppendBits(bits, 8, 10);
  qrAppendBits(bits, 12, 10);
  qrAppendBits(bits, 345, 10);
  qrAppendBits(bits, 67, 7);
  std::vector<uint8_t> codewords = qrPadCodewords(bits, 16);
  const std::vector<uint8_t> ecc = qrEccBlock(codewords, 10);
  codewords.insert(codewords.end(), ecc.begin(), ecc.end());
  const QrGrid grid = qrBuildSymbol(codewords, 1, QrLevel::M, 2);
  QrCode code;
  code.version = 1;
  code.size = grid.size;
  code.modules = grid.modules;
  const Decoded decoded = decodeWithZbar(code);
  ASSERT_NE(decoded.exitCode, kCommandNotFound) << "zbarimg is missing: install the package zbar-tools";
  EXPECT_EQ(decoded.exitCode, 0);
  EXPECT_EQ(decoded.output, "01234567");
}

// The lengths the encoder's contract names, each at its level: the version chosen, and the
// symbol read back to the same bytes.
TEST(QrDecode, NamedLengthsGiveTheirVersionAndReadBack) {
  struct {
    size_t length;
    QrLevel level;
    int32_t version;
  } cases[] = {
      {0, QrLevel::M, 1},   {14, QrLevel::M, 1},  {15, QrLevel::M, 2},  {26, QrLevel::M, 2},
      {28, QrLevel::M, 3},  {120, QrLevel::M, 7}, {122, QrLevel::M, 7}, {123, QrLevel::M, 8},
      {180, QrLevel::M, 9}, {5, QrLevel::L, 1},   {17, QrLevel::L, 1},  {230, QrLevel::L, 9},
      {7, QrLevel::H, 1},   {98, QrLevel::H, 9},  {11, QrLevel::Q, 1},  {130, QrLevel::Q, 9},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.length << " bytes at level " << int(c.level));
    const std::vector<uint8_t> input = qrTestInput(c.length);
    EXPECT_EQ(encodeQr(input, c.level).version, c.version);
    expectDecodesTo(input, c.level);
  }
}

}  // namespace
}  // namespace tolzeb::ui
