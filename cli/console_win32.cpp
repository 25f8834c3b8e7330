#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <string>

#include "cli/console.h"
#include "cli/display_text.h"

namespace tolzeb::cli {
namespace {

// One standard stream, written the way the C runtime's text modes would: UTF-16 to a console,
// UTF-8 to anything else, "\n" as CR LF in both.
class WindowsStream {
 public:
  explicit WindowsStream(DWORD which) : handle_(GetStdHandle(which)) {
    DWORD mode = 0;
    usable_ = handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE;
    isConsole_ = usable_ && GetConsoleMode(handle_, &mode);
  }

  void write(std::wstring_view text) {
    if (!usable_ || text.empty()) return;
    const std::wstring lines = withCrLf(text);
    if (isConsole_) {
      writeConsole(lines);
    } else {
      writeBytes(displayUtf8(lines));
    }
  }

 private:
  static constexpr size_t kConsolePiece = 8192;

  void writeConsole(const std::wstring& text) {
    size_t done = 0;
    while (done < text.size()) {
      size_t piece = std::min(kConsolePiece, text.size() - done);
      // Keep a surrogate pair within one call.
      if (done + piece < text.size() && text[done + piece - 1] >= 0xD800 && text[done + piece - 1] <= 0xDBFF) {
        --piece;
      }
      DWORD written = 0;
      if (!WriteConsoleW(handle_, text.data() + done, DWORD(piece), &written, nullptr) || written == 0) return;
      done += written;
    }
  }

  void writeBytes(const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
      DWORD written = 0;
      const DWORD piece = DWORD(std::min<size_t>(bytes.size() - done, 1u << 20));
      if (!WriteFile(handle_, bytes.data() + done, piece, &written, nullptr) || written == 0) return;
      done += written;
    }
  }

  HANDLE handle_ = nullptr;
  bool usable_ = false;
  bool isConsole_ = false;
};

// Standard output is collected and written in large pieces; standard error goes out at once,
// after what standard output holds, so the two keep their order in a shared console.
class WindowsConsole final : public Console {
 public:
  void writeOut(std::wstring_view text) override {
    pending_.append(text);
    if (pending_.size() >= kFlushThreshold) flush();
  }
  void writeErr(std::wstring_view text) override {
    flush();
    err_.write(text);
  }
  void flush() override {
    out_.write(pending_);
    pending_.clear();
  }

 private:
  static constexpr size_t kFlushThreshold = 32 << 10;
  WindowsStream out_{STD_OUTPUT_HANDLE};
  WindowsStream err_{STD_ERROR_HANDLE};
  std::wstring pending_;
};

}  // namespace

Console& processConsole() {
  static WindowsConsole console;
  return console;
}

Result<std::vector<std::wstring>> programArguments(int, char**) {
  int count = 0;
  LPWSTR* words = CommandLineToArgvW(GetCommandLineW(), &count);
  if (words == nullptr) return makeFailure(StatusCode::general, L"Cannot read the command line");
  std::vector<std::wstring> arguments;
  for (int i = 1; i < count; ++i) arguments.emplace_back(words[i]);
  LocalFree(words);
  return arguments;
}

}  // namespace tolzeb::cli
