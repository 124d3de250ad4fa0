// libFuzzer target: the registry values Setup reads at start-up (the
// uninstall entry's UninstallString, the version-1.0 marker, the Program
// Files folder) of any type and text, and the Install.log an entry may lead
// to. Setup runs from D:\Setup, the installation medium, which holds
// programs of anyone's. Whatever the values, the proposed folders are
// absolute (the Start-menu folder stays inside the Programs folder), and the
// version-1.0 uninstaller, when the user agrees to run it, is never
// started from the medium or by a name looked for there.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/Unit_DataFile.h"
#include "platform/Application.h"
#include "platform/Files.h"
#include "platform/Registry.h"
#include "platform/Shell.h"
#include "platform/standin/Standin.h"
#include "setup/Main.h"
#include "setup/SetupForms.h"
#include "setup/Unit_Constants.h"
#include "tests/fuzz/FuzzSupport.h"
#include "tests/support/Scratch.h"

namespace {

const std::string kMedium = "D:\\Setup";
const std::string kPrograms = fuzz::kPrograms;

void SetValue(os::HKEY root, const std::string& key, const std::string& name, const std::string& field) {
  if (field.empty()) return;  // no value
  const os::DWORD types[] = {os::REG_SZ, os::REG_EXPAND_SZ, os::REG_BINARY, 4 /*REG_DWORD*/, 7 /*REG_MULTI_SZ*/};
  const os::DWORD type = types[static_cast<unsigned char>(field[0]) % 5];
  os::UniqueHKEY k;
  if (os::RegCreateKeyExA(root, key, 0, os::KEY_ALL_ACCESS, k.receive(), nullptr) != os::ERROR_SUCCESS)
    fuzz::Broken("the scene's key cannot be made");
  os::RegSetValueExA(k.get(), name, type, reinterpret_cast<const std::uint8_t*>(field.data() + 1),
                     os::DWORD(field.size() - 1));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Fields cut by "#|#": flags (the higher bits: the code page),
  // UninstallString, ProgramFilesDir, a log.
  std::vector<std::string> fields = fuzz::Split(data, size, "#|#");
  fields.resize(4);
  const unsigned flags = fields[0].empty() ? 0 : static_cast<unsigned char>(fields[0][0]);

  fuzz::FreshStandin(fuzz::CodePageOf(flags >> 2));
  standin::SetProgramsFolder(kPrograms);
  os::MakeSureDirectoryPathExists(kPrograms + "\\");
  // The medium holds programs under the names an uninstall command uses.
  os::MakeSureDirectoryPathExists(kMedium + "\\");
  for (const char* name : {"Setup.exe", "Uninst.exe", "Program.exe", "unwise.exe"})
    WriteFileBytes(kMedium + "\\" + name, "MZ");
  // Logs where an entry may lead: an installation, the medium, a root.
  for (const std::string& folder : {std::string("C:\\Program Files\\Morvella"), kMedium, std::string("C:")}) {
    os::MakeSureDirectoryPathExists(folder + "\\");
    WriteFileBytes(folder + "\\Install.log", fields[3]);
  }
  WriteFileBytes("C:\\Program Files\\Morvella\\Uninst.exe", "MZ");
  standin::SetProgram(kMedium + "\\Setup.exe", {});
  os::SetCurrentDirectoryA(kMedium);
  fuzz::SceneSet();

  const std::string uninstallKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Morvella";
  SetValue(os::HKEY_LOCAL_MACHINE, uninstallKey, "UninstallString", fields[1]);
  SetValue(os::HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir",
           fields[2]);
  if (flags & 1) {
    os::UniqueHKEY k;
    os::RegCreateKeyExA(os::HKEY_LOCAL_MACHINE, "Software\\Vantrel\\Morvella\\1.0", 0,
                        os::KEY_ALL_ACCESS, k.receive(), nullptr);
  }
  // The user agrees to run the version-1.0 uninstaller, or declines.
  const bool agree = flags & 2;
  standin::SetModalResponder([agree](ui::TForm& form) {
    if (agree)
      form.SetModalResult(os::IDOK);
    else
      form.SetModalResult(os::IDCANCEL);
  });
  standin::SetMessageBoxResponder([](const standin::MessageBoxRecord&) { return os::IDOK; });

  os::Application = os::TApplication();
  os::Application.Title = "Setup";
  SetupPars = TSetupPars();
  OldUninstallCommand.clear();
  InitConstants();
  {
    TSetupForms forms;
    forms.Main.Show();
    if (!fuzz::Absolute(SetupPars.InstallDir)) fuzz::Broken("installation folder proposed: " + SetupPars.InstallDir);
    const std::string& progFolder = SetupPars.ProgFolder;
    if (!progFolder.empty() && !fuzz::Inside(kPrograms + "\\" + progFolder, kPrograms))
      fuzz::Broken("Start-menu folder proposed: " + progFolder);
  }
  standin::SetModalResponder(nullptr);
  standin::SetMessageBoxResponder(nullptr);

  for (const standin::Launch& launch : standin::Launches()) {
    if (!fuzz::Absolute(launch.File)) fuzz::Broken("started by a name looked for anywhere: " + launch.File);
    if (fuzz::Inside(launch.File, kMedium)) fuzz::Broken("started from the medium: " + launch.File);
  }
  if (!standin::StartedPrograms().empty()) fuzz::Broken("a program started: " + standin::StartedPrograms()[0]);
  // Start-up only reads.
  fuzz::CheckChanges({}, {});
  return 0;
}
