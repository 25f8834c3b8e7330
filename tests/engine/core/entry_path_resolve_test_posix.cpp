#include <gtest/gtest.h>

#include "engine/core/entry_path.h"

namespace tolzeb {
namespace {

struct ResolveCase {
  std::wstring root;
  std::wstring entry;
  std::wstring expected;
};

TEST(EntryPathResolveTest, PlacesEntriesBelowPosixRoots) {
  const ResolveCase cases[] = {
      {L"/out/", L"a/b", L"/out/a/b"},
      {L"/out", L"a/b", L"/out/a/b"},
      {L"/", L"x", L"/x"},
      {L"/OUT", L"a", L"/OUT/a"},
      {L"//out//", L"dir/file.txt", L"/out/dir/file.txt"},
      {L"/a/../out/.", L"x", L"/out/x"},
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
    Result<std::wstring> target = resolveExtractionPath(L"/out", entry);
    ASSERT_TRUE(target.failed());
    EXPECT_EQ(target.failure().code, StatusCode::path_unsafe);
  }
}

}  // namespace
}  // namespace tolzeb
