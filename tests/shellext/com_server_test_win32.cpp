// The library as Explorer meets it: loaded from its file, asked for its class factory.
#include <gtest/gtest.h>
#include <shobjidl.h>
#include <windows.h>

#include "shellext/module.h"

namespace tolzeb::shell {
namespace {

using GetClassObjectFunction = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
using CanUnloadNowFunction = HRESULT(STDAPICALLTYPE*)();

// The documented interface ids of the Explorer command interfaces.
constexpr IID kExplorerCommandId = {0xa08ce4d0, 0xfa25, 0x44ab, {0xb5, 0x7c, 0xc7, 0xb1, 0xc3, 0x23, 0xe0, 0xb9}};
constexpr IID kEnumExplorerCommandId = {0xa88826f8, 0x186f, 0x4987, {0xaa, 0xde, 0xea, 0x0c, 0xef, 0x8f, 0xbf, 0xe8}};

class ComServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string path = TOLZEB_SHELLEXT_DLL;
    library = LoadLibraryW(std::wstring(path.begin(), path.end()).c_str());
    ASSERT_NE(library, nullptr) << GetLastError();
    getClassObject =
        reinterpret_cast<GetClassObjectFunction>(reinterpret_cast<void*>(GetProcAddress(library, "DllGetClassObject")));
    canUnloadNow =
        reinterpret_cast<CanUnloadNowFunction>(reinterpret_cast<void*>(GetProcAddress(library, "DllCanUnloadNow")));
    ASSERT_NE(getClassObject, nullptr);
    ASSERT_NE(canUnloadNow, nullptr);
  }
  void TearDown() override {
    // Every scenario must leave nothing alive behind it.
    if (canUnloadNow) {
      EXPECT_EQ(canUnloadNow(), S_OK);
    }
    if (library) FreeLibrary(library);
  }
  IClassFactory* factory() {
    void* out = nullptr;
    EXPECT_EQ(getClassObject(kClassId, IID_IClassFactory, &out), S_OK);
    return static_cast<IClassFactory*>(out);
  }

  HMODULE library = nullptr;
  GetClassObjectFunction getClassObject = nullptr;
  CanUnloadNowFunction canUnloadNow = nullptr;
};

TEST_F(ComServerTest, HeadersCarryTheDocumentedInterfaceIds) {
  EXPECT_TRUE(IsEqualIID(IID_IExplorerCommand, kExplorerCommandId));
  EXPECT_TRUE(IsEqualIID(IID_IEnumExplorerCommand, kEnumExplorerCommandId));
}

TEST_F(ComServerTest, ClassObjectRequestsAreRefusedPrecisely) {
  const CLSID foreign = {0x11111111, 0x2222, 0x3333, {4, 4, 4, 4, 4, 4, 4, 4}};
  void* out = reinterpret_cast<void*>(1);
  EXPECT_EQ(getClassObject(foreign, IID_IClassFactory, &out), CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(getClassObject(kClassId, IID_IClassFactory, nullptr), E_POINTER);
  out = reinterpret_cast<void*>(1);
  EXPECT_EQ(getClassObject(kClassId, IID_IExplorerCommand, &out), E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(canUnloadNow(), S_OK);  // the refused factory is gone again
  ASSERT_EQ(getClassObject(kClassId, IID_IUnknown, &out), S_OK);
  EXPECT_EQ(canUnloadNow(), S_FALSE);
  static_cast<IUnknown*>(out)->Release();
}

TEST_F(ComServerTest, AggregationAndForeignInterfacesCreateNothing) {
  IClassFactory* classFactory = factory();
  ASSERT_NE(classFactory, nullptr);
  void* out = reinterpret_cast<void*>(1);
  EXPECT_EQ(classFactory->CreateInstance(classFactory, IID_IExplorerCommand, &out), CLASS_E_NOAGGREGATION);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(classFactory->CreateInstance(nullptr, IID_IClassFactory, &out), E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(classFactory->CreateInstance(nullptr, IID_IExplorerCommand, nullptr), E_POINTER);
  classFactory->Release();
  EXPECT_EQ(canUnloadNow(), S_OK);
}

TEST_F(ComServerTest, LockServerKeepsTheLibraryLoaded) {
  IClassFactory* classFactory = factory();
  ASSERT_NE(classFactory, nullptr);
  EXPECT_EQ(classFactory->LockServer(TRUE), S_OK);
  classFactory->Release();
  EXPECT_EQ(canUnloadNow(), S_FALSE);  // no object alive, but locked
  classFactory = factory();
  EXPECT_EQ(classFactory->LockServer(FALSE), S_OK);
  classFactory->Release();
  EXPECT_EQ(canUnloadNow(), S_OK);
}

TEST_F(ComServerTest, TheRootCommandDescribesItself) {
  IClassFactory* classFactory = factory();
  ASSERT_NE(classFactory, nullptr);
  IExplorerCommand* root = nullptr;
  ASSERT_EQ(classFactory->CreateInstance(nullptr, IID_IExplorerCommand, reinterpret_cast<void**>(&root)), S_OK);
  classFactory->Release();
  EXPECT_EQ(canUnloadNow(), S_FALSE);

  EXPCMDFLAGS flags = 0;
  EXPECT_EQ(root->GetFlags(&flags), S_OK);
  EXPECT_EQ(flags, EXPCMDFLAGS(ECF_HASSUBCOMMANDS));
  LPWSTR text = nullptr;
  ASSERT_EQ(root->GetTitle(nullptr, &text), S_OK);
  EXPECT_STREQ(text, L"TOLZEB");
  CoTaskMemFree(text);
  ASSERT_EQ(root->GetIcon(nullptr, &text), S_OK);
  std::wstring icon = text;
  CoTaskMemFree(text);
  EXPECT_NE(icon.find(L"TolZebShellExt.dll,-101"), std::wstring::npos);
  EXPECT_EQ(icon.size() - icon.rfind(L",-101"), 5u);
  text = reinterpret_cast<LPWSTR>(1);
  EXPECT_EQ(root->GetToolTip(nullptr, &text), E_NOTIMPL);
  EXPECT_EQ(text, nullptr);
  GUID name{};
  EXPECT_EQ(root->GetCanonicalName(&name), S_OK);
  EXPECT_FALSE(IsEqualGUID(name, kClassId));
  EXPECT_EQ(root->Invoke(nullptr, nullptr), S_OK);

  IEnumExplorerCommand* commands = nullptr;
  ASSERT_EQ(root->EnumSubCommands(&commands), S_OK);
  IExplorerCommand* leaves[4] = {};
  ULONG fetched = 0;
  ASSERT_EQ(commands->Next(4, leaves, &fetched), S_OK);
  ASSERT_EQ(fetched, 4u);
  const wchar_t* titles[4] = {L"Compress to .zeb", L"Extract Here", L"Extract to Folder", L"Test Archive"};
  for (int i = 0; i < 4; ++i) {
    ASSERT_EQ(leaves[i]->GetTitle(nullptr, &text), S_OK);
    EXPECT_STREQ(text, titles[i]);
    CoTaskMemFree(text);
    ASSERT_EQ(leaves[i]->GetIcon(nullptr, &text), S_OK);
    EXPECT_EQ(std::wstring(text).substr(std::wstring(text).rfind(L',')), L",-" + std::to_wstring(102 + i));
    CoTaskMemFree(text);
    leaves[i]->Release();
  }
  commands->Release();
  root->Release();
}

}  // namespace
}  // namespace tolzeb::shell
