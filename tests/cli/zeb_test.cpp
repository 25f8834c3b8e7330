#include "cli/zeb.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <new>
#include <string>
#include <vector>

#include "cli/exit_code.h"
#include "cli/usage.h"
#include "cli_test_support.h"
#include "engine/core/text.h"
#include "support/utf8_text.h"

namespace tolzeb::cli {
namespace {

using testing::FakeWorld;

using tolzeb::testing::utf8Of;

// Made once from the reviewed help text; every line ends with LF.
std::string goldenUsage() {
  std::ifstream file(TOLZEB_CLI_TEST_DATA "/usage.txt", std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

TEST(Usage, MatchesTheGoldenText) {
  const std::string golden = goldenUsage();
  ASSERT_FALSE(golden.empty());
  EXPECT_EQ(utf8Of(usageText()), golden);
}

TEST(RunZeb, HelpUsageAndUnknownCommands) {
  struct Case {
    std::vector<std::wstring> args;
    int exitCode;
    bool usage;  // the usage text on standard output
    std::wstring err;
  };
  const std::wstring usage = usageText();
  const Case cases[] = {
      {{}, 2, true, L""},
      {{L"--help"}, 0, true, L""},
      {{L"-h", L"--bogus"}, 0, true, L""},
      {{L"/?"}, 0, true, L""},
      {{L"x", L"--help"}, 0, true, L""},
      {{L""}, 2, true, L""},
      {{L"x", L"--help", L"--threads", L"0"}, 2, false, L"zeb: error 2: --threads must be 'auto' or 1..4096\n"},
      {{L"X"}, 2, false, L"zeb: unknown command 'X'. Run 'zeb --help'.\n"},
      {{L"extract", L"a"}, 2, false, L"zeb: unknown command 'extract'. Run 'zeb --help'.\n"},
      {{L"x", L"-h"}, 2, false, L"zeb: error 2: Unknown option: -h\n"},
  };
  for (const Case& c : cases) {
    FakeWorld world;
    EXPECT_EQ(runZeb(c.args, world.environment()), c.exitCode) << c.args.size();
    EXPECT_EQ(world.console.out, c.usage ? usage : L"") << c.args.size();
    EXPECT_EQ(world.console.err, c.err);
    EXPECT_TRUE(world.calls.empty());
  }
}

TEST(RunZeb, EveryCommandWordReachesItsHandler) {
  // With no arguments each handler refuses in its own words; none is taken for an unknown command.
  for (const wchar_t* word : {L"c", L"x", L"l", L"t", L"v", L"split", L"protect", L"scan", L"repair", L"merge",
                              L"cmp", L"dup", L"inc"}) {
    FakeWorld world;
    const int exitCode = runZeb({word}, world.environment());
    EXPECT_NE(exitCode, 0) << utf8Of(word);
    EXPECT_EQ(world.console.err.find(L"unknown command"), std::wstring::npos) << utf8Of(word);
    EXPECT_EQ(world.console.err.rfind(L"zeb: ", 0), 0u) << utf8Of(word);
  }
}

TEST(RunZeb, RunningOutOfMemoryEndsWithTheResourceLimitCode) {
  FakeWorld world;
  world.kind = ArchiveKind::tarGz;
  world.engine.testAnyArchive = [](const std::wstring&, ArchiveKind, const ExtractOptions&,
                                   const ProgressCallback&) -> Result<ArchiveStats> { throw std::bad_alloc(); };
  EXPECT_EQ(runZeb({L"t", L"big.tar.gz"}, world.environment()), 8);
  EXPECT_EQ(world.console.err, L"zeb: error 8: Not enough memory to finish this operation\n");
}

TEST(ExitCodeFor, MapsEveryStatusCode) {
  const std::pair<int32_t, int> cases[] = {{0, 0},  {1, 1},  {2, 2},  {3, 3},  {4, 4},   {5, 5},  {6, 6},
                                           {7, 7},  {8, 8},  {9, 3},  {10, 5}, {11, 5},  {12, 1}, {-1, 1},
                                           {42, 1}};
  for (const auto& [code, exitCode] : cases) EXPECT_EQ(exitCodeFor(code), exitCode) << code;
}

TEST(PrintError, WritesTheStatusCodeNotTheExitCode) {
  testing::RecordingConsole console;
  EXPECT_EQ(printError(console, makeFailure(StatusCode::not_found, L"Cannot open for reading: a.zeb")), 5);
  EXPECT_EQ(console.err, L"zeb: error 11: Cannot open for reading: a.zeb\n");
  EXPECT_EQ(console.out, L"");
}

}  // namespace
}  // namespace tolzeb::cli
