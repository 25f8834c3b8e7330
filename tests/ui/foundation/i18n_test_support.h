// Helpers for the localisation tests: catalogues built from JSON text, a scratch folder that
// stands in for the program directory, and a guard that leaves the process-wide state empty.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "support/temp_folder.h"
#include "ui/foundation/catalog.h"
#include "ui/foundation/catalogue_source.h"
#include "ui/foundation/localisation.h"

namespace tolzeb::ui::i18n::testing {

inline std::shared_ptr<const Catalog> catalogFromJson(const std::wstring& tag, std::string_view json) {
  CatalogueEntries entries;
  ParseResult result = parseLocaleFile(reinterpret_cast<const uint8_t*>(json.data()), json.size(), entries);
  EXPECT_TRUE(result.ok) << result.message << " at " << result.line << ":" << result.column;
  return std::make_shared<const Catalog>(tag, std::move(entries));
}

// Puts the given catalogues and row into the shared state and empties it again afterwards.
class StateGuard {
 public:
  StateGuard() { reset(); }
  StateGuard(std::shared_ptr<const Catalog> current, std::shared_ptr<const Catalog> fallback,
             const LanguageInfo* row, bool formatsFollow = false) {
    State& state = sharedState();
    std::lock_guard<std::mutex> lock(state.mutex);
    state.current = std::move(current);
    state.fallback = std::move(fallback);
    state.row = row;
    state.formatsFollowLanguage = formatsFollow;
  }
  ~StateGuard() { reset(); }
  StateGuard(const StateGuard&) = delete;
  StateGuard& operator=(const StateGuard&) = delete;

 private:
  static void reset() {
    State& state = sharedState();
    std::lock_guard<std::mutex> lock(state.mutex);
    state.current.reset();
    state.fallback.reset();
    state.row = nullptr;
    state.formatsFollowLanguage = false;
  }
};

// The wide form our file layer takes; the test paths are ASCII.
inline std::wstring widePath(const std::filesystem::path& path) {
  const std::string narrow = path.string();
  return std::wstring(narrow.begin(), narrow.end());
}

// The narrow form of an ASCII wide path.
inline std::filesystem::path widePathToNarrow(const std::wstring& path) { return std::string(path.begin(), path.end()); }

// A TempFolder that the catalogue loader takes for the program directory while it lives.
class ProgramFolder {
 public:
  ProgramFolder();
  ~ProgramFolder();
  ProgramFolder(const ProgramFolder&) = delete;
  ProgramFolder& operator=(const ProgramFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // Writes locales/<tag>.json with exactly these bytes.
  void writeCatalogue(const std::string& tag, std::string_view bytes) const;

 private:
  tolzeb::testing::TempFolder folder_;  // ASCII: the temp folder and a fixed pattern
  std::filesystem::path path_;
};

// The shipped catalogues in the source tree.
std::filesystem::path sourceLocalesFolder();

}  // namespace tolzeb::ui::i18n::testing
