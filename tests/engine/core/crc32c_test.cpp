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

}  // namespace
}  // namespace tolzeb
