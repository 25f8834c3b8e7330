#include "i18n_test_support.h"

#include <fstream>

namespace tolzeb::ui::i18n::testing {

ProgramFolder::ProgramFolder() : path_(widePathToNarrow(folder_.path())) {
  std::filesystem::create_directories(path_ / "locales");
  setProgramDirectoryForTesting(folder_.path());
}

ProgramFolder::~ProgramFolder() { setProgramDirectoryForTesting(std::nullopt); }

void ProgramFolder::writeCatalogue(const std::string& tag, std::string_view bytes) const {
  std::ofstream out(path_ / "locales" / (tag + ".json"), std::ios::binary);
  out.write(bytes.data(), std::streamsize(bytes.size()));
  ASSERT_TRUE(out.good());
}

std::filesystem::path sourceLocalesFolder() {
  return (std::filesystem::path(TOLZEB_TEST_DATA) / ".." / ".." / "locales").lexically_normal();
}

}  // namespace tolzeb::ui::i18n::testing
