// Without system dialogs only the answerer chooses: what the choosers make of its answers. The
// Windows test answers the real, prepared dialogs.
#include <gtest/gtest.h>

#include "i18n_test_support.h"
#include "ui/foundation/file_dialogs.h"

namespace tolzeb::ui {
namespace {

using i18n::testing::StateGuard;

// Installs an answerer for the test's life and records what each dialog was asked.
class Answers {
 public:
  explicit Answers(std::optional<std::vector<std::wstring>> answer) : answer_(std::move(answer)) {
    setFileDialogAnswererForTesting([this](const FileDialogRequest& request, const PreparedFileDialog& prepared) {
      requests.push_back(request);
      dialogs.push_back(prepared);
      return answer_;
    });
  }
  ~Answers() { setFileDialogAnswererForTesting(nullptr); }

  std::vector<FileDialogRequest> requests;
  std::vector<PreparedFileDialog> dialogs;

 private:
  std::optional<std::vector<std::wstring>> answer_;
};

TEST(FileDialogs, ACancelledDialogGivesNothing) {
  StateGuard state;
  Answers cancel(std::nullopt);
  EXPECT_EQ(chooseArchiveToOpen(nullptr), L"");
  EXPECT_EQ(chooseArchiveToSave(nullptr, L"a.zeb"), L"");
  EXPECT_TRUE(chooseFilesToAdd(nullptr).empty());
  EXPECT_EQ(chooseFolder(nullptr, L"Pick"), L"");
  EXPECT_EQ(chooseFirstPart(nullptr), L"");
  EXPECT_EQ(cancel.requests.size(), 5u);
}

TEST(FileDialogs, ChosenPathsComeBackInTheDialogsOrderWithoutEmptyOnes) {
  StateGuard state;
  Answers chosen(std::vector<std::wstring>{L"C:\\b.txt", L"", L"C:\\a.txt", L"C:\\c.txt"});
  EXPECT_EQ(chooseFilesToAdd(nullptr), (std::vector<std::wstring>{L"C:\\b.txt", L"C:\\a.txt", L"C:\\c.txt"}));
  EXPECT_EQ(chooseArchiveToOpen(nullptr), L"C:\\b.txt");
  EXPECT_EQ(chooseFolder(nullptr, L"Pick"), L"C:\\b.txt");
  ASSERT_EQ(chosen.requests.size(), 3u);
  EXPECT_EQ(chosen.requests[2].title, L"Pick");

  Answers emptyOnly(std::vector<std::wstring>{L""});
  EXPECT_EQ(chooseFirstPart(nullptr), L"");
  EXPECT_TRUE(chooseFilesToAdd(nullptr).empty());
}

}  // namespace
}  // namespace tolzeb::ui
