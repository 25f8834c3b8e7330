#include "support/temp_folder.h"

#include <algorithm>

#include "engine/core/fs.h"

namespace tolzeb::testing {

std::wstring TempFolder::operator/(const std::wstring& relative) const {
  std::wstring native = relative;
  std::replace(native.begin(), native.end(), L'/', kPathSeparator);
  return joinPath(path_, native);
}

}  // namespace tolzeb::testing
