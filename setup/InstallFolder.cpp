// The installation folder's checks: where it may be, who may change it, and its rights.
#include "setup/InstallFolder.h"

#include <vector>

#include "platform/Exceptions.h"
#include "platform/FileSearch.h"
#include "platform/Files.h"
#include "platform/Shell.h"
#include "system/Unit_Settings.h"
#include "system/KnownFolders.h"
#include "trust/Policy.h"
#include "trust/Unit_Paths.h"

const char* const kInstallFolderSddl =
    "O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)";

namespace {

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

std::string InstallFolderProblem(const std::string& Folder, const THeldWay* Way) {
  const os::DWORD attributes = os::GetFileAttributesA(Folder);
  const bool exists = attributes != os::INVALID_FILE_ATTRIBUTES;
  if (exists && (attributes & os::FILE_ATTRIBUTE_REPARSE_POINT))
    return "The folder " + Folder +
           " is a link to another place.  Setup does not install into links; choose another "
           "folder.";
  const std::string full = StripBackslash(os::GetFullPathNameA(Folder));
  if (trust::ElsewhereManaged(full))
    return "The folder " + Folder +
           " lies on a network or removable drive, whose rights another computer keeps, so Setup "
           "cannot tell who could change Morvella's programs there, which run with administrator "
           "rights.  Choose a folder on a fixed drive of this computer, such as one in Program "
           "Files.";
  // Each level held as itself from the root down while the next is judged.
  std::unique_ptr<THeldWay> own;
  if (!Way) own = THeldWay::FromRoot(full);
  const THeldWay& way = Way ? *Way : *own;
  // Nor below a link: whoever may point it elsewhere later would move
  // Morvella with it.
  const std::string& blocked = way.Blocked();
  if (!blocked.empty()) {
    const os::DWORD kind = os::GetFileAttributesA(blocked);
    if (kind != os::INVALID_FILE_ATTRIBUTES && (kind & os::FILE_ATTRIBUTE_REPARSE_POINT))
      return "The folder " + blocked + " on the way to " + Folder +
             " is a link to another place.  Setup does not install through links; choose another "
             "folder.";
    return "Setup cannot open the folder " + blocked + " on the way to " + Folder +
           ".  Choose another folder.";
  }
  if (!InsideProgramFiles(Folder) && trust::RefuseDriveWithoutRights(Folder))
    return "The drive of the folder " + Folder +
           " keeps no access rights (FAT or exFAT), so any user could change Morvella there.  "
           "Choose a folder on an NTFS drive.";
  // A drive's rights are never changed: they reach every file on it. Its
  // root is taken only when it shows that only administrators can change
  // it, also where rights do not count otherwise.
  if (exists && IsRootFolder(full) && way.Whole() && !way.Deepest().OnlyTrustedCanChange(true))
    return "Users without administrator rights can change the drive " + Folder +
           ", and Setup does not change the rights of a whole drive, so choose a folder on that "
           "drive, such as " + JoinPath(Folder, "Morvella") + ".";
  if (!trust::RightsCount()) return {};
  // Renaming a folder above, or what it holds, would let a user put
  // another folder at this path once Setup has finished.
  const std::string above = way.FirstUsersCanRename();
  if (!above.empty())
    return "Users without administrator rights can rename or delete the folder " + above +
           ", so they could later put other programs in the place of " + full +
           ".  Choose a folder in Program Files.";
  if (!exists || !way.Whole()) return {};  // made new, with its rights
  if (way.Deepest().OnlyTrustedCanChange()) return {};
  return "The folder " + Folder +
         " exists already, and users without administrator rights own it or can change it.  "
         "Choose a new folder, or let only administrators own and change this one.";
}

std::string ProtectInstallFolder(THeldWay& Way, const std::string& Folder) {
  if (!Way.Usable() || !Way.Blocked().empty())
    return "The folder " + Folder +
           " was moved or replaced by a link while Setup prepared it.  Nothing was installed.";
  // Made with its rights from the start: nobody can slip anything in first,
  // nor hold a handle opened before the rights were there. Outside Program
  // Files the top-most level gets Program Files' rights; every level the
  // administrators as owner, also where an administrator's objects would
  // otherwise be their own account's, and the rights of the level above.
  const std::string failed = Way.MakeMissing(InsideProgramFiles(Folder) ? nullptr : kInstallFolderSddl);
  if (failed.empty()) return {};
  if (os::GetLastError() != os::DWORD(os::ERROR_ALREADY_EXISTS)) return ProtectionFailed(failed);
  return "The folder " + failed +
         " was made by someone else while Setup prepared it.  Click Next to try again.";
}

std::string CheckHeldInstallFolder(const THeldFolder& Held) {
  const std::string& folder = Held.Path();
  if (!Held.Here())
    return "The folder " + folder +
           " was moved or replaced by a link while Setup prepared it.  Nothing was installed.";
  // What the page was told may have changed since: judged again, through
  // the handle, on what is held now.
  if (!Held.OnlyTrustedCanChange())
    return "The folder " + folder +
           " was made or changed by someone else while Setup prepared it, and users without "
           "administrator rights own it or can change it.  Nothing was installed.";
  return {};
}

std::string CheckFoldersBelow(const THeldFolder& Held) {
  if (!trust::RightsCount()) return {};
  std::vector<std::string> pending = {Held.Path()};
  while (!pending.empty()) {
    const std::string folder = std::move(pending.back());
    pending.pop_back();
    os::WIN32_FIND_DATAA found;
    const os::UniqueSearch search(os::FindFirstFileA(JoinPath(folder, "*"), &found));
    if (!search) continue;
    do {
      if (!(found.dwFileAttributes & os::FILE_ATTRIBUTE_DIRECTORY) || found.cFileName == "." ||
          found.cFileName == "..")
        continue;
      const std::string below = JoinPath(folder, found.cFileName);
      os::DWORD error = 0;
      switch (Held.JudgeBelow(below, error)) {
        case TFolderStanding::Missing:
          continue;
        case TFolderStanding::Usable:
          pending.push_back(below);
          continue;
        case TFolderStanding::Unopenable:
          return "Setup cannot open the folder " + below + " (" + os::ErrorText(error) +
                 ") to see who may change it.  Nothing was changed.";
        case TFolderStanding::Link:
          return "The folder " + below +
                 " is a link to another place, and Setup does not install through links.  Nothing "
                 "was changed.  Delete that link, then run Setup again.";
        case TFolderStanding::Unusable:
          return "The folder " + below +
                 " is there already, and users without administrator rights own it or can change "
                 "it.  Nothing was changed.  Delete it, or let only administrators own and change it.";
      }
    } while (os::FindNextFileA(search.get(), &found));
  }
  return {};
}

