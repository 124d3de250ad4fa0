#include "engine/Unit_Paths.h"

#include "platform/Shell.h"

namespace {
bool IsDriveRoot(const std::string& Path) {
  // Only the shape counts, not whether the first character is a letter.
  return Path.size() == 3 && Path[1] == ':' && Path[2] == '\\';
}
}  // namespace

std::string StripBackslash(const std::string& Path) {
  if (Path.empty() || Path.back() != '\\' || IsDriveRoot(Path)) return Path;
  return Path.substr(0, Path.size() - 1);
}

std::string JoinPath(const std::string& Folder, const std::string& Name) {
  if (Folder.empty() || Folder.back() == '\\') return StripBackslash(Folder + Name);
  return StripBackslash(Folder + '\\' + Name);
}

bool IsBelow(const std::string& Folder, const std::string& Path) {
  const std::string base = StripBackslash(os::CharUpperBuffA(Folder));
  const std::string full = StripBackslash(os::CharUpperBuffA(Path));
  return !base.empty() && full.size() > base.size() && full.compare(0, base.size(), base) == 0 &&
         (base.back() == '\\' || full[base.size()] == '\\');
}

bool IsRootFolder(const std::string& Path) {
  const std::string path = Path.size() == 2 && Path[1] == ':' ? Path + "\\" : StripBackslash(Path);
  if (IsDriveRoot(path)) return true;
  if (path.size() < 5 || path[0] != '\\' || path[1] != '\\') return false;
  const std::size_t share = path.find('\\', 2);
  return share != std::string::npos && share > 2 && share + 1 < path.size() &&
         path.find('\\', share + 1) == std::string::npos;
}
