#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <stdexcept>
#include <string>

#include "engine/core/fs.h"
#include "engine/core/text.h"
#include "support/temp_folder.h"

namespace tolzeb::testing {
namespace {

std::string utf8(const std::wstring& path) {
  Result<std::vector<uint8_t>> bytes = utf16ToUtf8(path);
  return bytes.failed() ? std::string() : std::string(bytes->begin(), bytes->end());
}

void removeOne(const FileInfo& item) {
  const std::string location = utf8(item.path);
  if (item.isDirectory && !item.isReparsePoint) {
    ::rmdir(location.c_str());
  } else {
    ::unlink(location.c_str());
  }
}

}  // namespace

TempFolder::TempFolder() {
  const char* base = std::getenv("TMPDIR");
  std::string pattern = std::string(base && *base ? base : "/tmp") + "/tolzeb-test-XXXXXX";
  if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  Result<std::wstring> wide = utf8ToUtf16(reinterpret_cast<const uint8_t*>(pattern.data()), pattern.size());
  if (wide.failed()) throw std::runtime_error("temporary folder name is not UTF-8");
  Result<std::wstring> full = fullPath(*wide);
  if (full.failed()) throw std::runtime_error("cannot resolve the temporary folder");
  path_ = *full;
}

TempFolder::~TempFolder() { removeTree(path_); }

void removeTree(const std::wstring& path) {
  Result<std::vector<FileInfo>> items = enumerateTree(path);
  if (items.failed()) return;
  // Listed parents come before their contents, so the reverse order empties each folder first.
  for (auto it = items->rbegin(); it != items->rend(); ++it) removeOne(*it);
  Result<FileInfo> root = statPath(path);
  if (root.hasValue() && root->isDirectory && !root->isReparsePoint) ::rmdir(utf8(path).c_str());
}

}  // namespace tolzeb::testing
