#include "engine/container/manifest.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/core/bytes.h"

namespace tolzeb {
namespace {

// One entry as raw manifest fields, so a case can break any one of them.
struct RawEntry {
  std::string path = "docs/a.txt";
  uint8_t type = 0;
  uint64_t size = 5;
  std::vector<uint64_t> chunks = {0};
  uint64_t offset = 0;
  std::vector<std::pair<uint64_t, Bytes>> attributes;

  Bytes encode() const {
    Bytes out;
    appendVarint(out, path.size());
    out.insert(out.end(), path.begin(), path.end());
    out.push_back(type);
    appendU32le(out, 0x20);
    appendU64le(out, 133000000000000000ull);
    appendU64le(out, size);
    appendVarint(out, chunks.size());
    for (uint64_t c : chunks) appendVarint(out, c);
    appendVarint(out, offset);
    appendVarint(out, attributes.size());
    for (const auto& [type, value] : attributes) {
      appendVarint(out, type);
      appendVarint(out, value.size());
      out.insert(out.end(), value.begin(), value.end());
    }
    return out;
  }
};

Bytes manifestOf(uint64_t declaredCount, const std::vector<Bytes>& entries) {
  Bytes out;
  appendU32le(out, 2);
  appendU64le(out, declaredCount);
  for (const Bytes& e : entries) out.insert(out.end(), e.begin(), e.end());
  return out;
}

Bytes manifestOf(const std::vector<RawEntry>& entries) {
  std::vector<Bytes> encoded;
  for (const RawEntry& e : entries) encoded.push_back(e.encode());
  return manifestOf(entries.size(), encoded);
}

RawEntry with(std::function<void(RawEntry&)> edit) {
  RawEntry e;
  edit(e);
  return e;
}

TEST(ManifestTest, BuiltManifestParsesBackToTheSameEntries) {
  std::vector<ManifestEntry> entries(3);
  entries[0].path = L"dir";
  entries[0].type = 1;
  entries[0].attributes = 0x10;
  entries[1].path = L"dir/\u00e9t\u00e9 \u65e5\u672c.txt";
  entries[1].size = 3000000;
  entries[1].chunks = {4, 5};
  entries[1].firstChunkOffset = 77;
  entries[1].modified = 133444555666777888ull;
  entries[2].path = L"empty";
  Result<Bytes> built = buildManifest(entries);
  ASSERT_TRUE(built.hasValue());
  Result<std::vector<ManifestEntry>> parsed = parseManifest(built->data(), built->size(), 6, 0);
  ASSERT_TRUE(parsed.hasValue());
  ASSERT_EQ(parsed->size(), 3u);
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ((*parsed)[i].path, entries[i].path);
    EXPECT_EQ((*parsed)[i].type, entries[i].type);
    EXPECT_EQ((*parsed)[i].attributes, entries[i].attributes);
    EXPECT_EQ((*parsed)[i].modified, entries[i].modified);
    EXPECT_EQ((*parsed)[i].size, entries[i].size);
    EXPECT_EQ((*parsed)[i].chunks, entries[i].chunks);
    EXPECT_EQ((*parsed)[i].firstChunkOffset, entries[i].firstChunkOffset);
  }
}

TEST(ManifestTest, EmptyManifestIsTwelveBytes) {
  Result<Bytes> built = buildManifest({});
  ASSERT_TRUE(built.hasValue());
  EXPECT_EQ(*built, (Bytes{2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  Result<std::vector<ManifestEntry>> parsed = parseManifest(built->data(), built->size(), 0, 0);
  ASSERT_TRUE(parsed.hasValue());
  EXPECT_TRUE(parsed->empty());
}

TEST(ManifestTest, BuilderRefusesPathsTheFormatCannotHold) {
  std::vector<ManifestEntry> entries(1);
  entries[0].path = std::wstring(16385, L'\u00e9');  // 32770 UTF-8 bytes
  Result<Bytes> built = buildManifest(entries);
  ASSERT_TRUE(built.failed());
  EXPECT_EQ(built.failure().code, StatusCode::invalid_argument);
  EXPECT_EQ(built.failure().message, L"Entry path exceeds the manifest limit: " + entries[0].path);
  entries[0].path = std::wstring(1, wchar_t(0xD800));  // an unpaired surrogate
  EXPECT_EQ(buildManifest(entries).failure().code, StatusCode::invalid_argument);
}

struct ManifestCase {
  const char* name;
  Bytes manifest;
  uint64_t chunkCount;
  uint64_t entryLimit;
  StatusCode code;
  std::wstring message;  // empty: must parse
};

TEST(ManifestTest, MalformedManifestsGiveTheirCodeAndMessage) {
  const StatusCode corrupt = StatusCode::corrupt_archive, unsupported = StatusCode::unsupported_version;
  Bytes versionOnly = {2, 0, 0, 0};
  Bytes version3 = {3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  Bytes emptyPlusOne = manifestOf(0, {{0}});
  Bytes nonMinimalLength = manifestOf(1, {{0x80, 0x00}});
  std::string longest(32768, 'a');
  std::vector<ManifestCase> cases = {
      {"3 bytes", {2, 0, 0}, 1, 0, corrupt, L"Truncated manifest header"},
      {"version 3", version3, 1, 0, unsupported, L"Manifest version 3 is not supported"},
      {"no count", versionOnly, 1, 0, corrupt, L"Truncated manifest entry count"},
      {"above limit", manifestOf(11, {}), 1, 10, StatusCode::resource_limit,
       L"Archive declares 11 entries, above the configured limit"},
      {"count above bytes", manifestOf(3, {{1, 'a'}}), 1, 0, corrupt,
       L"Manifest entry count exceeds the available manifest bytes"},
      {"trailing byte", emptyPlusOne, 1, 0, corrupt, L"Trailing bytes after the last manifest entry"},
      {"non-minimal path length", nonMinimalLength, 1, 0, corrupt, L"Truncated manifest path length"},
      {"path length 0", manifestOf({with([](RawEntry& e) { e.path = ""; })}), 1, 0, corrupt,
       L"Manifest path length out of range"},
      {"path length 32768", manifestOf({with([&](RawEntry& e) { e.path = longest; })}), 1, 0, corrupt, L""},
      {"path length 32769", manifestOf({with([&](RawEntry& e) { e.path = longest + "a"; })}), 1, 0, corrupt,
       L"Manifest path length out of range"},
      {"path cut short", manifestOf(1, {{5, 'a', 'b'}}), 1, 0, corrupt, L"Truncated manifest path"},
      {"invalid UTF-8", manifestOf({with([](RawEntry& e) { e.path = "a\xC0\x80"; })}), 1, 0, corrupt, L"?"},
      {"dot-dot segment", manifestOf({with([](RawEntry& e) { e.path = "a/../b"; })}), 1, 0, StatusCode::path_unsafe,
       L"?"},
      {"no type", manifestOf(1, {{1, 'a'}}), 1, 0, corrupt, L"Truncated manifest entry type"},
      {"type 2", manifestOf({with([](RawEntry& e) { e.type = 2; })}), 1, 0, unsupported,
       L"Manifest entry uses an unknown type"},
      {"metadata cut short", manifestOf(1, {{1, 'a', 0, 1, 2, 3, 4, 5}}), 1, 0, corrupt,
       L"Truncated manifest entry metadata"},
      {"directory with chunks", manifestOf({with([](RawEntry& e) { e.type = 1; })}), 1, 0, corrupt,
       L"Directory entry references chunk data"},
      {"chunks 5 6 7", manifestOf({with([](RawEntry& e) {
         e.chunks = {5, 6, 7};
       })}),
       8, 0, corrupt, L""},
      {"chunks 5 7", manifestOf({with([](RawEntry& e) {
         e.chunks = {5, 7};
       })}),
       8, 0, corrupt, L"Manifest entry blocks are not a consecutive run: docs/a.txt"},
      {"chunk index = chunk count", manifestOf({with([](RawEntry& e) { e.chunks = {8}; })}), 8, 0, corrupt,
       L"Manifest references chunk 8 but the archive has 8"},
      {"offset without chunks", manifestOf({with([](RawEntry& e) {
         e.chunks = {};
         e.offset = 1;
       })}),
       1, 0, corrupt, L"Manifest entry has a block offset but no blocks"},
      {"offset 4194304", manifestOf({with([](RawEntry& e) { e.offset = 4194304; })}), 1, 0, corrupt, L""},
      {"offset 4194305", manifestOf({with([](RawEntry& e) { e.offset = 4194305; })}), 1, 0, corrupt,
       L"Manifest block offset exceeds the block size limit"},
      {"optional attribute skipped", manifestOf({with([](RawEntry& e) {
         e.attributes = {{0x7FFF, {1, 2, 3}}};
       })}),
       1, 0, corrupt, L""},
      {"critical attribute", manifestOf({with([](RawEntry& e) {
         e.attributes = {{0x8000, {}}};
       })}),
       1, 0, unsupported, L"Manifest entry requires unknown attribute 32768"},
      {"65 attributes", manifestOf({with([](RawEntry& e) {
         e.attributes.assign(65, {1, {}});
       })}),
       1, 0, corrupt, L"Manifest entry declares too many attributes"},
      {"attribute longer than the rest",
       manifestOf(1,
                  [] {
                    Bytes b = RawEntry{}.encode();
                    b.back() = 1;  // one attribute...
                    appendVarint(b, 5);
                    appendVarint(b, 9);  // ...claiming 9 bytes where none follow
                    return std::vector<Bytes>{b};
                  }()),
       1, 0, corrupt, L"Manifest attribute length out of range"},
  };
  for (const ManifestCase& c : cases) {
    SCOPED_TRACE(c.name);
    Result<std::vector<ManifestEntry>> parsed =
        parseManifest(c.manifest.data(), c.manifest.size(), c.chunkCount, c.entryLimit);
    if (c.message.empty()) {
      EXPECT_TRUE(parsed.hasValue()) << std::string(parsed.failure().message.begin(), parsed.failure().message.end());
      continue;
    }
    ASSERT_TRUE(parsed.failed());
    EXPECT_EQ(parsed.failure().code, c.code);
    if (c.message != L"?") {  // "?": another module's words
      EXPECT_EQ(parsed.failure().message, c.message);
    }
  }
}

TEST(ManifestTest, AHugeDeclaredCountReservesOnlyWhatTheBytesCanHold) {
  // 50,000,000 declared entries in 50 MB of zero bytes: refused at the first entry, and without
  // claiming gigabytes for entries that cannot exist.
  Bytes manifest = manifestOf(50000000, {Bytes(50000000, 0)});
  Result<std::vector<ManifestEntry>> parsed = parseManifest(manifest.data(), manifest.size(), 1, 50000000);
  ASSERT_TRUE(parsed.failed());
  EXPECT_EQ(parsed.failure().message, L"Manifest path length out of range");
}

}  // namespace
}  // namespace tolzeb
