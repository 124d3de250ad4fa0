// Program entry of Setup.exe.
#include "platform/Application.h"
#include "setup/SetupForms.h"
#include "setup/Unit_Constants.h"
#include "system/SetupLock.h"

int SetupMain() {
  os::Application.Initialize();
  os::Application.Title = "Setup";
  const auto lock = TakeSetupLock(os::Application.Title);
  if (!lock) return 0;
  os::Application.CreateHandle();
  InitConstants();  // the windows read the texts while they are created
  TSetupForms forms;
  forms.Main.Show();
  os::Application.MainWindow = forms.Main.Handle;
  if (!forms.Main.Closed()) os::Application.Run();
  return 0;
}
