// The folders Windows names for the product, and whether a folder holds anything.
#include "system/KnownFolders.h"

#include "trust/Unit_Paths.h"
#include "platform/Application.h"
#include "platform/FileSearch.h"
#include "platform/Exceptions.h"
#include "platform/Files.h"
#include "platform/Shell.h"
#include "system/RegistryKeys.h"
#include "system/Unit_Settings.h"

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

std::string GetProgramsFolder(std::string* Unwritable) {
  // The main window, once it exists, owns any dialog the shell may show.
  return os::SHGetSpecialFolderPathA(os::Application.MainWindow, os::CSIDL_PROGRAMS, Unwritable);
}

std::vector<std::string> ProgramFilesFolders() {
  std::vector<std::string> folders(1, "C:\\Program Files");
  TRegistry registry;
  registry.SetRootKey(os::HKEY_LOCAL_MACHINE);
  if (!registry.OpenKey(kCurrentVersionKey, false)) return folders;
  for (const char* name : {"ProgramFilesDir", "ProgramW6432Dir", "ProgramFilesDir (x86)"}) {
    std::string folder;
    try {
      if (registry.ValueExists(name)) folder = registry.ReadString(name);
    } catch (const os::ERegistryException&) {
      // not text: no folder to go by
    }
    if (!IsAbsoluteFolder(folder)) continue;
    if (name == std::string("ProgramFilesDir"))
      folders.front() = folder;
    else
      folders.push_back(folder);
  }
  return folders;
}
