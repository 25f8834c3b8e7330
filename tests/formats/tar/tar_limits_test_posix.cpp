// The .tar.gz size limits, checked on sparse files so that no gigabyte is written.
#include <gtest/gtest.h>

#include "engine/core/bytes.h"
#include "support/scratch_tree.h"
#include "formats/tar/tar_read.h"
#include "formats/tar/tar_writer.h"

namespace tolzeb {
namespace {

using testing::ScratchTree;

void makeSparse(const std::wstring& path, uint64_t length, const Bytes& head) {
  Result<UniqueHandle> file = openForWrite(path, false);
  ASSERT_TRUE(file.hasValue());
  ASSERT_TRUE(file->writeAll(head.data(), head.size()).ok());
  ASSERT_TRUE(file->setFileLength(length).ok());
}

// A .tar.gz is read as a stream, so its size alone is no reason to refuse it: this one is refused
// for what its bytes are, at once.
TEST(TarGzLimitsTest, ALargeCompressedFileIsReadAsAStream) {
  ScratchTree tree;
  const std::wstring path = tree.path(L"big.tar.gz");
  makeSparse(path, 0x20000001, Bytes{0x1F, 0x8B, 0x08});
  for (const auto& result : {listTar(path).status(), testTar(path, {}).status()}) {
    ASSERT_TRUE(result.failed());
    EXPECT_EQ(result.code(), StatusCode::corrupt_archive);
    EXPECT_EQ(result.message(), L"DEFLATE: stored block length does not match its complement");
  }
}

TEST(TarGzLimitsTest, WriterRefusesMoreThan512MiBOfDataBeforeCreatingAFile) {
  ScratchTree tree;
  tree.makeDirectory(L"src");
  makeSparse(tree.path(L"src/half1"), 0x10000000, {});
  makeSparse(tree.path(L"src/half2"), 0x10000001, {});
  Result<ArchiveStats> made = createTar({tree.path(L"src")}, tree.path(L"o.tar.gz"), true, 1, {});
  ASSERT_TRUE(made.failed());
  EXPECT_EQ(made.failure().code, StatusCode::resource_limit);
  EXPECT_EQ(made.failure().message,
            L"This build builds a .tar.gz in memory before compressing it, and this one is too large. Write a plain "
            L".tar, or use .zeb or .zip.");
  EXPECT_FALSE(tree.exists(L"o.tar.gz.partial"));
  EXPECT_FALSE(tree.exists(L"o.tar.gz"));
}

}  // namespace
}  // namespace tolzeb
