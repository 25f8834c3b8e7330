#include "cli/command_line.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "cli_test_support.h"
#include "engine/core/text.h"
#include "support/utf8_text.h"

namespace tolzeb::cli {
namespace {

using Args = std::vector<std::wstring>;

using testing::argsText;
using tolzeb::testing::utf8Of;

const std::wstring kPasswordRefusal =
    L"A password must not be passed on the command line: the full command line of a running process is "
    L"readable by other processes under the same account, and shells keep it in their history. Use "
    L"--password-stdin, or leave it off and type it when prompted.";

TEST(ParseCommandLine, RefusesWithTheExactMessage) {
  struct Case {
    Args args;
    std::wstring message;
  };
  const Case cases[] = {
      // Missing values name the option's first spelling; -o always says "-o".
      {{L"c", L"-o"}, L"-o requires a value"},
      {{L"c", L"--output"}, L"-o requires a value"},
      {{L"c", L"--threads"}, L"--threads requires a value"},
      {{L"c", L"--mode"}, L"--mode requires a value"},
      {{L"inc", L"--base"}, L"--base requires a value"},
      {{L"c", L"--kdf-iterations"}, L"--kdf-iterations requires a value"},
      // Unknown options, the help spellings that only count first, and a lone dash.
      {{L"x", L"-h"}, L"Unknown option: -h"},
      {{L"x", L"-"}, L"Unknown option: -"},
      {{L"x", L"--HELP"}, L"Unknown option: --HELP"},
      {{L"x", L"--quiet=1"}, L"Unknown option: --quiet=1"},
      // Values.
      {{L"c", L"--mode", L"fast"}, L"Unknown mode: fast"},
      {{L"c", L"--mode", L"Balanced"}, L"Unknown mode: Balanced"},
      {{L"c", L"--chunk", L"5M"}, L"--chunk must be between 256K and 4M"},
      {{L"c", L"--chunk", L"255K"}, L"--chunk must be between 256K and 4M"},
      {{L"c", L"--chunk", L"4194305"}, L"--chunk must be between 256K and 4M"},
      {{L"c", L"--chunk", L"2MB"}, L"Bad --chunk value: 2MB"},
      {{L"c", L"--chunk", L""}, L"Bad --chunk value: "},
      {{L"c", L"--chunk", L"99999999999999999999K"}, L"Bad --chunk value: 99999999999999999999K"},
      {{L"c", L"--threads", L"0"}, L"--threads must be 'auto' or 1..4096"},
      {{L"c", L"--threads", L"4x"}, L"--threads must be 'auto' or 1..4096"},
      {{L"c", L"--threads", L"4097"}, L"--threads must be 'auto' or 1..4096"},
      {{L"c", L"--threads", L"Auto"}, L"--threads must be 'auto' or 1..4096"},
      {{L"c", L"--threads", L""}, L"--threads must be 'auto' or 1..4096"},
      {{L"c", L"--threads", L"99999999999999999999999"}, L"--threads must be 'auto' or 1..4096"},
      {{L"c", L"--memory", L"127M"}, L"--memory must be at least 128M"},
      {{L"c", L"--memory", L"1.5G"}, L"Bad --memory value: 1.5G"},
      {{L"c", L"--memory", L"-1K"}, L"Bad --memory value: -1K"},  // wraps past 2^64: refused, not wrapped
      {{L"c", L"--integrity", L"sha"}, L"--integrity must be 'full' or 'crc'"},
      {{L"x", L"--overwrite", L"always"}, L"Unknown overwrite policy: always"},
      {{L"c", L"--recovery", L"x5"}, L"--recovery takes a percentage from 1 to 30"},
      {{L"c", L"--recovery", L"31"}, L"--recovery takes a percentage from 1 to 30"},
      {{L"c", L"--recovery", L"0%"}, L"--recovery takes a percentage from 1 to 30"},
      {{L"c", L"--format", L"ZIP"}, L"--format must be one of: zeb, zip, 7z, tar, tar.gz"},
      {{L"c", L"--format", L"rar"}, L"--format must be one of: zeb, zip, 7z, tar, tar.gz"},
      {{L"split", L"--part-size", L"65535"}, L"--part-size must be at least 64K"},
      {{L"split", L"--part-size", L"25MB"}, L"--part-size must be at least 64K"},
      {{L"c", L"--kdf-iterations", L"99999"}, L"--kdf-iterations must be between 100000 and 10000000"},
      {{L"c", L"--kdf-iterations", L"10000001"}, L"--kdf-iterations must be between 100000 and 10000000"},
      {{L"c", L"--kdf-iterations", L"lots"}, L"--kdf-iterations must be between 100000 and 10000000"},
      // Passwords: refused at once, the value never looked at or echoed back.
      {{L"c", L"--password"}, kPasswordRefusal},
      {{L"c", L"--password", L"hunter2"}, kPasswordRefusal},
      {{L"c", L"-p", L"hunter2"}, kPasswordRefusal},
      {{L"c", L"--pass", L"hunter2"}, kPasswordRefusal},
      {{L"c", L"--password=hunter2"}, kPasswordRefusal},
      {{L"c", L"--pass=hunter2"}, kPasswordRefusal},
      {{L"c", L"-phunter2"}, kPasswordRefusal},
      // The first failure wins.
      {{L"c", L"--mode", L"fast", L"--threads", L"0"}, L"Unknown mode: fast"},
      {{L"c", L"--bogus", L"--password"}, L"Unknown option: --bogus"},
  };
  for (const Case& c : cases) {
    const Result<CommandLine> line = parseCommandLine(c.args);
    ASSERT_TRUE(line.failed()) << argsText(c.args);
    EXPECT_EQ(line.failure().code, StatusCode::invalid_argument) << argsText(c.args);
    EXPECT_EQ(line.failure().message, c.message) << argsText(c.args);
  }
}

TEST(ParseCommandLine, AcceptsAndSetsTheFields) {
  struct Case {
    Args args;
    std::function<bool(const CommandLine&)> holds;
  };
  const Case cases[] = {
      {{}, [](const CommandLine& l) { return l.help && l.command.empty(); }},
      {{L"--help", L"--bogus"}, [](const CommandLine& l) { return l.help && l.inputs.empty(); }},
      {{L"-h"}, [](const CommandLine& l) { return l.help; }},
      {{L"/?", L"--password"}, [](const CommandLine& l) { return l.help; }},
      {{L"x", L"--help", L"a"}, [](const CommandLine& l) { return l.help && l.inputs == Args{L"a"}; }},
      {{L""}, [](const CommandLine& l) { return !l.help && l.command.empty(); }},
      {{L"X"}, [](const CommandLine& l) { return l.command == L"X"; }},
      // Inputs keep their order, options may sit anywhere, "/?" and "" are inputs after the command.
      {{L"c", L"a", L"--quiet", L"b", L"/?", L"", L"-o", L"out.zeb"},
       [](const CommandLine& l) {
         return l.inputs == Args{L"a", L"b", L"/?", L""} && l.output == L"out.zeb" && l.quiet;
       }},
      // A value may begin with '-'; the later occurrence wins.
      {{L"c", L"-o", L"-dash", L"--output", L"second"}, [](const CommandLine& l) { return l.output == L"second"; }},
      {{L"c", L"--base", L"--quiet"}, [](const CommandLine& l) { return l.base == L"--quiet" && !l.quiet; }},
      // Defaults.
      {{L"c"},
       [](const CommandLine& l) {
         const CompressionOptions& c = l.compression;
         const ExtractOptions& e = l.extract;
         return !c.useDictionary && c.mode == CompressionMode::balanced && c.threads == 0 &&
                c.memoryBudget == 536870912 && c.chunkSize == 2097152 && c.verifyAfterWrite && !c.storeOnly &&
                !c.password && c.kdfIterations == 600000 && !c.includePaths && c.chunkHashes &&
                e.overwrite == OverwritePolicy::fail && !e.password && e.restoreTimes && e.restoreAttributes &&
                e.maxTotalBytes == 0 && e.maxEntries == 0 && e.threads == 0 && e.memoryBudget == 536870912 &&
                !l.quiet && !l.help && l.checkThreads == 0 && l.checkMemory == 536870912 && !l.encrypt &&
                !l.passwordStdin && l.partSize == 0 && l.recoveryPercent == 0 && !l.deep && l.base.empty() &&
                l.format.empty();
       }},
      {{L"c", L"--mode", L"lightning"},
       [](const CommandLine& l) { return l.compression.mode == CompressionMode::lightning; }},
      {{L"c", L"--mode", L"compact"},
       [](const CommandLine& l) { return l.compression.mode == CompressionMode::compact; }},
      {{L"c", L"--chunk", L"4M"}, [](const CommandLine& l) { return l.compression.chunkSize == 4194304; }},
      {{L"c", L"--chunk", L"256KiB"}, [](const CommandLine& l) { return l.compression.chunkSize == 262144; }},
      {{L"c", L"--chunk", L"1m"}, [](const CommandLine& l) { return l.compression.chunkSize == 1048576; }},
      {{L"c", L"--threads", L"auto"},
       [](const CommandLine& l) {
         return l.compression.threads == 0 && l.extract.threads == 0 && l.checkThreads == 0;
       }},
      {{L"c", L"--threads", L"4096"},
       [](const CommandLine& l) {
         return l.compression.threads == 4096 && l.extract.threads == 4096 && l.checkThreads == 4096;
       }},
      {{L"c", L"--memory", L"1G"},
       [](const CommandLine& l) {
         return l.compression.memoryBudget == 1073741824 && l.extract.memoryBudget == 1073741824 &&
                l.checkMemory == 1073741824;
       }},
      {{L"c", L"--memory", L"-1"}, [](const CommandLine& l) { return l.checkMemory == UINT64_MAX; }},
      {{L"c", L"--memory", L"99999999999999999999999"},
       [](const CommandLine& l) { return l.checkMemory == UINT64_MAX; }},
      {{L"c", L"--integrity", L"crc"}, [](const CommandLine& l) { return !l.compression.chunkHashes; }},
      {{L"c", L"--integrity", L"crc", L"--integrity", L"full"},
       [](const CommandLine& l) { return l.compression.chunkHashes; }},
      {{L"c", L"--no-verify"}, [](const CommandLine& l) { return !l.compression.verifyAfterWrite; }},
      {{L"c", L"--no-verify", L"--verify"}, [](const CommandLine& l) { return l.compression.verifyAfterWrite; }},
      {{L"c", L"--dictionary"}, [](const CommandLine& l) { return l.compression.useDictionary; }},
      {{L"c", L"--dictionary", L"--no-dictionary"}, [](const CommandLine& l) { return !l.compression.useDictionary; }},
      {{L"x", L"--overwrite", L"skip"},
       [](const CommandLine& l) { return l.extract.overwrite == OverwritePolicy::skip; }},
      {{L"x", L"--overwrite", L"overwrite"},
       [](const CommandLine& l) { return l.extract.overwrite == OverwritePolicy::overwrite; }},
      {{L"x", L"--no-times", L"--no-attrs"},
       [](const CommandLine& l) { return !l.extract.restoreTimes && !l.extract.restoreAttributes; }},
      {{L"c", L"--recovery", L"5%"}, [](const CommandLine& l) { return l.recoveryPercent == 5; }},
      {{L"c", L"--recovery", L"30"}, [](const CommandLine& l) { return l.recoveryPercent == 30; }},
      {{L"c", L"--format", L"tgz"}, [](const CommandLine& l) { return l.format == L"tgz"; }},
      {{L"c", L"--format", L"tar.gz"}, [](const CommandLine& l) { return l.format == L"tar.gz"; }},
      {{L"split", L"--part-size", L"64K"}, [](const CommandLine& l) { return l.partSize == 65536; }},
      {{L"split", L"--part-size", L"25M"}, [](const CommandLine& l) { return l.partSize == 26214400; }},
      {{L"c", L"--kdf-iterations", L"600K"},
       [](const CommandLine& l) { return l.compression.kdfIterations == 614400; }},
      {{L"c", L"--kdf-iterations", L"10000000"},
       [](const CommandLine& l) { return l.compression.kdfIterations == 10000000; }},
      {{L"cmp", L"a", L"b", L"--deep", L"--encrypt", L"--password-stdin"},
       [](const CommandLine& l) { return l.deep && l.encrypt && l.passwordStdin && l.inputs.size() == 2; }},
  };
  for (const Case& c : cases) {
    const Result<CommandLine> line = parseCommandLine(c.args);
    ASSERT_TRUE(line.hasValue()) << argsText(c.args) << ": " << utf8Of(line.failure().message);
    EXPECT_TRUE(c.holds(line.value())) << argsText(c.args);
  }
}

TEST(ParseSize, FollowsTheCLibraryNumberAndTheSuffixes) {
  struct Case {
    const wchar_t* text;
    std::optional<uint64_t> value;
  };
  const Case cases[] = {
      {L"0", 0},
      {L"512", 512},
      {L"  512", 512},
      {L"\t+7", 7},
      {L"-1", UINT64_MAX},
      {L"-2", UINT64_MAX - 1},
      {L"18446744073709551615", UINT64_MAX},
      {L"18446744073709551616", UINT64_MAX},  // saturates
      {L"-18446744073709551616", UINT64_MAX},  // saturation wins over the sign
      {L"2K", 2048},
      {L"2k", 2048},
      {L"2KiB", 2048},
      {L"3M", 3ull << 20},
      {L"3m", 3ull << 20},
      {L"3MiB", 3ull << 20},
      {L"5G", 5ull << 30},
      {L"5g", 5ull << 30},
      {L"5GiB", 5ull << 30},
      {L"17179869183G", 17179869183ull << 30},
      {L"17179869184G", std::nullopt},  // 2^64: refused rather than wrapped to 0
      {L"", std::nullopt},
      {L" ", std::nullopt},
      {L"-", std::nullopt},
      {L"K", std::nullopt},
      {L"2MB", std::nullopt},
      {L"2kb", std::nullopt},
      {L"2KIB", std::nullopt},
      {L"1.5M", std::nullopt},
      {L"1 M", std::nullopt},
      {L"2T", std::nullopt},
      {L"2 ", std::nullopt},
      {L"0x10", std::nullopt},
      {L"\u0661", std::nullopt},  // only ASCII digits
  };
  for (const Case& c : cases) {
    EXPECT_EQ(parseSize(c.text), c.value) << utf8Of(c.text);
  }
}

}  // namespace
}  // namespace tolzeb::cli
