// Explorer's side of the context menu, for the end-to-end scenarios: loads the extension library
// the way Explorer does (its exported class object, the root command, the enumerator of its
// commands), makes a selection of shell items from file paths, and reports the commands' states
// or runs one of them. Results are `key=value` lines on stdout; exit code 0 when the library
// answered, 1 when it could not be asked, 2 usage.
//
//   tzshell states DLL PATH...     root=, command1= ... command4= (0 shown, 2 hidden), title1= ...
//   tzshell invoke DLL ID PATH...  hresult=0x...  (ID 1 to 4, in menu order)

#include <windows.h>
// After windows.h, which they need.
#include <shlobj.h>
#include <shobjidl.h>

#include <cstdio>
#include <string>
#include <vector>

#include "shellext/module.h"
#include "ui/foundation/com_owner_win32.h"

namespace {

using tolzeb::ui::ComOwner;

constexpr int kSuccess = 0;
constexpr int kFailure = 1;
constexpr int kUsage = 2;
constexpr ULONG kCommandCount = 4;

std::string toUtf8(const std::wstring& text) {
  if (text.empty()) return {};
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0, nullptr, nullptr);
  std::string bytes(size_t(size > 0 ? size : 0), '\0');
  if (size > 0) WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), bytes.data(), size, nullptr, nullptr);
  return bytes;
}

int fail(const char* what, HRESULT result) {
  std::printf("error=%s (0x%08lx)\n", what, static_cast<unsigned long>(result));
  return kFailure;
}

HRESULT makeSelection(const std::vector<std::wstring>& paths, IShellItemArray** items) {
  std::vector<PIDLIST_ABSOLUTE> lists;
  HRESULT result = S_OK;
  for (const std::wstring& path : paths) {
    PIDLIST_ABSOLUTE list = nullptr;
    result = SHParseDisplayName(path.c_str(), nullptr, &list, 0, nullptr);
    if (FAILED(result)) break;
    lists.push_back(list);
  }
  if (SUCCEEDED(result))
    result =
        SHCreateShellItemArrayFromIDLists(UINT(lists.size()), const_cast<PCIDLIST_ABSOLUTE_ARRAY>(lists.data()), items);
  for (PIDLIST_ABSOLUTE list : lists) ILFree(list);
  return result;
}

// The root command of the library at `library`, as Explorer creates it from the class id.
HRESULT rootCommand(HMODULE library, IExplorerCommand** root) {
  using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
  auto get = reinterpret_cast<GetClassObject>(reinterpret_cast<void*>(GetProcAddress(library, "DllGetClassObject")));
  if (!get) return HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND);
  ComOwner<IClassFactory> factory;
  HRESULT result = get(tolzeb::shell::kClassId, IID_IClassFactory, factory.outVoid());
  if (FAILED(result)) return result;
  return factory->CreateInstance(nullptr, IID_IExplorerCommand, reinterpret_cast<void**>(root));
}

int run(const std::vector<std::wstring>& args) {
  if (args.size() < 4 || (args[1] != L"states" && args[1] != L"invoke")) return kUsage;
  const bool invoke = args[1] == L"invoke";
  ULONG id = 0;
  size_t firstPath = 3;
  if (invoke) {
    id = wcstoul(args[3].c_str(), nullptr, 10);
    if (id < 1 || id > kCommandCount || args.size() < 5) return kUsage;
    firstPath = 4;
  }
  HMODULE library = LoadLibraryW(args[2].c_str());
  if (!library) return fail("the library did not load", HRESULT_FROM_WIN32(GetLastError()));
  int code = kSuccess;
  {
    ComOwner<IShellItemArray> items;
    HRESULT result = makeSelection({args.begin() + firstPath, args.end()}, items.out());
    if (FAILED(result)) return fail("no shell items for the paths", result);
    ComOwner<IExplorerCommand> root;
    if (FAILED(result = rootCommand(library, root.out()))) return fail("no root command", result);
    ComOwner<IEnumExplorerCommand> commands;
    if (FAILED(result = root->EnumSubCommands(commands.out()))) return fail("no commands", result);
    IExplorerCommand* leaves[kCommandCount] = {};
    ULONG fetched = 0;
    commands->Next(kCommandCount, leaves, &fetched);
    if (fetched != kCommandCount) code = fail("fewer commands than expected", E_UNEXPECTED);
    if (code == kSuccess && invoke) {
      std::printf("hresult=0x%08lx\n", static_cast<unsigned long>(leaves[id - 1]->Invoke(items.get(), nullptr)));
    } else if (code == kSuccess) {
      EXPCMDSTATE state = ECS_DISABLED;
      root->GetState(items.get(), TRUE, &state);
      std::printf("root=%d\n", int(state));
      for (ULONG k = 0; k < kCommandCount; ++k) {
        leaves[k]->GetState(items.get(), TRUE, &state);
        std::printf("command%lu=%d\n", k + 1, int(state));
        LPWSTR title = nullptr;
        if (SUCCEEDED(leaves[k]->GetTitle(items.get(), &title))) {
          std::printf("title%lu=%s\n", k + 1, toUtf8(title).c_str());
          CoTaskMemFree(title);
        }
      }
    }
    for (IExplorerCommand* leaf : leaves)
      if (leaf) leaf->Release();
  }
  // Explorer frees the library once it says it can go.
  using CanUnloadNow = HRESULT(STDAPICALLTYPE*)();
  auto canUnload = reinterpret_cast<CanUnloadNow>(reinterpret_cast<void*>(GetProcAddress(library, "DllCanUnloadNow")));
  if (canUnload) std::printf("unload=%s\n", canUnload() == S_OK ? "yes" : "no");
  FreeLibrary(library);
  return code;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return kFailure;
  const int result = run(std::vector<std::wstring>(argv, argv + argc));
  if (result == kUsage)
    std::fprintf(stderr, "usage: tzshell states DLL PATH...\n       tzshell invoke DLL ID PATH...\n");
  std::fflush(stdout);
  CoUninitialize();
  return result;
}
