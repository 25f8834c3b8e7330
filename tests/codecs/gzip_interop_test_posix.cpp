// gzip streams against the gzip program as a black-box peer, both ways.
#include <gtest/gtest.h>

#include "codecs/gzip.h"
#include "support/peer_tools.h"
#include "codecs/velt/test_data.h"

namespace tolzeb {
namespace {

using namespace peertools;

class GzipProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TOLZEB_REQUIRE_PEER("gzip --version", "The gzip program");
  }
  ScratchDirectory scratch_;
};

const std::vector<std::pair<std::string, Bytes>>& gzipCorpus() {
  static const std::vector<std::pair<std::string, Bytes>> files = {
      {"empty", {}},
      {"text", testdata::text(300000, 31)},
      {"records", testdata::records(100000, 32)},
      {"random", testdata::randomBytes(70000, 33)},
  };
  return files;
}

TEST_F(GzipProgramTest, OurStreamsDecompressWithGzip) {
  for (const auto& [name, data] : gzipCorpus())
    for (int level : {1, 6, 9}) {
      const auto stream = scratch_.path() / (name + std::to_string(level) + ".gz");
      const auto back = scratch_.path() / (name + std::to_string(level) + ".out");
      writeFile(stream, *gzipCompress(data.data(), data.size(), level));
      ASSERT_TRUE(run({"gzip -t", quoted(stream)})) << name << " " << level;
      ASSERT_TRUE(run({"gzip -dc", quoted(stream), ">", quoted(back)})) << name << " " << level;
      EXPECT_TRUE(readFile(back) == data) << name << " " << level;
    }
}

TEST_F(GzipProgramTest, GzipStreamsDecompressWithOurs) {
  for (const auto& [name, data] : gzipCorpus()) {
    const auto source = scratch_.path() / name;
    writeFile(source, data);
    // A named file gets its name stored in the header; standard input does not.
    for (const char* options : {"-1", "-6", "-9", "-9 -n"}) {
      const auto stream = scratch_.path() / (name + ".gz");
      ASSERT_TRUE(run({"gzip -c", options, quoted(source), ">", quoted(stream)}));
      const Bytes gz = readFile(stream);
      Result<Bytes> back = gunzip(gz.data(), gz.size(), 0x80000000ull);
      ASSERT_TRUE(back.hasValue()) << name << " " << options;
      EXPECT_TRUE(*back == data) << name << " " << options;
    }
    const auto piped = scratch_.path() / (name + ".stdin.gz");
    ASSERT_TRUE(run({"gzip -c <", quoted(source), ">", quoted(piped)}));
    const Bytes gz = readFile(piped);
    Result<Bytes> back = gunzip(gz.data(), gz.size(), 0x80000000ull);
    ASSERT_TRUE(back.hasValue()) << name;
    EXPECT_TRUE(*back == data) << name;
  }
}

}  // namespace
}  // namespace tolzeb
