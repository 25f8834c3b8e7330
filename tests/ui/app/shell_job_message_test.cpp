#include "ui/app/shell_job_message.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tolzeb::shell {
namespace {

// The path's UTF-16LE units and a terminating null, as the extension sends them.
std::vector<uint8_t> payloadOf(const std::wstring& path) {
  std::vector<uint8_t> bytes;
  for (wchar_t unit : path) {
    bytes.push_back(static_cast<uint8_t>(unit));
    bytes.push_back(static_cast<uint8_t>(unit >> 8));
  }
  bytes.insert(bytes.end(), {0, 0});
  return bytes;
}

TEST(ShellJobMessage, AWellFormedHandOffGivesItsPath) {
  const std::wstring path = L"C:\\Users\\u\\AppData\\Local\\TOLZEB\\shelljobs\\0123456789abcdef0123456789abcdef.tzjob";
  const std::vector<uint8_t> data = payloadOf(path);
  EXPECT_EQ(shellJobPathFromMessage(kShellJobMessageTag, data.data(), data.size()), path);

  // The buffer need not be aligned for two-byte units.
  std::vector<uint8_t> shifted(1);
  shifted.insert(shifted.end(), data.begin(), data.end());
  EXPECT_EQ(shellJobPathFromMessage(kShellJobMessageTag, shifted.data() + 1, data.size()), path);

  // The longest message: 32767 units and the null.
  const std::wstring longest(32767, L'x');
  const std::vector<uint8_t> full = payloadOf(longest);
  ASSERT_EQ(full.size(), 65536u);
  EXPECT_EQ(shellJobPathFromMessage(kShellJobMessageTag, full.data(), full.size()), longest);
}

TEST(ShellJobMessage, MalformedMessagesGetNoPath) {
  const std::vector<uint8_t> good = payloadOf(L"C:\\job.tzjob");
  std::vector<uint8_t> nullInside = payloadOf(L"C:\\job.tzjob");
  nullInside[6] = 0;  // "C:\" then a null, then the rest: a different file for CreateFileW
  nullInside[7] = 0;
  std::vector<uint8_t> noFinalNull = good;
  noFinalNull[noFinalNull.size() - 2] = 'x';
  const std::vector<uint8_t> longest = payloadOf(std::wstring(32768, L'x'));  // 65,538 bytes
  const std::vector<uint8_t> onlyNull = {0, 0};

  struct Case {
    const char* what;
    uint64_t tag;
    const uint8_t* data;
    uint64_t byteCount;
  };
  const Case cases[] = {
      {"another tag", 0x545A534B, good.data(), good.size()},
      {"the tag with its upper half set", 0x00000001545A534AULL, good.data(), good.size()},
      {"the tag in the upper half", 0x545A534A00000000ULL, good.data(), good.size()},
      {"no data", kShellJobMessageTag, nullptr, good.size()},
      {"odd size", kShellJobMessageTag, good.data(), good.size() - 1},
      {"size 0", kShellJobMessageTag, good.data(), 0},
      {"size 65,538", kShellJobMessageTag, longest.data(), longest.size()},
      {"size beyond 32 bits", kShellJobMessageTag, good.data(), (uint64_t{1} << 32) + good.size()},
      {"no final null", kShellJobMessageTag, noFinalNull.data(), noFinalNull.size()},
      {"only the null", kShellJobMessageTag, onlyNull.data(), onlyNull.size()},
      {"a null before the final unit", kShellJobMessageTag, nullInside.data(), nullInside.size()},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(shellJobPathFromMessage(c.tag, c.data, c.byteCount), std::nullopt) << c.what;
  }
}

}  // namespace
}  // namespace tolzeb::shell
