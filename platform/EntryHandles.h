#pragma once
// One file or folder inside a folder of the installation, handled so that a
// link (junction or symbolic link) that someone has put there is never
// followed: both programs run with administrator rights, and what they
// would write or delete through a link lies wherever its maker chose.
#include <string>

#include "platform/Files.h"

namespace os {

// A handle on path itself (a link, never its target) with leave to delete
// it and to change its attributes; a folder only when folder is true.
// None on failure.
UniqueHandle OpenEntryToDelete(const std::string& path, bool folder);
// A handle on path itself (a file or folder; a link, never its target) with
// access, sharing everything. None on failure.
UniqueHandle OpenEntry(const std::string& path, DWORD access);

}  // namespace os
