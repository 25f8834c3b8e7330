// The POSIX stand-in has no dialogs: only an answerer can choose.
#include "ui/foundation/file_dialogs_platform.h"

namespace tolzeb::ui::platform {

std::vector<std::wstring> runFileDialog(OwnerWindow, const FileDialogRequest& request,
                                        const FileDialogAnswerer& answerer) {
  if (!answerer) return {};
  std::optional<std::vector<std::wstring>> answer = answerer(request, PreparedFileDialog{});
  return answer ? std::move(*answer) : std::vector<std::wstring>();
}

}  // namespace tolzeb::ui::platform
