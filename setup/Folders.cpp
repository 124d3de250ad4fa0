#include "setup/Folders.h"

#include "engine/Unit_Paths.h"
#include "platform/Application.h"
#include "platform/FileSearch.h"
#include "platform/Files.h"
#include "platform/Sddl.h"
#include "platform/Shell.h"

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

bool IsAbsoluteFolder(const std::string& Path) {
  const char drive = char(Path.empty() ? 0 : Path[0] | 0x20);
  if (Path.size() >= 3 && drive >= 'a' && drive <= 'z' && Path[1] == ':' && Path[2] == '\\') return true;
  // "\\" alone, or a server without a share, names no folder at all.
  const std::size_t share = Path.size() > 2 && Path[0] == '\\' && Path[1] == '\\' ? Path.find('\\', 2)
                                                                               : std::string::npos;
  return share != std::string::npos && share > 2 && share + 1 < Path.size() && Path[share + 1] != '\\';
}

bool HoldsFiles(const std::string& Folder) {
  // Not TDirectorySearch: what is hidden from the user is content all the same.
  os::WIN32_FIND_DATAA found;
  const os::HANDLE search = os::FindFirstFileA(JoinPath(Folder, "*"), &found);
  if (search == os::INVALID_HANDLE_VALUE) return false;
  bool holds = false;
  do holds = found.cFileName != "." && found.cFileName != "..";
  while (!holds && os::FindNextFileA(search, &found));
  os::FindClose(search);
  return holds;
}

namespace {
// The owner and DACL of Path; false when they cannot be read, or there are
// none (a FAT drive: "D:NO_ACCESS_CONTROL").
bool ReadRights(const std::string& Path, sddl::Descriptor& descriptor) {
  const std::string text = os::GetNamedSecurityInfoA(Path);
  return !text.empty() && text.find("NO_ACCESS_CONTROL") == std::string::npos &&
         sddl::Parse(text, descriptor);
}
}  // namespace

bool UsersCanChange(const std::string& Path) {
  sddl::Descriptor descriptor;
  return !ReadRights(Path, descriptor) || sddl::OthersCanChange(descriptor);
}

bool UsersCanReplace(const std::string& Path) {
  if (UsersCanChange(Path)) return true;
  const std::string path = StripBackslash(Path);
  const std::size_t slash = path.rfind('\\');
  sddl::Descriptor folder;
  return slash == std::string::npos ||
         !ReadRights(StripBackslash(path.substr(0, slash + 1)), folder) ||
         sddl::OthersCanDeleteChildren(folder);
}

bool SameFolder(const std::string& A, const std::string& B) {
  const std::string a = StripBackslash(os::CharUpperBuffA(os::GetFullPathNameA(A)));
  const std::string b = StripBackslash(os::CharUpperBuffA(os::GetFullPathNameA(B)));
  return !a.empty() && a == b;
}

std::string GetProgramsFolder() {
  // The main window, once it exists, owns any dialog the shell may show.
  return os::SHGetSpecialFolderPathA(os::Application.MainWindow, os::CSIDL_PROGRAMS);
}

std::pair<std::string, std::string> SplitExistingPath(const std::string& Path) {
  std::string existing = Path, rest;
  while (!existing.empty() && !FolderExists(existing)) {
    const std::size_t slash = existing.rfind('\\');
    const std::size_t i = slash == std::string::npos ? 0 : slash + 1;
    rest = JoinPath(existing.substr(i), rest);
    existing = slash == std::string::npos ? std::string() : existing.substr(0, slash);
  }
  return {existing, rest};
}

void RemoveCreatedFolders(const std::string& Existing, std::string Rest) {
  // Deepest level first; a removal that fails is ignored.
  while (!Rest.empty()) {
    os::RemoveDirectoryA(JoinPath(Existing, Rest));
    const std::size_t slash = Rest.rfind('\\');
    Rest = slash == std::string::npos ? std::string() : Rest.substr(0, slash);
  }
}
