// zeb at a terminal: typing a password with echo off, and what only a POSIX build can be given.
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "run_program.h"

namespace tolzeb::cli::testing {
namespace {

// zeb with a pseudo-terminal as its standard input, output and error.
class TerminalSession {
 public:
  explicit TerminalSession(const std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    const std::string program = zebPath();
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    pid_ = forkpty(&master_, nullptr, nullptr, nullptr);
    if (pid_ == 0) {
      // A user's terminal delivers these; a test run started in the background ignores them, and
      // an ignored signal would stay ignored in zeb, which keeps what it inherits.
      for (int signalNumber : {SIGINT, SIGQUIT, SIGTERM, SIGHUP}) signal(signalNumber, SIG_DFL);
      execv(program.c_str(), argv.data());
      _exit(127);
    }
  }
  ~TerminalSession() {
    if (pid_ > 0 && !reaped_) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    if (master_ >= 0) close(master_);
  }

  bool started() const { return pid_ > 0; }

  // Reads until `text` has appeared in the output (true), or the terminal has closed or the
  // deadline has passed (false). Only the deadline counts: a sanitizer build on a loaded machine
  // may be silent for seconds before its first prompt.
  bool waitFor(const std::string& text) {
    const Clock::time_point deadline = Clock::now() + kDeadline;
    size_t found;
    while ((found = output_.find(text, searchedUpTo_)) == std::string::npos) {
      if (!readSome(deadline)) return false;
    }
    searchedUpTo_ = found + text.size();
    return true;
  }

  void type(const std::string& text) { ASSERT_EQ(write(master_, text.data(), text.size()), ssize_t(text.size())); }

  bool echoIsOn() {
    struct termios settings {};
    tcgetattr(master_, &settings);
    return settings.c_lflag & ECHO;
  }

  void interrupt() { kill(pid_, SIGINT); }

  // Reads to the end (or the deadline) and gives the wait status.
  int finish() {
    const Clock::time_point deadline = Clock::now() + kDeadline;
    while (readSome(deadline)) {
    }
    int status = 0;
    waitpid(pid_, &status, 0);
    reaped_ = true;
    return status;
  }

  const std::string& output() const { return output_; }

 private:
  using Clock = std::chrono::steady_clock;
  static constexpr std::chrono::seconds kDeadline{120};

  // Appends what the terminal gives next. False once it has closed or the deadline has passed.
  bool readSome(Clock::time_point deadline) {
    struct pollfd stream {master_, POLLIN, 0};
    for (;;) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
      if (left.count() <= 0) return false;
      const int ready = poll(&stream, 1, int(std::min<int64_t>(left.count(), 1000)));
      if (ready > 0) break;
      if (ready < 0 && errno != EINTR) return false;
    }
    char buffer[4096];
    const ssize_t n = read(master_, buffer, sizeof buffer);
    if (n <= 0) return false;  // EIO once the child has closed the terminal
    output_.append(buffer, size_t(n));
    return true;
  }

  pid_t pid_ = -1;
  int master_ = -1;
  bool reaped_ = false;
  std::string output_;
  size_t searchedUpTo_ = 0;
};

const std::vector<std::string> kCreateEncrypted{"c", "src", "-o", "a.zeb", "--encrypt", "--quiet"};

TEST(ZebTerminal, TypedPasswordsAreNotEchoedAndMustMatch) {
  TerminalSession session(kCreateEncrypted);
  ASSERT_TRUE(session.started());
  ASSERT_TRUE(session.waitFor("Password: "));
  EXPECT_FALSE(session.echoIsOn());
  session.type("hunter2\n");
  ASSERT_TRUE(session.waitFor("Repeat password: "));
  session.type("hunter3\n");
  const int status = session.finish();
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 2);
  EXPECT_NE(session.output().find("zeb: error 2: The two passwords do not match; nothing was written"),
            std::string::npos);
  EXPECT_EQ(session.output().find("hunter"), std::string::npos) << session.output();
  EXPECT_TRUE(session.echoIsOn());
}

TEST(ZebTerminal, EmptyEntryAndMalformedTextAreRefused) {
  const std::pair<const char*, const char*> cases[] = {
      {"\n", "zeb: error 2: An empty password is not accepted"},
      {"ab\xFF" "cd\n", "zeb: error 2: Invalid UTF-8 lead byte"},
  };
  for (const auto& [typed, message] : cases) {
    TerminalSession session(kCreateEncrypted);
    ASSERT_TRUE(session.waitFor("Password: "));
    session.type(typed);
    const int status = session.finish();
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 2);
    EXPECT_NE(session.output().find(message), std::string::npos) << session.output();
    EXPECT_EQ(session.output().find("Repeat password: "), std::string::npos);
  }
}

TEST(ZebTerminal, TheTailOfAnOverlongEntryIsNotLeftForTheNextReader) {
  // The first entry is cut to its first 1024 characters. Its tail must be read and dropped:
  // left in the terminal it would answer the second prompt (or reach the shell).
  TerminalSession session(kCreateEncrypted);
  ASSERT_TRUE(session.waitFor("Password: "));
  session.type(std::string(1100, 'a') + "\n");
  ASSERT_TRUE(session.waitFor("Repeat password: "));
  session.type(std::string(1024, 'a') + "\n");
  session.finish();
  EXPECT_EQ(session.output().find("do not match"), std::string::npos) << session.output();
}

TEST(ZebTerminal, AnInterruptAtThePromptRestoresEcho) {
  TerminalSession session(kCreateEncrypted);
  ASSERT_TRUE(session.waitFor("Password: "));
  ASSERT_FALSE(session.echoIsOn());
  session.interrupt();
  const int status = session.finish();
  ASSERT_TRUE(WIFSIGNALED(status));
  EXPECT_EQ(WTERMSIG(status), SIGINT);
  EXPECT_TRUE(session.echoIsOn());
}

TEST(ZebProgramPosix, ArgumentsThatAreNotUtf8AreRefused) {
  const ProgramRun run = runProgram(zebPath(), {"c", "caf\xE9"});
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_EQ(run.err, "zeb: error 2: Truncated UTF-8 sequence\n");
  EXPECT_EQ(run.out, "");
}

}  // namespace
}  // namespace tolzeb::cli::testing
