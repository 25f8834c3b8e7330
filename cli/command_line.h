// The arguments of one zeb run, parsed into one record the command handlers read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/core/status.h"
#include "engine/core/types.h"

namespace tolzeb::cli {

inline constexpr uint64_t kDefaultMemoryBudget = 512ull << 20;
inline constexpr uint64_t kMinMemoryBudget = 128ull << 20;
inline constexpr uint32_t kMaxThreads = 4096;
inline constexpr uint32_t kMaxRecoveryPercent = 30;
inline constexpr uint64_t kMinPartSize = 64ull << 10;

struct CommandLine {
  std::wstring command;
  std::vector<std::wstring> inputs;  // every argument that is neither an option nor its value
  std::wstring output;
  CompressionOptions compression;  // never holds a password: handlers set one in their copy
  ExtractOptions extract;          // likewise
  bool quiet = false;
  bool help = false;
  uint32_t checkThreads = 0;  // what the full test of a .zeb uses
  uint64_t checkMemory = kDefaultMemoryBudget;
  bool encrypt = false;
  bool passwordStdin = false;
  uint64_t partSize = 0;         // 0 = none given
  uint32_t recoveryPercent = 0;  // 0 = none
  bool deep = false;
  std::wstring base;
  std::wstring format;  // exactly as written
  // Every option given, once each, in the order first given and in its main spelling ("-o" for "--output"), so that a
  // command can refuse what it has no use for.
  std::vector<std::wstring> given;

  bool wasGiven(std::wstring_view option) const;
};

// Arguments the program cannot take: shown as they are, with exit code 2.
inline Failure argumentRefusal(std::wstring message) {
  return makeFailure(StatusCode::invalid_argument, std::move(message));
}

// `arguments` are the program's arguments without the program name. A refusal has code 2.
Result<CommandLine> parseCommandLine(const std::vector<std::wstring>& arguments);

// The position of the parser in the argument list.
struct ArgumentCursor {
  const std::vector<std::wstring>& arguments;
  size_t index = 0;  // the argument being examined
};

// The argument after the cursor, which it then points at; it may begin with '-'.
// Without one: code 2 "<optionName> requires a value".
Result<std::wstring> takeValue(ArgumentCursor& cursor, const std::wstring& optionName);

// A decimal count read the way the C library's wcstoull reads base 10 (blanks and a sign
// first; '-' negates modulo 2^64; too many digits saturate), optionally followed by one of
// K k KiB, M m MiB, G g GiB. Nothing else may follow. A product past 2^64-1 is refused rather
// than wrapped, so that a huge value cannot slip under a range check.
std::optional<uint64_t> parseSize(std::wstring_view text);

}  // namespace tolzeb::cli
