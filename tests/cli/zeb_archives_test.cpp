// The built zeb on real archives: create, list, test, verify and extract a small tree, and what
// the user sees when a password is wrong, an archive is damaged or a file is in the way.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <regex>
#include <string>
#include <vector>

#include "cli/report_format.h"
#include "engine/core/fs.h"
#include "engine/core/text.h"
#include "support/scratch_tree.h"
#include "run_program.h"
#include "support/utf8_text.h"

namespace tolzeb::cli::testing {
namespace {

using tolzeb::testing::ScratchTree;

using tolzeb::testing::utf8Of;

// FILETIME of a UTC calendar second.
constexpr uint64_t fileTime(int64_t unixSeconds) { return uint64_t(unixSeconds + 11644473600) * 10000000; }

constexpr uint64_t kFileTime = fileTime(1623745800);    // 2021-06-15 08:30:00
constexpr uint64_t kFolderTime = fileTime(1577934240);  // 2020-01-02 03:04:00

// Above a quarter of a 256 KiB block, so it fills three blocks of its own; half of it repeats
// words, half is noise, so every mode has something to do.
std::vector<uint8_t> largeContent() {
  std::vector<uint8_t> bytes;
  uint32_t state = 12345;
  auto next = [&state] { return state = state * 1103515245 + 12345; };
  const char* words[] = {"archive ", "block ", "chunk ", "entry ", "folder ", "stream "};
  while (bytes.size() < 700000) {
    if (bytes.size() % 8192 < 4096) {
      const char* word = words[(next() >> 16) % 6];
      bytes.insert(bytes.end(), word, word + std::char_traits<char>::length(word));
    } else {
      bytes.push_back(uint8_t(next() >> 24));
    }
  }
  bytes.resize(700000);
  return bytes;
}

const std::wstring kNonAsciiFolder = L"caf\u00E9 \u2713";
const std::wstring kNonAsciiFile = L"na\u00EFve \xD834\xDD1E.txt";  // a character outside the BMP

// tree/: an empty file, an empty folder, nested folders, non-ASCII names and one large file.
// Files and folders carry fixed modification times.
struct FixtureTree {
  ScratchTree scratch;
  uint64_t inputBytes = 0;

  FixtureTree() {
    const std::string deep = "three folders down\n";
    const std::string naive = "not ASCII\n";
    const std::vector<uint8_t> large = largeContent();
    scratch.writeText(L"tree/a/b/c/deep.txt", deep);
    scratch.writeFile(L"tree/big.bin", large);
    scratch.writeText(L"tree/" + kNonAsciiFolder + L"/" + kNonAsciiFile, naive);
    scratch.makeDirectory(L"tree/empty-dir");
    scratch.writeText(L"tree/empty.txt", "");
    inputBytes = deep.size() + large.size() + naive.size();
    for (const wchar_t* file : {L"tree/a/b/c/deep.txt", L"tree/big.bin", L"tree/empty.txt"}) {
      EXPECT_TRUE(setFileTimes(scratch.path(file), kFileTime).ok());
    }
    EXPECT_TRUE(setFileTimes(scratch.path(L"tree/" + kNonAsciiFolder + L"/" + kNonAsciiFile), kFileTime).ok());
    // Innermost first: a folder's time changes when something is made inside it.
    for (const std::wstring& folder :
         {std::wstring(L"tree/a/b/c"), std::wstring(L"tree/a/b"), std::wstring(L"tree/a"), L"tree/" + kNonAsciiFolder,
          std::wstring(L"tree/empty-dir"), std::wstring(L"tree")}) {
      EXPECT_TRUE(setFileTimes(scratch.path(folder), kFolderTime).ok());
    }
  }

  std::string path(const std::wstring& relative) const { return utf8Of(scratch.path(relative)); }
};

// Every folder and file below `extracted` matches the one below `original`: the same names,
// kinds and bytes, and the same modification times for files.
void expectSameTree(const ScratchTree& scratch, const std::wstring& original, const std::wstring& extracted,
                    const std::string& label) {
  auto want = enumerateTree(scratch.path(original));
  auto got = enumerateTree(scratch.path(extracted));
  ASSERT_TRUE(want.hasValue() && got.hasValue()) << label;
  auto byPath = [](const FileInfo& a, const FileInfo& b) { return a.relativePath < b.relativePath; };
  std::sort(want->begin(), want->end(), byPath);
  std::sort(got->begin(), got->end(), byPath);
  ASSERT_EQ(got->size(), want->size()) << label;
  for (size_t i = 0; i < want->size(); ++i) {
    const FileInfo& w = (*want)[i];
    const FileInfo& g = (*got)[i];
    const std::string entry = label + ": " + utf8Of(w.relativePath);
    ASSERT_EQ(g.relativePath, w.relativePath) << entry;
    EXPECT_EQ(g.isDirectory, w.isDirectory) << entry;
    if (w.isDirectory) continue;
    EXPECT_EQ(g.modified, w.modified) << entry;
    EXPECT_TRUE(scratch.read(extracted + L"/" + w.relativePath) == scratch.read(original + L"/" + w.relativePath))
        << entry;
  }
}

TEST(ZebArchives, RoundTripsInEveryMode) {
  struct Case {
    const char* label;
    std::vector<std::string> options;
    std::string password;  // fed on standard input when not empty
    int blocks;
  };
  const std::vector<std::string> encrypt{"--encrypt", "--password-stdin", "--kdf-iterations", "100000"};
  std::vector<std::string> encryptedCompact{"--mode", "compact", "--chunk", "256K"};
  encryptedCompact.insert(encryptedCompact.end(), encrypt.begin(), encrypt.end());
  const Case cases[] = {
      {"lightning", {"--mode", "lightning", "--chunk", "256K"}, "", 5},
      {"balanced", {"--mode", "balanced", "--chunk", "256K"}, "", 5},
      {"compact", {"--mode", "compact", "--chunk", "256K"}, "", 5},
      // Default blocks: the small files still never share a block with the large one.
      {"default block size, CRC only, no verify", {"--integrity", "crc", "--no-verify"}, "", 3},
      {"shared dictionary, one thread", {"--dictionary", "--threads", "1", "--chunk", "256K"}, "", 5},
      {"encrypted", encryptedCompact, "correct horse battery\r\n", 5},
  };
  FixtureTree tree;
  const std::string total = utf8Of(formatSize(tree.inputBytes));
  for (const Case& c : cases) {
    const std::string archive = tree.path(L"out.zeb");
    std::vector<std::string> create{"c", tree.path(L"tree"), "-o", archive, "--quiet"};
    create.insert(create.end(), c.options.begin(), c.options.end());
    const ProgramRun created = zeb(create, c.password);
    ASSERT_EQ(created.exitCode, 0) << c.label << "\n" << created.err;
    EXPECT_EQ(created.err, "") << c.label;
    EXPECT_TRUE(
        created.out.starts_with("Created " + archive + "\n  4 files, 6 folders\n  input  " + total + "\n  output "))
        << c.label << "\n"
        << created.out;

    // Reading needs the password on standard input exactly when the archive was encrypted.
    std::vector<std::string> reading;
    if (!c.password.empty()) reading.push_back("--password-stdin");

    for (const char* check : {"t", "v"}) {
      std::vector<std::string> args{check, archive, "--quiet"};
      args.insert(args.end(), reading.begin(), reading.end());
      const ProgramRun checked = zeb(args, c.password);
      EXPECT_EQ(checked.exitCode, 0) << c.label << " " << check << "\n" << checked.err;
      EXPECT_EQ(checked.err, "") << c.label << " " << check;
      EXPECT_TRUE(checked.out.starts_with(archive + ": OK\n  10 entries, " + total + " checked in "))
          << c.label << " " << check << "\n"
          << checked.out;
    }

    std::vector<std::string> list{"l", archive};
    list.insert(list.end(), reading.begin(), reading.end());
    const ProgramRun listed = zeb(list, c.password);
    EXPECT_EQ(listed.exitCode, 0) << c.label << "\n" << listed.err;
    const std::string blocks = std::to_string(c.blocks) + " blocks of up to ";
    EXPECT_NE(listed.out.find("\nFormat:  v1.2, " + blocks), std::string::npos) << c.label << "\n" << listed.out;
    EXPECT_NE(listed.out.find("\n10 entries, " + total + " uncompressed, archive "), std::string::npos) << c.label;

    const std::wstring destination = L"x-" + std::wstring(c.label, c.label + strlen(c.label));
    std::vector<std::string> extract{"x", archive, "-o", tree.path(destination), "--quiet"};
    extract.insert(extract.end(), reading.begin(), reading.end());
    const ProgramRun extracted = zeb(extract, c.password);
    ASSERT_EQ(extracted.exitCode, 0) << c.label << "\n" << extracted.err;
    EXPECT_EQ(extracted.err, "") << c.label;
    EXPECT_TRUE(extracted.out.starts_with("Extracted to " + tree.path(destination) + "\n  4 files, 6 folders, " +
                                          total + "\n  elapsed "))
        << c.label << "\n"
        << extracted.out;
    expectSameTree(tree.scratch, L"tree", destination + L"/tree", c.label);
  }
}

TEST(ZebArchives, ListingShowsEveryEntryInArchiveOrder) {
  FixtureTree tree;
  const std::string archive = tree.path(L"listed.zeb");
  ASSERT_EQ(zeb({"c", tree.path(L"tree"), "-o", archive, "--chunk", "256K", "--quiet"}).exitCode, 0);
  auto size = statPath(tree.scratch.path(L"listed.zeb"));
  ASSERT_TRUE(size.hasValue());

  const std::string file = utf8Of(formatLocalTime(kFileTime));
  const std::string folder = utf8Of(formatLocalTime(kFolderTime));
  const std::vector<std::string> lines = {
      "Archive: " + archive,
      "Format:  v1.2, 5 blocks of up to 256.00 KiB",
      "",
      "Modified                       Size  Name",
      "-------------------- --------------  ------------------------",
      folder + "              <DIR>  tree/",
      folder + "              <DIR>  tree/a/",
      folder + "              <DIR>  tree/a/b/",
      folder + "              <DIR>  tree/a/b/c/",
      file + "                 19  tree/a/b/c/deep.txt",
      file + "             700000  tree/big.bin",
      folder + "              <DIR>  tree/caf\xC3\xA9 \xE2\x9C\x93/",
      file + "                 10  tree/caf\xC3\xA9 \xE2\x9C\x93/na\xC3\xAFve \xF0\x9D\x84\x9E.txt",
      folder + "              <DIR>  tree/empty-dir/",
      file + "                  0  tree/empty.txt",
      "",
      "10 entries, 683.62 KiB uncompressed, archive " + utf8Of(formatSize(size->size)),
  };
  std::string expected;
  for (const std::string& line : lines) expected += line + "\n";
  const ProgramRun listed = zeb({"l", archive});
  EXPECT_EQ(listed.exitCode, 0);
  EXPECT_EQ(listed.out, expected);
  EXPECT_EQ(listed.err, "");
}

// The line the progress reporter rewrites: "\r%-10s %6.2f%%  %8.1f MiB/s  %llu/%llu items    ".
struct ProgressLine {
  std::string phase;
  std::string percent;
  uint64_t done = 0;
  uint64_t total = 0;
};

bool parseProgressLine(const std::string& text, ProgressLine& line) {
  static const std::regex shape(R"(^(.{10}) (.{6})%  (.{8,}) MiB/s  ([0-9]+)/([0-9]+) items    $)");
  static const std::regex word(R"(^(Scanning|Analyzing|Encoding|Writing|Verifying|Decoding|Restoring|Done) *$)");
  static const std::regex percent(R"(^ *[0-9]+\.[0-9]{2}$)");
  static const std::regex speed(R"(^ *[0-9]+\.[0-9]$)");
  std::smatch parts;
  if (!std::regex_match(text, parts, shape)) return false;
  const std::string rate = parts[3];
  if (!std::regex_match(parts[1].str(), word) || !std::regex_match(parts[2].str(), percent) ||
      !std::regex_match(rate, speed) || (rate.size() > 8 && rate[0] == ' ')) {
    return false;
  }
  line.phase = parts[1].str().substr(0, parts[1].str().find(' '));
  line.percent = parts[2].str().substr(parts[2].str().find_first_not_of(' '));
  line.done = std::stoull(parts[4]);
  line.total = std::stoull(parts[5]);
  return line.done <= line.total;
}

TEST(ZebArchives, ProgressIsOneRewrittenLineOnStandardError) {
  FixtureTree tree;
  const std::string archive = tree.path(L"progress.zeb");
  struct Case {
    std::vector<std::string> args;
    const char* firstPhase;
    const char* lastPhase;
    const char* lastPercent;
  };
  const Case cases[] = {
      {{"c", tree.path(L"tree"), "-o", archive, "--chunk", "256K"}, "Scanning", "Done", "100.00"},
      {{"t", archive}, "Verifying", "Verifying", nullptr},
      {{"x", archive, "-o", tree.path(L"restored")}, "Restoring", "Done", "100.00"},
  };
  for (const Case& c : cases) {
    const ProgramRun run = zeb(c.args);
    const std::string label = c.args[0];
    ASSERT_EQ(run.exitCode, 0) << label << "\n" << run.err;
    // Each line begins with a carriage return; one line break ends the last.
    ASSERT_TRUE(run.err.starts_with("\r")) << label << "\n" << run.err;
    ASSERT_EQ(run.err.back(), '\n') << label;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << label;
    std::vector<ProgressLine> lines;
    size_t start = 1;
    while (start < run.err.size()) {
      size_t end = run.err.find('\r', start);
      if (end == std::string::npos) end = run.err.size() - 1;
      ProgressLine line;
      EXPECT_TRUE(parseProgressLine(run.err.substr(start, end - start), line))
          << label << ": [" << run.err.substr(start, end - start) << "]";
      lines.push_back(line);
      start = end + 1;
    }
    ASSERT_FALSE(lines.empty()) << label;
    EXPECT_EQ(lines.front().phase, c.firstPhase) << label;
    EXPECT_EQ(lines.back().phase, c.lastPhase) << label;
    if (c.lastPercent) {
      EXPECT_EQ(lines.back().percent, c.lastPercent) << label;
    }
  }
}

TEST(ZebArchives, RefusalsLeaveTheDestinationAsItWas) {
  FixtureTree tree;
  const std::string plain = tree.path(L"plain.zeb");
  const std::string sealed = tree.path(L"sealed.zeb");
  ASSERT_EQ(zeb({"c", tree.path(L"tree"), "-o", plain, "--chunk", "256K", "--quiet"}).exitCode, 0);
  ASSERT_EQ(zeb({"c", tree.path(L"tree"), "-o", sealed, "--password-stdin", "--kdf-iterations", "100000", "--quiet"},
                "right\n")
                .exitCode,
            0);

  // One byte flipped inside the block data that follows the 128-byte header.
  const std::string damaged = tree.path(L"damaged.zeb");
  {
    std::vector<uint8_t> bytes = tree.scratch.read(L"plain.zeb");
    ASSERT_GT(bytes.size(), 1000u);
    bytes[128 + 300] ^= 0x40;
    tree.scratch.writeFile(L"damaged.zeb", bytes);
  }
  // A destination that already holds the tree.
  ASSERT_EQ(zeb({"x", plain, "-o", tree.path(L"full"), "--quiet"}).exitCode, 0);
  tree.scratch.writeText(L"full/tree/big.bin", "changed");

  struct Case {
    const char* label;
    std::vector<std::string> args;
    std::string input;
    int exitCode;
    std::string errPrefix;
    const wchar_t* absentDestination;  // checked when set
  };
  const Case cases[] = {
      {"wrong password, extract",
       {"x", sealed, "-o", tree.path(L"wrong"), "--password-stdin"},
       "left\n",
       4,
       "zeb: error 4: Wrong password, or this archive's header has been altered\n",
       L"wrong"},
      {"wrong password, test",
       {"t", sealed, "--password-stdin"},
       "left\n",
       4,
       "zeb: error 4: Wrong password, or this archive's header has been altered\n",
       nullptr},
      {"wrong password, list",
       {"l", sealed, "--password-stdin"},
       "left\n",
       4,
       "zeb: error 4: Wrong password, or this archive's header has been altered\n",
       nullptr},
      {"damaged block, test", {"t", damaged, "--quiet"}, "", 3, "zeb: error 3: ", nullptr},
      {"damaged block, verify", {"v", damaged, "--quiet"}, "", 3, "zeb: error 3: ", nullptr},
      {"damaged block, extract",
       {"x", damaged, "-o", tree.path(L"from-damaged"), "--quiet"},
       "",
       3,
       "zeb: error 3: ",
       nullptr},
      {"existing files",
       {"x", plain, "-o", tree.path(L"full"), "--quiet"},
       "",
       5,
       "zeb: error 10: Destination already exists: ",
       nullptr},
      {"existing files, fail named",
       {"x", plain, "-o", tree.path(L"full"), "--quiet", "--overwrite", "fail"},
       "",
       5,
       "zeb: error 10: Destination already exists: ",
       nullptr},
      {"existing files skipped",
       {"x", plain, "-o", tree.path(L"full"), "--quiet", "--overwrite", "skip"},
       "",
       0,
       "",
       nullptr},
  };
  for (const Case& c : cases) {
    const ProgramRun run = zeb(c.args, c.input);
    EXPECT_EQ(run.exitCode, c.exitCode) << c.label << "\n" << run.err;
    EXPECT_TRUE(run.err.starts_with(c.errPrefix) && (c.errPrefix.empty() || run.err.back() == '\n')) << c.label << "\n"
                                                                                                     << run.err;
    if (c.exitCode != 0) {
      EXPECT_EQ(run.out, "") << c.label;
    }
    if (c.absentDestination) {
      EXPECT_FALSE(tree.scratch.exists(c.absentDestination)) << c.label;
    }
    // Refused or skipped, the file in the way keeps what it held.
    EXPECT_EQ(tree.scratch.readText(L"full/tree/big.bin"), "changed") << c.label;
  }

  const ProgramRun replaced = zeb({"x", plain, "-o", tree.path(L"full"), "--quiet", "--overwrite", "overwrite"});
  EXPECT_EQ(replaced.exitCode, 0) << replaced.err;
  expectSameTree(tree.scratch, L"tree", L"full/tree", "overwrite");
}

}  // namespace
}  // namespace tolzeb::cli::testing
