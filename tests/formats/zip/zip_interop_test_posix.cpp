// .zip archives against the zip and unzip programs and Python's zipfile as black-box peers.
#include <gtest/gtest.h>

#include "support/peer_tools.h"
#include "engine/core/text.h"
#include "formats/zip/zip.h"
#include "formats/zip/zip_writer.h"

namespace tolzeb {
namespace {

using namespace peertools;

std::wstring wide(const std::filesystem::path& path) {
  const std::string narrow = path.string();
  return std::wstring(narrow.begin(), narrow.end());
}

std::string narrow(const std::wstring& text) {
  auto bytes = utf16ToUtf8(text);
  return std::string(bytes->begin(), bytes->end());
}

// Makes archives with Python's zipfile; each case is a few lines of Python run in the scratch folder.
bool runPythonScript(const std::filesystem::path& folder, const std::string& script) {
  const auto file = folder / "make.py";
  writeFile(file, Bytes(script.begin(), script.end()));
  return run({"cd", quoted(folder), "&&", peertools::python(), quoted(file), ">/dev/null 2>&1"});
}

class ZipPeerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TOLZEB_REQUIRE_PEER(peertools::python() + " -c 'import zipfile'", "Python with zipfile");
    TOLZEB_REQUIRE_PEER("unzip -v", "unzip");
    TOLZEB_REQUIRE_PEER("zip -v", "zip");
    TOLZEB_REQUIRE_PEER("7z i", "The 7z program");
  }
  ScratchDirectory scratch_;
};

TEST_F(ZipPeerTest, PeersAcceptWhatWeWrite) {
  const auto source = scratch_.path() / "tree";
  std::filesystem::create_directories(source / "sub" / "hollow");
  std::string text;
  for (int i = 0; i < 2000; ++i) text += "row " + std::to_string(i % 13) + "\n";
  writeFile(source / "text.txt", Bytes(text.begin(), text.end()));
  writeFile(source / "empty", {});
  writeFile(source / "sub" / "caf\xC3\xA9.txt", Bytes{'u', 't', 'f'});

  struct Case {
    const char* name;
    int level;
    ZipWriterThresholds thresholds;
  };
  const Case cases[] = {
      {"deflated", 6, {}},
      {"stored", 0, {}},
      {"ZIP64 sizes, offsets and end records", 9, {100, 2}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto zip = scratch_.path() / (std::string(c.name).substr(0, 4) + ".zip");
    auto stats = createZipWithThresholds({wide(source)}, wide(zip), c.level, {}, c.thresholds);
    ASSERT_TRUE(stats.hasValue()) << narrow(stats.failure().message);
    const std::string check =
        "import zipfile\n"
        "z = zipfile.ZipFile('" + zip.string() + "')\n"
        "assert z.testzip() is None\n"
        "names = sorted(z.namelist())\n"
        "assert names == ['tree/', 'tree/empty', 'tree/sub/', 'tree/sub/caf\\u00e9.txt', 'tree/sub/hollow/', "
        "'tree/text.txt'], names\n"
        "assert z.read('tree/text.txt') == open('" + (source / "text.txt").string() + "', 'rb').read()\n"
        "assert z.getinfo('tree/sub/').is_dir()\n";
    EXPECT_TRUE(runPythonScript(scratch_.path(), check));
    // unzip reads names from a host-0 (MS-DOS) writer as code page 437 despite the UTF-8 flag, and
    // with version 4.5 headers it then warns that the local and central names differ; the data
    // still tests fine. So unzip checks the plain archives, and the names are left to Python.
    if (c.thresholds.largestEntryCount == kZip16BitEscape) {
      EXPECT_TRUE(run({"unzip -tq", quoted(zip), ">/dev/null 2>&1"}));
      const auto out = scratch_.path() / ("unzipped-" + std::to_string(c.level));
      ASSERT_TRUE(run({"unzip -q", quoted(zip), "-d", quoted(out), ">/dev/null 2>&1"}));
      EXPECT_TRUE(readFile(out / "tree" / "text.txt") == readFile(source / "text.txt"));
      EXPECT_TRUE(std::filesystem::is_directory(out / "tree" / "sub" / "hollow"));
    }
    EXPECT_TRUE(run({"7z t", quoted(zip), ">/dev/null 2>&1"}));
  }
}

TEST_F(ZipPeerTest, WeReadWhatPeersWrite) {
  const std::string text = "peer data " + std::string(3000, 'x') + " end";
  const std::string script =
      "import zipfile, io, sys\n"
      "data = b'peer data ' + b'x' * 3000 + b' end'\n"
      "for name, method in (('py-stored.zip', zipfile.ZIP_STORED), ('py-deflated.zip', zipfile.ZIP_DEFLATED)):\n"
      "    with zipfile.ZipFile(name, 'w', method) as z:\n"
      "        z.writestr('folder/', b'')\n"
      "        z.writestr('folder/data.bin', data)\n"
      "        z.writestr('\\u65e5\\u672c/caf\\u00e9.txt', data)\n"
      "        z.writestr('empty.txt', b'')\n"
      "with zipfile.ZipFile('py-zip64.zip', 'w', zipfile.ZIP_DEFLATED) as z:\n"
      "    with z.open('folder/data.bin', 'w', force_zip64=True) as f: f.write(data)\n"
      "class Stream(io.RawIOBase):\n"
      "    def __init__(s, f): s.f = f\n"
      "    def writable(s): return True\n"
      "    def write(s, b): return s.f.write(b)\n"
      "with open('py-descriptors.zip', 'wb') as raw:\n"
      "    with zipfile.ZipFile(Stream(raw), 'w', zipfile.ZIP_DEFLATED) as z:\n"
      "        z.writestr('folder/data.bin', data)\n"
      "with zipfile.ZipFile('py-many.zip', 'w') as z:\n"
      "    for i in range(70000): z.writestr('m/%05d' % i, b'')\n"
      "    z.writestr('folder/data.bin', data)\n"
      "with zipfile.ZipFile('py-bzip2.zip', 'w', zipfile.ZIP_BZIP2) as z:\n"
      "    z.writestr('folder/data.bin', data)\n";
  ASSERT_TRUE(runPythonScript(scratch_.path(), script));

  std::vector<std::string> archives = {"py-stored.zip", "py-deflated.zip", "py-zip64.zip", "py-descriptors.zip",
                                       "py-many.zip"};
  {
    const auto input = scratch_.path() / "zin";
    std::filesystem::create_directories(input / "folder" / "hollow");
    writeFile(input / "folder" / "data.bin", Bytes(text.begin(), text.end()));
    ASSERT_TRUE(run({"cd", quoted(input), "&& zip -qr ../info-deflated.zip folder && zip -qr0 ../info-stored.zip folder",
                     "&& zip -qr -fd ../info-streamed.zip folder"}));
    archives.insert(archives.end(), {"info-deflated.zip", "info-stored.zip", "info-streamed.zip"});
    ASSERT_TRUE(run({"cd", quoted(input), "&& zip -q -P secret ../info-encrypted.zip folder/data.bin"}));
  }

  for (const std::string& name : archives) {
    SCOPED_TRACE(name);
    const std::wstring path = wide(scratch_.path() / name);
    auto probed = probeZip(path);
    ASSERT_TRUE(probed.hasValue());
    EXPECT_TRUE(probed.value());
    auto listing = listZip(path);
    ASSERT_TRUE(listing.hasValue()) << narrow(listing.failure().message);
    auto tested = testZip(path, {});
    ASSERT_TRUE(tested.hasValue()) << narrow(tested.failure().message);
    auto entry = readZipEntry(path, L"folder/data.bin", 1 << 20, false);
    ASSERT_TRUE(entry.hasValue()) << narrow(entry.failure().message);
    EXPECT_EQ(std::string(entry->bytes.begin(), entry->bytes.end()), text);
    const auto out = scratch_.path() / ("out-" + name);
    // Seventy thousand empty files would only slow the test down: that archive extracts one entry.
    const std::vector<std::wstring> selection =
        name == "py-many.zip" ? std::vector<std::wstring>{L"folder/data.bin"} : std::vector<std::wstring>{};
    auto extracted = extractZip(path, wide(out), selection, ExtractOptions{}, {});
    ASSERT_TRUE(extracted.hasValue()) << narrow(extracted.failure().message);
    EXPECT_TRUE(readFile(out / "folder" / "data.bin") == Bytes(text.begin(), text.end()));
    if (name == "py-stored.zip" || name == "py-deflated.zip") {
      EXPECT_TRUE(std::filesystem::exists(out / "\xE6\x97\xA5\xE6\x9C\xAC" / "caf\xC3\xA9.txt"));
      EXPECT_TRUE(std::filesystem::exists(out / "empty.txt"));
    }
  }

  struct Refusal {
    std::string archive;
    std::wstring message;
  };
  std::vector<Refusal> refusals = {
      {"py-bzip2.zip",
       L"Entry uses compression method 12, which TOLZEB cannot read (only store and deflate): folder/data.bin"},
      {"info-encrypted.zip", L"Entry is encrypted, which TOLZEB cannot read: folder/data.bin"}};
  for (const Refusal& refusal : refusals) {
    SCOPED_TRACE(refusal.archive);
    const std::wstring path = wide(scratch_.path() / refusal.archive);
    EXPECT_TRUE(listZip(path).hasValue());
    auto tested = testZip(path, {});
    ASSERT_TRUE(tested.failed());
    EXPECT_EQ(tested.failure().code, StatusCode::unsupported_version);
    EXPECT_EQ(tested.failure().message, refusal.message);
  }
}

}  // namespace
}  // namespace tolzeb
