// Writes the program's own path and version text, as UTF-8 lines, to the file named by its one
// argument, so a test can run it from a folder of its choosing.
#include <windows.h>

#include <string>

#include "engine/core/fs.h"
#include "engine/core/text.h"
#include "ui/foundation/program_info.h"

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) return 2;
  tolzeb::Result<std::vector<uint8_t>> bytes =
      tolzeb::utf16ToUtf8(tolzeb::ui::executablePath() + L"\n" + tolzeb::ui::versionText() + L"\n");
  if (bytes.failed()) return 3;
  tolzeb::Result<tolzeb::UniqueHandle> file = tolzeb::openForWrite(argv[1], false);
  if (file.failed()) return 4;
  return file->writeAll(bytes->data(), bytes->size()).failed() ? 5 : 0;
}
