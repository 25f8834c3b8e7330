// Reading shell job files. Every field is checked: the file is untrusted, and no partial job is
// ever handed out. Failures are one English sentence without a final stop, shown inside the
// localised "could not read the request" text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "ui/app/shell_job.h"

namespace tolzeb::shell {

// Checks a complete file image. Only on success are the job's operation and paths set; on
// failure `message` names the first fault and the job is left with operation 0 and no paths.
bool parseShellJob(const uint8_t* data, size_t size, ShellJob& job, std::wstring& message);

// Whether `path` names a job file the program may read and delete: a regular file (not a folder
// or link) directly in `jobFolder`, whose name is 32 lower-case hexadecimal digits and ".tzjob".
// Any other path could be someone's document, handed over by a command line or a window message.
bool isShellJobFilePath(const std::wstring& path, const std::wstring& jobFolder);

// Reads the job file at `path`, deletes it, and parses it. A path that is not a job file of
// `jobFolder`, or a file that cannot be opened, fails with "the job file could not be opened"
// and is left alone; every file that could be opened is deleted, whatever it held.
bool readShellJobFile(const std::wstring& path, const std::wstring& jobFolder, ShellJob& job, std::wstring& message);

}  // namespace tolzeb::shell
