// The file association of the current user: ".zeb" opens in this program, with an "extract" verb
// on archives and a "compress" verb on every file and folder. Everything lives below
// HKEY_CURRENT_USER "Software\Classes", so no administrator rights are needed.
//
// The logic runs against a ClassesStore (keys relative to "Software\Classes"), so the entries and
// the rules of removal are the same on every platform; only Windows has a real store.
#pragma once

#include <string>
#include <vector>

#include "engine/core/status.h"

namespace tolzeb::ui {

inline constexpr wchar_t kProgId[] = L"TOLZEB.Archive.1";
inline constexpr wchar_t kExtractVerbKey[] = L"TOLZEB.Archive.1\\shell\\TOLZEB.extract";
inline constexpr wchar_t kOpenCommandKey[] = L"TOLZEB.Archive.1\\shell\\open\\command";
inline constexpr wchar_t kFolderVerbKey[] = L"Directory\\shell\\TOLZEB.compress";
inline constexpr wchar_t kFolderVerbCommandKey[] = L"Directory\\shell\\TOLZEB.compress\\command";
inline constexpr wchar_t kFileVerbKey[] = L"*\\shell\\TOLZEB.compress";
inline constexpr wchar_t kExtensionKey[] = L".zeb";

// What the settings page shows.
struct AssociationState {
  bool extensionPointsHere = false;  // ".zeb" names exactly kProgId (case counts)
  bool folderVerbPresent = false;    // the folder verb's command can be read
  std::wstring openCommand;          // the ProgID's open command; empty when it cannot be read
  // Any of this program's keys is there, even when another program took ".zeb" since: removal
  // is offered whenever there is something of ours to remove.
  bool entriesPresent = false;
};

// One REG_SZ value; an empty name stands for the key's default value.
struct RegistryEntry {
  std::wstring key;  // relative to "Software\Classes"
  std::wstring name;
  std::wstring data;
};

// The text enclosed in double quote characters.
std::wstring quotedPath(const std::wstring& text);
// The fifteen values registration writes, in order, for the program at `exe`. The verb texts and
// the type name are taken from the current language.
std::vector<RegistryEntry> associationEntries(const std::wstring& exe);
// Code 5 and "explorer.registry_write_failed" with the subkey and the system's error code.
Status registryWriteFailure(const std::wstring& subkey, long code);

// The registry below HKEY_CURRENT_USER "Software\Classes", as the association logic uses it.
class ClassesStore {
 public:
  virtual ~ClassesStore() = default;
  // Only string values with some content count; false leaves `text` alone.
  virtual bool read(const std::wstring& key, const std::wstring& name, std::wstring& text) = 0;
  virtual Status write(const std::wstring& key, const std::wstring& name, const std::wstring& text) = 0;
  // The key and everything below it; a missing key is not an error for the callers.
  virtual void deleteTree(const std::wstring& key) = 0;
  // Tells the shell that associations changed.
  virtual void notifyChanged() = 0;
};

// Writes every entry in order; the first failure is returned at once and what was written stays.
Status registerFileAssociation(ClassesStore& store, const std::wstring& exe);
// Removes this program's keys, and ".zeb" only while it still names kProgId. Never fails.
Status unregisterFileAssociation(ClassesStore& store);
AssociationState fileAssociationState(ClassesStore& store);

// The current user's real registry (Windows); elsewhere registration fails with a sentence saying
// it is not available, removal does nothing and the state is empty.
Status registerFileAssociation();
Status unregisterFileAssociation();
AssociationState fileAssociationState();

}  // namespace tolzeb::ui
