// The pieces of the Explorer extension that need no system: the job file image, the archive-name
// test and the command-line quoting. They build on every platform so their tables test natively.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ui/app/shell_job.h"

namespace tolzeb::shell {

// The job file's bytes; false when the job breaks the format's limits (operation, path count,
// path lengths, total size).
bool serializeShellJob(const ShellJob& job, std::vector<uint8_t>& bytes);

// Whether the name after the last separator ends in ".zeb", ".zip", ".7z", ".tar", ".tgz" or
// ".tar.gz" (any case) with something before the ending. By name alone.
bool isArchiveName(const std::wstring& path);

// One argument quoted so that CommandLineToArgvW gives it back unchanged.
std::wstring quoteArgument(const std::wstring& argument);

// The job file name for 16 random bytes: 32 lower-case hexadecimal digits and ".tzjob".
std::wstring jobFileNameFromBytes(const uint8_t (&bytes)[16]);

}  // namespace tolzeb::shell
