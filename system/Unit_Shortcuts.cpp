#include "system/Unit_Shortcuts.h"

#include "engine/Unit_Logfile.h"
#include "engine/Unit_Paths.h"
#include "platform/Entries.h"
#include "platform/Files.h"
#include "platform/Shell.h"
#include "system/Folders.h"

namespace {
struct Shortcut {
  const char* link;
  const char* target;
};
const Shortcut kShortcuts[] = {
    {"Morvella.lnk", "Morvella.exe"},
    {"Morvella Help.lnk", "Morvehlp.hlp"},
    {"Uninstall Morvella.lnk", "Uninst.exe"},
};
}  // namespace

void CreateShortcuts(const std::string& InstallDir, const std::string& ProgFolder,
                     TLogFile& LogFile, const std::function<void()>& AfterEach) {
  LogFile.BeginProgramFolderFiles();
  const std::string programs = GetProgramsFolder();
  const std::string ShortcutFolder = JoinPath(programs, ProgFolder);
  // Saved through a link, the shortcuts would land wherever it points. With
  // the Programs folder unknown the path would be relative, and they would
  // land in the current folder, the medium: then none is saved, though all
  // are still listed.
  const bool save = !programs.empty() && os::FirstLinkBelow(programs, ProgFolder).empty();
  os::TShellLink link;  // one object serves all three
  for (const Shortcut& s : kShortcuts) {
    LogFile.AddEntry(s.link);  // before the link exists, so it is always listed
    // Results are not examined: a link that cannot be saved is simply missing.
    link.SetPath(JoinPath(InstallDir, s.target));
    link.SetWorkingDirectory(InstallDir);
    const std::string linkPath = JoinPath(ShortcutFolder, s.link);
    if (!save) continue;
    os::MakeSureDirectoryPathExists(linkPath);
    link.Save(linkPath, false);
    if (AfterEach) AfterEach();
  }
}

bool IsProductShortcut(const std::string& Name) {
  for (const Shortcut& s : kShortcuts)
    if (UpperPath(Name) == UpperPath(s.link)) return true;
  return false;
}
