#include "engine/core/crc32c.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace tolzeb {
namespace {

TEST(Crc32cTest, CheckValueOnBothPathsAtEveryAlignment) {
  alignas(16) char buffer[32];
  for (size_t offset = 0; offset < 16; ++offset) {
    std::memcpy(buffer + offset, "123456789", 9);
    EXPECT_EQ(detail::crc32cTable(0, buffer + offset, 9), 0xE3069283u);
    if (detail::cpuHasSse42()) {
      EXPECT_EQ(detail::crc32cHardware(0, buffer + offset, 9), 0xE3069283u);
    }
  }
  EXPECT_EQ(crc32c(0, "123456789", 9), 0xE3069283u);
}

TEST(Crc32cTest, EmptyReturnsPrevious) {
  EXPECT_EQ(crc32c(0x12345678, "", 0), 0x12345678u);
  EXPECT_EQ(crc32c(0x12345678, nullptr, 0), 0x12345678u);
}

TEST(Crc32cTest, ContinuesAndPathsAgreeOnLongData) {
  std::vector<uint8_t> data(100003);
  for (size_t i = 0; i < data.size(); ++i) data[i] = uint8_t(i * 131 + (i >> 7));
  uint32_t whole = detail::crc32cTable(0, data.data(), data.size());
  for (size_t split : {0u, 1u, 7u, 8u, 4099u, 100003u}) {
    uint32_t a = crc32c(0, data.data(), split);
    EXPECT_EQ(crc32c(a, data.data() + split, data.size() - split), whole) << split;
  }
  if (detail::cpuHasSse42()) {
    EXPECT_EQ(detail::crc32cHardware(0, data.data() + 3, 5000), detail::crc32cTable(0, data.data() + 3, 5000));
  }
}

// A record's own checksum reads its CRC field as zero whatever the field holds, wherever the field
// sits: the start, the middle or the last four bytes.
TEST(Crc32cTest, RecordChecksumSkipsItsOwnField) {
  std::vector<uint8_t> record(64);
  for (size_t i = 0; i < record.size(); ++i) record[i] = uint8_t(i * 37 + 5);
  for (size_t crcAt : {size_t(0), size_t(28), size_t(60)}) {
    std::vector<uint8_t> zeroed = record;
    std::memset(zeroed.data() + crcAt, 0, 4);
    const uint32_t expected = crc32c(0, zeroed.data(), zeroed.size());
    EXPECT_EQ(recordCrc32c(record.data(), record.size(), crcAt), expected) << crcAt;
    EXPECT_EQ(recordCrc32c(zeroed.data(), zeroed.size(), crcAt), expected) << crcAt;
    std::vector<uint8_t> changed = record;
    changed[crcAt == 0 ? 4 : 0] ^= 1;
    EXPECT_NE(recordCrc32c(changed.data(), changed.size(), crcAt), expected) << crcAt;
  }
}

}  // namespace
}  // namespace tolzeb
