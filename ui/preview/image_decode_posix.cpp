#include "ui/foundation/localisation.h"
#include "ui/preview/image_decode.h"

namespace tolzeb::ui {

bool decodeImage(const uint8_t*, size_t, PreviewImage&, std::wstring& message) {
  message = i18n::translate("previewerror.imaging_failed");
  return false;
}

WorkerApartment::WorkerApartment() = default;
WorkerApartment::~WorkerApartment() = default;

}  // namespace tolzeb::ui
