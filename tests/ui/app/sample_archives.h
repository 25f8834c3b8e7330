// Small real archives for the window's tests, made with the linked engine in a scratch folder:
// a plain ".zeb", an encrypted one, a zip, a text file and a folder of sources.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/core/fs.h"
#include "engine/core/secure_bytes.h"
#include "formats/engine_calls.h"
#include "support/temp_folder.h"

namespace tolzeb::ui::testing {

inline constexpr wchar_t kSamplePassword[] = L"correct horse";

inline Password samplePassword() {
  const std::string utf8 = "correct horse";
  return std::make_shared<const SecureBytes>(reinterpret_cast<const uint8_t*>(utf8.data()), utf8.size());
}

inline void writeFile(const std::wstring& path, const std::string& text) {
  Result<UniqueHandle> file = openForWrite(path, false);
  ASSERT_TRUE(file.hasValue());
  ASSERT_TRUE(file->writeAll(text.data(), text.size()).ok());
}

class SampleArchives {
 public:
  // sources/ holds a.txt, b.txt (the same bytes as a.txt) and sub/c.txt: three files, one folder.
  SampleArchives() {
    EXPECT_TRUE(createDirectories(root / L"sources/sub").ok());
    writeFile(root / L"sources/a.txt", "twice the same words\n");
    writeFile(root / L"sources/b.txt", "twice the same words\n");
    writeFile(root / L"sources/sub/c.txt", "once\n");
    writeFile(textFile(), "not an archive\n");
    const EngineCalls& engine = linkedEngine();
    CompressionOptions options;
    options.threads = 1;
    options.verifyAfterWrite = false;
    EXPECT_TRUE(engine.createArchive({sources()}, zeb(), options, {}).hasValue());
    options.password = samplePassword();
    options.kdfIterations = kMinKdfIterations;
    EXPECT_TRUE(engine.createArchive({sources()}, lockedZeb(), options, {}).hasValue());
    EXPECT_TRUE(engine.createZip({sources()}, zip(), 6, {}).hasValue());
  }

  std::wstring sources() const { return root / L"sources"; }
  std::wstring zeb() const { return root / L"plain.zeb"; }
  std::wstring lockedZeb() const { return root / L"locked.zeb"; }
  std::wstring zip() const { return root / L"photos.zip"; }
  std::wstring textFile() const { return root / L"notes.txt"; }
  std::wstring missing() const { return root / L"gone.zeb"; }
  std::wstring path(const std::wstring& relative) const { return root / relative; }

  tolzeb::testing::TempFolder root;
};

}  // namespace tolzeb::ui::testing
