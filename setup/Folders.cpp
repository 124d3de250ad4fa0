// The folder queries of the main unit, in a file of their own: the
// uninstaller uses them without the wizard's window.
#include "engine/Unit_Paths.h"
#include "platform/Application.h"
#include "platform/FileSearch.h"
#include "platform/Files.h"
#include "platform/Shell.h"
#include "setup/Main.h"

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
  return (Path.size() >= 3 && Path[1] == ':' && Path[2] == '\\') ||
         (Path.size() >= 2 && Path[0] == '\\' && Path[1] == '\\');
}

bool HoldsFiles(const std::string& Folder) {
  os::TDirectorySearch search(JoinPath(Folder, "*"));
  while (search.Next())
    if (search.Name() != "." && search.Name() != "..") return true;
  return false;
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
