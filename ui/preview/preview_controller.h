// The main window's one preview worker: each request reads, classifies and decodes one entry on
// its own thread, and only the latest request's result is ever published into the shared slot.
// The window copies the slot when PreviewReady arrives.
#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <thread>

#include "engine/core/status.h"
#include "ui/app/app_message.h"
#include "ui/preview/media_facts.h"
#include "ui/preview/pdf_page.h"
#include "ui/preview/preview_cache.h"
#include "ui/preview/preview_types.h"

namespace tolzeb::ui {

inline constexpr uint64_t kPreviewReadLimit = 0x4000000;  // 64 MiB
inline constexpr size_t kPreviewTextLimit = 0x400000;     // 4 MiB

// What the worker calls out to; replaced in tests. Called on the worker thread.
struct PreviewServices {
  std::function<Result<EntryBytes>(const PreviewRequest& request, uint64_t byteCeiling)> readEntry;
  std::function<bool(const uint8_t* bytes, size_t count, PreviewImage& image, std::wstring& message)> decodeImage;
  // Tells the window that a worker ended (PreviewReady), whether or not it published.
  std::function<void(WindowHandle window, uint64_t generation)> notify;
  // Left empty, PDF and media entries say their component is missing.
  PdfRenderer pdf;
  MediaReader media;
};

// Reads through the archive readers, decodes with the platform decoder, posts PreviewReady.
PreviewServices defaultPreviewServices();

// The cache stamp of an archive file: its size times a large odd constant, XOR its write time.
uint64_t previewCacheStamp(uint64_t fileSize, uint64_t lastWriteTime);

// Every public operation is for the UI thread.
class PreviewController {
 public:
  PreviewController();
  explicit PreviewController(PreviewServices services);
  ~PreviewController();
  PreviewController(const PreviewController&) = delete;
  PreviewController& operator=(const PreviewController&) = delete;

  // Makes any running worker stale, waits for it, then starts one for `request`. The slot says
  // "reading" until that worker publishes. Returns the new generation.
  uint64_t request(const PreviewRequest& request, WindowHandle window);
  // The running worker, if any, ends without publishing; the slot stays as it is.
  void cancel();
  void cancelAndJoin();
  PreviewResult snapshot() const;
  void setCacheBudget(uint64_t bytes);
  bool busy() const { return busy_.load(); }
  const PreviewCache& cache() const { return cache_; }

 private:
  void run(PreviewRequest request, WindowHandle window);
  bool stale(uint64_t generation) const { return generation < currentGeneration_.load(); }
  void decodeBytes(const PreviewRequest& request, EntryBytes& entry, PreviewResult& result);
  void publish(const PreviewResult& result);

  PreviewServices services_;
  mutable std::mutex mutex_;  // guards slot_
  PreviewResult slot_;
  PreviewCache cache_;
  std::atomic<uint64_t> requestedGeneration_{0};
  std::atomic<uint64_t> currentGeneration_{0};
  std::atomic<bool> busy_{false};
  std::thread worker_;
};

}  // namespace tolzeb::ui
