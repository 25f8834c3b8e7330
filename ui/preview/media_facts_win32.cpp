// Media facts through the platform's source reader. Its functions are looked up at run time, so
// the program starts on a Windows without media components and media entries merely say so.
#include <windows.h>

#include <mfapi.h>
#include <mferror.h>
#include <mfidl.h>
#include <mfreadwrite.h>
#include <objidl.h>
#include <wincodec.h>

#include "ui/foundation/com_owner_win32.h"
#include "ui/foundation/localisation.h"
#include "ui/foundation/system_function_win32.h"
#include "ui/preview/media_facts.h"
#include "ui/preview/media_platform_win32.h"

namespace tolzeb::ui {
namespace mf {
namespace {

using StartupFn = HRESULT(WINAPI*)(ULONG, DWORD);
using ShutdownFn = HRESULT(WINAPI*)();
using CreateMediaTypeFn = HRESULT(WINAPI*)(IMFMediaType**);
using ReaderFromByteStreamFn = HRESULT(WINAPI*)(IMFByteStream*, IMFAttributes*, IMFSourceReader**);

struct Functions {
  bool available = false;
  StartupFn startup = nullptr;
  ShutdownFn shutdown = nullptr;
  ByteStreamOnStreamFn byteStreamOnStream = nullptr;
  CreateAttributesFn createAttributes = nullptr;
  CreateMediaTypeFn createMediaType = nullptr;
  ReaderFromByteStreamFn readerFromByteStream = nullptr;
};

constexpr ULONG kVersion = 0x00020070;
constexpr DWORD kStartupLite = 1;

BOOL CALLBACK bindOnce(PINIT_ONCE, PVOID target, PVOID*) {
  Functions& f = *static_cast<Functions*>(target);
  // Never unloaded: the functions stay valid for the life of the process.
  HMODULE plat = systemLibrary(L"mfplat.dll");
  HMODULE readwrite = systemLibrary(L"mfreadwrite.dll");
  if (plat && readwrite) {
    f.startup = systemFunction<StartupFn>(plat, "MFStartup");
    f.shutdown = systemFunction<ShutdownFn>(plat, "MFShutdown");
    f.byteStreamOnStream = systemFunction<ByteStreamOnStreamFn>(plat, "MFCreateMFByteStreamOnStream");
    f.createAttributes = systemFunction<CreateAttributesFn>(plat, "MFCreateAttributes");
    f.createMediaType = systemFunction<CreateMediaTypeFn>(plat, "MFCreateMediaType");
    f.readerFromByteStream = systemFunction<ReaderFromByteStreamFn>(readwrite, "MFCreateSourceReaderFromByteStream");
    f.available = f.startup && f.shutdown && f.byteStreamOnStream && f.createAttributes && f.createMediaType &&
                  f.readerFromByteStream;
  }
  return TRUE;
}

const Functions& functions() {
  static INIT_ONCE once = INIT_ONCE_STATIC_INIT;
  static Functions f;
  InitOnceExecuteOnce(&once, bindOnce, &f, nullptr);
  return f;
}

MediaGuid toMediaGuid(const GUID& g) {
  MediaGuid m;
  m.data1 = g.Data1;
  m.data2 = g.Data2;
  m.data3 = g.Data3;
  for (int i = 0; i < 8; ++i) m.data4[i] = g.Data4[i];
  return m;
}

ComOwner<IStream> memoryStream(const std::vector<uint8_t>& bytes) {
  ComOwner<IStream> stream;
  if (FAILED(CreateStreamOnHGlobal(nullptr, TRUE, stream.out())) || !stream) return {};
  ULONG written = 0;
  LARGE_INTEGER zero{};
  if (FAILED(stream->Write(bytes.data(), ULONG(bytes.size()), &written)) || written != bytes.size() ||
      FAILED(stream->Seek(zero, STREAM_SEEK_SET, nullptr)))
    return {};
  return stream;
}

constexpr DWORD kNoStream = 0xFFFFFFFF;

// Walks the streams in order; the first video and the first audio stream give the facts. False
// when the preview went stale; `videoStream` names the stream to take a frame from.
bool readStreams(IMFSourceReader* reader, MediaInfo& info, DWORD& videoStream, const CancelCheck& cancel) {
  videoStream = kNoStream;
  for (DWORD index = 0;; ++index) {
    if (cancel && cancel()) return false;
    ComOwner<IMFMediaType> type;
    const HRESULT hr = reader->GetNativeMediaType(index, 0, type.out());
    if (hr == MF_E_INVALIDSTREAMNUMBER) break;
    if (FAILED(hr) || !type) continue;
    GUID major{};
    GUID subtype{};
    if (FAILED(type->GetGUID(MF_MT_MAJOR_TYPE, &major))) continue;
    type->GetGUID(MF_MT_SUBTYPE, &subtype);
    if (major == MFMediaType_Video && !info.hasVideo) {
      info.hasVideo = true;
      info.videoCodec = codecName(toMediaGuid(subtype), true);
      UINT64 packed = 0;
      if (SUCCEEDED(type->GetUINT64(MF_MT_FRAME_SIZE, &packed))) {
        info.videoWidth = UINT32(packed >> 32);
        info.videoHeight = UINT32(packed);
      }
      if (SUCCEEDED(type->GetUINT64(MF_MT_FRAME_RATE, &packed)) && UINT32(packed) != 0) {
        info.frameRate = double(UINT32(packed >> 32)) / double(UINT32(packed));
      }
      videoStream = index;
    } else if (major == MFMediaType_Audio && !info.hasAudio) {
      info.hasAudio = true;
      info.audioCodec = codecName(toMediaGuid(subtype), false);
      UINT32 value = 0;
      if (SUCCEEDED(type->GetUINT32(MF_MT_AUDIO_SAMPLES_PER_SECOND, &value))) info.sampleRate = value;
      if (SUCCEEDED(type->GetUINT32(MF_MT_AUDIO_NUM_CHANNELS, &value))) info.channels = value;
      if (SUCCEEDED(type->GetUINT32(MF_MT_AUDIO_BITS_PER_SAMPLE, &value))) info.bitsPerSample = value;
    }
  }
  return true;
}

// Copies a locked frame into `pixels`. A 2D buffer's first row is the top row whatever the sign of
// its pitch; a plain buffer is laid out by the stream's default stride.
bool copyLockedFrame(IMFMediaBuffer* buffer, uint32_t width, uint32_t height, int32_t stride,
                     std::vector<uint8_t>& pixels) {
  ComOwner<IMF2DBuffer> planar;
  if (SUCCEEDED(buffer->QueryInterface(IID_PPV_ARGS(planar.out()))) && planar) {
    BYTE* topRow = nullptr;
    LONG pitch = 0;
    if (FAILED(planar->Lock2D(&topRow, &pitch))) return false;
    // The rows span (height - 1) pitches and one row; with a negative pitch the lowest address
    // holds the bottom row, which is where a bottom-up copy starts.
    const uint64_t rowBytes = uint64_t{width} * 4;
    const uint64_t span = uint64_t(height - 1) * uint64_t(pitch < 0 ? -int64_t{pitch} : int64_t{pitch}) + rowBytes;
    const uint8_t* lowest = pitch < 0 ? topRow + int64_t{pitch} * (height - 1) : topRow;
    const bool copied = topRow && copyFrameRows(lowest, size_t(span), pitch, width, height, pixels);
    planar->Unlock2D();
    return copied;
  }
  BYTE* data = nullptr;
  DWORD length = 0;
  if (FAILED(buffer->Lock(&data, nullptr, &length))) return false;
  const bool copied = data && copyFrameRows(data, length, stride, width, height, pixels);
  buffer->Unlock();
  return copied;
}

// Decodes one frame of `stream` as 32-bit pixels, a little way into the video so that it is not a
// black lead-in. False leaves the image empty.
bool readVideoFrame(IMFSourceReader* reader, DWORD stream, uint32_t longestSide, const Functions& f,
                    bool durationKnown, double durationSeconds, PreviewImage& image, const CancelCheck& cancel) {
  image = PreviewImage{};
  reader->SetStreamSelection(DWORD(MF_SOURCE_READER_ALL_STREAMS), FALSE);
  reader->SetStreamSelection(stream, TRUE);
  ComOwner<IMFMediaType> wanted;
  if (FAILED(f.createMediaType(wanted.out())) || !wanted) return false;
  wanted->SetGUID(MF_MT_MAJOR_TYPE, MFMediaType_Video);
  wanted->SetGUID(MF_MT_SUBTYPE, MFVideoFormat_RGB32);
  if (FAILED(reader->SetCurrentMediaType(stream, nullptr, wanted.get()))) return false;

  const int64_t position = frameSeekPosition(durationKnown, durationSeconds);
  if (position > 0) {
    PROPVARIANT at;
    PropVariantInit(&at);
    at.vt = VT_I8;
    at.hVal.QuadPart = position;
    reader->SetCurrentPosition(GUID_NULL, at);  // a reader that cannot seek shows an early frame
    PropVariantClear(&at);
  }

  ComOwner<IMFMediaType> current;
  if (FAILED(reader->GetCurrentMediaType(stream, current.out())) || !current) return false;
  UINT64 packedSize = 0;
  if (FAILED(current->GetUINT64(MF_MT_FRAME_SIZE, &packedSize))) return false;
  const uint32_t width = UINT32(packedSize >> 32);
  const uint32_t height = UINT32(packedSize);
  if (!frameSizeAcceptable(width, height)) return false;
  UINT32 declaredStride = 0;
  if (FAILED(current->GetUINT32(MF_MT_DEFAULT_STRIDE, &declaredStride))) declaredStride = 0;
  const int32_t stride = frameStride(static_cast<int32_t>(declaredStride), width);

  std::vector<uint8_t> pixels;
  bool taken = false;
  for (int attempt = 0; attempt < kMediaFrameAttempts && !taken; ++attempt) {
    if (cancel && cancel()) return false;
    DWORD flags = 0;
    ComOwner<IMFSample> sample;
    if (FAILED(reader->ReadSample(stream, 0, nullptr, &flags, nullptr, sample.out()))) return false;
    if (flags & (MF_SOURCE_READERF_ERROR | MF_SOURCE_READERF_ENDOFSTREAM)) return false;
    if (!sample) continue;  // a gap in the stream
    ComOwner<IMFMediaBuffer> buffer;
    if (FAILED(sample->ConvertToContiguousBuffer(buffer.out())) || !buffer) continue;
    taken = copyLockedFrame(buffer.get(), width, height, stride, pixels);
  }
  if (!taken) return false;
  makeOpaque(pixels);
  image.width = image.sourceWidth = width;
  image.height = image.sourceHeight = height;
  image.stride = width * 4;
  image.pixels = std::move(pixels);
  frameToBitmap(image, longestSide);
  return image.width && image.height && !image.pixels.empty();
}

bool readFacts(const std::vector<uint8_t>& bytes, uint32_t longestSide, MediaInfo& info, PreviewImage& image,
               std::wstring& message, const CancelCheck& cancel) {
  info = MediaInfo{};
  image = PreviewImage{};
  const Functions& f = functions();
  if (bytes.empty()) {
    message = i18n::translate("previewerror.media_nothing_to_read");
    return false;
  }
  if (!f.available) {
    message = i18n::translate("previewerror.media_no_components");
    return false;
  }
  if (FAILED(f.startup(kVersion, kStartupLite))) {
    message = i18n::translate("filetype.media_platform_failed");
    return false;
  }
  // Media Foundation counts startups; every way out below pairs this one.
  struct ShutdownAtEnd {
    ShutdownFn shutdown;
    ~ShutdownAtEnd() { shutdown(); }
  } pairing{f.shutdown};

  ComOwner<IStream> stream = memoryStream(bytes);
  ComOwner<IMFByteStream> byteStream;
  if (!stream || FAILED(f.byteStreamOnStream(stream.get(), byteStream.out())) || !byteStream) {
    message = i18n::translate("filetype.media_not_presented");
    return false;
  }
  if (const wchar_t* mime = mediaMimeType(bytes.data(), bytes.size())) {
    ComOwner<IMFAttributes> streamAttributes;
    if (SUCCEEDED(byteStream->QueryInterface(IID_PPV_ARGS(streamAttributes.out())))) {
      streamAttributes->SetString(MF_BYTESTREAM_CONTENT_TYPE, mime);
    }
  }
  ComOwner<IMFAttributes> attributes;
  if (SUCCEEDED(f.createAttributes(attributes.out(), 2)) && attributes) {
    attributes->SetUINT32(MF_SOURCE_READER_ENABLE_VIDEO_PROCESSING, 1);
    attributes->SetUINT32(MF_SOURCE_READER_DISCONNECT_MEDIASOURCE_ON_SHUTDOWN, 1);
  }
  ComOwner<IMFSourceReader> reader;
  if (FAILED(f.readerFromByteStream(byteStream.get(), attributes.get(), reader.out())) || !reader) {
    message = i18n::translate("filetype.no_decoder");
    return false;
  }
  PROPVARIANT duration;
  PropVariantInit(&duration);
  if (SUCCEEDED(reader->GetPresentationAttribute(DWORD(MF_SOURCE_READER_MEDIASOURCE), MF_PD_DURATION, &duration)) &&
      duration.vt == VT_UI8 && duration.uhVal.QuadPart > 0) {
    info.durationSeconds = double(duration.uhVal.QuadPart) / 1e7;
    info.durationKnown = true;
  }
  PropVariantClear(&duration);
  DWORD videoStream = kNoStream;
  if (!readStreams(reader.get(), info, videoStream, cancel)) {
    message = i18n::translate("previewerror.cancelled");
    return false;
  }
  if (info.hasVideo) {
    // A video without a decodable frame is still shown with its facts.
    readVideoFrame(reader.get(), videoStream, longestSide, f, info.durationKnown, info.durationSeconds, image, cancel);
  } else if (!info.hasAudio) {
    message = i18n::translate("previewerror.media_no_tracks");
    return false;
  }
  return true;
}

}  // namespace

bool available() { return functions().available; }

bool startup() {
  const Functions& f = functions();
  return f.available && SUCCEEDED(f.startup(kVersion, kStartupLite));
}

void shutdown() {
  const Functions& f = functions();
  if (f.available) f.shutdown();
}

CreateAttributesFn createAttributesFunction() { return functions().available ? functions().createAttributes : nullptr; }

ByteStreamOnStreamFn byteStreamOnStreamFunction() {
  return functions().available ? functions().byteStreamOnStream : nullptr;
}

}  // namespace mf

bool frameToBitmap(PreviewImage& image, uint32_t longestSide) {
  uint32_t width = 0, height = 0;
  if (!fitToLongestSide(image.width, image.height, longestSide, width, height)) return true;
  ComOwner<IWICImagingFactory> factory;
  if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                              IID_PPV_ARGS(factory.out()))))
    return false;
  ComOwner<IWICBitmap> bitmap;
  if (FAILED(factory->CreateBitmapFromMemory(image.width, image.height, GUID_WICPixelFormat32bppPBGRA, image.stride,
                                             UINT(image.pixels.size()), image.pixels.data(), bitmap.out())))
    return false;
  ComOwner<IWICBitmapScaler> scaler;
  if (FAILED(factory->CreateBitmapScaler(scaler.out())) ||
      FAILED(scaler->Initialize(bitmap.get(), width, height, WICBitmapInterpolationModeFant)))
    return false;
  std::vector<uint8_t> scaled(size_t(width) * 4 * height);
  if (FAILED(scaler->CopyPixels(nullptr, width * 4, UINT(scaled.size()), scaled.data()))) return false;
  image.width = width;
  image.height = height;
  image.stride = width * 4;
  image.pixels = std::move(scaled);
  image.scaled = true;
  return true;
}

MediaReader platformMediaReader() {
  MediaReader reader;
  reader.available = [] { return mf::available(); };
  reader.read = mf::readFacts;
  return reader;
}

}  // namespace tolzeb::ui
