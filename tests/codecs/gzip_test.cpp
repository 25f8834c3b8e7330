#include "codecs/gzip.h"

#include <gtest/gtest.h>

#include "codecs/crc32.h"
#include "codecs/velt/test_data.h"
#include "support/byte_lists.h"

namespace tolzeb {
namespace {

using testing::bytesOf;

TEST(GzipTest, EmptyInputStream) {
  const Bytes expected = bytesOf({0x1F, 0x8B, 0x08, 0, 0, 0, 0, 0, 0, 0, 0x03, 0x00, 0, 0, 0, 0, 0, 0, 0, 0});
  const Bytes stream = *gzipCompress(nullptr, 0, 6);
  EXPECT_EQ(stream, expected);
  Result<Bytes> back = gunzip(stream.data(), stream.size(), 1);
  ASSERT_TRUE(back.hasValue());
  EXPECT_TRUE(back->empty());
}

TEST(GzipTest, StreamedMemberIsTheWholeBufferOne) {
  for (const Bytes& data : {Bytes{}, testdata::text(300000, 4)}) {
    for (int level : {1, 6, 9}) {
      Bytes streamed;
      GzipStreamWriter writer(level, [&](const uint8_t* bytes, size_t size) {
        streamed.insert(streamed.end(), bytes, bytes + size);
        return Status{};
      });
      for (size_t at = 0; at < data.size(); at += 4097)
        ASSERT_TRUE(writer.write(data.data() + at, std::min<size_t>(4097, data.size() - at)).ok());
      ASSERT_TRUE(writer.finish().ok());
      EXPECT_TRUE(streamed == *gzipCompress(data.data(), data.size(), level)) << data.size() << " level " << level;
    }
  }
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

// What `gzip -t` accepts: members back to back, zero padding after the last one (tapes, disk
// images), and members whose DEFLATE body starts with empty blocks.
TEST(GzipTest, StreamsOtherWritersProduceReadBack) {
  const Bytes first = testdata::text(5000, 3);
  const Bytes second = testdata::text(300000, 4);
  const Bytes a = *gzipCompress(first.data(), first.size(), 6);
  const Bytes b = *gzipCompress(second.data(), second.size(), 1);
  const Bytes empty = *gzipCompress(nullptr, 0, 6);
  Bytes both = first;
  both.insert(both.end(), second.begin(), second.end());
  const auto join = [](std::initializer_list<const Bytes*> parts) {
    Bytes out;
    for (const Bytes* part : parts) out.insert(out.end(), part->begin(), part->end());
    return out;
  };
  Bytes emptyBlocksFirst(a.begin(), a.begin() + 10);
  for (int i = 0; i < 100000; ++i) emptyBlocksFirst.insert(emptyBlocksFirst.end(), {0x00, 0x00, 0x00, 0xFF, 0xFF});
  emptyBlocksFirst.insert(emptyBlocksFirst.end(), a.begin() + 10, a.end());
  const Bytes zeros(1 << 20, 0);
  struct Case {
    const char* name;
    Bytes stream;
    const Bytes& expected;
  };
  const Case cases[] = {
      {"two members", join({&a, &b}), both},
      {"an empty member first", join({&empty, &a, &empty, &b}), both},
      {"zero padding", join({&a, &zeros}), first},
      {"two members and padding", join({&a, &b, &zeros}), both},
      {"empty blocks before the data", emptyBlocksFirst, first},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Result<Bytes> back = gunzip(c.stream.data(), c.stream.size(), 1 << 30);
    ASSERT_TRUE(back.hasValue()) << int(back.failure().code);
    EXPECT_TRUE(*back == c.expected);
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
  Bytes garbage = good;
  garbage.push_back('x');
  Bytes paddedGarbage = good;
  paddedGarbage.insert(paddedGarbage.end(), 700000, 0);
  paddedGarbage.push_back(1);
  Bytes twoMembers = good;
  twoMembers.insert(twoMembers.end(), good.begin(), good.end());
  Bytes twoMembersDamaged = twoMembers;
  twoMembersDamaged[twoMembers.size() - 8] ^= 1;
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
      {"garbage after the member", garbage, corrupt,
       L"gzip stream is followed by data that is neither gzip nor zero padding"},
      {"garbage after zero padding", paddedGarbage, corrupt,
       L"gzip stream is followed by data that is neither gzip nor zero padding"},
      {"a second member damaged", twoMembersDamaged, corrupt, L"gzip stream failed its CRC-32 check"},
      {"over the cap in the second member", twoMembers, StatusCode::resource_limit,
       L"Decompressed data exceeds the limit for this operation", 9999},
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
