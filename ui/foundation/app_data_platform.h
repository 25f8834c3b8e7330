// The system's name for the user's local application data folder.
#pragma once

#include <string>

namespace tolzeb::ui::platform {

// SHGetKnownFolderPath(FOLDERID_LocalAppData) on Windows; $XDG_DATA_HOME, else $HOME/.local/share,
// on POSIX. Empty when it cannot be obtained.
std::wstring knownLocalAppDataFolder();

}  // namespace tolzeb::ui::platform
