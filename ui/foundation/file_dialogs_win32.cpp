#include <windows.h>
// Needs the types windows.h declares.
#include <shobjidl.h>

#include "ui/foundation/com_owner_win32.h"
#include "ui/foundation/file_dialogs_platform.h"

namespace tolzeb::ui::platform {
namespace {

// A text the shell allocated, copied and freed; empty for none.
std::wstring takeShellText(PWSTR text) {
  std::wstring copy = text ? std::wstring(text) : std::wstring();
  CoTaskMemFree(text);
  return copy;
}

std::wstring fileSystemPath(IShellItem* item) {
  PWSTR text = nullptr;
  if (FAILED(item->GetDisplayName(SIGDN_FILESYSPATH, &text))) return {};
  return takeShellText(text);
}

bool prepare(IFileDialog* dialog, const FileDialogRequest& request) {
  FILEOPENDIALOGOPTIONS options = 0;
  if (FAILED(dialog->GetOptions(&options))) return false;
  if (FAILED(dialog->SetOptions(options | request.addedOptions))) return false;
  if (!request.title.empty() && FAILED(dialog->SetTitle(request.title.c_str()))) return false;
  if (!request.filters.empty()) {
    // The texts stay in the request until the dialog has closed.
    std::vector<COMDLG_FILTERSPEC> specs;
    for (const FileFilter& filter : request.filters) specs.push_back({filter.name.c_str(), filter.pattern.c_str()});
    if (FAILED(dialog->SetFileTypes(UINT(specs.size()), specs.data()))) return false;
    if (FAILED(dialog->SetFileTypeIndex(1))) return false;
  }
  if (!request.defaultExtension.empty() && FAILED(dialog->SetDefaultExtension(request.defaultExtension.c_str()))) {
    return false;
  }
  if (!request.fileName.empty() && FAILED(dialog->SetFileName(request.fileName.c_str()))) return false;
  return true;
}

PreparedFileDialog describe(IFileDialog* dialog) {
  PreparedFileDialog prepared;
  prepared.created = true;
  FILEOPENDIALOGOPTIONS options = 0;
  if (SUCCEEDED(dialog->GetOptions(&options))) prepared.options = options;
  UINT index = 0;
  if (SUCCEEDED(dialog->GetFileTypeIndex(&index))) prepared.fileTypeIndex = index;
  PWSTR name = nullptr;
  if (SUCCEEDED(dialog->GetFileName(&name))) prepared.fileName = takeShellText(name);
  return prepared;
}

}  // namespace

std::vector<std::wstring> runFileDialog(OwnerWindow owner, const FileDialogRequest& request,
                                        const FileDialogAnswerer& answerer) {
  ComOwner<IFileDialog> dialog;
  const bool save = request.kind == FileDialogKind::save;
  // The interface asked for derives from IFileDialog, so one pointer serves both kinds.
  const HRESULT created = save ? CoCreateInstance(CLSID_FileSaveDialog, nullptr, CLSCTX_INPROC_SERVER,
                                                  IID_IFileSaveDialog, dialog.outVoid())
                               : CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER,
                                                  IID_IFileOpenDialog, dialog.outVoid());
  if (FAILED(created) || !dialog) return {};
  if (!prepare(dialog.get(), request)) return {};
  if (answerer) {
    std::optional<std::vector<std::wstring>> answer = answerer(request, describe(dialog.get()));
    return answer ? std::move(*answer) : std::vector<std::wstring>();
  }

  if (FAILED(dialog->Show(static_cast<HWND>(owner)))) return {};
  if (!request.multipleResults || save) {
    ComOwner<IShellItem> item;
    if (FAILED(dialog->GetResult(item.out())) || !item) return {};
    std::wstring path = fileSystemPath(item.get());
    if (path.empty()) return {};
    return {std::move(path)};
  }
  ComOwner<IShellItemArray> items;
  auto* openDialog = static_cast<IFileOpenDialog*>(dialog.get());
  if (FAILED(openDialog->GetResults(items.out())) || !items) return {};
  DWORD count = 0;
  if (FAILED(items->GetCount(&count))) return {};
  std::vector<std::wstring> paths;
  for (DWORD index = 0; index < count; ++index) {
    ComOwner<IShellItem> item;
    if (FAILED(items->GetItemAt(index, item.out())) || !item) continue;
    std::wstring path = fileSystemPath(item.get());
    if (!path.empty()) paths.push_back(std::move(path));
  }
  return paths;
}

}  // namespace tolzeb::ui::platform
