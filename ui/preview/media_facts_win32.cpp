// Media facts through the platform's source reader. Its functions are looked up at run time, so
// the program starts on a Windows without media components and media entries merely say so.
#include <windows.h>

#include <mfapi.h>
#include <mferror.h>
#include <mfidl.h>
#include <mfreadwrite.h>
#include <objidl.h>

#include "ui/foundation/localisation.h"
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

template <typename T>
T bound(HMODULE module, const char* name) {
  return reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

BOOL CALLBACK bindOnce(PINIT_ONCE, PVOID target, PVOID*) {
  Functions& f = *static_cast<Functions*>(target);
  // Never unloaded: the functions stay valid for the life of the process.
  HMODULE plat = LoadLibraryExW(L"mfplat.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  HMODULE readwrite = LoadLibraryExW(L"mfreadwrite.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (plat && readwrite) {
    f.startup = bound<StartupFn>(plat, "MFStartup");
    f.shutdown = bound<ShutdownFn>(plat, "MFShutdown");
    f.byteStreamOnStream = bound<ByteStreamOnStreamFn>(plat, "MFCreateMFByteStreamOnStream");
    f.createAttributes = bound<CreateAttributesFn>(plat, "MFCreateAttributes");
    f.createMediaType = bound<CreateMediaTypeFn>(plat, "MFCreateMediaType");
    f.readerFromByteStream = bound<ReaderFromByteStreamFn>(readwrite, "MFCreateSourceReaderFromByteStream");
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

template <typename T>
struct Owned {
  T* p = nullptr;
  ~Owned() {
    if (p) p->Release();
  }
  T** out() { return &p; }
  T* operator->() const { return p; }
  explicit operator bool() const { return p != nullptr; }
};

MediaGuid toMediaGuid(const GUID& g) {
  MediaGuid m;
  m.data1 = g.Data1;
  m.data2 = g.Data2;
  m.data3 = g.Data3;
  for (int i = 0; i < 8; ++i) m.data4[i] = g.Data4[i];
  return m;
}

IStream* memoryStream(const std::vector<uint8_t>& bytes) {
  IStream* stream = nullptr;
  if (FAILED(CreateStreamOnHGlobal(nullptr, TRUE, &stream)) || !stream) return nullptr;
  ULONG written = 0;
  LARGE_INTEGER zero{};
  if (FAILED(stream->Write(bytes.data(), ULONG(bytes.size()), &written)) || written != bytes.size() ||
      FAILED(stream->Seek(zero, STREAM_SEEK_SET, nullptr))) {
    stream->Release();
    return nullptr;
  }
  return stream;
}

void readStreams(IMFSourceReader* reader, MediaInfo& info) {
  for (DWORD index = 0;; ++index) {
    Owned<IMFMediaType> type;
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
    } else if (major == MFMediaType_Audio && !info.hasAudio) {
      info.hasAudio = true;
      info.audioCodec = codecName(toMediaGuid(subtype), false);
      UINT32 value = 0;
      if (SUCCEEDED(type->GetUINT32(MF_MT_AUDIO_SAMPLES_PER_SECOND, &value))) info.sampleRate = value;
      if (SUCCEEDED(type->GetUINT32(MF_MT_AUDIO_NUM_CHANNELS, &value))) info.channels = value;
      if (SUCCEEDED(type->GetUINT32(MF_MT_AUDIO_BITS_PER_SAMPLE, &value))) info.bitsPerSample = value;
    }
  }
}

bool readFacts(const std::vector<uint8_t>& bytes, uint32_t, MediaInfo& info, PreviewImage& image,
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

  Owned<IStream> stream;
  stream.p = memoryStream(bytes);
  Owned<IMFByteStream> byteStream;
  if (!stream || FAILED(f.byteStreamOnStream(stream.p, byteStream.out())) || !byteStream) {
    message = i18n::translate("filetype.media_not_presented");
    return false;
  }
  if (const wchar_t* mime = mediaMimeType(bytes.data(), bytes.size())) {
    Owned<IMFAttributes> streamAttributes;
    if (SUCCEEDED(byteStream->QueryInterface(IID_PPV_ARGS(streamAttributes.out())))) {
      streamAttributes->SetString(MF_BYTESTREAM_CONTENT_TYPE, mime);
    }
  }
  Owned<IMFAttributes> attributes;
  if (SUCCEEDED(f.createAttributes(attributes.out(), 2)) && attributes) {
    attributes->SetUINT32(MF_SOURCE_READER_ENABLE_VIDEO_PROCESSING, 1);
    attributes->SetUINT32(MF_SOURCE_READER_DISCONNECT_MEDIASOURCE_ON_SHUTDOWN, 1);
  }
  Owned<IMFSourceReader> reader;
  if (FAILED(f.readerFromByteStream(byteStream.p, attributes.p, reader.out())) || !reader) {
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
  if (cancel && cancel()) {
    message = i18n::translate("previewerror.cancelled");
    return false;
  }
  readStreams(reader.p, info);
  if (!info.hasVideo && !info.hasAudio) {
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

MediaReader platformMediaReader() {
  MediaReader reader;
  reader.available = [] { return mf::available(); };
  reader.read = mf::readFacts;
  return reader;
}

}  // namespace tolzeb::ui
