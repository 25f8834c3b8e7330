// Raw DEFLATE against Python's zlib as a black-box peer, both ways.
#include <gtest/gtest.h>

#include "codecs/deflate/deflate.h"
#include "codecs/deflate/inflate.h"
#include "support/peer_tools.h"
#include "codecs/velt/test_data.h"

namespace tolzeb {
namespace {

using namespace peertools;

std::vector<std::pair<std::string, Bytes>> corpus() {
  Bytes mixed = testdata::text(2 << 20, 21);
  const Bytes noise = testdata::randomBytes(1 << 20, 22);
  mixed.insert(mixed.begin() + (1 << 20), noise.begin(), noise.end());
  return {{"empty", {}},
          {"one", {0x61}},
          {"run", Bytes(300000, 0x55)},
          {"text", testdata::text(200000, 23)},
          {"records", testdata::records(200000, 24)},
          {"random", testdata::randomBytes(100000, 25)},
          {"mixed", mixed}};
}

class ZlibInteropTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TOLZEB_REQUIRE_PEER(peertools::python() + " -c 'import zlib'", "Python with zlib");
  }
  ScratchDirectory scratch_;
};

TEST_F(ZlibInteropTest, OurStreamsInflateWithZlib) {
  for (const auto& [name, data] : corpus()) {
    writeFile(scratch_.path() / (name + ".raw"), data);
    for (int level : {0, 1, 6, 9})
      writeFile(scratch_.path() / (name + "." + std::to_string(level) + ".deflate"),
                *deflate(data.data(), data.size(), level));
  }
  const std::string script =
      "import sys, zlib, pathlib\n"
      "bad = [p.name for p in pathlib.Path(sys.argv[1]).glob('*.deflate')\n"
      "       if zlib.decompress(p.read_bytes(), -15) != p.with_name(p.name.split('.')[0] + '.raw').read_bytes()]\n"
      "print(*bad)\n"
      "sys.exit(1 if bad else 0)\n";
  writeFile(scratch_.path() / "check.py", Bytes(script.begin(), script.end()));
  EXPECT_TRUE(run({peertools::python(), quoted(scratch_.path() / "check.py"), quoted(scratch_.path())}));
}

TEST_F(ZlibInteropTest, ZlibStreamsInflateWithOurs) {
  const auto inputs = corpus();
  for (const auto& [name, data] : inputs) writeFile(scratch_.path() / (name + ".raw"), data);
  // Levels 1, 6 and 9, a stored-only stream, and the strategies and flushes that give fixed
  // blocks, Huffman-only and run-length blocks and empty stored blocks between pieces.
  const std::string script =
      "import sys, zlib, pathlib\n"
      "def raw(data, level, strategy=zlib.Z_DEFAULT_STRATEGY, flush_every=0):\n"
      "    c = zlib.compressobj(level, zlib.DEFLATED, -15, 9, strategy)\n"
      "    out, step = b'', flush_every or len(data) or 1\n"
      "    for i in range(0, len(data), step):\n"
      "        out += c.compress(data[i:i + step])\n"
      "        if flush_every: out += c.flush(zlib.Z_SYNC_FLUSH)\n"
      "    return out + c.flush()\n"
      "variants = {'l1': (1,), 'l6': (6,), 'l9': (9,), 'stored': (0,), 'fixed': (6, zlib.Z_FIXED),\n"
      "            'huffman': (6, zlib.Z_HUFFMAN_ONLY), 'rle': (6, zlib.Z_RLE), 'filtered': (6, zlib.Z_FILTERED),\n"
      "            'sync': (6, zlib.Z_DEFAULT_STRATEGY, 50000)}\n"
      "for p in pathlib.Path(sys.argv[1]).glob('*.raw'):\n"
      "    for v, args in variants.items():\n"
      "        p.with_name(p.stem + '.' + v + '.zdeflate').write_bytes(raw(p.read_bytes(), *args))\n";
  writeFile(scratch_.path() / "make.py", Bytes(script.begin(), script.end()));
  ASSERT_TRUE(run({peertools::python(), quoted(scratch_.path() / "make.py"), quoted(scratch_.path())}));
  size_t checked = 0;
  for (const auto& [name, data] : inputs) {
    for (const char* variant : {"l1", "l6", "l9", "stored", "fixed", "huffman", "rle", "filtered", "sync"}) {
      const Bytes stream = readFile(scratch_.path() / (name + "." + variant + ".zdeflate"));
      ASSERT_FALSE(stream.empty()) << name << " " << variant;
      Result<Bytes> back = inflateExact(stream.data(), stream.size(), data.size(), uint64_t(1) << 30);
      ASSERT_TRUE(back.hasValue()) << name << " " << variant;
      EXPECT_TRUE(*back == data) << name << " " << variant;
      ++checked;
    }
  }
  EXPECT_EQ(checked, inputs.size() * 9);
}

}  // namespace
}  // namespace tolzeb
