// Where the graphical program keeps its own files: the "TOLZEB" folder of the user's local
// application data folder (FOLDERID_LocalAppData on Windows).
#pragma once

#include <optional>
#include <string>

namespace tolzeb::ui {

// The user's local application data folder; empty when the system cannot name it.
std::wstring localAppDataFolder();

// <local application data>\TOLZEB\<fileName>; empty when the folder is not available, and then
// nothing is read or written.
std::wstring programDataFilePath(const std::wstring& fileName);

// Lets tests put the data folder somewhere of their own (an empty text stands for "not available");
// std::nullopt restores the real one.
void setLocalAppDataForTesting(std::optional<std::wstring> folder);

}  // namespace tolzeb::ui
