#include "system/Unit_Uninstall.h"

#include <functional>

#include "engine/Unit_DataFile.h"
#include "engine/Unit_Logfile.h"
#include "engine/Unit_Paths.h"
#include "platform/Files.h"
#include "setup/Main.h"
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
  for (std::size_t at = relative.find('\\'); at != std::string::npos;
       at = relative.find('\\', at + 1)) {
    const os::DWORD attributes = os::GetFileAttributesA(JoinPath(base, relative.substr(0, at)));
    if (attributes != os::INVALID_FILE_ATTRIBUTES &&
        (attributes & os::FILE_ATTRIBUTE_REPARSE_POINT))
      return true;
  }
  return false;
}

// Deletes base\relative, then tries each folder of relative, innermost first.
void RemoveEntry(const std::string& base, std::string relative) {
  os::DeleteFileA(JoinPath(base, relative));
  for (std::size_t at; (at = relative.rfind('\\')) != std::string::npos;) {
    relative.erase(at);
    os::RemoveDirectoryA(JoinPath(base, relative));
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
  {
    TLogReader log(logName);
    // A Start-menu folder that would leave the Programs folder is not
    // followed; nor is anything when the Programs folder is unknown.
    const bool shortcutsInside =
        !programs.empty() && (OldProgFolder.empty() || StaysInside(programs, OldProgFolder));
    ForEachEntry(log, "{program folder files}", [&](const std::string& entry) {
      const std::string relative = JoinPath(OldProgFolder, entry);
      if (!shortcutsInside || !StaysInside(programs, relative) || ThroughLink(programs, relative))
        return;
      RemoveEntry(programs, relative);
    });
    ForEachEntry(log, "{program files}", [&](const std::string& entry) {
      if (!StaysInside(OldInstallDir, entry) || ThroughLink(OldInstallDir, entry)) return;
      RemoveEntry(OldInstallDir, entry);
      if (os::GetFileAttributesA(JoinPath(OldInstallDir, entry)) != os::INVALID_FILE_ATTRIBUTES)
        kept.push_back(entry);
    });
  }
  os::DeleteFileA(logName);
  os::RemoveDirectoryA(OldInstallDir);
  return kept;
}
