#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <cstdint>
#include <iterator>
#include <optional>
#include <string>

#include "cli/console.h"
#include "cli/password.h"
#include "cli/password_input.h"
#include "engine/core/text.h"

namespace tolzeb::cli {
namespace {

constexpr int kRestoringSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

// The terminal settings to put back if a signal ends the process while echo is off. Only
// async-signal-safe calls touch it from the handler.
struct termios gSavedTerminal;

void restoreTerminalAndDie(int signalNumber) {
  tcsetattr(STDIN_FILENO, TCSANOW, &gSavedTerminal);
  signal(signalNumber, SIG_DFL);
  raise(signalNumber);
}

// Echo is off between construction and destruction; a signal on the way restores it too.
class EchoOff {
 public:
  explicit EchoOff(const struct termios& saved) : saved_(saved) {
    gSavedTerminal = saved;
    struct sigaction action {};
    action.sa_handler = restoreTerminalAndDie;
    sigemptyset(&action.sa_mask);
    for (size_t i = 0; i < std::size(kRestoringSignals); ++i) {
      sigaction(kRestoringSignals[i], nullptr, &previous_[i]);
      // A signal the process was told to ignore stays ignored.
      if (previous_[i].sa_handler != SIG_IGN) sigaction(kRestoringSignals[i], &action, nullptr);
    }
    struct termios quiet = saved;
    quiet.c_lflag &= ~tcflag_t(ECHO);  // line editing (ICANON) stays on
    tcsetattr(STDIN_FILENO, TCSANOW, &quiet);
  }
  ~EchoOff() {
    tcsetattr(STDIN_FILENO, TCSANOW, &saved_);
    for (size_t i = 0; i < std::size(kRestoringSignals); ++i) sigaction(kRestoringSignals[i], &previous_[i], nullptr);
  }
  EchoOff(const EchoOff&) = delete;
  EchoOff& operator=(const EchoOff&) = delete;

 private:
  struct termios saved_;
  struct sigaction previous_[std::size(kRestoringSignals)];
};

std::optional<uint8_t> readByte() {
  uint8_t byte = 0;
  for (;;) {
    const ssize_t n = ::read(STDIN_FILENO, &byte, 1);
    if (n == 1) return byte;
    if (n < 0 && errno == EINTR) continue;
    return std::nullopt;
  }
}

// Typed UTF-8 turned into UTF-16 units one character at a time. A malformed sequence is kept
// as its failure and read past, so the line is still consumed to its end.
class TypedUnits {
 public:
  std::optional<wchar_t> next() {
    if (queued_.empty()) decodeOne();
    if (queued_.empty()) return std::nullopt;
    const wchar_t unit = queued_.front();
    queued_.erase(0, 1);
    return unit;
  }
  const std::optional<Failure>& failure() const { return failure_; }
  ~TypedUnits() { secureZero(queued_.data(), queued_.size() * sizeof(wchar_t)); }

 private:
  static size_t sequenceLength(uint8_t lead) {
    if (lead >= 0xC0 && lead <= 0xDF) return 2;
    if (lead >= 0xE0 && lead <= 0xEF) return 3;
    if (lead >= 0xF0 && lead <= 0xF7) return 4;
    return 1;
  }

  void decodeOne() {
    std::optional<uint8_t> lead = heldBack_ ? heldBack_ : readByte();
    heldBack_.reset();
    if (!lead) return;
    uint8_t sequence[4] = {*lead};
    size_t length = 1;
    const size_t wanted = sequenceLength(*lead);
    while (length < wanted) {
      const std::optional<uint8_t> byte = readByte();
      if (!byte) break;
      if (*byte < 0x80 || *byte > 0xBF) {
        heldBack_ = byte;  // a line feed after a broken sequence must still end the line
        break;
      }
      sequence[length++] = *byte;
    }
    Result<std::wstring> units = utf8ToUtf16(sequence, length);
    secureZero(sequence, sizeof sequence);
    if (units.failed()) {
      if (!failure_) failure_ = makeFailure(StatusCode::invalid_argument, units.failure().message);
      queued_.push_back(L'?');
      return;
    }
    queued_ = units.value();
    secureZero(units.value().data(), units.value().size() * sizeof(wchar_t));
  }

  std::wstring queued_;
  std::optional<uint8_t> heldBack_;
  std::optional<Failure> failure_;
};

}  // namespace

Result<SecureBytes> readConsolePassword(const std::wstring& prompt) {
  struct termios saved {};
  if (!isatty(STDIN_FILENO) || tcgetattr(STDIN_FILENO, &saved) != 0) {
    return makeFailure(StatusCode::invalid_argument,
                       L"No console is attached, so a password cannot be typed. Use --password-stdin instead.");
  }
  Console& console = processConsole();
  std::wstring text;
  std::optional<Failure> malformed;
  {
    // Echo goes off before the prompt shows, so a password typed at once is not echoed.
    EchoOff echoOff(saved);
    console.writeErr(prompt);
    TypedUnits units;
    text = collectTypedText([&units] { return units.next(); });
    malformed = units.failure();
  }
  console.writeErr(L"\n");  // the Enter key was not echoed
  if (malformed) {
    secureZero(text.data(), text.size() * sizeof(wchar_t));
    return *malformed;
  }
  return typedPassword(text);
}

Result<SecureBytes> readStdinPassword() {
  if (fcntl(STDIN_FILENO, F_GETFD) == -1) {
    return makeFailure(StatusCode::invalid_argument, L"No standard input to read a password from");
  }
  return passwordFromReads(
      [](uint8_t* buffer, size_t capacity) -> Result<size_t> {
        for (;;) {
          const ssize_t n = ::read(STDIN_FILENO, buffer, capacity);
          if (n >= 0) return size_t(n);
          if (errno == EINTR) continue;
          return makeFailure(StatusCode::io_failure, L"Could not read the password from stdin");
        }
      },
      isatty(STDIN_FILENO) != 0);
}

}  // namespace tolzeb::cli
