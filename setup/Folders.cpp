// The folder queries of the main unit, in a file of their own: the
// uninstaller uses them without the wizard's window.
#include "platform/Application.h"
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

std::string GetProgramsFolder() {
  // The main window, once it exists, owns any dialog the shell may show.
  return os::SHGetSpecialFolderPathA(os::Application.MainWindow, os::CSIDL_PROGRAMS);
}
