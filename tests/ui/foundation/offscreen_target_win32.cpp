#include "offscreen_target_win32.h"

#include "ui/foundation/com_owner_win32.h"

namespace tolzeb::ui::testing {

OffscreenTarget::OffscreenTarget(unsigned width, unsigned height) : width_(width), height_(height) {
  if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                              IID_IWICImagingFactory, reinterpret_cast<void**>(&factory_)))) {
    factory_ = nullptr;
    return;
  }
  if (FAILED(factory_->CreateBitmap(width, height, GUID_WICPixelFormat32bppPBGRA,
                                    WICBitmapCacheOnLoad, &bitmap_))) {
    bitmap_ = nullptr;
  }
}

OffscreenTarget::~OffscreenTarget() {
  if (bitmap_ != nullptr) bitmap_->Release();
  if (factory_ != nullptr) factory_->Release();
}

std::vector<Bgra> OffscreenTarget::pixels() const {
  std::vector<Bgra> result(static_cast<size_t>(width_) * height_);
  if (bitmap_ == nullptr) return result;
  WICRect all{0, 0, static_cast<INT>(width_), static_cast<INT>(height_)};
  bitmap_->CopyPixels(&all, width_ * 4, static_cast<UINT>(result.size() * 4),
                      reinterpret_cast<BYTE*>(result.data()));
  return result;
}

Bgra OffscreenTarget::at(unsigned x, unsigned y) const {
  Bgra pixel{};
  if (bitmap_ == nullptr) return pixel;
  WICRect one{static_cast<INT>(x), static_cast<INT>(y), 1, 1};
  bitmap_->CopyPixels(&one, 4, 4, reinterpret_cast<BYTE*>(&pixel));
  return pixel;
}

bool OffscreenTarget::savePng(const wchar_t* path) const {
  if (bitmap_ == nullptr) return false;
  ComOwner<IWICStream> stream;
  ComOwner<IWICBitmapEncoder> encoder;
  ComOwner<IWICBitmapFrameEncode> frame;
  bool ok = SUCCEEDED(factory_->CreateStream(stream.out())) &&
            SUCCEEDED(stream->InitializeFromFilename(path, GENERIC_WRITE)) &&
            SUCCEEDED(factory_->CreateEncoder(GUID_ContainerFormatPng, nullptr, encoder.out())) &&
            SUCCEEDED(encoder->Initialize(stream.get(), WICBitmapEncoderNoCache)) &&
            SUCCEEDED(encoder->CreateNewFrame(frame.out(), nullptr)) &&
            SUCCEEDED(frame->Initialize(nullptr)) &&
            SUCCEEDED(frame->WriteSource(bitmap_, nullptr)) && SUCCEEDED(frame->Commit()) &&
            SUCCEEDED(encoder->Commit());
  return ok;
}

}  // namespace tolzeb::ui::testing
