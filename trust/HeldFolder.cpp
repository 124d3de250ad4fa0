// Every elevated action on the disk, done relative to a folder held open.
#include "trust/HeldFolder.h"

#include "platform/EntryHandles.h"
#include "platform/Process.h"
#include "trust/Policy.h"
#include "trust/Unit_Paths.h"

const char* const kAdministratorsOwner = "O:BA";

namespace {

// Listing access takes part in share modes (attributes alone would not):
// without FILE_SHARE_DELETE nobody may rename or delete it meanwhile.
os::UniqueHandle OpenToHold(const std::string& path) {
  return os::UniqueHandle(os::CreateFileA(
      path, os::FILE_LIST_DIRECTORY | os::FILE_READ_ATTRIBUTES | os::READ_CONTROL,
      os::FILE_SHARE_READ | os::FILE_SHARE_WRITE, os::OPEN_EXISTING,
      os::FILE_FLAG_BACKUP_SEMANTICS | os::FILE_FLAG_OPEN_REPARSE_POINT));
}

bool IsLink(os::DWORD attributes) {
  return attributes != os::INVALID_FILE_ATTRIBUTES && (attributes & os::FILE_ATTRIBUTE_REPARSE_POINT);
}

bool IsFolder(os::DWORD attributes) {
  return attributes != os::INVALID_FILE_ATTRIBUTES && (attributes & os::FILE_ATTRIBUTE_DIRECTORY) &&
         !(attributes & os::FILE_ATTRIBUTE_REPARSE_POINT);
}

// The one fallback of the owner given at creation: a file system that takes
// no owner (a share refuses it, by either answer) gets the entry all the
// same, with the default owner, an administrator's, never a user's.
bool OwnerRefused() {
  const os::DWORD error = os::GetLastError();
  return error == os::DWORD(os::ERROR_ACCESS_DENIED) || error == os::DWORD(os::ERROR_INVALID_OWNER);
}

os::UniqueHandle CreateOwned(const std::string& path, os::DWORD access, os::DWORD share, os::DWORD flags) {
  os::UniqueHandle file(os::CreateFileA(path, access, share, os::CREATE_NEW, flags, kAdministratorsOwner));
  if (!file && OwnerRefused()) file.reset(os::CreateFileA(path, access, share, os::CREATE_NEW, flags));
  return file;
}

// The read-only mark belongs to the file, shared by all its names: it is
// cleared only on a file that has no other name (a hard link a user made to
// a file of theirs must not lose it by the uninstaller's hand).
bool MayClearReadOnly(os::HANDLE file) { return os::GetFileLinkCountByHandle(file) == 1; }

// Before Windows Vista: by the path, which the caller has checked and whose
// levels are held.
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

THeldFolder::THeldFolder(const std::string& path) : path_(path) { Open(); }

THeldFolder::THeldFolder(const THeldFolder& Parent, const std::string& Name)
    : path_(JoinPath(Parent.Path(), Name)) {
  if (!Parent.Usable()) return;
  Open();
  // Where the parent lies: a level is never taken from elsewhere.
  if (Usable() && !legacy_ && !os::FinalPathWithin(Parent.final_, final_, false)) Release();
}

void THeldFolder::Open() {
  legacy_ = trust::BeforeVista();
  if (path_.empty()) return;
  handle_ = OpenToHold(path_);
  // A link is refused as a whole: nothing goes through it.
  if (handle_ && !IsFolder(os::GetFileAttributesByHandle(handle_.get()))) Release();
  if (handle_ && !legacy_) final_ = os::GetFinalPath(handle_.get());
}

void THeldFolder::Release() {
  handle_.reset();
  final_ = {};
}

bool THeldFolder::Here() const { return Usable() && (legacy_ || os::FinalPathIs(handle_.get(), path_)); }

bool THeldFolder::Contains(os::HANDLE entry) const {
  if (!Usable()) return false;
  return legacy_ || os::FinalPathWithin(final_, entry, false);
}

bool THeldFolder::OnlyTrustedCanChange(bool WhereRightsDoNotCount) const {
  if (!WhereRightsDoNotCount && !trust::RightsCount()) return true;
  return Usable() && trust::OnlyTrusted(os::GetSecurityInfoByHandle(handle_.get()));
}

bool THeldFolder::UsersCanRenameBelow() const {
  if (!trust::RightsCount()) return false;
  if (!Usable()) return true;
  const std::string rights = os::GetSecurityInfoByHandle(handle_.get());
  return trust::OthersCanDeleteChildren(rights) || (!IsRootFolder(path_) && trust::OthersCanDelete(rights));
}

bool THeldFolder::UsersCanReplace(const std::string& path) const {
  const os::UniqueHandle file = os::OpenEntry(path, os::READ_CONTROL | os::FILE_READ_ATTRIBUTES);
  return !Usable() || !file || !Contains(file.get()) || !trust::OnlyTrusted(os::GetSecurityInfoByHandle(file.get())) ||
         trust::OthersCanDeleteChildren(os::GetSecurityInfoByHandle(handle_.get()));
}

std::string THeldFolder::FirstLinkBelow(const std::string& Rest) const {
  for (const std::string& level : LevelsBelow(path_, Rest))
    if (IsLink(os::GetFileAttributesA(level))) return level;
  return {};
}

TFolderStanding THeldFolder::JudgeBelow(const std::string& path, os::DWORD& error) const {
  const os::UniqueHandle handle = os::OpenEntry(path, os::READ_CONTROL | os::FILE_READ_ATTRIBUTES);
  if (!handle) {
    error = os::GetLastError();
    return error == os::DWORD(os::ERROR_FILE_NOT_FOUND) || error == os::DWORD(os::ERROR_PATH_NOT_FOUND)
               ? TFolderStanding::Missing
               : TFolderStanding::Unopenable;
  }
  const os::DWORD attributes = os::GetFileAttributesByHandle(handle.get());
  if (IsLink(attributes)) return TFolderStanding::Link;
  const bool usable = IsFolder(attributes) && Contains(handle.get()) &&
                      (!trust::RightsCount() || trust::OnlyTrusted(os::GetSecurityInfoByHandle(handle.get())));
  return usable ? TFolderStanding::Usable : TFolderStanding::Unusable;
}

bool THeldFolder::ReadOnlyWithOtherNames(const std::string& path) const {
  const os::UniqueHandle file = os::OpenEntry(path, os::FILE_READ_ATTRIBUTES);
  if (!file) return false;
  const os::DWORD attributes = os::GetFileAttributesByHandle(file.get());
  return attributes != os::INVALID_FILE_ATTRIBUTES && (attributes & os::FILE_ATTRIBUTE_READONLY) &&
         !MayClearReadOnly(file.get());
}

bool THeldFolder::MakeFolder(const std::string& path, const char* Sddl) const {
  if (!Usable()) {
    os::SetLastError(os::ERROR_ACCESS_DENIED);
    return false;
  }
  const std::string text = Sddl ? Sddl : kAdministratorsOwner;
  if (os::CreateDirectoryA(path, text)) return true;
  if (!OwnerRefused()) return false;
  // Without the owner, the rights given all the same.
  const std::size_t dacl = text.find("D:");
  return dacl == std::string::npos ? os::CreateDirectoryA(path) : os::CreateDirectoryA(path, text.substr(dacl));
}

os::UniqueHandle THeldFolder::CreateFresh(const std::string& path, os::DWORD share, bool ClearReadOnly,
                                          bool Deletable) const {
  const os::DWORD access = os::GENERIC_WRITE | (Deletable ? os::DELETE : 0);
  os::UniqueHandle file(CreateOwned(path, access, share, os::FILE_ATTRIBUTE_NORMAL));
  if (file) return file;
  const os::DWORD created = os::GetLastError();
  // Asked only when the name is taken: most files are new.
  if (created != os::DWORD(os::ERROR_FILE_EXISTS) && created != os::DWORD(os::ERROR_ALREADY_EXISTS)) return file;
  const os::DWORD error = DeleteEntry(path, false, ClearReadOnly);
  if (error != os::ERROR_SUCCESS && error != os::DWORD(os::ERROR_FILE_NOT_FOUND)) {
    os::SetLastError(error);
    return file;
  }
  return CreateOwned(path, access, share, os::FILE_ATTRIBUTE_NORMAL);
}

bool THeldFolder::TakesFiles() const {
  const os::UniqueHandle probe = CreateOwned(JoinPath(path_, "Setup write test.tmp"), os::GENERIC_WRITE | os::DELETE,
                                             0, os::FILE_FLAG_DELETE_ON_CLOSE);
  return probe && Contains(probe.get());
}

void THeldFolder::Discard(os::UniqueHandle& file) const {
  // Through its own handle: a path could be made to lead elsewhere by now.
  os::SetFileDispositionInfo(file.get(), true);
  file.reset();
}

os::DWORD THeldFolder::DeleteEntry(const std::string& path, bool folder, bool ClearReadOnly) const {
  if (!Usable()) return os::ERROR_ACCESS_DENIED;
  if (legacy_) return DeleteByPath(path, folder, ClearReadOnly);
  const os::UniqueHandle entry = os::OpenEntryToDelete(path, folder);
  if (!entry) return os::GetLastError();
  const os::DWORD attributes = os::GetFileAttributesByHandle(entry.get());
  os::DWORD error = os::ERROR_ACCESS_DENIED;
  if (attributes != os::INVALID_FILE_ATTRIBUTES && IsFolder(attributes) == folder && Contains(entry.get())) {
    const bool readOnly = ClearReadOnly && (attributes & os::FILE_ATTRIBUTE_READONLY) != 0;
    if (readOnly && !MayClearReadOnly(entry.get())) return os::ERROR_FILE_READ_ONLY;
    if (readOnly) os::SetFileAttributesByHandle(entry.get(), attributes & ~os::FILE_ATTRIBUTE_READONLY);
    error = os::SetFileDispositionInfo(entry.get(), true) ? os::DWORD(os::ERROR_SUCCESS) : os::GetLastError();
    if (error != os::ERROR_SUCCESS && readOnly) os::SetFileAttributesByHandle(entry.get(), attributes);
  }
  return error;
}

bool THeldFolder::Rename(const std::string& From, const std::string& To) const {
  const os::UniqueHandle from = os::OpenEntry(From, os::FILE_READ_ATTRIBUTES);
  if (!from || !Contains(from.get()) || !FirstLinkBelow(NameOfPath(To)).empty()) return false;
  return os::MoveFileExA(From, To, os::MOVEFILE_REPLACE_EXISTING | os::MOVEFILE_WRITE_THROUGH);
}

bool THeldFolder::SaveLink(os::TShellLink& Link, const std::string& path) const {
  if (!Usable()) return false;
  if (IsLink(os::GetFileAttributesA(path)) && DeleteEntry(path, false, false) != os::ERROR_SUCCESS) return false;
  if (Link.Save(path, false) < 0) return false;
  const os::UniqueHandle saved = os::OpenEntry(path, os::FILE_READ_ATTRIBUTES);
  if (saved && !IsLink(os::GetFileAttributesByHandle(saved.get())) && Contains(saved.get())) return true;
  DeleteEntry(path, false, false);
  return false;
}

bool THeldFolder::CopyIn(const std::string& Source, const std::string& path) const {
  if (!Usable() || !os::CopyFileA(Source, path, true)) return false;
  const os::UniqueHandle copy = os::OpenEntry(path, os::FILE_READ_ATTRIBUTES);
  if (copy && Contains(copy.get())) return true;
  DeleteEntry(path, false, false);
  return false;
}

void THeldFolder::DeleteItself() {
  if (!Usable()) return;
  const bool here = Here();
  Release();
  if (!here || IsRootFolder(path_)) return;
  if (legacy_) {
    os::RemoveDirectoryA(path_);
    return;
  }
  const os::UniqueHandle self = os::OpenEntryToDelete(path_, true);
  if (self && IsFolder(os::GetFileAttributesByHandle(self.get())) && os::FinalPathIs(self.get(), path_))
    os::SetFileDispositionInfo(self.get(), true);
}

// --- The folders below one, as a removal walks them -------------------------

THeldDescent::THeldDescent(const THeldFolder& Top)
    : top_(Top), topHere_(Top.Here()), failed_(os::ERROR_SUCCESS) {}

const THeldFolder* THeldDescent::Enter(const std::string& Folder) {
  const std::vector<std::string> names = Folder.empty() ? std::vector<std::string>() : PathLevels(Folder);
  if (names == names_) return failed_ == os::ERROR_SUCCESS ? (levels_.empty() ? &top_ : levels_.back().get()) : nullptr;
  // The levels both folders share stay held; the rest is let go, deepest
  // first, before the new ones are opened.
  std::size_t shared = 0;
  while (shared < names.size() && shared < levels_.size() && names[shared] == names_[shared]) ++shared;
  while (levels_.size() > shared) levels_.pop_back();
  names_ = names;
  failed_ = os::ERROR_SUCCESS;
  link_ = false;
  for (std::size_t i = levels_.size(); i < names.size(); ++i) {
    const THeldFolder& parent = levels_.empty() ? top_ : *levels_.back();
    auto level = std::make_unique<THeldFolder>(parent, names[i]);
    if (!level->Usable()) {
      const os::DWORD attributes = os::GetFileAttributesA(level->Path());
      link_ = IsLink(attributes);
      failed_ = attributes == os::INVALID_FILE_ATTRIBUTES ? os::DWORD(os::ERROR_PATH_NOT_FOUND)
                                                          : os::DWORD(os::ERROR_ACCESS_DENIED);
      return nullptr;
    }
    levels_.push_back(std::move(level));
  }
  return levels_.empty() ? &top_ : levels_.back().get();
}

os::DWORD THeldDescent::DeleteRecorded(const std::string& Rest, bool ClearReadOnly, bool& BehindLink) {
  BehindLink = false;
  if (!topHere_) return os::ERROR_ACCESS_DENIED;
  const THeldFolder* folder = Enter(FolderOfPath(Rest));
  BehindLink = link_;
  return folder ? folder->DeleteEntry(JoinPath(folder->Path(), NameOfPath(Rest)), false, ClearReadOnly) : failed_;
}

void THeldDescent::Release() {
  while (!levels_.empty()) levels_.pop_back();
  names_.clear();
  failed_ = os::ERROR_SUCCESS;
  link_ = false;
}

// --- The way to a folder ----------------------------------------------------

THeldWay::THeldWay(const std::string& Base, const std::string& Rest) {
  levels_.push_back(std::make_unique<THeldFolder>(Base));
  if (!Usable()) {
    blocked_ = Base;
    return;
  }
  const std::vector<std::string> names = PathLevels(Rest);
  for (std::size_t i = 0; i < names.size() && !Rest.empty(); ++i) {
    const std::string level = JoinPath(Deepest().Path(), names[i]);
    const os::DWORD attributes = os::GetFileAttributesA(level);
    if (attributes == os::INVALID_FILE_ATTRIBUTES) {
      // The rest is to be made.
      for (std::size_t j = i; j < names.size(); ++j) missing_ = JoinPath(missing_, names[j]);
      return;
    }
    auto held = std::make_unique<THeldFolder>(Deepest(), names[i]);
    if (!held->Usable()) {
      blocked_ = level;
      return;
    }
    levels_.push_back(std::move(held));
  }
}

std::unique_ptr<THeldWay> THeldWay::FromRoot(const std::string& Path) {
  const std::string full = StripBackslash(Path);
  const std::string root = os::GetVolumePathNameA(full);
  const std::string base = root.empty() ? full : StripBackslash(root);
  const std::string rest = full.size() > root.size() && !root.empty() ? full.substr(root.size()) : std::string();
  return std::make_unique<THeldWay>(base, rest);
}

bool THeldWay::Usable() const { return levels_.front()->Here(); }

THeldFolder* THeldWay::Reached() { return Usable() && Whole() && Deepest().Here() ? &Deepest() : nullptr; }

const THeldFolder* THeldWay::Reached() const { return const_cast<THeldWay*>(this)->Reached(); }

std::string THeldWay::FirstUsersCanRename() const {
  // The folder's own rights are its own question: only those above count.
  const std::size_t above = Whole() ? levels_.size() - 1 : levels_.size();
  for (std::size_t i = above; i-- > 0;) {
    const THeldFolder& level = *levels_[i];
    if (level.UsersCanRenameBelow()) return level.Path();
    if (IsRootFolder(level.Path())) break;
  }
  return {};
}

std::string THeldWay::MakeMissing(const char* TopSddl) {
  const std::vector<std::string> names = PathLevels(missing_);
  for (std::size_t i = 0; i < names.size() && !missing_.empty(); ++i) {
    const std::string level = JoinPath(Deepest().Path(), names[i]);
    if (!Deepest().MakeFolder(level, made_ == 0 ? TopSddl : nullptr)) return level;
    ++made_;
    auto held = std::make_unique<THeldFolder>(Deepest(), names[i]);
    if (!held->Usable()) {
      os::SetLastError(os::ERROR_ACCESS_DENIED);
      return level;
    }
    levels_.push_back(std::move(held));
  }
  missing_.clear();
  return {};
}

void THeldWay::RemoveMade() {
  for (; made_ > 0 && levels_.size() > 1; --made_) {
    const std::string path = levels_.back()->Path();
    levels_.pop_back();
    if (Deepest().DeleteEntry(path, true, false) != os::ERROR_SUCCESS) return;
  }
}

// --- Programs, private folders, reading -------------------------------------------

THeldProgram HoldToStart(const std::string& program, bool InsideProgramFiles) {
  THeldProgram held;
  if (!IsAbsoluteFolder(program)) return held;
  const std::string full = os::GetFullPathNameA(program);
  if (full.empty() || trust::ElsewhereManaged(full)) return held;
  const std::string folder = StripBackslash(FolderOfPath(full) + "\\");
  held.Way = THeldWay::FromRoot(folder);
  if (!held.Way->Usable() || !held.Way->Whole()) return THeldProgram();
  const THeldFolder& container = held.Way->Deepest();
  held.File.reset(os::CreateFileA(full, os::GENERIC_READ | os::READ_CONTROL, os::FILE_SHARE_READ,
                                  os::OPEN_EXISTING, os::FILE_FLAG_OPEN_REPARSE_POINT));
  const os::DWORD attributes = held.File ? os::GetFileAttributesByHandle(held.File.get()) : os::INVALID_FILE_ATTRIBUTES;
  bool allowed = attributes != os::INVALID_FILE_ATTRIBUTES &&
                 !(attributes & (os::FILE_ATTRIBUTE_DIRECTORY | os::FILE_ATTRIBUTE_REPARSE_POINT)) &&
                 container.Here() && (container.ByPathOnly() || os::FinalPathIs(held.File.get(), full));
  if (allowed && trust::RightsCount()) {
    allowed = trust::OnlyTrusted(os::GetSecurityInfoByHandle(held.File.get())) && container.OnlyTrustedCanChange() &&
              held.Way->FirstUsersCanRename().empty();
  } else if (allowed) {
    const std::string windows = os::GetWindowsDirectoryA();
    const std::string temp = os::GetSystemTempPathA();
    const bool systemPlace = (!windows.empty() && IsBelow(windows, full)) || InsideProgramFiles;
    allowed = systemPlace && !(!temp.empty() && IsBelow(temp, full));
  }
  if (!allowed) held = THeldProgram();
  return held;
}

std::unique_ptr<THeldFolder> MakePrivateFolder(const std::string& Prefix) {
  // Not the user's own temporary folder: the user's programs, unelevated,
  // could rename a folder there between the copy and its start.
  const std::string temp = os::GetSystemTempPathA();
  if (temp.empty()) return nullptr;
  static const char* const kPrivate = "O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string folder = temp + Prefix + std::to_string(attempt);
    if (os::CreateDirectoryA(folder, kPrivate)) {
      auto held = std::make_unique<THeldFolder>(folder);
      return held->Here() ? std::move(held) : nullptr;
    }
    if (os::GetLastError() != os::DWORD(os::ERROR_ALREADY_EXISTS)) return nullptr;
  }
  return nullptr;
}

os::UniqueHandle OpenToRead(const std::string& path) { return OpenToRead(path, os::GENERIC_READ); }

os::UniqueHandle OpenToRead(const std::string& path, os::DWORD access) {
  return os::UniqueHandle(os::CreateFileA(path, access, os::FILE_SHARE_READ, os::OPEN_EXISTING));
}

bool MayMakeFoldersAt(const std::string& Existing) {
  return bool(os::OpenEntry(Existing, os::FILE_ADD_SUBDIRECTORY));
}

bool DeleteAtRestart(const std::string& path) { return os::MoveFileExA(path, "", os::MOVEFILE_DELAY_UNTIL_REBOOT); }
