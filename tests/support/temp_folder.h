// A fresh folder under the system's temporary directory for one test, removed with everything
// in it when the test ends. Removal walks the tree through the file layer, so deep trees with
// long paths go too.
#pragma once

#include <string>

namespace tolzeb::testing {

class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  // Absolute, without a trailing separator.
  const std::wstring& path() const { return path_; }
  // The folder joined with a relative location written with '/'; turned into native separators.
  std::wstring operator/(const std::wstring& relative) const;

 private:
  std::wstring path_;
};

// Removes a file or a whole tree; links inside are removed, never followed. Test clean-up only.
void removeTree(const std::wstring& path);

}  // namespace tolzeb::testing
