#include "engine/tools/split_merge.h"

#include <gtest/gtest.h>

#include "support/scratch_tree.h"
#include "engine/container/verify_archive.h"
#include "engine/create/create_archive.h"
#include "engine/tools/part_format.h"
#include "support/hex_text.h"
#include "support/password_of.h"
#include "support/random_bytes.h"

namespace tolzeb {
namespace {

using testing::passwordOf;
using testing::printable;
using testing::randomBytes;
using testing::ScratchTree;

// Random stored contents keep the archive a little over 300,000 bytes.
class SplitMergeTest : public ::testing::Test {
 protected:
  std::wstring create(const std::wstring& name, uint32_t seed, const char* password = nullptr) {
    tree_.writeFile(L"src" + name + L"/big", randomBytes(300000, seed));
    tree_.writeFile(L"src" + name + L"/small", randomBytes(1234, seed + 1));
    CompressionOptions options;
    options.chunkSize = kMinChunkSize;
    options.storeOnly = true;
    options.kdfIterations = kMinKdfIterations;
    if (password) options.password = passwordOf(password);
    auto created = createArchive({tree_.path(L"src" + name)}, tree_.path(name), options, {});
    EXPECT_TRUE(created.hasValue()) << printable(created.failure().message);
    return name;
  }

  uint64_t sizeOf(const std::wstring& relative) const { return tree_.read(relative).size(); }

  PartHeader headerOf(const std::wstring& relative) const {
    const auto bytes = tree_.read(relative);
    auto header = parsePartHeader(bytes.data(), bytes.size());
    EXPECT_TRUE(header.hasValue()) << printable(relative);
    return header.hasValue() ? *header : PartHeader{};
  }

  // Replaces a part's header, with a valid checksum, keeping its payload.
  void rewriteHeader(const std::wstring& relative, const PartHeader& header) const {
    auto bytes = tree_.read(relative);
    header.serialize(bytes.data());
    tree_.writeFile(relative, bytes);
  }

  ScratchTree tree_;
};

TEST(PartHeaderTest, SerializesToKnownBytes) {
  PartHeader header;
  for (size_t i = 0; i < header.archiveId.size(); ++i) header.archiveId[i] = uint8_t(0xa0 + i);
  header.index = 2;
  header.count = 3;
  header.payloadOffset = 0x10000;
  header.payloadLength = 0x10000;
  header.archiveLength = 0x2abcd;
  header.payloadCrc = 0x11223344;
  uint8_t bytes[kPartHeaderSize];
  header.serialize(bytes);
  EXPECT_EQ(testing::toHex(bytes, sizeof bytes),
            "5a45425041525431"                  // magic
            "a0a1a2a3a4a5a6a7a8a9aaabacadaeaf"  // archive id
            "02000000"
            "03000000"          // index, count
            "0000010000000000"  // payload offset
            "0000010000000000"  // payload length
            "cdab020000000000"  // archive length
            "44332211"          // payload CRC-32C
            "f572a7f8");        // header CRC-32C
  auto parsed = parsePartHeader(bytes, sizeof bytes);
  ASSERT_TRUE(parsed.hasValue());
  EXPECT_EQ(parsed->archiveId, header.archiveId);
  EXPECT_EQ(parsed->index, 2u);
  EXPECT_EQ(parsed->count, 3u);
  EXPECT_EQ(parsed->payloadOffset, 0x10000u);
  EXPECT_EQ(parsed->payloadLength, 0x10000u);
  EXPECT_EQ(parsed->archiveLength, 0x2abcdu);
  EXPECT_EQ(parsed->payloadCrc, 0x11223344u);
}

TEST(PartHeaderTest, RefusesDamagedHeadersInCheckOrder) {
  PartHeader valid;
  valid.index = 1;
  valid.count = 1;
  struct Case {
    const char* what;
    size_t available;
    std::function<void(uint8_t*)> damage;  // applied after serialising; may re-serialise
    const wchar_t* message;
  };
  const auto withFields = [](uint32_t index, uint32_t count) {
    return [=](uint8_t* bytes) {
      PartHeader header;
      header.index = index;
      header.count = count;
      header.serialize(bytes);
    };
  };
  const Case cases[] = {
      {"one byte short", 63, [](uint8_t*) {}, L"Part file is shorter than its header"},
      {"wrong magic, bad checksum too", 64, [](uint8_t* b) { b[7] = '2'; }, L"Not a TOLZEB part file"},
      {"payload length flipped", 64, [](uint8_t* b) { b[40] ^= 1; }, L"Part header checksum mismatch"},
      {"stored checksum flipped", 64, [](uint8_t* b) { b[63] ^= 0x80; }, L"Part header checksum mismatch"},
      {"count 0", 64, withFields(1, 0), L"Part header declares an absurd part count"},
      {"count 100001", 64, withFields(1, 100001), L"Part header declares an absurd part count"},
      {"index 0", 64, withFields(0, 5), L"Part header declares an out-of-range index"},
      {"index past count", 64, withFields(6, 5), L"Part header declares an out-of-range index"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    uint8_t bytes[kPartHeaderSize];
    valid.serialize(bytes);
    c.damage(bytes);
    auto parsed = parsePartHeader(bytes, c.available);
    ASSERT_TRUE(parsed.failed());
    EXPECT_EQ(parsed.failure().code, StatusCode::corrupt_archive);
    EXPECT_EQ(printable(parsed.failure().message), printable(c.message));
  }
  uint8_t bytes[kPartHeaderSize];
  withFields(100000, 100000)(bytes);
  EXPECT_TRUE(parsePartHeader(bytes, sizeof bytes).hasValue());
}

TEST(PartNamesTest, NumbersWithAtLeastThreeDigitsAndFindTheBaseBack) {
  const std::pair<uint32_t, const wchar_t*> names[] = {
      {1, L"a.zeb.001"}, {42, L"a.zeb.042"}, {999, L"a.zeb.999"}, {1000, L"a.zeb.1000"}, {100000, L"a.zeb.100000"}};
  for (const auto& [index, name] : names) {
    EXPECT_EQ(printable(partFileName(L"a.zeb", index)), printable(name));
    auto base = partBasePath(name);
    ASSERT_TRUE(base.hasValue());
    EXPECT_EQ(printable(*base), "a.zeb");
  }
  for (const wchar_t* bad : {L"a.zeb", L"a.zeb.", L"a.zeb.00x", L"dir.001/part", L"noext"}) {
    auto base = partBasePath(bad);
    ASSERT_TRUE(base.failed()) << printable(bad);
    EXPECT_EQ(base.failure().code, StatusCode::invalid_argument);
    EXPECT_EQ(printable(base.failure().message), "Expected a part file ending in .001, got: " + printable(bad));
  }
}

TEST_F(SplitMergeTest, SplitsAtSeveralSizesAndMergesBackByteIdentical) {
  const std::wstring archive = create(L"a.zeb", 1);
  const auto original = tree_.read(archive);
  const uint64_t size = original.size();
  ASSERT_GT(size, 4 * kMinPartSize);
  struct Case {
    uint64_t partSize;
    uint64_t parts;
    uint64_t lastPayload;
  };
  const Case cases[] = {
      {kMinPartSize, (size + kMinPartSize - 1) / kMinPartSize, size - (size - 1) / kMinPartSize * kMinPartSize},
      {100000, (size + 99999) / 100000, size - (size - 1) / 100000 * 100000},
      {size - 1, 2, 1},  // one byte over a whole part: a last part of 65 bytes on disk
      {size, 1, size},
      {size * 10, 1, size},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.partSize);
    auto split = splitArchive(tree_.path(archive), c.partSize, {});
    ASSERT_TRUE(split.hasValue()) << printable(split.failure().message);
    EXPECT_EQ(split->partCount, c.parts);
    EXPECT_EQ(split->archiveLength, size);
    EXPECT_EQ(split->partSize, c.partSize);
    for (uint32_t i = 1; i <= c.parts; ++i) {
      const std::wstring part = partFileName(archive, i);
      const PartHeader header = headerOf(part);
      EXPECT_EQ(header.index, i);
      EXPECT_EQ(header.count, c.parts);
      EXPECT_EQ(header.payloadOffset, (i - 1) * c.partSize);
      EXPECT_EQ(header.archiveLength, size);
      EXPECT_EQ(sizeOf(part), kPartHeaderSize + (i == c.parts ? c.lastPayload : c.partSize));
    }
    EXPECT_FALSE(tree_.exists(partFileName(archive, uint32_t(c.parts + 1))));
    EXPECT_EQ(tree_.read(archive), original) << "the archive itself is left unchanged";

    auto merged = mergeParts(tree_.path(partFileName(archive, 1)), tree_.path(L"merged.zeb"), {});
    ASSERT_TRUE(merged.hasValue()) << printable(merged.failure().message);
    EXPECT_EQ(merged->partCount, c.parts);
    EXPECT_EQ(merged->archiveLength, size);
    EXPECT_EQ(merged->partSize, std::min(c.partSize, size));
    EXPECT_EQ(tree_.read(L"merged.zeb"), original);
    EXPECT_FALSE(tree_.exists(L"merged.zeb.partial"));
    EXPECT_TRUE(testArchive(tree_.path(L"merged.zeb"), {}, 1, 0, {}).hasValue());
  }
}

TEST_F(SplitMergeTest, EncryptedArchivesSplitAndMergeWithoutThePassword) {
  const std::wstring archive = create(L"e.zeb", 2, "secret");
  ASSERT_TRUE(splitArchive(tree_.path(archive), kMinPartSize, {}).hasValue());
  ASSERT_TRUE(mergeParts(tree_.path(L"e.zeb.001"), tree_.path(L"out.zeb"), {}).hasValue());
  EXPECT_EQ(tree_.read(L"out.zeb"), tree_.read(archive));
  EXPECT_TRUE(testArchive(tree_.path(L"out.zeb"), {}, 1, 0, passwordOf("secret")).hasValue());
}

TEST_F(SplitMergeTest, RefusesTooSmallPartsAndFilesThatAreNoArchive) {
  const std::wstring archive = create(L"a.zeb", 1);
  auto tooSmall = splitArchive(tree_.path(archive), kMinPartSize - 1, {});
  ASSERT_TRUE(tooSmall.failed());
  EXPECT_EQ(tooSmall.failure().code, StatusCode::invalid_argument);
  EXPECT_EQ(printable(tooSmall.failure().message),
            "Part size must be at least 64 KiB; smaller parts would be mostly "
            "header");
  EXPECT_FALSE(tree_.exists(L"a.zeb.001"));

  tree_.writeFile(L"plain.txt", randomBytes(200000, 9));
  auto notArchive = splitArchive(tree_.path(L"plain.txt"), kMinPartSize, {});
  EXPECT_TRUE(notArchive.failed());
  EXPECT_FALSE(tree_.exists(L"plain.txt.001"));
}

TEST_F(SplitMergeTest, SplittingAgainRemovesTheSurplusPartsOfAnEarlierSplit) {
  const std::wstring archive = create(L"a.zeb", 1);
  ASSERT_TRUE(splitArchive(tree_.path(archive), kMinPartSize, {}).hasValue());
  ASSERT_TRUE(tree_.exists(L"a.zeb.004"));
  ASSERT_TRUE(splitArchive(tree_.path(archive), 200000, {}).hasValue());
  EXPECT_TRUE(tree_.exists(L"a.zeb.002"));
  for (const wchar_t* gone : {L"a.zeb.003", L"a.zeb.004", L"a.zeb.005"}) EXPECT_FALSE(tree_.exists(gone));
}

TEST_F(SplitMergeTest, TheSweepOfEarlierPartsStopsAtAFileThatIsNoPart) {
  const std::wstring archive = create(L"a.zeb", 1);
  ASSERT_TRUE(splitArchive(tree_.path(archive), kMinPartSize, {}).hasValue());
  tree_.writeText(L"a.zeb.004", "someone's notes");
  ASSERT_TRUE(splitArchive(tree_.path(archive), 200000, {}).hasValue());
  EXPECT_FALSE(tree_.exists(L"a.zeb.003"));
  EXPECT_EQ(tree_.readText(L"a.zeb.004"), "someone's notes");
  EXPECT_TRUE(tree_.exists(L"a.zeb.005")) << "the sweep ended at the foreign file";
}

TEST_F(SplitMergeTest, SplitRefusesAFileThatIsNoPartUnderANewPartsName) {
  const std::wstring archive = create(L"a.zeb", 1);
  // No earlier split: the user's file sits where part 2 would go.
  tree_.writeText(L"a.zeb.002", "someone's notes");
  auto refused = splitArchive(tree_.path(archive), kMinPartSize, {});
  ASSERT_TRUE(refused.failed());
  EXPECT_EQ(refused.failure().code, StatusCode::already_exists);
  EXPECT_EQ(printable(refused.failure().message),
            "Cannot split: " + printable(tree_.path(L"a.zeb.002")) +
                " already exists and is not a part of an earlier split. Move or rename it, then split again.");
  EXPECT_EQ(tree_.readText(L"a.zeb.002"), "someone's notes");
  EXPECT_FALSE(tree_.exists(L"a.zeb.001")) << "refused before anything was written";

  // Behind the parts of an earlier split: those stay as they were too.
  ASSERT_TRUE(deleteFile(tree_.path(L"a.zeb.002")).ok());
  ASSERT_TRUE(splitArchive(tree_.path(archive), kMinPartSize, {}).hasValue());
  const auto firstPart = tree_.read(L"a.zeb.001");
  tree_.writeText(L"a.zeb.003", "someone's notes");
  ASSERT_TRUE(splitArchive(tree_.path(archive), kMinPartSize, {}).failed());
  EXPECT_EQ(tree_.readText(L"a.zeb.003"), "someone's notes");
  EXPECT_EQ(tree_.read(L"a.zeb.001"), firstPart);
  EXPECT_TRUE(tree_.exists(L"a.zeb.005"));
}

TEST_F(SplitMergeTest, MergeRefusesAnOutputThatIsOneOfItsParts) {
  const std::wstring archive = create(L"a.zeb", 1);
  ASSERT_TRUE(splitArchive(tree_.path(archive), kMinPartSize, {}).hasValue());
  tree_.makeDirectory(L"sub");
  struct Case {
    std::wstring output;
    int part;
  };
  const Case cases[] = {
      {tree_.path(L"a.zeb.001"), 1},
      {tree_.path(L"a.zeb.003"), 3},
      {tree_.path(L"sub/../a.zeb.005"), 5},  // another spelling of the same file
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(printable(c.output));
    const std::wstring partName = partFileName(L"a.zeb", uint32_t(c.part));
    const auto before = tree_.read(partName);
    auto merged = mergeParts(tree_.path(L"a.zeb.001"), c.output, {});
    ASSERT_TRUE(merged.failed());
    EXPECT_EQ(merged.failure().code, StatusCode::invalid_argument);
    EXPECT_NE(
        printable(merged.failure().message).find(" is part " + std::to_string(c.part) + " of the set being merged"),
        std::string::npos)
        << printable(merged.failure().message);
    EXPECT_EQ(tree_.read(partName), before);
    EXPECT_FALSE(pathExists(c.output + L".partial"));
  }
  ASSERT_TRUE(mergeParts(tree_.path(L"a.zeb.001"), tree_.path(L"sub/a.zeb"), {}).hasValue());
  EXPECT_EQ(tree_.read(L"sub/a.zeb"), tree_.read(archive));
}

TEST_F(SplitMergeTest, CancelledSplitDeletesOnlyThePartBeingWritten) {
  const std::wstring archive = create(L"a.zeb", 1);
  uint64_t reports = 0;
  auto split = splitArchive(tree_.path(archive), kMinPartSize, [&](const Progress& p) {
    EXPECT_EQ(p.phase, Progress::Phase::Writing);
    return ++reports < 2;  // one piece per part: the second part is being written
  });
  ASSERT_TRUE(split.failed());
  EXPECT_EQ(split.failure().code, StatusCode::canceled);
  EXPECT_EQ(printable(split.failure().message), "Split canceled");
  EXPECT_TRUE(tree_.exists(L"a.zeb.001"));
  headerOf(L"a.zeb.001");
  EXPECT_FALSE(tree_.exists(L"a.zeb.002"));
}

TEST_F(SplitMergeTest, MergeReportsBytesAndEndsWithDone) {
  const std::wstring archive = create(L"a.zeb", 1);
  ASSERT_TRUE(splitArchive(tree_.path(archive), kMinPartSize, {}).hasValue());
  std::vector<Progress> reports;
  auto merged = mergeParts(tree_.path(L"a.zeb.001"), tree_.path(L"m.zeb"), [&](const Progress& p) {
    reports.push_back(p);
    return true;
  });
  ASSERT_TRUE(merged.hasValue());
  ASSERT_GE(reports.size(), 2u);
  EXPECT_EQ(reports.back().phase, Progress::Phase::Done);
  const Progress& last = reports[reports.size() - 2];
  EXPECT_EQ(last.phase, Progress::Phase::Writing);
  EXPECT_EQ(last.bytesDone, merged->archiveLength);
  EXPECT_EQ(last.bytesTotal, merged->archiveLength);
}

// Each case damages a fresh split of one archive and must leave no output and no ".partial", while an
// output file already present stays as it was.
TEST_F(SplitMergeTest, RefusesBrokenSetsAndLeavesNoOutput) {
  const std::wstring archive = create(L"a.zeb", 1);
  const std::wstring foreign = create(L"other.zeb", 7);
  ASSERT_TRUE(splitArchive(tree_.path(foreign), kMinPartSize, {}).hasValue());
  struct Case {
    const char* what;
    std::function<void()> damage;
    const wchar_t* start;
    StatusCode code;
    std::string message;
  };
  const auto copyOver = [this](const std::wstring& from, const std::wstring& to) {
    tree_.writeFile(to, tree_.read(from));
  };
  const auto editHeader = [this](const std::wstring& part, std::function<void(PartHeader&)> edit) {
    return [this, part, edit] {
      PartHeader header = headerOf(part);
      edit(header);
      rewriteHeader(part, header);
    };
  };
  const auto flipByte = [this](const std::wstring& part, size_t offset) {
    return [this, part, offset] {
      auto bytes = tree_.read(part);
      bytes[offset] ^= 0x40;
      tree_.writeFile(part, bytes);
    };
  };
  const Case cases[] = {
      {"started from the second part", [] {}, L"a.zeb.002", StatusCode::invalid_argument,
       "Start a merge from part .001; this is part 2"},
      {"no part number", [] {}, L"a.zeb", StatusCode::invalid_argument,
       "Expected a part file ending in .001, got: " + printable(tree_.path(L"a.zeb"))},
      {"first part cut inside its header", [this] { tree_.writeFile(L"a.zeb.001", randomBytes(40, 3)); }, L"a.zeb.001",
       StatusCode::corrupt_archive, "Could not read the part header"},
      {"third part missing", [this] { ASSERT_TRUE(deleteFile(tree_.path(L"a.zeb.003")).ok()); }, L"a.zeb.001",
       StatusCode::not_found, "Part 3 of 5 is missing: " + printable(tree_.path(L"a.zeb.003"))},
      {"second and third swapped",
       [&] {
         copyOver(L"a.zeb.002", L"swap");
         copyOver(L"a.zeb.003", L"a.zeb.002");
         copyOver(L"swap", L"a.zeb.003");
       },
       L"a.zeb.001", StatusCode::corrupt_archive, "Part 2 disagrees with part 1 about the set"},
      {"another archive's part", [&] { copyOver(L"other.zeb.002", L"a.zeb.002"); }, L"a.zeb.001",
       StatusCode::corrupt_archive, "Part 2 belongs to a different archive"},
      {"count disagrees", editHeader(L"a.zeb.004", [](PartHeader& h) { h.count = 6; }), L"a.zeb.001",
       StatusCode::corrupt_archive, "Part 4 disagrees with part 1 about the set"},
      {"archive length disagrees", editHeader(L"a.zeb.004", [](PartHeader& h) { h.archiveLength += 1; }), L"a.zeb.001",
       StatusCode::corrupt_archive, "Part 4 disagrees with part 1 about the set"},
      {"gap between parts", editHeader(L"a.zeb.003", [](PartHeader& h) { h.payloadOffset += 1; }), L"a.zeb.001",
       StatusCode::corrupt_archive, "Part 3 does not start where the previous one ended"},
      {"header claims a longer payload", editHeader(L"a.zeb.002", [](PartHeader& h) { h.payloadLength += 1; }),
       L"a.zeb.001", StatusCode::corrupt_archive, "Part 2 is not the length its header declares"},
      {"last byte cut off",
       [this] {
         auto bytes = tree_.read(L"a.zeb.005");
         bytes.pop_back();
         tree_.writeFile(L"a.zeb.005", bytes);
       },
       L"a.zeb.001", StatusCode::corrupt_archive, "Part 5 is not the length its header declares"},
      {"payload byte flipped in the first part", flipByte(L"a.zeb.001", 64), L"a.zeb.001", StatusCode::corrupt_archive,
       "Part 1 failed its checksum; it is damaged"},
      {"payload byte flipped in the last part", flipByte(L"a.zeb.005", 70), L"a.zeb.001", StatusCode::corrupt_archive,
       "Part 5 failed its checksum; it is damaged"},
      {"header byte flipped", flipByte(L"a.zeb.003", 30), L"a.zeb.001", StatusCode::corrupt_archive,
       "Part header checksum mismatch"},
      {"a part's header is all that is left",
       [this] {
         auto bytes = tree_.read(L"a.zeb.002");
         bytes.resize(20);
         tree_.writeFile(L"a.zeb.002", bytes);
       },
       L"a.zeb.001", StatusCode::corrupt_archive, "Could not read the header of part 2"},
      {"the set ends short of the archive",
       [&] {
         for (uint32_t i = 1; i <= 4; ++i) {
           editHeader(partFileName(L"a.zeb", i), [](PartHeader& h) { h.count = 4; })();
         }
       },
       L"a.zeb.001", StatusCode::corrupt_archive, "The parts add up to the wrong length"},
  };
  const std::vector<uint8_t> earlierOutput = {'k', 'e', 'e', 'p'};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    // The previous case's damage may have left a part that no longer looks like one.
    for (uint32_t i = 1; i <= 5; ++i) ASSERT_TRUE(deleteFile(tree_.path(partFileName(L"a.zeb", i))).ok());
    ASSERT_TRUE(splitArchive(tree_.path(archive), kMinPartSize, {}).hasValue());
    ASSERT_TRUE(tree_.exists(L"a.zeb.005"));
    c.damage();
    tree_.writeFile(L"out.zeb", earlierOutput);
    tree_.writeFile(L"out.zeb.partial",
                    earlierOutput);  // a leftover of an earlier attempt
    auto merged = mergeParts(tree_.path(c.start), tree_.path(L"out.zeb"), {});
    ASSERT_TRUE(merged.failed());
    EXPECT_EQ(merged.failure().code, c.code);
    EXPECT_EQ(printable(merged.failure().message), c.message);
    EXPECT_EQ(tree_.read(L"out.zeb"), earlierOutput);
    if (c.code != StatusCode::invalid_argument && c.message != "Could not read the part header") {
      EXPECT_FALSE(tree_.exists(L"out.zeb.partial"));
    }
  }
}

TEST_F(SplitMergeTest, CancelledMergeLeavesNoOutput) {
  const std::wstring archive = create(L"a.zeb", 1);
  ASSERT_TRUE(splitArchive(tree_.path(archive), kMinPartSize, {}).hasValue());
  uint64_t reports = 0;
  auto merged =
      mergeParts(tree_.path(L"a.zeb.001"), tree_.path(L"out.zeb"), [&](const Progress&) { return ++reports < 3; });
  ASSERT_TRUE(merged.failed());
  EXPECT_EQ(merged.failure().code, StatusCode::canceled);
  EXPECT_EQ(printable(merged.failure().message), "Merge canceled");
  EXPECT_FALSE(tree_.exists(L"out.zeb"));
  EXPECT_FALSE(tree_.exists(L"out.zeb.partial"));
}

}  // namespace
}  // namespace tolzeb
