// The Start-menu shortcuts, saved in the held Start-menu folder.
#include "system/Unit_Shortcuts.h"

#include <memory>

#include "engine/Unit_Logfile.h"
#include "trust/Unit_Paths.h"
#include "platform/Shell.h"
#include "system/KnownFolders.h"
#include "trust/HeldFolder.h"

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
  // Every level from the Programs folder down is held, as itself, while the
  // shortcuts are saved, and the missing ones are made through the level
  // above: a link put on the way between two shortcuts would send the rest
  // wherever it points. With the Programs folder unknown the paths would be
  // relative, and the shortcuts would land in the current folder, the
  // medium. Where the way cannot be held none is saved, though all are
  // still listed.
  std::unique_ptr<THeldWay> way;
  if (!programs.empty()) way = std::make_unique<THeldWay>(programs, ProgFolder);
  const bool save = way && way->Usable() && way->Blocked().empty() && way->MakeMissing().empty();
  os::TShellLink link;  // one object serves all three
  for (const Shortcut& s : kShortcuts) {
    LogFile.AddEntry(s.link);  // before the link exists, so it is always listed
    if (!save) continue;
    // Results are not examined: a link that cannot be saved is simply missing.
    link.SetPath(JoinPath(InstallDir, s.target));
    link.SetWorkingDirectory(InstallDir);
    way->Deepest().SaveLink(link, JoinPath(way->Deepest().Path(), s.link));
    if (AfterEach) AfterEach();
  }
}

bool IsProductShortcut(const std::string& Name) {
  for (const Shortcut& s : kShortcuts)
    if (UpperPath(Name) == UpperPath(s.link)) return true;
  return false;
}
