#include "setup/InstallFolder.h"

#include <vector>

#include "engine/Unit_Paths.h"
#include "platform/Exceptions.h"
#include "platform/Files.h"
#include "platform/Sddl.h"
#include "platform/Shell.h"
#include "setup/Main.h"
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

bool UsersCanChange(const std::string& Folder) {
  sddl::Descriptor descriptor;
  // Unreadable rights, or none (a FAT drive: "D:NO_ACCESS_CONTROL"): anyone may.
  const std::string text = os::GetNamedSecurityInfoA(Folder);
  return text.empty() || text.find("NO_ACCESS_CONTROL") != std::string::npos ||
         !sddl::Parse(text, descriptor) || sddl::OthersCanChange(descriptor);
}

}  // namespace

bool InsideProgramFiles(const std::string& Folder) {
  for (const std::string& programFiles : ProgramFilesFolders())
    if (IsBelow(os::GetFullPathNameA(programFiles), os::GetFullPathNameA(Folder))) return true;
  return false;
}

std::string InstallFolderProblem(const std::string& Folder, bool Ours) {
  const os::DWORD attributes = os::GetFileAttributesA(Folder);
  if (attributes == os::INVALID_FILE_ATTRIBUTES) return {};  // made new, with its rights
  if (attributes & os::FILE_ATTRIBUTE_REPARSE_POINT)
    return "The folder " + Folder +
           " is a link to another place.  Setup does not install into links; choose another "
           "folder.";
  if (InsideProgramFiles(Folder) || Ours || !HoldsFiles(Folder) || !UsersCanChange(Folder))
    return {};
  return "The folder " + Folder +
         " already holds other files, and users without administrator rights can change it, "
         "so they could replace Morvella's programs there.  Choose a new folder or an empty one.";
}

std::string ProtectInstallFolder(const std::string& Folder, bool Ours) {
  if (InsideProgramFiles(Folder)) return {};
  auto [existing, rest] = SplitExistingPath(Folder);
  if (rest.empty()) {
    // An existing folder: Setup's own, or empty (checked before); another
    // one that users cannot change keeps its rights.
    if (Ours || !HoldsFiles(Folder)) os::SetNamedSecurityInfoA(Folder, kInstallFolderSddl);
    return {};
  }
  const std::string top = JoinPath(existing, rest.substr(0, rest.find('\\')));
  // Made with its rights from the start: nobody can slip anything in first.
  if (os::CreateDirectoryA(top, kInstallFolderSddl) ||
      os::GetLastError() != os::DWORD(os::ERROR_ALREADY_EXISTS))
    return {};  // a failure shows when the log cannot be created
  return "The folder " + top +
         " was made by someone else while Setup prepared it.  Click Next to try again.";
}
