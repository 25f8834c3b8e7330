#include "ui/preview/preview_controller.h"

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "english_catalogue.h"
#include "ui/foundation/format.h"

namespace tolzeb::ui {
namespace {

using namespace std::chrono_literals;

// Entries by name, a count of reads, an optional gate a read waits at, and the notifications.
struct FakeArchive {
  std::mutex mutex;
  std::condition_variable changed;
  std::map<std::wstring, Result<EntryBytes>> entries;
  std::vector<uint64_t> ceilings;
  int reads = 0;
  bool gateClosed = false;
  int waitingAtGate = 0;
  std::vector<uint64_t> notified;

  void put(const std::wstring& name, const std::string& bytes) {
    EntryBytes entry;
    entry.bytes.assign(bytes.begin(), bytes.end());
    entry.fullSize = bytes.size();
    entries.insert_or_assign(name, Result<EntryBytes>(std::move(entry)));
  }

  PreviewServices services() {
    PreviewServices s;
    s.readEntry = [this](const PreviewRequest& request, uint64_t ceiling) -> Result<EntryBytes> {
      std::unique_lock<std::mutex> lock(mutex);
      ++reads;
      ceilings.push_back(ceiling);
      ++waitingAtGate;
      changed.notify_all();
      changed.wait_for(lock, 10s, [this] { return !gateClosed; });
      --waitingAtGate;
      auto it = entries.find(request.entryName);
      if (it == entries.end()) return Result<EntryBytes>(StatusCode::not_found, L"no entry");
      return it->second;
    };
    // A picture is "decoded" into a 2x1 bitmap when it starts with a PNG signature and is long enough.
    s.decodeImage = [](const uint8_t* bytes, size_t count, PreviewImage& image, std::wstring& message) {
      if (count < 16) {
        message = L"bad image";
        return false;
      }
      (void)bytes;
      image.width = 2;
      image.height = 1;
      image.stride = 8;
      image.pixels.assign(8, 0x7F);
      return true;
    };
    s.notify = [this](WindowHandle, uint64_t generation) {
      std::lock_guard<std::mutex> lock(mutex);
      notified.push_back(generation);
      changed.notify_all();
    };
    return s;
  }

  bool waitFor(size_t notifications) {
    std::unique_lock<std::mutex> lock(mutex);
    return changed.wait_for(lock, 10s, [&] { return notified.size() >= notifications; });
  }
  bool waitAtGate() {
    std::unique_lock<std::mutex> lock(mutex);
    return changed.wait_for(lock, 10s, [&] { return waitingAtGate > 0; });
  }
  void setGate(bool closed) {
    std::lock_guard<std::mutex> lock(mutex);
    gateClosed = closed;
    changed.notify_all();
  }
};

const std::string kPng = std::string("\x89PNG\r\n\x1A\n", 8) + std::string(24, 'x');

PreviewRequest requestFor(const std::wstring& name, uint64_t size, uint64_t stamp = 7) {
  PreviewRequest r;
  r.archivePath = L"/a.zip";
  r.archiveKind = ArchiveKind::zip;
  r.entryName = name;
  r.entrySize = size;
  r.cacheStamp = stamp;
  return r;
}

class PreviewControllerTest : public EnglishCatalogueTest {
 protected:
  PreviewResult show(PreviewController& controller, const PreviewRequest& request) {
    size_t before = archive.notified.size();
    controller.request(request, nullptr);
    EXPECT_TRUE(archive.waitFor(before + 1));
    return controller.snapshot();
  }
  FakeArchive archive;
};

TEST_F(PreviewControllerTest, ReadsClassifiesAndDecodes) {
  archive.put(L"a.txt", "one\ntwo");
  archive.put(L"p.bin", kPng);
  archive.put(L"blob", std::string("\0\0\0\0\0\0\0\0", 8));
  archive.put(L"doc.pdf", "%PDF-1.4 ....");
  archive.put(L"song.mp3", "ID3.....");
  archive.put(L"empty.txt", "");
  PreviewController controller(archive.services());

  PreviewResult text = show(controller, requestFor(L"a.txt", 7));
  EXPECT_EQ(text.state, PreviewState::ready);
  EXPECT_EQ(text.kind, PreviewKind::text);
  EXPECT_EQ(text.typeLabel, L"Text");
  EXPECT_EQ(text.text, L"one\ntwo");
  EXPECT_EQ(text.lineCount, 2u);

  PreviewResult image = show(controller, requestFor(L"p.bin", kPng.size()));
  EXPECT_EQ(image.state, PreviewState::ready);
  EXPECT_EQ(image.kind, PreviewKind::image);
  EXPECT_EQ(image.typeLabel, L"PNG image");
  EXPECT_EQ(image.image.width, 2u);

  PreviewResult binary = show(controller, requestFor(L"blob", 8));
  EXPECT_EQ(binary.state, PreviewState::ready);
  EXPECT_EQ(binary.kind, PreviewKind::other);
  EXPECT_EQ(binary.typeLabel, L"File");

  for (const wchar_t* name : {L"doc.pdf", L"song.mp3"}) {
    PreviewResult later = show(controller, requestFor(name, 8));
    EXPECT_EQ(later.state, PreviewState::unsupported) << name;
    EXPECT_FALSE(later.message.empty()) << name;
  }

  PreviewResult empty = show(controller, requestFor(L"empty.txt", 0));
  EXPECT_EQ(empty.state, PreviewState::ready);
  EXPECT_EQ(empty.encodingName, L"empty");
  EXPECT_EQ(archive.ceilings.back(), 1u);  // size 0 is read with a ceiling of 1
}

TEST_F(PreviewControllerTest, FoldersAndOversizedEntriesAreNotRead) {
  PreviewController controller(archive.services());
  PreviewRequest folder = requestFor(L"dir", 0);
  folder.isFolder = true;
  PreviewResult shown = show(controller, folder);
  EXPECT_EQ(shown.state, PreviewState::ready);
  EXPECT_EQ(shown.kind, PreviewKind::folder);
  EXPECT_EQ(shown.typeLabel, L"Folder");

  PreviewResult large = show(controller, requestFor(L"big", kPreviewReadLimit + 1));
  EXPECT_EQ(large.state, PreviewState::tooLarge);
  EXPECT_EQ(large.message.substr(0, 23), L"This file is larger tha");
  EXPECT_EQ(archive.reads, 0);

  archive.put(L"edge.txt", "x");
  PreviewResult edge = show(controller, requestFor(L"edge.txt", kPreviewReadLimit));
  EXPECT_EQ(edge.state, PreviewState::ready);
  EXPECT_EQ(archive.reads, 1);
}

TEST_F(PreviewControllerTest, ReadFailuresMapToStatesAndAreNeverReady) {
  struct Case {
    StatusCode code;
    PreviewState state;
  };
  const Case cases[] = {{StatusCode::authentication_failed, PreviewState::protectedEntry},
                        {StatusCode::corrupt_archive, PreviewState::unreadable},
                        {StatusCode::resource_limit, PreviewState::tooLarge},
                        {StatusCode::io_failure, PreviewState::failed},
                        {StatusCode::not_found, PreviewState::failed}};
  PreviewController controller(archive.services());
  for (const Case& c : cases) {
    archive.entries.insert_or_assign(L"x.png", Result<EntryBytes>(c.code, L"engine detail"));
    PreviewResult shown = show(controller, requestFor(L"x.png", 10));
    EXPECT_EQ(shown.state, c.state) << static_cast<int>(c.code);
    EXPECT_EQ(shown.kind, PreviewKind::other);
    EXPECT_EQ(shown.typeLabel, L"File");
    EXPECT_EQ(shown.message, statusKeyText(c.code));
  }
  EXPECT_EQ(controller.cache().size(), 0u);
}

TEST_F(PreviewControllerTest, ImageFailuresDependOnWhetherTheBytesWereCut) {
  archive.put(L"short.png", std::string("\x89PNG\r\n\x1A\n", 8));
  PreviewController controller(archive.services());
  PreviewResult broken = show(controller, requestFor(L"short.png", 8));
  EXPECT_EQ(broken.state, PreviewState::unsupported);
  EXPECT_EQ(broken.message, L"bad image");

  EntryBytes cut;
  cut.bytes.assign(kPng.begin(), kPng.begin() + 8);
  cut.fullSize = 1000;
  cut.truncated = true;
  archive.entries.insert_or_assign(L"short.png", Result<EntryBytes>(std::move(cut)));
  PreviewResult partial = show(controller, requestFor(L"short.png", 1000));
  EXPECT_EQ(partial.state, PreviewState::tooLarge);
  EXPECT_TRUE(partial.truncated);
  EXPECT_EQ(partial.entrySize, 1000u);
  EXPECT_NE(partial.message, L"bad image");
}

TEST_F(PreviewControllerTest, TextAboveFourMegabytesIsCut) {
  archive.put(L"big.txt", std::string(kPreviewTextLimit + 100, 'a'));
  PreviewController controller(archive.services());
  PreviewResult shown = show(controller, requestFor(L"big.txt", kPreviewTextLimit + 100));
  EXPECT_EQ(shown.state, PreviewState::ready);
  EXPECT_TRUE(shown.truncated);
  EXPECT_TRUE(shown.textTruncated);
  EXPECT_EQ(shown.text.size(), kPreviewTextLimit);
}

TEST_F(PreviewControllerTest, OnlyTheLatestOfTwoQuickRequestsIsPublished) {
  archive.put(L"first.txt", "first");
  archive.put(L"second.txt", "second");
  PreviewController controller(archive.services());
  archive.setGate(true);
  uint64_t first = controller.request(requestFor(L"first.txt", 5, 0), nullptr);
  ASSERT_TRUE(archive.waitAtGate());
  archive.setGate(false);  // the first read ends while the second request waits for it
  uint64_t second = controller.request(requestFor(L"second.txt", 6, 0), nullptr);
  EXPECT_GT(second, first);
  ASSERT_TRUE(archive.waitFor(2));
  EXPECT_EQ(archive.notified, (std::vector<uint64_t>{first, second}));
  PreviewResult shown = controller.snapshot();
  EXPECT_EQ(shown.generation, second);
  EXPECT_EQ(shown.text, L"second");
  EXPECT_FALSE(controller.busy());
}

TEST_F(PreviewControllerTest, ACancelledWorkerNeverPublishesOrCaches) {
  archive.put(L"a.txt", "text");
  PreviewController controller(archive.services());
  archive.setGate(true);
  uint64_t generation = controller.request(requestFor(L"a.txt", 4), nullptr);
  ASSERT_TRUE(archive.waitAtGate());
  EXPECT_EQ(controller.snapshot().state, PreviewState::reading);
  controller.cancel();
  archive.setGate(false);
  ASSERT_TRUE(archive.waitFor(1));
  EXPECT_EQ(archive.notified[0], generation);  // the window is told even so
  EXPECT_EQ(controller.snapshot().state, PreviewState::reading);
  EXPECT_EQ(controller.cache().size(), 0u);
}

TEST_F(PreviewControllerTest, CancelAndJoinWaitsForTheWorker) {
  archive.put(L"a.txt", "text");
  PreviewController controller(archive.services());
  archive.setGate(true);
  controller.request(requestFor(L"a.txt", 4), nullptr);
  ASSERT_TRUE(archive.waitAtGate());
  // Stale before the worker goes on, so that what it read is never published, whenever it runs.
  controller.cancel();
  archive.setGate(false);
  controller.cancelAndJoin();
  EXPECT_FALSE(controller.busy());
  EXPECT_EQ(controller.snapshot().state, PreviewState::reading);
}

TEST_F(PreviewControllerTest, RepeatedPicksComeFromTheCacheUntilTheStampChanges) {
  archive.put(L"a.txt", "alpha");
  archive.put(L"b.txt", "beta");
  PreviewController controller(archive.services());
  show(controller, requestFor(L"a.txt", 5));
  show(controller, requestFor(L"b.txt", 4));
  PreviewResult again = show(controller, requestFor(L"a.txt", 5));
  EXPECT_EQ(archive.reads, 2);
  EXPECT_EQ(again.text, L"alpha");
  EXPECT_EQ(again.elapsedSeconds, 0.0);
  EXPECT_EQ(again.generation, 3u);

  show(controller, requestFor(L"a.txt", 5, 8));  // the archive was rewritten
  EXPECT_EQ(archive.reads, 3);

  PreviewRequest locked = requestFor(L"b.txt", 4);
  locked.password = std::make_shared<const SecureBytes>("pw", 2);
  show(controller, locked);
  show(controller, locked);
  EXPECT_EQ(archive.reads, 5);
}

TEST_F(PreviewControllerTest, TransientFailuresAreReadAgain) {
  archive.entries.insert_or_assign(L"a.txt", Result<EntryBytes>(StatusCode::io_failure, L"busy"));
  PreviewController controller(archive.services());
  EXPECT_EQ(show(controller, requestFor(L"a.txt", 4)).state, PreviewState::failed);
  archive.put(L"a.txt", "fine");
  EXPECT_EQ(show(controller, requestFor(L"a.txt", 4)).state, PreviewState::ready);
  EXPECT_EQ(archive.reads, 2);
}

TEST_F(PreviewControllerTest, CacheBudgetBoundsWhatIsKept) {
  PreviewResult small;
  small.text = std::wstring(100, L'a');  // cost 456
  EXPECT_EQ(previewCost(small), 456u);
  PreviewCache cache;
  cache.setBudget(1000);
  cache.store(L"k1", 1, small);
  cache.store(L"k2", 1, small);
  EXPECT_EQ(cache.totalCost(), 912u);
  PreviewResult out;
  ASSERT_TRUE(cache.lookup(L"k1", 1, out));  // k1 is now the most recent
  cache.store(L"k3", 1, small);              // evicts k2
  EXPECT_TRUE(cache.lookup(L"k1", 1, out));
  EXPECT_FALSE(cache.lookup(L"k2", 1, out));
  EXPECT_TRUE(cache.lookup(L"k3", 1, out));
  EXPECT_FALSE(cache.lookup(L"k3", 2, out));  // another stamp is a miss

  PreviewResult huge;
  huge.image.pixels.assign(2000, 0);
  cache.store(L"k4", 1, huge);  // above the whole budget: not stored, nothing evicted
  EXPECT_EQ(cache.size(), 2u);

  cache.store(L"k1", 1, small);  // replacing does not count twice
  EXPECT_EQ(cache.totalCost(), 912u);

  cache.setBudget(0);
  EXPECT_EQ(cache.size(), 0u);
  cache.store(L"k5", 1, small);
  EXPECT_EQ(cache.size(), 0u);
}

TEST_F(PreviewControllerTest, CacheStampMixesSizeAndTime) {
  EXPECT_EQ(previewCacheStamp(1, 0), 0x9E3779B97F4A7C15ull);
  EXPECT_EQ(previewCacheStamp(2, 5), (2 * 0x9E3779B97F4A7C15ull) ^ 5);
}

}  // namespace
}  // namespace tolzeb::ui

namespace tolzeb::ui {
namespace {

TEST_F(PreviewControllerTest, DocumentsAndMediaGoToTheirReaders) {
  archive.put(L"doc.pdf", "%PDF-1.4 ....");
  archive.put(L"song.mp3", "ID3.....");
  PreviewServices services = archive.services();
  services.pdf.available = [] { return true; };
  services.pdf.render = [](const std::vector<uint8_t>& bytes, uint32_t, std::vector<uint8_t>& encoded,
                           PdfPageFacts& facts, std::wstring&, const CancelCheck& cancel) {
    EXPECT_EQ(bytes.size(), 13u);
    EXPECT_FALSE(cancel());  // the request is current
    encoded.assign(kPng.begin(), kPng.end());
    facts.pageCount = 2;
    return true;
  };
  services.media.available = [] { return true; };
  services.media.read = [](const std::vector<uint8_t>&, uint32_t, MediaInfo& info, PreviewImage&, std::wstring&,
                           const CancelCheck& cancel) {
    EXPECT_FALSE(cancel());
    info.hasAudio = true;
    info.sampleRate = 44100;
    info.audioCodec = L"MP3";
    return true;
  };
  PreviewController controller(services);

  PreviewResult pdf = show(controller, requestFor(L"doc.pdf", 13));
  EXPECT_EQ(pdf.state, PreviewState::ready);
  EXPECT_EQ(pdf.pageCount, 2u);
  EXPECT_EQ(pdf.image.width, 2u);  // the rendered page went through the image decoder

  PreviewResult song = show(controller, requestFor(L"song.mp3", 8));
  EXPECT_EQ(song.state, PreviewState::ready);
  EXPECT_TRUE(song.hasAudio);
  EXPECT_EQ(song.sampleRate, 44100u);
  EXPECT_EQ(song.audioCodec, L"MP3");
}

}  // namespace
}  // namespace tolzeb::ui
