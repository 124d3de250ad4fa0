// The wizard's shared state.
#include "setup/SetupPars.h"

#include "platform/Application.h"
#include "platform/Dialogs.h"

TSetupPars SetupPars;
bool AskUninstallOld = false;
std::string OldUninstallCommand;

void ErrorBox(const std::string& text) {
  os::MessageBoxA(os::Application.DialogOwner(), text, os::Application.Title, os::MB_OK | os::MB_ICONERROR);
}
