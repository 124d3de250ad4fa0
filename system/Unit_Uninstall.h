#pragma once
// Removal of an earlier installation in place, from its install log, before
// the new one is installed.
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "platform/WinTypes.h"

// A recorded entry that is still there after a removal, and why.
struct TKeptEntry {
  enum TReason {
    InUse,       // another program holds it open
    Refused,     // the system refused (access denied, or another error)
    BehindLink,  // a folder on its path is a link, which is never followed
    Running,     // the uninstaller's own file, running
    Needed,      // the uninstaller, kept to finish the job later
    SharedReadOnly,  // read-only, with other names (hard links) that share the mark
  };
  std::string Name;  // as the log lists it
  TReason Reason;
  os::DWORD Error;   // the system's error code, when it refused
};

// What a removal left of the entries its log records.
struct TRemovalResult {
  std::vector<TKeptEntry> Files;      // "{program files}", in log order
  std::vector<TKeptEntry> Shortcuts;  // "{program folder files}", in log order
  bool RemovedAny = false;            // some recorded file or shortcut went
  os::DWORD LogError = 0;             // why "Install.log" stayed when it was to go
  bool Complete() const { return Files.empty() && Shortcuts.empty(); }
};

class TRegistry;

// Opens key (from the accessor's root) if it exists, deletes the named
// values ("" is the default value), and deletes the key when it is then
// empty: no subkeys, no values.
void DeleteValuesAndKeyIfEmpty(TRegistry& registry, const std::string& key,
                               std::initializer_list<const char*> values);

// Deletes the registry keys an earlier installation may have left, each only
// when empty: the version-1.0 marker key and the "Open" and "Openen" verbs.
void RemoveLeftoverKeys();

// Setup's removal of an earlier installation: RemoveLeftoverKeys, then the
// shortcuts and the program files its "Install.log" lists, each emptied
// folder as soon as it is empty, the log and the folder. What cannot be
// deleted (in use, read-only) stays and is passed over. Only what lies
// inside OldInstallDir and the Start-menu folder is touched: an entry that
// would leave them, or reach them through a junction, is skipped. Raises
// EInOutError when the log cannot be opened or read. Returns the program
// files it listed that are still there, so that a new log in the same
// folder can list them again.
// BetweenBatches, when given, is called after every kEntriesPerBatch
// recorded entries: there the user-interface thread handles its messages.
constexpr int kEntriesPerBatch = 8;
std::vector<std::string> RemoveOldInstallation(const std::string& OldInstallDir,
                                               const std::string& OldProgFolder,
                                               const std::function<void()>& BetweenBatches = {});

// The uninstaller's removal of the files: shortcuts, program files (a
// read-only one too), emptied folders; then, when everything recorded has
// gone, the log and the folder. Otherwise the log stays. Uninstaller, when
// given, names the entry of the uninstaller: it goes last, and only when
// everything else has gone; UninstallerRunning says it is the program
// running, which cannot delete its own file. Result is filled as the
// removal goes, so that it tells what went when EInOutError is raised (the
// log could not be read to its end: it stays as it was).
void RemoveInstalledFiles(const std::string& InstallDir, const std::string& ProgFolder,
                          TRemovalResult& Result, const std::string& Uninstaller = {},
                          bool UninstallerRunning = false);

// Whether the installation in InstallDir lies at the root of a drive and
// users without administrator rights can change its "Install.log" there (or
// put another in its place): such a log could name any file of the drive,
// so the installation is left in place.
bool LogOpenToUsersAtRoot(const std::string& InstallDir);

