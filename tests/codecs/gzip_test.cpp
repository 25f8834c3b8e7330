#include "codecs/gzip.h"

#include <gtest/gtest.h>

#include "codecs/crc32.h"
#include "codecs/velt/test_data.h"

namespace tolzeb {
namespace {

Bytes bytesOf(std::initializer_list<int> list) {
  Bytes out;
  for (int b : list) out.push_back(uint8_t(b));
  return out;
}

TEST(GzipTest, EmptyInputStream) {
  const Bytes expected = bytesOf({0x1F, 0x8B, 0x08, 0, 0, 0, 0, 0, 0, 0, 0x03, 0x00, 0, 0, 0, 0, 0, 0, 0, 0});
  const Bytes stream = *gzipCompress(nullptr, 0, 6);
  EXPECT_EQ(stream, expected);
  Result<Bytes> back = gunzip(stream.data(), stream.size(), 1);
  ASSERT_TRUE(back.hasValue());
  EXPECT_TRUE(back->empty());
}

TEST(GzipTest, ExtraFlagsFollowTheLevel) {
  const Bytes data = testdata::text(1000, 1);
  const std::pair<int, uint8_t> expectations[] = {{0, 4}, {1, 4}, {2, 0}, {8, 0}, {9, 2}, {10, 2}};
  for (auto [level, extraFlags] : expectations) {
    const Bytes stream = *gzipCompress(data.data(), data.size(), level);
    EXPECT_EQ(stream[8], extraFlags) << level;
    EXPECT_EQ(stream[9], 0);  // OS
    EXPECT_EQ(readU32le(stream.data() + stream.size() - 8), crc32(0, data.data(), data.size()));
    EXPECT_EQ(readU32le(stream.data() + stream.size() - 4), data.size());
    Result<Bytes> back = gunzip(stream.data(), stream.size(), data.size());
    ASSERT_TRUE(back.hasValue()) << level;
    EXPECT_EQ(*back, data);
  }
  Result<Bytes> nullInput = gzipCompress(nullptr, 5, 6);
  ASSERT_TRUE(nullInput.failed());
  EXPECT_EQ(nullInput.failure().message, L"deflate: null input");
}

// Headers as other writers make them: the body offset past every optional field.
TEST(GzipTest, HeaderFields) {
  struct Case {
    const char* name;
    Bytes header;
    size_t offset;
  };
  const std::vector<Case> cases = {
      {"plain", bytesOf({0x1F, 0x8B, 8, 0, 1, 2, 3, 4, 0, 3}), 10},
      {"name and comment", bytesOf({0x1F, 0x8B, 8, 0x18, 0, 0, 0, 0, 0, 3, 'a', '.', 't', 0, 'h', 'i', 0}), 17},
      {"extra field", bytesOf({0x1F, 0x8B, 8, 0x04, 0, 0, 0, 0, 0, 3, 3, 0, 'x', 'y', 'z'}), 15},
      {"header CRC", bytesOf({0x1F, 0x8B, 8, 0x02, 0, 0, 0, 0, 0, 3, 0xAB, 0xCD}), 12},
      {"all fields and text flag", bytesOf({0x1F, 0x8B, 8, 0x1F, 0, 0, 0, 0, 0, 3, 1, 0, 'e', 'n', 0, 'c', 0, 1, 2}),
       19},
  };
  for (const Case& c : cases) {
    Result<size_t> offset = parseGzipHeader(c.header.data(), c.header.size());
    ASSERT_TRUE(offset.hasValue()) << c.name;
    EXPECT_EQ(*offset, c.offset) << c.name;
    // The same header in front of a real body and trailer reads back.
    const Bytes data = {'o', 'k'};
    Bytes stream = *gzipCompress(data.data(), data.size(), 6);
    stream.erase(stream.begin(), stream.begin() + 10);
    stream.insert(stream.begin(), c.header.begin(), c.header.end());
    Result<Bytes> back = gunzip(stream.data(), stream.size(), 100);
    ASSERT_TRUE(back.hasValue()) << c.name;
    EXPECT_EQ(*back, data);
  }
}

TEST(GzipTest, MalformedStreams) {
  const Bytes data = testdata::text(5000, 2);
  const Bytes good = *gzipCompress(data.data(), data.size(), 6);
  auto modified = [&](size_t at, uint8_t value) {
    Bytes b = good;
    b[at] = value;
    return b;
  };
  Bytes trailing = good;
  trailing.insert(trailing.end(), 8, 0);
  struct Case {
    const char* name;
    Bytes stream;
    StatusCode code;
    std::wstring message;
    uint64_t cap = 1 << 20;
  };
  const StatusCode corrupt = StatusCode::corrupt_archive;
  const std::vector<Case> cases = {
      {"two bytes", bytesOf({0x1F, 0x8B}), corrupt, L"Not a gzip stream"},
      {"wrong magic", modified(1, 0x8C), corrupt, L"Not a gzip stream"},
      {"wrong method", modified(2, 7), corrupt, L"Not a gzip stream"},
      {"nine bytes", bytesOf({0x1F, 0x8B, 8, 0, 0, 0, 0, 0, 0}), corrupt, L"gzip header is truncated"},
      {"reserved flag", bytesOf({0x1F, 0x8B, 8, 0x24, 0, 0, 0, 0, 0, 0}), StatusCode::unsupported_version,
       L"gzip stream sets reserved flag bits this build does not know"},
      {"extra length missing", bytesOf({0x1F, 0x8B, 8, 4, 0, 0, 0, 0, 0, 0, 5}), corrupt,
       L"gzip extra field is truncated"},
      {"extra field too long", bytesOf({0x1F, 0x8B, 8, 4, 0, 0, 0, 0, 0, 0, 5, 0, 1}), corrupt,
       L"gzip extra field runs past the stream"},
      {"name unterminated", bytesOf({0x1F, 0x8B, 8, 8, 0, 0, 0, 0, 0, 0, 'a', 'b'}), corrupt,
       L"gzip header string is unterminated"},
      {"comment unterminated", bytesOf({0x1F, 0x8B, 8, 0x18, 0, 0, 0, 0, 0, 0, 'a', 0, 'b'}), corrupt,
       L"gzip header string is unterminated"},
      {"header CRC cut", bytesOf({0x1F, 0x8B, 8, 2, 0, 0, 0, 0, 0, 0, 1}), corrupt, L"gzip header CRC is truncated"},
      {"header only", bytesOf({0x1F, 0x8B, 8, 0, 0, 0, 0, 0, 0, 0}), corrupt,
       L"gzip stream has no room for its trailer"},
      {"CRC mismatch", modified(good.size() - 8, uint8_t(good[good.size() - 8] ^ 1)), corrupt,
       L"gzip stream failed its CRC-32 check"},
      {"length mismatch", modified(good.size() - 1, 1), corrupt,
       L"gzip stream decompressed to a different length than it declares"},
      {"bytes after the member", trailing, corrupt, L"gzip stream failed its CRC-32 check"},
      {"body damaged", modified(10, 0xFF), corrupt, L"DEFLATE: reserved block type"},
      {"over the cap", good, StatusCode::resource_limit, L"Decompressed data exceeds the limit for this operation",
       4999},
  };
  for (const Case& c : cases) {
    Result<Bytes> result = gunzip(c.stream.data(), c.stream.size(), c.cap);
    ASSERT_TRUE(result.failed()) << c.name;
    EXPECT_EQ(result.failure().code, c.code) << c.name;
    EXPECT_EQ(result.failure().message, c.message) << c.name;
  }
  EXPECT_TRUE(looksLikeGzip(good.data(), 3));
  EXPECT_FALSE(looksLikeGzip(good.data(), 2));
}

}  // namespace
}  // namespace tolzeb
