// The five Explorer menu switches as this library reads them: the graphical program writes them
// under HKCU "Software\TOLZEB\ShellMenu"; a switch is off only when its value is a REG_DWORD of
// 4 bytes holding 0.
#pragma once

#include <cstdint>

namespace tolzeb::shell {

struct MenuSettings {
  bool enabled = true;
  bool compress = true;
  bool extractHere = true;
  bool extractToFolder = true;
  bool testArchive = true;

  // Whether command `id` (1 to 4) may be shown and run.
  bool allows(uint32_t id) const;
};

MenuSettings readMenuSettings();
// The process-wide copy, read again when it is a second old: Explorer asks on every menu.
MenuSettings menuSettings();

}  // namespace tolzeb::shell
