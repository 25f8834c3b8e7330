#include "ui/app/path_presence.h"

namespace tolzeb::ui {

const char* presenceMessageKey(PathPresence presence) {
  switch (presence) {
    case PathPresence::Missing:
      return "error.file_missing";
    case PathPresence::Folder:
      return "error.file_is_folder";
    case PathPresence::Unreadable:
      return "error.file_unreadable";
    case PathPresence::File:
      break;
  }
  return "";
}

}  // namespace tolzeb::ui
