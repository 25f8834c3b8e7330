// A .tar.gz is read as a stream: listing, testing and extracting hold a bounded amount of it in
// memory however large the tar inside is.
#include <gtest/gtest.h>

#include "codecs/gzip.h"
#include "formats/tar/tar_read.h"
#include "formats/tar/tar_test_stream.h"
#include "support/allocation_watch.h"
#include "support/scratch_tree.h"

namespace tolzeb {
namespace {

using testing::AllocationWatch;
using testing::ScratchTree;
using testing::TarHeader;
using testing::TarStream;

constexpr uint64_t kPiece = uint64_t(4) << 20;
constexpr uint64_t kPieces = 24;  // 96 MiB in the large entry
// Far below the large entry, far above the decoder's own buffers.
constexpr size_t kLargestAllowedAllocation = size_t(8) << 20;

void appendMember(Bytes& out, const Bytes& data) {
  const Bytes member = *gzipCompress(data.data(), data.size(), 1);
  out.insert(out.end(), member.begin(), member.end());
}

// The large entry's bytes, a piece at a time.
Bytes pieceOfLarge(uint64_t index) {
  Bytes piece(kPiece, uint8_t('a' + index % 26));
  piece[0] = uint8_t(index);
  return piece;
}

// Built one gzip member at a time, so the test itself never holds the whole tar either.
Bytes largeTarGz() {
  Bytes gz;
  appendMember(gz, TarStream().header(TarHeader("big.bin", '0', kPiece * kPieces)).bytes());
  for (uint64_t i = 0; i < kPieces; ++i) appendMember(gz, pieceOfLarge(i));
  appendMember(gz, TarStream().file("small.txt", "after the large one").end().bytes());
  return gz;
}

TEST(TarGzipStreamTest, ListTestAndExtractHoldLittleOfALargeEntry) {
  ScratchTree tree;
  tree.writeFile(L"big.tar.gz", largeTarGz());
  const std::wstring archive = tree.path(L"big.tar.gz");
  ExtractOptions options;
  {
    AllocationWatch watch;
    Result<ArchiveListing> listing = listTar(archive);
    ASSERT_TRUE(listing.hasValue()) << int(listing.failure().code);
    ASSERT_EQ(listing->entries.size(), 2u);
    EXPECT_EQ(listing->entries[0].size, kPiece * kPieces);
    Result<ArchiveStats> tested = testTar(archive, {});
    ASSERT_TRUE(tested.hasValue()) << int(tested.failure().code);
    Result<ArchiveStats> extracted = extractTar(archive, tree.path(L"out"), {}, options, {});
    ASSERT_TRUE(extracted.hasValue()) << int(extracted.failure().code);
    EXPECT_EQ(extracted->files, 2u);
    EXPECT_LT(watch.largest(), kLargestAllowedAllocation);
  }
  Result<UniqueHandle> big = openForRead(tree.path(L"out/big.bin"));
  ASSERT_TRUE(big.hasValue());
  EXPECT_EQ(*big->fileSize(), kPiece * kPieces);
  for (const uint64_t index : {uint64_t(0), uint64_t(13), kPieces - 1}) {
    Bytes read(kPiece);
    ASSERT_EQ(*big->readAt(index * kPiece, read.data(), read.size()), kPiece);
    EXPECT_TRUE(read == pieceOfLarge(index)) << index;
  }
  EXPECT_EQ(tree.readText(L"out/small.txt"), "after the large one");
}

}  // namespace
}  // namespace tolzeb
