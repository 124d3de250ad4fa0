#include "system/Unit_Uninstall.h"

#include <functional>

#include "engine/Unit_DataFile.h"
#include "engine/Unit_Logfile.h"
#include "engine/Unit_Paths.h"
#include "platform/Entries.h"
#include "platform/Files.h"
#include "platform/Shell.h"
#include "setup/Folders.h"
#include "system/Unit_Settings.h"

namespace {

void DeleteKeyIfEmpty(TRegistry& registry, const std::string& key) {
  if (!registry.OpenKey(key, false)) return;
  os::DWORD subKeys = 0, values = 0;
  const bool empty = registry.GetKeyInfo(subKeys, values) && subKeys == 0 && values == 0;
  registry.CloseKey();
  if (empty) registry.DeleteKey(key);
}

void DeleteDefaultAndKeyIfEmpty(TRegistry& registry, const std::string& key) {
  if (!registry.OpenKey(key, false)) return;
  registry.DeleteValue("");  // a missing default value is no error
  os::DWORD subKeys = 0, values = 0;
  const bool empty = registry.GetKeyInfo(subKeys, values) && subKeys == 0 && values == 0;
  registry.CloseKey();
  if (empty) registry.DeleteKey(key);
}

// Whether relative is a path that stays below its base folder.
bool StaysInside(const std::string& base, const std::string& relative) {
  return EntryNameProblem(relative).empty() && JoinPath(base, relative).size() < os::MAX_PATH;
}

// Whether a folder between base and the entry is a junction or a link: then
// the entry's path leads out of base.
bool ThroughLink(const std::string& base, const std::string& relative) {
  const std::size_t slash = relative.rfind('\\');
  return slash != std::string::npos && !os::FirstLinkBelow(base, relative.substr(0, slash)).empty();
}

// A folder the removal deletes in. It is held open without leave to delete
// or rename it, so nobody can swap it for a link while the removal runs, and
// each entry is deleted through a handle on exactly that entry (a link
// itself, never its target) once the handle's final path is seen to lie
// inside it. Systems before Windows Vista lack the calls: there the checks
// by path before each deletion are all.
class TRemovalBase {
 public:
  explicit TRemovalBase(const std::string& path) : path_(path) {
    if (path.empty()) return;
    handle_ = os::CreateFileA(path, os::FILE_READ_ATTRIBUTES, os::FILE_SHARE_READ | os::FILE_SHARE_WRITE,
                              os::OPEN_EXISTING,
                              os::FILE_FLAG_BACKUP_SEMANTICS | os::FILE_FLAG_OPEN_REPARSE_POINT);
    if (handle_ == os::INVALID_HANDLE_VALUE) return;
    const os::DWORD attributes = os::GetFileAttributesByHandle(handle_);
    // A link is refused as a whole: nothing is deleted through it.
    if (attributes == os::INVALID_FILE_ATTRIBUTES || !(attributes & os::FILE_ATTRIBUTE_DIRECTORY) ||
        (attributes & os::FILE_ATTRIBUTE_REPARSE_POINT)) {
      Release();
      return;
    }
    final_ = os::GetFinalPathNameByHandleA(handle_);
    legacy_ = final_.empty() && os::GetLastError() == os::DWORD(os::ERROR_PROC_NOT_FOUND);
    if (final_.empty() && !legacy_) Release();
  }
  ~TRemovalBase() { Release(); }
  TRemovalBase(const TRemovalBase&) = delete;
  TRemovalBase& operator=(const TRemovalBase&) = delete;

  bool Usable() const { return handle_ != os::INVALID_HANDLE_VALUE; }

  // Deletes the file (or empty folder) path, which the caller has checked to
  // lie inside by its path; false when it did not go.
  bool Delete(const std::string& path, bool folder) const {
    if (!Usable()) return false;
    if (legacy_) return folder ? os::RemoveDirectoryA(path) : os::DeleteFileA(path);
    const os::HANDLE entry = os::OpenEntryToDelete(path, folder);
    if (entry == os::INVALID_HANDLE_VALUE) return false;
    const os::DWORD attributes = os::GetFileAttributesByHandle(entry);
    const bool isFolder = attributes != os::INVALID_FILE_ATTRIBUTES &&
                          (attributes & os::FILE_ATTRIBUTE_DIRECTORY) &&
                          !(attributes & os::FILE_ATTRIBUTE_REPARSE_POINT);
    const bool deleted = attributes != os::INVALID_FILE_ATTRIBUTES && isFolder == folder &&
                         IsBelow(final_, os::GetFinalPathNameByHandleA(entry)) &&
                         os::SetFileDispositionInfo(entry, true);
    os::CloseHandle(entry);
    return deleted;
  }

  // Deletes the folder itself when it is empty, still the one it was; never
  // a drive's root.
  void DeleteItself() {
    if (!Usable()) return;
    Release();
    if (StripBackslash(path_).size() <= 3) return;
    if (legacy_) {
      os::RemoveDirectoryA(path_);
      return;
    }
    const os::HANDLE self = os::OpenEntryToDelete(path_, true);
    if (self == os::INVALID_HANDLE_VALUE) return;
    const os::DWORD attributes = os::GetFileAttributesByHandle(self);
    if (attributes != os::INVALID_FILE_ATTRIBUTES && !(attributes & os::FILE_ATTRIBUTE_REPARSE_POINT) &&
        os::CharUpperBuffA(os::GetFinalPathNameByHandleA(self)) == os::CharUpperBuffA(final_))
      os::SetFileDispositionInfo(self, true);
    os::CloseHandle(self);
  }

 private:
  void Release() {
    if (handle_ != os::INVALID_HANDLE_VALUE) os::CloseHandle(handle_);
    handle_ = os::INVALID_HANDLE_VALUE;
  }

  std::string path_;
  std::string final_;
  os::HANDLE handle_ = os::INVALID_HANDLE_VALUE;
  bool legacy_ = false;
};

// Deletes base\relative, then tries each folder of relative, innermost first.
void RemoveEntry(const TRemovalBase& removal, const std::string& base, std::string relative) {
  removal.Delete(JoinPath(base, relative), false);
  for (std::size_t at; (at = relative.rfind('\\')) != std::string::npos;) {
    relative.erase(at);
    removal.Delete(JoinPath(base, relative), true);
  }
}

// Handles each entry of the section under header. Lines are read from the
// top; an empty line ends the section, and a last line cut off before its
// line break is never handled.
void ForEachEntry(TLogReader& log, const std::string& header,
                  const std::function<void(const std::string&)>& handle) {
  log.Reset();
  std::string line;
  while (log.ReadLine(line)) {
    if (line != header) continue;
    while (log.ReadLine(line) && !line.empty()) handle(line);
    return;
  }
}

}  // namespace

std::vector<std::string> RemoveOldInstallation(const std::string& OldInstallDir,
                                               const std::string& OldProgFolder) {
  {
    TRegistry registry;
    registry.SetRootKey(os::HKEY_LOCAL_MACHINE);
    if (registry.KeyExists("\\Software\\Vantrel\\Morvella\\1.0"))
      DeleteKeyIfEmpty(registry, "\\Software\\Vantrel\\Morvella\\1.0");
    registry.SetRootKey(os::HKEY_CLASSES_ROOT);
    DeleteDefaultAndKeyIfEmpty(registry, "\\Morvella.Wordlist\\Shell\\Openen\\command");
    DeleteKeyIfEmpty(registry, "\\Morvella.Wordlist\\Shell\\Openen");
    DeleteDefaultAndKeyIfEmpty(registry, "\\Morvella.Wordlist\\Shell\\Open\\command");
    DeleteKeyIfEmpty(registry, "\\Morvella.Wordlist\\Shell\\Open");
  }
  return RemoveInstalledFiles(OldInstallDir, OldProgFolder);
}

std::vector<std::string> RemoveInstalledFiles(const std::string& OldInstallDir,
                                              const std::string& OldProgFolder) {
  std::vector<std::string> kept;
  const std::string programs = GetProgramsFolder();
  const std::string logName = JoinPath(OldInstallDir, "Install.log");
  // Held from here on: the folder cannot be swapped for a link meanwhile.
  TRemovalBase installation(OldInstallDir);
  {
    TLogReader log(logName);
    {
      // A Start-menu folder that would leave the Programs folder is not
      // followed; nor is anything when the Programs folder is unknown.
      const TRemovalBase startMenu(programs);
      const bool shortcutsInside =
          !programs.empty() && (OldProgFolder.empty() || StaysInside(programs, OldProgFolder));
      ForEachEntry(log, "{program folder files}", [&](const std::string& entry) {
        const std::string relative = JoinPath(OldProgFolder, entry);
        if (!shortcutsInside || !StaysInside(programs, relative) || ThroughLink(programs, relative))
          return;
        RemoveEntry(startMenu, programs, relative);
      });
    }
    ForEachEntry(log, "{program files}", [&](const std::string& entry) {
      if (!StaysInside(OldInstallDir, entry) || ThroughLink(OldInstallDir, entry)) return;
      RemoveEntry(installation, OldInstallDir, entry);
      if (os::GetFileAttributesA(JoinPath(OldInstallDir, entry)) != os::INVALID_FILE_ATTRIBUTES)
        kept.push_back(entry);
    });
  }
  installation.Delete(logName, false);
  installation.DeleteItself();
  return kept;
}

bool LogOpenToUsersAtRoot(const std::string& InstallDir) {
  return IsRootFolder(InstallDir) && UsersCanReplace(JoinPath(InstallDir, "Install.log"));
}
