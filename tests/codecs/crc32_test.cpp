#include "codecs/crc32.h"

#include <gtest/gtest.h>

#include <thread>

#include "codecs/velt/test_data.h"

namespace tolzeb {
namespace {

// One bit at a time, straight from the definition: the slow reference the tables must match.
uint32_t bitwiseCrc32(const uint8_t* data, size_t length) {
  uint32_t crc = 0xFFFFFFFFu;
  for (size_t i = 0; i < length; ++i) {
    crc ^= data[i];
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
  }
  return ~crc;
}

TEST(Crc32Test, CatalogueCheckValueAndEmptyInput) {
  EXPECT_EQ(crc32(0, "123456789", 9), 0xCBF43926u);
  EXPECT_EQ(crc32(0, nullptr, 0), 0u);
  EXPECT_EQ(crc32(0xDEADBEEF, "x", 0), 0xDEADBEEFu);
}

TEST(Crc32Test, EveryShortLengthAndOffsetMatchesTheBitwiseReference) {
  const Bytes data = testdata::randomBytes(64 + 8, 7);
  for (size_t offset = 0; offset < 8; ++offset)
    for (size_t length = 0; length <= 64; ++length)
      EXPECT_EQ(crc32(0, data.data() + offset, length), bitwiseCrc32(data.data() + offset, length))
          << "offset " << offset << " length " << length;
}

TEST(Crc32Test, ChainingAtAnySplitEqualsOneCall) {
  const Bytes data = testdata::text(5000, 3);
  const uint32_t whole = crc32(0, data.data(), data.size());
  EXPECT_EQ(whole, bitwiseCrc32(data.data(), data.size()));
  for (size_t split : {0, 1, 7, 8, 9, 15, 16, 4095, 4999, 5000})
    EXPECT_EQ(crc32(crc32(0, data.data(), split), data.data() + split, data.size() - split), whole) << split;
}

TEST(Crc32Test, ConcurrentCallersAgree) {
  const Bytes data = testdata::randomBytes(100000, 11);
  const uint32_t expected = bitwiseCrc32(data.data(), data.size());
  uint32_t results[4] = {};
  std::vector<std::thread> threads;
  for (auto& result : results) threads.emplace_back([&] { result = crc32(0, data.data(), data.size()); });
  for (auto& thread : threads) thread.join();
  for (uint32_t result : results) EXPECT_EQ(result, expected);
}

}  // namespace
}  // namespace tolzeb
