// Searches: FindFirstFile and its kin, names in the order NTFS gives them.
#include <strings.h>

#include <algorithm>
#include <cctype>

#include "platform/standin/FileSystem.h"

namespace os {

using namespace hostfs;

namespace {

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
    entry.cFileName = Ansi(name);
    entry.dwFileAttributes =
        (kind == Kind::Folder ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE) |
        (name == "." || name == ".." ? 0 : ExtraAttributes(entryPath));
    entry.nFileSize = kind == Kind::Folder ? 0 : size;
    found.push_back(entry);
  };
  const bool wild = mask.find_first_of("*?") != std::string::npos;
  const bool isRoot = folder.size() == 3;
  std::vector<std::string> names;
  for (const std::string& name : Fs().Entries().Names(Host(folder)))
    if (wild ? Matches(mask, name) : strcasecmp(name.c_str(), mask.c_str()) == 0)
      names.push_back(name);
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

}  // namespace os
