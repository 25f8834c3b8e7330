// Turning UTF-16 text into the bytes a stream shows.
#pragma once

#include <string>
#include <string_view>

namespace tolzeb::cli {

// UTF-8 for display: an unpaired surrogate (a damaged file name, say) becomes U+FFFD instead of
// failing, since the text is only shown, never stored.
std::string displayUtf8(std::wstring_view text);

// Every "\n" becomes "\r\n", as a Windows text-mode stream writes it.
std::wstring withCrLf(std::wstring_view text);

}  // namespace tolzeb::cli
