#include <windows.h>

#include <atomic>
#include <optional>
#include <string>

#include "cli/console.h"
#include "cli/password.h"
#include "cli/password_input.h"

namespace tolzeb::cli {
namespace {

// The console mode to put back if Ctrl+C or a closed window ends the process while echo is
// off; the handler runs on a thread of its own.
std::atomic<HANDLE> gConsoleInput{nullptr};
std::atomic<DWORD> gSavedMode{0};

BOOL WINAPI restoreConsoleMode(DWORD) {
  SetConsoleMode(gConsoleInput.load(), gSavedMode.load());
  // Ended here as the default handling would end it: the program's own interrupt handler, next
  // in line, would only ask an engine call to cancel, and none is running during the prompt.
  ExitProcess(STATUS_CONTROL_C_EXIT);
}

class EchoOff {
 public:
  EchoOff(HANDLE input, DWORD saved) : input_(input), saved_(saved) {
    gConsoleInput = input;
    gSavedMode = saved;
    SetConsoleCtrlHandler(restoreConsoleMode, TRUE);
    SetConsoleMode(input, saved & ~DWORD(ENABLE_ECHO_INPUT));
  }
  ~EchoOff() {
    SetConsoleMode(input_, saved_);
    SetConsoleCtrlHandler(restoreConsoleMode, FALSE);
  }
  EchoOff(const EchoOff&) = delete;
  EchoOff& operator=(const EchoOff&) = delete;

 private:
  HANDLE input_;
  DWORD saved_;
};

}  // namespace

Result<SecureBytes> readConsolePassword(const std::wstring& prompt) {
  const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  DWORD saved = 0;
  if (input == nullptr || input == INVALID_HANDLE_VALUE || !GetConsoleMode(input, &saved)) {
    return makeFailure(StatusCode::invalid_argument,
                       L"No console is attached, so a password cannot be typed. Use --password-stdin instead.");
  }
  Console& console = processConsole();
  std::wstring text;
  {
    // Echo goes off before the prompt shows, so a password typed at once is not echoed.
    EchoOff echoOff(input, saved);
    console.writeErr(prompt);
    text = collectTypedText([input]() -> std::optional<wchar_t> {
      wchar_t unit = 0;
      DWORD read = 0;
      if (!ReadConsoleW(input, &unit, 1, &read, nullptr) || read != 1) return std::nullopt;
      return unit;
    });
  }
  console.writeErr(L"\n");  // the Enter key was not echoed
  return typedPassword(text);
}

Result<SecureBytes> readStdinPassword() {
  const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  if (input == nullptr || input == INVALID_HANDLE_VALUE) {
    return makeFailure(StatusCode::invalid_argument, L"No standard input to read a password from");
  }
  DWORD mode = 0;
  const bool fromConsole = GetConsoleMode(input, &mode);
  return passwordFromReads(
      [input](uint8_t* buffer, size_t capacity) -> Result<size_t> {
        DWORD read = 0;
        if (ReadFile(input, buffer, DWORD(capacity), &read, nullptr)) return size_t(read);
        if (GetLastError() == ERROR_BROKEN_PIPE) return size_t(0);  // the writer closed its end
        return makeFailure(StatusCode::io_failure, L"Could not read the password from stdin");
      },
      fromConsole);
}

}  // namespace tolzeb::cli
