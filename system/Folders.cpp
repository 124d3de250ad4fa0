#include "system/Folders.h"

#include "trust/Unit_Paths.h"
#include "platform/Application.h"
#include "platform/FileSearch.h"
#include "platform/Files.h"
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

std::string GetProgramsFolder(std::string* Unwritable) {
  // The main window, once it exists, owns any dialog the shell may show.
  return os::SHGetSpecialFolderPathA(os::Application.MainWindow, os::CSIDL_PROGRAMS, Unwritable);
}
