// Stand-ins for the world outside a zeb command: a console that records, an engine whose answers
// a test sets, password readers that hand out prepared answers, and a settable clock.
#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "cli/console.h"
#include "cli/environment.h"
#include "cli/password.h"
#include "formats/engine_calls.h"
#include "support/utf8_text.h"

namespace tolzeb::cli::testing {

class RecordingConsole final : public Console {
 public:
  void writeOut(std::wstring_view text) override { out.append(text); }
  void writeErr(std::wstring_view text) override { err.append(text); }
  void flush() override {}

  std::wstring out;
  std::wstring err;
};

// A command line for a failure message, each argument in brackets.
inline std::string argsText(const std::vector<std::wstring>& args) {
  std::string line;
  for (const std::wstring& arg : args) line += "[" + tolzeb::testing::utf8Of(arg) + "]";
  return line;
}

inline SecureBytes bytesOf(const std::string& text) { return SecureBytes(text.data(), text.size()); }

inline std::string textOf(const SecureBytes& bytes) {
  return bytes.empty() ? std::string() : std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

inline std::string textOf(const Password& password) { return password ? textOf(*password) : std::string("<none>"); }

// Everything a command may call, with what each call saw.
struct FakeWorld {
  RecordingConsole console;
  EngineCalls engine;
  PasswordReaders passwords;
  uint64_t now = 1000;

  std::deque<Result<SecureBytes>> consoleAnswers;
  std::vector<std::wstring> prompts;
  std::deque<Result<SecureBytes>> stdinAnswers;
  int stdinReads = 0;

  // What the engine was handed.
  std::vector<std::wstring> calls;
  CompressionOptions createdWith;
  ExtractOptions extractedWith;
  Password passwordSeen;
  uint32_t threadsSeen = 0;
  uint64_t memorySeen = 0;
  int32_t levelSeen = -1;
  bool gzipSeen = false;
  uint64_t solidBlockSeen = 0;
  bool deepSeen = false;

  // What the engine answers.
  Result<ArchiveStats> stats = ArchiveStats{};
  Result<RecoveryReport> recovery = RecoveryReport{};
  Result<ArchiveKind> kind = ArchiveKind::zeb;
  Result<bool> encrypted = false;
  Result<ArchiveListing> listing = ArchiveListing{};
  Result<SplitResult> split = SplitResult{};
  Result<MergeResult> merge = MergeResult{};
  Result<CompareResult> comparison = CompareResult{};
  Result<DuplicateReport> duplicates = DuplicateReport{};
  Result<std::vector<EntryHash>> entryHashes = std::vector<EntryHash>{};
  std::function<Result<Sha256Digest>(const std::wstring& file)> fileHash;  // empty: hashing is not expected
  std::vector<Progress> progressReports;  // sent to the callback during each long call

  FakeWorld();
  Environment environment() { return Environment{console, engine, passwords, [this] { return now; }}; }

 private:
  void report(const ProgressCallback& progress);
};

}  // namespace tolzeb::cli::testing
