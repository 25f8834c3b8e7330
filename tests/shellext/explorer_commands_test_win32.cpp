// The commands driven in this process: the enumerator's sequences, what is shown for which
// selection and switches, and what a click refuses.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "fake_shell_items_win32.h"
#include "shellext/explorer_commands.h"
#include "shellext/menu_settings.h"
#include "shellext/module.h"
#include "shellext/selection.h"

namespace tolzeb::shell {
namespace {

using testing::FakeItem;
using testing::FakeShellItemArray;
using testing::fileItem;
using testing::folderItem;

const wchar_t kSwitchKey[] = L"Software\\TOLZEB\\ShellMenu";

void writeSwitch(const wchar_t* name, DWORD type, const void* data, DWORD size) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kSwitchKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
  RegCloseKey(key);
}
void writeDword(const wchar_t* name, DWORD value) { writeSwitch(name, REG_DWORD, &value, sizeof(value)); }

// Each test starts and ends with no switches stored, so every command is allowed.
class ExplorerCommandTest : public ::testing::Test {
 protected:
  void SetUp() override { RegDeleteTreeW(HKEY_CURRENT_USER, kSwitchKey); }
  void TearDown() override {
    RegDeleteTreeW(HKEY_CURRENT_USER, kSwitchKey);
    EXPECT_EQ(objectCount(), 0);
  }

  IExplorerCommand* root() {
    void* out = nullptr;
    EXPECT_EQ(createRootCommand(IID_IExplorerCommand, &out), S_OK);
    return static_cast<IExplorerCommand*>(out);
  }
  // Root's state first, then the four leaves' (true = shown).
  std::vector<bool> shown(IShellItemArray* items) {
    std::vector<bool> result;
    IExplorerCommand* command = root();
    EXPCMDSTATE state = ECS_ENABLED;
    EXPECT_EQ(command->GetState(items, TRUE, &state), S_OK);
    result.push_back(state == ECS_ENABLED);
    IEnumExplorerCommand* commands = nullptr;
    EXPECT_EQ(command->EnumSubCommands(&commands), S_OK);
    IExplorerCommand* leaf = nullptr;
    while (commands->Next(1, &leaf, nullptr) == S_OK) {
      state = ECS_ENABLED;
      EXPECT_EQ(leaf->GetState(items, FALSE, &state), S_OK);
      result.push_back(state == ECS_ENABLED);
      leaf->Release();
    }
    commands->Release();
    command->Release();
    return result;
  }
  // The leaf of command `id` (1 to 4).
  IExplorerCommand* leaf(uint32_t id) {
    IEnumExplorerCommand* commands = nullptr;
    EXPECT_EQ(createCommandEnumerator(&commands), S_OK);
    EXPECT_EQ(commands->Skip(id - 1), S_OK);
    IExplorerCommand* command = nullptr;
    EXPECT_EQ(commands->Next(1, &command, nullptr), S_OK);
    commands->Release();
    return command;
  }
  // Waits out the one-second cache of the switches, bounded.
  void waitForSwitches(const MenuSettings& expected) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (std::chrono::steady_clock::now() < deadline) {
      MenuSettings now = menuSettings();
      if (now.enabled == expected.enabled && now.compress == expected.compress &&
          now.extractHere == expected.extractHere && now.extractToFolder == expected.extractToFolder &&
          now.testArchive == expected.testArchive)
        return;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    FAIL() << "the switches were not read again";
  }
};

TEST_F(ExplorerCommandTest, EnumeratorSequences) {
  IEnumExplorerCommand* commands = nullptr;
  ASSERT_EQ(createCommandEnumerator(&commands), S_OK);
  IExplorerCommand* out[4] = {};
  ULONG fetched = 99;
  EXPECT_EQ(commands->Next(2, out, nullptr), E_INVALIDARG);
  EXPECT_EQ(commands->Next(2, nullptr, &fetched), E_POINTER);
  EXPECT_EQ(fetched, 0u);
  EXPECT_EQ(commands->Skip(2), S_OK);
  ASSERT_EQ(commands->Next(3, out, &fetched), S_FALSE);  // from position 2 only two are left
  ASSERT_EQ(fetched, 2u);
  LPWSTR title = nullptr;
  ASSERT_EQ(out[0]->GetTitle(nullptr, &title), S_OK);
  EXPECT_STREQ(title, L"Extract to Folder");
  CoTaskMemFree(title);
  out[0]->Release();
  out[1]->Release();
  EXPECT_EQ(commands->Reset(), S_OK);
  EXPECT_EQ(commands->Skip(10), S_FALSE);
  EXPECT_EQ(commands->Next(1, out, &fetched), S_FALSE);
  EXPECT_EQ(fetched, 0u);
  EXPECT_EQ(commands->Reset(), S_OK);
  EXPECT_EQ(commands->Skip(0xFFFFFFFFu), S_FALSE);  // no wrap-round to an early position
  EXPECT_EQ(commands->Next(1, out, &fetched), S_FALSE);
  EXPECT_EQ(commands->Reset(), S_OK);
  ASSERT_EQ(commands->Skip(3), S_OK);
  IEnumExplorerCommand* copy = nullptr;
  ASSERT_EQ(commands->Clone(&copy), S_OK);
  EXPECT_EQ(copy->Next(1, out, &fetched), S_OK);
  ASSERT_EQ(out[0]->GetTitle(nullptr, &title), S_OK);
  EXPECT_STREQ(title, L"Test Archive");
  CoTaskMemFree(title);
  out[0]->Release();
  EXPECT_EQ(commands->Next(4, out, &fetched), S_FALSE);
  EXPECT_EQ(fetched, 1u);
  out[0]->Release();
  copy->Release();
  commands->Release();
}

TEST_F(ExplorerCommandTest, VisibilityFollowsTheSelection) {
  struct Case {
    const char* name;
    std::vector<FakeItem> items;
    std::vector<bool> shown;  // root, compress, extract here, extract to folder, test
  };
  std::vector<FakeItem> hundredArchives(100, fileItem(L"C:\\in\\a.zip"));
  hundredArchives[69] = folderItem(L"C:\\in\\folder");
  // A zip presented as a folder carries both flags.
  FakeItem zipFolder{L"C:\\in\\b.zip", SFGAO_FOLDER | SFGAO_STREAM, false};
  const Case cases[] = {
      {"nothing", {}, {false, false, false, false, false}},
      {"one archive", {fileItem(L"C:\\in\\PHOTOS.ZIP")}, {true, true, true, true, true}},
      {"an archive and a document", {fileItem(L"C:\\a.7z"), fileItem(L"C:\\b.txt")}, {true, true, false, false, false}},
      {"a folder", {folderItem(L"C:\\in")}, {true, true, false, false, false}},
      {"a zip shown as a folder", {zipFolder}, {true, true, true, true, true}},
      {"a virtual item", {fileItem(L"C:\\a.zip"), FakeItem{L"", 0, false}}, {false, false, false, false, false}},
      {"an item that cannot be fetched",
       {FakeItem{L"C:\\a.zip", SFGAO_STREAM, true}},
       {false, false, false, false, false}},
      {"a folder as the 70th of 100 archives", hundredArchives, {true, true, true, true, true}},
  };
  for (const Case& c : cases) {
    FakeShellItemArray items(c.items);
    EXPECT_EQ(shown(&items), c.shown) << c.name;
  }
  EXPECT_EQ(shown(nullptr), std::vector<bool>(5, false));
}

TEST_F(ExplorerCommandTest, InvokeChecksTheWholeSelection) {
  std::vector<FakeItem> hundredArchives(100, fileItem(L"C:\\in\\a.zip"));
  hundredArchives[69] = folderItem(L"C:\\in\\folder");
  FakeShellItemArray items(hundredArchives);
  IExplorerCommand* extractHere = leaf(2);
  EXPECT_EQ(extractHere->Invoke(&items, nullptr), E_INVALIDARG);
  EXPECT_EQ(extractHere->Invoke(nullptr, nullptr), E_INVALIDARG);
  FakeShellItemArray virtualItem({fileItem(L"C:\\a.zip"), FakeItem{L"", 0, false}});
  EXPECT_EQ(extractHere->Invoke(&virtualItem, nullptr), E_INVALIDARG);
  FakeShellItemArray document({fileItem(L"C:\\notes.gz")});
  EXPECT_EQ(extractHere->Invoke(&document, nullptr), E_INVALIDARG);
  extractHere->Release();
}

TEST_F(ExplorerCommandTest, SwitchesHideCommandsAndRefuseClicks) {
  FakeShellItemArray archive({fileItem(L"C:\\in\\a.zip")});
  FakeShellItemArray folder({folderItem(L"C:\\in")});
  waitForSwitches(MenuSettings{});

  // Another type or size, or a non-zero number, leaves a switch on.
  const wchar_t zeroText[] = L"0";
  writeSwitch(L"Enabled", REG_SZ, zeroText, sizeof(zeroText));
  ULONGLONG zero64 = 0;
  writeSwitch(L"Compress", REG_QWORD, &zero64, sizeof(zero64));
  writeDword(L"ExtractHere", 7);
  EXPECT_EQ(readMenuSettings().enabled, true);
  EXPECT_EQ(readMenuSettings().compress, true);
  EXPECT_EQ(readMenuSettings().extractHere, true);

  // Only "Extract Here" on: archives show the entry, a folder hides it.
  writeDword(L"Enabled", 1);
  writeDword(L"Compress", 0);
  writeDword(L"ExtractToFolder", 0);
  writeDword(L"TestArchive", 0);
  waitForSwitches(MenuSettings{true, false, true, false, false});
  EXPECT_EQ(shown(&archive), (std::vector<bool>{true, false, true, false, false}));
  EXPECT_EQ(shown(&folder), std::vector<bool>(5, false));
  IExplorerCommand* compress = leaf(1);
  EXPECT_EQ(compress->Invoke(&archive, nullptr), E_ACCESSDENIED);

  // The master switch hides everything whatever the others say.
  writeDword(L"Enabled", 0);
  writeDword(L"Compress", 1);
  waitForSwitches(MenuSettings{false, true, true, false, false});
  EXPECT_EQ(shown(&archive), std::vector<bool>(5, false));
  EXPECT_EQ(compress->Invoke(&archive, nullptr), E_ACCESSDENIED);
  compress->Release();
}

TEST_F(ExplorerCommandTest, NullOutputsAreRefused) {
  IExplorerCommand* command = root();
  EXPECT_EQ(command->GetTitle(nullptr, nullptr), E_POINTER);
  EXPECT_EQ(command->GetState(nullptr, FALSE, nullptr), E_POINTER);
  EXPECT_EQ(command->GetFlags(nullptr), E_POINTER);
  EXPECT_EQ(command->GetCanonicalName(nullptr), E_POINTER);
  void* other = reinterpret_cast<void*>(1);
  EXPECT_EQ(command->QueryInterface(IID_IEnumExplorerCommand, &other), E_NOINTERFACE);
  EXPECT_EQ(other, nullptr);
  command->Release();
  IExplorerCommand* test = leaf(4);
  EXPECT_EQ(test->GetTitle(nullptr, nullptr), E_POINTER);
  EXPECT_EQ(test->GetToolTip(nullptr, nullptr), E_POINTER);
  LPWSTR tip = nullptr;
  ASSERT_EQ(test->GetToolTip(nullptr, &tip), S_OK);
  EXPECT_STREQ(tip, L"Check the archive for damage without writing any files");
  CoTaskMemFree(tip);
  EXPCMDFLAGS flags = 1;
  EXPECT_EQ(test->GetFlags(&flags), S_OK);
  EXPECT_EQ(flags, EXPCMDFLAGS(ECF_DEFAULT));
  IEnumExplorerCommand* none = reinterpret_cast<IEnumExplorerCommand*>(1);
  EXPECT_EQ(test->EnumSubCommands(&none), E_NOTIMPL);
  EXPECT_EQ(none, nullptr);
  test->Release();
}

}  // namespace
}  // namespace tolzeb::shell
