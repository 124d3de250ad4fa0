#include "setup/InstallFolder.h"

#include <vector>

#include "engine/Unit_Paths.h"
#include "platform/Exceptions.h"
#include "platform/Files.h"
#include "platform/Shell.h"
#include "setup/Folders.h"
#include "system/Unit_Settings.h"

const char* const kInstallFolderSddl =
    "O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)";

namespace {

std::vector<std::string> ProgramFilesFolders() {
  std::vector<std::string> folders;
  TRegistry registry;
  registry.SetRootKey(os::HKEY_LOCAL_MACHINE);
  if (registry.OpenKey("\\Software\\Microsoft\\Windows\\CurrentVersion", false)) {
    for (const char* name : {"ProgramFilesDir", "ProgramW6432Dir", "ProgramFilesDir (x86)"}) {
      try {
        if (registry.ValueExists(name)) folders.push_back(registry.ReadString(name));
      } catch (const os::ERegistryException&) {
        // not text: no folder to go by
      }
    }
  }
  if (folders.empty()) folders.push_back("C:\\Program Files");  // as start-up proposes
  return folders;
}

// Whether the file system under Folder keeps access rights at all (FAT and
// exFAT do not); unknown counts as not.
bool VolumeKeepsRights(const std::string& Folder) {
  const std::string root = os::GetVolumePathNameA(Folder);
  os::DWORD flags = 0;
  return !root.empty() && os::GetVolumeInformationA(root, &flags) &&
         (flags & os::FILE_PERSISTENT_ACLS) != 0;
}

// Why protecting Folder failed, from the system's error.
std::string ProtectionFailed(const std::string& Folder) {
  return "Setup cannot give the folder " + Folder +
         " the rights that keep users without administrator rights from changing Morvella's "
         "programs (" + os::ErrorText(os::GetLastError()) + ").  Nothing was installed.";
}

}  // namespace

bool InsideProgramFiles(const std::string& Folder) {
  for (const std::string& programFiles : ProgramFilesFolders())
    if (IsBelow(os::GetFullPathNameA(programFiles), os::GetFullPathNameA(Folder))) return true;
  return false;
}

std::string InstallFolderProblem(const std::string& Folder, bool Ours) {
  const os::DWORD attributes = os::GetFileAttributesA(Folder);
  const bool exists = attributes != os::INVALID_FILE_ATTRIBUTES;
  if (exists && (attributes & os::FILE_ATTRIBUTE_REPARSE_POINT))
    return "The folder " + Folder +
           " is a link to another place.  Setup does not install into links; choose another "
           "folder.";
  if (InsideProgramFiles(Folder)) return {};
  if (!VolumeKeepsRights(Folder))
    return "The drive of the folder " + Folder +
           " keeps no access rights (a FAT or exFAT drive, say), so any user could change "
           "Morvella's programs there, which run with administrator rights.  Choose a folder on "
           "an NTFS drive, such as one in Program Files.";
  if (!exists) return {};  // made new, with its rights
  // A drive's rights are never changed: they reach every file on it.
  if (IsRootFolder(os::GetFullPathNameA(Folder))) {
    if (!UsersCanChange(Folder)) return {};
    return "Users without administrator rights can change the drive " + Folder +
           ", and Setup does not change the rights of a whole drive, so choose a folder on that "
           "drive, such as " + JoinPath(Folder, "Morvella") + ".";
  }
  if (Ours || !HoldsFiles(Folder) || !UsersCanChange(Folder)) return {};
  return "The folder " + Folder +
         " already holds other files, and users without administrator rights can change it, "
         "so they could replace Morvella's programs there.  Choose a new folder or an empty one.";
}

std::string ProtectInstallFolder(const std::string& Folder) {
  if (InsideProgramFiles(Folder)) return {};
  auto [existing, rest] = SplitExistingPath(Folder);
  if (rest.empty()) return {};  // protected once held
  const std::string top = JoinPath(existing, rest.substr(0, FindBackslash(rest)));
  // Made with its rights from the start: nobody can slip anything in first.
  if (os::CreateDirectoryA(top, kInstallFolderSddl)) return {};
  if (os::GetLastError() != os::DWORD(os::ERROR_ALREADY_EXISTS)) return ProtectionFailed(top);
  return "The folder " + top +
         " was made by someone else while Setup prepared it.  Click Next to try again.";
}

std::string ProtectHeldInstallFolder(const THeldFolder& Held, bool Ours) {
  const std::string& folder = Held.Path();
  if (!Held.Usable() || (!Held.Legacy() && !SameFolder(Held.FinalPath(), folder)))
    return "The folder " + folder +
           " was moved or replaced by a link while Setup prepared it.  Nothing was installed.";
  if (InsideProgramFiles(folder)) return {};
  // Setup's own, or empty (checked before); another one that users cannot
  // change keeps its rights, and so does a drive. Set through the handle:
  // never onto whatever the path leads to by now.
  if (IsRootFolder(os::GetFullPathNameA(folder)) || (!Ours && HoldsFiles(folder))) return {};
  if (!os::SetSecurityInfoByHandle(Held.Handle(), kInstallFolderSddl)) return ProtectionFailed(folder);
  return {};
}
