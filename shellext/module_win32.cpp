#include "shellext/module.h"

#include <new>

#include "shellext/explorer_commands.h"

namespace tolzeb::shell {
namespace {

HMODULE gModule = nullptr;
LONG gObjectCount = 0;

class ClassFactory final : public IClassFactory {
 public:
  ClassFactory() { raiseObjectCount(); }
  ClassFactory(const ClassFactory&) = delete;
  ClassFactory& operator=(const ClassFactory&) = delete;

  STDMETHODIMP QueryInterface(REFIID interfaceId, void** out) override {
    if (!out) return E_POINTER;
    if (IsEqualIID(interfaceId, IID_IUnknown) || IsEqualIID(interfaceId, IID_IClassFactory)) {
      *out = static_cast<IClassFactory*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return addReference(references_); }
  STDMETHODIMP_(ULONG) Release() override {
    LONG left = InterlockedDecrement(&references_);
    if (left == 0) delete this;
    return ULONG(left);
  }
  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID interfaceId, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    return createRootCommand(interfaceId, out);
  }
  STDMETHODIMP LockServer(BOOL lock) override {
    if (lock) raiseObjectCount();
    else lowerObjectCount();
    return S_OK;
  }

 private:
  ~ClassFactory() { lowerObjectCount(); }
  LONG references_ = 1;
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
