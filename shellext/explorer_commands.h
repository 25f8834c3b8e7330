// The objects Explorer builds its context menu from: the cascading root entry "TOLZEB", its four
// commands, and the enumerator that hands them out.
#pragma once

#include <windows.h>
#include <shobjidl.h>

#include <array>
#include <cstdint>

namespace tolzeb::shell {

struct CommandRow {
  uint32_t id;  // the ShellOperation of the job it produces
  GUID canonical;
  const wchar_t* title;
  const wchar_t* tooltip;
  uint32_t icon;  // icon group resource of this library
};

inline constexpr uint32_t kRootIcon = 101;
// {0F3C9A2E-5B71-4D86-A4E0-2C9D81F6B7A5}
inline constexpr GUID kRootCanonicalName = {0x0f3c9a2e, 0x5b71, 0x4d86, {0xa4, 0xe0, 0x2c, 0x9d, 0x81, 0xf6, 0xb7, 0xa5}};
extern const std::array<CommandRow, 4> kCommandRows;

// Items looked at when Explorer only asks whether to show a command.
inline constexpr uint64_t kStateItemLimit = 64;

// A new root command queried for `interfaceId`; refused ids destroy it again.
HRESULT createRootCommand(REFIID interfaceId, void** out);
// A new enumerator of the four commands at position 0.
HRESULT createCommandEnumerator(IEnumExplorerCommand** out);
// A SHStrDupW copy of "<this library's path>,-<id>".
HRESULT iconLocation(uint32_t id, LPWSTR* out);

}  // namespace tolzeb::shell
