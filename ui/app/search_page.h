// The search page: the recorded archives whose paths hold the typed text, and after Enter the
// entries found inside them (paintSearchPage is declared with the other page painters).
#pragma once

#include <string>

namespace tolzeb::ui {

// The part of `path` after its last backslash, or the whole path when that part is empty.
std::wstring fileNameOf(const std::wstring& path);

}  // namespace tolzeb::ui
