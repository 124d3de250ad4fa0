#include "system/Folders.h"

#include "engine/Unit_Paths.h"
#include "platform/Application.h"
#include "platform/Entries.h"
#include "platform/FileSearch.h"
#include "platform/Files.h"
#include "platform/Sddl.h"
#include "platform/Shell.h"

bool HoldsFiles(const std::string& Folder) {
  // Not TDirectorySearch: what is hidden from the user is content all the same.
  os::WIN32_FIND_DATAA found;
  const os::UniqueSearch search(os::FindFirstFileA(JoinPath(Folder, "*"), &found));
  if (!search) return false;
  bool holds = false;
  do holds = found.cFileName != "." && found.cFileName != "..";
  while (!holds && os::FindNextFileA(search.get(), &found));
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

bool FileRightsTell() {
  // Told by what the system is, never by what a folder's rights look like:
  // on Windows 2000 to 2003 Power Users may change the Windows folder, and
  // the rights of every other folder still count.
  return !os::RunsUnderWine();
}

bool OnlyAdministratorsCanChange(const std::string& Path) {
  sddl::Descriptor descriptor;
  return ReadRights(Path, descriptor) && sddl::OnlyAdministrators(descriptor);
}

std::string FirstFolderAboveUsersCanRename(const std::string& Path) {
  const std::string full = StripBackslash(os::GetFullPathNameA(Path));
  if (full.empty() || IsRootFolder(full)) return {};
  for (std::string level = full;;) {
    const std::string above = StripBackslash(FolderOfPath(level) + "\\");
    if (above == level || above.empty()) return {};
    level = above;
    if (!FolderExists(above)) continue;  // to be made, with rights of its own
    sddl::Descriptor descriptor;
    const bool root = IsRootFolder(above);
    if (!ReadRights(above, descriptor) || sddl::OthersCanDeleteChildren(descriptor) ||
        (!root && sddl::OthersCanDelete(descriptor)))
      return above;
    if (root) return {};
  }
}

std::string LinkOnTheWay(const std::string& Path) {
  const std::string full = StripBackslash(Path);
  const std::string root = os::GetVolumePathNameA(full);
  if (root.empty() || full.size() <= root.size()) return {};
  return os::FirstLinkBelow(root, full.substr(root.size()));
}

bool UsersCanReplace(const std::string& Path) {
  if (!OnlyAdministratorsCanChange(Path)) return true;
  const std::string path = StripBackslash(Path);
  const std::size_t slash = LastBackslash(path);
  sddl::Descriptor folder;
  return slash == std::string::npos ||
         !ReadRights(StripBackslash(path.substr(0, slash + 1)), folder) ||
         sddl::OthersCanDeleteChildren(folder);
}

std::string GetProgramsFolder(std::string* Unwritable) {
  // The main window, once it exists, owns any dialog the shell may show.
  return os::SHGetSpecialFolderPathA(os::Application.MainWindow, os::CSIDL_PROGRAMS, Unwritable);
}
