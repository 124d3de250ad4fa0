// Program entry of Setup.exe.
#include "platform/Application.h"
#include "platform/Dialogs.h"
#include "setup/ReleaseCodePage.h"
#include "setup/SetupForms.h"
#include "setup/Unit_Constants.h"
#include "system/SetupLock.h"

int SetupMain() {
  os::Application.Initialize();
  os::Application.Title = "Setup";
  // Before any window and before anything is written.
  const std::string wrongCodePage = ReleaseCodePageProblem();
  if (!wrongCodePage.empty()) {
    os::MessageBoxA(os::NO_WINDOW, wrongCodePage, os::Application.Title, os::MB_OK | os::MB_ICONERROR);
    return 0;
  }
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
