// A selection Explorer could hand over, built from a table: each item has a path (empty for a
// virtual item), its folder and stream flags, or fails to be fetched at all.
#pragma once

#include <shobjidl.h>
#include <windows.h>

#include <string>
#include <vector>

namespace tolzeb::shell::testing {

struct FakeItem {
  std::wstring path;  // empty: no file-system path
  SFGAOF attributes = SFGAO_STREAM;
  bool fetchFails = false;
};

inline FakeItem fileItem(const std::wstring& path) { return {path, SFGAO_STREAM, false}; }
inline FakeItem folderItem(const std::wstring& path) { return {path, SFGAO_FOLDER, false}; }

class FakeShellItem final : public IShellItem {
 public:
  explicit FakeShellItem(const FakeItem& item) : item_(item) {}
  STDMETHODIMP QueryInterface(REFIID id, void** out) override {
    if (IsEqualIID(id, IID_IUnknown) || IsEqualIID(id, IID_IShellItem)) {
      *out = this;
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++references_; }
  STDMETHODIMP_(ULONG) Release() override {
    ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }
  STDMETHODIMP BindToHandler(IBindCtx*, REFGUID, REFIID, void**) override { return E_NOTIMPL; }
  STDMETHODIMP GetParent(IShellItem**) override { return E_NOTIMPL; }
  STDMETHODIMP GetDisplayName(SIGDN form, LPWSTR* out) override {
    *out = nullptr;
    if (form != SIGDN_FILESYSPATH || item_.path.empty()) return E_INVALIDARG;
    size_t bytes = (item_.path.size() + 1) * sizeof(wchar_t);
    *out = static_cast<LPWSTR>(CoTaskMemAlloc(bytes));
    memcpy(*out, item_.path.c_str(), bytes);
    return S_OK;
  }
  STDMETHODIMP GetAttributes(SFGAOF mask, SFGAOF* out) override {
    *out = item_.attributes & mask;
    return *out == mask ? S_OK : S_FALSE;
  }
  STDMETHODIMP Compare(IShellItem*, SICHINTF, int*) override { return E_NOTIMPL; }

 private:
  FakeItem item_;
  ULONG references_ = 1;
};

// Lives on the stack of a test; counts the items it handed out that are still referenced.
class FakeShellItemArray final : public IShellItemArray {
 public:
  explicit FakeShellItemArray(std::vector<FakeItem> items) : items_(std::move(items)) {}
  STDMETHODIMP QueryInterface(REFIID id, void** out) override {
    if (IsEqualIID(id, IID_IUnknown) || IsEqualIID(id, IID_IShellItemArray)) {
      *out = this;
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }
  STDMETHODIMP BindToHandler(IBindCtx*, REFGUID, REFIID, void**) override { return E_NOTIMPL; }
  STDMETHODIMP GetPropertyStore(GETPROPERTYSTOREFLAGS, REFIID, void**) override { return E_NOTIMPL; }
  STDMETHODIMP GetPropertyDescriptionList(REFPROPERTYKEY, REFIID, void**) override { return E_NOTIMPL; }
  STDMETHODIMP GetAttributes(SIATTRIBFLAGS, SFGAOF, SFGAOF*) override { return E_NOTIMPL; }
  STDMETHODIMP GetCount(DWORD* count) override {
    *count = DWORD(items_.size());
    return S_OK;
  }
  STDMETHODIMP GetItemAt(DWORD index, IShellItem** out) override {
    *out = nullptr;
    if (index >= items_.size() || items_[index].fetchFails) return E_FAIL;
    *out = new FakeShellItem(items_[index]);
    return S_OK;
  }
  STDMETHODIMP EnumItems(IEnumShellItems**) override { return E_NOTIMPL; }

 private:
  std::vector<FakeItem> items_;
};

}  // namespace tolzeb::shell::testing
