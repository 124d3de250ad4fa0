// Setup's windows, made together and known by their globals.
#include "setup/SetupForms.h"

#include "platform/Application.h"

TSetupForms::TSetupForms() {
  MainForm = &Main;
  os::Application.MainForm = &Main;
  ExitForm = &Exit;
  FullScreenForm = &FullScreen;
  UninstallOldForm = &UninstallOld;
  ExtractForm = &Extract;
}

TSetupForms::~TSetupForms() {
  ExtractForm = nullptr;
  UninstallOldForm = nullptr;
  FullScreenForm = nullptr;
  ExitForm = nullptr;
  MainForm = nullptr;
  os::Application.MainForm = nullptr;
}
