// The media platform's functions, looked up once per process by the media facts reader and
// shared with the audio player, so mfplat.dll is bound in one place only.
#pragma once

#include <windows.h>

#include <mfobjects.h>
#include <objidl.h>

namespace tolzeb::ui::mf {

using CreateAttributesFn = HRESULT(WINAPI*)(IMFAttributes**, UINT32);
using ByteStreamOnStreamFn = HRESULT(WINAPI*)(IStream*, IMFByteStream**);

// Both libraries loaded and every function found.
bool available();
// MFStartup (lite) on the calling thread; false when not bound or when it failed. Each success is
// paired with one shutdown.
bool startup();
void shutdown();
// Null when the platform is not bound.
CreateAttributesFn createAttributesFunction();
ByteStreamOnStreamFn byteStreamOnStreamFunction();

}  // namespace tolzeb::ui::mf
