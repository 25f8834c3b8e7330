// The five file dialogs of the graphical program over the system's common item dialogs: open one
// archive, choose where to save one, pick files to add, pick a folder, and open the first part of a
// split archive. Each runs modally over the owner window on the UI thread (a single-threaded COM
// apartment); an empty result means nothing was chosen.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tolzeb::ui {

using OwnerWindow = void*;  // the owner's HWND

// The dialog option flags the requests add (the system's FOS_* values).
inline constexpr uint32_t kDialogOverwritePrompt = 0x2;
inline constexpr uint32_t kDialogPickFolders = 0x20;
inline constexpr uint32_t kDialogForceFileSystem = 0x40;
inline constexpr uint32_t kDialogAllowMultiSelect = 0x200;
inline constexpr uint32_t kDialogPathMustExist = 0x800;
inline constexpr uint32_t kDialogFileMustExist = 0x1000;

// One row of the file-type list: a display name and a pattern such as "*.zeb;*.zip".
struct FileFilter {
  std::wstring name;
  std::wstring pattern;

  bool operator==(const FileFilter&) const = default;
};

enum class FileDialogKind : uint8_t { open, save };

// Everything one dialog is opened with; the display texts are translated when it is built.
struct FileDialogRequest {
  FileDialogKind kind = FileDialogKind::open;
  uint32_t addedOptions = 0;        // added to the dialog's own options
  std::wstring title;               // empty: the dialog's own title
  std::vector<FileFilter> filters;  // when there are any, the first is selected
  std::wstring defaultExtension;    // save dialog: added to a name typed without one
  std::wstring fileName;            // save dialog: put into the name box when not empty
  bool multipleResults = false;
};

FileDialogRequest archiveToOpenRequest();
FileDialogRequest archiveToSaveRequest(const std::wstring& suggestedFileName);
FileDialogRequest filesToAddRequest();
FileDialogRequest folderRequest(const std::wstring& title);
FileDialogRequest firstPartRequest();

std::wstring chooseArchiveToOpen(OwnerWindow owner);
std::wstring chooseArchiveToSave(OwnerWindow owner, const std::wstring& suggestedFileName);
std::vector<std::wstring> chooseFilesToAdd(OwnerWindow owner);
std::wstring chooseFolder(OwnerWindow owner, const std::wstring& title);
std::wstring chooseFirstPart(OwnerWindow owner);

// What the system dialog reports after it was prepared from a request, just before it would be
// shown. `created` is false where there is no system dialog (POSIX) or it could not be made.
struct PreparedFileDialog {
  bool created = false;
  uint32_t options = 0;        // GetOptions
  uint32_t fileTypeIndex = 0;  // GetFileTypeIndex, 1-based; 0 when none was set
  std::wstring fileName;       // GetFileName
};

// In place of showing the dialog: the paths a person would have chosen, or nothing for a cancel.
// With an answerer set every dialog is still created and prepared; only Show is left out. An empty
// function restores the real dialogs.
using FileDialogAnswerer =
    std::function<std::optional<std::vector<std::wstring>>(const FileDialogRequest&, const PreparedFileDialog&)>;
void setFileDialogAnswererForTesting(FileDialogAnswerer answerer);

}  // namespace tolzeb::ui
