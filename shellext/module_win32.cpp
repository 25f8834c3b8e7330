#include <new>

#include "shellext/explorer_commands.h"
#include "shellext/module.h"

namespace tolzeb::shell {
namespace {

HMODULE gModule = nullptr;
LONG gObjectCount = 0;

class ClassFactory final : public ComObject<IClassFactory, IID_IClassFactory> {
 public:
  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID interfaceId, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    return createRootCommand(interfaceId, out);
  }
  STDMETHODIMP LockServer(BOOL lock) override {
    if (lock)
      raiseObjectCount();
    else
      lowerObjectCount();
    return S_OK;
  }
};

}  // namespace

HMODULE moduleHandle() { return gModule; }
void setModuleHandle(HMODULE module) { gModule = module; }
void raiseObjectCount() { InterlockedIncrement(&gObjectCount); }
void lowerObjectCount() { InterlockedDecrement(&gObjectCount); }
LONG objectCount() { return InterlockedCompareExchange(&gObjectCount, 0, 0); }

HRESULT getClassObject(REFCLSID classId, REFIID interfaceId, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (!IsEqualCLSID(classId, kClassId)) return CLASS_E_CLASSNOTAVAILABLE;
  ClassFactory* factory = new (std::nothrow) ClassFactory();
  if (!factory) return E_OUTOFMEMORY;
  HRESULT result = factory->QueryInterface(interfaceId, out);
  factory->Release();  // a refused query destroys it again
  return result;
}

HRESULT canUnloadNow() { return objectCount() == 0 ? S_OK : S_FALSE; }

}  // namespace tolzeb::shell
