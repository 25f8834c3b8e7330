// SIGINT and SIGTERM during a command cancel it as Ctrl+C does on a Windows console: the engine
// stops, removes what it was staging and the command ends with the exit code of a cancel. Each
// case runs in a child process of its own, since a signal's handling is the whole process's.
#include <gtest/gtest.h>
#include <signal.h>

#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "cli/environment.h"
#include "cli/interrupt.h"
#include "cli/zeb.h"
#include "support/random_bytes.h"
#include "support/scratch_tree.h"

namespace tolzeb::cli::testing {
namespace {

using tolzeb::testing::ScratchTree;

// Sends `signalNumber` to the process the first time a progress line of the phase `phase` is
// shown, so that the signal arrives in the middle of that phase's work.
class SignallingConsole final : public Console {
 public:
  SignallingConsole(int signalNumber, std::wstring phase) : signal_(signalNumber), phase_(std::move(phase)) {}
  void writeOut(std::wstring_view) override {}
  void writeErr(std::wstring_view text) override {
    if (!sent_ && text.find(phase_) != std::wstring_view::npos) {
      sent_ = true;
      raise(signal_);
    }
  }
  void flush() override {}

 private:
  int signal_;
  std::wstring phase_;
  bool sent_ = false;
};

// Runs zeb in this (child) process with the real engine and the real interrupt handling.
int runInterrupted(const std::vector<std::wstring>& arguments, int signalNumber, const std::wstring& phase) {
  // A test run started in the background ignores SIGINT, and zeb rightly keeps an inherited
  // ignore; here the signal must reach it as it does from a user's terminal.
  signal(SIGINT, SIG_DFL);
  signal(SIGTERM, SIG_DFL);
  watchForInterrupts();
  SignallingConsole console(signalNumber, phase);
  uint64_t now = 0;
  const Environment environment{console, linkedEngine(), systemPasswordReaders(), [&] { return now += 1000; },
                                interruptRequested};
  return runZeb(arguments, environment);
}

// Files big enough to span several blocks, so that a cancel lands inside the work.
void fillSources(const ScratchTree& tree) {
  for (int i = 0; i < 4; ++i) {
    tree.writeFile(L"src/file" + std::to_wstring(i) + L".bin", tolzeb::testing::randomBytes(700000, uint32_t(i)));
  }
}

TEST(InterruptDeathTest, ASignalCancelsCreationAndLeavesNoStagingFile) {
  // The phase in which each writer has its staging file open.
  const std::pair<const wchar_t*, const wchar_t*> outputs[] = {
      {L"out.zeb", L"Writing"}, {L"out.zip", L"Encoding"}, {L"out.tar", L"Encoding"}, {L"out.7z", L"Encoding"}};
  for (const auto& [output, phase] : outputs) {
    for (const int signalNumber : {SIGINT, SIGTERM}) {
      SCOPED_TRACE(tolzeb::testing::printable(output) + (signalNumber == SIGINT ? " SIGINT" : " SIGTERM"));
      ScratchTree tree;
      fillSources(tree);
      const std::wstring archive = tree.path(output);
      std::vector<std::wstring> arguments{L"c", tree.path(L"src"), L"-o", archive};
      // Small blocks, so that a ".zeb" reports before its last one; other formats report per file.
      if (std::wstring_view(output) == L"out.zeb") arguments.insert(arguments.end(), {L"--chunk", L"256K"});
      EXPECT_EXIT(
          {
            const int code = runInterrupted(arguments, signalNumber, phase);
            const bool clean = !pathExists(archive) && !pathExists(archive + L".partial");
            std::_Exit(code == 6 && clean ? 0 : 100 + code);
          },
          ::testing::ExitedWithCode(0), "");
    }
  }
}

TEST(InterruptDeathTest, ASignalCancelsExtractionAndLeavesNoPartialFile) {
  ScratchTree tree;
  fillSources(tree);
  const std::wstring archive = tree.path(L"a.zeb");
  SignallingConsole quiet(0, L"never");
  uint64_t now = 0;
  const Environment setup{quiet, linkedEngine(), systemPasswordReaders(), [&] { return now += 1000; }};
  ASSERT_EQ(runZeb({L"c", tree.path(L"src"), L"-o", archive, L"--chunk", L"256K", L"--quiet"}, setup), 0);

  EXPECT_EXIT(
      {
        const int code =
            runInterrupted({L"x", archive, L"-o", tree.path(L"out"), L"--threads", L"1"}, SIGINT, L"Restoring");
        // Nothing half-written anywhere: every file there is complete.
        bool clean = true;
        Result<std::vector<FileInfo>> items = enumerateTree(tree.path(L"out"));
        if (items.hasValue()) {
          for (const FileInfo& item : *items) {
            if (!item.isDirectory && item.size != 700000) clean = false;
          }
        }
        std::_Exit(code == 6 && clean ? 0 : 100 + code);
      },
      ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace tolzeb::cli::testing
