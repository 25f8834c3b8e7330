// A function of a system library looked up by name at run time, so that the program still starts
// on a Windows that lacks it and only the feature that needs it says so.
#pragma once

#include <windows.h>

namespace tolzeb::ui {

// Null when the library is missing or does not export `name`.
template <typename Function>
Function systemFunction(HMODULE module, const char* name) {
  if (!module) return nullptr;
  return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

}  // namespace tolzeb::ui
