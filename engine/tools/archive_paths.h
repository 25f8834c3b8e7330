// The archive path under which the archive writer stores a file of a folder: the folder's own name, then
// the file's path below it.
#pragma once

#include <string>

namespace tolzeb {

// The last component of the folder path after trailing separators are dropped; a root such as D:\ comes
// back unchanged.
std::wstring folderLeafName(const std::wstring& folderPath);

// prefix + "/" + name; an empty side gives the other one unchanged.
std::wstring joinArchivePath(const std::wstring& prefix, const std::wstring& name);

}  // namespace tolzeb
