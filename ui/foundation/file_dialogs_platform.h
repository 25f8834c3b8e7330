// Runs one file dialog on the system: create, prepare from the request, show (or ask the answerer
// instead), and collect the chosen file-system paths in the dialog's order.
#pragma once

#include "ui/foundation/file_dialogs.h"

namespace tolzeb::ui::platform {

// Every failure, a cancel included, gives an empty list. Items without a file-system path are left
// out.
std::vector<std::wstring> runFileDialog(OwnerWindow owner, const FileDialogRequest& request,
                                        const FileDialogAnswerer& answerer);

}  // namespace tolzeb::ui::platform
