#include <shlwapi.h>

#include <new>
#include <string>
#include <vector>

#include "shellext/explorer_commands.h"
#include "shellext/handoff.h"
#include "shellext/job_image.h"
#include "shellext/menu_settings.h"
#include "shellext/module.h"
#include "shellext/selection.h"

namespace tolzeb::shell {

const std::array<CommandRow, 4> kCommandRows = {{
    // {8A2D4E61-7C3B-45F9-B018-E6A3D92C5F14}
    {1,
     {0x8a2d4e61, 0x7c3b, 0x45f9, {0xb0, 0x18, 0xe6, 0xa3, 0xd9, 0x2c, 0x5f, 0x14}},
     L"Compress to .zeb",
     L"Create a TOLZEB archive from the selected items",
     102},
    // {C47B1F93-2E58-4A6D-8F3C-19B5E07A6D28}
    {2,
     {0xc47b1f93, 0x2e58, 0x4a6d, {0x8f, 0x3c, 0x19, 0xb5, 0xe0, 0x7a, 0x6d, 0x28}},
     L"Extract Here",
     L"Extract into the folder the archive is in",
     103},
    // {3E9F6A15-D0C2-4B87-9E61-A5F28C4D7B39}
    {3,
     {0x3e9f6a15, 0xd0c2, 0x4b87, {0x9e, 0x61, 0xa5, 0xf2, 0x8c, 0x4d, 0x7b, 0x39}},
     L"Extract to Folder",
     L"Extract into a new folder named after the archive",
     104},
    // {D5A80C7E-6F14-4E29-B3D7-82C1E9F0A64B}
    {4,
     {0xd5a80c7e, 0x6f14, 0x4e29, {0xb3, 0xd7, 0x82, 0xc1, 0xe9, 0xf0, 0xa6, 0x4b}},
     L"Test Archive",
     L"Check the archive for damage without writing any files",
     105},
}};

namespace {

bool onlyArchives(const SelectionSummary& summary) {
  return summary.folders == 0 && summary.archives == summary.paths.size();
}

HRESULT duplicate(const wchar_t* text, LPWSTR* out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (!text) return E_NOTIMPL;
  return SHStrDupW(text, out);
}

class RootCommand final : public ComObject<IExplorerCommand, IID_IExplorerCommand> {
 public:
  STDMETHODIMP GetTitle(IShellItemArray*, LPWSTR* out) override {
    if (!out) return E_POINTER;
    return SHStrDupW(L"TOLZEB", out);
  }
  STDMETHODIMP GetIcon(IShellItemArray*, LPWSTR* out) override { return iconLocation(kRootIcon, out); }
  STDMETHODIMP GetToolTip(IShellItemArray*, LPWSTR* out) override {
    if (out) *out = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP GetCanonicalName(GUID* out) override {
    if (!out) return E_POINTER;
    *out = kRootCanonicalName;
    return S_OK;
  }
  STDMETHODIMP GetState(IShellItemArray* items, BOOL, EXPCMDSTATE* out) override {
    if (!out) return E_POINTER;
    *out = ECS_HIDDEN;
    MenuSettings settings = menuSettings();
    if (!settings.enabled) return S_OK;
    SelectionSummary summary = classifySelection(items, kStateItemLimit);
    if (summary.unresolved != 0 || summary.paths.empty()) return S_OK;
    bool extracting = settings.extractHere || settings.extractToFolder || settings.testArchive;
    if (settings.compress || (extracting && onlyArchives(summary))) *out = ECS_ENABLED;
    return S_OK;
  }
  STDMETHODIMP Invoke(IShellItemArray*, IBindCtx*) override { return S_OK; }
  STDMETHODIMP GetFlags(EXPCMDFLAGS* out) override {
    if (!out) return E_POINTER;
    *out = ECF_HASSUBCOMMANDS;
    return S_OK;
  }
  STDMETHODIMP EnumSubCommands(IEnumExplorerCommand** out) override { return createCommandEnumerator(out); }
};

class LeafCommand final : public ComObject<IExplorerCommand, IID_IExplorerCommand> {
 public:
  explicit LeafCommand(const CommandRow& row) : row_(row) {}

  STDMETHODIMP GetTitle(IShellItemArray*, LPWSTR* out) override { return duplicate(row_.title, out); }
  STDMETHODIMP GetIcon(IShellItemArray*, LPWSTR* out) override { return iconLocation(row_.icon, out); }
  STDMETHODIMP GetToolTip(IShellItemArray*, LPWSTR* out) override { return duplicate(row_.tooltip, out); }
  STDMETHODIMP GetCanonicalName(GUID* out) override {
    if (!out) return E_POINTER;
    *out = row_.canonical;
    return S_OK;
  }
  STDMETHODIMP GetState(IShellItemArray* items, BOOL, EXPCMDSTATE* out) override {
    if (!out) return E_POINTER;
    *out = ECS_HIDDEN;
    if (!menuSettings().allows(row_.id)) return S_OK;
    SelectionSummary summary = classifySelection(items, kStateItemLimit);
    if (summary.paths.empty() || summary.unresolved != 0) return S_OK;
    if (row_.id == 1 || (row_.id >= 2 && row_.id <= 4 && onlyArchives(summary))) *out = ECS_ENABLED;
    return S_OK;
  }
  STDMETHODIMP Invoke(IShellItemArray* items, IBindCtx*) override {
    if (!items) return E_INVALIDARG;
    std::vector<std::wstring> paths;
    if (!selectionPaths(items, paths)) return E_INVALIDARG;
    // The whole selection this time: the menu was built from its first items only.
    SelectionSummary summary = classifySelection(items, paths.size());
    if (!menuSettings().allows(row_.id)) return E_ACCESSDENIED;
    if (summary.paths.empty() || summary.unresolved != 0) return E_INVALIDARG;
    if (row_.id < 1 || row_.id > 4) return E_INVALIDARG;
    if (row_.id != 1 && !onlyArchives(summary)) return E_INVALIDARG;
    return launchShellJob(moduleHandle(), row_.id, paths);
  }
  STDMETHODIMP GetFlags(EXPCMDFLAGS* out) override {
    if (!out) return E_POINTER;
    *out = ECF_DEFAULT;
    return S_OK;
  }
  STDMETHODIMP EnumSubCommands(IEnumExplorerCommand** out) override {
    if (out) *out = nullptr;
    return E_NOTIMPL;
  }

 private:
  CommandRow row_;
};

class CommandEnumerator final : public ComObject<IEnumExplorerCommand, IID_IEnumExplorerCommand> {
 public:
  explicit CommandEnumerator(size_t position) : position_(position) {}

  STDMETHODIMP Next(ULONG count, IExplorerCommand** commands, ULONG* fetched) override {
    if (fetched) *fetched = 0;
    if (count != 0 && !commands) return E_POINTER;
    if (!fetched && count != 1) return E_INVALIDARG;
    ULONG produced = 0;
    while (produced < count && position_ < kCommandRows.size()) {
      LeafCommand* command = new (std::nothrow) LeafCommand(kCommandRows[position_]);
      if (!command) {
        if (fetched) *fetched = produced;
        return produced > 0 ? S_FALSE : E_OUTOFMEMORY;
      }
      commands[produced++] = command;
      ++position_;
    }
    if (fetched) *fetched = produced;
    return produced == count ? S_OK : S_FALSE;
  }
  STDMETHODIMP Skip(ULONG count) override {
    // In 64 bits, so a huge count cannot wrap round.
    uint64_t target = uint64_t(position_) + count;
    position_ = target > kCommandRows.size() ? kCommandRows.size() : size_t(target);
    return target > kCommandRows.size() ? S_FALSE : S_OK;
  }
  STDMETHODIMP Reset() override {
    position_ = 0;
    return S_OK;
  }
  STDMETHODIMP Clone(IEnumExplorerCommand** out) override {
    if (!out) return E_POINTER;
    *out = new (std::nothrow) CommandEnumerator(position_);
    return *out ? S_OK : E_OUTOFMEMORY;
  }

 private:
  size_t position_;
};

}  // namespace

HRESULT createRootCommand(REFIID interfaceId, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  RootCommand* root = new (std::nothrow) RootCommand();
  if (!root) return E_OUTOFMEMORY;
  HRESULT result = root->QueryInterface(interfaceId, out);
  root->Release();
  return result;
}

HRESULT createCommandEnumerator(IEnumExplorerCommand** out) {
  if (!out) return E_POINTER;
  *out = new (std::nothrow) CommandEnumerator(0);
  return *out ? S_OK : E_OUTOFMEMORY;
}

HRESULT iconLocation(uint32_t id, LPWSTR* out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  std::vector<wchar_t> buffer(32768);
  DWORD length = GetModuleFileNameW(moduleHandle(), buffer.data(), DWORD(buffer.size()));
  if (length == 0 || length > 32767) return E_FAIL;
  std::wstring text(buffer.data(), length);
  text += L",-" + std::to_wstring(id);
  return SHStrDupW(text.c_str(), out);
}

}  // namespace tolzeb::shell
