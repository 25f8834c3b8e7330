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

// The writer compresses as it goes: more data than would fit in memory makes an archive that
// reads back (sparse sources, so nothing large is on disk but the small archive).
TEST(TarGzLimitsTest, MoreThan512MiBOfDataIsWrittenAsAStream) {
  ScratchTree tree;
  tree.makeDirectory(L"src");
  makeSparse(tree.path(L"src/half1"), 0x10000000, {});
  makeSparse(tree.path(L"src/half2"), 0x10000001, Bytes{1, 2, 3});
  Result<ArchiveStats> made = createTar({tree.path(L"src")}, tree.path(L"o.tar.gz"), true, 1, {});
  ASSERT_TRUE(made.hasValue()) << testing::printable(made.failure().message);
  EXPECT_FALSE(tree.exists(L"o.tar.gz.partial"));
  EXPECT_LT(made->archiveBytes, 4u << 20);
  Result<ArchiveStats> tested = testTar(tree.path(L"o.tar.gz"), {});
  ASSERT_TRUE(tested.hasValue()) << testing::printable(tested.failure().message);
  EXPECT_EQ(tested->inputBytes, 0x20000001u);
}

}  // namespace
}  // namespace tolzeb
