// The library as a COM server: its module handle, the count of live objects that decides when
// Explorer may unload it, its one class id, and the entry points behind the exports.
#pragma once

#include <windows.h>
#include <unknwn.h>

namespace tolzeb::shell {

// The one class this library serves; the package manifest names the same id.
// {6B1E2C57-3A0D-4F8E-9C21-7D54A8B0E913}
inline constexpr CLSID kClassId = {0x6b1e2c57, 0x3a0d, 0x4f8e, {0x9c, 0x21, 0x7d, 0x54, 0xa8, 0xb0, 0xe9, 0x13}};

HMODULE moduleHandle();
void setModuleHandle(HMODULE module);

// Raised by every object's construction and LockServer(TRUE), lowered by their opposites.
void raiseObjectCount();
void lowerObjectCount();
LONG objectCount();

HRESULT getClassObject(REFCLSID classId, REFIID interfaceId, void** out);
HRESULT canUnloadNow();

// The AddRef every object of the library shares.
inline ULONG addReference(LONG& count) { return ULONG(InterlockedIncrement(&count)); }

}  // namespace tolzeb::shell
