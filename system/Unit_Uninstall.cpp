// The removal of an installation from its log, for Setup and the uninstaller alike.
#include "system/Unit_Uninstall.h"

#include <functional>
#include <memory>
#include <set>

#include "trust/HeldFolder.h"
#include "engine/Unit_DataFile.h"
#include "engine/Unit_Logfile.h"
#include "trust/Unit_Paths.h"
#include "platform/Exceptions.h"
#include "platform/Files.h"
#include "platform/Shell.h"
#include "system/KnownFolders.h"
#include "system/RegistryKeys.h"
#include "system/Unit_Settings.h"
#include "system/Unit_Shortcuts.h"

void DeleteValuesAndKeyIfEmpty(TRegistry& registry, const std::string& key,
                               std::initializer_list<const char*> values) {
  if (!registry.OpenKey(key, false)) return;
  for (const char* value : values) registry.DeleteValue(value);  // a missing one is no error
  os::DWORD subKeys = 0, count = 0;
  const bool empty = registry.GetKeyInfo(subKeys, count) && subKeys == 0 && count == 0;
  registry.CloseKey();
  if (empty) registry.DeleteKey(key);
}

namespace {

void DeleteKeyIfEmpty(TRegistry& registry, const std::string& key) {
  DeleteValuesAndKeyIfEmpty(registry, key, {});
}

void DeleteDefaultAndKeyIfEmpty(TRegistry& registry, const std::string& key) {
  DeleteValuesAndKeyIfEmpty(registry, key, {""});
}

// Whether relative is a path that stays below its base folder.
bool StaysInside(const std::string& base, const std::string& relative) {
  return EntryNameProblem(relative).empty() && JoinPath(base, relative).size() < os::MAX_PATH;
}

// The way to a folder the removal deletes in, held from its drive's root
// (before Vista that way, held level by level, is what tells that no level
// became a link); nothing is deleted in it unless it is reached whole and
// where its path says.
std::unique_ptr<THeldWay> HoldForRemoval(const std::string& path) {
  const std::string full = path.empty() ? path : os::GetFullPathNameA(path);
  return THeldWay::FromRoot(full);
}

const THeldFolder kNowhere{std::string()};

const THeldFolder& FolderOf(const THeldWay& way) { return way.Reached() ? *way.Reached() : kNowhere; }

// The folders the removed entries lay in, each tried once when the
// removal is done with its section, deepest first: trying them after every
// entry cost as much again as the entries themselves, and a folder goes
// only once it is empty all the same.
class TFolderSweep {
 public:
  void Add(const std::string& base, const std::string& relative) {
    // Entries come folder by folder: the levels of the last one are known.
    const std::string folder = FolderOfPath(relative);
    if (!folders_.empty() && folder == last_) return;
    last_ = folder;
    for (const std::string& level : LevelsBelow(base, folder))
      if (seen_.insert(UpperPath(level)).second) folders_.push_back(level);
  }
  void Sweep(const THeldFolder& held, THeldDescent& walked, bool clearReadOnly) {
    walked.Release();
    // A folder is always added after the one above it: backwards, every
    // folder comes before the folders that hold it.
    for (auto folder = folders_.rbegin(); folder != folders_.rend(); ++folder)
      held.DeleteEntry(*folder, true, clearReadOnly);
    folders_.clear();
    seen_.clear();
    last_.clear();
  }

 private:
  std::vector<std::string> folders_;
  std::set<std::string> seen_;
  std::string last_;  // the folder of the entry added last, as the log spells it
};

// Whether path names an entry, the entry itself judged (a link, not its
// target).
bool EntryExists(const std::string& path) {
  return os::GetFileAttributesA(path) != os::INVALID_FILE_ATTRIBUTES;
}

// Removes base\relative, a file, through the folders held below base,
// unless the way there passes a link; adds it to kept, with the reason,
// when it is still there.
void RemoveRecorded(THeldDescent& held, bool clearReadOnly, const std::string& base,
                    const std::string& relative, const std::string& name, std::vector<TKeptEntry>& kept,
                    bool& removedAny, TFolderSweep& sweep) {
  const std::string path = JoinPath(base, relative);
  bool behindLink = false;
  const os::DWORD error = held.DeleteRecorded(relative, clearReadOnly, behindLink);
  if (behindLink) {
    if (EntryExists(path)) kept.push_back({name, TKeptEntry::BehindLink, os::ERROR_SUCCESS});
    return;
  }
  sweep.Add(base, relative);
  if (error == os::ERROR_SUCCESS) removedAny = true;
  if (error == os::ERROR_SUCCESS || !EntryExists(path)) return;
  const bool inUse = error == os::DWORD(os::ERROR_SHARING_VIOLATION) ||
                     error == os::DWORD(os::ERROR_LOCK_VIOLATION);
  kept.push_back({name,
                  inUse ? TKeptEntry::InUse
                  : error == os::DWORD(os::ERROR_FILE_READ_ONLY) ? TKeptEntry::SharedReadOnly
                                                                 : TKeptEntry::Refused,
                  error});
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

// Setup's removal and the uninstaller's differ in two things: whether a
// read-only file goes (the uninstaller removes Morvella; Setup's removal
// leaves alone what a user marked so), and whether the log keeps the record
// of what stayed (the uninstaller's entry, which finishes the job later,
// needs it; Setup writes a new log that lists what stayed in its folder).
struct TRemovalRules {
  bool ClearReadOnly;
  bool KeepLogWhileEntriesStay;
};

void RemoveFiles(const std::string& OldInstallDir, const std::string& OldProgFolder,
                 TRemovalResult& Result, const TRemovalRules& rules, const std::string& Uninstaller,
                 bool UninstallerRunning, const std::function<void()>& betweenBatches = {}) {
  Result = TRemovalResult();
  // Before each recorded entry: after a batch of them, the messages.
  int inBatch = 0;
  const auto paced = [&] {
    if (inBatch++ < kEntriesPerBatch || !betweenBatches) return;
    inBatch = 1;
    betweenBatches();
  };
  const std::string programs = GetProgramsFolder();
  const std::string logName = JoinPath(OldInstallDir, kLogName);
  // Held from here on: the folder cannot be swapped for a link meanwhile.
  const std::unique_ptr<THeldWay> way = HoldForRemoval(OldInstallDir);
  const THeldFolder& installation = FolderOf(*way);
  bool uninstallerListed = false;
  bool trusted;
  TFolderSweep fileFolders;
  THeldDescent files(installation);
  {
    TLogReader log(logName);
    // A folder that is not where its path says (a link put on the way after
    // the checks), or a log that lies elsewhere, removes nothing: what its
    // log lists and is there is kept, and said.
    trusted = way->Reached() && installation.Contains(log.Handle());
    const auto keep = [](const std::string& path, const std::string& name, std::vector<TKeptEntry>& kept) {
      if (EntryExists(path)) kept.push_back({name, TKeptEntry::BehindLink, os::ERROR_SUCCESS});
    };
    {
      // A Start-menu folder that would leave the Programs folder is not
      // followed; nor is anything when the Programs folder is unknown, or
      // not where its path says (a link put on the way to it would take
      // the shortcuts of another Start menu).
      const std::unique_ptr<THeldWay> startMenuWay = HoldForRemoval(programs);
      const THeldFolder& startMenu = FolderOf(*startMenuWay);
      const bool shortcutsInside =
          !programs.empty() && (OldProgFolder.empty() || StaysInside(programs, OldProgFolder));
      const bool startMenuHere = startMenuWay->Reached() != nullptr;
      // A log that users can change is trusted in the Start menu only for
      // the product's three shortcuts: an edited "{program folder}" must not
      // take another program's shortcuts with it. (Its files are trusted
      // only inside the installation folder, as every log's.)
      const bool anyShortcut = !installation.UsersCanReplace(logName);
      TFolderSweep shortcutFolders;
      THeldDescent shortcuts(startMenu);
      ForEachEntry(log, "{program folder files}", [&](const std::string& entry) {
        paced();
        const std::string relative = JoinPath(OldProgFolder, entry);
        if (!trusted || !startMenuHere) {
          if (shortcutsInside && StaysInside(programs, relative)) keep(JoinPath(programs, relative), entry, Result.Shortcuts);
          return;
        }
        if (shortcutsInside && StaysInside(programs, relative) && (anyShortcut || IsProductShortcut(entry)))
          RemoveRecorded(shortcuts, rules.ClearReadOnly, programs, relative, entry, Result.Shortcuts,
                         Result.RemovedAny, shortcutFolders);
      });
      shortcutFolders.Sweep(startMenu, shortcuts, rules.ClearReadOnly);
    }
    ForEachEntry(log, "{program files}", [&](const std::string& entry) {
      paced();
      if (!StaysInside(OldInstallDir, entry)) return;
      if (!trusted) return keep(JoinPath(OldInstallDir, entry), entry, Result.Files);
      if (!Uninstaller.empty() && UpperPath(entry) == UpperPath(Uninstaller)) {
        uninstallerListed = true;
        return;
      }
      RemoveRecorded(files, rules.ClearReadOnly, OldInstallDir, entry, entry, Result.Files,
                     Result.RemovedAny, fileFolders);
    });
  }
  // The uninstaller goes last: while anything recorded stays, it is what
  // removes it later.
  if (uninstallerListed) {
    if (UninstallerRunning)
      Result.Files.push_back({Uninstaller, TKeptEntry::Running, os::ERROR_SUCCESS});
    else if (!Result.Complete())
      Result.Files.push_back({Uninstaller, TKeptEntry::Needed, os::ERROR_SUCCESS});
    else
      RemoveRecorded(files, rules.ClearReadOnly, OldInstallDir, Uninstaller, Uninstaller,
                     Result.Files, Result.RemovedAny, fileFolders);
  }
  fileFolders.Sweep(installation, files, rules.ClearReadOnly);
  if (!trusted) return;
  if (rules.KeepLogWhileEntriesStay && !Result.Complete()) return;  // the log keeps the record
  Result.LogError = installation.DeleteEntry(logName, false, rules.ClearReadOnly);
  if (Result.LogError != os::ERROR_SUCCESS && !EntryExists(logName)) Result.LogError = os::ERROR_SUCCESS;
  if (THeldFolder* folder = way->Reached()) folder->DeleteItself();
}

}  // namespace

void RemoveLeftoverKeys() {
  TRegistry registry;
  registry.SetRootKey(os::HKEY_LOCAL_MACHINE);
  if (registry.KeyExists(kVersion10Key)) DeleteKeyIfEmpty(registry, kVersion10Key);
  registry.SetRootKey(os::HKEY_CLASSES_ROOT);
  DeleteDefaultAndKeyIfEmpty(registry, kWordlistOpenenCommandKey);
  DeleteKeyIfEmpty(registry, kWordlistOpenenKey);
  DeleteDefaultAndKeyIfEmpty(registry, kWordlistOpenCommandKey);
  DeleteKeyIfEmpty(registry, kWordlistOpenKey);
}

std::vector<std::string> RemoveOldInstallation(const std::string& OldInstallDir,
                                               const std::string& OldProgFolder,
                                               const std::function<void()>& BetweenBatches) {
  RemoveLeftoverKeys();
  TRemovalResult result;
  RemoveFiles(OldInstallDir, OldProgFolder, result, {false, false}, {}, false, BetweenBatches);
  std::vector<std::string> kept;
  for (const TKeptEntry& entry : result.Files) kept.push_back(entry.Name);
  return kept;
}

void RemoveInstalledFiles(const std::string& InstallDir, const std::string& ProgFolder,
                          TRemovalResult& Result, const std::string& Uninstaller,
                          bool UninstallerRunning) {
  RemoveFiles(InstallDir, ProgFolder, Result, {true, true}, Uninstaller, UninstallerRunning);
}

bool LogOpenToUsersAtRoot(const std::string& InstallDir) {
  // Judged on the full path: "D:\x\.." and "D:\." are the root too.
  const std::string full = os::GetFullPathNameA(InstallDir);
  return (full.empty() || IsRootFolder(full)) &&
         THeldFolder(StripBackslash(full)).UsersCanReplace(JoinPath(full, kLogName));
}
