#include "cli/command_line.h"

#include "engine/core/bytes.h"

namespace tolzeb::cli {
namespace {

constexpr const wchar_t* kPasswordOnCommandLine =
    L"A password must not be passed on the command line: the full command line of a running process "
    L"is readable by other processes under the same account, and shells keep it in their history. "
    L"Use --password-stdin, or leave it off and type it when prompted.";

bool isAsciiDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

// The blanks the C library's isspace accepts in the "C" locale.
bool isBlank(wchar_t c) { return c == L' ' || (c >= L'\t' && c <= L'\r'); }

bool startsWith(std::wstring_view text, std::wstring_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

// "--password=x", "--pass=x" and "-px" are refused like the bare spellings: echoing them back
// in an "Unknown option" message would print the secret.
bool isPasswordOption(const std::wstring& argument) {
  if (argument == L"--password" || argument == L"-p" || argument == L"--pass") return true;
  return startsWith(argument, L"--password=") || startsWith(argument, L"--pass=") ||
         (startsWith(argument, L"-p") && !startsWith(argument, L"--"));
}

// Leading ASCII digits as a number, saturating; the count of digits read goes to `digits`.
uint64_t leadingDecimal(std::wstring_view text, size_t& digits) {
  uint64_t value = 0;
  digits = 0;
  while (digits < text.size() && isAsciiDigit(text[digits])) {
    const uint64_t digit = uint64_t(text[digits] - L'0');
    if (value > (UINT64_MAX - digit) / 10) {
      value = UINT64_MAX;
    } else if (value != UINT64_MAX) {
      value = value * 10 + digit;
    }
    ++digits;
  }
  return value;
}

Result<uint32_t> parseThreads(const std::wstring& value) {
  if (value == L"auto") return uint32_t(0);
  size_t digits = 0;
  const uint64_t count = leadingDecimal(value, digits);
  if (digits == 0 || digits != value.size() || count < 1 || count > kMaxThreads) {
    return argumentRefusal(L"--threads must be 'auto' or 1..4096");
  }
  return uint32_t(count);
}

Result<uint32_t> parseRecovery(const std::wstring& value) {
  size_t digits = 0;
  const uint64_t percent = leadingDecimal(value, digits);  // what follows the digits is ignored
  if (digits == 0 || percent < 1 || percent > kMaxRecoveryPercent) {
    return argumentRefusal(L"--recovery takes a percentage from 1 to 30");
  }
  return uint32_t(percent);
}

Result<uint32_t> parseChunk(const std::wstring& value) {
  const std::optional<uint64_t> size = parseSize(value);
  if (!size) return argumentRefusal(L"Bad --chunk value: " + value);
  if (*size < kMinChunkSize || *size > kMaxChunkSize) return argumentRefusal(L"--chunk must be between 256K and 4M");
  return uint32_t(*size);
}

Result<uint64_t> parseMemory(const std::wstring& value) {
  const std::optional<uint64_t> size = parseSize(value);
  if (!size) return argumentRefusal(L"Bad --memory value: " + value);
  if (*size < kMinMemoryBudget) return argumentRefusal(L"--memory must be at least 128M");
  return *size;
}

Result<uint64_t> parsePartSize(const std::wstring& value) {
  const std::optional<uint64_t> size = parseSize(value);
  if (!size || *size < kMinPartSize) return argumentRefusal(L"--part-size must be at least 64K");
  return *size;
}

Result<uint32_t> parseKdfIterations(const std::wstring& value) {
  const std::optional<uint64_t> count = parseSize(value);
  if (!count || *count < kMinKdfIterations || *count > kMaxKdfIterations) {
    return argumentRefusal(L"--kdf-iterations must be between " + decimal(kMinKdfIterations) + L" and " +
                   decimal(kMaxKdfIterations));
  }
  return uint32_t(*count);
}

Result<CompressionMode> parseMode(const std::wstring& value) {
  if (value == L"lightning") return CompressionMode::lightning;
  if (value == L"balanced") return CompressionMode::balanced;
  if (value == L"compact") return CompressionMode::compact;
  return argumentRefusal(L"Unknown mode: " + value);
}

Result<OverwritePolicy> parseOverwrite(const std::wstring& value) {
  if (value == L"fail") return OverwritePolicy::fail;
  if (value == L"skip") return OverwritePolicy::skip;
  if (value == L"overwrite") return OverwritePolicy::overwrite;
  return argumentRefusal(L"Unknown overwrite policy: " + value);
}

Result<bool> parseIntegrity(const std::wstring& value) {
  if (value == L"full") return true;
  if (value == L"crc") return false;
  return argumentRefusal(L"--integrity must be 'full' or 'crc'");
}

Result<std::wstring> parseFormat(const std::wstring& value) {
  for (const wchar_t* word : {L"zeb", L"zip", L"7z", L"tar", L"tar.gz", L"tgz"}) {
    if (value == word) return value;
  }
  return argumentRefusal(L"--format must be one of: zeb, zip, 7z, tar, tar.gz");
}

// Sets the flag an argument names; false when it names none.
bool applyFlag(const std::wstring& argument, CommandLine& line) {
  if (argument == L"--verify") {
    line.compression.verifyAfterWrite = true;
  } else if (argument == L"--no-verify") {
    line.compression.verifyAfterWrite = false;
  } else if (argument == L"--dictionary") {
    line.compression.useDictionary = true;
  } else if (argument == L"--no-dictionary") {
    line.compression.useDictionary = false;
  } else if (argument == L"--no-times") {
    line.extract.restoreTimes = false;
  } else if (argument == L"--no-attrs") {
    line.extract.restoreAttributes = false;
  } else if (argument == L"--quiet") {
    line.quiet = true;
  } else if (argument == L"--deep") {
    line.deep = true;
  } else if (argument == L"--encrypt") {
    line.encrypt = true;
  } else if (argument == L"--password-stdin") {
    line.passwordStdin = true;
  } else if (argument == L"--help") {
    line.help = true;
  } else {
    return false;
  }
  return true;
}

// Applies a value-taking option; false in `known` when the argument names none.
Status applyValueOption(ArgumentCursor& cursor, CommandLine& line, bool& known) {
  const std::wstring argument = cursor.arguments[cursor.index];
  known = true;
  if (argument == L"-o" || argument == L"--output") {
    TOLZEB_ASSIGN_OR_RETURN(line.output, takeValue(cursor, L"-o"));
  } else if (argument == L"--mode") {
    TOLZEB_ASSIGN_OR_RETURN(const std::wstring value, takeValue(cursor, argument));
    TOLZEB_ASSIGN_OR_RETURN(line.compression.mode, parseMode(value));
  } else if (argument == L"--chunk") {
    TOLZEB_ASSIGN_OR_RETURN(const std::wstring value, takeValue(cursor, argument));
    TOLZEB_ASSIGN_OR_RETURN(line.compression.chunkSize, parseChunk(value));
  } else if (argument == L"--threads") {
    TOLZEB_ASSIGN_OR_RETURN(const std::wstring value, takeValue(cursor, argument));
    TOLZEB_ASSIGN_OR_RETURN(const uint32_t threads, parseThreads(value));
    line.compression.threads = line.extract.threads = line.checkThreads = threads;
  } else if (argument == L"--memory") {
    TOLZEB_ASSIGN_OR_RETURN(const std::wstring value, takeValue(cursor, argument));
    TOLZEB_ASSIGN_OR_RETURN(const uint64_t memory, parseMemory(value));
    line.compression.memoryBudget = line.extract.memoryBudget = line.checkMemory = memory;
  } else if (argument == L"--integrity") {
    TOLZEB_ASSIGN_OR_RETURN(const std::wstring value, takeValue(cursor, argument));
    TOLZEB_ASSIGN_OR_RETURN(line.compression.chunkHashes, parseIntegrity(value));
  } else if (argument == L"--overwrite") {
    TOLZEB_ASSIGN_OR_RETURN(const std::wstring value, takeValue(cursor, argument));
    TOLZEB_ASSIGN_OR_RETURN(line.extract.overwrite, parseOverwrite(value));
  } else if (argument == L"--recovery") {
    TOLZEB_ASSIGN_OR_RETURN(const std::wstring value, takeValue(cursor, argument));
    TOLZEB_ASSIGN_OR_RETURN(line.recoveryPercent, parseRecovery(value));
  } else if (argument == L"--format") {
    TOLZEB_ASSIGN_OR_RETURN(const std::wstring value, takeValue(cursor, argument));
    TOLZEB_ASSIGN_OR_RETURN(line.format, parseFormat(value));
  } else if (argument == L"--part-size") {
    TOLZEB_ASSIGN_OR_RETURN(const std::wstring value, takeValue(cursor, argument));
    TOLZEB_ASSIGN_OR_RETURN(line.partSize, parsePartSize(value));
  } else if (argument == L"--base") {
    TOLZEB_ASSIGN_OR_RETURN(line.base, takeValue(cursor, argument));
  } else if (argument == L"--kdf-iterations") {
    TOLZEB_ASSIGN_OR_RETURN(const std::wstring value, takeValue(cursor, argument));
    TOLZEB_ASSIGN_OR_RETURN(line.compression.kdfIterations, parseKdfIterations(value));
  } else {
    known = false;
  }
  return Status();
}

void noteGiven(CommandLine& line, const std::wstring& argument) {
  const std::wstring option = argument == L"--output" ? std::wstring(L"-o") : argument;
  if (!line.wasGiven(option)) line.given.push_back(option);
}

}  // namespace

bool CommandLine::wasGiven(std::wstring_view option) const {
  for (const std::wstring& name : given) {
    if (name == option) return true;
  }
  return false;
}

Result<std::wstring> takeValue(ArgumentCursor& cursor, const std::wstring& optionName) {
  if (cursor.index + 1 >= cursor.arguments.size()) return argumentRefusal(optionName + L" requires a value");
  ++cursor.index;
  return cursor.arguments[cursor.index];
}

std::optional<uint64_t> parseSize(std::wstring_view text) {
  if (text.empty()) return std::nullopt;
  size_t pos = 0;
  while (pos < text.size() && isBlank(text[pos])) ++pos;
  bool negative = false;
  if (pos < text.size() && (text[pos] == L'+' || text[pos] == L'-')) {
    negative = text[pos] == L'-';
    ++pos;
  }
  size_t digits = 0;
  uint64_t value = leadingDecimal(text.substr(pos), digits);
  if (digits == 0) return std::nullopt;
  // Saturation wins over the sign, as in the C library.
  if (negative && value != UINT64_MAX) value = 0 - value;

  const std::wstring_view suffix = text.substr(pos + digits);
  uint64_t multiplier = 1;
  if (suffix.empty()) {
    multiplier = 1;
  } else if (suffix == L"K" || suffix == L"k" || suffix == L"KiB") {
    multiplier = 1ull << 10;
  } else if (suffix == L"M" || suffix == L"m" || suffix == L"MiB") {
    multiplier = 1ull << 20;
  } else if (suffix == L"G" || suffix == L"g" || suffix == L"GiB") {
    multiplier = 1ull << 30;
  } else {
    return std::nullopt;
  }
  return checkedMul(value, multiplier);
}

Result<CommandLine> parseCommandLine(const std::vector<std::wstring>& arguments) {
  CommandLine line;
  if (arguments.empty()) {
    line.help = true;
    return line;
  }
  line.command = arguments[0];
  if (line.command == L"--help" || line.command == L"-h" || line.command == L"/?") {
    line.help = true;
    return line;
  }

  ArgumentCursor cursor{arguments, 1};
  for (; cursor.index < arguments.size(); ++cursor.index) {
    const std::wstring& argument = arguments[cursor.index];
    if (isPasswordOption(argument)) return argumentRefusal(kPasswordOnCommandLine);
    if (applyFlag(argument, line)) {
      noteGiven(line, argument);
      continue;
    }
    bool known = false;
    TOLZEB_TRY(applyValueOption(cursor, line, known));
    if (known) {
      noteGiven(line, argument);
      continue;
    }
    if (!argument.empty() && argument[0] == L'-') return argumentRefusal(L"Unknown option: " + argument);
    line.inputs.push_back(argument);
  }
  return line;
}

}  // namespace tolzeb::cli
