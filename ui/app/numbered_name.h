// The numbering rule for names that are taken: "Photos.zeb" becomes "Photos (2).zeb".
#pragma once

#include <cstdint>
#include <string>

namespace tolzeb::ui {

// n of 0 or 1: the name unchanged; otherwise " (n)" before the last '.' of the name when that
// '.' is not its first character, else at the end: Photos.zeb, 2 -> Photos (2).zeb.
std::wstring numberedName(const std::wstring& name, uint64_t n);

}  // namespace tolzeb::ui
