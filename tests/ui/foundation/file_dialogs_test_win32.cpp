// The system's dialogs are created and prepared from each request; only Show, which needs a person,
// is answered by the test.
#include <gtest/gtest.h>
#include <windows.h>
// COM start-up, left out of windows.h by WIN32_LEAN_AND_MEAN.
#include <objbase.h>

#include "i18n_test_support.h"
#include "ui/app/dialog_apartment.h"
#include "ui/foundation/file_dialogs.h"

namespace tolzeb::ui {
namespace {

using Apartment = testing::DialogApartment;

struct Seen {
  FileDialogRequest request;
  PreparedFileDialog dialog;
};

class Recorder {
 public:
  explicit Recorder(std::optional<std::vector<std::wstring>> answer) {
    setFileDialogAnswererForTesting(
        [this, answer](const FileDialogRequest& request, const PreparedFileDialog& prepared) {
          seen.push_back({request, prepared});
          return answer;
        });
  }
  ~Recorder() { setFileDialogAnswererForTesting(nullptr); }
  std::vector<Seen> seen;
};

TEST(FileDialogsWindows, EachSystemDialogIsPreparedWithItsOptionsTypesAndName) {
  Apartment apartment;
  i18n::testing::StateGuard state;
  Recorder recorder(std::vector<std::wstring>{L"C:\\chosen\\one.zeb", L"C:\\chosen\\two.zeb"});

  EXPECT_EQ(chooseArchiveToOpen(nullptr), L"C:\\chosen\\one.zeb");
  EXPECT_EQ(chooseArchiveToSave(nullptr, L"Holiday photos"), L"C:\\chosen\\one.zeb");
  EXPECT_EQ(chooseFilesToAdd(nullptr), (std::vector<std::wstring>{L"C:\\chosen\\one.zeb", L"C:\\chosen\\two.zeb"}));
  EXPECT_EQ(chooseFolder(nullptr, L"Extract to"), L"C:\\chosen\\one.zeb");
  EXPECT_EQ(chooseFirstPart(nullptr), L"C:\\chosen\\one.zeb");

  ASSERT_EQ(recorder.seen.size(), 5u);
  const uint32_t added[] = {0x1040, 0x42, 0x1240, 0x860, 0x1040};
  for (size_t i = 0; i < recorder.seen.size(); ++i) {
    const PreparedFileDialog& dialog = recorder.seen[i].dialog;
    EXPECT_TRUE(dialog.created) << i;
    EXPECT_EQ(dialog.options & added[i], added[i]) << i;
  }
  // The dialogs with file types start on the first one.
  EXPECT_EQ(recorder.seen[0].dialog.fileTypeIndex, 1u);
  EXPECT_EQ(recorder.seen[1].dialog.fileTypeIndex, 1u);
  EXPECT_EQ(recorder.seen[4].dialog.fileTypeIndex, 1u);
  EXPECT_EQ(recorder.seen[1].dialog.fileName, L"Holiday photos");
  EXPECT_EQ(recorder.seen[1].request.defaultExtension, L"zeb");
}

TEST(FileDialogsWindows, ACancelOrAnItemWithoutAPathGivesNothing) {
  Apartment apartment;
  i18n::testing::StateGuard state;
  {
    Recorder cancel(std::nullopt);
    EXPECT_EQ(chooseArchiveToOpen(nullptr), L"");
    EXPECT_EQ(chooseArchiveToSave(nullptr, L"a"), L"");
    EXPECT_TRUE(chooseFilesToAdd(nullptr).empty());
    EXPECT_EQ(chooseFolder(nullptr, L""), L"");
    EXPECT_EQ(chooseFirstPart(nullptr), L"");
    EXPECT_EQ(cancel.seen.size(), 5u);
  }
  Recorder noPath(std::vector<std::wstring>{L"", L"C:\\kept.txt", L""});
  EXPECT_EQ(chooseFilesToAdd(nullptr), std::vector<std::wstring>{L"C:\\kept.txt"});
  EXPECT_EQ(chooseFirstPart(nullptr), L"C:\\kept.txt");
}

}  // namespace
}  // namespace tolzeb::ui
