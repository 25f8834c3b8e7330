// Every option given to zeb is either put to use or refused: none is dropped without a word.
#include "cli/option_use.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/zeb.h"
#include "cli_test_support.h"
#include "support/utf8_text.h"

namespace tolzeb::cli {
namespace {

using testing::argsText;
using testing::FakeWorld;
using tolzeb::testing::utf8Of;

TEST(OptionUse, ACommandRefusesAnOptionItHasNoUseFor) {
  struct Case {
    std::vector<std::wstring> args;
    std::wstring option;
  };
  const Case cases[] = {
      {{L"c", L"src", L"-o", L"a.zeb", L"--overwrite", L"skip"}, L"--overwrite"},
      {{L"c", L"src", L"-o", L"a.zeb", L"--deep"}, L"--deep"},
      {{L"x", L"a.zeb", L"-o", L"dir", L"--recovery", L"5"}, L"--recovery"},
      {{L"x", L"a.zeb", L"-o", L"dir", L"--mode", L"compact"}, L"--mode"},
      {{L"l", L"a.zeb", L"--output", L"listing.txt"}, L"-o"},
      {{L"t", L"a.zeb", L"--no-times"}, L"--no-times"},
      {{L"v", L"a.zeb", L"--chunk", L"1M"}, L"--chunk"},
      {{L"protect", L"a.zeb", L"--encrypt"}, L"--encrypt"},
      {{L"scan", L"a.zeb", L"--recovery", L"5"}, L"--recovery"},
      {{L"repair", L"a.zeb", L"--password-stdin"}, L"--password-stdin"},
      {{L"split", L"a.zeb", L"--part-size", L"1M", L"-o", L"parts"}, L"-o"},
      {{L"merge", L"a.zeb.001", L"-o", L"b.zeb", L"--verify"}, L"--verify"},
      {{L"cmp", L"a.zeb", L"dir", L"--format", L"zip"}, L"--format"},
      {{L"dup", L"a.zeb", L"--deep"}, L"--deep"},
      {{L"inc", L"src", L"--base", L"ref.zeb", L"-o", L"new.zeb", L"--part-size", L"1M"}, L"--part-size"},
  };
  for (const Case& c : cases) {
    FakeWorld world;
    EXPECT_EQ(runZeb(c.args, world.environment()), 2) << argsText(c.args);
    EXPECT_EQ(world.console.err, L"zeb: '" + c.args[0] + L"' does not use " + c.option + L"; leave it out.\n")
        << argsText(c.args);
    EXPECT_EQ(world.console.out, L"");
    EXPECT_TRUE(world.calls.empty()) << argsText(c.args);
    EXPECT_EQ(world.stdinReads, 0);
  }
}

TEST(OptionUse, OptionsThatSetHowARunWorksAreTakenByEveryCommand) {
  for (const wchar_t* word : {L"l", L"protect", L"scan", L"dup"}) {
    FakeWorld world;
    EXPECT_EQ(runZeb({word, L"a.zeb", L"--threads", L"2", L"--memory", L"256M", L"--quiet"}, world.environment()), 0)
        << utf8Of(world.console.err);
  }
}

TEST(OptionUse, AForeignArchiveRefusesWhatOnlyAZebCarries) {
  struct Case {
    std::vector<std::wstring> args;
    std::wstring err;
  };
  const Case cases[] = {
      {{L"-o", L"x.tgz", L"--recovery", L"5"},
       L"zeb: --recovery adds a recovery record, which only a .zeb carries; a TAR.GZ archive cannot carry it. Leave it "
       L"out, or write a .zeb.\n"},
      {{L"-o", L"x.zip", L"--chunk", L"1M"},
       L"zeb: --chunk sets the block size of a .zeb; a ZIP archive cannot carry it. Leave it out, or write a .zeb.\n"},
      {{L"-o", L"x.7z", L"--integrity", L"crc"},
       L"zeb: --integrity sets the per-block checks of a .zeb; a 7Z archive cannot carry it. Leave it out, or write a "
       L".zeb.\n"},
      {{L"-o", L"x", L"--format", L"tar", L"--dictionary"},
       L"zeb: --dictionary builds a shared dictionary, which only a .zeb carries; a TAR archive cannot carry it. Leave "
       L"it out, or write a .zeb.\n"},
      {{L"-o", L"x.zip", L"--kdf-iterations", L"200000"},
       L"zeb: --kdf-iterations sets the work factor of a .zeb's password; a ZIP archive cannot carry it. Leave it out, "
       L"or write a .zeb.\n"},
      // The same values as the defaults count as asked for too.
      {{L"-o", L"x.zip", L"--chunk", L"2M"},
       L"zeb: --chunk sets the block size of a .zeb; a ZIP archive cannot carry it. Leave it out, or write a .zeb.\n"},
  };
  for (const Case& c : cases) {
    FakeWorld world;
    std::vector<std::wstring> args{L"c", L"src", L"--quiet"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    EXPECT_EQ(runZeb(args, world.environment()), 2) << argsText(args);
    EXPECT_EQ(world.console.err, c.err);
    EXPECT_TRUE(world.calls.empty()) << argsText(args);
  }
}

TEST(OptionUse, AForeignArchiveIsReadBackWhenVerifyIsAskedFor) {
  struct Case {
    std::vector<std::wstring> args;
    std::vector<std::wstring> calls;
  };
  const Case cases[] = {
      {{}, {L"createZip a.zip"}},
      {{L"--no-verify"}, {L"createZip a.zip"}},
      {{L"--verify"}, {L"createZip a.zip", L"testAnyArchive a.zip"}},
      {{L"--verify", L"--no-verify"}, {L"createZip a.zip"}},  // the later one wins
  };
  for (const Case& c : cases) {
    FakeWorld world;
    std::vector<std::wstring> args{L"c", L"src", L"-o", L"a.zip", L"--quiet"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    EXPECT_EQ(runZeb(args, world.environment()), 0) << argsText(args);
    EXPECT_EQ(world.calls, c.calls) << argsText(args);
  }
}

TEST(OptionUse, AZebWithoutAPasswordRefusesAWorkFactor) {
  FakeWorld world;
  EXPECT_EQ(runZeb({L"c", L"src", L"-o", L"a.zeb", L"--kdf-iterations", L"200000"}, world.environment()), 2);
  EXPECT_EQ(world.console.err,
            L"zeb: --kdf-iterations sets the work factor of a password, and this archive gets none. Add --encrypt, or "
            L"leave it out.\n");
  EXPECT_TRUE(world.calls.empty());
}

}  // namespace
}  // namespace tolzeb::cli
