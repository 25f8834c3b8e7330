#include "ui/foundation/file_dialogs.h"

#include <mutex>

#include "ui/foundation/file_dialogs_platform.h"
#include "ui/foundation/localisation.h"

namespace tolzeb::ui {
namespace {

struct AnswererForTesting {
  std::mutex mutex;
  FileDialogAnswerer answerer;
};

AnswererForTesting& answererForTesting() {
  static AnswererForTesting instance;
  return instance;
}

// Translated each time a dialog opens, so a change of language shows at the next one.
std::vector<FileFilter> archiveFilters() {
  return {{i18n::translate("filedialog.archives_filter"), L"*.zeb;*.zip"},
          {i18n::translate("filedialog.zeb_filter"), L"*.zeb"},
          {i18n::translate("filedialog.zip_filter"), L"*.zip"},
          {i18n::translate("filedialog.all_files"), L"*.*"}};
}

std::vector<FileFilter> partFilters() {
  // The second name is fixed text, as the part dialog has always shown it.
  return {{i18n::translate("filedialog.part_files"), L"*.001"}, {L"All files", L"*.*"}};
}

std::vector<std::wstring> run(OwnerWindow owner, const FileDialogRequest& request) {
  FileDialogAnswerer answerer;
  {
    AnswererForTesting& injected = answererForTesting();
    std::lock_guard<std::mutex> lock(injected.mutex);
    answerer = injected.answerer;
  }
  std::vector<std::wstring> paths;
  for (std::wstring& path : platform::runFileDialog(owner, request, answerer)) {
    // An item without a file-system path is left out.
    if (!path.empty()) paths.push_back(std::move(path));
  }
  if (!request.multipleResults && paths.size() > 1) paths.resize(1);
  return paths;
}

std::wstring runForOne(OwnerWindow owner, const FileDialogRequest& request) {
  std::vector<std::wstring> paths = run(owner, request);
  return paths.empty() ? std::wstring() : std::move(paths.front());
}

}  // namespace

FileDialogRequest archiveToOpenRequest() {
  FileDialogRequest request;
  request.kind = FileDialogKind::open;
  request.addedOptions = kDialogFileMustExist | kDialogForceFileSystem;
  request.title = i18n::translate("filedialog.open_archive");
  request.filters = archiveFilters();
  return request;
}

FileDialogRequest archiveToSaveRequest(const std::wstring& suggestedFileName) {
  FileDialogRequest request;
  request.kind = FileDialogKind::save;
  request.addedOptions = kDialogForceFileSystem | kDialogOverwritePrompt;
  request.title = i18n::translate("filedialog.save_archive_as");
  request.filters = archiveFilters();
  request.defaultExtension = L"zeb";
  request.fileName = suggestedFileName;
  return request;
}

FileDialogRequest filesToAddRequest() {
  FileDialogRequest request;
  request.kind = FileDialogKind::open;
  request.addedOptions = kDialogFileMustExist | kDialogAllowMultiSelect | kDialogForceFileSystem;
  request.title = i18n::translate("filedialog.add_files");
  request.multipleResults = true;
  return request;
}

FileDialogRequest folderRequest(const std::wstring& title) {
  FileDialogRequest request;
  request.kind = FileDialogKind::open;
  request.addedOptions = kDialogPathMustExist | kDialogForceFileSystem | kDialogPickFolders;
  request.title = title;
  return request;
}

FileDialogRequest firstPartRequest() {
  FileDialogRequest request;
  request.kind = FileDialogKind::open;
  request.addedOptions = kDialogFileMustExist | kDialogForceFileSystem;
  request.title = i18n::translate("filedialog.open_first_part");
  request.filters = partFilters();
  return request;
}

std::wstring chooseArchiveToOpen(OwnerWindow owner) { return runForOne(owner, archiveToOpenRequest()); }

std::wstring chooseArchiveToSave(OwnerWindow owner, const std::wstring& suggestedFileName) {
  return runForOne(owner, archiveToSaveRequest(suggestedFileName));
}

std::vector<std::wstring> chooseFilesToAdd(OwnerWindow owner) { return run(owner, filesToAddRequest()); }

std::wstring chooseFolder(OwnerWindow owner, const std::wstring& title) {
  return runForOne(owner, folderRequest(title));
}

std::wstring chooseFirstPart(OwnerWindow owner) { return runForOne(owner, firstPartRequest()); }

void setFileDialogAnswererForTesting(FileDialogAnswerer answerer) {
  AnswererForTesting& injected = answererForTesting();
  std::lock_guard<std::mutex> lock(injected.mutex);
  injected.answerer = std::move(answerer);
}

}  // namespace tolzeb::ui
