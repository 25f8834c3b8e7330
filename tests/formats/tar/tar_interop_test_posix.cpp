// Interoperability with peer tools run as black boxes: GNU tar and Python's tarfile read what we
// write, and we read what they write. Skipped when a tool is missing.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <optional>
#include <sstream>

#include "support/peer_tools.h"
#include "engine/core/text.h"
#include "support/scratch_tree.h"
#include "formats/tar/tar_read.h"
#include "formats/tar/tar_writer.h"

namespace tolzeb {
namespace {

using peertools::run;
using testing::printable;
using testing::ScratchTree;

// Entry path -> content; no content for a folder.
using Tree = std::map<std::wstring, std::optional<std::string>>;

std::string narrow(const std::wstring& text) {
  const Bytes utf8 = *utf16ToUtf8(text);
  return std::string(utf8.begin(), utf8.end());
}

std::string quoted(const std::wstring& path) { return "'" + narrow(path) + "'"; }

std::string blob() {
  std::string bytes(70000, '\0');
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = char(i * 31 + i / 7);
  return bytes;
}

// Everything fits the ustar fields and Version 7's 99-byte names.
Tree shortTree(const std::wstring& root) {
  return {{root, std::nullopt},
          {root + L"/plain.txt", "plain"},
          {root + L"/empty", std::nullopt},
          {root + L"/zero", ""},
          {root + L"/caf\u00E9", std::nullopt},
          {root + L"/caf\u00E9/\u65E5\u672C.txt", "non-ASCII"},
          {root + L"/sub", std::nullopt},
          {root + L"/sub/blob.bin", blob()}};
}

// Adds names that need a long-name record, the prefix split, and a folder name that only its
// trailing slash could split.
Tree longTree(const std::wstring& root) {
  Tree tree = shortTree(root);
  const std::wstring longFolder = root + L"/" + std::wstring(100, L'd');
  tree[longFolder] = std::nullopt;
  tree[longFolder + L"/" + std::wstring(120, L'e') + L".txt"] = "long";
  const std::wstring splitFolder = root + L"/" + std::wstring(140, L'p');
  tree[splitFolder] = std::nullopt;
  tree[splitFolder + L"/q.txt"] = "split";
  tree[root + L"/" + std::wstring(125, L'g')] = std::nullopt;
  return tree;
}

void materialise(const ScratchTree& scratch, const Tree& tree) {
  for (const auto& [path, content] : tree) {
    if (content)
      scratch.writeText(path, *content);
    else
      scratch.makeDirectory(path);
  }
}

Tree treeFromListing(const ArchiveListing& listing, const std::wstring& archive) {
  Tree tree;
  for (const ListedEntry& entry : listing.entries) {
    if (entry.isDirectory) {
      tree[entry.path] = std::nullopt;
      continue;
    }
    Result<EntryBytes> read = readTarEntry(archive, entry.path, 1 << 20, false);
    tree[entry.path] = read.hasValue() ? std::string(read->bytes.begin(), read->bytes.end()) : "<unreadable>";
  }
  return tree;
}

Tree treeOnDisk(const ScratchTree& scratch, const std::wstring& below, const Tree& expected) {
  Tree tree;
  for (const auto& [path, content] : expected) {
    const std::wstring local = below + L"/" + path;
    if (isDirectory(scratch.path(local)))
      tree[path] = std::nullopt;
    else if (scratch.exists(local))
      tree[path] = scratch.readText(local);
  }
  return tree;
}

std::string describe(const Tree& tree) {
  std::ostringstream out;
  for (const auto& [path, content] : tree) {
    out << narrow(path);
    if (content)
      out << ' ' << content->size() << '\n';
    else
      out << "/\n";
  }
  return out.str();
}

// Lines of a text file written by a peer, as UTF-8.
std::vector<std::string> lines(const ScratchTree& scratch, const std::wstring& file) {
  std::vector<std::string> out;
  std::istringstream in(scratch.readText(file));
  for (std::string line; std::getline(in, line);)
    if (!line.empty()) out.push_back(line);
  return out;
}

// "name/" for folders and "name size" for files, as both peers report them below.
std::vector<std::string> expectedLines(const Tree& tree) {
  std::vector<std::string> out;
  for (const auto& [path, content] : tree)
    out.push_back(content ? narrow(path) + " " + std::to_string(content->size()) : narrow(path) + "/");
  std::sort(out.begin(), out.end());
  return out;
}

constexpr char kPythonList[] =
    "import sys, tarfile\n"
    "with tarfile.open(sys.argv[1]) as t:\n"
    "    names = sorted(m.name + '/' if m.isdir() else m.name + ' ' + str(m.size) for m in t.getmembers())\n"
    "    sys.stdout.buffer.write(('\\n'.join(names) + '\\n').encode('utf-8'))\n"
    "    t.extractall(sys.argv[2])\n";

class TarInteropTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TOLZEB_REQUIRE_PEER("tar --version", "GNU tar");
    TOLZEB_REQUIRE_PEER(peertools::python() + " -c 'import tarfile'", "Python with tarfile");
    TOLZEB_REQUIRE_PEER("gzip --version", "The gzip program");
    scratch_.writeText(L"list.py", kPythonList);
  }

  std::string in(const std::wstring& relative) const { return quoted(scratch_.path(relative)); }

  ScratchTree scratch_;
};

TEST_F(TarInteropTest, PeersListAndExtractWhatWeWrite) {
  const Tree tree = longTree(L"t");
  materialise(scratch_, tree);
  for (const bool gzip : {false, true}) {
    const std::wstring archive = gzip ? L"ours.tar.gz" : L"ours.tar";
    Result<ArchiveStats> made = createTar({scratch_.path(L"t")}, scratch_.path(archive), gzip, 9, {});
    ASSERT_TRUE(made.hasValue()) << printable(made.failure().message);
    if (gzip) {
      EXPECT_TRUE(run({"gzip -t", in(archive)}));
    }
    const std::string label = narrow(archive);

    {
      const std::wstring out = gzip ? L"gnu-gz" : L"gnu";
      scratch_.makeDirectory(out);
      ASSERT_TRUE(run({"LC_ALL=C.UTF-8 tar --quoting-style=literal -tvf", in(archive),
                       "| awk '{ if ($1 ~ /^d/) print $6; else print $6, $3 }' | sort >", in(L"gnu.txt")}));
      std::vector<std::string> listed = lines(scratch_, L"gnu.txt");
      EXPECT_EQ(listed, expectedLines(tree)) << label;
      ASSERT_TRUE(run({"tar -xf", in(archive), "-C", in(out)})) << label;
      EXPECT_EQ(describe(treeOnDisk(scratch_, out, tree)), describe(tree)) << label;
      EXPECT_EQ(treeOnDisk(scratch_, out, tree), tree) << label;
    }
    {
      const std::wstring out = gzip ? L"py-gz" : L"py";
      ASSERT_TRUE(run({peertools::python(), in(L"list.py"), in(archive), in(out), ">", in(L"py.txt")})) << label;
      EXPECT_EQ(lines(scratch_, L"py.txt"), expectedLines(tree)) << label;
      EXPECT_EQ(treeOnDisk(scratch_, out, tree), tree) << label;
    }
  }
}

TEST_F(TarInteropTest, WeReadWhatGnuTarWrites) {
  const Tree shortOnes = shortTree(L"s");
  const Tree longOnes = longTree(L"t");
  materialise(scratch_, shortOnes);
  materialise(scratch_, longOnes);
  std::error_code ignored;
  std::filesystem::create_symlink("plain.txt", narrow(scratch_.path(L"t/link")), ignored);
  struct Case {
    std::string options;
    const Tree* tree;
    std::wstring root;
  };
  const std::vector<Case> cases = {
      {"--format=gnu -cf", &longOnes, L"t"},    {"--format=oldgnu -cf", &longOnes, L"t"},
      {"--format=posix -cf", &longOnes, L"t"},  {"--format=ustar -cf", &shortOnes, L"s"},
      {"--format=v7 -cf", &shortOnes, L"s"},    {"-czf", &longOnes, L"t"},
      {"--format=posix -czf", &longOnes, L"t"},
  };
  int index = 0;
  for (const Case& c : cases) {
    const std::wstring archive = L"gnu" + std::to_wstring(index++) + L".tar";
    ASSERT_TRUE(run({"tar -C", in(L""), c.options, in(archive), narrow(c.root)})) << c.options;
    Result<ArchiveListing> listing = listTar(scratch_.path(archive));
    ASSERT_TRUE(listing.hasValue()) << c.options << ": " << printable(listing.failure().message);
    EXPECT_EQ(describe(treeFromListing(*listing, scratch_.path(archive))), describe(*c.tree)) << c.options;
    EXPECT_EQ(treeFromListing(*listing, scratch_.path(archive)), *c.tree) << c.options;
    EXPECT_TRUE(testTar(scratch_.path(archive), {}).hasValue()) << c.options;
    const std::wstring out = L"x" + std::to_wstring(index);
    Result<ArchiveStats> extracted = extractTar(scratch_.path(archive), scratch_.path(out), {}, ExtractOptions{}, {});
    ASSERT_TRUE(extracted.hasValue()) << c.options << ": " << printable(extracted.failure().message);
    EXPECT_EQ(treeOnDisk(scratch_, out, *c.tree), *c.tree) << c.options;
    EXPECT_FALSE(scratch_.exists(out + L"/t/link")) << c.options;
  }

  // Incremental dumps keep access and change times where the POSIX prefix would be; the names
  // must not pick them up. Their folders are dump records, which make no entries.
  ASSERT_TRUE(run({"tar -C", in(L""), "-G -cf", in(L"incremental.tar"), "t"}));
  Result<ArchiveListing> incremental = listTar(scratch_.path(L"incremental.tar"));
  ASSERT_TRUE(incremental.hasValue()) << printable(incremental.failure().message);
  Tree files;
  for (const auto& [path, content] : longOnes)
    if (content) files[path] = content;
  EXPECT_EQ(describe(treeFromListing(*incremental, scratch_.path(L"incremental.tar"))), describe(files));

  // A time before 1970 is stored as a negative number: unknown, not damage.
  scratch_.writeText(L"old/f", "old");
  ASSERT_TRUE(run({"touch -d 1960-01-01", in(L"old/f")}));
  ASSERT_TRUE(run({"tar -C", in(L""), "--format=gnu -cf", in(L"old.tar"), "old"}));
  Result<ArchiveListing> old = listTar(scratch_.path(L"old.tar"));
  ASSERT_TRUE(old.hasValue()) << printable(old.failure().message);
  ASSERT_EQ(old->entries.size(), 2u);
  EXPECT_EQ(old->entries[1].path, L"old/f");
  EXPECT_EQ(old->entries[1].modified, 0u);

  // Archiving a folder's contents writes a "./" entry first: it is the root, not an error.
  ASSERT_TRUE(run({"tar -C", in(L"s"), "-cf", in(L"dot.tar"), "."}));
  Result<ArchiveListing> dot = listTar(scratch_.path(L"dot.tar"));
  ASSERT_TRUE(dot.hasValue()) << printable(dot.failure().message);
  EXPECT_EQ(dot->entries.size(), shortOnes.size() - 1);
}

TEST_F(TarInteropTest, WeReadWhatPythonWrites) {
  const Tree tree = longTree(L"t");
  materialise(scratch_, tree);
  for (const char* format : {"PAX_FORMAT", "GNU_FORMAT"}) {
    const std::wstring archive = L"py.tar";
    const std::string script = std::string("import tarfile, sys\n") +
                               "with tarfile.open(sys.argv[1], 'w', format=tarfile." + format +
                               ") as t:\n"
                               "    t.add(sys.argv[2], arcname='t')\n";
    scratch_.writeText(L"make.py", script);
    ASSERT_TRUE(run({peertools::python(), in(L"make.py"), in(archive), in(L"t")})) << format;
    Result<ArchiveListing> listing = listTar(scratch_.path(archive));
    ASSERT_TRUE(listing.hasValue()) << format << ": " << printable(listing.failure().message);
    EXPECT_EQ(treeFromListing(*listing, scratch_.path(archive)), tree) << format;
  }
  // A fractional pax time keeps its whole seconds; a name that is not UTF-8 still reads.
  const std::string script =
      "import io, tarfile, sys\n"
      "with tarfile.open(sys.argv[1], 'w', format=tarfile.PAX_FORMAT) as t:\n"
      "    i = tarfile.TarInfo('frac.txt'); i.size = 1; i.mtime = 1700000000.75\n"
      "    t.addfile(i, io.BytesIO(b'x'))\n"
      "with tarfile.open(sys.argv[2], 'w', format=tarfile.GNU_FORMAT, encoding='latin-1') as t:\n"
      "    i = tarfile.TarInfo('caf\\u00e9.txt'); i.size = 1\n"
      "    t.addfile(i, io.BytesIO(b'y'))\n";
  scratch_.writeText(L"special.py", script);
  ASSERT_TRUE(run({peertools::python(), in(L"special.py"), in(L"frac.tar"), in(L"latin.tar")}));
  Result<ArchiveListing> frac = listTar(scratch_.path(L"frac.tar"));
  ASSERT_TRUE(frac.hasValue());
  ASSERT_EQ(frac->entries.size(), 1u);
  EXPECT_EQ(frac->entries[0].modified, 1700000000ull * 10000000 + 116444736000000000ull);
  Result<ArchiveListing> latin = listTar(scratch_.path(L"latin.tar"));
  ASSERT_TRUE(latin.hasValue());
  ASSERT_EQ(latin->entries.size(), 1u);
  EXPECT_EQ(latin->entries[0].path, L"caf\u00E9.txt");
}

}  // namespace
}  // namespace tolzeb
