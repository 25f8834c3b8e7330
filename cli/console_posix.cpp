#include <errno.h>
#include <string.h>
#include <unistd.h>

#include <string>

#include "cli/console.h"
#include "cli/display_text.h"
#include "engine/core/text.h"

namespace tolzeb::cli {
namespace {

// Writes every byte, retrying after signals; a stream that refuses more is given up on quietly,
// since there is nowhere left to report it.
void writeAllBytes(int fd, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    done += size_t(n);
  }
}

// Standard output is collected and written in large pieces (a listing may have millions of
// lines); standard error goes out at once, after what standard output holds, so the two keep
// their order on a shared terminal.
class PosixConsole final : public Console {
 public:
  void writeOut(std::wstring_view text) override {
    pending_ += displayUtf8(text);
    if (pending_.size() >= kFlushThreshold) flush();
  }
  void writeErr(std::wstring_view text) override {
    flush();
    writeAllBytes(STDERR_FILENO, displayUtf8(text));
  }
  void flush() override {
    writeAllBytes(STDOUT_FILENO, pending_);
    pending_.clear();
  }

 private:
  static constexpr size_t kFlushThreshold = 64 << 10;
  std::string pending_;
};

}  // namespace

Console& processConsole() {
  static PosixConsole console;
  return console;
}

Result<std::vector<std::wstring>> programArguments(int argc, char** argv) {
  std::vector<std::wstring> arguments;
  for (int i = 1; i < argc; ++i) {
    const size_t length = strlen(argv[i]);
    Result<std::wstring> text = utf8ToUtf16(reinterpret_cast<const uint8_t*>(argv[i]), length);
    if (text.failed()) return makeFailure(StatusCode::invalid_argument, text.failure().message);
    arguments.push_back(std::move(text).value());
  }
  return arguments;
}

}  // namespace tolzeb::cli
