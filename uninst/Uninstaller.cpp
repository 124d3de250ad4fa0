// Uninst.exe: its own copy started from a private folder, the removal, the registry and what stayed.
#include "uninst/Uninstaller.h"

#include "system/RegistryKeys.h"

#include <string>

#include "trust/HeldFolder.h"
#include "engine/Unit_Logfile.h"
#include "trust/Unit_Paths.h"
#include "platform/Application.h"
#include "platform/Chars.h"
#include "platform/Dialogs.h"
#include "platform/Exceptions.h"
#include "platform/FileSearch.h"
#include "platform/Files.h"
#include "platform/Process.h"
#include "platform/Shell.h"
#include "system/KnownFolders.h"
#include "system/SetupLock.h"
#include "system/Unit_Settings.h"
#include "system/Unit_Uninstall.h"

namespace {

const char* const kCaption = "Uninstall Morvella";

// The copy runs from a folder of its own that only administrators and the
// system may change: in the temporary folder, any program of the user could
// otherwise replace it, or put a DLL beside it, before it starts elevated.
const char* const kPrivateFolderPrefix = "Morvella uninstall ";
const char* const kCopyName = "Uninstall Morvella.exe";

bool IsPrivateFolder(const std::string& folder) {
  const std::string temp = StripBackslash(os::GetSystemTempPathA());
  const std::string prefix = JoinPath(temp, kPrivateFolderPrefix);
  return !temp.empty() && folder.size() > prefix.size() &&
         UpperPath(folder.substr(0, prefix.size())) == UpperPath(prefix) &&
         FindBackslash(folder, prefix.size()) == std::string::npos;
}

bool ParseProcessId(const std::string& text, os::DWORD& id) {
  if (text.empty() || text.size() > 10 || text.find_first_not_of("0123456789") != std::string::npos)
    return false;
  const unsigned long long value = std::stoull(text);
  if (value > 0xFFFFFFFFull) return false;
  id = os::DWORD(value);
  return true;
}

int Say(const std::string& text, os::DWORD icon) {
  os::MessageBoxA(os::NO_WINDOW, text, kCaption, os::MB_OK | icon);
  return icon == os::MB_ICONINFORMATION ? 0 : 1;
}

// One line for an entry that stayed: what it is and what the user can do.
std::string KeptLine(const std::string& what, const TKeptEntry& entry) {
  switch (entry.Reason) {
    case TKeptEntry::InUse:
      return what + " is in use: close Morvella and run the uninstaller again.";
    case TKeptEntry::BehindLink:
      return what + " lies in a folder that someone has replaced by a link, which the uninstaller "
                    "does not follow: delete it yourself, then run the uninstaller again.";
    case TKeptEntry::Running:
      return what + " is this uninstaller, which cannot delete its own file while it runs: run "
                    "the uninstaller again.";
    case TKeptEntry::SharedReadOnly:
      return what + " is read-only and has other names on the disk (hard links), which share "
                    "that mark, so the uninstaller leaves it: delete it yourself if nothing else "
                    "needs it.";
    case TKeptEntry::Refused:
    case TKeptEntry::Needed:
      break;
  }
  return what + " could not be deleted: " + os::ErrorText(entry.Error) + ".";
}

// The entries that stayed, one line each; the uninstaller kept for later
// is no fault and not named. At most kShown lines, then how many more.
std::string KeptLines(const TRemovalResult& result) {
  constexpr std::size_t kShown = 8;
  std::vector<std::string> lines;
  for (const TKeptEntry& entry : result.Files)
    if (entry.Reason != TKeptEntry::Needed) lines.push_back(KeptLine(entry.Name, entry));
  for (const TKeptEntry& entry : result.Shortcuts)
    lines.push_back(KeptLine("The shortcut " + entry.Name + " in the Start menu", entry));
  std::string text;
  for (std::size_t i = 0; i < lines.size() && i < kShown; ++i) text += lines[i] + "\n";
  if (lines.size() > kShown) text += "... and " + std::to_string(lines.size() - kShown) + " more.\n";
  return text;
}

}  // namespace

void WriteRemainingLog(const std::string& InstallDir, const std::string& ProgFolder,
                       const TRemovalResult& left) {
  const char* const kNewLog = "Install.new";
  const std::string fresh = JoinPath(InstallDir, kNewLog);
  // Made and deleted through the folder held: never by a name that a link
  // higher up could turn elsewhere.
  const THeldFolder held(StripBackslash(InstallDir));
  try {
    TLogFile log(InstallDir, ProgFolder, kNewLog, &held);
    log.BeginProgramFiles();
    for (const TKeptEntry& entry : left.Files) log.AddEntry(entry.Name);
    if (!left.Shortcuts.empty()) {
      log.BeginProgramFolderFiles();
      for (const TKeptEntry& entry : left.Shortcuts) log.AddEntry(entry.Name);
    }
    log.Close();
  } catch (const os::EInOutError&) {
    held.DeleteEntry(fresh, false, false);
    return;
  }
  if (!held.Rename(fresh, JoinPath(InstallDir, kLogName))) held.DeleteEntry(fresh, false, false);
}

void RemoveRegistryEntries() {
  TRegistry registry;
  registry.SetRootKey(os::HKEY_LOCAL_MACHINE);
  DeleteValuesAndKeyIfEmpty(registry, kUninstallKey, {"DisplayName", "UninstallString"});
  registry.SetRootKey(os::HKEY_CLASSES_ROOT);
  // Morvella.Wordlist is Morvella's own, whoever holds the extension now:
  // its command would name a deleted program.
  for (const char* key : {kWordlistOpenenCommandKey, kWordlistOpenenKey, kWordlistOpenCommandKey, kWordlistOpenKey,
                          kWordlistShellKey, kWordlistIconKey, kWordlistClassKey})
    DeleteValuesAndKeyIfEmpty(registry, key, {""});
  std::string owner;
  if (registry.OpenKey(kWordlistExtensionKey, false)) {
    try {
      owner = registry.ReadString("");
    } catch (const os::ERegistryException&) {
      owner.clear();  // not text: not ours
    }
    registry.CloseKey();
  }
  // The extension stays with the program that took it since.
  if (owner == kWordlistClass) DeleteValuesAndKeyIfEmpty(registry, kWordlistExtensionKey, {""});
}

std::string QuoteArgument(const std::string& Argument) {
  // The receiver parses the line in UTF-16 (CommandLineToArgvW), where the
  // second byte of a double-byte character is no backslash.
  const TCharacters& chars = SystemCharacters();
  std::string quoted = "\"";
  std::size_t backslashes = 0;
  for (std::size_t at = 0; at < Argument.size(); at = chars.Next(Argument, at)) {
    const std::string c = Argument.substr(at, chars.Next(Argument, at) - at);
    if (c == "\\") {
      ++backslashes;
      continue;
    }
    quoted.append(c == "\"" ? backslashes * 2 + 1 : backslashes, '\\');
    quoted += c;
    backslashes = 0;
  }
  quoted.append(backslashes * 2, '\\');
  return quoted + "\"";
}

int UninstMain() {
  const std::string self = os::GetModuleFileNameA();
  const std::vector<std::string> args = os::CommandLineArguments();
  std::string folder = StripBackslash(self.substr(0, LastBackslash(self) + 1));

  std::unique_ptr<os::TNamedMutex> lock;
  if (args.empty()) {
    lock = TakeSetupLock(kCaption);
    if (!lock) return 1;
  }
  if (!args.empty()) {
    // Only the first instance starts the copy, as "/from FOLDER PID".
    os::DWORD firstInstance = 0;
    if (args.size() != 3 || args[0] != "/from" || !IsAbsoluteFolder(args[1]) ||
        !ParseProcessId(args[2], firstInstance))
      return Say("Morvella cannot be removed: the uninstaller was started with a command line "
                 "it does not understand.  Nothing was removed.",
                 os::MB_ICONERROR);
    // The copy: wait for the first instance to end, so its file can go. A
    // running program cannot delete itself: this copy and its folder go at
    // the next restart.
    // As a full path: "D:\x\.." is the root of D:, and judged as such.
    folder = StripBackslash(os::GetFullPathNameA(args[1]));
    os::WaitForProcessEnd(firstInstance, 30000);
    // Taken over from the first instance, which has ended.
    lock = TakeSetupLock(kCaption);
    if (!lock) return 1;
    DeleteAtRestart(self);
    const std::string own = StripBackslash(self.substr(0, LastBackslash(self) + 1));
    if (IsPrivateFolder(own)) DeleteAtRestart(own);
  } else if (FileExists(JoinPath(folder, kLogName))) {
    const std::unique_ptr<THeldFolder> privateFolder =
        MakePrivateFolder(kPrivateFolderPrefix + std::to_string(os::GetCurrentProcessId()) + "-");
    if (privateFolder) {
      const std::string copy = JoinPath(privateFolder->Path(), kCopyName);
      if (privateFolder->CopyIn(self, copy) &&
          os::CreateProcessA(QuoteArgument(copy) + " /from " + QuoteArgument(folder) + " " +
                                 std::to_string(os::GetCurrentProcessId()),
                             privateFolder->Path()))
        return 0;
      // Otherwise the removal runs from here and leaves this one file.
      privateFolder->DeleteEntry(copy, false, false);
      privateFolder->DeleteItself();
    }
  }

  if (os::MessageBoxA(os::NO_WINDOW,
                      "Do you want to remove Morvella 3.5 from your computer?\n\n"
                      "Wordlists of your own in its folder are kept.",
                      kCaption, os::MB_YESNO | os::MB_ICONQUESTION) != os::IDYES)
    return 0;

  const std::string logName = JoinPath(folder, kLogName);
  if (!FileExists(logName))
    return Say("Morvella cannot be removed: the record of its installation, " + logName +
                   ", is missing.  Nothing was removed.",
               os::MB_ICONERROR);
  if (LogOpenToUsersAtRoot(folder))
    return Say("Morvella cannot be removed from " + folder +
                   ": users without administrator rights can change the record of its files, " +
                   logName + ", so it cannot show which files on that drive are Morvella's.  "
                   "Nothing was removed.",
               os::MB_ICONERROR);
  // The installed uninstaller goes last, and not at all while it runs.
  const char* const kUninstaller = "Uninst.exe";
  const bool running = args.empty() && UpperPath(self) == UpperPath(JoinPath(folder, kUninstaller));
  std::string progFolder;
  TRemovalResult result;
  try {
    ReadProgramFolder(logName, progFolder);  // proves the log readable first
    RemoveInstalledFiles(folder, progFolder, result, kUninstaller, running);
  } catch (const os::Exception& e) {
    if (!result.RemovedAny)
      return Say("Morvella cannot be removed: " + std::string(e.what()) + ".  Nothing was removed.",
                 os::MB_ICONERROR);
    return Say("Morvella was removed only in part: " + std::string(e.what()) +
                   ".\n\nThe record of its files and its entry in the list of programs were kept: "
                   "run the uninstaller again to remove the rest.",
               os::MB_ICONWARNING);
  }
  if (!result.Complete()) {
    // The entry stays, and with it the uninstaller and the record of what
    // is left: running it again finishes the job.
    if (result.RemovedAny) WriteRemainingLog(folder, progFolder, result);
    if (!result.RemovedAny)
      return Say("Morvella cannot be removed:\n\n" + KeptLines(result) + "\nNothing was removed.",
                 os::MB_ICONERROR);
    return Say("Morvella was not removed completely.  These files of Morvella are still there:\n\n" +
                   KeptLines(result) +
                   "\nMorvella stays in the list of programs until they are gone.",
               os::MB_ICONWARNING);
  }
  try {
    RemoveRegistryEntries();
  } catch (const os::Exception& e) {
    return Say("The files of Morvella have been removed, but its entries in the registry could "
               "not be: " + std::string(e.what()) + ".",
               os::MB_ICONERROR);
  }
  // Everything else has gone, the uninstaller too: the entry would name a
  // deleted program, so it went; the log that stayed is named.
  if (result.LogError != os::ERROR_SUCCESS)
    return Say("Morvella has been removed from your computer, but the record of its installation, " +
                   logName + ", could not be deleted: " + os::ErrorText(result.LogError) +
                   ".  Delete it yourself.",
               os::MB_ICONWARNING);
  if (FolderExists(folder) && HoldsFiles(folder))
    return Say("Morvella has been removed from your computer.\n\nThe folder " + folder +
                   " was kept: it still holds files that are not part of Morvella.",
               os::MB_ICONINFORMATION);
  return Say("Morvella has been removed from your computer.", os::MB_ICONINFORMATION);
}
