#include "ui/foundation/file_dialogs.h"

#include <gtest/gtest.h>

#include "i18n_test_support.h"

namespace tolzeb::ui {
namespace {

using i18n::testing::catalogFromJson;
using i18n::testing::StateGuard;

// Plain literals: the formatter mangles raw strings that hold "(*".
constexpr const char* kEnglish =
    "{\"filedialog\":{\"open_archive\":\"Open archive\",\"archives_filter\":\"Archives (*.zeb, *.zip)\","
    "\"zeb_filter\":\"TOLZEB archive (*.zeb)\",\"zip_filter\":\"ZIP archive (*.zip)\",\"all_files\":\"All files\","
    "\"save_archive_as\":\"Save archive as\",\"add_files\":\"Add files to the archive\","
    "\"open_first_part\":\"Open the first part (.001)\",\"part_files\":\"TOLZEB part files\"}}";

constexpr const char* kGerman =
    "{\"filedialog\":{\"open_archive\":\"Archiv \\u00f6ffnen\",\"archives_filter\":\"Archive\","
    "\"zeb_filter\":\"TOLZEB-Archiv\",\"zip_filter\":\"ZIP-Archiv\",\"all_files\":\"Alle Dateien\","
    "\"part_files\":\"TOLZEB-Teildateien\"}}";

std::vector<FileFilter> archiveFiltersInEnglish() {
  return {{L"Archives (*.zeb, *.zip)", L"*.zeb;*.zip"},
          {L"TOLZEB archive (*.zeb)", L"*.zeb"},
          {L"ZIP archive (*.zip)", L"*.zip"},
          {L"All files", L"*.*"}};
}

TEST(FileDialogs, EachDialogIsRequestedWithItsOptionsTitleAndFilters) {
  auto english = catalogFromJson(L"en-US", kEnglish);
  StateGuard state(english, english, &i18n::englishLanguage());

  const FileDialogRequest open = archiveToOpenRequest();
  EXPECT_EQ(open.kind, FileDialogKind::open);
  EXPECT_EQ(open.addedOptions, 0x1040u);
  EXPECT_EQ(open.title, L"Open archive");
  EXPECT_EQ(open.filters, archiveFiltersInEnglish());
  EXPECT_FALSE(open.multipleResults);
  EXPECT_EQ(open.defaultExtension, L"");

  const FileDialogRequest save = archiveToSaveRequest(L"Photos.zeb");
  EXPECT_EQ(save.kind, FileDialogKind::save);
  EXPECT_EQ(save.addedOptions, 0x42u);
  EXPECT_EQ(save.title, L"Save archive as");
  EXPECT_EQ(save.filters, archiveFiltersInEnglish());
  EXPECT_EQ(save.defaultExtension, L"zeb");
  EXPECT_EQ(save.fileName, L"Photos.zeb");
  EXPECT_EQ(archiveToSaveRequest(L"").fileName, L"");

  const FileDialogRequest add = filesToAddRequest();
  EXPECT_EQ(add.kind, FileDialogKind::open);
  EXPECT_EQ(add.addedOptions, 0x1240u);
  EXPECT_EQ(add.title, L"Add files to the archive");
  EXPECT_TRUE(add.filters.empty());
  EXPECT_TRUE(add.multipleResults);

  const FileDialogRequest folder = folderRequest(L"Extract to");
  EXPECT_EQ(folder.addedOptions, 0x860u);
  EXPECT_EQ(folder.title, L"Extract to");
  EXPECT_TRUE(folder.filters.empty());
  EXPECT_EQ(folderRequest(L"").title, L"");

  const FileDialogRequest part = firstPartRequest();
  EXPECT_EQ(part.addedOptions, 0x1040u);
  EXPECT_EQ(part.title, L"Open the first part (.001)");
  EXPECT_EQ(part.filters, (std::vector<FileFilter>{{L"TOLZEB part files", L"*.001"}, {L"All files", L"*.*"}}));
}

TEST(FileDialogs, TextsFollowTheLanguageCurrentWhenTheDialogOpens) {
  auto english = catalogFromJson(L"en-US", kEnglish);
  auto german = catalogFromJson(L"de-DE", kGerman);
  StateGuard state(german, english, i18n::findLanguage(L"de-DE"));
  const FileDialogRequest open = archiveToOpenRequest();
  EXPECT_EQ(open.title,
            L"Archiv \x00F6"
            L"ffnen");
  EXPECT_EQ(open.filters[0].name, L"Archive");
  EXPECT_EQ(open.filters[3].name, L"Alle Dateien");
  // A text the language lacks falls back to English.
  EXPECT_EQ(archiveToSaveRequest(L"").title, L"Save archive as");
  // The part dialog's second name is never translated.
  EXPECT_EQ(firstPartRequest().filters[0].name, L"TOLZEB-Teildateien");
  EXPECT_EQ(firstPartRequest().filters[1].name, L"All files");
}

}  // namespace
}  // namespace tolzeb::ui
