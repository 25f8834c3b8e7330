#include "ui/preview/pdf_page.h"

#include <algorithm>

#include "ui/foundation/localisation.h"

namespace tolzeb::ui {

PdfRenderTarget pdfRenderTarget(float pageWidth, float pageHeight, uint32_t longestSide) {
  PdfRenderTarget target;
  if (longestSide == 0 || !(pageWidth > 0) || !(pageHeight > 0)) return target;  // natural size
  target.pixels = longestSide;
  if (pageWidth >= pageHeight) {
    target.setWidth = true;
  } else {
    target.setHeight = true;
  }
  return target;
}

int32_t waitForAsync(const AsyncProbe& probe, const CancelCheck& cancel) {
  const uint64_t start = probe.nowMs();
  for (;;) {
    switch (probe.status()) {
      case AsyncStatus::completed:
        return 0;
      case AsyncStatus::canceled:
        return kAsyncAborted;
      case AsyncStatus::error: {
        const int32_t code = probe.errorCode();
        return code < 0 ? code : kAsyncFailed;
      }
      case AsyncStatus::started:
        break;
    }
    if (cancel && cancel()) {
      probe.cancel();
      return kAsyncAborted;
    }
    if (probe.nowMs() - start > kPdfWaitLimitMs) {
      probe.cancel();
      return kAsyncTimedOut;
    }
    probe.pause();
  }
}

bool readRenderedPage(const RenderedStream& stream, std::vector<uint8_t>& bytes, std::wstring& message) {
  bytes.clear();
  uint64_t size = 0;
  if (!stream.measure(size)) {
    message = i18n::translate("previewerror.pdf_measure_failed");
    return false;
  }
  if (size == 0 || size > kPdfPictureLimit) {
    message = i18n::translate("previewerror.pdf_bad_size");
    return false;
  }
  bytes.resize(static_cast<size_t>(size));
  if (!stream.rewind()) {
    bytes.clear();
    message = i18n::translate("previewerror.pdf_rewind_failed");
    return false;
  }
  uint64_t filled = 0;
  while (filled < size) {
    const uint32_t want = static_cast<uint32_t>(std::min<uint64_t>(kPdfReadChunk, size - filled));
    uint32_t got = 0;
    if (!stream.read(bytes.data() + filled, want, got) || got == 0 || got > want) {
      bytes.clear();
      message = i18n::translate("previewerror.pdf_short_read");
      return false;
    }
    filled += got;
  }
  return true;
}

void previewPdf(const std::vector<uint8_t>& bytes, PreviewResult& result, const CancelCheck& cancel,
                const PdfRenderer& renderer, const ImageDecoder& decodeImage) {
  if (result.truncated) {
    // The cross-reference data sits at the end, so a leading part cannot be opened.
    result.state = PreviewState::tooLarge;
    result.message = i18n::translate("filetype.pdf_truncated");
    return;
  }
  if (!renderer.available || !renderer.render || !renderer.available()) {
    result.state = PreviewState::unsupported;
    result.message = i18n::translate("filetype.no_pdf_component");
    return;
  }
  std::vector<uint8_t> encoded;
  PdfPageFacts facts;
  std::wstring message;
  if (!renderer.render(bytes, kPdfLongestSide, encoded, facts, message, cancel)) {
    result.state = PreviewState::failed;
    result.message = message;
    return;
  }
  result.pageCount = facts.pageCount;
  result.pageWidth = facts.pageWidth;
  result.pageHeight = facts.pageHeight;
  message.clear();
  result.image = PreviewImage{};
  const bool decoded = !encoded.empty() && decodeImage && decodeImage(encoded.data(), encoded.size(), result.image, message);
  if (decoded && result.image.width && result.image.height && !result.image.pixels.empty()) {
    result.state = PreviewState::ready;
    return;
  }
  result.state = PreviewState::failed;
  result.message = message.empty() ? i18n::translate("filetype.page_not_shown") : message;
}

}  // namespace tolzeb::ui
