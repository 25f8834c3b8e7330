#include <windows.h>

#include <gtest/gtest.h>

#include "engine/core/fs.h"
#include "fs_test_support.h"
#include "temp_folder.h"

namespace tolzeb {
namespace {

using ::tolzeb::testing::hasErrorShape;

class FsWin32Test : public ::testing::Test {
 protected:
  testing::TempFolder folder;
};

TEST_F(FsWin32Test, MissingDirectoryOnTheWayIsPathNotFound) {
  const std::wstring path = folder / L"no-dir/file";
  Result<UniqueHandle> file = openForRead(path);
  ASSERT_TRUE(file.failed());
  EXPECT_EQ(file.failure().code, StatusCode::not_found);
  EXPECT_TRUE(hasErrorShape(file.failure(), L"Cannot open for reading", path));
  const std::wstring& message = file.failure().message;
  EXPECT_EQ(message.substr(message.size() - 13), L" (0x00000003)");
}

// A file open for writing shares reading only, so a second writer is refused until the first
// handle goes; dropping the open result is enough to release it.
TEST_F(FsWin32Test, DroppingAnOpenResultReleasesTheFile) {
  const std::wstring path = folder / L"shared.bin";
  {
    Result<UniqueHandle> writer = openForWrite(path, false);
    ASSERT_TRUE(writer.hasValue());
    Result<UniqueHandle> second = openForUpdate(path);
    ASSERT_TRUE(second.failed());
    EXPECT_EQ(second.failure().code, StatusCode::io_failure);
    EXPECT_TRUE(hasErrorShape(second.failure(), L"Cannot open for updating", path));
    Result<UniqueHandle> reader = openForRead(path);
    EXPECT_TRUE(reader.hasValue());
  }
  Result<UniqueHandle> again = openForUpdate(path);
  EXPECT_TRUE(again.hasValue());
}

// Null and INVALID_HANDLE_VALUE are both "no handle".
TEST(UniqueHandleWin32Test, NullIsInvalidToo) {
  UniqueHandle null(0);
  EXPECT_FALSE(isValidHandle(null));
  EXPECT_EQ(null.flushFile().message(), L"Invalid file handle");
}

}  // namespace
}  // namespace tolzeb
