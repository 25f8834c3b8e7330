// The library as a COM server: its module handle, the count of live objects that decides when
// Explorer may unload it, its one class id, and the entry points behind the exports.
#pragma once

#include <unknwn.h>
#include <windows.h>

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

// What every object of the library shares: its reference count, a QueryInterface that serves
// IUnknown and the one interface it implements (identified by `kInterfaceId`), and its share in the
// count of live objects that keeps the library loaded.
template <typename Interface, const IID& kInterfaceId>
class ComObject : public Interface {
 public:
  ComObject() { raiseObjectCount(); }
  ComObject(const ComObject&) = delete;
  ComObject& operator=(const ComObject&) = delete;

  STDMETHODIMP QueryInterface(REFIID interfaceId, void** out) override {
    if (!out) return E_POINTER;
    if (IsEqualIID(interfaceId, IID_IUnknown) || IsEqualIID(interfaceId, kInterfaceId)) {
      *out = static_cast<Interface*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ULONG(InterlockedIncrement(&references_)); }
  STDMETHODIMP_(ULONG) Release() override {
    const LONG left = InterlockedDecrement(&references_);
    if (left == 0) delete this;
    return ULONG(left);
  }

 protected:
  // Virtual so that Release destroys the whole object; the slot follows the interface's own.
  virtual ~ComObject() { lowerObjectCount(); }

 private:
  LONG references_ = 1;
};

}  // namespace tolzeb::shell
