#include <sys/stat.h>

#include <optional>

#include "engine/core/file_identity.h"
#include "engine/core/text.h"

namespace tolzeb {
namespace {

struct Identity {
  dev_t device;
  ino_t inode;
};

std::optional<Identity> identityOf(const std::wstring& path) {
  const Result<std::vector<uint8_t>> bytes = utf16ToUtf8(path);
  if (bytes.failed()) return std::nullopt;
  const std::string location(bytes->begin(), bytes->end());
  struct stat info {};
  if (::stat(location.c_str(), &info) != 0) return std::nullopt;
  return Identity{info.st_dev, info.st_ino};
}

}  // namespace

bool sameFile(const std::wstring& first, const std::wstring& second) {
  const std::optional<Identity> a = identityOf(first);
  if (!a) return false;
  const std::optional<Identity> b = identityOf(second);
  return b && a->device == b->device && a->inode == b->inode;
}

}  // namespace tolzeb
