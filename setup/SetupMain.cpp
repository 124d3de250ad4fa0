// Program entry of Setup.exe.
#include "engine/Unit_ExtractForm.h"
#include "platform/Application.h"
#include "setup/Main.h"
#include "setup/Unit_Constants.h"
#include "setup/Unit_ExitForm.h"
#include "setup/Unit_FullScreenForm.h"
#include "system/Unit_UninstallOldForm.h"

int SetupMain() {
  os::Application.Initialize();
  os::Application.Title = "Setup";
  InitConstants();  // the windows read the texts while they are created
  // The main window first: it is the one whose closing ends the program.
  TMainForm mainForm;
  MainForm = &mainForm;
  os::Application.MainForm = &mainForm;
  TExitForm exitForm;
  ExitForm = &exitForm;
  TFullScreenForm fullScreenForm;
  FullScreenForm = &fullScreenForm;
  TUninstallOldForm uninstallOldForm;
  UninstallOldForm = &uninstallOldForm;
  TExtractForm extractForm;
  ExtractForm = &extractForm;

  mainForm.Show();
  os::Application.MainWindow = mainForm.Handle;
  if (!mainForm.Closed()) os::Application.Run();

  ExtractForm = nullptr;
  UninstallOldForm = nullptr;
  FullScreenForm = nullptr;
  ExitForm = nullptr;
  MainForm = nullptr;
  os::Application.MainForm = nullptr;
  return 0;
}
