// The one failure every decoder reports when its output would pass the caller's cap; readers of a
// declared size recognise it to tell a wrong length in the archive from a limit of the operation.
#pragma once

#include "engine/core/status.h"

namespace tolzeb {

inline constexpr const wchar_t* kDecompressedLimitMessage = L"Decompressed data exceeds the limit for this operation";

inline Failure decompressedOverLimit() { return Failure{StatusCode::resource_limit, kDecompressedLimitMessage}; }

}  // namespace tolzeb
