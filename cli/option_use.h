// Which options each command puts to use. An option that a command has no use for is refused, not ignored: whoever
// typed it expected it to do something.
#pragma once

#include <string>
#include <string_view>

#include "cli/command_line.h"
#include "formats/archive_kind.h"

namespace tolzeb::cli {

// The refusal of "--kdf-iterations" for a new archive that gets no password.
inline constexpr const wchar_t* kWorkFactorWithoutPassword =
    L"--kdf-iterations sets the work factor of a password, and this archive gets none. Add --encrypt, or leave it out.";

// The first option of the line that its command does not use, in its main spelling; empty when every option is used or
// the command word is unknown. "--threads", "--memory", "--quiet" and "--help" set how a run works rather than what it
// does, and every command takes them.
std::wstring optionUnusedByCommand(const CommandLine& line);

// For a new archive of `kind`: the refusal of the first option given that only a .zeb can carry, or empty. Encryption
// is not among them: it has a refusal of its own.
std::wstring optionTheFormatCannotCarry(const CommandLine& line, ArchiveKind kind, std::wstring_view kindName);

}  // namespace tolzeb::cli
