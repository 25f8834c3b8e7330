#include "ui/preview/preview_controller.h"

#include <algorithm>
#include <chrono>

#include "formats/archive_kind.h"
#include "ui/foundation/format.h"
#include "ui/foundation/localisation.h"
#include "ui/preview/file_type.h"
#include "ui/preview/image_decode.h"
#include "ui/preview/text_decode.h"

namespace tolzeb::ui {
namespace {

PreviewState stateForReadFailure(StatusCode code) {
  switch (code) {
    case StatusCode::authentication_failed:
      return PreviewState::protectedEntry;
    case StatusCode::corrupt_archive:
      return PreviewState::unreadable;
    case StatusCode::resource_limit:
      return PreviewState::tooLarge;
    default:
      return PreviewState::failed;
  }
}

}  // namespace

PreviewServices defaultPreviewServices() {
  PreviewServices services;
  services.readEntry = [](const PreviewRequest& request, uint64_t byteCeiling) {
    return readAnyEntry(request.archivePath, request.archiveKind, request.entryName, byteCeiling, true,
                        request.password);
  };
  services.decodeImage = decodeImage;
  services.pdf = platformPdfRenderer();
  services.media = platformMediaReader();
  services.notify = [](WindowHandle window, uint64_t generation) {
    if (window) postAppMessage(window, AppMessage::PreviewReady, 0, static_cast<intptr_t>(generation));
  };
  return services;
}

uint64_t previewCacheStamp(uint64_t fileSize, uint64_t lastWriteTime) {
  return (fileSize * 0x9E3779B97F4A7C15ull) ^ lastWriteTime;
}

PreviewController::PreviewController() : PreviewController(defaultPreviewServices()) {}

PreviewController::PreviewController(PreviewServices services) : services_(std::move(services)) {}

PreviewController::~PreviewController() { cancelAndJoin(); }

uint64_t PreviewController::request(const PreviewRequest& request, WindowHandle window) {
  currentGeneration_.store(requestedGeneration_.load() + 1);
  if (worker_.joinable()) worker_.join();
  PreviewRequest copy = request;
  uint64_t generation = requestedGeneration_.fetch_add(1) + 1;
  copy.generation = generation;
  currentGeneration_.store(generation);
  {
    PreviewResult reading;
    reading.generation = generation;
    reading.state = PreviewState::reading;
    reading.entryName = request.entryName;
    reading.entrySize = request.entrySize;
    reading.modified = request.modified;
    std::lock_guard<std::mutex> lock(mutex_);
    slot_ = std::move(reading);
  }
  busy_.store(true);
  worker_ = std::thread([this, copy = std::move(copy), window]() mutable { run(std::move(copy), window); });
  return generation;
}

void PreviewController::cancel() { currentGeneration_.store(requestedGeneration_.load() + 1); }

void PreviewController::cancelAndJoin() {
  cancel();
  if (worker_.joinable()) worker_.join();
}

PreviewResult PreviewController::snapshot() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return slot_;
}

void PreviewController::setCacheBudget(uint64_t bytes) { cache_.setBudget(bytes); }

void PreviewController::run(PreviewRequest request, WindowHandle window) {
  WorkerApartment apartment;
  auto started = std::chrono::steady_clock::now();
  PreviewResult result;
  result.generation = request.generation;
  result.entryName = request.entryName;
  result.entrySize = request.entrySize;
  result.modified = request.modified;

  bool cacheable = !request.password && request.cacheStamp != 0 && !request.entryName.empty();
  std::wstring key = cacheable ? previewCacheKey(request.archivePath, request.entryName) : std::wstring();
  if (cacheable && cache_.lookup(key, request.cacheStamp, result)) {
    result.generation = request.generation;
    result.elapsedSeconds = 0;
    publish(result);
  } else {
    if (request.isFolder) {
      result.state = PreviewState::ready;
      result.kind = PreviewKind::folder;
      result.typeLabel = L"Folder";
    } else if (request.entrySize > kPreviewReadLimit) {
      result.state = PreviewState::tooLarge;
      result.kind = PreviewKind::other;
      result.typeLabel = L"File";
      result.message = i18n::translate("previewerror.over_limit");
    } else {
      Result<EntryBytes> read = services_.readEntry(request, request.entrySize ? request.entrySize : 1);
      if (stale(request.generation)) {
        result.state = PreviewState::stopped;
      } else if (read.failed()) {
        result.state = stateForReadFailure(read.failure().code);
        result.kind = PreviewKind::other;
        result.message = statusKeyText(read.failure().code);
        result.typeLabel = L"File";
      } else {
        decodeBytes(request, read.value(), result);
      }
    }
    auto elapsed = std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - started);
    result.elapsedSeconds = static_cast<double>(elapsed.count()) / 1e9;
    if (cacheable && result.state == PreviewState::ready && !stale(request.generation))
      cache_.store(key, request.cacheStamp, result);
    publish(result);
  }
  busy_.store(false);
  if (services_.notify) services_.notify(window, request.generation);
}

void PreviewController::decodeBytes(const PreviewRequest& request, EntryBytes& entry, PreviewResult& result) {
  result.truncated = entry.truncated;
  result.entrySize = entry.fullSize;
  std::vector<uint8_t>& bytes = entry.bytes;
  result.kind = classifyFile(request.entryName, bytes.data(), std::min<size_t>(64, bytes.size()), result.typeLabel);
  if (stale(request.generation)) {
    result.state = PreviewState::stopped;
    return;
  }
  const CancelCheck staleCheck = [this, generation = request.generation] { return stale(generation); };
  switch (result.kind) {
    case PreviewKind::image: {
      std::wstring message;
      bool decoded = !bytes.empty() && services_.decodeImage(bytes.data(), bytes.size(), result.image, message);
      if (decoded && result.image.width && result.image.height && !result.image.pixels.empty()) {
        result.state = PreviewState::ready;
      } else {
        result.state = result.truncated ? PreviewState::tooLarge : PreviewState::unsupported;
        result.message = result.truncated        ? i18n::translate("previewerror.image_partial")
                         : message.empty() ? i18n::translate("previewerror.image_decode_failed")
                                           : message;
      }
      break;
    }
    case PreviewKind::unknown:
    case PreviewKind::text: {
      size_t length = bytes.size();
      if (length > kPreviewTextLimit) {
        length = kPreviewTextLimit;
        result.truncated = true;
      }
      PreviewText text;
      result.state = PreviewState::ready;
      if (decodeText(bytes.data(), length, result.truncated, text)) {
        result.kind = PreviewKind::text;
        if (result.typeLabel.empty() || result.typeLabel == L"File") result.typeLabel = L"Text";
        result.text = std::move(text.text);
        result.encodingName = std::move(text.encodingName);
        result.lineCount = text.lineCount;
        result.textTruncated = text.textTruncated;
      } else {
        result.kind = PreviewKind::other;
        if (result.typeLabel.empty()) result.typeLabel = i18n::translate("filetype.binary");
      }
      break;
    }
    case PreviewKind::pdf:
      previewPdf(bytes, result, staleCheck, services_.pdf, services_.decodeImage);
      break;
    case PreviewKind::media:
      previewMedia(bytes, result, staleCheck, services_.media);
      break;
    default:
      result.state = PreviewState::ready;
      break;
  }
}

void PreviewController::publish(const PreviewResult& result) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (currentGeneration_.load() == result.generation) slot_ = result;
}

}  // namespace tolzeb::ui
