// The audio player's platform: the media engine in audio-only mode, fed the entry from memory.
// Media Foundation is bound at run time (media_platform_win32.h), so a Windows without media
// components merely shows no play button.
#include <windows.h>

#include <objbase.h>
#include <shlwapi.h>

#include <atomic>
#include <new>
#include <utility>

#include "ui/app/app_message.h"
#include "ui/foundation/com_owner_win32.h"
#include "ui/preview/audio_player.h"
#include "ui/preview/media_engine_win32.h"
#include "ui/preview/media_facts.h"
#include "ui/preview/media_platform_win32.h"

namespace tolzeb::ui {
namespace {

namespace me = media_engine;

// The engine's event callback. It only forwards event codes; what they mean is the player's.
class NotifyObject : public me::Notify {
 public:
  explicit NotifyObject(MediaEventSink events) : me::Notify{&kVtbl}, events(std::move(events)) {}

  IUnknown* asUnknown() { return reinterpret_cast<IUnknown*>(static_cast<me::Notify*>(this)); }
  void addRef() { refs.fetch_add(1); }

 private:
  static NotifyObject* self(me::Notify* notify) { return static_cast<NotifyObject*>(notify); }

  static HRESULT STDMETHODCALLTYPE queryInterface(me::Notify* notify, REFIID iid, void** out) {
    if (!out) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, me::kNotifyInterface)) {
      self(notify)->addRef();
      *out = notify;
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  static ULONG STDMETHODCALLTYPE addRefSlot(me::Notify* notify) { return self(notify)->refs.fetch_add(1) + 1; }
  static ULONG STDMETHODCALLTYPE releaseSlot(me::Notify* notify) {
    const ULONG left = self(notify)->refs.fetch_sub(1) - 1;
    if (left == 0) delete self(notify);
    return left;
  }
  static HRESULT STDMETHODCALLTYPE eventNotify(me::Notify* notify, DWORD event, DWORD_PTR, DWORD) {
    if (self(notify)->events) self(notify)->events(event);
    return S_OK;
  }

  static constexpr me::NotifyVtbl kVtbl{queryInterface, addRefSlot, releaseSlot, eventNotify};

  std::atomic<ULONG> refs{1};
  MediaEventSink events;
};

// One loaded sound. The engine may be called from the decoder's threads for its times while the
// audio thread shuts it down: the shared owner keeps the object alive until the last call ends.
class Win32MediaEngine final : public MediaEngine {
 public:
  Win32MediaEngine(ComOwner<me::Engine> engine, ComOwner<me::EngineEx> engineEx, ComOwner<NotifyObject> notify)
      : notify(std::move(notify)), engine(std::move(engine)), engineEx(std::move(engineEx)) {}

  void play() override { engine->vtbl->play(engine.get()); }
  void pause() override { engine->vtbl->pause(engine.get()); }
  void setCurrentTime(double seconds) override { engine->vtbl->setCurrentTime(engine.get(), seconds); }
  double duration() override { return engine->vtbl->duration(engine.get()); }
  double currentTime() override { return engine->vtbl->currentTime(engine.get()); }
  void shutdown() override { engine->vtbl->shutdown(engine.get()); }

  void playWhenLoaded() { engine->vtbl->setAutoPlay(engine.get(), TRUE); }
  HRESULT setSource(IMFByteStream* stream, const std::wstring& sourceName) {
    BSTR name = SysAllocStringLen(sourceName.data(), UINT(sourceName.size()));
    const HRESULT handed = engineEx->vtbl->setSourceFromByteStream(engineEx.get(), stream, name);
    SysFreeString(name);
    return handed;
  }

 private:
  // Declared first so that it is released last, after the engine that calls it.
  ComOwner<NotifyObject> notify;
  ComOwner<me::Engine> engine;
  ComOwner<me::EngineEx> engineEx;
};

// Unsettled, no or yes; settled once for the process.
enum : int { kUnsettled = -1, kNo = 0, kYes = 1 };
std::atomic<int> engineAnswer{kUnsettled};

bool engineAvailable() {
  const int known = engineAnswer.load();
  if (known != kUnsettled) return known == kYes;
  if (!mf::available()) {
    engineAnswer.store(kNo);
    return false;
  }
  ComOwner<me::ClassFactory> factory;
  const HRESULT hr = CoCreateInstance(me::kClassFactoryClass, nullptr, CLSCTX_INPROC_SERVER, me::kClassFactoryInterface,
                                      factory.outVoid());
  // Asked from a thread without COM: the answer says nothing about the platform.
  if (hr == CO_E_NOTINITIALIZED) return false;
  const bool yes = SUCCEEDED(hr) && factory;
  engineAnswer.store(yes ? kYes : kNo);
  return yes;
}

thread_local bool comEntered = false;

bool startThread() {
  comEntered = SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED));
  if (mf::startup()) return true;
  if (comEntered) CoUninitialize();
  comEntered = false;
  return false;
}

void stopThread() {
  mf::shutdown();
  if (comEntered) CoUninitialize();
  comEntered = false;
}

MediaEngineOpen failed(const char* key) { return {nullptr, key}; }

MediaEngineOpen openEngine(const std::vector<uint8_t>& bytes, const std::wstring& sourceName,
                           MediaEventSink events) {
  ComOwner<me::ClassFactory> factory;
  if (FAILED(CoCreateInstance(me::kClassFactoryClass, nullptr, CLSCTX_INPROC_SERVER, me::kClassFactoryInterface,
                              factory.outVoid())) ||
      !factory)
    return failed("previewerror.audio_engine_failed");

  ComOwner<NotifyObject> notify(new (std::nothrow) NotifyObject(std::move(events)));
  if (!notify) return failed("previewerror.out_of_memory");

  const mf::CreateAttributesFn createAttributes = mf::createAttributesFunction();
  const mf::ByteStreamOnStreamFn byteStreamOnStream = mf::byteStreamOnStreamFunction();
  if (!createAttributes || !byteStreamOnStream) return failed("previewerror.audio_platform_missing");

  ComOwner<IMFAttributes> attributes;
  if (FAILED(createAttributes(attributes.out(), 2)) || !attributes)
    return failed("previewerror.audio_engine_config_failed");
  attributes->SetUnknown(me::kCallbackAttribute, notify->asUnknown());

  ComOwner<me::Engine> engine;
  const HRESULT created =
      factory->vtbl->createInstance(factory.get(), me::kCreateAudioOnly, attributes.get(), engine.out());
  attributes.reset();
  if (FAILED(created) || !engine) return failed("previewerror.audio_engine_create_failed");
  ComOwner<me::EngineEx> engineEx;
  if (FAILED(engine->vtbl->queryInterface(engine.get(), me::kEngineExInterface, engineEx.outVoid())) || !engineEx) {
    engine->vtbl->shutdown(engine.get());
    engine.reset();
    return failed("previewerror.audio_unsupported_build");
  }
  // From here the sound owns the engine, its extension and a reference to the callback.
  notify->addRef();
  auto sound =
      std::make_shared<Win32MediaEngine>(std::move(engine), std::move(engineEx), ComOwner<NotifyObject>(notify.get()));
  sound->playWhenLoaded();

  ComOwner<IMFByteStream> byteStream;
  {
    // The byte stream keeps its own reference to the memory stream.
    ComOwner<IStream> stream(SHCreateMemStream(bytes.data(), UINT(bytes.size())));
    if (!stream || FAILED(byteStreamOnStream(stream.get(), byteStream.out())) || !byteStream) {
      stream.reset();
      sound->shutdown();
      return failed("previewerror.audio_not_handed_over");
    }
  }
  if (const wchar_t* type = audioContentType(bytes.data(), bytes.size())) {
    ComOwner<IMFAttributes> streamAttributes;
    if (SUCCEEDED(byteStream->QueryInterface(IID_IMFAttributes, streamAttributes.outVoid())) && streamAttributes)
      streamAttributes->SetString(MF_BYTESTREAM_CONTENT_TYPE, type);
  }
  const HRESULT handed = sound->setSource(byteStream.get(), sourceName);
  byteStream.reset();
  if (FAILED(handed)) {
    sound->shutdown();
    return failed("previewerror.audio_no_decoder");
  }
  return {std::move(sound), {}};
}

void notifyWindow(uintptr_t window) {
  postAppMessage(reinterpret_cast<WindowHandle>(window), AppMessage::AudioState, 0, 0);
}

}  // namespace

AudioPlayerServices platformAudioServices() {
  AudioPlayerServices services;
  services.engineAvailable = engineAvailable;
  services.startThread = startThread;
  services.stopThread = stopThread;
  services.openEngine = openEngine;
  services.notify = notifyWindow;
  return services;
}

}  // namespace tolzeb::ui
