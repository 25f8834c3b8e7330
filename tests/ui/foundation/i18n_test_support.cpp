#include "i18n_test_support.h"

#include <atomic>
#include <chrono>
#include <fstream>
#include <random>

namespace tolzeb::ui::i18n::testing {

ProgramFolder::ProgramFolder() {
  static std::atomic<unsigned> counter{0};
  // Test processes run side by side, so the name mixes the clock, a random number and a count.
  const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  const unsigned random = std::random_device{}();
  path_ = std::filesystem::temp_directory_path() / ("tolzeb-i18n-" + std::to_string(stamp) + "-" +
                                                    std::to_string(random) + "-" + std::to_string(counter++));
  std::filesystem::create_directories(path_ / "locales");
  setProgramDirectoryForTesting(widePath(path_));
}

ProgramFolder::~ProgramFolder() {
  setProgramDirectoryForTesting(std::nullopt);
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

void ProgramFolder::writeCatalogue(const std::string& tag, std::string_view bytes) const {
  std::ofstream out(path_ / "locales" / (tag + ".json"), std::ios::binary);
  out.write(bytes.data(), std::streamsize(bytes.size()));
  ASSERT_TRUE(out.good());
}

std::filesystem::path sourceLocalesFolder() {
  return (std::filesystem::path(TOLZEB_TEST_DATA) / ".." / ".." / "locales").lexically_normal();
}

}  // namespace tolzeb::ui::i18n::testing
