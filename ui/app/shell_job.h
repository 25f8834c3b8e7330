// The shell job: what the Explorer extension hands the graphical program, and the layout of the
// file that carries it. The extension writes the file; this program only reads it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tolzeb::shell {

enum class ShellOperation : uint32_t {
  Compress = 1,         // pack all paths into one new ".zeb" archive
  ExtractHere = 2,      // extract each archive into the folder it is in
  ExtractToFolder = 3,  // extract each archive into a new folder named after it
  TestArchive = 4,      // test each archive
};

struct ShellJob {
  uint32_t operation = 0;           // a ShellOperation value; 0 until a job was read
  std::vector<std::wstring> paths;  // full paths in the order of the selection
};

// The job file, all integers little-endian, no checksum:
//   0  8  signature "TZSHJOB" and a zero byte
//   8  4  version, 1
//  12  4  operation, 1 to 4
//  16  4  flags, 0
//  20  4  path count, 1 to 8192
//  24  8  two reserved words, 0
//  32     per path: a 4-byte length L in UTF-16 units (1 to 32767), then 2L bytes of UTF-16LE text
// The file ends right after the last path.
inline constexpr uint8_t kShellJobSignature[8] = {'T', 'Z', 'S', 'H', 'J', 'O', 'B', 0};
inline constexpr uint32_t kShellJobVersion = 1;
inline constexpr size_t kShellJobHeaderBytes = 32;
inline constexpr uint32_t kMinShellOperation = 1;
inline constexpr uint32_t kMaxShellOperation = 4;
inline constexpr uint32_t kMaxShellJobPaths = 8192;
inline constexpr uint32_t kMaxShellJobPathUnits = 32767;
inline constexpr uint64_t kMaxShellJobFileBytes = 8 * 1024 * 1024;

// Job files live in the "shelljobs" folder of the program's data folder, named by 32 lower-case
// hexadecimal digits and this extension.
inline constexpr wchar_t kShellJobFolderName[] = L"shelljobs";
inline constexpr wchar_t kShellJobExtension[] = L".tzjob";
inline constexpr size_t kShellJobNameDigits = 32;

}  // namespace tolzeb::shell
