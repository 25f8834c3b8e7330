// What opening an archive proposes on its own.
#pragma once

#include <string>

namespace tolzeb::ui {

// The folder an archive is extracted into when the user has chosen none: beside the archive, its
// name cut before the last '.' (photos.tar.gz -> photos.tar). A name with no such cut (no dot, or
// only a leading one) is numbered instead (.cache -> ".cache (2)"), so the folder never is the
// archive itself. Empty when the path has no folder or no name.
std::wstring proposedExtractFolder(const std::wstring& archive);

}  // namespace tolzeb::ui
