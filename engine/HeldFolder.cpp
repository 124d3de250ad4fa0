#include "engine/HeldFolder.h"

#include "engine/Unit_Paths.h"
#include "platform/Entries.h"
#include "platform/Sddl.h"

const char* const kAdministratorsOwner = "O:BA";

THeldFolder::THeldFolder(const std::string& path) : path_(path) {
  if (path.empty()) return;
  // Listing access takes part in share modes (attributes alone would not):
  // without FILE_SHARE_DELETE nobody may rename or delete it meanwhile.
  handle_.reset(os::CreateFileA(
      path, os::FILE_LIST_DIRECTORY | os::FILE_READ_ATTRIBUTES | os::READ_CONTROL,
      os::FILE_SHARE_READ | os::FILE_SHARE_WRITE, os::OPEN_EXISTING,
      os::FILE_FLAG_BACKUP_SEMANTICS | os::FILE_FLAG_OPEN_REPARSE_POINT));
  if (!handle_) return;
  const os::DWORD attributes = os::GetFileAttributesByHandle(handle_.get());
  // A link is refused as a whole: nothing goes through it.
  if (attributes == os::INVALID_FILE_ATTRIBUTES || !(attributes & os::FILE_ATTRIBUTE_DIRECTORY) ||
      (attributes & os::FILE_ATTRIBUTE_REPARSE_POINT)) {
    Release();
    return;
  }
  final_ = os::GetFinalPathNameByHandleA(handle_.get());
  legacy_ = final_.empty() && os::GetLastError() == os::DWORD(os::ERROR_PROC_NOT_FOUND);
  if (final_.empty() && !legacy_) Release();
}

bool THeldFolder::Usable() const { return bool(handle_); }

void THeldFolder::Release() { handle_.reset(); }

bool THeldFolder::Holds(os::HANDLE entry) const {
  if (!Usable()) return false;
  return legacy_ || os::FinalPathWithin(handle_.get(), entry, false);
}


namespace {

// Made new with the Administrators group as owner. A file system that takes
// no owner (a share may refuse one) gets the file all the same: its owner
// is then the default one, an administrator's, never a user's.
os::UniqueHandle CreateOwned(const std::string& path, os::DWORD access, os::DWORD share) {
  os::UniqueHandle file(
      os::CreateFileA(path, access, share, os::CREATE_NEW, os::FILE_ATTRIBUTE_NORMAL, kAdministratorsOwner));
  if (!file && os::GetLastError() == os::DWORD(os::ERROR_ACCESS_DENIED))
    file.reset(os::CreateFileA(path, access, share, os::CREATE_NEW));
  return file;
}

// The read-only mark belongs to the file, shared by all its names: it is
// cleared only on a file that has no other name (a hard link a user made to
// a file of theirs must not lose it by the uninstaller's hand).
bool MayClearReadOnly(os::HANDLE file) { return os::GetFileLinkCountByHandle(file) == 1; }

// Before Windows Vista: by the path, which the caller has checked.
os::DWORD DeleteByPath(const std::string& path, bool folder, bool clearReadOnly) {
  const os::DWORD attributes = os::GetFileAttributesA(path);
  const bool readOnly = clearReadOnly && !folder && attributes != os::INVALID_FILE_ATTRIBUTES &&
                        (attributes & os::FILE_ATTRIBUTE_READONLY);
  if (readOnly) {
    const os::UniqueHandle file = os::OpenEntry(path, os::FILE_READ_ATTRIBUTES);
    if (!file || !MayClearReadOnly(file.get())) return os::ERROR_FILE_READ_ONLY;
    os::SetFileAttributesA(path, attributes & ~os::FILE_ATTRIBUTE_READONLY);
  }
  if (folder ? os::RemoveDirectoryA(path) : os::DeleteFileA(path)) return os::ERROR_SUCCESS;
  const os::DWORD error = os::GetLastError();
  if (readOnly) os::SetFileAttributesA(path, attributes);
  return error;
}

}  // namespace

os::DWORD THeldFolder::DeleteEntry(const std::string& path, bool folder, bool ClearReadOnly) const {
  if (!Usable()) return os::ERROR_ACCESS_DENIED;
  if (legacy_) return DeleteByPath(path, folder, ClearReadOnly);
  const os::UniqueHandle entry = os::OpenEntryToDelete(path, folder);
  if (!entry) return os::GetLastError();
  const os::DWORD attributes = os::GetFileAttributesByHandle(entry.get());
  const bool isFolder = attributes != os::INVALID_FILE_ATTRIBUTES &&
                        (attributes & os::FILE_ATTRIBUTE_DIRECTORY) &&
                        !(attributes & os::FILE_ATTRIBUTE_REPARSE_POINT);
  os::DWORD error = os::ERROR_ACCESS_DENIED;
  if (attributes != os::INVALID_FILE_ATTRIBUTES && isFolder == folder && Holds(entry.get())) {
    const bool readOnly = ClearReadOnly && (attributes & os::FILE_ATTRIBUTE_READONLY) != 0;
    if (readOnly && !MayClearReadOnly(entry.get())) return os::ERROR_FILE_READ_ONLY;
    if (readOnly) os::SetFileAttributesByHandle(entry.get(), attributes & ~os::FILE_ATTRIBUTE_READONLY);
    error = os::SetFileDispositionInfo(entry.get(), true) ? os::DWORD(os::ERROR_SUCCESS) : os::GetLastError();
    if (error != os::ERROR_SUCCESS && readOnly) os::SetFileAttributesByHandle(entry.get(), attributes);
  }
  return error;
}

os::UniqueHandle THeldFolder::CreateFresh(const std::string& path, os::DWORD share, bool ClearReadOnly,
                                          bool Deletable) const {
  const os::DWORD access = os::GENERIC_WRITE | (Deletable ? os::DELETE : 0);
  os::UniqueHandle file(CreateOwned(path, access, share));
  if (file) return file;
  const os::DWORD created = os::GetLastError();
  // Asked only when the name is taken: most files are new.
  if (created != os::DWORD(os::ERROR_FILE_EXISTS) && created != os::DWORD(os::ERROR_ALREADY_EXISTS)) return file;
  const os::DWORD error = DeleteEntry(path, false, ClearReadOnly);
  if (error != os::ERROR_SUCCESS && error != os::DWORD(os::ERROR_FILE_NOT_FOUND)) {
    os::SetLastError(error);
    return file;
  }
  return CreateOwned(path, access, share);
}

TFolderStanding JudgeFolderBelow(const std::string& folder, const THeldFolder* held, os::DWORD& error) {
  const os::UniqueHandle handle = os::OpenEntry(folder, os::READ_CONTROL | os::FILE_READ_ATTRIBUTES);
  if (!handle) {
    error = os::GetLastError();
    return error == os::DWORD(os::ERROR_FILE_NOT_FOUND) || error == os::DWORD(os::ERROR_PATH_NOT_FOUND)
               ? TFolderStanding::Missing
               : TFolderStanding::Unopenable;
  }
  const os::DWORD attributes = os::GetFileAttributesByHandle(handle.get());
  if (attributes != os::INVALID_FILE_ATTRIBUTES && (attributes & os::FILE_ATTRIBUTE_REPARSE_POINT))
    return TFolderStanding::Link;
  sddl::Descriptor rights;
  const bool usable = attributes != os::INVALID_FILE_ATTRIBUTES && (attributes & os::FILE_ATTRIBUTE_DIRECTORY) &&
                      (!held || held->Holds(handle.get())) &&
                      sddl::Parse(os::GetSecurityInfoByHandle(handle.get()), rights) &&
                      sddl::OnlyAdministrators(rights);
  return usable ? TFolderStanding::Usable : TFolderStanding::Unusable;
}
