// The real store: HKEY_CURRENT_USER "Software\Classes", REG_SZ values only.
#include <windows.h>
#include <shlobj.h>

#include <vector>

#include "ui/app/file_association.h"
#include "ui/foundation/localisation.h"

namespace tolzeb::ui {

namespace {
const wchar_t* valueName(const std::wstring& name) { return name.empty() ? nullptr : name.c_str(); }
}  // namespace

// REG_EXPAND_SZ is taken as it stands: the state shows what is written, not what it expands to.
bool readRegistryString(HKEY root, const std::wstring& subkey, const wchar_t* name, std::wstring& out) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, subkey.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return false;
  DWORD type = 0;
  DWORD size = 0;
  LSTATUS queried = RegQueryValueExW(key, name, nullptr, &type, nullptr, &size);
  if (queried != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ) || size == 0) {
    RegCloseKey(key);
    return false;
  }
  // One unit more than the value holds, zeroed: a stored text need not end in a null.
  std::vector<wchar_t> buffer(size / 2 + 1, L'\0');
  DWORD bytes = DWORD(buffer.size() * sizeof(wchar_t) - sizeof(wchar_t));
  queried = RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &bytes);
  RegCloseKey(key);
  if (queried != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return false;
  out.assign(buffer.data());
  return true;
}

Status writeRegistryString(HKEY root, const std::wstring& subkey, const wchar_t* name, const std::wstring& text) {
  HKEY key = nullptr;
  LSTATUS result = RegCreateKeyExW(root, subkey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr,
                                   &key, nullptr);
  if (result != ERROR_SUCCESS) return registryWriteFailure(subkey, long(result));
  // The terminating null is stored with the text.
  result = RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                          DWORD((text.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(key);
  if (result != ERROR_SUCCESS) return registryWriteFailure(subkey, long(result));
  return Status();
}

long deleteRegistryTree(HKEY root, const std::wstring& subkey) {
  HKEY key = nullptr;
  const LSTATUS opened = RegOpenKeyExW(root, subkey.c_str(), 0, KEY_READ | KEY_CREATE_SUB_KEY | KEY_SET_VALUE, &key);
  if (opened != ERROR_SUCCESS) return long(opened);
  RegCloseKey(key);
  return long(RegDeleteTreeW(root, subkey.c_str()));
}

namespace {

constexpr wchar_t kClasses[] = L"Software\\Classes\\";
constexpr DWORD kOwnPathUnits = 32768;

class CurrentUserClasses final : public ClassesStore {
 public:
  bool read(const std::wstring& key, const std::wstring& name, std::wstring& text) override {
    return readRegistryString(HKEY_CURRENT_USER, kClasses + key, valueName(name), text);
  }
  Status write(const std::wstring& key, const std::wstring& name, const std::wstring& text) override {
    return writeRegistryString(HKEY_CURRENT_USER, kClasses + key, valueName(name), text);
  }
  void deleteTree(const std::wstring& key) override { deleteRegistryTree(HKEY_CURRENT_USER, kClasses + key); }
  void notifyChanged() override { SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_FLUSH, nullptr, nullptr); }
};

}  // namespace

Status registerFileAssociation() {
  std::vector<wchar_t> buffer(kOwnPathUnits, L'\0');
  const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), kOwnPathUnits);
  if (length == 0 || length >= kOwnPathUnits) return Status(StatusCode::general, i18n::translate("explorer.no_own_path"));
  CurrentUserClasses store;
  return registerFileAssociation(store, std::wstring(buffer.data(), length));
}

Status unregisterFileAssociation() {
  CurrentUserClasses store;
  return unregisterFileAssociation(store);
}

AssociationState fileAssociationState() {
  CurrentUserClasses store;
  return fileAssociationState(store);
}

}  // namespace tolzeb::ui
