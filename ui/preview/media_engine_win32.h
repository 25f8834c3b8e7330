// The media engine's COM interfaces, which the compiler's Windows headers do not declare, written
// from their public reference. They are plain vtable records so that the place of every slot the
// player calls is checked at compile time; slots the player never calls keep their place untyped.
#pragma once

#include <windows.h>

#include <cstddef>
#include <mfobjects.h>
#include <oleauto.h>

namespace tolzeb::ui::media_engine {

// A GUID from its registry text form "xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx", so that the
// identifiers below read exactly as they are published.
consteval GUID guidFromText(const char (&text)[37]) {
  auto nibble = [](char c) -> unsigned {
    if (c >= '0' && c <= '9') return unsigned(c - '0');
    if (c >= 'a' && c <= 'f') return unsigned(c - 'a' + 10);
    if (c >= 'A' && c <= 'F') return unsigned(c - 'A' + 10);
    throw "not a hexadecimal digit";
  };
  auto hex = [&](int at, int digits) {
    unsigned long value = 0;
    for (int i = 0; i < digits; ++i) value = value * 16 + nibble(text[at + i]);
    return value;
  };
  if (text[8] != '-' || text[13] != '-' || text[18] != '-' || text[23] != '-') throw "misplaced dash";
  GUID guid{};
  guid.Data1 = hex(0, 8);
  guid.Data2 = static_cast<unsigned short>(hex(9, 4));
  guid.Data3 = static_cast<unsigned short>(hex(14, 4));
  guid.Data4[0] = static_cast<unsigned char>(hex(19, 2));
  guid.Data4[1] = static_cast<unsigned char>(hex(21, 2));
  for (int i = 0; i < 6; ++i) guid.Data4[2 + i] = static_cast<unsigned char>(hex(24 + 2 * i, 2));
  return guid;
}

inline constexpr CLSID kClassFactoryClass = guidFromText("b44392da-499b-446b-a4cb-005fead0e6d5");
inline constexpr IID kClassFactoryInterface = guidFromText("4d645ace-26aa-4688-9be1-df3516990b93");
inline constexpr IID kEngineInterface = guidFromText("98a1b0bb-03eb-4935-ae7c-93c1fa0e1c93");
inline constexpr IID kEngineExInterface = guidFromText("83015ead-b1e6-40d0-a98a-37145ffe1ad1");
inline constexpr IID kNotifyInterface = guidFromText("fee7c112-e776-42b5-9bbf-0048524e2bd5");
// Attribute of CreateInstance: the IMFMediaEngineNotify that receives the engine's events.
inline constexpr GUID kCallbackAttribute = guidFromText("c60381b8-83a4-41f8-a3d0-de05076849a9");
// MF_MEDIA_ENGINE_AUDIOONLY of the creation flags: no video output is set up.
inline constexpr DWORD kCreateAudioOnly = 0x1;

static_assert(kClassFactoryClass.Data1 == 0xb44392da && kClassFactoryClass.Data4[7] == 0xd5);
static_assert(kEngineExInterface.Data2 == 0xb1e6 && kEngineExInterface.Data4[0] == 0xa9);

using Untyped = void*;  // a slot the player never calls

// IMFMediaEngine: IUnknown, then its 42 methods in their published order.
struct Engine;
struct EngineVtbl {
  HRESULT(STDMETHODCALLTYPE* queryInterface)(Engine*, REFIID, void**);
  ULONG(STDMETHODCALLTYPE* addRef)(Engine*);
  ULONG(STDMETHODCALLTYPE* release)(Engine*);
  Untyped getError, setErrorCode, setSourceElements, setSource, getCurrentSource, getNetworkState, getPreload,
      setPreload, getBuffered, load, canPlayType, getReadyState, isSeeking;
  double(STDMETHODCALLTYPE* currentTime)(Engine*);
  HRESULT(STDMETHODCALLTYPE* setCurrentTime)(Engine*, double seconds);
  Untyped getStartTime;
  double(STDMETHODCALLTYPE* duration)(Engine*);
  Untyped isPaused, getDefaultPlaybackRate, setDefaultPlaybackRate, getPlaybackRate, setPlaybackRate, getPlayed,
      getSeekable, isEnded, getAutoPlay;
  HRESULT(STDMETHODCALLTYPE* setAutoPlay)(Engine*, BOOL autoPlay);
  Untyped getLoop, setLoop;
  HRESULT(STDMETHODCALLTYPE* play)(Engine*);
  HRESULT(STDMETHODCALLTYPE* pause)(Engine*);
  Untyped getMuted, setMuted, getVolume, setVolume, hasVideo, hasAudio, getNativeVideoSize, getVideoAspectRatio;
  HRESULT(STDMETHODCALLTYPE* shutdown)(Engine*);
  Untyped transferVideoFrame, onVideoStreamTick;
};
struct Engine {
  const EngineVtbl* vtbl;
};

// IMFMediaEngineEx: IMFMediaEngine's slots, then SetSourceFromByteStream first of its own.
struct EngineEx;
struct EngineExVtbl {
  EngineVtbl engine;
  HRESULT(STDMETHODCALLTYPE* setSourceFromByteStream)(EngineEx*, IMFByteStream* stream, BSTR url);
};
struct EngineEx {
  const EngineExVtbl* vtbl;
};

// IMFMediaEngineClassFactory.
struct ClassFactory;
struct ClassFactoryVtbl {
  HRESULT(STDMETHODCALLTYPE* queryInterface)(ClassFactory*, REFIID, void**);
  ULONG(STDMETHODCALLTYPE* addRef)(ClassFactory*);
  ULONG(STDMETHODCALLTYPE* release)(ClassFactory*);
  HRESULT(STDMETHODCALLTYPE* createInstance)(ClassFactory*, DWORD flags, IMFAttributes* attributes, Engine** engine);
  Untyped createTimeRange, createError;
};
struct ClassFactory {
  const ClassFactoryVtbl* vtbl;
};

// IMFMediaEngineNotify, which the player implements.
struct Notify;
struct NotifyVtbl {
  HRESULT(STDMETHODCALLTYPE* queryInterface)(Notify*, REFIID, void**);
  ULONG(STDMETHODCALLTYPE* addRef)(Notify*);
  ULONG(STDMETHODCALLTYPE* release)(Notify*);
  HRESULT(STDMETHODCALLTYPE* eventNotify)(Notify*, DWORD event, DWORD_PTR param1, DWORD param2);
};
struct Notify {
  const NotifyVtbl* vtbl;
};

constexpr size_t slotOffset(size_t slot) { return slot * sizeof(void*); }
static_assert(offsetof(EngineVtbl, getError) == slotOffset(3));
static_assert(offsetof(EngineVtbl, currentTime) == slotOffset(16));
static_assert(offsetof(EngineVtbl, setCurrentTime) == slotOffset(17));
static_assert(offsetof(EngineVtbl, duration) == slotOffset(19));
static_assert(offsetof(EngineVtbl, setAutoPlay) == slotOffset(29));
static_assert(offsetof(EngineVtbl, play) == slotOffset(32));
static_assert(offsetof(EngineVtbl, pause) == slotOffset(33));
static_assert(offsetof(EngineVtbl, shutdown) == slotOffset(42));
static_assert(sizeof(EngineVtbl) == slotOffset(45), "IUnknown's 3 slots and IMFMediaEngine's 42");
static_assert(offsetof(EngineExVtbl, setSourceFromByteStream) == slotOffset(45));
static_assert(offsetof(ClassFactoryVtbl, createInstance) == slotOffset(3));
static_assert(sizeof(ClassFactoryVtbl) == slotOffset(6));
static_assert(offsetof(NotifyVtbl, eventNotify) == slotOffset(3));

}  // namespace tolzeb::ui::media_engine
