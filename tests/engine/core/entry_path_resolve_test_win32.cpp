#include <gtest/gtest.h>

#include "engine/core/entry_path.h"

namespace tolzeb {
namespace {

struct ResolveCase {
  std::wstring root;
  std::wstring entry;
  std::wstring expected;
};

TEST(EntryPathResolveTest, PlacesEntriesBelowWindowsRoots) {
  const ResolveCase cases[] = {
      {L"C:\\out\\", L"a/b", L"C:\\out\\a\\b"},
      {L"C:\\out", L"a/b", L"C:\\out\\a\\b"},
      {L"C:\\", L"x", L"C:\\x"},
      {L"c:\\OUT", L"a", L"c:\\OUT\\a"},
      {L"C:/out//", L"dir/file.txt", L"C:\\out\\dir\\file.txt"},
      {L"C:\\a\\..\\out", L"x", L"C:\\out\\x"},
      {L"\\\\server\\share\\out", L"x/y", L"\\\\server\\share\\out\\x\\y"},
  };
  for (const ResolveCase& c : cases) {
    Result<std::wstring> target = resolveExtractionPath(c.root, c.entry);
    ASSERT_TRUE(target.hasValue()) << target.failure().message;
    EXPECT_EQ(*target, c.expected);
  }
}

TEST(EntryPathResolveTest, RefusesWhatTheValidatorRefuses) {
  const std::wstring entries[] = {L"../outside/x", L"C:x", L"x:y", L"a\\..\\..\\b", L"nul", L"dir/ "};
  for (const std::wstring& entry : entries) {
    Result<std::wstring> target = resolveExtractionPath(L"C:\\out", entry);
    ASSERT_TRUE(target.failed());
    EXPECT_EQ(target.failure().code, StatusCode::path_unsafe);
  }
}

}  // namespace
}  // namespace tolzeb
