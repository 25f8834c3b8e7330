// The association's entries and removal rules, against an in-memory registry.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "ui/app/file_association.h"
#include "ui/foundation/i18n_test_support.h"
#include "ui/foundation/localisation.h"

namespace tolzeb::ui {
namespace {

class MemoryClasses final : public ClassesStore {
 public:
  bool read(const std::wstring& key, const std::wstring& name, std::wstring& text) override {
    auto found = values.find({key, name});
    if (found == values.end() || found->second.empty()) return false;
    text = found->second;
    return true;
  }
  Status write(const std::wstring& key, const std::wstring& name, const std::wstring& text) override {
    if (key == failingKey) return registryWriteFailure(key, 5);
    values[{key, name}] = text;
    return Status();
  }
  void deleteTree(const std::wstring& key) override {
    for (auto it = values.begin(); it != values.end();)
      it = it->first.first == key || it->first.first.starts_with(key + L"\\") ? values.erase(it) : std::next(it);
  }
  void notifyChanged() override { ++notifications; }

  std::map<std::pair<std::wstring, std::wstring>, std::wstring> values;
  std::wstring failingKey;
  int notifications = 0;
};

class FileAssociationTest : public ::testing::Test {
 protected:
  FileAssociationTest() { i18n::initialise(L"en-US"); }
  i18n::testing::StateGuard languageGuard;
  MemoryClasses store;
};

constexpr wchar_t kExe[] = L"C:\\Program Files\\TOLZEB\\TolZeb.exe";

TEST_F(FileAssociationTest, RegistrationWritesTheFifteenEntriesTwiceAlike) {
  ASSERT_TRUE(registerFileAssociation(store, kExe).ok());
  const auto first = store.values;
  ASSERT_TRUE(registerFileAssociation(store, kExe).ok());
  EXPECT_EQ(store.values, first);
  EXPECT_EQ(first.size(), 15u);
  EXPECT_EQ(store.notifications, 2);

  const std::wstring command = L"\"C:\\Program Files\\TOLZEB\\TolZeb.exe\" \"%1\"";
  const std::wstring icon = std::wstring(kExe) + L",0";
  const std::map<std::pair<std::wstring, std::wstring>, std::wstring> expected = {
      {{L".zeb", L""}, L"TOLZEB.Archive.1"},
      {{L".zeb", L"Content Type"}, L"application/x-tolzeb-archive"},
      {{L"TOLZEB.Archive.1", L""}, L"TOLZEB Archive"},
      {{L"TOLZEB.Archive.1", L"FriendlyTypeName"}, L"TOLZEB archive"},
      {{L"TOLZEB.Archive.1\\DefaultIcon", L""}, icon},
      {{L"TOLZEB.Archive.1\\shell\\open\\command", L""}, command},
      {{L"TOLZEB.Archive.1\\shell\\TOLZEB.extract", L""}, L"Extract with TOLZEB..."},
      {{L"TOLZEB.Archive.1\\shell\\TOLZEB.extract", L"Icon"}, icon},
      {{L"TOLZEB.Archive.1\\shell\\TOLZEB.extract\\command", L""}, command},
      {{L"Directory\\shell\\TOLZEB.compress", L""}, L"Add to TOLZEB archive"},
      {{L"Directory\\shell\\TOLZEB.compress", L"Icon"}, icon},
      {{L"Directory\\shell\\TOLZEB.compress\\command", L""}, command},
      {{L"*\\shell\\TOLZEB.compress", L""}, L"Add to TOLZEB archive"},
      {{L"*\\shell\\TOLZEB.compress", L"Icon"}, icon},
      {{L"*\\shell\\TOLZEB.compress\\command", L""}, command},
  };
  EXPECT_EQ(first, expected);

  const AssociationState state = fileAssociationState(store);
  EXPECT_TRUE(state.extensionPointsHere);
  EXPECT_TRUE(state.folderVerbPresent);
  EXPECT_EQ(state.openCommand, command);
  EXPECT_TRUE(state.entriesPresent);
}

TEST_F(FileAssociationTest, RegistrationStopsAtTheFirstFailureAndKeepsWhatWasWritten) {
  store.failingKey = L"TOLZEB.Archive.1\\DefaultIcon";
  const Status result = registerFileAssociation(store, kExe);
  ASSERT_TRUE(result.failed());
  EXPECT_EQ(result.code(), StatusCode::io_failure);
  EXPECT_EQ(result.message(), L"Registry write failed (TOLZEB.Archive.1\\DefaultIcon): 5");
  EXPECT_EQ(store.values.size(), 4u);
  EXPECT_EQ(store.notifications, 0);
}

TEST_F(FileAssociationTest, RemovalKeepsAnotherProgramsExtensionButOffersRemovalOfTheRest) {
  struct Case {
    std::wstring owner;
    bool extensionKept;
  };
  const Case cases[] = {{L"TOLZEB.Archive.1", false}, {L"Other.Archive", true}, {L"tolzeb.archive.1", true}};
  for (const Case& c : cases) {
    store.values.clear();
    ASSERT_TRUE(registerFileAssociation(store, kExe).ok());
    store.values[{L".zeb", L""}] = c.owner;
    const AssociationState before = fileAssociationState(store);
    EXPECT_EQ(before.extensionPointsHere, !c.extensionKept);
    EXPECT_TRUE(before.entriesPresent);

    ASSERT_TRUE(unregisterFileAssociation(store).ok());
    std::wstring owner;
    EXPECT_EQ(store.read(L".zeb", L"", owner), c.extensionKept);
    EXPECT_EQ(store.values.size(), c.extensionKept ? 2u : 0u);
    EXPECT_FALSE(fileAssociationState(store).entriesPresent);
  }
}

TEST_F(FileAssociationTest, RemovalWithNothingRegisteredChangesNothing) {
  store.values[{L".txt", L""}] = L"txtfile";
  ASSERT_TRUE(unregisterFileAssociation(store).ok());
  EXPECT_EQ(store.values.size(), 1u);
  const AssociationState state = fileAssociationState(store);
  EXPECT_FALSE(state.extensionPointsHere || state.folderVerbPresent || state.entriesPresent);
  EXPECT_TRUE(state.openCommand.empty());
}

}  // namespace
}  // namespace tolzeb::ui
