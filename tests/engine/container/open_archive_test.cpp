#include "engine/container/open_archive.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "engine/container/chunk_decode.h"
#include "engine/container/container_format.h"
#include "engine/core/crc32c.h"
#include "test_archive.h"

namespace tolzeb {
namespace {

using testing::narrow;
using testing::passwordOf;
using testing::sampleBytes;
using testing::ScratchFile;
using testing::testArchiveBytes;
using testing::TestArchiveOptions;
using testing::TestEntry;
using testing::writeTestArchive;

// Three chunks of 256 KiB: a directory, a small file, a file spanning chunks, an empty file.
std::vector<TestEntry> openedEntries() {
  return {
      {L"docs", true, {}},
      {L"docs/a.txt", false, sampleBytes(1000, 1)},
      {L"docs/big.bin", false, sampleBytes(600000, 2)},
      {L"docs/empty", false, {}},
  };
}

ArchiveHeader headerOf(const Bytes& file) { return *parseArchiveHeader(file.data(), file.size()); }

void rewriteHeader(Bytes& file, const std::function<void(ArchiveHeader&)>& edit) {
  ArchiveHeader header = headerOf(file);
  edit(header);
  header.serialize(file.data());
}

void rewriteFooter(Bytes& file, const std::function<void(ArchiveFooter&)>& edit) {
  uint8_t* at = file.data() + file.size() - kFooterSize;
  ArchiveFooter footer = *parseArchiveFooter(at, kFooterSize);
  edit(footer);
  footer.serialize(at);
}

Result<OpenArchive> openBytes(const Bytes& file, const std::string& password = "", uint64_t entryLimit = 0) {
  ScratchFile scratch(file);
  return openArchive(scratch.path(), entryLimit, password.empty() ? nullptr : passwordOf(password));
}

// Each entry's bytes, put together from its chunks as a reader would.
Bytes entryBytes(const OpenArchive& archive, const ManifestEntry& entry) {
  Bytes out;
  for (uint64_t index : entry.chunks) {
    Bytes chunk;
    Status status = decodeChunk(archive, index, chunk);
    EXPECT_FALSE(status.failed()) << narrow(status.message());
    out.insert(out.end(), chunk.begin(), chunk.end());
  }
  if (entry.chunks.empty()) return {};
  return Bytes(out.begin() + entry.firstChunkOffset, out.begin() + entry.firstChunkOffset + entry.size);
}

TEST(OpenArchiveTest, EveryKindOfArchiveOpensAndGivesBackItsEntries) {
  struct Case {
    const char* name;
    TestArchiveOptions options;
  };
  auto make = [](auto edit) {
    TestArchiveOptions o;
    edit(o);
    return o;
  };
  const Case cases[] = {
      {"stored chunks", make([](TestArchiveOptions& o) { o.compress = false; })},
      {"compressed", make([](TestArchiveOptions&) {})},
      {"compressed, no chunk hashes", make([](TestArchiveOptions& o) { o.chunkHashes = false; })},
      {"dictionary", make([](TestArchiveOptions& o) { o.dictionary = true; })},
      {"encrypted", make([](TestArchiveOptions& o) { o.password = "correct horse"; })},
      {"encrypted, dictionary", make([](TestArchiveOptions& o) {
         o.password = "correct horse";
         o.dictionary = true;
       })},
      {"encrypted, stored, 4 MiB chunks", make([](TestArchiveOptions& o) {
         o.password = "\xc3\xa9t\xc3\xa9";
         o.compress = false;
         o.chunkSize = 4194304;
       })},
  };
  const std::vector<TestEntry> entries = openedEntries();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Result<OpenArchive> archive = openBytes(testArchiveBytes(c.options, openedEntries()), c.options.password);
    ASSERT_TRUE(archive.hasValue()) << narrow(archive.failure().message);
    EXPECT_EQ(archive->encrypted, !c.options.password.empty());
    EXPECT_EQ(archive->key.size(), c.options.password.empty() ? 0u : 32u);
    EXPECT_EQ(archive->dictionaries.size(), c.options.dictionary ? 1u : 0u);
    ASSERT_EQ(archive->entries.size(), entries.size());
    for (size_t i = 0; i < entries.size(); ++i) {
      EXPECT_EQ(archive->entries[i].path, entries[i].path);
      EXPECT_EQ(archive->entries[i].type, entries[i].directory ? 1 : 0);
      EXPECT_EQ(entryBytes(*archive, archive->entries[i]), entries[i].content) << narrow(entries[i].path);
    }
  }
}

TEST(OpenArchiveTest, EmptyArchivesOpen) {
  for (const char* password : {"", "pw"}) {
    SCOPED_TRACE(password);
    TestArchiveOptions options;
    options.password = password;
    Bytes file = testArchiveBytes(options, {});
    // An encrypted archive with no chunks stores its empty table unsealed, with CRC 0.
    uint8_t* footer = file.data() + file.size() - kFooterSize;
    EXPECT_EQ(parseArchiveFooter(footer, kFooterSize)->chunkTableCrc, 0u);
    Result<OpenArchive> archive = openBytes(file, password);
    ASSERT_TRUE(archive.hasValue()) << narrow(archive.failure().message);
    EXPECT_TRUE(archive->entries.empty());
    EXPECT_TRUE(archive->chunks.empty());
  }
}

struct OpenCase {
  const char* name;
  std::function<void(Bytes&)> damage;
  StatusCode code;
  std::wstring message;
};

void expectOpenFailures(const Bytes& valid, const std::string& password, const std::vector<OpenCase>& cases) {
  for (const OpenCase& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes file = valid;
    c.damage(file);
    Result<OpenArchive> archive = openBytes(file, password);
    if (c.message.empty()) {
      EXPECT_TRUE(archive.hasValue()) << narrow(archive.failure().message);
      continue;
    }
    ASSERT_TRUE(archive.failed());
    EXPECT_EQ(archive.failure().code, c.code);
    EXPECT_EQ(archive.failure().message, c.message);
  }
}

auto header(std::function<void(ArchiveHeader&)> edit) {
  return [=](Bytes& f) { rewriteHeader(f, edit); };
}
auto footer(std::function<void(ArchiveFooter&)> edit) {
  return [=](Bytes& f) { rewriteFooter(f, edit); };
}
auto flipByteAt(std::function<uint64_t(const ArchiveHeader&)> where) {
  return [=](Bytes& f) { f[size_t(where(headerOf(f)))] ^= 0x40; };
}

TEST(OpenArchiveTest, StructuralDamageIsRefusedWithItsMessage) {
  const StatusCode corrupt = StatusCode::corrupt_archive;
  TestArchiveOptions options;
  options.compress = false;
  const Bytes valid = testArchiveBytes(options, openedEntries());
  std::vector<OpenCase> cases = {
      {"191 bytes", [](Bytes& f) { f.resize(191); }, corrupt, L"File is too small to be a .zeb archive"},
      {"192 zero bytes", [](Bytes& f) { f.assign(192, 0); }, corrupt, L"Not a TOLZEB archive (bad magic)"},
      {"split volumes", header([](ArchiveHeader& h) { h.flags |= kFlagSplitVolumes; }), StatusCode::unsupported_version,
       L"Archive is split across volumes; this build cannot read them yet"},
      {"chunk count overflows", header([](ArchiveHeader& h) { h.chunkCount = 1ull << 61; }), corrupt,
       L"Chunk table size overflows 64 bits"},
      {"chunk table past the end", header([](ArchiveHeader& h) { h.chunkCount += 100; }), corrupt,
       L"Chunk table lies outside the file"},
      {"manifest past the end", header([](ArchiveHeader& h) { h.manifestLength = UINT64_MAX; }), corrupt,
       L"Manifest lies outside the file"},
      {"dictionary past the end", header([](ArchiveHeader& h) { h.dictionaryLength = 1ull << 40; }), corrupt,
       L"Dictionary section lies outside the file"},
      {"security past the end", header([](ArchiveHeader& h) {
         h.securityOffset = UINT64_MAX - 10;
         h.securityLength = 96;
       }),
       corrupt, L"Security section lies outside the file"},
      {"table over the header", header([](ArchiveHeader& h) { h.chunkTableOffset = 64; }), corrupt,
       L"A section overlaps the archive header"},
      {"table and manifest overlap", header([](ArchiveHeader& h) { h.manifestOffset = h.chunkTableOffset + 80; }),
       corrupt, L"Chunk table and manifest overlap"},
      {"footer id", footer([](ArchiveFooter& f) { f.archiveId[0] ^= 1; }), corrupt,
       L"Footer archive id does not match the header; the file is spliced"},
      {"footer length", footer([](ArchiveFooter& f) { f.fileLength += 1; }), corrupt,
       L"Footer records a different archive length than the file has"},
      {"footer offset", footer([](ArchiveFooter& f) { f.footerOffset -= 1; }), corrupt,
       L"Footer offset is inconsistent"},
      {"appended byte", [](Bytes& f) { f.push_back(0); }, corrupt,
       L"Archive footer magic missing; the file is truncated or not a .zeb"},
      {"security section on a plain archive", header([](ArchiveHeader& h) {
         h.securityOffset = 128;
         h.securityLength = 96;
       }),
       corrupt, L"Archive carries a security section but is not marked encrypted"},
      {"byte in the chunk table", flipByteAt([](const ArchiveHeader& h) { return h.chunkTableOffset + 9; }), corrupt,
       L"Chunk table checksum mismatch"},
      {"byte in the manifest", flipByteAt([](const ArchiveHeader& h) { return h.manifestOffset + 15; }), corrupt,
       L"Manifest checksum mismatch"},
      {"total size", header([](ArchiveHeader& h) { h.totalBytes += 1; }), corrupt,
       L"Header total size does not match the sum of manifest entries"},
      {"byte in a chunk payload is found later, not here", flipByteAt([](const ArchiveHeader&) { return 200; }),
       corrupt, L""},
  };
  expectOpenFailures(valid, "", cases);
}

TEST(OpenArchiveTest, AManifestAbove512MiBIsRefusedBeforeAnythingIsRead) {
  // A sparse file large enough for the declared manifest; nothing after the header is valid.
  Bytes file = testArchiveBytes(TestArchiveOptions{}, {});
  rewriteHeader(file, [](ArchiveHeader& h) { h.manifestLength = 536870913; });
  ScratchFile scratch(Bytes(file.begin(), file.begin() + kHeaderSize));
  {
    Result<UniqueHandle> handle = openForUpdate(scratch.path());
    ASSERT_TRUE(handle.hasValue());
    ASSERT_FALSE(handle->setFileLength(600ull << 20).failed());
  }
  Result<OpenArchive> archive = openArchive(scratch.path(), 0, nullptr);
  ASSERT_TRUE(archive.failed());
  EXPECT_EQ(archive.failure().code, StatusCode::resource_limit);
  EXPECT_EQ(archive.failure().message, L"Manifest is implausibly large");
}

TEST(OpenArchiveTest, PasswordAndKeyCheck) {
  const StatusCode auth = StatusCode::authentication_failed;
  TestArchiveOptions options;
  options.password = "secret";
  const Bytes valid = testArchiveBytes(options, openedEntries());
  const std::wstring wrongPassword = L"Wrong password, or this archive's header has been altered";
  expectOpenFailures(valid, "",
                     {{"no password", [](Bytes&) {}, auth, L"This archive is encrypted and needs a password"}});
  expectOpenFailures(valid, "Secret", {{"wrong password", [](Bytes&) {}, auth, wrongPassword}});
  std::vector<OpenCase> cases = {
      {"right password", [](Bytes&) {}, auth, L""},
      {"total size altered", header([](ArchiveHeader& h) { h.totalBytes += 1; }), auth, wrongPassword},
      {"chunk count altered", header([](ArchiveHeader& h) { h.chunkCount -= 1; }), auth, wrongPassword},
      // A recovery record added later rewrites exactly these fields; the password must keep working.
      {"recovery record added", header([](ArchiveHeader& h) {
         h.flags |= kFlagRecoveryRecord;
         h.recoveryOffset = 4096;
       }),
       auth, L""},
      {"security section length", header([](ArchiveHeader& h) { h.securityLength = 95; }), StatusCode::corrupt_archive,
       L"Encrypted archive has no usable security section"},
      {"byte in the manifest", flipByteAt([](const ArchiveHeader& h) { return h.manifestOffset + 3; }),
       StatusCode::corrupt_archive, L"Manifest checksum mismatch"},
  };
  expectOpenFailures(valid, "secret", cases);
}

TEST(OpenArchiveTest, TwoEncryptionsOfTheSameFilesDifferAndBothOpen) {
  TestArchiveOptions options;
  options.password = "same";
  const Bytes first = testArchiveBytes(options, openedEntries()), second = testArchiveBytes(options, openedEntries());
  ASSERT_EQ(first.size(), second.size());
  EXPECT_NE(first, second);  // new archive id, salt and nonce prefix each time
  EXPECT_TRUE(openBytes(first, "same").hasValue());
  EXPECT_TRUE(openBytes(second, "same").hasValue());
}

TEST(OpenArchiveTest, ForgedSealedSectionsFailAuthentication) {
  // Damage that keeps every CRC right is caught by the tags: here the manifest and the chunk
  // table are altered and their footer CRCs recomputed.
  TestArchiveOptions options;
  options.password = "secret";
  const Bytes valid = testArchiveBytes(options, openedEntries());
  auto forge = [](std::function<uint64_t(const ArchiveHeader&)> at, bool manifest) {
    return [=](Bytes& f) {
      ArchiveHeader h = headerOf(f);
      f[size_t(at(h))] ^= 1;
      rewriteFooter(f, [&](ArchiveFooter& footer) {
        if (manifest) {
          footer.manifestCrc = crc32c(0, f.data() + h.manifestOffset, h.manifestLength);
        } else {
          footer.chunkTableCrc = crc32c(0, f.data() + h.chunkTableOffset, h.chunkCount * 80 + 16);
        }
      });
    };
  };
  const std::wstring altered = L"Authentication failed: wrong password, or the data was altered";
  expectOpenFailures(valid, "secret",
                     {{"manifest", forge([](const ArchiveHeader& h) { return h.manifestOffset + 2; }, true),
                       StatusCode::authentication_failed, altered},
                      {"chunk table", forge([](const ArchiveHeader& h) { return h.chunkTableOffset + 2; }, false),
                       StatusCode::authentication_failed, altered}});
}

TEST(OpenArchiveTest, DescriptorsThatDoNotFitTheArchiveAreRefused) {
  struct Case {
    const char* name;
    bool encrypted;
    std::function<void(uint64_t, ChunkDescriptor&)> edit;
    std::wstring message;
  };
  auto onChunk1 = [](std::function<void(ChunkDescriptor&)> edit) {
    return [=](uint64_t i, ChunkDescriptor& c) {
      if (i == 1) edit(c);
    };
  };
  const Case cases[] = {
      {"below the header", false, onChunk1([](ChunkDescriptor& c) { c.storedOffset = 127; }),
       L"Chunk 1 points outside the block payload region"},
      {"into the chunk table", false, onChunk1([](ChunkDescriptor& c) { c.storedOffset += 600000; }),
       L"Chunk 1 points outside the block payload region"},
      {"empty payload", false, onChunk1([](ChunkDescriptor& c) { c.storedSize = 0; }), L"Chunk 1 has an empty payload"},
      {"stored size differs", false, onChunk1([](ChunkDescriptor& c) { c.storedSize -= 1; }),
       L"Stored chunk 1 declares mismatched encoded and decoded sizes"},
      {"coded chunk larger than its output", false, onChunk1([](ChunkDescriptor& c) {
         c.codec = kCodecVelt;
         c.decodedSize = c.storedSize - 1;
       }),
       L"Chunk 1 stores more bytes than it decodes to"},
      {"unknown dictionary", false, onChunk1([](ChunkDescriptor& c) { c.dictionaryId = 9; }),
       L"Chunk 1 references a dictionary this archive does not have"},
      {"wrong nonce counter", true, onChunk1([](ChunkDescriptor& c) { c.nonceCounter = 0; }),
       L"Encrypted chunk 1 declares the wrong nonce counter"},
      {"too short for a tag", true, onChunk1([](ChunkDescriptor& c) {
         c.codec = kCodecVelt;
         c.storedSize = 16;
       }),
       L"Encrypted chunk 1 is too short to carry an authentication tag"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TestArchiveOptions options;
    options.compress = false;
    options.editChunk = c.edit;
    if (c.encrypted) options.password = "pw";
    Result<OpenArchive> archive = openBytes(testArchiveBytes(options, openedEntries()), options.password);
    ASSERT_TRUE(archive.failed());
    EXPECT_EQ(archive.failure().code, StatusCode::corrupt_archive);
    EXPECT_EQ(archive.failure().message, c.message);
  }
}

TEST(OpenArchiveTest, EntriesThatDoNotFitTheirChunksAreRefused) {
  struct Case {
    const char* name;
    std::function<void(std::vector<ManifestEntry>&)> edit;
    std::function<void(uint64_t, ChunkDescriptor&)> editChunk;
    std::wstring message;  // empty: accepted
  };
  // Entries: 0 docs/, 1 docs/a.txt (chunk 0, offset 0), 2 docs/big.bin (chunks 0-2, offset 1000), 3 docs/empty.
  const Case cases[] = {
      {"same path twice", [](auto& e) { e[3].path = L"docs/a.txt"; }, nullptr,
       L"Manifest lists the same path twice: docs/a.txt"},
      {"paths differing in case", [](auto& e) { e[3].path = L"DOCS/A.TXT"; }, nullptr, L""},
      {"directory with a size", [](auto& e) { e[0].size = 1; }, nullptr, L"Directory entry declares a size"},
      {"size without chunks", [](auto& e) { e[3].size = 1; }, nullptr,
       L"Entry declares a size but references no blocks: docs/empty"},
      {"offset beyond the first chunk", [](auto& e) { e[1].firstChunkOffset = 262144; }, nullptr,
       L"Block offset lies outside the first block: docs/a.txt"},
      {"chunks too short", [](auto& e) { e[2].size += 1; }, nullptr,
       L"Blocks of docs/big.bin hold 600000 bytes but the entry declares 600001"},
      {"exactly enough",
       [](auto& e) {
         e[1].size = 262144;
         e[2] = e[3];
         e[2].path = L"docs/big.bin";
       },
       nullptr, L""},
      // Entries that reuse bytes another entry already claims multiply one small payload into a
      // huge extraction.
      {"an entry reusing another's bytes",
       [](auto& e) {
         e[3].chunks = e[2].chunks;
         e[3].firstChunkOffset = e[2].firstChunkOffset;
         e[3].size = e[2].size;
       },
       nullptr, L"Archive entries overlap: docs/empty"},
      {"one byte shared with the previous entry", [](auto& e) { e[2].firstChunkOffset -= 1; }, nullptr,
       L"Archive entries overlap: docs/big.bin"},
      {"a second chunk reading the first one's stored bytes", nullptr,
       [](uint64_t i, ChunkDescriptor& c) {
         if (i == 2) c.storedOffset -= 1;
       },
       L"Chunks 1 and 2 overlap"},
      {"a trailing chunk never reached",
       [](auto& e) {
         e[1].chunks = {0, 1};
       },
       nullptr, L"Entry references a trailing block it never reaches: docs/a.txt"},
      {"chunks not contiguous", nullptr,
       [](uint64_t i, ChunkDescriptor& c) {
         if (i == 2) c.groupOffset += 1;
       },
       L"Blocks of docs/big.bin are not contiguous"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TestArchiveOptions options;
    options.compress = false;
    options.editManifest = c.edit;
    options.editChunk = c.editChunk;
    Result<OpenArchive> archive = openBytes(testArchiveBytes(options, openedEntries()));
    if (c.message.empty()) {
      EXPECT_TRUE(archive.hasValue()) << narrow(archive.failure().message);
      continue;
    }
    ASSERT_TRUE(archive.failed());
    EXPECT_EQ(archive.failure().code, StatusCode::corrupt_archive);
    EXPECT_EQ(archive.failure().message, c.message);
  }
}

TEST(OpenArchiveTest, EntryLimitComesBeforeTheSizeCheck) {
  TestArchiveOptions options;
  Result<OpenArchive> limited = openBytes(testArchiveBytes(options, openedEntries()), "", 3);
  ASSERT_TRUE(limited.failed());
  EXPECT_EQ(limited.failure().code, StatusCode::resource_limit);
  EXPECT_EQ(limited.failure().message, L"Archive declares 4 entries, above the configured limit");
  EXPECT_TRUE(openBytes(testArchiveBytes(options, openedEntries()), "", 4).hasValue());
}

TEST(OpenArchiveTest, ProbeReadsOnlyTheHeader) {
  TestArchiveOptions encrypted;
  encrypted.password = "pw";
  ScratchFile locked(testArchiveBytes(encrypted, openedEntries()));
  Result<bool> probe = probeZebArchive(locked.path());
  ASSERT_TRUE(probe.hasValue());
  EXPECT_TRUE(*probe);
  ScratchFile plain(testArchiveBytes(TestArchiveOptions{}, openedEntries()));
  EXPECT_FALSE(*probeZebArchive(plain.path()));

  Bytes zip(300, 0);
  const uint8_t zipMagic[] = {'P', 'K', 3, 4};
  std::copy(zipMagic, zipMagic + 4, zip.begin());
  ScratchFile notOurs(zip);
  EXPECT_EQ(probeZebArchive(notOurs.path()).failure().message, L"Not a TOLZEB archive (bad magic)");
  ScratchFile tiny(Bytes(100, 0));
  EXPECT_EQ(probeZebArchive(tiny.path()).failure().message, L"File is too small to be a .zeb archive");
}

}  // namespace
}  // namespace tolzeb
