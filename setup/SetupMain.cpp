// Program entry of Setup.exe.
#include "platform/Application.h"
#include "setup/Main.h"
#include "setup/Unit_Constants.h"

int SetupMain() {
  os::Application.Initialize();
  os::Application.Title = "Setup";
  InitConstants();  // the windows read the texts while they are created
  TMainForm mainForm;
  MainForm = &mainForm;
  mainForm.Show();
  os::Application.MainWindow = mainForm.Handle;
  os::Application.Run();
  MainForm = nullptr;
  return 0;
}
