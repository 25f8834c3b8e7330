#include <gtest/gtest.h>

#include "engine/core/entry_path.h"
#include "engine/core/fs.h"

namespace tolzeb {
namespace {

struct ResolveCase {
  std::wstring root;
  std::wstring entry;
  std::wstring expected;
};

const bool kWindowsPaths = kPathSeparator == L'\\';

TEST(EntryPathResolveTest, PlacesEntriesBelowTheRoot) {
  const std::vector<ResolveCase> cases =
      kWindowsPaths ? std::vector<ResolveCase>{
                          {L"C:\\out\\", L"a/b", L"C:\\out\\a\\b"},
                          {L"C:\\out", L"a/b", L"C:\\out\\a\\b"},
                          {L"C:\\", L"x", L"C:\\x"},
                          {L"c:\\OUT", L"a", L"c:\\OUT\\a"},
                          {L"C:/out//", L"dir/file.txt", L"C:\\out\\dir\\file.txt"},
                          {L"C:\\a\\..\\out", L"x", L"C:\\out\\x"},
                          {L"\\\\server\\share\\out", L"x/y", L"\\\\server\\share\\out\\x\\y"},
                      }
                    : std::vector<ResolveCase>{
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
  const std::wstring root = kWindowsPaths ? L"C:\\out" : L"/out";
  const std::wstring entries[] = {L"../outside/x", L"C:x", L"x:y", L"a\\..\\..\\b", L"nul", L"dir/ "};
  for (const std::wstring& entry : entries) {
    Result<std::wstring> target = resolveExtractionPath(root, entry);
    ASSERT_TRUE(target.failed());
    EXPECT_EQ(target.failure().code, StatusCode::path_unsafe);
  }
}

}  // namespace
}  // namespace tolzeb
