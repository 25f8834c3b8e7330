// The first page of a PDF entry as a picture, with the page count and size. Rendering is the
// platform's (PdfRenderer); the outcome states, the page's target size and the wait for the
// renderer's asynchronous steps are the same everywhere.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "ui/preview/media_facts.h"
#include "ui/preview/preview_types.h"

namespace tolzeb::ui {

inline constexpr uint32_t kPdfLongestSide = 2560;
inline constexpr uint64_t kPdfPictureLimit = 0x8000000;  // 128 MiB read back at most
inline constexpr uint64_t kPdfReadChunk = 0x100000;
inline constexpr uint64_t kPdfWaitLimitMs = 20000;

struct PdfPageFacts {
  uint32_t pageCount = 0;
  float pageWidth = 0;   // points
  float pageHeight = 0;  // points
};

// Which side of the rendered page is fixed; the renderer keeps the proportions.
struct PdfRenderTarget {
  bool setWidth = false;
  bool setHeight = false;
  uint32_t pixels = 0;
};
PdfRenderTarget pdfRenderTarget(float pageWidth, float pageHeight, uint32_t longestSide);

// An asynchronous step of the renderer, seen through its status.
enum class AsyncStatus : int { started = 0, completed = 1, canceled = 2, error = 3 };
struct AsyncProbe {
  std::function<AsyncStatus()> status;
  std::function<int32_t()> errorCode;  // HRESULT of a failed step
  std::function<void()> cancel;
  std::function<uint64_t()> nowMs;
  std::function<void()> pause;  // a short sleep between looks
};
inline constexpr int32_t kAsyncAborted = static_cast<int32_t>(0x80004004);  // E_ABORT
inline constexpr int32_t kAsyncTimedOut = static_cast<int32_t>(0x800705B4);
inline constexpr int32_t kAsyncFailed = static_cast<int32_t>(0x80004005);  // E_FAIL
// Waits for the step: 0 when it completed, else the failure; a cancel or a hang cancels it.
int32_t waitForAsync(const AsyncProbe& probe, const CancelCheck& cancel);

// The rendered page's encoded bytes, seen through the three calls the read-back needs.
struct RenderedStream {
  std::function<bool(uint64_t& size)> measure;
  std::function<bool()> rewind;
  // Reads at most `count` bytes into `into`; false when the stream failed.
  std::function<bool(uint8_t* into, uint32_t count, uint32_t& read)> read;
};
// Reads the whole stream in pieces of at most 1 MiB; false with a translated message when it
// cannot be measured, is empty or larger than 128 MiB, cannot be rewound or ends early.
bool readRenderedPage(const RenderedStream& stream, std::vector<uint8_t>& bytes, std::wstring& message);

struct PdfRenderer {
  std::function<bool()> available;
  std::function<bool(const std::vector<uint8_t>& bytes, uint32_t longestSide, std::vector<uint8_t>& encoded,
                     PdfPageFacts& facts, std::wstring& message, const CancelCheck& cancel)>
      render;
};

PdfRenderer platformPdfRenderer();

using ImageDecoder =
    std::function<bool(const uint8_t* bytes, size_t count, PreviewImage& image, std::wstring& message)>;

// The PDF step of the preview worker: sets state, message, the page facts and the picture.
void previewPdf(const std::vector<uint8_t>& bytes, PreviewResult& result, const CancelCheck& cancel,
                const PdfRenderer& renderer, const ImageDecoder& decodeImage);

}  // namespace tolzeb::ui
