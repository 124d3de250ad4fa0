// Handles on entries themselves, never on what a link points to.
#include "platform/EntryHandles.h"

#include "platform/Chars.h"
#include "platform/Files.h"

namespace os {

UniqueHandle OpenEntryToDelete(const std::string& path, bool folder) {
  return UniqueHandle(CreateFileA(path, DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING,
                     FILE_FLAG_OPEN_REPARSE_POINT | (folder ? FILE_FLAG_BACKUP_SEMANTICS : 0)));
}

UniqueHandle OpenEntry(const std::string& path, DWORD access) {
  return UniqueHandle(CreateFileA(path, access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING,
                                  FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS));
}

bool MakeSureDirectoryPathExists(const std::string& path) {
  // As imagehlp does it, but by character: every prefix that ends in a
  // backslash, after the drive and its root, is created unless it exists.
  // A search by byte would take the second byte of a double-byte character
  // for a backslash and make a folder of half a name.
  const TCharacters& chars = SystemCharacters();
  std::size_t pos = 0;
  if (path.size() >= 2 && !chars.IsLeadByte(static_cast<unsigned char>(path[0])) && path[1] == ':') pos = 2;
  while (pos < path.size() && chars.Find(path, '\\', pos) == pos) ++pos;
  SetLastError(ERROR_SUCCESS);
  while ((pos = chars.Find(path, '\\', pos)) != std::string::npos) {
    if (!CreateDirectoryA(path.substr(0, pos + 1)) && GetLastError() != DWORD(ERROR_ALREADY_EXISTS))
      return false;
    ++pos;
  }
  if (GetLastError() == DWORD(ERROR_ALREADY_EXISTS)) SetLastError(ERROR_SUCCESS);
  return true;
}

}  // namespace os
