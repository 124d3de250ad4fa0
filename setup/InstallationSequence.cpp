// What Next on the confirmation page does: the installation itself.
#include <memory>

#include "engine/Unit_DataFile.h"
#include "engine/Unit_ExtractForm.h"
#include "engine/Unit_Logfile.h"
#include "engine/Unit_Paths.h"
#include "platform/Application.h"
#include "platform/Files.h"
#include "setup/Main.h"
#include "system/Unit_Settings.h"
#include "system/Unit_Shortcuts.h"
#include "system/Unit_Uninstall.h"

namespace {

// Whether files can be created in Folder; leaves the disk as it was.
bool CanWriteFolder(const std::string& Folder) {
  auto [existing, rest] = SplitExistingPath(Folder);
  bool ok = FolderExists(Folder) || os::MakeSureDirectoryPathExists(JoinPath(Folder, "x"));
  if (ok) {
    const std::string probe = JoinPath(Folder, "Setup write test.tmp");
    const os::HANDLE file = os::CreateFileA(probe, os::GENERIC_WRITE, 0, os::CREATE_NEW);
    ok = file != os::INVALID_HANDLE_VALUE;
    if (ok) {
      os::CloseHandle(file);
      os::DeleteFileA(probe);
    }
  }
  while (!rest.empty()) {
    os::RemoveDirectoryA(JoinPath(existing, rest));
    const std::size_t slash = rest.rfind('\\');
    rest = slash == std::string::npos ? std::string() : rest.substr(0, slash);
  }
  return ok;
}

}  // namespace

void InstallationSequence() {
  // Nothing is removed before it is clear that the new installation can go
  // ahead: the payload is here and the folder takes files.
  if (!FileExists(VolumeFileName(1))) {
    ErrorBox("Setup cannot find the file " + VolumeFileName(1) + " in the folder " +
             os::GetCurrentDirectoryA() + ".  Start Setup from the folder or disk that holds it.");
    return;
  }
  if (!CanWriteFolder(SetupPars.InstallDir)) {
    ErrorBox("Setup cannot write to the folder " + SetupPars.InstallDir +
             ".  Click Back and choose another folder.");
    return;
  }

  if (SetupPars.OldInstallFound) {
    RemoveOldInstallation(SetupPars.OldInstallDir, SetupPars.OldProgFolder);
    // Done once: a later attempt must not look for the log it deleted.
    SetupPars.OldInstallFound = false;
  }
  os::MakeSureDirectoryPathExists(JoinPath(SetupPars.InstallDir, "Install.log"));
  // Released on every way out, errors included: the file is closed then.
  auto log = std::make_unique<TLogFile>(SetupPars.InstallDir, SetupPars.ProgFolder);
  ExtractPars.LogFile = log.get();
  ExtractPars.InstallDir = SetupPars.InstallDir;
  const int result = ExtractForm->ShowModal();
  ExtractPars.LogFile = nullptr;

  if (result != os::IDOK) {
    // Nothing is undone; Setup ends without a question.
    SetupPars.NoExitConfirm = true;
    try {
      log->Close();
    } catch (const std::exception& e) {
      os::Application.ShowException(e);
    }
    MainForm->Close();
    return;
  }
  CreateShortcuts(SetupPars.InstallDir, SetupPars.ProgFolder, *log);
  log->Close();
  log.reset();
  WriteRegistryEntries(SetupPars.InstallDir);
  MainForm->ShowFinishedPage();
}
