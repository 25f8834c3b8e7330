#include "ui/foundation/program_info.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "data_folder.h"
#include "engine/core/fs.h"

namespace tolzeb::ui {
namespace {

TEST(ProgramInfo, TheFileVersionShowsItsFourthPartOnlyWhenItIsNotZero) {
  const struct {
    uint32_t mostSignificant;
    uint32_t leastSignificant;
    const wchar_t* text;
  } cases[] = {
      {0x00010000, 0x00000000, L"1.0.0"},
      {0x00010002, 0x00030004, L"1.2.3.4"},
      {0x00020000, 0x000A0000, L"2.0.10"},
      {0x00000000, 0x00000000, L"0.0.0"},
      {0xFFFFFFFF, 0xFFFFFFFF, L"65535.65535.65535.65535"},
      {0x00000000, 0x00000001, L"0.0.0.1"},
  };
  for (const auto& test : cases) {
    EXPECT_EQ(formatFileVersion(test.mostSignificant, test.leastSignificant), test.text);
  }
}

// Answers as GetModuleFileNameW does: a path that does not fit is cut, terminated, and reported
// with the buffer's full size.
struct ModuleFileName {
  std::wstring path;
  std::vector<uint32_t> capacities;

  uint32_t operator()(wchar_t* buffer, uint32_t capacity) {
    capacities.push_back(capacity);
    const size_t copied = std::min<size_t>(path.size(), capacity - 1);
    std::copy_n(path.begin(), copied, buffer);
    buffer[copied] = L'\0';
    return path.size() < capacity ? uint32_t(path.size()) : capacity;
  }
};

TEST(ProgramInfo, APathThatMayHaveBeenCutIsReadAgainWithTwiceTheBuffer) {
  const struct {
    size_t length;
    std::vector<uint32_t> capacities;
    bool whole;
  } cases[] = {
      {10, {260}, true},
      {258, {260}, true},
      {259, {260, 520}, true},
      {260, {260, 520}, true},
      {519, {260, 520, 1040}, true},
      {32767, {260, 520, 1040, 2080, 4160, 8320, 16640, 33280}, true},
      {65534, {260, 520, 1040, 2080, 4160, 8320, 16640, 33280, 66560}, true},
      {70000, {260, 520, 1040, 2080, 4160, 8320, 16640, 33280, 66560}, false},
  };
  for (const auto& test : cases) {
    ModuleFileName query{std::wstring(test.length, L'p'), {}};
    const std::wstring path = readGrowingPath(std::ref(query));
    EXPECT_EQ(path, test.whole ? query.path : L"") << test.length;
    EXPECT_EQ(query.capacities, test.capacities) << test.length;
  }
  ModuleFileName failing{L"", {}};
  EXPECT_EQ(readGrowingPath(std::ref(failing)), L"");
}

TEST(ProgramInfo, TheRunningProgramKnowsItsPath) {
  const std::wstring path = executablePath();
  ASSERT_FALSE(path.empty());
  const std::wstring name = path.substr(path.find_last_of(L"\\/") + 1);
  EXPECT_TRUE(name == L"ui_tests" || name == L"ui_tests.exe") << std::string(name.begin(), name.end());
  EXPECT_TRUE(pathExists(path));
}

TEST(ProgramInfo, AFileWithoutAVersionResourceHasNoVersionText) {
  testing::DataFolder folder;
  const auto file = folder.root() / "plain.exe";
  testing::writeBytes(file, "MZ not really a program");
  EXPECT_EQ(fileVersionText(testing::widePath(file)), L"");
  EXPECT_EQ(fileVersionText(testing::widePath(folder.root() / "absent.exe")), L"");
}

}  // namespace
}  // namespace tolzeb::ui
