// Opening 7z files: the accepted forms, every limit, and a table of malformations with their
// exact codes and messages.
#include <gtest/gtest.h>

#include "formats/sevenzip/coder.h"
#include "formats/sevenzip/folder_stream.h"
#include "formats/sevenzip/header_parser.h"
#include "formats/sevenzip/sevenzip_test_archive.h"
#include "support/scratch_tree.h"

namespace tolzeb {
namespace {

using namespace sevenziptest;
using testing::printable;
using testing::ScratchTree;

// Rewrites the next-header fields of the signature header with a fresh start-header CRC.
Bytes withNextHeader(Bytes file, uint64_t offset, uint64_t size) {
  writeU64le(&file[12], offset);
  writeU64le(&file[20], size);
  writeU32le(&file[8], crc32(0, &file[12], 20));
  return file;
}

Bytes flipByte(Bytes file, size_t at) {
  file[at] ^= 1;
  return file;
}

// Recomputes the start-header CRC after the next-header fields were changed.
Bytes reseal(Bytes file) {
  writeU32le(&file[8], crc32(0, &file[12], 20));
  return file;
}

class SevenZipHeaderTest : public ::testing::Test {
 protected:
  Result<SevenZipArchive> open(const Bytes& file, uint64_t entryLimit = 0) {
    tree_.writeFile(L"t.7z", file);
    return openSevenZip(tree_.path(L"t.7z"), entryLimit);
  }
  ScratchTree tree_;
};

// A packed header: the plain header `inner` stored by a Copy coder, optionally with a folder CRC.
Bytes packedHeaderFile(const Bytes& inner, const Bytes& folder, const std::vector<uint64_t>& unpackSizes, bool withCrc,
                       uint32_t crc) {
  Bytes streams = packAndUnpack({inner.size()}, {folder}, unpackSizes);
  if (withCrc) {
    streams.pop_back();  // reopen UnpackInfo's property list
    streams = cat({streams, {0x0A, 0x01}});
    appendU32le(streams, crc);
    streams.push_back(0x00);
  }
  return sevenZipFile(inner, cat({{0x17}, streams, {0x00}}));
}

TEST_F(SevenZipHeaderTest, AcceptedForms) {
  Bytes packed;
  const Bytes header = storedFiles({{L"dir\\a.txt", "hello"}, {L"b.txt", "world!"}}, packed);
  const Bytes plain = sevenZipFile(packed, header);

  Result<SevenZipArchive> archive = open(plain);
  ASSERT_TRUE(archive.hasValue()) << printable(archive.failure().message);
  ASSERT_EQ(archive->entries.size(), 2u);
  EXPECT_EQ(archive->entries[0].name, L"dir/a.txt");
  EXPECT_EQ(archive->entries[1].size, 6u);
  EXPECT_EQ(archive->entries[1].folderIndex, 1u);
  EXPECT_TRUE(archive->entries[1].crcDefined);
  EXPECT_EQ(archive->totalFileBytes(), 11u);

  // Version bytes are not looked at; bytes after the final end byte are not examined.
  Bytes versions = plain;
  versions[6] = 9;
  versions[7] = 9;
  EXPECT_TRUE(open(versions).hasValue());
  EXPECT_TRUE(open(sevenZipFile(packed, cat({header, {0x42, 0x42}}))).hasValue());

  // No next header: no entries, whatever offset and CRC say.
  Bytes empty = withNextHeader(sevenZipFile({}, {}), 0xFFFFFFFFFFFF, 0);
  writeU32le(&empty[28], 0x12345678);
  writeU32le(&empty[8], crc32(0, &empty[12], 20));
  Result<SevenZipArchive> none = open(empty);
  ASSERT_TRUE(none.hasValue());
  EXPECT_TRUE(none->entries.empty());

  // The same header packed by a Copy coder, with and without its CRC.
  const uint32_t crc = crc32(0, header.data(), header.size());
  for (bool withCrc : {false, true}) {
    Bytes file = packedHeaderFile(header, simpleFolder(0x00), {header.size()}, withCrc, crc);
    // The packed header sits right after the stored data of the files.
    file.insert(file.begin() + 32, packed.begin(), packed.end());
    Bytes fixed = withNextHeader(file, packed.size() + header.size(), file.size() - 32 - packed.size() - header.size());
    // Its pack position must point past the files' data.
    const size_t packPositionAt = 32 + packed.size() + header.size() + 2;
    fixed[packPositionAt] = uint8_t(packed.size());
    writeU32le(&fixed[28], crc32(0, &fixed[32 + packed.size() + header.size()], readU64le(&fixed[20])));
    writeU32le(&fixed[8], crc32(0, &fixed[12], 20));
    Result<SevenZipArchive> unpacked = open(fixed);
    ASSERT_TRUE(unpacked.hasValue()) << printable(unpacked.failure().message);
    EXPECT_EQ(unpacked->entries.size(), 2u);
  }
}

TEST_F(SevenZipHeaderTest, EntriesMapOntoSubstreams) {
  // Folder 0 holds two substreams (3 + 7 bytes), folder 1 none, folder 2 one of 4 bytes.
  const Bytes streams = cat({packAndUnpack({10, 1, 4}, {simpleFolder(0), simpleFolder(0), simpleFolder(0)}, {10, 1, 4}),
                             {0x08, 0x0D, 2, 0, 1, 0x09, 3, 0x00}});
  const Bytes files = filesInfo(
      {L"dir", L"a", L"empty", L"b", L"c", L"marked"},
      cat({property(0x0E, bits({true, false, true, false, false, true})), property(0x0F, bits({false, true, false})),
           property(0x15, cat({{0x00}, bits({false, false, false, false, true, false}), {0x00}, {0x10, 0, 0, 0}}))}));
  Result<SevenZipArchive> archive = open(sevenZipFile(Bytes(15, 'x'), plainHeader(streams, files)));
  ASSERT_TRUE(archive.hasValue()) << printable(archive.failure().message);
  const auto& e = archive->entries;
  ASSERT_EQ(e.size(), 6u);
  EXPECT_TRUE(e[0].isDirectory);   // no data, no EmptyFile bit
  EXPECT_FALSE(e[2].isDirectory);  // no data, EmptyFile bit
  EXPECT_TRUE(e[5].isDirectory);
  EXPECT_EQ(e[1].size, 3u);
  EXPECT_EQ(e[1].offsetInFolder, 0u);
  EXPECT_EQ(e[3].size, 7u);
  EXPECT_EQ(e[3].offsetInFolder, 3u);
  EXPECT_EQ(e[4].folderIndex, 2u);  // folder 1 has no substreams
  EXPECT_TRUE(e[4].isDirectory);    // data, but the directory attribute
  EXPECT_FALSE(e[4].crcDefined);

  // Only data-less entries need no streams; EmptyFile before EmptyStream reads as clear bits.
  Result<SevenZipArchive> bare = open(sevenZipFile(
      {}, plainHeader({}, filesInfo({L"x", L"y"}, cat({property(0x0F, {}), property(0x0E, bits({true, true}))})))));
  ASSERT_TRUE(bare.hasValue()) << printable(bare.failure().message);
  EXPECT_TRUE(bare->entries[0].isDirectory && bare->entries[1].isDirectory);

  Result<SevenZipArchive> noEntries = open(sevenZipFile({}, {0x01, 0x05, 0x00, 0x00, 0x00}));
  ASSERT_TRUE(noEntries.hasValue());
  EXPECT_TRUE(noEntries->entries.empty());
}

TEST_F(SevenZipHeaderTest, EntryLimit) {
  std::vector<std::wstring> eleven;
  for (int i = 0; i < 11; ++i) eleven.push_back(std::wstring(1, wchar_t('a' + i)));
  const Bytes file =
      sevenZipFile({}, plainHeader({}, filesInfo(eleven, property(0x0E, bits(std::vector<bool>(11, true))))));
  for (uint64_t limit : {0ull, 11ull, 5000000ull}) EXPECT_TRUE(open(file, limit).hasValue()) << limit;
  Result<SevenZipArchive> refused = open(file, 10);
  ASSERT_TRUE(refused.failed());
  EXPECT_EQ(refused.failure().message, L"7z: implausible count for files");
  // 2,000,000 is the ceiling whatever the caller asks; the count fails before anything is sized.
  Result<SevenZipArchive> huge = open(sevenZipFile({}, cat({{0x01, 0x05}, number(2000001)})), 5000000);
  ASSERT_TRUE(huge.failed());
  EXPECT_EQ(huge.failure().message, L"7z: implausible count for files");
}

struct Malformed {
  const char* what;
  Bytes file;
  StatusCode code;
  const wchar_t* message;
};

Bytes headerOnly(const Bytes& header) { return sevenZipFile({}, header); }
Bytes withStreams(const Bytes& streams) { return headerOnly(cat({{0x01, 0x04}, streams})); }
Bytes oneFolder(const Bytes& folder, uint64_t unpackSize = 1) {
  return withStreams(cat({packAndUnpack({1}, {folder}, {unpackSize}), {0x00}, filesInfo({L"f"}), {0x00}}));
}

std::vector<Malformed> malformations() {
  const StatusCode corrupt = StatusCode::corrupt_archive;
  const StatusCode unsupported = StatusCode::unsupported_version;
  const StatusCode limit = StatusCode::resource_limit;
  Bytes packed;
  const Bytes valid = sevenZipFile(packed, storedFiles({{L"a", "abc"}}, packed));
  const Bytes validHeader = storedFiles({{L"a", "abc"}}, packed);
  const Bytes copy = simpleFolder(0x00);
  return {
      {"31 bytes", Bytes(31, 0), corrupt, L"7z: file is too small to be an archive"},
      {"signature", flipByte(valid, 0), corrupt, L"7z: file does not start with the signature"},
      {"start header CRC", flipByte(valid, 8), corrupt, L"7z: the start header failed its checksum"},
      {"header size", withNextHeader(valid, 0, 0x10000001), limit, L"7z: header is larger than this build reads"},
      {"header past the end", withNextHeader(valid, 1000, validHeader.size()), corrupt,
       L"7z: header runs past the end of the file"},
      {"header offset wraps", withNextHeader(valid, UINT64_MAX - 8, validHeader.size()), corrupt,
       L"7z: header runs past the end of the file"},
      {"header CRC", reseal(flipByte(valid, 28)), corrupt, L"7z: header failed its checksum"},
      {"header kind", headerOnly({0x02, 0x00}), corrupt, L"7z: header has an unknown kind"},
      {"ends early", headerOnly({0x01, 0x05}), corrupt, L"7z: header ends early"},
      {"number cut short", headerOnly({0x01, 0x05, 0xC0}), corrupt, L"7z: header ends early"},
      {"does not end", headerOnly({0x01, 0x07}), corrupt, L"7z: header does not end where it should"},
      {"additional streams", headerOnly({0x01, 0x03}), unsupported,
       L"7z: additional streams are not read by this build"},
      {"archive property size", headerOnly(cat({{0x01, 0x02, 0x01}, number(0x10000001)})), corrupt,
       L"7z: implausible count for an archive property"},
      {"archive property past the header", headerOnly({0x01, 0x02, 0x01, 0x05, 0x00}), corrupt,
       L"7z: property runs past the header"},
      {"no names", headerOnly({0x01, 0x05, 0x01, 0x00, 0x00}), corrupt, L"7z: the header has no names"},
      {"odd name block", headerOnly(cat({{0x01, 0x05, 0x01}, property(0x11, {0, 'a', 0, 0}), {0x00, 0x00}})), corrupt,
       L"7z: name block has an odd length"},
      {"unterminated name", headerOnly(cat({{0x01, 0x05, 0x01}, property(0x11, {0, 'a', 0}), {0x00, 0x00}})), corrupt,
       L"7z: last name is not terminated"},
      {"more names", headerOnly(cat({{0x01, 0x05, 0x01}, namesProperty({L"a", L"b"}), {0x00, 0x00}})), corrupt,
       L"7z: more names than files"},
      {"fewer names", headerOnly(cat({{0x01, 0x05, 0x02}, namesProperty({L"a"}), {0x00, 0x00}})), corrupt,
       L"7z: name count does not match the files"},
      {"names outside", headerOnly(cat({{0x01, 0x05, 0x01}, property(0x11, {1}), {0x00, 0x00}})), unsupported,
       L"7z: names stored outside the header are not read by this build"},
      {"times outside", headerOnly(cat({{0x01, 0x05, 0x01}, property(0x14, {1, 1}), {0x00, 0x00}})), unsupported,
       L"7z: times stored outside the header are not read by this build"},
      {"attributes outside", headerOnly(cat({{0x01, 0x05, 0x01}, property(0x15, {1, 1}), {0x00, 0x00}})), unsupported,
       L"7z: attributes stored outside the header are not read by this build"},
      {"file property size", headerOnly(cat({{0x01, 0x05, 0x01, 0x19}, number(0x10000001)})), corrupt,
       L"7z: implausible count for a file property"},
      {"file property past the header", headerOnly({0x01, 0x05, 0x01, 0x19, 0x0A, 0x00}), corrupt,
       L"7z: property runs past the header"},
      {"file property overruns", headerOnly(cat({{0x01, 0x05, 0x01, 0x14, 0x02, 0x01, 0x00}, Bytes(8, 0), {0, 0}})),
       corrupt, L"7z: a file property overran its own length"},
      {"packed streams", withStreams(cat({{0x06, 0x00}, number(2000001)})), corrupt,
       L"7z: implausible count for packed streams"},
      {"PackInfo property", withStreams({0x06, 0x00, 0x01, 0x0B}), corrupt, L"7z: unexpected property inside PackInfo"},
      {"PackInfo sizes", withStreams({0x06, 0x00, 0x01, 0x00}), corrupt, L"7z: PackInfo has no sizes"},
      {"hostile packed stream count", withStreams(cat({{0x06, 0x00}, number(2000000), {0x09, 0x01}})), corrupt,
       L"7z: header ends early"},
      {"folders", withStreams(cat({{0x07, 0x0B}, number(1000001)})), corrupt, L"7z: implausible count for folders"},
      {"hostile folder count", withStreams(cat({{0x07, 0x0B}, number(1000000), {0x00, 0x01, 0x01, 0x00}})), corrupt,
       L"7z: header ends early"},
      {"UnpackInfo start", withStreams({0x07, 0x0C}), corrupt, L"7z: UnpackInfo does not start with folders"},
      {"external folders", withStreams({0x07, 0x0B, 0x01, 0x01}), unsupported,
       L"7z: folders stored outside the header are not read by this build"},
      {"no output sizes", withStreams(cat({{0x07, 0x0B, 0x01, 0x00}, copy, {0x0A}})), corrupt,
       L"7z: folders have no output sizes"},
      {"UnpackInfo property", withStreams(cat({{0x07, 0x0B, 0x01, 0x00}, copy, {0x0C, 0x01, 0x09}})), corrupt,
       L"7z: unexpected property inside UnpackInfo"},
      {"coders", oneFolder({33}), corrupt, L"7z: implausible count for coders in a folder"},
      {"no coders", oneFolder({0}), corrupt, L"7z: folder with no coders"},
      {"id length 0", oneFolder({1, 0x30}), corrupt, L"7z: coder id has an impossible length"},
      {"id length 9", oneFolder({1, 0x09}), corrupt, L"7z: coder id has an impossible length"},
      {"alternative methods", oneFolder({1, 0x81, 0x00}), unsupported,
       L"7z: coder uses an alternative method list, which this build does not read"},
      {"coder inputs", oneFolder({1, 0x11, 0x00, 33, 1}), corrupt, L"7z: implausible count for coder inputs"},
      {"coder outputs", oneFolder({1, 0x11, 0x00, 1, 33}), corrupt, L"7z: implausible count for coder outputs"},
      {"coder without streams", oneFolder({1, 0x11, 0x00, 0, 1}), corrupt, L"7z: coder with no streams"},
      {"coder properties", oneFolder(cat({{1, 0x21, 0x00}, number(0x100001)})), corrupt,
       L"7z: implausible count for coder properties"},
      {"coder properties past the header", oneFolder({1, 0x21, 0x00, 0x7F}), corrupt,
       L"7z: property runs past the header"},
      {"bind pair", oneFolder({2, 0x01, 0x00, 0x01, 0x00, 5, 0}), corrupt, L"7z: bind pair points outside the folder"},
      {"no packed input", oneFolder({2, 0x01, 0x00, 0x11, 0x00, 1, 2, 0, 1, 1, 0}), corrupt,
       L"7z: folder has no packed input"},
      {"packed input index", oneFolder({2, 0x11, 0x00, 3, 1, 0x01, 0x00, 0, 1, 7, 1, 2}), corrupt,
       L"7z: packed stream points outside the folder"},
      {"more folders than packed streams",
       withStreams(cat({packAndUnpack({1}, {copy, copy}, {1, 1}), {0x00}, filesInfo({L"f"}), {0x00}})), corrupt,
       L"7z: folders ask for more packed streams than the archive has"},
      {"StreamsInfo end", withStreams(cat({packAndUnpack({1}, {copy}, {1}), {0x05}})), corrupt,
       L"7z: StreamsInfo does not end where it should"},
      {"substreams too large",
       withStreams(cat({packAndUnpack({10}, {copy}, {10}), {0x08, 0x0D, 0x03, 0x09, 0x05, 0x07, 0x00, 0x00}})), corrupt,
       L"7z: substreams do not fit inside their folder"},
      {"split folder without sizes", withStreams(cat({packAndUnpack({10}, {copy}, {10}), {0x08, 0x0D, 0x02, 0x00}})),
       corrupt, L"7z: split folder has no substream sizes"},
      {"substream count", withStreams(cat({packAndUnpack({1}, {copy}, {1}), {0x08, 0x0D}, number(2000001)})), corrupt,
       L"7z: implausible count for substreams in a folder"},
      {"substreams together",
       withStreams(cat({packAndUnpack({1, 1}, {copy, copy}, {1, 1}), {0x08, 0x0D}, number(1500000), number(1500000)})),
       corrupt, L"7z: implausible substream count"},
      {"SubStreamsInfo property", withStreams(cat({packAndUnpack({1}, {copy}, {1}), {0x08, 0x0B}})), corrupt,
       L"7z: unexpected property inside SubStreamsInfo"},
      {"more files than substreams",
       withStreams(cat({packAndUnpack({2, 1}, {copy, copy}, {2, 1}),
                        {0x08, 0x0D, 0x02, 0x00, 0x09, 0x01, 0x00, 0x00},
                        filesInfo({L"a", L"b", L"c"}),
                        {0x00}})),
       corrupt, L"7z: more files with streams than the folders hold"},
      {"packed header of two coders",
       packedHeaderFile({0x01, 0x00}, {2, 0x01, 0x00, 0x01, 0x00, 0x00, 0x01}, {2, 2}, false, 0), unsupported,
       L"7z: a header built from several coders is not read by this build"},
      {"packed header size", packedHeaderFile({0x01, 0x00}, copy, {0x10000001}, false, 0), limit,
       L"7z: a folder declares more output than this build decodes"},
      {"packed header CRC", packedHeaderFile({0x01, 0x00}, copy, {2}, true, 0x1234), corrupt,
       L"7z: header failed its checksum"},
      {"packed header content", packedHeaderFile({0x05, 0x00}, copy, {2}, false, 0), corrupt,
       L"7z: the compressed header does not hold a header"},
      {"packed header past the end", sevenZipFile({}, cat({{0x17}, packAndUnpack({100}, {copy}, {2}), {0x00}})),
       corrupt, L"7z: header stream runs past the end"},
      {"packed header of two folders",
       sevenZipFile({1, 0}, cat({{0x17}, packAndUnpack({1, 1}, {copy, copy}, {1, 1}), {0x00}})), corrupt,
       L"7z: a compressed header must be exactly one folder"},
      {"packed header with BCJ2", packedHeaderFile({0x01, 0x00}, {1, 0x04, 0x03, 0x03, 0x01, 0x1B}, {2}, false, 0),
       StatusCode::general, L"7z: BCJ2 takes four inputs, not one"},
  };
}

TEST_F(SevenZipHeaderTest, MalformationsFailWithTheirMessage) {
  for (const Malformed& m : malformations()) {
    Result<SevenZipArchive> archive = open(m.file);
    ASSERT_TRUE(archive.failed()) << m.what;
    EXPECT_EQ(archive.failure().code, m.code) << m.what;
    EXPECT_EQ(archive.failure().message, m.message) << m.what;
  }
}

// The folder's data read through its stream to the end, so that a wrong length shows too.
Result<Bytes> streamFolder(SevenZipArchive& archive, uint64_t folderIndex, size_t size) {
  TOLZEB_ASSIGN_OR_RETURN(SevenZipFolderStream stream,
                          SevenZipFolderStream::open(archive, folderIndex, kSevenZipDefaultWindowLimit));
  Bytes bytes(size);
  TOLZEB_TRY(stream.read(bytes.data(), bytes.size()));
  TOLZEB_TRY(stream.finish());
  return bytes;
}

TEST_F(SevenZipHeaderTest, FolderGraphsStreamWhateverTheCoderOrder) {
  // Coder 0 (Delta) reads coder 1's output (Copy of the packed stream).
  const Bytes folder = {2, 0x21, 0x03, 0x01, 0x00, 0x01, 0x00, 0x00, 0x01};
  const Bytes streams = cat({packAndUnpack({3}, {folder}, {3, 3})});
  Result<SevenZipArchive> archive = open(sevenZipFile({1, 1, 1}, plainHeader(streams, filesInfo({L"f"}))));
  ASSERT_TRUE(archive.hasValue()) << printable(archive.failure().message);
  Result<Bytes> bytes = streamFolder(*archive, 0, 3);
  ASSERT_TRUE(bytes.hasValue()) << printable(bytes.failure().message);
  EXPECT_EQ(*bytes, (Bytes{1, 2, 3}));
  Result<Bytes> missing = streamFolder(*archive, 1, 3);
  ASSERT_TRUE(missing.failed());
  EXPECT_EQ(missing.failure().message, L"7z: folder index is out of range");

  const struct {
    const char* what;
    Bytes folder;
    std::vector<uint64_t> unpackSizes;
    Bytes packed;
    StatusCode code;
    const wchar_t* message;
  } failures[] = {
      {"encrypted",
       {1, 0x04, 0x06, 0xF1, 0x07, 0x01},
       {3},
       {1, 2, 3},
       StatusCode::unsupported_version,
       L"7z: this archive is encrypted, which this build does not read"},
      {"BZip2",
       {1, 0x03, 0x04, 0x02, 0x02},
       {3},
       {1, 2, 3},
       StatusCode::unsupported_version,
       L"7z: this archive uses BZip2, which this build does not read"},
      {"packed stream cut",
       simpleFolder(0x00),
       {3},
       {},
       StatusCode::corrupt_archive,
       L"7z: packed streams run past the end"},
      {"coder with two outputs",
       {1, 0x11, 0x00, 0x02, 0x02, 0x00, 0x01},
       {3, 3},
       {1, 2, 3},
       StatusCode::unsupported_version,
       L"7z: a coder with several outputs is not read by this build"},
      {"coder with two inputs",
       {1, 0x11, 0x00, 0x02, 0x01, 0x00, 0x01},
       {3},
       {1, 2, 3},
       StatusCode::unsupported_version,
       L"7z: a coder with several inputs is not read by this build"},
      // The main output (coder 1) reads coder 0, which reads itself: the walk finds no end.
      {"cycle",
       {3, 0x01, 0x00, 0x01, 0x00, 0x01, 0x00, 0x01, 0x00, 0x00, 0x00},
       {3, 3, 3},
       {1, 2, 3},
       StatusCode::corrupt_archive,
       L"7z: folder could not be decoded"},
      // 5 GiB declared over 3 stored bytes: refused before anything is read or held.
      {"size beyond the data",
       folder,
       {0x140000000, 0x140000000},
       {1, 2, 3},
       StatusCode::corrupt_archive,
       L"7z: Copy coder sizes do not agree"},
  };
  for (const auto& f : failures) {
    // A second, empty packed stream serves the coder with two inputs.
    const Bytes header = plainHeader(cat({packAndUnpack({3, 0}, {f.folder}, f.unpackSizes), {0x08, 0x0D, 0x00, 0x00}}),
                                     filesInfo({L"d"}, property(0x0E, bits({true}))));
    Result<SevenZipArchive> opened = open(sevenZipFile(f.packed, header));
    if (f.packed.empty()) {
      // The header claims 3 packed bytes that the file does not hold before the header.
      ASSERT_TRUE(opened.hasValue()) << f.what;
      opened->fileSize = 32;
    }
    ASSERT_TRUE(opened.hasValue()) << f.what << printable(opened.failure().message);
    Result<Bytes> decoded = streamFolder(*opened, 0, 3);
    ASSERT_TRUE(decoded.failed()) << f.what;
    EXPECT_EQ(decoded.failure().code, f.code) << f.what;
    EXPECT_EQ(decoded.failure().message, f.message) << f.what;
  }
}

}  // namespace
}  // namespace tolzeb
