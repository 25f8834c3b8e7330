// The requests the pages start: what each takes from the page state and from the settings.
#pragma once

#include <cstdint>

#include "ui/app/page_state.h"
#include "ui/app/task_types.h"
#include "ui/foundation/history.h"

namespace tolzeb::ui {

// A task of `kind` on one archive, with the password typed into `password` when one is given.
TaskRequest archiveRequest(TaskKind kind, const std::wstring& path, const TextField* password = nullptr);
// A create of the compress page: the settings' options with the page's mode, verification and
// dictionary; a password only for an encrypted ".zeb", a recovery record only for a ".zeb".
TaskRequest compressRequest(const PageState& state);
// An extraction of the extract page: the settings' options with the page's policy and password.
TaskRequest extractRequest(const PageState& state);
// A verify (or, without `verify`, a test of every block) of the tools archive with the settings'
// threads and memory budget and the tools page's password.
TaskRequest checkRequest(const PageState& state, bool verify);
// The history line of a create that succeeded, written at `nowFileTime` (UTC).
HistoryEntry historyEntryOf(const TaskSnapshot& created, uint64_t nowFileTime);

// Joins a sentence and a path in the boxes of openOutputFolder.
inline constexpr const wchar_t* kParagraphBreak = L"\n\n";

}  // namespace tolzeb::ui
