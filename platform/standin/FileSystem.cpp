// Paths and names: where a Windows path lies on the host, the current
// folder, the last error, and the controls tests use to set the scene.
#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <strings.h>

#include "platform/Exceptions.h"
#include "host/CodePage.h"
#include "platform/standin/FileSystem.h"
#include "platform/standin/Standin.h"

namespace os {

namespace {
thread_local DWORD lastError = ERROR_SUCCESS;
}  // namespace

DWORD GetLastError() { return lastError; }
void SetLastError(DWORD error) { lastError = error; }

namespace hostfs {

FileSystem::FileSystem() {
  // Any test program can keep its files in memory.
  const char* where = std::getenv("STANDIN_FILES");
  inMemory = where && std::strcmp(where, "memory") == 0;
  store = inMemory ? MakeMemoryStore() : MakeDiskStore();
  Reset();
}

FileSystem::~FileSystem() { Drop(); }

void FileSystem::Drop() {
  for (auto& [handle, file] : files) store->Close(file.id);
  files.clear();
  deletePending.clear();
  if (!root.empty()) store->RemoveRoot(root);
  root.clear();
}

void FileSystem::Reset() {
  Drop();
  root = store->NewRoot();
  hostOf.clear();
  store->MakeFolders(root + "/C/Temp");
  store->MakeFolders(root + "/C/Windows/Temp");
  current = "C:\\";
  attributes.clear();
  names.clear();
  denied.clear();
  searches.clear();
  writeBudget = -1;
  bytesWritten = 0;
  mapped.clear();
  withoutRights.clear();
  driveTypes.clear();
  refuseRights = false;
  refuseRightsError = ERROR_ACCESS_DENIED;
  readFaultKey.clear();
  readFaultCountdown = 0;
  laterReadsKey.clear();
  laterBytes.clear();
  laterReadsServed = false;
  preVista = false;
  wine = false;
  beforeDeleteOpen = nullptr;
  security.clear();
  owners.clear();
  defaultOwner = "BA";
}

FileSystem& Fs() {
  static FileSystem fs;
  return fs;
}

bool Fail(DWORD error) {
  lastError = error;
  return false;
}

void MoveRecords(const std::string& from, const std::string& to) {
  const std::string source = Upper(WithoutTrailing(from)), target = Upper(WithoutTrailing(to));
  const auto below = [](const std::string& key, const std::string& base) {
    return key == base || key.rfind(base + "\\", 0) == 0;
  };
  const auto moved = [&](const std::string& key) { return target + key.substr(source.size()); };
  const auto rekey = [&](auto& map) {
    for (auto it = map.begin(); it != map.end();)
      it = below(it->first, target) ? map.erase(it) : std::next(it);
    std::vector<std::pair<std::string, typename std::decay_t<decltype(map)>::mapped_type>> taken;
    for (auto it = map.begin(); it != map.end();) {
      if (!below(it->first, source)) {
        ++it;
        continue;
      }
      taken.emplace_back(moved(it->first), it->second);
      it = map.erase(it);
    }
    for (auto& entry : taken) map[entry.first] = entry.second;
  };
  rekey(Fs().attributes);
  rekey(Fs().names);
  rekey(Fs().security);
  rekey(Fs().owners);
  std::set<std::string> denied;
  for (const std::string& key : Fs().denied) denied.insert(below(key, source) ? moved(key) : key);
  Fs().denied.swap(denied);
  for (auto& [handle, open] : Fs().files)
    if (below(open.key, source)) open.key = moved(open.key);
}

std::string Upper(std::string s) {
  // ASCII letters only, as before: the keys of the stand-in's own tables.
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
  return s;
}

bool IsUnc(const std::string& p) { return p.size() >= 2 && p[0] == '\\' && p[1] == '\\'; }

bool HasDrive(const std::string& p) {
  return p.size() >= 2 && p[1] == ':' && std::isalpha(static_cast<unsigned char>(p[0]));
}

// GetFullPathName's rules, on "X:\..." paths.
// Whether p is already as GetFullPathName would give it: "X:\\" and names,
// none ending in a dot or a blank (so none is "." or ".."), no doubled
// separators. Most calls pass such paths; they need no taking apart.
bool IsFull(const std::string& p) {
  if (p.size() < 3 || !HasDrive(p) || p[2] != '\\') return false;
  for (std::size_t i = 3; i < p.size(); ++i) {
    const char c = p[i];
    if (c == '/') return false;
    const bool endsName = i + 1 == p.size() || p[i + 1] == '\\';
    if (c == '\\' ? p[i - 1] == '\\' : endsName && (c == '.' || c == ' ')) return false;
  }
  return true;
}

namespace {
// A byte that is no character of the code page, kept in the inner form as
// a code point of plane 15, which no code page writes: names round-trip.
constexpr char32_t kKeptByte = 0xF0000;
const char* const kKeptPrefix = "\xF3\xB0";  // UTF-8 of U+F0000 to U+F00FF begins so

std::string KeptByte(unsigned char byte) {
  const char32_t c = kKeptByte + byte;
  return {char(0xF0 | (c >> 18)), char(0x80 | ((c >> 12) & 0x3F)), char(0x80 | ((c >> 6) & 0x3F)),
          char(0x80 | (c & 0x3F))};
}
}  // namespace

std::string Inner(const std::string& ansi) {
  const codepage::TCodePage& page = standin::AnsiCodePage();
  std::string inner;
  if (page.SingleByte() || page.ToUtf8(ansi, inner)) return page.SingleByte() ? ansi : inner;
  // Character by character, a lead byte taking the next byte with it, as
  // Windows walks it; the bytes of one that is none are kept as they are.
  inner.clear();
  for (std::size_t at = 0; at < ansi.size();) {
    const std::size_t length = at + 1 < ansi.size() && page.IsLeadByte(static_cast<unsigned char>(ansi[at])) ? 2 : 1;
    std::string utf8;
    if (page.ToUtf8(ansi.substr(at, length), utf8)) {
      inner += utf8;
    } else {
      for (std::size_t i = at; i < at + length; ++i) inner += KeptByte(static_cast<unsigned char>(ansi[i]));
    }
    at += length;
  }
  return inner;
}

std::string Ansi(const std::string& inner) {
  const codepage::TCodePage& page = standin::AnsiCodePage();
  std::string ansi;
  if (page.SingleByte()) return inner;
  if (inner.find(kKeptPrefix) == std::string::npos && page.FromUtf8(inner, ansi)) return ansi;
  ansi.clear();
  for (std::size_t at = 0; at < inner.size();) {
    // One UTF-8 sequence at a time: its length from its first byte.
    const unsigned char first = static_cast<unsigned char>(inner[at]);
    const std::size_t length = first < 0xC0 ? 1 : first < 0xE0 ? 2 : first < 0xF0 ? 3 : 4;
    const std::string sequence = inner.substr(at, length);
    std::string bytes;
    if (length == 4 && sequence.compare(0, 2, kKeptPrefix) == 0 && sequence.size() == 4 &&
        (static_cast<unsigned char>(sequence[2]) & 0xFC) == 0x80)
      ansi += char(((static_cast<unsigned char>(sequence[2]) & 0x03) << 6) |
                   (static_cast<unsigned char>(sequence[3]) & 0x3F));
    else
      ansi += page.FromUtf8(sequence, bytes) ? bytes : "?";
    at += length;
  }
  return ansi;
}

bool FullPath(const std::string& ansiInput, std::string& out) {
  const std::string input = Inner(ansiInput);
  if (input.empty()) return Fail(ERROR_INVALID_NAME);
  if (IsFull(input)) {
    out = input;
    return true;
  }
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
    switch (const unsigned char c = static_cast<unsigned char>(full[i])) {
      case '<': case '>': case ':': case '"': case '|': case '?': case '*':
        return false;
      default:
        if (c < 32) return false;
    }
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
  FileSystem& fs = Fs();
  const unsigned long generation = fs.Entries().Generation();
  if (generation != fs.hostGeneration || full != fs.hostOf) {
    fs.hostIs = fs.Entries().Match(DriveFolder(full[0]), full.substr(3));
    fs.hostOf = full;
    fs.hostGeneration = fs.Entries().Generation();
  }
  return fs.hostIs;
}

bool DriveExists(const std::string& full) {
  EntryInfo info;
  return Fs().Entries().Info(DriveFolder(full[0]), true, info) && info.folder;
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

Kind KindOf(const std::string& full, std::uint64_t* size) {
  EntryInfo info;
  if (!Fs().Entries().Info(Host(full), true, info)) return Kind::Missing;
  if (size) *size = info.size;
  return info.folder ? Kind::Folder : Kind::File;
}

DWORD ExtraAttributes(const std::string& full) {
  DWORD extra = 0;
  EntryInfo info;
  if (Fs().Entries().Info(Host(full), false, info) && info.link) extra |= FILE_ATTRIBUTE_REPARSE_POINT;
  if (Fs().attributes.empty()) return extra;
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

// The Windows path of a host path on one of the drives; empty when it lies
// on none.
std::string WindowsPathOf(const std::string& host) {
  auto windows = [](char letter, std::string rest) {
    std::replace(rest.begin(), rest.end(), '/', '\\');
    return std::string(1, letter) + ":" + (rest.empty() ? "\\" : rest);
  };
  // The drives under the root, as the stores name them.
  const std::string& root = Fs().root;
  if (host.size() > root.size() + 1 && host.compare(0, root.size(), root) == 0 && host[root.size()] == '/' &&
      (host.size() == root.size() + 2 || host[root.size() + 2] == '/') && !Fs().mapped.count(host[root.size() + 1]))
    return windows(host[root.size() + 1], host.substr(root.size() + 2));
  // Otherwise a mapped drive, or a root reached by another name.
  auto below = [&](const std::string& folder, std::string& rest) {
    const std::string real = Fs().Entries().Canonical(folder);
    if (real.empty() || host.empty() || host.compare(0, real.size(), real) != 0) return false;
    if (host.size() > real.size() && host[real.size()] != '/') return false;
    rest = host.substr(real.size());
    return true;
  };
  std::string rest;
  for (const auto& [letter, folder] : Fs().mapped)
    if (below(folder, rest)) return windows(letter, rest);
  for (char letter = 'A'; letter <= 'Z'; ++letter)
    if (!Fs().mapped.count(letter) && below(root + "/" + letter, rest)) return windows(letter, rest);
  return {};
}

DWORD SharedUses(DWORD access) {
  constexpr DWORD kRead = GENERIC_READ | 0x1 /*FILE_READ_DATA*/ | 0x20 /*FILE_EXECUTE*/;
  constexpr DWORD kWrite = GENERIC_WRITE | 0x2 /*FILE_WRITE_DATA*/ | 0x4 /*FILE_APPEND_DATA*/;
  return ((access & kRead) ? FILE_SHARE_READ : 0) | ((access & kWrite) ? FILE_SHARE_WRITE : 0) |
         ((access & DELETE) ? FILE_SHARE_DELETE : 0);
}

bool ShareConflict(const std::string& key, DWORD uses, DWORD share) {
  if (uses == 0) return false;
  for (const auto& [handle, open] : Fs().files)
    if (open.key == key && open.uses != 0 && ((uses & ~open.share) || (open.uses & ~share)))
      return true;
  return false;
}

}  // namespace hostfs

using namespace hostfs;

std::string GetFullPathNameA(const std::string& path) {
  std::lock_guard<std::recursive_mutex> guard(Fs().lock);
  std::string full;
  return FullPath(path, full) ? Ansi(full) : std::string();
}

std::string GetCurrentDirectoryA() {
  std::lock_guard<std::recursive_mutex> guard(Fs().lock);
  return Ansi(Fs().current);
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

std::string GetWindowsDirectoryA() { return "C:\\Windows"; }

std::string GetSystemTempPathA() { return "C:\\Windows\\Temp\\"; }

std::string SysErrorMessage(std::uint32_t errorCode) {
  // The texts Windows gives for the codes the stand-in produces.
  static const std::map<std::uint32_t, std::string> texts = {
      {ERROR_FILE_NOT_FOUND, "The system cannot find the file specified"},
      {ERROR_PATH_NOT_FOUND, "The system cannot find the path specified"},
      {ERROR_ACCESS_DENIED, "Access is denied"},
      {30, "The system cannot read from the specified device"},
      {ERROR_SHARING_VIOLATION,
       "The process cannot access the file because it is being used by another process"},
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
  std::lock_guard<std::recursive_mutex> guard(os::hostfs::Fs().lock);
  os::hostfs::Fs().Reset();
}

void KeepFilesInMemory(bool inMemory) {
  std::lock_guard<std::recursive_mutex> guard(os::hostfs::Fs().lock);
  os::hostfs::FileSystem& fs = os::hostfs::Fs();
  fs.Drop();
  fs.inMemory = inMemory;
  fs.store = inMemory ? os::hostfs::MakeMemoryStore() : os::hostfs::MakeDiskStore();
  fs.Reset();
}

bool FilesInMemory() { return os::hostfs::Fs().inMemory; }

bool PlaceLink(const std::string& link, const std::string& target) {
  std::lock_guard<std::recursive_mutex> guard(os::hostfs::Fs().lock);
  return os::hostfs::Fs().Entries().MakeLink(HostPath(target), HostPath(link));
}

bool MoveBehind(const std::string& from, const std::string& to) {
  std::lock_guard<std::recursive_mutex> guard(os::hostfs::Fs().lock);
  std::string source, target;
  if (!os::hostfs::FullPath(from, source) || !os::hostfs::FullPath(to, target)) return false;
  if (!os::hostfs::Fs().Entries().Rename(HostPath(from), HostPath(to))) return false;
  os::hostfs::MoveRecords(source, target);
  return true;
}

bool RemoveLink(const std::string& link) {
  std::lock_guard<std::recursive_mutex> guard(os::hostfs::Fs().lock);
  os::hostfs::EntryInfo info;
  const std::string host = HostPath(link);
  return os::hostfs::Fs().Entries().Info(host, false, info) && info.link &&
         os::hostfs::Fs().Entries().RemoveFile(host);
}

std::vector<std::string> TakeChanges() {
  std::lock_guard<std::recursive_mutex> guard(os::hostfs::Fs().lock);
  std::vector<std::string> paths;
  if (!os::hostfs::Fs().Entries().TakeChanges(paths))
    throw std::logic_error("the stand-in keeps no record of changes with its files on the disk");
  // An entry deleted while open has no path.
  std::vector<std::string> windows;
  for (const std::string& path : paths)
    if (!path.empty()) windows.push_back(os::hostfs::Ansi(os::hostfs::WindowsPathOf(path)));
  return windows;
}

std::vector<std::string> AllFiles() {
  std::lock_guard<std::recursive_mutex> guard(os::hostfs::Fs().lock);
  os::hostfs::Store& store = os::hostfs::Fs().Entries();
  std::vector<std::string> files;
  std::function<void(const std::string&, const std::string&)> walk = [&](const std::string& host,
                                                                         const std::string& path) {
    for (const std::string& name : store.Names(host)) {
      os::hostfs::EntryInfo info;
      if (!store.Info(host + "/" + name, false, info)) continue;
      if (info.folder)
        walk(host + "/" + name, path + name + "\\");
      else
        files.push_back(os::hostfs::Ansi(path + name));
    }
  };
  for (const std::string& drive : store.Names(os::hostfs::Fs().root))
    walk(os::hostfs::Fs().root + "/" + drive, drive + ":\\");
  return files;
}

std::string HostPath(const std::string& windowsPath) {
  std::lock_guard<std::recursive_mutex> guard(os::hostfs::Fs().lock);
  std::string full;
  if (!os::hostfs::FullPath(windowsPath, full) || os::hostfs::IsUnc(full)) return {};
  return os::hostfs::Host(full);
}

void AddDrive(char letter) {
  std::lock_guard<std::recursive_mutex> guard(os::hostfs::Fs().lock);
  os::hostfs::Fs().Entries().MakeFolders(os::hostfs::Fs().root + "/" +
                                         char(std::toupper(static_cast<unsigned char>(letter))));
}

void MapDrive(char letter, const std::string& hostFolder) {
  std::lock_guard<std::recursive_mutex> guard(os::hostfs::Fs().lock);
  os::hostfs::Fs().mapped[char(std::toupper(static_cast<unsigned char>(letter)))] = hostFolder;
  os::hostfs::Fs().hostOf.clear();
}

void SetSecurity(const std::string& windowsPath, const std::string& text) {
  std::lock_guard<std::recursive_mutex> guard(os::hostfs::Fs().lock);
  std::string full;
  if (os::hostfs::FullPath(windowsPath, full))
    os::hostfs::Fs().security[os::hostfs::Upper(os::hostfs::WithoutTrailing(full))] = text;
}

void SetDefaultOwner(const std::string& sid) {
  std::lock_guard<std::recursive_mutex> guard(os::hostfs::Fs().lock);
  os::hostfs::Fs().defaultOwner = sid;
}

void SetDriveType(char letter, os::DWORD type) {
  std::lock_guard<std::recursive_mutex> guard(os::hostfs::Fs().lock);
  os::hostfs::Fs().driveTypes[char(std::toupper(static_cast<unsigned char>(letter)))] = type;
}

void SetDriveWithoutRights(char letter) {
  std::lock_guard<std::recursive_mutex> guard(os::hostfs::Fs().lock);
  os::hostfs::Fs().withoutRights.insert(char(std::toupper(static_cast<unsigned char>(letter))));
}

void RefuseRights(bool refuse, os::DWORD error) {
  os::hostfs::Fs().refuseRightsError = error;
  std::lock_guard<std::recursive_mutex> guard(os::hostfs::Fs().lock);
  os::hostfs::Fs().refuseRights = refuse;
}

void AddHardLinks(const std::string& windowsPath, int names) {
  std::lock_guard<std::recursive_mutex> guard(os::hostfs::Fs().lock);
  std::string full;
  os::hostfs::FullPath(windowsPath, full);
  os::hostfs::Fs().names[os::hostfs::Upper(os::hostfs::WithoutTrailing(full))] = os::DWORD(1 + names);
}

void SimulateWine(bool wine) {
  std::lock_guard<std::recursive_mutex> guard(os::hostfs::Fs().lock);
  os::hostfs::Fs().wine = wine;
  // As Wine shows it: the Windows folder is the user's too.
  if (wine) SetSecurity("C:\\Windows", std::string("O:") + kUserSid + "D:(A;OICI;FA;;;" + kUserSid + ")");
}

void SimulatePreVista(bool preVista) {
  std::lock_guard<std::recursive_mutex> guard(os::hostfs::Fs().lock);
  os::hostfs::Fs().preVista = preVista;
}

void BeforeDeleteOpen(std::function<void(const std::string&)> action) {
  std::lock_guard<std::recursive_mutex> guard(os::hostfs::Fs().lock);
  os::hostfs::Fs().beforeDeleteOpen = std::move(action);
}

void FailReadsOf(const std::string& windowsPath, long nth) {
  std::lock_guard<std::recursive_mutex> guard(os::hostfs::Fs().lock);
  std::string full;
  if (!os::hostfs::FullPath(windowsPath, full)) return;
  os::hostfs::Fs().readFaultKey = nth > 0 ? os::hostfs::Upper(full) : std::string();
  os::hostfs::Fs().readFaultCountdown = nth;
}

void AnswerLaterReadsWith(const std::string& windowsPath, const std::string& bytes) {
  std::lock_guard<std::recursive_mutex> guard(os::hostfs::Fs().lock);
  std::string full;
  if (!os::hostfs::FullPath(windowsPath, full)) return;
  os::hostfs::Fs().laterReadsKey = os::hostfs::Upper(full);
  os::hostfs::Fs().laterBytes = bytes;
  os::hostfs::Fs().laterReadsServed = false;
}

void FailWritesAfter(long long bytes) {
  std::lock_guard<std::recursive_mutex> guard(os::hostfs::Fs().lock);
  os::hostfs::Fs().writeBudget = bytes;
}

long long BytesWritten() {
  std::lock_guard<std::recursive_mutex> guard(os::hostfs::Fs().lock);
  return os::hostfs::Fs().bytesWritten;
}

void DenyWrites(const std::string& windowsPath) {
  std::lock_guard<std::recursive_mutex> guard(os::hostfs::Fs().lock);
  std::string full;
  if (os::hostfs::FullPath(windowsPath, full)) os::hostfs::Fs().denied.insert(os::hostfs::Upper(os::hostfs::WithoutTrailing(full)));
}

void AllowWrites(const std::string& windowsPath) {
  std::lock_guard<std::recursive_mutex> guard(os::hostfs::Fs().lock);
  std::string full;
  if (os::hostfs::FullPath(windowsPath, full))
    os::hostfs::Fs().denied.erase(os::hostfs::Upper(os::hostfs::WithoutTrailing(full)));
}

}  // namespace standin

