// Windows paths on a host folder: drive X: is <root>/X, names are found
// without regard to case, and the attributes Linux has no place for (hidden,
// system, read-only) are kept beside the files.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <strings.h>
#include <utility>
#include <vector>

#include "platform/Exceptions.h"
#include "platform/Files.h"
#include "platform/Sddl.h"
#include "platform/standin/Faults.h"
#include "platform/standin/Standin.h"

namespace os {

namespace {

thread_local DWORD lastError = ERROR_SUCCESS;

std::string Upper(std::string s) {
  for (char& c : s) c = char(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

struct FileSystem {
  std::recursive_mutex lock;
  std::string root;
  std::string current = "C:\\";
  std::map<std::string, DWORD> attributes;  // upper-case full path -> extra bits
  std::set<std::string> denied;             // upper-case full paths
  std::map<std::uintptr_t, std::pair<std::vector<WIN32_FIND_DATAA>, std::size_t>> searches;
  std::uintptr_t nextSearch = 0x1000;
  struct OpenFile {
    int fd;
    std::string key;  // upper-case full path
    bool write;
    std::string deleteOnClose;  // host path, or empty
    bool deleteAccess = false;
  };
  // Owner and DACL set on a path (upper-case full path -> SDDL); others
  // inherit from the nearest one above them.
  std::map<std::string, std::string> security;
  bool preVista = false;  // GetFinalPathNameByHandle and SetFileInformationByHandle missing
  std::function<void(const std::string&)> beforeDeleteOpen;
  std::map<std::uintptr_t, OpenFile> files;
  std::uintptr_t nextFile = 0x100000;
  long long writeBudget = -1;  // bytes left before the disk is full; -1: no limit
  std::map<char, std::string> mapped;  // drives placed on other host folders
  std::set<char> withoutRights;         // drives whose file system keeps no rights (FAT)
  bool refuseRights = false;            // setting rights fails

  FileSystem() { Reset(); }
  ~FileSystem() {
    std::error_code ignored;
    if (!root.empty()) std::filesystem::remove_all(root, ignored);
  }
  void Reset() {
    std::error_code ignored;
    if (!root.empty()) std::filesystem::remove_all(root, ignored);
    char tmpl[] = "/tmp/standin-XXXXXX";
    root = mkdtemp(tmpl);
    std::filesystem::create_directories(root + "/C/Temp");
    current = "C:\\";
    attributes.clear();
    denied.clear();
    searches.clear();
    for (auto& [handle, file] : files) close(file.fd);
    files.clear();
    writeBudget = -1;
    mapped.clear();
    withoutRights.clear();
    refuseRights = false;
    preVista = false;
    beforeDeleteOpen = nullptr;
    security.clear();
  }
};

FileSystem& Fs() {
  static FileSystem fs;
  return fs;
}

bool Fail(DWORD error) {
  lastError = error;
  return false;
}

bool IsUnc(const std::string& p) { return p.size() >= 2 && p[0] == '\\' && p[1] == '\\'; }

bool HasDrive(const std::string& p) {
  return p.size() >= 2 && p[1] == ':' && std::isalpha(static_cast<unsigned char>(p[0]));
}

// GetFullPathName's rules, on "X:\..." paths.
bool FullPath(const std::string& input, std::string& out) {
  if (input.empty()) return Fail(ERROR_INVALID_NAME);
  std::string p = input;
  std::replace(p.begin(), p.end(), '/', '\\');
  if (IsUnc(p)) {
    out = p;
    return true;
  }
  const std::string& cur = Fs().current;
  std::string drive, rest;
  if (HasDrive(p)) {
    drive = p.substr(0, 2);
    rest = p.substr(2);
    if (rest.empty() || rest[0] != '\\') {
      // "C:name" is relative to the current folder when that is on drive C.
      if (std::toupper(static_cast<unsigned char>(cur[0])) ==
          std::toupper(static_cast<unsigned char>(drive[0])))
        rest = cur.substr(2) + "\\" + rest;
      else
        rest = "\\" + rest;
    }
  } else if (p[0] == '\\') {
    drive = cur.substr(0, 2);
    rest = p;
  } else {
    drive = cur.substr(0, 2);
    rest = cur.substr(2) + "\\" + p;
  }
  const bool trailing = rest.size() > 1 && rest.back() == '\\';
  std::vector<std::string> parts;
  std::string part;
  auto flush = [&] {
    if (part.empty() || part == ".") {
    } else if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else {
      parts.push_back(part);
    }
    part.clear();
  };
  for (char c : rest) {
    if (c == '\\')
      flush();
    else
      part += c;
  }
  flush();
  if (!parts.empty()) {  // trailing dots and blanks of the last name are dropped
    std::string& last = parts.back();
    while (!last.empty() && (last.back() == '.' || last.back() == ' ')) last.pop_back();
    if (last.empty()) parts.pop_back();
  }
  out = drive + "\\";
  for (std::size_t i = 0; i < parts.size(); ++i) out += (i ? "\\" : "") + parts[i];
  if (trailing && !parts.empty()) out += "\\";
  return true;
}

std::string WithoutTrailing(std::string p) {
  if (p.size() > 3 && p.back() == '\\') p.pop_back();
  return p;
}

bool ValidNames(const std::string& full) {
  for (std::size_t i = 2; i < full.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(full[i]);
    if (c < 32 || std::strchr("<>:\"|?*", c)) return false;
  }
  return true;
}

std::string DriveFolder(char letter) {
  const char drive = char(std::toupper(static_cast<unsigned char>(letter)));
  auto found = Fs().mapped.find(drive);
  return found != Fs().mapped.end() ? found->second : Fs().root + "/" + drive;
}

// Host path of a full Windows path, matching each name without regard to case.
std::string Host(const std::string& full) {
  std::string host = DriveFolder(full[0]);
  std::string rest = full.substr(3);
  std::size_t start = 0;
  while (start < rest.size()) {
    std::size_t end = rest.find('\\', start);
    if (end == std::string::npos) end = rest.size();
    std::string name = rest.substr(start, end - start);
    start = end + 1;
    if (name.empty()) continue;
    std::string exact = host + "/" + name;
    struct stat st;
    if (lstat(exact.c_str(), &st) != 0) {
      if (DIR* dir = opendir(host.c_str())) {
        while (dirent* entry = readdir(dir)) {
          if (strcasecmp(entry->d_name, name.c_str()) == 0) {
            exact = host + "/" + entry->d_name;
            break;
          }
        }
        closedir(dir);
      }
    }
    host = exact;
  }
  return host;
}

bool DriveExists(const std::string& full) {
  struct stat st;
  return stat(DriveFolder(full[0]).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string Parent(const std::string& full) {
  std::string p = WithoutTrailing(full);
  std::size_t slash = p.rfind('\\');
  if (slash == std::string::npos || slash < 2) return p.substr(0, 3);
  return slash == 2 ? p.substr(0, 3) : p.substr(0, slash);
}

bool IsDeniedPath(const std::string& full) {
  std::string key = Upper(WithoutTrailing(full));
  for (const std::string& d : Fs().denied) {
    if (key == d) return true;
    if (key.size() > d.size() && key.compare(0, d.size(), d) == 0 &&
        (d.back() == '\\' || key[d.size()] == '\\'))
      return true;
  }
  return false;
}

enum class Kind { Missing, File, Folder };

Kind KindOf(const std::string& full, std::uint64_t* size = nullptr) {
  struct stat st;
  if (stat(Host(full).c_str(), &st) != 0) return Kind::Missing;
  if (size) *size = std::uint64_t(st.st_size);
  return S_ISDIR(st.st_mode) ? Kind::Folder : Kind::File;
}

DWORD ExtraAttributes(const std::string& full) {
  DWORD extra = 0;
  struct stat st;
  if (lstat(Host(full).c_str(), &st) == 0 && S_ISLNK(st.st_mode)) extra |= FILE_ATTRIBUTE_REPARSE_POINT;
  auto found = Fs().attributes.find(Upper(WithoutTrailing(full)));
  return extra | (found == Fs().attributes.end() ? 0 : found->second);
}

// Resolves path for a call that works on one entry. Sets the error and returns
// false for names Windows refuses and for missing drives.
bool Resolve(const std::string& path, std::string& full) {
  if (!FullPath(path, full)) return false;
  if (IsUnc(full)) return Fail(53 /*ERROR_BAD_NETPATH*/);
  if (!ValidNames(full)) return Fail(ERROR_INVALID_NAME);
  if (!DriveExists(full)) return Fail(ERROR_PATH_NOT_FOUND);
  return true;
}

DWORD MissingError(const std::string& full) {
  return KindOf(Parent(full)) == Kind::Folder ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
}

bool MatchMask(const char* mask, const char* name) {
  if (*mask == '\0') return *name == '\0';
  if (*mask == '*') {
    for (const char* n = name;; ++n) {
      if (MatchMask(mask + 1, n)) return true;
      if (*n == '\0') return false;
    }
  }
  if (*name == '\0') return false;
  if (*mask == '?' || std::toupper(static_cast<unsigned char>(*mask)) ==
                          std::toupper(static_cast<unsigned char>(*name)))
    return MatchMask(mask + 1, name + 1);
  return false;
}

bool Matches(const std::string& mask, const std::string& name) {
  if (mask == "*.*" || mask == "*") return true;
  return MatchMask(mask.c_str(), name.c_str());
}

}  // namespace

DWORD GetLastError() { return lastError; }
void SetLastError(DWORD error) { lastError = error; }

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
  if (mkdir((parentHost + "/" + name).c_str(), 0755) != 0) return Fail(ERROR_ACCESS_DENIED);
  return true;
}

bool RemoveDirectoryA(const std::string& path) {
  std::lock_guard<std::recursive_mutex> guard(Fs().lock);
  std::string full;
  if (!Resolve(path, full)) return false;
  if (Fs().beforeDeleteOpen) Fs().beforeDeleteOpen(full);
  switch (KindOf(full)) {
    case Kind::Missing:
      return Fail(MissingError(full));
    case Kind::File:
      return Fail(ERROR_DIRECTORY);
    case Kind::Folder:
      break;
  }
  if (WithoutTrailing(full).size() == 3) return Fail(ERROR_ACCESS_DENIED);
  if (IsDeniedPath(full) || (ExtraAttributes(full) & FILE_ATTRIBUTE_READONLY))
    return Fail(ERROR_ACCESS_DENIED);
  if (Upper(WithoutTrailing(full)) == Upper(WithoutTrailing(Fs().current)))
    return Fail(32 /*ERROR_SHARING_VIOLATION*/);
  if (standin::faults::Strike()) return Fail(ERROR_ACCESS_DENIED);
  // A junction goes as a link, never with what it points to.
  struct stat st;
  if (lstat(Host(full).c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
    if (unlink(Host(full).c_str()) != 0) return Fail(ERROR_ACCESS_DENIED);
  } else if (rmdir(Host(full).c_str()) != 0) {
    return Fail(ERROR_DIR_NOT_EMPTY);
  }
  Fs().attributes.erase(Upper(WithoutTrailing(full)));
  Fs().security.erase(Upper(WithoutTrailing(full)));
  return true;
}

bool DeleteFileA(const std::string& path) {
  std::lock_guard<std::recursive_mutex> guard(Fs().lock);
  std::string full;
  if (!Resolve(path, full)) return false;
  if (Fs().beforeDeleteOpen) Fs().beforeDeleteOpen(full);
  switch (KindOf(full)) {
    case Kind::Missing:
      return Fail(MissingError(full));
    case Kind::Folder:
      return Fail(ERROR_ACCESS_DENIED);
    case Kind::File:
      break;
  }
  if (IsDeniedPath(full) || (ExtraAttributes(full) & FILE_ATTRIBUTE_READONLY))
    return Fail(ERROR_ACCESS_DENIED);
  for (const auto& [handle, file] : Fs().files)
    if (file.key == Upper(full)) return Fail(32 /*ERROR_SHARING_VIOLATION*/);
  if (standin::faults::Strike()) return Fail(ERROR_ACCESS_DENIED);
  if (unlink(Host(full).c_str()) != 0) return Fail(ERROR_ACCESS_DENIED);
  Fs().attributes.erase(Upper(full));
  Fs().security.erase(Upper(full));
  return true;
}

bool MakeSureDirectoryPathExists(const std::string& path) {
  // As imagehlp does it: every prefix that ends in a backslash, after the
  // drive and its root, is created unless it exists.
  std::size_t pos = 0;
  if (path.size() >= 2 && path[1] == ':') pos = 2;
  while (pos < path.size() && path[pos] == '\\') ++pos;
  while ((pos = path.find('\\', pos)) != std::string::npos) {
    const std::string prefix = path.substr(0, pos + 1);
    if (!CreateDirectoryA(prefix) && GetLastError() != DWORD(ERROR_ALREADY_EXISTS)) return false;
    ++pos;
  }
  if (GetLastError() == DWORD(ERROR_ALREADY_EXISTS)) SetLastError(ERROR_SUCCESS);
  return true;
}

namespace {
// A handle for attributes and deletion only, on a file, a folder (with
// FILE_FLAG_BACKUP_SEMANTICS) or a link itself (FILE_FLAG_OPEN_REPARSE_POINT).
HANDLE OpenForDelete(const std::string& full, DWORD access, DWORD flags) {
  if (Fs().beforeDeleteOpen) Fs().beforeDeleteOpen(full);
  const std::string host = Host(full);
  struct stat st;
  const bool noFollow = (flags & FILE_FLAG_OPEN_REPARSE_POINT) != 0;
  if ((noFollow ? lstat(host.c_str(), &st) : stat(host.c_str(), &st)) != 0) {
    Fail(MissingError(full));
    return INVALID_HANDLE_VALUE;
  }
  if (S_ISDIR(st.st_mode) && !(flags & FILE_FLAG_BACKUP_SEMANTICS)) {
    Fail(ERROR_ACCESS_DENIED);
    return INVALID_HANDLE_VALUE;
  }
  const int fd = open(host.c_str(), O_PATH | O_CLOEXEC | (noFollow ? O_NOFOLLOW : 0));
  if (fd < 0) {
    Fail(ERROR_ACCESS_DENIED);
    return INVALID_HANDLE_VALUE;
  }
  const std::uintptr_t handle = Fs().nextFile++;
  FileSystem::OpenFile file{fd, Upper(WithoutTrailing(full)), false, std::string()};
  file.deleteAccess = (access & DELETE) != 0;
  Fs().files[handle] = file;
  SetLastError(ERROR_SUCCESS);
  return HANDLE(handle);
}
}  // namespace

HANDLE CreateFileA(const std::string& path, DWORD access, DWORD, DWORD disposition, DWORD flags) {
  std::lock_guard<std::recursive_mutex> guard(Fs().lock);
  std::string full;
  if (!Resolve(path, full)) return INVALID_HANDLE_VALUE;
  if ((access & ~(DELETE | FILE_READ_ATTRIBUTES)) == 0 && disposition == OPEN_EXISTING)
    return OpenForDelete(full, access, flags);
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
  if (write && standin::faults::Strike()) return fail(ERROR_ACCESS_DENIED);
  std::string host = kind == Kind::File
                         ? Host(full)
                         : Host(Parent(full)) + "/" + full.substr(full.rfind('\\') + 1);
  int mode = write ? ((access & GENERIC_READ) ? O_RDWR : O_WRONLY) : O_RDONLY;
  if (disposition == CREATE_ALWAYS) mode |= O_CREAT | O_TRUNC;
  if (disposition == CREATE_NEW) mode |= O_CREAT | O_EXCL;
  const int fd = open(host.c_str(), mode | O_CLOEXEC, 0644);
  if (fd < 0) return fail(ERROR_ACCESS_DENIED);
  const std::uintptr_t handle = Fs().nextFile++;
  Fs().files[handle] = {fd, Upper(full), write,
                        (flags & FILE_FLAG_DELETE_ON_CLOSE) ? host : std::string()};
  SetLastError(kind == Kind::File && disposition == CREATE_ALWAYS ? ERROR_ALREADY_EXISTS
                                                                  : ERROR_SUCCESS);
  return HANDLE(handle);
}

namespace {
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
  ssize_t n = ::read(f->fd, buffer, size);
  if (n < 0) return Fail(ERROR_ACCESS_DENIED);
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
  ssize_t n = allowed ? ::write(f->fd, buffer, allowed) : 0;
  if (n < 0) return Fail(ERROR_ACCESS_DENIED);
  if (budget >= 0) budget -= n;
  if (written) *written = DWORD(n);
  return DWORD(n) == size ? true : Fail(ERROR_DISK_FULL);
}

bool SetFilePointerEx(HANDLE file, std::int64_t distance, std::uint64_t* position, DWORD method) {
  std::lock_guard<std::recursive_mutex> guard(Fs().lock);
  auto* f = FileOf(file);
  if (!f) return Fail(ERROR_INVALID_HANDLE);
  const int whence = method == FILE_BEGIN ? SEEK_SET : method == FILE_CURRENT ? SEEK_CUR : SEEK_END;
  off_t now = lseek(f->fd, off_t(distance), whence);
  if (now < 0) return Fail(131 /*ERROR_NEGATIVE_SEEK*/);
  if (position) *position = std::uint64_t(now);
  return true;
}

bool GetFileSizeEx(HANDLE file, std::uint64_t* size) {
  std::lock_guard<std::recursive_mutex> guard(Fs().lock);
  auto* f = FileOf(file);
  if (!f) return Fail(ERROR_INVALID_HANDLE);
  struct stat st;
  if (fstat(f->fd, &st) != 0) return Fail(ERROR_INVALID_HANDLE);
  *size = std::uint64_t(st.st_size);
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
  close(found->second.fd);
  if (!found->second.deleteOnClose.empty()) unlink(found->second.deleteOnClose.c_str());
  Fs().files.erase(found);
  // Closing a written file can fail (the last buffers not written); the
  // handle is gone all the same.
  if (wrote && standin::faults::Strike()) return Fail(ERROR_DISK_FULL);
  return true;
}

namespace {

// The Windows path of a host path on one of the drives; empty when it lies
// on none.
std::string WindowsPathOf(const std::string& host) {
  auto below = [&](const std::string& folder, std::string& rest) {
    std::error_code error;
    const std::string real = std::filesystem::weakly_canonical(folder, error).string();
    if (error || host.compare(0, real.size(), real) != 0) return false;
    if (host.size() > real.size() && host[real.size()] != '/') return false;
    rest = host.substr(real.size());
    return true;
  };
  std::string rest;
  for (const auto& [letter, folder] : Fs().mapped)
    if (below(folder, rest)) return std::string(1, letter) + ":" + (rest.empty() ? "/" : rest);
  for (char letter = 'A'; letter <= 'Z'; ++letter) {
    if (Fs().mapped.count(letter)) continue;
    if (below(Fs().root + "/" + letter, rest)) {
      std::string path = std::string(1, letter) + ":" + (rest.empty() ? "/" : rest);
      std::replace(path.begin(), path.end(), '/', '\\');
      return path;
    }
  }
  return {};
}

std::string HostPathOf(int fd) {
  char link[64], target[4096];
  std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
  const ssize_t n = readlink(link, target, sizeof target - 1);
  return n > 0 ? std::string(target, std::size_t(n)) : std::string();
}

// What a drive's root and Program Files have, as on Windows: on a root,
// users may make folders and files and change what they make; Program Files
// is the system's.
std::string BuiltInSecurity(const std::string& key) {
  if (key.size() == 3)
    return "O:SYD:(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)(A;CI;0x6;;;AU)"
           "(A;OICIIO;0x1301bf;;;AU)";
  if (key == "C:\\PROGRAM FILES")
    return "O:S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464"
           "D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)";
  return {};
}

// The owner and DACL in force at full: set there, or inherited from above.
sddl::Descriptor Effective(const std::string& full) {
  std::string key = Upper(WithoutTrailing(full));
  std::vector<std::string> below;  // from full up to the one with a descriptor
  while (!Fs().security.count(key) && BuiltInSecurity(key).empty()) {
    below.push_back(key);
    const std::string parent = Upper(Parent(key));
    if (parent == key) break;
    key = parent;
  }
  sddl::Descriptor d;
  auto found = Fs().security.find(key);
  sddl::Parse(found != Fs().security.end() ? found->second : BuiltInSecurity(key), d);
  for (auto it = below.rbegin(); it != below.rend(); ++it) {
    const bool folder = it + 1 != below.rend() || KindOf(*it) == Kind::Folder;
    d = sddl::Inherited(d, folder, "BA");  // the stand-in plays an administrator
  }
  return d;
}

void ForgetSecurityBelow(const std::string& full) {
  const std::string key = Upper(WithoutTrailing(full));
  for (auto it = Fs().security.begin(); it != Fs().security.end();) {
    if (it->first == key || it->first.rfind(key + "\\", 0) == 0)
      it = Fs().security.erase(it);
    else
      ++it;
  }
}

}  // namespace

bool CreateDirectoryA(const std::string& path, const std::string& text) {
  std::lock_guard<std::recursive_mutex> guard(Fs().lock);
  sddl::Descriptor descriptor;
  if (!sddl::Parse(text, descriptor)) return Fail(ERROR_INVALID_PARAMETER);
  if (Fs().refuseRights) return Fail(ERROR_ACCESS_DENIED);
  if (!CreateDirectoryA(path)) return false;
  std::string full;
  FullPath(path, full);
  Fs().security[Upper(WithoutTrailing(full))] = sddl::Format(descriptor);
  return true;
}

bool SetNamedSecurityInfoA(const std::string& path, const std::string& text) {
  std::lock_guard<std::recursive_mutex> guard(Fs().lock);
  std::string full;
  if (!Resolve(path, full)) return false;
  sddl::Descriptor descriptor;
  if (!sddl::Parse(text, descriptor)) return Fail(ERROR_INVALID_PARAMETER);
  if (KindOf(full) == Kind::Missing) return Fail(MissingError(full));
  if (Fs().refuseRights || IsDeniedPath(full) || standin::faults::Strike())
    return Fail(ERROR_ACCESS_DENIED);
  descriptor.Protected = true;
  if (descriptor.Owner.empty()) descriptor.Owner = Effective(full).Owner;
  Fs().security[Upper(WithoutTrailing(full))] = sddl::Format(descriptor);
  return true;
}

std::string GetNamedSecurityInfoA(const std::string& path) {
  std::lock_guard<std::recursive_mutex> guard(Fs().lock);
  std::string full;
  if (!Resolve(path, full)) return {};
  if (KindOf(full) == Kind::Missing) {
    Fail(MissingError(full));
    return {};
  }
  return sddl::Format(Effective(full));
}

std::string GetVolumePathNameA(const std::string& path) {
  std::lock_guard<std::recursive_mutex> guard(Fs().lock);
  std::string full;
  if (!Resolve(path, full)) return {};
  return full.substr(0, 3);
}

bool GetVolumeInformationA(const std::string& rootPath, DWORD* fileSystemFlags) {
  std::lock_guard<std::recursive_mutex> guard(Fs().lock);
  std::string full;
  if (!Resolve(rootPath, full)) return false;
  if (full.size() != 3) return Fail(ERROR_DIRECTORY);
  *fileSystemFlags = 0x2 /*case preserved*/ | (Fs().withoutRights.count(full[0]) ? 0 : FILE_PERSISTENT_ACLS);
  return true;
}

DWORD GetFileAttributesByHandle(HANDLE file) {
  std::lock_guard<std::recursive_mutex> guard(Fs().lock);
  auto found = Fs().files.find(std::uintptr_t(file));
  if (found == Fs().files.end()) {
    Fail(ERROR_INVALID_HANDLE);
    return INVALID_FILE_ATTRIBUTES;
  }
  struct stat st;
  if (fstatat(found->second.fd, "", &st, AT_EMPTY_PATH | AT_SYMLINK_NOFOLLOW) != 0) {
    Fail(ERROR_INVALID_HANDLE);
    return INVALID_FILE_ATTRIBUTES;
  }
  if (S_ISLNK(st.st_mode)) return FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY;
  return S_ISDIR(st.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
}

std::string GetFinalPathNameByHandleA(HANDLE file) {
  std::lock_guard<std::recursive_mutex> guard(Fs().lock);
  if (Fs().preVista) {
    Fail(ERROR_PROC_NOT_FOUND);
    return {};
  }
  auto found = Fs().files.find(std::uintptr_t(file));
  if (found == Fs().files.end()) {
    Fail(ERROR_INVALID_HANDLE);
    return {};
  }
  const std::string path = WindowsPathOf(HostPathOf(found->second.fd));
  if (path.empty()) Fail(ERROR_PATH_NOT_FOUND);
  return path;
}

bool SetFileDispositionInfo(HANDLE file, bool deleteFile) {
  std::lock_guard<std::recursive_mutex> guard(Fs().lock);
  if (Fs().preVista) return Fail(ERROR_PROC_NOT_FOUND);
  auto found = Fs().files.find(std::uintptr_t(file));
  if (found == Fs().files.end()) return Fail(ERROR_INVALID_HANDLE);
  FileSystem::OpenFile& open = found->second;
  if (!open.deleteAccess) return Fail(ERROR_ACCESS_DENIED);
  if (!deleteFile) return true;
  // Deleted at once rather than at the close: what the handle is open on,
  // wherever it is now.
  const std::string host = HostPathOf(open.fd);
  const std::string full = WindowsPathOf(host);
  if (host.empty() || full.empty()) return Fail(ERROR_INVALID_HANDLE);
  if (IsDeniedPath(full) || (ExtraAttributes(full) & FILE_ATTRIBUTE_READONLY))
    return Fail(ERROR_ACCESS_DENIED);
  for (const auto& [handle, other] : Fs().files)
    if (handle != std::uintptr_t(file) && other.key == Upper(WithoutTrailing(full)))
      return Fail(32 /*ERROR_SHARING_VIOLATION*/);
  if (standin::faults::Strike()) return Fail(ERROR_ACCESS_DENIED);
  struct stat st;
  if (lstat(host.c_str(), &st) != 0) return Fail(ERROR_FILE_NOT_FOUND);
  if (S_ISDIR(st.st_mode)) {
    if (rmdir(host.c_str()) != 0) return Fail(ERROR_DIR_NOT_EMPTY);
  } else if (unlink(host.c_str()) != 0) {
    return Fail(ERROR_ACCESS_DENIED);
  }
  Fs().attributes.erase(Upper(WithoutTrailing(full)));
  ForgetSecurityBelow(full);
  return true;
}

std::string GetFullPathNameA(const std::string& path) {
  std::lock_guard<std::recursive_mutex> guard(Fs().lock);
  std::string full;
  return FullPath(path, full) ? full : std::string();
}

std::string GetCurrentDirectoryA() {
  std::lock_guard<std::recursive_mutex> guard(Fs().lock);
  return Fs().current;
}

bool SetCurrentDirectoryA(const std::string& path) {
  std::lock_guard<std::recursive_mutex> guard(Fs().lock);
  std::string full;
  if (!Resolve(path, full)) return false;
  if (KindOf(full) != Kind::Folder) return Fail(MissingError(full));
  Fs().current = WithoutTrailing(full);
  return true;
}

std::string GetTempPathA() { return "C:\\Temp\\"; }

HANDLE FindFirstFileA(const std::string& pattern, WIN32_FIND_DATAA* data) {
  std::lock_guard<std::recursive_mutex> guard(Fs().lock);
  std::string full;
  if (!FullPath(pattern, full)) return INVALID_HANDLE_VALUE;
  if (IsUnc(full) || !DriveExists(full) || full.back() == '\\') {
    Fail(IsUnc(full) ? 53 : full.back() == '\\' ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  const std::size_t slash = full.rfind('\\');
  const std::string folder = slash == 2 ? full.substr(0, 3) : full.substr(0, slash);
  const std::string mask = full.substr(slash + 1);
  if (KindOf(folder) != Kind::Folder) {
    Fail(ERROR_PATH_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  std::vector<WIN32_FIND_DATAA> found;
  auto add = [&](const std::string& name, const std::string& entryPath) {
    std::uint64_t size = 0;
    Kind kind = KindOf(entryPath, &size);
    if (kind == Kind::Missing) return;
    WIN32_FIND_DATAA entry;
    entry.cFileName = name;
    entry.dwFileAttributes =
        (kind == Kind::Folder ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE) |
        (name == "." || name == ".." ? 0 : ExtraAttributes(entryPath));
    entry.nFileSize = kind == Kind::Folder ? 0 : size;
    found.push_back(entry);
  };
  const bool wild = mask.find_first_of("*?") != std::string::npos;
  const bool isRoot = folder.size() == 3;
  std::vector<std::string> names;
  if (DIR* dir = opendir(Host(folder).c_str())) {
    while (dirent* entry = readdir(dir)) {
      std::string name = entry->d_name;
      if (name == "." || name == "..") continue;
      if (wild ? Matches(mask, name) : strcasecmp(name.c_str(), mask.c_str()) == 0)
        names.push_back(name);
    }
    closedir(dir);
  }
  // NTFS returns names in upper-case order; "." and ".." come first.
  std::sort(names.begin(), names.end(),
            [](const std::string& a, const std::string& b) { return Upper(a) < Upper(b); });
  const std::string prefix = isRoot ? folder : folder + "\\";
  if (wild && !isRoot) {
    if (Matches(mask, ".")) add(".", folder);
    if (Matches(mask, "..")) add("..", folder);
  }
  for (const std::string& name : names) add(name, prefix + name);
  if (found.empty()) {
    Fail(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  *data = found.front();
  const std::uintptr_t handle = Fs().nextSearch++;
  Fs().searches[handle] = {std::move(found), 1};
  return HANDLE(handle);
}

bool FindNextFileA(HANDLE search, WIN32_FIND_DATAA* data) {
  std::lock_guard<std::recursive_mutex> guard(Fs().lock);
  auto found = Fs().searches.find(std::uintptr_t(search));
  if (found == Fs().searches.end()) return Fail(ERROR_INVALID_HANDLE);
  auto& [entries, next] = found->second;
  if (next >= entries.size()) return Fail(ERROR_NO_MORE_FILES);
  *data = entries[next++];
  return true;
}

bool FindClose(HANDLE search) {
  std::lock_guard<std::recursive_mutex> guard(Fs().lock);
  return Fs().searches.erase(std::uintptr_t(search)) ? true : Fail(ERROR_INVALID_HANDLE);
}

std::string SysErrorMessage(std::uint32_t errorCode) {
  // The texts Windows gives for the codes the stand-in produces.
  static const std::map<std::uint32_t, std::string> texts = {
      {ERROR_FILE_NOT_FOUND, "The system cannot find the file specified"},
      {ERROR_PATH_NOT_FOUND, "The system cannot find the path specified"},
      {ERROR_ACCESS_DENIED, "Access is denied"},
      {ERROR_INVALID_HANDLE, "The handle is invalid"},
      {ERROR_HANDLE_DISK_FULL, "The disk is full"},
      {ERROR_DISK_FULL, "There is not enough space on the disk"},
      {ERROR_INVALID_NAME, "The filename, directory name, or volume label syntax is incorrect"},
      {ERROR_DIR_NOT_EMPTY, "The directory is not empty"},
      {ERROR_ALREADY_EXISTS, "Cannot create a file when that file already exists"},
  };
  auto found = texts.find(errorCode);
  return found == texts.end() ? std::string() : found->second;
}

}  // namespace os

namespace standin {

void ResetFileSystem() {
  std::lock_guard<std::recursive_mutex> guard(os::Fs().lock);
  os::Fs().Reset();
}

std::string HostRoot() { return os::Fs().root; }

std::string HostPath(const std::string& windowsPath) {
  std::lock_guard<std::recursive_mutex> guard(os::Fs().lock);
  std::string full;
  if (!os::FullPath(windowsPath, full) || os::IsUnc(full)) return {};
  return os::Host(full);
}

void AddDrive(char letter) {
  std::filesystem::create_directories(os::Fs().root + "/" +
                                      char(std::toupper(static_cast<unsigned char>(letter))));
}

void MapDrive(char letter, const std::string& hostFolder) {
  std::lock_guard<std::recursive_mutex> guard(os::Fs().lock);
  os::Fs().mapped[char(std::toupper(static_cast<unsigned char>(letter)))] = hostFolder;
}

void SetSecurity(const std::string& windowsPath, const std::string& text) {
  std::lock_guard<std::recursive_mutex> guard(os::Fs().lock);
  std::string full;
  if (os::FullPath(windowsPath, full))
    os::Fs().security[os::Upper(os::WithoutTrailing(full))] = text;
}

void SetDriveWithoutRights(char letter) {
  std::lock_guard<std::recursive_mutex> guard(os::Fs().lock);
  os::Fs().withoutRights.insert(char(std::toupper(static_cast<unsigned char>(letter))));
}

void RefuseRights(bool refuse) {
  std::lock_guard<std::recursive_mutex> guard(os::Fs().lock);
  os::Fs().refuseRights = refuse;
}

void SimulatePreVista(bool preVista) {
  std::lock_guard<std::recursive_mutex> guard(os::Fs().lock);
  os::Fs().preVista = preVista;
}

void BeforeDeleteOpen(std::function<void(const std::string&)> action) {
  std::lock_guard<std::recursive_mutex> guard(os::Fs().lock);
  os::Fs().beforeDeleteOpen = std::move(action);
}

void FailWritesAfter(long long bytes) {
  std::lock_guard<std::recursive_mutex> guard(os::Fs().lock);
  os::Fs().writeBudget = bytes;
}

void DenyWrites(const std::string& windowsPath) {
  std::lock_guard<std::recursive_mutex> guard(os::Fs().lock);
  std::string full;
  if (os::FullPath(windowsPath, full)) os::Fs().denied.insert(os::Upper(os::WithoutTrailing(full)));
}

}  // namespace standin
