// The association in the real registry of the test's prefix: written, read back, and removed
// around another program's claim on ".zeb".
#include <windows.h>

#include <gtest/gtest.h>

#include "ui/app/file_association.h"
#include "ui/foundation/i18n_test_support.h"
#include "ui/foundation/localisation.h"

namespace tolzeb::ui {
namespace {

bool keyExists(const wchar_t* subkey) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, subkey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

TEST(FileAssociationRegistry, RegisterReadBackAndRemoveAroundAnotherOwner) {
  i18n::testing::StateGuard languageGuard;
  i18n::initialise(L"en-US");
  ASSERT_TRUE(unregisterFileAssociation().ok());

  ASSERT_TRUE(registerFileAssociation().ok());
  AssociationState state = fileAssociationState();
  EXPECT_TRUE(state.extensionPointsHere);
  EXPECT_TRUE(state.folderVerbPresent);
  EXPECT_TRUE(state.entriesPresent);
  EXPECT_EQ(state.openCommand.front(), L'"');
  EXPECT_TRUE(state.openCommand.ends_with(L".exe\" \"%1\"")) << std::string(state.openCommand.begin(), state.openCommand.end());

  // Another program takes ".zeb": removal is still offered, and leaves that program's key.
  const std::wstring other = L"Other.Archive";
  ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, L"Software\\Classes\\.zeb", nullptr, REG_SZ, other.c_str(),
                            DWORD((other.size() + 1) * sizeof(wchar_t))),
            ERROR_SUCCESS);
  state = fileAssociationState();
  EXPECT_FALSE(state.extensionPointsHere);
  EXPECT_TRUE(state.entriesPresent);
  ASSERT_TRUE(unregisterFileAssociation().ok());
  EXPECT_TRUE(keyExists(L"Software\\Classes\\.zeb"));
  EXPECT_FALSE(keyExists(L"Software\\Classes\\TOLZEB.Archive.1"));
  EXPECT_FALSE(keyExists(L"Software\\Classes\\Directory\\shell\\TOLZEB.compress"));
  EXPECT_FALSE(keyExists(L"Software\\Classes\\*\\shell\\TOLZEB.compress"));
  EXPECT_FALSE(fileAssociationState().entriesPresent);
  RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Classes\\.zeb");
}

}  // namespace
}  // namespace tolzeb::ui
