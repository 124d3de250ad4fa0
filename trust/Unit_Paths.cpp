// Paths taken apart and put together by character.
#include "trust/Unit_Paths.h"

#include "platform/Chars.h"
#include "platform/Files.h"
#include "platform/Shell.h"

namespace {
const TCharacters& Chars() { return SystemCharacters(); }

// Whether a backslash, a character of its own, stands at At.
bool BackslashAt(const std::string& Path, std::size_t At) { return Chars().Find(Path, '\\', At) == At; }

bool IsDriveRoot(const std::string& Path) {
  // Three characters, the last two ":\": only the shape counts, whatever
  // the first character is (":", "\", a double-byte one).
  if (Path.empty()) return false;
  const std::size_t first = Chars().IsLeadByte(static_cast<unsigned char>(Path[0])) ? 2 : 1;
  return Path.size() == first + 2 && Chars().Find(Path, ':', first) == first && BackslashAt(Path, first + 1);
}
}  // namespace

bool EndsWithBackslash(const std::string& Path) { return Chars().EndsWith(Path, '\\'); }

std::size_t FindBackslash(const std::string& Path, std::size_t From) {
  return Chars().Find(Path, '\\', From);
}

std::size_t LastBackslash(const std::string& Path) { return Chars().FindLast(Path, '\\'); }

std::string StripBackslash(const std::string& Path) {
  if (!EndsWithBackslash(Path) || IsDriveRoot(Path)) return Path;
  return Path.substr(0, Path.size() - 1);
}

std::string JoinPath(const std::string& Folder, const std::string& Name) {
  if (Folder.empty() || EndsWithBackslash(Folder)) return StripBackslash(Folder + Name);
  return StripBackslash(Folder + '\\' + Name);
}

std::string FolderOfPath(const std::string& Path) {
  const std::size_t slash = LastBackslash(Path);
  return slash == std::string::npos ? std::string() : Path.substr(0, slash);
}

std::string NameOfPath(const std::string& Path) {
  const std::size_t slash = LastBackslash(Path);
  return slash == std::string::npos ? Path : Path.substr(slash + 1);
}

std::string FolderWithSeparator(const std::string& Path) {
  const std::size_t at = Chars().FindLastOf(Path, "\\:");
  return at == std::string::npos ? std::string() : Path.substr(0, at + 1);
}

std::vector<std::size_t> BackslashesOf(const std::string& Path) { return BackslashesOf(Path, Chars()); }

std::vector<std::string> PathLevels(const std::string& Path) { return PathLevels(Path, Chars()); }

std::vector<std::string> LevelsBelow(const std::string& Base, const std::string& Rest) {
  std::vector<std::string> levels;
  if (Rest.empty()) return levels;
  for (std::size_t end : BackslashesOf(Rest)) levels.push_back(JoinPath(Base, Rest.substr(0, end)));
  levels.push_back(JoinPath(Base, Rest));
  return levels;
}

std::string UpperPath(const std::string& Path) { return os::CharUpperBuffA(Path); }

bool IsBelow(const std::string& Folder, const std::string& Path) {
  const std::string base = StripBackslash(UpperPath(Folder));
  const std::string full = StripBackslash(UpperPath(Path));
  return !base.empty() && full.size() > base.size() && full.compare(0, base.size(), base) == 0 &&
         (EndsWithBackslash(base) || BackslashAt(full, base.size()));
}

bool IsRootFolder(const std::string& Path) {
  const std::string path = IsDriveRoot(Path + "\\") ? Path + "\\" : StripBackslash(Path);
  if (IsDriveRoot(path)) return true;
  if (path.size() < 5 || !BackslashAt(path, 0) || !BackslashAt(path, 1)) return false;
  const std::size_t share = FindBackslash(path, 2);
  return share != std::string::npos && share > 2 && share + 1 < path.size() &&
         FindBackslash(path, share + 1) == std::string::npos;
}

bool IsAbsoluteFolder(const std::string& Path) {
  const char drive = char(Path.empty() ? 0 : Path[0] | 0x20);
  if (Path.size() >= 3 && drive >= 'a' && drive <= 'z' && Path[1] == ':' && BackslashAt(Path, 2)) return true;
  // "\\" alone, or a server without a share, names no folder at all.
  const std::size_t share =
      Path.size() > 2 && BackslashAt(Path, 0) && BackslashAt(Path, 1) ? FindBackslash(Path, 2) : std::string::npos;
  return share != std::string::npos && share > 2 && share + 1 < Path.size() && !BackslashAt(Path, share + 1);
}

bool SameFolder(const std::string& A, const std::string& B) {
  const std::string a = StripBackslash(UpperPath(os::GetFullPathNameA(A)));
  const std::string b = StripBackslash(UpperPath(os::GetFullPathNameA(B)));
  return !a.empty() && a == b;
}

bool FileExists(const std::string& Path) {
  const os::DWORD attributes = os::GetFileAttributesA(Path);
  return attributes != os::INVALID_FILE_ATTRIBUTES &&
         (attributes & os::FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool FolderExists(const std::string& Path) {
  const os::DWORD attributes = os::GetFileAttributesA(Path);
  return attributes != os::INVALID_FILE_ATTRIBUTES &&
         (attributes & os::FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::pair<std::string, std::string> SplitExistingPath(const std::string& Path) {
  std::string existing = Path, rest;
  while (!existing.empty() && !FolderExists(existing)) {
    rest = JoinPath(NameOfPath(existing), rest);
    existing = FolderOfPath(existing);
  }
  return {existing, rest};
}

