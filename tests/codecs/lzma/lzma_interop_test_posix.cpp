// Interop with Python's lzma module as a black-box peer: its raw LZMA, LZMA2 and .lzma streams
// decode with ours, and our LZMA2 streams decode with it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "codecs/lzma/lzma.h"
#include "support/peer_tools.h"
#include "tests/codecs/lzma/lzma_test_data.h"

namespace tolzeb {
namespace {

namespace fs = std::filesystem;
using testdata::binaryBytes;
using testdata::noiseBytes;
using testdata::textBytes;
using testing::concat;

std::string narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

class LzmaInteropTest : public ::testing::Test {
 protected:
  void SetUp() override {
    script_ = fs::path(__FILE__).parent_path() / "lzma_peer.py";
    TOLZEB_REQUIRE_PEER(peertools::python() + " -c 'import lzma'", "Python with lzma");
  }

  bool peer(std::initializer_list<std::string> args) const {
    std::string command = peertools::python() + " '" + script_.string() + "'";
    for (const std::string& a : args) command += " '" + a + "'";
    command += " 2>/dev/null";
    return std::system(command.c_str()) == 0;
  }

  std::string write(const std::string& name, const std::vector<uint8_t>& bytes) const {
    const fs::path path = dir_ / name;
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return path.string();
  }
  std::vector<uint8_t> read(const std::string& path) const {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
  }

  fs::path script_;
  peertools::ScratchDirectory scratch_;
  const fs::path& dir_ = scratch_.path();
};

struct Sample {
  const char* name;
  std::vector<uint8_t> data;
};

std::vector<Sample> samples() {
  return {
      {"empty", {}},
      {"one byte", {0x7A}},
      {"zeros", std::vector<uint8_t>(1 << 20, 0)},
      {"text", textBytes(300000, 21)},
      {"binary", binaryBytes(200000, 22)},
      {"random", noiseBytes(100000, 23)},
      {"mixed, over 2 MiB", concat({textBytes(1400000, 24), noiseBytes(200000, 25), binaryBytes(700000, 26)})},
  };
}

struct PeerSettings {
  int preset;
  uint32_t lc, lp, pb;
};
const PeerSettings kPeerSettings[] = {{0, 3, 0, 2}, {6, 3, 0, 2}, {9, 0, 2, 0}, {6, 4, 0, 4}, {1, 1, 3, 1}};
constexpr uint32_t kPeerDictionary = 1u << 20;

TEST_F(LzmaInteropTest, PeerLzma2StreamsDecode) {
  for (const Sample& s : samples()) {
    const std::string input = write("input", s.data);
    for (const PeerSettings& p : kPeerSettings) {
      SCOPED_TRACE(std::string(s.name) + " preset " + std::to_string(p.preset) + " lc" + std::to_string(p.lc) + " lp" +
                   std::to_string(p.lp) + " pb" + std::to_string(p.pb));
      const std::string output = (dir_ / "peer.lzma2").string();
      ASSERT_TRUE(peer({"encode-lzma2", input, output, std::to_string(kPeerDictionary), std::to_string(p.preset),
                        std::to_string(p.lc), std::to_string(p.lp), std::to_string(p.pb)}));
      const std::vector<uint8_t> stream = read(output);
      Result<Bytes> decoded = lzma2Decode(stream.data(), stream.size(), kPeerDictionary, s.data.size());
      ASSERT_TRUE(decoded.hasValue()) << narrow(decoded.failure().message);
      EXPECT_TRUE(*decoded == s.data);
    }
  }
}

TEST_F(LzmaInteropTest, PeerLzmaStreamsWithEndMarkersDecode) {
  for (const Sample& s : samples()) {
    const std::string input = write("input", s.data);
    for (const PeerSettings& p : kPeerSettings) {
      SCOPED_TRACE(std::string(s.name) + " preset " + std::to_string(p.preset) + " lc" + std::to_string(p.lc) + " lp" +
                   std::to_string(p.lp) + " pb" + std::to_string(p.pb));
      const std::string output = (dir_ / "peer.lzma1").string();
      ASSERT_TRUE(peer({"encode-lzma1", input, output, std::to_string(kPeerDictionary), std::to_string(p.preset),
                        std::to_string(p.lc), std::to_string(p.lp), std::to_string(p.pb)}));
      const std::vector<uint8_t> stream = read(output);
      LzmaProperties properties{p.lc, p.lp, p.pb, kPeerDictionary};
      // A cap of exactly the decoded size still admits the end marker that follows it.
      for (uint64_t cap : {uint64_t(s.data.size()) + 1000, std::max<uint64_t>(s.data.size(), 1)}) {
        Result<Bytes> decoded = lzmaDecode(stream.data(), stream.size(), properties, kLzmaUnknownSize, cap);
        ASSERT_TRUE(decoded.hasValue()) << narrow(decoded.failure().message);
        EXPECT_TRUE(*decoded == s.data);
      }
      if (s.data.size() > 1) {
        Result<Bytes> capped =
            lzmaDecode(stream.data(), stream.size(), properties, kLzmaUnknownSize, s.data.size() - 1);
        ASSERT_TRUE(capped.failed());
        EXPECT_EQ(capped.failure().code, StatusCode::resource_limit);
      }
    }
  }
}

TEST_F(LzmaInteropTest, PeerDotLzmaFilesDecode) {
  for (const Sample& s : samples()) {
    SCOPED_TRACE(s.name);
    const std::string input = write("input", s.data);
    const std::string output = (dir_ / "peer.lzma").string();
    ASSERT_TRUE(peer({"encode-alone", input, output, "6"}));
    const std::vector<uint8_t> file = read(output);
    ASSERT_GE(file.size(), 13u);
    // Header: properties byte, dictionary size, then the size, all ones when unknown.
    Result<LzmaProperties> properties = parseLzmaProperties(file[0], readU32le(file.data() + 1));
    ASSERT_TRUE(properties.hasValue());
    EXPECT_EQ(readU64le(file.data() + 5), kLzmaUnknownSize);
    Result<Bytes> decoded = lzmaDecode(file.data() + 13, file.size() - 13, *properties, kLzmaUnknownSize, 64 << 20);
    ASSERT_TRUE(decoded.hasValue()) << narrow(decoded.failure().message);
    EXPECT_TRUE(*decoded == s.data);
  }
}

TEST_F(LzmaInteropTest, PeerSingleChunkDecodesAsKnownSizeLzma) {
  // A lone LZMA chunk of an LZMA2 stream is a plain LZMA stream of known size without end marker.
  const std::vector<uint8_t> data = textBytes(20000, 27);
  const std::string input = write("input", data);
  const std::string output = (dir_ / "peer.lzma2").string();
  ASSERT_TRUE(peer({"encode-lzma2", input, output, std::to_string(kPeerDictionary), "6", "3", "0", "2"}));
  const std::vector<uint8_t> stream = read(output);
  ASSERT_GE(stream.size(), 7u);
  ASSERT_EQ(stream[0] & 0xE0, 0xE0);
  const uint32_t unpacked = (uint32_t(stream[0] & 0x1F) << 16 | uint32_t(stream[1]) << 8 | stream[2]) + 1;
  const uint32_t packed = (uint32_t(stream[3]) << 8 | stream[4]) + 1;
  ASSERT_EQ(unpacked, data.size());
  ASSERT_EQ(stream.size(), 6 + packed + 1u);
  Result<LzmaProperties> properties = parseLzmaProperties(stream[5], kPeerDictionary);
  ASSERT_TRUE(properties.hasValue());
  Result<Bytes> decoded = lzmaDecode(stream.data() + 6, packed, *properties, unpacked, unpacked);
  ASSERT_TRUE(decoded.hasValue()) << narrow(decoded.failure().message);
  EXPECT_TRUE(*decoded == data);
}

TEST_F(LzmaInteropTest, OurLzma2StreamsDecodeWithThePeer) {
  for (const Sample& s : samples()) {
    for (int level : {1, 6, 9}) {
      SCOPED_TRACE(std::string(s.name) + " at level " + std::to_string(level));
      uint32_t dictionarySize = 0;
      Result<Bytes> stream = lzma2Encode(s.data.data(), s.data.size(), level, dictionarySize);
      ASSERT_TRUE(stream.hasValue());
      const std::string input = write("ours.lzma2", *stream);
      const std::string output = (dir_ / "decoded").string();
      ASSERT_TRUE(peer({"decode-lzma2", input, output, std::to_string(dictionarySize)}));
      EXPECT_TRUE(read(output) == s.data);
    }
  }
}

}  // namespace
}  // namespace tolzeb
