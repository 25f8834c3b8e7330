// The library's entry points; everything else lives in the static part the tests link too.
#include "shellext/module.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    tolzeb::shell::setModuleHandle(module);
    DisableThreadLibraryCalls(module);
  }
  return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID classId, REFIID interfaceId, void** out) {
  return tolzeb::shell::getClassObject(classId, interfaceId, out);
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() { return tolzeb::shell::canUnloadNow(); }
