#include "engine/HeldFolder.h"

#include "engine/Unit_Paths.h"

THeldFolder::THeldFolder(const std::string& path) : path_(path), handle_(os::INVALID_HANDLE_VALUE) {
  if (path.empty()) return;
  // Listing access takes part in share modes (attributes alone would not):
  // without FILE_SHARE_DELETE nobody may rename or delete it meanwhile.
  handle_ = os::CreateFileA(
      path, os::FILE_LIST_DIRECTORY | os::FILE_READ_ATTRIBUTES | os::READ_CONTROL | os::WRITE_DAC | os::WRITE_OWNER,
      os::FILE_SHARE_READ | os::FILE_SHARE_WRITE, os::OPEN_EXISTING,
      os::FILE_FLAG_BACKUP_SEMANTICS | os::FILE_FLAG_OPEN_REPARSE_POINT);
  if (handle_ == os::INVALID_HANDLE_VALUE) return;
  const os::DWORD attributes = os::GetFileAttributesByHandle(handle_);
  // A link is refused as a whole: nothing goes through it.
  if (attributes == os::INVALID_FILE_ATTRIBUTES || !(attributes & os::FILE_ATTRIBUTE_DIRECTORY) ||
      (attributes & os::FILE_ATTRIBUTE_REPARSE_POINT)) {
    Release();
    return;
  }
  final_ = os::GetFinalPathNameByHandleA(handle_);
  legacy_ = final_.empty() && os::GetLastError() == os::DWORD(os::ERROR_PROC_NOT_FOUND);
  if (final_.empty() && !legacy_) Release();
}

bool THeldFolder::Usable() const { return handle_ != os::INVALID_HANDLE_VALUE; }

void THeldFolder::Release() {
  if (handle_ != os::INVALID_HANDLE_VALUE) os::CloseHandle(handle_);
  handle_ = os::INVALID_HANDLE_VALUE;
}

bool THeldFolder::Holds(os::HANDLE entry) const {
  if (!Usable()) return false;
  return legacy_ || IsBelow(final_, os::GetFinalPathNameByHandleA(entry));
}

