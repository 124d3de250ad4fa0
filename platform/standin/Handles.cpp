// Handles: files opened, read and written, and handles on one entry for its
// attributes, its final path and its deletion.
#include <algorithm>
#include <cstring>

#include "platform/EntryHandles.h"
#include "host/CodePage.h"
#include "platform/standin/Faults.h"
#include "platform/standin/FileSystem.h"
#include "platform/standin/Standin.h"

namespace os {

using namespace hostfs;

namespace {
// A handle for attributes and deletion only, on a file, a folder (with
// FILE_FLAG_BACKUP_SEMANTICS) or a link itself (FILE_FLAG_OPEN_REPARSE_POINT).
HANDLE OpenForDelete(const std::string& full, DWORD access, DWORD share, DWORD flags) {
  if (Fs().beforeDeleteOpen && (access & DELETE)) Fs().beforeDeleteOpen(Ansi(full));
  const std::string host = Host(full);
  EntryInfo info;
  const bool noFollow = (flags & FILE_FLAG_OPEN_REPARSE_POINT) != 0;
  if (!Fs().Entries().Info(host, !noFollow, info)) {
    Fail(MissingError(full));
    return INVALID_HANDLE_VALUE;
  }
  if (info.folder && !(flags & FILE_FLAG_BACKUP_SEMANTICS)) {
    Fail(ERROR_ACCESS_DENIED);
    return INVALID_HANDLE_VALUE;
  }
  if (Fs().deletePending.count(host)) {
    Fail(ERROR_ACCESS_DENIED);  // STATUS_DELETE_PENDING
    return INVALID_HANDLE_VALUE;
  }
  const std::string key = Upper(WithoutTrailing(full));
  // Leave to make entries in a folder is checked when the handle is opened.
  if (info.folder && (access & (FILE_ADD_SUBDIRECTORY | 0x2 /*FILE_ADD_FILE*/)) && IsDeniedPath(full)) {
    Fail(ERROR_ACCESS_DENIED);
    return INVALID_HANDLE_VALUE;
  }
  if (ShareConflict(key, SharedUses(access), share)) {
    Fail(ERROR_SHARING_VIOLATION);
    return INVALID_HANDLE_VALUE;
  }
  const int id = Fs().Entries().Open(host, kOpenEntry | (noFollow ? unsigned(kOpenNoFollow) : 0u));
  if (id < 0) {
    Fail(ERROR_ACCESS_DENIED);
    return INVALID_HANDLE_VALUE;
  }
  const std::uintptr_t handle = Fs().nextFile++;
  FileSystem::OpenFile file{id, key, false, std::string()};
  file.deleteAccess = (access & DELETE) != 0;
  file.uses = SharedUses(access);
  file.share = share;
  Fs().files[handle] = file;
  SetLastError(ERROR_SUCCESS);
  return HANDLE(handle);
}
}  // namespace

HANDLE CreateFileA(const std::string& path, DWORD access, DWORD share, DWORD disposition,
                   DWORD flags) {
  std::lock_guard<std::recursive_mutex> guard(Fs().lock);
  std::string full;
  if (!Resolve(path, full)) return INVALID_HANDLE_VALUE;
  if (disposition == OPEN_EXISTING &&
      ((access & ~(DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES)) == 0 ||
       (flags & FILE_FLAG_BACKUP_SEMANTICS)))
    return OpenForDelete(full, access, share, flags);
  const bool write = (access & GENERIC_WRITE) != 0;
  const Kind kind = KindOf(full);
  auto fail = [](DWORD error) {
    Fail(error);
    return INVALID_HANDLE_VALUE;
  };
  if (full.back() == '\\') return fail(ERROR_INVALID_NAME);
  if (kind == Kind::Folder) return fail(ERROR_ACCESS_DENIED);
  if (kind == Kind::Missing && disposition == OPEN_EXISTING) return fail(MissingError(full));
  if (kind == Kind::File && disposition == CREATE_NEW) return fail(80 /*ERROR_FILE_EXISTS*/);
  if (kind == Kind::Missing && KindOf(Parent(full)) != Kind::Folder)
    return fail(ERROR_PATH_NOT_FOUND);
  if (write && (IsDeniedPath(full) || (ExtraAttributes(full) & FILE_ATTRIBUTE_READONLY)))
    return fail(ERROR_ACCESS_DENIED);
  if (kind == Kind::Missing && IsDeniedPath(full)) return fail(ERROR_ACCESS_DENIED);
  if (kind == Kind::File && ShareConflict(Upper(full), SharedUses(access), share))
    return fail(ERROR_SHARING_VIOLATION);
  if (kind != Kind::Missing && Fs().deletePending.count(Host(full))) return fail(ERROR_ACCESS_DENIED);
  if (write && standin::faults::Strike()) return fail(ERROR_ACCESS_DENIED);
  std::string host = kind == Kind::File
                         ? Host(full)
                         : Host(Parent(full)) + "/" + full.substr(full.rfind('\\') + 1);
  unsigned mode = write ? ((access & GENERIC_READ) ? kOpenRead | kOpenWrite : kOpenWrite) : kOpenRead;
  if (disposition == CREATE_ALWAYS) mode |= kOpenCreate | kOpenTruncate;
  if (disposition == CREATE_NEW) mode |= kOpenCreate | kOpenExclusive;
  const int id = Fs().Entries().Open(host, mode);
  if (id < 0) return fail(ERROR_ACCESS_DENIED);
  const std::uintptr_t handle = Fs().nextFile++;
  FileSystem::OpenFile opened{id, Upper(full), write,
                              (flags & FILE_FLAG_DELETE_ON_CLOSE) ? host : std::string()};
  opened.uses = SharedUses(access);
  opened.share = share;
  opened.deleteAccess = (access & DELETE) != 0;
  Fs().files[handle] = opened;
  SetLastError(kind == Kind::File && disposition == CREATE_ALWAYS ? ERROR_ALREADY_EXISTS
                                                                  : ERROR_SUCCESS);
  return HANDLE(handle);
}

namespace {
// Deletes an entry marked for deletion once no handle is open on it.
void DeleteIfUnused(const std::string& host) {
  for (const auto& [handle, open] : Fs().files)
    if (Fs().Entries().PathOf(open.id) == host) return;
  Fs().deletePending.erase(host);
  const std::string full = WindowsPathOf(host);
  EntryInfo info;
  if (!Fs().Entries().Info(host, false, info)) return;
  if (info.folder && !info.link ? !Fs().Entries().RemoveFolder(host) : !Fs().Entries().RemoveFile(host)) return;
  Fs().attributes.erase(Upper(WithoutTrailing(full)));
  ForgetSecurityBelow(full);
}

FileSystem::OpenFile* FileOf(HANDLE file) {
  auto found = Fs().files.find(std::uintptr_t(file));
  return found == Fs().files.end() ? nullptr : &found->second;
}
}  // namespace

bool ReadFile(HANDLE file, void* buffer, DWORD size, DWORD* read) {
  std::lock_guard<std::recursive_mutex> guard(Fs().lock);
  if (read) *read = 0;
  auto* f = FileOf(file);
  if (!f) return Fail(ERROR_INVALID_HANDLE);
  if (f->key == Fs().readFaultKey && --Fs().readFaultCountdown <= 0)
    return Fail(30 /*ERROR_READ_FAULT*/);
  const bool lying = f->key == Fs().laterReadsKey;
  long long n;
  if (lying && Fs().laterReadsServed) {
    // A medium that answers a second read with other bytes.
    const std::string& later = Fs().laterBytes;
    n = f->position < later.size() ? (long long)std::min<std::uint64_t>(size, later.size() - f->position) : 0;
    if (n > 0) std::memcpy(buffer, later.data() + f->position, std::size_t(n));
  } else {
    n = Fs().Entries().ReadAt(f->id, buffer, size, f->position);
  }
  if (n < 0) return Fail(ERROR_ACCESS_DENIED);
  f->position += std::uint64_t(n);
  EntryInfo info;
  if (lying && Fs().Entries().InfoOf(f->id, info) && f->position >= info.size) Fs().laterReadsServed = true;
  if (read) *read = DWORD(n);
  return true;
}

bool WriteFile(HANDLE file, const void* buffer, DWORD size, DWORD* written) {
  std::lock_guard<std::recursive_mutex> guard(Fs().lock);
  if (written) *written = 0;
  auto* f = FileOf(file);
  if (!f) return Fail(ERROR_INVALID_HANDLE);
  if (!f->write) return Fail(ERROR_ACCESS_DENIED);
  if (standin::faults::Strike()) return Fail(ERROR_DISK_FULL);
  DWORD allowed = size;
  long long& budget = Fs().writeBudget;
  if (budget >= 0 && budget < (long long)size) allowed = DWORD(budget);
  const long long n = allowed ? Fs().Entries().WriteAt(f->id, buffer, allowed, f->position) : 0;
  if (n < 0) return Fail(ERROR_ACCESS_DENIED);
  f->position += std::uint64_t(n);
  Fs().bytesWritten += n;
  if (budget >= 0) budget -= n;
  if (written) *written = DWORD(n);
  return DWORD(n) == size ? true : Fail(ERROR_DISK_FULL);
}

bool SetFilePointerEx(HANDLE file, std::int64_t distance, std::uint64_t* position, DWORD method) {
  std::lock_guard<std::recursive_mutex> guard(Fs().lock);
  auto* f = FileOf(file);
  if (!f) return Fail(ERROR_INVALID_HANDLE);
  EntryInfo info;
  if (method == FILE_END && !Fs().Entries().InfoOf(f->id, info)) return Fail(ERROR_INVALID_HANDLE);
  const std::int64_t from = method == FILE_BEGIN     ? 0
                            : method == FILE_CURRENT ? std::int64_t(f->position)
                                                     : std::int64_t(info.size);
  if (distance < -from) return Fail(131 /*ERROR_NEGATIVE_SEEK*/);
  f->position = std::uint64_t(from + distance);
  if (position) *position = f->position;
  return true;
}

bool GetFileSizeEx(HANDLE file, std::uint64_t* size) {
  std::lock_guard<std::recursive_mutex> guard(Fs().lock);
  auto* f = FileOf(file);
  if (!f) return Fail(ERROR_INVALID_HANDLE);
  EntryInfo info;
  if (!Fs().Entries().InfoOf(f->id, info)) return Fail(ERROR_INVALID_HANDLE);
  *size = info.size;
  return true;
}

bool FlushFileBuffers(HANDLE file) {
  std::lock_guard<std::recursive_mutex> guard(Fs().lock);
  auto* f = FileOf(file);
  if (!f) return Fail(ERROR_INVALID_HANDLE);
  return f->write ? true : Fail(ERROR_ACCESS_DENIED);
}

bool CloseHandle(HANDLE handle) {
  std::lock_guard<std::recursive_mutex> guard(Fs().lock);
  auto found = Fs().files.find(std::uintptr_t(handle));
  if (found == Fs().files.end()) return Fail(ERROR_INVALID_HANDLE);
  const bool wrote = found->second.write;
  const std::string host = Fs().Entries().PathOf(found->second.id);
  Fs().Entries().Close(found->second.id);
  if (!found->second.deleteOnClose.empty()) Fs().Entries().RemoveFile(found->second.deleteOnClose);
  Fs().files.erase(found);
  if (!host.empty() && Fs().deletePending.count(host)) DeleteIfUnused(host);
  // Closing a written file can fail (the last buffers not written); the
  // handle is gone all the same.
  if (wrote && standin::faults::Strike()) return Fail(ERROR_DISK_FULL);
  return true;
}

DWORD GetFileAttributesByHandle(HANDLE file) {
  std::lock_guard<std::recursive_mutex> guard(Fs().lock);
  auto found = Fs().files.find(std::uintptr_t(file));
  if (found == Fs().files.end()) {
    Fail(ERROR_INVALID_HANDLE);
    return INVALID_FILE_ATTRIBUTES;
  }
  EntryInfo info;
  if (!Fs().Entries().InfoOf(found->second.id, info)) {
    Fail(ERROR_INVALID_HANDLE);
    return INVALID_FILE_ATTRIBUTES;
  }
  if (info.link) return FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY;
  auto extra = Fs().attributes.find(found->second.key);
  return (info.folder ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE) |
         (extra == Fs().attributes.end() ? 0 : extra->second);
}

DWORD GetFileLinkCountByHandle(HANDLE file) {
  std::lock_guard<std::recursive_mutex> guard(Fs().lock);
  auto found = Fs().files.find(std::uintptr_t(file));
  if (found == Fs().files.end()) {
    Fail(ERROR_INVALID_HANDLE);
    return 0;
  }
  auto names = Fs().names.find(found->second.key);
  return names == Fs().names.end() ? 1 : names->second;
}

bool SetFileAttributesByHandle(HANDLE file, DWORD attributes) {
  std::lock_guard<std::recursive_mutex> guard(Fs().lock);
  if (Fs().preVista) return Fail(ERROR_PROC_NOT_FOUND);
  auto found = Fs().files.find(std::uintptr_t(file));
  if (found == Fs().files.end()) return Fail(ERROR_INVALID_HANDLE);
  if (IsDeniedPath(found->second.key) || standin::faults::Strike()) return Fail(ERROR_ACCESS_DENIED);
  Fs().attributes[found->second.key] =
      attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  return true;
}

namespace {
// The final path in the stand-in's inner form (where no byte of a
// double-byte character is a letter or "\\"); empty on failure, with the
// error set.
std::string FinalInner(HANDLE file) {
  if (Fs().preVista) {
    Fail(ERROR_PROC_NOT_FOUND);
    return {};
  }
  auto found = Fs().files.find(std::uintptr_t(file));
  if (found == Fs().files.end()) {
    Fail(ERROR_INVALID_HANDLE);
    return {};
  }
  const std::string path = WindowsPathOf(Fs().Entries().PathOf(found->second.id));
  if (path.empty()) Fail(ERROR_PATH_NOT_FOUND);
  return path;
}

// A path upper-cased as the file system compares names: every character,
// as in UTF-16, not the ASCII letters alone.
std::string Folded(const std::string& inner) {
  const codepage::TCodePage& page = standin::AnsiCodePage();
  std::string utf8;
  if (page.SingleByte() && page.ToUtf8(inner, utf8)) return codepage::UpperUtf8(utf8);
  return codepage::UpperUtf8(inner);
}

std::string FinalKey(HANDLE file) { return Folded(WithoutTrailing(FinalInner(file))); }
long finalPathReads = 0;
}  // namespace

// The key: the final path, case-folded.
TFinalPath GetFinalPath(HANDLE folder) {
  std::lock_guard<std::recursive_mutex> guard(Fs().lock);
  ++finalPathReads;
  return {FinalKey(folder)};
}

bool FinalPathWithin(const TFinalPath& folder, const TFinalPath& entry, bool orSame) {
  const std::string& base = folder.Key;
  const std::string& path = entry.Key;
  if (base.empty() || path.empty()) return false;
  if (orSame && base == path) return true;
  const std::string prefix = base.back() == '\\' ? base : base + "\\";
  return path.size() > prefix.size() && path.compare(0, prefix.size(), prefix) == 0;
}

bool FinalPathWithin(const TFinalPath& folder, HANDLE entry, bool orSame) {
  return !folder.Key.empty() && FinalPathWithin(folder, GetFinalPath(entry), orSame);
}

bool FinalPathWithin(HANDLE folder, HANDLE entry, bool orSame) {
  return FinalPathWithin(GetFinalPath(folder), entry, orSame);
}

bool FinalPathIs(HANDLE handle, const std::string& path) {
  std::lock_guard<std::recursive_mutex> guard(Fs().lock);
  std::string full;
  const std::string final = FinalKey(handle);
  return !final.empty() && FullPath(path, full) && final == Folded(WithoutTrailing(full));
}

std::string GetFinalPathNameByHandleA(HANDLE file) {
  std::lock_guard<std::recursive_mutex> guard(Fs().lock);
  return Ansi(FinalInner(file));
}

bool SetFileDispositionInfo(HANDLE file, bool deleteFile) {
  std::lock_guard<std::recursive_mutex> guard(Fs().lock);
  if (Fs().preVista) return Fail(ERROR_PROC_NOT_FOUND);
  auto found = Fs().files.find(std::uintptr_t(file));
  if (found == Fs().files.end()) return Fail(ERROR_INVALID_HANDLE);
  FileSystem::OpenFile& open = found->second;
  if (!open.deleteAccess) return Fail(ERROR_ACCESS_DENIED);
  if (!deleteFile) return true;
  // What the handle is open on, wherever it is now; deleted when the last
  // handle on it closes, and meanwhile not to be opened again.
  const std::string host = Fs().Entries().PathOf(open.id);
  const std::string full = WindowsPathOf(host);
  if (host.empty() || full.empty()) return Fail(ERROR_INVALID_HANDLE);
  if (!deleteFile) {
    Fs().deletePending.erase(host);
    return true;
  }
  if (IsDeniedPath(full) || (ExtraAttributes(full) & FILE_ATTRIBUTE_READONLY))
    return Fail(ERROR_ACCESS_DENIED);
  if (standin::faults::Strike()) return Fail(ERROR_ACCESS_DENIED);
  EntryInfo info;
  if (!Fs().Entries().Info(host, false, info)) return Fail(ERROR_FILE_NOT_FOUND);
  if (info.folder && !info.link && !Fs().Entries().Names(host).empty()) return Fail(ERROR_DIR_NOT_EMPTY);
  Fs().deletePending.insert(host);
  return true;
}

}  // namespace os

namespace standin {

int OpenHandleCount() {
  std::lock_guard<std::recursive_mutex> guard(os::hostfs::Fs().lock);
  return int(os::hostfs::Fs().files.size() + os::hostfs::Fs().searches.size());
}

long FinalPathReads() {
  std::lock_guard<std::recursive_mutex> guard(os::hostfs::Fs().lock);
  return os::finalPathReads;
}

}  // namespace standin
