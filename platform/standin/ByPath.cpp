// Entries by their paths: attributes, folders made and removed, files
// deleted.
#include "platform/standin/Faults.h"
#include "platform/standin/FileSystem.h"

namespace os {

using namespace hostfs;

DWORD GetFileAttributesA(const std::string& path) {
  std::lock_guard<std::recursive_mutex> guard(Fs().lock);
  std::string full;
  if (!Resolve(path, full)) return INVALID_FILE_ATTRIBUTES;
  switch (KindOf(full)) {
    case Kind::Missing:
      Fail(MissingError(full));
      return INVALID_FILE_ATTRIBUTES;
    case Kind::Folder:
      return FILE_ATTRIBUTE_DIRECTORY | ExtraAttributes(full);
    case Kind::File:
      if (full.back() == '\\') {
        Fail(ERROR_INVALID_NAME);
        return INVALID_FILE_ATTRIBUTES;
      }
      return FILE_ATTRIBUTE_ARCHIVE | ExtraAttributes(full);
  }
  return INVALID_FILE_ATTRIBUTES;
}

bool SetFileAttributesA(const std::string& path, DWORD attributes) {
  std::lock_guard<std::recursive_mutex> guard(Fs().lock);
  std::string full;
  if (!Resolve(path, full)) return false;
  if (KindOf(full) == Kind::Missing) return Fail(MissingError(full));
  if (IsDeniedPath(full) || standin::faults::Strike()) return Fail(ERROR_ACCESS_DENIED);
  Fs().attributes[Upper(WithoutTrailing(full))] =
      attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  return true;
}

bool CreateDirectoryA(const std::string& path) {
  std::lock_guard<std::recursive_mutex> guard(Fs().lock);
  std::string full;
  if (!Resolve(path, full)) return false;
  if (WithoutTrailing(full).size() == 3) return Fail(ERROR_ACCESS_DENIED);  // a drive root
  if (KindOf(full) != Kind::Missing) return Fail(ERROR_ALREADY_EXISTS);
  if (KindOf(Parent(full)) != Kind::Folder) return Fail(ERROR_PATH_NOT_FOUND);
  if (IsDeniedPath(full) || standin::faults::Strike()) return Fail(ERROR_ACCESS_DENIED);
  std::string parentHost = Host(Parent(full));
  std::string name = WithoutTrailing(full).substr(WithoutTrailing(full).rfind('\\') + 1);
  if (!Fs().Entries().MakeFolder(parentHost + "/" + name)) return Fail(ERROR_ACCESS_DENIED);
  return true;
}

namespace {
// Resolves path for a deletion by path: an entry of the kind asked for that
// may be changed. False, with the error set, when it is none.
bool ResolveToDelete(const std::string& path, bool folder, std::string& full) {
  if (!Resolve(path, full)) return false;
  if (Fs().beforeDeleteOpen) Fs().beforeDeleteOpen(Ansi(full));
  const Kind kind = KindOf(full);
  if (kind == Kind::Missing) return Fail(MissingError(full));
  if (kind != (folder ? Kind::Folder : Kind::File))
    return Fail(folder ? ERROR_DIRECTORY : ERROR_ACCESS_DENIED);
  if ((folder && WithoutTrailing(full).size() == 3) || IsDeniedPath(full) ||
      (ExtraAttributes(full) & FILE_ATTRIBUTE_READONLY))
    return Fail(ERROR_ACCESS_DENIED);
  return true;
}
}  // namespace

bool RemoveDirectoryA(const std::string& path) {
  std::lock_guard<std::recursive_mutex> guard(Fs().lock);
  std::string full;
  if (!ResolveToDelete(path, true, full)) return false;
  if (Upper(WithoutTrailing(full)) == Upper(WithoutTrailing(Fs().current)) ||
      ShareConflict(Upper(WithoutTrailing(full)), FILE_SHARE_DELETE,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE))
    return Fail(ERROR_SHARING_VIOLATION);
  if (standin::faults::Strike()) return Fail(ERROR_ACCESS_DENIED);
  // A junction goes as a link, never with what it points to.
  if (!Fs().Entries().RemoveFolder(Host(full))) return Fail(ERROR_DIR_NOT_EMPTY);
  Fs().attributes.erase(Upper(WithoutTrailing(full)));
  Fs().security.erase(Upper(WithoutTrailing(full)));
  return true;
}

bool DeleteFileA(const std::string& path) {
  std::lock_guard<std::recursive_mutex> guard(Fs().lock);
  std::string full;
  if (!ResolveToDelete(path, false, full)) return false;
  if (ShareConflict(Upper(full), FILE_SHARE_DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE))
    return Fail(ERROR_SHARING_VIOLATION);
  if (standin::faults::Strike()) return Fail(ERROR_ACCESS_DENIED);
  if (!Fs().Entries().RemoveFile(Host(full))) return Fail(ERROR_ACCESS_DENIED);
  Fs().attributes.erase(Upper(full));
  Fs().security.erase(Upper(full));
  return true;
}

namespace hostfs {

bool MoveEntry(const std::string& from, const std::string& to, bool replace) {
  std::lock_guard<std::recursive_mutex> guard(Fs().lock);
  std::string source, target;
  if (!Resolve(from, source) || !Resolve(to, target)) return false;
  EntryInfo info;
  if (!Fs().Entries().Info(Host(source), false, info)) return Fail(MissingError(source));
  const bool exists = Fs().Entries().Info(Host(target), false, info);
  if (exists && !replace) return Fail(ERROR_ALREADY_EXISTS);
  if (exists && info.folder) return Fail(ERROR_ACCESS_DENIED);
  const DWORD all = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  if (ShareConflict(Upper(source), FILE_SHARE_DELETE, all) ||
      (exists && ShareConflict(Upper(target), FILE_SHARE_DELETE, all)))
    return Fail(ERROR_SHARING_VIOLATION);
  if (exists && (ExtraAttributes(target) & FILE_ATTRIBUTE_READONLY)) return Fail(ERROR_ACCESS_DENIED);
  if (IsDeniedPath(source) || IsDeniedPath(target) || standin::faults::Strike())
    return Fail(ERROR_ACCESS_DENIED);
  const std::string host = exists ? Host(target)
                                  : Host(Parent(target)) + "/" + target.substr(target.rfind('\\') + 1);
  if (!Fs().Entries().Rename(Host(source), host)) return Fail(ERROR_ACCESS_DENIED);
  MoveRecords(source, target);
  return true;
}

}  // namespace hostfs

}  // namespace os
