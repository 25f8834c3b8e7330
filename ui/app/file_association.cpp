#include "ui/app/file_association.h"

#include <cstdio>

#include "ui/foundation/localisation.h"

namespace tolzeb::ui {

std::wstring quotedPath(const std::wstring& text) { return L"\"" + text + L"\""; }

std::vector<RegistryEntry> associationEntries(const std::wstring& exe) {
  const std::wstring icon = exe + L",0";
  const std::wstring command = quotedPath(exe) + L" \"%1\"";
  const std::wstring compressVerb = i18n::translate("explorer.compress_verb");
  const std::wstring progId = kProgId;
  return {
      {kExtensionKey, L"", progId},
      {kExtensionKey, L"Content Type", L"application/x-tolzeb-archive"},
      {progId, L"", L"TOLZEB Archive"},
      {progId, L"FriendlyTypeName", i18n::translate("explorer.friendly_type")},
      {progId + L"\\DefaultIcon", L"", icon},
      {kOpenCommandKey, L"", command},
      {kExtractVerbKey, L"", i18n::translate("explorer.extract_verb")},
      {kExtractVerbKey, L"Icon", icon},
      {std::wstring(kExtractVerbKey) + L"\\command", L"", command},
      {kFolderVerbKey, L"", compressVerb},
      {kFolderVerbKey, L"Icon", icon},
      {kFolderVerbCommandKey, L"", command},
      {kFileVerbKey, L"", compressVerb},
      {kFileVerbKey, L"Icon", icon},
      {std::wstring(kFileVerbKey) + L"\\command", L"", command},
  };
}

Status registryWriteFailure(const std::wstring& subkey, long code) {
  char digits[24];
  std::snprintf(digits, sizeof digits, "%ld", code);
  const std::string narrow(digits);
  return Status(StatusCode::io_failure,
                i18n::translateWithArgs("explorer.registry_write_failed",
                                        {{"what", subkey}, {"code", std::wstring(narrow.begin(), narrow.end())}}));
}

Status registerFileAssociation(ClassesStore& store, const std::wstring& exe) {
  for (const RegistryEntry& entry : associationEntries(exe)) {
    Status written = store.write(entry.key, entry.name, entry.data);
    if (written.failed()) return written;
  }
  store.notifyChanged();
  return Status();
}

Status unregisterFileAssociation(ClassesStore& store) {
  std::wstring owner;
  // Another program's ".zeb" is not ours to remove.
  if (store.read(kExtensionKey, L"", owner) && owner == kProgId) store.deleteTree(kExtensionKey);
  store.deleteTree(kProgId);
  store.deleteTree(kFolderVerbKey);
  store.deleteTree(kFileVerbKey);
  store.notifyChanged();
  return Status();
}

AssociationState fileAssociationState(ClassesStore& store) {
  AssociationState state;
  std::wstring text;
  state.extensionPointsHere = store.read(kExtensionKey, L"", text) && text == kProgId;
  store.read(kOpenCommandKey, L"", state.openCommand);
  std::wstring folderCommand;
  state.folderVerbPresent = store.read(kFolderVerbCommandKey, L"", folderCommand);
  std::wstring ignored;
  state.entriesPresent = state.extensionPointsHere || state.folderVerbPresent || !state.openCommand.empty() ||
                         store.read(kProgId, L"", ignored) || store.read(kExtractVerbKey, L"", ignored) ||
                         store.read(kFileVerbKey, L"", ignored) || store.read(kFolderVerbKey, L"", ignored);
  return state;
}

}  // namespace tolzeb::ui
