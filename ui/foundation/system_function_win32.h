// A function of a system library looked up by name at run time, so that the program still starts
// on a Windows that lacks it and only the feature that needs it says so.
#pragma once

#include <windows.h>

namespace tolzeb::ui {

// A library of the system folder, never one planted beside the program; the one already loaded
// when there is one. Null when missing.
inline HMODULE systemLibrary(const wchar_t* name) {
  if (HMODULE loaded = GetModuleHandleW(name)) return loaded;
  return LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
}

// Null when the library is missing or does not export `name`.
template <typename Function>
Function systemFunction(HMODULE module, const char* name) {
  if (!module) return nullptr;
  return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

}  // namespace tolzeb::ui
