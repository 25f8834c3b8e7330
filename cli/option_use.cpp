#include "cli/option_use.h"

#include <algorithm>
#include <span>

namespace tolzeb::cli {
namespace {

using Options = std::span<const std::wstring_view>;

constexpr std::wstring_view kGeneralOptions[] = {L"--threads", L"--memory", L"--quiet", L"--help"};

constexpr std::wstring_view kCreateOptions[] = {
    L"-o",         L"--mode",       L"--chunk",         L"--verify",  L"--no-verify",      L"--integrity",
    L"--recovery", L"--dictionary", L"--no-dictionary", L"--encrypt", L"--password-stdin", L"--kdf-iterations",
    L"--format"};
constexpr std::wstring_view kIncrementalOptions[] = {L"--base", L"--deep"};
constexpr std::wstring_view kExtractOptions[] = {L"-o", L"--overwrite", L"--no-times", L"--no-attrs",
                                                 L"--password-stdin"};
constexpr std::wstring_view kReadOptions[] = {L"--password-stdin"};
constexpr std::wstring_view kProtectOptions[] = {L"--recovery"};
constexpr std::wstring_view kSplitOptions[] = {L"--part-size"};
constexpr std::wstring_view kMergeOptions[] = {L"-o"};
constexpr std::wstring_view kCompareOptions[] = {L"--password-stdin", L"--deep"};

bool contains(Options options, std::wstring_view option) {
  return std::find(options.begin(), options.end(), option) != options.end();
}

struct CommandOptions {
  std::wstring_view word;
  Options used;
  Options alsoUsed;
};

const CommandOptions kCommands[] = {
    {L"c", kCreateOptions, {}},
    {L"inc", kCreateOptions, kIncrementalOptions},
    {L"x", kExtractOptions, {}},
    {L"l", kReadOptions, {}},
    {L"t", kReadOptions, {}},
    {L"v", kReadOptions, {}},
    {L"protect", kProtectOptions, {}},
    {L"scan", {}, {}},
    {L"repair", {}, {}},
    {L"split", kSplitOptions, {}},
    {L"merge", kMergeOptions, {}},
    {L"cmp", kCompareOptions, {}},
    {L"dup", kReadOptions, {}},
};

// What each option asks of the new archive, for the options only a .zeb can carry.
struct ZebOnlyOption {
  std::wstring_view option;
  std::wstring_view request;
};

constexpr ZebOnlyOption kZebOnlyOptions[] = {
    {L"--chunk", L"sets the block size of a .zeb"},
    {L"--integrity", L"sets the per-block checks of a .zeb"},
    {L"--recovery", L"adds a recovery record, which only a .zeb carries"},
    {L"--dictionary", L"builds a shared dictionary, which only a .zeb carries"},
    {L"--kdf-iterations", L"sets the work factor of a .zeb's password"},
};

}  // namespace

std::wstring optionUnusedByCommand(const CommandLine& line) {
  for (const CommandOptions& command : kCommands) {
    if (command.word != line.command) continue;
    for (const std::wstring& option : line.given) {
      if (!contains(kGeneralOptions, option) && !contains(command.used, option) &&
          !contains(command.alsoUsed, option)) {
        return option;
      }
    }
    return {};
  }
  return {};
}

std::wstring optionTheFormatCannotCarry(const CommandLine& line, ArchiveKind kind, std::wstring_view kindName) {
  if (kind == ArchiveKind::zeb) return {};
  for (const ZebOnlyOption& zebOnly : kZebOnlyOptions) {
    if (!line.wasGiven(zebOnly.option)) continue;
    return std::wstring(zebOnly.option) + L" " + std::wstring(zebOnly.request) + L"; a " + std::wstring(kindName) +
           L" archive cannot carry it. Leave it out, or write a .zeb.";
  }
  return {};
}

}  // namespace tolzeb::cli
