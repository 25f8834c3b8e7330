// Passwords for zeb: typed at the console with echo off, or read from standard input. Never from
// the command line. Every password leaves here as UTF-8 bytes in SecureBytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "cli/command_line.h"
#include "engine/core/secure_bytes.h"
#include "engine/core/status.h"
#include "formats/engine_calls.h"

namespace tolzeb::cli {

inline constexpr size_t kMaxTypedPasswordUnits = 1024;
inline constexpr size_t kStdinReadSize = 512;
inline constexpr size_t kMaxStdinPasswordBytes = 4096;

// Where passwords come from; the process's console and standard input, or a test's stand-ins.
struct PasswordReaders {
  std::function<Result<SecureBytes>(const std::wstring& prompt)> console;
  std::function<Result<SecureBytes>()> standardInput;
};

const PasswordReaders& systemPasswordReaders();

// For an archive about to be written: typed twice, and both must match.
Result<SecureBytes> promptNewPassword(const PasswordReaders& readers);

// For an archive about to be read: null when none is needed. With --password-stdin standard input
// is read whatever the archive; otherwise a console prompt only for an encrypted .zeb.
Result<Password> passwordForOpening(const CommandLine& line, const std::wstring& archive,
                                    const EngineCalls& engine, const PasswordReaders& readers);

// The UTF-8 form of typed text. The text is wiped and emptied whatever the outcome.
Result<SecureBytes> toSecureUtf8(std::wstring& text);

// One typed UTF-16 unit, or nothing once input has ended or a read has failed.
using NextTypedUnit = std::function<std::optional<wchar_t>()>;

// One typed line: CR is ignored, LF ends it, backspace erases the last unit, and at most 1024
// units are kept. What is typed past that is read to the end of the line and dropped, so that
// none of it is left for the next reader of the console (the shell, once zeb exits).
std::wstring collectTypedText(const NextTypedUnit& next);

// The password of a typed line: an empty one is refused. The text is wiped.
Result<SecureBytes> typedPassword(std::wstring& text);

// One read of at most `capacity` bytes: the count, 0 at the end of input, or a failure.
using ReadChunk = std::function<Result<size_t>(uint8_t* buffer, size_t capacity)>;

// The first line of standard input, with the carriage returns at its end removed; the bytes are
// taken as they are. Reads 512 bytes at a time and refuses more than 4096 in all. When the input
// is a console, the rest of a refused line is read and dropped, so the shell does not get it.
Result<SecureBytes> passwordFromReads(const ReadChunk& read, bool fromConsole = false);

}  // namespace tolzeb::cli
