// A solid 7z folder is decoded as a stream: listing, testing and extracting hold its dictionary
// window and small pieces, however large the folder is.
#include <gtest/gtest.h>

#include "codecs/crc32.h"
#include "codecs/lzma/lzma.h"
#include "formats/sevenzip/coder.h"
#include "formats/sevenzip/filters.h"
#include "formats/sevenzip/sevenzip_read.h"
#include "formats/sevenzip/sevenzip_test_archive.h"
#include "support/allocation_watch.h"
#include "support/scratch_tree.h"

namespace tolzeb {
namespace {

using namespace sevenziptest;
using testing::AllocationWatch;
using testing::printable;
using testing::ScratchTree;

constexpr uint64_t kPiece = uint64_t(4) << 20;
constexpr uint64_t kPieces = 24;  // 96 MiB in the large entry
// Far below the large entry, far above the decoder's window and pieces.
constexpr size_t kLargestAllowedAllocation = size_t(8) << 20;
const std::string kSmall = "after the large one";

Bytes pieceOfLarge(uint64_t index) {
  Bytes piece(kPiece, uint8_t('a' + index % 26));
  piece[0] = uint8_t(index);
  return piece;
}

uint8_t lzma2PropertyFor(uint32_t dictionarySize) {
  uint8_t property = 0;
  while (lzma2DictionarySize(property) < dictionarySize) ++property;
  return property;
}

// One solid LZMA2 folder: the large entry, then a small one. `extra` bytes of data past the
// folder's declared size make it decode to the wrong length.
struct SolidArchive {
  Bytes file;
  uint32_t dictionarySize = 0;
};

SolidArchive solidArchive(size_t extra = 0) {
  Bytes data;
  data.reserve(kPiece * kPieces + kSmall.size() + extra);
  uint32_t bigCrc = 0;
  for (uint64_t i = 0; i < kPieces; ++i) {
    const Bytes piece = pieceOfLarge(i);
    bigCrc = crc32(bigCrc, piece.data(), piece.size());
    data.insert(data.end(), piece.begin(), piece.end());
  }
  data.insert(data.end(), kSmall.begin(), kSmall.end());
  const uint64_t declared = data.size();
  data.insert(data.end(), extra, 'x');
  SolidArchive archive;
  const Bytes packed = *lzma2Encode(data.data(), data.size(), 1, archive.dictionarySize);
  Bytes crcs = {0x0A, 0x01};
  appendU32le(crcs, bigCrc);
  appendU32le(crcs, crc32(0, kSmall.data(), kSmall.size()));
  const Bytes streams =
      cat({packAndUnpack({packed.size()}, {simpleFolder(0x21, {lzma2PropertyFor(archive.dictionarySize)})}, {declared}),
           {0x08, 0x0D},
           number(2),
           {0x09},
           number(kPiece * kPieces),
           crcs,
           {0x00}});
  archive.file = sevenZipFile(packed, plainHeader(streams, filesInfo({L"big.bin", L"small.txt"})));
  return archive;
}

TEST(SevenZipStreamTest, ListTestAndExtractHoldLittleOfASolidFolder) {
  ScratchTree tree;
  const SolidArchive solid = solidArchive();
  ASSERT_LT(solid.dictionarySize, kLargestAllowedAllocation);
  tree.writeFile(L"solid.7z", solid.file);
  const std::wstring archive = tree.path(L"solid.7z");
  {
    AllocationWatch watch;
    Result<ArchiveListing> listing = listSevenZip(archive);
    ASSERT_TRUE(listing.hasValue()) << int(listing.failure().code);
    ASSERT_EQ(listing->entries.size(), 2u);
    EXPECT_EQ(listing->entries[0].size, kPiece * kPieces);
    Result<ArchiveStats> tested = testSevenZip(archive, {});
    ASSERT_TRUE(tested.hasValue()) << int(tested.failure().code);
    Result<ArchiveStats> extracted = extractSevenZip(archive, tree.path(L"out"), {}, ExtractOptions{}, {});
    ASSERT_TRUE(extracted.hasValue()) << int(extracted.failure().code);
    EXPECT_EQ(extracted->files, 2u);
    Result<EntryBytes> small = readSevenZipEntry(archive, L"small.txt", 1000, false);
    ASSERT_TRUE(small.hasValue());
    EXPECT_EQ(std::string(small->bytes.begin(), small->bytes.end()), kSmall);
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
  EXPECT_EQ(tree.readText(L"out/small.txt"), kSmall);
}

TEST(SevenZipStreamTest, RefusesWhatTheStreamCannotHonour) {
  ScratchTree tree;
  const SolidArchive solid = solidArchive();
  tree.writeFile(L"solid.7z", solid.file);
  tree.writeFile(L"long.7z", solidArchive(5000).file);

  // A dictionary window above the memory budget: code 8 before anything is decoded.
  ExtractOptions small;
  small.memoryBudget = solid.dictionarySize / 2;
  Result<ArchiveStats> extracted = extractSevenZip(tree.path(L"solid.7z"), tree.path(L"out"), {}, small, {});
  ASSERT_TRUE(extracted.failed());
  EXPECT_EQ(extracted.failure().code, StatusCode::resource_limit);
  EXPECT_NE(extracted.failure().message.find(L"This archive needs a dictionary of"), std::wstring::npos);
  Result<ArchiveStats> tested = testSevenZip(tree.path(L"solid.7z"), {}, solid.dictionarySize / 2);
  ASSERT_TRUE(tested.failed());
  EXPECT_EQ(tested.failure().code, StatusCode::resource_limit);

  // Thousands of bytes beyond the declared size: a wrong length (code 3), not a limit.
  for (const bool extract : {false, true}) {
    Result<ArchiveStats> result = extract ? extractSevenZip(tree.path(L"long.7z"), tree.path(L"long"), {}, {}, {})
                                          : testSevenZip(tree.path(L"long.7z"), {});
    ASSERT_TRUE(result.failed());
    EXPECT_EQ(result.failure().code, StatusCode::corrupt_archive);
    EXPECT_EQ(result.failure().message, L"7z: LZMA2 stream decoded to the wrong length");
  }
}

}  // namespace
}  // namespace tolzeb

namespace tolzeb {
namespace {

// A folder may declare any size: the header is read, entries are listed and read as far as the
// data goes, and a folder whose data falls short of what it declares fails as a wrong length,
// all without memory in proportion to the declared size (here far beyond 8 GiB).
TEST(SevenZipStreamTest, HugeDeclaredFoldersOpenAndStreamWithoutHoldingThem) {
  ScratchTree tree;
  constexpr uint64_t kDeclared = uint64_t(9) << 30;
  const std::string hello = "hello";
  uint32_t dictionarySize = 0;
  const Bytes packed = *lzma2Encode(reinterpret_cast<const uint8_t*>(hello.data()), hello.size(), 1, dictionarySize);
  const Bytes lzma2Streams =
      cat({packAndUnpack({packed.size()}, {simpleFolder(0x21, {lzma2PropertyFor(dictionarySize)})}, {kDeclared}),
           {0x08, 0x0D},
           number(2),
           {0x09},
           number(hello.size()),
           {0x00}});
  tree.writeFile(L"lzma2.7z", sevenZipFile(packed, plainHeader(lzma2Streams, filesInfo({L"hello.txt", L"rest.bin"}))));
  // A Copy coder of three stored bytes that claims a terabyte.
  const Bytes copyStreams = packAndUnpack({3}, {simpleFolder(0x00)}, {uint64_t(1) << 40});
  tree.writeFile(L"copy.7z", sevenZipFile({1, 2, 3}, plainHeader(copyStreams, filesInfo({L"claims.bin"}))));

  AllocationWatch watch;
  Result<ArchiveListing> listing = listSevenZip(tree.path(L"lzma2.7z"));
  ASSERT_TRUE(listing.hasValue()) << printable(listing.failure().message);
  ASSERT_EQ(listing->entries.size(), 2u);
  EXPECT_EQ(listing->entries[1].size, kDeclared - hello.size());
  Result<EntryBytes> first = readSevenZipEntry(tree.path(L"lzma2.7z"), L"hello.txt", 1000, false);
  ASSERT_TRUE(first.hasValue()) << printable(first.failure().message);
  EXPECT_EQ(std::string(first->bytes.begin(), first->bytes.end()), hello);
  const struct {
    const wchar_t* archive;
    const wchar_t* message;
  } shortFolders[] = {
      {L"lzma2.7z", L"7z: LZMA2 stream decoded to the wrong length"},
      {L"copy.7z", L"7z: Copy coder sizes do not agree"},
  };
  for (const auto& c : shortFolders) {
    Result<ArchiveStats> tested = testSevenZip(tree.path(c.archive), {});
    ASSERT_TRUE(tested.failed()) << printable(c.archive);
    EXPECT_EQ(tested.failure().code, StatusCode::corrupt_archive);
    EXPECT_EQ(tested.failure().message, c.message);
  }
  EXPECT_LT(watch.largest(), kLargestAllowedAllocation);
}

// Bytes dense with E8/E9 opcodes and sign bytes, so conversions straddle every piece boundary.
Bytes callHeavyCode(size_t size) {
  Bytes out(size);
  uint32_t state = 12345;
  for (uint8_t& b : out) {
    state = state * 1103515245 + 12345;
    const uint32_t r = state >> 16;
    b = r % 5 == 0 ? 0xE8 : r % 7 == 0 ? 0xE9 : r % 3 == 0 ? 0x00 : r % 11 == 0 ? 0xFF : uint8_t(r);
  }
  return out;
}

// Feeding a filter piece by piece gives what it gives on the whole buffer.
TEST(SevenZipStreamTest, FiltersInPiecesMatchTheWholeBuffer) {
  const Bytes code = callHeavyCode(20000);
  const Bytes whole = decodeX86Bcj(code);
  const Bytes wholeDelta = *decodeDelta(code, {3}, code.size());
  for (const size_t piece : {size_t(1), size_t(4), size_t(5), size_t(13), size_t(4096), size_t(20000)}) {
    SCOPED_TRACE(piece);
    X86BcjDecoder x86;
    DeltaDecoder delta(4);
    Bytes pending, converted, deltaOut;
    for (size_t offset = 0; offset < code.size(); offset += piece) {
      const size_t n = std::min(piece, code.size() - offset);
      pending.insert(pending.end(), code.begin() + ptrdiff_t(offset), code.begin() + ptrdiff_t(offset + n));
      const bool last = offset + n == code.size();
      const size_t finished = x86.convert(pending.data(), pending.size(), last);
      converted.insert(converted.end(), pending.begin(), pending.begin() + ptrdiff_t(finished));
      pending.erase(pending.begin(), pending.begin() + ptrdiff_t(finished));
      Bytes part(code.begin() + ptrdiff_t(offset), code.begin() + ptrdiff_t(offset + n));
      delta.decode(part.data(), part.size());
      deltaOut.insert(deltaOut.end(), part.begin(), part.end());
    }
    EXPECT_TRUE(converted == whole);
    EXPECT_TRUE(deltaOut == wholeDelta);
  }
}

// A chain of a filter after LZMA2, as 7z writes executables, streams as well.
TEST(SevenZipStreamTest, FilterChainsAfterLzma2Stream) {
  ScratchTree tree;
  const Bytes code = callHeavyCode(3 << 20);
  struct Case {
    uint8_t filterMethod;
    Bytes properties;
    Bytes encoded;  // what the filter turns back into `code`
  };
  // Encoding x86 is not needed: whatever the encoded bytes, the reader must give what the
  // whole-buffer filter gives.
  for (const Case& c : {Case{0x04, {}, code}, Case{0x03, {1}, code}}) {
    const Bytes expected =
        c.filterMethod == 0x04 ? decodeX86Bcj(c.encoded) : *decodeDelta(c.encoded, {1}, c.encoded.size());
    uint32_t dictionarySize = 0;
    const Bytes packed = *lzma2Encode(c.encoded.data(), c.encoded.size(), 1, dictionarySize);
    // Coder 0 is the filter, fed by coder 1's output (bind pair: input 0 <- output 1); coder 1
    // reads the packed stream.
    const Bytes filterCoder = c.properties.empty()
                                  ? Bytes{0x01, c.filterMethod}
                                  : cat({{0x21, c.filterMethod}, number(c.properties.size()), c.properties});
    const Bytes folder = cat({{0x02}, filterCoder, {0x21, 0x21, 0x01, lzma2PropertyFor(dictionarySize)}, {0x00, 0x01}});
    Bytes crc;
    appendU32le(crc, crc32(0, expected.data(), expected.size()));
    const Bytes streams = cat({{0x06},
                               number(0),
                               number(1),
                               {0x09},
                               number(packed.size()),
                               {0x00, 0x07, 0x0B},
                               number(1),
                               {0x00},
                               folder,
                               {0x0C},
                               number(expected.size()),
                               number(c.encoded.size()),
                               {0x0A, 0x01},
                               crc,
                               {0x00}});
    tree.writeFile(L"chain.7z", sevenZipFile(packed, plainHeader(streams, filesInfo({L"program.bin"}))));
    AllocationWatch watch;
    Result<ArchiveStats> tested = testSevenZip(tree.path(L"chain.7z"), {});
    ASSERT_TRUE(tested.hasValue()) << std::string(tested.failure().message.begin(), tested.failure().message.end());
    EXPECT_LT(watch.largest(), code.size() / 2);
  }
}

}  // namespace
}  // namespace tolzeb
