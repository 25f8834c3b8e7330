// The built zeb as a user meets it: arguments in, text on two streams and an exit code out.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "run_program.h"

namespace tolzeb::cli::testing {
namespace {

std::string goldenUsage() {
  std::ifstream file(TOLZEB_CLI_TEST_DATA "/usage.txt", std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

constexpr const char* kUsage = "<usage>";

TEST(ZebProgram, ArgumentsStreamsAndExitCodes) {
  const std::string usage = goldenUsage();
  ASSERT_FALSE(usage.empty());
  struct Case {
    std::vector<std::string> args;
    std::string input;
    int exitCode;
    std::string out;
    std::string err;
  };
  const Case cases[] = {
      {{}, "", 2, kUsage, ""},
      {{"--help"}, "", 0, kUsage, ""},
      {{"x", "--help"}, "", 0, kUsage, ""},
      {{"X"}, "", 2, "", "zeb: unknown command 'X'. Run 'zeb --help'.\n"},
      {{"caf\xC3\xA9 \xE2\x80\xA6"}, "", 2, "", "zeb: unknown command 'caf\xC3\xA9 \xE2\x80\xA6'. Run 'zeb --help'.\n"},
      {{"x", "-h"}, "", 2, "", "zeb: error 2: Unknown option: -h\n"},
      {{"c", "src", "--chunk", "2MB"}, "", 2, "", "zeb: error 2: Bad --chunk value: 2MB\n"},
      {{"c", "src", "--password", "hunter2"}, "", 2, "",
       "zeb: error 2: A password must not be passed on the command line: the full command line of a running "
       "process is readable by other processes under the same account, and shells keep it in their history. Use "
       "--password-stdin, or leave it off and type it when prompted.\n"},
      {{"c", "-o", "a.zeb"}, "", 2, "", "zeb: 'c' needs at least one source file or folder\n"},
      {{"t", "a", "b"}, "", 2, "", "zeb: 't' needs exactly one archive path\n"},
      // Passwords: no console to type at, and what standard input may hold.
      {{"c", "src", "-o", "a.zeb", "--encrypt"}, "", 2, "",
       "zeb: error 2: No console is attached, so a password cannot be typed. Use --password-stdin instead.\n"},
      {{"c", "src", "-o", "a.zeb", "--password-stdin"}, "\r\n\r\n", 2, "",
       "zeb: error 2: No password was given on stdin\n"},
      {{"c", "src", "-o", "a.zeb", "--password-stdin"}, "", 2, "", "zeb: error 2: No password was given on stdin\n"},
      {{"c", "src", "-o", "a.zeb", "--password-stdin"}, std::string(4097, 'p'), 2, "",
       "zeb: error 2: Password on stdin is implausibly long\n"},
      {{"c", "src", "-o", "a.7z", "--password-stdin"}, "secret\n", 2, "",
       "zeb: a 7Z archive cannot be password-protected by TOLZEB. Each of these formats has its own encryption "
       "and this build writes none of them; use a .zeb instead.\n"},
  };
  for (const Case& c : cases) {
    const ProgramRun run = runProgram(zebPath(), c.args, c.input);
    const std::string label = c.args.empty() ? "(none)" : c.args[0] + " ... (" + std::to_string(c.args.size()) + ")";
    EXPECT_EQ(run.exitCode, c.exitCode) << label;
    EXPECT_EQ(run.out, c.out == kUsage ? usage : c.out) << label;
    EXPECT_EQ(run.err, c.err) << label;
  }
}

// A missing file is an input/output failure (exit 5), never "not an archive" (exit 7): scripts
// tell the two apart by the exit code alone.
TEST(ZebProgram, AMissingArchiveIsReportedAsMissingByEveryCommand) {
  const std::vector<std::vector<std::string>> commands = {
      {"t", "no such file.zeb", "--quiet"},
      {"v", "no such file.zeb", "--quiet"},
      {"l", "no such file.zeb"},
      {"x", "no such file.zeb", "-o", "out", "--password-stdin"},
      {"scan", "no such file.zeb", "--quiet"},
      {"repair", "no such file.zeb", "--quiet"},
      {"protect", "no such file.zeb", "--quiet"},
      {"split", "no such file.zeb", "--part-size", "64K", "--quiet"},
      {"dup", "no such file.zeb", "--quiet"},
  };
  for (const std::vector<std::string>& args : commands) {
    const ProgramRun run = runProgram(zebPath(), args, "");
    EXPECT_EQ(run.exitCode, 5) << args[0] << ": " << run.err;
    EXPECT_EQ(run.err.rfind("zeb: error 11: ", 0), 0u) << args[0] << ": " << run.err;
    EXPECT_EQ(run.out, "") << args[0];
  }
}

}  // namespace
}  // namespace tolzeb::cli::testing
