#include "system/Unit_Uninstaller.h"

#include <string>

#include "engine/Unit_Logfile.h"
#include "engine/Unit_Paths.h"
#include "platform/Application.h"
#include "platform/Dialogs.h"
#include "platform/Exceptions.h"
#include "platform/FileSearch.h"
#include "platform/Files.h"
#include "platform/Process.h"
#include "setup/Main.h"
#include "system/Unit_Settings.h"
#include "system/Unit_Uninstall.h"

namespace {

const char* const kCaption = "Uninstall Morvella";

void DeleteValueAndKeyIfEmpty(TRegistry& registry, const std::string& key,
                              std::initializer_list<const char*> values) {
  if (!registry.OpenKey(key, false)) return;
  for (const char* value : values) registry.DeleteValue(value);
  os::DWORD subKeys = 0, count = 0;
  const bool empty = registry.GetKeyInfo(subKeys, count) && subKeys == 0 && count == 0;
  registry.CloseKey();
  if (empty) registry.DeleteKey(key);
}

int Say(const std::string& text, os::DWORD icon) {
  os::MessageBoxA(os::NO_WINDOW, text, kCaption, os::MB_OK | icon);
  return icon == os::MB_ICONERROR ? 1 : 0;
}

bool HoldsFiles(const std::string& folder) {
  os::TDirectorySearch search(JoinPath(folder, "*"));
  while (search.Next())
    if (search.Name() != "." && search.Name() != "..") return true;
  return false;
}

}  // namespace

void RemoveRegistryEntries() {
  TRegistry registry;
  registry.SetRootKey(os::HKEY_LOCAL_MACHINE);
  DeleteValueAndKeyIfEmpty(registry,
                           "\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Morvella",
                           {"DisplayName", "UninstallString"});
  registry.SetRootKey(os::HKEY_CLASSES_ROOT);
  // Morvella.Wordlist is Morvella's own, whoever holds the extension now:
  // its command would name a deleted program.
  for (const char* key : {"\\Morvella.Wordlist\\Shell\\Openen\\command",
                          "\\Morvella.Wordlist\\Shell\\Openen",
                          "\\Morvella.Wordlist\\Shell\\Open\\command", "\\Morvella.Wordlist\\Shell\\Open",
                          "\\Morvella.Wordlist\\Shell", "\\Morvella.Wordlist\\DefaultIcon",
                          "\\Morvella.Wordlist"})
    DeleteValueAndKeyIfEmpty(registry, key, {""});
  std::string owner;
  if (registry.OpenKey("\\.wdl", false)) {
    try {
      owner = registry.ReadString("");
    } catch (const os::ERegistryException&) {
      owner.clear();  // not text: not ours
    }
    registry.CloseKey();
  }
  // The extension stays with the program that took it since.
  if (owner == "Morvella.Wordlist") DeleteValueAndKeyIfEmpty(registry, "\\.wdl", {""});
}

int UninstMain() {
  const std::string self = os::GetModuleFileNameA();
  const std::vector<std::string> args = os::CommandLineArguments();
  std::string folder = StripBackslash(self.substr(0, self.find_last_of('\\') + 1));

  if (args.size() == 3 && args[0] == "/from") {
    // The copy in the temporary folder: wait for the first instance to end,
    // so its file can go, and have this copy deleted at the next restart.
    folder = args[1];
    os::WaitForProcessEnd(os::DWORD(std::stoul(args[2])), 30000);
    os::MoveFileExA(self, "", os::MOVEFILE_DELAY_UNTIL_REBOOT);
  } else if (FileExists(JoinPath(folder, "Install.log"))) {
    const std::string copy = os::GetTempPathA() + "Uninstall Morvella.exe";
    if (os::CopyFileA(self, copy, false) &&
        os::CreateProcessA("\"" + copy + "\" /from \"" + folder + "\" " +
                               std::to_string(os::GetCurrentProcessId()),
                           os::GetTempPathA()))
      return 0;
    // Otherwise the removal runs from here and leaves this one file.
  }

  if (os::MessageBoxA(os::NO_WINDOW,
                      "Do you want to remove Morvella 3.5 from your computer?\n\n"
                      "Wordlists of your own in its folder are kept.",
                      kCaption, os::MB_YESNO | os::MB_ICONQUESTION) != os::IDYES)
    return 0;

  const std::string logName = JoinPath(folder, "Install.log");
  if (!FileExists(logName))
    return Say("Morvella cannot be removed: the record of its installation, " + logName +
                   ", is missing.  Nothing was removed.",
               os::MB_ICONERROR);
  std::string progFolder;
  try {
    ReadProgramFolder(logName, progFolder);  // proves the log readable first
    RemoveInstalledFiles(folder, progFolder);
    RemoveRegistryEntries();
  } catch (const os::Exception& e) {
    return Say("Morvella cannot be removed: " + std::string(e.what()) + ".  Nothing was removed.",
               os::MB_ICONERROR);
  }
  if (FolderExists(folder) && HoldsFiles(folder))
    return Say("Morvella has been removed from your computer.\n\nThe folder " + folder +
                   " was kept: it still holds files that are not part of Morvella.",
               os::MB_ICONINFORMATION);
  return Say("Morvella has been removed from your computer.", os::MB_ICONINFORMATION);
}
